#include "exception_report/capture/exception_capture.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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

extern "C" void OnFatalSignal(int sig) {
  if (g_signal_fd >= 0) {
    static const char kLine[] = "fatal signal: the program ended (see the log for what it was doing)\n";
    const char* name = sig == SIGSEGV ? "SIGSEGV " : sig == SIGFPE ? "SIGFPE " : "SIGBUS ";
    ssize_t ignored = write(g_signal_fd, name, 8);
    ignored = write(g_signal_fd, kLine, sizeof kLine - 1);
    (void)ignored;
  }
  signal(sig, SIG_DFL);
  raise(sig);
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
  if (g_signal_fd < 0 && ForceDirectories(folder))
    g_signal_fd = open(Utf16ToUtf8(folder + u"fatal_signals.txt").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  for (int sig : {SIGSEGV, SIGFPE, SIGBUS}) signal(sig, &OnFatalSignal);
}
