// The conditions window's rules: where find-next starts and goes, the seek kind kept when the
// conditions are refilled, and the height of a condition line.
#include <gtest/gtest.h>

#include "model/lists/search_conditions.h"
#include "shell/grid_tools/condition_window_rules.h"

namespace {

TEST(ConditionWindowRules, FindNextStartsAtTheStoredPosition) {
  struct TCase {
    int32_t position;
    bool up;
    int32_t rows, start;
  } cases[] = {{0, false, 4, 0}, {2, false, 4, 2}, {4, false, 4, 4}, {3, true, 4, 3}, {9, true, 4, 3}, {0, false, 0, -1}};
  for (const TCase& c : cases) EXPECT_EQ(FindNextStart(c.position, c.up, c.rows), c.start) << c.position << c.up;
  EXPECT_EQ(PositionAfterHit(2, false), 3);
  EXPECT_EQ(PositionAfterHit(2, true), 1);
  EXPECT_EQ(PositionAfterMiss(false, 10), 0);
  EXPECT_EQ(PositionAfterMiss(true, 10), 9);
}

TEST(ConditionWindowRules, RefillingKeepsTheSeekKindWhenStillOffered) {
  const std::vector<uint8_t> text = SeekKindsOffered(kDataText), number = SeekKindsOffered(kDataNumber);
  struct TCase {
    const std::vector<uint8_t>* offered;
    uint8_t before;
    uint8_t want;
  } cases[] = {
      {&number, kSeekGreater, kSeekGreater},  // text column to number column: "greater" stays
      {&number, kSeekContains, kSeekNone},    // not offered for numbers: the first item
      {&text, kSeekBetween, kSeekBetween},
      {&text, kSeekEmpty, kSeekEmpty},
  };
  for (const TCase& c : cases) {
    const int item = ReselectSeekKind(*c.offered, c.before);
    ASSERT_GE(item, 0);
    EXPECT_EQ((*c.offered)[static_cast<size_t>(item)], c.want) << int(c.before);
  }
  EXPECT_EQ(ReselectSeekKind({}, 3), -1);
}

TEST(ConditionWindowRules, ItemHeightNeverDividesByNothing) {
  struct TCase {
    int text, room, lines;
  } cases[] = {{300, 100, 6}, {50, 100, 3}, {300, 0, 303}, {300, -20, 303}};
  for (const TCase& c : cases) EXPECT_EQ(ConditionItemLines(c.text, c.room), c.lines);
}

}  // namespace
