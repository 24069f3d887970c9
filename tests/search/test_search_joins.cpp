// Phrases across a chunk cut: the second chunk's buffer starts with the end of the first (the
// overlap), and every hit, word number and unit number must be what one chunk holding the whole
// text gives, each hit reported once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/search_test_support.h"

namespace {

// A hit as the whole text sees it: "item@char+length w<word> s<sentence>.<position in it>".
struct TJoinRun {
  std::vector<std::string> hits;
  std::vector<std::string> ends;  // unit ends of the first item's passes: "w<word> s<sentence>"
  int32_t words = 0;
};

std::string HitKey(const TSearchFound_Rec& f, int32_t char_base, int32_t word_base) {
  return std::to_string(f.item_index) + "@" + std::to_string(char_base + f.hit_position) + "+" +
         std::to_string(f.hit_length) + " w" + std::to_string(word_base + f.stats.words_in_chunk) + " s" +
         std::to_string(f.stats.unit_number[kUnitSentence]) + "." +
         std::to_string(f.stats.unit_position[kUnitSentence]);
}

// The text read as chunks: cuts are where each later chunk's own text begins, overlap_from where
// its buffer begins (the previous chunk's tail); 0 cuts read it as one chunk.
TJoinRun RunInChunks(const TTestText& t, const std::vector<UString>& items, const std::vector<int32_t>& cuts,
                     const std::vector<int32_t>& overlap_from) {
  TJoinRun r;
  TSearchAndDoEngine engine(true, true, {});
  TSearchWordItems list;
  for (const UString& s : items) list.AddedSearchWords(s);
  TSearchStatsRec text_stats;
  std::vector<int32_t> starts{0};
  starts.insert(starts.end(), cuts.begin(), cuts.end());
  const int32_t n = static_cast<int32_t>(t.text.size());
  for (size_t c = 0; c < starts.size(); ++c) {
    const int32_t own = starts[c];
    const int32_t from = c == 0 ? 0 : overlap_from[c - 1];
    const int32_t to = c + 1 < starts.size() ? starts[c + 1] : n;
    UString buffer = t.text.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
    std::vector<uint16_t> kinds(t.kinds.begin() + from, t.kinds.begin() + to);
    kinds.resize(kinds.size() + 2, 0);
    TChunkPositions pos;
    pos.chunk_start = own - from;
    pos.length = to - from;
    pos.chunk_index = static_cast<int32_t>(c);
    pos.last_chunk = to == n;
    pos.chunk_file_offset = 2 * static_cast<int64_t>(own);
    pos.file_size = 2 * static_cast<int64_t>(n);
    const int32_t word_base = text_stats.words_in_chunk;
    int pass = 0;
    engine.PrepareForConcordancing(
        u"t", buffer.data(), kinds.data(), pos,
        [&](TSearchAndDoEngine&, TSearchFound_Rec& f) {
          r.hits.push_back(HitKey(f, from, word_base));
          return true;
        },
        [&](TSearchAndDoEngine&, TSearchStatsRec& s) {
          if (pass == 0) {
            r.ends.push_back("w" + std::to_string(word_base + s.words_in_chunk) + " s" +
                             std::to_string(s.unit_number[kUnitSentence]));
          }
        });
    for (int32_t i = 0; i < list.Count(); ++i) {
      engine.SearchAndDo(*list.GetPtr(i), i);
      ++pass;
    }
    engine.CopyAChunkTextStats(text_stats);
  }
  r.words = text_stats.words_in_chunk;
  // Hits in text order per item, as one chunk hands them out item by item.
  std::stable_sort(r.hits.begin(), r.hits.end(), [](const std::string& a, const std::string& b) {
    return std::stoi(a) < std::stoi(b);
  });
  return r;
}

TJoinRun OneChunk(const TTestText& t, const std::vector<UString>& items) { return RunInChunks(t, items, {}, {}); }

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
      {"cyrillic", Plain(u"\u0432\u043E\u0442 \u0441\u0442\u0430\u0440\u044B\u0439 \u0447\u0435\u043B\u043E\u0432\u0435\u043A"),
       {u"\u0441\u0442\u0430\u0440\u044B\u0439 \u0447\u0435\u043B\u043E\u0432\u0435\u043A"}, u"\u0447\u0435\u043B", u"\u0432\u043E\u0442", 1},
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
