#include "shell/grid_tools/save_as_rules.h"

#include <sys/stat.h>

#include <algorithm>

#include "model/export/export_cells.h"
#include "model/lists/grid_headings.h"
#include "model/export/list_export.h"
#include "model/lists/result_list_base.h"
#include "platform/rtl/files.h"
#include "platform/rtl/plain_file.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/text_helpers.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "shell/main_window/main_window_rules.h"

TExportSettings& KeptExportSettings() {
  static TExportSettings kept;
  return kept;
}

std::vector<TSaveAsFilter> SaveAsFilters(uint8_t list_type) {
  const UString ext = DefaultExtFromListType(list_type).substr(1);
  return {
      {u"Text files (*.txt)", u"*.txt"},
      {u"XML files (*.xml)", u"*.xml"},
      {u"Excel spreadsheets (*.xls, *.xlsx)", u"*.xls;*.xlsx"},
      {u"RTF files (*.rtf)", u"*.rtf"},
      {list_type_as_string(list_type) + u" files (*." + ext + u")", u"*." + ext},
      {u"All files (*.*)", u"*.*"},
  };
}

UString DefaultExtFromSaveAsFormat(int format, uint8_t list_type) {
  switch (format) {
    case kSaveAsPlainText: return u".txt";
    case kSaveAsXML: return u".xml";
    case kSaveAsSpreadsheet: return u".xlsx";  // the workbook writer makes no ".xls"
    case kSaveAsRichText: return u".rtf";
    case kSaveAsListOwnType: return DefaultExtFromListType(list_type);
    default: return UString();
  }
}

UString FileNameForSaveAsFormat(UStringView name, int format, uint8_t list_type) {
  const UString ext = DefaultExtFromSaveAsFormat(format, list_type);
  if (name.empty() || ext.empty() || ExtractFileName(name).empty()) return UString(name);
  return ChangeFileExt(name, ext);
}

UString SaveAsCaption(int format, uint8_t list_type) {
  switch (format) {
    case kSaveAsXML: return VXRes(TVXRes::VXSaveAsXML);
    case kSaveAsSpreadsheet: return VXRes(TVXRes::VXSaveAsExcel);
    case kSaveAsRichText: return VXRes(TVXRes::VXSaveasRTF);
    case kSaveAsListOwnType: return VXResFmt(TVXRes::VXSaveAsOther, {DefaultExtFromListType(list_type)});
    default: return VXRes(TVXRes::VXSaveAsPlainText);
  }
}

namespace {
UString XMLRootName(uint8_t list_type) { return XMLElementName(Utf8ToUtf16(list_signature32(list_type)), 0); }
}  // namespace

UString SaveAsTopXML(uint8_t list_type) {
  return u"<?xml version=\"1.0\"?>\r\n<" + XMLRootName(list_type) + u">\r\n";
}

UString SaveAsBottomXML(uint8_t list_type) { return u"\r\n</" + XMLRootName(list_type) + u">"; }

UString SaveAsNameForDocument(UStringView document_name, uint8_t list_type) {
  return ChangeFileExt(document_name, u"_" + list_type_as_string(list_type));
}

TSaveAsSetup SaveAsSetupForList(const TVXBaseDataClass& list, uint8_t list_type, uint8_t grid_kind, uint8_t tool,
                                int32_t current_row, int32_t current_column, UStringView document_name) {
  TSaveAsSetup setup;
  setup.file_name = SaveAsNameForDocument(document_name, list_type);
  setup.default_folder = GetDefaultFolder(tool);
  setup.rows = list.TotalRowCount() + 1;
  const std::vector<int> places = LaidOutColumns(list);
  setup.columns = static_cast<int32_t>(places.size());
  setup.list_type = list_type;
  setup.grid_kind = grid_kind;
  setup.tool = tool;
  setup.characters = GetConcCharactersForTextOnly();
  const auto at = std::find(places.begin(), places.end(), current_column);
  const int32_t place = at == places.end() ? 1 : static_cast<int32_t>(at - places.begin());
  const int32_t row = std::max(1, current_row), column = std::max(1, place);
  setup.selection = TGridRect{column, row, column, row};
  return setup;
}

UString NumberRangeText(int32_t first, int32_t last) {
  return first == last ? IntToUStr(first) : IntToUStr(first) + u"-" + IntToUStr(last);
}

namespace {

// first..last joined to the list with a comma; nothing when the range is empty.
UString WithRange(UStringView list, int32_t first, int32_t last) {
  if (first > last) return UString(list);
  return AddToListWithSeparatorIfNeeded(list, NumberRangeText(first, last), u",");
}

}  // namespace

TSaveAsModel::TSaveAsModel(const TSaveAsSetup& setup, const TExportSettings& kept) : setup_(setup) {
  columns_ = setup.columns;
  rows_ = setup.rows;
  if (setup.grid_kind == kTransposedGridKind) std::swap(columns_, rows_);
  characters = setup.characters;
  with_numbers = kept.with_numbers;
  with_headings = kept.with_headings;
  thousands_separator = kept.thousands_separator;
  tab_separator = kept.separator.empty() || kept.separator == u"\t";
  if (!tab_separator) separator_text = kept.separator;
  format = std::clamp(kept.format, 0, kSaveAsFormatCount - 1);
  const bool several_rows = setup.selection.bottom > setup.selection.top;
  rows_selection_only = columns_selection_only = several_rows;
  RecomputeRowText();
  RecomputeColumnText();
  file_name = setup.file_name.empty() ? kept.file_name : setup.file_name;
  initial_folder = ExtractFilePath(file_name);
  if (initial_folder.empty()) initial_folder = ExtractFilePath(kept.file_name);
  if (initial_folder.empty()) initial_folder = setup.default_folder;
  SetFormat(format);
}

bool TSaveAsModel::ShowsCharacters() const { return setup_.list_type == kListConcordance; }

UString TSaveAsModel::HeadingsCaption() const {
  return VXRes(setup_.header_rows > 0 ? TVXRes::VXIncludeHeadersAndHeadings : TVXRes::VXIncludeHeadings);
}

void TSaveAsModel::RecomputeRowText() {
  UString headers = u"0";
  for (int32_t h = 1; h <= setup_.header_rows; ++h) headers += u"," + IntToUStr(h);
  const TGridRect& s = setup_.selection;
  if (rows_selection_only) {
    row_text = with_headings ? WithRange(headers, s.top, s.bottom) : WithRange(u"", s.top, s.bottom);
  } else {
    row_text = WithRange(with_headings ? headers : UString(), setup_.header_rows + 1, rows_ - 1);
  }
}

void TSaveAsModel::RecomputeColumnText() {
  const TGridRect& s = setup_.selection;
  if (columns_selection_only) {
    // The numbers column is column 1; a selection starting there names it once.
    const int32_t first = with_numbers ? std::max(s.left + 1, 2) : s.left + 1;
    column_text = WithRange(with_numbers ? u"1" : u"", first, s.right + 1);
  } else if (with_numbers) {
    column_text = WithRange(u"1", 2, columns_);
  } else {
    column_text = WithRange(u"", setup_.tool == kToolExportingFirstColumn ? 1 : 2, columns_);
  }
}

void TSaveAsModel::SetFormat(int new_format) {
  format = std::clamp(new_format, 0, kSaveAsFormatCount - 1);
  file_name = FileNameForSaveAsFormat(file_name, format, setup_.list_type);
}

namespace {

// The numbers of a row or column text, each within 0..count-1; all when they name every one.
bool ParseNumbers(UStringView text, int32_t offset, int32_t count, bool exempt_from_all, UStringView what,
                  std::vector<int32_t>& numbers, bool& all, UString& error) {
  std::vector<int32_t> got;
  UString why;
  if (!HumanAbbreviatedNumberListStringAsIntegers(TrimU(text), offset, got, &why)) {
    error = UString(what) + u" to save \"" + UString(text) + u"\" cannot be read: " + why;
    return false;
  }
  for (int32_t n : got) {
    if (n < 0 || n >= count) {
      error = UString(what) + u" " + IntToUStr(int64_t{n} + offset) + u" is not in the list (" + UString(what) +
              u" " + IntToUStr(offset) + u" to " + IntToUStr(int64_t{count} - 1 + offset) + u")";
      return false;
    }
  }
  // Sorted without repeats and within range: as many as there are means every one.
  all = !exempt_from_all && static_cast<int64_t>(got.size()) == count;
  numbers = all ? std::vector<int32_t>() : std::move(got);
  return true;
}

}  // namespace

bool TSaveAsModel::ParseRows(std::vector<int32_t>& rows, bool& all, UString& error) const {
  return ParseNumbers(row_text, 0, rows_, setup_.tool == kToolExportingFirstColumn, u"Row", rows, all, error);
}

bool TSaveAsModel::ParseColumns(std::vector<int32_t>& columns, bool& all, UString& error) const {
  return ParseNumbers(column_text, 1, columns_, setup_.tool == kToolExportingFirstColumn, u"Column", columns, all,
                      error);
}

TSaveAsOutcome TSaveAsModel::Accept(TExportSettings& out) {
  auto refuse = [](TVXDialog id, UStringView arg) {
    VXDialog(id, {arg});
    return kSaveAsRefused;
  };
  const int chosen_format = std::clamp(format, 0, kSaveAsFormatCount - 1);
  UString name = FileNameForSaveAsFormat(TrimU(file_name), chosen_format, setup_.list_type);
  if (!name.empty() && ExtractFilePath(name).empty() && !initial_folder.empty())
    name = IncludeTrailingPathDelimiter(initial_folder) + name;
  if (TrimU(name).empty() || ExtractFileName(name).empty()) {
    VXDialog(TVXDialog::ProvideAFilenameOrCancel);
    return kSaveAsRefused;
  }
  const UString folder = ExtractFilePath(name);
  if (folder.empty() || !DirectoryExists(folder) || !FolderIsWritable(folder))
    return refuse(TVXDialog::CannotWriteToXFolder, folder.empty() ? UStringView(name) : UStringView(folder));

  // XML carries no heading rows: the row text is read as if they were left out.
  TSaveAsModel read = *this;
  if (chosen_format == kSaveAsXML && read.with_headings) {
    read.with_headings = false;
    read.RecomputeRowText();
  }
  std::vector<int32_t> rows, columns;
  bool all_rows = false, all_columns = false;
  UString error;
  if (!read.ParseRows(rows, all_rows, error) || !read.ParseColumns(columns, all_columns, error))
    return refuse(TVXDialog::InformationMessage, error);

  if (FileExists(name)) {
    // Asked only about a file the export may save over.
    if (!TSafeSave::MayReplace(name, &error))
      return refuse(TVXDialog::InformationMessage, u"The list cannot be saved over " + name + u": " + error);
    if (!IsYes(VXDialog(TVXDialog::OKToOverwriteWithBackup, {name}))) return kSaveAsRefused;
    if (!CopyToBackup(name, error)) return refuse(TVXDialog::InformationMessage, error);
  }

  if (chosen_format == kSaveAsXML && with_headings) {
    with_headings = false;
    RecomputeRowText();
  }
  file_name = name;
  format = chosen_format;
  out.file_name = name;
  out.format = chosen_format;
  out.rows = rows;
  out.columns = columns;
  out.all_rows = all_rows;
  out.all_columns = all_columns;
  out.first_row = rows.empty() ? 0 : rows.front();
  out.last_row = rows.empty() ? rows_ - 1 : rows.back();
  out.first_column = columns.empty() ? 0 : columns.front();
  out.last_column = columns.empty() ? columns_ - 1 : columns.back();
  const UString separator = TrimU(separator_text);
  out.separator = tab_separator || separator.empty() ? UString(u"\t") : separator.substr(0, 1);
  out.thousands_separator = thousands_separator;
  out.with_numbers = with_numbers;
  out.with_headings = with_headings;
  return kSaveAsAccepted;
}

void ApplyExportSettings(const TExportSettings& settings, TVXBaseHolder& holder) {
  holder.export_all_rows = settings.all_rows;
  holder.export_all_columns = settings.all_columns;
  holder.export_thousands_separator = settings.thousands_separator;
  holder.selected_rows = settings.rows;
  holder.selected_columns = settings.columns;
}

bool ExportListWithSettings(TVXBaseLemmaMatchCapableList& list, TVXBaseHolder& holder,
                            const TExportSettings& settings, UStringView document_name) {
  ApplyExportSettings(settings, holder);
  switch (settings.format) {
    case kSaveAsXML: return ExportListAsXML(list, holder, settings.file_name);
    case kSaveAsSpreadsheet: return ExportListAsExcel(list, holder, settings.file_name, document_name);
    case kSaveAsRichText: return ExportListAsRTF(list, holder, settings.file_name, document_name);
    case kSaveAsListOwnType: return false;
    default: {
      holder.text_output = true;
      const bool ok = ExportListAsTXT(list, holder, settings.file_name);
      holder.text_output = false;
      return ok;
    }
  }
}

UString BackupFileName(UStringView file_name) {
  const UString backup = ChangeFileExt(file_name, u".bak");
  return backup == file_name ? UString(file_name) + u".bak" : backup;
}

bool CopyToBackup(UStringView file_name, UString& error) {
  const UString backup = BackupFileName(file_name);
  auto failed = [&](const UString& why) {
    error = u"The file " + UString(file_name) + u" could not be copied to its backup " + backup + u" (" + why +
            u"); nothing was saved";
    return false;
  };
  // A pipe put at the name meanwhile must not hold the program.
  struct stat st {};
  UString why;
  auto in = OpenPlainFileForReading(UString(file_name), true, &why, &st);
  if (!in) return failed(why);
  TSafeSaveOptions copy;
  copy.copy_mode = static_cast<int>(st.st_mode & 0777);
  if (!SafeSaveToFile(backup, [&](TStream& out) { return out.CopyFrom(*in); }, &why, copy)) return failed(why);
  return true;
}
