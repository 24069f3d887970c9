// File > Page Setup, shown by the in-process controller stand-in: the printer, paper, margins,
// orientation and unit of printing, and whether concordance lines print plain
// (page_setup_rules.h). It shows what is stored when it opens; changing the unit shows the same
// sizes in the other one; a field refused is named in a message and the dialog stays open with
// everything chosen.
#pragma once

#include <QDialog>
#include <array>

#include "shell/settings/page_setup_rules.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;

class TPageSetupDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TPageSetupDialog(QWidget* parent = nullptr);
  QComboBox* Printer() const { return printer_; }
  QComboBox* Unit() const { return unit_; }
  QDoubleSpinBox* PaperWidth() const { return width_; }
  QDoubleSpinBox* PaperHeight() const { return height_; }
  QDoubleSpinBox* Margin(int i) const { return margins_[static_cast<size_t>(i)]; }  // left, top, right, bottom
  QComboBox* Orientation() const { return orientation_; }
  QCheckBox* PlainLines() const { return plain_lines_; }
  TPageSetupChoice Choice() const;
  void accept() override;

 private:
  void Show(const TPageSetupChoice& c);
  QComboBox* printer_ = nullptr;
  QComboBox* unit_ = nullptr;
  QDoubleSpinBox* width_ = nullptr;
  QDoubleSpinBox* height_ = nullptr;
  std::array<QDoubleSpinBox*, 4> margins_{};
  QComboBox* orientation_ = nullptr;
  QCheckBox* grey_ = nullptr;
  QCheckBox* plain_lines_ = nullptr;
  TPageUnit shown_unit_ = TPageUnit::Millimetres;
};
