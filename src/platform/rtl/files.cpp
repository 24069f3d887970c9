#include "platform/rtl/files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <atomic>
#include <chrono>
#include <system_error>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/rtl/streams.h"

namespace fs = std::filesystem;

fs::path ToFsPath(UStringView name) { return fs::path(Utf16ToUtf8(name)); }
UString FromFsPath(const fs::path& p) { return Utf8ToUtf16(p.string()); }

bool FileExists(UStringView name) {
  std::error_code ec;
  return !name.empty() && fs::is_regular_file(ToFsPath(name), ec);
}

bool IsDirectory(UStringView name) {
  std::error_code ec;
  return !name.empty() && fs::is_directory(ToFsPath(name), ec);
}

bool DirectoryExists(UStringView name) { return IsDirectory(name); }

bool ForceDirectories(UStringView name) {
  if (name.empty()) return false;
  std::error_code ec;
  fs::create_directories(ToFsPath(name), ec);
  return IsDirectory(name);
}

bool DeleteFileU(UStringView name) {
  std::error_code ec;
  return fs::remove(ToFsPath(name), ec) && !ec;
}

bool RenameFileU(UStringView from, UStringView to) {
  std::error_code ec;
  fs::rename(ToFsPath(from), ToFsPath(to), ec);
  return !ec;
}

bool CopyFileU(UStringView from, UStringView to) {
  std::error_code ec;
  fs::copy_file(ToFsPath(from), ToFsPath(to), fs::copy_options::overwrite_existing, ec);
  return !ec;
}

int64_t FileSizeU(UStringView name) {
  std::error_code ec;
  const auto n = fs::file_size(ToFsPath(name), ec);
  return ec ? -1 : static_cast<int64_t>(n);
}

UString ExtractFilePath(UStringView name) {
  const auto p = name.find_last_of(PathDelim);
  return p == UStringView::npos ? UString() : UString(name.substr(0, p + 1));
}

UString ExtractFileName(UStringView name) {
  const auto p = name.find_last_of(PathDelim);
  return UString(p == UStringView::npos ? name : name.substr(p + 1));
}

UString ExtractFileExt(UStringView name) {
  const auto slash = name.find_last_of(PathDelim);
  const auto dot = name.find_last_of(u'.');
  if (dot == UStringView::npos || (slash != UStringView::npos && dot < slash)) return UString();
  return UString(name.substr(dot));
}

UString ChangeFileExt(UStringView name, UStringView ext) {
  const UString old = ExtractFileExt(name);
  UString out(name.substr(0, name.size() - old.size()));
  out += ext;
  return out;
}

UString IncludeTrailingPathDelimiter(UStringView name) {
  UString out(name);
  if (out.empty() || out.back() != PathDelim) out.push_back(PathDelim);
  return out;
}

UString ExcludeTrailingPathDelimiter(UStringView name) {
  UString out(name);
  while (out.size() > 1 && out.back() == PathDelim) out.pop_back();
  return out;
}

bool MatchesMask(UStringView name, UStringView mask) {
  // Iterative wildcard match with one back-track point (linear in practice).
  size_t n = 0, m = 0, star = UStringView::npos, mark = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == u'?' || mask[m] == name[n])) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == u'*') {
      star = m++;
      mark = n;
    } else if (star != UStringView::npos) {
      m = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == u'*') ++m;
  return m == mask.size();
}

std::vector<UString> FindFiles(UStringView folder, UStringView mask, bool recurse) {
  std::vector<UString> out;
  std::error_code ec;
  const fs::path root = ToFsPath(folder);
  if (!fs::is_directory(root, ec)) return out;
  auto consider = [&](const fs::directory_entry& e) {
    std::error_code ec2;
    if (!e.is_regular_file(ec2)) return;
    if (MatchesMask(FromFsPath(e.path().filename()), mask)) out.push_back(FromFsPath(e.path()));
  };
  if (recurse) {
    for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec))
      consider(*it);
  } else {
    for (fs::directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec))
      consider(*it);
  }
  std::sort(out.begin(), out.end());
  return out;
}

UString UniqueTempName(UStringView folder, UStringView prefix, UStringView suffix) {
  static std::atomic<uint64_t> serial{0};
  const UString dir = IncludeTrailingPathDelimiter(folder);
  for (;;) {
    const uint64_t stamp =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    UString name = dir + UString(prefix) + IntToUStr(static_cast<int64_t>(::getpid())) + u"_" +
                   IntToUStr(static_cast<int64_t>((stamp ^ (serial++ << 20)) & 0x7FFFFFFFFFFF)) +
                   UString(suffix);
    std::error_code ec;
    if (!fs::exists(ToFsPath(name), ec)) return name;
  }
}

UString SystemTempFolder() {
  std::error_code ec;
  const fs::path p = fs::temp_directory_path(ec);
  return IncludeTrailingPathDelimiter(ec ? UString(u"/tmp") : FromFsPath(p));
}

bool ReadAllFromDescriptor(int fd, std::string& out) {
  out.clear();
  char buf[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    out.append(buf, static_cast<size_t>(n));
  }
}

namespace {

// Up to `size` bytes from an open descriptor, which it closes; -1 on a read error.
int64_t ReadHeadAndClose(int fd, void* buffer, int64_t size) {
  int64_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, static_cast<char*>(buffer) + got, static_cast<size_t>(size - got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) got = -1;
    if (n <= 0) break;
    got += n;
  }
  ::close(fd);
  return got;
}

}  // namespace

int64_t ReadFileHead(UStringView name, void* buffer, int64_t size) {
  const int fd = ::open(Utf16ToUtf8(UString(name)).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  return ReadHeadAndClose(fd, buffer, size);
}

int64_t ReadPlainFileHead(UStringView name, void* buffer, int64_t size) {
  const int fd = ::open(Utf16ToUtf8(UString(name)).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  // A plain file may be there and still refuse to open (this user may not read it).
  if (fd < 0) return FileExists(name) ? -1 : -2;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -2;
  }
  return ReadHeadAndClose(fd, buffer, size);
}

UString LastSystemErrorText() { return Utf8ToUtf16(std::strerror(errno)); }
