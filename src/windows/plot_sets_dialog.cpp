#include "windows/plot_sets_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/runtime/text_helpers.h"
#include "shell/qt/qt_application.h"
#include "windows/dialog_parts.h"

namespace {
constexpr int kUsedRole = Qt::UserRole + 1;
const QColor kUsedColour(255, 200, 200);
}  // namespace

TConcPlottingDlg::TConcPlottingDlg(QWidget* parent) : TVXDialogForm(parent) {
  setWindowTitle(QStringLiteral("Plot Settings"));
  auto* column = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  const char* titles[2] = {"Files", "Search-words"};
  for (int kind = 0; kind < 2; ++kind) {
    auto* avail_box = new QGroupBox(QString::fromLatin1(titles[kind]), this);
    auto* a = new QVBoxLayout(avail_box);
    auto* avail = new QListWidget(avail_box);
    avail->setSelectionMode(QAbstractItemView::ExtendedSelection);
    a->addWidget(avail);
    auto* sets_box = new QGroupBox(QStringLiteral("Sets"), this);
    auto* s = new QVBoxLayout(sets_box);
    auto* sets = new QListWidget(sets_box);
    s->addWidget(sets);
    auto* buttons = new QVBoxLayout;
    auto* add = new QPushButton(QStringLiteral(">"), this);
    add->setToolTip(QStringLiteral("selection into a set"));
    auto* all = new QPushButton(QStringLiteral("all into 1"), this);
    all->setToolTip(QStringLiteral("all into 1 set"));
    auto* sep = new QPushButton(QStringLiteral("separate"), this);
    sep->setToolTip(QStringLiteral("into separate sets"));
    auto* clear = new QPushButton(QStringLiteral("Clear"), this);
    for (QPushButton* b : {add, all, sep, clear}) buttons->addWidget(b);
    buttons->addStretch();
    connect(add, &QPushButton::clicked, this, [this, kind] { AddSelectionAsSet(kind); });
    connect(all, &QPushButton::clicked, this, [this, kind] { AllIntoOneSet(kind); });
    connect(sep, &QPushButton::clicked, this, [this, kind] { IntoSeparateSets(kind); });
    connect(clear, &QPushButton::clicked, this, [this, kind] { ClearSets(kind); });
    grid->addWidget(avail_box, kind, 0);
    grid->addLayout(buttons, kind, 1);
    grid->addWidget(sets_box, kind, 2);
    (kind == 0 ? files_ : words_) = avail;
    (kind == 0 ? file_sets_ : word_sets_) = sets;
  }
  files_->setObjectName(QStringLiteral("ListBoxFilesAvailable"));
  words_->setObjectName(QStringLiteral("ListBoxSWsAvailable"));
  file_sets_->setObjectName(QStringLiteral("ListBoxFilesSets"));
  word_sets_->setObjectName(QStringLiteral("ListBoxSWSSets"));
  column->addLayout(grid);
  files_first_ = new QCheckBox(QStringLiteral("Files first"), this);
  files_first_->setObjectName(QStringLiteral("AdvOfficeCheckBoxFilesFirst"));
  column->addWidget(files_first_);
  const TDialogButtons b = AddDialogButtons(this, column, true, 2015);
  connect(b.ok, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(b.cancel, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
  resize(560, 420);
}

void TConcPlottingDlg::SetAvailable(const std::vector<UString>& files, const std::vector<UString>& search_words) {
  for (int kind = 0; kind < 2; ++kind) {
    const auto& names = kind == 0 ? files : search_words;
    QListWidget* list = Available(kind);
    list->clear();
    const int count = static_cast<int>(names.size());
    for (int i = 0; i < count; ++i)
      list->addItem(ToQString(PlotItemLabel(i + 1, count, names[static_cast<size_t>(i)])));
  }
}

void TConcPlottingDlg::MarkUsed(QListWidget* list, int number) {
  for (int i = 0; i < list->count(); ++i)
    if (PlotItemNumber(FromQString(list->item(i)->text())) == number) {
      list->item(i)->setData(kUsedRole, true);
      list->item(i)->setBackground(kUsedColour);
      return;
    }
}

void TConcPlottingDlg::AddSet(int kind, const std::vector<int32_t>& numbers) {
  if (numbers.empty()) return;
  const QString text = ToQString(PlotSetText(numbers));
  QListWidget* sets = Sets(kind);
  if (!sets->findItems(text, Qt::MatchExactly).isEmpty()) return;
  for (int32_t n : numbers) MarkUsed(Available(kind), n);
  sets->addItem(text);
}

void TConcPlottingDlg::AddSelectionAsSet(int kind) {
  std::vector<int32_t> numbers;
  for (QListWidgetItem* item : Available(kind)->selectedItems()) {
    const int n = PlotItemNumber(FromQString(item->text()));
    if (n >= 0) numbers.push_back(n);
  }
  AddSet(kind, numbers);
}

void TConcPlottingDlg::AllIntoOneSet(int kind) {
  Sets(kind)->clear();
  Available(kind)->selectAll();
  AddSelectionAsSet(kind);
}

void TConcPlottingDlg::IntoSeparateSets(int kind) {
  ClearSets(kind);
  QListWidget* list = Available(kind);
  for (int i = 0; i < list->count(); ++i) {
    const int n = PlotItemNumber(FromQString(list->item(i)->text()));
    if (n >= 0) AddSet(kind, {n});
  }
}

void TConcPlottingDlg::ClearSets(int kind) {
  QListWidget* list = Available(kind);
  for (int i = 0; i < list->count(); ++i) {
    list->item(i)->setData(kUsedRole, QVariant());
    list->item(i)->setBackground(QBrush());
  }
  Sets(kind)->clear();
}

void TConcPlottingDlg::FormShow() {
  if (!options_selected) {
    IntoSeparateSets(0);
    IntoSeparateSets(1);
    return;
  }
  for (int kind = 0; kind < 2; ++kind) {
    ClearSets(kind);
    const auto& stored = kind == 0 ? options_.file_sets : options_.word_sets;
    for (const UString& text : RebuildPlotSetTexts(stored, Available(kind)->count())) {
      std::vector<int32_t> numbers;
      HumanAbbreviatedNumberListStringAsIntegers(text, 0, numbers);
      AddSet(kind, numbers);
    }
  }
  files_first_->setChecked(options_.files_first);
}

std::vector<UString> TConcPlottingDlg::SetTexts(int kind) const {
  std::vector<UString> out;
  for (int i = 0; i < Sets(kind)->count(); ++i) out.push_back(FromQString(Sets(kind)->item(i)->text()));
  return out;
}

void TConcPlottingDlg::OKClick() {
  TPlotSetsResult r = ReadPlotSets(SetTexts(0), SetTexts(1));
  if (!r.ok) {
    ShowRefusal(r.message);
    return;
  }
  options_.file_sets = std::move(r.file_sets);
  options_.word_sets = std::move(r.word_sets);
  options_.files_first = files_first_->isChecked();
  options_selected = true;
  SetModalResult(mrOK);
}
