// Where each character of a decoded chunk lies in its file. The reader fills one per chunk; the
// engine uses it for a hit's percentage, the line builder for a hit's byte position, so positions
// are true file bytes whatever the text's encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TChunkByteMap {
 public:
  // Every character takes `width` bytes (UTF-16: 2, 8-bit code pages: 1) from first_byte on.
  void SetFixedWidth(int64_t first_byte, int width);
  // Character i starts at first_byte + offsets[i]; offsets holds one entry per character and one
  // more for the end of the chunk, in ascending order.
  void SetOffsets(int64_t first_byte, std::vector<uint32_t> offsets);
  // Offsets of UTF-8 bytes decoded to UTF-16: a 4-byte sequence gives two units at the same byte;
  // a byte that does not start a well-formed sequence gives one unit.
  void SetFromUtf8(int64_t first_byte, const uint8_t* bytes, size_t n);

  // The file byte of character char_index (indices past the end continue from the last one).
  int64_t FileByteOf(int64_t char_index) const;
  // The first character whose file byte is at or after file_byte.
  int64_t CharAtOrAfterByte(int64_t file_byte) const;
  int64_t FirstByte() const { return first_byte_; }

 private:
  int64_t first_byte_ = 0;
  int width_ = 2;
  std::vector<uint32_t> offsets_;  // empty: fixed width
};
