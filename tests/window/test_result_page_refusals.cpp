// The result pages' commands on a real concordance when the input is bad or the user cancels:
// each says so clearly and leaves the document and the store as they were. And the follow-up
// concordances: the request read back, the second instance started with its parameters.
#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <sys/stat.h>

#include "concordance/commands/collocate_highlight.h"
#include "concordance/document/tell_list.h"
#include "windows/cluster_settings_dialog.h"
#include "windows/general_input_dialog.h"
#include "windows/modify_source_texts_window.h"
#include "windows/timeline_settings_dialog.h"
#include "windows/word_list_check_dialog.h"
#include "platform/runtime/vx_tools.h"
#include "shell/qt/shell_menu_bar.h"
#include "shell/qt/window_messages.h"
#include "window/result_pages_support.h"

using namespace result_pages;

namespace {

class ResultPageRefusals : public ResultPagesTest {
 protected:
  static constexpr int kTotalColumn = 16;  // the collocates' list column
  TCollocateList& Collocates() { return *dynamic_cast<TCollocateList*>(Doc().fCollocateList.get()); }
  TVX_Grid* CollocatesOnTotal(int row = 1) {
    TVX_Grid* grid = TurnToType(kListCollocates);
    EXPECT_TRUE(WaitUntil([&] { return Collocates().Count() > 1; }));
    grid->SelectCell(row, kTotalColumn);
    return grid;
  }
  std::vector<UString> ClusterTexts() {
    std::vector<UString> out;
    auto& clusters = *dynamic_cast<TConcordanceClusterList*>(Doc().fClusterList.get());
    for (int i = 0; i < clusters.Count(); ++i) out.push_back(clusters.Row(i)->rec.line.value_or(UString()));
    return out;
  }
};

}  // namespace

TEST_F(ResultPageRefusals, AFollowUpOfACollocateIsRequestedOfASecondInstance) {
  // "compute" at the highlight's choice: a request of this tool to itself, code 50.
  CollocatesOnTotal();
  const UString collocate = UpperCaseU(Collocates().Row(0)->rec.word.value_or(UString()));
  AnswerNextModal(true, [](QDialog& d) { static_cast<TGeneralInputDlg&>(d).OptionButton(2)->click(); });
  Fire(150);
  ASSERT_TRUE(WaitUntil([this] { return !instances.empty(); }));
  ASSERT_EQ(instances.size(), 1u);
  EXPECT_EQ(instances[0], std::vector<UString>{GetShortToolFilename(kToolConcordancer)});
  TTellLinzoraList back(kToolConcordancer, kToolConcordancer);
  ASSERT_TRUE(back.ReadRequestFile()) << Utf16ToUtf8(back.Failure());
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(back.Item(0)->word_details[0], u"RIVER");
  EXPECT_EQ(back.Item(0)->context_words, std::vector<UString>{collocate});
  ASSERT_NE(back.SourceFileList(), nullptr);
  EXPECT_EQ(back.SourceFileList()->Count(), Doc().fTextFilesWithSearchWord->Count());
  EXPECT_FALSE(Lines().HighlightRec.active);

  // Follow collocate (155): the switch tells whether the search word is to be in the context.
  struct Case {
    int context_answer;
    const char16_t* switch_;
    const char16_t* context;
  } const cases[] = {{mrYes, u"-Y", u"RIVER"}, {mrNo, u"-F", u""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.switch_));
    CollocatesOnTotal();
    instances.clear();
    dialogs.Clear();
    dialogs.Script({mrYes, c.context_answer});
    Fire(155);
    ASSERT_TRUE(WaitUntil([this] { return !instances.empty(); }));
    EXPECT_EQ(instances, std::vector<std::vector<UString>>{{c.switch_}});
    EXPECT_EQ(GetATempString(1), collocate);
    EXPECT_EQ(GetATempString(2), UString(c.context));
  }
}

// Compute > Follow collocate with its search word required in the context: the second window
// seeks the collocate with the node anywhere within the horizons the collocate was counted in,
// whatever exact place another window's run left in the store, and its wizard shows that run.
TEST_F(ResultPageRefusals, AFollowUpTakesTheCollocateHorizonsNotASpanLeftByAnotherRun) {
  TVX_Grid* grid = TurnToType(kListCollocates);
  ASSERT_TRUE(WaitUntil([&] { return Collocates().Count() > 1; }, 5000));
  int mill = -1;
  for (int i = 0; i < Collocates().Count() && mill < 0; ++i) {
    const TCollocateEntryRec32& r = Collocates().Row(i)->rec;
    if (UpperCaseU(r.word.value_or(UString())) == u"MILL" && UpperCaseU(r.search_word) == u"RIVER") mill = i;
  }
  ASSERT_GE(mill, 0);
  grid->SelectCell(mill + 1, kTotalColumn);
  const int16_t colloc_left = Doc().fSettings.CollocHorizonLeft(), colloc_right = Doc().fSettings.CollocHorizonRight();

  // "compute" at the highlight's choice, on a document whose own run sought its context word at
  // one exact place: the collocate (any place, the total column) is sought within the collocate
  // horizons all the same.
  Doc().fSettings.SetContextHorizonLeft(1);
  Doc().fSettings.SetContextHorizonRight(0);
  AnswerNextModal(true, [](QDialog& d) { static_cast<TGeneralInputDlg&>(d).OptionButton(2)->click(); });
  Fire(150);
  ASSERT_TRUE(WaitUntil([this] { return !instances.empty(); }, 3000));
  TTellLinzoraList request(kToolConcordancer, kToolConcordancer);
  ASSERT_TRUE(request.ReadRequestFile()) << Utf16ToUtf8(request.Failure());
  EXPECT_EQ(request.fPreliminaries.context_exact_gap, 0);
  EXPECT_EQ(request.fPreliminaries.context_hors[0], colloc_left);
  EXPECT_EQ(request.fPreliminaries.context_hors[1], colloc_right);
  grid = TurnToType(kListCollocates);
  grid->SelectCell(mill + 1, kTotalColumn);

  // Another window's run: "river" exactly one word to the left.
  TConcSettingsRec32 other = GetConcSaveRec();
  ApplyExactPosition(other, -1);
  SetConcSaveRec(other);

  instances.clear();
  dialogs.Clear();
  dialogs.Script({mrYes, mrYes});
  Fire(155);
  ASSERT_TRUE(WaitUntil([this] { return !instances.empty(); }, 3000));
  ASSERT_EQ(GetATempString(1), u"MILL");
  ASSERT_EQ(GetATempString(2), u"RIVER");

  // The second window, started as the controller starts it.
  Start(instances[0]);
  ASSERT_NE(Main().Doc(), nullptr) << "the follow-up found nothing";
  const int follow_up_lines = Main().Doc()->fConcordanceList->Count();
  const TConcSettingsRec32 ran = Main().Doc()->fSettings;
  EXPECT_EQ(ran.ExactContextPosition(), 0);
  EXPECT_EQ(ran.ContextHorizonLeft(), colloc_right);
  EXPECT_EQ(ran.ContextHorizonRight(), colloc_left);

  // Its wizard shows what ran; OK runs the same search again and finds the same lines.
  Main().ShowStartDialog();
  ASSERT_TRUE(WaitUntil([this] { return Wizard().isVisible(); }));
  EXPECT_EQ(Wizard().SearchBox()->currentText(), QStringLiteral("MILL"));
  EXPECT_EQ(Wizard().ContextBox()->currentText(), QStringLiteral("RIVER"));
  EXPECT_TRUE(Wizard().SpanRadio()->isChecked());
  EXPECT_EQ(Wizard().SpanLeft()->currentRow(), colloc_right);
  EXPECT_EQ(Wizard().SpanRight()->currentRow(), colloc_left);
  Wizard().ButtonOKClick();
  DeliverPendingEvents();
  ASSERT_TRUE(WaitUntil([this] { return !Main().RunActive(); }));
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_EQ(Main().Doc()->fConcordanceList->Count(), follow_up_lines);
  EXPECT_GT(follow_up_lines, 0);
}

TEST_F(ResultPageRefusals, FollowUpsThatCannotBeHandedOverAreSaidAndStartNothing) {
  // The request file cannot be written where it should go.
  const UString request = TTellLinzoraList(kToolConcordancer, kToolConcordancer).TempFilename();
  ASSERT_EQ(::mkdir(Utf16ToUtf8(request).c_str(), 0700), 0);
  CollocatesOnTotal();
  AnswerNextModal(true, [](QDialog& d) { static_cast<TGeneralInputDlg&>(d).OptionButton(2)->click(); });
  Fire(150);
  DeliverPendingEvents();
  EXPECT_TRUE(WasAsked(TVXDialog::FailedToSave));
  EXPECT_FALSE(CodeSent(50));
  EXPECT_TRUE(instances.empty());

  // No text of the concordance is left and none is chosen: nothing to follow the collocate in.
  for (const UString& t : corpus->texts) std::filesystem::remove(Utf16ToUtf8(t));
  SetChosenTextFiles(false, u"", 0);
  SetATempString(u"before", 1);
  CollocatesOnTotal();
  dialogs.Clear();
  dialogs.Script({mrYes, mrNo, mrOK});
  Fire(155);
  DeliverPendingEvents();
  EXPECT_TRUE(WasAsked(TVXDialog::CancellingAsNoneOfTheSourceTextsFound));
  EXPECT_FALSE(CodeSent(155));
  EXPECT_TRUE(instances.empty());
  EXPECT_EQ(GetATempString(1), u"before");
}

TEST_F(ResultPageRefusals, TheListOfFileNamesRefusesAFileThatIsNoConcordance) {
  const UString not_a_concordance = dir.Write(u"notes.cnc", std::string("plain words, no concordance"));
  const int notes = Doc().fNotes.Count();
  const QString memo = Main().GetToolSpecificControl()->toPlainText();
  dialogs.Script({mrYes});
  file_dialogs.answers.push_back(not_a_concordance);
  Fire(163);
  EXPECT_TRUE(WasAsked(TVXDialog::FailedToRead));
  EXPECT_NE(AllQuestionText().find(not_a_concordance), UString::npos);
  EXPECT_EQ(Doc().fNotes.Count(), notes);
  EXPECT_EQ(Main().GetToolSpecificControl()->toPlainText(), memo);
}

TEST_F(ResultPageRefusals, AReferenceListMissingOrNotAWordListChangesNothing) {
  SetKeywordsSettingsReferenceCorpus(u"");
  const UString plain = dir.Write(u"plain.lst", std::string("river 10\nbank 5\n"));
  TVX_Grid* grid = CollocatesOnTotal();
  const auto headings = Collocates().Headings();
  struct Case {
    const char* what;
    UString file;
    TVXDialog said;
  } const cases[] = {
      {"not a word list", plain, TVXDialog::InformationMessage},
      {"missing", dir.Path() + u"absent.lst", TVXDialog::FailedToFind},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dialogs.Clear();
    AnswerNextModal(true, [&c](QDialog& d) { static_cast<TFormCollRelationsWLCheckFilename&>(d).SetWordListFile(c.file); });
    Main().CComputeRelationships(grid);
    DeliverPendingEvents();
    EXPECT_TRUE(WasAsked(c.said));
    EXPECT_NE(AllQuestionText().find(c.file), UString::npos);
    EXPECT_EQ(GetKeywordsSettingsReferenceCorpus(), u"");
    EXPECT_FALSE(Collocates().fsettings.saved_relationships_computed);
    EXPECT_EQ(Collocates().Headings(), headings);
  }
  // Cancel at the check: nothing asked, nothing computed.
  dialogs.Clear();
  AnswerNextModal(false);
  Main().CComputeRelationships(grid);
  DeliverPendingEvents();
  EXPECT_TRUE(dialogs.Asked().empty());
  // No collocates to relate: said so.
  Collocates().Clear();
  AnswerNextModal(true, [this](QDialog& d) {
    static_cast<TFormCollRelationsWLCheckFilename&>(d).SetWordListFile(corpus->reference);
  });
  Main().CComputeRelationships(grid);
  DeliverPendingEvents();
  EXPECT_TRUE(WasAsked(TVXDialog::NoCollocates));
}

TEST_F(ResultPageRefusals, NoClustersOfTheAskedSizesKeepTheClusters) {
  TVX_Grid* grid = TurnToType(kListClusters);
  ASSERT_TRUE(WaitUntil([this] { return !ClusterTexts().empty(); }));
  const std::vector<UString> before = ClusterTexts();
  const int16_t largest = Doc().fSettings.ClusterSizeMax();
  AnswerNextModal(true, [](QDialog& d) {
    auto& c = static_cast<TClusterDlg&>(d);
    c.Largest()->setValue(8);
    c.Smallest()->setValue(8);
    c.MinFrequency()->setValue(500);
    c.OKClick();
  });
  Main().CClusters(grid);
  DeliverPendingEvents();
  EXPECT_TRUE(WasAsked(TVXDialog::NoLinzoraClustersOfSize));
  EXPECT_EQ(ClusterTexts(), before);
  EXPECT_EQ(Doc().fSettings.ClusterSizeMax(), largest);
  // Cancel: nothing recomputed, nothing said.
  dialogs.Clear();
  AnswerNextModal(false);
  Main().CClusters(grid);
  DeliverPendingEvents();
  EXPECT_TRUE(dialogs.Asked().empty());
  EXPECT_EQ(ClusterTexts(), before);
}

TEST_F(ResultPageRefusals, AnUndefinedTimelineBasisAsksTheControllerAndComputesNothing) {
  TVX_Grid* grid = TurnToType(kListTimeline);
  ASSERT_TRUE(WaitUntil([this] { return Doc().fTimeLineList->Count() > 0; }));
  const int rows = Doc().fTimeLineList->Count();
  const int notes = Doc().fNotes.Count();
  AnswerNextModal(true, [](QDialog& d) {
    auto& t = static_cast<TFormTimelineSettings&>(d);
    t.Basis()->setCurrentIndex(-1);  // no basis chosen
    t.OKClick();
  });
  Main().CComputeTimeline(grid);
  DeliverPendingEvents();
  EXPECT_TRUE(WasAsked(TVXDialog::UndefinedTimeLineBasis));
  EXPECT_TRUE(CodeSent(1245));  // the controller played here only notes it
  EXPECT_TRUE(Main().isVisible());
  EXPECT_EQ(Doc().fTimeLineList->Count(), rows);
  EXPECT_EQ(Doc().fNotes.Count(), notes);
}

TEST_F(ResultPageRefusals, CancellingTheModifyWindowOrTheJoinChoiceChangesNothing) {
  TurnToType(kListConcordance);
  const UString text = corpus->folder + u"river_words.txt";
  const auto size = std::filesystem::file_size(Utf16ToUtf8(text));
  Lines().Line(0)->SetAWordAsString(2, u"GLOSS");
  AnswerNextModal(false);
  Fire(141);
  DeliverPendingEvents();
  EXPECT_FALSE(WasAsked(TVXDialog::NModificationsMade));
  EXPECT_EQ(std::filesystem::file_size(Utf16ToUtf8(text)), size);
  EXPECT_TRUE(GetModifyInitials().empty());

  TVX_Grid* clusters = TurnToType(kListClusters);
  ASSERT_TRUE(WaitUntil([this] { return !ClusterTexts().empty(); }));
  AnswerNextModal(false);
  PostWindowMessage(clusters, kMsgGridCommand, 5048, 0);
  DeliverPendingEvents();
  for (int i = 0; i < clusters->List()->Count(); ++i) EXPECT_FALSE(clusters->List()->GetHasJoined(i));
  // On the lines Join Clusters does not apply.
  PostWindowMessage(&Grid(), kMsgGridCommand, 5048, 0);
  DeliverPendingEvents();
  EXPECT_EQ(StatusMessage(), QStringLiteral("Join Clusters does not apply to this list."));
  // Auto-Join's item is disabled and says why.
  QAction* auto_join = Main().Menus()->ActionOfTag(104);
  ASSERT_NE(auto_join, nullptr);
  EXPECT_FALSE(auto_join->isEnabled());
  EXPECT_EQ(auto_join->statusTip(), QStringLiteral("Auto-Join is not available: no rule for it is specified"));
}
