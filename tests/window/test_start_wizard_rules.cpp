// Rules of the start wizard without its window: spans, exact places, the chosen-items lines,
// the run request, history files, the checks before a run, dead keys and paste items.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/rtl/files.h"
#include "support/temp_folder.h"
#include "windows/wizard_rules.h"

namespace {

TEST(WizardSpans, ListsHoldTheirCaptionsInOrder) {
  const auto left = LeftSpanCaptions(), right = RightSpanCaptions();
  ASSERT_EQ(left.size(), 31u);
  ASSERT_EQ(right.size(), 31u);
  EXPECT_EQ(left[0], ConcordanceSpanStr(50));
  EXPECT_EQ(left[5], u"5L");
  EXPECT_EQ(right[5], u"5R");
  EXPECT_EQ(left[30], u"30L");
}

TEST(WizardSpans, ExactListLeavesOutTheSearchWordAndStartsOneToTheRight) {
  const auto exact = ExactSpanEntries();
  ASSERT_EQ(exact.size(), 60u);
  for (const auto& e : exact) EXPECT_NE(e.span_type, 50);
  const TExactSpanEntry start = exact[static_cast<size_t>(ExactListStartIndex())];
  EXPECT_EQ(ExactListStartIndex(), 30);
  EXPECT_EQ(start.span_type, 51);
  EXPECT_EQ(start.Position(), 1);
}

TEST(WizardSpans, ExactPositionSetsPlaceAndHorizons) {
  struct Case {
    int span_type, position, left, right;
  } cases[] = {{47, -3, 3, 0}, {51, 1, 0, 1}, {80, 30, 0, 30}, {20, -30, 30, 0}};
  for (const Case& c : cases) {
    TConcSettingsRec32 rec{};
    rec.SetContextHorizonLeft(9);
    rec.SetContextHorizonRight(9);
    const int position = 500 - (550 - c.span_type);
    ApplyExactPosition(rec, position);
    EXPECT_EQ(rec.ExactContextPosition(), c.position) << c.span_type;
    EXPECT_EQ(rec.ContextHorizonLeft(), c.left) << c.span_type;
    EXPECT_EQ(rec.ContextHorizonRight(), c.right) << c.span_type;
    ClearExactPosition(rec);
    EXPECT_EQ(rec.ExactContextPosition(), 0);
  }
}

TEST(WizardChosenItems, LinesForSearchContextAndExclusion) {
  TSearchWordItems search;
  search.InsertSearchWordsAtTop(u"river");
  TContextWordItems context;
  context.InsertSearchWordsAtTop(u"hotel");
  TExclusionWordItems exclusion;
  const auto plain = ChosenItemsLines(search, context, exclusion, false, u"", 5, 5);
  EXPECT_EQ(plain, (std::vector<UString>{u"river", u"hotel 5L/5R"}));
  exclusion.InsertSearchWordsAtTop(u"bank");
  const auto exact = ChosenItemsLines(search, context, exclusion, true, u"3L", 5, 5);
  EXPECT_EQ(exact, (std::vector<UString>{u"river", u"hotel 3L", u"Excluding:", u"(bank)"}));
}

TEST(WizardRunRequest, OkPostsTheRunRequestPerBatchChoice) {
  struct Case {
    TRunChoice choice;
    uint64_t wparam;
    bool sw_batch;
  } cases[] = {{TRunChoice::kOne, 0, false}, {TRunChoice::kTextBatch, 1, false}, {TRunChoice::kSearchWordBatch, 1, true}};
  for (const Case& c : cases) {
    const TRunRequestMessage m = RunRequestFor(c.choice);
    EXPECT_EQ(m.msg, 0x56Fu);
    EXPECT_EQ(m.lparam, 10);
    EXPECT_EQ(m.wparam, c.wparam);
    EXPECT_EQ(m.sw_batch, c.sw_batch);
  }
}

TEST(WizardHistory, TypedWordGoesOnTopOnlyOnce) {
  std::vector<UString> items{u"river", u"bank"};
  AddTypedToHistory(items, u"  bank ");
  EXPECT_EQ(items, (std::vector<UString>{u"river", u"bank"}));
  AddTypedToHistory(items, u"ferry");
  EXPECT_EQ(items, (std::vector<UString>{u"ferry", u"river", u"bank"}));
  AddTypedToHistory(items, u"   ");
  EXPECT_EQ(items.size(), 3u);
}

TEST(WizardHistory, FileIsUtf16WithMarkAndReadsBack) {
  TempFolder dir;
  const UString name = dir.Path() + HistoryFileName(0);
  EXPECT_EQ(HistoryFileName(0), u"recent_search_words.txt");
  EXPECT_EQ(HistoryFileName(2), u"recent_exclusion_words.txt");
  const std::vector<UString> items{u"river", u"caf\u00e9", u"\U0001D11E"};
  ASSERT_TRUE(SaveHistoryFile(name, items));
  std::ifstream in(ToFsPath(name), std::ios::binary);
  std::string b((std::istreambuf_iterator<char>(in)), {});
  ASSERT_GE(b.size(), 4u);
  EXPECT_EQ(b.substr(0, 4), std::string("\xFF\xFEr\0", 4));
  EXPECT_EQ(LoadHistoryFile(name), items);
  EXPECT_FALSE(LoadHistoryFile(dir.Path() + u"missing.txt").has_value());
}

TEST(RunChecks, TypedSearchWordsRefusedOrAccepted) {
  struct Case {
    const char16_t* typed;
    TSearchInputProblem problem;
    const char16_t* item;
  } cases[] = {
      {u"", TSearchInputProblem::kNothingToSearchFor, u""},
      {u"   ", TSearchInputProblem::kNothingToSearchFor, u""},
      {u"====", TSearchInputProblem::kNothingToSearchFor, u""},
      {u"*", TSearchInputProblem::kWildcardsOnly, u"*"},
      {u"* *", TSearchInputProblem::kWildcardsOnly, u"* *"},
      {u"*/*", TSearchInputProblem::kWildcardsOnly, u"*/*"},
      {u"river\n*", TSearchInputProblem::kWildcardsOnly, u"*"},
      {u"*#*", TSearchInputProblem::kNone, u""},
      {u"the * man", TSearchInputProblem::kNone, u""},
      {u"==New==", TSearchInputProblem::kNone, u""},
      {u"river", TSearchInputProblem::kNone, u""},
  };
  for (const Case& c : cases) {
    const TSearchInputCheck check = CheckSearchInput(c.typed);
    EXPECT_EQ(check.problem, c.problem) << Utf16ToUtf8(c.typed);
    EXPECT_EQ(check.item, c.item) << Utf16ToUtf8(c.typed);
    if (c.problem == TSearchInputProblem::kWildcardsOnly) {
      EXPECT_NE(check.Message().find(c.item), UString::npos);
    }
  }
}

TEST(DeadKeys, FileLinesApplyToTypedText) {
  TempFolder dir;
  const UString name = dir.Write(u"customised deadkeys.dat", std::string("\xFF\xFE") + std::string("^\0,\0e\0,\0\xEA\0\n\0", 12));
  TDeadKeyTable t;
  ASSERT_TRUE(t.Load(name));
  ASSERT_EQ(t.entries.size(), 1u);
  EXPECT_EQ(t.Applied(u"f^ete"), u"f\u00eate");
  EXPECT_EQ(t.Applied(u"^a"), u"^a");
  TDeadKeyTable missing;
  EXPECT_FALSE(missing.Load(dir.Path() + u"none.dat"));
}

TEST(PasteItems, CodePointsKeptWholeAndOfferedOnce) {
  TPasteCharacterItems p;
  // Letters of the item's own wording ("Paste ...") are offered like any other.
  EXPECT_TRUE(p.Offer(U'a'));
  EXPECT_TRUE(p.Offer(U'e'));
  EXPECT_FALSE(p.Offer(U'a'));
  EXPECT_FALSE(p.Offer(0));
  // A character beyond the basic plane stays one item and is inserted whole.
  EXPECT_TRUE(p.Offer(U'\U0001D11E'));
  EXPECT_EQ(TPasteCharacterItems::AsText(U'\U0001D11E'), u"\U0001D11E");
  for (char32_t c = U'A'; c < U'A' + 20; ++c) p.Offer(c);
  EXPECT_EQ(p.items.size(), TPasteCharacterItems::kKept);
  EXPECT_EQ(p.items.front(), U'A' + 19);
}

}  // namespace
