// The concordance sort dialog: a main key, a second key that breaks ties of the first and a third
// that breaks ties of the second, each with its direction and case sensitivity. Made once at
// start-up, so its choices persist from one use to the next.
//
// The caller points it at the document's settings and the list's sort record (SetTargets) and
// shows it modally. The dialog works on copies of both; an accepted OK writes them back, so
// Cancel leaves both as they were.
#pragma once

#include <array>

#include "shell/qt/form_base.h"
#include "windows/sort_rules.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QStatusBar;
class QTabWidget;
class QToolButton;

class TConcSortForm : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TConcSortForm(QWidget* parent = nullptr);

  void SetTargets(TConcSettingsRec32* settings, TConcSortRecord* sort);
  bool highlighted_collocate_in_sort = false;

  // --- the window's work, callable without clicks ---
  void StoreChoices();
  void OKClick();
  void DirectionClick(int slot);
  TSortDialogState State() const;
  const TConcSettingsRec32& SettingsCopy() const { return settings_copy_; }
  const TConcSortRecord& SortCopy() const { return sort_copy_; }

  QListWidget* KeyList(int slot) const { return lists_[static_cast<size_t>(slot)]; }
  QCheckBox* TieCheck(int n) const { return n == 1 ? tie1_ : tie2_; }
  QCheckBox* CaseCheck(int slot) const { return case_[static_cast<size_t>(slot)]; }
  QToolButton* DirectionButton(int slot) const { return direction_[static_cast<size_t>(slot)]; }
  QTabWidget* Pager() const { return pager_; }
  QComboBox* NumCombo() const { return num_combo_; }
  QString StatusText() const;

 protected:
  void FormShow() override;

 private:
  void ShowDirection(int slot);
  TConcSettingsRec32* settings_ = nullptr;
  TConcSortRecord* sort_ = nullptr;
  TConcSettingsRec32 settings_copy_{};
  TConcSortRecord sort_copy_{};
  std::array<QListWidget*, 3> lists_{};
  std::array<QCheckBox*, 3> case_{};
  std::array<QToolButton*, 3> direction_{};
  std::array<int, 3> direction_tag_{1, 1, 1};
  QCheckBox* tie1_ = nullptr;
  QCheckBox* tie2_ = nullptr;
  QTabWidget* pager_ = nullptr;
  QComboBox* num_combo_ = nullptr;
  QStatusBar* status_ = nullptr;
  bool storing_ = false;
};
