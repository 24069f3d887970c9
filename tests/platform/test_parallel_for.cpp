// Work cut into pieces over the workers: every item once, in pieces that follow each other, tasks
// side by side, and a sort on many workers giving the order one worker gives.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <numeric>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/runtime/parallel_for.h"

TEST(ParallelFor, PiecesCoverTheRangeInOrderOnce) {
  struct Case {
    int threads;
    size_t count, grain;
    size_t pieces;
  };
  for (const Case c : {Case{1, 100000, 16, 1}, Case{8, 100, 16, 6}, Case{8, 100000, 16, 8}, Case{8, 0, 16, 1},
                       Case{0, 50, 1, 1}, Case{64, 10, 1, 10}, Case{3, 7, 2, 3}}) {
    SCOPED_TRACE(testing::Message() << c.threads << " threads, " << c.count << " items");
    EXPECT_EQ(ParallelPieces(c.threads, c.count, c.grain), c.pieces);
    std::vector<std::atomic<int>> seen(c.count);
    std::vector<std::pair<size_t, size_t>> bounds(c.pieces);
    ParallelForPieces(
        c.threads, c.count,
        [&](size_t p, size_t b, size_t e) {
          bounds[p] = {b, e};
          for (size_t i = b; i < e; ++i) ++seen[i];
        },
        c.grain);
    for (size_t i = 0; i < c.count; ++i) ASSERT_EQ(seen[i].load(), 1) << i;
    for (size_t p = 0; p < c.pieces; ++p) {
      EXPECT_EQ(bounds[p].first, p == 0 ? 0 : bounds[p - 1].second);
      EXPECT_LE(bounds[p].first, bounds[p].second);
    }
    EXPECT_EQ(bounds.back().second, c.count);
  }
}

TEST(ParallelFor, AnExceptionInAPieceReachesTheCaller) {
  EXPECT_THROW(ParallelFor(
                   4, 4000, [](size_t b, size_t) { if (b > 0) throw std::runtime_error("piece"); }, 10),
               std::runtime_error);
}

// The workers are kept between calls: many calls in a row, calls from inside a piece (run on the
// piece's own thread), callers on several threads at once, and calls of few items or none.
TEST(ParallelFor, KeptWorkersServeEveryKindOfCall) {
  auto sum_of = [](int threads, size_t count, size_t grain) {
    std::vector<uint64_t> part(std::max<size_t>(1, ParallelPieces(threads, count, grain)), 0);
    ParallelForPieces(
        threads, count,
        [&](size_t p, size_t b, size_t e) {
          for (size_t i = b; i < e; ++i) part[p] += i;
        },
        grain);
    return std::accumulate(part.begin(), part.end(), uint64_t{0});
  };
  auto expected = [](size_t n) { return n == 0 ? uint64_t{0} : uint64_t{n} * (n - 1) / 2; };
  struct Case {
    int threads;
    size_t count, grain;
  };
  // None, one, fewer items than workers, more workers than the pool has had yet.
  for (const Case c : {Case{8, 0, 1}, Case{8, 1, 1}, Case{64, 3, 1}, Case{8, 5000, 1}, Case{300, 1000, 1},
                       Case{2, 10, 1}}) {
    SCOPED_TRACE(testing::Message() << c.threads << " threads, " << c.count << " items");
    EXPECT_EQ(sum_of(c.threads, c.count, c.grain), expected(c.count));
  }
  for (int call = 0; call < 2000; ++call) ASSERT_EQ(sum_of(1 + call % 9, 777, 1), expected(777)) << call;

  // Every piece of an outer call makes calls of its own, and a sort, which must not wait for
  // workers that are busy with the outer pieces.
  std::vector<uint64_t> inner(40, 0);
  std::vector<std::vector<int>> sorted(40);
  ParallelFor(
      8, inner.size(),
      [&](size_t b, size_t e) {
        for (size_t k = b; k < e; ++k) {
          inner[k] = sum_of(8, 1000 + k, 1);
          for (int i = 0; i < 3000; ++i) sorted[k].push_back((i * 7919 + static_cast<int>(k)) % 3001);
          ParallelSort(sorted[k], 8, std::less<int>(), 10);
        }
      },
      1);
  for (size_t k = 0; k < inner.size(); ++k) {
    EXPECT_EQ(inner[k], expected(1000 + k)) << k;
    EXPECT_TRUE(std::is_sorted(sorted[k].begin(), sorted[k].end())) << k;
  }

  // Several documents at once: callers on their own threads, sharing the workers.
  std::vector<int> wrong(6, 0);
  std::vector<std::thread> callers;
  for (size_t c = 0; c < wrong.size(); ++c)
    callers.emplace_back([&, c] {
      for (int call = 0; call < 300; ++call)
        if (sum_of(8, 2000 + c, 1) != expected(2000 + c)) ++wrong[c];
    });
  for (std::thread& t : callers) t.join();
  for (size_t c = 0; c < wrong.size(); ++c) EXPECT_EQ(wrong[c], 0) << c;
}

TEST(ParallelFor, ExceptionsReachTheCallerAfterEveryPiece) {
  // The first piece (the caller's), a worker's piece, every piece, and a nested call's piece: the
  // caller sees the exception once every piece has run, and the workers serve the next call.
  for (int thrower : {0, 5, -1}) {
    SCOPED_TRACE(thrower);
    std::atomic<int> ran{0};
    EXPECT_THROW(ParallelForPieces(
                     8, 8,
                     [&](size_t p, size_t, size_t) {
                       ++ran;
                       if (thrower < 0 || static_cast<int>(p) == thrower) throw std::runtime_error("piece");
                     },
                     1),
                 std::runtime_error);
    EXPECT_EQ(ran.load(), 8);
  }
  EXPECT_THROW(ParallelFor(
                   4, 4, [](size_t, size_t) { ParallelFor(4, 4, [](size_t b, size_t) { if (b == 3) throw std::out_of_range("inner"); }, 1); },
                   1),
               std::out_of_range);
  std::atomic<size_t> after{0};
  ParallelFor(8, 800, [&](size_t b, size_t e) { after += e - b; }, 1);
  EXPECT_EQ(after.load(), 800u);
}

// Tasks side by side: each runs once, on its own thread where there are several (the first on
// the caller's), their own calls spreading over the shared workers; on one thread or inside a
// piece they run in order on the caller's thread; exceptions reach the caller after every task.
TEST(ParallelFor, TasksSideBySideEachRunOnceAndSpreadTheirOwnCalls) {
  auto sum_of = [](int threads, size_t count) {
    std::vector<uint64_t> part(ParallelPieces(threads, count, 1), 0);
    ParallelForPieces(
        threads, count,
        [&](size_t p, size_t b, size_t e) {
          for (size_t i = b; i < e; ++i) part[p] += i;
        },
        1);
    return std::accumulate(part.begin(), part.end(), uint64_t{0});
  };
  struct Case {
    int threads;
    size_t tasks;
    bool inside_a_piece;
    bool own_threads;  // the tasks after the first run off the caller's thread
  };
  for (const Case c : {Case{8, 5, false, true}, Case{2, 9, false, true}, Case{1, 4, false, false},
                       Case{0, 3, false, false}, Case{8, 1, false, false}, Case{8, 0, false, false},
                       Case{8, 4, true, false}}) {
    SCOPED_TRACE(testing::Message() << c.threads << " threads, " << c.tasks << " tasks"
                                    << (c.inside_a_piece ? ", inside a piece" : ""));
    std::vector<int> runs(c.tasks, 0);
    std::vector<uint64_t> sums(c.tasks, 0);
    std::vector<std::thread::id> ran_on(c.tasks);
    std::vector<int> order;
    std::mutex order_lock;
    std::thread::id caller;
    std::vector<std::function<void()>> tasks;
    for (size_t k = 0; k < c.tasks; ++k)
      tasks.push_back([&, k] {
        ++runs[k];
        ran_on[k] = std::this_thread::get_id();
        sums[k] = sum_of(8, 3000 + k);
        std::lock_guard<std::mutex> hold(order_lock);
        order.push_back(static_cast<int>(k));
      });
    auto run = [&] {
      caller = std::this_thread::get_id();
      RunSideBySide(c.threads, tasks);
    };
    if (c.inside_a_piece)
      ParallelFor(2, 2, [&](size_t b, size_t) { if (b == 0) run(); }, 1);
    else
      run();
    for (size_t k = 0; k < c.tasks; ++k) {
      EXPECT_EQ(runs[k], 1) << k;
      EXPECT_EQ(sums[k], uint64_t{3000 + k} * (2999 + k) / 2) << k;
      EXPECT_EQ(ran_on[k] == caller, k == 0 || !c.own_threads) << k;
    }
    if (!c.own_threads) {
      std::vector<int> in_turn(c.tasks);
      std::iota(in_turn.begin(), in_turn.end(), 0);
      EXPECT_EQ(order, in_turn);
    }
  }
  // An empty task is passed over; a throwing one leaves the others to finish.
  for (int thrower : {0, 2}) {
    std::atomic<int> ran{0};
    std::vector<std::function<void()>> tasks{{}, [&] { ++ran; }, [&] { ++ran; }, [&] { ++ran; }};
    tasks[static_cast<size_t>(thrower)] = [&] {
      ++ran;
      throw std::runtime_error("task");
    };
    EXPECT_THROW(RunSideBySide(4, tasks), std::runtime_error) << thrower;
    EXPECT_EQ(ran.load(), thrower == 0 ? 4 : 3) << thrower;
  }
}

TEST(ParallelSort, ManyWorkersGiveTheOrderOneGives) {
  struct Item {
    int key;
    std::string text;
    uint32_t index;
  };
  // Few distinct keys and texts, so that only the last tie-break tells many items apart.
  auto less = [](const Item& a, const Item& b) {
    if (a.key != b.key) return a.key > b.key;
    if (a.text != b.text) return a.text < b.text;
    return a.index < b.index;
  };
  std::mt19937 rng(3);
  for (size_t n : {size_t{0}, size_t{1}, size_t{5}, size_t{1000}, size_t{40001}, size_t{100000}}) {
    std::vector<Item> items(n);
    for (size_t i = 0; i < n; ++i)
      items[i] = {static_cast<int>(rng() % 7), std::string(1 + rng() % 3, static_cast<char>('a' + rng() % 3)),
                  static_cast<uint32_t>(i)};
    std::vector<Item> one = items;
    std::sort(one.begin(), one.end(), less);
    for (int threads : {1, 2, 3, 8, 13}) {
      SCOPED_TRACE(testing::Message() << n << " items on " << threads);
      std::vector<Item> many = items;
      ParallelSort(many, threads, less, 100);
      ASSERT_EQ(many.size(), one.size());
      for (size_t i = 0; i < n; ++i) ASSERT_EQ(many[i].index, one[i].index) << i;
    }
  }
}
