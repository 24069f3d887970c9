// Computed-column formulas: the calculator's tokens, the bracket check, the precedence brackets,
// and values worked out by hand over a small list.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "model/lists/column_formula.h"
#include "model/lists/grid_headings.h"
#include "support/fault_rounds.h"
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
      // A sign after an operator or an opening bracket belongs to its operand.
      {u"1 - 2 * -3", u"1 -( 2 * -3)"},
      {u"1 + 2 / -4", u"1 +( 2 / -4)"},
      {u"1 + 2 * +3", u"1 +( 2 * +3)"},
      {u"1 + COL(\"A\") * -1", u"1 +( COL(\"A\") * -1)"},
      {u"1 + -2 * 3", u"1 +( -2 * 3)"},
      {u"1 - 2 * - -3 - 4", u"1 -( 2 * - -3 )- 4"},
      {u"[COLC(\"B\") / -0.000001 * CUM 3]", u"[COLC(\"B\") / -0.000001 * CUM 3]"},
      {u"-2 * 3", u"-2 * 3"},
      {u"(-2) * 3 - 1", u"(-2) * 3 - 1"},
      {u"1 + CUM -2 * 3", u"1 +( CUM -2 * 3)"},
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
      {u"1\u00B75", 0, 1.5},  // the key pad's middle dot is a decimal point
      {u"2 \u00D7 0\u00B725", 0, 0.5},
  };
  for (const TCase& c : cases) EXPECT_DOUBLE_EQ(Value(c.formula, c.row), c.want) << Utf16ToUtf8(c.formula);
}

// A sign after × or ÷: the formula as typed and as the calculator brackets it give the value
// worked out by hand.
TEST_F(FormulaOnList, SignAfterAMultiplicativeOperatorKeepsItsValueWhenBracketed) {
  struct TCase {
    const char16_t* formula;
    int row;
    double want;
  } cases[] = {
      {u"1 - 2 * -3", 0, 7},
      {u"1 + 2 / -4", 0, 0.5},
      {u"1 + 2 * +3", 0, 7},
      {u"1 + COL(\"A\") * -1", 1, -8},        // 1 + 9 * -1
      {u"[COLC(\"B\") / -0.000001 * CUM 3]", 1, -3e7},  // 5 / -0.000001 * 6
      {u"10 - 8 / -2 * -2", 0, 2},           // 10 - ((8 / -2) * -2)
      {u"1 + -COL(\"B\") * 2 - 3", 2, -10},  // 1 + (-4 * 2) - 3
  };
  for (const TCase& c : cases) {
    EXPECT_DOUBLE_EQ(Value(c.formula, c.row), c.want) << Utf16ToUtf8(c.formula);
    UString bracketed = c.formula;
    InsertPrecedenceBrackets(bracketed);
    EXPECT_DOUBLE_EQ(Value(bracketed.c_str(), c.row), c.want) << Utf16ToUtf8(bracketed);
  }
}

UString Repeat(UStringView piece, int n) {
  UString out;
  for (int i = 0; i < n; ++i) out += piece;
  return out;
}

// Formulas nested too deep or too long are refused with a message; up to the bound they work.
TEST_F(FormulaOnList, TooDeepOrTooLongFormulasAreRefused) {
  const int over = kMaxFormulaDepth + 1;
  struct TCase {
    UString formula;
    const char* message_holds;
  } cases[] = {
      {Repeat(u"(", over) + u"1" + Repeat(u")", over), "too deep"},
      {Repeat(u"-", over) + u"1", "too deep"},
      {Repeat(u"1+", over) + u"1", "too deep"},
      {Repeat(u"2*", over) + u"1", "too deep"},
      {Repeat(u"CUM ", over) + u"1", "too deep"},
      {Repeat(u"SQRT(", over) + u"4" + Repeat(u")", over), "too deep"},
      {u"1" + Repeat(u"-(1", over) + Repeat(u")", over), "too deep"},
      // The damaged files that crashed: hundreds of kilobytes of brackets or signs.
      {Repeat(u"(", 200000) + u"1" + Repeat(u")", 200000), "too long"},
      {Repeat(u"-", 400000) + u"1", "too long"},
      {Repeat(u"1+", 100000) + u"1", "too long"},
      {Repeat(u"CUM ", 100000) + u"1", "too long"},
  };
  for (const TCase& c : cases) {
    UString message;
    EXPECT_EQ(AddFormulaColumn(list, c.formula, message), -1) << Utf16ToUtf8(c.formula.substr(0, 40));
    EXPECT_NE(Utf16ToUtf8(message).find(c.message_holds), std::string::npos) << Utf16ToUtf8(message);
    EXPECT_TRUE(list.AddedColumns().empty());
  }
  // At the bound: a sum of kMaxFormulaDepth ones, and brackets nearly that deep.
  EXPECT_DOUBLE_EQ(Value((Repeat(u"1+", kMaxFormulaDepth - 1) + u"1").c_str(), 0), kMaxFormulaDepth);
  const int deep = kMaxFormulaDepth - 2;
  EXPECT_DOUBLE_EQ(Value((Repeat(u"(", deep) + u"-2" + Repeat(u")", deep) + u" * 3").c_str(), 0), -6);
  // The calculator leaves an overlong formula as it is.
  UString overlong = Repeat(u"1 + 2 * 3 ", 1001);
  const UString typed = overlong;
  EXPECT_FALSE(InsertPrecedenceBrackets(overlong));
  EXPECT_EQ(overlong, typed);
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

// --- hostile and generated formulas -----------------------------------------------------------------

// Makes formulas of the calculator's syntax: numbers (with "." or the middle dot), columns, running
// totals, absolute rows, functions, signs wherever an operand may stand, both kinds of bracket and
// every operator, with blanks here and there.
class TFormulaMaker {
 public:
  explicit TFormulaMaker(uint32_t seed) : rng_(seed) {}
  UString Make() { return Expr(0); }

 private:
  int Pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }
  UString Blank() { return Pick(3) == 0 ? UString() : UString(u" "); }
  UString Expr(int depth) {
    UString out = Term(depth);
    const int n = Pick(3);
    for (int i = 0; i < n; ++i) out += Blank() + (Pick(2) ? u"+" : u"-") + Blank() + Term(depth);
    return out;
  }
  UString Term(int depth) {
    static const char16_t* const kOps[] = {u"*", u"/", u"\u00D7", u"\u00F7"};
    UString out = Factor(depth);
    const int n = Pick(3);
    for (int i = 0; i < n; ++i) out += Blank() + kOps[Pick(4)] + Blank() + Factor(depth);
    return out;
  }
  UString Factor(int depth) {
    UString sign;
    for (int n = Pick(4) == 0 ? 1 + Pick(2) : 0; n > 0; --n) sign += UString(Pick(2) ? u"-" : u"+") + Blank();
    return sign + Primary(depth);
  }
  UString Primary(int depth) {
    const int k = depth >= 4 ? Pick(5) : Pick(9);
    switch (k) {
      case 0: return IntToUStr(1 + Pick(9));
      case 1: return IntToUStr(Pick(5)) + (Pick(2) ? u"." : u"\u00B7") + IntToUStr(Pick(100));
      case 2: return Pick(2) ? u"COL(\"A\")" : u"COL(\"b\")";
      case 3: return Pick(2) ? u"COLC(\"B\")" : u"ROW(\"A\";2)";
      case 4: return u"CUM " + IntToUStr(1 + Pick(3));
      case 5: return u"(" + Blank() + Expr(depth + 1) + Blank() + u")";
      case 6: return u"[" + Expr(depth + 1) + u"]";
      case 7: return u"CUM " + Factor(depth + 1);
      default: {
        static const char16_t* const kFunctions[] = {u"SQRT(", u"SQR(", u"COS(", u"SIN(", u"EXP(["};
        const int f = Pick(5);
        return UString(kFunctions[f]) + Expr(depth + 1) + (f == 4 ? u"])" : u")");
      }
    }
  }
  std::mt19937 rng_;
};

bool SameValues(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!(a[i] == b[i] || (std::isnan(a[i]) && std::isnan(b[i])))) return false;
  return true;
}

class ColumnFormulaFuzz : public FormulaOnList {
 protected:
  // Parses and evaluates; answers whether it parsed, with the values (empty when evaluation failed).
  bool Run(UStringView formula, std::vector<double>& values, UString& message) {
    TColumnFormula f;
    values.clear();
    if (!f.Parse(formula, [&](UStringView n) { return ResolveFormulaColumn(list, n); }, message)) return false;
    f.Evaluate(list.Count(), [&](int c, std::vector<double>& out) { FormulaColumnValues(list, c, out); }, values,
               message);
    return true;
  }
};

// Whatever the calculator's brackets make of a formula reads the same: same tree, same values.
TEST_F(ColumnFormulaFuzz, PrecedenceBracketsNeverChangeAValue) {
  TFormulaMaker maker(20260);
  const int rounds = FaultRounds(4) * 250;
  for (int round = 0; round < rounds; ++round) {
    const UString formula = maker.Make();
    std::vector<double> want, got;
    UString message;
    ASSERT_TRUE(Run(formula, want, message)) << Utf16ToUtf8(formula) << ": " << Utf16ToUtf8(message);
    UString bracketed = formula;
    InsertPrecedenceBrackets(bracketed);
    ASSERT_EQ(FormulaBracketBalance(bracketed), 0) << Utf16ToUtf8(bracketed);
    ASSERT_TRUE(Run(bracketed, got, message)) << Utf16ToUtf8(formula) << " became " << Utf16ToUtf8(bracketed) << ": "
                                              << Utf16ToUtf8(message);
    ASSERT_TRUE(SameValues(got, want)) << Utf16ToUtf8(formula) << " became " << Utf16ToUtf8(bracketed);
    // Bracketing twice adds nothing more.
    UString again = bracketed;
    InsertPrecedenceBrackets(again);
    ASSERT_TRUE(Run(again, got, message) && SameValues(got, want)) << Utf16ToUtf8(again);
  }
}

// Text made of the formula's own characters, in any order and up to several kilobytes, sometimes
// nested deep: every parse ends, with a formula or a message, and nothing crashes.
TEST_F(ColumnFormulaFuzz, HostileTextIsReadOrRefusedWithAMessage) {
  static const char16_t kAlphabet[] = u"0123456789.\u00B7+-*/\u00D7\u00F7()[]\";; CUMSQRTEXPCOLROWx";
  const size_t letters = std::char_traits<char16_t>::length(kAlphabet);
  std::mt19937 rng(37);
  const int rounds = FaultRounds(4) * 150;
  for (int round = 0; round < rounds; ++round) {
    UString text;
    const int kind = static_cast<int>(rng() % 4);
    const size_t length = kind == 0 ? rng() % 12000 : rng() % 300;
    for (size_t i = 0; i < length; ++i) {
      const char16_t c = kAlphabet[rng() % letters];
      // Runs of one opener, sign or CUM, as a damaged file holds them.
      const int run = kind == 1 && rng() % 8 == 0 ? static_cast<int>(rng() % 400) : 1;
      for (int r = 0; r < run; ++r) text += (kind == 1 && c == u'C') ? UString(u"CUM ") : UString(1, c);
    }
    std::vector<double> values, again;
    UString message;
    const bool read = Run(text, values, message);
    if (!read) {
      ASSERT_FALSE(message.empty()) << Utf16ToUtf8(text.substr(0, 80));
    }
    UString bracketed = text;
    InsertPrecedenceBrackets(bracketed);
    if (read) {
      ASSERT_TRUE(Run(bracketed, again, message) && SameValues(again, values)) << Utf16ToUtf8(text);
    }
  }
}

}  // namespace
