#include "platform/runtime/vx_longint_list.h"

#include "platform/rtl/streams.h"

bool SaveLongintListToStream(TStream& s, const T1LongintList& list) {
  if (list.size() > 0x7FFFFFFF) return false;
  if (!WriteI32(s, static_cast<int32_t>(list.size()))) return false;
  return list.empty() || s.WriteExact(list.data(), static_cast<int64_t>(list.size()) * 4);
}

bool ReadLongintListFromStream(TStream& s, T1LongintList& list) {
  int32_t n = 0;
  if (!ReadCount(s, n, 4)) return false;
  T1LongintList values(static_cast<size_t>(n));
  if (n > 0 && !s.ReadExact(values.data(), static_cast<int64_t>(n) * 4)) return false;
  list = std::move(values);
  return true;
}
