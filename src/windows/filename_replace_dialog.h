// Search and replace in the file names of a list: what to look for, what to put instead, and
// whether the path or only the file name is searched. The caller reads the two boxes and the
// choice after OK; OK with nothing to search for is refused with a message.
#pragma once

#include "shell/qt/form_base.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;

class TFormSearchAndReplaceFilename : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TFormSearchAndReplaceFilename(QWidget* parent = nullptr);
  UString SearchText() const;
  UString Replacement() const;
  int Within() const;  // 0 the path only, 1 the file name only
  void SetWithin(int item);
  void SetChoiceEnabled(bool enabled);
  void OKClick();

  QLineEdit* SearchEdit() const { return search_; }
  QLineEdit* ReplacementEdit() const { return replacement_; }
  QLabel* SearchLabel() const { return search_label_; }

 protected:
  void FormShow() override;

 private:
  void FollowChoice();
  QLineEdit* search_ = nullptr;
  QLineEdit* replacement_ = nullptr;
  QLabel* search_label_ = nullptr;
  QGroupBox* group_ = nullptr;
  QButtonGroup* within_ = nullptr;
};
