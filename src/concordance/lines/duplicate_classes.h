// Classes of equal items met in order: for each item, the first earlier item it equals.
//
// Contract
//   Items are offered once each, in the order that decides which of two equal items comes first.
//   The caller gives each item a 64-bit hash that equal items always share, and an equality test
//   used only between items of one hash. FirstEqual answers the first earlier item that the test
//   accepts, or -1 after taking the item as the first of a new class. Items of one class are
//   never offered to the test again, so a run costs one hash probe an item whatever the number
//   of duplicates; items of different classes that share a hash are tried one by one, in the
//   order they were met.
//
//   The equality test must be an equivalence (a duplicate of the first of a class is one of
//   every member), which is what lets the later members stay out of the comparisons.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

class TDuplicateClasses {
 public:
  // Sized for about `expected` items; more are taken, the table grows.
  explicit TDuplicateClasses(size_t expected);

  // index: the item's own number, below 2^31, each offered once. same(earlier) says whether the
  // item equals the earlier item of that number.
  template <class Same>
  int32_t FirstEqual(int32_t index, uint64_t hash, Same&& same) {
    size_t slot = SlotOf(hash);
    while (heads_[slot] >= 0 && hashes_[slot] != hash) slot = (slot + 1) & mask_;
    if (heads_[slot] < 0) {
      heads_[slot] = index;
      hashes_[slot] = hash;
      if (++used_ * 2 > heads_.size()) Grow();
      return -1;
    }
    int32_t tail = -1;
    for (int32_t c = heads_[slot]; c >= 0; c = NextOf(c)) {
      if (same(c)) return c;
      tail = c;
    }
    // A new class whose hash an older one shares.
    SetNext(tail, index);
    return -1;
  }

 private:
  size_t SlotOf(uint64_t hash) const {
    const uint64_t m = hash * 0x9E3779B97F4A7C15ull;
    return static_cast<size_t>(m ^ (m >> 32)) & mask_;
  }
  int32_t NextOf(int32_t item) const;
  void SetNext(int32_t item, int32_t next);
  void Grow();

  std::vector<int32_t> heads_;    // per slot: the first class of its hash, -1 empty
  std::vector<uint64_t> hashes_;  // per slot
  size_t mask_ = 0;
  size_t used_ = 0;
  // Classes after the first of one hash: item -> the next class's first item. Rare, so a
  // map rather than a table the size of the items.
  std::unordered_map<int32_t, int32_t> next_;
};
