// Waiting in the tests without a display: for a condition, never for a time. The bound only ends
// a hung test (a loaded machine makes the wait longer, never the test fail).
#pragma once

#include <chrono>
#include <thread>

template <typename F>
bool WaitFor(F cond, std::chrono::seconds bound = std::chrono::seconds(60)) {
  const auto until = std::chrono::steady_clock::now() + bound;
  while (!cond()) {
    if (std::chrono::steady_clock::now() > until) return cond();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}
