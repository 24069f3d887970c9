#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/runtime/vx_runtime.h"
#include "wordlist/word_list.h"
#include "platform/runtime/vx_maths.h"
#include "wordlist_test_support.h"
#include "support/stream_bytes.h"

using wltest::Bytes;
using wltest::ByFrequency;
using wltest::Fill;
using wltest::Words;

namespace {

TEST(WordList, EmptyListWritesSpareByteAndZeroCount) {
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  const std::vector<uint8_t> bytes = Saved(list);
  ASSERT_GE(bytes.size(), 5u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 5), (std::vector<uint8_t>{0, 0, 0, 0, 0}));
  TVXWordList back(&holder);
  TMemoryStream s(bytes);
  ASSERT_TRUE(back.ReadFromStream(s));
  EXPECT_EQ(back.Count(), 0);
  EXPECT_EQ(back.GetVersionNumber(), kWordListVersion);
}

TEST(WordList, RoundTripKeepsRowsIndexAndBytes) {
  for (bool unicode : {true, false}) {
    TVXBaseHolder holder;
    holder.SetUnicode(unicode);
    TVXWordList list(&holder);
    Fill(list, {{u"ant", 2}, {u"bee", 9}, {u"cat", 5}});
    const std::vector<uint8_t> bytes = Saved(list);
    // Spare byte, N = 3, then the index: bee (1), cat (2), ant (0).
    const std::vector<uint8_t> head = Bytes().u8(0).i32(3).i32(1).i32(2).i32(0).data;
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + head.size()), head);
    TVXBaseHolder holder2;
    TVXWordList back(&holder2);
    TMemoryStream s(bytes);
    ASSERT_TRUE(back.ReadFromStream(s));
    EXPECT_EQ(holder2.Unicode(), unicode);
    EXPECT_EQ(Words(back), "ant bee cat");
    EXPECT_EQ(ByFrequency(back), "bee cat ant");
    const std::vector<uint8_t> again = Saved(back);
    ASSERT_EQ(again.size(), bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) EXPECT_EQ(again[i], bytes[i]) << "byte " << i;
  }
}

// The index of a stored list with its N (and elements) replaced.
std::vector<uint8_t> WithIndex(TVXWordList& list, std::vector<int32_t> index, int32_t n) {
  std::vector<uint8_t> bytes = Saved(list);
  const int32_t old_n = list.Count();
  Bytes b;
  b.u8(0).i32(n);
  for (int32_t v : index) b.i32(v);
  b.raw(bytes.data() + 5 + 4 * old_n, bytes.size() - 5 - 4 * old_n);
  return b.data;
}

TEST(WordList, AnIndexThatDoesNotFitTheRowsIsMadeAgain) {
  struct Case {
    const char* name;
    std::vector<int32_t> index;
  } cases[] = {
      {"N smaller than the rows", {1}},
      {"a row twice", {1, 1, 0}},
      {"a row out of range", {1, 2, 7}},
      {"a negative row", {-1, 2, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TVXBaseHolder holder;
    TVXWordList list(&holder);
    Fill(list, {{u"cat", 5}, {u"bee", 9}, {u"ant", 2}});  // not in alphabetical order
    TVXWordList back(&holder);
    TMemoryStream s(WithIndex(list, c.index, static_cast<int32_t>(c.index.size())));
    ASSERT_TRUE(back.ReadFromStream(s));
    EXPECT_EQ(Words(back), "ant bee cat");
    EXPECT_EQ(ByFrequency(back), "bee cat ant");
    TWordlistData d;
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(back.WordlistData(true, k, d));
  }
}

TEST(WordList, ACountBeyondTheBytesIsRefused) {
  for (int32_t n : {-1, 1000000, INT32_MAX}) {
    TVXBaseHolder holder;
    TVXWordList list(&holder);
    Fill(list, {{u"ant", 2}});
    TVXWordList back(&holder);
    TMemoryStream s(Bytes().u8(0).i32(n).i32(0).data);
    EXPECT_FALSE(back.ReadFromStream(s)) << n;
    EXPECT_EQ(back.Count(), 0);
  }
}

TEST(WordList, EveryCutOfAStoredListFails) {
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  Fill(list, {{u"ant", 2}, {u"bee", 9}});
  const std::vector<uint8_t> bytes = Saved(list);
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    TVXBaseHolder h;
    TVXWordList back(&h);
    TMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut));
    EXPECT_FALSE(back.ReadFromStream(s)) << cut;
  }
}

TEST(WordList, EqualFrequenciesComeInDescendingRowOrder) {
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  Fill(list, {{u"a", 3}, {u"b", 5}, {u"c", 3}, {u"d", 3}});
  EXPECT_EQ(ByFrequency(list), "b d c a");
}

TEST(WordList, TheIndexFollowsRemovalsSortsAndEdits) {
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  Fill(list, {{u"a", 1}, {u"b", 5}, {u"c", 3}});
  EXPECT_EQ(ByFrequency(list), "b c a");
  list.Remove(1);  // b
  EXPECT_EQ(ByFrequency(list), "c a");
  // The saved index never names a row past the end.
  TMemoryStream s(Saved(list));
  TVXWordList back(&holder);
  ASSERT_TRUE(back.ReadFromStream(s));
  EXPECT_EQ(ByFrequency(back), "c a");

  list.Set1Sort(0, kWLSortReverse);
  list.SetSortAscending(0, false);
  ASSERT_TRUE(list.DoASort(1, 0, list.Count() - 1));
  EXPECT_EQ(ByFrequency(list), "c a");
  list.SetCellText(1, kWLColFrequency, 0, u"9");  // a, by row
  EXPECT_EQ(ByFrequency(list), "a c");
  Fill(list, {{u"z", 4}});
  EXPECT_EQ(ByFrequency(list), "a z c");
  list.DeleteOne(0, true);
  list.Zap(false);
  EXPECT_EQ(list.FreqNums().size(), size_t(list.Count()));
}

// The frequency index of many rows, most sharing their frequency with others, and of rows whose
// frequencies reach 2^32 with their joined forms or were edited below zero: larger frequencies first, equal ones
// in descending row order, as a plain sort of (frequency, row) pairs gives.
TEST(WordList, FrequencyIndexEqualsASortOfPairs) {
  std::mt19937 rng(4);
  for (const int32_t most : {7, 100000, INT32_MAX}) {
    SCOPED_TRACE(most);
    TVXBaseHolder holder;
    TVXWordList list(&holder);
    for (int i = 0; i < 30000; ++i) {
      TWordlistData d;
      d.word = u"w" + IntToUStr(i);
      d.frequency = most == INT32_MAX && i % 3 == 0 ? INT32_MAX - i : static_cast<int32_t>(rng() % most);
      d.n_texts = 1;
      list.AddRow(std::move(d));
    }
    if (most == INT32_MAX) {  // a head near 2^32 with its forms, and a frequency edited below zero
      ASSERT_TRUE(list.Join(0, 3, false));
      ASSERT_TRUE(list.Join(0, 6, false));
      list.Row(1)->data.frequency = -5;
    }
    list.RebuildFrequencyIndex();
    std::vector<std::pair<int64_t, int32_t>> want;
    for (int i = 0; i < list.Count(); ++i)
      want.push_back({list.Row(i) ? int64_t{list.Row(i)->data.frequency} + list.GetTotalJoinedFreq(i) : -1, i});
    std::sort(want.begin(), want.end(), [](const auto& a, const auto& b) { return a.first != b.first ? a.first > b.first : a.second > b.second; });
    const std::vector<int32_t>& got = list.FreqNums();
    ASSERT_EQ(got.size(), want.size());
    for (size_t k = 0; k < got.size(); ++k) ASSERT_EQ(got[k], want[k].second) << k;
  }
}

TEST(WordList, FrequencyViewAnswersNoRowPastTheEnd) {
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  Fill(list, {{u"a", 1}, {u"b", 5}});
  EXPECT_EQ(list.CellText(0, kWLColWord, kDisplayByFrequency), u"b");
  EXPECT_EQ(list.CellText(2, kWLColWord, kDisplayByFrequency), u"");
  list.SetCellText(2, kWLColWord, kDisplayByFrequency, u"x");
  EXPECT_EQ(Words(list), "a b");
  EXPECT_EQ(list.ConvertedForFrequency(0, kDisplayByFrequency), 1);
  EXPECT_EQ(list.ConvertedForFrequency(0, 0), 0);
  TWordlistData d;
  EXPECT_FALSE(list.WordlistData(true, 5, d));
  EXPECT_FALSE(list.WordlistData(false, -1, d));
  EXPECT_TRUE(list.WordlistData(true, 1, d));
  EXPECT_EQ(d.word, u"a");
}

TEST(WordList, CorrectFreqAddsJoinedRowsOnlyWithFullLemmaProcessing) {
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  Fill(list, {{u"go", 10}, {u"goes", 3}, {u"went", 4}});
  ASSERT_TRUE(list.Join(0, 1, false));
  ASSERT_TRUE(list.Join(0, 2, false));
  EXPECT_EQ(list.CorrectFreq(0, false), 10);
  EXPECT_EQ(list.CorrectFreq(0, true), 17);
  EXPECT_EQ(list.CorrectFreq(3, true), 0);
  EXPECT_EQ(list.CorrectFreq(-1, true), 0);
}

TEST(WordList, RanksComeFromAFreshIndexWhateverTheRowOrder) {
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  Fill(list, {{u"cat", 5}, {u"ant", 9}, {u"bee", 5}, {u"dog", 1}});
  list.ComputedRankOrdersOfWords();
  ASSERT_TRUE(list.DoAlphabeticalAscendingSort());  // ant bee cat dog
  const std::vector<int32_t> ranks = list.ComputedRankOrdersOfWords();
  EXPECT_EQ(ranks, (std::vector<int32_t>{1, 2, 2, 4}));
}

TEST(WordList, TokensAndOneTextLists) {
  TVXBaseHolder holder;
  TVXWordList list(&holder);
  Fill(list, {{u"a", 3}, {u"b", 4}});
  EXPECT_EQ(list.ComputedCurrentTokens(), 7);
  EXPECT_FALSE(list.BasedOnOneTextFile());
  EXPECT_EQ(NFilesCorrected(3, true), kMissingValue);
  EXPECT_EQ(NFilesCorrected(3, false), 3.0f);
}

}  // namespace
