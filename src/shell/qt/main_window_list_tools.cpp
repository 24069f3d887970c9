// The list tools of the result pages: the text language of a list, the set columns (clear, edit,
// typed categories), editing cells in the typing modes, the texts a row stands for, the lemma
// list applied to the collocates and saved as a lemma file, search only, and the file names'
// search and replace. Each gathers the user's choices here and leaves the work to the
// window-free units (shell/grid_tools/set_categories.h, concordance/commands/row_file_names.h).
#include <QApplication>
#include <QColor>
#include <QComboBox>
#include <QHeaderView>
#include <QTimer>

#include "concordance/commands/row_file_names.h"
#include "concordance/document/source_files.h"
#include "concordance/views/collocates_list.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "model/lists/grid_headings.h"
#include "platform/text/text_files.h"
#include "shell/grid_tools/set_categories.h"
#include "shell/main_window/controller_messages.h"
#include "shell/qt/main_window.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/vx_status_bar.h"
#include "shell/services/suite_services.h"
#include "shell/settings/language_choice.h"
#include "windows/filename_replace_dialog.h"
#include "windows/language_change_dialog.h"
#include "windows/set_column_edit_dialog.h"

namespace {

constexpr int kTagSearchText = 16, kTagEditData = 23, kTagLemmaMatches = 25, kTagFilenames = 38,
              kTagClearSetColumn = 54, kTagChangeLanguage = 164, kTagEditSetColumn = 180, kTagSaveLemmaFile = 193;
constexpr int kHelpFilenamesOfRow = 5330;
constexpr uint16_t kCodeLemmaListSetUp = 2795;

uint32_t BgrOf(const QColor& c) {
  return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
         (static_cast<uint32_t>(c.blue()) << 16);
}

// The tool's lemma list is loaded and wanted; else NoLemmaList, whose Yes asks the controller to
// set one up.
bool AskLemmaList(uint8_t tool) {
  if (Global_stopLemmaMatchLoaded[lmsLemma] && GetLemmaMatchStopWanted(tool, lmsLemma)) return true;
  if (VXDialog(TVXDialog::NoLemmaList) == mrYes) PostToController(kCodeLemmaListSetUp);
  return false;
}

}  // namespace

void TFormLinzora::CarryOutListTool(int tag, TVX_Grid* grid) {
  if (!GridHasListData(grid)) return;
  switch (tag) {
    case kTagSearchText: OpenSearchReplace(grid, false); break;
    case kTagEditData: EditData(grid); break;
    case kTagLemmaMatches: CheckLemmasOnGrid(grid); break;
    case kTagFilenames: ShowFileNamesOfRow(grid); break;
    case kTagClearSetColumn: ClearSetCategories(grid); break;
    case kTagChangeLanguage: ChangeGridLanguage(grid); break;
    case kTagEditSetColumn: EditSetColumn(grid); break;
    case kTagSaveLemmaFile: SaveLemmaFile(grid); break;
    default: break;
  }
}

// --- language ------------------------------------------------------------------------------------

void TFormLinzora::ChangeGridLanguage(TVX_Grid* grid) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || RefusedDuringJob()) return;
  // The list's language: the favourite with the document's locale, else the text settings' one.
  UString existing = CurrentLanguageName();
  for (const Tfixed_lang_details32& lang : FavouriteLanguages())
    if (lang.LCID() == static_cast<int32_t>(doc->LCID())) existing = lang.LanguageName();
  TFormLangChange dialog(this);
  dialog.SetCurrentLangTo(existing);
  dialog.SetAlternatives(GetNamesOfFavouriteLanguages(), existing);
  // The change button tells the controller, which stores the language and confirms it.
  if (!ChangeLanguage([&dialog] { return dialog.ShowModal() == mrOK; })) return;
  const UString chosen = FromQString(dialog.Alternatives()->currentText());
  const int32_t lcid = LanguageValueOfName(chosen);
  if (lcid == 0) return;
  doc->SetLocale(static_cast<TLCID>(lcid));
  AddLaterNote(VXRes(TVXRes::VXLanguage), VXResFmt(TVXRes::VXLanguageChangedTo, {chosen}));
  MarkDataChanged();
  grid->Model().Source().Invalidate();
  grid->ListChanged();
}

// --- set columns ---------------------------------------------------------------------------------

namespace {

// A Set command on a list without a Set column says so rather than doing nothing unseen.
constexpr char16_t kNoSetColumn[] = u"This list has no Set column.";

}  // namespace

void TFormLinzora::ClearSetCategories(TVX_Grid* grid) {
  TVXBaseDataClass* list = grid->List();
  const int column = SetColumnOfCommand(*list, grid->CurrentColumn());
  if (column < 0) Status()->SetPanelText(kPanelMessage, kNoSetColumn);
  if (column < 0 || RefusedDuringJob()) return;
  const UString heading = VXResFmt(TVXRes::VXXColumn, {GetDatum(list->grid_headings, column)});
  if (!IsYes(VXDialog(TVXDialog::OKToDoX, {u"Clear every category of the " + heading}))) return;
  if (ClearCategories(*list, column) > 0) {
    MarkDataChanged();
    ListChanged(grid);
  }
  UpdateControlsForData();
}

void TFormLinzora::EditSetColumn(TVX_Grid* grid) {
  TVXBaseDataClass* list = grid->List();
  const int column = SetColumnOfCommand(*list, grid->CurrentColumn());
  if (column < 0) Status()->SetPanelText(kPanelMessage, kNoSetColumn);
  if (column < 0 || RefusedDuringJob()) return;
  EditSetColumnCell(grid, std::max(1, grid->CurrentRow()), column);
}

void TFormLinzora::EditSetColumnCell(TVX_Grid* grid, int row, int column) {
  TVXBaseDataClass* list = grid->List();
  TFormSetColumnEdit editor(this);
  editor.SetValue(CategoryOf(*list, EntryOfGridRow(grid, row), column));
  editor.ClearColourChanged();
  if (editor.ShowModal() != mrOK) return;
  std::vector<int> rows = grid->SelectedRows();
  if (std::find(rows.begin(), rows.end(), row) == rows.end()) rows = {row};
  std::vector<int> entries;
  for (int r : rows) entries.push_back(EntryOfGridRow(grid, r));
  // A colour dragged onto the editor colours the rows as well as naming their category.
  const std::optional<uint32_t> colour =
      editor.ColourChanged ? std::optional<uint32_t>(BgrOf(editor.BoxColour())) : std::nullopt;
  if (SetCategoryOfEntries(*list, entries, column, editor.Value(), colour) == 0) return;
  MarkDataChanged();
  ListChanged(grid);
}

// --- typing into cells ---------------------------------------------------------------------------

void TFormLinzora::ConnectCellEditing(TVX_Grid* grid) {
  QPointer<TVX_Grid> target = grid;
  grid->SetCellEditing(
      [this, target](int column) {
        return target && target->List() && !RunActive() &&
               CellEditableInTypingMode(*target->List(), column, GetKeyPressMode(Tool()));
      },
      [this, target](int column, int row, const UString& text) {
        if (!target || !target->List() || RunActive()) return false;
        const int mode = GetKeyPressMode(Tool());
        if (!WriteCell(*target->List(), EntryOfGridRow(target, row), column, text, mode)) return false;
        MarkDataChanged();
        // Categories are typed one after another: the cursor goes on to the next one once the
        // editor has closed.
        if (mode == kTypingModeSetCategories)
          QTimer::singleShot(0, target, [this, target, row, column] {
            if (target && target->List()) MoveToNextCategoryCell(target, row, column);
          });
        return true;
      });
}

void TFormLinzora::MoveToNextCategoryCell(TVX_Grid* grid, int row, int column) {
  std::vector<int> shown;
  QHeaderView* header = grid->horizontalHeader();
  for (int v = 0; v < header->count(); ++v) {
    const int section = header->logicalIndex(v);
    if (header->isSectionHidden(section)) continue;
    const int list_column = grid->ListColumnOfSection(section);
    if (IsSetColumn(*grid->List(), list_column)) shown.push_back(list_column);
  }
  const TCellPlace next = NextCategoryCell(shown, {row, column}, grid->RowCount());
  grid->SelectCell(next.row, next.column);
}

void TFormLinzora::EditData(TVX_Grid* grid) {
  // Edit data is the editing-data typing mode, with the current cell taken at once when it may
  // change.
  SetTypingMode(kTypingModeEditingData);
  const QModelIndex at = grid->currentIndex();
  if (at.isValid() && (grid->Model().flags(at) & Qt::ItemIsEditable)) {
    grid->edit(at);
    return;
  }
  Status()->SetPanelText(kPanelMessage, u"editing data: this cell cannot be changed");
}

// --- texts of a row ------------------------------------------------------------------------------

void TFormLinzora::ShowFileNamesOfRow(TVX_Grid* grid) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc) return;
  const int row = std::max(1, grid->CurrentRow());
  const UString question =
      VXResFmt(TVXRes::VXXforRowNOnlyQ, {VXResFmt(TVXRes::VXShowX, {VXRes(TVXRes::VXFilenames)}), IntToUStr(row)});
  const int answer = VXDialog(TVXDialog::DoYouWantToDoX, {question}, kHelpFilenamesOfRow);
  if (answer == mrCancel) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const std::vector<UString> names =
      FileNamesOfRows(*doc, *grid->List(), answer == mrYes ? EntryOfGridRow(grid, row) : -1);
  QApplication::restoreOverrideCursor();
  if (names.empty()) {
    Status()->SetPanelText(kPanelMessage, VXResFmt(TVXRes::VXXNotFound, {VXRes(TVXRes::VXFilenames)}));
    return;
  }
  UString why;
  const UString file = WriteFileNamesToTempFile(names, why);
  if (file.empty()) {
    VXDialog(TVXDialog::FailedToSave, {why});
    return;
  }
  FileLauncher().ShowFile(file);
}

// --- lemmas --------------------------------------------------------------------------------------

void TFormLinzora::CheckLemmasOnGrid(TVX_Grid* grid) {
  auto* list = dynamic_cast<TVXBaseLemmaMatchCapableList*>(grid->List());
  if (!list || RefusedDuringJob() || !AskLemmaList(Tool())) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const int32_t joined = list->CheckLemmas();
  QApplication::restoreOverrideCursor();
  Status()->SetPanelText(kPanelMessage, VXRes(TVXRes::VXLemmas) + u": " + IntToUStr(joined));
  if (joined > 0) {
    MarkDataChanged();
    ListChanged(grid);
  }
}

void TFormLinzora::SaveLemmaFile(TVX_Grid* grid) {
  auto* list = dynamic_cast<TVXBaseLemmaMatchCapableList*>(grid->List());
  if (!list) return;
  const std::vector<UString> lines = list->LemmaListFromThisList();
  if (lines.empty()) {
    Status()->SetPanelText(kPanelMessage, VXResFmt(TVXRes::VXXNotFound, {VXRes(TVXRes::VXLemmas)}));
    return;
  }
  TFileDialogRequest request;
  request.folder = GetUserReadWriteFolder();
  request.file_name = u"lemmas.txt";
  request.filter = u"Text files (*.txt)";
  request.default_ext = u".txt";
  UString name;
  if (!FileDialogs().ChooseFileToSave(request, name) || name.empty()) return;
  UString text;
  for (const UString& line : lines) text += line + u"\r\n";
  // The safe save: a failed write leaves an older lemma file as it was.
  if (!SaveTextFileUtf16(name, text)) {
    VXDialog(TVXDialog::FailedToSave, {name});
    return;
  }
  VXDialog(TVXDialog::SavedOK, {name});
}

// --- file names ----------------------------------------------------------------------------------

bool TFormLinzora::SearchAndReplaceFileNames(TVX_Grid* grid) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !GridHasListData(grid) || RefusedDuringJob()) return false;
  TFormSearchAndReplaceFilename dialog(this);
  if (dialog.ShowModal() != mrOK) return false;
  const bool in_folder = dialog.Within() == 0;
  const int changed = grid->List()->DoAFilenameSearchAndReplace(dialog.SearchText(), dialog.Replacement(), in_folder);
  Status()->SetPanelText(kPanelMessage, VXResFmt(TVXRes::VXNEntries, {IntToUStr(changed)}));
  if (changed <= 0) return false;
  doc->NoteDataChanged();
  MarkDataChanged();
  ListChanged(grid);
  const UString file = doc->SourceTextFilename;
  if (!file.empty() && FileExists(file) && IsYes(VXDialog(TVXDialog::OKtoSaveAgainAs, {file}))) {
    if (SaveDataToFile(grid, file)) VXDialog(TVXDialog::SavedOK, {file});
    else VXDialog(TVXDialog::FailedToSave, {file});
  }
  return true;
}
