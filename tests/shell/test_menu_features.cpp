#include <gtest/gtest.h>

#include <vector>

#include "shell/menus/menu_catalogue.h"
#include "shell/menus/menu_features.h"

namespace {

const TMenuFeatureContext kConcordancer{1, false, false};

std::vector<int> TagsOf(const TMenuFeatureSet& s) {
  std::vector<int> v;
  for (int t = 0; t < kMenuTagCount; ++t)
    if (s.test(t)) v.push_back(t);
  return v;
}

// The commands every page starts from, and the ones every tool's menu has (the concordancer's, with
// Index), written out by hand.
const std::vector<int> kBasePlusCommon = {
    0,   1,   2,   3,   4,   5,   6,   8,   10,  11,  12,  13,  14,  15,  17,  21,  22,  24,  26,
    28,  29,  33,  37,  54,  60,  61,  62,  63,  64,  65,  66,  67,  69,  71,  72,  78,  79,  80,  81,  82,
    83,  84,  85,  91,  103, 110, 111, 144, 145, 161, 164, 166, 170, 176, 177, 178, 180, 184, 186, 194,
    198, 207};

std::vector<int> Plus(std::vector<int> a, std::vector<int> add, std::vector<int> remove = {}) {
  TMenuFeatureSet s;
  for (int t : a) s.set(t);
  for (int t : add) s.set(t);
  for (int t : remove) s.reset(t);
  return TagsOf(s);
}

}  // namespace

TEST(MenuFeatures, HandComputedSets) {
  struct Case {
    const char* what;
    uint8_t list_type, alternative;
    TMenuFeatureContext context;
    std::vector<int> expected;
  };
  const std::vector<int> joining = {18, 19, 20, 47, 167, 208};
  const std::vector<int> concordance_extra = {30,  31,  34,  39,  40,  42,  44,  58,  73,  75,  77,  86,
                                              87,  95,  100, 101, 105, 108, 112, 114, 117, 118, 119, 120,
                                              121, 138, 141, 142, 143, 154, 163, 165, 181, 182, 183, 197,
                                              199, 200, 219, 220, 221, 223};
  // The concordancer offers the index settings as the word-list tool does.
  const std::vector<int> no_list = {3, 8, 60, 61, 62, 63, 64, 65, 66, 67, 69, 71, 72, 80, 91, 144, 145, 161, 207};
  const std::vector<Case> cases = {
      {"concordance", 10, 0, kConcordancer, Plus(kBasePlusCommon, concordance_extra)},
      {"no list", 25, 0, kConcordancer, no_list},
      {"no list, logging", 25, 0, {1, false, true}, Plus(no_list, {56})},
      {"no list, word lister with next version", 25, 0, {0, true, false}, Plus(no_list, {72, 146})},
      {"no list in tool 5", 25, 0, {5, false, false}, Plus(no_list, {}, {8, 66, 69, 72})},
      {"empty types", 31, 0, kConcordancer, {}},
      {"empty lemmatisable types keep nothing either", 41, 0, kConcordancer, {}},
      {"clusters", 13, 0, kConcordancer, Plus(kBasePlusCommon, Plus(joining, {42, 58, 179}))},
      {"time-line", 20, 0, kConcordancer, Plus(kBasePlusCommon, {58}, {194})},
      {"plain text keeps what joining it had", 22, 0, kConcordancer,
       Plus(kBasePlusCommon, {17, 20, 23, 32, 70, 73},
            {2, 4, 5, 6, 8, 10, 11, 12, 13, 14, 15, 24, 28, 37, 54, 66, 69, 81, 84, 180, 194})},
      {"list type 26", 26, 0, kConcordancer, Plus(no_list, {26})},
      {"list type 27", 27, 0, kConcordancer, Plus(no_list, {2, 4, 22, 26, 40, 57, 84})},
      {"word list, alternative 6", 0, 6, kConcordancer,
       Plus(kBasePlusCommon,
            Plus(joining, {7,   23,  25,  40,  42,  48,  49,  50,  52,  53,  72,  89,  90,  93,  96,
                           97,  98,  99,  104, 105, 106, 107, 108, 112, 114, 126, 127, 156, 157, 158,
                           162, 175, 179, 193, 194, 201, 202, 209, 210, 219, 220, 221, 223}))},
      {"word list, alternative 7", 0, 7, kConcordancer,
       Plus(kBasePlusCommon, Plus(joining, {7,   23,  25,  40,  42,  48,  49,  50,  52,  53,  72,  89,
                                            90,  93,  104, 105, 106, 107, 108, 114, 156, 157, 158, 162,
                                            175, 179, 193, 194, 201, 209, 210, 219, 220, 221, 223}))},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TagsOf(MenuFeaturesForListType(c.list_type, c.alternative, c.context)), c.expected) << c.what;
}

TEST(MenuFeatures, BorrowedSets) {
  for (uint8_t alt : {0, 6, 7}) {
    EXPECT_EQ(MenuFeaturesForListType(3, alt, kConcordancer), MenuFeaturesForListType(0, alt, kConcordancer));
    EXPECT_EQ(MenuFeaturesForListType(28, alt, kConcordancer), MenuFeaturesForListType(23, alt, kConcordancer));
  }
}

TEST(MenuFeatures, JoiningFollowsLemmatisableTypes) {
  const std::vector<int> joining = {18, 19, 20, 47, 167, 208};
  for (int t = 0; t < 48; ++t) {
    const TMenuFeatureSet s = MenuFeaturesForListType(static_cast<uint8_t>(t), 0, kConcordancer);
    for (int tag : joining) {
      if (IsLemmatisableListType(t)) {
        EXPECT_TRUE(s.test(tag)) << "type " << t << " tag " << tag;
      } else if (t != 21 && t != 22 && t != 29) {
        EXPECT_FALSE(s.test(tag)) << "type " << t << " tag " << tag;
      }
    }
  }
  EXPECT_FALSE(IsLemmatisableListType(-1));
  EXPECT_FALSE(IsLemmatisableListType(48));
}

TEST(MenuFeatures, ListTypeGroups) {
  const std::vector<std::pair<int, int>> cases = {{0, 0},   {6, 0},   {19, 0},  {1, 1},  {24, 1},
                                                  {5, 10},  {14, 10}, {10, 10}, {17, 17}, {47, 47}};
  for (auto [type, group] : cases) EXPECT_EQ(MenuListTypeGroup(static_cast<uint8_t>(type)), group) << type;
}

TEST(MenuCatalogue, NoTwoCommandsShareADefaultShortcut) {
  std::vector<std::pair<int32_t, int>> seen;
  for (const auto& e : MenuCatalogue()) {
    if (e.shortcut == 0) continue;
    for (auto [s, tag] : seen) EXPECT_NE(s, e.shortcut) << "tags " << tag << " and " << e.tag;
    seen.push_back({e.shortcut, e.tag});
  }
  EXPECT_EQ(DefaultMenuShortcut(199), kShortcutCtrl + kShortcutShift + kKeyF1 + 7);
  EXPECT_EQ(DefaultMenuShortcut(32), 0);
}

TEST(MenuCatalogue, ShortcutTextRoundTrip) {
  struct Case { int32_t shortcut; const char16_t* text; };
  const Case cases[] = {{16462, u"Ctrl+N"},       {114, u"F3"},           {32856, u"Alt+X"},
                        {41076, u"Shift+Alt+F5"}, {24695, u"Ctrl+Shift+F8"}, {49271, u"Ctrl+Alt+F8"},
                        {kKeyDelete, u"Del"},    {16384 + '7', u"Ctrl+7"}};
  for (const auto& c : cases) {
    EXPECT_EQ(ShortCutToText(c.shortcut), UString(c.text));
    EXPECT_EQ(TextToShortCut(c.text), c.shortcut);
  }
  for (const char16_t* bad : {u"", u"Ctrl+", u"Hyper+A", u"F25", u"F0", u"AB", u"Ctrl+F1x"})
    EXPECT_EQ(TextToShortCut(bad), 0) << Utf16ToUtf8(bad);
  EXPECT_EQ(ShortCutToText(0), u"");
}

TEST(MenuCatalogue, StripHotkey) {
  EXPECT_EQ(StripHotkey(u"&Print..."), u"Print...");
  EXPECT_EQ(StripHotkey(u"Stop-, Lemma- && Matchlists"), u"Stop-, Lemma- & Matchlists");
  EXPECT_EQ(StripHotkey(u"&"), u"");
}
