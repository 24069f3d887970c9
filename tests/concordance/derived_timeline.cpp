#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "../model/export_test_support.h"
#include "concordance/views/compute_timeline.h"
#include "concordance/views/timeline_list.h"
#include "derived_test_support.h"
#include "model/export/export_cells.h"
#include "model/export/list_export.h"
#include "platform/rtl/streams.h"
#include "support/temp_folder.h"

using derived_test::Lines;

namespace {

double J(int y, int m, int d) { return YearMonthDayToJulianAddingConst({y, m, d}); }

std::vector<int32_t> Hits(const TTimeLineDataRec& r) {
  std::vector<int32_t> v;
  for (const auto& s : r.segments) v.push_back(s.hits);
  return v;
}
std::vector<int32_t> Words(const TTimeLineDataRec& r) {
  std::vector<int32_t> v;
  for (const auto& s : r.segments) v.push_back(s.words);
  return v;
}

// Texts 1..4: Jan 2021 (100 words), Mar 2021 (-1, not counted), Mar 2021 (300), 2022-06 (50).
struct Corpus {
  Lines f;
  std::vector<TTimelineText> texts = {
      {100, J(2021, 1, 15)}, {-1, J(2021, 3, 2)}, {300, J(2021, 3, 30)}, {50, J(2022, 6, 1)}};
  std::vector<TTimelineUnusedText> unused = {{J(2021, 2, 10), 1000}, {J(1990, 1, 1), 7}};
  Corpus() {
    f.Add({}, u"a", {}, 1, 0);
    f.Add({}, u"a", {}, 1, 0);
    f.Add({}, u"b", {}, 3, 1);
    f.Add({}, u"a", {}, 2, 0);
  }
};

}  // namespace

TEST(ComputeTimeline, MonthBasisPeriodsHitsAndWords) {
  Corpus c;
  TVXBaseHolder h;
  TTimelineList list(&h);
  ASSERT_TRUE(ComputeTimeline(c.f.list, c.texts, c.unused, {u"a", u"b"}, kTimeBaseMonth, list));
  ASSERT_EQ(list.Count(), 2);
  // Lines come from texts 1-3 only: January to March 2021, three months.
  const TTimeLineDataRec& o = list.overall.rec;
  EXPECT_EQ(double{o.head.first_date}, J(2021, 1, 1));
  EXPECT_EQ(double{o.head.last_date}, J(2021, 3, 31));
  EXPECT_EQ(int32_t{o.head.segments}, 3);
  EXPECT_EQ(Hits(o), (std::vector<int32_t>{2, 0, 2}));
  // The uncounted text adds 1; the unused text in February counts in the overall row only.
  EXPECT_EQ(Words(o), (std::vector<int32_t>{100, 1000, 301}));
  // Overall words: every text and every unused text, dated in a period or not.
  EXPECT_EQ(int32_t{o.head.words}, 100 + 1 + 300 + 50 + 1000 + 7);
  EXPECT_EQ(int32_t{o.head.hits}, 4);
  EXPECT_EQ(int32_t{o.head.highest_hits}, 2);
  EXPECT_EQ(int32_t{o.head.highest_words}, 1000);
  EXPECT_FLOAT_EQ(o.head.per_thousand, 4000.0f / 1458.0f);
  const TTimeLineDataRec& a = list.Row(0)->rec;
  EXPECT_EQ(a.label, u"a");
  EXPECT_EQ(Hits(a), (std::vector<int32_t>{2, 0, 1}));
  EXPECT_EQ(Words(a), (std::vector<int32_t>{100, 0, 301}));
  EXPECT_EQ(int32_t{a.head.words}, 401);  // never below the texts' words
  EXPECT_EQ(int32_t{a.head.hits}, 3);
  EXPECT_EQ(int32_t{a.head.highest_hits}, 2);
  EXPECT_EQ(int32_t{a.head.highest_words}, 301);
  EXPECT_FLOAT_EQ(a.head.per_thousand, 3000.0f / 401.0f);
  EXPECT_EQ(Hits(list.Row(1)->rec), (std::vector<int32_t>{0, 0, 1}));
  EXPECT_EQ(double{list.Row(1)->rec.head.first_date}, double{o.head.first_date});
  const std::vector<UString> dates = TimeLineDataDateHeaders(o);
  EXPECT_EQ(dates, (std::vector<UString>{u"2021-01", u"2021-02", u"2021-03"}));
}

TEST(ComputeTimeline, YearBasisAndEachTextsPeriod) {
  Corpus c;
  c.f.Add({}, u"b", {}, 4, 1);  // a line from the 2022 text
  TVXBaseHolder h;
  TTimelineList list(&h);
  ASSERT_TRUE(ComputeTimeline(c.f.list, c.texts, c.unused, {u"a", u"b"}, kTimeBaseYear, list));
  const TTimeLineDataRec& o = list.overall.rec;
  EXPECT_EQ(double{o.head.first_date}, J(2021, 1, 1));
  EXPECT_EQ(double{o.head.last_date}, J(2022, 12, 31));
  EXPECT_EQ(Hits(o), (std::vector<int32_t>{4, 1}));
  EXPECT_EQ(Words(o), (std::vector<int32_t>{1401, 50}));
  EXPECT_EQ(Hits(list.Row(1)->rec), (std::vector<int32_t>{1, 1}));
  EXPECT_EQ(TimeLineDataDateHeaders(o), (std::vector<UString>{u"2021", u"2022"}));
}

TEST(ComputeTimeline, NoDatedTextBasisZeroAndNoLines) {
  Corpus c;
  for (auto& t : c.texts) t.julian_date = 0;
  TVXBaseHolder h;
  TTimelineList list(&h);
  ASSERT_TRUE(ComputeTimeline(c.f.list, c.texts, c.unused, {u"a", u"b"}, kTimeBaseMonth, list));
  EXPECT_EQ(int32_t{list.overall.rec.head.segments}, 0);
  EXPECT_EQ(int32_t{list.Row(0)->rec.head.hits}, 0);
  EXPECT_FLOAT_EQ(list.Row(0)->rec.head.per_thousand, -1.0f);
  TGrid_data_rec cell;
  list.DrawgridDataRec(6, 1, cell, 0);
  EXPECT_EQ(cell.kind, kCellTimeline);
  EXPECT_TRUE(cell.timeline_segments.empty());
  // Basis 0 leaves the list as it was.
  EXPECT_FALSE(ComputeTimeline(c.f.list, c.texts, c.unused, {u"a", u"b"}, kTimeBaseUndefined, list));
  EXPECT_EQ(list.Count(), 2);
  Lines none;
  EXPECT_FALSE(ComputeTimeline(none.list, c.texts, c.unused, {u"a"}, kTimeBaseMonth, list));
  EXPECT_EQ(list.Count(), 0);
}

TEST(TimelineList, OverallRowCellsAndHeading) {
  Corpus c;
  TVXBaseHolder h;
  TTimelineList list(&h);
  ASSERT_TRUE(ComputeTimeline(c.f.list, c.texts, c.unused, {u"a", u"b"}, kTimeBaseMonth, list));
  EXPECT_TRUE(list.OverallCount());
  EXPECT_EQ(list.TotalRowCount(), 3);
  EXPECT_EQ(list.TimeLineData(0).label, u"Overall");
  EXPECT_EQ(list.TimeLineData(1).label, u"a");
  TGrid_data_rec cell;
  list.DrawgridDataRec(6, 2, cell, 0);
  EXPECT_EQ(cell.kind, kCellTimeline);
  EXPECT_EQ(cell.timeline_segments.size(), 3u);
  EXPECT_EQ(cell.timeline_date_headings[2], u"2021-03");
  list.DrawgridDataRec(3, 1, cell, 0);
  EXPECT_FLOAT_EQ(cell.number.value, 4.0f);
  // Dates within a year put the year into the plot column's heading.
  list.DrawgridDataRec(6, 0, cell, 0);
  EXPECT_NE(cell.text.find(u"(2021) (month)"), UString::npos);
  EXPECT_EQ(list.TimeLineDataStringForLemmaShower(6, 1),
            u"a\t2021-01: 2 hits in 100 words\t2021-02: 0 hits in 0 words\t2021-03: 1 hit in 301 words");
  // One row: it is row 0, marked overall.
  Lines one;
  one.Add({}, u"a", {}, 1, 0);
  TTimelineList single(&h);
  ASSERT_TRUE(ComputeTimeline(one.list, c.texts, {}, {u"a"}, kTimeBaseMonth, single));
  EXPECT_FALSE(single.OverallCount());
  EXPECT_EQ(single.TimeLineData(0).head.overall, 1);
  EXPECT_EQ(single.TimeLineData(0).label, u"a");
}

// The plot column's heading says what the periods are in words: none before a computation and
// when no text is dated, the one period there is, else the basis; one period has no dispersion.
TEST(TimelineList, HeadingNamesThePeriodsAndOnePeriodHasNoDispersion) {
  Corpus c;
  TVXBaseHolder h;
  auto heading = [](TTimelineList& list) {
    TGrid_data_rec cell;
    list.DrawgridDataRec(6, 0, cell, 0);
    return cell.text;
  };
  TTimelineList empty(&h);
  EXPECT_EQ(heading(empty), u"Time-lines (not computed: Compute > Timeline)");
  // The lines are in texts 1, 2 and 3 (January and March 2021 in the corpus).
  struct Case {
    const char* name;
    std::vector<double> dates;  // of texts 1-3; empty: the corpus's own
    TTimeLinePlotbase basis;
    UString heading;
    bool dispersion;
  } cases[] = {
      {"no text dated", {0, 0, 0}, kTimeBaseMonth, u"Time-lines (no text is dated)", false},
      {"one day", {J(2020, 5, 17), J(2020, 5, 17), J(2020, 5, 17)}, kTimeBaseYear, u"Time-lines (one year: 2020)", false},
      {"one month", {J(2020, 5, 1), J(2020, 5, 17), J(2020, 5, 31)}, kTimeBaseMonth,
       u"Time-lines (one month: 2020-05)", false},
      {"within a year", {}, kTimeBaseMonth, u"Time-lines (2021) (month)", true},
      {"over years", {J(1999, 5, 1), J(2020, 5, 17), J(2021, 5, 31)}, kTimeBaseYear, u"Time-lines (year)", true},
  };
  for (const Case& k : cases) {
    std::vector<TTimelineText> texts = c.texts;
    for (size_t t = 0; t < k.dates.size(); ++t) texts[t].julian_date = k.dates[t];
    TTimelineList list(&h);
    ASSERT_TRUE(ComputeTimeline(c.f.list, texts, {}, {u"a", u"b"}, k.basis, list)) << k.name;
    EXPECT_EQ(heading(list), k.heading) << k.name;
    TGrid_data_rec cell;
    list.DrawgridDataRec(5, 1, cell, 0);
    EXPECT_EQ(std::isfinite(cell.number.value) && cell.has_number, k.dispersion) << k.name;
  }
}

TEST(TimelineList, SortsPutNaNLowest) {
  TVXBaseHolder h;
  TTimelineList list(&h);
  const float values[] = {2.0f, std::numeric_limits<float>::quiet_NaN(), -1.0f};
  for (float v : values) {
    auto* e = static_cast<TTimeLineEntry*>(list.NewEntry());
    e->rec.head.per_thousand = v;
    list.Add(e);
  }
  list.Set1Sort(0, 3);
  list.SetSortAscending(0, true);
  ASSERT_TRUE(list.DoASort(1, 0, 2));
  EXPECT_TRUE(std::isnan(list.Row(0)->rec.head.per_thousand));
  EXPECT_EQ(float{list.Row(1)->rec.head.per_thousand}, -1.0f);
}

namespace {

struct Bytes {
  std::vector<uint8_t> b;
  Bytes& i32(int32_t v) { return raw(&v, 4); }
  Bytes& raw(const void* p, size_t n) {
    const auto* c = static_cast<const uint8_t*>(p);
    b.insert(b.end(), c, c + n);
    return *this;
  }
  Bytes& wide(const char16_t* s) {
    const UString t(s);
    i32(static_cast<int32_t>(t.size()));
    return raw(t.data(), t.size() * 2);
  }
};

Bytes RowBytes(int32_t count, int32_t byte25) {
  Bytes x;
  x.i32(count);
  uint8_t head[109] = {};
  head[0] = 3;
  const double first = 2459215.5, last = 2459305.5;
  std::memcpy(head + 1, &first, 8);
  std::memcpy(head + 9, &last, 8);
  std::memcpy(head + 25, &byte25, 4);
  head[100] = 0xAB;  // a spare byte kept as read
  x.raw(head, 109).wide(u"dog");
  for (int k = 0; k < count; ++k) x.i32(k + 1).i32(10 * (k + 1));
  return x;
}

}  // namespace

TEST(TimelineStream, RowBytesBothWaysCutsAndSegmentCount) {
  TVXBaseHolder h;
  const Bytes bytes = RowBytes(2, 2);
  TTimeLineEntry row(nullptr, &h);
  TMemoryStream in(bytes.b);
  ASSERT_TRUE(row.ReadFromStream(in));
  EXPECT_EQ(in.Position(), in.Size());
  EXPECT_EQ(row.rec.label, u"dog");
  EXPECT_EQ(Words(row.rec), (std::vector<int32_t>{10, 20}));
  EXPECT_EQ(row.rec.head.spare[100 - 46], 0xAB);
  TMemoryStream out;
  ASSERT_TRUE(row.SaveToStream(out));
  EXPECT_EQ(out.Data(), bytes.b);
  for (size_t cut = 0; cut < bytes.b.size(); ++cut) {
    TMemoryStream part(std::vector<uint8_t>(bytes.b.begin(), bytes.b.begin() + static_cast<long>(cut)));
    TTimeLineEntry r(nullptr, &h);
    EXPECT_FALSE(r.ReadFromStream(part)) << cut;
  }
  // Byte 25 disagreeing with the segments: the segments read decide.
  const Bytes odd = RowBytes(2, 9);
  TMemoryStream in2(odd.b);
  ASSERT_TRUE(row.ReadFromStream(in2));
  EXPECT_EQ(int32_t{row.rec.head.segments}, 2);
  // A count beyond the bytes left fails before anything is sized to it.
  Bytes huge = RowBytes(0, 0);
  int32_t n = 0x10000000;
  std::memcpy(huge.b.data(), &n, 4);
  TMemoryStream in3(huge.b);
  EXPECT_FALSE(row.ReadFromStream(in3));
}

TEST(TimelineStream, ListRoundTripWithOverallRow) {
  Corpus c;
  TVXBaseHolder h;
  TTimelineList list(&h);
  ASSERT_TRUE(ComputeTimeline(c.f.list, c.texts, c.unused, {u"a", u"b"}, kTimeBaseMonth, list));
  TMemoryStream out;
  ASSERT_TRUE(list.SaveToStream(out));
  const std::vector<uint8_t> bytes = out.Data();
  TTimelineList back(&h);
  TMemoryStream in(bytes);
  ASSERT_TRUE(back.ReadFromStream(in));
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(Hits(back.overall.rec), Hits(list.overall.rec));
  EXPECT_EQ(int32_t{back.overall.rec.head.words}, int32_t{list.overall.rec.head.words});
  EXPECT_EQ(Words(back.Row(0)->rec), Words(list.Row(0)->rec));
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    TTimelineList p(&h);
    TMemoryStream part(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(cut)));
    EXPECT_FALSE(p.ReadFromStream(part)) << cut;
  }
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::vector<uint8_t> g = bytes;
    g[i] ^= 0xFF;
    TTimelineList gl(&h);
    TMemoryStream gs(g);
    (void)gl.ReadFromStream(gs);
  }
}

// A line whose text number names no text adds no hit anywhere, whatever its number (the most
// negative one too, where one less would not fit).
TEST(ComputeTimeline, LinesNamingNoTextAddNoHit) {
  for (const int32_t number : {INT32_MIN, INT32_MIN + 1, -1, 0, 5, INT32_MAX}) {
    Corpus c;
    c.f.Add({}, u"a", {}, number, 0);
    TVXBaseHolder h;
    TTimelineList list(&h);
    ASSERT_TRUE(ComputeTimeline(c.f.list, c.texts, c.unused, {u"a", u"b"}, kTimeBaseMonth, list)) << number;
    EXPECT_EQ(Hits(list.overall.rec), (std::vector<int32_t>{2, 0, 2})) << number;
    EXPECT_EQ(int32_t{list.overall.rec.head.hits}, 4) << number;
    EXPECT_EQ(Hits(list.Row(0)->rec), (std::vector<int32_t>{2, 0, 1})) << number;
  }
}

// Every export puts each period's count under its own period: the text file and the clipboard's
// text spread the plot column over one column a period (dates in the heading line), the XML names
// each period's date beside its count, and the workbook's time-line sheet puts words and hits
// under their headings and the periods' hits under their dates; the first sheet keeps the
// dispersion where it belongs and notes the next sheet in the plot's own column.
TEST(TimelineList, EveryExportPutsEachPeriodsCountUnderItsPeriod) {
  Corpus c;
  c.f.Add({}, u"b", {}, 4, 1);  // a line from the 2022 text
  TVXBaseHolder h;
  TTimelineList list(&h);
  ASSERT_TRUE(ComputeTimeline(c.f.list, c.texts, c.unused, {u"a", u"b"}, kTimeBaseYear, list));
  // Grid rows: overall, a, b; hits by period worked out from the corpus above.
  const std::vector<std::vector<int32_t>> hits = {{4, 1}, {3, 0}, {1, 1}};
  const std::vector<UString> dates = {u"2021", u"2022"};
  TempFolder tmp;

  const UString txt = tmp.Path() + u"tl.txt";
  ASSERT_TRUE(ExportListAsTXT(list, h, txt));
  const std::vector<std::vector<UString>> fields = TextExportFields(txt);
  ASSERT_EQ(fields.size(), 4u);
  const auto first = std::find(fields[0].begin(), fields[0].end(), dates[0]);
  ASSERT_NE(first, fields[0].end());
  const size_t at = static_cast<size_t>(first - fields[0].begin());
  ASSERT_LT(at + 1, fields[0].size());
  EXPECT_EQ(fields[0][at + 1], dates[1]);
  for (size_t r = 1; r < fields.size(); ++r) {
    ASSERT_EQ(fields[r].size(), fields[0].size()) << r;
    EXPECT_EQ(fields[r][at], IntToUStr(hits[r - 1][0])) << r;
    EXPECT_EQ(fields[r][at + 1], IntToUStr(hits[r - 1][1])) << r;
  }

  // The clipboard's text of the grid rows: the same columns.
  std::vector<TGrid_data_rec> heading, row;
  list.EntryDetailsAsGridDataRecs(0, heading);
  list.EntryDetailsAsGridDataRecs(3, row);
  EXPECT_EQ(TimelineColumnsText(heading[6]), u"2021\t2022");
  EXPECT_EQ(TimelineColumnsText(row[6]), u"1\t1");

  const UString xml = tmp.Path() + u"tl.xml";
  ASSERT_TRUE(ExportListAsXML(list, h, xml));
  const std::string x = FileAsString(xml);
  ASSERT_TRUE(ParseXml(x.substr(3)).ok);
  EXPECT_NE(x.find("<period date=\"2021\">4</period><period date=\"2022\">1</period>"), std::string::npos) << x;
  EXPECT_NE(x.find("<period date=\"2021\">3</period><period date=\"2022\">0</period>"), std::string::npos);

  const UString book = tmp.Path() + u"tl.xlsx";
  ASSERT_TRUE(ExportListAsExcel(list, h, book, u""));
  const std::string sheet2 = ZipMember(book, u"xl/worksheets/sheet2.xml");
  ASSERT_TRUE(ParseXml(sheet2).ok);
  // Headings on row 3 (N, search word, -, words, hits, then the dates), rows from 4.
  EXPECT_NE(sheet2.find("<t>2021</t>"), std::string::npos);
  auto value = [&](const std::string& ref) {
    const size_t p = sheet2.find("<c r=\"" + ref + "\"");
    if (p == std::string::npos) return std::string("(none)");
    const size_t v = sheet2.find("<v>", p), end = sheet2.find("</c>", p);
    return v < end ? sheet2.substr(v + 3, sheet2.find("</v>", v) - v - 3) : std::string("(text)");
  };
  const TTimeLineDataRec o = list.TimeLineData(0);
  EXPECT_EQ(value("D4"), std::to_string(int32_t{o.head.words}));
  EXPECT_EQ(value("E4"), std::to_string(int32_t{o.head.hits}));
  for (int r = 0; r < 3; ++r) {
    const std::string n = std::to_string(4 + r);
    EXPECT_EQ(value("A" + n), std::to_string(r + 1));
    EXPECT_EQ(value("F" + n), std::to_string(hits[static_cast<size_t>(r)][0])) << n;
    EXPECT_EQ(value("G" + n), std::to_string(hits[static_cast<size_t>(r)][1])) << n;
  }
  const std::string sheet1 = ZipMember(book, u"xl/worksheets/sheet1.xml");
  const size_t note = sheet1.find("See the next worksheet");
  ASSERT_NE(note, std::string::npos);
  // The note in column G (the plot's), the dispersion of that row in F a number.
  const size_t cell = sheet1.rfind("<c r=\"", note);
  ASSERT_EQ(sheet1.substr(cell + 6, 1), "G");
  const std::string row_number = sheet1.substr(cell + 7, sheet1.find('"', cell + 7) - cell - 7);
  const size_t disp = sheet1.find("<c r=\"F" + row_number + "\"");
  ASSERT_NE(disp, std::string::npos);
  const std::string disp_cell = sheet1.substr(disp, sheet1.find("</c>", disp) - disp);
  EXPECT_EQ(disp_cell.find("inlineStr"), std::string::npos) << disp_cell;
  EXPECT_NE(disp_cell.find("<v>"), std::string::npos) << disp_cell;
}
