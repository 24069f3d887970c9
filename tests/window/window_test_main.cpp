// The window tests run under one QApplication (offscreen platform unless the caller set one).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "shell/qt/qt_application.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  SetUpQtApplication();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
