#include "platform/runtime/parallel_for.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// True on the pool's workers, and on a caller while its pieces run: a call from there runs inline.
thread_local bool tInsidePieces = false;

// Set once the pool is gone (the program is ending): calls after that run inline. A plain atomic
// flag outlives the pool it speaks of.
std::atomic<bool> gPoolGone{false};

// More workers than this are never started, however many are asked for: a call asking more
// still finishes, its caller and the workers sharing the pieces.
constexpr size_t kMostWorkers = 256;

// One call's pieces. It lives on the caller's stack: every touch of it by a worker is made under
// the pool's lock, and the caller leaves only once the last piece is counted done under that lock.
struct TJob {
  void (*run)(void*, size_t);
  void* context;
  size_t pieces;
  size_t next = 0;  // the next piece to hand out
  size_t done = 0;  // pieces finished
};

class TWorkerPool {
 public:
  ~TWorkerPool() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    gPoolGone = true;
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

  void Run(size_t pieces, void (*run)(void*, size_t), void* context) {
    TJob job{run, context, pieces};
    size_t waiting = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      const size_t wanted = std::min(pieces - 1, kMostWorkers);
      // Where the system refuses a thread, the workers there are (and the caller) do the pieces.
      try {
        while (threads_.size() < wanted) threads_.emplace_back([this] { Work(); });
      } catch (const std::system_error&) {
      }
      jobs_.push_back(&job);
      waiting = std::min(idle_, pieces - 1);
    }
    // Only as many workers as there are pieces for them are woken.
    for (size_t k = 0; k < waiting; ++k) wake_.notify_one();
    tInsidePieces = true;
    std::unique_lock<std::mutex> lock(mutex_);
    while (job.next < job.pieces) {
      const size_t p = Take(job);
      lock.unlock();
      job.run(job.context, p);
      lock.lock();
      ++job.done;
    }
    finished_.wait(lock, [&] { return job.done == job.pieces; });
    tInsidePieces = false;
  }

 private:
  // The next piece of `job`, which has one left; the job leaves the queue with its last piece.
  // Called under the lock.
  size_t Take(TJob& job) {
    const size_t p = job.next++;
    if (job.next == job.pieces) {
      for (auto it = jobs_.begin(); it != jobs_.end(); ++it)
        if (*it == &job) {
          jobs_.erase(it);
          break;
        }
    }
    return p;
  }

  void Work() {
    tInsidePieces = true;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      ++idle_;
      wake_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
      --idle_;
      if (stopping_) return;
      TJob& job = *jobs_.front();
      const size_t p = Take(job);
      lock.unlock();
      job.run(job.context, p);
      lock.lock();
      if (++job.done == job.pieces) finished_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;      // a job was queued, or the pool is stopping
  std::condition_variable finished_;  // some job's last piece is done
  std::deque<TJob*> jobs_;            // jobs with pieces not yet handed out, oldest first
  std::vector<std::thread> threads_;
  size_t idle_ = 0;  // workers waiting for a job
  bool stopping_ = false;
};

TWorkerPool& Pool() {
  static TWorkerPool pool;
  return pool;
}

}  // namespace

void RunPiecesOnWorkers(size_t pieces, void (*run)(void* context, size_t piece), void* context) {
  if (pieces <= 1 || tInsidePieces || gPoolGone) {
    for (size_t p = 0; p < pieces; ++p) run(context, p);
    return;
  }
  Pool().Run(pieces, run, context);
}

void RunSideBySide(int threads, const std::vector<std::function<void()>>& tasks) {
  std::vector<std::exception_ptr> errors(tasks.size());
  auto run = [&](size_t k) {
    try {
      if (tasks[k]) tasks[k]();
    } catch (...) {
      errors[k] = std::current_exception();
    }
  };
  std::vector<std::thread> started;
  size_t inline_from = tasks.size();
  if (threads > 1 && tasks.size() > 1 && !tInsidePieces && !gPoolGone) {
    started.reserve(tasks.size() - 1);
    for (size_t k = 1; k < tasks.size(); ++k) {
      try {
        started.emplace_back(run, k);
      } catch (const std::system_error&) {
        inline_from = k;
        break;
      }
    }
  } else {
    inline_from = 1;
  }
  if (!tasks.empty()) run(0);
  for (size_t k = inline_from; k < tasks.size(); ++k) run(k);
  for (std::thread& t : started) t.join();
  for (std::exception_ptr& e : errors)
    if (e) std::rethrow_exception(e);
}
