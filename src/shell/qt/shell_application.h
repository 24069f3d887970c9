// The tool's application object: an exception that escapes an event handler is reported
// (exception_capture.h), the user is told, and the event loop goes on.
#pragma once

#include <QApplication>

class TShellApplication : public QApplication {
  Q_OBJECT
 public:
  TShellApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
  int ReportsWritten() const { return reports_; }

 private:
  int reports_ = 0;
};
