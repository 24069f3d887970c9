// The word list's relative-entropy column, the share headings of the word, keyword and
// consistency lists under each share display, and a keyword's value with its sign.
#include <gtest/gtest.h>

#include <cmath>

#include "../model/text_reader_test_support.h"
#include "keywords/keyword_list.h"
#include "platform/settings/settings_access.h"
#include "wordlist/detailed_consist.h"
#include "wordlist/word_list.h"

namespace {

using text_reader_test::ScopedSettings;

// be 2 with is 2 joined; go 6 with goes 3 and went 3; dog 4 alone.
// Relative entropy: be -(2 x 0.5 ln 0.5) / ln 2 = 1; go -(0.5 ln 0.5 + 2 x 0.25 ln 0.25) / ln 3
// = 1.03972 / 1.09861 = 0.94640; dog 0 (one form).
TEST(WordListEntropyColumn, ShowsSortsAndTakesNoOtherLevel) {
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  for (const auto& [w, f] : std::initializer_list<std::pair<const char16_t*, int32_t>>{
           {u"be", 2}, {u"is", 2}, {u"go", 6}, {u"goes", 3}, {u"went", 3}, {u"dog", 4}})
    list.AddRow(TWordlistData{1, f, 0.0f, w, u"", u""});
  ASSERT_TRUE(list.Join(0, 1, false) && list.Join(2, 3, false) && list.Join(2, 4, false));
  list.Zap(false);
  list.SetHeadings(WordListHeadings());
  const int column = list.ShowRelativeEntropyColumn();
  EXPECT_EQ(column, 9);
  EXPECT_EQ(list.ShowRelativeEntropyColumn(), 9);  // once
  ASSERT_EQ(list.HeadingCount(), 10);
  EXPECT_EQ(list.Headings()[9], u"Relative entropy");
  EXPECT_EQ(list.HeaderColumnToSortNeeded(0, column), kWLSortRelativeEntropy);
  EXPECT_EQ(list.HeaderColumnToSortNeeded(1, column), kWLSortWords);

  struct TCase {
    const char16_t* word;
    double entropy;
  } cases[] = {{u"be", 1.0}, {u"go", 0.94640}, {u"dog", 0.0}};
  for (const TCase& c : cases) {
    const int row = list.Find_WordStr(c.word, false);
    ASSERT_GE(row, 0) << Utf16ToUtf8(c.word);
    TGrid_data_rec cell;
    list.DrawgridDataRec(column, row + 1, cell, 0);
    EXPECT_TRUE(cell.has_number);
    EXPECT_TRUE(cell.number.is_real);
    EXPECT_NEAR(cell.number.value, c.entropy, 0.00001) << Utf16ToUtf8(c.word);
  }

  list.Set1Sort(0, list.HeaderColumnToSortNeeded(0, column));
  list.SetSortAscending(0, true);
  ASSERT_TRUE(list.DoASort(1, 0, list.Count() - 1));
  std::string order;
  for (int i = 0; i < list.Count(); ++i) order += Utf16ToUtf8(list.Row(i)->data.word) + " ";
  EXPECT_EQ(order, "dog go be ");
}

TEST(ShareHeadings, FollowTheShareDisplay) {
  ScopedSettings settings;
  TVXBaseHolder holder;
  TVXWordList words(&holder);
  TKeyWordList keywords(&holder);
  TDetailedConsistencyList consistency(&holder);
  consistency.SetNLists(2);
  struct TCase {
    uint8_t display;
    const char16_t* share;       // the unit a share column is headed by
    const char16_t* list_column;  // a consistency list's column of list "study"
  } cases[] = {
      {0, u"%", u"study"},
      {2, u"%", u"study %"},
      {3, u"per 1,000", u"study per 1,000"},
      {4, u"per million", u"study per million"},
  };
  auto heading = [](TVXBaseDataClass& list, UStringView text, int column) {
    TGrid_data_rec cell;
    cell.text = UString(text);
    list.CheckedPPMFormatHeading(cell, column);
    return cell.text;
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.display);
    SetDisplayWordsPerMillion(c.display);
    EXPECT_EQ(heading(words, u"%", 3), c.share);
    EXPECT_EQ(heading(words, u"Texts %", 3), UString(u"Texts ") + c.share);
    EXPECT_EQ(heading(words, u"%", 5), u"%");  // the texts' share is always a percentage
    EXPECT_EQ(heading(words, u"Freq.", 2), u"Freq.");
    EXPECT_EQ(heading(keywords, u"%", 3), c.share);
    EXPECT_EQ(heading(keywords, u"RC. per 1,000", 6), UString(u"RC. ") + c.share);
    EXPECT_EQ(heading(keywords, u"Keyness", 8), u"Keyness");
    EXPECT_EQ(heading(consistency, u"study", kDCFirstListColumn), c.list_column);
    EXPECT_EQ(heading(consistency, u"total words", 2), u"Total Words");
    EXPECT_EQ(heading(consistency, u"third", kDCFirstListColumn + 2), u"Third");  // no third list
  }
}

TEST(KeywordValues, ComeWithTheirSign) {
  TVXBaseHolder holder;
  TKeyWordList list(&holder);
  TKeywordRecord plus{}, minus{};
  plus.frequency = 10;
  plus.keyness = 6.5f;
  minus.frequency = 2;
  minus.keyness = -4.5f;
  minus.negative = 1;
  list.AddRow(plus, u"cat");
  list.AddRow(minus, u"moon");
  struct TCase {
    int row, column;
    float value;
    bool negative;
  } cases[] = {{0, 8, 6.5f, false}, {1, 8, -4.5f, true}, {1, 2, 2.0f, true}, {2, 8, kMissingValue, false}};
  for (const TCase& c : cases) {
    TNumberDisplayAndSinglesRec value;
    bool negative = !c.negative;
    list.NumericalDataAndNegative(c.column, c.row, value, negative);
    EXPECT_EQ(value.value, c.value) << c.row << " " << c.column;
    EXPECT_EQ(negative, c.negative) << c.row << " " << c.column;
  }
}

}  // namespace
