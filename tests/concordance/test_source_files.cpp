#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "concordance/document/source_files.h"
#include "model/reading/chosen_texts.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_tools.h"
#include "support/temp_folder.h"
#include "support/stream_bytes.h"

namespace {

int32_t I32(const std::vector<uint8_t>& b, size_t at) {
  int32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
void PutI32(std::vector<uint8_t>& b, size_t at, int32_t v) { std::memcpy(b.data() + at, &v, 4); }

TChosenFileDetailsFullRec Details(UStringView folder, UStringView name, int64_t size = 100, double julian = 2459000.5) {
  TChosenFileDetailsFullRec d;
  d.folder = UString(folder);
  d.rec.filename = UString(name);
  d.rec.size = size;
  d.rec.julian_date = julian;
  d.rec.kind = kContentsUTF8;
  d.rec.version = 7;
  return d;
}

// Adds a row numbered by the list's count, as a run adds its texts.
TLinzoraFilenameEntry* AddText(TLinzoraFilenamelist& l, UStringView folder, UStringView name, int32_t hits = 0) {
  auto* e = new TLinzoraFilenameEntry(&l, l.Count(), Details(folder, name));
  e->fdata.other_data.hits_this_file = hits;
  EXPECT_GE(l.Add(e), 0);
  return e;
}

std::vector<UString> Names(const TLinzoraFilenamelist& l) {
  std::vector<UString> v;
  for (int i = 0; i < l.Count(); ++i) v.push_back(l.GetFullFilename(i, false));
  return v;
}

bool SameRecord(const TLinzoraFilenameEntryRecPlus& a, const TLinzoraFilenameEntryRecPlus& b) {
  return a.full_filename == b.full_filename && a.head.words_in_source_file == b.head.words_in_source_file &&
         std::memcmp(&a.other_data, &b.other_data, sizeof a.other_data) == 0;
}

// Where the rows begin in a saved list: parent part (8 + 32), settings (104), two bytes.
constexpr size_t kRowsAt = 8 + 32 + 104 + 2;
constexpr size_t kEntryCountAt = 8;
constexpr size_t kVersionAt = 8 + 32 + 12;

// A list stream of the given version whose rows are written by hand.
std::vector<uint8_t> OldStream(int32_t version, int32_t rows, const std::vector<uint8_t>& row_bytes) {
  TVXBaseHolder holder;
  TLinzoraFilenamelist empty(&holder);
  std::vector<uint8_t> b = Saved(empty);
  b.resize(kRowsAt);
  PutI32(b, kEntryCountAt, rows);
  PutI32(b, kVersionAt, version);
  b.insert(b.end(), row_bytes.begin(), row_bytes.end());
  return b;
}

void AppendHead(std::vector<uint8_t>& b, uint8_t status, int32_t words) {
  TLinzoraFilenameRowHead h{};
  h.filestatus = status;
  h.words_in_source_file = words;
  const auto* p = reinterpret_cast<const uint8_t*>(&h);
  b.insert(b.end(), p, p + sizeof h);
}
void AppendString(std::vector<uint8_t>& b, UStringView s) {
  TMemoryStream m;
  WriteAString(m, s);
  b.insert(b.end(), m.Data().begin(), m.Data().end());
}
// A version-10 name: one length byte and the bytes in the document's code page.
void AppendShortString(std::vector<uint8_t>& b, const std::string& s) {
  b.push_back(static_cast<uint8_t>(s.size()));
  b.insert(b.end(), s.begin(), s.end());
}
void AppendNoPrivateNoJoins(std::vector<uint8_t>& b) { b.insert(b.end(), {0, 0}); }

// Counts what an existence check asks.
class CountingProbe : public TSourceFileProbe {
 public:
  std::vector<UString> present_files, present_folders, network_prefixes;
  int folder_checks = 0, file_checks = 0;
  bool IsNetworkPath(UStringView path) override {
    return std::any_of(network_prefixes.begin(), network_prefixes.end(),
                       [&](const UString& p) { return StartsWithU(path, p); });
  }
  bool FolderExists(UStringView folder) override { return ++folder_checks, In(present_folders, folder); }
  bool FileExists(UStringView name) override { return ++file_checks, In(present_files, name); }

 private:
  static bool In(const std::vector<UString>& v, UStringView x) { return std::find(v.begin(), v.end(), x) != v.end(); }
};

class SourceFilesTest : public ::testing::Test {
 protected:
  // Texts of one folder added in the given order.
  void Fill(TLinzoraFilenamelist& l, UStringView folder, std::initializer_list<const char16_t*> names) {
    for (const char16_t* n : names) AddText(l, folder, n);
  }
  TVXBaseHolder holder_;
};

}  // namespace

// --- runtime pieces ------------------------------------------------------------------------------

TEST(SourceFileRuntime, IntegerAsPercent) {
  const struct {
    int64_t part, whole;
    float want;
  } cases[] = {
      {1, 4, 25.0f}, {0, 5, 0.0f}, {5, 5, 100.0f}, {1, 3, 33.333333f}, {3, 0, kMissingValue},
      {3, -1, kMissingValue}, {3000000000LL, 6000000000LL, 50.0f}, {-1, 4, -25.0f},
  };
  for (const auto& c : cases) EXPECT_FLOAT_EQ(IntegerAsPercent(c.part, c.whole), c.want) << c.part << "/" << c.whole;
}

TEST(SourceFileRuntime, NetworkMountsFromATable) {
  const std::string table =
      "/dev/sda1 / ext4 rw,relatime 0 0\n"
      "server:/export /mnt/nfs nfs4 rw 0 0\n"
      "//nas/share /mnt/my\\040share cifs rw 0 0\n"
      "/dev/sdb1 /mnt/nfs/local ext4 rw 0 0\n"
      "tmpfs /tmp tmpfs rw 0 0\n"
      "garbage\n"
      "\n"
      "user@h:/ /home/u/remote fuse.sshfs rw 0 0";
  const std::vector<UString> net = NetworkMountPointsFrom(table);
  EXPECT_EQ(net, (std::vector<UString>{u"/mnt/nfs", u"/mnt/my share", u"/home/u/remote"}));
  const std::vector<UString> all = {u"/", u"/mnt/nfs", u"/mnt/my share", u"/mnt/nfs/local", u"/tmp", u"/home/u/remote"};
  const struct {
    const char16_t* path;
    bool network;
  } cases[] = {
      {u"//server/share/a.txt", true},  {u"/mnt/nfs/a.txt", true},      {u"/mnt/nfs", true},
      {u"/mnt/nfsx/a.txt", false},      {u"/mnt/nfs/local/a.txt", false}, {u"/mnt/my share/t.txt", true},
      {u"/home/u/remote/x/y.txt", true}, {u"/tmp/a.txt", false},         {u"relative.txt", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsNetworkPathIn(c.path, net, all), c.network) << Utf16ToUtf8(c.path);
  // Without network mounts only "//" names are network names.
  EXPECT_FALSE(IsNetworkPathIn(u"/mnt/nfs/a.txt", {}, all));
  EXPECT_TRUE(IsNetworkPathIn(u"//h/s", {}, {}));
}

TEST(SourceFileRuntime, FileStatusOnARealFolder) {
  TempFolder tmp;
  const UString present = tmp.Write(u"corpus/a.txt", "text");
  const struct {
    UString name;
    bool check_network;
    int want;
  } cases[] = {
      {present, false, kFilePresent}, {tmp.Path() + u"corpus/gone.txt", false, kFileMissing},
      {tmp.Path() + u"nowhere/b.txt", true, kFileMissing}, {u"", true, kFileMissing},
      {u"//server/share/a.txt", false, kFileNotChecked}, {u"//server/share/a.txt", true, kFileMissing},
  };
  for (const auto& c : cases) EXPECT_EQ(GetFileStatusOfAFile(c.name, c.check_network), c.want) << Utf16ToUtf8(c.name);
  EXPECT_TRUE(DriveAndFolderExist(tmp.Path() + u"corpus/"));
  EXPECT_TRUE(DriveAndFolderExist(tmp.Path() + u"corpus"));
  EXPECT_FALSE(DriveAndFolderExist(tmp.Path() + u"nowhere/"));
  // A file is not a folder.
  EXPECT_FALSE(DriveAndFolderExist(present));
}

// --- rows ----------------------------------------------------------------------------------------

TEST_F(SourceFilesTest, ARowFromAChosenTextAndBack) {
  TLinzoraFilenamelist l(&holder_);
  auto* e = new TLinzoraFilenameEntry(&l, 3, Details(u"/corpus/news", u"a.txt", 1234, 2459001.25));
  l.Add(e);
  const TLinzoraFilenameEntryRecPlus& d = e->fdata;
  EXPECT_EQ(d.full_filename, u"/corpus/news/a.txt");
  EXPECT_EQ(d.head.filestatus, kFilePresent);
  EXPECT_EQ(d.head.words_in_source_file, -1);
  EXPECT_EQ(d.other_data.version, 7);
  EXPECT_EQ(d.other_data.KindOfFile[0], kContentsUTF8);
  EXPECT_DOUBLE_EQ(d.other_data.TextualDateAndTime, 2459001.25);
  EXPECT_EQ(d.other_data.file_size, 1234);
  EXPECT_EQ(d.other_data.zero_based_filename_num, 3);
  EXPECT_EQ(d.other_data.hits_this_file, 0);

  const TChosenFileDetailsFullRec back = e->DataAsChosenFileRec();
  EXPECT_EQ(back.folder, u"/corpus/news");
  EXPECT_EQ(back.rec.filename, u"a.txt");
  EXPECT_EQ(back.rec.size, 1234);
  EXPECT_DOUBLE_EQ(back.rec.julian_date, 2459001.25);
  EXPECT_DOUBLE_EQ(back.rec.date, JulianToDateTimeRemovingConst(2459001.25));
  EXPECT_EQ(back.rec.wanted, kWantedFound);
  EXPECT_EQ(back.rec.folder_num, -1);
  ASSERT_TRUE(back.rec.jumps);
  EXPECT_TRUE(back.rec.jumps->empty());
}

TEST_F(SourceFilesTest, RowStreamLayout) {
  TLinzoraFilenamelist l(&holder_);
  TLinzoraFilenameEntry* e = AddText(l, u"/c", u"\u00e9.txt", 9);
  e->fdata.head.filestatus = kFileMissing;
  e->fdata.head.pad[1] = 0x77;  // padding is written as zeros
  e->fdata.head.words_in_source_file = 500;
  e->fdata.other_data.zero_based_filename_num = 4;
  e->fdata.other_data.StillInConcordance = 1;
  TMemoryStream m;
  ASSERT_TRUE(e->SaveToStream(m));
  const std::vector<uint8_t>& b = m.Data();
  ASSERT_EQ(b.size(), 8u + 4 + 2 * 8 + 112);
  EXPECT_EQ(b[0], kFileMissing);
  EXPECT_EQ(b[1] | b[2] | b[3], 0);
  EXPECT_EQ(I32(b, 4), 500);
  EXPECT_EQ(I32(b, 8), 8);
  EXPECT_EQ(b[12], '/');
  EXPECT_EQ(b[18], 0xE9);
  const size_t other = 8 + 4 + 16;
  EXPECT_EQ(I32(b, other + 0), 7);  // version from the chosen text
  EXPECT_EQ(b[other + 5], 1);
  EXPECT_EQ(b[other + 8], kContentsUTF8);
  EXPECT_EQ(I32(b, other + 24), 9);
  EXPECT_EQ(I32(b, other + 32), 100);
  EXPECT_EQ(I32(b, other + 40), 4);
}

TEST_F(SourceFilesTest, WritesCountEveryPart) {
  TLinzoraFilenamelist l(&holder_);
  TLinzoraFilenameEntry* e = AddText(l, u"/c", u"a.txt");
  // A stream that takes only n bytes: every cut inside the row is a failed save.
  class Limited : public TMemoryStream {
   public:
    explicit Limited(int64_t n) : left_(n) {}
    int64_t Write(const void* p, int64_t n) override {
      const int64_t k = std::min(n, left_);
      left_ -= k;
      return TMemoryStream::Write(p, k);
    }

   private:
    int64_t left_;
  };
  TMemoryStream whole;
  ASSERT_TRUE(e->SaveToStream(whole));
  for (int64_t n = 0; n < whole.Size(); ++n) {
    Limited s(n);
    EXPECT_FALSE(e->SaveToStream(s)) << n;
  }
}

// --- the list stream -----------------------------------------------------------------------------

TEST_F(SourceFilesTest, RoundTrip) {
  TLinzoraFilenamelist l(&holder_);
  AddText(l, u"/corpus/news", u"a.txt", 3);
  AddText(l, u"/corpus/\u0444\u0438\u043b", u"\u00e7 b.txt", 0);
  AddText(l, GetToolFolder() + u"samples", u"s.txt", 8);
  l.SetWords(0, false, 1200);
  l.SetStillInConcordance(2, false, true);
  l.Row(1)->fdata.other_data.spare[44] = 0x42;  // bytes nobody names travel as they are
  const std::vector<uint8_t> bytes = Saved(l);
  EXPECT_EQ(I32(bytes, kVersionAt), kFilenameListVersion);
  // The program folder travels as its token.
  auto contains = [&](UStringView text) {
    const auto* p = reinterpret_cast<const uint8_t*>(text.data());
    return std::search(bytes.begin(), bytes.end(), p, p + text.size() * 2) != bytes.end();
  };
  EXPECT_TRUE(contains(UString(kProgramFolderToken) + u"/samples/s.txt"));
  EXPECT_FALSE(contains(GetToolFolder()));

  TLinzoraFilenamelist r(&holder_);
  ASSERT_TRUE(ReadBytes(r, bytes));
  ASSERT_EQ(r.Count(), 3);
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(SameRecord(r.GetEntryRecPlus(i, false), l.GetEntryRecPlus(i, false))) << i;
  EXPECT_TRUE(r.HasOriginalNumbers());
  // The read looked the texts up: none of them exists.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(r.GetFileStatus(i, false), kFileMissing) << i;
  // Written again, the same bytes.
  const std::vector<uint8_t> again = Saved(r);
  EXPECT_EQ(again.size(), bytes.size());
  TLinzoraFilenamelist r2(&holder_);
  ASSERT_TRUE(ReadBytes(r2, again));
  EXPECT_EQ(Saved(r2), again);
}

TEST_F(SourceFilesTest, OldVersionsAreRead) {
  // Version 10: the head and a short string in the document's code page; nothing else.
  {
    std::vector<uint8_t> rows;
    AppendHead(rows, 1, 77);
    AppendShortString(rows, "/old/caf\xE9.txt");
    AppendNoPrivateNoJoins(rows);
    TLinzoraFilenamelist r(&holder_);
    ASSERT_TRUE(ReadBytes(r, OldStream(10, 1, rows)));
    ASSERT_EQ(r.Count(), 1);
    const TLinzoraFilenameEntryRecPlus d = r.GetEntryRecPlus(0, false);
    EXPECT_EQ(d.full_filename, u"/old/caf\u00e9.txt");
    EXPECT_EQ(d.head.words_in_source_file, 77);
    EXPECT_EQ(d.other_data.hits_this_file, 0);
    EXPECT_EQ(d.other_data.file_size, 0);
    EXPECT_FALSE(r.HasOriginalNumbers());
  }
  // Version 11: the head and a UTF-16 name with the program-folder token.
  {
    std::vector<uint8_t> rows;
    AppendHead(rows, 1, 5);
    AppendString(rows, UString(kProgramFolderToken) + u"/x.txt");
    AppendNoPrivateNoJoins(rows);
    AppendHead(rows, 1, 6);
    AppendString(rows, u"/a/\u05d0.txt");
    AppendNoPrivateNoJoins(rows);
    TLinzoraFilenamelist r(&holder_);
    ASSERT_TRUE(ReadBytes(r, OldStream(11, 2, rows)));
    EXPECT_EQ(Names(r), (std::vector<UString>{GetToolFolder() + u"x.txt", u"/a/\u05d0.txt"}));
    EXPECT_EQ(r.GetEntryRecPlus(1, false).head.words_in_source_file, 6);
    EXPECT_EQ(r.GetEntryRecPlus(1, false).other_data.hits_this_file, 0);
  }
  // Version 12: the 112 bytes follow; a number above 0 marks the list as numbered.
  {
    std::vector<uint8_t> rows;
    for (int n : {1, 0}) {
      AppendHead(rows, 1, 10 + n);
      AppendString(rows, n ? u"/a/one.txt" : u"/a/zero.txt");
      TLinzoraFilenameEntryAdditionalRec o{};
      o.hits_this_file = 40 + n;
      o.zero_based_filename_num = n;
      o.file_size = 999;
      const auto* p = reinterpret_cast<const uint8_t*>(&o);
      rows.insert(rows.end(), p, p + sizeof o);
      AppendNoPrivateNoJoins(rows);
    }
    TLinzoraFilenamelist r(&holder_);
    ASSERT_TRUE(ReadBytes(r, OldStream(12, 2, rows)));
    EXPECT_TRUE(r.HasOriginalNumbers());
    EXPECT_EQ(r.GetFullFilename(0, true), u"/a/zero.txt");
    EXPECT_EQ(r.GetEntryRecPlus(1, true).other_data.hits_this_file, 41);
    EXPECT_EQ(r.GetEntryRecPlus(0, true).other_data.file_size, 999);
  }
}

TEST_F(SourceFilesTest, EveryCutOfAStreamFailsAndLeavesTheList) {
  TLinzoraFilenamelist l(&holder_);
  AddText(l, u"/corpus", u"a.txt", 1);
  AddText(l, u"/corpus", u"b.txt", 2);
  const std::vector<uint8_t> bytes = Saved(l);
  TLinzoraFilenamelist r(&holder_);
  AddText(r, u"/kept", u"k.txt");
  for (size_t cut = 0; cut < bytes.size(); ++cut)
    ASSERT_FALSE(ReadBytes(r, std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut))))
        << "cut at " << cut;
  EXPECT_EQ(Names(r), std::vector<UString>{u"/kept/k.txt"});
  // Old forms cut short fail too.
  for (int32_t version : {10, 11, 12}) {
    std::vector<uint8_t> rows;
    AppendHead(rows, 1, 1);
    if (version == 10) AppendShortString(rows, "/ab");
    else AppendString(rows, u"/ab");
    if (version == 12) rows.resize(rows.size() + 112, 0);
    AppendNoPrivateNoJoins(rows);
    const std::vector<uint8_t> whole = OldStream(version, 1, rows);
    for (size_t cut = kRowsAt; cut < whole.size(); ++cut)
      EXPECT_FALSE(ReadBytes(r, std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut))))
          << "version " << version << " cut at " << cut;
    EXPECT_TRUE(ReadBytes(r, whole)) << version;
  }
}

TEST_F(SourceFilesTest, GarbledStreamsAnswerFalse) {
  TLinzoraFilenamelist l(&holder_);
  AddText(l, u"/corpus", u"a.txt", 1);
  AddText(l, u"/corpus", u"b.txt", 2);
  const std::vector<uint8_t> bytes = Saved(l);
  const size_t name_len_at = kRowsAt + 8;
  ASSERT_EQ(I32(bytes, name_len_at), 13);
  TLinzoraFilenamelist r(&holder_);
  // Counts beyond the bytes or negative: refused before anything is made for them.
  const std::pair<size_t, int32_t> bad[] = {
      {kEntryCountAt, -1}, {kEntryCountAt, 0x7FFFFFFF}, {kEntryCountAt, 3},
      {name_len_at, -1},   {name_len_at, 0x7FFFFFFF},   {name_len_at, 1 << 28},
  };
  for (const auto& [at, v] : bad) {
    std::vector<uint8_t> b = bytes;
    PutI32(b, at, v);
    EXPECT_FALSE(ReadBytes(r, b)) << v << " at " << at;
  }
  // A short name length in a version-10 stream cannot reach beyond its 255 bytes.
  {
    std::vector<uint8_t> rows;
    AppendHead(rows, 1, 1);
    rows.push_back(255);
    EXPECT_FALSE(ReadBytes(r, OldStream(10, 1, rows)));
  }
  // Every single byte flipped: an answer either way, never a crash; the list is whole or as it was.
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::vector<uint8_t> b = bytes;
    b[i] ^= 0xA5;
    ReadBytes(r, b);
    EXPECT_TRUE(r.Count() == 0 || r.Count() == 2) << i;
  }
  // A garbled original number is looked up without a table slot per number.
  std::vector<uint8_t> b = bytes;
  PutI32(b, kRowsAt + 8 + 4 + 26 + 40, 0x7FFFFFF0);
  ASSERT_TRUE(ReadBytes(r, b));
  EXPECT_EQ(r.GetFullFilename(0x7FFFFFF0, true), u"/corpus/a.txt");
  EXPECT_EQ(r.GetFullFilename(1, true), u"/corpus/b.txt");
}

// --- order table and sorting ---------------------------------------------------------------------

TEST_F(SourceFilesTest, SortIgnoresCaseAndAnyKey) {
  TLinzoraFilenamelist l(&holder_);
  AddText(l, u"/b", u"Beta.txt");
  AddText(l, u"/A", u"gamma.txt");
  AddText(l, u"/a", u"alpha.txt");
  l.Set1Sort(0, kSortFrequency);  // a key the dialog names: still by name
  ASSERT_TRUE(l.DoASort(1, 0, l.Count() - 1));
  EXPECT_EQ(Names(l), (std::vector<UString>{u"/a/alpha.txt", u"/A/gamma.txt", u"/b/Beta.txt"}));
  l.SetSortAscending(0, false);
  ASSERT_TRUE(l.DoASort(1, 0, l.Count() - 1));
  EXPECT_EQ(Names(l), (std::vector<UString>{u"/b/Beta.txt", u"/A/gamma.txt", u"/a/alpha.txt"}));
  EXPECT_EQ(l.HeaderColumnToSortNeeded(0, kSourceColHits), 1);
}

// Rows made in the order c, a, b (numbers 0, 1, 2) sort to a, b, c: a number must find its row
// where the sort put it, for showing a line's text and for reading it again.
TEST_F(SourceFilesTest, NumbersFindTheirRowsAfterASort) {
  TLinzoraFilenamelist l(&holder_);
  Fill(l, u"/t", {u"c.txt", u"a.txt", u"b.txt"});
  ASSERT_TRUE(l.DoASort(1, 0, l.Count() - 1));
  ASSERT_EQ(Names(l), (std::vector<UString>{u"/t/a.txt", u"/t/b.txt", u"/t/c.txt"}));
  const char16_t* by_number[] = {u"/t/c.txt", u"/t/a.txt", u"/t/b.txt"};
  for (int n = 0; n < 3; ++n) EXPECT_EQ(l.GetFullFilename(n, true), by_number[n]) << n;
  l.SetHits(0, true, 11);
  EXPECT_EQ(l.GetEntryRecPlus(2, false).other_data.hits_this_file, 11);
  EXPECT_EQ(l.GetEntryRecPlus(0, true).other_data.hits_this_file, 11);
  EXPECT_EQ(l.IndexOfAFilename(u"/t/c.txt", true), 0);
  EXPECT_EQ(l.IndexOfAFilename(u"/t/c.txt", false), 2);
  // And again after a second sort the other way.
  l.SetSortAscending(0, false);
  ASSERT_TRUE(l.DoASort(1, 0, l.Count() - 1));
  for (int n = 0; n < 3; ++n) EXPECT_EQ(l.GetFullFilename(n, true), by_number[n]) << n;
  // Through a stream too.
  TLinzoraFilenamelist r(&holder_);
  ASSERT_TRUE(ReadBytes(r, Saved(l)));
  EXPECT_EQ(r.GetFullFilename(2, true), u"/t/b.txt");
  EXPECT_EQ(r.GetEntryRecPlus(0, true).other_data.hits_this_file, 11);
}

TEST_F(SourceFilesTest, IndexesThatNameNoRow) {
  TLinzoraFilenamelist l(&holder_);
  Fill(l, u"/t", {u"a.txt", u"b.txt", u"c.txt"});
  l.Remove(1);  // number 1 is gone; 0 and 2 stay
  EXPECT_EQ(l.GetFullFilename(2, true), u"/t/c.txt");
  EXPECT_EQ(l.GetFullFilename(1, true), u"");
  EXPECT_EQ(l.GetFullFilename(-1, true), u"");
  EXPECT_EQ(l.GetFullFilename(2, false), u"");
  EXPECT_EQ(l.GetFileStatus(7, false), kFileNotChecked);
  const TLinzoraFilenameEntryRecPlus none = l.GetEntryRecPlus(5, true);
  EXPECT_TRUE(none.full_filename.empty());
  EXPECT_EQ(none.head.words_in_source_file, 0);
  l.SetHits(9, true, 5);  // does nothing
  EXPECT_EQ(l.TotalHits(), 0);
  // Beyond the highest number, a number is a position (rows of old documents carry none).
  TLinzoraFilenamelist old(&holder_);
  for (const char16_t* n : {u"x", u"y"}) {
    auto* e = new TLinzoraFilenameEntry(&old, 0, Details(u"/o", n));
    old.Add(e);
  }
  EXPECT_FALSE(old.HasOriginalNumbers());
  EXPECT_EQ(old.GetFullFilename(1, true), u"/o/y");
  l.SetOriginalFilenumber(1);
  EXPECT_EQ(l.GetFullFilename(1, true), u"/t/c.txt");
  EXPECT_EQ(l.GetFullFilename(3, true), u"");
}

TEST_F(SourceFilesTest, IdentityIsTheExactName) {
  TLinzoraFilenamelist l(&holder_);
  Fill(l, u"/t", {u"A.txt", u"a.txt"});
  EXPECT_EQ(l.IndexOfAFilename(u"/t/a.txt", false), 1);
  EXPECT_EQ(l.IndexOfAFilename(u"/t/A.txt", false), 0);
  EXPECT_EQ(l.IndexOfAFilename(u"/T/a.txt", false), -1);
  EXPECT_FALSE(l.Row(0)->IsDuplicateOf(*l.Row(1)));
}

TEST_F(SourceFilesTest, MergeKeepsTheOtherRowsAndTheirNumbers) {
  TLinzoraFilenamelist a(&holder_), b(&holder_);
  AddText(a, u"/a", u"1.txt", 2);
  AddText(b, u"/b", u"1.txt", 3);
  AddText(b, u"/b", u"2.txt", 4);
  ASSERT_TRUE(a.MergeWith(&b));
  EXPECT_EQ(Names(a), (std::vector<UString>{u"/a/1.txt", u"/b/1.txt", u"/b/2.txt"}));
  EXPECT_EQ(b.Count(), 0);
  EXPECT_EQ(a.TotalHits(), 9);
  // Until the numbers are rebuilt, number 0 is the first row holding it.
  EXPECT_EQ(a.GetFullFilename(0, true), u"/a/1.txt");
  for (int i = 0; i < a.Count(); ++i) a.SetOriginalFilenumber(i);
  EXPECT_EQ(a.GetFullFilename(2, true), u"/b/2.txt");
}

// --- grid ----------------------------------------------------------------------------------------

TEST_F(SourceFilesTest, CellsOfEveryColumn) {
  TempFolder tmp;
  tmp.Write(u"c/here.txt", "x");
  TLinzoraFilenamelist l(&holder_);
  AddText(l, tmp.Path() + u"c", u"here.txt", 3);
  AddText(l, tmp.Path() + u"c", u"gone.txt", 1);
  l.SetWords(0, false, 250);
  TGrid_data_rec cell;
  l.DrawgridDataRec(kSourceColFile, 0, cell, 0);
  EXPECT_EQ(cell.text, VXRes(TVXRes::VXFilename));
  ASSERT_EQ(l.HeadingCount(), kSourceColumnCount);

  const double julian = 2459000.5;
  const struct {
    int row, col;
    const char16_t* text;  // nullptr: no text
    float number;          // kMissingValue: no number
    int32_t status;
  } cases[] = {
      {1, kSourceColNumber, u"1", 1.0f, 0},
      {2, kSourceColNumber, u"2", 2.0f, 0},
      {1, kSourceColFile, nullptr, kMissingValue, kFilePresent},
      {2, kSourceColFile, nullptr, kMissingValue, kFileMissing},
      {1, kSourceColHits, nullptr, 3.0f, 0},
      {2, kSourceColHits, nullptr, 1.0f, 0},
      {1, kSourceColHitsPercent, nullptr, 75.0f, 0},
      {2, kSourceColHitsPercent, nullptr, 25.0f, 0},
      {1, kSourceColWords, nullptr, 250.0f, 0},
      {2, kSourceColWords, nullptr, kMissingValue, 0},  // not counted (-1)
      {1, kSourceColSize, nullptr, 100.0f, 0},
      {1, kSourceColDate, nullptr, kMissingValue, 0},
      {3, kSourceColHits, nullptr, kMissingValue, 0},  // no such row
  };
  for (const auto& c : cases) {
    l.DrawgridDataRec(c.col, c.row, cell, 0);
    SCOPED_TRACE(testing::Message() << "row " << c.row << " col " << c.col);
    if (c.text) {
      EXPECT_EQ(cell.text, c.text);
    }
    if (c.col == kSourceColFile) {
      EXPECT_EQ(cell.text, l.GetFullFilename(c.row - 1, false));
      EXPECT_EQ(cell.int_value, c.status);
    }
    EXPECT_EQ(cell.has_number, c.number != kMissingValue);
    if (c.number != kMissingValue) {
      EXPECT_FLOAT_EQ(cell.number.value, c.number);
    }
  }
  l.DrawgridDataRec(kSourceColDate, 1, cell, 0);
  EXPECT_DOUBLE_EQ(cell.date, julian);
  EXPECT_EQ(cell.text, DateTimeToUStr(JulianToDateTimeRemovingConst(julian)));
  // Without any hits the share is missing, not a division by zero.
  l.SetHits(0, false, 0);
  l.SetHits(1, false, 0);
  l.DrawgridDataRec(kSourceColHitsPercent, 1, cell, 0);
  EXPECT_FALSE(cell.has_number);
}

namespace {

// A row of a kind made from the list's own (it counts as one), and a row of another list's kind
// (it has no hits to count).
class TMarkedFilenameEntry : public TLinzoraFilenameEntry {
 public:
  using TLinzoraFilenameEntry::TLinzoraFilenameEntry;
};
class TForeignRow : public TVXBaseListObject {
 public:
  explicit TForeignRow(TVXBaseDataClass* list) : TVXBaseListObject(list, nullptr) {}
  int32_t MainWordFrequency() const override { return 1000; }
};

}  // namespace

// The total the percent column divides by sums every row's hits (none below 0), the rows of a
// kind made from the list's own included, rows of any other kind left out; it follows the hits
// and the rows as they change.
TEST_F(SourceFilesTest, TotalHitsSumEveryRowOfTheListsKindAsItStandsNow) {
  TLinzoraFilenamelist l(&holder_);
  AddText(l, u"/t", u"a.txt", 6);
  auto* marked = new TMarkedFilenameEntry(&l, l.Count(), Details(u"/t", u"b.txt"));
  marked->fdata.other_data.hits_this_file = 2;
  ASSERT_GE(l.Add(marked), 0);
  ASSERT_GE(l.Add(new TForeignRow(&l)), 0);
  AddText(l, u"/t", u"c.txt", -4);  // a damaged count adds nothing
  AddText(l, u"/t", u"d.txt", 0);
  EXPECT_EQ(l.TotalHits(), 8);
  TGrid_data_rec cell;
  l.DrawgridDataRec(kSourceColHitsPercent, 2, cell, 0);
  ASSERT_TRUE(cell.has_number);
  EXPECT_FLOAT_EQ(cell.number.value, 25.0f);
  l.SetHits(4, false, 8);
  EXPECT_EQ(l.TotalHits(), 16);
  l.DrawgridDataRec(kSourceColHitsPercent, 2, cell, 0);
  EXPECT_FLOAT_EQ(cell.number.value, 12.5f);
  l.Remove(0);
  EXPECT_EQ(l.TotalHits(), 10);
  l.DrawgridDataRec(kSourceColHitsPercent, 1, cell, 0);
  EXPECT_FLOAT_EQ(cell.number.value, 20.0f);
}

namespace {

// The percent column's cells as a list reads them: each row's number and text.
std::vector<std::pair<float, UString>> PercentCells(TLinzoraFilenamelist& l) {
  std::vector<std::pair<float, UString>> cells;
  for (int r = 1; r <= l.Count(); ++r) {
    TGrid_data_rec cell;
    l.DrawgridDataRec(kSourceColHitsPercent, r, cell, 0);
    cells.emplace_back(cell.has_number ? cell.number.value : -1.0f, cell.text);
  }
  return cells;
}

}  // namespace

// The total is kept between cells: every way a row's hits or the rows themselves change leaves
// the total and each percent cell as a list read afresh from the same rows gives them (and the
// total the rows' hits summed by hand).
TEST_F(SourceFilesTest, EveryChangeOfTheRowsOrTheirHitsKeepsThePercentCellsRight) {
  using TChange = std::function<void(TLinzoraFilenamelist&)>;
  const auto row_bytes = [](int32_t hits) {
    TVXBaseHolder holder;
    TLinzoraFilenamelist other(&holder);
    TMemoryStream m;
    EXPECT_TRUE(AddText(other, u"/r", u"read.txt", hits)->SaveToStream(m));
    return m.Data();
  };
  const std::vector<std::pair<const char*, TChange>> changes = {
      {"hits set by position", [](auto& l) { l.SetHits(1, false, 7); }},
      {"hits set by number after a sort",
       [](auto& l) {
         l.DoASort(1, 0, l.Count() - 1);
         l.SetHits(0, true, 30);
       }},
      {"hits set to a damaged count", [](auto& l) { l.SetHits(3, false, -3); }},
      {"hits set twice", [](auto& l) { l.SetHits(0, false, 1), l.SetHits(0, false, 4); }},
      {"a row added", [](auto& l) { AddText(l, u"/t", u"e.txt", 5); }},
      {"a row removed", [](auto& l) { l.Remove(0); }},
      {"a row taken out and the gap closed",
       [](auto& l) {
         TVXBaseListObject* e = l.Get(3);
         l.Put(3, nullptr);
         delete e;
         l.Pack();
       }},
      {"a row put into an empty slot",
       [](auto& l) {
         TVXBaseListObject* e = l.Get(0);
         l.Put(0, nullptr);
         delete e;
         auto* put = new TLinzoraFilenameEntry(&l, 0, Details(u"/t", u"put.txt"));
         put->fdata.other_data.hits_this_file = 11;
         l.Put(0, put);
       }},
      {"rows deleted and purged", [](auto& l) { l.DeleteARange({0, 3}, true, true), l.Zap(true); }},
      {"a purge undone", [](auto& l) { l.DeleteARange({0, 3}, true, true), l.Zap(true), l.Undo(); }},
      {"a purge undone and redone",
       [](auto& l) { l.DeleteARange({3}, true, true), l.Zap(true), l.Undo(), l.Redo(); }},
      {"the list cleared", [](auto& l) { l.Clear(); }},
      {"another list merged in",
       [this](auto& l) {
         TLinzoraFilenamelist other(&holder_);
         AddText(other, u"/o", u"1.txt", 13);
         l.MergeWith(&other);
       }},
      {"the list read from a stream",
       [this](auto& l) {
         TLinzoraFilenamelist other(&holder_);
         AddText(other, u"/o", u"1.txt", 3);
         AddText(other, u"/o", u"2.txt", 1);
         ASSERT_TRUE(ReadBytes(l, Saved(other)));
       }},
      {"a row read in place",
       [&](auto& l) {
         l.SetVersionNumber(kFilenameListVersion);  // as a list read from a document is
         ASSERT_TRUE(ReadBytes(*l.Row(2), row_bytes(21)));
       }},
      {"a row's record written by hand and the list told",
       [](auto& l) {
         l.Row(1)->fdata.other_data.hits_this_file = 40;
         l.HitsChanged();
       }},
  };
  for (const auto& [what, change] : changes) {
    SCOPED_TRACE(what);
    TLinzoraFilenamelist l(&holder_);
    for (const auto& [name, hits] : {std::pair{u"d.txt", 6}, {u"b.txt", 2}, {u"c.txt", 0}, {u"a.txt", 9}})
      AddText(l, u"/t", name, hits);
    // The total is known before the change, as after a page was painted.
    ASSERT_EQ(l.TotalHits(), 17);
    PercentCells(l);
    change(l);
    int64_t by_hand = 0;
    for (int i = 0; i < l.Count(); ++i) by_hand += std::max(0, l.GetEntryRecPlus(i, false).other_data.hits_this_file);
    EXPECT_EQ(l.TotalHits(), by_hand);
    TLinzoraFilenamelist afresh(&holder_);
    ASSERT_TRUE(ReadBytes(afresh, Saved(l)));
    EXPECT_EQ(PercentCells(l), PercentCells(afresh));
  }
}

// --- existence check -----------------------------------------------------------------------------

TEST_F(SourceFilesTest, ExistenceOnARealFolder) {
  TempFolder tmp;
  const UString here = tmp.Write(u"c/here.txt", "x");
  tmp.Write(u"d/other.txt", "x");
  TLinzoraFilenamelist l(&holder_);
  Fill(l, tmp.Path() + u"c", {u"here.txt", u"missing.txt"});
  AddText(l, tmp.Path() + u"d", u"other.txt");
  EXPECT_EQ(l.FilesStillExisting(false), 2);
  EXPECT_EQ(l.ExistenceCheckState(), 2);
  EXPECT_EQ(l.GetFileStatus(0, false), kFilePresent);
  EXPECT_EQ(l.GetFileStatus(1, false), kFileMissing);
  // The folder goes: its text is missing.
  std::filesystem::remove_all(ToFsPath(tmp.Path() + u"d"));
  EXPECT_EQ(l.FilesStillExisting(false), 1);
  EXPECT_EQ(l.GetFileStatus(2, false), kFileMissing);
  // Nothing left: the state says no text was found.
  DeleteFileU(here);
  EXPECT_EQ(l.FilesStillExisting(true), 0);
  EXPECT_EQ(l.ExistenceCheckState(), 0);
}

TEST_F(SourceFilesTest, ExistenceCheckLooksAtAMissingFolderOnceAndLeavesNetworkFiles) {
  TLinzoraFilenamelist l(&holder_);
  Fill(l, u"/gone", {u"a.txt", u"b.txt"});
  AddText(l, u"//server/share", u"n.txt");
  AddText(l, u"/here", u"h.txt");
  CountingProbe probe;
  probe.present_folders = {u"/here/", u"//server/share/"};
  probe.present_files = {u"/here/h.txt", u"//server/share/n.txt"};
  probe.network_prefixes = {u"//"};
  EXPECT_EQ(l.FilesStillExisting(false, &probe), 1);
  EXPECT_EQ(probe.folder_checks, 2);  // /gone/ once, /here/ once
  EXPECT_EQ(probe.file_checks, 1);
  const int want[] = {kFileMissing, kFileMissing, kFileNotChecked, kFilePresent};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(l.GetFileStatus(i, false), want[i]) << i;
  CountingProbe with_network = probe;
  with_network.folder_checks = with_network.file_checks = 0;
  EXPECT_EQ(l.FilesStillExisting(true, &with_network), 2);
  EXPECT_EQ(l.GetFileStatus(2, false), kFilePresent);
}

// --- renaming ------------------------------------------------------------------------------------

TEST_F(SourceFilesTest, SearchAndReplaceInFolderOrName) {
  const struct {
    bool in_folder;
    const char16_t* find;
    const char16_t* replacement;
    const char16_t* want;
    int changed;
  } cases[] = {
      {true, u"news", u"NEWS2", u"/data/NEWS2/news_1.txt", 1},  // the name keeps its "news"
      {false, u"NEWS", u"old", u"/data/news/old_1.txt", 1},     // case ignored in the search
      {true, u"a", u"4", u"/d4ta/news/news_1.txt", 1},           // first occurrence only
      {false, u"zzz", u"y", u"/data/news/news_1.txt", 0},
      {true, u"/data/", u"/corpus/", u"/corpus/news/news_1.txt", 1},
      // An empty search text would be found at the start of every name and prefix them all.
      {false, u"", u"x", u"/data/news/news_1.txt", 0},
      {true, u"", u"x", u"/data/news/news_1.txt", 0},
  };
  for (const auto& c : cases) {
    TLinzoraFilenamelist l(&holder_);
    AddText(l, u"/data/news", u"news_1.txt");
    EXPECT_EQ(l.DoAFilenameSearchAndReplace(c.find, c.replacement, c.in_folder), c.changed) << Utf16ToUtf8(c.find);
    EXPECT_EQ(l.GetFullFilename(0, false), c.want) << Utf16ToUtf8(c.find);
  }
}
