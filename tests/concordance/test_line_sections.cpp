// Line helpers: span positions, the coloured pieces of a shown line and a line cut in three for
// export, against values worked out by hand and, for the pieces, a plain character-by-character
// check on random input.
#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <vector>

#include "concordance/lines/line_sections.h"

namespace {

auto Shape(const TSortAndTagMergedRec& r) {
  return std::make_tuple(r.start, r.length, r.is_tag, r.highlighted, r.span_pos);
}

// A line cut in three, left to right.
template <typename T>
std::vector<UString> Parts(const T& s) {
  return {UString(s.left), UString(s.centre), UString(s.right)};
}

TSortAndTagMergedList Merged(const std::vector<TSortAndTagMergedRec>& pieces, bool sort = true, bool overlaps = true) {
  TSortAndTagMergedList l;
  for (const auto& p : pieces) l.Add(p);
  if (sort) l.SortStringPosition();
  if (overlaps) l.HandleAnyOverlaps();
  return l;
}

}  // namespace

TEST(LineSections, SpanPositionsFromHorizonsColumnsAndSortKeys) {
  struct Span {
    int16_t left, right;
    uint8_t lo, hi;
  };
  for (const Span& c : {Span{5, 5, 45, 55}, Span{0, 0, 50, 50}, Span{1, 4, 49, 54}, Span{-3, 70, 50, 101},
                        Span{60, 1, 0, 51}, Span{50, 51, 0, 101}}) {
    const TLineSpanPair s = CollocSpan(Tdouble_smallint_type{c.left, c.right});
    EXPECT_EQ(std::make_tuple(s.left, s.right, s.LeftWords(), s.RightWords()),
              std::make_tuple(c.lo, c.hi, 50 - c.lo, c.hi - 50))
        << c.left << " " << c.right;
  }
  // A collocate column counts from the left horizon: column 0 is 45 with L5, 47 with L3.
  const int32_t cols[][3] = {{0, 5, 45}, {5, 5, 50}, {10, 5, 55}, {0, 3, 47}, {3, 3, 50}, {0, 10, 40}, {0, 0, 50}};
  for (const auto& c : cols) EXPECT_EQ(CollocateColToSpan(c[0], c[1]), c[2]) << c[0] << " " << c[1];
  // The round trip with CollocSpan: the last column is the right limit.
  const TLineSpanPair s = CollocSpan(4, 2);
  EXPECT_EQ(CollocateColToSpan(0, s.LeftWords()), s.left);
  EXPECT_EQ(CollocateColToSpan(s.right - s.left, s.LeftWords()), s.right);
  // Sort keys 0..10 are L5..R5.
  const int32_t keys[][2] = {{0, 45}, {4, 49}, {5, 50}, {6, 51}, {10, 55}, {11, -1}, {-1, -1}, {29, -1}};
  for (const auto& c : keys) EXPECT_EQ(SortSpanFromSort(c[0]), c[1]) << c[0];
  // Characters to export: setting, flag, default, result.
  const int32_t chars[][4] = {{0, 0, 30, 30}, {0, 1, 30, 0}, {40, 0, 30, 40}, {40, 1, 30, 40}};
  for (const auto& c : chars) EXPECT_EQ(ConcCharactersToExport(c[0], c[1] != 0, c[2]), c[3]) << c[0] << c[1];
}

TEST(LineSections, LineInThreeSectionsClipsToTheText) {
  struct Case {
    int32_t start, length;
    const char16_t *left, *centre, *right;
  };
  const Case cases[] = {
      {5, 3, u"abcd", u"efg", u"hij"}, {1, 2, u"", u"ab", u"cdefghij"}, {9, 5, u"abcdefgh", u"ij", u""},
      {20, 2, u"abcdefghij", u"", u""}, {-4, 2, u"", u"ab", u"cdefghij"}, {3, -1, u"ab", u"", u"cdefghij"},
  };
  for (const auto& c : cases) {
    const auto s = LineInThreeSections(u"abcdefghij", c.start, c.length);
    EXPECT_EQ(Parts(s), (std::vector<UString>{c.left, c.centre, c.right})) << c.start;
  }
}

TEST(LineSections, ConcLineInThreeSections) {
  //                             1234567890123456789012345678901234567890
  const UString text = u"   a long left context here dog and the right side   ";
  const int32_t sw = 29;  // "dog", 1-based
  struct Case {
    const char* name;
    int32_t setting, start_position;
    const char16_t *left, *right;
  };
  const Case cases[] = {
      {"setting 0: whole", 0, 0, u"   a long left context here ", u" and the right side   "},
      {"setting 10: 5 a side", 10, 0, u"here ", u" and "},
      {"setting 1000: whole", 1000, 0, u"   a long left context here ", u" and the right side   "},
      {"from a start position", 10, 15, u"context here ", u" and the right side"},
      {"start position 1 cuts", 10, 1, u"here ", u" and "},
  };
  for (const auto& c : cases) {
    const auto s = ConcLinein3Sections({text, sw, 3, c.start_position}, nullptr, c.setting);
    EXPECT_EQ(Parts(s), (std::vector<UString>{c.left, u"dog", c.right})) << c.name;
  }
}

TEST(LineSections, ConcLineInThreeSectionsTakesTheCentreFromTheMergedPieces) {
  // "<w>dog</w> ran": the cell says 1, the pieces put the search word after its tag.
  const UString text = u"x <w>dog</w> ran";
  const TSortAndTagMergedList merged =
      Merged({{2, 3, true, false, 0, 0x0801, 1}, {2, 6, false, false, 50, 0, 0}, {8, 4, true, false, 0, 0x0801, 1}});
  EXPECT_EQ(merged.CentreStart(), 5);
  const auto s = ConcLinein3Sections({text, 1, 3, 0}, &merged, 0);
  EXPECT_EQ(Parts(s), (std::vector<UString>{u"x <w>", u"dog", u"</w> ran"}));
  const TSortAndTagMergedList tags_only = Merged({{2, 3, true, false, 0, 0x0801, 1}}, false, false);
  EXPECT_EQ(tags_only.CentreStart(), -1);
  EXPECT_EQ(ConcLinein3Sections({text, 6, 3, 0}, &tags_only, 0).centre, u"dog");
}

TEST(LineSections, SortStringPositionOrdersByStartTheLongerFirst) {
  const TSortAndTagMergedList l =
      Merged({{5, 1, false, false, 51}, {0, 2, false, false, 49}, {5, 3, true, false, 0}, {0, 2, false, false, 48}},
             true, false);
  ASSERT_EQ(l.Count(), 4);
  EXPECT_EQ(l.Get(0).span_pos, 49);  // equal pieces keep their order
  EXPECT_EQ(l.Get(1).span_pos, 48);
  EXPECT_TRUE(l.Get(2).is_tag);
  EXPECT_EQ(l.Get(3).span_pos, 51);
}

TEST(LineSections, HandleAnyOverlaps) {
  using P = TSortAndTagMergedRec;  // start, length, tag, highlighted, span
  struct Case {
    const char* name;
    std::vector<P> in, out;
  };
  const Case cases[] = {
      {"apart", {{0, 3, false, false, 49}, {4, 3, false, false, 50}},
       {{0, 3, false, false, 49}, {4, 3, false, false, 50}}},
      {"a tag over a word's end", {{0, 5, false, false, 49}, {3, 4, true, false, 0}},
       {{0, 3, false, false, 49}, {3, 4, true, false, 0}}},
      {"a tag inside the search word", {{10, 5, false, false, 50}, {12, 2, true, false, 0}},
       {{10, 2, false, false, 50}, {12, 2, true, false, 0}, {14, 1, false, false, 50}}},
      {"the search word over a word", {{0, 6, false, false, 49}, {4, 4, false, false, 50}},
       {{0, 4, false, false, 49}, {4, 4, false, false, 50}}},
      {"a highlight over a word", {{0, 6, false, false, 49}, {2, 2, false, true, 48}},
       {{0, 2, false, false, 49}, {2, 2, false, true, 48}, {4, 2, false, false, 49}}},
      {"equal words: the first start wins", {{2, 4, false, false, 51}, {0, 4, false, false, 52}},
       {{0, 4, false, false, 52}, {4, 2, false, false, 51}}},
      {"the same piece twice", {{1, 2, false, false, 51}, {1, 2, false, false, 51}}, {{1, 2, false, false, 51}}},
      {"empty pieces go", {{1, 0, false, false, 51}, {3, -2, true, false, 0}}, {}},
  };
  for (const auto& c : cases) {
    const TSortAndTagMergedList l = Merged(c.in);
    ASSERT_EQ(l.Count(), static_cast<int32_t>(c.out.size())) << c.name;
    for (int32_t i = 0; i < l.Count(); ++i) EXPECT_EQ(Shape(l.Get(i)), Shape(c.out[size_t(i)])) << c.name << " " << i;
  }
}

// Random pieces, checked character by character: the result is in order, has no overlaps,
// covers exactly what the input covered, and each character goes to a piece that covered it and
// outranks every other piece covering it.
TEST(LineSections, HandleAnyOverlapsPropertyOnRandomPieces) {
  std::mt19937 rng(7);
  auto rank = [](const TSortAndTagMergedRec& r) { return r.is_tag ? 3 : r.span_pos == 50 ? 2 : r.highlighted ? 1 : 0; };
  auto covers = [](const TSortAndTagMergedRec& r, int32_t ch) { return ch >= r.start && ch < r.start + r.length; };
  for (int round = 0; round < 3000; ++round) {
    std::vector<TSortAndTagMergedRec> in(rng() % 12);
    for (size_t i = 0; i < in.size(); ++i) {
      TSortAndTagMergedRec& r = in[i];
      r.start = static_cast<int32_t>(rng() % 40) - 3;
      r.length = static_cast<int32_t>(rng() % 12) - 1;
      r.is_tag = rng() % 4 == 0;
      r.highlighted = rng() % 5 == 0;
      r.span_pos = r.is_tag ? 0 : static_cast<uint8_t>(45 + rng() % 11);
      r.tag_number_1based = static_cast<int16_t>(i);  // tells the pieces apart
    }
    const TSortAndTagMergedList l = Merged(in, round % 2 == 0);
    for (int32_t i = 0; i < l.Count(); ++i) {
      EXPECT_GT(l.Get(i).length, 0);
      EXPECT_TRUE(i == 0 || l.Get(i - 1).start + l.Get(i - 1).length <= l.Get(i).start) << i;
    }
    for (int32_t ch = -5; ch < 55; ++ch) {
      int best_rank = -1;
      for (const auto& r : in)
        if (r.length > 0 && covers(r, ch)) best_rank = std::max(best_rank, rank(r));
      const TSortAndTagMergedRec* owner = nullptr;
      for (const auto& r : l.Items())
        if (covers(r, ch)) owner = &r;
      ASSERT_EQ(owner != nullptr, best_rank >= 0) << "round " << round << " char " << ch;
      if (owner == nullptr) continue;
      const TSortAndTagMergedRec& from = in[static_cast<size_t>(owner->tag_number_1based)];
      EXPECT_TRUE(covers(from, ch));
      EXPECT_EQ(rank(from), best_rank);
      EXPECT_EQ(std::make_tuple(owner->is_tag, owner->span_pos), std::make_tuple(from.is_tag, from.span_pos));
    }
  }
}
