// Redo on the list base: each kind of undoable change done, undone and done again, and what a
// new change does to what could be redone.
#include <gtest/gtest.h>

#include <functional>

#include "model/work_test_list.h"

namespace {

struct TRedoCase {
  const char* name;
  std::function<void(TTestWordList&)> change;
  std::string after_change;
};

}  // namespace

TEST(ListRedo, EachUndoableChangeIsMadeAgainByRedo) {
  const TRedoCase cases[] = {
      {"delete", [](TTestWordList& l) { l.DeleteARange({0, 2}, true, true); }, "a- b c- d"},
      {"undelete",
       [](TTestWordList& l) {
         l.DeleteOne(1, true);
         l.DeleteARange({1}, true, false);
       },
       "a b c d"},
      {"match", [](TTestWordList& l) { l.MatchARange({1, 3}, true, true); }, "a b+ c d+"},
      {"join", [](TTestWordList& l) { l.Join(0, 3, true); }, "a> b c d<"},
      {"zap",
       [](TTestWordList& l) {
         l.DeleteOne(1, true);
         l.Join(0, 2, false);
         l.Zap(true);
       },
       "a> d"},
  };
  for (const TRedoCase& c : cases) {
    SCOPED_TRACE(c.name);
    TTestWordList l;
    l.Fill({{u"a", 4}, {u"b", 3}, {u"c", 2}, {u"d", 1}});
    c.change(l);
    ASSERT_EQ(l.Shown(), c.after_change);
    const std::string before_undo = l.Shown();
    EXPECT_EQ(l.RedoDepth(), 0u);
    ASSERT_TRUE(l.Undo());
    EXPECT_EQ(l.RedoDepth(), 1u);
    const std::string undone = l.Shown();
    ASSERT_TRUE(l.Redo());
    EXPECT_EQ(l.Shown(), before_undo);
    EXPECT_EQ(l.RedoDepth(), 0u);
    // And back again: undo after redo gives the undone list once more.
    ASSERT_TRUE(l.Undo());
    EXPECT_EQ(l.Shown(), undone);
  }
}

TEST(ListRedo, RedoFollowsUndoInReverseOrderAndANewChangeEndsIt) {
  TTestWordList l;
  l.Fill({{u"a", 1}, {u"b", 1}, {u"c", 1}, {u"d", 1}});
  l.DeleteARange({0}, true, true);
  l.DeleteARange({1}, true, true);
  // Two deletions, one undo: redo deletes the second again, it never undoes the first.
  ASSERT_TRUE(l.Undo());
  EXPECT_EQ(l.Shown(), "a- b c d");
  ASSERT_TRUE(l.Redo());
  EXPECT_EQ(l.Shown(), "a- b- c d");
  EXPECT_FALSE(l.Redo());
  EXPECT_EQ(l.Shown(), "a- b- c d");
  // Two undone, redone in the order they were first made.
  ASSERT_TRUE(l.Undo());
  ASSERT_TRUE(l.Undo());
  EXPECT_EQ(l.RedoDepth(), 2u);
  ASSERT_TRUE(l.Redo());
  EXPECT_EQ(l.Shown(), "a- b c d");
  // A new change: what was undone cannot come back over it.
  l.DeleteARange({3}, true, true);
  EXPECT_EQ(l.RedoDepth(), 0u);
  EXPECT_FALSE(l.Redo());
  EXPECT_EQ(l.Shown(), "a- b c d-");
}

TEST(ListRedo, ARedoneZapOwnsItsEntriesAgain) {
  const int live_before = TTestWordEntry::live;
  {
    TTestWordList l;
    l.Fill({{u"a", 1}, {u"b", 1}, {u"c", 1}});
    l.DeleteOne(1, true);
    ASSERT_EQ(l.Zap(true), 1);
    ASSERT_TRUE(l.Undo());
    ASSERT_TRUE(l.Redo());
    EXPECT_EQ(l.Shown(), "a c");
    // A list freed with a zap waiting to be undone frees the zapped entry once.
  }
  EXPECT_EQ(TTestWordEntry::live, live_before);
  {
    TTestWordList l;
    l.Fill({{u"a", 1}, {u"b", 1}});
    l.DeleteOne(0, true);
    ASSERT_EQ(l.Zap(true), 1);
    ASSERT_TRUE(l.Undo());
    // The undone zap waits in the redo list with its entry back in the list: freed once.
  }
  EXPECT_EQ(TTestWordEntry::live, live_before);
}
