// A shared library the user named (a line filter, a word filter), opened for one exported C
// function.
//
// Protocol: Open (or OpenIfWanted) once; Function() is the symbol's address while the library
// stays open, nullptr otherwise; Close, or the destructor, unloads it. A library that will not
// load, or lacks the function, leaves the object closed with one log line naming the file and why;
// the caller goes on without it.
//
// Only a full name is loaded, and exactly the file it names, links resolved: never a library the
// loader finds on its search path or from the current folder. A library runs inside the program:
// one that crashes or never returns takes the program with it.
#pragma once

#include "platform/rtl/ustring.h"

class TSharedLibrary {
 public:
  TSharedLibrary() = default;
  ~TSharedLibrary();
  TSharedLibrary(const TSharedLibrary&) = delete;
  TSharedLibrary& operator=(const TSharedLibrary&) = delete;

  // `what` begins the log line of a failure ("word filter" gives "word filter off: ..."). A name
  // that is not a full one, or does not lead to a regular file, is refused.
  bool Open(UStringView file_name, const char* symbol, UStringView what);
  // As Open, but only when the user wants the library and names one (no log line otherwise).
  bool OpenIfWanted(bool wanted, UStringView file_name, const char* symbol, UStringView what);
  void Close();
  void* Function() const { return function_; }

 private:
  void* handle_ = nullptr;
  void* function_ = nullptr;
};
