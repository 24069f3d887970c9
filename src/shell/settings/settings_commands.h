// The Settings menu's commands when no controller program runs. A tool posts each command to
// its controller as a code (1130 Font, 1600 Folders, 1460 the lemma, match and stop lists, ...);
// the in-process stand-in answers each with a small dialog of its own.
//
// The dialogs only gather the user's choices; what the choices mean for the settings store is
// decided here:
//   - Font: the display font (name and points) of the text settings' language block;
//   - Folders: the user's own read-write folder and the folder the tool saves results to by
//     default. Every folder must exist (or be made) and be writable; one bad folder and none is
//     stored, so a half-applied choice never happens;
//   - Lists: per list (lemma, match, stop) a switch and a file; the match list's words may be
//     typed instead (at most kMostTypedMatchCharacters, separated by commas). The records are stored, then the
//     tool is told by codes 234-241 which lists to load or clear: a list switched on with a
//     file is loaded again (an edited file is read afresh), a list switched off that was on is
//     cleared. A switched-on list whose file does not exist is refused with a message.
//   - Tags: the tag lists, header and text markers, the choice of texts and of parts of texts
//     (tag_settings_rules.h);
//   - Specific to this Tool: the concordancer's collocate, line, sampling and text-output
//     settings (concordance_settings_rules.h);
//   - Colours: the colours of percentages and of the tags to keep (colour_settings_rules.h);
//   - Customise: the right-click menu of the lists and the shortcuts (customise_rules.h);
//   - Index: the words, clusters and phrase frames of a corpus index, and its relationships
//     (index_settings_rules.h);
//   - General: the save question, auto-save, start-up and file dialogs (general_settings_rules.h);
//   - Page Setup (File menu): the printer, paper and margins of printing (page_setup_rules.h).
// After every dialog but the lists' the tool gets code 233 (settings changed) so it re-reads the store.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/settings/settings_records.h"

enum class TSettingsCommand : uint8_t {
  None, Font, Folders, Lists, Language, Tags, Concordance, Colours, Customise, Index, General, PageSetup
};

// What the stand-in does for a code posted by the Settings menu (None for other codes).
TSettingsCommand SettingsCommandOfCode(uint16_t code);

inline constexpr uint16_t kCodeSettingsChanged = 233;

// --- font ----------------------------------------------------------------------------------------

struct TDisplayFont {
  UString name;
  int points = 0;
  bool operator==(const TDisplayFont&) const = default;
};
inline constexpr int kMinFontPoints = 4;
inline constexpr int kMaxFontPoints = 72;
TDisplayFont DisplayFontOf(const TTextsett_rec32& settings);
// Puts the font into the settings record; false (the record untouched) with the reason when the
// name is empty or too long for the record, or the size is outside kMinFontPoints..kMaxFontPoints.
bool ApplyDisplayFont(TTextsett_rec32& settings, const TDisplayFont& font, UString& problem);

// --- folders -------------------------------------------------------------------------------------

struct TFolderChoice {
  UString user_folder;     // history, logs and lists
  UString results_folder;  // where this tool saves results by default
  bool operator==(const TFolderChoice&) const = default;
};
TFolderChoice CurrentFolders(uint8_t tool);
// Why a folder cannot be used (empty when it can); makes it when it is missing.
UString FolderProblem(UStringView caption, UStringView folder);
// Stores every folder, or none when any has a problem; the problems, one line each.
std::vector<UString> ApplyFolders(uint8_t tool, const TFolderChoice& choice);

// --- lemma, match and stop lists -----------------------------------------------------------------

using TListSettings = std::array<TLemmaMatchStopSettingsRec, kLemmaMatchStopKinds>;
// The three lists the dialog offers (the fourth kind keeps its record untouched).
inline constexpr int kListsOffered = 3;
// Where a list's words come from (the record's kind): its file, or the words typed in it.
inline constexpr uint8_t kWordsFromFile = 0;
inline constexpr uint8_t kWordsTyped = 1;
inline constexpr int kMostTypedMatchCharacters = 50;
UString ListKindCaption(int kind);  // "Lemma list", "Match list", "Stop list"

TListSettings CurrentListSettings(uint8_t tool);
// The codes that tell the tool what to do after the change, in kind order.
std::vector<uint16_t> ListCodesForChange(const TListSettings& before, const TListSettings& after);
// Checks the lists switched on (their file must exist, or, for typed match words, some words must
// be typed); when all pass, stores the records and
// answers the codes to post in codes. The problems, one line each; nothing stored when any.
std::vector<UString> ApplyListSettings(uint8_t tool, const TListSettings& after, std::vector<uint16_t>& codes);
