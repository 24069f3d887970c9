// Lemma, match and stop lists, one of each per tool, loaded from plain-text files.
//
// List files are UTF-8 (with or without a byte-order mark) or UTF-16 with a byte-order mark; a
// file that is not well-formed UTF-8 is read as Windows-1252.
// One item per line; blank lines are skipped and everything from ";" to the end of a line is a
// comment.
//   - Lemma lists: "head -> form1, form2" or "head<TAB>form1<TAB>form2" (forms may be separated
//     by commas or tabs). Several lines for one head add to its forms. A form equal to its head
//     is dropped, and so is a line without forms.
//   - Stop and match lists: one word per line. Match words may carry the match patterns the
//     lists understand ("*ing", "un*", "#").
// Items longer than kLemmatiserMaxItem characters are skipped. Look-ups ignore case; each list
// keeps its items once (ignoring case) in file order, which is the order of the traversals.
#pragma once

#include <cstdint>

#include "platform/rtl/ustring.h"

enum TLemmatiserListKind : int {
  lmsLemma = 0,
  lmsMatch = 1,
  lmsStop = 2,
};

inline constexpr size_t kLemmatiserMaxItem = 1000;
inline constexpr int64_t kLemmatiserMaxFileBytes = 64ll * 1024 * 1024;

struct TLemmatiserLoadOptions {
  // Handed to the traversal call-backs: how the lists' words are to be compared.
  bool case_sensitive = false;
  bool whole_word = true;
  // Told the number of lines of the file before they are read; may be null.
  void (*set_n_lines)(int32_t n) = nullptr;
  // Told the number of lines read so far every 1,024 lines and at the end (the number of
  // lines); may be null.
  void (*show_progress)(int32_t line) = nullptr;
};

// Loads the list of one kind for a tool, replacing the one loaded before. A file that cannot be
// read, is not text or is too big answers false and leaves the loaded list as it was; so does a
// lemma list none of whose lines is in a lemma form (`why`, when given, says so and quotes the
// file's first line).
bool LoadedOne(uint8_t tool, int kind, UStringView file_name, const TLemmatiserLoadOptions& options = {},
               UString* why = nullptr);
// Forgets the list of one kind for a tool.
void ClearOne(uint8_t tool, int kind);
// Asks a load of that tool and kind now in progress (called from one of its call-backs, or from
// another thread) to end at its next progress report: the load answers false and the list
// loaded before stays. With no such load in progress it does nothing, so a cancel never reaches
// a later load.
void CancelOne(uint8_t tool, int kind);

// Non-zero when word is in the tool's list of that kind (for lemma lists: a head or a form).
// width 1: word points at zero-terminated UTF-16; width 0: at zero-terminated Windows-1252 text.
int FoundInTheList(uint8_t tool, const void* word, int width, int kind);

// The other members of word's lemma (its head first, then the forms), joined by separator;
// empty when word is in no lemma.
UString LemmaVariantsOf(uint8_t tool, UStringView word, UStringView separator);

// Traversals in file order. index counts from 0 to total - 1; unicode is always true (the lists
// hold UTF-16). A lemma pair is (form, head). Each answers false when no list of that kind is
// loaded for the tool. A call-back may clear or reload lists: the walk goes on over the list it
// started with.
using TLemmaPairProc = void (*)(void* context, UStringView form, UStringView head, bool case_sensitive,
                                int32_t total, int32_t index, bool whole_word, bool unicode);
using TListWordProc = void (*)(void* context, UStringView word, bool case_sensitive, int32_t total,
                               int32_t index, bool whole_word, bool unicode);
bool TraverseLemmasDoing(uint8_t tool, TLemmaPairProc proc, void* context);
bool TraverseMatchesDoing(uint8_t tool, TListWordProc proc, void* context);
bool TraverseStopsDoing(uint8_t tool, TListWordProc proc, void* context);
