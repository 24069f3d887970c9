// The words of one text whose counted form is at most 16 ASCII units, each with its counter key
// and its counts not yet handed to the counter: a repeat of such a word is counted by reading
// one cell of 32 bytes (two to a cache line), never the counter's entries or its arena.
//
// Protocol (one table per text being counted, one thread)
//   per word     FormOf(units) packs the counted form into bytes (its hash beside); Find, or
//                Insert with the key the counter gave the form; the caller counts in the cell
//                (pending, mark) and calls NoteCounted when pending leaves 0;
//   any time     Flush hands every cell's pending count to a call-back and clears it (before a
//                count of another dispersion section, and at the text's end).
// The table doubles when it is three quarters full; a cell's place may then change, so a cell
// reference lives only until the next Insert. A large table asks for huge pages: its cells are
// read at random, and one translation of the address per 2 MiB spares most misses of it.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include <emmintrin.h>

class TAsciiWordTable {
 public:
  static constexpr int32_t kMostUnits = 16;

  struct alignas(32) TCell {
    uint8_t form[kMostUnits];  // the counted form, one byte a unit, zero after its end
    int32_t key;
    uint32_t pending;  // occurrences not yet in the counter
    int32_t mark;      // the caller's mark of the key (what the counter would keep with it)
    uint32_t length;   // 0: an empty cell
  };
  static_assert(sizeof(TCell) == 32);

  struct TForm {
    __m128i bytes;
    uint64_t hash;
    int32_t length;
  };

  // The counted form of the `length` (1..16) units at `at`, in capitals of ASCII letters when
  // `upper`; false when a unit is 0 or 0x80 and above, or (with `no_digits`) a digit. Sixteen units
  // are read from `at` when `readable` (units from `at` that may be read) allows.
  static bool FormOf(const char16_t* at, int32_t length, int32_t readable, bool upper, bool no_digits, TForm& out) {
    __m128i a, b;
    if (readable >= kMostUnits) {
      a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
      b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 8));
    } else {
      char16_t units[kMostUnits] = {};
      std::memcpy(units, at, sizeof(char16_t) * static_cast<size_t>(length));
      a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
      b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + 8));
    }
    // Units of 0x100 to 0x7FFF saturate to 0xFF, so that they have their byte's top bit; units
    // from 0x8000 on (signed, below zero) saturate to 0, caught with a zero unit: forms end at
    // their first zero byte, and one inside would let the form pass for a shorter one.
    const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kOnes + kMostUnits - length));
    __m128i x = _mm_and_si128(_mm_packus_epi16(a, b), keep);
    const __m128i zero = _mm_and_si128(_mm_cmpeq_epi8(x, _mm_setzero_si128()), keep);
    if (_mm_movemask_epi8(_mm_or_si128(x, zero)) != 0) return false;
    if (no_digits) {
      const __m128i digit =
          _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8('0' - 1)), _mm_cmplt_epi8(x, _mm_set1_epi8('9' + 1)));
      if (_mm_movemask_epi8(digit) != 0) return false;
    }
    if (upper) {
      const __m128i small =
          _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8('a' - 1)), _mm_cmplt_epi8(x, _mm_set1_epi8('z' + 1)));
      x = _mm_sub_epi8(x, _mm_and_si128(small, _mm_set1_epi8(0x20)));
    }
    out.bytes = x;
    out.hash = HashOf(x);
    out.length = length;
    return true;
  }
  // The hash of a form's bytes (FormOf gives it with the form).
  static uint64_t HashOf(__m128i form) {
    const uint64_t lo = static_cast<uint64_t>(_mm_cvtsi128_si64(form));
    const uint64_t hi = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(form, form)));
    // The table takes the top bits: a multiply carries every bit of the form up into them.
    return (lo ^ (hi * 0xC2B2AE3D27D4EB4Full)) * 0x9E3779B97F4A7C15ull;
  }

  TAsciiWordTable();
  ~TAsciiWordTable();
  TAsciiWordTable(TAsciiWordTable&& other) noexcept;
  TAsciiWordTable& operator=(TAsciiWordTable&& other) noexcept;
  TAsciiWordTable(const TAsciiWordTable&) = delete;
  TAsciiWordTable& operator=(const TAsciiWordTable&) = delete;
  void Prefetch(const TForm& f) const {
    // Not __builtin_prefetch: GCC 12 drops those of a function where one sits behind a branch.
    asm volatile("prefetcht0 %0" : : "m"(*reinterpret_cast<const char*>(&cells_[Home(f.hash)])));
  }
  TCell* Find(const TForm& f) {
    for (uint64_t p = Home(f.hash);; p = (p + 1) & mask_) {
      TCell& c = cells_[p];
      if (c.length == 0) return nullptr;
      const __m128i form = _mm_load_si128(reinterpret_cast<const __m128i*>(c.form));
      if (_mm_movemask_epi8(_mm_cmpeq_epi8(form, f.bytes)) == 0xFFFF) return &c;
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
