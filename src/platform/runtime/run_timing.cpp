#include "platform/runtime/run_timing.h"

#include <chrono>

namespace {
std::chrono::steady_clock::time_point g_started = std::chrono::steady_clock::now();
}

void StartTiming() { g_started = std::chrono::steady_clock::now(); }

double ElapsedTime(bool restart) {
  const auto now = std::chrono::steady_clock::now();
  const double seconds = std::chrono::duration<double>(now - g_started).count();
  if (restart) g_started = now;
  return seconds;
}
