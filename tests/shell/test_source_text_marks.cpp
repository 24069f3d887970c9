#include <gtest/gtest.h>

#include "shell/files/source_text_marks.h"

namespace {
std::vector<UString> Found(UStringView text, const std::vector<UString>& words) {
  std::vector<UString> out;
  for (const TTextSpan& s : FindSearchWordSpans(text, words))
    out.emplace_back(text.substr(static_cast<size_t>(s.start), static_cast<size_t>(s.length)));
  return out;
}
}  // namespace

// The words a run finds, by the engine's word rules: "cat's" holds the word "cat" (the apostrophe
// is no letter of a word by default), and "*" alone is any one word.
TEST(SourceTextMarks, SearchWordsAreFoundAsARunFindsThem) {
  const UString text = u"The cat's catalogue: Cats, a bobcat and CAT. \u00c9t\u00e9 \u00e9t\u00e9s";
  struct Case {
    std::vector<UString> words;
    std::vector<UString> found;
  } cases[] = {
      {{u"cat"}, {u"cat", u"CAT"}},
      {{u"cat*"}, {u"cat", u"catalogue", u"Cats", u"CAT"}},
      {{u"*cat"}, {u"cat", u"bobcat", u"CAT"}},
      {{u"*ata*"}, {u"catalogue"}},
      {{u"\u00e9t\u00e9"}, {u"\u00c9t\u00e9"}},
      {{u"*"},
       {u"The", u"cat", u"s", u"catalogue", u"Cats", u"a", u"bobcat", u"and", u"CAT", u"\u00c9t\u00e9", u"\u00e9t\u00e9s"}},
      {{}, {}},
      {{u"  "}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Found(text, c.words), c.found) << Utf16ToUtf8(c.words.empty() ? u"" : c.words[0]);
  // Which word found each span, by its place among the words given (blank ones counted).
  std::vector<int> which;
  const std::vector<TTextSpan> spans = FindSearchWordSpans(text, {u"", u"bobcat", u"cat*"}, &which);
  ASSERT_EQ(spans.size(), 5u);
  EXPECT_EQ(which, (std::vector<int>{2, 2, 2, 1, 2}));
}

TEST(SourceTextMarks, MarkupSpansAndTheTextWithoutThem) {
  const UString text = u"<p>One <b>bold</b> a < b and c > d <unclosed";
  const auto spans = FindMarkupSpans(text);
  ASSERT_EQ(spans.size(), 3u);
  EXPECT_EQ(spans[0], (TTextSpan{0, 3}));
  EXPECT_EQ(spans[1], (TTextSpan{7, 3}));
  EXPECT_EQ(spans[2], (TTextSpan{14, 4}));
  // "< b and c >" opens with a blank: text, not a tag.
  EXPECT_EQ(TextWithoutSpans(text, spans), u"One bold a < b and c > d <unclosed");
}

TEST(SourceTextMarks, NextAndPreviousHighlightDoNotWrap) {
  const std::vector<TTextSpan> spans = {{5, 3}, {20, 3}, {40, 3}};
  struct Case {
    int64_t cursor;
    bool forward;
    int index;
  } cases[] = {{0, true, 0}, {5, true, 1}, {40, true, -1}, {41, false, 2}, {5, false, -1}, {20, false, 0}};
  for (const Case& c : cases) EXPECT_EQ(NextSpanIndex(spans, c.cursor, c.forward), c.index) << c.cursor;
  EXPECT_EQ(NextSpanIndex({}, 0, true), -1);
}

TEST(SourceTextMarks, GreyingAsksOnlyAboveTwentyThousandCharacters) {
  EXPECT_FALSE(GreyMarkupAsksFirst(20000));
  EXPECT_TRUE(GreyMarkupAsksFirst(20001));
  EXPECT_EQ(GreyMarkupQuestionLength(20999), 20000);
}

// Highlights are bold and coloured, mark-up grey, lines paragraphs; bold ends with its run.
TEST(SourceTextMarks, RichTextHasBoldHighlightsAndGreyMarkup) {
  const UString text = u"<b>cat</b> sat\r\nend";
  const std::string rtf = SourceTextRtf(text, {{3, 3}}, FindMarkupSpans(text));
  EXPECT_NE(rtf.find("{\\colortbl ;\\red144\\green144\\blue144;\\red192\\green0\\blue0;}"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\cf1 <b>\\b \\cf2 cat\\b0 \\cf1 </b>\\cf0  sat\\par\nend}"), std::string::npos) << rtf;
}
