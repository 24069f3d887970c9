// The plot and time-line rows painted from their lists' cells: every hit's mark in the pixel
// column its word position gives, every period's bar over its own columns with its height, the
// hit under the mouse named for the status line, and both inside a result grid.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <set>

#include "concordance/views/compute_plot.h"
#include "concordance/lines/concordance_list.h"
#include "concordance/views/plot_list.h"
#include "concordance/views/timeline_list.h"
#include "platform/runtime/julian_periods.h"
#include "platform/runtime/vx_tools.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/vx_grid.h"
#include "support/scoped_locale.h"
#include "window/dialog_test_support.h"
#include "windows/plot_view.h"
#include "windows/timeline_view.h"

namespace {

// Texts "one" (1,000 words) and "two" (250 words), one search word, hits with their contexts.
struct PlotFixture {
  TVXBaseHolder holder;
  TConcordanceListDocument doc;
  TConcordanceList lines{&holder, &doc};
  TVXBaseHolder plot_holder;
  TConcPlotList plot{&plot_holder};

  void Hit(int32_t file, int32_t word_num, const char16_t* text) {
    auto line = lines.NewLine();
    line->SetText(text);
    line->Data().midpoint = 1;
    line->Data().filename_num_original = file;
    line->Data().sw_number = 0;
    line->Data().word_num = word_num;
    ASSERT_GE(lines.Add(line.release()), 0);
  }
  void Compute() {
    Hit(1, 0, u"alpha");
    Hit(1, 3, u"bravo");
    Hit(1, 500, u"charlie");
    Hit(1, 999, u"delta");
    Hit(2, 1, u"echo");
    Hit(2, 7, u"foxtrot");
    Hit(2, 200, u"golf");
    TPlotRunSettings run;
    run.keep_contexts = true;
    run.context_chars = 3;
    run.context_line_limit = 100;
    UString msg;
    ASSERT_TRUE(ComputePlot(lines, {{u"one", 1000}, {u"two", 250}}, {u"dog"}, {}, run, false, plot, msg));
    ASSERT_TRUE(plot.show_overall);
  }
  TGrid_data_rec Cell(int grid_row) {
    TGrid_data_rec cell;
    plot.DrawgridDataRec(6, grid_row, cell, 0);
    return cell;
  }
};

// Pixel columns in image row y painted in colour c.
std::set<int> ColumnsIn(const QImage& img, int y, QColor c, int from = 0, int to = -1) {
  if (to < 0) to = img.width();
  std::set<int> out;
  for (int x = from; x < to; ++x)
    if (img.pixelColor(x, y) == c) out.insert(x);
  return out;
}

// Each expected column has a mark within one pixel and no mark stands farther than that from
// every expected column.
void ExpectMarksAt(const std::set<int>& marks, const std::vector<int>& expected, int offset, const char* what) {
  for (int x : expected) {
    const bool near = marks.count(offset + x) || marks.count(offset + x - 1) || marks.count(offset + x + 1);
    EXPECT_TRUE(near) << what << ": no mark at column " << x;
  }
  for (int m : marks) {
    bool wanted = false;
    for (int x : expected) wanted = wanted || std::abs(m - offset - x) <= 1;
    EXPECT_TRUE(wanted) << what << ": stray mark at column " << m - offset;
  }
}

constexpr int kPlotWidth = 500;

void MoveMouse(QWidget& w, int x, int y) {
  const QPointF at(x, y);
  QMouseEvent move(QEvent::MouseMove, at, w.mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &move);
}

TEST(PlotRowView, EachHitIsMarkedInTheColumnItsPositionGives) {
  TDialogTestScope scope;
  PlotFixture f;
  f.Compute();
  // Grid row 1 the overall row (every hit on the 1,000-word scale of "one": "two"'s 1, 7 and 200
  // become 4, 28 and 800), 2 the text "one", 3 the text "two". Columns: round(p x 500 / scale),
  // the very last word in the last column.
  struct Case {
    int grid_row;
    int32_t scale;
    std::vector<int> columns;
  } cases[] = {
      {1, 1000, {0, 2, 2, 14, 250, 400, 499}},
      {2, 1000, {0, 2, 250, 499}},
      {3, 250, {2, 14, 400}},
  };
  TPlotRowView view;
  view.setFixedSize(kPlotWidth, 30);
  view.SetMarkColour(QColor(200, 0, 0));
  for (const Case& c : cases) {
    const TGrid_data_rec cell = f.Cell(c.grid_row);
    ASSERT_EQ(cell.kind, kCellPlot);
    EXPECT_EQ(cell.plot_scale, c.scale) << "row " << c.grid_row;
    view.SetCell(cell);
    const QImage img = SaveDialogScreenshot(view, QStringLiteral("plot_row_%1").arg(c.grid_row));
    ASSERT_EQ(img.width(), kPlotWidth);
    std::vector<int> sorted = PlotMarkColumns(cell, kPlotWidth);
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, c.columns) << "row " << c.grid_row;
    for (int y : {0, 15, 29})
      ExpectMarksAt(ColumnsIn(img, y, QColor(200, 0, 0)), c.columns, 0, "plot row");
  }
}

TEST(PlotRowView, ARowWithoutWordsOrAnotherKindOfCellDrawsNothing) {
  TDialogTestScope scope;
  TPlotRowView view;
  view.setFixedSize(100, 20);
  view.SetMarkColour(QColor(200, 0, 0));
  TGrid_data_rec no_words;
  no_words.kind = kCellPlot;
  no_words.plot_hits.Add({0, u""});
  no_words.plot_hits.Add({5, u""});
  no_words.plot_scale = 0;
  TGrid_data_rec text_cell;
  text_cell.has_text = true;
  text_cell.text = u"not a plot";
  text_cell.plot_hits.Add({10, u""});
  text_cell.plot_scale = 100;
  for (const TGrid_data_rec& cell : {no_words, text_cell}) {
    view.SetCell(cell);
    EXPECT_TRUE(ColumnsIn(view.grab().toImage(), 10, QColor(200, 0, 0)).empty());
  }
  EXPECT_EQ(PlotMarkColumn(5, 0, 100), -1);
  EXPECT_EQ(PlotMarkColumn(5, 10, 0), -1);
  EXPECT_EQ(PlotMarkColumn(-3, 10, 100), 0);  // a damaged position stays on the strip
}

TEST(PlotRowView, HoveringAMarkNamesThatHitsContext) {
  TDialogTestScope scope;
  PlotFixture f;
  f.Compute();
  TPlotRowView view;
  view.setFixedSize(kPlotWidth, 30);
  view.SetCell(f.Cell(2));  // "one": hits at words 0, 3, 500, 999
  ASSERT_EQ(view.Cell().plot_hits.Count(), 4);
  QSignalSpy spy(&view, &TPlotRowView::HitHovered);
  // Tolerance: a hundredth of 1,000 words, ten words, five pixels. The contexts are three
  // characters of each hit's own line.
  struct Case {
    int x;
    int index;  // -1: nothing named
    int position;
    const char* context;
  } cases[] = {{250, 2, 500, "cha"}, {253, 2, 500, "cha"}, {245, 2, 500, "cha"}, {240, -1, 0, ""},
               {499, 3, 999, "del"}, {0, 0, 0, "alp"},    {1, 1, 3, "bra"},     {2, 1, 3, "bra"},
               {100, -1, 0, ""}};
  for (const Case& c : cases) {
    spy.clear();
    MoveMouse(view, c.x, 15);
    if (c.index < 0) {
      EXPECT_EQ(spy.count(), 0) << "x " << c.x;
      continue;
    }
    ASSERT_EQ(spy.count(), 1) << "x " << c.x;
    const QList<QVariant> args = spy.takeFirst();
    EXPECT_EQ(args[0].toInt(), c.index) << "x " << c.x;
    EXPECT_EQ(args[1].toInt(), c.position) << "x " << c.x;
    EXPECT_EQ(args[2].toString(), QString::fromLatin1(c.context)) << "x " << c.x;
    EXPECT_EQ(args[3].toString(), QStringLiteral("Hit %1 (%2): %3").arg(c.index + 1).arg(c.position).arg(c.context));
  }
  // Hints switched off name nothing.
  view.SetHoverHints(false);
  spy.clear();
  MoveMouse(view, 251, 15);
  EXPECT_EQ(spy.count(), 0);
}

// --- time-line ---------------------------------------------------------------------------------

struct TimelineFixture {
  TVXBaseHolder holder;
  TTimelineList list{&holder};
  void Row(const char16_t* label, std::vector<int32_t> hits) {
    auto* e = static_cast<TTimeLineEntry*>(list.NewEntry());
    e->rec.label = label;
    Fill(e->rec, hits);
    list.Add(e);
  }
  static void Fill(TTimeLineDataRec& r, const std::vector<int32_t>& hits) {
    r.segments.clear();
    int32_t highest = 0, total = 0;
    for (int32_t h : hits) {
      r.segments.push_back({h, 1000});
      highest = std::max(highest, h);
      total += h;
    }
    r.head.basis = static_cast<uint8_t>(kTimeBaseMonth);
    r.head.first_date = YearMonthDayToJulianAddingConst({2020, 1, 1});
    r.head.segments = static_cast<int32_t>(hits.size());
    r.head.highest_hits = highest;
    r.head.hits = total;
    r.head.words = 1000 * static_cast<int32_t>(hits.size());
    r.head.per_thousand = float(total) * 1000.0f / float(r.head.words);
    r.head.last_date = YearMonthDayToJulianAddingConst({2020, int(hits.size()) + 1, 1}) - 1;
  }
  TGrid_data_rec Cell(int grid_row) {
    TGrid_data_rec cell;
    list.DrawgridDataRec(6, grid_row, cell, 0);
    return cell;
  }
};

TEST(TimelineRowView, EachPeriodsBarCoversItsColumnsWithItsHeight) {
  TDialogTestScope scope;
  TimelineFixture f;
  f.Row(u"a", {0, 3, 1, 6});
  f.Row(u"b", {1, 2, 0, 100, 1});
  f.list.overall.rec.label = u"Overall";
  TimelineFixture::Fill(f.list.overall.rec, {1, 5, 1, 106, 1});
  const QColor bar(0, 0, 160);
  constexpr int kHeight = 40;
  struct Bar {
    int left, right, height;
  };
  struct Case {
    int grid_row;
    int width;
    std::vector<Bar> bars;
  } cases[] = {
      // Four periods over 300 pixels, the busiest (6 hits) full height: 3 -> 20, 1 -> 6.67 -> 7.
      {2, 300, {{0, 75, 0}, {75, 150, 20}, {150, 225, 7}, {225, 300, 40}}},
      // Five periods over 101 pixels: edges 0, 20, 40, 60, 80, 101. One hit of 100 in 40 pixels
      // is 0.4, shown as one pixel.
      {3, 101, {{0, 20, 1}, {20, 40, 1}, {40, 60, 0}, {60, 80, 40}, {80, 101, 1}}},
      // The overall row: 106 at the top, 5 -> 1.89 -> 2.
      {1, 150, {{0, 30, 1}, {30, 60, 2}, {60, 90, 1}, {90, 120, 40}, {120, 150, 1}}},
  };
  TTimelineRowView view;
  view.SetBarColour(bar);
  for (const Case& c : cases) {
    const TGrid_data_rec cell = f.Cell(c.grid_row);
    ASSERT_EQ(cell.kind, kCellTimeline) << "row " << c.grid_row;
    view.setFixedSize(c.width, kHeight);
    view.SetCell(cell);
    const QImage img = SaveDialogScreenshot(view, QStringLiteral("timeline_row_%1").arg(c.grid_row));
    ASSERT_EQ(img.width(), c.width);
    const std::vector<TTimelineBar> bars = TimelineBars(cell, c.width, kHeight);
    ASSERT_EQ(bars.size(), c.bars.size());
    const QColor base = view.palette().color(QPalette::Base);
    for (size_t i = 0; i < c.bars.size(); ++i) {
      const Bar& want = c.bars[i];
      EXPECT_EQ(bars[i].left, want.left);
      EXPECT_EQ(bars[i].right, want.right);
      EXPECT_EQ(bars[i].height, want.height) << "row " << c.grid_row << " period " << i;
      const QColor shade = i % 2 ? view.OddBarColour() : bar;
      for (int x = want.left; x < want.right; ++x) {
        // Painted from the bottom up to the bar's height, the strip's base colour above it.
        if (want.height > 0) {
          EXPECT_EQ(img.pixelColor(x, kHeight - 1), shade) << "period " << i << " x " << x;
          EXPECT_EQ(img.pixelColor(x, kHeight - want.height), shade) << "period " << i << " x " << x;
        }
        if (want.height < kHeight) {
          EXPECT_EQ(img.pixelColor(x, kHeight - want.height - 1), base) << "period " << i << " x " << x;
        }
      }
    }
  }
}

TEST(TimelineRowView, HoveringAPeriodNamesItsDateHitsAndWords) {
  TDialogTestScope scope;
  ScopedLocale english("en_GB.UTF-8");
  TimelineFixture f;
  f.Row(u"a", {0, 3, 1, 6});
  TTimelineRowView view;
  view.setFixedSize(300, 40);
  view.SetCell(f.Cell(1));  // one row: it is row 1
  ASSERT_EQ(view.Cell().timeline_date_headings.size(), 4u);
  QSignalSpy spy(&view, &TTimelineRowView::SegmentHovered);
  for (auto [x, segment] : {std::pair{0, 0}, {74, 0}, {75, 1}, {160, 2}, {299, 3}}) {
    spy.clear();
    MoveMouse(view, x, 20);
    ASSERT_EQ(spy.count(), 1) << "x " << x;
    const QList<QVariant> args = spy.takeFirst();
    EXPECT_EQ(args[0].toInt(), segment);
    const auto& [hits, words] = view.Cell().timeline_segments[static_cast<size_t>(segment)];
    // Counts read as a reader reads them: "1 hit", "1,000 words".
    EXPECT_EQ(args[1].toString(), QStringLiteral("%1: %2 %3 in %4 words")
                                      .arg(ToQString(view.Cell().timeline_date_headings[static_cast<size_t>(segment)]))
                                      .arg(hits)
                                      .arg(hits == 1 ? QStringLiteral("hit") : QStringLiteral("hits"))
                                      .arg(ToQString(GroupedCount(words, u","))));
  }
  // More periods than pixels: edges floor(i x 3 / 7) are 0 0 0 1 1 2 2 3, so each pixel belongs
  // to the last period starting at or before it.
  TGrid_data_rec narrow = view.Cell();
  narrow.timeline_segments.assign(7, {1, 1});
  EXPECT_EQ(TimelineSegmentAtPixel(narrow, 3, 0), 2);
  EXPECT_EQ(TimelineSegmentAtPixel(narrow, 3, 1), 4);
  EXPECT_EQ(TimelineSegmentAtPixel(narrow, 3, 2), 6);
  EXPECT_EQ(TimelineSegmentAtPixel(narrow, 3, 3), -1);
  EXPECT_EQ(TimelineSegmentAtPixel(narrow, 3, -1), -1);
}

// --- inside the result grids ---------------------------------------------------------------------

// A page of three rows with the plot column (list column 6) painted by the delegate, 402 pixels
// of strip wide; every row is numbered.
void ShowInGrid(TVX_Grid& grid, TVXBaseDataClass& list, uint8_t list_type, TResultPlotDelegate& delegate) {
  grid.resize(900, 320);
  grid.SetList(&list, list_type, 0);
  grid.setItemDelegateForColumn(5, &delegate);
  grid.setColumnWidth(5, 404);
  grid.show();
  QApplication::processEvents();
  ASSERT_EQ(grid.Model().rowCount(), 3);
  for (int row = 1; row <= 3; ++row)
    EXPECT_EQ(grid.Model().headerData(row - 1, Qt::Vertical, Qt::DisplayRole).toString(), QString::number(row));
}

TEST(ResultPlotDelegate, PaintsThePlotAndTimelinePagesInTheirGrids) {
  TDialogTestScope scope;
  PlotFixture pf;
  pf.Compute();
  TResultPlotDelegate delegate;
  delegate.SetMarkColour(QColor(200, 0, 0));
  TVX_Grid plot_grid;
  // The overall row and both texts, each numbered.
  ShowInGrid(plot_grid, pf.plot, kListPlot, delegate);
  const QImage page = SaveDialogScreenshot(plot_grid, QStringLiteral("plot_page"));
  for (int row = 1; row <= 3; ++row) {
    const QRect cell = plot_grid.visualRect(plot_grid.Model().index(row - 1, 5));
    const QRect strip = cell.adjusted(1, 2, -1, -2).translated(plot_grid.viewport()->pos());
    ASSERT_EQ(strip.width(), 402);
    std::vector<int> want = PlotMarkColumns(pf.Cell(row), strip.width());
    ExpectMarksAt(ColumnsIn(page, strip.center().y(), QColor(200, 0, 0), strip.left(), strip.right() + 1), want,
                  strip.left(), "plot page");
  }

  TimelineFixture tf;
  tf.Row(u"first", {0, 3, 1, 6});
  tf.Row(u"second", {2, 2, 0, 1});
  TimelineFixture::Fill(tf.list.overall.rec, {2, 5, 1, 7});
  tf.list.overall.rec.label = u"Overall";
  TVX_Grid time_grid;
  ShowInGrid(time_grid, tf.list, kListTimeline, delegate);
  const QImage tpage = SaveDialogScreenshot(time_grid, QStringLiteral("timeline_page"));
  const QFontMetrics label_metrics(TimelineLabelFont(time_grid.font()));
  for (int row = 1; row <= 3; ++row) {
    const QRect cell = time_grid.visualRect(time_grid.Model().index(row - 1, 5));
    const QRect strip = cell.adjusted(1, 2, -1, -2).translated(time_grid.viewport()->pos());
    // The bars above, the periods' labels in a strip of their own below them.
    const QRect bars_rect = TimelineBarsRect(strip, tf.Cell(row), time_grid.font());
    ASSERT_LT(bars_rect.height(), strip.height());
    ASSERT_GE(bars_rect.height(), strip.height() / 2);
    const std::vector<TTimelineBar> bars = TimelineBars(tf.Cell(row), bars_rect.width(), bars_rect.height());
    ASSERT_EQ(bars.size(), 4u);
    // The margin between the strip and the grid lines shows the cell's background.
    const QColor base = tpage.pixelColor(strip.left() + 1, strip.top() - 1);
    for (const TTimelineBar& b : bars) {
      const int mid = strip.left() + (b.left + b.right) / 2;
      const QColor bottom = tpage.pixelColor(mid, bars_rect.bottom());
      EXPECT_EQ(bottom != base, b.height > 0) << "row " << row << " bar at " << b.left;
      if (b.height > 0 && b.height < bars_rect.height()) {
        EXPECT_EQ(tpage.pixelColor(mid, bars_rect.bottom() + 1 - b.height), bottom);
        EXPECT_EQ(tpage.pixelColor(mid, bars_rect.bottom() - b.height), base);
      }
    }
    // Every period's label is written in its box, under its own period.
    const std::vector<TTimelineLabel> labels = TimelineLabels(tf.Cell(row), strip.width(), label_metrics);
    ASSERT_EQ(labels.size(), 4u) << "row " << row;
    for (const TTimelineLabel& l : labels) {
      EXPECT_EQ(l.text, (std::vector<UString>{u"2020-01", u"2020-02", u"2020-03", u"2020-04"})[static_cast<size_t>(l.segment)]);
      const QRect box = l.box.translated(strip.left(), bars_rect.bottom() + 1).intersected(strip);
      EXPECT_LE(box.left(), strip.left() + bars[static_cast<size_t>(l.segment)].right);
      EXPECT_GE(box.right(), strip.left() + bars[static_cast<size_t>(l.segment)].left);
      int ink = 0;
      for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) ink += tpage.pixelColor(x, y) != base ? 1 : 0;
      EXPECT_GT(ink, 10) << "row " << row << " label " << Utf16ToUtf8(l.text);
    }
  }
}

}  // namespace

namespace {

// Labels across where every heading fits its period, upright where not, and one for every k-th
// period only where periods are narrower than a line; never two overlapping, none outside the
// strip.
TEST(TimelineLabels, EveryPeriodLabelledAcrossOrUprightWithoutOverlap) {
  TDialogTestScope scope;
  QFont font;
  font.setPixelSize(12);
  const QFontMetrics metrics(TimelineLabelFont(font));
  struct TCase {
    const char* name;
    int periods;
    int width;
    bool upright;
    int labels;
  } cases[] = {
      {"eight decades, wide", 8, 800, false, 8},
      {"seventy years, 1000 pixels", 70, 1000, true, 70},
      {"seventy years, 300 pixels", 70, 300, true, 0},  // fewer: every k-th
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TTimeLineDataRec r;
    r.head.basis = static_cast<uint8_t>(c.periods == 8 ? kTimeBaseDecade : kTimeBaseYear);
    r.head.first_date = YearMonthDayToJulianAddingConst({1950, 1, 1});
    r.segments.assign(static_cast<size_t>(c.periods), {1, 100});
    TGrid_data_rec cell;
    cell.kind = kCellTimeline;
    for (const auto& s : r.segments) cell.timeline_segments.push_back({s.hits, s.words});
    cell.timeline_date_headings = TimeLineDataDateHeaders(r);
    const std::vector<TTimelineLabel> labels = TimelineLabels(cell, c.width, metrics);
    ASSERT_FALSE(labels.empty());
    if (c.labels > 0) {
      EXPECT_EQ(static_cast<int>(labels.size()), c.labels);
    } else {
      EXPECT_LT(static_cast<int>(labels.size()), c.periods);
    }
    for (size_t i = 0; i < labels.size(); ++i) {
      EXPECT_EQ(labels[i].upright, c.upright);
      EXPECT_EQ(labels[i].text, cell.timeline_date_headings[static_cast<size_t>(labels[i].segment)]);
      EXPECT_GE(labels[i].box.left(), 0);
      EXPECT_LE(labels[i].box.right(), c.width - 1);
      // Across: the whole text fits; upright: the strip is as tall as the longest text.
      if (!c.upright) {
        EXPECT_GE(labels[i].box.width(), metrics.horizontalAdvance(ToQString(labels[i].text)));
      } else {
        EXPECT_GE(labels[i].box.height(), metrics.horizontalAdvance(ToQString(labels[i].text)));
      }
      if (i > 0) {
        EXPECT_GT(labels[i].box.left(), labels[i - 1].box.right()) << "labels " << i - 1 << " and " << i;
      }
    }
  }
}

}  // namespace
