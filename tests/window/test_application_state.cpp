// Each window test starts from the application as main() set it up, whatever the test before it
// did: the tests of a suite run in the order written, so the second of each pair sees what the
// first left.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QTimer>

#include "platform/runtime/vx_dialogs.h"
#include "window/modal_answers.h"
#include "window/test_tool_window.h"
#include "window/window_test_support.h"

namespace {

class ApplicationState : public ToolWindowTest {};

}  // namespace

// The program's main window takes the desktop's font for the whole application.
TEST_F(ApplicationState, AMainWindowTakesTheDesktopsFont) {
  TTestToolForm w;
  QApplication::setCursorFlashTime(0);
  SUCCEED();
}

TEST_F(ApplicationState, TheNextTestHasTheFontMainSetUp) {
  EXPECT_EQ(QApplication::font().family().toStdString(), "DejaVu Sans");
  EXPECT_EQ(QApplication::font().pointSize(), 9);
  EXPECT_GT(QApplication::cursorFlashTime(), 0);
}

// An answer armed for a modal window that never came.
TEST_F(ApplicationState, AnAnswerArmedForNoWindow) {
  AnswerNextModal(true);
  SUCCEED();
}

TEST_F(ApplicationState, TheNextTestsModalWindowIsNotAnsweredByIt) {
  QDialog d;
  bool answered_by_this_test = false;
  WhenShown(&d, [&] {
    // Once the loop has turned over long after the old answer would have come, this test answers.
    PastPause(50);
    answered_by_this_test = d.isVisible();
    d.reject();
  });
  d.exec();
  EXPECT_TRUE(answered_by_this_test);
}
