#include <gtest/gtest.h>

#include <string>

#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "shell/main_window/controller_messages.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "model/text_reader_test_support.h"
#include "shell/services/command_line.h"
#include "shell/shell_test_support.h"

namespace {

class TRecordingActions : public TShellActions {
 public:
  void LoadOrClearList(int kind, bool load) override { done += (load ? "load " : "clear ") + std::to_string(kind) + ";"; }
  void CloseMainWindow() override { done += "close;"; }
  void TerminateNow() override { done += "terminate;"; }
  std::string done;
};

class ControllerMessagesTest : public ShellServicesTest {
 protected:
  void SetUp() override {
    ShellServicesTest::SetUp();
    global_panic_state = kPanicNone;
  }
  void TearDown() override {
    global_panic_state = kPanicNone;
    ShellServicesTest::TearDown();
  }
  TRecordingActions actions;
};

}  // namespace

TEST_F(ControllerMessagesTest, StopCodesSetTheStopState) {
  struct Case { uint16_t code; uint8_t state; const char* done; };
  const Case cases[] = {{6120, kPanicEndOfText, ""}, {6121, kPanicStopNow, ""}, {6122, kPanicStopAndQuit, "terminate;"}};
  for (const Case& c : cases) {
    global_panic_state = kPanicNone;
    actions.done.clear();
    EXPECT_TRUE(HandleCallingProgramMessage(c.code, actions));
    EXPECT_EQ(global_panic_state, c.state) << c.code;
    EXPECT_EQ(actions.done, c.done) << c.code;
  }
}

// Closing by the controller goes through the window's close path (and its question).
TEST_F(ControllerMessagesTest, CloseCodeUsesTheCloseQuestion) {
  EXPECT_TRUE(HandleCallingProgramMessage(1350, actions));
  EXPECT_EQ(actions.done, "close;");
  EXPECT_EQ(global_panic_state, kPanicNone);
}

TEST_F(ControllerMessagesTest, ListCodesWaitForTheRunningJob) {
  {
    TJobScope job;
    {
      TJobScope nested;
      for (uint16_t code : {234, 237, 238}) EXPECT_TRUE(HandleCallingProgramMessage(code, actions));
    }
    EXPECT_EQ(actions.done, "");  // the outer job still uses the lists
    EXPECT_TRUE(JobRunning());
  }
  EXPECT_FALSE(JobRunning());
  EXPECT_EQ(actions.done, "load 0;clear 1;load 2;");
  actions.done.clear();
  for (uint16_t code : {235, 236, 239, 240, 241}) HandleCallingProgramMessage(code, actions);
  EXPECT_EQ(actions.done, "clear 0;load 1;clear 2;load 3;clear 3;");
}

TEST_F(ControllerMessagesTest, UnknownCodesAreLeftToTheWindow) {
  for (uint16_t code : {155, 613, 703, 1241, 4620}) EXPECT_FALSE(HandleCallingProgramMessage(code, actions)) << code;
}

TEST_F(ControllerMessagesTest, JobScopeClearsTheStopState) {
  global_panic_state = kPanicStopNow;
  TJobScope job;
  EXPECT_EQ(global_panic_state, kPanicNone);
}

TEST_F(ControllerMessagesTest, EscapePressed) {
  struct Case { uint8_t before; std::initializer_list<int> answers; uint8_t after; size_t asked; };
  const Case cases[] = {
      {kPanicNone, {mrNo}, kPanicNone, 1},                  // does not want to quit
      {kPanicNone, {mrYes, mrYes}, kPanicNone, 2},          // quits after finishing this step
      {kPanicNone, {mrYes, mrNo}, kPanicStopNow, 2},        // quits now
      {kPanicEndOfText, {mrYes}, kPanicStopNow, 1},         // already stopping: confirm raises it
      {kPanicEndOfText, {mrNo}, kPanicEndOfText, 1},
  };
  for (const Case& c : cases) {
    dialogs.Clear();
    dialogs.Script(c.answers);
    global_panic_state = c.before;
    EscapePressed();
    EXPECT_EQ(global_panic_state, c.after);
    EXPECT_EQ(dialogs.Asked().size(), c.asked);
  }
}

// The change counts only when the controller confirmed it.
TEST_F(ControllerMessagesTest, ChangeLanguageNeedsTheConfirmation) {
  EXPECT_FALSE(ChangeLanguage([] { return false; }, 0.01));
  EXPECT_FALSE(ChangeLanguage([] { return true; }, 0.05));
  static TRecordingActions* confirm = nullptr;
  confirm = &actions;
  SetYieldHook([] { HandleCallingProgramMessage(701, *confirm); });
  EXPECT_TRUE(ChangeLanguage([] { return true; }, 5.0));
  SetYieldHook(nullptr);
}

TEST_F(ControllerMessagesTest, ActivationAndDocumentStateReachTheController) {
  ConnectController();
  HandleActivationMessage(PackToolCode(77, 16), 300, 100);
  ForwardDocumentState(1);
  ForwardDocumentState(0);
  EXPECT_EQ(GetActiveMainToolWindow(current_tool_var), 100u);
  EXPECT_EQ(PostedCodes(), (std::vector<int>{77, 4601, 4600}));
}

TEST(ControllerCommands, CodesOfMenuTags) {
  const std::vector<std::pair<int, int>> cases = {{60, 1260}, {61, 1130}, {62, 1230}, {63, 1600}, {64, 1790},
                                                  {65, 1460}, {66, 66},   {69, 1240}, {71, 4440}, {72, 72},
                                                  {110, 110}, {111, 111}, {145, 951}, {22, 0},    {-1, 0}};
  for (auto [tag, code] : cases) EXPECT_EQ(ControllerCodeOfMenuTag(tag), code) << tag;
  EXPECT_EQ(TagDisplayOfMenuTag(223), 3);
  EXPECT_EQ(TagDisplayOfMenuTag(222), -1);
  EXPECT_EQ(ToolHelpContext(1), 1910);
  EXPECT_EQ(ToolHelpContext(200), 1000);
}

TEST(ControllerCommands, PlaceOnOwnersScreen) {
  const TWindowRect screen{0, 30, 1000, 700};  // free area below a panel
  const TWindowRect owner{100, 80, 600, 400};
  struct Case {
    const char* what;
    TWindowRect window, placed;
  } cases[] = {
      {"inside: stays", {50, 40, 300, 200}, {50, 40, 300, 200}},
      {"the whole area: stays", {0, 30, 1000, 700}, {0, 30, 1000, 700}},
      {"over the right edge: centred on the owner", {900, 100, 300, 200}, {250, 180, 300, 200}},
      {"above the panel", {100, 0, 300, 200}, {250, 180, 300, 200}},
      {"too large: shrunk to the area", {0, 0, 1200, 900}, {0, 30, 1000, 700}},
      {"too wide, centred then kept inside", {-50, 40, 900, 200}, {0, 180, 900, 200}},
  };
  for (const Case& c : cases) EXPECT_EQ(PlaceOnOwnersScreen(c.window, screen, owner), c.placed) << c.what;
  // An owner near the corner: the window is kept inside rather than centred on it.
  EXPECT_EQ(PlaceOnOwnersScreen({0, 0, 400, 300}, screen, {900, 650, 100, 80}), (TWindowRect{600, 430, 400, 300}));
}

TEST(ControllerCommands, PlaceNewMainWindow) {
  TScreenFacts one;
  one.caption_height = 23;
  one.full_width = 1920;
  one.full_height = 1050;
  TScreenFacts two = one;
  two.monitors = 2;
  two.default_monitor = 1;
  two.monitor1_left = -1280;
  two.monitor1_top = 10;
  TScreenFacts small = one;
  small.full_width = 800;
  small.full_height = 600;
  struct Case { TScreenFacts screen; uint8_t tool; int open; TWindowRect rect; };
  const Case cases[] = {
      {one, 1, 0, {46, 69, 1440, 786}},          // 2 and 3 caption heights; 3/4 of the screen
      {one, 1, 2, {46 + 48, 69 + 48, 1440, 786}},  // two open: a quarter inch each further
      {two, 0, 0, {-1280 + 23, 10 + 69, 1440, 786}},
      {small, 1, 0, {46, 69, 640, 460}},         // never below 640 x 460
  };
  for (const Case& c : cases) EXPECT_EQ(PlaceNewMainWindow(c.screen, c.tool, c.open), c.rect);
}

namespace {

TEST_F(ControllerMessagesTest, SecondInstancesStartWithTheParametersTheirCodeCallsFor) {
  text_reader_test::ScopedSettings settings;
  current_tool_var = kToolConcordancer;
  SetATempString(u"", 2);
  EXPECT_EQ(SecondInstanceParameters(155), std::vector<UString>{u"-F"});
  SetATempString(u"BANK", 2);
  EXPECT_EQ(SecondInstanceParameters(155), std::vector<UString>{u"-Y"});
  // The tool names itself, so that the new instance reads the request the tool left itself.
  EXPECT_EQ(SecondInstanceParameters(50), std::vector<UString>{GetShortToolFilename(kToolConcordancer)});
  EXPECT_EQ(SecondInstanceParameters(4602), std::vector<UString>{});
  for (uint16_t other : {0, 49, 51, 154, 1245, 4601})
    EXPECT_FALSE(SecondInstanceParameters(other).has_value()) << other;
  // What the parameters start: the follow-up switch, or the request of the tool named.
  TVXParamsFound parms;
  ParseCommandLine(*SecondInstanceParameters(155), parms);
  EXPECT_TRUE(parms.parms_found & kParmSwitchY);
  ParseCommandLine(*SecondInstanceParameters(50), parms);
  EXPECT_EQ(parms.tool_wanted, kToolConcordancer);
}

}  // namespace
