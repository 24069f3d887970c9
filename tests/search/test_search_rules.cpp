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
}

}  // namespace
