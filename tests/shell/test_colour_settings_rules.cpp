#include "shell/settings/colour_settings_rules.h"

#include <gtest/gtest.h>

#include "model/reading/tag_lists.h"
#include "model/text_reader_test_support.h"
#include "platform/settings/settings_access.h"
#include "shell/settings/tag_settings_rules.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace {

class ColourSettingsRulesTest : public testing::Test {
 protected:
  void KeepTags(std::vector<UString> tags) {
    TTagSettingsChoice c;
    c.keep = std::move(tags);
    ASSERT_TRUE(ApplyTagSettings(c).empty());
  }
  TStoredTagRec StoredTag(int i) {
    TTagsToKeepList keep(static_cast<uint32_t>(GetTextSettings().LCID()), GetTextSettings().WindowsCodePage());
    EXPECT_TRUE(keep.LoadFromTempFile());
    return keep.GetTagRec(i);
  }
  text_reader_test::ScopedSettings settings;
  TempFolder dir;
  ScopedHandOverFolder hand_over{dir.Path()};
};

}  // namespace

TEST(ColourTexts, HexAndNamesBecomeStoredColours) {
  struct Case {
    const char16_t* text;
    bool ok;
    uint32_t bgr;
  };
  const Case cases[] = {
      {u"#FF0000", true, 0x0000FF},   {u"#0000ff", true, 0xFF0000},   {u" #123456 ", true, 0x563412},
      {u"red", true, 0x0000FF},       {u"Dollar Green", true, 0xC0DCC0}, {u"#12345", false, 0},
      {u"#GG0000", false, 0},         {u"", false, 0},                {u"purpleish", false, 0},
  };
  for (const Case& c : cases) {
    uint32_t bgr = 0xDEAD;
    EXPECT_EQ(ColourOfText(c.text, bgr), c.ok) << Utf16ToUtf8(c.text);
    if (c.ok) {
      EXPECT_EQ(bgr, c.bgr) << Utf16ToUtf8(c.text);
    }
  }
  EXPECT_EQ(ColourText(0x563412), u"#123456");
  for (uint32_t bgr : {0x000000u, 0xFFFFFFu, 0x0080C0u}) {
    uint32_t back = 0;
    ASSERT_TRUE(ColourOfText(ColourText(bgr), back));
    EXPECT_EQ(back, bgr);
  }
}

TEST_F(ColourSettingsRulesTest, PercentageColoursGoWhereTheGridsLook) {
  TColourSettingsChoice c = CurrentColourSettings();
  EXPECT_FALSE(c.colour_percentages);
  EXPECT_TRUE(c.tags.empty());
  c.colour_percentages = true;
  c.at_zero = u"#000000";
  c.at_hundred = u"#C8C8C8";
  c.show_descriptions = true;
  TTagPreferencesRec preferences = GetTagPreferences();
  preferences.SetTagDisplay(2);
  SetTagPreferences(preferences);
  ASSERT_TRUE(ApplyColourSettings(c).empty());
  EXPECT_TRUE(GetTagPreferences().ShowDescriptions());
  EXPECT_EQ(GetTagPreferences().TagDisplay(), 2);  // the other preference stays
  EXPECT_TRUE(GetShouldColourPercentages());
  EXPECT_EQ(GetAPercentageColour(0), 0x000000u);
  EXPECT_EQ(GetAPercentageColour(50), 0x646464u);  // half way
  EXPECT_EQ(GetAPercentageColour(100), 0xC8C8C8u);
  EXPECT_EQ(CurrentColourSettings(), c);
}

TEST_F(ColourSettingsRulesTest, TagColoursGoIntoTheListOfTagsToKeep) {
  KeepTags({u"<w *>", u"<head> /description \"heading\""});
  TColourSettingsChoice c = CurrentColourSettings();
  ASSERT_EQ(c.tags.size(), 2u);
  EXPECT_EQ(c.tags[1].tag, u"<head>");
  c.tags[1].text_colour = u"#FF0000";
  c.tags[1].background = u"yellow";
  SetTagModified(false);
  ASSERT_TRUE(ApplyColourSettings(c).empty());
  EXPECT_TRUE(GetTagModified());  // the tools reload the list
  EXPECT_EQ(StoredTag(1).foreground_colour, 0x0000FF);
  EXPECT_EQ(StoredTag(1).background_colour, 0x00FFFF);
  EXPECT_EQ(StoredTag(1).description, u"heading");
  EXPECT_EQ(StoredTag(0).tag, u"<w *>");
  EXPECT_EQ(CurrentColourSettings().tags[1], (TTagColourChoice{u"<head>", u"#FF0000", u"#FFFF00"}));

  // A list changed since the dialog opened: a colour never goes to another tag.
  KeepTags({u"<p>", u"<w *>"});
  c.tags[1].text_colour = u"#00FF00";
  ASSERT_TRUE(ApplyColourSettings(c).empty());
  EXPECT_NE(StoredTag(1).foreground_colour, 0x00FF00);
}

TEST_F(ColourSettingsRulesTest, BadColoursAreRefusedByFieldAndNothingIsWritten) {
  KeepTags({u"<w *>"});
  const TColourSettingsChoice before = CurrentColourSettings();
  struct Case {
    void (*spoil)(TColourSettingsChoice&);
    const char16_t* named;
  };
  const Case cases[] = {
      {[](TColourSettingsChoice& c) { c.at_zero = u"greyish"; }, u"Colour of 0 %: \"greyish\""},
      {[](TColourSettingsChoice& c) { c.at_hundred = u""; }, u"Colour of 100 %"},
      {[](TColourSettingsChoice& c) { c.tags[0].text_colour = u"#12"; }, u"Tag <w *>, text colour"},
      {[](TColourSettingsChoice& c) { c.tags[0].background = u"nothing"; }, u"Tag <w *>, background"},
  };
  for (const Case& k : cases) {
    TColourSettingsChoice c = before;
    c.colour_percentages = true;
    c.tags[0].text_colour = u"#000001";  // a good change beside the bad one is not written either
    k.spoil(c);
    const std::vector<UString> problems = ApplyColourSettings(c);
    ASSERT_EQ(problems.size(), 1u) << Utf16ToUtf8(k.named);
    EXPECT_EQ(problems[0].rfind(k.named, 0), 0u) << Utf16ToUtf8(problems[0]);
    EXPECT_EQ(CurrentColourSettings(), before) << Utf16ToUtf8(k.named);
  }
}
