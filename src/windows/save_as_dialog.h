// Save-as dialog for lists: the user picks the file, the format, which rows and columns (as
// number-range texts), numbers, headings, thousands and the column separator. The window only
// shows a TSaveAsModel's fields and hands them back; OK is the model's Accept, which keeps the
// dialog open on any refusal. After mrOK, Settings() holds what the exporters are to read.
#pragma once

#include "shell/qt/form_base.h"
#include "shell/grid_tools/save_as_rules.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QToolButton;
class TFileDialogs;

class TSaveAsTxtDlgFeb2012 : public TVXDialogForm {
  Q_OBJECT
 public:
  // file_dialogs answers the browse button (none: the button is disabled).
  explicit TSaveAsTxtDlgFeb2012(TFileDialogs* file_dialogs = nullptr, QWidget* parent = nullptr);

  // Fills the fields from the grid's shape and the settings kept from the last use.
  void SetupSaveAs(const TSaveAsSetup& setup);
  void OKClick();

  const TExportSettings& Settings() const { return KeptExportSettings(); }
  int32_t SaveAsConcCharacters() const { return model_.characters; }
  UString TopXML() const { return SaveAsTopXML(model_.ListType()); }
  UString BottomXML() const { return SaveAsBottomXML(model_.ListType()); }

  QLineEdit* FileEdit() const { return file_; }
  QComboBox* Format() const { return format_; }
  QLineEdit* RowsEdit() const { return rows_; }
  QLineEdit* ColumnsEdit() const { return columns_; }
  QCheckBox* RowsSelectionOnly() const { return rows_selection_; }
  QCheckBox* ColumnsSelectionOnly() const { return columns_selection_; }
  QCheckBox* WithNumbers() const { return numbers_; }
  QCheckBox* WithHeadings() const { return headings_; }
  QCheckBox* Thousands() const { return thousands_; }
  QRadioButton* TabSeparator() const { return tab_; }
  QRadioButton* OtherSeparator() const { return other_; }
  QLineEdit* SeparatorEdit() const { return separator_; }
  QSpinBox* Characters() const { return characters_; }

 private:
  void ShowModel();
  void TakeFields();
  void Browse();

  TFileDialogs* file_dialogs_;
  TSaveAsModel model_{TSaveAsSetup(), TExportSettings()};
  bool showing_ = false;
  QLineEdit* file_ = nullptr;
  QToolButton* browse_ = nullptr;
  QComboBox* format_ = nullptr;
  QLineEdit* rows_ = nullptr;
  QLineEdit* columns_ = nullptr;
  QCheckBox* rows_selection_ = nullptr;
  QCheckBox* columns_selection_ = nullptr;
  QCheckBox* numbers_ = nullptr;
  QCheckBox* headings_ = nullptr;
  QCheckBox* thousands_ = nullptr;
  QRadioButton* tab_ = nullptr;
  QRadioButton* other_ = nullptr;
  QLineEdit* separator_ = nullptr;
  QSpinBox* characters_ = nullptr;
};
