#include <gtest/gtest.h>

#include <unzip.h>
#include <zip.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/zip/zip_archive_cache.h"
#include "platform/zip/zip_forge.h"
#include "support/temp_folder.h"

namespace {

constexpr TZipOpenMode kWrite = TZipOpenMode::ReadWrite;

// Text-like data that compresses only in part: words picked by a fixed generator.
std::string MakeData(size_t n, uint32_t seed) {
  static const char* const words[] = {"the ", "corpus ", "of ", "texts\n", "zip ", "\xC3\xA9t\xC3\xA9 ", "42 "};
  std::string s;
  s.reserve(n + 16);
  uint32_t x = seed;
  while (s.size() < n) {
    x = x * 1664525u + 1013904223u;
    if ((x >> 28) == 0) s.push_back(static_cast<char>(x >> 8));  // some noise
    else s += words[(x >> 16) % 7];
  }
  s.resize(n);
  return s;
}

std::string ReadAll(const UString& name) {
  std::ifstream in(ToFsPath(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string AsString(const TMemoryStream& m) { return std::string(m.Data().begin(), m.Data().end()); }
TMemoryStream Bytes(std::string_view s) { return TMemoryStream(std::vector<uint8_t>(s.begin(), s.end())); }

bool Open(TZipForge& z, const UString& name, TZipOpenMode mode = TZipOpenMode::Read) {
  z.SetFileName(name);
  return z.OpenArchive(mode);
}

// The member's data, or "<failed>".
std::string Extracted(TZipForge& z, int32_t index) {
  TMemoryStream out;
  return z.ExtractToStream(index, out) ? AsString(out) : "<failed>";
}

// Writes an archive with minizip directly, with raw member names and no checks of our own.
void RawZip(const UString& path, const std::vector<std::pair<std::string, std::string>>& members,
            uLong flags = 0) {
  zipFile z = zipOpen64(Utf16ToUtf8(path).c_str(), APPEND_STATUS_CREATE);
  ASSERT_NE(z, nullptr);
  for (const auto& [name, data] : members) {
    zip_fileinfo zi{};
    zi.tmz_date.tm_year = 2020;
    zi.tmz_date.tm_mday = 1;
    ASSERT_EQ(zipOpenNewFileInZip4_64(z, name.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 6, 0,
                                      -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, nullptr, 0, 20, flags, 0),
              ZIP_OK);
    ASSERT_EQ(zipWriteInFileInZip(z, data.data(), static_cast<unsigned>(data.size())), ZIP_OK);
    ASSERT_EQ(zipCloseFileInZip(z), ZIP_OK);
  }
  ASSERT_EQ(zipClose(z, nullptr), ZIP_OK);
}

// A source that claims more bytes than it can give.
class ShortStream : public TStream {
 public:
  int64_t Read(void* buffer, int64_t count) override {
    const int64_t n = std::min<int64_t>(count, 500 - std::min<int64_t>(pos_, 500));
    std::memset(buffer, 'x', static_cast<size_t>(n));
    pos_ += n;
    return n;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    pos_ = (origin == TSeekOrigin::Begin ? 0 : origin == TSeekOrigin::Current ? pos_ : 1000) + offset;
    return pos_;
  }
  int64_t Size() override { return 1000; }

 private:
  int64_t pos_ = 0;
};

class ZipArchive : public ::testing::Test {
 protected:
  void SetUp() override {
    small_ = "first member\r\nsecond line\n";
    big_ = MakeData(5 * 1024 * 1024 / 2 + 12345, 7);  // over 2 MiB
    nested_ = MakeData(70000, 3);
    utf8_ = "stra\xC3\x9F" "e, caf\xC3\xA9\n";
    src_ = tmp_.Path() + u"src/";
    for (int i = 0; i < 4; ++i) tmp_.Write(u"src/" + names_[i], *data_[i]);
    archive_ = tmp_.Path() + u"texts.zip";
  }

  void MakeArchive() {
    TZipForge z;
    z.SetBaseDir(src_);
    ASSERT_TRUE(Open(z, archive_, kWrite)) << Utf16ToUtf8(z.LastError());
    // Names are relative to the base folder.
    for (const UString& name : names_) ASSERT_TRUE(z.AddFile(src_ + name));
    EXPECT_EQ(z.GetEntryCount(), 4);
    ASSERT_TRUE(z.CloseArchive()) << Utf16ToUtf8(z.LastError());
  }

  TempFolder tmp_;
  UString src_, archive_;
  std::string small_, big_, nested_, utf8_;
  const std::vector<UString> names_ = {u"a.txt", u"big.txt", u"sub/deeper/c.txt", u"caf\u00e9 \u4e2d.txt"};
  const std::vector<const std::string*> data_ = {&small_, &big_, &nested_, &utf8_};
};

TEST_F(ZipArchive, ListsCountsAndExtractsEveryMember) {
  MakeArchive();
  EXPECT_TRUE(IsAZipFile(archive_));
  TZipForge z;
  ASSERT_TRUE(Open(z, archive_)) << Utf16ToUtf8(z.LastError());
  ASSERT_EQ(z.GetEntryCount(), 4);
  const UString out = tmp_.Path() + u"out";
  for (int i = 0; i < 4; ++i) {
    TZipMemberInfo m;
    ASSERT_TRUE(z.GetMember(i, m));
    EXPECT_EQ(m.index, i);
    EXPECT_EQ(m.name, names_[i]);
    EXPECT_EQ(m.size, static_cast<int64_t>(data_[i]->size()));
    EXPECT_GT(m.compressed_size, 0);
    EXPECT_FALSE(m.is_folder);
    EXPECT_LE(SecondsBetween(m.date, FileDateTime(src_ + names_[i])), 2.0);  // zip dates keep even seconds
    EXPECT_EQ(z.FindMember(names_[i]), i);
    EXPECT_TRUE(Extracted(z, i) == *data_[i]) << i;
    UString written;
    ASSERT_TRUE(z.ExtractToFolder(i, out, &written)) << Utf16ToUtf8(z.LastError());
    EXPECT_EQ(written, out + u"/" + names_[i]);
    EXPECT_TRUE(ReadAll(written) == *data_[i]) << i;
    EXPECT_LE(SecondsBetween(FileDateTime(written), FileDateTime(src_ + names_[i])), 2.0);
  }
  EXPECT_LT(z.Members()[1].compressed_size, z.Members()[1].size);
  EXPECT_EQ(z.FindMember(u"SUB\\Deeper\\C.TXT"), -1);
  EXPECT_EQ(z.FindMember(u"SUB\\Deeper\\C.TXT", false), 2);
  EXPECT_EQ(z.FindMember(u"missing.txt"), -1);
  TZipMemberInfo none;
  EXPECT_FALSE(z.GetMember(4, none));
  EXPECT_EQ(Extracted(z, 7), "<failed>");
  EXPECT_TRUE(z.CloseArchive());
  EXPECT_EQ(z.GetEntryCount(), 0);
}

TEST_F(ZipArchive, MemberReadInPiecesEqualsTheWhole) {
  MakeArchive();
  TZipForge z;
  ASSERT_TRUE(Open(z, archive_));
  auto s = z.OpenMemberStream(1);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->Size(), static_cast<int64_t>(big_.size()));
  // 2 MiB chunks, each one rewinding a little as the text reader does at a boundary cut.
  const int64_t chunk = 2 * 1024 * 1024;
  std::string joined;
  std::vector<char> buf(chunk);
  for (int64_t pos = 0; pos < s->Size();) {
    ASSERT_TRUE(s->SetPosition(pos));
    const int64_t n = s->Read(buf.data(), chunk);
    ASSERT_GT(n, 0);
    const int64_t keep = (pos + n < s->Size()) ? n - 3001 : n;  // carry 3001 bytes over
    joined.append(buf.data(), static_cast<size_t>(keep));
    pos += keep;
  }
  EXPECT_TRUE(joined == big_);
  EXPECT_FALSE(s->Failed());
  EXPECT_EQ(s->Read(buf.data(), 10), 0);  // at the end
  // From an offset, without reading what comes before; then back to the start.
  ASSERT_TRUE(s->SetPosition(2'000'000));
  ASSERT_TRUE(s->ReadExact(buf.data(), 100000));
  EXPECT_EQ(std::string(buf.data(), 100000), big_.substr(2'000'000, 100000));
  ASSERT_TRUE(s->SetPosition(5));
  ASSERT_TRUE(s->ReadExact(buf.data(), 50));
  EXPECT_EQ(std::string(buf.data(), 50), big_.substr(5, 50));
  EXPECT_EQ(s->Write("x", 1), 0);
  // The stream lives on without the archive object.
  auto small = z.OpenMemberStream(0);
  z.CloseArchive();
  TMemoryStream m;
  ASSERT_TRUE(m.CopyFrom(*small));
  EXPECT_EQ(AsString(m), small_);
}

TEST_F(ZipArchive, AppendKeepsMembersAndWritesTheComment) {
  MakeArchive();
  {
    TZipForge z;
    ASSERT_TRUE(Open(z, archive_, kWrite));
    ASSERT_TRUE(z.SetFileComment("only a comment"));
  }  // a comment-only change, written when the destructor closes the archive
  {
    TZipForge z;
    ASSERT_TRUE(Open(z, archive_, kWrite));
    EXPECT_EQ(z.GetEntryCount(), 4);
    EXPECT_EQ(z.GetFileComment(), "only a comment");
    ASSERT_TRUE(z.SetFileComment("batch of results .cnc"));
    TMemoryStream extra = Bytes("new");
    ASSERT_TRUE(z.AddFromStream(u"added/new.txt", extra));
    EXPECT_EQ(z.GetEntryCount(), 5);
    EXPECT_EQ(Extracted(z, 4), "new");  // reading after adding sees the new member too
    ASSERT_TRUE(z.CloseArchive());
    // A second append without a new comment keeps it.
    ASSERT_TRUE(Open(z, archive_, kWrite));
    TMemoryStream more = Bytes("m");
    ASSERT_TRUE(z.AddFromStream(u"more.txt", more, 45000.5));
  }
  TZipForge z;
  ASSERT_TRUE(Open(z, archive_));
  ASSERT_EQ(z.GetEntryCount(), 6);
  EXPECT_EQ(z.GetFileComment(), "batch of results .cnc");
  EXPECT_DOUBLE_EQ(z.Members()[5].date, 45000.5);
  EXPECT_TRUE(Extracted(z, z.FindMember(u"big.txt")) == big_);
  // Read-only archives take no additions and no comment.
  EXPECT_FALSE(z.SetFileComment("x") || z.AddFile(src_ + u"a.txt"));
  EXPECT_FALSE(z.LastError().empty());
}

TEST_F(ZipArchive, AddAndMoveByMask) {
  const UString batch = tmp_.Path() + u"batch/";
  for (const char16_t* name : {u"r1.cnc", u"r2.cnc", u"r3.cnc", u"keep.txt", u"deep/r4.cnc"})
    tmp_.Write(UString(u"batch/") + name, Utf16ToUtf8(name));
  const UString zip_name = batch + u"all.cnc";  // the archive matches the mask itself

  TZipForge z;
  z.SetBaseDir(batch);
  ASSERT_TRUE(Open(z, zip_name, kWrite));
  int32_t last_done = -1, files_done = 0;
  z.OnOverallProgress = [&](int32_t done, int32_t total) { last_done = done; EXPECT_EQ(total, 3); };
  z.OnFileDone = [&](const UString& name, int64_t size, int64_t) {
    ++files_done;
    EXPECT_TRUE(FileExists(batch + name));  // nothing is deleted while adding
    EXPECT_GT(size, 0);
  };
  int32_t moved = 0;
  ASSERT_TRUE(z.MoveFiles(u"*.cnc", false, &moved)) << Utf16ToUtf8(z.LastError());
  EXPECT_EQ(std::vector<int32_t>({moved, last_done, files_done}), std::vector<int32_t>({3, 3, 3}));
  EXPECT_FALSE(FileExists(batch + u"r1.cnc") || FileExists(batch + u"r3.cnc"));
  EXPECT_TRUE(FileExists(batch + u"keep.txt") && FileExists(batch + u"deep/r4.cnc"));
  {
    // The sources went only after the archive was complete on disk.
    TZipForge other;
    ASSERT_TRUE(Open(other, zip_name));
    EXPECT_EQ(other.GetEntryCount(), 3);
  }
  z.OnOverallProgress = nullptr;
  z.OnFileDone = nullptr;
  int32_t added = 0;
  ASSERT_TRUE(z.AddFiles(u"*", true, &added));
  EXPECT_EQ(added, 2);  // keep.txt and deep/r4.cnc, never the archive itself
  EXPECT_TRUE(FileExists(batch + u"keep.txt"));
  EXPECT_EQ(z.FindMember(u"deep/r4.cnc"), 3);  // names come sorted
  ASSERT_TRUE(z.AddFiles(u"deep/*.cnc"));
  ASSERT_TRUE(z.AddFiles(u"*.none", false, &added));  // nothing matches: nothing to do
  EXPECT_EQ(added, 0);
  ASSERT_TRUE(z.CloseArchive());

  ASSERT_TRUE(Open(z, zip_name));
  ASSERT_EQ(z.GetEntryCount(), 6);
  EXPECT_EQ(Extracted(z, z.FindMember(u"r3.cnc")), "r3.cnc");
  // Moving into an archive open for reading moves nothing.
  EXPECT_FALSE(z.MoveFiles(u"*.txt"));
  EXPECT_TRUE(FileExists(batch + u"keep.txt"));
}

TEST_F(ZipArchive, MoveLeavesFilesThatCouldNotBeAdded) {
  const UString batch = tmp_.Path() + u"batch/";
  for (const char16_t* name : {u"r1.cnc", u"r2.cnc", u"r3.cnc"}) tmp_.Write(UString(u"batch/") + name, "x");
  TZipForge z;
  z.SetBaseDir(batch);
  ASSERT_TRUE(Open(z, tmp_.Path() + u"m.zip", kWrite));
  // r2 turns into a folder just before it is taken: it cannot be added and must stay.
  z.OnOverallProgress = [&](int32_t done, int32_t) {
    if (done == 1) {
      DeleteFileU(batch + u"r2.cnc");
      ForceDirectories(batch + u"r2.cnc");
    }
  };
  int32_t moved = 0;
  EXPECT_FALSE(z.MoveFiles(u"*.cnc", false, &moved));
  EXPECT_NE(z.LastError().find(u"r2.cnc"), UString::npos);
  EXPECT_EQ(moved, 2);
  EXPECT_TRUE(DirectoryExists(batch + u"r2.cnc"));
  EXPECT_FALSE(FileExists(batch + u"r1.cnc"));
  EXPECT_EQ(z.GetEntryCount(), 2);
}

TEST_F(ZipArchive, UnreadableSourceGivesADamagedMemberNotAShortOne) {
  TZipForge z;
  ASSERT_TRUE(Open(z, archive_, kWrite));
  ShortStream bad;
  EXPECT_FALSE(z.AddFromStream(u"short.txt", bad));
  EXPECT_FALSE(z.LastError().empty());
  TMemoryStream good = Bytes("ok");
  ASSERT_TRUE(z.AddFromStream(u"good.txt", good));
  ASSERT_TRUE(z.CloseArchive());

  ASSERT_TRUE(z.OpenArchive());
  ASSERT_EQ(z.GetEntryCount(), 2);
  EXPECT_EQ(Extracted(z, 0), "<failed>");
  EXPECT_NE(z.LastError().find(u"CRC"), UString::npos);
  auto s = z.OpenMemberStream(0);
  ASSERT_NE(s, nullptr);
  std::vector<char> buf(1000);
  EXPECT_FALSE(s->ReadExact(buf.data(), s->Size()));
  EXPECT_TRUE(s->Failed());
  EXPECT_EQ(Extracted(z, 1), "ok");
}

TEST_F(ZipArchive, UnsafeMemberNamesAreRefusedOnExtraction) {
  const UString evil = tmp_.Path() + u"evil.zip";
  RawZip(evil, {{"../evil.txt", "e1"},
                {"/abs.txt", "e2"},
                {"ok/../../up.txt", "e3"},
                {"C:win.txt", "e4"},
                {"..\\back.txt", "e5"},
                {"\\root.txt", "e6"},
                {"fine/..hidden.txt", "good"},
                {"good.txt", "good"}});
  TZipForge z;
  ASSERT_TRUE(Open(z, evil));
  ASSERT_EQ(z.GetEntryCount(), 8);
  const UString target = tmp_.Path() + u"inner/target";
  ASSERT_TRUE(ForceDirectories(target));
  for (int i = 0; i < 6; ++i) {
    EXPECT_FALSE(z.ExtractToFolder(i, target)) << i;
    EXPECT_NE(z.LastError().find(u"unsafe"), UString::npos);
    EXPECT_FALSE(IsSafeMemberName(z.Members()[i].name));
  }
  EXPECT_FALSE(FileExists(tmp_.Path() + u"inner/evil.txt"));
  EXPECT_FALSE(FileExists(tmp_.Path() + u"up.txt"));
  EXPECT_FALSE(FileExists(u"/abs.txt"));
  EXPECT_TRUE(z.ExtractToFolder(6, target));
  EXPECT_TRUE(z.ExtractToFolder(7, target));
  EXPECT_EQ(ReadAll(target + u"/fine/..hidden.txt"), "good");
  EXPECT_EQ(Extracted(z, 0), "e1");  // the data itself can still be read into memory
  z.CloseArchive();
  // Nor can such names be written.
  TZipForge w;
  ASSERT_TRUE(Open(w, tmp_.Path() + u"w.zip", kWrite));
  TMemoryStream d = Bytes("x");
  EXPECT_FALSE(w.AddFromStream(u"../out.txt", d));
  EXPECT_FALSE(w.AddFile(tmp_.Path() + u"evil.zip", u"/abs.zip"));
  EXPECT_EQ(w.GetEntryCount(), 0);
}

TEST_F(ZipArchive, DamagedOrForeignFilesFailCleanly) {
  MakeArchive();
  const std::string whole = ReadAll(archive_);
  const UString half = tmp_.Write(u"half.zip", whole.substr(0, whole.size() / 2));
  const UString tail_cut = tmp_.Write(u"tail.zip", whole.substr(0, whole.size() - 10));
  const UString text = tmp_.Write(u"notes.zip", "this is a plain text file, not an archive\n");
  const UString empty = tmp_.Write(u"empty.zip", "");
  const UString pk_only = tmp_.Write(u"pk.zip", "PK\x03\x04");
  for (const UString& bad : {half, tail_cut, text, empty, pk_only, tmp_.Path() + u"missing.zip"}) {
    TZipForge z;
    EXPECT_FALSE(Open(z, bad)) << Utf16ToUtf8(bad);
    EXPECT_FALSE(z.LastError().empty());
    EXPECT_FALSE(z.IsOpen());
    EXPECT_EQ(z.GetEntryCount(), 0);
    EXPECT_EQ(z.OpenMemberStream(0), nullptr);
  }
  EXPECT_FALSE(IsAZipFile(text) || IsAZipFile(empty));
  EXPECT_TRUE(IsAZipFile(half));  // it begins like one; opening it tells the truth
  // A file that is no archive is never overwritten by opening it for adding.
  TZipForge w;
  EXPECT_FALSE(Open(w, text, kWrite));
  EXPECT_EQ(ReadAll(text), "this is a plain text file, not an archive\n");
  EXPECT_FALSE(Open(w, tmp_.Path() + u"no/such/folder/x.zip", kWrite));
  // Damaged compressed data inside an intact directory: the member fails, never crashes.
  std::string bent = whole;
  for (size_t i = bent.size() / 3; i < bent.size() / 3 + 64; ++i) bent[i] = static_cast<char>(bent[i] ^ 0x5A);
  TZipForge z;
  ASSERT_TRUE(Open(z, tmp_.Write(u"bent.zip", bent)));
  const int32_t big = z.FindMember(u"big.txt");
  EXPECT_EQ(Extracted(z, big), "<failed>");
  auto s = z.OpenMemberStream(big);
  ASSERT_NE(s, nullptr);
  std::vector<char> buf(1 << 20);
  int64_t total = 0, n = 0;
  while ((n = s->Read(buf.data(), static_cast<int64_t>(buf.size()))) > 0) total += n;
  EXPECT_TRUE(s->Failed());
  EXPECT_LT(total, s->Size());
  EXPECT_FALSE(z.ExtractToFolder(big, tmp_.Path() + u"bent_out"));
  EXPECT_FALSE(FileExists(tmp_.Path() + u"bent_out/big.txt"));  // nothing half-written is left
}

TEST(ZipNames, DosCodePageAndFlaggedUtf8Names) {
  TempFolder tmp;
  const UString name = tmp.Path() + u"names.zip";
  RawZip(name, {{"\x82t\x82.txt", "1"}, {"dir/", ""}});               // code page 437, no flag
  RawZip(tmp.Path() + u"u.zip", {{"\xE4\xB8\xAD.txt", "2"}}, 0x800);  // flagged UTF-8
  TZipForge z;
  ASSERT_TRUE(Open(z, name));
  ASSERT_EQ(z.GetEntryCount(), 2);
  EXPECT_EQ(z.Members()[0].name, u"\u00e9t\u00e9.txt");
  EXPECT_TRUE(z.Members()[1].is_folder);
  EXPECT_TRUE(z.ExtractToFolder(1, tmp.Path() + u"x"));
  EXPECT_TRUE(DirectoryExists(tmp.Path() + u"x/dir"));
  EXPECT_EQ(z.Members()[0].date, 43831.0);  // 1 January 2020
  ASSERT_TRUE(Open(z, tmp.Path() + u"u.zip"));
  EXPECT_EQ(z.Members()[0].name, u"\u4e2d.txt");
}

TEST(ZipNames, SafeNames) {
  for (const char16_t* ok : {u"a.txt", u"a/b/c.txt", u"..a", u"a..", u"a/.../b", u"ab:c"}) EXPECT_TRUE(IsSafeMemberName(ok)) << Utf16ToUtf8(ok);
  for (const char16_t* bad : {u"", u"..", u"../a", u"a/../../b", u"a\\..\\b", u"/a", u"\\a", u"c:a", u"Z:\\a", u"a/.."})
    EXPECT_FALSE(IsSafeMemberName(bad)) << Utf16ToUtf8(bad);
}

TEST(ZipNames, EmptyArchiveIsCreatedAndReadBack) {
  TempFolder tmp;
  const UString name = tmp.Path() + u"empty.zip";
  TZipForge z;
  ASSERT_TRUE(Open(z, name, kWrite));
  EXPECT_EQ(z.GetEntryCount(), 0);
  ASSERT_TRUE(z.SetFileComment("nothing yet"));
  ASSERT_TRUE(z.CloseArchive());
  EXPECT_EQ(FileSizeU(name), 22 + 11);
  EXPECT_TRUE(IsAZipFile(name));
  ASSERT_TRUE(z.OpenArchive());
  EXPECT_EQ(z.GetEntryCount(), 0);
  EXPECT_EQ(z.GetFileComment(), "nothing yet");
  ASSERT_TRUE(z.OpenArchive(kWrite));  // reopening closes first
  TMemoryStream d = Bytes("a"), d2 = Bytes("b");
  ASSERT_TRUE(z.AddFromStream(u"a.txt", d));
  ASSERT_TRUE(z.AddFromStream(u"a.txt", d2));  // a second member of the same name is kept too
  ASSERT_TRUE(z.CloseArchive());
  ASSERT_TRUE(z.OpenArchive());
  EXPECT_EQ(z.GetEntryCount(), 2);
  EXPECT_EQ(z.FindMember(u"a.txt"), 0);
  EXPECT_EQ(z.GetFileComment(), "nothing yet");
}

}  // namespace

// --- a run over the texts of an archive ---------------------------------------------------------

namespace {

std::string StreamText(TStream& s) {
  std::string out(static_cast<size_t>(std::max<int64_t>(0, s.Size())), '\0');
  return s.ReadExact(out.data(), static_cast<int64_t>(out.size())) ? out : "<failed>";
}

// An archive of n small members "m<i>.txt" holding "text <i>".
UString SmallMembersArchive(const TempFolder& tmp, int n) {
  const UString path = tmp.Path() + u"many.zip";
  TZipForge z;
  z.SetFileName(path);
  EXPECT_TRUE(z.OpenArchive(kWrite));
  for (int i = 0; i < n; ++i) {
    TMemoryStream m = Bytes("text " + std::to_string(i));
    EXPECT_TRUE(z.AddFromStream(u"m" + IntToUStr(i) + u".txt", m));
  }
  EXPECT_TRUE(z.CloseArchive());
  return path;
}

}  // namespace

// Each text of an archive used to open it again and list every member: a run over n members
// listed n times n members.
TEST(ZipArchiveRun, ARunListsEachArchiveOnceAndReadsEveryMemberRight) {
  TempFolder tmp;
  const UString path = SmallMembersArchive(tmp, 300);
  EXPECT_EQ(TZipArchiveCache::Current(), nullptr);
  std::unique_ptr<TZipMemberStream> kept;
  {
    TZipArchiveRun run;
    ASSERT_EQ(TZipArchiveCache::Current().get(), &run.Cache());
    {
      TZipArchiveRun inner;  // a run inside a run shares its archives
      EXPECT_EQ(&inner.Cache(), &run.Cache());
    }
    ASSERT_EQ(TZipArchiveCache::Current().get(), &run.Cache());
    for (int i = 0; i < 300; ++i) {
      auto s = run.Cache().OpenMember(path, i, u"m" + IntToUStr(i) + u".txt");
      ASSERT_TRUE(s) << i;
      ASSERT_EQ(StreamText(*s), "text " + std::to_string(i));
    }
    EXPECT_EQ(run.Cache().ArchivesListed(), 1);
    // A stale index: the name finds the member. A missing member or archive: a reason given.
    UString why;
    auto by_name = run.Cache().OpenMember(path, 7, u"m12.txt");
    ASSERT_TRUE(by_name);
    EXPECT_EQ(StreamText(*by_name), "text 12");
    EXPECT_FALSE(run.Cache().OpenMember(path, 3, u"none.txt", &why));
    EXPECT_NE(why.find(u"none.txt"), UString::npos);
    EXPECT_FALSE(run.Cache().OpenMember(tmp.Path() + u"gone.zip", 0, u"m0.txt", &why));
    EXPECT_NE(why.find(u"gone.zip"), UString::npos);
    kept = run.Cache().OpenMember(path, 299, u"m299.txt");
    ASSERT_TRUE(kept);
  }
  // The run is over and its archives closed; a stream still open reads on.
  EXPECT_EQ(TZipArchiveCache::Current(), nullptr);
  EXPECT_EQ(StreamText(*kept), "text 299");
}

// Readers on several threads reading members of one archive at once each get their own handle.
TEST(ZipArchiveRun, ReadersOnSeveralThreadsReadMembersOfOneArchiveAtOnce) {
  TempFolder tmp;
  const UString path = SmallMembersArchive(tmp, 400);
  TZipArchiveRun run;
  std::vector<int> wrong(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = t; i < 400; i += 2) {  // two threads on each member
        auto s = TZipArchiveCache::Current()->OpenMember(path, i, u"m" + IntToUStr(i) + u".txt");
        if (!s || StreamText(*s) != "text " + std::to_string(i)) ++wrong[static_cast<size_t>(t)];
      }
    });
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
  EXPECT_EQ(run.Cache().ArchivesListed(), 1);
}
