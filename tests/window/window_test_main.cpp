// The window tests run under the tool's application object (offscreen platform unless the caller set one).
#include <gtest/gtest.h>

#include <cstdlib>

#include "shell/qt/qt_application.h"
#include "shell/qt/shell_application.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  TShellApplication app(argc, argv);
  SetUpQtApplication();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
