#include "concordance/lines/line_text_arena.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace {
// The arena's blocks come straight from the system and go straight back: a worker's thread takes
// them, the list's thread gives them up, and memory a document gave up serves the next run's
// workers at once.
char* MapBytes(size_t bytes) {
  void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  return static_cast<char*>(p);
}

// bytes of address space starting at a multiple of `align` (a power of two).
char* MapAlignedBytes(size_t bytes, size_t align) {
  char* p = MapBytes(bytes + align);
  const uintptr_t at = reinterpret_cast<uintptr_t>(p);
  char* aligned = reinterpret_cast<char*>((at + align - 1) & ~(uintptr_t{align} - 1));
  const size_t before = static_cast<size_t>(aligned - p);
  if (before) ::munmap(p, before);
  if (align - before) ::munmap(aligned + bytes, align - before);
  return aligned;
}

// Regions arenas gave back, for the next arenas (see kRegionsKeptBytes).
struct TKeptRegions {
  std::mutex mutex;
  std::vector<std::pair<char*, size_t>> regions;
  size_t bytes = 0;
};
TKeptRegions& KeptRegions() {
  static auto* kept = new TKeptRegions;  // never destroyed: arenas may go after static objects
  return *kept;
}

}  // namespace

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

TLineTextArena::~TLineTextArena() { GiveAllBack(); }

size_t TLineTextArena::BytesKeptForReuse() {
  TKeptRegions& kept = KeptRegions();
  std::lock_guard lock(kept.mutex);
  return kept.bytes;
}

void TLineTextArena::GiveKeptRegionsBack() {
  TKeptRegions& kept = KeptRegions();
  std::lock_guard lock(kept.mutex);
  for (const auto& [at, bytes] : kept.regions) ::munmap(at, bytes);
  kept.regions.clear();
  kept.bytes = 0;
}

void TLineTextArena::GiveAllBack() {
  TKeptRegions& kept = KeptRegions();
  for (const TMapping& m : mappings_) {
    if (m.bytes == kRegionBytes) {
#ifdef MADV_FREE
      // Pages the system has not taken back by the next run are written again without a fault.
      ::madvise(m.at, m.bytes, MADV_FREE);
      std::lock_guard lock(kept.mutex);
      if (kept.bytes + m.bytes <= kRegionsKeptBytes) {
        kept.regions.emplace_back(m.at, m.bytes);
        kept.bytes += m.bytes;
        continue;
      }
#endif
    }
    ::munmap(m.at, m.bytes);
  }
  mappings_.clear();
  region_at_ = nullptr;
  region_left_ = 0;
  free_.clear();
  last_block_ = held_ = 0;
}

char* TLineTextArena::NewBlock(size_t bytes) {
  // Small blocks are mapped one by one; large ones (whole multiples of kLargeBlockBytes) are cut
  // from a region, so each starts on a large page.
  if (bytes < kLargeBlockBytes) {
    char* block = MapBytes(bytes);
    mappings_.push_back(TMapping{block, bytes});
    return block;
  }
  if (region_left_ < bytes) {
    // The rest of the last region is address space alone: no page of it was written.
    const size_t reserve = std::max(kRegionBytes, bytes);
    region_at_ = nullptr;
    if (reserve == kRegionBytes) {
      TKeptRegions& kept = KeptRegions();
      std::lock_guard lock(kept.mutex);
      if (!kept.regions.empty()) {
        region_at_ = kept.regions.back().first;
        kept.regions.pop_back();
        kept.bytes -= kRegionBytes;
      }
    }
    if (!region_at_) region_at_ = MapAlignedBytes(reserve, kLargeBlockBytes);
    region_left_ = reserve;
    mappings_.push_back(TMapping{region_at_, reserve});
  }
  char* block = region_at_;
  region_at_ += bytes;
  region_left_ -= bytes;
  return block;
}

TLineTextArena::TStretch TLineTextArena::TakeStretch(size_t need, size_t take) {
  // A thread goes on in the stretch it gave back last, so that workers keep to regions of their
  // own; a stretch another thread left is taken only when the thread has none.
  const std::thread::id me = std::this_thread::get_id();
  size_t found = free_.size();
  for (size_t i = free_.size(); i-- > 0;) {
    if (free_[i].left < need) continue;
    if (free_[i].by == me) {
      found = i;
      break;
    }
    if (found == free_.size()) found = i;
  }
  if (found < free_.size()) {
    TStretch s = free_[found];
    const size_t n = std::min(s.left, std::max(need, take));
    if (s.left - n >= kSmallestStretchKept) {
      free_[found] = TStretch{s.at + n, s.left - n, s.by, s.ready};
    } else {
      free_[found] = free_.back();
      free_.pop_back();
    }
    return TStretch{s.at, n, me, s.ready};
  }
  const size_t next = last_block_ == 0 ? kFirstBlockBytes
                      : last_block_ >= kLargestSmallBlockBytes ? kLargeBlockBytes
                                                               : 2 * last_block_;
  size_t size = std::max(need, next);
  if (size >= kLargeBlockBytes) size = (size + kLargeBlockBytes - 1) & ~(kLargeBlockBytes - 1);
  char* block = NewBlock(size);
  last_block_ = size;
  held_ += size;
  const size_t n = std::min(size, std::max(need, take));
  if (size - n >= kSmallestStretchKept) free_.push_back(TStretch{block + n, size - n, me, false});
  return TStretch{block, n, me, false};
}

void TLineTextArena::GiveBack(TStretch stretch) {
  // A lease's unused end lies right before the rest of its block, unless another lease took that
  // meanwhile: joined again, the next texts follow on without a gap.
  for (TStretch& f : free_) {
    if (f.at == stretch.at + stretch.left) {
      f = TStretch{stretch.at, stretch.left + f.left, stretch.by, stretch.ready && f.ready};
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
  GiveAllBack();
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
    GiveBackStretch();
  }
  arena_.Drop(1);
}

void TLineTextArena::TLease::GiveBackStretch() {
  const size_t skip = static_cast<size_t>(-reinterpret_cast<uintptr_t>(stretch_.at) & 3);
  stretch_.at += std::min(skip, stretch_.left);
  stretch_.left -= std::min(skip, stretch_.left);
  stretch_.ready = prepared_ >= stretch_.at + stretch_.left;
  arena_.GiveBack(stretch_);
}

char* TLineTextArena::TLease::Room(size_t need) {
  // The pages this thread prepared last, end to end (where an arena gave them up since, writing
  // them again only costs their faults).
  struct TPrepared {
    char* from = nullptr;
    char* to = nullptr;
  };
  thread_local TPrepared last;
  if (stretch_.left < need) {
    {
      std::lock_guard lock(arena_.mutex_);
      if (holding_) {
        GiveBackStretch();
      } else {
        arena_.alive_.fetch_add(1, std::memory_order_relaxed);
        holding_ = true;
      }
      // Small stretches while the arena is small (workers then share its first blocks), larger
      // ones as it grows (fewer ends left over).
      stretch_ = arena_.TakeStretch(need, std::clamp(arena_.held_ / 16, kLeaseBytesLeast, kLeaseBytesMost));
    }
    // A stretch a lease gave back whole was prepared by that lease. One that this thread gave
    // back part-way (each text of a worker has its lease) goes on where the thread's pages were
    // prepared: asked again, the system walks pages it has already given, under the process's
    // memory-map lock, and small texts asked it for every text on every worker.
    prepared_ = stretch_.ready ? stretch_.at + stretch_.left : stretch_.at;
    if (prepared_ >= last.from && prepared_ < last.to) prepared_ = std::min(last.to, stretch_.at + stretch_.left);
  }
  // The pages are prepared a step ahead of the texts, not a whole stretch at once: the system
  // clears each page as it prepares it, and a step's pages are then still in the cache when
  // the texts are written into them (a whole stretch's had left it, and each text's bytes were
  // fetched back from memory before they could be written).
  if (stretch_.at + need > prepared_) {
    const size_t left = static_cast<size_t>(stretch_.at + stretch_.left - prepared_);
    const size_t n = std::min(left, std::max(static_cast<size_t>(stretch_.at + need - prepared_), kPrepareStepBytes));
    PreparePagesForWriting(prepared_, n);
    if (prepared_ != last.to) last.from = prepared_;
    prepared_ += n;
    last.to = prepared_;
  }
  return stretch_.at;
}

void TLineTextArena::TLease::Advance(size_t used) {
  stretch_.at += used;
  stretch_.left -= used;
  arena_.alive_.fetch_add(1, std::memory_order_relaxed);
  arena_.texts_.fetch_add(1, std::memory_order_relaxed);
}

char* TLineTextArena::TLease::Store(UStringView text) {
  if (text.empty()) return nullptr;
  // Room for the units; a text that allows one byte a character takes only what that needs.
  char* block = Room(LineTextBlockBytes(TLineTextForm::kWide, text.size()));
  Advance(LineTextBlockBytes(FillLineTextBlockShortest(block, text), text.size()));
  return block;
}

char* TLineTextArena::TLease::Store(TLineText text) {
  if (!text.OneByte()) return Store(UStringView(text.Units(), text.size()));
  if (text.empty()) return nullptr;
  const size_t need = LineTextBlockBytes(text.Form(), text.size());
  char* block = Room(need);
  FillLineTextBlock(block, text);
  Advance(need);
  return block;
}

const uint8_t* TSharedLineBytes::Keep(const uint8_t* bytes, size_t n, size_t overlap) {
  auto& room = lease_.stretch_;
  const auto* end = reinterpret_cast<const uint8_t*>(room.at);
  const bool follows = run_ != nullptr && overlap <= n && overlap <= static_cast<size_t>(end - run_) &&
                       room.left >= n - overlap && std::memcmp(end - overlap, bytes, overlap) == 0;
  // A run that cannot go on starts again with the whole line, in a stretch with room for many
  // more when this one is short; one that goes on stays in its stretch, which has room.
  if (!follows) overlap = 0;
  const size_t need = n - overlap;
  // A new run starts on a whole unit (the room may start anywhere: so may the stretch given).
  const size_t skip = follows ? 0 : static_cast<size_t>(-reinterpret_cast<uintptr_t>(room.at) & (unit_ - 1));
  // (A new stretch is asked for in whole words: what is left of it stays 4-byte aligned.)
  char* at = lease_.Room(room.left >= need + skip ? need + skip
                                                  : std::max((need + unit_ - 1 + 3) & ~size_t{3}, kRunRoomBytes));
  if (!follows) {
    const size_t pad = static_cast<size_t>(-reinterpret_cast<uintptr_t>(at) & (unit_ - 1));
    at += pad;
    room.at += pad;
    room.left -= pad;
    run_ = reinterpret_cast<const uint8_t*>(at);
  }
  if (need) std::memcpy(at, bytes + overlap, need);
  room.at += need;
  room.left -= need;
  return reinterpret_cast<const uint8_t*>(at) - overlap;
}
