// Locks that keep modifications and undos of source texts apart, between threads of one program
// and between programs (advisory locks: flock). Wherever both are held, the log's is taken first.
//   - TLogLock: a lock file beside the modification log ("<log>.lock"), never replaced or removed,
//     so that whoever waits for it waits for the same lock as whoever renames a rewritten log
//     into place. A modification holds it from reading the log (whose lines number its markers)
//     until its lines are marked done; an undo from reading the log until its rewrite is in place.
//   - TTextLock: the text itself, held from the fingerprint check until the rename that replaces
//     the text, logging on or off. Whoever gets the lock of a file that was replaced meanwhile
//     takes the lock of the file that now has the name instead, and sees the change.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/rtl/ustring.h"

class TLogLock {
 public:
  TLogLock() = default;
  ~TLogLock();
  TLogLock(const TLogLock&) = delete;
  TLogLock& operator=(const TLogLock&) = delete;
  // Waits for the lock of the log (the lock file is made when missing); false with why.
  bool Lock(const std::string& log_name, UString& error);

 private:
  int fd_ = -1;
};

class TTextLock {
 public:
  TTextLock() = default;
  ~TTextLock();
  TTextLock(const TTextLock&) = delete;
  TTextLock& operator=(const TTextLock&) = delete;
  // Waits for the lock of the file at path (a resolved name: a link there is refused); false
  // with why. A name that is no regular file is refused without waiting.
  bool Lock(const std::string& path, UString& error);
  // Open for reading, at its start.
  int Fd() const { return fd_; }
  // The locked file as it was when the lock was taken.
  const struct stat& Stat() const { return st_; }

 private:
  int fd_ = -1;
  struct stat st_ {};
};
