#include "shell/settings/language_choice.h"

#include <algorithm>

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

std::vector<UString> NamesOfLanguagesToOffer() {
  std::vector<UString> out;
  auto listed = [&out](UStringView name) {
    for (const UString& n : out)
      if (SameNameIgnoringCase(n, name)) return true;
    return false;
  };
  for (const Tfixed_lang_details32& d : FavouriteLanguages())
    if (!d.LanguageName().empty() && !listed(d.LanguageName())) out.push_back(d.LanguageName());
  std::vector<UString> others;
  for (const TLanguageIdInfo& info : KnownLanguageIds()) {
    const UString name = Utf8ToUtf16(info.english_name);
    if (!name.empty() && !listed(name)) others.push_back(name);
  }
  std::sort(others.begin(), others.end(), [](const UString& a, const UString& b) { return FoldCaseU(a) < FoldCaseU(b); });
  others.erase(std::unique(others.begin(), others.end()), others.end());
  out.insert(out.end(), others.begin(), others.end());
  return out;
}

UString GetNamesOfLanguagesToOffer() {
  UString names;
  for (const UString& n : NamesOfLanguagesToOffer()) {
    if (!names.empty()) names += u'\t';
    names += n;
  }
  return names;
}

int CurrentCodePageChoice() {
  const Tfixed_lang_details32 language = GetTextSettings().Language();
  const int own = DefaultCodePageOfLCID(static_cast<TLCID>(language.LCID()));
  return language.WindowsCodePage() == 0 || language.WindowsCodePage() == own ? 0 : language.WindowsCodePage();
}

int32_t LanguageValueOfName(UStringView name) {
  const UString wanted = TrimU(name);
  if (wanted.empty()) return 0;
  for (const Tfixed_lang_details32& d : FavouriteLanguages())
    if (SameNameIgnoringCase(d.LanguageName(), wanted)) return d.LCID();
  for (const TLanguageIdInfo& info : KnownLanguageIds())
    if (SameNameIgnoringCase(Utf8ToUtf16(info.english_name), wanted)) return static_cast<int32_t>(info.lcid);
  // The language without its country: its main variety, else the first the table has.
  const UString prefix = FoldCaseU(wanted + u" (");
  int32_t first = 0;
  for (const TLanguageIdInfo& info : KnownLanguageIds()) {
    const UString known = FoldCaseU(Utf8ToUtf16(info.english_name));
    if (known.compare(0, prefix.size(), prefix) != 0) continue;
    if ((info.lcid >> 10) == 1) return static_cast<int32_t>(info.lcid);
    if (first == 0) first = static_cast<int32_t>(info.lcid);
  }
  return first;
}

std::span<const TCodePageChoice> CodePageChoices() {
  static constexpr TCodePageChoice kChoices[] = {
      {0, u"the language's own"},
      {1250, u"Windows-1250 (Central European)"},
      {1251, u"Windows-1251 (Cyrillic)"},
      {1252, u"Windows-1252 (Western European)"},
      {1253, u"Windows-1253 (Greek)"},
      {1254, u"Windows-1254 (Turkish)"},
      {1255, u"Windows-1255 (Hebrew)"},
      {1256, u"Windows-1256 (Arabic)"},
      {1257, u"Windows-1257 (Baltic)"},
      {1258, u"Windows-1258 (Vietnamese)"},
      {28591, u"ISO-8859-1 (Western European)"},
      {28592, u"ISO-8859-2 (Central European)"},
      {28593, u"ISO-8859-3 (South European)"},
      {28594, u"ISO-8859-4 (Baltic)"},
      {28595, u"ISO-8859-5 (Cyrillic)"},
      {28596, u"ISO-8859-6 (Arabic)"},
      {28597, u"ISO-8859-7 (Greek)"},
      {28598, u"ISO-8859-8 (Hebrew)"},
      {28599, u"ISO-8859-9 (Turkish)"},
      {28603, u"ISO-8859-13 (Baltic)"},
      {28605, u"ISO-8859-15 (Western European with the euro)"},
      {20866, u"KOI8-R (Russian)"},
      {21866, u"KOI8-U (Ukrainian)"},
      {437, u"DOS 437 (United States)"},
      {850, u"DOS 850 (Western European)"},
  };
  return kChoices;
}

int64_t LanguageChoiceValue(int32_t lcid, int code_page) {
  return static_cast<int64_t>(static_cast<uint32_t>(lcid)) | (static_cast<int64_t>(code_page) << 32);
}

bool StoreChosenLanguage(int64_t value, UString& problem) {
  const int64_t identifier = value & 0xFFFFFFFF;
  const int64_t code_page = value >> 32;
  if (value <= 0 || identifier <= 0 || identifier > INT32_MAX) {
    problem = u"no language has the identifier " + IntToUStr(identifier);
    return false;
  }
  bool offered = false;
  for (const TCodePageChoice& c : CodePageChoices()) offered = offered || c.code_page == code_page;
  if (!offered) {
    problem = u"the code page " + IntToUStr(code_page) + u" is not one texts can be read in";
    return false;
  }
  const auto lcid = static_cast<int32_t>(identifier);
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
      problem = u"no language has the identifier " + IntToUStr(identifier);
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
  if (code_page != 0) chosen.SetWindowsCodePage(static_cast<uint16_t>(code_page));
  settings.SetLanguage(chosen);
  SetTextSettings(settings);
  return true;
}
