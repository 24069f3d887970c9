// Statistics shared by the lists: dispersion, overlap, shares of a total, the association
// measures of collocates and word pairs, shuffled orders. Each formula lives here only.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/rtl/ustring.h"

// How evenly a word's occurrences spread over n equal divisions of a corpus or text (the
// counts per division): Juilland's D, between 0 (all in one division) and 1 (even spread).
// 0 when there are fewer than two divisions or no occurrence at all.
double DispersionValue(std::span<const int32_t> counts);

// Dice's coefficient of two sets with `shared` members in common: 2 * shared / (a + b);
// 0 when both sets are empty.
double Dice_Coefficient(int64_t shared, int64_t a, int64_t b);

// Number display kinds of shares (the settings store's words-per-million choice).
enum : int {
  kShareDefault = 0,  // as a percentage
  kSharePercent = 2,
  kSharePerThousand = 3,
  kSharePerMillion = 4,
};
// value as a share of total in the display kind; 0 when total is not positive.
double AsPercentOrPPMOfTotal(double total, int display_kind, double value);

// Mean and sample standard deviation (n - 1) of a set of values; both 0 for an empty set, the
// deviation 0 for a single value.
void MeanAndStdDev(std::span<const float> values, double& mean, double& sd);

// --- association measures --------------------------------------------------------------------
// The eleven measures in their stored order (collocate rows and relationship rows keep them in
// this order).
enum TRelationshipStats : int {
  kRelDice = 0,
  kRelMI = 1,
  kRelMI3 = 2,
  kRelZScore = 3,
  kRelLogLikelihood = 4,
  kRelTScore = 5,
  kRelLogRatio = 6,
  kRelCondProbA = 7,
  kRelCondProbB = 8,
  kRelDeltaPA = 9,
  kRelDeltaPB = 10,
};
inline constexpr int kRelationshipStatsCount = 11;

// The measure's short name ("MI", "log-likelihood", ...); "" outside 0..10.
UString RelationshipAsString(int stat);

// The words around a node that a collocation window covers: so many to the left and to the right.
struct TSpanPair {
  int32_t left = 0;
  int32_t right = 0;
};

// One association measure of a word pair: joint = how often word 2 occurs within the span of
// word 1, freq1 and freq2 the words' own frequencies, total the running words of the corpus.
// A measure whose formula is undefined for these counts (a zero frequency or total, a
// logarithm of 0) gives 0.
double RelationshipComputation(int stat, double joint, double freq1, double freq2, double total,
                               TSpanPair span);

// A random order of the numbers 0 .. n-1 (a uniform shuffle); the same seed gives the same order.
class TShuffledNumbers {
 public:
  explicit TShuffledNumbers(int32_t n, uint64_t seed);
  // Seeded from the clock.
  explicit TShuffledNumbers(int32_t n);
  int32_t Count() const { return static_cast<int32_t>(order_.size()); }
  // The number at position i; -1 outside 0 .. Count()-1.
  int32_t Number(int32_t i) const;

 private:
  void Shuffle(uint64_t seed);
  std::vector<int32_t> order_;
};
