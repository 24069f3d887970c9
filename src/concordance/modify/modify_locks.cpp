#include "concordance/modify/modify_locks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/rtl/files.h"

namespace {

bool WaitForLock(int fd) {
  while (::flock(fd, LOCK_EX) != 0)
    if (errno != EINTR) return false;
  return true;
}

}  // namespace

TLogLock::~TLogLock() {
  if (fd_ >= 0) ::close(fd_);  // the lock goes with the descriptor
}

bool TLogLock::Lock(const std::string& log_name, UString& error) {
  const std::string name = log_name + ".lock";
  fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0 || !WaitForLock(fd_)) {
    error = u"the modification log's lock " + Utf8ToUtf16(name) + u" cannot be taken (" + LastSystemErrorText() + u")";
    return false;
  }
  return true;
}

TTextLock::~TTextLock() {
  if (fd_ >= 0) ::close(fd_);
}

bool TTextLock::Lock(const std::string& path, UString& error) {
  // A text renamed over this one after it was opened is locked in its turn; a name given to new
  // files without end (someone else's loop) is given up on.
  for (int tries = 0; tries < 1000; ++tries) {
    // Not blocking: a FIFO at the name must not hold the open.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd_ < 0) {
      error = errno == ENOENT ? u"it cannot be found (" + LastSystemErrorText() + u")"
                              : u"it cannot be opened (" + LastSystemErrorText() + u")";
      return false;
    }
    if (::fstat(fd_, &st_) != 0 || !S_ISREG(st_.st_mode)) {
      error = u"it is not a plain file";
      return false;
    }
    if (!WaitForLock(fd_)) {
      error = u"it cannot be locked (" + LastSystemErrorText() + u")";
      return false;
    }
    struct stat named {};
    if (::fstat(fd_, &st_) == 0 && ::stat(path.c_str(), &named) == 0 && named.st_dev == st_.st_dev &&
        named.st_ino == st_.st_ino)
      return true;
    ::close(fd_);
    fd_ = -1;
  }
  error = u"it was replaced again and again while it was to be locked";
  return false;
}
