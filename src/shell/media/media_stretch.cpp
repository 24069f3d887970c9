#include "shell/media/media_stretch.h"

#include <algorithm>
#include <cstdio>

namespace {
// The last moments of a file are not asked for: the library reports some files' ends late.
constexpr int64_t kEndMarginMs = 10;
}  // namespace

int64_t StretchEndMs(int64_t start_ms, int64_t duration_ms, int64_t length_ms) {
  const int64_t end = start_ms + std::max<int64_t>(duration_ms, 0);
  if (length_ms <= 0) return end;
  return std::min(end, length_ms - kEndMarginMs);
}

int64_t AdjustedStartMs(int64_t start_ms, int adjust_seconds) {
  return std::max<int64_t>(start_ms + int64_t{adjust_seconds} * 1000, 0);
}

int64_t NudgedPositionMs(int64_t position_ms, int64_t step_ms) {
  return std::max<int64_t>(std::max<int64_t>(position_ms, 0) + step_ms, 0);
}

int SteppedRate(int rate_percent, int step) { return std::clamp(rate_percent + step, kSlowestRate, kFastestRate); }

UString RateLabel(int rate_percent) { return rate_percent == 100 ? UString() : IntToUStr(rate_percent) + u"%"; }

UString MediaTimeLabel(int64_t position_ms) {
  const int64_t s = std::max<int64_t>(position_ms, 0) / 1000;
  char hms[32];
  std::snprintf(hms, sizeof hms, "%02lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
  return Latin1ToUtf16(hms) + u"\r(" + IntToUStr(s) + u" s)";
}
