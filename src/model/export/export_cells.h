// Grid cells turned into export output: plain text, XML, rich-text runs and spreadsheet cells.
//
// A list hands each cell as a TGrid_data_rec; these routines know nothing of the list's entries,
// only of the cell, the column's settings (TGrid_head32) and the export style colours. The
// concordance line (kind 6) is cut into left context, search word and right context; the
// search word starts where the cell's coloured pieces put it (its first non-tag piece at span
// position 50), else where the cell says.
//
// Spreadsheet cells are first built as a small HTML-like text ("<font color = "#RRGGBB">",
// "<b>", the entities &amp; &lt; &gt; &quot;) and that restricted form becomes the runs of a
// rich cell (HtmlCellToRuns).
#pragma once

#include <cstdint>
#include <vector>

#include "model/lists/result_list_base.h"
#include "platform/rtl/ustring.h"
#include "platform/spreadsheet/spreadsheet.h"

// --- the colours (BGR) and font the exports write in ---------------------------------------------

// The word-handling colour record of the search word in the lines (the first of Settings >
// Colours' words).
inline constexpr int32_t kSearchWordColourRecord = 3;
inline constexpr int32_t kExportMinFontPoints = 4, kExportMaxFontPoints = 72;

struct TExportStyleColours {
  int32_t base_text = 0x000000;
  int32_t search_word = 0x0000FF;   // red
  int32_t affix = 0x808080;
  int32_t heading = 0x800000;       // navy
  int32_t background = 0xFFFFFF;
  int32_t font_size = 12;
  UString font_name = u"Arial";
};
// What an export writes in: the search word in the current style's colour for it, the font the
// text settings name; the fields above where the settings give nothing usable.
TExportStyleColours ExportStyleColours();

// --- runtime text helpers --------------------------------------------------------------------

// The first letter of each word (after a blank, a hyphen or an opening bracket) in upper case.
UString TitleCasedString(UStringView s);
UString BracketedWith(UStringView s, UStringView open, UStringView close);
// Appends text after a separator when both line and text are non-empty.
void AddToListWithSeparatorIfNeeded(UString& line, UStringView text, UStringView separator);
// Fixed-point text with "." as the decimal mark; decimals clipped to 0..30.
UString FormattedWithDecimals(double value, int32_t decimals);
// The date of a Julian value ("yyyy-mm-dd hh:nn:ss").
UString JulianToStringRemovingConst(double julian);
UString TessorineControllerCaption();
// The words a heading ends with for a number kind (0 integer, 1 real: none; 2 "%",
// 3 "per 1,000,000", 4 "ratio").
UString NumberKindHeadingText(uint8_t kind);
// 6 hexadecimal digits RRGGBB of a BGR colour; an invalid colour gives the base text colour's.
UString ColourAsHex(int32_t bgr);

// --- cell rules ------------------------------------------------------------------------------

// The name an XML element gets from a heading ("#" num, "%" percent, letters, "_" and the
// Latin and Greek ranges kept, all else "_"); a positive number is appended. A name that would
// not begin with a letter or "_" (empty, a digit) begins with "_".
UString XMLElementName(UStringView heading, int32_t number);
// Text for XML content or attributes: & < > " escaped; characters XML 1.0 forbids (C0
// controls but tab, LF, CR; lone surrogates; U+FFFE, U+FFFF) become U+FFFD.
UString XmlEscaped(UStringView s);
// Heading cut before its first "%" or word "per ", the number kind's words appended, then
// title-cased.
UString HeadingWithNumberDisplay(UStringView heading, uint8_t kind);
// Makes the cell's text from its number when the cell asks for it.
void FormatCellForExport(TGrid_data_rec& cell);

// --- cells as a grid shows them --------------------------------------------------------------
// A grid, a copy and every export show a cell alike: its text with prefix and suffix when it has
// one, else its number, else nothing. A number is shown without decimals when it is a whole
// number (kind 0 with text made, or neither real nor given decimals), else with the cell's own
// decimals (at most 12), else with 2.
int32_t CellShownDecimals(const TGrid_data_rec& cell);
// The number as shown ("132", "10.88"); empty without a finite number.
UString CellNumberAsShown(const TGrid_data_rec& cell);
// A number as CellNumberAsShown gives it with its whole part in groups of three, separated by
// the user's thousands separator (a comma where that would be the decimal point): "3,059.25".
UString GroupedNumberText(UStringView shown);
UString CellTextAsShown(const TGrid_data_rec& cell);
// The value a spreadsheet cell gets for that number: the whole value, however many decimals its
// display format shows (0.0034 stays 0.0034 under a format of no decimals), as the shortest
// decimal of the float, so that no float's tail ("12.3400001525878") reaches the file.
double CellValueToStore(const TGrid_data_rec& cell);
// A plot cell's hits as text: each word position, with its context in brackets when one was
// kept, separated by "; ".
UString PlotPositionsText(const TGrid_data_rec& cell);

// --- a concordance line in three sections -------------------------------------------------------
// One road for every caller, the grid's cell here and the concordance list's own drawing (which
// finds the search word in its merged pieces): the line is split at the search word; with a start
// position above 1 (a sentence-only view) the left context runs from there without its leading
// blanks and the right one loses its trailing blanks; otherwise each side keeps the half of the
// export characters nearest the search word (export setting 0: whole), never half a pair.

struct TThreeSectionsOFConcLine {
  UString left, centre, right;
};
using TCellSections = TThreeSectionsOFConcLine;
// The same sections as views into the line's text (valid while the text is unchanged).
struct TCellSectionViews {
  UStringView left, centre, right;
};
// centre_start is 0-based; start and length are clipped to the text.
TCellSectionViews ConcLineSectionViews(UStringView text, int32_t centre_start, int32_t centre_length,
                                       int32_t start_position, int32_t export_setting);
TCellSectionViews ConcLineSectionViews(const TGrid_data_rec& cell, int32_t export_setting);
// The search word's start (0-based) as the cell's pieces put it, else as the cell says.
int32_t CellCentreStart(const TGrid_data_rec& cell);
// The line in three sections; export_setting 0: whole, else half of it on each side.
TCellSections ConcLinein3Sections(const TGrid_data_rec& cell, int32_t export_setting);
// The characters of a line in text-only export: the setting when it is non-zero or flag is set,
// otherwise default_characters (so a setting of 0 exports lines whole). The first form reads the
// settings store.
int32_t ConcCharactersToExport(bool flag, int32_t default_characters);
int32_t ConcCharactersToExport(int32_t setting, bool flag, int32_t default_characters);

// A cell's text in text output: a concordance line's sections, a text with its affixes, a
// plot's hit positions, a number as a grid shows it.
UString DoExportaCellToTXT(TGrid_data_rec& cell, int32_t export_setting);
// The same text appended to out (no text made on the way).
void AppendCellAsTXT(TGrid_data_rec& cell, int32_t export_setting, UString& out, bool grouped = false);
// The same with a concordance line whole.
UString CellTextForExport(TGrid_data_rec& cell, bool grouped = false);
inline constexpr uint8_t kExportKindNumber = 1;
inline constexpr uint8_t kExportKindPlotPositions = 2;
inline constexpr uint8_t kExportKindTimeLine = 4;
// A time-line cell spreads over one column per period in text output (a file, the clipboard): a
// row's cell gives each period's hits, the heading row's cell each period's date heading, tab
// between them, so that every count stands under its period. False for any other cell, or one
// without periods.
bool HasTimelineColumns(const TGrid_data_rec& cell);
UString TimelineColumnsText(const TGrid_data_rec& cell);
// One element: "<name>escaped text</name>"; a time-line row's cell holds one element a period,
// "<period date="heading">hits</period>".
UString DoExportaCellToXML(const TGrid_data_rec& cell, UStringView heading, int32_t column);

// Up to three coloured segments: prefix (affix colour), text (the cell's colour when it has
// one, else the base text colour), suffix (affix colour); empty ones left out.
struct TColouredSegment {
  UString text;
  int32_t colour = 0;
};
std::vector<TColouredSegment> DataStringSegments(const TGrid_data_rec& cell);
UString ColouredSegmentsAsHTML(const TGrid_data_rec& cell);
UString ConcLineAsHTML(const TCellSections& sections, int32_t search_word_colour);
// The restricted HTML of the two builders above as rich runs (unknown tags kept as text).
std::vector<TSpreadsheetRun> HtmlCellToRuns(UStringView html);
// The runs HtmlCellToRuns(ConcLineAsHTML(sections, colour)) gives, made straight from the
// sections into runs (their room reused): an export writes a million of them. run_colour is
// what the HTML route makes of the colour (ConcLineRunColour, once per export).
int32_t ConcLineRunColour(int32_t search_word_colour);
void ConcLineRuns(const TCellSectionViews& sections, int32_t run_colour, std::vector<TSpreadsheetRun>& runs);

// The spreadsheet format of a column (number format from its decimals, alignment from its
// kind, colours from the column or the style).
// A number is right-aligned in any column (numbers true), as a grid shows it.
int32_t DefinedFormatForGridDataRec(const TGrid_head32& heading, bool numbers = false);
int32_t DefaultNumberFormat();
// "#,##0" or "#,##0." and decimals zeros.
UString NumberFormatForDecimals(int32_t decimals);
