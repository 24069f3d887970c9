#include "shell/files/paged_text_rtf.h"

#include <algorithm>

#include "model/export/rtf_writer.h"

namespace {

bool IsBlankLine(UStringView line) {
  for (char16_t c : line)
    if (c != u' ' && c != u'\t' && c != u'\r') return false;
  return true;
}

}  // namespace

void AppendShownPage(const TTextPage& page, bool trimmed, TShownText& out, bool& blank_before) {
  const UString& t = page.text;
  if (!trimmed) {
    out.text += t;
    for (size_t i = 0; i < t.size(); ++i) out.bytes.push_back(page.FileByteOf(i));
    return;
  }
  std::vector<bool> keep(t.size(), true);
  for (const TTextSpan& s : FindMarkupSpans(t))
    for (int64_t k = s.start; k < s.End(); ++k) keep[static_cast<size_t>(k)] = false;
  // Line by line: a blank line after a blank line goes.
  size_t i = 0;
  while (i < t.size()) {
    size_t end = t.find(u'\n', i);
    end = end == UString::npos ? t.size() : end + 1;
    UString kept_line;
    for (size_t k = i; k < end; ++k)
      if (keep[k]) kept_line += t[k];
    const bool complete = end <= t.size() && (end > i && t[end - 1] == u'\n');
    const bool blank = complete && IsBlankLine(UStringView(kept_line).substr(0, kept_line.size() - 1));
    if (!(blank && blank_before)) {
      for (size_t k = i; k < end; ++k)
        if (keep[k]) {
          out.text += t[k];
          out.bytes.push_back(page.FileByteOf(k));
        }
    }
    if (complete) blank_before = blank;
    i = end;
  }
}

bool WritePagedTextRtf(TPagedText& text, const TPagedRtfOptions& options, TStream& out, UString& error) {
  TRtfWriter rtf(options.font_points);
  rtf.DeclareColour(kHighlightTextColour);
  rtf.DeclareColour(kGreyedTextColour);
  auto put = [&](const std::string& s) { return out.WriteExact(s.data(), static_cast<int64_t>(s.size())); };
  if (!put(rtf.Header())) {
    error = u"the rich text could not be written";
    return false;
  }
  for (const UString* line : {&options.title, &options.comment}) {
    if (line->empty()) continue;
    rtf.Insert(*line, -1, true);
    rtf.EndLine();
  }
  bool after_cr = false;
  bool blank_before = false;
  for (int k = 0; k < text.PageCount(); ++k) {
    const auto page = text.Page(k, &error);
    if (!page) return false;
    TShownText shown;
    AppendShownPage(*page, options.trimmed, shown, blank_before);
    std::vector<TTextSpan> highlights;
    if (!options.words.empty() && !options.trimmed) {
      // With the neighbours' edges, so that a word cut by the page's edge is marked on both.
      UString piece;
      size_t lead = 0;
      if (k > 0)
        if (const auto before = text.Page(k - 1, nullptr)) {
          lead = std::min(TKeyWordScan::kEdgeUnits, before->text.size());
          piece.append(before->text, before->text.size() - lead, lead);
        }
      piece += shown.text;
      if (const auto after = text.Page(k + 1, nullptr))
        piece.append(after->text, 0, std::min(TKeyWordScan::kEdgeUnits, after->text.size()));
      const int64_t size = static_cast<int64_t>(shown.text.size());
      for (const TWordSpan& s : KeyWordSpansIn(piece, options.words)) {
        const int64_t from = std::max<int64_t>(s.start - static_cast<int64_t>(lead), 0);
        const int64_t to = std::min<int64_t>(s.start + s.length - static_cast<int64_t>(lead), size);
        if (to > from) highlights.push_back({from, to - from});
      }
    } else if (!options.words.empty()) {
      for (const TWordSpan& s : KeyWordSpansIn(shown.text, options.words)) highlights.push_back({s.start, s.length});
    }
    const std::vector<TTextSpan> greyed = options.greyed && !options.trimmed ? FindMarkupSpans(shown.text) : std::vector<TTextSpan>{};
    AppendSourceTextRtf(rtf, shown.text, highlights, greyed, after_cr);
    if (!put(rtf.TakeBody())) {
      error = u"the rich text could not be written after byte " + IntToUStr(page->first_byte);
      return false;
    }
  }
  if (!put(rtf.TakeBody() + "}")) {
    error = u"the rich text could not be ended";
    return false;
  }
  return true;
}
