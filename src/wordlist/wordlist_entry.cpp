#include "wordlist/wordlist_entry.h"

#include <string>

#include "platform/rtl/streams.h"
#include "platform/text/text_services.h"
#include "wordlist/row_texts.h"
#include "wordlist/word_list.h"

namespace {

TVXWordList* OwningWordList(TVXBaseDataClass* list) { return dynamic_cast<TVXWordList*>(list); }

void MarkEdited(TVXBaseDataClass* list) {
  if (TVXWordList* wl = OwningWordList(list)) wl->fState |= kStateEntriesEdited;
  if (list) list->NoteChange();
}

}  // namespace

int32_t WordsInCluster(UStringView text) {
  int32_t n = 0;
  bool in_word = false;
  for (char16_t c : text) {
    const bool blank = c == u' ' || c == u'\t';
    if (!blank && !in_word) ++n;
    in_word = !blank;
  }
  return n;
}

TWordlistEntry::TWordlistEntry(TVXBaseDataClass* list, TWordlistData d)
    : TVXBaseListObject(list, list ? list->Holder() : nullptr), data(std::move(d)) {}


float TWordlistEntry::GetAValueAsSingle(int column) const {
  TVXBaseDataClass* list = List();
  if (!list) return kMissingValue;
  int row = -1;
  for (int i = 0; i < list->Count(); ++i)
    if (list->Get(i) == this) row = i;
  if (row < 0) return kMissingValue;
  TNumberDisplayAndSinglesRec r;
  list->NumericalData(column, row, r);
  return r.value;
}

UString TWordlistEntry::GetAWordAsString(int column) const {
  switch (column) {
    case kWLColWord: return data.word;
    case kWLColFrequency: return IntToUStr(data.frequency);
    case kWLColTexts: return IntToUStr(data.n_texts);
    case kWLColCategory: return GetCategory();
    default: return TVXBaseListObject::GetAWordAsString(column);
  }
}

UString TWordlistEntry::GetAWordPlusAffixesAsString(int column) const {
  return column == kWLColWord ? WordPlusAffixes() : GetAWordAsString(column);
}

void TWordlistEntry::SetAWordAsString(int column, UStringView text) {
  MarkEdited(List());
  switch (column) {
    case kWLColWord: data.word = UString(text); break;
    case kWLColFrequency: ParseRowInt(text, data.frequency); break;
    case kWLColTexts: ParseRowInt(text, data.n_texts); break;
    case kWLColCategory: SetCategoryString(text); break;
    default: break;
  }
}

void TWordlistEntry::SetAPrefixAsString(int, UStringView text) {
  MarkEdited(List());
  data.prefix = UString(text);
}

void TWordlistEntry::SetASuffixAsString(int, UStringView text) {
  MarkEdited(List());
  data.suffix = UString(text);
}

int32_t TWordlistEntry::MainWordLength() const { return static_cast<int32_t>(WordPlusAffixes().size()); }

int32_t TWordlistEntry::WordsInEntry() const { return WordsInCluster(data.word); }

TJoinedWordDatum TWordlistEntry::JoinedWordDatum() const {
  TJoinedWordDatum d;
  d.frequency = data.frequency;
  d.n_texts = data.n_texts;
  d.word = data.word;
  d.prefix = data.prefix;
  d.suffix = data.suffix;
  return d;
}

bool TWordlistEntry::WriteText(TStream& s, const UString& text) const { return WriteRowText(s, Holder(), text); }

bool TWordlistEntry::ReadText(TStream& s, UString& text) const { return ReadRowText(s, Holder(), text); }

bool TWordlistEntry::SaveToStream(TStream& s) {
  return WriteI32(s, data.n_texts) && WriteI32(s, data.frequency) && WriteF32(s, data.dispersion) &&
         WriteText(s, data.word) && WriteText(s, data.prefix) && WriteText(s, data.suffix);
}

bool TWordlistEntry::ReadFromStream(TStream& s) {
  data = TWordlistData();
  TVXBaseDataClass* list = List();
  const int32_t version = list ? list->GetVersionNumber() : kWordListVersion;
  if (!ReadI32(s, data.n_texts) || !ReadI32(s, data.frequency)) return false;
  if (version >= 22 && !ReadF32(s, data.dispersion)) return false;
  if (list) {
    if (data.dispersion != 0.0f) list->StoredListInfo().SetHasDispersionData(list->ListType() == kListWordlist);
    list->WidenFrequencyRange(data.frequency);
  }
  if (!ReadText(s, data.word)) return false;
  if (version < 11) return true;
  return ReadText(s, data.prefix) && ReadText(s, data.suffix);
}
