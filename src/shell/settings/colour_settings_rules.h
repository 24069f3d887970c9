// The Colours settings without a window: whether cells showing a percentage are coloured, the
// colours of 0 % and of 100 % (the colours between are in proportion), and the text and background
// colours of each tag to keep, which the tag list "tags_to_keep.dat" carries and documents show
// their kept tags in; and whether the tag list with their colours names each tag by its
// description rather than by the tag itself.
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

struct TColourSettingsChoice {
  bool colour_percentages = false;
  UString at_zero;
  UString at_hundred;
  std::vector<TTagColourChoice> tags;  // the tags to keep, in list order
  bool show_descriptions = false;       // the tag list (colours) names tags by their descriptions
  bool operator==(const TColourSettingsChoice&) const = default;
};

// "#RRGGBB" of a stored colour (0x00BBGGRR).
UString ColourText(uint32_t bgr);
// The stored colour a text names; false when it names none.
bool ColourOfText(UStringView text, uint32_t& bgr);

TColourSettingsChoice CurrentColourSettings();
// The problems, one line each naming its field; empty when everything was stored.
std::vector<UString> ApplyColourSettings(const TColourSettingsChoice& choice);
