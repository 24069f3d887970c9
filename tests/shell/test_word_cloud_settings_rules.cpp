#include "shell/settings/word_cloud_settings_rules.h"

#include <gtest/gtest.h>

#include "model/text_reader_test_support.h"
#include "platform/settings/settings_access.h"

namespace {

class WordCloudSettingsRulesTest : public testing::Test {
 protected:
  text_reader_test::ScopedSettings settings;
};

}  // namespace

TEST_F(WordCloudSettingsRulesTest, WhatIsAppliedIsWhatTheCloudAndPlotRead) {
  TWordCloudSettingsChoice c = CurrentWordCloudSettings();
  EXPECT_EQ(c, TWordCloudSettingsChoice());  // the stored defaults
  c.shape = 2;
  c.show_shapes = true;
  c.colour_by_size = false;
  c.horizontal_spacing = 1.5;
  c.vertical_spacing = 2.25;
  c.min_font_size = 12;
  c.plot_line_colour = 0x00336699;
  c.ruler_colour = 0x00010203;
  c.plot_divisions = 20;
  c.hit_context_characters = 30;
  c.hit_context_lines = 500;
  const TWordCloudSettingsRec before = GetWordCloudSettings();
  ASSERT_TRUE(ApplyWordCloudSettings(c).empty());
  EXPECT_EQ(CurrentWordCloudSettings(), c);
  const TWordCloudSettingsRec w = GetWordCloudSettings();
  EXPECT_EQ(w.Shape(), 2);
  EXPECT_TRUE(w.ShowShapes());
  EXPECT_FALSE(w.ColourBySize());
  EXPECT_FLOAT_EQ(w.VerticalSpacing(), 2.25f);
  EXPECT_EQ(w.MinFontSize(), 12);
  EXPECT_EQ(w.UseCase(), before.UseCase());  // the window's own switch stays
  EXPECT_EQ(w.OutputCase(), before.OutputCase());
  const TRulerPlotWordCloudFeaturesRec f = GetRulerPlotWordCloudFeatures();
  EXPECT_EQ(f.PlotLineColour(), 0x00336699u);
  EXPECT_EQ(f.RulerColour(), 0x00010203u);
  EXPECT_EQ(f.PlotDivisions(), 20);
  // The plot reads its hit contexts from the plot settings: the flag at byte 1, the characters
  // at 12 and the most lines at 16.
  const TPlotSettingsRec plot = GetPlotSettings();
  EXPECT_EQ(plot.bytes[1], 1);
  EXPECT_EQ((plot.Get<int32_t, 12>()), 30);
  EXPECT_EQ((plot.Get<int32_t, 16>()), 500);

  // Contexts switched off: none kept, and the counts wait for the next time.
  c.keep_hit_contexts = false;
  c.hit_context_characters = 0;
  ASSERT_TRUE(ApplyWordCloudSettings(c).empty());
  EXPECT_FALSE(GetPlotSettings().ShowPlotInfo());
  EXPECT_EQ(GetPlotSettings().HitContextCharacters(), 30);
}

TEST_F(WordCloudSettingsRulesTest, BadFieldsAreNamedAndNothingIsStored) {
  const TWordCloudSettingsRec cloud = GetWordCloudSettings();
  const TRulerPlotWordCloudFeaturesRec features = GetRulerPlotWordCloudFeatures();
  const TPlotSettingsRec plot = GetPlotSettings();
  const std::pair<std::function<void(TWordCloudSettingsChoice&)>, const char16_t*> cases[] = {
      {[](TWordCloudSettingsChoice& c) { c.shape = 4; }, u"Shape: 4 is no shape"},
      {[](TWordCloudSettingsChoice& c) { c.horizontal_spacing = 0.5; }, u"Horizontal spacing: not from 1 to 5"},
      {[](TWordCloudSettingsChoice& c) { c.vertical_spacing = 5.5; }, u"Vertical spacing: not from 1 to 5"},
      {[](TWordCloudSettingsChoice& c) { c.min_font_size = 5; }, u"Least font size: 5 is not from 6 to 70"},
      {[](TWordCloudSettingsChoice& c) { c.plot_divisions = 1; }, u"Plot sections: 1 is not from 2 to 1000"},
      {[](TWordCloudSettingsChoice& c) { c.ruler_colour = 0xFFFFFFFF; }, u"Ruler colour: not a colour (#RRGGBB or a colour's name)"},
      {[](TWordCloudSettingsChoice& c) { c.hit_context_characters = 0; }, u"Hit context characters: 0 is not from 1 to 1000"},
      {[](TWordCloudSettingsChoice& c) { c.hit_context_characters = 1001; },
       u"Hit context characters: 1001 is not from 1 to 1000"},
      {[](TWordCloudSettingsChoice& c) { c.hit_context_lines = 0; },
       u"Hit contexts for at most (lines): 0 is not from 1 to 10000000"},
  };
  for (const auto& [change, said] : cases) {
    TWordCloudSettingsChoice c = CurrentWordCloudSettings();
    change(c);
    const std::vector<UString> problems = ApplyWordCloudSettings(c);
    ASSERT_EQ(problems.size(), 1u) << Utf16ToUtf8(said);
    EXPECT_EQ(problems[0], said);
  }
  EXPECT_TRUE(GetWordCloudSettings().SameBytes(cloud));
  EXPECT_TRUE(GetRulerPlotWordCloudFeatures().SameBytes(features));
  EXPECT_TRUE(GetPlotSettings().SameBytes(plot));
}
