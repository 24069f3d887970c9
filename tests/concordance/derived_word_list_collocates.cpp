// Collocates of a whole word list: the word filter, the thresholds, file names and the files
// written for a small corpus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <string>
#include <tuple>

#include "concordance/views/word_list_collocates.h"
#include "document_test_support.h"
#include "model/reading/text_statistics.h"
#include "platform/settings/settings_access.h"
#include "wordlist/word_list.h"

using namespace document_test;

namespace {

using R = TCollocateScriptSettingsRec;

TCollocateScriptSettingsRec Limits(int32_t min_len, int32_t max_len, int32_t min_texts, int32_t max_texts,
                                   int32_t min_freq, int32_t max_freq) {
  TCollocateScriptSettingsRec l{};
  l.SetField(R::kMinWordLength, min_len);
  l.SetField(R::kMaxWordLength, max_len);
  l.SetField(R::kMinTexts, min_texts);
  l.SetField(R::kMaxTexts, max_texts);
  l.SetField(R::kMinFrequency, min_freq);
  l.SetField(R::kMaxFrequency, max_freq);
  l.SetField(R::kMinCollocateTotal, 1);
  l.SetField(R::kMaxCollocateTotal, 1000);
  l.SetField(R::kMinCollocates, 1);
  l.SetField(R::kMaxCollocates, 1000);
  return l;
}

// The lines of a UTF-16 LE file with a byte-order mark (LF ends).
std::vector<UString> FileLines(const UString& file) {
  TMemoryStream m;
  if (!m.LoadFromFile(file)) return {};
  const std::vector<uint8_t>& b = m.Data();
  EXPECT_GE(b.size(), 2u);
  EXPECT_EQ(b[0], 0xFF);
  EXPECT_EQ(b[1], 0xFE);
  std::vector<UString> lines(1);
  for (size_t i = 2; i + 1 < b.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(b[i] | (b[i + 1] << 8));
    if (c == u'\n') lines.emplace_back();
    else lines.back() += c;
  }
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

std::vector<UString> Fields(const UString& line) {
  std::vector<UString> out(1);
  for (char16_t c : line) {
    if (c == u'\t') out.emplace_back();
    else out.back() += c;
  }
  return out;
}

// A statistics row for each text (by its full name), as a list made of them has.
void AddTexts(const TTextFolder& texts, int32_t running_words, TVXStatsList& stats) {
  for (const UString& name : texts.names) {
    TOne_text_stats_rec r;
    r.name = name;
    stats.Add(new TStatsEntry(r, false, &stats));
  }
  stats.Overall_stats.data.running_words = running_words;
}

// Rows of (word, frequency, texts).
void AddWords(std::initializer_list<std::tuple<const char16_t*, int, int>> rows, TVXWordList& words) {
  for (auto [w, f, t] : rows) words.AddRow({t, f, 0.0f, w, u"", u""});
}

}  // namespace

TEST(WordListCollocates, ScriptLimitsTakeBothBounds) {
  const TCollocateScriptSettingsRec l = Limits(3, 5, 2, 4, 10, 20);
  struct Case {
    const char16_t* word;
    int32_t freq, texts;
    bool passes;
  } const cases[] = {
      {u"abc", 10, 2, true},     // every lower bound exactly
      {u"abcde", 20, 4, true},   // every upper bound exactly
      {u"ab", 15, 3, false},     // too short
      {u"abcdef", 15, 3, false}, // too long
      {u"abcd", 9, 3, false},    {u"abcd", 21, 3, false},
      {u"abcd", 15, 1, false},   {u"abcd", 15, 5, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WordPassesScriptLimits(l, c.word, c.freq, c.texts), c.passes) << Utf16ToUtf8(c.word) << c.freq << c.texts;
  global_panic_state = kPanicStopNow;
  EXPECT_FALSE(WordPassesScriptLimits(l, u"abc", 10, 2));
  global_panic_state = kPanicNone;
}

TEST(WordListCollocates, ThresholdsAllOrAnyAndTheirText) {
  TKollaxaMutualChecks checks{};
  float values[11] = {};
  EXPECT_TRUE(PassesRelationshipThresholdTests(checks, values));  // nothing tested
  EXPECT_EQ(RelationshipRequirements(checks), u"");
  checks.SetTested(1, true);
  checks.SetThreshold(1, 3.0f);
  checks.SetTested(5, true);
  checks.SetThreshold(5, 2.0f);
  struct Case {
    bool all;
    float mi, t;
    bool passes;
  } const cases[] = {
      {true, 3.0f, 2.0f, true},  {true, 3.0f, 1.9f, false}, {false, 3.0f, 1.9f, true},
      {false, 2.9f, 1.9f, false}, {false, std::numeric_limits<float>::quiet_NaN(), 1.0f, false},
  };
  for (const Case& c : cases) {
    checks.SetAllMustPass(c.all);
    values[1] = c.mi;
    values[5] = c.t;
    EXPECT_EQ(PassesRelationshipThresholdTests(checks, values), c.passes) << c.all << " " << c.mi << " " << c.t;
  }
  checks.SetAllMustPass(true);
  EXPECT_EQ(RelationshipRequirements(checks), u"MI >= 3.000 and T SCORE >= 2.000");
  checks.SetAllMustPass(false);
  EXPECT_EQ(RelationshipRequirements(checks), u"MI >= 3.000 or T SCORE >= 2.000");
}

TEST(WordListCollocates, FileNamesStayInTheFolder) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"cat", u"cat"},     {u"a/b", u"a_b"},   {u"..", u"_.."},   {u".", u"_."},
      {u"", u"_"},          {u"x\\y:z", u"x_y_z"}, {u"why?*", u"why__"}, {u"\u00e9t\u00e9", u"\u00e9t\u00e9"},
      {u"<\"|>", u"____"},  {u"a\tb", u"a_b"},
  };
  for (const auto& [word, name] : cases) EXPECT_EQ(AcceptableFilename(word), name) << Utf16ToUtf8(word);
}

TEST(WordListCollocates, AFilePerPassingWordWithoutTheWordItself) {
  ScopedSettings settings;
  TConcSettingsRec32 rec = GetConcSaveRec();
  rec.SetMinCollocateFrequency(1);
  rec.SetMinCollocateTexts(1);
  rec.SetCollocHorizonLeft(2);
  rec.SetCollocHorizonRight(2);
  SetConcSaveRec(rec);
  TTextFolder texts{{u"a.txt", "the old man saw the old dog. the sea is old."},
                    {u"b.txt", "an old man and the dog. The dog ran to the sea."}};
  // Words of three letters, in at least one text, 2 to 6 times: DOG, MAN, OLD, Old, SEA pass;
  // THE (7) is too frequent, AN too short, SAW too rare.
  SetCollocateScriptSettings(Limits(3, 3, 1, 2, 2, 6));
  TVXBaseHolder holder;
  TVXStatsList stats(&holder);
  AddTexts(texts, 21, stats);
  TVXWordList words(&holder);
  AddWords({{u"THE", 7, 2}, {u"OLD", 4, 2}, {u"MAN", 2, 2}, {u"DOG", 3, 2}, {u"SEA", 2, 2}, {u"AN", 1, 1},
            {u"SAW", 1, 1}, {u"IS", 1, 1}, {u"AND", 1, 1}, {u"RAN", 1, 1}, {u"TO", 1, 1}, {u"Old", 4, 2}},
           words);

  TempFolder out;
  const UString folder = out.Path() + u"per word/deeper";
  auto doc = NewDocument();
  // A run would open its text-file details in the editor: not while the word list is worked.
  SetPostProcessSaveFilenames(true);
  static int edits = 0;
  edits = 0;
  const TDocumentHooks hooks_before = DocumentHooks();
  TDocumentHooks counting = hooks_before;
  counting.try_to_edit = [](const UString&, const UString&) { ++edits; };
  SetDocumentHooks(counting);
  const int32_t written = doc->ComputeAndSaveCollocatesForWholeWordList(folder, words, stats);
  EXPECT_EQ(DocumentHooks().try_to_edit, counting.try_to_edit);
  SetDocumentHooks(hooks_before);
  EXPECT_EQ(edits, 0);
  EXPECT_EQ(written, 5);
  // The calling document is left alone.
  EXPECT_EQ(doc->fConcordanceList->Count(), 0);
  std::vector<std::string> names;
  for (const auto& f : std::filesystem::directory_iterator(Utf16ToUtf8(folder)))
    names.push_back(f.path().filename().string());
  std::sort(names.begin(), names.end());
  // "Old" and "OLD" have one name but are two files: whichever comes second gets a number.
  const bool old_first = std::find(names.begin(), names.end(), "OLD.txt") != names.end();
  EXPECT_EQ(names, old_first ? (std::vector<std::string>{"DOG.txt", "MAN.txt", "OLD.txt", "Old (2).txt", "SEA.txt"})
                             : (std::vector<std::string>{"DOG.txt", "MAN.txt", "OLD (2).txt", "Old.txt", "SEA.txt"}));

  const std::vector<UString> lines = FileLines(folder + (old_first ? u"/OLD.txt" : u"/OLD (2).txt"));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], u"Collocates of OLD");
  const std::vector<UString> head = Fields(lines[1]);
  ASSERT_GT(head.size(), 12u);
  EXPECT_EQ(head[0], u"Word");
  EXPECT_EQ(head[head.size() - 11], u"Dice");
  EXPECT_EQ(head.back(), u"delta P B");
  bool man = false;
  for (size_t i = 2; i < lines.size(); ++i) {
    const std::vector<UString> f = Fields(lines[i]);
    EXPECT_EQ(f.size(), head.size());
    EXPECT_NE(UpperCaseU(f[0]), u"OLD");  // never its own collocate
    EXPECT_EQ(f[12], u"");  // the Set column holds no number
    if (f[0] != u"MAN") continue;
    man = true;
    // MAN stands right after OLD twice: Dice = 2 * 2 / (4 + 2), written with three decimals
    // (OLD and Old both have 4).
    EXPECT_EQ(f[head.size() - 11], u"0.667");
  }
  EXPECT_TRUE(man);
}

TEST(WordListCollocates, NoFolderOrNoTextsWritesNothing) {
  ScopedSettings settings;
  SetCollocateScriptSettings(Limits(1, 10, 0, 10, 0, 100));
  TVXBaseHolder holder;
  TVXStatsList stats(&holder);
  TVXWordList words(&holder);
  words.AddRow({1, 1, 0.0f, u"OLD", u"", u""});
  TempFolder out;
  auto doc = NewDocument();
  EXPECT_EQ(doc->ComputeAndSaveCollocatesForWholeWordList(out.Path() + u"x", words, stats), 0);  // no texts
  const UString blocker = out.Write(u"file", "x");
  EXPECT_EQ(doc->ComputeAndSaveCollocatesForWholeWordList(blocker + u"/sub", words, stats), 0);
}

// Words made side by side write what one worker writes, byte for byte, and each word's run reads
// only the texts that can hold it: a plain text (printable ASCII, no mark-up) without the word
// among its runs of letters is passed over; a text with mark-up or beyond ASCII is read for every
// word, and so is every text for a word of other characters than letters.
TEST(WordListCollocates, WordsSideBySideWriteWhatOneWorkerWritesReadingOnlyTextsThatCanHoldThem) {
  ScopedSettings settings;
  TConcSettingsRec32 rec = GetConcSaveRec();
  rec.SetMinCollocateFrequency(1);
  rec.SetMinCollocateTexts(1);
  SetConcSaveRec(rec);
  TTextFolder texts{{u"a.txt", "the old man saw the old dog. the sea is old."},
                    {u"b.txt", "an old man and the dog. The dog ran to the sea."},
                    {u"c.txt", "a cat sat on the mat. the cat is old."},
                    {u"d.txt", "the <b>old</b> caf\xC3\xA9 by the sea. a dog."}};
  SetCollocateScriptSettings(Limits(1, 20, 0, 10, 0, 100));
  TVXBaseHolder holder;
  TVXStatsList stats(&holder);
  AddTexts(texts, 40, stats);
  TVXWordList words(&holder);
  AddWords({{u"THE", 10, 4}, {u"OLD", 5, 4}, {u"MAN", 2, 2}, {u"DOG", 4, 3}, {u"SEA", 3, 3}, {u"CAT", 2, 1},
            {u"MAT", 1, 1}, {u"Old", 5, 4}, {u"CAT'S", 1, 1}},
           words);
  // Texts a word's run reads (d.txt always, being no plain text; every text for CAT'S):
  // THE 4, OLD 4, MAN 3, DOG 3, SEA 3, CAT 2, MAT 2, Old 4, CAT'S 4; one chunk each. CAT'S,
  // found nowhere, gives no file.
  constexpr int64_t kChunksRead = 29;

  TempFolder out;
  std::vector<std::map<std::string, std::string>> written;
  for (int32_t workers : {1, 3}) {
    SCOPED_TRACE(workers);
    const UString folder = out.Path() + u"w" + IntToUStr(workers);
    auto doc = NewDocument();
    const int64_t chunks_before = RoadShare().chunks;
    EXPECT_EQ(doc->ComputeAndSaveCollocatesForWholeWordList(folder, words, stats, false, workers), 8);
    EXPECT_EQ(RoadShare().chunks - chunks_before, kChunksRead);
    std::map<std::string, std::string> files;
    for (const auto& f : std::filesystem::directory_iterator(Utf16ToUtf8(folder))) {
      TMemoryStream m;
      EXPECT_TRUE(m.LoadFromFile(FromFsPath(f.path())));
      files[f.path().filename().string()] = std::string(m.Data().begin(), m.Data().end());
    }
    written.push_back(std::move(files));
  }
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0], written[1]);
  // "OLD" comes before "Old" in the list's order: the second gets the number, on every worker count.
  EXPECT_EQ(written[0].count("OLD.txt"), 1u);
  EXPECT_EQ(written[0].count("Old (2).txt"), 1u);
  // CAT is in c.txt alone: its collocates (MAT among them) are of that one text.
  const std::vector<UString> cat = FileLines(out.Path() + u"w1/CAT.txt");
  ASSERT_GE(cat.size(), 3u);
  const std::vector<UString> head = Fields(cat[1]);
  const size_t texts_column = static_cast<size_t>(std::find(head.begin(), head.end(), u"Texts") - head.begin());
  ASSERT_LT(texts_column, head.size());
  bool mat = false;
  for (size_t i = 2; i < cat.size(); ++i) {
    const std::vector<UString> f = Fields(cat[i]);
    EXPECT_EQ(f[texts_column], u"1") << Utf16ToUtf8(f[0]);
    mat = mat || f[0] == u"MAT";
  }
  EXPECT_TRUE(mat);
}
