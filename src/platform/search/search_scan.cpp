#include "platform/search/search_scan.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "platform/runtime/vx_runtime.h"
#include "platform/search/search_chars.h"
#include "platform/text/text_services.h"

// --- scanning --------------------------------------------------------------------------------

int32_t TagRunEnd(const char16_t* text, const uint16_t* kinds, int32_t n, int32_t i) {
  uint16_t v = kinds[i];
  int32_t j = i;
  while (j < n && kinds[j] == v) {
    char16_t c = text[j];
    ++j;
    if (c == u'>' || c == 24) break;
  }
  return j;
}

namespace {

struct TUnitCloser {
  std::vector<TUnitEvent>& events;
  TUnitState& units;
  int32_t unit_start[kUnitKinds];

  TUnitCloser(std::vector<TUnitEvent>& e, TUnitState& u) : events(e), units(u) {
    for (int k = 0; k < kUnitKinds; ++k) unit_start[k] = -u.open_words[k];
  }

  TUnitEvent& EventAt(int32_t boundary, bool text_end) {
    if (events.empty() || events.back().boundary != boundary || events.back().text_end) {
      events.emplace_back();
      events.back().boundary = boundary;
    }
    events.back().text_end = events.back().text_end || text_end;
    return events.back();
  }

  void Close(int kind, int32_t boundary) {
    int32_t len = boundary - unit_start[kind];
    if (len <= 0) return;
    TUnitEvent& e = EventAt(boundary, false);
    e.ended_mask |= 1u << kind;
    e.number[kind] = units.number[kind];
    e.length[kind] = len;
    units.number[kind] += 1;
    unit_start[kind] = boundary;
  }

  void CloseAll(int32_t boundary) {
    bool any = false;
    for (int k = 0; k < kUnitKinds; ++k) any = any || boundary - unit_start[k] > 0;
    if (!any) return;
    TUnitEvent& e = EventAt(boundary, true);
    for (int k = 0; k < kUnitKinds; ++k) {
      int32_t len = boundary - unit_start[k];
      if (len <= 0) continue;
      e.ended_mask |= 1u << k;
      e.number[k] = units.number[k];
      e.length[k] = len;
      unit_start[k] = boundary;
    }
  }

  void Finish(int32_t words) {
    for (int k = 0; k < kUnitKinds; ++k) units.open_words[k] = words - unit_start[k];
  }
};

}  // namespace

namespace {

// Hash of the letters text[s..e) when no tag lies inside: up to 8 letters without a branch.
// Units are UTF-16, or the bytes of plain ASCII units (one a unit).
template <typename U>
inline uint32_t HashPlainSpan(const U* text, int32_t s, int32_t e, int32_t n, const char16_t* fold) {
  const uint32_t len = static_cast<uint32_t>(e - s);
  uint32_t h = 0;
  if (len <= 8 && s + 8 <= n) {
    const U* t = text + s;
    for (uint32_t j = 0; j < 8; ++j) h += WordHashAdd(0, fold[t[j]], j) & (0u - static_cast<uint32_t>(j < len));
  } else {
    for (uint32_t j = 0; j < len; ++j) h = WordHashAdd(h, fold[text[s + static_cast<int32_t>(j)]], j);
  }
  return WordHashFinish(h, len);
}

#if defined(__x86_64__)
// HashPlainSpan for a word of at most 8 units with 8 units readable, all eight lanes at once.
// Only words of ASCII letters are taken this way, and only when the fold table folds ASCII as
// plain lower-casing (`ascii_folds_plain`); any other word goes the one-unit way. The sum is the
// same as one unit at a time: every step wraps at 32 bits either way.
__attribute__((target("avx2"))) inline uint32_t HashPlainSpanWide(const char16_t* text, int32_t s, int32_t e, int32_t n,
                                                                  const char16_t* fold, bool ascii_folds_plain) {
  const uint32_t len = static_cast<uint32_t>(e - s);
  if (ascii_folds_plain && len <= 8 && s + 8 <= n) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + s));
    const __m128i in_word = _mm_cmplt_epi16(_mm_set_epi16(7, 6, 5, 4, 3, 2, 1, 0), _mm_set1_epi16(static_cast<short>(len)));
    const __m128i wide = _mm_andnot_si128(_mm_cmpeq_epi16(_mm_and_si128(c, _mm_set1_epi16(static_cast<short>(0xFF80))),
                                                          _mm_setzero_si128()),
                                          in_word);
    if (_mm_movemask_epi8(wide) == 0) {
      const __m128i upper = _mm_and_si128(_mm_cmpgt_epi16(c, _mm_set1_epi16('A' - 1)), _mm_cmplt_epi16(c, _mm_set1_epi16('Z' + 1)));
      const __m128i folded = _mm_add_epi16(c, _mm_and_si128(upper, _mm_set1_epi16(32)));
      __m256i v = _mm256_add_epi32(_mm256_cvtepu16_epi32(folded), _mm256_set1_epi32(static_cast<int>(0x9E3779B9u)));
      v = _mm256_mullo_epi32(v, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kWordHashMul)));
      v = _mm256_and_si256(v, _mm256_cvtepi16_epi32(in_word));
      __m128i x = _mm_add_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
      x = _mm_add_epi32(x, _mm_shuffle_epi32(x, 0x4E));
      x = _mm_add_epi32(x, _mm_shuffle_epi32(x, 0xB1));
      return WordHashFinish(static_cast<uint32_t>(_mm_cvtsi128_si32(x)), len);
    }
  }
  return HashPlainSpan(text, s, e, n, fold);
}
#endif

// Whether the fold table folds the ASCII range as plain lower-casing (a Turkic table does not).
bool FoldsAsciiPlainly(const char16_t* fold) {
  for (char16_t c = 0; c < 128; ++c)
    if (fold[c] != (c >= u'A' && c <= u'Z' ? c + 32 : c)) return false;
  return true;
}

// The same for a word with a kept tag or an invisible character inside: those are left out.
uint32_t HashSkippingSpan(const char16_t* text, const uint16_t* kinds, int32_t s, int32_t e, const char16_t* fold) {
  const uint8_t* cls = ScanClassTable();
  uint32_t h = 0, letter = 0;
  for (int32_t i = s; i < e; ++i) {
    if (cls[kinds[i]] == kScanTag || kinds[i] == kKindInvisibleInWord) continue;
    h = WordHashAdd(h, fold[text[i]], letter++);
  }
  return WordHashFinish(h, letter);
}

// Bit j of word: kinds[base + j] is a word character; of markers: a text-marker kind; of tags: a
// kept-tag kind or an invisible character in a word (both read one by one). Hidden characters are
// in none of them.
inline void ClassifyBlock(const uint16_t* kinds, int32_t base, int32_t m, uint64_t& word, uint64_t& markers,
                          uint64_t& tags) {
  word = 0;
  markers = 0;
  tags = 0;
#if defined(__SSE2__)
  if (m == 64) {
    const __m128i hi_bits = _mm_set1_epi16(static_cast<short>(0xF800));
    const __m128i hidden = _mm_set1_epi16(0x0800);
    const __m128i defined = _mm_set1_epi16(0x0200);
    const __m128i alpha_digit = _mm_set1_epi16(0x0104);
    const __m128i invisible = _mm_set1_epi16(kKindInvisibleInWord);
    const __m128i zero = _mm_setzero_si128();
    const __m128i ones = _mm_set1_epi16(-1);
    auto lanes = [&](__m128i k, __m128i& w, __m128i& mk, __m128i& tg) {
      __m128i plain = _mm_cmpeq_epi16(_mm_and_si128(k, hi_bits), zero);
      __m128i letter_or_digit = _mm_xor_si128(_mm_cmpeq_epi16(_mm_and_si128(k, alpha_digit), zero), ones);
      w = _mm_and_si128(plain, _mm_or_si128(_mm_cmpeq_epi16(k, defined), letter_or_digit));
      mk = _mm_cmplt_epi16(k, zero);
      tg = _mm_or_si128(_mm_andnot_si128(_mm_or_si128(_mm_or_si128(plain, mk), _mm_cmpeq_epi16(k, hidden)), ones),
                        _mm_cmpeq_epi16(k, invisible));
    };
    for (int q = 0; q < 4; ++q) {
      const __m128i* p = reinterpret_cast<const __m128i*>(kinds + base + 16 * q);
      __m128i w0, w1, m0, m1, t0, t1;
      lanes(_mm_loadu_si128(p), w0, m0, t0);
      lanes(_mm_loadu_si128(p + 1), w1, m1, t1);
      word |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(w0, w1)))) << (16 * q);
      markers |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(m0, m1)))) << (16 * q);
      tags |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(t0, t1)))) << (16 * q);
    }
    return;
  }
#endif
  for (int32_t j = 0; j < m; ++j) {
    uint16_t k = kinds[base + j];
    if (IsWordKind(k)) word |= uint64_t{1} << j;
    if (k >= kKindMarkerFlag) {
      markers |= uint64_t{1} << j;
    } else if (k > kKindHidden || k == kKindInvisibleInWord) {
      tags |= uint64_t{1} << j;
    }
  }
}


#if defined(__x86_64__)
// The same masks, 32 kinds at a time, where the processor has 256-bit vectors.
__attribute__((target("avx2"), always_inline)) inline void ScanLanesWide(__m256i k, __m256i& w, __m256i& mk,
                                                                        __m256i& tg) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i plain = _mm256_cmpeq_epi16(_mm256_and_si256(k, _mm256_set1_epi16(static_cast<short>(0xF800))), zero);
  const __m256i no_letter_or_digit = _mm256_cmpeq_epi16(_mm256_and_si256(k, _mm256_set1_epi16(0x0104)), zero);
  // A plain kind that is C1_DEFINED alone, or has a letter or digit bit.
  w = _mm256_and_si256(plain, _mm256_or_si256(_mm256_cmpeq_epi16(k, _mm256_set1_epi16(0x0200)),
                                              _mm256_andnot_si256(no_letter_or_digit, plain)));
  mk = _mm256_cmpgt_epi16(zero, k);
  // Neither plain, nor a marker, nor hidden; or an invisible character in a word.
  const __m256i other = _mm256_or_si256(_mm256_or_si256(plain, mk), _mm256_cmpeq_epi16(k, _mm256_set1_epi16(0x0800)));
  tg = _mm256_or_si256(_mm256_andnot_si256(other, _mm256_set1_epi16(-1)),
                       _mm256_cmpeq_epi16(k, _mm256_set1_epi16(kKindInvisibleInWord)));
}

// Packing two vectors of 16 takes their halves in turn: a permute puts the 32 bytes in order.
__attribute__((target("avx2"), always_inline)) inline uint64_t PackedBitsWide(__m256i a, __m256i b) {
  return static_cast<uint64_t>(
      static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_permute4x64_epi64(_mm256_packs_epi16(a, b), 0xD8))));
}

__attribute__((target("avx2"))) inline void ClassifyBlockWide(const uint16_t* kinds, int32_t base, int32_t m,
                                                              uint64_t& word, uint64_t& markers, uint64_t& tags) {
  if (m != 64) return ClassifyBlock(kinds, base, m, word, markers, tags);
  const __m256i* p = reinterpret_cast<const __m256i*>(kinds + base);
  __m256i w0, w1, m0, m1, t0, t1;
  ScanLanesWide(_mm256_loadu_si256(p), w0, m0, t0);
  ScanLanesWide(_mm256_loadu_si256(p + 1), w1, m1, t1);
  word = PackedBitsWide(w0, w1);
  markers = PackedBitsWide(m0, m1);
  tags = PackedBitsWide(t0, t1);
  ScanLanesWide(_mm256_loadu_si256(p + 2), w0, m0, t0);
  ScanLanesWide(_mm256_loadu_si256(p + 3), w1, m1, t1);
  word |= PackedBitsWide(w0, w1) << 32;
  markers |= PackedBitsWide(m0, m1) << 32;
  tags |= PackedBitsWide(t0, t1) << 32;
}
#endif


#if defined(__x86_64__)
// Finds, for four blocks of 64 word bits at once, the words of one picked length that end in
// them: bit e of a lane is set where a word of exactly `len` characters ends just before
// character e of that block (e is its first non-word character). Each lane is read as the upper
// half of 128 bits whose lower half is the block before, so that words reaching back into the
// block before are found as well as those inside (a picked length is at most 63). The run of
// `len` word characters before e comes by doubling, as in the block path.
struct TGroupLength {
  __m128i left[6], right[6];  // each doubling step's shift and 64 less it
  __m128i past_left, past_right;  // len + 1 and 63 - len: the character before the word
  __m128i len_left, len_right;    // len and 64 - len: the word's first character
  int32_t steps = 0;
};

// Bit j of out[b]: byte 64 * b + j of bytes[0, 64 * blocks) may start a word sought (one of
// `first`, or beyond ASCII, which stands for a unit the masks do not know).
__attribute__((target("avx2"))) void FirstMasksOfBytes(const uint8_t* bytes, size_t blocks, const bool (&first)[128],
                                                      uint64_t* out) {
  alignas(32) uint8_t lo_table[32] = {}, row_table[32] = {};
  for (int c = 0; c < 128; ++c)
    if (first[c]) lo_table[c & 15] = lo_table[16 + (c & 15)] = static_cast<uint8_t>(lo_table[c & 15] | (1u << (c >> 4)));
  for (int h = 0; h < 8; ++h) row_table[h] = row_table[16 + h] = static_cast<uint8_t>(1u << h);
  const __m256i lo = _mm256_load_si256(reinterpret_cast<const __m256i*>(lo_table));
  const __m256i row = _mm256_load_si256(reinterpret_cast<const __m256i*>(row_table));
  const __m256i low_half = _mm256_set1_epi8(0x0F), zero = _mm256_setzero_si256();
  for (size_t b = 0; b < blocks; ++b) {
    uint64_t m = 0;
    for (int q = 0; q < 2; ++q) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + 64 * b + 32 * q));
      const __m256i hit = _mm256_and_si256(_mm256_shuffle_epi8(lo, _mm256_and_si256(v, low_half)),
                                           _mm256_shuffle_epi8(row, _mm256_and_si256(_mm256_srli_epi16(v, 4), low_half)));
      // A byte of 0x80 or above finds no row: its top bit is taken instead.
      const uint32_t found = ~static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(hit, zero))) |
                             static_cast<uint32_t>(_mm256_movemask_epi8(v));
      m |= static_cast<uint64_t>(found) << (32 * q);
    }
    out[b] = m;
  }
}

__attribute__((target("avx2"), always_inline)) inline __m256i WordsOfLengthEnding(__m256i w, __m256i prev,
                                                                                  __m256i before,
                                                                                  const TGroupLength& g) {
  // hi: word character at e - 1 (with the carry from the block before); lo: the same a block lower.
  __m256i hi = before, lo = _mm256_slli_epi64(prev, 1);
  for (int32_t s = 0; s < g.steps; ++s) {
    hi = _mm256_and_si256(hi, _mm256_or_si256(_mm256_sll_epi64(hi, g.left[s]), _mm256_srl_epi64(lo, g.right[s])));
    lo = _mm256_and_si256(lo, _mm256_sll_epi64(lo, g.left[s]));
  }
  const __m256i word_before = _mm256_or_si256(_mm256_sll_epi64(w, g.past_left), _mm256_srl_epi64(prev, g.past_right));
  return _mm256_andnot_si256(word_before, hi);
}

// The number of set bits of each 64-bit lane, by lookups of each byte's halves.
__attribute__((target("avx2"), always_inline)) inline __m256i LaneBitCounts(__m256i x) {
  const __m256i table = _mm256_setr_epi8(0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4, 0, 1, 1, 2, 1, 2, 2, 3, 1,
                                         2, 2, 3, 2, 3, 3, 4);
  const __m256i low = _mm256_set1_epi8(0x0F);
  const __m256i per_byte = _mm256_add_epi8(_mm256_shuffle_epi8(table, _mm256_and_si256(x, low)),
                                           _mm256_shuffle_epi8(table, _mm256_and_si256(_mm256_srli_epi16(x, 4), low)));
  return _mm256_sad_epu8(per_byte, _mm256_setzero_si256());
}

// Whether the four blocks of word masks from wp (wp[-1] the block before) hold no word of one
// of the lengths ending in them; if so, gives the number of words ending in each.
// fp (when given, fp[-1] the block before): the blocks' characters that may start a word sought;
// a word of a picked length starting elsewhere is none.
__attribute__((target("avx2"))) inline bool GroupHoldsNoPick(const uint64_t* wp, const TGroupLength* lengths, int count,
                                                            uint64_t (&lane_words)[4], const uint64_t* fp) {
  const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(wp));
  const __m256i prev = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(wp - 1));
  const __m256i before = _mm256_or_si256(_mm256_slli_epi64(w, 1), _mm256_srli_epi64(prev, 63));
  const __m256i ends = _mm256_andnot_si256(w, before);
  const __m256i all = _mm256_set1_epi64x(-1);
  const __m256i f = fp != nullptr ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(fp)) : all;
  const __m256i f_prev = fp != nullptr ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(fp - 1)) : all;
  __m256i found = _mm256_setzero_si256();
  for (int k = 0; k < count; ++k) {
    // The first characters of the words of this length ending at each end.
    const __m256i first =
        _mm256_or_si256(_mm256_sll_epi64(f, lengths[k].len_left), _mm256_srl_epi64(f_prev, lengths[k].len_right));
    found = _mm256_or_si256(
        found, _mm256_and_si256(_mm256_and_si256(ends, first), WordsOfLengthEnding(w, prev, before, lengths[k])));
  }
  if (!_mm256_testz_si256(found, found)) return false;
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(lane_words), LaneBitCounts(ends));
  return true;
}
#endif

}  // namespace

TScanBlockMasks ScanBlockMasks(const uint16_t* kinds, bool one_at_a_time) {
  TScanBlockMasks b;
  if (one_at_a_time) {
    // Fewer than 64 go one kind at a time.
    TScanBlockMasks last;
    ClassifyBlock(kinds, 0, 63, b.word, b.markers, b.tags);
    ClassifyBlock(kinds, 63, 1, last.word, last.markers, last.tags);
    b.word |= last.word << 63;
    b.markers |= last.markers << 63;
    b.tags |= last.tags << 63;
    return b;
  }
#if defined(__x86_64__)
  if (HasWideVectors()) {
    ClassifyBlockWide(kinds, 0, 64, b.word, b.markers, b.tags);
    return b;
  }
#endif
  ClassifyBlock(kinds, 0, 64, b.word, b.markers, b.tags);
  return b;
}

// The scan is built twice, once for processors with 256-bit vectors, and chosen per call: a
// resolver run by the loader (target_clones) would run before a sanitizer's runtime is ready.
template <bool kWide, bool kPick>
static inline __attribute__((always_inline)) void ScanChunkBody(const char16_t* text, const uint16_t* kinds,
                                                                int32_t begin, int32_t n, const char16_t* fold,
                                                                std::vector<TScanWord>& words,
                                                                std::vector<TUnitEvent>& events, TUnitState& units,
                                                                bool text_end, bool hash_words,
                                                                TWordPicks* picks, const TScanGivenMasks* given) {
  events.clear();
  const uint8_t* cls = ScanClassTable();
  TUnitCloser closer(events, units);
  const int32_t first_word = kPick ? picks->next_number : static_cast<int32_t>(words.size());
  // Words of a block without marks are gathered here first and added to `words` once a block.
  TScanWord block_words[33];
  int32_t block_count = 0;
  [[maybe_unused]] int32_t next_number = first_word;  // with picks: the next word's number
  auto count = [&] {
    if constexpr (kPick) return next_number - first_word;
    return static_cast<int32_t>(words.size()) + block_count - first_word;
  };
  // The chunk is read in blocks of 64 characters: a block without marks is split into words
  // from a bit mask of its word characters; a block with hidden text, tags or markers goes
  // character by character. A word open at the end of a block carries over.
  bool in_word = false;
  int32_t start = 0;
  uint32_t word_flags = 0, pending = 0;
  [[maybe_unused]] const bool ascii_folds_plain = kWide && FoldsAsciiPlainly(fold);
  auto plain_hash = [&](int32_t e) __attribute__((always_inline)) {
#if defined(__x86_64__)
    if constexpr (kWide) return HashPlainSpanWide(text, start, e, n, fold, ascii_folds_plain);
#endif
    return HashPlainSpan(text, start, e, n, fold);
  };
  auto hash_of = [&](int32_t e) __attribute__((always_inline)) {
    return !hash_words                         ? 0u
           : (word_flags & kWordSkipsChars) != 0 ? HashSkippingSpan(text, kinds, start, e, fold)
                                                 : plain_hash(e);
  };
  [[maybe_unused]] int32_t pick_len[4] = {-1, -1, -1, -1};
  if constexpr (kPick) std::copy(picks->lengths, picks->lengths + 4, pick_len);
  // Whether the word starting at p may be one sought, by its first character.
  [[maybe_unused]] auto may_be_sought = [&](int32_t p) __attribute__((always_inline)) -> bool {
    if (!picks->by_first) return true;
    char16_t u;
    if (picks->bytes != nullptr && p >= picks->bytes_from) {
      const uint8_t x = picks->bytes[p - picks->bytes_from];
      if (x < 0x80) return picks->ascii_first[x];
      u = text[p];
    } else {
      u = text[p];
      if (u < 0x80) return picks->ascii_first[u];
    }
    const char16_t f = fold[u];
    return (f == picks->firsts[0]) | (f == picks->firsts[1]) | (f == picks->firsts[2]) | (f == picks->firsts[3]);
  };
  // The lengths a block's masks can find (a word within one block), each once.
  [[maybe_unused]] int32_t block_len[4] = {0, 0, 0, 0};
  [[maybe_unused]] int block_lens = 0;
  if constexpr (kPick) {
    for (int k = 0; k < 4; ++k) {
      const int32_t len = pick_len[k];
      if (len > 0 && len <= 63 && std::find(block_len, block_len + block_lens, len) == block_len + block_lens)
        block_len[block_lens++] = len;
    }
  }
  auto emit_in_block = [&](int32_t e) __attribute__((always_inline)) {
    if constexpr (kPick) {
      const int32_t span = e - start;
      if ((span == pick_len[0]) | (span == pick_len[1]) | (span == pick_len[2]) | (span == pick_len[3]) |
          ((word_flags & kWordSkipsChars) != 0)) {
        picks->numbers.push_back(next_number);
        picks->picked_words.push_back(TScanWord{start, span, 0, word_flags});
      }
      ++next_number;
    } else {
      block_words[block_count++] = TScanWord{start, e - start, hash_of(e), word_flags};
    }
    in_word = false;
  };
  auto emit = [&](int32_t e) __attribute__((always_inline)) {
    if constexpr (kPick) {
      emit_in_block(e);
    } else {
      words.push_back(TScanWord{start, e - start, hash_of(e), word_flags});
      in_word = false;
    }
  };
  auto marker_at = [&](int32_t p) {
    pending = kWordAfterMarker;
    const uint16_t k = given != nullptr && given->marker_kind != 0 ? given->marker_kind : kinds[p];
    if (k > kKindMarkerBase) {
      int marker = k - kKindMarkerBase;
      if (marker >= kMarkerSentenceStart && marker <= kMarkerSectionEnd) {
        closer.Close((marker - kMarkerSentenceStart) / 2, count());
      }
    }
  };
  // All 64 bits of a block's run of `len` word characters from each bit (bit s: wm[s .. s + len)),
  // by doubling: each step ands the run found so far with itself shifted. The steps of each
  // length are worked out once a chunk, and taken without a loop (steps commute, so their
  // order is free): the scan's every block takes them.
  struct TRunSteps {
    int32_t shift[6] = {};
    int32_t count = 0;
  };
  [[maybe_unused]] TRunSteps run_steps[4];
  if constexpr (kPick) {
    for (int k = 0; k < block_lens; ++k)
      for (int32_t have = 1; have < block_len[k];) {
        const int32_t step = std::min(have, block_len[k] - have);
        run_steps[k].shift[run_steps[k].count++] = step;
        have += step;
      }
  }
  [[maybe_unused]] auto runs_of = [&run_steps](uint64_t wm, int k) __attribute__((always_inline)) {
    const TRunSteps& r = run_steps[k];
    uint64_t run = wm;
    switch (r.count) {
      case 6: run &= run >> r.shift[5]; [[fallthrough]];
      case 5: run &= run >> r.shift[4]; [[fallthrough]];
      case 4: run &= run >> r.shift[3]; [[fallthrough]];
      case 3: run &= run >> r.shift[2]; [[fallthrough]];
      case 2: run &= run >> r.shift[1]; [[fallthrough]];
      case 1: run &= run >> r.shift[0]; [[fallthrough]];
      default: break;
    }
    return run;
  };
  // The unit a given marker kind closes (-1 none).
  [[maybe_unused]] int given_close_kind = -1;
  if (given != nullptr && given->marker_kind > kKindMarkerBase) {
    const int marker = given->marker_kind - kKindMarkerBase;
    if (marker >= kMarkerSentenceStart && marker <= kMarkerSectionEnd) given_close_kind = (marker - kMarkerSentenceStart) / 2;
  }
#if defined(__x86_64__)
  // Groups of four blocks are judged at once where every picked length lies within a block's
  // reach: a group without a word of a picked length and without a marker only adds its words.
  [[maybe_unused]] TGroupLength group_len[4];
  [[maybe_unused]] bool groups_on = false;
  [[maybe_unused]] int32_t scalar_until = 0;  // blocks before this go one by one
  if constexpr (kWide && kPick) {
    groups_on = given != nullptr && block_lens > 0;
    for (int k = 0; k < 4; ++k) groups_on = groups_on && pick_len[k] <= 63;
    for (int k = 0; k < block_lens; ++k) {
      TGroupLength& g = group_len[k];
      g.steps = run_steps[k].count;
      for (int32_t s = 0; s < g.steps; ++s) {
        g.left[s] = _mm_cvtsi32_si128(run_steps[k].shift[s]);
        g.right[s] = _mm_cvtsi32_si128(64 - run_steps[k].shift[s]);
      }
      g.past_left = _mm_cvtsi32_si128(block_len[k] + 1);
      g.past_right = _mm_cvtsi32_si128(63 - block_len[k]);
      g.len_left = _mm_cvtsi32_si128(block_len[k]);
      g.len_right = _mm_cvtsi32_si128(64 - block_len[k]);
    }
  }
  // Where the chunk's bytes are at hand, which of their characters may start a word sought (the
  // blocks a group reads; a group starts a block after `begin` at the earliest).
  [[maybe_unused]] const uint64_t* first_masks = nullptr;
  if constexpr (kWide && kPick) {
    if (groups_on && picks->by_first && picks->bytes != nullptr && picks->bytes_from == begin && n > begin) {
      thread_local std::vector<uint64_t> masks;
      const size_t blocks = static_cast<size_t>(n - begin) / 64;
      masks.resize(blocks + 1);
      FirstMasksOfBytes(picks->bytes, blocks, picks->ascii_first, masks.data());
      masks[blocks] = ~uint64_t{0};
      first_masks = masks.data();
    }
  }
#endif
  int32_t i = begin < 0 ? 0 : begin;
  while (i < n) {
    if constexpr (kWide && kPick) {
      // Given masks: whole blocks with no marker, no word of a picked length and no kept word
      // ending in them only count their words, leaving the state as the block path below does.
      if (given != nullptr) {
        while (i + 64 <= n) {
#if defined(__x86_64__)
          if (groups_on && i >= scalar_until && i > begin && i + 256 <= n) {
            // The word running into the group (carried from the block before) is judged with the
            // group when its flags are plain; markers are taken when their kind is given.
            const size_t b = static_cast<size_t>(i - begin) / 64;
            const uint64_t* wp = given->word + b;
            const uint64_t* mp = given->markers + b;
            const uint64_t any_marker = mp[0] | mp[1] | mp[2] | mp[3];
            uint64_t lane_words[4];
            if (!(in_word && (word_flags & kWordSkipsChars) != 0) && (any_marker == 0 || given->marker_kind != 0) &&
                GroupHoldsNoPick(wp, group_len, block_lens, lane_words,
                                 first_masks != nullptr ? first_masks + b : nullptr)) {
              const bool runs_on = (wp[3] >> 63) != 0;
              if (any_marker == 0 && pending == 0) {
                // The last word, when it runs on, starts after the group's last non-word
                // character (or where it started before the group).
                if (runs_on) {
                  int k = 3;
                  while (k >= 0 && wp[k] == ~uint64_t{0}) --k;
                  if (k >= 0 || !in_word) {
                    start = i + (k >= 0 ? 64 * k + 64 - std::countl_zero(~wp[k]) : 0);
                    word_flags = 0;
                  }
                }
              } else {
                // As the blocks one by one: each marker closes its unit after the words ending
                // before it; the last word start is flagged when a marker lies between it and
                // the start before (or, with none in the group, the marker was pending); a
                // marker after the last start is pending for the next word.
                auto below = [](int q) { return q >= 64 ? ~uint64_t{0} : (uint64_t{1} << q) - 1; };
                uint64_t st[4];
                for (int k = 0; k < 4; ++k) st[k] = wp[k] & ~((wp[k] << 1) | (wp[k - 1] >> 63));
                if (given_close_kind >= 0 && any_marker != 0) {
                  int32_t counted = next_number;
                  for (int k = 0; k < 4; ++k) {
                    const uint64_t lane_ends = ~wp[k] & ((wp[k] << 1) | (wp[k - 1] >> 63));
                    for (uint64_t x = mp[k]; x != 0; x &= x - 1)
                      closer.Close(given_close_kind,
                                   counted + std::popcount(lane_ends & below(std::countr_zero(x) + 1)) - first_word);
                    counted += static_cast<int32_t>(lane_words[k]);
                  }
                }
                int lk = 3;
                while (lk >= 0 && st[lk] == 0) --lk;
                if (lk >= 0) {
                  const int ls = 63 - std::countl_zero(st[lk]);
                  if (runs_on) {
                    bool between = false;
                    const uint64_t earlier = st[lk] & below(ls);
                    if (earlier != 0) {
                      between = (mp[lk] & below(ls) & ~below(64 - std::countl_zero(earlier))) != 0;
                    } else {
                      between = (mp[lk] & below(ls)) != 0;
                      int pk = lk - 1;
                      for (; pk >= 0 && st[pk] == 0; --pk) between = between || mp[pk] != 0;
                      between = between || (pk >= 0 ? (mp[pk] & ~below(64 - std::countl_zero(st[pk]))) != 0 : pending != 0);
                    }
                    start = i + 64 * lk + ls;
                    word_flags = between ? kWordAfterMarker : 0u;
                  }
                  bool after = (mp[lk] & ~below(ls + 1)) != 0;
                  for (int k = lk + 1; k < 4; ++k) after = after || mp[k] != 0;
                  pending = after ? kWordAfterMarker : 0u;
                } else {
                  pending = pending != 0 || any_marker != 0 ? kWordAfterMarker : 0u;
                }
              }
              next_number += static_cast<int32_t>(lane_words[0] + lane_words[1] + lane_words[2] + lane_words[3]);
              in_word = runs_on;
              i += 256;
              continue;
            }
            scalar_until = i + 256;
          }
#endif
          const size_t b = static_cast<size_t>(i - begin) / 64;
          // Markers of one given kind are taken here too (a text of short sentences has one in
          // most blocks); markers whose kinds must be read go the block path below.
          const uint64_t mk = given->markers[b];
          if (mk != 0 && given->marker_kind == 0) break;
          const uint64_t wm = given->word[b];
          const uint64_t before = (wm << 1) | (in_word ? 1u : 0u);
          const uint64_t starts = wm & ~before, ends = ~wm & before;
          if (in_word && ends != 0) {
            const int32_t span = i + std::countr_zero(ends) - start;
            if ((((span == pick_len[0]) | (span == pick_len[1]) | (span == pick_len[2]) | (span == pick_len[3])) &&
                 may_be_sought(start)) ||
                (word_flags & kWordSkipsChars) != 0)
              break;
          }
          uint64_t found = 0;
          for (int k = 0; k < block_lens; ++k) found |= starts & runs_of(wm, k) & (ends >> block_len[k]);
#if defined(__x86_64__)
          // Words whose first byte starts no word sought are passed over without reading it.
          if (first_masks != nullptr) found &= first_masks[b];
#endif
          bool sought = false;
          for (; found != 0 && !sought; found &= found - 1) sought = may_be_sought(i + std::countr_zero(found));
          if (sought) break;
          const int32_t counted = next_number;
          next_number += std::popcount(ends);
          if (mk == 0) {
            // The block's last word runs on into the next when its last character is one.
            if ((wm >> 63) != 0 && starts != 0) {
              start = i + (63 - std::countl_zero(starts));
              word_flags = std::popcount(starts) == 1 && pending != 0 ? kWordAfterMarker : 0u;
            }
            if (starts != 0) pending = 0;
          } else {
            // As the block path: each marker closes its unit after the words ending before it;
            // a word after a marker (or a marker left pending) is marked so.
            auto below = [](int q) { return q >= 64 ? ~uint64_t{0} : (uint64_t{1} << q) - 1; };
            if (given_close_kind >= 0)
              for (uint64_t x = mk; x != 0; x &= x - 1)
                closer.Close(given_close_kind, counted + std::popcount(ends & below(std::countr_zero(x) + 1)) - first_word);
            const int last_start = starts != 0 ? 63 - std::countl_zero(starts) : -1;
            if ((wm >> 63) != 0 && starts != 0) {
              const uint64_t earlier = starts & below(last_start);
              const uint64_t from = earlier != 0 ? ~below(64 - std::countl_zero(earlier)) : ~uint64_t{0};
              start = i + last_start;
              word_flags = (mk & below(last_start) & from) != 0 || (earlier == 0 && pending != 0) ? kWordAfterMarker : 0u;
            }
            const bool marker_last = (mk & ~below(last_start + 1)) != 0;
            pending = (last_start >= 0 ? marker_last : (marker_last || pending != 0)) ? kWordAfterMarker : 0u;
          }
          in_word = (wm >> 63) != 0;
          i += 64;
        }
        if (i >= n) break;
      }
    }
    const int32_t base = i;
    const int32_t m = std::min<int32_t>(64, n - base);
    uint64_t wm = 0, markers = 0, tags = 0;
    if (given) {
      const size_t b = static_cast<size_t>(base - begin) / 64;
      const uint64_t in_block = m >= 64 ? ~uint64_t{0} : (uint64_t{1} << m) - 1;
      wm = given->word[b] & in_block;
      markers = given->markers[b] & in_block;
    } else
#if defined(__x86_64__)
    if constexpr (kWide)
      ClassifyBlockWide(kinds, base, m, wm, markers, tags);
    else
#endif
      ClassifyBlock(kinds, base, m, wm, markers, tags);
    if (tags == 0) {
      // Bits past m are not word characters, so a word reaching m ends there. A word starts
      // where a word character follows a non-word one, and ends at the first non-word one after.
      const uint64_t before = (wm << 1) | (in_word ? 1u : 0u);
      uint64_t starts = wm & ~before;
      uint64_t ends = ~wm & before;
      if (in_word) {
        if (ends == 0) {
          i = base + m;
          continue;
        }
        emit_in_block(base + std::countr_zero(ends));
        ends &= ends - 1;
      }
      if constexpr (kWide && kPick) {
        // Only the words of the picked lengths are kept, so the block's words are counted and
        // found from its bit masks, not one by one. Every word starting here either ends here
        // (`ends` holds their ends, in the same order) or runs on into the next block.
        auto below = [](int b) { return b >= 64 ? ~uint64_t{0} : (uint64_t{1} << b) - 1; };
        const int32_t counted = next_number;
        // Whether a marker lies between the word start before s (or the block's start) and s.
        auto after_marker = [&](int s) {
          const uint64_t earlier = starts & below(s);
          const uint64_t from = earlier ? ~below(64 - std::countl_zero(earlier)) : ~uint64_t{0};
          return (markers & below(s) & from) != 0 || (earlier == 0 && pending != 0);
        };
        for (int k = 0; k < block_lens; ++k) {
          const int32_t len = block_len[k];
          const uint64_t run = runs_of(wm, k);
          for (uint64_t found = starts & run & (ends >> len); found != 0; found &= found - 1) {
            const int s = std::countr_zero(found);
            picks->numbers.push_back(counted + std::popcount(ends & below(s)));
            picks->picked_words.push_back(TScanWord{base + s, len, 0, after_marker(s) ? kWordAfterMarker : 0u});
          }
        }
        if (block_lens > 1 && picks->numbers.size() > 1) {  // several lengths: back into text order
          auto first = picks->numbers.end() - 1;
          while (first != picks->numbers.begin() && *(first - 1) >= counted) --first;
          if (!std::is_sorted(first, picks->numbers.end())) {
            const size_t from = static_cast<size_t>(first - picks->numbers.begin());
            std::vector<std::pair<int32_t, TScanWord>> block;
            for (size_t q = from; q < picks->numbers.size(); ++q)
              block.emplace_back(picks->numbers[q], picks->picked_words[q]);
            std::sort(block.begin(), block.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
            for (size_t q = from; q < picks->numbers.size(); ++q) {
              picks->numbers[q] = block[q - from].first;
              picks->picked_words[q] = block[q - from].second;
            }
          }
        }
        for (uint64_t mk = markers; mk != 0; mk &= mk - 1) {
          const int p = std::countr_zero(mk);
          const uint16_t k = given != nullptr && given->marker_kind != 0 ? given->marker_kind : kinds[base + p];
          if (k > kKindMarkerBase) {
            const int marker = k - kKindMarkerBase;
            if (marker >= kMarkerSentenceStart && marker <= kMarkerSectionEnd)
              closer.Close((marker - kMarkerSentenceStart) / 2, counted + std::popcount(ends & below(p + 1)) - first_word);
          }
        }
        next_number = counted + std::popcount(ends);
        // The last word runs on when it has no end here; a marker after the block's last word
        // start is pending for the next word.
        const int last_start = starts ? 63 - std::countl_zero(starts) : -1;
        if (last_start >= 0 && std::popcount(starts) > std::popcount(ends)) {
          start = base + last_start;
          word_flags = after_marker(last_start) ? kWordAfterMarker : 0u;
          in_word = true;
        }
        const bool marker_last = (markers & ~below(last_start + 1)) != 0;
        pending = (last_start >= 0 ? marker_last : (marker_last || pending != 0)) ? kWordAfterMarker : 0u;
        i = base + m;
        continue;
      }
      // Words and markers in text order.
      while (starts != 0) {
        const int s = std::countr_zero(starts);
        starts &= starts - 1;
        while (markers != 0 && std::countr_zero(markers) < s) {
          marker_at(base + std::countr_zero(markers));
          markers &= markers - 1;
        }
        start = base + s;
        word_flags = pending;
        pending = 0;
        in_word = true;
        if (ends == 0) break;
        emit_in_block(base + std::countr_zero(ends));
        ends &= ends - 1;
      }
      while (markers != 0) {
        marker_at(base + std::countr_zero(markers));
        markers &= markers - 1;
      }
      if constexpr (!kPick) {
        words.insert(words.end(), block_words, block_words + block_count);
        block_count = 0;
      }
      i = base + m;
      continue;
    }
    const int32_t end = base + m;
    for (; i < end; ++i) {
      const uint16_t k = kinds[i];
      const uint8_t c = cls[k];
      if (c == kScanWord) {
        if (k == kKindInvisibleInWord) {
          if (in_word) word_flags |= kWordHasInvisible;
          continue;  // never starts a word
        }
        if (!in_word) {
          in_word = true;
          start = i;
          word_flags = pending;
          pending = 0;
        }
        continue;
      }
      if (in_word) {
        if (c == kScanTag && (word_flags & kWordCrossesTag) == 0) {
          int32_t j = TagRunEnd(text, kinds, n, i);
          if (j < n && cls[kinds[j]] == kScanWord) {
            word_flags |= kWordCrossesTag;
            i = j - 1;
            continue;
          }
        }
        emit(i);
      }
      if (c == kScanMarker) marker_at(i);
    }
  }
  if (in_word) emit(n);
  if constexpr (kPick) picks->next_number = next_number;
  if (text_end) closer.CloseAll(count());
  closer.Finish(count());
}

#if defined(__x86_64__)
template <bool kPick>
__attribute__((target("avx2,popcnt"))) static void ScanChunkWide(const char16_t* text, const uint16_t* kinds, int32_t begin,
                                                         int32_t n, const char16_t* fold, std::vector<TScanWord>& words,
                                                         std::vector<TUnitEvent>& events, TUnitState& units,
                                                         bool text_end, bool hash_words, TWordPicks* picks,
                                                         const TScanGivenMasks* given) {
  ScanChunkBody<true, kPick>(text, kinds, begin, n, fold, words, events, units, text_end, hash_words, picks, given);
}

__attribute__((target("avx2"))) static void HashScanWordsWide(const char16_t* text, const uint16_t* kinds, int32_t n,
                                                             const char16_t* fold, TScanWord* words, size_t count) {
  const bool ascii_folds_plain = FoldsAsciiPlainly(fold);
  for (size_t w = 0; w < count; ++w) {
    TScanWord& word = words[w];
    word.hash = (word.flags & kWordSkipsChars) != 0
                    ? HashSkippingSpan(text, kinds, word.start, word.start + word.span, fold)
                    : HashPlainSpanWide(text, word.start, word.start + word.span, n, fold, ascii_folds_plain);
  }
}
#endif

void ScanChunk(const char16_t* text, const uint16_t* kinds, int32_t begin, int32_t n, const char16_t* fold,
               std::vector<TScanWord>& words, std::vector<TUnitEvent>& events, TUnitState& units, bool text_end,
               bool hash_words, TWordPicks* picks, const TScanGivenMasks* given) {
  if (given && (given->word == nullptr || given->markers == nullptr)) given = nullptr;
#if defined(__x86_64__)
  if (HasWideVectors()) {
    return picks ? ScanChunkWide<true>(text, kinds, begin, n, fold, words, events, units, text_end, hash_words, picks, given)
                 : ScanChunkWide<false>(text, kinds, begin, n, fold, words, events, units, text_end, hash_words, picks, given);
  }
#endif
  if (picks)
    return ScanChunkBody<false, true>(text, kinds, begin, n, fold, words, events, units, text_end, hash_words, picks, given);
  ScanChunkBody<false, false>(text, kinds, begin, n, fold, words, events, units, text_end, hash_words, picks, given);
}

uint32_t ScanWordHash(const char16_t* text, const uint16_t* kinds, int32_t n, const char16_t* fold,
                      const TScanWord& word) {
  const int32_t end = word.start + word.span;
  return (word.flags & kWordSkipsChars) != 0 ? HashSkippingSpan(text, kinds, word.start, end, fold)
                                             : HashPlainSpan(text, word.start, end, n, fold);
}

uint32_t ScanWordHashOfBytes(const uint8_t* bytes, int32_t span, int32_t readable, const char16_t* fold) {
  return HashPlainSpan(bytes, 0, span, readable, fold);
}

bool ExactSlotMatchesBytes(const TSlot& slot, bool case_sensitive, const TScanWord& word, const uint8_t* bytes,
                           const char16_t* fold) {
  if (word.hash != slot.hash || word.span != static_cast<int32_t>(slot.raw.size())) return false;
  const UString& want = case_sensitive ? slot.raw : slot.folded;
  // An ASCII unit is never half of a pair: its fold is the table's alone.
  for (int32_t i = 0; i < word.span; ++i)
    if (want[static_cast<size_t>(i)] != (case_sensitive ? char16_t{bytes[i]} : fold[bytes[i]])) return false;
  return true;
}

void HashScanWords(const char16_t* text, const uint16_t* kinds, int32_t n, const char16_t* fold, TScanWord* words,
                   size_t count) {
#if defined(__x86_64__)
  if (HasWideVectors()) return HashScanWordsWide(text, kinds, n, fold, words, count);
#endif
  for (size_t w = 0; w < count; ++w) words[w].hash = ScanWordHash(text, kinds, n, fold, words[w]);
}

// --- compiling items -----------------------------------------------------------------------------

namespace {

bool IsItemBlank(char16_t c) { return c == u' ' || c == u'\t' || c == 0x00A0 || c == u'\r' || c == u'\n'; }

UStringView Trimmed(UStringView s) {
  size_t a = 0, b = s.size();
  while (a < b && IsItemBlank(s[a])) ++a;
  while (b > a && IsItemBlank(s[b - 1])) --b;
  return s.substr(a, b - a);
}

// End (index of ">") of a tag opening at i, or npos.
size_t TagCloseAt(UStringView s, size_t i) {
  for (size_t j = i + 1; j < s.size(); ++j) {
    if (s[j] == u'>') return j;
    if (s[j] == u'<') return UStringView::npos;
  }
  return UStringView::npos;
}

void BuildMachine(const UString& token, TSlot& slot, const char16_t* fold) {
  TWildMachine& m = slot.machine;
  // Elements with repeated stars made one.
  std::vector<char16_t> elems;
  for (char16_t c : token) {
    if (c == u'*' && !elems.empty() && elems.back() == u'*') continue;
    elems.push_back(c);
  }
  size_t states = 1;
  for (char16_t c : elems) states += (c == u'#') ? 3 : 1;
  m.large = states > 64;
  m.type.assign(states, TWildMachine::kAccept);
  m.next.assign(states, 0);
  m.lit_raw.assign(states, 0);
  m.lit_folded.assign(states, 0);
  size_t s = 0;
  for (char16_t c : elems) {
    if (c == u'#') {
      m.type[s] = TWildMachine::kNumFirst;
      m.type[s + 1] = TWildMachine::kNumIn;
      m.type[s + 2] = TWildMachine::kNumSep;
      m.next[s] = m.next[s + 1] = m.next[s + 2] = static_cast<uint32_t>(s + 3);
      s += 3;
    } else {
      m.type[s] = (c == u'*') ? TWildMachine::kStar : TWildMachine::kLit;
      m.lit_raw[s] = c;
      m.lit_folded[s] = FoldedUnit(fold, s > 0 ? m.lit_raw[s - 1] : 0, c);
      m.next[s] = static_cast<uint32_t>(s + 1);
      s += 1;
    }
  }
  m.accept = static_cast<int>(states - 1);
  m.closure.clear();
  if (!m.large) {
    m.closure.assign(states, 0);
    for (size_t k = states; k-- > 0;) {
      uint64_t c = uint64_t{1} << k;
      if (m.type[k] == TWildMachine::kStar || m.type[k] == TWildMachine::kNumIn) c |= m.closure[m.next[k]];
      m.closure[k] = c;
    }
    m.start = m.closure[0];
  }
  // Literal prefix and suffix for the index, and the fewest letters a match needs.
  slot.prefix.clear();
  slot.suffix.clear();
  size_t a = 0;
  while (a < elems.size() && elems[a] != u'*' && elems[a] != u'#') slot.prefix.push_back(fold[elems[a++]]);
  size_t b = elems.size();
  while (b > a && elems[b - 1] != u'*' && elems[b - 1] != u'#') --b;
  for (size_t k = b; k < elems.size(); ++k) slot.suffix.push_back(fold[elems[k]]);
  slot.min_letters = 0;
  for (char16_t c : elems) slot.min_letters += (c == u'*') ? 0 : 1;
}

// Splits a stretch of typed words into word slots, by the same word rules as the text. Invisible
// characters inside a typed word are left out, as they are when the text's words are matched.
void AddWordSlots(UStringView seg, const TSearchTextOptions& o, const char16_t* fold, std::vector<TSlot>& slots,
                  UString& gap) {
  if (seg.empty()) return;
  std::vector<uint16_t> kinds(seg.size());
  ClassifyChars(seg.data(), seg.size(), kinds.data());
  for (size_t i = 0; i < seg.size(); ++i) {
    if (seg[i] == u'*' || seg[i] == u'#') kinds[i] = kKindDefined;
  }
  HandleAllowables(seg.data(), kinds.data(), seg.size(), o.in_word_symbols, o.symbols_at_start, o.symbols_at_end,
                   o.hyphens_separate_words);
  size_t i = 0;
  while (i < seg.size()) {
    if (!IsWordKind(kinds[i]) || kinds[i] == kKindInvisibleInWord) {
      gap.push_back(seg[i]);
      ++i;
      continue;
    }
    size_t j = i;
    UString token;
    for (; j < seg.size() && IsWordKind(kinds[j]); ++j) {
      if (kinds[j] != kKindInvisibleInWord) token.push_back(seg[j]);
    }
    TSlot slot;
    slot.gap_before = std::move(gap);
    gap.clear();
    if (token == u"*") {
      slot.kind = TSlotKind::AnyWord;
    } else if (token.find_first_of(u"*#") != UString::npos) {
      slot.kind = TSlotKind::Wild;
      slot.raw = token;
      BuildMachine(token, slot, fold);
    } else {
      slot.kind = TSlotKind::Exact;
      slot.raw = token;
      slot.folded.reserve(token.size());
      uint32_t h = 0, letter = 0;
      char16_t prev = 0;
      for (char16_t c : token) {
        slot.folded.push_back(FoldedUnit(fold, prev, c));
        h = WordHashAdd(h, fold[c], letter++);
        prev = c;
      }
      slot.hash = WordHashFinish(h, letter);
      slot.min_letters = static_cast<int32_t>(token.size());
    }
    slots.push_back(std::move(slot));
    i = j;
  }
}

int32_t AnchorScore(const TSlot& s) {
  switch (s.kind) {
    case TSlotKind::Exact:
      return 1000000 + static_cast<int32_t>(s.folded.size());
    case TSlotKind::Wild:
      if (!s.prefix.empty()) return 500000 + static_cast<int32_t>(s.prefix.size());
      if (!s.suffix.empty()) return 400000 + static_cast<int32_t>(s.suffix.size());
      return 100;
    case TSlotKind::AnyWord:
      return 1;
    case TSlotKind::Tag:
      return 0;
  }
  return 0;
}

bool CompileAlternative(UStringView piece, const TSearchTextOptions& o, const char16_t* fold, bool ignore_tags,
                        TAlternative& alt) {
  size_t seg_start = 0;
  UString gap;
  for (size_t i = 0; i < piece.size(); ++i) {
    if (piece[i] != u'<') continue;
    size_t close = TagCloseAt(piece, i);
    if (close == UStringView::npos) continue;
    AddWordSlots(piece.substr(seg_start, i - seg_start), o, fold, alt.slots, gap);
    if (!ignore_tags) {
      TSlot tag;
      tag.kind = TSlotKind::Tag;
      tag.raw = UString(piece.substr(i, close - i + 1));
      tag.gap_before = std::move(gap);
      gap.clear();
      alt.slots.push_back(std::move(tag));
      alt.has_tag = true;
    }
    i = close;
    seg_start = close + 1;
  }
  AddWordSlots(piece.substr(seg_start), o, fold, alt.slots, gap);
  if (alt.slots.empty()) return false;
  int32_t best = -1;
  for (size_t s = 0; s < alt.slots.size(); ++s) {
    int32_t score = AnchorScore(alt.slots[s]);
    if (score > best) {
      best = score;
      alt.anchor = static_cast<int32_t>(s);
    }
  }
  return true;
}

}  // namespace

void CompileItem(UStringView typed, uint32_t options, const TSearchTextOptions& text_options, bool ignore_tags,
                 TCompiledItem& out) {
  out.source = UString(typed);
  out.source_options = options;
  out.ignore_tags = ignore_tags;
  out.alts.clear();
  // Texts read with precomposition are in composed form (NFC), so a word typed with combining
  // accents is composed too, or it could never match them.
  const UString composed = text_options.precomposed ? ComposeNFC(typed) : UString(typed);
  UStringView t = Trimmed(composed);
  bool marks = t.size() > 4 && t.substr(0, 2) == u"==" && t.substr(t.size() - 2) == u"==";
  if (marks) t = Trimmed(t.substr(2, t.size() - 4));
  out.case_sensitive = marks || (options & kSwCaseSensitive) != 0;
  const char16_t* fold = FoldTableFor(text_options.lcid);
  size_t piece_start = 0;
  for (size_t i = 0; i <= t.size(); ++i) {
    if (i < t.size() && t[i] == u'<') {
      size_t close = TagCloseAt(t, i);
      if (close != UStringView::npos) {
        i = close;
        continue;
      }
    }
    if (i == t.size() || t[i] == u'/') {
      TAlternative alt;
      if (CompileAlternative(t.substr(piece_start, i - piece_start), text_options, fold, ignore_tags, alt)) {
        out.alts.push_back(std::move(alt));
      }
      piece_start = i + 1;
    }
  }
  if (out.alts.empty()) {
    AddToLogFile(u"search item \"" + UString(typed) + u"\" has no word that can be looked for");
  }
}

// --- matching ------------------------------------------------------------------------------------

namespace {

// Calls f(char, kind) for each letter of word w (tag characters and invisible characters left
// out); f returns false to stop.
template <typename F>
bool ForEachLetter(const TScanView& v, int32_t w, F&& f) {
  const TScanWord& word = v.words[w];
  const char16_t* t = v.text + word.start;
  const uint16_t* k = v.kinds + word.start;
  if ((word.flags & kWordSkipsChars) == 0) {
    for (int32_t i = 0; i < word.span; ++i) {
      if (!f(t[i], k[i])) return false;
    }
    return true;
  }
  const uint8_t* cls = ScanClassTable();
  for (int32_t i = 0; i < word.span; ++i) {
    if (cls[k[i]] == kScanTag || k[i] == kKindInvisibleInWord) continue;
    if (!f(t[i], k[i])) return false;
  }
  return true;
}

int32_t LetterCount(const TScanView& v, int32_t w) {
  const TScanWord& word = v.words[w];
  if ((word.flags & kWordSkipsChars) == 0) return word.span;
  int32_t n = 0;
  ForEachLetter(v, w, [&](char16_t, uint16_t) {
    ++n;
    return true;
  });
  return n;
}

// The machine of a very long pattern: the same steps over a plain set of states.
bool RunLargeMachine(const TWildMachine& m, bool cs, const TScanView& v, int32_t w) {
  const size_t states = m.type.size();
  std::vector<uint8_t> cur(states, 0), nxt(states, 0);
  auto enter = [&](std::vector<uint8_t>& set, size_t s) {
    while (true) {  // a star or a number under way may also be left at once
      set[s] = 1;
      if (m.type[s] != TWildMachine::kStar && m.type[s] != TWildMachine::kNumIn) return;
      s = m.next[s];
    }
  };
  enter(cur, 0);
  const char16_t* fold = v.fold;
  char16_t prev = 0;
  bool alive = ForEachLetter(v, w, [&](char16_t c, uint16_t k) {
    const char16_t f = FoldedUnit(fold, prev, c);
    prev = c;
    const bool digit = k < kKindHidden && (k & kKindDigit) != 0;
    const bool sep = c == u'.' || c == u',';
    std::fill(nxt.begin(), nxt.end(), 0);
    bool any = false;
    for (size_t s = 0; s < states; ++s) {
      if (cur[s] == 0) continue;
      switch (m.type[s]) {
        case TWildMachine::kLit:
          if ((cs ? m.lit_raw[s] : m.lit_folded[s]) == (cs ? c : f)) enter(nxt, m.next[s]), any = true;
          break;
        case TWildMachine::kStar:
          enter(nxt, s), any = true;
          break;
        case TWildMachine::kNumFirst:
          if (digit) enter(nxt, s + 1), any = true;
          break;
        case TWildMachine::kNumIn:
          if (digit) {
            enter(nxt, s), any = true;
          } else if (sep) {
            nxt[s + 1] = 1, any = true;
          }
          break;
        case TWildMachine::kNumSep:
          if (digit) enter(nxt, s - 1), any = true;
          break;
        default:
          break;
      }
    }
    cur.swap(nxt);
    return any;
  });
  return alive && cur[static_cast<size_t>(m.accept)] != 0;
}

bool RunMachine(const TWildMachine& m, bool cs, const TScanView& v, int32_t w) {
  if (m.large) return RunLargeMachine(m, cs, v, w);
  uint64_t cur = m.start;
  const char16_t* fold = v.fold;
  char16_t prev = 0;
  bool alive = ForEachLetter(v, w, [&](char16_t c, uint16_t k) {
    const char16_t f = FoldedUnit(fold, prev, c);
    prev = c;
    bool digit = k < kKindHidden && (k & kKindDigit) != 0;
    bool sep = c == u'.' || c == u',';
    uint64_t nxt = 0;
    uint64_t rest = cur;
    while (rest != 0) {
      int s = std::countr_zero(rest);
      rest &= rest - 1;
      switch (m.type[s]) {
        case TWildMachine::kLit:
          if ((cs ? m.lit_raw[s] : m.lit_folded[s]) == (cs ? c : f)) nxt |= m.closure[m.next[s]];
          break;
        case TWildMachine::kStar:
          nxt |= m.closure[s];
          break;
        case TWildMachine::kNumFirst:
          if (digit) nxt |= m.closure[s + 1];
          break;
        case TWildMachine::kNumIn:
          if (digit) {
            nxt |= m.closure[s];
          } else if (sep) {
            nxt |= uint64_t{1} << (s + 1);
          }
          break;
        case TWildMachine::kNumSep:
          if (digit) nxt |= m.closure[s - 1];
          break;
        default:
          break;
      }
    }
    cur = nxt;
    return cur != 0;
  });
  return alive && (cur & (uint64_t{1} << m.accept)) != 0;
}

}  // namespace

bool SlotMatchesWord(const TSlot& slot, bool cs, const TScanView& v, int32_t w) {
  const TScanWord& word = v.words[w];
  switch (slot.kind) {
    case TSlotKind::AnyWord:
      return true;
    case TSlotKind::Tag:
      return false;
    case TSlotKind::Exact: {
      if (word.hash != slot.hash) return false;
      if ((word.flags & kWordSkipsChars) == 0 && word.span != static_cast<int32_t>(slot.raw.size())) return false;
      size_t i = 0;
      const UString& want = cs ? slot.raw : slot.folded;
      const char16_t* fold = v.fold;
      char16_t prev = 0;
      bool same = ForEachLetter(v, w, [&](char16_t c, uint16_t) {
        if (i >= want.size()) return false;
        const char16_t f = cs ? c : FoldedUnit(fold, prev, c);
        prev = c;
        return want[i++] == f;
      });
      return same && i == want.size();
    }
    case TSlotKind::Wild:
      if (word.span < slot.min_letters) return false;
      if ((word.flags & kWordSkipsChars) != 0 && LetterCount(v, w) < slot.min_letters) return false;
      return RunMachine(slot.machine, cs, v, w);
  }
  return false;
}

namespace {

// Whether the text markers in text[from..to) are all typed in the gap: "St. Louis" typed with
// its full stop crosses a sentence end marked on that full stop.
bool MarkersTypedInGap(const TScanView& v, int32_t from, int32_t to, const UString& gap) {
  if (gap.empty()) return false;
  bool any_typed = false;
  for (char16_t c : gap) any_typed = any_typed || !(c == u' ' || c == u'\t' || c == 0x00A0);
  if (!any_typed) return false;
  for (int32_t i = from; i < to; ++i) {
    if (v.kinds[i] >= kKindMarkerFlag && gap.find(v.text[i]) == UString::npos) return false;
  }
  return true;
}

}  // namespace

bool AlternativeMatchesAt(const TAlternative& alt, bool cs, const TScanView& v, int32_t first, int32_t skip_slot) {
  int32_t n = static_cast<int32_t>(alt.slots.size());
  if (first < 0 || first + n > v.word_count) return false;
  for (int32_t j = 1; j < n; ++j) {
    const TScanWord& word = v.words[first + j];
    if ((word.flags & kWordAfterMarker) == 0) continue;
    const TScanWord& before = v.words[first + j - 1];
    if (!MarkersTypedInGap(v, before.start + before.span, word.start, alt.slots[static_cast<size_t>(j)].gap_before)) {
      return false;
    }
  }
  for (int32_t j = 0; j < n; ++j) {
    if (j == skip_slot) continue;
    if (!SlotMatchesWord(alt.slots[j], cs, v, first + j)) return false;
  }
  return true;
}

void BuildTokens(const TScanView& v, int32_t begin, int32_t n, std::vector<TScanToken>& tokens) {
  tokens.clear();
  const uint8_t* cls = ScanClassTable();
  int32_t p = begin < 0 ? 0 : begin, w = 0;
  bool marker = false;
  while (p < n) {
    if (w < v.word_count && v.words[w].start == p) {
      tokens.push_back(TScanToken{p, v.words[w].span, w, false, marker});
      marker = false;
      p += v.words[w].span;
      ++w;
      continue;
    }
    uint8_t c = cls[v.kinds[p]];
    if (c == kScanTag) {
      int32_t e = TagRunEnd(v.text, v.kinds, n, p);
      tokens.push_back(TScanToken{p, e - p, w, true, marker});
      marker = false;
      p = e;
      continue;
    }
    if (c == kScanMarker) marker = true;
    ++p;
  }
}

bool TagSlotMatches(const TSlot& slot, const char16_t* text, int32_t start, int32_t span, const char16_t* fold) {
  const UString& pat = slot.raw;
  auto same = [&](size_t pi, int32_t ti) {
    const char16_t p = pat[pi], c = text[start + ti];
    if (p == u'<') return c == u'<' || c == 25;
    if (p == u'>') return c == u'>' || c == 24;
    return FoldedUnit(fold, pi > 0 ? pat[pi - 1] : 0, p) == FoldedUnit(fold, ti > 0 ? text[start + ti - 1] : 0, c);
  };
  size_t pi = 0, star_p = UString::npos;
  int32_t ti = 0, star_t = 0;
  while (ti < span) {
    if (pi < pat.size() && pat[pi] == u'*') {
      star_p = pi++;
      star_t = ti;
    } else if (pi < pat.size() && same(pi, ti)) {
      ++pi;
      ++ti;
    } else if (star_p != UString::npos) {
      pi = star_p + 1;
      ti = ++star_t;
    } else {
      return false;
    }
  }
  while (pi < pat.size() && pat[pi] == u'*') ++pi;
  return pi == pat.size();
}

bool AlternativeMatchesTokensAt(const TAlternative& alt, bool cs, const TScanView& v,
                                const std::vector<TScanToken>& tokens, int32_t first) {
  size_t n = alt.slots.size();
  if (first < 0 || static_cast<size_t>(first) + n > tokens.size()) return false;
  for (size_t j = 0; j < n; ++j) {
    const TScanToken& t = tokens[first + j];
    const TSlot& s = alt.slots[j];
    if (j > 0 && t.after_marker) {
      const TScanToken& before = tokens[first + j - 1];
      if (!MarkersTypedInGap(v, before.start + before.span, t.start, s.gap_before)) return false;
    }
    if (s.kind == TSlotKind::Tag) {
      if (!t.is_tag || !TagSlotMatches(s, v.text, t.start, t.span, v.fold)) return false;
    } else {
      if (t.is_tag || !SlotMatchesWord(s, cs, v, t.word)) return false;
    }
  }
  return true;
}
