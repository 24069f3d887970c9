// The plain-window answers kept from one window to the next against the walks over the masks
// they stand for: windows asked in text order (a pass's hits), going back (the next item's pass)
// and reaching past the judged stretch, over masks with tags and blocks beyond ASCII placed at
// random, at block edges and nowhere.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "concordance/run/plain_windows.h"
#include "platform/search/fast_first_pass.h"

namespace {

// A pass result over characters [first, n): tags at the given characters, wide blocks as given.
TFastPassResult Found(int32_t first, int32_t n, const std::vector<int32_t>& tags, const std::vector<int32_t>& wide) {
  TFastPassResult f;
  f.first = first;
  f.n = n;
  const size_t blocks = static_cast<size_t>((n - first + 63) / 64);
  f.tag_masks.assign(blocks, 0);
  f.wide_blocks.assign((blocks + 63) / 64 + 1, 0);
  for (int32_t t : tags) f.tag_masks[static_cast<size_t>(t - first) / 64] |= uint64_t{1} << ((t - first) % 64);
  for (int32_t b : wide) f.wide_blocks[static_cast<size_t>(b) / 64] |= uint64_t{1} << (b % 64);
  f.any_tags = !tags.empty();
  f.all_ascii = wide.empty();
  return f;
}

bool Walked(const TFastPassResult& f, int32_t from, int32_t to) {
  return !AnyHiddenTag(f, from, to) && AllAsciiBetween(f, from, to);
}

TEST(PlainWindows, HandPlacedMarks) {
  // 64 carried characters, then 640 judged: a tag at 64 + 130, the block 5 beyond ASCII.
  const TFastPassResult f = Found(64, 704, {194}, {5});
  struct Case {
    int32_t from, to;
    bool plain;
  } cases[] = {
      {0, 64, true},      // the carried characters only
      {0, 194, true},     // up to the tag
      {0, 195, false},    // over it
      {194, 195, false},  // the tag alone
      {195, 384, true},   // after it, up to block 5 (characters 384 to 447)
      {195, 385, false},  // into block 5
      {447, 448, false},  // block 5's last character
      {448, 704, true},   // after block 5
      {448, 2000, true},  // past the judged stretch
      {700, 700, true},   // empty
  };
  TPlainWindows kept;
  for (const Case& c : cases) {
    EXPECT_EQ(kept.Plain(f, c.from, c.to), c.plain) << c.from << ".." << c.to;
    EXPECT_EQ(Walked(f, c.from, c.to), c.plain) << c.from << ".." << c.to;
  }
}

TEST(PlainWindows, AgreeWithTheWalksInAnyOrder) {
  std::mt19937 rng(52);
  for (int round = 0; round < 60; ++round) {
    const int32_t first = static_cast<int32_t>(rng() % 200);
    const int32_t n = first + 64 + static_cast<int32_t>(rng() % 5000);
    std::vector<int32_t> tags, wide;
    const int marks = static_cast<int>(rng() % 6);  // 0: none of either
    for (int i = 0; i < marks; ++i) {
      tags.push_back(first + static_cast<int32_t>(rng() % static_cast<uint32_t>(n - first)));
      if (rng() % 2) wide.push_back(static_cast<int32_t>(rng() % static_cast<uint32_t>((n - first + 63) / 64)));
    }
    const TFastPassResult f = Found(first, n, round % 3 == 0 ? std::vector<int32_t>{} : tags, wide);
    TPlainWindows kept;
    const int32_t width = 1 + static_cast<int32_t>(rng() % 1200);
    // Two passes over hits in text order (the second starting again), with jumps back between.
    for (int pass = 0; pass < 2; ++pass) {
      int32_t at = 0;
      while (at < n + width) {
        const int32_t from = std::max(0, at - width / 2);
        const int32_t to = std::min(n, from + width);
        ASSERT_EQ(kept.Plain(f, from, to), Walked(f, from, to)) << "round " << round << ": " << from << ".." << to;
        at += 1 + static_cast<int32_t>(rng() % (rng() % 4 == 0 ? 2000 : 300));
        if (rng() % 50 == 0) at = static_cast<int32_t>(rng() % static_cast<uint32_t>(n));
      }
    }
    kept.Reset();
  }
}

}  // namespace
