#include "wordlist/ascii_word_table.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

// A text's first table: 256 slots of short forms (room for 192 cells), 16 of each longer size
// (few texts hold many long forms, and a run of many small texts makes and clears a table of
// each size for every text).
template <int32_t Units>
constexpr int kFirstCellsLog = Units == 16 ? 8 : 4;
constexpr size_t kHugePage = size_t{2} << 20;

// `bytes` of zero bytes, aligned to 128 (a cell of the longest forms); when large, on pages of
// their own, huge ones if the system grants them. FreeBlock with the same size.
void* NewBlock(size_t bytes) {
  if (bytes < kHugePage) {
    void* p = std::aligned_alloc(128, (bytes + 127) & ~size_t{127});
    if (!p) throw std::bad_alloc();
    std::memset(p, 0, bytes);
    return p;
  }
  // Zero as they come; one more huge page of room to start on a boundary.
  void* p = mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  const uintptr_t at = reinterpret_cast<uintptr_t>(p);
  const uintptr_t aligned = (at + kHugePage - 1) & ~(kHugePage - 1);
  if (aligned > at) munmap(p, aligned - at);
  const size_t after = kHugePage - (aligned - at);
  if (after > 0) munmap(reinterpret_cast<void*>(aligned + bytes), after);
  madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);  // a wish: without it, small pages
  return reinterpret_cast<void*>(aligned);
}

void FreeBlock(void* p, size_t bytes) {
  if (!p) return;
  if (bytes < kHugePage)
    std::free(p);
  else
    munmap(p, bytes);
}

}  // namespace

template <int32_t Units>
alignas(32) const uint8_t TAsciiWordCells<Units>::kOnes[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                                0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

template <int32_t Units>
TAsciiWordCells<Units>::TAsciiWordCells() {
  size_ = size_t{1} << kFirstCellsLog<Units>;
  slots_ = static_cast<TSlot*>(NewBlock(size_ * sizeof(TSlot)));
  cells_ = static_cast<TCell*>(NewBlock(size_ / 4 * 3 * sizeof(TCell)));
  mask_ = size_ - 1;
  shift_ = 64 - kFirstCellsLog<Units>;
}

template <int32_t Units>
void TAsciiWordCells<Units>::Free() {
  FreeBlock(slots_, size_ * sizeof(TSlot));
  FreeBlock(cells_, size_ / 4 * 3 * sizeof(TCell));
  slots_ = nullptr;
  cells_ = nullptr;
}

template <int32_t Units>
TAsciiWordCells<Units>::~TAsciiWordCells() { Free(); }

template <int32_t Units>
TAsciiWordCells<Units>::TAsciiWordCells(TAsciiWordCells&& other) noexcept { *this = std::move(other); }

template <int32_t Units>
TAsciiWordCells<Units>& TAsciiWordCells<Units>::operator=(TAsciiWordCells&& other) noexcept {
  if (this == &other) return *this;
  Free();
  slots_ = std::exchange(other.slots_, nullptr);
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
  while (slots_[p].cell != 0) p = (p + 1) & mask_;
  TCell& c = cells_[count_];
  for (int v = 0; v < kVectors; ++v) _mm_store_si128(reinterpret_cast<__m128i*>(c.form + 16 * v), f.bytes[v]);
  c.key = key;
  c.pending = 0;
  c.mark = mark;
  c.length = static_cast<uint32_t>(f.length);
  slots_[p] = TSlot{Tag(f.hash), static_cast<uint32_t>(++count_)};
  return c;
}

template <int32_t Units>
void TAsciiWordCells<Units>::Grow() {
  // Each slot's new place follows from its tag while the slots number at most 2^32.
  if (shift_ <= 32) throw std::bad_alloc();
  TSlot* const old_slots = slots_;
  TCell* const old_cells = cells_;
  const size_t old_size = size_;
  slots_ = static_cast<TSlot*>(NewBlock(old_size * 2 * sizeof(TSlot)));
  cells_ = static_cast<TCell*>(NewBlock(old_size / 2 * 3 * sizeof(TCell)));
  size_ = old_size * 2;
  mask_ = size_ - 1;
  --shift_;
  for (size_t i = 0; i < old_size; ++i) {
    const TSlot s = old_slots[i];
    if (s.cell == 0) continue;
    uint64_t p = s.tag >> (shift_ - 32);
    while (slots_[p].cell != 0) p = (p + 1) & mask_;
    slots_[p] = s;
  }
  // The cells keep their numbers, and so the list of those with counts pending.
  std::memcpy(static_cast<void*>(cells_), old_cells, static_cast<size_t>(count_) * sizeof(TCell));
  FreeBlock(old_slots, old_size * sizeof(TSlot));
  FreeBlock(old_cells, old_size / 4 * 3 * sizeof(TCell));
}

template class TAsciiWordCells<16>;
template class TAsciiWordCells<48>;
template class TAsciiWordCells<112>;
