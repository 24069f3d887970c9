// What the tag colour chooser decides, without a window: the colours an entry is drawn in, the
// list's font size and item height, the window's height, and the messages (0x140D) it posts to
// its owner when ticks change.
//
// Colours are 0x00BBGGRR, as the store and the documents keep them. A tag's colour may be marked undefined (drawn in the default text
// colour); a value outside 0..0xFFFFFF is not a colour either: it is drawn in the defaults too,
// and the window says so once per filling.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

inline constexpr uint32_t kTagShowHideMessage = 0x140D;
inline constexpr uint64_t kAllTagsWParam = 0x7FFFFFFF;
inline constexpr uint64_t kChooserHiddenWParam = 0x7FFFFFFE;

// One tag as the chooser needs it.
struct TTagColourEntry {
  UString label;
  UString description;
  int64_t colour = 0;       // text colour
  bool colour_undefined = false;
  int64_t second_colour = -1;  // background; negative leaves the default
  bool hidden = false;
};

struct TDrawColours {
  uint32_t text = 0x000000;
  uint32_t background = 0xFFFFFF;
};
// The colours an entry is drawn in; bad is set when a given colour is not one (and not marked
// undefined).
TDrawColours TagDrawColours(const TTagColourEntry& entry, bool& bad);
// The message naming the tags whose colours are not colours; empty when all are.
UString BadTagColoursMessage(const std::vector<TTagColourEntry>& tags);

// The list's font size: at least 8 points.
inline int TagListFontSize(int font_size) { return font_size < 8 ? 8 : font_size; }
// An entry's height: the font's height with room around it, never below the image height.
int TagListItemHeight(int image_height, double pixels_per_inch, int font_size);
// The list's height: every entry with 4 pixels each, at most 20 image heights.
int TagListHeight(int entries, int item_height, int image_height);

// A message the chooser posts to its owner.
struct TTagChooserMessage {
  uint32_t msg = 0;
  uint64_t wparam = 0;
  int64_t lparam = 0;
  bool operator==(const TTagChooserMessage&) const = default;
};
// The box of entry `index` changed (whatever entry is selected).
inline TTagChooserMessage TagTickMessage(int index, bool ticked) {
  return {kTagShowHideMessage, static_cast<uint64_t>(index), ticked ? 1 : 0};
}
inline TTagChooserMessage AllTagsMessage(bool ticked) { return {kTagShowHideMessage, kAllTagsWParam, ticked ? 1 : 0}; }
inline TTagChooserMessage ChooserHiddenMessage() { return {kTagShowHideMessage, kChooserHiddenWParam, 1}; }
