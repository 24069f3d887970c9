#include "windows/wizard_base.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>

#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/window_registry.h"
#include "shell/main_window/main_window_rules.h"
#include "shell/qt/window_messages.h"

namespace {

TDeadKeyTable g_dead_keys;
bool g_dead_keys_loaded = false;
bool g_layout_taken = false;

void SetupOneControl(QWidget& w, uint8_t dialog_option) {
  if (auto* label = qobject_cast<QLabel*>(&w)) {
    label->setAutoFillBackground(false);
    label->setAttribute(Qt::WA_TranslucentBackground, true);
  } else if (auto* edit = qobject_cast<QLineEdit*>(&w)) {
    if (edit->property(kFileNameBoxProperty).isValid()) edit->setProperty(kFileNameBoxProperty, int{dialog_option});
  }
  for (QObject* child : w.children())
    if (auto* cw = qobject_cast<QWidget*>(child)) SetupOneControl(*cw, dialog_option);
}

}  // namespace

TFormVXWizard::TFormVXWizard(QWidget* parent) : TVXDialogForm(parent) {
  // A window of its own on the task bar, not a child of the main window's.
  setWindowFlag(Qt::Window, true);
}

void TFormVXWizard::FormShow() { Already_Used = true; }

void TFormVXWizard::FormActivate() { SetActiveChildToolWindow(current_tool_var, WindowIdOf(this)); }

void TFormVXWizard::closeEvent(QCloseEvent* e) {
  SetActiveChildToolWindow(current_tool_var, kNoWindow);
  TVXDialogForm::closeEvent(e);
}

void TFormVXWizard::done(int r) {
  SetActiveChildToolWindow(current_tool_var, kNoWindow);
  TVXDialogForm::done(r);
}

const TDeadKeyTable& UserDeadKeys() { return g_dead_keys; }
bool DeadKeysLoaded() { return g_dead_keys_loaded; }
bool KeyboardLayoutTaken() { return g_layout_taken; }
void ResetKeyboardSetup() {
  g_dead_keys = TDeadKeyTable();
  g_dead_keys_loaded = false;
  g_layout_taken = false;
}

void SetupKeyboardAndControls(QWidget& form) {
  if (GetDeadKeyListCustomised() && !g_dead_keys_loaded)
    g_dead_keys_loaded = g_dead_keys.Load(GetUserReadWriteFolder() + u"customised deadkeys.dat");
  const uint32_t layout = GetKeyboardChoice();
  if (layout != 0 && !g_layout_taken) {
    // The desktop chooses keyboard layouts itself; the choice is only noted.
    if (global_keeping_log) AddToLogFile(u"keyboard layout " + IntToUStr(layout) + u" left to the desktop");
    g_layout_taken = true;
  }
  const uint8_t option = GetOpenAndSaveDialogOption();
  for (QObject* child : form.children())
    if (auto* w = qobject_cast<QWidget*>(child)) SetupOneControl(*w, option);
}
