// Line helpers: span positions, the coloured pieces of a shown line and a line cut in three for
// export, against values worked out by hand and, for the pieces, a plain character-by-character
// check on random input.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "concordance/line_sections.h"

TEST(LineSections, CollocSpanTurnsHorizonsInWordsIntoPositions) {
  struct Case {
    int16_t left, right;
    uint8_t lo, hi;
  };
  const Case cases[] = {
      {5, 5, 45, 55}, {0, 0, 50, 50}, {1, 4, 49, 54}, {-3, 70, 50, 101}, {60, 1, 0, 51}, {50, 51, 0, 101},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.left * 1000 + c.right);
    const TSpanPair s = CollocSpan(Tdouble_smallint_type{c.left, c.right});
    EXPECT_EQ(s.left, c.lo);
    EXPECT_EQ(s.right, c.hi);
    EXPECT_EQ(s.LeftWords(), 50 - c.lo);
    EXPECT_EQ(s.RightWords(), c.hi - 50);
  }
}

// The left limit a collocate column counts from is the left horizon in words: column 0 is the
// leftmost position, so with L5 it is 45 and with L3 it is 47.
TEST(LineSections, CollocateColumnsCountFromTheLeftHorizon) {
  const int32_t cases[][3] = {{0, 5, 45}, {5, 5, 50}, {10, 5, 55}, {0, 3, 47}, {3, 3, 50}, {0, 10, 40}, {0, 0, 50}};
  for (const auto& c : cases) EXPECT_EQ(CollocateColToSpan(c[0], c[1]), c[2]) << c[0] << " " << c[1];
  // The round trip with CollocSpan: the last column is the right limit.
  const TSpanPair s = CollocSpan(4, 2);
  EXPECT_EQ(CollocateColToSpan(0, s.LeftWords()), s.left);
  EXPECT_EQ(CollocateColToSpan(s.right - s.left, s.LeftWords()), s.right);
}

TEST(LineSections, SortKeysZeroToTenCompareL5ToR5) {
  const int32_t cases[][2] = {{0, 45}, {4, 49}, {5, 50}, {6, 51}, {10, 55}, {11, -1}, {-1, -1}, {29, -1}};
  for (const auto& c : cases) EXPECT_EQ(SortSpanFromSort(c[0]), c[1]) << c[0];
}

TEST(LineSections, ConcCharactersToExport) {
  const int32_t cases[][4] = {
      // setting, flag, default, result
      {0, 0, 30, 30},
      {0, 1, 30, 0},
      {40, 0, 30, 40},
      {40, 1, 30, 40},
  };
  for (const auto& c : cases) EXPECT_EQ(ConcCharactersToExport(c[0], c[1] != 0, c[2]), c[3]);
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
    SCOPED_TRACE(c.start);
    const auto s = LineInThreeSections(u"abcdefghij", c.start, c.length);
    EXPECT_EQ(s.left, c.left);
    EXPECT_EQ(s.centre, c.centre);
    EXPECT_EQ(s.right, c.right);
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
    SCOPED_TRACE(c.name);
    const auto s = ConcLinein3Sections({text, sw, 3, c.start_position}, nullptr, c.setting);
    EXPECT_EQ(s.left, c.left);
    EXPECT_EQ(s.centre, u"dog");
    EXPECT_EQ(s.right, c.right);
  }
}

TEST(LineSections, ConcLineInThreeSectionsTakesTheCentreFromTheMergedPieces) {
  // "<w>dog</w> ran": the cell says 1, the pieces put the search word after its tag.
  const UString text = u"x <w>dog</w> ran";
  TSortAndTagMergedList merged;
  merged.Add({2, 3, true, false, 0, 0x0801, 1});
  merged.Add({2, 6, false, false, 50, 0, 0});
  merged.Add({8, 4, true, false, 0, 0x0801, 1});
  merged.SortStringPosition();
  merged.HandleAnyOverlaps();
  EXPECT_EQ(merged.CentreStart(), 5);
  const auto s = ConcLinein3Sections({text, 1, 3, 0}, &merged, 0);
  EXPECT_EQ(s.left, u"x <w>");
  EXPECT_EQ(s.centre, u"dog");
  EXPECT_EQ(s.right, u"</w> ran");
  TSortAndTagMergedList tags_only;
  tags_only.Add({2, 3, true, false, 0, 0x0801, 1});
  EXPECT_EQ(tags_only.CentreStart(), -1);
  EXPECT_EQ(ConcLinein3Sections({text, 6, 3, 0}, &tags_only, 0).centre, u"dog");
}

TEST(LineSections, SortStringPositionOrdersByStartTheLongerFirst) {
  TSortAndTagMergedList l;
  l.Add({5, 1, false, false, 51, 0, 0});
  l.Add({0, 2, false, false, 49, 0, 0});
  l.Add({5, 3, true, false, 0, 0x0801, 1});
  l.Add({0, 2, false, false, 48, 0, 0});
  l.SortStringPosition();
  ASSERT_EQ(l.Count(), 4);
  EXPECT_EQ(l.Get(0).span_pos, 49);  // equal pieces keep their order
  EXPECT_EQ(l.Get(1).span_pos, 48);
  EXPECT_TRUE(l.Get(2).is_tag);
  EXPECT_EQ(l.Get(3).span_pos, 51);
}

TEST(LineSections, HandleAnyOverlaps) {
  struct P {
    int32_t start, length;
    bool tag, highlighted;
    uint8_t span;
  };
  struct Case {
    const char* name;
    std::vector<P> in, out;
  };
  const Case cases[] = {
      {"apart", {{0, 3, false, false, 49}, {4, 3, false, false, 50}}, {{0, 3, false, false, 49}, {4, 3, false, false, 50}}},
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
    SCOPED_TRACE(c.name);
    TSortAndTagMergedList l;
    for (const auto& p : c.in) l.Add({p.start, p.length, p.tag, p.highlighted, p.span, 0, 0});
    l.SortStringPosition();
    l.HandleAnyOverlaps();
    ASSERT_EQ(l.Count(), static_cast<int32_t>(c.out.size()));
    for (int32_t i = 0; i < l.Count(); ++i) {
      SCOPED_TRACE(i);
      const auto& w = c.out[static_cast<size_t>(i)];
      EXPECT_EQ(l.Get(i).start, w.start);
      EXPECT_EQ(l.Get(i).length, w.length);
      EXPECT_EQ(l.Get(i).is_tag, w.tag);
      EXPECT_EQ(l.Get(i).highlighted, w.highlighted);
      EXPECT_EQ(l.Get(i).span_pos, w.span);
    }
  }
}

// Random pieces, checked character by character: the result is in order, has no overlaps,
// covers exactly what the input covered, and each character goes to a piece that covered it and
// outranks every other piece covering it.
TEST(LineSections, HandleAnyOverlapsPropertyOnRandomPieces) {
  std::mt19937 rng(7);
  auto rank = [](const TSortAndTagMergedRec& r) { return r.is_tag ? 3 : r.span_pos == 50 ? 2 : r.highlighted ? 1 : 0; };
  for (int round = 0; round < 3000; ++round) {
    const int n = static_cast<int>(rng() % 12);
    TSortAndTagMergedList l;
    std::vector<TSortAndTagMergedRec> in;
    for (int i = 0; i < n; ++i) {
      TSortAndTagMergedRec r;
      r.start = static_cast<int32_t>(rng() % 40) - 3;
      r.length = static_cast<int32_t>(rng() % 12) - 1;
      r.is_tag = rng() % 4 == 0;
      r.highlighted = rng() % 5 == 0;
      r.span_pos = r.is_tag ? 0 : static_cast<uint8_t>(45 + rng() % 11);
      r.tag_number_1based = static_cast<int16_t>(i);  // tells the pieces apart
      in.push_back(r);
      l.Add(r);
    }
    if (round % 2 == 0) l.SortStringPosition();
    l.HandleAnyOverlaps();

    for (int32_t i = 0; i < l.Count(); ++i) {
      EXPECT_GT(l.Get(i).length, 0);
      if (i > 0) {
        EXPECT_LE(l.Get(i - 1).start + l.Get(i - 1).length, l.Get(i).start);
      }
    }
    for (int32_t ch = -5; ch < 55; ++ch) {
      int best_rank = -1;
      for (const auto& r : in)
        if (r.length > 0 && ch >= r.start && ch < r.start + r.length) best_rank = std::max(best_rank, rank(r));
      const TSortAndTagMergedRec* owner = nullptr;
      for (const auto& r : l.Items())
        if (ch >= r.start && ch < r.start + r.length) owner = &r;
      ASSERT_EQ(owner != nullptr, best_rank >= 0) << "round " << round << " char " << ch;
      if (owner == nullptr) continue;
      const TSortAndTagMergedRec& from = in[static_cast<size_t>(owner->tag_number_1based)];
      EXPECT_TRUE(ch >= from.start && ch < from.start + from.length);
      EXPECT_EQ(rank(from), best_rank);
      EXPECT_EQ(owner->is_tag, from.is_tag);
      EXPECT_EQ(owner->span_pos, from.span_pos);
    }
  }
}
