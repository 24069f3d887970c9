// What a concordance document says of its run: the shares of the search words in the notes, and
// the text a run could not read handed to the failed-read handler.
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

}  // namespace
