// Decisions of a tool's main window that need no window: how the save question's answer
// turns into a result, the number-display setting behind the four menu items, when auto-save
// may run, the caption of a page, whether two names are one file, which rows a grid call-back
// may touch, the relative-entropy basis, where tool-bar controls go, and the values the main
// window keeps in the shared settings store.
//
// The save question: Yes saves; when the save fails the caller gets Cancel, so that a close or an
// open that goes on after "Yes" never throws unsaved results away.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/settings/settings_records.h"

// --- the save question ---------------------------------------------------------------------------

// answer: what the user pressed (mrYes, mrNo, mrCancel). Yes runs save: its success gives
// yes_result (mrOK for the plain question, mrYes for the one asked before losing data), its
// failure mrCancel. Any other answer is returned as it came.
int ResolveSaveAnswer(int answer, const std::function<bool()>& save, int yes_result);

// --- saving UTF-8 texts as Unicode --------------------------------------------------------------

// The run's question whether a UTF-8 text is saved as UTF-16 before it is read, one per run: Yes
// converts this text, No leaves it; "Yes to all" and "No to all" answer for the rest of the run
// without asking and clear the conversion options' ask bit (4) in the settings store, so later
// runs no longer ask.
std::function<bool(UStringView file_name)> Utf8ConversionQuestion();

// --- number display ------------------------------------------------------------------------------

// The menu tags of the number display: 105 percent, 106 per thousand, 107 per million, 108 default.
inline constexpr int kTagPercent = 105;
inline constexpr int kTagPerThousand = 106;
inline constexpr int kTagPerMillion = 107;
inline constexpr int kTagNumbersDefault = 108;
// The stored share kind a tag sets (0 default, 2 percent, 3 per thousand, 4 per million); -1 for
// another tag.
int NumberDisplayOfTag(int tag);
// The tag checked for a stored value; a stored 1 (an older encoding of percent) reads as percent,
// an unknown value as default.
int NumberDisplayTagOfValue(uint8_t stored);

// --- auto-save -----------------------------------------------------------------------------------

struct TAutoSaveState {
  bool has_data = false;
  bool has_own_name = false;  // the document's own file name, never a name chosen for a merge
  bool job_running = false;
  bool exporting = false;
};
// A tick saves only a loaded document that has its own name, and never during a job or an export.
bool AutoSaveMayRun(const TAutoSaveState& state);
// The timer's interval in milliseconds; 0 (off) without data or for 0 minutes or fewer.
int AutoSaveIntervalMs(int minutes, bool has_data);

// --- captions ------------------------------------------------------------------------------------

// "list type (file)": the file's name part, or the unsaved text when there is no file.
UString PageCaption(UStringView list_type_name, UStringView file_name);
// How the save question names a document: its file's name part, or "the unsaved concordance"
// (the list type's name in lower case) when it was never saved.
UString SaveQuestionName(UStringView list_type_name, UStringView file_name);
// A merged result: the current name without extension, " and ", the merged file's name part.
UString MergedCaption(UStringView current_name, UStringView merged_name);

// --- files ---------------------------------------------------------------------------------------

// True when both names reach the same existing file (symbolic links and ".." followed).
bool SameFile(UStringView a, UStringView b);
// True when the folder of name exists and a file can be made in it.
bool FolderIsWritable(UStringView folder);

// --- grid call-backs -----------------------------------------------------------------------------

// A list index a call-back may use: 0 <= index < count (the heading row gives -1).
inline bool RowIndexInRange(int64_t index, int64_t count) { return index >= 0 && index < count; }
// The relative-entropy basis typed by the user: a whole number of 2 or more (a logarithm to a
// basis of 0, 1 or below is infinite or undefined); nothing otherwise.
std::optional<int32_t> RelativeEntropyBasisFromText(UStringView text);
// The row a "go to row" lands on and the top row it shows (grid rows, row 0 the headings): the
// top row becomes row - 10 when row > 11 (else stays), the current row min(row + 1, rows - 1).
struct TGoToRow {
  int current = 1;
  std::optional<int> top;
};
TGoToRow GoToRowPlan(int row, int row_count);

// --- tool bar ------------------------------------------------------------------------------------

// One control of a tool bar panel as the layout sees it.
struct TToolbarControl {
  enum Kind : uint8_t { Button, KeepsHeight, Other } kind = Button;
  int width = 0;
  int height = 0;  // kept for KeepsHeight
};
struct TToolbarPlacement {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const TToolbarPlacement&) const = default;
};
// Lays the controls out from left to right: the panel is 1.8 image heights high, the gap is
// pixels per inch / 12; buttons fill the panel's height, combo and check boxes keep theirs, others
// take 0.9 of it; every control that is not a button is centred vertically. Answers the panel
// height and the right edge through out parameters.
std::vector<TToolbarPlacement> ArrangeToolbarControls(const std::vector<TToolbarControl>& controls,
                                                      int image_height, int pixels_per_inch, int& panel_height,
                                                      int& right_edge);

// --- the shared data module's flags ----------------------------------------------------------------

// Cleared when a run starts (the flag is the negation of the argument), so that windows know a
// result is being made.
void SetRunStartedFlag(bool value);
bool RunStartedFlag();

// --- values in the settings store ------------------------------------------------------------------

bool GetAskWhetherToSaveModifiedData();  // default on
void SetAskWhetherToSaveModifiedData(bool on);
int32_t GetAutoSaveMinutes();  // default 0: off
void SetAutoSaveMinutes(int32_t minutes);
// Bit 0: show the start dialog; bit 1: reopen the last file at start-up.
uint8_t GetStartupOptions();
void SetStartupOptions(uint8_t options);
// 0 type-in, 1 set categories, 2 editing data; per tool (0..31), default 0.
uint8_t GetKeyPressMode(uint8_t tool);
void SetKeyPressMode(uint8_t tool, uint8_t mode);
uint8_t GetTagVisibility();  // 0 hidden, 1 as prefix, 2 as suffix, 3 words hidden; default 0
void SetTagVisibility(uint8_t v);
uint8_t GetOpenAndSaveDialogOption();  // 0 the tool's own dialogs, 1 the desktop's; default 0
void SetOpenAndSaveDialogOption(uint8_t v);
// A window's last geometry under its name (left, top, width, height); nothing when none is kept.
std::optional<std::array<int32_t, 4>> GetFormGeometry(UStringView form_name);
void SetFormGeometry(UStringView form_name, const std::array<int32_t, 4>& rect);

// --- printing ------------------------------------------------------------------------------------

// How a grid is printed: header and footer (at most 80 characters each), the page in hundredths
// of a millimetre, orientation and colour (352 bytes in the store, layout in docs/formats.md). The
// printer itself is the store's printer record (TPrinterRec): an empty name there, or a printer no
// longer installed, means the PDF file printer, which every installation has.
struct TPrintPageRec : TByteRecord<352> {
  UString Header() const { return Chars<0, 81>(); }
  void SetHeader(UStringView s) { PutChars<0, 81>(s); }
  UString Footer() const { return Chars<162, 81>(); }
  void SetFooter(UStringView s) { PutChars<162, 81>(s); }
  int32_t PageWidth() const { return Get<int32_t, 324>(); }
  int32_t PageHeight() const { return Get<int32_t, 328>(); }
  void SetPageSize(int32_t width, int32_t height) {
    Put<int32_t, 324>(width);
    Put<int32_t, 328>(height);
  }
  // Left, top, right, bottom.
  std::array<int32_t, 4> Margins() const {
    return {Get<int32_t, 332>(), Get<int32_t, 336>(), Get<int32_t, 340>(), Get<int32_t, 344>()};
  }
  void SetMargins(const std::array<int32_t, 4>& m) {
    Put<int32_t, 332>(m[0]);
    Put<int32_t, 336>(m[1]);
    Put<int32_t, 340>(m[2]);
    Put<int32_t, 344>(m[3]);
  }
  bool Landscape() const { return Flag<348>(); }
  void SetLandscape(bool v) { PutFlag<348>(v); }
  bool Monochrome() const { return Flag<349>(); }
  void SetMonochrome(bool v) { PutFlag<349>(v); }
  bool HeaderWanted() const { return Flag<350>(); }
  void SetHeaderWanted(bool v) { PutFlag<350>(v); }
  bool FooterWanted() const { return Flag<351>(); }
  void SetFooterWanted(bool v) { PutFlag<351>(v); }
};
// A4 portrait, 15 mm margins, colour, no header or footer text.
TPrintPageRec DefaultPrintPageRec();
// The stored record; the default when none is stored or the stored one has no page size.
TPrintPageRec GetPrintPageRec();
void SetPrintPageRec(const TPrintPageRec& rec);
// The print dialog's title: "N pages" up to kPagesBeforeAsking pages, a warning from 11 on.
UString PrintDialogTitle(int32_t pages);
