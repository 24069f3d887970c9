// The matching rules of docs/search_rules.md, one row each: text, item, what is found.
#include <gtest/gtest.h>

#include "search/search_test_support.h"

namespace {

TSearchTextOptions Apostrophe(bool at_start = false, bool at_end = false) {
  TSearchTextOptions o;
  o.in_word_symbols.assign(1, u'\'');
  o.symbols_at_start = at_start;
  o.symbols_at_end = at_end;
  return o;
}

TSearchTextOptions HyphensSeparate() {
  TSearchTextOptions o;
  o.hyphens_separate_words = true;
  return o;
}

struct TRuleRow {
  const char* rule;
  TTestText text;
  const char16_t* item;
  TSearchTextOptions options;
  const char* found;  // the hits' texts joined by "|"
};

std::vector<TRuleRow> Rows() {
  TSearchTextOptions none;
  return {
      // whole words, case
      {"whole words only", Plain(u"cat cats scat cat."), u"cat", none, "cat|cat"},
      {"case ignored", Plain(u"New new NEW nEw"), u"new", none, "New|new|NEW|nEw"},
      {"==word== keeps case", Plain(u"New new NEW"), u"==New==", none, "New"},
      {"case of accented letters", Plain(u"\u00C9t\u00E9 \u00E9t\u00E9"), u"\u00E9t\u00E9", none,
       "\xC3\x89t\xC3\xA9|\xC3\xA9t\xC3\xA9"},
      // wildcards in each position
      {"* at the end", Plain(u"walk walks walked sidewalk"), u"walk*", none, "walk|walks|walked"},
      {"* at the start", Plain(u"walk sidewalk walks"), u"*walk", none, "walk|sidewalk"},
      {"* inside", Plain(u"unable unbelievable unstable able"), u"un*able", none, "unable|unbelievable|unstable"},
      {"* on both sides", Plain(u"cat scatter at"), u"*at*", none, "cat|scatter|at"},
      {"two wildcards", Plain(u"abcabc abc ab"), u"a*c*", none, "abcabc|abc"},
      {"* alone: every word", Plain(u"one, two; three"), u"*", none, "one|two|three"},
      // numbers
      {"# a number", Plain(u"in 1999, 3.14 and 1,000 or 12a or 1.2.3"), u"#", none, "1999|3.14|1,000|1.2.3"},
      {"# inside a word", Plain(u"4th 21st 5 th"), u"#th", none, "4th"},
      {"*#* any word holding digits", Plain(u"a1 b 22 c3d"), u"*#*", none, "a1|22|c3d"},
      {"a full stop after a number", Plain(u"in 1999. Then"), u"#", none, "1999"},
      // alternatives
      {"alternatives", Plain(u"colour color colours"), u"colour/color", none, "colour|color"},
      {"alternatives of phrases, longest kept", Plain(u"New York new"), u"new/new york", none, "New York|new"},
      {"alternatives with wildcards", Plain(u"walked ran running"), u"walk*/run*", none, "walked|running"},
      // phrases
      {"phrase of consecutive words", Plain(u"the old man and an old woman, old  man"), u"old man", none,
       "old man|old  man"},
      {"phrase over punctuation", Plain(u"old, man"), u"old man", none, "old, man"},
      {"phrase across a line break", Plain(u"the old\r\nman"), u"old man", none, "old\r\nman"},
      {"phrase with a lone *", Plain(u"the old man the man"), u"the * man", none, "the old man"},
      {"phrase with wildcard words", Plain(u"walked home walks homeward"), u"walk* home*", none,
       "walked home|walks homeward"},
      {"phrase across hidden mark-up", TextBuilder().Text(u"old ").Hidden(u"<b>").Text(u" man").Build(), u"old man",
       none, "old <b> man"},
      {"phrase not across a sentence end", TextBuilder().Text(u"old").Marker(u".", 15).Text(u" man old man").Build(),
       u"old man", none, "old man"},
      {"item with punctuation is a phrase", Plain(u"don't don t"), u"don't", none, "don't|don t"},
      // in-word symbols and hyphens
      {"symbol inside a word", Plain(u"don't don", Apostrophe()), u"don", Apostrophe(), "don"},
      {"symbol word whole", Plain(u"don't don t", Apostrophe()), u"don't", Apostrophe(), "don't"},
      {"symbol at the end not allowed", Plain(u"dogs' dogs", Apostrophe()), u"dogs", Apostrophe(), "dogs|dogs"},
      {"symbol at the end allowed", Plain(u"dogs' dogs", Apostrophe(false, true)), u"dogs'", Apostrophe(false, true),
       "dogs'"},
      {"symbol at the start allowed", Plain(u"'tis tis", Apostrophe(true, false)), u"'tis", Apostrophe(true, false),
       "'tis"},
      {"hyphen joins", Plain(u"well-known well known"), u"well", none, "well"},
      {"hyphenated word whole", Plain(u"well-known well known"), u"well-known", none, "well-known"},
      {"hyphens separate", Plain(u"well-known well", HyphensSeparate()), u"well", HyphensSeparate(), "well|well"},
      {"* over a hyphen in a joined word", Plain(u"Governor-General governed govern"), u"govern*", none,
       "Governor-General|governed|govern"},
      {"* not over a hyphen that separates", Plain(u"Governor-General governed", HyphensSeparate()), u"govern*",
       HyphensSeparate(), "Governor|governed"},
      {"hyphenated item as phrase", Plain(u"well-known well known", HyphensSeparate()), u"well-known",
       HyphensSeparate(), "well-known|well known"},
      {"trailing hyphen separates", Plain(u"pre- and post-war"), u"pre", none, "pre"},
      // mark-up
      {"hidden characters separate words", TextBuilder().Text(u"wal").Hidden(u"xx").Text(u"king").Build(), u"walking",
       none, ""},
      {"a word across one kept tag", TextBuilder().Text(u"wal").Tag(u"<x>").Text(u"king").Build(), u"walking", none,
       "wal<x>king"},
      {"not across two tags", TextBuilder().Text(u"wal").Tag(u"<x>").Tag(u"<y>", 1).Text(u"king").Build(), u"walking",
       none, ""},
      {"tags not matched unless asked", TextBuilder().Text(u"the ").Tag(u"<b>").Text(u"cat").Build(), u"cat", none,
       "cat"},
      {"tag in the item", TextBuilder().Text(u"the ").Tag(u"<b>").Text(u"cat cat").Build(), u"<b>cat", none, "<b>cat"},
      {"tag with wildcard", TextBuilder().Text(u"a ").Tag(u"<w NN>").Text(u"cat ").Tag(u"<w VB>").Text(u"cat").Build(),
       u"<w N*>cat", none, "<w NN>cat"},
      {"marked tag brackets", TextBuilder().Text(u"a ").Tag(u"\x19" u"b\x18").Text(u"cat").Build(), u"<b>cat", none,
       "\x19" "b\x18" "cat"},
      {"markers never part of a word", TextBuilder().Text(u"end").Marker(u"x", 15).Text(u"less").Build(), u"endless",
       none, ""},
      // items without words
      {"punctuation only", Plain(u"a b c ... !!!"), u"...", none, ""},
      {"an empty alternative", Plain(u"a b c ... !!!"), u"/", none, ""},
      // invisible characters: no words alone, part of the word they follow, passed over in matching
      {"emoji joined by joiners", Plain(u"family \U0001F468\u200D\U0001F469\u200D\U0001F467 here"), u"*", none,
       "family|here"},
      {"emoji with a variation selector", Plain(u"I \u2764\uFE0F you"), u"*", none, "I|you"},
      {"a byte-order mark inside a text", Plain(u"one \uFEFF two"), u"*", none, "one|two"},
      {"direction marks around a word", Plain(u"\u200Fshalom\u200F now"), u"*", none, "shalom\xE2\x80\x8F|now"},
      {"a joiner inside a word", Plain(u"ab\u200Dcd ab"), u"abcd", none, "ab\xE2\x80\x8D" "cd"},
      {"a non-joiner typed", Plain(u"mi\u200Cravam miravam"), u"mi\u200Cravam", none,
       "mi\xE2\x80\x8Cravam|miravam"},
      {"a zero-width space parts words", Plain(u"alpha\u200Bbeta"), u"beta", none, "beta"},
      {"a zero-width space parts words (first)", Plain(u"alpha\u200Bbeta"), u"alpha", none, "alpha"},
      // the soft hyphen
      {"soft hyphen inside a word", Plain(u"Silben\u00ADtrennung"), u"silbentrennung", none,
       "Silben\xC2\xAD" "trennung"},
      {"soft hyphen: one word", Plain(u"Silben\u00ADtrennung"), u"silben", none, ""},
      {"soft hyphen typed", Plain(u"Silbentrennung"), u"silben\u00ADtrennung", none, "Silbentrennung"},
      {"soft hyphen under a wildcard", Plain(u"Silben\u00ADtrennung"), u"*ntrenn*", none,
       "Silben\xC2\xAD" "trennung"},
      // a hyphen joins letters only
      {"numbers with a hyphen", Plain(u"1990-2000 10-20"), u"#", none, "1990|2000|10|20"},
      {"a year before a hyphen", Plain(u"1990-2000"), u"1990", none, "1990"},
      {"a letter on one side", Plain(u"COVID-19 covid"), u"covid-19", none, "COVID-19"},
      {"a letter on one side: one word", Plain(u"COVID-19 3-D"), u"covid", none, ""},
      // one hit per place
      {"a shorter alternative inside a longer one's hit", Plain(u"New York. York is old."), u"new york/york", none,
       "New York|York"},
      {"a lone * inside a phrase's hit", Plain(u"the old man"), u"the * man/man", none, "the old man"},
      // case beyond the basic plane (Deseret, Osage, Adlam)
      {"Deseret", Plain(u"\U00010400\U00010428 \U00010428\U00010428 \U00010428"), u"\U00010428\U00010400", none,
       "\xF0\x90\x90\x80\xF0\x90\x90\xA8|\xF0\x90\x90\xA8\xF0\x90\x90\xA8"},
      {"Osage", Plain(u"\U000104B0 \U000104D8"), u"\U000104D8", none, "\xF0\x90\x92\xB0|\xF0\x90\x93\x98"},
      {"Adlam with a wildcard", Plain(u"\U0001E900\U0001E922 x"), u"\U0001E922*", none,
       "\xF0\x9E\xA4\x80\xF0\x9E\xA4\xA2"},
      {"==Deseret== keeps case", Plain(u"\U00010400 \U00010428"), u"==\U00010428==", none, "\xF0\x90\x90\xA8"},
      {"ideographs beyond the basic plane stay apart", Plain(u"\U00020000 \U00020028"), u"\U00020028", none,
       "\xF0\xA0\x80\xA8"},
      // punctuation typed across a marked sentence end
      {"St. Louis", TextBuilder().Text(u"St").Marker(u".", 15).Text(u" Louis and St Louis").Build(), u"St. Louis", none,
       "St. Louis|St Louis"},
      {"St Louis typed without the full stop", TextBuilder().Text(u"St").Marker(u".", 15).Text(u" Louis").Build(),
       u"St Louis", none, ""},
      {"U.S.A. today", TextBuilder().Text(u"the U.S.A").Marker(u".", 15).Text(u" today").Build(), u"U.S.A. today", none,
       "U.S.A. today"},
      {"other punctuation typed", TextBuilder().Text(u"St").Marker(u".", 15).Text(u" Louis").Build(), u"St, Louis",
       none, ""},
      {"a marker that is mark-up", TextBuilder().Text(u"St.").Marker(u"<s>", 14).Text(u" Louis").Build(), u"St. Louis",
       none, ""},
  };
}

TEST(SearchRules, TableOfRules) {
  for (const TRuleRow& row : Rows()) {
    EXPECT_EQ(Matches(row.text, row.item, row.options), row.found) << row.rule;
  }
}

TEST(SearchRules, TurkishDottedAndDotlessI) {
  TSearchTextOptions tr;
  tr.lcid = 0x041F;
  TTestText t = Plain(u"ISTANBUL \u0131stanbul \u0130stanbul istanbul");
  EXPECT_EQ(Matches(t, u"\u0131stanbul", tr), "ISTANBUL|\xC4\xB1stanbul");
  EXPECT_EQ(Matches(t, u"istanbul", tr), "\xC4\xB0stanbul|istanbul");
  // Elsewhere both capitals fold to "i".
  EXPECT_EQ(Matches(t, u"istanbul"), "ISTANBUL|\xC4\xB0stanbul|istanbul");
  // One unit for one: "\u00DF" is not "ss".
  EXPECT_EQ(Matches(Plain(u"Stra\u00DFe STRASSE"), u"strasse"), "STRASSE");
}


// A word typed with a combining accent finds the composed letter of a text read precomposed.
TEST(SearchRules, TypedWordsAreComposedLikeTheTexts) {
  TTestText t = Plain(u"caf\u00E9 cafe");
  EXPECT_EQ(Matches(t, u"cafe\u0301"), "caf\xC3\xA9");
  EXPECT_EQ(Matches(t, u"cafe\u0301/cafe"), "caf\xC3\xA9|cafe");
  TSearchTextOptions as_written;
  as_written.precomposed = false;
  EXPECT_EQ(Matches(Plain(u"cafe\u0301 caf\u00E9"), u"cafe\u0301", as_written), "cafe\xCC\x81");
  // Context words go through the same compiling.
  TSearchAndDoEngine engine(true, true, {});
  EXPECT_TRUE(engine.QuickSearchFoundIgnoringTags(u"un caf\u00E9 ", u"cafe\u0301", 0));
}

// A wildcard word too long for the small matcher is matched all the same.
TEST(SearchRules, VeryLongWildcardWordsAreMatched) {
  const UString b70(70, u'b');
  TTestText t = Plain(u"a" + b70 + u" a" + b70 + u"c x" + b70);
  EXPECT_EQ(Matches(t, u"a*" + b70), "a" + std::string(70, 'b'));
  EXPECT_EQ(Matches(t, u"*" + b70 + u"*"), "a" + std::string(70, 'b') + "|a" + std::string(70, 'b') + "c|x" +
                                                 std::string(70, 'b'));
  UString numbers;
  for (int i = 0; i < 30; ++i) numbers += u"#x";
  UString text;
  for (int i = 0; i < 30; ++i) text += u"1.5x";
  EXPECT_EQ(Matches(Plain(text + u" 1x"), numbers), Utf16ToUtf8(text));
}

TEST(SearchRules, QuickSearchIgnoresTagsInTheItem) {
  TSearchAndDoEngine engine(true, true, {});
  EXPECT_TRUE(engine.QuickSearchFoundIgnoringTags(u"walking ", u"walk*", 0));
  EXPECT_FALSE(engine.QuickSearchFoundIgnoringTags(u"sidewalk ", u"walk*", 0));
  EXPECT_TRUE(engine.QuickSearchFoundIgnoringTags(u"Walking ", u"<b>walking</b>", 0));
  EXPECT_FALSE(engine.QuickSearchFoundIgnoringTags(u"Walking ", u"==walking==", 0));
  EXPECT_FALSE(engine.QuickSearchFoundIgnoringTags(u"Walking ", u"walking", kSwCaseSensitive));
  EXPECT_TRUE(engine.QuickSearchFoundIgnoringTags(u"new york ", u"new york", 0));
  EXPECT_FALSE(engine.QuickSearchFoundIgnoringTags(u"", u"a", 0));
  TSearch_word_format_rec rec = TBaseSearchItems::MakeItem(u"colour/color");
  EXPECT_TRUE(engine.QuickSearchFoundIgnoringTags(u"color ", rec));
}


// The kinds after the allowed characters are handled: w a word character, m a mark, . other.
std::string AllowedShape(UStringView text, UStringView symbols, bool at_start, bool at_end, bool hyphens_separate,
                         size_t mark_at = std::string::npos, uint16_t mark = 0) {
  std::vector<uint16_t> kinds(text.size());
  ClassifyChars(text.data(), text.size(), kinds.data());
  if (mark_at < text.size()) kinds[mark_at] = mark;
  HandleAllowables(text.data(), kinds.data(), text.size(), symbols, at_start, at_end, hyphens_separate);
  std::string shape;
  for (uint16_t k : kinds) shape += k >= kKindHidden ? 'm' : IsWordKind(k) ? 'w' : '.';
  return shape;
}

TEST(SearchRules, CharactersAllowedInNumbersAndWords) {
  struct TRow {
    const char16_t* text;
    const char16_t* symbols;
    bool at_start, at_end, hyphens_separate;
    const char* shape;
  } rows[] = {
      {u"3.14", u"", false, false, false, "wwww"},
      {u"1,000,000", u"", false, false, false, "wwwwwwwww"},
      {u"3. 14", u"", false, false, false, "w..ww"},
      {u"a.b", u"", false, false, false, "w.w"},
      {u"1..2", u"", false, false, false, "w..w"},
      {u"well-known", u"", false, false, false, "wwwwwwwwww"},
      {u"well\u2010known", u"", false, false, false, "wwwwwwwwww"},
      {u"well-known", u"", false, false, true, "wwww.wwwww"},
      {u"1990-2000", u"", false, false, false, "wwww.wwww"},
      {u"COVID-19", u"", false, false, false, "wwwwwwww"},
      {u"3-D", u"", false, false, false, "www"},
      {u"a--b", u"", false, false, false, "w..w"},
      {u"-a a-", u"", false, false, false, ".w.w."},
      {u"don't", u"'", false, false, false, "wwwww"},
      {u"rock'n'roll", u"'", false, false, false, "wwwwwwwwwww"},
      {u"'tis", u"'", false, false, false, ".www"},
      {u"'tis", u"'", true, false, false, "wwww"},
      {u"dogs'", u"'", false, false, false, "wwww."},
      {u"dogs'", u"'", false, true, false, "wwwww"},
      {u"'' x", u"'", true, true, false, "...w"},
      {u"a''b", u"'", false, false, false, "wwww"},
      {u"a'-b", u"'-", false, false, true, "wwww"},
  };
  for (const TRow& r : rows) {
    EXPECT_EQ(AllowedShape(r.text, r.symbols, r.at_start, r.at_end, r.hyphens_separate), r.shape)
        << Utf16ToUtf8(r.text);
  }
  // Marks are never changed and never count as word characters beside a symbol.
  EXPECT_EQ(AllowedShape(u"3.1", u"", false, false, false, 1, kKindMarkerBase + 15), "wmw");
  EXPECT_EQ(AllowedShape(u"a'b", u"'", false, false, false, 2, kKindHidden), "w.m");
  EXPECT_EQ(AllowedShape(u"a-b", u"", false, false, false, 0, 0x0801), "m.w");
  // An invisible character set after classifying (a replaced "&shy;") joins the word before it.
  EXPECT_EQ(AllowedShape(u"ab\u00ADcd", u"", false, false, false, 2, KIND_INVISIBLE), "wwwww");
  EXPECT_EQ(AllowedShape(u" \u00ADcd", u"", false, false, false, 1, KIND_INVISIBLE), "..ww");
}

}  // namespace
