#include "platform/search/chunk_byte_map.h"

#include <algorithm>
#include <climits>
#include <cstdint>

void TChunkByteMap::SetFixedWidth(int64_t first_byte, int width) {
  prefix_.clear();
  first_byte_ = first_byte;
  width_ = width > 0 ? width : 1;
  if (!offsets_.empty()) set_aside_.swap(offsets_);
  offsets_.clear();
}

void TChunkByteMap::SetOffsets(int64_t first_byte, std::vector<uint32_t> offsets) {
  prefix_.clear();
  first_byte_ = first_byte;
  offsets_ = std::move(offsets);
  if (offsets_.empty()) offsets_.push_back(0);
}

void TChunkByteMap::TakeOffsets(int64_t first_byte, std::vector<uint32_t>& offsets) {
  prefix_.clear();
  first_byte_ = first_byte;
  offsets_.swap(offsets);
  if (offsets.empty()) offsets.swap(set_aside_);
  if (offsets_.empty()) offsets_.push_back(0);
}

void TChunkByteMap::SetFromUtf8(int64_t first_byte, const uint8_t* bytes, size_t n) {
  std::vector<uint32_t> off;
  off.reserve(n + 1);
  size_t i = 0;
  while (i < n) {
    uint8_t b = bytes[i];
    size_t len = 1;
    uint32_t units = 1;
    auto cont = [&](size_t k) { return i + k < n && (bytes[i + k] & 0xC0) == 0x80; };
    if (b >= 0xC2 && b <= 0xDF && cont(1)) {
      len = 2;
    } else if (b >= 0xE0 && b <= 0xEF && cont(1) && cont(2)) {
      uint8_t b1 = bytes[i + 1];
      if (!(b == 0xE0 && b1 < 0xA0) && !(b == 0xED && b1 >= 0xA0)) len = 3;
    } else if (b >= 0xF0 && b <= 0xF4 && cont(1) && cont(2) && cont(3)) {
      uint8_t b1 = bytes[i + 1];
      if (!(b == 0xF0 && b1 < 0x90) && !(b == 0xF4 && b1 >= 0x90)) {
        len = 4;
        units = 2;
      }
    }
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
  if (offsets_.empty()) {
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
  if (offsets_.empty()) return rel / width_ + (rel % width_ != 0 ? 1 : 0);
  if (rel > static_cast<int64_t>(offsets_.back())) {
    return static_cast<int64_t>(offsets_.size()) - 1 + (rel - offsets_.back());
  }
  auto it = std::lower_bound(offsets_.begin(), offsets_.end(), static_cast<uint32_t>(rel));
  return it - offsets_.begin();
}
