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
  // joint 10, f1 100, f2 50, N 10,000, span 2 left + 3 right: expected = 100*50*5/10000 = 2.5.
  const TSpanPair span{2, 3};
  auto r = [&](int s) { return RelationshipComputation(s, 10, 100, 50, 10000, span); };
  EXPECT_NEAR(r(kRelDice), 20.0 / 150.0, 1e-12);
  EXPECT_NEAR(r(kRelMI), 2.0, 1e-12);                    // log2(10 / 2.5)
  EXPECT_NEAR(r(kRelMI3), 8.643856189774725, 1e-12);     // log2(1000 / 2.5)
  EXPECT_NEAR(r(kRelZScore), 4.715672110291028, 1e-9);   // p = 50/9900, E = 500p
  EXPECT_NEAR(r(kRelLogLikelihood), 43.81371197162112, 1e-9);  // table 10, 90, 40, 9860
  EXPECT_NEAR(r(kRelTScore), 7.5 / std::sqrt(10.0), 1e-12);
  EXPECT_NEAR(r(kRelLogRatio), 4.6293566200796095, 1e-12);  // log2(0.1 / (40/9900))
  EXPECT_NEAR(r(kRelCondProbA), 0.1, 1e-12);
  EXPECT_NEAR(r(kRelCondProbB), 0.2, 1e-12);
  EXPECT_NEAR(r(kRelDeltaPA), 0.1 - 40.0 / 9900.0, 1e-12);
  EXPECT_NEAR(r(kRelDeltaPB), 0.2 - 90.0 / 9950.0, 1e-12);  // 10/50 - 90/(90 + 9860)
  // Undefined inputs give 0, never NaN or infinity.
  for (int s = 0; s < kRelationshipStatsCount; ++s) {
    EXPECT_EQ(RelationshipComputation(s, 0, 0, 50, 10000, span), 0.0) << s;
    EXPECT_EQ(RelationshipComputation(s, 3, 10, 50, 0, span), 0.0) << s;
    EXPECT_TRUE(std::isfinite(RelationshipComputation(s, 0, 10, 50, 1000, span))) << s;
  }
  EXPECT_EQ(RelationshipComputation(11, 10, 100, 50, 10000, span), 0.0);
  EXPECT_EQ(RelationshipAsString(kRelLogLikelihood), u"log-likelihood");
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
