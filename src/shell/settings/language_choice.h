// The languages the chooser offers and what choosing one does, without any window.
//
// The favourite languages are the ones the user has set up: the process's language list when it
// holds any, else the languages file "languages.txt" in the user's own folder (see
// model/text_languages.h for its layout), else the language of the text settings followed by
// English (United States). A choice travels to the controller as code 1230 with the language's
// locale identifier as its value; the controller stores the language in the text settings and
// confirms with 701. A favourite with that identifier gives its whole record (font, code pages,
// extra symbols); any other known identifier gives a record built from the language table.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/settings/settings_records.h"

inline constexpr uint16_t kCodeLanguageChoice = 1230;
inline constexpr uint16_t kCodeLanguageConfirmed = 701;

std::vector<Tfixed_lang_details32> FavouriteLanguages();
// Their names joined by tabs, as the chooser's alternatives.
UString GetNamesOfFavouriteLanguages();
// The name of the language the text settings use now.
UString CurrentLanguageName();

// What the chooser lists: the favourites' names, then every other language of the platform's
// table in alphabetical order.
std::vector<UString> NamesOfLanguagesToOffer();
UString GetNamesOfLanguagesToOffer();  // joined by tabs

// The locale identifier of a name: a favourite's name, else a language of the platform's
// table, case ignored; a name without its country ("Russian") names the language's main
// variety (the table's sub-language 1, "Russian (Russia)"), else its first. 0 when no one
// knows it.
int32_t LanguageValueOfName(UStringView name);

// The code pages that 8-bit texts can be read in, each with its name; code page 0 stands for
// the language's own (Windows-1251 for Russian, Windows-1252 for English).
struct TCodePageChoice {
  int code_page;
  const char16_t* name;
};
std::span<const TCodePageChoice> CodePageChoices();
// The value that carries a chosen language and code page to the controller: the identifier in
// the low 32 bits, the code page (0: the language's own) above them.
int64_t LanguageChoiceValue(int32_t lcid, int code_page);
// The choice the chooser starts from: the text settings' code page when it is not the
// language's own, else 0.
int CurrentCodePageChoice();

// Makes the language of that value the language of the text settings, with the code page the
// value carries (when not 0) as the code page its 8-bit texts are read in; false (nothing
// stored) with the reason for an identifier no one knows or a code page not offered.
bool StoreChosenLanguage(int64_t value, UString& problem);
