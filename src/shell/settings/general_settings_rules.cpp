#include "shell/settings/general_settings_rules.h"

#include <cstdio>

#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"
#include "shell/main_window/main_window_rules.h"

UString FileDialogKindCaption(int kind) {
  switch (kind) {
    case 0: return u"the program's own";
    case 1: return u"the desktop's";
    default: return {};
  }
}

bool CanKeepLogIn(UStringView file_name) {
  if (file_name.empty() || DirectoryExists(file_name)) return false;
  // A file that does not exist yet is made (with its folder), as keeping the log would make it; one
  // that does is opened to add to and left as it is.
  ForceDirectories(ExtractFilePath(file_name));
  std::FILE* f = std::fopen(Utf16ToUtf8(file_name).c_str(), "ab");
  if (!f) return false;
  std::fclose(f);
  return true;
}

TGeneralSettingsChoice CurrentGeneralSettings() {
  TGeneralSettingsChoice c;
  c.ask_to_save = GetAskWhetherToSaveModifiedData();
  c.auto_save_minutes = GetAutoSaveMinutes();
  c.reopen_last_file = (GetStartupOptions() & kStartupReopensLastFile) != 0;
  c.file_dialogs = GetOpenAndSaveDialogOption() == 1 ? 1 : 0;
  c.check_network_texts = GetUNCNetworkFilesChecking();
  c.three_letter_extensions_only = GetRestrictTo3LetterExtensions();
  const uint32_t conversion = GetTextConversionOptions();
  c.ask_about_utf8 = (conversion & (kMayAskAboutUtf8 | kAsksAboutUtf8)) == (kMayAskAboutUtf8 | kAsksAboutUtf8);
  c.ask_to_save_run = GetAskWhetherToSaveRunConcData();
  c.logging = GetLogging();
  c.log_file = GetTheLogFilename();
  c.dead_keys = GetDeadKeyListCustomised();
  return c;
}

std::vector<UString> ApplyGeneralSettings(const TGeneralSettingsChoice& c) {
  std::vector<UString> problems;
  if (c.auto_save_minutes < 0 || c.auto_save_minutes > kMostAutoSaveMinutes)
    problems.push_back(u"Auto-save every: " + IntToUStr(c.auto_save_minutes) + u" minutes is not from 0 to " +
                       IntToUStr(kMostAutoSaveMinutes));
  if (c.file_dialogs < 0 || c.file_dialogs >= kFileDialogKinds)
    problems.push_back(u"Open and save dialogs: " + IntToUStr(c.file_dialogs) + u" is no choice");
  const UString log_file = TrimU(c.log_file);
  if (c.logging && log_file.empty()) problems.push_back(u"Log file: name the file the log is kept in");
  else if (c.logging && !CanKeepLogIn(log_file))
    problems.push_back(u"Log file: " + log_file + u" cannot be written");
  if (!problems.empty()) return problems;
  SetAskWhetherToSaveModifiedData(c.ask_to_save);
  SetAutoSaveMinutes(c.auto_save_minutes);
  // The start-up bits this dialog does not show stay as they are.
  uint8_t options = GetStartupOptions();
  options = static_cast<uint8_t>(c.reopen_last_file ? (options | kStartupReopensLastFile)
                                                    : (options & ~kStartupReopensLastFile));
  SetStartupOptions(options);
  SetOpenAndSaveDialogOption(static_cast<uint8_t>(c.file_dialogs));
  SetUNCNetworkFilesChecking(c.check_network_texts);
  SetRestrictTo3LetterExtensions(c.three_letter_extensions_only);
  // Off is what "No to all" leaves (asking no longer allowed); the other bits stay.
  const uint32_t conversion = GetTextConversionOptions();
  SetTextConversionOptions(c.ask_about_utf8 ? (conversion | kMayAskAboutUtf8 | kAsksAboutUtf8)
                                            : (conversion & ~kMayAskAboutUtf8));
  SetAskWhetherToSaveRunConcData(c.ask_to_save_run);
  SetLogging(c.logging);
  SetTheLogFilename(log_file);
  SetDeadKeyListCustomised(c.dead_keys);
  return problems;
}
