// Opening a file that must be a plain file, for reading, when something else may stand at its
// name: a pipe or a device there must not hold the program in the open, and the checks and the
// read must concern the same file (the open descriptor, not the name a second time).
#pragma once

#include <sys/stat.h>

#include <memory>

#include "platform/rtl/streams.h"
#include "platform/rtl/ustring.h"

// Opens path for reading when it is a plain file. nullptr, with why in *why, when it cannot be
// opened or is no plain file; with follow_links false a link at the name is refused ("is a
// link"). *status, when given, gets the open file's status (its owner, mode and size).
std::unique_ptr<TFileStream> OpenPlainFileForReading(const UString& path, bool follow_links, UString* why,
                                                     struct stat* status = nullptr);

// A file read straight into the caller's memory, for texts: a run opens thousands of them and reads
// each in one or a few large reads, so a buffer between (and its copy) costs more than it saves.
// Reads only; its position and size are its own (the size the file had when it was opened), and
// the descriptor serves a mapping of the file too.
class TPlainFileReader : public TStream {
 public:
  // nullptr when path cannot be opened for reading or is a folder. Another kind of file (a pipe, a
  // device) opens as the C library would open it.
  static std::unique_ptr<TPlainFileReader> Open(const UString& path);
  ~TPlainFileReader() override;
  TPlainFileReader(const TPlainFileReader&) = delete;
  TPlainFileReader& operator=(const TPlainFileReader&) = delete;

  // Reads until count bytes moved or the file ends (fewer where it was shortened meanwhile).
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return size_; }
  int Descriptor() const { return fd_; }
  // Whether it is a plain file (which can be mapped).
  bool Plain() const { return plain_; }

 private:
  TPlainFileReader(int fd, int64_t size, bool plain) : fd_(fd), size_(size), plain_(plain) {}
  int fd_ = -1;
  int64_t size_ = 0;
  int64_t pos_ = 0;
  bool plain_ = false;
};
