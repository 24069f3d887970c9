// The Colours settings dialog of the in-process controller stand-in: whether cells showing a
// percentage are coloured and the colours of 0 % and 100 %, and the colours of each tag to keep
// and the colours the concordance lines draw their words in (colour_settings_rules.h). It shows what is stored when it opens; every colour box is painted
// in the colour it names. A colour refused is named in a message and the dialog stays open.
#pragma once

#include <QDialog>

#include "shell/settings/colour_settings_rules.h"

class QCheckBox;
class QLineEdit;
class QTableWidget;

class TColourSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TColourSettingsDialog(QWidget* parent = nullptr);
  QCheckBox* ColourPercentages() const { return percentages_; }
  QLineEdit* AtZero() const { return at_zero_; }
  QLineEdit* AtHundred() const { return at_hundred_; }
  // One row a tag to keep: column 0 the tag, 1 its text colour, 2 its background.
  QTableWidget* TagColours() const { return tags_; }
  QCheckBox* ShowDescriptions() const { return descriptions_; }
  // One row a colour the lines draw their words in (current style): column 0 what it colours,
  // 1 its text colour, 2 its background (empty: the cell's own).
  QTableWidget* WordColours() const { return words_; }
  TColourSettingsChoice Choice() const;
  void accept() override;

 private:
  QCheckBox* percentages_ = nullptr;
  QLineEdit* at_zero_ = nullptr;
  QLineEdit* at_hundred_ = nullptr;
  QTableWidget* tags_ = nullptr;
  QCheckBox* descriptions_ = nullptr;
  QTableWidget* words_ = nullptr;
  int32_t style_ = 0;
  std::vector<int32_t> word_records_;
};
