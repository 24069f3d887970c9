// Helpers shared by the tests of files and streams: bytes put together by hand, whole files read
// back, zip archives made from memory, and a size limit that makes a save fail half-way.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/ustring.h"
#include "platform/zip/zip_forge.h"

// Writes beyond a size limit fail (with EFBIG, the signal ignored) while one of these lives, so
// that a save can be made to fail half-way without special hooks in the code under test.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit l = old_;
    l.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &l);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*old_handler_)(int) = nullptr;
};

// Little-endian bytes put together by hand, for comparing with what a writer gives.
struct Bytes {
  std::vector<uint8_t> b;
  template <typename T>
  Bytes& put(T v) {
    const auto* p = reinterpret_cast<const uint8_t*>(&v);
    b.insert(b.end(), p, p + sizeof(T));
    return *this;
  }
  Bytes& zeros(size_t n) {
    b.insert(b.end(), n, 0);
    return *this;
  }
  Bytes& ascii(const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& utf16(UStringView s) {
    for (char16_t c : s) put<uint16_t>(c);
    return *this;
  }
  // An int32 length, then the UTF-16 text.
  Bytes& counted(UStringView s) { return put<int32_t>(static_cast<int32_t>(s.size())).utf16(s); }
};

inline int32_t I32At(const std::vector<uint8_t>& b, size_t at) {
  int32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
inline void PutI32(std::vector<uint8_t>& b, size_t at, int32_t v) { std::memcpy(b.data() + at, &v, 4); }

inline std::vector<uint8_t> FileBytes(const UString& name) {
  std::ifstream in(ToFsPath(name), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
inline std::string ReadAll(const UString& name) {
  const std::vector<uint8_t> b = FileBytes(name);
  return std::string(b.begin(), b.end());
}

// A zip archive at path (its folder made, an older one replaced) with members written from memory.
inline UString MakeZip(const UString& path, const std::vector<std::pair<UString, std::string>>& members) {
  ForceDirectories(ExtractFilePath(path));
  DeleteFileU(path);
  TZipForge z;
  z.SetFileName(path);
  EXPECT_TRUE(z.OpenArchive(TZipOpenMode::ReadWrite));
  for (const auto& [member, data] : members) {
    TMemoryStream m(std::vector<uint8_t>(data.begin(), data.end()));
    EXPECT_TRUE(z.AddFromStream(member, m, 40000.0));
  }
  EXPECT_TRUE(z.CloseArchive());
  return path;
}
