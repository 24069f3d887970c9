#include <gtest/gtest.h>
#include <unicode/uloc.h>

#include <algorithm>
#include <set>
#include <vector>

#include "platform/text/text_services.h"

namespace {

constexpr TLCID kGerman = 0x0407, kSwedish = 0x041D, kTurkish = 0x041F, kGreek = 0x0408;

int Cmp(TLCID lcid, bool cs, UStringView a, UStringView b) { return CompareStringsLocale(lcid, cs, a, b); }

}  // namespace

TEST(TextCollation, CaseAndAccents) {
  for (bool cs : {false, true}) {
    EXPECT_LT(Cmp(kLCID_EnglishUS, cs, u"apple", u"Banana"), 0);
    EXPECT_GT(Cmp(kLCID_EnglishUS, cs, u"cherry", u"Banana"), 0);
    EXPECT_LT(Cmp(kLCID_EnglishUS, cs, u"resume", u"r\u00E9sum\u00E9"), 0);  // accents count either way
    EXPECT_LT(Cmp(kLCID_EnglishUS, cs, u"r\u00E9sum\u00E9", u"resumes"), 0);
    EXPECT_EQ(Cmp(kLCID_EnglishUS, cs, u"word", u"word"), 0);
    EXPECT_LT(Cmp(kLCID_EnglishUS, cs, u"", u"a"), 0);
  }
  EXPECT_EQ(Cmp(kLCID_EnglishUS, false, u"Apple", u"aPPLE"), 0);
  EXPECT_LT(Cmp(kLCID_EnglishUS, true, u"apple", u"Apple"), 0);
  EXPECT_LT(Cmp(kLCID_EnglishUS, true, u"Apple", u"apples"), 0);
  // A composed and a decomposed accent are the same letter.
  EXPECT_EQ(Cmp(kLCID_EnglishUS, true, u"caf\u00E9", u"cafe\u0301"), 0);
}

TEST(TextCollation, LanguageRules) {
  // German sharp s sorts as "ss", just after it.
  for (bool cs : {false, true}) {
    EXPECT_LT(Cmp(kGerman, cs, u"Strasse", u"Stra\u00DFe"), 0);
    EXPECT_LT(Cmp(kGerman, cs, u"Stra\u00DFe", u"Strassen"), 0);
  }
  EXPECT_LT(Cmp(kGerman, false, u"Masse", u"Mast"), 0);
  EXPECT_LT(Cmp(kGerman, false, u"Ma\u00DFe", u"Mast"), 0);
  EXPECT_LT(Cmp(kGerman, false, u"Apfel", u"\u00C4pfel"), 0);
  EXPECT_LT(Cmp(kGerman, false, u"\u00C4pfel", u"Birne"), 0);
  // Swedish letters follow z; elsewhere a-ring is an a.
  EXPECT_LT(Cmp(kSwedish, false, u"zebra", u"\u00E5sna"), 0);
  EXPECT_LT(Cmp(kSwedish, false, u"\u00E5sna", u"\u00F6ga"), 0);
  EXPECT_GT(Cmp(kLCID_EnglishUS, false, u"zebra", u"\u00E5sna"), 0);
  // Traditional Spanish sorts ch as a letter after c.
  EXPECT_LT(Cmp(0x0C0A, false, u"chico", u"cuna"), 0);
  EXPECT_GT(Cmp(0x040A, false, u"chico", u"cuna"), 0);
  // Unknown and default identifiers work (root order, environment language).
  EXPECT_LT(Cmp(0x7777, false, u"apple", u"Banana"), 0);
  EXPECT_LT(Cmp(0x0400, false, u"apple", u"Banana"), 0);
}

TEST(TextCollation, SortKeysOrderLikeTheComparison) {
  const std::vector<UString> words = {u"cherry", u"Apple", u"apple", u"Banana", u"r\u00E9sum\u00E9", u"resume",
                                      u"Stra\u00DFe", u"strasse", u"\u00E5sna", u"zebra", u"", u"a", u"A",
                                      u"co-op", u"coop", u"\u4E2D\u6587", u"\u0416\u0443\u043A", u"10", u"9"};
  for (TLCID lcid : {kLCID_EnglishUS, kGerman, kSwedish}) {
    for (bool cs : {false, true}) {
      for (const UString& a : words) {
        const std::string ka = CollationSortKey(lcid, cs, a);
        for (const UString& b : words) {
          const std::string kb = CollationSortKey(lcid, cs, b);
          const int by_key = ka < kb ? -1 : (ka > kb ? 1 : 0);
          EXPECT_EQ(by_key, Cmp(lcid, cs, a, b)) << Utf16ToUtf8(a) << " / " << Utf16ToUtf8(b);
        }
      }
    }
  }
}

TEST(TextCase, LengthKeepingLocaleAwareMapping) {
  EXPECT_EQ(UpperCaseU(u"Concordance \u00E9t\u00E9 \u03AC\u03BB\u03C6\u03B1 \u0436"), u"CONCORDANCE \u00C9T\u00C9 \u0386\u039B\u03A6\u0391 \u0416");
  EXPECT_EQ(LowerCaseU(u"\u00C9T\u00C9 \u0416 ABC"), u"\u00E9t\u00E9 \u0436 abc");
  EXPECT_EQ(UpperCaseU(u"stra\u00DFe"), u"STRA\u00DFE");  // no growth to SS
  EXPECT_EQ(UpperCaseU(u"\U00010428x"), u"\U00010400X");   // Deseret, outside the BMP
  EXPECT_EQ(UpperCaseU(u"istanbul", kTurkish), u"\u0130STANBUL");
  EXPECT_EQ(UpperCaseU(u"istanbul"), u"ISTANBUL");
  EXPECT_EQ(LowerCaseU(u"I\u0130", kTurkish), u"\u0131i");
  EXPECT_EQ(LowerCaseU(u"I\u0130"), u"ii");
  EXPECT_EQ(UpperCaseU(u"\u03AC", kGreek), u"\u0386");  // accent kept
  const UString lone = UString(1, char16_t(0xD800)) + u"a";
  EXPECT_EQ(UpperCaseU(lone), UString(1, char16_t(0xD800)) + u"A");
}

TEST(TextCase, FoldingAndComposition) {
  EXPECT_EQ(FoldCaseU(u"Stra\u00DFe"), u"strasse");
  EXPECT_EQ(FoldCaseU(u"MASSE"), FoldCaseU(u"Ma\u00DFe"));
  EXPECT_EQ(FoldCaseU(u"\u03A3\u03C2"), u"\u03C3\u03C3");
  EXPECT_EQ(FoldCaseU(u""), u"");
  EXPECT_EQ(ComposeNFC(u"cafe\u0301"), u"caf\u00E9");
  EXPECT_EQ(ComposeNFC(u"A\u030A and a\u0308"), u"\u00C5 and \u00E4");
  EXPECT_EQ(ComposeNFC(u"already \u00E9"), u"already \u00E9");
  EXPECT_EQ(ComposeNFC(u"q\u0323\u0307"), u"q\u0323\u0307");  // no precomposed form
  const UString long_text(100000, u'x');
  EXPECT_EQ(FoldCaseU(UpperCaseU(long_text)), long_text);
}

// The characters text may be made of and be composed already: against the normaliser's verdict
// on text made of each alone and in pairs, and by hand.
TEST(TextCase, CharactersKeptByComposition) {
  struct Case {
    char32_t c;
    bool kept;
  };
  const Case cases[] = {{U'a', true},      {0x00E9, true},  {0x0301, false}, {0x0418, true},   {0x3099, false},
                        {0x304B, true},    {0x2019, true},  {0x212B, false}, {0x0344, false},  {0x1161, false},
                        {0xAC00, true},    {0xD800, false}, {0xDC00, false}, {0x1D400, true},  {0x1D15E, false},
                        {0x0F73, false},   {0xFFFD, true},  {0x4E2D, true},  {0x110000, false}};
  for (const Case& k : cases) EXPECT_EQ(KeptByComposition(k.c), k.kept) << std::hex << uint32_t(k.c);
  // Any two kept characters of the basic plane, side by side, are composed already.
  for (char32_t a = 0x250; a < 0x3400; a += 7)
    for (char32_t b : {char32_t(0x41), char32_t(0x418), char32_t(0x304B), char32_t(0xAC00), char32_t(0x2019), a}) {
      if (!KeptByComposition(a) || !KeptByComposition(b)) continue;
      const UString two{char16_t(a), char16_t(b)};
      EXPECT_TRUE(IsComposedNFC(two)) << std::hex << uint32_t(a) << " " << uint32_t(b);
    }
}

TEST(TextLanguageIds, TableIsOrderedAndRoundTrips) {
  const auto table = KnownLanguageIds();
  ASSERT_GE(table.size(), 100u);
  std::set<std::string> names;
  for (size_t i = 0; i < table.size(); ++i) {
    const TLanguageIdInfo& l = table[i];
    if (i > 0) {
      EXPECT_LT(table[i - 1].lcid, l.lcid);
    }
    EXPECT_TRUE(names.insert(l.locale_name).second) << l.locale_name;
    EXPECT_NE(std::string(l.english_name), "");
    EXPECT_EQ(LocaleNameFromLCID(l.lcid), l.locale_name);
    EXPECT_EQ(LCIDFromLocaleName(l.locale_name), l.lcid) << l.locale_name;
    EXPECT_EQ(LanguageIdInfoOf(l.lcid), &l);
    // ICU knows the same identifiers for these names.
    EXPECT_EQ(uloc_getLCID(l.locale_name), l.lcid) << l.locale_name;
  }
  EXPECT_EQ(EnglishNameOfLCID(0x0C07), "German (Austria)");
  EXPECT_EQ(EnglishNameOfLCID(0x7777), "");
  EXPECT_EQ(LocaleNameFromLCID(0x7777), "");
  EXPECT_EQ(LanguageIdInfoOf(0x7777), nullptr);
  EXPECT_EQ(LocaleNameFromLCID(0x10407), "de_DE");  // alternative sort bits
  EXPECT_EQ(LocaleNameFromLCID(0x0009), "en_US");   // language only
}

TEST(TextLanguageIds, NamesInOtherSpellings) {
  const std::pair<std::string, TLCID> cases[] = {
      {"en-US", 0x0409},      {"EN_gb", 0x0809},       {"pt", 0x0416},     {"zh", 0x0804},
      {"zh-Hant-TW", 0x0404}, {"zh_Hans_CN", 0x0804},  {"sr-Latn-RS", 0x241A}, {"es_ES", 0x0C0A},
      {"en_US_POSIX", 0x0409}, {"no", 0x0414},         {"de_AT.UTF-8", 0x0C07}, {"", 0},
      {"qq_ZZ", 0},           {std::string(500, 'x'), 0},
  };
  for (const auto& [name, lcid] : cases) EXPECT_EQ(LCIDFromLocaleName(name), lcid) << name;
}

TEST(TextLanguageIds, CodePages) {
  const std::pair<TLCID, int> cases[] = {
      {0x0405, 1250}, {0x0415, 1250}, {0x0419, 1251}, {0x0402, 1251}, {0x0409, 1252}, {0x0407, 1252},
      {0x0408, 1253}, {0x041F, 1254}, {0x040D, 1255}, {0x0401, 1256}, {0x0429, 1256}, {0x0426, 1257},
      {0x0427, 1257}, {0x042A, 1258}, {0x041E, 874},  {0x0411, 932},  {0x0804, 936},  {0x0412, 949},
      {0x0404, 950},  {0x0C04, 950},  {0x0439, 1252}, {0x7777, 1252}, {0x281A, 1251}, {0x241A, 1250},
  };
  for (auto [lcid, cp] : cases) EXPECT_EQ(DefaultCodePageOfLCID(lcid), cp) << std::hex << lcid;
}
