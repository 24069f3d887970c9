#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "platform/runtime/vx_maths.h"

TEST(RuntimeMaths, DispersionIsJuillandsD) {
  // Even spread: D = 1; everything in one division: D = 0.
  EXPECT_DOUBLE_EQ(DispersionValue(std::vector<int32_t>{4, 4, 4, 4}), 1.0);
  EXPECT_NEAR(DispersionValue(std::vector<int32_t>{16, 0, 0, 0}), 0.0, 1e-12);
  // 2,4,6,8: mean 5, population sd sqrt(5), V = sqrt(5)/5, D = 1 - V/sqrt(3) = 0.741801...
  EXPECT_NEAR(DispersionValue(std::vector<int32_t>{2, 4, 6, 8}), 0.7418011102528388, 1e-12);
  // 3,1: mean 2, sd 1, V = 0.5, n - 1 = 1: D = 0.5.
  EXPECT_NEAR(DispersionValue(std::vector<int32_t>{3, 1}), 0.5, 1e-12);
  // Nothing to measure.
  for (const auto& v : {std::vector<int32_t>{}, {7}, {0, 0, 0}}) EXPECT_EQ(DispersionValue(v), 0.0);
}

TEST(RuntimeMaths, DiceSharesAndMeans) {
  EXPECT_DOUBLE_EQ(Dice_Coefficient(3, 5, 7), 0.5);
  EXPECT_DOUBLE_EQ(Dice_Coefficient(4, 4, 4), 1.0);
  EXPECT_EQ(Dice_Coefficient(0, 0, 0), 0.0);

  EXPECT_DOUBLE_EQ(AsPercentOrPPMOfTotal(200, kShareDefault, 5), 2.5);
  EXPECT_DOUBLE_EQ(AsPercentOrPPMOfTotal(200, kSharePerThousand, 5), 25.0);
  EXPECT_DOUBLE_EQ(AsPercentOrPPMOfTotal(200, kSharePerMillion, 5), 25000.0);
  EXPECT_EQ(AsPercentOrPPMOfTotal(0, kSharePercent, 5), 0.0);

  double mean = 0, sd = 0;
  const std::vector<float> v = {2, 4, 4, 4, 5, 5, 7, 9};
  MeanAndStdDev(v, mean, sd);
  EXPECT_DOUBLE_EQ(mean, 5.0);
  EXPECT_NEAR(sd, 2.138089935299395, 1e-12);  // sqrt(32 / 7)
  MeanAndStdDev(std::vector<float>{3}, mean, sd);
  EXPECT_TRUE(mean == 3.0 && sd == 0.0);
}

TEST(RuntimeMaths, AssociationMeasuresAgainstHandValues) {
  // joint 10, f1 100, f2 50, N 10,000, span 2 left + 3 right: expected = 100*50*5/10000 = 2.5; the
  // table counts words: 500 within the spans, a = 10, b = 490, c = 40, d = 9460.
  const TSpanPair span{2, 3};
  auto r = [&](int s) { return RelationshipComputation(s, 10, 100, 50, 10000, span); };
  EXPECT_NEAR(r(kRelDice), 20.0 / 150.0, 1e-12);
  EXPECT_NEAR(r(kRelMI), 2.0, 1e-12);                    // log2(10 / 2.5)
  EXPECT_NEAR(r(kRelMI3), 8.643856189774725, 1e-12);     // log2(1000 / 2.5)
  EXPECT_NEAR(r(kRelZScore), 4.715672110291028, 1e-9);   // p = 50/9900, E = 500p
  EXPECT_NEAR(r(kRelLogLikelihood), 14.097453717588396, 1e-9);  // table 10, 490, 40, 9460
  EXPECT_NEAR(r(kRelTScore), 7.5 / std::sqrt(10.0), 1e-12);
  EXPECT_NEAR(r(kRelLogRatio), std::log2(4.75), 1e-12);  // log2((10/500) / (40/9500))
  EXPECT_NEAR(r(kRelCondProbA), 0.02, 1e-12);            // 10 / 500
  EXPECT_NEAR(r(kRelCondProbB), 0.2, 1e-12);
  EXPECT_NEAR(r(kRelDeltaPA), 0.02 - 40.0 / 9500.0, 1e-12);
  EXPECT_NEAR(r(kRelDeltaPB), 0.2 - 490.0 / 9950.0, 1e-12);  // 10/50 - 490/(490 + 9460)
  // Undefined inputs give 0, never NaN or infinity.
  for (int s = 0; s < kRelationshipStatsCount; ++s) {
    EXPECT_EQ(RelationshipComputation(s, 0, 0, 50, 10000, span), 0.0) << s;
    EXPECT_EQ(RelationshipComputation(s, 3, 10, 50, 0, span), 0.0) << s;
    EXPECT_TRUE(std::isfinite(RelationshipComputation(s, 0, 10, 50, 1000, span))) << s;
  }
  EXPECT_EQ(RelationshipComputation(11, 10, 100, 50, 10000, span), 0.0);
  EXPECT_EQ(RelationshipAsString(kRelLogLikelihood), u"log-likelihood");
}

// Words that occur independently of each other (joint = f1 x f2 x span / N, as often near the
// search word as anywhere) are not associated: log ratio, delta P and log-likelihood 0, and the
// conditional probability A the collocate's share of all words. Probabilities stay within 0..1
// also where a frequent word stands more often in the spans than the search word occurs (the
// in the spans of government) or a collocate is counted in two overlapping spans.
TEST(RuntimeMaths, AssociationOfIndependentWordsAndProbabilitiesInRange) {
  struct TCase {
    const char* name;
    double joint, f1, f2, n;
    TSpanPair span;
  } independent[] = {
      {"the beside government", 4140, 6900, 60000, 1000000, {5, 5}},
      {"of beside a rare word", 60, 20, 30000, 100000, {5, 5}},
      {"a mid word, span 2 + 3", 50, 100, 1000, 10000, {2, 3}},
  };
  for (const TCase& c : independent) {
    SCOPED_TRACE(c.name);
    ASSERT_DOUBLE_EQ(c.joint, c.f1 * c.f2 * (c.span.left + c.span.right) / c.n);
    auto r = [&](int s) { return RelationshipComputation(s, c.joint, c.f1, c.f2, c.n, c.span); };
    EXPECT_NEAR(r(kRelMI), 0.0, 1e-9);
    EXPECT_NEAR(r(kRelLogRatio), 0.0, 1e-9);
    EXPECT_NEAR(r(kRelDeltaPA), 0.0, 1e-9);
    EXPECT_NEAR(r(kRelDeltaPB), 0.0, 1e-9);
    EXPECT_NEAR(r(kRelLogLikelihood), 0.0, 1e-6);
    EXPECT_NEAR(r(kRelCondProbA), c.f2 / c.n, 1e-12);
  }
  const TCase strong[] = {
      {"the 1.33 times per government", 9180, 6903, 60000, 1000000, {5, 5}},
      {"every collocate in the spans", 3000, 300, 3000, 100000, {5, 5}},
      {"counted in two overlapping spans", 45, 10, 40, 1000, {5, 5}},
  };
  for (const TCase& c : strong) {
    SCOPED_TRACE(c.name);
    for (int s : {kRelDice, kRelCondProbA, kRelCondProbB}) {
      const double v = RelationshipComputation(s, c.joint, c.f1, c.f2, c.n, c.span);
      EXPECT_GE(v, 0.0) << Utf16ToUtf8(RelationshipAsString(s));
      EXPECT_LE(v, 1.0) << Utf16ToUtf8(RelationshipAsString(s));
    }
    for (int s : {kRelDeltaPA, kRelDeltaPB}) {
      const double v = RelationshipComputation(s, c.joint, c.f1, c.f2, c.n, c.span);
      EXPECT_GE(v, -1.0) << Utf16ToUtf8(RelationshipAsString(s));
      EXPECT_LE(v, 1.0) << Utf16ToUtf8(RelationshipAsString(s));
    }
  }
}

TEST(RuntimeMaths, ShuffledNumbersArePermutations) {
  TShuffledNumbers a(100, 42), b(100, 42), c(100, 43);
  std::vector<int32_t> va, vc;
  for (int i = 0; i < a.Count(); ++i) {
    va.push_back(a.Number(i));
    EXPECT_EQ(a.Number(i), b.Number(i));
    vc.push_back(c.Number(i));
  }
  EXPECT_NE(va, vc);
  std::sort(va.begin(), va.end());
  for (int i = 0; i < 100; ++i) EXPECT_EQ(va[i], i);
  EXPECT_EQ(a.Number(-1) + a.Number(100), -2);
  EXPECT_EQ(TShuffledNumbers(-5, 1).Count(), 0);
  EXPECT_EQ(TShuffledNumbers(1, 9).Number(0), 0);
}
