#include "shell/qt/language_chooser.h"

#include <QComboBox>
#include <algorithm>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "platform/runtime/vx_dialogs.h"
#include "shell/settings/language_choice.h"
#include "shell/qt/qt_application.h"
#include "shell/services/suite_services.h"

TLanguageChooser::TLanguageChooser(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Language"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  combo_ = new QComboBox(this);
  combo_->setEditable(true);
  combo_->setInsertPolicy(QComboBox::NoInsert);
  combo_->setMinimumWidth(260);
  form->addRow(QStringLiteral("Language of the texts"), combo_);
  code_pages_ = new QComboBox(this);
  for (const TCodePageChoice& c : CodePageChoices()) code_pages_->addItem(ToQString(c.name), c.code_page);
  code_pages_->setCurrentIndex(std::max(0, code_pages_->findData(CurrentCodePageChoice())));
  form->addRow(QStringLiteral("Code page of 8-bit texts"), code_pages_);
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TLanguageChooser::SetAlternatives(UStringView names_tabbed) {
  combo_->clear();
  for (const QString& name : ToQString(names_tabbed).split(QLatin1Char('\t'), Qt::SkipEmptyParts)) combo_->addItem(name);
}

void TLanguageChooser::SetCurrentLangTo(UStringView name) { combo_->setEditText(ToQString(name)); }

void TLanguageChooser::accept() {
  const UString name = FromQString(combo_->currentText());
  const int32_t value = LanguageValueOfName(name);
  if (value == 0) {
    VXMessageBox(u"Language", u"\"" + name + u"\" is not a language this program knows.", kBtnOK, TVXDialogKind::Warning);
    return;
  }
  if (!PostToControllerWithParam(kCodeLanguageChoice, LanguageChoiceValue(value, CodePages()->currentData().toInt()))) {
    VXMessageBox(u"Language", u"The language could not be handed on: no controller answers.", kBtnOK,
                 TVXDialogKind::Warning);
    return;
  }
  QDialog::accept();
}

bool AskForLanguage(QWidget* parent) {
  TLanguageChooser chooser(parent);
  chooser.SetAlternatives(GetNamesOfLanguagesToOffer());
  chooser.SetCurrentLangTo(CurrentLanguageName());
  return chooser.exec() == QDialog::Accepted;
}
