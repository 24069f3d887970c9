// Cluster, time-line and plot-set choices against the settings record and back.
#include <gtest/gtest.h>

#include "shell/settings/analysis_settings_rules.h"

namespace {

TEST(ClusterChoices, OkWritesTheRecordFields) {
  const struct {
    const char* name;
    TClusterChoices in;
    int16_t left, right, smallest, largest;
    uint16_t min_freq;
  } cases[] = {
      {"smallest above largest", {5, 3, 2, 4, 6, false}, 4, 6, 5, 5, 2},
      {"no horizon selected keeps the stored ones", {2, 4, 1, -1, -1, false}, 9, 11, 2, 4, 1},
      {"frequency beyond the field is capped", {3, 3, 2147483647, 0, 25, true}, 0, 25, 3, 3, 65535},
  };
  for (const auto& c : cases) {
    TConcSettingsRec32 rec{};
    rec.SetClusterReachLeft(9);
    rec.SetClusterReachRight(11);
    PutClusterChoices(c.in, rec);
    EXPECT_EQ(rec.ClusterReachLeft(), c.left) << c.name;
    EXPECT_EQ(rec.ClusterReachRight(), c.right) << c.name;
    EXPECT_EQ(rec.ClusterSizeMin(), c.smallest) << c.name;
    EXPECT_EQ(rec.ClusterSizeMax(), c.largest) << c.name;
    EXPECT_EQ(rec.ClusterMinFrequency(), c.min_freq) << c.name;
    EXPECT_EQ(rec.CollocatesCaseSensitive(), c.in.case_sensitive) << c.name;
  }
}

TEST(ClusterChoices, StoredHorizonBeyondTheListSelectsNothing) {
  TConcSettingsRec32 rec{};
  rec.SetClusterReachLeft(30);
  rec.SetClusterReachRight(3);
  const TClusterChoices c = ClusterChoicesOf(rec);
  EXPECT_EQ(c.left, -1);
  EXPECT_EQ(c.right, 3);
  TConcSettingsRec32 after = rec;
  PutClusterChoices(c, after);
  EXPECT_EQ(after.ClusterReachLeft(), 30);
}

// The case tick is one of the fields the clusters are recomputed with.
TEST(ClusterChoices, CopyCarriesTheCaseFlag) {
  TConcSettingsRec32 store{}, doc{};
  PutClusterChoices({4, 6, 3, 2, 5, true}, store);
  CopyClusterChoices(store, doc);
  EXPECT_TRUE(doc.CollocatesCaseSensitive());
  EXPECT_EQ(doc.ClusterSizeMin(), 4);
  EXPECT_EQ(doc.ClusterSizeMax(), 6);
  EXPECT_EQ(doc.ClusterMinFrequency(), 3);
  EXPECT_EQ(doc.ClusterReachLeft(), 2);
  EXPECT_EQ(doc.ClusterReachRight(), 5);
}

TEST(TimelineBasis, ItemsAndBasesMapBothWays) {
  const auto& bases = OfferedTimelineBases();
  ASSERT_FALSE(bases.empty());
  for (int item = 0; item < static_cast<int>(bases.size()); ++item)
    EXPECT_EQ(TimelineItemOfBasis(TimelineBasisOfItem(item)), item);
  // the last item stores its own basis, which selects it again
  const int last = static_cast<int>(bases.size()) - 1;
  EXPECT_EQ(TimelineBasisOfItem(last), bases.back());
  EXPECT_EQ(TimelineItemOfBasis(11), last);
  EXPECT_EQ(TimelineBasisOfItem(-1), kTimeBaseUndefined);
  EXPECT_EQ(TimelineBasisOfItem(last + 1), kTimeBaseUndefined);
  EXPECT_EQ(TimelineBasisOfItem(TimelineItemOfBasis(kTimeBaseMonth)), kTimeBaseMonth);
}

TEST(PlotSets, LabelsUseTheWidthOfTheCount) {
  EXPECT_EQ(PlotItemLabel(7, 9, u"a.txt"), u"7 a.txt");
  EXPECT_EQ(PlotItemLabel(7, 10, u"a.txt"), u"07 a.txt");
  EXPECT_EQ(PlotItemLabel(7, 99, u"a.txt"), u"07 a.txt");
  EXPECT_EQ(PlotItemLabel(7, 100, u"a.txt"), u"007 a.txt");
  EXPECT_EQ(PlotItemNumber(u"007 a.txt"), 7);
  EXPECT_EQ(PlotItemNumber(u"a.txt"), -1);
  EXPECT_EQ(PlotItemNumber(u"x7 a"), -1);
}

TEST(PlotSets, OkNeedsBothKindsAndGivesZeroBasedNumbers) {
  TPlotSetsResult r = ReadPlotSets({}, {u"1"});
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.message.find(u"set of files"), UString::npos);
  r = ReadPlotSets({u"1"}, {});
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.message.find(u"search words"), UString::npos);
  r = ReadPlotSets({u"1-3, 5", u"4"}, {u"1, 2"});
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.file_sets, (std::vector<std::vector<int32_t>>{{0, 1, 2, 4}, {3}}));
  EXPECT_EQ(r.word_sets, (std::vector<std::vector<int32_t>>{{0, 1}}));
  r = ReadPlotSets({u"1-x"}, {u"1"});
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.file_sets.empty());
}

// With 9 items the label width is one digit; sets stored on OK must come back on reopen.
TEST(PlotSets, StoredSetsComeBackOnReopen) {
  for (int count : {9, 10, 99, 100}) {
    const std::vector<UString> texts{PlotSetText({1, 2, 3}), PlotSetText({count})};
    const TPlotSetsResult r = ReadPlotSets(texts, {u"1"});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(RebuildPlotSetTexts(r.file_sets, count), texts) << count;
  }
  // a number no item carries is skipped, and an emptied set dropped
  EXPECT_EQ(RebuildPlotSetTexts({{0, 7}, {9}}, 5), (std::vector<UString>{u"1"}));
}

}  // namespace
