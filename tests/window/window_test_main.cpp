// The window tests run under the tool's application object (offscreen platform unless the caller set one).
//
// Every test starts from the application as main() set it up. What the program's windows change
// for the whole application (the font its main window takes, the palette of a style, the name the
// title bars show, the caret's blinking, the loop's yield hook, the clipboard) is put back after
// each test; what a test left in the loop (posted messages, deletions, an answer for a modal
// window that never came) is delivered or dropped before the next test begins.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFont>
#include <QTimer>
#include <cstdlib>

#include "platform/runtime/vx_runtime.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/shell_application.h"
#include "window/modal_answers.h"
#include "window/window_test_support.h"

namespace {

class TApplicationStateGuard : public testing::EmptyTestEventListener {
 public:
  TApplicationStateGuard()
      : font_(QApplication::font()),
        display_name_(QGuiApplication::applicationDisplayName()),
        flash_ms_(QApplication::cursorFlashTime()),
        style_(CurrentStyleNumber()) {}
  void OnTestEnd(const testing::TestInfo&) override {
    DeliverPendingEvents();
    DropModalAnswers();
    if (QApplication::font() != font_) QApplication::setFont(font_);
    if (CurrentStyleNumber() != style_) ApplyStyleNumber(style_);
    QGuiApplication::setApplicationDisplayName(display_name_);
    QApplication::setCursorFlashTime(flash_ms_);
    SetYieldHook(&PumpQtEvents);
    QApplication::clipboard()->clear();
    DeliverPendingEvents();
  }

 private:
  QFont font_;
  QString display_name_;
  int flash_ms_;
  int style_;
};

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  TShellApplication app(argc, argv);
  SetUpQtApplication();
  ::testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new TApplicationStateGuard);
  return RUN_ALL_TESTS();
}
