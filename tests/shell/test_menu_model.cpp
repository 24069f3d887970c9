#include <gtest/gtest.h>

#include <map>

#include "model/text_reader_test_support.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/settings/settings_access.h"
#include "shell/menus/menu_model.h"
#include "shell/menus/menu_store.h"
#include "support/temp_folder.h"

namespace {

using text_reader_test::ScopedSettings;

class MenuModelTest : public testing::Test {
 protected:
  void SetUp() override { SetDialogService(&dialogs); }
  void TearDown() override { SetDialogService(nullptr); }
  ScopedSettings settings;
  THeadlessDialogService dialogs;
};

int CountVisits(TMenuModel& m, int tag) {
  int n = 0;
  m.Walk([&](TMenuNode& item) { n += item.tag == tag; });
  return n;
}

}  // namespace

TEST_F(MenuModelTest, TopMenusInOrder) {
  TMenuModel m;
  std::vector<UString> captions;
  for (const TMenuNode* t : m.TopMenus()) captions.push_back(t->caption);
  EXPECT_EQ(captions, (std::vector<UString>{u"&File", u"&Edit", u"&View", u"&Compute", u"&Settings",
                                            u"&Windows", u"&Help"}));
  EXPECT_EQ(m.GetAMainMenuCaptionByTag(65), u"Stop-, Lemma- && Matchlists");
  EXPECT_EQ(m.GetAMainMenuCaptionByTag(185), u"Ctrl required");
  EXPECT_EQ(m.GetAMainMenuCaptionByTag(231), u"");
  EXPECT_EQ(m.FindByTag(185)->parent->caption, u"Selecting Rows");
}

// Items sharing a tag, negative tags and an item hung under two parents: each visited once.
TEST_F(MenuModelTest, WalkVisitsEveryItemOnce) {
  TMenuModel m;
  size_t catalogue = MenuCatalogue().size();
  size_t visited = 0;
  m.Walk([&](TMenuNode&) { ++visited; });
  EXPECT_EQ(visited, catalogue);
  EXPECT_EQ(CountVisits(m, -1), 2);  // "Fast Exit" and the "Selecting Rows" head
  TMenuNode* extra = m.AddItem(m.TopMenus()[1], 230, u"Shared");
  m.AttachShared(m.TopMenus()[2], extra);
  EXPECT_EQ(CountVisits(m, 230), 1);
}

// The item under the second head tagged -1 must follow the store like any other.
TEST_F(MenuModelTest, CheckStatesFollowStoreBehindSharedTags) {
  TMenuModel m;
  SetMenuItemChecked(185, true);
  SetMenuItemChecked(80, false);
  const uint32_t altered = GetMenuAlteredCount();
  m.RedoMenuItemsCheckStates();
  EXPECT_TRUE(m.FindByTag(185)->checked);
  EXPECT_FALSE(m.FindByTag(80)->checked);
  EXPECT_EQ(GetMenuAlteredCount(), altered + 1);
  SetMenuItemChecked(185, false);
  m.RedoMenuItemsCheckStates();
  EXPECT_FALSE(m.FindByTag(185)->checked);
  EXPECT_EQ(GetMenuAlteredCount(), altered + 2);
  // Asked again with no check mark moved in the store (as every page shown asks), the menus are
  // not altered and the store is not written.
  m.RedoMenuItemsCheckStates();
  m.RedoMenuItemsCheckStates();
  EXPECT_FALSE(m.FindByTag(185)->checked);
  EXPECT_EQ(GetMenuAlteredCount(), altered + 2);
}

TEST_F(MenuModelTest, ShortcutsFromStoreNeverBindOneKeyTwice) {
  TMenuModel m;
  const int32_t grow_row = DefaultMenuShortcut(199);
  SetMenuShortcut(32, grow_row);  // as an old store could hold it
  SetMenuShortcut(33, kShortcutCtrl + 'R');
  m.UpdateAllMenuShortCutsFromStore();
  EXPECT_EQ(m.FindByTag(33)->shortcut, kShortcutCtrl + 'R');
  int holders = 0;
  m.Walk([&](TMenuNode& n) { holders += n.shortcut == grow_row; });
  EXPECT_EQ(holders, 1);
}

TEST_F(MenuModelTest, TryToSetAShortCut) {
  TMenuModel m;
  TMenuNode& refresh = *m.FindByTag(33);
  // Ctrl+C belongs to Copy: refused, the user told, nothing changed.
  EXPECT_FALSE(m.TryToSetAShortCut(refresh, kShortcutCtrl + 'C'));
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_EQ(dialogs.Asked()[0].id, TVXDialog::MenuShortcutAlreadyInUse);
  EXPECT_EQ(GetMenuShortcut(33), DefaultMenuShortcut(33));
  EXPECT_EQ(refresh.shortcut, DefaultMenuShortcut(33));
  // A free key is taken, by the store and by the item.
  EXPECT_TRUE(m.TryToSetAShortCut(refresh, kShortcutCtrl + 'R'));
  EXPECT_EQ(GetMenuShortcut(33), kShortcutCtrl + 'R');
  EXPECT_EQ(refresh.shortcut, kShortcutCtrl + 'R');
  // Without a caption, or clearing the key, there is nothing to check.
  EXPECT_TRUE(m.TryToSetAShortCut(34, u"", kShortcutCtrl + 'C'));
  EXPECT_TRUE(m.TryToSetAShortCut(34, u"Collocates", 0));
  EXPECT_EQ(dialogs.Asked().size(), 1u);
}

TEST_F(MenuModelTest, CustomisableItemsSortedByParentAndCaption) {
  TMenuModel m;
  const auto& items = m.CustomisableItems();
  ASSERT_GT(items.size(), 100u);
  for (const TMenuNode* n : items) {
    EXPECT_TRUE(IsCustomisableMenuTag(n->tag)) << n->tag;
    EXPECT_TRUE(n->children.empty());
  }
  // "&Edit" + "Copy" sorts before "&Edit" + "Zap"; an item of "Deleting" by "DeletingDelete".
  auto pos = [&](int tag) {
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i]->tag == tag) return static_cast<int>(i);
    return -1;
  };
  EXPECT_LT(pos(22), pos(11));
  EXPECT_LT(pos(22), pos(12));  // "&" sorts before letters: "&EditCopy" < "DeletingDelete"
}

TEST_F(MenuModelTest, RightClickItemsReadAtMostTenLines) {
  TMenuModel m;
  struct Case {
    std::vector<UString> lines;
    std::vector<int> in_use;
  };
  const std::vector<Case> cases = {
      {{u"Copy", u"Zap: Ctrl+Z", u"  Refresh  "}, {11, 22, 33}},
      {{u"No such item", u"Print..."}, {4}},
      {{u"Copy", u"Zap", u"Refresh", u"Resort", u"Find", u"Delete", u"Mark", u"Unmark", u"Grow", u"Shrink",
        u"Layout", u"Ruler"},
       {10, 11, 12, 18, 22, 30, 31, 33, 167, 170}},
      {{}, {}},
  };
  for (const auto& c : cases) {
    m.SetRightClickMenuItems(c.lines);
    std::vector<int> used;
    for (int t = 0; t < kMenuTagCount; ++t)
      if (GetPopupMenuTagInUse(t)) used.push_back(t);
    EXPECT_EQ(used, c.in_use);
    EXPECT_EQ(m.RightClickItems().size(), c.in_use.size());
  }
}

TEST_F(MenuModelTest, TypingModeRoundTrip) {
  TMenuModel m;
  for (int mode : {kTypingSetCategories, kTypingEditingData, kTypingTypeIn}) {
    m.SetTypeSetEditMenuItems(mode);
    EXPECT_EQ(TMenuModel::CurrentTypingMode(), mode);
    EXPECT_EQ(m.FindByTag(176)->checked, mode == 0);
    EXPECT_EQ(m.FindByTag(177)->checked, mode == 1);
    EXPECT_EQ(m.FindByTag(178)->checked, mode == 2);
  }
}

TEST_F(MenuModelTest, FeatureSetHidesCommandsAndEmptySubMenus) {
  TMenuModel m;
  m.ApplyFeatureSet(MenuFeaturesForListType(25, 0, {1, false, false}));
  EXPECT_TRUE(m.FindByTag(69)->visible);
  EXPECT_FALSE(m.FindByTag(22)->visible);
  EXPECT_FALSE(m.FindByTag(-12)->visible);  // every item of "Deleting" hidden
  for (const TMenuNode* t : m.TopMenus()) EXPECT_TRUE(t->visible);
  m.ApplyFeatureSet(MenuFeaturesForListType(10, 0, {1, false, false}));
  EXPECT_TRUE(m.FindByTag(-12)->visible);
  EXPECT_TRUE(m.FindByTag(12)->visible);
}

TEST_F(MenuModelTest, OnlyMatchCommandsHideByTag) {
  TMenuModel m;
  m.SetMenuItemVisible(7, false);
  m.SetMenuItemVisible(158, false);
  m.SetMenuItemVisible(22, false);
  EXPECT_FALSE(m.FindByTag(7)->visible);
  EXPECT_FALSE(m.FindByTag(158)->visible);
  EXPECT_TRUE(m.FindByTag(22)->visible);
}

TEST_F(MenuModelTest, UndoRedoItems) {
  TMenuModel m;
  m.HandleUnOrRedoAction(false, u"Undo delete", 2);
  m.HandleUnOrRedoAction(true, u"", 0);
  EXPECT_EQ(m.FindByTag(82)->caption, u"Undo delete");
  EXPECT_TRUE(m.FindByTag(82)->enabled);
  EXPECT_EQ(m.FindByTag(83)->caption, u"&Redo");
  EXPECT_FALSE(m.FindByTag(83)->enabled);
  m.ResetUnOrRedoActions();
  EXPECT_FALSE(m.FindByTag(82)->enabled);
  EXPECT_EQ(m.FindByTag(82)->caption, u"Undo delete");
}

TEST_F(MenuModelTest, RecentFilesBeforeExit) {
  TempFolder dir;
  const UString a = dir.Write(u"R&D.cnc", "x"), b = dir.Write(u"b.lst", "y");
  TMenuModel m;
  struct Case {
    uint8_t tool;
    UString main, used;
    std::vector<UString> paths;
  };
  const std::vector<Case> cases = {
      {1, a, b, {a, b}},
      {1, dir.Path() + u"gone.cnc", b, {b}},  // the second keeps its place when the first is missing
      {5, a, b, {a}},                        // other tools: the main file only
      {1, u"", u"", {}},
  };
  for (const auto& c : cases) {
    m.SetRecentFileItems(c.tool, c.main, c.used);
    const auto items = m.RecentFileItems();
    std::vector<UString> paths;
    for (const TMenuNode* n : items) paths.push_back(n->data);
    EXPECT_EQ(paths, c.paths);
    const auto& file = m.TopMenus()[0]->children;
    for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(file[file.size() - 3 - items.size() + i], items[i]);
  }
  m.SetRecentFileItems(1, a, u"");
  EXPECT_NE(m.RecentFileItems()[0]->caption.find(u"R&&D.cnc"), UString::npos);
  // A line end in a name would break the item in two: it shows as "\N", the item keeps the path.
  const UString odd = dir.Write(u"two\nlines.cnc", "z");
  m.SetRecentFileItems(1, odd, u"");
  ASSERT_EQ(m.RecentFileItems().size(), 1u);
  EXPECT_NE(m.RecentFileItems()[0]->caption.find(u"two\\Nlines.cnc"), UString::npos);
  EXPECT_EQ(m.RecentFileItems()[0]->data, odd);
}

TEST_F(MenuModelTest, CaptionWithShortcutAgreesWithMenu) {
  TMenuModel m;
  EXPECT_EQ(m.CheckMenuCompatibility(u"Copy:Ctrl+X"), u"Copy:Ctrl+C");  // Copy has Ctrl+C
  EXPECT_EQ(m.CheckMenuCompatibility(u"Mine:Ctrl+C"), u"Mine");         // Ctrl+C is Copy's
  EXPECT_EQ(m.CheckMenuCompatibility(u"Plain"), u"Plain");
}
