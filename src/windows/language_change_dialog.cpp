#include "windows/language_change_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/settings/settings_access.h"
#include "shell/qt/qt_application.h"
#include "shell/services/suite_services.h"
#include "shell/settings/language_choice.h"
#include "shell/settings/small_dialog_rules.h"
#include "windows/dialog_parts.h"

TFormLangChange::TFormLangChange(QWidget* parent) : TVXDialogForm(parent) {
  setWindowTitle(QStringLiteral("Change language"));
  auto* column = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  existing_ = new QLineEdit(this);
  existing_->setObjectName(QStringLiteral("AdvEdit1"));
  existing_->setReadOnly(true);
  form->addRow(QStringLiteral("Existing"), existing_);
  alternatives_ = new QComboBox(this);
  alternatives_->setObjectName(QStringLiteral("AdvComboBox1"));
  alternatives_->setMinimumWidth(220);
  form->addRow(QStringLiteral("Alternatives"), alternatives_);
  column->addLayout(form);
  const TDialogButtons b = AddDialogButtons(this, column, false, 5390, QStringLiteral("Change"));
  change_ = b.ok;
  change_->setEnabled(false);
  connect(alternatives_, &QComboBox::currentIndexChanged, this, [this](int i) { change_->setEnabled(i >= 0); });
  connect(change_, &QPushButton::clicked, this, [this] { ChangeClick(); });
}

void TFormLangChange::SetAlternatives(UStringView text) {
  SetAlternatives(text, GetTextSettings().Language().LanguageName());
}

void TFormLangChange::SetAlternatives(UStringView text, UStringView current_language) {
  const std::vector<UString> alts = SplitAtTabs(text);
  alternatives_->clear();
  for (const UString& a : alts) alternatives_->addItem(ToQString(a));
  alternatives_->setCurrentIndex(LanguageAlternativeIndex(alts, current_language));
  change_->setEnabled(alternatives_->currentIndex() >= 0);
}

void TFormLangChange::SetCurrentLangTo(UStringView name) { existing_->setText(ToQString(name)); }

void TFormLangChange::ChangeClick() {
  const int i = alternatives_->currentIndex();
  if (i < 0) return;
  // The controller stores a language by its locale identifier; the position in this list would
  // name another language in another user's list.
  PostToControllerWithParam(kLanguageChangeCode, LanguageValueOfName(FromQString(alternatives_->currentText())));
  SetModalResult(mrOK);
}
