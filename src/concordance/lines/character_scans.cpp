#include "concordance/lines/character_scans.h"

#include "platform/search/search_chars.h"  // HasWideVectors

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <xmmintrin.h>
#endif

uint8_t BoundaryLevelOfMarker(uint16_t flag) {
  if (!ScanIsMarker(flag)) return 0;
  switch (flag & 0x07FF) {
    case 15: return 2;
    case 17: return 3;
    case 19: return 4;
    case 21: return 5;
    default: return 0;
  }
}

namespace {

// The state of one compacting copy: where it reads and writes, and whether the last unit it
// wrote was a blank (a run of blanks collapses to one).
struct TCompactCursor {
  const char16_t* src;
  const uint16_t* src_flags;
  char16_t* dst;
  uint16_t* dst_flags;
  int32_t i = 0;
  int32_t d = 0;
  bool in_blank_run = false;
  std::vector<int32_t>* drops = nullptr;  // given: the units dropped are noted there
};

// One unit, as the copy's rule says.
inline void CompactOne(TCompactCursor& k) {
  const char16_t c = k.src[k.i];
  const uint16_t f = k.src_flags[k.i];
  ++k.i;
  if (c > 32) {
    k.dst[k.d] = c;
    k.dst_flags[k.d++] = f;
    k.in_blank_run = false;
  } else if (c == 1) {
    // a place-holder the tag handler leaves: nothing to show
    if (k.drops) k.drops->push_back(k.i - 1);
  } else if (c == 25 || c == 24) {
    k.dst[k.d] = c == 25 ? u'<' : u'>';
    k.dst_flags[k.d++] = f;
    k.in_blank_run = false;
  } else if (f > 0x8800 || !k.in_blank_run) {
    // A marker's first character keeps its own blank so that the marker stays where it was.
    k.dst[k.d] = u' ';
    k.dst_flags[k.d++] = f;
    k.in_blank_run = true;
  } else if (k.drops) {
    k.drops->push_back(k.i - 1);
  }
}

// The units of a block the copy drops (bit j: unit k.i + j), noted where the cursor keeps a list
// (room for them made at once: runs of blanks drop whole blocks; the list keeps its room
// between lines, so that adding them seldom does more than store).
inline void NoteDrops(TCompactCursor& k, uint32_t lanes) {
  if (!k.drops || lanes == 0) return;
  std::vector<int32_t>& drops = *k.drops;
  const size_t need = drops.size() + static_cast<size_t>(std::popcount(lanes));
  if (need > drops.capacity()) drops.reserve(std::max(need, 2 * drops.capacity()));
  for (; lanes != 0; lanes &= lanes - 1) drops.push_back(k.i + std::countr_zero(lanes));
}

#if defined(__SSE2__)
// Eight units as the copy takes them: which are blanks (32 or below), which are unusual (a
// dropped unit, a bracket code, a blank after a blank) and what each maps to. `carry` has its
// first lane set when the unit before the eight was a blank.
struct TCompactLanes {
  __m128i blank, bad, out;
};
inline TCompactLanes CompactLanes(__m128i c, __m128i carry) {
  const __m128i v32 = _mm_set1_epi16(32);
  const __m128i blank = _mm_cmpeq_epi16(_mm_subs_epu16(c, v32), _mm_setzero_si128());
  const __m128i odd = _mm_or_si128(_mm_cmpeq_epi16(c, _mm_set1_epi16(1)),
                                   _mm_or_si128(_mm_cmpeq_epi16(c, _mm_set1_epi16(24)),
                                                _mm_cmpeq_epi16(c, _mm_set1_epi16(25))));
  // Each lane's left neighbour's blank mask.
  const __m128i before = _mm_or_si128(_mm_slli_si128(blank, 2), carry);
  return {blank, _mm_or_si128(odd, _mm_and_si128(blank, before)),
          _mm_or_si128(_mm_andnot_si128(blank, c), _mm_and_si128(blank, v32))};
}
#endif

#if defined(__SSE2__)
// Which of eight units a copy inside a run of blanks drops: place-holders, and blanks that are
// neither a bracket code nor a marker's first character.
inline __m128i DroppedInBlankRun(__m128i c, __m128i f) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i blank = _mm_cmpeq_epi16(_mm_subs_epu16(c, _mm_set1_epi16(32)), zero);
  const __m128i code =
      _mm_or_si128(_mm_cmpeq_epi16(c, _mm_set1_epi16(24)), _mm_cmpeq_epi16(c, _mm_set1_epi16(25)));
  const __m128i no_marker = _mm_cmpeq_epi16(_mm_subs_epu16(f, _mm_set1_epi16(static_cast<short>(0x8800))), zero);
  return _mm_or_si128(_mm_cmpeq_epi16(c, _mm_set1_epi16(1)),
                      _mm_andnot_si128(code, _mm_and_si128(blank, no_marker)));
}
#endif

#if defined(__x86_64__)
// For each set of kept lanes among eight 16-bit lanes, the byte shuffle that moves them, in
// order, to the front.
struct TKeptLanes {
  alignas(16) uint8_t shuffle[256][16];
};
const TKeptLanes& KeptLanes() {
  static const TKeptLanes t = [] {
    TKeptLanes k{};
    for (int m = 0; m < 256; ++m) {
      int w = 0;
      for (int lane = 0; lane < 8; ++lane)
        if ((m >> lane) & 1) {
          k.shuffle[m][2 * w] = static_cast<uint8_t>(2 * lane);
          k.shuffle[m][2 * w + 1] = static_cast<uint8_t>(2 * lane + 1);
          ++w;
        }
      for (int b = 2 * w; b < 16; ++b) k.shuffle[m][b] = 0x80;
    }
    return k;
  }();
  return t;
}

// One bit a lane from a movemask's two bits a 16-bit lane.
inline uint32_t LaneBits(uint32_t pairs) {
  uint32_t x = pairs & 0x55555555u;
  x = (x | (x >> 1)) & 0x33333333u;
  x = (x | (x >> 2)) & 0x0F0F0F0Fu;
  x = (x | (x >> 4)) & 0x00FF00FFu;
  return (x | (x >> 8)) & 0xFFFFu;
}

// The kept lanes of each half of v (the shuffles from KeptLanes), the high half's after the
// n_lo of the low half.
__attribute__((target("avx2"))) inline void PutKeptLanes(uint16_t* to, __m256i v, __m128i to_front_lo,
                                                         __m128i to_front_hi, int32_t n_lo) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_shuffle_epi8(_mm256_castsi256_si128(v), to_front_lo));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to + n_lo),
                   _mm_shuffle_epi8(_mm256_extracti128_si256(v, 1), to_front_hi));
}

// CompactUntil sixteen units at a time, where the processor has 256-bit vectors; it stops where
// fewer than sixteen are left to read or to write, and the caller goes on from there. Blanks
// after blanks (double spaces, indentation, empty lines) are dropped within the block, by a
// shuffle of each half; only a place-holder or a bracket code sends a unit through one by one.
__attribute__((target("avx2"))) void CompactUntilWide(TCompactCursor& cursor, int32_t stop, int32_t room) {
  TCompactCursor k = cursor;
  const TKeptLanes& kept_lanes = KeptLanes();
  constexpr int32_t kBlock = 16;
  const __m256i zero = _mm256_setzero_si256();
  const __m256i v32 = _mm256_set1_epi16(32);
  const __m256i v1 = _mm256_set1_epi16(1);
  const __m256i v24 = _mm256_set1_epi16(24);
  const __m256i v25 = _mm256_set1_epi16(25);
  const __m256i marker = _mm256_set1_epi16(static_cast<short>(0x8800));
  while (k.i + kBlock <= stop) {
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(k.src + k.i));
    const __m256i f = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(k.src_flags + k.i));
    const __m256i blank = _mm256_cmpeq_epi16(_mm256_subs_epu16(c, v32), zero);
    const __m256i code = _mm256_or_si256(_mm256_cmpeq_epi16(c, v24), _mm256_cmpeq_epi16(c, v25));
    const __m256i one = _mm256_cmpeq_epi16(c, v1);
    // A stretch of blanks (hidden mark-up, indentation, empty lines) goes sixteen at a time; as
    // unit by unit, only while there is room to write.
    if (k.in_blank_run && k.d < room) {
      const __m256i no_marker = _mm256_cmpeq_epi16(_mm256_subs_epu16(f, marker), zero);
      const __m256i dropped =
          _mm256_or_si256(one, _mm256_andnot_si256(code, _mm256_and_si256(blank, no_marker)));
      if (static_cast<uint32_t>(_mm256_movemask_epi8(dropped)) == 0xFFFFFFFFu) {
        NoteDrops(k, 0xFFFFu);
        k.i += kBlock;
        continue;
      }
    }
    if (k.d + kBlock > room) break;
    // Two mask bits a unit: the blanks, and the unusual units (a dropped unit, a bracket code,
    // a blank after a blank).
    const uint32_t blanks = static_cast<uint32_t>(_mm256_movemask_epi8(blank));
    const uint32_t bad = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_or_si256(one, code))) |
                         (blanks & ((blanks << 2) | (k.in_blank_run ? 3u : 0u)));
    const __m256i out = _mm256_max_epu16(c, v32);  // every unit of 32 or below becomes " "
    if (bad != 0 && _mm256_movemask_epi8(_mm256_or_si256(one, code)) == 0) {
      // Only blanks after blanks: each goes unless it is a marker's first character; after a
      // blank, written or not, the run goes on.
      const uint32_t no_markers =
          static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(_mm256_subs_epu16(f, marker), zero)));
      const uint32_t keep = ~LaneBits(bad & no_markers) & 0xFFFFu;
      NoteDrops(k, ~keep & 0xFFFFu);
      const __m128i to_front_lo = _mm_load_si128(reinterpret_cast<const __m128i*>(kept_lanes.shuffle[keep & 0xFF]));
      const __m128i to_front_hi = _mm_load_si128(reinterpret_cast<const __m128i*>(kept_lanes.shuffle[keep >> 8]));
      const int32_t n_lo = std::popcount(keep & 0xFFu), n = std::popcount(keep);
      alignas(32) char16_t text[2 * kBlock];
      alignas(32) uint16_t flags[2 * kBlock];
      PutKeptLanes(reinterpret_cast<uint16_t*>(text), out, to_front_lo, to_front_hi, n_lo);
      PutKeptLanes(flags, f, to_front_lo, to_front_hi, n_lo);
      std::memcpy(k.dst + k.d, text, static_cast<size_t>(n) * sizeof(char16_t));
      std::memcpy(k.dst_flags + k.d, flags, static_cast<size_t>(n) * sizeof(uint16_t));
      k.in_blank_run = (blanks >> 31) != 0;
      k.i += kBlock;
      k.d += n;
      continue;
    }
    if (bad != 0) {
      const int32_t lanes = std::countr_zero(bad) >> 1;
      alignas(32) char16_t mapped[kBlock];
      _mm256_store_si256(reinterpret_cast<__m256i*>(mapped), out);
      std::memcpy(k.dst + k.d, mapped, static_cast<size_t>(lanes) * sizeof(char16_t));
      std::memcpy(k.dst_flags + k.d, k.src_flags + k.i, static_cast<size_t>(lanes) * sizeof(uint16_t));
      if (lanes > 0) k.in_blank_run = ((blanks >> (2 * lanes - 1)) & 1u) != 0;
      k.i += lanes;
      k.d += lanes;
      CompactOne(k);
      continue;
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(k.dst + k.d), out);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(k.dst_flags + k.d), f);
    k.in_blank_run = (blanks >> 31) != 0;
    k.i += kBlock;
    k.d += kBlock;
  }
  cursor = k;
}
#endif

// Copies units until `stop` is read or `room` units are written. Text is mostly words with
// single blanks between them: a block of eight units with no dropped unit, no bracket code and
// no blank following a blank maps unit for unit (each unit of 32 or below becomes " "), so it
// is copied whole; in any other block the units before the first unusual one are, and that
// one goes alone. Within a run of blanks, a block that the run drops whole is passed over.
void CompactUntil(TCompactCursor& cursor, int32_t stop, int32_t room) {
  // A local copy, which no store through dst can alias, stays in registers.
  TCompactCursor k = cursor;
#if defined(__x86_64__)
  if (HasWideVectors()) CompactUntilWide(k, stop, room);
#endif
#if defined(__SSE2__)
  constexpr int32_t kBlock = 8;
  while (k.i + kBlock <= stop) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(k.src + k.i));
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(k.src_flags + k.i));
    if (k.in_blank_run && k.d < room && _mm_movemask_epi8(DroppedInBlankRun(c, f)) == 0xFFFF) {
      NoteDrops(k, 0xFFu);
      k.i += kBlock;
      continue;
    }
    if (k.d + kBlock > room) break;
    const TCompactLanes m = CompactLanes(c, k.in_blank_run ? _mm_cvtsi32_si128(0xFFFF) : _mm_setzero_si128());
    const __m128i blank = m.blank, out = m.out;
    const int bad_bits = _mm_movemask_epi8(m.bad);
    if (bad_bits != 0) {
      // The lanes before the first unusual one map as in a whole block; that one goes alone.
      const int32_t lanes = __builtin_ctz(static_cast<unsigned>(bad_bits)) >> 1;
      alignas(16) char16_t mapped[kBlock];
      _mm_store_si128(reinterpret_cast<__m128i*>(mapped), out);
      for (int32_t j = 0; j < lanes; ++j) {
        k.dst[k.d + j] = mapped[j];
        k.dst_flags[k.d + j] = k.src_flags[k.i + j];
      }
      if (lanes > 0) k.in_blank_run = k.src[k.i + lanes - 1] <= 32;
      k.i += lanes;
      k.d += lanes;
      CompactOne(k);
      continue;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(k.dst + k.d), out);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(k.dst_flags + k.d), f);
    k.in_blank_run = (_mm_movemask_epi8(blank) & 0xC000) != 0;
    k.i += kBlock;
    k.d += kBlock;
  }
#endif
  while (k.i < stop && k.d < room) CompactOne(k);
  cursor = k;
}

}  // namespace

TCopyCompactResult CopyTextCompactingBlanks(const char16_t* src, const uint16_t* src_flags, int32_t src_count,
                                            int32_t count, char16_t* dst, uint16_t* dst_flags,
                                            int32_t dst_capacity, int32_t range_from, int32_t range_to,
                                            int32_t mark) {
  TCopyCompactResult r;
  if (dst == nullptr || dst_flags == nullptr || dst_capacity <= 0) return r;
  const int32_t room = std::max(0, dst_capacity - kLineBufferExtra);
  int32_t n = std::min(count, src_count);
  if (src == nullptr || src_flags == nullptr || n < 0) n = 0;
  range_from = std::max(range_from, 0);
  if (range_to < range_from) range_to = range_from;

  // Three stretches - before the counting range, in it, after it - so that the copy itself
  // never asks where it is.
  TCompactCursor k{src, src_flags, dst, dst_flags};
  if (mark == 0) r.mark_at = 0;
  // A stretch stops at the marked unit on its way.
  auto until = [&](int32_t stop) {
    if (mark > k.i && mark <= stop) {
      CompactUntil(k, mark, room);
      if (k.i == mark) r.mark_at = k.d;
    }
    CompactUntil(k, stop, room);
  };
  until(std::min(range_from, n));
  if (k.i == range_from) {
    r.range_first = k.d;
    until(std::min(range_to, n));
    r.range_end = k.d;
    for (int32_t i = range_from; i < k.i; ++i) {
      const uint16_t f = src_flags[i];
      r.range_blanks += f < kScanFlagHidden && f != kScanFlagTagKept && (f & 0x68) != 0;
    }
  }
  until(n);
  const int32_t d = k.d;
  r.kept = d;
  const char16_t tail[kLineBufferExtra] = {u' ', u' ', 0};
  const uint16_t tail_flags[kLineBufferExtra] = {kScanFlagBlank, kScanFlagBlank, 0};
  for (int32_t j = 0; j < kLineBufferExtra && d + j < dst_capacity; ++j) {
    dst[d + j] = tail[j];
    dst_flags[d + j] = tail_flags[j];
  }
  return r;
}

int32_t TextUnitsShownAs(UStringView text, UStringView shown, bool (*same)(char16_t, char16_t)) {
  // The copy's rule, unit by unit (CompactOne): what is above 32 is itself, 1 is nothing, 25
  // and 24 the brackets, and a run of the rest one blank (as is a run of blanks shown).
  auto blank = [](char16_t c) { return c <= 32 && c != 24 && c != 25; };
  size_t i = 0, k = 0;
  while (k < shown.size()) {
    if (i >= text.size()) return -1;
    const char16_t c = text[i];
    if (c == 1) {
      ++i;
      continue;
    }
    if (blank(c)) {
      if (shown[k] != u' ') return -1;
      while (i < text.size() && blank(text[i])) ++i;
      while (k < shown.size() && shown[k] == u' ') ++k;
      continue;
    }
    const char16_t v = c == 25 ? u'<' : c == 24 ? u'>' : c;
    if (same ? !same(v, shown[k]) : v != shown[k]) return -1;
    ++i;
    ++k;
  }
  return static_cast<int32_t>(i);
}

void CopyTextAndFlags(const uint16_t* src_flags, uint16_t* dst_flags, const char16_t* src, char16_t* dst,
                      int32_t count) {
  if (count <= 0) return;
  std::memmove(dst_flags, src_flags, static_cast<size_t>(count) * sizeof(uint16_t));
  std::memmove(dst, src, static_cast<size_t>(count) * sizeof(char16_t));
}

TWordWalk WordLengthBackward(const uint16_t* flags, int32_t count, int32_t position, TScanState& state) {
  TWordWalk w;
  int32_t p = std::min(position, count - 1);
  bool tag_seen = false;
  uint16_t tag = 0;
  while (p >= 0) {
    const uint16_t f = flags[p];
    // Hidden mark-up ends a word, as it ends the running words the search counts.
    if (ScanIsMarker(f) || f == kScanFlagHidden) break;
    if (ScanIsWordChar(f)) {
      ++w.length;
    } else if (ScanIsTag(f)) {
      const uint16_t n = ScanTagNumber(f);
      if (!tag_seen) {
        tag_seen = true;
        tag = n;
        state.current_tag = n;
      } else if (n != tag) {
        state.second_tag = true;
        break;
      }
      ++w.tag_chars;
    } else {
      break;
    }
    --p;
  }
  w.position = p < 0 ? -1 : p;
  return w;
}

TWordWalk WordLengthForward(const uint16_t* flags, int32_t count, int32_t position, TScanState& state) {
  TWordWalk w;
  int32_t p = std::max(position, 0);
  bool tag_seen = false;
  while (p < count) {
    const uint16_t f = flags[p];
    if (ScanIsMarker(f) || f == kScanFlagHidden) break;
    if (ScanIsWordChar(f)) {
      ++w.length;
    } else if (ScanIsTag(f)) {
      if (!tag_seen) {
        tag_seen = true;
        state.current_tag = ScanTagNumber(f);
      }
      ++w.length;
      ++w.tag_chars;
    } else {
      break;
    }
    ++p;
  }
  w.position = std::min(p, std::max(count, 0));
  return w;
}

namespace {

// One step of a boundary walk over a character that is no word character.
inline void TakeBoundaryChar(uint16_t f, TBoundaryWalk& b, TScanState& state) {
  if (ScanIsMarker(f))
    b.level = std::max(b.level, BoundaryLevelOfMarker(f));
  else if (ScanIsTag(f))
    state.current_tag = ScanTagNumber(f);
  else if (ScanIsPunct(f))
    b.level = std::max<uint8_t>(b.level, 1);
}

}  // namespace

TBoundaryWalk BoundaryAfterWord(const uint16_t* flags, int32_t count, int32_t position, TScanState& state) {
  TBoundaryWalk b;
  int32_t p = std::max(position, 0);
  for (; p < count; ++p) {
    const uint16_t f = flags[p];
    if (ScanIsWordChar(f)) break;
    TakeBoundaryChar(f, b, state);
  }
  if (p >= count) {
    p = std::max(count, 0);
    b.edge = true;
  }
  b.position = p;
  return b;
}

TBoundaryWalk BoundaryBeforeWord(const uint16_t* flags, int32_t count, int32_t position, TScanState& state) {
  TBoundaryWalk b;
  int32_t p = std::min(position, count - 1);
  for (; p >= 0; --p) {
    const uint16_t f = flags[p];
    if (ScanIsWordChar(f)) break;
    TakeBoundaryChar(f, b, state);
  }
  if (p < 0) {
    p = -1;
    b.edge = true;
  }
  b.position = p;
  return b;
}

void BlankTagOutsideWindow(char16_t* text, uint16_t* flags, int32_t count, int32_t window_start,
                           int32_t window_length, uint16_t tag_flag, char16_t replacement) {
  if (text == nullptr || flags == nullptr || count <= 0) return;
  int32_t ws = std::clamp(window_start, 0, count);
  const int32_t we = static_cast<int32_t>(std::clamp<int64_t>(int64_t{ws} + std::max(window_length, 0), ws, count));
  // A tag the window starts inside belongs to the window whole.
  while (ws > 0 && flags[ws - 1] == tag_flag) flags[--ws] = kScanFlagTagKept;
  int32_t i = 0;
  while (i < count) {
    if (flags[i] != tag_flag) {
      ++i;
      continue;
    }
    int32_t j = i;
    while (j < count && flags[j] == tag_flag) ++j;
    const bool inside = i >= ws && i < we;
    for (int32_t k = i; k < j; ++k) {
      if (inside)
        flags[k] = kScanFlagTagKept;
      else
        text[k] = replacement;
    }
    i = j;
  }
}

namespace {

// The first tag character at or after `from` (count when none). Most lines hold no tag, so the
// flags are looked at eight at a time: a tag is a flag of 0x0800..0x7FFF or exactly 0x0400.
inline int32_t NextTagCharacter(const uint16_t* flags, int32_t from, int32_t count) {
  int32_t i = from;
#if defined(__SSE2__)
  const __m128i hidden_less_one = _mm_set1_epi16(static_cast<int16_t>(kScanFlagHidden - 1));
  const __m128i kept = _mm_set1_epi16(static_cast<int16_t>(kScanFlagTagKept));
  for (; i + 8 <= count; i += 8) {
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(flags + i));
    // Signed, a marker (0x8000 and up) is below 0x07FF.
    const __m128i tag = _mm_or_si128(_mm_cmpgt_epi16(f, hidden_less_one), _mm_cmpeq_epi16(f, kept));
    const int mask = _mm_movemask_epi8(tag);
    if (mask != 0) return i + (__builtin_ctz(static_cast<unsigned>(mask)) >> 1);
  }
#endif
  for (; i < count; ++i)
    if (ScanIsTag(flags[i])) return i;
  return std::max(count, from);
}

}  // namespace

void CollectLineTags(const char16_t* text, const uint16_t* flags, int32_t count, std::vector<TLineTagPlace>& tags) {
  tags.clear();
  if (flags == nullptr) return;
  auto closes = [text](int32_t k) { return text != nullptr && (text[k] == u'>' || text[k] == 24); };
  int32_t i = NextTagCharacter(flags, 0, count);
  while (i < count) {
    const uint16_t f = flags[i];
    int32_t j = i + 1;
    bool closed = closes(i);
    while (j < count && !closed && flags[j] == f) closed = closes(j++);
    tags.push_back({i, j - i, ScanTagNumber(f), f});
    i = NextTagCharacter(flags, j, count);
  }
}

std::vector<TLineTagPlace> CollectLineTags(const char16_t* text, const uint16_t* flags, int32_t count) {
  std::vector<TLineTagPlace> tags;
  CollectLineTags(text, flags, count, tags);
  return tags;
}

namespace {

// Clips the arguments of the word walks around a hit, places every word beyond the line's ends
// at its edges and the hit at the midpoint; gives the hit's end.
int32_t StartLineWordPositions(int32_t& count, int32_t& midpoint, int32_t hit_length, int32_t& lo, int32_t& hi,
                               TLineWordPosition (&out)[kSpanPositions], bool fill_all) {
  count = std::max(count, 0);
  midpoint = std::clamp(midpoint, 0, count);
  const int32_t hit_end = std::clamp(midpoint + std::max(hit_length, 0), midpoint, count);
  lo = std::clamp(lo, 0, kSpanSearchWord);
  hi = std::clamp(hi, kSpanSearchWord, kSpanPositions - 1);
  for (int32_t k = fill_all ? 0 : lo; k <= (fill_all ? kSpanPositions - 1 : hi); ++k)
    out[k] = {k < kSpanSearchWord ? -midpoint : count - midpoint, 0, 0, 0};
  out[kSpanSearchWord] = {0, hit_end - midpoint, 0, 0};
  return hit_end;
}

}  // namespace

void ComputeLineWordPositionsUnitByUnit(const uint16_t* flags, int32_t count, int32_t midpoint, int32_t hit_length,
                                        int32_t lo, int32_t hi, TLineWordPosition (&out)[kSpanPositions],
                                        bool fill_all) {
  const int32_t hit_end = StartLineWordPositions(count, midpoint, hit_length, lo, hi, out, fill_all);
  if (flags == nullptr) return;

  TScanState st;
  int32_t p = midpoint - 1;
  for (int32_t k = kSpanSearchWord - 1; k >= lo; --k) {
    st.current_tag = 0;
    const TBoundaryWalk b = BoundaryBeforeWord(flags, count, p, st);
    if (b.edge) break;
    const uint16_t tag_after = st.current_tag;
    const int32_t end = b.position;
    st.current_tag = 0;
    const TWordWalk w = WordLengthBackward(flags, count, end, st);
    int32_t start = w.position + 1;
    while (start < end && ScanIsTag(flags[start])) ++start;
    out[k] = {start - midpoint, end - start + 1, b.level, w.tag_chars > 0 ? st.current_tag : tag_after};
    p = w.position;
  }

  p = hit_end;
  for (int32_t k = kSpanSearchWord;;) {
    st.current_tag = 0;
    const TBoundaryWalk b = BoundaryAfterWord(flags, count, p, st);
    out[k].barrier = b.level;
    if (k >= hi || b.edge) break;
    const uint16_t tag_before = st.current_tag;
    const int32_t start = b.position;
    st.current_tag = 0;
    const TWordWalk w = WordLengthForward(flags, count, start, st);
    int32_t end = w.position;
    while (end > start && ScanIsTag(flags[end - 1])) --end;
    ++k;
    out[k] = {start - midpoint, end - start, 0, w.tag_chars > 0 ? st.current_tag : tag_before};
    p = end;
  }
}

namespace {

// Over bit masks of 64 units a block, bits(b) giving block b: the first set bit in [from, to)
// (to when none), the last in [lo, from] (lo - 1 when none), and whether [from, to) holds one.
template <typename Bits>
int32_t FirstBitIn(const Bits& bits, int32_t from, int32_t to) {
  while (from < to) {
    const uint64_t m = bits(static_cast<size_t>(from) / 64) >> (from % 64);
    if (m != 0) return std::min(to, from + std::countr_zero(m));
    from = (from / 64 + 1) * 64;
  }
  return to;
}

template <typename Bits>
int32_t LastBitIn(const Bits& bits, int32_t from, int32_t lo) {
  while (from >= lo) {
    const uint64_t m = bits(static_cast<size_t>(from) / 64) << (63 - from % 64);
    if (m != 0) return std::max(lo - 1, from - std::countl_zero(m));
    from = (from / 64) * 64 - 1;
  }
  return lo - 1;
}

template <typename Bits>
bool AnyBitIn(const Bits& bits, int32_t from, int32_t to) {
  return FirstBitIn(bits, from, to) < to;
}

}  // namespace

namespace {

// Bits 0..63 of a 64-bit stretch of a mask: the one from bit q on (bits past the block
// `last_block` are 0), and the one up to bit q (bit 63 is bit q; bits before bit 0 are 0).
inline uint64_t MaskBitsFrom(const uint64_t* bits, int32_t q, int32_t last_block) {
  const int32_t b = q >> 6, s = q & 63;
  uint64_t v = bits[b] >> s;
  if (s != 0 && b + 1 <= last_block) v |= bits[b + 1] << (64 - s);
  return v;
}
inline uint64_t MaskBitsUpTo(const uint64_t* bits, int32_t q) {
  if (q < 63) return bits[0] << (63 - q);
  const int32_t lo = q - 63, b = lo >> 6, s = lo & 63;
  uint64_t v = bits[b] >> s;
  if (s != 0) v |= bits[b + 1] << (64 - s);
  return v;
}
// Bits 0..t (none for t below 0).
inline uint64_t BitsThrough(int32_t t) {
  return t >= 63 ? ~uint64_t{0} : t < 0 ? 0 : (uint64_t{2} << t) - 1;
}

// A stretch of up to 64 units of the window as the walks around a hit read it: word characters,
// markers and punctuation that is a boundary (neither joined nor made blank).
struct TMaskStretch {
  uint64_t word, markers, bound;
};

}  // namespace

void ComputeLineWordPositions(const TChunkMasks& masks, int32_t window_start, int32_t count, int32_t midpoint,
                              int32_t hit_length, int32_t lo, int32_t hi, TLineWordPosition (&out)[kSpanPositions],
                              bool fill_all) {
  const int32_t hit_end = StartLineWordPositions(count, midpoint, hit_length, lo, hi, out, fill_all);
  if (masks.word == nullptr) return;
  // The walks of the flags' version with no tag among the units, a word or a boundary at a time
  // from the masks; positions from `base` (window unit 0) on.
  const int32_t base = window_start - masks.first;
  const auto word = [&](size_t b) { return masks.word[b]; };
  const auto other = [&](size_t b) { return ~masks.word[b]; };
  const uint8_t marker_level = BoundaryLevelOfMarker(masks.marker_kind);
  // The boundary level of window units [a, b): its markers' and its punctuation's.
  const auto level_of = [&](int32_t a, int32_t b) {
    uint8_t level = 0;
    if (AnyBitIn([&](size_t q) { return masks.markers[q]; }, base + a, base + b)) level = marker_level;
    if (AnyBitIn([&](size_t q) { return masks.punct[q] & ~masks.joined[q] & ~masks.blanked[q]; }, base + a, base + b))
      level = std::max<uint8_t>(level, 1);
    return level;
  };
  // The same level of the units a stretch's bits `range` stand for.
  const auto level_in = [&](const TMaskStretch& m, uint64_t range) -> uint8_t {
    const uint8_t punct = (m.bound & range) != 0 ? 1 : 0;
    return (m.markers & range) != 0 ? std::max(marker_level, punct) : punct;
  };

  // Most words around a hit lie within 64 units of it: those are walked over one stretch of the
  // masks each side, where each word's start and end are the next set bits of two masks, so
  // that the walk takes a few instructions a word. Where a word or its boundary runs past the
  // stretch (and the stretch is not at the window's edge), the walk goes on unit block by block.
  int32_t p = midpoint - 1;
  int32_t k = kSpanSearchWord - 1;
  bool left_done = false;
  while (k >= lo) {
    const int32_t from = std::min(p, count - 1);
    if (from < 0) {
      left_done = true;
      break;
    }
    // Bit 63 stands for unit `from`, bit i for unit from - 63 + i; units before 0 are no part.
    const int32_t q = base + from;
    const int32_t first_valid = std::max(0, 63 - from);
    const bool edge = from <= 63;
    const uint64_t valid = ~uint64_t{0} << first_valid;
    const TMaskStretch m{MaskBitsUpTo(masks.word, q) & valid, MaskBitsUpTo(masks.markers, q) & valid,
                         MaskBitsUpTo(masks.punct, q) & ~MaskBitsUpTo(masks.joined, q) &
                             ~MaskBitsUpTo(masks.blanked, q) & valid};
    int32_t top = 63;
    int32_t taken = 0;
    while (k >= lo) {
      const uint64_t w = m.word & BitsThrough(top);
      if (w == 0) {
        if (edge) left_done = true;  // no word before: the walk ends
        break;
      }
      const int32_t end_bit = 63 - std::countl_zero(w);
      const uint64_t gap = ~m.word & valid & BitsThrough(end_bit - 1);
      int32_t before_bit = 0;
      if (gap != 0) {
        before_bit = 63 - std::countl_zero(gap);
      } else if (edge) {
        before_bit = first_valid - 1;  // the word starts the window
      } else {
        break;
      }
      const int32_t end = from - 63 + end_bit, before = from - 63 + before_bit;
      out[k] = {before + 1 - midpoint, end - before, level_in(m, BitsThrough(top) & ~BitsThrough(end_bit)), 0};
      p = before;
      top = before_bit;
      --k;
      ++taken;
      if (before < 0) break;
    }
    if (left_done || taken == 0) break;
  }
  if (!left_done) {
    for (; k >= lo; --k) {
      const int32_t from = std::min(p, count - 1);
      const int32_t end = LastBitIn(word, base + from, base) - base;  // the word's last unit
      if (end < 0) break;
      const int32_t before = LastBitIn(other, base + end, base) - base;
      out[k] = {before + 1 - midpoint, end - before, level_of(end + 1, from + 1), 0};
      p = before;
    }
  }

  p = hit_end;
  k = kSpanSearchWord;
  const int32_t last_block = count > 0 ? (base + count - 1) >> 6 : 0;
  bool right_done = false;
  while (count > 0) {
    const int32_t from = std::max(p, 0);
    if (from >= count) break;
    // Bit i stands for unit from + i; units from `count` on are no part.
    const int32_t q = base + from;
    const int32_t units = std::min(64, count - from);
    const bool edge = count - from <= 64;
    const uint64_t valid = units == 64 ? ~uint64_t{0} : (uint64_t{1} << units) - 1;
    const TMaskStretch m{MaskBitsFrom(masks.word, q, last_block) & valid,
                         MaskBitsFrom(masks.markers, q, last_block) & valid,
                         MaskBitsFrom(masks.punct, q, last_block) & ~MaskBitsFrom(masks.joined, q, last_block) &
                             ~MaskBitsFrom(masks.blanked, q, last_block) & valid};
    // Words' first units, and the units just after words: the walk takes them in turn.
    uint64_t starts = m.word & ~(m.word << 1);
    uint64_t ends = ~m.word & (m.word << 1) & valid;
    int32_t at = 0;
    int32_t taken = 0;
    for (;;) {
      int32_t start = units;
      if (starts != 0) start = std::countr_zero(starts);
      else if (!edge) break;
      out[k].barrier = level_in(m, BitsThrough(start - 1) & ~BitsThrough(at - 1));
      if (k >= hi || start >= units) {
        right_done = true;
        break;
      }
      int32_t end = units;
      if (ends != 0) end = std::countr_zero(ends);
      else if (!edge) break;
      ++k;
      out[k] = {from + start - midpoint, end - start, 0, 0};
      p = from + end;
      at = end;
      starts &= starts - 1;
      ends &= ends - 1;
      ++taken;
    }
    if (right_done || taken == 0) break;
  }
  if (!right_done) {
    for (;;) {
      const int32_t from = std::max(p, 0);
      const int32_t start = FirstBitIn(word, base + from, base + count) - base;
      out[k].barrier = level_of(from, start);
      if (k >= hi || start >= count) break;
      const int32_t end = FirstBitIn(other, base + start, base + count) - base;
      ++k;
      out[k] = {start - midpoint, end - start, 0, 0};
      p = end;
    }
  }
}

namespace {

// The stretch of a line around a hit whose units the walks over masks read: most words around a
// hit lie within it, and its masks are made in a few vector steps.
constexpr int32_t kNearBefore = 96, kNearAfter = 128, kNearBlocks = 5;

// Masks of units [0, n) of a stretch (n at most 64 * (kNearBlocks - 1)), a bit a unit as in
// TChunkMasks: word characters, tag characters, and the units that raise a boundary's level
// (punctuation, and markers of levels 2 to 5).
struct TNearMasks {
  uint64_t word[kNearBlocks] = {}, tag[kNearBlocks] = {}, level[kNearBlocks] = {};
};

// The boundary level a unit of no tag gives (TakeBoundaryChar's).
inline uint8_t NearLevelOf(uint16_t f) { return ScanIsMarker(f) ? BoundaryLevelOfMarker(f) : ScanIsPunct(f) ? 1 : 0; }

inline void NearMasksUnit(uint16_t f, int32_t i, TNearMasks& m) {
  const uint64_t bit = uint64_t{1} << (i & 63);
  const int32_t b = i >> 6;
  if (ScanIsWordChar(f)) m.word[b] |= bit;
  if (ScanIsTag(f)) m.tag[b] |= bit;
  else if (NearLevelOf(f) > 0) m.level[b] |= bit;
}

#if defined(__x86_64__)
// Of sixteen flag words, the lanes of each mask (all ones where set).
struct TNearLanes {
  __m256i word, tag, level;
};
__attribute__((target("avx2"))) inline TNearLanes NearLanes(__m256i f) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i ones = _mm256_set1_epi16(-1);
  const __m256i kept = _mm256_set1_epi16(static_cast<short>(kScanFlagTagKept));
  const __m256i marker = _mm256_cmpgt_epi16(zero, f);  // 0x8000 and up
  // Tags: 0x0800..0x7FFF (signed, markers are below) and 0x0400 exactly.
  const __m256i tag = _mm256_or_si256(_mm256_cmpgt_epi16(f, _mm256_set1_epi16(static_cast<short>(kScanFlagHidden - 1))),
                                      _mm256_cmpeq_epi16(f, kept));
  const __m256i not_plain = _mm256_or_si256(tag, marker);
  const __m256i k = _mm256_andnot_si256(kept, f);
  const __m256i wordish =
      _mm256_or_si256(_mm256_cmpeq_epi16(k, _mm256_set1_epi16(0x0200)),
                      _mm256_andnot_si256(_mm256_cmpeq_epi16(_mm256_and_si256(k, _mm256_set1_epi16(0x0104)), zero), ones));
  const __m256i punct =
      _mm256_andnot_si256(_mm256_cmpeq_epi16(_mm256_and_si256(f, _mm256_set1_epi16(0x0010)), zero), ones);
  // A marker of kind 15, 17, 19 or 21: its kind less 15 has no bit but those of 2 and 4.
  const __m256i kind_less_15 = _mm256_sub_epi16(_mm256_and_si256(f, _mm256_set1_epi16(0x07FF)), _mm256_set1_epi16(15));
  const __m256i levelled_marker = _mm256_and_si256(
      marker, _mm256_cmpeq_epi16(_mm256_and_si256(kind_less_15, _mm256_set1_epi16(static_cast<short>(0xFFF9))), zero));
  return TNearLanes{_mm256_andnot_si256(not_plain, wordish), tag,
                    _mm256_or_si256(_mm256_andnot_si256(not_plain, punct), levelled_marker)};
}
// Two vectors' lanes packed to bytes in unit order: one bit a unit.
__attribute__((target("avx2"))) inline uint64_t NearBits(__m256i a, __m256i b) {
  return static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_permute4x64_epi64(_mm256_packs_epi16(a, b), 0xD8)));
}

// The masks 32 units at a time where the processor has 256-bit vectors; the caller makes the
// rest unit by unit.
__attribute__((target("avx2"))) int32_t NearMasksWide(const uint16_t* flags, int32_t n, TNearMasks& m) {
  int32_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const TNearLanes a = NearLanes(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(flags + i)));
    const TNearLanes c = NearLanes(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(flags + i + 16)));
    const int32_t b = i >> 6, shift = i & 63;
    m.word[b] |= NearBits(a.word, c.word) << shift;
    m.tag[b] |= NearBits(a.tag, c.tag) << shift;
    m.level[b] |= NearBits(a.level, c.level) << shift;
  }
  return i;
}
#endif

void MakeNearMasks(const uint16_t* flags, int32_t n, TNearMasks& m) {
  int32_t i = 0;
#if defined(__x86_64__)
  if (HasWideVectors()) i = NearMasksWide(flags, n, m);
#endif
  for (; i < n; ++i) NearMasksUnit(flags[i], i, m);
}

// The boundary level of stretch units [a, b). Most gaps between words are a blank or two, with
// no punctuation or marker at all: the masks tell those at once, and the others' few units are
// looked at one by one.
uint8_t NearLevel(const uint16_t* flags, const TNearMasks& m, int32_t a, int32_t b) {
  if (b <= a || !AnyBitIn([&](size_t q) { return m.level[q]; }, a, b)) return 0;
  uint8_t level = 0;
  for (int32_t i = a; i < b; ++i) level = std::max(level, NearLevelOf(flags[i]));
  return level;
}

}  // namespace

bool ComputeLineWordPositionsNearHit(const uint16_t* flags, int32_t count, int32_t midpoint, int32_t hit_length,
                                     int32_t lo, int32_t hi, TLineWordPosition (&out)[kSpanPositions], bool fill_all) {
  if (flags == nullptr) return false;
  // The arguments clipped as the walk unit by unit clips them.
  const int32_t n = std::max(count, 0), mid = std::clamp(midpoint, 0, n);
  const int32_t hit_end = std::clamp(mid + std::max(hit_length, 0), mid, n);
  const int32_t first = std::clamp(lo, 0, kSpanSearchWord), last = std::clamp(hi, kSpanSearchWord, kSpanPositions - 1);
  // (Whole vector steps of 32 units, unless the stretch meets the line's end.)
  const int32_t from = std::max(0, mid - kNearBefore);
  const int32_t to = std::min(n, from + ((hit_end + kNearAfter - from + 31) & ~31));
  if (to - from > 64 * (kNearBlocks - 1)) return false;  // a long hit
  TNearMasks m;
  MakeNearMasks(flags + from, to - from, m);
  // The words' places over the stretch (no boundary levels: markers and punctuation left out).
  static constexpr uint64_t kNone[kNearBlocks] = {};
  const TChunkMasks words{m.word, kNone, kNone, kNone, kNone, 0, 0};
  TLineWordPosition (&near)[kSpanPositions] = out;  // positions first..last alone, taken as they come
  ComputeLineWordPositions(words, 0, to - from, mid - from, hit_end - mid, first, last, near, false);
  // Each walk must have stopped inside the stretch, unless the stretch reaches the line's edge
  // there: the left one at a word with a unit before it, the right one at the start of a word
  // after its last.
  const auto word_at = [&](size_t q) { return m.word[q]; };
  const int32_t mid_in = mid - from;
  if (from > 0) {
    const TLineWordPosition& w = near[first];
    if (first < kSpanSearchWord && (w.length == 0 || mid_in + w.start <= 0)) return false;
  }
  int32_t end_in = hit_end - from;  // the end of the last word walked on the right
  for (int32_t k = kSpanSearchWord + 1; k <= last; ++k) {
    if (near[k].length == 0) break;
    end_in = mid_in + near[k].start + near[k].length;
  }
  const int32_t next_in = FirstBitIn(word_at, end_in, to - from);
  if (to < n && (next_in >= to - from || (last > kSpanSearchWord && near[last].length == 0))) return false;
  // A word takes in the tag characters next to it and a boundary notes those it passes: the
  // units the walks looked at, from the one before the first word to the start of the word after
  // the last, must hold none (the hit's own units are counted in).
  int32_t looked_from = mid_in;
  if (first < kSpanSearchWord) looked_from = near[first].length > 0 ? mid_in + near[first].start - 1 : 0;
  if (AnyBitIn([&](size_t q) { return m.tag[q]; }, std::max(looked_from, 0), std::min(next_in, to - from)))
    return false;

  // The boundary levels: after each word on the left up to the next word's start, after the hit
  // and each word on the right up to the next word's start (or the line's end).
  for (int32_t k = first; k < kSpanSearchWord; ++k) {
    if (near[k].length == 0) continue;
    const int32_t next = k + 1 == kSpanSearchWord ? mid_in : mid_in + near[k + 1].start;
    near[k].barrier = NearLevel(flags + from, m, mid_in + near[k].start + near[k].length, next);
  }
  int32_t after = hit_end - from;
  for (int32_t k = kSpanSearchWord; k <= last; ++k) {
    if (k > kSpanSearchWord) {
      if (near[k].length == 0) break;
      after = mid_in + near[k].start + near[k].length;
    }
    const bool next_walked = k < last && near[k + 1].length > 0;
    near[k].barrier =
        NearLevel(flags + from, m, after, next_walked ? mid_in + near[k + 1].start : FirstBitIn(word_at, after, to - from));
  }
  // The stretch's edges stand for the line's where no word was found.
  for (int32_t k = fill_all ? 0 : first; k <= (fill_all ? kSpanPositions - 1 : last); ++k) {
    const bool walked = k >= first && k <= last && (k == kSpanSearchWord || near[k].length > 0);
    if (!walked) out[k] = TLineWordPosition{k < kSpanSearchWord ? -mid : n - mid, 0, 0, 0};
  }
  return true;
}

void ComputeLineWordPositions(const uint16_t* flags, int32_t count, int32_t midpoint, int32_t hit_length,
                              int32_t lo, int32_t hi, TLineWordPosition (&out)[kSpanPositions], bool fill_all) {
  if (!ComputeLineWordPositionsNearHit(flags, count, midpoint, hit_length, lo, hi, out, fill_all))
    ComputeLineWordPositionsUnitByUnit(flags, count, midpoint, hit_length, lo, hi, out, fill_all);
}

namespace {

// The one-byte copy: CompactOne's rule, writing bytes and noting each unit it drops. The units
// are UTF-16 (char16_t) or the bytes they were widened from (uint8_t).
template <typename U = char16_t>
struct TByteCompactCursor {
  const U* src;
  const uint16_t* src_flags;
  uint8_t* dst;
  std::vector<int32_t>* drops;
  int32_t i = 0;
  int32_t d = 0;
  bool in_blank_run = false;
  uint16_t high = 0;  // the units' bits or-ed: above 0x7F, the copy is void
};

template <typename U>
__attribute__((always_inline)) inline void CompactOneByte(TByteCompactCursor<U>& k) {
  const char16_t c = k.src[k.i];
  k.high |= c;
  if (c > 32) {
    k.dst[k.d++] = static_cast<uint8_t>(c);
    k.in_blank_run = false;
  } else if (c == 25 || c == 24) {
    k.dst[k.d++] = c == 25 ? '<' : '>';
    k.in_blank_run = false;
  } else if (c != 1 && ((k.src_flags != nullptr && k.src_flags[k.i] > 0x8800) || !k.in_blank_run)) {
    k.dst[k.d++] = ' ';
    k.in_blank_run = true;
  } else {
    k.drops->push_back(k.i);
  }
  ++k.i;
}

// Copies all n units (the destination holds at least n bytes). As in CompactUntil, sixteen units
// with no dropped unit, no bracket code and no blank after a blank map unit for unit.
// After sixteen units were copied unit for unit: where bad_bits marks an unusual one, the
// units before it are kept and it goes alone; else all sixteen are, the last a blank or not.
template <typename U>
__attribute__((always_inline)) inline void MoveOnSixteen(TByteCompactCursor<U>& k, int bad_bits, bool last_blank) {
  if (bad_bits != 0) {
    const int32_t lanes = __builtin_ctz(static_cast<unsigned>(bad_bits));
    if (lanes > 0) k.in_blank_run = k.src[k.i + lanes - 1] <= 32;
    k.i += lanes;
    k.d += lanes;
    CompactOneByte(k);
    return;
  }
  k.in_blank_run = last_blank;
  k.i += 16;
  k.d += 16;
}

#if defined(__x86_64__)
// The same 32 bytes at a time, where the processor has 256-bit vectors; the rest (fewer than 32
// bytes) goes on sixteen at a time. A line of plain text mostly copies unit for unit, so the
// steps are few and long.
__attribute__((target("avx2"))) void CompactBytesWide(TByteCompactCursor<uint8_t>& cursor, int32_t n) {
  TByteCompactCursor<uint8_t> k = cursor;  // kept in registers: the stores could alias the caller's
  const __m256i v32 = _mm256_set1_epi8(32);
  const __m256i v1 = _mm256_set1_epi8(1);
  const __m256i v25 = _mm256_set1_epi8(25);
  __m256i high = _mm256_setzero_si256();
  while (k.i + 32 <= n) {
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(k.src + k.i));
    high = _mm256_or_si256(high, c);
    // Every unit of 32 or below becomes a blank: the larger of it and 32.
    const __m256i out = _mm256_max_epu8(c, v32);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(k.dst + k.d), out);
    const uint32_t blank = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(out, v32)));
    // Unusual: 1, 24 or 25 (24 and 25 are the units that or-ed with 1 give 25), or a blank after a
    // blank; the run rule is worked on the blanks' bits alone.
    const uint32_t odd = static_cast<uint32_t>(_mm256_movemask_epi8(
        _mm256_or_si256(_mm256_cmpeq_epi8(_mm256_or_si256(c, v1), v25), _mm256_cmpeq_epi8(c, v1))));
    const uint32_t bad_bits = odd | (blank & ((blank << 1) | static_cast<uint32_t>(k.in_blank_run)));
    if (bad_bits != 0) {
      const int32_t lanes = std::countr_zero(bad_bits);
      if (lanes > 0) k.in_blank_run = ((blank >> (lanes - 1)) & 1u) != 0;
      k.i += lanes;
      k.d += lanes;
      CompactOneByte(k);
      continue;
    }
    k.in_blank_run = (blank >> 31) != 0;
    k.i += 32;
    k.d += 32;
  }
  if (_mm256_movemask_epi8(high) != 0) k.high = 0x80;
  cursor = k;
}
#endif

void CompactBytes(TByteCompactCursor<uint8_t>& cursor, int32_t n) {
  TByteCompactCursor<uint8_t> k = cursor;
#if defined(__x86_64__)
  if (HasWideVectors()) CompactBytesWide(k, n);
#endif
#if defined(__SSE2__)
  constexpr int32_t kBlock = 16;
  const __m128i v32 = _mm_set1_epi8(32);
  __m128i high = _mm_setzero_si128();
  while (k.i + kBlock <= n) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(k.src + k.i));
    high = _mm_or_si128(high, c);
    const __m128i blank = _mm_cmpeq_epi8(_mm_subs_epu8(c, v32), _mm_setzero_si128());
    const __m128i odd = _mm_or_si128(_mm_cmpeq_epi8(c, _mm_set1_epi8(1)),
                                     _mm_or_si128(_mm_cmpeq_epi8(c, _mm_set1_epi8(24)), _mm_cmpeq_epi8(c, _mm_set1_epi8(25))));
    const __m128i before = _mm_or_si128(_mm_slli_si128(blank, 1), k.in_blank_run ? _mm_cvtsi32_si128(0xFF) : _mm_setzero_si128());
    const __m128i out = _mm_or_si128(_mm_andnot_si128(blank, c), _mm_and_si128(blank, v32));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(k.dst + k.d), out);
    const int bad_bits = _mm_movemask_epi8(_mm_or_si128(odd, _mm_and_si128(blank, before)));
    MoveOnSixteen(k, bad_bits, (_mm_movemask_epi8(blank) & 0x8000) != 0);
  }
  if (_mm_movemask_epi8(high) != 0) k.high = 0x80;
#endif
  while (k.i < n) CompactOneByte(k);
  cursor = k;
}

void CompactBytes(TByteCompactCursor<char16_t>& cursor, int32_t n) {
  TByteCompactCursor<char16_t> k = cursor;
#if defined(__SSE2__)
  constexpr int32_t kBlock = 16;
  __m128i high = _mm_setzero_si128();
  while (k.i + kBlock <= n) {
    const __m128i c0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(k.src + k.i));
    const __m128i c1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(k.src + k.i + 8));
    high = _mm_or_si128(high, _mm_or_si128(c0, c1));
    const TCompactLanes m0 = CompactLanes(c0, k.in_blank_run ? _mm_cvtsi32_si128(0xFFFF) : _mm_setzero_si128());
    const TCompactLanes m1 = CompactLanes(c1, _mm_srli_si128(m0.blank, 14));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(k.dst + k.d), _mm_packus_epi16(m0.out, m1.out));
    const int bad_bits = _mm_movemask_epi8(_mm_packs_epi16(m0.bad, m1.bad));
    MoveOnSixteen(k, bad_bits, (_mm_movemask_epi8(m1.blank) & 0xC000) != 0);
  }
  // Eight more where they remain: the line's last units seldom go one by one.
  if (k.i + 8 <= n) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(k.src + k.i));
    high = _mm_or_si128(high, c);
    const TCompactLanes m = CompactLanes(c, k.in_blank_run ? _mm_cvtsi32_si128(0xFFFF) : _mm_setzero_si128());
    _mm_storel_epi64(reinterpret_cast<__m128i*>(k.dst + k.d), _mm_packus_epi16(m.out, m.out));
    const int bad_bits = _mm_movemask_epi8(m.bad);
    const int32_t taken = bad_bits != 0 ? __builtin_ctz(static_cast<unsigned>(bad_bits)) >> 1 : 8;
    if (taken > 0) k.in_blank_run = k.src[k.i + taken - 1] <= 32;
    k.i += taken;
    k.d += taken;
  }
  alignas(16) uint16_t lanes[8];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), high);
  for (const uint16_t u : lanes) k.high |= u;
#endif
  while (k.i < n) CompactOneByte(k);
  cursor = k;
}

// A flag word no walk over words and boundaries takes any notice of, other than being no word
// character: what a dropped unit must be for the walks over the chunk's flags to match the
// walks over the line's.
inline bool PassedOverByWalks(uint16_t f) {
  return !ScanIsWordChar(f) && !ScanIsTag(f) && !ScanIsMarker(f) && !ScanIsPunct(f);
}

// Whether a copy that takes over the last one at unit c of the window has that copy's state
// there: out of any run of blanks either before c (c - 1 ends any run) or after it (c is kept
// whatever came before).
inline bool EndsAnyRun(char16_t c) { return c > 32 || c == 24 || c == 25; }

// Whether units [from, to) (from at least 1) may hold a marker's first character on a blank
// within a run of blanks, which the general copy keeps where a copy by the plain blanks rule
// drops it: a line cut by one rule may be taken over by a cut by the other only where none lies
// among the units they share. (A blank after a unit that ends any run is kept by both.)
template <typename U>
bool AnyBlankRulesDiffer(const U* text, const uint16_t* flags, int32_t from, int32_t to) {
  int32_t i = from;
#if defined(__SSE2__)
  // Eight units at a time (bytes widened to units).
  const __m128i zero = _mm_setzero_si128();
  const __m128i v1 = _mm_set1_epi16(1);
  auto units = [&](int32_t at) {
    if constexpr (std::is_same_v<U, uint8_t>)
      return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(text + at)), zero);
    else
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
  };
  // Lanes of blanks that end no run: 32 and below, but for the bracket codes 24 and 25.
  auto no_run_end = [&](__m128i c) {
    return _mm_andnot_si128(_mm_cmpeq_epi16(_mm_or_si128(c, v1), _mm_set1_epi16(25)),
                            _mm_cmpeq_epi16(_mm_subs_epu16(c, _mm_set1_epi16(32)), zero));
  };
  for (; i + 8 <= to; i += 8) {
    const __m128i c = units(i);
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(flags + i));
    const __m128i no_marker = _mm_cmpeq_epi16(_mm_subs_epu16(f, _mm_set1_epi16(static_cast<short>(0x8800))), zero);
    const __m128i blank_in_run =
        _mm_and_si128(_mm_andnot_si128(_mm_cmpeq_epi16(c, v1), no_run_end(c)), no_run_end(units(i - 1)));
    if (_mm_movemask_epi8(_mm_andnot_si128(no_marker, blank_in_run)) != 0) return true;
  }
#endif
  for (; i < to; ++i)
    if (flags[i] > 0x8800 && text[i] != 1 && !EndsAnyRun(text[i]) && !EndsAnyRun(text[i - 1])) return true;
  return false;
}

}  // namespace

namespace {

// Units past a general cut's window asked for ahead of the next cut.
constexpr int32_t kGeneralCutAhead = 256;

// How many of the n sorted units at `first` lie below u, found without a branch to mispredict:
// a line's dropped units are a few dozen, looked up four times a line.
inline int32_t CountBelow(const int32_t* first, size_t n, int32_t u) {
  if (n == 0) return 0;
  const int32_t* base = first;
  while (n > 1) {
    const size_t half = n / 2;
    base = base[half] < u ? base + half : base;
    n -= half;
  }
  return static_cast<int32_t>(base - first) + (*base < u ? 1 : 0);
}

// Units the general cut's buffers (and the one-byte lines' bytes) hold: room for several lines of a frequent word, whose
// neighbours go on from each other a few hundred units apart, before the units they share are
// moved back to the start (wide lines get less).
size_t GeneralCutRoom(int32_t width) {
  const size_t line = static_cast<size_t>(LineBufferCharacters(width));
  return line * (line <= 4096 ? 8 : 2);
}

}  // namespace

TLineCutter::TLineCutter(int32_t width) : width_(std::clamp(width, 1, kMaxLineWidth)) {}

bool TLineCutter::Cut(const TChunkView& chunk, const TChunkView& before, int32_t hit_position, int32_t hit_length) {
  // The buffers are made at the first line: a text without a hit (most texts, for a rare word)
  // makes none.
  if (text_.empty()) {
    text_.assign(GeneralCutRoom(width_), u' ');
    flags_.assign(GeneralCutRoom(width_), kScanFlagBlank);
    narrow_.assign(GeneralCutRoom(width_), ' ');
    bytes_.assign(GeneralCutRoom(width_), ' ');
    line_bytes_ = bytes_.data();
    drops_.reserve(static_cast<size_t>(width_));
  }
  length_ = midpoint_ = hit_length_ = 0;
  one_byte_ = false;
  const int32_t mark = next_mark_;
  next_mark_ = marked_ = -1;
  const bool last_held = last_.held;
  last_.held = false;
  const bool last_byte_held = last_byte_.held;
  last_byte_.held = false;
  window_start_ = window_count_ = 0;
  wide_made_ = flags_made_ = true;
  line_at_ = 0;
  narrow_made_ = tags_known_ = false;
  text_[0] = 0;
  flags_[0] = 0;
  if (chunk.text == nullptr || chunk.flags == nullptr || chunk.count <= 0) return false;
  hit_position = std::clamp(hit_position, 0, chunk.count - 1);
  hit_length = std::clamp(hit_length, 0, chunk.count - hit_position);
  const int32_t before_count =
      before.text != nullptr && before.flags != nullptr ? std::max(before.count, 0) : 0;

  int64_t ws = int64_t{hit_position} - width_ / 2;
  int32_t pad = 0;
  if (ws < -before_count) {
    pad = static_cast<int32_t>(-before_count - ws);
    ws = -before_count;
  }
  const int64_t we = std::min<int64_t>(ws + (width_ - pad), chunk.count);
  const int32_t n = static_cast<int32_t>(we - ws);
  const int32_t hit_in_window = static_cast<int32_t>(hit_position - ws);
  const int64_t mark_in_window = int64_t{mark} - ws;
  const bool marked = mark >= 0 && mark_in_window > 0 && mark_in_window <= n;

  flags_needed_ = nullptr;
  window_masks_ = TChunkMasks{};
  const bool plain = ws >= 0 && ws >= chunk.plain_from && we <= std::min(chunk.plain_to, chunk.count);
  const bool from_bytes = plain && chunk.plain_bytes != nullptr && chunk.flags_needed != nullptr;
  const bool masks_read = plain && chunk.flags_needed != nullptr && chunk.masks.word != nullptr && ws >= chunk.masks.first;
#if defined(__SSE2__)
  if (masks_read) {
    // The masks the walks around the hit will read, asked for now to arrive while the line is
    // copied: a few blocks each side of the hit.
    const TChunkMasks& m = chunk.masks;
    const int32_t b0 = static_cast<int32_t>((std::max<int64_t>(ws, hit_position - 192) - m.first) / 64);
    const int32_t b1 = static_cast<int32_t>((std::min<int64_t>(we - 1, hit_position + 256) - m.first) / 64);
    for (int32_t b = b0; b <= b1; b += 8)
      for (const uint64_t* a : {m.word, m.markers, m.punct, m.joined, m.blanked})
        _mm_prefetch(reinterpret_cast<const char*>(a + b), _MM_HINT_T0);
    if ((b0 & ~7) != (b1 & ~7))
      for (const uint64_t* a : {m.word, m.markers, m.punct, m.joined, m.blanked})
        _mm_prefetch(reinterpret_cast<const char*>(a + b1), _MM_HINT_T0);
  }
#endif
  // A marked cut may go on from the last line, whichever form it was cut in.
  const TFollow follow = mark < 0        ? TFollow::kNone
                         : last_byte_held ? TFollow::kOneByte
                         : last_held      ? TFollow::kGeneral
                                          : TFollow::kNone;
  window_start_ = static_cast<int32_t>(ws);
  if (plain && (from_bytes ? CutOneByte(chunk.plain_bytes + (ws - chunk.plain_from), chunk.flags + ws, n, pad,
                                        hit_in_window, hit_length, true, masks_read, follow)
                           : CutOneByte(chunk.text + ws, chunk.flags + ws, n, pad, hit_in_window, hit_length,
                                        chunk.flags_needed != nullptr, masks_read, follow))) {
    flags_needed_ = chunk.flags_needed;
    flags_owner_ = chunk.owner;
    if (chunk.flags_needed != nullptr && ws >= chunk.masks.first) window_masks_ = chunk.masks;
    if (marked) marked_ = LinePositionOf(static_cast<int32_t>(mark_in_window));
    return true;
  }
  window_start_ = static_cast<int32_t>(ws);
  window_count_ = n;
  // The general cut reads every flag of the window.
  if (chunk.flags_needed != nullptr) chunk.flags_needed(chunk.owner, static_cast<int32_t>(std::max<int64_t>(ws, 0)),
                                                        static_cast<int32_t>(we));

  const char16_t* src = nullptr;
  const uint16_t* src_flags = nullptr;
  if (ws < 0) {
    // The window begins in the text before the chunk: join the two pieces it covers.
    const size_t from_before = static_cast<size_t>(-ws);
    join_text_.resize(static_cast<size_t>(n));
    join_flags_.resize(static_cast<size_t>(n));
    const size_t at = static_cast<size_t>(before_count) - from_before;
    std::copy_n(before.text + at, from_before, join_text_.begin());
    std::copy_n(before.flags + at, from_before, join_flags_.begin());
    std::copy_n(chunk.text, static_cast<size_t>(we), join_text_.begin() + static_cast<std::ptrdiff_t>(from_before));
    std::copy_n(chunk.flags, static_cast<size_t>(we), join_flags_.begin() + static_cast<std::ptrdiff_t>(from_before));
    src = join_text_.data();
    src_flags = join_flags_.data();
  } else {
    src = chunk.text + ws;
    src_flags = chunk.flags + ws;
  }

  if (ws >= 0 && pad == 0) {
    // A one-byte cut tried and failed has written over the last one-byte line.
    CutGeneral(src, src_flags, n, static_cast<int32_t>(ws), hit_in_window, hit_length,
               plain && follow == TFollow::kOneByte ? TFollow::kNone : follow,
               marked ? static_cast<int32_t>(mark_in_window) : -1);
#if defined(__SSE2__)
    // A frequent word's next line goes on from this one's end, and the units it adds lie past
    // the part of the chunk its search has read: they are asked for now, to be there by then.
    const int32_t ahead = static_cast<int32_t>(std::min<int64_t>(kGeneralCutAhead, chunk.count - we));
    for (int32_t j = 0; j < ahead; j += 32) {
      _mm_prefetch(reinterpret_cast<const char*>(chunk.text + we + j), _MM_HINT_T0);
      _mm_prefetch(reinterpret_cast<const char*>(chunk.flags + we + j), _MM_HINT_T0);
    }
#endif
    return true;
  }
  std::fill_n(text_.begin(), pad, u' ');
  std::fill_n(flags_.begin(), pad, kScanFlagBlank);
  const TCopyCompactResult r =
      CopyTextCompactingBlanks(src, src_flags, n, n, text_.data() + pad, flags_.data() + pad,
                               BufferCharacters() - pad, hit_in_window, hit_in_window + hit_length,
                               marked ? static_cast<int32_t>(mark_in_window) : -1);
  if (r.mark_at >= 0) marked_ = pad + r.mark_at;
  length_ = pad + r.kept;
  midpoint_ = pad + std::max(r.range_first, 0);
  hit_length_ = std::max(0, r.range_end - r.range_first);
  return true;
}

void TLineCutter::CutGeneral(const char16_t* src, const uint16_t* src_flags, int32_t n, int32_t ws,
                             int32_t hit_in_window, int32_t hit_length, TFollow follow, int32_t mark) {
  // The cursor reads the chunk by its own unit numbers, so that the units it drops are noted as
  // chunk units, which the next line's list shares.
  TCompactCursor k{src - ws, src_flags - ws, nullptr, nullptr};
  k.i = ws;
  const int32_t room = width_;
  // A window that starts inside a run of blanks keeps its first blank, which the last window
  // dropped: its place-holders and its first other unit (always kept) are copied afresh. After
  // that unit both copies go alike, so the units up to the last window's end are the last line's.
  int32_t first = 0;
  while (first < n && src[first] == 1) ++first;
  const int32_t resume = ws + first + 1;
  int32_t at = 0, front = 0, shared_from = 0, shared_to = 0;
  if (follow == TFollow::kOneByte && MayTakeLastByteCut(src, src_flags, n, ws, resume)) {
    // The last line's bytes are widened into the buffers' start, after the fresh unit.
    last_wide_ = last_high_ = last_tag_ = -1;
    front = first;
    k.dst = text_.data();
    k.dst_flags = flags_.data();
    CompactUntil(k, resume, room);
    shared_from = k.d;
    k.d += TakeLastByteCut(src_flags, ws, resume, k.d);
    shared_to = k.d;
    k.i = last_byte_.start + last_byte_.count;
    k.in_blank_run = last_byte_.ends_in_blank_run;
  } else if (follow == TFollow::kGeneral && last_.start <= ws && resume < last_.end && last_.end <= ws + n) {
    const int32_t skipped = CountBelow(general_drops_.data() + drops_from_, general_drops_.size() - drops_from_, resume);
    // Where unit `resume` is in the last line: at least its window's first kept unit lies before.
    const int32_t from = last_.at + resume - last_.start - last_.front - skipped;
    const int32_t moved = last_.at + last_.length - from;
    drops_from_ += static_cast<size_t>(skipped);
    at = from - 1;
    if (at + LineBufferCharacters(width_) > BufferRoom()) {
      // The buffers' end: the shared units go back to the start, after the fresh one.
      std::memmove(text_.data() + 1, text_.data() + from, static_cast<size_t>(moved) * sizeof(char16_t));
      std::memmove(flags_.data() + 1, flags_.data() + from, static_cast<size_t>(moved) * sizeof(uint16_t));
      std::memmove(narrow_.data() + 1, narrow_.data() + from, static_cast<size_t>(moved));
      last_wide_ = last_wide_ >= from ? last_wide_ - at : -1;
      last_high_ = last_high_ >= from ? last_high_ - at : -1;
      last_tag_ = last_tag_ >= from ? last_tag_ - at : -1;
      at = 0;
    }
    if (drops_from_ > 256 && drops_from_ * 2 > general_drops_.size()) {
      general_drops_.erase(general_drops_.begin(), general_drops_.begin() + static_cast<std::ptrdiff_t>(drops_from_));
      drops_from_ = 0;
    }
    // The place at `at` is written afresh; the places before it are no line's any more.
    if (last_wide_ <= at) last_wide_ = -1;
    if (last_high_ <= at) last_high_ = -1;
    if (last_tag_ <= at) last_tag_ = -1;
    front = first;
    k.dst = text_.data() + at;
    k.dst_flags = flags_.data() + at;
    CompactUntil(k, resume, room);  // the place-holders (counted in `front`) and one unit
    shared_from = k.d;
    k.i = last_.end;
    k.d += moved;
    shared_to = k.d;
    k.in_blank_run = last_.ends_in_blank_run;
  } else {
    general_drops_.clear();
    drops_from_ = 0;
    last_wide_ = last_high_ = last_tag_ = -1;
    k.dst = text_.data();
    k.dst_flags = flags_.data();
  }
  k.drops = &general_drops_;
  CompactUntil(k, ws + n, room);
  const char16_t tail[kLineBufferExtra] = {u' ', u' ', 0};
  const uint16_t tail_flags[kLineBufferExtra] = {kScanFlagBlank, kScanFlagBlank, 0};
  std::copy_n(tail, kLineBufferExtra, k.dst + k.d);
  std::copy_n(tail_flags, kLineBufferExtra, k.dst_flags + k.d);
  line_at_ = at;
  length_ = k.d;
  // Only the units not taken from the last line are narrowed and looked at for tags.
  NarrowPiece(0, shared_from);
  NarrowPiece(shared_to, k.d);
  narrow_made_ = true;
  for (const auto& [a, b] : {std::pair{0, shared_from}, std::pair{shared_to, k.d}})
    for (int32_t i = NextTagCharacter(flags_.data() + at, a, b); i < b; i = NextTagCharacter(flags_.data() + at, i + 1, b))
      last_tag_ = std::max(last_tag_, at + i);
  tags_known_ = true;
  // Each window unit gives one unit of the line unless dropped.
  const int32_t* drops = general_drops_.data() + drops_from_;
  const size_t drop_count = general_drops_.size() - drops_from_;
  auto line_position = [&](int32_t u) { return u - std::min(u, front) - CountBelow(drops, drop_count, ws + u); };
  midpoint_ = line_position(hit_in_window);
  hit_length_ = line_position(std::min(hit_in_window + hit_length, n)) - midpoint_;
  if (mark >= 0) marked_ = line_position(mark);
  last_ = TLastGeneralCut{true, ws, ws + n, k.d, at, front, k.in_blank_run};
}

bool TLineCutter::MayTakeLastByteCut(const char16_t* src, const uint16_t* src_flags, int32_t n, int32_t ws,
                                     int32_t resume) const {
  const TLastByteCut& last = last_byte_;
  const int32_t end = last.start + last.count;
  if (last.start > ws || resume >= end || end > ws + n) return false;
  return !last.blanks_plain || !AnyBlankRulesDiffer(src, src_flags, resume - ws, end - ws);
}

int32_t TLineCutter::TakeLastByteCut(const uint16_t* src_flags, int32_t ws, int32_t resume, int32_t at) {
  const TLastByteCut& last = last_byte_;
  const int32_t off = resume - last.start;  // in the last window
  const size_t dropped = static_cast<size_t>(CountBelow(drops_.data(), drops_.size(), off));
  const int32_t from = off - static_cast<int32_t>(dropped);
  const int32_t moved = last.length - from;
  const uint8_t* bytes = bytes_.data() + last.at + from;
  std::copy_n(bytes, moved, text_.begin() + at);
  std::copy_n(bytes, moved, narrow_.begin() + at);
  // The kept units' flags: the chunk's, less the dropped units'.
  general_drops_.clear();
  drops_from_ = 0;
  int32_t d = at, u = resume;
  for (size_t j = dropped; j <= drops_.size(); ++j) {
    const int32_t stop = last.start + (j < drops_.size() ? drops_[j] : last.count);
    std::copy(src_flags + (u - ws), src_flags + (stop - ws), flags_.begin() + d);
    d += stop - u;
    u = stop + 1;
    if (j < drops_.size()) general_drops_.push_back(stop);
  }
  // The one-byte cut never looked for tags.
  for (int32_t i = NextTagCharacter(flags_.data(), at, d); i < d; i = NextTagCharacter(flags_.data(), i + 1, d))
    last_tag_ = std::max(last_tag_, i);
  return moved;
}

void TLineCutter::NarrowPiece(int32_t from, int32_t to) const {
  if (to <= from) return;
  const TNarrowedUnits r = NarrowLineUnits(text_.data() + line_at_ + from, static_cast<size_t>(to - from),
                                           narrow_.data() + line_at_ + from);
  if (r.last_wide >= 0) last_wide_ = std::max(last_wide_, line_at_ + from + static_cast<int32_t>(r.last_wide));
  if (r.last_high >= 0) last_high_ = std::max(last_high_, line_at_ + from + static_cast<int32_t>(r.last_high));
}

void TLineCutter::Prefetch(const TChunkView& chunk, int32_t hit_position) const {
  const int64_t ws = int64_t{hit_position} - width_ / 2;
  const int64_t we = std::min<int64_t>(ws + width_, std::min(chunk.plain_to, chunk.count));
  if (ws < chunk.plain_from || ws < 0 || we <= ws) return;
  if (chunk.plain_bytes != nullptr) {
    const uint8_t* b = chunk.plain_bytes + (ws - chunk.plain_from);
    for (int64_t j = 0; j < we - ws; j += 64) __builtin_prefetch(b + j, 0, 3);
  } else if (chunk.text != nullptr) {
    for (int64_t j = 0; j < we - ws; j += 32) __builtin_prefetch(chunk.text + ws + j, 0, 3);
  }
  const TChunkMasks& m = chunk.masks;
  if (m.word == nullptr || ws < m.first) return;
  // The walks around the hit read a few blocks each side of it (as Cut asks for them).
  const int64_t b0 = (std::max<int64_t>(ws, int64_t{hit_position} - 192) - m.first) / 64;
  const int64_t b1 = (std::min<int64_t>(we - 1, int64_t{hit_position} + 256) - m.first) / 64;
  for (const uint64_t* a : {m.word, m.markers, m.punct, m.joined, m.blanked}) {
    if (a == nullptr) continue;
    __builtin_prefetch(a + b0, 0, 3);
    if ((b0 & ~7) != (b1 & ~7)) __builtin_prefetch(a + b1, 0, 3);
  }
}

bool TLineCutter::CutOneByte(const char16_t* window, const uint16_t* window_flags, int32_t n, int32_t pad,
                             int32_t hit_in_window, int32_t hit_length, bool blanks_plain, bool window_masks_read,
                             TFollow follow) {
  return CutOneByteFrom(window, window_flags, n, pad, hit_in_window, hit_length, blanks_plain, window_masks_read,
                        follow);
}

bool TLineCutter::CutOneByte(const uint8_t* window, const uint16_t* window_flags, int32_t n, int32_t pad,
                             int32_t hit_in_window, int32_t hit_length, bool blanks_plain, bool window_masks_read,
                             TFollow follow) {
  return CutOneByteFrom(window, window_flags, n, pad, hit_in_window, hit_length, blanks_plain, window_masks_read,
                        follow);
}

template <typename U>
TLineCutter::TByteFollow TLineCutter::FollowLastByteCut(const U* window, const uint16_t* window_flags, int32_t n,
                                                        bool blanks_plain) {
  const TLastByteCut& last = last_byte_;
  if (last.from_bytes != std::is_same_v<U, uint8_t> || last.blanks_plain != blanks_plain) return {};
  const U* last_window = static_cast<const U*>(last.window);
  if (window <= last_window || window >= last_window + last.count) return {};
  const int32_t off = static_cast<int32_t>(window - last_window);
  if (window_flags != last.flags + off || last.count - off > n) return {};
  // A copy starts out of any run of blanks: the last one must have been out of one where the
  // shared units begin, which the unit before them says (a dropped unit 1 leaves the state as
  // it was, a blank may begin a run), or the first shared unit must be kept either way (a unit
  // that is no blank, after which neither copy is in a run).
  if (!EndsAnyRun(window[-1]) && !EndsAnyRun(window[0])) return {};
  const size_t dropped = static_cast<size_t>(CountBelow(drops_.data(), drops_.size(), off));
  const int32_t from = off - static_cast<int32_t>(dropped);  // the shared units' first byte
  const int32_t shared = last.length - from;
  int32_t at = last.at + from;
  if (static_cast<size_t>(at + LineBufferCharacters(width_)) > bytes_.size()) {
    // The room's end: the shared bytes go back to its start.
    std::memmove(bytes_.data(), bytes_.data() + at, static_cast<size_t>(shared));
    at = 0;
  }
  line_bytes_ = bytes_.data() + at;
  size_t kept = 0;
  for (size_t j = dropped; j < drops_.size(); ++j) drops_[kept++] = drops_[j] - off;
  drops_.resize(kept);
  return TByteFollow{last.count - off, shared, last.ends_in_blank_run, kept};
}

template <typename U>
TLineCutter::TByteFollow TLineCutter::FollowLastGeneralCut(const U* window, const uint16_t* window_flags, int32_t n,
                                                           bool blanks_plain) {
  const TLastGeneralCut& last = last_;
  const int32_t ws = window_start_;
  // The window's first unit is copied afresh (the last copy may have dropped it in a run of
  // blanks); from the next one on both copies go alike, up to the last window's end.
  if (ws < last.start + last.front || ws + 1 >= last.end || last.end > ws + n) return {};
  const char16_t first = window[0];
  if (first == 1 || first >= 0x80) return {};
  const int32_t skipped =
      CountBelow(general_drops_.data() + drops_from_, general_drops_.size() - drops_from_, ws + 1);
  const int32_t from = last.at + ws + 1 - last.start - last.front - skipped;  // buffer place of unit ws + 1
  const int32_t shared = last.at + last.length - from;
  if (last_wide_ >= from || last_high_ >= from) return {};
  if (blanks_plain && AnyBlankRulesDiffer(window, window_flags, 1, last.end - ws)) return {};
  line_bytes_ = bytes_.data();
  line_bytes_[0] = first > 32 ? static_cast<uint8_t>(first) : first == 25 ? '<' : first == 24 ? '>' : ' ';
  std::memcpy(line_bytes_ + 1, narrow_.data() + from, static_cast<size_t>(shared));
  drops_.clear();
  for (size_t j = drops_from_ + static_cast<size_t>(skipped); j < general_drops_.size(); ++j)
    drops_.push_back(general_drops_[j] - ws);
  // The general copy's drops are judged afresh by the one-byte rules.
  return TByteFollow{last.end - ws, shared + 1, last.ends_in_blank_run, 0};
}

template <typename U>
bool TLineCutter::CutOneByteFrom(const U* window, const uint16_t* window_flags, int32_t n, int32_t pad,
                                 int32_t hit_in_window, int32_t hit_length, bool blanks_plain,
                                 bool window_masks_read, TFollow follow_from) {
  TByteFollow follow{};
  if (pad == 0 && follow_from == TFollow::kOneByte) follow = FollowLastByteCut(window, window_flags, n, blanks_plain);
  if (pad == 0 && follow_from == TFollow::kGeneral)
    follow = FollowLastGeneralCut(window, window_flags, n, blanks_plain);
  if (follow.units == 0) {
    drops_.clear();
    line_bytes_ = bytes_.data();
  }
#if defined(__SSE2__)
  // The chunk's flags were written long before its hits are met, so those the word walks read
  // first, around the hit, are asked for now, to arrive while the text is copied (unless the
  // walks read the first pass's masks: the flags there may not even be made).
  if (!window_masks_read)
    for (int32_t j = std::max(0, hit_in_window - 64); j < std::min(n, hit_in_window + 128); j += 32)
      _mm_prefetch(reinterpret_cast<const char*>(window_flags + j), _MM_HINT_T0);
  // The window itself is seldom in the cache either, and the copy below finds where each step
  // starts only from the step before: asked for whole now, its lines arrive side by side
  // rather than one after another.
  for (int32_t j = follow.units; j < n; j += static_cast<int32_t>(64 / sizeof(U)))
    _mm_prefetch(reinterpret_cast<const char*>(window + j), _MM_HINT_T0);
#endif
  uint8_t* const out = line_bytes_;
  std::fill_n(out, pad, ' ');
  TByteCompactCursor<U> k{window, blanks_plain ? nullptr : window_flags, out + pad, &drops_};
  k.i = follow.units;
  k.d = follow.bytes;
  k.in_blank_run = follow.in_blank_run;
  CompactBytes(k, n);
  if (k.high >= 0x80) return false;
  // The drops taken over from the last cut passed these checks there.
  for (size_t j = follow.drops; j < drops_.size(); ++j) {
    if (blanks_plain) {  // a blank of its class is passed over by the walks, and so is the one kept
      if (window[drops_[j]] == 1) return false;
      continue;
    }
    // A dropped unit must be a blank of no account to the walks, and so must the kept blank
    // before a run of them (a walk over the line meets that one where a walk over the window
    // meets the run): else the flags are made for the line after all.
    const int32_t s = drops_[j];
    if (window[s] == 1 || !PassedOverByWalks(window_flags[s])) return false;
    if ((j == 0 || drops_[j - 1] != s - 1) && s > 0) {
      const uint16_t kept = window_flags[s - 1];
      if (ScanIsWordChar(kept) || ScanIsTag(kept)) return false;
    }
  }
  const int32_t d = k.d;
  out[pad + d] = ' ';
  out[pad + d + 1] = ' ';
  out[pad + d + 2] = 0;
  one_byte_ = true;
  wide_made_ = flags_made_ = false;
  window_flags_ = window_flags;
  window_count_ = n;
  pad_ = pad;
  window_hit_ = hit_in_window;
  window_hit_length_ = hit_length;
  length_ = pad + d;
  midpoint_ = LinePositionOf(hit_in_window);
  hit_length_ = LinePositionOf(std::min(hit_in_window + hit_length, n)) - midpoint_;
  last_byte_ = TLastByteCut{pad == 0,     window_start_,  window,
                            std::is_same_v<U, uint8_t>, window_flags, n,
                            blanks_plain, k.in_blank_run, static_cast<int32_t>(out - bytes_.data()), d};
  return true;
}

int32_t TLineCutter::LinePositionOf(int32_t s) const {
  return pad_ + s - CountBelow(drops_.data(), drops_.size(), s);
}

void TLineCutter::MakeWide() const {
  if (wide_made_) return;
  wide_made_ = true;
  for (int32_t i = 0; i < length_ + kLineBufferExtra; ++i) text_[static_cast<size_t>(i)] = line_bytes_[i];
}

void TLineCutter::MakeFlags() const {
  if (flags_made_) return;
  flags_made_ = true;
  if (flags_needed_ != nullptr) flags_needed_(flags_owner_, window_start_, window_start_ + window_count_);
  std::fill_n(flags_.begin(), pad_, kScanFlagBlank);
  // The window's flags, less the dropped units'.
  int32_t d = pad_, s = 0;
  for (size_t j = 0; j <= drops_.size(); ++j) {
    const int32_t end = j < drops_.size() ? drops_[j] : window_count_;
    std::copy(window_flags_ + s, window_flags_ + end, flags_.begin() + d);
    d += end - s;
    s = end + 1;
  }
  flags_[static_cast<size_t>(d)] = kScanFlagBlank;
  flags_[static_cast<size_t>(d + 1)] = kScanFlagBlank;
  flags_[static_cast<size_t>(d + 2)] = 0;
}

const char16_t* TLineCutter::Text() const {
  MakeWide();
  return text_.data() + line_at_;
}

char16_t* TLineCutter::MutableText() {
  last_.held = false;  // the next cut cannot go on from a line changed here
  narrow_made_ = false;
  MakeWide();
  return text_.data() + line_at_;
}

const uint16_t* TLineCutter::Flags() const {
  MakeFlags();
  return flags_.data() + line_at_;
}

uint16_t* TLineCutter::MutableFlags() {
  last_.held = false;
  tags_known_ = false;
  MakeFlags();
  return flags_.data() + line_at_;
}

TLineText TLineCutter::Line() const {
  if (one_byte_) return TLineText(line_bytes_, static_cast<size_t>(length_), TLineTextForm::kAscii);
  if (!narrow_made_) {
    // A line cut otherwise (or changed since) is narrowed whole.
    last_wide_ = last_high_ = -1;
    NarrowPiece(0, length_);
    narrow_made_ = true;
  }
  if (last_wide_ >= line_at_) return TLineText(UStringView(text_.data() + line_at_, static_cast<size_t>(length_)));
  return TLineText(narrow_.data() + line_at_, static_cast<size_t>(length_),
                   last_high_ >= line_at_ ? TLineTextForm::kNarrow : TLineTextForm::kAscii);
}

void TLineCutter::WordPositions(int32_t lo, int32_t hi, TLineWordPosition (&out)[kSpanPositions],
                                bool fill_all) const {
  if (!one_byte_) {
    ComputeLineWordPositions(flags_.data() + line_at_, length_, midpoint_, hit_length_, lo, hi, out, fill_all);
    return;
  }
  // The walks over the window's flags where they lie: a dropped unit is a blank they pass over
  // alike, so each word found is the line's, moved by the units dropped before it.
  if (window_masks_.word != nullptr)
    ComputeLineWordPositions(window_masks_, window_start_, window_count_, window_hit_, window_hit_length_, lo, hi, out,
                             fill_all);
  else
    ComputeLineWordPositions(window_flags_, window_count_, window_hit_, window_hit_length_, lo, hi, out, fill_all);
  // With nothing dropped and no blanks before the window, the window is the line.
  if (drops_.empty() && pad_ == 0) return;
  const int32_t first = fill_all ? 0 : std::clamp(lo, 0, kSpanSearchWord);
  const int32_t last = fill_all ? kSpanPositions - 1 : std::clamp(hi, kSpanSearchWord, kSpanPositions - 1);
  // The words come in the window's order: the dropped units before each are counted on from the
  // last word's, the first found by halving.
  size_t dropped = 0;
  int32_t counted_to = -1;
  for (int32_t k = first; k <= last; ++k) {
    TLineWordPosition& w = out[k];
    if (k == kSpanSearchWord) {
      w.start = 0;
      w.length = hit_length_;
    } else if (w.length == 0) {
      w.start = k < kSpanSearchWord ? -midpoint_ : length_ - midpoint_;  // no word: the line's edge
    } else {
      const int32_t s = window_hit_ + w.start;
      if (s < counted_to || counted_to < 0) {
        dropped = static_cast<size_t>(CountBelow(drops_.data(), drops_.size(), s));
      } else {
        while (dropped < drops_.size() && drops_[dropped] < s) ++dropped;
      }
      counted_to = s;
      w.start = pad_ + s - static_cast<int32_t>(dropped) - midpoint_;
    }
  }
}

void TLineCutter::CollectTags(std::vector<TLineTagPlace>& tags) const {
  // A one-byte line lies among characters with no tag, and so does a general cut's whose pieces
  // held none.
  if (one_byte_ || (tags_known_ && last_tag_ < line_at_)) {
    tags.clear();
    return;
  }
  CollectLineTags(text_.data() + line_at_, flags_.data() + line_at_, length_, tags);
}
