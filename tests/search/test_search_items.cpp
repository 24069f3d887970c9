// Search-item lists: making items, list operations and the stream round trip.
#include <gtest/gtest.h>

#include "platform/search/search_items.h"
#include "support/temp_folder.h"

namespace {

TEST(SearchItems, MakingItemsFromTypedText) {
  TSearch_word_format_rec r = TBaseSearchItems::MakeItem(u"  ==New   York==  ", 5);
  EXPECT_EQ(r.sw, u"==New York==");
  EXPECT_EQ(r.plain_sw, u"New York");
  EXPECT_EQ(r.options, kSwCaseSensitive);
  EXPECT_EQ(r.instances_to_find, 5);
  EXPECT_FALSE(r.sw_contains_a_tag);
  r = TBaseSearchItems::MakeItem(u"<b>cat</b> dog");
  EXPECT_TRUE(r.sw_contains_a_tag);
  EXPECT_EQ(r.plain_sw, u"cat dog");
  r = TBaseSearchItems::MakeItem(u"a < b");
  EXPECT_FALSE(r.sw_contains_a_tag);
  EXPECT_EQ(r.plain_sw, u"a < b");
}

TEST(SearchItems, ListOperations) {
  TSearchWordItems list;
  EXPECT_TRUE(list.AddedSearchWords(u"cat\r\n\r\n  dog  \nnew/new york city\ncat"));
  EXPECT_FALSE(list.AddedSearchWords(u"dog"));
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.AllTypedSearchWordsAsOne(), u"cat, dog, new/new york city");
  EXPECT_EQ(list.GetSpacesInSW(2), 2);
  EXPECT_EQ(list.GetSpacesInSW(7), 0);
  EXPECT_EQ(list.TypeInIndexOf(u"  dog "), 1);
  EXPECT_EQ(list.TypeInIndexOf(u"Dog"), -1);
  EXPECT_EQ(list.InsertSearchWordsAtTop(u"bird\ncat\nfish\nbird"), 2);
  EXPECT_EQ(list.TypedInWordsAsStringlist(),
            (std::vector<UString>{u"bird", u"fish", u"cat", u"dog", u"new/new york city"}));
  TSearch_word_format_rec r;
  r.sw = u"unchanged";
  EXPECT_FALSE(list.GetSWR(5, r) || list.GetSWR(-1, r));
  EXPECT_EQ(r.sw, u"unchanged");
  EXPECT_EQ(list.GetPtr(5), nullptr);
  list.GetPtr(0)->hits = 4;
  list.ClearHits();
  EXPECT_EQ(list.GetPtr(0)->hits, 0);
  EXPECT_EQ(list.SearchesPlannedCount(), 5);
  list.single_item = 2;
  EXPECT_EQ(list.SearchesPlannedCount(), 1);
  list.GetPtr(0)->plain_sw.clear();
  list.ComputePlainSearchWords();
  EXPECT_EQ(list.GetPtr(0)->plain_sw, u"bird");
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.single_item, -1);
}

TEST(SearchItems, SimpleListSkipsBlankLines) {
  TSimpleSearchlist simple;
  simple.LoadFromAStringlist({u"one", u"", u"  ", u"two  words"});
  ASSERT_EQ(simple.Count(), 2);
  EXPECT_EQ(simple.GetATypedInSW(1), u"two words");
  EXPECT_EQ(simple.GetATypedInSW(2), u"");
}

template <typename List>
void Fill(List& list) {
  TSearchTextOptions o;
  o.lcid = 0x0407;
  o.hyphens_separate_words = true;
  o.in_word_symbols = u"'\u2019";
  o.symbols_at_end = true;
  list.SetTextOptions(o);
  list.AddedSearchWords(u"walk*\n==Old== man\n<b>cat</b>", 12);
  TSearch_word_format_rec* r = list.GetPtr(1);
  r->hits = 3;
  r->options |= kSwWantPositionInLine | kSwHasAttachedText;
  r->attached_text = u"attached";
  r->context_words = u"sea/ocean";
  r->context_require_all = true;
  r->context_exact = true;
  r->context_distance = -2;
  list.single_item = 1;
  list.from_file = true;
  list.exact_position = true;
  list.require_all = true;
  list.required_distance = 3;
}

template <typename List>
void ExpectSame(const List& a, const List& b) {
  ASSERT_EQ(a.Count(), b.Count());
  for (int32_t i = 0; i < a.Count(); ++i) EXPECT_TRUE(*a.GetPtr(i) == *b.GetPtr(i)) << i;
  EXPECT_TRUE(a.TextOptions() == b.TextOptions());
  EXPECT_EQ(a.single_item, b.single_item);
  EXPECT_EQ(a.from_file, b.from_file);
  EXPECT_EQ(a.context_words_present, b.context_words_present);
  EXPECT_EQ(a.exact_position, b.exact_position);
  EXPECT_EQ(a.require_all, b.require_all);
  EXPECT_EQ(a.required_distance, b.required_distance);
}

// Saves a (filled or empty) and reads the bytes back into a list of the same kind.
template <typename List>
void ExpectRoundTrip(bool filled) {
  List a, b;
  if (filled) Fill(a);
  a.context_words_present = filled;
  TMemoryStream m;
  ASSERT_TRUE(a.SaveToStream(m));
  m.SetPosition(0);
  ASSERT_TRUE(b.ReadFromStream(m));
  EXPECT_EQ(m.BytesLeft(), 0);
  ExpectSame(a, b);
}

TEST(SearchItemsStream, RoundTripOfEveryField) {
  for (bool filled : {true, false}) {
    ExpectRoundTrip<TSearchWordItems>(filled);
    ExpectRoundTrip<TContextWordItems>(filled);
    ExpectRoundTrip<TExclusionWordItems>(filled);
    ExpectRoundTrip<TTagContextWordItems>(filled);
  }
  // A stream of one kind is not read as another.
  TContextWordItems c;
  Fill(c);
  TMemoryStream m;
  ASSERT_TRUE(c.SaveToStream(m));
  m.SetPosition(0);
  TExclusionWordItems e;
  EXPECT_FALSE(e.ReadFromStream(m));
}

TEST(SearchItemsStream, TruncatedStreamsAnswerFalseAndChangeNothing) {
  TSearchWordItems a;
  Fill(a);
  TMemoryStream m;
  ASSERT_TRUE(a.SaveToStream(m));
  const std::vector<uint8_t> full = m.Data();
  for (size_t cut = 0; cut < full.size(); ++cut) {
    TMemoryStream part(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut)));
    TSearchWordItems b;
    b.AddedSearchWords(u"kept");
    EXPECT_FALSE(b.ReadFromStream(part)) << cut;
    ASSERT_EQ(b.Count(), 1) << cut;
    EXPECT_EQ(b.GetPtr(0)->sw, u"kept");
  }
}

TEST(SearchItemsStream, GarbledStreamsAnswerFalse) {
  TSearchWordItems a;
  Fill(a);
  TMemoryStream m;
  ASSERT_TRUE(a.SaveToStream(m));
  const std::vector<uint8_t> full = m.Data();
  auto read = [](std::vector<uint8_t> bytes) {
    TMemoryStream s(std::move(bytes));
    TSearchWordItems b;
    return b.ReadFromStream(s);
  };
  auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
    std::vector<uint8_t> d = full;
    for (size_t i = 0; i < bytes.size(); ++i) d[at + i] = bytes[i];
    return d;
  };
  EXPECT_TRUE(read(full));
  EXPECT_FALSE(read(patched(0, {0, 0, 0, 0})));              // magic
  EXPECT_FALSE(read(patched(4, {99, 0, 0, 0})));             // a later version
  EXPECT_FALSE(read(patched(8, {7})));                       // unknown list kind
  EXPECT_FALSE(read(patched(9, {9, 0, 0, 0})));              // single item beyond the count
  EXPECT_FALSE(read(patched(9, {0xFE, 0xFF, 0xFF, 0xFF})));  // single item -2
  EXPECT_FALSE(read(patched(13, {0x40})));                   // unknown list flags
  // Symbols: count 11 is more than a language has.
  const size_t symbols_at = 4 + 4 + 1 + 4 + 1 + 4 + 4 + 1;
  EXPECT_FALSE(read(patched(symbols_at, {11, 0, 0, 0})));
  const size_t count_at = symbols_at + 4 + 2 * 2 + 1 + 1;
  EXPECT_FALSE(read(patched(count_at, {0xFF, 0xFF, 0xFF, 0x7F})));      // a count beyond the bytes left
  EXPECT_FALSE(read(patched(count_at, {0xFF, 0xFF, 0xFF, 0xFF})));      // negative
  EXPECT_FALSE(read(patched(count_at + 4, {0xFF, 0xFF, 0xFF, 0x7F})));  // first string's length
  // A flag byte that is neither 0 nor 1 (the last byte of the last item).
  EXPECT_FALSE(read(patched(full.size() - 1, {2})));
  // Random damage never crashes.
  for (size_t i = 0; i < full.size(); ++i) {
    std::vector<uint8_t> d = full;
    d[i] ^= 0xA5;
    read(d);
  }
}

TEST(SearchItems, LoadingItemsFromAFile) {
  TempFolder dir;
  const UString utf16 = dir.Write(u"w16.txt", std::string("\xFF\xFE"
                                                          "a\0b\0\n\0c\0\xE9\0",
                                                          12));
  TSearchWordItems list;
  ASSERT_TRUE(list.LoadFromFile(utf16, 7));
  EXPECT_TRUE(list.from_file);
  EXPECT_EQ(list.TypedInWordsAsStringlist(), (std::vector<UString>{u"ab", u"c\u00E9"}));
  EXPECT_EQ(list.GetPtr(1)->instances_to_find, 7);
  const UString utf8 = dir.Write(u"w8.txt", "\xEF\xBB\xBFna\xC3\xAFve\r\nwalk*\r\n");
  TSearchWordItems list8;
  ASSERT_TRUE(list8.LoadFromFile(utf8, 0));
  EXPECT_EQ(list8.TypedInWordsAsStringlist(), (std::vector<UString>{u"na\u00EFve", u"walk*"}));
  EXPECT_EQ(list8.GetPtr(0)->instances_to_find, 0x7FFFFFFF);
  TSearchWordItems none;
  EXPECT_FALSE(none.LoadFromFile(dir.Path() + u"missing.txt", 1));
  EXPECT_FALSE(none.LoadFromFile(dir.Write(u"empty.txt", ""), 1));
  EXPECT_FALSE(none.from_file);
}

}  // namespace
