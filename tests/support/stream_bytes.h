// A list or record saved to bytes and read back from them, for round-trip tests of any class with
// SaveToStream and ReadFromStream.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/rtl/streams.h"

template <class T>
std::vector<uint8_t> Saved(T& saved) {
  TMemoryStream m;
  EXPECT_TRUE(saved.SaveToStream(m));
  return m.Data();
}

template <class T>
bool ReadBytes(T& read, const std::vector<uint8_t>& bytes) {
  TMemoryStream m(bytes);
  return read.ReadFromStream(m);
}
