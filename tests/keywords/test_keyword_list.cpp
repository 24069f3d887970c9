#include <gtest/gtest.h>

#include <cstring>

#include "../model/text_reader_test_support.h"
#include "keywords/keyword_list.h"
#include "platform/rtl/streams.h"
#include "support/stream_bytes.h"

namespace {

class Bytes {
 public:
  Bytes& i32(int32_t v) { return raw(&v, 4); }
  Bytes& f32(float v) { return raw(&v, 4); }
  Bytes& wstr(std::u16string_view s) {
    i32(static_cast<int32_t>(s.size()));
    return raw(s.data(), s.size() * 2);
  }
  Bytes& raw(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    data.insert(data.end(), b, b + n);
    return *this;
  }
  std::vector<uint8_t> data;
};

TKeywordRecord Record(int32_t freq, float keyness, bool negative = false) {
  TKeywordRecord r{};
  r.frequency = freq;
  r.rc_frequency = 3;
  r.keyness = keyness;
  r.n_texts = 2;
  r.negative = negative ? 1 : 0;
  return r;
}

// The 44 record bytes of a row with frequency 7, reference frequency 3, keyness k, negative flag n.
std::vector<uint8_t> RecordBytes(float k, uint8_t n) {
  TKeywordRecord r = Record(7, k, n != 0);
  std::vector<uint8_t> b(44);
  std::memcpy(b.data(), &r, 44);
  return b;
}

TEST(KeywordEntry, ReadsEveryStoredLayout) {
  struct Case {
    const char* name;
    int32_t version;
    std::vector<uint8_t> bytes;
    bool negative;
    const char16_t* prefix;
  };
  std::vector<uint8_t> v10 = RecordBytes(-2.5f, 1);
  v10.resize(12);
  std::vector<uint8_t> v21 = RecordBytes(-2.5f, 0);
  v21.resize(48, 0xEE);
  std::vector<uint8_t> v22 = RecordBytes(-2.5f, 0);
  v22.resize(48, 0xEE);
  const Case cases[] = {
      {"v10: word only, never negative", 10, Bytes().raw(v10.data(), 12).wstr(u"cat").data, false, u""},
      {"v21: negative from the sign", 21, Bytes().raw(v21.data(), 48).wstr(u"<p>").wstr(u"").wstr(u"cat").data, true,
       u"<p>"},
      {"v22: the stored flag", 22, Bytes().raw(v22.data(), 48).wstr(u"").wstr(u"").wstr(u"cat").data, false, u""},
      {"v23: details", 23,
       [] {
         TMyStreamableStringlist details;
         details.Add(u"note");
         TMemoryStream d;
         details.SaveToStream(d);
         std::vector<uint8_t> r = RecordBytes(2.5f, 0);
         return Bytes().raw(r.data(), 44).raw(d.Data().data(), d.Data().size()).wstr(u"").wstr(u"").wstr(u"cat").data;
       }(),
       false, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TVXBaseHolder holder;
    TKeyWordList list(&holder);
    list.SetVersionNumber(c.version);
    TMemoryStream s(c.bytes);
    TKeyWordEntry e(&list);
    ASSERT_TRUE(e.ReadFromStream(s));
    EXPECT_EQ(s.Position(), s.Size());
    EXPECT_EQ(e.word, u"cat");
    EXPECT_EQ(e.prefix, c.prefix);
    EXPECT_EQ(e.data.frequency, 7);
    EXPECT_EQ(e.data.rc_frequency, 3);
    EXPECT_EQ(e.data.negative != 0, c.negative);
    EXPECT_EQ(e.details.Count(), c.version >= 23 ? 1 : 0);
    // Cut anywhere, the row is not read.
    for (size_t cut = 0; cut < c.bytes.size(); ++cut) {
      TMemoryStream short_stream(std::vector<uint8_t>(c.bytes.begin(), c.bytes.begin() + cut));
      TKeyWordEntry cut_entry(&list);
      EXPECT_FALSE(cut_entry.ReadFromStream(short_stream)) << cut;
    }
  }
}

TEST(KeywordList, RoundTripInBothWidths) {
  for (bool unicode : {true, false}) {
    TVXBaseHolder holder;
    holder.SetUnicode(unicode);
    TKeyWordList list(&holder);
    TKeywordRecord r = Record(10, 6.9f);
    r.log_ratio = 2.0f;
    list.AddRow(r, u"cat");
    list.AddRow(Record(4, -3.0f, true), u"dog");
    list.Row(0)->details.Add(u"first");
    const std::vector<uint8_t> bytes = Saved(list);
    EXPECT_EQ(bytes[0], 0);
    TVXBaseHolder holder2;
    TKeyWordList back(&holder2);
    TMemoryStream s(bytes);
    ASSERT_TRUE(back.ReadFromStream(s));
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.GetVersionNumber(), kKeywordListVersion);
    EXPECT_EQ(back.Row(0)->details.Count(), 1);
    EXPECT_TRUE(back.Row(1)->data.negative);
    // No row has a BIC score: the column shows the missing value; log ratios show.
    EXPECT_FALSE(back.has_BIC_Scores);
    EXPECT_TRUE(back.has_LOGR_scores);
    TNumberDisplayAndSinglesRec v;
    back.NumericalData(7, 0, v);
    EXPECT_EQ(v.value, kMissingValue);
    back.NumericalData(9, 0, v);
    EXPECT_EQ(v.value, 2.0f);
    // The keyword rows write back byte for byte (the statistics block at the end is the
    // statistics list's own business).
    const std::vector<uint8_t> again = Saved(back);
    TMemoryStream stats;
    ASSERT_TRUE(back.fKWStats->SaveToStream(stats));
    ASSERT_EQ(again.size(), bytes.size());
    const size_t rows_end = bytes.size() - stats.Data().size();
    EXPECT_EQ(std::vector<uint8_t>(again.begin(), again.begin() + rows_end),
              std::vector<uint8_t>(bytes.begin(), bytes.begin() + rows_end));
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
      TVXBaseHolder h;
      TKeyWordList c(&h);
      TMemoryStream cs(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut));
      EXPECT_FALSE(c.ReadFromStream(cs)) << cut;
    }
  }
}

TEST(KeywordList, SortKindsPerLevel) {
  TVXBaseHolder holder;
  TKeyWordList list(&holder);
  EXPECT_EQ(list.SortLevel(0).key, kKWSortKeyness);
  auto add = [&](const char16_t* w, int32_t f, int32_t rc, float k) {
    TKeywordRecord r = Record(f, k);
    r.rc_frequency = rc;
    list.AddRow(r, w);
  };
  add(u"a", 5, 1, 3.0f);
  add(u"b", 5, 9, 3.0f);
  add(u"c", 2, 4, 9.0f);
  add(u"d", 2, 4, -12.0f);
  // Keyness, then reference frequency as the later key: ties at level 0 ordered by level 1.
  list.Set3Sorts(kKWSortFrequency, kKWSortRefFrequency, kSortNone);
  list.SetSortAscending(0, false);
  list.SetSortAscending(1, false);
  ASSERT_TRUE(list.DoASort(2, 0, list.Count() - 1));
  std::string got;
  for (int i = 0; i < list.Count(); ++i) got += Utf16ToUtf8(list.Row(i)->word);
  EXPECT_EQ(got, "bacd");
  list.Set3Sorts(kKWSortAbsKeyness, kKWSortWords, kSortNone);
  list.SetSortAscending(0, true);
  list.SetSortAscending(1, true);
  ASSERT_TRUE(list.DoASort(2, 0, list.Count() - 1));
  got.clear();
  for (int i = 0; i < list.Count(); ++i) got += Utf16ToUtf8(list.Row(i)->word);
  EXPECT_EQ(got, "abcd");
  struct Click {
    int level, column;
    int32_t want;
  } clicks[] = {{0, 2, kKWSortFrequency}, {0, 3, kKWSortFrequency}, {0, 4, kKWSortTexts},
                {0, 5, kKWSortRefFrequency}, {0, 7, kKWSortBIC}, {0, 9, kKWSortLogRatio},
                {0, 11, kKWSortLemmas}, {0, 12, kKWSortSet}, {1, 11, kKWSortWords}};
  for (const auto& c : clicks) EXPECT_EQ(list.HeaderColumnToSortNeeded(c.level, c.column), c.want) << c.column;
}

TEST(KeywordList, RelativeEntropyOfLemmasSorts) {
  TVXBaseHolder holder;
  TKeyWordList list(&holder);
  for (const auto& [w, f] : std::initializer_list<std::pair<const char16_t*, int32_t>>{
           {u"be", 2}, {u"is", 2}, {u"go", 6}, {u"goes", 3}, {u"went", 3}, {u"dog", 4}})
    list.AddRow(Record(f, 1.0f), w);
  ASSERT_TRUE(list.Join(0, 1, false) && list.Join(2, 3, false) && list.Join(2, 4, false));
  list.Zap(false);
  // be: equal shares (1); go: 6, 3, 3 (0.946); dog: no forms (0).
  list.Set1Sort(0, kKWSortRelativeEntropy);
  list.SetSortAscending(0, true);
  ASSERT_TRUE(list.DoASort(1, 0, list.Count() - 1));
  std::string got;
  for (int i = 0; i < list.Count(); ++i) got += Utf16ToUtf8(list.Row(i)->word) + " ";
  EXPECT_EQ(got, "dog go be ");
}

TEST(KeywordList, ColumnsLimitsAndLowestBIC) {
  text_reader_test::ScopedSettings settings;
  TVXBaseHolder holder;
  TKeyWordList list(&holder);
  EXPECT_EQ(list.LowestBICScore(), 2147483648.0);
  list.KWSettings.SetMaxKeywordsWanted(2);
  list.KWSettings.SetRunningWords(0, 1000);
  list.KWSettings.SetRunningWords(1, 2000);
  TKeywordRecord r = Record(10, 6.969f);
  r.bic_score = -1.0f;
  list.AddRow(r, u"go");
  EXPECT_FALSE(list.LimitReached());
  list.AddRow(Record(4, 1.0f), u"went");
  EXPECT_TRUE(list.LimitReached());
  EXPECT_EQ(list.LowestBICScore(), -1.0);
  ASSERT_TRUE(list.Join(0, 1, false));
  auto value = [&](int col) {
    TNumberDisplayAndSinglesRec v;
    list.NumericalData(col, 0, v);
    return v.value;
  };
  EXPECT_FLOAT_EQ(value(3), 1.0f);   // 10 of 1,000 as a percentage
  EXPECT_FLOAT_EQ(value(6), 0.15f);  // 3 of 2,000
  EXPECT_NEAR(value(10), 0.00829, 0.00001);
  EXPECT_EQ(value(11), 14.0f);
  SetLemmaHeadWordFreqOnly(true);
  EXPECT_EQ(value(11), 4.0f);
  EXPECT_EQ(list.WordTextOfRow(5), u"");
  TCloudDatum d;
  EXPECT_TRUE(list.GetNextCloudDatum(d));
  EXPECT_EQ(d.value, 7);
  EXPECT_FALSE(list.DetailsOfCurrentSettings().empty());
  const std::vector<UString> lemmas = list.LemmaListFromThisList();
  ASSERT_FALSE(lemmas.empty());
  EXPECT_EQ(lemmas.back(), u"go -> went");
}

}  // namespace
