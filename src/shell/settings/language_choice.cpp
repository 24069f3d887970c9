#include "shell/settings/language_choice.h"

#include "model/reading/text_languages.h"
#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/settings_defaults.h"
#include "platform/text/text_services.h"

namespace {

constexpr char16_t kLanguagesFile[] = u"languages.txt";

bool SameNameIgnoringCase(UStringView a, UStringView b) { return FoldCaseU(a) == FoldCaseU(b); }

Tfixed_lang_details32 LanguageFromTable(int32_t lcid) {
  Tfixed_lang_details32 d = DefaultLanguage();
  d.SetLCID(lcid);
  d.SetLanguageName(LanguageNameOfLCID(lcid).substr(0, 50));
  d.SetWindowsCodePage(static_cast<uint16_t>(DefaultCodePageOfLCID(static_cast<TLCID>(lcid))));
  d.SetPreference(kLangAvailable);
  return d;
}

}  // namespace

std::vector<Tfixed_lang_details32> FavouriteLanguages() {
  std::vector<Tfixed_lang_details32> out;
  const TLinguaTessor& global = GlobalLinguaTessor();
  if (global.Count() > 0) {
    for (int32_t i = 0; i < global.Count(); ++i) out.push_back(global.GetALanguage(i));
    return out;
  }
  TLinguaTessor from_file;
  const UString file = GetUserReadWriteFolder() + kLanguagesFile;
  if (FileExists(file) && from_file.LoadedFromFile(file) && from_file.Count() > 0) {
    for (int32_t i = 0; i < from_file.Count(); ++i) out.push_back(from_file.GetALanguage(i));
    return out;
  }
  const Tfixed_lang_details32 current = GetTextSettings().Language();
  if (current.LCID() > 0 && !current.LanguageName().empty()) out.push_back(current);
  if (current.LCID() != static_cast<int32_t>(kLCID_EnglishUS)) out.push_back(LanguageFromTable(kLCID_EnglishUS));
  return out;
}

UString GetNamesOfFavouriteLanguages() {
  UString names;
  for (const Tfixed_lang_details32& d : FavouriteLanguages()) {
    if (!names.empty()) names += u'\t';
    names += d.LanguageName();
  }
  return names;
}

UString CurrentLanguageName() { return GetTextSettings().LanguageName(); }

int32_t LanguageValueOfName(UStringView name) {
  const UString wanted = TrimU(name);
  if (wanted.empty()) return 0;
  for (const Tfixed_lang_details32& d : FavouriteLanguages())
    if (SameNameIgnoringCase(d.LanguageName(), wanted)) return d.LCID();
  for (const TLanguageIdInfo& info : KnownLanguageIds())
    if (SameNameIgnoringCase(Utf8ToUtf16(info.english_name), wanted)) return static_cast<int32_t>(info.lcid);
  return 0;
}

bool StoreChosenLanguage(int64_t value, UString& problem) {
  if (value <= 0 || value > INT32_MAX) {
    problem = u"no language has the identifier " + IntToUStr(value);
    return false;
  }
  const auto lcid = static_cast<int32_t>(value);
  Tfixed_lang_details32 chosen;
  bool found = false;
  for (const Tfixed_lang_details32& d : FavouriteLanguages())
    if (d.LCID() == lcid) {
      chosen = d;
      found = true;
      break;
    }
  if (!found) {
    const TLanguageIdInfo* info = LanguageIdInfoOf(static_cast<TLCID>(lcid));
    if (!info) {
      problem = u"no language has the identifier " + IntToUStr(value);
      return false;
    }
    chosen = LanguageFromTable(static_cast<int32_t>(info->lcid));
  }
  TTextsett_rec32 settings = GetTextSettings();
  // The display font stays the user's unless a favourite brings its own.
  if (!found || chosen.FontName().empty()) {
    const Tfixed_lang_details32 before = settings.Language();
    chosen.SetFontName(before.FontName());
    chosen.SetFontSize(before.FontSize());
    chosen.SetFontCharset(before.FontCharset());
  }
  settings.SetLanguage(chosen);
  SetTextSettings(settings);
  return true;
}
