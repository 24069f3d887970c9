// The word-list tool's stand-in as a user meets it beside the concordancer: its word list of the
// corpus is the reference corpus Compute > Relationships takes, and the contexts it hands over
// from its index of the samples open as the concordance of "river".
#include <QProcess>

#include "concordance/views/collocates_list.h"
#include "windows/word_list_check_dialog.h"
#include "window/result_pages_support.h"

namespace {

using namespace result_pages;

// linzora_wordlist with these arguments, in this process's settings and hand-over folders; its
// exit code (-1 when it did not end), its standard error into *err.
int RunWordlistTool(const QStringList& args, QByteArray* err = nullptr) {
  QProcess tool;
  tool.start(QStringLiteral(LINZORA_WORDLIST_PROGRAM), args);
  if (!tool.waitForFinished(120000)) return -1;
  if (err) *err = tool.readAllStandardError();
  return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

QString Q(const UString& s) { return ToQString(s); }

class WordlistToolRoad : public ResultPagesTest {};

TEST_F(WordlistToolRoad, ItsWordListIsTheReferenceCorpusOfComputeRelationships) {
  const UString list = dir.Path() + u"corpus.lst";
  QByteArray err;
  ASSERT_EQ(RunWordlistTool({QStringLiteral("list"), Q(corpus->folder), QStringLiteral("-o"), Q(list)}, &err), 0)
      << err.toStdString();
  TVX_Grid* grid = TurnToType(kListCollocates);
  ASSERT_NE(grid, nullptr);
  auto& collocates = *dynamic_cast<TCollocateList*>(Doc().fCollocateList.get());
  ASSERT_TRUE(WaitUntil([&] { return collocates.Count() > 1; }, 5000));
  grid->SelectCell(1, 1);
  AnswerNextModal(true, [&](QDialog& d) { static_cast<TFormCollRelationsWLCheckFilename&>(d).SetWordListFile(list); });
  Fire(53);
  ASSERT_TRUE(WaitUntil([&] { return collocates.fsettings.saved_relationships_computed; }, 10000))
      << Utf16ToUtf8(AllQuestionText());
  EXPECT_EQ(GetKeywordsSettingsReferenceCorpus(), list);
  EXPECT_FALSE(WasAsked(TVXDialog::InformationMessage)) << Utf16ToUtf8(AllQuestionText());
}

class WordlistToolContexts : public MainRoadTest {};

TEST_F(WordlistToolContexts, TheContextsItHandsOverOpenAsTheConcordance) {
  const QString index = Q(dir.Path() + u"index/samples");
  std::filesystem::create_directories(Utf16ToUtf8(dir.Path() + u"index"));
  QByteArray err;
  ASSERT_EQ(RunWordlistTool({QStringLiteral("index"), QStringLiteral(LINZORA_SAMPLES_DIR), QStringLiteral("-o"), index}, &err), 0)
      << err.toStdString();
  ASSERT_EQ(RunWordlistTool({QStringLiteral("contexts"), index, QStringLiteral("river")}, &err), 0) << err.toStdString();
  current_tool_var = kToolConcordancer;
  TFormLinzora& w = Start({u"wordlister"});
  ASSERT_NE(w.Doc(), nullptr) << Utf16ToUtf8(AllQuestionText());
  EXPECT_EQ(w.Doc()->fConcordanceList->Count(), 91);
  EXPECT_TRUE(w.tool_wants_linzora);
}

}  // namespace
