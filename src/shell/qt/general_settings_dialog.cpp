#include "shell/qt/general_settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "shell/qt/qt_application.h"
#include "shell/qt/settings_dialogs.h"

TGeneralSettingsDialog::TGeneralSettingsDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("General"));
  const TGeneralSettingsChoice now = CurrentGeneralSettings();
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  ask_to_save_ = new QCheckBox(QStringLiteral("Ask whether to save a changed document before closing it"), this);
  ask_to_save_->setChecked(now.ask_to_save);
  // Wider than the rules allow: a value too big is named in the refusal, not clamped unseen.
  auto_save_ = SettingsSpin(this, 0, 99999, now.auto_save_minutes);
  auto_save_->setSuffix(QStringLiteral(" minutes"));
  auto_save_->setSpecialValueText(QStringLiteral("never"));
  reopen_ = new QCheckBox(QStringLiteral("Reopen the last file used when the program starts"), this);
  reopen_->setChecked(now.reopen_last_file);
  file_dialogs_ = new QComboBox(this);
  for (int k = 0; k < kFileDialogKinds; ++k) file_dialogs_->addItem(ToQString(FileDialogKindCaption(k)));
  file_dialogs_->setCurrentIndex(now.file_dialogs);
  form->addRow(ask_to_save_);
  form->addRow(QStringLiteral("Auto-save every"), auto_save_);
  form->addRow(reopen_);
  form->addRow(QStringLiteral("Open and save dialogs"), file_dialogs_);
  network_ = new QCheckBox(QStringLiteral("Check texts on network shares for existence"), this);
  network_->setChecked(now.check_network_texts);
  three_letters_ = new QCheckBox(QStringLiteral("Texts handed over by another tool: leave out .html files"), this);
  three_letters_->setToolTip(QStringLiteral("only texts with three-letter extensions are taken"));
  three_letters_->setChecked(now.three_letter_extensions_only);
  utf8_ = new QCheckBox(QStringLiteral("Ask what to do with a UTF-8 text (asked again after \"to all\")"), this);
  utf8_->setChecked(now.ask_about_utf8);
  form->addRow(network_);
  form->addRow(three_letters_);
  form->addRow(utf8_);
  ask_to_save_run_ = new QCheckBox(QStringLiteral("Ask whether to save a concordance made for another tool"), this);
  ask_to_save_run_->setChecked(now.ask_to_save_run);
  form->addRow(ask_to_save_run_);
  logging_ = new QCheckBox(QStringLiteral("Keep a log"), this);
  logging_->setChecked(now.logging);
  log_file_ = new QLineEdit(ToQString(now.log_file), this);
  log_file_->setPlaceholderText(QStringLiteral("the log file's full name"));
  log_file_->setEnabled(now.logging);
  connect(logging_, &QCheckBox::toggled, log_file_, &QLineEdit::setEnabled);
  form->addRow(logging_);
  form->addRow(QStringLiteral("Log file"), log_file_);
  dead_keys_ = new QCheckBox(QStringLiteral("Word boxes apply my dead keys (\"customised deadkeys.dat\")"), this);
  dead_keys_->setToolTip(QStringLiteral("lines \"dead key, letter, result\" in the file of that name in your folder"));
  dead_keys_->setChecked(now.dead_keys);
  form->addRow(dead_keys_);
  layout->addLayout(form);
  AddOkCancel(this, layout);
}

TGeneralSettingsChoice TGeneralSettingsDialog::Choice() const {
  TGeneralSettingsChoice c;
  c.ask_to_save = ask_to_save_->isChecked();
  c.auto_save_minutes = auto_save_->value();
  c.reopen_last_file = reopen_->isChecked();
  c.file_dialogs = file_dialogs_->currentIndex();
  c.check_network_texts = network_->isChecked();
  c.three_letter_extensions_only = three_letters_->isChecked();
  c.ask_about_utf8 = utf8_->isChecked();
  c.ask_to_save_run = ask_to_save_run_->isChecked();
  c.logging = logging_->isChecked();
  c.log_file = FromQString(log_file_->text());
  c.dead_keys = dead_keys_->isChecked();
  return c;
}

void TGeneralSettingsDialog::accept() {
  if (Refused(u"General", ApplyGeneralSettings(Choice()))) return;
  QDialog::accept();
}
