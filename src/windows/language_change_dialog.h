// The text-language change: the existing language and the alternatives to choose from. Change
// tells the suite controller (code 1230) the chosen language's locale identifier; it stays
// disabled until an alternative is chosen.
#pragma once

#include "shell/qt/form_base.h"

class QComboBox;
class QLineEdit;
class QPushButton;

inline constexpr uint16_t kLanguageChangeCode = 1230;

class TFormLangChange : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TFormLangChange(QWidget* parent = nullptr);
  // The tab-separated alternatives; the one equal to the current text language is selected.
  void SetAlternatives(UStringView text);
  void SetAlternatives(UStringView text, UStringView current_language);
  void SetCurrentLangTo(UStringView name);
  void ChangeClick();

  QComboBox* Alternatives() const { return alternatives_; }
  QPushButton* ChangeButton() const { return change_; }
  QLineEdit* Existing() const { return existing_; }

 private:
  QComboBox* alternatives_ = nullptr;
  QLineEdit* existing_ = nullptr;
  QPushButton* change_ = nullptr;
};
