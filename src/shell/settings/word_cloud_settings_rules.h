// The word cloud's settings, and the ruler and plot features stored beside them, without a
// window. The word cloud reads its record each time it draws; the grids read the ruler's colour
// when the ruler is shown, and the plot reads its mark colour and its number of sections:
//   - cloud: the shape drawn behind a word (a soft box, a box, a rounded box, a circle), whether
//     shapes are drawn at all, whether words are coloured by size, the horizontal and vertical
//     spacing factors, and the least font size;
//   - plot and ruler: the colour of the plot's marks, the ruler's colour, and the sections a
//     plot's dispersion is counted in;
//   - the plot's hit contexts: whether a plot keeps the words around each hit (which the plot
//     shows when the mouse points at a hit, and with them its information buttons), how many
//     characters around the hit, and for a concordance of at most how many lines (more lines
//     keep none).
// ApplyWordCloudSettings checks every field first; one bad value and nothing is written, and each
// problem names its field.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

inline constexpr int kCloudShapes = 4;
inline constexpr double kMostCloudSpacing = 5.0;
inline constexpr int kLeastPlotDivisions = 2;
inline constexpr int kMostPlotDivisions = 1000;
inline constexpr uint32_t kNoColour = 0xFFFFFFFF;  // a colour field that named none
inline constexpr int32_t kMostHitContextCharacters = 1000;
inline constexpr int32_t kMostHitContextLines = 10000000;
inline constexpr int32_t kDefaultHitContextCharacters = 80;
inline constexpr int32_t kDefaultHitContextLines = 10000;

struct TWordCloudSettingsChoice {
  int shape = 0;
  bool show_shapes = false;
  bool colour_by_size = true;
  double horizontal_spacing = 1.0;
  double vertical_spacing = 1.0;
  int min_font_size = 9;
  uint32_t plot_line_colour = 0x000000FF;  // 0x00BBGGRR
  uint32_t ruler_colour = 0x00C0C0C0;
  int plot_divisions = 8;
  bool keep_hit_contexts = true;
  int32_t hit_context_characters = kDefaultHitContextCharacters;
  int32_t hit_context_lines = kDefaultHitContextLines;
  bool operator==(const TWordCloudSettingsChoice&) const = default;
};

// "soft box", "box", "rounded box", "circle".
UString CloudShapeCaption(int shape);

TWordCloudSettingsChoice CurrentWordCloudSettings();
// The problems, one line each naming its field; empty when everything was stored.
std::vector<UString> ApplyWordCloudSettings(const TWordCloudSettingsChoice& choice);
