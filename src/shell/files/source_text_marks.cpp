#include "shell/files/source_text_marks.h"

#include <unicode/uchar.h>

#include <algorithm>

#include "model/export/rtf_writer.h"
#include "platform/text/text_services.h"

namespace {

constexpr int64_t kLongestTag = 1000;

bool IsWordUnit(char16_t c) {
  if (c >= 0xD800 && c <= 0xDFFF) return true;  // letters beyond the basic plane
  return u_isalnum(c) || c == u'\'' || c == u'\u2019' || c == u'-';
}

struct TPattern {
  int word = 0;  // its index among the words given
  UString core;  // lower case, without the stars
  bool any_before = false;
  bool any_after = false;
};

}  // namespace

std::vector<TTextSpan> FindSearchWordSpans(UStringView text, const std::vector<UString>& words,
                                           std::vector<int>* which) {
  std::vector<TPattern> patterns;
  if (which) which->clear();
  for (const UString& w : words) {
    TPattern p;
    p.word = static_cast<int>(&w - words.data());
    UString core = w;
    while (!core.empty() && core.front() == u'*') {
      p.any_before = true;
      core.erase(0, 1);
    }
    while (!core.empty() && core.back() == u'*') {
      p.any_after = true;
      core.pop_back();
    }
    if (core.empty()) continue;
    p.core = LowerCaseU(core);
    patterns.push_back(std::move(p));
  }
  std::vector<TTextSpan> out;
  if (patterns.empty()) return out;
  const UString lower = LowerCaseU(text);
  const int64_t n = static_cast<int64_t>(lower.size());
  int64_t i = 0;
  while (i < n) {
    if (!IsWordUnit(lower[i])) {
      ++i;
      continue;
    }
    int64_t end = i;
    while (end < n && IsWordUnit(lower[end])) ++end;
    const UStringView word(lower.data() + i, static_cast<size_t>(end - i));
    for (const TPattern& p : patterns) {
      const UStringView core(p.core);
      const bool starts = word.size() >= core.size() && word.substr(0, core.size()) == core;
      const bool ends = word.size() >= core.size() && word.substr(word.size() - core.size()) == core;
      bool ok = false;
      if (p.any_before && p.any_after) ok = word.find(core) != UStringView::npos;
      else if (p.any_after) ok = starts;
      else if (p.any_before) ok = ends;
      else ok = word == core;
      if (ok) {
        out.push_back({i, end - i});
        if (which) which->push_back(p.word);
        break;
      }
    }
    i = end;
  }
  return out;
}

std::vector<TTextSpan> FindMarkupSpans(UStringView text) {
  std::vector<TTextSpan> out;
  const int64_t n = static_cast<int64_t>(text.size());
  int64_t i = 0;
  while (i < n) {
    // A tag opens with a letter, "/", "!" or "?" right after the "<"; "a < b" is no tag.
    const char16_t next = i + 1 < n ? text[i + 1] : u' ';
    if (text[i] != u'<' || !(u_isalpha(next) || next == u'/' || next == u'!' || next == u'?')) {
      ++i;
      continue;
    }
    int64_t j = i + 1;
    while (j < n && j - i <= kLongestTag && text[j] != u'>' && text[j] != u'<') ++j;
    if (j < n && text[j] == u'>' && j - i <= kLongestTag) {
      out.push_back({i, j - i + 1});
      i = j + 1;
    } else {
      ++i;
    }
  }
  return out;
}

UString TextWithoutSpans(UStringView text, const std::vector<TTextSpan>& spans) {
  UString out;
  out.reserve(text.size());
  int64_t at = 0;
  for (const TTextSpan& s : spans) {
    if (s.start < at || s.End() > static_cast<int64_t>(text.size())) continue;
    out.append(text.substr(static_cast<size_t>(at), static_cast<size_t>(s.start - at)));
    at = s.End();
  }
  out.append(text.substr(static_cast<size_t>(std::min<int64_t>(at, static_cast<int64_t>(text.size())))));
  return out;
}

int NextSpanIndex(const std::vector<TTextSpan>& spans, int64_t cursor_start, bool forward) {
  if (forward) {
    for (size_t k = 0; k < spans.size(); ++k)
      if (spans[k].start > cursor_start) return static_cast<int>(k);
    return -1;
  }
  for (size_t k = spans.size(); k-- > 0;)
    if (spans[k].start < cursor_start) return static_cast<int>(k);
  return -1;
}

std::string SourceTextRtf(UStringView text, const std::vector<TTextSpan>& highlights,
                          const std::vector<TTextSpan>& greyed, int font_points) {
  TRtfWriter rtf(font_points);
  bool after_cr = false;
  AppendSourceTextRtf(rtf, text, highlights, greyed, after_cr);
  return rtf.Document();
}

void AppendSourceTextRtf(TRtfWriter& rtf, UStringView text, const std::vector<TTextSpan>& highlights,
                         const std::vector<TTextSpan>& greyed, bool& after_cr) {
  // Each code unit's look: 0 plain, 1 greyed, 2 highlighted.
  std::vector<uint8_t> look(text.size(), 0);
  auto mark = [&](const std::vector<TTextSpan>& spans, uint8_t v) {
    for (const TTextSpan& s : spans)
      for (int64_t k = std::max<int64_t>(0, s.start); k < s.End() && k < static_cast<int64_t>(look.size()); ++k)
        look[static_cast<size_t>(k)] = v;
  };
  mark(greyed, 1);
  mark(highlights, 2);
  size_t i = 0;
  // A CR that ended the piece before and the LF that begins this one end one line.
  if (after_cr && !text.empty() && text[0] == u'\n') i = 1;
  after_cr = !text.empty() && text.back() == u'\r';
  while (i < text.size()) {
    if (text[i] == u'\r' || text[i] == u'\n') {
      if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      rtf.EndLine();
      ++i;
      continue;
    }
    size_t j = i;
    while (j < text.size() && look[j] == look[i] && text[j] != u'\r' && text[j] != u'\n') ++j;
    const UStringView run = text.substr(i, j - i);
    switch (look[i]) {
      case 1: rtf.Insert(run, kGreyedTextColour); break;
      case 2: rtf.Insert(run, kHighlightTextColour, true); break;
      default: rtf.Insert(run); break;
    }
    i = j;
  }
}
