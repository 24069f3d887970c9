#include <gtest/gtest.h>

#include <random>

#include "wordlist/combinations.h"

namespace {

// Types from letters: a = 0, b = 1, ...; "*" the gap.
TTypeRecArray Seq(const std::string& s) {
  TTypeRecArray t;
  for (char c : s)
    if (c == '*') t.push_back(kFrameGap);
    else if (c != ' ') t.push_back(static_cast<uint32_t>(c - 'a'));
  return t;
}

std::string Text(const TTypeRecArray& t) {
  std::string s;
  for (uint32_t v : t) {
    if (!s.empty()) s += ' ';
    s += v == kFrameGap ? '*' : static_cast<char>('a' + v);
  }
  return s;
}

std::string Combis(const std::string& pattern) {
  TGappedComb g;
  g.Generate(Seq(pattern));
  std::string s;
  for (const TTypeRecArray& c : g.combis) s += (s.empty() ? "" : ", ") + Text(c);
  return s;
}

// The frames of clusters given as (types, frequency), as "pattern/frequency[clusters]".
std::string Frames(const std::vector<std::pair<std::string, int32_t>>& clusters, int32_t min_freq = 1, int threads = 1) {
  TPhraseFramesList list;
  list.min_freq = min_freq;
  for (const auto& [types, f] : clusters) list.AddANeighbourRec(nullptr, f, Seq(types));
  std::string s;
  list.PhraseFrames(
      [&](const TPhraseFrame_Rec& fr) {
        s += (s.empty() ? "" : "; ") + Text(fr.pattern) + "/" + std::to_string(fr.frequency) + "[";
        for (size_t k = 0; k < fr.entries.size(); ++k) s += (k ? "," : "") + std::to_string(fr.entries[k]);
        s += "]";
        return true;
      },
      threads);
  return s;
}

TEST(GappedCombinations, OfTwoThreeAndFourTypes) {
  const std::pair<const char*, const char*> cases[] = {
      {"ab", ""},
      {"abc", "a * c, a b *"},
      {"abcd", "a * c d, a b * d, a b c *, a * c, b * d, a b *, b c *"},
      // A repeated word gives each combination once.
      {"aaaa", "a * a a, a a * a, a a a *, a * a, a a *"},
  };
  for (const auto& [pattern, expected] : cases) EXPECT_EQ(Combis(pattern), expected) << pattern;
}

TEST(PhraseFrames, ClustersSharingAllButOneWord) {
  const struct {
    std::vector<std::pair<std::string, int32_t>> clusters;
    int32_t min_freq;
    const char* frames;
  } cases[] = {
      // "a b c" and "a x c": "a * c" with both clusters and the frequencies of both.
      {{{"abc", 5}, {"axc", 3}}, 1, "a * c/8[0,1]"},
      // A single cluster is never a frame, however frequent; nor is one with a repeated word.
      {{{"abc", 50}}, 1, ""},
      {{{"aaaa", 50}}, 1, ""},
      // The repeated word's cluster joins the frame once.
      {{{"aaaa", 4}, {"abaa", 2}}, 1, "a * a/6[0,1]; a * a a/6[0,1]"},
      // Frames of several lengths, shorter first; clusters in their list order. Every occurrence
      // of "a b c d" is one of "a b c": "a b *" counts "a b c" alone (5), "a * c" the two
      // clusters of three (8), "a * c d" those of four (3).
      {{{"abc", 5}, {"axc", 3}, {"abcd", 2}, {"axcd", 1}}, 1,
       "a b */5[0,2]; a x */3[1,3]; a * c/8[0,1,2,3]; a * c d/3[2,3]"},
      {{{"abc", 5}, {"axc", 3}, {"abcd", 2}, {"axcd", 1}}, 8, "a * c/8[0,1,2,3]"},
      // Nested clusters ("an estimate of", "... of the", "... of the number"): "a b *" occurs
      // 4 + 2 = 6 times, in "a b c" and "a b d"; the longer clusters hold those occurrences again,
      // and adding them all would give 13. A frame of four counts the clusters of four; "b * e"
      // and "b c *", found only further in, count none and are no frames.
      {{{"abc", 4}, {"abd", 2}, {"abce", 3}, {"abcef", 2}, {"abdg", 2}}, 1,
       "a b */6[0,1,2,3,4]; a * c/4[0,2,3]; a * d/2[1,4]; a b c */3[2,3]; a b * e/3[2,3]; a * c e/3[2,3]"},
  };
  for (const auto& c : cases) EXPECT_EQ(Frames(c.clusters, c.min_freq), c.frames) << c.frames;
}

// Clusters of four and five words only: a frame of three is counted through the clusters of four
// that begin with it, each occurrence once ("a b c" in "z a b c" is no cluster that begins with it;
// "b * d", in clusters only further in, is no frame).
TEST(PhraseFrames, FramesShorterThanEveryClusterCountTheShortestClusters) {
  EXPECT_EQ(Frames({{"abcd", 3}, {"abxd", 2}, {"abcde", 1}, {"zabc", 5}}),
            "a b */5[0,1,2,3]; a * c/3[0,2,3]; a b c */3[0,2]; a b * d/5[0,1,2]; a * c d/3[0,2]");
}

TEST(PhraseFrames, OneWorkerAndEightGiveTheSameFrames) {
  std::mt19937 random(42);
  std::vector<std::pair<std::string, int32_t>> clusters;
  for (int k = 0; k < 3000; ++k) {
    std::string s;
    const int length = 3 + static_cast<int>(random() % 3);
    for (int i = 0; i < length; ++i) s += static_cast<char>('a' + random() % 6);
    clusters.emplace_back(s, 1 + static_cast<int32_t>(random() % 9));
  }
  const std::string one = Frames(clusters, 3, 1);
  EXPECT_FALSE(one.empty());
  EXPECT_EQ(Frames(clusters, 3, 8), one);
  EXPECT_EQ(Frames(clusters, 3, 3), one);
}

TEST(PhraseFrames, InsertedBounds) {
  TPhraseFramesList list;
  list.AddANeighbourRec(nullptr, 1, Seq("dbc"));
  list.AddANeighbourRec(nullptr, 1, Seq("bcde"));
  EXPECT_EQ(list.shortest_inserted, 3);
  EXPECT_EQ(list.longest_inserted, 4);
  EXPECT_EQ(list.lowest_inserted, 1u);
  EXPECT_EQ(list.highest_inserted, 3u);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.longest_inserted, 0);
}

}  // namespace
