// A mapped stretch of a file that is shortened while it is mapped: the lost pages read as zeros
// and the stretch says it was damaged, instead of the program ending on the first read.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "platform/rtl/files.h"
#include "platform/text/mapped_text.h"
#include "support/temp_folder.h"

namespace {

// A file of n letters, open for reading as fd while this lives.
struct TOpenFile {
  explicit TOpenFile(size_t n) : bytes(n, '\0') {
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>('a' + i % 26);
    name = tmp.Write(u"text.txt", bytes);
    fd = open(Utf16ToUtf8(name).c_str(), O_RDONLY);
  }
  ~TOpenFile() {
    if (fd >= 0) close(fd);
  }
  TempFolder tmp;
  std::string bytes;
  UString name;
  int fd = -1;
};

TEST(MappedStretch, ReadsTheFilesBytesFromAnyStart) {
  const TOpenFile f(70000);
  const std::string& bytes = f.bytes;
  const int fd = f.fd;
  ASSERT_GE(fd, 0);
  TMappedStretch m;
  // From a page's start, from inside one, to the file's last byte.
  for (const int64_t from : {int64_t{0}, int64_t{4096}, int64_t{5003}, int64_t{69999}}) {
    SCOPED_TRACE(from);
    const int64_t n = 70000 - from;
    ASSERT_TRUE(m.Map(fd, from, n));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.Bytes()), static_cast<size_t>(n)), bytes.substr(static_cast<size_t>(from)));
    EXPECT_FALSE(m.Damaged());
  }
  // Beyond the file's end, nothing is mapped.
  EXPECT_FALSE(m.Map(fd, 60000, 10001));
  EXPECT_FALSE(m.Mapped());
  EXPECT_FALSE(m.Map(-1, 0, 10));
}

TEST(MappedStretch, AFileShortenedWhileMappedReadsAsZeros) {
  const TOpenFile f(200000);
  const std::string& bytes = f.bytes;
  const int fd = f.fd;
  ASSERT_GE(fd, 0);
  TMappedStretch m, other;
  ASSERT_TRUE(m.Map(fd, 5000, 150000));
  ASSERT_TRUE(other.Map(fd, 0, 4096));  // a stretch the shortening leaves whole
  ASSERT_EQ(truncate(Utf16ToUtf8(f.name).c_str(), 20000), 0);
  // The bytes the file still has read as they were; every lost page reads as zeros.
  std::string seen(reinterpret_cast<const char*>(m.Bytes()), 150000);
  EXPECT_EQ(seen.substr(0, 15000), bytes.substr(5000, 15000));
  EXPECT_EQ(seen.find_first_not_of('\0', 20480 - 5000), std::string::npos);
  EXPECT_TRUE(m.Damaged());
  EXPECT_FALSE(other.Damaged());
  // Mapped again, a stretch is undamaged until it loses pages of its own.
  m.Unmap();
  ASSERT_TRUE(m.Map(fd, 0, 20000));
  EXPECT_FALSE(m.Damaged());
}

}  // namespace
