// The word cloud's layout: no two words on the same blocks, every box inside the picture, the
// first word at the centre, the order of placing, the sizes, colours and the top ten drawn last,
// the ten-failure stop, one layout at a time, and the helpers it stands on.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>

#include "shell/viewers/word_cloud_layout.h"

namespace {

// Text measured as a proportional font would be: 0.6 of the size a character, 1.3 high.
TCloudTextSize Measure(UStringView text, int points) {
  return {static_cast<int>(std::lround(0.6 * points * static_cast<double>(text.size()))),
          static_cast<int>(std::lround(1.3 * points))};
}

// A source of records from a list of (word, frequency), numbered from 1.
struct TSource {
  std::vector<std::pair<UString, int32_t>> words;
  int cursor = 0;
  int calls = 0;
  TWordCloud::TWordCloudWordGetNext Callback() {
    return [this](TWordFreqAndSourceNum& rec) {
      ++calls;
      if (cursor < static_cast<int>(words.size())) {
        rec.word = words[static_cast<size_t>(cursor)].first;
        rec.freq = words[static_cast<size_t>(cursor)].second;
        rec.number = cursor + 1;
      } else {
        rec = TWordFreqAndSourceNum();
      }
      ++cursor;
    };
  }
};

// Zipf-like frequencies over made-up words of 2 to 12 letters.
std::vector<std::pair<UString, int32_t>> MadeUpWords(int n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::pair<UString, int32_t>> out;
  for (int i = 0; i < n; ++i) {
    UString w;
    const int len = 2 + static_cast<int>(rng() % 11);
    for (int k = 0; k < len; ++k) w += static_cast<char16_t>(u'a' + rng() % 26);
    out.emplace_back(w + IntToUStr(i), static_cast<int32_t>(5000 / (i + 1)) + 1);
  }
  return out;
}

bool Overlap(const TCloudRect& a, const TCloudRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Checks the invariants every layout keeps.
void ExpectSoundLayout(const TWordCloud& cloud) {
  std::vector<const TCloudWordDraw*> placed;
  for (const TCloudWordDraw& d : cloud.Draws())
    if (!d.redraw) placed.push_back(&d);
  for (const TCloudWordDraw* d : placed) {
    // Inside the picture, the text inside its blocks.
    EXPECT_GE(d->rect.left, 0);
    EXPECT_GE(d->rect.top, 0);
    EXPECT_LE(d->rect.right, cloud.blocks_horiz * 3);
    EXPECT_LE(d->rect.bottom, cloud.blocks_vert * 3);
    EXPECT_GE(d->text_left, d->rect.left);
    EXPECT_GE(d->text_top, d->rect.top);
    EXPECT_LE(d->text_left + d->size.cx, d->rect.right);
    EXPECT_LE(d->text_top + d->size.cy, d->rect.bottom);
    // Every block of its box is its own.
    for (int by = d->rect.top / 3; by < d->rect.bottom / 3; ++by)
      for (int bx = d->rect.left / 3; bx < d->rect.right / 3; ++bx) ASSERT_EQ(cloud.Occupied(bx, by), d->number);
  }
  for (size_t i = 0; i < placed.size(); ++i)
    for (size_t j = i + 1; j < placed.size(); ++j)
      ASSERT_FALSE(Overlap(placed[i]->rect, placed[j]->rect))
          << Utf16ToUtf8(placed[i]->text) << " / " << Utf16ToUtf8(placed[j]->text);
  // The texts themselves keep a gap: side by side at least 6 pixels apart (twice the least pad),
  // one above the other at least 2; and none comes within 3 pixels of the picture's edge (the
  // frame is drawn 1 pixel inside it).
  auto text_box = [](const TCloudWordDraw& d) {
    return TCloudRect{d.text_left, d.text_top, d.text_left + d.size.cx, d.text_top + d.size.cy};
  };
  for (const TCloudWordDraw* d : placed) {
    const TCloudRect t = text_box(*d);
    EXPECT_GE(t.left, 3) << Utf16ToUtf8(d->text);
    EXPECT_GE(t.top, 1) << Utf16ToUtf8(d->text);
    EXPECT_LE(t.right, cloud.horiz_pixels - 3) << Utf16ToUtf8(d->text);
    EXPECT_LE(t.bottom, cloud.vert_pixels - 1) << Utf16ToUtf8(d->text);
  }
  for (size_t i = 0; i < placed.size(); ++i)
    for (size_t j = i + 1; j < placed.size(); ++j) {
      const TCloudRect a = text_box(*placed[i]), b = text_box(*placed[j]);
      const int apart_x = std::max(b.left - a.right, a.left - b.right);
      const int apart_y = std::max(b.top - a.bottom, a.top - b.bottom);
      ASSERT_TRUE(apart_x >= 6 || apart_y >= 2)
          << Utf16ToUtf8(placed[i]->text) << " / " << Utf16ToUtf8(placed[j]->text) << ": " << apart_x << ", " << apart_y;
    }
}

}  // namespace

TEST(WordCloudLayout, TwoHundredWordsNeverOverlap) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    TSource source;
    source.words = MadeUpWords(200, seed);
    TWordCloud cloud(1000, 700, source.Callback());
    cloud.fListItemsCount = 200;
    ASSERT_TRUE(cloud.LayOut(Measure, 96));
    ExpectSoundLayout(cloud);
    EXPECT_GE(cloud.Draws().size(), 150u) << "seed " << seed;
  }
}

TEST(WordCloudLayout, SpacingKeepsWordsApartAndInside) {
  for (float spacing : {1.0f, 1.7f, 3.0f}) {
    TSource source;
    source.words = MadeUpWords(120, 7);
    TWordCloud cloud(800, 600, source.Callback());
    cloud.fListItemsCount = 120;
    cloud.CloudSettings.SetHorizontalSpacing(spacing);
    cloud.CloudSettings.SetVerticalSpacing(spacing);
    ASSERT_TRUE(cloud.LayOut(Measure, 96));
    ExpectSoundLayout(cloud);
  }
}

TEST(WordCloudLayout, TheFirstWordTakesTheCentre) {
  TSource source;
  source.words = {{u"minor", 3}, {u"major", 90}, {u"middle", 20}};
  TWordCloud cloud(600, 400, source.Callback());
  cloud.fListItemsCount = 3;
  ASSERT_TRUE(cloud.LayOut(Measure, 96));
  ASSERT_FALSE(cloud.Draws().empty());
  // Unknown range: the most frequent first, at the centre block.
  const TCloudWordDraw& first = cloud.Draws().front();
  EXPECT_EQ(first.text, u"major");
  EXPECT_EQ(cloud.ItemAt(cloud.midblock.x * 3 + 1, cloud.midblock.y * 3 + 1), 2);
  EXPECT_LE(first.rect.left, cloud.midblock.x * 3);
  EXPECT_GE(first.rect.right, cloud.midblock.x * 3 + 3);
}

TEST(WordCloudLayout, OrderOfPlacing) {
  TSource source;
  source.words = {{u"aa", 5}, {u"bb", 50}, {u"cc", 20}, {u"dd", 50}};
  TWordCloud cloud(900, 600, source.Callback());
  cloud.fListItemsCount = 4;
  ASSERT_TRUE(cloud.LayOut(Measure, 96));
  std::vector<UString> order;
  for (const TCloudWordDraw& d : cloud.Draws())
    if (!d.redraw) order.push_back(d.text);
  // Range unknown: by frequency, equal ones in the source's order.
  EXPECT_EQ(order, (std::vector<UString>{u"bb", u"dd", u"cc", u"aa"}));
  EXPECT_EQ(cloud.min_freq, 5);
  EXPECT_EQ(cloud.max_freq, 50);
  // Range now known: the next layout keeps the source's order.
  source.cursor = 0;
  ASSERT_TRUE(cloud.LayOut(Measure, 96));
  order.clear();
  for (const TCloudWordDraw& d : cloud.Draws())
    if (!d.redraw) order.push_back(d.text);
  EXPECT_EQ(order, (std::vector<UString>{u"aa", u"bb", u"cc", u"dd"}));
}

TEST(WordCloudLayout, TheFirstTenAreDrawnAgainLast) {
  TSource source;
  source.words = MadeUpWords(30, 11);
  TWordCloud cloud(1000, 700, source.Callback());
  cloud.fListItemsCount = 30;
  ASSERT_TRUE(cloud.LayOut(Measure, 96));
  const auto& d = cloud.Draws();
  ASSERT_GE(d.size(), 10u);
  // The last ten: numbers 10 down to 1, each where it was first drawn.
  for (int k = 0; k < 10; ++k) {
    const TCloudWordDraw& again = d[d.size() - 10 + static_cast<size_t>(k)];
    EXPECT_TRUE(again.redraw);
    EXPECT_EQ(again.number, 10 - k);
    for (const TCloudWordDraw& first : d)
      if (!first.redraw && first.number == again.number) {
        EXPECT_EQ(first.rect.left, again.rect.left);
      }
  }
}

TEST(WordCloudLayout, SizesColoursAndGrey) {
  // Equal frequencies: every word at the minimum size.
  TSource equal;
  for (int i = 0; i < 12; ++i) equal.words.emplace_back(u"w" + IntToUStr(i), 7);
  TWordCloud cloud(900, 600, equal.Callback());
  cloud.fListItemsCount = 12;
  cloud.CloudSettings.SetMinFontSize(11);
  ASSERT_TRUE(cloud.LayOut(Measure, 96));
  for (const TCloudWordDraw& d : cloud.Draws()) EXPECT_EQ(d.points, 11);
  // The scale: never above 120, the highest frequency at the largest size.
  TWordCloud scale(200, 200);
  scale.min_freq = 1;
  scale.max_freq = 1000;
  // Few words on a tall area: the largest size grows by 5 a doubling and stops at 120.
  scale.ComputeFontScale(1, 200 / 96.0);
  EXPECT_EQ(scale.max_font_size, 85);
  scale.ComputeFontScale(1, 2000.0);
  EXPECT_EQ(scale.max_font_size, 120);
  EXPECT_EQ(scale.FontSizeOf(1000), 120);
  EXPECT_EQ(scale.FontSizeOf(1), 9);
  scale.ComputeFontScale(100000, 200 / 96.0);
  EXPECT_EQ(scale.max_font_size, 40);
  // Colour by size and the grey of words beyond 666, which get no shape.
  EXPECT_EQ(CloudColourOfSize(9), 0x800000u);
  EXPECT_EQ(CloudColourOfSize(12), 0x000000u);
  EXPECT_EQ(CloudColourOfSize(30), 0xD30094u);
  EXPECT_EQ(CloudColourOfSize(31), 0xFF0000u);
  TSource far;
  far.words = MadeUpWords(700, 5);
  TWordCloud big(3000, 3000, far.Callback());
  big.fListItemsCount = 700;
  big.CloudSettings.SetShowShapes(true);
  big.CloudSettings.SetColourBySize(true);
  ASSERT_TRUE(big.LayOut(Measure, 96));
  bool saw_grey = false;
  for (const TCloudWordDraw& d : big.Draws()) {
    if (d.number > 666) {
      saw_grey = true;
      EXPECT_EQ(d.colour, kCloudGreyColour);
      EXPECT_FALSE(d.shape);
    } else {
      EXPECT_TRUE(d.shape);
      EXPECT_EQ(d.colour, CloudColourOfSize(d.points));
    }
  }
  EXPECT_TRUE(saw_grey);
}

TEST(WordCloudLayout, StopsAfterTenFailures) {
  // Every word far too wide for the picture.
  auto huge = [](UStringView, int) { return TCloudTextSize{5000, 20}; };
  TSource known;
  known.words = MadeUpWords(50, 3);
  TWordCloud cloud(300, 300, known.Callback());
  cloud.fListItemsCount = 50;
  cloud.min_freq = 1;
  cloud.max_freq = 5001;
  ASSERT_TRUE(cloud.LayOut(huge, 96));
  EXPECT_EQ(cloud.failures, 10);
  EXPECT_EQ(known.calls, 10);  // no word asked for after the tenth failure
  EXPECT_TRUE(cloud.Draws().empty());
  TSource unknown;
  unknown.words = MadeUpWords(50, 3);
  TWordCloud again(300, 300, unknown.Callback());
  again.fListItemsCount = 50;
  ASSERT_TRUE(again.LayOut(huge, 96));
  EXPECT_EQ(again.failures, 10);
}

TEST(WordCloudLayout, OneLayoutAtATime) {
  TSource source;
  source.words = MadeUpWords(150, 9);
  TWordCloud cloud(1000, 700, source.Callback());
  cloud.fListItemsCount = 150;
  int yields = 0;
  bool second_refused = false;
  bool none_under_mouse = true;
  // A measure slow enough for the layout to yield.
  auto slow = [](UStringView t, int p) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(400);
    while (std::chrono::steady_clock::now() < until) {
    }
    return Measure(t, p);
  };
  ASSERT_TRUE(cloud.LayOut(slow, 96, [&] {
    ++yields;
    second_refused = !cloud.LayOut(Measure, 96);
    none_under_mouse = none_under_mouse && cloud.ItemAt(cloud.midblock.x * 3, cloud.midblock.y * 3) == 0;
  }));
  EXPECT_GT(yields, 0);
  EXPECT_TRUE(second_refused);
  EXPECT_TRUE(none_under_mouse);
  ExpectSoundLayout(cloud);
  // Cancel ends a layout at its next yield, keeping what was placed.
  source.cursor = 0;
  cloud.min_freq = cloud.max_freq = 0;
  ASSERT_TRUE(cloud.LayOut(slow, 96, [&] { cloud.Cancel(); }));
  EXPECT_LT(cloud.Draws().size(), 150u);
  ExpectSoundLayout(cloud);
}

TEST(WordCloudHelpers, CrownSortCaseAndTextList) {
  // Evenly spaced points at the radius, the first to the right.
  const TCloudPoint c{50, 40};
  EXPECT_EQ(CrownPos(0, 4, 10, c), (TCloudPoint{60, 40}));
  EXPECT_EQ(CrownPos(1, 4, 10, c), (TCloudPoint{50, 50}));
  EXPECT_EQ(CrownPos(2, 4, 10, c), (TCloudPoint{40, 40}));
  EXPECT_EQ(CrownPos(3, 4, 10, c), (TCloudPoint{50, 30}));
  for (int i = 0; i < 30; ++i) {
    const TCloudPoint p = CrownPos(i, 30, 20, c);
    EXPECT_NEAR(std::hypot(p.x - c.x, p.y - c.y), 20.0, 0.8);
  }
  TWordFreqAndSourceNumList list;
  list.Add({u"a", 2, 1});
  list.Add({u"b", 9, 2});
  list.Add({u"c", 2, 3});
  list.Add({u"d", 9, 4});
  list.SortOnFreqs();
  EXPECT_EQ(list[0].word + list[1].word + list[2].word + list[3].word, u"bdac");
  EXPECT_EQ(OutputConvertedStr(u"mIxEd", kOutputAsIs), u"mIxEd");
  EXPECT_EQ(OutputConvertedStr(u"mIxEd", kOutputLower), u"mixed");
  EXPECT_EQ(OutputConvertedStr(u"mIxEd", kOutputUpper), u"MIXED");
  EXPECT_EQ(OutputConvertedStr(u"mIxEd", kOutputInitialCapital), u"Mixed");
  TMyCloudTXTList words;
  words.Add(u"one", 4);
  words.Add(u"two", 7);
  TWordFreqAndSourceNum rec;
  words.GetNextCloudDatum(rec);
  EXPECT_EQ(rec.word, u"one");
  EXPECT_EQ(rec.freq, 4);
  EXPECT_EQ(rec.number, 1);
  words.GetNextCloudDatum(rec);
  EXPECT_EQ(rec.number, 2);
  words.GetNextCloudDatum(rec);
  EXPECT_EQ(rec.freq, 0);
  EXPECT_TRUE(rec.word.empty());
  EXPECT_EQ(words.cursor, 3);  // moved on past the end as well
}

TEST(WordCloudHelpers, AreaFromThePrinterPage) {
  TPrinterRec none{};
  const TCloudArea a4 = CloudAreaFor(none, 96, 96);
  EXPECT_EQ(a4.width, 794);   // 8.27 in
  EXPECT_EQ(a4.height, 1122);  // 11.69 in
  TPrinterRec letter{};
  letter.SetPageMeasure(300);
  letter.SetPageWidth(2400);
  letter.SetPageHeight(3150);
  const TCloudArea a = CloudAreaFor(letter, 96, 120);
  EXPECT_EQ(a.width, 768);
  EXPECT_EQ(a.height, 1260);
}

// A damaged printer record or screen gives an area a page or screen can hold (1 to 50 inches at 24
// to 600 pixels an inch), never billions of pixels.
TEST(WordCloudHelpers, AreaFromADamagedPrinterRecordIsBounded) {
  struct TCase {
    const char* name;
    double measure;
    int32_t width, height;
    double dpi;
    int expect_width, expect_height;
  } cases[] = {
      {"page measure near 0", 1e-6, 794, 1123, 96, 4800, 4800},
      {"dots in the millions", 300, 2'000'000'000, 3000, 96, 4800, 960},
      {"a page a dot wide", 300, 1, 1, 96, 96, 96},
      {"measure not a number", std::nan(""), 794, 1123, 96, 794, 1122},
      {"negative measure", -300, 2400, 3150, 96, 794, 1122},
      {"screen of a million dots an inch", 300, 2400, 3150, 1e6, 4800, 6300},
      {"screen of no dots", 300, 2400, 3150, 0, 192, 252},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TPrinterRec rec{};
    rec.SetPageMeasure(c.measure);
    rec.SetPageWidth(c.width);
    rec.SetPageHeight(c.height);
    const TCloudArea a = CloudAreaFor(rec, c.dpi, c.dpi);
    EXPECT_EQ(a.width, c.expect_width);
    EXPECT_EQ(a.height, c.expect_height);
  }
}

// A stored minimum font size outside 6..70 and frequencies at the ends of the 32-bit range give
// sizes between the minimum and the largest size, never negative or wrapped round.
TEST(WordCloudLayout, FontSizesStayWithinTheirRangeWhateverIsStored) {
  struct TCase {
    int32_t stored_min;
    int expect_min;
  } mins[] = {{INT32_MAX, 70}, {INT32_MIN, 9}, {0, 9}, {3, 6}, {12, 12}};
  const std::pair<int32_t, int32_t> ranges[] = {{1, 100}, {1, INT32_MAX}, {INT32_MIN + 1, INT32_MAX}, {50, 50}};
  for (const TCase& c : mins)
    for (const auto& [lo, hi] : ranges) {
      SCOPED_TRACE(testing::Message() << "stored " << c.stored_min << ", range " << lo << ".." << hi);
      TWordCloud cloud(800, 600);
      cloud.CloudSettings.SetMinFontSize(c.stored_min);
      cloud.min_freq = lo;
      cloud.max_freq = hi;
      cloud.ComputeFontScale(100, 6.25);
      // The largest size holds even over a minimum above it.
      const int least = std::min(c.expect_min, cloud.max_font_size);
      EXPECT_EQ(cloud.FontSizeOf(lo), least);
      for (int32_t f : {lo, hi, INT32_MIN, INT32_MAX, (lo / 2 + hi / 2)}) {
        const int points = cloud.FontSizeOf(f);
        EXPECT_GE(points, least) << f;
        EXPECT_LE(points, cloud.max_font_size) << f;
      }
      if (hi > lo) {
        EXPECT_EQ(cloud.FontSizeOf(hi), cloud.max_font_size);
      }
    }
}
