// Small services every tool of the suite uses: the link to the controller program and the
// message protocol spoken over it, starting the controller or another tool, the help page of a
// context, the bug-report context, the application title, the "is the controller running?"
// probe, the tag-mark padding of typed search words, logging set-up and two installation tables.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/runtime/vx_runtime.h"

// --- controller protocol -----------------------------------------------------------------------
// Messages between a tool and the controller; all are posted (never sent), so a post never waits.
inline constexpr uint32_t kMsgToolCode = 0x401;           // code; lParam = sender's main window
inline constexpr uint32_t kMsgToolCodeWithParam = 0x402;  // code; lParam = a value for the code
inline constexpr uint32_t kMsgAnnounce = 0x4E4;           // wParam = tool type; lParam = its window
inline constexpr uint32_t kMsgActivate = 0x4E5;           // controller -> tool

// wParam of 0x401 / 0x402: bits 0-15 the code, bits 16-23 the sender's tool type, 24-31 zero.
inline uint32_t PackToolCode(uint16_t code, uint8_t tool) {
  return static_cast<uint32_t>(code) | (static_cast<uint32_t>(tool) << 16);
}
// A receiver takes only the low word as the code.
inline uint16_t CodeOfWParam(uint64_t wparam) { return static_cast<uint16_t>(wparam & 0xFFFF); }
inline uint8_t ToolOfWParam(uint64_t wparam) { return static_cast<uint8_t>((wparam >> 16) & 0xFF); }

struct TPostedMessage {
  TWindowId target = kNoWindow;
  uint32_t msg = 0;
  uint64_t wparam = 0;
  int64_t lparam = 0;
};

// How messages reach the other programs of the suite.
class TControllerLink {
 public:
  virtual ~TControllerLink() = default;
  // Whether any other program of the suite can be reached.
  virtual bool Connected() const = 0;
  // Posts to a window of another program; false when it could not be posted.
  virtual bool Post(const TPostedMessage& message) = 0;
  // Brings another program's window (the progress window) to the front.
  virtual void BringToFront(TWindowId window) {}
  // Whether the controller is played inside this program (its dialogs are the tool's own, so
  // the tool's window is never sent behind them).
  virtual bool PlayedInProcess() const { return false; }
};

// No controller (a tool started on its own, the normal case): nothing can be posted.
class TNullControllerLink : public TControllerLink {
 public:
  bool Connected() const override { return false; }
  bool Post(const TPostedMessage&) override { return false; }
};

// Keeps what is posted in order (a controller in this process, or a test, takes it from here).
class TQueuedControllerLink : public TControllerLink {
 public:
  bool Connected() const override { return true; }
  bool Post(const TPostedMessage& message) override {
    posted_.push_back(message);
    return true;
  }
  void BringToFront(TWindowId window) override { raised_.push_back(window); }
  const std::vector<TPostedMessage>& Posted() const { return posted_; }
  const std::vector<TWindowId>& Raised() const { return raised_; }
  std::vector<TPostedMessage> TakePosted() { return std::exchange(posted_, {}); }
  void Clear() {
    posted_.clear();
    raised_.clear();
  }

 private:
  std::vector<TPostedMessage> posted_;
  std::vector<TWindowId> raised_;
};

// The link in use (the null link until one is installed; nullptr goes back to it).
TControllerLink& ControllerLink();
void SetControllerLink(TControllerLink* link);

// True when PostToController would post: a link is connected, the own window is registered and
// the controller's window is known and is not the own window.
bool ControllerReachable();
// Tells the controller this tool's type and main window (0x4E4).
void AnnounceToController();
// Announces, then posts 0x401 with the packed code. False (nothing posted) when the controller
// cannot be reached, and always for the controller itself.
bool PostToController(uint16_t code);
// The same with 0x402 and the value as lParam.
bool PostToControllerWithParam(uint16_t code, int64_t value);
// Queues 0x401 with the packed code for the tool's own main window; the window layer takes the
// queue and delivers each message as a posted event. Always true.
bool PostToOwnWindow(uint16_t code);
std::vector<TPostedMessage> TakeOwnWindowMessages();
// Called after each message queued for the own window (the window layer wakes its loop).
void SetOwnWindowPostHook(void (*hook)());
// The main window registers itself: it becomes the own window and the store learns it as the
// tool's main and active main window.
void RegisterToolWindow(TWindowId window);
// At shut-down: logs "unset <tool> main window and quit tessor_minimal", forgets the own window
// in the store (not for the controller itself) and clears it.
void UnregisterToolWindowAndQuit();

// --- starting tools ----------------------------------------------------------------------------
// The command-line text for a start: with the marker, " " (only after non-empty parameters)
// and "1720" are appended.
UString StartToolParameters(UStringView parameters, bool append_marker);
// Splits a parameter text into arguments at blanks; double quotes group blanks into one
// argument and are removed.
std::vector<std::string> SplitParameters(UStringView parameters);
// Starts a program of the suite. For the controller: true at once when its window is known.
// False (nothing started) when the program file is missing or not executable, or when raised
// rights are asked for (logged: not available here). A start that fails shows "Fatal Error".
// After starting the controller, waits, yielding, until it reports itself ready or the sibling
// flag is set, the program has ended, or the wait limit (30 s) has passed.
bool StartATool(uint8_t tool, UStringView parameters, bool append_marker, bool elevated);
// The sibling-started flag: cleared by each start, set by whoever learns the started program runs.
void SetSiblingStarted(bool started);
bool SiblingStarted();
// The wait limit of StartATool in seconds (30 by default).
void SetStartToolWaitLimit(double seconds);
// Collects programs started earlier that have ended; the number still running.
int ReapStartedTools();

// --- application services ----------------------------------------------------------------------
// The help page of a context: TessorineHelpURL + "index.html?contextid=<context>".
UString HelpPageForContext(int context);
// The file a local help page ("file://...", its query and anchor left off) names, when no such
// file is there: help that was not installed. Empty for a page that is there and for a page
// elsewhere (a web address).
UString MissingHelpFile(UStringView page);
// Remembers where the program is (logged as "where: what" when logging is on).
void SetBugReportContext(UStringView where, UStringView what);
// The bug-report text with the place last remembered.
UString BugReportText();
void SetApplicationTitle(UStringView title);
UString ApplicationTitle();

// The suite's mutex: the controller holds it while it runs.
inline constexpr char16_t kSuiteMutexName[] = u"Tessorine Tools mutex";
// Non-zero when a running program holds the named mutex (a lock file in the runtime folder), 0
// when none does.
intptr_t OpenSharedMutex(UStringView name);
// The holder's side: takes the mutex (-1 when it cannot be taken) until released or the process
// ends.
int CreateSharedMutex(UStringView name);
void ReleaseSharedMutex(int handle);

// Logging as the settings ask for it: on only when wanted and a log file is named; a log file
// that does not exist yet is created. When it cannot be created, logging stays off and the
// reason goes to standard error. Answers whether logging is on.
bool SetupLogging(bool wanted, UStringView log_name);
// The same with the wish and the file name read from the settings store.
bool SetupLoggingFromTextbuf();

// Whether the lemma (kind 0), match (1) or stop (2) list of a tool is switched on in the
// settings store; any other kind answers false.
bool LemmaMatchStopListActivated(uint8_t kind, uint8_t tool);

// --- special characters of the text settings ---------------------------------------------------
// Two rows of six characters that open and close tags; a 0 ends a row early.
struct TSpecialCharacterRows {
  char16_t rows[2][6] = {};
};
// True when any special character occurs in the text.
bool ContainsASpecialCharacter(UStringView text, const TSpecialCharacterRows& special);
// Puts a blank on each side of every occurrence of each special character (each distinct
// character is padded once, however often the rows list it).
void PadSpecialCharactersWithSpaces(UString& text, const TSpecialCharacterRows& special);
// The same with the rows of the current text settings.
TSpecialCharacterRows SpecialCharactersOfTextSettings();
bool ContainsASpecialCharacter(UStringView text);
void PadSpecialCharactersWithSpaces(UString& text);

// --- installation tables -------------------------------------------------------------------------
// The kinds of file an installation of the suite holds, by their extension.
inline constexpr int kFileTypeExtensionCount = 17;
extern const char16_t* const kFileTypeExtensions[kFileTypeExtensionCount];

struct TInstallableFile {
  const char16_t* file;     // name in the installation folder
  const char16_t* archive;  // the archive it is shipped in
  int32_t kind;             // kInstall... below
  int32_t work[3];          // working fields: -1, 0, 0 at start-up
};
enum : int32_t { kInstallProgram = 1, kInstallHelp = 2, kInstallData = 3, kInstallDocument = 4 };
std::span<TInstallableFile> InstallableFiles();
// Start-up state of the working fields.
void ResetInstallableFiles();
