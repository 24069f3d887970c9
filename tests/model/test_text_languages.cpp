#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/reading/text_languages.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "support/temp_folder.h"

namespace {

Tfixed_lang_details32 Lang(UStringView name, uint8_t pref, int32_t lcid = 0) {
  Tfixed_lang_details32 d;
  d.Clear();
  d.SetLanguageName(name);
  d.SetPreference(pref);
  d.SetLCID(lcid);
  return d;
}

// UTF-16 LE bytes with a byte-order mark.
std::string Utf16File(UStringView text) {
  std::string b = "\xFF\xFE";
  for (char16_t c : text) {
    b.push_back(static_cast<char>(c & 0xFF));
    b.push_back(static_cast<char>(c >> 8));
  }
  return b;
}

bool LoadBytes(TLinguaTessor& l, const std::string& bytes) {
  TMemoryStream m(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  return l.LoadedFromStream(m);
}

std::vector<UString> Names(const TLinguaTessor& l) {
  std::vector<UString> v;
  for (int32_t i = 0; i < l.Count(); ++i) v.push_back(l.GetALanguage(i).LanguageName());
  return v;
}

}  // namespace

TEST(TextLanguages, FileRoundTripKeepsEveryKey) {
  TempFolder tmp;
  TLinguaTessor l;
  // An identifier the platform does not know keeps the user's name.
  Tfixed_lang_details32 a = Lang(u"Klingon \u00e9", kLangAlternative, 0x7777);
  a.SetHyphenBreaksWord(true);
  a.SetWindowsCodePage(1250);
  a.SetDosCodePage(852);
  a.SetFontName(UString(100, u'F'));
  a.SetFontCharset(238);
  a.SetFontSize(14);
  a.SetExtraSymbols(u"'-_\u00b7@#$%&*");  // ten, the whole field
  a.SetSymbolsAtWordStart(true);
  l.AddALanguage(a);
  Tfixed_lang_details32 b = Lang(u"English (United States)", kLangMain, 0x0409);
  b.SetSymbolsAtWordEnd(true);
  b.SetFontName(u"Arial");
  l.AddALanguage(b);
  l.AddALanguage(Lang(UString(50, u'z'), kLangNotInstalled));
  l.AddALanguage(Lang(u"Aaa", kLangAvailable));

  const UString file = tmp.Path() + u"langs.txt";
  ASSERT_TRUE(l.SavedToFile(file));
  TLinguaTessor r;
  ASSERT_TRUE(r.LoadedFromFile(file));
  // Sorted: main, alternative, available, not installed.
  ASSERT_EQ(Names(r), (std::vector<UString>{u"English (United States)", u"Klingon \u00e9", u"Aaa", UString(50, u'z')}));
  EXPECT_EQ(r.CurrentLangNum, 0);
  EXPECT_TRUE(r.GetALanguage(0).SameBytes(b));
  EXPECT_TRUE(r.GetALanguage(1).SameBytes(a));
  EXPECT_TRUE(r.GetALanguage(2).SameBytes(l.GetALanguage(3)));
  EXPECT_TRUE(r.GetALanguage(3).SameBytes(l.GetALanguage(2)));
}

TEST(TextLanguages, WrittenLayout) {
  TLinguaTessor l;
  Tfixed_lang_details32 a = Lang(u"English (United States)", kLangMain, 1033);
  a.SetWindowsCodePage(1252);
  a.SetDosCodePage(437);
  a.SetFontName(u"Arial");
  a.SetFontSize(10);
  a.SetExtraSymbols(u"'");
  a.SetSymbolsAtWordEnd(true);
  l.AddALanguage(a);
  TMemoryStream m;
  ASSERT_TRUE(l.SavedToStream(m));
  const std::string expected = Utf16File(
      u"[English (United States)]\n"
      u"language name=English (United States)\n"
      u"sort as in=1033\n"
      u"preference=main language\n"
      u"hyphen breaks word=NO\n"
      u"Windows codepage=1252\n"
      u"Dos codepage=437\n"
      u"font name=Arial\n"
      u"font character set=0\n"
      u"font size=10\n"
      u"extra ANSI symbols within a word='\n"
      u"allow extra symbols at start of word=NO\n"
      u"allow extra symbols at end of word=YES\n"
      u"\n");
  EXPECT_EQ(std::string(m.Data().begin(), m.Data().end()), expected);
}

TEST(TextLanguages, ReadsOtherEncodingsLineEndsAndBadValues) {
  const std::string text =
      "key line before any section=1\r\n"
      "[x]\r\n"
      "language name=Portugu\xC3\xAAs\r"
      "preference = alternative language\r\n"
      "  hyphen breaks word=yes  \n"
      "Windows codepage=notanumber\n"
      "sort as in=abc\n"
      "font size=300\n"
      "Font name=ignored, wrong case\n"
      "[]\n";
  TLinguaTessor l;
  ASSERT_TRUE(LoadBytes(l, text));  // UTF-8 without a mark, mixed line ends
  ASSERT_EQ(l.Count(), 2);
  const Tfixed_lang_details32 p = l.GetALanguage(0);
  EXPECT_EQ(p.LanguageName(), u"Portugu\u00eas");
  EXPECT_EQ(p.Preference(), kLangAlternative);
  EXPECT_TRUE(p.HyphenBreaksWord());
  EXPECT_EQ(p.WindowsCodePage(), 0);  // not a number: unchanged
  EXPECT_EQ(p.LCID(), 0);             // not a number: locale and name unchanged
  EXPECT_EQ(p.FontSize(), 0);         // does not fit the field: unchanged
  EXPECT_EQ(p.FontName(), u"");
  // A section without keys is a blank language.
  Tfixed_lang_details32 blank;
  blank.Clear();
  EXPECT_TRUE(l.GetALanguage(1).SameBytes(blank));
  EXPECT_EQ(l.CurrentLangNum, -1);

  // Windows-1252 bytes that are not UTF-8.
  TLinguaTessor w;
  ASSERT_TRUE(LoadBytes(w, "[a]\nlanguage name=Fran\xE7" "ais\n"));
  EXPECT_EQ(w.GetALanguage(0).LanguageName(), u"Fran\u00e7ais");

  // Too long values are cut to their fields.
  const UString too_long = u"[a]\nlanguage name=" + UString(70, u'n') + u"\nfont name=" + UString(150, u'f') +
                           u"\nextra ANSI symbols within a word=" + UString(15, u'-') + u"\n";
  ASSERT_TRUE(LoadBytes(w, Utf16File(too_long)));
  const Tfixed_lang_details32 d = w.GetALanguage(0);
  EXPECT_EQ(d.LanguageName(), UString(50, u'n'));
  EXPECT_EQ(d.FontName(), UString(100, u'f'));
  EXPECT_EQ(d.ExtraSymbols(), UString(10, u'-'));
}

TEST(TextLanguages, SortAsInTakesThePlatformName) {
  TLinguaTessor l;
  ASSERT_TRUE(LoadBytes(l, Utf16File(u"[g]\nlanguage name=Deutsch\nsort as in=1031\n"
                                     u"[k]\nlanguage name=Mine\nsort as in=30583\n")));
  EXPECT_EQ(Names(l), (std::vector<UString>{u"German (Germany)", u"Mine"}));  // the second unknown
  EXPECT_EQ(l.GetALanguage(0).LCID(), 1031);
  EXPECT_EQ(l.GetALanguage(1).LCID(), 30583);
}

TEST(TextLanguages, UnreadableFileLeavesTheList) {
  TempFolder tmp;
  TLinguaTessor l;
  l.AddALanguage(Lang(u"Kept", kLangMain));
  l.SetCurrentNumToPreferred();
  EXPECT_FALSE(l.LoadedFromFile(tmp.Path() + u"missing.txt"));
  EXPECT_FALSE(l.LoadedFromFile(tmp.Path()));  // a folder
  EXPECT_FALSE(l.LoadedFromFile(u""));
  // A binary file is no list of languages.
  const std::string binary("\x01\x02\x00\x00\xFF\x10\x00[x]\n", 11);
  EXPECT_FALSE(l.LoadedFromFile(tmp.Write(u"bin.dat", binary)));
  EXPECT_EQ(Names(l), std::vector<UString>{u"Kept"});
  EXPECT_EQ(l.CurrentLangNum, 0);

  // An empty file is a list with no languages.
  EXPECT_TRUE(l.LoadedFromFile(tmp.Write(u"empty.txt", "")));
  EXPECT_EQ(l.Count(), 0);
  EXPECT_EQ(l.CurrentLangNum, -1);
}

TEST(TextLanguages, CurrentLanguageIsTheMainOneAfterSorting) {
  // The main language is read last and sorted first: current is its sorted place, not its
  // place in the file. Two main languages are both kept; the first by name is current.
  TLinguaTessor l;
  ASSERT_TRUE(LoadBytes(l, Utf16File(u"[a]\nlanguage name=Alpha\npreference=available language\n"
                                     u"[b]\nlanguage name=Beta\npreference=alternative language\n"
                                     u"[z]\nlanguage name=zeta\npreference=main language\n"
                                     u"[c]\nlanguage name=Gamma\npreference=main language\n")));
  EXPECT_EQ(Names(l), (std::vector<UString>{u"Gamma", u"zeta", u"Beta", u"Alpha"}));
  EXPECT_EQ(l.CurrentLangNum, 0);
  EXPECT_EQ(l.GetALanguage(1).Preference(), kLangMain);
}

TEST(TextLanguages, PreferenceHandling) {
  TLinguaTessor l;
  l.AddALanguage(Lang(u"One", kLangMain));
  l.AddALanguage(Lang(u"Two", kLangAvailable));
  l.AddALanguage(Lang(u"Three", kLangAlternative));
  EXPECT_EQ(l.IndexOfLanguageName(u"tWO"), 1);
  EXPECT_EQ(l.IndexOfLanguageName(u"Four"), -1);

  // A new main language makes the old one alternative.
  l.SetLangPreference(u"two", kLangMain);
  l.SetLangPreference(u"nobody", kLangMain);  // no such language: nothing changes
  EXPECT_EQ(l.GetALanguage(0).Preference(), kLangAlternative);
  EXPECT_EQ(l.GetALanguage(1).Preference(), kLangMain);
  l.SetCurrentNumToPreferred();
  EXPECT_EQ(l.CurrentLangNum, 1);

  // Removing the only main language makes the first remaining one main and current.
  EXPECT_FALSE(l.RemoveALanguage(u"nobody"));
  EXPECT_TRUE(l.RemoveALanguage(u"TWO"));
  ASSERT_EQ(l.Count(), 2);
  EXPECT_EQ(l.GetALanguage(0).Preference(), kLangMain);
  EXPECT_EQ(l.CurrentLangNum, 0);
  // Removing a language that is not main keeps the main one current at its new place.
  l.SetLangPreference(u"Three", kLangMain);
  EXPECT_TRUE(l.RemoveALanguage(u"One"));
  EXPECT_EQ(l.CurrentLangNum, 0);
  EXPECT_EQ(l.GetALanguage(0).LanguageName(), u"Three");
  EXPECT_TRUE(l.RemoveALanguage(u"Three"));
  EXPECT_EQ(l.CurrentLangNum, -1);
  Tfixed_lang_details32 blank;
  blank.Clear();
  EXPECT_TRUE(l.GetALanguage(5).SameBytes(blank));
}
