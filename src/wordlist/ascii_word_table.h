// The words of one text whose counted form is ASCII, each with its counter key and its counts
// not yet handed to the counter: a repeat of such a word is counted by reading one cell, never
// the counter's entries or its arena. A cell is its form's units and 16 bytes more, a power of
// two in all: TAsciiWordTable holds forms of at most 16 units in cells of 32 bytes (two to a
// cache line), the bulk of any text's words; TAsciiLongWordTable forms of 17 to 48 units
// (compounds, addresses, rules of dashes) in cells of a cache line each, so that the common
// short words stay packed; TAsciiLongerWordTable forms of 49 to 112 units (long rules, lines of
// encoded mail) in cells of two.
//
// Protocol (one table of each size per text being counted, one thread)
//   per word     FormOf(units) packs the counted form into bytes (its hash beside); Find, or
//                Insert with the key the counter gave the form; the caller counts in the cell
//                (pending, mark) and calls NoteCounted when pending leaves 0;
//   any time     Flush hands every cell's pending count to a call-back and clears it (before a
//                count of another dispersion section, and at the text's end).
// The table doubles when it is three quarters full; a cell's place may then change, so a cell
// reference lives only until the next Insert. A large table asks for huge pages: its cells are
// read at random, and one translation of the address per 2 MiB spares most misses of it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include <emmintrin.h>

template <int32_t Units>
class TAsciiWordCells {
 public:
  static constexpr int32_t kMostUnits = Units;
  static constexpr int kVectors = Units / 16;
  static constexpr size_t kCellBytes = Units + 16;
  static_assert(Units % 16 == 0 && (kCellBytes & (kCellBytes - 1)) == 0);

  struct alignas(kCellBytes) TCell {
    uint8_t form[kMostUnits];  // the counted form, one byte a unit, zero after its end
    int32_t key;
    uint32_t pending;  // occurrences not yet in the counter
    int32_t mark;      // the caller's mark of the key (what the counter would keep with it)
    uint32_t length;   // 0: an empty cell
  };
  static_assert(sizeof(TCell) == kCellBytes);

  struct TForm {
    __m128i bytes[kVectors];
    uint64_t hash;
    int32_t length;
  };

  // The counted form of the `length` (1..kMostUnits) units at `at`, in capitals of ASCII letters
  // when `upper`; false when a unit is 0 or 0x80 and above, or (with `no_digits`) a digit.
  // kMostUnits units are read from `at` when `readable` (units from `at` that may be read) allows.
  static bool FormOf(const char16_t* at, int32_t length, int32_t readable, bool upper, bool no_digits, TForm& out) {
    char16_t units[kMostUnits];
    if (readable < kMostUnits) {
      std::memset(units, 0, sizeof units);
      std::memcpy(units, at, sizeof(char16_t) * static_cast<size_t>(length));
      at = units;
    }
    __m128i x[kVectors];
    __m128i bad = _mm_setzero_si128();
    for (int v = 0; v < kVectors; ++v) {
      if (v > 0 && 16 * v >= length) {  // past the form: zero bytes
        x[v] = _mm_setzero_si128();
        continue;
      }
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16 * v));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16 * v + 8));
      // Units of 0x100 to 0x7FFF saturate to 0xFF, so that they have their byte's top bit; units
      // from 0x8000 on (signed, below zero) saturate to 0, caught with a zero unit: forms end at
      // their first zero byte, and one inside would let the form pass for a shorter one.
      // The units of the form in this vector: 1..16 in a one-vector form, 0..16 in a longer one.
      const int32_t kept = kVectors == 1 ? length : std::clamp(length - 16 * v, 0, 16);
      const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kOnes + 16 - kept));
      x[v] = _mm_and_si128(_mm_packus_epi16(a, b), keep);
      const __m128i zero = _mm_and_si128(_mm_cmpeq_epi8(x[v], _mm_setzero_si128()), keep);
      bad = _mm_or_si128(bad, _mm_or_si128(x[v], zero));
    }
    if (_mm_movemask_epi8(bad) != 0) return false;
    if (no_digits) {
      __m128i digits = _mm_setzero_si128();
      for (int v = 0; v < kVectors; ++v)
        digits = _mm_or_si128(digits, _mm_and_si128(_mm_cmpgt_epi8(x[v], _mm_set1_epi8('0' - 1)),
                                                    _mm_cmplt_epi8(x[v], _mm_set1_epi8('9' + 1))));
      if (_mm_movemask_epi8(digits) != 0) return false;
    }
    for (int v = 0; v < kVectors; ++v) {
      if (upper) {
        const __m128i small = _mm_and_si128(_mm_cmpgt_epi8(x[v], _mm_set1_epi8('a' - 1)),
                                            _mm_cmplt_epi8(x[v], _mm_set1_epi8('z' + 1)));
        x[v] = _mm_sub_epi8(x[v], _mm_and_si128(small, _mm_set1_epi8(0x20)));
      }
      out.bytes[v] = x[v];
    }
    out.hash = HashOf(x);
    out.length = length;
    return true;
  }
  // The hash of a form's bytes (FormOf gives it with the form).
  static uint64_t HashOf(const __m128i* form) {
    uint64_t h = 0;
    for (int v = 0; v < kVectors; ++v) {
      const uint64_t lo = static_cast<uint64_t>(_mm_cvtsi128_si64(form[v]));
      const uint64_t hi = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(form[v], form[v])));
      h = (h ^ lo ^ (hi * 0xC2B2AE3D27D4EB4Full)) * (v + 1 < kVectors ? 0xFF51AFD7ED558CCDull : 1);
    }
    // The table takes the top bits: a multiply carries every bit of the form up into them.
    return h * 0x9E3779B97F4A7C15ull;
  }

  TAsciiWordCells();
  ~TAsciiWordCells();
  TAsciiWordCells(TAsciiWordCells&& other) noexcept;
  TAsciiWordCells& operator=(TAsciiWordCells&& other) noexcept;
  TAsciiWordCells(const TAsciiWordCells&) = delete;
  TAsciiWordCells& operator=(const TAsciiWordCells&) = delete;
  void Prefetch(const TForm& f) const {
    // Not __builtin_prefetch: GCC 12 drops those of a function where one sits behind a branch.
    const char* at = reinterpret_cast<const char*>(&cells_[Home(f.hash)]);
    for (size_t line = 0; line < kCellBytes; line += 64) asm volatile("prefetcht0 %0" : : "m"(at[line]));
  }
  TCell* Find(const TForm& f) {
    for (uint64_t p = Home(f.hash);; p = (p + 1) & mask_) {
      TCell& c = cells_[p];
      if (c.length == 0) return nullptr;
      if (SameForm(c, f)) return &c;
    }
  }
  // A new form (Find answered nullptr) with zero pending.
  TCell& Insert(const TForm& f, int32_t key, int32_t mark);
  // The cell's pending count left 0: it is handed over at the next Flush.
  void NoteCounted(const TCell& c) { dirty_.push_back(static_cast<uint32_t>(&c - cells_)); }
  template <class F>
  void Flush(F&& hand_over) {
    for (const uint32_t i : dirty_) {
      TCell& c = cells_[i];
      if (c.pending != 0) hand_over(c.key, c.pending);
      c.pending = 0;
    }
    dirty_.clear();
  }
  int32_t Count() const { return count_; }

 private:
  // Sixteen 0xFF bytes, then sixteen zero bytes: the 16 bytes from kOnes + 16 - n keep the first n.
  alignas(32) static const uint8_t kOnes[32];

  static bool SameForm(const TCell& c, const TForm& f) {
    __m128i same = _mm_cmpeq_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(c.form)), f.bytes[0]);
    for (int v = 1; v < kVectors; ++v)
      same = _mm_and_si128(same, _mm_cmpeq_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(c.form + 16 * v)),
                                                f.bytes[v]));
    return _mm_movemask_epi8(same) == 0xFFFF;
  }
  uint64_t Home(uint64_t hash) const { return hash >> shift_; }
  void Grow();
  // size (a power of two) empty cells, on huge pages when large; FreeCells with the same size.
  static TCell* NewCells(size_t size);
  static void FreeCells(TCell* cells, size_t size);

  TCell* cells_ = nullptr;
  size_t size_ = 0;
  std::vector<uint32_t> dirty_;  // cells whose pending count left 0 since the last Flush
  uint64_t mask_ = 0;
  int shift_ = 0;
  int32_t count_ = 0;
};

extern template class TAsciiWordCells<16>;
extern template class TAsciiWordCells<48>;
extern template class TAsciiWordCells<112>;

using TAsciiWordTable = TAsciiWordCells<16>;
using TAsciiLongWordTable = TAsciiWordCells<48>;
using TAsciiLongerWordTable = TAsciiWordCells<112>;
