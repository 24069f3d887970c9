// The lemma forms of one entry with their frequencies, in a grid the user can sort by clicking a
// heading (the form or the frequency) and copy to the clipboard.
#pragma once

#include <vector>

#include "shell/qt/form_base.h"
#include "shell/settings/small_dialog_rules.h"

class QTableWidget;

class TFormLemmaShower : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TFormLemmaShower(QWidget* parent = nullptr);
  void CopyStringData(const std::vector<TLemmaForm>& forms);
  void SetTheHeaders(const std::vector<UString>& headers);
  void SortByColumn(int column, bool descending);
  // All the grid's text, tab-separated, one line per row.
  UString GridText() const;
  void CopyToClipboard() const;

  QTableWidget* Grid() const { return grid_; }
  const std::vector<TLemmaForm>& Forms() const { return forms_; }

 private:
  void Fill();
  QTableWidget* grid_ = nullptr;
  std::vector<TLemmaForm> forms_;
  std::vector<UString> headers_{u"form", u"freq."};
};
