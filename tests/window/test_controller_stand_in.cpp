#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <cstdlib>
#include <string>

#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/window_registry.h"
#include "shell/main_window/controller_messages.h"
#include "shell/main_window/main_window_services.h"
#include "shell/qt/controller_stand_in.h"
#include "shell/qt/language_chooser.h"
#include "shell/qt/settings_dialogs.h"
#include "shell/qt/progress_window.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/window_messages.h"
#include "shell/services/progress.h"
#include "shell/services/suite_services.h"
#include "model/text_reader_test_support.h"
#include "support/temp_folder.h"
#include "window/window_test_support.h"

namespace {

// A tool's main window as far as messages go: its 0x401 handler runs the controller codes first.
class TToolWindow : public QWidget, public TShellActions {
 public:
  bool event(QEvent* e) override {
    if (e->type() != TWindowMessageEvent::EventType()) return QWidget::event(e);
    auto* m = static_cast<TWindowMessageEvent*>(e);
    const uint16_t code = CodeOfWParam(m->wparam);
    if (m->msg == kMsgToolCode && !HandleCallingProgramMessage(code, *this)) own_codes.push_back(code);
    return true;
  }
  void LoadOrClearList(int kind, bool load) override { lists += (load ? "load " : "clear ") + std::to_string(kind) + ";"; }
  void CloseMainWindow() override { lists += "close;"; }
  void TerminateNow() override { lists += "terminate;"; }
  void SettingsChanged() override { ++settings_changed; }
  int settings_changed = 0;
  std::vector<uint16_t> own_codes;
  std::string lists;
};

class StandInTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetWindowRegister();
    TakeOwnWindowMessages();
    InstallMessageBridge();
    stand_in.Install();
    RegisterToolWindow(WindowIdOf(&tool));
    SetDialogService(&dialogs);
    CreateGlobalProgress();
    global_panic_state = kPanicNone;
  }
  void TearDown() override {
    FreeGlobalProgress();
    SetDialogService(nullptr);
    stand_in.Uninstall();
    SetOwnWindowPostHook(nullptr);
    global_own_HWnd = kNoWindow;
    global_panic_state = kPanicNone;
    ResetWindowRegister();
  }
  // Runs the next settings dialogs through fill (instead of modally); answers their result.
  template <typename Dialog>
  void FillDialogsWith(std::function<void(Dialog&)> fill) {
    stand_in.SetDialogRunner([this, fill](QDialog& d) {
      auto* wanted = dynamic_cast<Dialog*>(&d);
      if (!wanted) {
        ADD_FAILURE() << "another dialog opened";
        return int(QDialog::Rejected);
      }
      fill(*wanted);
      ++dialogs_run;
      return d.result();
    });
  }
  text_reader_test::ScopedSettings settings;
  TempFolder dir;
  int dialogs_run = 0;
  TToolWindow tool;
  TQtControllerStandIn stand_in;
  THeadlessDialogService dialogs;
};

}  // namespace

TEST_F(StandInTest, TheToolFindsItsControllerAtOnce) {
  EXPECT_TRUE(ControllerReachable());
  EXPECT_TRUE(WaitForControllerWindow(0.0)) << "no turn of the loop needed";
  EXPECT_TRUE(StartATool(kToolController, u"", false, false));
  EXPECT_TRUE(PostToController(951));
  QApplication::processEvents();
  ASSERT_EQ(dialogs.Asked().size(), 1u);  // About, with version and memory
  EXPECT_NE(dialogs.Asked()[0].text.find(u"memory in use"), UString::npos);
}

TEST_F(StandInTest, JobReportingToTheControllerShowsInTheProgressWindowAndStops) {
  TProgressClass& p = *GlobalProgress();
  TJobScope job;
  p.ClearAllAndShow({400, 300}, kWhereController);
  p.ProgressShortMessage(u"Concordance");
  p.ProgressLongMessage(u"reading text 2 of 8: caf\u00e9.txt");
  p.ThisPercent(60);
  p.OverallPercent(25);
  p.RunningWords(123456);
  QApplication::processEvents();
  TProgressWindow& w = stand_in.ProgressWindow();
  ASSERT_TRUE(w.isVisible());
  // The offscreen platform activates every window it shows, so ask the window what it asks for.
  EXPECT_TRUE(w.windowFlags() & Qt::WindowDoesNotAcceptFocus);
  EXPECT_TRUE(w.testAttribute(Qt::WA_ShowWithoutActivating));
  EXPECT_EQ(w.View().short_message, u"Concordance");
  EXPECT_EQ(w.View().this_percent, 60);
  EXPECT_EQ(w.View().overall_percent, 25);
  EXPECT_EQ(w.View().running_words, u"123,456");
  const QImage shot = SaveScreenshot(w, QStringLiteral("progress_window"));
  EXPECT_GT(ColoursIn(shot), 10);

  // Stop asks ("quit?" yes, "finish this step first?" no), then the job sees the stop.
  dialogs.Script({mrYes, mrNo});
  w.StopButton()->click();
  EXPECT_EQ(dialogs.Asked().size(), 2u);
  EXPECT_TRUE(StopRequested());

  p.Hide();
  QApplication::processEvents();
  EXPECT_FALSE(w.isVisible());
}

TEST_F(StandInTest, StopCodesReachAPumpingJob) {
  struct Case { uint16_t code; uint8_t state; };
  for (Case c : {Case{6120, kPanicEndOfText}, Case{6121, kPanicStopNow}, Case{6122, kPanicStopAndQuit}}) {
    TJobScope job;
    PostToOwnWindow(c.code);
    int steps = 0;
    while (global_panic_state == kPanicNone && steps < 100) {
      ++steps;
      MyYieldProcess();
    }
    EXPECT_EQ(global_panic_state, c.state) << c.code;
    EXPECT_EQ(steps, 1) << c.code;  // the next pump delivers it
  }
  EXPECT_EQ(tool.lists, "terminate;");
}

TEST_F(StandInTest, ListCodesWaitForThePumpingJob) {
  {
    TJobScope job;
    for (uint16_t code : {234, 239, 240}) PostToOwnWindow(code);
    for (int i = 0; i < 3; ++i) MyYieldProcess();
    EXPECT_EQ(tool.lists, "");
  }
  EXPECT_EQ(tool.lists, "load 0;clear 2;load 3;");
}

TEST_F(StandInTest, LanguageChangeIsStoredAndConfirmed) {
  const bool changed = ChangeLanguage([] { return PostToControllerWithParam(1230, 0x0407); }, 5.0);
  EXPECT_TRUE(changed);
  EXPECT_EQ(stand_in.LastLanguage(), 0x0407);
  EXPECT_EQ(GetTextSettings().LCID(), 0x0407);
  EXPECT_EQ(GetTextSettings().LanguageName(), u"German (Germany)");
}

TEST_F(StandInTest, AnUnknownLanguageIsNeitherStoredNorConfirmed) {
  const int32_t before = GetTextSettings().LCID();
  EXPECT_FALSE(ChangeLanguage([] { return PostToControllerWithParam(1230, 0x0FFF); }, 0.3));
  EXPECT_EQ(GetTextSettings().LCID(), before);
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_NE(dialogs.Asked()[0].text.find(u"identifier 4095"), UString::npos);
}

TEST_F(StandInTest, TheLanguageMenuOpensTheChooserOfFavourites) {
  FillDialogsWith<TLanguageChooser>([](TLanguageChooser& d) {
    // The text settings' language and English (United States) with no languages set up.
    EXPECT_GE(d.Combo()->count(), 1);
    EXPECT_GE(d.Combo()->findText(QStringLiteral("English (United States)")), 0);
    d.Combo()->setEditText(QStringLiteral("french (france)"));  // typed, case ignored
    d.accept();
  });
  SetLanguageChangeFlag(false);
  PostToController(1230);
  for (int i = 0; i < 5 && !LanguageChangeFlag(); ++i) QApplication::processEvents();
  EXPECT_EQ(dialogs_run, 1);
  EXPECT_TRUE(LanguageChangeFlag());
  EXPECT_EQ(GetTextSettings().LCID(), 0x040C);
}

TEST_F(StandInTest, ALanguageNoOneKnowsKeepsTheChooserOpen) {
  TLanguageChooser d;
  d.SetAlternatives(u"English (United States)\t\tGerman (Germany)");
  EXPECT_EQ(d.Combo()->count(), 2);
  d.SetCurrentLangTo(u"Klingonese");
  d.show();
  d.accept();
  EXPECT_TRUE(d.isVisible());
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_NE(dialogs.Asked()[0].text.find(u"Klingonese"), UString::npos);
  QApplication::processEvents();
  EXPECT_EQ(stand_in.LastLanguage(), -1);
  const QImage shot = SaveScreenshot(d, QStringLiteral("language_chooser"));
  EXPECT_GT(InkPixelsIn(shot, d.Combo()->geometry()), 20);
}

TEST_F(StandInTest, ChooseTextsOpensTheChooser) {
  int opened = 0;
  stand_in.SetChooseTexts([&] { ++opened; });
  PostToController(1240);
  EXPECT_EQ(opened, 0);  // posted: nothing before the loop runs
  QApplication::processEvents();
  EXPECT_EQ(opened, 1);
}

// Every settings command of the menu opens a dialog of its own; none says it is not available.
TEST_F(StandInTest, EverySettingsCommandOpensItsDialog) {
  struct Case { uint16_t code; const char* title; };
  for (Case c : {Case{1260, "Colours"}, Case{1790, "Tags"}, Case{4440, "Customise"}, Case{72, "Index"},
                 Case{66, "Concordance settings"}}) {
    QString opened;
    stand_in.SetDialogRunner([&](QDialog& d) {
      opened = d.windowTitle();
      return int(QDialog::Rejected);
    });
    dialogs.Clear();
    PostToController(c.code);
    QApplication::processEvents();
    EXPECT_EQ(opened, QString::fromLatin1(c.title)) << c.code;
    EXPECT_TRUE(dialogs.Asked().empty()) << c.code;
  }
  EXPECT_EQ(tool.settings_changed, 0);  // cancelled: nothing to re-read
}

TEST_F(StandInTest, FontGoesIntoTheTextSettingsAndTheToolRereads) {
  FillDialogsWith<TFontSettingsDialog>([](TFontSettingsDialog& d) {
    d.FontBox()->setCurrentFont(QFont(QStringLiteral("DejaVu Sans Mono")));
    d.SizeBox()->setValue(15);
    d.show();
    SaveScreenshot(d, QStringLiteral("settings_font"));
    d.accept();
  });
  PostToController(1130);
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  EXPECT_EQ(dialogs_run, 1);
  EXPECT_EQ(GetTextSettings().FontSize(), 15);
  EXPECT_EQ(GetTextSettings().FontName(), u"DejaVu Sans Mono");
  EXPECT_EQ(tool.settings_changed, 1);
}

TEST_F(StandInTest, CancelledSettingsChangeNothing) {
  const TTextsett_rec32 before = GetTextSettings();
  FillDialogsWith<TFontSettingsDialog>([](TFontSettingsDialog& d) {
    d.SizeBox()->setValue(30);
    d.reject();
  });
  PostToController(1130);
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  EXPECT_EQ(dialogs_run, 1);
  EXPECT_TRUE(GetTextSettings().SameBytes(before));
  EXPECT_EQ(tool.settings_changed, 0);
}

TEST_F(StandInTest, FoldersRefusedStayTypedAndFoldersAcceptedAreStored) {
  const UString file = dir.Write(u"a file", "x");
  const UString results = dir.Path() + u"résultats";
  FillDialogsWith<TFolderSettingsDialog>([&](TFolderSettingsDialog& d) {
    d.ResultsFolder()->setText(ToQString(file));
    d.accept();  // refused: a file
    EXPECT_EQ(d.result(), int(QDialog::Rejected));
    EXPECT_EQ(d.ResultsFolder()->text(), ToQString(file));
    d.ResultsFolder()->setText(ToQString(results));
    d.show();
    const QImage shot = SaveScreenshot(d, QStringLiteral("settings_folders"));
    EXPECT_GT(InkPixelsIn(shot, d.ResultsFolder()->geometry()), 20);
    d.accept();
  });
  PostToController(1600);
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_NE(dialogs.Asked()[0].text.find(u"not a folder"), UString::npos);
  EXPECT_EQ(GetDefaultFolder(current_tool_var), results + u"/");
  EXPECT_EQ(tool.settings_changed, 1);
}

// A path reads from its start (the top folders), however long: the box is as wide as the path
// (within reason) and its hint holds the whole path.
TEST_F(StandInTest, FolderPathsReadFromTheirStart) {
  TFolderSettingsDialog d(current_tool_var);
  const QString deep = ToQString(dir.Path()) + QStringLiteral("a rather long folder name/of results/for the corpus/2026");
  d.show();
  d.ResultsFolder()->setText(deep);
  QApplication::processEvents();
  EXPECT_EQ(d.ResultsFolder()->cursorPosition(), 0);
  EXPECT_EQ(d.ResultsFolder()->toolTip(), deep);
  const int wanted = std::min(900, d.ResultsFolder()->fontMetrics().horizontalAdvance(deep));
  EXPECT_GE(d.ResultsFolder()->width(), wanted);
  const QImage shot = SaveScreenshot(d, QStringLiteral("settings_folders_long"));
  EXPECT_GT(InkPixelsIn(shot, d.ResultsFolder()->geometry()), 20);
  d.hide();
}

TEST_F(StandInTest, ListFilesAndSwitchesTellTheToolWhatToLoad) {
  const UString lemmas = dir.Write(u"lemmas.txt", "be -> was, were\n");
  const UString stops = dir.Write(u"stop words.txt", "the\n");
  FillDialogsWith<TListSettingsDialog>([&](TListSettingsDialog& d) {
    d.Switch(0)->setChecked(true);
    d.File(0)->setText(ToQString(lemmas));
    d.Switch(2)->setChecked(true);
    d.File(2)->setText(ToQString(dir.Path() + u"missing.txt"));
    d.accept();  // refused: the stop list's file is missing
    EXPECT_EQ(d.result(), int(QDialog::Rejected));
    d.File(2)->setText(ToQString(stops));
    d.show();
    const QImage shot = SaveScreenshot(d, QStringLiteral("settings_lists"));
    EXPECT_GT(InkPixelsIn(shot, d.File(2)->geometry()), 20);
    d.accept();
  });
  PostToController(1460);
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_NE(dialogs.Asked()[0].text.find(u"missing.txt"), UString::npos);
  EXPECT_EQ(tool.lists, "load 0;load 2;");
  EXPECT_EQ(GetLemmaMatchStopFilename(current_tool_var, 2), stops);

  // Switched off again: cleared.
  FillDialogsWith<TListSettingsDialog>([&](TListSettingsDialog& d) {
    d.Switch(0)->setChecked(false);
    d.accept();
  });
  PostToController(1460);
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  EXPECT_EQ(tool.lists, "load 0;load 2;clear 0;load 2;");
}
