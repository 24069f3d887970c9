// The user's word filter: an optional shared library, named in the settings, whose exported C
// function "WordlistChangeWord" sees every counted word before it becomes a row.
//
// Contract with the library (C calling convention):
//   const char16_t* WordlistChangeWord(const char16_t* word,  // zero-terminated UTF-16
//                                      uint32_t lcid,         // the texts' locale identifier
//                                      int32_t utf16);        // -1: the document is UTF-16, 0: 8-bit
// nullptr drops the word; otherwise the answer (zero-terminated UTF-16, the library's memory) is
// copied at once and replaces the word when it differs. A C++ exception thrown through the call
// drops the word. A library that will not load, or lacks the function, leaves counting unfiltered
// with a log line.
//
// The filter is called on the thread that finishes the list, once per distinct word, in word
// order, so a library that keeps state sees the same sequence whatever the number of workers.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/rtl/ustring.h"
#include "platform/runtime/shared_library.h"

class TUserWordFilter {
 public:
  using TFunction = const char16_t* (*)(const char16_t*, uint32_t, int32_t);

  bool Load(UStringView file_name);
  // From the settings: on only when the filter is wanted and the name they give (a relative one
  // from the settings' folder) leads to a library file.
  bool LoadFromSettings();
  void Close() { library_.Close(); }
  bool Active() const { return library_.Function() != nullptr; }

  // The word as the filter leaves it; nothing when it drops the word. The word itself when no
  // filter is active.
  std::optional<UString> Change(const UString& word, uint32_t lcid, bool unicode) const;

 private:
  TSharedLibrary library_;
};
