#include "shell/settings/settings_commands.h"

#include <unistd.h>

#include "platform/lemmatiser/lemmatiser.h"
#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"

namespace {

constexpr size_t kFontNameUnits = 100;  // the record's field keeps 100 code units and a terminator

struct TCommandRow {
  uint16_t code;
  TSettingsCommand command;
};
constexpr TCommandRow kCommands[] = {
    {66, TSettingsCommand::Concordance},
    {67, TSettingsCommand::General},
    {72, TSettingsCommand::Index},
    {84, TSettingsCommand::PageSetup},
    {1130, TSettingsCommand::Font},
    {1230, TSettingsCommand::Language},
    {1260, TSettingsCommand::Colours},
    {1330, TSettingsCommand::Lists},  // "set up match method": the match list's words and their source
    {1460, TSettingsCommand::Lists},
    {1600, TSettingsCommand::Folders},
    {1790, TSettingsCommand::Tags},
    {2795, TSettingsCommand::Lists},  // yes to "No lemma list is loaded. Set one up now?"
    {4440, TSettingsCommand::Customise},
};

const TCommandRow* RowOf(uint16_t code) {
  for (const TCommandRow& r : kCommands)
    if (r.code == code) return &r;
  return nullptr;
}

bool ListLoads(const TLemmaMatchStopSettingsRec& r) { return r.Activated() && !r.FileName().empty(); }

}  // namespace

TSettingsCommand SettingsCommandOfCode(uint16_t code) {
  const TCommandRow* r = RowOf(code);
  return r ? r->command : TSettingsCommand::None;
}

// --- font ----------------------------------------------------------------------------------------

TDisplayFont DisplayFontOf(const TTextsett_rec32& settings) { return {settings.FontName(), settings.FontSize()}; }

bool ApplyDisplayFont(TTextsett_rec32& settings, const TDisplayFont& font, UString& problem) {
  if (font.name.empty()) {
    problem = u"no font name was given";
    return false;
  }
  if (font.name.size() > kFontNameUnits) {
    problem = u"the font name is longer than " + IntToUStr(static_cast<int64_t>(kFontNameUnits)) + u" characters";
    return false;
  }
  if (font.points < kMinFontPoints || font.points > kMaxFontPoints) {
    problem = u"a font size must be from " + IntToUStr(kMinFontPoints) + u" to " + IntToUStr(kMaxFontPoints) +
              u" points, not " + IntToUStr(font.points);
    return false;
  }
  Tfixed_lang_details32 language = settings.Language();
  language.SetFontName(font.name);
  language.SetFontSize(static_cast<uint8_t>(font.points));
  settings.SetLanguage(language);
  return true;
}

// --- folders -------------------------------------------------------------------------------------

TFolderChoice CurrentFolders(uint8_t tool) { return {GetUserReadWriteFolder(), GetDefaultFolder(tool)}; }

UString FolderProblem(UStringView caption, UStringView folder) {
  const UString what = UString(caption) + u" \"" + UString(folder) + u"\": ";
  if (folder.empty()) return UString(caption) + u": no folder was given";
  if (FileExists(folder)) return what + u"this is a file, not a folder";
  if (!DirectoryExists(folder) && !ForceDirectories(folder)) return what + u"the folder cannot be made";
  if (::access(ToFsPath(folder).c_str(), W_OK | X_OK) != 0) return what + u"the folder cannot be written to";
  return {};
}

std::vector<UString> ApplyFolders(uint8_t tool, const TFolderChoice& choice) {
  std::vector<UString> problems;
  for (const UString& p : {FolderProblem(u"User folder", choice.user_folder),
                           FolderProblem(u"Results folder", choice.results_folder)})
    if (!p.empty()) problems.push_back(p);
  if (!problems.empty()) return problems;
  SetUserReadWriteFolder(IncludeTrailingPathDelimiter(choice.user_folder));
  SetDefaultFolder(tool, IncludeTrailingPathDelimiter(choice.results_folder));
  return problems;
}

// --- lemma, match and stop lists -----------------------------------------------------------------

UString ListKindCaption(int kind) {
  switch (kind) {
    case 0: return u"Lemma list";
    case 1: return u"Match list";
    case 2: return u"Stop list";
    default: return u"List " + IntToUStr(kind);
  }
}

TListSettings CurrentListSettings(uint8_t tool) {
  TListSettings s;
  for (uint8_t k = 0; k < kLemmaMatchStopKinds; ++k) s[k] = GetLemmaMatchStopSettings(tool, k);
  return s;
}

std::vector<uint16_t> ListCodesForChange(const TListSettings& before, const TListSettings& after) {
  std::vector<uint16_t> codes;
  for (int k = 0; k < static_cast<int>(kLemmaMatchStopKinds); ++k) {
    const uint16_t load = static_cast<uint16_t>(234 + 2 * k);
    if (ListLoads(after[k])) codes.push_back(load);
    else if (ListLoads(before[k])) codes.push_back(load + 1);
  }
  return codes;
}

std::vector<UString> ApplyListSettings(uint8_t tool, const TListSettings& after, std::vector<uint16_t>& codes) {
  codes.clear();
  std::vector<UString> problems;
  for (int k = 0; k < static_cast<int>(kLemmaMatchStopKinds); ++k) {
    if (!after[k].Activated()) continue;
    if (k == lmsMatch && after[k].Kind() == kWordsTyped) {
      if (TrimU(after[k].TypedWords()).empty())
        problems.push_back(ListKindCaption(k) + u": switched on to use typed words, but none were typed");
      continue;
    }
    const UString file = after[k].FileName();
    if (file.empty()) problems.push_back(ListKindCaption(k) + u": switched on, but no file was given");
    else if (!FileExists(file)) problems.push_back(ListKindCaption(k) + u": the file \"" + file + u"\" does not exist");
  }
  if (!problems.empty()) return problems;
  const TListSettings before = CurrentListSettings(tool);
  for (uint8_t k = 0; k < kLemmaMatchStopKinds; ++k) SetLemmaMatchStopSettings(tool, k, after[k]);
  codes = ListCodesForChange(before, after);
  return problems;
}
