// Time-line settings: the basis the hits are plotted on. The selection is made from the store
// when the window is made; OK stores the chosen item's basis.
#pragma once

#include "shell/qt/form_base.h"

class QComboBox;

class TFormTimelineSettings : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TFormTimelineSettings(QWidget* parent = nullptr);
  void OKClick();
  QComboBox* Basis() const { return basis_; }

 private:
  QComboBox* basis_ = nullptr;
};
