// The conditions of Find (170), Delete If (85) and Colour categories (194): the condition editor
// "Search Requirements" (one requirement at a time, modal) and the conditions window that holds
// the main and the additional requirement, runs the search through the list's
// CheckAllForCondition and moves the grid to what it found.
//
// The editor works on a copy of the requirement being edited; only OK puts it into the search
// record, so closing the editor any other way leaves the record as it was.
#pragma once

#include <QPointer>
#include <functional>

#include "model/lists/search_conditions.h"
#include "shell/qt/form_base.h"
#include "shell/qt/vx_grid.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QButtonGroup;
class TVX_Grid;
class TVXBaseDataClass;

class TFormSearchRequirements : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TFormSearchRequirements(QWidget* parent = nullptr);

  // The list's shown headings in both column combos; column (a list column) chosen.
  void SetTheHeaders(TVXBaseDataClass* list, int column);
  // Starts editing requirement n (0 main, 1 additional) on a copy of it.
  void SetRequirementNumber(int n);
  int CurrentOrder() const { return current_order_; }
  void SetLinkType(uint8_t link) { rec_.link = link; }
  void SetTextVersion(UStringView text) { rec_.text_version[current_order_] = UString(text); }
  TDoubleSearchCategoryRec& DoubleCategoryRec() { return rec_; }
  const TSearchRequirement& Editing() const { return editing_; }
  void ClearTheDecks();
  std::function<void(TFormSearchRequirements* sender, const UString& text)> fOnReportRequirement;

  void OKClick();
  QComboBox* DataColumn() const { return column_; }
  QComboBox* Condition() const { return condition_; }
  QComboBox* InputText() const { return input_; }
  QComboBox* UpToValue() const { return up_to_; }
  QComboBox* SecondWord() const { return second_word_; }
  QSpinBox* NWords() const { return n_words_; }
  QCheckBox* UseOtherColumn() const { return use_other_; }
  QComboBox* DataColumn2() const { return column2_; }
  QCheckBox* Opposite() const { return opposite_; }
  QLabel* Goal() const { return goal_; }
  // The seek kind chosen in the condition combo (0 none).
  uint8_t ChosenSeek() const;

 private:
  void FillConditions();
  void RecomputeTheSettings();
  uint8_t ColumnType(const QComboBox* combo) const;
  TDoubleSearchCategoryRec rec_;
  TSearchRequirement editing_;
  int current_order_ = 0;
  bool filling_ = false;
  QComboBox* column_ = nullptr;
  QComboBox* condition_ = nullptr;
  QComboBox* input_ = nullptr;
  QComboBox* up_to_ = nullptr;
  QComboBox* second_word_ = nullptr;
  QSpinBox* n_words_ = nullptr;
  QCheckBox* use_other_ = nullptr;
  QComboBox* column2_ = nullptr;
  QCheckBox* opposite_ = nullptr;
  QLabel* goal_ = nullptr;
  QLabel* label_x_ = nullptr;
  QLabel* label_and_ = nullptr;
  QLabel* label_words_ = nullptr;
  QLabel* label_column_ = nullptr;
  QLabel* label_condition_ = nullptr;
};

class TFormTestWhether : public TVXStylableForm<QWidget> {
  Q_OBJECT
 public:
  explicit TFormTestWhether(QWidget* parent = nullptr);

  // The grid searched, the action (85 delete, 170 find, 194 colour categories) and its help.
  void SetTheHeaders(TVX_Grid* grid, int action_tag, int help_context);
  // The grid's data changed or the window closed: the window forgets the grid and its list.
  void Stop();
  void ClearTheDecks();
  int ActionTag() const { return action_tag_; }
  TFormSearchRequirements* Editor() const { return editor_; }
  TVX_Grid* Grid() const { return grid_; }

  // The buttons' work, for the window's own clicks and for tests.
  void EditRequirement(int order);  // opens the editor modally
  void FindClick(bool find_next);
  void AddClick();
  void DeleteClick();
  void SortClick();
  void ClearColoursClick();

  QLabel* ConditionLabel() const { return goal_overall_; }
  QLabel* HitsLabel() const { return hits_; }
  QPushButton* MainButton() const { return main_; }
  QPushButton* AdditionalButton() const { return additional_; }
  QButtonGroup* Linkage() const { return linkage_; }
  QPushButton* FindButton() const { return find_; }
  QPushButton* FindAllButton() const { return find_all_; }
  QCheckBox* SearchUp() const { return up_; }
  QListWidget* Searches() const { return searches_; }
  QListWidget* Colours() const { return colours_; }
  QPushButton* AddButton() const { return add_; }
  QPushButton* SortButton() const { return sort_; }
  QPushButton* ClearButton() const { return clear_; }
  QWidget* Bottom() const { return bottom_; }
  const std::vector<TDoubleSearchCategoryRec>& Records() const { return records_; }

 private:
  void ReportRequirement(TFormSearchRequirements* sender, const UString& text);
  void EnableSearchButtons(bool enabled);
  TDoubleSearchCategoryRec MakeSearchRecord();
  void ProcessTheConditions(bool find_next);
  UString LineNow() const;
  TVXBaseDataClass* List() const;

  TFormSearchRequirements* editor_ = nullptr;
  int action_tag_ = 170;
  int current_order_ = 0;
  QPointer<TVX_Grid> grid_;
  TVXBaseDataClass* list_ = nullptr;
  std::vector<TDoubleSearchCategoryRec> records_;  // one per check-list item

  QLabel* goal_overall_ = nullptr;
  QLabel* hits_ = nullptr;
  QPushButton* main_ = nullptr;
  QPushButton* additional_ = nullptr;
  QButtonGroup* linkage_ = nullptr;
  QPushButton* find_ = nullptr;
  QPushButton* find_all_ = nullptr;
  QCheckBox* up_ = nullptr;
  QWidget* bottom_ = nullptr;
  QListWidget* searches_ = nullptr;
  QListWidget* colours_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* sort_ = nullptr;
  QPushButton* clear_ = nullptr;
};
