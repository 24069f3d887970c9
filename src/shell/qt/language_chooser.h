// The language chooser: an editable combo of the user's favourite languages and then every
// language known, and the code page its 8-bit texts are read in. OK sends the chosen language
// to the controller (code 1230 with its locale identifier and code page as value, message
// 0x402) and closes with result 1; a name no one knows gets a message and the dialog stays.
// The controller confirms a stored language with code 701 (see ChangeLanguage).
#pragma once

#include <QDialog>

#include "platform/rtl/ustring.h"

class QComboBox;

class TLanguageChooser : public QDialog {
  Q_OBJECT
 public:
  explicit TLanguageChooser(QWidget* parent = nullptr);
  // The alternatives, tab-separated (empty names are skipped).
  void SetAlternatives(UStringView names_tabbed);
  void SetCurrentLangTo(UStringView name);
  QComboBox* Combo() const { return combo_; }
  QComboBox* CodePages() const { return code_pages_; }
  void accept() override;

 private:
  QComboBox* combo_ = nullptr;
  QComboBox* code_pages_ = nullptr;
};

// Shows the chooser filled with the favourite languages and the current one; true for OK.
bool AskForLanguage(QWidget* parent = nullptr);
