#include "platform/search/fast_first_pass.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "platform/search/search_chars.h"
#include "platform/text/text_services.h"

// The 256-bit helpers below that return vectors (lambdas and small functions) are always inlined
// into functions built for AVX2, so no call ever crosses between the two ABIs GCC notes.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

std::atomic<bool> g_fast_pass_on{true};

constexpr uint16_t kSentenceEndKind = kFastPassMarkerKind;
constexpr char16_t kTagOffUnit = 24;  // the code the tag handler writes over a marked tag's ">"
constexpr uint16_t kBlankedKind = C1_SPACE | C1_BLANK | C1_DEFINED;  // punctuation taken as a blank

// The masks of one block of 64 units (bit j: unit j of the block).
struct TBlockMasks {
  uint64_t stop = 0;    // not ASCII, or a stop character
  uint64_t ctrl = 0;    // below 32 or 127: kinds from the table
  uint64_t alpha = 0, lower = 0, digit = 0, punct = 0;
  uint64_t sentence = 0;  // ".", "?", "!"
  uint64_t joinable = 0;  // ".", ",", "-" and the in-word symbols
  uint64_t open = 0, close = 0;  // "<" and ">" (that are no stops)
  uint64_t defined = 0;  // word characters that are no letter or digit (beyond ASCII only)
  // ORs in the bits of some units, in the order of the fields, from unit `shift` on.
  void Add(int shift, uint64_t s, uint64_t c, uint64_t a, uint64_t l, uint64_t d, uint64_t p, uint64_t e, uint64_t j,
           uint64_t o, uint64_t x) {
    stop |= s << shift;
    ctrl |= c << shift;
    alpha |= a << shift;
    lower |= l << shift;
    digit |= d << shift;
    punct |= p << shift;
    sentence |= e << shift;
    joinable |= j << shift;
    open |= o << shift;
    close |= x << shift;
  }
};

// The kinds of ASCII as the full road classifies them, and whether the vector paths' formula
// (seven classes from compares) gives the same for every printable unit.
struct TAsciiKinds {
  uint16_t kind[128];
  uint16_t space, digit, upper_hex, upper, lower_hex, lower, punct;
  bool formula_ok = true;
};

const TAsciiKinds& AsciiKinds() {
  static const TAsciiKinds k = [] {
    TAsciiKinds a{};
    for (int u = 0; u < 128; ++u) a.kind[u] = CharKindOf(static_cast<char32_t>(u));
    a.space = a.kind[' '];
    a.digit = a.kind['0'];
    a.upper_hex = a.kind['A'];
    a.upper = a.kind['Z'];
    a.lower_hex = a.kind['a'];
    a.lower = a.kind['z'];
    a.punct = a.kind['!'];
    for (int u = 0; u < 128; ++u) {
      const uint16_t k = a.kind[u];
      uint16_t want = a.punct;
      const bool ctrl = u < 32 || u == 127;
      if (u == ' ') want = a.space;
      else if (u >= '0' && u <= '9') want = a.digit;
      else if (u >= 'A' && u <= 'Z') want = u <= 'F' ? a.upper_hex : a.upper;
      else if (u >= 'a' && u <= 'z') want = u <= 'f' ? a.lower_hex : a.lower;
      const bool alpha = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
      const bool digit = u >= '0' && u <= '9';
      // The masks the blocks take from ranges must say what the kinds say.
      if ((((k & C1_ALPHA) != 0) != alpha) || (((k & C1_DIGIT) != 0) != digit) ||
          (((k & C1_LOWER) != 0) != (u >= 'a' && u <= 'z')) || (((k & C1_UPPER) != 0) != (u >= 'A' && u <= 'Z')) ||
          (IsWordKind(k) != (alpha || digit)) ||
          k == KIND_INVISIBLE || k >= kKindHidden)
        a.formula_ok = false;
      if (ctrl) {
        if ((k & C1_PUNCT) != 0) a.formula_ok = false;
      } else if (k != want || (((k & C1_PUNCT) != 0) != (!alpha && !digit && u != ' '))) {
        a.formula_ok = false;
      }
    }
    return a;
  }();
  return k;
}

// --- the block paths -------------------------------------------------------------------------------

// What a block step gives: the masks and the kinds, the masks alone (the kinds are written later
// where they are read), or the kinds alone (with the mask of control characters, whose kinds
// come from the table).
enum TBlockGives : int { kMasksAndKinds, kMasksOnly, kKindsOnly };

// One unit at a time: the reference of the vector paths. m units (m <= 64).
// U: a UTF-16 unit, or a byte a unit is widened from (one of 0x80 or above, standing for a unit
// beyond ASCII, is a stop, as that unit is).
template <int kGives = kMasksAndKinds, typename U = char16_t>
void BlockScalar(const U* t, uint16_t* kinds, int m, const TFastPassRules& r, TBlockMasks& b) {
  const TAsciiKinds& a = AsciiKinds();
  b = TBlockMasks{};
  for (int j = 0; j < m; ++j) {
    const unsigned u = t[j];
    const uint64_t bit = uint64_t{1} << j;
    if (u >= 128 || (kGives != kKindsOnly && (u == 0 || r.stops[u]))) {
      b.stop |= bit;
      continue;
    }
    const uint16_t k = a.kind[u];
    if constexpr (kGives != kMasksOnly) kinds[j] = k;
    if (u < 32 || u == 127) b.ctrl |= bit;
    if (k & C1_ALPHA) b.alpha |= bit;
    if (k & C1_LOWER) b.lower |= bit;
    if (k & C1_DIGIT) b.digit |= bit;
    if (k & C1_PUNCT) b.punct |= bit;
    if (u == u'.' || u == u'?' || u == u'!') b.sentence |= bit;
    if (u == u'.' || u == u',' || u == u'-' || r.symbols[u]) b.joinable |= bit;
    if (u == u'<') b.open |= bit;
    if (u == u'>') b.close |= bit;
  }
}

// The new characters' units read from the bytes they are widened from, one a unit: a byte below
// 0x80 is its unit; one of 0x80 or above stands for a unit beyond ASCII, which the text holds
// already. (The units beyond ASCII are read from the text alone, as a UTF-16 chunk's are.)
struct TUnitsOfBytes {
  const char16_t* text;
  const uint8_t* bytes;
  char16_t operator[](int32_t i) const { return bytes[i] < 0x80 ? char16_t{bytes[i]} : text[i]; }
};

// The kind the full road gives unit i of t, which it classifies over [0, len) (the new
// characters of a chunk and its look-ahead): a unit of a pair of surrogates takes the kind of its
// code point, a lone surrogate 0. T: the units (const char16_t*) or TUnitsOfBytes.
template <typename T>
uint16_t UnitKind(const T& t, int32_t i, int32_t len) {
  const char16_t u = t[i];
  if (u < 128) return AsciiKinds().kind[u];
  if (u < 0xD800 || u > 0xDFFF) return CharKindOf(u);
  int32_t high = i;
  if (u >= 0xDC00) {
    if (i == 0 || t[i - 1] < 0xD800 || t[i - 1] > 0xDBFF) return 0;
    high = i - 1;
  } else if (i + 1 >= len || t[i + 1] < 0xDC00 || t[i + 1] > 0xDFFF) {
    return 0;
  }
  return CharKindOf(0x10000 + ((char32_t(t[high]) - 0xD800) << 10) + (char32_t(t[high + 1]) - 0xDC00));
}

// Whether unit i of t (a unit beyond ASCII of kind k; the characters [0, len) classified) is one
// the pass judges as the full road does. Those it cannot: an invisible character (whose kind
// hangs on the word before it), a hyphen, a full stop other than the ellipsis, one the settings
// stop at or join into words; a letter without case or beyond the basic plane right before a
// full stop (the masks take a letter that is not small for a capital, and a pair for two
// letters, where initials are told); a word character that is no letter or digit after a
// hyphen (the joins look for a hyphen before a letter or digit); punctuation that is also a
// letter or digit between two letters or digits, where such punctuation is blanked (the full
// road blanks it, the masks take it for a word character).
template <typename T>
bool BeyondAsciiFits(const T& t, int32_t i, int32_t len, uint16_t k, const TFastPassRules& r) {
  const char16_t u = t[i];
  if (k == KIND_INVISIBLE || k >= kKindHidden || IsHyphenChar(u)) return false;
  if (std::binary_search(r.wide_stops.begin(), r.wide_stops.end(), u)) return false;
  const bool pair = u >= 0xD800 && u <= 0xDFFF;
  if ((k & C1_ALPHA) != 0 && (pair || ((k & C1_UPPER) != 0) == ((k & C1_LOWER) != 0)) && i + 1 < len &&
      t[i + 1] == u'.')
    return false;
  if (k == kKindDefined && i > 0 && t[i - 1] == u'-') return false;
  if ((k & C1_PUNCT) != 0 && (k & (C1_ALPHA | C1_DIGIT)) != 0 && r.blank_mid_word_marks && i > 0 && i + 1 < len &&
      (UnitKind(t, i - 1, len) & (C1_ALPHA | C1_DIGIT)) != 0 && (UnitKind(t, i + 1, len) & (C1_ALPHA | C1_DIGIT)) != 0)
    return false;
  return true;
}

// Block `base` of t (the characters [0, len) classified) when the block step stopped at units
// beyond ASCII (or unit 24): the units it stopped at one at a time, the ASCII ones as
// BlockScalar takes them, the others from the full road's kinds; b comes in as the block step
// left it (its masks of the units it did not stop at are kept) and leaves with every unit's
// masks. False where a unit cannot be judged (a stop, a zero, a unit beyond ASCII that does not
// fit); `wide` tells whether one lay beyond ASCII (or was unit 24). With kKinds the kinds of
// those units are written (the controls' among them too: their bits of bm.ctrl are cleared).
template <bool kKinds, typename T>
bool BlockBeyondAscii(const T& t, int32_t base, int32_t len, uint16_t* kinds, const TFastPassRules& r,
                      TBlockMasks& b, bool& wide) {
  const TAsciiKinds& a = AsciiKinds();
  const int m = static_cast<int>(std::min<int32_t>(64, len - base));
  wide = false;
  uint64_t lanes = b.stop;
  if (r.tag_off_code_text && !r.stops[kTagOffUnit]) {
    // Unit 24 is judged here though the block step took it: the whole block is walked.
    lanes = m >= 64 ? ~uint64_t{0} : (uint64_t{1} << m) - 1;
    b = TBlockMasks{};
  } else {
    for (uint64_t* mask : {&b.ctrl, &b.alpha, &b.lower, &b.digit, &b.punct, &b.sentence, &b.joinable, &b.open,
                           &b.close, &b.defined})
      *mask &= ~lanes;
    b.stop = 0;
  }
  for (; lanes != 0; lanes &= lanes - 1) {
    const int j = std::countr_zero(lanes);
    const int32_t i = base + j;
    const char16_t u = t[i];
    const uint64_t bit = uint64_t{1} << j;
    uint16_t k;
    if (u < 128) {
      if (u == kTagOffUnit && r.tag_off_code_text) {
        // Text to every step unless a "<" before it, within the span and with no ">" between,
        // could take it for its end.
        for (int32_t q = i - 1; q >= 0 && q >= i - r.tag_span && t[q] != u'>'; --q)
          if (t[q] == u'<') return false;
        wide = true;  // no one-byte road for it
      } else if (u == 0 || r.stops[u]) {
        return false;
      }
      k = a.kind[u];
      if (u == u'.' || u == u'?' || u == u'!') b.sentence |= bit;
      if (u == u'.' || u == u',' || u == u'-' || r.symbols[u]) b.joinable |= bit;
      if (u == u'<') b.open |= bit;
      if (u == u'>') b.close |= bit;
    } else {
      k = UnitKind(t, i, len);
      if (!BeyondAsciiFits(t, i, len, k, r)) return false;
      wide = true;
      if (std::binary_search(r.wide_sentence_marks.begin(), r.wide_sentence_marks.end(), u))
        b.sentence |= bit;
      if (k == kKindDefined) b.defined |= bit;
    }
    if constexpr (kKinds) kinds[i] = k;
    if (k & C1_ALPHA) b.alpha |= bit;
    if (k & C1_LOWER) b.lower |= bit;
    if (k & C1_DIGIT) b.digit |= bit;
    if (k & C1_PUNCT) b.punct |= bit;
  }
  return true;
}

// The kinds of the units of block `base` judged by BlockBeyondAscii, the steps' changes not laid
// over.
void KindsBeyondAscii(const char16_t* t, int32_t base, int32_t len, uint16_t* kinds) {
  const TAsciiKinds& a = AsciiKinds();
  const int32_t end = std::min<int32_t>(base + 64, len);
  for (int32_t i = base; i < end; ++i) {
    const char16_t u = t[i];
    kinds[i] = u < 128 ? a.kind[u] : UnitKind(t, i, len);
  }
}

// Units beyond ASCII that the run classifiers take as they take ASCII letters, one bit a unit:
// letters of the basic plane with case (capital or small, not both) that are neither digits nor
// punctuation, nor invisible, hidden or hyphens. BeyondAsciiFits takes every such letter, and its
// masks are those of its kind: a letter, small or not. (The settings' own stops and sentence
// marks beyond ASCII are looked up apart.) Made a page of 256 units at a time, when first asked.
struct TPlainLetterPage {
  uint64_t letter[4], lower[4];
};

const TPlainLetterPage& PlainLetterPage(unsigned page) {
  static std::atomic<const TPlainLetterPage*> pages[256];
  const TPlainLetterPage* p = pages[page].load(std::memory_order_acquire);
  if (p != nullptr) return *p;
  auto* made = new TPlainLetterPage{};
  for (unsigned o = 0; o < 256; ++o) {
    const char16_t u = static_cast<char16_t>(page << 8 | o);
    if (u < 128 || (u >= 0xD800 && u <= 0xDFFF)) continue;
    const uint16_t k = CharKindOf(u);
    const bool upper = (k & C1_UPPER) != 0, lower = (k & C1_LOWER) != 0;
    if ((k & C1_ALPHA) == 0 || upper == lower || (k & (C1_DIGIT | C1_PUNCT)) != 0 || k == KIND_INVISIBLE ||
        k >= kKindHidden || IsHyphenChar(u))
      continue;
    made->letter[o / 64] |= uint64_t{1} << (o % 64);
    if (lower) made->lower[o / 64] |= uint64_t{1} << (o % 64);
  }
  const TPlainLetterPage* expected = nullptr;
  if (pages[page].compare_exchange_strong(expected, made, std::memory_order_acq_rel)) return *made;
  delete made;  // another thread made the page first
  return *expected;
}

inline bool BlockBitSet(const std::vector<uint64_t>& bits, size_t b) { return ((bits[b / 64] >> (b % 64)) & 1) != 0; }

// Sets the units of p[0, m) whose bit is set in `mask` to `value`, a run at a time.
template <typename U>
void SetMaskedScalar(U* p, uint64_t mask, int m, U value) {
  if (m < 64) mask &= (uint64_t{1} << m) - 1;
  while (mask != 0) {
    const int a = std::countr_zero(mask);
    const uint64_t from_a = mask >> a;
    const int len = from_a == ~uint64_t{0} >> a ? 64 - a : std::countr_zero(~from_a);
    std::fill(p + a, p + a + len, value);
    mask &= len + a >= 64 ? 0 : ~uint64_t{0} << (a + len);
  }
}

// The first "<" or ">" in t[from, end), or end.
template <typename U>
int32_t NextBracketScalar(const U* t, int32_t from, int32_t end) {
  for (; from < end; ++from)
    if (t[from] == u'<' || t[from] == u'>') return from;
  return end;
}

// Bit j: an odd number of the bits 0 to j of x are set.
inline uint64_t PrefixXor(uint64_t x) {
  x ^= x << 1;
  x ^= x << 2;
  x ^= x << 4;
  x ^= x << 8;
  x ^= x << 16;
  x ^= x << 32;
  return x;
}

#if defined(__x86_64__)
// The stops and symbols as compare values (at most this many of each; more leave the vector
// paths to the one-unit path).
constexpr int kMaxVectorValues = 8;
struct TVectorValues {
  char16_t stops[kMaxVectorValues];
  int stop_count = 0;
  char16_t symbols[kMaxVectorValues];
  int symbol_count = 0;
  bool fits = true;
};

TVectorValues ValuesOf(const TFastPassRules& r) {
  TVectorValues v;
  for (int u = 0; u < 128; ++u) {
    // Controls go to the table anyway; a control stop is caught there.
    if (r.stops[u]) {
      if (v.stop_count == kMaxVectorValues) v.fits = false;
      else v.stops[v.stop_count++] = static_cast<char16_t>(u);
    }
    if (r.symbols[u] && u != '.' && u != ',' && u != '-') {
      if (v.symbol_count == kMaxVectorValues) v.fits = false;
      else v.symbols[v.symbol_count++] = static_cast<char16_t>(u);
    }
  }
  return v;
}

// The vector paths pack the units to bytes first (where masks are made, the lanes of units, or of
// bytes, of 0x80 and above stop; with the kinds alone, the whole block), classify 16 or 32 bytes
// at a time and widen the kinds' two bytes back to units.
// The kinds' low and high bytes of each class.
struct TKindBytes {
  uint8_t lo[7], hi[7];  // space, digit, upper hex, upper, lower hex, lower, punctuation
};
TKindBytes KindBytesOf(const TAsciiKinds& a);
// Those of the full road's kinds, made once.
const TKindBytes& AsciiKindBytes() {
  static const TKindBytes b = KindBytesOf(AsciiKinds());
  return b;
}

TKindBytes KindBytesOf(const TAsciiKinds& a) {
  const uint16_t k[7] = {a.space, a.digit, a.upper_hex, a.upper, a.lower_hex, a.lower, a.punct};
  TKindBytes b{};
  for (int i = 0; i < 7; ++i) {
    b.lo[i] = static_cast<uint8_t>(k[i] & 0xFF);
    b.hi[i] = static_cast<uint8_t>(k[i] >> 8);
  }
  return b;
}

// Byte masks (all ones where true) of 16 ASCII bytes, and the kinds' two bytes.
inline __m128i InRange8(__m128i v, char lo, char hi) {
  return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(static_cast<char>(lo - 1))),
                       _mm_cmplt_epi8(v, _mm_set1_epi8(static_cast<char>(hi + 1))));
}

inline uint64_t Bits8(__m128i m) { return static_cast<uint32_t>(_mm_movemask_epi8(m)) & 0xFFFFu; }

template <int kGives = kMasksAndKinds, typename U = char16_t>
void BlockSse2(const U* t, uint16_t* kinds, const TKindBytes& kind_bytes, const TVectorValues& values,
               TBlockMasks& b) {
  // Copies: the stores of kinds could otherwise change them, for all the compiler knows.
  const TKindBytes kb = kind_bytes;
  const TVectorValues vals = values;
  b = TBlockMasks{};
  bool high = false;  // units beyond ASCII, packed to a zero byte or one of 0x80 and above
  if constexpr (sizeof(U) == 1) {
    __m128i any = _mm_setzero_si128();
    for (int q = 0; q < 4; ++q) any = _mm_or_si128(any, _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + 16 * q)));
    if (_mm_movemask_epi8(any) != 0) {
      // Bytes standing for units beyond ASCII stop as those units do.
      if constexpr (kGives == kKindsOnly) {
        b.stop = ~uint64_t{0};
        return;
      }
      high = true;
    }
  } else {
    const __m128i high_units = _mm_set1_epi16(static_cast<short>(0xFF80));
    __m128i any = _mm_setzero_si128();
    for (int q = 0; q < 8; ++q)
      any = _mm_or_si128(any, _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + 8 * q)), high_units));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) != 0xFFFF) {
      // Kinds alone are made whole by the caller; for masks only the units beyond ASCII stop.
      if constexpr (kGives == kKindsOnly) {
        b.stop = ~uint64_t{0};
        return;
      }
      high = true;
    }
  }
  for (int q = 0; q < 4; ++q) {
    __m128i v;
    if constexpr (sizeof(U) == 1)
      v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + 16 * q));
    else
      v = _mm_packus_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + 16 * q)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + 16 * q + 8)));
    __m128i stop = _mm_cmpeq_epi8(v, _mm_setzero_si128());  // a zero byte: a space to the full road
    if (high) stop = _mm_or_si128(stop, _mm_cmplt_epi8(v, _mm_setzero_si128()));
    for (int s = 0; s < vals.stop_count; ++s)
      stop = _mm_or_si128(stop, _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(vals.stops[s]))));
    const __m128i ctrl = _mm_or_si128(_mm_cmplt_epi8(v, _mm_set1_epi8(32)), _mm_cmpeq_epi8(v, _mm_set1_epi8(127)));
    const __m128i digit = InRange8(v, '0', '9');
    const __m128i upper = InRange8(v, 'A', 'Z');
    const __m128i lower = InRange8(v, 'a', 'z');
    const __m128i hex = InRange8(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 'f');
    const __m128i space = _mm_cmpeq_epi8(v, _mm_set1_epi8(' '));
    const __m128i alpha = _mm_or_si128(upper, lower);
    const __m128i punct = _mm_andnot_si128(_mm_or_si128(_mm_or_si128(alpha, digit), _mm_or_si128(space, ctrl)),
                                           _mm_set1_epi8(-1));
    // One byte of the kinds from the seven classes' values of that byte.
    auto kind_byte = [&](const uint8_t (&by)[7]) {
      auto c = [](uint8_t x) { return _mm_set1_epi8(static_cast<char>(x)); };
      const __m128i up = _mm_or_si128(_mm_and_si128(hex, c(by[2])), _mm_andnot_si128(hex, c(by[3])));
      const __m128i low = _mm_or_si128(_mm_and_si128(hex, c(by[4])), _mm_andnot_si128(hex, c(by[5])));
      return _mm_or_si128(_mm_or_si128(_mm_and_si128(space, c(by[0])), _mm_and_si128(digit, c(by[1]))),
                          _mm_or_si128(_mm_or_si128(_mm_and_si128(upper, up), _mm_and_si128(lower, low)),
                                       _mm_and_si128(punct, c(by[6]))));
    };
    if constexpr (kGives != kMasksOnly) {
      const __m128i lo = kind_byte(kb.lo), hi = kind_byte(kb.hi);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(kinds + 16 * q), _mm_unpacklo_epi8(lo, hi));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(kinds + 16 * q + 8), _mm_unpackhi_epi8(lo, hi));
    } else {
      (void)kind_byte;
    }
    const __m128i dot = _mm_cmpeq_epi8(v, _mm_set1_epi8('.'));
    __m128i joinable = _mm_or_si128(dot, _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(',')), _mm_cmpeq_epi8(v, _mm_set1_epi8('-'))));
    for (int s = 0; s < vals.symbol_count; ++s)
      joinable = _mm_or_si128(joinable, _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(vals.symbols[s]))));
    const __m128i sentence =
        _mm_or_si128(dot, _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('?')), _mm_cmpeq_epi8(v, _mm_set1_epi8('!'))));
    if constexpr (kGives == kKindsOnly) {
      b.ctrl |= Bits8(ctrl) << (16 * q);
      continue;
    }
    b.Add(16 * q, Bits8(stop), Bits8(ctrl), Bits8(alpha), Bits8(lower), Bits8(digit), Bits8(punct), Bits8(sentence),
          Bits8(joinable), Bits8(_mm_cmpeq_epi8(v, _mm_set1_epi8('<'))), Bits8(_mm_cmpeq_epi8(v, _mm_set1_epi8('>'))));
  }
}

__attribute__((target("avx2"), always_inline)) inline __m256i InRange32(__m256i v, char lo, char hi) {
  return _mm256_and_si256(_mm256_cmpgt_epi8(v, _mm256_set1_epi8(static_cast<char>(lo - 1))),
                          _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(hi + 1)), v));
}

__attribute__((target("avx2"), always_inline)) inline uint64_t Bits32(__m256i m) {
  return static_cast<uint32_t>(_mm256_movemask_epi8(m));
}

template <int kGives = kMasksAndKinds, typename U = char16_t>
__attribute__((target("avx2"))) void BlockWide(const U* t, uint16_t* kinds, const TKindBytes& kind_bytes,
                                               const TVectorValues& values, TBlockMasks& b) {
  const TKindBytes kb = kind_bytes;
  const TVectorValues vals = values;
  b = TBlockMasks{};
  const __m256i* p = reinterpret_cast<const __m256i*>(t);
  // The block's 64 units as bytes in order, 32 in each.
  __m256i bytes[2];
  bool high = false;  // units beyond ASCII, packed to a zero byte or one of 0x80 and above
  if constexpr (sizeof(U) == 1) {
    bytes[0] = _mm256_loadu_si256(p);
    bytes[1] = _mm256_loadu_si256(p + 1);
    if (_mm256_movemask_epi8(_mm256_or_si256(bytes[0], bytes[1])) != 0) {
      // Bytes standing for units beyond ASCII stop as those units do.
      if constexpr (kGives == kKindsOnly) {
        b.stop = ~uint64_t{0};
        return;
      }
      high = true;
    }
  } else {
    const __m256i u0 = _mm256_loadu_si256(p), u1 = _mm256_loadu_si256(p + 1);
    const __m256i u2 = _mm256_loadu_si256(p + 2), u3 = _mm256_loadu_si256(p + 3);
    const __m256i any = _mm256_or_si256(_mm256_or_si256(u0, u1), _mm256_or_si256(u2, u3));
    if (!_mm256_testz_si256(any, _mm256_set1_epi16(static_cast<short>(0xFF80)))) {
      // Kinds alone are made whole by the caller; for masks only the units beyond ASCII stop.
      if constexpr (kGives == kKindsOnly) {
        b.stop = ~uint64_t{0};
        return;
      }
      high = true;
    }
    bytes[0] = _mm256_permute4x64_epi64(_mm256_packus_epi16(u0, u1), 0xD8);
    bytes[1] = _mm256_permute4x64_epi64(_mm256_packus_epi16(u2, u3), 0xD8);
  }
  for (int q = 0; q < 2; ++q) {
    const __m256i v = bytes[q];
    __m256i stop = _mm256_cmpeq_epi8(v, _mm256_setzero_si256());  // a zero byte: a space to the full road
    if (high) stop = _mm256_or_si256(stop, _mm256_cmpgt_epi8(_mm256_setzero_si256(), v));
    for (int s = 0; s < vals.stop_count; ++s)
      stop = _mm256_or_si256(stop, _mm256_cmpeq_epi8(v, _mm256_set1_epi8(static_cast<char>(vals.stops[s]))));
    const __m256i ctrl =
        _mm256_or_si256(_mm256_cmpgt_epi8(_mm256_set1_epi8(32), v), _mm256_cmpeq_epi8(v, _mm256_set1_epi8(127)));
    const __m256i digit = InRange32(v, '0', '9');
    const __m256i upper = InRange32(v, 'A', 'Z');
    const __m256i lower = InRange32(v, 'a', 'z');
    const __m256i hex = InRange32(_mm256_or_si256(v, _mm256_set1_epi8(0x20)), 'a', 'f');
    const __m256i space = _mm256_cmpeq_epi8(v, _mm256_set1_epi8(' '));
    const __m256i alpha = _mm256_or_si256(upper, lower);
    const __m256i punct = _mm256_andnot_si256(
        _mm256_or_si256(_mm256_or_si256(alpha, digit), _mm256_or_si256(space, ctrl)), _mm256_set1_epi8(-1));
    auto kind_byte = [&](const uint8_t (&by)[7]) __attribute__((target("avx2"), always_inline)) {
      auto c = [](uint8_t x) __attribute__((target("avx2"), always_inline)) { return _mm256_set1_epi8(static_cast<char>(x)); };
      const __m256i up = _mm256_blendv_epi8(c(by[3]), c(by[2]), hex);
      const __m256i low = _mm256_blendv_epi8(c(by[5]), c(by[4]), hex);
      return _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(space, c(by[0])), _mm256_and_si256(digit, c(by[1]))),
                             _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(upper, up), _mm256_and_si256(lower, low)),
                                             _mm256_and_si256(punct, c(by[6]))));
    };
    if constexpr (kGives != kMasksOnly) {
      const __m256i lo = kind_byte(kb.lo), hi = kind_byte(kb.hi);
      // unpacklo holds units 0-7 and 16-23 of the 32, unpackhi 8-15 and 24-31.
      const __m256i k_lo = _mm256_unpacklo_epi8(lo, hi), k_hi = _mm256_unpackhi_epi8(lo, hi);
      __m256i* out = reinterpret_cast<__m256i*>(kinds + 32 * q);
      _mm256_storeu_si256(out, _mm256_permute2x128_si256(k_lo, k_hi, 0x20));
      _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(k_lo, k_hi, 0x31));
    } else {
      (void)kind_byte;
    }
    const __m256i dot = _mm256_cmpeq_epi8(v, _mm256_set1_epi8('.'));
    __m256i joinable = _mm256_or_si256(
        dot, _mm256_or_si256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8(',')), _mm256_cmpeq_epi8(v, _mm256_set1_epi8('-'))));
    for (int s = 0; s < vals.symbol_count; ++s)
      joinable = _mm256_or_si256(joinable, _mm256_cmpeq_epi8(v, _mm256_set1_epi8(static_cast<char>(vals.symbols[s]))));
    const __m256i sentence = _mm256_or_si256(
        dot, _mm256_or_si256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('?')), _mm256_cmpeq_epi8(v, _mm256_set1_epi8('!'))));
    if constexpr (kGives == kKindsOnly) {
      b.ctrl |= Bits32(ctrl) << (32 * q);
      continue;
    }
    b.Add(32 * q, Bits32(stop), Bits32(ctrl), Bits32(alpha), Bits32(lower), Bits32(digit), Bits32(punct),
          Bits32(sentence), Bits32(joinable), Bits32(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('<'))),
          Bits32(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('>'))));
  }
}

// SetMaskedScalar over a whole block of 64 units, eight or sixteen lanes at a time: each lane
// takes its bit of the mask through a compare with its own bit.
template <typename U>
void SetMaskedSse2(U* p, uint64_t mask, U value) {
  const __m128i lane_bits = _mm_setr_epi16(1, 2, 4, 8, 16, 32, 64, 128);
  const __m128i v = _mm_set1_epi16(static_cast<short>(value));
  for (int q = 0; q < 8; ++q, mask >>= 8) {
    const uint64_t bits = mask & 0xFF;
    if (bits == 0) continue;
    __m128i* at = reinterpret_cast<__m128i*>(p + 8 * q);
    if (bits == 0xFF) {
      _mm_storeu_si128(at, v);
      continue;
    }
    const __m128i sel = _mm_cmpeq_epi16(_mm_and_si128(_mm_set1_epi16(static_cast<short>(bits)), lane_bits), lane_bits);
    _mm_storeu_si128(at, _mm_or_si128(_mm_and_si128(sel, v), _mm_andnot_si128(sel, _mm_loadu_si128(at))));
  }
}

template <typename U>
__attribute__((target("avx2"))) void SetMaskedWide(U* p, uint64_t mask, U value) {
  const __m256i lane_bits = _mm256_setr_epi16(1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096, 8192, 16384,
                                              static_cast<short>(0x8000));
  const __m256i v = _mm256_set1_epi16(static_cast<short>(value));
  for (int q = 0; q < 4; ++q, mask >>= 16) {
    const uint64_t bits = mask & 0xFFFF;
    if (bits == 0) continue;
    __m256i* at = reinterpret_cast<__m256i*>(p + 16 * q);
    if (bits == 0xFFFF) {
      _mm256_storeu_si256(at, v);
      continue;
    }
    const __m256i sel =
        _mm256_cmpeq_epi16(_mm256_and_si256(_mm256_set1_epi16(static_cast<short>(bits)), lane_bits), lane_bits);
    _mm256_storeu_si256(at, _mm256_blendv_epi8(_mm256_loadu_si256(at), v, sel));
  }
}

int32_t NextBracketSse2(const uint8_t* t, int32_t from, int32_t end) {
  const __m128i open = _mm_set1_epi8('<'), close = _mm_set1_epi8('>');
  for (; from + 16 <= end; from += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + from));
    const int hit = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, open), _mm_cmpeq_epi8(v, close)));
    if (hit != 0) return from + std::countr_zero(static_cast<unsigned>(hit));
  }
  return NextBracketScalar(t, from, end);
}

int32_t NextBracketSse2(const char16_t* t, int32_t from, int32_t end) {
  const __m128i open = _mm_set1_epi16(u'<'), close = _mm_set1_epi16(u'>');
  for (; from + 8 <= end; from += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + from));
    const int hit = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, open), _mm_cmpeq_epi16(v, close)));
    if (hit != 0) return from + std::countr_zero(static_cast<unsigned>(hit)) / 2;
  }
  return NextBracketScalar(t, from, end);
}
#endif

// U: a unit of text or a kind, 16 bits either way.
template <typename U>
void SetMasked(U* p, uint64_t mask, int m, U value, TVectorPath path) {
  static_assert(sizeof(U) == 2);
#if defined(__x86_64__)
  if (m == 64 && path == TVectorPath::Wide) return SetMaskedWide(p, mask, value);
  if (m == 64 && path == TVectorPath::Sse2) return SetMaskedSse2(p, mask, value);
#endif
  (void)path;
  SetMaskedScalar(p, mask, m, value);
}

template <typename U>
int32_t NextBracket(const U* t, int32_t from, int32_t end, TVectorPath path) {
#if defined(__x86_64__)
  if (path != TVectorPath::Scalar) return NextBracketSse2(t, from, end);
#endif
  (void)path;
  return NextBracketScalar(t, from, end);
}

#if !defined(__x86_64__)
// The vector paths' constants, of no use to the one-unit path.
struct TKindBytes {};
struct TVectorValues {};
#endif

// One block of m units (64 on the vector paths) by the path asked for.
template <int kGives, typename U>
void BlockByPath(const U* t, uint16_t* k, int m, TVectorPath path, const TFastPassRules& rules, TBlockMasks& bm,
                 const TKindBytes& kb, const TVectorValues& vals) {
#if defined(__x86_64__)
  if (m == 64 && path == TVectorPath::Wide) return BlockWide<kGives>(t, k, kb, vals, bm);
  if (m == 64 && path == TVectorPath::Sse2) return BlockSse2<kGives>(t, k, kb, vals, bm);
#endif
  (void)path, (void)kb, (void)vals;
  BlockScalar<kGives>(t, k, m, rules, bm);
}

// The block at `base` of the units, or of the bytes they were widened from where given (half the
// memory, and nothing to pack).
template <int kGives>
void BlockAt(const char16_t* t, const uint8_t* narrow, int32_t base, uint16_t* k, int m, TVectorPath path,
             const TFastPassRules& rules, TBlockMasks& bm, const TKindBytes& kb, const TVectorValues& vals) {
  if (narrow != nullptr) BlockByPath<kGives>(narrow + base, k + base, m, path, rules, bm, kb, vals);
  else BlockByPath<kGives>(t + base, k + base, m, path, rules, bm, kb, vals);
}

#if defined(__x86_64__)
// Widens the bytes 32 at a time, those of 0x80 and above left out; answers how many it did.
__attribute__((target("avx2"))) int32_t WidenBytesWide(const uint8_t* b, int32_t n, char16_t* out) {
  int32_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i + 16));
    const __m256i lo = _mm256_cvtepu8_epi16(v0), hi = _mm256_cvtepu8_epi16(v1);
    __m256i* o = reinterpret_cast<__m256i*>(out + i);
    if (_mm_movemask_epi8(_mm_or_si128(v0, v1)) == 0) {
      _mm256_storeu_si256(o, lo);
      _mm256_storeu_si256(o + 1, hi);
      continue;
    }
    // A unit beyond ASCII stays as the text holds it: the sign of each byte, widened, picks it.
    const __m256i keep_lo = _mm256_cvtepi8_epi16(v0), keep_hi = _mm256_cvtepi8_epi16(v1);
    _mm256_storeu_si256(o, _mm256_blendv_epi8(lo, _mm256_loadu_si256(o), keep_lo));
    _mm256_storeu_si256(o + 1, _mm256_blendv_epi8(hi, _mm256_loadu_si256(o + 1), keep_hi));
  }
  return i;
}
#endif

// Widens n bytes to units, 32 or 16 at a time: a byte below 0x80 is its unit; one of 0x80 or
// above stands for a unit beyond ASCII that out holds already, and is left out.
void WidenBytes(const uint8_t* b, int32_t n, char16_t* out) {
  int32_t i = 0;
#if defined(__x86_64__)
  if (HasWideVectors()) i = WidenBytesWide(b, n, out);
#endif
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    if (_mm_movemask_epi8(v) != 0) {
      for (int32_t j = i; j < i + 16; ++j)
        if (b[j] < 0x80) out[j] = b[j];
      continue;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(v, zero));
  }
#endif
  for (; i < n; ++i)
    if (b[i] < 0x80) out[i] = b[i];
}

// --- the steps that judge single characters ------------------------------------------------------

inline bool IsMark(uint16_t f) { return f >= kKindHidden; }
inline uint16_t Bits(uint16_t f) { return f < kKindHidden ? f : 0; }

// One block's masks as classified (hidden tags taken out), kept together: a block is written
// through one pointer, and the steps that judge a character find all it needs in one line.
struct TBlockRecord {
  uint64_t alpha, lower, digit, sentence, joinable;
  uint64_t open, close;  // "<" and ">" (that are no stops); zero unless tags are hidden
};
static_assert(sizeof(TBlockRecord) == 56);

// What the steps ask of a character, as the steps before have left it: the carried characters'
// from their kinds, the new ones' from the masks (letters and digits never change; the steps
// change punctuation alone, and record each change in a mask), so that the kinds of the new
// characters need not be there at all.
struct TCharFacts {
  const uint16_t* kinds;
  int32_t first;
  const char16_t* text;
  const uint8_t* narrow;  // the new characters' bytes, when the pass reads those (TUnitsOfBytes)
  const TBlockRecord* rec;
  const uint64_t *word, *marks, *tags;  // tags: nullptr without hidden tags
  static bool Bit(const uint64_t* m, int32_t p) { return ((m[p >> 6] >> (p & 63)) & 1) != 0; }
  static bool Bit(uint64_t m, int32_t p) { return ((m >> (p & 63)) & 1) != 0; }
  const TBlockRecord& At(int32_t p) const { return rec[p >> 6]; }
  char16_t Unit(int32_t i) const {
    return narrow != nullptr && i >= first ? TUnitsOfBytes{text + first, narrow}[i - first] : text[i];
  }
  bool LetterAt(int32_t i) const {
    return i >= first ? Bit(At(i - first).alpha, i - first) : (Bits(kinds[i]) & C1_ALPHA) != 0;
  }
  bool DigitAt(int32_t i) const {
    return i >= first ? Bit(At(i - first).digit, i - first) : (Bits(kinds[i]) & C1_DIGIT) != 0;
  }
  bool UpperAt(int32_t i) const {
    if (i < first) return (Bits(kinds[i]) & C1_UPPER) != 0;
    const TBlockRecord& r = At(i - first);
    return Bit(r.alpha & ~r.lower, i - first);
  }
  bool LowerAt(int32_t i) const { return Bit(At(i - first).lower, i - first); }  // a new character's
  bool WordAt(int32_t i) const { return i >= first ? Bit(word, i - first) : IsWordKind(kinds[i]); }
  // A sentence end marked, or a character of a hidden tag (a kind of kKindHidden or above).
  bool MarkAt(int32_t i) const {
    if (i < first) return IsMark(kinds[i]);
    return Bit(marks, i - first) || (tags != nullptr && Bit(tags, i - first));
  }
};

// A full stop inside or at the end of a dotted word, or after a single capital: the tag
// handler's rule, read over the buffer as it stands (the characters before the chunk with their
// final kinds).
inline __attribute__((always_inline)) bool AbbreviationStop(const TCharFacts& f, int32_t i, int32_t n) {
  if (f.Unit(i) != u'.') return false;
  if (i + 1 < n) {
    if (f.LetterAt(i + 1)) return true;
    if (f.Unit(i + 1) == u'.') return false;
  }
  if (i < 1 || !f.LetterAt(i - 1)) return false;
  int32_t start = i - 1;  // the first letter of the word's last part
  while (start > 0 && f.LetterAt(start - 1)) --start;
  if (start > 0 && f.DigitAt(start - 1)) return false;
  if (start >= 2 && f.Unit(start - 1) == u'.' && f.LetterAt(start - 2)) return true;
  const bool single = start == i - 1 || (start == i - 2 && f.Unit(start) >= 0xD800 && f.Unit(start) <= 0xDBFF &&
                                          f.Unit(start + 1) >= 0xDC00 && f.Unit(start + 1) <= 0xDFFF);
  return single && f.UpperAt(start);
}

// The masks a block's sentence ends are decided from: its own, and those of its neighbours
// (none before the first block or after the last).
struct TSentenceNeighbours {
  uint64_t alpha, lower, digit, dots;
};

// The sentence marks of a block that are judged on the next letter, as the walk over single
// characters judges them: a full stop before a letter or a digit is passed over, and so is one
// that ends an abbreviation (a single capital before it, or the last part of a dotted word: a
// run of letters right after a full stop that follows a letter; and no second stop after it);
// of the rest, the first after each letter is judged, and those after it up to the next letter
// are passed over (they would see the same letter). `pending` comes in as whether a mark was
// judged since the last letter of the blocks before, and leaves as that at the block's end.
// Every neighbour read is a letter, a digit or a full stop, which no step changes. A run of
// letters met at the block's start may have begun before it (in the block before, or in the
// carried characters before the chunk's first block): `judged_by_hand` holds, for the bits of
// `own_bits`, the caller's verdict instead.
inline uint64_t JudgedSentenceMarks(const TSentenceNeighbours& before, const TSentenceNeighbours& at,
                                    const TSentenceNeighbours& after, uint64_t sentence, uint64_t own_bits,
                                    uint64_t judged_by_hand, uint64_t& pending) {
  auto next = [](uint64_t x, uint64_t x_after) { return (x >> 1) | (x_after << 63); };
  auto prev = [](uint64_t x, uint64_t x_before, int k) { return (x << k) | (x_before >> (64 - k)); };
  const uint64_t upper = at.alpha & ~at.lower, upper_before = before.alpha & ~before.lower;
  const uint64_t alnum_next = next(at.alpha | at.digit, (after.alpha | after.digit) & 1);
  const uint64_t letter_1 = prev(at.alpha, before.alpha, 1);
  const uint64_t alnum_2 = prev(at.alpha | at.digit, before.alpha | before.digit, 2);
  // The last part of a dotted word: a run of letters starting right after a full stop that
  // follows a letter. Adding the run's first letter carries through the run to the unit after
  // it (a run going on into the next block is judged there, by hand).
  const uint64_t joints = at.dots & letter_1, joints_before = before.dots & (before.alpha << 1);
  const uint64_t last_parts = prev(joints, joints_before, 1) & at.alpha;
  const uint64_t after_last_part = (at.alpha + last_parts) & ~at.alpha;
  const uint64_t abbreviation = at.dots & ~next(at.dots, after.dots & 1) & letter_1 &
                                (after_last_part | (~alnum_2 & prev(upper, upper_before, 1)));
  uint64_t judged = sentence & ~(at.dots & alnum_next) & ~abbreviation;
  judged = (judged & ~own_bits) | (judged_by_hand & own_bits);
  // Carries of non-letters + judged marks: a carry reaches a character when a judged mark lies
  // before it with no letter between (a letter, a zero of ~alpha, stops it).
  const uint64_t non_letters = ~at.alpha;
  const uint64_t sum1 = non_letters + judged;
  const uint64_t carry1 = sum1 < non_letters ? 1 : 0;
  const uint64_t sum = sum1 + pending;
  const uint64_t carry2 = sum < sum1 ? 1 : 0;
  const uint64_t carried_in = sum ^ non_letters ^ judged;
  pending = carry1 | carry2;
  return judged & ~carried_in;
}

// Which blocks the walks of the joins and the blanks must visit: bit j of entry i for block
// 64 * i + j. A clear bit lets the walks pass the block over; a set one says only that they must
// look (and judge the block as before).
// Whether the joins or the blanks may change a character of the block: a joinable mark before a
// letter or digit, or a punctuation mark between two; the characters of the blocks either side
// taken as letters.
inline __attribute__((always_inline)) bool MayJoinOrBlank(const TBlockRecord& r, uint64_t punct) {
  const uint64_t alnum = r.alpha | r.digit;
  const uint64_t after = (alnum >> 1) | (uint64_t{1} << 63), before = (alnum << 1) | 1;
  return ((r.joinable | (punct & before)) & after) != 0;
}

// Gathers a run of blocks' bits in a register, writing each entry once it is whole (and the
// last one at the end of the run).
struct TStepBitsRun {
  uint64_t* steps;
  uint64_t acc;
  TStepBitsRun(uint64_t* s, size_t b0) : steps(s), acc(s[b0 / 64]) {}
  inline __attribute__((always_inline)) void Add(const TBlockRecord& r, uint64_t punct, size_t b) {
    acc |= static_cast<uint64_t>(MayJoinOrBlank(r, punct)) << (b % 64);
    if (b % 64 == 63) {
      steps[b / 64] = acc;
      acc = 0;
    }
  }
  size_t Done(size_t end) {  // end: one past the last block added
    if (end % 64 != 0) steps[end / 64] = acc;
    return end;
  }
};

// The records of the whole stretch, block by block from `first`, and the bits of the blocks the
// joins and the blanks must visit.
struct TStretchMasks {
  std::vector<TBlockRecord> rec;
  std::vector<uint64_t> steps;
  // Characters the sentence-end walk passes over as part of a tag that the tag walk takes for
  // text (with hidden tags only).
  std::vector<uint64_t> sentence_skip;
};

// Classes of bytes found by two lookups of 16 entries, one by the low four bits and one by the
// high four: a class bit is set in both entries, so that ANDing them leaves it set exactly for
// the bytes of the class. Each class must then be a set of some high halves times some low
// halves; those that are not take two bits.
enum : uint8_t {
  kNibbleAlphaA = 0x80,     // letters of the rows 0x40 and 0x60 ("A"-"O", "a"-"o")
  kNibbleAlphaB = 0x40,     // letters of the rows 0x50 and 0x70 ("P"-"Z", "p"-"z")
  kNibbleDigit = 0x20,
  kNibbleJoinable = 0x10,   // ".", ",", "-"
  kNibbleSentence = 0x08,   // "!", "."
  kNibbleQuestion = 0x04,   // "?"
  kNibbleOpen = 0x02,       // "<"
  kNibbleClose = 0x01,      // ">"
};

// The lookups of a pass: the classes (the same for every text) and those the settings decide,
// the stops (with the zero byte) and the in-word symbols. For these a bit stands for a high half
// (0 to 7) and is set in the low-half entries of the set's characters of that row: exact for any
// set of ASCII characters. Bytes of 0x80 and above find no class and no stop here.
struct TNibbleTables {
  alignas(16) uint8_t class_lo[16], class_hi[16], stop_lo[16], row[16], symbol_lo[16];
  bool any_symbols = false;
  // The pages of 256 units holding a stop or a sentence mark beyond ASCII (bit p: page p), and
  // the rules that list them.
  uint64_t wide_listed_pages[4] = {};
  const TFastPassRules* rules = nullptr;
  bool letters_by_vectors = false;  // PlainLettersByVectors may be called
  bool Listed(unsigned page) const { return ((wide_listed_pages[page / 64] >> (page % 64)) & 1) != 0; }
};

// The units of a block's lanes `high` (bytes of 0x80 and above, standing for the units beyond
// ASCII that `units` holds at their places): true where every one is a plain letter that the
// settings neither stop at nor take for a sentence mark, with their bits added to the block's
// letters and small letters.
inline __attribute__((always_inline)) bool PlainLettersBeyondAscii(const char16_t* units, uint64_t high,
                                                                   const TNibbleTables& nt, uint64_t& alpha,
                                                                   uint64_t& lower) {
  for (; high != 0; high &= high - 1) {
    const int j = std::countr_zero(high);
    const char16_t u = units[j];
    const unsigned page = u >> 8, o = u & 255u;
    const TPlainLetterPage& p = PlainLetterPage(page);
    if (((p.letter[o / 64] >> (o % 64)) & 1) == 0) return false;
    if (nt.Listed(page) &&
        (std::binary_search(nt.rules->wide_stops.begin(), nt.rules->wide_stops.end(), u) ||
         std::binary_search(nt.rules->wide_sentence_marks.begin(), nt.rules->wide_sentence_marks.end(), u)))
      return false;
    alpha |= uint64_t{1} << j;
    lower |= ((p.lower[o / 64] >> (o % 64)) & 1) << j;
  }
  return true;
}

#if defined(__x86_64__)
// Where the processor has 512-bit vectors of 16-bit lanes (LINZORA_NO_AVX512 leaves them to the
// tests on such processors too).
bool HasLetterVectors() {
  static const bool has = HasWideVectors() && __builtin_cpu_supports("avx512bw") && !std::getenv("LINZORA_NO_AVX512");
  return has;
}

// PlainLettersBeyondAscii for blocks dense with units beyond ASCII: the units of the page of the
// first one (and then of the page of the first left), 32 a step, each looked up in its page's
// bits by a permute of 16-bit words; the units of other pages, or of a page holding a listed
// unit, one at a time.
__attribute__((target("avx512f,avx512bw"))) bool PlainLettersByVectors(const char16_t* units, uint64_t high,
                                                                      const TNibbleTables& nt, uint64_t& alpha,
                                                                      uint64_t& lower) {
  uint64_t left = high, letters = 0, small = 0;
  const __m512i low_byte = _mm512_set1_epi16(0xFF), fifteen = _mm512_set1_epi16(15), one = _mm512_set1_epi16(1);
  const __m512i z[2] = {_mm512_loadu_si512(units), _mm512_loadu_si512(units + 32)};
  for (int round = 0; round < 2 && left != 0; ++round) {
    const unsigned page = units[std::countr_zero(left)] >> 8;
    if (nt.Listed(page)) break;
    const TPlainLetterPage& p = PlainLetterPage(page);
    const __m512i letter_bits = _mm512_castsi256_si512(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p.letter)));
    const __m512i lower_bits = _mm512_castsi256_si512(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p.lower)));
    uint64_t in_page = 0;
    for (int h = 0; h < 2; ++h) {
      const __mmask32 lanes = _mm512_cmpeq_epi16_mask(_mm512_srli_epi16(z[h], 8), _mm512_set1_epi16(static_cast<short>(page))) &
                              static_cast<__mmask32>(left >> (32 * h));
      // Unit o of the page is bit o % 16 of word o / 16 of its bits.
      const __m512i word = _mm512_srli_epi16(_mm512_and_si512(z[h], low_byte), 4);
      const __m512i bit = _mm512_and_si512(z[h], fifteen);
      const __mmask32 l = _mm512_test_epi16_mask(_mm512_srlv_epi16(_mm512_permutexvar_epi16(word, letter_bits), bit), one);
      const __mmask32 w = _mm512_test_epi16_mask(_mm512_srlv_epi16(_mm512_permutexvar_epi16(word, lower_bits), bit), one);
      in_page |= static_cast<uint64_t>(lanes) << (32 * h);
      letters |= static_cast<uint64_t>(lanes & l) << (32 * h);
      small |= static_cast<uint64_t>(lanes & w) << (32 * h);
    }
    if ((in_page & ~letters) != 0) return false;
    left &= ~in_page;
  }
  if (left != 0 && !PlainLettersBeyondAscii(units, left, nt, letters, small)) return false;
  alpha |= letters;
  lower |= small;
  return true;
}
#endif

// The lanes beyond ASCII of a block as plain letters, the vector way where they are many.
inline __attribute__((always_inline)) bool PlainLettersOfBlock(const char16_t* units, uint64_t high,
                                                               const TNibbleTables& nt, uint64_t& alpha, uint64_t& lower) {
#if defined(__x86_64__)
  if (nt.letters_by_vectors && std::popcount(high) >= 8) return PlainLettersByVectors(units, high, nt, alpha, lower);
#endif
  return PlainLettersBeyondAscii(units, high, nt, alpha, lower);
}

TNibbleTables NibbleTablesOf(const TFastPassRules& r) {
  TNibbleTables t{};
  for (int u = 0; u < 128; ++u) {
    uint8_t c = 0;
    if ((u >= 'A' && u <= 'O') || (u >= 'a' && u <= 'o')) c |= kNibbleAlphaA;
    if ((u >= 'P' && u <= 'Z') || (u >= 'p' && u <= 'z')) c |= kNibbleAlphaB;
    if (u >= '0' && u <= '9') c |= kNibbleDigit;
    if (u == '.' || u == ',' || u == '-') c |= kNibbleJoinable;
    if (u == '!' || u == '.') c |= kNibbleSentence;
    if (u == '?') c |= kNibbleQuestion;
    if (u == '<') c |= kNibbleOpen;
    if (u == '>') c |= kNibbleClose;
    t.class_lo[u & 15] |= c;
    t.class_hi[u >> 4] |= c;
    const uint8_t row_bit = static_cast<uint8_t>(1u << (u >> 4));
    if (u == 0 || r.stops[u]) t.stop_lo[u & 15] |= row_bit;
    if (r.symbols[u] && u != '.' && u != ',' && u != '-') {
      t.symbol_lo[u & 15] |= row_bit;
      t.any_symbols = true;
    }
  }
  for (int h = 0; h < 8; ++h) t.row[h] = static_cast<uint8_t>(1u << h);
  for (const std::vector<char16_t>* listed : {&r.wide_stops, &r.wide_sentence_marks})
    for (const char16_t u : *listed) t.wide_listed_pages[(u >> 8) / 64] |= uint64_t{1} << ((u >> 8) % 64);
  t.rules = &r;
#if defined(__x86_64__)
  t.letters_by_vectors = HasLetterVectors();
#endif
  return t;
}

// What the classes from the lookups must give: each class bit set exactly for its characters.
bool NibbleTablesHold(const TNibbleTables& t) {
  for (int u = 0; u < 256; ++u) {
    const uint8_t c = t.class_lo[u & 15] & t.class_hi[u >> 4];
    const bool alpha = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
    if (((c & (kNibbleAlphaA | kNibbleAlphaB)) != 0) != alpha || ((c & kNibbleDigit) != 0) != (u >= '0' && u <= '9') ||
        ((c & kNibbleJoinable) != 0) != (u == '.' || u == ',' || u == '-') ||
        ((c & (kNibbleSentence | kNibbleQuestion)) != 0) != (u == '.' || u == '?' || u == '!') ||
        ((c & kNibbleOpen) != 0) != (u == '<') || ((c & kNibbleClose) != 0) != (u == '>'))
      return false;
  }
  return true;
}

// Writes block b's record, its word and punctuation masks (printable less letters and digits), and
// adds its brackets to those of the run.
inline __attribute__((always_inline)) void PutBlock(const TBlockRecord& r, uint64_t printable, size_t b,
                                                    TBlockRecord* __restrict rec, uint64_t* __restrict word,
                                                    uint64_t* __restrict punct, uint64_t& brackets, TStepBitsRun& steps) {
  rec[b] = r;
  word[b] = r.alpha | r.digit;
  punct[b] = printable & ~(r.alpha | r.digit);
  brackets |= r.open | r.close;
  steps.Add(r, punct[b], b);
}

#if defined(__x86_64__)
// How far ahead of a block the run classifiers ask for the bytes (a prefetch never faults). At
// 1,024 bytes the pass still waited on the memory: 2,048 made it 7-9 % faster on plain text (4-5 %
// on capitalised), with no gain beyond 3,072 and less at 4,096.
constexpr int kPrefetchAhead = 2048;

// A 16-byte lookup table in both halves of a 256-bit register.
__attribute__((target("avx2"), always_inline)) inline __m256i BroadcastTable(const uint8_t* p) {
  return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(p)));
}

// The masks of the whole blocks [b0, b1) of t (no kinds), many blocks in one call so that the
// tables stay in registers: records into rec, and the word and punctuation masks; answers the
// first block holding a stop (its masks unwritten), or b1. The same masks as BlockScalar gives.
// kTags: the brackets are wanted; kSymbols: in-word symbols beyond ".", "," and "-" join.
template <typename U, bool kTags, bool kSymbols>
__attribute__((target("avx2"))) size_t ClassifyRunWide(const U* t, const char16_t* units, size_t b0, size_t b1,
                                                       const TNibbleTables& nt, TBlockRecord* __restrict rec,
                                                       uint64_t* __restrict word, uint64_t* __restrict punct,
                                                       uint64_t& brackets, uint64_t* step_bits, uint64_t* wide_blocks) {
  const __m256i class_lo = BroadcastTable(nt.class_lo), class_hi = BroadcastTable(nt.class_hi),
                stop_lo = BroadcastTable(nt.stop_lo);
  const __m256i row = BroadcastTable(nt.row), symbol_lo = BroadcastTable(nt.symbol_lo);
  const __m256i low_half = _mm256_set1_epi8(0x0F), high_bit = _mm256_set1_epi8(static_cast<char>(0x80));
  TStepBitsRun steps(step_bits, b0);
  for (size_t b = b0; b < b1; ++b) {
    const U* p = t + b * 64;
    // The bytes come straight from the file's pages, mostly not in the cache yet: asked for
    // ahead, across the next page's start, where the processor would not look on its own.
    _mm_prefetch(reinterpret_cast<const char*>(p) + kPrefetchAhead, _MM_HINT_T0);
    __m256i v0, v1;
    if constexpr (sizeof(U) == 1) {
      v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
      v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
    } else {
      const __m256i* w = reinterpret_cast<const __m256i*>(p);
      const __m256i u0 = _mm256_loadu_si256(w), u1 = _mm256_loadu_si256(w + 1);
      const __m256i u2 = _mm256_loadu_si256(w + 2), u3 = _mm256_loadu_si256(w + 3);
      // A unit beyond ASCII packs to a byte of 0x80 or above (saturated), taken as the bytes are.
      v0 = _mm256_permute4x64_epi64(_mm256_packus_epi16(u0, u1), 0xD8);
      v1 = _mm256_permute4x64_epi64(_mm256_packus_epi16(u2, u3), 0xD8);
    }
    // The halves' low and high four bits, as indexes into the tables.
    const __m256i lo0 = _mm256_and_si256(v0, low_half), hi0 = _mm256_and_si256(_mm256_srli_epi16(v0, 4), low_half);
    const __m256i lo1 = _mm256_and_si256(v1, low_half), hi1 = _mm256_and_si256(_mm256_srli_epi16(v1, 4), low_half);
    // A stop or a zero byte anywhere sends the block to the full road (the bytes of 0x80 and
    // above find no row).
    const __m256i rows0 = _mm256_shuffle_epi8(row, hi0), rows1 = _mm256_shuffle_epi8(row, hi1);
    const __m256i stop = _mm256_or_si256(_mm256_and_si256(_mm256_shuffle_epi8(stop_lo, lo0), rows0),
                                         _mm256_and_si256(_mm256_shuffle_epi8(stop_lo, lo1), rows1));
    if (!_mm256_testz_si256(stop, stop)) return steps.Done(b);
    // The 64 bits of one class from its top bit in each byte of the two halves.
    auto bits = [](__m256i m0, __m256i m1) __attribute__((target("avx2"), always_inline)) {
      return static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(m0))) |
             (static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(m1))) << 32);
    };
    // So does a unit beyond ASCII that is no plain letter; plain letters join the block's
    // letters, and the block is noted as one beyond ASCII.
    uint64_t wide_alpha = 0, wide_lower = 0;
    if (!_mm256_testz_si256(_mm256_or_si256(v0, v1), high_bit)) {
      if (units == nullptr || !PlainLettersOfBlock(units + b * 64, bits(v0, v1), nt, wide_alpha, wide_lower))
        return steps.Done(b);
      wide_blocks[b / 64] |= uint64_t{1} << (b % 64);
    }
    const __m256i c0 = _mm256_and_si256(_mm256_shuffle_epi8(class_lo, lo0), _mm256_shuffle_epi8(class_hi, hi0));
    const __m256i c1 = _mm256_and_si256(_mm256_shuffle_epi8(class_lo, lo1), _mm256_shuffle_epi8(class_hi, hi1));
    // A class bit k moved to the top: shifting 16-bit lanes moves each byte's bit k to bit 7
    // within the byte.
    auto at_top = [](__m256i c, int k) __attribute__((target("avx2"), always_inline)) {
      return _mm256_slli_epi16(c, 7 - k);
    };
    // Either letter bit (the top two) makes the byte at least 0x40: adding 0x40 with saturation
    // sets the top bit exactly then.
    const __m256i forty = _mm256_set1_epi8(0x40);
    const uint64_t ascii_alpha = bits(_mm256_adds_epu8(c0, forty), _mm256_adds_epu8(c1, forty));
    const uint64_t alpha = ascii_alpha | wide_alpha;
    const uint64_t digit = bits(at_top(c0, 5), at_top(c1, 5));
    // Lower case letters are the letters with bit 5 (0x20) set.
    const uint64_t lower = (ascii_alpha & bits(_mm256_slli_epi16(v0, 2), _mm256_slli_epi16(v1, 2))) | wide_lower;
    const __m256i marks = _mm256_set1_epi8(kNibbleSentence | kNibbleQuestion), to_top = _mm256_set1_epi8(0x7C);
    const uint64_t sentence = bits(_mm256_adds_epu8(_mm256_and_si256(c0, marks), to_top),
                                   _mm256_adds_epu8(_mm256_and_si256(c1, marks), to_top));
    uint64_t joinable = bits(at_top(c0, 4), at_top(c1, 4));
    if constexpr (kSymbols) {
      const __m256i zero = _mm256_setzero_si256();
      joinable |= ~bits(_mm256_cmpeq_epi8(_mm256_and_si256(_mm256_shuffle_epi8(symbol_lo, lo0), rows0), zero),
                        _mm256_cmpeq_epi8(_mm256_and_si256(_mm256_shuffle_epi8(symbol_lo, lo1), rows1), zero));
    }
    // Printable (33 to 126) as one compare: v - 33, moved so that the range starts at -128, is
    // below -128 + 94.
    auto printable = [](__m256i v) __attribute__((target("avx2"), always_inline)) {
      return _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(-128 + 94)),
                               _mm256_add_epi8(v, _mm256_set1_epi8(static_cast<char>(-128 - 33))));
    };
    uint64_t open = 0, close = 0;
    if constexpr (kTags) {  // brackets are rare: their masks are made where there are some
      const __m256i bracket_bits = _mm256_set1_epi8(kNibbleOpen | kNibbleClose);
      if (!_mm256_testz_si256(_mm256_or_si256(c0, c1), bracket_bits)) {
        open = bits(at_top(c0, 1), at_top(c1, 1));
        close = bits(at_top(c0, 0), at_top(c1, 0));
      }
    }
    PutBlock(TBlockRecord{alpha, lower, digit, sentence, joinable, open, close}, bits(printable(v0), printable(v1)), b,
             rec, word, punct, brackets, steps);
  }
  return steps.Done(b1);
}

// The same with 128-bit vectors, four quarters of a block at a time (SSSE3 has the lookup).
template <typename U, bool kTags, bool kSymbols>
__attribute__((target("ssse3"))) size_t ClassifyRunSsse3(const U* t, const char16_t* units, size_t b0, size_t b1,
                                                         const TNibbleTables& nt, TBlockRecord* __restrict rec,
                                                         uint64_t* __restrict word, uint64_t* __restrict punct,
                                                         uint64_t& brackets, uint64_t* step_bits, uint64_t* wide_blocks) {
  auto table = [](const uint8_t* p) __attribute__((target("ssse3"), always_inline)) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(p));
  };
  const __m128i class_lo = table(nt.class_lo), class_hi = table(nt.class_hi), stop_lo = table(nt.stop_lo);
  const __m128i row = table(nt.row), symbol_lo = table(nt.symbol_lo);
  const __m128i low_half = _mm_set1_epi8(0x0F);
  const __m128i forty = _mm_set1_epi8(0x40), marks = _mm_set1_epi8(kNibbleSentence | kNibbleQuestion);
  const __m128i to_top = _mm_set1_epi8(0x7C), zero = _mm_setzero_si128();
  TStepBitsRun steps(step_bits, b0);
  for (size_t b = b0; b < b1; ++b) {
    const U* p = t + b * 64;
    _mm_prefetch(reinterpret_cast<const char*>(p) + kPrefetchAhead, _MM_HINT_T0);
    __m128i v[4];
    if constexpr (sizeof(U) == 1) {
      for (int q = 0; q < 4; ++q) v[q] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * q));
    } else {
      // A unit beyond ASCII packs to a byte of 0x80 or above (saturated), taken as the bytes are.
      const __m128i* w = reinterpret_cast<const __m128i*>(p);
      for (int q = 0; q < 4; ++q) v[q] = _mm_packus_epi16(_mm_loadu_si128(w + 2 * q), _mm_loadu_si128(w + 2 * q + 1));
    }
    __m128i stop = zero;
    uint64_t alpha = 0, digit = 0, lower = 0, sentence = 0, joinable = 0, printable = 0, open = 0, close = 0, high = 0;
    // The 16 bits of a quarter from the top bit of each byte, placed at the quarter's place.
    auto bits = [](__m128i m, int q) { return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(m))) << (16 * q); };
    for (int q = 0; q < 4; ++q) {
      const __m128i lo = _mm_and_si128(v[q], low_half);
      const __m128i hi = _mm_and_si128(_mm_srli_epi16(v[q], 4), low_half);
      const __m128i rows = _mm_shuffle_epi8(row, hi);
      stop = _mm_or_si128(stop, _mm_and_si128(_mm_shuffle_epi8(stop_lo, lo), rows));
      high |= bits(v[q], q);
      const __m128i c = _mm_and_si128(_mm_shuffle_epi8(class_lo, lo), _mm_shuffle_epi8(class_hi, hi));
      alpha |= bits(_mm_adds_epu8(c, forty), q);
      digit |= bits(_mm_slli_epi16(c, 2), q);
      lower |= bits(_mm_slli_epi16(v[q], 2), q);
      sentence |= bits(_mm_adds_epu8(_mm_and_si128(c, marks), to_top), q);
      joinable |= bits(_mm_slli_epi16(c, 3), q);
      if constexpr (kSymbols)
        joinable |= bits(_mm_cmpeq_epi8(_mm_and_si128(_mm_shuffle_epi8(symbol_lo, lo), rows), zero), q) ^
                    (uint64_t{0xFFFF} << (16 * q));
      printable |= bits(_mm_cmplt_epi8(_mm_add_epi8(v[q], _mm_set1_epi8(static_cast<char>(-128 - 33))),
                                       _mm_set1_epi8(static_cast<char>(-128 + 94))),
                        q);
      if constexpr (kTags) {
        open |= bits(_mm_slli_epi16(c, 6), q);
        close |= bits(_mm_slli_epi16(c, 7), q);
      }
    }
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(stop, zero)) != 0xFFFF) return steps.Done(b);
    lower &= alpha;
    if (high != 0) {  // units beyond ASCII: plain letters join the letters, anything else stops
      if (units == nullptr || !PlainLettersOfBlock(units + b * 64, high, nt, alpha, lower)) return steps.Done(b);
      wide_blocks[b / 64] |= uint64_t{1} << (b % 64);
    }
    PutBlock(TBlockRecord{alpha, lower, digit, sentence, joinable, open, close}, printable, b, rec, word, punct,
             brackets, steps);
  }
  return steps.Done(b1);
}

// The build targets processors without a bit-count instruction, where std::popcount is a library
// call; the counts below use the instruction where the processor has one (not on the one-unit
// path, so that the tests run both).
bool HasPopcount() {
#if defined(__x86_64__)
  static const bool has = __builtin_cpu_supports("popcnt");
  return has;
#else
  return false;
#endif
}

inline __attribute__((always_inline)) int CountBits(uint64_t x, bool by_instruction) {
#if defined(__x86_64__) && !defined(__POPCNT__)
  if (by_instruction) {
    // Counted in place: no wait on the register's earlier value.
    asm("popcnt %0, %0" : "+r"(x));
    return static_cast<int>(x);
  }
#else
  (void)by_instruction;
#endif
  return std::popcount(x);
}

bool HasSsse3() {
  // LINZORA_NO_SSSE3 lets the tests run the 128-bit path of processors without the lookup.
  static const bool has = __builtin_cpu_supports("ssse3") && !std::getenv("LINZORA_NO_SSSE3");
  return has;
}

// The run classifier for a path and the settings, when the path has one.
template <typename U>
using TClassifyRun = size_t (*)(const U*, const char16_t*, size_t, size_t, const TNibbleTables&, TBlockRecord*,
                                uint64_t*, uint64_t*, uint64_t&, uint64_t*, uint64_t*);

template <typename U>
TClassifyRun<U> ClassifyRunFor(TVectorPath path, bool tags, bool symbols) {
  if (path == TVectorPath::Wide) {
    if (tags) return symbols ? ClassifyRunWide<U, true, true> : ClassifyRunWide<U, true, false>;
    return symbols ? ClassifyRunWide<U, false, true> : ClassifyRunWide<U, false, false>;
  }
  if (path == TVectorPath::Sse2 && HasSsse3()) {
    if (tags) return symbols ? ClassifyRunSsse3<U, true, true> : ClassifyRunSsse3<U, true, false>;
    return symbols ? ClassifyRunSsse3<U, false, true> : ClassifyRunSsse3<U, false, false>;
  }
  return nullptr;
}
#endif

// The kinds of printable ASCII by lookups: the class bits of a byte (as TNibbleTables makes them)
// folded to a four-bit code, whose two kind bytes a second pair of lookups gives. Codes: bit 0 a
// hex letter (or, alone, a space), bit 1 an upper case letter, bit 2 a lower case one, bit 3 a
// digit; 0 punctuation. Controls get the code of punctuation and their kinds from the table.
struct TKindLookups {
  alignas(16) uint8_t class_lo[16], class_hi[16], kind_lo[16], kind_hi[16];
  bool hold = true;  // the lookups give every printable unit's kind
};

const TKindLookups& KindLookups() {
  static const TKindLookups k = [] {
    const TAsciiKinds& a = AsciiKinds();
    TKindLookups t{};
    auto code_bits = [](int u) {
      uint8_t c = 0;
      if ((u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f')) c |= 0x01;
      if (u >= 'A' && u <= 'O') c |= 0x02;
      if (u >= 'P' && u <= 'Z') c |= 0x20;
      if (u >= 'a' && u <= 'o') c |= 0x04;
      if (u >= 'p' && u <= 'z') c |= 0x40;
      if (u >= '0' && u <= '9') c |= 0x08;
      if (u == ' ') c |= 0x10;
      return c;
    };
    for (int u = 0; u < 128; ++u) {
      t.class_lo[u & 15] |= code_bits(u);
      t.class_hi[u >> 4] |= code_bits(u);
    }
    for (int u = 32; u < 127; ++u) {
      const uint8_t c = t.class_lo[u & 15] & t.class_hi[u >> 4];
      const int code = (c | (c >> 4)) & 15;
      const uint16_t kind = a.kind[u];
      const uint16_t had = static_cast<uint16_t>(t.kind_lo[code] | (t.kind_hi[code] << 8));
      if (c != code_bits(u) || (had != 0 && had != kind) || kind == 0) t.hold = false;
      t.kind_lo[code] = static_cast<uint8_t>(kind & 0xFF);
      t.kind_hi[code] = static_cast<uint8_t>(kind >> 8);
    }
    return t;
  }();
  return k;
}

#if defined(__x86_64__)
// The kinds of the whole blocks [b0, b1) of a judged stretch (plain ASCII), controls' from the
// table; hidden tags are left to the caller.
template <typename U>
__attribute__((target("avx2"))) void KindsOfBlocksWide(const U* t, uint16_t* k, size_t b0, size_t b1,
                                                       const TKindLookups& kl, const uint16_t* ascii_kind,
                                                       const char16_t* units = nullptr, int32_t len = 0) {
  const __m256i class_lo = BroadcastTable(kl.class_lo), class_hi = BroadcastTable(kl.class_hi);
  const __m256i kind_lo = BroadcastTable(kl.kind_lo), kind_hi = BroadcastTable(kl.kind_hi);
  const __m256i low_half = _mm256_set1_epi8(0x0F);
  for (size_t b = b0; b < b1; ++b) {
    const U* p = t + b * 64;
    __m256i bytes[2];
    if constexpr (sizeof(U) == 1) {
      bytes[0] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
      bytes[1] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
    } else {
      // Units clamped to 0xFF first: a unit beyond ASCII packs to a byte of 0x80 or above (a
      // signed pack would take one of 0x8000 or above for a zero).
      const __m256i* w = reinterpret_cast<const __m256i*>(p);
      const __m256i top = _mm256_set1_epi16(0xFF);
      auto unit = [&](int q) __attribute__((target("avx2"), always_inline)) {
        return _mm256_min_epu16(_mm256_loadu_si256(w + q), top);
      };
      bytes[0] = _mm256_permute4x64_epi64(_mm256_packus_epi16(unit(0), unit(1)), 0xD8);
      bytes[1] = _mm256_permute4x64_epi64(_mm256_packus_epi16(unit(2), unit(3)), 0xD8);
    }
    uint64_t ctrl = 0, high = 0;
    for (int q = 0; q < 2; ++q) {
      const __m256i v = bytes[q];
      const __m256i c = _mm256_and_si256(_mm256_shuffle_epi8(class_lo, _mm256_and_si256(v, low_half)),
                                         _mm256_shuffle_epi8(class_hi, _mm256_and_si256(_mm256_srli_epi16(v, 4), low_half)));
      const __m256i code = _mm256_and_si256(_mm256_or_si256(c, _mm256_srli_epi16(c, 4)), low_half);
      const __m256i lo = _mm256_shuffle_epi8(kind_lo, code), hi = _mm256_shuffle_epi8(kind_hi, code);
      // unpacklo holds units 0-7 and 16-23 of the 32, unpackhi 8-15 and 24-31.
      const __m256i k_lo = _mm256_unpacklo_epi8(lo, hi), k_hi = _mm256_unpackhi_epi8(lo, hi);
      __m256i* out = reinterpret_cast<__m256i*>(k + b * 64 + 32 * q);
      _mm256_storeu_si256(out, _mm256_permute2x128_si256(k_lo, k_hi, 0x20));
      _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(k_lo, k_hi, 0x31));
      const __m256i control =
          _mm256_or_si256(_mm256_cmpgt_epi8(_mm256_set1_epi8(32), v), _mm256_cmpeq_epi8(v, _mm256_set1_epi8(127)));
      ctrl |= static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(control))) << (32 * q);
      if (units != nullptr) high |= static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(v))) << (32 * q);
    }
    // Bytes of 0x80 and above (units beyond ASCII, or packed from them) take their units' kinds,
    // as the full road gives them; the controls' kinds come from the table.
    for (ctrl &= ~high; ctrl != 0; ctrl &= ctrl - 1) {
      const size_t i = b * 64 + static_cast<size_t>(std::countr_zero(ctrl));
      k[i] = ascii_kind[t[i]];
    }
    // A block of another script has its units' kinds gathered from the table, 16 a step; pairs
    // of surrogates are left to the step below.
    if (std::popcount(high) >= 8) high = CharKindsOfUnits(units + b * 64, high, k + b * 64);
    for (; high != 0; high &= high - 1) {
      const int32_t i = static_cast<int32_t>(b * 64) + std::countr_zero(high);
      k[i] = UnitKind(units, i, len);
    }
  }
}
#endif

thread_local TStretchMasks t_masks;

// The first block in [b, end) whose bit of `bits` is set, or end.
size_t NextMarkedBlock(size_t b, size_t end, const uint64_t* bits) {
  if (b >= end) return end;
  uint64_t w = bits[b / 64] & (~uint64_t{0} << (b % 64));
  while (w == 0) {
    b = (b / 64 + 1) * 64;
    if (b >= end) return end;
    w = bits[b / 64];
  }
  return std::min(end, (b / 64) * 64 + static_cast<size_t>(std::countr_zero(w)));
}

// The first p in [from, end) (relative to the stretch) whose bit is set in mask_of(p / 64), or -1.
template <typename F>
int32_t NextBitOf(int32_t p, int32_t end, F mask_of) {
  if (p >= end) return -1;
  size_t b = static_cast<size_t>(p) / 64;
  const size_t last = static_cast<size_t>(end - 1) / 64;
  uint64_t w = mask_of(b) & (~uint64_t{0} << (p % 64));
  while (w == 0) {
    if (++b > last) return -1;
    w = mask_of(b);
  }
  const int32_t q = static_cast<int32_t>(b * 64 + static_cast<size_t>(std::countr_zero(w)));
  return q < end ? q : -1;
}
// The same, looking only at the blocks whose bit of `bits` is set.
template <typename F>
int32_t NextBitOfMarked(int32_t p, int32_t end, const uint64_t* bits, F mask_of) {
  if (p >= end) return -1;
  size_t b = static_cast<size_t>(p) / 64;
  const size_t last = static_cast<size_t>(end - 1) / 64;
  uint64_t w = ((bits[b / 64] >> (b % 64)) & 1) != 0 ? mask_of(b) & (~uint64_t{0} << (p % 64)) : 0;
  while (w == 0) {
    b = NextMarkedBlock(b + 1, last + 1, bits);
    if (b > last) return -1;
    w = mask_of(b);
  }
  const int32_t q = static_cast<int32_t>(b * 64 + static_cast<size_t>(std::countr_zero(w)));
  return q < end ? q : -1;
}
// Sets kinds[p] to value for every bit p of the masks of the blocks [from_block, to_block).
void SetBitsTo(uint16_t* k, const std::vector<uint64_t>& masks, size_t from_block, size_t to_block, uint16_t value) {
  for (size_t b = from_block; b < to_block; ++b)
    for (uint64_t w = masks[b]; w != 0; w &= w - 1) k[b * 64 + static_cast<size_t>(std::countr_zero(w))] = value;
}

// Makes the text of the new characters [from, to) (t and narrow from the first) from their bytes:
// widened, those of hidden tags blanked.
void MakeTextFromBytes(char16_t* t, int32_t from, int32_t to, const TFastPassRules& rules, const TFastPassResult& found,
                       const uint8_t* narrow) {
  if (from >= to) return;
  WidenBytes(narrow + from, to - from, t + from);
  if (!rules.hide_tags) return;
  for (int32_t b = from / 64; b <= (to - 1) / 64; ++b) {
    uint64_t w = found.tag_masks[static_cast<size_t>(b)];
    const int32_t base = b * 64;
    if (from > base) w &= ~uint64_t{0} << (from - base);
    if (to < base + 64) w &= (uint64_t{1} << (to - base)) - 1;
    if (w != 0) SetMasked(t + base, w, std::min(64, to - base), u' ', BestVectorPath());
  }
}

// Writes the kinds of the blocks [from_block, to_block) of a judged chunk from its text and what
// the pass found: each block classified again, then the pass's changes laid over it.
void WriteAsciiKindsOfBlocks(char16_t* t, uint16_t* k, int32_t len, size_t from_block, size_t to_block,
                             const TFastPassRules& rules, TVectorPath path, const uint8_t* narrow);

void WriteKindsOfBlocks(char16_t* t, uint16_t* k, int32_t len, size_t from_block, size_t to_block,
                        const TFastPassRules& rules, TVectorPath path, const TFastPassResult& found,
                        const uint8_t* narrow) {
  if (narrow != nullptr)  // the text first, where it is widened only on demand
    MakeTextFromBytes(t, static_cast<int32_t>(from_block * 64), std::min<int32_t>(len, static_cast<int32_t>(to_block * 64)),
                      rules, found, narrow);
  // Runs of plain ASCII blocks go the vector way, blocks beyond ASCII one unit at a time.
  size_t b = from_block;
  while (b < to_block) {
    size_t e = b;
    if (found.all_ascii) {
      e = to_block;
    } else {
      while (e < to_block && !BlockBitSet(found.wide_blocks, e)) ++e;
    }
    if (e > b) WriteAsciiKindsOfBlocks(t, k, len, b, e, rules, path, narrow);
    b = e;
    while (e < to_block && BlockBitSet(found.wide_blocks, e)) ++e;
#if defined(__x86_64__)
    // Whole blocks the vector way, the units beyond ASCII then one at a time.
    if (path == TVectorPath::Wide && KindLookups().hold) {
      const size_t whole = std::max(b, std::min(e, static_cast<size_t>(len) / 64));
      if (narrow != nullptr) KindsOfBlocksWide(narrow, k, b, whole, KindLookups(), AsciiKinds().kind, t, len);
      else KindsOfBlocksWide<char16_t>(t, k, b, whole, KindLookups(), AsciiKinds().kind, t, len);
      b = whole;
    }
#endif
    for (; b < e; ++b) KindsBeyondAscii(t, static_cast<int32_t>(b * 64), len, k);
  }
  if (rules.hide_tags)
    for (b = from_block; b < to_block; ++b)
      if (found.tag_masks[b] != 0) {
        const int32_t base = static_cast<int32_t>(b * 64);
        SetMasked(k + base, found.tag_masks[b], static_cast<int>(std::min<int32_t>(64, len - base)),
                  static_cast<uint16_t>(kKindHidden), path);
      }
  SetBitsTo(k, found.marker_masks, from_block, to_block, kSentenceEndKind);
  SetBitsTo(k, found.joined_masks, from_block, to_block, kKindDefined);
  SetBitsTo(k, found.blanked_masks, from_block, to_block, kBlankedKind);
}

// The kinds of blocks of plain ASCII as classified (read from the bytes where given; the text
// is made already), the steps' changes not laid over.
void WriteAsciiKindsOfBlocks(char16_t* t, uint16_t* k, int32_t len, size_t from_block, size_t to_block,
                             const TFastPassRules& rules, TVectorPath path, const uint8_t* narrow) {
  const TAsciiKinds& a = AsciiKinds();
  const TVectorValues vals{};  // the kinds alone need no stops or symbols
#if defined(__x86_64__)
  const TKindBytes& kb = AsciiKindBytes();
#else
  const TKindBytes kb{};
#endif
  size_t b = from_block;
#if defined(__x86_64__)
  if (path == TVectorPath::Wide && KindLookups().hold) {
    const size_t whole = std::max(b, std::min(to_block, static_cast<size_t>(len) / 64));
    if (narrow != nullptr) KindsOfBlocksWide(narrow, k, b, whole, KindLookups(), a.kind);
    else KindsOfBlocksWide<char16_t>(t, k, b, whole, KindLookups(), a.kind);
    b = whole;
  }
#endif
  for (; b < to_block; ++b) {
    const int32_t base = static_cast<int32_t>(b * 64);
    const int m = static_cast<int>(std::min<int32_t>(64, len - base));
    TBlockMasks bm;
    BlockAt<kKindsOnly>(t, narrow, base, k, m, path, rules, bm, kb, vals);
    for (uint64_t c = bm.ctrl; c != 0; c &= c - 1) {
      const int j = std::countr_zero(c);
      k[base + j] = a.kind[t[base + j]];
    }
  }
}

}  // namespace

TVectorPath BestVectorPath() {
#if defined(__x86_64__)
  // LINZORA_NO_VECTORS lets the tests run the one-unit path on any processor.
  static const bool none = std::getenv("LINZORA_NO_VECTORS") != nullptr;
  if (none) return TVectorPath::Scalar;
  return HasWideVectors() ? TVectorPath::Wide : TVectorPath::Sse2;
#else
  return TVectorPath::Scalar;
#endif
}

bool FastFirstPassOn() { return g_fast_pass_on.load(std::memory_order_relaxed); }
void SetFastFirstPass(bool on) { g_fast_pass_on.store(on, std::memory_order_relaxed); }

void TFastPassRules::AddStop(char16_t c) {
  if (c >= 128) {
    const auto at = std::lower_bound(wide_stops.begin(), wide_stops.end(), c);
    if (at == wide_stops.end() || *at != c) wide_stops.insert(at, c);
    return;
  }
  if (c == u' ' || (c >= u'0' && c <= u'9') || ((c | 0x20) >= u'a' && (c | 0x20) <= u'z')) {
    usable = false;
    return;
  }
  stops[c] = true;
}

template <bool kKinds>
static bool FastFirstPassBody(char16_t* text, uint16_t* kinds, int32_t first, int32_t n, int32_t read_ahead_from,
                              const TFastPassRules& rules, TVectorPath path, TFastPassResult& out,
                              const uint8_t* narrow, bool text_on_demand, bool units_in_text) {
  const TAsciiKinds& a = AsciiKinds();
  const int32_t len = n - first;
  const size_t blocks = static_cast<size_t>(len + 63) / 64;
  const bool count_by_instruction = path != TVectorPath::Scalar && HasPopcount();
  TStretchMasks& s = t_masks;
  s.rec.resize(blocks);
  s.steps.assign(blocks / 64 + 1, 0);
  s.sentence_skip.assign(rules.hide_tags ? blocks : 0, 0);
  out.word_masks.resize(blocks);
  out.punct_masks.resize(blocks);
  out.marker_masks.assign(blocks, 0);
  out.joined_masks.assign(blocks, 0);
  out.blanked_masks.assign(blocks, 0);
  out.tag_masks.resize(rules.hide_tags ? blocks : 0);
  out.any_tags = false;
  out.sentence_ends = 0;
  out.first = first;
  out.n = n;
  out.kinds_made.assign(kKinds ? 0 : (blocks + 63) / 64, 0);
  out.kinds_pending = !kKinds;
  out.all_ascii = true;
  out.wide_blocks.assign((blocks + 63) / 64, 0);
  out.blocks_alone = 0;
  out.stopped_in_block = -1;
#if defined(__x86_64__)
  const TVectorValues vals = ValuesOf(rules);
  const TKindBytes& kb = AsciiKindBytes();
  // Blocks without kinds are classified by lookups, a run of blocks at a time, whatever the
  // number of stops and symbols.
  const TNibbleTables nibbles = NibbleTablesOf(rules);
  TClassifyRun<uint8_t> run_bytes = nullptr;
  TClassifyRun<char16_t> run_units = nullptr;
  if (!kKinds && NibbleTablesHold(nibbles)) {
    if (narrow != nullptr) run_bytes = ClassifyRunFor<uint8_t>(path, rules.hide_tags, nibbles.any_symbols);
    else run_units = ClassifyRunFor<char16_t>(path, rules.hide_tags, nibbles.any_symbols);
  }
  if (!vals.fits) path = TVectorPath::Scalar;
#else
  const TVectorValues vals{};
  const TKindBytes kb{};
  path = TVectorPath::Scalar;
#endif
  char16_t* t = text + first;
  uint16_t* k = kinds + first;
  const TCharFacts facts{kinds,        first,          text, narrow, s.rec.data(), out.word_masks.data(), out.marker_masks.data(),
                         rules.hide_tags ? out.tag_masks.data() : nullptr};

  // The steps run in text order a stretch at a time, so that what they look at is still in the
  // cache: blocks are classified up to `classified`; sentence ends are judged up to se_at,
  // characters joined up to join_at, marks blanked up to blank_at. Each step at a character
  // sees what the full road's step sees there: the steps before it have passed it (and the
  // character after it), the steps after it have not, and no step changes what another one
  // reads of a character (letters and digits never change).
  size_t classified = 0;
  bool failed = false;
  // Hidden tags, as the tag handler finds them: from a "<" to the first ">" after it, when that
  // lies within the span. Judged here only where no "<" comes before the ">" of the last: the
  // parity of the brackets up to a character (">" outside tags left out) then says whether it
  // lies in a tag. A tag still open at a block's end is followed to its ">" (its length checked
  // there); one that no ">" closes is text.
  bool tag_open = false;
  int32_t tag_opened_at = 0, tag_closes_at = -1;
  // An opening "<" at o whose next bracket is another "<" is text to the tag walk. The
  // sentence-end walk takes it for the start of a tag when the first ">" after it lies within
  // the span, and passes over all up to that ">": what lies before the last "<" (where the tag
  // walk's tag starts) is then passed over by the sentence-end step alone.
  auto opening_is_text = [&](int32_t o) {
    int32_t y = o, last_open = o;
    for (;;) {
      y = narrow != nullptr ? NextBracket(narrow, y + 1, len, path) : NextBracket(t, y + 1, len, path);
      if (y >= len || y - o > rules.tag_span) return;  // no tag to either walk
      if (facts.Unit(first + y) == u'>') break;
      last_open = y;
    }
    for (int32_t i = o; i < last_open; ++i) s.sentence_skip[static_cast<size_t>(i) / 64] |= uint64_t{1} << (i % 64);
  };
  auto hide_tags_of_block = [&](int32_t base, int m, TBlockMasks& bm) __attribute__((always_inline)) {
    const uint64_t in_block = m >= 64 ? ~uint64_t{0} : (uint64_t{1} << m) - 1;
    const uint64_t brackets = bm.open | bm.close;
    if (brackets == 0 && !tag_open) return uint64_t{0};
    // The first bracket out of turn decides: a ">" outside every tag closes nothing and is text
    // (to the handler too), so it is taken out and the parity made again; so is a "<" followed
    // by another "<" (the opening before it is text).
    uint64_t opens = bm.open, closes = bm.close, inside = 0;
    for (;;) {
      inside = PrefixXor(opens | closes) ^ (tag_open ? ~uint64_t{0} : 0);
      const uint64_t inner_open = opens & ~inside, stray = closes & inside;
      if ((inner_open | stray) == 0) break;
      if (inner_open != 0 && (stray == 0 || std::countr_zero(inner_open) < std::countr_zero(stray))) {
        // The last bracket before it is the opening (a tag open from an earlier block has its
        // ">" next, found there).
        const uint64_t before = (opens | closes) & ((uint64_t{1} << std::countr_zero(inner_open)) - 1);
        if (before == 0 || ((opens >> (63 - std::countl_zero(before))) & 1) == 0) {
          failed = true;
          return uint64_t{0};
        }
        opening_is_text(base + 63 - std::countl_zero(before));
        opens &= ~(uint64_t{1} << (63 - std::countl_zero(before)));
        continue;
      }
      closes &= ~(stray & (~stray + 1));
    }
    uint64_t tags = (inside | closes) & in_block;
    tag_open = ((inside >> (m - 1)) & 1) != 0;
    if (tag_open && opens != 0) tag_opened_at = base + 63 - std::countl_zero(opens);
    if (tag_open && tag_closes_at < base + m) {
      const int32_t q = narrow != nullptr ? NextBracket(narrow, base + m, len, path) : NextBracket(t, base + m, len, path);
      if (q < len && q - tag_opened_at == rules.tag_span) {  // a tag to one walk, text to the other
        failed = true;
        return uint64_t{0};
      }
      const bool text = q >= len || q - tag_opened_at > rules.tag_span || facts.Unit(first + q) == u'<';
      if (q < len && facts.Unit(first + q) == u'<') opening_is_text(tag_opened_at);
      if (text) {  // no ">" for it: the "<" (in this block) and what follows are text
        tags &= (uint64_t{1} << (tag_opened_at - base)) - 1;
        tag_open = false;
      } else {
        tag_closes_at = q;
      }
    }
    if (tags != 0) {
      bm.ctrl &= ~tags;
      bm.alpha &= ~tags;
      bm.lower &= ~tags;
      bm.digit &= ~tags;
      bm.punct &= ~tags;
      bm.sentence &= ~tags;
      bm.joinable &= ~tags;
      bm.defined &= ~tags;
      if constexpr (kKinds) SetMasked(k + base, tags, m, static_cast<uint16_t>(kKindHidden), path);
    }
    return tags;
  };
  // A block's masks as classified (hidden tags taken out), nothing changed by the steps yet.
  auto keep_block = [&](size_t b, const TBlockMasks& bm) {
    s.rec[b] = TBlockRecord{bm.alpha, bm.lower, bm.digit, bm.sentence, bm.joinable, bm.open, bm.close};
    out.punct_masks[b] = bm.punct;
    out.word_masks[b] = bm.alpha | bm.digit | bm.defined;
    s.steps[b / 64] |= static_cast<uint64_t>(MayJoinOrBlank(s.rec[b], bm.punct)) << (b % 64);
  };
  // Block `classified` alone, by the path's block step or, where that stops at units beyond
  // ASCII (or bytes standing for them), one unit at a time from the kinds; false where it cannot
  // be judged.
  auto classify_one = [&]() {
    const int32_t base = static_cast<int32_t>(classified * 64);
    const int m = static_cast<int>(std::min<int32_t>(64, len - base));
    TBlockMasks bm;
    BlockAt<kKinds ? kMasksAndKinds : kMasksOnly>(t, narrow, base, k, m, path, rules, bm, kb, vals);
    const size_t b = classified;
    ++out.blocks_alone;
    if (bm.stop != 0) {
      bool wide = false;
      if (narrow != nullptr ? !units_in_text || !BlockBeyondAscii<kKinds>(TUnitsOfBytes{t, narrow}, base, len, k, rules, bm, wide)
                            : !BlockBeyondAscii<kKinds>(static_cast<const char16_t*>(t), base, len, k, rules, bm, wide)) {
        failed = true;
        out.stopped_in_block = first + base;
        return false;
      }
      if (wide) {
        out.wide_blocks[b / 64] |= uint64_t{1} << (b % 64);
        out.all_ascii = false;
      }
    }
    if (rules.hide_tags) {
      out.tag_masks[b] = hide_tags_of_block(base, m, bm);
      out.any_tags = out.any_tags || out.tag_masks[b] != 0;
      if (failed) return false;
    }
    if constexpr (kKinds) {
      for (uint64_t c = bm.ctrl; c != 0; c &= c - 1) {
        const int j = std::countr_zero(c);
        k[base + j] = a.kind[t[base + j]];
      }
    }
    keep_block(b, bm);
    ++classified;
    return true;
  };
  auto classify_to = [&](int32_t end) {  // blocks holding characters before `end`
    const size_t want = std::min(blocks, static_cast<size_t>(std::max(0, end) + 63) / 64);
#if defined(__x86_64__)
    if constexpr (!kKinds) {
      // Without kinds, the whole blocks go through the vector path's run classifier many at a
      // time; hidden tags are then taken out of each block's masks in turn. A block it stops at
      // goes alone.
      const size_t whole = std::min(want, static_cast<size_t>(len) / 64);
      while ((run_bytes != nullptr || run_units != nullptr) && classified < whole && !failed) {
        uint64_t brackets = 0;  // the brackets of the run's blocks
        // Units beyond ASCII are looked up where the text holds them (read as bytes, only where
        // they were put in place).
        const size_t done =
            narrow != nullptr
                ? run_bytes(narrow, units_in_text ? t : nullptr, classified, whole, nibbles, s.rec.data(),
                            out.word_masks.data(), out.punct_masks.data(), brackets, s.steps.data(), out.wide_blocks.data())
                : run_units(t, t, classified, whole, nibbles, s.rec.data(), out.word_masks.data(), out.punct_masks.data(),
                            brackets, s.steps.data(), out.wide_blocks.data());
        if (out.all_ascii)
          for (size_t b = classified; b < done && out.all_ascii; b += 64 - b % 64)
            out.all_ascii = out.wide_blocks[b / 64] == 0;
        if (rules.hide_tags && brackets == 0 && !tag_open) {  // no tag in the run, none running into it
          std::fill(out.tag_masks.begin() + static_cast<ptrdiff_t>(classified),
                    out.tag_masks.begin() + static_cast<ptrdiff_t>(done), 0);
        } else if (rules.hide_tags) {
          for (size_t b = classified; b < done; ++b) {
            const TBlockRecord& r = s.rec[b];
            if (r.open == 0 && r.close == 0 && !tag_open) {
              out.tag_masks[b] = 0;
              continue;
            }
            TBlockMasks bm;
            bm.alpha = r.alpha;
            bm.lower = r.lower;
            bm.digit = r.digit;
            bm.punct = out.punct_masks[b];
            bm.sentence = r.sentence;
            bm.joinable = r.joinable;
            bm.open = r.open;
            bm.close = r.close;
            out.tag_masks[b] = hide_tags_of_block(static_cast<int32_t>(b * 64), 64, bm);
            out.any_tags = out.any_tags || out.tag_masks[b] != 0;
            if (failed) {
              classified = b;
              return;
            }
            keep_block(b, bm);
          }
        }
        classified = done;
        if (done < whole && !classify_one()) return;
      }
    }
#endif
    while (classified < want && !failed)
      if (!classify_one()) return;
  };
  auto sentence_skip = [&](size_t b) { return rules.hide_tags && b < blocks ? s.sentence_skip[b] : uint64_t{0}; };
  auto classified_end = [&] { return static_cast<int32_t>(std::min<size_t>(classified * 64, static_cast<size_t>(len))); };
  // The next letter at or after p, classifying on as far as it takes.
  auto next_letter = [&](int32_t p) {
    for (;;) {
      const int32_t q = NextBitOf(p, classified_end(), [&](size_t b) { return s.rec[b].alpha & ~sentence_skip(b); });
      if (q >= 0 || classified >= blocks || failed) return q;
      p = std::max(p, classified_end());
      classify_to(classified_end() + 64);
    }
  };
  auto set_bit = [](std::vector<uint64_t>& masks, int32_t p) {
    masks[static_cast<size_t>(p) / 64] |= uint64_t{1} << (p % 64);
  };

  // Sentence ends: a mark is judged on the next letter after it; every mark up to that letter
  // would see the same letter, so the walk goes on after it. The marks' kinds are written
  // whatever else is: the word scan reads them.
  // Where the full stops are told from the other marks by the masks (no "?" or "!" among the
  // in-word symbols), whole blocks are decided from them once the block after is classified;
  // otherwise the walk goes mark by mark.
  const bool ends_by_blocks = rules.sentence_ends && !rules.symbols[u'?'] && !rules.symbols[u'!'];
  size_t se_block = 0;
  uint64_t se_pending = 0;
  // Decides the blocks [se_block, want) (the block after the last classified), carrying the
  // neighbours from block to block; a block without marks only tells whether it holds a letter.
  auto sentence_blocks_to = [&](size_t want) {
    const TBlockRecord* __restrict rec = s.rec.data();
    uint64_t* __restrict ends_out = out.marker_masks.data();
    auto load = [&](size_t b) {
      const uint64_t kept = ~sentence_skip(b);
      return b < blocks ? TSentenceNeighbours{rec[b].alpha & kept, rec[b].lower & kept, rec[b].digit & kept,
                                              rec[b].sentence & rec[b].joinable & kept}
                        : TSentenceNeighbours{0, 0, 0, 0};
    };
    size_t b = se_block;
    uint64_t pending = se_pending;
    // The neighbours are loaded only for the blocks that need them: most blocks are passed
    // over from their own record, in few registers.
    for (; b < want; ++b) {
      const uint64_t sentence = rec[b].sentence & ~sentence_skip(b), alpha = rec[b].alpha & ~sentence_skip(b);
      if (sentence == 0) {
        pending &= alpha == 0 ? 1 : 0;
        continue;
      }
      // Every mark of a run of non-letters is judged, if at all, on the letter that ends the run,
      // which each mark's carry reaches when the marks are added to the non-letters. Where each
      // such letter is a lower case one in this block, no mark ends a sentence, whichever are
      // judged, and none is pending at the block's end.
      const uint64_t runs_ended = ~alpha + sentence;
      if (runs_ended >= ~alpha && (runs_ended & alpha & ~rec[b].lower) == 0) {
        pending = 0;
        continue;
      }
      const TSentenceNeighbours before = b > 0 ? load(b - 1) : TSentenceNeighbours{0, 0, 0, 0};
      const TSentenceNeighbours at = load(b), after = load(b + 1);
      uint64_t own = 0, by_hand = 0;
      // The first characters look back at carried ones; a run of letters that began before the
      // block (it may end right at the block's start) is a word's part that the block alone does
      // not show whole: the mark after it is judged by hand. Before the chunk's first block the
      // masks know nothing, so a run after a full stop at its start is judged so too.
      if (b == 0) own = sentence & 7;
      if (b == 0 || (before.alpha >> 63) != 0) {
        const int run = std::countr_one(at.alpha);
        if (run < 64) own |= sentence & (uint64_t{1} << run);
      }
      if (b == 0 && (at.dots & 1) != 0) {
        const int run = 1 + std::countr_one(at.alpha >> 1);
        if (run < 64) own |= sentence & (uint64_t{1} << run);
      }
      if (own != 0) {
        for (uint64_t m = own; m != 0; m &= m - 1) {
          const int32_t i = first + static_cast<int32_t>(b * 64) + std::countr_zero(m);
          if (!(facts.Unit(i) == u'.' && i + 1 < n && facts.DigitAt(i + 1)) && !AbbreviationStop(facts, i, n))
            by_hand |= m & (~m + 1);
        }
      }
      uint64_t ends = 0;
      const uint64_t judged = JudgedSentenceMarks(before, at, after, sentence, own, by_hand, pending);
      // Each judged mark is the first of its run of non-letters: added to the non-letters, it
      // carries to the end of its run and sets the letter there, the one it is judged on; the
      // marks and those letters pair off in order. Where every such letter is a lower case one
      // in this block, no mark ends a sentence.
      const uint64_t non_letters = ~at.alpha, carried = non_letters + judged;
      const bool beyond = carried < non_letters;  // the last mark's letter lies in a later block
      uint64_t letters = carried & at.alpha;
      for (uint64_t m = beyond || (letters & ~at.lower) != 0 ? judged : 0; m != 0; m &= m - 1) {
        bool is_lower;
        if (letters != 0) {
          is_lower = (at.lower & letters & (~letters + 1)) != 0;
          letters &= letters - 1;
        } else {  // the first letter of a later block
          const int32_t letter = next_letter(static_cast<int32_t>((b + 1) * 64));
          if (failed) return;
          is_lower = letter >= 0 && facts.LowerAt(first + letter);
        }
        if (!is_lower) ends |= m & (~m + 1);
      }
      if (ends != 0) {
        ends_out[b] = ends;
        if constexpr (kKinds)
          for (uint64_t m = ends; m != 0; m &= m - 1) kinds[first + b * 64 + std::countr_zero(m)] = kSentenceEndKind;
        const int64_t counted = static_cast<int64_t>(read_ahead_from) - first - static_cast<int64_t>(b * 64);
        if (counted > 0)
          out.sentence_ends +=
              CountBits(counted >= 64 ? ends : ends & ((uint64_t{1} << counted) - 1), count_by_instruction);
      }
    }
    se_pending = pending;
    se_block = b;
  };
  int32_t se_at = 0;
  auto sentence_ends_to = [&](int32_t end) {
    if (ends_by_blocks) {
      const size_t want = std::min(blocks, static_cast<size_t>(std::max(0, end) + 63) / 64);
      if (se_block >= want) return;
      classify_to(static_cast<int32_t>(std::min(want + 1, blocks) * 64));
      if (!failed) sentence_blocks_to(want);
      return;
    }
    classify_to(end + 1);
    if (!rules.sentence_ends) {
      se_at = std::max(se_at, end);
      return;
    }
    while (!failed) {
      const int32_t p =
          NextBitOf(se_at, std::min(end, classified_end()), [&](size_t b) { return s.rec[b].sentence & ~sentence_skip(b); });
      if (p < 0) break;
      const int32_t i = first + p;
      se_at = p + 1;
      if (facts.MarkAt(i)) continue;
      if (facts.Unit(i) == u'.' && i + 1 < n && facts.DigitAt(i + 1)) continue;
      if (AbbreviationStop(facts, i, n)) continue;
      const int32_t letter = next_letter(p + 1);
      if (failed) return;
      if (letter < 0 || !facts.LowerAt(first + letter)) {
        if constexpr (kKinds) kinds[i] = kSentenceEndKind;
        set_bit(out.marker_masks, p);
        if (i < read_ahead_from) ++out.sentence_ends;
      }
      se_at = letter < 0 ? len : letter + 1;
    }
    se_at = std::max(se_at, std::min(end, len));
  };

  // Characters joined into words: "." and "," between digits, a hyphen between word characters
  // of which one is a letter, runs of in-word symbols. Judged in text order on the kinds as they
  // stand, the first character of the stretch with nothing before it.
  int32_t join_at = 0;
  auto word_at = [&](int32_t i) { return facts.WordAt(i); };
  auto join = [&](int32_t i) {
    if constexpr (kKinds) kinds[i] = kKindDefined;
    const int32_t p = i - first;
    set_bit(out.joined_masks, p);
    set_bit(out.word_masks, p);
  };
  // Bit j of block b: character 64b + j - 1 (or + 1) is a letter or digit as classified (none
  // beyond the blocks classified).
  auto alnum_before = [&](size_t b) {
    const uint64_t carry = b > 0 ? (s.rec[b - 1].alpha | s.rec[b - 1].digit) >> 63 : 0;
    return ((s.rec[b].alpha | s.rec[b].digit) << 1) | carry;
  };
  auto alnum_after = [&](size_t b) {
    const uint64_t carry = b + 1 < classified ? (s.rec[b + 1].alpha | s.rec[b + 1].digit) & 1 : 0;
    return ((s.rec[b].alpha | s.rec[b].digit) >> 1) | (carry << 63);
  };
  // Bit j of block b: character 64b + j - 1 (or + 1) is a digit. Before the first block the
  // carried characters are not known here: the bit is set, for the step to look.
  auto digit_before = [&](size_t b) { return (s.rec[b].digit << 1) | (b > 0 ? s.rec[b - 1].digit >> 63 : 1); };
  auto digit_after = [&](size_t b) {
    const uint64_t carry = b + 1 < classified ? s.rec[b + 1].digit & 1 : 0;
    return (s.rec[b].digit >> 1) | (carry << 63);
  };
  auto joins_to = [&](int32_t end) {
    sentence_ends_to(end + 1);
    while (!failed) {
      // Without in-word symbols, only a mark with a letter or digit after it can join (the
      // characters after it are as classified: the joins go in text order), and of those a full
      // stop (the only mark both joinable and a sentence mark then) only between two digits:
      // the stops of web addresses, mail addresses and abbreviations are passed over.
      const int32_t p = rules.any_symbols
                            ? NextBitOf(join_at, std::min(end, classified_end()), [&](size_t b) { return s.rec[b].joinable; })
                            : NextBitOfMarked(join_at, std::min(end, classified_end()), s.steps.data(), [&](size_t b) {
                                const uint64_t stops = s.rec[b].joinable & s.rec[b].sentence;
                                return s.rec[b].joinable & alnum_after(b) & (~stops | (digit_before(b) & digit_after(b)));
                              });
      if (p < 0) break;
      join_at = p + 1;
      const int32_t i = first + p;
      if (facts.MarkAt(i) || facts.WordAt(i)) continue;
      const char16_t c = facts.Unit(i);
      const bool inside = i > first && i + 1 < n;
      if ((c == u'.' || c == u',') && inside && facts.DigitAt(i - 1) && facts.DigitAt(i + 1)) {
        join(i);
        continue;
      }
      if (!rules.hyphens_separate_words && c == u'-' && inside && word_at(i - 1) && word_at(i + 1) &&
          (facts.LetterAt(i - 1) || facts.LetterAt(i + 1))) {
        join(i);
        continue;
      }
      if (rules.any_symbols && rules.symbols[c]) {
        int32_t j = i;
        for (;;) {
          sentence_ends_to(j - first + 1);  // the run reads each character as the earlier steps left it
          if (failed) return;
          if (!(j < n && !facts.MarkAt(j) && !facts.WordAt(j) && facts.Unit(j) < 128 && rules.symbols[facts.Unit(j)]))
            break;
          ++j;
        }
        sentence_ends_to(j - first + 1);
        const bool before = i > first && word_at(i - 1);
        const bool after = j < n && word_at(j);
        if ((before && after) || (after && rules.symbols_at_start) || (before && rules.symbols_at_end))
          for (int32_t q = i; q < j; ++q) join(q);
        join_at = j - first;
      }
    }
    join_at = std::max(join_at, std::min(end, len));
  };

  // Punctuation between two letters or digits (as classified) becomes a blank, unless a step
  // before made it part of a word or a mark; the stretch's first and last characters have
  // nothing on one side.
  int32_t blank_at = 0;
  auto blanks_to = [&](int32_t end) {
    joins_to(end + 1);
    if (!rules.blank_mid_word_marks || len < 3 || failed) return;
    // A whole block at a time: what is still punctuation (neither joined into a word nor marked;
    // hidden tags have no punct bit) with a letter or digit as classified either side.
    const int32_t lo = std::max(blank_at, 1), hi = std::min({end, len - 1, classified_end() - 1});
    if (lo < hi) {
      const size_t last = static_cast<size_t>(hi - 1) / 64;
      for (size_t b = NextMarkedBlock(static_cast<size_t>(lo) / 64, last + 1, s.steps.data()); b <= last;
           b = NextMarkedBlock(b + 1, last + 1, s.steps.data())) {
        uint64_t m = out.punct_masks[b] & alnum_before(b) & alnum_after(b) & ~out.word_masks[b] & ~out.marker_masks[b];
        const int32_t base = static_cast<int32_t>(b * 64);
        if (lo > base) m &= ~uint64_t{0} << (lo - base);
        if (hi < base + 64) m &= (uint64_t{1} << (hi - base)) - 1;
        if (m == 0) continue;
        out.blanked_masks[b] |= m;
        if constexpr (kKinds)
          for (; m != 0; m &= m - 1) kinds[first + base + std::countr_zero(m)] = kBlankedKind;
      }
    }
    blank_at = std::max(blank_at, std::min(end, len));
  };

  constexpr int32_t kStretch = 4096;
  for (int32_t end = std::min(kStretch, len);; end = std::min(end + kStretch, len)) {
    blanks_to(end);
    if (failed) return false;
    if (end >= len) break;
  }
  classify_to(len);
  if (failed) return false;
  // The tags' characters become blanks only now that the chunk is judged: the full road must
  // find the text as it was. Text made on demand is blanked as it is made.
  if (rules.hide_tags && !text_on_demand)
    for (size_t b = 0; b < blocks; ++b)
      if (out.tag_masks[b] != 0) {
        const int32_t base = static_cast<int32_t>(b * 64);
        SetMasked(t + base, out.tag_masks[b], static_cast<int>(std::min<int32_t>(64, len - base)), u' ', path);
      }
  return true;
}

bool FastFirstPass(char16_t* text, uint16_t* kinds, int32_t first, int32_t n, int32_t read_ahead_from,
                   const TFastPassRules& rules, TVectorPath path, TFastPassResult& out, bool kinds_on_demand,
                   const uint8_t* narrow, bool text_on_demand, bool units_in_text) {
  const TAsciiKinds& a = AsciiKinds();
  if (!rules.usable || !a.formula_ok || first < 0 || n < first) return false;
  // The tag walk takes a tag within one block to be shorter than the span.
  if (rules.hide_tags && (rules.tag_span < 64 || rules.stops[u'<'] || rules.stops[u'>'])) return false;
  text_on_demand = text_on_demand && kinds_on_demand && narrow != nullptr;
  return kinds_on_demand
             ? FastFirstPassBody<false>(text, kinds, first, n, read_ahead_from, rules, path, out, narrow, text_on_demand,
                                        units_in_text)
             : FastFirstPassBody<true>(text, kinds, first, n, read_ahead_from, rules, path, out, narrow, false, units_in_text);
}

void MakeFastPassText(char16_t* text, int32_t from, int32_t to, const TFastPassRules& rules,
                      const TFastPassResult& found, const uint8_t* narrow) {
  const int32_t first = found.first;
  from = std::max(from, first);
  to = std::min(to, found.n);
  MakeTextFromBytes(text + first, from - first, to - first, rules, found, narrow);
}

void MakeFastPassKinds(char16_t* text, uint16_t* kinds, int32_t from, int32_t to, const TFastPassRules& rules,
                       TVectorPath path, TFastPassResult& found, const uint8_t* narrow) {
  if (!found.kinds_pending) return;
  const int32_t first = found.first, len = found.n - first;
  from = std::max(from, first) - first;
  to = std::min(to, found.n) - first;
  if (from >= to) return;
  // Runs of blocks not written yet, each written in one go.
  const size_t last = static_cast<size_t>(to - 1) / 64;
  size_t b = static_cast<size_t>(from) / 64;
  while (b <= last) {
    if ((found.kinds_made[b / 64] >> (b % 64) & 1) != 0) {
      ++b;
      continue;
    }
    size_t e = b;
    while (e <= last && (found.kinds_made[e / 64] >> (e % 64) & 1) == 0) {
      found.kinds_made[e / 64] |= uint64_t{1} << (e % 64);
      ++e;
    }
    WriteKindsOfBlocks(text + first, kinds + first, len, b, e, rules, path, found, narrow);
    b = e;
  }
}

void WidenNarrowUnits(const uint8_t* bytes, int32_t n, char16_t* out) { WidenBytes(bytes, n, out); }

bool AnyHiddenTag(const TFastPassResult& found, int32_t from, int32_t to) {
  if (!found.any_tags) return false;
  from = std::max(from, found.first) - found.first;
  to = std::min(to, found.n) - found.first;
  for (int32_t p = from; p < to;) {
    const size_t b = static_cast<size_t>(p) / 64;
    uint64_t m = found.tag_masks[b] >> (p % 64);
    const int32_t next = static_cast<int32_t>(b * 64 + 64);
    if (to < next) m &= (uint64_t{1} << (to - p)) - 1;
    if (m != 0) return true;
    p = next;
  }
  return false;
}

bool AllAsciiBetween(const TFastPassResult& found, int32_t from, int32_t to) {
  if (found.all_ascii) return true;
  from = std::max(from, found.first) - found.first;
  to = std::min(to, found.n) - found.first;
  if (from >= to) return true;
  const size_t last = static_cast<size_t>(to - 1) / 64;
  for (size_t b = static_cast<size_t>(from) / 64; b <= last; ++b)
    if (BlockBitSet(found.wide_blocks, b)) return false;
  return true;
}
