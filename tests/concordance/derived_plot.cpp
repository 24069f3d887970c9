#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "concordance/views/compute_plot.h"
#include "concordance/lines/concordance_list.h"
#include "concordance/views/plot_list.h"
#include "platform/rtl/streams.h"

namespace {

struct Lines {
  TVXBaseHolder holder;
  TConcordanceListDocument doc;
  TConcordanceList list{&holder, &doc};
  void Hit(int32_t file, int32_t sw, int32_t word_num) {
    auto line = list.NewLine();
    line->SetText(u"a b c");
    line->Data().midpoint = 2;
    line->Data().filename_num_original = file;
    line->Data().sw_number = sw;
    line->Data().word_num = word_num;
    ASSERT_GE(list.Add(line.release()), 0);
  }
};

// A plot that keeps each hit's three characters either side (or none), on so many workers.
TPlotRunSettings PlotSettings(bool contexts, int32_t threads) {
  TPlotRunSettings settings;
  settings.keep_contexts = contexts;
  settings.context_chars = 3;
  settings.context_line_limit = 1000000;
  settings.threads = threads;
  return settings;
}

std::vector<int32_t> Positions(const TGeneralPlotDataList& p) {
  std::vector<int32_t> v;
  for (const auto& r : p.Plots()) v.push_back(r.position);
  return v;
}

}  // namespace

TEST(ComputePlot, RowsWordsPositionsAndOverallScale) {
  Lines f;
  f.Hit(1, 0, 500);
  f.Hit(2, 0, 7);
  f.Hit(1, 0, 3);
  f.Hit(2, 0, 1);  // 1 x 4000 / 3: 1333.33 -> 1333
  f.Hit(3, 0, 5);  // a text with no words adds nothing anywhere
  f.Hit(9, 0, 5);  // a file number beyond the texts
  const std::vector<TPlotText> texts = {{u"one", 1000}, {u"two", -3}, {u"three", 0}, {u"four", 4000}};
  TVXBaseHolder h;
  TConcPlotList plot(&h);
  UString msg;
  ASSERT_TRUE(ComputePlot(f.list, texts, {u"dog"}, {}, {}, false, plot, msg));
  ASSERT_EQ(plot.Count(), 2);
  EXPECT_EQ(plot.Row(0)->rec.words_in_file, 1000);
  EXPECT_EQ(plot.Row(1)->rec.words_in_file, 3);  // an uncounted text's words taken as they stand
  EXPECT_EQ(Positions(plot.Row(0)->plots), (std::vector<int32_t>{3, 500}));
  EXPECT_EQ(plot.Row(0)->plot_filename, u"one");
  EXPECT_EQ(plot.Row(0)->rec.plot_file_number, 1);
  // Overall on the longest text's scale: 500 of 1,000 -> 2,000 of 4,000; 3 -> 12; 7 of 3 -> 9333.
  EXPECT_EQ(Positions(plot.overall.plots), (std::vector<int32_t>{12, 1333, 2000, 9333}));
  EXPECT_EQ(plot.overall.rec.hits, 4);
  EXPECT_EQ(plot.overall.rec.words_in_file, 5003);
  EXPECT_EQ(plot.overall.plot_filename, u"dog (Overall)");
  EXPECT_TRUE(plot.show_overall);
  // Hits per 1,000 words.
  TNumberDisplayAndSinglesRec r;
  plot.NumericalData(4, 1, r);  // row 0 is the overall row while it is shown
  EXPECT_FLOAT_EQ(r.value, 2.0f);
  plot.NumericalData(4, 0, r);
  EXPECT_FLOAT_EQ(r.value, 4000.0f / 5003.0f);
}

TEST(ComputePlot, HalvesRoundToEven) {
  // 5 x (3 / 2) = 7.5 -> 8; 3 x 1.5 = 4.5 -> 4.
  Lines f;
  f.Hit(1, 0, 5);
  f.Hit(1, 0, 3);
  TVXBaseHolder h;
  TConcPlotList plot(&h);
  UString msg;
  ASSERT_TRUE(ComputePlot(f.list, {{u"a", 2}, {u"b", 3}}, {u"x"}, {}, {}, false, plot, msg));
  EXPECT_EQ(Positions(plot.overall.plots), (std::vector<int32_t>{4, 8}));
}

TEST(ComputePlot, RowOrderFollowsTheOrderByte) {
  struct Case {
    uint8_t order;
    std::vector<std::pair<int32_t, int32_t>> rows;  // (file number, search word)
  };
  const Case cases[] = {{0, {{1, 0}, {2, 0}, {1, 1}, {2, 1}}}, {1, {{1, 0}, {1, 1}, {2, 0}, {2, 1}}}};
  for (const Case& c : cases) {
    Lines f;
    for (int32_t file : {2, 1})
      for (int32_t sw : {1, 0}) f.Hit(file, sw, 1);
    TVXBaseHolder h;
    TConcPlotList plot(&h);
    TPlotGroupChoices choices;
    choices.order = c.order;
    UString msg;
    ASSERT_TRUE(ComputePlot(f.list, {{u"a", 10}, {u"b", 10}}, {u"x", u"y"}, choices, {}, false, plot, msg));
    ASSERT_EQ(plot.Count(), 4);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(plot.Row(i)->rec.plot_file_number, c.rows[i].first) << int(c.order) << i;
      EXPECT_EQ(plot.Row(i)->rec.plot_search_word_number, c.rows[i].second) << int(c.order) << i;
    }
  }
}

TEST(ComputePlot, GroupsBeyondTheRowsAreLeftOut) {
  // Two texts but three text groups: the hit of group 2 would land past the rows.
  Lines f;
  f.Hit(1, 0, 1);
  f.Hit(2, 0, 2);
  TVXBaseHolder h;
  TConcPlotList plot(&h);
  TPlotGroupChoices choices;
  choices.text_groups = {{0}, {}, {1}};
  choices.search_word_groups = {{0}};
  UString msg;
  ASSERT_TRUE(ComputePlot(f.list, {{u"a", 10}, {u"b", 10}}, {u"x"}, choices, {}, true, plot, msg));
  ASSERT_EQ(plot.Count(), 1);
  EXPECT_EQ(plot.Row(0)->rec.hits, 1);
  EXPECT_EQ(plot.overall.rec.hits, 2);  // still counted overall
}

TEST(ComputePlot, GroupLabelsFillToTwentyCharactersThenNumber) {
  Lines f;
  const std::vector<TPlotText> texts = {{u"alphabet", 10}, {u"betamax", 10}, {u"gammaray", 10},
                                        {u"delta", 10},    {u"alpha", 10}};
  for (int32_t t = 1; t <= 5; ++t) f.Hit(t, 0, 1);
  TVXBaseHolder h;
  TConcPlotList plot(&h);
  TPlotGroupChoices choices;
  choices.text_groups = {{0, 1, 2, 3, 4}};
  choices.search_word_groups = {{0}};
  UString msg;
  ASSERT_TRUE(ComputePlot(f.list, texts, {u"x"}, choices, {}, true, plot, msg));
  EXPECT_EQ(plot.Row(0)->plot_filename, u"Texts 1-5");
  bool full = false;
  EXPECT_EQ(AddNameToGroupLabel(u"alphabet ,betamax", u"alpha", full), u"alphabet ,betamax");  // held already
  EXPECT_EQ(AddNameToGroupLabel(u"alphabet", u"beta", full), u"alphabet ,beta");
  EXPECT_FALSE(full);
  AddNameToGroupLabel(u"alphabet ,betamax ,gammaray", u"delta", full);
  EXPECT_TRUE(full);
}

TEST(ComputePlot, LinesWithoutSearchWordsAnswerFalseWithAMessage) {
  Lines f;
  f.Hit(1, 0, 1);
  TVXBaseHolder h;
  TConcPlotList plot(&h);
  UString msg;
  EXPECT_FALSE(ComputePlot(f.list, {{u"a", 10}}, {}, {}, {}, false, plot, msg));
  EXPECT_EQ(msg, u"ComputePlot error: no search-words");
  EXPECT_FALSE(ComputePlot(f.list, {}, {u"x"}, {}, {}, false, plot, msg));
  EXPECT_TRUE(msg.empty());
}

TEST(PlotList, SortsOfRowsWithoutHitsOrWordsAndStepping) {
  TVXBaseHolder h;
  TConcPlotList plot(&h);
  auto add = [&](int32_t words, std::vector<int32_t> positions) {
    auto* e = static_cast<TConcordancePlotEntry*>(TConcPlotList::MakeEntry(plot));
    e->rec.words_in_file = words;
    e->rec.hits = static_cast<int32_t>(positions.size());
    e->plots = TGeneralPlotDataList(words, 8);
    for (int32_t p : positions) e->plots.Add({p, UString()});
    plot.Add(e);
  };
  add(100, {50});
  add(0, {});      // no words, no hits: key -1
  add(200, {10});  // 5%
  // Stepping from the hit of row 1 passes over the empty row 2 both ways.
  plot.current_plot_row = 1;
  plot.current_plot_index = 0;
  ASSERT_EQ(plot.NextGeneralPlotList(1), &plot.Row(2)->plots);
  EXPECT_EQ(plot.current_plot_row, 3);
  ASSERT_EQ(plot.NextGeneralPlotList(-1), &plot.Row(0)->plots);
  EXPECT_EQ(plot.current_plot_row, 1);
  EXPECT_EQ(plot.NextGeneralPlotList(-1), nullptr);
  plot.Set1Sort(0, 5);
  plot.SetSortAscending(0, true);
  ASSERT_TRUE(plot.DoASort(1, 0, plot.Count() - 1));
  EXPECT_EQ(plot.Row(0)->rec.words_in_file, 0);
  EXPECT_EQ(plot.Row(1)->rec.words_in_file, 200);
  EXPECT_EQ(WordNumFromPlotPixelPosition(0, 10, 1000), 0);
  EXPECT_EQ(WordNumFromPlotPixelPosition(-200, 50, 1000), 250);
  TV2GeneralPlotDataRec found;
  int32_t idx = -1;
  TGeneralPlotDataList near(1000, 8);
  for (int32_t p : {90, 110, 300}) near.Add({p, UString()});
  ASSERT_TRUE(NearestContextWord(near, 1000, 100, found, idx));  // tolerance 10: the earlier of two
  EXPECT_EQ(found.position, 90);
  EXPECT_FALSE(NearestContextWord(near, 1000, 200, found, idx));
}

TEST(PlotRows, OldLayoutsAndDamage) {
  TVXBaseHolder h;
  struct Case {
    int32_t version;
    std::vector<int32_t> ints;
    bool ok;
    int32_t words, file;
  };
  // Dispersion bits, hits, c; (negative c: file and search-word numbers); then the name (runtime
  // string, empty) and the plot data list (version 1, words, divisions, no plots).
  const Case cases[] = {{14, {0, 2, 300, 0, 1, 300, 8, 0}, true, 300, -1},
                        {14, {0, 2, -300, 4, 1, 0, 1, 300, 8, 0}, true, 300, 4},
                        {14, {0, 2, INT_MIN, 4, 1, 0, 1, 300, 8, 0}, false, 0, 0}};
  for (const Case& c : cases) {
    TConcPlotList plot(&h);
    plot.SetVersionNumber(c.version);
    TConcordancePlotEntry row(&plot, &h);
    std::vector<uint8_t> bytes(c.ints.size() * 4);
    std::memcpy(bytes.data(), c.ints.data(), bytes.size());
    TMemoryStream m(bytes);
    ASSERT_EQ(row.ReadFromStream(m), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(row.rec.words_in_file, c.words);
    EXPECT_EQ(row.rec.plot_file_number, c.file);
    EXPECT_EQ(row.rec.divisions, 8);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
      TConcordancePlotEntry part(&plot, &h);
      TMemoryStream p(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut));
      EXPECT_FALSE(part.ReadFromStream(p)) << cut;
    }
  }
}

TEST(PlotList, WholeListRoundTrip) {
  Lines f;
  f.Hit(1, 0, 5);
  f.Hit(2, 1, 9);
  TVXBaseHolder h;
  TConcPlotList plot(&h);
  UString msg;
  ASSERT_TRUE(ComputePlot(f.list, {{u"a", 10}, {u"b", 20}}, {u"x", u"y"}, {}, {}, false, plot, msg));
  plot.plot_settings[3] = 7;
  TMemoryStream m;
  ASSERT_TRUE(plot.SaveToStream(m));
  m.Seek(0, TSeekOrigin::Begin);
  TConcPlotList back(&h);
  ASSERT_TRUE(back.ReadFromStream(m));
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.Row(1)->plot_sw_string, u"y");
  EXPECT_EQ(Positions(back.Row(1)->plots), (std::vector<int32_t>{9}));
  EXPECT_EQ(back.plot_settings[3], 7);
  EXPECT_TRUE(back.show_overall);
  EXPECT_EQ(Positions(back.overall.plots), (std::vector<int32_t>{9, 10}));
  const std::vector<uint8_t> all = m.Data();
  for (size_t cut = 0; cut < all.size(); cut += 5) {
    TConcPlotList part(&h);
    TMemoryStream c(std::vector<uint8_t>(all.begin(), all.begin() + cut));
    EXPECT_FALSE(part.ReadFromStream(c)) << cut;
  }
}

// Each computation counts the texts' words afresh: a plot recomputed (as after Reduce or Zap)
// has the overall words, per-1,000 figure and saved bytes of the first computation, also when
// the second run has fewer or shorter texts.
TEST(ComputePlot, RecomputingCountsTheWordsOnce) {
  struct Case {
    const char* name;
    std::vector<TPlotText> second;  // the texts of the last run
    int times;                      // computations before the last one
    int32_t words, largest;
  };
  const std::vector<TPlotText> both = {{u"a", 1000}, {u"b", 4000}};
  const Case cases[] = {
      {"twice", both, 1, 5000, 4000},
      {"three times", both, 2, 5000, 4000},
      {"shorter texts the second time", {{u"a", 1000}, {u"b", 2000}}, 1, 3000, 2000},
  };
  for (const Case& c : cases) {
    Lines f;
    f.Hit(1, 0, 500);
    f.Hit(2, 0, 100);
    TVXBaseHolder h;
    TConcPlotList plot(&h), once(&h);
    UString msg;
    for (int i = 0; i < c.times; ++i) ASSERT_TRUE(ComputePlot(f.list, both, {u"x"}, {}, {}, false, plot, msg));
    ASSERT_TRUE(ComputePlot(f.list, c.second, {u"x"}, {}, {}, false, plot, msg)) << c.name;
    ASSERT_TRUE(ComputePlot(f.list, c.second, {u"x"}, {}, {}, false, once, msg)) << c.name;
    EXPECT_EQ(plot.total_words, c.words) << c.name;
    EXPECT_EQ(plot.largest_words, c.largest) << c.name;
    EXPECT_EQ(plot.overall.rec.words_in_file, c.words) << c.name;
    TNumberDisplayAndSinglesRec r;
    plot.NumericalData(4, 0, r);  // the overall row: 2 hits
    EXPECT_FLOAT_EQ(r.value, 2000.0f / static_cast<float>(c.words)) << c.name;
    TMemoryStream a, b;
    ASSERT_TRUE(plot.SaveToStream(a));
    ASSERT_TRUE(once.SaveToStream(b));
    EXPECT_EQ(a.Data(), b.Data()) << c.name;
  }
}

// A line whose text number names no text (the most negative number among them: one less would
// not fit) is left out of every row and of the overall row, as a number beyond the texts is.
TEST(ComputePlot, LinesNamingNoTextAreLeftOut) {
  for (const int32_t number : {INT32_MIN, INT32_MIN + 1, -1, 0, 3, INT32_MAX}) {
    Lines f;
    f.Hit(1, 0, 10);
    f.Hit(number, 0, 20);
    f.Hit(2, 0, 30);
    TVXBaseHolder h;
    TConcPlotList plot(&h);
    UString msg;
    ASSERT_TRUE(ComputePlot(f.list, {{u"one", 100}, {u"two", 100}}, {u"dog"}, {}, {}, false, plot, msg)) << number;
    ASSERT_EQ(plot.Count(), 2) << number;
    EXPECT_EQ(Positions(plot.Row(0)->plots), (std::vector<int32_t>{10})) << number;
    EXPECT_EQ(Positions(plot.Row(1)->plots), (std::vector<int32_t>{30})) << number;
    EXPECT_EQ(plot.overall.rec.hits, 2) << number;
  }
}

// Without contexts the rows' positions are gathered and sorted as numbers (the overall row on
// the workers); with contexts each hit is kept with its characters and sorted stably. Both give
// the same positions in every row, on any number of workers.
TEST(ComputePlot, PositionsSortedAsNumbersEqualTheStableSortOfHits) {
  Lines f;
  uint32_t seed = 7;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) % 100000u; };
  for (int i = 0; i < 60000; ++i) f.Hit(1 + static_cast<int32_t>(next() % 5), static_cast<int32_t>(next() % 2),
                                        static_cast<int32_t>(next() % 50000));
  const std::vector<TPlotText> texts = {{u"a", 50000}, {u"b", 40000}, {u"c", 70000}, {u"d", 50000}, {u"e", 90000}};
  auto positions_of = [&](bool contexts, int32_t threads) {
    TVXBaseHolder h;
    TConcPlotList plot(&h);
    UString msg;
    EXPECT_TRUE(ComputePlot(f.list, texts, {u"x", u"y"}, {}, PlotSettings(contexts, threads), false, plot, msg));
    std::vector<std::vector<int32_t>> rows{Positions(plot.overall.plots)};
    for (int r = 0; r < plot.Count(); ++r) rows.push_back(Positions(plot.Row(r)->plots));
    return rows;
  };
  const auto kept = positions_of(true, 1);
  ASSERT_EQ(kept.size(), 11u);
  EXPECT_TRUE(std::is_sorted(kept[0].begin(), kept[0].end()));
  EXPECT_EQ(kept[0].size(), 60000u);
  for (int32_t threads : {1, 3, 8}) EXPECT_TRUE(positions_of(false, threads) == kept) << threads;
}

// Rows enough for the workers to share (300 texts, two search words): each row's hits and
// dispersion, and the saved list, are the same on one worker and on eight, with contexts kept
// and without.
TEST(ComputePlot, ManyRowsMadeOnTheWorkersSaveAlike) {
  Lines f;
  uint32_t seed = 3;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) % 100000u; };
  std::vector<TPlotText> texts;
  for (int t = 0; t < 300; ++t) texts.push_back({u"t" + IntToUStr(t), 20000 + t * 100});
  for (int i = 0; i < 30000; ++i)
    f.Hit(1 + static_cast<int32_t>(next() % 300), static_cast<int32_t>(next() % 2), static_cast<int32_t>(next() % 20000));
  for (const bool contexts : {false, true}) {
    SCOPED_TRACE(contexts);
    std::string saved[2];
    for (int k = 0; k < 2; ++k) {
      TVXBaseHolder h;
      TConcPlotList plot(&h);
      UString msg;
      ASSERT_TRUE(ComputePlot(f.list, texts, {u"x", u"y"}, {}, PlotSettings(contexts, k ? 8 : 1), false, plot, msg));
      ASSERT_EQ(plot.Count(), 600);
      for (int r = 0; r < plot.Count(); ++r) {
        const std::vector<int32_t> p = Positions(plot.Row(r)->plots);
        EXPECT_TRUE(std::is_sorted(p.begin(), p.end()));
        EXPECT_EQ(static_cast<int32_t>(p.size()), plot.Row(r)->rec.hits);
      }
      TMemoryStream m;
      ASSERT_TRUE(plot.SaveToStream(m));
      saved[k].assign(m.Data().begin(), m.Data().end());
    }
    EXPECT_GT(saved[0].size(), 100000u);
    EXPECT_TRUE(saved[0] == saved[1]);
  }
}

// A grouped plot over many lines (texts in groups, some texts in no group, texts of no words,
// deleted lines and lines naming no text) gives the same rows, labels and positions on one worker
// and on eight, with contexts kept and without; so does the plot in row order by search word.
TEST(ComputePlot, GroupedRowsMadeOnTheWorkersSaveAlike) {
  Lines f;
  uint32_t seed = 5;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) % 100000u; };
  std::vector<TPlotText> texts;
  for (int t = 0; t < 200; ++t) texts.push_back({u"text" + IntToUStr(t), t % 37 == 0 ? 0 : 15000 + t * 50});
  for (int i = 0; i < 40000; ++i)
    f.Hit(static_cast<int32_t>(next() % 203), static_cast<int32_t>(next() % 3), static_cast<int32_t>(next() % 15000));
  for (int i = 0; i < 40000; i += 11) f.list.SetDeleted(i, true);
  TPlotGroupChoices choices;
  for (int g = 0; g < 9; ++g) {
    std::vector<int32_t> group;
    for (int t = g; t < 190; t += 9) group.push_back(t);
    choices.text_groups.push_back(group);
  }
  choices.search_word_groups = {{0, 2}, {1}};
  for (const int order : {0, 1})
    for (const bool contexts : {false, true}) {
      SCOPED_TRACE(testing::Message() << "order " << order << ", contexts " << contexts);
      choices.order = order;
      std::string saved[2];
      std::vector<UString> labels[2];
      for (int k = 0; k < 2; ++k) {
        TVXBaseHolder h;
        TConcPlotList plot(&h);
        UString msg;
        ASSERT_TRUE(ComputePlot(f.list, texts, {u"x", u"y", u"z"}, choices, PlotSettings(contexts, k ? 8 : 1), true,
                                plot, msg));
        ASSERT_EQ(plot.Count(), 18);
        for (int r = 0; r < plot.Count(); ++r) labels[k].push_back(plot.Row(r)->plot_filename + u"|" + plot.Row(r)->plot_sw_string);
        TMemoryStream m;
        ASSERT_TRUE(plot.SaveToStream(m));
        saved[k].assign(m.Data().begin(), m.Data().end());
      }
      EXPECT_EQ(labels[0], labels[1]);
      EXPECT_EQ(labels[0][0].substr(0, 6), u"Texts ");  // the group overflowed its label
      EXPECT_TRUE(saved[0] == saved[1]);
    }
}

// A plot cell refers to its row's hits: the overall row's cell of a frequent word holds every
// hit, and painting it copied them all. The cell's hits are the row's own (the same storage) and
// read as the row's; a copy changed afterwards (sorted, added to, read from a stream, cleared)
// changes neither the row nor the cell taken before.
TEST(PlotList, CellsReferToTheirRowsHitsAndChangedCopiesLeaveThemAlone) {
  Lines f;
  for (int32_t w : {40, 3, 17, 3, 29}) f.Hit(1, 0, w);
  f.Hit(2, 0, 8);
  TVXBaseHolder h;
  TConcPlotList plot(&h);
  UString msg;
  ASSERT_TRUE(ComputePlot(f.list, {{u"a", 50}, {u"b", 20}}, {u"x"}, {}, PlotSettings(true, 1), false, plot, msg));
  ASSERT_TRUE(plot.show_overall);
  for (int grid_row : {1, 2, 3}) {
    SCOPED_TRACE(grid_row);
    TGrid_data_rec cell;
    plot.DrawgridDataRec(6, grid_row, cell, 0);
    const TConcordancePlotEntry* row = plot.CPlotDatum(grid_row - 1);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(&cell.plot_hits.Plots(), &row->plots.Plots());
    EXPECT_EQ(cell.int_value, row->plots.Count());
  }
  TGrid_data_rec cell;
  plot.DrawgridDataRec(6, 2, cell, 0);
  const std::vector<int32_t> row_positions = Positions(plot.Row(0)->plots);
  EXPECT_EQ(row_positions, (std::vector<int32_t>{3, 3, 17, 29, 40}));
  TMemoryStream saved;
  ASSERT_TRUE(plot.Row(1)->plots.SaveToStream(saved));
  TGeneralPlotDataList copy = cell.plot_hits;
  copy.Add({1, u"new"});
  copy.SortByPosition();
  EXPECT_EQ(Positions(copy), (std::vector<int32_t>{1, 3, 3, 17, 29, 40}));
  TGeneralPlotDataList read = cell.plot_hits;
  saved.Seek(0, TSeekOrigin::Begin);
  ASSERT_TRUE(read.ReadFromStream(saved));
  EXPECT_EQ(Positions(read), (std::vector<int32_t>{8}));
  TGeneralPlotDataList cleared = cell.plot_hits;
  cleared.Clear();
  EXPECT_EQ(cleared.Count(), 0);
  EXPECT_EQ(Positions(plot.Row(0)->plots), row_positions);
  EXPECT_EQ(Positions(cell.plot_hits), row_positions);
  EXPECT_EQ(&cell.plot_hits.Plots(), &plot.Row(0)->plots.Plots());
  // The contexts travel with the positions.
  EXPECT_EQ(cell.plot_hits.Plots()[0].context, plot.Row(0)->plots.Plots()[0].context);
}
