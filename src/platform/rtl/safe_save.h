// Saving a file so that a failure leaves the old one byte-identical and a success changes its
// bytes and nothing else.
//
// One save, in order:
//   1. Begin: the name is followed through its symbolic links to the file they name (a private
//      save follows none: a link at the name is replaced). An existing file there that is not a
//      plain file, or is write-protected (no write bit at all, or this user may not write it),
//      is refused with a message naming it. A temporary sibling (temporary_names.h) is made
//      beside the file, readable by nobody else while it is written.
//   2. The caller writes the temporary file, through Descriptor() or by TemporaryName().
//   3. Commit: the bytes reach the disk; the temporary file takes the old file's owner and group
//      (where the system allows) and its mode (set-id bits only with the owner and group kept),
//      or for a new file the mode any new file gets (0600 for a private save); then it is renamed
//      over the file and the folder is synced.
// A save not committed (a failure, an exception, the object going away) removes the temporary
// file. SafeSaveToFile and SafeSaveBytes (files.h) are this with a stream.
#pragma once

#include <string>

#include "platform/rtl/ustring.h"

struct TSafeSaveOptions {
  // Files handed between the programs: mode 0600, and a link at the name is replaced, not
  // followed.
  bool private_file = false;
};

class TSafeSave {
 public:
  explicit TSafeSave(UStringView name, TSafeSaveOptions options = {});
  ~TSafeSave();
  TSafeSave(const TSafeSave&) = delete;
  TSafeSave& operator=(const TSafeSave&) = delete;

  // False, with *error saying why and naming the file, when the save cannot start.
  bool Begin(UString* error = nullptr);
  // The temporary file, open for reading and writing; -1 before Begin and after Commit.
  int Descriptor() const { return fd_; }
  UString TemporaryName() const;
  // The file that will be replaced: the name given, or the file its links lead to.
  UString TargetName() const;
  bool Commit(UString* error = nullptr);
  void Abandon();

 private:
  bool Fail(UString* error, UStringView what, bool with_system_error);

  UString name_;
  TSafeSaveOptions options_;
  std::string target_;
  std::string temp_;
  int fd_ = -1;
  bool existed_ = false;
  unsigned old_mode_ = 0;
  unsigned old_uid_ = 0;
  unsigned old_gid_ = 0;
};
