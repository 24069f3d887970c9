#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "concordance/lines/line_text.h"

// Storage for the texts of the lines a list holds: copies go into large blocks, end to end, and
// are never moved. A text given up is not reused; once no text is alive and no lease is out, the
// blocks go.
//
// The list's own thread stores with Store. A worker making lines for the list stores through a
// lease: stretches of the blocks that only it fills, so that taking the line costs no copy. A lease holds the arena's blocks while it is out
// and gives its unused stretch back when it goes. Store, a lease, Release and BytesHeld are safe
// from any thread; blocks are only taken and given back under the arena's lock.
//
// Many workers fill one arena at once, so a large arena keeps them apart: its blocks are 2 MiB,
// each aligned to 2 MiB, and from 32 MiB held a lease takes one whole. Each worker then writes a
// region of its own (no two share a table of the pages' entries), asks for the region's pages a
// few dozen at a time just ahead of its texts, and goes on with its next lease where its last one
// stopped. When an arena gives its blocks back, the regions of its large blocks are handed to the
// system as free (it takes the pages back only when it needs them) and kept, up to
// kRegionsKeptBytes, for the next arena: the next run then mostly writes pages it already has
// instead of faulting in fresh ones.
//
// The lines of a frequent word overlap: each holds the thousand characters around its hit, and
// hits lie a few hundred apart. A worker keeps such lines' bytes once, in a stretch of the arena
// that its TSharedLineBytes fills (a line's bytes follow on from the last line's where the two
// agree; lines of UTF-16 units have a TSharedLineBytes of their own, whose runs start on a
// whole unit), and each line views its bytes there, counted as a text of the arena
// (TLease::CountView). The shared bytes are no text of their own: they stay with the arena's
// blocks while any text or lease is alive, and are never written again once kept.
class TLineTextArena {
  struct TStretch {
    char* at = nullptr;
    size_t left = 0;
    std::thread::id by{};  // the thread whose lease gave it back
    bool ready = false;    // its pages were prepared for writing
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
    // A line now views bytes in this arena's shared bytes (see TSharedLineBytes): that counts as
    // a live text of the arena, released as any other.
    void CountView() { Advance(0); }
    TLineTextArena& Arena() const { return arena_; }

   private:
    friend class TSharedLineBytes;
    // Room for need bytes at the stretch's start, taking a new stretch when this one is short.
    char* Room(size_t need);
    // Gives the stretch back (its start put on a 4-byte boundary: shared bytes end anywhere).
    void GiveBackStretch();
    // The first `used` bytes of the room are a text now.
    void Advance(size_t used);

    TLineTextArena& arena_;
    TStretch stretch_;
    char* prepared_ = nullptr;  // the stretch's pages are prepared for writing up to here
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
  // Regions of large blocks that arenas gone or emptied left for the next ones (their pages are
  // the system's to take back whenever it needs them; at most kRegionsKeptBytes).
  static size_t BytesKeptForReuse();
  // Gives every kept region back to the system: the pool as a process begins.
  static void GiveKeptRegionsBack();

 private:
  // Blocks double from 64 KiB up to 1 MiB, so a small list holds little; they are whole pages
  // of the system's, taken and given back without the allocator. Beyond them blocks are 2 MiB,
  // cut from regions of address space reserved kRegionBytes at a time (pages come only when
  // written). A lease takes a sixteenth of what the arena holds at a time, within these bounds.
  static constexpr size_t kFirstBlockBytes = size_t{1} << 16;
  static constexpr size_t kLargestSmallBlockBytes = size_t{1} << 20;
  static constexpr size_t kLargeBlockBytes = size_t{1} << 21;
  static constexpr size_t kRegionBytes = size_t{1} << 25;
  static constexpr size_t kRegionsKeptBytes = size_t{1} << 28;
  static constexpr size_t kLeaseBytesLeast = size_t{1} << 14;
  static constexpr size_t kLeaseBytesMost = kLargeBlockBytes;
  static constexpr size_t kSmallestStretchKept = 256;
  static constexpr size_t kPrepareStepBytes = size_t{1} << 16;  // pages a lease prepares at a time
  static constexpr size_t kStretchesKept = 64;
  struct TMapping {
    char* at;
    size_t bytes;
  };
  // Room for one text (need bytes), counted as a live text.
  char* Take(size_t need);
  // Under the lock: `take` bytes (at least `need`) from a stretch given back (one this thread gave
  // back first), else from a new block.
  TStretch TakeStretch(size_t need, size_t take);
  // Under the lock: a new block of at least `bytes`.
  char* NewBlock(size_t bytes);
  void GiveBack(TStretch stretch);  // under the lock
  // n fewer texts or leases alive; the blocks go when none is left.
  void Drop(int64_t n);
  void GiveAllBack();  // under the lock (or from the destructor)

  mutable std::mutex mutex_;
  std::vector<TMapping> mappings_;  // what goes back to the system
  char* region_at_ = nullptr;       // the unused rest of the last region reserved
  size_t region_left_ = 0;
  std::vector<TStretch> free_;  // the unused ends of blocks
  size_t last_block_ = 0;
  size_t held_ = 0;  // bytes of the blocks taken (a region's unused rest is not counted)
  std::atomic<int64_t> alive_{0};  // texts stored and not released, and leases holding a stretch
  std::atomic<int64_t> texts_{0};
};

// The bytes that one worker's overlapping lines share, in stretches of an arena (see above).
// Lines are kept in turn: each one's bytes follow on from the last one's when its first bytes
// are those the last one ended with, else they start a new run. Whatever the caller claims, a
// line's bytes are kept exactly: a claimed overlap is checked.
class TSharedLineBytes {
 public:
  // unit: the bytes of one character (1, or 2 for UTF-16 units): every run starts on a multiple
  // of it, and the caller keeps and claims whole units.
  explicit TSharedLineBytes(TLineTextArena& arena, size_t unit = 1) : lease_(arena), unit_(unit) {}
  TSharedLineBytes(const TSharedLineBytes&) = delete;
  TSharedLineBytes& operator=(const TSharedLineBytes&) = delete;
  // Keeps the n bytes at `bytes`, whose first `overlap` bytes should be the last ones kept, and
  // answers where they lie (they stay there while the arena holds any text or lease).
  const uint8_t* Keep(const uint8_t* bytes, size_t n, size_t overlap);
  TLineTextArena& Arena() const { return lease_.Arena(); }

 private:
  // A stretch a run starts in has room for a few hundred lines' new bytes at least.
  static constexpr size_t kRunRoomBytes = size_t{1} << 16;
  TLineTextArena::TLease lease_;
  size_t unit_ = 1;
  const uint8_t* run_ = nullptr;  // where the bytes following on from each other begin
};

// Has the system make the pages of [at, at + bytes) ready for writing in one call (each page a
// cleared one of its own), where the system can; else they come with their first writes.
void PreparePagesForWriting(char* at, size_t bytes);
