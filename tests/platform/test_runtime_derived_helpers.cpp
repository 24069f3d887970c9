#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "platform/rtl/streams.h"
#include "platform/runtime/general_plot_data.h"
#include "platform/runtime/julian_periods.h"
#include "platform/runtime/list_headings.h"
#include "platform/runtime/vx_maths.h"
#include "platform/runtime/text_helpers.h"

namespace {

TYearMonthDay Ymd(int y, int m, int d) { return {y, m, d}; }

}  // namespace

TEST(JulianPeriods, JulianDayNumbersOfKnownDates) {
  // Known Julian day numbers at midnight: the runtime's day 0 and the Gregorian reform.
  EXPECT_DOUBLE_EQ(YearMonthDayToJulianAddingConst(Ymd(1899, 12, 30)), 2415018.5);
  EXPECT_DOUBLE_EQ(YearMonthDayToJulianAddingConst(Ymd(2000, 1, 1)), 2451544.5);
  EXPECT_DOUBLE_EQ(YearMonthDayToJulianAddingConst(Ymd(1582, 10, 15)), 2299160.5);
  for (const TYearMonthDay& d : {Ymd(-4000, 1, 1), Ymd(-1, 2, 28), Ymd(0, 2, 29), Ymd(2024, 2, 29), Ymd(4000, 12, 31)})
    EXPECT_EQ(JulianDateToYearMonthDayRemovingConst(YearMonthDayToJulianAddingConst(d)), d) << d.year;
  // The time of day is dropped; a number that is no date falls outside every time-line.
  EXPECT_EQ(JulianDateToYearMonthDayRemovingConst(2451544.5 + 0.75), Ymd(2000, 1, 1));
  EXPECT_LT(JulianDateToYearMonthDayRemovingConst(std::nan("")).year, kEarliestTimelineYear);
  // An impossible day is taken to the month's last.
  EXPECT_EQ(JulianDateToYearMonthDayRemovingConst(YearMonthDayToJulianAddingConst(Ymd(2023, 2, 31))), Ymd(2023, 2, 28));
}

TEST(JulianPeriods, PeriodsOfEachBasis) {
  struct Case {
    TTimeLinePlotbase basis;
    TYearMonthDay date, start, end;
  };
  const Case cases[] = {
      {kTimeBaseDay, Ymd(2021, 3, 17), Ymd(2021, 3, 17), Ymd(2021, 3, 17)},
      {kTimeBaseWeek, Ymd(2021, 3, 17), Ymd(2021, 3, 15), Ymd(2021, 3, 21)},  // a Wednesday
      {kTimeBaseMonth, Ymd(2024, 2, 10), Ymd(2024, 2, 1), Ymd(2024, 2, 29)},
      {kTimeBaseQuarter, Ymd(2021, 8, 5), Ymd(2021, 7, 1), Ymd(2021, 9, 30)},
      {kTimeBaseYear, Ymd(1999, 6, 1), Ymd(1999, 1, 1), Ymd(1999, 12, 31)},
      {kTimeBaseDecade, Ymd(1994, 6, 1), Ymd(1990, 1, 1), Ymd(1999, 12, 31)},
      {kTimeBaseDecade, Ymd(-5, 6, 1), Ymd(-10, 1, 1), Ymd(-1, 12, 31)},
      {kTimeBaseCentury, Ymd(1950, 1, 1), Ymd(1900, 1, 1), Ymd(1999, 12, 31)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StartOfPeriod(c.date, c.basis), c.start) << int(c.basis);
    EXPECT_EQ(EndOfPeriod(c.date, c.basis), c.end) << int(c.basis);
  }
}

TEST(JulianPeriods, CountsAndNumbers) {
  // Month basis: March 2020 to February 2021 is 12 periods; a date's period from the first.
  EXPECT_EQ(PeriodsBetween(Ymd(2020, 3, 1), Ymd(2021, 2, 28), kTimeBaseMonth), 12);
  EXPECT_EQ(PeriodNumberFor(Ymd(2020, 3, 1), Ymd(2021, 1, 31), kTimeBaseMonth), 10);
  EXPECT_EQ(PeriodNumberFor(Ymd(2020, 3, 1), Ymd(2020, 2, 29), kTimeBaseMonth), -1);
  EXPECT_EQ(PeriodsBetween(Ymd(2018, 1, 1), Ymd(2021, 12, 31), kTimeBaseYear), 4);
  EXPECT_EQ(PeriodNumberFor(Ymd(2018, 1, 1), Ymd(2020, 7, 1), kTimeBaseYear), 2);
  EXPECT_EQ(PeriodsBetween(Ymd(2021, 3, 15), Ymd(2021, 3, 28), kTimeBaseWeek), 2);
  // A reversed pair (no dated text: first in year 4000, last in -4000) and basis 0 have none;
  // a huge count is capped.
  EXPECT_EQ(PeriodsBetween(Ymd(4000, 1, 1), Ymd(-4000, 12, 31), kTimeBaseYear), 0);
  EXPECT_EQ(PeriodsBetween(Ymd(2000, 1, 1), Ymd(2001, 1, 1), kTimeBaseUndefined), 0);
  EXPECT_EQ(PeriodNumberFor(Ymd(2000, 1, 1), Ymd(2001, 1, 1), kTimeBaseUndefined), -1);
  EXPECT_EQ(PeriodsBetween(Ymd(-4000, 1, 1), Ymd(4000, 12, 31), kTimeBaseDay), kMaxTimelinePeriods);
}

TEST(JulianPeriods, SegmentHeadingsAndNames) {
  const double jan2021 = YearMonthDayToJulianAddingConst(Ymd(2021, 11, 1));
  struct Case {
    TTimeLinePlotbase basis;
    int32_t segment;
    const char16_t* text;
  };
  const Case cases[] = {{kTimeBaseMonth, 1, u"2021-11"}, {kTimeBaseMonth, 3, u"2022-01"},
                        {kTimeBaseQuarter, 2, u"2022 Q1"}, {kTimeBaseYear, 2, u"2022"},
                        {kTimeBaseDay, 31, u"2021-12-01"},  {kTimeBaseDecade, 2, u"2030s"},
                        {kTimeBaseMonth, 0, u""},          {kTimeBaseUndefined, 1, u""}};
  for (const Case& c : cases) EXPECT_EQ(JulianDateStrFromTimelineData(c.basis, jan2021, c.segment), c.text);
  EXPECT_EQ(TimeLinePlotbaseStr(kTimeBaseMonth), u"month");
  EXPECT_EQ(TimeLinePlotbaseStr(200), u"");
}

TEST(RuntimeTextHelpers, SmallStringRoutines) {
  EXPECT_EQ(WithoutMarkup(u"<b>big</b> dog"), u"big dog");
  EXPECT_EQ(WithoutMarkup(u"a < b"), u"a < b");
  EXPECT_EQ(AddToListWithSeparatorIfNeeded(u"", u"x", u" ,"), u"x");
  EXPECT_EQ(AddToListWithSeparatorIfNeeded(u"a", u"x", u" ,"), u"a ,x");
  EXPECT_EQ(AddToListWithSeparatorIfNeeded(u"a", u"", u" ,"), u"a");
  struct Case {
    std::vector<int32_t> numbers;
    int32_t offset;
    const char16_t* text;
  };
  const Case cases[] = {{{0, 1, 2, 6}, 1, u"1-3, 7"}, {{6, 0, 2, 1, 1}, 1, u"1-3, 7"}, {{3, 4}, 0, u"3, 4"},
                        {{}, 1, u""},                 {{5}, 0, u"5"}};
  for (const Case& c : cases) EXPECT_EQ(HumanAbbreviatedNumberListString(c.numbers, c.offset), c.text);
}

TEST(RuntimeHeadings, BaseHeadingsHaveTheStandardColumns) {
  for (TTessorineList t : {kListPlot, kListClusters, kListPatterns, kListTimeline})
    EXPECT_EQ(static_cast<int>(CopyOfBaseHeadings(t).size()), StandardColumnCount(t)) << int(t);
  const std::vector<UString> colloc = CopyOfBaseHeadings(kListCollocates, 45, 55);
  ASSERT_EQ(colloc.size(), size_t(kCollocateStandardColumns + 11));
  EXPECT_EQ(colloc[kCollocateStandardColumns], u"L5");
  EXPECT_EQ(colloc[kCollocateStandardColumns + 5], u"*");
  std::vector<UString> old = {u"N", u"Word", u"Search word", u"Relation"};
  EnsureMIHeadingsIncludeAllStats(old);
  EXPECT_EQ(old.size(), 14u);
  EXPECT_EQ(old[4], u"MI");
}

// The collocates' headings read alike: each begins with a capital (the statistics keep the names
// they are known by, "delta P" among them).
TEST(RuntimeHeadings, CollocateHeadingsBeginWithACapital) {
  std::vector<UString> statistics;
  for (int i = 0; i < kRelationshipStatsCount; ++i) statistics.push_back(RelationshipAsString(i));
  const std::vector<UString> headings = CopyOfBaseHeadings(kListCollocates, 45, 55);
  for (const UString& h : headings) {
    if (std::find(statistics.begin(), statistics.end(), h) != statistics.end()) continue;
    ASSERT_FALSE(h.empty());
    EXPECT_FALSE(h[0] >= u'a' && h[0] <= u'z') << Utf16ToUtf8(h);
  }
  EXPECT_EQ(headings[1], u"Word");
}

TEST(GeneralPlotData, DispersionOverDivisions) {
  TGeneralPlotDataList even(1000, 4);
  for (int p : {10, 260, 510, 760}) even.Add({p, UString()});
  EXPECT_DOUBLE_EQ(even.ComputedDispersion(), 1.0);
  TGeneralPlotDataList lumped(1000, 4);
  for (int p : {1, 2, 3, 4}) lumped.Add({p, UString()});
  EXPECT_NEAR(lumped.ComputedDispersion(), 0.0, 1e-12);
  // Positions outside the words count in the nearest division; no words measures nothing.
  TGeneralPlotDataList outside(100, 2);
  outside.Add({-5, UString()});
  outside.Add({500, UString()});
  EXPECT_DOUBLE_EQ(outside.ComputedDispersion(), 1.0);
  TGeneralPlotDataList empty_text(0, 4);
  empty_text.Add({0, UString()});
  EXPECT_EQ(empty_text.ComputedDispersion(), 0.0);
}

TEST(GeneralPlotData, StreamRoundTripAndDamage) {
  TGeneralPlotDataList a(1234, 8);
  a.Add({30, u"ctx"});
  a.Add({7, UString()});
  a.SortByPosition();
  TMemoryStream m;
  ASSERT_TRUE(a.SaveToStream(m));
  // version, words, divisions, count, then (7, "") and (30, "ctx").
  ASSERT_EQ(m.Size(), 16 + 8 + 8 + 6);
  const std::string bytes(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
  m.Seek(0, TSeekOrigin::Begin);
  TGeneralPlotDataList b;
  ASSERT_TRUE(b.ReadFromStream(m));
  EXPECT_EQ(b.Words(), 1234);
  EXPECT_EQ(b.Divisions(), 8);
  ASSERT_EQ(b.Count(), 2);
  EXPECT_EQ(b.Plots()[0].position, 7);
  EXPECT_EQ(b.Plots()[1].context, u"ctx");
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    TMemoryStream c;
    c.Write(bytes.data(), static_cast<int64_t>(cut));
    c.Seek(0, TSeekOrigin::Begin);
    TGeneralPlotDataList d;
    EXPECT_FALSE(d.ReadFromStream(c)) << cut;
  }
  std::string garbled = bytes;
  garbled[12] = '\x7f';  // a count far beyond the bytes left
  TMemoryStream g;
  g.Write(garbled.data(), static_cast<int64_t>(garbled.size()));
  g.Seek(0, TSeekOrigin::Begin);
  TGeneralPlotDataList e;
  EXPECT_FALSE(e.ReadFromStream(g));
}
