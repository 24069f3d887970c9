// The breakdown window's counts and text, and the search-and-replace run driven by its buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>

#include "model/lists/grid_headings.h"
#include "shell/grid_tools/breakdown_rules.h"
#include "platform/search/search_engine.h"
#include "platform/search/search_items.h"
#include "shell/grid_tools/search_replace_rules.h"
#include "support/table_test_list.h"

namespace {

class Breakdown : public testing::Test {
 protected:
  void SetUp() override {
    list.AddRow(u"cat", u"the cat sat", 4, 2, u"a.txt");
    list.AddRow(u"dog", u"a cat and a dog", 9, 3, u"b.txt");
    list.AddRow(u"owl", u"the dog ran", 16, 4, u"a.txt");
    list.AddRow(u"eel", u"nothing here", 25, 5, u"c.txt");
    EnsureGridHeadings(list);
  }
  TTableList list;
};

TEST_F(Breakdown, SearchLinesLeaveBlankOnesOut) {
  const auto lines = BreakdownSearchLines(u"cat\n\n  dog \r\n\nowl");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(Utf16ToUtf8(lines[1]), "dog");
}

TEST_F(Breakdown, CountsTotalsAndTheText) {
  struct TCase {
    const char* what;
    std::vector<UString> searches;
    int cumulative, breakdown;
    std::vector<std::string> want;
  } cases[] = {
      {"counts alone, line by line", {u"cat", u"dog", u"zebra"}, -1, -1, {"2", "2", "0"}},
      {"with a cumulative column", {u"cat", u"dog"}, 3, -1, {"2 (13)", "2 (25)"}},
      {"one search: one sub-count",
       {u"dog"},
       -1,
       5,
       // Equal counts keep the order their values were first met in.
       {"dog: 2", "Breakdown of results: File column data", "*******", "a.txt: 1", "b.txt: 1", "*******"}},
      {"several searches: n out of m",
       {u"cat", u"dog"},
       -1,
       5,
       {"cat: 2", "dog: 2", "Breakdown of results: File column data", "*******", "a.txt: 2 out of 2",
        "b.txt: 1 out of 1", "*******"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    TBreakdownRequest q;
    q.searches = c.searches;
    q.search_column = 2;
    q.cumulative_column = c.cumulative;
    q.breakdown_column = c.breakdown;
    const TSummaryArrays a = BreakdownSummary(list, q);
    TBreakdownText how;
    how.breakdown = c.breakdown >= 0;
    how.cumulative = c.cumulative >= 0;
    how.breakdown_heading = u"File";
    std::vector<std::string> got;
    for (const UString& l : BreakdownResultLines(c.searches, a, how)) got.push_back(Utf16ToUtf8(l));
    EXPECT_EQ(got, c.want);
  }
}

TEST_F(Breakdown, StopKeepsWhatWasWrittenAndFilesItemIsFoundByColumn) {
  TBreakdownRequest q;
  q.searches = {u"cat"};
  q.search_column = 2;
  const TSummaryArrays stopped = BreakdownSummary(list, q, [] { return true; });
  EXPECT_TRUE(stopped.stopped);
  EXPECT_EQ(stopped.counts[0], 0);
  int asked = 0;
  const TSummaryArrays a = BreakdownSummary(list, q);
  const auto lines = BreakdownResultLines({u"cat", u"dog"}, TSummaryArrays{{1, 2}, {0, 0}, {}, 0, false}, {},
                                          [&] { return ++asked > 1; });
  EXPECT_EQ(lines.size(), 1u);
  EXPECT_EQ(a.counts[0], 2);
  // Column 13 is found by its number, wherever hidden columns leave its item.
  EXPECT_EQ(BreakdownFilesItem({1, 2, 4, 13, 14}), 3);
  EXPECT_EQ(BreakdownFilesItem({1, 2}), -1);
}

// --- search and replace ----------------------------------------------------------------------------

struct TCells {
  std::vector<UString> cells;
  std::map<int, int> replaced;  // row -> calls
  bool refuse = false;
  TSearchReplaceOwner Owner() {
    return {[this] { return static_cast<int>(cells.size()); },
            [this](int row, UString& text) {
              text = cells[static_cast<size_t>(row)];
              return true;
            },
            [this](int row, const UString& text) {
              if (refuse) return false;
              cells[static_cast<size_t>(row)] = text;
              ++replaced[row];
              return true;
            }};
  }
};

TEST(SearchReplace, SearchingStopsOncePerRowAndWraps) {
  TCells c{{u"cat and cat", u"no hit", u"a cat"}};
  TSearchReplaceRun run;
  ASSERT_TRUE(run.Start({u"cat"}, false, u"", true, c.Owner()));
  std::vector<int> stops;
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(run.Advance(), TSearchState::kWaiting);
    stops.push_back(run.Current().row);
    run.Skip();
  }
  EXPECT_EQ(stops, (std::vector<int>{0, 2, 0, 2, 0}));  // row 0 once a pass, the search wraps
  run.Cancel();
  EXPECT_EQ(run.Advance(), TSearchState::kFinished);
  EXPECT_TRUE(c.replaced.empty());
}

TEST(SearchReplace, AOneHitPassAsksAndNoneEnds) {
  TCells c{{u"x", u"one cat", u"y"}};
  TSearchReplaceRun run;
  run.Start({u"cat"}, false, u"", true, c.Owner());
  ASSERT_EQ(run.Advance(), TSearchState::kWaiting);
  EXPECT_EQ(Utf16ToUtf8(run.ContextText()), "Row 2: one cat");
  EXPECT_EQ(run.ContextOffset(), 11);
  run.Yes();
  EXPECT_EQ(run.Advance(), TSearchState::kPassEnded);
  run.ContinueAfterPass(false);
  EXPECT_EQ(run.State(), TSearchState::kFinished);
  TSearchReplaceRun none;
  none.Start({u"zebra"}, false, u"", true, c.Owner());
  EXPECT_EQ(none.Advance(), TSearchState::kFinished);
  EXPECT_TRUE(none.FoundNothing());
}

TEST(SearchReplace, EachAcceptedHitIsAppliedToTheCellInOrder) {
  struct TCase {
    const char* what;
    std::vector<char> answers;  // y yes, s skip
    const char* want;
  } cases[] = {
      {"both", {'y', 'y'}, "dog dog"},
      {"second only", {'s', 'y'}, "cat dog"},
      {"first only", {'y', 's'}, "dog cat"},
  };
  for (const TCase& k : cases) {
    SCOPED_TRACE(k.what);
    TCells c{{u"cat cat"}};
    TSearchReplaceRun run;
    run.Start({u"cat"}, true, u"dog", true, c.Owner());
    for (char a : k.answers) {
      ASSERT_EQ(run.Advance(), TSearchState::kWaiting);
      // The preview is the cell with this hit replaced, never the "Row N:" context.
      EXPECT_EQ(run.PreviewText().find(u"Row"), UString::npos);
      a == 'y' ? run.Yes() : run.Skip();
    }
    EXPECT_EQ(run.Advance(), TSearchState::kFinished);
    EXPECT_EQ(Utf16ToUtf8(c.cells[0]), k.want);
  }
}

TEST(SearchReplace, YesAllEndsAfterOnePassEvenWhenTheReplacementHoldsTheWord) {
  TCells c{{u"walk here", u"they walked", u"walking and walks"}};
  TSearchReplaceRun run;
  run.Start({u"walk*"}, true, u"walk walk", true, c.Owner());
  ASSERT_EQ(run.Advance(), TSearchState::kWaiting);
  run.YesAll();
  EXPECT_EQ(run.Advance(), TSearchState::kFinished);
  EXPECT_FALSE(run.ConfirmEach());
  EXPECT_EQ(run.Passes(), 1);
  EXPECT_EQ(run.Replaced(), 4);
  EXPECT_EQ(Utf16ToUtf8(c.cells[2]), "walk walk and walk walk");
  // A cell the owner cannot change: the run still ends, nothing counted.
  TCells locked{{u"cat cat"}};
  locked.refuse = true;
  TSearchReplaceRun r2;
  r2.Start({u"cat"}, true, u"dog", false, locked.Owner());
  EXPECT_EQ(r2.Advance(), TSearchState::kFinished);
  EXPECT_EQ(r2.Replaced(), 0);
  EXPECT_EQ(Utf16ToUtf8(locked.cells[0]), "cat cat");
}

TEST(SearchReplace, ItemsThatCanMatchNothingAreNamed) {
  struct TCase {
    const char16_t* typed;
    bool bad;
  } cases[] = {{u"", true}, {u"   ", true}, {u".,;", true}, {u"cat/", true}, {u"/cat", true},
               {u"cat/dog", false}, {u"walk*", false}, {u"*", false}, {u"old man", false}};
  for (const TCase& c : cases) EXPECT_EQ(!TSearchReplaceRun::BadSearchItem(c.typed).empty(), c.bad) << Utf16ToUtf8(c.typed);
  TSearchReplaceRun run;
  TCells c{{u"x"}};
  EXPECT_FALSE(run.Start({}, false, u"", true, c.Owner()));
}

}  // namespace

namespace {

// The engine's own hits of the items in a text, in text order.
std::vector<std::pair<int32_t, int32_t>> EngineHits(UStringView text, const std::vector<UString>& items) {
  TSearchAndDoEngine engine(true, true, TSearchTextOptions());
  std::vector<std::pair<int32_t, int32_t>> hits;
  engine.PrepareFirst(text, -1, 0, [&](TSearchAndDoEngine&, TSearchFound_Rec& f) {
    hits.emplace_back(f.hit_position, f.hit_length);
    return true;
  });
  for (size_t k = 0; k < items.size(); ++k) {
    TSearch_word_format_rec item = TBaseSearchItems::MakeItem(items[k]);
    engine.SearchAndDo(item, static_cast<int32_t>(k));
  }
  std::sort(hits.begin(), hits.end());
  std::vector<std::pair<int32_t, int32_t>> kept;
  for (const auto& h : hits)
    if (kept.empty() || h.first >= kept.back().first + kept.back().second) kept.push_back(h);
  return kept;
}

TEST(SearchReplace, PlainWordsAreFoundAsTheEngineFindsThem) {
  const char* alphabet = "walkWALKing sed1234.,;:!?\"()'-";
  const std::vector<std::vector<UString>> item_sets = {
      {u"walk"}, {u"walk*"}, {u"*king"}, {u"*al*"}, {u"12"}, {u"walk", u"king"}, {u"Walking"}};
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> pick(0, static_cast<int>(std::strlen(alphabet)) - 1), len(0, 40);
  int plain = 0;
  for (int round = 0; round < 3000; ++round) {
    UString text;
    for (int n = len(rng); n > 0; --n) text += static_cast<char16_t>(alphabet[pick(rng)]);
    if (round % 3 == 0) text = u"walk walking, walked. sidewalk (walks) 3.5 and 12 " + text;
    for (const auto& items : item_sets) {
      std::vector<std::pair<int32_t, int32_t>> hits;
      if (!TSearchReplaceRun::PlainWordHits(text, items, hits)) continue;
      ++plain;
      EXPECT_EQ(hits, EngineHits(text, items)) << Utf16ToUtf8(text) << " / " << Utf16ToUtf8(items[0]);
    }
  }
  EXPECT_GT(plain, 2000);  // the plain road is taken often enough to be tested
  std::vector<std::pair<int32_t, int32_t>> hits;
  EXPECT_FALSE(TSearchReplaceRun::PlainWordHits(u"it's", {u"it"}, hits));
  EXPECT_FALSE(TSearchReplaceRun::PlainWordHits(u"cat", {u"c?t"}, hits));
  EXPECT_FALSE(TSearchReplaceRun::PlainWordHits(u"na\u00EFve", {u"na*"}, hits));
}

// The finder a grid highlights with gives the run's hits: plain words without the engine, others
// (a letter beyond ASCII) with it; one finder over many texts.
TEST(SearchReplace, CellHitFinderFindsWhatTheEngineFinds) {
  const struct {
    std::vector<UString> items;
    UString text;
    std::vector<std::pair<int32_t, int32_t>> hits;  // worked out by hand
  } cases[] = {
      {{u"walk*"}, u"He walked, walks; sidewalk", {{3, 6}, {11, 5}}},
      {{u"cat", u"dog"}, u"dog, cat and dog", {{0, 3}, {5, 3}, {13, 3}}},
      {{u"na*"}, u"a na\u00EFve name", {{2, 5}, {8, 4}}},
      {{u"cat"}, u"no hit here", {}},
  };
  for (const auto& c : cases) {
    TCellHitFinder finder(c.items);
    std::vector<std::pair<int32_t, int32_t>> hits;
    finder.Hits(c.text, hits);
    EXPECT_EQ(hits, c.hits) << Utf16ToUtf8(c.text);
    EXPECT_EQ(hits, EngineHits(c.text, c.items)) << Utf16ToUtf8(c.text);
    finder.Hits(c.text, hits);  // asked again, the same
    EXPECT_EQ(hits, c.hits) << Utf16ToUtf8(c.text);
  }
  EXPECT_TRUE(TCellHitFinder({u"  "}).Empty());
}

// Whether the last search's display is offered for clearing: only when there was one and the new
// search is another.
TEST(SearchReplace, TheLastSearchIsOfferedForClearingOnlyWhenTheNewOneDiffers) {
  const struct {
    const char16_t* last;
    std::vector<UString> items;
    bool differs;
  } cases[] = {
      {u"", {u"cat"}, false},         {u"  ", {u"cat"}, false},          {u"cat", {u"cat"}, false},
      {u"cat", {u" cat "}, false},    {u"cat", {u"dog"}, true},          {u"cat", {u"cat", u"dog"}, true},
      {u"cat", {u"cat*"}, true},      {u"cat", {}, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SearchDiffersFromLast(c.last, c.items), c.differs) << Utf16ToUtf8(c.last);
}

}  // namespace
