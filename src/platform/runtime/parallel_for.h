// Work over a range of items cut into one piece per worker.
#pragma once

#include <algorithm>
#include <cstddef>
#include <exception>
#include <thread>
#include <vector>

// The pieces ParallelFor cuts `count` items into on `threads` workers, each of at least `grain`
// items (a thread costs more than a few thousand cheap steps); at least one.
inline size_t ParallelPieces(int threads, size_t count, size_t grain = 4096) {
  return std::min<size_t>(size_t(std::max(threads, 1)), std::max<size_t>(count / std::max<size_t>(grain, 1), 1));
}

// Runs fn(piece, begin, end) over [0, count) cut into ParallelPieces in order, one thread a piece;
// the calling thread takes the first piece. An exception in any piece is thrown again here once
// all have finished.
template <typename F>
void ParallelForPieces(int threads, size_t count, F&& fn, size_t grain = 4096) {
  const size_t pieces = ParallelPieces(threads, count, grain);
  if (pieces <= 1) {
    fn(size_t(0), size_t(0), count);
    return;
  }
  std::vector<std::exception_ptr> errors(pieces);
  std::vector<std::thread> workers;
  workers.reserve(pieces - 1);
  auto run = [&](size_t p) {
    try {
      fn(p, count * p / pieces, count * (p + 1) / pieces);
    } catch (...) {
      errors[p] = std::current_exception();
    }
  };
  for (size_t p = 1; p < pieces; ++p) workers.emplace_back(run, p);
  run(0);
  for (auto& w : workers) w.join();
  for (auto& e : errors)
    if (e) std::rethrow_exception(e);
}

// Runs fn(begin, end) over [0, count) as ParallelForPieces does.
template <typename F>
void ParallelFor(int threads, size_t count, F&& fn, size_t grain = 4096) {
  ParallelForPieces(threads, count, [&](size_t, size_t b, size_t e) { fn(b, e); }, grain);
}
