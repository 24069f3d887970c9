#include "shell/settings/customise_rules.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "model/text_reader_test_support.h"
#include "shell/menus/menu_catalogue.h"
#include "shell/menus/menu_model.h"
#include "shell/menus/menu_store.h"
#include "shell/menus/popup_items.h"

namespace {

constexpr int kTagCopy = 22, kTagFind = 170, kTagZap = 11, kTagSave = 1, kTagCollocates = 34;

class CustomiseRulesTest : public testing::Test {
 protected:
  TCustomisedItem& Item(std::vector<TCustomisedItem>& items, int tag) {
    auto it = std::find_if(items.begin(), items.end(), [tag](const TCustomisedItem& i) { return i.tag == tag; });
    EXPECT_NE(it, items.end()) << tag;
    return *it;
  }
  text_reader_test::ScopedSettings settings;
  TMenuModel menus;
};

}  // namespace

TEST_F(CustomiseRulesTest, TheStoredStateShowsOnlyCustomisableCommands) {
  std::vector<TCustomisedItem> items = CurrentCustomisation(menus);
  ASSERT_FALSE(items.empty());
  for (const TCustomisedItem& i : items) {
    EXPECT_TRUE(IsCustomisableMenuTag(i.tag)) << i.tag;
    // At first the right-click menu holds the default commands.
    const std::vector<int>& defaults = DefaultRightClickTags();
    EXPECT_EQ(i.right_click, std::find(defaults.begin(), defaults.end(), i.tag) != defaults.end()) << i.tag;
  }
  EXPECT_EQ(Item(items, kTagCopy).shortcut, u"Ctrl+C");
  EXPECT_EQ(Item(items, kTagCopy).caption, u"Copy");
}

TEST_F(CustomiseRulesTest, RightClickCommandsAndShortcutsAreStoredAndTheMenusTakeThem) {
  std::vector<TCustomisedItem> items = CurrentCustomisation(menus);
  for (TCustomisedItem& i : items) i.right_click = false;  // the defaults taken off
  Item(items, kTagZap).right_click = true;
  Item(items, kTagCollocates).right_click = true;
  Item(items, kTagZap).shortcut = u"Ctrl+Alt+Z";
  Item(items, kTagCopy).shortcut = u"";  // no shortcut any more
  const uint32_t altered = GetMenuAlteredCount();
  const std::vector<UString> problems = ApplyCustomisation(menus, items);
  ASSERT_TRUE(problems.empty()) << Utf16ToUtf8(problems[0]);
  EXPECT_TRUE(GetPopupMenuTagInUse(kTagZap));
  EXPECT_TRUE(GetPopupMenuTagInUse(kTagCollocates));
  EXPECT_FALSE(GetPopupMenuTagInUse(kTagCopy));
  EXPECT_EQ(GetMenuShortcut(kTagZap), TextToShortCut(u"Ctrl+Alt+Z"));
  EXPECT_EQ(GetMenuShortcut(kTagCopy), 0);
  EXPECT_GT(GetMenuAlteredCount(), altered);
  EXPECT_EQ(CurrentCustomisation(menus), items);

  // Another window's menus read the same.
  TMenuModel other;
  other.UpdateAllMenuShortCutsFromStore();
  std::vector<int> tags;
  for (const TMenuNode* n : other.RightClickItems()) tags.push_back(n->tag);
  std::sort(tags.begin(), tags.end());
  EXPECT_EQ(tags, (std::vector<int>{kTagZap, kTagCollocates}));
  EXPECT_EQ(other.FindByTag(kTagZap)->shortcut, TextToShortCut(u"Ctrl+Alt+Z"));
}

// A clash the menus held before is no problem; one a change makes is.
TEST_F(CustomiseRulesTest, BadChoicesAreRefusedByCommandAndNothingIsWritten) {
  struct Case {
    const char* what;
    void (*spoil)(std::vector<TCustomisedItem>&);
    const char16_t* said;
  };
  const Case cases[] = {
      {"unreadable key",
       [](std::vector<TCustomisedItem>& items) {
         for (auto& i : items)
           if (i.tag == kTagZap) i.shortcut = u"Ctrl+Banana";
       },
       u"Zap, shortcut: \"Ctrl+Banana\" is not a key"},
      {"another command's key",
       [](std::vector<TCustomisedItem>& items) {
         for (auto& i : items)
           if (i.tag == kTagZap) i.shortcut = u"Ctrl+C";
       },
       u"Zap, shortcut: Ctrl+C is also the shortcut of Copy"},
      {"eleven on the right-click menu",
       [](std::vector<TCustomisedItem>& items) {
         for (auto& i : items) i.right_click = false;  // the defaults taken off, then eleven
         for (size_t k = 0; k < 11; ++k) items[k].right_click = true;
       },
       u"Right-click menu: 11 commands"},
  };
  for (const Case& k : cases) {
    std::vector<TCustomisedItem> items = CurrentCustomisation(menus);
    const std::vector<TCustomisedItem> before = items;
    Item(items, kTagFind).right_click = true;  // a good change beside the bad one is not written
    k.spoil(items);
    const std::vector<UString> problems = ApplyCustomisation(menus, items);
    ASSERT_EQ(problems.size(), 1u) << k.what;
    EXPECT_EQ(problems[0].rfind(k.said, 0), 0u) << Utf16ToUtf8(problems[0]);
    EXPECT_EQ(CurrentCustomisation(menus), before) << k.what;
  }
  // The Save shortcut given to Zap, Save's taken away in the same go: no clash.
  std::vector<TCustomisedItem> items = CurrentCustomisation(menus);
  const UString save = Item(items, kTagSave).shortcut;
  ASSERT_FALSE(save.empty());
  Item(items, kTagZap).shortcut = save;
  Item(items, kTagSave).shortcut = u"";
  EXPECT_TRUE(ApplyCustomisation(menus, items).empty());
}

TEST_F(CustomiseRulesTest, HelpAccessIsStoredAsTheHelpRequestReadsIt) {
  EXPECT_EQ(CurrentHelpAccess(), 1);  // the help pages in the browser
  struct Case {
    int mode;
    bool stored;
  };
  for (const Case& c : {Case{0, true}, Case{2, true}, Case{1, true}, Case{3, false}, Case{-1, false}}) {
    const uint8_t before = GetVXHelpAccessMode();
    EXPECT_EQ(HelpAccessProblem(c.mode).empty(), c.stored) << c.mode;
    ApplyHelpAccess(c.mode);
    EXPECT_EQ(GetVXHelpAccessMode(), c.stored ? c.mode : before) << c.mode;
  }
  EXPECT_EQ(HelpAccessProblem(7), u"Help opens: 7 is no choice");
  // A stored mode of another program's choosing shows as "nothing", which is what it does.
  SetVXHelpAccessMode(9);
  EXPECT_EQ(CurrentHelpAccess(), 2);
  EXPECT_EQ(HelpAccessCaption(2), u"nothing");
  EXPECT_EQ(HelpAccessCaption(3), u"");
}
