#include <gtest/gtest.h>

#include <cmath>

#include "../model/text_reader_test_support.h"
#include "model/reading/text_statistics.h"
#include "platform/runtime/vx_resources.h"
#include "platform/settings/settings_access.h"
#include "wordlist/word_list.h"
#include "wordlist_test_support.h"

using text_reader_test::ScopedSettings;
using wltest::Fill;
using wltest::Words;

namespace {

TEST(WordListColumns, HeaderClicksGiveSortKinds) {
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  struct Case {
    int level, column, style;
    bool multi;
    int32_t want;
  } cases[] = {
      {0, 1, 0, false, kWLSortWords},   {0, 1, 1, false, kWLSortReverse},     {0, 1, 2, false, kWLSortLength},
      {0, 1, 2, true, kWLSortWordsInEntry}, {0, 1, 3, false, kWLSortFirstCapital}, {0, 1, 4, false, kWLSortPrefix},
      {0, 1, 5, false, kWLSortSuffix},  {0, 4, 0, false, kWLSortTexts},       {0, 5, 0, false, kWLSortTexts},
      {0, 6, 0, false, kWLSortDispersion}, {0, 7, 0, false, kWLSortLemmas},   {0, 8, 0, false, kWLSortSet},
      {1, 2, 0, false, kWLSortWords},   {1, 7, 0, false, kWLSortLemmas},      {2, 8, 0, false, kWLSortSet},
  };
  for (const auto& c : cases) {
    list.fWordSortStyle = c.style;
    list.fMultiWordUnits = c.multi;
    EXPECT_EQ(list.HeaderColumnToSortNeeded(c.level, c.column), c.want)
        << "level " << c.level << " column " << c.column << " style " << c.style;
  }
}

TEST(WordListColumns, EachLevelSortsByItsOwnKind) {
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  // Texts at level 0, then word length, then reversed words.
  list.AddRow({2, 1, 0.0f, u"abc", u"", u""});
  list.AddRow({1, 1, 0.0f, u"zz", u"", u""});
  list.AddRow({2, 1, 0.0f, u"ab", u"", u""});
  list.AddRow({2, 1, 0.0f, u"ba", u"", u""});
  list.Set3Sorts(kWLSortTexts, kWLSortLength, kWLSortReverse);
  ASSERT_TRUE(list.DoASort(3, 0, list.Count() - 1));
  EXPECT_EQ(Words(list), "zz ba ab abc");
  // Words in the entry, then first letter capital.
  TVXWordList clusters(&holder);
  Fill(clusters, {{u"the cat sat", 1}, {u"dog", 1}, {u"Dog", 1}, {u"a b", 1}});
  clusters.Set3Sorts(kWLSortWordsInEntry, kWLSortFirstCapital, kSortNone);
  ASSERT_TRUE(clusters.DoASort(2, 0, clusters.Count() - 1));
  EXPECT_EQ(Words(clusters), "dog Dog a b the cat sat");
}

TEST(WordListColumns, WordOrderComparesAffixesWhenTheListHasThem) {
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  list.AddRow({1, 1, 0.0f, u"run", u"<v>", u""});
  list.AddRow({1, 1, 0.0f, u"run", u"<n>", u""});
  list.AddRow({1, 1, 0.0f, u"dog", u"<n>", u""});
  ASSERT_TRUE(list.DoAlphabeticalAscendingSort());
  std::string got;
  for (int i = 0; i < list.Count(); ++i) got += Utf16ToUtf8(list.Row(i)->WordPlusAffixes()) + " ";
  EXPECT_EQ(got, "<n>dog <n>run <v>run ");
  EXPECT_EQ(list.Find_Word(u"RUN", u"<v>", u"", false), 2);
  EXPECT_EQ(list.Find_Word(u"RUN", u"<v>", u"", true), -1);
  EXPECT_EQ(list.Find_Word(u"run", u"<x>", u"", false), -1);
}

TEST(WordListColumns, NumbersOfEachColumn) {
  ScopedSettings settings;
  TVXBaseHolder holder;
  TVXStatsList stats(&holder);
  TVXWordList list(&holder);
  list.fStatsList = &stats;
  list.AddRow({2, 50, 0.5f, u"cat", u"", u""});
  list.AddRow({1, 4, 0.0f, u"kitty", u"", u""});
  list.AddRow({1, 3, 0.0f, u"the cat *", u"", u""});
  ASSERT_TRUE(list.Join(0, 1, false));
  ASSERT_TRUE(list.Join(2, 1, false) == false);
  stats.Overall_stats.data.running_words = 1000;
  for (int t = 0; t < 4; ++t) {
    TOne_text_stats_rec rec;
    rec.name = u"/c/t" + IntToUStr(t) + u".txt";
    stats.Add(new TStatsEntry(rec, false, &stats));
  }
  auto value = [&](int col, int row) {
    TNumberDisplayAndSinglesRec r;
    list.NumericalData(col, row, r);
    return r.value;
  };
  // The lemma cat (own 50, kitty 4) counts 54 in its frequency, its share and its lemma column.
  EXPECT_EQ(value(0, 0), 1.0f);
  EXPECT_EQ(value(2, 0), 54.0f);
  EXPECT_FLOAT_EQ(value(3, 0), 5.4f);   // 54 of 1,000 tokens, as a percentage
  EXPECT_EQ(value(4, 0), 2.0f);
  EXPECT_FLOAT_EQ(value(5, 0), 50.0f);  // 2 of 4 texts
  EXPECT_FLOAT_EQ(value(6, 0), 0.5f);
  EXPECT_EQ(value(7, 0), 54.0f);
  EXPECT_EQ(value(2, 2), 3.0f);         // a phrase frame counts its own occurrences
  EXPECT_EQ(value(7, 2), 3.0f);
  SetLemmaHeadWordFreqOnly(true);
  EXPECT_EQ(value(2, 0), 50.0f);
  EXPECT_FLOAT_EQ(value(3, 0), 5.0f);
  EXPECT_EQ(value(7, 0), 50.0f);
  TNumberDisplayAndSinglesRec r;
  list.NumericalData(3, 0, r);
  EXPECT_EQ(r.total, 1000);
  EXPECT_EQ(r.part, 50);

  // Without statistics rows the share columns show the bare numbers; a one-text list has no
  // text count.
  TVXWordList bare(&holder);
  bare.AddRow({3, 7, 0.0f, u"a", u"", u""});
  EXPECT_EQ([&] { TNumberDisplayAndSinglesRec x; bare.NumericalData(3, 0, x); return x.value; }(), 7.0f);
  EXPECT_EQ([&] { TNumberDisplayAndSinglesRec x; bare.NumericalData(5, 0, x); return x.value; }(), 3.0f);
  TVXStatsList one(&holder);
  TOne_text_stats_rec rec;
  rec.name = u"/c/one.txt";
  one.Add(new TStatsEntry(rec, false, &one));
  bare.fStatsList = &one;
  EXPECT_EQ([&] { TNumberDisplayAndSinglesRec x; bare.NumericalData(4, 0, x); return x.value; }(), kMissingValue);
  // Dispersion shows for the word list only.
  TVXWordList index_list(&holder, kListIndexWordlist);
  index_list.AddRow({1, 1, 0.5f, u"a", u"", u""});
  EXPECT_EQ([&] { TNumberDisplayAndSinglesRec x; index_list.NumericalData(6, 0, x); return x.value; }(),
            kMissingValue);
}

TEST(WordListColumns, CellsInFrequencyOrder) {
  ScopedSettings settings;
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  list.AddRow({1, 2, 0.0f, u"go", u"", u""});
  list.AddRow({1, 9, 0.0f, u"the", u"", u""});
  list.AddRow({1, 3, 0.0f, u"went", u"", u""});
  ASSERT_TRUE(list.Join(0, 2, false));
  TGrid_data_rec cell;
  list.DrawgridDataRec(1, 1, cell, kDisplayByFrequency);
  EXPECT_EQ(cell.text, u"the");
  list.DrawgridDataRec(2, 1, cell, kDisplayByFrequency);
  EXPECT_EQ(cell.number.value, 9.0f);
  list.DrawgridDataRec(0, 1, cell, kDisplayByFrequency);
  EXPECT_EQ(cell.number.value, 1.0f);
  list.DrawgridDataRec(7, 2, cell, kDisplayByFrequency);  // go with went: 2 + 3 = 5, second
  EXPECT_EQ(cell.text, u"[2] go [3] went");
  SetLemmaOmitHeadWordInWordlist(true);
  list.DrawgridDataRec(7, 2, cell, kDisplayByFrequency);
  EXPECT_EQ(cell.text, u"[3] went");
  list.DrawgridDataRec(1, 9, cell, kDisplayByFrequency);
  EXPECT_FALSE(cell.has_text);
}

TEST(WordListColumns, CloudCursorRunsPastTheEnd) {
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  Fill(list, {{u"a", 1}, {u"b", 5}});
  TCloudDatum d;
  EXPECT_TRUE(list.GetNextCloudDatum(d));
  EXPECT_EQ(d.word, u"b");
  EXPECT_EQ(d.index, 1);
  EXPECT_TRUE(list.GetNextCloudDatum(d));
  EXPECT_FALSE(list.GetNextCloudDatum(d));
  EXPECT_EQ(d.value, 0);
  EXPECT_EQ(list.fCloudCursor, 3);
}

TEST(WordListColumns, SettingsTextNamesEveryLimit) {
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  const std::vector<UString> lines = list.DetailsOfCurrentSettings();
  ASSERT_GE(lines.size(), 7u);
  EXPECT_EQ(lines.back().substr(0, 14), u"Case sensitive");
  EXPECT_EQ(WordlistSortKindName(kWLSortWordsInEntry), VXRes(TVXRes::VXNInCluster));
  EXPECT_EQ(WordlistSortKindName(13), u"");
}

}  // namespace

namespace {

TEST(WordListColumns, RelativeEntropyOfLemmasAndComputedColumnsSort) {
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  // BE 2 + IS 2; GO 6 + GOES 3 + WENT 3; CAT 9 + CATS 1; DOG alone.
  Fill(list, {{u"BE", 2}, {u"IS", 2}, {u"GO", 6}, {u"GOES", 3}, {u"WENT", 3}, {u"CAT", 9}, {u"CATS", 1}, {u"DOG", 4}});
  ASSERT_TRUE(list.Join(0, 1, false) && list.Join(2, 3, false) && list.Join(2, 4, false) && list.Join(5, 6, false));
  list.Zap(false);
  ASSERT_EQ(Words(list), "BE GO CAT DOG");
  // By hand: -sum(p ln p) / ln(forms with a frequency).
  EXPECT_NEAR(RelativeEntropyOfForms(*list.Get(0)), 1.0, 1e-9);
  EXPECT_NEAR(RelativeEntropyOfForms(*list.Get(1)), (0.5 * std::log(2.0) + 0.5 * std::log(4.0)) / std::log(3.0), 1e-9);
  EXPECT_NEAR(RelativeEntropyOfForms(*list.Get(2)), -(0.9 * std::log(0.9) + 0.1 * std::log(0.1)) / std::log(2.0), 1e-9);
  EXPECT_EQ(RelativeEntropyOfForms(*list.Get(3)), 0.0);
  list.Set1Sort(0, kWLSortRelativeEntropy);
  list.SetSortAscending(0, true);
  ASSERT_TRUE(list.DoASort(1, 0, list.Count() - 1));
  EXPECT_EQ(Words(list), "DOG CAT GO BE");

  // A computed column's heading sorts by its values (a row without one lowest); a set column's
  // does not choose it.
  const int computed = list.AddComputedColumn(u"x", {2.5, std::nan(""), -1.0, 10.0}, false);  // DOG CAT GO BE
  const int set = list.AddSetColumn();
  EXPECT_NE(list.HeaderColumnToSortNeeded(0, set), kWLSortComputed);
  EXPECT_EQ(list.HeaderColumnToSortNeeded(0, computed), kWLSortComputed);
  EXPECT_EQ(list.fChosenExtraColumn, computed);
  list.Set1Sort(0, kWLSortComputed);
  ASSERT_TRUE(list.DoASort(1, 0, list.Count() - 1));
  EXPECT_EQ(Words(list), "CAT GO DOG BE");
  list.SetSortAscending(0, false);
  ASSERT_TRUE(list.DoASort(1, 0, list.Count() - 1));
  EXPECT_EQ(Words(list), "BE DOG GO CAT");
}

}  // namespace
