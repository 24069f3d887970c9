// The settings of collocates of a whole word list (word_list_collocate_rules.h), opened from the
// concordancer's own settings: the word filter's bounds and the association thresholds. It shows
// what is stored when it opens; a field refused is named in a message and the dialog stays open
// with everything chosen.
#pragma once

#include <QDialog>
#include <array>

#include "shell/settings/word_list_collocate_rules.h"

class QCheckBox;
class QDoubleSpinBox;
class QSpinBox;

class TWordListCollocatesDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TWordListCollocatesDialog(QWidget* parent = nullptr);
  QSpinBox* Least(int bound) const { return least_[static_cast<size_t>(bound)]; }
  QSpinBox* Most(int bound) const { return most_[static_cast<size_t>(bound)]; }
  QCheckBox* Tested(int statistic) const { return tested_[static_cast<size_t>(statistic)]; }
  QDoubleSpinBox* Threshold(int statistic) const { return thresholds_[static_cast<size_t>(statistic)]; }
  TWordListCollocatesChoice Choice() const;
  void accept() override;

 private:
  std::array<QSpinBox*, kWordListBounds> least_{};
  std::array<QSpinBox*, kWordListBounds> most_{};
  std::array<QCheckBox*, TKollaxaMutualChecks::kStatistics> tested_{};
  std::array<QDoubleSpinBox*, TKollaxaMutualChecks::kStatistics> thresholds_{};
  QCheckBox* all_must_pass_ = nullptr;
};
