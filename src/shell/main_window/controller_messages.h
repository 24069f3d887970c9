// The tool's side of the controller protocol and the operations every main window shares: the
// job scope that long jobs hold, Escape during a job, the handler of the controller's codes,
// the menu commands common to every tool that only post a code, the language change, and the
// first placement of a main window.
//
// Codes arrive as posted messages and so act between the steps of a running job whenever it
// pumps the loop: stop codes only set the stop state, which the job polls. Loading or clearing
// a lemma, match or stop list (codes 234-241) while a job runs would change a list under the
// job's feet, so those wait until the last job scope ends and are then applied in order.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/rtl/ustring.h"

// --- job scope -----------------------------------------------------------------------------------

// Held by whoever starts a long job (RAII); scopes nest. The first scope clears the stop state.
class TJobScope {
 public:
  TJobScope();
  ~TJobScope();
  TJobScope(const TJobScope&) = delete;
  TJobScope& operator=(const TJobScope&) = delete;
};
bool JobRunning();
// Runs after the last job scope ends (once per registration).
void RunWhenNoJob(std::function<void()> action);

// Escape during work: with a stop already asked for, confirming "quit?" raises the stop to
// "as soon as possible"; otherwise the stop is raised only when the user confirms and then
// declines finishing the current step first.
void EscapePressed();

// --- controller codes ----------------------------------------------------------------------------

// What the code handler asks of the window and the tool. It must outlive any running job: list
// changes that wait for the job call it when the job ends.
class TShellActions {
 public:
  virtual ~TShellActions() = default;
  // Loads (true) or clears the list of kind 0 lemma, 1 match, 2 stop, 3 the fourth kind.
  virtual void LoadOrClearList(int kind, bool load) = 0;
  // Closes the main window through its close path, with its question about unsaved results.
  virtual void CloseMainWindow() = 0;
  // Ends the program at once (a panic stop).
  virtual void TerminateNow() = 0;
  virtual void SettingsChanged() {}
};

// Acts on a code of a 0x401 message; false for codes left to the window's own handler.
bool HandleCallingProgramMessage(uint16_t code, TShellActions& actions);
// 0x4E5: the controller marks this window active and wants the code echoed back.
void HandleActivationMessage(uint64_t wparam, int64_t lparam, uint64_t own_window);
// 0x7B9: tells the controller whether the window shows a document (4601) or none (4600).
void ForwardDocumentState(uint64_t wparam);

// --- language ------------------------------------------------------------------------------------

void SetLanguageChangeFlag(bool set);
bool LanguageChangeFlag();
// ask: shows the language chooser, true for OK. After OK, waits (yielding) until the controller
// confirms with code 701 or the limit passes; true only when the confirmation came.
bool ChangeLanguage(const std::function<bool()>& ask, double wait_seconds = 5.0);

// --- common menu commands ------------------------------------------------------------------------

// The code a settings or window command posts to the controller (66, 72, 1130, ...); 0 for a
// tag that posts nothing.
uint16_t ControllerCodeOfMenuTag(int tag);
// Tag display commands: 219 hidden, 220 as prefix, 221 as suffix, 223 words hidden; -1 else.
int TagDisplayOfMenuTag(int tag);
// The help context of a tool type's help contents (1000 outside the table).
int ToolHelpContext(uint8_t tool);

// --- a second instance ---------------------------------------------------------------------------

// The command line of the second instance of the tool that the controller starts for a code the
// tool posted: 4602 (open the current request anew) none; 50 (a request of this tool to itself)
// the tool's own name, so that the new instance reads the request file; 155 (a collocate
// followed) the follow-up switch, "-Y" when temporary string 2 holds a context word, else "-F".
// nullopt for every other code.
std::optional<std::vector<UString>> SecondInstanceParameters(uint16_t code);

// --- placing a main window -----------------------------------------------------------------------

struct TScreenFacts {
  int caption_height = 0;
  int full_width = 0, full_height = 0;  // the screen's work area
  int pixels_per_inch = 96;
  int monitors = 1;
  int default_monitor = 0;
  int monitor1_left = 0, monitor1_top = 0;
};
struct TWindowRect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const TWindowRect&) const = default;
};
// tools_open: other open windows of this tool type (the new one not counted).
TWindowRect PlaceNewMainWindow(const TScreenFacts& screen, uint8_t tool, int tools_open);
// A window the main window opens (a viewer, a tool window, the print preview), placed on the
// screen of its main window: a window wholly inside the screen's free area stays where it is;
// else it is made no larger than that area and centred on its main window, kept inside.
TWindowRect PlaceOnOwnersScreen(const TWindowRect& window, const TWindowRect& screen, const TWindowRect& owner);
