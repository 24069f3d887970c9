// The runtime's list of 32-bit integers (indices, positions) and its stream form:
// int32 count, then the values. A count below 0 or beyond the bytes left is a failed read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TStream;

using T1LongintList = std::vector<int32_t>;

bool SaveLongintListToStream(TStream& s, const T1LongintList& list);
bool ReadLongintListFromStream(TStream& s, T1LongintList& list);

// A list of integers with a current item (the active one of several set columns).
struct TVXActiveLongintList {
  std::vector<int32_t> items;
  int32_t current = -1;  // index into items; -1 none
  void SetCurrentItem(int32_t index) { current = index >= 0 && index < static_cast<int32_t>(items.size()) ? index : -1; }
  // The current item's value, or fallback without one.
  int32_t CurrentValue(int32_t fallback = -1) const {
    return current >= 0 && current < static_cast<int32_t>(items.size()) ? items[static_cast<size_t>(current)] : fallback;
  }
};
