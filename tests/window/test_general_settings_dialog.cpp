// Settings > General through the program's Settings menu: each choice changes what the window
// does (the save question on Close, also for a run made for another tool, the auto-save timer, the
// file reopened at start-up, the kind of open dialog shown, the log, the dead keys of the word
// boxes), a value out of range is refused naming its field, and Cancel changes nothing.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimer>

#include <fstream>

#include "concordance/document/source_files.h"
#include "concordance/document/tell_list.h"
#include "shell/main_window/main_window_rules.h"
#include "shell/qt/general_settings_dialog.h"
#include "shell/qt/settings_dialogs.h"
#include "windows/wizard_base.h"
#include "window/settings_dialog_road.h"
#include "window/test_tool_window.h"

namespace {

constexpr int kGeneralMenuItem = 67;
constexpr int kCloseMenuItem = 26;
constexpr int kOpenMenuItem = 3;
constexpr int kFontMenuItem = 61;

class GeneralSettingsRoad : public SettingsDialogRoad {
 protected:
  int ThroughTheMenu(const std::function<void(TGeneralSettingsDialog&)>& fill) {
    return SettingsDialogRoad::ThroughTheMenu<TGeneralSettingsDialog>(kGeneralMenuItem, fill);
  }
  // A window showing fresh (unsaved) lines of "river".
  void ShowUnsavedLines() {
    Start();
    HandOverTexts(WriteRiverTexts(dir, 1, 2));
    RunFromWizard(u"river");
    ASSERT_NE(Main().Doc(), nullptr);
  }
  void Trigger(int tag) {
    QAction* item = Main().Menus()->ActionOfTag(tag);
    ASSERT_NE(item, nullptr);
    item->trigger();
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }
  // Every message posted to the main window so far (the settings-changed code after OK) handled.
  void HandledSoFar() {
    bool reached = false;
    QMetaObject::invokeMethod(&Main(), [&reached] { reached = true; }, Qt::QueuedConnection);
    ASSERT_TRUE(WaitUntil([&] { return reached; }, 5000));
  }
  static std::string FileText(const UString& name) {
    std::ifstream f(Utf16ToUtf8(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
};

TEST_F(GeneralSettingsRoad, TheSaveQuestionOnCloseFollowsTheChoice) {
  ShowUnsavedLines();
  // As stored at first: Close asks, and Cancel keeps the lines.
  dialogs.Script({mrCancel});
  Trigger(kCloseMenuItem);
  EXPECT_TRUE(WasAsked(TVXDialog::DoYouWantToSave));
  ASSERT_NE(Main().Doc(), nullptr);

  ASSERT_EQ(ThroughTheMenu([](TGeneralSettingsDialog& d) {
              EXPECT_TRUE(d.AskToSave()->isChecked());
              d.AskToSave()->setChecked(false);
              d.show();
              SettingsShot(d, "general");
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_FALSE(GetAskWhetherToSaveModifiedData());
  dialogs.Clear();
  Trigger(kCloseMenuItem);
  EXPECT_FALSE(WasAsked(TVXDialog::DoYouWantToSave));
  EXPECT_EQ(Main().Doc(), nullptr);
}

TEST_F(GeneralSettingsRoad, AutoSaveRunsFromTheChangeOnAndStopsAtNever) {
  ShowUnsavedLines();
  ASSERT_TRUE(Main().SaveDataToFile(Main().ConcordanceGrid(), dir.Path() + u"river.cnc"));
  EXPECT_FALSE(Main().AutoSaveTimer().isActive());
  ThroughTheMenu([](TGeneralSettingsDialog& d) {
    d.AutoSaveMinutes()->setValue(2);
    d.accept();
  });
  EXPECT_TRUE(Main().AutoSaveTimer().isActive());
  EXPECT_EQ(Main().AutoSaveTimer().interval(), 2 * 60 * 1000);
  ThroughTheMenu([](TGeneralSettingsDialog& d) {
    EXPECT_EQ(d.AutoSaveMinutes()->value(), 2);  // shown as stored
    d.AutoSaveMinutes()->setValue(0);
    d.accept();
  });
  EXPECT_FALSE(Main().AutoSaveTimer().isActive());
}

TEST_F(GeneralSettingsRoad, StartUpReopensTheLastFileOnlyWhenChosen) {
  ShowUnsavedLines();
  const UString file = dir.Path() + u"river.cnc";
  ASSERT_TRUE(Main().SaveDataToFile(Main().ConcordanceGrid(), file));
  // Opened through File > Open, it becomes the last file used.
  Start();
  TScriptedFileDialogs files;
  files.answers = {file};
  Main().SetFileDialogs(&files);
  Trigger(kOpenMenuItem);
  ASSERT_NE(Main().Doc(), nullptr);
  Start();
  EXPECT_EQ(Main().Doc(), nullptr);  // not chosen: the program starts empty

  ThroughTheMenu([](TGeneralSettingsDialog& d) {
    d.ReopenLastFile()->setChecked(true);
    d.accept();
  });
  Start();
  ASSERT_TRUE(WaitUntil([this] { return Main().Doc() != nullptr; }));
  EXPECT_EQ(Main().StartupDocument(), file);
}

TEST_F(GeneralSettingsRoad, OpenShowsTheKindOfDialogChosen) {
  Start();
  // The Open dialog that shows: whether it is the program's own, then cancelled.
  auto open_dialog_is_own = [this] {
    int own = -1;
    std::function<void()> look = [&] {
      if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        own = d->testOption(QFileDialog::DontUseNativeDialog) ? 1 : 0;
        d->reject();
      } else {
        QTimer::singleShot(10, look);
      }
    };
    QTimer::singleShot(10, look);
    Trigger(kOpenMenuItem);
    WaitUntil([&] { return own != -1; });
    return own;
  };
  EXPECT_EQ(open_dialog_is_own(), 1);
  ThroughTheMenu([](TGeneralSettingsDialog& d) {
    EXPECT_EQ(d.FileDialogs()->currentIndex(), 0);
    d.FileDialogs()->setCurrentIndex(1);
    d.accept();
  });
  EXPECT_EQ(GetOpenAndSaveDialogOption(), 1);
  EXPECT_EQ(open_dialog_is_own(), 0);
}

TEST_F(GeneralSettingsRoad, CancelAndRefusedValuesChangeNothing) {
  Start();
  const TGeneralSettingsChoice before = CurrentGeneralSettings();
  ThroughTheMenu([](TGeneralSettingsDialog& d) {
    d.AskToSave()->setChecked(false);
    d.AutoSaveMinutes()->setValue(5);
    d.reject();
  });
  ThroughTheMenu([](TGeneralSettingsDialog& d) {
    d.AskToSave()->setChecked(false);
    d.AutoSaveMinutes()->setValue(kMostAutoSaveMinutes + 1);
    d.accept();  // refused: it stays open
    EXPECT_EQ(d.result(), int(QDialog::Rejected));
    d.reject();
  });
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_NE(dialogs.Asked()[0].text.find(u"Auto-save every: 1441 minutes"), UString::npos);
  EXPECT_EQ(CurrentGeneralSettings(), before);
}

// "/log" keeps its log through a settings change (Settings > Font > OK read the settings again and
// ended it); Settings > General shows it, switches it off, and on again into another file.
TEST_F(GeneralSettingsRoad, TheLogOfTheCommandLineGoesOnUntilGeneralSwitchesItOff) {
  struct TLogBack {
    ~TLogBack() {
      global_keeping_log = false;
      SetLogFilename(u"");
    }
  } log_back;
  const UString log = dir.Path() + u"run.log";
  Start({u"/log", log});
  ASSERT_TRUE(global_keeping_log.load());
  ASSERT_EQ(SettingsDialogRoad::ThroughTheMenu<TFontSettingsDialog>(kFontMenuItem, [](TFontSettingsDialog& d) { d.accept(); }),
            int(QDialog::Accepted));
  HandledSoFar();
  EXPECT_TRUE(global_keeping_log.load()) << "a settings change ended the log";
  AddToLogFile(u"after the font was chosen");
  EXPECT_NE(FileText(log).find("after the font was chosen"), std::string::npos);

  ThroughTheMenu([&](TGeneralSettingsDialog& d) {
    EXPECT_TRUE(d.KeepALog()->isChecked());
    EXPECT_EQ(FromQString(d.LogFile()->text()), log);
    d.KeepALog()->setChecked(false);
    d.accept();
  });
  HandledSoFar();
  EXPECT_FALSE(global_keeping_log.load());
  EXPECT_FALSE(GetLogging());
  AddToLogFile(u"not kept");
  EXPECT_EQ(FileText(log).find("not kept"), std::string::npos);

  const UString other = dir.Path() + u"logs/second run.log";
  ThroughTheMenu([&](TGeneralSettingsDialog& d) {
    EXPECT_FALSE(d.LogFile()->isEnabled());
    d.KeepALog()->setChecked(true);
    d.LogFile()->setText(ToQString(other));
    d.accept();
  });
  HandledSoFar();
  EXPECT_TRUE(global_keeping_log.load());
  EXPECT_EQ(GetLogFilename(), other);
  AddToLogFile(u"into the second file");
  EXPECT_NE(FileText(other).find("into the second file"), std::string::npos);

  // On without a file, or with a folder for a file: refused, naming the field; nothing changes.
  for (const UString& bad : {UString(u"  "), dir.Path()}) {
    dialogs.Clear();
    ThroughTheMenu([&](TGeneralSettingsDialog& d) {
      d.LogFile()->setText(ToQString(bad));
      d.accept();
      EXPECT_EQ(d.result(), int(QDialog::Rejected));
      d.reject();
    });
    ASSERT_EQ(dialogs.Asked().size(), 1u);
    EXPECT_NE(dialogs.Asked()[0].text.find(u"Log file"), UString::npos) << Utf16ToUtf8(dialogs.Asked()[0].text);
    EXPECT_EQ(GetTheLogFilename(), other);
  }
}

// A concordance made for another tool's request asks to be saved on closing while General says so.
TEST_F(GeneralSettingsRoad, TheSaveQuestionOfARunForAnotherToolFollowsTheChoice) {
  const UString text = dir.Write(u"texts/a.txt", "the river bank and the river mouth");
  for (const bool ask : {true, false}) {
    SCOPED_TRACE(ask ? "asks" : "does not ask");
    TTellLinzoraList request(kToolWordLister, kToolConcordancer);
    TLinzoraFilenamelist& files = request.MakeSourceFileList();
    TLinzoraFilenameEntryRecPlus rec;
    rec.full_filename = text;
    rec.head.filestatus = kFilePresent;
    rec.other_data.file_size = FileSizeU(text);
    files.Add(new TLinzoraFilenameEntry(&files, rec));
    request.AddItem(u"river");
    ASSERT_TRUE(request.SaveRequestFile());
    Start({u"wordlister"});
    ASSERT_NE(Main().Doc(), nullptr);
    ASSERT_TRUE(Main().tool_wants_linzora);
    ThroughTheMenu([&](TGeneralSettingsDialog& d) {
      EXPECT_TRUE(d.AskToSaveRun()->isChecked());  // as stored at first, and by the round before
      d.AskToSaveRun()->setChecked(ask);
      d.accept();
    });
    EXPECT_EQ(GetAskWhetherToSaveRunConcData(), ask);
    dialogs.Clear();
    dialogs.Script({mrNo});
    Trigger(kCloseMenuItem);
    EXPECT_EQ(WasAsked(TVXDialog::DoYouWantToSave), ask);
    EXPECT_EQ(Main().Doc(), nullptr);
  }
}

// The word boxes apply the user's dead keys once General switches them on, and no longer after.
TEST_F(GeneralSettingsRoad, DeadKeysApplyToTheWordBoxesWhileSwitchedOn) {
  struct TKeysBack {
    ~TKeysBack() { ResetKeyboardSetup(); }
  } keys_back;
  ResetKeyboardSetup();
  {
    // "^" then "e" gives "ê" (UTF-16 with its mark).
    std::ofstream f(Utf16ToUtf8(GetUserReadWriteFolder() + u"customised deadkeys.dat"), std::ios::binary);
    f << std::string("\xFF\xFE", 2) << std::string("^\0,\0e\0,\0\xEA\0\n\0", 12);
  }
  Start();
  Main().ShowStartDialog();
  ASSERT_TRUE(WaitUntil([this] { return Wizard().isVisible(); }));
  auto typed = [this](const char* keys) {
    QLineEdit* edit = Wizard().SearchBox()->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, QString::fromLatin1(keys));
    return FromQString(Wizard().SearchBox()->currentText());
  };
  EXPECT_EQ(typed("f^ete"), u"f^ete");
  for (const bool on : {true, false}) {
    ThroughTheMenu([&](TGeneralSettingsDialog& d) {
      EXPECT_EQ(d.DeadKeys()->isChecked(), !on);
      d.DeadKeys()->setChecked(on);
      d.accept();
    });
    HandledSoFar();
    EXPECT_EQ(typed("f^ete"), on ? u"f\u00eate" : u"f^ete") << on;
  }
}

}  // namespace
