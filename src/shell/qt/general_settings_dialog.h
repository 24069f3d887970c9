// The General settings dialog of the in-process controller stand-in: the save question on
// closing a changed document, the auto-save interval, reopening the last file at start-up and
// the kind of open and save dialogs, how texts are checked, handed over and asked about, the save
// question of a run made for another tool, the log and the dead keys (general_settings_rules.h). It shows what is stored when it
// opens; a field refused is named in a message and the dialog stays open with everything chosen.
#pragma once

#include <QDialog>

#include "shell/settings/general_settings_rules.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

class TGeneralSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TGeneralSettingsDialog(QWidget* parent = nullptr);
  QCheckBox* AskToSave() const { return ask_to_save_; }
  QSpinBox* AutoSaveMinutes() const { return auto_save_; }
  QCheckBox* ReopenLastFile() const { return reopen_; }
  QComboBox* FileDialogs() const { return file_dialogs_; }
  QCheckBox* CheckNetworkTexts() const { return network_; }
  QCheckBox* ThreeLetterExtensionsOnly() const { return three_letters_; }
  QCheckBox* AskAboutUtf8() const { return utf8_; }
  QCheckBox* AskToSaveRun() const { return ask_to_save_run_; }
  QCheckBox* KeepALog() const { return logging_; }
  QLineEdit* LogFile() const { return log_file_; }
  QCheckBox* DeadKeys() const { return dead_keys_; }
  TGeneralSettingsChoice Choice() const;
  void accept() override;

 private:
  QCheckBox* ask_to_save_ = nullptr;
  QSpinBox* auto_save_ = nullptr;
  QCheckBox* reopen_ = nullptr;
  QComboBox* file_dialogs_ = nullptr;
  QCheckBox* network_ = nullptr;
  QCheckBox* three_letters_ = nullptr;
  QCheckBox* utf8_ = nullptr;
  QCheckBox* ask_to_save_run_ = nullptr;
  QCheckBox* logging_ = nullptr;
  QLineEdit* log_file_ = nullptr;
  QCheckBox* dead_keys_ = nullptr;
};
