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

// Asks the system for large pages (2 MiB) under the heap that holds `buffer`, `bytes` just taken
// from the heap and not yet written, where they are a chunk's worth (kLargePageBufferBytes or
// more): a reader's chunk buffers then fault in a few large pages instead of thousands of small
// ones, and their walks miss the address cache less. A thread's arena is asked for whole, the
// room it grows into with it (once a thread); the program's heap as far as it reaches, after it
// has grown ahead once (and again whenever it has grown past that). Only a wish: where the
// system grants no large pages, nothing changes. Smaller buffers change nothing: a run over many
// short texts keeps the small pages that hold no more than the texts need.
void AdviseLargePagesForHeapOf(const void* buffer, size_t bytes);
inline constexpr size_t kLargePageBytes = size_t{2} << 20;  // the system's large page
inline constexpr size_t kLargePageBufferBytes = kLargePageBytes;
