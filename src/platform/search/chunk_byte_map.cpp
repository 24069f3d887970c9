#include "platform/search/chunk_byte_map.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/text/text_services.h"

void TChunkByteMap::SetFixedWidth(int64_t first_byte, int width) {
  prefix_.clear();
  runs_.clear();
  first_byte_ = first_byte;
  width_ = width > 0 ? width : 1;
  if (!offsets_.empty()) set_aside_.swap(offsets_);
  offsets_.clear();
}

void TChunkByteMap::SetOffsets(int64_t first_byte, std::vector<uint32_t> offsets) {
  prefix_.clear();
  runs_.clear();
  first_byte_ = first_byte;
  offsets_ = std::move(offsets);
  if (offsets_.empty()) offsets_.push_back(0);
}

void TChunkByteMap::TakeOffsets(int64_t first_byte, std::vector<uint32_t>& offsets) {
  prefix_.clear();
  runs_.clear();
  first_byte_ = first_byte;
  offsets_.swap(offsets);
  if (offsets.empty()) offsets.swap(set_aside_);
  if (offsets_.empty()) offsets_.push_back(0);
}

void TChunkByteMap::TakeRuns(int64_t first_byte, TByteRuns& runs) {
  prefix_.clear();
  first_byte_ = first_byte;
  if (!offsets_.empty()) set_aside_.swap(offsets_);
  offsets_.clear();
  runs_.units.swap(runs.units);
  runs_.bytes.swap(runs.bytes);
  if (runs_.empty()) {
    runs_.units.push_back(0);
    runs_.bytes.push_back(0);
  }
}

namespace {

// The length of the UTF-8 sequence at b[i] and the UTF-16 units it gives: (1, 1) for a byte
// that does not start a well-formed sequence.
inline std::pair<size_t, uint32_t> Utf8UnitsAt(const uint8_t* bytes, size_t i, size_t n) {
  const int len = Utf8SequenceAt(bytes, i, n);
  if (len <= 1) return {1, 1};
  return {static_cast<size_t>(len), len == 4 ? 2u : 1u};
}

// The first byte from b[i] on that is not ASCII, or n.
inline size_t NextBeyondAscii(const uint8_t* b, size_t i, size_t n) {
#if defined(__SSE2__)
  auto load = [&](size_t at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + at)); };
  while (i + 64 <= n) {
    const __m128i any = _mm_or_si128(_mm_or_si128(load(i), load(i + 16)), _mm_or_si128(load(i + 32), load(i + 48)));
    if (_mm_movemask_epi8(any) != 0) break;
    i += 64;
  }
  while (i + 16 <= n) {
    if (const unsigned high = unsigned(_mm_movemask_epi8(load(i))); high != 0) return i + unsigned(__builtin_ctz(high));
    i += 16;
  }
#endif
  while (i < n && b[i] < 0x80) ++i;
  return i;
}

}  // namespace

size_t TByteRuns::FromUtf8(const uint8_t* b, size_t n, uint32_t base) {
  clear();
  units.push_back(0);
  bytes.push_back(base);
  // Bytes i past units of the characters before byte i: constant over a run.
  size_t lag = 0;
  for (size_t i = NextBeyondAscii(b, 0, n); i < n; i = NextBeyondAscii(b, i, n)) {
    const auto [len, made] = Utf8UnitsAt(b, i, n);
    if (len == 1) {  // one unit for the byte: the run goes on
      ++i;
      continue;
    }
    if (made == 2) {  // the second unit at the same byte
      units.push_back(static_cast<uint32_t>(i - lag + 1));
      bytes.push_back(base + static_cast<uint32_t>(i));
    }
    i += len;
    lag += len - made;
    units.push_back(static_cast<uint32_t>(i - lag));
    bytes.push_back(base + static_cast<uint32_t>(i));
  }
  return n - lag;
}

int64_t TByteRuns::OffsetOf(int64_t i) const {
  const uint64_t at = static_cast<uint64_t>(i);
  size_t lo = 0, hi = units.size();  // the run lies in [lo, hi)
  // From the run found last, strides doubling ahead while the runs start at or before i.
  if (last_run_ < units.size() && units[last_run_] <= at) {
    lo = last_run_;
    for (size_t stride = 1;; stride *= 2) {
      const size_t next = lo + stride;
      if (next >= units.size()) break;
      if (units[next] > at) {
        hi = next;
        break;
      }
      lo = next;
    }
  }
  const auto run = std::upper_bound(units.begin() + static_cast<std::ptrdiff_t>(lo),
                                    units.begin() + static_cast<std::ptrdiff_t>(hi), at) - 1;
  const size_t k = static_cast<size_t>(run - units.begin());
  last_run_ = k;
  int64_t r = 0;
  if (__builtin_add_overflow(int64_t(bytes[k]), i - int64_t(units[k]), &r)) return INT64_MAX;
  return r;
}

int64_t TByteRuns::CharAtOrAfter(int64_t rel) const {
  // The last run starting before rel holds the character, unless rel lies past its end.
  const auto next = std::lower_bound(bytes.begin(), bytes.end(), static_cast<uint64_t>(std::max<int64_t>(rel, 0)));
  const size_t k = static_cast<size_t>(next - bytes.begin());
  if (k == 0) return 0;
  const int64_t at = int64_t(units[k - 1]) + (rel - int64_t(bytes[k - 1]));
  return k < units.size() ? std::min<int64_t>(at, units[k]) : at;
}

void TByteRuns::Expand(size_t count, uint32_t* out) const {
  for (size_t k = 0; k < units.size() && units[k] <= count; ++k) {
    const size_t end = k + 1 < units.size() ? std::min<size_t>(units[k + 1], count + 1) : count + 1;
    for (size_t i = units[k]; i < end; ++i) out[i] = bytes[k] + static_cast<uint32_t>(i - units[k]);
  }
}

void TByteRuns::Truncate(size_t count) {
  const auto after = std::upper_bound(units.begin(), units.end(), static_cast<uint64_t>(count));
  const size_t keep = static_cast<size_t>(after - units.begin());
  units.resize(keep);
  bytes.resize(keep);
}

void TChunkByteMap::SetFromUtf8(int64_t first_byte, const uint8_t* bytes, size_t n) {
  std::vector<uint32_t> off;
  off.reserve(n + 1);
  for (size_t i = 0; i < n;) {
    const auto [len, units] = Utf8UnitsAt(bytes, i, n);
    for (uint32_t u = 0; u < units; ++u) off.push_back(static_cast<uint32_t>(i));
    i += len;
  }
  off.push_back(static_cast<uint32_t>(n));
  SetOffsets(first_byte, std::move(off));
}

namespace {

int64_t SaturatingAdd(int64_t a, int64_t b) {
  int64_t r = 0;
  if (!__builtin_add_overflow(a, b, &r)) return r;
  return b > 0 ? INT64_MAX : INT64_MIN;
}

int64_t SaturatingMul(int64_t a, int64_t b) {
  int64_t r = 0;
  if (!__builtin_mul_overflow(a, b, &r)) return r;
  return (a < 0) != (b < 0) ? INT64_MIN : INT64_MAX;
}

int64_t SaturatingSub(int64_t a, int64_t b) {
  int64_t r = 0;
  if (!__builtin_sub_overflow(a, b, &r)) return r;
  return b < 0 ? INT64_MAX : INT64_MIN;
}

}  // namespace

bool TChunkByteMap::PrependCharacters(const int64_t* bytes, size_t count) {
  if (count == 0) return true;
  if (bytes[count] != FileByteOf(0) || bytes[0] < 0) return false;
  for (size_t i = 0; i < count; ++i)
    if (bytes[i] > bytes[i + 1]) return false;
  prefix_.insert(prefix_.begin(), bytes, bytes + count);
  return true;
}

void TChunkByteMap::RemoveCharacters(const std::vector<std::pair<int32_t, int32_t>>& stretches, int64_t count) {
  const int64_t before = static_cast<int64_t>(prefix_.size());
  const int64_t main = count - before;
  if (main <= 0 || stretches.empty()) return;
  if (!runs_.empty()) {
    if (offsets_.empty()) offsets_.swap(set_aside_);
    offsets_.resize(static_cast<size_t>(main) + 1);
    runs_.Expand(static_cast<size_t>(main), offsets_.data());
    runs_.clear();
  } else if (offsets_.empty()) {
    offsets_.resize(static_cast<size_t>(main) + 1);
    for (int64_t k = 0; k <= main; ++k) offsets_[static_cast<size_t>(k)] = static_cast<uint32_t>(k * width_);
  } else if (static_cast<int64_t>(offsets_.size()) < main + 1) {
    return;  // not a map of that many characters: nothing is dropped
  }
  int64_t w = 0, i = 0;
  auto keep = [&](int64_t from, int64_t to) {  // [from, to)
    if (to <= from) return;
    if (w != from) std::copy(offsets_.begin() + from, offsets_.begin() + to, offsets_.begin() + w);
    w += to - from;
  };
  for (const auto& [first, end] : stretches) {
    const int64_t a = std::clamp<int64_t>(int64_t(first) - before, i, main);
    const int64_t b = std::clamp<int64_t>(int64_t(end) - before, a, main);
    keep(i, a);
    i = b;
  }
  keep(i, main + 1);  // the end too
  offsets_.resize(static_cast<size_t>(w));
}

int64_t TChunkByteMap::FileByteOfAnyIndex(int64_t char_index) const {
  if (char_index < 0) char_index = 0;
  if (!prefix_.empty()) {
    if (char_index < static_cast<int64_t>(prefix_.size())) return prefix_[static_cast<size_t>(char_index)];
    char_index -= static_cast<int64_t>(prefix_.size());
  }
  if (!runs_.empty()) return SaturatingAdd(first_byte_, runs_.OffsetOf(char_index));
  if (offsets_.empty()) return SaturatingAdd(first_byte_, SaturatingMul(char_index, width_));
  int64_t last = static_cast<int64_t>(offsets_.size()) - 1;
  if (char_index <= last) return SaturatingAdd(first_byte_, offsets_[static_cast<size_t>(char_index)]);
  return SaturatingAdd(SaturatingAdd(first_byte_, offsets_.back()), char_index - last);
}

int64_t TChunkByteMap::CharAtOrAfterByte(int64_t file_byte) const {
  if (!prefix_.empty()) {
    if (file_byte <= prefix_.back()) return std::lower_bound(prefix_.begin(), prefix_.end(), file_byte) - prefix_.begin();
    return static_cast<int64_t>(prefix_.size()) + MainCharAtOrAfterByte(file_byte);
  }
  return MainCharAtOrAfterByte(file_byte);
}

int64_t TChunkByteMap::MainCharAtOrAfterByte(int64_t file_byte) const {
  const int64_t rel = SaturatingSub(file_byte, first_byte_);
  if (rel <= 0) return 0;
  if (!runs_.empty()) return runs_.CharAtOrAfter(rel);
  if (offsets_.empty()) return rel / width_ + (rel % width_ != 0 ? 1 : 0);
  if (rel > static_cast<int64_t>(offsets_.back())) {
    return static_cast<int64_t>(offsets_.size()) - 1 + (rel - offsets_.back());
  }
  auto it = std::lower_bound(offsets_.begin(), offsets_.end(), static_cast<uint32_t>(rel));
  return it - offsets_.begin();
}
