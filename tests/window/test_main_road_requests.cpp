// Requests of another tool read at start-up: all items over the request's texts, or each item
// in its own texts; an unreadable request is named and nothing runs; one that finds nothing
// leaves no document. A request with jump positions (the word-list tool's from its index) gives
// one line per position, over a text of several chunks, alike on one worker and on eight.
#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "concordance/document/source_files.h"
#include "concordance/document/tell_list.h"
#include "model/reading/text_statistics.h"
#include "window/main_road_support.h"

namespace {

class MainRoadRequests : public MainRoadTest {
 protected:
  void SetUp() override {
    MainRoadTest::SetUp();
    a = corpus.Write(u"a.txt", "the old man and the sea; the old dog");
    b = corpus.Write(u"b.txt", "an old dog barks at the old man by the sea");
  }
  void AddText(TLinzoraFilenamelist& files, const UString& name, int32_t number) {
    TLinzoraFilenameEntryRecPlus rec;
    rec.full_filename = name;
    rec.head.filestatus = kFilePresent;
    rec.other_data.zero_based_filename_num = number;
    rec.other_data.file_size = FileSizeU(name);
    files.Add(new TLinzoraFilenameEntry(&files, rec));
  }
  // A word-list tool's request for "old" and "dog" in a.txt and b.txt.
  void WriteRequest(bool jumps, bool a_twice = false) {
    TTellLinzoraList request(kToolWordLister, kToolConcordancer);
    request.fPreliminaries.include_jumps = jumps ? 1 : 0;
    request.fPreliminaries.include_stats = 1;
    TLinzoraFilenamelist& files = request.MakeSourceFileList();
    AddText(files, a, 0);
    AddText(files, b, 1);
    if (a_twice) AddText(files, a, 2);
    TLinzoraInfoClass& one = request.AddItem(u"old");
    one.jumplist.holders = {{0, kNoJumpPosition}};  // "old" only in a.txt
    TLinzoraInfoClass& two = request.AddItem(u"dog");
    two.jumplist.holders = {{1, kNoJumpPosition}};  // "dog" only in b.txt
    ASSERT_TRUE(request.SaveRequestFile());
    request_file = request.TempFilename();
  }
  TempFolder corpus;
  UString a, b, request_file;
};

TEST_F(MainRoadRequests, WithoutJumpsEveryItemInEveryText) {
  WriteRequest(false);
  TFormLinzora& w = Start({u"wordlister"});
  ASSERT_NE(w.Doc(), nullptr);
  // old: 2 + 2, dog: 1 + 1.
  EXPECT_EQ(w.Doc()->fConcordanceList->Count(), 6);
  EXPECT_TRUE(w.tool_wants_linzora);
  EXPECT_EQ(Wizard().SearchBox()->currentText(), QStringLiteral("old"));
}

// A request naming a text twice reads it once.
TEST_F(MainRoadRequests, ATextNamedTwiceIsReadOnce) {
  WriteRequest(false, true);
  TFormLinzora& w = Start({u"wordlister"});
  ASSERT_NE(w.Doc(), nullptr);
  EXPECT_EQ(w.Doc()->fConcordanceList->Count(), 6);
}

TEST_F(MainRoadRequests, WithJumpsEachItemInItsOwnTexts) {
  WriteRequest(true);
  TFormLinzora& w = Start({u"wordlister"});
  ASSERT_NE(w.Doc(), nullptr);
  // old in a.txt: 2; dog in b.txt: 1.
  EXPECT_EQ(w.Doc()->fConcordanceList->Count(), 3);
}

// A text of three chunks with "old" on every line, and one that opens with "dog".
class MainRoadJumps : public MainRoadTest {
 protected:
  void TearDown() override {
    unsetenv("LINZORA_THREADS");
    MainRoadTest::TearDown();
  }
  void SetUp() override {
    MainRoadTest::SetUp();
    std::string text;
    for (int n = 0; text.size() < 5'000'000; ++n) {
      const std::string line = "line " + std::to_string(n) + " the old man walks, the old dog sleeps\n";
      for (size_t at = line.find("old"); at != std::string::npos; at = line.find("old", at + 1))
        old_at.push_back(static_cast<int64_t>(text.size() + at));
      text += line;
    }
    long_text = corpus.Write(u"long.txt", text);
    long_bytes = text;
    short_text = corpus.Write(u"short.txt", "dog days; the old dog barks at a dog");
  }
  void AddRow(TVXStatsList& stats, const UString& name) {
    TOne_text_stats_rec r;
    r.name = name;
    r.data.size_count = static_cast<int32_t>(FileSizeU(name));
    r.data.found = 1;
    stats.Add(new TStatsEntry(r, false, &stats));
  }
  // "old" at some of its places in the long text (in its first and third chunks, the second
  // passed over, one named twice, not in order); "dog" at byte 0 and at its last place in the
  // short one.
  void WriteRequest() {
    const size_t n = old_at.size();
    third = static_cast<size_t>(std::lower_bound(old_at.begin(), old_at.end(), 2 * 2097152) - old_at.begin());
    wanted_old = {old_at[1], old_at[7], old_at[third], old_at[third + 1], old_at[n - 1]};
    WriteRequest({wanted_old[4], wanted_old[0], wanted_old[2], wanted_old[1], wanted_old[3], wanted_old[2]});
  }
  // "old" at the places named in the long text.
  void WriteRequest(const std::vector<int64_t>& old_named) {
    TTellLinzoraList request(kToolWordLister, kToolConcordancer);
    request.fPreliminaries.include_jumps = 1;
    request.fPreliminaries.include_stats = 1;
    TVXStatsList& stats = request.MakeStatsList();
    AddRow(stats, long_text);
    AddRow(stats, short_text);
    TLinzoraInfoClass& old = request.AddItem(u"old");
    for (const int64_t p : old_named) old.jumplist.holders.push_back({0, static_cast<uint32_t>(p)});
    TLinzoraInfoClass& dog = request.AddItem(u"dog");
    dog.jumplist.holders = {{1, 0}, {1, 33}};
    ASSERT_TRUE(request.SaveRequestFile());
  }
  // Each item's lines as (byte, word number), in byte order.
  std::vector<std::pair<int64_t, int32_t>> LinesOf(const T_WholeLinzoraHolder& doc, int32_t item) {
    std::vector<std::pair<int64_t, int32_t>> out;
    for (int i = 0; i < doc.fConcordanceList->Count(); ++i) {
      const TConcordanceLineData& d = doc.fConcordanceList->Line(i)->Data();
      if (d.sw_number == item) out.emplace_back(d.byte_position, d.word_num);
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  void RunOn(const char* workers) {
    setenv("LINZORA_THREADS", workers, 1);
    // Lines wide enough that the left context of a place just after a cut reaches back past the
    // characters the reader carries over into the chunk before.
    TConcSettingsRec32 rec = GetConcSaveRec();
    rec.SetCharactersPerLine(6000);
    SetConcSaveRec(rec);
    WriteRequest();
    TFormLinzora& w = Start({u"wordlister"});
    ASSERT_NE(w.Doc(), nullptr) << Utf16ToUtf8(AllQuestionText());
    std::vector<std::pair<int64_t, int32_t>> old;
    for (const int64_t p : wanted_old) old.emplace_back(p, 0);
    EXPECT_EQ(LinesOf(*w.Doc(), 0), old);
    EXPECT_EQ(LinesOf(*w.Doc(), 1), (std::vector<std::pair<int64_t, int32_t>>{{0, 0}, {33, 0}}));
    EXPECT_EQ(w.Doc()->fConcordanceList->Count(), 7);
    // Each line is its place's own text: the hit at the midpoint, the place's text line in it,
    // and the one before it on the left (from the chunk passed over, for the third chunk's first).
    for (int i = 0; i < w.Doc()->fConcordanceList->Count(); ++i) {
      const TConcordanceEntry& line = *w.Doc()->fConcordanceList->Line(i);
      if (line.Data().sw_number != 0) continue;
      const size_t k = static_cast<size_t>(
          std::find(old_at.begin(), old_at.end(), line.Data().byte_position) - old_at.begin());
      ASSERT_LT(k, old_at.size());
      const UString text = line.Text().ToUString();
      const size_t mid = static_cast<size_t>(line.Data().midpoint);
      EXPECT_EQ(text.substr(mid, 3), u"old");
      const UString own = u"line " + IntToUStr(static_cast<int64_t>(k / 2)) + u" ";
      EXPECT_LT(text.find(own), mid) << Utf16ToUtf8(text);
      // Byte for byte the text's own characters around the place (a line end shows as a space).
      const size_t at = static_cast<size_t>(line.Data().byte_position);
      if (at >= mid) {
        std::string expected = long_bytes.substr(at - mid, text.size());
        std::replace(expected.begin(), expected.end(), '\n', ' ');
        const std::string got = Utf16ToUtf8(text);
        EXPECT_TRUE(got == expected) << "line at " << at << " begins \"" << got.substr(0, 60) << "\", not \""
                                     << expected.substr(0, 60) << "\"";
      }
    }
  }
  TempFolder corpus;
  UString long_text, short_text;
  std::string long_bytes;
  std::vector<int64_t> old_at, wanted_old;
  size_t third = 0;  // the first place of "old" in the third chunk
};

TEST_F(MainRoadJumps, OneLinePerPositionOnOneWorker) { RunOn("1"); }
TEST_F(MainRoadJumps, OneLinePerPositionOnEightWorkers) { RunOn("8"); }

// Thousands of places in one text: "old" at every third of its places, named from the last to
// the first and then again in order; each gets its one line, on one worker as on eight.
class MainRoadManyJumps : public MainRoadJumps, public ::testing::WithParamInterface<const char*> {};

TEST_P(MainRoadManyJumps, OneLinePerPosition) {
  setenv("LINZORA_THREADS", GetParam(), 1);
  std::vector<int64_t> wanted;
  for (size_t k = 0; k < old_at.size(); k += 3) wanted.push_back(old_at[k]);
  ASSERT_GT(wanted.size(), 50'000u);
  std::vector<int64_t> named(wanted.rbegin(), wanted.rend());
  named.insert(named.end(), wanted.begin(), wanted.end());
  WriteRequest(named);
  TFormLinzora& w = Start({u"wordlister"});
  ASSERT_NE(w.Doc(), nullptr) << Utf16ToUtf8(AllQuestionText());
  std::vector<std::pair<int64_t, int32_t>> expected;
  for (const int64_t p : wanted) expected.emplace_back(p, 0);
  EXPECT_EQ(LinesOf(*w.Doc(), 0), expected);
  EXPECT_EQ(LinesOf(*w.Doc(), 1), (std::vector<std::pair<int64_t, int32_t>>{{0, 0}, {33, 0}}));
}

INSTANTIATE_TEST_SUITE_P(Workers, MainRoadManyJumps, ::testing::Values("1", "8"));

TEST_F(MainRoadRequests, UnreadableRequestIsNamedAndNothingRuns) {
  WriteRequest(false);
  {
    std::ofstream damaged(ToFsPath(request_file), std::ios::binary | std::ios::trunc);
    damaged << "not a request";
  }
  TFormLinzora& w = Start({u"wordlister"});
  EXPECT_EQ(w.Doc(), nullptr);
  EXPECT_TRUE(WasAsked(TVXDialog::FailedToRead));
  EXPECT_NE(AllQuestionText().find(u".tell_linzora"), UString::npos) << Utf16ToUtf8(AllQuestionText());
}

TEST_F(MainRoadRequests, RequestFindingNothingLeavesNoDocument) {
  TTellLinzoraList request(kToolWordLister, kToolConcordancer);
  request.fPreliminaries.include_stats = 1;
  AddText(request.MakeSourceFileList(), a, 0);
  request.AddItem(u"zyzzyva");
  ASSERT_TRUE(request.SaveRequestFile());
  TFormLinzora& w = Start({u"wordlister"});
  EXPECT_EQ(w.Doc(), nullptr);
  EXPECT_TRUE(WasAsked(TVXDialog::NoConcordanceEntriesFound));
}

}  // namespace
