#include "exception_report/capture/exception_capture.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <fstream>
#include <string>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "shell/services/suite_services.h"

namespace {

int g_report_count = 0;
int g_signal_fd = -1;

std::string LastLinesOf(UStringView file, int n) {
  std::ifstream in(ToFsPath(file), std::ios::binary);
  if (!in) return {};
  std::deque<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    lines.push_back(line);
    if (static_cast<int>(lines.size()) > n) lines.pop_front();
  }
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  return out;
}

std::string Stamp(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[64];
  std::strftime(buf, sizeof buf, format, &tm);
  return buf;
}

// What a fatal-signal line needs that is not safe to work out in the handler: the tool's name
// and the process number, written when the handlers are installed.
char g_signal_prefix[160] = "linzora";
size_t g_signal_prefix_length = 7;
bool g_signals_installed = false;
// Room to run the handler when the fault was the stack running out.
alignas(16) char g_signal_stack[64 * 1024];

// Async-signal-safe appending into a fixed buffer.
void Append(char* buf, size_t& at, size_t size, const char* text, size_t length) {
  for (size_t i = 0; i < length && at + 1 < size; ++i) buf[at++] = text[i];
}
void AppendText(char* buf, size_t& at, size_t size, const char* text) {
  size_t n = 0;
  while (text[n] != 0) ++n;
  Append(buf, at, size, text, n);
}
void AppendDecimal(char* buf, size_t& at, size_t size, long long value) {
  char digits[24];
  size_t n = 0;
  unsigned long long v = value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0 && n < sizeof digits);
  if (value < 0) Append(buf, at, size, "-", 1);
  while (n > 0) Append(buf, at, size, &digits[--n], 1);
}

// One line, one write(2): lines of processes sharing the file never interleave.
extern "C" void OnFatalSignal(int sig) {
  if (g_signal_fd >= 0) {
    char line[512];
    size_t at = 0;
    AppendText(line, at, sizeof line, "fatal signal ");
    AppendText(line, at, sizeof line, sig == SIGSEGV ? "SIGSEGV" : sig == SIGFPE ? "SIGFPE" : sig == SIGBUS ? "SIGBUS" : "?");
    AppendText(line, at, sizeof line, " in ");
    Append(line, at, sizeof line, g_signal_prefix, g_signal_prefix_length);
    AppendText(line, at, sizeof line, " at ");
    AppendDecimal(line, at, sizeof line, static_cast<long long>(time(nullptr)));
    AppendText(line, at, sizeof line, " (seconds since 1970): the program ended; see the log for what it was doing\n");
    ssize_t ignored = write(g_signal_fd, line, at);
    (void)ignored;
  }
  // The handler was reset on entry: raised again, the signal ends the program as it would have.
  raise(sig);
}

void OpenSignalFile(const UString& folder) {
  if (!ForceDirectories(folder)) return;
  const int fd = open(Utf16ToUtf8(folder + u"fatal_signals.txt").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  const int old = g_signal_fd;
  g_signal_fd = fd;
  if (old >= 0) close(old);
}

void OnTerminate() {
  UString what = u"std::terminate";
  if (std::current_exception()) what = CurrentExceptionText();
  WriteExceptionReport(what, u"terminate");
  std::abort();
}

}  // namespace

void TExcTrapModuleOptions::SetOutputPath(UStringView folder) {
  output_path_ = folder.empty() ? UString() : IncludeTrailingPathDelimiter(folder);
  // The fatal-signal line follows the reports into their new folder.
  if (g_signals_installed && this == &CurrentExcTrapOptions())
    OpenSignalFile(output_path_.empty() ? SystemTempFolder() : output_path_);
}

TExcTrapModuleOptions& CurrentExcTrapOptions() {
  static TExcTrapModuleOptions options;
  return options;
}

void CauseACrash() { throw ECauseACrash(); }

UString CurrentExceptionText() {
  try {
    throw;
  } catch (const std::exception& e) {
    return Utf8ToUtf16(e.what());
  } catch (...) {
    return u"unknown exception";
  }
}

UString WriteExceptionReport(UStringView what, UStringView where) {
  UString folder = CurrentExcTrapOptions().OutputPath();
  if (folder.empty()) folder = SystemTempFolder();
  if (!ForceDirectories(folder)) {
    AddToLogFile(u"exception report: cannot make the folder " + folder);
    return {};
  }
  const UString name = folder + u"exception_" + Utf8ToUtf16(Stamp("%Y%m%d_%H%M%S")) + u"_" +
                       IntToUStr(++g_report_count) + u".txt";
  std::string text;
  text += "time: " + Stamp("%Y-%m-%d %H:%M:%S") + "\n";
  text += "tool: " + Utf16ToUtf8(Tool_Name(current_tool_var)) + "\n";
  text += "version: " + Utf16ToUtf8(GetVersionInfo()) + "\n";
  text += "where: " + Utf16ToUtf8(where) + "\n";
  text += "exception: " + Utf16ToUtf8(what) + "\n";
  text += "context: " + Utf16ToUtf8(BugReportText()) + "\n";
  const UString log = GetLogFilename();
  if (!log.empty()) text += "last lines of the log:\n" + LastLinesOf(log, CurrentExcTrapOptions().log_lines);
  UString error;
  if (!SafeSaveBytes(name, text.data(), static_cast<int64_t>(text.size()), &error)) {
    AddToLogFile(u"exception report not written: " + error);
    return {};
  }
  AddToLogFile(u"exception report written: " + name);
  return name;
}

void InstallExceptionCapture() {
  std::set_terminate(&OnTerminate);
  UString folder = CurrentExcTrapOptions().OutputPath();
  if (folder.empty()) folder = SystemTempFolder();
  OpenSignalFile(folder);
  const std::string prefix = Utf16ToUtf8(Tool_Name(current_tool_var)) + " (process " + std::to_string(getpid()) + ")";
  g_signal_prefix_length = std::min(prefix.size(), sizeof g_signal_prefix - 1);
  std::memcpy(g_signal_prefix, prefix.data(), g_signal_prefix_length);
  stack_t alternate{};
  alternate.ss_sp = g_signal_stack;
  alternate.ss_size = sizeof g_signal_stack;
  sigaltstack(&alternate, nullptr);
  struct sigaction action {};
  action.sa_handler = &OnFatalSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_ONSTACK;
  for (int sig : {SIGSEGV, SIGFPE, SIGBUS}) sigaction(sig, &action, nullptr);
  g_signals_installed = true;
}
