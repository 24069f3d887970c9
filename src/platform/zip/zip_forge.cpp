#include "platform/zip/zip_forge.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <unordered_map>

#include <unzip.h>
#include <zip.h>
#include <zlib.h>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/text/text_services.h"

namespace {

constexpr int64_t kIoBlock = 256 * 1024;
constexpr uLong kFlagEncrypted = 0x0001;
constexpr uLong kFlagUtf8Name = 0x0800;
// Members at least this large are written with 64-bit size fields.
constexpr int64_t kZip64Threshold = 0xF0000000LL;

// --- member names ------------------------------------------------------------------------------

// Names flagged as UTF-8, and names that are well-formed UTF-8 (many writers omit the flag), are
// UTF-8; the rest are in the DOS code page.
UString DecodeMemberName(std::string_view raw, bool utf8_flag) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(raw.data());
  UString out;
  if (utf8_flag) return Utf8ToUtf16(raw);
  if (DecodeUtf8Strict(bytes, raw.size(), out)) return out;
  return DecodeCodePage(bytes, raw.size(), 437);
}

UString WithForwardSlashes(UStringView name) {
  UString out(name);
  std::replace(out.begin(), out.end(), u'\\', u'/');
  return out;
}

UString FoldedName(UStringView name) {
  UString out = WithForwardSlashes(name);
  for (char16_t& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return out;
}

// --- dates -------------------------------------------------------------------------------------

TDateTime DateFromZip(const tm_unz& t) {
  if (t.tm_year < 1980 || t.tm_year > 2107) return 0;
  TDateTime out = 0;
  return TryEncodeDateTime(int(t.tm_year), int(t.tm_mon) + 1, int(t.tm_mday), int(t.tm_hour), int(t.tm_min),
                           int(t.tm_sec), out)
             ? out
             : 0;
}

tm_zip ZipDateFrom(TDateTime t) {
  tm_zip z{};
  int y, m, d, h, mi, sec;
  DecodeDateTime(t, y, m, d, h, mi, sec);
  if (y < 1980) y = 1980, m = 1, d = 1, h = 0, mi = 0, sec = 0;  // the earliest date a zip header holds
  if (y > 2107) y = 2107, m = 12, d = 31, h = 23, mi = 59, sec = 59;
  z.tm_year = static_cast<uInt>(y);
  z.tm_mon = static_cast<uInt>(m - 1);
  z.tm_mday = static_cast<uInt>(d);
  z.tm_hour = static_cast<uInt>(h);
  z.tm_min = static_cast<uInt>(mi);
  z.tm_sec = static_cast<uInt>(sec);
  return z;
}

bool SyncFile(const UString& name) {
  const int fd = ::open(Utf16ToUtf8(name).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

bool SameFile(UStringView a, UStringView b) {
  std::error_code ec;
  const bool same = std::filesystem::equivalent(ToFsPath(a), ToFsPath(b), ec);
  return !ec && same;
}

}  // namespace

bool IsSafeMemberName(UStringView name) {
  if (name.empty()) return false;
  if (name[0] == u'/' || name[0] == u'\\') return false;
  if (name.size() >= 2 && name[1] == u':' &&
      ((name[0] >= u'A' && name[0] <= u'Z') || (name[0] >= u'a' && name[0] <= u'z')))
    return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of(u"/\\", start);
    if (end == UStringView::npos) end = name.size();
    if (name.substr(start, end - start) == u"..") return false;
    start = end + 1;
  }
  return true;
}

bool IsAZipFile(UStringView file_name) {
  auto f = TFileStream::Open(UString(file_name), TFileMode::OpenRead);
  if (!f) return false;
  uint8_t sig[4] = {};
  if (!f->ReadExact(sig, 4)) return false;
  return sig[0] == 'P' && sig[1] == 'K' && ((sig[2] == 3 && sig[3] == 4) || (sig[2] == 5 && sig[3] == 6));
}

// --- handles ---------------------------------------------------------------------------------------

// The open handles of one archive that no member stream is using. A member stream borrows one (a
// new one is opened only when none is idle) and gives it back when it ends, so members read one
// after another share a handle, and readers on different threads each hold their own: the lock
// guards the idle list only, never a read.
struct TZipHandlePool {
  explicit TZipHandlePool(std::string path) : path_utf8(std::move(path)) {}
  ~TZipHandlePool() {
    for (unzFile h : idle) unzClose(h);
  }
  TZipHandlePool(const TZipHandlePool&) = delete;
  TZipHandlePool& operator=(const TZipHandlePool&) = delete;

  unzFile Take() {
    {
      std::lock_guard<std::mutex> lock(m);
      if (!idle.empty()) {
        unzFile h = idle.back();
        idle.pop_back();
        return h;
      }
    }
    return unzOpen64(path_utf8.c_str());
  }
  void GiveBack(unzFile h) {
    if (!h) return;
    {
      std::lock_guard<std::mutex> lock(m);
      if (idle.size() < kKeepIdle) {
        idle.push_back(h);
        return;
      }
    }
    unzClose(h);
  }

  static constexpr size_t kKeepIdle = 16;
  const std::string path_utf8;
  std::mutex m;
  std::vector<unzFile> idle;
};

// --- TZipMemberStream ----------------------------------------------------------------------------

struct TZipMemberStream::Impl {
  unzFile unz = nullptr;
  std::shared_ptr<TZipHandlePool> pool;  // where unz goes back when the stream ends
  unz64_file_pos where{};
  UString archive;
  int64_t size = 0;
  int64_t pos = 0;
  bool member_open = false;
  bool failed = false;
  bool finished = false;  // every byte decompressed and the CRC checked
  UString error;
  // Decompressed bytes [win_start, win_start + window.size()) are in memory.
  std::vector<uint8_t> window;
  int64_t win_start = 0;

  static constexpr size_t kKeep = 256 * 1024;
  static constexpr size_t kMaxWindow = 1024 * 1024;

  int64_t Decoded() const { return win_start + static_cast<int64_t>(window.size()); }

  bool Fail(const UString& what) {
    failed = true;
    error = what + u": " + archive;
    return false;
  }

  // (Re)opens the member at its start.
  bool Restart() {
    if (member_open) unzCloseCurrentFile(unz);
    member_open = false;
    finished = false;
    window.clear();
    win_start = 0;
    if (unzGoToFilePos64(unz, &where) != UNZ_OK) return Fail(u"archive member not found");
    if (unzOpenCurrentFile(unz) != UNZ_OK) return Fail(u"archive member cannot be read");
    member_open = true;
    return true;
  }

  // Decompresses the next block into the window. False at the end or on failure.
  bool Fill() {
    if (failed || finished) return false;
    if (!member_open && !Restart()) return false;
    if (window.size() + kIoBlock > kMaxWindow && window.size() > kKeep) {
      const size_t drop = window.size() - kKeep;
      window.erase(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(drop));
      win_start += static_cast<int64_t>(drop);
    }
    const int64_t want = std::min<int64_t>(kIoBlock, size - Decoded());
    if (want <= 0) return Finish();
    const size_t old = window.size();
    window.resize(old + static_cast<size_t>(want));
    const int r = unzReadCurrentFile(unz, window.data() + old, static_cast<unsigned>(want));
    if (r < 0) {
      window.resize(old);
      return Fail(u"archive member is damaged");
    }
    window.resize(old + static_cast<size_t>(r));
    if (r == 0) return Fail(u"archive member ends early");
    if (Decoded() == size && !Finish()) {
      window.resize(old);  // hold back the last bytes of a damaged member
      return false;
    }
    return true;
  }

  // At the declared end: nothing may follow and the CRC must match.
  bool Finish() {
    uint8_t extra = 0;
    const int r = unzReadCurrentFile(unz, &extra, 1);
    const int closed = unzCloseCurrentFile(unz);
    member_open = false;
    if (r != 0) return Fail(u"archive member is longer than recorded");
    if (closed != UNZ_OK) return Fail(u"archive member is damaged (CRC)");
    finished = true;
    return true;
  }
};

TZipMemberStream::TZipMemberStream() : d_(std::make_unique<Impl>()) {}

TZipMemberStream::~TZipMemberStream() {
  if (!d_->unz) return;
  if (d_->member_open) unzCloseCurrentFile(d_->unz);
  if (d_->pool)
    d_->pool->GiveBack(d_->unz);
  else
    unzClose(d_->unz);
}

int64_t TZipMemberStream::Read(void* buffer, int64_t count) {
  Impl& m = *d_;
  if (m.failed || count <= 0 || m.pos >= m.size) return 0;
  count = std::min(count, m.size - m.pos);
  if (m.pos < m.win_start && !m.Restart()) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t got = 0;
  while (got < count) {
    if (m.pos >= m.win_start && m.pos < m.Decoded()) {
      const int64_t n = std::min(m.Decoded() - m.pos, count - got);
      std::memcpy(out + got, m.window.data() + (m.pos - m.win_start), static_cast<size_t>(n));
      got += n;
      m.pos += n;
      continue;
    }
    if (!m.Fill()) break;
  }
  return got;
}

int64_t TZipMemberStream::Write(const void*, int64_t) { return 0; }

int64_t TZipMemberStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == TSeekOrigin::Current) base = d_->pos;
  else if (origin == TSeekOrigin::End) base = d_->size;
  const int64_t np = base + offset;
  if (np < 0) return -1;
  d_->pos = np;
  return np;
}

int64_t TZipMemberStream::Size() { return d_->size; }
bool TZipMemberStream::Failed() const { return d_->failed; }
const UString& TZipMemberStream::LastError() const { return d_->error; }

// --- TZipForge -----------------------------------------------------------------------------------

struct TZipForge::Impl {
  UString file_name;
  UString base_dir;
  UString error;
  TZipOpenMode mode = TZipOpenMode::Read;
  bool open = false;
  unzFile unz = nullptr;  // set while reading (not for an archive without members)
  zipFile zip = nullptr;  // set while adding
  bool reading = false;   // members and comment are those of the file on disk
  bool empty_on_disk = false;
  bool dirty = false;     // members were added since the archive was last written
  std::vector<TZipMemberInfo> members;
  std::vector<unz64_file_pos> where;  // per member, valid while !dirty
  std::shared_ptr<TZipHandlePool> handles;  // for member streams of the archive as last listed
  std::string comment;
  bool comment_changed = false;
  std::vector<uint8_t> in_buf, out_buf;
  // Name look-ups (first member of a name), extended as members are added.
  mutable std::unordered_map<UString, int32_t> exact_index, folded_index;
  mutable size_t indexed = 0;

  void ClearMembers() {
    members.clear();
    where.clear();
    exact_index.clear();
    folded_index.clear();
    indexed = 0;
  }

  void UpdateIndex() const {
    for (; indexed < members.size(); ++indexed) {
      const TZipMemberInfo& m = members[indexed];
      exact_index.emplace(WithForwardSlashes(m.name), m.index);
      folded_index.emplace(FoldedName(m.name), m.index);
    }
  }

  bool Fail(const UString& what) {
    error = what;
    return false;
  }
  bool Fail(const UString& what, UStringView name) {
    error = what + u": " + UString(name);
    return false;
  }

  // Lists the members of the archive open for reading.
  bool LoadMembers() {
    ClearMembers();
    comment.clear();
    unz_global_info64 gi{};
    if (unzGetGlobalInfo64(unz, &gi) != UNZ_OK) return Fail(u"damaged zip archive", file_name);
    if (gi.size_comment > 0) {
      std::string c(gi.size_comment, '\0');
      const int n = unzGetGlobalComment(unz, c.data(), static_cast<uLong>(c.size()));
      if (n < 0) return Fail(u"damaged zip archive", file_name);
      c.resize(static_cast<size_t>(std::min<int>(n, static_cast<int>(c.size()))));
      comment = std::move(c);
    }
    int r = unzGoToFirstFile(unz);
    std::string raw;
    while (r == UNZ_OK) {
      unz_file_info64 fi{};
      if (unzGetCurrentFileInfo64(unz, &fi, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return Fail(u"damaged zip archive", file_name);
      raw.assign(fi.size_filename + 1, '\0');
      if (unzGetCurrentFileInfo64(unz, &fi, raw.data(), static_cast<uLong>(raw.size()), nullptr, 0,
                                  nullptr, 0) != UNZ_OK)
        return Fail(u"damaged zip archive", file_name);
      raw.resize(std::strlen(raw.c_str()));
      unz64_file_pos pos{};
      if (unzGetFilePos64(unz, &pos) != UNZ_OK) return Fail(u"damaged zip archive", file_name);
      TZipMemberInfo m;
      m.index = static_cast<int32_t>(members.size());
      m.name = DecodeMemberName(raw, (fi.flag & kFlagUtf8Name) != 0);
      m.size = static_cast<int64_t>(std::min<ZPOS64_T>(fi.uncompressed_size, INT64_MAX));
      m.compressed_size = static_cast<int64_t>(std::min<ZPOS64_T>(fi.compressed_size, INT64_MAX));
      m.date = DateFromZip(fi.tmu_date);
      m.crc = static_cast<uint32_t>(fi.crc);
      m.is_folder = !m.name.empty() && (m.name.back() == u'/' || m.name.back() == u'\\');
      m.encrypted = (fi.flag & kFlagEncrypted) != 0;
      members.push_back(std::move(m));
      where.push_back(pos);
      if (members.size() >= static_cast<size_t>(INT32_MAX)) return Fail(u"too many members", file_name);
      r = unzGoToNextFile(unz);
    }
    if (r != UNZ_END_OF_LIST_OF_FILE) return Fail(u"damaged zip archive", file_name);
    dirty = false;
    return true;
  }

  bool OpenReader() {
    unz = unzOpen64(Utf16ToUtf8(file_name).c_str());
    if (!unz) {
      if (!FileExists(file_name)) return Fail(u"file not found", file_name);
      // The unzip library does not find the end record of an archive without members.
      if (!ReadEmptyArchive()) return Fail(u"not a zip archive, or a damaged one", file_name);
      reading = true;
      empty_on_disk = true;
      return true;
    }
    if (!LoadMembers()) {
      unzClose(unz);
      unz = nullptr;
      return false;
    }
    reading = true;
    empty_on_disk = false;
    return true;
  }

  // An archive with no members is its end record alone (22 bytes and the comment).
  bool ReadEmptyArchive() {
    auto f = TFileStream::Open(file_name, TFileMode::OpenRead);
    if (!f) return false;
    const int64_t size = f->Size();
    uint8_t rec[22] = {};
    if (size < 22 || size > 22 + 0xFFFF || !f->ReadExact(rec, 22)) return false;
    static const uint8_t kEmpty[20] = {'P', 'K', 5, 6};
    if (std::memcmp(rec, kEmpty, 20) != 0) return false;
    const int64_t comment_len = rec[20] | (rec[21] << 8);
    if (size != 22 + comment_len) return false;
    std::string c(static_cast<size_t>(comment_len), '\0');
    if (!f->ReadExact(c.data(), comment_len)) return false;
    ClearMembers();
    comment = std::move(c);
    dirty = false;
    return true;
  }

  void CloseReader() {
    if (unz) unzClose(unz);
    unz = nullptr;
    handles.reset();  // streams still open keep theirs
    reading = false;
  }

  bool EnsureWriter() {
    if (zip) return true;
    if (!open) return Fail(u"no archive is open");
    if (mode != TZipOpenMode::ReadWrite) return Fail(u"archive is open for reading only", file_name);
    CloseReader();
    if (empty_on_disk) {
      // Nothing to keep but the comment, which is written again on closing.
      zip = zipOpen64(Utf16ToUtf8(file_name).c_str(), APPEND_STATUS_CREATE);
      if (zip && !comment.empty()) comment_changed = true;
    } else {
      zip = zipOpen64(Utf16ToUtf8(file_name).c_str(), APPEND_STATUS_ADDINZIP);
    }
    if (!zip) return Fail(u"archive cannot be opened for adding", file_name);
    return true;
  }

  // Writes the central directory (and the comment) and syncs the file; the archive is then
  // complete on disk. Leaves no handle open.
  bool Commit() {
    if (!zip) return true;
    const int r = zipClose(zip, comment_changed ? comment.c_str() : nullptr);
    zip = nullptr;
    if (r != ZIP_OK) return Fail(u"archive could not be written", file_name);
    if (!SyncFile(file_name)) return Fail(u"archive could not be written", file_name);
    comment_changed = false;
    return true;
  }

  // Makes every member readable: writes pending additions and reopens the archive for reading.
  bool EnsureReader() {
    if (!open) return Fail(u"no archive is open");
    if (reading && !dirty) return true;
    if (zip && !Commit()) return false;
    CloseReader();
    return OpenReader();
  }

  bool CheckIndex(int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= members.size())
      return Fail(u"no such archive member: " + IntToUStr(index));
    return true;
  }

  UString MemberNameFor(UStringView file) const {
    if (!base_dir.empty()) {
      std::error_code ec1, ec2;
      const auto base = std::filesystem::weakly_canonical(ToFsPath(base_dir), ec1);
      const auto full = std::filesystem::weakly_canonical(ToFsPath(file), ec2);
      if (!ec1 && !ec2) {
        const auto rel = full.lexically_relative(base);
        const UString r = FromFsPath(rel);
        if (!rel.empty() && !r.empty() && r != u"." && IsSafeMemberName(r)) return r;
      }
    }
    return ExtractFileName(file);
  }

  // Adds count bytes of source as one member. The data is deflated here and handed to the
  // archive raw, so that a source that cannot be read to the end leaves a member whose CRC does
  // not match (never a silently shortened member).
  bool AddMember(const UString& member_name, TStream* source, int64_t count, TDateTime date,
                 TZipMemberInfo& info) {
    const UString name = WithForwardSlashes(member_name);
    if (!IsSafeMemberName(name)) return Fail(u"unsafe archive member name refused", name);
    if (!EnsureWriter()) return false;
    const std::string raw = Utf16ToUtf8(name);
    if (raw.size() > 0xFFFF) return Fail(u"archive member name too long", name);
    const bool utf8 = std::any_of(raw.begin(), raw.end(), [](char c) { return (c & 0x80) != 0; });

    zip_fileinfo zi{};
    zi.tmz_date = ZipDateFrom(date);
    const int zip64 = count >= kZip64Threshold ? 1 : 0;
    if (zipOpenNewFileInZip4_64(zip, raw.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                Z_DEFAULT_COMPRESSION, /*raw=*/1, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY,
                                nullptr, 0, /*versionMadeBy=*/20, utf8 ? kFlagUtf8Name : 0,
                                zip64) != ZIP_OK)
      return Fail(u"archive member cannot be added", name);

    uLong crc = crc32(0, nullptr, 0);
    int64_t done = 0, compressed = 0;
    bool read_ok = true, write_ok = true;
    z_stream zs{};
    if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
      read_ok = false;  // the entry exists now; it is closed as damaged below
    } else {
      in_buf.resize(kIoBlock);
      out_buf.resize(kIoBlock);
      int flush = Z_NO_FLUSH;
      do {
        const int64_t want = std::min<int64_t>(kIoBlock, count - done);
        int64_t got = 0;
        if (want > 0 && read_ok) {
          got = source->Read(in_buf.data(), want);
          if (got < want) read_ok = false;
          if (got < 0) got = 0;
        }
        crc = crc32(crc, in_buf.data(), static_cast<uInt>(got));
        done += got;
        flush = (done >= count || !read_ok) ? Z_FINISH : Z_NO_FLUSH;
        zs.next_in = in_buf.data();
        zs.avail_in = static_cast<uInt>(got);
        do {
          zs.next_out = out_buf.data();
          zs.avail_out = static_cast<uInt>(out_buf.size());
          deflate(&zs, flush);
          const auto produced = static_cast<unsigned>(out_buf.size() - zs.avail_out);
          if (produced > 0 && write_ok) {
            if (zipWriteInFileInZip(zip, out_buf.data(), produced) != ZIP_OK) write_ok = false;
            compressed += produced;
          }
        } while (zs.avail_out == 0);
      } while (flush != Z_FINISH);
      deflateEnd(&zs);
    }
    const uLong stored_crc = read_ok ? crc : (crc ^ 0xFFFFFFFFUL);
    const bool closed = zipCloseFileInZipRaw64(zip, static_cast<ZPOS64_T>(done), stored_crc) == ZIP_OK;
    dirty = true;
    info = TZipMemberInfo{};
    info.index = static_cast<int32_t>(members.size());
    info.name = name;
    info.size = done;
    info.compressed_size = compressed;
    info.date = date;
    info.crc = static_cast<uint32_t>(stored_crc);
    members.push_back(info);
    if (!read_ok) return Fail(u"could not read the whole source; its archive member is marked damaged", name);
    if (!write_ok || !closed) return Fail(u"archive could not be written", file_name);
    return true;
  }

  // Resolves a mask against the base folder: the folder to search and the name mask.
  bool SplitMask(UStringView mask, UString& folder, UString& name_mask) {
    const UString m = WithForwardSlashes(mask);
    const size_t slash = m.rfind(u'/');
    name_mask = slash == UString::npos ? m : m.substr(slash + 1);
    const UString dir = slash == UString::npos ? UString() : m.substr(0, slash + 1);
    if (!dir.empty() && dir[0] == u'/') folder = dir;
    else if (!base_dir.empty()) folder = IncludeTrailingPathDelimiter(base_dir) + dir;
    else return Fail(u"no base folder for the file mask", mask);
    if (name_mask.empty()) name_mask = u"*";
    return true;
  }
};

TZipForge::TZipForge() : d_(std::make_unique<Impl>()) {}

TZipForge::~TZipForge() { CloseArchive(); }

void TZipForge::SetFileName(UStringView name) { d_->file_name = UString(name); }
const UString& TZipForge::FileName() const { return d_->file_name; }
void TZipForge::SetBaseDir(UStringView folder) { d_->base_dir = UString(folder); }
const UString& TZipForge::BaseDir() const { return d_->base_dir; }
bool TZipForge::IsOpen() const { return d_->open; }
TZipOpenMode TZipForge::Mode() const { return d_->mode; }
const UString& TZipForge::LastError() const { return d_->error; }

bool TZipForge::OpenArchive(TZipOpenMode mode) {
  Impl& d = *d_;
  if (d.open) CloseArchive();
  d.error.clear();
  d.mode = mode;
  d.comment.clear();
  d.comment_changed = false;
  d.ClearMembers();
  d.dirty = false;
  if (d.file_name.empty()) return d.Fail(u"no archive name");
  if (mode == TZipOpenMode::ReadWrite && !FileExists(d.file_name)) {
    if (DirectoryExists(d.file_name)) return d.Fail(u"a folder has that name", d.file_name);
    d.zip = zipOpen64(Utf16ToUtf8(d.file_name).c_str(), APPEND_STATUS_CREATE);
    if (!d.zip) return d.Fail(u"archive cannot be created", d.file_name);
    d.open = true;
    d.dirty = true;  // nothing on disk yet to read
    return true;
  }
  if (!d.OpenReader()) return false;
  d.open = true;
  return true;
}

bool TZipForge::CloseArchive() {
  Impl& d = *d_;
  if (!d.open) return true;
  bool ok = true;
  if (d.comment_changed && d.mode == TZipOpenMode::ReadWrite && !d.zip) ok = d.EnsureWriter();
  if (d.zip) ok = d.Commit() && ok;
  d.CloseReader();
  d.open = false;
  d.ClearMembers();
  d.dirty = false;
  d.comment_changed = false;
  return ok;
}

int32_t TZipForge::GetEntryCount() const { return d_->open ? static_cast<int32_t>(d_->members.size()) : 0; }
const std::vector<TZipMemberInfo>& TZipForge::Members() const { return d_->members; }

bool TZipForge::GetMember(int32_t index, TZipMemberInfo& info) const {
  if (index < 0 || static_cast<size_t>(index) >= d_->members.size()) return false;
  info = d_->members[static_cast<size_t>(index)];
  return true;
}

int32_t TZipForge::FindMember(UStringView name, bool case_sensitive) const {
  d_->UpdateIndex();
  const auto& index = case_sensitive ? d_->exact_index : d_->folded_index;
  const auto it = index.find(case_sensitive ? WithForwardSlashes(name) : FoldedName(name));
  return it == index.end() ? -1 : it->second;
}

const std::string& TZipForge::GetFileComment() const { return d_->comment; }

bool TZipForge::SetFileComment(std::string_view comment) {
  Impl& d = *d_;
  if (!d.open) return d.Fail(u"no archive is open");
  if (d.mode != TZipOpenMode::ReadWrite) return d.Fail(u"archive is open for reading only", d.file_name);
  if (comment.size() > 0xFFFF || comment.find('\0') != std::string_view::npos)
    return d.Fail(u"archive comment too long or not text", d.file_name);
  d.comment = std::string(comment);
  d.comment_changed = true;
  return true;
}

bool TZipForge::ExtractToStream(int32_t index, TStream& out) {
  Impl& d = *d_;
  if (!d.EnsureReader() || !d.CheckIndex(index)) return false;
  const TZipMemberInfo& m = d.members[static_cast<size_t>(index)];
  if (m.is_folder) return true;
  if (m.encrypted) return d.Fail(u"archive member is encrypted", m.name);
  if (unzGoToFilePos64(d.unz, &d.where[static_cast<size_t>(index)]) != UNZ_OK ||
      unzOpenCurrentFile(d.unz) != UNZ_OK)
    return d.Fail(u"archive member cannot be read", m.name);
  d.in_buf.resize(kIoBlock);
  int64_t total = 0;
  bool ok = true;
  for (;;) {
    const int r = unzReadCurrentFile(d.unz, d.in_buf.data(), static_cast<unsigned>(d.in_buf.size()));
    if (r < 0) {
      ok = d.Fail(u"archive member is damaged", m.name);
      break;
    }
    if (r == 0) break;
    total += r;
    if (total > m.size) {
      ok = d.Fail(u"archive member is longer than recorded", m.name);
      break;
    }
    if (!out.WriteExact(d.in_buf.data(), r)) {
      ok = d.Fail(u"could not write the extracted data", m.name);
      break;
    }
  }
  const int closed = unzCloseCurrentFile(d.unz);
  if (!ok) return false;
  if (total != m.size) return d.Fail(u"archive member ends early", m.name);
  if (closed != UNZ_OK) return d.Fail(u"archive member is damaged (CRC)", m.name);
  return true;
}

bool TZipForge::ExtractToFolder(int32_t index, UStringView folder, UString* written) {
  Impl& d = *d_;
  if (!d.EnsureReader() || !d.CheckIndex(index)) return false;
  const TZipMemberInfo m = d.members[static_cast<size_t>(index)];
  if (!IsSafeMemberName(m.name)) return d.Fail(u"unsafe archive member name refused", m.name);
  const UString target = IncludeTrailingPathDelimiter(folder) + WithForwardSlashes(m.name);
  if (m.is_folder) {
    if (!ForceDirectories(target)) return d.Fail(u"folder cannot be made", target);
    if (written) *written = target;
    return true;
  }
  if (!ForceDirectories(ExtractFilePath(target))) return d.Fail(u"folder cannot be made", target);
  bool extracted = false;
  const bool saved = SafeSaveToFile(target, [&](TStream& s) { return extracted = ExtractToStream(index, s); });
  if (!saved) {
    if (extracted) d.Fail(u"could not write", target);
    return false;
  }
  if (m.date > 0) {
    struct timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(DateTimeToUnix(m.date));
    ::utimensat(AT_FDCWD, Utf16ToUtf8(target).c_str(), times, 0);  // a date not set is no failure
  }
  if (written) *written = target;
  return true;
}

std::unique_ptr<TZipMemberStream> TZipForge::OpenMemberStream(int32_t index) {
  Impl& d = *d_;
  if (!d.EnsureReader() || !d.CheckIndex(index)) return nullptr;
  const TZipMemberInfo& m = d.members[static_cast<size_t>(index)];
  if (m.encrypted) {
    d.Fail(u"archive member is encrypted", m.name);
    return nullptr;
  }
  std::unique_ptr<TZipMemberStream> s(new TZipMemberStream());
  TZipMemberStream::Impl& si = *s->d_;
  si.archive = d.file_name;
  si.size = m.is_folder ? 0 : m.size;
  si.where = d.where[static_cast<size_t>(index)];
  if (!d.handles) d.handles = std::make_shared<TZipHandlePool>(Utf16ToUtf8(d.file_name));
  si.pool = d.handles;
  si.unz = si.pool->Take();
  if (!si.unz) {
    d.Fail(u"not a zip archive, or a damaged one", d.file_name);
    return nullptr;
  }
  if (si.size > 0 && !si.Restart()) {
    d.error = si.error;
    return nullptr;
  }
  if (si.size == 0) si.finished = true;
  return s;
}

bool TZipForge::AddFile(UStringView file_name, UStringView member_name) {
  Impl& d = *d_;
  if (!d.open) return d.Fail(u"no archive is open");
  if (d.mode != TZipOpenMode::ReadWrite) return d.Fail(u"archive is open for reading only", d.file_name);
  if (SameFile(file_name, d.file_name)) return d.Fail(u"an archive cannot hold itself", file_name);
  auto src = TFileStream::Open(UString(file_name), TFileMode::OpenRead);
  if (!src) return d.Fail(u"file cannot be opened", file_name);
  const int64_t size = src->Size();
  if (size < 0) return d.Fail(u"file cannot be read", file_name);
  const UString name = member_name.empty() ? d.MemberNameFor(file_name) : UString(member_name);
  TZipMemberInfo info;
  const bool ok = d.AddMember(name, src.get(), size, FileDateTime(file_name), info);
  if (ok && OnFileDone) OnFileDone(info.name, info.size, info.compressed_size);
  return ok;
}

bool TZipForge::AddFromStream(UStringView member_name, TStream& source, TDateTime date) {
  Impl& d = *d_;
  if (!d.open) return d.Fail(u"no archive is open");
  if (d.mode != TZipOpenMode::ReadWrite) return d.Fail(u"archive is open for reading only", d.file_name);
  TZipMemberInfo info;
  const bool ok = d.AddMember(UString(member_name), &source, source.BytesLeft(), date > 0 ? date : Now(), info);
  if (ok && OnFileDone) OnFileDone(info.name, info.size, info.compressed_size);
  return ok;
}

bool TZipForge::AddByMask(UStringView mask, bool recurse, std::vector<UString>& added) {
  Impl& d = *d_;
  if (!d.open) return d.Fail(u"no archive is open");
  if (d.mode != TZipOpenMode::ReadWrite) return d.Fail(u"archive is open for reading only", d.file_name);
  UString folder, name_mask;
  if (!d.SplitMask(mask, folder, name_mask)) return false;
  std::vector<UString> files = FindFiles(folder, name_mask, recurse);
  files.erase(std::remove_if(files.begin(), files.end(), [&](const UString& f) { return SameFile(f, d.file_name); }),
              files.end());
  const auto total = static_cast<int32_t>(files.size());
  UString first_error;
  for (int32_t i = 0; i < total; ++i) {
    MyYieldProcess();
    if (OnOverallProgress) OnOverallProgress(i, total);
    const UString& f = files[static_cast<size_t>(i)];
    if (AddFile(f)) added.push_back(f);
    else if (first_error.empty()) first_error = d.error;
  }
  if (OnOverallProgress) OnOverallProgress(total, total);
  if (!first_error.empty()) return d.Fail(first_error);
  return true;
}

bool TZipForge::AddFiles(UStringView mask, bool recurse, int32_t* added) {
  std::vector<UString> done;
  const bool ok = AddByMask(mask, recurse, done);
  if (added) *added = static_cast<int32_t>(done.size());
  return ok;
}

bool TZipForge::MoveFiles(UStringView mask, bool recurse, int32_t* moved) {
  Impl& d = *d_;
  if (moved) *moved = 0;
  std::vector<UString> done;
  const bool all_added = AddByMask(mask, recurse, done);
  const UString add_error = d.error;
  if (done.empty()) return all_added;
  // The sources go only once the archive holding them is complete on disk.
  if (!d.EnsureReader()) return false;
  bool all_deleted = true;
  int32_t deleted = 0;
  for (const UString& f : done) {
    if (DeleteFileU(f)) ++deleted;
    else if (all_deleted) all_deleted = d.Fail(u"file added but not deleted", f);
  }
  if (moved) *moved = deleted;
  if (!all_added) return d.Fail(add_error);
  return all_deleted;
}
