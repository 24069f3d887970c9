#include "shell/services/progress.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "shell/services/suite_services.h"

namespace {

std::unique_ptr<TProgressClass> g_progress;
TLogProgressSink g_log_sink;
uint8_t g_remembered_where = kWhereController;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

int ProgressKindCode(uint8_t kind) {
  switch (kind) {
    case kProgThisPercent: return 6104;
    case kProgOverallPercent: return 6105;
    case kProgShortMessage: return 6113;
    case kProgLongMessage: return 6106;
    case kProgWhere: return 6100;
    case kProgRunningWords: return 6108;
    case kProgMemory: return 6101;
    case kProgClearAndShow: return 6112;
    case kProgClear: return 6111;
    case kProgTimeToGo: return 6102;
    default: return -1;  // 6 (no meaning), 11 and 12 (message boxes) post nothing
  }
}

void CopyProgressMessage(char16_t (&field)[201], UStringView text) {
  std::memset(field, 0, sizeof field);
  size_t n = std::min(text.size(), kProgressMessageMax);
  // A cut between the two halves of a surrogate pair would leave half a character: cut before it.
  if (n < text.size() && n > 0 && IsHighSurrogate(text[n - 1])) --n;
  std::copy_n(text.data(), n, field);
}

// --- the log sink -------------------------------------------------------------------------------

void TLogProgressSink::SetPanelText(int panel, UStringView text) {
  if (panel < 0 || panel > kPanelLongMessage) return;
  if (last_[panel] == text) return;
  last_[panel] = UString(text);
  if (!text.empty()) AddToLogFile(u"progress: " + UString(text));
}

void TLogProgressSink::SetPanelBarValue(int panel, int percent) {
  SetPanelText(panel, percent < 1 ? UString() : IntToUStr(percent) + u"%");
}

// --- the reporter -------------------------------------------------------------------------------

TProgressClass::TProgressClass() = default;

void TProgressClass::ClearAllAndShow(TPoint centre, uint8_t where) {
  where_ = where;
  if (where == kWhereController && GetProgressWnd() != kNoWindow) ControllerLink().BringToFront(GetProgressWnd());
  ShowWhere(where);
  SetThisBarStyle(where == kWhereLocal);
  SetOverallBarStyle(where == kWhereLocal);
  ClearAll(centre);
}

void TProgressClass::ClearAll(TPoint centre) {
  rec_ = TProgressRec{};
  rec_.centre_x = centre.x;
  rec_.centre_y = centre.y;
  ShowKind(kProgClearAndShow);
}

void TProgressClass::ClearBarsOnly() {
  ThisPercent(0);
  OverallPercent(0);
}

bool TProgressClass::ThisPercent(int32_t n) {
  if (n == rec_.this_percent) return false;
  rec_.this_percent = n;
  ShowKind(kProgThisPercent);
  return true;
}

bool TProgressClass::OverallPercent(int32_t n) {
  if (n == rec_.overall_percent) return false;
  rec_.overall_percent = n;
  ShowKind(kProgOverallPercent);
  return true;
}

void TProgressClass::ProgressShortMessage(UStringView text) {
  CopyProgressMessage(rec_.short_message, text);
  ShowKind(kProgShortMessage);
}

void TProgressClass::ProgressLongMessage(UStringView text) {
  CopyProgressMessage(rec_.long_message, text);
  ShowKind(kProgLongMessage);
}

void TProgressClass::ProgressShortMessageOutOf(UStringView text, int64_t done, int64_t total) {
  ProgressShortMessage(text);
  if (total <= 0) return;
  // The product is taken in 64 bits: done * 100 leaves 32 bits once done passes 21,474,836.
  // A percentage is not limited to 0..100, but it must fit the record's 32-bit field.
  const int64_t p = (done > std::numeric_limits<int64_t>::max() / 100 || done < std::numeric_limits<int64_t>::min() / 100)
                        ? done / total * 100
                        : done * 100 / total;
  ThisPercent(static_cast<int32_t>(std::clamp<int64_t>(p, std::numeric_limits<int32_t>::min(),
                                                       std::numeric_limits<int32_t>::max())));
}

void TProgressClass::RunningWords(uint32_t n) {
  rec_.running_words = n;
  ShowKind(kProgRunningWords);
}

void TProgressClass::Memory() { ShowKind(kProgMemory); }

void TProgressClass::ShowTimeToGo() {
  suspended_ = false;
  ShowKind(kProgTimeToGo);
}

void TProgressClass::ShowWhere(uint8_t where) {
  where_ = where;
  suspended_ = false;
  ShowKind(kProgWhere);
}

void TProgressClass::ShowError(UStringView text) {
  CopyProgressMessage(rec_.long_message, text);
  ShowKind(kProgError);
}

void TProgressClass::FatalError(UStringView text) {
  CopyProgressMessage(rec_.long_message, text);
  ShowKind(kProgFatalError);
}

void TProgressClass::Hide() {
  SetThisBarStyle(false);
  SetOverallBarStyle(false);
  ClearBarsOnly();
  PostToController(kProgCodeHide);
  if (status_bar_) {
    status_bar_->SetPanelText(kPanelThisPercent, u"");
    status_bar_->SetPanelText(kPanelOverallPercent, u"");
    status_bar_->SetPanelText(kPanelLongMessage, u"");
  }
  suspended_ = true;
  if (status_bar_) status_bar_->BringApplicationToFront();
}

void TProgressClass::SetThisBarStyle(bool bar) {
  this_bar_ = bar;
  if (status_bar_) status_bar_->SetPanelBarStyle(kPanelThisPercent, bar);
}

void TProgressClass::SetOverallBarStyle(bool bar) {
  overall_bar_ = bar;
  if (status_bar_) status_bar_->SetPanelBarStyle(kPanelOverallPercent, bar);
}

bool TProgressClass::ShowsLocally() const {
  if (!status_bar_ || status_bar_->PanelCount() <= 0) return false;
  return where_ == kWhereLocal || !ControllerReachable();
}

void TProgressClass::ShowLocally(uint8_t kind) {
  auto percent = [&](int panel, bool bar, int32_t value) {
    if (bar) status_bar_->SetPanelBarValue(panel, value);
    else status_bar_->SetPanelText(panel, value < 1 ? UString() : IntToUStr(value) + u"%");
  };
  switch (kind) {
    case kProgThisPercent: percent(kPanelThisPercent, this_bar_, rec_.this_percent); break;
    case kProgOverallPercent: percent(kPanelOverallPercent, overall_bar_, rec_.overall_percent); break;
    case kProgShortMessage: status_bar_->SetPanelText(kPanelShortMessage, rec_.short_message); break;
    case kProgLongMessage: status_bar_->SetPanelText(kPanelLongMessage, rec_.long_message); break;
    case kProgClearAndShow:
    case kProgClear:
      percent(kPanelThisPercent, this_bar_, 0);
      percent(kPanelOverallPercent, overall_bar_, 0);
      status_bar_->SetPanelText(kPanelLongMessage, u"");
      status_bar_->SetPanelText(kPanelShortMessage, u"");
      break;
    default: break;
  }
}

void TProgressClass::ShowKind(uint8_t kind) {
  MyYieldProcess();
  const bool error = kind == kProgError || kind == kProgFatalError;
  // While suspended, reports change the record and show nothing; errors are still shown (and a
  // fatal error still ends the program) so that none is lost behind a question.
  if (suspended_ && !error) return;
  if (suspended_) {
  } else if (ShowsLocally()) {
    ShowLocally(kind);
  } else {
    SetProgressParams(rec_);
    const int code = ProgressKindCode(kind);
    if (code >= 0) PostToController(static_cast<uint16_t>(code));
  }
  if (error) {
    const TVXRes caption = kind == kProgError ? TVXRes::VXError : TVXRes::VXHalting;
    VXMessageBox(VXRes(caption), rec_.long_message, kBtnOK, TVXDialogKind::Warning);
    if (kind == kProgFatalError) HaltProgram(1);
  }
  MyYieldProcess();
}

// --- the global reporter ------------------------------------------------------------------------

TProgressClass* GlobalProgress() { return g_progress.get(); }

void CreateGlobalProgress() {
  g_progress = std::make_unique<TProgressClass>();
  g_progress->SetProgressStatusBar(&g_log_sink);
}

void FreeGlobalProgress() {
  g_progress.reset();
  LogUnitQuit("tessor_minimal_progress");
}

bool SuspendProgressDisplay() {
  if (!g_progress) return false;
  PostToController(kProgCodeHide);
  g_remembered_where = g_progress->Where();
  g_progress->SetSuspended(true);
  if (auto* bar = g_progress->StatusBar()) bar->BringApplicationToFront();
  return g_progress->Suspended();
}

bool ResumeProgressDisplay() {
  if (!g_progress) return false;
  g_progress->ShowWhere(g_remembered_where);
  if (auto* bar = g_progress->StatusBar()) bar->BringApplicationToFront();
  return true;
}
