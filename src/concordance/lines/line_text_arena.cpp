#include "concordance/lines/line_text_arena.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <new>

namespace {
// The arena's blocks come straight from the system and go straight back: a worker's thread takes
// them, the list's thread gives them up, and memory a document gave up serves the next run's
// workers at once.
char* TakeBlock(size_t bytes) {
  void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  return static_cast<char*>(p);
}
void GiveBlock(char* block, size_t bytes) { ::munmap(block, bytes); }

// A stretch a worker is about to fill gets its pages in one call: a fault for every page, on
// every worker at once, costs each of them a trap and a turn at the process's memory map. A
// kernel without the call leaves the pages to their faults.
void PreparePagesForWriting(char* at, size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  if (bytes == 0) return;
  static const uintptr_t page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
  const uintptr_t from = reinterpret_cast<uintptr_t>(at) & ~(page - 1);
  const uintptr_t to = (reinterpret_cast<uintptr_t>(at) + bytes + page - 1) & ~(page - 1);
  ::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#else
  (void)at;
  (void)bytes;
#endif
}
}  // namespace

TLineTextArena::~TLineTextArena() {
  for (size_t i = 0; i < blocks_.size(); ++i) GiveBlock(blocks_[i], block_sizes_[i]);
}

TLineTextArena::TStretch TLineTextArena::TakeStretch(size_t need, size_t take) {
  for (size_t i = free_.size(); i-- > 0;) {
    if (free_[i].left < need) continue;
    TStretch s = free_[i];
    const size_t n = std::min(s.left, std::max(need, take));
    if (s.left - n >= kSmallestStretchKept) {
      free_[i] = TStretch{s.at + n, s.left - n};
    } else {
      free_[i] = free_.back();
      free_.pop_back();
    }
    return TStretch{s.at, n};
  }
  const size_t next = blocks_.empty() ? kFirstBlockBytes
                                      : std::min(kLargestBlockBytes, 2 * last_block_);
  const size_t size = std::max(need, next);
  char* block = TakeBlock(size);
  blocks_.push_back(block);
  block_sizes_.push_back(size);
  last_block_ = size;
  held_ += size;
  const size_t n = std::min(size, std::max(need, take));
  if (size - n >= kSmallestStretchKept) free_.push_back(TStretch{block + n, size - n});
  return TStretch{block, n};
}

void TLineTextArena::GiveBack(TStretch stretch) {
  // A lease's unused end lies right before the rest of its block, unless another lease took that
  // meanwhile: joined again, the next texts follow on without a gap.
  for (TStretch& f : free_) {
    if (f.at == stretch.at + stretch.left) {
      f = TStretch{stretch.at, stretch.left + f.left};
      return;
    }
  }
  if (stretch.left < kSmallestStretchKept) return;
  free_.push_back(stretch);
  // Ends too small for the texts that come are passed over by every search: only so many are kept.
  if (free_.size() > kStretchesKept) {
    auto smallest = std::min_element(free_.begin(), free_.end(),
                                     [](const TStretch& a, const TStretch& b) { return a.left < b.left; });
    *smallest = free_.back();
    free_.pop_back();
  }
}

void TLineTextArena::Drop(int64_t n) {
  if (alive_.fetch_sub(n, std::memory_order_acq_rel) != n) return;
  std::lock_guard lock(mutex_);
  // A lease may have taken a stretch since: then the count is above 0 again.
  if (alive_.load(std::memory_order_acquire) != 0) return;
  for (size_t i = 0; i < blocks_.size(); ++i) GiveBlock(blocks_[i], block_sizes_[i]);
  blocks_.clear();
  block_sizes_.clear();
  free_.clear();
  last_block_ = held_ = 0;
}

char* TLineTextArena::Take(size_t need) {
  char* block = nullptr;
  {
    std::lock_guard lock(mutex_);
    block = TakeStretch(need, need).at;
    alive_.fetch_add(1, std::memory_order_relaxed);
  }
  texts_.fetch_add(1, std::memory_order_relaxed);
  return block;
}

char* TLineTextArena::Store(UStringView text) {
  if (text.empty()) return nullptr;
  const TLineTextForm form = LineTextFormOf(text);
  char* block = Take(LineTextBlockBytes(form, text.size()));
  FillLineTextBlock(block, text, form);
  return block;
}

char* TLineTextArena::Store(TLineText text) {
  // Units from elsewhere may allow the short form; a stored text is in its form already.
  if (!text.OneByte()) return Store(UStringView(text.Units(), text.size()));
  if (text.empty()) return nullptr;
  char* block = Take(LineTextBlockBytes(text.Form(), text.size()));
  FillLineTextBlock(block, text);
  return block;
}

void TLineTextArena::Release() {
  int64_t n = texts_.load(std::memory_order_relaxed);
  do {
    if (n <= 0) return;
  } while (!texts_.compare_exchange_weak(n, n - 1, std::memory_order_relaxed));
  Drop(1);
}

size_t TLineTextArena::BytesHeld() const {
  std::lock_guard lock(mutex_);
  return held_;
}

TLineTextArena::TLease::~TLease() {
  if (!holding_) return;
  {
    std::lock_guard lock(arena_.mutex_);
    arena_.GiveBack(stretch_);
  }
  arena_.Drop(1);
}

char* TLineTextArena::TLease::Take(size_t need) {
  if (stretch_.left < need) {
    {
      std::lock_guard lock(arena_.mutex_);
      if (holding_) {
        arena_.GiveBack(stretch_);
      } else {
        arena_.alive_.fetch_add(1, std::memory_order_relaxed);
        holding_ = true;
      }
      // Small stretches while the arena is small (workers then share its first blocks), larger
      // ones as it grows (fewer ends left over).
      stretch_ = arena_.TakeStretch(need, std::clamp(arena_.held_ / 16, kLeaseBytesLeast, kLeaseBytesMost));
    }
    PreparePagesForWriting(stretch_.at, stretch_.left);
  }
  char* block = stretch_.at;
  stretch_.at += need;
  stretch_.left -= need;
  arena_.alive_.fetch_add(1, std::memory_order_relaxed);
  arena_.texts_.fetch_add(1, std::memory_order_relaxed);
  return block;
}

char* TLineTextArena::TLease::Store(UStringView text) {
  if (text.empty()) return nullptr;
  const TLineTextForm form = LineTextFormOf(text);
  char* block = Take(LineTextBlockBytes(form, text.size()));
  FillLineTextBlock(block, text, form);
  return block;
}

char* TLineTextArena::TLease::Store(TLineText text) {
  if (!text.OneByte()) return Store(UStringView(text.Units(), text.size()));
  if (text.empty()) return nullptr;
  char* block = Take(LineTextBlockBytes(text.Form(), text.size()));
  FillLineTextBlock(block, text);
  return block;
}
