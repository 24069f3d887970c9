// The user's line filter: an optional shared library, named in the settings, whose exported C
// function "HandleConcordanceLine" decides for each hit whether a concordance line is made.
//
// Contract with the library (C calling convention, seven 32-bit-or-pointer arguments):
//   int32_t HandleConcordanceLine(const void* line,        // the line text, zero-terminated
//                                 uint32_t midpoint,       // where the search word starts (16-bit)
//                                 uint32_t hit_characters, // the hit's length (16-bit)
//                                 uint32_t byte_position,  // file byte of the hit (low 32 bits)
//                                 uint32_t lcid,           // the texts' locale identifier
//                                 uint32_t utf16,          // 0xFFFF: line is UTF-16, 0: 8-bit
//                                 const char16_t* file);   // the text's full name, zero-terminated
// Non-zero keeps the hit. The pointers are valid during the call only. A C++ exception thrown
// through the call counts as 0. A library that will not load, or lacks the function, turns the
// filter off with a log line; the run goes on without it.
//
// The filter is called on the thread that commits lines, in the order one core makes them, so a
// library that keeps state sees the same sequence whatever the number of workers.
#pragma once

#include <cstdint>

#include "platform/rtl/ustring.h"
#include "platform/runtime/shared_library.h"

class TUserLineFilter {
 public:
  using TFunction = int32_t (*)(const void*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, const char16_t*);

  // Opens the library; false (filter off, one log line naming the file and why) when it cannot.
  bool Load(UStringView file_name);
  // From the settings: on only when the filter is wanted and the name they give (a relative one
  // from the settings' folder) leads to a library file.
  bool LoadFromSettings();
  void Close() { library_.Close(); }
  bool Active() const { return library_.Function() != nullptr; }

  // Whether the hit is kept; true when no filter is active.
  bool Keep(UStringView line, int32_t midpoint, int32_t hit_characters, int64_t byte_position, uint32_t lcid,
            UStringView file_name) const;
  // How many calls ended in an exception (counted as refusals).
  int32_t Failures() const { return failures_; }

 private:
  TSharedLibrary library_;
  mutable int32_t failures_ = 0;
};
