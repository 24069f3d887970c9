#include "platform/runtime/job_token.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "platform/runtime/vx_runtime.h"

namespace {

int64_t SteadyMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

TStopState FromPanicState(uint8_t panic) {
  if (panic >= kPanicStopNow) return TStopState::StopNow;
  if (panic == kPanicEndOfText) return TStopState::EndOfText;
  return TStopState::None;
}

constexpr int32_t kMaxWorkers = 64;

}  // namespace

int32_t JobWorkerThreads(int32_t requested) {
  if (requested > 0) return std::min(requested, kMaxWorkers);
  if (const char* env = std::getenv("LINZORA_THREADS")) {
    const int n = std::atoi(env);
    if (n > 0) return std::min(n, kMaxWorkers);
  }
  return std::clamp(static_cast<int32_t>(std::thread::hardware_concurrency()), 1, kMaxWorkers);
}

TJobToken::TJobToken(TProgressSink sink, TClock clock)
    : owner_(std::this_thread::get_id()), sink_(std::move(sink)), clock_(clock ? std::move(clock) : TClock(SteadyMilliseconds)) {}

TStopState TJobToken::Stop() const {
  const uint8_t own = requested_.load(std::memory_order_acquire);
  const uint8_t global = static_cast<uint8_t>(FromPanicState(global_panic_state.load(std::memory_order_acquire)));
  return static_cast<TStopState>(std::max(own, global));
}

void TJobToken::RequestStop(TStopState state) {
  const auto want = static_cast<uint8_t>(state);
  uint8_t now = requested_.load(std::memory_order_relaxed);
  while (now < want && !requested_.compare_exchange_weak(now, want, std::memory_order_acq_rel)) {
  }
}

void TJobToken::Show(int64_t now) {
  shown_once_ = true;
  last_shown_ms_ = now;
  if (sink_) sink_(Done(), Total());
}

TStopState TJobToken::Poll() {
  if (OnOwnerThread()) {
    const int64_t now = clock_();
    if (!shown_once_ || now - last_shown_ms_ >= kProgressIntervalMs) {
      Show(now);
      // The window layer's pump, where the user's stop request arrives; the hook itself refuses
      // to run on any thread but the one that installed it.
      MyYieldProcess();
    }
  }
  return Stop();
}

void TJobToken::Flush() {
  if (OnOwnerThread()) Show(clock_());
}
