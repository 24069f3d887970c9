// What the source-text page shows of a concordance line: its whole text, read as a run reads it,
// and where the line's hit lies in it.
//
// Protocol of the window
//   1. SourceTextOfLine names the line's text (its full file name) and the hit (file byte,
//      characters, the hit's text as the line shows it);
//   2. the text is read again only when it is another file than the one shown (or nothing is
//      shown): TSourceTextOfFile::Read decodes it with the reader's rules (encoding, byte-order
//      mark, code page, composition), keeping its mark-up and header, and keeps each character's
//      file byte;
//   3. PlaceOfHit finds the character whose byte is the line's: when the text there reads as the
//      line shows its hit (a run of blanks, a line end among them, as one blank), that span is
//      marked; otherwise the text changed since the run and the page opens at its top.
// Texts of 4 GiB or more are not shown (a character's byte is kept in 32 bits).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/text/text_services.h"

struct TTextReadSnapshot;
class TConcordanceList;

class TSourceTextOfFile {
 public:
  // False, with Failure() saying why, when the text cannot be read; the last text read stays.
  bool Read(UStringView full_name, const TTextReadSnapshot& snapshot);
  const UString& FileName() const { return name_; }
  const UString& Text() const { return text_; }
  const UString& Failure() const { return failure_; }
  bool Empty() const { return name_.empty(); }
  void Clear();
  // The character that begins at file byte `byte`; -1 when none does.
  int64_t CharacterAtByte(int64_t byte) const;

 private:
  UString name_;
  UString text_;
  UString failure_;
  std::vector<uint32_t> bytes_;  // per character, its first byte in the file
};

// A line's hit as the source-text page needs it.
struct TLineSource {
  bool valid = false;        // the index names a line
  int32_t file_number = 0;   // 1-based, as the line keeps it
  UString full_name;         // empty when the source files do not name the text
  int64_t byte_position = 0;
  int32_t hit_characters = 0;
  UString hit_text;
};
TLineSource SourceTextOfLine(const TConcordanceList& lines, int index);

struct TSourceHitPlace {
  bool found = false;  // false: the text there no longer reads as the hit
  int64_t start = 0;
  int64_t length = 0;
};
// Letter case is not compared: a run may have been case-folded, the text never is.
TSourceHitPlace PlaceOfHit(const TSourceTextOfFile& text, int64_t byte_position, UStringView hit_text);

// Texts of right-to-left languages (IsRightToLeftLCID) are shown right-justified.
// The viewer's font size: the text settings' size, never below the viewer's smallest.
int SourceTextFontSize(int settings_points, int smallest_points);

// The space bar on the concordance grid (list type 10) hides or shows the search word; every
// other key and grid is left to the grid.
inline constexpr int kKeySpaceBar = 0x20;
bool GridKeyTogglesSearchWord(int list_type, int key);
