#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "support/temp_folder.h"
#include "wordlist/analysis_test_support.h"
#include "wordlist/relationships_list.h"
#include "wordlist/wordlist_test_support.h"

namespace {

using analysistest::NewDoc;
using analysistest::TCappedStream;

TMutualInfoRec Rec(int32_t joint, float mi, float t) {
  TMutualInfoRec r{};
  r.texts = 2;
  r.freq1 = 40;
  r.freq2 = 30;
  r.joint = joint;
  r.gap = 1;
  r.stats[kRelMI] = mi;
  r.stats[kRelTScore] = t;
  r.further[2] = 77;
  r.type1 = 3;
  r.type2 = 9;
  return r;
}

void FillThree(TRelationshipsList& list) {
  list.AddRow(Rec(5, 2.5f, 1.0f), u"RIVER", u"BANK");
  list.AddRow(Rec(9, 1.5f, 3.0f), u"BANK", u"RIVER");
  list.AddRow(Rec(7, 3.5f, 2.0f), u"CAT", u"DOG");
}

std::string Rows(TRelationshipsList& list) {
  std::string out;
  for (int i = 0; i < list.Count(); ++i)
    out += (i ? " " : "") + Utf16ToUtf8(list.Row(i)->word1) + "-" + Utf16ToUtf8(list.Row(i)->word2) + "/" +
           std::to_string(list.Row(i)->data.joint);
  return out;
}

// The list base's stream with its rows, cut from a list's own stream after its magic and name.
std::vector<uint8_t> BaseBlockOf(TRelationshipsList& list) {
  TMemoryStream s;
  EXPECT_TRUE(list.SaveToStream(s));
  const size_t head = 4 + 4 + 2 * list.SourceIndexFilename().size();
  return std::vector<uint8_t>(s.Data().begin() + static_cast<std::ptrdiff_t>(head), s.Data().end());
}

class RelationshipsList : public testing::Test {
 protected:
  void SetUp() override { current_tool_var = kToolConcordancer; }
  TempFolder tmp;
};

TEST_F(RelationshipsList, RowBytesAreTheSlotsTheWordsAndTheTypeNumbers) {
  auto doc = NewDoc();
  TRelationshipsList list(doc.get());
  list.AddRow(Rec(5, 2.5f, 1.0f), u"AB", u"C");
  TMemoryStream s;
  ASSERT_TRUE(list.Row(0)->SaveToStream(s));
  const std::vector<uint8_t>& b = s.Data();
  ASSERT_EQ(b.size(), 84u + 6 + 4 + 8);
  int32_t v = 0;
  std::memcpy(&v, b.data() + 12, 4);
  EXPECT_EQ(v, 5);  // slot 3: joint
  float mi = 0;
  std::memcpy(&mi, b.data() + 4 * (5 + kRelMI), 4);
  EXPECT_FLOAT_EQ(mi, 2.5f);
  std::memcpy(&v, b.data() + 4 * 18, 4);
  EXPECT_EQ(v, 77);  // slot 18 kept as it is
  EXPECT_EQ(b[84], 'A');
  EXPECT_EQ(b[86], 'B');
  EXPECT_EQ(b[88], 0);  // zero-terminated
  EXPECT_EQ(b[90], 'C');
  std::memcpy(&v, b.data() + 94, 4);
  EXPECT_EQ(v, 3);
  std::memcpy(&v, b.data() + 98, 4);
  EXPECT_EQ(v, 9);
}

TEST_F(RelationshipsList, SavedWithMagicReadsBackTheSameRowsAndIndexName) {
  auto doc = NewDoc();
  TRelationshipsList list(doc.get(), u"/corpora/big.tokens");
  FillThree(list);
  TMemoryStream s;
  ASSERT_TRUE(list.SaveToStream(s));
  uint32_t magic = 0;
  std::memcpy(&magic, s.Data().data(), 4);
  EXPECT_EQ(magic, 0xABCDFEDCu);
  EXPECT_EQ(list.GetVersionNumber(), 16);
  TRelationshipsList back(doc.get());
  ASSERT_TRUE(s.SetPosition(0));
  ASSERT_TRUE(back.ReadFromStream(s));
  EXPECT_EQ(s.BytesLeft(), 0);
  EXPECT_EQ(back.SourceIndexFilename(), u"/corpora/big.tokens");
  EXPECT_EQ(Rows(back), Rows(list));
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(std::memcmp(&back.Row(i)->data, &list.Row(i)->data, sizeof(TMutualInfoRec)), 0) << i;
}

TEST_F(RelationshipsList, TheFirstFourBytesChooseTheLayout) {
  auto doc = NewDoc();
  TRelationshipsList made(doc.get(), u"idx");
  FillThree(made);
  const std::vector<uint8_t> base = BaseBlockOf(made);
  struct Case {
    const char* what;
    std::vector<uint8_t> head;
    bool reads;
    std::u16string name;
  };
  std::vector<Case> cases;
  // The oldest layout: a length byte and 8-bit characters; 0x05 'C' ':' '\'.
  cases.push_back({"oldest", {0x05, 'C', ':', '\\', 'x', 'y'}, true, u"C:\\xy"});
  // A network name in the oldest layout: byte 2 '\' and byte 3 '\'.
  cases.push_back({"oldest network", {0x04, 'a', '\\', '\\', 'b'}, true, u"a\\\\b"});
  // Without magic: the name as the runtime frames strings (bytes 2 and 3 of its count are 0).
  cases.push_back({"no magic", wltest::Bytes().wstr(u"old.tok").data, true, u"old.tok"});
  // Four arbitrary bytes that are no magic.
  cases.push_back({"foreign", {0x11, 0x22, 0x33, 0x44}, false, u""});
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = c.head;
    bytes.insert(bytes.end(), base.begin(), base.end());
    TMemoryStream s(bytes);
    TRelationshipsList back(doc.get(), u"kept");
    EXPECT_EQ(back.ReadFromStream(s), c.reads) << c.what;
    if (c.reads) {
      EXPECT_EQ(back.SourceIndexFilename(), c.name) << c.what;
      EXPECT_EQ(Rows(back), Rows(made)) << c.what;
    } else {
      EXPECT_EQ(back.SourceIndexFilename(), u"kept") << c.what;
    }
  }
}

TEST_F(RelationshipsList, RowsOfOlderLayoutsAreRefused) {
  auto doc = NewDoc();
  for (int32_t rows : {0, 2}) {
    TRelationshipsList made(doc.get(), u"idx");
    for (int32_t k = 0; k < rows; ++k) made.AddRow(Rec(k + 1, 0, 0), u"A", u"B");
    TMemoryStream s;
    ASSERT_TRUE(made.SaveToStream(s));
    // The list's version (stored settings at 12, after the magic, the name, "VXBL", two words
    // and the 32-byte information).
    const size_t version_at = 4 + 4 + 6 + 4 + 4 + 32 + 12;
    int32_t version = 0;
    std::memcpy(&version, s.Data().data() + version_at, 4);
    ASSERT_EQ(version, 16);
    version = 15;
    std::memcpy(s.Data().data() + version_at, &version, 4);
    ASSERT_TRUE(s.SetPosition(0));
    TRelationshipsList back(doc.get());
    EXPECT_EQ(back.ReadFromStream(s), rows == 0) << rows;
  }
}

TEST_F(RelationshipsList, EveryWriteMustSucceed) {
  auto doc = NewDoc();
  TRelationshipsList list(doc.get(), u"name");
  FillThree(list);
  TMemoryStream whole;
  ASSERT_TRUE(list.SaveToStream(whole));
  TMemoryStream row;
  ASSERT_TRUE(list.Row(0)->SaveToStream(row));
  for (int64_t cut = 0; cut < row.Size(); ++cut) {
    TCappedStream s(cut);
    EXPECT_FALSE(list.Row(0)->SaveToStream(s)) << "row cut at " << cut;
  }
  for (int64_t cut = 0; cut < whole.Size(); cut += 7) {
    TCappedStream s(cut);
    EXPECT_FALSE(list.SaveToStream(s)) << "list cut at " << cut;
  }
}

TEST_F(RelationshipsList, ColumnsChooseTheirSortKeys) {
  const std::pair<int, int32_t> cases[] = {
      {0, RelatSort_by_word1},     {1, RelatSort_by_word1},   {2, RelatSort_by_freq1},   {3, RelatSort_by_word2},
      {4, RelatSort_by_freq2},     {5, RelatSort_by_n_files}, {6, RelatSort_by_gap},     {7, RelatSort_by_joint},
      {8, RelatSort_by_MI_score},  {9, RelatSort_by_Z_score}, {10, RelatSort_by_MI3_score}, {11, RelatSort_by_LogL_score},
      {12, RelatSort_by_T_score},  {13, RelatSort_by_Dice},   {14, RelatSort_by_LogRatio}, {15, RelatSort_by_CondProbA},
      {16, RelatSort_by_CondProbB}, {17, RelatSort_by_DeltaPA}, {18, RelatSort_by_DEltaPB}, {19, RelatSort_by_category},
      {25, RelatSort_by_word1}};
  auto doc = NewDoc();
  TRelationshipsList list(doc.get());
  for (const auto& [column, key] : cases) EXPECT_EQ(list.HeaderColumnToSortNeeded(0, column), key) << column;
}

TEST_F(RelationshipsList, SortsByTScoreWordsAndTheDefaults) {
  auto doc = NewDoc();
  TRelationshipsList list(doc.get());
  FillThree(list);
  list.Set1Sort(0, list.HeaderColumnToSortNeeded(0, 12));
  list.Set1Sort(1, kSortNone);
  ASSERT_TRUE(list.DoASort(1, 0, list.Count() - 1));
  EXPECT_EQ(Rows(list), "RIVER-BANK/5 CAT-DOG/7 BANK-RIVER/9");
  list.Set1Sort(0, list.HeaderColumnToSortNeeded(0, 1));
  ASSERT_TRUE(list.DoASort(1, 0, list.Count() - 1));
  EXPECT_EQ(Rows(list), "BANK-RIVER/9 CAT-DOG/7 RIVER-BANK/5");
  list.Set1Sort(0, RelatSort_by_word2);
  ASSERT_TRUE(list.DoASort(1, 0, list.Count() - 1));
  EXPECT_EQ(Rows(list), "RIVER-BANK/5 CAT-DOG/7 BANK-RIVER/9");
  // The defaults: word 1, then MI, then texts.
  list.AddRow(Rec(2, 9.0f, 0), u"BANK", u"LOAN");
  list.SortAll();
  EXPECT_EQ(Rows(list), "BANK-RIVER/9 BANK-LOAN/2 CAT-DOG/7 RIVER-BANK/5");
}

TEST_F(RelationshipsList, CellsAndTheStatusLine) {
  auto doc = NewDoc();
  TRelationshipsList list(doc.get());
  FillThree(list);
  TGrid_data_rec cell;
  list.DrawgridDataRec(1, 1, cell, 0);
  EXPECT_EQ(cell.text, u"RIVER");
  list.DrawgridDataRec(3, 1, cell, 0);
  EXPECT_EQ(cell.text, u"BANK");
  list.DrawgridDataRec(7, 2, cell, 0);
  EXPECT_TRUE(cell.has_number);
  EXPECT_EQ(cell.number.value, 9.0f);
  list.DrawgridDataRec(12, 2, cell, 0);
  EXPECT_FLOAT_EQ(cell.number.value, 3.0f);
  EXPECT_TRUE(cell.number.is_real);
  EXPECT_EQ(list.GetStatusbarDataAsString(1, 1), u"RIVER (40), BANK, (30), Joint = 5. (2 texts)");
  EXPECT_EQ(list.HeadingCount(), 20);
}

TEST_F(RelationshipsList, AKind28DocumentSavesAndReopensWithoutItsIndex) {
  auto doc = NewDoc(kListRelationships);
  doc->Relationships().SetSourceIndexFilename(u"/corpora/news.tokens");
  FillThree(doc->Relationships());
  doc->fNotes.Add(u"pairs by hand");
  const UString file = tmp.Path() + u"pairs.lst";
  ASSERT_TRUE(doc->SaveToFile(file, 0, 0, 0));
  auto back = NewDoc();
  ASSERT_TRUE(back->ReadWholeFromFile(file, kToolConcordancer).first);
  EXPECT_EQ(back->ListKind, kListRelationships);
  EXPECT_EQ(Rows(back->Relationships()), Rows(doc->Relationships()));
  EXPECT_EQ(back->Relationships().SourceIndexFilename(), u"/corpora/news.tokens");
  EXPECT_EQ(back->ExtraStuffParentFilename(), u"/corpora/news.tokens");
  EXPECT_EQ(back->TessorineHolderMainListCount(), 3);
  EXPECT_EQ(back->fNotes.Count(), 1);
  TListKindSet kinds;
  back->ListKindsWithData(kinds);
  EXPECT_TRUE(kinds.test(kListRelationships));
}

TEST_F(RelationshipsList, ADamagedKind28FileChangesNothing) {
  auto doc = NewDoc(kListRelationships);
  FillThree(doc->Relationships());
  const UString file = tmp.Path() + u"pairs.lst";
  ASSERT_TRUE(doc->SaveToFile(file, 0, 0, 0));
  TMemoryStream good;
  ASSERT_TRUE(good.LoadFromFile(file));
  const int64_t size = good.Size();
  for (int64_t cut : {int64_t{60}, size / 2, size - 1}) {
    std::vector<uint8_t> bytes(good.Data().begin(), good.Data().begin() + cut);
    const UString damaged = tmp.Path() + u"cut.lst";
    ASSERT_TRUE(SafeSaveBytes(damaged, bytes.data(), static_cast<int64_t>(bytes.size())));
    auto kept = NewDoc();
    wltest::Fill(kept->Words(), {{u"KEEP", 4}});
    EXPECT_FALSE(kept->ReadWholeFromFile(damaged, kToolConcordancer).first) << cut;
    EXPECT_EQ(kept->ListKind, kListWordList) << cut;
    EXPECT_EQ(kept->Words().Count(), 1) << cut;
    EXPECT_EQ(kept->Relationships().Count(), 0) << cut;
    EXPECT_NE(kept->LastFailure().find(u"cut.lst"), UString::npos) << cut;
  }
}

}  // namespace

TEST_F(RelationshipsList, RowsOfAnOlderVersionAreRefusedByName) {
  auto doc = NewDoc(kListRelationships);
  doc->Relationships().SetSourceIndexFilename(u"/corpora/news.tokens");
  FillThree(doc->Relationships());
  const UString file = tmp.Path() + u"pairs.lst";
  ASSERT_TRUE(doc->SaveToFile(file, 0, 0, 0));
  TMemoryStream good;
  ASSERT_TRUE(good.LoadFromFile(file));
  // The list's version sits in its stored settings: "VXBL", 2 + 2 bytes, 32 bytes, then 12 in.
  const std::vector<uint8_t>& bytes = good.Data();
  const uint8_t magic[4] = {'V', 'X', 'B', 'L'};
  const auto at = std::search(bytes.begin(), bytes.end(), magic, magic + 4) - bytes.begin();
  ASSERT_LT(static_cast<size_t>(at), bytes.size());
  int32_t stored = 0;
  std::memcpy(&stored, bytes.data() + at + 52, 4);
  ASSERT_EQ(stored, 16);
  for (int32_t version : {15, 4, 3}) {
    SCOPED_TRACE(version);
    std::vector<uint8_t> old = bytes;
    std::memcpy(old.data() + at + 52, &version, 4);
    const UString name = tmp.Path() + u"old" + IntToUStr(version) + u".lst";
    ASSERT_TRUE(SafeSaveBytes(name, old.data(), static_cast<int64_t>(old.size())));
    auto back = NewDoc();
    EXPECT_FALSE(back->ReadWholeFromFile(name, kToolConcordancer).first);
    EXPECT_NE(back->LastFailure().find(u"relationships list of version " + IntToUStr(version)), UString::npos)
        << Utf16ToUtf8(back->LastFailure());
    EXPECT_EQ(back->ListKind, kListWordList);
    EXPECT_EQ(back->Relationships().Count(), 0);
  }
}
