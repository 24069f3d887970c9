#include <gtest/gtest.h>

#include "text_reader_test_support.h"
#include "model/reading/html_entities.h"

using text_reader_test::Utf16Bytes;

namespace {

UString Decode(UStringView in, const TEntityRecList& list) {
  UString buf(in);
  buf.push_back(u'\0');
  const size_t n = DecodeHtmlEntitiesInPlace(buf.data(), in.size(), list);
  EXPECT_EQ(buf[n], u'\0');
  return buf.substr(0, n);
}

TEntityRecList Defaults() {
  TEntityRecList l;
  l.LoadUpDefaults();
  return l;
}

class EntryCollector : public TSimpleUserTextFileReader {
 public:
  std::vector<UString> entries;

 protected:
  void AddIfFormatOK(const UString& s) override { entries.push_back(s); }
};

std::vector<UString> ReadList(const std::string& bytes) {
  EntryCollector c;
  TMemoryStream m(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  EXPECT_TRUE(c.LoadedFromStream(m));
  return c.entries;
}

TEST(HtmlEntities, DecodingTable) {
  const TEntityRecList l = Defaults();
  struct Case {
    const char16_t* in;
    const char16_t* out;
  };
  const Case cases[] = {
      {u"a &gt; b", u"a > b"},
      {u"&#62;&#x3E;&#X3e;&#x3e", u">>>>"},
      {u"&#62x", u">x"},                          // ";" is optional
      {u"&GT; &Lt; &ast;", u"> < *"},            // names without regard to case
      {u"&#; &#x; &#", u"&#; &#x; &#"},          // no number: the "&" stays
      {u"tom&", u"tom&"},                         // a final "&" is kept
      {u"&", u"&"},
      {u"&#128512;&#x1F600;", u"\U0001F600\U0001F600"},  // beyond 0xFFFF: a surrogate pair
      {u"&#x10FFFF;", u"\U0010FFFF"},
      {u"&#0;&#x0;", u"&#0;&#x0;"},               // 0 is no character
      {u"&#x110000;&#1114112;", u"&#x110000;&#1114112;"},
      {u"&#xD800;", u"&#xD800;"},                 // a lone surrogate is no character
      {u"&#00000000000000000000000062;", u">"},  // long runs of digits: their value counts
      {u"&#99999999999999999999999999;", u"&#99999999999999999999999999;"},
      {u"&#xFFFFFFFFFFFFFFFF3E;", u"&#xFFFFFFFFFFFFFFFF3E;"},
      {u"&amp; &unknown; &gt", u"&amp; &unknown; &gt"},  // "&gt" at the very end is no "&gt;"
      {u"&gt x", u"&gt x"},
      {u"&&gt;", u"&>"},
      {u"&lt;&lt;&lt;", u"<<<"},
  };
  for (const Case& c : cases) EXPECT_EQ(Decode(c.in, l), UString(c.out)) << Utf16ToUtf8(c.in);
}

TEST(HtmlEntities, DecodingWithUserEntitiesAndTheGlobalList) {
  TEntityRecList l = Defaults();
  l.AddIfFormatOK(u"&Eacute;\t201");
  l.AddIfFormatOK(u"&eacute;\t233");
  l.AddIfFormatOK(u"&smile; 128512");
  l.AddIfFormatOK(u"&gt; 8805");  // a later entry takes precedence
  l.AddIfFormatOK(u"& 128512");   // "&" alone, with a value too long to fit in its place
  EXPECT_EQ(Decode(u"&Eacute;t&eacute; &EACUTE;", l), u"\u00c9t\u00e9 \u00e9");
  EXPECT_EQ(Decode(u"&smile;", l), u"\U0001F600");
  EXPECT_EQ(Decode(u"&gt;", l), u"\u2265");
  EXPECT_EQ(Decode(u"x&", l), u"x&");

  char16_t buf[] = u"1 &lt; 2 &#38; 3";
  EXPECT_EQ(DecodeHtmlEntitiesInPlace(buf), 9u);
  EXPECT_EQ(UString(buf), u"1 < 2 & 3");
  EXPECT_GE(GlobalEntityRecList().Count(), 3);
}

TEST(HtmlEntities, EntriesAreParsedAndCheckedForRange) {
  TEntityRecList l;
  const char16_t* good[] = {u"&gt; 62", u"&euro;\t8364", u"&x; \u00e9", u"&y; 0x41", u"&z; $42",
                            u"&max; 1114111", u"&emoji; \U0001F600", u"&sp;\t \t32"};
  for (const char16_t* s : good) l.AddIfFormatOK(s);
  ASSERT_EQ(l.Count(), 8);
  const int32_t want[] = {62, 8364, 233, 65, 66, 0x10FFFF, 0x1F600, 32};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(l.Get(i).char_num, want[i]) << i;
  EXPECT_EQ(l.Get(0).human, u"&gt;");
  EXPECT_EQ(l.Get(0).len, 4);
  EXPECT_EQ(l.Get(1).human, u"&euro;");
  EXPECT_EQ(l.LongestEntity(), 7u);

  const char16_t* bad[] = {u"&big; 99999999999999999999", u"&zero; 0", u"&neg; -5", u"&hi; 1114112",
                           u"&sur; 55296", u"noamp 5", u"&solo", u"&e;\t", u" &lead 5"};
  for (const char16_t* s : bad) l.AddIfFormatOK(s);
  EXPECT_EQ(l.Count(), 8);
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
}

TEST(UserLists, EntriesOfEveryEncoding) {
  // 8-bit text splits at commas, not parentheses; UTF-16 (either way round) at parentheses too.
  const UString wide = u"one\r\ntwo,three\n; a comment, still (next)\nword (second)\v\u00e9t\u00e9 \U0001F600";
  const std::vector<UString> wide_entries = {u"one", u"two", u"three", u"next", u"word", u"second",
                                             u"\u00e9t\u00e9 \U0001F600"};
  const std::pair<std::string, std::vector<UString>> cases[] = {
      {"one\r\ntwo,three\n; a comment, still comment\nword (second)\n  spaced  \n\n,\x0C last",
       {u"one", u"two", u"three", u"word (second)", u"spaced", u"last"}},
      {Utf16Bytes(wide, true, true), wide_entries},
      {Utf16Bytes(wide, false, true), wide_entries},
      {"\xEF\xBB\xBF" "caf\xC3\xA9\n", {u"caf\u00e9"}},          // signature skipped
      {"caf\xC3\xA9\n", {u"caf\u00e9"}},                           // valid UTF-8
      {"caf\xE9 \x80\n", {u"caf\u00e9 \u20ac"}},                   // Windows-1252
      {"\xC3\xA9\xE9\n", {u"\u00c3\u00a9\u00e9"}},                 // not UTF-8 as a whole
      {std::string("\xFF\xFE" "a\0\0\0b\0", 8) + "c", {u"a", u"b"}},  // a UTF-16 mark, an odd byte after it
      {std::string("ab\0\0", 4), {u"ab"}},                         // zeros inside the text
  };
  for (const auto& [bytes, want] : cases) EXPECT_EQ(ReadList(bytes), want) << bytes;
}

TEST(UserLists, ShortAndMissingInput) {
  EntryCollector c;
  TMemoryStream one(std::vector<uint8_t>{'a'}), none;
  EXPECT_FALSE(c.LoadedFromStream(one));
  EXPECT_FALSE(c.LoadedFromStream(none));
  EXPECT_FALSE(c.LoadedFromFile(u"/no/such/folder/list.txt"));
  EXPECT_FALSE(c.LoadedFromFile(u""));
  EXPECT_TRUE(c.entries.empty());
}

TEST(UserLists, EntityFileAddsToTheDefaults) {
  TempFolder tmp;
  const UString name = tmp.Write(u"html_entities.txt", "; entities of my corpus\n&eacute;\t233\n&hellip; 8230\nbroken\n");
  TEntityRecList l;
  ASSERT_TRUE(l.LoadedFromFile(name));
  EXPECT_EQ(l.Count(), 5);
  ASSERT_TRUE(l.LoadedFromFile(name));  // reading again does not double the entries
  EXPECT_EQ(l.Count(), 5);
  EXPECT_EQ(Decode(u"caf&eacute;&hellip; &gt;", l), u"caf\u00e9\u2026 >");
  EXPECT_FALSE(l.LoadedFromFile(tmp.Path() + u"missing.txt"));
  EXPECT_EQ(l.Count(), 3);  // the defaults stay
}

TEST(UserLists, TheProgramsTableIsLoadedOnceBeforeAndOnlyReadAfter) {
  TempFolder tmp;
  const UString name = tmp.Write(u"html_entities.txt", "&eacute;\t233\n");
  ASSERT_TRUE(LoadEntityTable(name));
  EXPECT_TRUE(EntityTableLoaded());
  EXPECT_EQ(&EntityTable(), &GlobalEntityRecList());  // one table, read through a const view
  EXPECT_EQ(EntityTable().Count(), 4);
  UString buf = u"caf&eacute;";
  buf.resize(DecodeHtmlEntitiesInPlace(buf.data(), buf.size(), EntityTable()));
  EXPECT_EQ(buf, u"caf\u00e9");
  // Loading again starts from the defaults; a file that is not there leaves them alone.
  ASSERT_TRUE(LoadEntityTable(name));
  EXPECT_EQ(EntityTable().Count(), 4);
  EXPECT_FALSE(LoadEntityTable(tmp.Path() + u"missing.txt"));
  EXPECT_EQ(EntityTable().Count(), 3);
  EXPECT_TRUE(EntityTableLoaded());
}

TEST(HtmlOutput, Escaping) {
  EXPECT_EQ(HtmlEscaped(u"<a href=\"x\">&\\"), u"&lt;a href=&quot;x&quot;&gt;&amp;&#92;");
  EXPECT_EQ(HtmlEscaped(u"caf\u00e9 \u00a0\u00ff\u009f \u20ac\u0100"), u"caf&#233; &#160;&#255;\u009f \u20ac\u0100");
  EXPECT_EQ(HtmlEscaped(u""), u"");
}

TEST(HtmlOutput, TagsInColourEscapeTheirInnerText) {
  // BGR 0x0000FF is red: written as FF0000.
  EXPECT_EQ(TagsInHtmlColour(u"a <b&c> d <e>", 0x0000FF),
            u"a <font color = \"#FF0000\">&lt;b&amp;c&gt;</font> d <font color = \"#FF0000\">&lt;e&gt;</font>");
  EXPECT_EQ(TagsInHtmlColour(u"<p class=\"x\">", 0x123456),
            u"<font color = \"#563412\">&lt;p class=&quot;x&quot;&gt;</font>");
  EXPECT_EQ(TagsInHtmlColour(u"x < y", 0), u"x < y");
  EXPECT_EQ(TagsInHtmlColour(u"<<x> and < after", 0xFF0000),
            u"<font color = \"#0000FF\">&lt;&lt;x&gt;</font> and < after");
  EXPECT_EQ(TagsInHtmlColour(u"", 0), u"");
}

}  // namespace
