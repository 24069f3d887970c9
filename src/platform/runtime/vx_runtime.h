// The suite runtime's shared state: the stop flag, cooperative yielding and the program's log.
//
// Everything runs on one thread; long loops call MyYieldProcess once per item so that the window
// layer can handle pending events (a stop request among them) and poll global_panic_state.
#pragma once

#include <cstdint>

#include "platform/rtl/ustring.h"

// The stop state of the running job.
enum : uint8_t {
  kPanicNone = 0,         // run on
  kPanicEndOfText = 1,    // finish the current text, then stop
  kPanicStopNow = 2,      // stop at the next poll
  kPanicStopAndQuit = 3,  // as 2, then end the program
};
extern uint8_t global_panic_state;

// Only the starter of a job (a concordance, a word list, an open or save the user asked for)
// clears the stop state; helpers made in the middle of a job never do.
void ClearStopStateForNewJob();
inline bool StopRequested(uint8_t at_least = kPanicStopNow) { return global_panic_state >= at_least; }

// Set while a job changes lists that the windows show; windows then draw nothing from them.
extern bool Global_Busy_Dont_Show_Data;

// The running tool (1 the concordancer, 16 the controller) and its name.
extern uint8_t current_tool_var;
inline constexpr uint8_t kToolConcordancer = 1;
inline constexpr uint8_t kToolController = 16;

// Runs pending window events once and returns. The window layer installs its pump; headless it
// does nothing. A call made while a pump is already running returns at once.
using TYieldHook = void (*)();
void SetYieldHook(TYieldHook hook);
void MyYieldProcess();
bool InsideYield();

// --- the program's log -----------------------------------------------------------------------
extern bool global_keeping_log;
// Sets the log file; an empty name sends lines to standard error (when logging is on).
void SetLogFilename(UStringView name);
UString GetLogFilename();
// Appends one time-stamped line when logging is on.
void AddToLogFile(UStringView line);
void AddToLogFile(const char* line);
// The unit shut-down line: "quit <unit>, ".
void LogUnitQuit(const char* unit);
