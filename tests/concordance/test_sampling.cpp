// Sampling draws: the same hit gets the same draw wherever and whenever it is met, and about one
// hit in `range` is kept.
#include <gtest/gtest.h>

#include <set>

#include "concordance/run/sampling.h"

TEST(Sampling, RangesOfZeroAndOneKeepEveryHit) {
  for (uint32_t range : {0u, 1u})
    for (int32_t hit = 0; hit < 1000; ++hit) EXPECT_TRUE(SampledIn(42, {3, 1, 0, hit}, range));
}

TEST(Sampling, ADrawDependsOnTheSeedAndThePlaceAlone) {
  const THitPlace a{7, 2, 1, 19};
  EXPECT_EQ(SamplingDraw(5, a, 1000), SamplingDraw(5, a, 1000));
  // Each part of the place and the seed changes the draw (checked over many neighbours).
  int differ[5] = {};
  for (int32_t k = 0; k < 200; ++k) {
    const THitPlace p{k, k, k, k};
    const uint32_t d = SamplingDraw(9, p, 1u << 30);
    differ[0] += d != SamplingDraw(10, p, 1u << 30);
    differ[1] += d != SamplingDraw(9, {k + 1, k, k, k}, 1u << 30);
    differ[2] += d != SamplingDraw(9, {k, k + 1, k, k}, 1u << 30);
    differ[3] += d != SamplingDraw(9, {k, k, k + 1, k}, 1u << 30);
    differ[4] += d != SamplingDraw(9, {k, k, k, k + 1}, 1u << 30);
  }
  for (int n : differ) EXPECT_EQ(n, 200);
}

TEST(Sampling, AboutOneHitInTheRangeIsKept) {
  // 200,000 hits at a range of 10: 20,000 expected, standard deviation about 134.
  int kept = 0;
  std::set<uint32_t> draws;
  for (int32_t i = 0; i < 200000; ++i) {
    const THitPlace p{i / 5000, (i / 1000) % 5, i % 3, i % 1000};
    const uint32_t d = SamplingDraw(123456789, p, 10);
    ASSERT_LT(d, 10u);
    draws.insert(d);
    kept += d == 0;
  }
  EXPECT_EQ(draws.size(), 10u);
  EXPECT_NEAR(kept, 20000, 700);
}
