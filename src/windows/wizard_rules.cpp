#include "windows/wizard_rules.h"

#include <fstream>
#include <iterator>

#include "platform/rtl/files.h"

// --- spans ---------------------------------------------------------------------------------------

UString ConcordanceSpanStr(int span_type) {
  if (span_type == 50) return u"search word";
  if (span_type < 50) return IntToUStr(50 - span_type) + u"L";
  return IntToUStr(span_type - 50) + u"R";
}

std::vector<UString> LeftSpanCaptions() {
  std::vector<UString> out;
  for (int t = 50; t >= 20; --t) out.push_back(ConcordanceSpanStr(t));
  return out;
}

std::vector<UString> RightSpanCaptions() {
  std::vector<UString> out;
  for (int t = 50; t <= 80; ++t) out.push_back(ConcordanceSpanStr(t));
  return out;
}

std::vector<TExactSpanEntry> ExactSpanEntries() {
  std::vector<TExactSpanEntry> out;
  for (int t = 20; t <= 80; ++t)
    if (t != 50) out.push_back({t, 550 - t});
  return out;
}

int ExactListStartIndex() { return static_cast<int>(ExactSpanEntries().size()) / 2; }

int ExactListIndexOfPosition(int position) {
  const std::vector<TExactSpanEntry> entries = ExactSpanEntries();
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i].Position() == position) return static_cast<int>(i);
  return -1;
}

void ApplyExactPosition(TConcSettingsRec32& rec, int position) {
  rec.SetExactContextPosition(position);
  if (position >= 1) {
    rec.SetContextHorizonLeft(0);
    rec.SetContextHorizonRight(static_cast<int16_t>(position));
  } else if (position < 0) {
    rec.SetContextHorizonLeft(static_cast<int16_t>(-position));
    rec.SetContextHorizonRight(0);
  }
}

void ClearExactPosition(TConcSettingsRec32& rec) { rec.SetExactContextPosition(0); }

// --- chosen items --------------------------------------------------------------------------------

UString ContextItemLine(UStringView word, bool exact, UStringView exact_caption, int left, int right) {
  UString s(word);
  s += u" ";
  if (exact) return s + UString(exact_caption);
  return s + ConcordanceSpanStr(50 - left) + u"/" + ConcordanceSpanStr(50 + right);
}

UString ExclusionItemLine(UStringView word) { return u"(" + UString(word) + u")"; }

std::vector<UString> ChosenItemsLines(const TBaseSearchItems& search, const TBaseSearchItems& context,
                                      const TBaseSearchItems& exclusion, bool exact, UStringView exact_caption,
                                      int left, int right) {
  std::vector<UString> out;
  for (int i = 0; i < search.Count(); ++i) {
    const TSearch_word_format_rec* r = search.GetPtr(i);
    UString s = r->sw;
    if (!r->attached_text.empty()) s += u" " + r->attached_text;
    out.push_back(s);
  }
  for (int i = 0; i < context.Count(); ++i)
    out.push_back(ContextItemLine(context.GetPtr(i)->sw, exact, exact_caption, left, right));
  if (exclusion.Count() > 0) {
    out.push_back(u"Excluding:");
    for (int i = 0; i < exclusion.Count(); ++i) out.push_back(ExclusionItemLine(exclusion.GetPtr(i)->sw));
  }
  return out;
}

// --- the run request -----------------------------------------------------------------------------

TRunRequestMessage RunRequestFor(TRunChoice choice) {
  TRunRequestMessage m;
  switch (choice) {
    case TRunChoice::kOne: m.wparam = 0; break;
    case TRunChoice::kTextBatch: m.wparam = 1; break;
    case TRunChoice::kSearchWordBatch:
      m.wparam = 1;
      m.sw_batch = true;
      break;
  }
  return m;
}

// --- history -------------------------------------------------------------------------------------

UString HistoryFileName(int index) {
  switch (index) {
    case 0: return u"recent_search_words.txt";
    case 1: return u"recent_context_words.txt";
    case 2: return u"recent_exclusion_words.txt";
    default: return u"";
  }
}

void AddTypedToHistory(std::vector<UString>& items, UStringView typed) {
  const UString t = TrimU(typed);
  if (t.empty()) return;
  for (const UString& s : items)
    if (s == t) return;
  items.insert(items.begin(), t);
}

bool SaveHistoryFile(UStringView file_name, const std::vector<UString>& items) {
  std::string bytes = "\xFF\xFE";
  auto put = [&bytes](char16_t c) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  };
  for (const UString& s : items) {
    for (char16_t c : s) put(c);
    put(u'\r');
    put(u'\n');
  }
  return SafeSaveBytes(file_name, bytes.data(), static_cast<int64_t>(bytes.size()));
}

namespace {

// The text of a small file written by the program or the user: UTF-16 either way with its mark,
// else UTF-8.
std::optional<UString> ReadSmallTextFile(UStringView file_name) {
  if (!FileExists(file_name)) return std::nullopt;
  std::ifstream in(ToFsPath(file_name), std::ios::binary);
  if (!in) return std::nullopt;
  const std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() >= 2 && (static_cast<uint8_t>(b[0]) == 0xFF || static_cast<uint8_t>(b[0]) == 0xFE) &&
      static_cast<uint8_t>(b[0]) + static_cast<uint8_t>(b[1]) == 0xFF + 0xFE) {
    const bool le = static_cast<uint8_t>(b[0]) == 0xFF;
    UString s;
    for (size_t i = 2; i + 1 < b.size(); i += 2) {
      const auto lo = static_cast<uint8_t>(b[le ? i : i + 1]), hi = static_cast<uint8_t>(b[le ? i + 1 : i]);
      s.push_back(static_cast<char16_t>(lo | (hi << 8)));
    }
    return s;
  }
  size_t skip = (b.size() >= 3 && b.compare(0, 3, "\xEF\xBB\xBF") == 0) ? 3 : 0;
  return Utf8ToUtf16(std::string_view(b).substr(skip));
}

std::vector<UString> Lines(UStringView text) {
  std::vector<UString> out;
  UString cur;
  for (char16_t c : text) {
    if (c == u'\n') {
      out.push_back(cur);
      cur.clear();
    } else if (c != u'\r') {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

// Code points of a text.
std::vector<char32_t> CodePoints(UStringView s) {
  std::vector<char32_t> out;
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      out.push_back(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (s[i + 1] - 0xDC00));
      ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

void AppendCodePoint(UString& s, char32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    s.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    s.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  } else {
    s.push_back(static_cast<char16_t>(c));
  }
}

}  // namespace

std::optional<std::vector<UString>> LoadHistoryFile(UStringView file_name) {
  const auto text = ReadSmallTextFile(file_name);
  if (!text) return std::nullopt;
  std::vector<UString> out;
  for (UString& line : Lines(*text))
    if (!TrimU(line).empty()) out.push_back(std::move(line));
  return out;
}

// --- checks before a run -------------------------------------------------------------------------

UString TSearchInputCheck::Message() const {
  switch (problem) {
    case TSearchInputProblem::kNothingToSearchFor: return u"There is nothing to search for: type a search word.";
    case TSearchInputProblem::kWildcardsOnly:
      return u"\"" + item + u"\" is made of wildcards only and would match every word: type at least one letter.";
    default: return u"";
  }
}

TSearchInputCheck CheckSearchInput(UStringView typed) {
  TSearchInputCheck check;
  bool any = false;
  for (const UString& raw : Lines(typed)) {
    const UString line = TrimU(raw);
    // Case marks ("==New==") are no words.
    UString bare;
    for (char16_t c : line)
      if (c != u'=') bare.push_back(c);
    if (TrimU(bare).empty()) continue;
    any = true;
    bool only_wild = true;
    for (char16_t c : bare)
      if (c != u'*' && c != u'?' && c != u' ' && c != u'/') only_wild = false;
    if (only_wild) {
      check.problem = TSearchInputProblem::kWildcardsOnly;
      check.item = line;
      return check;
    }
  }
  if (!any) check.problem = TSearchInputProblem::kNothingToSearchFor;
  return check;
}

// --- dead keys -----------------------------------------------------------------------------------

bool TDeadKeyTable::Load(UStringView file_name) {
  const auto text = ReadSmallTextFile(file_name);
  if (!text) return false;
  entries.clear();
  for (const UString& line : Lines(*text)) {
    std::vector<char32_t> fields;
    UString field;
    auto flush = [&] {
      const std::vector<char32_t> cps = CodePoints(TrimU(field));
      fields.push_back(cps.size() == 1 ? cps[0] : 0);
      field.clear();
    };
    for (char16_t c : line) {
      if (c == u',') flush();
      else field.push_back(c);
    }
    flush();
    if (fields.size() == 3 && fields[0] && fields[1] && fields[2]) entries.push_back({fields[0], fields[1], fields[2]});
  }
  return true;
}

UString TDeadKeyTable::Applied(UStringView text) const {
  const std::vector<char32_t> cps = CodePoints(text);
  UString out;
  for (size_t i = 0; i < cps.size(); ++i) {
    bool done = false;
    if (i + 1 < cps.size())
      for (const TEntry& e : entries)
        if (e.dead == cps[i] && e.letter == cps[i + 1]) {
          AppendCodePoint(out, e.result);
          ++i;
          done = true;
          break;
        }
    if (!done) AppendCodePoint(out, cps[i]);
  }
  return out;
}

// --- paste characters ----------------------------------------------------------------------------

bool TPasteCharacterItems::Offer(char32_t c) {
  if (c == 0) return false;
  for (char32_t have : items)
    if (have == c) return false;
  if (items.size() >= kKept) items.resize(kKept - 1);
  items.insert(items.begin(), c);
  return true;
}

UString TPasteCharacterItems::AsText(char32_t c) {
  UString s;
  AppendCodePoint(s, c);
  return s;
}

UString TPasteCharacterItems::Caption(char32_t c) { return u"Paste " + AsText(c); }
