#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "concordance/lines/line_text.h"

// Storage for the texts of the lines a list holds: copies go into large blocks, end to end, and
// are never moved. A text given up is not reused; once no text is alive and no lease is out, the
// blocks go.
//
// The list's own thread stores with Store. A worker making lines for the list stores through a
// lease: stretches of the blocks that only it fills, so a text is written once, where the list
// keeps it, and taking the line costs no copy. A lease holds the arena's blocks while it is out
// and gives its unused stretch back when it goes. Store, a lease, Release and BytesHeld are safe
// from any thread; blocks are only taken and given back under the arena's lock.
class TLineTextArena {
  struct TStretch {
    char* at = nullptr;
    size_t left = 0;
  };

 public:
  class TLease {
   public:
    explicit TLease(TLineTextArena& arena) : arena_(arena) {}
    TLease(const TLease&) = delete;
    TLease& operator=(const TLease&) = delete;
    ~TLease();
    // A copy of text as a text block in this lease's stretch (4-byte aligned, in the shortest
    // form the text allows); nullptr for an empty text. It counts as a live text of the arena.
    char* Store(UStringView text);
    // The same for a text in any form (a one-byte text is copied as it is).
    char* Store(TLineText text);
    TLineTextArena& Arena() const { return arena_; }

   private:
    char* Take(size_t need);

    TLineTextArena& arena_;
    TStretch stretch_;
    bool holding_ = false;  // the lease counts as alive while it holds a stretch
  };

  TLineTextArena() = default;
  TLineTextArena(const TLineTextArena&) = delete;
  TLineTextArena& operator=(const TLineTextArena&) = delete;
  ~TLineTextArena();
  // A copy of text as a text block (4-byte aligned, in the shortest form the text allows; a
  // stored text keeps its form); nullptr for an empty text.
  char* Store(UStringView text);
  char* Store(TLineText text);
  // One text stored here is no longer used.
  void Release();
  int64_t LiveTexts() const { return texts_.load(std::memory_order_relaxed); }
  // The blocks' bytes (taken from the system, not the allocator's heap).
  size_t BytesHeld() const;

 private:
  // Blocks double from 64 KiB up to 1 MiB, so a small list holds little; they are whole pages
  // of the system's, taken and given back without the allocator. A lease takes a sixteenth of
  // what the arena holds at a time, within these bounds.
  static constexpr size_t kFirstBlockBytes = size_t{1} << 16;
  static constexpr size_t kLargestBlockBytes = size_t{1} << 20;
  static constexpr size_t kLeaseBytesLeast = size_t{1} << 14;
  static constexpr size_t kLeaseBytesMost = size_t{1} << 18;
  static constexpr size_t kSmallestStretchKept = 256;
  static constexpr size_t kStretchesKept = 64;
  // Room for one text (need bytes), counted as a live text.
  char* Take(size_t need);
  // Under the lock: `take` bytes (at least `need`) from a stretch given back, else from a new block.
  TStretch TakeStretch(size_t need, size_t take);
  void GiveBack(TStretch stretch);  // under the lock
  // n fewer texts or leases alive; the blocks go when none is left.
  void Drop(int64_t n);

  mutable std::mutex mutex_;
  std::vector<char*> blocks_;
  std::vector<size_t> block_sizes_;  // bytes of each block
  std::vector<TStretch> free_;  // the unused ends of blocks
  size_t last_block_ = 0;
  size_t held_ = 0;
  std::atomic<int64_t> alive_{0};  // texts stored and not released, and leases holding a stretch
  std::atomic<int64_t> texts_{0};
};
