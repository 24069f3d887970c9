// Binary streams: the base every list, entry and document writes to and reads from.
//
// Sizes and positions are 64-bit. Reads move at most the bytes asked for and say how many moved;
// ReadExact/WriteExact answer true only when every byte moved, which is what every stream
// operation of the program checks. File formats are little-endian; the record helpers below
// write the in-memory image of trivially copyable records, so records that go to disk must be
// laid out byte-exact (static_assert their sizes beside them).
#pragma once

#include <bit>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/rtl/ustring.h"

static_assert(std::endian::native == std::endian::little,
              "stored formats are little-endian and written as memory images");

enum class TSeekOrigin { Begin, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;
  // Bytes actually moved (0 at the end or on error).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // The new position, or -1 when the seek is impossible.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size() = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::Current); }
  bool SetPosition(int64_t pos) { return pos >= 0 && Seek(pos, TSeekOrigin::Begin) == pos; }
  int64_t BytesLeft();

  bool ReadExact(void* buffer, int64_t count) { return count >= 0 && Read(buffer, count) == count; }
  bool WriteExact(const void* buffer, int64_t count) { return count >= 0 && Write(buffer, count) == count; }
  // Copies count bytes (all when count < 0) from source at its position; true when all moved.
  bool CopyFrom(TStream& source, int64_t count = -1);
};

// A growable block of memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> data) : data_(std::move(data)) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }

  void Clear() { data_.clear(); pos_ = 0; }
  bool SetSize(int64_t n);
  uint8_t* Memory() { return data_.data(); }
  const std::vector<uint8_t>& Data() const { return data_; }
  std::vector<uint8_t>& Data() { return data_; }

  bool LoadFromFile(const UString& path);
  bool SaveToFile(const UString& path);  // safe save: the old file survives a failure

 private:
  std::vector<uint8_t> data_;
  int64_t pos_ = 0;
};

enum class TFileMode { OpenRead, Create, OpenReadWrite };

// A buffered file. Open returns nullptr when the file cannot be opened. The stream keeps its own
// position and size (the file's size at opening, grown by its own writes), so that asking for
// them, as every counted read does, costs nothing; a change made to the file through another
// handle meanwhile is not seen.
class TFileStream : public TStream {
 public:
  static std::unique_ptr<TFileStream> Open(const UString& path, TFileMode mode);
  // Takes over a descriptor open at the file's start (closed with the stream, or at once when no
  // stream can be made).
  static std::unique_ptr<TFileStream> FromDescriptor(int fd, TFileMode mode);
  ~TFileStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;

  // Flushes buffered writes; with sync, to the disk too. False when a write failed.
  bool Flush(bool sync = false);
  bool Close();  // false when a buffered write failed
  bool Failed() const { return failed_; }

 private:
  explicit TFileStream(std::FILE* f) : f_(f) {}
  static const char* ModeText(TFileMode mode);
  static std::unique_ptr<TFileStream> Wrap(std::FILE* f);
  static constexpr size_t kBufferBytes = 1 << 16;
  std::unique_ptr<char[]> buffer_;  // the C stream's buffer; the destructor closes the file first
  std::FILE* f_ = nullptr;
  bool failed_ = false;
  bool last_was_write_ = false;
  int64_t pos_ = 0;
  int64_t size_ = 0;
};

// --- little-endian scalars -------------------------------------------------------------------

template <typename T>
inline bool ReadValue(TStream& s, T& v) {
  static_assert(std::is_trivially_copyable_v<T>);
  return s.ReadExact(&v, sizeof(T));
}
template <typename T>
inline bool WriteValue(TStream& s, const T& v) {
  static_assert(std::is_trivially_copyable_v<T>);
  return s.WriteExact(&v, sizeof(T));
}

inline bool ReadU8(TStream& s, uint8_t& v) { return ReadValue(s, v); }
inline bool ReadI16(TStream& s, int16_t& v) { return ReadValue(s, v); }
inline bool ReadU16(TStream& s, uint16_t& v) { return ReadValue(s, v); }
inline bool ReadI32(TStream& s, int32_t& v) { return ReadValue(s, v); }
inline bool ReadU32(TStream& s, uint32_t& v) { return ReadValue(s, v); }
inline bool ReadI64(TStream& s, int64_t& v) { return ReadValue(s, v); }
inline bool ReadF32(TStream& s, float& v) { return ReadValue(s, v); }
inline bool ReadF64(TStream& s, double& v) { return ReadValue(s, v); }
bool ReadBool(TStream& s, bool& v);  // one byte, non-zero = true

inline bool WriteU8(TStream& s, uint8_t v) { return WriteValue(s, v); }
inline bool WriteI16(TStream& s, int16_t v) { return WriteValue(s, v); }
inline bool WriteU16(TStream& s, uint16_t v) { return WriteValue(s, v); }
inline bool WriteI32(TStream& s, int32_t v) { return WriteValue(s, v); }
inline bool WriteU32(TStream& s, uint32_t v) { return WriteValue(s, v); }
inline bool WriteI64(TStream& s, int64_t v) { return WriteValue(s, v); }
inline bool WriteF32(TStream& s, float v) { return WriteValue(s, v); }
inline bool WriteF64(TStream& s, double v) { return WriteValue(s, v); }
inline bool WriteBool(TStream& s, bool v) { return WriteU8(s, v ? 1 : 0); }

// Reads a count written as int32 and checks it: 0 <= n and n * unit_size <= bytes left.
bool ReadCount(TStream& s, int32_t& n, int64_t unit_size);

// --- the runtime's string framing ------------------------------------------------------------
// int32 count of UTF-16 units, then the units as UTF-16LE. A negative count, or one beyond the
// bytes left, is a failed read (the stream position is then unspecified).
bool WriteAString(TStream& s, UStringView text);
bool ReadAString(TStream& s, UString& text);

// 8-bit strings of documents stored without Unicode: int32 byte count, then the bytes.
bool WriteAnsiString(TStream& s, std::string_view text);
bool ReadAnsiString(TStream& s, std::string& text);

// --- the runtime's text framings of list entries ----------------------------------------------
// A text that may be absent (nil): int32 count of characters, -1 for nil, then the characters,
// UTF-16LE (2 bytes each) or 8-bit (1 byte each). A count below -1, or one beyond the bytes
// left, is a failed read; nothing is allocated beyond the bytes left.
bool WriteUnknownLengthPointer(TStream& s, const UString* text);
bool WriteUnknownLengthPointer(TStream& s, const std::string* text);
bool ReadUnknownLengthPointer(TStream& s, std::optional<UString>& text);
bool ReadUnknownLengthPointer(TStream& s, std::optional<std::string>& text);

// A zero-terminated UTF-16 text: the units up to the first 0 unit, then one 0 unit. The reader
// stops at max_units units without a terminator (a failed read), and at the end of the stream.
bool StreamWritePchar(TStream& s, UStringView text);
bool StreamReadPchar(TStream& s, UString& text, int64_t max_units = 32767);

// A short string of older lists: a length byte, then that many 8-bit characters (at most 255).
bool WriteShortString(TStream& s, std::string_view text);
bool ReadShortString(TStream& s, std::string& text);
