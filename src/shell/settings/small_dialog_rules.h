// What the small dialogs decide, without a window: reading a typed number, the frequency list of
// phrases, the column list offered for collocate relations, the clipboard choices, the language
// alternatives, the label of the file-name search box and the lemma-form grid.
//
// Every check that a dialog makes on OK answers with a message naming what was typed; a window
// that gets a message shows it, keeps itself open and changes nothing.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/settings/settings_records.h"

// --- typed numbers ----------------------------------------------------------------------------

// The text (blanks around it allowed) as a whole number; -1 for anything else, also for an empty
// text or one beyond 32 bits.
int32_t ValueAsInteger(UStringView text);

struct TNumberInput {
  bool ok = false;
  int32_t value = 0;
  UString message;  // why the text was refused; empty when ok
};
// A typed number within [lowest, highest]: an empty text, a text that is not a whole number or a
// number out of range is refused with a message naming the text and the range.
TNumberInput CheckNumberInput(UStringView text, int32_t lowest, int32_t highest);

// --- the frequency of a search phrase ---------------------------------------------------------

// Lines "phrase=frequency"; a phrase not seen before stands alone, without "=".
struct TPhraseFrequencies {
  std::vector<UString> lines;
  int selected = -1;
};
// The phrase's known frequency (0 when unknown or when its value is not a whole number). The
// phrase's line is selected; a phrase without a line gets one (without a value).
int32_t KnownFrequency(TPhraseFrequencies& list, UStringView phrase);
// OK: the selected line becomes "phrase=value". A value that is not a whole number from 0 to
// 1,000,000, or nothing selected, is refused and the list is left as it was.
TNumberInput StoreFrequency(TPhraseFrequencies& list, UStringView phrase, UStringView value_text);

// --- collocate relations against a word list --------------------------------------------------

// The headers offered as "column for relation" start at this header index.
inline constexpr int kFirstRelationHeader = 15;
// The list position to select for a header column, with header_count headers: column - 15,
// kept within the list; -1 when the list is empty (15 headers or fewer).
int RelationColumnListIndex(int header_column, int header_count);
// The header column a list position stands for; -1 for no position.
int RelationHeaderOfListIndex(int list_index);

// --- clipboard choices ------------------------------------------------------------------------

// The "Include" items in the order shown.
enum : int { kClipPicture = 0, kClipEditableText = 1, kClipNumberColumn = 2, kClipHeadingRow = 3 };
std::array<bool, 4> ClipboardChecksOf(const TClipboardSettingsRec& rec);
// Only the four bytes of the choices change; the other 20 pass through.
void PutClipboardChecks(TClipboardSettingsRec& rec, const std::array<bool, 4>& checks);
// The characters-per-line box is used only for editable text.
inline bool ClipboardCharactersEnabled(const std::array<bool, 4>& checks) { return checks[kClipEditableText]; }
inline constexpr int32_t kClipboardCharactersLowest = 20;
inline constexpr int32_t kClipboardCharactersHighest = 100000;

// --- text language ----------------------------------------------------------------------------

// The alternatives in a tab-separated text (empty pieces dropped).
std::vector<UString> SplitAtTabs(UStringView text);
// The position of the current language among them; -1 when it is not there. The Change button
// is enabled only at a position.
int LanguageAlternativeIndex(const std::vector<UString>& alternatives, UStringView current);

// --- renaming file names ----------------------------------------------------------------------

// The search box's label: with the choice enabled, "the filename only" (item 1) searches the file
// name, any other item the path; with the choice disabled, the whole path and file name.
UString FilenameSearchLabel(bool choice_enabled, int item);

// --- the set-column editor's history ---------------------------------------------------------

// Values given before are offered again, the newest first, each once, at most this many.
inline constexpr size_t kSetHistoryMost = 20;
// The values kept in the file, one a line; none when it is missing, too big or not text.
std::vector<UString> ReadSetValueHistory(UStringView file_name);
// Puts value first in the file's history (an empty value changes nothing); false when the file
// could not be written (the old one is kept).
bool KeepSetValueInHistory(UStringView file_name, UStringView value);

// --- lemma forms ------------------------------------------------------------------------------

struct TLemmaForm {
  UString form;
  int32_t frequency = 0;
};
// A cell of the forms grid: row 0 is the heading row (empty here), row r the form r - 1; column 0
// the form, any other the frequency; outside the list empty.
UString LemmaFormCell(const std::vector<TLemmaForm>& forms, int column, int row);
// Column 0 sorts by form, any other by frequency (ties by form, so the order is always the same).
void SortLemmaForms(std::vector<TLemmaForm>& forms, int column, bool descending);
