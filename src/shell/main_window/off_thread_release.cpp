#include "shell/main_window/off_thread_release.h"

TOffThreadRelease::~TOffThreadRelease() {
  {
    std::lock_guard hold(mutex_);
    stop_ = true;
  }
  work_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void TOffThreadRelease::Hand(TOwned object) {
  {
    std::lock_guard hold(mutex_);
    waiting_.push_back(std::move(object));
    // The thread is started by the first hand-over: a window that never closes a document
    // keeps no idle thread.
    if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
  }
  work_.notify_one();
}

void TOffThreadRelease::Loop() {
  std::unique_lock hold(mutex_);
  for (;;) {
    work_.wait(hold, [this] { return stop_ || !waiting_.empty(); });
    if (waiting_.empty()) return;  // stopping, and everything handed over is gone
    TOwned next = std::move(waiting_.front());
    waiting_.pop_front();
    busy_ = true;
    hold.unlock();
    next.reset();
    hold.lock();
    busy_ = false;
    ++released_;
    last_on_ = std::this_thread::get_id();
    if (waiting_.empty()) done_.notify_all();
  }
}

void TOffThreadRelease::WaitUntilReleased() {
  std::unique_lock hold(mutex_);
  done_.wait(hold, [this] { return waiting_.empty() && !busy_; });
}

int64_t TOffThreadRelease::ReleasedCount() {
  std::lock_guard hold(mutex_);
  return released_;
}

std::thread::id TOffThreadRelease::LastReleasedOn() {
  std::lock_guard hold(mutex_);
  return last_on_;
}
