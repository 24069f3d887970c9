#include "windows/save_as_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"
#include "shell/files/file_dialogs.h"
#include "shell/qt/qt_application.h"
#include "windows/dialog_parts.h"

namespace {
constexpr int kSaveAsHelpContext = 1360;
constexpr int kMostConcordanceCharacters = 10000;

QCheckBox* Box(const QString& text, const char* name, QWidget* parent) {
  auto* b = new QCheckBox(text, parent);
  b->setObjectName(QLatin1String(name));
  return b;
}
}  // namespace

TSaveAsTxtDlgFeb2012::TSaveAsTxtDlgFeb2012(TFileDialogs* file_dialogs, QWidget* parent)
    : TVXDialogForm(parent), file_dialogs_(file_dialogs) {
  setWindowTitle(QStringLiteral("Save As"));
  auto* column = new QVBoxLayout(this);

  auto* file_row = new QHBoxLayout;
  file_row->addWidget(new QLabel(QStringLiteral("file:"), this));
  file_ = new QLineEdit(this);
  file_->setObjectName(QStringLiteral("AdvFileNameEditSaveAs"));
  file_->setMinimumWidth(320);
  file_row->addWidget(file_, 1);
  browse_ = new QToolButton(this);
  browse_->setText(QStringLiteral("..."));
  browse_->setEnabled(file_dialogs_ != nullptr);
  file_row->addWidget(browse_);
  format_ = new QComboBox(this);
  format_->setObjectName(QStringLiteral("ComboFormat"));
  file_row->addWidget(format_);
  column->addLayout(file_row);

  auto* groups = new QHBoxLayout;
  auto* rows_group = new QGroupBox(QStringLiteral("Rows"), this);
  auto* rows_layout = new QVBoxLayout(rows_group);
  rows_selection_ = Box(QStringLiteral("selection only"), "CheckboxHighlightedRows", rows_group);
  rows_ = new QLineEdit(rows_group);
  rows_->setObjectName(QStringLiteral("EditRowsToSave"));
  rows_layout->addWidget(rows_selection_);
  rows_layout->addWidget(rows_);
  groups->addWidget(rows_group);

  auto* columns_group = new QGroupBox(QStringLiteral("Columns"), this);
  auto* columns_layout = new QVBoxLayout(columns_group);
  columns_selection_ = Box(QStringLiteral("selection only"), "CheckboxHighlightedCols", columns_group);
  columns_ = new QLineEdit(columns_group);
  columns_->setObjectName(QStringLiteral("EditColsToSave"));
  columns_layout->addWidget(columns_selection_);
  columns_layout->addWidget(columns_);
  groups->addWidget(columns_group);
  column->addLayout(groups);

  auto* format_group = new QGroupBox(QStringLiteral("Format"), this);
  auto* format_layout = new QVBoxLayout(format_group);
  numbers_ = Box(QStringLiteral("include numbers"), "CheckBoxWithNumbers", format_group);
  headings_ = Box(QStringLiteral("include headings"), "CheckBoxHeadingsToo", format_group);
  thousands_ = Box(QStringLiteral("separate thousands"), "CheckBoxThousandsSeparator", format_group);
  format_layout->addWidget(numbers_);
  format_layout->addWidget(headings_);
  format_layout->addWidget(thousands_);
  auto* separator_group = new QGroupBox(QStringLiteral("column separator"), format_group);
  auto* separator_layout = new QHBoxLayout(separator_group);
  tab_ = new QRadioButton(QStringLiteral("tab"), separator_group);
  tab_->setObjectName(QStringLiteral("RadioTabSeparator"));
  other_ = new QRadioButton(QStringLiteral("specify:"), separator_group);
  other_->setObjectName(QStringLiteral("RadioNonTabSeparator"));
  separator_ = new QLineEdit(separator_group);
  separator_->setObjectName(QStringLiteral("EditColumnSeparator"));
  separator_->setMaximumWidth(60);
  separator_layout->addWidget(tab_);
  separator_layout->addWidget(other_);
  separator_layout->addWidget(separator_);
  format_layout->addWidget(separator_group);
  auto* characters_row = new QFormLayout;
  characters_ = new QSpinBox(format_group);
  characters_->setObjectName(QStringLiteral("AdvSpinEditConcSaveASCharacters"));
  characters_->setRange(0, kMostConcordanceCharacters);
  // 0 exports each line whole, and the box says so rather than showing a bare 0.
  characters_->setSpecialValueText(QStringLiteral("whole lines"));
  characters_->setValue(10);
  characters_row->addRow(QStringLiteral("concordance\ncharacters"), characters_);
  format_layout->addLayout(characters_row);
  column->addWidget(format_group);

  const TDialogButtons b = AddDialogButtons(this, column, true, kSaveAsHelpContext);
  connect(b.ok, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(b.cancel, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
  connect(browse_, &QToolButton::clicked, this, [this] { Browse(); });
  connect(format_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (showing_ || index < 0) return;
    TakeFields();
    model_.SetFormat(index);
    ShowModel();
  });
  auto recompute = [this](bool rows) {
    if (showing_) return;
    TakeFields();
    if (rows) model_.RecomputeRowText();
    else model_.RecomputeColumnText();
    ShowModel();
  };
  connect(rows_selection_, &QCheckBox::toggled, this, [recompute] { recompute(true); });
  connect(headings_, &QCheckBox::toggled, this, [recompute] { recompute(true); });
  connect(columns_selection_, &QCheckBox::toggled, this, [recompute] { recompute(false); });
  connect(numbers_, &QCheckBox::toggled, this, [recompute] { recompute(false); });
}

void TSaveAsTxtDlgFeb2012::SetupSaveAs(const TSaveAsSetup& setup) {
  model_ = TSaveAsModel(setup, KeptExportSettings());
  showing_ = true;
  format_->clear();
  for (const TSaveAsFilter& f : SaveAsFilters(setup.list_type)) format_->addItem(ToQString(f.description));
  headings_->setText(ToQString(model_.HeadingsCaption()));
  characters_->setVisible(model_.ShowsCharacters());
  showing_ = false;
  ShowModel();
}

void TSaveAsTxtDlgFeb2012::ShowModel() {
  showing_ = true;
  file_->setText(ToQString(model_.file_name));
  format_->setCurrentIndex(model_.format);
  rows_->setText(ToQString(model_.row_text));
  columns_->setText(ToQString(model_.column_text));
  rows_selection_->setChecked(model_.rows_selection_only);
  columns_selection_->setChecked(model_.columns_selection_only);
  numbers_->setChecked(model_.with_numbers);
  headings_->setChecked(model_.with_headings);
  thousands_->setChecked(model_.thousands_separator);
  tab_->setChecked(model_.tab_separator);
  other_->setChecked(!model_.tab_separator);
  separator_->setText(ToQString(model_.separator_text));
  characters_->setValue(model_.characters);
  setWindowTitle(ToQString(model_.Caption()));
  showing_ = false;
}

void TSaveAsTxtDlgFeb2012::TakeFields() {
  model_.file_name = FromQString(file_->text());
  model_.format = format_->currentIndex();
  model_.row_text = FromQString(rows_->text());
  model_.column_text = FromQString(columns_->text());
  model_.rows_selection_only = rows_selection_->isChecked();
  model_.columns_selection_only = columns_selection_->isChecked();
  model_.with_numbers = numbers_->isChecked();
  model_.with_headings = headings_->isChecked();
  model_.thousands_separator = thousands_->isChecked();
  model_.tab_separator = tab_->isChecked();
  model_.separator_text = FromQString(separator_->text());
  model_.characters = characters_->value();
}

void TSaveAsTxtDlgFeb2012::Browse() {
  if (!file_dialogs_) return;
  TakeFields();
  TFileDialogRequest r;
  r.folder = model_.initial_folder;
  r.file_name = ExtractFileName(model_.file_name);
  const std::vector<TSaveAsFilter> filters = SaveAsFilters(model_.ListType());
  r.filter = filters[static_cast<size_t>(model_.format)].description;
  r.default_ext = DefaultExtFromSaveAsFormat(model_.format, model_.ListType());
  r.overwrite_question = false;  // OK asks, and makes the backup
  UString chosen;
  if (!file_dialogs_->ChooseFileToSave(r, chosen)) return;
  model_.file_name = chosen;
  model_.initial_folder = ExtractFilePath(chosen);
  model_.SetFormat(model_.format);
  ShowModel();
}

void TSaveAsTxtDlgFeb2012::OKClick() {
  TakeFields();
  TExportSettings out = KeptExportSettings();
  if (model_.Accept(out) != kSaveAsAccepted) {
    ShowModel();
    return;
  }
  KeptExportSettings() = out;
  if (model_.ShowsCharacters()) SetConcCharactersForTextOnly(model_.characters);
  ShowModel();
  SetModalResult(mrOK);
}
