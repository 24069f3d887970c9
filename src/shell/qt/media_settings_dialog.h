// The media settings of a concordance line's recording (media_settings_rules.h), opened from the
// concordancer's own settings. It shows what is stored when it opens; a field refused is named
// in a message and the dialog stays open with everything chosen.
#pragma once

#include <QDialog>
#include <array>

#include "shell/settings/media_settings_rules.h"

class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;

class TMediaSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TMediaSettingsDialog(QWidget* parent = nullptr);
  QComboBox* Method() const { return method_; }
  QLineEdit* FileNameMarker() const { return file_name_marker_; }
  QLineEdit* LookupTable() const { return lookup_table_; }
  QSpinBox* DefaultDuration() const { return default_duration_; }
  QLineEdit* Extension(int i) const { return extensions_[static_cast<size_t>(i)]; }
  TMediaSettingsChoice Choice() const;
  void accept() override;

 private:
  QComboBox* method_ = nullptr;
  QLineEdit* file_name_marker_ = nullptr;
  QLineEdit* media_folder_ = nullptr;
  QLineEdit* lookup_table_ = nullptr;
  QLineEdit* start_marker_ = nullptr;
  QLineEdit* duration_marker_ = nullptr;
  QSpinBox* default_duration_ = nullptr;
  QDoubleSpinBox* widening_ = nullptr;
  std::array<QLineEdit*, TMediaMarkersRec::kExtensions> extensions_{};
};
