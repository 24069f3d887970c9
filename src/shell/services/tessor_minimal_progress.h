// The one progress reporter of a tool: messages, this/overall percent, running words, errors.
//
// A report goes either to the tool's own status bar ("local", where = 1) or to the controller's
// progress window (where = 0): the whole 832-byte record is stored in the settings store and the
// controller is told which item changed. Without a window layer the local display is a sink that
// writes to the log; the main window installs its status-bar sink later.
#pragma once

#include <cstdint>

#include "platform/rtl/ustring.h"

#pragma pack(push, 1)
struct TProgressRec {
  int32_t reserved0;
  int32_t this_percent;
  int32_t overall_percent;
  int32_t centre_x;
  int32_t centre_y;
  int32_t reserved1;
  uint32_t running_words;
  char16_t short_message[201];
  char16_t long_message[201];
};
#pragma pack(pop)
static_assert(sizeof(TProgressRec) == 832, "progress record is stored whole for the controller");

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

class TProgressClass {
 public:
  TProgressClass();

  void SetProgressStatusBar(TProgressStatusSink* bar) { status_bar_ = bar; }
  TProgressStatusSink* StatusBar() const { return status_bar_; }

  void ClearAllAndShow(TPoint centre, uint8_t where);
  void ClearAll(TPoint centre);
  void ClearBarsOnly();
  bool ThisPercent(int32_t n);
  bool OverallPercent(int32_t n);
  void ProgressShortMessage(UStringView text);
  void ProgressLongMessage(UStringView text);
  void ProgressShortMessageOutOf(UStringView text, int64_t done, int64_t total);
  void RunningWords(uint32_t n);
  void Memory();
  void ShowTimeToGo();
  void ShowWhere(uint8_t where);
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

 private:
  bool this_bar_ = false;
  bool overall_bar_ = false;
  TProgressRec rec_{};
  TProgressStatusSink* status_bar_ = nullptr;
  bool suspended_ = false;
  uint8_t where_ = 0;
};

// The global reporter (made at start-up, freed at shut-down); nullptr before and after.
TProgressClass* GlobalProgress();
void CreateGlobalProgress();
void FreeGlobalProgress();

bool SuspendProgressDisplay();
bool ResumeProgressDisplay();
