#include "windows/one_text_viewer.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_files.h"
#include "platform/text/text_services.h"
#include "shell/qt/help_access.h"
#include "shell/qt/qt_application.h"

namespace {

constexpr int kPanelLoad = 2;
constexpr int kPanelHighlight = 3;
constexpr int kPanelPrevious = 6;
constexpr int kPanelNext = 7;
constexpr int kPanelStop = 8;
constexpr int kPanelLine = TVXStatusBar::kPanels - 1;
constexpr int kRoleNumber = Qt::UserRole + 1;
constexpr int kRoleTotal = Qt::UserRole + 2;
constexpr int32_t kNoValue = -999999;
constexpr int kInfoHelpContext = 6040;
constexpr int kMenuItemRuler = 46;

QColor FromBgr(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// Each entry: its word on the left, its count on the right.
class TKeyWordDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyledItemDelegate::paint(p, option, index);
    const QVariant total = index.data(kRoleTotal);
    const QString value = QString::number(total.isValid() ? total.toInt() : kNoValue);
    p->save();
    p->setPen(option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    p->drawText(option.rect.adjusted(0, 0, -4, 0), Qt::AlignRight | Qt::AlignVCenter, value);
    p->restore();
  }
};

}  // namespace

// --- the plot bar ---------------------------------------------------------------------------------

TPCPLotBar::TPCPLotBar(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("PCPLotBar1"));
  setMinimumWidth(18);
}

void TPCPLotBar::SetRange(int64_t first, int64_t last) {
  first_ = first;
  last_ = std::max(last, first + 1);
  update();
}

void TPCPLotBar::SetPlotLines(std::vector<int64_t> positions) {
  lines_ = std::move(positions);
  update();
}

void TPCPLotBar::SetColours(const QColor& lines, const QColor& ruler) {
  line_colour_ = lines;
  ruler_colour_ = ruler;
  update();
}

void TPCPLotBar::SetRuler(bool on) {
  ruler_ = on;
  update();
}

void TPCPLotBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Base));
  p.setPen(palette().color(QPalette::Mid));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  const double h = std::max(1, height() - 2);
  if (ruler_) {
    p.setPen(ruler_colour_);
    for (int k = 1; k < 10; ++k) {
      const int y = 1 + static_cast<int>(h * k / 10);
      p.drawLine(0, y, width() / 3, y);
    }
  }
  p.setPen(line_colour_);
  const double span = static_cast<double>(last_ - first_);
  for (int64_t pos : lines_) {
    const int y = 1 + static_cast<int>(h * static_cast<double>(pos - first_) / span);
    p.drawLine(2, y, width() - 3, y);
  }
}

// --- the window -----------------------------------------------------------------------------------

TFormOneTextFileShower::TFormOneTextFileShower(QWidget* parent) : TVXStylableForm<QWidget>(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("Text"));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  auto* row = new QHBoxLayout;
  splitter_ = new QSplitter(Qt::Horizontal, this);
  splitter_->setObjectName(QStringLiteral("AdvSplitter1"));
  kws_ = new QListWidget(splitter_);
  kws_->setObjectName(QStringLiteral("StyledListboxKWs"));
  kws_->setItemDelegate(new TKeyWordDelegate(kws_));
  // The text and its whole-text scroll bar side by side.
  auto* text_box = new QWidget(splitter_);
  text_row_ = new QHBoxLayout(text_box);
  text_row_->setContentsMargins(0, 0, 0, 0);
  text_row_->setSpacing(0);
  view_ = new TSourceTextRichEdit(text_box);
  view_->setObjectName(QStringLiteral("SourceTextRich"));
  text_row_->addWidget(view_, 1);
  splitter_->addWidget(kws_);
  splitter_->addWidget(text_box);
  splitter_->setStretchFactor(1, 1);
  splitter_->setSizes({150, 650});
  row->addWidget(splitter_, 1);
  plot_ = new TPCPLotBar(this);
  plot_->hide();
  row->addWidget(plot_);
  column->addLayout(row, 1);
  status_ = new TVXStatusBar(this);
  status_->setObjectName(QStringLiteral("AdvOfficeStatusBar1"));
  column->addWidget(status_);
  status_->SetPanelText(kPanelPrevious, u"<");
  status_->SetPanelText(kPanelNext, u">");

  menu_ = new QMenu(this);
  menu_->setObjectName(QStringLiteral("AdvPopupMenuHighlighter"));
  auto item = [&](const char* name, const QString& text, auto slot) {
    QAction* a = menu_->addAction(text, this, slot);
    a->setObjectName(QString::fromLatin1(name));
    return a;
  };
  item("HighlighAllwords1", QStringLiteral("Highlight all"), [this] { HighlightAll(); });
  item("Highlightselected1", QStringLiteral("Highlight selected"), [this] { HighlightSelected(); });
  item("SaveasRTF1", QStringLiteral("Save as RTF"), [this] { TryToSaveAsRTF(); });
  item("HighlightTrimthetext1", QStringLiteral("Trim the text"), [this] { TrimTheText(true); });
  item("HighlighterGreyout1", QStringLiteral("Grey out <*>"), [this] { GreyOutAnyMarkup(); });
  item("Infoonscores1", QStringLiteral("Info on scores"), [this] { InfoOnScores(); });
  ruler_action_ = item("Showruler1", QStringLiteral("Show ruler"), [this] { ShowRuler(ruler_action_->isChecked()); });
  ruler_action_->setCheckable(true);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) { menu_->popup(view_->mapToGlobal(at)); });
  kws_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(kws_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) { menu_->popup(kws_->mapToGlobal(at)); });
  connect(kws_, &QListWidget::currentRowChanged, this, [this](int r) {
    if (r < 0 || r >= kws_->count() || r >= view_->SearchList.Count()) return;
    const QVariant number = kws_->item(r)->data(kRoleNumber);
    if (number.isValid()) view_->CurrentKW = number.toInt();
  });
  connect(status_, &TVXStatusBar::PanelClicked, this, [this](int panel) { StatusPanelClick(panel); });
  connect(view_, &TSourceTextRichEdit::LineShowMessage, this,
          [this](int64_t item, int64_t items, int64_t line, int64_t lines) { ShowLineMessage(item, items, line, lines); });
  connect(view_, &TSourceTextRichEdit::NextRequested, this, [this](bool forward) { view_->GotoNextKW(forward); });
  connect(splitter_, &QSplitter::splitterMoved, kws_, [this] { kws_->viewport()->update(); });

  LoadProgress = [this](int percent) {
    MyYieldProcess();
    status_->SetPanelBarValue(kPanelLoad, percent);
    return true;
  };
  const TTextsett_rec32 text_settings = GetTextSettings();
  view_->SetFont(text_settings.FontName(), text_settings.FontSize(), logicalDpiY());
  ShowStop(false);
  resize(900, 640);
}

void TFormOneTextFileShower::ShowStop(bool shown) {
  status_->SetPanelText(kPanelStop, shown ? UString(u"Stop") : UString());
  if (PaiStatusBar) PaiStatusBar->SetPanelText(kPanelStop, shown ? UString(u"Stop") : UString());
}

bool TFormOneTextFileShower::HighlightingProgress(int percent) {
  status_->SetPanelBarValue(kPanelHighlight, percent);
  return true;
}

bool TFormOneTextFileShower::OpenAndShowAText(const TFileDetails3_string& details, int64_t limit, TVXStatusBar* parent_bar) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (parent_bar) PaiStatusBar = parent_bar;
  view_->limit = limit;
  view_->SetColoursEtc(false, palette().color(QPalette::Text), palette().color(QPalette::Base), false);
  view_->SetColoursEtc(true, QColor(0x80, 0, 0), QColor(255, 240, 110), true);
  UString why;
  // Loaded into a fresh model: a text that does not open leaves what was shown.
  // 8-bit text that is not UTF-8 is read in the language's code page, as the reader reads it.
  const TTextsett_rec32 settings = GetTextSettings();
  int code_page = settings.WindowsCodePage();
  if (code_page <= 0) code_page = DefaultCodePageOfLCID(static_cast<TLCID>(settings.LCID()));
  const bool ok = view_->LoadedASourceText(details.file_name, code_page, false, &why);
  QApplication::restoreOverrideCursor();
  if (!ok) {
    VXDialog(TVXDialog::ProblemReport, {why.empty() ? VXResFmt(TVXRes::VXCantReadFile, {details.file_name}) : why});
    return false;
  }
  plot_->hide();
  kws_->clear();
  if (QScrollBar* bar = view_->WholeTextBar(); bar && text_row_->indexOf(bar) < 0) {
    text_row_->addWidget(bar);
    bar->show();
  }
  current_short_filename = ExtractFileName(details.file_name);
  setWindowTitle(ToQString(current_short_filename));
  // Mark-up is greyed in every page shown.
  view_->GreyOutPages();
  status_->SetPanelBarStyle(kPanelLoad, false);
  status_->SetPanelBarStyle(kPanelHighlight, false);
  status_->SetPanelText(kPanelLoad, details.word_count.empty() ? UString()
                                                               : details.word_count + u" " + VXRes(TVXRes::VXWords));
  status_->SetPanelText(kPanelHighlight, details.hit_type_count.empty()
                                             ? UString()
                                             : details.hit_type_count + u" " + VXRes(TVXRes::VXHitTypes));
  status_->SetPanelText(kPanelLine, u"");
  if (!isVisible()) show();
  return true;
}

bool TFormOneTextFileShower::OpenAtHit(UStringView file_name, int64_t size, int64_t write_ns, int64_t byte,
                                       UStringView hit, const std::vector<UString>& words, TVXStatusBar* parent_bar) {
  TFileDetails3_string details;
  details.file_name = UString(file_name);
  if (!OpenAndShowAText(details, 0x7FFFFFFF, parent_bar)) return false;
  view_->SearchList.LoadFromAStringlist(words);
  UString message;
  int32_t units = static_cast<int32_t>(hit.size());
  const THitCheck check = CheckHitInText(*view_->Model(), size, write_ns, byte, hit, message, &units);
  if (check == THitCheck::Same) {
    view_->ShowByte(byte, true);
    view_->SelectAtByte(byte, units);
  } else {
    status_->SetPanelText(kPanelLine, message);
  }
  // The words of the pages shown at once; the counts, list and plot when the scan has read
  // every page.
  view_->ShowWordsInWindow(words);
  view_->viewport()->update();
  HighlightAnyKWS();
  // The scan may have moved the view on: the hit stays the one shown, and the current one that
  // "<" and ">" move from; or the reason why not.
  if (check == THitCheck::Same) {
    if (!view_->GoToHitAtByte(byte)) {
      view_->ShowByte(byte, true);
      view_->SelectAtByte(byte, units);
    }
  } else {
    view_->ShowByte(view_->Model()->TextStart());
    status_->SetPanelText(kPanelLine, message);
  }
  return true;
}

void TFormOneTextFileShower::RefillKeyWordList() {
  list_enabled_ = false;
  kws_->clear();
  struct TEntry {
    UString word;
    int32_t number;
    int32_t total;
  };
  std::vector<TEntry> entries;
  for (int i = 0; i < view_->SearchList.Count(); ++i) {
    const int64_t count = view_->CountAndFirstPosOfKWPositions(i).first;
    if (count != 0)
      entries.push_back({view_->SearchList.GetATypedInSW(i), i, static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX))});
  }
  // The most frequent first; equal counts keep the search list's order.
  std::stable_sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) { return a.total > b.total; });
  for (const TEntry& e : entries) {
    auto* it = new QListWidgetItem(ToQString(e.word), kws_);
    it->setData(kRoleNumber, e.number);
    it->setData(kRoleTotal, e.total);
  }
  list_enabled_ = true;
}

int TFormOneTextFileShower::HighlightAnyKWS() {
  ShowStop(true);
  view_->EndOfHeaderMarker = u"</HEADER>";
  status_->SetPanelBarStyle(kPanelHighlight, true);
  const int64_t first = view_->HighlightKWs(view_->SearchList, [this](int p) { return HighlightingProgress(p); });
  status_->SetPanelBarStyle(kPanelHighlight, false);
  RefillKeyWordList();
  const int64_t count = view_->HighlightsFoundCount();
  ShowStop(false);
  kws_->setMinimumWidth(std::max(kws_->minimumWidth(), kws_->sizeHintForColumn(0) + 60));
  if (count > 0 && view_->Model()) {
    const TRulerPlotWordCloudFeaturesRec features = GetRulerPlotWordCloudFeatures();
    plot_->SetColours(FromBgr(features.PlotLineColour()), FromBgr(features.RulerColour()));
    plot_->SetRange(view_->Model()->TextStart(), view_->Model()->FileSize());
    plot_->SetPlotLines(view_->KeyWordPositionsAsArray());
    plot_->SetRuler(false);
    plot_->show();
    if (kws_->count() > 0) kws_->setCurrentRow(0);
    view_->CurrentKW = -1;
    if (first >= 0) view_->ShowByte(first, true);
    view_->GotoNextKW(true);
  }
  return static_cast<int>(std::min<int64_t>(count, INT32_MAX));
}

void TFormOneTextFileShower::HighlightAll() {
  std::vector<UString> words;
  for (int r = 0; r < kws_->count(); ++r) words.push_back(FromQString(kws_->item(r)->text()));
  view_->SearchList.LoadFromAStringlist(words);
  HighlightAnyKWS();
}

void TFormOneTextFileShower::HighlightSelected() {
  QListWidgetItem* it = kws_->currentItem();
  if (!it) return;
  HighlightOneKW(FromQString(it->text()));
}

void TFormOneTextFileShower::HighlightOneKW(UStringView word) {
  ShowStop(true);
  view_->HighlightOneKW(word, [this](int p) { return HighlightingProgress(p); });
  ShowStop(false);
}

void TFormOneTextFileShower::AddStringsASKWsAndSeek(const std::vector<UString>& words) {
  TSimpleSearchlist list;
  std::vector<UString> kept;
  for (const UString& w : words) {
    MyYieldProcess();
    kept.push_back(w);
  }
  list.LoadFromAStringlist(kept);
  ShowStop(true);
  view_->HighlightKWs(list, [this](int p) { return HighlightingProgress(p); });
  HighlightingProgress(0);
  ShowStop(false);
}

void TFormOneTextFileShower::AddStringsToLeftListbox(UStringView text) {
  kws_->clear();
  for (const QString& line : ToQString(text).split(QRegularExpression(QStringLiteral("\r\n|\n|\r")), Qt::SkipEmptyParts))
    new QListWidgetItem(line, kws_);  // no numbers until the words are highlighted
}

void TFormOneTextFileShower::HighlightSimilarities() {
  if (!ComparisonWholeLines || ComparisonWholeLines->empty() || !view_->Model()) return;
  TPagedText& text = *view_->Model();
  std::vector<UString> found;
  for (const UString& wanted : *ComparisonWholeLines) {
    MyYieldProcess();
    if (TrimU(wanted).empty()) continue;
    bool present = false;
    for (int k = 0; k < text.PageCount() && !present; ++k) {
      const auto page = text.Page(k, nullptr);
      if (!page) break;
      for (UStringView line : SplitLinesU(page->text))
        if (line == wanted) {
          present = true;
          break;
        }
    }
    if (present) found.push_back(wanted);
  }
  TSimpleSearchlist list;
  list.LoadFromAStringlist(found);
  view_->HighlightKWs(list, [this](int p) { return HighlightingProgress(p); });
  HighlightingProgress(0);
}

void TFormOneTextFileShower::InfoOnCurrentText(UString& text) {
  UString words;
  int64_t sum = 0;
  for (int i = 0; i < view_->SearchList.Count(); ++i) {
    const int64_t count = view_->CountAndFirstPosOfKWPositions(i).first;
    if (count <= 0) continue;
    if (!words.empty()) words += u",";
    words += view_->SearchList.GetATypedInSW(i) + u" (" + IntToUStr(count) + u")";
    sum += count;
  }
  text = words + u"\r" + VXResFmt(TVXRes::VXTotalN, {IntToUStr(sum)});
}

void TFormOneTextFileShower::InfoOnScores() {
  if (!view_->ScanComplete()) HighlightAll();
  UString text;
  InfoOnCurrentText(text);
  VXDialog(TVXDialog::ReportedAFact, {text}, kInfoHelpContext);
}

void TFormOneTextFileShower::ShowRuler(bool on) {
  SetMenuItemChecked(kMenuItemRuler, on);
  if (ruler_action_->isChecked() != on) ruler_action_->setChecked(on);
  if (plot_->isVisible()) plot_->SetRuler(on);
}

void TFormOneTextFileShower::GreyOutAnyMarkup() { view_->GreyOutPages(); }

void TFormOneTextFileShower::TrimTheText(bool trimmed) {
  ShowStop(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  view_->TrimTheText(trimmed);
  status_->SetPanelBarValue(kPanelLoad, 0);
  QApplication::restoreOverrideCursor();
}

bool TFormOneTextFileShower::TryToSaveAsRTF() {
  TFileDialogRequest r;
  r.file_name = ChangeFileExt(current_short_filename, u"");
  r.filter = u"RTF files (*.rtf);;All files (*)";
  r.default_ext = u".rtf";
  // Overwriting is asked below, once.
  r.overwrite_question = false;
  UString name;
  if (!file_dialogs_().ChooseFileToSave(r, name)) return false;
  if (ExtractFileExt(name).empty()) name += u".rtf";
  return AutoSaveAsRTF(name, u"", u"");
}

bool TFormOneTextFileShower::AutoSaveAsRTF(UStringView file_name, UStringView title, UStringView comment) {
  if (FileExists(file_name) && !IsYes(VXDialog(TVXDialog::OKToOverwrite, {file_name}))) return false;
  UString why;
  if (!view_->SaveAsRTF(file_name, title, comment, &why)) {
    if (!why.empty()) AddToLogFile(UString(file_name) + u": " + why);
    VXDialog(TVXDialog::FailedToSave, {file_name});
    return false;
  }
  if (confirm_RTF_save) VXDialog(TVXDialog::SavedOKOpenNow, {file_name});
  return true;
}

bool TFormOneTextFileShower::HighlightAndSaveToRTF(UStringView folder, UStringView title) {
  if (!ForceDirectories(folder)) {
    VXDialog(TVXDialog::CannotWriteToXFolder, {folder});
    return false;
  }
  if (view_->HighlightKWs(view_->SearchList, [this](int p) { return HighlightingProgress(p); }) < -1) return false;
  RefillKeyWordList();
  UString summary;
  for (int r = 0; r < kws_->count(); ++r) {
    const int total = kws_->item(r)->data(kRoleTotal).toInt();
    if (total == 0) break;
    if (!summary.empty()) summary += u",";
    summary += FromQString(kws_->item(r)->text()) + u" (" + IntToUStr(total) + u")";
  }
  const UString path = IncludeTrailingPathDelimiter(folder) + ChangeFileExt(current_short_filename, u".rtf");
  return AutoSaveAsRTF(path, title, u"<" + summary + u">");
}

void TFormOneTextFileShower::CopySelectionToClipboard() { view_->copy(); }

void TFormOneTextFileShower::StatusPanelClick(int panel) {
  if (panel == kPanelPrevious) view_->GotoNextKW(false);
  else if (panel == kPanelNext) view_->GotoNextKW(true);
  else if (panel == kPanelStop) view_->Stop();
}

void TFormOneTextFileShower::ShowLineMessage(int64_t item, int64_t items, int64_t line, int64_t lines) {
  MyYieldProcess();
  status_->SetPanelText(kPanelLine, VXResFmt(TVXRes::VXItemNOfNAndLineNofN,
                                             {IntToUStr(item + 1), IntToUStr(items), IntToUStr(line), IntToUStr(lines)}));
}

std::vector<std::pair<UString, int32_t>> TFormOneTextFileShower::KeyWordEntries() const {
  std::vector<std::pair<UString, int32_t>> out;
  for (int r = 0; r < kws_->count(); ++r) {
    const QVariant total = kws_->item(r)->data(kRoleTotal);
    out.emplace_back(FromQString(kws_->item(r)->text()), total.isValid() && list_enabled_ ? total.toInt() : kNoValue);
  }
  return out;
}

std::vector<TNumberAndTotalHolder> TFormOneTextFileShower::KeyWordHolders() const {
  std::vector<TNumberAndTotalHolder> out;
  for (int r = 0; r < kws_->count(); ++r)
    if (kws_->item(r)->data(kRoleNumber).isValid())
      out.push_back({kws_->item(r)->data(kRoleNumber).toInt(), kws_->item(r)->data(kRoleTotal).toInt()});
  return out;
}
