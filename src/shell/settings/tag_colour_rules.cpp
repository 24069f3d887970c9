#include "shell/settings/tag_colour_rules.h"

#include <algorithm>
#include <cmath>

namespace {
bool IsColour(int64_t c) { return c >= 0 && c <= 0xFFFFFF; }
}  // namespace

TDrawColours TagDrawColours(const TTagColourEntry& entry, bool& bad) {
  TDrawColours d;
  bad = false;
  if (!entry.colour_undefined) {
    if (IsColour(entry.colour))
      d.text = static_cast<uint32_t>(entry.colour);
    else
      bad = true;
  }
  if (entry.second_colour >= 0) {
    if (IsColour(entry.second_colour))
      d.background = static_cast<uint32_t>(entry.second_colour);
    else
      bad = true;
  }
  return d;
}

UString BadTagColoursMessage(const std::vector<TTagColourEntry>& tags) {
  UString names;
  for (const TTagColourEntry& t : tags) {
    bool bad = false;
    TagDrawColours(t, bad);
    if (bad) names += (names.empty() ? u"" : u", ") + t.label;
  }
  if (names.empty()) return {};
  return u"These tags have a colour that is not a colour and are shown in the default colours: " + names;
}

int TagListItemHeight(int image_height, double pixels_per_inch, int font_size) {
  const int h = static_cast<int>(std::lround(pixels_per_inch * (font_size + 4) / 72.0));
  return std::max(image_height, h);
}

int TagListHeight(int entries, int item_height, int image_height) {
  return std::min(20 * image_height, std::max(0, entries) * (item_height + 4));
}
