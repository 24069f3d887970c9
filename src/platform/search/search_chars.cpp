#include "platform/search/search_chars.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "platform/text/text_services.h"

static_assert(static_cast<uint16_t>(kKindInvisibleInWord) == static_cast<uint16_t>(KIND_INVISIBLE_IN_WORD));

namespace {

std::vector<uint8_t> BuildScanClasses() {
  std::vector<uint8_t> t(65536, kScanSeparator);
  for (uint32_t k = 0; k < 65536; ++k) {
    if (k >= kKindMarkerFlag) {
      t[k] = kScanMarker;
    } else if (k == kKindHidden) {
      t[k] = kScanHidden;
    } else if (k > kKindHidden) {
      t[k] = kScanTag;
    } else if (IsWordKind(static_cast<uint16_t>(k))) {
      t[k] = kScanWord;
    }
  }
  return t;
}

// Calls f(c) for each code point from `from` to `to` that case mapping may change: every other
// one folds to itself, so the tables below look at only these.
template <typename F>
void ForEachCaseChanging(char32_t from, char32_t to, F&& f) {
  for (const auto& [first, last] : CaseChangingRanges())
    for (char32_t c = std::max(first, from); c <= std::min(last, to); ++c) f(c);
}

// Each unit's simple case fold through the text services: the full fold when it is one unit,
// else the lower case (so "\u00DF", whose full fold is "ss", stays itself). Turkish and Azeri take
// their own lower case of the two capital i's.
std::vector<char16_t> BuildFoldTable(TLCID turkic_lcid) {
  std::vector<char16_t> t(65536);
  for (uint32_t c = 0; c < 65536; ++c) t[c] = c >= 0xDC00 && c <= 0xDFFF ? kFoldLowSurrogate : static_cast<char16_t>(c);
  ForEachCaseChanging(0, 0xFFFF, [&](char32_t c) {
    if (c >= 0xD800 && c <= 0xDFFF) return;
    const char16_t u = static_cast<char16_t>(c);
    UString f = FoldCaseU(UStringView(&u, 1));
    if (f.size() != 1) f = LowerCaseU(UStringView(&u, 1), kLCID_EnglishUS);
    if (f.size() == 1 && !(f[0] >= 0xD800 && f[0] <= 0xDFFF)) t[c] = f[0];
  });
  if (turkic_lcid != 0) {
    for (char16_t u : {u'I', char16_t(0x0130)}) {
      UString f = LowerCaseU(UStringView(&u, 1), turkic_lcid);
      if (f.size() == 1) t[u] = f[0];
    }
  }
  return t;
}

// Folded low units of plane 1, where every letter with case beyond the basic plane lies; each
// letter's fold stays in its own block of 1,024, so the high unit never changes.
std::vector<char16_t> BuildPlaneOneFolds() {
  std::vector<char16_t> t(0x10000);
  for (uint32_t i = 0; i < 0x10000; ++i) t[i] = static_cast<char16_t>(0xDC00 + (i & 0x3FF));
  ForEachCaseChanging(0x10000, 0x1FFFF, [&](char32_t c) {
    if (CharKindOf(c) == 0) return;
    const uint32_t i = c - 0x10000;
    const char16_t pair[2] = {static_cast<char16_t>(0xD800 + (i >> 10)), static_cast<char16_t>(0xDC00 + (i & 0x3FF))};
    UString f = FoldCaseU(UStringView(pair, 2));
    if (f.size() != 2) f = LowerCaseU(UStringView(pair, 2), kLCID_EnglishUS);
    if (f.size() == 2 && f[0] == pair[0] && f[1] >= 0xDC00 && f[1] <= 0xDFFF) t[i] = f[1];
  });
  return t;
}

bool IsSymbol(char16_t c, UStringView symbols) {
  for (char16_t s : symbols) {
    if (s == c) return true;
  }
  return false;
}

bool IsDigitKind(uint16_t k) { return k < kKindHidden && (k & kKindDigit) != 0; }
bool IsLetterKind(uint16_t k) { return k < kKindHidden && (k & kKindAlpha) != 0; }

}  // namespace

const uint8_t* ScanClassTable() {
  static const std::vector<uint8_t> table = BuildScanClasses();
  return table.data();
}

char16_t FoldLowSurrogate(char16_t prev, char16_t c) {
  static const std::vector<char16_t> plane_one = BuildPlaneOneFolds();
  if (prev < 0xD800 || prev > 0xD83F) return c;  // not a high unit of plane 1
  return plane_one[((static_cast<uint32_t>(prev) - 0xD800) << 10) | (static_cast<uint32_t>(c) - 0xDC00)];
}

const char16_t* FoldTableFor(uint32_t lcid) {
  uint32_t primary = lcid & 0x3FF;
  if (primary == 0x1F || primary == 0x2C) {
    static const std::vector<char16_t> turkic = BuildFoldTable(0x041F);
    return turkic.data();
  }
  static const std::vector<char16_t> plain = BuildFoldTable(0);
  return plain.data();
}

void HandleAllowables(const char16_t* text, uint16_t* kinds, size_t n, UStringView in_word_symbols,
                      bool symbols_at_start, bool symbols_at_end, bool hyphens_separate_words) {
  if (text == nullptr || kinds == nullptr) return;
  auto word_at = [&](size_t j) { return IsWordKind(kinds[j]); };
  // Only ".", ",", hyphens and the in-word symbols can change, so every other character is
  // passed over at once: a table by low byte says which characters may be one of them.
  TUnitSetFinder maybe(0x00FF);
  for (char16_t c : {u'.', u',', u'-', char16_t(0x2010), char16_t(0x2011)}) maybe.Add(c);
  for (char16_t c : in_word_symbols) maybe.Add(c);
  // Invisible characters that reach the text after the characters were classified (entities
  // such as "&shy;" and "&zwj;" replaced by the tag handler) join the word before them here.
  for (char16_t c : {char16_t(0x00AD), char16_t(0x200C), char16_t(0x200D), char16_t(0x200E), char16_t(0x200F),
                     char16_t(0x2060), char16_t(0xFEFF)}) {
    maybe.Add(c);
  }
  size_t i = 0;
  while (i < n) {
    i = maybe.Next(text, i, n);
    if (i >= n) break;
    uint16_t k = kinds[i];
    if (k >= kKindHidden || (k & 0x0400) != 0 || IsWordKind(k)) {  // 0x0400: a protected tag character
      ++i;
      continue;
    }
    if (k == KIND_INVISIBLE) {
      if (i > 0 && word_at(i - 1)) kinds[i] = KIND_INVISIBLE_IN_WORD;
      ++i;
      continue;
    }
    char16_t c = text[i];
    if ((c == u'.' || c == u',') && i > 0 && i + 1 < n && IsDigitKind(kinds[i - 1]) && IsDigitKind(kinds[i + 1])) {
      kinds[i] = kKindDefined;
      ++i;
      continue;
    }
    if (!hyphens_separate_words && IsHyphenChar(c) && i > 0 && i + 1 < n && word_at(i - 1) && word_at(i + 1) &&
        (IsLetterKind(kinds[i - 1]) || IsLetterKind(kinds[i + 1]))) {
      kinds[i] = kKindDefined;
      ++i;
      continue;
    }
    if (!in_word_symbols.empty() && IsSymbol(c, in_word_symbols)) {
      size_t j = i;
      while (j < n && kinds[j] < kKindHidden && !IsWordKind(kinds[j]) && IsSymbol(text[j], in_word_symbols)) ++j;
      bool before = i > 0 && word_at(i - 1);
      bool after = j < n && word_at(j);
      if ((before && after) || (after && symbols_at_start) || (before && symbols_at_end)) {
        for (size_t m = i; m < j; ++m) kinds[m] = kKindDefined;
      }
      i = j;
      continue;
    }
    ++i;
  }
}

void TUnitSetFinder::Add(char16_t value) {
  value = static_cast<char16_t>(value & mask_);
  for (char16_t v : values_)
    if (v == value) return;
  values_.push_back(value);
  const unsigned byte = value & 0xFFu;
  low_byte_[byte] = true;
  nibble_rows_[byte >> 7][byte & 0x0F] |= static_cast<uint8_t>(1u << ((byte >> 4) & 7));
}

bool TUnitSetFinder::InSet(char16_t c) const {
  if (!low_byte_[c & 0xFF]) return false;
  if (mask_ == 0x00FF) return true;
  c = static_cast<char16_t>(c & mask_);
  for (char16_t v : values_)
    if (v == c) return true;
  return false;
}

namespace {

#if defined(__x86_64__)
// 64 units at once where the processor has 256-bit vectors; the values, padded to N with
// repeats of the first, stay in registers.
template <size_t N>
__attribute__((target("avx2"))) uint64_t BlockWide(const char16_t* values, size_t count, char16_t mask_unit,
                                                   const char16_t* text) {
  __m256i wanted[N];
#pragma GCC unroll 16
  for (size_t k = 0; k < N; ++k) wanted[k] = _mm256_set1_epi16(static_cast<short>(values[k < count ? k : 0]));
  const __m256i mask = _mm256_set1_epi16(static_cast<short>(mask_unit));
  __m256i hit[4];
  for (size_t q = 0; q < 4; ++q) {
    const __m256i v = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + 16 * q)), mask);
    hit[q] = _mm256_cmpeq_epi16(v, wanted[0]);
#pragma GCC unroll 16
    for (size_t k = 1; k < N; ++k) hit[q] = _mm256_or_si256(hit[q], _mm256_cmpeq_epi16(v, wanted[k]));
  }
  // Packing interleaves the two 128-bit lanes; the permute puts the 32 units back in order.
  const __m256i low = _mm256_permute4x64_epi64(_mm256_packs_epi16(hit[0], hit[1]), 0xD8);
  const __m256i high = _mm256_permute4x64_epi64(_mm256_packs_epi16(hit[2], hit[3]), 0xD8);
  return static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(low))) |
         static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(high))) << 32;
}

// 64 units at once, a unit in the set when its low byte is: the bytes' low four bits pick a row
// of each table, their high four bits a bit of the row (any number of values, a few steps).
__attribute__((target("avx2"))) uint64_t BlockLowBytesWide(const uint8_t (&rows)[2][16], const char16_t* text) {
  const __m256i rows_low = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[0])));
  const __m256i rows_high = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[1])));
  const __m256i bit_of = _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16,
                                          32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
  const __m256i low_byte = _mm256_set1_epi16(0x00FF);
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  uint64_t bits = 0;
  for (size_t half = 0; half < 2; ++half) {
    const __m256i a = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + 32 * half)), low_byte);
    const __m256i b =
        _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + 32 * half + 16)), low_byte);
    // Packing interleaves the two 128-bit lanes; the permute puts the 32 bytes back in order.
    const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8);
    const __m256i low = _mm256_and_si256(bytes, nibble);
    const __m256i high = _mm256_and_si256(_mm256_srli_epi16(bytes, 4), nibble);
    // A byte's top bit picks the table of the high half.
    const __m256i row = _mm256_blendv_epi8(_mm256_shuffle_epi8(rows_low, low), _mm256_shuffle_epi8(rows_high, low), bytes);
    const __m256i bit = _mm256_shuffle_epi8(bit_of, high);
    const __m256i hit = _mm256_cmpeq_epi8(_mm256_and_si256(row, bit), bit);
    bits |= static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(hit))) << (32 * half);
  }
  return bits;
}

#endif

}  // namespace

bool HasWideVectors() {
#if defined(__x86_64__)
  // LINZORA_NO_WIDE_VECTORS lets the tests run the paths of processors without them.
  static const bool has = __builtin_cpu_supports("avx2") && !std::getenv("LINZORA_NO_WIDE_VECTORS");
  return has;
#else
  return false;
#endif
}

bool HasMaskVectors() {
#if defined(__x86_64__)
  // LINZORA_NO_AVX512 lets the tests run the 256-bit paths on processors with these.
  // The 512-bit paths ask for the byte and word instructions alone.
  static const bool has = HasWideVectors() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                          !std::getenv("LINZORA_NO_AVX512");
  return has;
#else
  return false;
#endif
}

uint64_t TUnitSetFinder::Block(const char16_t* text, size_t m) const {
  const size_t count = values_.size();
#if defined(__x86_64__)
  if (m == 64 && mask_ == 0x00FF && count > 4 && HasWideVectors()) return BlockLowBytesWide(nibble_rows_, text);
  if (m == 64 && count <= 16 && HasWideVectors()) {
    const char16_t* v = values_.data();
    return count <= 4   ? BlockWide<4>(v, count, mask_, text)
           : count <= 8 ? BlockWide<8>(v, count, mask_, text)
                        : BlockWide<16>(v, count, mask_, text);
  }
#endif
#if defined(__SSE2__)
  if (m == 64 && count <= kMaxVectorValues) {
    __m128i wanted[kMaxVectorValues];
    for (size_t k = 0; k < count; ++k) wanted[k] = _mm_set1_epi16(static_cast<short>(values_[k]));
    const __m128i mask = _mm_set1_epi16(static_cast<short>(mask_));
    auto hits = [&](size_t at) {
      const __m128i v = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at)), mask);
      __m128i hit = _mm_cmpeq_epi16(v, wanted[0]);
      for (size_t k = 1; k < count; ++k) hit = _mm_or_si128(hit, _mm_cmpeq_epi16(v, wanted[k]));
      return hit;
    };
    uint64_t bits = 0;
    for (size_t q = 0; q < 4; ++q) {
      const __m128i packed = _mm_packs_epi16(hits(16 * q), hits(16 * q + 8));
      bits |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(packed))) << (16 * q);
    }
    return bits;
  }
#endif
  uint64_t bits = 0;
  for (size_t j = 0; j < m; ++j)
    if (InSet(text[j])) bits |= uint64_t{1} << j;
  return bits;
}

size_t TUnitSetFinder::Next(const char16_t* text, size_t i, size_t n) const {
  if (values_.empty()) return n;
  while (i < n) {
    if (block_text_ != text || i < block_base_ || i >= block_base_ + block_length_) {
      block_text_ = text;
      block_base_ = i;
      block_length_ = std::min<size_t>(64, n - i);
      block_bits_ = Block(text + i, block_length_);
    }
    const uint64_t ahead = block_bits_ >> (i - block_base_);
    if (ahead != 0) {
      const size_t at = i + static_cast<size_t>(std::countr_zero(ahead));
      return at < n ? at : n;
    }
    i = block_base_ + block_length_;
  }
  return n;
}
