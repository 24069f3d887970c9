// The runtime's list of 32-bit integers (indices, positions) and its stream form:
// int32 count, then the values. A count below 0 or beyond the bytes left is a failed read.
#pragma once

#include <cstdint>
#include <vector>

class TStream;

using T1LongintList = std::vector<int32_t>;

bool SaveLongintListToStream(TStream& s, const T1LongintList& list);
bool ReadLongintListFromStream(TStream& s, T1LongintList& list);
