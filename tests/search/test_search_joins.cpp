// Phrases across a chunk cut: the second chunk's buffer starts with the end of the first (the
// overlap), and every hit, word number and unit number must be what one chunk holding the whole
// text gives, each hit reported once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/search_test_support.h"

namespace {

// Character index of the n-th occurrence of what in the text.
int32_t At(const TTestText& t, std::u16string_view what, int nth = 1) {
  size_t p = 0;
  for (int i = 0; i < nth; ++i) p = t.text.find(what, i == 0 ? 0 : p + 1);
  return static_cast<int32_t>(p);
}

struct TJoinCase {
  const char* name;
  TTestText text;
  std::vector<UString> items;
  const char16_t* cut_before;  // the chunk's own text starts at this word
  const char16_t* overlap_at;  // the overlap starts at this word
  size_t hits;                 // hits of the whole text
};

TEST(SearchJoins, PhrasesAcrossACutAreFoundOnceAsInOneChunk) {
  const TJoinCase cases[] = {
      {"latin phrase", Plain(u"Here is the old man. An old man."), {u"old man"}, u"man. An", u"is the", 2},
      {"wildcard phrase", Plain(u"Here is the old man and the man."), {u"the * man"}, u"man and", u"is the", 1},
      // "vot staryj chelovek", "staryj chelovek"
      {"cyrillic",
       Plain(u"\u0432\u043E\u0442 \u0441\u0442\u0430\u0440\u044B\u0439 "
             u"\u0447\u0435\u043B\u043E\u0432\u0435\u043A"),
       {u"\u0441\u0442\u0430\u0440\u044B\u0439 \u0447\u0435\u043B\u043E\u0432\u0435\u043A"},
       u"\u0447\u0435\u043B", u"\u0432\u043E\u0442", 1},
      {"longer alternative across the cut", Plain(u"in New York today"), {u"new york/york"}, u"York", u"in", 1},
      {"phrase wholly in the overlap", Plain(u"an old man sat here"), {u"old man", u"sat"}, u"sat", u"an", 2},
      {"single words in the overlap", Plain(u"one two three four"), {u"two", u"*"}, u"three", u"one", 5},
      {"sentence numbers across the cut",
       TextBuilder().Text(u"A b").Marker(u".", 15).Text(u" The old man sat").Marker(u".", 15).Text(u" End").Build(),
       {u"old man sat", u"end"}, u"man sat", u"A b", 2},
  };
  for (const TJoinCase& c : cases) {
    const int32_t cut = At(c.text, c.cut_before), from = At(c.text, c.overlap_at);
    ASSERT_LT(from, cut) << c.name;
    TJoinRun whole = OneChunk(c.text, c.items);
    TJoinRun split = RunInChunks(c.text, c.items, {cut}, {from});
    EXPECT_EQ(whole.hits.size(), c.hits) << c.name;
    EXPECT_EQ(split.hits, whole.hits) << c.name;
    EXPECT_EQ(split.ends, whole.ends) << c.name;
    EXPECT_EQ(split.words, whole.words) << c.name;
  }
}

// The hit that begins in the overlap carries the word number and sentence position its first
// word had in the previous chunk: words count back from the chunk's first word.
TEST(SearchJoins, AHitBeginningInTheOverlapCountsItsWordsBack) {
  TTestText t = TextBuilder().Text(u"x y").Marker(u".", 15).Text(u" the old man").Build();
  const int32_t cut = At(t, u"man"), from = 0;
  TJoinRun split = RunInChunks(t, {u"the old man"}, {cut}, {from});
  // "the" is word 2 of the text and word 1 of sentence 2.
  EXPECT_EQ(split.hits, std::vector<std::string>{"0@5+11 w2 s2.1"});
}

// A unit end inside the overlap parts the words on either side of it, as in one chunk.
TEST(SearchJoins, NoPhraseAcrossAUnitEndInTheOverlap) {
  for (const char16_t* cut_before : {u"man", u" man"}) {
    TTestText t = TextBuilder().Text(u"an old").Marker(u".", 15).Text(u" man is here").Build();
    const int32_t cut = At(t, cut_before);
    EXPECT_EQ(OneChunk(t, {u"old man"}).hits.size(), 0u);
    EXPECT_EQ(RunInChunks(t, {u"old man"}, {cut}, {0}).hits.size(), 0u) << Utf16ToUtf8(cut_before);
  }
}

// A shorter alternative the previous chunk already reported is not reported again as part of a
// longer one reaching across the cut.
TEST(SearchJoins, APlaceTheLastChunkReportedIsNotReportedAgain) {
  TTestText t = Plain(u"in New York today");
  TJoinRun split = RunInChunks(t, {u"new/new york"}, {At(t, u"York")}, {0});
  EXPECT_EQ(split.hits, std::vector<std::string>{"0@3+3 w1 s1.2"});
}

// Three chunks, each overlap holding only part of the phrase's reach.
TEST(SearchJoins, ThreeChunks) {
  TTestText t = Plain(u"a b the very old man c d the old man");
  const std::vector<UString> items{u"the * old man", u"the old man", u"*"};
  TJoinRun whole = OneChunk(t, items);
  TJoinRun split = RunInChunks(t, items, {At(t, u"old"), At(t, u"man")}, {At(t, u"b"), At(t, u"the")});
  EXPECT_EQ(split.hits, whole.hits);
  EXPECT_EQ(split.words, whole.words);
}

}  // namespace
