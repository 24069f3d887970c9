// "Word Cloud Options": which column of a collocate or pattern list the cloud reads, the numbers
// (collocates) or the words (patterns). The choice is confirmed before it goes into the list;
// Cancel leaves the list and the cloud as they were.
#pragma once

#include <QLabel>
#include <QListWidget>

#include "shell/qt/form_base.h"

class TVXBaseDataClass;

class TFormWordCloudOptions : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TFormWordCloudOptions(QWidget* parent = nullptr);
  // Fills the list with the list's headings (from the first column on).
  void SetList(TVXBaseDataClass* list, int list_type);
  // OK with a row chosen and confirmed: the column goes into the list. False otherwise.
  bool AcceptChoice();
  QListWidget* ListBox() const { return listbox_; }
  QLabel* CaptionLine() const { return caption_; }

 private:
  TVXBaseDataClass* list_ = nullptr;
  int listtype_ = 0;
  QListWidget* listbox_ = nullptr;
  QLabel* caption_ = nullptr;
};
