#include "model/reading/text_statistics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_set>

#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_maths.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "model/documents/check_signature.h"
#include "model/reading/chosen_texts.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"

namespace {

constexpr int32_t kStatsListNumber = 8;
constexpr int32_t kStatsListVersion = 22;
constexpr int32_t kFirstUnicodeNamesVersion = 11;

int32_t SaturatedAdd(int32_t a, int64_t b) {
  const int64_t v = int64_t(a) + b;
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

bool WriteStatsHeader(TStream& s) {
  TCheckSignature h;
  FillCheckSignature(h, current_tool_var, kListStatistics, 0, 0, 0);
  return WriteCheckSignature(s, h);
}

bool ReadAndCheckStatsHeader(TStream& s) {
  TCheckSignature h;
  uint8_t type = 0;
  return ReadAndCheckSignature(s, h, current_tool_var) && CheckSignatureListType(h, type) &&
         type == kListStatistics;
}

int CodePageOf(const TVXBaseDataClass* list) {
  return (list && list->Holder()) ? list->Holder()->CodePage() : 1252;
}

// Position of uppered_find in text, compared in upper case; the answer is a position in text.
size_t CaseInsensitiveUpperedPos(UStringView uppered_find, UStringView text, TLCID lcid) {
  if (uppered_find.empty()) return UString::npos;
  const UString upper = UpperCaseU(text, lcid);
  // Upper-casing keeps the length, so positions in it are positions in text.
  if (upper.size() != text.size()) return UString::npos;
  return upper.find(uppered_find);
}

// Sorting by anything but the file name is not supported: such a comparison reports the
// inconsistency and calls every pair equal.
int UnsupportedStatsSort(TVXBaseDataClass&, int, TVXBaseListObject&) {
  Yikes(u"statistics list: unsupported sort system");
  return 0;
}

void AddRecordInto(TOne_text_stats_data& sum, const TOne_text_stats_data& d) {
  for (int g = 0; g < 5; ++g) sum.groups[g] = MergedTextStats(sum.groups[g], d.groups[g]);
  sum.ratio = MergedTextStats(sum.ratio, d.ratio);
  sum.running_words = SaturatedAdd(sum.running_words, d.running_words);
  sum.stop_tokens = SaturatedAdd(sum.stop_tokens, d.stop_tokens);
  sum.stop_types = SaturatedAdd(sum.stop_types, d.stop_types);
  sum.value72 = SaturatedAdd(sum.value72, d.value72);
  sum.size_count = SaturatedAdd(sum.size_count, d.size_count);
  for (int i = 0; i < 51; ++i) sum.word_lengths[i] = SaturatedAdd(sum.word_lengths[i], d.word_lengths[i]);
}

}  // namespace

// --- records ----------------------------------------------------------------------------------

void TOne_text_stats_rec::Zero() {
  std::memset(&data, 0, sizeof(data));
  name.clear();
}

TOne_text_stats_rec OneTextStatsRecFromOld(const uint8_t* old328) {
  TOne_text_stats_rec r;
  std::memcpy(&r.data, old328, kOldStatsRecSize);
  return r;
}

TText_stats_rec MergedTextStats(const TText_stats_rec& a, const TText_stats_rec& b) {
  if (b.count <= 0) return a;
  if (a.count <= 0) return b;
  const double na = a.count, nb = b.count, n = na + nb;
  const double ma = a.mean, mb = b.mean;
  const double mean = (na * ma + nb * mb) / n;
  // Sums of squared deviations of each group, plus what the distance between their means adds.
  double ss = double(a.sd) * a.sd * (na - 1.0) + double(b.sd) * b.sd * (nb - 1.0) + (ma - mb) * (ma - mb) * na * nb / n;
  if (!(ss > 0.0)) ss = 0.0;  // negative or NaN
  TText_stats_rec r;
  r.count = SaturatedAdd(a.count, b.count);
  r.mean = static_cast<float>(mean);
  r.sd = static_cast<float>(std::sqrt(ss / (n - 1.0)));
  return r;
}

std::vector<UString> StatisticsHeadings() {
  return {u"N",
          u"Text file",
          u"File size",
          u"Running words",
          u"Tokens in the list",
          u"",
          u"Types",
          u"Type/token ratio",
          u"Standardised TTR",
          u"STTR std.dev.",
          u"STTR basis",
          u"Mean word length",
          u"Word length std.dev.",
          u"Sentences",
          u"Sentence mean (words)",
          u"Sentence std.dev.",
          u"Paragraphs",
          u"Paragraph mean (words)",
          u"Paragraph std.dev.",
          u"Headings",
          u"Heading mean (words)",
          u"Heading std.dev.",
          u"Sections",
          u"Section mean (words)",
          u"Section std.dev.",
          u"",
          u"Stop-list tokens",
          u"Stop-list types"};
}

void MeanAndSDWordLength(const TOne_text_stats_rec& rec, float& mean, float& sd) {
  mean = 0.0f;
  sd = 0.0f;
  int64_t total = 0, weighted = 0;
  for (int n = 1; n <= 50; ++n) {
    total += rec.data.word_lengths[n];
    weighted += int64_t(n) * rec.data.word_lengths[n];
  }
  if (total < 1) return;
  mean = static_cast<float>(double(weighted) / double(total));
  if (total < 2) return;
  double sum = 0.0;
  for (int n = 1; n <= 50; ++n) {
    const double d = double(mean) - n;
    sum += d * d * rec.data.word_lengths[n];
  }
  if (sum >= 0.0) sd = static_cast<float>(std::sqrt(sum / double(total - 1)));
}

// --- a row ------------------------------------------------------------------------------------

int TStatsEntry::live_count = 0;

TStatsEntry::TStatsEntry(TVXBaseDataClass* list) : TVXBaseListObject(list, list ? list->Holder() : nullptr) {
  ++live_count;
  fdata.data.folder_index = -1;
}

TStatsEntry::TStatsEntry(const TOne_text_stats_rec& record, bool clear_folders, TVXStatsList* list)
    : TVXBaseListObject(list, list ? list->Holder() : nullptr) {
  ++live_count;
  fdata = record;
  if (list && clear_folders) list->ClearFolders();
  const size_t cut = record.name.rfind(PathDelim);
  if (cut == UString::npos) {
    fdata.data.folder_index = -1;
  } else {
    fdata.name = record.name.substr(cut + 1);
    fdata.data.folder_index = list ? list->FolderIndexAdding(UStringView(record.name).substr(0, cut)) : -1;
  }
  if (fdata.data.julian_date == 0.0) fdata.data.julian_date = DateTimeToJulianAddingConst(Now());
}

TStatsEntry::~TStatsEntry() { --live_count; }

TVXStatsList* TStatsEntry::StatsList() const { return dynamic_cast<TVXStatsList*>(List()); }

void TStatsEntry::ZeroTheDataRec() {
  TVXBaseListObject::ZeroTheDataRec();
  fdata.Zero();
}

float TStatsEntry::GetAValueAsSingle(int column) const {
  TVXStatsList* list = StatsList();
  if (!list) return kMissingValue;
  for (int i = 0; i < list->Count(); ++i) {
    if (list->Get(i) != this) continue;
    TNumberDisplayAndSinglesRec r;
    list->NumericalData(column, list->DataRowOfEntry(i), r);
    return r.value;
  }
  return kMissingValue;
}

UString TStatsEntry::GetAWordAsString(int column) const { return column == 1 ? fdata.name : UString(); }

UString TStatsEntry::MainWordOnly() const {
  TVXStatsList* list = StatsList();
  return list ? list->FullFilenameOf(fdata) : fdata.name;
}

bool TStatsEntry::ReadFromStream(TStream& s) {
  fdata.Zero();
  const int32_t version = List() ? List()->GetVersionNumber() : kStatsListVersion;
  if (version < kStatsListVersion) {
    uint8_t old[kOldStatsRecSize];
    if (!s.ReadExact(old, kOldStatsRecSize)) return false;
    fdata = OneTextStatsRecFromOld(old);
  } else if (!ReadValue(s, fdata.data)) {
    return false;
  }
  if (fdata.data.ratio_basis == 0) fdata.data.ratio_basis = GetWordlistSettings().RatioBasis();
  if (version < kFirstUnicodeNamesVersion) return ReadShortStringInCodePage(s, fdata.name, CodePageOf(List()));
  return ReadAString(s, fdata.name);
}

bool TStatsEntry::SaveToStream(TStream& s) {
  fdata.data.sentinel = kStatsSentinel;
  return WriteValue(s, fdata.data) && WriteAString(s, fdata.name);
}

// --- the list ---------------------------------------------------------------------------------

TVXStatsList::TVXStatsList(TVXBaseHolder* holder, TEntryClass entry_class, grid_alternatives grid_kind)
    : TVXBaseLemmaMatchCapableList(holder, entry_class, grid_kind, kListStatistics, kStatsListNumber) {
  Overall_stats.data.folder_index = -1;
  Overall_stats.name = VXRes(TVXRes::VXOverall);
  SetSort(kStatsSortByName);
}

TVXStatsList::~TVXStatsList() = default;

TVXBaseListObject* TVXStatsList::MakeEntry(TVXBaseDataClass& list) { return new TStatsEntry(&list); }

TStatsEntry* TVXStatsList::Row(int index) const { return dynamic_cast<TStatsEntry*>(Get(index)); }

UString TVXStatsList::FolderOf(const TOne_text_stats_rec& rec) const {
  const int32_t f = rec.data.folder_index;
  return (f >= 0 && f < static_cast<int32_t>(folderlist.size())) ? folderlist[f] : UString();
}

UString TVXStatsList::FolderOfRow(int index) const {
  const TStatsEntry* e = Row(index);
  return e ? FolderOf(e->fdata) : UString();
}

UString TVXStatsList::FullFilenameOf(const TOne_text_stats_rec& rec) const {
  const int32_t f = rec.data.folder_index;
  if (f < 0 || f >= static_cast<int32_t>(folderlist.size())) return rec.name;
  return folderlist[f] + PathDelim + rec.name;
}

UString TVXStatsList::GetEntryFullFilename(int index) const {
  const TStatsEntry* e = Row(index);
  return e ? FullFilenameOf(e->fdata) : UString();
}

int32_t TVXStatsList::FolderIndexAdding(UStringView folder) {
  // Folder names are compared exactly, as the file system does.
  for (size_t i = 0; i < folderlist.size(); ++i)
    if (folderlist[i] == folder) return static_cast<int32_t>(i);
  folderlist.emplace_back(folder);
  return static_cast<int32_t>(folderlist.size() - 1);
}

void TVXStatsList::ClearFolders() {
  folderlist.clear();
  for (int i = 0; i < Count(); ++i)
    if (TStatsEntry* e = Row(i)) e->fdata.data.folder_index = -1;
}

int TVXStatsList::TotalRowCount() const {
  if (GridKind() == kGridFiles) return Count();
  return Count() + (OverallCount() ? 1 : 0);
}

int TVXStatsList::DataRowOfEntry(int entry_index) const { return entry_index + (OverallCount() ? 1 : 0); }

const TOne_text_stats_rec* TVXStatsList::RecordOfDataRow(int index) const {
  if (OverallCount()) {
    if (index == 0) return &Overall_stats;
    --index;
  }
  const TStatsEntry* e = Row(index);
  return e ? &e->fdata : nullptr;
}

// --- values -----------------------------------------------------------------------------------

void TVXStatsList::ValueOfRecord(const TOne_text_stats_rec& rec, int column, int index,
                                 TNumberDisplayAndSinglesRec& result) const {
  const TOne_text_stats_data& d = rec.data;
  auto integer = [&](int64_t v) { result.value = static_cast<float>(v); };
  auto real = [&](double v) {
    result.value = static_cast<float>(v);
    result.is_real = true;
    result.kind = 1;
  };
  auto share = [&](double total, double part) {
    const uint8_t display = GetDisplayWordsPerMillion();
    result.kind = display == kSharePerMillion ? 3 : 2;
    result.value = static_cast<float>(AsPercentOrPPMOfTotal(total, display, part));
    result.part = static_cast<int64_t>(part);
    result.total = static_cast<int64_t>(total);
  };
  switch (column) {
    case 0: integer(int64_t(index) + 1); break;
    case 2: integer(d.size_count); break;
    case 3: integer(d.running_words); break;
    case 4: integer(d.groups[0].count); break;
    case 5: integer(d.value84); break;
    case 6: integer(d.types); break;
    case 7:
      if (d.groups[0].count != 0) {
        share(d.groups[0].count, d.types);
        result.caption = VXRes(TVXRes::VXTokens);
      }
      break;
    case 8:
      if (d.ratio_basis > 0) share(d.ratio_basis, d.ratio.mean);
      break;
    case 9:
      if (d.ratio_basis > 0) real(double(d.ratio.sd) * 100.0 / d.ratio_basis);
      break;
    case 10: integer(d.ratio_basis); break;
    case 11:
    case 12: {
      float mean = 0, sd = 0;
      MeanAndSDWordLength(rec, mean, sd);
      real(column == 11 ? mean : sd);
      break;
    }
    case 13: case 16: case 19: case 22: integer(d.groups[(column - 10) / 3].count); break;
    case 14: case 17: case 20: case 23: real(d.groups[(column - 11) / 3].mean); break;
    case 15: case 18: case 21: case 24: real(d.groups[(column - 12) / 3].sd); break;
    case 25: integer(d.value72); break;
    case 26: integer(d.stop_tokens); break;
    case 27: integer(d.stop_types); break;
    default: break;  // column 1 is text; 28 and above have no value
  }
}

void TVXStatsList::NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) {
  TVXBaseLemmaMatchCapableList::NumericalData(column, index, result);
  if (const TOne_text_stats_rec* rec = RecordOfDataRow(index)) ValueOfRecord(*rec, column, index, result);
}

int32_t TVXStatsList::GetRoundedNumericalData(int index) const {
  const TStatsEntry* e = Row(index);
  if (!e) return 0;
  TNumberDisplayAndSinglesRec r;
  ValueOfRecord(e->fdata, 3, DataRowOfEntry(index), r);
  return static_cast<int32_t>(std::lround(r.value));
}

bool TVXStatsList::IsEmptyDataColumn(int column) {
  if (column <= 1) return TVXBaseLemmaMatchCapableList::IsEmptyDataColumn(column);
  const int rows = Count() + (OverallCount() ? 1 : 0);
  for (int d = 0; d < rows; ++d) {
    const TOne_text_stats_rec* rec = RecordOfDataRow(d);
    if (!rec) continue;
    TNumberDisplayAndSinglesRec r;
    ValueOfRecord(*rec, column, d, r);
    if (r.value > 0.0f) return TVXBaseLemmaMatchCapableList::IsEmptyDataColumn(column);
  }
  return true;
}

int32_t TVXStatsList::GetAFileStatus(int index) const {
  const UString full = GetEntryFullFilename(index);
  if (full.empty()) return kStatsFileUnknown;
  // Files on network shares are looked at only when the settings say so.
  if (StartsWithU(full, u"//") && !GetUNCNetworkFilesChecking()) return kStatsFileUnknown;
  return FileExists(full) ? kStatsFileFound : kStatsFileMissing;
}

void TVXStatsList::DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) {
  cell = TGrid_data_rec();
  cell.col = col;
  cell.row = row;
  if (row == 0) {
    TopRowDataRec(col, cell);
    return;
  }
  if (GridKind() == kGridFiles) {
    const int index = row - 1;
    if (!Row(index)) return;
    if (col == 0) {
      LeftmostColumnDataRec(row, cell);
    } else if (col == 1) {
      cell.text = GetEntryFullFilename(index);
      cell.has_text = true;
      cell.int_value = GetAFileStatus(index);
    }
    return;
  }
  const int d = row - 1;
  const TOne_text_stats_rec* rec = RecordOfDataRow(d);
  if (!rec) return;
  const int entry = OverallCount() ? d - 1 : d;
  if (entry >= 0) {
    cell.deleted = GetDeleted(entry);
    cell.matched = GetMatched(entry);
  }
  if (col == 0) {
    const bool deleted = cell.deleted, matched = cell.matched;
    LeftmostColumnDataRec(row, cell);
    cell.deleted = deleted;
    cell.matched = matched;
    return;
  }
  if (col == 1) {
    cell.text = rec->name;
    cell.has_text = true;
    return;
  }
  NumericalData(col, d, cell.number);
  cell.has_number = cell.number.value != kMissingValue;
  if (cell.has_number) {
    cell.make_text_from_number = true;
    cell.decimals = cell.number.is_real ? 2 : 0;
    cell.export_kind = 1;
  }
}

// --- statistics -------------------------------------------------------------------------------

void TVXStatsList::ComputeTotalWordStats() {
  int64_t sum = 0;
  for (int i = 0; i < Count(); ++i)
    if (const TStatsEntry* e = Row(i)) sum += e->fdata.data.groups[0].count;
  Overall_stats.data.groups[0].count = SaturatedAdd(0, sum);
}

void TVXStatsList::SetStopListInfo(int32_t types, int32_t tokens, const TStatsWordLengths& word_lengths) {
  TOne_text_stats_data& o = Overall_stats.data;
  if (GetStopListSettings(current_tool_var).AppliesToStatistics()) {
    o.types = SaturatedAdd(o.types, -int64_t(types));
    o.groups[0].count = SaturatedAdd(o.groups[0].count, -int64_t(tokens));
    for (int i = 0; i < 51; ++i) o.word_lengths[i] = SaturatedAdd(o.word_lengths[i], -int64_t(word_lengths[i]));
  }
  o.stop_tokens = tokens;
  o.stop_types = types;
}

void TVXStatsList::ClearCentralityScores() {
  for (int i = 0; i < Count(); ++i)
    if (TStatsEntry* e = Row(i)) e->fdata.data.centrality[0] = e->fdata.data.centrality[1] = 0.0f;
}

std::array<float, 2> TVXStatsList::GetCentralityScores(int index) const {
  const TStatsEntry* e = Row(index);
  if (!e) return {0.0f, 0.0f};
  return {e->fdata.data.centrality[0], e->fdata.data.centrality[1]};
}

void TVXStatsList::SetCentralityScores(int index, const std::array<float, 2>& scores) {
  if (TStatsEntry* e = Row(index)) {
    e->fdata.data.centrality[0] = scores[0];
    e->fdata.data.centrality[1] = scores[1];
  }
}

// --- sorting ----------------------------------------------------------------------------------

void TVXStatsList::SetSort(stats_sort_system value) {
  sort_system = value;
  // Rows give their full file names as their words, so the alphabetical order is the order of
  // full file names.
  Set1Sort(0, value == kStatsSortByName ? kSortAlphabetical : value);
  if (value != kStatsSortByName) SetSortComparer(0, &UnsupportedStatsSort);
  SetSortCaseSensitive(0, false);
  Set1Sort(1, kSortNone);
  Set1Sort(2, kSortNone);
}

// --- files on disk ----------------------------------------------------------------------------

int32_t TVXStatsList::FilesStillExisting() {
  // Folders found missing: their other texts need no look.
  std::vector<UString> wanting;
  int32_t found = 0;
  for (int i = 0; i < Count(); ++i) {
    TStatsEntry* e = Row(i);
    if (!e) continue;
    const int32_t f = e->fdata.data.folder_index;
    const bool has_folder = f >= 0 && f < static_cast<int32_t>(folderlist.size());
    const UString folder = has_folder ? folderlist[f] : UString();
    if (has_folder && std::find(wanting.begin(), wanting.end(), folder) != wanting.end()) {
      e->fdata.data.found = 0;
      continue;
    }
    if (FileExists(FullFilenameOf(e->fdata))) {
      e->fdata.data.found = 1;
      ++found;
      continue;
    }
    e->fdata.data.found = 0;
    // One text gone says nothing of its neighbours; a folder gone says it of all of them.
    if (has_folder && !DirectoryExists(folder.empty() ? UString(1, PathDelim) : folder)) wanting.push_back(folder);
  }
  return found;
}

// --- merging ----------------------------------------------------------------------------------

bool TVXStatsList::MergeWith(TVXStatsList& other, int32_t types_value, uint16_t a, uint16_t b) {
  if (&other == this) return false;
  if (ListBusy() != kBusyNone || other.ListBusy() != kBusyNone) return RefuseWhileBusy("merge statistics");
  DoProgressMessage(VXRes(TVXRes::VXStatistics));

  std::unordered_set<UString> here;
  for (int i = 0; i < Count(); ++i) here.insert(FoldCaseU(GetEntryFullFilename(i)));

  // The figures of the rows actually added: when some of the other's texts are rows here
  // already, its overall row would count them twice.
  TOne_text_stats_data added{};
  bool all_added = true;
  const int n = other.Count();
  for (int i = 0; i < n; ++i) {
    if (n > 0) DoProgressPercent(static_cast<int32_t>(int64_t(i) * 100 / n));
    const TStatsEntry* e = other.Row(i);
    if (!e) continue;
    TOne_text_stats_rec rec = e->fdata;
    rec.name = other.FullFilenameOf(e->fdata);  // its folder is looked up again here
    if (!here.insert(FoldCaseU(rec.name)).second) {
      all_added = false;
      continue;
    }
    Add(new TStatsEntry(rec, false, this));
    AddRecordInto(added, rec.data);
  }
  const TOne_text_stats_data& from = all_added ? other.Overall_stats.data : added;

  TOne_text_stats_data& o = Overall_stats.data;
  if (a == b)
    o.ratio = MergedTextStats(o.ratio, from.ratio);
  else
    o.ratio.mean = 0.0f;
  o.size_count = SaturatedAdd(o.size_count, from.size_count);
  o.types = types_value;
  o.running_words = SaturatedAdd(o.running_words, from.running_words);
  o.stop_tokens = SaturatedAdd(o.stop_tokens, from.stop_tokens);
  o.stop_types = SaturatedAdd(o.stop_types, from.stop_types);
  o.value72 = SaturatedAdd(o.value72, from.value72);
  for (int g = 0; g < 5; ++g) o.groups[g] = MergedTextStats(o.groups[g], from.groups[g]);
  for (int i = 0; i < 51; ++i) o.word_lengths[i] = SaturatedAdd(o.word_lengths[i], from.word_lengths[i]);
  return true;
}

bool TVXStatsList::MergeWith(TVXBaseLemmaMatchCapableList* other) {
  auto* stats = dynamic_cast<TVXStatsList*>(other);
  if (!stats) return false;
  const int32_t basis = Overall_stats.data.ratio_basis, other_basis = stats->Overall_stats.data.ratio_basis;
  return MergeWith(*stats, Overall_stats.data.types, basis == other_basis ? 0 : 1, 0);
}

// --- names ------------------------------------------------------------------------------------

int TVXStatsList::DoAFilenameSearchAndReplace(UStringView find, UStringView replace, bool folders_only) {
  const TLCID lcid = Holder() ? Holder()->LCID() : kLCID_EnglishUS;
  const UString upper_find = UpperCaseU(find, lcid);
  if (upper_find.empty()) return 0;
  auto replaced = [&](UString& text) {
    const size_t pos = CaseInsensitiveUpperedPos(upper_find, text, lcid);
    if (pos == UString::npos) return false;
    text = text.substr(0, pos) + UString(replace) + text.substr(pos + upper_find.size());
    return true;
  };
  int changed = 0;
  const int n = folders_only ? static_cast<int>(folderlist.size()) : Count();
  for (int i = 0; i < n; ++i) {
    DoProgressPercent(static_cast<int32_t>(int64_t(i) * 100 / n));
    if (folders_only) {
      if (replaced(folderlist[i])) ++changed;
    } else if (TStatsEntry* e = Row(i)) {
      if (replaced(e->fdata.name)) ++changed;
    }
  }
  if (changed > 0) NoteChange();
  return changed;
}

// --- chosen texts -----------------------------------------------------------------------------

bool TVXStatsList::BuildVXFileDetails(TSharedChosenFilesClass* chosen) const {
  if (!chosen) return false;
  bool ok = true;
  for (int i = 0; i < Count(); ++i) {
    const TStatsEntry* e = Row(i);
    if (!e) continue;
    TChosenFile_BaseRec d;
    d.filename = e->fdata.name;
    d.size = e->fdata.data.size_count;
    d.julian_date = e->fdata.data.julian_date;
    d.date = JulianToDateTimeRemovingConst(d.julian_date);
    d.wanted = kWantedFound;
    d.jumps = std::make_shared<TJumpList>();
    if (!chosen->AddIfNotInAlready(d, FolderOf(e->fdata))) ok = false;
  }
  return ok;
}

// --- streams ----------------------------------------------------------------------------------

bool TVXStatsList::SaveToStream(TStream& s) {
  try {
    SetVersionNumber(std::max(GetVersionNumber(), kStatsListVersion));
    if (!TVXBaseLemmaMatchCapableList::SaveToStream(s)) return false;
    Overall_stats.data.sentinel = kStatsSentinel;
    if (!WriteValue(s, Overall_stats.data)) return false;
    if (!WriteI32(s, static_cast<int32_t>(folderlist.size()))) return false;
    for (const UString& folder : folderlist)
      if (!WriteAString(s, ConvertedAppFolderInFilename(folder, true))) return false;
    return WriteAString(s, Overall_stats.name);
  } catch (...) {
    return false;
  }
}

bool TVXStatsList::ReadFromStream(TStream& s) {
  if (ListBusy() != kBusyNone) return RefuseWhileBusy("read the statistics");
  // Read into a list of its own, so that a damaged stream leaves this one, and the width of its
  // document's text, as they were.
  TListWidthGuard width(Holder());
  TVXStatsList fresh(Holder(), EntryClass(), GridKind());
  bool ok = false;
  try {
    ok = fresh.ReadBody(s);
  } catch (...) {
    ok = false;
  }
  if (!ok || !Clear()) return false;
  width.Keep();
  for (int i = 0; i < fresh.Count(); ++i) {
    TVXBaseListObject* e = fresh.Get(i);
    if (!e) continue;
    fresh.Put(i, nullptr);
    e->SetParentAs(this);
    Add(e);
  }
  fresh.Pack();
  StoredListInfo() = fresh.StoredListInfo();
  StoredListInfo().ForgetPosition();
  folderlist = std::move(fresh.folderlist);
  Overall_stats = fresh.Overall_stats;
  SetSortToFNameSort();
  return true;
}

bool TVXStatsList::ReadBody(TStream& s) { return TVXBaseLemmaMatchCapableList::ReadFromStream(s) && ReadTail(s); }

bool TVXStatsList::ReadTail(TStream& s) {
  const int32_t version = GetVersionNumber();
  const bool short_strings = version < kFirstUnicodeNamesVersion;
  const int code_page = CodePageOf(this);
  TOne_text_stats_rec overall;
  if (version < kStatsListVersion) {
    uint8_t old[kOldStatsRecSize];
    if (!s.ReadExact(old, kOldStatsRecSize)) return false;
    overall = OneTextStatsRecFromOld(old);
  } else if (!ReadValue(s, overall.data)) {
    return false;
  }
  if (overall.data.ratio_basis == 0) overall.data.ratio_basis = GetWordlistSettings().RatioBasis();

  // Each folder takes at least its length (a byte or an int32).
  int32_t n = 0;
  if (!ReadCount(s, n, short_strings ? 1 : 4)) return false;
  std::vector<UString> folders;
  folders.reserve(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    UString folder;
    if (!(short_strings ? ReadShortStringInCodePage(s, folder, code_page) : ReadAString(s, folder))) return false;
    folders.push_back(ConvertedAppFolderInFilename(folder, false));
  }
  if (!(short_strings ? ReadShortStringInCodePage(s, overall.name, code_page) : ReadAString(s, overall.name))) return false;

  Overall_stats = overall;
  folderlist = std::move(folders);
  // A folder index the stream's folders do not have means no folder.
  for (int i = 0; i < Count(); ++i) {
    if (TStatsEntry* e = Row(i)) {
      const int32_t f = e->fdata.data.folder_index;
      if (f < -1 || f >= n) e->fdata.data.folder_index = -1;
    }
  }
  return true;
}

bool TVXStatsList::SaveToFile(UStringView name) {
  if (name.empty()) return false;
  return SafeSaveToFile(name, [this](TStream& s) { return WriteStatsHeader(s) && SaveToStream(s); });
}

bool TVXStatsList::ReadFromFile(UStringView name) {
  if (name.empty() || !FileExists(name)) return false;
  auto f = TFileStream::Open(UString(name), TFileMode::OpenRead);
  if (!f) return false;
  if (!ReadAndCheckStatsHeader(*f)) return false;
  return ReadFromStream(*f);
}
