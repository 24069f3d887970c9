#include <gtest/gtest.h>

#include <cmath>

#include "wordlist/multi_word_unit_processing.h"

namespace {

TEST(ClusterRows, DispersionOverTheCorpusBytes) {
  const std::vector<int64_t> bytes{100, 100};
  using P = std::vector<std::pair<int32_t, int32_t>>;
  const struct {
    P positions;
    float dispersion;
  } cases[] = {
      {{}, 0.0f},
      // One position in each quarter of the 200 bytes: an even spread.
      {{{1, 10}, {1, 60}, {2, 10}, {2, 60}}, 1.0f},
      // All in the first quarter.
      {{{1, 10}, {1, 11}, {1, 12}, {1, 13}}, 0.0f},
      // Text 2 begins after text 1's 100 bytes: byte 10 of it is in the third quarter.
      {{{2, 10}, {2, 20}}, 0.0f},
      // A position of no text of the index is left out.
      {{{1, 10}, {1, 60}, {2, 10}, {2, 60}, {3, 5}}, 1.0f},
  };
  for (const auto& c : cases) EXPECT_FLOAT_EQ(ClusterDispersion(c.positions, bytes, 4), c.dispersion) << c.positions.size();
  // Two in the first quarter, one each in two more: counts 2 1 1 0, mean 1, sd sqrt(0.5).
  const P uneven{{1, 1}, {1, 2}, {1, 60}, {2, 10}};
  EXPECT_NEAR(ClusterDispersion(uneven, bytes, 4), 1.0 - std::sqrt(0.5) / std::sqrt(3.0), 1e-6);
  EXPECT_EQ(ClusterDispersion(uneven, bytes, 1), 0.0f);
}

TEST(ClusterRows, TextsInTheClustersOrderWhateverTheWorkers) {
  const char* words[] = {"THE", "OLD", "MAN", "#", "SEA"};
  TClusterRowContext context;
  context.render = [&](const TTypeRecArray& types, UString& text) {
    for (uint32_t t : types) {
      if (t == kFrameGap) {
        text += text.empty() ? u"*" : u" *";
        continue;
      }
      if (t >= 5) return false;
      text += (text.empty() ? u"" : u" ") + Utf8ToUtf16(words[t]);
    }
    return true;
  };
  std::vector<TFoundCluster> found;
  for (uint32_t k = 0; k < 40000; ++k) found.push_back({0, {k % 5, (k / 5) % 5, (k / 25) % 7}, 2, 1, {}});
  auto one = MakeClusterRowTexts(found, context, 1);
  ASSERT_EQ(one.size(), found.size());
  EXPECT_EQ(one[0]->text, u"THE THE THE");
  EXPECT_EQ(one[6]->text, u"OLD OLD THE");
  EXPECT_FALSE(one[125].has_value());  // type 5 is no type of the index
  EXPECT_EQ(one[3]->text, u"# THE THE");
  context.exclude_numbers = true;
  auto eight = MakeClusterRowTexts(found, context, 8);
  ASSERT_EQ(eight.size(), found.size());
  EXPECT_FALSE(eight[3].has_value());
  for (size_t k = 0; k < found.size(); ++k) {
    const bool has_number = one[k] && one[k]->text.find(u'#') != UString::npos;
    ASSERT_EQ(eight[k].has_value(), one[k].has_value() && !has_number) << k;
    if (eight[k]) {
      EXPECT_EQ(eight[k]->text, one[k]->text) << k;
    }
  }
}

}  // namespace
