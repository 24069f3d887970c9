#include "shell/qt/form_base.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "shell/main_window/controller_messages.h"
#include "shell/main_window/main_window_rules.h"
#include "shell/menus/menu_store.h"
#include "shell/qt/qt_application.h"
#include "shell/services/suite_services.h"

namespace {
bool closing_flag = false;
}  // namespace

bool RestoreFormGeometry(QWidget& form, const QString& name) {
  const auto r = GetFormGeometry(FromQString(name));
  if (!r) return false;
  const QRect rect((*r)[0], (*r)[1], (*r)[2], (*r)[3]);
  // A screen that is gone must not leave the window out of reach.
  bool on_screen = false;
  for (QScreen* s : QGuiApplication::screens())
    if (s->availableGeometry().intersects(rect)) on_screen = true;
  if (!on_screen) return false;
  form.setGeometry(rect);
  return true;
}

void KeepFormGeometry(const QWidget& form, const QString& name) {
  const QRect g = form.geometry();
  if (g.width() <= 0 || g.height() <= 0) return;
  SetFormGeometry(FromQString(name), {g.x(), g.y(), g.width(), g.height()});
}

void PlaceOnScreenOfOwner(QWidget& form) {
  const QWidget* owner = form.isWindow() && form.parentWidget() ? form.parentWidget()->window() : nullptr;
  const QScreen* screen = owner ? owner->screen() : nullptr;
  if (!screen) return;
  auto rect = [](const QRect& r) { return TWindowRect{r.x(), r.y(), r.width(), r.height()}; };
  const QRect frame = form.frameGeometry();
  const TWindowRect placed = PlaceOnOwnersScreen(rect(frame), rect(screen->availableGeometry()), rect(owner->frameGeometry()));
  if (placed == rect(frame)) return;
  // The frame goes where it was placed; the window inside it keeps its frame's margins. A window
  // whose controls would want more room than the screen has gives way to the screen.
  const int margin_w = frame.width() - form.width(), margin_h = frame.height() - form.height();
  const QSize least = form.minimumSizeHint().expandedTo(form.minimumSize());
  if (least.width() > placed.width - margin_w || least.height() > placed.height - margin_h)
    form.setMinimumSize(least.boundedTo(QSize(placed.width - margin_w, placed.height - margin_h)));
  form.resize(placed.width - margin_w, placed.height - margin_h);
  form.move(placed.left, placed.top);
}

void TVXDialogForm::SetModalResult(int result) {
  modal_result_ = result;
  done(result == mrOK || result == mrYes ? QDialog::Accepted : QDialog::Rejected);
}

int TVXDialogForm::ShowModal() {
  modal_result_ = mrCancel;
  const int code = exec();
  if (modal_result_ == mrCancel && code == QDialog::Accepted) modal_result_ = mrOK;
  return modal_result_;
}

void SetMainCaption(QWidget& form, UStringView caption) {
  const QString title = ToQString(caption.empty() ? UString(Tool_Name(current_tool_var)) : UString(caption));
  // The desktop shows a window's title followed by the application's name unless the two are
  // equal: the application takes the caption first, so that the title bar holds it once.
  if (!title.isEmpty()) QGuiApplication::setApplicationDisplayName(title);
  form.setWindowTitle(title);
  PostToController(caption.empty() ? 4600 : 4601);
}

void SetClosingFlag(bool closing) { closing_flag = closing; }
bool ClosingFlag() { return closing_flag; }

void ActivateMainForm(QWidget& form, const std::function<void(int)>& callback) {
  if (closing_flag) return;
  if (global_keeping_log) AddToLogFile(u": activating main form");
  ApplyStyleNumber(GetGlobalStyleNumber());
  form.update();
  if (callback) callback(-1);
}

void SetApplicationFont() {
  const QString wanted = QStringLiteral("Segoe UI");
  QFont font = QFontDatabase::families().contains(wanted) ? QFont(wanted)
                                                           : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPointSize(9);
  QApplication::setFont(font);
}
