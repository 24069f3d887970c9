#include "wordlist/ascii_word_table.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

// A text's first cells: 8 KiB of short ones, 16 of each longer size (few texts hold many long
// forms, and a run of many small texts makes and clears a table of each size for every text).
template <int32_t Units>
constexpr int kFirstCellsLog = Units == 16 ? 8 : 4;
constexpr size_t kHugePage = size_t{2} << 20;  // the system's huge page

}  // namespace

template <int32_t Units>
alignas(32) const uint8_t TAsciiWordCells<Units>::kOnes[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                                0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

template <int32_t Units>
typename TAsciiWordCells<Units>::TCell* TAsciiWordCells<Units>::NewCells(size_t size) {
  const size_t bytes = size * sizeof(TCell);
  if (bytes < kHugePage) {
    void* p = std::aligned_alloc(alignof(TCell), bytes);
    if (!p) throw std::bad_alloc();
    std::memset(p, 0, bytes);
    return static_cast<TCell*>(p);
  }
  // Pages of their own, zero as they come; one more huge page of room to start on a boundary.
  void* p = mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  const uintptr_t at = reinterpret_cast<uintptr_t>(p);
  const uintptr_t aligned = (at + kHugePage - 1) & ~(kHugePage - 1);
  if (aligned > at) munmap(p, aligned - at);
  const size_t after = kHugePage - (aligned - at);
  if (after > 0) munmap(reinterpret_cast<void*>(aligned + bytes), after);
  madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);  // a wish: without it, small pages
  return reinterpret_cast<TCell*>(aligned);
}

template <int32_t Units>
void TAsciiWordCells<Units>::FreeCells(TCell* cells, size_t size) {
  if (!cells) return;
  const size_t bytes = size * sizeof(TCell);
  if (bytes < kHugePage)
    std::free(cells);
  else
    munmap(cells, bytes);
}

template <int32_t Units>
TAsciiWordCells<Units>::TAsciiWordCells() {
  size_ = size_t{1} << kFirstCellsLog<Units>;
  cells_ = NewCells(size_);
  mask_ = size_ - 1;
  shift_ = 64 - kFirstCellsLog<Units>;
}

template <int32_t Units>
TAsciiWordCells<Units>::~TAsciiWordCells() { FreeCells(cells_, size_); }

template <int32_t Units>
TAsciiWordCells<Units>::TAsciiWordCells(TAsciiWordCells&& other) noexcept { *this = std::move(other); }

template <int32_t Units>
TAsciiWordCells<Units>& TAsciiWordCells<Units>::operator=(TAsciiWordCells&& other) noexcept {
  if (this == &other) return *this;
  FreeCells(cells_, size_);
  cells_ = std::exchange(other.cells_, nullptr);
  size_ = std::exchange(other.size_, 0);
  dirty_ = std::move(other.dirty_);
  mask_ = other.mask_;
  shift_ = other.shift_;
  count_ = std::exchange(other.count_, 0);
  return *this;
}

template <int32_t Units>
typename TAsciiWordCells<Units>::TCell& TAsciiWordCells<Units>::Insert(const TForm& f, int32_t key, int32_t mark) {
  if (static_cast<size_t>(count_ + 1) * 4 > size_ * 3) Grow();
  uint64_t p = Home(f.hash);
  while (cells_[p].length != 0) p = (p + 1) & mask_;
  TCell& c = cells_[p];
  for (int v = 0; v < kVectors; ++v) _mm_store_si128(reinterpret_cast<__m128i*>(c.form + 16 * v), f.bytes[v]);
  c.key = key;
  c.pending = 0;
  c.mark = mark;
  c.length = static_cast<uint32_t>(f.length);
  ++count_;
  return c;
}

template <int32_t Units>
void TAsciiWordCells<Units>::Grow() {
  TCell* old = cells_;
  const size_t old_size = size_;
  cells_ = NewCells(old_size * 2);
  size_ = old_size * 2;
  mask_ = size_ - 1;
  --shift_;
  dirty_.clear();
  for (size_t i = 0; i < old_size; ++i) {
    const TCell& c = old[i];
    if (c.length == 0) continue;
    __m128i form[kVectors];
    for (int v = 0; v < kVectors; ++v) form[v] = _mm_load_si128(reinterpret_cast<const __m128i*>(c.form + 16 * v));
    uint64_t p = Home(HashOf(form));
    while (cells_[p].length != 0) p = (p + 1) & mask_;
    cells_[p] = c;
    if (c.pending != 0) dirty_.push_back(static_cast<uint32_t>(p));
  }
  FreeCells(old, old_size);
}

template class TAsciiWordCells<16>;
template class TAsciiWordCells<48>;
template class TAsciiWordCells<112>;
