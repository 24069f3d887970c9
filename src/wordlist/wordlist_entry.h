// One row of a word list: a word form (or cluster) with its frequency, the number of texts it
// occurs in, its dispersion over the text sections and an optional prefix and suffix (the tag
// text when words are counted per tag).
//
// Stream record, by the owning list's version (set before its rows are read):
//   below 11   int32 n_texts, int32 frequency; word                 (dispersion 0, no affixes)
//   11 to 21   int32 n_texts, int32 frequency; word, prefix, suffix (dispersion 0)
//   22 on      int32 n_texts, int32 frequency, float32 dispersion; word, prefix, suffix
// Each string: int32 count of characters, then the characters, UTF-16LE in a Unicode document,
// else one byte each in the document's code page. A count of -1 (an absent string in old files)
// reads as empty; rows always write a count of 0 or more.
// Rows are always written in the current (12-byte) form. A row's category (column 8) travels in
// the private record the list writes after the row (result_list_base.h).
#pragma once

#include <cstdint>

#include "model/lists/result_list_base.h"

class TStream;

// Column codes a row answers for.
enum : int {
  kWLColWord = 1,
  kWLColFrequency = 2,
  kWLColTexts = 4,
  kWLColCategory = 8,
};

struct TWordlistData {
  int32_t n_texts = 0;
  int32_t frequency = 0;
  float dispersion = 0.0f;
  UString word;
  UString prefix;
  UString suffix;
};

class TWordlistEntry : public TVXBaseListObject {
 public:
  explicit TWordlistEntry(TVXBaseDataClass* list, TWordlistData d = TWordlistData());

  void ZeroTheDataRec() override { data = TWordlistData(); }
  float GetAValueAsSingle(int column) const override;
  float GetDispersion() const override { return data.dispersion; }
  UString MainWordOnly() const override { return data.word; }
  UString MainWordPrefix() const override { return data.prefix; }
  UString MainWordSuffix() const override { return data.suffix; }
  // Column 1 the word, 2 the frequency, 4 the number of texts, in decimal, 8 the category.
  UString GetAWordAsString(int column) const override;
  // Column 1: prefix, word and suffix together.
  UString GetAWordPlusAffixesAsString(int column) const override;
  // Marks the owning list edited whatever the column; 2 and 4 take decimal text (text that does
  // not parse leaves the value as it was).
  void SetAWordAsString(int column, UStringView text) override;
  UString GetAPrefixAsString(int column) const override { return column == 1 ? data.prefix : UString(); }
  void SetAPrefixAsString(int column, UStringView text) override;
  UString GetASuffixAsString(int column) const override { return column == 1 ? data.suffix : UString(); }
  void SetASuffixAsString(int column, UStringView text) override;
  // True only when the whole record and every string were read (or written).
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
  const void* MainWordAsPointer() const override { return &data.word; }
  int32_t MainNTexts() const override { return data.n_texts; }
  int32_t MainWordFrequency() const override { return data.frequency; }
  int32_t MainWordLength() const override;
  TJoinedWordDatum JoinedWordDatum() const override;

  UString WordPlusAffixes() const { return data.prefix + data.word + data.suffix; }
  // Words in the word (clusters hold several, separated by spaces).
  int32_t WordsInEntry() const;

  TWordlistData data;

 private:
  bool WriteText(TStream& s, const UString& text) const;
  bool ReadText(TStream& s, UString& text) const;
};

// Words in a text separated by blanks.
int32_t WordsInCluster(UStringView text);
