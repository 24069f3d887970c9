#include "platform/rtl/plain_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/rtl/files.h"

std::unique_ptr<TFileStream> OpenPlainFileForReading(const UString& path, bool follow_links, UString* why,
                                                     struct stat* status) {
  auto refuse = [&](UString reason) -> std::unique_ptr<TFileStream> {
    if (why) *why = std::move(reason);
    return nullptr;
  };
  // Not blocking: opening a pipe without a writer would wait for one.
  const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (follow_links ? 0 : O_NOFOLLOW);
  const int fd = ::open(Utf16ToUtf8(path).c_str(), flags);
  if (fd < 0) return refuse(!follow_links && errno == ELOOP ? UString(u"is a link") : LastSystemErrorText());
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const UString reason = S_ISREG(st.st_mode) ? LastSystemErrorText() : UString(u"not a plain file");
    ::close(fd);
    return refuse(reason);
  }
  // Reads from here on wait for the disk as any file's do.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  auto stream = TFileStream::FromDescriptor(fd, TFileMode::OpenRead);
  if (!stream) return refuse(LastSystemErrorText());
  if (status) *status = st;
  return stream;
}

std::unique_ptr<TPlainFileReader> TPlainFileReader::Open(const UString& path) {
  const int fd = ::open(Utf16ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<TPlainFileReader>(
      new TPlainFileReader(fd, static_cast<int64_t>(st.st_size), S_ISREG(st.st_mode)));
}

TPlainFileReader::~TPlainFileReader() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t TPlainFileReader::Read(void* buffer, int64_t count) {
  int64_t moved = 0;
  while (moved < count) {
    const ssize_t r = ::read(fd_, static_cast<char*>(buffer) + moved, static_cast<size_t>(count - moved));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    moved += r;
  }
  pos_ += moved;
  return moved;
}

int64_t TPlainFileReader::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t base = origin == TSeekOrigin::Begin ? 0 : origin == TSeekOrigin::Current ? pos_ : size_;
  if ((offset > 0 && base > INT64_MAX - offset) || (offset < 0 && base < INT64_MIN - offset)) return -1;
  const int64_t target = base + offset;
  if (target < 0) return -1;
  if (target == pos_) return pos_;
  if (::lseek(fd_, static_cast<off_t>(target), SEEK_SET) < 0) return -1;
  pos_ = target;
  return pos_;
}
