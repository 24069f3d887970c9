#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "model/chosen_texts_test_support.h"
#include "model/reading/chosen_texts.h"
#include "model/reading/text_statistics.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_maths.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "support/temp_folder.h"
#include "support/stream_bytes.h"

namespace {

TOne_text_stats_rec Rec(UStringView full_name, int32_t words = 0) {
  TOne_text_stats_rec r;
  r.name = UString(full_name);
  r.data.groups[0].count = words;
  r.data.running_words = words;
  r.data.julian_date = 2459000.5;
  r.data.ratio_basis = 1000;
  return r;
}

TStatsEntry* AddRow(TVXStatsList& l, const TOne_text_stats_rec& r) {
  auto* e = new TStatsEntry(r, false, &l);
  l.Add(e);
  return e;
}

std::vector<UString> FullNames(const TVXStatsList& l) {
  std::vector<UString> v;
  for (int i = 0; i < l.Count(); ++i) v.push_back(l.GetEntryFullFilename(i));
  return v;
}

// A list with rows in two folders, an overall row and a folder inside the installation folder.
void FillSample(TVXStatsList& l) {
  TOne_text_stats_rec a = Rec(u"/corpus/news/a.txt", 120);
  a.data.word_lengths[3] = 2;
  a.data.word_lengths[5] = 1;
  a.data.centrality[0] = 0.5f;
  a.data.spare340[7] = 0x42;  // bytes nobody names travel as they are
  AddRow(l, a);
  AddRow(l, Rec(u"/corpus/fiction/b.txt", 80));
  AddRow(l, Rec(u"/corpus/news/\u00e7.txt", 10));
  AddRow(l, Rec(GetToolFolder() + u"samples/s.txt", 5));
  l.Overall_stats.data.groups[0].count = 215;
  l.Overall_stats.data.ratio_basis = 1000;
  l.Overall_stats.data.ratio = {3, 40.0f, 5.0f};
}

class StatsTest : public ::testing::Test {
 protected:
  void SetUp() override { live_before_ = TStatsEntry::live_count; }
  void TearDown() override { EXPECT_EQ(TStatsEntry::live_count, live_before_) << "rows leaked"; }
  TVXBaseHolder holder_;

 private:
  int live_before_ = 0;
};

}  // namespace

// --- formulas -----------------------------------------------------------------------------------

TEST(StatsFormulas, MeanAndSDOfWordLength) {
  TOne_text_stats_rec r;
  float mean = -1, sd = -1;
  MeanAndSDWordLength(r, mean, sd);  // no words
  EXPECT_EQ(mean, 0.0f);
  EXPECT_EQ(sd, 0.0f);

  r.data.word_lengths[7] = 1;  // one word of 7 letters
  MeanAndSDWordLength(r, mean, sd);
  EXPECT_FLOAT_EQ(mean, 7.0f);
  EXPECT_EQ(sd, 0.0f);

  // Lengths 3, 3, 5, 7: mean 18 / 4 = 4.5; squared deviations 2.25 + 2.25 + 0.25 + 6.25 = 11;
  // sd = sqrt(11 / 3) = 1.914854.
  r.data.word_lengths[3] = 2;
  r.data.word_lengths[5] = 1;
  r.data.word_lengths[0] = 99;  // length 0 is not a word length
  MeanAndSDWordLength(r, mean, sd);
  EXPECT_FLOAT_EQ(mean, 4.5f);
  EXPECT_NEAR(sd, 1.914854f, 1e-5);

  // The 64-bit sum: 2^31 words of 50 letters and one of 1.
  TOne_text_stats_rec big;
  big.data.word_lengths[50] = 0x7FFFFFFF;
  big.data.word_lengths[1] = 1;
  MeanAndSDWordLength(big, mean, sd);
  EXPECT_NEAR(mean, 50.0f, 1e-4);
  EXPECT_TRUE(std::isfinite(sd));
}

TEST(StatsFormulas, MergedGroupsPoolTheirDeviations) {
  // {2, 4, 6}: mean 4, sd 2.  {10, 12}: mean 11, sd sqrt(2).
  // Together {2, 4, 6, 10, 12}: mean 6.8; squared deviations 68.8; sd = sqrt(68.8 / 4) = 4.147288.
  const TText_stats_rec a{3, 4.0f, 2.0f};
  const TText_stats_rec b{2, 11.0f, std::sqrt(2.0f)};
  const TText_stats_rec m = MergedTextStats(a, b);
  EXPECT_EQ(m.count, 5);
  EXPECT_FLOAT_EQ(m.mean, 6.8f);
  EXPECT_NEAR(m.sd, 4.147288f, 1e-5);

  const TText_stats_rec none{0, 0.0f, 0.0f};
  EXPECT_EQ(MergedTextStats(a, none).count, 3);
  EXPECT_FLOAT_EQ(MergedTextStats(none, b).mean, 11.0f);
  // Two single values 1 and 3: mean 2, sd sqrt(2).
  const TText_stats_rec one = MergedTextStats({1, 1.0f, 0.0f}, {1, 3.0f, 0.0f});
  EXPECT_FLOAT_EQ(one.mean, 2.0f);
  EXPECT_NEAR(one.sd, std::sqrt(2.0f), 1e-6);
  // A damaged deviation gives 0, never NaN.
  EXPECT_EQ(MergedTextStats({2, 1.0f, NAN}, {2, 1.0f, 0.0f}).sd, 0.0f);
}

TEST(StatsFormulas, OldRecordConversion) {
  uint8_t old[kOldStatsRecSize];
  for (size_t i = 0; i < sizeof(old); ++i) old[i] = static_cast<uint8_t>(i * 7 + 1);
  const TOne_text_stats_rec r = OneTextStatsRecFromOld(old);
  EXPECT_EQ(std::memcmp(&r.data, old, kOldStatsRecSize), 0);
  EXPECT_EQ(r.data.centrality[0], 0.0f);
  EXPECT_EQ(r.data.sentinel, 0);
}

// --- rows -----------------------------------------------------------------------------------------

TEST_F(StatsTest, RowsKeepTheirFoldersInTheList) {
  TVXStatsList l(&holder_);
  TStatsEntry* a = AddRow(l, Rec(u"/c/one/a.txt"));
  for (const char16_t* name : {u"/c/two/b.txt", u"/c/one/c.txt", u"loose.txt", u"/root.txt"}) AddRow(l, Rec(name));
  EXPECT_EQ(l.folderlist, (std::vector<UString>{u"/c/one", u"/c/two", u""}));
  EXPECT_EQ(a->fdata.name, u"a.txt");
  const int32_t folders[] = {0, 1, 0, -1, 2};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(l.Row(i)->fdata.data.folder_index, folders[i]) << i;
  EXPECT_EQ(FullNames(l), (std::vector<UString>{u"/c/one/a.txt", u"/c/two/b.txt", u"/c/one/c.txt", u"loose.txt",
                                                u"/root.txt"}));
  EXPECT_EQ(l.GetEntryFullFilename(5), u"");
  EXPECT_EQ(l.FolderOfRow(1), u"/c/two");

  // A zero date becomes today's (as a Julian date); a given date stays.
  EXPECT_DOUBLE_EQ(a->fdata.data.julian_date, 2459000.5);
  TOne_text_stats_rec undated = Rec(u"/c/x.txt");
  undated.data.julian_date = 0;
  EXPECT_NEAR(AddRow(l, undated)->fdata.data.julian_date, Now() + 2415018.5, 1.0);

  // Clearing the folders on the way in: the new row starts the folders again.
  l.Add(new TStatsEntry(Rec(u"/z/new.txt"), true, &l));
  EXPECT_EQ(l.folderlist, (std::vector<UString>{u"/z"}));
  EXPECT_EQ(l.GetEntryFullFilename(0), u"a.txt");  // no folder any more

  // Sorted by full file name, case ignored; found by it.
  l.Clear();
  l.folderlist.clear();
  for (const char16_t* name : {u"/b/Z.txt", u"/a/y.txt", u"/B/x.txt"}) AddRow(l, Rec(name));
  ASSERT_TRUE(l.DoASort(3, 0, l.Count() - 1));
  EXPECT_EQ(FullNames(l), (std::vector<UString>{u"/a/y.txt", u"/B/x.txt", u"/b/Z.txt"}));
  EXPECT_EQ(l.Find_Word(u"/b/x.TXT"), 1);
  EXPECT_EQ(l.Find_PosWord(u"y.txt", false, true, false, false, 0), 0);
  EXPECT_EQ(l.Find_Word(u"x.txt"), -1);
}

TEST_F(StatsTest, RowStreamLayout) {
  TVXStatsList l(&holder_);
  TStatsEntry* e = AddRow(l, Rec(u"/f/name.txt", 9));
  e->fdata.data.ratio_basis = 500;
  TMemoryStream m;
  ASSERT_TRUE(e->SaveToStream(m));
  ASSERT_EQ(m.Size(), 360 + 4 + 2 * 8);
  const std::vector<uint8_t>& b = m.Data();
  EXPECT_EQ(I32At(b, 336), kStatsSentinel);
  EXPECT_EQ(I32At(b, 60), 9);
  EXPECT_EQ(I32At(b, 324), 0);  // folder index
  EXPECT_EQ(I32At(b, 360), 8);  // "name.txt", without its folder
  EXPECT_EQ(b[364], 'n');
}

// --- values ------------------------------------------------------------------------------------

TEST_F(StatsTest, ColumnValuesOfRowsAndOverall) {
  TVXStatsList l(&holder_);
  TOne_text_stats_rec r = Rec(u"/t/a.txt");
  TOne_text_stats_data& d = r.data;
  d.size_count = 5000;
  d.running_words = 1200;
  d.groups[0].count = 200;
  d.value84 = 7;
  d.types = 50;
  d.ratio = {1, 40.0f, 5.0f};
  d.word_lengths[3] = 2;
  d.word_lengths[5] = 1;
  d.word_lengths[7] = 1;
  d.groups[1] = {10, 12.5f, 3.25f};
  d.groups[2] = {4, 30.0f, 8.0f};
  d.groups[3] = {2, 5.0f, 1.0f};
  d.groups[4] = {1, 60.0f, 0.0f};
  d.value72 = 72;
  d.stop_tokens = 64;
  d.stop_types = 68;
  AddRow(l, r);

  // One text: no overall row; data row 0 is the text.
  EXPECT_FALSE(l.OverallCount());
  EXPECT_EQ(l.TotalRowCount(), 1);
  auto value = [&](int col, int row) {
    TNumberDisplayAndSinglesRec v;
    l.NumericalData(col, row, v);
    return v;
  };
  // Share of types in tokens 50 / 200; ratio 40 per 1000 as a percentage; its sd 5 * 100 / 1000;
  // word length 4.5 and 1.914854 (see above).
  const std::pair<int, float> expected[] = {
      {0, 1},     {1, kMissingValue}, {2, 5000}, {3, 1200},  {4, 200},   {5, 7},     {6, 50},
      {7, 25},    {8, 4},             {9, 0.5f}, {10, 1000}, {11, 4.5f}, {12, 1.914854f},
      {13, 10},   {14, 12.5f},        {15, 3.25f}, {16, 4},  {18, 8},    {19, 2},    {23, 60},
      {24, 0},    {25, 72},           {26, 64},  {27, 68},   {28, kMissingValue}, {30, kMissingValue}};
  for (const auto& [col, v] : expected) EXPECT_NEAR(value(col, 0).value, v, 2e-6f * std::max(1.0f, std::abs(v))) << col;
  EXPECT_EQ(value(7, 0).kind, 2);
  EXPECT_EQ(value(7, 0).caption, u"tokens");
  EXPECT_TRUE(value(9, 0).is_real);
  EXPECT_EQ(l.GetRoundedNumericalData(0), 1200);

  // Per million when the settings say so.
  SetDisplayWordsPerMillion(kSharePerMillion);
  EXPECT_FLOAT_EQ(value(7, 0).value, 250000.0f);
  EXPECT_EQ(value(7, 0).kind, 3);
  SetDisplayWordsPerMillion(0);

  // Without tokens or basis the shares have no value.
  TOne_text_stats_rec empty = Rec(u"/t/b.txt");
  empty.data.ratio_basis = 0;
  AddRow(l, empty);
  ASSERT_TRUE(l.OverallCount());
  EXPECT_EQ(l.TotalRowCount(), 3);
  // Data row 0 is now the overall row, 1 and 2 the texts.
  EXPECT_EQ(value(3, 1).value, 1200.0f);
  EXPECT_EQ(value(7, 2).value, kMissingValue);
  EXPECT_EQ(value(8, 2).value, kMissingValue);
  EXPECT_EQ(value(11, 2).value, 0.0f);
  EXPECT_EQ(value(12, 2).value, 0.0f);
  l.ComputeTotalWordStats();
  EXPECT_EQ(value(4, 0).value, 200.0f);
  EXPECT_EQ(value(0, 0).value, 1.0f);
  EXPECT_EQ(value(0, 2).value, 3.0f);

  // Columns where no row has a value above 0 count as empty.
  EXPECT_FALSE(l.IsEmptyDataColumn(3));
  EXPECT_TRUE(l.IsEmptyDataColumn(29));
  l.Row(0)->fdata.data.value72 = 0;
  EXPECT_TRUE(l.IsEmptyDataColumn(25));

  // Grid cells: the overall row under the headings, then the texts; none beyond them.
  TGrid_data_rec cell;
  l.DrawgridDataRec(1, 1, cell, 0);
  EXPECT_EQ(cell.text, u"Overall");
  l.DrawgridDataRec(3, 2, cell, 0);
  EXPECT_EQ(cell.number.value, 1200.0f);
  l.DrawgridDataRec(1, 9, cell, 0);
  EXPECT_FALSE(cell.has_text);
}

TEST_F(StatsTest, FileGridShowsFullNamesWithStatus) {
  TempFolder tmp;
  const UString there = tmp.Write(u"here.txt", "x");
  TVXStatsList l(&holder_, &TVXStatsList::MakeEntry, kGridFiles);
  AddRow(l, Rec(there));
  AddRow(l, Rec(tmp.Path() + u"gone.txt"));
  EXPECT_EQ(l.TotalRowCount(), 2);  // no overall row in the file grid
  TGrid_data_rec cell;
  l.DrawgridDataRec(1, 1, cell, 0);
  EXPECT_EQ(cell.text, there);
  EXPECT_EQ(cell.int_value, kStatsFileFound);
  l.DrawgridDataRec(1, 2, cell, 0);
  EXPECT_EQ(cell.int_value, kStatsFileMissing);
}

TEST_F(StatsTest, StopListInfo) {
  TVXStatsList l(&holder_);
  AddRow(l, Rec(u"/a/1.txt"));
  TOne_text_stats_data& o = l.Overall_stats.data;
  o.types = 100;
  o.groups[0].count = 1000;
  o.word_lengths[4] = 30;
  TStatsWordLengths removed{};
  removed[4] = 10;
  auto applies = [](bool yes) {
    TStopListSettingsRec stop = GetStopListSettings(current_tool_var);
    stop.SetAppliesToStatistics(yes);
    SetLemmaMatchStopSettings(current_tool_var, 2, stop);
  };

  // Only noted while the stop list does not apply to the statistics; taken off when it does.
  applies(false);
  l.SetStopListInfo(5, 40, removed);
  EXPECT_EQ(o.types, 100);
  EXPECT_EQ(o.groups[0].count, 1000);
  EXPECT_EQ(o.stop_tokens, 40);
  EXPECT_EQ(o.stop_types, 5);
  applies(true);
  l.SetStopListInfo(5, 40, removed);
  applies(false);
  EXPECT_EQ(o.types, 95);
  EXPECT_EQ(o.groups[0].count, 960);
  EXPECT_EQ(o.word_lengths[4], 20);

  l.SetCentralityScores(5, {1.0f, 1.0f});  // beyond the end: ignored
  EXPECT_EQ(l.GetCentralityScores(5), (std::array<float, 2>{0.0f, 0.0f}));
}

// --- streams -----------------------------------------------------------------------------------

TEST_F(StatsTest, StreamRoundTrip) {
  TVXStatsList l(&holder_);
  FillSample(l);
  l.Overall_stats.data.ratio_basis = 0;  // takes the word-list settings' basis when read
  l.Row(1)->fdata.data.ratio_basis = 0;
  const std::vector<uint8_t> bytes = Saved(l);
  TVXStatsList r(&holder_);
  ASSERT_TRUE(ReadBytes(r, bytes));
  ASSERT_EQ(r.Count(), l.Count());
  EXPECT_EQ(r.folderlist, l.folderlist);
  EXPECT_EQ(FullNames(r), FullNames(l));
  EXPECT_EQ(r.Row(1)->fdata.data.ratio_basis, GetWordlistSettings().RatioBasis());
  r.Row(1)->fdata.data.ratio_basis = 0;
  for (int i = 0; i < l.Count(); ++i) EXPECT_EQ(std::memcmp(&r.Row(i)->fdata.data, &l.Row(i)->fdata.data, 360), 0) << i;
  EXPECT_EQ(r.Overall_stats.name, u"Overall");
  EXPECT_EQ(r.Overall_stats.data.ratio_basis, GetWordlistSettings().RatioBasis());
  EXPECT_EQ(r.sort_system, kStatsSortByName);

  // The tail: overall record, folder count, folders (the installation folder as its token),
  // the overall name.
  TMemoryStream tail;
  ASSERT_TRUE(WriteValue(tail, l.Overall_stats.data));
  ASSERT_TRUE(WriteI32(tail, 3));
  for (const UString& s : {UString(u"/corpus/news"), UString(u"/corpus/fiction"),
                           UString(kProgramFolderToken) + u"/samples", UString(u"Overall")})
    ASSERT_TRUE(WriteAString(tail, s));
  ASSERT_GE(bytes.size(), tail.Data().size());
  EXPECT_TRUE(std::equal(tail.Data().begin(), tail.Data().end(), bytes.end() - tail.Data().size()));

  // Written again, the same bytes.
  r.Overall_stats.data.ratio_basis = 0;
  EXPECT_EQ(Saved(r), bytes);
}

TEST_F(StatsTest, EveryCutOfAStreamFailsAndLeavesTheList) {
  TVXStatsList l(&holder_);
  FillSample(l);
  const std::vector<uint8_t> bytes = Saved(l);
  TVXStatsList r(&holder_);
  AddRow(r, Rec(u"/kept/k.txt", 3));
  for (size_t cut = 0; cut < bytes.size(); ++cut)
    ASSERT_FALSE(ReadBytes(r, std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut))))
        << "cut at " << cut;
  EXPECT_EQ(FullNames(r), std::vector<UString>{u"/kept/k.txt"});
  EXPECT_TRUE(ReadBytes(r, bytes));
  EXPECT_EQ(r.Count(), 4);
}

TEST_F(StatsTest, GarbledStreamsAnswerFalse) {
  TVXStatsList l(&holder_);
  FillSample(l);
  const std::vector<uint8_t> bytes = Saved(l);
  // Offsets in the tail, counted from the end.
  const size_t name_len_at = bytes.size() - (4 + 2 * 7);  // "Overall"
  size_t folders_at = name_len_at;
  for (const UString& f : l.folderlist) folders_at -= 4 + 2 * ConvertedAppFolderInFilename(f, true).size();
  const size_t count_at = folders_at - 4;
  ASSERT_EQ(I32At(bytes, count_at), 3);

  // Counts beyond the bytes, negative, or one more folder than there is.
  TVXStatsList r(&holder_);
  const std::pair<size_t, int32_t> bad[] = {{count_at, -1},     {count_at, 0x7FFFFFFF},   {count_at, 4},
                                            {folders_at, -5},   {folders_at, 1 << 30},    {name_len_at, 100}};
  for (const auto& [at, v] : bad) {
    std::vector<uint8_t> b = bytes;
    PutI32(b, at, v);
    EXPECT_FALSE(ReadBytes(r, b)) << v << " at " << at;
  }
  // Every single byte flipped: an answer either way, never a crash or a leak.
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::vector<uint8_t> b = bytes;
    b[i] ^= 0xA5;
    ReadBytes(r, b);
  }
  EXPECT_TRUE(r.Count() == 0 || r.Count() == 4);
}

TEST_F(StatsTest, FolderIndexOutsideTheFoldersMeansNone) {
  TVXStatsList l(&holder_);
  AddRow(l, Rec(u"/a/one.txt"));
  AddRow(l, Rec(u"/b/two.txt"));
  l.Row(0)->fdata.data.folder_index = 9;
  l.Row(1)->fdata.data.folder_index = -7;
  TVXStatsList r(&holder_);
  ASSERT_TRUE(ReadBytes(r, Saved(l)));
  EXPECT_EQ(r.Row(0)->fdata.data.folder_index, -1);
  EXPECT_EQ(r.Row(1)->fdata.data.folder_index, -1);
  EXPECT_EQ(FullNames(r), (std::vector<UString>{u"one.txt", u"two.txt"}));
}

namespace {

// A row as lists before version 22 wrote it: the 328-byte record, the name as an 8-bit short
// string below version 11.
class TOldStatsEntry : public TVXBaseListObject {
 public:
  TOldStatsEntry(TVXBaseDataClass* list, TOne_text_stats_rec r, bool short_name)
      : TVXBaseListObject(list, nullptr), rec(std::move(r)), short_name_(short_name) {}
  bool SaveToStream(TStream& s) override {
    if (!s.WriteExact(&rec.data, kOldStatsRecSize)) return false;
    if (!short_name_) return WriteAString(s, rec.name);
    const std::string n = Utf16ToUtf8(rec.name);
    return WriteU8(s, static_cast<uint8_t>(n.size())) && s.WriteExact(n.data(), static_cast<int64_t>(n.size()));
  }
  TOne_text_stats_rec rec;

 private:
  bool short_name_;
};

std::vector<uint8_t> OldStream(TVXBaseHolder* holder, int32_t version) {
  const bool short_strings = version < 11;
  TVXStatsList w(holder);
  TOne_text_stats_rec a;
  a.name = u"old.txt";
  a.data.running_words = 31;
  a.data.folder_index = 0;
  w.Add(new TOldStatsEntry(&w, a, short_strings));
  w.SetVersionNumber(version);
  TMemoryStream m;
  // The result-list body as it is, then the old tail by hand.
  EXPECT_TRUE(w.TVXBaseLemmaMatchCapableList::SaveToStream(m));
  TOne_text_stats_rec overall;
  overall.data.running_words = 31;
  EXPECT_TRUE(m.WriteExact(&overall.data, kOldStatsRecSize));
  EXPECT_TRUE(WriteI32(m, 1));
  for (const std::string s : {"/old/folder", "Overall"}) {
    if (short_strings) {
      EXPECT_TRUE(WriteU8(m, static_cast<uint8_t>(s.size())));
      EXPECT_TRUE(m.WriteExact(s.data(), static_cast<int64_t>(s.size())));
    } else {
      EXPECT_TRUE(WriteAString(m, Utf8ToUtf16(s)));
    }
  }
  return m.Data();
}

}  // namespace

TEST_F(StatsTest, OlderVersionsAreRead) {
  for (int32_t version : {10, 15}) {
    TVXStatsList r(&holder_);
    ASSERT_TRUE(ReadBytes(r, OldStream(&holder_, version))) << version;
    EXPECT_EQ(FullNames(r), std::vector<UString>{u"/old/folder/old.txt"});
    EXPECT_EQ(r.Row(0)->fdata.data.running_words, 31);
    EXPECT_EQ(r.Row(0)->fdata.data.ratio_basis, GetWordlistSettings().RatioBasis());
    EXPECT_EQ(r.Overall_stats.name, u"Overall");
    // Saved again it is a list of today's version.
    TVXStatsList again(&holder_);
    ASSERT_TRUE(ReadBytes(again, Saved(r)));
    EXPECT_GE(again.GetVersionNumber(), 22);
    EXPECT_EQ(again.GetEntryFullFilename(0), u"/old/folder/old.txt");
  }
}

TEST_F(StatsTest, FileRoundTripAndHeader) {
  TempFolder tmp;
  TVXStatsList l(&holder_);
  FillSample(l);
  const UString file = tmp.Path() + u"list.stats";
  ASSERT_TRUE(l.SaveToFile(file));

  const std::vector<uint8_t> disk = FileBytes(file);
  ASSERT_GT(disk.size(), 57u);
  EXPECT_EQ(I32At(disk, 0), ToolSignature(current_tool_var));
  const std::string list_sig = list_signature32(kListStatistics);
  EXPECT_EQ(disk[16], list_sig.size());
  EXPECT_EQ(std::string(disk.begin() + 17, disk.begin() + 17 + list_sig.size()), list_sig);
  EXPECT_EQ(std::vector<uint8_t>(disk.begin() + 57, disk.end()), Saved(l));

  TVXStatsList r(&holder_);
  ASSERT_TRUE(r.ReadFromFile(file));
  EXPECT_EQ(r.Count(), 4);

  // Another tool's file, another list type, a missing file: false, list untouched.
  for (size_t at : {size_t(0), size_t(17)}) {
    std::string other(disk.begin(), disk.end());
    other[at] ^= 0x20;
    EXPECT_FALSE(r.ReadFromFile(tmp.Write(u"other.stats", other))) << at;
  }
  EXPECT_FALSE(r.ReadFromFile(tmp.Path() + u"none.stats"));
  EXPECT_EQ(r.Count(), 4);
}

// --- files, merging, names -----------------------------------------------------------------------

TEST_F(StatsTest, FilesStillExistingLooksAtEveryTextOfAPresentFolder) {
  TempFolder tmp;
  tmp.Write(u"f/a.txt", "a");
  tmp.Write(u"f/c.txt", "c");
  TVXStatsList l(&holder_);
  const UString f = tmp.Path() + u"f/";
  AddRow(l, Rec(f + u"a.txt"));
  AddRow(l, Rec(f + u"b.txt"));  // missing, but its folder is there
  AddRow(l, Rec(f + u"c.txt"));  // so this one is still looked at
  AddRow(l, Rec(tmp.Path() + u"gone/x.txt"));
  AddRow(l, Rec(tmp.Path() + u"gone/y.txt"));
  auto found = [&] {
    std::vector<int> v;
    for (int i = 0; i < l.Count(); ++i) v.push_back(l.Row(i)->fdata.data.found);
    return v;
  };
  EXPECT_EQ(l.FilesStillExisting(), 2);
  EXPECT_EQ(found(), (std::vector<int>{1, 0, 1, 0, 0}));

  // A text added to a folder that was missing is found on the next look.
  tmp.Write(u"gone/y.txt", "y");
  EXPECT_EQ(l.FilesStillExisting(), 3);
  EXPECT_EQ(found(), (std::vector<int>{1, 0, 1, 0, 1}));
}

TEST_F(StatsTest, MergeAddsNewRowsAndOnlyTheirFigures) {
  TVXStatsList here(&holder_);
  TOne_text_stats_rec shared = Rec(u"/c/one/shared.txt", 100);
  shared.data.size_count = 1000;
  shared.data.word_lengths[4] = 100;
  AddRow(here, shared);
  TOne_text_stats_data& o = here.Overall_stats.data;
  o.running_words = 100;
  o.groups[0] = {100, 4.0f, 1.0f};
  o.size_count = 1000;
  o.word_lengths[4] = 100;
  o.ratio = {2, 40.0f, 2.0f};

  TVXStatsList other(&holder_);
  TOne_text_stats_rec fresh = Rec(u"/c/two/new.txt", 50);  // folder 0 there, a new folder here
  fresh.data.size_count = 500;
  fresh.data.word_lengths[6] = 50;
  fresh.data.groups[0] = {50, 6.0f, 0.0f};
  AddRow(other, fresh);
  shared.name = u"/C/ONE/Shared.TXT";  // the same text, other case
  AddRow(other, shared);
  // The other's overall row counts both of its texts.
  other.Overall_stats.data.running_words = 150;
  other.Overall_stats.data.size_count = 1500;
  other.Overall_stats.data.word_lengths[4] = 100;
  other.Overall_stats.data.word_lengths[6] = 50;

  ASSERT_TRUE(here.MergeWith(other, 321, 7, 7));
  EXPECT_EQ(FullNames(here), (std::vector<UString>{u"/c/one/shared.txt", u"/c/two/new.txt"}));
  EXPECT_EQ(here.folderlist, (std::vector<UString>{u"/c/one", u"/c/two"}));
  EXPECT_EQ(here.Row(1)->fdata.data.folder_index, 1);
  EXPECT_EQ(other.Count(), 2);  // the other list keeps its rows

  // Only the new text's figures join the overall row.
  EXPECT_EQ(o.running_words, 150);
  EXPECT_EQ(o.size_count, 1500);
  EXPECT_EQ(o.word_lengths[4], 100);
  EXPECT_EQ(o.word_lengths[6], 50);
  EXPECT_EQ(o.types, 321);
  // {100 words, mean 4, sd 1} with {50 words, mean 6, sd 0}: mean 700 / 150.
  EXPECT_EQ(o.groups[0].count, 150);
  EXPECT_NEAR(o.groups[0].mean, 700.0f / 150.0f, 1e-5);
  EXPECT_EQ(o.ratio.count, 2);  // the new row has no ratio blocks

  // When every text is new, the other's overall row joins whole; different bases drop the
  // ratio's mean.
  TVXStatsList third(&holder_);
  AddRow(third, Rec(u"/d/z.txt", 9));
  third.Overall_stats.data.running_words = 9;
  third.Overall_stats.data.value72 = 4;
  ASSERT_TRUE(here.MergeWith(third, 400, 1, 2));
  EXPECT_EQ(here.Count(), 3);
  EXPECT_EQ(o.running_words, 159);
  EXPECT_EQ(o.value72, 4);
  EXPECT_EQ(o.ratio.mean, 0.0f);

  EXPECT_FALSE(here.MergeWith(here, 0, 0, 0));
  // Through the result-list merge.
  TVXStatsList fourth(&holder_);
  AddRow(fourth, Rec(u"/e/w.txt", 1));
  EXPECT_TRUE(here.MergeWith(static_cast<TVXBaseLemmaMatchCapableList*>(&fourth)));
  EXPECT_EQ(here.Count(), 4);
  EXPECT_EQ(o.types, 400);
}

TEST_F(StatsTest, SearchAndReplaceInNamesAndFolders) {
  TVXStatsList l(&holder_);
  for (const char16_t* name : {u"/Data/Old/Report-OLD.txt", u"/data/old/notes.txt", u"/x/\u00e9t\u00e9.txt"})
    AddRow(l, Rec(name));
  // The first hit of each name, found without regard to case, replaced where it stands.
  EXPECT_EQ(l.DoAFilenameSearchAndReplace(u"old", u"new", false), 1);
  EXPECT_EQ(l.Row(0)->fdata.name, u"Report-new.txt");
  EXPECT_EQ(l.DoAFilenameSearchAndReplace(u"\u00c9T\u00c9", u"summer", false), 1);
  EXPECT_EQ(l.Row(2)->fdata.name, u"summer.txt");
  // Folders only: each folder text once.
  EXPECT_EQ(l.DoAFilenameSearchAndReplace(u"OLD", u"archive", true), 2);
  EXPECT_EQ(l.folderlist[0], u"/Data/archive");
  EXPECT_EQ(l.GetEntryFullFilename(1), u"/data/archive/notes.txt");
  EXPECT_EQ(l.DoAFilenameSearchAndReplace(u"", u"x", true), 0);
  EXPECT_EQ(l.DoAFilenameSearchAndReplace(u"absent", u"x", false), 0);
}

TEST_F(StatsTest, ChosenTextsFromTheRows) {
  TVXStatsList l(&holder_);
  TOne_text_stats_rec r = Rec(u"/f/a.txt");
  r.data.size_count = 1234;
  AddRow(l, r);
  AddRow(l, Rec(u"b.txt"));
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  EXPECT_TRUE(l.BuildVXFileDetails(&chosen));
  ASSERT_EQ(chosen.FileCount(), 2);
  EXPECT_EQ(chosen.FullFilename(0), u"/f/a.txt");
  EXPECT_EQ(chosen.FolderName(1), u"");  // a row without a folder
  const TChosenFile_BaseRec& a = chosen.fFiles.Item(0)->data;
  EXPECT_EQ(a.size, 1234);
  EXPECT_DOUBLE_EQ(a.julian_date, 2459000.5);
  EXPECT_EQ(a.wanted, kWantedFound);
  // Already chosen: nothing is added twice, and the addition answers that it added nothing.
  EXPECT_FALSE(l.BuildVXFileDetails(&chosen));
  EXPECT_EQ(chosen.FileCount(), 2);
  EXPECT_FALSE(l.BuildVXFileDetails(nullptr));
}

TEST(StatsRuntime, AFolderThatOnlyBeginsLikeTheInstallationFolderKeepsItsName) {
  // The token itself, there and back, is checked by the stream round trip above.
  const UString sibling = ExcludeTrailingPathDelimiter(GetToolFolder()) + u"2/a.txt";
  EXPECT_EQ(ConvertedAppFolderInFilename(sibling, true), sibling);
}
