// Capture of exceptions that escape the program's own handling: a report file in the output
// folder, and the user told, after which the program goes on (an event handler's exception) or
// ends (std::terminate, a fatal signal).
//
// A report holds the time, the tool and its version, the exception's text, the bug-report
// context (BugReportText) and the last lines of the program's log. Its name is
// "exception_<yyyymmdd_hhmmss>_<n>.txt". The output folder is kept as the UTF-16 path it was
// given, so a folder with a non-ASCII name takes the report as any other.
//
// Fatal signals (SIGSEGV, SIGFPE, SIGBUS) append one line to "fatal_signals.txt" in the output
// folder with a single write(2) (nothing else is safe in a signal handler), then the signal ends
// the program as it would have:
//   fatal signal SIGSEGV in <tool> (process <pid>) at <seconds since 1970>: the program ended; ...
// The file is opened when the handlers are installed and again when the output folder changes;
// the handler runs on a stack of its own, so a stack that ran out still gets its line.
#pragma once

#include <exception>
#include <stdexcept>

#include "platform/rtl/ustring.h"

// The options of the capture (one set per process).
class TExcTrapModuleOptions {
 public:
  void SetOutputPath(UStringView folder);
  const UString& OutputPath() const { return output_path_; }
  // How many of the log's last lines a report carries.
  int log_lines = 20;

 private:
  UString output_path_;
};
TExcTrapModuleOptions& CurrentExcTrapOptions();

// The exception "Cause a Crash" throws: it takes the same road as any escaped exception.
class ECauseACrash : public std::runtime_error {
 public:
  ECauseACrash() : std::runtime_error("a crash caused on request (menu \"Cause a Crash\")") {}
};
[[noreturn]] void CauseACrash();

// Writes a report about what escaped (where: the handler or event it escaped from). Answers
// the report's file name; empty (and the reason logged) when it could not be written.
UString WriteExceptionReport(UStringView what, UStringView where);
// The text of the exception being handled (in a catch block), or "unknown exception".
UString CurrentExceptionText();
// Installs the std::terminate handler and the fatal-signal handlers.
void InstallExceptionCapture();
