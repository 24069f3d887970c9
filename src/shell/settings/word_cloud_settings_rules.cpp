#include "shell/settings/word_cloud_settings_rules.h"

#include <algorithm>

#include "platform/settings/settings_access.h"
#include "shell/viewers/word_cloud_layout.h"

namespace {

const char16_t* const kShapeCaptions[kCloudShapes] = {u"soft box", u"box", u"rounded box", u"circle"};

void CheckSpacing(std::vector<UString>& p, UStringView field, double v) {
  if (!(v >= 1.0 && v <= kMostCloudSpacing))
    p.push_back(UString(field) + u": not from 1 to " + IntToUStr(static_cast<int64_t>(kMostCloudSpacing)));
}

std::vector<UString> Problems(const TWordCloudSettingsChoice& c) {
  std::vector<UString> p;
  if (c.shape < 0 || c.shape >= kCloudShapes) p.push_back(u"Shape: " + IntToUStr(c.shape) + u" is no shape");
  CheckSpacing(p, u"Horizontal spacing", c.horizontal_spacing);
  CheckSpacing(p, u"Vertical spacing", c.vertical_spacing);
  if (c.min_font_size < kCloudMinFontLowest || c.min_font_size > kCloudMinFontHighest)
    p.push_back(u"Least font size: " + IntToUStr(c.min_font_size) + u" is not from " + IntToUStr(kCloudMinFontLowest) +
                u" to " + IntToUStr(kCloudMinFontHighest));
  if (c.plot_divisions < kLeastPlotDivisions || c.plot_divisions > kMostPlotDivisions)
    p.push_back(u"Plot sections: " + IntToUStr(c.plot_divisions) + u" is not from " + IntToUStr(kLeastPlotDivisions) +
                u" to " + IntToUStr(kMostPlotDivisions));
  for (const auto& [field, colour] : {std::pair<const char16_t*, uint32_t>{u"Plot mark colour", c.plot_line_colour},
                                     {u"Ruler colour", c.ruler_colour}})
    if (colour > 0x00FFFFFF) p.push_back(UString(field) + u": not a colour (#RRGGBB or a colour's name)");
  if (c.keep_hit_contexts) {
    if (c.hit_context_characters < 1 || c.hit_context_characters > kMostHitContextCharacters)
      p.push_back(u"Hit context characters: " + IntToUStr(c.hit_context_characters) + u" is not from 1 to " +
                  IntToUStr(kMostHitContextCharacters));
    if (c.hit_context_lines < 1 || c.hit_context_lines > kMostHitContextLines)
      p.push_back(u"Hit contexts for at most (lines): " + IntToUStr(c.hit_context_lines) + u" is not from 1 to " +
                  IntToUStr(kMostHitContextLines));
  }
  return p;
}

}  // namespace

UString CloudShapeCaption(int shape) {
  return (shape >= 0 && shape < kCloudShapes) ? UString(kShapeCaptions[shape]) : UString();
}

TWordCloudSettingsChoice CurrentWordCloudSettings() {
  const TWordCloudSettingsRec w = GetWordCloudSettings();
  const TRulerPlotWordCloudFeaturesRec f = GetRulerPlotWordCloudFeatures();
  TWordCloudSettingsChoice c;
  c.shape = w.Shape() < kCloudShapes ? w.Shape() : 0;
  c.show_shapes = w.ShowShapes();
  c.colour_by_size = w.ColourBySize();
  c.horizontal_spacing = w.HorizontalSpacing() >= 1.0f ? w.HorizontalSpacing() : 1.0;
  c.vertical_spacing = w.VerticalSpacing() >= 1.0f ? w.VerticalSpacing() : 1.0;
  c.min_font_size = std::clamp(w.MinFontSize() > 0 ? w.MinFontSize() : 9, kCloudMinFontLowest, kCloudMinFontHighest);
  c.plot_line_colour = f.PlotLineColour() & 0x00FFFFFF;
  c.ruler_colour = f.RulerColour() & 0x00FFFFFF;
  c.plot_divisions = std::max(kLeastPlotDivisions, f.PlotDivisions());
  const TPlotSettingsRec plot = GetPlotSettings();
  c.keep_hit_contexts = plot.ShowPlotInfo();
  c.hit_context_characters = plot.HitContextCharacters();
  c.hit_context_lines = plot.HitContextMostLines();
  return c;
}

std::vector<UString> ApplyWordCloudSettings(const TWordCloudSettingsChoice& c) {
  std::vector<UString> problems = Problems(c);
  if (!problems.empty()) return problems;
  TWordCloudSettingsRec w = GetWordCloudSettings();
  w.SetShape(static_cast<uint8_t>(c.shape));
  w.SetShowShapes(c.show_shapes);
  w.SetColourBySize(c.colour_by_size);
  w.SetHorizontalSpacing(static_cast<float>(c.horizontal_spacing));
  w.SetVerticalSpacing(static_cast<float>(c.vertical_spacing));
  w.SetMinFontSize(c.min_font_size);
  SetWordCloudSettings(w);
  TRulerPlotWordCloudFeaturesRec f = GetRulerPlotWordCloudFeatures();
  f.SetPlotLineColour(c.plot_line_colour);
  f.SetRulerColour(c.ruler_colour);
  f.SetPlotDivisions(c.plot_divisions);
  SetRulerPlotWordCloudFeatures(f);
  // Switched off, the counts stay as they were for the next time contexts are kept.
  TPlotSettingsRec plot = GetPlotSettings();
  plot.SetShowPlotInfo(c.keep_hit_contexts);
  if (c.keep_hit_contexts) {
    plot.SetHitContextCharacters(c.hit_context_characters);
    plot.SetHitContextMostLines(c.hit_context_lines);
  }
  SetPlotSettings(plot);
  return problems;
}
