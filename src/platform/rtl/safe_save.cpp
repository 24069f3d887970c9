#include "platform/rtl/safe_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>

#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/temporary_names.h"

namespace {

constexpr int kMostLinks = 40;  // as many as the system itself follows

std::string FolderPart(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

TSafeSave::TSafeSave(UStringView name, TSafeSaveOptions options) : name_(name), options_(options) {}

TSafeSave::~TSafeSave() { Abandon(); }

UString TSafeSave::TemporaryName() const { return Utf8ToUtf16(temp_); }
UString TSafeSave::TargetName() const { return target_.empty() ? name_ : Utf8ToUtf16(target_); }

bool TSafeSave::Fail(UString* error, UStringView what, bool with_system_error) {
  const UString why = with_system_error ? u" (" + LastSystemErrorText() + u")" : UString();
  Abandon();
  if (error) *error = UString(what) + why + u": " + TargetName();
  return false;
}

bool TSafeSave::Begin(UString* error) {
  Abandon();
  if (name_.empty()) return Fail(error, u"no file name was given", false);
  target_ = Utf16ToUtf8(name_);
  struct stat st {};
  existed_ = false;
  for (int links = 0;; ++links) {
    if (::lstat(target_.c_str(), &st) != 0) {
      if (errno != ENOENT) return Fail(error, u"cannot look at the file", true);
      break;  // a new file (or the one a dangling link names)
    }
    if (!S_ISLNK(st.st_mode) || options_.private_file) {
      existed_ = !S_ISLNK(st.st_mode);
      break;
    }
    if (links >= kMostLinks) return Fail(error, u"too many links lead to the file", false);
    std::string next(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
    const ssize_t n = ::readlink(target_.c_str(), next.data(), next.size());
    if (n < 0 || static_cast<size_t>(n) >= next.size()) return Fail(error, u"cannot follow the link", true);
    next.resize(static_cast<size_t>(n));
    target_ = next.front() == '/' ? next : FolderPart(target_) + "/" + next;
  }
  if (existed_) {
    if (!S_ISREG(st.st_mode)) return Fail(error, u"not a plain file", false);
    // Root may write anything: a file without a write bit is still the user's word.
    if ((st.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
      return Fail(error, u"the file is write-protected", false);
    old_mode_ = st.st_mode & 07777;
    old_uid_ = st.st_uid;
    old_gid_ = st.st_gid;
  }
  struct stat folder {};
  if (::stat(FolderPart(target_).c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode))
    return Fail(error, u"folder does not exist", false);
  // The old file's bytes may be private: the copy stays so until Commit gives it their mode.
  const unsigned mode = (existed_ || options_.private_file) ? 0600 : 0666;
  fd_ = CreateTemporarySibling(target_, mode, temp_);
  if (fd_ < 0) return Fail(error, u"cannot create a file in that folder", true);
  return true;
}

bool TSafeSave::Commit(UString* error) {
  if (fd_ < 0) return Fail(error, u"nothing was written", false);
  if (::fsync(fd_) != 0) return Fail(error, u"could not write", true);
  if (options_.private_file) {
    if (::fchmod(fd_, 0600) != 0) return Fail(error, u"could not write", true);
  } else if (existed_) {
    unsigned mode = old_mode_;
    if (old_uid_ != ::geteuid() || old_gid_ != ::getegid()) {
      // Only root may give a file away; a member of the group may keep the group.
      if (::fchown(fd_, old_uid_, old_gid_) != 0) (void)::fchown(fd_, static_cast<uid_t>(-1), old_gid_);
    }
    struct stat now {};
    if (::fstat(fd_, &now) != 0) return Fail(error, u"could not write", true);
    if (now.st_uid != old_uid_) mode &= ~static_cast<unsigned>(S_ISUID);
    if (now.st_gid != old_gid_) mode &= ~static_cast<unsigned>(S_ISGID);
    if (::fchmod(fd_, static_cast<mode_t>(mode)) != 0) return Fail(error, u"could not write", true);
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    ::unlink(temp_.c_str());
    temp_.clear();
    return Fail(error, u"could not write", true);
  }
  if (::rename(temp_.c_str(), target_.c_str()) != 0) return Fail(error, u"could not replace", true);
  temp_.clear();
  SyncFolder(FolderPart(target_));
  return true;
}

void TSafeSave::Abandon() {
  const int saved = errno;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  errno = saved;
}

// --- with a stream ----------------------------------------------------------------------------------

bool SafeSaveToFile(UStringView name, const std::function<bool(TStream&)>& writer, UString* error,
                    TSafeSaveOptions options) {
  TSafeSave save(name, options);
  if (!save.Begin(error)) return false;
  bool ok = false;
  {
    auto out = TFileStream::FromDescriptor(::fcntl(save.Descriptor(), F_DUPFD_CLOEXEC, 0), TFileMode::Create);
    if (!out) {
      save.Abandon();
      if (error) *error = u"could not write (" + LastSystemErrorText() + u"): " + save.TargetName();
      return false;
    }
    try {
      ok = writer(*out);
    } catch (...) {
      ok = false;
    }
    // Commit puts the bytes on the disk.
    ok = out->Flush(false) && ok;
    ok = out->Close() && ok;
  }
  if (!ok) {
    const UString target = save.TargetName();
    save.Abandon();
    if (error) *error = u"could not write: " + target;
    return false;
  }
  return save.Commit(error);
}

bool SafeSaveBytes(UStringView name, const void* data, int64_t size, UString* error, TSafeSaveOptions options) {
  return SafeSaveToFile(name, [&](TStream& s) { return s.WriteExact(data, size); }, error, options);
}
