#include "platform/runtime/vx_maths.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numeric>
#include <random>

double DispersionValue(std::span<const int32_t> counts) {
  // Juilland's D = 1 - V / sqrt(n - 1), with V = s / mean the coefficient of variation of the
  // counts over the n divisions (s the population standard deviation). D falls to 0 when every
  // occurrence is in one division and reaches 1 when each division holds the same number.
  const size_t n = counts.size();
  if (n < 2) return 0.0;
  double sum = 0.0;
  for (int32_t c : counts) sum += c;
  if (sum <= 0.0) return 0.0;
  const double mean = sum / static_cast<double>(n);
  double squares = 0.0;
  for (int32_t c : counts) squares += (c - mean) * (c - mean);
  const double sd = std::sqrt(squares / static_cast<double>(n));
  const double d = 1.0 - (sd / mean) / std::sqrt(static_cast<double>(n - 1));
  // Negative counts are no counts; rounding must not push the value outside 0..1.
  return std::clamp(d, 0.0, 1.0);
}

double Dice_Coefficient(int64_t shared, int64_t a, int64_t b) {
  // D = 2 |A and B| / (|A| + |B|)
  const double sum = static_cast<double>(a) + static_cast<double>(b);
  if (sum <= 0.0) return 0.0;
  return 2.0 * static_cast<double>(shared) / sum;
}

double AsPercentOrPPMOfTotal(double total, int display_kind, double value) {
  // share = value / total, shown per hundred (default and percent), per thousand or per million.
  if (!(total > 0.0)) return 0.0;
  double scale = 100.0;
  if (display_kind == kSharePerThousand) scale = 1000.0;
  else if (display_kind == kSharePerMillion) scale = 1000000.0;
  return value * scale / total;
}

int ShareDisplayOf(uint8_t stored) {
  switch (stored) {
    case 1:
    case kSharePercent: return kSharePercent;
    case kSharePerThousand: return kSharePerThousand;
    case kSharePerMillion: return kSharePerMillion;
    default: return kShareDefault;
  }
}

UString ShareUnitText(int display_kind) {
  switch (display_kind) {
    case kSharePercent: return u"%";
    case kSharePerThousand: return u"per 1,000";
    case kSharePerMillion: return u"per million";
    default: return UString();
  }
}

void MeanAndStdDev(std::span<const float> values, double& mean, double& sd) {
  // mean = sum x / n; sd = sqrt(sum (x - mean)^2 / (n - 1))
  mean = 0.0;
  sd = 0.0;
  const size_t n = values.size();
  if (n == 0) return;
  double sum = 0.0;
  for (float v : values) sum += v;
  mean = sum / static_cast<double>(n);
  if (n < 2) return;
  double squares = 0.0;
  for (float v : values) squares += (v - mean) * (v - mean);
  sd = std::sqrt(squares / static_cast<double>(n - 1));
}

UString RelationshipAsString(int stat) {
  static const char16_t* const kNames[kRelationshipStatsCount] = {
      u"Dice",       u"MI",          u"MI3",           u"Z score",       u"log-likelihood", u"T score",
      u"log ratio",  u"cond. prob. A", u"cond. prob. B", u"delta P A", u"delta P B"};
  return stat >= 0 && stat < kRelationshipStatsCount ? UString(kNames[stat]) : UString();
}

namespace {

// O * ln(O / E), taken as 0 when O is 0 (its limit).
double LogLikelihoodTerm(double observed, double expected) {
  if (observed <= 0.0 || expected <= 0.0) return 0.0;
  return observed * std::log(observed / expected);
}

}  // namespace

double RelationshipComputation(int stat, double joint, double freq1, double freq2, double total,
                               TSpanPair span) {
  const double n = total;
  if (!(n > 0.0) || !(freq1 > 0.0) || !(freq2 > 0.0) || joint < 0.0) return 0.0;
  // The collocation window: the positions around each occurrence of word 1 where word 2 may
  // appear; at least one.
  const double window = std::max(1.0, static_cast<double>(span.left) + static_cast<double>(span.right));
  // Expected joint frequency if the two words were independent: f1 * f2 * window / N.
  const double expected = freq1 * freq2 * window / n;
  // The 2 x 2 table counts words, as joint does: the words within the spans of word 1 (f1 x
  // window of them) against all the others, word 2 against any other word. Its first row is not
  // f1: joint counts every word of a span, so f1 as that row's total would give "probabilities"
  // above 1 and every frequent word a ratio of about the window's size. A word of word 2 inside
  // two overlapping spans is counted in both; the table takes at most what its row and column
  // hold.
  //   a = joint, b = f1 x window - joint, c = f2 - joint, d = N - f1 x window - f2 + joint.
  const double in_spans = std::min(n, freq1 * window);
  const double a = std::min({joint, in_spans, freq2});
  const double b = in_spans - a;
  const double c = freq2 - a;
  const double d = std::max(0.0, n - in_spans - c);
  switch (stat) {
    case kRelDice:
      // 2 * joint / (f1 + f2), joint taken as at most f1 (every occurrence of word 1 with word 2
      // near it) so that the coefficient stays within 0..1.
      return 2.0 * std::min(a, freq1) / (freq1 + freq2);
    case kRelMI:
      // log2(joint / expected) = log2(joint * N / (f1 * f2 * window))
      return joint > 0.0 ? std::log2(joint / expected) : 0.0;
    case kRelMI3:
      // log2(joint^3 / expected)
      return joint > 0.0 ? std::log2(joint * joint * joint / expected) : 0.0;
    case kRelZScore: {
      // (joint - E) / sqrt(E * (1 - p)), p = f2 / (N - f1) the chance of word 2 at one position
      // outside word 1, E = p * f1 * window.
      if (!(n - freq1 > 0.0)) return 0.0;
      const double p = freq2 / (n - freq1);
      const double e = p * freq1 * window;
      const double var = e * (1.0 - p);
      return var > 0.0 ? (joint - e) / std::sqrt(var) : 0.0;
    }
    case kRelLogLikelihood: {
      // G2 = 2 * sum O * ln(O / E) over the four cells, E = row total * column total / N.
      const double r1 = a + b, r2 = c + d, c1 = a + c, c2 = b + d, all = a + b + c + d;
      if (!(all > 0.0)) return 0.0;
      return 2.0 * (LogLikelihoodTerm(a, r1 * c1 / all) + LogLikelihoodTerm(b, r1 * c2 / all) +
                    LogLikelihoodTerm(c, r2 * c1 / all) + LogLikelihoodTerm(d, r2 * c2 / all));
    }
    case kRelTScore:
      // (joint - expected) / sqrt(joint)
      return joint > 0.0 ? (joint - expected) / std::sqrt(joint) : 0.0;
    case kRelLogRatio: {
      // log2 of (word 2's relative frequency within the spans) / (its relative frequency
      // elsewhere): log2((a / (a + b)) / (c / (c + d))); a zero count is taken as 0.5 so that
      // the ratio of a pair never seen apart stays finite.
      if (!(a + b > 0.0) || !(c + d > 0.0)) return 0.0;
      const double with = std::max(a, 0.5) / (a + b);
      const double without = std::max(c, 0.5) / (c + d);
      return std::log2(with / without);
    }
    case kRelCondProbA:
      // P(word 2 | a word within a span of word 1) = a / (a + b)
      return a + b > 0.0 ? a / (a + b) : 0.0;
    case kRelCondProbB:
      // P(within a span of word 1 | word 2) = a / (a + c) = joint / f2
      return a / freq2;
    case kRelDeltaPA:
      // P(word 2 | within the spans) - P(word 2 | elsewhere) = a / (a + b) - c / (c + d)
      if (!(a + b > 0.0) || !(c + d > 0.0)) return 0.0;
      return a / (a + b) - c / (c + d);
    case kRelDeltaPB:
      // P(within the spans | word 2) - P(within the spans | another word) = a / (a + c) - b / (b + d)
      if (!(a + c > 0.0) || !(b + d > 0.0)) return 0.0;
      return a / (a + c) - b / (b + d);
    default:
      return 0.0;
  }
}

int64_t SingleArrayLengthForXInterRelationships(int64_t m) { return m < 1 ? 0 : m * (m + 1) / 2; }

int64_t SingleArrayPosForXYValue(int64_t x, int64_t y, int64_t n) {
  if (x == y || x < 0 || y < 0 || x >= n || y >= n) return -1;
  if (x > y) std::swap(x, y);
  // Rows 0 .. x-1 hold (n-1) + (n-2) + .. + (n-x) slots = x (2n - x - 1) / 2; y - x - 1 into row x.
  return x * (2 * n - x - 1) / 2 + (y - x - 1);
}

void TCardinalAndFreqList::Sort() {
  if (pending_.empty()) return;
  std::sort(pending_.begin(), pending_.end());
  std::vector<TItem> added;
  for (size_t i = 0; i < pending_.size();) {
    size_t j = i + 1;
    while (j < pending_.size() && pending_[j] == pending_[i]) ++j;
    added.push_back({pending_[i], static_cast<int32_t>(j - i)});
    i = j;
  }
  pending_.clear();
  if (items_.empty()) {
    items_ = std::move(added);
    return;
  }
  std::vector<TItem> merged;
  merged.reserve(items_.size() + added.size());
  size_t a = 0, b = 0;
  while (a < items_.size() || b < added.size()) {
    if (b == added.size() || (a < items_.size() && items_[a].number < added[b].number)) {
      merged.push_back(items_[a++]);
    } else if (a == items_.size() || added[b].number < items_[a].number) {
      merged.push_back(added[b++]);
    } else {
      merged.push_back({items_[a].number, items_[a].freq + added[b].freq});
      ++a;
      ++b;
    }
  }
  items_ = std::move(merged);
}

int32_t TCardinalAndFreqList::IndexOf(uint32_t number) const {
  const auto it = std::lower_bound(items_.begin(), items_.end(), number,
                                   [](const TItem& item, uint32_t n) { return item.number < n; });
  return it != items_.end() && it->number == number ? static_cast<int32_t>(it - items_.begin()) : -1;
}

TShuffledNumbers::TShuffledNumbers(int32_t n, uint64_t seed) : order_(static_cast<size_t>(std::max(0, n))) {
  Shuffle(seed);
}

TShuffledNumbers::TShuffledNumbers(int32_t n)
    : TShuffledNumbers(n, static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())) {}

void TShuffledNumbers::Shuffle(uint64_t seed) {
  std::iota(order_.begin(), order_.end(), 0);
  std::mt19937_64 gen(seed);
  // Fisher-Yates, drawing with our own bounded draw so that the order does not depend on the
  // standard library's distribution code.
  for (size_t i = order_.size(); i > 1; --i) {
    const uint64_t j = gen() % i;
    std::swap(order_[i - 1], order_[j]);
  }
}

int32_t TShuffledNumbers::Number(int32_t i) const {
  return i >= 0 && i < Count() ? order_[static_cast<size_t>(i)] : -1;
}

// --- keyness -------------------------------------------------------------------------------------

namespace {
double XLogXOverE(double o, double e) { return o > 0 && e > 0 ? o * std::log(o / e) : 0.0; }
}  // namespace

double LogLikelihood2x2(double a, double b, double c, double d) {
  const double n = a + b + c + d;
  const double r1 = a + b, r2 = c + d, c1 = a + c, c2 = b + d;
  if (n <= 0 || r1 <= 0 || r2 <= 0 || c1 <= 0 || c2 <= 0) return 0.0;
  const double g = 2.0 * (XLogXOverE(a, r1 * c1 / n) + XLogXOverE(b, r1 * c2 / n) + XLogXOverE(c, r2 * c1 / n) +
                          XLogXOverE(d, r2 * c2 / n));
  return g < 0 ? 0.0 : g;
}

double ChiSquare2x2(double a, double b, double c, double d) {
  const double n = a + b + c + d;
  const double r1 = a + b, r2 = c + d, c1 = a + c, c2 = b + d;
  if (n <= 0 || r1 <= 0 || r2 <= 0 || c1 <= 0 || c2 <= 0) return 0.0;
  const double diff = a * d - b * c;
  return n * diff * diff / (r1 * r2 * c1 * c2);
}

double KeynessOf(int64_t a, int64_t n1, int64_t b, int64_t n2, uint8_t procedure) {
  if (n1 <= 0 || n2 <= 0) return 0.0;
  const double c = double(n1 - a), d = double(n2 - b);
  const double k = procedure == kKeynessChiSquare ? ChiSquare2x2(double(a), double(b), c, d)
                                                  : LogLikelihood2x2(double(a), double(b), c, d);
  const bool lower = double(a) / double(n1) < double(b) / double(n2);
  return lower ? -k : k;
}

double KeynessProbability(double keyness) { return std::erfc(std::sqrt(std::fabs(keyness) / 2.0)); }

double BICOfKeyness(double log_likelihood, int64_t n1, int64_t n2) {
  const int64_t n = n1 + n2;
  return std::fabs(log_likelihood) - (n > 0 ? std::log(double(n)) : 0.0);
}

double LogRatioOf(int64_t a, int64_t n1, int64_t b, int64_t n2) {
  if (n1 <= 0 || n2 <= 0) return 0.0;
  const double fa = a > 0 ? double(a) : 0.5, fb = b > 0 ? double(b) : 0.5;
  return std::log2((fa / double(n1)) / (fb / double(n2)));
}

double FloatCorrectedIfBelowZero(double value, bool negative) { return negative ? -std::fabs(value) : value; }

float NFilesCorrected(int32_t n, bool one_text) { return one_text ? -999999.0f : static_cast<float>(n); }

int32_t CorrectDivision(int64_t position, int64_t total, int32_t divisions) {
  if (divisions <= 1 || total <= 0 || position <= 0) return 0;
  if (position >= total) return divisions - 1;
  // Section k ends at total * (k + 1) / divisions; the first end above the position is wanted.
  for (int32_t k = 0; k < divisions; ++k)
    if (total * (k + 1) / divisions > position) return k;
  return divisions - 1;
}
