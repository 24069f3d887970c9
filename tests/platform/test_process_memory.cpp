// Large pages asked for the heaps that hold a reader's buffers: a thread's arena and the program's
// heap are asked whole, a thread's stack never.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/runtime/process_memory.h"

namespace {

// The flags /proc/self/smaps gives the mapping that holds `at` ("" where none does).
std::string MappingFlags(const void* at) {
  const auto a = reinterpret_cast<uintptr_t>(at);
  FILE* smaps = std::fopen("/proc/self/smaps", "re");
  if (smaps == nullptr) return "";
  char line[512];
  bool in = false;
  std::string flags;
  while (std::fgets(line, sizeof line, smaps) != nullptr) {
    unsigned long long from = 0, to = 0;
    char dash = 0;
    if (std::sscanf(line, "%llx%c%llx ", &from, &dash, &to) == 3 && dash == '-') {
      if (in) break;
      in = a >= from && a < to;
      continue;
    }
    if (in && std::strncmp(line, "VmFlags:", 8) == 0) flags = line + 8;
  }
  std::fclose(smaps);
  return flags;
}

bool LargePagesAsked(const void* at) { return MappingFlags(at).find(" hg") != std::string::npos; }

// How many mappings of the process have large pages asked for.
int MappingsAsked() {
  FILE* smaps = std::fopen("/proc/self/smaps", "re");
  if (smaps == nullptr) return -1;
  char line[512];
  int n = 0;
  while (std::fgets(line, sizeof line, smaps) != nullptr)
    if (std::strncmp(line, "VmFlags:", 8) == 0 && std::strstr(line, " hg") != nullptr) ++n;
  std::fclose(smaps);
  return n;
}

// Whether the system takes the wish for large pages, and shows it among a mapping's flags: asked
// of a scratch mapping of its own.
bool SystemShowsLargePagesAsked() {
  const size_t bytes = size_t{4} << 20;
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return false;
  const bool shown = madvise(p, bytes, MADV_HUGEPAGE) == 0 && LargePagesAsked(p);
  munmap(p, bytes);
  return shown;
}

}  // namespace

TEST(LargePages, HeapsOfThreadsAndOfTheProgramAreAskedWholeAndStacksNever) {
  if (!SystemShowsLargePagesAsked()) GTEST_SKIP() << "the system has no large pages to ask for";
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer's allocator keeps no arenas of threads nor a heap below the break to ask for.
  GTEST_SKIP() << "the address sanitizer's allocator has no such heaps";
#endif
  KeepFreedMemoryInProcess();

  // A thread's own arena: a small buffer asks for nothing; a buffer of megabytes, then one taken
  // after the advice, lie in pages asked for; the thread's stack is not touched.
  bool small_buffer = true, arena_buffer = false, later_buffer = false, stack = true;
  std::thread([&] {
    // (The thread may take an arena an earlier thread of the process had: the small buffer's
    // call must change nothing, whatever the arena holds already.)
    std::vector<char> small(kLargePageBufferBytes / 2);
    const int before_small = MappingsAsked();
    const std::string flags_before = MappingFlags(small.data());
    AdviseLargePagesForHeapOf(small.data(), small.capacity());
    small_buffer = MappingFlags(small.data()) != flags_before || MappingsAsked() != before_small;
    std::vector<char> first;
    first.reserve(size_t{6} << 20);
    AdviseLargePagesForHeapOf(first.data(), first.capacity());
    arena_buffer = LargePagesAsked(first.data() + (size_t{4} << 20));
    std::vector<char> second;
    second.reserve(size_t{3} << 20);
    AdviseLargePagesForHeapOf(second.data(), second.capacity());
    later_buffer = LargePagesAsked(second.data() + (size_t{2} << 20));
    char on_stack[256] = {};
    const int before = MappingsAsked();
    AdviseLargePagesForHeapOf(on_stack, size_t{4} << 20);
    stack = LargePagesAsked(on_stack) || MappingsAsked() != before;
  }).join();
  EXPECT_FALSE(small_buffer);
  EXPECT_TRUE(arena_buffer);
  EXPECT_TRUE(later_buffer);
  EXPECT_FALSE(stack);

  // The program's heap, as far as it reaches once a buffer grew it; and again after it gave its
  // top back and grew anew (a mapping of its own, never asked before).
  {
    std::vector<char> grown;
    grown.reserve(size_t{24} << 20);
    AdviseLargePagesForHeapOf(grown.data(), grown.capacity());
    if (MappingFlags(grown.data()).empty()) GTEST_SKIP() << "no mapping found";
    EXPECT_TRUE(LargePagesAsked(grown.data() + (size_t{20} << 20)));
  }
  std::vector<char> regrown;
  regrown.reserve(size_t{28} << 20);
  AdviseLargePagesForHeapOf(regrown.data(), regrown.capacity());
  EXPECT_TRUE(LargePagesAsked(regrown.data() + (size_t{24} << 20)));

  // Nothing else: a buffer mapped on its own.
  std::vector<char> big;
  big.reserve(kMappedAllocationBytes + (size_t{4} << 20));
  const int before = MappingsAsked();
  AdviseLargePagesForHeapOf(big.data(), big.capacity());
  EXPECT_FALSE(LargePagesAsked(big.data() + (size_t{8} << 20)));
  EXPECT_EQ(MappingsAsked(), before);
}
