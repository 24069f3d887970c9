#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <sstream>
#include <string>

#include "exception_report/capture/exception_capture.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "support/temp_folder.h"

namespace {

volatile int* g_nowhere = nullptr;
volatile bool g_deeper = true;

// Deep enough to run out of any stack; not a tail call, so it cannot become a loop.
int RunOutOfStack(int depth) {
  volatile char frame[4096];
  frame[0] = static_cast<char>(depth);
  if (!g_deeper) return frame[0];
  return RunOutOfStack(depth + 1) + frame[0];
}

std::string ReadAll(const UString& file) {
  std::ifstream in(ToFsPath(file), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

// A child process installs the capture, meets the fault and dies of it; the file then holds
// exactly one whole line naming the signal and the tool.
TEST(FatalSignals, EachFatalSignalLeavesOneLineAndEndsTheProgram) {
  testing::FLAGS_gtest_death_test_style = "fast";
  // real_fault: an actual faulty access, which the sanitizers stop before any signal is raised.
  struct Case { const char* what; int sig; void (*fault)(); bool real_fault; };
  const Case cases[] = {
      {"SIGSEGV", SIGSEGV, [] { raise(SIGSEGV); }, false},
      {"SIGFPE", SIGFPE, [] { raise(SIGFPE); }, false},
      {"SIGBUS", SIGBUS, [] { raise(SIGBUS); }, false},
      {"SIGSEGV", SIGSEGV, [] { *g_nowhere = 1; }, true},                        // a write through a null pointer
      {"SIGSEGV", SIGSEGV, [] { g_nowhere = new int(RunOutOfStack(0)); }, true},  // the stack ran out
  };
#ifdef LINZORA_SANITIZED
  const bool sanitized = true;
#else
  const bool sanitized = false;
#endif
  current_tool_var = kToolConcordancer;
  const std::string tool = Utf16ToUtf8(Tool_Name(kToolConcordancer));
  for (const Case& c : cases) {
    if (sanitized && c.real_fault) continue;
    TempFolder dir;
    const UString folder = dir.Path() + u"Berichte \u00fcber Abst\u00fcrze";
    EXPECT_EXIT(
        {
          CurrentExcTrapOptions().SetOutputPath(dir.Path() + u"first");
          InstallExceptionCapture();
          CurrentExcTrapOptions().SetOutputPath(folder);  // the line follows the reports
          c.fault();
          std::exit(0);
        },
        testing::KilledBySignal(c.sig), "")
        << c.what;
    const std::string text = ReadAll(folder + u"/fatal_signals.txt");
    SCOPED_TRACE(text);
    ASSERT_FALSE(text.empty()) << c.what;
    EXPECT_EQ(text.find('\0'), std::string::npos);
    EXPECT_EQ(text.find('\n'), text.size() - 1);  // one line
    EXPECT_EQ(text.rfind(std::string("fatal signal ") + c.what + " in " + tool + " (process ", 0), 0u);
    EXPECT_NE(text.find("the program ended"), std::string::npos);
    EXPECT_TRUE(ReadAll(dir.Path() + u"first/fatal_signals.txt").empty());
  }
  if (sanitized)
    GTEST_SKIP() << "only the raised signals ran: the sanitizers stop a null write and a stack overflow first";
}
