// The media window's arithmetic, without a window: where a stretch ends, where a nudge or the
// adjust value moves the player, how the speed steps, and what the labels say.
#pragma once

#include <cstdint>

#include "platform/rtl/ustring.h"

// The end of the stretch: start + duration, but 10 ms before the media's end when the media is
// shorter; without a known length (0 or below) start + duration.
int64_t StretchEndMs(int64_t start_ms, int64_t duration_ms, int64_t length_ms);

// Where playing begins: the stretch's start moved by the adjust value (whole seconds, either
// way), never before the media's start.
int64_t AdjustedStartMs(int64_t start_ms, int adjust_seconds);

// A nudge of the position (ms, either way), never before the media's start.
inline constexpr int64_t kNudgeStepMs = 2000;
int64_t NudgedPositionMs(int64_t position_ms, int64_t step_ms);

// The speed after a Slower (-5) or Faster (+5) click: kept between 5 % and 400 %.
inline constexpr int kRateStep = 5;
inline constexpr int kSlowestRate = 5;
inline constexpr int kFastestRate = 400;
int SteppedRate(int rate_percent, int step);
// The speed label: "110%", or empty at normal speed.
UString RateLabel(int rate_percent);

// The time label: "hh:mm:ss", a line break, "(n s)".
UString MediaTimeLabel(int64_t position_ms);
