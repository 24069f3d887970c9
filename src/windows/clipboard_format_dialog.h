// What a copy of grid rows puts on the clipboard: a picture of the selected area, editable text
// (with its characters per line), the number column and the heading row. Read from the settings
// store when made; OK writes them back, Cancel leaves the store as it was.
#pragma once

#include <array>

#include "shell/qt/form_base.h"

class QCheckBox;
class QSpinBox;

class TFormChooseClipboardFormat : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TFormChooseClipboardFormat(QWidget* parent = nullptr);
  void OKClick();

  QCheckBox* Include(int item) const { return checks_[static_cast<size_t>(item)]; }
  QSpinBox* Characters() const { return characters_; }

 private:
  void LoadFromStore();
  void FollowChecks();
  std::array<QCheckBox*, 4> checks_{};
  QSpinBox* characters_ = nullptr;
};
