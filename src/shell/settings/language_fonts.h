// Fonts and writing directions for lines in many languages (the extra text grid's rows of
// same-named texts, each in its own language): the character set a language identifier takes,
// the primary language an ISO 639 code names, right-to-left languages, the user's favourite font
// per language, and the row each line becomes.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

class TLinguaTessor;

struct TCharsetLCIDAndFontname {
  int32_t charset = 0;
  int32_t TheLCID = 0;
  UString fontname;
};

class TMyFontInfoList {
 public:
  void Add(TCharsetLCIDAndFontname r) { items_.push_back(std::move(r)); }
  int Count() const { return static_cast<int>(items_.size()); }
  // A copy of record i; a zeroed record outside the list.
  TCharsetLCIDAndFontname GetFontRecord(int i) const;
  // The first record of that language, or -1.
  int IndexOfLCID(int32_t lcid) const;

 private:
  std::vector<TCharsetLCIDAndFontname> items_;
};

// The character set of a language identifier (3098 gives 204; otherwise by its low nine bits).
int32_t CharsetFromLanguageID(int32_t language_id);
// The primary language (low ten bits) that an ISO 639 code names, from the first locale of the
// known languages that has each primary language; 0 when unknown.
uint16_t LanguageIDFromISOName(UStringView code);
// 1 for a language written right to left, else 0.
int BiDiModeFromLCID(int32_t lcid);

// The favourite fonts of the user's languages: each language's own font (the text settings'
// font when it has none), character set and primary language.
void FillFavouriteFonts(const TLinguaTessor& languages, UStringView default_font, TMyFontInfoList& fonts);

// One row of the grid: the line as shown, its language code and identifier, its font and
// direction.
struct TLanguageRow {
  UString text;
  UString code;  // the two letters the line names, lower case
  int32_t lcid = 0;
  int32_t charset = 0;
  UString font_name;
  bool right_to_left = false;
  UString source_file;
};
// A same-named text's line (".EN_SRT", a tab, the excerpt): line breaks made blanks and the ends
// trimmed, the language code read from characters 2-3, five blanks put in at character 8 (before
// the tab of a shorter extension, at the end of a shorter line), the font from the favourites (default_font with the mapped character
// set otherwise).
TLanguageRow LanguageRowOf(UStringView line, UStringView source_file, const TMyFontInfoList& favourites,
                           UStringView default_font);
