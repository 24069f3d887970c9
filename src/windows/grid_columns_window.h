// "Columns: Layout & Format": the grid column editor with its calculator page ("Add computed
// data") and its set-column page. It edits the grid's own heading array (the grid shows each
// edit at once) through TColumnEditorModel and tells its opener through three handlers; it never
// changes a list itself.
//
// Calculator OK: unbalanced brackets are named (UnMatchedBracketInX) and the editor stays open;
// inserted precedence brackets are offered (InsertBrackets); then the column handler is asked to
// add the computed column from FormulaText() and the editor closes. Whether the formula can be
// worked out is the handler's to say.
#pragma once

#include <functional>

#include "shell/grid_tools/column_editor_rules.h"
#include "shell/qt/form_base.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QToolButton;
class QButtonGroup;
class QGroupBox;

class TFormColumns : public TVXDialogForm {
  Q_OBJECT
 public:
  // (owner, set column, add, column number): add or delete a set column, or add the computed
  // column whose formula is in FormulaText().
  using TColumnHandler = std::function<void(QObject* owner, bool set_column, bool add, int column_number)>;
  using TSaveHandler = std::function<bool(QObject* owner)>;
  using TChangedHandler = std::function<void(QObject* owner, TGrid_header_array& headings)>;

  explicit TFormColumns(QWidget* parent = nullptr);

  // headings is the grid's own array; current_column the heading index to select.
  void AssignDetails(QObject* owner, TGrid_header_array* headings, bool set_column_page, TTessorineList list_type,
                     uint8_t units, TColumnHandler column_handler, TSaveHandler save_handler,
                     TChangedHandler changed_handler, int current_heading = -1);
  void CheckAddDeleteSetColDisplay();
  TColumnEditorModel& Model() { return model_; }
  UString FormulaText() const;
  void SetFormulaText(UStringView text);
  // The style's background: a colour equal to it is no colour of the user's own.
  void SetStyleBackground(int32_t colour) { style_background_ = colour; }

  // Controls, for tests.
  QTabWidget* Pages() const { return pages_; }
  QListWidget* Headings() const { return headings_; }
  QDoubleSpinBox* Width() const { return width_; }
  QComboBox* Threshold() const { return threshold_; }
  QSpinBox* Decimals() const { return decimals_; }
  QButtonGroup* Visibility() const { return visibility_; }
  QButtonGroup* LetterCase() const { return letter_case_; }
  QToolButton* AlignButton(int alignment) const;
  QCheckBox* TypefaceBox(int bit_index) const;
  QListWidget* Colours() const { return colours_; }
  QPushButton* UpButton() const { return up_; }
  QPushButton* DownButton() const { return down_; }
  QPushButton* SaveButton() const { return save_; }
  QPushButton* RestoreButton() const { return restore_; }
  QPushButton* DeleteComputedButton() const { return delete_computed_; }
  QPushButton* EditComputedButton() const { return edit_computed_; }
  QComboBox* Formula() const { return formula_; }
  QListWidget* Functions() const { return functions_; }
  QListWidget* CalculatorColumns() const { return calc_columns_; }
  QCheckBox* CumulativeBox() const { return cumulative_; }
  QSpinBox* AbsoluteRow() const { return absolute_row_; }
  QPushButton* ComputeOK() const { return compute_ok_; }
  QPushButton* AddSetColumnButton() const { return add_set_; }
  QPushButton* DeleteSetColumnButton() const { return delete_set_; }
  QListWidget* SetColumnsToDelete() const { return set_to_delete_; }

  // The calculator's double-clicks: a function, a column, the absolute row.
  void InsertFunction(int index);
  void InsertColumn(int item);
  void InsertAbsoluteRow();
  void ComputeOKClick();
  void DeleteSetColumnClick();
  void DeleteComputedClick();
  void SaveClick();
  void RestoreClick();

 protected:
  void FormShow() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FillLists();
  void AdjustControls();
  void SelectionChanged();
  void Edited(bool changed);
  void InsertToken(UStringView token);

  TColumnEditorModel model_;
  QObject* owner_ = nullptr;
  TTessorineList list_type_ = 0;
  TColumnHandler column_handler_;
  TSaveHandler save_handler_;
  TChangedHandler changed_handler_;
  bool adjusting_ = true;
  bool refreshing_ = false;
  int32_t style_background_ = 0xFFFFFF;
  double ppi_ = 96;

  QTabWidget* pages_ = nullptr;
  QListWidget* headings_ = nullptr;
  QDoubleSpinBox* width_ = nullptr;
  QRadioButton* inches_ = nullptr;
  QRadioButton* centimetres_ = nullptr;
  QComboBox* threshold_ = nullptr;
  QSpinBox* decimals_ = nullptr;
  QGroupBox* decimals_group_ = nullptr;
  QButtonGroup* visibility_ = nullptr;
  QGroupBox* visibility_box_ = nullptr;
  QButtonGroup* letter_case_ = nullptr;
  QGroupBox* case_box_ = nullptr;
  QWidget* align_bar_ = nullptr;
  QToolButton* align_[4] = {};
  QGroupBox* typeface_box_ = nullptr;
  QCheckBox* typeface_[4] = {};
  QListWidget* colours_ = nullptr;
  QPushButton* up_ = nullptr;
  QPushButton* down_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* restore_ = nullptr;
  QPushButton* delete_computed_ = nullptr;
  QPushButton* edit_computed_ = nullptr;
  QComboBox* formula_ = nullptr;
  QListWidget* functions_ = nullptr;
  QListWidget* calc_columns_ = nullptr;
  QCheckBox* cumulative_ = nullptr;
  QSpinBox* absolute_row_ = nullptr;
  QPushButton* compute_ok_ = nullptr;
  QWidget* set_page_ = nullptr;
  QPushButton* add_set_ = nullptr;
  QPushButton* delete_set_ = nullptr;
  QListWidget* set_to_delete_ = nullptr;
};
