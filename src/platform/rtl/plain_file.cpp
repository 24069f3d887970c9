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
