// Helpers of the settings-dialog window tests: the program's own main window (main_road_support.h),
// a Settings menu item triggered as a user triggers it, the controller stand-in's dialog answered
// by the test, and concordances run from the start wizard.
#pragma once

#include <QAction>
#include <QDir>
#include <QImage>

#include "concordance/document/concordance_document.h"
#include "shell/qt/shell_menu_bar.h"
#include "window/main_road_support.h"
#include "window/window_test_support.h"

// Into <screenshots>/settings/.
inline QImage SettingsShot(QWidget& w, const char* name) {
  return SaveScreenshot(w, QStringLiteral("settings/") + QString::fromLatin1(name));
}

class SettingsDialogRoad : public MainRoadTest {
 protected:
  // Triggers the Settings menu item `tag`; the dialog the stand-in opens is handed to fill
  // instead of being run modally. Answers the dialog's result (-1 when none opened).
  template <typename Dialog>
  int ThroughTheMenu(int tag, const std::function<void(Dialog&)>& fill) {
    int result = -1;
    windows->controller->SetDialogRunner([&](QDialog& d) {
      auto* wanted = dynamic_cast<Dialog*>(&d);
      EXPECT_NE(wanted, nullptr) << "another dialog opened";
      if (wanted) fill(*wanted);
      result = d.result();
      return result;
    });
    QAction* item = Main().Menus()->ActionOfTag(tag);
    EXPECT_NE(item, nullptr);
    if (item) item->trigger();
    WaitUntil([&] { return result != -1; });
    DeliverPendingEvents();
    return result;
  }
  // OK on a dialog opened through `through` after `change` made a value bad: the dialog stays
  // open and one message naming the field (`said`) is shown.
  template <typename Dialog>
  void ExpectRefused(const std::function<int(const std::function<void(Dialog&)>&)>& through,
                     const std::function<void(Dialog&)>& change, std::u16string_view said) {
    dialogs.Clear();
    through([&](Dialog& d) {
      change(d);
      d.accept();  // refused: it stays open
      EXPECT_EQ(d.result(), int(QDialog::Rejected));
      d.reject();
    });
    ASSERT_EQ(dialogs.Asked().size(), 1u);
    EXPECT_NE(dialogs.Asked()[0].text.find(said), UString::npos) << Utf16ToUtf8(dialogs.Asked()[0].text);
  }
  // The lines a concordance of `words` gives (no document when nothing is found).
  int LinesFor(UStringView words) {
    RunFromWizard(words);
    return Main().Doc() ? Main().Doc()->fConcordanceList->Count() : 0;
  }
};
