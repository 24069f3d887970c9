#include "shell/files/source_text_marks.h"

#include <unicode/uchar.h>

#include <algorithm>

#include "model/documents/work_base.h"
#include "model/export/rtf_writer.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "shell/files/word_hits.h"

namespace {

constexpr int64_t kLongestTag = 1000;

}  // namespace

std::vector<TTextSpan> FindSearchWordSpans(UStringView text, const std::vector<UString>& words,
                                           std::vector<int>* which) {
  if (which) which->clear();
  // The finder leaves blank words out: its item k is the k-th word that is not blank.
  std::vector<int> word_of_item;
  for (size_t i = 0; i < words.size(); ++i)
    if (!TrimU(words[i]).empty()) word_of_item.push_back(static_cast<int>(i));
  std::vector<TTextSpan> out;
  if (word_of_item.empty()) return out;
  TCellHitFinder finder(words, SearchTextOptionsFromTextSettings(GetTextSettings()));
  std::vector<std::pair<int32_t, int32_t>> hits;
  std::vector<int32_t> items;
  finder.Hits(text, hits, &items);
  out.reserve(hits.size());
  for (size_t k = 0; k < hits.size(); ++k) {
    out.push_back({hits[k].first, hits[k].second});
    if (which) which->push_back(word_of_item[static_cast<size_t>(items[k])]);
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
