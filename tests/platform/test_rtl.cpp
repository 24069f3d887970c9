#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"
#include "platform/rtl/plain_file.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_longint_list.h"
#include "support/scoped_locale.h"
#include "support/temp_folder.h"

TEST(UString, Utf8RoundTripAndRepair) {
  const UString s = u"caf\u00e9 \u4e2d\u6587 \U0001F600";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(s)), s);
  // Ill-formed input becomes U+FFFD, one per bad byte; nothing is dropped silently.
  EXPECT_EQ(Utf8ToUtf16("a\xC3(b"), u"a\uFFFD(b");
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");            // overlong
  // A lone surrogate is not carried into UTF-8.
  EXPECT_EQ(Utf16ToUtf8(UString(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(UString, FormatTakesArgumentsInOrder) {
  EXPECT_EQ(UFormat(u"%d entries in %s (100%%)", {u"5", u"x.txt"}), u"5 entries in x.txt (100%)");
  EXPECT_EQ(UFormat(u"%s and %s", {u"one"}), u"one and %s");
}

TEST(UString, CountsAreGroupedInThreesWithTheLocalesSeparator) {
  struct Separator {
    const char* locale;
    UString separator;
  } separators[] = {{"C", u","},          {"POSIX", u","},       {"", u","},          {"en_GB.UTF-8", u","},
                    {"de_DE.UTF-8", u"."}, {"de_CH", u"\u2019"}, {"fr_FR@euro", u"\u202F"}, {"ru_RU", u"\u00A0"},
                    {"pt_BR.utf8", u"."},  {"ja_JP", u","},       {"xx_YY", u","}};
  for (const Separator& s : separators) EXPECT_EQ(ThousandsSeparatorOf(s.locale), s.separator) << s.locale;
  struct Count {
    int64_t n;
    UString grouped;
  } counts[] = {{0, u"0"},           {7, u"7"},           {999, u"999"},          {1000, u"1,000"},
                {-1234, u"-1,234"},  {1800420, u"1,800,420"}, {100000, u"100,000"},
                {INT64_MIN, u"-9,223,372,036,854,775,808"}};
  for (const Count& c : counts) EXPECT_EQ(GroupedCount(c.n, u","), c.grouped) << c.n;
  EXPECT_EQ(GroupedCount(1234567, u"."), u"1.234.567");
  ScopedLocale german("de_AT.UTF-8");
  EXPECT_EQ(GroupedCount(22593), u"22.593");
}

TEST(Streams, ScalarsAreLittleEndian) {
  TMemoryStream m;
  ASSERT_TRUE(WriteI32(m, 0x01020304));
  ASSERT_TRUE(WriteU16(m, 0xA1B2));
  ASSERT_TRUE(WriteI64(m, -2));
  const std::vector<uint8_t> want = {4, 3, 2, 1, 0xB2, 0xA1, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(m.Data(), want);
  m.SetPosition(0);
  int32_t a = 0;
  uint16_t b = 0;
  int64_t c = 0;
  uint8_t d = 0;
  EXPECT_TRUE(ReadI32(m, a) && ReadU16(m, b) && ReadI64(m, c));
  EXPECT_TRUE(a == 0x01020304 && b == 0xA1B2 && c == -2);
  EXPECT_FALSE(ReadU8(m, d));  // at the end: fails cleanly
}

TEST(Streams, AStringFramingAndDamage) {
  TMemoryStream m;
  ASSERT_TRUE(WriteAString(m, u"h\u00e9llo"));
  ASSERT_TRUE(WriteAString(m, u""));
  EXPECT_EQ(m.Size(), 4 + 10 + 4);
  m.SetPosition(0);
  UString s = u"x";
  ASSERT_TRUE(ReadAString(m, s));
  EXPECT_EQ(s, u"h\u00e9llo");
  ASSERT_TRUE(ReadAString(m, s));
  EXPECT_EQ(s, u"");
  // Truncated: the count promises more than is left.
  for (int64_t cut = 0; cut < 14; ++cut) {
    TMemoryStream t(std::vector<uint8_t>(m.Data().begin(), m.Data().begin() + cut));
    UString r = u"keep";
    EXPECT_FALSE(ReadAString(t, r)) << "cut at " << cut;
    EXPECT_EQ(r, u"keep");
  }
  // Negative and huge counts are refused without allocating.
  TMemoryStream bad;
  WriteI32(bad, -1);
  WriteI32(bad, 0x7FFFFFFF);
  bad.SetPosition(0);
  EXPECT_FALSE(ReadAString(bad, s));
  bad.SetPosition(4);
  EXPECT_FALSE(ReadAString(bad, s));
}

TEST(Streams, MemoryStreamSeekAndGrow) {
  TMemoryStream m;
  m.Seek(10, TSeekOrigin::Begin);
  WriteU8(m, 7);
  EXPECT_EQ(m.Size(), 11);
  EXPECT_EQ(m.Data()[0], 0);
  EXPECT_EQ(m.Seek(-1, TSeekOrigin::Begin), -1);
  EXPECT_EQ(m.Seek(-1, TSeekOrigin::End), 10);
  EXPECT_EQ(m.BytesLeft(), 1);
}

TEST(Files, FileStreamRoundTripAndLargeOffsets) {
  TempFolder dir;
  const UString name = dir.Path() + u"a.bin";
  {
    auto f = TFileStream::Open(name, TFileMode::Create);
    ASSERT_TRUE(f);
    WriteI32(*f, 42);
    // A position past 4 GiB: sizes and positions are 64-bit (the file stays sparse).
    ASSERT_EQ(f->Seek(int64_t(5) << 30, TSeekOrigin::Begin), int64_t(5) << 30);
    WriteI32(*f, 43);
    EXPECT_TRUE(f->Close());
  }
  auto f = TFileStream::Open(name, TFileMode::OpenRead);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->Size(), (int64_t(5) << 30) + 4);
  int32_t v = 0;
  f->Seek(int64_t(5) << 30, TSeekOrigin::Begin);
  EXPECT_TRUE(ReadI32(*f, v));
  EXPECT_EQ(v, 43);
  EXPECT_FALSE(TFileStream::Open(dir.Path() + u"missing", TFileMode::OpenRead));
  EXPECT_FALSE(TFileStream::Open(dir.Path(), TFileMode::OpenRead));  // a folder is not a file
}

namespace {
// Read calls the process has made so far (the kernel's count).
int64_t ReadCallsSoFar() {
  FILE* io = std::fopen("/proc/self/io", "r");
  if (!io) return -1;
  char key[32] = {};
  long long value = 0;
  int64_t calls = -1;
  while (std::fscanf(io, "%31s %lld", key, &value) == 2)
    if (std::string(key) == "syscr:") calls = value;
  std::fclose(io);
  return calls;
}
}  // namespace

// Every counted read asks how many bytes are left; the file stream used to seek to the end and
// back for that, which threw its read buffer away: one read call for each string.
TEST(Files, StringsReadFromAFileComeThroughTheBufferNotOneReadCallEach) {
  TempFolder dir;
  const UString name = dir.Path() + u"strings.bin";
  {
    TMemoryStream m;
    for (int i = 0; i < 5000; ++i) WriteAString(m, u"entry" + IntToUStr(i));
    ASSERT_TRUE(m.SaveToFile(name));
  }
  auto f = TFileStream::Open(name, TFileMode::OpenRead);
  ASSERT_TRUE(f);
  const int64_t size = f->Size();
  const int64_t before = ReadCallsSoFar();
  if (before < 0) GTEST_SKIP() << "no read-call count here";
  UString text;
  for (int i = 0; i < 5000; ++i) {
    ASSERT_TRUE(ReadAString(*f, text)) << i;
    ASSERT_EQ(text, u"entry" + IntToUStr(i));
  }
  EXPECT_EQ(f->Position(), size);
  EXPECT_FALSE(ReadAString(*f, text));
  EXPECT_LT(ReadCallsSoFar() - before, 10);  // the file fills two 64 KiB buffers
}

// The position and size the stream keeps follow writes past the end, seeks and reads.
TEST(Files, FileStreamKeepsItsPositionAndSizeThroughWritesSeeksAndReads) {
  TempFolder dir;
  const UString name = dir.Path() + u"mixed.bin";
  auto f = TFileStream::Open(name, TFileMode::Create);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->Size(), 0);
  ASSERT_TRUE(WriteI32(*f, 1) && WriteI32(*f, 2));
  EXPECT_EQ(f->Position(), 8);
  EXPECT_EQ(f->Size(), 8);
  EXPECT_EQ(f->Seek(-4, TSeekOrigin::End), 4);
  int32_t v = 0;
  ASSERT_TRUE(ReadI32(*f, v));
  EXPECT_EQ(v, 2);
  EXPECT_EQ(f->Seek(20, TSeekOrigin::Current), 28);  // beyond the end: the size waits for a write
  EXPECT_EQ(f->Size(), 8);
  ASSERT_TRUE(WriteI32(*f, 3));
  EXPECT_EQ(f->Size(), 32);
  EXPECT_EQ(f->Seek(0, TSeekOrigin::Begin), 0);
  ASSERT_TRUE(WriteI32(*f, 7));  // overwriting leaves the size alone
  EXPECT_EQ(f->Size(), 32);
  ASSERT_TRUE(ReadI32(*f, v));   // a read right after a write
  EXPECT_EQ(v, 2);
  EXPECT_EQ(f->BytesLeft(), 24);
  EXPECT_EQ(f->Seek(-1, TSeekOrigin::Begin), -1);
  EXPECT_EQ(f->Seek(INT64_MAX, TSeekOrigin::Current), -1);
  EXPECT_EQ(f->Position(), 8);
  ASSERT_TRUE(f->Close());
  auto again = TFileStream::Open(name, TFileMode::OpenReadWrite);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->Size(), 32);
  ASSERT_TRUE(ReadI32(*again, v));
  EXPECT_EQ(v, 7);
  EXPECT_EQ(again->Seek(28, TSeekOrigin::Begin), 28);
  ASSERT_TRUE(ReadI32(*again, v));
  EXPECT_EQ(v, 3);
  EXPECT_FALSE(ReadI32(*again, v));
  EXPECT_EQ(again->Position(), 32);
}

// A plain file opened for reading: a link is followed or refused as asked; a pipe, a folder or a
// missing name is refused with why, at once (a pipe with no writer would otherwise hold the open).
TEST(Files, OpeningAPlainFileTakesOnlyPlainFiles) {
  TempFolder dir;
  const UString plain = dir.Write(u"plain.txt", "twelve bytes");
  ASSERT_EQ(::chmod(Utf16ToUtf8(plain).c_str(), 0640), 0);
  const UString link = dir.Path() + u"link.txt";
  ASSERT_EQ(::symlink(Utf16ToUtf8(plain).c_str(), Utf16ToUtf8(link).c_str()), 0);
  const UString pipe = dir.Path() + u"pipe.txt";
  ASSERT_EQ(::mkfifo(Utf16ToUtf8(pipe).c_str(), 0600), 0);
  const struct {
    const char* what;
    UString name;
    bool follow_links;
    const char16_t* refused;  // nullptr: opened
  } cases[] = {
      {"a plain file", plain, false, nullptr},
      {"a link, followed", link, true, nullptr},
      {"a link, not followed", link, false, u"is a link"},
      {"a pipe", pipe, true, u"not a plain file"},
      {"a folder", dir.Path(), true, u"not a plain file"},
      {"missing", dir.Path() + u"missing.txt", true, u"No such file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    UString why = u"untouched";
    struct stat st {};
    auto f = OpenPlainFileForReading(c.name, c.follow_links, &why, &st);
    if (c.refused != nullptr) {
      EXPECT_FALSE(f);
      EXPECT_NE(why.find(c.refused), UString::npos) << Utf16ToUtf8(why);
      continue;
    }
    ASSERT_TRUE(f);
    EXPECT_EQ(why, u"untouched");
    EXPECT_EQ(st.st_size, 12);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    char bytes[13] = {};
    ASSERT_TRUE(f->ReadExact(bytes, 12));
    EXPECT_STREQ(bytes, "twelve bytes");
  }
}

// A text read straight into memory: every byte in one call whatever the buffer's size, from any
// position, with the size the file had when opened; a file shortened after opening gives what is
// left and no more; a folder or a missing name does not open.
TEST(Files, APlainFileReaderReadsStraightIntoTheCallersMemory) {
  TempFolder dir;
  std::string text;
  for (int i = 0; text.size() < 300000; ++i) text += "line " + std::to_string(i) + " of the text\n";
  const UString name = dir.Write(u"text.txt", text);
  const struct {
    const char* what;
    int64_t from, count;
    int64_t cut_to;  // the file is shortened to this after opening (-1: left alone)
    int64_t moved;
  } cases[] = {
      {"the whole file", 0, 300000, -1, 300000},
      {"a stretch from the middle", 123457, 70001, -1, 70001},
      {"past the end", 299990, 100, -1, 10},
      {"from the end", 300000, 10, -1, 0},
      {"shortened after opening", 0, 300000, 65536, 65536},
      {"shortened before the stretch asked", 100000, 5000, 65536, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(SafeSaveBytes(name, text.data(), 300000));
    auto f = TPlainFileReader::Open(name);
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->Plain());
    EXPECT_GE(f->Descriptor(), 0);
    if (c.cut_to >= 0) {
      ASSERT_EQ(::truncate(Utf16ToUtf8(name).c_str(), c.cut_to), 0);
    }
    EXPECT_EQ(f->Size(), 300000);
    ASSERT_TRUE(f->SetPosition(c.from));
    std::string got(static_cast<size_t>(c.count), '#');
    EXPECT_EQ(f->Read(got.data(), c.count), c.moved);
    EXPECT_EQ(got.substr(0, static_cast<size_t>(c.moved)), text.substr(static_cast<size_t>(c.from), static_cast<size_t>(c.moved)));
    EXPECT_EQ(got.find_first_not_of('#', static_cast<size_t>(c.moved)), std::string::npos);
    EXPECT_EQ(f->Position(), c.from + c.moved);
    EXPECT_EQ(f->Write("x", 1), 0);
  }
  EXPECT_FALSE(TPlainFileReader::Open(dir.Path()));
  EXPECT_FALSE(TPlainFileReader::Open(dir.Path() + u"missing.txt"));
}

// A file's first bytes, as the check of chosen texts reads them: no more than asked, all of a
// shorter file, nothing from what cannot be read, and no wait on a pipe.
TEST(Files, AFilesHeadIsReadUpToTheSizeAsked) {
  TempFolder dir;
  const std::string long_text(10000, 'x');
  const UString pipe = dir.Path() + u"pipe.txt";
  ASSERT_EQ(::mkfifo(Utf16ToUtf8(pipe).c_str(), 0600), 0);
  const struct {
    const char* what;
    UString name;
    int64_t expected;  // bytes read, or -1
    std::string head;
  } cases[] = {
      {"longer than asked", dir.Write(u"long.txt", long_text), 4096, long_text.substr(0, 4096)},
      {"shorter than asked", dir.Write(u"short.txt", "twelve bytes"), 12, "twelve bytes"},
      {"empty", dir.Write(u"empty.txt", ""), 0, ""},
      {"a folder", dir.Path(), -1, ""},
      {"missing", dir.Path() + u"missing.txt", -1, ""},
      {"a pipe without a writer", pipe, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    char buffer[4097] = {};
    const int64_t n = ReadFileHead(c.name, buffer, 4096);
    EXPECT_EQ(n, c.expected);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(std::max<int64_t>(n, 0))), c.head);
    EXPECT_EQ(buffer[4096], 0);
  }
}

// The head of a text asked about before a run: a plain file's bytes as ReadFileHead reads them,
// -2 where FileExists finds no plain file, -1 for one that is there but cannot be read.
TEST(Files, APlainFilesHeadIsReadInOneVisitAndAnythingElseIsNoPlainFile) {
  TempFolder dir;
  const std::string long_text(10000, 'x');
  const UString pipe = dir.Path() + u"pipe.txt";
  ASSERT_EQ(::mkfifo(Utf16ToUtf8(pipe).c_str(), 0600), 0);
  const UString text = dir.Write(u"long.txt", long_text);
  const UString link = dir.Path() + u"link.txt", dangling = dir.Path() + u"dangling.txt";
  ASSERT_EQ(::symlink(Utf16ToUtf8(text).c_str(), Utf16ToUtf8(link).c_str()), 0);
  ASSERT_EQ(::symlink(Utf16ToUtf8(dir.Path() + u"gone.txt").c_str(), Utf16ToUtf8(dangling).c_str()), 0);
  const UString locked = dir.Write(u"locked.txt", "private");
  ASSERT_EQ(::chmod(Utf16ToUtf8(locked).c_str(), 0), 0);
  // Root reads a file without read bits: then it counts as readable.
  const bool root = ::geteuid() == 0;
  const struct {
    const char* what;
    UString name;
    int64_t expected;
  } cases[] = {
      {"longer than asked", text, 4096},
      {"shorter than asked", dir.Write(u"short.txt", "twelve bytes"), 12},
      {"empty", dir.Write(u"empty.txt", ""), 0},
      {"a link to a plain file", link, 4096},
      {"a link to nothing", dangling, -2},
      {"a folder", dir.Path(), -2},
      {"missing", dir.Path() + u"missing.txt", -2},
      {"no name", u"", -2},
      {"a pipe without a writer", pipe, -2},
      {"a plain file that may not be read", locked, root ? 7 : -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    char one[4096] = {}, other[4096] = {};
    const int64_t n = ReadPlainFileHead(c.name, one, 4096);
    EXPECT_EQ(n, c.expected);
    EXPECT_EQ(n == -2, !FileExists(c.name));
    if (n >= 0) {
      EXPECT_EQ(ReadFileHead(c.name, other, 4096), n);
      EXPECT_EQ(std::string(one, static_cast<size_t>(n)), std::string(other, static_cast<size_t>(n)));
    }
  }
}

TEST(Files, SafeSaveKeepsOldFileOnFailure) {
  TempFolder dir;
  const UString name = dir.Path() + u"doc.cnc";
  ASSERT_TRUE(SafeSaveBytes(name, "old", 3));
  EXPECT_FALSE(SafeSaveToFile(name, [](TStream& s) {
    s.WriteExact("new and partial", 15);
    return false;
  }));
  TMemoryStream m;
  ASSERT_TRUE(m.LoadFromFile(name));
  EXPECT_EQ(std::string(m.Data().begin(), m.Data().end()), "old");
  EXPECT_FALSE(SafeSaveToFile(name, [](TStream&) -> bool { throw std::runtime_error("x"); }));
  EXPECT_EQ(FindFiles(dir.Path(), u"*"), std::vector<UString>{name});  // no temporary left over
  UString err;
  EXPECT_FALSE(SafeSaveBytes(dir.Path() + u"no/such/folder/x", "a", 1, &err));
  EXPECT_FALSE(err.empty());
}

TEST(Files, NamePartsAndMasks) {
  EXPECT_EQ(ExtractFilePath(u"/a/b/c.txt") + u"|" + ExtractFileName(u"/a/b/c.txt"), u"/a/b/|c.txt");
  EXPECT_EQ(ExtractFileExt(u"/a/b.d/c"), u"");
  EXPECT_EQ(ExtractFileExt(u"/a/b/c.tar.gz"), u".gz");
  EXPECT_EQ(ChangeFileExt(u"/a/c.txt", u".cnc"), u"/a/c.cnc");
  EXPECT_TRUE(MatchesMask(u"a1b", u"a?b") && MatchesMask(u"abcabcx", u"*abc*x"));
  EXPECT_FALSE(MatchesMask(u"story.txt.bak", u"*.txt"));
}

TEST(DateTime, UnixRoundTrip) {
  const int64_t t = 1700000000;
  EXPECT_EQ(DateTimeToUnix(UnixToDateTime(t)), t);
  EXPECT_NEAR(SecondsBetween(UnixToDateTime(t), UnixToDateTime(t + 90)), 90.0, 1e-3);
}

TEST(Streams, LongintListRoundTripAndDamage) {
  TMemoryStream m;
  const T1LongintList a = {5, -1, 0x7FFFFFFF};
  ASSERT_TRUE(SaveLongintListToStream(m, a));
  EXPECT_EQ(m.Size(), 16);
  m.SetPosition(0);
  T1LongintList b;
  ASSERT_TRUE(ReadLongintListFromStream(m, b));
  EXPECT_EQ(a, b);
  for (int64_t cut = 0; cut < 16; ++cut) {
    TMemoryStream t(std::vector<uint8_t>(m.Data().begin(), m.Data().begin() + cut));
    T1LongintList c = {9};
    EXPECT_FALSE(ReadLongintListFromStream(t, c));
    EXPECT_EQ(c, T1LongintList{9});
  }
}

TEST(DateTime, CalendarDatesRoundTripAndImpossibleOnesAreRefused) {
  TDateTime t = 0;
  ASSERT_TRUE(TryEncodeDateTime(1899, 12, 30, 0, 0, 0, t));
  EXPECT_EQ(t, 0.0);
  ASSERT_TRUE(TryEncodeDateTime(2000, 2, 29, 12, 0, 0, t));
  EXPECT_DOUBLE_EQ(t, 36585.5);
  int y, mo, d, h, mi, s;
  DecodeDateTime(t, y, mo, d, h, mi, s);
  EXPECT_EQ(std::vector<int>({y, mo, d, h, mi, s}), std::vector<int>({2000, 2, 29, 12, 0, 0}));
  DecodeDateTime(-1.25, y, mo, d, h, mi, s);  // before day 0
  EXPECT_EQ(std::vector<int>({y, mo, d, h, mi, s}), std::vector<int>({1899, 12, 28, 18, 0, 0}));
  EXPECT_FALSE(TryEncodeDateTime(1900, 2, 29, 0, 0, 0, t));
  EXPECT_FALSE(TryEncodeDateTime(2021, 4, 31, 0, 0, 0, t));
  EXPECT_FALSE(TryEncodeDateTime(2021, 1, 1, 24, 0, 0, t));
  EXPECT_EQ(DateTimeToUStr(36585.5), u"2000-02-29 12:00:00");
}

TEST(ResizeZeroFilled, GrowsWithZerosAndShrinksAsResizeDoes) {
  // Across several of the fill's blocks, from empty, from a string with units, and back down.
  for (size_t from : {size_t{0}, size_t{5}, size_t{2047}, size_t{2048}, size_t{5000}}) {
    for (size_t to : {size_t{0}, size_t{1}, size_t{2048}, size_t{2049}, size_t{10001}}) {
      UString s(from, u'x'), expected(from, u'x');
      expected.resize(to);
      ResizeZeroFilled(s, to);
      EXPECT_EQ(s, expected) << from << " to " << to;
    }
  }
  // Units beyond the old end that an earlier, longer content left in the buffer read as zeros.
  UString s(3000, u'y');
  s.resize(10);
  ResizeZeroFilled(s, 3000);
  EXPECT_EQ(s.substr(0, 10), UString(10, u'y'));
  EXPECT_EQ(s.find_first_not_of(u'\0', 10), UString::npos);
}
