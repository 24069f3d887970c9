// How the process keeps the memory it frees. A run frees and takes again buffers of megabytes per
// chunk, and a document's lists free millions of small blocks when they are made again; by the C
// library's defaults each such buffer comes fresh from the system (its pages faulted and cleared
// again), and the heap's free top goes back to the system and is faulted in again by the next run.
// Made once at start-up (StartProgramUnits); the benchmarks that run without the program's units
// make it themselves.
#pragma once

#include <cstddef>

// Buffers up to kMappedAllocationBytes come from the heap, and up to kKeptFreeBytes of the heap's
// free top stay in the process; the heap grows kHeapGrowthBytes at a time. Safe to call again.
void KeepFreedMemoryInProcess();

inline constexpr size_t kMappedAllocationBytes = size_t{32} << 20;
inline constexpr size_t kKeptFreeBytes = size_t{256} << 20;
inline constexpr size_t kHeapGrowthBytes = size_t{16} << 20;
