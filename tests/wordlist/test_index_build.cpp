// Building a corpus index from small texts counted by hand: the files byte for byte, the types in
// the order their words first come, places, chains, text markers, texts added to an index, and
// one worker against eight.
#include <algorithm>
#include <random>

#include "../../bench/index_files_same.h"
#include "../model/text_reader_test_support.h"
#include "platform/settings/settings_access.h"
#include "wordlist/index_test_support.h"
#include "wordlist/wordlist_indexer_streams.h"

namespace {

using namespace index_test;
using text_reader_test::ScopedSettings;

class IndexBuild : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
    // An empty text first: its end marks nothing (there is no token before it).
    empty = tmp.Write(u"empty.txt", "");
    utf8 = tmp.Write(u"utf8.txt", "alpha beta gamma delta river \xC3\xA9p\xC3\xA9" "e zeta eta theta river");
    std::string wide = "\xFF\xFE";
    for (char c : std::string("iota kappa lambda mu nu xi omicron pi rho sigma river")) wide += std::string{c, '\0'};
    utf16 = tmp.Write(u"utf16.txt", wide);
    // (A code-page text that ends in a byte that could begin a UTF-8 character is read as UTF-8.)
    cp1252 = tmp.Write(u"cp1252.txt", "kappa caf\xE9.");
  }
  ScopedSettings settings;
  TempFolder tmp;
  UString empty, utf8, utf16, cp1252;
};

struct TTok {
  uint32_t type;
  int32_t next;
  int32_t file;
  int32_t byte;
  uint32_t marker;
};
// The 23 running words of the four texts, worked out by hand: types in the order their words
// first come, RIVER's chain 4 -> 9 -> 20, KAPPA's 11 -> 21, each text's last word marked 8.
const TTok kTokens[] = {
    {0, -1, 2, 0, 0},   {1, -1, 2, 6, 0},   {2, -1, 2, 11, 0},  {3, -1, 2, 17, 0},  {4, 9, 2, 23, 0},
    {5, -1, 2, 29, 0},  {6, -1, 2, 36, 0},  {7, -1, 2, 41, 0},  {8, -1, 2, 45, 0},  {4, 20, 2, 51, 8},
    {9, -1, 3, 2, 0},   {10, 21, 3, 12, 0}, {11, -1, 3, 24, 0}, {12, -1, 3, 38, 0}, {13, -1, 3, 44, 0},
    {14, -1, 3, 50, 0}, {15, -1, 3, 56, 0}, {16, -1, 3, 72, 0}, {17, -1, 3, 78, 0}, {18, -1, 3, 86, 0},
    {4, -1, 3, 98, 8},  {10, -1, 4, 0, 0},  {19, -1, 4, 6, 11},
};
struct TType {
  const char16_t* word;
  int32_t first, last, n_texts, freq;
};
const TType kTypes[] = {
    {u"ALPHA", 0, 0, 1, 1},     {u"BETA", 1, 1, 1, 1},     {u"GAMMA", 2, 2, 1, 1},   {u"DELTA", 3, 3, 1, 1},
    {u"RIVER", 4, 20, 2, 3},    {u"\u00C9P\u00C9E", 5, 5, 1, 1}, {u"ZETA", 6, 6, 1, 1}, {u"ETA", 7, 7, 1, 1},
    {u"THETA", 8, 8, 1, 1},     {u"IOTA", 10, 10, 1, 1},   {u"KAPPA", 11, 21, 2, 2}, {u"LAMBDA", 12, 12, 1, 1},
    {u"MU", 13, 13, 1, 1},      {u"NU", 14, 14, 1, 1},     {u"XI", 15, 15, 1, 1},    {u"OMICRON", 16, 16, 1, 1},
    {u"PI", 17, 17, 1, 1},      {u"RHO", 18, 18, 1, 1},    {u"SIGMA", 19, 19, 1, 1}, {u"CAF\u00C9", 22, 22, 1, 1},
};

Bytes IndexHead(int32_t n) {
  Bytes h;
  h.put<int32_t>(0x4C5A5400).put<int32_t>(0).put<int32_t>(1).put<int32_t>(-1).put<uint8_t>(15);
  h.ascii("TESSORINE INDEX").zeros(25).put<int32_t>(n);
  return h;
}

TEST_F(IndexBuild, FourTextsByHandByteForByte) {
  auto doc = NewDoc();
  const UString base = tmp.Path() + u"corpus";
  ASSERT_TRUE(BuildIndex(*doc, base + u".tokens", {empty, utf8, utf16, cp1252})) << Utf16ToUtf8(doc->LastFailure());

  // ".tokens": the head, the 23 records, the settings block, nothing after it.
  Bytes tokens = IndexHead(23);
  for (const TTok& t : kTokens)
    tokens.put<uint32_t>(t.type | (t.marker << 28)).put<int32_t>(t.next).put<int32_t>(t.file).put<int32_t>(t.byte);
  const std::vector<uint8_t> got = FileBytes(base + u".tokens");
  ASSERT_EQ(got.size(), tokens.b.size() + 3352);
  EXPECT_EQ(std::vector<uint8_t>(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(tokens.b.size())), tokens.b);
  TWordlistIndexSettingsRec block;
  std::memcpy(block.bytes, got.data() + 61 + 16 * 23, 3352);
  EXPECT_EQ(block.LayoutMarker(), -24);  // -(running words + 1)
  EXPECT_EQ(block.IndexRunningWords(), 23);
  EXPECT_EQ(block.RecordsNotRunningWords(), 0);
  EXPECT_TRUE(block.Unicode());
  EXPECT_EQ(block.IndexVersion(), 1);
  EXPECT_TRUE(std::memcmp(block.TextSettings().bytes, doc->TextSettings().bytes, 3028) == 0);
  EXPECT_EQ(std::memcmp(block.bytes + 3300, doc->WordlistSettings.bytes, 24), 0);

  // ".types": the head, the int32 offsets (entry i at 61 + 4 i), the records with their words;
  // headings and notes follow.
  Bytes offsets, records;
  int32_t at = 61 + 4 * 20;
  for (uint32_t i = 0; i < 20; ++i) {
    const TType& t = kTypes[i];
    offsets.put<int32_t>(at);
    records.put<int32_t>(t.first).put<int32_t>(t.last).put<uint32_t>(i).put<int32_t>(t.last + 1);
    records.put<int32_t>(t.n_texts).put<int32_t>(t.freq).put<int32_t>(0).zeros(8).counted(t.word);
    at += 40 + 2 * static_cast<int32_t>(UStringView(t.word).size());
  }
  Bytes types = IndexHead(20);
  types.b.insert(types.b.end(), offsets.b.begin(), offsets.b.end());
  types.b.insert(types.b.end(), records.b.begin(), records.b.end());
  const std::vector<uint8_t> got_types = FileBytes(base + u".types");
  ASSERT_GE(got_types.size(), types.b.size());
  EXPECT_EQ(std::vector<uint8_t>(got_types.begin(), got_types.begin() + static_cast<std::ptrdiff_t>(types.b.size())),
            types.b);
  EXPECT_EQ(TypesTailStart(got_types), types.b.size());

  // ".stats": the word lister's header for list type 19, then the four texts' rows in order.
  const std::vector<uint8_t> stats = FileBytes(base + u".stats");
  ASSERT_GT(stats.size(), 57u);
  EXPECT_EQ(I32At(stats, 0), 0x4C5A5400);
  EXPECT_EQ(std::string(stats.begin() + 17, stats.begin() + 17 + stats[16]), "TESSORINE STATISTICS");
  // ".markup": no section was marked.
  EXPECT_EQ(FileBytes(base + u".markup"), Bytes().put<int32_t>(0).b);

  auto reader = NewDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base + u".tokens").first) << Utf16ToUtf8(reader->LastFailure());
  EXPECT_TRUE(reader->LastFailure().empty()) << Utf16ToUtf8(reader->LastFailure());
  TVXStatsList& rows = reader->Stats();
  ASSERT_EQ(rows.Count(), 4);
  const std::vector<UString> names{empty, utf8, utf16, cp1252};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rows.GetEntryFullFilename(i), names[static_cast<size_t>(i)]);
    EXPECT_EQ(rows.Row(i)->fdata.data.text_number, i + 1);
    int64_t size = 0;
    std::memcpy(&size, rows.Row(i)->fdata.data.spare340, 8);
    EXPECT_EQ(size, FileSizeU(names[static_cast<size_t>(i)]));
  }
  EXPECT_EQ(rows.Row(0)->fdata.data.running_words, 0);
  EXPECT_EQ(rows.Row(2)->fdata.data.running_words, 11);
  EXPECT_EQ(reader->IndexHandler()->TotalTokensInIndex, 23);
  EXPECT_EQ(reader->IndexHandler()->TypeCount(), 20);
}

TEST_F(IndexBuild, ATypeCountsItsTextsAsTheyComeAndAddingGivesTheSameFiles) {
  const UString one = tmp.Path() + u"one", two = tmp.Path() + u"two";
  // Indexed at once.
  auto all = NewDoc();
  ASSERT_TRUE(BuildIndex(*all, one, {empty, utf8, utf16, cp1252}));
  // Indexed two texts at a time: RIVER is first met in the second text (1 text), then again in
  // the third (2 texts); KAPPA first in the third, again in the fourth.
  struct Step {
    std::vector<UString> texts;
    int32_t mode;
    int32_t river_texts, kappa_texts;
  };
  const Step steps[] = {{{empty, utf8}, kIndexCreate, 1, 0}, {{utf16}, kIndexAdd, 2, 1}, {{cp1252}, kIndexAdd, 2, 2}};
  for (const Step& s : steps) {
    auto doc = NewDoc();
    ASSERT_TRUE(BuildIndex(*doc, two, s.texts, 1, s.mode)) << Utf16ToUtf8(doc->LastFailure());
    auto reader = NewDoc();
    ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(two).first);
    TIndexHandler& index = *reader->IndexHandler();
    const TIndexTypeFileRec* river = index.PointerFromWordType(index.WordNumberFromWord(u"river"));
    ASSERT_NE(river, nullptr);
    EXPECT_EQ(river->n_texts, s.river_texts);
    const int32_t kappa = index.WordNumberFromWord(u"kappa");
    EXPECT_EQ(kappa < 0 ? 0 : index.PointerFromWordType(kappa)->n_texts, s.kappa_texts);
  }
  EXPECT_EQ(ReadIndexBytes(two), ReadIndexBytes(one));
}

// The benchmark's comparison of two builds (bench_index --same) sets the notes aside, which hold
// the day and time of a build, and nothing else: two builds of the same texts are the same
// whatever their notes say; a build of other texts differs in every file that holds words.
TEST_F(IndexBuild, TheBenchmarksComparisonSetsOnlyTheNotesAside) {
  const UString first = tmp.Path() + u"first", second = tmp.Path() + u"second", other = tmp.Path() + u"other";
  auto build = [&](const UString& base, const std::vector<UString>& texts, const char16_t* note) {
    auto doc = NewDoc();
    ASSERT_TRUE(doc->StartAnIndexHandler(base, kIndexCreate));
    TSharedChosenFilesClass chosen(false, nullptr, 1);
    for (const UString& t : texts) chosen.ToolAddAFile(t);
    int32_t converted = 0;
    ASSERT_TRUE(doc->MakeWordlist(chosen, 0, kListIndexWordlist, converted));
    doc->fNotes.Add(note);
    ASSERT_TRUE(doc->SaveToFile(base, 0, 0, 0)) << Utf16ToUtf8(doc->LastFailure());
  };
  build(first, {utf8, utf16, cp1252}, u"built at 09:14:05");
  build(second, {utf8, utf16, cp1252}, u"built at 17:52:41, a day later");
  build(other, {utf8, cp1252}, u"built at 09:14:05");
  const std::string a = Utf16ToUtf8(first), b = Utf16ToUtf8(second), c = Utf16ToUtf8(other);
  ASSERT_NE(bench_index::FileBytes(a + ".types"), bench_index::FileBytes(b + ".types"));
  EXPECT_EQ(bench_index::DifferingIndexFiles(a, b), "");
  EXPECT_EQ(bench_index::DifferingIndexFiles(a, c), " .tokens .stats .types");
}

TEST_F(IndexBuild, NotesOfABuildAndOfAnAddGoIntoTheTypes) {
  const UString base = tmp.Path() + u"notes";
  auto doc = NewDoc();
  ASSERT_TRUE(BuildIndex(*doc, base, {utf8}));
  auto reader = NewDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
  const UString notes = reader->fNotes.Text();
  EXPECT_NE(notes.find(u"Minimum Index frequency: 1"), UString::npos) << Utf16ToUtf8(notes);
  // Texts added, saved through the handler with notes of the caller's.
  auto adder = NewDoc();
  ASSERT_TRUE(adder->StartAnIndexHandler(base, kIndexAdd));
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  chosen.ToolAddAFile(cp1252);
  int32_t converted = 0;
  ASSERT_TRUE(adder->MakeWordlist(chosen, 0, kListIndexWordlist, converted));
  adder->fNotes.Add(u"a note of the caller");
  const std::vector<UString> added_notes = adder->fNotes.Lines();
  ASSERT_TRUE(adder->SaveToFile(base, 0, 0, 0)) << Utf16ToUtf8(adder->LastFailure());
  auto again = NewDoc();
  ASSERT_TRUE(again->OpenAnIndexAndLoadWords(base).first);
  // The index's first notes, the adding note, then the notes of the run that added.
  const std::vector<UString>& lines = again->IndexHandler()->fTail.notes;
  const std::vector<UString>& first = reader->IndexHandler()->fTail.notes;
  ASSERT_EQ(lines.size(), first.size() + 1 + added_notes.size());
  EXPECT_TRUE(std::equal(first.begin(), first.end(), lines.begin()));
  EXPECT_EQ(lines[first.size()], u"Added to an existing index.");
  EXPECT_TRUE(std::equal(added_notes.begin(), added_notes.end(), lines.begin() + static_cast<std::ptrdiff_t>(first.size() + 1)));
  EXPECT_EQ(lines.back(), u"a note of the caller");
  EXPECT_EQ(again->IndexHandler()->TextCount(), 2);
}

// An opened index saved under another name goes there whole; the index it came from stays as it was.
TEST_F(IndexBuild, AnOpenedIndexSavedUnderAnotherNameIsCopiedWhole) {
  const UString one = tmp.Path() + u"one", two = tmp.Path() + u"sub/two";
  ForceDirectories(tmp.Path() + u"sub");
  auto doc = NewDoc();
  ASSERT_TRUE(BuildIndex(*doc, one, {utf8, utf16}));
  const TIndexBytes before = ReadIndexBytes(one);
  const std::vector<uint8_t> types_before = FileBytes(one + u".types");
  auto reader = NewDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(one).first);
  reader->fNotes.Add(u"kept under another name");
  ASSERT_TRUE(reader->SaveToFile(two + u".tokens", 0, 0, 0)) << Utf16ToUtf8(reader->LastFailure());
  EXPECT_EQ(ReadIndexBytes(two), before);
  EXPECT_EQ(FileBytes(one + u".types"), types_before);
  EXPECT_EQ(FilesIn(tmp.Path() + u"sub"), (std::vector<UString>{u"two.markup", u"two.stats", u"two.tokens", u"two.types"}));
  auto again = NewDoc();
  ASSERT_TRUE(again->OpenAnIndexAndLoadWords(two).first) << Utf16ToUtf8(again->LastFailure());
  EXPECT_EQ(again->IndexHandler()->fTail.notes.back(), u"kept under another name");
  EXPECT_EQ(again->IndexHandler()->ListOfAllContextsToAWord(u"river")->Count(), 3);
}

TEST_F(IndexBuild, TokensCarryTheWordFlags) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<uint32_t> markers;  // per token: 1 punctuation, 2 sentence, 4 paragraph, 8 end
  };
  const Case cases[] = {
      {"sentences and commas", "The cat sat. The dog ran, the cat hid.", {0, 0, 3, 0, 0, 1, 0, 0, 11}},
      {"no punctuation at the end", "one two", {0, 8}},
      {"a dotted abbreviation ends no sentence", "See U.S.A. today and Mr Smith.", {0, 0, 0, 1, 0, 0, 0, 11}},
      {"a question and an exclamation", "Why? Now! OK", {3, 3, 8}},
      {"an exclamation before a small letter", "Now! ok", {1, 8}},
      {"a comma before the end of a line", "one,\ntwo", {1, 8}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto doc = NewDoc();
    const UString base = tmp.Path() + u"flags";
    ASSERT_TRUE(BuildIndex(*doc, base, {tmp.Write(u"f.txt", c.text)}, 1, kIndexCreate, true));
    const std::vector<uint8_t> b = FileBytes(base + u".tokens");
    const int32_t n = I32At(b, 57);
    std::vector<uint32_t> markers;
    for (int32_t i = 0; i < n; ++i) markers.push_back(static_cast<uint32_t>(I32At(b, 61 + 16 * i)) >> 28);
    EXPECT_EQ(markers, c.markers);
  }
}

TEST_F(IndexBuild, ParagraphMarkersAreBoundaries) {
  auto doc = NewDoc();
  TTextsett_rec32 t = doc->TextSettings();
  t.SetMarkerText(17, u"</p>");
  t.SetMarkerAuto(17, false);
  SetTextSettings(t);  // the store's tag settings make the markers
  doc->SetTextSettings(t);
  const UString base = tmp.Path() + u"paragraphs";
  ASSERT_TRUE(BuildIndex(*doc, base, {tmp.Write(u"p.txt", "<p>one two</p><p>three four</p>")}));
  const std::vector<uint8_t> b = FileBytes(base + u".tokens");
  std::vector<uint32_t> markers;
  for (int32_t i = 0; i < I32At(b, 57); ++i) markers.push_back(static_cast<uint32_t>(I32At(b, 61 + 16 * i)) >> 28);
  EXPECT_EQ(markers, (std::vector<uint32_t>{0, 4, 0, 12}));
}

// Texts of many chunks: batches handed over while a text is read, by one worker and by eight.
TEST_F(IndexBuild, OneWorkerAndEightWriteTheSameFiles) {
  std::mt19937 rng(11);
  const char* words[] = {"the", "river", "old", "mill", "bridge", "flows", "under", "past", "and", "water"};
  std::vector<UString> texts;
  for (int t = 0; t < 12; ++t) {
    std::string body;
    const size_t size = t == 3 ? 5'000'000 : 20'000 + rng() % 200'000;
    while (body.size() < size) {
      body += words[rng() % 10];
      body += rng() % 9 == 0 ? ".\n" : (rng() % 5 == 0 ? ", " : " ");
      if (rng() % 500 == 0) body += "w" + std::to_string(rng() % 100000) + " ";
    }
    texts.push_back(tmp.Write(u"t" + IntToUStr(t) + u".txt", body));
  }
  texts.insert(texts.begin() + 5, empty);
  const UString one = tmp.Path() + u"one", eight = tmp.Path() + u"eight";
  auto a = NewDoc();
  ASSERT_TRUE(BuildIndex(*a, one, texts, 1));
  auto b = NewDoc();
  ASSERT_TRUE(BuildIndex(*b, eight, texts, 8));
  const TIndexBytes x = ReadIndexBytes(one), y = ReadIndexBytes(eight);
  EXPECT_GT(x.tokens.size(), 16u * 1'000'000);
  EXPECT_TRUE(x.tokens == y.tokens);
  EXPECT_TRUE(x.types_records == y.types_records);
  EXPECT_TRUE(x.stats == y.stats);
  EXPECT_TRUE(x.markup == y.markup);
}

}  // namespace
