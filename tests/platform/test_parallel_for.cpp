// Work cut into pieces over the workers: every item once, in pieces that follow each other, and
// a sort on many workers giving the order one worker gives.
#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <random>
#include <stdexcept>
#include <string>

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
