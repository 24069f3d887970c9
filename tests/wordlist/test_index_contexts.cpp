// The contexts of a corpus index against a second, plainer road: random texts indexed, then every
// word's and random phrases' places compared with the (text, byte) of a concordance's hits, and
// the index's word list with the word list of the same texts.
#include <random>
#include <set>

#include "../model/text_reader_test_support.h"
#include "wordlist/index_test_support.h"

namespace {

using namespace index_test;
using text_reader_test::ScopedSettings;

TPlaces IndexPlaces(TIndexHandler& index, UStringView word) {
  TPlaces out;
  const auto contexts = index.ListOfAllContextsToAWord(word);
  for (const TTokenAndPlaceRec& c : contexts->items) out.emplace_back(c.data.file_number - 1, c.data.file_byte_position);
  return out;
}

// An English-like text: a small vocabulary with hyphens, apostrophes, numbers and capitals, in
// sentences, with commas and line ends; `words` receives the words in order.
std::string RandomText(std::mt19937& rng, int n, std::vector<std::string>& words) {
  static const char* kWords[] = {"the",   "river", "old",   "mill",    "bridge", "flows", "under", "past",
                                 "and",   "water", "don't", "well-known", "3.14", "Mill",  "RIVER", "o'clock",
                                 "stone", "bank",  "weir",  "1,000",   "caf\xC3\xA9", "na\xC3\xAFve"};
  std::string s;
  bool capital = true;
  for (int i = 0; i < n; ++i) {
    std::string w = kWords[rng() % (sizeof kWords / sizeof *kWords)];
    words.push_back(w);
    if (capital && w[0] >= 'a' && w[0] <= 'z') w[0] = static_cast<char>(w[0] - 32);
    s += w;
    const unsigned r = rng() % 12;
    capital = r == 0;
    s += r == 0 ? ". " : r == 1 ? ", " : r == 2 ? "\n" : r == 3 ? "; " : " ";
  }
  return s;
}

class IndexContexts : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
  }
  ScopedSettings settings;
  TempFolder tmp;
};

TEST_F(IndexContexts, EveryWordAndRandomPhrasesAreTheConcordancesHits) {
  std::mt19937 rng(5);
  std::vector<UString> names;
  std::vector<std::vector<std::string>> words(4);
  for (int t = 0; t < 4; ++t) {
    const std::string body = RandomText(rng, 600, words[static_cast<size_t>(t)]);
    if (t == 2) {  // one text in UTF-16
      std::string wide = "\xFF\xFE";
      const UString u = Utf8ToUtf16(body);
      for (char16_t c : u) wide += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
      names.push_back(tmp.Write(u"t" + IntToUStr(t) + u".txt", wide));
    } else {
      names.push_back(tmp.Write(u"t" + IntToUStr(t) + u".txt", body));
    }
  }
  auto doc = NewDoc();
  const UString base = tmp.Path() + u"random";
  ASSERT_TRUE(BuildIndex(*doc, base, names));
  auto reader = NewDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first) << Utf16ToUtf8(reader->LastFailure());
  TIndexHandler& index = *reader->IndexHandler();

  // The index's word list is the word list of the same texts.
  auto list = NewDoc();
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  for (const UString& n : names) chosen.ToolAddAFile(n);
  int32_t converted = 0;
  ASSERT_TRUE(list->MakeWordlist(chosen, 0, kListWordlist, converted));
  TVXWordList& index_words = *reader->GetWordlistByListType(kListIndexWordlist);
  EXPECT_EQ(RowsOf(index_words), RowsOf(list->Words()));
  ASSERT_GT(index_words.Count(), 15);

  for (int i = 0; i < index_words.Count(); ++i) {
    const UString w = index_words.Row(i)->data.word;
    SCOPED_TRACE(Utf16ToUtf8(w));
    const TPlaces places = IndexPlaces(index, w);
    EXPECT_EQ(static_cast<int32_t>(places.size()), index_words.Row(i)->data.frequency);
    EXPECT_EQ(places, ConcordancePlaces(names, w));
  }
  // Phrases of two words that follow each other in the texts (some across a sentence end or a
  // text's end, which the concordance does not cross either).
  std::set<std::string> tried;
  for (int k = 0; k < 40; ++k) {
    const std::vector<std::string>& t = words[rng() % 4];
    const size_t at = rng() % (t.size() - 1);
    const std::string phrase = t[at] + " " + (k % 10 == 9 ? words[(k / 10) % 4].front() : t[at + 1]);
    if (!tried.insert(phrase).second) continue;
    SCOPED_TRACE(phrase);
    const auto jumps = index.AllContextsOf(Utf8ToUtf16(phrase));
    TPlaces got = Places(*jumps);
    EXPECT_EQ(got, ConcordancePlaces(names, Utf8ToUtf16(phrase)));
  }
}

TEST_F(IndexContexts, PhrasesByHand) {
  auto doc = NewDoc();
  const UString a = tmp.Write(u"a.txt", "The old man sat. Old man rivers flow. He said St. Louis was far, St. Louis");
  const UString b = tmp.Write(u"b.txt", "by the old\nman the old");
  const UString c = tmp.Write(u"c.txt", "man old");
  const UString base = tmp.Path() + u"phrases";
  ASSERT_TRUE(BuildIndex(*doc, base, {a, b, c}));
  auto reader = NewDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
  TIndexHandler& index = *reader->IndexHandler();
  struct Case {
    const char16_t* typed;
    TPlaces places;
    const char16_t* failure;  // part of LastFailure, or nullptr for none
  };
  const Case cases[] = {
      // A line end between the words is no marker; b's last "old" and c's first "man" are two texts.
      {u"old man", {{0, 4}, {0, 17}, {1, 7}}, nullptr},
      {u"man old", {{2, 0}}, nullptr},                   // c's own, not b's "man" ... "old"
      {u"the old", {{0, 0}, {1, 3}, {1, 15}}, nullptr},
      {u"sat old", {}, u"not found"},                    // a sentence end between them
      {u"St Louis", {}, u"not found"},                   // typed without the full stop
      {u"St. Louis", {{0, 46}, {0, 65}}, nullptr},       // the full stop typed where the sentence ends
      {u"old zebra", {}, u"not found"},                  // the second word is not in the index
      {u"riv*", {}, u"wildcards"},
      {u"old/man", {}, u"alternatives"},
      {u"", {}, nullptr},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(Utf16ToUtf8(k.typed));
    const auto jumps = index.AllContextsOf(k.typed);
    EXPECT_EQ(Places(*jumps), k.places);
    if (k.failure) {
      EXPECT_NE(index.LastFailure().find(k.failure), UString::npos) << Utf16ToUtf8(index.LastFailure());
    } else {
      EXPECT_TRUE(index.LastFailure().empty());
    }
    if (UStringView(k.typed).find_first_of(u"*/") == UStringView::npos && *k.typed) {
      EXPECT_EQ(Places(*jumps), ConcordancePlaces({a, b, c}, k.typed));
    }
  }
}

TEST_F(IndexContexts, WordsByHand) {
  auto doc = NewDoc();
  const UString a = tmp.Write(u"a.txt", "Cat dog CAT. 3.14 and 12a, a cat");
  const UString base = tmp.Path() + u"words";
  doc->WordlistSettings.SetNumbersIncluded(false);
  doc->WordlistSettings.SetMaxWordLength(5);
  ASSERT_TRUE(BuildIndex(*doc, base, {a, tmp.Write(u"b.txt", "wonderful wonders")}));
  auto reader = NewDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
  TIndexHandler& index = *reader->IndexHandler();
  struct Case {
    const char16_t* typed;
    std::vector<int32_t> places;  // token places
  };
  // Typed words are taken in the counted form: capitals, numbers as "#", cut at the longest.
  const Case cases[] = {
      {u"cat", {0, 2, 7}}, {u"CAT", {0, 2, 7}}, {u"#", {3, 5}}, {u"2.5", {3, 5}},
      {u"wonderful", {8, 9}}, {u"wonderland", {8, 9}}, {u"wond", {}}, {u"WOND+", {8, 9}}, {u"zebra", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.typed));
    std::vector<int32_t> got;
    const auto contexts = index.ListOfAllContextsToAWord(c.typed);
    for (const TTokenAndPlaceRec& r : contexts->items) got.push_back(r.index_place);
    EXPECT_EQ(got, c.places);
  }
  TLinzoraJumpToList jumps;
  index.AddListOfAllContextsTo(u"cat", jumps);
  index.AddListOfAllContextsTo(u"wonders", jumps);
  EXPECT_EQ(Places(jumps), (TPlaces{{0, 0}, {0, 8}, {0, 29}, {1, 0}, {1, 10}}));
}

// A word on most pages is found by reading its stretch in pieces side by side, and a phrase of
// such words is looked for around their places in pieces side by side: the same places as
// following the chain on one thread.
TEST_F(IndexContexts, AFrequentWordOnManyThreadsIsItsChain) {
  std::string body;
  std::mt19937 rng(2);
  for (int i = 0; i < 180000; ++i) {
    const unsigned r = rng() % 20;
    body += r < 9 ? "the " : r < 18 ? "river " : "w" + std::to_string(i) + (r == 18 ? ". " : " ");
  }
  auto doc = NewDoc();
  const UString base = tmp.Path() + u"frequent";
  const UString text = tmp.Write(u"f.txt", body);
  ASSERT_TRUE(BuildIndex(*doc, base, {text, tmp.Write(u"g.txt", "the end")}));
  auto reader = NewDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base).first);
  TIndexHandler& index = *reader->IndexHandler();
  index.fThreads = 1;
  const TPlaces one = IndexPlaces(index, u"the");
  index.fThreads = 8;
  const TPlaces eight = IndexPlaces(index, u"the");
  ASSERT_GT(one.size(), 10000u);
  EXPECT_EQ(eight, one);
  index.fThreads = 8;
  const auto phrase8 = index.AllContextsOf(u"the river");
  ASSERT_GT(phrase8->holders.size(), 65536u / 2);
  index.fThreads = 1;
  EXPECT_EQ(Places(*phrase8), Places(*index.AllContextsOf(u"the river")));
  EXPECT_EQ(Places(*phrase8), ConcordancePlaces({text, tmp.Path() + u"g.txt"}, u"the river"));
  EXPECT_EQ(one, ConcordancePlaces({text, tmp.Path() + u"g.txt"}, u"the"));
}

}  // namespace
