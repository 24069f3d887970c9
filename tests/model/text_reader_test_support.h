// Helpers of the text reader's tests: a processor that keeps what each chunk held, texts made to
// measure, a private settings store, and a stream that makes its bytes up as it is read.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "model/reading/text_reader.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "platform/zip/zip_forge.h"
#include "support/temp_folder.h"

namespace text_reader_test {

inline constexpr int64_t kMiB2 = 2097152;

// A chunk's new characters (the text, its bytes and kinds) and those carried over before them.
struct ChunkSeen {
  int64_t start = 0;  // file byte of the first new character
  int64_t end = 0;    // file byte just after the chunk
  bool last = false;
  UString text;
  std::vector<int64_t> bytes;  // file byte of each character and of the end
  std::vector<uint16_t> kinds;
  UString carried;
  std::vector<int64_t> carried_bytes;
  std::vector<uint16_t> carried_kinds;
  // The characters read ahead after the chunk, their kinds and file bytes (each, and the end).
  UString ahead;
  std::vector<uint16_t> ahead_kinds;
  std::vector<int64_t> ahead_bytes;
};

// Keeps every chunk it is given.
class TCollector : public TBufferProcessor {
 public:
  explicit TCollector(const TChosenFileDetailsFullRec& f, TTextTagHandler* tags = nullptr, bool precomposed = false,
                      TTessorineholder* holder = nullptr, TOnUpdateAllFileHandledInfo handled = nullptr,
                      bool first = true, TTextReadRun* run = nullptr)
      : TBufferProcessor(holder, std::move(handled), nullptr, tags, f, 10, precomposed, false, first, run) {}

  bool ProcessAChunkOfFile(int32_t i) override {
    // Kinds (and text) left to be made on demand: a few stretches asked for first, then all.
    if (fKindsOnDemand) {
      const int32_t all = Length() + LookAheadLength();
      for (int32_t k = 1; k <= 3; ++k) EnsureText(all * k / 4, all * k / 4 + 40);
      for (int32_t k = 1; k <= 3; ++k) EnsureKinds(all * k / 5 - 500, all * k / 5 + 500);
      EnsureKinds(0, all);
    }
    ChunkSeen c{ChunkStartInFile(), ChunkEndInFile(), IsLastChunk()};
    const int32_t from = ChunkStartIndex();
    if (keep_text) {
      c.text.assign(Text() + from, static_cast<size_t>(Length() - from));
      c.carried.assign(Text(), static_cast<size_t>(from));
    }
    if (keep_bytes) {
      for (int32_t j = from; j <= Length(); ++j) c.bytes.push_back(FileByteOf(j));
      for (int32_t j = 0; j < from; ++j) c.carried_bytes.push_back(FileByteOf(j));
    }
    const int32_t n = Length(), la = LookAheadLength();
    if (keep_kinds) {
      // The chunk's kinds, then the two words after the filled part (after the look-ahead).
      c.kinds.assign(Kinds() + from, Kinds() + n);
      c.kinds.insert(c.kinds.end(), Kinds() + n + la, Kinds() + n + la + 2);
      c.carried_kinds.assign(Kinds(), Kinds() + from);
      c.ahead_kinds.assign(Kinds() + n, Kinds() + n + la);
    }
    if (keep_text) c.ahead.assign(Text() + n, static_cast<size_t>(la));
    if (keep_bytes)
      for (int32_t j = n; j <= n + la; ++j) c.ahead_bytes.push_back(FileByteOf(j));
    characters += Length() - from;
    chunks.push_back(std::move(c));
    if (on_chunk) on_chunk(*this, i);
    return answer;
  }
  // Whether the chunk's new characters were read as one byte each with the units beyond ASCII
  // put in place.
  bool ReadAsBytes() const { return fNarrowMade; }
  UString Joined() const {
    UString all;
    for (const ChunkSeen& c : chunks) all += c.text;
    return all;
  }

  std::vector<ChunkSeen> chunks;
  std::function<void(TCollector&, int32_t)> on_chunk;
  bool answer = true, keep_text = true, keep_bytes = true, keep_kinds = false;
  int64_t characters = 0;
};

inline TChosenFileDetailsFullRec ChosenFile(const UString& full_name, int32_t zip_member = 0) {
  TChosenFileDetailsFullRec f;
  f.folder = ExcludeTrailingPathDelimiter(ExtractFilePath(full_name));
  f.rec.filename = ExtractFileName(full_name);
  f.rec.zip_member = zip_member;
  return f;
}

inline bool ReadThrough(TCollector& c) { return c.SetupTheBuffer() && c.ReadAndProcess(); }

// The settings store of one test: a folder of its own, dropped at the end.
class ScopedSettings {
 public:
  ScopedSettings() {
    if (const char* old = std::getenv("LINZORA_CONFIG_DIR")) had_ = true, old_ = old;
    setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(folder_.Path()).c_str(), 1);
    ResetSettingsStoreForTests();
  }
  ~ScopedSettings() {
    if (had_) setenv("LINZORA_CONFIG_DIR", old_.c_str(), 1);
    else unsetenv("LINZORA_CONFIG_DIR");
    ResetSettingsStoreForTests();
  }

 private:
  TempFolder folder_;
  bool had_ = false;
  std::string old_;
};

inline std::string ToUtf8(UStringView s) { return Utf16ToUtf8(s); }

// s written n times over.
inline std::string Times(std::string_view s, size_t n) {
  std::string out;
  out.reserve(s.size() * n);
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

inline UString Times16(UStringView s, size_t n) {
  UString out;
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

// Writes a zip archive holding the given members.
inline bool MakeZip(const UString& archive, std::initializer_list<std::pair<UString, std::string>> members) {
  TZipForge z;
  z.SetFileName(archive);
  bool ok = z.OpenArchive(TZipOpenMode::ReadWrite);
  for (const auto& [name, bytes] : members) {
    TMemoryStream m(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    ok = ok && z.AddFromStream(name, m);
  }
  return z.CloseArchive() && ok;
}

// UTF-16 bytes of s, little- or big-endian, with or without byte-order mark.
inline std::string Utf16Bytes(UStringView s, bool little, bool mark) {
  std::string out;
  if (mark) out += little ? "\xFF\xFE" : "\xFE\xFF";
  for (char16_t u : s) {
    const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
    out += little ? std::string{lo, hi} : std::string{hi, lo};
  }
  return out;
}

// Words of every UTF-8 length (1 to 4 bytes), lines of varied length; about `bytes` bytes.
inline UString MixedText(size_t bytes, uint32_t seed, bool line_ends = true) {
  static const char16_t* kWords[] = {u"the", u"caf\u00E9", u"\u0436\u0438\u0437\u043D\u044C", u"\u4E2D\u6587",
                                     u"\u20AC100", u"\U0001F600smile", u"\U0001D11Emusic", u"na\u00EFve",
                                     u"\u05E9\u05DC\u05D5\u05DD", u"word", u"\u00DFtra\u00DFe", u"x"};
  std::mt19937 rng(seed);
  UString s;
  size_t approx = 0;
  int line = 0;
  while (approx < bytes) {
    const UString w = kWords[rng() % 12];
    s += w;
    approx += ToUtf8(w).size() + 1;
    line += static_cast<int>(w.size());
    if (line_ends && line > 40 + static_cast<int>(rng() % 120)) {
      s += (rng() % 3 == 0) ? u"\r\n" : u"\n";
      ++approx;
      line = 0;
    } else {
      s += u' ';
    }
  }
  return s;
}

// Byte offset of every character (UTF-16 unit) of well-formed UTF-8, and one for the end.
inline std::vector<int64_t> Utf8Offsets(const std::string& bytes, int64_t first) {
  std::vector<int64_t> off;
  for (size_t i = first; i < bytes.size(); ++i) {
    const uint8_t c = static_cast<uint8_t>(bytes[i]);
    if ((c & 0xC0) == 0x80) continue;
    off.push_back(static_cast<int64_t>(i));
    if (c >= 0xF0) off.push_back(static_cast<int64_t>(i));
  }
  off.push_back(static_cast<int64_t>(bytes.size()));
  return off;
}

// Offsets of `count` characters of `width` bytes from byte `first`, and one for the end.
inline std::vector<int64_t> EvenOffsets(size_t count, int64_t first, int64_t width) {
  std::vector<int64_t> off(count + 1);
  for (size_t i = 0; i <= count; ++i) off[i] = first + width * static_cast<int64_t>(i);
  return off;
}

// The chunks put together must be the text decoded whole, every character at its own byte.
inline void ExpectChunksMakeTheWhole(const TCollector& c, const UString& whole, const std::vector<int64_t>& offsets,
                                     int64_t file_size) {
  ASSERT_FALSE(c.chunks.empty());
  EXPECT_EQ(c.Joined().size(), whole.size());
  EXPECT_TRUE(c.Joined() == whole) << "chunks differ from the whole text";
  size_t global = 0;
  for (size_t k = 0; k < c.chunks.size(); ++k) {
    const ChunkSeen& ch = c.chunks[k];
    for (size_t j = 0; j < ch.text.size(); ++j, ++global) {
      ASSERT_LT(global, offsets.size());
      ASSERT_EQ(ch.bytes[j], offsets[global]) << "chunk " << k << " character " << j;
    }
    EXPECT_EQ(ch.bytes[ch.text.size()], ch.end) << "chunk " << k;
    if (k + 1 < c.chunks.size()) { EXPECT_EQ(ch.end, c.chunks[k + 1].start) << "chunk " << k; }
    EXPECT_EQ(ch.last, k + 1 == c.chunks.size());
  }
  EXPECT_EQ(c.chunks.back().end, file_size);
}

// A read-only stream of `size` bytes that repeats a pattern, made as it is read.
class TPatternStream : public TStream {
 public:
  TPatternStream(std::string pattern, int64_t size) : pattern_(std::move(pattern)), size_(size) {}
  int64_t Read(void* buffer, int64_t count) override {
    int64_t n = std::min(count, (fail_from_ >= 0 ? std::min(size_, fail_from_) : size_) - pos_);
    if (n <= 0) return 0;
    const int64_t p = static_cast<int64_t>(pattern_.size());
    for (int64_t done = 0; done < n;) {
      const int64_t at = (pos_ + done) % p, take = std::min(n - done, p - at);
      std::memcpy(static_cast<char*>(buffer) + done, pattern_.data() + at, static_cast<size_t>(take));
      done += take;
    }
    pos_ += n;
    return n;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    int64_t p = origin == TSeekOrigin::Begin ? offset : origin == TSeekOrigin::Current ? pos_ + offset : size_ + offset;
    if (p < 0) return -1;
    return pos_ = p;
  }
  int64_t Size() override { return size_; }
  // Reads from this byte on come up empty (a text that vanished or a disk that failed).
  void FailFrom(int64_t byte) { fail_from_ = byte; }

 private:
  std::string pattern_;
  int64_t size_, pos_ = 0, fail_from_ = -1;
};

}  // namespace text_reader_test
