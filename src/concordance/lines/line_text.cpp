#include "concordance/lines/line_text.h"

#include "platform/search/search_chars.h"  // HasMaskVectors

#include <algorithm>
#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

constexpr uint32_t kLengthBits = 0x1FFFFFFF;
constexpr uint32_t kOneByteFlag = 0x40000000;
constexpr uint32_t kAsciiFlag = 0x80000000;

// The 32 characters of bytes 0x80-0x9F, found by a hash that gives each its own place of 64:
// lines of printed text hold their quotes and dashes by the hundred.
constexpr unsigned SlotHash(char16_t c) { return ((static_cast<unsigned>(c) * 461u) >> 8) & 63u; }
struct TSlotTable {
  alignas(64) char16_t unit[64];
  alignas(64) uint16_t byte[64];  // 16 bits each, as the vector steps look them up
  constexpr TSlotTable() : unit(), byte() {
    for (int h = 0; h < 64; ++h) unit[h] = 0xFFFF;
    for (int b = 0; b < 32; ++b) {
      unit[SlotHash(kLineTextC1Slots[b])] = kLineTextC1Slots[b];
      byte[SlotHash(kLineTextC1Slots[b])] = static_cast<uint16_t>(0x80 + b);
    }
  }
};
constexpr TSlotTable kSlotTable;
constexpr bool SlotHashIsWhole() {
  for (int b = 0; b < 32; ++b)
    if (kSlotTable.unit[SlotHash(kLineTextC1Slots[b])] != kLineTextC1Slots[b]) return false;
  return true;
}
static_assert(SlotHashIsWhole(), "two characters of the one-byte form share a place");

// The byte that stands for c beyond ASCII; 0 when no byte does.
uint8_t OneByteOf(char16_t c) {
  if (c >= 0xA0 && c <= 0xFF) return static_cast<uint8_t>(c);
  const unsigned h = SlotHash(c);
  return kSlotTable.unit[h] == c ? static_cast<uint8_t>(kSlotTable.byte[h]) : 0;
}

// Texts are taken eight units (or sixteen bytes) at a time where the processor has SSE2: a
// stretch of plain Latin-1 (most of any Western text) is judged and narrowed or widened in a few
// vector steps; only stretches holding 1252's punctuation or other characters are looked at unit
// by unit. The tails, and processors without SSE2, take the unit-by-unit road throughout.
#if defined(__SSE2__)
constexpr size_t kStep = 8;

// Of eight units: bit pairs set for those at or above 0x80, and for those that are not plain
// Latin-1 (0x80-0x9F, or above 0xFF).
inline void Judge(const char16_t* p, int& high, int& special) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i zero = _mm_setzero_si128();
  high = _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_subs_epu16(v, _mm_set1_epi16(0x7F)), zero)) ^ 0xFFFF;
  const __m128i above_ff = _mm_cmpeq_epi16(_mm_subs_epu16(v, _mm_set1_epi16(0xFF)), zero);
  const __m128i c1 = _mm_cmpeq_epi16(_mm_subs_epu16(_mm_sub_epi16(v, _mm_set1_epi16(0x80)), _mm_set1_epi16(0x1F)), zero);
  special = (_mm_movemask_epi8(above_ff) ^ 0xFFFF) | _mm_movemask_epi8(c1);
}
#endif

#if defined(__x86_64__)
// 32 units at a time where the processor has 512-bit vectors: a text of another script (Cyrillic,
// Czech's letters beyond Latin-1) has a unit beyond plain Latin-1 in nearly every step of eight,
// and the steps above would take it unit by unit. The slot of each unit is hashed in its lane
// (the hash's bits all lie in the product's low sixteen) and its character and byte looked up
// by a permute over the 64 slots.
struct TSlotVectors {
  __m512i unit_lo, unit_hi, byte_lo, byte_hi;
};
__attribute__((target("avx512f,avx512bw"), always_inline)) inline TSlotVectors SlotVectors() {
  return {_mm512_load_si512(kSlotTable.unit), _mm512_load_si512(kSlotTable.unit + 32),
          _mm512_load_si512(kSlotTable.byte), _mm512_load_si512(kSlotTable.byte + 32)};
}

// The bytes of the 32 units at p ('?' for a unit without one) to out; answers the units without
// a byte (bit j: unit j) and sets `high` to those at or above 0x80.
__attribute__((target("avx512f,avx512bw"), always_inline)) inline uint32_t OneBytesOf32(const char16_t* p,
                                                                                       const TSlotVectors& s,
                                                                                       uint8_t* out,
                                                                                       uint32_t& high) {
  const __m512i v = _mm512_loadu_si512(p);
  const __mmask32 ascii = _mm512_cmplt_epu16_mask(v, _mm512_set1_epi16(0x80));
  high = ~static_cast<uint32_t>(ascii);
  if (ascii == 0xFFFFFFFFu) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm512_maskz_cvtepi16_epi8(~__mmask32{0}, v));
    return 0;
  }
  // Plain Latin-1 is its own byte.
  const __mmask32 latin1 =
      _mm512_cmplt_epu16_mask(_mm512_sub_epi16(v, _mm512_set1_epi16(0xA0)), _mm512_set1_epi16(0x60));
  // 461 = 256 + 128 + 64 + 8 + 4 + 1, by shifts (a multiply would slow the core's vector clock).
  const __m512i product = _mm512_add_epi16(
      _mm512_add_epi16(_mm512_add_epi16(_mm512_slli_epi16(v, 8), _mm512_slli_epi16(v, 7)),
                       _mm512_add_epi16(_mm512_slli_epi16(v, 6), _mm512_slli_epi16(v, 3))),
      _mm512_add_epi16(_mm512_slli_epi16(v, 2), v));
  const __m512i slot = _mm512_and_si512(_mm512_srli_epi16(product, 8), _mm512_set1_epi16(63));
  const __mmask32 in_slot =
      _mm512_cmpeq_epi16_mask(_mm512_permutex2var_epi16(s.unit_lo, slot, s.unit_hi), v) & ~(ascii | latin1);
  __m512i b = _mm512_mask_blend_epi16(in_slot, v, _mm512_permutex2var_epi16(s.byte_lo, slot, s.byte_hi));
  const __mmask32 none = ~(ascii | latin1 | in_slot);
  b = _mm512_mask_blend_epi16(none, b, _mm512_set1_epi16('?'));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm512_maskz_cvtepi16_epi8(~__mmask32{0}, b));
  return static_cast<uint32_t>(none);
}
#endif

}  // namespace

namespace {

#if defined(__x86_64__)
// JudgeUnits's whole steps of 32: answers where they stopped, or SIZE_MAX at a unit without a byte.
template <bool kNarrow>
__attribute__((target("avx512f,avx512bw"))) size_t JudgeUnitsBy32(const char16_t* p, size_t n, uint8_t* out,
                                                                   bool& high) {
  const TSlotVectors s = SlotVectors();
  uint8_t spare[32];
  size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    uint32_t h = 0;
    if (OneBytesOf32(p + i, s, kNarrow ? out + i : spare, h) != 0) return SIZE_MAX;
    high = high || h != 0;
  }
  return i;
}
#endif

// The shortest form of n units at p, or kWide at the first unit without a byte. With kNarrow
// true the bytes go to out as they are judged (what is written is of no use when the answer is
// kWide).
template <bool kNarrow>
TLineTextForm JudgeUnits(const char16_t* p, size_t n, uint8_t* out) {
  bool high = false;
  size_t i = 0;
#if defined(__x86_64__)
  if (n >= 32 && HasMaskVectors()) i = JudgeUnitsBy32<kNarrow>(p, n, out, high);
  if (i == SIZE_MAX) return TLineTextForm::kWide;
#endif
#if defined(__SSE2__)
  for (; i + kStep <= n; i += kStep) {
    int h = 0, special = 0;
    Judge(p + i, h, special);
    high = high || h != 0;
    if (special == 0) {
      if constexpr (kNarrow) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(v, v));
      }
      continue;
    }
    for (size_t k = i; k < i + kStep; ++k) {
      const uint8_t b = p[k] < 0x80 ? static_cast<uint8_t>(p[k]) : OneByteOf(p[k]);
      if (b == 0 && p[k] != 0) return TLineTextForm::kWide;
      if constexpr (kNarrow) out[k] = b;
    }
  }
#endif
  for (; i < n; ++i) {
    const uint8_t b = p[i] < 0x80 ? static_cast<uint8_t>(p[i]) : OneByteOf(p[i]);
    if (b == 0 && p[i] != 0) return TLineTextForm::kWide;
    if constexpr (kNarrow) out[i] = b;
    high = high || p[i] >= 0x80;
  }
  return high ? TLineTextForm::kNarrow : TLineTextForm::kAscii;
}

}  // namespace

TLineTextForm LineTextFormOf(UStringView text) { return JudgeUnits<false>(text.data(), text.size(), nullptr); }

#if defined(__x86_64__)
namespace {
// NarrowLineUnits's whole steps of 32, taken from the end back: the first step holding a unit
// without a byte ends the walk (the bytes before it are nobody's). Answers how many units are
// left at the front: 0 where the walk stopped at such a unit, else fewer than 32.
__attribute__((target("avx512f,avx512bw"))) size_t NarrowBackBy32(const char16_t* p, size_t n, uint8_t* out,
                                                                   TNarrowedUnits& r) {
  const TSlotVectors s = SlotVectors();
  size_t i = n;
  for (; i >= 32; i -= 32) {
    uint32_t high = 0;
    const uint32_t none = OneBytesOf32(p + i - 32, s, out + i - 32, high);
    if (high != 0 && r.last_high < 0) r.last_high = static_cast<int64_t>(i) - 1 - std::countl_zero(high);
    if (none != 0) {
      r.last_wide = static_cast<int64_t>(i) - 1 - std::countl_zero(none);
      return 0;
    }
  }
  return i;
}
}  // namespace
#endif

namespace {

// NarrowLineUnits a step of eight (or one unit) at a time, from the front: every unit's byte.
TNarrowedUnits NarrowLineUnitsForward(const char16_t* p, size_t n, uint8_t* out) {
  TNarrowedUnits r;
  auto one = [&](size_t k) {
    const uint8_t b = p[k] < 0x80 ? static_cast<uint8_t>(p[k]) : OneByteOf(p[k]);
    if (b == 0 && p[k] != 0) {
      out[k] = '?';
      r.last_wide = static_cast<int64_t>(k);
    } else {
      out[k] = b;
    }
    if (p[k] >= 0x80) r.last_high = static_cast<int64_t>(k);
  };
  size_t i = 0;
#if defined(__SSE2__)
  for (; i + kStep <= n; i += kStep) {
    int h = 0, special = 0;
    Judge(p + i, h, special);
    if (special != 0) {
      for (size_t k = i; k < i + kStep; ++k) one(k);
      continue;
    }
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(v, v));
    // Two mask bits a unit: the last unit at or above 0x80 is the highest pair's.
    if (h != 0) r.last_high = static_cast<int64_t>(i) + ((31 - std::countl_zero(static_cast<uint32_t>(h))) >> 1);
  }
#endif
  for (; i < n; ++i) one(i);
  return r;
}

}  // namespace

TNarrowedUnits NarrowLineUnits(const char16_t* p, size_t n, uint8_t* out) {
#if defined(__x86_64__)
  // Text of another script (Cyrillic, Czech) has a unit without a byte in nearly every step:
  // from the end back, the walk stops at the first, and the bytes before it are left.
  if (n >= 32 && HasMaskVectors()) {
    TNarrowedUnits r;
    const size_t front = NarrowBackBy32(p, n, out, r);
    if (r.last_wide >= 0 || front == 0) return r;
    const TNarrowedUnits head = NarrowLineUnitsForward(p, front, out);
    r.last_wide = head.last_wide;
    if (r.last_high < 0) r.last_high = head.last_high;
    return r;
  }
#endif
  return NarrowLineUnitsForward(p, n, out);
}

namespace {

// n units of a text of one-byte form into bytes.
void Narrow(const char16_t* p, size_t n, uint8_t* out) {
  size_t end = n;
#if defined(__x86_64__)
  // No unit without a byte: the steps of 32 go back to the front, leaving fewer than 32 there.
  if (n >= 32 && HasMaskVectors()) {
    TNarrowedUnits none;
    end = NarrowBackBy32(p, n, out, none);
  }
#endif
  size_t i = 0;
#if defined(__SSE2__)
  for (; i + kStep <= end; i += kStep) {
    int h = 0, special = 0;
    Judge(p + i, h, special);
    if (special == 0) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(v, v));
    } else {
      for (size_t k = i; k < i + kStep; ++k) out[k] = p[k] < 0x80 ? static_cast<uint8_t>(p[k]) : OneByteOf(p[k]);
    }
  }
#endif
  for (; i < end; ++i) out[i] = p[i] < 0x80 ? static_cast<uint8_t>(p[i]) : OneByteOf(p[i]);
}

// n bytes of the one-byte form into units.
void Widen(const uint8_t* b, size_t n, char16_t* out) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  // Bytes 0x80-0x9F are the signed bytes below -0x60.
  const __m128i below = _mm_set1_epi8(static_cast<char>(0xA0));
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    if (_mm_movemask_epi8(_mm_cmplt_epi8(v, below)) == 0) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(v, zero));
    } else {
      for (size_t k = i; k < i + 16; ++k) out[k] = kLineTextWiden[b[k]];
    }
  }
#endif
  for (; i < n; ++i) out[i] = kLineTextWiden[b[i]];
}

}  // namespace

void TLineText::CopyTo(char16_t* out) const {
  if (form_ == TLineTextForm::kWide) {
    if (size_) std::memcpy(out, Units(), size_ * sizeof(char16_t));
    return;
  }
  Widen(Bytes(), size_, out);
}

void TLineText::AssignTo(UString& out) const {
  out.resize(size_);
  CopyTo(out.data());
}

void TLineText::AppendTo(UString& out) const {
  const size_t at = out.size();
  out.resize(at + size_);
  CopyTo(out.data() + at);
}

bool TLineText::operator==(const TLineText& other) const {
  if (size_ != other.size_) return false;
  if (size_ == 0) return true;
  if (OneByte() && other.OneByte()) return std::memcmp(Bytes(), other.Bytes(), size_) == 0;
  if (!OneByte() && !other.OneByte()) return std::memcmp(Units(), other.Units(), size_ * sizeof(char16_t)) == 0;
  const TLineText& narrow = OneByte() ? *this : other;
  const TLineText& wide = OneByte() ? other : *this;
  for (size_t i = 0; i < size_; ++i)
    if (kLineTextWiden[narrow.Bytes()[i]] != wide.Units()[i]) return false;
  return true;
}

void FillLineTextBlock(char* block, UStringView text, TLineTextForm form) {
  const size_t n = text.size();
  uint32_t header = static_cast<uint32_t>(n) & kLengthBits;
  if (form != TLineTextForm::kWide) header |= kOneByteFlag;
  if (form == TLineTextForm::kAscii) header |= kAsciiFlag;
  std::memcpy(block, &header, sizeof header);
  char* at = block + sizeof header;
  if (form == TLineTextForm::kWide) {
    if (n) std::memcpy(at, text.data(), n * sizeof(char16_t));
    return;
  }
  auto* out = reinterpret_cast<uint8_t*>(at);
  Narrow(text.data(), n, out);
}

TLineTextForm FillLineTextBlockShortest(char* block, UStringView text) {
  const size_t n = text.size();
  const TLineTextForm form = JudgeUnits<true>(text.data(), n, reinterpret_cast<uint8_t*>(block + sizeof(uint32_t)));
  if (form == TLineTextForm::kWide) {
    FillLineTextBlock(block, text, form);
    return form;
  }
  uint32_t header = (static_cast<uint32_t>(n) & kLengthBits) | kOneByteFlag;
  if (form == TLineTextForm::kAscii) header |= kAsciiFlag;
  std::memcpy(block, &header, sizeof header);
  return form;
}

void WriteLineTextHeader(char* block, TLineText text) {
  static_assert(kLineTextHeaderBytes == sizeof(uint32_t));
  uint32_t header = static_cast<uint32_t>(text.size()) & kLengthBits;
  if (text.OneByte()) header |= kOneByteFlag;
  if (text.Form() == TLineTextForm::kAscii) header |= kAsciiFlag;
  std::memcpy(block, &header, sizeof header);
}

void FillLineTextBlock(char* block, TLineText text) {
  WriteLineTextHeader(block, text);
  if (!text.empty()) std::memcpy(block + kLineTextHeaderBytes, text.Bytes(), text.StoredBytes() - kLineTextHeaderBytes);
}

TLineText LineTextOfBlock(const char* block) {
  if (!block) return TLineText();
  uint32_t header = 0;
  std::memcpy(&header, block, sizeof header);
  const size_t n = header & kLengthBits;
  const char* at = block + sizeof header;
  if (!(header & kOneByteFlag)) return TLineText(UStringView(reinterpret_cast<const char16_t*>(at), n));
  return TLineText(reinterpret_cast<const uint8_t*>(at), n,
                   (header & kAsciiFlag) ? TLineTextForm::kAscii : TLineTextForm::kNarrow);
}
