#include "model/lists/column_formula.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "model/lists/grid_headings.h"
#include "model/lists/result_list_base.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr char16_t kTimes = u'\u00D7', kDivide = u'\u00F7', kMiddleDot = u'\u00B7';

const char16_t* const kFunctionNames[10] = {u"CUM", u"SQRT", u"EXP", u"SIN", u"COS", u"SQR", u"", u"", u"COL", u"ROW"};

bool IsNameChar(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
bool IsNumberChar(char16_t c) { return (c >= u'0' && c <= u'9') || c == u'.' || c == kMiddleDot; }
bool IsMultiplicative(char16_t c) { return c == u'*' || c == u'/' || c == kTimes || c == kDivide; }
bool IsSign(char16_t c) { return c == u'+' || c == u'-'; }

// Whether a value ends just before i (blanks skipped): a number, a closing bracket or quote. A
// sign that follows anything else (an operator, an opening bracket, CUM, the start) is the sign
// of the operand after it, not an addition or subtraction.
bool OperandEndsBefore(UStringView s, size_t i) {
  while (i > 0 && s[i - 1] == u' ') --i;
  if (i == 0) return false;
  const char16_t c = s[i - 1];
  return IsNumberChar(c) || c == u')' || c == u']' || c == u'"';
}

// Index just past the quoted text starting at i (a '"'), or the text's end when unclosed.
size_t SkipQuoted(UStringView s, size_t i) {
  size_t j = i + 1;
  while (j < s.size() && s[j] != u'"') ++j;
  return j < s.size() ? j + 1 : s.size();
}

// Index just past the bracketed group opening at i, quoted text skipped; the text's end when it
// never closes.
size_t SkipGroup(UStringView s, size_t i) {
  int depth = 0;
  for (size_t j = i; j < s.size(); ++j) {
    const char16_t c = s[j];
    if (c == u'"') {
      j = SkipQuoted(s, j) - 1;
      continue;
    }
    if (c == u'(' || c == u'[') ++depth;
    if (c == u')' || c == u']') {
      if (--depth == 0) return j + 1;
    }
  }
  return s.size();
}

// Index of the opening of the group or quoted text that closes at i, or npos.
size_t GroupStartBefore(UStringView s, size_t i) {
  if (s[i] == u'"') {
    for (size_t j = i; j-- > 0;)
      if (s[j] == u'"') return j;
    return UString::npos;
  }
  int depth = 0;
  bool quoted = false;
  for (size_t j = i + 1; j-- > 0;) {
    const char16_t c = s[j];
    if (c == u'"') quoted = !quoted;
    if (quoted) continue;
    if (c == u')' || c == u']') ++depth;
    if (c == u'(' || c == u'[') {
      if (--depth == 0) return j;
    }
  }
  return UString::npos;
}

}  // namespace

UString FormulaFunctionName(int index) { return index >= 0 && index < 10 ? UString(kFunctionNames[index]) : UString(); }

UString FunctionToken(int index) {
  if (index < 0 || index > 5) return UString();
  return FormulaFunctionName(index) + (index > 0 ? u"(" : u"");
}

UString ColumnToken(UStringView column_item, bool cumulative) {
  return FormulaFunctionName(8) + (cumulative ? u"C" : u"") + u"(\"" + UString(column_item) + u"\")";
}

UString AbsoluteRowToken(UStringView column_item, int row) {
  return FormulaFunctionName(9) + u"(\"" + UString(column_item) + u"\";" + IntToUStr(row) + u")";
}

int InsertTokenAt(UString& text, int from, int length, UStringView token) {
  const size_t at = static_cast<size_t>(std::clamp(from, 0, static_cast<int>(text.size())));
  const size_t len = std::min(static_cast<size_t>(std::max(length, 0)), text.size() - at);
  const UString piece = u" " + UString(token) + u" ";
  text.replace(at, len, piece);
  return static_cast<int>(at + piece.size());
}

int FormulaBracketBalance(UStringView f) {
  int balance = 0;
  for (size_t i = 0; i < f.size(); ++i) {
    const char16_t c = f[i];
    if (c == u'"') {
      i = SkipQuoted(f, i) - 1;
      continue;
    }
    if (c == u'(' || c == u'[') ++balance;
    if (c == u')' || c == u']') --balance;
  }
  return balance;
}

bool InsertPrecedenceBrackets(UString& f) {
  // Too long to be read as a formula: left as it is for the parser to refuse.
  if (f.size() > kMaxFormulaLength) return false;
  bool inserted = false;
  bool after_additive = false;
  size_t i = 0;
  while (i < f.size()) {
    const char16_t c = f[i];
    if (c == u'"') {
      i = SkipQuoted(f, i);
      continue;
    }
    if (IsNameChar(c)) {  // a name, with its bracketed argument when it has one: one operand
      size_t j = i;
      while (j < f.size() && IsNameChar(f[j])) ++j;
      size_t k = j;
      while (k < f.size() && f[k] == u' ') ++k;
      i = (k < f.size() && (f[k] == u'(' || f[k] == u'[')) ? SkipGroup(f, k) : j;
      continue;
    }
    if (IsSign(c) && OperandEndsBefore(f, i)) after_additive = true;
    if (c == u'(' || c == u')' || c == u'[' || c == u']') after_additive = false;
    if (IsMultiplicative(c) && after_additive) {
      after_additive = false;
      // Left: back over the operand (numbers and blanks, a group with the name before it, a
      // quoted text, a name); "(" goes right after the first character that is none of these.
      size_t p = i;  // f[p - 1] is being looked at
      while (p > 0) {
        const char16_t l = f[p - 1];
        if (l == u' ' || IsNumberChar(l) || (IsSign(l) && !OperandEndsBefore(f, p - 1))) {
          --p;
        } else if (l == u')' || l == u']' || l == u'"') {
          const size_t start = GroupStartBefore(f, p - 1);
          if (start == UString::npos) break;
          p = start;
          while (p > 0 && IsNameChar(f[p - 1])) --p;
        } else if (IsNameChar(l)) {
          while (p > 0 && IsNameChar(f[p - 1])) --p;
        } else {
          break;
        }
      }
      f.insert(p, u"(");
      const size_t op = i + 1;
      // Right: over the operands (with their signs) and further multiplicative operators; ")"
      // before the first character that is none of these, or at the end.
      size_t q = op + 1;
      while (q < f.size()) {
        const char16_t r = f[q];
        if (r == u' ' || IsNumberChar(r) || IsMultiplicative(r) || r == u';' || (IsSign(r) && !OperandEndsBefore(f, q))) {
          ++q;
        } else if (r == u'(' || r == u'[') {
          q = SkipGroup(f, q);
        } else if (r == u'"') {
          q = SkipQuoted(f, q);
        } else if (IsNameChar(r)) {
          size_t j = q;
          while (j < f.size() && IsNameChar(f[j])) ++j;
          size_t k = j;
          while (k < f.size() && f[k] == u' ') ++k;
          q = (k < f.size() && (f[k] == u'(' || f[k] == u'[')) ? SkipGroup(f, k) : j;
        } else {
          break;
        }
      }
      f.insert(q, u")");
      inserted = true;
      i = op + 1;
      continue;
    }
    ++i;
  }
  return inserted;
}

// --- parser and evaluator -------------------------------------------------------------------------

struct TColumnFormula::Node {
  enum Kind { kNumber, kColumn, kColumnCum, kRow, kNeg, kAdd, kSub, kMul, kDiv, kCum, kSqrt, kExp, kSin, kCos, kSqr } kind;
  double number = 0;
  int column = -1;
  int row = 0;  // kRow: from 1
  int height = 1;  // the longest way down to a leaf, this node counted
  std::unique_ptr<Node> a, b;
};

namespace {

using TNode = TColumnFormula;

class TParser {
 public:
  TParser(UStringView text, const TColumnFormula::TColumnResolver& resolve) : s_(text), resolve_(resolve) {}
  UString message;

  template <class N>
  std::unique_ptr<N> Whole() {
    auto n = Expr<N>();
    if (!n) return nullptr;
    Blanks();
    if (at_ < s_.size()) return Fail<N>(u"unexpected \"" + UString(1, s_[at_]) + u"\"");
    return n;
  }

 private:
  void Blanks() {
    while (at_ < s_.size() && (s_[at_] == u' ' || s_[at_] == u'\t')) ++at_;
  }
  template <class N>
  std::unique_ptr<N> Fail(const UString& why) {
    if (message.empty()) message = why + u" at character " + IntToUStr(static_cast<int64_t>(at_ + 1));
    return nullptr;
  }
  template <class N>
  std::unique_ptr<N> TooDeep() {
    return Fail<N>(u"the formula is too deep (more than " + IntToUStr(kMaxFormulaDepth) + u" levels)");
  }
  // No node is made above kMaxFormulaDepth: every walk over a parsed tree stays that shallow.
  template <class N>
  std::unique_ptr<N> Make(typename N::Kind k, std::unique_ptr<N> a = nullptr, std::unique_ptr<N> b = nullptr) {
    const int height = 1 + std::max(a ? a->height : 0, b ? b->height : 0);
    if (height > kMaxFormulaDepth) return TooDeep<N>();
    auto n = std::make_unique<N>();
    n->kind = k;
    n->height = height;
    n->a = std::move(a);
    n->b = std::move(b);
    return n;
  }
  template <class N>
  std::unique_ptr<N> Expr() {
    auto left = Term<N>();
    while (left) {
      Blanks();
      if (at_ >= s_.size() || (s_[at_] != u'+' && s_[at_] != u'-')) break;
      const bool add = s_[at_++] == u'+';
      auto right = Term<N>();
      if (!right) return nullptr;
      left = Make<N>(add ? N::kAdd : N::kSub, std::move(left), std::move(right));
    }
    return left;
  }
  template <class N>
  std::unique_ptr<N> Term() {
    auto left = Factor<N>();
    while (left) {
      Blanks();
      if (at_ >= s_.size() || !IsMultiplicative(s_[at_])) break;
      const char16_t op = s_[at_++];
      auto right = Factor<N>();
      if (!right) return nullptr;
      left = Make<N>(op == u'*' || op == kTimes ? N::kMul : N::kDiv, std::move(left), std::move(right));
    }
    return left;
  }
  // Every descent of the parser (a bracket, a function's argument, a sign, CUM) passes here.
  template <class N>
  std::unique_ptr<N> Factor() {
    if (nesting_ >= kMaxFormulaDepth) return TooDeep<N>();
    ++nesting_;
    auto f = SignedPrimary<N>();
    --nesting_;
    return f;
  }
  template <class N>
  std::unique_ptr<N> SignedPrimary() {
    Blanks();
    if (at_ < s_.size() && (s_[at_] == u'-' || s_[at_] == u'+')) {
      const bool neg = s_[at_++] == u'-';
      auto f = Factor<N>();
      if (!f || !neg) return f;
      return Make<N>(N::kNeg, std::move(f));
    }
    return Primary<N>();
  }
  bool Close(char16_t open) {
    Blanks();
    const char16_t want = open == u'[' ? u']' : u')';
    if (at_ < s_.size() && s_[at_] == want) {
      ++at_;
      return true;
    }
    return false;
  }
  bool Quoted(UString& out) {
    Blanks();
    if (at_ >= s_.size() || s_[at_] != u'"') return false;
    const size_t end = SkipQuoted(s_, at_);
    if (end > s_.size() || s_[end - 1] != u'"' || end == at_ + 1) return false;
    out = UString(s_.substr(at_ + 1, end - at_ - 2));
    at_ = end;
    return true;
  }
  template <class N>
  std::unique_ptr<N> Primary() {
    Blanks();
    if (at_ >= s_.size()) return Fail<N>(u"a value is missing");
    const char16_t c = s_[at_];
    if (c == u'(' || c == u'[') {
      ++at_;
      auto e = Expr<N>();
      if (!e) return nullptr;
      if (!Close(c)) return Fail<N>(u"a bracket is not closed");
      return e;
    }
    if (IsNumberChar(c)) {
      std::string a;
      for (; at_ < s_.size() && IsNumberChar(s_[at_]); ++at_) a.push_back(s_[at_] == kMiddleDot ? '.' : static_cast<char>(s_[at_]));
      auto n = Make<N>(N::kNumber);
      const auto [end, ec] = std::from_chars(a.data(), a.data() + a.size(), n->number);
      if (ec != std::errc() || end != a.data() + a.size()) return Fail<N>(u"\"" + Latin1ToUtf16(a) + u"\" is not a number");
      return n;
    }
    if (!IsNameChar(c)) return Fail<N>(u"unexpected \"" + UString(1, c) + u"\"");
    const size_t start = at_;
    while (at_ < s_.size() && IsNameChar(s_[at_])) ++at_;
    const UString name = AsciiUpper(s_.substr(start, at_ - start));
    if (name == u"CUM") {
      auto f = Factor<N>();
      if (!f) return nullptr;
      return Make<N>(N::kCum, std::move(f));
    }
    Blanks();
    if (at_ >= s_.size() || (s_[at_] != u'(' && s_[at_] != u'[')) return Fail<N>(u"\"" + name + u"\" needs a bracket");
    const char16_t open = s_[at_++];
    if (name == u"COL" || name == u"COLC" || name == u"ROW") {
      UString item;
      if (!Quoted(item)) return Fail<N>(u"a column name in quotes is missing");
      auto n = Make<N>(name == u"COL" ? N::kColumn : name == u"COLC" ? N::kColumnCum : N::kRow);
      n->column = resolve_ ? resolve_(item) : -1;
      if (n->column < 0) {
        if (message.empty()) message = u"no column \"" + item + u"\"";
        return nullptr;
      }
      if (name == u"ROW") {
        Blanks();
        if (at_ >= s_.size() || s_[at_] != u';') return Fail<N>(u"a row number is missing");
        ++at_;
        Blanks();
        size_t d = at_;
        int64_t row = 0;
        while (d < s_.size() && s_[d] >= u'0' && s_[d] <= u'9' && row < 100000000) row = row * 10 + (s_[d++] - u'0');
        if (d == at_ || row < 1) return Fail<N>(u"a row number is missing");
        at_ = d;
        n->row = static_cast<int>(row);
      }
      if (!Close(open)) return Fail<N>(u"a bracket is not closed");
      return n;
    }
    typename N::Kind k;
    if (name == u"SQRT") k = N::kSqrt;
    else if (name == u"EXP") k = N::kExp;
    else if (name == u"SIN") k = N::kSin;
    else if (name == u"COS") k = N::kCos;
    else if (name == u"SQR") k = N::kSqr;
    else return Fail<N>(u"no function \"" + name + u"\"");
    auto e = Expr<N>();
    if (!e) return nullptr;
    if (!Close(open)) return Fail<N>(u"a bracket is not closed");
    return Make<N>(k, std::move(e));
  }

  UStringView s_;
  const TColumnFormula::TColumnResolver& resolve_;
  size_t at_ = 0;
  int nesting_ = 0;
};

}  // namespace

TColumnFormula::TColumnFormula() = default;
TColumnFormula::~TColumnFormula() = default;
TColumnFormula::TColumnFormula(TColumnFormula&&) noexcept = default;
TColumnFormula& TColumnFormula::operator=(TColumnFormula&&) noexcept = default;

bool TColumnFormula::Parse(UStringView text, const TColumnResolver& resolve, UString& message) {
  root_.reset();
  if (TrimU(text).empty()) {
    message = u"the formula is empty";
    return false;
  }
  if (text.size() > kMaxFormulaLength) {
    message = u"the formula is too long (more than " + IntToUStr(static_cast<int64_t>(kMaxFormulaLength)) + u" characters)";
    return false;
  }
  TParser p(text, resolve);
  root_ = p.Whole<Node>();
  if (!root_) message = p.message.empty() ? UString(u"the formula cannot be read") : p.message;
  return root_ != nullptr;
}

namespace {

template <class N>
void Walk(const N* n, const std::function<void(const N&)>& f) {
  if (!n) return;
  f(*n);
  Walk(n->a.get(), f);
  Walk(n->b.get(), f);
}

}  // namespace

bool TColumnFormula::Cumulative() const {
  bool cum = false;
  Walk<Node>(root_.get(), [&](const Node& n) { cum = cum || n.kind == Node::kCum || n.kind == Node::kColumnCum; });
  return cum;
}

std::vector<int> TColumnFormula::Columns() const {
  std::vector<int> out;
  Walk<Node>(root_.get(), [&](const Node& n) {
    if (n.column >= 0 && std::find(out.begin(), out.end(), n.column) == out.end()) out.push_back(n.column);
  });
  return out;
}

namespace {

struct TEvaluation {
  int rows;
  const TColumnFormula::TColumnValues& values;
  UString message;
};

void RunningTotal(std::vector<double>& v) {
  double sum = 0;
  for (double& x : v) {
    if (!std::isnan(x)) sum += x;
    x = sum;
  }
}

template <class N>
bool Eval(const N& n, TEvaluation& ev, std::vector<double>& out) {
  const size_t rows = static_cast<size_t>(ev.rows);
  switch (n.kind) {
    case N::kNumber: out.assign(rows, n.number); return true;
    case N::kColumn:
    case N::kColumnCum:
      out.clear();
      ev.values(n.column, out);
      out.resize(rows, kNaN);
      if (n.kind == N::kColumnCum) RunningTotal(out);
      return true;
    case N::kRow: {
      std::vector<double> col;
      ev.values(n.column, col);
      const double v = static_cast<size_t>(n.row) <= col.size() ? col[static_cast<size_t>(n.row) - 1] : kNaN;
      out.assign(rows, v);
      return true;
    }
    default: break;
  }
  if (!Eval(*n.a, ev, out)) return false;
  if (n.b) {
    std::vector<double> right;
    if (!Eval(*n.b, ev, right)) return false;
    if (n.kind == N::kDiv) {
      if (n.b->kind == N::kNumber && n.b->number == 0) {
        ev.message = u"divides by zero";
        return false;
      }
      for (size_t r = 0; r < rows; ++r)
        if (right[r] == 0) {
          ev.message = u"divides by zero in row " + IntToUStr(static_cast<int64_t>(r + 1));
          return false;
        }
    }
    double* o = out.data();
    const double* b = right.data();
    switch (n.kind) {
      case N::kAdd: for (size_t r = 0; r < rows; ++r) o[r] += b[r]; break;
      case N::kSub: for (size_t r = 0; r < rows; ++r) o[r] -= b[r]; break;
      case N::kMul: for (size_t r = 0; r < rows; ++r) o[r] *= b[r]; break;
      case N::kDiv: for (size_t r = 0; r < rows; ++r) o[r] /= b[r]; break;
      default: break;
    }
    return true;
  }
  double* o = out.data();
  switch (n.kind) {
    case N::kNeg: for (size_t r = 0; r < rows; ++r) o[r] = -o[r]; break;
    case N::kCum: RunningTotal(out); break;
    case N::kSqrt: for (size_t r = 0; r < rows; ++r) o[r] = o[r] < 0 ? kNaN : std::sqrt(o[r]); break;
    case N::kExp: for (size_t r = 0; r < rows; ++r) o[r] = std::exp(o[r]); break;
    case N::kSin: for (size_t r = 0; r < rows; ++r) o[r] = std::sin(o[r]); break;
    case N::kCos: for (size_t r = 0; r < rows; ++r) o[r] = std::cos(o[r]); break;
    case N::kSqr: for (size_t r = 0; r < rows; ++r) o[r] = o[r] * o[r]; break;
    default: break;
  }
  return true;
}

}  // namespace

bool TColumnFormula::Evaluate(int rows, const TColumnValues& column_values, std::vector<double>& out,
                              UString& message) const {
  out.clear();
  if (!root_ || rows < 0) {
    message = u"the formula was not read";
    return false;
  }
  TEvaluation ev{rows, column_values, {}};
  if (!Eval(*root_, ev, out)) {
    message = ev.message;
    out.clear();
    return false;
  }
  for (double& v : out)
    if (!std::isfinite(v)) v = kNaN;
  return true;
}

// --- the list's side ------------------------------------------------------------------------------

int ResolveFormulaColumn(const TVXBaseDataClass& list, UStringView name) {
  const UString wanted = UpperCaseU(TrimU(name));
  if (wanted.size() > 1 && wanted[0] == u'#') {
    int64_t n = 0;
    for (size_t i = 1; i < wanted.size(); ++i) {
      if (wanted[i] < u'0' || wanted[i] > u'9' || n > 1000000) return -1;
      n = n * 10 + (wanted[i] - u'0');
    }
    for (const TGrid_head32& h : list.grid_headings)
      if (h.column_number == n && h.numeric) return static_cast<int>(n);
    return -1;
  }
  for (const TGrid_head32& h : list.grid_headings)
    if (h.numeric && !h.IsComputed() && UpperCaseU(TrimU(h.heading)) == wanted) return h.column_number;
  return -1;
}

void FormulaColumnValues(TVXBaseDataClass& list, int column, std::vector<double>& values) {
  const int n = list.Count();
  values.assign(static_cast<size_t>(n), kNaN);
  if (TVXBaseDataClass::IsAddedColumnNumber(column)) {
    for (int i = 0; i < n; ++i) values[static_cast<size_t>(i)] = list.AddedCellValue(column, i);
    return;
  }
  TGrid_data_rec cell;
  for (int i = 0; i < n; ++i) {
    list.DrawgridDataRec(column, i + 1, cell, 0);
    if (cell.has_number && std::isfinite(cell.number.value) && cell.number.value != kMissingValue)
      values[static_cast<size_t>(i)] = cell.number.value;
  }
}

int AddFormulaColumn(TVXBaseDataClass& list, UStringView formula, UString& message) {
  EnsureGridHeadings(list);
  TColumnFormula f;
  if (!f.Parse(formula, [&](UStringView name) { return ResolveFormulaColumn(list, name); }, message)) return -1;
  std::vector<double> values;
  if (!f.Evaluate(list.Count(), [&](int c, std::vector<double>& v) { FormulaColumnValues(list, c, v); }, values,
                  message))
    return -1;
  const int column = list.AddComputedColumn(TrimU(formula), values, f.Cumulative());
  TGrid_head32 h;
  h.column_number = static_cast<int16_t>(column);
  h.heading = TrimU(formula);
  h.numeric = true;
  h.added = 1;
  h.alignment = kAlignRight;
  h.decimals = 2;
  h.width = 100;
  list.grid_headings.push_back(std::move(h));
  list.NoteChange();
  return column;
}

namespace {

int RecomputeColumnsWhere(TVXBaseDataClass& list, bool cumulative_only) {
  int done = 0;
  std::vector<std::pair<int, UString>> wanted;
  for (const auto& c : list.AddedColumns())
    if (!c.set_column && (c.cumulative || !cumulative_only)) wanted.emplace_back(c.column_number, c.formula);
  for (const auto& [column, text] : wanted) {
    TColumnFormula f;
    UString message;
    std::vector<double> values;
    if (!f.Parse(text, [&](UStringView name) { return ResolveFormulaColumn(list, name); }, message)) continue;
    if (!f.Evaluate(list.Count(), [&](int c, std::vector<double>& v) { FormulaColumnValues(list, c, v); }, values,
                    message))
      continue;
    list.SetComputedValues(column, values);
    ++done;
  }
  return done;
}

}  // namespace

int RecomputeCumulativeColumns(TVXBaseDataClass& list) { return RecomputeColumnsWhere(list, true); }

int RecomputeComputedColumns(TVXBaseDataClass& list) { return RecomputeColumnsWhere(list, false); }
