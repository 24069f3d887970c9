// Where each character of a decoded chunk lies in its file. The reader fills one per chunk; the
// engine uses it for a hit's percentage, the line builder for a hit's byte position, so positions
// are true file bytes whatever the text's encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Sums saturate at the 64-bit limits: a damaged or hostile first byte gives a wrong position,
// never an overflow.

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

  // Puts `count` characters before the first, character i at bytes[i]; bytes[count] must be the
  // present first byte and the bytes ascending. mapped_chars: the characters mapped now (a fixed
  // width has no end of its own). False (nothing changed) otherwise, or when the distances do
  // not fit.
  bool PrependCharacters(const int64_t* bytes, size_t count, int64_t mapped_chars);

  // The file byte of character char_index (indices past the end continue from the last one).
  // Positions that would pass the largest 64-bit value stop at it.
  int64_t FileByteOf(int64_t char_index) const;
  // The first character whose file byte is at or after file_byte.
  int64_t CharAtOrAfterByte(int64_t file_byte) const;
  int64_t FirstByte() const { return first_byte_; }
  // Bytes a character when every one takes the same, else 0.
  int FixedWidth() const { return offsets_.empty() ? width_ : 0; }
  // The byte just after the last mapped character (first byte for a fixed width: no last).
  int64_t LastMappedByte() const { return offsets_.empty() ? first_byte_ : FileByteOf(int64_t(offsets_.size()) - 1); }

 private:
  int64_t first_byte_ = 0;
  int width_ = 2;
  std::vector<uint32_t> offsets_;  // empty: fixed width
};
