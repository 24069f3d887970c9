// What the save-as dialog for lists decides, without a window: which rows and columns go out
// (as number-range texts the user may edit), the format, its file filter and extension, the XML
// wrapper, and the checks and backup made on OK.
//
// Use: make a TSaveAsModel from the grid's shape and the export settings kept from the last use;
// show RowText/ColumnText and the flags; after each change of a "selection only", "include
// numbers" or "include headings" box call the matching Recompute; on a format change SetFormat.
// Accept() checks everything; only when it answers kSaveAsAccepted is anything stored or written
// (the kept settings, and a copy of an existing file under its ".bak" name). The export then saves
// into the file itself as every save does (platform/rtl/safe_save.h): through a link into the file
// it names, keeping its mode; a file that cannot be saved over (write-protected, not a plain file)
// is refused by Accept, with a message naming it, before the question and the backup.
//
// Numbering: grid row 0 holds the headings, rows 1 .. header_rows further heading rows, the data
// after them; the texts show rows as they are and columns from 1 (grid column 0 is "1"). Last
// rows and columns are inclusive, as the exporters read them.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

class TVXBaseHolder;
class TVXBaseLemmaMatchCapableList;

enum TSaveAsFormat : int {
  kSaveAsPlainText = 0,
  kSaveAsXML = 1,
  kSaveAsSpreadsheet = 2,
  kSaveAsRichText = 3,
  kSaveAsListOwnType = 4,
  kSaveAsAny = 5,
};
inline constexpr int kSaveAsFormatCount = 6;

// Kept between uses (one per process).
struct TExportSettings {
  bool thousands_separator = true;
  bool with_numbers = true;
  bool with_headings = true;
  bool all_rows = true;
  bool all_columns = true;
  int format = kSaveAsPlainText;
  int32_t first_row = 0, first_column = 0, last_row = 0, last_column = 0;
  std::vector<int32_t> columns;  // grid columns; empty: all
  std::vector<int32_t> rows;     // grid rows; empty: all
  UString separator = u"\t";
  UString file_name;
};
TExportSettings& KeptExportSettings();

struct TGridRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct TSaveAsSetup {
  int32_t characters = 10;  // context characters of a concordance line
  UString file_name;        // suggested; empty keeps the kept one
  TGridRect selection;
  int32_t columns = 0;
  int32_t rows = 0;
  uint8_t grid_kind = 0;    // 8: transposed (columns and rows exchanged)
  uint8_t list_type = 0;
  int32_t header_rows = 0;
  uint8_t tool = 0;
  // Put before a name without a folder when neither it nor the kept settings name one.
  UString default_folder;
};
inline constexpr uint8_t kTransposedGridKind = 8;

class TVXBaseDataClass;
// The name the dialog offers for a list of a document: the document's file name with its
// extension replaced by "_" and the name of the list's type ("/texts/corpus.cnc" on the
// collocates page gives "/texts/corpus_Collocates"). A document never saved has no file name, so
// the offer is that part alone ("_Collocates"), which the tool's default folder then takes in.
UString SaveAsNameForDocument(UStringView document_name, uint8_t list_type);

// The dialog's set-up for a grid showing list: the grid's rows as it numbers them (the heading
// row 0, then data rows 1 .. TotalRowCount), its columns in the order of its layout (the column
// choice names their places, model/grid_headings.h LaidOutColumns), the cell the user is on
// (current_column a list column; 0 or less: the first), the characters of a concordance line the
// store keeps for text output, the name offered for the document's file (SaveAsNameForDocument)
// and the tool's default folder.
TSaveAsSetup SaveAsSetupForList(const TVXBaseDataClass& list, uint8_t list_type, uint8_t grid_kind, uint8_t tool,
                                int32_t current_row, int32_t current_column, UStringView document_name);
// The tool whose lists show every column, its first too, when numbers are left out.
inline constexpr uint8_t kToolExportingFirstColumn = 4;

// One entry of the file dialog's filter.
struct TSaveAsFilter {
  UString description;  // "Text files (*.txt)"
  UString patterns;     // "*.txt" ("*.xls;*.xlsx")
};
// The filter of a list type; entry i is format i.
std::vector<TSaveAsFilter> SaveAsFilters(uint8_t list_type);
// The extension (with its dot) a format writes; empty for "any".
UString DefaultExtFromSaveAsFormat(int format, uint8_t list_type);
// The name given the format's extension; "any" and an empty name leave it alone.
UString FileNameForSaveAsFormat(UStringView name, int format, uint8_t list_type);
// The dialog's caption for the format.
UString SaveAsCaption(int format, uint8_t list_type);
// "<?xml ...?>" CR LF "<name>" CR LF, and CR LF "</name>", the name made from the list's signature.
UString SaveAsTopXML(uint8_t list_type);
UString SaveAsBottomXML(uint8_t list_type);

// "a" or "a-b".
UString NumberRangeText(int32_t first, int32_t last);

enum TSaveAsOutcome { kSaveAsAccepted, kSaveAsRefused };

class TSaveAsModel {
 public:
  TSaveAsModel(const TSaveAsSetup& setup, const TExportSettings& kept);

  // The dialog's fields.
  UString file_name;
  int format = kSaveAsPlainText;
  UString row_text, column_text;
  bool rows_selection_only = false, columns_selection_only = false;
  bool with_numbers = true, with_headings = true, thousands_separator = true;
  bool tab_separator = true;
  UString separator_text;
  int32_t characters = 10;
  UString initial_folder;  // put before a name typed without a folder

  int32_t Columns() const { return columns_; }
  int32_t Rows() const { return rows_; }
  uint8_t ListType() const { return setup_.list_type; }
  bool ShowsCharacters() const;
  // The caption of the headings box: with header rows it names them too.
  UString HeadingsCaption() const;
  UString Caption() const { return SaveAsCaption(format, setup_.list_type); }

  void RecomputeRowText();
  void RecomputeColumnText();
  void SetFormat(int new_format);

  // Checks the name, folder and texts, and an existing file, asks before overwriting and makes
  // the backup; on success fills out (and nothing else). Refused: the message has been shown, out
  // untouched.
  TSaveAsOutcome Accept(TExportSettings& out);

 private:
  bool ParseRows(std::vector<int32_t>& rows, bool& all, UString& error) const;
  bool ParseColumns(std::vector<int32_t>& columns, bool& all, UString& error) const;

  TSaveAsSetup setup_;
  int32_t columns_ = 0, rows_ = 0;
};

// The row and column choices into the holder the exporters read.
void ApplyExportSettings(const TExportSettings& settings, TVXBaseHolder& holder);

// Exports the list as the settings say (plain text, XML, spreadsheet, rich text; "any" as plain
// text). The list's own format is a document save, not an export: false, nothing written.
bool ExportListWithSettings(TVXBaseLemmaMatchCapableList& list, TVXBaseHolder& holder,
                            const TExportSettings& settings, UStringView document_name);

// The ".bak" name beside a file (its extension replaced; ".bak" added when it has that one).
UString BackupFileName(UStringView file_name);
// Copies an existing file (through its links) to its ".bak" name, which takes the file's
// permission bits and replaces an older backup in one step, so that there is never a moment
// without one. The file itself is not touched. False, with the reason naming both files, when the
// copy cannot be made (an older backup is then as it was).
bool CopyToBackup(UStringView file_name, UString& error);
