#include "shell/settings/language_choice.h"

#include <gtest/gtest.h>

#include <algorithm>


#include "model/reading/text_languages.h"
#include "platform/settings/settings_access.h"
#include "model/text_reader_test_support.h"

namespace {

class LanguageChoiceTest : public testing::Test {
 protected:
  void SetUp() override { GlobalLinguaTessor().Clear(); }
  void TearDown() override { GlobalLinguaTessor().Clear(); }
  // Writes the user's languages file with these languages (the first is the main one).
  void SetUpLanguages(std::initializer_list<std::pair<UStringView, int32_t>> languages) {
    TLinguaTessor l;
    bool first = true;
    for (auto [name, lcid] : languages) {
      Tfixed_lang_details32 d;
      d.Clear();
      d.SetLanguageName(name);
      d.SetLCID(lcid);
      d.SetPreference(first ? kLangMain : kLangAlternative);
      d.SetFontName(u"Font of " + UString(name));
      d.SetFontSize(13);
      d.SetWindowsCodePage(1250);
      l.AddALanguage(d);
      first = false;
    }
    ASSERT_TRUE(l.SavedToFile(GetUserReadWriteFolder() + u"languages.txt"));
  }
  text_reader_test::ScopedSettings settings;
};

}  // namespace

TEST_F(LanguageChoiceTest, WithoutLanguagesSetUpTheCurrentOneAndEnglishAreOffered) {
  EXPECT_EQ(GetNamesOfFavouriteLanguages(), u"English (United States)");
  TTextsett_rec32 s = GetTextSettings();
  Tfixed_lang_details32 l = s.Language();
  l.SetLCID(0x0415);
  l.SetLanguageName(u"Polish (Poland)");
  s.SetLanguage(l);
  SetTextSettings(s);
  EXPECT_EQ(GetNamesOfFavouriteLanguages(), u"Polish (Poland)\tEnglish (United States)");
}

TEST_F(LanguageChoiceTest, TheUsersLanguagesFileGivesTheFavourites) {
  SetUpLanguages({{u"Czech (Czech Republic)", 0x0405}, {u"German (Germany)", 0x0407}});
  EXPECT_EQ(GetNamesOfFavouriteLanguages(), u"Czech (Czech Republic)\tGerman (Germany)");
}

TEST_F(LanguageChoiceTest, NamesGiveIdentifiers) {
  SetUpLanguages({{u"German (Germany)", 0x0407}});
  struct Case { const char16_t* name; int32_t value; };
  const Case cases[] = {
      {u"German (Germany)", 0x0407}, {u"  german (GERMANY) ", 0x0407},  // case and spaces ignored
      {u"French (France)", 0x040C}, {u"FRENCH (FRANCE)", 0x040C},  // the platform's table
      {u"Klingonese", 0},           {u"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(LanguageValueOfName(c.name), c.value) << Utf16ToUtf8(c.name);
}

TEST_F(LanguageChoiceTest, AFavouriteIsStoredWholeAndAnotherLanguageKeepsTheUsersFont) {
  SetUpLanguages({{u"German (Germany)", 0x0407}});
  UString problem;
  ASSERT_TRUE(StoreChosenLanguage(0x0407, problem));
  EXPECT_EQ(GetTextSettings().LanguageName(), u"German (Germany)");
  EXPECT_EQ(GetTextSettings().FontName(), u"Font of German (Germany)");
  EXPECT_EQ(GetTextSettings().WindowsCodePage(), 1250);

  ASSERT_TRUE(StoreChosenLanguage(0x0419, problem));  // Russian, from the table
  EXPECT_EQ(GetTextSettings().LCID(), 0x0419);
  EXPECT_EQ(GetTextSettings().LanguageName(), u"Russian (Russia)");
  EXPECT_EQ(GetTextSettings().WindowsCodePage(), 1251);
  EXPECT_EQ(GetTextSettings().FontName(), u"Font of German (Germany)");  // the font in use stays
  EXPECT_EQ(GetTextSettings().FontSize(), 13);
}

TEST_F(LanguageChoiceTest, UnknownIdentifiersStoreNothing) {
  const TTextsett_rec32 before = GetTextSettings();
  for (int64_t value : {int64_t{0}, int64_t{-7}, int64_t{0x0FFF}, int64_t{1} << 40}) {
    UString problem;
    EXPECT_FALSE(StoreChosenLanguage(value, problem)) << value;
    EXPECT_NE(problem.find(u"no language"), UString::npos);
  }
  EXPECT_TRUE(GetTextSettings().SameBytes(before));
}

TEST_F(LanguageChoiceTest, ALanguageWithoutItsCountryIsItsMainVariety) {
  struct Case { const char16_t* name; int32_t value; };
  const Case cases[] = {
      {u"Russian", 0x0419},  {u"russian", 0x0419},  {u"English", 0x0409}, {u"German", 0x0407},
      {u"Portuguese", 0x0416},  // the table's sub-language 1 is Brazil's
      {u"Czech", 0x0405},    {u"Russ", 0},          {u"(Russia)", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(LanguageValueOfName(c.name), c.value) << Utf16ToUtf8(c.name);
}

TEST_F(LanguageChoiceTest, TheChooserOffersTheFavouritesThenEveryKnownLanguage) {
  SetUpLanguages({{u"German (Germany)", 0x0407}});
  const std::vector<UString> names = NamesOfLanguagesToOffer();
  ASSERT_GT(names.size(), 50u);
  EXPECT_EQ(names[0], u"German (Germany)");
  EXPECT_EQ(std::count(names.begin(), names.end(), u"German (Germany)"), 1);
  for (const char16_t* known : {u"Russian (Russia)", u"Polish (Poland)", u"English (United States)"})
    EXPECT_EQ(std::count(names.begin(), names.end(), UString(known)), 1) << Utf16ToUtf8(known);
  // After the favourites, alphabetical.
  EXPECT_TRUE(std::is_sorted(names.begin() + 1, names.end(),
                             [](const UString& a, const UString& b) { return FoldCaseU(a) < FoldCaseU(b); }));
}

TEST_F(LanguageChoiceTest, TheChosenCodePageIsTheOneTextsAreReadIn) {
  struct Case {
    int32_t lcid;
    int code_page;   // as chosen; 0 the language's own
    int stored;      // the text settings' code page then
    int shown_next;  // what the chooser starts from next time
  };
  const Case cases[] = {
      {0x0419, 0, 1251, 0},          {0x0419, 20866, 20866, 20866},
      {0x0415, 28592, 28592, 28592}, {0x0409, 28605, 28605, 28605},
      {0x0409, 1252, 1252, 0},  // the language's own, chosen by name
  };
  for (const Case& c : cases) {
    UString problem;
    ASSERT_TRUE(StoreChosenLanguage(LanguageChoiceValue(c.lcid, c.code_page), problem)) << Utf16ToUtf8(problem);
    EXPECT_EQ(GetTextSettings().LCID(), c.lcid);
    EXPECT_EQ(GetTextSettings().WindowsCodePage(), c.stored) << c.code_page;
    EXPECT_EQ(CurrentCodePageChoice(), c.shown_next) << c.code_page;
  }
  const TTextsett_rec32 before = GetTextSettings();
  UString problem;
  EXPECT_FALSE(StoreChosenLanguage(LanguageChoiceValue(0x0419, 12345), problem));
  EXPECT_NE(problem.find(u"12345"), UString::npos);
  EXPECT_TRUE(GetTextSettings().SameBytes(before));
}
