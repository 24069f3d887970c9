// The one progress reporter of a tool: messages, this/overall percent, running words, errors.
//
// A report goes either to the tool's own status bar ("local", where = 1) or to the controller's
// progress window (any other where; 0 as made): the whole 832-byte record is stored in the
// settings store and the controller is told which item changed. When the controller cannot be
// reached, a report meant for it is shown locally instead, so that a run never goes without
// progress. Without a window layer the local display is a sink that writes to the log; the main
// window installs its status-bar sink later.
#pragma once

#include <cstdint>

#include "platform/rtl/ustring.h"
#include "platform/settings/window_registry.h"

struct TPoint {
  int32_t x = 0;
  int32_t y = 0;
};

// Status-bar panel ordinals used by the local display.
enum : int {
  kPanelShortMessage = 1,
  kPanelOverallPercent = 2,
  kPanelThisPercent = 3,
  kPanelLongMessage = 10,
};

// Progress kinds of ShowKind.
enum : uint8_t {
  kProgThisPercent = 0,
  kProgOverallPercent = 1,
  kProgShortMessage = 2,
  kProgLongMessage = 3,
  kProgWhere = 4,
  kProgRunningWords = 5,
  kProgNothing = 6,
  kProgMemory = 7,
  kProgClearAndShow = 8,
  kProgClear = 9,
  kProgTimeToGo = 10,
  kProgError = 11,
  kProgFatalError = 12,
};

// The code each kind posts to the controller; -1 for kinds that post nothing (6, 11, 12 and
// any unknown kind).
int ProgressKindCode(uint8_t kind);
// Tells the controller to hide its progress window.
inline constexpr uint16_t kProgCodeHide = 6107;
// Where values.
inline constexpr uint8_t kWhereController = 0;
inline constexpr uint8_t kWhereLocal = 1;
// Messages longer than this (in UTF-16 units) are cut.
inline constexpr size_t kProgressMessageMax = 200;

// Where the local display goes: the main window's status bar, or the log when headless.
class TProgressStatusSink {
 public:
  virtual ~TProgressStatusSink() = default;
  virtual int PanelCount() const = 0;
  virtual void SetPanelText(int panel, UStringView text) = 0;
  virtual void SetPanelBarValue(int panel, int percent) = 0;
  virtual void SetPanelBarStyle(int panel, bool bar) = 0;
  virtual void BringApplicationToFront() {}
};

// The headless status bar: each change of a panel's text or bar value becomes a log line
// (written only while logging is on); repeated values are not logged again.
class TLogProgressSink : public TProgressStatusSink {
 public:
  int PanelCount() const override { return kPanelLongMessage + 1; }
  void SetPanelText(int panel, UStringView text) override;
  void SetPanelBarValue(int panel, int percent) override;
  void SetPanelBarStyle(int panel, bool bar) override {}

 private:
  UString last_[kPanelLongMessage + 1];
};

class TProgressClass {
 public:
  TProgressClass();

  void SetProgressStatusBar(TProgressStatusSink* bar) { status_bar_ = bar; }
  TProgressStatusSink* StatusBar() const { return status_bar_; }

  void ClearAllAndShow(TPoint centre, uint8_t where);
  void ClearAll(TPoint centre);
  void ClearBarsOnly();
  // Both answer false and show nothing when the value did not change.
  bool ThisPercent(int32_t n);
  bool OverallPercent(int32_t n);
  void ProgressShortMessage(UStringView text);
  void ProgressLongMessage(UStringView text);
  // The message, then (only when total > 0) this percent = done * 100 / total, truncated.
  void ProgressShortMessageOutOf(UStringView text, int64_t done, int64_t total);
  void RunningWords(uint32_t n);
  void Memory();
  void ShowTimeToGo();
  void ShowWhere(uint8_t where);
  // An error box; a fatal error box then halts the program.
  void ShowError(UStringView text);
  void FatalError(UStringView text);
  void Hide();
  void SetThisBarStyle(bool bar);
  void SetOverallBarStyle(bool bar);
  void ShowKind(uint8_t kind);

  const TProgressRec& Record() const { return rec_; }
  uint8_t Where() const { return where_; }
  bool Suspended() const { return suspended_; }
  void SetSuspended(bool s) { suspended_ = s; }
  bool ThisBarStyle() const { return this_bar_; }
  bool OverallBarStyle() const { return overall_bar_; }
  // Whether reports now go to the local display (else to the controller's window).
  bool ShowsLocally() const;

 private:
  void ShowLocally(uint8_t kind);
  bool this_bar_ = false;
  bool overall_bar_ = false;
  TProgressRec rec_{};
  TProgressStatusSink* status_bar_ = nullptr;
  bool suspended_ = false;
  uint8_t where_ = kWhereController;
};

// Copies text into a message field: at most 200 UTF-16 units, never ending in the first half of
// a surrogate pair, zero-terminated, the rest zeroed.
void CopyProgressMessage(char16_t (&field)[201], UStringView text);

// The global reporter (made at start-up, freed at shut-down); nullptr before and after. It
// starts with the log sink as its local display.
TProgressClass* GlobalProgress();
void CreateGlobalProgress();
void FreeGlobalProgress();

// Before a question in the middle of a job: the controller hides its progress window, reports
// stop showing; answers the suspended flag (false when there is no reporter).
bool SuspendProgressDisplay();
// After the question: shows again where it showed before; false when there is no reporter.
bool ResumeProgressDisplay();
