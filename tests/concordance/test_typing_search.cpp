// Typing in the tool bar's box finds a row: from the current row on, wrapping once, the first row
// whose word begins with the text; the lines by the word of their first sort key; the clusters by
// their own positional search; the kinds of the pages.
#include <gtest/gtest.h>

#include "../model/work_test_list.h"
#include "concordance/commands/typing_search.h"
#include "concordance/lines/line_records.h"
#include "document_test_support.h"

using namespace document_test;

TEST(TypingSearch, KindsAreTheLogicalPages) {
  const std::pair<int, int> kinds[] = {{10, 0}, {13, 1}, {12, 2}, {14, 3}, {5, 4}, {17, 9}, {20, 10}, {0, -1}, {26, -1}};
  for (const auto& [type, kind] : kinds) EXPECT_EQ(TypingKindOfListType(type), kind) << type;
}

TEST(TypingSearch, FromTheCurrentRowOnWrappingOnce) {
  TTestWordList list;
  list.Fill({{u"apple", 1}, {u"Banana", 1}, {u"cherry", 1}, {u"banjo", 1}, {u"/texts/beach.txt", 1}, {u"\u00C9clair", 1}});
  struct Case {
    const char16_t* typed;
    bool case_sensitive;
    int from;
    int found;
  } const cases[] = {
      {u"ban", false, 0, 1},     // case ignored
      {u"ban", false, 2, 3},     // from the current row on
      {u"ban", false, 4, 1},     // wrapping round to the first
      {u"ban", true, 0, 3},      // "Banana" only when case is ignored
      {u"Ban", true, 2, 1},      // wraps to the only row that fits
      {u"bea", false, 0, 4},     // a file name is found by its name, not its folder
      {u"\u00E9cl", false, 0, 5},  // letters beyond ASCII fold too
      {u"zebra", false, 2, 2},   // nothing found: the grid stays on its row
      {u"apple pie", false, 1, 1},  // longer than every word
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.typed));
    EXPECT_EQ(FindTypedTextFromRow(&list, c.case_sensitive, c.typed, c.from), c.found);
    EXPECT_EQ(FindTypedTextInList(&list, c.case_sensitive, c.typed, c.from), c.found);
  }
  EXPECT_EQ(FindTypedTextFromRow(nullptr, false, u"a", 0), -1);
  EXPECT_EQ(FindTypedTextFromRow(&list, false, u"", 0), -1);
  EXPECT_EQ(TypedTextRow(kTypingTimeline, &list, false, u"ban", 0), std::nullopt);
  EXPECT_EQ(TypedTextRow(kTypingCollocates, &list, false, u"cher", 0), 2);
  EXPECT_EQ(TypedTextRow(kTypingPlot, &list, false, u"zebra", 0), 0);
}

TEST(TypingSearch, ClustersThroughTheirPositionalSearch) {
  TTestWordList clusters;
  clusters.Fill({{u"the river", 4}, {u"by the river", 2}, {u"river bank", 2}});
  EXPECT_EQ(FindTypedCluster(clusters, false, u"BY THE"), 1);
  EXPECT_EQ(FindTypedCluster(clusters, false, u"river"), 2);
  EXPECT_EQ(FindTypedCluster(clusters, false, u"*river"), 0);  // a leading "*": any words before
  EXPECT_EQ(FindTypedCluster(clusters, false, u"sea"), -1);
  EXPECT_EQ(FindTypedCluster(clusters, false, u"*"), -1);
  EXPECT_EQ(TypedTextRow(kTypingClusters, &clusters, false, u"sea", 0), std::nullopt);
}

TEST(TypingSearch, LinesAreFoundByTheWordOfTheirFirstSortKey) {
  ScopedSettings settings;
  TTextFolder folder({{u"a.txt", "the old river and a new river, then the wide river, a slow river, his river."}});
  TRunRequest request;
  request.texts = folder.names;
  request.search_words = u"river";
  TRunDone run = RunConcordance(request);
  ASSERT_TRUE(run.found);
  TConcordanceList& lines = *run.doc->fConcordanceList;
  ASSERT_EQ(lines.Count(), 5);
  // The word before the search word (L1, key 4) orders the lines: found by it.
  lines.Set1Sort(0, kConcSortL1);
  // A second, plain walk: each line's L1 word compared in capitals.
  auto by_hand = [&](UStringView typed, int from) {
    for (int step = 0; step < lines.Count(); ++step) {
      const int i = (from + step) % lines.Count();
      const UString w = UpperCaseU(lines.WordAtSpan(*lines.Line(i), kSpanCentre - 1));
      if (w.rfind(UpperCaseU(typed), 0) == 0) return i;
    }
    return from;
  };
  for (const char16_t* typed : {u"old", u"NEW", u"w", u"slow", u"his", u"s", u"x"})
    for (int from = 0; from < lines.Count(); ++from) {
      SCOPED_TRACE(Utf16ToUtf8(typed) + " from " + std::to_string(from));
      EXPECT_EQ(FindTypedTextFromRow(&lines, false, typed, from), by_hand(typed, from));
    }
  // The search word itself when the lines stand in its order.
  lines.Set1Sort(0, kConcSortSearchWord);
  EXPECT_EQ(FindTypedTextFromRow(&lines, false, u"riv", 3), 3);
  EXPECT_EQ(UpperCaseU(TypedSearchWordOfRow(lines, 0)), u"RIVER");
}
