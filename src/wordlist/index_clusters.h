// Word clusters of a corpus index: the neighbour tree that counts identical word-type sequences
// met around a base word, and how one base word's occurrences become sequences.
//
// For each occurrence p of the base word (its chain, in text order), the sequences start at p,
// or, when clusters are computed for chosen words, at every place from p - (largest - 1) to p,
// each place once for the base word, and only those sequences that hold p. A sequence of n
// types is counted when none of its first n - 1 words is followed by a break: the end of a text
// always, other markers as the stop-at setting says. Nothing past the last token is read.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/settings/settings_records.h"

class TVXStatsList;

// A word-type sequence; kGapMarker stands for a gap.
using TTypeRecArray = std::vector<uint32_t>;
// A longer sequence is greater; of equal length, the first different element decides.
int CompareTypeSequences(const TTypeRecArray& a, const TTypeRecArray& b);

// One candidate cluster.
struct TNeighbourRec {
  int32_t texts = 0;
  int32_t last_text = 0;
  int32_t frequency = 0;
  std::vector<std::pair<int32_t, int32_t>> positions;  // (text, byte) when positions are kept
  TTypeRecArray types;
};

// Counts the sequences met around one base word (in one text, or in all). Sequences are counted
// by their hash (a sequence's types kept once, in a pool), so that a count costs about the same
// whatever the number of sequences; Collect hands them over in sequence order.
class TNeighbourTree {
 public:
  TNeighbourTree(TVXStatsList* AStatsList, const TWordlistIndexSettingsRec& settings);

  bool FreqIsHighEnough(int32_t f) const { return f >= min_frequency_; }
  bool NTExtsIsHighEnough(int32_t f) const { return f >= min_texts_; }

  // Counts the sequence types[0..n) met in text file_number at byte.
  void AddNGram(const uint32_t* types, int32_t n, int32_t file_number, int32_t byte);
  // Collects the sequences at least as frequent as the minimum into identical_neighbour_Rec_lists
  // (in sequence order) and the highest frequency into most_frequent_cluster.
  void Collect();

  TVXStatsList* stats;
  std::vector<const TNeighbourRec*> identical_neighbour_Rec_lists;
  int32_t most_frequent_cluster = 0;
  int32_t current_filenumber = 0;
  int32_t current_byte_pos = 0;

 private:
  // A sequence of up to kInline types is kept in its count; a longer one in pool_ from `at`.
  static constexpr int32_t kInline = 5;
  struct TCount {
    uint64_t hash;
    int32_t length;
    int32_t frequency;
    int32_t texts;
    int32_t last_text;
    uint32_t at;
    uint32_t types[kInline];
  };
  const uint32_t* TypesOf(const TCount& c) const { return c.length <= kInline ? c.types : pool_.data() + c.at; }
  struct TPlace {
    int32_t count, text, byte;
  };
  void Grow();
  std::vector<TCount> counts_;
  std::vector<uint32_t> pool_;
  std::vector<int32_t> slots_;  // index into counts_, or -1
  std::vector<TPlace> places_;  // when positions are kept, in the order met
  std::vector<TNeighbourRec> collected_;
  int32_t min_frequency_;
  int32_t min_texts_;
  bool keep_positions_;
};

// Whether a word whose marker is `marker` ends a cluster or a relationship span after it: the
// end of a text always; by the stop-at setting, 1 from punctuation on, 2 from a sentence end
// on, 3-5 from a paragraph, heading or section end on, any other value nothing more. The
// markers are thresholds, so a larger unit's end (a paragraph end not marked as a sentence's
// too) ends a smaller unit as well.
bool ClusterBreaksAfter(uint32_t marker, uint8_t stop_at);
