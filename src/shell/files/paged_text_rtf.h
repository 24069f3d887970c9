// A paged text as the one-text viewer shows and saves it: trimmed (mark-up taken out, runs of
// blank lines made one) or whole, its key words highlighted, its mark-up greyed; written as rich
// text page by page, so a text of any size is saved without being held whole.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/streams.h"
#include "platform/rtl/ustring.h"
#include "shell/files/key_word_scan.h"
#include "shell/files/paged_text.h"
#include "shell/files/source_text_marks.h"

// A piece of text as shown, each unit with its file byte (and one more for the end).
struct TShownText {
  UString text;
  std::vector<int64_t> bytes;
};

// The units of a page as they are shown. trimmed: mark-up taken out and a run of blank lines
// left as one (blank_before: the piece before ended in a blank line, carried from piece to
// piece).
void AppendShownPage(const TTextPage& page, bool trimmed, TShownText& out, bool& blank_before);

struct TPagedRtfOptions {
  bool trimmed = false;
  bool greyed = false;
  // Highlight these words (empty: none).
  std::vector<UString> words;
  UString title;
  UString comment;
  int font_points = 11;
};
// Writes the whole text as rich text; false (with the reason) when a page cannot be read or the
// stream refuses a write.
bool WritePagedTextRtf(TPagedText& text, const TPagedRtfOptions& options, TStream& out, UString& error);
