// Helpers of the dialog tests: a store in a temporary folder, the headless dialog service that
// records each message, and a single-shot timer that acts on a modal dialog while it runs.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "platform/runtime/vx_dialogs.h"
#include "platform/settings/settings_access.h"
#include "support/temp_folder.h"
#include "window/window_test_support.h"

class TDialogTestScope {
 public:
  TDialogTestScope() {
    setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(dir_.Path() + u"config").c_str(), 1);
    ResetSettingsStoreForTests();
    SetDialogService(&dialogs_);
  }
  ~TDialogTestScope() {
    SetDialogService(nullptr);
    ResetSettingsStoreForTests();
  }
  THeadlessDialogService& Dialogs() { return dialogs_; }
  UString Folder() const { return dir_.Path(); }
  // The texts of the messages shown so far.
  std::vector<UString> Messages() const {
    std::vector<UString> out;
    for (const TVXQuestion& q : dialogs_.Asked()) out.push_back(q.text);
    return out;
  }

 private:
  TempFolder dir_;
  THeadlessDialogService dialogs_;
};

// Runs act once the event loop of the modal dialog started by run() is going.
template <class Run>
auto WhileModal(std::function<void()> act, Run run) {
  QTimer::singleShot(0, [act] { act(); });
  return run();
}

inline QImage SaveDialogScreenshot(QWidget& w, const QString& name) {
  return SaveScreenshot(w, QStringLiteral("commands/") + name);
}
