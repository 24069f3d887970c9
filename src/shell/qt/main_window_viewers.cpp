// The viewers and media windows the concordancer's pages open: the media of a line (95 "Play
// media file...", 186 "Play", a double-click on the tags column), the word cloud of a list (179),
// a text in the one-text viewer (a double-click on a line's file name, at the line's hit; 40 or a
// double-click on the file-names page), which texts hold the search words (6 "Find Files..."),
// and the same passage in same-named texts (75 "Show related txts"). The double-clicks and the
// media road themselves are the result pages' commands (main_window_double_click.cpp,
// main_window_analysis.cpp); the media player and the extra text grid stand behind their
// interfaces here.
#include <QApplication>

#include "concordance/views/collocates_list.h"
#include "concordance/views/patterns_list.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "shell/files/saved_texts.h"
#include "shell/media/line_media.h"
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

// Web pages and XML keep their question (browser or editor); other texts open in the viewer.
bool IsWebOrXml(UStringView name) {
  const UString ext = AsciiUpper(ExtractFileExt(name));
  return ext == u".HTLM" || ext == u".HTM" || ext == u".HTML" || ext == u".XML";
}

// The excerpts of same-named texts in the extra text grid, captioned with the line's own text.
class TExtraTextGridWindow : public TFormLinzora::TExtraTextWindow {
 public:
  using TMake = std::function<TFormTextStringGridExtra&()>;
  explicit TExtraTextGridWindow(TMake make) : make_(std::move(make)) {}
  void ShowLines(const std::vector<std::pair<UString, UString>>& file_and_line) override {
    if (file_and_line.empty()) return;
    TOtherFileDetailsList details;
    for (const auto& [file, line] : file_and_line) details.AddOne({line, file});
    TFormTextStringGridExtra& grid = make_();
    grid.ClearLines();
    grid.Addlines(details, ExtractFileName(file_and_line.front().first));
    grid.show();
    grid.raise();
  }

 private:
  TMake make_;
};

}  // namespace

void TFormLinzora::ConnectViewers() {
  own_line_media_ = std::make_unique<TStoredLineMedia>([this](const UString& file, int64_t start, int64_t duration) {
    if (!media_window_) media_window_ = new TFormVXPasLibVCL(this);
    return media_window_->PlayASoundOrVideoFile(file, start, duration).found;
  });
  own_extra_text_ = std::make_unique<TExtraTextGridWindow>([this]() -> TFormTextStringGridExtra& {
    if (!extra_grid_) extra_grid_ = new TFormTextStringGridExtra(this, &FileLauncher());
    return *extra_grid_;
  });
  line_media_ = own_line_media_.get();
  extra_text_ = own_extra_text_.get();
}

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

TFormOneTextFileShower& TFormLinzora::TextViewer() {
  if (!text_viewer_) {
    text_viewer_ = new TFormOneTextFileShower(this);
    text_viewer_->SetFileDialogs([this] { return &FileDialogs(); });
  }
  return *text_viewer_;
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
  const UString hit(text.substr(start, static_cast<size_t>(line->HitWidthInLine())));
  TFormOneTextFileShower& viewer = TextViewer();
  const bool ok = viewer.OpenAtHit(file.full_filename, file.other_data.fingerprint_size, file.other_data.fingerprint_write_ns,
                                   d.byte_position, hit, doc->fSearchWords.TypedInWordsAsStringlist(), Status());
  if (ok) viewer.raise();
  return ok;
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
  if (!word_cloud_) {
    word_cloud_ = new TFormWordCloud(this);
    word_cloud_->SetFileDialogs([this] { return &FileDialogs(); });
  }
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
  if (!extra_details_) {
    extra_details_ = new TFormExtraDetails(this);
    extra_details_->SetFileDialogs([this] { return &FileDialogs(); });
  }
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
    Status()->SetPanelText(kPanelMessage, u"The concordance names no texts to look in.");
}

TFormVXPasLibVCL* TFormLinzora::MediaWindow() const { return media_window_; }
TFormWordCloud* TFormLinzora::WordCloudWindow() const { return word_cloud_; }
TFormExtraDetails* TFormLinzora::ExtraDetailsWindow() const { return extra_details_; }
TFormTextStringGridExtra* TFormLinzora::ExtraGridWindow() const { return extra_grid_; }

void TFormLinzora::ViewersDataClosed() {
  if (word_cloud_) word_cloud_->DropBaseList();
}
