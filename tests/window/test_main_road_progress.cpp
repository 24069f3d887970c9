// Progress during a run: the text being read, this-text and overall percent and the running
// words, as the tally works them out and as the status bar shows them while the run goes on.
#include "shell/qt/main_window_run_progress.h"
#include "shell/qt/vx_status_bar.h"
#include "window/main_road_support.h"
#include "window/window_test_support.h"

namespace {

TEST(RunProgressTally, FiguresFromChunksAndCommittedTexts) {
  struct Report {
    int32_t text;
    int64_t bytes, size;
    int32_t words;
  };
  struct Case {
    const char* name;
    std::vector<Report> chunks;
    int64_t done;
    TRunProgressFigures want;  // text, texts, this, overall, words
  } cases[] = {
      {"nothing reported", {}, 0, {0, 4, 0, 0, 0}},
      {"half of the first text", {{0, 50, 100, 7}}, 0, {0, 4, 50, 12, 7}},
      {"a later chunk replaces the text's count", {{0, 50, 100, 7}, {0, 100, 100, 19}}, 0, {0, 4, 100, 25, 19}},
      {"second text a quarter read", {{0, 100, 100, 19}, {1, 50, 200, 3}}, 1, {1, 4, 25, 31, 22}},
      {"an empty text is at 0 percent", {{2, 0, 0, 0}}, 2, {2, 4, 0, 50, 0}},
      {"all committed", {{3, 10, 10, 2}}, 4, {3, 4, 100, 100, 2}},
      {"chunks run ahead of the committed count", {{0, 100, 100, 5}, {1, 100, 100, 5}, {2, 30, 100, 5}}, 0,
       {2, 4, 30, 57, 15}},
      {"a text index beyond the run is ignored", {{4, 5, 10, 99}, {-1, 5, 10, 99}}, 0, {0, 4, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    TRunProgressTally tally;
    tally.Start(4);
    for (const Report& r : c.chunks) tally.ChunkDone(r.text, r.bytes, r.size, r.words);
    tally.TextsDone(c.done);
    const TRunProgressFigures got = tally.Figures();
    EXPECT_EQ(got.text, c.want.text) << c.name;
    EXPECT_EQ(got.texts, c.want.texts) << c.name;
    EXPECT_EQ(got.this_percent, c.want.this_percent) << c.name;
    EXPECT_EQ(got.overall_percent, c.want.overall_percent) << c.name;
    EXPECT_EQ(got.running_words, c.want.running_words) << c.name;
  }
  TRunProgressTally none;
  none.Start(0);
  none.ChunkDone(0, 1, 1, 1);
  EXPECT_EQ(none.Figures(), TRunProgressFigures{});
}

TEST(StatusRefreshPacer, EveryTurnUntilTheFirstWordsThenAtMostEveryTenthOfASecond) {
  struct Turn {
    int64_t now_ms;
    bool words;  // the refresh, when due, shows running words above 0
    bool due;
  } const turns[] = {
      {0, false, true},     // the first turn of a run
      {20, false, true},    // no words shown yet: every turn
      {40, true, true},     // the first words
      {60, true, false},    // then not before 100 ms have passed
      {139, true, false},
      {140, true, true},
      {160, false, false},  // a refresh with no words does not start the early turns again
      {260, true, true},
  };
  TStatusRefreshPacer pacer;
  pacer.Start();
  for (const Turn& t : turns) {
    EXPECT_EQ(pacer.Due(t.now_ms), t.due) << t.now_ms;
    if (pacer.Due(t.now_ms)) pacer.Shown(t.now_ms, t.words);
  }
  // A new run starts again at once.
  pacer.Start();
  EXPECT_TRUE(pacer.Due(261));
}

class MainRoadProgress : public MainRoadTest {
 protected:
  void TearDown() override {
    unsetenv("LINZORA_THREADS");
    MainRoadTest::TearDown();
  }
};

TEST_F(MainRoadProgress, StatusBarShowsTextPercentsAndRunningWordsDuringTheRun) {
  Start();
  TempFolder corpus;
  HandOverTexts(WriteRiverTexts(corpus, 30, 4000));
  struct Seen {
    QString text, overall, this_text, words;
  };
  std::vector<Seen> seen;
  TVXStatusBar* bar = Main().Status();
  int turns_with_words = 0;
  // A percent panel shows a bar or a text, as the progress display's style has it.
  auto percent_of = [bar](int panel) {
    return bar->PanelIsBar(panel) ? QString::number(bar->PanelBarValue(panel)) + u'%' : bar->PanelText(panel);
  };
  Main().SetRunTurnObserver([&] {
    seen.push_back({bar->PanelText(1), percent_of(2), percent_of(3), bar->PanelText(4)});
    // The second such turn: the bar has laid its panels out for the texts of the first.
    if (bar->PanelText(4).section(u' ', 0, 0).toLongLong() > 0 && ++turns_with_words == 2)
      SaveScreenshot(*Main().Status(), QStringLiteral("run_progress_status_bar"));
  });
  RunFromWizard(u"river");
  Main().SetRunTurnObserver(nullptr);
  ASSERT_NE(Main().Doc(), nullptr);
  ASSERT_FALSE(seen.empty());
  int last_overall = 0;
  int64_t last_words = 0;
  for (const Seen& s : seen) {
    if (s.text.isEmpty()) continue;  // the first turn may come before the first chunk
    EXPECT_TRUE(s.text.startsWith(QStringLiteral("text ")) && s.text.endsWith(QStringLiteral(" of 30"))) << s.text.toStdString();
    const int overall = s.overall.chopped(1).toInt();
    const int this_text = s.this_text.chopped(1).toInt();
    // "12,345 words": the count's digits, whatever separates its thousands.
    QString digits = s.words.section(u' ', 0, 0);
    digits.removeIf([](QChar c) { return !c.isDigit(); });
    const int64_t words = digits.toLongLong();
    EXPECT_GE(overall, last_overall);
    EXPECT_LE(overall, 100);
    EXPECT_LE(this_text, 100);
    EXPECT_GE(words, last_words);
    last_overall = overall;
    last_words = words;
  }
  EXPECT_GT(last_words, 0);  // the words grew while the run went on, not only at its end
  // Every chunk's words reached the tally: its total is the document's.
  const TRunProgressFigures end = Main().RunProgressShown();
  EXPECT_EQ(end.running_words, Main().Doc()->fSettings.RunningWords());
  EXPECT_EQ(end.overall_percent, 100);
  EXPECT_EQ(end.this_percent, 100);
  EXPECT_EQ(end.running_words, 30 * 4000 * 11);
}

// The panels are refreshed only when due: what they show at every turn of a run never runs ahead
// of the run or goes back, the words shown reach the run's count while it goes on, and once the
// run ends the lines panel shows every line; on one worker and on several.
TEST_F(MainRoadProgress, StatusBarFiguresStayInStepWithTheRunAndEndOnItsTotals) {
  Start();
  TempFolder corpus;
  HandOverTexts(WriteRiverTexts(corpus, 30, 4000));
  TVXStatusBar* bar = Main().Status();
  struct Shown {
    int64_t lines, text, overall, this_text, words;
  };
  auto number = [](QString s) {
    s.removeIf([](QChar c) { return !c.isDigit(); });
    return s.toLongLong();
  };
  auto percent_of = [&](int panel) { return bar->PanelIsBar(panel) ? bar->PanelBarValue(panel) : number(bar->PanelText(panel)); };
  constexpr int64_t kWords = 30 * 4000 * 11;
  for (const char* workers : {"1", "4"}) {
    setenv("LINZORA_THREADS", workers, 1);
    std::vector<Shown> during;
    // "text 12 of 30": the first number.
    Main().SetRunTurnObserver([&] {
      during.push_back({number(bar->PanelText(0)), number(bar->PanelText(1).section(u' ', 1, 1)), percent_of(2),
                        percent_of(3), number(bar->PanelText(4).section(u' ', 0, 0))});
    });
    RunFromWizard(u"river");
    Main().SetRunTurnObserver(nullptr);
    ASSERT_NE(Main().Doc(), nullptr) << workers;
    const int64_t lines = Main().Doc()->fConcordanceList->Count();
    EXPECT_GT(lines, 0) << workers;
    EXPECT_EQ(number(bar->PanelText(0)), lines) << workers;
    const TRunProgressFigures end = Main().RunProgressShown();
    EXPECT_EQ(end.overall_percent, 100) << workers;
    EXPECT_EQ(end.running_words, kWords) << workers;
    // The words panel keeps the run's last figure on every page: it is the whole count.
    EXPECT_EQ(number(bar->PanelText(4).section(u' ', 0, 0)), kWords) << workers;
    ASSERT_FALSE(during.empty()) << workers;
    Shown last{0, 0, 0, 0, 0};
    for (const Shown& s : during) {
      if (s.text == 0) continue;  // before the first figures
      EXPECT_GE(s.lines, last.lines) << workers;
      EXPECT_LE(s.lines, lines) << workers;
      EXPECT_GE(s.text, last.text) << workers;
      EXPECT_LE(s.text, 30) << workers;
      EXPECT_GE(s.overall, last.overall) << workers;
      EXPECT_LE(s.overall, 100) << workers;
      EXPECT_LE(s.this_text, 100) << workers;
      EXPECT_GE(s.words, last.words) << workers;
      EXPECT_LE(s.words, kWords) << workers;
      last = s;
    }
    EXPECT_GT(last.words, 0) << workers;  // shown while the run went on
  }
}

}  // namespace
