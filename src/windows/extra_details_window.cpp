#include "windows/extra_details_window.h"

#include <QApplication>
#include <QVBoxLayout>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/text/text_files.h"
#include "shell/qt/qt_application.h"
#include "windows/one_text_viewer.h"

namespace {

constexpr int kPanelMessage = 1;
constexpr int kPanelProgress = 2;
constexpr int kPanelStop = 8;

}  // namespace

TFormExtraDetails::TFormExtraDetails(QWidget* parent) : TVXStylableForm<QWidget>(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("Details"));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("StyledListboxFiles"));
  column->addWidget(list_, 1);
  status_ = new TVXStatusBar(this);
  status_->setObjectName(QStringLiteral("AdvOfficeStatusBar1"));
  column->addWidget(status_);
  menu_ = new QMenu(this);
  menu_->setObjectName(QStringLiteral("AdvPopupMenu1"));
  menu_->addAction(QStringLiteral("Frequencies"), this, [this] { Frequencies(); })->setObjectName(QStringLiteral("Frequencies1"));
  menu_->addAction(QStringLiteral("Open selected file"), this, [this] { OpenSelected(); })
      ->setObjectName(QStringLiteral("Openselectedfile1"));
  menu_->addAction(QStringLiteral("Save list of files"), this, [this] {
    TFileDialogRequest r;
    r.filter = u"Text files (*.txt);;All files (*)";
    r.default_ext = u".txt";
    UString name;
    if (!file_dialogs_().ChooseFileToSave(r, name)) return;
    SaveTheList(name);
  })->setObjectName(QStringLiteral("Savethelist1"));
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (!menu_->isEnabled()) return;
    menu_->popup(list_->mapToGlobal(at));
  });
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] { OpenSelected(); });
  connect(status_, &TVXStatusBar::PanelClicked, this, [this](int panel) {
    if (panel == kPanelStop) Stop();
  });
  resize(560, 420);
}

TFormExtraDetails::~TFormExtraDetails() = default;

void TFormExtraDetails::SetFileDialogs(std::function<TFileDialogs*()> dialogs) {
  given_dialogs_ = dialogs;
  file_dialogs_.Set(dialogs);
  if (viewer_) viewer_->SetFileDialogs(std::move(dialogs));
}

void TFormExtraDetails::ClearForNewSearch(bool with_popup, bool clear_lists) {
  menu_->setEnabled(with_popup);
  if (clear_lists) {
    candidates_.clear();
    highlight_words_.Clear();
  }
  SetProgress(0);
  list_->clear();
  lines_.clear();
  open_filename_.clear();
}

void TFormExtraDetails::AddHighlightWords(const TBaseSearchItems& list, int max_count) {
  for (int32_t i = 0; i < list.Count(); ++i) {
    if (i > 0 && i >= max_count) break;
    TSearch_word_format_rec rec;
    if (list.GetSWR(i, rec)) highlight_words_.AddOne(rec);
  }
}

void TFormExtraDetails::AddHighlightWords(const std::vector<UString>& words, int max_count) {
  for (const UString& w : FirstHighlightWords(words, max_count))
    highlight_words_.AddOne(TBaseSearchItems::MakeItem(w, 0x7FFFFFFF));
}

void TFormExtraDetails::SetTagHandlerAndTagTranslate(TTextTagHandler* handler, TTagsToTranslateList* translate) {
  tag_handler_ = handler;
  tags_to_translate_ = translate;
}

void TFormExtraDetails::SetProgress(int percent) {
  if (status_->PanelBarValue(kPanelProgress) == percent) return;
  status_->SetPanelBarStyle(kPanelProgress, true);
  status_->SetPanelBarValue(kPanelProgress, percent);
  MyYieldProcess();
}

void TFormExtraDetails::Stop() {
  if (!job_) return;
  job_->RequestStop(TStopState::StopNow);
  status_->SetPanelText(kPanelMessage, VXRes(TVXRes::VXStopped));
}

bool TFormExtraDetails::ComputeWordFrequencies(const TBaseSearchItems* search, TTextTagHandler* handler,
                                               TTagsToTranslateList* translate) {
  if (!search || search->Count() == 0 || candidates_.empty()) return false;
  // A count already running (this was asked from its yield) goes on alone.
  if (job_) return false;
  SetTagHandlerAndTagTranslate(handler, translate);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  status_->SetPanelText(kPanelStop, u"Stop");
  status_->SetPanelText(kPanelMessage, u"");
  ClearForNewSearch(true, false);
  show();
  // This count's own stop: one given earlier ended its own count only.
  TJobToken job;
  job_ = &job;
  const TExtraDetailsOutcome outcome = ::ComputeWordFrequencies(
      search->TypedInWordsAsStringlist(), candidates_, job,
      [this](int i, int n) { SetProgress(n > 0 ? i * 100 / n : 0); });
  job_ = nullptr;
  lines_ = outcome.lines;
  for (const TExtraDetailsLine& line : lines_) list_->addItem(ToQString(line.text));
  SetProgress(0);
  status_->SetPanelBarStyle(kPanelProgress, false);
  status_->SetPanelText(kPanelStop, u"");
  if (!outcome.stopped) {
    if (outcome.counted && lines_.empty())
      status_->SetPanelText(kPanelMessage, u"No text holds any of the search words.");
    else if (!outcome.counted)
      status_->SetPanelText(kPanelMessage, u"None of the texts could be counted.");
  }
  if (!outcome.failed.empty())
    status_->SetPanelText(kPanelMessage, u"Could not count " + IntToUStr(static_cast<int64_t>(outcome.failed.size())) +
                                             u" text(s), the first " + outcome.failed.front());
  Global_Busy_Dont_Show_Data = false;
  QApplication::restoreOverrideCursor();
  return outcome.counted;
}

void TFormExtraDetails::Frequencies() { ComputeWordFrequencies(&highlight_words_, tag_handler_, tags_to_translate_); }

bool TFormExtraDetails::OpenFileInViewer(UStringView file_name) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (!viewer_) {
    viewer_ = new TFormOneTextFileShower(this);
    if (given_dialogs_) viewer_->SetFileDialogs(given_dialogs_);
  }
  TFileDetails3_string details;
  details.file_name = UString(file_name);
  const bool ok = viewer_->OpenAndShowAText(details, 0x7FFFFFFF, status_);
  if (ok) {
    open_filename_ = UString(file_name);
    viewer_->setWindowTitle(ToQString(ExtractFileName(file_name)));
  }
  QApplication::restoreOverrideCursor();
  return ok;
}

bool TFormExtraDetails::AddHighlightKWSToOneTextFileShower() {
  if (!viewer_) return true;
  UString text;
  for (const UString& w : highlight_words_.TypedInWordsAsStringlist()) text += w + u"\r\n";
  viewer_->AddStringsToLeftListbox(text);
  viewer_->View()->SearchList.Clear();
  return true;
}

void TFormExtraDetails::OpenSelected() {
  const int row = list_->currentRow();
  if (EDBusy || row < 0 || row >= static_cast<int>(lines_.size())) return;
  EDBusy = true;
  open_filename_.clear();
  const TExtraDetailsLine& line = lines_[static_cast<size_t>(row)];
  if (line.kind == TExtraDetailsLine::kFile) {
    if (FileExists(line.file) && OpenFileInViewer(line.file)) {
      AddHighlightKWSToOneTextFileShower();
      viewer_->HighlightAll();
    }
  } else {
    // Only the text the hit line stands under: a text that does not open is said, never passed
    // for an earlier one.
    const int file_row = FileLineOfHit(lines_, row);
    if (file_row >= 0 && OpenFileInViewer(lines_[static_cast<size_t>(file_row)].file)) {
      EDBusy = false;
      HighlightWordOfLine(row);
      EDBusy = true;
    } else {
      status_->SetPanelText(kPanelMessage, VXResFmt(TVXRes::VXCantReadFile, {line.file}));
    }
  }
  EDBusy = false;
  SetProgress(0);
}

void TFormExtraDetails::HighlightWordOfLine(int row) {
  if (EDBusy || row < 0 || row >= static_cast<int>(lines_.size()) || !viewer_) return;
  const TExtraDetailsLine& line = lines_[static_cast<size_t>(row)];
  if (line.kind != TExtraDetailsLine::kHit) return;
  EDBusy = true;
  // The word the line was made for, whatever characters it holds.
  viewer_->View()->SearchList.LoadFromAStringlist({line.word});
  viewer_->HighlightAnyKWS();
  EDBusy = false;
}

bool TFormExtraDetails::SaveTheList(UStringView file_name) {
  UString text;
  for (const TExtraDetailsLine& line : lines_) text += line.text + u"\r\n";
  if (!SaveTextFileUtf16(file_name, text)) {
    VXDialog(TVXDialog::FailedToSave, {file_name});
    return false;
  }
  return true;
}
