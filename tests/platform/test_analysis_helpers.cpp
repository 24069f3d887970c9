#include <gtest/gtest.h>

#include "platform/runtime/text_helpers.h"
#include "platform/runtime/vx_maths.h"
#include "platform/text/text_services.h"

namespace {

TEST(PairSlots, RowAfterRowOverTheUpperTriangle) {
  const int64_t n = 4;
  const int64_t expected[4][4] = {{-1, 0, 1, 2}, {0, -1, 3, 4}, {1, 3, -1, 5}, {2, 4, 5, -1}};
  for (int64_t x = 0; x < n; ++x)
    for (int64_t y = 0; y < n; ++y) EXPECT_EQ(SingleArrayPosForXYValue(x, y, n), expected[x][y]) << x << "," << y;
  EXPECT_EQ(SingleArrayPosForXYValue(-1, 2, n), -1);
  EXPECT_EQ(SingleArrayPosForXYValue(1, 4, n), -1);
  const std::pair<int64_t, int64_t> lengths[] = {{-1, 0}, {0, 0}, {1, 1}, {2, 3}, {3, 6}, {99, 4950}};
  for (const auto& [m, len] : lengths) EXPECT_EQ(SingleArrayLengthForXInterRelationships(m), len) << m;
  // Every slot of 7 items once.
  std::vector<int> seen(21, 0);
  for (int64_t x = 0; x < 7; ++x)
    for (int64_t y = x + 1; y < 7; ++y) ++seen[static_cast<size_t>(SingleArrayPosForXYValue(x, y, 7))];
  for (int s : seen) EXPECT_EQ(s, 1);
}

TEST(CardinalAndFreqList, CountsSortsAndMerges) {
  TCardinalAndFreqList l;
  for (uint32_t v : {5u, 3u, 5u, 9u, 3u, 5u}) l.Add(v);
  l.Sort();
  ASSERT_EQ(l.Count(), 3);
  EXPECT_EQ(l.Item(0).number, 3u);
  EXPECT_EQ(l.Item(0).freq, 2);
  EXPECT_EQ(l.Item(1).freq, 3);
  EXPECT_EQ(l.IndexOf(9), 2);
  EXPECT_EQ(l.IndexOf(4), -1);
  for (uint32_t v : {4u, 9u, 0u}) l.Add(v);
  l.Sort();
  ASSERT_EQ(l.Count(), 5);
  EXPECT_EQ(l.Item(0).number, 0u);
  EXPECT_EQ(l.Item(2).number, 4u);
  EXPECT_EQ(l.Item(4).freq, 2);
  l.RemoveIf([](const TCardinalAndFreqList::TItem& t) { return t.freq < 2; });
  ASSERT_EQ(l.Count(), 3);
  EXPECT_EQ(l.Item(2).number, 9u);
}

TEST(TextChunks, BreaksAfterTheLastSeparatorThatFits) {
  const struct {
    const char16_t* text;
    size_t chunk;
    const char16_t* expected;
  } cases[] = {
      {u"aa,bb", 10, u"aa,bb"},
      {u"aa,bb,cc,dd", 6, u"aa,bb,\r\n\tcc,dd"},
      {u"abcdefgh", 3, u"abc\r\n\tde\r\n\tfg\r\n\th"},
      {u"a,b,c,d,e,f", 4, u"a,b,\r\n\tc,\r\n\td,\r\n\te,f"},
  };
  for (const auto& c : cases) EXPECT_EQ(StringInNCharacterChunks(c.text, c.chunk, u"\t", u','), c.expected) << Utf16ToUtf8(c.text);
}

TEST(FileNames, InsertionBeforeTheExtension) {
  EXPECT_EQ(FilenameWithInsertion(u"/a/b.lst", u"_moving_window"), u"/a/b_moving_window.lst");
  EXPECT_EQ(FilenameWithInsertion(u"/a.d/b", u"_x"), u"/a.d/b_x");
  EXPECT_EQ(FilenameWithInsertion(u"b.tar.gz", u"_x"), u"b.tar_x.gz");
}

TEST(Languages, SamePrimaryLanguage) {
  EXPECT_TRUE(SamePrimaryLanguage(0x0409, 0x0809));
  EXPECT_TRUE(SamePrimaryLanguage(0x0407, 0x0C07));
  EXPECT_FALSE(SamePrimaryLanguage(0x0409, 0x0407));
}

}  // namespace
