#include "model/reading/tag_handler.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <immintrin.h>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>

#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/search/search_chars.h"
#include "platform/settings/settings_defaults.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"

namespace {

constexpr int kDefaultCodePage = 1252;
constexpr char16_t kBlank = u' ';
constexpr char16_t kLF = 10, kTab = 9;
// The kind of a blank: what punctuation treated as a blank inside a word becomes.
constexpr uint16_t kBlankKind = C1_SPACE | C1_BLANK | C1_DEFINED;
constexpr int32_t kMaxLineStartCut = 100;
constexpr size_t kMaxContextChars8Bit = 80;

// A span limit from the settings; none given means the default span.
int32_t SpanOrDefault(int32_t limit) { return limit > 0 ? limit : settings_defaults::kIgnoreTagsSpan; }

bool IsWildcardCode(char16_t c) { return c >= kWildDigits && c <= 31; }

template <typename C>
inline uint32_t U(C c) {
  return static_cast<uint32_t>(static_cast<std::make_unsigned_t<C>>(c));
}

#if defined(__x86_64__)

// Sixteen kinds at a time, where the processor has 256-bit vectors: each kind of `unwanted`
// between two of `surrounded` (as classified) becomes a blank's, from index 1 while seventeen
// or more are left. `before` is the kind before the first, as classified, and is kept up to date;
// returns the index where it stopped.
__attribute__((target("avx2"))) int32_t BlankMidWordMarksWide(uint16_t* p, uint16_t unwanted, uint16_t surrounded,
                                                              int32_t n, uint16_t& before) {
  static_assert(kFlagHidden == 0x0800, "a plain kind has none of the top five bits");
  const __m256i marks = _mm256_set1_epi16(static_cast<short>(0xF800));
  const __m256i want = _mm256_set1_epi16(static_cast<short>(unwanted));
  const __m256i around = _mm256_set1_epi16(static_cast<short>(surrounded));
  const __m256i blank = _mm256_set1_epi16(static_cast<short>(kBlankKind));
  const __m256i zero = _mm256_setzero_si256();
  int32_t i = 1;
  // The kinds before a block are its own shifted by one, with the last block's last kind as
  // loaded (the last block may since have changed it) in front: taken from the registers, not
  // loaded again over what the last block stored.
  __m256i last = _mm256_insert_epi16(zero, static_cast<short>(before), 15);
  for (; i + 16 < n; i += 16) {
    const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
    const __m256i after = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 1));
    const __m256i prev = _mm256_alignr_epi8(here, _mm256_permute2x128_si256(last, here, 0x21), 14);
    last = here;
    // KindBits(k) & bits != 0: a plain kind (below the marks) with one of the bits.
    const __m256i none_here = _mm256_cmpeq_epi16(
        _mm256_and_si256(_mm256_and_si256(here, want), _mm256_cmpeq_epi16(_mm256_and_si256(here, marks), zero)), zero);
    const __m256i none_prev = _mm256_cmpeq_epi16(
        _mm256_and_si256(_mm256_and_si256(prev, around), _mm256_cmpeq_epi16(_mm256_and_si256(prev, marks), zero)), zero);
    const __m256i none_after = _mm256_cmpeq_epi16(
        _mm256_and_si256(_mm256_and_si256(after, around), _mm256_cmpeq_epi16(_mm256_and_si256(after, marks), zero)), zero);
    const __m256i miss = _mm256_or_si256(_mm256_or_si256(none_here, none_prev), none_after);
    if (static_cast<unsigned>(_mm256_movemask_epi8(miss)) != 0xFFFFFFFFu)
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + i), _mm256_blendv_epi8(blank, here, miss));
    before = static_cast<uint16_t>(_mm256_extract_epi16(here, 15));
  }
  return i;
}

// The same with 512-bit vectors, 32 kinds at a time, the blanks written through a mask.
__attribute__((target("avx512f,avx512bw"))) int32_t BlankMidWordMarksByMasks(uint16_t* p, uint16_t unwanted,
                                                                             uint16_t surrounded, int32_t n,
                                                                             uint16_t& before) {
  const __m512i marks = _mm512_set1_epi16(static_cast<short>(0xF800));
  const __m512i want = _mm512_set1_epi16(static_cast<short>(unwanted));
  const __m512i around = _mm512_set1_epi16(static_cast<short>(surrounded));
  const __m512i blank = _mm512_set1_epi16(static_cast<short>(kBlankKind));
  // Lane 0 of the kinds before a block takes lane 31 of the last block as loaded; lane j the
  // block's own lane j - 1.
  alignas(64) static constexpr uint16_t kShift[32] = {31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46,
                                                      47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62};
  const __m512i shift = _mm512_load_si512(kShift);
  auto has = [&marks](__m512i k, __m512i bits) __attribute__((target("avx512f,avx512bw"), always_inline)) {
    return static_cast<__mmask32>(_mm512_test_epi16_mask(k, bits) & ~_mm512_test_epi16_mask(k, marks));
  };
  __m512i last = _mm512_set1_epi16(static_cast<short>(before));
  int32_t i = 1;
  for (; i + 32 < n; i += 32) {
    const __m512i here = _mm512_loadu_si512(p + i);
    const __m512i after = _mm512_loadu_si512(p + i + 1);
    const __m512i prev = _mm512_permutex2var_epi16(last, shift, here);
    last = here;
    const __mmask32 hit = has(here, want) & has(prev, around) & has(after, around);
    if (hit != 0) _mm512_mask_storeu_epi16(p + i, hit, blank);
  }
  alignas(64) uint16_t lanes[32];
  _mm512_store_si512(lanes, last);
  before = lanes[31];
  return i;
}

#else
int32_t BlankMidWordMarksWide(uint16_t*, uint16_t, uint16_t, int32_t, uint16_t&) { return 1; }
int32_t BlankMidWordMarksByMasks(uint16_t*, uint16_t, uint16_t, int32_t, uint16_t&) { return 1; }
#endif

// The first q in [from, to) whose unit is a or b, or whose flag has a bit of flag_bits; `to` for
// none. The walks over tags pass over everything else eight units at a time; the unit found is
// then judged by the walk's own rules, so this only skips what they would pass over.
template <typename C>
inline int32_t NextUnitOrFlag(const C* t, const uint16_t* f, int32_t from, int32_t to, C a, C b, uint16_t flag_bits) {
  int32_t q = from;
  if constexpr (std::is_same_v<C, char16_t>) {
    const __m128i va = _mm_set1_epi16(static_cast<short>(a)), vb = _mm_set1_epi16(static_cast<short>(b));
    const __m128i bits = _mm_set1_epi16(static_cast<short>(flag_bits));
    const __m128i zero = _mm_setzero_si128();
    for (; q + 8 <= to; q += 8) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + q));
      __m128i hit = _mm_or_si128(_mm_cmpeq_epi16(v, va), _mm_cmpeq_epi16(v, vb));
      if (flag_bits != 0) {
        const __m128i fl = _mm_loadu_si128(reinterpret_cast<const __m128i*>(f + q));
        hit = _mm_or_si128(hit, _mm_xor_si128(_mm_cmpeq_epi16(_mm_and_si128(fl, bits), zero), _mm_set1_epi16(-1)));
      }
      const int found = _mm_movemask_epi8(hit);
      if (found != 0) return q + __builtin_ctz(static_cast<unsigned>(found)) / 2;
    }
  }
  for (; q < to; ++q)
    if (t[q] == a || t[q] == b || (f[q] & flag_bits) != 0) return q;
  return to;
}

inline bool IsDigitFlag(uint16_t f) { return (KindBits(f) & C1_DIGIT) != 0; }
inline bool IsLetterFlag(uint16_t f) { return (KindBits(f) & C1_ALPHA) != 0; }

// Bit masks of a buffer, 64 characters a block (bit j of block b: character 64 * b + j): the
// units equal to a, those equal to b, and the flags with a bit of flag_bits. A walk that only
// moves forward asks them for the next such character with a few bit operations, where a tagged
// text would have it stop every few characters to load and compare again.
struct TUnitMasks {
  std::vector<uint64_t> a, b, flags;
};

#if defined(__x86_64__)
__attribute__((target("avx2"))) void UnitMasksWide(const char16_t* t, const uint16_t* f, int32_t from, int32_t to,
                                                   char16_t a, char16_t b, uint16_t flag_bits, TUnitMasks& m) {
  const __m256i va = _mm256_set1_epi16(static_cast<short>(a)), vb = _mm256_set1_epi16(static_cast<short>(b));
  const __m256i bits = _mm256_set1_epi16(static_cast<short>(flag_bits)), zero = _mm256_setzero_si256();
  for (int32_t k = from; k < to; ++k) {
    uint64_t ma = 0, mb = 0, mf = 0;
    for (int q = 0; q < 2; ++q) {
      const int32_t at = 64 * k + 32 * q;
      const __m256i u0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + at));
      const __m256i u1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + at + 16));
      const __m256i f0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(f + at));
      const __m256i f1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(f + at + 16));
      // Packing two sixteen-lane results to bytes interleaves their halves; 0xD8 puts them back.
      auto bits_of = [&](__m256i x0, __m256i x1) __attribute__((target("avx2"), always_inline)) {
        return static_cast<uint64_t>(static_cast<uint32_t>(
            _mm256_movemask_epi8(_mm256_permute4x64_epi64(_mm256_packs_epi16(x0, x1), 0xD8))));
      };
      ma |= bits_of(_mm256_cmpeq_epi16(u0, va), _mm256_cmpeq_epi16(u1, va)) << (32 * q);
      mb |= bits_of(_mm256_cmpeq_epi16(u0, vb), _mm256_cmpeq_epi16(u1, vb)) << (32 * q);
      const __m256i n0 = _mm256_cmpeq_epi16(_mm256_and_si256(f0, bits), zero);
      const __m256i n1 = _mm256_cmpeq_epi16(_mm256_and_si256(f1, bits), zero);
      mf |= (~bits_of(n0, n1) & 0xFFFFFFFFu) << (32 * q);
    }
    m.a[static_cast<size_t>(k)] = ma;
    m.b[static_cast<size_t>(k)] = mb;
    m.flags[static_cast<size_t>(k)] = mf;
  }
}
// The 512-bit path: compares straight into bit masks, 32 units a compare.
__attribute__((target("avx512f,avx512bw"))) void UnitMasksByMaskCompares(const char16_t* t, const uint16_t* f,
                                                                         int32_t from, int32_t to, char16_t a,
                                                                         char16_t b, uint16_t flag_bits, TUnitMasks& m) {
  const __m512i va = _mm512_set1_epi16(static_cast<short>(a)), vb = _mm512_set1_epi16(static_cast<short>(b));
  const __m512i bits = _mm512_set1_epi16(static_cast<short>(flag_bits));
  for (int32_t k = from; k < to; ++k) {
    uint64_t ma = 0, mb = 0, mf = 0;
    for (int q = 0; q < 2; ++q) {
      const int32_t at = 64 * k + 32 * q;
      const __m512i u = _mm512_loadu_si512(t + at);
      const __m512i fl = _mm512_loadu_si512(f + at);
      ma |= static_cast<uint64_t>(_mm512_cmpeq_epi16_mask(u, va)) << (32 * q);
      mb |= static_cast<uint64_t>(_mm512_cmpeq_epi16_mask(u, vb)) << (32 * q);
      mf |= static_cast<uint64_t>(_mm512_test_epi16_mask(fl, bits)) << (32 * q);
    }
    m.a[static_cast<size_t>(k)] = ma;
    m.b[static_cast<size_t>(k)] = mb;
    m.flags[static_cast<size_t>(k)] = mf;
  }
}
#endif

void UnitMasksSse2(const char16_t* t, const uint16_t* f, int32_t from, int32_t to, char16_t a, char16_t b,
                   uint16_t flag_bits, TUnitMasks& m) {
  const __m128i va = _mm_set1_epi16(static_cast<short>(a)), vb = _mm_set1_epi16(static_cast<short>(b));
  const __m128i bits = _mm_set1_epi16(static_cast<short>(flag_bits)), zero = _mm_setzero_si128();
  for (int32_t k = from; k < to; ++k) {
    uint64_t ma = 0, mb = 0, mf = 0;
    for (int q = 0; q < 4; ++q) {
      const int32_t at = 64 * k + 16 * q;
      const __m128i u0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + at));
      const __m128i u1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + at + 8));
      const __m128i f0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(f + at));
      const __m128i f1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(f + at + 8));
      auto bits_of = [](__m128i x0, __m128i x1) {
        return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(x0, x1))));
      };
      ma |= bits_of(_mm_cmpeq_epi16(u0, va), _mm_cmpeq_epi16(u1, va)) << (16 * q);
      mb |= bits_of(_mm_cmpeq_epi16(u0, vb), _mm_cmpeq_epi16(u1, vb)) << (16 * q);
      const uint64_t none = bits_of(_mm_cmpeq_epi16(_mm_and_si128(f0, bits), zero),
                                    _mm_cmpeq_epi16(_mm_and_si128(f1, bits), zero));
      mf |= (~none & 0xFFFFu) << (16 * q);
    }
    m.a[static_cast<size_t>(k)] = ma;
    m.b[static_cast<size_t>(k)] = mb;
    m.flags[static_cast<size_t>(k)] = mf;
  }
}

// Makes blocks [from, to) of an n-character buffer's masks; the vectors have room for them.
void UnitMasksOf(const char16_t* t, const uint16_t* f, int32_t n, char16_t a, char16_t b, uint16_t flag_bits,
                 int32_t from, int32_t to, TUnitMasks& m) {
  const int32_t whole = std::min(to, n / 64);
  if (from < whole) {
#if defined(__x86_64__)
    if (HasMaskVectors()) UnitMasksByMaskCompares(t, f, from, whole, a, b, flag_bits, m);
    else if (HasWideVectors()) UnitMasksWide(t, f, from, whole, a, b, flag_bits, m);
    else
#endif
      UnitMasksSse2(t, f, from, whole, a, b, flag_bits, m);
  }
  for (int32_t k = std::max(from, whole); k < to; ++k) {
    uint64_t ma = 0, mb = 0, mf = 0;
    for (int32_t i = 64 * k; i < std::min(n, 64 * k + 64); ++i) {
      const uint64_t bit = uint64_t{1} << (i % 64);
      if (t[i] == a) ma |= bit;
      if (t[i] == b) mb |= bit;
      if ((f[i] & flag_bits) != 0) mf |= bit;
    }
    m.a[static_cast<size_t>(k)] = ma;
    m.b[static_cast<size_t>(k)] = mb;
    m.flags[static_cast<size_t>(k)] = mf;
  }
}

// The masks of a walk are made a stretch of blocks at a time, just ahead of it, so that the walk
// reads the text while the stretch is still in cache: blocks up to the one asked for, and at
// least this many from the first not made yet.
constexpr int32_t kMaskStretchBlocks = 64;  // 4,096 characters

// Where the stretch made for block k ends, blocks [made, end) being made next (k >= made).
inline int32_t MaskStretchEnd(int32_t k, int32_t made, int32_t n) {
  return std::min((n + 63) / 64, std::max(k + 1, made + kMaskStretchBlocks));
}

// The first position in [p, end) whose bit is set in word(k), block k's bits, or end; make(k)
// is called before word(k) is read.
template <class Make, class Word>
inline int32_t NextMadeBit(int32_t p, int32_t end, Make&& make, Word&& word) {
  if (p >= end) return end;
  int32_t k = p / 64;
  make(k);
  uint64_t w = word(k) & (~uint64_t{0} << (p % 64));
  const int32_t last = (end - 1) / 64;
  while (w == 0) {
    if (++k > last) return end;
    make(k);
    w = word(k);
  }
  return std::min(end, 64 * k + std::countr_zero(w));
}

thread_local TUnitMasks t_unit_masks;

// What the sentence-end walk stops at, 64 characters a block, from the text alone: sentence
// punctuation, tag openings ("<" and 25) and every unit beyond U+0588 (the scripts' own marks
// among them); and tag closings (">" and 24). Made a stretch at a time as the walk reaches them;
// no block before the walk's first character is made at all.
struct TSentenceMasks {
  std::vector<uint64_t> stops, closes;
};

#if defined(__x86_64__)
__attribute__((target("avx2"))) void SentenceMasksWide(const char16_t* t, int32_t from, int32_t to, TSentenceMasks& m) {
  const __m256i above = _mm256_set1_epi16(0x0588), zero = _mm256_setzero_si256();
  for (int32_t k = from; k < to; ++k) {
    uint64_t ms = 0, mc = 0;
    for (int q = 0; q < 2; ++q) {
      const int32_t at = 64 * k + 32 * q;
      __m256i s[2], c[2];
      for (int h = 0; h < 2; ++h) {
        const __m256i u = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + at + 16 * h));
        auto eq = [&u](char16_t x) __attribute__((target("avx2"), always_inline)) {
          return _mm256_cmpeq_epi16(u, _mm256_set1_epi16(static_cast<short>(x)));
        };
        const __m256i low = _mm256_cmpeq_epi16(_mm256_subs_epu16(u, above), zero);  // up to U+0588
        const __m256i open = _mm256_or_si256(eq(u'<'), eq(kTagOnCode));
        c[h] = _mm256_or_si256(eq(u'>'), eq(kTagOffCode));
        const __m256i marks = _mm256_or_si256(_mm256_or_si256(eq(u'.'), eq(u'?')), _mm256_or_si256(eq(u'!'), open));
        s[h] = _mm256_or_si256(marks, _mm256_andnot_si256(low, _mm256_set1_epi16(-1)));
      }
      // Packing two sixteen-lane results to bytes interleaves their halves; 0xD8 puts them back.
      auto bits_of = [](__m256i x0, __m256i x1) __attribute__((target("avx2"), always_inline)) {
        return static_cast<uint64_t>(static_cast<uint32_t>(
            _mm256_movemask_epi8(_mm256_permute4x64_epi64(_mm256_packs_epi16(x0, x1), 0xD8))));
      };
      ms |= bits_of(s[0], s[1]) << (32 * q);
      mc |= bits_of(c[0], c[1]) << (32 * q);
    }
    m.stops[static_cast<size_t>(k)] = ms;
    m.closes[static_cast<size_t>(k)] = mc;
  }
}
// The 512-bit path: compares straight into bit masks, 32 units a compare.
__attribute__((target("avx512f,avx512bw"))) void SentenceMasksByMaskCompares(const char16_t* t, int32_t from,
                                                                             int32_t to, TSentenceMasks& m) {
  const __m512i above = _mm512_set1_epi16(0x0588);
  for (int32_t k = from; k < to; ++k) {
    uint64_t ms = 0, mc = 0;
    for (int q = 0; q < 2; ++q) {
      const __m512i u = _mm512_loadu_si512(t + 64 * k + 32 * q);
      auto eq = [&u](char16_t x) __attribute__((target("avx512f,avx512bw"), always_inline)) {
        return _mm512_cmpeq_epi16_mask(u, _mm512_set1_epi16(static_cast<short>(x)));
      };
      const __mmask32 s = eq(u'.') | eq(u'?') | eq(u'!') | eq(u'<') | eq(kTagOnCode) | _mm512_cmpgt_epu16_mask(u, above);
      ms |= static_cast<uint64_t>(s) << (32 * q);
      mc |= static_cast<uint64_t>(eq(u'>') | eq(kTagOffCode)) << (32 * q);
    }
    m.stops[static_cast<size_t>(k)] = ms;
    m.closes[static_cast<size_t>(k)] = mc;
  }
}
#endif

void SentenceMasksSse2(const char16_t* t, int32_t from, int32_t to, TSentenceMasks& m) {
  auto eq = [](__m128i v, char16_t c) { return _mm_cmpeq_epi16(v, _mm_set1_epi16(static_cast<short>(c))); };
  auto bits_of = [](__m128i x0, __m128i x1) {
    return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(x0, x1))));
  };
  const __m128i above = _mm_set1_epi16(0x0588), zero = _mm_setzero_si128();
  for (int32_t k = from; k < to; ++k) {
    uint64_t ms = 0, mc = 0;
    for (int q = 0; q < 4; ++q) {
      const int32_t at = 64 * k + 16 * q;
      __m128i s[2], c[2];
      for (int h = 0; h < 2; ++h) {
        const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + at + 8 * h));
        const __m128i open = _mm_or_si128(eq(u, u'<'), eq(u, kTagOnCode));
        c[h] = _mm_or_si128(eq(u, u'>'), eq(u, kTagOffCode));
        const __m128i high = _mm_xor_si128(_mm_cmpeq_epi16(_mm_subs_epu16(u, above), zero), _mm_set1_epi16(-1));
        s[h] = _mm_or_si128(_mm_or_si128(_mm_or_si128(eq(u, u'.'), eq(u, u'?')), _mm_or_si128(eq(u, u'!'), high)), open);
      }
      ms |= bits_of(s[0], s[1]) << (16 * q);
      mc |= bits_of(c[0], c[1]) << (16 * q);
    }
    m.stops[static_cast<size_t>(k)] = ms;
    m.closes[static_cast<size_t>(k)] = mc;
  }
}

// Makes blocks [from, to) of an n-character text's masks; the vectors have room for them.
void SentenceMasksOf(const char16_t* t, int32_t n, int32_t from, int32_t to, TSentenceMasks& m) {
  const int32_t whole = std::min(to, n / 64);
  if (from < whole) {
#if defined(__x86_64__)
    if (HasMaskVectors()) SentenceMasksByMaskCompares(t, from, whole, m);
    else if (HasWideVectors()) SentenceMasksWide(t, from, whole, m);
    else
#endif
      SentenceMasksSse2(t, from, whole, m);
  }
  for (int32_t k = std::max(from, whole); k < to; ++k) {
    uint64_t ms = 0, mc = 0;
    for (int32_t i = 64 * k; i < std::min(n, 64 * k + 64); ++i) {
      const uint64_t bit = uint64_t{1} << (i % 64);
      const char16_t u = t[i];
      if (u == u'>' || u == kTagOffCode) mc |= bit;
      if (u == u'<' || u == kTagOnCode || u == u'.' || u == u'?' || u == u'!' || u > 0x0588) ms |= bit;
    }
    m.stops[static_cast<size_t>(k)] = ms;
    m.closes[static_cast<size_t>(k)] = mc;
  }
}

thread_local TSentenceMasks t_sentence_masks;

// The brackets of marked tags compare equal to the brackets they replaced.
inline uint32_t NormTag(uint32_t c) { return c == kTagOnCode ? u'<' : c == kTagOffCode ? u'>' : c; }

template <typename C>
using TStr = std::basic_string<C>;

template <typename C>
const TStr<C>& Pick(const UString& w, const std::string& a) {
  if constexpr (std::is_same_v<C, char16_t>) return w;
  else return a;
}


// pat at t[pos]; `tolerant` lets 25 and 24 stand for "<" and ">" on either side.
template <typename C>
inline bool MatchesAt(const C* t, int32_t pos, int32_t n, const TStr<C>& pat, bool tolerant) {
  const int32_t m = static_cast<int32_t>(pat.size());
  if (m == 0 || pos < 0 || m > n - pos) return false;
  if (tolerant) {
    for (int32_t k = 0; k < m; ++k)
      if (NormTag(U(t[pos + k])) != NormTag(U(pat[static_cast<size_t>(k)]))) return false;
    return true;
  }
  return std::memcmp(t + pos, pat.data(), sizeof(C) * static_cast<size_t>(m)) == 0;
}

// First occurrence of pat in t[from, to); -1 when none.
template <typename C>
int32_t FindFrom(const C* t, int32_t from, int32_t to, const TStr<C>& pat) {
  const int32_t m = static_cast<int32_t>(pat.size());
  if (m == 0 || from < 0) return -1;
  const C first = pat[0];
  for (int32_t p = from; p + m <= to; ++p)
    if (t[p] == first && MatchesAt(t, p, to, pat, false)) return p;
  return -1;
}

// A pattern with wildcard codes at t[pos]: 27 a run of one or more digits (consumed whole), 28
// and 29 any one character, 30 any one character (a letter when letter_for_30), anything else
// itself. `end` receives the position after the match.
template <typename C>
bool WildcardMatchAt(const C* t, const uint16_t* f, int32_t pos, int32_t n, const TStr<C>& w, bool tolerant,
                     bool letter_for_30, int32_t& end) {
  for (const C pc : w) {
    const uint32_t c = U(pc);
    if (pos >= n) return false;
    if (c == kWildDigits) {
      if (!IsDigitFlag(f[pos])) return false;
      while (pos < n && IsDigitFlag(f[pos])) ++pos;
      continue;
    }
    if (c == kWildAnyChar || c == kWildAnyRun || c == kWildLetter) {
      if (c == kWildLetter && letter_for_30 && !IsLetterFlag(f[pos])) return false;
      ++pos;
      continue;
    }
    const uint32_t x = U(t[pos]);
    if (tolerant ? NormTag(x) != NormTag(c) : x != c) return false;
    ++pos;
  }
  end = pos;
  return true;
}

// Where a pattern with wildcards is found in t[from, n): its start and end; false when nowhere.
template <typename C>
bool FindWildcardPattern(const C* t, const uint16_t* f, int32_t from, int32_t n, const TStr<C>& w, int32_t& start,
                         int32_t& end) {
  if (w.empty()) return false;
  const uint32_t first = U(w[0]);
  const bool literal_first = !IsWildcardCode(static_cast<char16_t>(first));
  for (int32_t p = std::max(0, from); p < n; ++p) {
    if (literal_first) {
      const C c0 = w[0];
      while (p < n && t[p] != c0) ++p;
      if (p >= n) break;
    } else if (first == kWildDigits && p > 0 && IsDigitFlag(f[p - 1])) {
      continue;  // a run of digits is tried from its start only
    }
    if (WildcardMatchAt(t, f, p, n, w, false, true, end)) {
      start = p;
      return true;
    }
  }
  return false;
}

int PunctuationKind(uint32_t c) {
  switch (c) {
    case u'.': case 0x0589: case 0x06D4: case 0x0964: case 0x0965: case 0x0F0D: case 0x104B: case 0x1362:
    case 0x17D4: case 0x1803: case 0x1809: case 0x2026: case 0x3002: case 0xFE52: case 0xFF0E: case 0xFF61:
      return 1;  // full stops (dandas, Tibetan shad, Myanmar and Khmer section marks), the ellipsis
    case u'?': case 0x061F: case 0x1367: case 0x2047: case 0x2048: case 0x2049: case 0x203D: case 0x2E2E:
    case 0xFE56: case 0xFF1F:
      return 2;  // question marks
    case u'!': case 0x203C: case 0xFE57: case 0xFF01:
      return 3;  // exclamation marks
    default:
      return 0;
  }
}

std::string EncodeFor8Bit(UStringView s, uint16_t code_page) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      size_t k = 1;
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size()) k = 2;
      out += EncodeCodePage(s.substr(i, k), code_page ? code_page : kDefaultCodePage);
      i += k - 1;
    }
  }
  return out;
}

// n units of v from p on.
#if defined(__x86_64__)
// The 512-bit path of Fill16: 32 units a store, the last ones through a mask.
__attribute__((target("avx512f,avx512bw"))) void Fill16ByMasks(uint16_t* p, size_t n, uint16_t v) {
  const __m512i x = _mm512_set1_epi16(static_cast<short>(v));
  size_t i = 0;
  for (; i + 32 <= n; i += 32) _mm512_storeu_si512(p + i, x);
  if (i < n) _mm512_mask_storeu_epi16(p + i, static_cast<__mmask32>((uint64_t{1} << (n - i)) - 1), x);
}
#endif

void Fill16(uint16_t* p, size_t n, uint16_t v) {
#if defined(__x86_64__)
  if (HasMaskVectors()) return Fill16ByMasks(p, n, v);
#endif
  size_t i = 0;
  const __m128i x = _mm_set1_epi16(static_cast<short>(v));
  for (; i + 8 <= n; i += 8) _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), x);
  for (; i < n; ++i) p[i] = v;
}

template <typename C>
void BlankAndHide(C* t, uint16_t* f, int32_t from, int32_t to) {
  if (to <= from) return;
  // Tags in mark-up run to dozens of characters: eight at a time.
  const size_t n = static_cast<size_t>(to - from);
  if constexpr (std::is_same_v<C, char16_t>) Fill16(reinterpret_cast<uint16_t*>(t + from), n, kBlank);
  else std::memset(t + from, kBlank, n);
  Fill16(f + from, n, kFlagHidden);
}

// Candidates by their first two characters: a bit per first character for the quick test, then
// the candidates (in table order) for that pair of characters, the one-character candidates of
// the first character included. Few characters start tags, so the look-ups are searches in
// short sorted arrays.
struct TPrefixIndex {
  static constexpr uint32_t kNone = 0xFFFFFFFF;
  struct TSlot {
    std::vector<int32_t> singles;              // one-character entries
    std::vector<uint32_t> seconds;             // sorted
    std::vector<std::vector<int32_t>> lists;   // by second character
  };
  std::vector<uint64_t> bits = std::vector<uint64_t>(65536 / 64, 0);
  std::vector<uint32_t> firsts;  // sorted
  std::vector<TSlot> slots;      // by first character
  bool any = false;

  void Clear() {
    std::fill(bits.begin(), bits.end(), 0);
    firsts.clear();
    slots.clear();
    any = false;
  }
  // Entries are added in table order; second is kNone for a one-character entry.
  void Add(uint32_t first, uint32_t second, int32_t index) {
    first &= 0xFFFF;
    bits[first >> 6] |= uint64_t(1) << (first & 63);
    any = true;
    const auto f = std::lower_bound(firsts.begin(), firsts.end(), first);
    const size_t k = static_cast<size_t>(f - firsts.begin());
    if (f == firsts.end() || *f != first) {
      firsts.insert(f, first);
      slots.insert(slots.begin() + static_cast<std::ptrdiff_t>(k), TSlot());
    }
    TSlot& slot = slots[k];
    if (second == kNone) {
      slot.singles.push_back(index);
      return;
    }
    second &= 0xFFFF;
    const auto s2 = std::lower_bound(slot.seconds.begin(), slot.seconds.end(), second);
    const size_t j = static_cast<size_t>(s2 - slot.seconds.begin());
    if (s2 == slot.seconds.end() || *s2 != second) {
      slot.seconds.insert(s2, second);
      slot.lists.insert(slot.lists.begin() + static_cast<std::ptrdiff_t>(j), std::vector<int32_t>());
    }
    slot.lists[j].push_back(index);
  }
  void Finish() {
    for (TSlot& slot : slots) {
      if (slot.singles.empty()) continue;
      for (auto& list : slot.lists) {
        std::vector<int32_t> merged(list.size() + slot.singles.size());
        std::merge(list.begin(), list.end(), slot.singles.begin(), slot.singles.end(), merged.begin());
        list = std::move(merged);
      }
    }
  }
  bool Has(uint32_t c) const { return c < 65536 && ((bits[c >> 6] >> (c & 63)) & 1) != 0; }
  const std::vector<int32_t>* Find(uint32_t first, uint32_t second) const {
    const auto f = std::lower_bound(firsts.begin(), firsts.end(), first);
    if (f == firsts.end() || *f != first) return nullptr;
    const TSlot& slot = slots[static_cast<size_t>(f - firsts.begin())];
    if (second != kNone) {
      const auto s2 = std::lower_bound(slot.seconds.begin(), slot.seconds.end(), second);
      if (s2 != slot.seconds.end() && *s2 == second) return &slot.lists[static_cast<size_t>(s2 - slot.seconds.begin())];
    }
    return slot.singles.empty() ? nullptr : &slot.singles;
  }
  // The candidates at t[p] (characters compared as `norm` gives them); nullptr when none.
  template <typename C, typename N>
  const std::vector<int32_t>* At(const C* t, int32_t p, int32_t n, N norm) const {
    const uint32_t c = norm(U(t[p]));
    if (!Has(c)) return nullptr;
    return Find(c, p + 1 < n ? norm(U(t[p + 1])) : kNone);
  }
  // Indexes a pattern by its first two characters.
  template <typename C, typename N>
  void AddPattern(const TStr<C>& pat, int32_t index, N norm) {
    if (pat.empty()) return;
    Add(norm(U(pat[0])), pat.size() > 1 ? norm(U(pat[1])) : kNone, index);
  }
};

// Entities by their text: at a position, each length that an entity of that first character has
// is looked up once, however many entities there are.
template <typename C>
struct TEntityIndex {
  std::vector<uint64_t> bits = std::vector<uint64_t>(65536 / 64, 0);
  std::vector<uint32_t> firsts;                // sorted
  std::vector<std::vector<int32_t>> lengths;   // by first character, ascending
  std::vector<TStr<C>> keys;                   // the texts the map points into
  std::unordered_map<std::basic_string_view<C>, int32_t> first_of;  // text -> first entity with it
  bool any = false;

  void Clear() {
    std::fill(bits.begin(), bits.end(), 0);
    firsts.clear();
    lengths.clear();
    first_of.clear();
    keys.clear();
    any = false;
  }
  void Build(const std::vector<TStr<C>>& texts) {
    Clear();
    keys = texts;  // no growth after this: the views stay valid
    for (size_t e = 0; e < keys.size(); ++e) {
      const TStr<C>& k = keys[e];
      if (k.empty()) continue;
      first_of.emplace(std::basic_string_view<C>(k), static_cast<int32_t>(e));  // the first one stays
      const uint32_t c = U(k[0]);
      bits[c >> 6] |= uint64_t(1) << (c & 63);
      const auto f = std::lower_bound(firsts.begin(), firsts.end(), c);
      const size_t j = static_cast<size_t>(f - firsts.begin());
      if (f == firsts.end() || *f != c) {
        firsts.insert(f, c);
        lengths.insert(lengths.begin() + static_cast<std::ptrdiff_t>(j), std::vector<int32_t>());
      }
      std::vector<int32_t>& l = lengths[j];
      const int32_t len = static_cast<int32_t>(k.size());
      const auto at = std::lower_bound(l.begin(), l.end(), len);
      if (at == l.end() || *at != len) l.insert(at, len);
      any = true;
    }
  }
  // The first entity (in table order) found at t[p]; -1 when none.
  int32_t At(const C* t, int32_t p, int32_t n) const {
    const uint32_t c = U(t[p]);
    if (c >= 65536 || ((bits[c >> 6] >> (c & 63)) & 1) == 0) return -1;
    const auto f = std::lower_bound(firsts.begin(), firsts.end(), c);
    int32_t best = -1;
    for (const int32_t len : lengths[static_cast<size_t>(f - firsts.begin())]) {
      if (len > n - p) break;
      const auto it = first_of.find(std::basic_string_view<C>(t + p, static_cast<size_t>(len)));
      if (it != first_of.end() && (best < 0 || it->second < best)) best = it->second;
    }
    return best;
  }
};

inline uint32_t Same(uint32_t c) { return c; }

struct TCloseCache {
  int32_t searched_from = -1;  // -1: nothing known
  int32_t found_at = -1;       // -1: none from searched_from on
};

}  // namespace

// --- the search tables and the passes over a buffer ------------------------------------------------

struct TTextTagHandler::TSearchTables {
  TPrefixIndex keepW, keepA, exclW, exclA, markW, markA;
  TEntityIndex<char16_t> entW;
  TEntityIndex<char> entA;
  std::vector<TCloseCache> close_cache;  // per exclude tag, within one buffer
  std::vector<std::string> ent_longA;
  std::vector<char> ent_shortA;
  // Text markers by kind - 14: the fixed part searched for.
  std::array<UString, 8> mark_fixedW;
  std::array<std::string, 8> mark_fixedA;
  // Parts of texts: the contexts with wildcards converted, in both widths.
  std::array<UString, kSelectWithinContexts> ctxW;
  std::array<std::string, kSelectWithinContexts> ctxA;
  int32_t cut_start_of_line = 0;

  template <typename C>
  static int32_t Entities(TTextTagHandler& h, C* t, uint16_t* f, int32_t n, TCharacterSpans* tails) {
    TSearchTables& s = *h.fTables;
    const TEntityIndex<C>& idx = [&s]() -> const TEntityIndex<C>& {
      if constexpr (std::is_same_v<C, char16_t>) return s.entW;
      else return s.entA;
    }();
    if (!idx.any) return 0;
    int32_t count = 0;
    for (int32_t p = 0; p < n; ++p) {
      const int32_t e = idx.At(t, p, n);
      if (e < 0) continue;
      const TTranslateTagRec& r = h.ArrayOfTranslationTagfileTags[static_cast<size_t>(e)];
      ++count;
      if constexpr (std::is_same_v<C, char16_t>) t[p] = r.short_form;
      else t[p] = s.ent_shortA[static_cast<size_t>(e)];
      // A bracket written as an entity is text: it never opens or closes a tag.
      f[p] = h.IsTagBracket(r.short_form) ? static_cast<uint16_t>(r.short_C1 | kFlagLiteral) : r.short_C1;
      const int32_t end = p + static_cast<int32_t>(idx.keys[static_cast<size_t>(e)].size());
      BlankAndHide(t, f, p + 1, end);
      if (tails && end > p + 1) tails->emplace_back(p + 1, end);
    }
    return count;
  }

  // Where the hiding walk looks next: the first opening in [p, end), and the first opening,
  // closing or flag with a literal bit or mark in [q, end) (end for none). Over UTF-16 text
  // they are found through bit masks, made a stretch of blocks at a time as the walk reaches
  // them (what the walk has blanked lies behind it: no mask is asked about it again); over
  // 8-bit text eight units at a time.
  struct TTagStopsByMasks {
    const char16_t* t;
    const uint16_t* f;
    int32_t n;
    char16_t on, off;
    TUnitMasks& m;
    int32_t made = 0;  // blocks [0, made) are made

    TTagStopsByMasks(const char16_t* text, const uint16_t* flags, int32_t count, char16_t a, char16_t b,
                     TUnitMasks& masks)
        : t(text), f(flags), n(count), on(a), off(b), m(masks) {
      const size_t blocks = static_cast<size_t>((n + 63) / 64);
      for (auto* v : {&m.a, &m.b, &m.flags}) v->resize(blocks);
    }
    void Make(int32_t k) {
      if (k < made) return;
      const int32_t to = MaskStretchEnd(k, made, n);
      UnitMasksOf(t, f, n, on, off, static_cast<uint16_t>(0xFC00), made, to, m);
      made = to;
    }
    // The first position in [p, end) with a bit in the openings (and with `all`, the closings or
    // the flags), or end.
    int32_t Next(int32_t p, int32_t end, bool all) {
      return NextMadeBit(p, end, [this](int32_t k) { Make(k); }, [this, all](int32_t k) {
        const size_t i = static_cast<size_t>(k);
        return m.a[i] | (all ? m.b[i] | m.flags[i] : 0);
      });
    }
    int32_t NextOpening(int32_t p, int32_t end) { return Next(p, end, false); }
    int32_t NextStop(int32_t q, int32_t end) { return Next(q, end, true); }
  };
  template <typename C>
  struct TTagStopsByUnits {
    const C* t;
    const uint16_t* f;
    C on, off;
    int32_t NextOpening(int32_t p, int32_t end) const { return std::max(p, NextUnitOrFlag(t, f, p, end, on, on, 0)); }
    int32_t NextStop(int32_t q, int32_t end) const {
      return NextUnitOrFlag(t, f, q, end, on, off, static_cast<uint16_t>(0xFC00));
    }
  };

  template <typename C>
  static void HideTags(C on, C off, C* t, uint16_t* f, int32_t n, int32_t limit, bool mark) {
    if constexpr (std::is_same_v<C, char16_t>) {
      HideTagsWalk(on, off, t, f, n, limit, mark, TTagStopsByMasks(t, f, n, on, off, t_unit_masks));
    } else {
      HideTagsWalk(on, off, t, f, n, limit, mark, TTagStopsByUnits<C>{t, f, on, off});
    }
  }

  template <typename C, typename Stops>
  static void HideTagsWalk(C on, C off, C* t, uint16_t* f, int32_t n, int32_t limit, bool mark, Stops stops) {
    limit = SpanOrDefault(limit);
    auto gives_up = [mark](uint16_t fl) { return IsMarkFlag(fl) && !(mark && fl == kFlagSentenceEndAuto); };
    int32_t p = 0;
    while (p < n - 1) {
      p = stops.NextOpening(p, n - 1);
      if (p >= n - 1) break;
      if (gives_up(f[p]) || IsLiteralFlag(f[p])) {
        ++p;
        continue;
      }
      const int32_t end = static_cast<int32_t>(std::min<int64_t>(n, int64_t(p) + limit));
      int32_t q = p + 1, close = -1;
      for (; q < end; ++q) {
        // Units that are no bracket and carry no literal bit or mark cannot end the walk.
        q = stops.NextStop(q, end);
        if (q >= end) break;
        if (IsLiteralFlag(f[q])) continue;  // a bracket written as an entity, inside the tag
        if (gives_up(f[q]) || t[q] == on) break;
        if (t[q] == off) {
          close = q;
          break;
        }
      }
      if (close < 0) {
        p = std::max(p + 1, q);  // nothing before q opens a tag
        continue;
      }
      if (mark) {
        t[p] = static_cast<C>(kTagOnCode);
        t[close] = static_cast<C>(kTagOffCode);
        std::fill(f + p, f + close + 1, kFlagHidden);
      } else {
        BlankAndHide(t, f, p, close + 1);
      }
      p = close + 1;
    }
  }

  template <typename C>
  static int32_t Keep(TTextTagHandler& h, bool storing, C* t, uint16_t* f, int32_t limit, int32_t first, int32_t n,
                      const TChunkByteMap* byte_map) {
    TSearchTables& s = *h.fTables;
    const TPrefixIndex& idx = std::is_same_v<C, char16_t> ? s.keepW : s.keepA;
    if (!idx.any) return 0;
    limit = SpanOrDefault(limit);
    const bool wide = std::is_same_v<C, char16_t>;
    int32_t count = 0;
    int32_t p = std::max(0, first);
    while (p < n) {
      int32_t advance = 1;
      if (IsLiteralFlag(f[p])) {  // a bracket written as an entity starts no tag
        ++p;
        continue;
      }
      if (const std::vector<int32_t>* cands = idx.At(t, p, n, NormTag)) {
        for (const int32_t ti : *cands) {
          const TextTagRec& tag = h.ArrayOfTagfileTags[static_cast<size_t>(ti)];
          const bool sectional = tag.FromSwapFile.isMediaTag != 0 || tag.is_section_tag;
          if (storing && !sectional) continue;
          const TStr<C>& pat = Pick<C>(tag.compare_stringW, tag.compare_stringA);
          if (!MatchesAt(t, p, n, pat, true)) continue;
          // The tag runs to its closing character, within the span.
          const uint32_t off = NormTag(tag.switch_off_wchar);
          const int32_t end = static_cast<int32_t>(std::min<int64_t>(n, int64_t(p) + limit));
          int32_t e = p;
          while (e < end && NormTag(U(t[e])) != off) ++e;
          if (e >= end) continue;
          int32_t len = e - p + 1;
          if (tag.has_tag_wildcards) {
            int32_t wend = 0;
            const TStr<C>& w = Pick<C>(tag.wildcard_widestring_section, tag.wildcard_sectionA);
            if (!WildcardMatchAt(t, f, p + static_cast<int32_t>(pat.size()), n, w, true, false, wend)) continue;
          }
          if (h.fTagFoundHandler) {
            len = h.fTagFoundHandler(f, t, p, len, wide, tag);
            if (len < 1) continue;
            len = std::min(len, n - p);
          }
          const uint16_t mark = static_cast<uint16_t>(kFlagFirstKeptTag + ti);
          for (int32_t k = p; k < p + len; ++k) f[k] = mark;
          const bool read_ahead = p >= h.ReadAheadFrom;  // the next buffer stores and counts it
          if (storing && sectional && !read_ahead) {
            const UString name = h.Above32PointerToWide(t + p, len);
            const int64_t pos = byte_map ? byte_map->FileByteOf(p) : h.FileBytePos + int64_t(p) * int64_t(sizeof(C));
            if (h.fKeepingLog) AddToLogFile(IntToUStr(pos) + u" at " + name);
            h.BufsSectionStarts->Add(pos, name);
          }
          if (!read_ahead) ++count;
          advance = len;
          break;
        }
      }
      p += advance;
    }
    if (storing) h.BufsSectionStarts->SortSectionTags();
    return count;
  }

  template <typename C>
  static int32_t Exclude(TTextTagHandler& h, C* t, uint16_t* f, int32_t first, int32_t n) {
    TSearchTables& s = *h.fTables;
    const TPrefixIndex& idx = std::is_same_v<C, char16_t> ? s.exclW : s.exclA;
    if (!idx.any) return 0;
    std::fill(s.close_cache.begin(), s.close_cache.end(), TCloseCache());
    int32_t count = 0;
    int32_t p = std::max(0, first);
    // Without a cut in the buffer (the text's last one) nothing carries on.
    const bool has_cut = h.ReadAheadFrom <= n;
    const int32_t cut = has_cut ? std::max(p, h.ReadAheadFrom) : n;
    if (h.FileBytePos == 0) h.fOpenExcludeTag = -1;  // a text starts
    // A span left open at the last buffer's cut runs on to its closing tag here.
    if (const int32_t ti = h.fOpenExcludeTag; ti >= 0 && static_cast<size_t>(ti) < h.ArrayOfTagFileExcludeTags.size()) {
      const TextTagRec& tag = h.ArrayOfTagFileExcludeTags[static_cast<size_t>(ti)];
      const TStr<C>& close = Pick<C>(tag.compare_string_restW, tag.compare_string_restA);
      const int32_t at = close.empty() ? -1 : FindFrom(t, p, n, close);
      const int32_t end = at < 0 ? n : at + static_cast<int32_t>(close.size());
      BlankAndHide(t, f, p, end);
      h.fOpenExcludeTag = has_cut && (at < 0 || end > cut) ? ti : -1;
      p = end;
    } else {
      h.fOpenExcludeTag = -1;
    }
    while (p < n) {
      bool done = false;
      if (IsLiteralFlag(f[p])) {  // a bracket written as an entity starts no tag
        ++p;
        continue;
      }
      if (const std::vector<int32_t>* cands = idx.At(t, p, n, NormTag)) {
        for (const int32_t ti : *cands) {
          const TextTagRec& tag = h.ArrayOfTagFileExcludeTags[static_cast<size_t>(ti)];
          const TStr<C>& pat = Pick<C>(tag.compare_stringW, tag.compare_stringA);
          if (!MatchesAt(t, p, n, pat, true)) continue;
          const int32_t after_open = p + static_cast<int32_t>(pat.size());
          if (tag.has_tag_wildcards) {
            int32_t wend = 0;
            const TStr<C>& w = Pick<C>(tag.wildcard_widestring_section, tag.wildcard_sectionA);
            if (!WildcardMatchAt(t, f, after_open, n, w, true, false, wend)) continue;
          }
          const TStr<C>& close = Pick<C>(tag.compare_string_restW, tag.compare_string_restA);
          // The closing tag, through what is known of it from earlier hits of this tag: each
          // stretch of the buffer is searched once per tag, however many openings lack a close.
          TCloseCache& cache = s.close_cache[static_cast<size_t>(ti)];
          int32_t at = -2;
          if (cache.searched_from >= 0 && cache.searched_from <= after_open) {
            if (cache.found_at < 0) at = -1;
            else if (cache.found_at >= after_open && MatchesAt(t, cache.found_at, n, close, false)) at = cache.found_at;
          }
          if (at == -2) {
            at = FindFrom(t, after_open, n, close);
            cache.searched_from = after_open;
            cache.found_at = at;
          }
          // Without its closing tag an opening is text, unless it lies before a cut: the span
          // then runs on into the next buffer, where the closing tag may be.
          if (at < 0 && (!has_cut || p >= cut)) continue;
          const int32_t end = at < 0 ? n : at + static_cast<int32_t>(close.size());
          BlankAndHide(t, f, p, end);
          if (has_cut && p < cut && end > cut) h.fOpenExcludeTag = ti;
          if (p < cut) ++count;
          p = end;
          done = true;
          break;
        }
      }
      if (!done) ++p;
    }
    return count;
  }

  template <typename C>
  static void Markers(TTextTagHandler& h, C* t, uint16_t* f, int32_t first, int32_t n, int32_t limit) {
    TSearchTables& s = *h.fTables;
    const TPrefixIndex& idx = std::is_same_v<C, char16_t> ? s.markW : s.markA;
    if (!idx.any) return;
    limit = SpanOrDefault(limit);
    TTagsFoundArray& found = *h.ArrayOfTextMarkersFoundPtr;
    int32_t p = std::max(0, first);
    while (p < n) {
      int32_t advance = 1;
      if (IsLiteralFlag(f[p])) {  // a bracket written as an entity starts no marker
        ++p;
        continue;
      }
      if (const std::vector<int32_t>* cands = idx.At(t, p, n, Same)) {
        for (const int32_t k : *cands) {
          const TextMarkerTagrec& m = h.ArrayOfTextMarkers[static_cast<size_t>(k)];
          const TStr<C>& fixed = Pick<C>(s.mark_fixedW[static_cast<size_t>(k)], s.mark_fixedA[static_cast<size_t>(k)]);
          if (!MatchesAt(t, p, n, fixed, false)) continue;
          int32_t end = p + static_cast<int32_t>(fixed.size());
          if (m.tag_wildcard_pos > 0) {
            int32_t wend = 0;
            if (!WildcardMatchAt(t, f, end, n, Pick<C>(m.tag_wildcards, m.tag_wildcardsA), false, false, wend)) continue;
            end = wend;
            const TStr<C>& tail = Pick<C>(m.tag_end, m.tag_endA);
            if (!tail.empty()) {
              const int32_t bound = static_cast<int32_t>(std::min<int64_t>(n, int64_t(p) + limit));
              const int32_t at = FindFrom(t, wend, bound, tail);
              if (at < 0) continue;
              end = at + static_cast<int32_t>(tail.size());
            }
          }
          f[p] = static_cast<uint16_t>(kFlagMarker + TTextsett_rec32::kFirstMarker + k);
          for (int32_t q = p + 1; q < end; ++q) f[q] = kFlagMarker;
          if (p < h.ReadAheadFrom) ++found[static_cast<size_t>(k)];
          advance = end - p;
          break;
        }
      }
      p += advance;
    }
  }

  // What the sentence-end walk sees in a character: 1 to 3 the three kinds of sentence
  // punctuation, 4 a tag opening, 5 a tag closing, 0 anything else.
  static uint8_t SentenceClass(uint32_t c) {
    static constexpr auto kAscii = [] {
      std::array<uint8_t, 128> a{};
      a[u'.'] = 1;
      a[u'?'] = 2;
      a[u'!'] = 3;
      a[u'<'] = a[kTagOnCode] = 4;
      a[u'>'] = a[kTagOffCode] = 5;
      return a;
    }();
    if (c < 128) return kAscii[c];
    return static_cast<uint8_t>(SentenceMarkKind(c));
  }

  // Where the tag opened by the "<" at `open` closes: the first ">" after it, when that lies
  // within `limit` characters; -1 when the "<" opens no tag and is text. Asked for positions
  // that never go back, it looks at each character once: `next` is the first ">" after the last
  // "<" asked for (n for none).
  struct TTagCloser {
    int32_t next = -1;
    template <typename C>
    int32_t CloseOf(const C* t, const uint16_t* f, int32_t n, int32_t open, int32_t limit) {
      if (next <= open) {
        int32_t q = open + 1;
        for (;;) {
          q = NextUnitOrFlag(t, f, q, n, static_cast<C>(u'>'), static_cast<C>(kTagOffCode), 0);
          if (q >= n || !IsLiteralFlag(f[q])) break;
          ++q;
        }
        next = q;
      }
      return next < n && next - open <= limit ? next : -1;
    }
  };

  // A full stop that belongs to an abbreviation rather than ending a sentence: one inside a
  // dotted word (the "." of "Ph.D" or "z.Zt" before its letter), one at the end of a dotted word
  // whatever the length of its last part (the last one of "U.S.A.", "e.g.", "z.Zt.", "Dr.med."
  // and "v.Chr."), and one after a single capital (initials, as in "D. C."). A run of full
  // stops (an ellipsis) is no abbreviation, nor is one after a word without a full stop inside
  // ("Dr. Meier" ends a sentence) or after a single small letter standing alone ("3 m. Then").
  template <typename C>
  static bool IsAbbreviationStop(const C* t, const uint16_t* f, int32_t i, int32_t n) {
    if (t[i] != static_cast<C>(u'.')) return false;
    if (i + 1 < n) {
      if (IsLetterFlag(f[i + 1])) return true;
      if (t[i + 1] == static_cast<C>(u'.')) return false;
    }
    if (i < 1 || !IsLetterFlag(f[i - 1])) return false;
    int32_t start = i - 1;  // the first letter of the word's last part
    while (start > 0 && IsLetterFlag(f[start - 1])) --start;
    if (start > 0 && IsDigitFlag(f[start - 1])) return false;  // a longer word ("12a.")
    if (start >= 2 && t[start - 1] == static_cast<C>(u'.') && IsLetterFlag(f[start - 2])) return true;
    // A single letter (a surrogate pair taken whole) that is a capital.
    bool single = start == i - 1;
    if constexpr (std::is_same_v<C, char16_t>) {
      if (start == i - 2 && t[start] >= 0xD800 && t[start] <= 0xDBFF && t[start + 1] >= 0xDC00 && t[start + 1] <= 0xDFFF)
        single = true;
    }
    return single && (KindBits(f[start]) & C1_UPPER) != 0;
  }

  // Where the sentence-end walk looks next, and where a tag opened at `open` closes (-1: the
  // opening is text). Over UTF-16 text the characters the walk stops at (sentence punctuation,
  // tag openings, units beyond U+0588) and the closings are found through bit masks, made a
  // stretch of blocks at a time as the walk reaches them; the few characters between a sentence
  // mark and the letter after it are looked at one by one. Over 8-bit text the walk looks at
  // every character.
  struct TSentenceStopsByMasks {
    const char16_t* t;
    const uint16_t* f;
    int32_t n, limit;
    TSentenceMasks& m;
    int32_t made;              // blocks [first's block, made) are made
    int32_t next_close = -1;   // as TTagCloser: the first closing after the last opening asked for

    TSentenceStopsByMasks(const char16_t* text, const uint16_t* flags, int32_t count, int32_t span, int32_t first,
                          TSentenceMasks& masks)
        : t(text), f(flags), n(count), limit(span), m(masks), made(std::max(0, first) / 64) {
      const size_t blocks = static_cast<size_t>((n + 63) / 64);
      m.stops.resize(blocks);
      m.closes.resize(blocks);
    }
    void Make(int32_t k) {
      if (k < made) return;
      const int32_t to = MaskStretchEnd(k, made, n);
      SentenceMasksOf(t, n, made, to, m);
      made = to;
    }
    // The first position in [p, n) with a bit in x, or n.
    int32_t Next(const std::vector<uint64_t>& x, int32_t p) {
      return NextMadeBit(p, n, [this](int32_t k) { Make(k); }, [&x](int32_t k) { return x[static_cast<size_t>(k)]; });
    }
    int32_t NextStop(int32_t i) { return Next(m.stops, i); }
    int32_t NextLetterOrOpening(int32_t j) const {
      for (; j < n; ++j)
        if (IsLetterFlag(f[j]) || t[j] == u'<' || t[j] == kTagOnCode) return j;
      return n;
    }
    int32_t CloseOf(int32_t open) {
      if (next_close <= open) {
        int32_t q = open + 1;
        for (;; ++q) {
          q = Next(m.closes, q);
          if (q >= n || !IsLiteralFlag(f[q])) break;
        }
        next_close = q;
      }
      return next_close < n && next_close - open <= limit ? next_close : -1;
    }
  };
  template <typename C>
  struct TSentenceStopsByUnits {
    const C* t;
    const uint16_t* f;
    int32_t n, limit;
    TTagCloser closer;
    int32_t NextStop(int32_t i) const { return i; }
    int32_t NextLetterOrOpening(int32_t j) const { return j; }
    int32_t CloseOf(int32_t open) { return closer.CloseOf(t, f, n, open, limit); }
  };

  template <typename C>
  static int32_t SentenceEnds(C* t, uint16_t* f, int32_t first, int32_t n, int32_t limit, int32_t read_ahead_from) {
    limit = SpanOrDefault(limit);
    if constexpr (std::is_same_v<C, char16_t>) {
      TSentenceStopsByMasks stops(t, f, n, limit, first, t_sentence_masks);
      return SentenceEndsWalk(t, f, first, n, read_ahead_from, stops);
    } else {
      TSentenceStopsByUnits<C> stops{t, f, n, limit, {}};
      return SentenceEndsWalk(t, f, first, n, read_ahead_from, stops);
    }
  }

  template <typename C, typename Stops>
  static int32_t SentenceEndsWalk(C* t, uint16_t* f, int32_t first, int32_t n, int32_t read_ahead_from, Stops& stops) {
    int32_t count = 0;
    // The class of a character: a "<" that opens no tag, and a bracket written as an entity, are
    // text (0). A tag's characters are skipped whole. Characters before `first` are only looked
    // back at.
    int32_t i = std::max(0, first);
    while (i < n) {
      i = stops.NextStop(i);
      if (i >= n) break;
      uint8_t cls = SentenceClass(U(t[i]));
      if (cls == 0) {  // most characters: their flags need not be read
        ++i;
        continue;
      }
      if (IsLiteralFlag(f[i])) cls = 0;
      if (cls == 4) {
        const int32_t close = stops.CloseOf(i);
        i = close < 0 ? i + 1 : close + 1;
        continue;
      }
      if (cls == 0 || cls == 5 || IsMarkFlag(f[i]) ||
          (cls == 1 && U(t[i]) != 0x2026 && i + 1 < n && IsDigitFlag(f[i + 1])) ||
          IsAbbreviationStop(t, f, i, n)) {
        ++i;
        continue;
      }
      // The next letter decides; every punctuation mark up to it would see the same letter.
      int32_t letter = -1;
      for (int32_t j = i + 1;; ++j) {
        j = stops.NextLetterOrOpening(j);
        if (j >= n) break;
        if (!IsLiteralFlag(f[j]) && SentenceClass(U(t[j])) == 4) {
          const int32_t close = stops.CloseOf(j);
          if (close >= 0) j = close;
          continue;
        }
        if (IsLetterFlag(f[j])) {
          letter = j;
          break;
        }
      }
      if (letter < 0 || (KindBits(f[letter]) & C1_LOWER) == 0) {
        f[i] = kFlagSentenceEndAuto;
        if (i < read_ahead_from) ++count;
      }
      if (letter < 0) break;
      i = letter + 1;
    }
    return count;
  }

  template <typename C>
  static bool PartsOfText(TTextTagHandler& h, C* t, uint16_t* f, int32_t n) {
    TSearchTables& s = *h.fTables;
    using TStretch = std::pair<int32_t, int32_t>;  // [start, end)
    std::vector<TStretch> keep, cut;

    // Line starts.
    const int32_t how = s.cut_start_of_line;
    if (how != 0) {
      int32_t line = 0;
      while (line < n) {
        int32_t eol = line;
        while (eol < n && U(t[eol]) != kLF) ++eol;
        int32_t stop = -1;
        if (how > 0) {
          stop = static_cast<int32_t>(std::min<int64_t>(eol, int64_t(line) + how));
        } else if (how == -1 || how == -2) {
          for (int32_t q = line; q < eol; ++q)
            if (how == -1 ? IsLetterFlag(f[q]) : U(t[q]) == kTab) {
              stop = q;
              break;
            }
        }
        if (stop - line >= 1 && stop - line <= kMaxLineStartCut) cut.emplace_back(line, stop);
        line = eol + 1;
      }
    }

    // Start and end contexts, pair by pair. A part still open at the end of the buffer runs to
    // its end and on into the next buffer of the text.
    int32_t continued_keeps = 0, continued_cuts = 0;
    if (h.FileBytePos == 0) {
      h.fPartOpen.fill(false);
      h.fKeptPartSeen = false;
    }
    for (int j = 0; j < kSelectWithinContexts / 2; ++j) {
      bool& open_before = h.fPartOpen[static_cast<size_t>(j)];
      const TStr<C>& open = Pick<C>(s.ctxW[2 * j], s.ctxA[2 * j]);
      const TStr<C>& close = Pick<C>(s.ctxW[2 * j + 1], s.ctxA[2 * j + 1]);
      if (open.empty() || close.empty()) {
        open_before = false;
        continue;
      }
      const bool cutting = h.ftext_select_within_contextsW[static_cast<size_t>(2 * j)].WithinType() == 2;
      std::vector<TStretch>& parts = cutting ? cut : keep;
      int32_t from = 0, os = 0, oe = 0, cs = 0, ce = 0;
      if (open_before) {
        ++(cutting ? continued_cuts : continued_keeps);  // counted where it opened
        if (!FindWildcardPattern(t, f, 0, n, close, cs, ce)) {
          parts.emplace_back(0, n);
          continue;
        }
        parts.emplace_back(0, ce);
        open_before = false;
        from = ce;
      }
      while (from < n && FindWildcardPattern(t, f, from, n, open, os, oe)) {
        if (!FindWildcardPattern(t, f, oe, n, close, cs, ce)) {
          parts.emplace_back(os, n);
          open_before = true;
          break;
        }
        parts.emplace_back(os, ce);
        from = std::max(ce, os + 1);
      }
    }

    std::sort(keep.begin(), keep.end());
    std::sort(cut.begin(), cut.end());
    bool blanked = false;
    for (const auto& [a, b] : cut) {
      BlankAndHide(t, f, a, b);
      blanked = blanked || b > a;
    }
    // Once a part to keep has been met in a text, what lies outside the parts is left out in
    // every buffer of it, also in one that holds no part.
    if (!keep.empty()) h.fKeptPartSeen = true;
    if (h.fKeptPartSeen) {
      int32_t covered = 0;  // everything before this is kept or already blanked
      for (const auto& [a, b] : keep) {
        if (a > covered) {
          BlankAndHide(t, f, covered, a);
          blanked = true;
        }
        covered = std::max(covered, b);
      }
      if (covered < n) {
        BlankAndHide(t, f, covered, n);
        blanked = true;
      }
    }
    h.fparts_of_text_counts.cut_count += static_cast<int32_t>(cut.size()) - continued_cuts;
    h.fparts_of_text_counts.keep_count += static_cast<int32_t>(keep.size()) - continued_keeps;
    return blanked;
  }
};

// --- unit routines -------------------------------------------------------------------------------

UString TagWildcardConverted(UStringView s) {
  UString out(s);
  for (char16_t& c : out) {
    switch (c) {
      case u'#': c = kWildDigits; break;
      case u'?': c = kWildAnyChar; break;
      case u'*': c = kWildAnyRun; break;
      case u'^': c = kWildLetter; break;
      default: break;
    }
  }
  return out;
}

void BlankOutAndHide(void* text, bool wide, uint16_t* flags, int32_t from, int32_t count) {
  if (!text || !flags || count <= 0) return;
  from = std::max(0, from);
  if (wide) BlankAndHide(static_cast<char16_t*>(text), flags, from, from + count);
  else BlankAndHide(static_cast<char*>(text), flags, from, from + count);
}

// --- section starts ------------------------------------------------------------------------------

void TSectionStartsList::Add(int64_t byte_position, UStringView name, int32_t first_word) {
  items_.push_back(TSectionTagRec{byte_position, first_word, UString(name)});
}

void TSectionStartsList::SetFirstWord(int32_t i, int32_t first_word) {
  if (i >= 0 && i < Count()) items_[static_cast<size_t>(i)].first_word = first_word;
}

void TSectionStartsList::SortSectionTags() {
  std::stable_sort(items_.begin(), items_.end(),
                   [](const TSectionTagRec& a, const TSectionTagRec& b) { return a.byte_position < b.byte_position; });
}

bool TSectionStartsList::GetASection(int32_t i, UString& name, int32_t& first_word) const {
  if (i < 0 || i >= Count()) return false;
  name = items_[static_cast<size_t>(i)].name;
  first_word = items_[static_cast<size_t>(i)].first_word;
  return true;
}

bool TSectionStartsList::SaveToStream(TStream& s) const {
  if (!WriteI32(s, Count())) return false;
  for (const auto& r : items_)
    if (!WriteI64(s, r.byte_position) || !WriteI32(s, r.first_word) || !WriteAString(s, r.name)) return false;
  return true;
}

bool TSectionStartsList::ReadFromStream(TStream& s) {
  items_.clear();
  int32_t n = 0;
  if (!ReadCount(s, n, 16)) return false;  // each section takes 16 bytes at the least
  for (int32_t i = 0; i < n; ++i) {
    TSectionTagRec r;
    if (!ReadI64(s, r.byte_position) || !ReadI32(s, r.first_word) || !ReadAString(s, r.name)) return false;
    items_.push_back(std::move(r));
  }
  return true;
}

bool TSectionStartsList::SaveToFile(const UString& name) const {
  return SafeSaveToFile(name, [this](TStream& s) { return SaveToStream(s); });
}

bool TSectionStartsList::ReadFromFile(const UString& name) {
  auto f = TFileStream::Open(name, TFileMode::OpenRead);
  if (!f) return false;
  return ReadFromStream(*f);
}

// --- the handler ---------------------------------------------------------------------------------

TTextTagHandler::TTextTagHandler(uint32_t anLCID, uint16_t aCodepage)
    : TTextTagHandler(anLCID, aCodepage, TTagReadSettings()) {
  fUnwantedTags = GetTextSettings().UnwantedTags();
}

TTextTagHandler::TTextTagHandler(uint32_t anLCID, uint16_t aCodepage, const TTagReadSettings& settings)
    : TTagsToKeepList(anLCID, aCodepage),
      FExcludeTagList(std::make_unique<TTagsToDeleteList>(anLCID, aCodepage)),
      BufsSectionStarts(&fOwnSectionStarts),
      ArrayOfTextMarkersFoundPtr(&fOwnTagsFound),
      fTables(std::make_unique<TSearchTables>()) {
  fUnwantedTags = settings.unwanted_tags;
  ftag_starter_chars[ttho_exclude] = u"<";
  ftag_ender_chars[ttho_exclude] = u">";
}

TTextTagHandler::~TTextTagHandler() = default;

void TTextTagHandler::Clear() {
  TTagsToKeepList::Clear();
  if (!fTables) return;  // during construction
  ArrayOfTagfileTags.clear();
  FirstArrayOfTags[ttho_keep].clear();
  ftag_starter_chars[ttho_keep].clear();
  ftag_ender_chars[ttho_keep].clear();
  HasMediaTags = false;
  HasSectionTags = false;
  BuildTagIndex(ttho_keep);
}

void TTextTagHandler::ClearExcludeTags() {
  FExcludeTagList->Clear();
  PrepareTags(ttho_exclude, *FExcludeTagList, ArrayOfTagFileExcludeTags);
}

void TTextTagHandler::ClearTranslationTags() {
  ArrayOfTranslationTagfileTags.clear();
  BuildEntityIndex();
}

bool TTextTagHandler::LoadFromSwapFile() {
  Clear();
  const bool ok = LoadFromTempFile();
  PrepareTags(ttho_keep, *this, ArrayOfTagfileTags);
  return ok;
}

bool TTextTagHandler::LoadExcludeTagListFromSwapFile() {
  FExcludeTagList->Clear();
  const bool ok = FExcludeTagList->LoadFromTempFile();
  PrepareTags(ttho_exclude, *FExcludeTagList, ArrayOfTagFileExcludeTags);
  return ok;
}

bool TTextTagHandler::LoadTranslationTagsFromSwapFile(TTagsToTranslateList& AList) {
  AList.Clear();
  const bool ok = AList.LoadFromTempFile();
  SetTranslationTags(AList);
  return ok;
}

void TTextTagHandler::SetTranslationTags(const TTagsToTranslateList& AList) {
  ArrayOfTranslationTagfileTags.clear();
  ArrayOfTranslationTagfileTags.reserve(static_cast<size_t>(AList.Count()));
  for (int32_t i = 0; i < AList.Count(); ++i) {
      ArrayOfTranslationTagfileTags.push_back(AList.GetTranslateRec(i));
  }
  BuildEntityIndex();
}

void TTextTagHandler::PrepareTags(TTagHandleOperation op, const TBaseTagStringList& list,
                                  std::vector<TextTagRec>& table) {
  FirstArrayOfTags[op].clear();
  ftag_starter_chars[op] = op == ttho_exclude ? u"<" : u"";
  ftag_ender_chars[op] = op == ttho_exclude ? u">" : u"";
  if (op == ttho_keep) {
    HasMediaTags = false;
    HasSectionTags = false;
  }
  table.assign(static_cast<size_t>(list.Count()), TextTagRec());
  for (int32_t i = 0; i < list.Count(); ++i) {
      if (op == ttho_keep && i >= kMaxKeptTags) {
      AddToLogFile(u"tags to keep beyond " + IntToUStr(kMaxKeptTags) + u" are left out");
      break;
    }
    PrepareOneTag(op, list.TagItem(i)->data, i, table[static_cast<size_t>(i)]);
  }
  BuildTagIndex(op);
}

void TTextTagHandler::PrepareOneTag(TTagHandleOperation op, const TStoredTagRec& r, int32_t i, TextTagRec& t) {
  t = TextTagRec();
  t.FromSwapFile = r;
  UString copy = r.tag;
  if (copy.empty()) return;
  size_t n = copy.size();
  t.switch_off_wchar = copy.back();

  if (op == ttho_exclude) {
    if (const size_t q = copy.find(u">*</", 1); q != UString::npos) {
      t.delete_all_middle = true;
      copy.erase(q + 1, 1);
    } else if (copy.find(u"></", 1) != UString::npos) {
      t.delete_all_middle = true;
    }
    n = copy.size();
    if (const size_t q = copy.find(u"</", 1); q != UString::npos) {
      n = q;
      t.compare_string_restW = copy.substr(q);
      t.compare_string_restA = EncodeFor8Bit(t.compare_string_restW, fCodepage);
    }
  }

  if (ftag_ender_chars[op].find(copy.back()) == UString::npos) ftag_ender_chars[op] += copy.back();
  if (ftag_starter_chars[op].find(copy.front()) == UString::npos) ftag_starter_chars[op] += copy.front();

  if (op == ttho_keep) {
    t.is_section_tag = r.description == u"section";
    if (r.isMediaTag) HasMediaTags = true;
    if (t.is_section_tag) HasSectionTags = true;
  }

  copy = TagWildcardConverted(copy);
  t.copy_of_tag = copy;
  size_t j = UString::npos;
  for (size_t k = 0; k + 1 < n; ++k)
    if (IsWildcardCode(copy[k])) {
      j = k;
      break;
    }
  if (j != UString::npos) {
    t.compare_stringW = copy.substr(0, j);
    t.has_tag_wildcards = true;
    if (!(copy[j] == kWildAnyRun && j + 2 == n)) {
      t.wildcard_widestring_section = copy.substr(j, n - 1 - j);
      t.wildcard_sectionA = EncodeFor8Bit(t.wildcard_widestring_section, fCodepage);
    } else {
      // A "*" just before the closing character: the tag is found by what precedes it and runs
      // to its closing character.
      t.has_tag_wildcards = false;
      copy.resize(j);
      t.copy_of_tag = copy;
      n = j;
    }
  }
  if (!t.has_tag_wildcards) t.compare_stringW = copy.substr(0, n);
  t.tag_comparison_length = static_cast<int32_t>(t.compare_stringW.size());
  t.compare_stringA = EncodeFor8Bit(t.compare_stringW, fCodepage);

  // An empty pattern would be found everywhere without moving on: such a tag is not searched.
  if (t.compare_stringW.empty() || (op == ttho_exclude && t.compare_string_restW.empty())) {
    const UString why = t.compare_stringW.empty() ? u"it starts with a wildcard" : u"no closing tag";
    AddToLogFile(UString(op == ttho_keep ? u"tag to keep" : u"tag to exclude") + u" not searched (" + why + u"): " +
                 r.tag);
    return;
  }
  t.searchable = true;
  FirstArrayOfTags[op].push_back(i);
}

void TTextTagHandler::BuildTagIndex(TTagHandleOperation op) {
  TPrefixIndex& w = op == ttho_keep ? fTables->keepW : fTables->exclW;
  TPrefixIndex& a = op == ttho_keep ? fTables->keepA : fTables->exclA;
  w.Clear();
  a.Clear();
  const std::vector<TextTagRec>& table = op == ttho_keep ? ArrayOfTagfileTags : ArrayOfTagFileExcludeTags;
  for (const int32_t i : FirstArrayOfTags[op]) {
    const TextTagRec& t = table[static_cast<size_t>(i)];
    if (!t.searchable) continue;
    w.AddPattern<char16_t>(t.compare_stringW, i, NormTag);
    a.AddPattern<char>(t.compare_stringA, i, NormTag);
  }
  w.Finish();
  a.Finish();
  if (op == ttho_exclude) fTables->close_cache.assign(table.size(), TCloseCache());
}

void TTextTagHandler::BuildEntityIndex() {
  TSearchTables& s = *fTables;
  const size_t count = ArrayOfTranslationTagfileTags.size();
  std::vector<UString> longW(count);
  s.ent_longA.assign(count, std::string());
  s.ent_shortA.assign(count, '?');
  for (size_t e = 0; e < count; ++e) {
    const TTranslateTagRec& r = ArrayOfTranslationTagfileTags[e];
    // An empty entity is never searched: it would be found everywhere.
    longW[e] = r.long_form;
    s.ent_longA[e] = EncodeFor8Bit(r.long_form, fCodepage);
    const std::string shortA = EncodeFor8Bit(UString(1, r.short_form), fCodepage);
    if (shortA.size() == 1) s.ent_shortA[e] = shortA[0];
  }
  s.entW.Build(longW);
  s.entA.Build(s.ent_longA);
}

TTagReadSettings TagReadSettingsFromStore() {
  TTagReadSettings r;
  const TTextsett_rec32 ts = GetTextSettings();
  r.unwanted_tags = ts.UnwantedTags();
  for (int k = TTextsett_rec32::kFirstMarker; k <= TTextsett_rec32::kLastMarker; ++k) {
    const size_t x = static_cast<size_t>(k - TTextsett_rec32::kFirstMarker);
    r.marker_texts[x] = ts.MarkerText(k);
    r.marker_auto[x] = ts.MarkerAuto(k);
  }
  r.select_within = GetTextSelectingWithin();
  if (r.select_within) {
    r.cut_start_of_line = GetCutStartOfTextLine();
    for (int i = 0; i < kSelectWithinContexts; ++i)
      r.select_within_contexts[static_cast<size_t>(i)] = GetTextSelectWithinContext(i + 1);
  }
  r.tags_wanted = GetTagsWanted();
  r.tags_exclude_wanted = GetTagsExcludeWanted();
  r.tags_translate_wanted = GetTagsTranslateWanted();
  r.tags_modified = GetTagModified();
  r.tags_exclude_modified = GetTagsExcludeModified();
  r.tags_translate_modified = GetTagTranslateModified();
  r.log_filename = GetTheLogFilename();
  r.keeping_log = GetLogging() && !r.log_filename.empty() && FileExists(r.log_filename);
  return r;
}

void TTextTagHandler::LoadCurrentTextMarkers() { UseReadSettings(TagReadSettingsFromStore()); }

void TTextTagHandler::UseReadSettings(const TTagReadSettings& settings) {
  ClearTextSelectingWithin();
  fUnwantedTags = settings.unwanted_tags;
  fKeepingLog = settings.keeping_log;
  HandlingOnlyPartsOfText = settings.select_within;
  fPartOpen.fill(false);
  fKeptPartSeen = false;
  TSearchTables& s = *fTables;
  if (HandlingOnlyPartsOfText) {
    s.cut_start_of_line = settings.cut_start_of_line;
    for (int i = 0; i < kSelectWithinContexts; ++i) {
      ftext_select_within_contextsW[static_cast<size_t>(i)] = settings.select_within_contexts[static_cast<size_t>(i)];
      const UString text = ftext_select_within_contextsW[static_cast<size_t>(i)].Text();
      ftext_select_within_contextsA[static_cast<size_t>(i)] =
          EncodeFor8Bit(UStringView(text).substr(0, kMaxContextChars8Bit), fCodepage);
      s.ctxW[static_cast<size_t>(i)] = TagWildcardConverted(text);
      s.ctxA[static_cast<size_t>(i)] = EncodeFor8Bit(s.ctxW[static_cast<size_t>(i)], fCodepage);
    }
  }

  s.markW.Clear();
  s.markA.Clear();
  for (int k = TTextsett_rec32::kFirstMarker; k <= TTextsett_rec32::kLastMarker; ++k) {
    const size_t x = static_cast<size_t>(k - TTextsett_rec32::kFirstMarker);
    TextMarkerTagrec& m = ArrayOfTextMarkers[x];
    m = TextMarkerTagrec();
    s.mark_fixedW[x].clear();
    s.mark_fixedA[x].clear();
    m.auto_process = settings.marker_auto[x];
    const UString& text = settings.marker_texts[x];
    if (text.empty()) continue;
    m.tag = TagWildcardConverted(text);
    if (m.tag == u"auto") m.auto_process = true;
    size_t first = UString::npos, last = UString::npos;
    for (size_t q = 0; q < m.tag.size(); ++q)
      if (IsWildcardCode(m.tag[q])) {
        if (first == UString::npos) first = q;
        last = q;
      }
    if (first == UString::npos) {
      m.tag_wildcard_pos = 0;
      m.tag_comparison_length = static_cast<int32_t>(m.tag.size());
    } else {
      m.tag_wildcard_pos = static_cast<int32_t>(first) + 1;
      m.tag_comparison_length = static_cast<int32_t>(first);
      m.tag_wildcards = m.tag.substr(first, last - first + 1);
      m.tag_end = m.tag.substr(last + 1);
    }
    m.tagA = EncodeFor8Bit(m.tag, fCodepage);
    m.tag_wildcardsA = EncodeFor8Bit(m.tag_wildcards, fCodepage);
    m.tag_endA = EncodeFor8Bit(m.tag_end, fCodepage);
    if (m.auto_process || m.tag_comparison_length < 1) continue;
    s.mark_fixedW[x] = m.tag.substr(0, static_cast<size_t>(m.tag_comparison_length));
    s.mark_fixedA[x] = EncodeFor8Bit(s.mark_fixedW[x], fCodepage);
    s.markW.AddPattern<char16_t>(s.mark_fixedW[x], static_cast<int32_t>(x), Same);
    s.markA.AddPattern<char>(s.mark_fixedA[x], static_cast<int32_t>(x), Same);
  }
  s.markW.Finish();
  s.markA.Finish();
}

bool IsSentencePunctuation(uint32_t c) { return PunctuationKind(c) != 0; }
int SentenceMarkKind(uint32_t c) { return PunctuationKind(c); }

// --- per buffer ----------------------------------------------------------------------------------

int32_t TTextTagHandler::CheckBufferForTranslationTags(void* fStartOfText, uint16_t* p, int32_t n_characters,
                                                       TCharacterSpans* tails) {
  if (!fStartOfText || !p || n_characters <= 0) return 0;
  return fUse_Unicode
             ? TSearchTables::Entities(*this, static_cast<char16_t*>(fStartOfText), p, n_characters, tails)
             : TSearchTables::Entities(*this, static_cast<char*>(fStartOfText), p, n_characters, tails);
}

bool TTextTagHandler::IsTagBracket(char16_t c) const {
  if (c == u'<' || c == u'>') return true;
  for (int i = 0; i < 6; ++i)
    if ((fUnwantedTags.openers[i] != 0 && c == fUnwantedTags.openers[i]) ||
        (fUnwantedTags.closers[i] != 0 && c == fUnwantedTags.closers[i]))
      return true;
  return false;
}

namespace {
template <typename F>
void WithWidth(void* text, bool wide, F&& f) {
  if (wide) f(static_cast<char16_t*>(text));
  else f(static_cast<char*>(text));
}
}  // namespace

void TTextTagHandler::HideUnwantedTags(char16_t switch_on, char16_t switch_off, void* fStartOfText, uint16_t* p,
                                       int32_t n_characters, bool in_Unicode, int32_t aTag_clearingLimit, bool mark) {
  if (!fStartOfText || !p || n_characters <= 0 || switch_on == 0 || switch_off == 0) return;
  if (!in_Unicode && (switch_on > 0xFF || switch_off > 0xFF)) return;
  WithWidth(fStartOfText, in_Unicode, [&](auto* t) {
    using C = std::remove_pointer_t<decltype(t)>;
    TSearchTables::HideTags(static_cast<C>(switch_on), static_cast<C>(switch_off), t, p, n_characters,
                            aTag_clearingLimit, mark);
  });
}

void TTextTagHandler::MarkUnwantedTags(char16_t switch_on, char16_t switch_off, void* fStartOfText, uint16_t* p,
                                       int32_t n_characters, bool in_Unicode, int32_t aTag_clearingLimit) {
  HideUnwantedTags(switch_on, switch_off, fStartOfText, p, n_characters, in_Unicode, aTag_clearingLimit, true);
}

void TTextTagHandler::BlankUnwantedTags(char16_t switch_on, char16_t switch_off, void* fStartOfText, uint16_t* p,
                                        int32_t n_characters, bool in_Unicode, int32_t aTag_clearingLimit) {
  HideUnwantedTags(switch_on, switch_off, fStartOfText, p, n_characters, in_Unicode, aTag_clearingLimit, false);
}

int32_t TTextTagHandler::CheckBufferForTagFileMarkup(TTagHandleOperation operation, bool Storing_Section_Positions,
                                                     void* fStartOfText, uint16_t* wchars, int32_t aTag_clearingLimit,
                                                     int32_t first_valid_character, int32_t n_characters,
                                                     const TChunkByteMap* byte_map) {
  if (fKeepingLog) AddToLogFile(u"tag starter : \"" + ftag_starter_chars[operation] + u"\"");
  if (ftag_starter_chars[operation].empty() || FirstArrayOfTags[operation].empty()) return 0;
  if (!fStartOfText || !wchars || n_characters <= 0) return 0;
  int32_t count = 0;
  if (operation == ttho_keep) {
    count = fUse_Unicode
                ? TSearchTables::Keep(*this, Storing_Section_Positions, static_cast<char16_t*>(fStartOfText), wchars,
                                      aTag_clearingLimit, first_valid_character, n_characters, byte_map)
                : TSearchTables::Keep(*this, Storing_Section_Positions, static_cast<char*>(fStartOfText), wchars,
                                      aTag_clearingLimit, first_valid_character, n_characters, byte_map);
  } else {
    count = fUse_Unicode ? TSearchTables::Exclude(*this, static_cast<char16_t*>(fStartOfText), wchars,
                                                  first_valid_character, n_characters)
                         : TSearchTables::Exclude(*this, static_cast<char*>(fStartOfText), wchars,
                                                  first_valid_character, n_characters);
  }
  if (fKeepingLog) AddToLogFile(IntToUStr(count) + u" blanked");
  return count;
}

void TTextTagHandler::CheckBufferForTextMarkerTags(void* fStartOfText, uint16_t* p, int32_t n_characters,
                                                   int32_t tag_clearing_max, int32_t first_valid_character) {
  ClearArrayOfTagsPresent();
  if (!fStartOfText || !p || n_characters <= 0) return;
  if (fKeepingLog)
    for (const TextMarkerTagrec& m : ArrayOfTextMarkers)
      if (!m.auto_process && m.tag_comparison_length > 0)
        AddToLogFile((fUse_Unicode ? u"Unicode: " : u"") + m.tag);
  WithWidth(fStartOfText, fUse_Unicode,
            [&](auto* t) { TSearchTables::Markers(*this, t, p, first_valid_character, n_characters, tag_clearing_max); });
  constexpr size_t kSentenceEnds = TTextsett_rec32::kSentenceEndMarker - TTextsett_rec32::kFirstMarker;
  if (ArrayOfTextMarkers[kSentenceEnds].auto_process)
    (*ArrayOfTextMarkersFoundPtr)[kSentenceEnds] =
        AutoMarkSentenceEnds(fStartOfText, p, n_characters, tag_clearing_max, fUse_Unicode, first_valid_character);
}

int32_t TTextTagHandler::AutoMarkSentenceEnds(void* fStartOfText, uint16_t* p, int32_t n_characters,
                                              int32_t tag_clearing_max, bool in_Unicode, int32_t first_valid_character) {
  if (!fStartOfText || !p || n_characters <= 0) return 0;
  return in_Unicode ? TSearchTables::SentenceEnds(static_cast<char16_t*>(fStartOfText), p, first_valid_character,
                                                  n_characters, tag_clearing_max, ReadAheadFrom)
                    : TSearchTables::SentenceEnds(static_cast<char*>(fStartOfText), p, first_valid_character,
                                                  n_characters, tag_clearing_max, ReadAheadFrom);
}

bool TTextTagHandler::HandleOnlyPartsOfText(void* fStartOfText, uint16_t* wchars, int32_t n_characters) {
  if (!fStartOfText || !wchars || n_characters <= 0) return false;
  const int32_t cut = std::clamp(ReadAheadFrom, 0, n_characters);
  auto parts = [&](int32_t from, int32_t count) {
    if (count <= 0) return false;
    return fUse_Unicode
               ? TSearchTables::PartsOfText(*this, static_cast<char16_t*>(fStartOfText) + from, wchars + from, count)
               : TSearchTables::PartsOfText(*this, static_cast<char*>(fStartOfText) + from, wchars + from, count);
  };
  bool blanked = parts(0, cut);
  if (cut < n_characters) {
    // The characters read ahead are chosen as the next buffer will choose them, from the state at
    // the cut, which they leave as it was.
    const auto open = fPartOpen;
    const bool seen = fKeptPartSeen;
    const TPartsOfTextFileCountsRec counts = fparts_of_text_counts;
    const int64_t at = FileBytePos;
    if (FileBytePos == 0) FileBytePos = 1;  // no text starts there
    blanked = parts(cut, n_characters - cut) || blanked;
    FileBytePos = at;
    fPartOpen = open;
    fKeptPartSeen = seen;
    fparts_of_text_counts = counts;
  }
  return blanked;
}

int32_t TTextTagHandler::RemoveNumbers(uint16_t* p, int32_t n_characters) {
  if (!p || n_characters <= 0) return 0;
  auto stops = [](uint16_t f) { return IsMarkFlag(f) || (f & (C1_SPACE | C1_CNTRL | C1_BLANK)) != 0; };
  int32_t count = 0;
  int32_t i = 0;
  while (i < n_characters) {
    if (!IsDigitFlag(p[i])) {
      ++i;
      continue;
    }
    ++count;
    for (int32_t b = i - 1; b >= 0 && !stops(p[b]); --b) p[b] = 0;  // down to the buffer's first character
    while (i < n_characters && !stops(p[i])) p[i++] = 0;
  }
  return count;
}

void TTextTagHandler::BlankOutMidWordPunctuation(void* fStartOfText, uint16_t* p, uint16_t unwanted,
                                                 uint16_t surrounded, int32_t n_characters, bool in_Unicode) {
  (void)in_Unicode;  // only the kinds change, whatever the width
  if (!fStartOfText || !p || n_characters < 3) return;
  // Each character is judged by the kinds as classified, before any of them was changed.
  uint16_t before = p[0];
  int32_t i = 1;
  if (HasMaskVectors()) i = BlankMidWordMarksByMasks(p, unwanted, surrounded, n_characters, before);
  else if (HasWideVectors()) i = BlankMidWordMarksWide(p, unwanted, surrounded, n_characters, before);
  // Eight at a time: the kinds before each are the block's own shifted by one, with the
  // original kind before the block carried in, since the last block may have changed it.
  const __m128i marks_from = _mm_set1_epi16(static_cast<short>(kFlagHidden));
  const __m128i want = _mm_set1_epi16(static_cast<short>(unwanted));
  const __m128i around = _mm_set1_epi16(static_cast<short>(surrounded));
  const __m128i zero = _mm_setzero_si128();
  auto has = [&](__m128i k, __m128i bits) {  // KindBits(k) & bits, as all-ones lanes
    const __m128i plain = _mm_xor_si128(_mm_cmpeq_epi16(_mm_subs_epu16(marks_from, k), zero), _mm_set1_epi16(-1));
    return _mm_andnot_si128(_mm_cmpeq_epi16(_mm_and_si128(_mm_and_si128(k, bits), plain), zero), plain);
  };
  for (; i + 8 < n_characters; i += 8) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
    const __m128i prev = _mm_insert_epi16(_mm_slli_si128(here, 2), before, 0);
    const __m128i hit = _mm_and_si128(_mm_and_si128(has(here, want), has(prev, around)), has(after, around));
    if (_mm_movemask_epi8(hit) != 0) {
      const __m128i blank = _mm_set1_epi16(static_cast<short>(kBlankKind));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i),
                       _mm_or_si128(_mm_and_si128(hit, blank), _mm_andnot_si128(hit, here)));
    }
    before = static_cast<uint16_t>(_mm_extract_epi16(here, 7));
  }
  for (; i + 1 < n_characters; ++i) {
    const uint16_t here = p[i];
    if ((KindBits(here) & unwanted) != 0 && (KindBits(before) & surrounded) != 0 &&
        (KindBits(p[i + 1]) & surrounded) != 0)
      p[i] = kBlankKind;
    before = here;
  }
}

void TTextTagHandler::BlankOutUnwantedsTest(void* fStartOfText, uint16_t* p, uint16_t unwanted,
                                            int32_t n_characters, bool in_Unicode) {
  if (!fStartOfText || !p || n_characters <= 0) return;
  WithWidth(fStartOfText, in_Unicode, [&](auto* t) {
    using C = std::remove_pointer_t<decltype(t)>;
    for (int32_t i = 0; i < n_characters; ++i)
      if ((KindBits(p[i]) & unwanted) != 0) t[i] = static_cast<C>(kBlank);
  });
}

void TTextTagHandler::BlankOutUnwanteds(int32_t hit_place, void* fStartOfText, uint16_t* p, char16_t unwanted,
                                        char16_t replacement, int32_t hit_characters, int32_t n_characters,
                                        bool in_Unicode) {
  if (!fStartOfText || n_characters <= 0) return;
  if (!in_Unicode && (unwanted > 0xFF || replacement > 0xFF)) return;
  const int64_t protect_from = hit_place, protect_to = int64_t(hit_place) + std::max(0, hit_characters);
  WithWidth(fStartOfText, in_Unicode, [&](auto* t) {
    using C = std::remove_pointer_t<decltype(t)>;
    const C u = static_cast<C>(unwanted), r = static_cast<C>(replacement);
    for (int32_t i = 0; i < n_characters; ++i)
      if (t[i] == u && (i < protect_from || i >= protect_to)) t[i] = r;
  });
}

int32_t TTextTagHandler::ShrinkOutUnwanteds(void* fStartOfText, uint16_t* p, char16_t unwanted,
                                            int32_t n_characters, bool in_Unicode) {
  if (!fStartOfText || !p || n_characters <= 0) return std::max(0, n_characters);
  if (!in_Unicode && unwanted > 0xFF) return n_characters;
  int32_t kept = 0;
  WithWidth(fStartOfText, in_Unicode, [&](auto* t) {
    using C = std::remove_pointer_t<decltype(t)>;
    const C u = static_cast<C>(unwanted);
    for (int32_t i = 0; i < n_characters; ++i) {
      if (t[i] == u) continue;
      t[kept] = t[i];
      p[kept] = p[i];
      ++kept;
    }
    if (kept < n_characters) {
      t[kept] = 0;  // the text and its flags end here
      p[kept] = 0;
    }
  });
  return kept;
}

// --- bookkeeping ---------------------------------------------------------------------------------

void TTextTagHandler::ClearArrayOfTagsPresent() { ArrayOfTextMarkersFoundPtr->fill(0); }

void TTextTagHandler::ClearBeforeMulti_fileProcessing() { fparts_of_text_counts = TPartsOfTextFileCountsRec(); }

void TTextTagHandler::ClearTextSelectingWithin() {
  HandlingOnlyPartsOfText = false;
  for (auto& r : ftext_select_within_contextsW) r.Clear();
  for (auto& a : ftext_select_within_contextsA) a.clear();
  for (auto& c : fTables->ctxW) c.clear();
  for (auto& c : fTables->ctxA) c.clear();
  fTables->cut_start_of_line = 0;
}

void TTextTagHandler::SetArrayOfTagsFound(TTagsFoundArray* found) {
  ArrayOfTextMarkersFoundPtr = found ? found : &fOwnTagsFound;
}

void TTextTagHandler::SetSectionStartsList(TSectionStartsList* list) {
  BufsSectionStarts = list ? list : &fOwnSectionStarts;
}

// --- display -------------------------------------------------------------------------------------

TPointerAnd3Integersrec TTextTagHandler::TagToDisplay(int32_t array_number_0Based, bool replace_tag_with_Description) {
  TPointerAnd3Integersrec r;
  if (array_number_0Based < 0 || array_number_0Based >= static_cast<int32_t>(ArrayOfTagfileTags.size())) return r;
  const TStoredTagRec& tag = ArrayOfTagfileTags[static_cast<size_t>(array_number_0Based)].FromSwapFile;
  r.foreground_colour = tag.foreground_colour;
  r.background_colour = tag.background_colour;
  if (replace_tag_with_Description && !tag.description.empty()) {
    fDisplayTextW = u"<" + tag.description + u">";
  } else if (tag.tag.find(u' ') == UString::npos) {
    fDisplayTextW = tag.tag;
  } else {
    // The second blank-separated part of the tag.
    size_t a = tag.tag.find_first_not_of(u' ');
    a = tag.tag.find(u' ', a);
    a = tag.tag.find_first_not_of(u' ', a);
    const size_t b = a == UString::npos ? UString::npos : tag.tag.find(u' ', a);
    fDisplayTextW = a == UString::npos ? UString() : tag.tag.substr(a, b == UString::npos ? UString::npos : b - a);
  }
  if (fUse_Unicode) {
    r.text = fDisplayTextW.data();
    r.length = static_cast<int32_t>(fDisplayTextW.size());
  } else {
    fDisplayTextA = EncodeFor8Bit(fDisplayTextW, fCodepage);
    r.text = fDisplayTextA.data();
    r.length = static_cast<int32_t>(fDisplayTextA.size());
  }
  return r;
}

std::vector<TStoredTagRec> TTextTagHandler::TagfileTagsAsStoredArray() const {
  std::vector<TStoredTagRec> out;
  out.reserve(ArrayOfTagfileTags.size());
  for (const TextTagRec& t : ArrayOfTagfileTags) out.push_back(t.FromSwapFile);
  return out;
}

UString TTextTagHandler::Above32PointerToWide(const void* p, int32_t length) const {
  UString out;
  if (!p || length <= 0) return out;
  auto take = [](uint32_t c, auto&& put) {
    if (c == kTagOffCode) put(u'>');
    else if (c == kTagOnCode) put(u'<');
    else if (c >= 32) put(static_cast<char16_t>(c));
  };
  if (fUse_Unicode) {
    const char16_t* t = static_cast<const char16_t*>(p);
    out.reserve(static_cast<size_t>(length));
    for (int32_t i = 0; i < length; ++i) take(t[i], [&](char16_t c) { out += c; });
    return out;
  }
  const char* t = static_cast<const char*>(p);
  std::string bytes;
  bytes.reserve(static_cast<size_t>(length));
  for (int32_t i = 0; i < length; ++i) take(U(t[i]), [&](char16_t c) { bytes += static_cast<char>(c); });
  return DecodeCodePage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                        fCodepage ? fCodepage : kDefaultCodePage);
}

// --- the concordancer's handler ------------------------------------------------------------------

void TLinzoraTextTagHandler::ConvertToTag_on_in_sw_symbols() {
  ftag_starter_chars[ttho_keep].clear();
  ftag_ender_chars[ttho_keep].clear();
  for (TextTagRec& t : ArrayOfTagfileTags) {
    if (t.compare_stringW.empty()) continue;
    if (t.compare_stringW.front() == u'<') t.compare_stringW.front() = kTagOnCode;
    if (t.compare_stringW.back() == u'>') t.compare_stringW.back() = kTagOffCode;
    t.compare_stringA = EncodeFor8Bit(t.compare_stringW, fCodepage);
    if (t.switch_off_wchar == u'>') t.switch_off_wchar = kTagOffCode;
    if (ftag_starter_chars[ttho_keep].find(t.compare_stringW.front()) == UString::npos)
      ftag_starter_chars[ttho_keep] += t.compare_stringW.front();
    if (ftag_ender_chars[ttho_keep].find(t.switch_off_wchar) == UString::npos)
      ftag_ender_chars[ttho_keep] += t.switch_off_wchar;
  }
  BuildTagIndex(ttho_keep);
}

// --- refreshing from the settings ----------------------------------------------------------------

void RefreshTagHandlerFromSettings(TTextTagHandler& handler, TTagsToTranslateList& translate_list) {
  const TTagReadSettings settings = TagReadSettingsFromStore();
  SetLogFilename(settings.log_filename);
  global_keeping_log = settings.keeping_log;
  RefreshTagHandlerFromSettings(handler, translate_list, settings);
}

void RefreshTagHandlerFromSettings(TTextTagHandler& handler, TTagsToTranslateList& translate_list,
                                   const TTagReadSettings& settings) {
  handler.fKeepingLog = settings.keeping_log;
  if (settings.tags_exclude_modified) {
    if (settings.tags_exclude_wanted < 1) handler.ClearExcludeTags();
    else handler.LoadExcludeTagListFromSwapFile();
  }
  if (settings.tags_modified) {
    if (settings.tags_wanted < 1) handler.Clear();
    else handler.LoadFromSwapFile();
    if (auto* own = dynamic_cast<TLinzoraTextTagHandler*>(&handler)) own->ConvertToTag_on_in_sw_symbols();
  }
  if (settings.tags_translate_modified) {
    if (settings.tags_translate_wanted < 1) {
      translate_list.Clear();
      handler.ClearTranslationTags();
    } else {
      handler.LoadTranslationTagsFromSwapFile(translate_list);
    }
  }
}
