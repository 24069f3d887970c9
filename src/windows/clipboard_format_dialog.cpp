#include "windows/clipboard_format_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/settings/settings_access.h"
#include "shell/qt/qt_application.h"
#include "shell/settings/small_dialog_rules.h"
#include "windows/dialog_parts.h"

TFormChooseClipboardFormat::TFormChooseClipboardFormat(QWidget* parent) : TVXDialogForm(parent) {
  setWindowTitle(QStringLiteral("Choose Clipboard Format"));
  auto* column = new QVBoxLayout(this);
  auto* group = new QGroupBox(QStringLiteral("Include"), this);
  group->setObjectName(QStringLiteral("AdvOfficeCheckGroupIncludes"));
  auto* g = new QVBoxLayout(group);
  const char* names[4] = {"picture of selected area", "editable text", "number column", "heading row"};
  for (size_t i = 0; i < 4; ++i) {
    checks_[i] = new QCheckBox(QString::fromLatin1(names[i]), group);
    g->addWidget(checks_[i]);
    connect(checks_[i], &QCheckBox::toggled, this, [this] { FollowChecks(); });
  }
  column->addWidget(group);
  auto* form = new QFormLayout;
  characters_ = new QSpinBox(this);
  characters_->setObjectName(QStringLiteral("ElSpinEdit1"));
  characters_->setRange(kClipboardCharactersLowest, kClipboardCharactersHighest);
  characters_->setSingleStep(10);
  characters_->setValue(80);
  form->addRow(QStringLiteral("number of characters wanted"), characters_);
  column->addLayout(form);
  const TDialogButtons b = AddDialogButtons(this, column, true, 1570);
  connect(b.ok, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(b.cancel, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
  LoadFromStore();
}

// Read once, when made: the window keeps the user's last choices while it lives.
void TFormChooseClipboardFormat::LoadFromStore() {
  const auto checks = ClipboardChecksOf(GetClipboardSettings());
  for (size_t i = 0; i < 4; ++i) checks_[i]->setChecked(checks[i]);
  characters_->setValue(GetConcCharactersForTextOnly());
  FollowChecks();
}

void TFormChooseClipboardFormat::FollowChecks() {
  std::array<bool, 4> c{};
  for (size_t i = 0; i < 4; ++i) c[i] = checks_[i]->isChecked();
  characters_->setEnabled(ClipboardCharactersEnabled(c));
}

void TFormChooseClipboardFormat::OKClick() {
  std::array<bool, 4> c{};
  for (size_t i = 0; i < 4; ++i) c[i] = checks_[i]->isChecked();
  if (ClipboardCharactersEnabled(c)) {
    const TNumberInput n =
        CheckNumberInput(FromQString(characters_->cleanText()), kClipboardCharactersLowest, kClipboardCharactersHighest);
    if (!n.ok) {
      ShowRefusal(n.message);
      return;
    }
    SetConcCharactersForTextOnly(n.value);
  }
  TClipboardSettingsRec rec = GetClipboardSettings();
  PutClipboardChecks(rec, c);
  SetClipboardSettings(rec);
  SetModalResult(mrOK);
}
