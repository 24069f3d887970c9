// The settings opened from the concordancer's own settings dialog ("Specific to this Tool"): the
// Settings menu item as a user triggers it, the button that opens the further dialog, the
// further dialog answered by the test, and the outer dialog then left with OK or Cancel.
#pragma once

#include <QPushButton>

#include "shell/qt/concordance_settings_dialog.h"
#include "window/settings_dialog_road.h"

class FurtherSettingsRoad : public SettingsDialogRoad {
 protected:
  static constexpr int kOwnSettingsMenuItem = 66;
  // Opens the outer dialog, presses the button `button` picks and hands the dialog it opens to
  // fill; the outer dialog is then cancelled unless outer_ok. Answers the further dialog's result
  // (-1 when none opened).
  template <typename Dialog>
  int Through(const std::function<QPushButton*(TConcordanceSettingsDialog&)>& button,
              const std::function<void(Dialog&)>& fill, bool outer_ok = false) {
    int further = -1;
    windows->controller->SetDialogRunner([&](QDialog& d) {
      if (auto* outer = dynamic_cast<TConcordanceSettingsDialog*>(&d)) {
        button(*outer)->click();
        outer_ok ? outer->accept() : outer->reject();
        return outer->result();
      }
      auto* wanted = dynamic_cast<Dialog*>(&d);
      EXPECT_NE(wanted, nullptr) << "another dialog opened";
      if (wanted) fill(*wanted);
      further = d.result();
      return further;
    });
    QAction* item = Main().Menus()->ActionOfTag(kOwnSettingsMenuItem);
    EXPECT_NE(item, nullptr);
    if (item) item->trigger();
    WaitUntil([&] { return further != -1; });
    DeliverPendingEvents();
    return further;
  }
};
