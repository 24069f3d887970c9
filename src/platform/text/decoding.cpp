// Decoding of corpus texts: strict UTF-8, 8-bit code pages through ICU converters, and the
// statistical UTF-16 test for texts without a byte-order mark.
#include <unicode/ucnv.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "platform/text/text_internal.h"
#include "platform/text/text_services.h"

// --- strict UTF-8 ----------------------------------------------------------------------------

bool DecodeUtf8Strict(const uint8_t* data, size_t n, UString& out, bool allow_incomplete_tail, size_t* consumed) {
  // Never more UTF-16 units than bytes; the ASCII path may write up to 16 units ahead of what it
  // keeps, which still lies inside this size.
  out.resize(n);
  size_t units = 0;
  const bool ok = DecodeUtf8StrictTo(data, n, out.data(), units, allow_incomplete_tail, consumed);
  out.resize(units);
  return ok;
}

namespace {

#if defined(__x86_64__)
// The ASCII run from byte i (unit o), 32 bytes a step, each stored as it is (kNarrow) or widened:
// stops before the first 32 holding a byte beyond ASCII, which the 16-byte steps take; i and o
// move on alike. Whether a zero byte was passed is added to `zero`.
template <bool kNarrow>
__attribute__((target("avx2"))) void AsciiRunWide(const uint8_t* data, size_t n, char16_t* out, uint8_t* narrow,
                                                   size_t& i, size_t& o, bool& zero) {
  __m256i zeros = _mm256_setzero_si256();
  for (; i + 32 <= n; i += 32, o += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i));
    if (_mm256_movemask_epi8(v) != 0) break;
    zeros = _mm256_or_si256(zeros, _mm256_cmpeq_epi8(v, _mm256_setzero_si256()));
    if constexpr (kNarrow) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(narrow + o), v);
    } else {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + o), _mm256_cvtepu8_epi16(_mm256_castsi256_si128(v)));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + o + 16), _mm256_cvtepu8_epi16(_mm256_extracti128_si256(v, 1)));
    }
  }
  zero = zero || !_mm256_testz_si256(zeros, zeros);
}

// Whether the processor compresses bytes across 512 bits (LINZORA_NO_AVX512 leaves the 256-bit
// steps to the tests on such processors too).
bool UseCompressVectors() {
  static const bool has = lz_text_detail::UseWideVectors() && __builtin_cpu_supports("avx512bw") &&
                          __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
                          !std::getenv("LINZORA_NO_AVX512");
  return has;
}

// The units of a block's sequences of two bytes (lead: their first bytes) and ASCII bytes (keep:
// every byte but the continuations), compressed to out[o...]: answers how many.
__attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,popcnt"), always_inline)) inline size_t
TwoByteUnitsOfBlock(__m512i v, uint64_t lead, uint64_t keep, char16_t* out) {
  // Each byte's next byte, beside it.
  const __m512i next_index = _mm512_add_epi8(
      _mm512_set_epi8(63, 62, 61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 49, 48, 47, 46, 45, 44, 43, 42, 41, 40,
                      39, 38, 37, 36, 35, 34, 33, 32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16,
                      15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0),
      _mm512_set1_epi8(1));
  const __m512i next = _mm512_permutexvar_epi8(next_index, v);
  size_t o = 0;
  for (int h = 0; h < 2; ++h) {
    const __m512i a = _mm512_cvtepu8_epi16(h == 0 ? _mm512_castsi512_si256(v) : _mm512_extracti64x4_epi64(v, 1));
    const __m512i b = _mm512_cvtepu8_epi16(h == 0 ? _mm512_castsi512_si256(next) : _mm512_extracti64x4_epi64(next, 1));
    const __m512i two = _mm512_or_si512(_mm512_slli_epi16(_mm512_and_si512(a, _mm512_set1_epi16(0x1F)), 6),
                                        _mm512_and_si512(b, _mm512_set1_epi16(0x3F)));
    const __mmask32 l = static_cast<__mmask32>(lead >> (32 * h)), k = static_cast<__mmask32>(keep >> (32 * h));
    _mm512_storeu_si512(out + o, _mm512_maskz_compress_epi16(k, _mm512_mask_blend_epi16(l, a, two)));
    o += static_cast<size_t>(__builtin_popcount(k));
  }
  return o;
}

// Blocks of 64 bytes from byte i (unit o), as long as each holds only ASCII and well-formed
// sequences of two bytes (a sequence may not start in the block's last byte unless it ends there:
// the block then stops before it), each sequence noted among the breaks as the one-at-a-time
// steps note it: widened to units in out, or with kNarrow read one byte a unit (ASCII bytes kept
// in narrow, a sequence 0x80 there and its unit in out at its place). Stops at the first block
// holding anything else (longer sequences, bytes that are not UTF-8), which the steps below take;
// i and o move on alike. A zero byte passed is added to `zero`.
template <bool kNarrow>
__attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi2,popcnt"))) void TwoByteBlocks(
    const uint8_t* data, size_t n, char16_t* out, uint8_t* narrow, size_t& i_io, size_t& o_io, bool& zero,
    TUtf8RunBreaks* breaks, size_t& sequences) {
  size_t i = i_io, o = o_io;
  const __m512i top2 = _mm512_set1_epi8(static_cast<char>(0xC0)), cont_bits = _mm512_set1_epi8(static_cast<char>(0x80));
  const __m512i lead_from = _mm512_set1_epi8(static_cast<char>(0xC2)), lead_span = _mm512_set1_epi8(0x1E);
  bool zeros = false;
  for (; i + 64 <= n;) {
    // The bytes come from the file's pages, mostly not in the cache yet: asked for ahead.
    _mm_prefetch(reinterpret_cast<const char*>(data + i) + 2048, _MM_HINT_T0);
    const __m512i v = _mm512_loadu_si512(data + i);
    zeros = zeros || _mm512_testn_epi8_mask(v, v) != 0;
    const uint64_t high = _mm512_movepi8_mask(v);
    if (high == 0) {
      if constexpr (kNarrow) {
        _mm512_storeu_si512(narrow + o, v);
      } else {
        _mm512_storeu_si512(out + o, _mm512_cvtepu8_epi16(_mm512_castsi512_si256(v)));
        _mm512_storeu_si512(out + o + 32, _mm512_cvtepu8_epi16(_mm512_extracti64x4_epi64(v, 1)));
      }
      i += 64;
      o += 64;
      continue;
    }
    const uint64_t cont = _mm512_cmpeq_epi8_mask(_mm512_and_si512(v, top2), cont_bits);
    const uint64_t lead = _mm512_cmplt_epu8_mask(_mm512_sub_epi8(v, lead_from), lead_span);
    if ((high & ~cont & ~lead) != 0) break;  // a longer sequence, or a byte that is no UTF-8
    // A lead in the last byte: its sequence goes on past the block, which stops before it.
    const uint64_t take = (lead >> 63) != 0 ? ~uint64_t{0} >> 1 : ~uint64_t{0};
    if ((cont & take) != ((lead << 1) & take)) break;  // not one continuation after each lead
    const uint64_t keep = ~cont & take, leads = lead & take;
    // Text far denser than the runs may hold, at the pace so far, is given up on at once.
    if (breaks && breaks->complete && sequences > 64 + i * breaks->most / n) breaks->complete = false;
    for (uint64_t l = leads; l != 0; l &= l - 1) {
      const unsigned p = static_cast<unsigned>(__builtin_ctzll(l));
      const size_t at = o + static_cast<size_t>(__builtin_popcountll(keep & ((uint64_t{1} << p) - 1)));
      if constexpr (kNarrow) out[at] = static_cast<char16_t>((data[i + p] & 0x1Fu) << 6 | (data[i + p + 1] & 0x3Fu));
      if (breaks && breaks->complete) {
        breaks->units->push_back(static_cast<uint32_t>(at + 1));
        breaks->bytes->push_back(breaks->base + static_cast<uint32_t>(i + p + 2));
        breaks->complete = ++sequences < breaks->most;
      } else if constexpr (!kNarrow) {
        break;  // the units are written below, whole
      }
    }
    if constexpr (kNarrow) {
      _mm512_storeu_si512(narrow + o, _mm512_maskz_compress_epi8(keep, _mm512_mask_blend_epi8(leads, v, cont_bits)));
      o += static_cast<size_t>(__builtin_popcountll(keep));
    } else {
      o += TwoByteUnitsOfBlock(v, leads, keep, out + o);
    }
    i += take == ~uint64_t{0} ? 64 : 63;
  }
  i_io = i;
  o_io = o;
  zero = zero || zeros;
}
#endif

// Strict UTF-8 into UTF-16 units (out), or with kNarrow into one byte a unit (narrow: an ASCII
// character's byte, 0x80 for a unit beyond ASCII, whose unit goes to out at its place).
template <bool kNarrow>
bool DecodeUtf8Into(const uint8_t* data, size_t n, char16_t* out, uint8_t* narrow, size_t& units,
                    bool allow_incomplete_tail, size_t* consumed, TUtf8RunBreaks* breaks) {
  size_t sequences = 0;
  unsigned zero_bits = 0;
  if (breaks && breaks->most == 0) breaks->complete = false;
  size_t o = 0;
  size_t i = 0;
  bool ok = true;
#if defined(__x86_64__)
  const bool wide = lz_text_detail::UseWideVectors();
  bool wide_zero = false;
  const bool compress = UseCompressVectors();
#endif
  while (i < n) {
#if defined(__x86_64__)
    // Prose beyond ASCII of two-byte letters goes a block of 64 bytes a step.
    if (compress) {
      TwoByteBlocks<kNarrow>(data, n, out, narrow, i, o, wide_zero, breaks, sequences);
    }
#endif
#if defined(__SSE2__)
    // ASCII runs, 16 bytes at a time: all 16 are stored (widened), and as many as are ASCII
    // are kept.
    while (i + 16 <= n) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
      const __m128i zero = _mm_setzero_si128();
      if constexpr (kNarrow) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(narrow + o), v);
      } else {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + o), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + o + 8), _mm_unpackhi_epi8(v, zero));
      }
      const unsigned mask = unsigned(_mm_movemask_epi8(v));
      if (breaks) {
        // Zeros among the bytes kept (those before the first beyond ASCII).
        const unsigned zeros = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)));
        zero_bits |= zeros & (mask == 0 ? 0xFFFFu : (1u << __builtin_ctz(mask)) - 1);
      }
      if (mask == 0) {
        i += 16;
        o += 16;
#if defined(__x86_64__)
        // A run of ASCII goes on 32 bytes a step (a call that pays only after 16 of them).
        if (wide) AsciiRunWide<kNarrow>(data, n, out, narrow, i, o, wide_zero);
#endif
        continue;
      }
      const unsigned ascii = unsigned(__builtin_ctz(mask));
      i += ascii;
      o += ascii;
      break;
    }
#endif
    if (i >= n) break;
    const uint8_t b = data[i];
    if (b < 0x80) {
      zero_bits |= b == 0 ? 1u : 0u;
      if constexpr (kNarrow) narrow[o++] = b;
      else out[o++] = b;
      ++i;
      continue;
    }
    size_t len;
    uint32_t cp;
    uint8_t lo = 0x80, hi = 0xBF;  // range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
      len = 2;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3;
      cp = b & 0x0F;
      if (b == 0xE0) lo = 0xA0;       // overlong
      else if (b == 0xED) hi = 0x9F;  // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4;
      cp = b & 0x07;
      if (b == 0xF0) lo = 0x90;       // overlong
      else if (b == 0xF4) hi = 0x8F;  // above U+10FFFF
    } else {
      ok = false;  // stray continuation byte, C0/C1 (overlong), F5-FF
      break;
    }
    size_t k = 1;
    for (; k < len && i + k < n; ++k) {
      const uint8_t c = data[i + k];
      if (c < lo || c > hi) {
        ok = false;
        break;
      }
      lo = 0x80;
      hi = 0xBF;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok) break;
    if (k < len) {  // the data ends inside the sequence
      ok = allow_incomplete_tail;
      break;
    }
    if (breaks && breaks->complete) {
      const uint32_t at = uint32_t(o) + (cp < 0x10000 ? 1 : 2);
      if (cp >= 0x10000) {
        breaks->units->push_back(at - 1);
        breaks->bytes->push_back(breaks->base + uint32_t(i));
      }
      breaks->units->push_back(at);
      breaks->bytes->push_back(breaks->base + uint32_t(i + len));
      breaks->complete = ++sequences < breaks->most;
    }
    if (cp < 0x10000) {
      if constexpr (kNarrow) narrow[o] = 0x80;
      out[o++] = char16_t(cp);
    } else {
      cp -= 0x10000;
      if constexpr (kNarrow) narrow[o] = narrow[o + 1] = 0x80;
      out[o++] = char16_t(0xD800 + (cp >> 10));
      out[o++] = char16_t(0xDC00 + (cp & 0x3FF));
    }
    i += len;
  }
  units = o;
#if defined(__x86_64__)
  if (wide_zero) zero_bits = 1;
#endif
  if (breaks) breaks->zero = zero_bits != 0;
  if (consumed) *consumed = i;
  return ok;
}

}  // namespace

bool DecodeUtf8StrictTo(const uint8_t* data, size_t n, char16_t* out, size_t& units, bool allow_incomplete_tail,
                        size_t* consumed, TUtf8RunBreaks* breaks) {
  return DecodeUtf8Into<false>(data, n, out, nullptr, units, allow_incomplete_tail, consumed, breaks);
}

bool DecodeUtf8NarrowTo(const uint8_t* data, size_t n, uint8_t* narrow, char16_t* wide, size_t& units,
                        bool allow_incomplete_tail, size_t* consumed, TUtf8RunBreaks* breaks) {
  return DecodeUtf8Into<true>(data, n, wide, narrow, units, allow_incomplete_tail, consumed, breaks);
}

// --- code pages ------------------------------------------------------------------------------

namespace {

int32_t ClampedLength(size_t n) { return n > size_t(INT32_MAX) ? INT32_MAX : int32_t(n); }

// One code page: a single-byte one is decoded and encoded through tables made once from its ICU
// converter; any other through the converter itself, under the entry's lock (converters keep
// state).
struct TCodePage {
  int code_page = 0;
  bool single_byte = false;
  char16_t to_unicode[256] = {};
  std::unique_ptr<uint8_t[]> from_unicode;  // 65536 entries; 0 = not in the code page
  UConverter* converter = nullptr;
  std::mutex lock;
};

std::string IcuNameOfCodePage(int code_page) {
  switch (code_page) {
    case 65001: return "UTF-8";
    case 20127: return "US-ASCII";
    case 28603: return "ISO-8859-13";
    case 28605: return "ISO-8859-15";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 10000: return "macintosh";
    case 20932:
    case 51932: return "EUC-JP";
    case 51949: return "EUC-KR";
    case 54936: return "GB18030";
    case 50220: return "ISO-2022-JP";
    default: break;
  }
  if (code_page >= 28591 && code_page <= 28599) return "ISO-8859-" + std::to_string(code_page - 28590);
  return "";
}

UConverter* OpenConverter(int code_page) {
  std::string names[3] = {IcuNameOfCodePage(code_page), "", ""};
  if (names[0].empty()) {
    names[0] = "windows-" + std::to_string(code_page);
    names[1] = "ibm-" + std::to_string(code_page);
    names[2] = "cp" + std::to_string(code_page);
  }
  for (const std::string& name : names) {
    if (name.empty()) continue;
    UErrorCode err = U_ZERO_ERROR;
    UConverter* c = ucnv_open(name.c_str(), &err);
    if (U_SUCCESS(err) && c) return c;
  }
  return nullptr;
}

void BuildSingleByteTables(TCodePage& cp) {
  UErrorCode err = U_ZERO_ERROR;
  ucnv_setToUCallBack(cp.converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
  for (int b = 0; b < 256; ++b) {
    const char in = char(b);
    UChar u[4];
    err = U_ZERO_ERROR;
    const int32_t k = ucnv_toUChars(cp.converter, u, 4, &in, 1, &err);
    if (U_SUCCESS(err) && k == 1)
      cp.to_unicode[b] = u[0];
    else
      cp.to_unicode[b] = (b >= 0x80 && b <= 0x9F) ? char16_t(b) : char16_t(0xFFFD);
  }
  // In the code pages based on ASCII, control bytes stand for themselves (ICU's IBM tables
  // move a few of them around).
  if (cp.to_unicode[uint8_t('A')] == u'A' && cp.to_unicode[uint8_t('z')] == u'z')
    for (int b = 0; b < 0x80; ++b)
      if (b < 0x20 || b == 0x7F) cp.to_unicode[b] = char16_t(b);
  cp.from_unicode = std::make_unique<uint8_t[]>(0x10000);
  for (int b = 255; b >= 1; --b)  // the lowest byte wins where two bytes share a character
    if (cp.to_unicode[b] != 0xFFFD && cp.to_unicode[b] != 0) cp.from_unicode[cp.to_unicode[b]] = uint8_t(b);
}

TCodePage* MakeCodePage(int code_page) {
  UConverter* c = OpenConverter(code_page);
  if (!c) return nullptr;
  auto* e = new TCodePage;
  e->code_page = code_page;
  e->converter = c;
  const UConverterType type = ucnv_getType(c);
  e->single_byte = ucnv_getMaxCharSize(c) == 1 && (type == UCNV_SBCS || type == UCNV_LATIN_1 || type == UCNV_US_ASCII);
  if (e->single_byte) BuildSingleByteTables(*e);
  UErrorCode err = U_ZERO_ERROR;
  ucnv_setSubstChars(c, "?", 1, &err);
  return e;
}

// The entry of a code page, made on first use and kept for the life of the process; a code
// page ICU does not know shares the entry of Windows-1252. nullptr only without converter data.
TCodePage* CodePageEntry(int code_page) {
  static auto* lock = new std::mutex;
  static auto* entries = new std::unordered_map<int, TCodePage*>;
  std::lock_guard<std::mutex> guard(*lock);
  auto it = entries->find(code_page);
  if (it != entries->end()) return it->second;
  TCodePage* e = MakeCodePage(code_page);
  if (!e && code_page != 1252) {
    auto western = entries->find(1252);
    e = western != entries->end() ? western->second : MakeCodePage(1252);
    if (e) entries->emplace(1252, e);
  }
  entries->emplace(code_page, e);
  return e;
}

}  // namespace

UString DecodeCodePage(const uint8_t* data, size_t n, int code_page) {
  TCodePage* cp = CodePageEntry(code_page);
  if (!cp) return Latin1ToUtf16(std::string_view(reinterpret_cast<const char*>(data), n));
  UString out;
  if (cp->single_byte) {
    out.resize(n);
    for (size_t i = 0; i < n; ++i) out[i] = cp->to_unicode[data[i]];
    return out;
  }
  std::lock_guard<std::mutex> guard(cp->lock);
  UErrorCode err = U_ZERO_ERROR;
  out.resize(n + 16);
  const char* src = reinterpret_cast<const char*>(data);
  int32_t len = ucnv_toUChars(cp->converter, out.data(), ClampedLength(out.size()), src, ClampedLength(n), &err);
  if (err == U_BUFFER_OVERFLOW_ERROR) {
    out.resize(size_t(len));
    err = U_ZERO_ERROR;
    len = ucnv_toUChars(cp->converter, out.data(), ClampedLength(out.size()), src, ClampedLength(n), &err);
  }
  if (U_FAILURE(err)) len = 0;
  out.resize(size_t(len));
  return out;
}

const char16_t* SingleByteCodePageUnits(int code_page) {
  static const std::array<char16_t, 256> kOwnValues = [] {
    std::array<char16_t, 256> t{};
    for (int b = 0; b < 256; ++b) t[static_cast<size_t>(b)] = static_cast<char16_t>(b);
    return t;
  }();
  const TCodePage* cp = CodePageEntry(code_page);
  if (cp == nullptr) return kOwnValues.data();
  return cp->single_byte ? cp->to_unicode : nullptr;
}

bool DecodeCodePageInto(const uint8_t* data, size_t n, int code_page, UString& out, std::vector<uint32_t>& offsets,
                        bool allow_incomplete_tail) {
  offsets.clear();
  TCodePage* cp = CodePageEntry(code_page);
  if (!cp || cp->single_byte) {
    out.resize(n);
    for (size_t i = 0; i < n; ++i) out[i] = cp ? cp->to_unicode[data[i]] : char16_t(data[i]);
    return true;
  }
  // Multi-byte code pages: the converter reports the source offset of every unit (written into
  // offsets' own memory); without flushing it keeps a character broken off at the end to itself.
  static_assert(sizeof(int32_t) == sizeof(uint32_t));
  std::lock_guard<std::mutex> guard(cp->lock);
  ucnv_reset(cp->converter);
  out.resize(n + 16);
  offsets.resize(out.size() + 1);
  int32_t* offs = reinterpret_cast<int32_t*>(offsets.data());
  const char* src = reinterpret_cast<const char*>(data);
  const char* const src_end = src + n;
  UChar* target = out.data();
  UErrorCode err = U_ZERO_ERROR;
  ucnv_toUnicode(cp->converter, &target, out.data() + out.size(), &src, src_end, offs, false, &err);
  size_t len = U_FAILURE(err) ? 0 : size_t(target - out.data());
  size_t consumed = n;
  // Bytes the converter holds back belong to an incomplete last character: left for the next
  // piece, or else one replacement character.
  UErrorCode perr = U_ZERO_ERROR;
  const int8_t held = ucnv_toUCountPending(cp->converter, &perr);
  if (U_SUCCESS(perr) && held > 0 && size_t(held) <= n) {
    consumed = n - size_t(held);
    if (!allow_incomplete_tail && len < out.size()) {
      out[len] = 0xFFFD;
      offs[len] = int32_t(consumed);
      ++len;
      consumed = n;
    }
  }
  ucnv_reset(cp->converter);
  out.resize(len);
  // A unit the converter gives no offset takes its neighbour's.
  for (size_t i = 0; i < len; ++i) offsets[i] = offs[i] < 0 ? (i ? offsets[i - 1] : 0) : uint32_t(offs[i]);
  offsets.resize(len + 1);
  offsets[len] = uint32_t(consumed);
  return false;
}

UString DecodeCodePageWithOffsets(const uint8_t* data, size_t n, int code_page, std::vector<uint32_t>& offsets,
                                  bool allow_incomplete_tail) {
  UString out;
  if (DecodeCodePageInto(data, n, code_page, out, offsets, allow_incomplete_tail)) {
    offsets.resize(n + 1);
    for (size_t i = 0; i <= n; ++i) offsets[i] = uint32_t(i);
  }
  return out;
}

std::string EncodeCodePage(UStringView s, int code_page) {
  TCodePage* cp = CodePageEntry(code_page);
  std::string out;
  if (!cp || cp->single_byte) {
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
      const char16_t u = s[i];
      uint8_t b = u == 0 ? 0 : '?';
      if (cp && u != 0 && cp->from_unicode[u] != 0)
        b = cp->from_unicode[u];
      else if (!cp && u < 0x100)
        b = uint8_t(u);
      if (u >= 0xD800 && u <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) ++i;
      out.push_back(char(b));
    }
    return out;
  }
  std::lock_guard<std::mutex> guard(cp->lock);
  UErrorCode err = U_ZERO_ERROR;
  out.resize(s.size() * 4 + 16);
  int32_t len = ucnv_fromUChars(cp->converter, out.data(), ClampedLength(out.size()), s.data(), ClampedLength(s.size()), &err);
  if (err == U_BUFFER_OVERFLOW_ERROR) {
    out.resize(size_t(len));
    err = U_ZERO_ERROR;
    len = ucnv_fromUChars(cp->converter, out.data(), ClampedLength(out.size()), s.data(), ClampedLength(s.size()), &err);
  }
  if (U_FAILURE(err)) len = 0;
  out.resize(size_t(len));
  return out;
}

// --- UTF-16 without byte-order mark ------------------------------------------------------------

// The test, on the whole buffer (an odd last byte is ignored):
// 1. Under 3 bytes: never UTF-16.
// 2. Zero bytes are counted at even and at odd offsets. Text in UTF-16 has a zero high byte in
//    every character below U+0100 (spaces, line ends, digits, Latin letters), so one side
//    holds many zeros and the other few; 8-bit text has no zeros at all, and binary data has
//    them on both sides alike. The side with more zeros is the high byte (odd: little-endian,
//    even: big-endian); it must hold more than twice the zeros of the other side and at least
//    one zero per 64 characters.
// 3. The buffer read that way must look like text: when more than a quarter of its characters
//    are controls (other than TAB, LF, VT, FF, CR), unassigned code points or lone surrogates,
//    it is not UTF-16.
void lz_text_detail::CountZeroBytes(const uint8_t* data, size_t units, size_t& zero_even, size_t& zero_odd) {
  zero_even = zero_odd = 0;
  size_t u = 0;
#if defined(__SSE2__)
  // Each byte lane counts its zeros (up to 255 blocks at a time); the sums of the even and the
  // odd lanes are taken at the end of each run.
  const __m128i zero = _mm_setzero_si128();
  const __m128i low_bytes = _mm_set1_epi16(0x00FF);
  while (u + 8 <= units) {
    const size_t blocks = std::min<size_t>((units - u) / 8, 255);
    __m128i counts = zero;
    for (size_t b = 0; b < blocks; ++b, u += 8) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 2 * u));
      counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(v, zero));
    }
    const __m128i even = _mm_sad_epu8(_mm_and_si128(counts, low_bytes), zero);
    const __m128i odd = _mm_sad_epu8(_mm_srli_epi16(counts, 8), zero);
    zero_even += static_cast<size_t>(_mm_cvtsi128_si64(even)) + static_cast<size_t>(_mm_extract_epi16(even, 4));
    zero_odd += static_cast<size_t>(_mm_cvtsi128_si64(odd)) + static_cast<size_t>(_mm_extract_epi16(odd, 4));
  }
#endif
  for (; u < units; ++u) {
    zero_even += data[2 * u] == 0;
    zero_odd += data[2 * u + 1] == 0;
  }
}

TUtf16Guess GuessUtf16(const uint8_t* data, size_t n) {
  if (!data || n < 3) return TUtf16Guess::NotUtf16;
  const size_t units = n / 2;
  size_t zero_even = 0, zero_odd = 0;
  lz_text_detail::CountZeroBytes(data, units, zero_even, zero_odd);
  const bool little = zero_odd > zero_even;
  const size_t high_zeros = little ? zero_odd : zero_even;
  const size_t low_zeros = little ? zero_even : zero_odd;
  if (high_zeros <= 2 * low_zeros || high_zeros == 0 || high_zeros < units / 64) return TUtf16Guess::NotUtf16;

  const uint16_t* table = lz_text_detail::BmpKindTable();
  auto unit_at = [&](size_t u) -> char16_t {
    return little ? char16_t(data[2 * u] | (data[2 * u + 1] << 8)) : char16_t((data[2 * u] << 8) | data[2 * u + 1]);
  };
  size_t bad = 0;
  for (size_t u = 0; u < units; ++u) {
    const char16_t c = unit_at(u);
    const uint16_t k = table[c];
    if (k == lz_text_detail::kSurrogateUnit) {
      if (c <= 0xDBFF && u + 1 < units) {
        const char16_t next = unit_at(u + 1);
        if (next >= 0xDC00 && next <= 0xDFFF) {
          const char32_t cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(next) - 0xDC00);
          bad += CharKindOf(cp) == 0;
          ++u;
          continue;
        }
      }
      ++bad;
    } else if (k == 0 || ((k & C1_CNTRL) && !(k & C1_SPACE))) {
      ++bad;
    }
  }
  if (bad * 4 > units) return TUtf16Guess::NotUtf16;
  return little ? TUtf16Guess::LittleEndian : TUtf16Guess::BigEndian;
}
