// The word cloud's settings with the plot's and ruler's features (word_cloud_settings_rules.h),
// opened from the concordancer's own settings. It shows what is stored when it opens; a field
// refused is named in a message and the dialog stays open with everything chosen.
#pragma once

#include <QDialog>

#include "shell/settings/word_cloud_settings_rules.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;

class TWordCloudSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TWordCloudSettingsDialog(QWidget* parent = nullptr);
  QComboBox* Shape() const { return shape_; }
  QCheckBox* ShowShapes() const { return show_shapes_; }
  QSpinBox* MinFontSize() const { return min_font_; }
  QSpinBox* PlotSections() const { return divisions_; }
  QLineEdit* PlotMarkColour() const { return plot_colour_; }
  QLineEdit* RulerColour() const { return ruler_colour_; }
  QCheckBox* KeepHitContexts() const { return keep_contexts_; }
  QSpinBox* HitContextCharacters() const { return context_characters_; }
  QSpinBox* HitContextLines() const { return context_lines_; }
  TWordCloudSettingsChoice Choice() const;
  void accept() override;

 private:
  QComboBox* shape_ = nullptr;
  QCheckBox* show_shapes_ = nullptr;
  QCheckBox* colour_by_size_ = nullptr;
  QDoubleSpinBox* horizontal_ = nullptr;
  QDoubleSpinBox* vertical_ = nullptr;
  QSpinBox* min_font_ = nullptr;
  QSpinBox* divisions_ = nullptr;
  QLineEdit* plot_colour_ = nullptr;
  QLineEdit* ruler_colour_ = nullptr;
  QCheckBox* keep_contexts_ = nullptr;
  QSpinBox* context_characters_ = nullptr;
  QSpinBox* context_lines_ = nullptr;
};
