// The viewers and media windows the concordancer's pages open: the media of a line (95 "Play
// media file...", 186 "Play", a double-click on the tags column), the word cloud of a list (179),
// a text in the one-text viewer (a double-click on a line's file name, at the line's hit; 40 or a
// double-click on the file-names page), which texts hold the search words (6 "Find Files..."),
// and the same passage in same-named texts (75 "Show related txts").
#include <QApplication>

#include "concordance/commands/cell_double_click.h"
#include "concordance/views/collocates_list.h"
#include "concordance/views/patterns_list.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_files.h"
#include "platform/text/text_services.h"
#include "shell/files/paged_text.h"
#include "shell/files/saved_texts.h"
#include "shell/media_markers.h"
#include "shell/qt/main_window.h"
#include "shell/qt/page_list.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/vx_status_bar.h"
#include "windows/extra_details_window.h"
#include "windows/extra_text_grid_window.h"
#include "windows/media_player_window.h"
#include "windows/one_text_viewer.h"
#include "windows/word_cloud_options_dialog.h"
#include "windows/word_cloud_window.h"

namespace {

constexpr int kTagFindFiles = 6;
constexpr int kTagRelatedTexts = 75;
constexpr int kTagPlayMedia = 95;
constexpr int kTagWordCloud = 179;
constexpr int kTagPlay = 186;
constexpr int kColumnTags = 3;
constexpr int kColumnFile = 13;
constexpr int kStatusMessage = 10;
// Same-named texts too big for an excerpt are not read whole.
constexpr int64_t kMostParallelTextBytes = 64 << 20;

// Web pages and XML keep their question (browser or editor); other texts open in the viewer.
bool IsWebOrXml(UStringView name) {
  const UString ext = AsciiUpper(ExtractFileExt(name));
  return ext == u".HTLM" || ext == u".HTM" || ext == u".HTML" || ext == u".XML";
}

}  // namespace

bool TFormLinzora::OpenViewerWindow(int tag, TVX_Grid* grid) {
  switch (tag) {
    case kTagFindFiles: FindFilesOfSearchWords(); return true;
    case kTagRelatedTexts:
      if (grid_concordance_) GridConcordance_ShowSameFilenameTextFiles(grid_concordance_, grid_concordance_->CurrentRow());
      return true;
    case kTagPlayMedia:
    case kTagPlay: PPlayMedia(grid_concordance_ && grid == nullptr ? grid_concordance_ : grid); return true;
    case kTagWordCloud: ShowWordCloudOfList(grid); return true;
    default: return false;
  }
}

void TFormLinzora::GridDoubleClicked(TVX_Grid* grid, int row, int column) {
  if (!GridHasListData(grid) || row < 1) return;
  const TDoubleClickAction action = DoubleClickActionOf(grid->ListType(), row, column, false, false);
  if (action == TDoubleClickAction::kPlayMedia) {
    PPlayMedia(grid);
  } else if (action == TDoubleClickAction::kOpenCellFile) {
    if (grid->ListType() == kListConcordance) {
      ShowLineInViewer(EntryOfGridRow(grid, row));
    } else {
      bool shown = false;
      ShowSourceOfRow(grid, row, shown);
    }
  }
}

TFormOneTextFileShower& TFormLinzora::TextViewer() {
  if (!text_viewer_) text_viewer_ = new TFormOneTextFileShower(this);
  return *text_viewer_;
}

void TFormLinzora::ShowSourceOfRow(TVX_Grid* grid, int row, bool& shown) {
  shown = false;
  // The file-names page: the text in the viewer, with the run's search words.
  if (GridHasListData(grid) && grid->ListType() == kListSourceFiles && Doc()) {
    const int entry = EntryOfGridRow(grid, row);
    if (entry < 0 || entry >= grid->List()->Count()) return;
    TGrid_data_rec cell;
    grid->List()->DrawgridDataRec(1, entry + 1, cell, grid->Alternative());
    shown = ShowFileInViewer(cell.text);
    return;
  }
  TMainToolsForm::ShowSourceOfRow(grid, row, shown);
}

bool TFormLinzora::ShowFileInViewer(UStringView name) {
  T_WholeLinzoraHolder* doc = Doc();
  if (name.empty()) return false;
  if (IsWebOrXml(name)) {
    OpenOrEditFile(UString(name));
    return true;
  }
  TFormOneTextFileShower& viewer = TextViewer();
  TFileDetails3_string details;
  details.file_name = UString(name);
  if (!viewer.OpenAndShowAText(details, 0x7FFFFFFF, Status())) return false;
  if (doc) viewer.View()->SearchList.LoadFromAStringlist(doc->fSearchWords.TypedInWordsAsStringlist());
  viewer.raise();
  viewer.HighlightAnyKWS();
  return true;
}

bool TFormLinzora::ShowLineInViewer(int line_index) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !doc->fConcordanceList || !doc->fTextFilesWithSearchWord) return false;
  const TConcordanceEntry* line = doc->fConcordanceList->Line(line_index);
  if (!line) return false;
  const TConcordanceLineData& d = line->Data();
  const TLinzoraFilenameEntryRecPlus file = doc->fTextFilesWithSearchWord->GetEntryRecPlus(d.filename_num_original - 1, true);
  if (file.full_filename.empty()) return false;
  if (IsWebOrXml(file.full_filename)) {
    OpenOrEditFile(file.full_filename);
    return true;
  }
  const TLineText text = line->Text();
  const size_t start = static_cast<size_t>(std::clamp<int32_t>(line->SearchWordStart(), 0, static_cast<int32_t>(text.size())));
  const UString hit(text.substr(start, static_cast<size_t>(std::max(d.hit_characters, 0))));
  TFormOneTextFileShower& viewer = TextViewer();
  const bool ok = viewer.OpenAtHit(file.full_filename, file.other_data.fingerprint_size, file.other_data.fingerprint_write_ns,
                                   d.byte_position, hit, doc->fSearchWords.TypedInWordsAsStringlist(), Status());
  if (ok) viewer.raise();
  return ok;
}

void TFormLinzora::PPlayMedia(TVX_Grid* grid) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !GridHasListData(grid) || grid->ListType() != kListConcordance) return;
  const int row = std::max(1, grid->CurrentRow());
  const int entry = EntryOfGridRow(grid, row);
  const TConcordanceEntry* line = doc->fConcordanceList->Line(entry);
  if (!line) return;
  // The line's texts are fetched with the document's fetching flag on, whatever happens after.
  struct TFetching {
    TConcSettingsRec32& s;
    bool was;
    explicit TFetching(TConcSettingsRec32& settings) : s(settings), was(settings.FetchingLineTexts()) {
      s.SetFetchingLineTexts(true);
    }
    ~TFetching() { s.SetFetchingLineTexts(was); }
  };
  UString file;
  std::vector<UString> texts;
  {
    TFetching fetching(doc->fSettings);
    TGrid_data_rec cell;
    doc->fConcordanceList->DrawgridDataRec(kColumnTags, entry + 1, cell, grid->Alternative());
    file = doc->fTextFilesWithSearchWord
               ? doc->fTextFilesWithSearchWord->GetFullFilename(line->Data().filename_num_original - 1, true)
               : UString();
    // The marks are in the tag context when the mark-up makes one, else in the line itself.
    texts = {cell.text, UString(line->Text())};
  }
  const int widening = std::max(1, grid->CurrentColumn());
  TStringIntAndBoolean found = FindMediaForConcordanceLine(texts[0], file, widening);
  if (!found.found && found.code == 0) {
    TStringIntAndBoolean next = FindMediaForConcordanceLine(texts[1], file, widening);
    // With the mark-up hidden from lines, the source text before the hit holds the mark.
    const TMediaMarkersRec marks = GetMediaMarkers();
    if (!next.found && marks.Method() == 0) {
      TPagedText source;
      UString why;
      if (source.Open(file, 1252, why)) {
        const int64_t byte = line->Data().byte_position;
        const int k = source.PageOfByte(byte);
        UString before;
        for (int p = std::max(0, k - 1); p <= k; ++p)
          if (const auto page = source.Page(p)) before += p < k ? page->text : page->text.substr(0, page->UnitAtByte(byte));
        const UString mark = LastMediaMarkBefore(before, marks.FileNameMarker());
        if (!mark.empty()) next = FindMediaForConcordanceLine(mark, file, widening);
      }
    }
    if (next.found) found = next;
  }
  if (!found.found) {
    if (found.code == kMediaCodeMarkerUndefined || found.code == kMediaCodeLookupTableNotFound)
      VXDialog(TVXDialog::ProblemReport, {found.message});
    Status()->SetPanelText(kStatusMessage, found.message);
    return;
  }
  if (!media_window_) media_window_ = new TFormVXPasLibVCL(this);
  int64_t start = 0, duration = 0;
  GetTemp2Int64(start, duration);
  const TStringIntAndBoolean played = media_window_->PlayASoundOrVideoFile(GetTempURL(), start, duration);
  if (!played.found) Status()->SetPanelText(kStatusMessage, VXRes(TVXRes::VXFailedToPlay) + u": " + GetTempURL());
}

void TFormLinzora::ShowWordCloudOfList(TVX_Grid* grid) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !GridHasListData(grid)) return;
  const uint8_t type = grid->ListType();
  if (type != kListCollocates && type != kListClusters && type != kListPatterns) return;
  TVXBaseDataClass* list = grid->List();
  // Collocates and patterns say which column gives the numbers or the words.
  if (type == kListCollocates || type == kListPatterns) {
    TFormWordCloudOptions options(this);
    options.SetList(list, type);
    if (options.ShowModal() != mrOK) return;
  }
  if (!word_cloud_) word_cloud_ = new TFormWordCloud(this);
  const TWordCloudSettingsRec cloud = GetWordCloudSettings();
  word_cloud_->LoadSettings(list->MinFrequency(), list->MaxFrequency(), cloud.OutputCase(), cloud.UseCase(), true);
  QString page;
  for (int t = 0; t < Pages()->Count(); ++t)
    if (Pages()->GridOfTab(t) == grid) page = Pages()->Tabs()->tabText(t);
  const UString file = doc->MainFile.name.empty() ? VXRes(TVXRes::VXUnsaved) : ExtractFileName(doc->MainFile.name);
  word_cloud_->ComputeTheCloud(list, VXResFmt(TVXRes::VXListTypeCloudFromFile, {FromQString(page), file}));
}

void TFormLinzora::FindFilesOfSearchWords() {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc) return;
  if (!extra_details_) extra_details_ = new TFormExtraDetails(this);
  TFormExtraDetails& details = *extra_details_;
  details.ClearForNewSearch(true, true);
  // Every text of the run, those without hits too.
  std::vector<UString>& texts = details.ListOfPotentialFilenames();
  if (TLinzoraFilenamelist* files = doc->fTextFilesWithSearchWord)
    for (int i = 0; i < files->Count(); ++i) texts.push_back(files->GetFullFilename(i, false));
  for (int32_t i = 0; i < doc->fUnusedFiles.Count(); ++i) {
    const UString name = doc->fUnusedFiles.Record(i).filename;
    if (std::find(texts.begin(), texts.end(), name) == texts.end()) texts.push_back(name);
  }
  details.AddHighlightWords(doc->fSearchWords, doc->fSearchWords.Count());
  if (!details.ComputeWordFrequencies(&details.HighLightWords(), nullptr, nullptr) && texts.empty())
    Status()->SetPanelText(kStatusMessage, u"The concordance names no texts to look in.");
}

void TFormLinzora::GridConcordance_ShowSameFilenameTextFiles(TVX_Grid* grid, int row) {
  T_WholeLinzoraHolder* doc = Doc();
  if (!doc || !GridHasListData(grid) || grid->ListType() != kListConcordance || !doc->fSameFilenameOption) return;
  const int entry = EntryOfGridRow(grid, std::max(1, row));
  const TConcordanceEntry* line = doc->fConcordanceList->Line(entry);
  if (!line || !doc->fTextFilesWithSearchWord) return;
  TGrid_data_rec cell;
  doc->fConcordanceList->DrawgridDataRec(kColumnTags, entry + 1, cell, grid->Alternative());
  UString what = cell.text;
  if (what.empty()) {
    // A line without a tag context is looked for by its hit.
    const TLineText text = line->Text();
    const size_t start = static_cast<size_t>(std::clamp<int32_t>(line->SearchWordStart(), 0, static_cast<int32_t>(text.size())));
    what = UString(text.substr(start, static_cast<size_t>(std::max(line->Data().hit_characters, 0))));
  }
  const UString source = doc->fTextFilesWithSearchWord->GetFullFilename(line->Data().filename_num_original - 1, true);
  if (!FileExists(source)) return;
  std::vector<UString> files{source};
  const UString stem = ChangeFileExt(ExtractFileName(source), u"");
  for (const UString& f : FindFiles(ExtractFilePath(source), stem + u".*"))
    if (f != source && IsParallelTextName(f)) files.push_back(f);
  TOtherFileDetailsList details;
  for (const UString& f : files) {
    UString text;
    if (!ReadTextFile(f, text, kMostParallelTextBytes, 1252, true)) continue;
    if (const std::optional<UString> excerpt = ParallelTextExcerpt(text, what))
      details.AddOne({ParallelTextLine(f, *excerpt), f});
  }
  if (details.Count() == 0) return;
  if (!extra_grid_) extra_grid_ = new TFormTextStringGridExtra(this, &FileLauncher());
  extra_grid_->ClearLines();
  extra_grid_->Addlines(details, ExtractFileName(source));
  extra_grid_->show();
  extra_grid_->raise();
}

TFormVXPasLibVCL* TFormLinzora::MediaWindow() const { return media_window_; }
TFormWordCloud* TFormLinzora::WordCloudWindow() const { return word_cloud_; }
TFormExtraDetails* TFormLinzora::ExtraDetailsWindow() const { return extra_details_; }
TFormTextStringGridExtra* TFormLinzora::ExtraGridWindow() const { return extra_grid_; }

void TFormLinzora::ViewersDataClosed() {
  if (word_cloud_) word_cloud_->DropBaseList();
}
