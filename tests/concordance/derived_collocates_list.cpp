#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "concordance/views/collocates_list.h"
#include "derived_test_support.h"
#include "model/text_reader_test_support.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/list_headings.h"
#include "platform/settings/settings_access.h"

namespace {

// Little-endian byte fixture builder.
struct Bytes {
  std::vector<uint8_t> b;
  Bytes& i32(int32_t v) { return raw(&v, 4); }
  Bytes& f32(float v) { return raw(&v, 4); }
  Bytes& raw(const void* p, size_t n) {
    const auto* c = static_cast<const uint8_t*>(p);
    b.insert(b.end(), c, c + n);
    return *this;
  }
  Bytes& zeros(size_t n) { b.insert(b.end(), n, 0); return *this; }
  Bytes& wide(const char16_t* s) {  // pointer framing, UTF-16
    const UString t(s);
    i32(static_cast<int32_t>(t.size()));
    return raw(t.data(), t.size() * 2);
  }
  Bytes& nil() { return i32(-1); }
  Bytes& astr(const char16_t* s) { return wide(s); }
};

struct Doc : TCollocateListDocument {
  UString SearchItemWord(int32_t n) const override { return n == 0 ? u"dog" : UString(); }
  int32_t ChosenAssociationMeasure() const override { return measure; }
  int32_t SourceTextCount() const override { return 4; }
  int32_t ConcordanceLineCount() const override { return 10; }
  int32_t measure = 1;
};

bool ReadRow(TCollocateList& list, const std::vector<uint8_t>& bytes, TCollocateEntry& row) {
  TMemoryStream m(bytes);
  return row.ReadFromStream(m) && m.Position() == m.Size();
}

// The 28-byte head: old value, highest, total, left, right, texts, search-word number.
Bytes Head(float old_value, int32_t sw) {
  Bytes x;
  return x.f32(old_value).i32(3).i32(5).i32(2).i32(3).i32(2).i32(sw);
}

}  // namespace

TEST(CollocateRows, EveryVersionGateReadsItsLayout) {
  TVXBaseHolder holder;
  Doc doc;
  struct Case {
    int32_t version;
    std::vector<uint8_t> bytes;
    UString search_word;
    size_t lemma_freqs;
  };
  Bytes v13 = Head(0, 0);
  v13.i32(7).i32(1).i32(2).i32(1).i32(4).zeros(200).wide(u"the").nil().nil().astr(u"cat").i32(2).i32(4).i32(1).i32(1).i32(9);
  Bytes v12 = Head(0, 0);
  v12.wide(u"the").nil().nil().astr(u"cat").i32(2).i32(4).i32(1);
  Bytes v11 = Head(0, 0);
  v11.wide(u"the").nil().nil().i32(2).i32(4).i32(1);
  Bytes v11_no_item = Head(0, 7);  // a search-word number that names no item
  v11_no_item.wide(u"the").nil().nil().i32(2).i32(4).i32(1);
  Bytes v10;  // old layout: 20 bytes, word, n, freqs, search-word number, texts
  v10.f32(0).i32(3).i32(5).i32(2).i32(3).wide(u"the").i32(2).i32(4).i32(1).i32(0).i32(2);
  const Case cases[] = {{13, v13.b, u"cat", 1}, {12, v12.b, u"cat", 0}, {11, v11.b, u"dog", 0},
                        {11, v11_no_item.b, u"", 0}, {10, v10.b, u"dog", 2}};
  for (const Case& c : cases) {
    TCollocateList list(&holder, &doc);
    list.SetVersionNumber(c.version);
    TCollocateEntry row(&list, &holder);
    ASSERT_TRUE(ReadRow(list, c.bytes, row)) << c.version;
    EXPECT_EQ(row.MainWordOnly(), u"the");
    EXPECT_EQ(row.rec.head.total, 5);
    EXPECT_EQ(row.rec.freqs, (std::vector<int32_t>{4, 1}));
    EXPECT_EQ(row.rec.search_word, c.search_word) << c.version;
    EXPECT_EQ(row.rec.lemma_freqs.size(), c.lemma_freqs) << c.version;
    // Every cut and a count beyond the bytes left answer false without a crash.
    for (size_t cut = 0; cut < c.bytes.size(); ++cut) {
      TCollocateEntry part(&list, &holder);
      TMemoryStream m(std::vector<uint8_t>(c.bytes.begin(), c.bytes.begin() + cut));
      EXPECT_FALSE(part.ReadFromStream(m)) << c.version << " cut " << cut;
    }
  }
}

TEST(CollocateRows, WrittenRowIsTheCurrentLayoutByteForByte) {
  TVXBaseHolder holder;
  Doc doc;
  TCollocateList list(&holder, &doc);
  TCollocateEntry row(&list, &holder);
  row.rec.head = {0, 3, 5, 2, 3, 2, 0};
  row.rec.lemma = {7, 1, 2, 1, 4};
  row.rec.word = u"the";
  row.rec.search_word = u"cat";
  row.rec.freqs = {4, 1};
  row.rec.lemma_freqs = {9};
  TMemoryStream m;
  ASSERT_TRUE(row.SaveToStream(m));
  Bytes want = Head(0, 0);
  want.i32(7).i32(1).i32(2).i32(1).i32(4).zeros(200).wide(u"the").nil().nil().astr(u"cat").i32(2).i32(4).i32(1).i32(1).i32(9);
  EXPECT_EQ(m.Data(), want.b);
}

TEST(CollocateList, WholeListRoundTripAndOldValues) {
  TVXBaseHolder holder;
  Doc doc;
  TCollocateList list(&holder, &doc);
  auto* e = static_cast<TCollocateEntry*>(TCollocateList::MakeEntry(list));
  e->rec.head = {0, 3, 5, 2, 3, 2, 0};
  e->rec.word = u"the";
  e->rec.freqs = std::vector<int32_t>(11, 0);
  e->rec.SetStatistic(4, 12.5f);
  list.Add(e);
  TMemoryStream m;
  ASSERT_TRUE(list.SaveToStream(m));
  m.Seek(0, TSeekOrigin::Begin);
  TCollocateList back(&holder, &doc);
  ASSERT_TRUE(back.ReadFromStream(m));
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(back.Row(0)->rec.Statistic(4), 12.5f);
  EXPECT_TRUE(back.fsettings.saved_relationships_computed);
  // Every cut of the whole list answers false.
  const std::vector<uint8_t> all = m.Data();
  for (size_t cut = 0; cut + 1 < all.size(); cut += 7) {
    TCollocateList part(&holder, &doc);
    TMemoryStream c(std::vector<uint8_t>(all.begin(), all.begin() + cut));
    EXPECT_FALSE(part.ReadFromStream(c)) << cut;
  }
}

TEST(CollocateList, OldSingleValueGoesToTheChosenMeasureOnly) {
  TVXBaseHolder holder;
  for (int32_t measure : {4, 11, -99}) {
    Doc doc;
    doc.measure = measure;
    TCollocateList list(&holder, &doc);
    auto* e = static_cast<TCollocateEntry*>(TCollocateList::MakeEntry(list));
    e->rec.head.old_value = 2.5f;
    e->rec.word = u"x";
    list.Add(e);
    TMemoryStream m;
    ASSERT_TRUE(list.SaveToStream(m));
    m.Seek(0, TSeekOrigin::Begin);
    TCollocateList back(&holder, &doc);
    ASSERT_TRUE(back.ReadFromStream(m));
    EXPECT_TRUE(back.fsettings.saved_relations_computed_before21_04_16);
    for (int k = 0; k < kCollocateStatCount; ++k)
      EXPECT_EQ(back.Row(0)->rec.Statistic(k), k == measure ? 2.5f : 0.0f) << measure << " " << k;
  }
}

TEST(CollocateList, PositionColumnsOutsideAStoredRowHaveNoValue) {
  text_reader_test::ScopedSettings settings;
  TVXBaseHolder holder;
  Doc doc;
  TCollocateList list(&holder, &doc);
  list.ComputeLeftAndRightSpan(5, 5);  // 11 position columns
  auto* e = static_cast<TCollocateEntry*>(TCollocateList::MakeEntry(list));
  e->rec.head = {0, 4, 8, 4, 4, 1, 0};
  e->rec.freqs = {4, 0, 4};  // a stored row shorter than the span
  list.Add(e);
  struct Case {
    uint8_t display;  // the stored number display: 0 counts, 2 percent, 4 per million
    int column;
    float value;
  };
  const int p0 = kCollocateStandardColumns;
  // Texts of 4 texts, total of 10 lines, left, right and positions of the row's total of 8.
  const Case cases[] = {{2, p0, 50.0f},           {2, p0 + 1, -999998.0f},     {2, p0 + 3, kMissingValue},
                        {2, p0 + 10, kMissingValue}, {2, 16, 80.0f},           {2, 17, 50.0f},
                        {2, 15, 25.0f},           {0, p0, 4.0f},               {0, p0 + 1, -999998.0f},
                        {0, p0 + 3, kMissingValue}, {0, 16, 8.0f},             {0, 17, 4.0f},
                        {0, 15, 1.0f},            {4, 16, 800000.0f},          {4, p0 + 2, 500000.0f}};
  for (const Case& c : cases) {
    SetDisplayWordsPerMillion(c.display);
    TNumberDisplayAndSinglesRec r;
    list.NumericalData(c.column, 0, r);
    EXPECT_FLOAT_EQ(r.value, c.value) << int(c.display) << " " << c.column;
  }
}

// The headings say what the cells hold: counts under the default display, shares with their unit
// otherwise; the other columns keep their headings.
TEST(CollocateList, HeadingsNameTheUnitOfTheNumbersShown) {
  text_reader_test::ScopedSettings settings;
  TVXBaseHolder holder;
  Doc doc;
  TCollocateList list(&holder, &doc);
  list.ComputeLeftAndRightSpan(5, 5);
  list.SetHeadings(CopyOfBaseHeadings(kListCollocates));
  auto heading = [&](int col) {
    TGrid_data_rec cell;
    list.DrawgridDataRec(col, 0, cell, 0);
    return cell.text;
  };
  const int p0 = kCollocateStandardColumns;
  struct Case {
    uint8_t display;
    int col;
    UString want;
  } cases[] = {{0, 15, u"Texts"},        {0, 16, u"Total"},          {0, p0, u"L5"},          {0, 3, u"Dice"},
               {1, 16, u"Total %"},      {2, 18, u"Right %"},        {2, p0 + 5, u"* %"},     {2, 14, u"Set"},
               {3, 17, u"Left per 1,000"}, {4, 15, u"Texts per million"}, {4, 1, u"Word"},   {9, 16, u"Total"}};
  for (const Case& c : cases) {
    SetDisplayWordsPerMillion(c.display);
    EXPECT_EQ(heading(c.col), c.want) << int(c.display) << " " << c.col;
  }
}

TEST(CollocateList, StatisticSortPutsNaNBelowEveryNumber) {
  TVXBaseHolder holder;
  Doc doc;
  TCollocateList list(&holder, &doc);
  const float values[] = {3.0f, std::numeric_limits<float>::quiet_NaN(), -7.0f, 1.0f};
  for (float v : values) {
    auto* e = static_cast<TCollocateEntry*>(TCollocateList::MakeEntry(list));
    e->rec.SetStatistic(1, v);
    list.Add(e);
  }
  list.Set1Sort(0, 4);  // statistic 1
  list.SetSortAscending(0, true);
  ASSERT_TRUE(list.DoASort(1, 0, list.Count() - 1));
  EXPECT_TRUE(std::isnan(list.Row(0)->rec.Statistic(1)));
  EXPECT_EQ(list.Row(1)->rec.Statistic(1), -7.0f);
  EXPECT_EQ(list.Row(3)->rec.Statistic(1), 3.0f);
}

TEST(CollocateList, LemmaFormsJoinWithinTheirOwnSearchWord) {
  TVXBaseHolder holder;
  Doc doc;
  for (bool ignored : {false, true}) {
    TCollocateList list(&holder, &doc);
    // search word 0: GO, WENT; search word 1: GO, WENT.
    derived_test::AddCollocateRows(list, {{u"GO", 0}, {u"WENT", 0}, {u"GO", 1}, {u"WENT", 1}});
    EXPECT_EQ(list.JoinLemmaPairs({{u"go", u"went"}}, ignored), 2) << ignored;
    // Without ignoring, each WENT is under the GO of its own search word, counted once.
    if (!ignored) {
      EXPECT_EQ(list.Row(1)->JoinedTo(), list.Row(0));
      EXPECT_EQ(list.Row(3)->JoinedTo(), list.Row(2));
    }
    EXPECT_EQ(list.Row(0)->rec.lemma.total, ignored ? 6 : 4);
  }
}

// The cloud reads from the list's first row after every reset, a zeroed datum past the end; the
// numbers come from the total, or from the column the cloud options chose.
TEST(CollocateList, CloudDataFromTheFirstRowAndTheChosenColumn) {
  text_reader_test::ScopedSettings settings;
  SetDisplayWordsPerMillion(0);
  TVXBaseHolder holder;
  Doc doc;
  TCollocateList list(&holder, &doc);
  list.ComputeLeftAndRightSpan(5, 5);
  for (int i = 0; i < 2; ++i) {
    auto* e = static_cast<TCollocateEntry*>(TCollocateList::MakeEntry(list));
    e->rec.head = {0, 4, 8 + i, 4, 4 + i, 1, 0};
    e->rec.word = UString(i == 0 ? u"river" : u"bank");
    list.Add(e);
  }
  auto read_all = [&] {
    std::vector<std::pair<UString, int32_t>> out;
    TCloudDatum d;
    while (list.GetNextCloudDatum(d)) out.emplace_back(d.word, d.value);
    EXPECT_EQ(d.value, 0);
    EXPECT_TRUE(d.word.empty());
    return out;
  };
  using V = std::vector<std::pair<UString, int32_t>>;
  EXPECT_EQ(read_all(), (V{{u"river", 8}, {u"bank", 9}}));
  // Without a reset the cursor stays past the end; each layout resets it first.
  TCloudDatum d;
  EXPECT_FALSE(list.GetNextCloudDatum(d));
  list.ResetCloudCursor();
  list.cloud_data_column = 18;  // the right-hand counts
  EXPECT_EQ(read_all(), (V{{u"river", 4}, {u"bank", 5}}));
}
