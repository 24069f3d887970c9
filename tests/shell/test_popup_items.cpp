// The right-click menu's and the tool bar's commands per page, and the small reports' counting.
#include <gtest/gtest.h>

#include "concordance/commands/list_reports.h"
#include "platform/runtime/general_plot_data.h"
#include "shell/menus/menu_features.h"
#include "shell/menus/popup_items.h"

namespace {

constexpr uint8_t kConcordance = 10, kCollocates = 5, kPlot = 12, kClusters = 13, kPatterns = 14, kFileNames = 17;

TEST(PopupItems, RightClickMenuKeepsWhatThePageOffersAndAddsJoinClusters) {
  struct Case {
    uint8_t type;
    std::vector<int> chosen, expected;
  };
  const Case cases[] = {
      // Join rows (19) and Unjoin (20) only where rows join as lemmas; the chosen order stays.
      {kConcordance, {22, 19, 170, 12}, {22, 170, 12}},
      {kCollocates, {22, 19, 170}, {22, 19, 170, 48}},
      {kClusters, {20, 22}, {20, 22, 48}},
      // Chosen already: once, at the end, as on every clusters page.
      {kClusters, {48, 22, 48}, {22, 48}},
      {kPlot, {19, 20, 22}, {22}},
      {kPatterns, {}, {}},
      // Tags outside the menu's range are passed over.
      {kFileNames, {-3, 22, 500}, {22}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RightClickTagsForPage(c.chosen, c.type, 0), c.expected) << int(c.type);
}

TEST(PopupItems, DefaultRightClickItemsAreCustomisableCommandsEveryResultPageOffersSomeOf) {
  const std::vector<int>& tags = DefaultRightClickTags();
  ASSERT_LE(tags.size(), 10u);  // the right-click choice keeps at most ten
  for (uint8_t type : {kConcordance, kCollocates, kPlot, kClusters, kPatterns, kFileNames})
    EXPECT_FALSE(RightClickTagsForPage(tags, type, 0).empty()) << int(type);
}

TEST(PopupItems, ToolbarButtonsFollowThePageAndJoinRowsOnlyWhereRowsJoin) {
  struct Case {
    int tag;
    uint8_t type;
    bool shown;
  };
  const Case cases[] = {
      {19, kCollocates, true}, {19, kClusters, true}, {19, kConcordance, false}, {19, kPlot, false},
      {22, kConcordance, true}, {8, kPlot, true},     {4, kFileNames, true},     {-1, kConcordance, false},
  };
  for (const Case& c : cases) EXPECT_EQ(ToolbarButtonShown(c.tag, c.type, 0), c.shown) << c.tag << " " << int(c.type);
  EXPECT_TRUE(ShowLemmatisableButton(22, kConcordance));
  EXPECT_FALSE(ShowLemmatisableButton(19, kConcordance));
  for (int tag : {8, 3, 1, 4, 26, 22, 170, 10, 69, 19}) EXPECT_TRUE(HasToolbarImage(tag)) << tag;
  EXPECT_FALSE(HasToolbarImage(48));
  EXPECT_FALSE(HasToolbarImage(400));
}

TEST(ListReports, HitsPerDivisionCountsEachStretchOfTheText) {
  TGeneralPlotDataList plots(100, 4);
  for (int32_t p : {0, 24, 25, 99, 150, -5}) plots.Add({p, u""});
  // 0, 24 and -5 (taken as 0) in the first quarter; 25 in the second; 99 and 150 (the last word) in the last.
  EXPECT_EQ(plots.HitsPerDivision(), (std::vector<int32_t>{3, 1, 0, 2}));
  // Without words, or with one division, every hit is in one section.
  TGeneralPlotDataList no_words(0, 4);
  no_words.Add({3, u""});
  EXPECT_EQ(no_words.HitsPerDivision(), std::vector<int32_t>{1});
  TGeneralPlotDataList one(100, 1);
  EXPECT_EQ(one.HitsPerDivision(), std::vector<int32_t>{0});
}

TEST(ListReports, SharesAreWrittenWithTwoDecimals) {
  struct Case {
    int64_t part, whole;
    const char16_t* text;
  };
  const Case cases[] = {{1, 8, u"12.50%"}, {1, 3, u"33.33%"}, {2, 3, u"66.67%"}, {5, 5, u"100.00%"},
                        {0, 7, u"0.00%"},  {3, 0, u"0.00%"}};
  for (const Case& c : cases) EXPECT_EQ(ShareOfWhole(c.part, c.whole), c.text) << c.part << "/" << c.whole;
}

}  // namespace
