// The job token: what a running job hands to whoever does its work, so that the work can learn
// whether to stop and can say how far it got, without pumping events itself.
//
// Contract
//   - The job makes one token on its own thread (the owner: the thread that shows progress and
//     runs the window layer's yield hook) and hands it to readers, tag handlers and engines,
//     whichever thread they run on.
//   - The work calls Poll() between texts or between chunks, never inside an algorithm (a sort, a
//     tree walk, a tag scan): what the yield hook runs may change lists, and an algorithm half-way
//     through a list must not see that.
//   - Stop state: None (run on), EndOfText (finish the current text, then stop), StopNow. It is
//     the higher of the token's own request (RequestStop, from any thread) and the program's stop
//     flag (global_panic_state, set by the windows). Reading it is safe on any thread.
//   - Progress: SetTotal, SetDone and AddDone store atomically from any thread. On the owner
//     thread, Poll() shows the latest figures to the progress sink and runs the yield hook, at
//     most once in any 50 ms (kProgressIntervalMs) of the token's clock; on any other thread it
//     only answers the stop state. Flush() (owner only) shows the latest figures at once, for
//     the end of a job.
//   - The clock is injectable (milliseconds, never going back) so that tests need no waiting.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

enum class TStopState : uint8_t { None = 0, EndOfText = 1, StopNow = 2 };

// The workers a job spreads over when asked for `requested`: that many (at most 64); for 0 or
// less, the LINZORA_THREADS variable when it holds a number above 0, else one per core.
int32_t JobWorkerThreads(int32_t requested);

class TJobToken {
 public:
  using TProgressSink = std::function<void(int64_t done, int64_t total)>;
  using TClock = std::function<int64_t()>;  // milliseconds
  static constexpr int64_t kProgressIntervalMs = 50;

  // sink may be empty (no progress shown); an empty clock is the system's steady clock.
  explicit TJobToken(TProgressSink sink = {}, TClock clock = {});
  TJobToken(const TJobToken&) = delete;
  TJobToken& operator=(const TJobToken&) = delete;

  TStopState Stop() const;
  bool StopNow() const { return Stop() == TStopState::StopNow; }
  // True once the current text is the last one to finish (EndOfText or StopNow).
  bool EndAfterThisText() const { return Stop() != TStopState::None; }
  // Raises the token's own stop request; a lower state than the present one changes nothing.
  void RequestStop(TStopState state);

  void SetTotal(int64_t total) { total_.store(total, std::memory_order_relaxed); }
  void SetDone(int64_t done) { done_.store(done, std::memory_order_relaxed); }
  void AddDone(int64_t n) { done_.fetch_add(n, std::memory_order_relaxed); }
  int64_t Done() const { return done_.load(std::memory_order_relaxed); }
  int64_t Total() const { return total_.load(std::memory_order_relaxed); }

  // The call between texts or chunks; answers the stop state (after the hook ran, on the owner).
  TStopState Poll();
  // Owner only: shows the latest figures now (the last report of a job); elsewhere nothing.
  void Flush();

  bool OnOwnerThread() const { return std::this_thread::get_id() == owner_; }

 private:
  void Show(int64_t now);

  const std::thread::id owner_;
  TProgressSink sink_;
  TClock clock_;
  std::atomic<uint8_t> requested_{0};
  std::atomic<int64_t> done_{0};
  std::atomic<int64_t> total_{0};
  // Owner-thread only.
  bool shown_once_ = false;
  int64_t last_shown_ms_ = 0;
};
