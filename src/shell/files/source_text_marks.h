// What the source-text viewer marks in a text: the search words (as a run finds them), the mark-up tags ("<" to the next ">" with no "<"
// between, at most 1,000 characters), the text with its mark-up taken out, and moving from one
// highlighted word to the next. Positions are UTF-16 code units of the text given. A tag opens
// with a letter, "/", "!" or "?" after its "<", so that "a < b > c" keeps its text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/ustring.h"

struct TTextSpan {
  int64_t start = 0;
  int64_t length = 0;
  int64_t End() const { return start + length; }
  bool operator==(const TTextSpan&) const = default;
};

// Every occurrence of the search words, in text order, none overlapping: the words a run finds,
// by the search engine's word rules and the text settings (shell/files/word_hits.h).
// which, when given, receives for each span the index (in words) of the word that matched.
std::vector<TTextSpan> FindSearchWordSpans(UStringView text, const std::vector<UString>& words,
                                           std::vector<int>* which = nullptr);

// Every mark-up tag, in text order.
std::vector<TTextSpan> FindMarkupSpans(UStringView text);

// The text without the spans (which must be in order and not overlap).
UString TextWithoutSpans(UStringView text, const std::vector<TTextSpan>& spans);

// The highlight to go to from the cursor: forward, the first that starts after cursor_start; back,
// the last that starts before it. -1 when there is none (no wrapping round).
int NextSpanIndex(const std::vector<TTextSpan>& spans, int64_t cursor_start, bool forward);

// Greying the mark-up of a long text asks first: more than 20,000 characters.
inline constexpr int64_t kGreyMarkupAskAbove = 20000;
inline bool GreyMarkupAsksFirst(int64_t length) { return length > kGreyMarkupAskAbove; }
// The length the question names: rounded down to thousands.
inline int64_t GreyMarkupQuestionLength(int64_t length) { return length / 1000 * 1000; }

// The text as rich text: highlighted spans bold on the highlight colour's text colour, greyed
// spans (mark-up) grey, every line ended by a paragraph mark. Spans in order, not overlapping
// within each list; a highlight inside a greyed span stays a highlight.
inline constexpr int32_t kHighlightTextColour = 0x0000C0;  // BGR: dark red
inline constexpr int32_t kGreyedTextColour = 0x909090;
std::string SourceTextRtf(UStringView text, const std::vector<TTextSpan>& highlights,
                          const std::vector<TTextSpan>& greyed, int font_points = 11);
// The same for one piece of a long text, into a writer whose colours (kHighlightTextColour,
// kGreyedTextColour) were declared first; after_cr carries, from piece to piece, whether the last
// piece ended with a CR (so a CR LF cut in two ends one line).
class TRtfWriter;
void AppendSourceTextRtf(TRtfWriter& rtf, UStringView text, const std::vector<TTextSpan>& highlights,
                         const std::vector<TTextSpan>& greyed, bool& after_cr);
