// A corpus index as this program meets it: a word-list tool's request for the contexts of a word
// in an index of the samples runs as a concordance of those places; the index's files, dropped,
// named on the command line or chosen among the recent files, are refused as the word lister's.
#include <QProcess>

#include "window/main_road_support.h"
#include "wordlist/index_test_support.h"

namespace {

class IndexRequest : public MainRoadTest {
 protected:
  void SetUp() override {
    MainRoadTest::SetUp();
    current_tool_var = kToolConcordancer;
    TSharedChosenFilesClass chosen(false, nullptr, 1);
    ASSERT_EQ(chosen.AddedFolderContents(Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/", u"*.txt", false, true), 10);
    auto doc = index_test::PlainDoc();
    base = corpus.Path() + u"samples";
    ASSERT_TRUE(index_test::BuildIndexOf(*doc, base, chosen, 2)) << Utf16ToUtf8(doc->LastFailure());
  }
  TempFolder corpus;
  UString base;
};

TEST_F(IndexRequest, TheContextsOfAWordRunAsAConcordance) {
  auto reader = index_test::PlainDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
  TTellLinzoraList request(kToolWordLister, kToolConcordancer);
  index_test::WriteIndexRequest(*reader->IndexHandler(), reader->Stats(), u"river", request);
  ASSERT_EQ(request.Item(0)->jumplist.holders.size(), 91u);
  ASSERT_TRUE(request.SaveRequestFile());
  TFormLinzora& w = Start({u"wordlister"});
  ASSERT_NE(w.Doc(), nullptr) << Utf16ToUtf8(AllQuestionText());
  EXPECT_EQ(w.Doc()->fConcordanceList->Count(), 91);
  EXPECT_TRUE(w.tool_wants_linzora);
}

TEST_F(IndexRequest, TheIndexFilesAreRefusedAsAnotherToolsDroppedOrNamed) {
  TFormLinzora& w = Start();
  const std::vector<UString> files{base + u".tokens", base + u".types", base + u".stats"};
  w.HandleDroppedFiles(files);
  EXPECT_EQ(Asked(), std::vector<TVXDialog>(3, TVXDialog::WrongToolForFile));
  EXPECT_EQ(w.Doc(), nullptr);
  dialogs.Clear();
  TFormLinzora& named = Start({base + u".tokens"});
  EXPECT_TRUE(WasAsked(TVXDialog::WrongToolForFile)) << Utf16ToUtf8(AllQuestionText());
  EXPECT_EQ(named.Doc(), nullptr);
  // The recent-file item of the last index used (the word-list tool opened it to hand over the
  // contexts of a word): shown, and refused when chosen.
  dialogs.Clear();
  QProcess wordlister;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("LINZORA_CONFIG_DIR"), QString::fromStdString(Utf16ToUtf8(dir.Path() + u"config")));
  env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(Utf16ToUtf8(dir.Path())));
  wordlister.setProcessEnvironment(env);
  wordlister.start(QStringLiteral(LINZORA_WORDLIST_PROGRAM), {QStringLiteral("contexts"), ToQString(base), QStringLiteral("river")});
  ASSERT_TRUE(wordlister.waitForFinished(60000));
  ASSERT_EQ(wordlister.exitCode(), 0) << wordlister.readAllStandardError().toStdString();
  TFormLinzora& recent = Start();
  bool listed = false;
  for (const TMenuNode* n : recent.MenuModel().RecentFileItems()) listed = listed || n->data == base + u".tokens";
  EXPECT_TRUE(listed);
  recent.OpenRecentFile(base + u".tokens");
  EXPECT_EQ(Asked(), std::vector<TVXDialog>{TVXDialog::WrongToolForFile});
  EXPECT_EQ(recent.Doc(), nullptr);
}

}  // namespace
