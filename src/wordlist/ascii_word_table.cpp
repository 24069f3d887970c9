#include "wordlist/ascii_word_table.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr size_t kFirstCells = 256;
constexpr size_t kHugePage = size_t{2} << 20;

}  // namespace

alignas(32) const uint8_t TAsciiWordTable::kOnes[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

TAsciiWordTable::TCell* TAsciiWordTable::NewCells(size_t size) {
  const size_t bytes = size * sizeof(TCell);
  const size_t align = bytes >= kHugePage ? kHugePage : alignof(TCell);
  void* p = std::aligned_alloc(align, bytes);
  if (!p) throw std::bad_alloc();
  if (bytes >= kHugePage) madvise(p, bytes, MADV_HUGEPAGE);  // a wish: without it, small pages
  std::memset(p, 0, bytes);
  return static_cast<TCell*>(p);
}

TAsciiWordTable::TAsciiWordTable() {
  cells_ = NewCells(kFirstCells);
  size_ = kFirstCells;
  mask_ = kFirstCells - 1;
  shift_ = 64 - 8;
}

TAsciiWordTable::~TAsciiWordTable() { std::free(cells_); }

TAsciiWordTable::TAsciiWordTable(TAsciiWordTable&& other) noexcept { *this = std::move(other); }

TAsciiWordTable& TAsciiWordTable::operator=(TAsciiWordTable&& other) noexcept {
  if (this == &other) return *this;
  std::free(cells_);
  cells_ = std::exchange(other.cells_, nullptr);
  size_ = std::exchange(other.size_, 0);
  dirty_ = std::move(other.dirty_);
  mask_ = other.mask_;
  shift_ = other.shift_;
  count_ = std::exchange(other.count_, 0);
  return *this;
}

TAsciiWordTable::TCell& TAsciiWordTable::Insert(const TForm& f, int32_t key, int32_t mark) {
  if (static_cast<size_t>(count_ + 1) * 4 > size_ * 3) Grow();
  uint64_t p = Home(f.hash);
  while (cells_[p].length != 0) p = (p + 1) & mask_;
  TCell& c = cells_[p];
  _mm_store_si128(reinterpret_cast<__m128i*>(c.form), f.bytes);
  c.key = key;
  c.pending = 0;
  c.mark = mark;
  c.length = static_cast<uint32_t>(f.length);
  ++count_;
  return c;
}

void TAsciiWordTable::Grow() {
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
    uint64_t p = Home(HashOf(_mm_load_si128(reinterpret_cast<const __m128i*>(c.form))));
    while (cells_[p].length != 0) p = (p + 1) & mask_;
    cells_[p] = c;
    if (c.pending != 0) dirty_.push_back(static_cast<uint32_t>(p));
  }
  std::free(old);
}
