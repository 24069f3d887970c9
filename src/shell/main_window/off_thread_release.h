// Objects handed over to be destroyed on a thread of their own, in the order given: a large
// document (hundreds of thousands of lines) takes about a tenth of a second to free, which the
// window's thread would otherwise spend before a new run can start.
//
// What is handed over belongs to the release thread from then on: nothing else may keep a
// pointer into it. WaitUntilReleased blocks until everything handed over so far is gone; the
// destructor waits likewise, so nothing outlives its owner.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class TOffThreadRelease {
 public:
  TOffThreadRelease() = default;
  TOffThreadRelease(const TOffThreadRelease&) = delete;
  TOffThreadRelease& operator=(const TOffThreadRelease&) = delete;
  ~TOffThreadRelease();

  template <class T>
  void Release(std::unique_ptr<T> object) {
    if (!object) return;
    Hand(TOwned(object.release(), [](void* p) { delete static_cast<T*>(p); }));
  }
  void WaitUntilReleased();
  // How many objects were destroyed so far, and the thread that destroyed the last one.
  int64_t ReleasedCount();
  std::thread::id LastReleasedOn();

 private:
  using TOwned = std::unique_ptr<void, void (*)(void*)>;
  void Hand(TOwned object);
  void Loop();
  std::mutex mutex_;
  std::condition_variable work_, done_;
  std::deque<TOwned> waiting_;
  bool busy_ = false, stop_ = false;
  int64_t released_ = 0;
  std::thread::id last_on_;
  std::thread thread_;
};
