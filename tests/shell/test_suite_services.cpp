#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_tools.h"
#include "shell/shell_test_support.h"
#include "support/temp_folder.h"
#include "support/wait_for.h"

namespace {

std::string ReadAll(const UString& name) {
  std::ifstream in(ToFsPath(name), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Waits until a file written by a started program has its line; the program runs on its own, so
// its output comes a moment later.
std::string WaitForLine(const UString& name) {
  std::string s;
  WaitFor([&] {
    s = ReadAll(name);
    return !s.empty() && s.back() == '\n';
  });
  return s;
}

void MakeExecutable(const UString& name) { ::chmod(Utf16ToUtf8(name).c_str(), 0755); }

}  // namespace

TEST(ControllerProtocol, WParamPacking) {
  EXPECT_EQ(PackToolCode(6104, 1), 0x000117D8u);
  const uint32_t w = PackToolCode(0xFFFF, 0xFF);
  EXPECT_EQ(w & 0xFF000000u, 0u);  // bits 24-31 stay 0
  EXPECT_EQ(CodeOfWParam(w), 0xFFFF);
  EXPECT_EQ(ToolOfWParam(w), 0xFF);
}

TEST_F(ShellServicesTest, PostToControllerWithoutControllerPostsNothing) {
  RegisterToolWindow(100);
  SetNewWnd(kToolController, 200);
  EXPECT_FALSE(PostToController(561) || PostToControllerWithParam(1230, 2) || ControllerReachable());  // the null link
}

TEST_F(ShellServicesTest, PostToControllerAnnouncesThenPostsTheCode) {
  SetControllerLink(&link);
  SetNewWnd(kToolController, 200);
  // Before the main window registers nothing goes out.
  EXPECT_FALSE(PostToController(50));
  EXPECT_TRUE(link.Posted().empty());
  RegisterToolWindow(100);
  EXPECT_EQ(GetToolWnd(kToolConcordancer), 100u);
  EXPECT_EQ(GetActiveMainToolWindow(kToolConcordancer), 100u);
  EXPECT_TRUE(PostToController(561));
  EXPECT_TRUE(PostToControllerWithParam(1230, -7));
  const std::vector<std::vector<int64_t>> want = {
      {200, kMsgAnnounce, kToolConcordancer, 100},
      {200, kMsgToolCode, PackToolCode(561, kToolConcordancer), 100},
      {200, kMsgAnnounce, kToolConcordancer, 100},
      {200, kMsgToolCodeWithParam, PackToolCode(1230, kToolConcordancer), -7}};
  EXPECT_EQ(Msgs(link.Posted()), want);
}

TEST_F(ShellServicesTest, TheControllerNeverPostsToItself) {
  SetControllerLink(&link);
  current_tool_var = kToolController;
  RegisterToolWindow(200);  // its own window is the controller window
  EXPECT_EQ(GetShellWnd(), 200u);
  EXPECT_FALSE(PostToController(6104));
  EXPECT_TRUE(link.Posted().empty());
}

TEST_F(ShellServicesTest, OwnWindowMessagesAreQueued) {
  RegisterToolWindow(100);
  EXPECT_TRUE(PostToOwnWindow(5640));  // works without a controller
  EXPECT_TRUE(PostToOwnWindow(155));
  static int woken = 0;
  woken = 0;
  SetOwnWindowPostHook([] { ++woken; });
  EXPECT_TRUE(PostToOwnWindow(1));
  SetOwnWindowPostHook(nullptr);
  EXPECT_EQ(woken, 1);
  const std::vector<std::vector<int64_t>> want = {{100, kMsgToolCode, PackToolCode(5640, kToolConcordancer), 100},
                                                   {100, kMsgToolCode, PackToolCode(155, kToolConcordancer), 100},
                                                   {100, kMsgToolCode, PackToolCode(1, kToolConcordancer), 100}};
  EXPECT_EQ(Msgs(TakeOwnWindowMessages()), want);
  EXPECT_TRUE(TakeOwnWindowMessages().empty());
}

TEST_F(ShellServicesTest, UnregisterForgetsTheWindow) {
  RegisterToolWindow(100);
  UnregisterToolWindowAndQuit();
  EXPECT_EQ(global_own_HWnd, kNoWindow);
  EXPECT_EQ(GetToolWnd(kToolConcordancer), kNoWindow);
  EXPECT_EQ(GetActiveMainToolWindow(kToolConcordancer), kNoWindow);
  // The controller keeps its registration in the store.
  current_tool_var = kToolController;
  RegisterToolWindow(200);
  UnregisterToolWindowAndQuit();
  EXPECT_EQ(global_own_HWnd, kNoWindow);
  EXPECT_EQ(GetShellWnd(), 200u);
}

TEST(StartTool, ParametersAndMarker) {
  EXPECT_EQ(StartToolParameters(u"", true), u"1720");
  EXPECT_EQ(StartToolParameters(u"a.cnc", true), u"a.cnc 1720");
  EXPECT_EQ(StartToolParameters(u"a.cnc", false), u"a.cnc");
  EXPECT_EQ(SplitParameters(u"  one \"two words\"  three\t\"\" "),
            (std::vector<std::string>{"one", "two words", "three", ""}));
  EXPECT_TRUE(SplitParameters(u"").empty());
}

class StartToolTest : public ShellServicesTest {
 protected:
  void SetUp() override {
    ShellServicesTest::SetUp();
    old_folder_ = GetToolFolder();
    SetToolFolder(folder_.Path());
  }
  void TearDown() override {
    SetToolFolder(old_folder_);
    SetStartToolWaitLimit(30);
    SetVXShellInitialised(false);
    ShellServicesTest::TearDown();
  }
  // A tool program that writes its arguments, one line, to args.txt.
  UString WriteArgsScript(uint8_t tool) {
    const UString out = folder_.Path() + u"args.txt";
    const UString prog = folder_.Write(GetShortToolFilename(tool),
                                       "#!/bin/sh\necho \"$@\" > \"" + Utf16ToUtf8(out) + ".tmp\"\nmv \"" +
                                           Utf16ToUtf8(out) + ".tmp\" \"" + Utf16ToUtf8(out) + "\"\n");
    MakeExecutable(prog);
    return out;
  }
  TempFolder folder_;
  UString old_folder_;
};

TEST_F(StartToolTest, ProgramsThatCannotStart) {
  EXPECT_FALSE(StartATool(kToolConcordancer, u"", false, false));
  folder_.Write(GetShortToolFilename(kToolConcordancer), "#!/bin/sh\nexit 0\n");  // mode 0644
  EXPECT_FALSE(StartATool(kToolConcordancer, u"", false, false));
  EXPECT_FALSE(StartATool(kToolNone, u"", false, false));
  EXPECT_TRUE(dialogs.Asked().empty());  // no message for a missing program
  // Executable, but neither a program nor a script: a fatal error box.
  const UString prog = folder_.Write(GetShortToolFilename(kToolConcordancer), std::string("\x01\x02garbage", 9));
  MakeExecutable(prog);
  EXPECT_FALSE(StartATool(kToolConcordancer, u"", false, false));
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_EQ(dialogs.Asked()[0].caption + u"|" + dialogs.Asked()[0].text, u"Fatal Error|Can't start \r" + prog);
}

TEST_F(StartToolTest, StartsWithTheMarkerAppended) {
  const UString out = WriteArgsScript(kToolConcordancer);
  EXPECT_TRUE(StartATool(kToolConcordancer, u"\"my file.cnc\" -x", true, false));
  EXPECT_EQ(WaitForLine(out), "my file.cnc -x 1720\n");
  DeleteFileU(out);
  EXPECT_TRUE(StartATool(kToolConcordancer, u"", true, false));
  EXPECT_EQ(WaitForLine(out), "1720\n");
  WaitFor([] { return ReapStartedTools() == 0; });
  EXPECT_EQ(ReapStartedTools(), 0);
}

TEST_F(StartToolTest, NoRaisedRightsAndAKnownControllerIsNotStartedAgain) {
  const UString out = WriteArgsScript(kToolConcordancer);
  EXPECT_FALSE(StartATool(kToolConcordancer, u"", false, true));
  WriteArgsScript(kToolController);
  SetNewWnd(kToolController, 200);
  EXPECT_TRUE(StartATool(kToolController, u"", false, false));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(FileExists(out));
}

TEST_F(StartToolTest, StartingTheControllerWaitsUntilItEnds) {
  // The controller program here ends at once: the wait stops when it has ended instead of
  // running to its limit. Should it not, the pump gives up after many rounds and says so.
  const UString out = WriteArgsScript(kToolController);
  SetStartToolWaitLimit(600);
  static int pumps = 0;
  static bool gave_up = false;
  pumps = 0;
  gave_up = false;
  SetYieldHook([] {
    if (++pumps == 2000) {
      gave_up = true;
      SetSiblingStarted(true);
    }
  });
  EXPECT_TRUE(StartATool(kToolController, u"", false, false));
  SetYieldHook(nullptr);
  EXPECT_FALSE(gave_up);
  EXPECT_EQ(WaitForLine(out), "\n");
}

TEST_F(StartToolTest, StartingTheControllerStopsWaitingOnceItIsReady) {
  // A controller that runs on: it writes its process number, then sleeps with none of the test
  // runner's files open. The test ends it and collects it.
  const UString pid_file = folder_.Path() + u"controller.pid";
  const UString prog = folder_.Write(GetShortToolFilename(kToolController),
                                     "#!/bin/sh\necho $$ > '" + Utf16ToUtf8(pid_file) +
                                         "'\nexec sleep 30 </dev/null >/dev/null 2>&1\n");
  MakeExecutable(prog);
  SetStartToolWaitLimit(600);
  static int pumps = 0;
  pumps = 0;
  SetYieldHook([] {
    if (++pumps == 3) SetVXShellInitialised(true);  // the controller reports itself ready
  });
  EXPECT_TRUE(StartATool(kToolController, u"", false, false));
  SetYieldHook(nullptr);
  // Ready seen at the round after the third pump; that round still pumps once.
  EXPECT_EQ(pumps, 4);
  const std::string pid = WaitForLine(pid_file);
  ASSERT_FALSE(pid.empty());
  ASSERT_EQ(::kill(static_cast<pid_t>(std::stol(pid)), SIGKILL), 0);
  WaitFor([] { return ReapStartedTools() == 0; });
  EXPECT_EQ(ReapStartedTools(), 0);
}

TEST_F(ShellServicesTest, HelpPageAndBugReport) {
  SetTessorineHelpURL(u"https://help.example/");
  EXPECT_EQ(HelpPageForContext(1910), u"https://help.example/index.html?contextid=1910");
  SetTessorineHelpURL(u"");
  SetBugReportContext(u"reading type file", u"ReadAllData");
  const UString text = BugReportText();
  EXPECT_NE(text.find(u"reading type file"), UString::npos);
  EXPECT_NE(text.find(u"ReadAllData"), UString::npos);
}

TEST(HelpPages, MissingHelpIsNamed) {
  TempFolder dir;
  const UString there = dir.Write(u"help/index.html", "<html></html>");
  struct Case {
    UString page, missing;
  };
  const std::vector<Case> cases = {
      {u"file://" + there + u"?contextid=1000", u""},
      {u"file://" + there + u"#top", u""},
      {u"file://" + there, u""},
      {u"file://" + dir.Path() + u"none/index.html?contextid=6230", dir.Path() + u"none/index.html"},
      {u"file://" + dir.Path() + u"help/", dir.Path() + u"help/"},  // a folder is no page
      {u"https://help.example/index.html?contextid=1000", u""},
      {u"", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(MissingHelpFile(c.page), c.missing) << Utf16ToUtf8(c.page);
}

TEST(SharedMutex, ProbeSeesTheHolder) {
  // The lock file goes to a folder of the test's own, so that no run leaves one behind.
  TempFolder runtime;
  const char* old_runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string kept = old_runtime ? old_runtime : "";
  ::setenv("XDG_RUNTIME_DIR", Utf16ToUtf8(runtime.Path()).c_str(), 1);
  const UString name = u"Tessorine test mutex " + IntToUStr(::getpid());
  EXPECT_EQ(OpenSharedMutex(name), 0);
  const int held = CreateSharedMutex(name);
  ASSERT_GE(held, 0);
  EXPECT_NE(OpenSharedMutex(name), 0);
  EXPECT_LT(CreateSharedMutex(name), 0);  // one holder at a time
  ReleaseSharedMutex(held);
  EXPECT_EQ(OpenSharedMutex(name), 0);
  if (old_runtime) ::setenv("XDG_RUNTIME_DIR", kept.c_str(), 1);
  else ::unsetenv("XDG_RUNTIME_DIR");
}

TEST(Logging, AChosenLogIsCreated) {
  TempFolder folder;
  const UString old_name = GetLogFilename();
  const UString log = folder.Path() + u"sub/VXlog.txt";
  EXPECT_TRUE(SetupLogging(true, log));
  EXPECT_TRUE(global_keeping_log);
  EXPECT_TRUE(FileExists(log));
  AddToLogFile(u"hello log");
  EXPECT_NE(ReadAll(log).find("hello log"), std::string::npos);
  EXPECT_FALSE(SetupLogging(false, log) || global_keeping_log);
  EXPECT_FALSE(SetupLogging(true, u"") || global_keeping_log);
  // A log that cannot be created: off, and said so.
  folder.Write(u"blocker", "x");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(SetupLogging(true, folder.Path() + u"blocker/x.log"));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot create the log file"), std::string::npos);
  EXPECT_FALSE(global_keeping_log);
  SetLogFilename(old_name);
}

TEST(SpecialCharacters, EveryOccurrencePaddedEachCharacterOnce) {
  TSpecialCharacterRows rows;
  const char16_t r0[6] = {u'<', u'>', 0, u'#', 0, 0};  // '#' lies after the end of the row
  const char16_t r1[6] = {u'[', u']', u'<', 0, 0, 0};  // '<' listed in both rows
  std::copy(r0, r0 + 6, rows.rows[0]);
  std::copy(r1, r1 + 6, rows.rows[1]);
  auto padded = [&](UString t) {
    PadSpecialCharactersWithSpaces(t, rows);
    return t;
  };
  EXPECT_TRUE(ContainsASpecialCharacter(u"a<b<c>", rows));
  EXPECT_EQ(padded(u"a<b<c>"), u"a < b < c > ");
  EXPECT_EQ(padded(u"[x]"), u" [ x ] ");
  EXPECT_FALSE(ContainsASpecialCharacter(u"no marks # here", rows));
  EXPECT_EQ(padded(u"no marks # here"), u"no marks # here");
  EXPECT_FALSE(ContainsASpecialCharacter(u"<>", TSpecialCharacterRows()));
}

#include "platform/settings/settings_access.h"

TEST(SettingsWrappers, SpecialCharactersListsAndLoggingComeFromTheStore) {
  TTextsett_rec32 ts = GetTextSettings();
  const TTextsett_rec32 saved = ts;
  for (int r = 0; r < 2; ++r)
    for (int i = 0; i < 6; ++i) ts.SetSpecialCharacter(r, i, 0);
  ts.SetSpecialCharacter(0, 0, u'{');
  ts.SetSpecialCharacter(1, 0, u'}');
  SetTextSettings(ts);
  UString t = u"a{b}";
  EXPECT_TRUE(ContainsASpecialCharacter(t));
  PadSpecialCharactersWithSpaces(t);
  EXPECT_EQ(t, u"a { b } ");
  EXPECT_FALSE(ContainsASpecialCharacter(u"<plain>"));
  SetTextSettings(saved);

  TLemmaMatchStopSettingsRec stop = GetLemmaMatchStopSettings(1, 2);
  stop.SetActivated(true);
  SetLemmaMatchStopSettings(1, 2, stop);
  EXPECT_TRUE(LemmaMatchStopListActivated(2, 1));
  EXPECT_FALSE(LemmaMatchStopListActivated(3, 1));
  stop.SetActivated(false);
  SetLemmaMatchStopSettings(1, 2, stop);

  TempFolder folder;
  const UString old_name = GetLogFilename();
  SetLogging(true);
  SetTheLogFilename(folder.Path() + u"new.log");
  EXPECT_TRUE(SetupLoggingFromTextbuf());
  EXPECT_TRUE(FileExists(folder.Path() + u"new.log"));
  SetLogging(false);
  EXPECT_FALSE(SetupLoggingFromTextbuf());
  SetLogFilename(old_name);
}
