// The general input box: a prompt and a value (text or whole number), or a choice between two
// options. The caller sets the prompt and reads the value or the option pressed after the run.
//
// With a number range set (ExecuteNumber), OK refuses an empty value, one that is not a whole
// number or one out of range with a message, and the box stays open; Cancel changes nothing.
#pragma once

#include "shell/qt/form_base.h"

class QComboBox;
class QLabel;
class QPushButton;

class TGeneralInputDlg : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TGeneralInputDlg(QWidget* parent = nullptr);

  bool Execute(UStringView prompt, UStringView value, int help_context);
  bool Execute(UStringView prompt, int32_t value, int help_context);
  // A whole number from lowest to highest: true and value set only after an accepted OK.
  bool ExecuteNumber(UStringView prompt, int32_t& value, int32_t lowest, int32_t highest, int help_context);
  // The choice between the two options: true when one was pressed; BotaoPressed says which.
  bool GetAlternative(UStringView prompt, int help_context);

  bool offering_alternatives = false;
  int BotaoPressed = 0;  // 0 none, 1 option one, 2 option two

  void SetPrompt(UStringView s);
  UString Prompt() const;
  void SetValue(UStringView s);
  UString Value() const;
  void SetTopic(UStringView s);
  int32_t ValueAsInteger() const;  // -1 when the value is not a whole number
  void OKClick();

  QComboBox* ValueBox() const { return value_; }
  QPushButton* OptionButton(int n) const { return n == 1 ? option1_ : option2_; }
  QPushButton* OKButton() const { return ok_; }

 protected:
  void FormShow() override;

 private:
  void RememberValue();
  QLabel* prompt_ = nullptr;
  QLabel* topic_ = nullptr;
  QComboBox* value_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* option1_ = nullptr;
  QPushButton* option2_ = nullptr;
  bool number_wanted_ = false;
  int32_t lowest_ = 0;
  int32_t highest_ = 0;
  int32_t number_ = 0;
};
