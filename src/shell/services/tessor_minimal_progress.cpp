#include "shell/services/tessor_minimal_progress.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/runtime/vx_runtime.h"

namespace {
std::unique_ptr<TProgressClass> g_progress;

void CopyMessage(char16_t (&field)[201], UStringView text) {
  std::memset(field, 0, sizeof field);
  const size_t n = std::min<size_t>(text.size(), 200);
  std::copy_n(text.data(), n, field);
}
}  // namespace

TProgressClass::TProgressClass() = default;

void TProgressClass::ClearAllAndShow(TPoint centre, uint8_t where) {
  where_ = where;
  ShowWhere(where);
  SetThisBarStyle(where == 1);
  SetOverallBarStyle(where == 1);
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
  CopyMessage(rec_.short_message, text);
  ShowKind(kProgShortMessage);
}

void TProgressClass::ProgressLongMessage(UStringView text) {
  CopyMessage(rec_.long_message, text);
  ShowKind(kProgLongMessage);
}

void TProgressClass::ProgressShortMessageOutOf(UStringView text, int64_t done, int64_t total) {
  ProgressShortMessage(text);
  if (total > 0) ThisPercent(static_cast<int32_t>(done * 100 / total));
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
  CopyMessage(rec_.long_message, text);
  ShowKind(kProgError);
}

void TProgressClass::FatalError(UStringView text) {
  CopyMessage(rec_.long_message, text);
  ShowKind(kProgFatalError);
}

void TProgressClass::Hide() {
  SetThisBarStyle(false);
  SetOverallBarStyle(false);
  ClearBarsOnly();
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

void TProgressClass::ShowKind(uint8_t kind) {
  MyYieldProcess();
  if (suspended_) return;
  if (where_ == 1 && status_bar_ && status_bar_->PanelCount() > 0) {
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
  MyYieldProcess();
}

TProgressClass* GlobalProgress() { return g_progress.get(); }
void CreateGlobalProgress() { g_progress = std::make_unique<TProgressClass>(); }
void FreeGlobalProgress() {
  g_progress.reset();
  LogUnitQuit("tessor_minimal_progress");
}

bool SuspendProgressDisplay() {
  if (!g_progress) return false;
  g_progress->SetSuspended(true);
  return g_progress->Suspended();
}

bool ResumeProgressDisplay() {
  if (!g_progress) return false;
  g_progress->ShowWhere(g_progress->Where());
  return true;
}
