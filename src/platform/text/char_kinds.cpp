// Character kinds: the classic CT_CTYPE1 bits from ICU's character properties.
#include <unicode/uchar.h>
#include <unicode/uset.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <vector>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "platform/text/text_internal.h"
#include "platform/text/text_services.h"

namespace {

// Upper or lower for letters that carry case as a property rather than as their category
// (ordinal indicators, modifier letters such as U+02B0, Roman numerals).
uint16_t CaseBitsByProperty(UChar32 c) {
  if (u_hasBinaryProperty(c, UCHAR_LOWERCASE)) return C1_LOWER;
  if (u_hasBinaryProperty(c, UCHAR_UPPERCASE)) return C1_UPPER;
  return 0;
}

// Characters that show nothing and only steer how their neighbours are drawn or joined (joiners,
// variation selectors, direction marks, the soft hyphen, a byte-order mark inside a text). The
// zero-width space is left out: it is there to part words. Letters that are default-ignorable
// (Hangul fillers) stay letters.
bool IsInvisible(UChar32 c) {
  if (c == 0x200B || !u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT)) return false;
  const int8_t type = u_charType(c);
  return type == U_FORMAT_CHAR || type == U_NON_SPACING_MARK;
}

// The kind of a character of category `type` that is neither a control, U+200B nor an invisible
// one. With `exact`, c's own properties count where the category leaves the kind open (hex
// digits, case as a property, the kind of number); without, they are taken as absent.
uint16_t KindInCategory(UChar32 c, int8_t type, bool exact) {
  const uint16_t hex = exact && u_isxdigit(c) ? C1_XDIGIT : 0;
  switch (type) {
    case U_UPPERCASE_LETTER:
    case U_TITLECASE_LETTER:
      return C1_ALPHA | C1_UPPER | C1_DEFINED | hex;
    case U_LOWERCASE_LETTER:
      return C1_ALPHA | C1_LOWER | C1_DEFINED | hex;
    case U_MODIFIER_LETTER:
    case U_OTHER_LETTER:
    case U_LETTER_NUMBER:
      return C1_ALPHA | C1_DEFINED | (exact ? CaseBitsByProperty(c) : 0);
    // Our rule: combining marks count as letters, so "e" + U+0301 inside a word does not split
    // the word, whether or not the text was composed first.
    case U_NON_SPACING_MARK:
    case U_COMBINING_SPACING_MARK:
    case U_ENCLOSING_MARK:
      return C1_ALPHA | C1_DEFINED;
    case U_DECIMAL_DIGIT_NUMBER:
      return C1_DIGIT | C1_XDIGIT | C1_DEFINED;
    case U_OTHER_NUMBER:
      // Superscript, subscript and circled digits and fractions are punctuation: they part words
      // wherever they stand ("Weber\u00B9 argued" gives Weber, "m\u00B2" m, "CO\u2082" CO), so
      // that a footnote mark makes no word of its own.
      return C1_PUNCT | C1_DEFINED;
    case U_SPACE_SEPARATOR:
      return C1_SPACE | C1_BLANK | C1_DEFINED;
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
      return C1_SPACE | C1_DEFINED;
    case U_DASH_PUNCTUATION:
    case U_START_PUNCTUATION:
    case U_END_PUNCTUATION:
    case U_CONNECTOR_PUNCTUATION:
    case U_OTHER_PUNCTUATION:
    case U_INITIAL_PUNCTUATION:
    case U_FINAL_PUNCTUATION:
    case U_MATH_SYMBOL:
    case U_CURRENCY_SYMBOL:
    case U_MODIFIER_SYMBOL:
    case U_OTHER_SYMBOL:
      return C1_PUNCT | C1_DEFINED;
    case U_FORMAT_CHAR:  // the visible ones: number signs, annotation marks
      return C1_DEFINED;
    case U_PRIVATE_USE_CHAR:
      return C1_DEFINED;
    case U_CONTROL_CHAR:
      return C1_CNTRL | C1_DEFINED;
    default:  // unassigned, surrogate code points
      return 0;
  }
}

uint16_t KindOfCodePoint(UChar32 c) {
  if (c < 0 || c > 0x10FFFF) return 0;
  if (c == 0x200B) return C1_SPACE | C1_BLANK | C1_DEFINED;
  if (IsInvisible(c)) return KIND_INVISIBLE;
  if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
    uint16_t k = C1_CNTRL | C1_DEFINED;
    if (c == 0x09)
      k |= C1_SPACE | C1_BLANK;
    else if ((c >= 0x0A && c <= 0x0D) || c == 0x85)
      k |= C1_SPACE;
    return k;
  }
  return KindInCategory(c, u_charType(c), true);
}

// The kinds of one plane's 65,536 code points, as KindOfCodePoint gives them. A character at a
// time that took milliseconds of every process's first text; here the categories come a range at
// a time, and only the characters whose own properties may count are looked at one by one.
std::unique_ptr<uint16_t[]> KindsOfPlane(unsigned plane) {
  // Two entries more: a gather of the last unit's kind reads four bytes.
  auto t = std::make_unique<uint16_t[]>(0x10000 + 2);
  struct TPlane {
    uint16_t* kinds;
    UChar32 first, end;
  } p{t.get(), UChar32(plane << 16), UChar32(plane << 16) + 0x10000};
  u_enumCharTypes(
      [](const void* context, UChar32 start, UChar32 limit, UCharCategory type) -> UBool {
        const TPlane& q = *static_cast<const TPlane*>(context);
        if (start >= q.end) return false;
        const UChar32 from = std::max(start, q.first), to = std::min(limit, q.end);
        if (from >= to) return true;
        const uint16_t k = KindInCategory(from, static_cast<int8_t>(type), false);
        std::fill(q.kinds + (from - q.first), q.kinds + (to - q.first), k);
        // Where a character's own properties may count within its category, it is looked at
        // alone: letters that are hex digits, and the formats and marks that are
        // default-ignorable (only those may be invisible).
        const bool cased = type == U_UPPERCASE_LETTER || type == U_LOWERCASE_LETTER || type == U_TITLECASE_LETTER;
        const bool ignorable = type == U_FORMAT_CHAR || type == U_NON_SPACING_MARK;
        if (cased || ignorable)
          for (UChar32 c = from; c < to; ++c)
            if ((cased && u_isxdigit(c)) || (ignorable && u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT)))
              q.kinds[c - q.first] = KindOfCodePoint(c);
        return true;
      },
      &p);
  // [from, to] as KindOfCodePoint gives them; with only_open, only where the category left the
  // kind open (letters without case of their category, and marks, whose kind is the same).
  auto exact = [&](UChar32 from, UChar32 to, bool only_open) {
    for (UChar32 c = std::max(from, p.first); c <= to && c < p.end; ++c)
      if (!only_open || t[c - p.first] == (C1_ALPHA | C1_DEFINED)) t[c - p.first] = KindOfCodePoint(c);
  };
  // Controls and U+200B have kinds of their own, and a letter without case of its category may
  // have it as a property.
  exact(0, 0x1F, false);
  exact(0x7F, 0x9F, false);
  exact(0x200B, 0x200B, false);
  for (const UProperty property : {UCHAR_LOWERCASE, UCHAR_UPPERCASE}) {
    UErrorCode err = U_ZERO_ERROR;
    const USet* set = u_getBinaryPropertySet(property, &err);
    if (U_FAILURE(err) || set == nullptr) {
      exact(p.first, p.end - 1, true);  // every character of the plane, one at a time
      continue;
    }
    const int32_t ranges = uset_getRangeCount(set);
    for (int32_t r = 0; r < ranges; ++r) {
      UChar32 from = 0, to = -1;
      err = U_ZERO_ERROR;
      if (uset_getItem(set, r, &from, &to, nullptr, 0, &err) == 0 && U_SUCCESS(err)) exact(from, to, true);
    }
  }
  return t;
}

std::unique_ptr<uint16_t[]> BuildBmpTable() {
  auto t = KindsOfPlane(0);
  for (UChar32 c = 0xD800; c <= 0xDFFF; ++c) t[c] = lz_text_detail::kSurrogateUnit;
  for (UChar32 c = 0; c < 0x10000; ++c)
    if (t[c] == KIND_INVISIBLE) t[c] = lz_text_detail::kInvisibleUnit;
  return t;
}

// Kinds of the supplementary planes, one table per plane made when a text first uses it (emoji
// in social-media corpora, historic scripts, rare ideographs).
const uint16_t* PlaneKindTable(unsigned plane) {
  static std::once_flag once[17];
  static std::unique_ptr<uint16_t[]> tables[17];
  std::call_once(once[plane], [plane] { tables[plane] = KindsOfPlane(plane); });
  return tables[plane].get();
}

uint16_t SupplementaryKind(char32_t c) { return PlaneKindTable(unsigned(c >> 16))[c & 0xFFFF]; }

// Second pass over a chunk that holds surrogate units: a well-formed pair gets the kind of its
// code point on both units, a lone surrogate gets 0. Answers whether an invisible pair was seen.
bool ClassifySurrogates(const char16_t* text, size_t n, uint16_t* kinds) {
  bool invisible = false;
  for (size_t i = 0; i < n; ++i) {
#if defined(__x86_64__)
    // A chunk with one pair (a symbol in a mail) mostly holds few: eight kinds at a time are
    // passed over up to the next surrogate.
    const __m128i unit = _mm_set1_epi16(static_cast<short>(lz_text_detail::kSurrogateUnit));
    for (; i + 8 <= n; i += 8) {
      const __m128i k8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kinds + i));
      const unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(k8, unit)));
      if (hits != 0) {
        i += static_cast<size_t>(std::countr_zero(hits) / 2);
        break;
      }
    }
    if (i >= n) break;
#endif
    if (kinds[i] != lz_text_detail::kSurrogateUnit) continue;
    const char16_t u = text[i];
    if (u <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      const char32_t c = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
      kinds[i] = kinds[i + 1] = SupplementaryKind(c);
      invisible = invisible || kinds[i] == KIND_INVISIBLE;
      ++i;
    } else {
      kinds[i] = 0;
    }
  }
  return invisible;
}

bool IsWordCharKind(uint16_t k) { return k < KIND_HIDDEN && (k == C1_DEFINED || (k & (C1_ALPHA | C1_DIGIT)) != 0); }

// Last pass, only over chunks that hold invisible characters: one right after a word character
// (or after another one that joined) belongs to that word; elsewhere it parts nothing and is
// no word.
void JoinInvisibles(const char16_t* text, size_t n, uint16_t* kinds) {
  for (size_t i = 0; i < n; ++i) {
#if defined(__x86_64__)
    // A text holding one invisible character mostly holds few: eight kinds at a time are passed
    // over up to the next one.
    const __m128i unit = _mm_set1_epi16(static_cast<short>(lz_text_detail::kInvisibleUnit));
    const __m128i invisible = _mm_set1_epi16(static_cast<short>(KIND_INVISIBLE));
    for (; i + 8 <= n; i += 8) {
      const __m128i k8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kinds + i));
      const unsigned hits = static_cast<unsigned>(
          _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(k8, unit), _mm_cmpeq_epi16(k8, invisible))));
      if (hits != 0) {
        i += static_cast<size_t>(std::countr_zero(hits) / 2);
        break;
      }
    }
    if (i >= n) break;
#endif
    const uint16_t k = kinds[i];
    if (k != lz_text_detail::kInvisibleUnit && k != KIND_INVISIBLE) continue;
    const uint16_t joined = i > 0 && IsWordCharKind(kinds[i - 1]) ? KIND_INVISIBLE_IN_WORD : KIND_INVISIBLE;
    kinds[i] = joined;
    if (k == KIND_INVISIBLE && text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < n) kinds[++i] = joined;
  }
}

}  // namespace

namespace lz_text_detail {

bool UseWideVectors() {
  // LINZORA_NO_WIDE_VECTORS lets the tests run the paths of processors without them.
  static const bool has = __builtin_cpu_supports("avx2") && !std::getenv("LINZORA_NO_WIDE_VECTORS");
  return has;
}

const uint16_t* BmpKindTable() {
  static const std::unique_ptr<uint16_t[]> table = BuildBmpTable();
  return table.get();
}

uint16_t KindOfCodePointAlone(char32_t c) { return KindOfCodePoint(static_cast<UChar32>(c)); }

}  // namespace lz_text_detail

uint16_t CharKindOf(char32_t c) {
  if (c < 0x10000) {
    const uint16_t k = lz_text_detail::BmpKindTable()[c];
    if (k == lz_text_detail::kInvisibleUnit) return KIND_INVISIBLE;
    return k == lz_text_detail::kSurrogateUnit ? 0 : k;
  }
  return c <= 0x10FFFF ? SupplementaryKind(c) : 0;
}

namespace {

#if defined(__x86_64__)
bool UseGatherVectors() {
  // LINZORA_NO_AVX512 lets the tests run the one-at-a-time road on such processors too.
  static const bool has = lz_text_detail::UseWideVectors() && __builtin_cpu_supports("avx512f") &&
                          __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
                          !std::getenv("LINZORA_NO_AVX512");
  return has;
}

__attribute__((target("avx512f,avx512bw,avx512vl"))) uint64_t CharKindsByGather(const char16_t* p, uint64_t lanes,
                                                                        uint16_t* kinds) {
  const uint16_t* table = lz_text_detail::BmpKindTable();
  uint64_t left = 0;
  for (int q = 0; q < 4; ++q) {
    const __mmask16 want = static_cast<__mmask16>(lanes >> (16 * q));
    if (want == 0) continue;
    const __m512i units =
        _mm512_maskz_cvtepu16_epi32(0xFFFF, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 16 * q)));
    // Each lane reads four bytes from its unit's entry: the low two are its kind.
    __m512i k = _mm512_and_si512(_mm512_mask_i32gather_epi32(_mm512_setzero_si512(), want, units, table, 2),
                                 _mm512_set1_epi32(0xFFFF));
    const __mmask16 surrogate = _mm512_mask_cmpeq_epi32_mask(want, k, _mm512_set1_epi32(lz_text_detail::kSurrogateUnit));
    const __mmask16 invisible = _mm512_cmpeq_epi32_mask(k, _mm512_set1_epi32(lz_text_detail::kInvisibleUnit));
    k = _mm512_mask_blend_epi32(invisible, k, _mm512_set1_epi32(KIND_INVISIBLE));
    _mm256_mask_storeu_epi16(kinds + 16 * q, static_cast<__mmask16>(want & ~surrogate), _mm512_maskz_cvtepi32_epi16(0xFFFF, k));
    left |= static_cast<uint64_t>(surrogate) << (16 * q);
  }
  return left;
}
#endif

}  // namespace

uint64_t CharKindsOfUnits(const char16_t* p, uint64_t lanes, uint16_t* kinds) {
#if defined(__x86_64__)
  if (UseGatherVectors()) return CharKindsByGather(p, lanes, kinds);
#endif
  (void)p;
  (void)kinds;
  return lanes;
}

namespace {

#if defined(__x86_64__)
// The kinds of the 128 ASCII units split by high nibble, each row the low and the high bytes of
// its 16 kinds (twice, one copy for each half of a 256-bit vector).
struct TAsciiKindRows {
  alignas(32) uint8_t low[8][32];
  alignas(32) uint8_t high[8][32];
  // The ASCII units have few distinct kinds: each row also gives a class number (0-15), and the
  // class the kind's low and high bytes. `few` says whether the kinds fit in sixteen classes.
  alignas(32) uint8_t cls[8][32];
  alignas(32) uint8_t class_low[32];
  alignas(32) uint8_t class_high[32];
  bool few;
};

const TAsciiKindRows& AsciiKindRows() {
  static const TAsciiKindRows rows = [] {
    TAsciiKindRows r{};
    const uint16_t* table = lz_text_detail::BmpKindTable();
    std::vector<uint16_t> classes;
    r.few = true;
    for (int h = 0; h < 8; ++h)
      for (int j = 0; j < 16; ++j) {
        const uint16_t k = table[h * 16 + j];
        r.low[h][j] = r.low[h][j + 16] = static_cast<uint8_t>(k & 0xFF);
        r.high[h][j] = r.high[h][j + 16] = static_cast<uint8_t>(k >> 8);
        auto at = std::find(classes.begin(), classes.end(), k);
        if (at == classes.end()) {
          if (classes.size() == 16) {
            r.few = false;
            continue;
          }
          classes.push_back(k);
          at = classes.end() - 1;
        }
        r.cls[h][j] = r.cls[h][j + 16] = static_cast<uint8_t>(at - classes.begin());
      }
    for (size_t c = 0; c < classes.size(); ++c) {
      r.class_low[c] = r.class_low[c + 16] = static_cast<uint8_t>(classes[c] & 0xFF);
      r.class_high[c] = r.class_high[c + 16] = static_cast<uint8_t>(classes[c] >> 8);
    }
    return r;
  }();
  return rows;
}


// Where the processor permutes bytes across 512 bits, the kinds of the 128 ASCII units are two
// tables of 128 bytes (each kind's low and its high byte), and one permute looks up 32 units.
bool UseByteTableVectors() {
  // LINZORA_NO_AVX512 lets the tests run the 256-bit path on such processors too (as
  // HasMaskVectors of the search characters, which this unit does not reach).
  static const bool has = lz_text_detail::UseWideVectors() && __builtin_cpu_supports("avx512bw") &&
                          __builtin_cpu_supports("avx512vbmi") && !std::getenv("LINZORA_NO_AVX512");
  return has;
}

struct TAsciiKindBytes {
  alignas(64) uint8_t low[128];
  alignas(64) uint8_t high[128];
};

const TAsciiKindBytes& AsciiKindBytes() {
  static const TAsciiKindBytes bytes = [] {
    TAsciiKindBytes b{};
    const uint16_t* table = lz_text_detail::BmpKindTable();
    for (int c = 0; c < 128; ++c) {
      b.low[c] = static_cast<uint8_t>(table[c] & 0xFF);
      b.high[c] = static_cast<uint8_t>(table[c] >> 8);
    }
    return b;
  }();
  return bytes;
}

// As ClassifyBlocksWide, through the byte tables.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) size_t ClassifyBlocksByteTables(const char16_t* text, size_t n,
                                                                                       uint16_t* kinds, uint16_t& seen) {
  const TAsciiKindBytes& t = AsciiKindBytes();
  const uint16_t* table = lz_text_detail::BmpKindTable();
  const __m512i low0 = _mm512_load_si512(t.low), low1 = _mm512_load_si512(t.low + 64);
  const __m512i high0 = _mm512_load_si512(t.high), high1 = _mm512_load_si512(t.high + 64);
  const __m512i not_ascii = _mm512_set1_epi16(static_cast<short>(0xFF80));
  __m512i seen_v = _mm512_setzero_si512();
  uint16_t seen_slow = 0;
  size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m512i units = _mm512_loadu_si512(text + i);
    if (_mm512_test_epi16_mask(units, not_ascii) != 0) {
      for (size_t j = i; j < i + 32; ++j) seen_slow |= kinds[j] = table[text[j]];
      continue;
    }
    const __m512i index = _mm512_castsi256_si512(_mm512_maskz_cvtepi16_epi8(~__mmask32{0}, units));  // as above
    // (The masked extract of the low half: GCC's plain cast warns of an undefined upper half.)
    const __m256i kl = _mm512_maskz_extracti64x4_epi64(0xFF, _mm512_permutex2var_epi8(low0, index, low1), 0);
    const __m256i kh = _mm512_maskz_extracti64x4_epi64(0xFF, _mm512_permutex2var_epi8(high0, index, high1), 0);
    const __m512i k = _mm512_or_si512(_mm512_cvtepu8_epi16(kl), _mm512_slli_epi16(_mm512_cvtepu8_epi16(kh), 8));
    _mm512_storeu_si512(kinds + i, k);
    seen_v = _mm512_or_si512(seen_v, k);
  }
  alignas(64) uint16_t lanes[32];
  _mm512_store_si512(lanes, seen_v);
  for (const uint16_t k : lanes) seen_slow |= k;
  seen = static_cast<uint16_t>(seen | seen_slow);
  return i;
}

// Blocks of 32 ASCII units are classified by nibble look-ups, 32 at once; a block with any other
// unit goes through the table one unit at a time. Answers the units done (whole blocks) and ORs
// every kind it wrote into `seen`.
__attribute__((target("avx2"))) size_t ClassifyBlocksWide(const char16_t* text, size_t n, uint16_t* kinds,
                                                          uint16_t& seen) {
  const TAsciiKindRows& rows = AsciiKindRows();
  const uint16_t* table = lz_text_detail::BmpKindTable();
  __m256i low[8], high[8], cls_rows[8];
  for (int h = 0; h < 8; ++h) {
    low[h] = _mm256_load_si256(reinterpret_cast<const __m256i*>(rows.low[h]));
    high[h] = _mm256_load_si256(reinterpret_cast<const __m256i*>(rows.high[h]));
    cls_rows[h] = _mm256_load_si256(reinterpret_cast<const __m256i*>(rows.cls[h]));
  }
  const __m256i class_low = _mm256_load_si256(reinterpret_cast<const __m256i*>(rows.class_low));
  const __m256i class_high = _mm256_load_si256(reinterpret_cast<const __m256i*>(rows.class_high));
  const __m256i top = _mm256_set1_epi8(0x70);
  const bool few = rows.few;
  const __m256i not_ascii = _mm256_set1_epi16(static_cast<short>(0xFF80));
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  __m256i seen_v = _mm256_setzero_si256();
  uint16_t seen_slow = 0;
  size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + i));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + i + 16));
    if (!_mm256_testz_si256(_mm256_or_si256(a, b), not_ascii)) {
      for (size_t j = i; j < i + 32; ++j) seen_slow |= kinds[j] = table[text[j]];
      continue;
    }
    // Bytes: a0-7 b0-7 in the low half, a8-15 b8-15 in the high half.
    const __m256i bytes = _mm256_packus_epi16(a, b);
    __m256i kl = _mm256_setzero_si256(), kh = _mm256_setzero_si256();
    if (few) {
      // A unit's row is picked by its high nibble: XOR-ing the row's number leaves units of the
      // row below 16, and the saturating add sets the top bit (a zero from the shuffle) on all
      // others. The rows give the class, the class the kind.
      __m256i cls = _mm256_setzero_si256();
      for (int h = 0; h < 8; ++h) {
        const __m256i index =
            _mm256_adds_epu8(_mm256_xor_si256(bytes, _mm256_set1_epi8(static_cast<char>(h << 4))), top);
        cls = _mm256_or_si256(cls, _mm256_shuffle_epi8(cls_rows[h], index));
      }
      kl = _mm256_shuffle_epi8(class_low, cls);
      kh = _mm256_shuffle_epi8(class_high, cls);
    } else {
      const __m256i row = _mm256_and_si256(_mm256_srli_epi16(bytes, 4), nibble);
      for (int h = 0; h < 8; ++h) {
        const __m256i in_row = _mm256_cmpeq_epi8(row, _mm256_set1_epi8(static_cast<char>(h)));
        kl = _mm256_or_si256(kl, _mm256_and_si256(in_row, _mm256_shuffle_epi8(low[h], bytes)));
        kh = _mm256_or_si256(kh, _mm256_and_si256(in_row, _mm256_shuffle_epi8(high[h], bytes)));
      }
    }
    const __m256i ka = _mm256_unpacklo_epi8(kl, kh);  // a0-15
    const __m256i kb = _mm256_unpackhi_epi8(kl, kh);  // b0-15
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(kinds + i), ka);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(kinds + i + 16), kb);
    seen_v = _mm256_or_si256(seen_v, _mm256_or_si256(ka, kb));
  }
  __m128i x = _mm_or_si128(_mm256_castsi256_si128(seen_v), _mm256_extracti128_si256(seen_v, 1));
  x = _mm_or_si128(x, _mm_srli_si128(x, 8));
  x = _mm_or_si128(x, _mm_srli_si128(x, 4));
  x = _mm_or_si128(x, _mm_srli_si128(x, 2));
  seen = static_cast<uint16_t>(seen | seen_slow | static_cast<uint16_t>(_mm_cvtsi128_si32(x)));
  return i;
}
#endif

}  // namespace

void ClassifyChars(const char16_t* text, size_t n, uint16_t* kinds) {
  const uint16_t* table = lz_text_detail::BmpKindTable();
  // One table load per unit, no branch; four lanes so that the loads overlap.
  uint16_t seen0 = 0, seen1 = 0, seen2 = 0, seen3 = 0;
  size_t i = 0;
#if defined(__x86_64__)
  if (UseByteTableVectors()) i = ClassifyBlocksByteTables(text, n, kinds, seen0);
  else if (lz_text_detail::UseWideVectors()) i = ClassifyBlocksWide(text, n, kinds, seen0);
#endif
  for (; i + 4 <= n; i += 4) {
    const uint16_t k0 = table[text[i]], k1 = table[text[i + 1]];
    const uint16_t k2 = table[text[i + 2]], k3 = table[text[i + 3]];
    kinds[i] = k0;
    kinds[i + 1] = k1;
    kinds[i + 2] = k2;
    kinds[i + 3] = k3;
    seen0 |= k0;
    seen1 |= k1;
    seen2 |= k2;
    seen3 |= k3;
  }
  for (; i < n; ++i) {
    kinds[i] = table[text[i]];
    seen0 |= kinds[i];
  }
  const uint16_t seen = seen0 | seen1 | seen2 | seen3;
  bool invisible = (seen & lz_text_detail::kInvisibleUnit) != 0;
  if (seen & lz_text_detail::kSurrogateUnit) invisible = ClassifySurrogates(text, n, kinds) || invisible;
  if (invisible) JoinInvisibles(text, n, kinds);
}
