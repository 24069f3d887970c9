// Shared between the text service units; not for callers.
#pragma once

#include <cstdint>
#include <string>

#include "platform/text/text_services.h"

namespace lz_text_detail {

// Kind table of the whole BMP, built on first use. Surrogate units hold kSurrogateUnit, which no
// real kind uses, so a scan can find pairs after a plain table pass.
inline constexpr uint16_t kSurrogateUnit = 0x8000;
// Likewise for invisible characters, whose kind depends on the character before them.
inline constexpr uint16_t kInvisibleUnit = 0x4000;
const uint16_t* BmpKindTable();
// A code point's kind worked out from its own properties alone, as CharKindOf gives it: the
// tables are built faster, a range of characters at a time, and are checked against this.
uint16_t KindOfCodePointAlone(char32_t c);

// The identifier itself, or the environment's language for the user and system defaults (0,
// 0x0400, 0x0800).
TLCID ResolvedLCID(TLCID lcid);
// The ICU locale an identifier stands for: the table's name, the environment's locale for the
// user and system defaults (0, 0x0400, 0x0800), "" (root) for unknown identifiers.
std::string IcuLocaleOfLCID(TLCID lcid);

// Whether the 256-bit vector paths run (the processor has them, and LINZORA_NO_WIDE_VECTORS is
// not set).
bool UseWideVectors();

// The zero bytes among data[0 .. 2 * units) at even and at odd offsets (the high bytes of
// UTF-16 text are mostly zero), sixteen bytes at a time.
void CountZeroBytes(const uint8_t* data, size_t units, size_t& zero_even, size_t& zero_odd);

}  // namespace lz_text_detail
