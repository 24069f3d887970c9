// The Index settings dialog of the in-process controller stand-in: words, clusters and phrase
// frames of a corpus index (index_settings_rules.h). It shows what is stored when it opens; a
// field refused is named in a message and the dialog stays open with everything chosen.
#pragma once

#include <QDialog>

#include "shell/settings/index_settings_rules.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

class TIndexSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TIndexSettingsDialog(QWidget* parent = nullptr);
  QSpinBox* MinTypeFrequency() const { return min_type_frequency_; }
  QSpinBox* ClusterSmallest() const { return smallest_; }
  QSpinBox* ClusterLargest() const { return largest_; }
  QCheckBox* DropStarred() const { return drop_starred_; }
  QSpinBox* RelationshipSpan() const { return rel_span_; }
  QCheckBox* RelationshipBothWays() const { return rel_both_ways_; }
  TIndexSettingsChoice Choice() const;
  void accept() override;

 private:
  QSpinBox* min_type_frequency_ = nullptr;
  QCheckBox* exclude_hash_ = nullptr;
  QCheckBox* recount_ = nullptr;
  QSpinBox* smallest_ = nullptr;
  QSpinBox* largest_ = nullptr;
  QSpinBox* cluster_frequency_ = nullptr;
  QSpinBox* cluster_texts_ = nullptr;
  QSpinBox* seconds_ = nullptr;
  QComboBox* stop_at_ = nullptr;
  QCheckBox* per_text_ = nullptr;
  QCheckBox* positions_ = nullptr;
  QCheckBox* dispersion_ = nullptr;
  QCheckBox* stop_list_ = nullptr;
  QCheckBox* drop_plain_ = nullptr;
  QCheckBox* drop_starred_ = nullptr;
  QCheckBox* frames_off_ = nullptr;
  QSpinBox* frame_frequency_ = nullptr;
  QSpinBox* rel_span_ = nullptr;
  QCheckBox* rel_left_and_right_ = nullptr;
  QSpinBox* rel_min_joint_ = nullptr;
  QSpinBox* rel_min_texts_ = nullptr;
  QComboBox* rel_stop_list_ = nullptr;
  QCheckBox* rel_omit_same_ = nullptr;
  QCheckBox* rel_both_ways_ = nullptr;
  QCheckBox* rel_all_must_pass_ = nullptr;
};
