// Settings > General through the program's Settings menu: each choice changes what the window
// does (the save question on Close, the auto-save timer, the file reopened at start-up, the kind
// of open dialog shown), a value out of range is refused naming its field, and Cancel changes
// nothing.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QSpinBox>
#include <QTimer>

#include "shell/main_window/main_window_rules.h"
#include "shell/qt/general_settings_dialog.h"
#include "window/settings_dialog_road.h"
#include "window/test_tool_window.h"

namespace {

constexpr int kGeneralMenuItem = 67;
constexpr int kCloseMenuItem = 26;
constexpr int kOpenMenuItem = 3;

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

}  // namespace
