// Computed-column formulas: the calculator's tokens, the bracket check, the precedence brackets,
// and values worked out by hand over a small list.
#include <gtest/gtest.h>

#include <cmath>

#include "model/lists/column_formula.h"
#include "model/lists/grid_headings.h"
#include "support/table_test_list.h"

namespace {

TEST(ColumnFormula, TokensOfTheCalculator) {
  struct TCase {
    UString got, want;
  } cases[] = {
      {FunctionToken(0), u"CUM"},
      {FunctionToken(1), u"SQRT("},
      {FunctionToken(5), u"SQR("},
      {FunctionToken(6), u""},
      {ColumnToken(u"Freq.", false), u"COL(\"Freq.\")"},
      {ColumnToken(u"#1003", true), u"COLC(\"#1003\")"},
      {AbsoluteRowToken(u"Freq.", 12), u"ROW(\"Freq.\";12)"},
      {FormulaFunctionName(8), u"COL"},
      {FormulaFunctionName(9), u"ROW"},
  };
  for (const TCase& c : cases) EXPECT_EQ(Utf16ToUtf8(c.got), Utf16ToUtf8(c.want));
  UString f = u"1+2";
  const int caret = InsertTokenAt(f, 1, 1, u"*");
  EXPECT_EQ(Utf16ToUtf8(f), "1 * 2");
  EXPECT_EQ(caret, 4);
}

TEST(ColumnFormula, BracketCheck) {
  struct TCase {
    const char16_t* formula;
    int balance;
  } cases[] = {
      {u"", 0},
      {u"(1 + 2]", 0},  // one counter for both kinds
      {u"((1 + 2)", 1},
      {u"1 + 2)", -1},
      {u"COL(\"a (b\") * 2", 0},  // quoted text is skipped
      {u"SQRT(COL(\"x\")", 1},
  };
  for (const TCase& c : cases) EXPECT_EQ(FormulaBracketBalance(c.formula), c.balance) << Utf16ToUtf8(c.formula);
}

TEST(ColumnFormula, PrecedenceBrackets) {
  struct TCase {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"3 + 4 * 5", u"3 +( 4 * 5)"},
      {u"2 * 3 + 4", u"2 * 3 + 4"},
      {u"1 - 2 / 3 * 4", u"1 -( 2 / 3 * 4)"},
      // A column token next to an operator is one operand, on either side.
      {u"COL(\"a\") + COL(\"b\") * 2", u"COL(\"a\") +( COL(\"b\") * 2)"},
      {u"3 + 4 * COL(\"x\")", u"3 +( 4 * COL(\"x\"))"},
      {u"1 + COL(\"a-b\") * 2 - 1", u"1 +( COL(\"a-b\") * 2 )- 1"},
      {u"(1 + 2) * 3", u"(1 + 2) * 3"},
  };
  for (const TCase& c : cases) {
    UString f = c.in;
    const bool changed = InsertPrecedenceBrackets(f);
    EXPECT_EQ(Utf16ToUtf8(f), Utf16ToUtf8(c.out)) << Utf16ToUtf8(c.in);
    EXPECT_EQ(changed, UString(c.in) != UString(c.out));
    EXPECT_EQ(FormulaBracketBalance(f), 0);
  }
}

class FormulaOnList : public testing::Test {
 protected:
  void SetUp() override {
    list.AddRow(u"cat", u"the cat sat", 4, 2);
    list.AddRow(u"dog", u"a dog ran", 9, 3);
    list.AddRow(u"owl", u"an owl flew", 16, 4);
    EnsureGridHeadings(list);
  }
  double Value(const char16_t* formula, int row) {
    TColumnFormula f;
    UString message;
    EXPECT_TRUE(f.Parse(formula, [&](UStringView n) { return ResolveFormulaColumn(list, n); }, message))
        << Utf16ToUtf8(formula) << ": " << Utf16ToUtf8(message);
    std::vector<double> v;
    EXPECT_TRUE(f.Evaluate(list.Count(), [&](int c, std::vector<double>& out) { FormulaColumnValues(list, c, out); },
                           v, message));
    return v.size() > static_cast<size_t>(row) ? v[static_cast<size_t>(row)] : NAN;
  }
  TTableList list;
};

TEST_F(FormulaOnList, ValuesWorkedOutByHand) {
  struct TCase {
    const char16_t* formula;
    int row;
    double want;
  } cases[] = {
      {u"3 + 4 * 5", 0, 23},
      {u"3 +( 4 * 5)", 0, 23},
      {u"1 - 2 / 4 * 4", 0, -1},
      {u"2 * 3 + 4", 0, 10},
      {u"COL(\"A\") / COL(\"B\")", 1, 3},
      {u"SQRT(COL(\"A\"))", 2, 4},
      {u"SQRT(COL(\"a\") / COL(\"b\"))", 2, 2},
      {u"SQR(COL(\"B\")) + 1", 1, 10},
      {u"CUM COL(\"A\")", 2, 29},
      {u"COLC(\"B\")", 1, 5},
      {u"ROW(\"A\";3) - COL(\"A\")", 0, 12},
      {u"-COL(\"B\") * 2", 2, -8},
      {u"[1 + 1] \u00D7 3 \u00F7 2", 0, 3},
      {u"EXP(0) + COS(0) + SIN(0)", 0, 2},
      {u"0.5 * 4", 0, 2},
  };
  for (const TCase& c : cases) EXPECT_DOUBLE_EQ(Value(c.formula, c.row), c.want) << Utf16ToUtf8(c.formula);
}

TEST_F(FormulaOnList, BadFormulasAddNoColumn) {
  struct TCase {
    const char16_t* formula;
    const char* message_holds;
  } cases[] = {
      {u"", "empty"},
      {u"3 + ", "missing"},
      {u"COL(\"Nothing\") * 2", "no column \"Nothing\""},
      {u"COL(\"Word\")", "no column"},  // a text column takes no part
      {u"FOO(3)", "no function"},
      {u"(1 + 2", "not closed"},
      {u"COL(\"A\") / 0", "divides by zero"},
      {u"COL(\"A\") / (COL(\"B\") - 3)", "row 2"},
      {u"1..2", "not a number"},
  };
  for (const TCase& c : cases) {
    UString message;
    const size_t before = list.grid_headings.size();
    EXPECT_EQ(AddFormulaColumn(list, c.formula, message), -1) << Utf16ToUtf8(c.formula);
    EXPECT_NE(Utf16ToUtf8(message).find(c.message_holds), std::string::npos)
        << Utf16ToUtf8(c.formula) << " said " << Utf16ToUtf8(message);
    EXPECT_EQ(list.grid_headings.size(), before);
    EXPECT_TRUE(list.AddedColumns().empty());
  }
}

TEST_F(FormulaOnList, ComputedColumnFollowsItsRowsAndCumulativeOnesAreWorkedOutAgain) {
  UString message;
  const int ratio = AddFormulaColumn(list, u"COL(\"A\") / COL(\"B\")", message);
  const int running = AddFormulaColumn(list, u"COLC(\"A\")", message);
  ASSERT_GE(ratio, TVXBaseDataClass::kFirstAddedColumn);
  ASSERT_GT(running, ratio);
  EXPECT_EQ(GetDatum(list.grid_headings, ratio), u"COL(\"A\") / COL(\"B\")");
  // A computed column refers to another by its number.
  const int twice = AddFormulaColumn(list, (u"COL(\"#" + IntToUStr(ratio) + u"\") * 2").c_str(), message);
  ASSERT_GT(twice, 0) << Utf16ToUtf8(message);
  EXPECT_DOUBLE_EQ(list.AddedCellValue(twice, 1), 6);
  ASSERT_TRUE(list.SortOnAddedColumn(ratio, false));  // 4, 3, 2: owl, dog, cat
  EXPECT_EQ(Utf16ToUtf8(list.Row(0)->word), "owl");
  EXPECT_DOUBLE_EQ(list.AddedCellValue(ratio, 0), 4);
  EXPECT_DOUBLE_EQ(list.AddedCellValue(running, 0), 29);  // still the old order's total
  EXPECT_EQ(RecomputeCumulativeColumns(list), 1);
  EXPECT_DOUBLE_EQ(list.AddedCellValue(running, 0), 16);
  EXPECT_DOUBLE_EQ(list.AddedCellValue(running, 2), 29);
  TGrid_data_rec cell;
  list.AnyColumnDataRec(ratio, 3, cell, 0);
  EXPECT_TRUE(cell.has_number);
  EXPECT_FLOAT_EQ(cell.number.value, 2);
  EXPECT_TRUE(list.DeleteAddedColumn(ratio));
  EXPECT_EQ(HeadingIndexOfColumn(list.grid_headings, ratio), -1);
  EXPECT_TRUE(std::isnan(list.AddedCellValue(ratio, 0)));
}

}  // namespace
