// Editing a set-column value: the value box (with its history) and a list of colours to drag onto
// it. Enter (or the Execute key) accepts; "+" stays typable. The caller reads the text, the box's
// colour and whether the colour was changed.
//
// Only an entry of the colour list can be dropped on the box; anything else dropped there is
// refused with a message and the box keeps its colour.
#pragma once

#include <QColor>

#include "shell/qt/form_base.h"

class QComboBox;
class QListWidget;

class TFormSetColumnEdit : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TFormSetColumnEdit(QWidget* parent = nullptr);

  bool ColourChanged = false;
  void ClearColourChanged();
  // A drop onto the value box from source carrying the colour (invalid when it carries none).
  bool DropColour(const QObject* source, const QColor& colour);
  QColor BoxColour() const { return box_colour_; }
  UString Value() const;
  void SetValue(UStringView s);
  // The file the value history is kept in (the user's folder + "set_history.txt"): the values
  // given with OK, offered again in the value box, the newest first.
  static UString TheIniName();

  QComboBox* ValueBox() const { return value_; }
  QListWidget* ColourList() const { return colours_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PaintBox();
  void Accept();
  QComboBox* value_ = nullptr;
  QListWidget* colours_ = nullptr;
  QColor box_colour_;
};
