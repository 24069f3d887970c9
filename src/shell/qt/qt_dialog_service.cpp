#include "shell/qt/qt_dialog_service.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QPushButton>
#include <QUrl>

#include "shell/main_window/controller_messages.h"
#include "shell/qt/qt_application.h"
#include "shell/services/progress.h"
#include "shell/services/suite_services.h"

namespace {

struct TButtonOf {
  uint8_t bit;
  int answer;
  QMessageBox::StandardButton button;
};
constexpr TButtonOf kButtons[] = {
    {kBtnYes, mrYes, QMessageBox::Yes},           {kBtnYesToAll, mrYesToAll, QMessageBox::YesToAll},
    {kBtnNo, mrNo, QMessageBox::No},              {kBtnNoToAll, mrNoToAll, QMessageBox::NoToAll},
    {kBtnOK, mrOK, QMessageBox::Ok},              {kBtnCancel, mrCancel, QMessageBox::Cancel},
};

QMessageBox::Icon IconOf(TVXDialogKind kind) {
  switch (kind) {
    case TVXDialogKind::Warning: return QMessageBox::Warning;
    case TVXDialogKind::Error: return QMessageBox::Critical;
    case TVXDialogKind::Question: return QMessageBox::Question;
    default: return QMessageBox::Information;
  }
}

}  // namespace

int TQtDialogService::Ask(const TVXQuestion& q) {
  const bool suspend = JobRunning();
  if (suspend) SuspendProgressDisplay();
  QMessageBox box(IconOf(q.kind), ToQString(q.caption), ToQString(q.text), QMessageBox::NoButton,
                  QApplication::activeWindow());
  QAbstractButton* safe = nullptr;
  for (const TButtonOf& b : kButtons) {
    if (!(q.buttons & b.bit)) continue;
    QAbstractButton* added = box.addButton(b.button);
    if (b.answer == q.default_answer) safe = added;
  }
  if (box.buttons().isEmpty()) safe = box.addButton(QMessageBox::Ok);
  QAbstractButton* help = q.help_context != 0 ? box.addButton(QMessageBox::Help) : nullptr;
  if (!safe) safe = box.buttons().first();
  box.setDefaultButton(qobject_cast<QPushButton*>(safe));
  box.setEscapeButton(safe);
  int answer = q.default_answer;
  for (;;) {
    if (before_show_) before_show_(box);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (help && clicked == help) {
      (help_ ? help_ : OpenHelpPage)(q.help_context);
      continue;
    }
    answer = q.default_answer;
    for (const TButtonOf& b : kButtons)
      if (clicked && box.standardButton(clicked) == b.button) answer = b.answer;
    break;
  }
  if (suspend) ResumeProgressDisplay();
  return answer;
}

void InstallQtDialogService() {
  static TQtDialogService service;
  SetDialogService(&service);
}

void OpenHelpPage(int context) {
  const UString wanted = HelpPageForContext(context);
  // Without installed help the desktop's opener fails where nobody sees it: say so here.
  if (const UString missing = MissingHelpFile(wanted); !missing.empty()) {
    VXMessageBox(u"Help", u"The help pages are not installed: " + missing + u" does not exist.", kBtnOK,
                 TVXDialogKind::Warning);
    return;
  }
  const QString page = ToQString(wanted);
  if (!QDesktopServices::openUrl(QUrl(page)))
    VXMessageBox(u"Help", u"The help page could not be opened: " + FromQString(page), kBtnOK, TVXDialogKind::Warning);
}
