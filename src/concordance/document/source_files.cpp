#include "concordance/document/source_files.h"

#include "platform/runtime/list_headings.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <typeinfo>

#include <sys/stat.h>

#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"

namespace {

// File-system types whose files live on another machine.
bool IsNetworkFsType(std::string_view type) {
  static constexpr std::string_view kTypes[] = {
      "nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "ceph", "glusterfs", "fuse.glusterfs",
      "fuse.sshfs", "sshfs", "davfs", "fuse.davfs2", "9p.network"};
  return std::find(std::begin(kTypes), std::end(kTypes), type) != std::end(kTypes);
}

// A mount point as the table writes it: space, tab, newline and backslash as \ooo.
UString UnescapeMountPoint(std::string_view field) {
  auto octal = [](char c) { return c >= '0' && c <= '7'; };
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && octal(field[i + 1]) && octal(field[i + 2]) &&
        octal(field[i + 3])) {
      out.push_back(static_cast<char>(((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0')) & 0xFF));
      i += 3;
      continue;
    }
    out.push_back(field[i]);
  }
  return Utf8ToUtf16(out);
}

struct TMountTable {
  std::vector<UString> all;
  std::vector<UString> network;
};

TMountTable ParseMounts(std::string_view text) {
  TMountTable t;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    std::string_view fields[3];
    size_t f = 0, i = 0;
    while (f < 3 && i < line.size()) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
      const size_t start = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
      if (i > start) fields[f++] = line.substr(start, i - start);
    }
    if (f < 3) continue;
    UString point = UnescapeMountPoint(fields[1]);
    if (point.empty() || point[0] != PathDelim) continue;
    if (IsNetworkFsType(fields[2])) t.network.push_back(point);
    t.all.push_back(std::move(point));
  }
  return t;
}

std::string ReadProcMounts() {
  std::ifstream in("/proc/self/mounts", std::ios::binary);
  if (!in) return {};
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The process's mount table, read again when older than a few seconds: grids ask per cell.
TMountTable CurrentMounts() {
  static std::mutex mutex;
  static TMountTable table;
  static std::chrono::steady_clock::time_point read_at{};
  static bool read = false;
  std::lock_guard<std::mutex> lock(mutex);
  const auto now = std::chrono::steady_clock::now();
  if (!read || now - read_at > std::chrono::seconds(5)) {
    table = ParseMounts(ReadProcMounts());
    read_at = now;
    read = true;
  }
  return table;
}

// True when path is point or lies below it.
bool PathUnder(UStringView path, UStringView point) {
  if (point == u"/") return !path.empty() && path[0] == PathDelim;
  if (path.size() < point.size() || path.substr(0, point.size()) != point) return false;
  return path.size() == point.size() || path[point.size()] == PathDelim;
}

class TFileSystemProbe final : public TSourceFileProbe {
 public:
  TFileSystemProbe() : mounts_(CurrentMounts()) {}
  bool IsNetworkPath(UStringView path) override { return IsNetworkPathIn(path, mounts_.network, mounts_.all); }
  bool FolderExists(UStringView folder) override { return DriveAndFolderExist(folder); }
  bool FileExists(UStringView full_name) override { return ::FileExists(full_name); }

 private:
  TMountTable mounts_;
};

UString Joined(UStringView folder, UStringView name) {
  if (folder.empty()) return UString(name);
  return IncludeTrailingPathDelimiter(folder) + UString(name);
}

TLinzoraFilenamelist* FilenameListOf(TVXBaseDataClass* list) { return dynamic_cast<TLinzoraFilenamelist*>(list); }

}  // namespace

// --- runtime pieces ------------------------------------------------------------------------------

std::vector<UString> NetworkMountPointsFrom(std::string_view mounts_text) { return ParseMounts(mounts_text).network; }

std::vector<UString> NetworkMountPoints() { return CurrentMounts().network; }

bool IsNetworkPathIn(UStringView path, const std::vector<UString>& network_mounts,
                     const std::vector<UString>& all_mounts) {
  if (StartsWithU(path, u"//")) return true;
  if (network_mounts.empty()) return false;
  // The deepest mount holding the path is the one its files live on; at one point a later line
  // of the table mounts over an earlier one.
  const std::vector<UString>& table = all_mounts.empty() ? network_mounts : all_mounts;
  size_t best = 0;
  bool found = false, network = false;
  for (const UString& point : table) {
    if (!PathUnder(path, point) || (found && point.size() < best)) continue;
    best = point.size();
    found = true;
    network = std::find(network_mounts.begin(), network_mounts.end(), point) != network_mounts.end();
  }
  return found && network;
}

bool IsNetworkPath(UStringView path) {
  const TMountTable t = CurrentMounts();
  return IsNetworkPathIn(path, t.network, t.all);
}

bool DriveAndFolderExist(UStringView folder) {
  if (folder.empty()) return DirectoryExists(u".");
  return DirectoryExists(ExcludeTrailingPathDelimiter(folder));
}

TVXFilestatus GetFileStatusOfAFile(UStringView full_name, bool check_network) {
  if (full_name.empty()) return kFileMissing;
  if (!check_network && IsNetworkPath(full_name)) return kFileNotChecked;
  return FileExists(full_name) ? kFilePresent : kFileMissing;
}

float IntegerAsPercent(int64_t part, int64_t whole) {
  if (whole <= 0) return kMissingValue;
  return static_cast<float>(static_cast<double>(part) * 100.0 / static_cast<double>(whole));
}

bool TextFingerprintOf(UStringView full_name, int64_t& size, int64_t& write_ns) {
  size = write_ns = 0;
  struct stat st {};
  if (::stat(Utf16ToUtf8(full_name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = static_cast<int64_t>(st.st_size);
  write_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

TTextFingerprint FingerprintOfChosenText(const TChosenFileDetailsFullRec& details) {
  TTextFingerprint f;
  if (details.rec.zip_member > 0) return f;
  f.taken = true;
  TextFingerprintOf(Joined(details.folder, details.rec.filename), f.size, f.write_ns);
  return f;
}

std::unique_ptr<TSourceFileProbe> MakeFileSystemProbe() { return std::make_unique<TFileSystemProbe>(); }

// --- a row ---------------------------------------------------------------------------------------

TLinzoraFilenameEntry::TLinzoraFilenameEntry(TVXBaseDataClass* list)
    : TVXBaseListObject(list, list ? list->Holder() : nullptr) {
  ZeroTheDataRec();
}

TLinzoraFilenameEntry::TLinzoraFilenameEntry(TVXBaseDataClass* list, int32_t original_number,
                                             const TChosenFileDetailsFullRec& details,
                                             const TTextFingerprint& taken)
    : TLinzoraFilenameEntry(list) {
  fdata.full_filename = Joined(details.folder, details.rec.filename);
  fdata.head.filestatus = kFilePresent;
  fdata.head.words_in_source_file = -1;
  TLinzoraFilenameEntryAdditionalRec& o = fdata.other_data;
  o.version = details.rec.version;
  o.KindOfFile[0] = details.rec.kind;
  o.TextualDateAndTime = details.rec.julian_date;
  o.file_size = details.rec.size;
  o.zero_based_filename_num = original_number;
  // The row is made as soon as its text has been read: what is on disk now is what was read.
  const TTextFingerprint f = taken.taken ? taken : FingerprintOfChosenText(details);
  if (f.taken) {
    // The record is packed: its 64-bit fields are not aligned, so they are filled by value.
    o.fingerprint_size = f.size;
    o.fingerprint_write_ns = f.write_ns;
  }
}

TLinzoraFilenameEntry::TLinzoraFilenameEntry(TVXBaseDataClass* list, const TLinzoraFilenameEntryRecPlus& rec)
    : TLinzoraFilenameEntry(list) {
  fdata = rec;
}

void TLinzoraFilenameEntry::ZeroTheDataRec() {
  fdata.head = TLinzoraFilenameRowHead{};
  fdata.full_filename.clear();
  fdata.other_data = TLinzoraFilenameEntryAdditionalRec{};
}

bool TLinzoraFilenameEntry::IsDuplicateOf(const TVXBaseListObject& other) const {
  const auto* o = dynamic_cast<const TLinzoraFilenameEntry*>(&other);
  return o && o->fdata.full_filename == fdata.full_filename;
}

UString TLinzoraFilenameEntry::GetAWordAsString(int column) const {
  return column == kSourceColFile ? fdata.full_filename : UString();
}

void TLinzoraFilenameEntry::SetAWordAsString(int column, UStringView text) {
  if (column != kSourceColFile || text.empty()) return;
  fdata.full_filename = UString(text);
}

bool TLinzoraFilenameEntry::SaveToStream(TStream& s) {
  TLinzoraFilenameRowHead head = fdata.head;
  std::memset(head.pad, 0, sizeof head.pad);
  if (!WriteValue(s, head)) return false;
  // Every write counts: a row whose name or other data did not reach the stream is not saved.
  const bool name_ok = WriteAString(s, ConvertedAppFolderInFilename(fdata.full_filename, true));
  return WriteValue(s, fdata.other_data) && name_ok;
}

bool TLinzoraFilenameEntry::ReadFromStream(TStream& s) {
  // A row read in place changes its hits, whatever the read comes to.
  if (TLinzoraFilenamelist* l = FilenameListOf(List())) l->HitsChanged();
  ZeroTheDataRec();
  const int32_t version = List() ? List()->GetVersionNumber() : kFilenameListVersion;
  if (!ReadValue(s, fdata.head)) return false;
  if (version < kFilenameRowUnicodeVersion) {
    const int code_page = Holder() ? Holder()->CodePage() : 1252;
    return ReadShortStringInCodePage(s, fdata.full_filename, code_page);
  }
  UString name;
  if (!ReadAString(s, name)) return false;
  fdata.full_filename = ConvertedAppFolderInFilename(name, false);
  if (version < kFilenameRowOtherDataVersion) return true;
  if (!ReadValue(s, fdata.other_data)) return false;
  if (TLinzoraFilenamelist* l = FilenameListOf(List())) l->NoteOriginalNumber(fdata.other_data.zero_based_filename_num);
  return true;
}

TChosenFileDetailsFullRec TLinzoraFilenameEntry::DataAsChosenFileRec() const {
  TChosenFileDetailsFullRec d;
  d.rec = TChosenFile_BaseRec{};
  d.rec.filename = ExtractFileName(fdata.full_filename);
  d.folder = ExcludeTrailingPathDelimiter(ExtractFilePath(fdata.full_filename));
  d.rec.julian_date = fdata.other_data.TextualDateAndTime;
  d.rec.date = d.rec.julian_date != 0 ? JulianToDateTimeRemovingConst(d.rec.julian_date) : 0;
  d.rec.size = fdata.other_data.file_size;
  d.rec.wanted = kWantedFound;
  d.rec.jumps = std::make_shared<TJumpList>();
  d.rec.folder_num = -1;
  return d;
}

// --- the list: rows ------------------------------------------------------------------------------

TLinzoraFilenamelist::TLinzoraFilenamelist(TVXBaseHolder* holder)
    : TVXBaseLemmaMatchCapableList(holder, &MakeEntry, kGridSourceFiles, kListSourceFiles, kSourceFilesListNumber) {
  SetHeadings(CopyOfBaseHeadings(kListSourceFiles));
  SetSortSettingsToDefault(true);
}

TLinzoraFilenamelist::~TLinzoraFilenamelist() = default;

TVXBaseListObject* TLinzoraFilenamelist::MakeEntry(TVXBaseDataClass& list) { return new TLinzoraFilenameEntry(&list); }

void TLinzoraFilenamelist::RebuildOrderTable() const {
  order_table_.clear();
  order_table_.reserve(static_cast<size_t>(Count()));
  for (int i = 0; i < Count(); ++i) {
    const auto* e = dynamic_cast<const TLinzoraFilenameEntry*>(Get(i));
    if (!e) continue;
    const int32_t n = e->fdata.other_data.zero_based_filename_num;
    if (n >= 0) order_table_.emplace_back(n, i);
  }
  // Stable, so that of two rows with one number (a merge not yet renumbered) the first wins.
  std::stable_sort(order_table_.begin(), order_table_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  order_dirty_ = false;
}

void TLinzoraFilenamelist::EnsureOrderTableAllocated() {
  RebuildOrderTable();
}

int TLinzoraFilenamelist::PositionOf(int index, bool original_number) const {
  auto valid = [&](int p) { return p >= 0 && p < Count() && Get(p) != nullptr ? p : -1; };
  if (index < 0) return -1;
  if (!original_number || !has_original_numbers_) return valid(index);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (order_dirty_) RebuildOrderTable();
    auto it = std::lower_bound(order_table_.begin(), order_table_.end(), index,
                               [](const auto& p, int n) { return p.first < n; });
    if (it != order_table_.end() && it->first == index) {
      const auto* e = dynamic_cast<const TLinzoraFilenameEntry*>(valid(it->second) >= 0 ? Get(it->second) : nullptr);
      if (e && e->fdata.other_data.zero_based_filename_num == index) return it->second;
      order_dirty_ = true;  // rows moved without telling the list: look again
      continue;
    }
    if (order_table_.empty() || index > order_table_.back().first) return valid(index);
    return -1;
  }
  return -1;
}

TLinzoraFilenameEntry* TLinzoraFilenamelist::Row(int index, bool original_number) const {
  const int p = PositionOf(index, original_number);
  return p < 0 ? nullptr : dynamic_cast<TLinzoraFilenameEntry*>(Get(p));
}

UString TLinzoraFilenamelist::GetFullFilename(int index, bool original_number) const {
  const TLinzoraFilenameEntry* e = Row(index, original_number);
  return e ? e->fdata.full_filename : UString();
}

TLinzoraFilenameEntryRecPlus TLinzoraFilenamelist::GetEntryRecPlus(int index, bool original_number) const {
  const TLinzoraFilenameEntry* e = Row(index, original_number);
  return e ? e->fdata : TLinzoraFilenameEntryRecPlus{};
}

int32_t TLinzoraFilenamelist::GetAFileStatus(int index) const { return GetFileStatus(index, false); }

void TLinzoraFilenamelist::SetAFileStatus(int index, int32_t status) {
  SetFileStatus(index, false, static_cast<TVXFilestatus>(status));
}

TVXFilestatus TLinzoraFilenamelist::GetFileStatus(int index, bool original_number) const {
  const TLinzoraFilenameEntry* e = Row(index, original_number);
  return e ? e->fdata.head.filestatus : kFileNotChecked;
}

void TLinzoraFilenamelist::SetFileStatus(int index, bool original_number, TVXFilestatus status) {
  if (TLinzoraFilenameEntry* e = Row(index, original_number)) e->fdata.head.filestatus = status;
}

bool TLinzoraFilenamelist::StillInConcordance(int index, bool original_number) const {
  const TLinzoraFilenameEntry* e = Row(index, original_number);
  return e && e->fdata.other_data.StillInConcordance != 0;
}

void TLinzoraFilenamelist::SetStillInConcordance(int index, bool original_number, bool value) {
  if (TLinzoraFilenameEntry* e = Row(index, original_number)) e->fdata.other_data.StillInConcordance = value ? 1 : 0;
}

void TLinzoraFilenamelist::SetWords(int index, bool original_number, int32_t words) {
  if (TLinzoraFilenameEntry* e = Row(index, original_number)) e->fdata.head.words_in_source_file = words;
}

void TLinzoraFilenamelist::SetHits(int index, bool original_number, int32_t hits) {
  if (TLinzoraFilenameEntry* e = Row(index, original_number)) {
    if (total_hits_known_)
      total_hits_ += std::max<int32_t>(hits, 0) - std::max<int32_t>(e->fdata.other_data.hits_this_file, 0);
    e->fdata.other_data.hits_this_file = hits;
  }
}

void TLinzoraFilenamelist::SetOriginalFilenumber(int i) {
  if (TLinzoraFilenameEntry* e = Row(i, false)) {
    e->fdata.other_data.zero_based_filename_num = i;
    NoteOriginalNumber(i);
    order_dirty_ = true;
  }
}

void TLinzoraFilenamelist::NoteOriginalNumber(int32_t number) {
  if (number > 0) has_original_numbers_ = true;
  order_dirty_ = true;
}

int TLinzoraFilenamelist::IndexOfAFilename(UStringView name, bool original_number) const {
  for (int i = 0; i < Count(); ++i) {
    const auto* e = dynamic_cast<const TLinzoraFilenameEntry*>(Get(i));
    if (e && e->fdata.full_filename == name) return original_number ? e->fdata.other_data.zero_based_filename_num : i;
  }
  return -1;
}

int64_t TLinzoraFilenamelist::TotalHits() const {
  if (total_hits_known_ && total_hits_generation_ == EntriesGeneration()) return total_hits_;
  // The rows are this list's own entries, told by their type at one compare; only another goes
  // through the full cast.
  int64_t total = 0;
  for (int i = 0; i < Count(); ++i) {
    const TVXBaseListObject* entry = Get(i);
    if (!entry) continue;
    const auto* e = typeid(*entry) == typeid(TLinzoraFilenameEntry) ? static_cast<const TLinzoraFilenameEntry*>(entry)
                                                                      : dynamic_cast<const TLinzoraFilenameEntry*>(entry);
    if (e) total += std::max<int32_t>(e->fdata.other_data.hits_this_file, 0);
  }
  total_hits_ = total;
  total_hits_generation_ = EntriesGeneration();
  total_hits_known_ = true;
  return total;
}

int TLinzoraFilenamelist::Add(TVXBaseListObject* entry) {
  const int i = TVXBaseLemmaMatchCapableList::Add(entry);
  if (i >= 0)
    if (auto* e = dynamic_cast<TLinzoraFilenameEntry*>(entry)) NoteOriginalNumber(e->fdata.other_data.zero_based_filename_num);
  OrderTableChanged();
  return i;
}

void TLinzoraFilenamelist::Remove(int index) {
  TVXBaseLemmaMatchCapableList::Remove(index);
  OrderTableChanged();
}

bool TLinzoraFilenamelist::MergeWith(TVXBaseLemmaMatchCapableList* other) {
  auto* files = dynamic_cast<TLinzoraFilenamelist*>(other);
  if (!files) return false;
  const bool other_numbers = files->has_original_numbers_;
  const bool ok = TVXBaseLemmaMatchCapableList::MergeWith(other);
  if (ok && other_numbers) has_original_numbers_ = true;
  OrderTableChanged();
  files->OrderTableChanged();
  return ok;
}

// --- sorting -------------------------------------------------------------------------------------

bool TLinzoraFilenamelist::DoASort(int levels, int first, int last) {
  for (int l = 0; l < 3; ++l) SetSortCaseSensitive(l, false);
  const bool ok = TVXBaseLemmaMatchCapableList::DoASort(levels, first, last);
  EnsureOrderTableAllocated();
  return ok;
}

void TLinzoraFilenamelist::Set1Sort(int level, int32_t key) {
  // Whatever key a stream or a dialog names, rows sort by their full names.
  TVXBaseLemmaMatchCapableList::Set1Sort(level, kSortAlphabetical);
  SetSortCaseSensitive(level, false);
}

void TLinzoraFilenamelist::SetSortSettingsToDefault(bool clearing) {
  for (int l = 0; l < 3; ++l) Set1Sort(l, kSortAlphabetical);
  if (clearing)
    for (int l = 0; l < 3; ++l) SetSortAscending(l, true);
}

void TLinzoraFilenamelist::SetBase(TVXBaseListObject& entry, int level) {
  TVXBaseLemmaMatchCapableList::SetBase(entry, level);
  base_string_ = entry.MainWordOnly();
}

// --- grid ----------------------------------------------------------------------------------------

void TLinzoraFilenamelist::NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) {
  TVXBaseLemmaMatchCapableList::NumericalData(column, index, result);
  const TLinzoraFilenameEntry* e = Row(index, false);
  if (!e) return;
  const TLinzoraFilenameEntryRecPlus& d = e->fdata;
  switch (column) {
    case kSourceColHits: result.value = static_cast<float>(d.other_data.hits_this_file); break;
    case kSourceColHitsPercent:
      result.kind = 2;
      result.is_real = true;
      result.part = d.other_data.hits_this_file;
      result.total = TotalHits();
      result.value = IntegerAsPercent(result.part, result.total);
      break;
    case kSourceColWords:
      if (d.head.words_in_source_file >= 0) result.value = static_cast<float>(d.head.words_in_source_file);
      break;
    case kSourceColSize: result.value = static_cast<float>(d.other_data.file_size); break;
    default: break;
  }
}

void TLinzoraFilenamelist::DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) {
  TVXBaseLemmaMatchCapableList::DrawgridDataRec(col, row, cell, kind_of_display);
  if (row <= 0) return;
  const int index = row - 1;
  const TLinzoraFilenameEntry* e = Row(index, false);
  if (!e) return;
  switch (col) {
    case kSourceColNumber: {
      cell.text = IntToUStr(int64_t(index) + 1);
      cell.has_text = true;
      cell.has_number = true;
      cell.number.value = static_cast<float>(index + 1);
      break;
    }
    case kSourceColFile:
      cell.text = e->fdata.full_filename;
      cell.has_text = true;
      cell.int_value = GetFileStatusOfAFile(e->fdata.full_filename, ::GetUNCNetworkFilesChecking());
      break;
    case kSourceColDate: {
      const double julian = e->fdata.other_data.TextualDateAndTime;
      cell.has_number = false;
      if (julian != 0) {
        cell.date = julian;
        cell.text = DateTimeToUStr(JulianToDateTimeRemovingConst(julian));
        cell.has_text = true;
      }
      break;
    }
    default: break;
  }
}

// --- files ---------------------------------------------------------------------------------------

int32_t TLinzoraFilenamelist::FilesStillExisting() { return FilesStillExisting(::GetUNCNetworkFilesChecking()); }

int32_t TLinzoraFilenamelist::FilesStillExisting(bool check_network, TSourceFileProbe* probe) {
  std::unique_ptr<TSourceFileProbe> own;
  if (!probe) {
    own = MakeFileSystemProbe();
    probe = own.get();
  }
  check_state_ = 1;
  // Folders found missing: their other texts cost no further look.
  std::vector<UString> missing_folders;
  int32_t present = 0;
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    DoProgressPercent(static_cast<int32_t>(int64_t(i) * 100 / n));
    MyYieldProcess();
    if (i >= Count()) break;
    auto* e = dynamic_cast<TLinzoraFilenameEntry*>(Get(i));
    if (!e) continue;
    const UString& full = e->fdata.full_filename;
    const UString folder = ExtractFilePath(full);
    TVXFilestatus status;
    if (std::find(missing_folders.begin(), missing_folders.end(), folder) != missing_folders.end()) {
      status = kFileMissing;
    } else if (!check_network && probe->IsNetworkPath(full)) {
      status = kFileNotChecked;
    } else if (!probe->FolderExists(folder)) {
      status = kFileMissing;
      missing_folders.push_back(folder);
    } else if (probe->FileExists(full)) {
      status = kFilePresent;
      ++present;
      check_state_ = 2;
    } else {
      status = kFileMissing;
    }
    e->fdata.head.filestatus = status;
  }
  if (check_state_ == 1) check_state_ = 0;
  return present;
}

int TLinzoraFilenamelist::DoAFilenameSearchAndReplace(UStringView find, UStringView replacement, bool in_folder) {
  // An empty search text would match before every name and prefix them all.
  if (find.empty()) return 0;
  const TLCID lcid = Holder() ? Holder()->LCID() : kLCID_EnglishUS;
  const UString upper_find = UpperCaseU(find, lcid);
  int changed = 0;
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    DoProgressPercent(static_cast<int32_t>(int64_t(i) * 100 / n));
    MyYieldProcess();
    if (i >= Count()) break;
    auto* e = dynamic_cast<TLinzoraFilenameEntry*>(Get(i));
    if (!e) continue;
    UString folder = ExtractFilePath(e->fdata.full_filename);
    UString name = ExtractFileName(e->fdata.full_filename);
    UString& part = in_folder ? folder : name;
    const UString upper = UpperCaseU(part, lcid);
    // Upper-casing keeps the length, so a position in it is a position in the part.
    if (upper.size() != part.size()) continue;
    const size_t pos = upper.find(upper_find);
    if (pos == UString::npos) continue;
    part = part.substr(0, pos) + UString(replacement) + part.substr(pos + upper_find.size());
    e->fdata.full_filename = Joined(folder, name);
    ++changed;
  }
  if (changed > 0) {
    NoteChange();
    order_dirty_ = true;
  }
  return changed;
}

// --- stream --------------------------------------------------------------------------------------

bool TLinzoraFilenamelist::SaveToStream(TStream& s) {
  SetVersionNumber(std::max(GetVersionNumber(), kFilenameListVersion));
  return TVXBaseLemmaMatchCapableList::SaveToStream(s);
}

bool TLinzoraFilenamelist::ReadFromStream(TStream& s) {
  if (ListBusy() != kBusyNone) return RefuseWhileBusy("read the source files");
  const int64_t start = s.Position();
  // Read into a list of its own, so that a damaged stream leaves this one as it was.
  TLinzoraFilenamelist fresh(Holder());
  bool ok = false;
  try {
    ok = fresh.TVXBaseLemmaMatchCapableList::ReadFromStream(s);
  } catch (...) {
    ok = false;
  }
  if (!ok) {
    AddToLogFile(u"source-file list: damaged stream, read stopped at byte " + IntToUStr(s.Position()) +
                 u" (list began at byte " + IntToUStr(start) + u", " + IntToUStr(fresh.Count()) + u" rows read)");
    return false;
  }
  if (!Clear()) return false;
  for (int i = 0; i < fresh.Count(); ++i) {
    TVXBaseListObject* e = fresh.Get(i);
    if (!e) continue;
    fresh.Put(i, nullptr);
    e->SetParentAs(this);
    TVXBaseLemmaMatchCapableList::Add(e);
  }
  fresh.Pack();
  StoredListInfo() = fresh.StoredListInfo();
  StoredListInfo().ForgetPosition();
  has_original_numbers_ = fresh.has_original_numbers_;
  SetSortSettingsToDefault(false);
  OrderTableChanged();
  FilesStillExisting(false);
  SetNewChoiceOfTextFiles(true, true);
  return true;
}
