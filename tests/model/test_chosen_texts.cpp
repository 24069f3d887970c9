#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "model/reading/chosen_texts_handover.h"
#include "model/chosen_texts_test_support.h"
#include "model/reading/chosen_texts.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/temporary_names.h"
#include "platform/runtime/vx_tools.h"
#include "platform/runtime/vx_runtime.h"
#include "support/log_capture.h"
#include "support/temp_folder.h"
#include "support/stream_bytes.h"

using namespace std::string_literals;

namespace {

TChosenFile_BaseRec Rec(UStringView name, int64_t size, TDateTime date = 40000.25) {
  TChosenFile_BaseRec r;
  r.filename = UString(name);
  r.size = size;
  r.date = date;
  r.julian_date = DateTimeToJulianAddingConst(date);
  return r;
}

// Two folders, three texts (one a zip member, one with jump positions) and two notes.
void FillSmallSet(TSharedChosenFilesClass& set) {
  TChosenFile_BaseRec a = Rec(u"a.txt", 100, 40000.5);
  a.words = 17;
  a.wanted = kWantedFound;
  a.kind = kContentsUTF8;
  a.hits = 3;
  ASSERT_TRUE(set.AddedAFile(a, u"/corpus/one"));
  TChosenFile_BaseRec b = Rec(u"b\u00E9.txt", 200, 41000.75);
  b.jumps = std::make_shared<TJumpList>(TJumpList{7, 3});
  ASSERT_TRUE(set.AddedAFile(b, u"/corpus/two"));
  TChosenFile_BaseRec c = Rec(u"c.txt", 300, 42000);
  c.zip_member = 2;
  c.kind = kContentsUTF16 | kContentsZip;
  ASSERT_TRUE(set.AddedAFile(c, u"/corpus/one"));
  set.fNotes.Add(u"first note");
  set.fNotes.Add(u"second");
}

std::vector<uint8_t> SmallSetBytes() {
  TSharedChosenFilesClass set(false, nullptr, 1);
  FillSmallSet(set);
  return Saved(set);
}

bool Reads(TSharedChosenFilesClass& set, const std::vector<uint8_t>& bytes) {
  TMemoryStream m(bytes);
  return set.ReadFromStream(m);
}

// The bytes with an int32 put at one place.
std::vector<uint8_t> Patched(std::vector<uint8_t> b, size_t at, int32_t v) {
  PutI32(b, at, v);
  return b;
}

void PutRecord(Bytes& e, int32_t stored_folder, int32_t member, double date, int64_t size, int32_t words,
               uint8_t wanted, uint8_t kind, int32_t hits) {
  e.put<int32_t>(stored_folder).put<int32_t>(member).put<double>(date).put<int64_t>(size);
  e.put<int32_t>(words).zeros(4).put<uint8_t>(wanted).put<uint8_t>(kind).zeros(2).put<int32_t>(2);
  e.put<double>(DateTimeToJulianAddingConst(date)).put<int32_t>(hits).zeros(8).zeros(4);
}

TEST(ChosenTextsStream, SmallSetIsWrittenByteForByte) {
  TSharedChosenFilesClass set(false, nullptr, 1);
  FillSmallSet(set);
  const std::vector<uint8_t> got = Saved(set);

  Bytes e;
  const int32_t sig = ToolSignature(kToolController);
  const std::string id = "TESSORINE_CHOSEN_TEXTS_(" + std::to_string(sig) + ")";
  e.put<int32_t>(sig).put<int32_t>(0).put<int32_t>(1).put<int32_t>(0);
  e.put<uint8_t>(static_cast<uint8_t>(id.size())).ascii(id).zeros(40 - id.size());
  ASSERT_EQ(e.b.size(), 57u);
  e.put<int64_t>(600).put<int32_t>(0).put<int32_t>(2).zeros(24);  // extra statistics
  e.put<int32_t>(3);
  PutRecord(e, -1, 0, 40000.5, 100, 17, kWantedFound, kContentsUTF8, 3);
  e.counted(u"a.txt").put<int32_t>(0);
  PutRecord(e, -2, 0, 41000.75, 200, -1, 0, 0, 0);
  e.counted(u"b\u00E9.txt").put<int32_t>(2).put<int32_t>(7).put<int32_t>(3);
  PutRecord(e, -1, 2, 42000, 300, -1, 0, kContentsUTF16 | kContentsZip, 0);
  e.counted(u"c.txt").put<int32_t>(0);
  e.counted(u"/corpus/one\n/corpus/two").counted(u"first note\nsecond");
  EXPECT_EQ(got, e.b);

  // And back: every field read is written again as it was.
  TSharedChosenFilesClass back(false, nullptr, 1);
  TMemoryStream m(got);
  ASSERT_TRUE(back.ReadFromStream(m));
  EXPECT_EQ(m.BytesLeft(), 0);
  ASSERT_EQ(back.FileCount(), 3);
  EXPECT_EQ(back.FullFilename(1), u"/corpus/two/b\u00E9.txt");
  EXPECT_EQ(*back.fFiles.Item(1)->data.jumps, (TJumpList{7, 3}));
  EXPECT_EQ(back.TotalBytes(), 600);
  EXPECT_EQ(back.fNotes.Text(), set.fNotes.Text());
  EXPECT_EQ(Saved(back), got);
}

TEST(ChosenTextsStream, FolderIndexIsStoredNegative) {
  TSharedChosenFilesClass set(false, nullptr, 1);
  for (int i = 0; i < 6; ++i) set.GetFolderInfo(u"/f" + IntToUStr(i));
  TChosenFile_BaseRec r = Rec(u"x.txt", 1);
  r.folder_num = 5;
  ASSERT_TRUE(set.AddedAFile(r, u""));
  r.folder_num = 0;
  ASSERT_TRUE(set.AddedAFile(r, u""));
  const auto b = Saved(set);
  const size_t first = 57 + 40 + 4;
  EXPECT_EQ(I32At(b, first), -6);
  EXPECT_EQ(I32At(b, first + 64 + 4 + 10 + 4), -1);
}

TEST(ChosenTextsStream, EveryCutAndAForeignHeaderFailAndChangeNothing) {
  const auto full = SmallSetBytes();
  for (size_t cut = 0; cut < full.size(); ++cut) {
    TSharedChosenFilesClass back(false, nullptr, 1);
    back.AddedAFile(Rec(u"keep.txt", 5), u"/k");
    EXPECT_FALSE(Reads(back, std::vector<uint8_t>(full.begin(), full.begin() + static_cast<long>(cut)))) << cut;
    ASSERT_EQ(back.FileCount(), 1);
    EXPECT_EQ(back.FullFilename(0), u"/k/keep.txt");
    EXPECT_EQ(back.TotalBytes(), 5);
  }
  // Another signature, or the right one with another identification text.
  for (size_t at : {size_t(0), size_t(20)}) {
    auto bad = full;
    bad[at] ^= 0x01;
    TSharedChosenFilesClass back(false, nullptr, 1);
    EXPECT_FALSE(Reads(back, bad));
  }
}

TEST(ChosenTextsStream, CountsFromTheFileAreChecked) {
  const auto full = SmallSetBytes();
  const size_t count_at = 57 + 40;
  const size_t name_at = count_at + 4 + 64;
  const size_t notes_at = full.size() - 4 - 2 * 17;
  const size_t folders_at = notes_at - 4 - 2 * 23;
  const std::vector<std::pair<size_t, int32_t>> bad = {
      {count_at, -1}, {count_at, 4}, {count_at, 0x7FFFFFFF}, {count_at, INT32_MIN}, {name_at, -1},
      {name_at, 0x7FFFFFFF}, {name_at, INT32_MIN}, {folders_at, -5}, {folders_at, 0x40000000},
      {notes_at, -5}, {notes_at, 0x40000000}};
  for (const auto& [at, v] : bad) {
    TSharedChosenFilesClass back(false, nullptr, 1);
    EXPECT_FALSE(Reads(back, Patched(full, at, v))) << v << " at " << at;
  }
  // A stored folder index beyond the folders means none.
  TSharedChosenFilesClass back(false, nullptr, 1);
  ASSERT_TRUE(Reads(back, Patched(full, count_at + 4, -101)));
  EXPECT_EQ(back.fFiles.Item(0)->data.folder_num, -1);
  EXPECT_EQ(back.FolderName(0), u"");
}

TEST(ChosenTextsStream, GarbledBytesNeverCrash) {
  const auto full = SmallSetBytes();
  for (size_t at = 0; at < full.size(); ++at) {
    for (uint8_t v : {uint8_t(0x00), uint8_t(0x7F), uint8_t(0x80), uint8_t(0xFF)}) {
      auto b = full;
      b[at] = v;
      TSharedChosenFilesClass back(false, nullptr, 1);
      if (Reads(back, b)) {
        for (int32_t i = 0; i < back.FileCount(); ++i) back.FullFilename(i);
        EXPECT_GE(back.TotalBytes(), 0);
      }
    }
  }
}

TEST(ChosenTextsStream, OldFoldersTextIsEightBit) {
  Bytes e;
  const std::string id = TSharedChosenFilesClass::ChosenTextsIdentification();
  e.put<int32_t>(ToolSignature(kToolController)).put<int32_t>(0).put<int32_t>(7).put<int32_t>(0);
  e.put<uint8_t>(static_cast<uint8_t>(id.size())).ascii(id).zeros(40 - id.size());
  e.put<int64_t>(0).put<int32_t>(0).put<int32_t>(0).zeros(24);  // version 0
  e.put<int32_t>(0).put<int32_t>(15).ascii("  /caf\xE9\r\n/two\r\n").put<int32_t>(0);
  TSharedChosenFilesClass set(false, nullptr, 1);
  ASSERT_TRUE(Reads(set, e.b));
  EXPECT_EQ(set.version, 7);
  EXPECT_EQ(set.fFolders.Text(), u"/caf\u00E9\n/two");
}

// --- adding -----------------------------------------------------------------------------------

TEST(ChosenTexts, ExtensionsRefusedOrAdded) {
  TSharedChosenFilesClass open(false, nullptr, 1), restricted(true, nullptr, 1);
  EXPECT_FALSE(open.AddedAFile(Rec(u"x.VXpreparsed", 1), u"/f"));
  EXPECT_TRUE(open.AddedAFile(Rec(u"x.vxpreparsed", 1), u"/f"));  // compared exactly
  EXPECT_TRUE(open.AddedAFile(Rec(u"x.html", 1), u"/f"));
  EXPECT_FALSE(restricted.AddedAFile(Rec(u"x.HTML", 1), u"/f"));
  EXPECT_TRUE(restricted.AddedAFile(Rec(u"x.txt", 1), u"/f"));
  EXPECT_TRUE(open.AddedAFile(Rec(u"x.txt", 1), u"/f"));
  EXPECT_FALSE(open.AddIfNotInAlready(Rec(u"x.txt", 1), u"/f"));
  EXPECT_TRUE(open.AddIfNotInAlready(Rec(u"x.txt", 2), u"/f"));
  EXPECT_TRUE(open.AddIfNotInAlready(Rec(u"x.txt", 1), u"/F"));  // folders differ by case
  EXPECT_EQ(open.FileCount(), 5);
  EXPECT_EQ(open.fFolders.Count(), 2);
  EXPECT_EQ(open.TotalBytes(), 6);
}

class ChosenTextsOnDisk : public ::testing::Test {
 protected:
  void SetUp() override { ClearStopStateForNewJob(); }
  void TearDown() override { ClearStopStateForNewJob(); }

  UString Zip(UStringView name, const std::vector<std::pair<UString, std::string>>& members) {
    return MakeZip(tmp.Path() + UString(name), members);
  }
  UString Folder(UStringView sub = u"") const { return ExcludeTrailingPathDelimiter(tmp.Path() + UString(sub)); }
  static std::vector<UString> Names(const TSharedChosenFilesClass& set) {
    std::vector<UString> names;
    for (int32_t i = 0; i < set.FileCount(); ++i) names.push_back(set.FullFilename(i));
    return names;
  }

  TempFolder tmp;
};

TEST_F(ChosenTextsOnDisk, FolderTreeWithMaskSubfoldersAndZips) {
  tmp.Write(u"c/a.txt", "aaa");
  tmp.Write(u"c/b.dat", "b");
  tmp.Write(u"c/sub/c.txt", "cccc");
  tmp.Write(u"c/sub/deep/d.txt", "dd");
  tmp.Write(u"c/empty/e.dat", "e");
  Zip(u"c/z.zip", {{u"m1.txt", "one"}, {u"in/m2.txt", "two!"}, {u"m3.dat", "x"}});
  const UString c = Folder(u"c");

  TSharedChosenFilesClass set(false, nullptr, 1);
  EXPECT_EQ(set.AddedFolderContents(c, u"*.txt", false, false), 1);
  EXPECT_EQ(set.FullFilename(0), c + u"/a.txt");

  set.ClearThem();
  EXPECT_EQ(set.AddedFolderContents(c + u"/", u"*.txt", true, true), 5);
  EXPECT_EQ(Names(set), (std::vector<UString>{c + u"/a.txt", c + u"/z.zip/m1.txt", c + u"/z.zip/in/m2.txt",
                                              c + u"/sub/c.txt", c + u"/sub/deep/d.txt"}));
  EXPECT_EQ(set.fFiles.Item(1)->data.zip_member, 1);
  EXPECT_EQ(set.fFiles.Item(2)->data.zip_member, 2);
  EXPECT_EQ(set.fFiles.Item(2)->data.size, 4);
  EXPECT_EQ(set.TotalBytes(), 3 + 3 + 4 + 4 + 2);
  // Only folders that gave texts are kept ("empty" gave none).
  EXPECT_EQ(set.fFolders.Count(), 5);
  EXPECT_LT(set.FolderIndex(c + u"/empty"), 0);

  // Adding the same tree again brings no new folder, so no duplicate check is needed, and no
  // text chosen already.
  set.TakeRepeatsLeftOut();
  EXPECT_EQ(set.AddedFolderContents(c, u"*.txt", true, true), 0);
  EXPECT_FALSE(set.check_duplicates_needed);
  EXPECT_EQ(set.FileCount(), 5);
  EXPECT_EQ(set.TakeRepeatsLeftOut(), 5);

  // Without WithinZips an archive is a file like any other.
  set.ClearThem();
  EXPECT_EQ(set.AddedFolderContents(c, u"*.zip", false, false), 1);
  EXPECT_TRUE(set.check_duplicates_needed);
  EXPECT_EQ(set.AddedFolderContents(c + u"/missing", u"*", true, true), 0);
}

// Each way of choosing a text again leaves it out and counts it; what is new still comes in.
TEST_F(ChosenTextsOnDisk, TextsChosenAgainAreLeftOutAndCounted) {
  tmp.Write(u"r/a.txt", "aaa");
  tmp.Write(u"r/s/b.txt", "bb");
  tmp.Write(u"r/s/c.txt", "c");
  tmp.Write(u"r/t/d.txt", "dddd");
  Zip(u"r/s/z.zip", {{u"m.txt", "mm"}, {u"in/n.txt", "nnn"}});
  const UString r = Folder(u"r"), s = Folder(u"r/s");
  TSharedChosenFilesClass saved(false, nullptr, 1);
  saved.AddedFolderContents(s, u"*.txt", false, true);
  saved.AddedAFile(saved.fFiles.Item(0)->data, s);  // a choice that holds a text twice
  ASSERT_EQ(saved.FileCount(), 5);

  struct TCase {
    const char* what;
    std::function<int32_t(TSharedChosenFilesClass&)> add;  // answers how many were added
    int32_t added, left_out;
  };
  const std::vector<TCase> cases = {
      {"the folder", [&](TSharedChosenFilesClass& set) { return set.AddedFolderContents(s, u"*.txt", false, true); }, 4, 0},
      {"the folder again", [&](TSharedChosenFilesClass& set) { return set.AddedFolderContents(s, u"*.txt", false, true); }, 0, 4},
      {"the folder with a trailing delimiter",
       [&](TSharedChosenFilesClass& set) { return set.AddedFolderContents(s + u"/", u"*.txt", false, true); }, 0, 4},
      {"the parent with sub-folders",
       [&](TSharedChosenFilesClass& set) { return set.AddedFolderContents(r, u"*.txt", true, true); }, 2, 4},
      {"one file by name", [&](TSharedChosenFilesClass& set) { return int32_t(set.ToolAddAFile(s + u"/b.txt")); }, 0, 1},
      {"through another path", [&](TSharedChosenFilesClass& set) { return int32_t(set.ToolAddAFile(r + u"/t/../s/c.txt")); }, 0, 1},
      {"a choice holding them, one twice",
       [&](TSharedChosenFilesClass& set) {
         const int32_t before = set.FileCount();
         set.CopyFrom(saved);
         return set.FileCount() - before;
       }, 0, 5},
  };
  TSharedChosenFilesClass set(false, nullptr, 1);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    const int32_t before = set.FileCount();
    EXPECT_EQ(c.add(set), c.added);
    EXPECT_EQ(set.FileCount(), before + c.added);
    EXPECT_EQ(set.TakeRepeatsLeftOut(), c.left_out);
    EXPECT_EQ(set.TakeRepeatsLeftOut(), 0);  // taken
  }
  EXPECT_EQ(Names(set), (std::vector<UString>{s + u"/b.txt", s + u"/c.txt", s + u"/z.zip/m.txt", s + u"/z.zip/in/n.txt",
                                              r + u"/a.txt", r + u"/t/d.txt"}));
  EXPECT_EQ(set.TotalBytes(), 2 + 1 + 2 + 3 + 3 + 4);
  // The copy into an empty set keeps one of the repeated text.
  TSharedChosenFilesClass fresh(false, nullptr, 1);
  fresh.CopyFrom(saved);
  EXPECT_EQ(fresh.FileCount(), 4);
  EXPECT_EQ(fresh.TakeRepeatsLeftOut(), 1);
}

// A chosen text named as a zip archive stands for its texts, where it stood (a text chosen
// already is counted as left out); an archive that cannot be read, or holds no text, stays,
// marked, and is named with why.
TEST_F(ChosenTextsOnDisk, ArchivesChosenAsFilesStandForTheirTexts) {
  const UString first = tmp.Write(u"a/first.txt", "one");
  const UString last = tmp.Write(u"a/last.txt", "four");
  const UString zip = Zip(u"a/texts.ZIP", {{u"b.txt", "bb"}, {u"in/c.txt", "ccc"}});
  const UString empty = Zip(u"a/empty.zip", {});
  const UString damaged = tmp.Write(u"a/damaged.zip", "PK\x03\x04 not really");
  TSharedChosenFilesClass set(false, nullptr, 1);
  ASSERT_EQ(set.AddedFolderContents(Folder(u"a"), u"b.txt", false, true), 1);  // the member on its own
  for (const UString& name : {first, zip, damaged, empty, last}) ASSERT_TRUE(set.ToolAddAFile(name));
  const int64_t kept_bytes = FileSizeU(damaged) + FileSizeU(empty);
  set.TakeRepeatsLeftOut();
  std::vector<TSharedChosenFilesClass::TArchiveRefusal> refused;
  EXPECT_EQ(set.TakeArchivesAsMembers(&refused), 1);
  EXPECT_EQ(Names(set), (std::vector<UString>{zip + u"/b.txt", first, zip + u"/in/c.txt", damaged, empty, last}));
  EXPECT_EQ(set.TakeRepeatsLeftOut(), 1);
  EXPECT_EQ(set.fFiles.Item(2)->data.zip_member, 2);
  EXPECT_EQ(set.fFiles.Item(2)->data.size, 3);
  EXPECT_EQ(set.TotalBytes(), 2 + 3 + 3 + kept_bytes + 4);
  ASSERT_EQ(refused.size(), 2u);
  EXPECT_EQ(refused[0].archive, damaged);
  EXPECT_EQ(refused[0].why.rfind(u"a zip archive that cannot be read", 0), 0u) << Utf16ToUtf8(refused[0].why);
  EXPECT_EQ(refused[1].archive, empty);
  EXPECT_EQ(refused[1].why, u"a zip archive holding no texts");
  for (int32_t i : {3, 4}) EXPECT_EQ(set.fFiles.Item(i)->data.wanted, kWantedNotFound);
  // Asked again, nothing is left to replace and the same two are named.
  refused.clear();
  EXPECT_EQ(set.TakeArchivesAsMembers(&refused), 0);
  EXPECT_EQ(set.FileCount(), 6);
  EXPECT_EQ(refused.size(), 2u);
}

TEST_F(ChosenTextsOnDisk, CollectingStopsWhenAsked) {
  for (int i = 0; i < 5; ++i) tmp.Write(u"s/" + IntToUStr(i) + u"/t.txt", "t");
  TSharedChosenFilesClass set(false, nullptr, 1);
  int folders = 0;
  set.fOnFolder = [&](const UString&) {
    if (++folders == 3) set.StopCollecting();
  };
  EXPECT_EQ(set.AddedFolderContents(Folder(u"s"), u"*.txt", true, false), 1);  // from the folders before the stop
  EXPECT_EQ(set.FileCount(), 1);
}

TEST_F(ChosenTextsOnDisk, NamesThatAreNotUtf8AreLeftOut) {
  tmp.Write(u"n/ok.txt", "ok");
  const std::filesystem::path folder = ToFsPath(tmp.Path() + u"n");
  std::ofstream(folder / std::string("bad\xFF.txt")) << "bad";
  std::filesystem::create_directories(folder / std::string("dir\xFE"));
  std::ofstream(folder / std::string("dir\xFE") / "in.txt") << "in";
  TSharedChosenFilesClass set(false, nullptr, 1);
  EXPECT_EQ(set.AddedFolderContents(Folder(u"n"), u"*.txt", true, false), 1);
  EXPECT_EQ(set.FullFilename(0), Folder(u"n") + u"/ok.txt");
}

// What a walk leaves out for a name that is not UTF-8 is said once, at the end of the walk, with
// the count and the first folder (and how many others); a clean walk says nothing.
TEST_F(ChosenTextsOnDisk, NamesLeftOutAreSaidOncePerWalk) {
  const auto bad = [&](const UString& folder, const std::string& name) {
    std::filesystem::create_directories(ToFsPath(tmp.Path() + folder));
    std::ofstream(ToFsPath(tmp.Path() + folder) / name) << "bad";
  };
  tmp.Write(u"clean/ok.txt", "ok");
  tmp.Write(u"one/ok.txt", "ok");
  bad(u"one", "bad\xFF.txt");
  tmp.Write(u"many/ok.txt", "ok");
  bad(u"many", "bad\xFF.txt");
  bad(u"many", "worse\xC0\xAF.txt");
  std::filesystem::create_directories(ToFsPath(tmp.Path() + u"many") / std::string("dir\xFE"));
  bad(u"many/sub", "deep\xFF.txt");
  bad(u"many/sub/subsub", "deeper\xFF.txt");
  const struct {
    const char16_t* folder;
    int32_t added;
    UString note;
  } cases[] = {
      {u"clean", 1, u""},
      {u"one", 1, u"1 name not valid UTF-8 left out, in " + Folder(u"one")},
      {u"many", 1, u"5 names not valid UTF-8 left out, in " + Folder(u"many") + u" and 2 other folders"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.folder));
    TLogCapture log(tmp.Path());
    TSharedChosenFilesClass set(false, nullptr, 1);
    EXPECT_EQ(set.AddedFolderContents(Folder(c.folder), u"*.txt", true, false), c.added);
    EXPECT_EQ(set.LeftOutNamesNote(), c.note);
    EXPECT_EQ(log.LinesWith("not valid UTF-8"), c.note.empty() ? 0 : 1);
  }
}

// The temporary files of saves and modifications are never chosen, whatever the mask.
TEST_F(ChosenTextsOnDisk, TemporaryFilesOfSavesAreNeverChosen) {
  tmp.Write(u"t/text.txt", "a text");
  tmp.Write(u"t/notes.cnc", "a document");
  const std::string folder = Utf16ToUtf8(tmp.Path()) + "t/";
  for (const char* target : {"text.txt", "notes.cnc", "gone.txt"})
    std::ofstream(TemporarySiblingName(folder + target, 4242, 0xabcdef01)) << "half a save";
  tmp.Write(u"t/.~kept.txt.tmp", "not of the pattern");
  for (const char16_t* mask : {u"*.*", u"*", u"*.tmp", u".~*"}) {
    SCOPED_TRACE(Utf16ToUtf8(mask));
    TSharedChosenFilesClass set(false, nullptr, 1);
    set.AddedFolderContents(Folder(u"t"), mask, false, false);
    for (const UString& name : Names(set)) EXPECT_FALSE(IsOurTemporaryName(name)) << Utf16ToUtf8(name);
    EXPECT_TRUE(set.LeftOutNamesNote().empty());
  }
  TSharedChosenFilesClass all(false, nullptr, 1);
  EXPECT_EQ(all.AddedFolderContents(Folder(u"t"), u"*", false, false), 3);
}

TEST_F(ChosenTextsOnDisk, MissingTextsAndMembersAreRemoved) {
  const UString a = tmp.Write(u"m/a.txt", "aaaa");
  const UString b = tmp.Write(u"m/b.txt", "bb");
  Zip(u"m/z.zip", {{u"k.txt", "kk"}, {u"gone.txt", "g"}});
  TSharedChosenFilesClass set(false, nullptr, 1);
  ASSERT_EQ(set.AddedFolderContents(Folder(u"m"), u"*.txt", false, true), 4);
  EXPECT_FALSE(set.ToolAddAFile(tmp.Path() + u"m/../m/a.txt"));  // the same text again
  // The archive loses a member, one file goes.
  Zip(u"m/z.zip", {{u"k.txt", "kk"}});
  ASSERT_TRUE(DeleteFileU(b));
  std::vector<int> percents;
  set.fOnFilesPercent = [&](int p) { percents.push_back(p); };
  EXPECT_EQ(set.CheckFilesExist(), 2);
  EXPECT_EQ(Names(set), (std::vector<UString>{a, Folder(u"m") + u"/z.zip/k.txt"}));
  EXPECT_EQ(set.TotalBytes(), 6);
  EXPECT_FALSE(percents.empty());
}

TEST_F(ChosenTextsOnDisk, MemberHandedOutUnderAUniqueTemporaryName) {
  Zip(u"t/z.zip", {{u"deep/er/m.txt", "member text"}});
  TSharedChosenFilesClass set(false, nullptr, 1);
  ASSERT_EQ(set.AddedFolderContents(Folder(u"t"), u"*", false, true), 1);
  const UString name = set.TempFilewithZipOpened(0);
  ASSERT_FALSE(name.empty());
  EXPECT_EQ(ReadAll(name), "member text");
  EXPECT_EQ(name.find(u"deep"), UString::npos);
  EXPECT_EQ(ExtractFileExt(name), u".txt");
  const UString again = set.TempFilewithZipOpened(0);
  EXPECT_NE(again, name);
  DeleteFileU(name);
  DeleteFileU(again);
  set.ToolAddAFile(tmp.Write(u"t/plain.txt", "p"));
  EXPECT_EQ(set.TempFilewithZipOpened(1) + set.TempFilewithZipOpened(9), u"");  // no member, no text
}

TEST(ChosenTexts, SplitsJoinedMemberNames) {
  TempFolder tmp;
  const UString zip = tmp.Write(u"a.ZIP", "PK\x05\x06" + std::string(18, '\0'));
  UString archive, member;
  ASSERT_TRUE(SplitZipMemberName(zip + u"/x/y.txt", archive, member));
  EXPECT_EQ(archive, zip);
  EXPECT_EQ(member, u"x/y.txt");
  EXPECT_FALSE(SplitZipMemberName(zip + u"/", archive, member));
  EXPECT_FALSE(SplitZipMemberName(tmp.Path() + u"b.zip/y.txt", archive, member));
  EXPECT_FALSE(SplitZipMemberName(u"y.txt", archive, member));
}

// --- duplicates -------------------------------------------------------------------------------

TEST(ChosenTexts, InterleavedDuplicatesAreFound) {
  TSharedChosenFilesClass set(false, nullptr, 1);
  // Four texts of one size: x, y, x again, y again; and two of another size.
  for (int round = 0; round < 2; ++round) {
    set.AddedAFile(Rec(u"x.txt", 10), u"/f");
    set.AddedAFile(Rec(u"y.txt", 10), u"/f");
    set.AddedAFile(Rec(u"z.txt", 20 + round), u"/f");
  }
  set.SetSortTo(chosen_nome_arquivo);
  set.CurrentSort[1] = chosen_palavras;  // equal everywhere: x, y, x, y stay interleaved by size
  set.CheckDuplicates();
  ASSERT_EQ(set.FileCount(), 4);
  // The name order is put back.
  std::vector<UString> names;
  for (int32_t i = 0; i < set.FileCount(); ++i) names.push_back(set.fFiles.Item(i)->data.filename);
  EXPECT_EQ(names, (std::vector<UString>{u"x.txt", u"y.txt", u"z.txt", u"z.txt"}));
  EXPECT_EQ(set.CurrentSort[0], chosen_nome_arquivo);
  EXPECT_EQ(set.TotalBytes(), 10 + 10 + 20 + 21);
}

TEST(ChosenTexts, DuplicateKeysCountFolderDateAndMember) {
  TSharedChosenFilesClass set(false, nullptr, 1);
  set.AddedAFile(Rec(u"x.txt", 10), u"/one");
  set.AddedAFile(Rec(u"x.txt", 10), u"/two");           // another folder
  set.AddedAFile(Rec(u"X.txt", 10), u"/one");           // names are case-sensitive
  set.AddedAFile(Rec(u"x.txt", 10, 39000.0), u"/one");  // another date
  TChosenFile_BaseRec m = Rec(u"x.txt", 10);
  m.zip_member = 3;
  set.AddedAFile(m, u"/one");  // another member
  set.CheckDuplicates();
  EXPECT_EQ(set.FileCount(), 5);
  // Removing ignores the date but not the member.
  set.RemoveDuplicates();
  EXPECT_EQ(set.FileCount(), 4);
  EXPECT_EQ(set.CurrentSort[0], chosen_tamanho);
}

// --- encodings --------------------------------------------------------------------------------

TEST_F(ChosenTextsOnDisk, KindsOfFilesAndMembers) {
  std::string utf16;
  for (char c : std::string("plain text in sixteen bits, no mark at all")) utf16 += std::string{c, '\0'};
  const std::vector<std::tuple<const char16_t*, std::string, TFileContentsSet>> cases = {
      {u"ascii.txt", "just ascii\n", kContents8Bit},
      {u"utf8.txt", "caf\xC3\xA9\n", kContentsUTF8},
      {u"utf8bom.txt", "\xEF\xBB\xBFplain", kContentsUTF8},
      {u"latin.txt", "caf\xE9 cr\xE8me\n", kContents8Bit},
      {u"le.txt", "\xFF\xFEx\0"s, kContentsUTF16},
      {u"be.txt", "\xFE\xFF\0x"s, kContentsUTF16BE},
      {u"guess.txt", utf16, kContentsUTF16},
      {u"doc.txt", "%PDF-1.4 ...", kContentsDocument},
      {u"empty.txt", "", kContents8Bit},
  };
  for (const auto& [name, bytes, kind] : cases)
    EXPECT_EQ(FileContentsType(tmp.Write(UString(u"k/") + name, bytes), true), kind) << Utf16ToUtf8(name);
  EXPECT_EQ(FileContentsType(tmp.Path() + u"k/none.txt", true), 0);

  // Valid UTF-8 in the first 64 KiB and a stray byte after: only a thorough look sees it.
  const UString l = tmp.Write(u"late.txt", "\xC3\xA9" + std::string(100000, 'a') + "\xFF");
  EXPECT_EQ(FileContentsType(l, false), kContentsUTF8);
  EXPECT_EQ(FileContentsType(l, true), kContents8Bit);
  // A multi-byte character across the 64 KiB and 2 MiB reads is not broken.
  std::string straddle = std::string(65535, 'a') + "\xE2\x82\xAC" + std::string(2 * 1024 * 1024 - 3, 'b') + "\xE2\x82\xAC";
  EXPECT_EQ(FileContentsType(tmp.Write(u"straddle.txt", straddle), true), kContentsUTF8);

  TSharedChosenFilesClass set(false, nullptr, 1);
  set.AddedFolderContents(Folder(u"k"), u"*.txt", false, false);
  Zip(u"z/z.zip", {{u"m.txt", "\xC3\xA9t\xC3\xA9"}});
  set.AddedFolderContents(Folder(u"z"), u"*.txt", false, true);
  bool mixed = false, some_utf8 = false;
  set.CheckForUnicode(true, mixed, some_utf8);
  EXPECT_TRUE(mixed && some_utf8);
  EXPECT_EQ(set.fFiles.Item(set.FileCount() - 1)->data.kind, kContentsUTF8 | kContentsZip);

  // One encoding, in a file and in a member, is not a mix.
  TSharedChosenFilesClass same(false, nullptr, 1);
  same.ToolAddAFile(tmp.Path() + u"k/utf8.txt");
  same.AddedFolderContents(Folder(u"z"), u"*.txt", false, true);
  same.CheckForUnicode(false, mixed, some_utf8);
  EXPECT_FALSE(mixed);
}

TEST_F(ChosenTextsOnDisk, Utf8AndEightBitTextsBecomeUtf16) {
  const UString u8 = tmp.Write(u"u/a.txt", "\xEF\xBB\xBF" "caf\xC3\xA9\n\xE2\x82\xAC");
  const UString l1 = tmp.Write(u"u/b.txt", "caf\xE9 \x80");
  const UString le = tmp.Write(u"u/c.txt", "\xFF\xFEx\0"s);
  TSharedChosenFilesClass set(false, nullptr, 1);
  set.AddedFolderContents(Folder(u"u"), u"*.txt", false, false);
  bool mixed, some;
  set.CheckForUnicode(true, mixed, some);
  const int64_t before = set.TotalBytes();
  EXPECT_EQ(set.ConvertUTF8sToUnicode(), 2);
  EXPECT_EQ(ReadAll(u8), "\xFF\xFE" "c\0a\0f\0\xE9\0\n\0\xAC\x20"s);
  EXPECT_EQ(ReadAll(l1), "\xFF\xFE" "c\0a\0f\0\xE9\0 \0\xAC\x20"s);
  EXPECT_EQ(ReadAll(le), "\xFF\xFEx\0"s);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(set.fFiles.Item(i)->data.kind, kContentsUTF16);
    EXPECT_EQ(set.fFiles.Item(i)->data.size, FileSizeU(set.FullFilename(i)));
  }
  EXPECT_EQ(set.TotalBytes(), before + (14 - 12) + (14 - 6));
  EXPECT_EQ(set.ConvertUTF8sToUnicode(), 0);  // nothing left to convert
}

TEST_F(ChosenTextsOnDisk, FailedConversionKeepsTheText) {
  const std::string original = "caf\xC3\xA9 " + std::string(3000, 'x');
  const UString f = tmp.Write(u"v/a.txt", original);
  TSharedChosenFilesClass set(false, nullptr, 1);
  set.ToolAddAFile(f);
  set.SetFileKind(0, kContentsUTF8);
  const TDateTime date = set.GetFileDate(0);
  {
    FileSizeLimit limit(4000);  // the UTF-16 text needs about 6 KB
    EXPECT_EQ(set.ConvertUTF8sToUnicode(), 0);
  }
  EXPECT_EQ(ReadAll(f), original);
  EXPECT_EQ(set.fFiles.Item(0)->data.kind, kContentsUTF8);
  EXPECT_EQ(set.fFiles.Item(0)->data.size, int64_t(original.size()));
  EXPECT_EQ(set.GetFileDate(0), date);
  // Nothing of the attempt is left in the folder.
  EXPECT_EQ(FindFiles(Folder(u"v"), u"*").size(), 1u);
}

// --- order and details --------------------------------------------------------------------------

TEST(ChosenTexts, SortsByOneOrTwoKeys) {
  TSharedChosenFilesClass set(false, nullptr, 1);
  set.AddedAFile(Rec(u"beta.txt", 30), u"/b");
  set.AddedAFile(Rec(u"Alpha.txt", 10), u"/a");
  set.AddedAFile(Rec(u"alpha.txt", 20), u"/b");
  set.AddedAFile(Rec(u"Gamma.txt", 20), u"/a");
  auto sorted = [&](TChosenFileSort_type first, TChosenFileSort_type second, bool ascending) {
    set.SetSortTo(first);
    set.CurrentSort[1] = second;
    set.DoASort(ascending);
    UString out;
    for (int32_t i = 0; i < set.FileCount(); ++i) out += set.fFiles.Item(i)->data.filename.substr(0, 2) + u" ";
    return out;
  };
  EXPECT_EQ(sorted(chosen_nome_arquivo, chosen_tamanho, true), u"Al al be Ga ");
  EXPECT_EQ(sorted(chosen_nome_arquivo, chosen_tamanho, false), u"Ga be Al al ");  // level 2 stays ascending
  EXPECT_EQ(sorted(chosen_tamanho, chosen_nome_arquivo, false), u"be al Ga Al ");
  EXPECT_EQ(sorted(chosen_caminho, chosen_nome_arquivo, true), u"al be Al Ga ");  // folder "/b" came first
  EXPECT_TRUE(set.Has_Sorted);
  EXPECT_FALSE(set.Sorting);
  EXPECT_EQ(sorted(chosen_randomico, chosen_nome_arquivo, true).size(), 12u);
}

TEST(ChosenTexts, JumpsCopiesAndIndicesOutside) {
  int errors = 0;
  TSharedChosenFilesClass set(false, [&] { ++errors; }, 1);
  TChosenFile_BaseRec j = Rec(u"j.txt", 5);
  j.jumps = std::make_shared<TJumpList>(TJumpList{0, 40, 90, 0xFFFFFFFEll});
  set.AddedAFile(j, u"/a");
  set.AddedAFile(Rec(u"k.txt", 6), u"/a");
  set.AddedAFile(Rec(u"l.txt", 7), u"/b");

  // The first position is at least 1; each step passes the one reached. The text keeps its
  // list whole: details handed out again start from its first position.
  TChosenFileDetailsFullRec d = set.GetFullFileDetails(0);
  EXPECT_EQ(d.folder, u"/a");
  EXPECT_EQ(FirstJumpPosition(d), 1);
  EXPECT_EQ(TakeNextJumpPosition(d), 40);
  EXPECT_EQ(FirstJumpPosition(d), 40);
  EXPECT_EQ(TakeNextJumpPosition(d), 90);
  EXPECT_EQ(TakeNextJumpPosition(d), 0xFFFFFFFEll);  // past 2 GB: the whole position
  EXPECT_EQ(TakeNextJumpPosition(d), 0);
  EXPECT_EQ(TakeNextJumpPosition(d), 0);
  EXPECT_EQ(FirstJumpPosition(d), 0);
  EXPECT_EQ(*set.fFiles.Item(0)->data.jumps, (TJumpList{0, 40, 90, 0xFFFFFFFEll}));
  TChosenFileDetailsFullRec again = set.GetFullFileDetails(0);
  EXPECT_EQ(FirstJumpPosition(again), 1);
  EXPECT_EQ(TakeNextJumpPosition(again), 40);
  TChosenFileDetailsFullRec none = set.GetFullFileDetails(1);
  EXPECT_EQ(FirstJumpPosition(none), 0);

  // Copies look their folders up again and do not share jump lists.
  set.fFiles.Item(2)->data.jumps->push_back(12);
  TSharedChosenFilesClass other(false, nullptr, 1);
  other.GetFolderInfo(u"/b");
  other.CopyFrom(set);
  ASSERT_EQ(other.FileCount(), 3);
  EXPECT_EQ(other.FullFilename(2), u"/b/l.txt");
  EXPECT_EQ(other.fFiles.Item(2)->data.folder_num, 0);
  other.fFiles.Item(2)->data.jumps->push_back(13);
  EXPECT_EQ(set.fFiles.Item(2)->data.jumps->size(), 1u);
  // Beyond the end: a zeroed answer and the error event; Delete ignores it.
  const TChosenFileDetailsFullRec far = set.GetFullFileDetails(3);
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(far.rec.size, 0);
  EXPECT_EQ(far.rec.filename + far.folder, u"");
  set.Delete(3);
  set.Delete(0);
  EXPECT_EQ(set.TotalBytes(), 13);
}

// --- the index from folder, size and name to a text -------------------------------------------

struct TTextKey {
  int64_t size;
  UString folder, name;
};

// The first text with the key, found by looking at every text.
int32_t ScannedIndex(const TSharedChosenFilesClass& set, const TTextKey& k) {
  const int32_t folder = set.FolderIndex(k.folder);
  for (int32_t i = 0; folder >= 0 && i < set.FileCount(); ++i) {
    const TChosenFile_BaseRec& r = set.fFiles.Item(i)->data;
    if (r.size == k.size && r.folder_num == folder && r.filename == k.name) return i;
  }
  return -1;
}

TEST_F(ChosenTextsOnDisk, IndexAnswersAsAScanAfterEveryKindOfChange) {
  tmp.Write(u"i/a.txt", "aa");
  tmp.Write(u"i/b.txt", "caf\xC3\xA9");
  tmp.Write(u"i/c.txt", "c");
  tmp.Write(u"j/a.txt", "aa");
  tmp.Write(u"j/d.txt", "dd\xE9");
  TSharedChosenFilesClass set(false, nullptr, 1);
  TSharedChosenFilesClass other(false, nullptr, 1);
  // Every key ever in the list, and near misses of each (another size, name or folder).
  std::vector<TTextKey> probes{{1, u"/nowhere", u"c.txt"}};
  auto note_keys = [&] {
    for (int32_t i = 0; i < set.FileCount(); ++i) {
      const TChosenFile_BaseRec& r = set.fFiles.Item(i)->data;
      const UString folder = set.FolderName(i);
      probes.push_back({r.size, folder, r.filename});
      probes.push_back({r.size + 1, folder, r.filename});
      probes.push_back({r.size, folder, r.filename + u"x"});
      probes.push_back({r.size, folder + u"x", r.filename});
    }
  };
  auto add_repeat_of = [&](int32_t i) {
    ASSERT_LT(i, set.FileCount());
    TChosenFile_BaseRec r = set.fFiles.Item(i)->data;
    r.folder_num = -1;
    r.jumps.reset();
    ASSERT_TRUE(set.AddedAFile(r, set.FolderName(i)));
  };
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"folders added", [&] { set.AddedFolderContents(Folder(u"i"), u"*.txt", false, false);
                              set.AddedFolderContents(Folder(u"j"), u"*.txt", false, false); }},
      {"a repeat added", [&] { add_repeat_of(1); }},
      {"added only when new", [&] {
         EXPECT_FALSE(set.ToolAddAFile(tmp.Path() + u"i/a.txt"));
         EXPECT_TRUE(set.AddIfNotInAlready(Rec(u"a.txt", 7), Folder(u"i"))); }},
      {"first of the repeated pair deleted", [&] { set.Delete(1); }},
      {"another repeat added", [&] { add_repeat_of(0); }},
      {"last deleted", [&] { set.Delete(set.FileCount() - 1); }},
      {"sorted by name, descending", [&] { set.SetSortTo(chosen_nome_arquivo); set.DoASort(false); }},
      {"sorted by size", [&] { set.SetSortTo(chosen_tamanho); set.DoASort(true); }},
      {"sorted by folder", [&] { set.SetSortTo(chosen_caminho); set.DoASort(true); }},
      {"shuffled", [&] { set.SetSortTo(chosen_randomico); set.DoASort(true); }},
      {"repeats removed", [&] { add_repeat_of(2); set.CheckDuplicates(); }},
      {"sizes changed by conversion", [&] {
         bool mixed, some;
         set.CheckForUnicode(true, mixed, some);
         EXPECT_GT(set.ConvertUTF8sToUnicode(), 0); }},
      {"missing texts removed", [&] {
         ASSERT_TRUE(DeleteFileU(tmp.Path() + u"i/c.txt"));
         set.CheckFilesExist(); }},
      {"read back from a stream", [&] { add_repeat_of(0); ASSERT_TRUE(Reads(set, Saved(set))); }},
      {"copied into another list", [&] { other.AddedAFile(Rec(u"z.txt", 9), u"/z"); other.CopyFrom(set);
                                         set.ClearThem(); set.CopyFrom(other); }},
      {"repeats removed by size", [&] { add_repeat_of(3); set.RemoveDuplicates(); }},
      {"cleared", [&] { set.ClearThem(); }},
      {"added after clearing", [&] { set.AddedFolderContents(Folder(u"j"), u"*.txt", false, false); }},
  };
  for (const auto& [what, change] : changes) {
    SCOPED_TRACE(what);
    change();
    note_keys();
    for (const TTextKey& k : probes) {
      SCOPED_TRACE(Utf16ToUtf8(k.folder + u"/" + k.name));
      ASSERT_EQ(set.FileIndex(k.size, k.folder, k.name), ScannedIndex(set, k)) << k.size;
    }
  }
  EXPECT_EQ(set.FileCount(), 2);
}

}  // namespace
