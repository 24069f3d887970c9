#include "wordlist/index_commit.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_tools.h"
#include "wordlist/wordlist_indexer_streams.h"

namespace {

std::mutex g_hook_lock;
std::function<void(int64_t)> g_hook;
int64_t g_step = 0;

void Step() {
  std::function<void(int64_t)> hook;
  int64_t step = 0;
  {
    std::lock_guard<std::mutex> lock(g_hook_lock);
    if (!g_hook) return;
    hook = g_hook;
    step = g_step++;
  }
  hook(step);
}

std::string Native(const UString& name) { return ToFsPath(name).string(); }

UString SystemReason(int error) { return Utf8ToUtf16(std::strerror(error)); }

bool Present(const UString& name) {
  struct stat st {};
  return ::lstat(Native(name).c_str(), &st) == 0;
}

UString FolderOf(const UString& name) {
  const UString folder = ExtractFilePath(name);
  return folder.empty() ? UString(u".") : folder;
}

void SyncFolder(const UString& file) {
  const int fd = ::open(Native(FolderOf(file)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// The name as the record keeps it: absolute, without "." or ".." steps, so that it means the same
// file whatever folder an opener works in.
UString Absolute(const UString& name) {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::absolute(ToFsPath(name), ec);
  return ec ? name : FromFsPath(p.lexically_normal());
}

UString FollowedLink(const UString& name) {
  std::error_code ec;
  const std::filesystem::path p = ToFsPath(name);
  if (!std::filesystem::is_symlink(p, ec)) return name;
  const std::filesystem::path target = std::filesystem::weakly_canonical(p, ec);
  return ec ? name : FromFsPath(target);
}

// A rename of the commit's own; `counted` ones can be failed by the write seam.
bool Rename(const UString& from, const UString& to, bool counted, UString* error) {
  Step();
  if (counted && IndexWriteSeamFails()) {
    if (error) *error = u"could not replace " + to + u": " + SystemReason(ENOSPC);
    return false;
  }
  if (::rename(Native(from).c_str(), Native(to).c_str()) == 0) return true;
  if (error) *error = u"could not replace " + to + u": " + SystemReason(errno);
  return false;
}

bool Remove(const UString& name) {
  Step();
  return ::unlink(Native(name).c_str()) == 0 || errno == ENOENT;
}

// --- the commit record --------------------------------------------------------------------------
// "LZIXCOMT", uint32 version 1, uint32 state (1 pending, 2 done), uint32 count, then per file a
// byte (1: a file was there), and its final name, temporary sibling and aside as uint32 counts of
// UTF-16LE units and the units. Nothing follows.

constexpr char kMagic[8] = {'L', 'Z', 'I', 'X', 'C', 'O', 'M', 'T'};
constexpr uint32_t kRecordVersion = 1;
constexpr uint32_t kPending = 1;
constexpr uint32_t kDone = 2;

struct TMove {
  UString final_name;
  UString temp;
  UString aside;  // empty when no file was there
};

struct TRecord {
  uint32_t state = kPending;
  std::vector<TMove> moves;
};

void PutU32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutName(std::vector<uint8_t>& b, const UString& s) {
  PutU32(b, static_cast<uint32_t>(s.size()));
  for (char16_t c : s) {
    b.push_back(static_cast<uint8_t>(c & 0xFF));
    b.push_back(static_cast<uint8_t>(c >> 8));
  }
}

std::vector<uint8_t> RecordBytes(const TRecord& r) {
  std::vector<uint8_t> b(kMagic, kMagic + 8);
  PutU32(b, kRecordVersion);
  PutU32(b, r.state);
  PutU32(b, static_cast<uint32_t>(r.moves.size()));
  for (const TMove& m : r.moves) {
    b.push_back(m.aside.empty() ? 0 : 1);
    PutName(b, m.final_name);
    PutName(b, m.temp);
    PutName(b, m.aside);
  }
  return b;
}

class TRecordReader {
 public:
  explicit TRecordReader(const std::vector<uint8_t>& b) : b_(b) {}
  bool U32(uint32_t& v) {
    if (b_.size() - at_ < 4) return false;
    v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t{b_[at_ + i]} << (8 * i);
    at_ += 4;
    return true;
  }
  bool Byte(uint8_t& v) {
    if (at_ >= b_.size()) return false;
    v = b_[at_++];
    return true;
  }
  bool Name(UString& s) {
    uint32_t n = 0;
    if (!U32(n) || n > (b_.size() - at_) / 2) return false;
    s.resize(n);
    for (uint32_t i = 0; i < n; ++i, at_ += 2) s[i] = static_cast<char16_t>(b_[at_] | (b_[at_ + 1] << 8));
    return true;
  }
  bool Skip(size_t n) {
    if (b_.size() - at_ < n) return false;
    at_ += n;
    return true;
  }
  bool AtEnd() const { return at_ == b_.size(); }

 private:
  const std::vector<uint8_t>& b_;
  size_t at_ = 0;
};

bool ParseRecord(const std::vector<uint8_t>& b, TRecord& r) {
  if (b.size() < 8 || std::memcmp(b.data(), kMagic, 8) != 0) return false;
  TRecordReader in(b);
  uint32_t version = 0, count = 0;
  if (!in.Skip(8) || !in.U32(version) || version != kRecordVersion || !in.U32(r.state) ||
      (r.state != kPending && r.state != kDone) || !in.U32(count) || count > 16)
    return false;
  for (uint32_t i = 0; i < count; ++i) {
    TMove m;
    uint8_t had = 0;
    if (!in.Byte(had) || had > 1 || !in.Name(m.final_name) || !in.Name(m.temp) || !in.Name(m.aside)) return false;
    if (m.final_name.empty() || m.temp.empty() || (had == 1) == m.aside.empty()) return false;
    r.moves.push_back(std::move(m));
  }
  return in.AtEnd();
}

// --- what a record may name ----------------------------------------------------------------------
// A record is acted on only when every name in it is one a save of this index writes: each final
// name one of the index's four files, or the file a link among them leads to; each temporary
// sibling beside that index file and each aside beside its final name, named as CreateTemp and
// CommitIndexFiles name them (".~NAME.<number>_<number>.tmp", ".old"). Anything else (another
// folder, another file of the folder, a relative name, the live files) leaves the record unread.

constexpr const char16_t* kIndexExtensions[] = {u".tokens", u".types", u".stats", u".markup"};

bool Digits(UStringView s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

// The folder a name stands in, with its links followed: two spellings of one folder agree.
UString RealFolder(const UString& name) {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::weakly_canonical(ToFsPath(name).parent_path(), ec);
  return ec ? UString() : FromFsPath(folder);
}

// Whether `name` is the entry `leaf` of the folder `real_folder` (RealFolder's form), spelt
// absolutely and without "." or ".." steps.
bool NamesEntry(const UString& name, const UString& real_folder, UStringView leaf) {
  if (name.empty() || name.front() != u'/' || Absolute(name) != name) return false;
  return ExtractFileName(name) == leaf && !real_folder.empty() && RealFolder(name) == real_folder;
}

// Whether `name` is a temporary file or an aside (`suffix`) a save makes beside `beside`:
// ".~" + beside's file name + "." + pid "_" number + suffix, in beside's folder.
bool NamesSibling(const UString& name, const UString& beside, UStringView suffix) {
  const UString stem = u".~" + ExtractFileName(beside) + u".";
  const UString leaf = ExtractFileName(name);
  if (leaf.size() <= stem.size() + suffix.size() || leaf.compare(0, stem.size(), stem) != 0 ||
      leaf.compare(leaf.size() - suffix.size(), suffix.size(), suffix) != 0)
    return false;
  const UStringView middle = UStringView(leaf).substr(stem.size(), leaf.size() - stem.size() - suffix.size());
  const size_t bar = middle.find(u'_');
  if (bar == UStringView::npos || !Digits(middle.substr(0, bar)) || !Digits(middle.substr(bar + 1))) return false;
  return NamesEntry(name, RealFolder(beside), leaf);
}

// Empty when a save of the index whose files share `base` could have written every name of the
// record; otherwise the first name it could not have written.
UString ForeignName(const TRecord& r, const UString& base) {
  const UString index = Absolute(base);
  std::vector<bool> taken(std::size(kIndexExtensions), false);
  for (const TMove& m : r.moves) {
    // Which of the index's files the move is for: by its name, or by the file its link leads to.
    size_t k = 0;
    UString file;
    for (; k < std::size(kIndexExtensions); ++k) {
      file = index + kIndexExtensions[k];
      const UString followed = FollowedLink(file);
      if (NamesEntry(m.final_name, RealFolder(file), ExtractFileName(file)) ||
          (followed != file && NamesEntry(m.final_name, RealFolder(followed), ExtractFileName(followed))))
        break;
    }
    if (k == std::size(kIndexExtensions) || taken[k]) return m.final_name;
    taken[k] = true;
    if (!NamesSibling(m.temp, file, u".tmp")) return m.temp;
    if (!m.aside.empty() && !NamesSibling(m.aside, m.final_name, u".old")) return m.aside;
  }
  return UString();
}

// Writes the record through a synced sibling and one rename, so that it is there whole or not at all.
bool WriteRecord(const UString& name, const TRecord& r, UString* error) {
  const std::vector<uint8_t> bytes = RecordBytes(r);
  UString why;
  Step();
  std::unique_ptr<TIndexFile> temp = TIndexFile::TempHolding(name, bytes, why);
  if (!temp || !temp->Sync()) {
    if (error) *error = temp ? temp->Error() : why;
    return false;
  }
  if (!Rename(temp->Name(), name, true, error)) return false;
  temp->Keep();
  SyncFolder(name);
  return true;
}

bool ReadRecord(const UString& name, TRecord& r, UString* error) {
  UString why;
  std::unique_ptr<TIndexFile> f = TIndexFile::OpenRead(name, &why);
  const int64_t size = f ? f->Size() : -1;
  if (!f || size < 0 || size > (int64_t{1} << 20)) {
    if (error) *error = f ? name + u": not a commit record of an index" : why;
    return false;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (!f->ReadAt(0, bytes.data(), size) || !ParseRecord(bytes, r)) {
    if (error) *error = name + u": damaged (not a commit record of an index); the index files were left as they are";
    return false;
  }
  return true;
}

// Takes every file the record names back to how it was before the commit began. Each step leaves
// a state that tells the next attempt what is still to do, so a kill during a roll-back is rolled
// back the same way later: a file aside is put back before its temporary sibling goes, and a file
// with neither its sibling nor its aside left is the old one, already back.
bool RollBack(const TRecord& r, UString* error) {
  bool ok = true;
  for (size_t i = r.moves.size(); i-- > 0;) {
    const TMove& m = r.moves[i];
    const bool sibling_left = Present(m.temp);
    if (!m.aside.empty()) {
      if (Present(m.aside) && !Rename(m.aside, m.final_name, false, error)) ok = false;
    } else if (!sibling_left) {
      Remove(m.final_name);  // moved in where no file was
    }
    if (sibling_left) Remove(m.temp);
  }
  SyncFolder(r.moves.empty() ? UString() : r.moves.front().final_name);
  return ok;
}

void RollForward(const TRecord& r) {
  for (const TMove& m : r.moves) {
    if (!m.aside.empty()) Remove(m.aside);
    if (Present(m.temp)) Remove(m.temp);
  }
}

// Temporary siblings of the index's files and of its record that a writer killed while it wrote
// them left behind: a live writer holds a lock on each of its own, so a file whose lock can be
// taken is gone with its writer.
void RemoveDeadWritersFiles(const UString& record_name) {
  const UString folder = FolderOf(record_name);
  const UString base = ExtractFileName(ChangeFileExt(record_name, u""));
  DIR* dir = ::opendir(Native(folder).c_str());
  if (!dir) return;
  std::vector<UString> dead;
  while (const dirent* e = ::readdir(dir)) {
    const UString name = Utf8ToUtf16(e->d_name);
    bool ours = false;
    for (const char16_t* ext : {u".tokens.", u".types.", u".stats.", u".markup.", u".commit."}) {
      const UString prefix = u".~" + base + ext;
      ours = ours || (name.size() > prefix.size() + 4 && name.compare(0, prefix.size(), prefix) == 0 &&
                      name.compare(name.size() - 4, 4, u".tmp") == 0);
    }
    if (!ours) continue;
    const UString full = IncludeTrailingPathDelimiter(folder) + name;
    const int fd = ::open(Native(full).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) dead.push_back(full);
    ::close(fd);
  }
  ::closedir(dir);
  for (const UString& f : dead) Remove(f);
}

}  // namespace

UString IndexCommitRecordName(UStringView base) { return UString(base) + u".commit"; }

void SetIndexCommitStepHook(std::function<void(int64_t)> hook) {
  std::lock_guard<std::mutex> lock(g_hook_lock);
  g_hook = std::move(hook);
  g_step = 0;
}

bool CommitIndexFiles(std::vector<std::unique_ptr<TIndexFile>>& temps, const UString& record_name, UString* error) {
  TRecord record;
  for (const auto& t : temps) {
    TMove m;
    m.final_name = FollowedLink(Absolute(t->FinalName()));
    m.temp = Absolute(t->Name());
    struct stat st {};
    if (::stat(Native(m.final_name).c_str(), &st) == 0) ::fchmod(t->Descriptor(), st.st_mode & 07777);
    if (!t->Sync()) {
      if (error) *error = t->Error();
      return false;
    }
    if (FileExists(m.final_name))
      m.aside = UniqueTempName(FolderOf(m.final_name), u".~" + ExtractFileName(m.final_name) + u".", u".old");
    record.moves.push_back(std::move(m));
  }
  if (!WriteRecord(record_name, record, error)) return false;
  // From here until the record says "done", an opener rolls the commit back.
  auto fail = [&] {
    UString ignored;
    if (RollBack(record, &ignored)) Remove(record_name);
    return false;
  };
  for (const TMove& m : record.moves)
    if (!m.aside.empty() && !Rename(m.final_name, m.aside, true, error)) return fail();
  for (const TMove& m : record.moves)
    if (!Rename(m.temp, m.final_name, true, error)) return fail();
  for (const auto& t : temps) t->Keep();
  SyncFolder(record_name);
  record.state = kDone;
  if (!WriteRecord(record_name, record, error)) {
    // The new files are all in, but nothing says so: they go, and the old ones come back.
    for (const auto& t : temps) t->Keep();
    return fail();
  }
  RollForward(record);
  Remove(record_name);
  SyncFolder(record_name);
  return true;
}

TIndexRecovery RecoverIndexCommit(const UString& record_name, UString* message) {
  if (!Present(record_name)) {
    RemoveDeadWritersFiles(record_name);
    return TIndexRecovery::None;
  }
  TRecord record;
  UString why;
  if (!ReadRecord(record_name, record, &why)) {
    if (message) *message = why;
    return TIndexRecovery::Failed;
  }
  const UString base = ChangeFileExt(record_name, u"");
  if (const UString foreign = ForeignName(record, base); !foreign.empty()) {
    if (message)
      *message = record_name + u": names \"" + foreign + u"\", which a save of the index " + base +
                 u" does not write; the record was not acted on and nothing was changed (the index is not opened "
                 u"while it is there)";
    return TIndexRecovery::Failed;
  }
  if (record.state == kDone) {
    RollForward(record);
    Remove(record_name);
    SyncFolder(record_name);
    RemoveDeadWritersFiles(record_name);
    if (message) *message = record_name + u": the last save of the index had finished; its old files were removed";
    return TIndexRecovery::RolledForward;
  }
  if (!RollBack(record, &why)) {
    if (message) *message = record_name + u": a save of the index was cut short and could not be undone: " + why;
    return TIndexRecovery::Failed;
  }
  Remove(record_name);
  SyncFolder(record_name);
  RemoveDeadWritersFiles(record_name);
  if (message) *message = record_name + u": a save of the index was cut short; the index as it was before it is back";
  return TIndexRecovery::RolledBack;
}
