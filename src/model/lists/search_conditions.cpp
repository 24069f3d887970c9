#include "model/lists/search_conditions.h"

#include <algorithm>
#include <cmath>

#include "model/lists/grid_headings.h"
#include "model/lists/result_list_base.h"
#include "platform/runtime/vx_resources.h"
#include "platform/search/search_engine.h"
#include "platform/search/search_items.h"
#include "platform/text/text_services.h"

namespace {

// The seek-kind table (docs/conditions.md): caption for text columns, caption for number columns.
struct TSeekRow {
  const char16_t* text;
  const char16_t* number;
};
constexpr TSeekRow kSeekTable[kSeekKindCount] = {
    {u"(choose a condition)", u"(choose a condition)"},
    {u"is exactly !X !C", u"= !X !C"},
    {u"contains the word !X", nullptr},
    {u"begins with !X", nullptr},
    {u"lies alphabetically between !X and !Y", u"lies between !X and !Y"},
    {u"comes alphabetically after !X !C", u"> !X !C"},
    {u"comes alphabetically before !X !C", u"< !X !C"},
    {u"ends with !X", nullptr},
    {u"holds !X within 99999 words of !W", nullptr},
    {u"holds !X within 99999 words before !W", nullptr},
    {u"holds !X within 99999 words after !W", nullptr},
    {u"holds !X without !W within 99999 words", nullptr},
    {u"holds !X without !W within 99999 words before it", nullptr},
    {u"holds !X without !W within 99999 words after it", nullptr},
    {u"is longer than !X characters", nullptr},
    {u"is shorter than !X characters", nullptr},
    {u"holds !X anywhere, also inside a word", nullptr},
    {u"is empty", u"is empty"},
    {u"is not empty", u"is not empty"},
    {u"is a deleted row", u"is a deleted row"},
    {u"is a marked row", u"is a marked row"},
    {u"has joined entries", u"has joined entries"},
    {u"is joined to another entry", u"is joined to another entry"},
};

void ReplaceAll(UString& s, UStringView from, UStringView to) {
  for (size_t at = s.find(from); at != UString::npos; at = s.find(from, at + to.size())) s.replace(at, from.size(), to);
}

UString Quoted(UStringView s) { return u"'" + UString(s) + u"'"; }

bool ReadNumber(UStringView text, float& value) {
  double v = 0;
  if (!ParseDecimalNumber(text, v)) return false;
  value = static_cast<float>(v);
  return true;
}

// Words of a text as (start, length), by the character kinds: letters, digits and apostrophes
// inside a word.
std::vector<std::pair<size_t, size_t>> WordsOf(UStringView s) {
  std::vector<std::pair<size_t, size_t>> out;
  size_t i = 0;
  auto in_word = [&](size_t k) {
    const uint16_t kind = CharKindOf(s[k]);
    return (kind & (C1_ALPHA | C1_DIGIT)) != 0 || ((s[k] == u'\'' || s[k] == u'-') && k > 0 && k + 1 < s.size() &&
                                                    (CharKindOf(s[k + 1]) & (C1_ALPHA | C1_DIGIT)) != 0);
  };
  while (i < s.size()) {
    while (i < s.size() && !in_word(i)) ++i;
    const size_t start = i;
    while (i < s.size() && in_word(i)) ++i;
    if (i > start) out.emplace_back(start, i - start);
  }
  return out;
}

}  // namespace

TSeekInputs InputsOfSeekKind(uint8_t s) {
  TSeekInputs in;
  in.x = s > 0 && s < 17;
  in.y = s == kSeekBetween;
  in.other_column = s == kSeekEquals || s == kSeekGreater || s == kSeekLess;
  in.second_word = s >= kSeekNear && s <= kSeekNotNearRight;
  return in;
}

UString ConditionDropdownOption(uint8_t seek, uint8_t data_type) {
  if (seek >= kSeekKindCount) return UString();
  const char16_t* c = data_type == kDataNumber ? kSeekTable[seek].number : kSeekTable[seek].text;
  return c ? UString(c) : UString();
}

UString ConditionCaption(uint8_t seek, uint8_t data_type, int32_t n_words) {
  UString c = ConditionDropdownOption(seek, data_type);
  ReplaceAll(c, u"!C", u"");
  ReplaceAll(c, u"99999", IntToUStr(n_words));
  ReplaceAll(c, u"!W", u"W");
  ReplaceAll(c, u"!X", u"X");
  ReplaceAll(c, u"!Y", u"Y");
  UString out;
  for (char16_t ch : TrimU(c))
    if (!(ch == u' ' && !out.empty() && out.back() == u' ')) out += ch;
  return out;
}

std::vector<uint8_t> SeekKindsOffered(uint8_t data_type) {
  std::vector<uint8_t> out;
  for (uint8_t s = 0; s < kSeekKindCount; ++s)
    if (!ConditionDropdownOption(s, data_type).empty()) out.push_back(s);
  return out;
}

UString SearchRequirementToText(const TSearchRequirement& r) {
  if (r.seek == kSeekNone || r.seek >= kSeekKindCount) return UString();
  UString c = ConditionDropdownOption(r.seek, r.data_type);
  if (c.empty()) c = ConditionDropdownOption(r.seek, kDataText);
  const bool other = r.use_other_column && InputsOfSeekKind(r.seek).other_column;
  ReplaceAll(c, u"!X", other ? UString(u"column ") + Quoted(r.other_column_name) : Quoted(r.text1));
  ReplaceAll(c, u"!C", u"");
  ReplaceAll(c, u"!Y", Quoted(r.text2));
  ReplaceAll(c, u"!W", Quoted(r.second_word));
  ReplaceAll(c, u"99999", IntToUStr(r.n_words));
  UString out = Quoted(r.column_name) + (r.opposite ? u" does not satisfy: " : u" ") + TrimU(c);
  return out;
}

bool IdenticalSearchRequirements(const TSearchRequirement& a, const TSearchRequirement& b) {
  const TSeekInputs in = InputsOfSeekKind(a.seek);
  return a.data_column == b.data_column && a.seek == b.seek && a.opposite == b.opposite &&
         (!in.x || a.text1 == b.text1) && (!in.y || a.text2 == b.text2) &&
         (!in.second_word || (a.second_word == b.second_word && a.n_words == b.n_words)) &&
         a.use_other_column == b.use_other_column && (!a.use_other_column || a.other_column == b.other_column);
}

UString ConditionLine(const TDoubleSearchCategoryRec& rec, uint8_t current_order) {
  if (current_order == 0 || !rec.req[1].valid) return VXResFmt(TVXRes::VXIfX, {rec.text_version[0]});
  switch (rec.link) {
    case kLinkOr: return VXResFmt(TVXRes::VXIfXOrY, {rec.text_version[0], rec.text_version[1]});
    case kLinkButNot: return VXResFmt(TVXRes::VXIfXButNotY, {rec.text_version[0], rec.text_version[1]});
    default: return VXResFmt(TVXRes::VXIfXAndY, {rec.text_version[0], rec.text_version[1]});
  }
}

uint8_t FlagsFromSW(UStringView typed, UString& text) {
  UString t = TrimU(typed);
  uint8_t flags = 0;
  if (t.size() >= 4 && StartsWithU(t, u"==") && EndsWithU(t, u"==")) {
    flags |= kSWFlagCaseSensitive;
    t = t.substr(2, t.size() - 4);
  }
  if (!t.empty() && t.front() == u'*') flags |= kSWFlagLeadingWildcard;
  if (!t.empty() && t.back() == u'*') flags |= kSWFlagTrailingWildcard;
  text = std::move(t);
  return flags;
}

void PrepareRequirement(TSearchRequirement& r) {
  auto prepare = [](const UString& typed, uint8_t& flags, UString& prepared, bool& has_number, float& number) {
    flags = FlagsFromSW(typed, prepared);
    if (!(flags & kSWFlagCaseSensitive)) prepared = UpperCaseU(prepared);
    has_number = ReadNumber(typed, number);
  };
  bool unused_has = false;
  float unused = 0;
  prepare(r.text1, r.flags[0], r.prepared1, r.has_number1, r.number1);
  r.prepared2.clear();
  r.has_number2 = false;
  if (r.seek == kSeekBetween) prepare(r.text2, r.flags[1], r.prepared2, r.has_number2, r.number2);
  r.prepared_word.clear();
  // Every proximity kind needs its second word, the negative ones as much as the others.
  if (InputsOfSeekKind(r.seek).second_word) prepare(r.second_word, r.flags[2], r.prepared_word, unused_has, unused);
  r.hits = 0;
  r.hit_row = -1;
}

UString RequirementInputProblem(const TSearchRequirement& r) {
  if (r.seek == kSeekNone || r.seek >= kSeekKindCount) return UString();
  const TSeekInputs in = InputsOfSeekKind(r.seek);
  const bool other = r.use_other_column && in.other_column;
  const bool numeric = r.data_type == kDataNumber;
  const UString column = Quoted(r.column_name);
  auto check = [&](const char16_t* field, const UString& typed, bool number, bool whole) -> UString {
    const UString t = TrimU(typed);
    if (t.empty()) return UString(field) + u" is empty: the condition on the column " + column + u" needs it.";
    if (!number) return UString();
    double v = 0;
    if (!ParseDecimalNumber(t, v) || !std::isfinite(v))
      return UString(field) + u": " + Quoted(t) + (whole ? u" is not a whole number of characters." : u" is not a number, and the column " + column + u" holds numbers.");
    if (whole && (v < 0 || v != std::floor(v))) return UString(field) + u": " + Quoted(t) + u" is not a whole number of characters.";
    return UString();
  };
  const bool length = r.seek == kSeekLongerThan || r.seek == kSeekShorterThan;
  UString why;
  if (in.x && !other) why = check(u"X", r.text1, numeric || length, length);
  if (why.empty() && in.y) why = check(u"Y", r.text2, numeric, false);
  if (why.empty() && in.second_word) why = check(u"W", r.second_word, false, false);
  return why;
}

UString RequirementColumnProblem(const TVXBaseDataClass& list, const TSearchRequirement& r) {
  auto exists = [&](int c) {
    if (TVXBaseDataClass::IsAddedColumnNumber(c)) return list.AddedColumn(c) != nullptr;
    if (c < 0 || c >= list.HeadingCount()) return false;
    // The heading of the column must still be the one the requirement was made on.
    const UString now = GetDatum(list.grid_headings, c);
    return now.empty() || r.column_name.empty() || c != r.data_column || now == r.column_name;
  };
  if (!exists(r.data_column)) return u"the column " + Quoted(r.column_name) + u" is no longer in the list";
  if (r.use_other_column && InputsOfSeekKind(r.seek).other_column && !exists(r.other_column))
    return u"the column " + Quoted(r.other_column_name) + u" is no longer in the list";
  return UString();
}

bool WildcardMatch(UStringView text, UStringView mask) {
  size_t t = 0, m = 0, star = UString::npos, mark = 0;
  while (t < text.size()) {
    // The mask's "*" is always wild, even where the text holds a "*" too.
    if (m < mask.size() && mask[m] == u'*') {
      star = m++;
      mark = t;
    } else if (m < mask.size() && (mask[m] == u'?' || mask[m] == text[t])) {
      ++t;
      ++m;
    } else if (star != UString::npos) {
      m = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == u'*') ++m;
  return m == mask.size();
}

// --- the row test ---------------------------------------------------------------------------------

namespace {

struct TRowTester {
  TVXBaseDataClass& list;
  TGrid_data_rec cell;
  TSearchAndDoEngine engine{true, true, TSearchTextOptions()};

  void Cell(int column, int index) { list.AnyColumnDataRec(column, index + 1, cell, 0); }
  UString buffer;
  // Items of "contains", made once per requirement.
  std::vector<std::pair<const TSearchRequirement*, TSearch_word_format_rec>> items;
  const TSearch_word_format_rec& ItemOf(const TSearchRequirement& r) {
    for (const auto& [req, item] : items)
      if (req == &r) return item;
    items.emplace_back(&r, TBaseSearchItems::MakeItem(r.text1));
    return items.back().second;
  }
  UString Text(uint8_t flags) {
    UString t = cell.has_text ? RelevantAffixesOfStringData(cell) : UString();
    if (!cell.has_text && cell.has_number && std::isfinite(cell.number.value)) {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%g", static_cast<double>(cell.number.value));
      t = Latin1ToUtf16(buf);
    }
    return (flags & kSWFlagCaseSensitive) ? t : UpperCaseU(t);
  }
  bool Number(float& v) {
    if (cell.has_number && std::isfinite(cell.number.value) && cell.number.value != kMissingValue) {
      v = cell.number.value;
      return true;
    }
    return cell.has_text && ReadNumber(RelevantAffixesOfStringData(cell), v);
  }

  // Does word w of words match the mask m (already cased as the text)?
  static int FirstMatching(const UString& text, const std::vector<std::pair<size_t, size_t>>& words, const UString& m,
                           std::vector<int>& all) {
    all.clear();
    for (size_t k = 0; k < words.size(); ++k)
      if (WildcardMatch(UStringView(text).substr(words[k].first, words[k].second), m)) all.push_back(static_cast<int>(k));
    return all.empty() ? -1 : all.front();
  }

  bool Proximity(const TSearchRequirement& r, const UString& text) {
    const auto words = WordsOf(text);
    std::vector<int> xs, ws;
    FirstMatching(text, words, r.prepared1, xs);
    FirstMatching(text, words, r.prepared_word, ws);
    const int n = std::max(0, r.n_words);
    auto near = [&](int x, bool left, bool right) {
      for (int w : ws) {
        const int d = w - x;  // > 0: W after X (X to its left)
        if (d == 0) continue;
        if (d > 0 && d <= n && left) return true;
        if (d < 0 && -d <= n && right) return true;
      }
      return false;
    };
    for (int x : xs) {
      switch (r.seek) {
        case kSeekNear: if (near(x, true, true)) return true; break;
        case kSeekNearLeft: if (near(x, true, false)) return true; break;
        case kSeekNearRight: if (near(x, false, true)) return true; break;
        case kSeekNotNear: if (!near(x, true, true)) return true; break;
        case kSeekNotNearLeft: if (!near(x, false, true)) return true; break;
        case kSeekNotNearRight: if (!near(x, true, false)) return true; break;
        default: break;
      }
    }
    return false;
  }

  bool Meets(const TSearchRequirement& r, int index) {
    bool yes = MeetsPlain(r, index);
    return r.opposite ? !yes : yes;
  }

  bool MeetsPlain(const TSearchRequirement& r, int index) {
    switch (r.seek) {
      case kSeekDeleted: return list.GetDeleted(index);
      case kSeekMarked: return list.GetMatched(index);
      case kSeekHasJoined: return list.GetHasJoined(index);
      case kSeekJoinedElsewhere: return list.GetJoinedElsewhere(index);
      default: break;
    }
    if (r.seek == kSeekContains && !(r.use_other_column && InputsOfSeekKind(r.seek).other_column) &&
        r.data_type != kDataNumber) {
      // The engine's word rules, its own case rule: the text as it is.
      list.CellTextForSearch(r.data_column, index, cell, buffer);
      if (!TextMayHoldItem(buffer, r.text1)) return false;
      buffer += u' ';
      return engine.QuickSearchFoundIgnoringTags(buffer, ItemOf(r));
    }
    Cell(r.data_column, index);
    const bool numeric = r.data_type == kDataNumber;
    if (r.seek == kSeekEmpty || r.seek == kSeekNotEmpty) {
      const bool empty = cell.has_text ? RelevantAffixesOfStringData(cell).empty()
                                       : !(cell.has_number && std::isfinite(cell.number.value) && cell.number.value != kMissingValue);
      return (r.seek == kSeekEmpty) == empty;
    }
    const bool other = r.use_other_column && InputsOfSeekKind(r.seek).other_column;
    if (numeric) {
      float v = 0, x = r.number1;
      if (!Number(v)) return false;
      if (other) {
        Cell(r.other_column, index);
        if (!Number(x)) return false;
      } else if (!r.has_number1) {
        return false;
      }
      switch (r.seek) {
        case kSeekEquals: return v == x;
        case kSeekGreater: return v > x;
        case kSeekLess: return v < x;
        case kSeekBetween: return r.has_number2 && v >= std::min(x, r.number2) && v <= std::max(x, r.number2);
        default: return false;
      }
    }
    const UString text = Text(r.flags[0]);
    UString x = r.prepared1;
    if (other) {
      Cell(r.other_column, index);
      x = Text(r.flags[0]);
    }
    switch (r.seek) {
      case kSeekEquals: return other ? text == x : WildcardMatch(text, x);
      case kSeekContains: {
        // Against another column's text: its text as the word to find.
        UString b = text;
        b += u' ';
        return engine.QuickSearchFoundIgnoringTags(b, x, 0);
      }
      case kSeekBeginsWith: return StartsWithU(text, x) || WildcardMatch(text, x + u"*");
      case kSeekEndsWith: return EndsWithU(text, x) || WildcardMatch(text, u"*" + x);
      case kSeekBetween: {
        const UString lo = std::min(x, r.prepared2), hi = std::max(x, r.prepared2);
        return text >= lo && text <= hi;
      }
      case kSeekGreater: return text > x;
      case kSeekLess: return text < x;
      case kSeekLongerThan: return r.has_number1 && static_cast<float>(text.size()) > r.number1;
      case kSeekShorterThan: return r.has_number1 && static_cast<float>(text.size()) < r.number1;
      case kSeekHoldsPart: return !x.empty() && text.find(x) != UString::npos;
      default: return Proximity(r, text);
    }
  }

  bool Meets(const TDoubleSearchCategoryRec& rec, int index) {
    const bool a = Meets(rec.req[0], index);
    if (!rec.req[1].valid) return a;
    switch (rec.link) {
      case kLinkOr: return a || Meets(rec.req[1], index);
      case kLinkButNot: return a && !Meets(rec.req[1], index);
      default: return a && Meets(rec.req[1], index);
    }
  }
};

}  // namespace

bool TVXBaseDataClass::RowMeetsCondition(int index, const TDoubleSearchCategoryRec& rec) {
  TRowTester tester{*this, {}};
  return tester.Meets(rec, index);
}

TConditionOutcome TVXBaseDataClass::CheckAllForCondition(std::vector<TDoubleSearchCategoryRec>& records, int start_row,
                                                         int action_tag, bool find_next, bool search_up,
                                                         const std::function<bool()>& stop) {
  TConditionOutcome out;
  if (records.empty()) return out;
  for (const TDoubleSearchCategoryRec& rec : records)
    for (int k = 0; k < 2; ++k) {
      if (k == 1 && !rec.req[1].valid) continue;
      out.problem = RequirementColumnProblem(*this, rec.req[k]);
      if (!out.problem.empty()) return out;
    }
  if (busy_ != kBusyNone) {
    out.problem = u"the list is busy";
    return out;
  }
  TRowTester tester{*this, {}};
  const int n = Count();
  if (find_next) {
    const TDoubleSearchCategoryRec& rec = records.front();
    for (int i = start_row; i >= 0 && i < n; i += search_up ? -1 : 1) {
      if ((i & 1023) == 0 && stop && stop()) break;
      if (tester.Meets(rec, i)) {
        out.hits = 1;
        out.hit_row = i;
        records.front().req[0].hit_row = i;
        break;
      }
    }
    return out;
  }
  std::vector<int32_t> to_delete;
  std::vector<uint32_t> colours;
  if (action_tag == 194) colours.assign(static_cast<size_t>(n), kNoColourCategory);
  for (int i = std::max(0, start_row); i < n; ++i) {
    if ((i & 1023) == 0 && stop && stop()) break;
    for (TDoubleSearchCategoryRec& rec : records) {
      if (!tester.Meets(rec, i)) continue;
      ++rec.req[0].hits;
      if (rec.req[0].hit_row < 0) rec.req[0].hit_row = i;
      if (out.hit_row < 0) out.hit_row = i;
      ++out.hits;
      out.rows.push_back(i);
      if (action_tag == 85) to_delete.push_back(i);
      // A row takes the colour of the first search it meets.
      if (action_tag == 194) colours[static_cast<size_t>(i)] = rec.req[0].colour;
      break;
    }
  }
  if (action_tag == 85 && !to_delete.empty()) DeleteARange(to_delete, true, true);
  if (action_tag == 194)
    for (int i = 0; i < n; ++i)
      if (colours[static_cast<size_t>(i)] != kNoColourCategory) SetColourCategory(i, colours[static_cast<size_t>(i)]);
  return out;
}

bool TextMayHoldItem(UStringView text, UStringView item) {
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
  auto alnum = [](char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
  // The item's longest run of letters and digits; anything else in it (alternatives, phrases, case
  // marks, mark-up) and the engine decides.
  size_t best = 0, best_len = 0;
  for (size_t i = 0; i < item.size();) {
    const char16_t c = item[i];
    if (c == u'*' || c == u'?') {
      ++i;
      continue;
    }
    if (!alnum(c)) return true;
    size_t j = i;
    while (j < item.size() && alnum(item[j])) ++j;
    if (j - i > best_len) {
      best = i;
      best_len = j - i;
    }
    i = j;
  }
  if (best_len == 0) return true;
  for (char16_t c : text) {
    if (alnum(c) || c == u' ') continue;
    switch (c) {
      case u'.': case u',': case u';': case u':': case u'!': case u'?': case u'\'': case u'"': case u'-':
      case u'(': case u')':
        continue;
      default: return true;
    }
  }
  const UStringView literal = item.substr(best, best_len);
  if (text.size() < literal.size()) return false;
  for (size_t at = 0; at + literal.size() <= text.size(); ++at) {
    size_t k = 0;
    while (k < literal.size() && lower(text[at + k]) == lower(literal[k])) ++k;
    if (k == literal.size()) return true;
  }
  return false;
}
