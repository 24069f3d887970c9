// The suite runtime's shared state: the stop flag, cooperative yielding and the program's log.
//
// Threads: the window layer and the job that starts a run live on one thread (the main thread);
// texts may be read on worker threads. What a worker may touch here: global_panic_state (atomic),
// MyYieldProcess (does nothing off the thread that installed the hook), AddToLogFile and Yikes
// (one open log file under a lock). Everything else is set up before workers start and left
// alone until they end. Work reports progress and polls the stop state through a TJobToken
// (job_token.h), between texts or chunks only, never inside an algorithm.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/rtl/ustring.h"

// The stop state of the running job.
enum : uint8_t {
  kPanicNone = 0,         // run on
  kPanicEndOfText = 1,    // finish the current text, then stop
  kPanicStopNow = 2,      // stop at the next poll
  kPanicStopAndQuit = 3,  // as 2, then end the program
};
// Atomic, because workers read it while the window layer sets it; plain comparisons and
// assignments keep working.
extern std::atomic<uint8_t> global_panic_state;

// Only the starter of a job (a concordance, a word list, an open or save the user asked for)
// clears the stop state; helpers made in the middle of a job never do.
void ClearStopStateForNewJob();
inline bool StopRequested(uint8_t at_least = kPanicStopNow) { return global_panic_state >= at_least; }

// Set while a job changes lists that the windows show; windows then draw nothing from them.
extern bool Global_Busy_Dont_Show_Data;

// The running tool (1 the concordancer, 16 the controller); names, signatures and file kinds of
// every tool are in vx_tools.h.
extern uint8_t current_tool_var;
inline constexpr uint8_t kToolConcordancer = 1;
inline constexpr uint8_t kToolController = 16;

// A window of the suite as the other programs know it: an opaque, non-zero id (0 = none). The
// window layer maps its own windows to ids; headless code only stores and compares them.
using TWindowId = uint64_t;
inline constexpr TWindowId kNoWindow = 0;
// The tool's own main window, kNoWindow until the main window registers.
extern TWindowId global_own_HWnd;

// --- job state shared by the engines ---------------------------------------------------------
// 0 interactive; 1 one result per text; 2 or more other batch runs.
extern uint8_t Global_batch_mode;
// Set for unattended runs: failures are logged instead of shown.
extern bool Global_run_without_error_messages;
// The text of the last failure of a job (cleared when a job starts).
extern UString Global_FailureMessage;
// Seconds each computation took, by list type (entry 42: sorting).
inline constexpr int kProcessTimesCount = 43;
extern double Global_process_times[kProcessTimesCount];
// Which of the lemma (0), match (1), stop (2) and fourth (3) lists are loaded.
extern bool Global_stopLemmaMatchLoaded[4];
// Lists of the running (or last read) detailed-consistency computation.
extern int32_t global_DetailedConsistency_files;
// The user's read-write folder (with a trailing delimiter once set) and the suite's temporary
// folder (the system's, with a trailing delimiter).
extern UString Global_user_ReadWrite_folder;
extern UString my_temp_path;

// Runs pending window events once and returns. The window layer installs its pump; headless it
// does nothing. The hook runs only on the thread that installed it (the main thread): on any
// other thread this returns at once. A call made while a pump is already running on this thread
// returns at once.
using TYieldHook = void (*)();
void SetYieldHook(TYieldHook hook);
void MyYieldProcess();
bool InsideYield();  // on this thread

// --- the program's log -----------------------------------------------------------------------
extern std::atomic<bool> global_keeping_log;
// Sets the log file (closing the one in use); an empty name sends lines to standard error (when
// logging is on).
void SetLogFilename(UStringView name);
UString GetLogFilename();
// Appends one time-stamped line when logging is on. Safe from any thread: the file stays open,
// lines are written whole under a lock and flushed one by one, so a crash loses none. A control
// character in the line (a file name may hold a line break) is written escaped
// (EscapedForLog), so that one call is always one line of the log.
void AddToLogFile(UStringView line);
// "\n" and "\r" for those two, "\xHH" for the other C0 and C1 controls and DEL but the tab (some
// lines put it between their fields), "\u2028" and "\u2029" for the two line separators;
// everything else as it is.
UString EscapedForLog(UStringView line);
void AddToLogFile(const char* line);
// The unit shut-down line: "quit <unit>, ".
void LogUnitQuit(const char* unit);

// An internal consistency failure: logged (always to standard error when logging is off), never
// shown; the caller goes on as its own code says.
void Yikes(UStringView what);
int YikesCount();  // how many were reported in this process

// Ends the process at once: no save, no close questions. The window layer or a test may install
// its own handler (a test handler must not return into code that expects the program gone; it
// may throw). Default: log and _Exit(code).
using THaltHook = void (*)(int code);
void SetHaltHook(THaltHook hook);
[[noreturn]] void HaltProgram(int code);
