// The base of the tool's wizards: its own task-bar entry (a top-level window), the settings
// store told which window of the tool is active while it is, the chosen texts it shows (the main
// window's, never owned here) and whether it has been shown.
//
// SetupKeyboardAndControls is applied to any form when it is made (the main window too), and again
// to the main window and the start wizard after a settings change: the user's dead keys are loaded
// once per run (once Settings > General switches them on; the word boxes apply them only while it
// does), the keyboard choice is noted once (there is no
// layout switch to make on this desktop), labels are made transparent and file-name boxes take
// the dialog option, through every nested panel.
#pragma once

#include "model/reading/chosen_texts_handover.h"
#include "shell/qt/form_base.h"
#include "windows/wizard_rules.h"

class TFormVXWizard : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TFormVXWizard(QWidget* parent = nullptr);
  TVXFileDetails* fChosenFiles = nullptr;
  bool Already_Used = false;

 protected:
  void FormShow() override;
  void FormActivate() override;
  void closeEvent(QCloseEvent* e) override;
  void done(int r) override;
};

// The user's dead keys as the word boxes apply them (empty until loaded).
const TDeadKeyTable& UserDeadKeys();
// Whether the dead keys were loaded and the keyboard choice taken (once each per run).
bool DeadKeysLoaded();
bool KeyboardLayoutTaken();
// Forgets both (for a test that plays a second run).
void ResetKeyboardSetup();
// The property a file-name box carries for the dialog option.
inline constexpr char kFileNameBoxProperty[] = "linzoraFileNameBox";
void SetupKeyboardAndControls(QWidget& form);
