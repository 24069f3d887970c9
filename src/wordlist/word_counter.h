// Counting word forms: an open-addressing hash table keyed by a word's UTF-16 units and the tag
// text it came under (empty unless tags are counted), one per text being read and one for the
// whole run.
//
// Protocol
//   per text     a fresh counter: Add for each counted word (frequency, the text's dispersion
//                bin); every key of a text's counter is "in one text";
//   per run      MergeText(text counter) in text order: frequencies and bins add up, the number
//                of texts grows by one per text that holds the key;
//   at the end   Keys() lists every distinct key once, in order of the units (word, then tag),
//                whatever order the texts were merged in.
// Keys and their counts live in arenas: a repeat allocates nothing, a new key appends its units
// and its bins. The table doubles when it is half full, so a probe stays short; merging a text
// into an empty counter makes room for all its keys at once.
// Counts are 32-bit and saturate at INT32_MAX rather than wrap.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

class TWordCounter {
 public:
  // divisions: dispersion bins per key (0: none kept).
  explicit TWordCounter(int32_t divisions = 0);

  // One occurrence of (word, tag) in bin `division` (outside 0..divisions-1: in no bin); answers
  // the key's index (keys are numbered in the order they first came).
  int32_t Add(UStringView word, UStringView tag, int32_t division);
  // The index of (word, tag); with adding, a new key (zero counts) is made when absent, else -1.
  int32_t Find(UStringView word, UStringView tag, bool adding);
  // One more occurrence of key i in bin `division`.
  void AddAt(int32_t i, int32_t division) { AddCount(i, division, 1); }
  // n (>= 0) more occurrences of key i in bin `division`.
  void AddCount(int32_t i, int32_t division, int32_t n);
  // Adds a whole text's counts: each of its keys counts in one more text. With `parts` above 1,
  // only the keys of part `part` (of `parts`, a power of two, chosen by the hash) are added.
  void MergeText(const TWordCounter& text, uint32_t part = 0, uint32_t parts = 1);
  // The same for every part at once: key by key, each into parts[PartOf(its hash, count)].
  static void MergeTextIntoParts(const TWordCounter& text, TWordCounter* parts, uint32_t count);
  // Makes these counts a run's whose only text they are: each key in one text, as MergeText into
  // an empty counter would make it, and no caller's marks.
  void TakeAsOnlyText();
  // The part (of `parts`, a power of two) that a key of this hash belongs to.
  static uint32_t PartOf(uint64_t hash, uint32_t parts) { return parts <= 1 ? 0 : static_cast<uint32_t>(hash >> 58) & (parts - 1); }
  void Clear();
  // Room for `keys` keys of `units` units in all, made at once.
  void Reserve(size_t keys, size_t units);

  int32_t Types() const { return static_cast<int32_t>(entries_.size()); }
  int32_t Divisions() const { return divisions_; }

  struct TKeyView {
    UStringView word;
    UStringView tag;
    int32_t frequency;
    int32_t texts;
    const int32_t* bins;  // Divisions() counts
  };
  TKeyView Key(int32_t i) const;
  // A number the caller keeps with key i (0 for a new key); counting keeps no meaning in it.
  int32_t& Mark(int32_t i) { return entries_[static_cast<size_t>(i)].mark; }
  // The word of key i (0 <= i < Types()).
  UStringView WordOf(int32_t i) const {
    const TEntry& e = entries_[static_cast<size_t>(i)];
    return UStringView(units_.data() + e.at, e.word_length);
  }
  // Every key index, ordered by word then tag (UTF-16 unit order).
  std::vector<int32_t> Keys() const;
  // The index of (word, tag), or -1.
  int32_t Find(UStringView word, UStringView tag) const;
  // The hash a key is filed under (also the corpus index's, for the same keys), and key i's.
  static uint64_t HashOf(UStringView word, UStringView tag);
  uint64_t HashOfKey(int32_t i) const { return entries_[static_cast<size_t>(i)].hash; }

 private:
  // Up to this many bins live in the entry itself, so that a count touches one cache line.
  static constexpr int32_t kInlineBins = 8;
  struct TEntry {
    uint64_t hash;
    uint32_t at;  // first unit in the arena
    uint32_t word_length;
    uint32_t tag_length;
    int32_t frequency;
    int32_t texts;
    int32_t mark;
    int32_t bins[kInlineBins];  // with more divisions, the bins are in bins_
  };
  int32_t* BinsOf(size_t i) {
    return divisions_ <= kInlineBins ? entries_[i].bins : bins_.data() + i * static_cast<size_t>(divisions_);
  }
  const int32_t* BinsOf(size_t i) const {
    return divisions_ <= kInlineBins ? entries_[i].bins : bins_.data() + i * static_cast<size_t>(divisions_);
  }
  // Adds key k of a text's counter (MergeText).
  void MergeKey(const TWordCounter& text, size_t k);
  // The entry for the key, made (with zero counts) when new.
  int32_t Slot(UStringView word, UStringView tag, uint64_t hash);
  // The table at `size` cells (a power of two, more than twice the keys).
  void Grow(size_t size);
  // Before `keys` keys of the text are merged in.
  void ReserveForText(const TWordCounter& text, size_t keys);

  int32_t divisions_;
  std::vector<TEntry> entries_;
  std::vector<char16_t> units_;
  std::vector<int32_t> bins_;  // only with more than kInlineBins divisions
  // A cell keeps the high half of its key's hash, so that most probes never touch the entries;
  // the low bits of that half are the key's home, so the cells alone re-file themselves.
  struct TCell {
    uint32_t check = 0;
    int32_t entry = 0;  // entry + 1; 0 empty
  };
  std::vector<TCell> table_;
  uint64_t mask_ = 0;
};
