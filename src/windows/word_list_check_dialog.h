// Collocate relations against a word list: the word list's file, case and lemma choices, the
// column the relation is written to, and where details are exported.
//
// The column list offers the headers from index 15 on; CopyHeadings takes the document's column
// as a header index and SelectedHeaderColumn gives one back, so the stored column round-trips.
// OK with no word list named, or one that does not exist, is refused with a message.
#pragma once

#include <vector>

#include "shell/qt/form_base.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

class TFormCollRelationsWLCheckFilename : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TFormCollRelationsWLCheckFilename(QWidget* parent = nullptr);
  void CopyHeadings(const std::vector<UString>& headers, int header_column);
  int SelectedHeaderColumn() const;  // -1 when nothing is offered
  UString WordListFile() const;
  void SetWordListFile(UStringView file);
  UString ExportFile() const;
  bool CaseSensitive() const;
  bool FullLemmaProcessing() const;
  void OKClick();

  QComboBox* ColumnList() const { return columns_; }
  QLineEdit* WordListEdit() const { return word_list_; }

 protected:
  void FormActivate() override;

 private:
  QLineEdit* word_list_ = nullptr;
  QLineEdit* export_ = nullptr;
  QCheckBox* case_ = nullptr;
  QCheckBox* lemmas_ = nullptr;
  QComboBox* columns_ = nullptr;
  QLabel* explanation_ = nullptr;
};
