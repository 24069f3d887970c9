#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <string>

#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/window_registry.h"
#include "shell/controller_messages.h"
#include "shell/qt/controller_stand_in.h"
#include "shell/qt/progress_window.h"
#include "shell/qt/window_messages.h"
#include "shell/services/progress.h"
#include "shell/services/suite_services.h"
#include "window/window_test_support.h"

namespace {

// A tool's main window as far as messages go: its 0x401 handler runs the controller codes first.
class TToolWindow : public QWidget, public TShellActions {
 public:
  bool event(QEvent* e) override {
    if (e->type() != TWindowMessageEvent::EventType()) return QWidget::event(e);
    auto* m = static_cast<TWindowMessageEvent*>(e);
    const uint16_t code = CodeOfWParam(m->wparam);
    if (m->msg == kMsgToolCode && !HandleCallingProgramMessage(code, *this)) own_codes.push_back(code);
    return true;
  }
  void LoadOrClearList(int kind, bool load) override { lists += (load ? "load " : "clear ") + std::to_string(kind) + ";"; }
  void CloseMainWindow() override { lists += "close;"; }
  void TerminateNow() override { lists += "terminate;"; }
  std::vector<uint16_t> own_codes;
  std::string lists;
};

class StandInTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetWindowRegister();
    TakeOwnWindowMessages();
    InstallMessageBridge();
    stand_in.Install();
    RegisterToolWindow(WindowIdOf(&tool));
    SetDialogService(&dialogs);
    CreateGlobalProgress();
    global_panic_state = kPanicNone;
  }
  void TearDown() override {
    FreeGlobalProgress();
    SetDialogService(nullptr);
    stand_in.Uninstall();
    SetOwnWindowPostHook(nullptr);
    global_own_HWnd = kNoWindow;
    global_panic_state = kPanicNone;
    ResetWindowRegister();
  }
  TToolWindow tool;
  TQtControllerStandIn stand_in;
  THeadlessDialogService dialogs;
};

}  // namespace

TEST_F(StandInTest, TheToolFindsItsControllerAtOnce) {
  EXPECT_TRUE(ControllerReachable());
  EXPECT_TRUE(StartATool(kToolController, u"", false, false));
  EXPECT_TRUE(PostToController(951));
  QApplication::processEvents();
  ASSERT_EQ(dialogs.Asked().size(), 1u);  // About, with version and memory
  EXPECT_NE(dialogs.Asked()[0].text.find(u"memory in use"), UString::npos);
}

TEST_F(StandInTest, JobReportingToTheControllerShowsInTheProgressWindowAndStops) {
  TProgressClass& p = *GlobalProgress();
  TJobScope job;
  p.ClearAllAndShow({400, 300}, kWhereController);
  p.ProgressShortMessage(u"Concordance");
  p.ProgressLongMessage(u"reading text 2 of 8: caf\u00e9.txt");
  p.ThisPercent(60);
  p.OverallPercent(25);
  p.RunningWords(123456);
  QApplication::processEvents();
  TProgressWindow& w = stand_in.ProgressWindow();
  ASSERT_TRUE(w.isVisible());
  // The offscreen platform activates every window it shows, so ask the window what it asks for.
  EXPECT_TRUE(w.windowFlags() & Qt::WindowDoesNotAcceptFocus);
  EXPECT_TRUE(w.testAttribute(Qt::WA_ShowWithoutActivating));
  EXPECT_EQ(w.View().short_message, u"Concordance");
  EXPECT_EQ(w.View().this_percent, 60);
  EXPECT_EQ(w.View().overall_percent, 25);
  EXPECT_EQ(w.View().running_words, u"123,456");
  const QImage shot = SaveScreenshot(w, QStringLiteral("progress_window"));
  EXPECT_GT(ColoursIn(shot), 10);

  // Stop asks ("quit?" yes, "finish this step first?" no), then the job sees the stop.
  dialogs.Script({mrYes, mrNo});
  w.StopButton()->click();
  EXPECT_EQ(dialogs.Asked().size(), 2u);
  EXPECT_TRUE(StopRequested());

  p.Hide();
  QApplication::processEvents();
  EXPECT_FALSE(w.isVisible());
}

TEST_F(StandInTest, StopCodesReachAPumpingJob) {
  struct Case { uint16_t code; uint8_t state; };
  for (Case c : {Case{6120, kPanicEndOfText}, Case{6121, kPanicStopNow}, Case{6122, kPanicStopAndQuit}}) {
    TJobScope job;
    PostToOwnWindow(c.code);
    int steps = 0;
    while (global_panic_state == kPanicNone && steps < 100) {
      ++steps;
      MyYieldProcess();
    }
    EXPECT_EQ(global_panic_state, c.state) << c.code;
    EXPECT_EQ(steps, 1) << c.code;  // the next pump delivers it
  }
  EXPECT_EQ(tool.lists, "terminate;");
}

TEST_F(StandInTest, ListCodesWaitForThePumpingJob) {
  {
    TJobScope job;
    for (uint16_t code : {234, 239, 240}) PostToOwnWindow(code);
    for (int i = 0; i < 3; ++i) MyYieldProcess();
    EXPECT_EQ(tool.lists, "");
  }
  EXPECT_EQ(tool.lists, "load 0;clear 2;load 3;");
}

TEST_F(StandInTest, LanguageChangeIsConfirmed) {
  const bool changed = ChangeLanguage([] { return PostToControllerWithParam(1230, 3); }, 5.0);
  EXPECT_TRUE(changed);
  EXPECT_EQ(stand_in.LastLanguage(), 3);
}

TEST_F(StandInTest, ChooseTextsAndSettingsCommands) {
  int opened = 0;
  stand_in.SetChooseTexts([&] { ++opened; });
  PostToController(1240);
  PostToController(1130);
  EXPECT_EQ(opened, 0);  // posted: nothing before the loop runs
  QApplication::processEvents();
  EXPECT_EQ(opened, 1);
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_NE(dialogs.Asked()[0].text.find(u"not available"), UString::npos);
}
