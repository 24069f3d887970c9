#include "platform/runtime/process_memory.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <mutex>

void KeepFreedMemoryInProcess() {
  static std::once_flag made;
  std::call_once(made, [] {
    // 32 MiB is the most the library allows here; a fixed value also stops it from moving the
    // bound by itself after each large buffer is freed.
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(kMappedAllocationBytes));
    mallopt(M_TRIM_THRESHOLD, static_cast<int>(kKeptFreeBytes));
  });
}

namespace {

#ifdef MADV_HUGEPAGE
constexpr uintptr_t kLargePage = kLargePageBytes;

// The mapping of the process that holds `at`, and the end of the mappings right after it that
// only reserve room (no access): a thread's arena grows into those.
struct TMappingAround {
  uintptr_t from = 0, to = 0, reserved_to = 0;
  bool program_heap = false;  // the heap the program's break moves, which grows past its end
  bool anonymous = false;     // no file and no name
};

bool FindMapping(uintptr_t at, TMappingAround& found) {
  FILE* maps = std::fopen("/proc/self/maps", "re");
  if (maps == nullptr) return false;
  char line[512];
  bool in = false;
  while (std::fgets(line, sizeof line, maps) != nullptr) {
    unsigned long long from = 0, to = 0, inode = 0;
    char perms[8] = {};
    int name_at = 0;
    if (std::sscanf(line, "%llx-%llx %7s %*x %*s %llu %n", &from, &to, perms, &inode, &name_at) != 4) continue;
    if (!in) {
      if (at < from || at >= to) continue;
      in = true;
      found.from = static_cast<uintptr_t>(from);
      found.to = found.reserved_to = static_cast<uintptr_t>(to);
      found.program_heap = std::strncmp(line + name_at, "[heap]", 6) == 0;
      found.anonymous = inode == 0 && (line[name_at] == '\0' || line[name_at] == '\n');
      continue;
    }
    if (from != found.reserved_to || std::strncmp(perms, "---p", 4) != 0) break;
    found.reserved_to = static_cast<uintptr_t>(to);
  }
  std::fclose(maps);
  return in;
}

// Asks for large pages over what the program's heap has grown by since `advised_to` (its end
// when last asked); answers its end now.
uintptr_t AdviseProgramHeapGrowth(uintptr_t advised_to) {
  const uintptr_t end = reinterpret_cast<uintptr_t>(::sbrk(0));
  if (end == uintptr_t(-1) || end <= advised_to) return advised_to;
  const uintptr_t from = advised_to & ~(kLargePage - 1), to = end & ~(kLargePage - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
  return end;
}
#endif

}  // namespace

void AdviseLargePagesForHeapOf(const void* buffer, size_t bytes) {
#ifdef MADV_HUGEPAGE
  // Small buffers are left alone: their pages are few, and a heap of large pages would hold
  // more memory than their texts need (a run over many short texts).
  if (bytes < kLargePageBufferBytes) return;
  // What this thread asked for already: a buffer inside it needs no second look at the maps, but
  // the program's heap may have grown since (its end is the program's break).
  thread_local uintptr_t advised_from = 0, advised_to = 0;
  thread_local bool program_heap = false;
  const uintptr_t at = reinterpret_cast<uintptr_t>(buffer);
  if (at == 0) return;
  if (at >= advised_from && at < advised_to) {
    if (program_heap) advised_to = AdviseProgramHeapGrowth(advised_to);
    return;
  }
  TMappingAround m;
  if (!FindMapping(at, m)) return;
  // A heap of a thread's arena is memory of no file with room reserved after it, the two together
  // a power of two in size and aligned to it (a thread's stack followed by the guard of the next
  // one is neither); anything else is left as it is, and not looked at again.
  const uintptr_t whole = m.reserved_to - m.from;
  const bool arena = m.anonymous && m.reserved_to > m.to && whole >= 2 * kLargePage &&
                     (whole & (whole - 1)) == 0 && (m.from & (whole - 1)) == 0;
  if (!m.program_heap && !arena) {
    advised_from = m.from;
    advised_to = m.to;
    program_heap = false;
    return;
  }
  // Only the large pages wholly inside the mapping: its neighbours are none of the heap's.
  const uintptr_t end = m.program_heap ? m.to : m.reserved_to;
  const uintptr_t from = (m.from + kLargePage - 1) & ~(kLargePage - 1), to = end & ~(kLargePage - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
  advised_from = m.from;
  advised_to = end;
  program_heap = m.program_heap;
  if (program_heap) {
    // From now on the program's heap grows by as much again as it keeps free at its top, and it
    // grows so once now, before anything is written there: what the next chunks take from it
    // lies in room asked for large pages while still untouched.
    static std::once_flag grown;
    std::call_once(grown, [] {
      mallopt(M_TOP_PAD, static_cast<int>(kKeptFreeBytes));
      void* room = std::malloc(kKeptFreeBytes / 4);
      std::free(room);
    });
    advised_to = AdviseProgramHeapGrowth(advised_to);
  }
#else
  (void)buffer;
  (void)bytes;
#endif
}
