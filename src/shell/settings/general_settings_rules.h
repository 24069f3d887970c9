// The General settings without a window: what every tool's main window does around its
// documents, as the store keeps it:
//   - whether closing (or replacing) a changed document first asks to save it;
//   - every how many minutes a document that has its own file is saved again (0: never);
//   - whether start-up without a file named on the command line reopens the last file used;
//   - which open and save dialogs the window shows: the program's own or the desktop's;
//   - texts: whether texts on network shares are looked at when their existence is checked
//     (otherwise their state shows as not checked), whether a list of texts that another tool
//     hands over leaves out ".html" files (texts with three-letter extensions only), and whether
//     a run asks what to do with a UTF-8 text (the question that "Yes to all" or "No to all"
//     silences for later runs);
//   - whether a concordance made for another tool's request asks to be saved when it is closed
//     (the run's own question; the question above is for documents a user made);
//   - whether the program keeps a log, and the file it keeps it in (after OK the window switches
//     the log on or off at once, and a command line's "/log" leaves its choice here too);
//   - whether the word boxes apply the user's dead keys ("customised deadkeys.dat" in the user's
//     folder: lines "dead key, letter, result").
// ApplyGeneralSettings checks every field first; one bad value and nothing is written, and each
// problem names its field. After OK the window re-reads the store (code 233), so a new auto-save
// interval holds from then on.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

inline constexpr int32_t kMostAutoSaveMinutes = 24 * 60;
// Bit of the start-up options: reopen the last file used.
inline constexpr uint8_t kStartupReopensLastFile = 2;
// Bits of the text conversion options: a run may ask, and asks, about a UTF-8 text.
inline constexpr uint32_t kMayAskAboutUtf8 = 4;
inline constexpr uint32_t kAsksAboutUtf8 = 8;

enum class TFileDialogKind : uint8_t { Own = 0, Desktop = 1 };
inline constexpr int kFileDialogKinds = 2;

struct TGeneralSettingsChoice {
  bool ask_to_save = true;
  int32_t auto_save_minutes = 0;
  bool reopen_last_file = false;
  int file_dialogs = 0;  // a TFileDialogKind
  bool check_network_texts = false;
  bool three_letter_extensions_only = false;
  bool ask_about_utf8 = true;
  bool ask_to_save_run = true;
  bool logging = false;
  UString log_file;
  bool dead_keys = false;
  bool operator==(const TGeneralSettingsChoice&) const = default;
};

// "the program's own", "the desktop's".
UString FileDialogKindCaption(int kind);

TGeneralSettingsChoice CurrentGeneralSettings();
// Whether a log can be kept in the file: it is made (with its folder) when missing.
bool CanKeepLogIn(UStringView file_name);
// The problems, one line each naming its field; empty when everything was stored.
std::vector<UString> ApplyGeneralSettings(const TGeneralSettingsChoice& choice);
