// The sort dialog's choices as a table, the OK check and the keys a resort applies.
#include <gtest/gtest.h>

#include "platform/settings/settings_defaults.h"
#include "windows/sort_rules.h"

namespace {

TEST(SortKeyNames, TableHasTheKeysAtTheirIndexes) {
  const auto& names = SortKeyNames();
  EXPECT_EQ(names.size(), 31u);
  EXPECT_EQ(UString(names[kSortKeyContextWord]), u"context word");
  EXPECT_EQ(UString(names[kSortKeyReferenceFrequency]), u"reference corpus frequency");
  EXPECT_EQ(UString(names[kSortKeyHighlightedCollocate]), u"highlighted collocate");
  EXPECT_EQ(UString(names[4]), u"first word left");
  EXPECT_EQ(UString(names[6]), u"first word right");
  // The keys a new user's sort dialog offers: the search word, the word after it, the file.
  const TConcSettingsRec32 fresh = DefaultConcSettings();
  EXPECT_EQ(UString(names[fresh.SortKey(0)]), u"search word");
  EXPECT_EQ(UString(names[fresh.SortKey(1)]), u"first word right");
  EXPECT_EQ(UString(names[fresh.SortKey(2)]), u"file");
}

struct StoreCase {
  const char* name;
  TSortDialogState state;
  std::array<uint8_t, 3> old_keys;
  uint8_t old_levels;
  uint8_t levels;
  std::array<uint8_t, 3> keys;
  const char16_t* status;
};

TEST(StoreSortChoices, LevelsKeysAndStatusLine) {
  auto st = [](std::array<int, 3> sel, bool t1, bool t2) {
    TSortDialogState s;
    s.selected = sel;
    s.tie1 = t1;
    s.tie2 = t2;
    return s;
  };
  const StoreCase cases[] = {
      {"main key alone", st({6, 4, 13}, false, false), {0, 0, 0}, 0, 0, {6, 0, 0},
       u"Sort. 1: first word right, 2: -, 3: -"},
      {"two keys", st({6, 4, 13}, true, false), {0, 0, 0}, 0, 1, {6, 4, 0},
       u"Sort. 1: first word right, 2: first word left, 3: -"},
      {"three keys", st({6, 4, 13}, true, true), {0, 0, 0}, 0, 2, {6, 4, 13},
       u"Sort. 1: first word right, 2: first word left, 3: file"},
      {"second equal to main", st({6, 6, 13}, true, false), {0, 0, 0}, 0, 0, {6, 6, 0},
       u"Sort. 1: first word right, 2: -, 3: -"},
      // Stale second and third keys in the record must not make a level the user did not choose.
      {"third ticked, second not, stale keys", st({6, 4, 13}, false, true), {6, 7, 8}, 2, 0, {6, 7, 8},
       u"Sort. 1: first word right, 2: -, 3: -"},
      {"second equal to main, third ticked", st({6, 6, 13}, true, true), {0, 0, 0}, 0, 0, {6, 6, 13},
       u"Sort. 1: first word right, 2: -, 3: -"},
  };
  for (const StoreCase& c : cases) {
    TConcSettingsRec32 settings{};
    for (int i = 0; i < 3; ++i) settings.SetSortKey(i, c.old_keys[static_cast<size_t>(i)]);
    TConcSortRecord sort;
    sort.level_count = c.old_levels;
    const UString status = StoreSortChoices(c.state, settings, sort);
    EXPECT_EQ(sort.level_count, c.levels) << c.name;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(settings.SortKey(i), c.keys[static_cast<size_t>(i)]) << c.name << " key " << i;
    EXPECT_EQ(status, c.status) << c.name;
  }
}

TEST(StoreSortChoices, DirectionsAndCaseFlagsFollowTheControls) {
  TSortDialogState s;
  s.selected = {6, 4, 13};
  s.tie1 = true;
  s.direction_tag = {2, 3, 1};
  s.case_sensitive = {false, true, true};
  TConcSettingsRec32 settings{};
  settings.bytes[1756] = 7;  // cleared with the case flags
  TConcSortRecord sort;
  StoreSortChoices(s, settings, sort);
  EXPECT_EQ(sort.ascending[0], 0);
  EXPECT_EQ(sort.ascending[1], 1);
  EXPECT_FALSE(settings.SortCaseSensitive(0));
  EXPECT_TRUE(settings.SortCaseSensitive(1));
  EXPECT_FALSE(settings.SortCaseSensitive(2));  // third key not in use
  EXPECT_EQ(settings.bytes[1756], 0);
}

TEST(SortOk, ContextWordKeyNeedsContextWords) {
  TConcSettingsRec32 settings{};
  TConcSortRecord sort;
  settings.SetSortKey(0, 11);
  EXPECT_EQ(ContextWordKeyRefused(settings, sort), 1);
  settings.SetContextWord(u"hotel");
  EXPECT_EQ(ContextWordKeyRefused(settings, sort), 0);
  // As third key beyond the level count it is accepted.
  TConcSettingsRec32 third{};
  third.SetSortKey(0, 6);
  third.SetSortKey(1, 4);
  third.SetSortKey(2, 11);
  sort.level_count = 1;
  EXPECT_EQ(ContextWordKeyRefused(third, sort), 0);
  sort.level_count = 2;
  EXPECT_EQ(ContextWordKeyRefused(third, sort), 3);
  third.SetSortKey(1, 28);
  EXPECT_TRUE(HighlightedCollocateInSort(third, sort));
  sort.level_count = 0;
  EXPECT_FALSE(HighlightedCollocateInSort(third, sort));
}

TEST(Resort, KeysByLevelCount) {
  struct Case {
    std::array<uint8_t, 3> keys;
    uint8_t levels;
    std::vector<int32_t> plan;
  } cases[] = {
      {{13, 4, 6}, 0, {13, 18}},
      {{6, 4, 13}, 0, {6}},
      {{6, 4, 13}, 1, {6, 4}},
      {{6, 4, 13}, 2, {6, 4, 13}},
      {{13, 4, 6}, 1, {13, 4}},
  };
  for (const Case& c : cases) {
    TConcSettingsRec32 settings{};
    for (int i = 0; i < 3; ++i) settings.SetSortKey(i, c.keys[static_cast<size_t>(i)]);
    TConcSortRecord sort;
    sort.level_count = c.levels;
    EXPECT_EQ(ResortKeys(settings, sort), c.plan);
  }
}

}  // namespace
