#include "platform/rtl/streams.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/rtl/files.h"

int64_t TStream::BytesLeft() {
  const int64_t pos = Position();
  const int64_t size = Size();
  return (pos < 0 || size < pos) ? 0 : size - pos;
}

bool TStream::CopyFrom(TStream& source, int64_t count) {
  if (count < 0) count = source.BytesLeft();
  std::vector<uint8_t> buf(static_cast<size_t>(std::min<int64_t>(count, 1 << 20)) + 1);
  while (count > 0) {
    const int64_t want = std::min<int64_t>(count, static_cast<int64_t>(buf.size()));
    if (!source.ReadExact(buf.data(), want)) return false;
    if (!WriteExact(buf.data(), want)) return false;
    count -= want;
  }
  return true;
}

// --- TMemoryStream ---------------------------------------------------------------------------

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || pos_ >= Size()) return 0;
  const int64_t n = std::min(count, Size() - pos_);
  std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
  pos_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const int64_t end = pos_ + count;
  try {
    if (end > Size()) data_.resize(static_cast<size_t>(end));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  std::memcpy(data_.data() + pos_, buffer, static_cast<size_t>(count));
  pos_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == TSeekOrigin::Current) base = pos_;
  else if (origin == TSeekOrigin::End) base = Size();
  const int64_t np = base + offset;
  if (np < 0) return -1;
  pos_ = np;  // beyond the end is allowed; a later write fills the gap with zeros
  return pos_;
}

bool TMemoryStream::SetSize(int64_t n) {
  if (n < 0) return false;
  try {
    data_.resize(static_cast<size_t>(n));
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (pos_ > n) pos_ = n;
  return true;
}

bool TMemoryStream::LoadFromFile(const UString& path) {
  auto f = TFileStream::Open(path, TFileMode::OpenRead);
  if (!f) return false;
  const int64_t size = f->Size();
  if (size < 0) return false;
  std::vector<uint8_t> data;
  try {
    data.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!f->ReadExact(data.data(), size)) return false;
  data_ = std::move(data);
  pos_ = 0;
  return true;
}

bool TMemoryStream::SaveToFile(const UString& path) {
  return SafeSaveToFile(path, [this](TStream& out) { return out.WriteExact(data_.data(), Size()); });
}

// --- TFileStream -----------------------------------------------------------------------------

std::unique_ptr<TFileStream> TFileStream::Open(const UString& path, TFileMode mode) {
  std::FILE* f = std::fopen(Utf16ToUtf8(path).c_str(), ModeText(mode));
  if (!f) return nullptr;
  if (mode == TFileMode::OpenRead && IsDirectory(path)) {
    std::fclose(f);
    return nullptr;
  }
  return Wrap(f);
}

std::unique_ptr<TFileStream> TFileStream::FromDescriptor(int fd, TFileMode mode) {
  if (fd < 0) return nullptr;
  // "w+b" on a descriptor does not cut the file.
  std::FILE* f = ::fdopen(fd, ModeText(mode));
  if (!f) {
    ::close(fd);
    return nullptr;
  }
  return Wrap(f);
}

const char* TFileStream::ModeText(TFileMode mode) {
  return mode == TFileMode::OpenRead ? "rb" : mode == TFileMode::Create ? "w+b" : "r+b";
}

std::unique_ptr<TFileStream> TFileStream::Wrap(std::FILE* f) {
  struct stat st {};
  if (::fstat(fileno(f), &st) != 0) {
    std::fclose(f);
    return nullptr;
  }
  auto s = std::unique_ptr<TFileStream>(new TFileStream(f));
  s->size_ = static_cast<int64_t>(st.st_size);
  // A buffer of our own: given none, the C library keeps to the file system's block size.
  // Left unfilled: a run opens thousands of texts, and the library writes the buffer before it reads it.
  s->buffer_ = std::make_unique_for_overwrite<char[]>(kBufferBytes);
  std::setvbuf(f, s->buffer_.get(), _IOFBF, kBufferBytes);
  return s;
}

TFileStream::~TFileStream() { Close(); }

int64_t TFileStream::Read(void* buffer, int64_t count) {
  if (!f_ || count <= 0) return 0;
  if (last_was_write_) {
    std::fseek(f_, 0, SEEK_CUR);  // C requires a positioning call between a write and a read
    last_was_write_ = false;
  }
  // One stream belongs to one thread at a time, so the C library's per-call lock is not needed;
  // a document's save makes millions of small calls.
  const auto n = static_cast<int64_t>(fread_unlocked(buffer, 1, static_cast<size_t>(count), f_));
  pos_ += n;
  return n;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  if (!f_ || count <= 0) return 0;
  if (!last_was_write_) {
    std::fseek(f_, 0, SEEK_CUR);
    last_was_write_ = true;
  }
  const size_t n = fwrite_unlocked(buffer, 1, static_cast<size_t>(count), f_);
  if (static_cast<int64_t>(n) != count) failed_ = true;
  pos_ += static_cast<int64_t>(n);
  size_ = std::max(size_, pos_);
  return static_cast<int64_t>(n);
}

// Position and size are kept here: asking the C library for them (ftello, a seek to the end)
// costs a system call each, and a seek throws its read buffer away.
int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (!f_) return -1;
  const int64_t base = origin == TSeekOrigin::Begin ? 0 : origin == TSeekOrigin::Current ? pos_ : size_;
  if ((offset > 0 && base > INT64_MAX - offset) || (offset < 0 && base < INT64_MIN - offset)) return -1;
  const int64_t target = base + offset;
  if (target < 0) return -1;
  if (target == pos_ && !last_was_write_) return pos_;
  if (fseeko(f_, target, SEEK_SET) != 0) return -1;
  last_was_write_ = false;
  pos_ = target;
  return pos_;
}

int64_t TFileStream::Size() { return f_ ? size_ : -1; }

bool TFileStream::Flush(bool sync) {
  if (!f_) return false;
  if (std::fflush(f_) != 0) failed_ = true;
  if (sync && ::fsync(fileno(f_)) != 0) failed_ = true;
  return !failed_;
}

bool TFileStream::Close() {
  if (!f_) return !failed_;
  if (std::fclose(f_) != 0) failed_ = true;
  f_ = nullptr;
  return !failed_;
}

// --- scalars and strings ---------------------------------------------------------------------

bool ReadBool(TStream& s, bool& v) {
  uint8_t b = 0;
  if (!ReadU8(s, b)) return false;
  v = b != 0;
  return true;
}

bool ReadCount(TStream& s, int32_t& n, int64_t unit_size) {
  if (!ReadI32(s, n)) return false;
  if (n < 0) return false;
  return unit_size <= 0 || static_cast<int64_t>(n) * unit_size <= s.BytesLeft();
}

bool WriteAString(TStream& s, UStringView text) {
  if (text.size() > 0x7FFFFFFF) return false;
  if (!WriteI32(s, static_cast<int32_t>(text.size()))) return false;
  return s.WriteExact(text.data(), static_cast<int64_t>(text.size()) * 2);
}

bool ReadAString(TStream& s, UString& text) {
  int32_t n = 0;
  if (!ReadCount(s, n, 2)) return false;
  UString t(static_cast<size_t>(n), u'\0');
  if (!s.ReadExact(t.data(), static_cast<int64_t>(n) * 2)) return false;
  text = std::move(t);
  return true;
}

bool WriteAnsiString(TStream& s, std::string_view text) {
  if (text.size() > 0x7FFFFFFF) return false;
  if (!WriteI32(s, static_cast<int32_t>(text.size()))) return false;
  return s.WriteExact(text.data(), static_cast<int64_t>(text.size()));
}

bool ReadAnsiString(TStream& s, std::string& text) {
  int32_t n = 0;
  if (!ReadCount(s, n, 1)) return false;
  std::string t(static_cast<size_t>(n), '\0');
  if (!s.ReadExact(t.data(), n)) return false;
  text = std::move(t);
  return true;
}

// --- text framings of list entries -----------------------------------------------------------

namespace {

template <typename Str>
bool WriteFramed(TStream& s, const Str* text) {
  using Unit = typename Str::value_type;
  if (!text) return WriteI32(s, -1);
  if (text->size() > 0x7FFFFFFF) return false;
  if (!WriteI32(s, static_cast<int32_t>(text->size()))) return false;
  return s.WriteExact(text->data(), static_cast<int64_t>(text->size()) * static_cast<int64_t>(sizeof(Unit)));
}

template <typename Str>
bool ReadFramed(TStream& s, std::optional<Str>& text) {
  using Unit = typename Str::value_type;
  int32_t n = 0;
  if (!ReadI32(s, n)) return false;
  if (n == -1) {
    text.reset();
    return true;
  }
  const int64_t bytes = static_cast<int64_t>(n) * static_cast<int64_t>(sizeof(Unit));
  if (n < 0 || bytes > s.BytesLeft()) return false;
  Str t(static_cast<size_t>(n), Unit{});
  if (!s.ReadExact(t.data(), bytes)) return false;
  text = std::move(t);
  return true;
}

}  // namespace

bool WriteUnknownLengthPointer(TStream& s, const UString* text) { return WriteFramed(s, text); }
bool WriteUnknownLengthPointer(TStream& s, const std::string* text) { return WriteFramed(s, text); }
bool ReadUnknownLengthPointer(TStream& s, std::optional<UString>& text) { return ReadFramed(s, text); }
bool ReadUnknownLengthPointer(TStream& s, std::optional<std::string>& text) { return ReadFramed(s, text); }

bool StreamWritePchar(TStream& s, UStringView text) {
  const size_t end = std::min(text.find(u'\0'), text.size());
  if (!s.WriteExact(text.data(), static_cast<int64_t>(end) * 2)) return false;
  return WriteU16(s, 0);
}

bool StreamReadPchar(TStream& s, UString& text, int64_t max_units) {
  // Read in small blocks and step back over what follows the terminator, so that a missing
  // terminator costs no more memory than the bytes that are there.
  UString out;
  char16_t block[256];
  while (true) {
    const int64_t left_units = s.BytesLeft() / 2;
    if (left_units <= 0) return false;
    const int64_t want = std::min<int64_t>(left_units, 256);
    if (!s.ReadExact(block, want * 2)) return false;
    for (int64_t i = 0; i < want; ++i) {
      if (block[i] == u'\0') {
        if (i + 1 < want && s.Seek(-(want - i - 1) * 2, TSeekOrigin::Current) < 0) return false;
        text = std::move(out);
        return true;
      }
      if (static_cast<int64_t>(out.size()) >= max_units) return false;
      out.push_back(block[i]);
    }
  }
}

bool WriteShortString(TStream& s, std::string_view text) {
  if (text.size() > 255) return false;
  if (!WriteU8(s, static_cast<uint8_t>(text.size()))) return false;
  return s.WriteExact(text.data(), static_cast<int64_t>(text.size()));
}

bool ReadShortString(TStream& s, std::string& text) {
  uint8_t len = 0;
  if (!ReadU8(s, len)) return false;
  char buf[255];
  if (!s.ReadExact(buf, len)) return false;
  text.assign(buf, len);
  return true;
}
