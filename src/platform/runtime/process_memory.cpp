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

// The program's break: the end of its heap.
uintptr_t ProgramBreak() {
  const uintptr_t end = reinterpret_cast<uintptr_t>(::sbrk(0));
  return end == uintptr_t(-1) ? 0 : end;
}

// Asks for large pages over the program's heap from `from` (its start) to where it ends now. The
// heap gives memory back at its top and grows again, each time into a mapping of its own that was
// never asked: the whole heap is asked again each time (a call for what is asked already changes
// nothing).
void AdviseProgramHeap(uintptr_t from) {
  const uintptr_t first = (from + kLargePage - 1) & ~(kLargePage - 1), to = ProgramBreak() & ~(kLargePage - 1);
  if (to > first) ::madvise(reinterpret_cast<void*>(first), to - first, MADV_HUGEPAGE);
}
#endif

}  // namespace

void AdviseLargePagesForHeapOf(const void* buffer, size_t bytes) {
#ifdef MADV_HUGEPAGE
  // Small buffers are left alone: their pages are few, and a heap of large pages would hold
  // more memory than their texts need (a run over many short texts).
  if (bytes < kLargePageBufferBytes) return;
  // What this thread looked at already: a buffer inside a mapping it judged needs no second look
  // at the maps. The program's heap reaches up to the break, wherever that lies now.
  thread_local uintptr_t known_from = 0, known_to = 0;
  thread_local bool program_heap = false;
  const uintptr_t at = reinterpret_cast<uintptr_t>(buffer);
  if (at == 0) return;
  if (program_heap && at >= known_from && at < ProgramBreak()) {
    AdviseProgramHeap(known_from);
    return;
  }
  if (!program_heap && at >= known_from && at < known_to) return;
  TMappingAround m;
  if (!FindMapping(at, m)) return;
  known_from = m.from;
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
    AdviseProgramHeap(known_from);
    return;
  }
  // A heap of a thread's arena is memory of no file with room reserved after it, the two together
  // a power of two in size and aligned to it (a thread's stack followed by the guard of the next
  // one is neither): asked whole, the room it grows into with it. Anything else is left as it is,
  // and not looked at again.
  const uintptr_t whole = m.reserved_to - m.from;
  const bool arena = m.anonymous && m.reserved_to > m.to && whole >= 2 * kLargePage &&
                     (whole & (whole - 1)) == 0 && (m.from & (whole - 1)) == 0;
  known_to = arena ? m.reserved_to : m.to;
  if (!arena) return;
  const uintptr_t from = (m.from + kLargePage - 1) & ~(kLargePage - 1), to = m.reserved_to & ~(kLargePage - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)buffer;
  (void)bytes;
#endif
}
