#include "shell/qt/controller_stand_in.h"

#include <QCoreApplication>
#include <QProcess>

#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/window_registry.h"
#include "shell/progress_view.h"
#include "shell/qt/progress_window.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/window_messages.h"

namespace {

constexpr uint16_t kCodeLanguageConfirmed = 701;
constexpr uint16_t kCodeAbout = 951;
constexpr uint16_t kCodeLanguage = 1230;
constexpr uint16_t kCodeChooseTexts = 1240;
constexpr uint16_t kCodeNewInstance = 4602;

// Settings commands whose dialogs this stand-in does not have.
bool IsSettingsCommand(uint16_t code) {
  for (uint16_t c : {66, 72, 1130, 1260, 1460, 1600, 1790, 4440})
    if (c == code) return true;
  return false;
}

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
    case kCodeLanguage:
      if (msg == kMsgToolCodeWithParam) language_ = lparam;
      PostToOwnWindow(kCodeLanguageConfirmed);
      return;
    case kCodeNewInstance:
      if (start_instance_) start_instance_();
      else QProcess::startDetached(QCoreApplication::applicationFilePath(), {});
      return;
    case kCodeAbout: {
      const UString text = Tool_Name(current_tool_var) + u"\nversion " + GetVersionInfo() + u"\nmemory in use: " +
                           IntToUStr(ResidentMemoryBytes() / (1024 * 1024)) + u" MB";
      VXMessageBox(u"About", text, kBtnOK, TVXDialogKind::Information);
      return;
    }
    default:
      if (IsSettingsCommand(code)) {
        VXMessageBox(u"Settings", u"This setting is not available yet.", kBtnOK, TVXDialogKind::Information);
        return;
      }
      if (global_keeping_log) AddToLogFile(u"controller stand-in: code " + IntToUStr(code) + u" taken");
  }
}
