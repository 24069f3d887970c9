// The suite's questions in real dialogs: caption, text, the icon of the question's kind, its
// buttons (including Yes to all and No to all) and a Help button when it has a help context.
// Escape and closing the box give the question's safe default. While a job runs, the progress
// display is suspended around the question so the dialog is not hidden behind it.
#pragma once

#include <QMessageBox>
#include <functional>

#include "platform/runtime/vx_dialogs.h"

class TQtDialogService : public TVXDialogService {
 public:
  int Ask(const TVXQuestion& question) override;
  // Called with the box before it runs (tests press its buttons from here).
  void SetBeforeShow(std::function<void(QMessageBox&)> hook) { before_show_ = std::move(hook); }
  // Opens help for a context (by default the help page in the browser).
  void SetHelpOpener(std::function<void(int)> opener) { help_ = std::move(opener); }

 private:
  std::function<void(QMessageBox&)> before_show_;
  std::function<void(int)> help_;
};

// Installs the service for the whole process (once the QApplication exists).
void InstallQtDialogService();
// The help page of a context in the browser; a message naming the page when it cannot open.
void OpenHelpPage(int context);
