#include <gtest/gtest.h>

#include <cmath>

#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/text/text_files.h"
#include "support/temp_folder.h"
#include "wordlist/analysis_test_support.h"
#include "wordlist/moving_window_plot_data.h"

namespace {

using analysistest::THandCorpus;

const char* kThirty = "a b c d e f g h i j a b c k l m n o p q r s a b t u v a b z";

struct Made {
  THandCorpus corpus;
  std::unique_ptr<TMovingWindow> mw;
};

Made Windows(const char* text, int32_t size, int32_t runs, const std::vector<TMovingWindowSection>& sections = {},
         std::vector<uint32_t> grammar = {}, int32_t min_freq = 1) {
  Made m{THandCorpus(text), nullptr};
  const THandCorpus& c = m.corpus;
  auto word = [&c](uint32_t t) { return t < c.words.size() ? Utf8ToUtf16(c.words[t]) : UString(); };
  // Upper-case words show which texts are lower-cased.
  auto upper = [word](uint32_t t) { return UpperCaseU(word(t)); };
  m.mw = std::make_unique<TMovingWindow>(size, runs, upper);
  ComputeMovingWindowOver(c.recs.data(), static_cast<int64_t>(c.recs.size()), *m.mw, size, runs, min_freq, grammar,
                          sections, upper);
  return m;
}

std::string Values(const std::vector<float>& v) {
  std::string s;
  char buf[32];
  for (float x : v) {
    std::snprintf(buf, sizeof buf, "%s%.3f", s.empty() ? "" : " ", x);
    s += buf;
  }
  return s;
}

std::string Spans(const TMovingWindow& mw, int32_t run) {
  std::string s;
  for (const TMovingWindowRec& w : mw.PlotDataHolder.Windows[static_cast<size_t>(run)])
    s += (s.empty() ? "" : " ") + std::to_string(w.start_word) + "-" + std::to_string(w.end_word);
  return s;
}

TEST(MovingWindow, ThirtyWordsInWindowsOfTenByHand) {
  const struct {
    int32_t runs;
    std::vector<std::string> spans, overlaps;
  } cases[] = {
      {1, {"0-9 10-19 20-29"}, {"0.300 0.222"}},
      // Runs start at 0, 3 and 6; a run's last window ends at the last word, however short.
      {3, {"0-9 10-19 20-29", "3-12 13-22 23-29", "6-15 16-25 26-29"}, {"0.300 0.222", "0.100 0.125", "0.200 0.286"}},
  };
  for (const auto& c : cases) {
    Made m = Windows(kThirty, 10, c.runs);
    ASSERT_EQ(m.mw->NumberOfWindows(), c.runs);
    for (int32_t r = 0; r < c.runs; ++r) {
      EXPECT_EQ(Spans(*m.mw, r), c.spans[static_cast<size_t>(r)]) << c.runs << " run " << r;
      EXPECT_EQ(Values(m.mw->PlotDataHolder.OverlapValues[static_cast<size_t>(r)]), c.overlaps[static_cast<size_t>(r)])
          << c.runs << " run " << r;
    }
  }
  // Each window counts its own words: the first window of run 0 holds a .. j, ten types.
  Made m = Windows(kThirty, 10, 1);
  const TMovingWindowRec& first = m.mw->PlotDataHolder.Windows[0][0];
  EXPECT_EQ(first.types.Count(), 10);
  EXPECT_EQ(first.types.Item(0).freq, 1);
  // The second window shares a, b and c with the first.
  EXPECT_EQ(m.mw->PlotDataHolder.Windows[0][1].overlaps.size(), 3u);
  EXPECT_TRUE(m.mw->IsOverlapWord(1, 0, m.corpus.Type("a")));
  EXPECT_FALSE(m.mw->IsOverlapWord(1, 0, m.corpus.Type("k")));
}

TEST(MovingWindow, MeanAndSDLeaveTheLastOverlapOut) {
  Made m = Windows(kThirty, 10, 3);
  const TMovingWindowPlotDataHolder& p = m.mw->PlotDataHolder;
  EXPECT_FLOAT_EQ(p.OverlapMean[0], 0.3f);
  EXPECT_FLOAT_EQ(p.OverlapSD[0], 0.0f);
  EXPECT_FLOAT_EQ(p.OverlapMean[1], 0.1f);
  EXPECT_FLOAT_EQ(p.OverlapMax[2], 2.0f / 7.0f);
  EXPECT_FLOAT_EQ(p.OverlapMin[2], 0.2f);
  // No sections: every window is far; the near figures stay 0.
  EXPECT_EQ(p.mean_section_near_overlaps, 0.0f);
  EXPECT_EQ(p.sd_section_near_overlaps, 0.0f);
  const double values[] = {0.3, 2.0 / 9, 0.1, 0.125, 0.2, 2.0 / 7};
  double mean = 0;
  for (double v : values) mean += v / 6;
  double sq = 0;
  for (double v : values) sq += (v - mean) * (v - mean);
  EXPECT_NEAR(p.mean_section_far_overlaps, mean, 1e-6);
  EXPECT_NEAR(p.sd_section_far_overlaps, std::sqrt(sq / 5), 1e-6);
}

TEST(MovingWindow, RunsStartAStaggeredShareOfTheWindowLater) {
  std::string text;
  for (int k = 0; k < 2500; ++k) text += "w" + std::to_string(k % 37) + " ";
  Made m = Windows(text.c_str(), 1000, 3);
  EXPECT_EQ(m.mw->PlotDataHolder.Windows[0][0].start_word, 0);
  EXPECT_EQ(m.mw->PlotDataHolder.Windows[1][0].start_word, 333);
  EXPECT_EQ(m.mw->PlotDataHolder.Windows[2][0].start_word, 666);
  // A run shorter than a window: one window, no overlap, mean and SD 0.
  Made short_run = Windows("a b c", 10, 1);
  EXPECT_EQ(Spans(*short_run.mw, 0), "0-2");
  EXPECT_TRUE(short_run.mw->PlotDataHolder.OverlapValues[0].empty());
  EXPECT_EQ(short_run.mw->PlotDataHolder.OverlapMean[0], 0.0f);
}

TEST(MovingWindow, ALastWindowSharingNothingRepeatsTheValueBeforeIt) {
  const struct {
    const char* text;
    const char* values;
  } cases[] = {
      {"a b c d e f a b c d x y", "0.500 0.500"},  // the last window shares nothing: the value before
      {"a b c d e f g h e f i j", "0.000 0.500"},  // a window before the last keeps its 0
      {"a b c d e f g h a b c d", "0.000 0.000"},
      {"a b c d x y", "0.000"},  // the second window has no value before it to take
  };
  for (const auto& c : cases) {
    Made m = Windows(c.text, 4, 1);
    EXPECT_EQ(Values(m.mw->PlotDataHolder.OverlapValues[0]), c.values) << c.text;
  }
}

TEST(MovingWindow, FiltersOfFrequencyAndGrammarWords) {
  // Window "a a b c", "a a d e": with minimum frequency 2 only a stays in each.
  Made m = Windows("a a b c a a d e", 4, 1, {}, {}, 2);
  EXPECT_EQ(m.mw->PlotDataHolder.Windows[0][0].types.Count(), 1);
  EXPECT_EQ(Values(m.mw->PlotDataHolder.OverlapValues[0]), "1.000");
  // a as a grammar word leaves b c against d e: nothing shared.
  Made g = Windows("a a b c a a d e", 4, 1, {}, {0});
  EXPECT_EQ(g.mw->PlotDataHolder.Windows[0][0].types.Count(), 2);
  EXPECT_EQ(Values(g.mw->PlotDataHolder.OverlapValues[0]), "0.000");
}

TEST(MovingWindow, SectionsNearAndFar) {
  Made m = Windows(kThirty, 10, 1, {{u"A", 0}, {u"B", 15}});
  const TMovingWindowPlotDataHolder& p = m.mw->PlotDataHolder;
  ASSERT_EQ(p.Sections_Info.size(), 2u);
  EXPECT_EQ(p.Sections_Info[1].name, u"B");
  EXPECT_EQ(p.Sections_Info[1].word, 15);
  EXPECT_EQ(p.Windows[0][0].sections, u"A");
  EXPECT_EQ(p.Windows[0][1].sections, u"B");
  EXPECT_EQ(p.Windows[0][2].sections, u"");
  // Window 0 starts at section A (near); window 1 is more than a tenth of 10 from both.
  EXPECT_FLOAT_EQ(p.mean_section_near_overlaps, 0.3f);
  EXPECT_FLOAT_EQ(p.mean_section_far_overlaps, 2.0f / 9.0f);
}

TEST(MovingWindow, StartingAndClosingWords) {
  Made m = Windows(kThirty, 10, 1);
  const TMovingWindowRec& w = m.mw->PlotDataHolder.Windows[0][2];
  // Words 20 .. 29, at most eleven and never past the last, lower-cased; the closing words from
  // ten before the end.
  EXPECT_EQ(w.starting_words, u"r s a b t u v a b z");
  EXPECT_EQ(w.closing_words, u"Q R S A B T U V A B Z");
  EXPECT_EQ(m.mw->PlotDataHolder.Windows[0][0].closing_words, u"A B C D E F G H I J");
}

TEST(MovingWindow, PlotDataRoundTripAndDamage) {
  Made m = Windows(kThirty, 10, 3, {{u"A", 0}, {u"B", 15}});
  TMemoryStream s;
  ASSERT_TRUE(m.mw->PlotDataHolder.SavePlotDataToStream(s));
  TMovingWindowPlotDataHolder back(0, 0);
  ASSERT_TRUE(s.SetPosition(0));
  ASSERT_TRUE(back.ReadPlotDataFromStream(s));
  EXPECT_EQ(s.BytesLeft(), 0);
  const TMovingWindowPlotDataHolder& p = m.mw->PlotDataHolder;
  EXPECT_EQ(back.PlannedRuns, 3);
  EXPECT_EQ(back.window_size, 10);
  EXPECT_EQ(back.Total_Tokens, 30);
  EXPECT_EQ(back.mean_section_near_overlaps, p.mean_section_near_overlaps);
  EXPECT_EQ(back.sd_section_far_overlaps, p.sd_section_far_overlaps);
  EXPECT_EQ(back.OverlapSD, p.OverlapSD);
  EXPECT_EQ(back.OverlapMean, p.OverlapMean);
  EXPECT_EQ(back.OverlapMax, p.OverlapMax);
  EXPECT_EQ(back.OverlapMin, p.OverlapMin);
  ASSERT_EQ(back.OverlapValues.size(), 3u);
  for (size_t r = 0; r < 3; ++r)
    for (size_t w = 0; w < p.OverlapValues[r].size(); ++w) EXPECT_EQ(back.OverlapValues[r][w], p.OverlapValues[r][w]);
  ASSERT_EQ(back.Sections_Info.size(), 2u);
  EXPECT_EQ(back.Sections_Info[1].name, u"B");
  EXPECT_EQ(back.Sections_Info[1].word, 15);
  // The head: runs, size, running words, then four floats and the first array's count.
  int32_t head[3];
  std::memcpy(head, s.Data().data(), 12);
  EXPECT_EQ(head[0], 3);
  EXPECT_EQ(head[1], 10);
  EXPECT_EQ(head[2], 30);
  int32_t count = 0;
  std::memcpy(&count, s.Data().data() + 28, 4);
  EXPECT_EQ(count, 3);
  // Cut anywhere: refused, the holder as it was.
  for (int64_t cut = 0; cut < s.Size(); cut += 5) {
    std::vector<uint8_t> bytes(s.Data().begin(), s.Data().begin() + cut);
    TMemoryStream part(bytes);
    TMovingWindowPlotDataHolder kept(7, 2);
    EXPECT_FALSE(kept.ReadPlotDataFromStream(part)) << cut;
    EXPECT_EQ(kept.window_size, 7) << cut;
  }
  // A short write fails the save.
  analysistest::TCappedStream capped(40);
  EXPECT_FALSE(m.mw->PlotDataHolder.SavePlotDataToStream(capped));
}

TEST(MovingWindow, TheTextAndPlotFiles) {
  TempFolder tmp;
  Made m = Windows("a b c d e f g h e f i j", 4, 1);
  const UString text = tmp.Path() + u"c_moving_window.txt";
  const UString plot = tmp.Path() + u"c_moving_window.plotdata";
  UString error;
  ASSERT_TRUE(m.mw->SaveToFiles(text, plot, &error)) << Utf16ToUtf8(error);
  std::vector<UString> lines;
  TMemoryStream raw;
  ASSERT_TRUE(raw.LoadFromFile(text));
  ASSERT_GE(raw.Size(), 2);
  EXPECT_EQ(raw.Data()[0], 0xFF);
  EXPECT_EQ(raw.Data()[1], 0xFE);
  UString all(reinterpret_cast<const char16_t*>(raw.Data().data()) + 1, static_cast<size_t>(raw.Size() / 2 - 1));
  size_t at = 0;
  while (at <= all.size()) {
    const size_t end = all.find(u"\r\n", at);
    lines.push_back(all.substr(at, end == UString::npos ? UString::npos : end - at));
    if (end == UString::npos) break;
    at = end + 2;
  }
  ASSERT_GE(lines.size(), 10u);
  EXPECT_EQ(lines[0], u"FOR EXCEL");
  // Window 1 shares nothing with window 0: its all-zero row is left out.
  EXPECT_EQ(lines[1], u"2\t0.500");
  EXPECT_EQ(lines[2], u"");
  // No sections: no SECTION table.
  EXPECT_EQ(lines[3], u"Mean near overlaps 0.000 (sd 0.000)");
  EXPECT_EQ(all.find(u"SECTION"), UString::npos);
  EXPECT_NE(all.find(u"run 1, window 1, words 1-4\r\n\t(0 matches, this: 4, last: -1)\r\n\tDice coefficient of overlap: -"),
            UString::npos);
  EXPECT_NE(all.find(u"run 1, window 3, words 9-12\r\n\t(2 matches, this: 4, last: 4)\r\n\tDice coefficient of overlap: 0.500"),
            UString::npos);
  EXPECT_NE(all.find(u"OVERLAPS: e(1),f(1)"), UString::npos);
  EXPECT_NE(all.find(u"OTHER: i(1),j(1)"), UString::npos);
  TMemoryStream p;
  ASSERT_TRUE(p.LoadFromFile(plot));
  TMovingWindowPlotDataHolder back(0, 0);
  ASSERT_TRUE(back.ReadPlotDataFromStream(p));
  EXPECT_EQ(Values(back.OverlapValues[0]), "0.000 0.500");
  // A folder that cannot be written: the file and the system's reason; no text file.
  const UString nowhere = tmp.Path() + u"no/such/folder/";
  EXPECT_FALSE(m.mw->SaveToFiles(nowhere + u"t.txt", nowhere + u"t.plotdata", &error));
  EXPECT_NE(error.find(u"t.plotdata"), UString::npos);
  EXPECT_FALSE(FileExists(nowhere + u"t.txt"));
}

}  // namespace
