// Requests of another tool read at start-up: all items over the request's texts, or each item
// in its own texts; an unreadable request is named and nothing runs; one that finds nothing
// leaves no document.
#include <fstream>

#include "concordance/document/source_files.h"
#include "concordance/document/tell_list.h"
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
  void WriteRequest(bool jumps) {
    TTellLinzoraList request(kToolWordLister, kToolConcordancer);
    request.fPreliminaries.include_jumps = jumps ? 1 : 0;
    request.fPreliminaries.include_stats = 1;
    TLinzoraFilenamelist& files = request.MakeSourceFileList();
    AddText(files, a, 0);
    AddText(files, b, 1);
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

TEST_F(MainRoadRequests, WithJumpsEachItemInItsOwnTexts) {
  WriteRequest(true);
  TFormLinzora& w = Start({u"wordlister"});
  ASSERT_NE(w.Doc(), nullptr);
  // old in a.txt: 2; dog in b.txt: 1.
  EXPECT_EQ(w.Doc()->fConcordanceList->Count(), 3);
}

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
