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

// Stretches longer than the 2 MiB pieces the system may keep a file's pages in are placed to agree
// with the file's offsets: from any start, the bytes are the file's, and a stretch answers for
// the file bytes it holds and no others.
TEST(MappedStretch, LongStretchesHoldTheFilesBytesWhereverTheyStart) {
  const TOpenFile f(6 << 20);
  const std::string& bytes = f.bytes;
  ASSERT_GE(f.fd, 0);
  constexpr int64_t kMiB = 1 << 20;
  const struct {
    int64_t from, n;
  } cases[] = {{0, 6 * kMiB}, {2 * kMiB - 1, 3 * kMiB}, {3 * kMiB + 5, 2 * kMiB + 4099}, {4096, 2 * kMiB}, {5 * kMiB, kMiB}};
  TMappedStretch m;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.from);
    ASSERT_TRUE(m.Map(f.fd, c.from, c.n));
    EXPECT_EQ(m.From(), c.from);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.Bytes()), static_cast<size_t>(c.n)),
              bytes.substr(static_cast<size_t>(c.from), static_cast<size_t>(c.n)));
    EXPECT_TRUE(m.Holds(c.from, c.n));
    EXPECT_TRUE(m.Holds(c.from + c.n - 1, 1));
    EXPECT_FALSE(m.Holds(c.from + 1, c.n));
    EXPECT_FALSE(c.from > 0 && m.Holds(c.from - 1, 2));
    const int64_t mid = c.from + c.n / 2;
    EXPECT_EQ(*m.At(mid), static_cast<uint8_t>(bytes[static_cast<size_t>(mid)]));
  }
  m.Unmap();
  EXPECT_FALSE(m.Holds(0, 1));
}

}  // namespace
