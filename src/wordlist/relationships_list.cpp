#include "wordlist/relationships_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "model/lists/entry_values.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/text/text_services.h"

namespace {

UString FloatText(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return Utf8ToUtf16(buf);
}

// The grid column of each measure (in the measures' stored order).
constexpr int kStatColumn[kRelationshipStatsCount] = {13, 8, 10, 9, 11, 12, 14, 15, 16, 17, 18};

// A zero-terminated text in the holder's width: UTF-16 units, or bytes of its code page.
bool WritePcharText(TStream& s, const TVXBaseHolder* holder, const UString& text) {
  if (!holder || holder->Unicode()) return StreamWritePchar(s, text);
  std::string bytes = EncodeCodePage(text, holder->CodePage());
  bytes.erase(std::find(bytes.begin(), bytes.end(), '\0'), bytes.end());
  bytes.push_back('\0');
  return s.WriteExact(bytes.data(), static_cast<int64_t>(bytes.size()));
}

bool ReadPcharText(TStream& s, const TVXBaseHolder* holder, UString& text) {
  constexpr int64_t kMaxUnits = 1 << 20;
  if (!holder || holder->Unicode()) return StreamReadPchar(s, text, kMaxUnits);
  std::string bytes;
  for (;;) {
    char c = 0;
    if (!s.ReadExact(&c, 1)) return false;
    if (c == '\0') break;
    if (static_cast<int64_t>(bytes.size()) >= kMaxUnits) return false;
    bytes.push_back(c);
  }
  text = DecodeCodePage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), holder->CodePage());
  return true;
}

}  // namespace

int32_t TrueColumnToMISort(int column) {
  switch (column) {
    case 0:
    case 1: return RelatSort_by_word1;
    case 2: return RelatSort_by_freq1;
    case 3: return RelatSort_by_word2;
    case 4: return RelatSort_by_freq2;
    case 5: return RelatSort_by_n_files;
    case 6: return RelatSort_by_gap;
    case 7: return RelatSort_by_joint;
    case 8: return RelatSort_by_MI_score;
    case 9: return RelatSort_by_Z_score;
    case 10: return RelatSort_by_MI3_score;
    case 11: return RelatSort_by_LogL_score;
    case 12: return RelatSort_by_T_score;
    case 13: return RelatSort_by_Dice;
    case 14: return RelatSort_by_LogRatio;
    case 15: return RelatSort_by_CondProbA;
    case 16: return RelatSort_by_CondProbB;
    case 17: return RelatSort_by_DeltaPA;
    case 18: return RelatSort_by_DEltaPB;
    case 19: return RelatSort_by_category;
    default: return RelatSort_by_word1;
  }
}

std::vector<UString> RelationshipsListHeadings() {
  std::vector<UString> h(kRelationshipColumns);
  h[0] = u"N";
  h[1] = u"Word 1";
  h[2] = u"Freq.";
  h[3] = u"Word 2";
  h[4] = u"Freq.";
  h[5] = u"Texts";
  h[6] = u"Gap";
  h[7] = VXRes(TVXRes::VXJoint);
  for (int s = 0; s < kRelationshipStatsCount; ++s) h[static_cast<size_t>(kStatColumn[s])] = RelationshipAsString(s);
  h[19] = VXRes(TVXRes::VXSet);
  return h;
}

// --- rows ----------------------------------------------------------------------------------------

TRelationshipEntry::TRelationshipEntry(TVXBaseDataClass* list)
    : TVXBaseListObject(list, list ? list->Holder() : nullptr) {}

TRelationshipEntry::TRelationshipEntry(TVXBaseDataClass* list, const TMutualInfoRec& rec, UString w1, UString w2)
    : TVXBaseListObject(list, list ? list->Holder() : nullptr), data(rec), word1(std::move(w1)), word2(std::move(w2)) {}

void TRelationshipEntry::ZeroTheDataRec() {
  data = TMutualInfoRec{};
  word1.clear();
  word2.clear();
}

float TRelationshipEntry::GetAValueAsSingle(int column) const { return ValueOfEntry(*this, column); }

UString TRelationshipEntry::GetAWordAsString(int column) const {
  if (column == 1) return word1;
  if (column == 3) return word2;
  if (column == kRelColCategory) return GetCategory();
  return UString();
}

void TRelationshipEntry::SetAWordAsString(int column, UStringView text) {
  if (column == kRelColCategory) SetCategoryString(text);
  if (column != 1 && column != 3) return;
  if (List()) List()->NoteChange();
  (column == 1 ? word1 : word2) = UString(text);
}

bool TRelationshipEntry::SaveToStream(TStream& s) {
  // Every write must succeed: a row cut short is no row.
  return s.WriteExact(&data, kMutualInfoStoredSlots) && WritePcharText(s, Holder(), word1) &&
         WritePcharText(s, Holder(), word2) && WriteI32(s, data.type1) && WriteI32(s, data.type2);
}

bool TRelationshipEntry::ReadFromStream(TStream& s) {
  ZeroTheDataRec();
  const TVXBaseDataClass* list = List();
  // Rows of older layouts are not read (their conversion is not known here).
  if (list && list->GetVersionNumber() < kRelationshipsListVersion) return false;
  return s.ReadExact(&data, kMutualInfoStoredSlots) && ReadPcharText(s, Holder(), word1) &&
         ReadPcharText(s, Holder(), word2) && ReadI32(s, data.type1) && ReadI32(s, data.type2);
}

// --- the list ------------------------------------------------------------------------------------

TRelationshipsList::TRelationshipsList(TVXBaseHolder* holder, UStringView source_index_filename,
                                       const TRelationshipSettingsRec* settings)
    : TVXBaseLemmaMatchCapableList(holder, &MakeEntry, 28, kListRelationships, 1),
      fSourceIndexFilename(source_index_filename) {
  if (settings) fSettings = *settings;
  else fSettings.Clear();
  SetHeadings(RelationshipsListHeadings());
  SetSortSettingsToDefault(true);
}

TRelationshipsList::~TRelationshipsList() = default;

TVXBaseListObject* TRelationshipsList::MakeEntry(TVXBaseDataClass& list) { return new TRelationshipEntry(&list); }

int TRelationshipsList::AddRow(const TMutualInfoRec& rec, UStringView word1, UStringView word2) {
  auto* e = new TRelationshipEntry(this, rec, UString(word1), UString(word2));
  const int i = Add(e);
  if (i < 0) delete e;
  return i;
}

TMutualInfoRec TRelationshipsList::MIData(int row) const {
  return row >= 0 && row < Count() && Get(row) ? Row(row)->data : TMutualInfoRec{};
}

void TRelationshipsList::SortAll() {
  SetSortSettingsToDefault(false);
  if (Count() > 1) DoASort(3, 0, Count() - 1);
}

// --- streams -------------------------------------------------------------------------------------

bool TRelationshipsList::SaveToStream(TStream& s) {
  SetVersionNumber(std::max(GetVersionNumber(), kRelationshipsListVersion));
  return WriteU32(s, kRelationshipsListMagic) && WriteAString(s, fSourceIndexFilename) &&
         TVXBaseLemmaMatchCapableList::SaveToStream(s);
}

bool TRelationshipsList::ReadFromStream(TStream& s) {
  const int64_t start = s.Position();
  uint8_t head[4] = {};
  if (start < 0 || !s.ReadExact(head, 4)) return false;
  UString name;
  if ((head[2] == ':' || head[2] == '\\') && head[3] == '\\') {
    // The oldest layout: the index's name as a length byte and 8-bit characters.
    std::string narrow;
    if (!s.SetPosition(start) || !ReadShortString(s, narrow)) return false;
    name = Latin1ToUtf16(narrow);
  } else if (head[2] == 0 && head[3] == 0) {
    if (!s.SetPosition(start) || !ReadAString(s, name)) return false;
  } else {
    uint32_t magic = 0;
    std::memcpy(&magic, head, 4);
    if (magic != kRelationshipsListMagic) {
      AddToLogFile(u"MutualInfoList.readfromstream");
      return false;
    }
    if (!ReadAString(s, name)) return false;
  }
  fReadRefusal.clear();
  if (!TVXBaseLemmaMatchCapableList::ReadFromStream(s)) {
    // The rows of lists below version 16 are of older records whose fields are not known here.
    if (GetVersionNumber() < kRelationshipsListVersion) {
      fReadRefusal = u"a relationships list of version " + IntToUStr(GetVersionNumber()) +
                     u" (an older layout of its rows), which this version does not read";
      AddToLogFile(fReadRefusal);
    }
    return false;
  }
  fSourceIndexFilename = std::move(name);
  return true;
}

// --- sorting -------------------------------------------------------------------------------------

void TRelationshipsList::Set1Sort(int level, int32_t kind) {
  // Word 1, freq1 and texts are the row's own main word, frequency and texts: the base's
  // comparers (with their keys worked out once per row) serve them.
  const int32_t base_key = kind == RelatSort_by_word1     ? kSortAlphabetical
                           : kind == RelatSort_by_freq1   ? kSortFrequency
                           : kind == RelatSort_by_n_files ? kSortTexts
                                                          : kSortNone;
  TLevelComparer base = nullptr;
  if (base_key != kSortNone) {
    TVXBaseLemmaMatchCapableList::Set1Sort(level, base_key);
    base = SortLevel(level).comparer;
  }
  TVXBaseLemmaMatchCapableList::Set1Sort(level, kind);
  if (base) SetSortComparer(level, base);
  else if (kind == RelatSort_by_word2) SetSortComparer(level, &CompareWords);
  else if (kind == RelatSort_by_category) SetSortComparer(level, &CompareCategories);
  else if (kind < 0 || kind >= kRelationshipSortKinds) SetSortComparer(level, nullptr);
  else SetSortComparer(level, &CompareByNumber);
}

void TRelationshipsList::SetThreeSorts(int32_t, int32_t main, int32_t second, int32_t third) {
  Set1Sort(0, main);
  Set1Sort(1, second);
  Set1Sort(2, third);
}

void TRelationshipsList::SetSortSettingsToDefault(bool clearing) {
  TVXBaseLemmaMatchCapableList::SetSortSettingsToDefault(clearing);
  SetThreeSorts(0, RelatSort_by_word1, RelatSort_by_MI_score, RelatSort_by_n_files);
  SetSortsChanged(true);
}

int32_t TRelationshipsList::HeaderColumnToSortNeeded(int, int column) { return TrueColumnToMISort(column) & 0x7F; }

double TRelationshipsList::NumberKey(int level, const TRelationshipEntry& e) const {
  const TMutualInfoRec& d = e.data;
  switch (SortLevel(level).key) {
    case RelatSort_by_freq1: return d.freq1;
    case RelatSort_by_freq2: return d.freq2;
    case RelatSort_by_n_files: return d.texts;
    case RelatSort_by_gap: return d.gap;
    case RelatSort_by_joint: return d.joint;
    case RelatSort_by_MI_score: return d.stats[kRelMI];
    case RelatSort_by_Z_score: return d.stats[kRelZScore];
    case RelatSort_by_MI3_score: return d.stats[kRelMI3];
    case RelatSort_by_LogL_score: return d.stats[kRelLogLikelihood];
    case RelatSort_by_T_score: return d.stats[kRelTScore];
    case RelatSort_by_Dice: return d.stats[kRelDice];
    case RelatSort_by_LogRatio: return d.stats[kRelLogRatio];
    case RelatSort_by_CondProbA: return d.stats[kRelCondProbA];
    case RelatSort_by_CondProbB: return d.stats[kRelCondProbB];
    case RelatSort_by_DeltaPA: return d.stats[kRelDeltaPA];
    case RelatSort_by_DEltaPB: return d.stats[kRelDeltaPB];
    default: return 0;
  }
}

void TRelationshipsList::SetBase(TVXBaseListObject& entry, int level) {
  TVXBaseLemmaMatchCapableList::SetBase(entry, level);
  const int l = std::clamp(level, 0, 2);
  const auto& e = static_cast<const TRelationshipEntry&>(entry);
  if (SortLevel(l).comparer == &CompareByNumber) pivot_[l].number = NumberKey(l, e);
  else if (SortLevel(l).comparer == &CompareWords)
    pivot_[l].word = CollationSortKey(SortLCID(), SortLevel(l).case_sensitive, e.word2);
}

int TRelationshipsList::CompareByNumber(TVXBaseDataClass& list, int level, TVXBaseListObject& entry) {
  auto& self = static_cast<TRelationshipsList&>(list);
  const double a = self.NumberKey(level, static_cast<TRelationshipEntry&>(entry)), b = self.pivot_[level].number;
  return a < b ? -1 : (a > b ? 1 : 0);
}

int TRelationshipsList::CompareWords(TVXBaseDataClass& list, int level, TVXBaseListObject& entry) {
  auto& self = static_cast<TRelationshipsList&>(list);
  const auto& e = static_cast<TRelationshipEntry&>(entry);
  return CompareWithCollatedPivot(self, level, e.word2, self.pivot_[level].word);
}

// --- columns -------------------------------------------------------------------------------------

void TRelationshipsList::NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) {
  TVXBaseLemmaMatchCapableList::NumericalData(column, index, result);
  if (column == 0 || index < 0 || index >= Count() || !Get(index)) return;
  const TMutualInfoRec& d = Row(index)->data;
  switch (column) {
    case 2: result.value = static_cast<float>(d.freq1); return;
    case 4: result.value = static_cast<float>(d.freq2); return;
    case 5: result.value = static_cast<float>(d.texts); return;
    case 6: result.value = static_cast<float>(d.gap); return;
    case 7: result.value = static_cast<float>(d.joint); return;
    default: break;
  }
  for (int s = 0; s < kRelationshipStatsCount; ++s)
    if (kStatColumn[s] == column) {
      result.kind = 1;
      result.is_real = true;
      result.value = d.stats[s];
      return;
    }
}

void TRelationshipsList::DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) {
  TVXBaseLemmaMatchCapableList::DrawgridDataRec(col, row, cell, kind_of_display);
  if (row > 0 && col >= 2 && col != 3 && col != kRelColCategory && col < kRelationshipColumns) {
    cell.text.clear();
    cell.has_text = false;
  }
}

UString TRelationshipsList::GetStatusbarDataAsString(int, int row) {
  const int i = row - 1;
  if (i < 0 || i >= Count() || !Get(i)) return UString();
  const TRelationshipEntry& e = *Row(i);
  return e.word1 + u" (" + GroupedCount(e.data.freq1) + u"), " + e.word2 + u", (" + GroupedCount(e.data.freq2) +
         u"), " + VXRes(TVXRes::VXJoint) + u" = " + GroupedCount(e.data.joint) + u". (" +
         VXResFmt(TVXRes::VXNManyX, {IntToUStr(e.data.texts), VXRes(TVXRes::VXTexts)}) + u")";
}

std::vector<UString> TRelationshipsList::DetailsOfCurrentSettings() {
  const TRelationshipSettingsRec& r = fSettings;
  auto yes_no = [](bool b) { return UString(b ? u"True" : u"False"); };
  std::vector<UString> lines;
  lines.push_back(VXResFmt(TVXRes::VXMinimumXIs, {VXRes(TVXRes::VXJoint), IntToUStr(r.MinJointFrequency())}));
  lines.push_back(VXResFmt(TVXRes::VXMinimumXIs, {VXRes(TVXRes::VXTexts), IntToUStr(r.MinTexts())}));
  lines.push_back(VXResFmt(TVXRes::VXMinimumXIs, {VXRes(TVXRes::VXFrequency), IntToUStr(r.MinFrequencyWord2())}));
  lines.push_back(VXResFmt(TVXRes::VXMaximumFloatIs, {VXRes(TVXRes::VXWorkingPercent), FloatText(r.MaxPercent(), 3)}));
  lines.push_back(VXRes(TVXRes::VXOmitIfWord1Word2) + u": " + yes_no(r.OmitSameWord()));
  lines.push_back(VXRes(r.LeftAndRight() ? TVXRes::VXToLeftAndRight : TVXRes::VXOnlyToTheRight) + u": " +
                  IntToUStr(r.Span()));
  lines.push_back(VXResFmt(TVXRes::VXXIncludedTF, {VXRes(TVXRes::VXNumbers), yes_no(!r.ExcludeHash())}));
  lines.push_back(VXRes(TVXRes::VXStopList) + u": " + IntToUStr(r.StopListOption()));
  lines.push_back(VXRes(TVXRes::VXShowPairsBothWays) + u": " + yes_no(r.BothWays()));
  lines.push_back(VXResFmt(TVXRes::VXStopAt, {IntToUStr(r.StopAt())}));
  lines.push_back(UString(r.AllMustPass() ? u"All" : u"Any") + u" of:");
  for (int s = 0; s < kRelationshipStatsCount; ++s)
    lines.push_back(VXResFmt(TVXRes::VXMinimumFloatIs, {VXResFmt(TVXRes::VXXStrength, {RelationshipAsString(s)}),
                                                        FloatText(r.Threshold(s), 3)}));
  return lines;
}
