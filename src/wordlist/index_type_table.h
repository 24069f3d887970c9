// The word types of a corpus index by number: each type's word (with the tag it came under when
// tags are counted with words) and a hash table from the word to its number. A build gives the
// numbers in the order the words first come; reading an index puts them back in number order
// (AddStoredBytes) and makes the hash table only when words are looked up more than a few times:
// an index opened for one look-up compares the word with each type instead. Words are compared
// exactly, unit for unit: a type is the word list's counted form; a word stored twice (a damaged
// file) is found at its first number.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/ustring.h"
#include "wordlist/wordlist_indexer_streams.h"

class TStream;

class TIndexTypeTable {
 public:
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  // The number of (tag, word); -1 when it is not a type.
  int32_t Find(UStringView tag, UStringView word) const;
  // The number of (tag, word), given the next number when it is new (hash: TWordCounter's).
  int32_t FindOrAdd(UStringView tag, UStringView word);
  int32_t FindOrAdd(UStringView tag, UStringView word, uint64_t hash);
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
  // A cell keeps the high half of its entry's hash, so that most probes never touch the entries.
  struct TCell {
    uint32_t check = 0;
    int32_t entry = 0;  // entry + 1; 0 empty
  };
  mutable std::vector<TCell> table_;
  mutable uint64_t mask_ = 0;
  mutable bool indexed_ = true;
  mutable int32_t scans_ = 0;
};

// The types of an opened index in a read-only mapping of its ".types" file, checked whole (by
// TTypeFileStream::ReadAllData). The records are copied out once, so that a field of one may be
// bound to a reference (in the file they lie at any offset); the words stay in the mapping and are
// compared as bytes there, copied out (Text) when a caller needs them.
class TIndexTypeView {
 public:
  TIndexTypeView() = default;
  ~TIndexTypeView();
  TIndexTypeView(const TIndexTypeView&) = delete;
  TIndexTypeView& operator=(const TIndexTypeView&) = delete;

  // Takes a mapping of a ".types" file with `types` records; units[i] is type i's word length,
  // words_at[i] where its units start in the file, records[i] its record.
  void Adopt(void* mapping, size_t bytes, int32_t types, std::vector<uint32_t> units, std::vector<int64_t> words_at,
             std::vector<TIndexTypeFileRec> records);
  void Clear();
  int32_t Count() const { return types_; }
  const TIndexTypeFileRec& Record(int32_t i) const { return records_[static_cast<size_t>(i)]; }
  UString Text(int32_t i) const;
  int32_t TagUnits(int32_t i) const { return Record(i).tag_units; }
  int32_t Frequency(int32_t i) const { return Record(i).freq; }
  // The lowest frequency of at least `at_least` (0x7FFFFFFF when none).
  int32_t LeastFrequency(int32_t at_least = 1) const;
  // The number of (tag, word); -1 when it is not a type. The first few look-ups compare with
  // each type of the same length, later ones go through a hash table made then.
  int32_t Find(UStringView tag, UStringView word) const;
  // The types as a build takes them over (adding texts to the index).
  void CopyTo(TIndexTypeTable& table, std::vector<TIndexTypeFileRec>& recs) const;

 private:
  void* mapping_ = nullptr;
  size_t bytes_ = 0;
  const uint8_t* file_ = nullptr;
  int32_t types_ = 0;
  std::vector<uint32_t> units_;
  std::vector<int64_t> words_at_;
  std::vector<TIndexTypeFileRec> records_;
  mutable std::vector<int32_t> table_;  // type + 1; 0 empty
  mutable std::vector<uint64_t> hashes_;
  mutable uint64_t mask_ = 0;
  mutable int32_t scans_ = 0;
};

// The types of an index in the order of their words (the language's collation, case as the list
// was counted; equal keys by code units), for look-up by text and for display.
// Stream: int32 count; uint8 the list's byte (0); count x 40 bytes, each type's stored record (36
// bytes) and 4 bytes that held the word's place in memory (written 0). The words are not in the
// stream: a list read back gets them again by type number (SetWords) before Find is used.
class TIndexTypeList {
 public:
  void Clear();
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  const TIndexTypeRec& Item(int32_t i) const { return items_[static_cast<size_t>(i)]; }
  // The types given, sorted by their words for (lcid, case_sensitive).
  void Build(std::vector<TIndexTypeRec> types, uint32_t lcid, bool case_sensitive);
  // The place of a word (exactly that text) in the order; -1 when it is not one of the types.
  int32_t Find(UStringView word) const;
  // The words again after a read, by type number (empty for a number that has none); the order
  // is made again too, as the words may sort otherwise than when the list was saved.
  void SetWords(const std::function<UString(uint32_t)>& word_of_type, uint32_t lcid, bool case_sensitive);
  // False when a record was cut short; the records read before it are kept.
  bool ReadFromStream(TStream& s);
  bool SaveToStream(TStream& s) const;

  uint8_t list_byte = 0;

 private:
  void Sort();
  std::vector<TIndexTypeRec> items_;
  std::vector<std::string> keys_;
  uint32_t lcid_ = 0x0409;
  bool case_sensitive_ = false;
};
