#include <gtest/gtest.h>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTabWidget>
#include <filesystem>
#include <deque>
#include <map>
#include <optional>
#include <fstream>

#include "shell/qt/speech_service.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "shell/main_window/controller_messages.h"
#include "shell/main_window/main_window_rules.h"
#include "shell/menus/menu_store.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/settings/window_registry.h"
#include "shell/qt/qt_dialog_service.h"
#include "shell/qt/vx_status_bar.h"
#include "shell/qt/window_messages.h"
#include "shell/services/suite_services.h"
#include "shell/recording_launcher.h"
#include "support/temp_folder.h"
#include "window/test_tool_window.h"
#include "window/window_test_support.h"

namespace {

std::string Bytes(const UString& name) {
  std::ifstream in(ToFsPath(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<TVXDialog> Asked(THeadlessDialogService& d) {
  std::vector<TVXDialog> ids;
  for (const TVXQuestion& q : d.Asked()) ids.push_back(q.id);
  return ids;
}

// Runs action, which asks one question, with the real dialog: the window with the box over it
// is saved as a screenshot, then the box's default button is pressed.
QImage ShotWithRealDialog(QWidget& window, const QString& name, const std::function<void()>& action) {
  TQtDialogService real;
  QImage shot;
  real.SetBeforeShow([&](QMessageBox& box) {
    QTimer::singleShot(0, &box, [&] {
      shot = window.grab().toImage();
      const QImage message = box.grab().toImage();
      QPainter(&shot).drawImage((shot.width() - message.width()) / 2, (shot.height() - message.height()) / 2,
                                message);
      shot.save(ScreenshotFile(name + QStringLiteral(".png")));
      box.defaultButton()->click();
    });
  });
  TVXDialogService* was = &DialogService();
  SetDialogService(&real);
  action();
  SetDialogService(was);
  return shot;
}

class MainToolsFormTest : public ToolWindowTest {
 protected:
  // A window with the document at name loaded (from the command line).
  std::unique_ptr<TTestToolForm> OpenedWindow(const UString& name) {
    auto w = std::make_unique<TTestToolForm>();
    w->SetCommandLine({name});
    w->show();
    w->WaitForStartup();
    return w;
  }
};

}  // namespace

TEST_F(MainToolsFormTest, WithoutDataTheStartPanelShowsTheToolAndVersion) {
  TTestToolForm w;
  w.show();
  w.WaitForStartup();
  EXPECT_FALSE(w.HasData());
  EXPECT_TRUE(w.StartPanel()->isVisible());
  const QImage shot = SaveScreenshot(w, QStringLiteral("main_no_data"));
  const QRect panel(w.StartPanel()->mapTo(&w, QPoint(0, 0)), w.StartPanel()->size());
  EXPECT_GT(InkPixelsIn(shot, panel), 100);
  EXPECT_TRUE(dialogs.Asked().empty());
}

// The window is the tool's registered window while it lives, with the store's shortcuts.
TEST_F(MainToolsFormTest, TheWindowIsRegisteredWithTheStoresShortcuts) {
  SetMenuShortcut(33, 16384 + 'R');  // Refresh on Ctrl+R instead of F5
  TWindowId id = kNoWindow;
  {
    TTestToolForm w;
    id = WindowIdOf(&w);
    EXPECT_EQ(global_own_HWnd, id);
    EXPECT_EQ(GetActiveMainToolWindow(kTestTool), id);
    ASSERT_NE(w.Menus()->ActionOfTag(33), nullptr);
    EXPECT_EQ(w.Menus()->ActionOfTag(33)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
  }
  EXPECT_EQ(global_own_HWnd, kNoWindow);
  EXPECT_EQ(GetActiveMainToolWindow(kTestTool), kNoWindow);
}

// A lemma list asked for while a job runs is loaded once the job has ended, into this tool.
TEST_F(MainToolsFormTest, LemmaListCodeDuringAJobLoadsTheListAfterIt) {
  TTestToolForm w;
  w.show();
  w.WaitForStartup();
  ClearOne(kTestTool, 0);
  Global_stopLemmaMatchLoaded[0] = false;
  TLemmaMatchStopSettingsRec r = GetLemmaMatchStopSettings(kTestTool, 0);
  r.SetActivated(true);
  r.SetFileName(dir.Write(u"lemmas.txt", "be -> was, were\ngo -> went\n"));
  SetLemmaMatchStopSettings(kTestTool, 0, r);
  {
    TJobScope job;
    PostWindowMessage(&w, 0x401, 234, 0);
    DeliverPendingEvents();
    EXPECT_FALSE(Global_stopLemmaMatchLoaded[0]) << "not under the running job";
    EXPECT_EQ(FoundInTheList(kTestTool, u"were", 1, 0), 0);
  }
  EXPECT_TRUE(Global_stopLemmaMatchLoaded[0]);
  EXPECT_EQ(FoundInTheList(kTestTool, u"were", 1, 0), 1);
  EXPECT_EQ(w.Pages()->Records().DLLN_Lines, 2) << "the line count reaches the window's pages";
  PostWindowMessage(&w, 0x401, 235, 0);
  DeliverPendingEvents();
  EXPECT_FALSE(Global_stopLemmaMatchLoaded[0]);
  EXPECT_EQ(FoundInTheList(kTestTool, u"were", 1, 0), 0);
}

TEST_F(MainToolsFormTest, CommandLineDocumentOpensOnceTheLoopRuns) {
  const UString name = dir.Path() + u"first run.cnc";
  ASSERT_TRUE(WriteTestDocument(name, 40));
  TTestToolForm w;
  w.SetCommandLine({name, u"/log"});
  EXPECT_FALSE(w.HasData());  // nothing before the loop runs
  w.show();
  w.WaitForStartup();
  ASSERT_TRUE(w.HasData());
  EXPECT_TRUE(w.Params().parms_found & kParmLog);
  EXPECT_EQ(w.Document()->stats->Count(), 40);
  EXPECT_EQ(w.Pages()->Count(), 2);
  EXPECT_TRUE(w.windowTitle().contains(QStringLiteral("first run.cnc")));
  EXPECT_EQ(FromQString(w.GetToolSpecificControl()->toPlainText()), u"run of the test tool");
  EXPECT_FALSE(w.HasUnsavedData());
  EXPECT_FALSE(w.Status()->PanelText(kPanelEntries).isEmpty());
  const QImage shot = SaveScreenshot(w, QStringLiteral("main_with_data"));
  EXPECT_GT(ColoursIn(shot), 15);
  global_keeping_log = false;
}

TEST_F(MainToolsFormTest, MissingCommandLineDocumentGivesFailedToFind) {
  auto w = OpenedWindow(dir.Path() + u"gone.cnc");
  EXPECT_FALSE(w->HasData());
  EXPECT_EQ(Asked(dialogs), std::vector<TVXDialog>{TVXDialog::FailedToFind});
}

// A file that cannot be read leaves the loaded document, caption and pages as they were.
TEST_F(MainToolsFormTest, DamagedFilesLeaveTheLoadedDocumentAlone) {
  const UString good = dir.Path() + u"good.cnc";
  ASSERT_TRUE(WriteTestDocument(good, 12));
  const std::string whole = Bytes(good);
  const UString truncated = dir.Write(u"truncated.cnc", whole.substr(0, whole.size() - 9));
  const UString garbled = dir.Write(u"garbled.cnc", std::string(300, '\x5a'));
  const UString other = dir.Path() + u"other.lst";
  ASSERT_TRUE(WriteTestDocument(other, 3, u"wordlist", kToolWordLister, kListWordList));
  struct Case {
    UString file;
    TVXDialog message;
    const char16_t* reason;
  } cases[] = {{truncated, TVXDialog::FailedToRead, u"cut short"},
               {garbled, TVXDialog::IsntTessorFile, u"not a file this tool can open"},
               {other, TVXDialog::WrongToolForFile, u"belongs to"}};
  auto w = OpenedWindow(good);
  ASSERT_TRUE(w->HasData());
  TTessorineholder* const loaded = w->Data();
  const QString caption = w->windowTitle();
  for (const Case& c : cases) {
    dialogs.Clear();
    w->NextFile = TVXStored_File_rec();
    w->NextFile.name = c.file;
    EXPECT_FALSE(w->OpenAFile()) << Utf16ToUtf8(c.file);
    ASSERT_EQ(Asked(dialogs), std::vector<TVXDialog>{c.message}) << Utf16ToUtf8(c.file);
    // The message names the file and why it was not opened.
    const UString& text = dialogs.Asked()[0].text;
    EXPECT_NE(text.find(c.file), UString::npos) << Utf16ToUtf8(text);
    EXPECT_NE(text.find(c.reason), UString::npos) << Utf16ToUtf8(text);
    EXPECT_EQ(w->Data(), loaded);
    EXPECT_EQ(w->windowTitle(), caption);
    EXPECT_EQ(w->Pages()->Count(), 2);
    EXPECT_EQ(w->Document()->stats->Count(), 12);
  }
  // The real message over the unchanged data, as the user sees it.
  const QImage shot = ShotWithRealDialog(*w, QStringLiteral("open_damaged"), [&] {
    w->NextFile = TVXStored_File_rec();
    w->NextFile.name = truncated;
    w->OpenAFile();
  });
  EXPECT_GT(ColoursIn(shot), 15);
  EXPECT_EQ(w->Data(), loaded);
}

// Opening another file over unsaved results asks first; Cancel keeps what is loaded.
TEST_F(MainToolsFormTest, OpeningOverUnsavedDataAsksAfterTheRead) {
  const UString a = dir.Path() + u"a.cnc";
  const UString b = dir.Path() + u"b.cnc";
  ASSERT_TRUE(WriteTestDocument(a, 5));
  ASSERT_TRUE(WriteTestDocument(b, 7));
  auto w = OpenedWindow(a);
  w->MarkDataChanged();
  dialogs.Script({mrCancel});
  w->NextFile.name = b;
  EXPECT_FALSE(w->OpenAFile());
  EXPECT_EQ(w->Document()->stats->Count(), 5);
  dialogs.Script({mrNo});
  EXPECT_TRUE(w->OpenAFile());
  EXPECT_EQ(w->Document()->stats->Count(), 7);
  EXPECT_EQ(Asked(dialogs), (std::vector<TVXDialog>{TVXDialog::DoYouWantToSave, TVXDialog::DoYouWantToSave}));
}

TEST_F(MainToolsFormTest, ClosingAsksOnlyWhenSomethingIsUnsaved) {
  const UString name = dir.Path() + u"doc.cnc";
  ASSERT_TRUE(WriteTestDocument(name, 5));
  struct Case {
    bool unsaved;
    int answer;
    bool save_fails;
    bool closes;
    bool asks;
  } cases[] = {
      {false, mrNone, false, true, false},  {true, mrCancel, false, false, true}, {true, mrNo, false, true, true},
      {true, mrYes, false, true, true},      {true, mrYes, true, false, true},
  };
  for (const Case& c : cases) {
    dialogs.Clear();
    auto w = OpenedWindow(name);
    ASSERT_TRUE(w->HasData());
    w->Document()->fail_save = c.save_fails;
    if (c.unsaved) w->GetToolSpecificControl()->appendPlainText(QStringLiteral("a note of mine"));
    if (c.answer != mrNone) dialogs.Script({c.answer});
    const std::string before = Bytes(name);
    const bool closed = w->close();
    EXPECT_EQ(closed, c.closes) << c.answer << " " << c.save_fails;
    EXPECT_EQ(!dialogs.Asked().empty(), c.asks);
    if (!c.closes) {
      EXPECT_TRUE(w->HasData());
      EXPECT_TRUE(w->HasUnsavedData());
    }
    if (c.save_fails) {
      EXPECT_EQ(Bytes(name), before);
    }
    if (c.answer == mrYes && !c.save_fails) {
      EXPECT_NE(Bytes(name).find("a\0 \0n\0o\0t\0e", 0, 12), std::string::npos);
    }
  }
  auto w = OpenedWindow(name);
  w->GetToolSpecificControl()->appendPlainText(QStringLiteral("more"));
  // The real question over the window; its safe answer (Cancel) keeps the window and the data.
  const QImage shot = ShotWithRealDialog(*w, QStringLiteral("close_question"), [&] { EXPECT_FALSE(w->close()); });
  EXPECT_GT(ColoursIn(shot), 15);
  EXPECT_TRUE(w->HasData());
  dialogs.Script({mrNo});
}

TEST_F(MainToolsFormTest, FailedSaveSaysSoAndKeepsTheOldFile) {
  const UString name = dir.Path() + u"kept.cnc";
  ASSERT_TRUE(WriteTestDocument(name, 5));
  const std::string before = Bytes(name);
  auto w = OpenedWindow(name);
  w->MarkDataChanged();
  w->Document()->fail_save = true;
  bool saved = true;
  w->SaveData(w->stats_grid, saved);
  EXPECT_FALSE(saved);
  EXPECT_EQ(Asked(dialogs), std::vector<TVXDialog>{TVXDialog::FailedToSave});
  EXPECT_EQ(Bytes(name), before);
  EXPECT_TRUE(w->HasUnsavedData());
  w->Document()->fail_save = false;
  dialogs.Script({mrNo});
}

// A folder the user may not write into: the save says FailedToSave, the old file is left byte for
// byte, the data stay unsaved. The super-user writes everywhere, so as root the save runs with the
// file-system rights of an ordinary user (this thread only).
TEST_F(MainToolsFormTest, SaveIntoAReadOnlyFolderKeepsTheOldFile) {
  const UString folder = dir.Path() + u"locked/";
  const UString name = folder + u"kept.cnc";
  ASSERT_TRUE(ForceDirectories(folder));
  ASSERT_TRUE(WriteTestDocument(name, 5));
  const std::string before = Bytes(name);
  auto w = OpenedWindow(name);
  ASSERT_TRUE(w->HasData());
  w->GetToolSpecificControl()->appendPlainText(QStringLiteral("a note of mine"));
  ASSERT_EQ(::chmod(Utf16ToUtf8(folder).c_str(), 0555), 0);
  const bool as_root = ::geteuid() == 0;
  if (as_root) ::setfsuid(65534);
  bool saved = true;
  w->SaveData(w->stats_grid, saved);
  if (as_root) ::setfsuid(0);
  ::chmod(Utf16ToUtf8(folder).c_str(), 0700);
  EXPECT_FALSE(saved);
  EXPECT_EQ(Asked(dialogs), std::vector<TVXDialog>{TVXDialog::FailedToSave});
  EXPECT_EQ(Bytes(name), before);
  EXPECT_TRUE(w->HasUnsavedData());
  std::error_code ec;
  size_t left = 0;
  for (const auto& entry : std::filesystem::directory_iterator(ToFsPath(folder), ec)) left += entry.is_regular_file();
  EXPECT_EQ(left, 1u) << "no temporary file is left behind";
  dialogs.Script({mrNo});
}

TEST_F(MainToolsFormTest, SavedAndReopenedTheDocumentComparesEqual) {
  const UString name = dir.Path() + u"first.cnc";
  const UString copy = dir.Path() + u"copy.cnc";
  ASSERT_TRUE(WriteTestDocument(name, 25));
  auto w = OpenedWindow(name);
  w->GetToolSpecificControl()->appendPlainText(QStringLiteral("second line é"));
  w->Data()->SourceTextFilename.clear();  // as after a merge: Save asks for a name
  w->dialogs.answers = {copy};
  bool saved = false;
  w->SaveData(w->stats_grid, saved);
  ASSERT_TRUE(saved);
  EXPECT_EQ(w->dialogs.save_requests, 1);
  EXPECT_FALSE(w->HasUnsavedData());
  TTestToolDocument again;
  ASSERT_TRUE(again.ReadWholeFromFile(copy, kTestTool).first);
  ASSERT_EQ(again.stats->Count(), 25);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(again.stats->GetEntryFullFilename(i), w->Document()->stats->GetEntryFullFilename(i));
  ASSERT_EQ(again.fNotes.Count(), 2);
  EXPECT_EQ(again.fNotes[1], u"second line é");
}

TEST_F(MainToolsFormTest, MergeRefusesTheSameFileAndJoinsAnother) {
  const UString a = dir.Path() + u"a.cnc";
  const UString b = dir.Path() + u"b.cnc";
  ASSERT_TRUE(WriteTestDocument(a, 4));
  ASSERT_TRUE(WriteTestDocument(b, 3, u"second run", kTestTool, kListConcordance, u"/other/"));
  std::filesystem::create_symlink(ToFsPath(a), ToFsPath(dir.Path() + u"link.cnc"));
  const UString garbled = dir.Write(u"bad.cnc", std::string(200, '\x11'));
  auto w = OpenedWindow(a);
  for (const UString& same : {a, dir.Path() + u"link.cnc"}) {
    dialogs.Clear();
    w->dialogs.answers = {same};
    w->MergeWithAFile(w->stats_grid);
    EXPECT_EQ(Asked(dialogs), std::vector<TVXDialog>{TVXDialog::CantMergeWithSameFile});
    EXPECT_EQ(w->Document()->stats->Count(), 4);
  }
  // Cancelled, and a file that is not ours: nothing changes.
  dialogs.Clear();
  w->dialogs.answers = {u""};
  w->MergeWithAFile(w->stats_grid);
  w->dialogs.answers = {garbled};
  w->MergeWithAFile(w->stats_grid);
  EXPECT_EQ(w->Document()->stats->Count(), 4);
  EXPECT_EQ(w->Data()->SourceTextFilename, a);
  EXPECT_FALSE(w->HasUnsavedData());

  const int notes_before = w->Data()->fNotes.Count();
  w->dialogs.answers = {b};
  w->MergeWithAFile(w->stats_grid);
  EXPECT_EQ(w->Document()->stats->Count(), 7);
  EXPECT_GT(w->Data()->fNotes.Count(), notes_before);
  EXPECT_TRUE(w->windowTitle().contains(QStringLiteral("b.cnc")));
  EXPECT_TRUE(w->HasUnsavedData());
  const int requests = w->dialogs.save_requests;
  w->dialogs.answers = {u""};  // the next Save asks for a name; cancelled, nothing saved
  bool saved = true;
  w->SaveData(w->stats_grid, saved);
  EXPECT_FALSE(saved);
  EXPECT_EQ(w->dialogs.save_requests, requests + 1);
  dialogs.Script({mrNo});
}

TEST_F(MainToolsFormTest, DroppedFileOfAnotherToolIsRefusedAndTheNextOpens) {
  const UString other = dir.Path() + u"other.lst";
  const UString mine = dir.Path() + u"mine.cnc";
  ASSERT_TRUE(WriteTestDocument(other, 3, u"wordlist", kToolWordLister, kListWordList));
  ASSERT_TRUE(WriteTestDocument(mine, 6));
  TTestToolForm w;
  w.show();
  w.WaitForStartup();
  EXPECT_TRUE(w.HandleDroppedFiles({other, mine}));
  EXPECT_EQ(Asked(dialogs), std::vector<TVXDialog>{TVXDialog::WrongToolForFile});
  ASSERT_TRUE(w.HasData());
  EXPECT_EQ(w.Document()->stats->Count(), 6);
}

// A recent file whose name holds "&" opens that very file.
TEST_F(MainToolsFormTest, RecentFileWithAmpersandOpensItsOwnPath) {
  const UString name = dir.Path() + u"salt & pepper.cnc";
  ASSERT_TRUE(WriteTestDocument(name, 2));
  SetLastMainToolFileName(kTestTool, name);
  TTestToolForm w;
  w.show();
  w.WaitForStartup();
  const auto items = w.MenuModel().RecentFileItems();
  ASSERT_FALSE(items.empty());
  w.HandleMenuCommand(kRecentFileTag, items.front()->data);
  ASSERT_TRUE(w.HasData());
  EXPECT_EQ(w.Data()->SourceTextFilename, name);
}

TEST_F(MainToolsFormTest, DuringAJobOpenCloseAndCodesAreRefused) {
  const UString a = dir.Path() + u"a.cnc";
  const UString b = dir.Path() + u"b.cnc";
  ASSERT_TRUE(WriteTestDocument(a, 5));
  ASSERT_TRUE(WriteTestDocument(b, 9));
  auto w = OpenedWindow(a);
  TTessorineholder* const loaded = w->Data();
  {
    TJobScope job;
    w->NextFile.name = b;
    EXPECT_FALSE(w->OpenAFile());
    w->HandleMenuCommand(26, u"");  // Close
    w->HandleMenuCommand(8, u"");   // New
    EXPECT_FALSE(w->HandleDroppedFiles({b}));
    SetMyTempFilename(b);
    PostWindowMessage(w.get(), 0x401, 613, 0);
    PostWindowMessage(w.get(), 0x401, 1241, 0);
    QApplication::processEvents();
    EXPECT_EQ(w->Data(), loaded);
    EXPECT_EQ(w->start_dialogs_shown, 0);
    EXPECT_EQ(w->new_instances_asked, 0);
    EXPECT_FALSE(w->Status()->PanelText(kPanelMessage).isEmpty());
    w->Status()->SetPanelBarStyle(kPanelProgress, true);
    w->Status()->SetPanelBarValue(kPanelProgress, 45);
    const QImage shot = SaveScreenshot(*w, QStringLiteral("main_job_progress"));
    EXPECT_GT(ColoursIn(shot), 15);
    // Closing asks about stopping the job and waits for its end.
    dialogs.Script({mrNo});
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());
  }
  // After the job: the window closes (nothing unsaved, so no question).
  WaitUntil([&] { return !w->isVisible(); });
  EXPECT_FALSE(w->isVisible());
  // Outside a job the temp-file code opens the file.
  auto v = OpenedWindow(a);
  PostWindowMessage(v.get(), 0x401, 613, 0);
  QApplication::processEvents();
  EXPECT_EQ(v->Document()->stats->Count(), 9);
}

// Every call-back leaves a grid without list data alone.
TEST_F(MainToolsFormTest, CallBacksDoNothingForAGridWithoutListData) {
  TTestToolForm w;
  w.show();
  w.WaitForStartup();
  TVX_Grid bare;
  const std::vector<std::pair<const char*, std::function<void(TVX_Grid*)>>> calls = {
      {"delete", [&](TVX_Grid* g) { w.DeleteSelectedRows(g); }},
      {"restore", [&](TVX_Grid* g) { w.SetRowsDeleted(g, 1, 3, false); }},
      {"mark", [&](TVX_Grid* g) { w.MarkSelectedRows(g, true); }},
      {"join", [&](TVX_Grid* g) { w.JoinRows(g, 1); }},
      {"zap", [&](TVX_Grid* g) { w.ZapList(g); }},
      {"reduce", [&](TVX_Grid* g) { w.ReduceToN(g, u"1"); }},
      {"undo", [&](TVX_Grid* g) { w.UndoList(g); }},
      {"row query", [&](TVX_Grid* g) { EXPECT_FALSE(w.RowQuery(g, 0)); }},
      {"go to row", [&](TVX_Grid* g) { w.GoToRow(g, 5); }},
      {"merge", [&](TVX_Grid* g) { w.MergeWithAFile(g); }},
      {"entropy", [&](TVX_Grid* g) { w.ShowRelativeEntropy(g, u"2"); }},
      {"source", [&](TVX_Grid* g) { bool shown = true; w.ShowSourceOfRow(g, 1, shown); EXPECT_FALSE(shown); }},
  };
  for (const auto& [what, call] : calls) {
    call(nullptr);
    call(&bare);
    EXPECT_TRUE(dialogs.Asked().empty()) << what;
    EXPECT_EQ(w.dialogs.requests, 0) << what;
    EXPECT_FALSE(w.HasData()) << what;
  }
}

TEST_F(MainToolsFormTest, CallBacksChangeTheListAndTheGridFollows) {
  const UString name = dir.Path() + u"edit.cnc";
  ASSERT_TRUE(WriteTestDocument(name, 10));
  auto w = OpenedWindow(name);
  TVX_Grid* g = w->stats_grid;
  TVXStatsList& list = *w->Document()->stats;
  // Above the texts the grid shows the overall row.
  QAction* undo = w->Menus()->ActionOfTag(82);
  ASSERT_NE(undo, nullptr);
  g->selectRow(list.DataRowOfEntry(2));
  w->DeleteSelectedRows(g);
  EXPECT_TRUE(list.GetDeleted(2));
  EXPECT_TRUE(w->HasUnsavedData());
  EXPECT_TRUE(undo->isEnabled()) << "the menu offers the undo";
  w->UndoList(g);
  EXPECT_FALSE(list.GetDeleted(2));
  EXPECT_FALSE(undo->isEnabled()) << "nothing left to undo";
  w->SetRowsDeleted(g, 2, 5, true);  // grid rows of entries 0 to 3
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(list.GetDeleted(i)) << i;
  EXPECT_FALSE(list.GetDeleted(4));
  w->SetRowsDeleted(g, 3, 3, false);
  EXPECT_FALSE(list.GetDeleted(1));
  g->selectRow(list.DataRowOfEntry(2));
  w->MarkSelectedRows(g, true);
  EXPECT_TRUE(list.GetMatched(2));
  EXPECT_FALSE(w->RowQuery(g, -1));  // the heading row
  EXPECT_FALSE(w->RowQuery(g, 10));
  EXPECT_TRUE(w->RowQuery(g, 0));
  dialogs.Script({mrYes});
  w->ZapList(g);
  EXPECT_EQ(list.Count(), 7);
  EXPECT_EQ(g->Model().rowCount(), list.TotalRowCount());
  // Reduce: 0, words and a number not below the count change nothing.
  for (const char16_t* text : {u"0", u"many", u"7", u"99"}) {
    w->ReduceToN(g, text);
    EXPECT_EQ(list.Count(), 7) << Utf16ToUtf8(text);
  }
  dialogs.Script({mrYes});
  w->ReduceToN(g, u"5");
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(g->Model().rowCount(), list.TotalRowCount());
  // A basis of 1 would make the entropy infinite: refused, the old basis kept.
  const int32_t basis = w->Data()->RelativeEntropyBasis();
  w->ShowRelativeEntropy(g, u"1");
  EXPECT_EQ(w->Data()->RelativeEntropyBasis(), basis);
  w->ShowRelativeEntropy(g, u"10");
  EXPECT_EQ(w->Data()->RelativeEntropyBasis(), 10);
  dialogs.Script({mrNo});
}

// Join through the call-back: the selected rows go under the clicked row on a grid of a list type
// that can be lemmatised; on a grid of any other type nothing is joined.
TEST_F(MainToolsFormTest, JoinRowsJoinsOnlyOnLemmatisableGrids) {
  const UString name = dir.Path() + u"join.cnc";
  ASSERT_TRUE(WriteTestDocument(name, 6));
  auto w = OpenedWindow(name);
  TVXStatsList& list = *w->Document()->stats;
  struct Case {
    uint8_t list_type;
    bool joins;
  } cases[] = {{kListStatistics, false}, {0, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.list_type);
    TVX_Grid grid;
    grid.SetList(&list, c.list_type, 0);
    grid.setSelectionMode(QAbstractItemView::MultiSelection);
    // View rows count from 0 and grid rows from 1 (the heading row is 0).
    grid.selectRow(list.DataRowOfEntry(3));
    grid.selectRow(list.DataRowOfEntry(4));
    w->JoinRows(&grid, list.DataRowOfEntry(1) + 1);
    EXPECT_EQ(list.GetHasJoined(1), c.joins);
    EXPECT_EQ(list.GetJoinedElsewhere(3), c.joins);
    EXPECT_EQ(list.GetJoinedElsewhere(4), c.joins);
    EXPECT_FALSE(list.GetJoinedElsewhere(2));
  }
  dialogs.Script({mrNo});
}

// Reduce to N from the menu: the box proposes the current count; cancel and bad answers keep
// the list, a smaller count (confirmed) reduces it.
TEST_F(MainToolsFormTest, ReduceToNAsksWithTheCurrentCount) {
  const UString name = dir.Path() + u"ten.cnc";
  ASSERT_TRUE(WriteTestDocument(name, 10));
  auto w = OpenedWindow(name);
  TVX_Grid* g = w->stats_grid;
  TVXBaseDataClass& list = *g->List();
  std::vector<UString> proposed;
  std::deque<std::optional<UString>> answers = {std::nullopt, u"ten", u"10", u"4"};
  w->SetInputBox([&](const UString&, const UString& prompt, UString& value) {
    EXPECT_FALSE(prompt.empty());
    proposed.push_back(value);
    const auto a = answers.front();
    answers.pop_front();
    if (!a) return false;
    value = *a;
    return true;
  });
  for (int i = 0; i < 3; ++i) {
    w->HandleMenuCommand(21, u"");
    EXPECT_EQ(list.Count(), 10) << i;
  }
  dialogs.Script({mrYes});
  w->HandleMenuCommand(21, u"");
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(proposed, std::vector<UString>(4, u"10"));
  EXPECT_EQ(g->Model().rowCount(), list.TotalRowCount());
}

TEST_F(MainToolsFormTest, PerMillionShowsCheckedAfterItWasChosen) {
  TTestToolForm w;
  w.show();
  w.WaitForStartup();
  w.HandleMenuCommand(kTagPerMillion, u"");
  EXPECT_EQ(GetDisplayWordsPerMillion(), 4);
  QAction* million = w.Menus()->ActionOfTag(kTagPerMillion);
  ASSERT_NE(million, nullptr);
  EXPECT_TRUE(million->isChecked());
  EXPECT_FALSE(w.Menus()->ActionOfTag(kTagPercent)->isChecked());
}

TEST_F(MainToolsFormTest, AutoSaveSavesOnlyTheDocumentsOwnFile) {
  const UString name = dir.Path() + u"auto.cnc";
  ASSERT_TRUE(WriteTestDocument(name, 3));
  SetAutoSaveMinutes(2);
  auto w = OpenedWindow(name);
  EXPECT_EQ(w->AutoSaveTimer().interval(), 120000);
  EXPECT_TRUE(w->AutoSaveTimer().isActive());
  w->GetToolSpecificControl()->appendPlainText(QStringLiteral("auto"));
  {
    TJobScope job;
    const std::string before = Bytes(name);
    w->TimerAutoSavingTick();
    EXPECT_EQ(Bytes(name), before);
  }
  w->TimerAutoSavingTick();
  EXPECT_FALSE(w->HasUnsavedData());
  // Without a name of its own, a tick saves nothing and asks nothing.
  w->Data()->SourceTextFilename.clear();
  w->TimerAutoSavingTick();
  EXPECT_EQ(w->dialogs.requests, 0);
  EXPECT_TRUE(dialogs.Asked().empty());
  dialogs.Script({mrNo});
}

// An export reports its own answer: a name the export cannot write (a folder of that name is
// there) says FailedToSave, never "saved"; the hourglass goes on every exit.
TEST_F(MainToolsFormTest, SaveAsTextReportsTheExportsOwnAnswer) {
  const UString name = dir.Path() + u"doc.cnc";
  ASSERT_TRUE(WriteTestDocument(name, 4));
  auto w = OpenedWindow(name);
  const UString taken = dir.Path() + u"taken.txt";
  std::filesystem::create_directory(ToFsPath(taken));
  struct Case {
    UString file;
    bool ok;
    TVXDialog message;
  } cases[] = {
      {dir.Path() + u"list.txt", true, TVXDialog::SavedOKOpenNow},
      {taken, false, TVXDialog::FailedToSave},
      {dir.Path() + u"no such folder/list.txt", false, TVXDialog::CannotWriteToXFolder},
  };
  for (const Case& c : cases) {
    dialogs.Clear();
    dialogs.Script({mrNo});
    EXPECT_EQ(w->SaveAsText(w->stats_grid, 0, c.file), c.ok) << Utf16ToUtf8(c.file);
    EXPECT_EQ(Asked(dialogs), std::vector<TVXDialog>{c.message}) << Utf16ToUtf8(c.file);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(w->BusySavingAs);
  }
  EXPECT_FALSE(Bytes(dir.Path() + u"list.txt").empty());
}

// On the statistics page the tool bar offers what the page's menu does; the buttons follow the
// menus when these are made again for the recent files.
TEST_F(MainToolsFormTest, ToolBarButtonsFollowThePagesMenu) {
  const UString name = dir.Path() + u"doc.cnc";
  ASSERT_TRUE(WriteTestDocument(name, 4));
  auto w = OpenedWindow(name);
  ASSERT_TRUE(w->HasData());
  std::map<int, QToolButton*> buttons;
  for (QToolButton* b : w->ToolbarPanel()->findChildren<QToolButton*>()) buttons[b->property("lz_tag").toInt()] = b;
  for (int tag : {1, 3, 4, 8, 26, 22}) {
    ASSERT_TRUE(buttons.count(tag)) << tag;
    EXPECT_TRUE(buttons[tag]->isEnabled()) << tag;
    EXPECT_EQ(buttons[tag]->defaultAction(), w->Menus()->ActionOfTag(tag)) << tag;
  }
  dialogs.Script({mrNo});
}

TEST_F(MainToolsFormTest, StartUpSetsTheApplicationFont) {
  QApplication::setFont(QFont(QStringLiteral("Monospace"), 15));
  TTestToolForm w;
  EXPECT_EQ(QApplication::font().pointSize(), 9);
}

// The list commands of the menus reach the page's list, and the grid and status bar follow.
TEST_F(MainToolsFormTest, MatchAndReverseDeleteCommandsChangeThePagesList) {
  const UString name = dir.Path() + u"doc.cnc";
  ASSERT_TRUE(WriteTestDocument(name, 12));
  auto w = OpenedWindow(name);
  TMatchListSettingsRec rec = GetMatchListSettings(kTestTool);
  rec.SetKind(1);
  rec.SetTypedWords(u"/corpus/text1*");
  SetLemmaMatchStopSettings(kTestTool, 1, rec);
  TVXStatsList& stats = *w->Document()->stats;
  w->HandleMenuCommand(kTagMarkMatches, u"");
  int matched = 0;
  for (int i = 0; i < stats.Count(); ++i) matched += stats.GetMatched(i);
  EXPECT_EQ(matched, 3);  // text1, text10, text11
  EXPECT_TRUE(w->Status()->PanelText(kPanelMessage).startsWith(QStringLiteral("Match and mark")));
  EXPECT_TRUE(w->HasUnsavedData());

  dialogs.Script({mrYes});
  w->HandleMenuCommand(198, u"");  // reverse-delete
  for (int i = 0; i < stats.Count(); ++i) EXPECT_TRUE(stats.GetDeleted(i)) << i;
  dialogs.Script({mrNo});
}

// The notes page is saved as lines; the next save goes to the same file without a dialog.
TEST_F(MainToolsFormTest, NotesPageSavesAsPlainText) {
  const UString name = dir.Path() + u"doc.cnc";
  ASSERT_TRUE(WriteTestDocument(name, 2, u"first note"));
  auto w = OpenedWindow(name);
  w->Pages()->Tabs()->setCurrentIndex(1);
  const UString notes = dir.Path() + u"notes.txt";
  w->dialogs.answers = {notes};
  w->HandleMenuCommand(2, u"");
  EXPECT_EQ(Bytes(notes), Utf16FileBytes(u"first note\r\n"));
  w->GetToolSpecificControl()->appendPlainText(QStringLiteral("x"));
  w->HandleMenuCommand(2, u"");
  EXPECT_EQ(w->dialogs.save_requests, 1);
  EXPECT_EQ(Bytes(notes), Utf16FileBytes(u"first note\r\nx\r\n"));
  dialogs.Script({mrNo});
}

TEST_F(MainToolsFormTest, WebPagesGoToTheBrowserOnlyAfterYes) {
  TTestToolForm w;
  TRecordingLauncher launcher;
  w.SetFileLauncher(&launcher);
  dialogs.Script({mrYes, mrNo});
  w.OpenOrEditFile(u"/d/page.html");
  w.OpenOrEditFile(u"/d/page.xml");
  w.OpenOrEditFile(u"/d/list.h");
  EXPECT_EQ(launcher.shown, std::vector<UString>{u"/d/page.html"});
  EXPECT_EQ(launcher.edited, (std::vector<UString>{u"/d/page.xml", u"/d/list.h"}));
}

namespace {
class TRecordingSpeech : public TSpeechService {
 public:
  bool Speak(UStringView text) override {
    said.emplace_back(text);
    return true;
  }
  std::vector<UString> said;
};
}  // namespace

// The current row is read aloud cell by cell; without a speech engine the status bar says so;
// the heading row and a grid without list data say nothing.
TEST_F(MainToolsFormTest, SpeakRowReadsTheCellsOrSaysThereIsNoSpeech) {
  const UString name = dir.Path() + u"doc.cnc";
  ASSERT_TRUE(WriteTestDocument(name, 3));
  auto w = OpenedWindow(name);
  w->stats_grid->selectRow(1);  // grid row 2: the first text
  TQtSpeechService no_engine(QStringLiteral("no-such-engine"));
  EXPECT_FALSE(no_engine.HasEngine());
  w->SetSpeechService(&no_engine);
  w->SpeakRow(w->stats_grid);
  EXPECT_TRUE(w->Status()->PanelText(kPanelMessage).contains(QStringLiteral("speech engine")));
  TRecordingSpeech speech;
  w->SetSpeechService(&speech);
  w->SpeakCurrentLine(w->stats_grid);
  EXPECT_EQ(speech.said, std::vector<UString>{u"text0.txt, 0, 100, 100, 0"});
  TVX_Grid empty;
  w->SpeakRow(&empty);
  EXPECT_EQ(speech.said.size(), 1u);
  EXPECT_EQ(RowTextToSpeak(*w->Document()->stats, 0, 0), u"");
  EXPECT_EQ(RowTextToSpeak(*w->Document()->stats, 99, 0), u"");
  w->SetSpeechService(nullptr);
  dialogs.Script({mrNo});
}
