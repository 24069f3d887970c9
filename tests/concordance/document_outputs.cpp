// What a concordance document says of its run and writes as text: the shares of the search words
// in the notes, the text a run could not read handed to the failed-read handler, and the text
// markers of lines written as plain text.
#include <gtest/gtest.h>

#include "document_test_support.h"
#include "platform/rtl/files.h"

using namespace document_test;

namespace {

// Hits over every line found, the lines the stop list removed among them; whole percent, cut.
TEST(ConcordanceOutputs, SearchWordShareIsOfEveryLineFound) {
  const struct {
    int32_t hits, left, removed, percent;
  } cases[] = {
      {2, 4, 0, 50},    // no stop list: of the lines left
      {3, 2, 3, 60},    // a stop word's 3 lines, all removed: 3 of 5
      {2, 2, 3, 40},    // the word that stayed: 2 of 5
      {1, 2, 1, 33},    // 1 of 3, cut
      {2, 3, 0, 66},    // 2 of 3, cut
      {0, 0, 0, 0},     // nothing found
      {5, 0, 5, 100},   // every line removed
      {4, 4, -1, 100},  // a negative count counts as none
  };
  for (const auto& c : cases)
    EXPECT_EQ(SearchWordPercentOfLinesFound(c.hits, c.left, c.removed), c.percent)
        << c.hits << " " << c.left << " " << c.removed;
}

TEST(ConcordanceOutputs, FailedTextMessageNamesTheTextAndWhy) {
  const struct {
    const char16_t* name;
    const char16_t* why;
    const char16_t* said;
  } cases[] = {
      {u"/corpus/a.txt", u"", u"/corpus/a.txt"},
      {u"/corpus/a.txt", u"the disk went away", u"/corpus/a.txt (the disk went away)"},
      {u"", u"text 3: unknown failure", u" (text 3: unknown failure)"},
  };
  for (const auto& c : cases) EXPECT_EQ(FailedTextMessageArgument(c.name, c.why), UString(c.said));
}

// The text that cannot be read reaches the document's failed-read handler, with its folder and
// name; the texts read before it keep their lines, the one after it is not read.
TEST(ConcordanceOutputs, TheTextARunCannotReadGoesToTheFailedReadHandler) {
  ScopedSettings settings;
  TTextFolder corpus({{u"a.txt", "the river bank."},
                      {u".~b.txt.lz4242-0123abcd.tmp", "the river mill."},
                      {u"c.txt", "a river again."}});
  std::vector<TChosenFileDetailsFullRec> told;
  TRunRequest request{corpus.names, u"river"};
  request.threads = 1;
  request.failed_read = [&](const TChosenFileDetailsFullRec& d) { told.push_back(d); };
  TRunDone run = RunConcordance(request);
  EXPECT_FALSE(run.ok);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].rec.filename, u".~b.txt.lz4242-0123abcd.tmp");
  EXPECT_EQ(IncludeTrailingPathDelimiter(told[0].folder), IncludeTrailingPathDelimiter(ExtractFilePath(corpus.names[1])));
  ASSERT_EQ(run.doc->fConcordanceList->Count(), 1);
  EXPECT_NE(UString(run.doc->fConcordanceList->Line(0)->Text()).find(u"bank"), UString::npos);

  // A run that reads every text tells nothing.
  told.clear();
  TRunRequest fine{{corpus.names[0], corpus.names[2]}, u"river"};
  fine.threads = 1;
  fine.failed_read = request.failed_read;
  EXPECT_TRUE(RunConcordance(fine).found);
  EXPECT_TRUE(told.empty());
}

// Markers only while lines are written as plain text, and only when the user gave one.
TEST(ConcordanceOutputs, TextMarkersOnlyForTextOutputWithAMarkerGiven) {
  ScopedSettings settings;
  const struct {
    bool text_output;
    const char16_t* search_word_marker;
    const char16_t* context_word_marker;
    bool on;
  } cases[] = {
      {false, u"*", u"+", false}, {true, u"*", u"+", true}, {true, u"", u"+", true},
      {true, u"<<", u"", true},   {true, u"", u"", false},  {false, u"", u"", false},
  };
  auto doc = NewDocument();
  for (const auto& c : cases) {
    SetConc_SW_TXT_Marker(c.search_word_marker);
    SetConc_Context_W_TXT_Marker(c.context_word_marker);
    doc->text_output = c.text_output;
    EXPECT_EQ(doc->TextMarkersOn(), c.on) << c.text_output << " " << Utf16ToUtf8(c.search_word_marker) << " "
                                          << Utf16ToUtf8(c.context_word_marker);
  }
}

}  // namespace
