// Languages of the extra text grid's rows: character sets by language identifier, primary
// languages by ISO 639 code, right-to-left languages, favourite fonts, and the row a same-named
// text's line becomes (the line as the double-click makes it, its language read back).
#include <gtest/gtest.h>

#include "concordance/commands/cell_double_click.h"
#include "model/reading/text_languages.h"
#include "shell/settings/language_fonts.h"

TEST(LanguageFonts, CharsetFromLanguageID) {
  const struct {
    int32_t id;
    int32_t charset;
  } cases[] = {
      {0x0401, 178}, {0x0429, 178}, {0x0419, 204}, {0x0402, 204}, {0x0422, 204}, {0x0423, 204},
      {0x0404, 136}, {0x0405, 238}, {0x040E, 238}, {0x0415, 238}, {0x0418, 238}, {0x041A, 238},
      {0x041B, 238}, {0x0424, 238}, {0x0408, 161}, {0x040D, 177}, {0x0411, 128}, {0x0412, 130},
      {0x041E, 222}, {0x041F, 162}, {0x0425, 186}, {0x0426, 186}, {0x0427, 186}, {0x042A, 163},
      {0x01FF, 254}, {0x0409, 0},   {0x0407, 0},   {0, 0},
      {3098, 204},  // Serbian (Cyrillic): 204, though its low bits (26) would give 238
  };
  for (const auto& c : cases) EXPECT_EQ(CharsetFromLanguageID(c.id), c.charset) << std::hex << c.id;
}

TEST(LanguageFonts, LanguageIDFromISOName) {
  const struct {
    const char16_t* code;
    uint16_t id;
  } cases[] = {
      {u"en", 0x09}, {u"ar", 0x01}, {u"de", 0x07}, {u"zh", 0x04}, {u"ja", 0x11}, {u"he", 0x0D},
      {u"fr", 0x0C}, {u"ru", 0x19}, {u"xx", 0},    {u"", 0},      {u"EN", 0},  // codes are lower case
  };
  for (const auto& c : cases) EXPECT_EQ(LanguageIDFromISOName(c.code), c.id) << Utf16ToUtf8(c.code);
  EXPECT_EQ(BiDiModeFromLCID(0x0401), 1);
  EXPECT_EQ(BiDiModeFromLCID(0x040D), 1);
  EXPECT_EQ(BiDiModeFromLCID(0x0429), 1);
  EXPECT_EQ(BiDiModeFromLCID(0x0409), 0);
  EXPECT_EQ(BiDiModeFromLCID(0), 0);
}

TEST(LanguageFonts, RowsOfSameNamedTextLines) {
  TMyFontInfoList favourites;
  favourites.Add({178, 0x01, u"Noto Naskh Arabic"});
  const struct {
    const char16_t* file;
    const char16_t* excerpt;
    const char16_t* code;
    int32_t lcid, charset;
    const char16_t* font;
    bool rtl;
    const char16_t* text;
  } cases[] = {
      {u"/s/film.en_srt", u"the river", u"en", 0x09, 0, u"Serif", false, u".EN_SRT     \tthe river"},
      {u"/s/film.ar_srt", u"\u0627\u0644\u0646\u0647\u0631", u"ar", 0x01, 178, u"Noto Naskh Arabic", true,
       u".AR_SRT     \t\u0627\u0644\u0646\u0647\u0631"},
      {u"/s/film.ru_srt", u"\r\n  \u0440\u0435\u043A\u0430\r\nx ", u"ru", 0x19, 204, u"Serif", false,
       u".RU_SRT     \t   \u0440\u0435\u043A\u0430 x"},
      {u"/s/film.xq_srt", u"?", u"xq", 0, 0, u"Serif", false, u".XQ_SRT     \t?"},  // unknown: 0, 0, the default
  };
  for (const auto& c : cases) {
    const UString line = ParallelTextLine(c.file, c.excerpt);
    const TLanguageRow row = LanguageRowOf(line, c.file, favourites, u"Serif");
    EXPECT_EQ(row.code, c.code) << Utf16ToUtf8(c.file);
    EXPECT_EQ(row.lcid, c.lcid) << Utf16ToUtf8(c.file);
    EXPECT_EQ(row.charset, c.charset) << Utf16ToUtf8(c.file);
    EXPECT_EQ(row.font_name, c.font) << Utf16ToUtf8(c.file);
    EXPECT_EQ(row.right_to_left, c.rtl) << Utf16ToUtf8(c.file);
    EXPECT_EQ(row.text, c.text) << Utf16ToUtf8(row.text);
    EXPECT_EQ(row.source_file, c.file);
  }
  // A line shorter than eight characters gets its blanks at the end; a shorter extension before
  // its tab, so the excerpt keeps its words; line ends of any kind become blanks.
  EXPECT_EQ(LanguageRowOf(u" ab ", u"", favourites, u"Serif").text, u"ab     ");
  EXPECT_EQ(LanguageRowOf(ParallelTextLine(u"/s/film.txt", u"the river\nran"), u"", favourites, u"Serif").text,
            u".TXT     \tthe river ran");
  EXPECT_EQ(favourites.IndexOfLCID(0x01), 0);
  EXPECT_EQ(favourites.IndexOfLCID(0x09), -1);
  EXPECT_EQ(favourites.GetFontRecord(5).fontname, u"");
}

TEST(LanguageFonts, FavouritesFromTheUsersLanguages) {
  TLinguaTessor languages;
  Tfixed_lang_details32 ar{};
  ar.SetLCID(0x0401);
  ar.SetFontCharset(178);
  ar.SetFontName(u"Amiri");
  languages.AddALanguage(ar);
  Tfixed_lang_details32 en{};
  en.SetLCID(0x0809);
  languages.AddALanguage(en);
  TMyFontInfoList fonts;
  FillFavouriteFonts(languages, u"Serif", fonts);
  ASSERT_EQ(fonts.Count(), 2);
  EXPECT_EQ(fonts.GetFontRecord(0).TheLCID, 0x01);
  EXPECT_EQ(fonts.GetFontRecord(0).charset, 178);
  EXPECT_EQ(fonts.GetFontRecord(0).fontname, u"Amiri");
  EXPECT_EQ(fonts.GetFontRecord(1).TheLCID, 0x09);
  EXPECT_EQ(fonts.GetFontRecord(1).fontname, u"Serif");  // no font of its own: the text settings'
}
