// Work over many items on worker threads, committed in item order on the calling thread: the
// one road of a run on one core and on many (with one worker the work runs inline, in order).
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Runs work(k) for k = 0..count-1 on `threads` workers (inline for one) and hands each result to
// commit on the calling thread in order of k; workers run at most 2 x threads texts ahead. commit
// answering false ends the run: texts not yet taken are not counted, results past k are dropped.
template <class Result, class Work, class Commit>
void RunInTextOrder(int32_t count, int32_t threads, Work&& work, Commit&& commit) {
  if (threads <= 1 || count <= 1) {
    for (int32_t k = 0; k < count; ++k) {
      Result r = work(k);
      if (!commit(k, r)) return;
    }
    return;
  }
  std::mutex m;
  // Workers wait for room in the window, the calling thread for the next text's result: each
  // side wakes only the other, and the calling thread only for the text it waits on.
  std::condition_variable room, result;
  std::vector<std::optional<Result>> ready(static_cast<size_t>(count));
  int32_t next = 0, committed = 0, waiting_for = -1;
  bool stop = false;
  const int32_t ahead = 2 * threads;
  auto worker = [&] {
    while (true) {
      int32_t k;
      {
        std::unique_lock<std::mutex> lock(m);
        room.wait(lock, [&] { return stop || next >= count || next < committed + ahead; });
        if (stop || next >= count) return;
        k = next++;
      }
      Result r = work(k);
      bool wanted;
      {
        std::lock_guard<std::mutex> lock(m);
        ready[static_cast<size_t>(k)] = std::move(r);
        wanted = k == waiting_for;
      }
      if (wanted) result.notify_one();
    }
  };
  std::vector<std::thread> pool;
  const int32_t n = std::min(threads, count);
  pool.reserve(static_cast<size_t>(n));
  for (int32_t t = 0; t < n; ++t) pool.emplace_back(worker);
  for (int32_t k = 0; k < count; ++k) {
    std::optional<Result> r;
    {
      std::unique_lock<std::mutex> lock(m);
      waiting_for = k;
      result.wait(lock, [&] { return ready[static_cast<size_t>(k)].has_value(); });
      r = std::move(ready[static_cast<size_t>(k)]);
      ready[static_cast<size_t>(k)].reset();
      committed = k + 1;
    }
    room.notify_one();
    if (!commit(k, *r)) {
      std::lock_guard<std::mutex> lock(m);
      stop = true;
      break;
    }
  }
  room.notify_all();
  for (std::thread& t : pool) t.join();
}
