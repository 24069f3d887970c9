// The ranked sort against a plain stable sort that asks the collator at every comparison, and
// small cases sorted by hand.
#include "concordance/lines/ranked_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>

namespace {

constexpr TLCID kSwedish = 0x041D;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Keys of one level, owned, so that a test can keep them while the sorter holds views.
struct TOwnedLevel {
  std::vector<UString> words;
  std::vector<UStringView> views;
  std::vector<double> doubles;
  std::vector<float> floats;
  std::vector<int64_t> ints;
  TRankedKeyKind kind = TRankedKeyKind::kString;
  TLCID lcid = kLCID_EnglishUS;
  bool case_sensitive = false;
  bool ordinal = false;
  bool ascending = true;

  TRankedSortLevel Level() {
    switch (kind) {
      case TRankedKeyKind::kString:
        views.assign(words.begin(), words.end());
        return ordinal ? TRankedSortLevel::OrdinalStrings(views, ascending)
                       : TRankedSortLevel::Strings(views, lcid, case_sensitive, ascending);
      case TRankedKeyKind::kDouble: return TRankedSortLevel::Numbers(std::span<const double>(doubles), ascending);
      case TRankedKeyKind::kFloat: return TRankedSortLevel::Numbers(std::span<const float>(floats), ascending);
      case TRankedKeyKind::kInt64: return TRankedSortLevel::Numbers(std::span<const int64_t>(ints), ascending);
    }
    return {};
  }
};

template <typename T>
int CompareNumbers(T a, T b) {
  const bool na = std::isnan(double(a)), nb = std::isnan(double(b));
  if (na || nb) return na == nb ? 0 : (na ? -1 : 1);
  return a < b ? -1 : (a > b ? 1 : 0);
}

std::vector<uint32_t> Identity(size_t n) {
  std::vector<uint32_t> order(n);
  std::iota(order.begin(), order.end(), 0u);
  return order;
}

// The order a sort that compares level by level at every step gives.
std::vector<uint32_t> ReferenceOrder(const std::vector<TOwnedLevel>& levels, size_t n) {
  std::vector<uint32_t> order = Identity(n);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    for (const TOwnedLevel& l : levels) {
      int r = 0;
      switch (l.kind) {
        case TRankedKeyKind::kString:
          r = l.ordinal ? l.words[a].compare(l.words[b])
                        : CompareStringsLocale(l.lcid, l.case_sensitive, l.words[a], l.words[b]);
          break;
        case TRankedKeyKind::kDouble: r = CompareNumbers(l.doubles[a], l.doubles[b]); break;
        case TRankedKeyKind::kFloat: r = CompareNumbers(l.floats[a], l.floats[b]); break;
        case TRankedKeyKind::kInt64: r = CompareNumbers(l.ints[a], l.ints[b]); break;
      }
      if (r != 0) return (l.ascending ? r : -r) < 0;
    }
    return false;
  });
  return order;
}

std::vector<uint32_t> Ranked(std::vector<TOwnedLevel>& levels, size_t n, int threads = 1) {
  std::vector<TRankedSortLevel> sort_levels;
  for (TOwnedLevel& l : levels) sort_levels.push_back(l.Level());
  std::vector<uint32_t> order;
  const TRankedSortResult r = RankedSort(sort_levels, n, order, threads);
  EXPECT_TRUE(r.ok) << r.message;
  return order;
}

TOwnedLevel Words(std::vector<UString> w, bool case_sensitive = false, bool ascending = true,
                  TLCID lcid = kLCID_EnglishUS) {
  return {.words = std::move(w), .lcid = lcid, .case_sensitive = case_sensitive, .ascending = ascending};
}
TOwnedLevel Ordinal(std::vector<UString> w) { return {.words = std::move(w), .case_sensitive = true, .ordinal = true}; }
TOwnedLevel Doubles(std::vector<double> v, bool ascending = true) {
  return {.doubles = std::move(v), .kind = TRankedKeyKind::kDouble, .ascending = ascending};
}
TOwnedLevel Ints(std::vector<int64_t> v) { return {.ints = std::move(v), .kind = TRankedKeyKind::kInt64}; }

// Words that tie under one collation but not another: case, accents written two ways,
// punctuation inside a word, the empty word.
const std::vector<UString> kPool = {
    u"a",      u"A",        u"b",     u"B",          u"resume", u"Resume", u"r\u00E9sum\u00E9", u"re\u0301sume\u0301",
    u"R\u00C9SUM\u00C9", u"rose", u"co-op",  u"coop",   u"Coop",  u"\u00E4pple", u"apa",     u"zebra",
    u"",       u"z",        u"Z",     u"\u00DF",     u"ss",     u"SS",     u"th\u00E9",  u"the",
    u"The",    u"x1",       u"x10",   u"x2",         u"\u0107", u"c",      u"\u010D",    u"d"};

TEST(RankedSort, EqualsStableSortByCollationOnRandomLines) {
  std::mt19937 rng(20261207);
  for (int trial = 0; trial < 300; ++trial) {
    const size_t n = std::uniform_int_distribution<size_t>(0, 200)(rng);
    const int level_count = std::uniform_int_distribution<int>(1, 3)(rng);
    std::vector<TOwnedLevel> levels;
    for (int l = 0; l < level_count; ++l) {
      TOwnedLevel lv;
      lv.kind = TRankedKeyKind(std::uniform_int_distribution<int>(0, 3)(rng));
      lv.ascending = rng() % 2 == 0;
      lv.case_sensitive = rng() % 2 == 0;
      lv.ordinal = rng() % 5 == 0;
      lv.lcid = rng() % 4 == 0 ? kSwedish : kLCID_EnglishUS;
      // Few distinct values, so that most lines tie on some level.
      const size_t pool = std::uniform_int_distribution<size_t>(1, kPool.size())(rng);
      for (size_t i = 0; i < n; ++i) {
        const size_t pick = rng() % pool;
        // Every kind gets keys; the level reads only its own.
        lv.words.push_back(kPool[pick]);
        lv.doubles.push_back(pick == 0 ? kNaN : (pick == 1 ? -0.0 : double(int(pick) - 8) / 4));
        lv.floats.push_back(pick == 0 ? std::numeric_limits<float>::quiet_NaN() : float(int(pick) - 8) * 1.5f);
        lv.ints.push_back(pick == 0 ? std::numeric_limits<int64_t>::min() : int64_t(pick) - 5);
      }
      levels.push_back(std::move(lv));
    }
    ASSERT_EQ(Ranked(levels, n), ReferenceOrder(levels, n)) << "trial " << trial;
  }
}

TEST(RankedSort, AnyNumberOfThreadsGivesOneThreadsOrder) {
  std::mt19937 rng(7);
  const size_t n = 60000;
  std::vector<TOwnedLevel> levels = {Words({}), Words({}, true, false), Doubles({})};
  for (size_t i = 0; i < n; ++i) {
    // Words made up of syllables, so that the pieces meet both shared and own words.
    UString w;
    for (int s = int(rng() % 3) + 1; s > 0; --s) w += kPool[rng() % kPool.size()];
    levels[0].words.push_back(w);
    levels[1].words.push_back(kPool[rng() % kPool.size()] + kPool[rng() % kPool.size()]);
    levels[2].doubles.push_back(rng() % 50 == 0 ? kNaN : double(rng() % 100));
  }
  const std::vector<uint32_t> one = Ranked(levels, n, 1);
  for (int threads : {2, 3, 8}) EXPECT_EQ(Ranked(levels, n, threads), one) << threads << " threads";
  EXPECT_EQ(one, ReferenceOrder(levels, n));
}

// More distinct words than one counting pass holds, and numbers spread over all 64 bits: each
// neighbouring pair in order (ties by index) is the stable order.
TEST(RankedSort, ManyDistinctWordsAndWideNumbersComeOutInOrder) {
  std::mt19937_64 rng(99);
  const size_t n = 150000;
  std::vector<TOwnedLevel> levels = {Words({}, false, false), Doubles({})};
  for (size_t i = 0; i < n; ++i) {
    UString w = IntToUStr(int64_t(rng() % 90000));
    if (rng() % 3 == 0) w = u"W" + w;
    levels[0].words.push_back(rng() % 4 == 0 ? u"same" : w);
    levels[1].doubles.push_back(rng() % 10 == 0 ? kNaN : std::ldexp(double(int64_t(rng())), int(rng() % 200) - 100));
  }
  const std::vector<uint32_t> order = Ranked(levels, n);
  std::vector<uint32_t> sorted = order;
  std::sort(sorted.begin(), sorted.end());
  ASSERT_EQ(sorted, Identity(n));  // every line once
  for (size_t k = 1; k < n; ++k) {
    const uint32_t a = order[k - 1], b = order[k];
    int r = -CompareStringsLocale(kLCID_EnglishUS, false, levels[0].words[a], levels[0].words[b]);
    if (r == 0) r = CompareNumbers(levels[1].doubles[a], levels[1].doubles[b]);
    ASSERT_TRUE(r < 0 || (r == 0 && a < b)) << "places " << k - 1 << " and " << k;
  }
}

struct THandCase {
  const char* name;
  std::vector<TOwnedLevel> levels;
  std::vector<uint32_t> order;
};

TEST(RankedSort, SmallCasesSortedByHand) {
  const THandCase cases[] = {
      {"case ignored: a and A tie, index order", {Words({u"b", u"A", u"a", u"B"})}, {1, 2, 0, 3}},
      {"case counts: lower before upper", {Words({u"B", u"a", u"A", u"b"}, true)}, {1, 2, 3, 0}},
      {"descending keeps tied lines in index order", {Words({u"a", u"B", u"A", u"b"}, false, false)}, {1, 3, 0, 2}},
      {"accent after plain, before the next letter",
       {Words({u"r\u00E9sum\u00E9", u"resume", u"rose", u"Resume"})},
       {1, 3, 0, 2}},
      {"accent written with a combining mark ties with the precomposed one",
       {Words({u"re\u0301sume\u0301", u"r\u00E9sum\u00E9", u"resume"})},
       {2, 0, 1}},
      {"hyphen inside a word counts", {Words({u"coop", u"co-op"})}, {1, 0}},
      {"empty word first", {Words({u"a", u""})}, {1, 0}},
      {"code-unit order: upper case and Z before a, accents last", {Ordinal({u"a", u"\u00E4", u"Z", u"B", u"b"})},
       {3, 2, 0, 4, 1}},
      {"English: a-umlaut with the a's", {Words({u"\u00E4pple", u"zebra", u"apa"})}, {2, 0, 1}},
      {"Swedish: a-umlaut after z", {Words({u"\u00E4pple", u"zebra", u"apa"}, false, true, kSwedish)}, {2, 1, 0}},
      {"numbers: NaN lowest, -0 ties with 0", {Doubles({2.5, kNaN, -1, 0, -0.0, kNaN})}, {1, 5, 2, 3, 4, 0}},
      {"numbers descending: NaN last", {Doubles({2.5, kNaN, -1, 0, -0.0, kNaN}, false)}, {0, 3, 4, 2, 1, 5}},
      {"missing percentage (-999999) below every real one", {Doubles({0.5, -999999, 100, 0})}, {1, 3, 0, 2}},
      {"64-bit extremes",
       {Ints({std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min(), 0, -1})},
       {1, 3, 2, 0}},
      {"file then word number (ties on the file fall to the number)",
       {Words({u"b.txt", u"a.txt", u"B.TXT", u"a.txt"}), Ints({7, 30, 2, 4})},
       {3, 1, 2, 0}},
      {"search word up, then L1 down, then number",
       {Words({u"dog", u"Dog", u"cat", u"dog", u"dog"}), Words({u"the", u"a", u"a", u"the", u"big"}, false, false),
        Doubles({3, 1, 0, 2, kNaN})},
       {2, 3, 0, 4, 1}},
  };
  for (const THandCase& c : cases) {
    std::vector<TOwnedLevel> levels = c.levels;
    const size_t n = c.order.size();
    EXPECT_EQ(Ranked(levels, n), c.order) << c.name;
    EXPECT_EQ(ReferenceOrder(levels, n), c.order) << c.name << " (reference)";
  }
}

TEST(RankedSort, NoLevelsGiveTheIdentity) {
  std::vector<uint32_t> order;
  for (size_t n : {3u, 0u}) {
    ASSERT_TRUE(RankedSort({}, n, order).ok);
    EXPECT_EQ(order, Identity(n));
  }
}

TEST(RankedSort, AKeyCountUnlikeTheLineCountIsRefusedNamingTheLevel) {
  std::vector<UStringView> words = {u"a", u"b", u"c"};
  std::vector<int64_t> numbers = {1, 2};
  const TRankedSortLevel levels[] = {TRankedSortLevel::Strings(words, kLCID_EnglishUS, false),
                                     TRankedSortLevel::Numbers(std::span<const int64_t>(numbers))};
  std::vector<uint32_t> order = {9, 9};
  const TRankedSortResult r = RankedSort(levels, 3, order);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.message.find("level 2 has 2 keys for 3 lines"), std::string::npos) << r.message;
  EXPECT_TRUE(order.empty());
}

}  // namespace
