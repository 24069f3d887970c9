#include "platform/rtl/temporary_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <mutex>
#include <random>
#include <set>

namespace {

constexpr std::string_view kFront = ".~";
constexpr std::string_view kProcess = ".lz";
constexpr std::string_view kBack = ".tmp";
constexpr size_t kUniqueDigits = 8;
constexpr size_t kLongestName = 255;  // bytes of one name in a folder (NAME_MAX)

template <typename Char>
bool IsDigit(Char c) {
  return c >= Char('0') && c <= Char('9');
}
template <typename Char>
bool IsHexDigit(Char c) {
  return IsDigit(c) || (c >= Char('a') && c <= Char('f'));
}

// The pid of a name of the pattern, or -1 when the name is not one.
template <typename Char>
long ProcessOfName(std::basic_string_view<Char> name) {
  const size_t slash = name.find_last_of(Char('/'));
  if (slash != name.npos) name.remove_prefix(slash + 1);
  auto starts = [&](std::basic_string_view<Char> s, std::string_view with) {
    if (s.size() < with.size()) return false;
    for (size_t i = 0; i < with.size(); ++i)
      if (s[i] != Char(with[i])) return false;
    return true;
  };
  if (!starts(name, kFront)) return -1;
  if (name.size() < kBack.size() || !starts(name.substr(name.size() - kBack.size()), kBack)) return -1;
  name.remove_suffix(kBack.size());
  // "-" and the unique digits, then the pid back to ".lz".
  if (name.size() < kUniqueDigits + 1) return -1;
  for (size_t i = name.size() - kUniqueDigits; i < name.size(); ++i)
    if (!IsHexDigit(name[i])) return -1;
  name.remove_suffix(kUniqueDigits);
  if (name.empty() || name.back() != Char('-')) return -1;
  name.remove_suffix(1);
  size_t digits = 0;
  while (digits < name.size() && IsDigit(name[name.size() - 1 - digits])) ++digits;
  if (digits == 0 || digits > 10) return -1;
  long pid = 0;
  for (size_t i = name.size() - digits; i < name.size(); ++i) pid = pid * 10 + static_cast<long>(name[i] - Char('0'));
  name.remove_suffix(digits);
  if (name.size() < kFront.size() + 1 + kProcess.size()) return -1;  // the target's name is never empty
  if (!starts(name.substr(name.size() - kProcess.size()), kProcess)) return -1;
  if (pid <= 0 || pid > INT_MAX) return -1;
  return pid;
}

bool ProcessIsGone(long pid) { return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Folders whose stale temporaries this process has already removed.
std::mutex g_swept_mutex;
std::set<std::string> g_swept;

void SweepOnce(const std::string& folder) {
  {
    std::lock_guard<std::mutex> hold(g_swept_mutex);
    if (!g_swept.insert(folder).second) return;
  }
  RemoveStaleTemporaries(folder);
}

uint32_t NextUnique() {
  static const uint64_t seed = [] {
    std::random_device rd;
    return (static_cast<uint64_t>(rd()) << 32) ^ rd() ^
           static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  }();
  static std::atomic<uint64_t> serial{0};
  uint64_t x = seed + 0x9E3779B97F4A7C15ull * ++serial;
  x ^= x >> 31;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 29;
  return static_cast<uint32_t>(x);
}

}  // namespace

bool IsOurTemporaryName(UStringView name) { return ProcessOfName(name) > 0; }
bool IsOurTemporaryName(std::string_view name) { return ProcessOfName(name) > 0; }

std::string TemporarySiblingName(std::string_view target, long pid, uint32_t unique) {
  const size_t slash = target.rfind('/');
  const std::string_view folder = slash == target.npos ? std::string_view() : target.substr(0, slash + 1);
  std::string_view stem = slash == target.npos ? target : target.substr(slash + 1);
  char tail[48];
  std::snprintf(tail, sizeof tail, "%.*s%ld-%08x%.*s", static_cast<int>(kProcess.size()), kProcess.data(), pid,
                unique, static_cast<int>(kBack.size()), kBack.data());
  const std::string_view tail_view(tail);
  const size_t room = kLongestName - kFront.size() - tail_view.size();
  if (stem.size() > room) {
    size_t cut = room;
    // Not inside a character: continuation bytes are 10xxxxxx.
    while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) --cut;
    stem = stem.substr(0, cut);
  }
  std::string out;
  out.reserve(folder.size() + kFront.size() + stem.size() + tail_view.size());
  out.append(folder).append(kFront).append(stem).append(tail_view);
  return out;
}

int CreateTemporarySibling(const std::string& target, unsigned mode, std::string& temp) {
  SweepOnce(FolderOfPath(target));
  const long pid = static_cast<long>(::getpid());
  for (int attempt = 0; attempt < 64; ++attempt) {
    temp = TemporarySiblingName(target, pid, NextUnique());
    const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, static_cast<mode_t>(mode));
    if (fd >= 0) return fd;
    if (errno != EEXIST) break;
  }
  const int saved = errno;
  temp.clear();
  errno = saved;
  return -1;
}

int RemoveStaleTemporaries(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return 0;
  const int dir_fd = ::dirfd(dir);
  int removed = 0;
  while (const dirent* e = ::readdir(dir)) {
    const long pid = ProcessOfName(std::string_view(e->d_name));
    if (pid <= 0 || !ProcessIsGone(pid)) continue;
    struct stat st {};
    if (::fstatat(dir_fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    // Only this user's plain files: a link or someone else's file is left alone.
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    if (::unlinkat(dir_fd, e->d_name, 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}
