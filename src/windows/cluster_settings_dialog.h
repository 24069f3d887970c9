// Cluster settings: sizes, minimum frequency, horizons and case sensitivity, read from the
// settings store when shown and written back on OK (see shell/analysis_settings_rules.h).
#pragma once

#include "shell/settings/analysis_settings_rules.h"
#include "shell/qt/form_base.h"

class QCheckBox;
class QListWidget;
class QSpinBox;

class TClusterDlg : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TClusterDlg(QWidget* parent = nullptr);
  TClusterChoices Choices() const;
  void OKClick();

  QSpinBox* Smallest() const { return smallest_; }
  QSpinBox* Largest() const { return largest_; }
  QSpinBox* MinFrequency() const { return min_freq_; }
  QListWidget* LeftList() const { return left_; }
  QListWidget* RightList() const { return right_; }
  QCheckBox* CaseBox() const { return case_; }

 protected:
  void FormShow() override;

 private:
  QSpinBox* smallest_ = nullptr;
  QSpinBox* largest_ = nullptr;
  QSpinBox* min_freq_ = nullptr;
  QListWidget* left_ = nullptr;
  QListWidget* right_ = nullptr;
  QCheckBox* case_ = nullptr;
};
