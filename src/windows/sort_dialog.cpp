#include "windows/sort_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/runtime/vx_dialogs.h"
#include "shell/qt/help_access.h"
#include "shell/qt/qt_application.h"

namespace {
constexpr int kSortHelpContext = 2140;
}  // namespace

TConcSortForm::TConcSortForm(QWidget* parent) : TVXDialogForm(parent) {
  setWindowTitle(QStringLiteral("Concordance Sort"));
  setObjectName(QStringLiteral("ConcSortForm"));
  SetHelpContext(this, kSortHelpContext);
  setWindowFlag(Qt::Window, true);
  resize(420, 460);
  auto* column = new QVBoxLayout(this);
  pager_ = new QTabWidget(this);
  column->addWidget(pager_, 1);
  const std::array<QString, 3> pages{QStringLiteral("Main Sort"), QStringLiteral("Sort 2"), QStringLiteral("Sort 3")};
  const std::array<QString, 3> groups{QStringLiteral("Main Sort ..."), QStringLiteral("... then by ..."),
                                      QStringLiteral("... finally by")};
  for (int slot = 0; slot < 3; ++slot) {
    auto* page = new QWidget(pager_);
    auto* pl = new QVBoxLayout(page);
    auto* group = new QGroupBox(groups[static_cast<size_t>(slot)], page);
    auto* gl = new QVBoxLayout(group);
    auto* list = new QListWidget(group);
    for (const char16_t* name : SortKeyNames()) list->addItem(ToQString(name));
    list->setCurrentRow(slot == 2 ? 13 : 0);
    lists_[static_cast<size_t>(slot)] = list;
    gl->addWidget(list, 1);
    auto* row = new QHBoxLayout;
    auto* sensitive = new QCheckBox(QStringLiteral("Case sensitive"), group);
    sensitive->setChecked(true);
    case_[static_cast<size_t>(slot)] = sensitive;
    auto* dir = new QToolButton(group);
    direction_[static_cast<size_t>(slot)] = dir;
    row->addWidget(sensitive);
    row->addStretch();
    if (slot > 0) {
      auto* tie = new QCheckBox(QStringLiteral("Activated"), group);
      (slot == 1 ? tie1_ : tie2_) = tie;
      row->addWidget(tie);
      connect(tie, &QCheckBox::clicked, this, [this] { StoreChoices(); });
    }
    row->addWidget(dir);
    gl->addLayout(row);
    pl->addWidget(group);
    pager_->addTab(page, pages[static_cast<size_t>(slot)]);
    connect(list, &QListWidget::currentRowChanged, this, [this] { StoreChoices(); });
    connect(sensitive, &QCheckBox::clicked, this, [this] { StoreChoices(); });
    connect(dir, &QToolButton::clicked, this, [this, slot] { DirectionClick(slot); });
    ShowDirection(slot);
  }
  connect(pager_, &QTabWidget::currentChanged, this, [this](int page) {
    if (page == 1) tie1_->setChecked(true);
    if (page == 2) tie2_->setChecked(true);
    StoreChoices();
  });
  auto* bottom = new QHBoxLayout;
  num_combo_ = new QComboBox(this);
  num_combo_->setEditable(true);
  num_combo_->addItem(QStringLiteral("all"));
  num_combo_->setCurrentIndex(0);
  auto* help = new QPushButton(QStringLiteral("Help"), this);
  connect(help, &QPushButton::clicked, this, [this] { AskOwnerForHelp(this, kSortHelpContext); });
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("ButtonOK"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, [this] { OKClick(); });
  bottom->addWidget(num_combo_);
  bottom->addStretch();
  bottom->addWidget(help);
  bottom->addWidget(ok);
  column->addLayout(bottom);
  status_ = new QStatusBar(this);
  status_->setSizeGripEnabled(false);
  column->addWidget(status_);
}

void TConcSortForm::SetTargets(TConcSettingsRec32* settings, TConcSortRecord* sort) {
  settings_ = settings;
  sort_ = sort;
}

void TConcSortForm::ShowDirection(int slot) {
  const bool up = (direction_tag_[static_cast<size_t>(slot)] & 1) != 0;
  direction_[static_cast<size_t>(slot)]->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
  direction_[static_cast<size_t>(slot)]->setToolTip(up ? QStringLiteral("ascending") : QStringLiteral("descending"));
}

void TConcSortForm::FormShow() {
  if (settings_) settings_copy_ = *settings_;
  if (sort_) sort_copy_ = *sort_;
  storing_ = true;
  pager_->setCurrentIndex(0);
  sort_copy_.level_count = std::min<uint8_t>(sort_copy_.level_count, 1);
  for (int slot = 0; slot < 3; ++slot) {
    case_[static_cast<size_t>(slot)]->setChecked(settings_copy_.SortCaseSensitive(slot));
    direction_tag_[static_cast<size_t>(slot)] = sort_copy_.ascending[static_cast<size_t>(slot)];
    ShowDirection(slot);
  }
  tie1_->setChecked(sort_copy_.level_count >= 1);
  tie2_->setChecked(false);
  storing_ = false;
  StoreChoices();
}

TSortDialogState TConcSortForm::State() const {
  TSortDialogState s;
  for (int slot = 0; slot < 3; ++slot) {
    s.selected[static_cast<size_t>(slot)] = lists_[static_cast<size_t>(slot)]->currentRow();
    s.direction_tag[static_cast<size_t>(slot)] = direction_tag_[static_cast<size_t>(slot)];
    s.case_sensitive[static_cast<size_t>(slot)] = case_[static_cast<size_t>(slot)]->isChecked();
  }
  s.tie1 = tie1_->isChecked();
  s.tie2 = tie2_->isChecked();
  return s;
}

void TConcSortForm::StoreChoices() {
  if (storing_) return;
  status_->showMessage(ToQString(StoreSortChoices(State(), settings_copy_, sort_copy_)));
}

QString TConcSortForm::StatusText() const { return status_->currentMessage(); }

void TConcSortForm::DirectionClick(int slot) {
  ++direction_tag_[static_cast<size_t>(slot)];
  ShowDirection(slot);
  StoreChoices();
}

void TConcSortForm::OKClick() {
  if (num_combo_->findText(num_combo_->currentText()) < 0) num_combo_->addItem(num_combo_->currentText());
  StoreChoices();
  if (ContextWordKeyRefused(settings_copy_, sort_copy_) != 0) {
    VXDialog(TVXDialog::CantSortOnContextWord);
    return;
  }
  highlighted_collocate_in_sort = HighlightedCollocateInSort(settings_copy_, sort_copy_);
  if (settings_) *settings_ = settings_copy_;
  if (sort_) *sort_ = sort_copy_;
  SetModalResult(mrOK);
}
