// The word types of a corpus index by number: each type's word (with the tag it came under when
// tags are counted with words) and a hash table from the word to its number. A build gives the
// numbers in the order the words first come; reading an index puts them back in number order
// (AddStoredBytes) and makes the hash table only when words are looked up more than a few times:
// an index opened for one look-up compares the word with each type instead. Words are compared
// exactly, unit for unit: a type is the word list's counted form; a word stored twice (a damaged
// file) is found at its first number.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

class TIndexTypeTable {
 public:
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  // The number of (tag, word); -1 when it is not a type.
  int32_t Find(UStringView tag, UStringView word) const;
  // The number of (tag, word), given the next number when it is new.
  int32_t FindOrAdd(UStringView tag, UStringView word);
  // Appends the next type from `units` UTF-16LE units anywhere in memory (a file's bytes, not
  // aligned), without looking for it first.
  void AddStoredBytes(const void* units_le, size_t units, int32_t tag_units);
  // The type's text (tag and word) and how many of its units are the tag.
  UStringView Text(int32_t n) const {
    const TEntry& e = entries_[static_cast<size_t>(n)];
    return UStringView(units_.data() + e.at, e.tag_units + e.word_units);
  }
  int32_t TagUnits(int32_t n) const { return static_cast<int32_t>(entries_[static_cast<size_t>(n)].tag_units); }
  UStringView Word(int32_t n) const { return Text(n).substr(static_cast<size_t>(TagUnits(n))); }
  // Forgets the types from n on.
  void Truncate(int32_t n);
  void Clear();
  void Reserve(size_t types, size_t units);

 private:
  struct TEntry {
    uint64_t hash;
    uint64_t at;
    uint32_t tag_units;
    uint32_t word_units;
  };
  int32_t Lookup(UStringView tag, UStringView word, uint64_t hash, size_t& slot) const;
  void Grow();
  void Rehash();
  // Makes the hash table of types appended unhashed.
  void Index() const;

  // The hash table and the entries' hashes are made when first needed (mutable for that).
  mutable std::vector<TEntry> entries_;
  std::vector<char16_t> units_;
  mutable std::vector<int32_t> table_;  // entry + 1; 0 empty
  mutable uint64_t mask_ = 0;
  mutable bool indexed_ = true;
  mutable int32_t scans_ = 0;
};
