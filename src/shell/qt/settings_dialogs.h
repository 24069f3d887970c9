// The small settings dialogs the in-process controller stand-in shows for the Settings menu:
// the display font (with whether texts are read with accents composed onto their letters), the
// folders, and the lemma, match and stop list files with their switches.
// Each dialog only gathers the choices; accept() hands them to the store through the rules of
// settings_commands.h. A choice the store refuses is shown in a message and the dialog stays
// open with everything the user typed, so nothing is lost.
#pragma once

#include <QDialog>
#include <array>
#include <vector>

#include "shell/settings/settings_commands.h"

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QFontComboBox;
class QLineEdit;
class QSpinBox;

// OK and Cancel at the foot of a settings dialog.
QDialogButtonBox* AddOkCancel(QDialog* d, QBoxLayout* layout);
// A spin box from lowest to highest showing value.
QSpinBox* SettingsSpin(QWidget* parent, int lowest, int highest, int value);
// Shows the problems, if any; true when there were some (the dialog then stays open).
bool Refused(UStringView caption, const std::vector<UString>& problems);

class TFontSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TFontSettingsDialog(QWidget* parent = nullptr);
  QFontComboBox* FontBox() const { return font_; }
  QSpinBox* SizeBox() const { return size_; }
  QCheckBox* Precomposed() const { return precomposed_; }
  void accept() override;

 private:
  QFontComboBox* font_ = nullptr;
  QSpinBox* size_ = nullptr;
  QCheckBox* precomposed_ = nullptr;
};

class TFolderSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TFolderSettingsDialog(uint8_t tool, QWidget* parent = nullptr);
  QLineEdit* UserFolder() const { return user_; }
  QLineEdit* ResultsFolder() const { return results_; }
  void accept() override;

 private:
  uint8_t tool_;
  QLineEdit* user_ = nullptr;
  QLineEdit* results_ = nullptr;
};

class TListSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TListSettingsDialog(uint8_t tool, QWidget* parent = nullptr);
  QCheckBox* Switch(int kind) const { return switches_[static_cast<size_t>(kind)]; }
  QLineEdit* File(int kind) const { return files_[static_cast<size_t>(kind)]; }
  // The match list's source of words (kWordsFromFile or kWordsTyped) and the words typed.
  QComboBox* MatchWordsFrom() const { return match_from_; }
  QLineEdit* MatchTypedWords() const { return match_typed_; }
  // After OK: the codes (234-241) that tell the tool which lists to load or clear.
  const std::vector<uint16_t>& CodesToPost() const { return codes_; }
  void accept() override;

 private:
  uint8_t tool_;
  std::array<QCheckBox*, kListsOffered> switches_{};
  std::array<QLineEdit*, kListsOffered> files_{};
  QComboBox* match_from_ = nullptr;
  QLineEdit* match_typed_ = nullptr;
  std::vector<uint16_t> codes_;
};
