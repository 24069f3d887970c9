#include "windows/grid_tool_windows.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "model/lists/grid_headings.h"
#include "model/lists/result_list_base.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/text/text_files.h"
#include "platform/zip/zip_forge.h"
#include "shell/qt/help_access.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/qt_dialog_service.h"
#include "windows/dialog_parts.h"

// --- active set column ---------------------------------------------------------------------------

TFormSetColActiveColChooser::TFormSetColActiveColChooser(QWidget* parent) : TVXDialogForm(parent) {
  setWindowTitle(QStringLiteral("Active Set Column"));
  auto* outer = new QVBoxLayout(this);
  auto* group = new QGroupBox(QStringLiteral("Which Set column is active?"), this);
  group->setObjectName(QStringLiteral("AdvOfficeRadioGroup1"));
  box_ = new QVBoxLayout(group);
  choices_ = new QButtonGroup(this);
  outer->addWidget(group);
  const TDialogButtons b = AddDialogButtons(this, outer, true, 0);
  connect(b.ok, &QPushButton::clicked, this, [this] { SetModalResult(mrOK); });
  connect(b.cancel, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
  resize(320, 200);
}

std::vector<UString> TFormSetColActiveColChooser::AlternativeLines(TVXBaseDataClass& list) {
  list.RecomputeColumnSetnums();
  EnsureGridHeadings(list);
  std::vector<UString> lines;
  for (int32_t v : list.ColumnSetnums().items)
    lines.push_back(UFormat(u"%s (%s)", {IntToUStr(CurrentColumnNumber(list.grid_headings, v)),
                                         GetDatum(list.grid_headings, v)}));
  return lines;
}

bool TFormSetColActiveColChooser::SetTheAlternatives(TVXBaseDataClass* list) {
  if (!list) return false;
  for (QWidget* w : buttons_) delete w;
  buttons_.clear();
  int id = 0;
  for (const UString& line : AlternativeLines(*list)) {
    auto* b = new QRadioButton(ToQString(line));
    box_->addWidget(b);
    choices_->addButton(b, id++);
    buttons_.push_back(b);
  }
  if (QAbstractButton* current = choices_->button(list->ColumnSetnums().current)) current->setChecked(true);
  if (ShowModal() != mrOK || choices_->checkedId() < 0) return false;
  const int before = list->ColumnSetnums().current;
  list->ColumnSetnums().SetCurrentItem(choices_->checkedId());
  return list->ColumnSetnums().current != before;
}

// --- breakdown -------------------------------------------------------------------------------------

TFormBreakdown::TFormBreakdown(QWidget* parent) : TVXStylableForm<QWidget>(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("Breakdown"));
  SetHelpContext(this, BreakdownHelpContext(current_tool_var));
  auto* outer = new QVBoxLayout(this);
  auto* memos = new QHBoxLayout;
  auto* sbox = new QGroupBox(QStringLiteral("searches"), this);
  auto* sl = new QVBoxLayout(sbox);
  searches_ = new QPlainTextEdit(sbox);
  searches_->setObjectName(QStringLiteral("ElMemoSearches"));
  sl->addWidget(searches_);
  auto* rbox = new QGroupBox(QStringLiteral("results"), this);
  auto* rl = new QVBoxLayout(rbox);
  results_ = new QPlainTextEdit(rbox);
  results_->setObjectName(QStringLiteral("ElMemoResults"));
  results_->setReadOnly(true);
  rl->addWidget(results_);
  memos->addWidget(sbox, 1);
  memos->addWidget(rbox, 2);
  outer->addLayout(memos, 1);
  auto* combos = new QGridLayout;
  search_column_ = new QComboBox(this);
  search_column_->setObjectName(QStringLiteral("ComboBoxSearch"));
  cumulative_column_ = new QComboBox(this);
  cumulative_column_->setObjectName(QStringLiteral("ComboBoxCumulative"));
  cumulative_box_ = new QCheckBox(QStringLiteral("activated"), this);
  cumulative_box_->setObjectName(QStringLiteral("CheckBoxCumulative"));
  breakdown_column_ = new QComboBox(this);
  breakdown_column_->setObjectName(QStringLiteral("ComboBoxBreakdown"));
  breakdown_box_ = new QCheckBox(QStringLiteral("activated"), this);
  breakdown_box_->setObjectName(QStringLiteral("CheckBoxBreakdown"));
  combos->addWidget(new QLabel(QStringLiteral("search column"), this), 0, 0);
  combos->addWidget(search_column_, 0, 1);
  combos->addWidget(new QLabel(QStringLiteral("cumulative column"), this), 1, 0);
  combos->addWidget(cumulative_column_, 1, 1);
  combos->addWidget(cumulative_box_, 1, 2);
  combos->addWidget(new QLabel(QStringLiteral("breakdown by"), this), 2, 0);
  combos->addWidget(breakdown_column_, 2, 1);
  combos->addWidget(breakdown_box_, 2, 2);
  outer->addLayout(combos);
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("PCProgressBar1"));
  progress_->setRange(0, 100);
  progress_->setValue(0);
  outer->addWidget(progress_);
  auto* buttons = new QHBoxLayout;
  load_ = new QPushButton(QStringLiteral("Load"), this);
  load_->setObjectName(QStringLiteral("ButtonLoad"));
  count_ = new QPushButton(QStringLiteral("Count"), this);
  count_->setObjectName(QStringLiteral("ButtonCount"));
  stop_ = new QPushButton(QStringLiteral("stop"), this);
  stop_->setObjectName(QStringLiteral("ElPopupButtonStop"));
  save_ = new QPushButton(QStringLiteral("Save"), this);
  save_->setObjectName(QStringLiteral("AdvGlowButtonSaveREsults"));
  save_->setEnabled(false);
  auto* help = new QPushButton(QStringLiteral("Help"), this);
  help->setObjectName(QStringLiteral("ButtonHelp"));
  for (QPushButton* b : {load_, count_, stop_, save_, help}) buttons->addWidget(b);
  outer->addLayout(buttons);
  connect(count_, &QPushButton::clicked, this, [this] { CountClick(); });
  connect(stop_, &QPushButton::clicked, this, [this] { StopClick(); });
  // Help opens the way the main window's Help does.
  connect(help, &QPushButton::clicked, this, [this] { AskOwnerForHelp(this, HelpContextOf(this)); });
  auto text_files = [] {
    TFileDialogRequest r;
    r.filter = u"Text files (*.txt);;All files (*)";
    r.default_ext = u".txt";
    return r;
  };
  connect(load_, &QPushButton::clicked, this, [this, text_files] {
    UString name;
    if (file_dialogs_().ChooseFileToOpen(text_files(), name)) LoadSearches(name);
  });
  connect(save_, &QPushButton::clicked, this, [this, text_files] {
    UString name;
    if (file_dialogs_().ChooseFileToSave(text_files(), name)) SaveResults(name);
  });
  resize(640, 460);
}

void TFormBreakdown::SetTheHeaders(TVXBaseDataClass* list, int current_column, TSummaryCallback summary,
                                   TTessorineList list_type) {
  search_column_->clear();
  cumulative_column_->clear();
  breakdown_column_->clear();
  summary_ = std::move(summary);
  list_type_ = list_type;
  if (!list) return;
  EnsureGridHeadings(*list);
  for (const TGrid_head32& h : list->grid_headings) {
    if (!h.visible || h.column_number == 0) continue;
    search_column_->addItem(ToQString(h.heading), h.column_number);
    breakdown_column_->addItem(ToQString(h.heading), h.column_number);
    if (h.numeric) cumulative_column_->addItem(ToQString(h.heading), h.column_number);
  }
  const int at = search_column_->findData(current_column);
  search_column_->setCurrentIndex(std::max(0, at));
}

void TFormBreakdown::FeedTheMemoIfEmpty(UStringView text) {
  if (searches_->toPlainText().trimmed().isEmpty()) searches_->setPlainText(ToQString(text));
}

void TFormBreakdown::SetBreakDownToFiles() {
  std::vector<int> columns;
  for (int i = 0; i < breakdown_column_->count(); ++i) columns.push_back(breakdown_column_->itemData(i).toInt());
  // By the column's number, not by its place: hidden columns move the places.
  const int item = BreakdownFilesItem(columns);
  if (item >= 0) breakdown_column_->setCurrentIndex(item);
  breakdown_box_->setChecked(item >= 0);
}

void TFormBreakdown::StopClick() {
  stop_state_ = kPanicStopNow;
  global_panic_state = kPanicStopNow;
}

void TFormBreakdown::CountClick() {
  stop_state_ = kPanicNone;
  global_panic_state = kPanicNone;
  const QString trimmed = searches_->toPlainText().trimmed();
  searches_->setPlainText(trimmed);
  const std::vector<UString> searches = BreakdownSearchLines(FromQString(trimmed));
  results_->clear();
  progress_->setValue(0);
  auto stopped = [this] {
    QApplication::processEvents();
    return stop_state_ != kPanicNone || global_panic_state >= kPanicStopNow;
  };
  TBreakdownRequest q;
  q.searches = searches;
  q.search_column = search_column_->currentIndex() >= 0 ? search_column_->currentData().toInt() : 1;
  const bool breakdown = breakdown_box_->isChecked() && breakdown_column_->currentIndex() >= 0;
  const bool cumulative = cumulative_box_->isChecked() && cumulative_column_->currentIndex() >= 0;
  q.breakdown_column = breakdown ? breakdown_column_->currentData().toInt() : -1;
  q.cumulative_column = cumulative ? cumulative_column_->currentData().toInt() : -1;
  if (!summary_ || searches.empty()) {
    stop_state_ = kPanicNone;
    return;
  }
  const TSummaryArrays a = summary_(q, stopped);
  TBreakdownText how;
  how.breakdown = breakdown;
  how.cumulative = cumulative;
  how.breakdown_heading = FromQString(breakdown_column_->currentText());
  how.count_files = breakdown && q.breakdown_column == 13 && list_type_ == 10;
  int line = 0;
  const std::vector<UString> lines = BreakdownResultLines(searches, a, how, [&] {
    progress_->setValue(searches.empty() ? 0 : std::min(100, ++line * 100 / static_cast<int>(searches.size())));
    return stopped();
  });
  for (const UString& l : lines) results_->appendPlainText(ToQString(l));
  if (!a.counts.empty())
    setWindowTitle(ToQString(VXResFmt(TVXRes::VXBreakdownX, {VXResFmt(TVXRes::VXSearchWithin,
                                                                      {VXResFmt(TVXRes::VXXColumnData, {FromQString(search_column_->currentText())})})})));
  save_->setEnabled(!results_->toPlainText().isEmpty());
  // The bar stays where the count ended: full when every search was counted.
  // The next count starts afresh.
  stop_state_ = kPanicNone;
  global_panic_state = kPanicNone;
}

bool TFormBreakdown::LoadSearches(UStringView file_name) {
  UString text;
  if (!ReadTextFile(file_name, text, 16 << 20)) {
    VXDialog(TVXDialog::FailedToRead, {file_name});
    return false;
  }
  searches_->setPlainText(ToQString(text));
  return true;
}

bool TFormBreakdown::SaveResults(UStringView file_name) {
  if (!SaveTextFileUtf16(file_name, FromQString(results_->toPlainText()))) {
    VXDialog(TVXDialog::FailedToSave, {file_name});
    return false;
  }
  return true;
}

// --- batch chooser ---------------------------------------------------------------------------------

TFormBatchChoose::TFormBatchChoose(QWidget* parent) : TVXStylableForm<QWidget>(parent, Qt::Tool) {
  setWindowTitle(QStringLiteral("Batch"));
  SetHelpContext(this, 2730);
  auto* outer = new QVBoxLayout(this);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("ListBox1"));
  list_->setToolTip(QStringLiteral("double-click to open"));
  outer->addWidget(list_, 1);
  status_ = new QLabel(QStringLiteral("double-click to select a file"), this);
  status_->setObjectName(QStringLiteral("StatusBar1"));
  outer->addWidget(status_);
  connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { OpenEntry(list_->row(item)); });
  resize(360, 420);
}

bool TFormBatchChoose::ShowTheBatchFiles(UStringView file_name, UString& message) {
  TZipForge zip;
  zip.SetFileName(file_name);
  if (!zip.OpenArchive(TZipOpenMode::Read)) {
    message = VXResFmt(TVXRes::VXCantReadFile, {file_name});
    return false;
  }
  file_name_ = UString(file_name);
  list_->clear();
  members_.clear();
  int files = 0;
  for (const TZipMemberInfo& m : zip.Members()) {
    if (m.is_folder) continue;
    ++files;
    list_->addItem(ToQString(m.name));
    members_.push_back(m.index);
  }
  zip.CloseArchive();
  setWindowTitle(ToQString(VXResFmt(TVXRes::VXBasedOnNmanyFiles, {IntToUStr(files)})));
  loaded_ = true;
  show();
  raise();
  return list_->count() > 0;
}

bool TFormBatchChoose::OpenEntry(int index) {
  if (index < 0 || index >= static_cast<int>(members_.size()) || !open_entry_) return false;
  TZipForge zip;
  zip.SetFileName(file_name_);
  TMemoryStream m;
  const UString name = list_->item(index) ? FromQString(list_->item(index)->text()) : UString();
  if (!zip.OpenArchive(TZipOpenMode::Read) || !zip.ExtractToStream(members_[static_cast<size_t>(index)], m)) {
    VXDialog(TVXDialog::InformationMessage, {VXResFmt(TVXRes::VXCantReadFile, {file_name_ + u": " + name})});
    return false;
  }
  zip.CloseArchive();
  m.SetPosition(0);
  return open_entry_(m, index);
}
