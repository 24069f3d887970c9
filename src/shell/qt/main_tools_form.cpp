#include "shell/qt/main_tools_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QScreen>
#include <QStyle>
#include <QStackedWidget>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "model/reading/tag_lists.h"
#include "model/reading/text_statistics.h"
#include "model/reading/worker_tag_handler.h"
#include "model/documents/work_base.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "shell/files/document_read_failure.h"
#include "shell/files/file_recognition.h"
#include "shell/grid_tools/list_commands.h"
#include "shell/qt/grid_printing.h"
#include "shell/main_window/controller_messages.h"
#include "shell/main_window/main_window_rules.h"
#include "shell/main_window/main_window_services.h"
#include "shell/settings/list_loading.h"
#include "shell/menus/menu_features.h"
#include "shell/menus/menu_store.h"
#include "shell/qt/page_list.h"
#include "shell/qt/print_preview.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/qt_dialog_service.h"
#include "shell/qt/qt_file_dialogs.h"
#include "shell/menus/help_context.h"
#include "shell/qt/shared_windows.h"
#include "shell/qt/shell_menu_bar.h"
#include "shell/qt/speech_service.h"
#include "shell/qt/tool_bar.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/vx_status_bar.h"
#include "shell/qt/window_messages.h"
#include "shell/services/hand_over_folder.h"
#include "shell/services/progress.h"
#include "shell/services/suite_services.h"

namespace {

constexpr int kTagSave = 1;
constexpr int kTagOpen = 3;
constexpr int kTagNew = 8;
constexpr int kTagZap = 11;
constexpr int kTagDelete = 12;
constexpr int kTagRestore = 14;
constexpr int kTagMark = 18;
constexpr int kTagJoin = 19;
constexpr int kTagClose = 26;
constexpr int kTagMerge = 78;
constexpr int kTagStatusBar = 80;
constexpr int kTagMainToolbar = 81;
constexpr int kTagUndo = 82;
constexpr int kTagExit = 91;
constexpr int kTagRecentFile = 161;
constexpr int kTagClearMarking = 208;
constexpr int kTagSavePlainText = 2;
constexpr int kTagPrint = 4;
constexpr int kTagPrintPreview = 5;
constexpr int kTagColumnTotals = 114;
constexpr int kTagReverseDelete = 198;
constexpr int kTagReduceToN = 21;
constexpr int kTagFreezeRows = 195;
// The page of a document's text (a memo), which Plain Text saves as lines.
constexpr uint8_t kListTextPage = 27;

constexpr uint16_t kCodeTextSettings = 233;
constexpr uint16_t kCodeOpenTempFile = 613;
constexpr uint16_t kCodeStyle = 703;
constexpr uint16_t kCodeChosenTexts = 1241;
constexpr uint16_t kCodeNewInstance = 4602;
constexpr uint16_t kCodeHandedOver = 615;

// Files shown by the desktop's application for them and edited in the user's editor.
class TDesktopFileLauncher : public TFileLauncher {
 public:
  bool ShowFile(UStringView name) override {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQString(name)));
  }
  bool EditFile(UStringView name) override {
    const UString editor = EditorFromEnvironment();
    if (editor.empty()) return ShowFile(name);
    QStringList args = QProcess::splitCommand(ToQString(editor));
    if (args.isEmpty()) return ShowFile(name);
    const QString program = args.takeFirst();
    args << ToQString(name);
    return QProcess::startDetached(program, args);
  }
};

UString Num(int64_t n) { return IntToUStr(n); }

constexpr char16_t kBusyMessage[] = u"Please wait: the current job must finish or be stopped first.";

}  // namespace

TMainToolsForm::TMainToolsForm(uint8_t tool, QWidget* parent) : TVXStylableForm<QMainWindow>(parent), tool_(tool) {
  current_tool_var = tool;
  const TTextsett_rec32 text = GetTextSettings();
  const auto lcid = static_cast<uint32_t>(text.LCID());
  fTagsToTranslateList = std::make_unique<TTagsToTranslateList>(lcid, text.WindowsCodePage());
  // The concordancer's handler also finds its tags where hidden mark-up was marked.
  if (tool == kToolConcordancer) fTagHandler = std::make_unique<TLinzoraTextTagHandler>(lcid, text.WindowsCodePage());
  else fTagHandler = std::make_unique<TTextTagHandler>(lcid, text.WindowsCodePage());
  SetApplicationFont();
  setAcceptDrops(true);
  own_dialogs_ = std::make_unique<TQtFileDialogs>(this);
  file_dialogs_ = own_dialogs_.get();
  own_launcher_ = std::make_unique<TDesktopFileLauncher>();
  print_handler_ = std::make_unique<TPrintPreviewHandler>();
  file_launcher_ = own_launcher_.get();
  BuildWindow();
  own_window_ = WindowIdOf(this);
  SetUpMainWindowServices(own_window_, menu_model_);
  // The program's other processes see this window, and it theirs (Windows menu, Tile, placing).
  TSharedMainWindows::Instance().Watch(this, tool_);
  // The tool keeps its own typing mode; the Typing Mode items of the menu show it.
  menu_model_.SetTypeSetEditMenuItems(GetKeyPressMode(tool_));
  menus_->Sync();
  // Lists loaded for the tool report their line count to this window's pages.
  SetListLoadingPages(&pages_->Records());
  LoadWantedLists();
  connect(&auto_save_, &QTimer::timeout, this, &TMainToolsForm::TimerAutoSavingTick);
  NextFile.list_type = kListNone;
  SetMainCaption(*this, u"");
  SetUpFileDialogs(kListNone);
  // The start-up steps run once the event loop does, one after the other.
  QTimer::singleShot(0, this, [this] { IdleAtStart(); });
}

// The first place and size: three quarters of the screen, moved on by a caption's height per tool
// type and by a quarter inch for each window of the tool open already, in any of the program's
// processes.
void TMainToolsForm::PlaceOnScreen() {
  TScreenFacts facts;
  facts.caption_height = style()->pixelMetric(QStyle::PM_TitleBarHeight);
  const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  if (s) {
    facts.full_width = s->availableGeometry().width();
    facts.full_height = s->availableGeometry().height();
    facts.pixels_per_inch = static_cast<int>(s->logicalDotsPerInch());
  }
  facts.monitors = static_cast<int>(QGuiApplication::screens().size());
  const TWindowRect r = PlaceNewMainWindow(facts, tool_, TSharedMainWindows::Instance().ToolsOpen(tool_));
  move(r.left, r.top);
  resize(r.width, r.height);
}

TMainToolsForm::~TMainToolsForm() {
  auto_save_.stop();
  SetClosingFlag(true);
  // Windows that show the document's lists go before the document does.
  DetachListWindows();
  pages_->ClearPages();
  fData.reset();
  SetClosingFlag(false);
  SetListLoadingPages(nullptr);
  // Codes for the tool must not go to a window that is gone.
  if (global_own_HWnd == own_window_) UnregisterToolWindowAndQuit();
}

void TMainToolsForm::BuildWindow() {
  PlaceOnScreen();
  menus_ = new TShellMenuBar(menu_model_, menuBar());
  connect(menus_, &TShellMenuBar::TopMenuAboutToShow, this, [this](QMenu* menu, const TMenuNode* top) {
    if (IsWindowsMenu(*top)) FillWindowsMenu(*menu, own_window_);
  });
  connect(menus_, &TShellMenuBar::CommandChosen, this,
          [this](int tag, const QString& data) { HandleMenuCommand(tag, FromQString(data)); });

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  toolbar_panel_ = new QWidget(central);
  toolbar_panel_->setObjectName(QStringLiteral("ToolbarPanel"));
  column->addWidget(toolbar_panel_);
  stack_ = new QStackedWidget(central);
  column->addWidget(stack_, 1);

  start_panel_ = new QWidget(stack_);
  auto* start = new QVBoxLayout(start_panel_);
  auto* name = new QLabel(ToQString(Tool_Name(tool_)), start_panel_);
  QFont big = name->font();
  big.setPointSize(big.pointSize() * 3);
  big.setBold(true);
  name->setFont(big);
  name->setAlignment(Qt::AlignCenter);
  auto* version = new QLabel(ToQString(VXResFmt(TVXRes::VXVersion, {u"" LINZORA_VERSION_TEXT})), start_panel_);
  version->setAlignment(Qt::AlignCenter);
  start->addStretch();
  start->addWidget(name);
  start->addWidget(version);
  start->addStretch();
  stack_->addWidget(start_panel_);

  tabs_ = new QTabWidget(stack_);
  stack_->addWidget(tabs_);
  pages_ = new TPageList(tabs_, this);
  connect(pages_, &TPageList::PageChanged, this, [this](int tab) { PageChanged(tab); });
  setCentralWidget(central);

  status_ = new TVXStatusBar(this);
  setStatusBar(status_);
  status_->AttachToProgress();
  connect(status_, &TVXStatusBar::TypingModeChosen, this, [this](int mode) { SetTypingMode(mode); });
  connect(status_, &TVXStatusBar::PanelClicked, this, [this](int panel) {
    if (panel == 8 && HasData() && JobRunning()) EscapePressed();
  });

  BuildToolbar();
  ArrangeToolbarControls(*toolbar_panel_);
  RefreshRecentFiles();
  ShowDataState();
}

// --- the document -------------------------------------------------------------------------------

bool TMainToolsForm::HasData() const { return fData != nullptr && pages_->Count() > 0; }

bool TMainToolsForm::GridHasListData(const TVX_Grid* grid) const {
  if (!grid || !fData) return false;
  auto* g = const_cast<TVX_Grid*>(grid);
  return dynamic_cast<TVXBaseLemmaMatchCapableList*>(g->List()) != nullptr;
}

bool TMainToolsForm::HasUnsavedData() const {
  if (!fData) return false;
  if (fData->SourceTextFilename.empty() || data_changed_) return true;
  const QPlainTextEdit* notes = GetToolSpecificControl();
  return notes && notes->document()->isModified();
}

TVX_Grid* TMainToolsForm::CurrentGrid() const { return pages_->CurrentGrid(); }

void TMainToolsForm::RefreshTagHandler() {
  const TTextsett_rec32 text = GetTextSettings();
  ReloadTagHandler(*fTagHandler, *fTagsToTranslateList, TagReadSettingsFromStore(), static_cast<uint32_t>(text.LCID()),
                   text.WindowsCodePage());
}

std::unique_ptr<TTessorineholder> TMainToolsForm::CreateTheHolder(TTessorineList list_type) {
  NextFile.list_type = list_type;
  return CreateTheHolderWithCallbacks(list_type);
}

std::unique_ptr<TTessorineholder> TMainToolsForm::CreateTheHolderWithCallbacks(TTessorineList list_type) {
  NextFile.list_type = list_type;
  return nullptr;
}

// --- save questions -------------------------------------------------------------------------------

int TMainToolsForm::AskWhetherToSave() {
  if (!HasUnsavedData()) return mrOK;
  const int answer = VXDialog(TVXDialog::DoYouWantToSave,
                              {SaveQuestionName(list_type_as_string(fData->ListKind), fData->SourceTextFilename)});
  return ResolveSaveAnswer(answer, [this] {
    bool saved = false;
    SaveData(CurrentGrid(), saved);
    return saved;
  }, mrOK);
}

int TMainToolsForm::AskWhetherToSaveModifiedData() {
  if (!GetAskWhetherToSaveModifiedData() || !HasUnsavedData()) return mrOK;
  const int answer = VXDialog(TVXDialog::DoYouWantToSave,
                              {SaveQuestionName(list_type_as_string(fData->ListKind), fData->SourceTextFilename)});
  return ResolveSaveAnswer(answer, [this] {
    bool saved = false;
    SaveData(CurrentGrid(), saved);
    return saved;
  }, mrYes);
}

// --- closing --------------------------------------------------------------------------------------

bool TMainToolsForm::CanCloseData() {
  auto_save_.stop();
  if (fData) NextFile = fData->MainFile;
  const int answer = AskWhetherToSaveModifiedData();
  if (answer == mrCancel) {
    ArmAutoSave();
    return false;
  }
  if (!terminating_app) SetUpDisplay();
  return true;
}

void TMainToolsForm::CloseCurrentData() {
  terminating_app = false;
  if (RefusedDuringJob()) return;
  if (CanCloseData()) CloseData(true);
}

void TMainToolsForm::CloseData(bool tell) {
  auto_save_.stop();
  if (fData) {
    if (global_keeping_log) AddToLogFile(u"Closing data");
    // Every window that shows the document's lists lets go of them before the document goes.
    DetachListWindows();
    pages_->ClearPages();
    // Nothing of the window points into the document any more: it is freed on a thread of its
    // own, and the window (a new run, say) goes on meanwhile.
    released_documents_.Release(std::move(fData));
    totals_on_.clear();
    memo_file_.clear();
    data_changed_ = false;
    if (QPlainTextEdit* notes = GetToolSpecificControl()) notes->clear();
  }
  if (tell) {
    NextFile.name.clear();
    SetMainCaption(*this, u"");
  }
  ShowDataState();
}

void TMainToolsForm::closeEvent(QCloseEvent* e) {
  if (JobRunning()) {
    // The job's own stop question first; the window closes once the job has ended.
    e->ignore();
    EscapePressed();
    if (!close_after_job_) {
      close_after_job_ = true;
      RunWhenNoJob([this] {
        close_after_job_ = false;
        QTimer::singleShot(0, this, [this] { close(); });
      });
    }
    return;
  }
  terminating_app = true;
  if (CanCloseData()) {
    e->accept();
  } else {
    terminating_app = false;
    e->ignore();
  }
}

bool TMainToolsForm::RefusedDuringJob() {
  if (!JobRunning()) return false;
  status_->SetPanelText(kPanelMessage, kBusyMessage);
  return true;
}

// --- opening --------------------------------------------------------------------------------------

void TMainToolsForm::SetUpFileDialogs(TTessorineList list_type) { data_list_type_ = list_type; }

bool TMainToolsForm::ChooseFileToOpen(TVXStored_File_rec& chosen) {
  TFileDialogRequest r;
  r.folder = GetLastOpenedFolder(tool_);
  r.file_name = GetLastMainToolFileName(tool_);
  const UString ext = DefaultExtFromToolType(tool_);
  r.filter = ToQString(Tool_Name(tool_)).isEmpty() ? u"" : Tool_Name(tool_) + u" (*" + ext + u")";
  r.default_ext = ext;
  UString name;
  if (!file_dialogs_->ChooseFileToOpen(r, name)) return false;
  SetLastOpenedFolder(tool_, ExtractFilePath(name));
  chosen = TVXStored_File_rec();
  chosen.name = name;
  return CheckFileForTool(chosen, tool_) || chosen.list_type == kListPlainText;
}

bool TMainToolsForm::OpenWithDialog() {
  if (RefusedDuringJob()) return false;
  TVXStored_File_rec chosen;
  if (!ChooseFileToOpen(chosen)) return false;
  NextFile = chosen;
  if (!OpenAFile()) return false;
  SetUpFileDialogs(fData->ListKind);
  return true;
}

bool TMainToolsForm::OpenAFile() {
  if (RefusedDuringJob()) return false;
  const UString name = NextFile.name;
  if (global_keeping_log) AddToLogFile(u"trying to open " + name);
  if (name.empty() || !FileExists(name)) {
    VXDialog(TVXDialog::FailedToFind, {name});
    return false;
  }
  TVXStored_File_rec rec = NextFile;
  if (!CheckFileForTool(rec, tool_)) return false;  // the reason was given
  auto file = TFileStream::Open(name, TFileMode::OpenRead);
  TMemoryStream nothing;  // a file gone since it was examined reads as empty: refused
  return OpenDocument(rec, file ? static_cast<TStream&>(*file) : nothing);
}

bool TMainToolsForm::OpenDocument(const TVXStored_File_rec& rec, TStream& file) {
  const UString name = rec.name;
  // The new document is read whole before anything of the current one is touched.
  std::unique_ptr<TTessorineholder> holder;
  {
    THourglass hourglass;
    holder = CreateTheHolderWithCallbacks(rec.list_type);
    if (!holder) return false;
    status_->SetPanelText(kPanelMessage, VXResFmt(TVXRes::VXLoadingX, {name}));
    const T2_BooleanRec read = holder->ReadWholeFromOpenFile(file, name, tool_);
    status_->SetPanelText(kPanelMessage, u"");
    if (!read.first) {
      // A second look through a fresh document says whether the file was cut short or damaged.
      TReadFailure why = TReadFailure::Damaged;
      if (auto fresh = CreateTheHolderWithCallbacks(rec.list_type)) why = WhyDocumentDidNotRead(*fresh, file, tool_);
      VXDialog(TVXDialog::FailedToRead, {ReadFailureMessageArgument(name, why)});
      return false;
    }
  }
  if (fData && AskWhetherToSaveModifiedData() == mrCancel) return false;
  CloseData(false);
  holder->MainFile = rec;
  holder->MainFile.name = name;
  fData = std::move(holder);
  data_changed_ = false;
  SetLastMainToolFileName(tool_, name);
  RefreshRecentFiles();
  ShowDocumentPages();
  // The main page's columns as wide as the user left them.
  if (TVX_Grid* g = pages_->GridOfTab(0)) g->SetKeptColumnWidths(fData->ExtraStuff().GridColumnWidths());
  if (QPlainTextEdit* notes = GetToolSpecificControl()) notes->document()->setModified(false);
  ShowDataState();
  FitWindowToDocument();
  ArmAutoSave();
  // The idle step after opening says what the document lacks, once the pages are shown.
  pages_->Records().Last_actions |= kAfterOpening;
  QTimer::singleShot(0, this, [this] { AfterStartupIdle(); });
  return true;
}

void TMainToolsForm::OpenRecentFile(const UString& path) {
  if (RefusedDuringJob()) return;
  if (!FileExists(path)) {
    VXDialog(TVXDialog::FailedToFind, {path});
    return;
  }
  TVXStored_File_rec rec;
  rec.name = path;
  if (!CheckFileForTool(rec, tool_)) return;
  NextFile = rec;
  OpenAFile();
}

bool TMainToolsForm::HandleDroppedFiles(const std::vector<UString>& paths) {
  bool opened = false;
  for (const UString& path : paths) {
    if (RefusedDuringJob()) return opened;
    TVXStored_File_rec rec;
    rec.name = path;
    if (!CheckFileForTool(rec, tool_)) continue;  // its message was given; the next file is tried
    NextFile = rec;
    opened = OpenAFile();
  }
  return opened;
}

void TMainToolsForm::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TMainToolsForm::dropEvent(QDropEvent* e) {
  std::vector<UString> paths;
  for (const QUrl& url : e->mimeData()->urls())
    if (url.isLocalFile()) paths.push_back(FromQString(url.toLocalFile()));
  e->acceptProposedAction();
  HandleDroppedFiles(paths);
}

// --- merging --------------------------------------------------------------------------------------

void TMainToolsForm::MergeWithAFile(TVX_Grid* grid) {
  if (!GridHasListData(grid) || RefusedDuringJob()) return;
  const UString current = fData->SourceTextFilename;
  TVXStored_File_rec chosen;
  if (!ChooseFileToOpen(chosen)) return;  // nothing chosen, nothing merged
  if (SameFile(current, chosen.name)) {
    VXDialog(TVXDialog::CantMergeWithSameFile, {chosen.name});
    return;
  }
  bool merged = false;
  {
    THourglass hourglass;
    std::unique_ptr<TTessorineholder> second = CreateTheHolder(chosen.list_type);
    if (second && second->ReadWholeFromFile(chosen.name, tool_).first) {
      merged = fData->MergeWith(*second, ExtractFileName(chosen.name));
    }
    // The pages show the lists again, whatever the merge did to them.
    DetachListWindows();
    pages_->ClearPages();
    if (merged) {
      fData->AddOneLaterNote(VXRes(TVXRes::VXProcedureEquals),
                             VXResFmt(TVXRes::VXMergeXwithY, {chosen.name, current}));
      const UString joined = MergedCaption(current, chosen.name);
      fData->SaveAParentFilenameInExtraStuff(joined);
      fData->SourceTextFilename.clear();
      fData->MainFile.name.clear();
      data_changed_ = true;
    }
    ShowDocumentPages();
    if (merged) SetMainCaption(*this, MergedCaption(current, chosen.name));
  }
  if (!merged) VXDialog(TVXDialog::FailedToRead, {chosen.name});
  Global_Busy_Dont_Show_Data = false;
  UpdateControlsForData();
}

// --- the hand-over file -----------------------------------------------------------------------------

bool TMainToolsForm::SaveForHandOver() {
  TVX_Grid::PayOwedFits();
  if (!fData || RefusedDuringJob()) return false;
  if (TProgressClass* progress = GlobalProgress()) progress->Hide();
  UString why;
  const UString name = ToolHandOverFilename(tool_, &why);
  if (global_keeping_log) AddToLogFile(VXRes(TVXRes::VXSaving) + u" " + name);
  bool saved = false;
  if (!name.empty()) {
    THourglass hourglass;
    // A save counts the lists' changed entries as written; this copy is no save of the user's.
    TVXBaseListList& lists = fData->Lists();
    std::vector<int32_t> changed(static_cast<size_t>(lists.Count()), 0);
    for (int i = 0; i < lists.Count(); ++i)
      if (TDocumentList* list = lists.SafeItem(i)) changed[static_cast<size_t>(i)] = list->ChangedEntries();
    const QSize client = centralWidget()->size();
    saved = fData->SaveToFile(name, client.height(), client.width(), ScreenPixelsPerInch());
    for (int i = 0; i < lists.Count(); ++i)
      if (TDocumentList* list = lists.SafeItem(i)) list->SetChangedEntries(changed[static_cast<size_t>(i)]);
  }
  if (!saved) {
    VXDialog(TVXDialog::FailedToSave, {name.empty() ? why : name});
    return false;
  }
  SetMyTempFilename(name);
  SetLastMainToolFileName(tool_, name);
  RefreshRecentFiles();
  VXDialog(TVXDialog::SavedOK, {name});
  PostToController(kCodeHandedOver);
  return true;
}

bool TMainToolsForm::ReadFromHandOver() {
  if (RefusedDuringJob()) return false;
  if (TProgressClass* progress = GlobalProgress()) progress->Hide();
  const UString name = GetMyTempFilename();
  if (global_keeping_log) AddToLogFile(VXResFmt(TVXRes::VXOpeningX, {name}));
  // Opened once, with the hand-over checks (this user's own plain file, no link followed), and
  // read through that one descriptor: what is read is what was checked.
  UString why;
  auto file = name.empty() ? nullptr : OpenHandOverFile(name, kMostHandOverDocumentBytes, &why);
  if (!file) {
    VXDialog(TVXDialog::FailedToRead, {name.empty() ? name : why});
    return false;
  }
  TVXStored_File_rec rec;
  rec.name = name;
  if (!CheckOpenFileForTool(rec, *file, tool_)) return false;  // the reason was given
  if (!OpenDocument(rec, *file)) return false;  // the reason was given, or the user kept the shown data
  // Saving must not go silently into the hand-over folder: the user names the file.
  fData->SourceTextFilename.clear();
  fData->MainFile.name.clear();
  data_changed_ = true;
  SetPageAppropriateCaption();
  SetMyTempFilename(name);
  SetLastMainToolFileName(tool_, name);
  RefreshRecentFiles();
  UString fact = name;
  if (TVX_Grid* grid = CurrentGrid(); grid && grid->List()) {
    const int32_t entries = grid->List()->Count();
    fact += u": " + (entries == 1 ? VXRes(TVXRes::VX1Entry) : VXResFmt(TVXRes::VXNEntries, {Num(entries)}));
  }
  VXDialog(TVXDialog::ReportedAFact, {fact});
  PostToController(kCodeHandedOver);
  return true;
}

// --- saving ---------------------------------------------------------------------------------------

void TMainToolsForm::KeepGridLayoutInDocument() {
  TVX_Grid* g = pages_->GridOfTab(0);
  if (!fData || !g) return;
  std::vector<int32_t> widths;
  for (int c = 0; c < g->Model().columnCount(); ++c) widths.push_back(g->columnWidth(c));
  fData->ExtraStuff().SetGridColumnWidths(widths);
}

bool TMainToolsForm::SaveDocumentAndWindow(const UString& file_name) {
  THourglass hourglass;
  if (QPlainTextEdit* notes = GetToolSpecificControl()) {
    fData->fNotes.Clear();
    const QStringList lines = notes->toPlainText().split(QLatin1Char('\n'));
    for (const QString& line : lines) fData->fNotes.Add(FromQString(line));
  }
  KeepGridLayoutInDocument();
  const QSize client = centralWidget()->size();
  const bool ok = fData->SaveToFile(file_name, client.height(), client.width(), ScreenPixelsPerInch());
  if (ok) {
    const UString target = DocumentFileName(file_name, fData->ListKind);
    fData->SourceTextFilename = target;
    fData->MainFile.name = target;
    data_changed_ = false;
    if (QPlainTextEdit* notes = GetToolSpecificControl()) notes->document()->setModified(false);
    SetPageAppropriateCaption();
  }
  return ok;
}

bool TMainToolsForm::SaveDataToFile(TVX_Grid* grid, const UString& file_name) {
  // Every list's widths go into the document, those of pages never shown too (the autosave and
  // the save questions of closing come here without a command).
  TVX_Grid::PayOwedFits();
  if (file_name.empty() || !fData || (grid && !GridHasListData(grid))) return false;
  return SaveDocumentAndWindow(file_name);
}

void TMainToolsForm::AfterSaving(bool saved, const UString& file_name) {
  if (saved) {
    SetLastMainToolFileName(tool_, file_name);
    RefreshRecentFiles();
    // Said once the file is written: it no longer says "Saving".
    status_->SetPanelText(kPanelMessage, VXResFmt(TVXRes::VXXSavedOK, {file_name}));
  } else {
    VXDialog(TVXDialog::FailedToSave, {file_name});
  }
}

void TMainToolsForm::SaveData(TVX_Grid* grid, bool& saved) {
  saved = false;
  if (!fData || (grid && !GridHasListData(grid))) return;
  UString name = fData->SourceTextFilename;
  if (name.empty()) {
    TFileDialogRequest r;
    r.folder = GetLastOpenedFolder(tool_);
    r.default_ext = DefaultExtFromListType(fData->ListKind);
    r.filter = Tool_Name(tool_) + u" (*" + r.default_ext + u")";
    if (!file_dialogs_->ChooseFileToSave(r, name)) return;  // nothing saved, nothing reported
  }
  saved = SaveDataToFile(grid, name);
  AfterSaving(saved, fData->SourceTextFilename.empty() ? name : fData->SourceTextFilename);
}

bool TMainToolsForm::SaveAsText(TVX_Grid* grid, int format, const UString& file_name, const TExportSettings& choices) {
  if (BusySavingAs || !GridHasListData(grid)) return false;
  const UString folder = ExtractFilePath(file_name);
  if (!FolderIsWritable(folder)) {
    VXDialog(TVXDialog::CannotWriteToXFolder, {folder});
    return false;
  }
  if (format == kSaveAsListOwnType) {
    // The list's own type is the whole document, saved under the name chosen.
    const bool saved = SaveDataToFile(grid, file_name);
    AfterSaving(saved, file_name);
    if (saved) VXDialog(TVXDialog::SavedOK, {file_name});
    return saved;
  }
  TVX_Grid::PayOwedFits();
  auto* list = dynamic_cast<TDocumentList*>(grid->List());
  TExportSettings settings = choices;
  settings.format = format;
  settings.file_name = file_name;
  bool ok = false;
  if (list) {
    THourglass hourglass;
    BusySavingAs = true;
    ok = ExportListWithSettings(*list, *fData, settings, fData->SourceTextFilename);
    BusySavingAs = false;
  }
  // Only the export's own answer counts: an older file of that name is no success.
  if (ok) VXDialog(TVXDialog::SavedOKOpenNow, {file_name});
  else VXDialog(TVXDialog::FailedToSave, {file_name});
  return ok;
}

void TMainToolsForm::NewResult() {
  if (RefusedDuringJob()) return;
  if (!HasData()) {
    ShowStartDialog();
  } else {
    ++new_instances_asked;
    PostToController(kCodeNewInstance);
  }
}

void TMainToolsForm::ArmAutoSave() {
  const int ms = AutoSaveIntervalMs(GetAutoSaveMinutes(), fData != nullptr);
  if (ms > 0) auto_save_.start(ms);
  else auto_save_.stop();
}

void TMainToolsForm::TimerAutoSavingTick() {
  TAutoSaveState state;
  state.has_data = HasData();
  state.has_own_name = fData && !fData->SourceTextFilename.empty();
  state.job_running = JobRunning();
  state.exporting = BusySavingAs;
  if (!AutoSaveMayRun(state)) return;
  status_->SetPanelText(kPanelMessage, VXRes(TVXRes::VXAutoSaving));
  const UString name = fData->SourceTextFilename;
  if (!SaveDataToFile(CurrentGrid(), name)) status_->SetPanelText(kPanelMessage, VXResFmt(TVXRes::VXFailedToSaveX, {name}));
}

// --- start-up -------------------------------------------------------------------------------------

void TMainToolsForm::IdleAtStart() {
  QTimer::singleShot(0, this, [this] { HandleStartupParameters(); });
}

void TMainToolsForm::HandleStartupParameters() {
  std::vector<UString> params = command_line_;
  if (params.empty()) {
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) params.push_back(FromQString(args[i]));
  }
  if (!params.empty() && !params.front().empty()) {
    ParseCommandLine(params, parms);
    startup_document_ = DocumentNamedOnCommandLine(params, parms);
    // A name that reaches no file is still the user's wish: the opener reports it.
    if (startup_document_.empty()) startup_document_ = parms.formatted_params;
    if (global_keeping_log) AddToLogFile(VXResFmt(TVXRes::VXLoadingX, {startup_document_}));
    NextFile = FileRecFromParameter(startup_document_, tool_);
    if (NextFile.name.empty()) NextFile.name = startup_document_;
  } else if ((GetStartupOptions() & 2) != 0) {
    const auto items = menu_model_.RecentFileItems();
    if (!items.empty()) {
      startup_document_ = items.front()->data;
      NextFile = FileRecFromParameter(startup_document_, tool_);
      if (NextFile.name.empty()) NextFile.name = startup_document_;
    }
  }
  ApplyTextSettings(-1);
  QTimer::singleShot(0, this, [this] { AfterStartupIdle(); });
}

void TMainToolsForm::AfterStartupIdle() {
  TOneToolWindowList& records = pages_->Records();
  // The tags to keep that the texts are read with, when a tag file gives some.
  if (const int32_t tags = GetTagsWanted(); tags > 0)
    status_->SetPanelText(kPanelMessage, VXRes(TVXRes::VXTagFile) + u": " +
                                             VXResFmt(TVXRes::VXNmanyEntriesFound, {Num(tags)}));
  if (records.Last_actions != 0) {
    if (records.Last_actions & kAfterOpening) {
      SetUpFileDialogs(NextFile.list_type);
      // A document read without some of its data fields leaves columns of its pages empty.
      if (HasData() && !fData->ReadComplete) VXDialog(TVXDialog::NotApplicableExplanation);
    }
    constexpr uint32_t kAfterReading = (1u << 6) | (1u << 9) | (1u << 10);
    if ((records.Last_actions & kAfterReading) != 0 && TextFiles_convertedtoUnicode > 0) {
      VXDialog(TVXDialog::NTextFilesConverted, {Num(TextFiles_convertedtoUnicode)});
      TextFiles_convertedtoUnicode = 0;
    }
  }
  records.Last_actions = 0;
  startup_done_ = true;
}

void TMainToolsForm::ApplyTextSettings(int code) {
  if (ClosingFlag()) return;
  SetMenuChecks();
  if (code == kCodeTextSettings && fData) {
    // The document's own form: a concordance takes its settings record and plot order too.
    TVX_Grid* g = CurrentGrid();
    fData->UpdateSettingsFromTextbuf(code, g ? dynamic_cast<TDocumentList*>(g->List()) : nullptr, 0);
    if (g) g->ListChanged();
  }
  // A preview on show takes a new page set-up at once.
  if (code == kCodeTextSettings && preview_form_ && preview_form_->isVisible()) {
    preview_form_->LoadStoredSettings();
    preview_form_->Redraw();
  }
  // A new auto-save interval holds from now, not from the next file opened.
  if (code == kCodeTextSettings) ArmAutoSave();
}

// --- what the window shows ------------------------------------------------------------------------

void TMainToolsForm::ShowDataState() {
  const bool data = HasData();
  pages_->Records().fHasData = data;
  stack_->setCurrentWidget(data ? static_cast<QWidget*>(tabs_) : start_panel_);
  SetToolbarAndStatusBarVisibility();
  if (!data) {
    for (int p = 0; p < TVXStatusBar::kPanels; ++p) status_->SetPanelText(p, u"");
    FitMenus(kNoListType, kNoGridAlternative, nullptr);
    PostToController(4600);
  } else {
    SetClosingFlag(false);
    PageChanged(tabs_->currentIndex());
  }
}

void TMainToolsForm::UpdateControlsForData() {
  if (TVX_Grid* g = CurrentGrid()) g->ListChanged();
  ShowDataState();
  SetPageAppropriateCaption();
}

void TMainToolsForm::PageChanged(int tab) {
  status_->SetPanelText(kPanelMessage, u"");
  if (!HasData()) {
    FitMenus(kNoListType, kNoGridAlternative, nullptr);
    return;
  }
  FitControlsToActivePage();
  TVX_Grid* grid = pages_->GridOfTab(tab);
  const uint8_t type = grid ? grid->ListType() : pages_->CurrentListType();
  FitMenus(type, grid ? static_cast<uint8_t>(grid->Alternative()) : 0, grid);
  FitToolbarToPage(type, grid ? static_cast<uint8_t>(grid->Alternative()) : 0);
  if (grid) {
    ShowEntryCount(grid);
  } else {
    // A page without a grid (the notes) counts no entries and has no rows.
    status_->SetPanelText(kPanelEntries, u"");
    status_->SetPanelText(kPanelRow, u"");
  }
  SetPageAppropriateCaption();
  SetMenuChecks();
}

void TMainToolsForm::FitMenus(uint8_t list_type, uint8_t alternative, TVX_Grid* grid) {
  TOneToolWindowList& records = pages_->Records();
  // Every fitting goes through the page list, which knows when nothing the menu shows changed.
  records.FitMenuToListType(menu_model_, MenuFitInputsFor(list_type, alternative, grid && ShowsRelatedTexts(grid), grid ? grid->List() : nullptr));
  // Undo and Redo follow the page's own list (and Sync shows the fitting).
  ShowUndoRedoState(grid);
  FitGridRuler(grid, records.RulerFeatureFound());
}

void TMainToolsForm::ShowEntryCount(TVX_Grid* grid) {
  if (!grid || !grid->List()) return;
  const int n = grid->List()->Count();
  status_->SetPanelText(kPanelEntries, n == 1 ? VXRes(TVXRes::VX1Entry) : VXResFmt(TVXRes::VXNEntries, {Num(n)}));
  ShowRowStatus(grid);
}

void TMainToolsForm::ShowRowStatus(TVX_Grid* grid) {
  if (!grid || !grid->List()) return;
  // A page without rows has no row to name.
  // (The list's rows: a page not yet shown need not be given them for this.)
  if (grid->RowCount() == 0) {
    status_->SetPanelText(kPanelRow, u"");
    return;
  }
  status_->SetPanelText(kPanelRow, VXRes(TVXRes::VXRowNumber) + u" " + GroupedCount(std::max(1, grid->CurrentRow())));
}

void TMainToolsForm::FollowCurrentRow(TVX_Grid* grid) {
  connect(grid->selectionModel(), &QItemSelectionModel::currentChanged, this, [this, grid] {
    if (grid == CurrentGrid()) ShowRowStatus(grid);
  });
}

void TMainToolsForm::SetPageAppropriateCaption() {
  if (!fData) {
    SetMainCaption(*this, u"");
    return;
  }
  const uint8_t type = pages_->CurrentListType();
  UString file = fData->SourceTextFilename;
  if (file.empty() && !fData->ExtraStuffParentFilename().empty()) {
    SetMainCaption(*this, PageCaption(list_type_as_string(type), u"") + u" " + fData->ExtraStuffParentFilename());
    return;
  }
  SetMainCaption(*this, PageCaption(list_type_as_string(type), file));
}

void TMainToolsForm::SetMenuChecks() {
  menu_model_.RedoMenuItemsCheckStates();
  menus_->Sync();
  const int shown = NumberDisplayTagOfValue(GetDisplayWordsPerMillion());
  for (int tag : {kTagPercent, kTagPerThousand, kTagPerMillion, kTagNumbersDefault})
    if (QAction* a = menus_->ActionOfTag(tag)) {
      a->setCheckable(true);
      a->setChecked(tag == shown);
    }
  SetToolbarAndStatusBarVisibility();
}

void TMainToolsForm::SetTypingMode(int mode) {
  if (mode < 0 || mode > 2) return;
  SetKeyPressMode(tool_, static_cast<uint8_t>(mode));
  if (HasData()) status_->SetTypingMode(mode);
  menu_model_.SetTypeSetEditMenuItems(mode);
  if (type_mode_combo_ && type_mode_combo_->currentIndex() != mode) type_mode_combo_->setCurrentIndex(mode);
}

void TMainToolsForm::SetTypeModeCombo(QComboBox* combo) {
  type_mode_combo_ = combo;
  combo->setParent(toolbar_panel_);
  combo->setCurrentIndex(GetKeyPressMode(tool_));
  connect(combo, &QComboBox::currentIndexChanged, this, [this](int i) { SetTypingMode(i); });
  combo->show();
  ArrangeToolbarControls(*toolbar_panel_);
}

void TMainToolsForm::RefreshRecentFiles() {
  menu_model_.SetRecentFileItems(tool_);
  menus_->Sync();
  BuildToolbar();
}

void TMainToolsForm::SettingsChanged() {
  menu_model_.UpdateAllMenuShortCutsFromStore();
  menus_->Sync();
  // Each grid's right-click menu is made afresh from the stored choice when it pops up.
}

void TMainToolsForm::FormActivate() {
  ActivateMainForm(*this, [this](int) { SetMenuChecks(); });
}

// --- commands -------------------------------------------------------------------------------------

void TMainToolsForm::HandleMenuCommand(int tag, const UString& data) {
  if (tag >= 0 && tag < kMenuTagCount && IsCheckableMenuItem(tag))
    if (QAction* a = menus_->ActionOfTag(tag)) SetMenuItemChecked(tag, a->isChecked());
  if (HandleGeneralMenuCommand(tag, *this)) return;
  TVX_Grid* grid = CurrentGrid();
  if (HandleCommonMenuCommand(tag, grid)) return;
  switch (tag) {
    case kTagRecentFile: OpenRecentFile(data); break;
    case kTagNew: NewResult(); break;
    case kTagSave: {
      bool saved = false;
      if (!RefusedDuringJob()) SaveData(grid, saved);
      break;
    }
    case kTagMerge: MergeWithAFile(grid); break;
    case kTagExit: close(); break;
    case kTagDelete: DeleteSelectedRows(grid); break;
    case kTagRestore:
      if (grid) for (int r : grid->SelectedRows()) SetRowsDeleted(grid, r, r, false);
      break;
    case kTagMark: MarkSelectedRows(grid, true); break;
    case kTagJoin: JoinRows(grid, grid ? grid->CurrentRow() : 0); break;
    case kTagZap: ZapList(grid); break;
    case kTagReduceToN: ReduceToNFromInput(grid); break;
    case kTagFreezeRows: FreezeRowsFromInput(grid); break;
    case kTagUndo: UndoList(grid); break;
    case kTagSavePlainText: SavePageAsPlainText(); break;
    case kTagPrint: PrintGridPages(grid); break;
    case kTagPrintPreview: PreviewGrid(grid); break;
    case kTagReverseDelete: ReverseDeletionOnGrid(grid); break;
    case kTagColumnTotals: ColumnTotalsOnGrid(grid); break;
    case kTagMarkMatches:
    case kTagDeleteMatched:
    case kTagDeleteUnmatched:
    case kTagClearAllMatches:
    case kTagSetUpMatchMethod: MatchCommandOnGrid(grid, tag); break;
    default:
      if (grid) grid->HandleGridCommand(tag);
      break;
  }
}

bool TMainToolsForm::HandleCommonMenuCommand(int tag, TVX_Grid* grid) {
  const int display = NumberDisplayOfTag(tag);
  if (display >= 0) {
    SetMenuItemChecked(tag, true);
    SetDisplayWordsPerMillion(static_cast<uint8_t>(display));
    SetMenuChecks();
    if (grid) grid->ListChanged();
    return true;
  }
  if (tag == kTagClearMarking && GridHasListData(grid)) {
    // Marking and matching share the matched mark of the entries.
    grid->List()->UnmatchAll();
    ListChanged(grid);
    return true;
  }
  return false;
}

bool TMainToolsForm::event(QEvent* e) {
  if (e->type() == TWindowMessageEvent::EventType()) {
    auto* m = static_cast<TWindowMessageEvent*>(e);
    if (m->msg == 0x401) {
      const auto code = static_cast<uint16_t>(m->wparam & 0xFFFF);
      if (code == kCodeOpenTempFile || code == kCodeChosenTexts) {
        if (RefusedDuringJob()) return true;
      }
      HandleCallingProgramMessage(code, *this);
      switch (code) {
        case kCodeTextSettings: ApplyTextSettings(kCodeTextSettings); break;
        case kCodeOpenTempFile: {
          const UString name = GetMyTempFilename();
          if (!name.empty() && IsAFileForThisTool(name, tool_)) {
            NextFile = TVXStored_File_rec();
            NextFile.name = name;
            if (OpenAFile()) show();
          }
          break;
        }
        case kCodeStyle: ApplyStyleNumber(GetGlobalStyleNumber()); break;
        case kCodeChosenTexts:
          if (tool_ == 0 || tool_ == 1 || tool_ == 3) ShowStartDialog();
          break;
        default: break;
      }
      return true;
    }
  }
  return TVXStylableForm<QMainWindow>::event(e);
}

// --- grid call-backs ------------------------------------------------------------------------------

void TMainToolsForm::ListChanged(TVX_Grid* grid) {
  pages_->Records().Last_actions |= 1u << 15;
  data_changed_ = true;
  ShowUndoRedoState(grid);
  grid->ListChanged();
  ListRowsChanged(grid);
  UpdateControlsForData();
}

int TMainToolsForm::EntryOfGridRow(TVX_Grid* grid, int row) const {
  // Rows a list shows above its entries (a statistics list's overall row) take no entry.
  TVXBaseDataClass* list = grid->List();
  const int above = std::max(0, list->TotalRowCount() - list->Count());
  return row - 1 - above;
}

void TMainToolsForm::RefreshGrid(TVX_Grid* grid) {
  if (GridHasListData(grid)) grid->ListChanged();
}

void TMainToolsForm::DeleteSelectedRows(TVX_Grid* grid) {
  if (!GridHasListData(grid)) return;
  std::vector<int32_t> indices;
  const int count = grid->List()->Count();
  for (int r : grid->SelectedRows())
    if (RowIndexInRange(EntryOfGridRow(grid, r), count)) indices.push_back(EntryOfGridRow(grid, r));
  if (indices.empty()) return;
  grid->List()->DeleteARange(indices, true, true);
  ListChanged(grid);
}

void TMainToolsForm::SetRowsDeleted(TVX_Grid* grid, int first, int last, bool deleted) {
  if (!GridHasListData(grid)) return;
  TVXBaseDataClass* list = grid->List();
  first = std::max(EntryOfGridRow(grid, first), 0);
  last = std::min(EntryOfGridRow(grid, last), list->Count() - 1);
  const int64_t total = int64_t{last} - first + 1;
  int64_t counter = 0;
  for (int i = first; i <= last; ++i) {
    list->SetDeleted(i, deleted);
    if ((++counter & 0xFF) == 0xFF) PercentToStatusBar(counter, total);
  }
  ListChanged(grid);
}

void TMainToolsForm::MarkSelectedRows(TVX_Grid* grid, bool mark) {
  if (!GridHasListData(grid)) return;
  TVXBaseDataClass* list = grid->List();
  std::vector<int32_t> indices;
  for (int r : grid->SelectedRows())
    if (RowIndexInRange(EntryOfGridRow(grid, r), list->Count())) indices.push_back(EntryOfGridRow(grid, r));
  if (indices.empty()) return;
  list->MatchARange(indices, true, mark);
  ListChanged(grid);
}

void TMainToolsForm::JoinRows(TVX_Grid* grid, int row) {
  if (!GridHasListData(grid) || !IsLemmatisableListType(grid->ListType())) return;
  TVXBaseDataClass* list = grid->List();
  const std::vector<int> rows = grid->SelectedRows();
  const int head = EntryOfGridRow(grid, row);
  bool changed = false;
  for (int r : rows) {
    const int form = EntryOfGridRow(grid, r);
    if (form != head && RowIndexInRange(form, list->Count()) && RowIndexInRange(head, list->Count()))
      changed = list->Join(head, form, true) || changed;
  }
  if (changed) ListChanged(grid);
}

void TMainToolsForm::AddLaterNote(UStringView what, UStringView detail) {
  if (!fData) return;
  const int before = fData->fNotes.Count();
  fData->AddOneLaterNote(what, detail);
  QPlainTextEdit* notes = GetToolSpecificControl();
  if (!notes) return;
  const bool modified = notes->document()->isModified();
  for (int i = before; i < fData->fNotes.Count(); ++i) notes->appendPlainText(ToQString(fData->fNotes[i]));
  notes->document()->setModified(modified);
}

void TMainToolsForm::ZapList(TVX_Grid* grid) {
  if (!GridHasListData(grid)) return;
  if (VXDialog(TVXDialog::OKToZapNow) != mrYes) return;
  const int zapped = grid->List()->Zap(true);
  if (zapped > 0) AddLaterNote(u"Zap", Num(zapped));
  ListChanged(grid);
}

void TMainToolsForm::ReduceToN(TVX_Grid* grid, UStringView count_text) {
  if (!GridHasListData(grid)) return;
  TVXBaseDataClass* list = grid->List();
  const auto n = ReduceCountFromText(count_text, list->Count());
  if (!n) return;
  if (VXDialog(TVXDialog::ReduceDataOK, {Num(*n)}) != mrYes) return;
  std::vector<int32_t> rest;
  for (int i = static_cast<int>(*n); i < list->Count(); ++i) rest.push_back(i);
  list->DeleteARange(rest, true, true);
  list->Zap(true);
  ListChanged(grid);
}

bool TMainToolsForm::AskInInputBox(const UString& caption, const UString& prompt, UString& answer) {
  if (input_box_) return input_box_(caption, prompt, answer);
  bool ok = false;
  const QString text =
      QInputDialog::getText(this, ToQString(caption), ToQString(prompt), QLineEdit::Normal, ToQString(answer), &ok);
  if (ok) answer = FromQString(text);
  return ok;
}

void TMainToolsForm::ReduceToNFromInput(TVX_Grid* grid) {
  if (!GridHasListData(grid) || RefusedDuringJob()) return;
  UString answer = Num(grid->List()->Count());
  const UString caption = VXRes(TVXRes::VXREduceData);
  const UString prompt = VXRes(TVXRes::VXHowManyEntries);
  const bool given = AskInInputBox(caption, prompt, answer);
  // A cancelled box, 0, a non-number or a count not below the current one change nothing.
  if (given) ReduceToN(grid, answer);
}

void TMainToolsForm::FreezeRowsFromInput(TVX_Grid* grid) {
  if (!GridHasListData(grid)) return;
  UString answer = Num(grid->FrozenRows() > 0 ? grid->FrozenRows() : 1);
  const UString caption = u"Freeze top rows";
  const UString prompt = u"How many rows at the top stay in place while the others scroll? (0: none)";
  const bool given = AskInInputBox(caption, prompt, answer);
  if (!given) return;
  // A number from 0 to the rows the list has; anything else changes nothing.
  bool number = !answer.empty() && answer.size() < 10;
  int rows = 0;
  for (char16_t c : answer) {
    if (c < u'0' || c > u'9') number = false;
    else rows = rows * 10 + (c - u'0');
  }
  if (!number || rows > grid->RowCount()) return;
  grid->FreezeTopRows(rows);
}

void TMainToolsForm::UndoList(TVX_Grid* grid) {
  if (!GridHasListData(grid)) return;
  if (grid->List()->Undo()) ListChanged(grid);
}

void TMainToolsForm::RedoList(TVX_Grid* grid) {
  if (!GridHasListData(grid)) return;
  if (grid->List()->Redo()) ListChanged(grid);
}

void TMainToolsForm::ShowUndoRedoState(TVX_Grid* grid) {
  if (TVXBaseDataClass* list = grid ? grid->List() : nullptr) {
    menu_model_.HandleUnOrRedoAction(false, u"", static_cast<int>(list->UndoDepth()));
    menu_model_.HandleUnOrRedoAction(true, u"", static_cast<int>(list->RedoDepth()));
  } else {
    menu_model_.ResetUnOrRedoActions();
  }
  menus_->Sync();
}

bool TMainToolsForm::RowQuery(TVX_Grid* grid, int index) {
  if (!GridHasListData(grid)) return false;
  return RowIndexInRange(index, grid->List()->Count()) && grid->List()->GetDeleted(index);
}

void TMainToolsForm::GoToRow(TVX_Grid* grid, int row) {
  if (!GridHasListData(grid)) return;
  const TGoToRow plan = GoToRowPlan(row, grid->Model().rowCount() + 1);
  if (plan.top) grid->SetTopRow(*plan.top);
  grid->selectRow(plan.current - 1);
}

void TMainToolsForm::PercentToStatusBar(int64_t done, int64_t total) {
  const auto percent = PercentDone(done, total);
  if (!percent) return;
  status_->SetPanelText(kPanelEntries, Num(*percent) + u"%");
  PumpQtEvents();
}

void TMainToolsForm::ShowSourceOfRow(TVX_Grid* grid, int row, bool& shown) {
  shown = false;
  if (!GridHasListData(grid)) return;
  if (grid->ListType() != kListSourceFiles && grid->ListType() != kListStatistics) return;
  const int entry = EntryOfGridRow(grid, row);
  if (!RowIndexInRange(entry, grid->List()->Count())) return;
  // The grid may show a text's name only; the statistics keep the whole path.
  UString name;
  if (auto* stats = dynamic_cast<TVXStatsList*>(grid->List())) {
    name = stats->GetEntryFullFilename(entry);
  } else {
    TGrid_data_rec cell;
    grid->List()->DrawgridDataRec(1, row, cell, grid->Alternative());
    name = cell.text;
  }
  shown = FileExists(name) && file_launcher_->ShowFile(name);
}

void TMainToolsForm::ShowRelativeEntropy(TVX_Grid* grid, UStringView basis_text) {
  if (!GridHasListData(grid)) return;
  const auto basis = RelativeEntropyBasisFromText(basis_text);
  if (!basis) {
    // The old basis stays: 0, 1 or a negative basis would write an infinite entropy.
    VXDialog(TVXDialog::InformationMessage, {VXRes(TVXRes::VXXBasis) + u": " + UString(basis_text)});
    return;
  }
  fData->SetRelativeEntropyBasis(*basis);
  data_changed_ = true;
}

// --- files handed on, texts saved, list commands ---------------------------------------------------

void TMainToolsForm::OpenOrEditFile(const UString& name) { ::OpenOrEditFile(name, *file_launcher_); }

bool TMainToolsForm::SavePageAsPlainText() {
  if (!fData) return false;
  if (TVX_Grid* grid = CurrentGrid()) {
    if (!GridHasListData(grid)) return false;
    TFileDialogRequest r;
    r.folder = GetLastOpenedFolder(tool_);
    r.filter = u"Text files (*.txt)";
    r.default_ext = u".txt";
    UString name;
    if (!file_dialogs_->ChooseFileToSave(r, name)) return false;
    return SaveAsText(grid, 0, name);
  }
  auto* memo = qobject_cast<QPlainTextEdit*>(pages_->Tabs()->currentWidget());
  if (!memo) return false;
  UString name;
  if (!SaveMemoLines(memo->toPlainText(), name)) return false;
  status_->SetPanelText(kPanelMessage, VXResFmt(TVXRes::VXXSavedOK, {name}));
  return true;
}

bool TMainToolsForm::SaveMemoLines(const QString& text, UString& saved_to) {
  std::vector<UString> lines;
  for (const QString& line : text.split(QLatin1Char('\n'))) lines.push_back(FromQString(line));
  UString name = memo_file_;
  if (!SaveLinesToFile(name, lines, *file_dialogs_)) return false;
  memo_file_ = name;
  saved_to = name;
  return true;
}

// --- the commands every tool shares ---------------------------------------------------------------

bool TMainToolsForm::SaveTextPageLines() {
  if (!fData || pages_->CurrentListType() != kListTextPage) return false;
  // The text page is a plain memo or a rich one (a source text with its marks): its plain text
  // is saved either way.
  QWidget* page = pages_->Tabs()->currentWidget();
  QString text;
  if (auto* memo = qobject_cast<QPlainTextEdit*>(page)) text = memo->toPlainText();
  else if (auto* rich = qobject_cast<QTextEdit*>(page)) text = rich->toPlainText();
  else return false;
  UString name;
  // A cancelled or failed save has said so (or nothing was chosen); the command is still ours.
  if (SaveMemoLines(text, name)) VXDialog(TVXDialog::SavedOK, {name});
  return true;
}

bool TMainToolsForm::MainFormIsActive() const {
  const QWidget* active = QApplication::activeWindow();
  return active == nullptr || active == this;
}

void TMainToolsForm::CloseDataFromMenu() {
  SetClosingFlag(true);
  CloseCurrentData();
  SetClosingFlag(false);
}

void TMainToolsForm::LoadOrClearList(int kind, bool load) { LoadOrClearListNow(kind, load); }

void TMainToolsForm::ApplyRulerToCurrentGrid() {
  if (TVX_Grid* grid = CurrentGrid()) grid->ApplyStoredRuler();
}

void TMainToolsForm::SetToolbarAndStatusBarVisibility() {
  toolbar_panel_->setVisible(GetMenuItemChecked(kTagMainToolbar) && pages_->Records().fHasData);
  status_->setVisible(GetMenuItemChecked(kTagStatusBar));
}

void TMainToolsForm::ShowHelpContext(int context) { HandleAHelpFileChoice(context, &OpenHelpPage); }

void TMainToolsForm::SetDocumentTagDisplay(uint8_t display) {
  if (fData) fData->TagDisplay = display;
}

void TMainToolsForm::RefreshChecksAndGrid() {
  SetMenuChecks();
  if (TVX_Grid* grid = CurrentGrid()) grid->ListChanged();
}

void TMainToolsForm::MatchCommandOnGrid(TVX_Grid* grid, int tag) {
  if (tag == kTagSetUpMatchMethod) {
    PostToController(kCodeMatchListSetUp);
    return;
  }
  if (!GridHasListData(grid) || RefusedDuringJob()) return;
  auto* list = static_cast<TVXBaseLemmaMatchCapableList*>(grid->List());
  const TMatchCommandOutcome out = MatchCommand(*list, tag, tool_);
  if (!out.ran) return;
  ListChanged(grid);
  status_->SetPanelText(kPanelMessage, out.report);
}

void TMainToolsForm::ReverseDeletionOnGrid(TVX_Grid* grid) {
  if (!GridHasListData(grid) || RefusedDuringJob()) return;
  if (ReverseDeletion(*grid->List(), [this](int64_t done, int64_t total) { PercentToStatusBar(done, total); }))
    ListChanged(grid);
}

void TMainToolsForm::ColumnTotalsOnGrid(TVX_Grid* grid) {
  if (!GridHasListData(grid)) return;
  bool& on = totals_on_[grid->List()];
  ComputeColumnTotalsIfWanted(*grid->List(), on);
  SetMenuItemChecked(kTagColumnTotals, on);
  // The grid's row count follows the list, totals rows included.
  grid->ListChanged();
  SetMenuChecks();
}

// --- printing -------------------------------------------------------------------------------------

TVXFormPrintPreview& TMainToolsForm::EnsurePreviewForm() {
  if (!preview_form_) {
    preview_form_ = new TVXFormPrintPreview(this);
    preview_form_->AssignStuff(this, print_handler_.get(), file_dialogs_);
    print_handler_->SetPreview(preview_form_);
  }
  return *preview_form_;
}

void TMainToolsForm::DetachListWindows() {
  print_handler_->SetTheGrid(nullptr);
  if (preview_form_) {
    preview_form_->PreviewGrid(nullptr);
    preview_form_->hide();
  }
}

int32_t TMainToolsForm::PrintGridPages(TVX_Grid* grid) {
  if (!GridHasListData(grid) || RefusedDuringJob()) return 0;
  TVXFormPrintPreview& preview = EnsurePreviewForm();
  preview.LoadStoredSettings();
  print_handler_->SetTheGrid(grid);
  if (preview.PreviewedGrid() != grid) preview.PreviewGrid(grid);
  return preview.PrintPages();
}

void TMainToolsForm::PreviewGrid(TVX_Grid* grid) {
  if (!GridHasListData(grid) || RefusedDuringJob()) return;
  TVXFormPrintPreview& preview = EnsurePreviewForm();
  preview.LoadStoredSettings();
  print_handler_->SetTheGrid(grid);
  preview.PreviewGrid(grid);
  preview.show();
  preview.raise();
}

// --- the source-text viewer ---------------------------------------------------------------------

void TMainToolsForm::SetSourceTextViewer(TSourceTextRichEdit* viewer) {
  source_text_ = viewer;
  if (!source_menu_) {
    source_menu_ = new QMenu(this);
    const std::pair<int, QString> items[] = {
        {kSourceSave, QStringLiteral("Save")},
        {kSourcePrint, QStringLiteral("Print")},
        {kSourceCopy, QStringLiteral("Copy")},
        {kSourceHighlight, QStringLiteral("Highlight words")},
        {kSourceNext, QStringLiteral("Next")},
        {kSourcePrevious, QStringLiteral("Previous")},
        {kSourceGreyTags, QStringLiteral("Grey markup")},
        {kSourceClearMarkup, ToQString(VXRes(TVXRes::VXRemoveMarkup))},
        {kSourceRefresh, QStringLiteral("Refresh")},
    };
    for (const auto& [item, caption] : items) {
      QAction* a = source_menu_->addAction(caption);
      a->setData(item);
      connect(a, &QAction::triggered, this, [this, item] { SourceTextCommand(item); });
    }
  }
  if (!viewer) return;
  viewer->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(viewer, &QWidget::customContextMenuRequested, this,
          [this, viewer](const QPoint& at) { source_menu_->popup(viewer->mapToGlobal(at)); });
  connect(viewer, &TSourceTextRichEdit::NextRequested, this,
          [this](bool forward) { SourceTextCommand(forward ? kSourceNext : kSourcePrevious); });
}

void TMainToolsForm::SourceTextCommand(int item) {
  TSourceTextRichEdit* v = source_text_;
  if (!v) return;
  switch (item) {
    case kSourceSave:
      SaveRichOrPlainText(v->ShownText(), v->RtfBytes(), *file_dialogs_, file_launcher_);
      break;
    case kSourcePrint: PrintSourceText(); break;
    case kSourceCopy: v->CopyAll(); break;
    case kSourceHighlight: v->HighlightKWs(); break;
    case kSourceNext:
    case kSourcePrevious:
      if (v->GotoNextKW(item == kSourceNext)) {
        status_->SetPanelText(kPanelEntries, VXResFmt(TVXRes::VXNHits, {Num(v->HighlightCount())}));
        status_->SetPanelText(kPanelRow, Num(v->CurrentHit()));
      }
      status_->SetPanelText(kPanelMessage, v->Message());
      break;
    case kSourceGreyTags: {
      const int64_t length = static_cast<int64_t>(v->ShownText().size());
      if (GreyMarkupAsksFirst(length) &&
          VXDialog(TVXDialog::OKToDoX, {VXResFmt(TVXRes::VXGreyMarkupNChars, {Num(GreyMarkupQuestionLength(length))})},
                   5650) != mrYes)
        break;
      THourglass hourglass;
      v->GreyOutAnyMarkup([this](int64_t done, int64_t total) { PercentToStatusBar(done, total); });
      break;
    }
    case kSourceClearMarkup: {
      v->SetWithOrWithoutMarkup(!v->WithMarkup());
      for (QAction* a : source_menu_->actions())
        if (a->data().toInt() == kSourceClearMarkup)
          a->setText(ToQString(VXRes(v->WithMarkup() ? TVXRes::VXRemoveMarkup : TVXRes::VXRestoreMarkup)));
      break;
    }
    case kSourceRefresh: v->Refresh(); break;
    default: break;
  }
}

bool TMainToolsForm::PrintSourceText() {
  TSourceTextRichEdit* v = source_text_;
  if (!v) return false;
  return PrintTextDocument(*v->document(), windowTitle(), file_dialogs_);
}

void TMainToolsForm::SpeakRow(TVX_Grid* grid) {
  if (!GridHasListData(grid)) return;
  const UString text = RowTextToSpeak(*grid->List(), grid->CurrentRow(), grid->Alternative());
  if (text.empty()) return;
  if (!speech_) {
    if (!own_speech_) own_speech_ = std::make_unique<TQtSpeechService>();
    speech_ = own_speech_.get();
  }
  if (!speech_->HasEngine()) {
    status_->SetPanelText(kPanelMessage, u"Reading aloud needs a speech engine, and none is installed.");
    return;
  }
  if (!speech_->Speak(text)) status_->SetPanelText(kPanelMessage, u"The speech engine could not read the row.");
}
