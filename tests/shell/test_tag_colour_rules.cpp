// The tag colour chooser's colours, sizes and messages.
#include <gtest/gtest.h>

#include "shell/settings/tag_colour_rules.h"

namespace {

TEST(TagDrawColours, UndefinedAndBadColoursFallBackToTheDefaults) {
  const struct {
    const char* name;
    int64_t colour;
    bool undefined;
    int64_t second;
    uint32_t text, background;
    bool bad;
  } cases[] = {
      {"plain", 0xFF0000, false, -1, 0xFF0000, 0xFFFFFF, false},
      {"with background", 0x0000FF, false, 0x00FF00, 0x0000FF, 0x00FF00, false},
      {"undefined", 0x7FFFFFFF, true, -1, 0x000000, 0xFFFFFF, false},
      {"too large", 0x1000000, false, -1, 0x000000, 0xFFFFFF, true},
      {"negative text", -5, false, -1, 0x000000, 0xFFFFFF, true},
      {"bad background", 0x112233, false, 0x1FFFFFF, 0x112233, 0xFFFFFF, true},
  };
  for (const auto& c : cases) {
    bool bad = false;
    const TDrawColours d = TagDrawColours({u"t", u"", c.colour, c.undefined, c.second, false}, bad);
    EXPECT_EQ(d.text, c.text) << c.name;
    EXPECT_EQ(d.background, c.background) << c.name;
    EXPECT_EQ(bad, c.bad) << c.name;
  }
}

TEST(TagDrawColours, MessageNamesEachBadTagOnce) {
  std::vector<TTagColourEntry> tags{{u"<p>", u"", 0x10, false, -1, false},
                                    {u"<h>", u"", 0x1000000, false, -1, false},
                                    {u"<b>", u"", 0, true, -1, false},
                                    {u"<i>", u"", -3, false, -1, false}};
  EXPECT_EQ(BadTagColoursMessage(tags),
            u"These tags have a colour that is not a colour and are shown in the default colours: <h>, <i>");
  tags.erase(tags.begin() + 1);
  tags.pop_back();
  EXPECT_TRUE(BadTagColoursMessage(tags).empty());
}

TEST(TagListSizes, FontItemAndWindowHeights) {
  EXPECT_EQ(TagListFontSize(6), 8);
  EXPECT_EQ(TagListFontSize(12), 12);
  EXPECT_EQ(TagListItemHeight(16, 96, 8), 16);   // round(96 * 12 / 72) = 16
  EXPECT_EQ(TagListItemHeight(16, 96, 14), 24);  // round(96 * 18 / 72) = 24
  EXPECT_EQ(TagListItemHeight(30, 96, 8), 30);   // never below the image height
  EXPECT_EQ(TagListHeight(0, 20, 16), 0);
  EXPECT_EQ(TagListHeight(3, 20, 16), 72);
  EXPECT_EQ(TagListHeight(100, 20, 16), 320);
}

TEST(TagMessages, TickAllAndHidden) {
  EXPECT_EQ(TagTickMessage(3, true), (TTagChooserMessage{0x140D, 3, 1}));
  EXPECT_EQ(TagTickMessage(0, false), (TTagChooserMessage{0x140D, 0, 0}));
  EXPECT_EQ(AllTagsMessage(true), (TTagChooserMessage{0x140D, 0x7FFFFFFF, 1}));
  EXPECT_EQ(AllTagsMessage(false), (TTagChooserMessage{0x140D, 0x7FFFFFFF, 0}));
  EXPECT_EQ(ChooserHiddenMessage(), (TTagChooserMessage{0x140D, 0x7FFFFFFE, 1}));
}

}  // namespace
