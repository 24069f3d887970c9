#include "platform/search/fast_first_pass.h"

#include <atomic>
#include <bit>
#include <cstdlib>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "platform/search/search_chars.h"
#include "platform/text/text_services.h"

namespace {

std::atomic<bool> g_fast_pass_on{true};

constexpr uint16_t kSentenceEndKind = 0x880F;        // the tag handler's mark of a sentence end found
constexpr uint16_t kBlankedKind = C1_SPACE | C1_BLANK | C1_DEFINED;  // punctuation taken as a blank

// The masks of one block of 64 units (bit j: unit j of the block).
struct TBlockMasks {
  uint64_t stop = 0;    // not ASCII, or a stop character
  uint64_t ctrl = 0;    // below 32 or 127: kinds from the table
  uint64_t alpha = 0, lower = 0, digit = 0, punct = 0;
  uint64_t sentence = 0;  // ".", "?", "!"
  uint64_t joinable = 0;  // ".", ",", "-" and the in-word symbols
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
          (((k & C1_LOWER) != 0) != (u >= 'a' && u <= 'z')) || (IsWordKind(k) != (alpha || digit)) ||
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

// One unit at a time: the reference of the vector paths. m units (m <= 64).
void BlockScalar(const char16_t* t, uint16_t* kinds, int m, const TFastPassRules& r, TBlockMasks& b) {
  const TAsciiKinds& a = AsciiKinds();
  b = TBlockMasks{};
  for (int j = 0; j < m; ++j) {
    const char16_t u = t[j];
    const uint64_t bit = uint64_t{1} << j;
    if (u >= 128 || r.stops[u]) {
      b.stop |= bit;
      continue;
    }
    const uint16_t k = a.kind[u];
    kinds[j] = k;
    if (u < 32 || u == 127) b.ctrl |= bit;
    if (k & C1_ALPHA) b.alpha |= bit;
    if (k & C1_LOWER) b.lower |= bit;
    if (k & C1_DIGIT) b.digit |= bit;
    if (k & C1_PUNCT) b.punct |= bit;
    if (u == u'.' || u == u'?' || u == u'!') b.sentence |= bit;
    if (u == u'.' || u == u',' || u == u'-' || r.symbols[u]) b.joinable |= bit;
  }
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

// Eight units: the kinds stored, the lane masks (all ones where true) returned through refs.
struct TLanes8 {
  __m128i stop, ctrl, alpha, lower, digit, punct, sentence, joinable;
};

inline __m128i InRange8(__m128i v, char16_t lo, char16_t hi) {
  return _mm_and_si128(_mm_cmpgt_epi16(v, _mm_set1_epi16(static_cast<short>(lo - 1))),
                       _mm_cmplt_epi16(v, _mm_set1_epi16(static_cast<short>(hi + 1))));
}

inline void Lanes8(const char16_t* t, uint16_t* kinds, const TAsciiKinds& a, const TVectorValues& vals, TLanes8& l) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
  const __m128i zero = _mm_setzero_si128();
  __m128i stop = _mm_xor_si128(_mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFF80))), zero),
                               _mm_set1_epi16(-1));
  for (int s = 0; s < vals.stop_count; ++s)
    stop = _mm_or_si128(stop, _mm_cmpeq_epi16(v, _mm_set1_epi16(static_cast<short>(vals.stops[s]))));
  const __m128i ctrl = _mm_or_si128(_mm_and_si128(_mm_cmplt_epi16(v, _mm_set1_epi16(32)), _mm_cmpgt_epi16(v, _mm_set1_epi16(-1))),
                                    _mm_cmpeq_epi16(v, _mm_set1_epi16(127)));
  const __m128i digit = InRange8(v, u'0', u'9');
  const __m128i upper = InRange8(v, u'A', u'Z');
  const __m128i lower = InRange8(v, u'a', u'z');
  const __m128i hex = _mm_or_si128(InRange8(v, u'A', u'F'), InRange8(v, u'a', u'f'));
  const __m128i space = _mm_cmpeq_epi16(v, _mm_set1_epi16(32));
  const __m128i alpha = _mm_or_si128(upper, lower);
  const __m128i punct = _mm_andnot_si128(_mm_or_si128(_mm_or_si128(alpha, digit), _mm_or_si128(space, _mm_or_si128(ctrl, stop))),
                                         _mm_set1_epi16(-1));
  auto pick = [](__m128i mask, uint16_t k, __m128i rest) {
    return _mm_or_si128(_mm_and_si128(mask, _mm_set1_epi16(static_cast<short>(k))), rest);
  };
  __m128i k = _mm_and_si128(punct, _mm_set1_epi16(static_cast<short>(a.punct)));
  k = pick(space, a.space, k);
  k = pick(digit, a.digit, k);
  k = pick(_mm_andnot_si128(hex, upper), a.upper, k);
  k = pick(_mm_and_si128(hex, upper), a.upper_hex, k);
  k = pick(_mm_andnot_si128(hex, lower), a.lower, k);
  k = pick(_mm_and_si128(hex, lower), a.lower_hex, k);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(kinds), k);
  const __m128i dot = _mm_cmpeq_epi16(v, _mm_set1_epi16(u'.'));
  __m128i joinable = _mm_or_si128(dot, _mm_or_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16(u',')),
                                                    _mm_cmpeq_epi16(v, _mm_set1_epi16(u'-'))));
  for (int s = 0; s < vals.symbol_count; ++s)
    joinable = _mm_or_si128(joinable, _mm_cmpeq_epi16(v, _mm_set1_epi16(static_cast<short>(vals.symbols[s]))));
  l.stop = stop;
  l.ctrl = ctrl;
  l.alpha = alpha;
  l.lower = lower;
  l.digit = digit;
  l.punct = punct;
  l.sentence = _mm_or_si128(dot, _mm_or_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16(u'?')), _mm_cmpeq_epi16(v, _mm_set1_epi16(u'!'))));
  l.joinable = joinable;
}

inline uint64_t Bits16(__m128i a, __m128i b) {
  return static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(a, b)));
}

void BlockSse2(const char16_t* t, uint16_t* kinds, const TAsciiKinds& a, const TVectorValues& vals, TBlockMasks& b) {
  b = TBlockMasks{};
  for (int q = 0; q < 4; ++q) {
    TLanes8 x, y;
    Lanes8(t + 16 * q, kinds + 16 * q, a, vals, x);
    Lanes8(t + 16 * q + 8, kinds + 16 * q + 8, a, vals, y);
    const int s = 16 * q;
    b.stop |= Bits16(x.stop, y.stop) << s;
    b.ctrl |= Bits16(x.ctrl, y.ctrl) << s;
    b.alpha |= Bits16(x.alpha, y.alpha) << s;
    b.lower |= Bits16(x.lower, y.lower) << s;
    b.digit |= Bits16(x.digit, y.digit) << s;
    b.punct |= Bits16(x.punct, y.punct) << s;
    b.sentence |= Bits16(x.sentence, y.sentence) << s;
    b.joinable |= Bits16(x.joinable, y.joinable) << s;
  }
}

struct TLanes16 {
  __m256i stop, ctrl, alpha, lower, digit, punct, sentence, joinable;
};

__attribute__((target("avx2"), always_inline)) inline __m256i InRange16(__m256i v, char16_t lo, char16_t hi) {
  return _mm256_and_si256(_mm256_cmpgt_epi16(v, _mm256_set1_epi16(static_cast<short>(lo - 1))),
                          _mm256_cmpgt_epi16(_mm256_set1_epi16(static_cast<short>(hi + 1)), v));
}

__attribute__((target("avx2"), always_inline)) inline void Lanes16(const char16_t* t, uint16_t* kinds,
                                                                   const TAsciiKinds& a, const TVectorValues& vals,
                                                                   TLanes16& l) {
  const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t));
  const __m256i zero = _mm256_setzero_si256();
  const __m256i ones = _mm256_set1_epi16(-1);
  __m256i stop = _mm256_xor_si256(
      _mm256_cmpeq_epi16(_mm256_and_si256(v, _mm256_set1_epi16(static_cast<short>(0xFF80))), zero), ones);
  for (int s = 0; s < vals.stop_count; ++s)
    stop = _mm256_or_si256(stop, _mm256_cmpeq_epi16(v, _mm256_set1_epi16(static_cast<short>(vals.stops[s]))));
  const __m256i ctrl = _mm256_or_si256(InRange16(v, 0, 31), _mm256_cmpeq_epi16(v, _mm256_set1_epi16(127)));
  const __m256i digit = InRange16(v, u'0', u'9');
  const __m256i upper = InRange16(v, u'A', u'Z');
  const __m256i lower = InRange16(v, u'a', u'z');
  const __m256i hex = _mm256_or_si256(InRange16(v, u'A', u'F'), InRange16(v, u'a', u'f'));
  const __m256i space = _mm256_cmpeq_epi16(v, _mm256_set1_epi16(32));
  const __m256i alpha = _mm256_or_si256(upper, lower);
  const __m256i punct = _mm256_andnot_si256(
      _mm256_or_si256(_mm256_or_si256(alpha, digit), _mm256_or_si256(space, _mm256_or_si256(ctrl, stop))), ones);
  auto pick = [](__m256i mask, uint16_t k, __m256i rest) __attribute__((target("avx2"), always_inline)) {
    return _mm256_or_si256(_mm256_and_si256(mask, _mm256_set1_epi16(static_cast<short>(k))), rest);
  };
  __m256i k = _mm256_and_si256(punct, _mm256_set1_epi16(static_cast<short>(a.punct)));
  k = pick(space, a.space, k);
  k = pick(digit, a.digit, k);
  k = pick(_mm256_andnot_si256(hex, upper), a.upper, k);
  k = pick(_mm256_and_si256(hex, upper), a.upper_hex, k);
  k = pick(_mm256_andnot_si256(hex, lower), a.lower, k);
  k = pick(_mm256_and_si256(hex, lower), a.lower_hex, k);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(kinds), k);
  const __m256i dot = _mm256_cmpeq_epi16(v, _mm256_set1_epi16(u'.'));
  __m256i joinable = _mm256_or_si256(dot, _mm256_or_si256(_mm256_cmpeq_epi16(v, _mm256_set1_epi16(u',')),
                                                          _mm256_cmpeq_epi16(v, _mm256_set1_epi16(u'-'))));
  for (int s = 0; s < vals.symbol_count; ++s)
    joinable = _mm256_or_si256(joinable, _mm256_cmpeq_epi16(v, _mm256_set1_epi16(static_cast<short>(vals.symbols[s]))));
  l.stop = stop;
  l.ctrl = ctrl;
  l.alpha = alpha;
  l.lower = lower;
  l.digit = digit;
  l.punct = punct;
  l.sentence = _mm256_or_si256(dot, _mm256_or_si256(_mm256_cmpeq_epi16(v, _mm256_set1_epi16(u'?')),
                                                    _mm256_cmpeq_epi16(v, _mm256_set1_epi16(u'!'))));
  l.joinable = joinable;
}

__attribute__((target("avx2"), always_inline)) inline uint64_t Bits32(__m256i a, __m256i b) {
  return static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_permute4x64_epi64(_mm256_packs_epi16(a, b), 0xD8)));
}

__attribute__((target("avx2"))) void BlockWide(const char16_t* t, uint16_t* kinds, const TAsciiKinds& a,
                                               const TVectorValues& vals, TBlockMasks& b) {
  b = TBlockMasks{};
  for (int q = 0; q < 2; ++q) {
    TLanes16 x, y;
    Lanes16(t + 32 * q, kinds + 32 * q, a, vals, x);
    Lanes16(t + 32 * q + 16, kinds + 32 * q + 16, a, vals, y);
    const int s = 32 * q;
    b.stop |= Bits32(x.stop, y.stop) << s;
    b.ctrl |= Bits32(x.ctrl, y.ctrl) << s;
    b.alpha |= Bits32(x.alpha, y.alpha) << s;
    b.lower |= Bits32(x.lower, y.lower) << s;
    b.digit |= Bits32(x.digit, y.digit) << s;
    b.punct |= Bits32(x.punct, y.punct) << s;
    b.sentence |= Bits32(x.sentence, y.sentence) << s;
    b.joinable |= Bits32(x.joinable, y.joinable) << s;
  }
}
#endif

// --- the steps that judge single characters ------------------------------------------------------

inline bool IsMark(uint16_t f) { return f >= kKindHidden; }
inline uint16_t Bits(uint16_t f) { return f < kKindHidden ? f : 0; }
inline bool LetterAt(const uint16_t* f, int32_t i) { return (Bits(f[i]) & C1_ALPHA) != 0; }
inline bool DigitAt(const uint16_t* f, int32_t i) { return (Bits(f[i]) & C1_DIGIT) != 0; }

// A full stop inside or at the end of a dotted word, or after a single capital: the tag
// handler's rule, read over the buffer as it stands (the characters before the chunk with their
// final kinds).
bool AbbreviationStop(const char16_t* t, const uint16_t* f, int32_t i, int32_t n) {
  if (t[i] != u'.') return false;
  if (i + 1 < n) {
    if (LetterAt(f, i + 1)) return true;
    if (t[i + 1] == u'.') return false;
  }
  if (i < 1 || !LetterAt(f, i - 1)) return false;
  int32_t start = i - 1;
  if (start > 0 && t[start] >= 0xDC00 && t[start] <= 0xDFFF && t[start - 1] >= 0xD800 && t[start - 1] <= 0xDBFF)
    --start;
  if (start == 0) return (Bits(f[start]) & C1_UPPER) != 0;
  if (LetterAt(f, start - 1) || DigitAt(f, start - 1)) return false;
  if (t[start - 1] == u'.' && start >= 2 && LetterAt(f, start - 2)) return true;
  return (Bits(f[start]) & C1_UPPER) != 0;
}

// The masks of the whole stretch, block by block from `first`.
struct TStretchMasks {
  std::vector<uint64_t> alpha, lower, digit, punct, sentence, joinable;
  void Resize(size_t blocks) {
    for (auto* v : {&alpha, &lower, &digit, &punct, &sentence, &joinable}) v->resize(blocks);
  }
};

thread_local TStretchMasks t_masks;

// The first set bit at or after position p (relative to the stretch) of masks, or -1.
int32_t NextBit(const std::vector<uint64_t>& masks, int32_t p) {
  size_t b = static_cast<size_t>(p) / 64;
  if (b >= masks.size()) return -1;
  uint64_t w = masks[b] & (~uint64_t{0} << (p % 64));
  while (w == 0) {
    if (++b >= masks.size()) return -1;
    w = masks[b];
  }
  return static_cast<int32_t>(b * 64 + static_cast<size_t>(std::countr_zero(w)));
}

// Calls f(position) for each set bit of masks in ascending order, from position `from` on; f
// answers the next position to look at.
template <typename F>
void ForEachBit(const std::vector<uint64_t>& masks, F&& f) {
  int32_t p = 0;
  while ((p = NextBit(masks, p)) >= 0) p = f(p);
}

}  // namespace

TVectorPath BestVectorPath() {
#if defined(__x86_64__)
  return HasWideVectors() ? TVectorPath::Wide : TVectorPath::Sse2;
#else
  return TVectorPath::Scalar;
#endif
}

bool FastFirstPassOn() { return g_fast_pass_on.load(std::memory_order_relaxed); }
void SetFastFirstPass(bool on) { g_fast_pass_on.store(on, std::memory_order_relaxed); }

void TFastPassRules::AddStop(char16_t c) {
  if (c >= 128) return;
  if (c == u' ' || (c >= u'0' && c <= u'9') || ((c | 0x20) >= u'a' && (c | 0x20) <= u'z')) {
    usable = false;
    return;
  }
  stops[c] = true;
}

bool FastFirstPass(const char16_t* text, uint16_t* kinds, int32_t first, int32_t n, int32_t read_ahead_from,
                   const TFastPassRules& rules, TVectorPath path, TFastPassResult& out) {
  const TAsciiKinds& a = AsciiKinds();
  if (!rules.usable || !a.formula_ok || first < 0 || n < first) return false;
  const int32_t len = n - first;
  const size_t blocks = static_cast<size_t>(len + 63) / 64;
  TStretchMasks& s = t_masks;
  s.Resize(blocks);
  out.word_masks.resize(blocks);
  out.marker_masks.assign(blocks, 0);
  out.sentence_ends = 0;
#if defined(__x86_64__)
  const TVectorValues vals = ValuesOf(rules);
  if (!vals.fits || !a.formula_ok) path = TVectorPath::Scalar;
#else
  path = TVectorPath::Scalar;
#endif
  const char16_t* t = text + first;
  uint16_t* k = kinds + first;
  for (size_t b = 0; b < blocks; ++b) {
    const int32_t base = static_cast<int32_t>(b * 64);
    const int m = static_cast<int>(std::min<int32_t>(64, len - base));
    TBlockMasks bm;
#if defined(__x86_64__)
    if (m == 64 && path == TVectorPath::Wide) BlockWide(t + base, k + base, a, vals, bm);
    else if (m == 64 && path == TVectorPath::Sse2) BlockSse2(t + base, k + base, a, vals, bm);
    else
#endif
      BlockScalar(t + base, k + base, m, rules, bm);
    if (bm.stop != 0) return false;
    for (uint64_t c = bm.ctrl; c != 0; c &= c - 1) {
      const int j = std::countr_zero(c);
      k[base + j] = a.kind[t[base + j]];
    }
    s.alpha[b] = bm.alpha;
    s.lower[b] = bm.lower;
    s.digit[b] = bm.digit;
    s.punct[b] = bm.punct;
    s.sentence[b] = bm.sentence;
    s.joinable[b] = bm.joinable;
    out.word_masks[b] = bm.alpha | bm.digit;
  }

  // Sentence ends: a mark is judged on the next letter after it; every mark up to that letter
  // would see the same letter, so the walk goes on after it.
  if (rules.sentence_ends) {
    ForEachBit(s.sentence, [&](int32_t p) -> int32_t {
      const int32_t i = first + p;
      if (IsMark(kinds[i])) return p + 1;
      if (text[i] == u'.' && i + 1 < n && DigitAt(kinds, i + 1)) return p + 1;
      if (AbbreviationStop(text, kinds, i, n)) return p + 1;
      const int32_t letter = NextBit(s.alpha, p + 1);
      if (letter < 0 || (s.lower[static_cast<size_t>(letter) / 64] >> (letter % 64) & 1) == 0) {
        kinds[i] = kSentenceEndKind;
        out.marker_masks[static_cast<size_t>(p) / 64] |= uint64_t{1} << (p % 64);
        if (i < read_ahead_from) ++out.sentence_ends;
      }
      return letter < 0 ? len : letter + 1;
    });
  }

  // Characters joined into words: "." and "," between digits, a hyphen between word characters
  // of which one is a letter, runs of in-word symbols. Judged in text order on the kinds as they
  // stand, the first character of the stretch with nothing before it.
  auto word_at = [&](int32_t i) { return IsWordKind(kinds[i]); };
  auto join = [&](int32_t i) {
    kinds[i] = kKindDefined;
    const int32_t p = i - first;
    out.word_masks[static_cast<size_t>(p) / 64] |= uint64_t{1} << (p % 64);
  };
  ForEachBit(s.joinable, [&](int32_t p) -> int32_t {
    const int32_t i = first + p;
    const uint16_t kd = kinds[i];
    if (kd >= kKindHidden || (kd & 0x0400) != 0 || IsWordKind(kd)) return p + 1;
    const char16_t c = text[i];
    const bool inside = i > first && i + 1 < n;
    if ((c == u'.' || c == u',') && inside && DigitAt(kinds, i - 1) && DigitAt(kinds, i + 1)) {
      join(i);
      return p + 1;
    }
    if (!rules.hyphens_separate_words && c == u'-' && inside && word_at(i - 1) && word_at(i + 1) &&
        (LetterAt(kinds, i - 1) || LetterAt(kinds, i + 1))) {
      join(i);
      return p + 1;
    }
    if (rules.any_symbols && rules.symbols[c]) {
      int32_t j = i;
      while (j < n && kinds[j] < kKindHidden && !IsWordKind(kinds[j]) && text[j] < 128 && rules.symbols[text[j]]) ++j;
      const bool before = i > first && word_at(i - 1);
      const bool after = j < n && word_at(j);
      if ((before && after) || (after && rules.symbols_at_start) || (before && rules.symbols_at_end))
        for (int32_t q = i; q < j; ++q) join(q);
      return j - first;
    }
    return p + 1;
  });

  // Punctuation between two letters or digits (as classified) becomes a blank, unless a step
  // before made it part of a word or a mark.
  if (rules.blank_mid_word_marks && len >= 3) {
    uint64_t carry_in = 0;  // alnum bit of the last unit of the block before
    for (size_t b = 0; b < blocks; ++b) {
      const uint64_t alnum = s.alpha[b] | s.digit[b];
      const uint64_t next_alnum = b + 1 < blocks ? (s.alpha[b + 1] | s.digit[b + 1]) & 1 : 0;
      const uint64_t before = (alnum << 1) | carry_in;
      const uint64_t after = (alnum >> 1) | (next_alnum << 63);
      carry_in = alnum >> 63;
      uint64_t cand = s.punct[b] & before & after;
      if (b == 0) cand &= ~uint64_t{1};  // the stretch's first character has none before it
      for (; cand != 0; cand &= cand - 1) {
        const int32_t p = static_cast<int32_t>(b * 64) + std::countr_zero(cand);
        if (p + 1 >= len) break;  // nor its last one after it
        if ((Bits(kinds[first + p]) & C1_PUNCT) != 0) kinds[first + p] = kBlankedKind;
      }
    }
  }
  return true;
}
