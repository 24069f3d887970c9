#include <gtest/gtest.h>

#include "shell/menus/concordance_commands.h"
#include "shell/menus/general_menu_commands.h"
#include "shell/menus/menu_catalogue.h"
#include "shell/menus/menu_features.h"

namespace {

using C = TConcCommand;

struct TRouteCase {
  int tag;
  bool source_page;
  bool has_grid;
  bool general;
  bool common;
  C command;
  bool posted;
  uint64_t wparam;
};

TEST(ConcordanceCommands, RouteOfEachKindOfTag) {
  const TRouteCase cases[] = {
      // The source-text page: Copy, Source text and Open are its own; the shared commands
      // (settings, bars, help) are offered as on any page.
      {22, true, false, false, false, C::kSourceTextCopy, false, 0},
      {40, true, false, false, false, C::kSourceTextShow, false, 0},
      {3, true, false, false, false, C::kOpen, false, 0},
      {60, true, false, true, false, C::kNone, false, 0},
      {144, true, false, true, false, C::kNone, false, 0},
      {80, true, true, true, true, C::kNone, true, 5080},
      // A sender without a tag (-1) on the source page with a grid behind it: posted as 4999.
      {-1, true, true, false, false, C::kNone, true, 4999},
      // Grid pages: Copy and Source text become grid messages.
      {22, false, true, true, true, C::kNone, true, 5022},
      {40, false, true, true, true, C::kNone, true, 5040},
      // Per million: the common handler acts and the grid is told as well.
      {107, false, true, true, true, C::kNone, true, 5107},
      // A menu head on a grid page does nothing at all.
      {-999, false, true, false, false, C::kNone, false, 0},
      // The window's own commands end the handling.
      {91, false, true, true, true, C::kExit, false, 0},
      {87, false, true, true, true, C::kPadding, false, 0},
      {177, false, true, true, true, C::kTypingMode, false, 0},
      // Compute commands travel to the grid.
      {42, false, true, true, true, C::kNone, true, 5042},
      // The notes page has no grid: neither the common handler nor a post.
      {107, false, false, true, false, C::kNone, false, 0},
      {12, false, false, true, false, C::kNone, false, 0},
      {22, true, false, false, false, C::kSourceTextCopy, false, 0},
      // Print on the source-text page prints the text on show; on a grid page, the grid.
      {4, true, false, false, false, C::kSourceTextPrint, false, 0},
      {4, false, true, true, true, C::kPrint, false, 0},
  };
  for (const TRouteCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "tag " << c.tag << (c.source_page ? " source page" : "")
                                    << (c.has_grid ? " grid" : ""));
    const TConcCommandRoute r = RouteConcordanceCommand(c.tag, c.source_page, c.has_grid);
    EXPECT_EQ(r.offer_general, c.general);
    EXPECT_EQ(r.offer_common, c.common);
    EXPECT_EQ(r.command, c.command);
    EXPECT_EQ(r.post_to_grid, c.posted);
    EXPECT_EQ(r.grid_wparam, c.wparam);
  }
}

TEST(ConcordanceCommands, GridMessagesNameTheirListCommand) {
  const std::pair<uint64_t, std::optional<C>> cases[] = {
      {5012, C::kDelete},        {5022, C::kCopy},     {5024, C::kSaveAs}, {5042, C::kCompute},
      {5143, C::kModify},        {5107, C::kAfterCommon},
      {5086, C::kRemoveDuplicates}, {5150, C::kHighlightCollocate}, {5126, C::kOtherSort},
      // A window command arriving at a grid, an unknown tag, and values below and far above the tags.
      {5091, std::nullopt},      {5230, std::nullopt}, {4999, std::nullopt}, {0, std::nullopt},
      {0xFFFFFFFFull, std::nullopt}, {5000 + 0x10000 + 12, std::nullopt},
  };
  for (const auto& [wparam, expected] : cases) {
    SCOPED_TRACE(wparam);
    const auto e = GridCommandOfMessage(wparam);
    ASSERT_EQ(e.has_value(), expected.has_value());
    if (e) {
      EXPECT_EQ(e->command, *expected);
    }
  }
  EXPECT_EQ(GridCommandOfMessage(5024)->detail, 1);  // XML
  EXPECT_EQ(GridCommandOfMessage(5184)->detail, 3);  // rich text
  EXPECT_EQ(GridCommandOfMessage(5058)->detail, kComputeTimeline);
}

// Every command a concordance page (or a page derived from it) shows is taken by someone: the
// shared handler or this table. A tag nobody takes would be posted and then only logged.
TEST(ConcordanceCommands, EveryCommandOfTheConcordancePagesIsTaken) {
  const TMenuFeatureContext tool{1, false, false};
  for (uint8_t list_type : {10, 5, 12, 13, 14, 17, 20}) {
    const TMenuFeatureSet set = MenuFeaturesForListType(list_type, 0, tool);
    for (int tag = 1; tag < kMenuTagCount; ++tag) {
      if (!set.test(static_cast<size_t>(tag))) continue;
      SCOPED_TRACE(testing::Message() << "list type " << int(list_type) << " tag " << tag);
      EXPECT_TRUE(GeneralEffectOfTag(tag).has_value() || ConcordanceCommandOfTag(tag).has_value());
    }
  }
}

// The commands the result pages carry out themselves now: each tag names its own command, and
// no tag of the opener's list is among them.
TEST(ConcordanceCommands, ResultPageCommandsOfTheirOwn) {
  const std::pair<int, C> cases[] = {
      {48, C::kJoinClusters},   {104, C::kAutoJoin}, {55, C::kPlotDisplay}, {155, C::kFollowCollocate},
      {103, C::kPageHelp},      {210, C::kRelativeEntropy}, {163, C::kFileNameList}, {53, C::kCompute},
      {141, C::kModify},        {40, C::kShowSource},
      // Windows other parts of the program open.
      {6, C::kLaterWindow},     {17, C::kLaterWindow}, {29, C::kLaterWindow}, {37, C::kLaterWindow},
      {52, C::kLaterWindow},    {75, C::kLaterWindow}, {85, C::kLaterWindow}, {95, C::kLaterWindow},
      {170, C::kLaterWindow},   {179, C::kLaterWindow}, {186, C::kLaterWindow}, {194, C::kLaterWindow},
      {207, C::kLaterWindow},   {23, C::kListCommand}, {25, C::kListCommand}, {38, C::kListCommand},
      {54, C::kListCommand},    {164, C::kListCommand}, {180, C::kListCommand}, {193, C::kListCommand},
  };
  for (const auto& [tag, command] : cases) {
    SCOPED_TRACE(tag);
    const auto e = ConcordanceCommandOfTag(tag);
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->command, command);
  }
  // 48 and 104 are grid commands: they act on the list of the grid they are posted to.
  EXPECT_EQ(GridCommandOfMessage(5048)->command, C::kJoinClusters);
  EXPECT_EQ(GridCommandOfMessage(5104)->command, C::kAutoJoin);
}

TEST(ConcordanceCommands, HelpPageOfEachPage) {
  const std::pair<int, int> cases[] = {{27, 6000}, {26, 1120}, {10, 6230}, {5, 1980}, {12, 2010},
                                       {14, 2130}, {13, 2000}, {20, 5560}, {17, 1420}, {0, 1000}, {99, 1000}};
  for (const auto& [type, context] : cases) EXPECT_EQ(PageHelpContext(type), context) << type;
}

}  // namespace
