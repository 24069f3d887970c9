// Where each character of a decoded chunk lies in its file. The reader fills one per chunk; the
// engine uses it for a hit's percentage, the line builder for a hit's byte position, so positions
// are true file bytes whatever the text's encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// Where the characters of a decoded chunk lie when most take one byte each (UTF-8 prose): kept
// only at the characters where that stops, so that a chunk of 2 MiB with a few accents holds a
// few entries instead of an offset a character. Run k starts at character units[k], at offset
// bytes[k]; its characters lie one byte apart, up to the next run's first character; the last
// run goes on past the end. units[0] is 0; units ascend, bytes never descend (a 4-byte sequence
// gives its second UTF-16 unit a run of its own, at the sequence's byte).
struct TByteRuns {
  std::vector<uint32_t> units;
  std::vector<uint32_t> bytes;

  // The runs of UTF-8 bytes decoded to UTF-16, offsets from base: a 4-byte sequence gives two
  // units at the same byte; a byte that does not start a well-formed sequence gives one unit.
  // Answers the number of units.
  size_t FromUtf8(const uint8_t* b, size_t n, uint32_t base);
  // The offset of character i (i >= 0).
  int64_t OffsetOf(int64_t i) const;
  // The first character whose offset is at or after rel.
  int64_t CharAtOrAfter(int64_t rel) const;
  // Writes the offsets of characters [0, count] to out.
  void Expand(size_t count, uint32_t* out) const;
  // Drops the runs of characters after `count`.
  void Truncate(size_t count);
  bool empty() const { return units.empty(); }
  void clear() {
    units.clear();
    bytes.clear();
  }

 private:
  // The run the last OffsetOf found: a chunk's hits are asked for in order, each a few runs on
  // from the one before. Checked before it is used, whatever the vectors hold since. A reader's
  // runs are asked only on its own thread (its worker's).
  mutable size_t last_run_ = 0;
};

// Sums saturate at the 64-bit limits: a damaged or hostile first byte gives a wrong position,
// never an overflow.

class TChunkByteMap {
 public:
  // Every character takes `width` bytes (UTF-16: 2, 8-bit code pages: 1) from first_byte on.
  void SetFixedWidth(int64_t first_byte, int width);
  // Character i starts at first_byte + offsets[i]; offsets holds one entry per character and one
  // more for the end of the chunk, in ascending order.
  void SetOffsets(int64_t first_byte, std::vector<uint32_t> offsets);
  // The same, taking offsets' entries by exchange: offsets gets the map's former vector back,
  // its entries left as they were (or the one a fixed width set aside, when the map had none),
  // so that a reader fills the same two vectors chunk after chunk; sized to about the same
  // length again, it is then not cleared entry by entry before the decoder writes every entry.
  // Whoever fills it next sets its size.
  void TakeOffsets(int64_t first_byte, std::vector<uint32_t>& offsets);
  // Offsets of UTF-8 bytes decoded to UTF-16: a 4-byte sequence gives two units at the same byte;
  // a byte that does not start a well-formed sequence gives one unit.
  void SetFromUtf8(int64_t first_byte, const uint8_t* bytes, size_t n);
  // Character i starts at first_byte + the runs' offset of i, taking the runs by exchange as
  // TakeOffsets takes offsets (runs gets the map's former runs back).
  void TakeRuns(int64_t first_byte, TByteRuns& runs);

  // Puts `count` characters before the first, character i at bytes[i]; bytes[count] must be the
  // present first character's byte and the bytes ascending. False (nothing changed) otherwise.
  // The characters mapped so far keep their entries (nothing is moved).
  bool PrependCharacters(const int64_t* bytes, size_t count);

  // Drops the characters of the stretches [first, end) (in ascending order, not overlapping,
  // none among the characters put before) from a map of `count` characters; those kept keep
  // their bytes, and so does the end.
  void RemoveCharacters(const std::vector<std::pair<int32_t, int32_t>>& stretches, int64_t count);

  // The file byte of character char_index (indices past the end continue from the last one).
  // Positions that would pass the largest 64-bit value stop at it.
  int64_t FileByteOf(int64_t char_index) const {
    // The common cases inline: an index within the characters put before, or within the map
    // after them, without overflow.
    int64_t r = 0;
    const int64_t before = static_cast<int64_t>(prefix_.size());
    if (char_index >= before) {
      const int64_t i = char_index - before;
      if (!runs_.empty()) {
        if (!__builtin_add_overflow(first_byte_, runs_.OffsetOf(i), &r)) return r;
      } else if (offsets_.empty()) {
        if (!__builtin_mul_overflow(i, int64_t(width_), &r) && !__builtin_add_overflow(first_byte_, r, &r)) return r;
      } else if (i < static_cast<int64_t>(offsets_.size())) {
        if (!__builtin_add_overflow(first_byte_, int64_t(offsets_[static_cast<size_t>(i)]), &r)) return r;
      }
    } else if (char_index >= 0) {
      return prefix_[static_cast<size_t>(char_index)];
    }
    return FileByteOfAnyIndex(char_index);
  }
  // The first character whose file byte is at or after file_byte.
  int64_t CharAtOrAfterByte(int64_t file_byte) const;
  int64_t FirstByte() const { return FileByteOf(0); }
  // Bytes a character when every one takes the same, else 0.
  int FixedWidth() const { return offsets_.empty() && runs_.empty() && prefix_.empty() ? width_ : 0; }

 private:
  int64_t FileByteOfAnyIndex(int64_t char_index) const;
  int64_t MainCharAtOrAfterByte(int64_t file_byte) const;

  int64_t first_byte_ = 0;
  int width_ = 2;
  std::vector<uint32_t> offsets_;  // empty: fixed width, or runs_
  TByteRuns runs_;                 // empty: offsets_ or fixed width
  std::vector<uint32_t> set_aside_;  // the offsets a fixed width replaced, for TakeOffsets to hand back
  std::vector<int64_t> prefix_;    // bytes of the characters put before the first
};
