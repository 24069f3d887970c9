// Undoing changes written into source texts, from the modification log.
//
// The log (see modify_texts.h) is read whole; its entries are the lines that are not empty, do
// not begin with ";" and hold a tab, each kept exactly as written and split at tabs only, so a
// comma in a name or phrase never shifts a field. UndoModifications then, for the chosen entries
// from the last to the first (later changes to a text sit at or after earlier ones):
//   1. reads the text's bytes and decodes them (UTF-16 by its mark, UTF-8, else the code page);
//   2. finds what the entry says was written at its character offset (field 6): for SET the
//      inserted text (field 9); for SEARCHWORD the marker (field 4) followed by the phrase
//      (field 7) with its blanks joined as the change joins them (field 8 when logged);
//   3. checks that the characters before it and the change itself encode back to the very bytes
//      in the file, then replaces only those bytes (the phrase as it was, or nothing), so the text
//      keeps its encoding, signature and line ends;
//   4. writes the text through a temporary sibling renamed over it.
// An entry is counted, and its line dropped from the log, only when its text was written. The log
// is rewritten the same way (temporary sibling, rename) with every other line kept as it was:
// comments, lines of other kinds and the entries not undone. Nothing here shows a window.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

// One line of the log that the Undo list offers.
struct TModificationLogEntry {
  int32_t line = 0;  // index among the log's lines
  UString raw;       // as written, without its line end
  // Field n (from 1), split at tabs.
  UString Field(int n) const;
  // As the list shows it: every tab a comma.
  UString Shown() const;
};

struct TModificationLog {
  bool exists = false;
  std::vector<UString> lines;  // each with the line end it had (the last may have none)
  std::vector<TModificationLogEntry> entries;
  // Field 2 of the last entry among the log's last five lines; empty when none.
  UString latest_stamp;
  // How the log's bytes are written, so that a rewrite keeps them so.
  uint8_t bytes_kind = 0;  // TTextBytesKind
  bool signature = false;
  int code_page = 1252;
};

// A missing log reads as empty (true); a log that cannot be read answers false with why.
bool ReadModificationLog(UStringView log_name, TModificationLog& log, UString& error);

// The ticks the "only by" and "at" choices give: an entry whose field 1 (initials) or field 2
// (stamp "yyyymmddhhnn") equals the text exactly.
std::vector<bool> EntriesByInitials(const std::vector<TModificationLogEntry>& entries, UStringView initials);
std::vector<bool> EntriesAtStamp(const std::vector<TModificationLogEntry>& entries, UStringView stamp);

struct TUndoResult {
  int32_t undone = 0;
  std::vector<UString> notes;  // one per chosen entry left alone: which line and why
  UString log_problem;         // the log could not be read or rewritten
};

// Undoes the entries whose log line indices are given. code_page decodes texts that are neither
// UTF-16 nor UTF-8.
TUndoResult UndoModifications(UStringView log_name, const std::vector<int32_t>& lines, int code_page = 1252);
