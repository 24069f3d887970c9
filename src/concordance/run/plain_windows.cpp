#include "concordance/run/plain_windows.h"

#include <algorithm>

namespace {

// The first set bit at or after bit p of masks (blocks of 64 bits); `end` (a bit count) when none.
int64_t FirstBitFrom(const std::vector<uint64_t>& masks, int64_t p, int64_t end) {
  if (p >= end) return end;
  size_t b = static_cast<size_t>(p / 64);
  uint64_t m = b < masks.size() ? masks[b] & (~uint64_t{0} << (p % 64)) : 0;
  while (m == 0) {
    if (++b >= masks.size() || static_cast<int64_t>(b) * 64 >= end) return end;
    m = masks[b];
  }
  return std::min<int64_t>(static_cast<int64_t>(b) * 64 + __builtin_ctzll(m), end);
}

}  // namespace

bool TPlainWindows::Plain(const TFastPassResult& found, int32_t from, int32_t to) {
  const int64_t span = static_cast<int64_t>(found.n) - found.first;  // characters judged
  const int64_t a = std::max(from, found.first) - static_cast<int64_t>(found.first);
  const int64_t z = std::min(to, found.n) - static_cast<int64_t>(found.first);
  if (a >= z) return true;
  if (found.any_tags) {
    if (a < tag_.from || a > tag_.at) tag_ = TNext{a, FirstBitFrom(found.tag_masks, a, span)};
    if (tag_.at < z) return false;
  }
  if (found.all_ascii) return true;
  const int64_t first_block = a / 64, last_block = (z - 1) / 64, blocks = (span + 63) / 64;
  if (first_block < wide_.from || first_block > wide_.at)
    wide_ = TNext{first_block, FirstBitFrom(found.wide_blocks, first_block, blocks)};
  return wide_.at > last_block;
}
