#include "windows/general_input_dialog.h"

#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/qt/help_access.h"
#include "shell/qt/qt_application.h"
#include "shell/settings/small_dialog_rules.h"
#include "windows/dialog_parts.h"

namespace {
constexpr int kValueHistory = 512;
}

TGeneralInputDlg::TGeneralInputDlg(QWidget* parent) : TVXDialogForm(parent) {
  setWindowTitle(QStringLiteral("Input"));
  SetKeepGeometry(false);
  auto* column = new QVBoxLayout(this);
  topic_ = new QLabel(this);
  topic_->setObjectName(QStringLiteral("LabelTopic"));
  column->addWidget(topic_);
  prompt_ = new QLabel(this);
  prompt_->setObjectName(QStringLiteral("LabelPrompt"));
  prompt_->setWordWrap(true);
  column->addWidget(prompt_);
  value_ = new QComboBox(this);
  value_->setObjectName(QStringLiteral("ElComboBox1"));
  value_->setEditable(true);
  value_->setInsertPolicy(QComboBox::NoInsert);
  value_->setMaxCount(kValueHistory);
  value_->completer()->setCaseSensitivity(Qt::CaseSensitive);
  value_->setMinimumWidth(260);
  column->addWidget(value_);
  auto* options = new QHBoxLayout;
  option1_ = new QPushButton(QStringLiteral("One"), this);
  option1_->setObjectName(QStringLiteral("AdvGlowButtonOption1"));
  option2_ = new QPushButton(QStringLiteral("Two"), this);
  option2_->setObjectName(QStringLiteral("AdvGlowButtonOption2"));
  options->addWidget(option1_);
  options->addWidget(option2_);
  column->addLayout(options);
  connect(option1_, &QPushButton::clicked, this, [this] {
    BotaoPressed = 1;
    SetModalResult(mrOK);
  });
  connect(option2_, &QPushButton::clicked, this, [this] {
    BotaoPressed = 2;
    SetModalResult(mrOK);
  });
  const TDialogButtons b = AddDialogButtons(this, column, true, 0);
  ok_ = b.ok;
  connect(ok_, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(b.cancel, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
}

void TGeneralInputDlg::SetPrompt(UStringView s) { prompt_->setText(ToQString(s)); }
UString TGeneralInputDlg::Prompt() const { return FromQString(prompt_->text()); }
void TGeneralInputDlg::SetValue(UStringView s) { value_->setEditText(ToQString(s)); }
UString TGeneralInputDlg::Value() const { return FromQString(value_->currentText()); }
void TGeneralInputDlg::SetTopic(UStringView s) { topic_->setText(ToQString(s)); }
int32_t TGeneralInputDlg::ValueAsInteger() const { return ::ValueAsInteger(Value()); }

void TGeneralInputDlg::FormShow() {
  topic_->setVisible(offering_alternatives);
  option1_->setVisible(offering_alternatives);
  option2_->setVisible(offering_alternatives);
  value_->setVisible(!offering_alternatives);
  ok_->setVisible(!offering_alternatives);
  if (!offering_alternatives) value_->setFocus();
}

void TGeneralInputDlg::RememberValue() {
  const QString v = value_->currentText();
  if (v.isEmpty() || value_->findText(v, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0) return;
  if (value_->count() >= kValueHistory) value_->removeItem(0);
  value_->addItem(v);
  value_->model()->sort(0);
  value_->setEditText(v);
}

void TGeneralInputDlg::OKClick() {
  if (number_wanted_) {
    const TNumberInput n = CheckNumberInput(Value(), lowest_, highest_);
    if (!n.ok) {
      ShowRefusal(n.message);
      return;
    }
    number_ = n.value;
  }
  RememberValue();
  SetModalResult(mrOK);
}

bool TGeneralInputDlg::Execute(UStringView prompt, UStringView value, int help_context) {
  SetPrompt(prompt);
  SetValue(value);
  SetHelpContext(this, help_context);
  return ShowModal() == mrOK;
}

bool TGeneralInputDlg::Execute(UStringView prompt, int32_t value, int help_context) {
  return Execute(prompt, IntToUStr(value), help_context);
}

bool TGeneralInputDlg::ExecuteNumber(UStringView prompt, int32_t& value, int32_t lowest, int32_t highest,
                                     int help_context) {
  number_wanted_ = true;
  lowest_ = lowest;
  highest_ = highest;
  const bool ok = Execute(prompt, value, help_context);
  number_wanted_ = false;
  if (ok) value = number_;
  return ok;
}

bool TGeneralInputDlg::GetAlternative(UStringView prompt, int help_context) {
  BotaoPressed = 0;
  SetPrompt(prompt);
  SetHelpContext(this, help_context);
  return ShowModal() == mrOK && BotaoPressed != 0;
}
