#include "concordance/lines/ranked_sort.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <string_view>
#include <thread>

#include "platform/runtime/parallel_for.h"

TRankedSortLevel TRankedSortLevel::Strings(std::span<const UStringView> keys, TLCID lcid, bool case_sensitive,
                                           bool ascending) {
  TRankedSortLevel l;
  l.kind = TRankedKeyKind::kString;
  l.strings = keys;
  l.lcid = lcid;
  l.case_sensitive = case_sensitive;
  l.ascending = ascending;
  return l;
}

TRankedSortLevel TRankedSortLevel::OrdinalStrings(std::span<const UStringView> keys, bool ascending) {
  TRankedSortLevel l = Strings(keys, kLCID_EnglishUS, true, ascending);
  l.ordinal = true;
  return l;
}

TRankedSortLevel TRankedSortLevel::Numbers(std::span<const float> keys, bool ascending) {
  TRankedSortLevel l;
  l.kind = TRankedKeyKind::kFloat;
  l.floats = keys;
  l.ascending = ascending;
  return l;
}

TRankedSortLevel TRankedSortLevel::Numbers(std::span<const double> keys, bool ascending) {
  TRankedSortLevel l;
  l.kind = TRankedKeyKind::kDouble;
  l.doubles = keys;
  l.ascending = ascending;
  return l;
}

TRankedSortLevel TRankedSortLevel::Numbers(std::span<const int64_t> keys, bool ascending) {
  TRankedSortLevel l;
  l.kind = TRankedKeyKind::kInt64;
  l.ints = keys;
  l.ascending = ascending;
  return l;
}

size_t TRankedSortLevel::KeyCount() const {
  switch (kind) {
    case TRankedKeyKind::kString: return strings.size();
    case TRankedKeyKind::kFloat: return floats.size();
    case TRankedKeyKind::kDouble: return doubles.size();
    case TRankedKeyKind::kInt64: return ints.size();
  }
  return 0;
}

namespace {

uint64_t HashUnits(UStringView s) {
  uint64_t h = 0x9E3779B97F4A7C15ull ^ (uint64_t(s.size()) * 0x2545F4914F6CDD1Dull);
  const char* p = reinterpret_cast<const char*>(s.data());
  size_t bytes = s.size() * sizeof(char16_t);
  while (bytes >= 8) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    h = (h ^ v) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 32;
    p += 8;
    bytes -= 8;
  }
  if (bytes) {
    uint64_t v = 0;
    std::memcpy(&v, p, bytes);
    h = (h ^ v) * 0xC4CEB9FE1A85EC53ull;
  }
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 32;
  return h;
}

// Distinct strings by code units, each given an id in the order first met.
class TDistinctStrings {
 public:
  std::vector<UStringView> words;

  uint32_t IdOf(UStringView s) {
    if ((words.size() + 1) * 2 > slots_.size()) Grow();
    const uint64_t h = HashUnits(s);
    const uint32_t tag = uint32_t(h >> 32);
    size_t mask = slots_.size() - 1;
    for (size_t i = size_t(h) & mask;; i = (i + 1) & mask) {
      TSlot& slot = slots_[i];
      if (slot.id_plus_1 == 0) {
        slot = {uint32_t(words.size() + 1), tag};
        words.push_back(s);
        return slot.id_plus_1 - 1;
      }
      if (slot.tag == tag && words[slot.id_plus_1 - 1] == s) return slot.id_plus_1 - 1;
    }
  }

 private:
  struct TSlot {
    uint32_t id_plus_1 = 0;  // 0: empty
    uint32_t tag = 0;        // high half of the hash, to skip most string comparisons
  };
  std::vector<TSlot> slots_;

  void Grow() {
    std::vector<TSlot> old = std::move(slots_);
    slots_.assign(std::max<size_t>(old.size() * 2, 1024), TSlot{});
    const size_t mask = slots_.size() - 1;
    for (const TSlot& s : old) {
      if (s.id_plus_1 == 0) continue;
      size_t i = size_t(HashUnits(words[s.id_plus_1 - 1])) & mask;
      while (slots_[i].id_plus_1 != 0) i = (i + 1) & mask;
      slots_[i] = s;
    }
  }
};

// The rank of every line's string on one level: strings that collate equal share a rank, ranks
// run 0..rank_count-1 in collation order (reversed for a descending level).
std::vector<uint32_t> RankStrings(const TRankedSortLevel& level, int threads, uint32_t& rank_count) {
  const std::span<const UStringView> keys = level.strings;
  const size_t n = keys.size();
  std::vector<uint32_t> id_of_line(n);

  // Each piece finds its own distinct strings; the pieces' lists (short beside the lines) are
  // then joined into one, and each piece maps its ids to the joined ones.
  const size_t pieces = std::min<size_t>(size_t(std::max(threads, 1)), std::max<size_t>(n / 4096, 1));
  std::vector<TDistinctStrings> local(pieces);
  ParallelFor(
      int(pieces), pieces,
      [&](size_t p0, size_t p1) {
        for (size_t p = p0; p < p1; ++p)
          for (size_t i = n * p / pieces; i < n * (p + 1) / pieces; ++i)
            // Neighbouring lines often share one string (a text's name): the same characters
            // in the same place need no look-up.
            id_of_line[i] = i > n * p / pieces && keys[i].data() == keys[i - 1].data() && keys[i].size() == keys[i - 1].size()
                                ? id_of_line[i - 1]
                                : local[p].IdOf(keys[i]);
      },
      1);
  TDistinctStrings all;
  std::vector<std::vector<uint32_t>> to_global(pieces);
  if (pieces == 1) {
    all = std::move(local[0]);
  } else {
    for (size_t p = 0; p < pieces; ++p) {
      to_global[p].reserve(local[p].words.size());
      for (UStringView w : local[p].words) to_global[p].push_back(all.IdOf(w));
    }
    ParallelFor(
        int(pieces), pieces,
        [&](size_t p0, size_t p1) {
          for (size_t p = p0; p < p1; ++p)
            for (size_t i = n * p / pieces; i < n * (p + 1) / pieces; ++i) id_of_line[i] = to_global[p][id_of_line[i]];
        },
        1);
  }

  const size_t distinct = all.words.size();
  std::vector<uint32_t> by_key(distinct);
  for (size_t i = 0; i < distinct; ++i) by_key[i] = uint32_t(i);
  std::vector<uint32_t> rank_of_id(distinct);
  uint32_t rank = 0;
  if (level.ordinal) {
    // Distinct strings never tie in code-unit order.
    std::sort(by_key.begin(), by_key.end(), [&](uint32_t a, uint32_t b) { return all.words[a] < all.words[b]; });
    for (size_t k = 0; k < distinct; ++k) rank_of_id[by_key[k]] = rank = uint32_t(k);
  } else {
    // One collation key per distinct string.
    std::vector<std::string> keys_of(distinct);
    ParallelFor(
        threads, distinct,
        [&](size_t b, size_t e) {
          for (size_t i = b; i < e; ++i) keys_of[i] = CollationSortKey(level.lcid, level.case_sensitive, all.words[i]);
        },
        256);
    std::sort(by_key.begin(), by_key.end(), [&](uint32_t a, uint32_t b) { return keys_of[a] < keys_of[b]; });
    for (size_t k = 0; k < distinct; ++k) {
      if (k > 0 && keys_of[by_key[k]] != keys_of[by_key[k - 1]]) ++rank;
      rank_of_id[by_key[k]] = rank;
    }
  }
  rank_count = distinct ? rank + 1 : 0;
  if (!level.ascending)
    for (uint32_t& r : rank_of_id) r = rank_count - 1 - r;

  ParallelFor(threads, n, [&](size_t b, size_t e) {
    for (size_t i = b; i < e; ++i) id_of_line[i] = rank_of_id[id_of_line[i]];
  });
  return id_of_line;
}

// Unsigned keys whose order is the numbers' order: NaN 0, below everything; -0 and +0 alike.
uint64_t DoubleKey(double d) {
  if (std::isnan(d)) return 0;
  if (d == 0) d = 0.0;
  const uint64_t bits = std::bit_cast<uint64_t>(d);
  return (bits >> 63) ? ~bits : bits | (uint64_t(1) << 63);
}

std::vector<uint64_t> NumberKeys(const TRankedSortLevel& level, int threads) {
  const size_t n = level.KeyCount();
  std::vector<uint64_t> out(n);
  ParallelFor(threads, n, [&](size_t b, size_t e) {
    for (size_t i = b; i < e; ++i) {
      uint64_t k = 0;
      switch (level.kind) {
        case TRankedKeyKind::kFloat: k = DoubleKey(double(level.floats[i])); break;
        case TRankedKeyKind::kDouble: k = DoubleKey(level.doubles[i]); break;
        case TRankedKeyKind::kInt64: k = uint64_t(level.ints[i]) ^ (uint64_t(1) << 63); break;
        case TRankedKeyKind::kString: break;
      }
      out[i] = level.ascending ? k : ~k;
    }
  });
  return out;
}

// Stable counting-sort passes over the keys, 16 bits at a time from the lowest; a pass in which
// every line has the same digit changes nothing and is skipped.
class TRadixOrder {
 public:
  explicit TRadixOrder(size_t n) : order_(n), spare_(n), digits_(n) {
    for (size_t i = 0; i < n; ++i) order_[i] = uint32_t(i);
  }

  template <typename Key>
  void StableSortOn(const std::vector<Key>& keys, int bits) {
    for (int shift = 0; shift < bits; shift += 16) {
      const int width = std::min(16, bits - shift);
      Pass(keys, shift, size_t(1) << width);
    }
  }

  std::vector<uint32_t>& Order() { return order_; }

 private:
  std::vector<uint32_t> order_, spare_;
  std::vector<uint16_t> digits_;
  std::vector<uint32_t> count_;

  template <typename Key>
  void Pass(const std::vector<Key>& keys, int shift, size_t buckets) {
    const size_t n = order_.size();
    const Key mask = Key(buckets - 1);
    count_.assign(buckets, 0);
    for (size_t i = 0; i < n; ++i) {
      const uint16_t d = uint16_t((keys[i] >> shift) & mask);
      digits_[i] = d;
      ++count_[d];
    }
    uint32_t start = 0;
    for (uint32_t& c : count_) {
      if (c == n) return;
      const uint32_t here = c;
      c = start;
      start += here;
    }
    for (size_t j = 0; j < n; ++j) {
      const uint32_t line = order_[j];
      spare_[count_[digits_[line]]++] = line;
    }
    order_.swap(spare_);
  }
};

}  // namespace

TRankedSortResult RankedSort(std::span<const TRankedSortLevel> levels, size_t line_count, std::vector<uint32_t>& order,
                             int threads) {
  order.clear();
  threads = std::max(threads, 1);
  if (line_count > std::numeric_limits<uint32_t>::max())
    return {false, "ranked sort: " + std::to_string(line_count) + " lines are more than a 32-bit index holds"};
  for (size_t l = 0; l < levels.size(); ++l)
    if (levels[l].KeyCount() != line_count)
      return {false, "ranked sort: level " + std::to_string(l + 1) + " has " + std::to_string(levels[l].KeyCount()) +
                         " keys for " + std::to_string(line_count) + " lines"};
  try {
    TRadixOrder radix(line_count);
    // Least significant level first: each later pass keeps the order of the ones before among
    // its own ties, so the main level decides first and the index last.
    for (size_t l = levels.size(); l-- > 0;) {
      const TRankedSortLevel& level = levels[l];
      if (level.kind == TRankedKeyKind::kString) {
        uint32_t rank_count = 0;
        const std::vector<uint32_t> ranks = RankStrings(level, threads, rank_count);
        const int bits = rank_count > 1 ? int(std::bit_width(rank_count - 1)) : 0;
        radix.StableSortOn(ranks, bits);
      } else {
        radix.StableSortOn(NumberKeys(level, threads), 64);
      }
    }
    order = std::move(radix.Order());
  } catch (const std::bad_alloc&) {
    order.clear();
    return {false, "ranked sort: not enough memory for " + std::to_string(line_count) + " lines"};
  } catch (const std::exception& e) {
    order.clear();
    return {false, std::string("ranked sort: ") + e.what()};
  }
  return {};
}
