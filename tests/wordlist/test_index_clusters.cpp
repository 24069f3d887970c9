// Clusters of a corpus index worked out by hand through a cluster event of the test's own (sizes,
// breaks, a selection, per-text trees, the seconds limit), one worker against eight, and the
// export of a word's byte positions with the texts' and sentences' lengths.
#include <random>

#include "../model/text_reader_test_support.h"
#include "platform/settings/settings_access.h"
#include "wordlist/index_test_support.h"

namespace {

using namespace index_test;
using text_reader_test::ScopedSettings;

class IndexClusters : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
    SetWordlistIndexSettings(HandCountedClusterSettings(2, 3));
  }
  // Opens an index of the texts with the store's cluster settings and the test's event.
  TIndexHandler& Open(const std::vector<std::string>& bodies, std::function<void(TWordlistIndexSettingsRec&)> set = nullptr,
                      bool numbers_as_hash = false) {
    std::vector<UString> names;
    for (size_t i = 0; i < bodies.size(); ++i) names.push_back(tmp.Write(u"t" + IntToUStr(int64_t(i)) + u".txt", bodies[i]));
    if (set) {
      TWordlistIndexSettingsRec s = GetWordlistIndexSettings();
      set(s);
      SetWordlistIndexSettings(s);
    }
    auto doc = NewDoc();
    doc->WordlistSettings.SetNumbersIncluded(!numbers_as_hash);
    const UString base = tmp.Path() + u"clusters" + IntToUStr(++built);
    EXPECT_TRUE(BuildIndex(*doc, base, names));
    reader = NewDoc();
    EXPECT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
    TIndexHandler& index = *reader->IndexHandler();
    index.ResetTheSettingsFromTextbuf();
    index.fThreads = 1;
    seen.clear();
    index.fOnClusterAddToWordlist = [this](TIndexHandler& sender, const TIndexTypeRec& base, float, const TNeighbourRec& c,
                                           int32_t number, int32_t out_of, int32_t tree, int32_t trees) {
      UString text;
      EXPECT_TRUE(sender.TypeRecArrayToString(c.types, text));
      std::string line = Utf16ToUtf8(base.data) + ": " + Utf16ToUtf8(text) + " " + std::to_string(c.frequency) + "/" +
                         std::to_string(c.texts);
      if (trees > 1) line += " tree " + std::to_string(tree) + "/" + std::to_string(trees);
      EXPECT_LE(number, out_of);
      seen.push_back(line);
    };
    return index;
  }
  ScopedSettings settings;
  TempFolder tmp;
  std::unique_ptr<T_WholeWordlistHolder> reader;
  std::vector<std::string> seen;
  int built = 0;
};

using TLines = std::vector<std::string>;

TEST_F(IndexClusters, SizesTwoAndThreeStopAtASentenceEnd) {
  TIndexHandler& index = Open({"One two three. One two four"});
  ASSERT_TRUE(index.ComputeClusters());
  // TWO: "two three" but not "two three one" (a sentence ends after THREE); THREE none; FOUR,
  // the last token, has nothing after it.
  EXPECT_EQ(seen, (TLines{"ONE: ONE TWO 2/1", "ONE: ONE TWO THREE 1/1", "ONE: ONE TWO FOUR 1/1", "TWO: TWO THREE 1/1",
                          "TWO: TWO FOUR 1/1"}));
  EXPECT_TRUE(index.ClustersComputed);
  EXPECT_EQ(index.fMost_frequent_cluster, 2);
}

TEST_F(IndexClusters, SettingsChooseTheClusters) {
  struct Case {
    const char* name;
    std::vector<std::string> texts;
    std::function<void(TWordlistIndexSettingsRec&)> set;
    const char16_t* selection;
    TLines clusters;
  };
  const Case cases[] = {
      {"a minimum frequency", {"One two three. One two four"}, [](auto& s) { s.SetClusterMinFrequency(2); }, nullptr,
       {"ONE: ONE TWO 2/1"}},
      {"no stop: a sentence end is passed", {"One two. Three"}, [](auto& s) { s.SetClusterStopAt(0); }, nullptr,
       {"ONE: ONE TWO 1/1", "ONE: ONE TWO THREE 1/1", "TWO: TWO THREE 1/1"}},
      {"a selection: the word anywhere in the cluster", {"One two three. One two four"}, nullptr, u"three",
       {"THREE: TWO THREE 1/1", "THREE: ONE TWO THREE 1/1"}},
      // Two places closer than the largest size: each start counted once for the base word.
      {"a selection of a word twice in a row", {"aa aa bb"}, nullptr, u"aa",
       {"AA: AA AA 1/1", "AA: AA BB 1/1", "AA: AA AA BB 1/1"}},
      // The end of a text ends a cluster whatever the stop-at setting says.
      {"the end of a text", {"one two", "three four"}, [](auto& s) { s.SetClusterStopAt(0); }, u"one",
       {"ONE: ONE TWO 1/1"}},
      {"one tree per text", {"one two", "one two three"}, [](auto& s) { s.SetClustersPerText(true); }, u"one",
       {"ONE: ONE TWO 1/1 tree 0/2", "ONE: ONE TWO 1/1 tree 1/2", "ONE: ONE TWO THREE 1/1 tree 1/2"}},
      {"one tree for all", {"one two", "one two three"}, nullptr, u"one", {"ONE: ONE TWO 2/2", "ONE: ONE TWO THREE 1/1"}},
      {"a minimum of texts", {"one two", "one two three"}, [](auto& s) { s.SetClusterMinTexts(2); }, u"one",
       {"ONE: ONE TWO 2/2"}},
      {"the first filter's frequency", {"one two one three four"}, [](auto& s) { s.SetFirstFilterMinFrequency(2); },
       nullptr, {"ONE: ONE TWO 1/1", "ONE: ONE THREE 1/1", "ONE: ONE TWO ONE 1/1", "ONE: ONE THREE FOUR 1/1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TIndexHandler& index = Open(c.texts, c.set);
    if (c.selection) index.AddToItemsToProcess(c.selection);
    ASSERT_TRUE(index.ComputeClusters()) << Utf16ToUtf8(index.LastFailure());
    EXPECT_EQ(seen, c.clusters);
    SetUp();
  }
}

TEST_F(IndexClusters, NumbersAsHashAreLeftOutWhenAsked) {
  TIndexHandler& index = Open({"3 apples 4 apples"}, [](auto& s) { s.SetExcludeHashEntries(true); }, true);
  ASSERT_TRUE(index.ComputeClusters());
  EXPECT_EQ(index.HashNumber, index.WordNumberFromWord(u"1"));
  // "#" is no base word; clusters that hold it are the cluster event's to keep or drop.
  EXPECT_EQ(seen, (TLines{"APPLES: APPLES # 1/1", "APPLES: APPLES # APPLES 1/1"}));
}

TEST_F(IndexClusters, TheSecondsLimitEndsABaseWordsWalk) {
  std::string body;
  for (int i = 0; i < 10; ++i) body += "one two ";
  TIndexHandler& index = Open({body}, [](auto& s) { s.SetClusterSizeMax(2); });
  double now = 0;
  index.fClock = [&now] { return now += 1.0; };  // a second passes at every look
  ASSERT_TRUE(index.ComputeClusters());
  EXPECT_EQ(seen, (TLines{"ONE: ONE TWO 10/1", "TWO: TWO ONE 9/1"}));  // no limit set
  TWordlistIndexSettingsRec s = GetWordlistIndexSettings();
  s.SetClusterSecondsPerWord(3);
  SetWordlistIndexSettings(s);
  index.ResetTheSettingsFromTextbuf();
  seen.clear();
  ASSERT_TRUE(index.ComputeClusters());
  EXPECT_EQ(seen, (TLines{"ONE: ONE TWO 3/1", "TWO: TWO ONE 3/1"}));
}

TEST_F(IndexClusters, OneWorkerAndEightReportTheSameClusters) {
  std::mt19937 rng(9);
  std::vector<std::string> texts;
  for (int t = 0; t < 3; ++t) {
    std::string body;
    for (int i = 0; i < 3000; ++i) body += std::string(1, static_cast<char>('a' + rng() % 6)) + (rng() % 9 ? " " : ". ");
    texts.push_back(body);
  }
  TIndexHandler& index = Open(texts, [](auto& s) { s.SetClusterMinFrequency(3); });
  ASSERT_TRUE(index.ComputeClusters());
  const TLines one = seen;
  seen.clear();
  index.fThreads = 8;
  ASSERT_TRUE(index.ComputeClusters());
  EXPECT_GT(one.size(), 50u);
  EXPECT_EQ(seen, one);
}

// --- export ----------------------------------------------------------------------------------------

std::vector<std::string> ExportedLines(const UString& file) {
  const std::vector<uint8_t> b = FileBytes(file);
  EXPECT_GE(b.size(), 2u);
  EXPECT_EQ(b[0], 0xFF);
  EXPECT_EQ(b[1], 0xFE);
  UString text(reinterpret_cast<const char16_t*>(b.data() + 2), (b.size() - 2) / 2);
  std::vector<std::string> lines;
  size_t at = 0;
  for (size_t nl; (nl = text.find(u'\n', at)) != UString::npos; at = nl + 1) lines.push_back(Utf16ToUtf8(text.substr(at, nl - at)));
  EXPECT_EQ(at, text.size());
  return lines;
}

TEST_F(IndexClusters, ExportGivesPositionsAndLengthsByHand) {
  TIndexHandler& index = Open({"A b. C d e", "a f"});
  const UString out = tmp.Path() + u"export.txt";
  ASSERT_TRUE(index.ExportData(out, 1, u"a"));
  const std::string t0 = Utf16ToUtf8(tmp.Path() + u"t0.txt"), t1 = Utf16ToUtf8(tmp.Path() + u"t1.txt");
  EXPECT_EQ(ExportedLines(out), (std::vector<std::string>{"2 texts", "Word lengths:", "5,2", "A: 2 entries found", t0,
                                                          "byte positions: 0", t1, "byte positions: 0", "3 sentences",
                                                          "Word lengths:", "2,3,2"}));
  // Without a word and without sentences.
  ASSERT_TRUE(index.ExportData(out, 0, u""));
  EXPECT_EQ(ExportedLines(out), (std::vector<std::string>{"2 texts", "Word lengths:", "5,2"}));
  // A word not in the index: no positions.
  ASSERT_TRUE(index.ExportData(out, 0, u"zebra"));
  EXPECT_EQ(ExportedLines(out).size(), 3u);
}

TEST_F(IndexClusters, ExportedNumbersWrapPast200Characters) {
  std::string body;
  for (int i = 0; i < 400; ++i) body += "w ";
  TIndexHandler& index = Open({body});
  const UString out = tmp.Path() + u"wrap.txt";
  ASSERT_TRUE(index.ExportData(out, 0, u"w"));
  const std::vector<std::string> lines = ExportedLines(out);
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[3], "W: 400 entries found");
  EXPECT_EQ(lines[5].rfind("byte positions: 0,2,4,", 0), 0u);
  std::string numbers;
  int wrapped = 0;
  for (size_t i = 5; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    EXPECT_LE(l.size(), 201u + 4u) << l;
    numbers += (i == 5 ? l.substr(std::string("byte positions: ").size()) : "," + l);
    wrapped += i > 5;
  }
  EXPECT_GE(wrapped, 3);
  std::string expected;
  for (int i = 0; i < 400; ++i) expected += (i ? "," : "") + std::to_string(2 * i);
  EXPECT_EQ(numbers, expected);
}

}  // namespace
