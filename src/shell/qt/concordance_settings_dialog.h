// The concordancer's own settings dialog ("Specific to this Tool") of the in-process controller
// stand-in: collocates, lines, sampling, text output and the reading of texts, as
// concordance_settings_rules.h says.
// It shows what is stored when it opens; OK hands the fields to the rules, and a field they refuse
// is named in a message while the dialog stays open with everything chosen. Its buttons open the
// settings of what the concordancer's pages do with a line's media and a word cloud, and of the
// collocates of a whole word list; each of those has its own OK, which stores at once.
#pragma once

#include <QDialog>
#include <functional>

#include "shell/settings/concordance_settings_rules.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class TConcordanceSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TConcordanceSettingsDialog(uint8_t tool, QWidget* parent = nullptr);
  QSpinBox* CollocateLeft() const { return colloc_left_; }
  QSpinBox* CollocateRight() const { return colloc_right_; }
  QSpinBox* MinCollocateFrequency() const { return min_frequency_; }
  QSpinBox* CharactersPerLine() const { return line_characters_; }
  QComboBox* ContextStop() const { return context_stop_; }
  QCheckBox* Sampling() const { return sampling_; }
  QSpinBox* SamplingRange() const { return sampling_range_; }
  QLineEdit* SearchWordMarker() const { return sw_marker_; }
  QCheckBox* SaveTextFileDetails() const { return text_file_details_; }
  QCheckBox* ZeroPositions() const { return zero_positions_; }
  QCheckBox* PlotRowsByText() const { return plot_by_text_; }
  QSpinBox* MinCollocateTexts() const { return min_texts_; }
  QCheckBox* SearchWordsTogether() const { return together_; }
  QCheckBox* KeepNumbers() const { return keep_numbers_; }
  QSpinBox* CloseHitsGap() const { return close_hits_; }
  QLineEdit* MultiWordTag() const { return multi_word_tag_; }
  QPushButton* MediaButton() const { return media_; }
  QPushButton* WordCloudButton() const { return word_cloud_; }
  QPushButton* WordListCollocatesButton() const { return word_list_; }
  TConcordanceSettingsChoice Choice() const;
  void accept() override;
  // How the further dialogs are run (modally by default).
  void SetSubDialogRunner(std::function<int(QDialog&)> run) { run_sub_ = std::move(run); }
  // A further dialog stored its settings (whatever this dialog's own answer).
  bool SubSettingsChanged() const { return sub_settings_changed_; }

 private:
  template <typename Dialog>
  QPushButton* SubDialogButton(const QString& caption);
  void RunSubDialog(QDialog& d);
  uint8_t tool_;
  std::function<int(QDialog&)> run_sub_;
  bool sub_settings_changed_ = false;
  QPushButton* media_ = nullptr;
  QPushButton* word_cloud_ = nullptr;
  QPushButton* word_list_ = nullptr;
  QSpinBox* colloc_left_ = nullptr;
  QSpinBox* colloc_right_ = nullptr;
  QSpinBox* min_frequency_ = nullptr;
  QSpinBox* min_length_ = nullptr;
  QCheckBox* case_sensitive_ = nullptr;
  QCheckBox* stop_list_ = nullptr;
  QCheckBox* zero_positions_ = nullptr;
  QSpinBox* min_texts_ = nullptr;
  QCheckBox* together_ = nullptr;
  QCheckBox* keep_numbers_ = nullptr;
  QSpinBox* close_hits_ = nullptr;
  QLineEdit* multi_word_tag_ = nullptr;
  QCheckBox* plot_by_text_ = nullptr;
  QSpinBox* line_characters_ = nullptr;
  QComboBox* context_stop_ = nullptr;
  QSpinBox* lines_per_word_ = nullptr;
  QCheckBox* skip_punctuation_ = nullptr;
  QCheckBox* remove_duplicates_ = nullptr;
  QCheckBox* sampling_ = nullptr;
  QSpinBox* sampling_range_ = nullptr;
  QSpinBox* text_characters_ = nullptr;
  QLineEdit* sw_marker_ = nullptr;
  QLineEdit* context_marker_ = nullptr;
  QCheckBox* text_file_details_ = nullptr;
  QCheckBox* user_filter_ = nullptr;
  QLineEdit* user_filter_library_ = nullptr;
};
