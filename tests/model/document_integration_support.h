// A tool document as the tools build theirs: it owns a word list (word + frequency), the per-text
// statistics, the notes and the chosen texts, and writes its body after the header and the
// extra-stuff block: notes, text settings, word list, statistics, chosen texts.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/reading/chosen_texts_handover.h"
#include "model/reading/text_statistics.h"
#include "model/documents/work_base.h"
#include "model/documents/work_derived.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"

// A word and its frequency, kept the way the document holds text: UTF-16, or the bytes of an
// 8-bit document until the document goes over to UTF-16.
class TDocWordEntry : public TVXBaseListObject {
 public:
  explicit TDocWordEntry(TVXBaseDataClass* list) : TVXBaseListObject(list, nullptr) { ++live; }
  TDocWordEntry(TVXBaseDataClass* list, UStringView w, int32_t f) : TVXBaseListObject(list, nullptr), word(w), freq(f) {
    ++live;
  }
  // An entry of an 8-bit document: its bytes as read.
  TDocWordEntry(TVXBaseDataClass* list, std::string bytes, int32_t f)
      : TVXBaseListObject(list, nullptr), ansi(std::move(bytes)), eight_bit(true), freq(f) {
    ++live;
  }
  ~TDocWordEntry() override { --live; }

  UString MainWordOnly() const override { return eight_bit ? DecodeCodePage(Bytes(), ansi.size(), 1252) : word; }
  int32_t MainWordFrequency() const override { return freq; }
  void ConvertEntryToUnicode(int code_page) override {
    if (!eight_bit) return;
    word = DecodeCodePage(Bytes(), ansi.size(), code_page);
    ansi.clear();
    eight_bit = false;
  }
  // The text goes in the form the entry's document says; an entry in the other form has not
  // been converted with its document and is refused.
  bool SaveToStream(TStream& s) override {
    const bool unicode = Holder() ? Holder()->Unicode() : true;
    if (unicode == eight_bit) return false;
    const bool text_ok = unicode ? WriteAString(s, word) : WriteAnsiString(s, ansi);
    return text_ok && WriteI32(s, freq);
  }
  bool ReadFromStream(TStream& s) override {
    const bool unicode = Holder() ? Holder()->Unicode() : true;
    eight_bit = !unicode;
    const bool text_ok = unicode ? ReadAString(s, word) : ReadAnsiString(s, ansi);
    return text_ok && ReadI32(s, freq);
  }

  UString word;
  std::string ansi;
  bool eight_bit = false;
  int32_t freq = 0;
  static inline int live = 0;  // entries alive, to see that nothing leaks

 private:
  const uint8_t* Bytes() const { return reinterpret_cast<const uint8_t*>(ansi.data()); }
};

class TDocWordList : public TVXBaseLemmaMatchCapableList {
 public:
  explicit TDocWordList(TVXBaseHolder* holder) : TVXBaseLemmaMatchCapableList(holder, &Make, 6, kListWordList, 0) {}
  static TVXBaseListObject* Make(TVXBaseDataClass& list) { return new TDocWordEntry(&list); }

  int AddWord(UStringView w, int32_t f) { return Add(new TDocWordEntry(this, w, f)); }
  int AddBytes(std::string bytes, int32_t f) { return Add(new TDocWordEntry(this, std::move(bytes), f)); }
  TDocWordEntry* At(int i) const { return static_cast<TDocWordEntry*>(Get(i)); }
};

inline TPoint IntegrationCentre() { return TPoint{300, 200}; }

class TIntegrationDocument : public TTessorineholder {
 public:
  explicit TIntegrationDocument(uint8_t tool = kToolConcordancer)
      : TTessorineholder(
            GetTextSettings(), &IntegrationCentre, [this](int32_t n) { announced.push_back(n); },
            [this](const TChosenFileDetailsFullRec& d) { failed.push_back(d.rec.filename); }, false, false, nullptr,
            nullptr),
        words(this),
        stats(this),
        chosen(false, tool) {
    ListKind = kListConcordance;
    RegisterOwnedLists();
  }

  void RegisterOwnedLists() override {
    TTessorineholder::RegisterOwnedLists();
    Lists().Add(&words, CentreOfMainForm());
    Lists().Add(&stats, CentreOfMainForm());
    SetAllGridHeadings();
  }

  void ListKindsWithData(TListKindSet& kinds) override {
    kinds.reset();
    if (words.ChangedEntries() > 0) kinds.set(words.ListType());
    if (stats.ChangedEntries() > 0) kinds.set(stats.ListType());
  }

  bool SaveToStream(TStream& s) override {
    try {
      SetTessorineHolderMainListCount(words.Count());
      if (!TTessorineholder::SaveToStream(s)) return false;
      return fNotes.SaveToStream(s) && SavedTextSettings(s) && words.SaveToStream(s) && stats.SaveToStream(s) &&
             chosen.SaveToStream(s);
    } catch (...) {
      return false;
    }
  }

  bool ReadWholeFromStream(TStream& s) override {
    bool ok = false;
    try {
      ok = TTessorineholder::ReadWholeFromStream(s);
      if (ok && ListKind != kListConcordance) return false;
      ok = ok && fNotes.ReadFromStream(s) && ReadTextSettings(s);
      if (ok) SetVXBaseListsLCIDToTextSettingsLCID();
      ok = ok && words.ReadFromStream(s);
      // A main list stored without some of its data fields makes an incomplete read.
      if (ok) ReadComplete = words.StoredListInfo().info.some_data_fields_missing == 0;
      ok = ok && stats.ReadFromStream(s) && chosen.ReadFromStream(s);
    } catch (...) {
      ok = false;
    }
    SetLastMainToolFile(ok);
    return ok;
  }

  // Both documents' text goes over to UTF-16 when either holds it, the lists merge, the chosen
  // texts of both are kept, then the notes.
  bool MergeWith(TTessorineholder& other_doc, UStringView caption) override {
    auto* other = dynamic_cast<TIntegrationDocument*>(&other_doc);
    if (!other || other == this) return false;
    if (Unicode() != other->Unicode()) {
      SetUnicode(true);
      other->SetUnicode(true);
    }
    const int32_t basis = stats.Overall_stats.data.ratio_basis;
    const int32_t other_basis = other->stats.Overall_stats.data.ratio_basis;
    if (!words.MergeWith(&other->words)) return false;
    if (!stats.MergeWith(other->stats, words.Count(), static_cast<uint16_t>(other_basis), static_cast<uint16_t>(basis)))
      return false;
    for (int32_t i = 0; i < other->chosen.FileCount(); ++i) {
      TChosenFile_BaseRec d = other->chosen.fFiles.Item(i)->data;
      d.folder_num = -1;
      d.jumps = std::make_shared<TJumpList>(d.jumps ? *d.jumps : TJumpList{});
      chosen.AddIfNotInAlready(d, other->chosen.FolderName(i));
    }
    return TTessorineholder::MergeWith(other_doc, caption);
  }

  TDocWordList words;
  TVXStatsList stats;
  TVXFileDetails chosen;
  std::vector<int32_t> announced;  // what the entries-read event said
  std::vector<UString> failed;     // texts the failed-read event named
};
