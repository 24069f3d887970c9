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
  kShareDefault = 0,  // the default: counts where a list has them, else a percentage
  kSharePercent = 2,
  kSharePerThousand = 3,
  kSharePerMillion = 4,
};
// value as a share of total in the display kind; 0 when total is not positive.
double AsPercentOrPPMOfTotal(double total, int display_kind, double value);
// The display kind of a stored number display (the View menu's choice): 1 and 2 are percent; a
// value the menu does not know is the default.
int ShareDisplayOf(uint8_t stored);
// The unit a heading names for a display kind: "%", "per 1,000", "per million"; "" for the default.
UString ShareUnitText(int display_kind);

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

// --- keyness -------------------------------------------------------------------------------------
// A word found a times in a study corpus of n1 running words and b times in a reference corpus of
// n2 running words, as the 2x2 table (a, b / n1 - a, n2 - b).

// Log-likelihood (G squared) of the full 2x2 table of observed counts; 0 when a row or column of
// the table is empty. Keyness and collocate association use this one routine.
double LogLikelihood2x2(double a, double b, double c, double d);
// Pearson's chi-square of the 2x2 table, without continuity correction; 0 as above.
double ChiSquare2x2(double a, double b, double c, double d);

enum TKeynessProcedure : uint8_t {
  kKeynessLogLikelihood = 0,
  kKeynessChiSquare = 1,
};
// The keyness of a word: the chosen statistic, negative when the word's share of the study corpus
// is below its share of the reference corpus. 0 when either corpus is empty.
double KeynessOf(int64_t a, int64_t n1, int64_t b, int64_t n2, uint8_t procedure);
// The probability of a keyness this large or larger by chance (one degree of freedom):
// erfc(sqrt(|keyness| / 2)).
double KeynessProbability(double keyness);
// BIC = G squared - ln(n1 + n2), the log-likelihood taken unsigned.
double BICOfKeyness(double log_likelihood, int64_t n1, int64_t n2);
// log2 of the ratio of the two shares; a frequency of 0 is taken as 0.5. 0 when a corpus is empty.
double LogRatioOf(int64_t a, int64_t n1, int64_t b, int64_t n2);
// A score that orders negative keywords below every positive one: -|value| when negative.
double FloatCorrectedIfBelowZero(double value, bool negative);

// The number of texts of a row as a column shows it: n, or the missing value (-999999) for a list
// made from one text.
float NFilesCorrected(int32_t n, bool one_text);
// The section (0 .. divisions - 1) that a position of a text of total positions falls in: the
// first section whose end lies above the position, so that every position lands in a section.
// Positions below 0 fall in section 0, those at or beyond the total in the last.
int32_t CorrectDivision(int64_t position, int64_t total, int32_t divisions);
inline constexpr int32_t kDefaultDispersionDivisions = 8;

// --- pairs of n items, one slot each ----------------------------------------------------------
// The slots of the pairs (x, y), x < y, of n items, row after row: (0,1) (0,2) .. (0,n-1) (1,2) ..
// The number of slots for the pairs of m + 1 items: m (m + 1) / 2 (0 for m below 1).
int64_t SingleArrayLengthForXInterRelationships(int64_t m);
// The slot of the pair (x, y) of n items, in either order; -1 when x = y or either is outside
// 0 .. n-1.
int64_t SingleArrayPosForXYValue(int64_t x, int64_t y, int64_t n);

// --- word types with their frequencies ------------------------------------------------------
// A bag of cardinal numbers (word-type numbers): numbers are added in any order and counted, and
// Sort() turns what was added into (number, frequency) pairs in ascending number order. Look-ups
// and removals work on the sorted pairs.
class TCardinalAndFreqList {
 public:
  struct TItem {
    uint32_t number;
    int32_t freq;
  };
  // Adds one occurrence; it is counted at the next Sort().
  void Add(uint32_t number) { pending_.push_back(number); }
  // Merges the numbers added since the last Sort() into the sorted pairs.
  void Sort();
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  const TItem& Item(int32_t i) const { return items_[static_cast<size_t>(i)]; }
  const std::vector<TItem>& Items() const { return items_; }
  // The position of number among the sorted pairs; -1 when it is not there.
  int32_t IndexOf(uint32_t number) const;
  // Removes the pairs for which drop(item) is true; the others keep their order.
  template <class F>
  void RemoveIf(F drop) {
    std::erase_if(items_, drop);
  }
  void Clear() {
    items_.clear();
    pending_.clear();
  }

 private:
  std::vector<TItem> items_;
  std::vector<uint32_t> pending_;
};

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
