// Word pairs within a span over a corpus index's running words: how often each word type (word
// 2) occurs near a base word (word 1), in how many texts and at which distance most often, and
// the relationship rows made from those counts (relationships_list.h).
//
// Per base word, each occurrence p is looked at in turn (its places in text order):
//   - to the right, the words p + 1 .. p + span, stopping before p + d when the word before it
//     (p + d - 1; for d = 1 the base word itself) ends a unit the stop test passes, and at the last
//     running word;
//   - with left and right, the words p - 1 .. p - span, nearest first, stopping at a word that
//     ends a unit the stop test passes (the unit end lies between it and the base word), and at
//     the first running word.
// The stop test is the clusters' (ClusterBreaksAfter): the end of a text always, then as the
// stop-at setting says. Both sides count at the
// distance d (1 .. span). Counting uses a counter indexed by type number whose touched slots are
// reset after each base word, so a base word costs its occurrences times the span, whatever
// the number of types.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "platform/runtime/vx_maths.h"
#include "platform/settings/settings_records.h"
#include "wordlist/index_clusters.h"
#include "wordlist/relationships_list.h"

inline constexpr uint32_t kPairTypeMask = 0x0FFFFFFF;

// What the counting of one base word needs of the settings.
struct TPairCountSettings {
  int32_t span = 5;
  bool left_and_right = true;
  bool omit_same_word = false;
  int64_t hash_type = -1;  // the "#" type, never word 2 (-1: none)
  uint8_t stop_at = 0;
  int32_t min_joint = 1;
  static TPairCountSettings From(const TRelationshipSettingsRec& r, int64_t hash_type);
};

// One word 2 of a base word, as counted.
struct TCollocateCount {
  uint32_t type = 0;
  int32_t texts = 0;  // texts the pair occurs in
  int32_t joint = 0;  // occurrences within the span
  int32_t gap = 0;    // the distance met most often (the nearest of equals)
};

// The counter one worker keeps from base word to base word.
class TCollocateCounter {
 public:
  // Makes room for type numbers below types and distances up to span.
  void Prepare(int64_t types, int32_t span);
  // Type numbers from here on are not counted (not types of the index).
  uint32_t TypeLimit() const { return static_cast<uint32_t>(slot_of_.size()); }
  // One occurrence of `type` (below TypeLimit()) at distance d (1 .. span) in text `text`.
  void Add(uint32_t type, int32_t d, int32_t text) {
    int32_t& slot = slot_of_[type];
    if (slot < 0) {
      slot = static_cast<int32_t>(touched_.size());
      touched_.push_back({type, 1, text});
      counts_.resize(counts_.size() + width_, 0);
    } else if (touched_[static_cast<size_t>(slot)].last_text != text) {
      ++touched_[static_cast<size_t>(slot)].texts;
      touched_[static_cast<size_t>(slot)].last_text = text;
    }
    ++counts_[static_cast<size_t>(slot) * width_ + static_cast<size_t>(d)];
  }
  // The pairs at least min_joint often, in type-number order; the counter is empty afterwards.
  void Collect(int32_t min_joint, std::vector<TCollocateCount>& out);

 private:
  struct TTouched {
    uint32_t type;
    int32_t texts;
    int32_t last_text;
  };
  std::vector<int32_t> slot_of_;  // by type: the slot, or -1
  std::vector<TTouched> touched_;
  std::vector<int32_t> counts_;   // per slot, per distance 0 .. span
  size_t width_ = 1;
};

// Counts the words within the span of every place of the base word. Rec is a running word's
// record: word_type_number (type and marker) and file_number (its text). places: the base word's
// places, ascending, each below n.
template <class Rec>
void CountCollocatesOfBaseWord(const Rec* recs, int64_t n, std::span<const int32_t> places, uint32_t base_type,
                               const TPairCountSettings& settings, TCollocateCounter& counter,
                               std::vector<TCollocateCount>& out) {
  const int32_t span = settings.span;
  auto add = [&](int64_t k, int32_t d) {
    const uint32_t c = recs[k].word_type_number & kPairTypeMask;
    if (settings.omit_same_word && c == base_type) return;
    if (settings.hash_type >= 0 && static_cast<int64_t>(c) == settings.hash_type) return;
    if (c >= counter.TypeLimit()) return;
    counter.Add(c, d, recs[k].file_number);
  };
  auto breaks_after = [&](int64_t k) { return ClusterBreaksAfter(recs[k].word_type_number >> 28, settings.stop_at); };
  // The places lie far apart: the records around a place a few places on are asked for early,
  // so that they are at hand when their turn comes.
  constexpr size_t kAhead = 8;
  for (size_t i = 0; i < places.size(); ++i) {
    if (i + kAhead < places.size()) {
      const int64_t q = places[i + kAhead];
      if (q >= 0 && q < n) {
        const Rec* from = recs + std::max<int64_t>(0, q - span);
        const Rec* to = recs + std::min<int64_t>(n - 1, q + span);
        for (const char* c = reinterpret_cast<const char*>(from); c <= reinterpret_cast<const char*>(to); c += 64)
          __builtin_prefetch(c);
        __builtin_prefetch(to);
      }
    }
    const int32_t p = places[i];
    if (p < 0 || p >= n) continue;
    if (settings.left_and_right)
      for (int32_t d = 1; d <= span && p - d >= 0; ++d) {
        if (breaks_after(p - d)) break;
        add(p - d, d);
      }
    for (int32_t d = 1; d <= span && p + d < n; ++d) {
      if (breaks_after(p + d - 1)) break;
      add(p + d, d);
    }
  }
  counter.Collect(settings.min_joint, out);
}

// What the rows of one base word need to know of the index.
struct TPairRowContext {
  const TRelationshipSettingsRec* settings = nullptr;
  double running_words = 0;  // of the index
  // The frequency and word of a type; false when the type is not known (the pair is dropped).
  std::function<bool(uint32_t type, int32_t& freq, UString& word)> type_of;
  // Whether a word (of that type) is in the stop list (nullptr: no stop list loaded). Called on
  // the worker that makes the rows.
  std::function<bool(uint32_t type, const UString& word)> in_stop_list;
  // The "#" type when numbers are left out of word 2 (-1: none): a pair of "#" as base word is
  // then listed one way only, since its mirror would make "#" word 2.
  int64_t hash_type = -1;
};

// A relationship row ready for the list.
struct TPairRow {
  TMutualInfoRec rec{};
  UString word1;
  UString word2;
};

// The rows of one base word's counted pairs: pairs below the least texts or word-2 frequency are
// dropped, the stop list applied as its option says (drops counted in stop_list_drops), the
// eleven measures computed (span pair (span, span) with left and right, (0, span) to the right
// only) and the thresholds tested (all or any). With both ways each row is followed by its
// mirror, whose measures are computed with the words the other way round.
void MakePairRows(uint32_t base_type, int32_t base_freq, const UString& base_word,
                  const std::vector<TCollocateCount>& pairs, const TPairRowContext& context, std::vector<TPairRow>& out,
                  int32_t& stop_list_drops);
