// Work over a range of items cut into one piece per worker.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <vector>

// The pieces ParallelFor cuts `count` items into on `threads` workers, each of at least `grain`
// items (a thread costs more than a few thousand cheap steps); at least one.
inline size_t ParallelPieces(int threads, size_t count, size_t grain = 4096) {
  return std::min<size_t>(size_t(std::max(threads, 1)), std::max<size_t>(count / std::max<size_t>(grain, 1), 1));
}

// Runs run(context, piece) for every piece in [0, pieces), each once: the calling thread and the
// workers of a pool kept for the whole program share them, so that a call costs no thread starts.
// The pool grows, on first need, to as many workers as the most pieces asked for (less the
// caller). A call made from inside a piece (a nested call) runs its pieces one after another on
// its own thread, so that no piece ever waits for a worker that is waiting for it; so do calls
// once the pool has been shut down with the program. Several callers at once each take their own
// pieces as well, so a call ends even when every worker is busy with others'. `run` must not throw.
void RunPiecesOnWorkers(size_t pieces, void (*run)(void* context, size_t piece), void* context);

// Runs every task once, side by side: the calling thread runs the first and a thread of its own
// each of the others. A task is a caller of the pool like any other, not a piece: its own
// ParallelFor calls share the pool's workers with the other tasks', so while one task runs a
// part that cannot spread, the workers go on with the others' pieces. On one thread, called from
// inside a piece, or where the system refuses a thread, the tasks (or those left) run on the
// calling thread in order. An exception in any task is thrown again here once all have ended
// (the first task's in order, when several throw).
void RunSideBySide(int threads, const std::vector<std::function<void()>>& tasks);

// Runs fn(piece, begin, end) over [0, count) cut into ParallelPieces in order, on the pool's
// workers and the calling thread. An exception in any piece is thrown again here once all have
// finished (the first piece's in order, when several throw).
template <typename F>
void ParallelForPieces(int threads, size_t count, F&& fn, size_t grain = 4096) {
  const size_t pieces = ParallelPieces(threads, count, grain);
  if (pieces <= 1) {
    fn(size_t(0), size_t(0), count);
    return;
  }
  struct TCall {
    F& fn;
    size_t count, pieces;
    std::vector<std::exception_ptr> errors;
  } call{fn, count, pieces, std::vector<std::exception_ptr>(pieces)};
  RunPiecesOnWorkers(
      pieces,
      [](void* context, size_t p) {
        TCall& c = *static_cast<TCall*>(context);
        try {
          c.fn(p, c.count * p / c.pieces, c.count * (p + 1) / c.pieces);
        } catch (...) {
          c.errors[p] = std::current_exception();
        }
      },
      &call);
  for (auto& e : call.errors)
    if (e) std::rethrow_exception(e);
}

// Runs fn(begin, end) over [0, count) as ParallelForPieces does.
template <typename F>
void ParallelFor(int threads, size_t count, F&& fn, size_t grain = 4096) {
  ParallelForPieces(threads, count, [&](size_t, size_t b, size_t e) { fn(b, e); }, grain);
}

// Runs fn(chunk, runner) for every chunk in [0, chunks), each once, on at most `threads` runners
// (runner numbers from 0): a runner takes the next chunk not yet taken whenever it is done with
// one, so that a runner that starts late (its workers busy with other callers' work) or is slowed
// takes fewer chunks instead of holding the rest back. A runner meets its chunks in increasing
// order. fn must not throw.
template <class F>
void ForChunksInTurn(int threads, size_t chunks, F&& fn) {
  const size_t runners = std::min<size_t>(static_cast<size_t>(std::max(threads, 1)), chunks);
  if (runners <= 1) {
    for (size_t c = 0; c < chunks; ++c) fn(c, size_t{0});
    return;
  }
  std::atomic<size_t> next{0};
  ParallelForPieces(
      static_cast<int>(runners), runners,
      [&](size_t runner, size_t, size_t) {
        for (size_t c = next.fetch_add(1, std::memory_order_relaxed); c < chunks;
             c = next.fetch_add(1, std::memory_order_relaxed))
          fn(c, runner);
      },
      1);
}

// Sorts v on `threads` workers: pieces sorted side by side, then merged in pairs, round by
// round, each merge cut into parts that the workers share (a part of the first run with the
// items of the second that fall among it). `less` must tell any two items apart (no two
// equivalent), so that the order is the one a sort on one worker gives. The merge buffer is made
// by v's allocator, so a vector whose allocator leaves new items unwritten has it first touched
// by the merging workers.
template <typename T, typename Alloc, typename Less>
void ParallelSort(std::vector<T, Alloc>& v, int threads, Less less, size_t grain = size_t{1} << 14) {
  const size_t pieces = ParallelPieces(threads, v.size(), grain);
  if (pieces <= 1) {
    std::sort(v.begin(), v.end(), less);
    return;
  }
  std::vector<size_t> at(pieces + 1);
  for (size_t p = 0; p <= pieces; ++p) at[p] = v.size() * p / pieces;
  ParallelForPieces(
      static_cast<int>(pieces), pieces,
      [&](size_t, size_t b, size_t e) {
        for (size_t p = b; p < e; ++p) std::sort(v.begin() + at[p], v.begin() + at[p + 1], less);
      },
      1);
  struct TPart {
    size_t a, a_end, b, b_end;  // [a, a_end) of the first run and [b, b_end) of the second
    size_t out;                 // where the part goes: after every item of both runs before it
  };
  std::vector<T, Alloc> out(v.size());
  std::vector<TPart> parts;
  for (size_t width = 1; width < pieces; width *= 2) {
    parts.clear();
    const size_t pairs = (pieces + 2 * width - 1) / (2 * width);
    const size_t cuts = std::max<size_t>(1, pieces / pairs);
    for (size_t k = 0; k < pairs; ++k) {
      const size_t first = at[k * 2 * width];
      const size_t middle = at[std::min(pieces, k * 2 * width + width)];
      const size_t last = at[std::min(pieces, (k + 1) * 2 * width)];
      size_t a = first, b = middle;
      for (size_t j = 1; j <= cuts; ++j) {
        const size_t a_end = j == cuts ? middle : first + (middle - first) * j / cuts;
        const size_t b_end =
            j == cuts || a_end == middle ? last
                      : static_cast<size_t>(std::lower_bound(v.begin() + middle, v.begin() + last, v[a_end], less) -
                                            v.begin());
        parts.push_back({a, a_end, b, b_end, a + (b - middle)});
        a = a_end;
        b = b_end;
      }
    }
    ParallelForPieces(
        threads, parts.size(),
        [&](size_t, size_t from, size_t to) {
          for (size_t k = from; k < to; ++k) {
            const TPart& q = parts[k];
            std::merge(std::make_move_iterator(v.begin() + q.a), std::make_move_iterator(v.begin() + q.a_end),
                       std::make_move_iterator(v.begin() + q.b), std::make_move_iterator(v.begin() + q.b_end),
                       out.begin() + q.out, less);
          }
        },
        1);
    v.swap(out);
  }
}
