#include "platform/settings/settings_records.h"

UString ReadFixedChars(const uint8_t* field, size_t units) {
  UString s;
  for (size_t i = 0; i < units; ++i) {
    const char16_t c = static_cast<char16_t>(field[2 * i] | (field[2 * i + 1] << 8));
    if (c == 0) break;
    s.push_back(c);
  }
  return s;
}

void WriteFixedChars(uint8_t* field, size_t units, UStringView text, bool terminated) {
  if (units == 0) return;
  const size_t room = terminated ? units - 1 : units;
  size_t n = text.size() < room ? text.size() : room;
  // A cut never leaves the first half of a surrogate pair behind.
  if (n > 0 && n < text.size() && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  std::memset(field, 0, 2 * units);
  for (size_t i = 0; i < n; ++i) {
    field[2 * i] = static_cast<uint8_t>(text[i] & 0xFF);
    field[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
  }
}
