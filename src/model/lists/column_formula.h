// Formulas of computed columns: what the calculator page builds and what a computed column holds.
//
// When a formula is parsed and when it is evaluated:
//   The calculator checks the brackets (FormulaBracketBalance) and makes precedence visible
//   (InsertPrecedenceBrackets) while the user is still editing. On OK the formula is parsed once
//   (TColumnFormula::Parse) against the grid's headings: every column reference is resolved to a
//   list column then, and a formula that does not parse or names a missing column adds nothing.
//   The parsed formula is then evaluated over every row at once (Evaluate), column by column, into
//   the new column's values. A formula holding a running total (CUM, COLC) depends on the row
//   order: it is evaluated again, from its text, after each sort (RecomputeCumulativeColumns).
//
// Bounds: a formula longer than kMaxFormulaLength characters, or whose operations sit more than
// kMaxFormulaDepth deep inside one another (brackets, signs, CUM, a long chain of + or *), is
// refused with a message when parsed; so no parsed formula is deeper than that, and parsing,
// evaluating and freeing it never go deeper either. A computed column read back from a damaged
// layout file meets the same refusal.
//
// Syntax: numbers with "." as the decimal point whatever the locale; + - * / × ÷; round or square
// brackets; the functions of FormulaFunctionName: CUM x (running total of x, no bracket needed),
// SQRT(x), EXP(x), SIN(x), COS(x), SQR(x) (x squared); COL("heading") or COL("#n") a column's
// value in the same row, COLC(...) its running total; ROW("heading";n) the column's value in row
// n (from 1) for every row. Names are matched without regard to case.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/ustring.h"

class TVXBaseDataClass;

inline constexpr size_t kMaxFormulaLength = 10000;
inline constexpr int kMaxFormulaDepth = 100;

// maths_functions: 0-5 the standard functions in the calculator's order, 8 the column reference,
// 9 the absolute row reference; "" for the indices in between.
UString FormulaFunctionName(int index);
// The token a double-click inserts (without the surrounding blanks): a standard function (CUM
// alone, the others with their opening bracket), a column (COL or COLC), an absolute row.
UString FunctionToken(int index);
UString ColumnToken(UStringView column_item, bool cumulative);
UString AbsoluteRowToken(UStringView column_item, int row);
// Puts token, with a blank each side, in place of the selection [from, from + length) of text;
// answers the caret after it.
int InsertTokenAt(UString& text, int from, int length, UStringView token);

// "(" and "[" add one, ")" and "]" take one away; quoted text is skipped. 0: balanced.
int FormulaBracketBalance(UStringView formula);
// Brackets the operands of a multiplicative operator that follows an additive one ("3 + 4 * 5"
// becomes "3 +( 4 * 5)"). A number, a quoted text, a bracketed group and a name with its bracketed
// argument are each one operand, and a sign that follows an operator or an opening bracket belongs
// to the operand after it ("1 - 2 * -3" becomes "1 -( 2 * -3)"). Answers whether anything was
// inserted; a formula longer than kMaxFormulaLength is left as it is.
bool InsertPrecedenceBrackets(UString& formula);

class TColumnFormula {
 public:
  TColumnFormula();
  ~TColumnFormula();
  TColumnFormula(TColumnFormula&&) noexcept;
  TColumnFormula& operator=(TColumnFormula&&) noexcept;

  // Resolves a column reference (the heading or "#n" between the quotes) to a list column, or -1.
  using TColumnResolver = std::function<int(UStringView name)>;
  // False with a message naming what is wrong (the place, the unknown name, the missing column).
  bool Parse(UStringView text, const TColumnResolver& resolve, UString& message);
  bool Cumulative() const;
  // The list columns the formula reads.
  std::vector<int> Columns() const;

  // Fills values with the list column's value in each row (index order; NaN for none).
  using TColumnValues = std::function<void(int column, std::vector<double>& values)>;
  // One value per row; NaN where a value is missing. False, with the message, for a division by
  // zero: a constant 0, or the first row whose divisor is 0 (named, from 1).
  bool Evaluate(int rows, const TColumnValues& column_values, std::vector<double>& out, UString& message) const;

 private:
  struct Node;
  std::unique_ptr<Node> root_;
};

// The list's side: references resolve against its grid headings (heading text, or "#n" for the
// column numbered n), values come from its cells.
int ResolveFormulaColumn(const TVXBaseDataClass& list, UStringView name);
void FormulaColumnValues(TVXBaseDataClass& list, int column, std::vector<double>& values);
// Parses and evaluates the formula over the list and adds the computed column with its layout
// record (heading = the formula) at the end of the grid headings; answers its column number, or
// -1 with the message (nothing added).
int AddFormulaColumn(TVXBaseDataClass& list, UStringView formula, UString& message);
// Works out every cumulative computed column again (after a sort); answers how many.
int RecomputeCumulativeColumns(TVXBaseDataClass& list);
// Works out every computed column again, in the order they were added (after the list's rows
// were made anew, which hold no values yet); answers how many. A column whose formula no longer
// parses (a column it names is gone) is left empty.
int RecomputeComputedColumns(TVXBaseDataClass& list);
