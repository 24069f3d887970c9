#include "windows/word_list_check_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/runtime/vx_runtime.h"
#include "shell/qt/qt_application.h"
#include "shell/settings/small_dialog_rules.h"
#include "windows/dialog_parts.h"

namespace {

// A file name with its browse button: one to open, or (`to_write`) one to write.
QLineEdit* FileRow(QWidget* parent, QFormLayout* form, const QString& label, const QString& name, bool to_write) {
  auto* row = new QHBoxLayout;
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setMinimumWidth(300);
  auto* browse = new QPushButton(QStringLiteral("..."), parent);
  QObject::connect(browse, &QPushButton::clicked, parent, [parent, edit, to_write] {
    const QString f = to_write ? QFileDialog::getSaveFileName(parent, QString(), edit->text())
                               : QFileDialog::getOpenFileName(parent, QString(), edit->text());
    if (!f.isEmpty()) edit->setText(f);
  });
  row->addWidget(edit);
  row->addWidget(browse);
  form->addRow(label, row);
  return edit;
}

}  // namespace

TFormCollRelationsWLCheckFilename::TFormCollRelationsWLCheckFilename(QWidget* parent) : TVXDialogForm(parent) {
  setWindowTitle(QStringLiteral("Confirm word list filename"));
  auto* column = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  word_list_ = FileRow(this, form, QStringLiteral("word list"), QStringLiteral("ElFileNameEditWordList"), false);
  case_ = new QCheckBox(QStringLiteral("Case sensitive"), this);
  lemmas_ = new QCheckBox(QStringLiteral("Full lemma processing"), this);
  form->addRow(QString(), case_);
  form->addRow(QString(), lemmas_);
  columns_ = new QComboBox(this);
  columns_->setObjectName(QStringLiteral("AdvComboBoxColumnForRelation"));
  form->addRow(QStringLiteral("column for relation"), columns_);
  export_ = FileRow(this, form, QStringLiteral("Export details to"), QStringLiteral("ElFileNameEditExportDetails"), true);
  column->addLayout(form);
  explanation_ = new QLabel(this);
  explanation_->setObjectName(QStringLiteral("Label1"));
  explanation_->setWordWrap(true);
  column->addWidget(explanation_);
  const TDialogButtons b = AddDialogButtons(this, column, true, 4700);
  connect(b.ok, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(b.cancel, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
}

void TFormCollRelationsWLCheckFilename::CopyHeadings(const std::vector<UString>& headers, int header_column) {
  columns_->clear();
  for (size_t i = kFirstRelationHeader; i < headers.size(); ++i) columns_->addItem(ToQString(headers[i]));
  columns_->setCurrentIndex(RelationColumnListIndex(header_column, static_cast<int>(headers.size())));
}

int TFormCollRelationsWLCheckFilename::SelectedHeaderColumn() const {
  return RelationHeaderOfListIndex(columns_->currentIndex());
}

UString TFormCollRelationsWLCheckFilename::WordListFile() const { return FromQString(word_list_->text().trimmed()); }
void TFormCollRelationsWLCheckFilename::SetWordListFile(UStringView file) { word_list_->setText(ToQString(file)); }
UString TFormCollRelationsWLCheckFilename::ExportFile() const { return FromQString(export_->text().trimmed()); }
bool TFormCollRelationsWLCheckFilename::CaseSensitive() const { return case_->isChecked(); }
bool TFormCollRelationsWLCheckFilename::FullLemmaProcessing() const { return lemmas_->isChecked(); }

void TFormCollRelationsWLCheckFilename::FormActivate() {
  explanation_->setText(current_tool_var == kToolConcordancer
                            ? QStringLiteral("The word list must have been made from the same corpus as the concordance.")
                            : QString());
}

void TFormCollRelationsWLCheckFilename::OKClick() {
  const QString file = word_list_->text().trimmed();
  if (file.isEmpty()) {
    ShowRefusal(u"Please choose the word list to compare with.");
    return;
  }
  if (!QFileInfo(file).isFile()) {
    ShowRefusal(u"The word list \"" + FromQString(file) + u"\" cannot be found.");
    return;
  }
  SetModalResult(mrOK);
}
