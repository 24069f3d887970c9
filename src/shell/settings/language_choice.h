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

// The locale identifier of a name: a favourite's name, else a language of the platform's
// table, case ignored; 0 when neither knows it.
int32_t LanguageValueOfName(UStringView name);
// Makes the language of that identifier the language of the text settings; false (nothing
// stored) with the reason for an identifier no one knows.
bool StoreChosenLanguage(int64_t value, UString& problem);
