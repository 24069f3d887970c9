#include "shell/settings/language_choice.h"

#include <gtest/gtest.h>


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
