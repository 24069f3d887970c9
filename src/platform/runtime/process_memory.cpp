#include "platform/runtime/process_memory.h"

#include <malloc.h>

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
