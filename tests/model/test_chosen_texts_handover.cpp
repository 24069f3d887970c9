#include <gtest/gtest.h>

#include <string>

#include "model/reading/chosen_texts_handover.h"
#include "model/chosen_texts_test_support.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "support/temp_folder.h"

using namespace std::string_literals;

namespace {

class ChosenHandover : public ::testing::Test {
 protected:
  void SetUp() override {
    a = tmp.Write(u"texts/a.txt", "alpha");
    b = tmp.Write(u"texts/sub/b.txt", "beta beta");
    set.ToolAddAFile(a);
    set.ToolAddAFile(b);
  }
  TempFolder tmp;
  UString a, b;
  TVXFileDetails set{false, 9};
};

// A settings folder of its own keeps its hand-overs apart: a choice handed over under one is not
// taken over under another.
TEST_F(ChosenHandover, ASettingsFolderOfItsOwnKeepsItsHandOversApart) {
  TempFolder configs;
  const UString first = configs.Path() + u"first", second = configs.Path() + u"second";
  setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(first).c_str(), 1);
  EXPECT_TRUE(StartsWithU(set.TempFilename(), first + u"/"));
  ASSERT_TRUE(set.SavedToTempFile());
  TVXFileDetails other(false, 9);
  EXPECT_TRUE(other.LoadedChosenFromTempFile());
  EXPECT_EQ(other.FileCount(), 2);
  setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(second).c_str(), 1);
  EXPECT_TRUE(StartsWithU(GetTempFolder(), second + u"/"));
  EXPECT_FALSE(other.LoadedChosenFromTempFile());
  unsetenv("LINZORA_CONFIG_DIR");
  EXPECT_FALSE(StartsWithU(GetTempFolder(), configs.Path()));
}

TEST_F(ChosenHandover, ThroughTheToolsTemporaryFile) {
  const UString name = set.TempFilename();
  EXPECT_EQ(name, GetTempFolder() + Tool_Name(9) + u".chosen_texts");
  set.fFiles.Item(1)->data.jumps->assign({5, 9});
  ASSERT_TRUE(set.SavedToTempFile());

  TVXFileDetails other(false, 9);
  other.ToolAddAFile(tmp.Write(u"old.txt", "x"));  // cleared by the load
  ASSERT_TRUE(other.LoadedChosenFromTempFile());
  ASSERT_EQ(other.FileCount(), 2);
  EXPECT_EQ(other.FullFilename(0), a);
  EXPECT_EQ(other.FullFilename(1), b);
  EXPECT_EQ(*other.fFiles.Item(1)->data.jumps, (TJumpList{5, 9}));
  EXPECT_EQ(other.TotalBytes(), 14);

  // Anything but a headed stream is no hand-over.
  std::ofstream(ToFsPath(name), std::ios::binary) << "not a chosen-texts file";
  EXPECT_FALSE(other.LoadedChosenFromTempFile());
  DeleteFileU(name);
  EXPECT_FALSE(other.LoadedChosenFromTempFile());
}

TEST_F(ChosenHandover, FailedSavesLeaveTheEarlierFile) {
  const UString saved = tmp.Path() + u"choice.dat";
  ASSERT_TRUE(set.SaveAllChosenToFile(saved));
  const std::string before = ReadAll(saved);
  for (int i = 0; i < 40; ++i) set.fNotes.Add(u"a note long enough to make the file grow a good deal");
  {
    FileSizeLimit limit(before.size() + 100);
    EXPECT_FALSE(set.SaveAllChosenToFile(saved));
  }
  EXPECT_EQ(ReadAll(saved), before);

  const UString plain = tmp.Path() + u"choice.txt";
  ASSERT_TRUE(set.WriteAllChosenToFileAsPlainText(plain));
  const std::string plain_before = ReadAll(plain);
  set.ToolAddAFile(tmp.Write(u"texts/c.txt", "c"));
  {
    FileSizeLimit limit(plain_before.size() + 4);
    EXPECT_FALSE(set.WriteAllChosenToFileAsPlainText(plain));
  }
  EXPECT_EQ(ReadAll(plain), plain_before);
  EXPECT_EQ(FindFiles(tmp.Path(), u"*").size(), 2u);  // no temporary file left behind
  EXPECT_FALSE(set.SaveAllChosenToFile(tmp.Path() + u"no/such/folder/c.dat"));
  EXPECT_FALSE(set.WriteAllChosenToFileAsPlainText(tmp.Path() + u"no/such/folder/c.txt"));
}

TEST_F(ChosenHandover, SavedChoiceReadBackByItsExtension) {
  const UString dat = tmp.Path() + u"choice.dat";
  const UString txt = tmp.Path() + u"choice.txt";
  ASSERT_TRUE(set.SaveAllChosenToFile(dat));
  ASSERT_TRUE(set.WriteAllChosenToFileAsPlainText(txt));
  Bytes plain;
  plain.put<uint16_t>(0xFEFF).utf16(a + u"\n" + b + u"\n");
  EXPECT_EQ(FileBytes(txt), plain.b);

  TVXFileDetails back(false, 9);
  EXPECT_EQ(back.ReadChosenFromFile(dat), tvl_VX_Format);
  EXPECT_EQ(back.FileCount(), 2);
  EXPECT_EQ(back.ReadChosenFromFile(txt), tvl_txt);
  ASSERT_EQ(back.FileCount(), 2);
  EXPECT_EQ(back.FullFilename(1), b);
  EXPECT_EQ(back.fFiles.Item(1)->data.size, 9);
  EXPECT_EQ(back.fFiles.Item(1)->data.words, -1);
  EXPECT_NE(back.LastLoadMessage().find(u"2"), UString::npos);
  EXPECT_EQ(back.ReadChosenFromFile(tmp.Path() + u"missing.dat"), tvl_failed);
  EXPECT_EQ(back.FileCount(), 0);
}

TEST_F(ChosenHandover, PlainListWithDatesMembersAndAnyLineEnd) {
  const UString zip = MakeZip(tmp.Path() + u"texts/z.zip", {{u"in/m.txt", "mem"}});
  // UTF-8 with CR LF, a tab and a date before or after the name, blanks, a vanished file, a
  // member of an archive, a line naming the same text twice.
  const std::string list = "  " + Utf16ToUtf8(a) + "\t2001-02-03 04:05:06\r\n" + "\r\n" + "2010-12-31\t" +
                           Utf16ToUtf8(b) + "\n" + Utf16ToUtf8(tmp.Path()) + "gone.txt\n" + Utf16ToUtf8(zip) +
                           "/in/m.txt\r" + Utf16ToUtf8(a) + "\n";
  const UString name = tmp.Write(u"list.txt", list);
  TVXFileDetails back(false, 9);
  ASSERT_EQ(back.ReadChosenFromPlainTextFile(name), tvl_txt);
  ASSERT_EQ(back.FileCount(), 3);
  TDateTime d1 = 0, d2 = 0;
  ASSERT_TRUE(UserStrDateAndTimeParsed(u"2001-02-03 04:05:06", d1));
  ASSERT_TRUE(UserStrDateAndTimeParsed(u"2010-12-31", d2));
  EXPECT_DOUBLE_EQ(back.GetFileDate(0), d1);
  EXPECT_DOUBLE_EQ(back.fFiles.Item(0)->data.julian_date, DateTimeToJulianAddingConst(d1));
  EXPECT_DOUBLE_EQ(back.GetFileDate(1), d2);
  EXPECT_EQ(back.FullFilename(2), zip + u"/in/m.txt");
  EXPECT_EQ(back.fFiles.Item(2)->data.zip_member, 1);
  EXPECT_EQ(back.fFiles.Item(2)->data.size, 3);

  // UTF-16 big-endian with its mark reads the same.
  std::string be = "\xFE\xFF"s;
  for (char16_t c : a + u"\n") be += std::string{static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
  TVXFileDetails be_set(false, 9);
  EXPECT_EQ(be_set.ReadChosenFromPlainTextFile(tmp.Write(u"be.txt", be)), tvl_txt);
  EXPECT_EQ(be_set.FileCount(), 1);

  // Every text gone: nothing chosen.
  DeleteFileU(a);
  DeleteFileU(b);
  DeleteFileU(zip);
  TVXFileDetails none(false, 9);
  EXPECT_EQ(none.ReadChosenFromPlainTextFile(name), tvl_failed);
  EXPECT_EQ(none.ReadChosenFromPlainTextFile(tmp.Path() + u"nolist.txt"), tvl_failed);
}

TEST(ChosenCellTexts, KindsSizesStatesWordsAndDates) {
  const std::pair<UString, const char16_t*> cells[] = {
      {KindAsString(0), u"?"}, {KindAsString(kContentsUTF8 | kContentsZip), u"8Z"},
      {KindAsString(kContentsUTF16 | kContentsUTF16BE | kContents8Bit), u"AUBU"},
      {KindAsString(kContentsDocument | kContentsDocument2), u"D"}, {KindAsString(0xFF), u"A8UBUDZ"},
      {WantedAsString(kWantedNotLooked), u"??"}, {WantedAsString(kWantedFound), u"OK"},
      {WantedAsString(kWantedNotFound), u"not found"}, {WantedAsString(3), u""},
      {WordsAsString(0), u"??"}, {WordsAsString(-1), u"??"}, {WordsAsString(1234567), u"1,234,567"},
      {SizeAsString(999), u"999"}, {SizeAsString(-1234), u"-1,234"}, {SizeAsString(5000000000ll), u"5,000,000,000"}};
  for (size_t i = 0; i < std::size(cells); ++i) EXPECT_EQ(cells[i].first, cells[i].second) << i;

  TDateTime t = 0;
  ASSERT_TRUE(UserStrDateAndTimeParsed(u"1899-12-30", t));
  EXPECT_EQ(t, 0);
  ASSERT_TRUE(UserStrDateAndTimeParsed(u"2000/01/01 12:00", t));
  EXPECT_DOUBLE_EQ(t, 36526.5);
  EXPECT_EQ(FormatJulianDateAsString(DateTimeToJulianAddingConst(t), 0), u"2000-01-01 12:00:00");
  EXPECT_EQ(FormatJulianDateAsString(0, 0), u"");
  ASSERT_TRUE(UserStrDateAndTimeParsed(u"2024-02-29T23:59:59", t));
  for (const char16_t* bad : {u"", u"2023-02-29", u"2024-13-01", u"24-01-01", u"2024-01-01 25:00",
                              u"2024-01-01 10", u"2024-01-01x", u"a.txt"})
    EXPECT_FALSE(UserStrDateAndTimeParsed(bad, t)) << Utf16ToUtf8(bad);
}

TEST_F(ChosenHandover, PageTableForPrinting) {
  set.SetFileWords(0, 1500);
  set.SetFileKind(0, kContentsUTF8);
  set.SetFileWanted(0, kWantedFound);
  const TChosenTextsPrintTable t = set.PrintTable(1);
  EXPECT_NE(t.heading.find(Tool_Name(1)), UString::npos);
  ASSERT_EQ(t.rows.size(), 2u);
  using Row = std::array<UString, TChosenTextsPrintTable::kColumns>;
  EXPECT_EQ(t.rows[0], (Row{a, DateTimeToUStr(set.GetFileDate(0)), u"5", u"8", u"OK", u"1,500"}));
  EXPECT_EQ(t.rows[1][5], u"??");
}

}  // namespace
