// The tool document: life cycle, settings, the lists it owns and its small operations. The file
// format is in work_derived_file.cpp, the notes in document_notes.cpp, batches in
// work_derived_batch.cpp.
#include "model/documents/work_derived.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/reading/chosen_texts.h"
#include "model/reading/text_statistics.h"
#include "model/reading/tag_handler.h"
#include "model/documents/work_base.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_files.h"
#include "platform/text/text_services.h"
#include "platform/zip/zip_forge.h"
#include "shell/services/suite_services.h"

namespace {

TDocumentHooks g_hooks;

UString g_noted_file;
int32_t g_noted_count = 0;

int32_t g_screen_dpi = 96;

}  // namespace

void SetDocumentHooks(const TDocumentHooks& hooks) { g_hooks = hooks; }
const TDocumentHooks& DocumentHooks() { return g_hooks; }

void ApplyDefaultColumnVisibility(TTessorineList list_type, int heading_count, bool widths_set,
                                  const std::function<void(int column, bool visible)>& set_visible) {
  if (widths_set || !set_visible) return;
  const int last = std::min(20, heading_count - 1);
  const auto visible = GetAllDefaultColumnVisible(list_type);
  for (int c = 2; c <= last; ++c) set_visible(c, visible[static_cast<size_t>(c)]);
}

// --- the lists a document owns -----------------------------------------------------------------

int TVXBaseListList::Add(TDocumentList* list, TCentreOfMainFormFunc centre) {
  if (list) list->main_form_centre = centre;
  items_.push_back(list);
  return Count() - 1;
}

TDocumentList* TVXBaseListList::SafeItem(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<size_t>(index)];
}

// --- life cycle ----------------------------------------------------------------------------------

// Neither making nor freeing a document touches the job's stop state or the windows' busy flag:
// a document may be made in the middle of a job (a reference corpus, say) and freed before the
// job ends. Only job starters clear the stop state; the busy flag is the document's own.
TTessorineholder::TTessorineholder(const TTextsett_rec32& text_settings, TCentreOfMainFormFunc centre,
                                   TEntriesReadEvent entries_read, TFailedReadEvent failed_read,
                                   bool stop_list_loaded, bool lemma_list_loaded, TTextTagHandler* tag_handler,
                                   TTagsToTranslateList* tags_to_translate)
    : OnMainEntriesKnown(std::move(entries_read)),
      OnDudFile(std::move(failed_read)),
      TagsToTranslate(tags_to_translate),
      TextTagHandler(tag_handler),
      fCentreOfMainForm(centre),
      fStopListLoaded(stop_list_loaded),
      fLemmaListLoaded(lemma_list_loaded) {
  TagDisplay = GetTagPreferences().TagDisplay();
  plot_settings = GetPlotSettings();
  SetTextSettings(text_settings);
  SetCodePage(ftextsettings.WindowsCodePage());
  SetLCID(static_cast<TLCID>(ftextsettings.LCID()));
}

void TTessorineholder::SetVXBaseFilenames(std::unique_ptr<TDocumentList> list) {
  fVXBaseFilenames = std::move(list);
}

TTessorineholder::~TTessorineholder() {
  fBusyDontShowData = true;
  if (global_keeping_log) AddToLogFile("Closing Notes & lists");
}

// --- virtual operations ------------------------------------------------------------------------

int32_t TTessorineholder::GetRelativeEntropyBasis() const { return fExtraStuff.RelativeEntropyBasis(); }

// Entries are converted only when the document goes from 8-bit to UTF-16 text: lists already
// holding UTF-16 are left alone.
void TTessorineholder::SetUnicode(bool value) {
  const bool was = Unicode();
  TVXBaseHolder::SetUnicode(value);
  if (!value || was) return;
  for (int i = 0; i < fLists.Count(); ++i)
    if (TDocumentList* list = fLists.SafeItem(i)) list->ConvertEntriesToUnicode(CodePage());
}

void TTessorineholder::SetLastMainToolFile(bool register_file) {
  if (register_file && !SourceTextFilename.empty()) SetLastMainToolFileName(current_tool_var, SourceTextFilename);
  for (int i = 0; i < fLists.Count(); ++i)
    if (TDocumentList* list = fLists.SafeItem(i)) list->ClearChangedEntries();
}

void TTessorineholder::SetAllGridHeadings() {
  for (int i = 0; i < fLists.Count(); ++i) {
    TDocumentList* list = fLists.SafeItem(i);
    if (!list) continue;
    if (g_hooks.set_base_headings) g_hooks.set_base_headings(*list);
    if (g_hooks.apply_default_column_visibility) g_hooks.apply_default_column_visibility(*list);
  }
}

void TTessorineholder::CheckMenuItemsAfterLoadFromFile() {
  if (g_hooks.tag_treatment_menu_tag) {
    const int treatment = ftextsettings.TagTreatment();
    for (int k = 0; k <= 3; ++k) TryToSetAMenuItemChecked(g_hooks.tag_treatment_menu_tag(k), treatment == k);
  }
  if (g_hooks.redo_menu_check_states) g_hooks.redo_menu_check_states();
}

void TTessorineholder::UpdateSettingsFromTextbuf(int code) {
  SetupLoggingFromTextbuf();
  plot_settings = GetPlotSettings();
  SetTextSettings(GetTextSettings());
  if (code == 233) {
    fFlagByte = 0;
    ReCheckTags();
  }
}

void TTessorineholder::UpdateSettingsFromTextbuf(int code, TDocumentList* list, int flag) {
  UpdateSettingsFromTextbuf(code);
  if (code == 233 && list && g_hooks.apply_default_column_visibility) g_hooks.apply_default_column_visibility(*list);
}

// --- settings ------------------------------------------------------------------------------------

void TTessorineholder::SetTextSettings(const TTextsett_rec32& rec) {
  ftextsettings = rec;
  if (ftextsettings.ProcessingLimit() <= 0) ftextsettings.SetProcessingLimit(0x7FFFFFFF);
}

void TTessorineholder::SetTextSettings_Language(const Tfixed_lang_details32& rec) {
  ftextsettings.SetLanguage(rec);
  SetVXBaseListsLCIDToTextSettingsLCID();
}

void TTessorineholder::SetVXBaseListsLCIDToTextSettingsLCID() {
  SetCodePage(ftextsettings.WindowsCodePage());
  SetLCID(static_cast<TLCID>(ftextsettings.LCID()));
}

int32_t TTessorineholder::Capitalised(UString& text) const {
  text = UpperCaseU(text, static_cast<TLCID>(ftextsettings.LCID()));
  return static_cast<int32_t>(text.size());
}

bool TTessorineholder::ToolParsesSourceText() {
  return current_tool_var == 0 || current_tool_var == 1 || current_tool_var == 3 || current_tool_var == 4;
}

void TTessorineholder::TryToSetAMenuItemChecked(int tag, bool checked) {
  if (tag < 0 || tag > 224) return;
  SetMenuItemChecked(tag, checked);
}

void TTessorineholder::StartProcessUsingTextTagHandler() {
  if (TextTagHandler) TextTagHandler->ClearBeforeMulti_fileProcessing();
}

void TTessorineholder::ReCheckTags() {
  SetupLoggingFromTextbuf();
  TagDisplay = GetTagPreferences().TagDisplay();
  ReCheckTags(TagReadSettingsFromStore());
}

void TTessorineholder::ReCheckTags(const TTagReadSettings& settings) {
  if (!TagsToTranslate || !TextTagHandler) return;
  TextTagHandler->UseReadSettings(settings);
  RefreshTagHandlerFromSettings(*TextTagHandler, *TagsToTranslate, settings);
}

// --- texts ---------------------------------------------------------------------------------------

void TTessorineholder::CheckAllFnamesForZippedEntries(const std::vector<UString>& names) {
  for (const UString& name : names) {
    if (!IsAZipFile(name)) continue;
    const int32_t n = ZipEntryCount(name);
    if (n > 1) NumberOfTextsToProcess += n - 1;
  }
}

void TTessorineholder::CheckAllFnamesForZippedEntries(const TSharedChosenFilesClass& chosen) {
  std::vector<UString> names;
  for (int32_t i = 0; i < chosen.FileCount(); ++i) names.push_back(chosen.FullFilename(i));
  CheckAllFnamesForZippedEntries(names);
}

void TTessorineholder::WarnTooManyFilesInZipfile(int32_t n) {
  if (Global_run_without_error_messages) return;
  const UString text = VXResFmt(TVXRes::VXNTotalFilesToProcess, {IntToUStr(n)}) + u": " +
                       VXRes(TVXRes::VXZipFileWillBeInSections);
  VXDialogCaptioned(TVXDialog::WarnAboutAndASKOK, VXRes(TVXRes::VXZipping), {text}, 1780);
}

void TTessorineholder::DudTextFile(const TChosenFileDetailsFullRec& details) {
  const UString name = details.folder.empty()
                           ? details.rec.filename
                           : ExcludeTrailingPathDelimiter(details.folder) + UString(1, PathDelim) + details.rec.filename;
  VXDialog(TVXDialog::FailedToRead, {name});
}

void TTessorineholder::UpdateAllFileHandledInfo(const TAllFileHandledInfo& rec, bool first) {
  if (first) {
    FilesHandledDifferently = false;
    AllFileHandledInfo = rec;
    return;
  }
  for (size_t b : {8u, 9u, 10u, 12u, 13u})
    if (rec.bytes[b] != AllFileHandledInfo.bytes[b]) FilesHandledDifferently = true;
}

void TTessorineholder::AStatsFilenameDataRec(TDocumentList* list, int column, TGrid_data_rec& cell, int row) const {
  cell = TGrid_data_rec();
  cell.col = column;
  cell.row = row;
  if (Global_Busy_Dont_Show_Data || fBusyDontShowData) return;
  auto* stats = dynamic_cast<TVXStatsList*>(list);
  if (!stats) return;
  if (row >= 1 && column >= 1) {
    const int index = row - 1;
    if (stats->ListBusy() || index >= stats->Count()) return;
    cell.text = stats->GetEntryFullFilename(index);
    cell.has_text = true;
    stats->NumericalData(column, stats->DataRowOfEntry(index), cell.number);
    cell.has_number = column != stats->MainWordColumn();
    cell.int_value = stats->GetAFileStatus(index);
  } else if (row == 0) {
    stats->TopRowDataRec(column, cell);
  } else if (column == 0) {
    stats->LeftmostColumnDataRec(row, cell);
  }
}

UString TTessorineholder::FileInfoFilename() const {
  const TDateTime now = Now();
  const double frac = now - std::floor(now);
  const int minutes_of_day = static_cast<int>(frac * 24 * 60 + 1e-6) % (24 * 60);
  UString hhnn;
  for (int v : {minutes_of_day / 60, minutes_of_day % 60}) {
    hhnn += static_cast<char16_t>(u'0' + v / 10);
    hhnn += static_cast<char16_t>(u'0' + v % 10);
  }
  const UString tail = u"(" + hhnn + u")_FileInfo.txt";
  if (!SourceTextFilename.empty() && FileExists(SourceTextFilename))
    return ChangeFileExt(SourceTextFilename, u"") + tail;
  UString folder = GetLastOpenedFolder(current_tool_var);
  if (folder.empty()) folder = GetDefaultFolder(current_tool_var);
  return IncludeTrailingPathDelimiter(folder) + ChangeFileExt(ExtractFileName(SuggestedFilename), u"") + tail;
}

bool TTessorineholder::CopyFilenamesInfoToNotepad(const std::vector<std::pair<UString, bool>>& names) const {
  UString found_text, missing_text;
  int32_t found = 0, missing = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    const UString line = IntToUStr(static_cast<int64_t>(i) + 1) + u"\t" + names[i].first + u"\n";
    if (names[i].second) {
      found_text += line;
      ++found;
    } else {
      missing_text += line;
      ++missing;
    }
  }
  UString text;
  if (found > 0) text += VXResFmt(TVXRes::VXNFound, {IntToUStr(found)}) + u"\n" + found_text;
  if (missing > 0) text += VXResFmt(TVXRes::VXXNotFound, {IntToUStr(missing)}) + u"\n" + missing_text;
  const UString file_name = FileInfoFilename();
  if (!SaveTextFileUtf16(file_name, text)) return false;
  if (g_hooks.try_to_edit) g_hooks.try_to_edit(file_name, GetDefaultFolder(current_tool_var));
  return true;
}

void TTessorineholder::UpdateVXShell() { SetSettingsAlteredByTool(current_tool_var, true); }

void TTessorineholder::HandleScriptProgress(int32_t a, int32_t b) {
  SetTemp2Longint(a, b);
  PostToOwnWindow(0x1608);
}


// --- routines of the unit ----------------------------------------------------------------------

void NoteCurrentFileAndCount(int32_t count, UStringView name) {
  g_noted_count = count;
  g_noted_file = UString(name);
}
UString NotedCurrentFile() { return g_noted_file; }
int32_t NotedCurrentCount() { return g_noted_count; }

void FinaliseWorkDerived() {
  g_noted_file.clear();
  g_noted_count = 0;
  LogUnitQuit("work_derived");
}

void FinaliseStandardDeviations(uint8_t* rec) {
  if (!rec) return;
  auto finalise = [rec](size_t count_at, size_t value_at) {
    int32_t count;
    float value;
    std::memcpy(&count, rec + count_at, 4);
    std::memcpy(&value, rec + value_at, 4);
    float sd = 0.0f;
    // The value is a sum of squared deviations: never negative but for rounding.
    if (count > 1 && value > 0.0f && std::isfinite(value))
      sd = static_cast<float>(std::sqrt(static_cast<double>(value) / (static_cast<double>(count) - 1.0)));
    std::memcpy(rec + value_at, &sd, 4);
  };
  for (size_t i = 1; i <= 4; ++i) finalise(12 * i, 12 * i + 8);
  finalise(104, 112);
}

int32_t DimensionScaledForDPI(int32_t value, int32_t from_dpi, int32_t to_dpi) {
  if (from_dpi <= 0 || to_dpi <= 0 || from_dpi == to_dpi) return value;
  const double scaled = std::round(static_cast<double>(value) * to_dpi / from_dpi);
  if (scaled > INT32_MAX) return INT32_MAX;
  if (scaled < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(scaled);
}

int32_t ScreenPixelsPerInch() { return g_screen_dpi; }
void SetScreenPixelsPerInch(int32_t dpi) { g_screen_dpi = dpi > 0 ? dpi : 96; }
