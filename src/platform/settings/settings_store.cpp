#include "platform/settings/settings_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <exception>

#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"

namespace {

constexpr char kMagic[8] = {'L', 'Z', 'S', 'E', 'T', 'T', 'N', 'G'};
constexpr size_t kHeaderSize = 16;  // magic, version, block count
constexpr size_t kCrcSize = 4;

uint32_t Crc32Of(const uint8_t* data, size_t size) {
  uLong crc = crc32(0L, Z_NULL, 0);
  while (size > 0) {
    const uInt step = size > (1u << 30) ? (1u << 30) : static_cast<uInt>(size);
    crc = crc32(crc, data, step);
    data += step;
    size -= step;
  }
  return static_cast<uint32_t>(crc);
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void Log(const std::string& line) { AddToLogFile(Utf8ToUtf16("settings store: " + line)); }

// An exclusive advisory lock on the store's lock file for as long as the object lives. Every
// writer of the suite takes it, so writes of different processes follow one another.
class TLockFileGuard {
 public:
  explicit TLockFileGuard(const UString& name) {
    fd_ = ::open(Utf16ToUtf8(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        ::close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~TLockFileGuard() {
    if (fd_ >= 0) {
      ::flock(fd_, LOCK_UN);
      ::close(fd_);
    }
  }
  bool Locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace

TSettingsStore::TSettingsStore(UStringView folder) : folder_(IncludeTrailingPathDelimiter(folder)) {
  file_ = folder_ + kFileName;
  std::lock_guard<std::mutex> hold(mutex_);
  LoadLocked();
}

TSettingsStore::~TSettingsStore() { HoldFile(-1); }

// The file last loaded or written stays open: while it is held its inode cannot be given to a
// newer file, so a replacement always shows as a different inode, however fast writes follow.
void TSettingsStore::HoldFile(int fd) {
  if (held_fd_ >= 0) ::close(held_fd_);
  held_fd_ = fd;
}

namespace {
TSettingsStore::TFileIdentity IdentityFromStat(const struct stat& st) {
  TSettingsStore::TFileIdentity id;
  id.exists = true;
  id.device = static_cast<uint64_t>(st.st_dev);
  id.inode = static_cast<uint64_t>(st.st_ino);
  id.size = static_cast<int64_t>(st.st_size);
  id.mtime_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return id;
}
}  // namespace

TSettingsStore::TFileIdentity TSettingsStore::IdentityOfOpen(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return TFileIdentity{};
  return IdentityFromStat(st);
}

UString TSettingsStore::FileName() const { return file_; }

bool TSettingsStore::ValidBlockName(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

std::vector<uint8_t> TSettingsStore::Serialize(const TBlocks& blocks) {
  std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
  PutU32(out, kFormatVersion);
  PutU32(out, static_cast<uint32_t>(blocks.size()));
  for (const auto& [name, data] : blocks) {
    out.push_back(static_cast<uint8_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    PutU32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
  }
  PutU32(out, Crc32Of(out.data(), out.size()));
  return out;
}

bool TSettingsStore::Parse(const std::vector<uint8_t>& bytes, TBlocks& blocks, std::string* why) {
  auto fail = [&](const char* reason) {
    if (why) *why = reason;
    return false;
  };
  blocks.clear();
  if (bytes.size() < kHeaderSize + kCrcSize) return fail("too short");
  if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return fail("not a settings file");
  const size_t end = bytes.size() - kCrcSize;
  if (GetU32(bytes.data() + end) != Crc32Of(bytes.data(), end)) return fail("checksum does not match");
  if (GetU32(bytes.data() + 8) != kFormatVersion) return fail("unknown format version");
  const uint32_t count = GetU32(bytes.data() + 12);
  size_t pos = kHeaderSize;
  TBlocks read;
  for (uint32_t i = 0; i < count; ++i) {
    if (end - pos < 1) return fail("block list cut short");
    const size_t name_len = bytes[pos++];
    if (name_len == 0 || name_len > kMaxNameLength || end - pos < name_len + 4) return fail("bad block name");
    std::string name(reinterpret_cast<const char*>(bytes.data() + pos), name_len);
    pos += name_len;
    if (!ValidBlockName(name)) return fail("bad block name");
    const uint32_t data_len = GetU32(bytes.data() + pos);
    pos += 4;
    if (data_len > end - pos) return fail("block longer than the file");
    if (!read.emplace(std::move(name), std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                                                           bytes.begin() + static_cast<std::ptrdiff_t>(pos + data_len)))
             .second) {
      return fail("block named twice");
    }
    pos += data_len;
  }
  if (pos != end) return fail("bytes after the last block");
  blocks.swap(read);
  return true;
}

TSettingsStore::TFileIdentity TSettingsStore::IdentityOf(const UString& file) {
  struct stat st {};
  if (::stat(Utf16ToUtf8(file).c_str(), &st) != 0) return TFileIdentity{};
  return IdentityFromStat(st);
}

void TSettingsStore::LoadLocked() {
  blocks_.clear();
  unsaved_ = false;
  size_reported_.clear();
  const bool first = !loaded_once_;
  loaded_once_ = true;
  loaded_ = TFileIdentity{};
  const std::string path = Utf16ToUtf8(file_);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    HoldFile(-1);
    if (err == ENOENT) {
      if (first) Log("no settings file yet in " + Utf16ToUtf8(folder_) + "; defaults are used");
    } else {
      Log("cannot open " + path + " (" + std::strerror(err) + "); defaults are used");
      loaded_ = IdentityOf(file_);
    }
    return;
  }
  // The identity and the bytes come from the same open file, even if a writer replaces it now.
  struct stat st {};
  std::vector<uint8_t> bytes;
  bool read_ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxFileSize;
  loaded_ = IdentityOfOpen(fd);
  HoldFile(fd);
  if (read_ok) {
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    read_ok = got == bytes.size();
  }
  std::string why = "cannot be read";
  try {
    if (read_ok && Parse(bytes, blocks_, &why)) return;
  } catch (const std::exception& e) {
    why = e.what();
  }
  blocks_.clear();
  const UString aside = file_ + u".damaged";
  const bool kept = CopyFileU(file_, aside);
  Log(path + " is damaged (" + why + "); defaults are used" +
      (kept ? "; the damaged file is kept as " + Utf16ToUtf8(aside) : std::string()));
}

namespace {
thread_local int t_read_holds = 0;
}  // namespace

void TSettingsStore::HoldReadsOnThisThread(bool hold) { t_read_holds += hold ? 1 : -1; }

void TSettingsStore::ReloadIfChangedLocked() {
  if (!(IdentityOf(file_) == loaded_)) LoadLocked();
}

void TSettingsStore::ReloadIfChanged() {
  std::lock_guard<std::mutex> hold(mutex_);
  ReloadIfChangedLocked();
}

bool TSettingsStore::SaveLocked() {
  const std::vector<uint8_t> bytes = Serialize(blocks_);
  const bool fail = fail_writes_;
  UString error;
  const bool ok = SafeSaveToFile(
      file_,
      [&](TStream& s) {
        if (fail) {
          s.WriteExact(bytes.data(), static_cast<int64_t>(bytes.size() / 2));
          return false;
        }
        return s.WriteExact(bytes.data(), static_cast<int64_t>(bytes.size()));
      },
      &error);
  if (!ok) {
    Log("settings not saved: " + Utf16ToUtf8(error));
    unsaved_ = true;
    return false;
  }
  unsaved_ = false;
  const int fd = ::open(Utf16ToUtf8(file_).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    loaded_ = IdentityOfOpen(fd);
    HoldFile(fd);
  } else {
    loaded_ = IdentityOf(file_);
  }
  return true;
}

bool TSettingsStore::ChangeLocked(const std::function<bool(TBlocks&)>& change) {
  if (!ForceDirectories(folder_)) {
    Log("cannot make the folder " + Utf16ToUtf8(folder_));
    change(blocks_);
    return false;
  }
  TLockFileGuard lock(folder_ + kLockName);
  if (!lock.Locked()) Log("cannot lock " + Utf16ToUtf8(folder_ + kLockName) + "; writing without the lock");
  ReloadIfChangedLocked();
  // Nothing changed and nothing left unsaved by a failed write: nothing to write.
  if (!change(blocks_) && !unsaved_) return true;
  return SaveLocked();
}

bool TSettingsStore::Find(std::string_view name, std::vector<uint8_t>& out) {
  std::lock_guard<std::mutex> hold(mutex_);
  if (t_read_holds == 0) ReloadIfChangedLocked();
  const auto it = blocks_.find(name);
  if (it == blocks_.end()) return false;
  out = it->second;
  return true;
}

bool TSettingsStore::ReadFixed(std::string_view name, void* out, size_t size) {
  std::lock_guard<std::mutex> hold(mutex_);
  if (t_read_holds == 0) ReloadIfChangedLocked();
  const auto it = blocks_.find(name);
  if (it == blocks_.end()) return false;
  if (it->second.size() != size) {
    if (size_reported_.emplace(name).second) {
      Log("block \"" + std::string(name) + "\" has " + std::to_string(it->second.size()) + " bytes instead of " +
          std::to_string(size) + "; its defaults are used");
    }
    return false;
  }
  if (size > 0) std::memcpy(out, it->second.data(), size);
  return true;
}

bool TSettingsStore::Write(std::string_view name, const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  return Update(name, [&](std::vector<uint8_t>& b) { b.assign(p, p + size); });
}

bool TSettingsStore::Update(std::string_view name, const std::function<void(std::vector<uint8_t>&)>& change) {
  if (!ValidBlockName(name)) return false;
  std::lock_guard<std::mutex> hold(mutex_);
  try {
    return UpdateLocked(name, change);
  } catch (const std::exception& e) {
    Log(std::string("settings not changed: ") + e.what());
    return false;
  }
}

bool TSettingsStore::UpdateLocked(std::string_view name,
                                  const std::function<void(std::vector<uint8_t>&)>& change) {
  return ChangeLocked([&](TBlocks& blocks) {
    auto it = blocks.find(name);
    std::vector<uint8_t> value = it == blocks.end() ? std::vector<uint8_t>() : it->second;
    const std::vector<uint8_t> before = value;
    const bool existed = it != blocks.end();
    change(value);
    if (value.empty()) {
      if (!existed) return false;
      blocks.erase(it);
      return true;
    }
    if (existed && value == before) return false;
    blocks[std::string(name)] = std::move(value);
    size_reported_.erase(std::string(name));
    return true;
  });
}

bool TSettingsStore::RemoveBlocksWithPrefix(std::string_view prefix) {
  std::lock_guard<std::mutex> hold(mutex_);
  return ChangeLocked([&](TBlocks& blocks) {
    bool any = false;
    for (auto it = blocks.begin(); it != blocks.end();) {
      if (std::string_view(it->first).starts_with(prefix)) {
        it = blocks.erase(it);
        any = true;
      } else {
        ++it;
      }
    }
    return any;
  });
}

std::vector<std::string> TSettingsStore::BlockNames() {
  std::lock_guard<std::mutex> hold(mutex_);
  ReloadIfChangedLocked();
  std::vector<std::string> names;
  for (const auto& kv : blocks_) names.push_back(kv.first);
  return names;
}
