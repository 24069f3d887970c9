// A stretch of a plain file mapped into memory for reading, so that its bytes are read where the
// system keeps them instead of being copied first.
//
// A file shortened while a stretch of it is mapped would end the program at the first read of a
// page it no longer has (the system's bus error). The stretch is guarded against that: such a
// page reads as zeros instead, and the stretch says it was damaged, so that its reader can give
// the text up with a message. The guard takes the bus error for every stretch mapped in the
// process (any thread); one that is not in a mapped stretch goes on to the handler that was there
// before, or ends the program as it would have.
#pragma once

#include <cstddef>
#include <cstdint>

class TMappedStretch {
 public:
  TMappedStretch() = default;
  ~TMappedStretch() { Unmap(); }
  TMappedStretch(const TMappedStretch&) = delete;
  TMappedStretch& operator=(const TMappedStretch&) = delete;

  // Maps bytes [from, from + n) of the file open for reading as fd (read-only), the pages at
  // once. False (nothing mapped) when they cannot be mapped or guarded, or the file is shorter.
  // The stretch lies where the file's byte from falls on the same place within a 2 MiB span as
  // in the file, so that pages the system keeps in 2 MiB pieces are mapped a piece at a time.
  bool Map(int fd, int64_t from, int64_t n);
  void Unmap();
  bool Mapped() const { return bytes_ != nullptr; }
  // The stretch's first byte (byte `from` of the file).
  const uint8_t* Bytes() const { return bytes_; }
  int64_t Size() const { return size_; }
  int64_t From() const { return from_; }
  // Whether file bytes [from, from + n) lie in the stretch, and where byte `from` is.
  bool Holds(int64_t from, int64_t n) const { return bytes_ && from >= from_ && n >= 0 && from + n <= from_ + size_; }
  const uint8_t* At(int64_t from) const { return bytes_ + (from - from_); }
  // Whether a page of the stretch was missing when it was read (the file was shortened or
  // replaced since it was mapped): those pages read as zeros.
  bool Damaged() const;

 private:
  void* base_ = nullptr;      // the mapping (from the page holding `from`)
  size_t base_size_ = 0;
  const uint8_t* bytes_ = nullptr;
  int64_t from_ = 0;
  int64_t size_ = 0;
  int slot_ = -1;             // where the guard keeps the mapping
};
