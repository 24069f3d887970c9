// The Colours settings without a window: whether cells showing a percentage are coloured, the
// colours of 0 % and of 100 % (the colours between are in proportion), and the text and background
// colours of each tag to keep, which the tag list "tags_to_keep.dat" carries and documents show
// their kept tags in; and whether the tag list with their colours names each tag by its
// description rather than by the tag itself; and, for the current visual style, the text and
// background colours that concordance lines draw their marked words in (the search word, the
// words either side of it, highlighted collocates, tags without a colour of their own, other
// marks). A word's background may be left empty: the word is then drawn on the cell's own.
//
// A colour is written "#RRGGBB" or named ("red", "Dollar Green", as a tag file names colours); the
// store keeps it as 0x00BBGGRR. ApplyColourSettings checks every field first; one bad colour and
// nothing is written, and each problem names its field. A tag's colours go to the tag of the list
// with the same place and text, so a list changed meanwhile loses no colour to the wrong tag.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

struct TTagColourChoice {
  UString tag;
  UString text_colour;
  UString background;
  bool operator==(const TTagColourChoice&) const = default;
};

// One word-handling colour of the style: its record number, what it colours, its colours.
struct TWordColourChoice {
  int32_t record = 0;
  UString text_colour;
  UString background;  // empty: the cell's own
  bool operator==(const TWordColourChoice&) const = default;
};

// The word-handling records that lines are drawn with, in the order shown.
const std::vector<int32_t>& ShownWordColourRecords();
// What record `record` colours ("Search word; a word after its tag", ...).
UString WordColourCaption(int32_t record);

struct TColourSettingsChoice {
  bool colour_percentages = false;
  UString at_zero;
  UString at_hundred;
  std::vector<TTagColourChoice> tags;  // the tags to keep, in list order
  bool show_descriptions = false;       // the tag list (colours) names tags by their descriptions
  int32_t style = 0;                    // the visual style whose word colours these are
  std::vector<TWordColourChoice> words;  // ShownWordColourRecords, in order
  bool operator==(const TColourSettingsChoice&) const = default;
};

// "#RRGGBB" of a stored colour (0x00BBGGRR).
UString ColourText(uint32_t bgr);
// The stored colour a text names; false when it names none.
bool ColourOfText(UStringView text, uint32_t& bgr);

TColourSettingsChoice CurrentColourSettings(int32_t style = 0);
// The problems, one line each naming its field; empty when everything was stored.
std::vector<UString> ApplyColourSettings(const TColourSettingsChoice& choice);
