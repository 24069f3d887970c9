// The Index settings without a window: what a corpus index keeps and how its clusters and phrase
// frames are found, as the store's word-list-index record holds them (the index builder and the
// index's word list read it when an index is made or opened):
//   - words: types less frequent than the least frequency are not loaded; words and clusters
//     holding "#" are left out; running words are recounted from the word list;
//   - clusters: the smallest and largest size, the least frequency and number of texts, seconds a
//     word may take (0 no limit), the marker that ends a cluster, one tree per text, positions
//     and dispersion kept, the stop list applied, plain or starred clusters not saved;
//   - phrase frames: off, or their least frequency;
//   - relationships (the word pairs of an index, read afresh by every relationships run): the
//     span on each side and whether the left side counts, the least joint frequency and number
//     of texts, which words of a pair the stop list may remove, a word paired with itself left
//     out, each pair listed both ways, and whether a pair must pass every threshold or any one.
// ApplyIndexSettings checks every field first; one bad value and nothing is written, and each
// problem names its field.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

inline constexpr int kIndexClusterStops = 6;  // none, punctuation, sentence, paragraph, heading, section
inline constexpr int kRelationshipStopListOptions = 4;  // none, word 1, word 2, either
inline constexpr int kMostRelationshipSpan = 25;

struct TIndexSettingsChoice {
  int32_t min_type_frequency = 1;
  bool exclude_hash = false;
  bool recount_running_words = false;
  int cluster_smallest = 2;
  int cluster_largest = 3;
  int32_t cluster_min_frequency = 3;
  int32_t cluster_min_texts = 1;
  int32_t cluster_seconds_per_word = 0;
  int cluster_stop_at = 0;
  bool clusters_per_text = false;
  bool keep_positions = false;
  bool dispersion = false;
  bool apply_stop_list = false;
  bool drop_plain = false;
  bool drop_starred = false;
  bool phrase_frames_off = false;
  int32_t phrase_frame_min_frequency = 3;
  int relationship_span = 5;
  bool relationship_left_and_right = true;
  int32_t relationship_min_joint_frequency = 3;
  int32_t relationship_min_texts = 1;
  int relationship_stop_list = 0;
  bool relationship_omit_same_word = false;
  bool relationship_both_ways = false;
  bool relationship_all_must_pass = false;
  bool operator==(const TIndexSettingsChoice&) const = default;
};

// "none", "punctuation", "sentence", ... for the cluster stops.
UString IndexClusterStopCaption(int stop);
// "none", "when word 1 is in it", "when word 2 is in it", "when either is in it".
UString RelationshipStopListCaption(int option);

TIndexSettingsChoice CurrentIndexSettings();
// The problems, one line each naming its field; empty when everything was stored.
std::vector<UString> ApplyIndexSettings(const TIndexSettingsChoice& choice);
