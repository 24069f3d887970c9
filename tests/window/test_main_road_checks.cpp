// Bad input on every road into a run: each gives its message, nothing crashes, and the shown
// document, the typed words and the texts stay as they were. A stopped run keeps its lines.
#include <atomic>
#include <chrono>
#include <thread>

#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>

#include "platform/rtl/streams.h"
#include "shell/main_window/main_window_rules.h"
#include "shell/qt/page_list.h"
#include "windows/sort_dialog.h"
#include "windows/wizard_rules.h"
#include "shell/qt/vx_status_bar.h"
#include "shell/qt/window_messages.h"
#include "support/wait_for.h"
#include "window/main_road_support.h"

namespace {

const UString kSamples = Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/";

class MainRoadChecks : public MainRoadTest {
 protected:
  // A window showing the lines of "river" in three sample texts.
  void ShowRiver() {
    ShowSampleRiverLines();
    ASSERT_NE(Main().Doc(), nullptr);
    shown = Main().Doc();
    shown_lines = shown->fConcordanceList->Count();
    ASSERT_GT(shown_lines, 0);
    dialogs.Clear();
  }
  void ExpectShownUntouched(const char* name, QString typed) {
    EXPECT_EQ(Main().Doc(), shown) << name;
    if (Main().Doc() == shown) {
      EXPECT_EQ(shown->fConcordanceList->Count(), shown_lines) << name;
    }
    EXPECT_EQ(Wizard().SearchBox()->currentText(), typed) << name;
    EXPECT_EQ(Main().ChosenTexts.FileCount(), 3) << name;
  }
  T_WholeLinzoraHolder* shown = nullptr;
  int shown_lines = 0;
};

TEST_F(MainRoadChecks, RefusedWordsLeaveEverythingAsItWas) {
  ShowRiver();
  struct Case {
    const char* name;
    const char16_t* typed;
    const char16_t* message_part;
  } cases[] = {
      {"empty", u"", u"nothing to search for"},
      {"blanks", u"   ", u"nothing to search for"},
      {"case marks only", u"====", u"nothing to search for"},
      {"a wildcard", u"*", u"\"*\""},
      {"wildcards with a blank", u"* *", u"\"* *\""},
      {"wildcard alternatives", u"*/*", u"\"*/*\""},
  };
  for (const Case& c : cases) {
    dialogs.Clear();
    Main().ShowStartDialog();
    Wizard().SearchBox()->setCurrentText(ToQString(c.typed));
    // Blanks round the words are trimmed, as on every OK.
    const QString typed = Wizard().SearchBox()->currentText().trimmed();
    Wizard().ButtonOKClick();
    DeliverPendingEvents();
    ASSERT_EQ(dialogs.Asked().size(), 1u) << c.name;
    EXPECT_NE(AllQuestionText().find(c.message_part), UString::npos) << c.name << ": " << Utf16ToUtf8(AllQuestionText());
    EXPECT_TRUE(Wizard().isVisible()) << c.name;
    ExpectShownUntouched(c.name, typed);
  }
}

TEST_F(MainRoadChecks, WildcardItemRefusedOnTheRunRoadToo) {
  ShowRiver();
  Wizard().SearchWordItems.Clear();
  Wizard().SearchWordItems.AddedSearchWords(u"river\n* *");
  EXPECT_FALSE(Main().RunConcordance(Main().ChosenTexts, false));
  EXPECT_NE(AllQuestionText().find(u"\"* *\""), UString::npos);
  ExpectShownUntouched("run road", QStringLiteral("river"));
}

TEST_F(MainRoadChecks, MissingTextsAreNamedBeforeTheDocumentGoes) {
  ShowRiver();
  TempFolder gone;
  const UString a = gone.Write(u"a.txt", "the river");
  const UString b = gone.Write(u"b.txt", "the river again");
  TVXFileDetails all_missing(false, kToolConcordancer);
  all_missing.ToolAddAFile(a);
  all_missing.ToolAddAFile(b);
  TVXFileDetails some_missing(false, kToolConcordancer);
  some_missing.ToolAddAFile(kSamples + u"river_spring.txt");
  some_missing.ToolAddAFile(a);
  DeleteFileU(a);
  DeleteFileU(b);
  Wizard().SearchWordItems.Clear();
  Wizard().SearchWordItems.AddedSearchWords(u"river");

  EXPECT_FALSE(Main().RunConcordance(all_missing, false));
  EXPECT_TRUE(WasAsked(TVXDialog::CancellingAsNoneOfTheSourceTextsFound));
  ExpectShownUntouched("all missing", QStringLiteral("river"));

  dialogs.Clear();
  dialogs.Script({mrCancel});
  EXPECT_FALSE(Main().RunConcordance(some_missing, false));
  EXPECT_TRUE(WasAsked(TVXDialog::CancelAsSomeSourceTextsNotFound));
  ExpectShownUntouched("some missing, cancelled", QStringLiteral("river"));

  // Going on runs over the texts present and names the one missing.
  dialogs.Clear();
  dialogs.Script({mrOK});
  EXPECT_TRUE(Main().RunConcordance(some_missing, false));
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_GT(Main().Doc()->fConcordanceList->Count(), 0);
  EXPECT_NE(AllQuestionText().find(a), UString::npos);
}

TEST_F(MainRoadChecks, BinaryTextPassedOverAndNamedOnce) {
  Start();
  TempFolder corpus;
  const UString text = corpus.Write(u"words.txt", "down by the river the river ran");
  std::string junk("\x7F" "ELF\x02\x01\x01\0\0\0river\0\0\x03\0>\0", 22);
  junk += std::string(300, '\0');
  const UString binary = corpus.Write(u"program.txt", junk);
  HandOverTexts({text, binary});
  RunFromWizard(u"river");
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_EQ(Main().Doc()->fConcordanceList->Count(), 2);
  int messages = 0;
  for (const TVXQuestion& q : dialogs.Asked())
    if (q.text.find(binary) != UString::npos) ++messages;
  EXPECT_EQ(messages, 1);
  bool in_notes = false;
  for (int i = 0; i < Main().Doc()->fNotes.Count(); ++i)
    if (Main().Doc()->fNotes[i].find(u"program.txt") != UString::npos) in_notes = true;
  EXPECT_TRUE(in_notes);
  EXPECT_TRUE(FileLooksBinary(binary));
  EXPECT_FALSE(FileLooksBinary(text));
  EXPECT_FALSE(FileLooksBinary(kSamples + u"ferry_letters.txt"));  // UTF-16 is no binary
}

TEST_F(MainRoadChecks, NoHitsSaysSoAndKeepsWordsAndTexts) {
  ShowRiver();
  RunFromWizard(u"zyzzyva");
  EXPECT_TRUE(WasAsked(TVXDialog::NoConcordanceEntriesFound));
  EXPECT_EQ(Main().Doc(), nullptr);
  EXPECT_EQ(Wizard().SearchBox()->currentText(), QStringLiteral("zyzzyva"));
  EXPECT_EQ(Main().ChosenTexts.FileCount(), 3);
}

TEST_F(MainRoadChecks, SecondRunRequestDuringARunIsRefused) {
  Start();
  TempFolder corpus;
  HandOverTexts(WriteRiverTexts(corpus, 30, 4000));
  int refused_checks = 0;
  bool stopped = false;
  // Readers of every text after the first wait until the window has seen lines and asked for the
  // stop, so that a fast machine cannot finish the run between two turns of the loop.
  std::atomic<bool> released{false};
  Main().SetRunChunkObserver([&](int32_t text) {
    if (text >= 1) WaitFor([&] { return released.load(); });
  });
  Main().SetRunTurnObserver([&] {
    if (stopped || !Main().Doc() || Main().Doc()->fConcordanceList->Count() == 0) return;
    // Requests that would free the document under the run are refused while it goes on.
    Main().StartConcordanceMessage(0, 10);
    if (Main().RunActive()) ++refused_checks;
    global_panic_state = kPanicStopNow;
    stopped = true;
    released = true;
  });
  RunFromWizard(u"river");
  Main().SetRunTurnObserver(nullptr);
  Main().SetRunChunkObserver(nullptr);
  ASSERT_TRUE(stopped);
  EXPECT_GE(refused_checks, 1);
  ASSERT_NE(Main().Doc(), nullptr);
  const int lines = Main().Doc()->fConcordanceList->Count();
  EXPECT_GT(lines, 0);
  EXPECT_LT(lines, 30 * 4000);
  bool note = false;
  for (int i = 0; i < Main().Doc()->fNotes.Count(); ++i)
    if (Main().Doc()->fNotes[i].find(u"of 30 texts") != UString::npos) note = true;
  EXPECT_TRUE(note);
  EXPECT_EQ(global_panic_state.load(), kPanicNone);
  EXPECT_FALSE(WasAsked(TVXDialog::NoConcordanceEntriesFound));
}


TEST_F(MainRoadChecks, SortDialogCancelLeavesLinesKeysAndDirectionsAsTheyWere) {
  ShowRiver();
  dialogs.Clear();
  T_WholeLinzoraHolder& doc = *Main().Doc();
  std::vector<UString> before;
  for (int i = 0; i < doc.fConcordanceList->Count(); ++i) before.emplace_back(doc.fConcordanceList->Line(i)->Text());
  const TConcSettingsRec32 settings_before = doc.fSettings;
  const TConcSortRecord sort_before = Main().SortRecord();
  std::array<bool, 3> asc_before{};
  for (int l = 0; l < 3; ++l) asc_before[static_cast<size_t>(l)] = doc.fConcordanceList->SortLevel(l).ascending;

  // Choices made in the dialog, then a refused OK (context word without context), then Cancel.
  TConcSortForm* sort = windows->sort;
  WhenShown(sort, [sort] {
    sort->KeyList(0)->setCurrentRow(11);
    sort->StoreChoices();
    sort->OKClick();
    sort->SetModalResult(mrCancel);
  });
  Main().Resort(Main().ConcordanceGrid(), 1);
  EXPECT_TRUE(WasAsked(TVXDialog::CantSortOnContextWord));
  for (int i = 0; i < doc.fConcordanceList->Count(); ++i)
    EXPECT_EQ(UString(doc.fConcordanceList->Line(i)->Text()), before[static_cast<size_t>(i)]) << i;
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(doc.fSettings.SortKey(k), settings_before.SortKey(k)) << k;
    EXPECT_EQ(doc.fSettings.SortCaseSensitive(k), settings_before.SortCaseSensitive(k)) << k;
    EXPECT_EQ(doc.fConcordanceList->SortLevel(k).ascending, asc_before[static_cast<size_t>(k)]) << k;
  }
  EXPECT_EQ(Main().SortRecord().level_count, sort_before.level_count);
}


// A run request arriving while the sort dialog is open would free the lines under the sort.
TEST_F(MainRoadChecks, RunRequestDuringTheSortDialogIsRefused) {
  ShowRiver();
  dialogs.Clear();
  TConcSortForm* sort = windows->sort;
  WhenShown(sort, [this, sort] {
    PostWindowMessage(&Main(), kMsgRunConcordance, 0, 10);
    DeliverPendingEvents();
    sort->KeyList(0)->setCurrentRow(6);
    sort->StoreChoices();
    sort->OKClick();
  });
  Main().Resort(Main().ConcordanceGrid(), 1);
  EXPECT_EQ(Main().Doc(), shown);
  EXPECT_EQ(Main().Status()->PanelText(kPanelMessage).isEmpty(), false);
  EXPECT_EQ(shown->fSettings.SortKey(0), 6);
}


// A text that fails while others gave lines: the lines are kept and shown, the text is named.
TEST_F(MainRoadChecks, FailedTextKeepsTheLinesOfTheOthers) {
  Start();
  TempFolder corpus;
  const UString good = corpus.Write(u"good.txt", "the river and the river bank");
  const UString archive = corpus.Write(u"damaged.zip", std::string("PK\x03\x04 this archive is damaged", 30));
  TVXFileDetails texts(false, kToolConcordancer);
  texts.ToolAddAFile(good);
  TChosenFile_BaseRec member;
  member.filename = u"inside.txt";
  member.zip_member = 1;
  member.size = 100;
  texts.AddedAFile(member, archive);
  ASSERT_EQ(texts.FileCount(), 2);
  Wizard().SearchWordItems.Clear();
  Wizard().SearchWordItems.AddedSearchWords(u"river");
  EXPECT_TRUE(Main().RunConcordance(texts, false));
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_EQ(Main().Doc()->fConcordanceList->Count(), 2);
  EXPECT_FALSE(WasAsked(TVXDialog::NoConcordanceEntriesFound));
  EXPECT_NE(AllQuestionText().find(u"damaged.zip"), UString::npos) << Utf16ToUtf8(AllQuestionText());
}

}  // namespace

namespace {

// Opening one result of a batch file while unsaved results are shown: Cancel keeps them.
TEST_F(MainRoadChecks, BatchEntryOpensOnlyWhenTheShownResultsMayGo) {
  ShowRiver();
  TMemoryStream saved;
  ASSERT_TRUE(shown->StartSaveToFile(saved, u"x.cnc", 0, 0, 96) && shown->SaveToStream(saved));
  SetAskWhetherToSaveModifiedData(true);
  dialogs.Script({mrCancel});
  saved.SetPosition(0);
  EXPECT_FALSE(Main().OpenOneBatchEntry(saved, 0));
  EXPECT_TRUE(WasAsked(TVXDialog::DoYouWantToSave));
  EXPECT_EQ(Main().Doc(), shown);

  dialogs.Clear();
  dialogs.Script({mrNo});
  saved.SetPosition(0);
  EXPECT_TRUE(Main().OpenOneBatchEntry(saved, 1));
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_EQ(Main().Doc()->fConcordanceList->Count(), shown_lines);
  EXPECT_TRUE(Main().windowTitle().contains(QStringLiteral("Batch 2")));

  // A damaged entry is named; the shown result stays.
  T_WholeLinzoraHolder* now = Main().Doc();
  dialogs.Clear();
  dialogs.Script({mrNo});
  TMemoryStream damaged;
  damaged.WriteExact("not a document", 14);
  damaged.SetPosition(0);
  EXPECT_FALSE(Main().OpenOneBatchEntry(damaged, 2));
  EXPECT_TRUE(WasAsked(TVXDialog::FailedToRead));
  EXPECT_EQ(Main().Doc(), now);
}

}  // namespace

namespace {

TEST_F(MainRoadChecks, DerivedPageComputesWhatIsNotDoneOnly) {
  ShowRiver();
  // A document whose derived views were not computed (an old file, a minimal run).
  shown->fComputed.fill(0);
  shown->fCollocateList->Clear();
  QTabWidget* tabs = Main().Pages()->Tabs();
  int collocates = -1;
  for (int t = 0; t < tabs->count(); ++t)
    if (tabs->tabText(t) == QStringLiteral("Collocates")) collocates = t;
  ASSERT_GE(collocates, 0);
  tabs->setCurrentIndex(collocates);
  EXPECT_EQ(shown->fComputed[2], 1);
  EXPECT_GT(shown->fCollocateList->Count(), 0);
  // Turning to it again computes nothing: the list is the same object with the same rows.
  const int rows = shown->fCollocateList->Count();
  tabs->setCurrentIndex(0);
  tabs->setCurrentIndex(collocates);
  EXPECT_EQ(shown->fCollocateList->Count(), rows);
}

}  // namespace

namespace {

TEST_F(MainRoadChecks, ClosingDuringARunStopsItAndClosesAfter) {
  Start();
  TempFolder big;
  HandOverTexts(WriteRiverTexts(big, 20, 3000));
  bool asked_to_close = false;
  Main().SetRunTurnObserver([&] {
    if (asked_to_close || !Main().Doc() || Main().Doc()->fConcordanceList->Count() == 0) return;
    asked_to_close = true;
    dialogs.Script({mrNo});  // the results are not to be saved
    Main().close();
    EXPECT_TRUE(Main().isVisible());  // not while the run goes on
  });
  RunFromWizard(u"river");
  Main().SetRunTurnObserver(nullptr);
  ASSERT_TRUE(asked_to_close);
  EXPECT_TRUE(WaitUntil([this] { return !Main().isVisible(); }));
  EXPECT_EQ(global_panic_state.load(), kPanicNone);
}

TEST_F(MainRoadChecks, PasteCharacterCodeOffersTheStoredCharacter) {
  ShowRiver();
  SetTempOne32char(0x1D11E);
  PostWindowMessage(&Main(), 0x401, 4620, 0);
  DeliverPendingEvents();
  ASSERT_EQ(Wizard().PasteItems().items.size(), 1u);
  EXPECT_EQ(Wizard().PasteItems().items.front(), U'\U0001D11E');
}

}  // namespace

namespace {

TEST_F(MainRoadChecks, LemmaListSearchAddsTheOtherForms) {
  ShowRiver();
  TempFolder lists;
  WizardSearchingFlowedWithALemmaList(lists);
  ASSERT_TRUE(Wizard().CheckAndStoreChoices());
  std::vector<UString> words = Wizard().SearchWordItems.TypedInWordsAsStringlist();
  std::sort(words.begin(), words.end());
  EXPECT_EQ(words, (std::vector<UString>{u"flow", u"flowed", u"flowing", u"flows"}));
  EXPECT_EQ(Wizard().ChosenList()->count(), 4);
  Global_stopLemmaMatchLoaded[0] = false;
}

// The recent words and the hand-over of the run's texts are written once the first page of lines
// is painted: both are on disk as soon as the loop has turned after the run.
TEST_F(MainRoadChecks, RecentWordsAndTheTextsHandOverAreWrittenOnceTheLinesAreShown) {
  Start();
  const UString samples = Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/";
  HandOverTexts({samples + u"river_spring.txt", samples + u"bridge_walk.txt", samples + u"hallam_mill.txt"});
  const UString hand_over = Main().ChosenTexts.TempFilename();
  ASSERT_TRUE(DeleteFileU(hand_over));
  const UString history = IncludeTrailingPathDelimiter(GetUserReadWriteFolder()) + HistoryFileName(0);
  DeleteFileU(history);
  RunFromWizard(u"river");
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_GT(Main().Doc()->fConcordanceList->Count(), 0);
  ASSERT_TRUE(WaitUntil([this] { return Wizard().HistorySaved(); }));
  const auto words = LoadHistoryFile(history);
  ASSERT_TRUE(words.has_value());
  ASSERT_FALSE(words->empty());
  EXPECT_EQ(words->front(), u"river");
  TVXFileDetails handed(false, kToolConcordancer);
  ASSERT_TRUE(FileExists(hand_over));
  ASSERT_TRUE(handed.LoadedChosenFromTempFile());
  EXPECT_EQ(handed.FileCount(), 3);
}

// A text passed over before the run (not there, or no text) leaves the texts after it in their
// own folders, where their folder came first with it and another folder's text comes between.
TEST_F(MainRoadChecks, TextsPassedOverLeaveTheOthersInTheirOwnFolders) {
  Start();
  std::string junk("\x7F" "ELF\x02\x01\x01\0\0\0river\0\0\x03\0>\0", 22);
  junk += std::string(300, '\0');
  enum class First { Read, Binary, Missing };
  const struct {
    const char* name;
    First first;
  } cases[] = {{"first text read", First::Read}, {"first text no text", First::Binary}, {"first text gone", First::Missing}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder corpus;
    const UString first = corpus.Write(u"x/first.txt", c.first == First::Binary ? junk : std::string("no hits here"));
    const UString a = corpus.Write(u"y/a.txt", "the river ran");
    const UString b = corpus.Write(u"x/b.txt", "a river bend");
    HandOverTexts({first, a, b});
    dialogs.Clear();
    if (c.first == First::Missing) {
      ASSERT_TRUE(DeleteFileU(first));
      dialogs.Script({mrOK});  // run over the texts that are there
    }
    RunFromWizard(u"river");
    ASSERT_NE(Main().Doc(), nullptr);
    const T_WholeLinzoraHolder& doc = *Main().Doc();
    std::vector<UString> read;
    for (int32_t i = 0; i < doc.fTextFilesWithSearchWord->Count(); ++i)
      read.push_back(doc.fTextFilesWithSearchWord->GetFullFilename(i, false));
    EXPECT_EQ(read, (std::vector<UString>{a, b}));
    EXPECT_EQ(doc.fConcordanceList->Count(), 2);
  }
}

}  // namespace
