// A small concrete list for the list tests: word + frequency entries.
#pragma once

#include <string>
#include <vector>

#include "model/documents/work_base.h"
#include "platform/rtl/streams.h"

class TTestWordEntry : public TVXBaseListObject {
 public:
  explicit TTestWordEntry(TVXBaseDataClass* list, UString w = UString(), int32_t f = 0)
      : TVXBaseListObject(list, nullptr), word(std::move(w)), freq(f) {
    ++live;
  }
  ~TTestWordEntry() override { --live; }

  UString MainWordOnly() const override { return word; }
  int32_t MainWordFrequency() const override { return freq; }
  UString GetAWordAsString(int column) const override {
    if (column == 1) return word;
    if (column == 2) return IntToUStr(freq);
    return UString();
  }
  void SetAWordAsString(int column, UStringView text) override {
    if (column == 1) word = UString(text);
  }
  bool ReadFromStream(TStream& s) override { return ReadAString(s, word) && ReadI32(s, freq); }
  bool SaveToStream(TStream& s) override { return WriteAString(s, word) && WriteI32(s, freq); }

  UString word;
  int32_t freq;
  static inline int live = 0;  // entries alive, to see that nothing leaks
};

class TTestWordList : public TVXBaseLemmaMatchCapableList {
 public:
  explicit TTestWordList(TVXBaseHolder* holder = nullptr, TTessorineList list_type = 7)
      : TVXBaseLemmaMatchCapableList(holder, &Make, 6, list_type, 0) {}

  static TVXBaseListObject* Make(TVXBaseDataClass& list) { return new TTestWordEntry(&list); }

  int AddWord(UStringView w, int32_t f = 1) { return Add(new TTestWordEntry(this, UString(w), f)); }
  void Fill(std::initializer_list<std::pair<const char16_t*, int>> items) {
    for (const auto& [w, f] : items) AddWord(w, f);
  }
  TTestWordEntry* At(int i) const { return static_cast<TTestWordEntry*>(Get(i)); }
  UString WordAt(int i) const { return At(i) ? At(i)->word : UString(u"<nil>"); }
  std::vector<UString> Words() const {
    std::vector<UString> out;
    for (int i = 0; i < Count(); ++i) out.push_back(WordAt(i));
    return out;
  }
  // The entries with their marks: "-" deleted, "+" matched, ">" has forms joined, "<" joined to a head.
  std::string Shown() const {
    std::string out;
    for (int i = 0; i < Count(); ++i) {
      out += (i ? " " : "") + Utf16ToUtf8(WordAt(i));
      if (!At(i)) continue;
      out += std::string(GetDeleted(i) ? "-" : "") + (GetMatched(i) ? "+" : "") + (GetHasJoined(i) ? ">" : "") +
             (GetJoinedElsewhere(i) ? "<" : "");
    }
    return out;
  }
};
