#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>
#include <QTimer>

#include "platform/runtime/vx_runtime.h"
#include "shell/qt/qt_application.h"

// A long job yields through the runtime; events posted before the yield must run in it.
TEST(QtApplication, YieldRunsPostedWork) {
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  MyYieldProcess();
  EXPECT_TRUE(ran);
}

TEST(QtApplication, StyleNumberPicksPalette) {
  struct Case { int style; bool dark; };
  for (Case c : {Case{0, false}, Case{1, true}, Case{2, false}, Case{7, true}}) {
    ApplyStyleNumber(c.style);
    const int window_grey = qGray(QApplication::palette().color(QPalette::Window).rgb());
    EXPECT_EQ(window_grey < 128, c.dark) << "style " << c.style;
  }
  ApplyStyleNumber(0);
}

TEST(QtApplication, StringsRoundTripOutsideTheBasicPlane) {
  const UString s = u"a\u00e9\U0001F600z";
  EXPECT_EQ(FromQString(ToQString(s)), s);
}
