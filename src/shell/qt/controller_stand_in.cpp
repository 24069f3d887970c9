#include "shell/qt/controller_stand_in.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QProcess>

#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/window_registry.h"
#include "shell/main_window/controller_messages.h"
#include "shell/settings/language_choice.h"
#include "shell/main_window/progress_view.h"
#include "shell/main_window/window_tiling.h"
#include "shell/settings/settings_commands.h"
#include "shell/qt/language_chooser.h"
#include "shell/qt/main_tools_form.h"
#include "shell/qt/progress_window.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/settings_dialogs.h"
#include "shell/qt/shared_windows.h"
#include "shell/qt/colour_settings_dialog.h"
#include "shell/qt/concordance_settings_dialog.h"
#include "shell/qt/customise_dialog.h"
#include "shell/qt/general_settings_dialog.h"
#include "shell/qt/index_settings_dialog.h"
#include "shell/qt/page_setup_dialog.h"
#include "shell/qt/tag_settings_dialog.h"
#include "shell/qt/window_messages.h"

namespace {

constexpr uint16_t kCodeAbout = 951;
constexpr uint16_t kCodeChooseTexts = 1240;
constexpr uint16_t kCodeNewInstance = 4602;
constexpr uint16_t kCodeRequestToItself = 50;
constexpr uint16_t kCodeFollowCollocate = 155;

}  // namespace

TQtControllerStandIn::TQtControllerStandIn(QObject* parent) : QObject(parent) {}

TQtControllerStandIn::~TQtControllerStandIn() {
  Uninstall();
  delete progress_;
}

void TQtControllerStandIn::Install() {
  id_ = WindowIdOf(this);
  SetNewWnd(kToolController, id_);
  SetActiveMainToolWindow(kToolController, id_);
  SetVXShellInitialised(true);
  SetControllerLink(this);
}

void TQtControllerStandIn::Uninstall() {
  if (&ControllerLink() == this) SetControllerLink(nullptr);
  if (id_ != kNoWindow && GetShellWnd() == id_) {
    SetNewWnd(kToolController, kNoWindow);
    SetActiveMainToolWindow(kToolController, kNoWindow);
  }
}

TProgressWindow& TQtControllerStandIn::ProgressWindow() {
  if (!progress_) progress_ = new TProgressWindow();
  return *progress_;
}

bool TQtControllerStandIn::Post(const TPostedMessage& message) {
  if (message.target != id_) return PostWindowMessage(message.target, message.msg, message.wparam, message.lparam);
  PostWindowMessage(this, message.msg, message.wparam, message.lparam);
  return true;
}

bool TQtControllerStandIn::event(QEvent* e) {
  if (e->type() != TWindowMessageEvent::EventType()) return QObject::event(e);
  auto* m = static_cast<TWindowMessageEvent*>(e);
  if (m->msg == kMsgToolCode || m->msg == kMsgToolCodeWithParam) Handle(m->msg, CodeOfWParam(m->wparam), m->lparam);
  return true;
}

void TQtControllerStandIn::Handle(uint32_t msg, uint16_t code, int64_t lparam) {
  received_.push_back(code);
  if (code >= 6100 && code <= 6113) {
    ProgressWindow().HandleProgressCode(code);
    return;
  }
  switch (code) {
    case kCodeChooseTexts:
      if (choose_texts_) choose_texts_();
      return;
    case kCodeNewInstance:
    case kCodeRequestToItself:
    case kCodeFollowCollocate: {
      const std::vector<UString> parameters = *SecondInstanceParameters(code);
      if (start_instance_) {
        start_instance_(parameters);
        return;
      }
      QStringList arguments;
      for (const UString& p : parameters) arguments << ToQString(p);
      QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments);
      return;
    }
    case kCodeAbout: {
      const UString text = Tool_Name(current_tool_var) + u"\nversion " + GetVersionInfo() + u"\nmemory in use: " +
                           IntToUStr(ResidentMemoryBytes() / (1024 * 1024)) + u" MB";
      VXMessageBox(u"About", text, kBtnOK, TVXDialogKind::Information);
      return;
    }
    case kCodeTileVertically:
    case kCodeTileHorizontally: TileMainWindows(*TilingOfCode(code)); return;
    default:
      if (HandleSettingsCommand(msg, code, lparam)) return;
      if (global_keeping_log) AddToLogFile(u"controller stand-in: code " + IntToUStr(code) + u" taken");
  }
}

void TQtControllerStandIn::TileMainWindows(TTiling tiling) {
  // Over the screen of one of this process's main windows; the windows of the program's other
  // processes come along through the register.
  const QScreen* screen = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (dynamic_cast<TMainToolsForm*>(w) && w->isVisible() && w->screen()) {
      screen = w->screen();
      break;
    }
  TSharedMainWindows::Instance().Tile(tiling, screen);
}

int TQtControllerStandIn::Run(QDialog& dialog) { return run_dialog_ ? run_dialog_(dialog) : dialog.exec(); }

bool TQtControllerStandIn::HandleSettingsCommand(uint32_t msg, uint16_t code, int64_t lparam) {
  switch (SettingsCommandOfCode(code)) {
    case TSettingsCommand::None: return false;
    case TSettingsCommand::Font: {
      TFontSettingsDialog d;
      if (Run(d) == QDialog::Accepted) PostToOwnWindow(kCodeSettingsChanged);
      return true;
    }
    case TSettingsCommand::Folders: {
      TFolderSettingsDialog d(current_tool_var);
      if (Run(d) == QDialog::Accepted) PostToOwnWindow(kCodeSettingsChanged);
      return true;
    }
    case TSettingsCommand::Tags: {
      TTagSettingsDialog d;
      if (file_dialogs_) d.SetFileDialogs(file_dialogs_());
      if (Run(d) == QDialog::Accepted) PostToOwnWindow(kCodeSettingsChanged);
      return true;
    }
    case TSettingsCommand::Concordance: {
      TConcordanceSettingsDialog d(current_tool_var);
      d.SetSubDialogRunner([this](QDialog& sub) { return Run(sub); });
      if (Run(d) == QDialog::Accepted || d.SubSettingsChanged()) PostToOwnWindow(kCodeSettingsChanged);
      return true;
    }
    case TSettingsCommand::Colours: {
      TColourSettingsDialog d;
      if (Run(d) == QDialog::Accepted) PostToOwnWindow(kCodeSettingsChanged);
      return true;
    }
    case TSettingsCommand::Customise: {
      TCustomiseDialog d;
      if (Run(d) == QDialog::Accepted) PostToOwnWindow(kCodeSettingsChanged);
      return true;
    }
    case TSettingsCommand::Index: {
      TIndexSettingsDialog d;
      if (Run(d) == QDialog::Accepted) PostToOwnWindow(kCodeSettingsChanged);
      return true;
    }
    case TSettingsCommand::General: {
      TGeneralSettingsDialog d;
      if (Run(d) == QDialog::Accepted) PostToOwnWindow(kCodeSettingsChanged);
      return true;
    }
    case TSettingsCommand::PageSetup: {
      TPageSetupDialog d;
      if (Run(d) == QDialog::Accepted) PostToOwnWindow(kCodeSettingsChanged);
      return true;
    }
    case TSettingsCommand::Lists: {
      TListSettingsDialog d(current_tool_var);
      if (Run(d) == QDialog::Accepted)
        for (uint16_t c : d.CodesToPost()) PostToOwnWindow(c);
      return true;
    }
    case TSettingsCommand::Language: {
      if (msg != kMsgToolCodeWithParam) {  // the menu: the controller's chooser
        TLanguageChooser d;
        d.SetAlternatives(GetNamesOfLanguagesToOffer());
        d.SetCurrentLangTo(CurrentLanguageName());
        Run(d);
        return true;
      }
      UString problem;
      if (!StoreChosenLanguage(lparam, problem)) {
        VXMessageBox(u"Language", problem, kBtnOK, TVXDialogKind::Warning);
        return true;
      }
      language_ = lparam;
      PostToOwnWindow(kCodeLanguageConfirmed);
      return true;
    }
  }
  return false;
}
