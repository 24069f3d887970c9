#include <gtest/gtest.h>

#include <QWidget>

#include "exception_report/capture/exception_capture.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "shell/qt/shell_application.h"
#include "shell/qt/window_messages.h"
#include "support/temp_folder.h"

namespace {

// A window whose handler of message 0x401 runs the menu command it carries; 56 causes a crash.
class TCrashingWindow : public QWidget {
 public:
  bool event(QEvent* e) override {
    if (e->type() == TWindowMessageEvent::EventType()) {
      if (static_cast<TWindowMessageEvent*>(e)->wparam == 56) CauseACrash();
      ++handled;
      return true;
    }
    return QWidget::event(e);
  }
  int handled = 0;
};

}  // namespace

TEST(ShellApplication, CauseACrashIsReportedAndTheWindowGoesOn) {
  auto* app = qobject_cast<TShellApplication*>(QCoreApplication::instance());
  ASSERT_NE(app, nullptr);
  TempFolder dir;
  const UString folder = dir.Path() + u"\u00c9tude \u0436\u0443\u0440\u043d\u0430\u043b";
  CurrentExcTrapOptions().SetOutputPath(folder);
  THeadlessDialogService dialogs;
  SetDialogService(&dialogs);
  TCrashingWindow w;
  const int before = app->ReportsWritten();
  PostWindowMessage(&w, 0x401, 56, 0);
  PostWindowMessage(&w, 0x401, 1, 0);  // the next message is still handled
  QCoreApplication::processEvents();
  EXPECT_EQ(app->ReportsWritten(), before + 1);
  EXPECT_EQ(w.handled, 1);
  EXPECT_EQ(FindFiles(folder, u"exception_*.txt").size(), 1u);
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_NE(dialogs.Asked()[0].text.find(u"crash caused on request"), UString::npos);
  SetDialogService(nullptr);
  CurrentExcTrapOptions().SetOutputPath(u"");
}
