// How the process keeps the memory it frees. A run frees and takes again buffers of megabytes per
// chunk and per text; by the C library's defaults each buffer above 128 KiB comes fresh from the
// system (its pages faulted in and cleared again, then handed back), and a heap's free top goes
// back to the system as soon as it passes 128 KiB. Kept in the process, the buffers cost about
// 30 bytes a line more of resident memory on a large run.
// Made once at start-up (StartProgramUnits); the benchmarks that run without the program's units
// make it themselves.
#pragma once

#include <cstddef>

// Buffers up to kMappedAllocationBytes come from the heap, and up to kKeptFreeBytes of a heap's
// free top stay in the process (more would count against a document's memory). Safe to call again.
void KeepFreedMemoryInProcess();

inline constexpr size_t kMappedAllocationBytes = size_t{32} << 20;
inline constexpr size_t kKeptFreeBytes = size_t{16} << 20;

// Nothing here asks the system for large pages (2 MiB) for the heap: the reader's chunk buffers
// and what the steps after them take stay in small pages. On a desktop that hands large pages out
// when asked, each one is cleared whole on its first touch (and may be compacted for first); over
// a one-core run that costs more system time than the fewer address-cache misses save in user time.
