// The source-text page of the concordancer's main window: a concordance line's whole text with
// its search words highlighted and its hit marked, the space bar on the concordance grid, and
// what changed text settings do to the page.
#include <QAction>
#include <QApplication>
#include <QFont>
#include <QTabWidget>
#include <QTextDocument>
#include <QTextOption>

#include "model/reading/text_reader.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "shell/qt/main_window.h"
#include "shell/qt/page_list.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/shell_menu_bar.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/vx_status_bar.h"
#include "windows/tag_colour_chooser.h"

namespace {

constexpr uint8_t kSourceTextPageType = 27;
constexpr int kSmallestViewerPoints = 8;
constexpr int kTagSearchWordHidden = 181;

}  // namespace

void TFormLinzora::AddSourceTextPage() {
  source_page_ = new TSourceTextRichEdit;
  source_page_->setObjectName(QStringLiteral("SourceTextRichEdit1"));
  source_page_->setPlainText(ToQString(VXRes(TVXRes::VXDoubleClickConcLine)));
  source_text_.Clear();
  shown_line_ = TLineSource();
  Pages()->AddMemoPage(QStringLiteral("Source text"), source_page_, kSourceTextPageType);
  SetSourceTextViewer(source_page_);
}

void TFormLinzora::TurnToPageOfWidget(QWidget* widget) {
  QTabWidget* tabs = Pages()->Tabs();
  for (int t = 0; t < tabs->count(); ++t)
    if (tabs->widget(t) == widget || (widget && tabs->widget(t)->isAncestorOf(widget))) {
      tabs->setCurrentIndex(t);
      return;
    }
}

void TFormLinzora::TurnToGridPage(TVX_Grid* grid) {
  for (int t = 0; t < Pages()->Count(); ++t)
    if (Pages()->GridOfTab(t) == grid) Pages()->Tabs()->setCurrentIndex(t);
}

void TFormLinzora::ShowSourceOfRow(TVX_Grid* grid, int row, bool& shown) {
  shown = false;
  T_WholeLinzoraHolder* doc = Doc();
  // The file-name page names its texts without their folders: the list knows them in full, and
  // the text opens in the one-text viewer with the run's search words.
  if (auto* files = doc && GridHasListData(grid) ? dynamic_cast<TLinzoraFilenamelist*>(grid->List()) : nullptr) {
    const int entry = EntryOfGridRow(grid, row);
    if (entry < 0 || entry >= files->Count()) return;
    const UString name = files->GetFullFilename(entry, false);
    const UString readable = ReadableSourceText(name);
    if (!FileExists(readable)) {
      VXDialog(TVXDialog::SourceTextFileNotFound, {name.empty() ? UString(u"(no name)") : name});
      return;
    }
    shown = ShowFileInViewer(readable);
    return;
  }
  TMainToolsForm::ShowSourceOfRow(grid, row, shown);
  if (shown) return;
  if (!doc || !GridHasListData(grid) || grid->ListType() != kListConcordance || !doc->fConcordanceList) return;
  const int current = grid->CurrentRow();
  const TLineSource line = SourceTextOfLine(*doc->fConcordanceList, EntryOfGridRow(grid, row));
  if (!line.valid) return;
  const bool ok = LoadSourceText(line.full_name);
  if (ok) TurnToPageOfWidget(source_page_);
  UpdateControlsForData();
  // Turning pages may move the grid's current cell; the user's row stays.
  if (current >= 1) grid->setCurrentIndex(grid->Model().index(current - 1, std::max(0, grid->currentIndex().column())));
  if (!ok || !source_page_) return;
  shown = true;
  shown_line_ = line;
  const TSourceHitPlace place = PlaceOfHit(source_text_, line.byte_position, line.hit_text);
  Status()->SetPanelText(kPanelRow, VXResFmt(TVXRes::VXNFound, {IntToUStr(source_page_->HighlightCount())}));
  if (place.found) {
    source_page_->MarkHit(place.start, place.length);
    // The row's text and hit, short: a whole line would widen the status bar beyond the window.
    Status()->SetPanelText(kPanelMessage, ExtractFileName(line.full_name) + u": " + line.hit_text + u" (row " +
                                              IntToUStr(row) + u")");
  } else {
    source_page_->MarkHit(-1, 0);
    source_page_->moveCursor(QTextCursor::Start);
    Status()->SetPanelText(kPanelMessage, u"The text has changed since the concordance was made: its hit is not marked.");
  }
}

UString TFormLinzora::ReadableSourceText(const UString& name) {
  if (name.empty() || FileExists(name)) return name;
  UString archive, member;
  if (!SplitZipMemberName(name, archive, member) || !FileExists(archive)) return name;
  if (name == zip_copy_of_ && FileExists(zip_copy_)) return zip_copy_;
  DropZipCopy();
  // The member as a chosen text of its archive, taken out into the temporary folder.
  TVXFileDetails one(false, Tool());
  TChosenFile_BaseRec rec;
  rec.zip_member = 1;
  rec.filename = member;
  if (!one.AddedAFile(rec, archive)) return name;
  const UString copy = one.TempFilewithZipOpened(0);
  if (copy.empty()) return name;
  zip_copy_ = copy;
  zip_copy_of_ = name;
  return copy;
}

void TFormLinzora::DropZipCopy() {
  if (!zip_copy_.empty()) DeleteFileU(zip_copy_);
  zip_copy_.clear();
  zip_copy_of_.clear();
}

bool TFormLinzora::LoadSourceText(const UString& name) {
  TSourceTextRichEdit* viewer = source_page_;
  T_WholeLinzoraHolder* doc = Doc();
  if (!viewer || !doc) return false;
  const TTextsett_rec32 settings = GetTextSettings();
  QTextOption option = viewer->document()->defaultTextOption();
  const bool rtl = IsRightToLeftLCID(static_cast<TLCID>(settings.LCID()));
  option.setTextDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
  // Absolute: in a right-to-left layout a plain "right" would be mirrored to the left.
  option.setAlignment(rtl ? Qt::AlignRight | Qt::AlignAbsolute : Qt::AlignLeft | Qt::AlignAbsolute);
  viewer->document()->setDefaultTextOption(option);
  viewer->setLayoutDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
  QFont font = viewer->font();
  if (!settings.FontName().empty()) font.setFamily(ToQString(settings.FontName()));
  font.setPointSize(SourceTextFontSize(settings.FontSize(), kSmallestViewerPoints));
  viewer->setFont(font);

  const UString readable = ReadableSourceText(name);
  if (readable == source_text_.FileName() && !source_text_.Empty() && !viewer->ShownText().empty()) return true;
  if (global_keeping_log) AddToLogFile(u"loading source text " + name);
  if (name.empty() || !FileExists(readable)) {
    VXDialog(TVXDialog::SourceTextFileNotFound, {name.empty() ? UString(u"(no name)") : name});
    return false;
  }
  bool read = false;
  {
    THourglass hourglass;
    read = source_text_.Read(readable, TakeTextReadSnapshot(doc));
  }
  if (!read) {
    VXDialog(TVXDialog::FailedToRead, {source_text_.Failure()});
    return false;
  }
  ++source_reads_;
  viewer->SetSourceText(source_text_.Text(), doc->fSearchWords.TypedInWordsAsStringlist());
  viewer->HighlightKWs();
  return true;
}

bool TFormLinzora::HandleGridKey(TVX_Grid* grid, int key) {
  // The Delete key does what Edit > Deleting > Delete does, where the page offers it.
  constexpr int kTagDelete = 12;
  if (key == Qt::Key_Delete && grid && grid == CurrentGrid()) {
    QAction* del = Menus()->ActionOfTag(kTagDelete);
    if (!del || !del->isVisible() || !del->isEnabled()) return false;
    del->trigger();
    return true;
  }
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !grid || !GridKeyTogglesSearchWord(grid->ListType(), key)) return false;
  const bool hidden = !doc->fSettings.SearchWordHidden();
  doc->fSettings.SetSearchWordHidden(hidden);
  SetMenuItemChecked(kTagSearchWordHidden, hidden);
  if (QAction* a = Menus()->ActionOfTag(kTagSearchWordHidden)) a->setChecked(hidden);
  grid->ListChanged();
  return true;
}

void TFormLinzora::ApplyTextSettings(int code) {
  TMainToolsForm::ApplyTextSettings(code);
  if (ClosingFlag()) return;
  // Every list takes the texts' font; a page made later takes it when it is made.
  const TTextsett_rec32 settings = GetTextSettings();
  for (int t = 0; t < Pages()->Tabs()->count(); ++t)
    if (TVX_Grid* g = Pages()->GridOfTab(t)) g->TakeTextFont(settings.FontName(), settings.FontSize());
  if (auto* chooser = qobject_cast<TFormTagColourChooser*>(tag_chooser_.data()); chooser && chooser->isVisible())
    chooser->SetCheckListboxHeight(GetTextSettings().FontSize());
}
