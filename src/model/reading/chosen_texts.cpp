#include "model/reading/chosen_texts.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <utility>

#include "platform/rtl/files.h"
#include "platform/rtl/temporary_names.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "platform/zip/zip_forge.h"

namespace fs = std::filesystem;

namespace {

constexpr int64_t kLookBytes = 64 * 1024;
constexpr int64_t kChunkBytes = 2 * 1024 * 1024;
// Each stored text takes at least its record, the name's count and the jump list's count.
constexpr int64_t kMinStoredTextBytes = sizeof(TChosenFileStreamRec) + 4 + 4;
constexpr int kMaxFolderDepth = 256;

bool StartsWithBytes(const std::vector<uint8_t>& b, std::initializer_list<uint8_t> sig) {
  if (b.size() < sig.size()) return false;
  return std::equal(sig.begin(), sig.end(), b.begin());
}

bool AnyNonAscii(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (p[i] >= 0x80) return true;
  return false;
}

bool IsStopped() { return global_panic_state != kPanicNone; }

// A joined member name ("<archive>/<member>") opened through one archive kept open while
// consecutive texts come from the same archive.
class TMemberFinder {
 public:
  // The member's index in its archive, -1 when the archive or the member is not there.
  int32_t Find(UStringView joined) {
    UString archive, member;
    if (!SplitZipMemberName(joined, archive, member)) return -1;
    if (archive != open_name_) {
      open_name_ = archive;
      zip_.SetFileName(archive);
      ok_ = zip_.OpenArchive(TZipOpenMode::Read);
    }
    return ok_ ? zip_.FindMember(member, true) : -1;
  }
  TZipForge& Zip() { return zip_; }

 private:
  TZipForge zip_;
  UString open_name_;
  bool ok_ = false;
};

UString AbsolutePath(UStringView path) {
  std::error_code ec;
  fs::path p = fs::absolute(ToFsPath(path), ec);
  if (ec) return ExcludeTrailingPathDelimiter(path);
  return ExcludeTrailingPathDelimiter(FromFsPath(p.lexically_normal()));
}

// Only letters, digits and a few safe marks survive into a temporary file's name.
UString SafeExtension(UStringView ext) {
  UString out;
  for (char16_t c : ext) {
    const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                    c == u'.' || c == u'_' || c == u'-';
    if (ok) out.push_back(c);
    if (out.size() >= 16) break;
  }
  return out;
}

bool IsDoubleByteCodePage(int cp) { return cp == 932 || cp == 936 || cp == 949 || cp == 950; }

// True when the whole file (after a UTF-8 signature) is strict UTF-8. False too when it
// cannot be read.
bool FileIsStrictUtf8(UStringView name) {
  auto in = TFileStream::Open(UString(name), TFileMode::OpenRead);
  if (!in) return false;
  std::vector<uint8_t> work;
  UString scratch;
  bool first = true;
  for (;;) {
    const size_t keep = work.size();
    work.resize(keep + kChunkBytes);
    const int64_t got = in->Read(work.data() + keep, kChunkBytes);
    work.resize(keep + static_cast<size_t>(std::max<int64_t>(got, 0)));
    const bool eof = got < kChunkBytes;
    size_t skip = 0;
    if (first && work.size() >= 3 && work[0] == 0xEF && work[1] == 0xBB && work[2] == 0xBF) skip = 3;
    first = false;
    size_t used = 0;
    if (!DecodeUtf8Strict(work.data() + skip, work.size() - skip, scratch, !eof, &used)) return false;
    if (eof) return !in->Failed();
    work.erase(work.begin(), work.begin() + static_cast<std::ptrdiff_t>(skip + used));
  }
}

// Writes the file's text as UTF-16 little-endian with a byte-order mark, decoding it as UTF-8
// or as 8-bit text in code_page. False when the source cannot be read whole or no longer decodes.
bool WriteAsUtf16(UStringView source, bool as_utf8, int code_page, TStream& out) {
  auto in = TFileStream::Open(UString(source), TFileMode::OpenRead);
  if (!in) return false;
  const uint8_t bom[2] = {0xFF, 0xFE};
  if (!out.WriteExact(bom, 2)) return false;
  const int64_t chunk = (!as_utf8 && IsDoubleByteCodePage(code_page)) ? INT64_MAX / 4 : kChunkBytes;
  std::vector<uint8_t> work;
  UString text;
  bool first = true;
  for (;;) {
    const size_t keep = work.size();
    const int64_t want = std::min<int64_t>(chunk, std::max<int64_t>(in->BytesLeft(), 0));
    work.resize(keep + static_cast<size_t>(want));
    const int64_t got = want > 0 ? in->Read(work.data() + keep, want) : 0;
    if (got != want) return false;
    const bool eof = in->BytesLeft() <= 0;
    size_t skip = 0;
    if (first && as_utf8 && work.size() >= 3 && work[0] == 0xEF && work[1] == 0xBB && work[2] == 0xBF)
      skip = 3;
    first = false;
    size_t used = work.size() - skip;
    if (as_utf8) {
      if (!DecodeUtf8Strict(work.data() + skip, work.size() - skip, text, !eof, &used)) return false;
    } else {
      text = DecodeCodePage(work.data(), work.size(), code_page);
    }
    if (!out.WriteExact(text.data(), static_cast<int64_t>(text.size()) * 2)) return false;
    work.erase(work.begin(), work.begin() + static_cast<std::ptrdiff_t>(skip + used));
    if (eof) return work.empty() && !in->Failed();
  }
}

UString FolderNamesAsText(const TChosenFoldersList& folders, int32_t how_many, size_t max_len) {
  UString out;
  for (int32_t i = 0; i < folders.Count() && i < how_many; ++i) {
    if (i > 0) out += u", ";
    out += folders[i];
  }
  if (folders.Count() > how_many) out += u", ...";
  if (out.size() > max_len) out.resize(max_len);
  while (!out.empty() && out.back() == PathDelim) out.pop_back();
  return out;
}

}  // namespace

// --- contents kinds ---------------------------------------------------------------------------

TFileContentsSet StreamContentsType(TStream& s, bool thorough) {
  std::vector<uint8_t> work(static_cast<size_t>(kLookBytes));
  const int64_t got = s.Read(work.data(), kLookBytes);
  work.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
  if (work.empty()) return kContents8Bit;
  if (StartsWithBytes(work, {0xFF, 0xFE})) return kContentsUTF16;
  if (StartsWithBytes(work, {0xFE, 0xFF})) return kContentsUTF16BE;
  if (StartsWithBytes(work, {0xEF, 0xBB, 0xBF})) return kContentsUTF8;
  if (StartsWithBytes(work, {'P', 'K', 3, 4}) || StartsWithBytes(work, {'P', 'K', 5, 6})) return kContentsZip;
  if (StartsWithBytes(work, {'%', 'P', 'D', 'F', '-'})) return kContentsDocument;
  if (StartsWithBytes(work, {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1})) return kContentsDocument2;
  switch (GuessUtf16(work.data(), work.size())) {
    case TUtf16Guess::LittleEndian: return kContentsUTF16;
    case TUtf16Guess::BigEndian: return kContentsUTF16BE;
    case TUtf16Guess::NotUtf16: break;
  }
  bool non_ascii = AnyNonAscii(work.data(), work.size());
  bool eof = got < kLookBytes;
  UString scratch;
  for (;;) {
    const bool last = eof || !thorough;
    size_t used = 0;
    if (!DecodeUtf8Strict(work.data(), work.size(), scratch, !eof, &used)) return kContents8Bit;
    if (last) break;
    work.erase(work.begin(), work.begin() + static_cast<std::ptrdiff_t>(used));
    const size_t keep = work.size();
    work.resize(keep + static_cast<size_t>(kChunkBytes));
    const int64_t more = s.Read(work.data() + keep, kChunkBytes);
    work.resize(keep + static_cast<size_t>(std::max<int64_t>(more, 0)));
    eof = more < kChunkBytes;
    if (!non_ascii) non_ascii = AnyNonAscii(work.data() + keep, work.size() - keep);
  }
  return non_ascii ? kContentsUTF8 : kContents8Bit;
}

TFileContentsSet FileContentsType(UStringView filename, bool thorough) {
  auto in = TFileStream::Open(UString(filename), TFileMode::OpenRead);
  if (!in) return 0;
  return StreamContentsType(*in, thorough);
}

namespace {

constexpr int64_t kBinaryHeadBytes = 4096;

// FileLooksBinary's judgement of a head of n bytes (none when n < 0: the file could not be read).
bool HeadLooksBinary(const uint8_t* buf, int64_t n) {
  if (n < 0) return false;
  if (n >= 2 && ((buf[0] == 0xFF && buf[1] == 0xFE) || (buf[0] == 0xFE && buf[1] == 0xFF))) return false;
  // Most texts hold no zero byte at all: one library scan says so.
  if (n <= 0 || std::memchr(buf, 0, static_cast<size_t>(n)) == nullptr) return false;
  int64_t zeros_even = 0, zeros_odd = 0;
  for (int64_t i = 0; i < n; ++i)
    if (buf[i] == 0) ++((i & 1) ? zeros_odd : zeros_even);
  if (zeros_even + zeros_odd == 0) return false;
  // UTF-16 without its mark: the zeros fall almost all on one side (the high bytes of letters).
  const int64_t pairs = n / 2;
  const int64_t one_side = std::max(zeros_even, zeros_odd), other = std::min(zeros_even, zeros_odd);
  return !(one_side * 10 >= pairs * 3 && other * 20 <= one_side);
}

}  // namespace

bool FileLooksBinary(UStringView full_name) {
  // Asked of every chosen text before a run: one open and one read each.
  uint8_t buf[kBinaryHeadBytes];
  return HeadLooksBinary(buf, ReadFileHead(full_name, buf, sizeof buf));
}

bool ListFileLooksBinary(UStringView full_name) {
  uint8_t buf[kBinaryHeadBytes];
  const int64_t n = ReadFileHead(full_name, buf, sizeof buf);
  if (HeadLooksBinary(buf, n)) return true;
  // The head's characters: UTF-16 units after its mark, else bytes (a control character is one
  // byte in UTF-8 and in every 8-bit code page; zero bytes were judged above).
  const bool wide = n >= 2 && ((buf[0] == 0xFF && buf[1] == 0xFE) || (buf[0] == 0xFE && buf[1] == 0xFF));
  const int64_t width = wide ? 2 : 1;
  int64_t characters = 0, controls = 0;
  for (int64_t i = wide ? 2 : 0; i + width <= n; i += width, ++characters) {
    const uint32_t c = !wide              ? buf[i]
                       : buf[0] == 0xFE ? (uint32_t{buf[i]} << 8 | buf[i + 1])
                                        : (uint32_t{buf[i + 1]} << 8 | buf[i]);
    if (wide && c == 0) return true;
    const bool blank = (c >= 0x09 && c <= 0x0D) || c == 0x1A;
    if ((c >= 0x01 && c < 0x20 && !blank) || c == 0x7F) ++controls;
  }
  return controls * 64 > characters;
}

TTextOnDisk LookAtTextOnDisk(UStringView full_name) {
  uint8_t buf[kBinaryHeadBytes];
  const int64_t n = ReadPlainFileHead(full_name, buf, sizeof buf);
  if (n == -2) return {};
  return {true, HeadLooksBinary(buf, n), n >= 3 && buf[0] == 0xEF && buf[1] == 0xBB && buf[2] == 0xBF};
}

int FileContentsComparison(TFileContentsSet a, TFileContentsSet b) { return int(a) - int(b); }

bool SplitZipMemberName(UStringView joined, UString& archive, UString& member) {
  for (size_t p = joined.find(PathDelim); p != UStringView::npos; p = joined.find(PathDelim, p + 1)) {
    const UStringView prefix = joined.substr(0, p);
    if (prefix.size() < 5 || AsciiLower(prefix.substr(prefix.size() - 4)) != u".zip") continue;
    if (!FileExists(prefix)) continue;
    if (p + 1 >= joined.size()) return false;
    archive = UString(prefix);
    member = UString(joined.substr(p + 1));
    return true;
  }
  return false;
}

int64_t FirstJumpPosition(const TChosenFileDetailsFullRec& details) {
  const auto& j = details.rec.jumps;
  if (!j || details.jumps_taken >= j->size()) return 0;
  return std::max<int64_t>(1, (*j)[details.jumps_taken]);
}

// A jump list on disk: int32 count and int32 positions while every position fits, as it always
// was; else the count as -count - 1 and int64 positions.
bool WriteJumpList(TStream& s, const TJumpList& list) {
  if (list.size() >= 0x7FFFFFFF) return false;
  const int32_t n = static_cast<int32_t>(list.size());
  bool narrow = true;
  for (const int64_t v : list) narrow = narrow && v >= INT32_MIN && v <= INT32_MAX;
  if (!WriteI32(s, narrow ? n : -n - 1)) return false;
  for (const int64_t v : list)
    if (!(narrow ? WriteI32(s, static_cast<int32_t>(v)) : WriteI64(s, v))) return false;
  return true;
}

bool ReadJumpList(TStream& s, TJumpList& list) {
  int32_t n = 0;
  if (!ReadI32(s, n)) return false;
  const bool wide = n < 0;
  const int64_t count = wide ? -int64_t(n) - 1 : n;
  if (count > s.BytesLeft() / (wide ? 8 : 4)) return false;
  TJumpList values(static_cast<size_t>(count));
  for (int64_t& v : values) {
    int32_t narrow = 0;
    if (wide ? !ReadI64(s, v) : !ReadI32(s, narrow)) return false;
    if (!wide) v = narrow;
  }
  list = std::move(values);
  return true;
}

// --- lists ------------------------------------------------------------------------------------

TChosenFileHolder::TChosenFileHolder(const TChosenFile_BaseRec& d) : data(d) {
  if (!data.jumps) data.jumps = std::make_shared<TJumpList>();
}

TChosenFileHolder* TChosenFilesList::Item(int32_t i) const {
  return (i >= 0 && i < Count()) ? items_[static_cast<size_t>(i)].get() : nullptr;
}

size_t TChosenFilesList::TKeyHash::operator()(const TKey& k) const {
  size_t h = std::hash<UString>{}(k.name);
  h ^= std::hash<int64_t>{}(k.size) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  h ^= std::hash<int32_t>{}(k.folder_num) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  return h;
}

void TChosenFilesList::IndexAt(size_t i) const {
  const TChosenFile_BaseRec& r = items_[i]->data;
  index_.try_emplace(TKey{r.folder_num, r.size, r.filename}, static_cast<int32_t>(i));
}

void TChosenFilesList::Add(std::unique_ptr<TChosenFileHolder> h) {
  items_.push_back(std::move(h));
  if (index_built_) IndexAt(items_.size() - 1);
}

void TChosenFilesList::Delete(int32_t i) {
  if (i < 0 || i >= Count()) return;
  items_.erase(items_.begin() + i);
  index_.clear();
  index_built_ = false;
}

void TChosenFilesList::Clear() {
  items_.clear();
  index_.clear();
  index_built_ = false;
}

TChosenFilesList::TItems TChosenFilesList::Take() {
  TItems out = std::move(items_);
  Clear();
  return out;
}

void TChosenFilesList::Replace(TItems items) {
  items_ = std::move(items);
  index_.clear();
  index_built_ = false;
}

int32_t TChosenFilesList::IndexOf(int32_t folder_num, int64_t size, UStringView name) const {
  if (!index_built_) {
    index_.clear();
    index_.reserve(items_.size());
    for (size_t i = 0; i < items_.size(); ++i) IndexAt(i);
    index_built_ = true;
  }
  const auto it = index_.find(TKey{folder_num, size, UString(name)});
  return it == index_.end() ? -1 : it->second;
}

void TChosenFilesList::SortTheJumps() {
  for (auto& h : items_)
    if (h->data.jumps) std::sort(h->data.jumps->begin(), h->data.jumps->end());
}

int32_t TChosenStringList::IndexOf(UStringView s) const {
  const auto it = index_.find(UString(s));
  return it == index_.end() ? -1 : it->second;
}

int32_t TChosenStringList::Add(UStringView s) {
  lines_.emplace_back(s);
  const int32_t i = Count() - 1;
  index_.emplace(lines_.back(), i);
  return i;
}

void TChosenStringList::Clear() {
  lines_.clear();
  index_.clear();
}

UString TChosenStringList::Text() const {
  UString out;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) out.push_back(u'\n');
    out += lines_[i];
  }
  return out;
}

void TChosenStringList::SetText(UStringView text) {
  Clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != u'\n' && text[end] != u'\r') ++end;
    Add(text.substr(start, end - start));
    if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ++end;
    start = end + 1;
  }
}

void TExtraStats::Clear() {
  std::memset(&data, 0, sizeof data);
  data.version = 2;
}

// --- the chosen texts -------------------------------------------------------------------------

TSharedChosenFilesClass::TSharedChosenFilesClass(bool ARestrictTo3LetterExtensions, TErrorEvent AOnError,
                                                 uint8_t ATool)
    : fErrorEvent(std::move(AOnError)), RestrictTo3LetterExtensions(ARestrictTo3LetterExtensions), fTool(ATool) {
  ClearCheckSignature(fCheck);
}

TSharedChosenFilesClass::~TSharedChosenFilesClass() = default;

void TSharedChosenFilesClass::ClearThem() {
  fNotes.Clear();
  fFiles.Clear();
  fFolders.Clear();
  fExtraStats.data.total_bytes = 0;
}

bool TSharedChosenFilesClass::AddedAFile(const TChosenFile_BaseRec& D, UStringView aPath) {
  const UString ext = ExtractFileExt(D.filename);
  if (ext.size() > 4 && ext == u".VXpreparsed") return false;
  if (RestrictTo3LetterExtensions && AsciiLower(ext) == u".html") return false;
  auto h = std::make_unique<TChosenFileHolder>(D);
  if (h->data.folder_num < 0 || h->data.folder_num >= fFolders.Count()) {
    const TChosenDirRec dir = GetFolderInfo(aPath);
    if (dir.brand_new && walking_) check_duplicates_needed = true;
    h->data.folder_num = dir.index;
  }
  fExtraStats.data.total_bytes += std::max<int64_t>(h->data.size, 0);
  fFiles.Add(std::move(h));
  return true;
}

bool TSharedChosenFilesClass::AddIfNotInAlready(const TChosenFile_BaseRec& D, UStringView aPath) {
  if (FileIndex(D.size, aPath, D.filename) >= 0) {
    ++repeats_left_out_;
    return false;
  }
  return AddedAFile(D, aPath);
}

int32_t TSharedChosenFilesClass::TakeRepeatsLeftOut() { return std::exchange(repeats_left_out_, 0); }

bool TSharedChosenFilesClass::ToolAddAFile(UStringView LongFilename) {
  if (!FileExists(LongFilename)) return false;
  const UString full = AbsolutePath(LongFilename);
  TChosenFile_BaseRec d;
  d.folder_num = -1;
  d.date = FileDateTime(full);
  d.julian_date = DateTimeToJulianAddingConst(d.date);
  d.size = FileSizeU(full);
  d.words = -1;
  d.zip_member = 0;
  d.filename = ExtractFileName(full);
  return AddIfNotInAlready(d, ExcludeTrailingPathDelimiter(ExtractFilePath(full)));
}

int32_t TSharedChosenFilesClass::AddedFolderContents(UStringView aPath, UStringView AMask, bool WithSubDirs,
                                                     bool WithinZips) {
  ClearStopStateForNewJob();
  check_duplicates_needed = false;
  const int32_t before = FileCount();
  const UString root = AbsolutePath(aPath);
  left_out_names_ = 0;
  left_out_folders_.clear();
  left_out_first_folder_.clear();
  left_out_note_.clear();
  if (!IsDirectory(root)) return 0;
  walking_ = true;
  try {
    WalkFolder(root, AMask, WithSubDirs, WithinZips, 0);
  } catch (...) {
    // a folder that vanishes mid-walk or runs out of memory ends the walk; what was added stays
  }
  walking_ = false;
  tempfolderPos = -1;
  if (left_out_names_ > 0) {
    left_out_note_ = IntToUStr(left_out_names_) + (left_out_names_ == 1 ? u" name" : u" names") +
                     u" not valid UTF-8 left out, in " + left_out_first_folder_;
    const size_t others = left_out_folders_.size() - 1;
    if (others > 0)
      left_out_note_ +=
          u" and " + IntToUStr(static_cast<int64_t>(others)) + (others == 1 ? u" other folder" : u" other folders");
    AddToLogFile(left_out_note_);
  }
  return FileCount() - before;
}

void TSharedChosenFilesClass::StopCollecting() { global_panic_state = kPanicStopNow; }

void TSharedChosenFilesClass::WalkFolder(const UString& folder, UStringView mask, bool with_subdirs,
                                         bool within_zips, int depth) {
  if (IsStopped() || depth > kMaxFolderDepth) return;
  // The folder joins the list with its first text, so folders without texts are not kept.
  tempfolderPos = FolderIndex(folder);
  if (fOnFolder) fOnFolder(folder);

  std::vector<fs::directory_entry> files, dirs;
  std::error_code ec;
  for (fs::directory_iterator it(ToFsPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code e2;
    if (it->is_symlink(e2) && it->is_directory(e2)) continue;  // no loops through links
    if (it->is_directory(e2))
      dirs.push_back(*it);
    else if (it->is_regular_file(e2))
      files.push_back(*it);
  }
  auto by_name = [](const fs::directory_entry& a, const fs::directory_entry& b) {
    return a.path().filename() < b.path().filename();
  };
  std::sort(files.begin(), files.end(), by_name);
  std::sort(dirs.begin(), dirs.end(), by_name);

  for (const auto& f : files) {
    MyYieldProcess();
    if (IsStopped()) return;
    const UString name = FromFsPath(f.path().filename());
    if (ToFsPath(name) != f.path().filename()) {  // a name that is not UTF-8 cannot be opened again
      if (MatchesMask(name, mask)) NoteLeftOutName(folder);
      continue;
    }
    if (IsOurTemporaryName(name)) continue;
    const UString full = IncludeTrailingPathDelimiter(folder) + name;
    if (within_zips && AsciiLower(ExtractFileExt(name)) == u".zip") {
      AddZipMembers(full, mask);
      continue;
    }
    if (!MatchesMask(name, mask)) continue;
    TChosenFile_BaseRec d;
    d.folder_num = tempfolderPos;
    d.date = FileDateTime(full);
    d.julian_date = DateTimeToJulianAddingConst(d.date);
    std::error_code e3;
    const auto size = f.file_size(e3);
    d.size = e3 ? 0 : static_cast<int64_t>(size);
    d.words = -1;
    d.filename = name;
    // A folder met before may hold texts chosen already (a folder or its parent added again).
    if (tempfolderPos >= 0 && fFiles.IndexOf(tempfolderPos, d.size, name) >= 0) {
      ++repeats_left_out_;
      continue;
    }
    if (AddedAFile(d, folder)) tempfolderPos = fFiles.Item(FileCount() - 1)->data.folder_num;
  }
  if (!with_subdirs) return;
  for (const auto& d : dirs) {
    if (IsStopped()) return;
    const UString sub = FromFsPath(d.path());
    if (ToFsPath(sub) != d.path()) {
      NoteLeftOutName(folder);
      continue;
    }
    WalkFolder(sub, mask, with_subdirs, within_zips, depth + 1);
  }
}

void TSharedChosenFilesClass::NoteLeftOutName(const UString& folder) {
  ++left_out_names_;
  if (left_out_first_folder_.empty()) left_out_first_folder_ = folder;
  left_out_folders_.insert(folder);
}

namespace {

// A member of an archive as a chosen text (folder index not yet known) and the folder it goes in
// (the archive's name and the member's folders); false for a folder entry, a name that would
// leave its folder and a name the mask does not match.
bool MemberAsText(const TZipMemberInfo& m, const UString& archive, UStringView mask, TChosenFile_BaseRec& d,
                  UString& folder) {
  if (m.is_folder || !IsSafeMemberName(m.name)) return false;
  const UString base = ExtractFileName(m.name);
  if (base.empty() || !MatchesMask(base, mask)) return false;
  folder = archive;
  const UString sub = ExcludeTrailingPathDelimiter(ExtractFilePath(m.name));
  if (!sub.empty()) folder += PathDelim + sub;
  d = TChosenFile_BaseRec{};
  d.folder_num = -1;
  d.zip_member = m.index + 1;
  d.date = m.date;
  d.julian_date = DateTimeToJulianAddingConst(d.date);
  d.size = m.size;
  d.words = -1;
  d.filename = base;
  return true;
}

bool NamedAsArchive(const TChosenFile_BaseRec& r) {
  return r.zip_member == 0 && AsciiLower(ExtractFileExt(r.filename)) == u".zip";
}

}  // namespace

void TSharedChosenFilesClass::AddZipMembers(const UString& archive, UStringView mask) {
  TZipForge zip;
  zip.SetFileName(archive);
  if (!zip.OpenArchive(TZipOpenMode::Read)) {
    AddToLogFile(u"cannot read zip archive " + archive + u": " + zip.LastError());
    return;
  }
  if (fOnZipRead) fOnZipRead(archive);
  for (const TZipMemberInfo& m : zip.Members()) {
    MyYieldProcess();
    if (IsStopped()) return;
    TChosenFile_BaseRec d;
    UString folder;
    if (MemberAsText(m, archive, mask, d, folder)) AddIfNotInAlready(d, folder);
  }
}

int32_t TSharedChosenFilesClass::TakeArchivesAsMembers(std::vector<TArchiveRefusal>* refused) {
  const TChosenFilesList::TItems& now = fFiles.Items();
  if (std::none_of(now.begin(), now.end(), [](const auto& h) { return NamedAsArchive(h->data); })) return 0;
  int32_t replaced = 0;
  TChosenFilesList::TItems items = fFiles.Take();
  for (std::unique_ptr<TChosenFileHolder>& h : items) {
    if (!NamedAsArchive(h->data)) {
      // A text an archive before it stood for is chosen once.
      if (fFiles.IndexOf(h->data.folder_num, h->data.size, h->data.filename) >= 0) {
        fExtraStats.data.total_bytes -= std::max<int64_t>(h->data.size, 0);
        ++repeats_left_out_;
      } else {
        fFiles.Add(std::move(h));
      }
      continue;
    }
    const int32_t f = h->data.folder_num;
    const UString archive = IncludeTrailingPathDelimiter(f >= 0 && f < fFolders.Count() ? fFolders[f] : UString()) +
                            h->data.filename;
    TZipForge zip;
    zip.SetFileName(archive);
    UString why;
    std::vector<std::pair<TChosenFile_BaseRec, UString>> members;
    if (!zip.OpenArchive(TZipOpenMode::Read)) {
      why = u"a zip archive that cannot be read: " + zip.LastError();
    } else {
      for (const TZipMemberInfo& m : zip.Members()) {
        TChosenFile_BaseRec d;
        UString folder;
        if (MemberAsText(m, archive, u"*", d, folder)) members.emplace_back(std::move(d), std::move(folder));
      }
      if (members.empty()) why = u"a zip archive holding no texts";
    }
    if (!why.empty()) {
      // Kept where it was, marked, so that nothing reads it as one text.
      h->data.wanted = kWantedNotFound;
      if (refused) refused->push_back({archive, why});
      fFiles.Add(std::move(h));
      continue;
    }
    fExtraStats.data.total_bytes -= std::max<int64_t>(h->data.size, 0);
    for (const auto& [d, folder] : members) AddIfNotInAlready(d, folder);
    ++replaced;
  }
  return replaced;
}

int32_t TSharedChosenFilesClass::FileIndex(int64_t ASize, UStringView aPath, UStringView AShortname) const {
  const int32_t folder = FolderIndex(aPath);
  if (folder < 0) return -1;
  return fFiles.IndexOf(folder, ASize, AShortname);
}

int32_t TSharedChosenFilesClass::FolderIndex(UStringView aPath) const { return fFolders.IndexOf(aPath); }

TChosenDirRec TSharedChosenFilesClass::GetFolderInfo(UStringView aPath) {
  TChosenDirRec r;
  r.index = fFolders.IndexOf(aPath);
  if (r.index < 0) {
    r.index = fFolders.Add(aPath);
    r.brand_new = true;
  }
  return r;
}

UString TSharedChosenFilesClass::FolderName(int32_t FileIndex) const {
  const TChosenFileHolder* h = fFiles.Item(FileIndex);
  if (!h || h->data.folder_num < 0 || h->data.folder_num >= fFolders.Count()) return {};
  return fFolders[h->data.folder_num];
}

UString TSharedChosenFilesClass::FullFilename(int32_t index) const {
  const TChosenFileHolder* h = fFiles.Item(index);
  if (!h) return {};
  return IncludeTrailingPathDelimiter(FolderName(index)) + h->data.filename;
}

TChosenFileDetailsFullRec TSharedChosenFilesClass::GetFullFileDetails(int32_t index) {
  TChosenFileDetailsFullRec out;
  const TChosenFileHolder* h = fFiles.Item(index);
  if (!h) {
    out.rec.folder_num = 0;
    out.rec.words = 0;
    out.rec.version = 0;
    starting_a_folder = finishing_a_folder = false;
    if (fErrorEvent) fErrorEvent();
    return out;
  }
  out.rec = h->data;
  out.folder = FolderName(index);
  const TChosenFileHolder* prev = fFiles.Item(index - 1);
  const TChosenFileHolder* next = fFiles.Item(index + 1);
  starting_a_folder = !prev || prev->data.folder_num != h->data.folder_num;
  finishing_a_folder = !next || next->data.folder_num != h->data.folder_num;
  return out;
}

UString TSharedChosenFilesClass::TempFilewithZipOpened(int32_t index) const {
  const TChosenFileHolder* h = fFiles.Item(index);
  if (!h || h->data.zip_member <= 0) return {};
  UString archive, member;
  if (!SplitZipMemberName(FullFilename(index), archive, member)) return {};
  TZipForge zip;
  zip.SetFileName(archive);
  if (!zip.OpenArchive(TZipOpenMode::Read)) return {};
  const int32_t m = zip.FindMember(member, true);
  if (m < 0) return {};
  const UString folder = GetTempZipFolder();
  const UString name = UniqueTempName(folder, u"chosen_member_", SafeExtension(ExtractFileExt(member)));
  bool ok = false;
  {
    auto out = TFileStream::Open(name, TFileMode::Create);
    if (!out) return {};
    ok = zip.ExtractToStream(m, *out);
    ok = out->Close() && ok;
  }
  if (!ok) {
    DeleteFileU(name);
    return {};
  }
  return name;
}

UString TSharedChosenFilesClass::SuggestedFilename() const {
  if (FileCount() == 1) return ChangeFileExt(fFiles.Item(0)->data.filename, u"");
  return VXResFmt(TVXRes::VXTheseFiles, {FolderNamesAsText(fFolders, 4, 60)});
}

std::vector<int64_t> TSharedChosenFilesClass::ComputedByteDivisions(int32_t parts) const {
  std::vector<int64_t> out;
  if (parts <= 0) return out;
  const int64_t total = std::max<int64_t>(TotalBytes(), 0);
  const int64_t q = total / parts, r = total % parts;
  out.reserve(static_cast<size_t>(parts));
  for (int64_t k = 1; k <= parts; ++k) out.push_back(q * k + r * k / parts);
  return out;
}

TDateTime TSharedChosenFilesClass::GetFileDate(int32_t index) const {
  const TChosenFileHolder* h = fFiles.Item(index);
  return h ? h->data.date : 0;
}

void TSharedChosenFilesClass::SetFileHits(int32_t index, int32_t hits) {
  if (auto* h = fFiles.Item(index)) h->data.hits = hits;
}
void TSharedChosenFilesClass::SetFileKind(int32_t index, TFileContentsSet kind) {
  if (auto* h = fFiles.Item(index)) h->data.kind = kind;
}
void TSharedChosenFilesClass::SetFileWanted(int32_t index, TFileWantedType wanted) {
  if (auto* h = fFiles.Item(index)) h->data.wanted = wanted;
}
void TSharedChosenFilesClass::SetFileWords(int32_t index, int32_t words) {
  if (auto* h = fFiles.Item(index)) h->data.words = words;
}

void TSharedChosenFilesClass::ReportPercent(int32_t done, int32_t total, int& last) {
  if (!fOnFilesPercent || total <= 0) return;
  const int pc = static_cast<int>(int64_t(done) * 100 / total);
  if (pc != last) {
    last = pc;
    fOnFilesPercent(pc);
  }
}

void TSharedChosenFilesClass::RemoveFlagged(const std::vector<bool>& gone) {
  TChosenFilesList::TItems items = fFiles.Take();
  size_t w = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i < gone.size() && gone[i]) {
      fExtraStats.data.total_bytes -= std::max<int64_t>(items[i]->data.size, 0);
      continue;
    }
    if (w != i) items[w] = std::move(items[i]);
    ++w;
  }
  items.resize(w);
  fFiles.Replace(std::move(items));
}

int32_t TSharedChosenFilesClass::CheckFilesExist() {
  ClearStopStateForNewJob();
  const int32_t n = FileCount();
  std::vector<bool> gone(static_cast<size_t>(n), false);
  TMemberFinder finder;
  int last = -1;
  for (int32_t i = 0; i < n && !IsStopped(); ++i) {
    ReportPercent(i, n, last);
    MyYieldProcess();
    TChosenFile_BaseRec& r = fFiles.Item(i)->data;
    const UString full = FullFilename(i);
    const bool there = r.zip_member > 0 ? finder.Find(full) >= 0 : FileExists(full);
    if (!there) {
      r.wanted = kWantedNotFound;
      gone[static_cast<size_t>(i)] = true;
      if (global_keeping_log) AddToLogFile(u"chosen text not found: " + full);
    }
  }
  RemoveFlagged(gone);
  return FileCount();
}

namespace {
template <typename Less, typename Equal>
std::vector<bool> RepeatsBySize(const std::vector<std::unique_ptr<TChosenFileHolder>>& items, Less less,
                                Equal equal) {
  std::vector<bool> gone(items.size(), false);
  size_t start = 0;
  while (start < items.size()) {
    size_t end = start + 1;
    while (end < items.size() && items[end]->data.size == items[start]->data.size) ++end;
    if (end - start > 1) {
      std::vector<size_t> idx;
      for (size_t i = start; i < end; ++i) idx.push_back(i);
      std::stable_sort(idx.begin(), idx.end(),
                       [&](size_t a, size_t b) { return less(items[a]->data, items[b]->data); });
      size_t kept = idx[0];
      for (size_t k = 1; k < idx.size(); ++k) {
        if (equal(items[kept]->data, items[idx[k]]->data))
          gone[idx[k]] = true;
        else
          kept = idx[k];
      }
    }
    start = end;
  }
  return gone;
}

// The whole key of a duplicate: CheckDuplicates counts the date too, RemoveDuplicates does not.
auto KeyWithDate(const TChosenFile_BaseRec& r) { return std::tie(r.size, r.date, r.zip_member, r.folder_num, r.filename); }
auto KeyWithoutDate(const TChosenFile_BaseRec& r) { return std::tie(r.size, r.zip_member, r.folder_num, r.filename); }
}  // namespace

void TSharedChosenFilesClass::CheckDuplicates() {
  if (FileCount() < 2) return;
  const TChosenFileSort_type saved_main = CurrentSort[0];
  CurrentSort[0] = chosen_tamanho;
  DoASort(true);
  // Sets of equal texts need not be neighbours within a run of one size: the run is put in
  // order of the whole key first.
  const auto gone = RepeatsBySize(
      fFiles.Items(),
      [](const TChosenFile_BaseRec& a, const TChosenFile_BaseRec& b) { return KeyWithDate(a) < KeyWithDate(b); },
      [](const TChosenFile_BaseRec& a, const TChosenFile_BaseRec& b) { return KeyWithDate(a) == KeyWithDate(b); });
  RemoveFlagged(gone);
  CurrentSort[0] = saved_main;
  DoASort(true);
}

void TSharedChosenFilesClass::RemoveDuplicates() {
  if (FileCount() < 2) return;
  CurrentSort[0] = chosen_tamanho;
  DoASort(true);
  const auto gone = RepeatsBySize(
      fFiles.Items(),
      [](const TChosenFile_BaseRec& a, const TChosenFile_BaseRec& b) { return KeyWithoutDate(a) < KeyWithoutDate(b); },
      [](const TChosenFile_BaseRec& a, const TChosenFile_BaseRec& b) { return KeyWithoutDate(a) == KeyWithoutDate(b); });
  RemoveFlagged(gone);
}

void TSharedChosenFilesClass::CheckForUnicode(bool thorough, bool& mixed_formats, bool& someUTF8) {
  mixed_formats = false;
  someUTF8 = false;
  fthorough_check = thorough;
  const int32_t n = FileCount();
  TMemberFinder finder;
  int last = -1;
  bool have_previous = false;
  TFileContentsSet previous = 0;
  for (int32_t i = 0; i < n && !IsStopped(); ++i) {
    ReportPercent(i, n, last);
    MyYieldProcess();
    TChosenFile_BaseRec& r = fFiles.Item(i)->data;
    const UString full = FullFilename(i);
    TFileContentsSet kind = 0;
    if (r.zip_member > 0) {
      const int32_t m = finder.Find(full);
      if (m < 0) continue;
      auto member = finder.Zip().OpenMemberStream(m);
      if (!member) continue;
      kind = StreamContentsType(*member, thorough);
      if (kind != 0) kind |= kContentsZip;
    } else {
      if (!FileExists(full)) continue;
      kind = FileContentsType(full, thorough);
    }
    if (kind == 0) continue;
    r.kind = kind;
    // A member and a plain file of one encoding are not mixed formats.
    const TFileContentsSet plain = kind & ~kContentsZip;
    if (have_previous && plain != previous) mixed_formats = true;
    previous = plain;
    have_previous = true;
    if (kind & kContentsUTF8) someUTF8 = true;
  }
  if (!IsStopped() && fOnFilesPercent) fOnFilesPercent(100);
}

bool ConvertATextFileAnsiToUTF16(UStringView full_name, int code_page, UString* error) {
  const UString full(full_name);
  if (!FileExists(full)) {
    if (error) *error = u"no such text: " + full;
    return false;
  }
  // A text with the UTF-8 signature is UTF-8 whatever the code page says.
  const bool as_utf8 = FileIsStrictUtf8(full);
  return SafeSaveToFile(full, [&](TStream& out) { return WriteAsUtf16(full, as_utf8, code_page, out); }, error);
}

int32_t TSharedChosenFilesClass::ConvertUTF8sToUnicode(int code_page) {
  int32_t converted = 0;
  const int32_t n = FileCount();
  int last = -1;
  for (int32_t i = 0; i < n && !IsStopped(); ++i) {
    TChosenFile_BaseRec& r = fFiles.Item(i)->data;
    if (r.zip_member > 0 || (r.kind != kContents8Bit && r.kind != kContentsUTF8)) continue;
    ReportPercent(i, n, last);
    MyYieldProcess();
    const UString full = FullFilename(i);
    if (!FileExists(full)) continue;
    UString error;
    if (!ConvertATextFileAnsiToUTF16(full, code_page, &error)) {
      AddToLogFile(u"could not convert to Unicode, text left as it was: " + error);
      continue;
    }
    const int64_t size = FileSizeU(full);
    fExtraStats.data.total_bytes += std::max<int64_t>(size, 0) - std::max<int64_t>(r.size, 0);
    r.size = size;
    fFiles.KeysChanged();
    r.date = FileDateTime(full);
    r.julian_date = DateTimeToJulianAddingConst(r.date);
    r.kind = kContentsUTF16;
    ++converted;
  }
  return converted;
}

// --- order ------------------------------------------------------------------------------------

void TSharedChosenFilesClass::SetSortTo(TChosenFileSort_type Value) { CurrentSort[0] = Value; }

int TSharedChosenFilesClass::CompareByKey(TChosenFileSort_type key, const TChosenFile_BaseRec& a,
                                          const TChosenFile_BaseRec& b) const {
  auto cmp = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
  switch (key) {
    case chosen_caminho: return cmp(a.folder_num, b.folder_num);
    case chosen_nome_arquivo: {
      const int c = FoldCaseU(a.filename).compare(FoldCaseU(b.filename));
      return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    case chosen_tamanho: return cmp(a.size, b.size);
    case chosen_palavras: return cmp(a.words, b.words);
    case chosen_tipo_de_arquivo: return cmp(FileContentsComparison(a.kind, b.kind), 0);
    case chosen_data_textual: return cmp(a.julian_date, b.julian_date);
    case chosen_whether_unwanted: return cmp(a.wanted, b.wanted);
    case chosen_randomico: return 0;
  }
  return 0;
}

void TSharedChosenFilesClass::DoASort(bool main_sort_ascending) {
  Sorting = true;
  SortsAscending[0] = main_sort_ascending;
  SortsAscending[1] = SortsAscending[2] = true;
  SortsWanted[0] = SortsWanted[1] = true;
  SortsWanted[2] = false;
  Has_Sorted = true;
  TChosenFilesList::TItems items = fFiles.Take();
  if (items.size() >= 2) {
    if (CurrentSort[0] == chosen_randomico) {
      std::mt19937_64 rng(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
      std::shuffle(items.begin(), items.end(), rng);
    } else {
      const TChosenFileSort_type k1 = CurrentSort[0];
      const TChosenFileSort_type k2 = SortsWanted[1] ? CurrentSort[1] : chosen_randomico;
      // Names are folded once, not at every comparison.
      std::vector<UString> folded;
      if (k1 == chosen_nome_arquivo || k2 == chosen_nome_arquivo) {
        folded.reserve(items.size());
        for (const auto& h : items) folded.push_back(FoldCaseU(h->data.filename));
      }
      auto compare = [&](TChosenFileSort_type key, size_t x, size_t y) {
        if (key != chosen_nome_arquivo) return CompareByKey(key, items[x]->data, items[y]->data);
        const int c = folded[x].compare(folded[y]);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
      };
      std::vector<size_t> order(items.size());
      for (size_t i = 0; i < order.size(); ++i) order[i] = i;
      std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
        int c = compare(k1, x, y);
        if (!main_sort_ascending) c = -c;
        if (c != 0) return c < 0;
        return compare(k2, x, y) < 0;
      });
      std::vector<std::unique_ptr<TChosenFileHolder>> sorted;
      sorted.reserve(items.size());
      for (size_t i : order) sorted.push_back(std::move(items[i]));
      items = std::move(sorted);
    }
  }
  fFiles.Replace(std::move(items));
  Sorting = false;
}

void TSharedChosenFilesClass::Delete(int32_t index) {
  const TChosenFileHolder* h = fFiles.Item(index);
  if (!h) return;
  fExtraStats.data.total_bytes -= std::max<int64_t>(h->data.size, 0);
  fFiles.Delete(index);
}

void TSharedChosenFilesClass::CopyFrom(const TSharedChosenFilesClass& Another) {
  if (&Another == this) return;
  for (int32_t i = 0; i < Another.FileCount(); ++i) {
    TChosenFile_BaseRec d = Another.fFiles.Item(i)->data;
    d.folder_num = -1;
    d.jumps = std::make_shared<TJumpList>(d.jumps ? *d.jumps : TJumpList{});
    AddIfNotInAlready(d, Another.FolderName(i));
  }
}

// --- streams ----------------------------------------------------------------------------------

int32_t TSharedChosenFilesClass::ChosenTextsSignature() { return ToolSignature(kToolController); }

std::string TSharedChosenFilesClass::ChosenTextsIdentification() {
  return "TESSORINE_CHOSEN_TEXTS_(" + std::to_string(ChosenTextsSignature()) + ")";
}

namespace {

bool WriteLines(TStream& s, const TChosenStringList& list) {
  const UString text = list.Text();
  if (text.size() > 0x7FFFFFFF) return false;
  if (!WriteI32(s, static_cast<int32_t>(text.size()))) return false;
  return text.empty() || s.WriteExact(text.data(), static_cast<int64_t>(text.size()) * 2);
}

bool ReadLines(TStream& s, bool utf16, TChosenStringList& list) {
  int32_t n = 0;
  if (!ReadCount(s, n, utf16 ? 2 : 1)) return false;
  UString text;
  if (utf16) {
    text.resize(static_cast<size_t>(n));
    if (n > 0 && !s.ReadExact(text.data(), int64_t(n) * 2)) return false;
  } else {
    std::vector<uint8_t> bytes(static_cast<size_t>(n));
    if (n > 0 && !s.ReadExact(bytes.data(), n)) return false;
    text = DecodeCodePage(bytes.data(), bytes.size(), 1252);
  }
  list.SetText(TrimU(text));
  return true;
}

}  // namespace

bool TSharedChosenFilesClass::SaveToStream(TStream& s) {
  try {
    ClearCheckSignature(fCheck);
    fCheck.signature = ChosenTextsSignature();
    fCheck.client_height = version;  // word 8: the stream's version
    SetCheckSignatureText(fCheck, ChosenTextsIdentification());
    if (!WriteCheckSignature(s, fCheck)) return false;

    fExtraStats.data.version = std::max(fExtraStats.data.version, 2);
    if (!WriteValue(s, fExtraStats.data)) return false;

    if (!WriteI32(s, FileCount())) return false;
    const TJumpList none;
    for (const auto& h : fFiles.Items()) {
      const TChosenFile_BaseRec& r = h->data;
      TChosenFileStreamRec w;
      std::memset(&w, 0, sizeof w);
      w.folder_num = static_cast<int32_t>(-int64_t(r.folder_num) - 1);
      w.zip_member = r.zip_member;
      w.date = r.date;
      w.size = r.size;
      w.words = r.words;
      w.wanted = r.wanted;
      w.kind = r.kind;
      w.version = std::max(r.version, 2);
      w.julian_date = r.julian_date;
      w.hits = r.hits;
      if (!WriteValue(s, w)) return false;
      if (!WriteAString(s, r.filename)) return false;
      if (!WriteJumpList(s, r.jumps ? *r.jumps : none)) return false;
    }
    if (!WriteLines(s, fFolders)) return false;
    return WriteLines(s, fNotes);
  } catch (...) {
    return false;
  }
}

bool TSharedChosenFilesClass::ReadFromStream(TStream& s) {
  try {
    TCheckSignature h;
    if (!ReadCheckSignature(s, h)) return false;
    if (h.signature != ChosenTextsSignature() || CheckSignatureText(h) != ChosenTextsIdentification())
      return false;

    TExtraStats extra;
    if (!ReadValue(s, extra.data)) return false;

    int32_t n = 0;
    if (!ReadCount(s, n, kMinStoredTextBytes)) return false;
    std::vector<std::unique_ptr<TChosenFileHolder>> files;
    files.reserve(static_cast<size_t>(n));
    int64_t total = 0;
    for (int32_t i = 0; i < n; ++i) {
      TChosenFileStreamRec w;
      if (!ReadValue(s, w)) return false;
      TChosenFile_BaseRec r;
      // Stored as -index - 1; a value of 0 or more comes from a writer that kept it as it was.
      r.folder_num = w.folder_num < 0 ? static_cast<int32_t>(-int64_t(w.folder_num) - 1) : w.folder_num;
      r.zip_member = w.zip_member;
      r.date = w.date;
      r.size = w.size;
      r.words = w.words;
      r.wanted = w.wanted;
      r.kind = w.kind;
      r.version = w.version;
      r.julian_date = w.julian_date;
      r.hits = w.hits;
      if (r.size < 0 || __builtin_add_overflow(total, r.size, &total)) return false;
      if (!ReadAString(s, r.filename)) return false;
      r.jumps = std::make_shared<TJumpList>();
      if (!ReadJumpList(s, *r.jumps)) return false;
      files.push_back(std::make_unique<TChosenFileHolder>(r));
    }
    TChosenFoldersList folders;
    if (!ReadLines(s, extra.data.version != 0, folders)) return false;
    TChosenNotesList notes;
    if (!ReadLines(s, true, notes)) return false;

    // An index beyond the folders means none.
    for (auto& f : files)
      if (f->data.folder_num >= folders.Count()) f->data.folder_num = -1;
    version = h.client_height;
    fCheck = h;
    extra.data.total_bytes = total;
    fExtraStats = extra;
    fFiles.Replace(std::move(files));
    fFolders = std::move(folders);
    fNotes = std::move(notes);
    return true;
  } catch (...) {
    return false;
  }
}
