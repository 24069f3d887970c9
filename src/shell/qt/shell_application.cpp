#include "shell/qt/shell_application.h"

#include "exception_report/capture/exception_capture.h"
#include "platform/runtime/vx_dialogs.h"
#include "shell/qt/qt_application.h"

TShellApplication::TShellApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TShellApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    const UString what = CurrentExceptionText();
    const QString where = QStringLiteral("event %1 to %2").arg(static_cast<int>(event->type()))
                              .arg(QString::fromLatin1(receiver->metaObject()->className()));
    const UString report = WriteExceptionReport(what, FromQString(where));
    ++reports_;
    UString text = u"Something went wrong: " + what + u".";
    if (!report.empty()) text += u"\nA report was written to " + report + u".";
    text += u"\nThe program goes on.";
    VXMessageBox(u"Problem", text, kBtnOK, TVXDialogKind::Error);
    return false;
  }
}
