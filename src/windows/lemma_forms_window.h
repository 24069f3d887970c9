// The lemma forms of one entry with their frequencies, in a grid the user can sort by clicking a
// heading (the form or the frequency), copy to the clipboard or print (both from the grid's
// right-click menu).
#pragma once

#include <vector>

#include "shell/qt/form_base.h"
#include "shell/settings/small_dialog_rules.h"

class QTableWidget;
class TFileDialogs;

class TFormLemmaShower : public TVXDialogForm {
  Q_OBJECT
 public:
  // Print asks through the dialogs given for a PDF file when no printer is installed.
  explicit TFormLemmaShower(QWidget* parent = nullptr, TFileDialogs* dialogs = nullptr);
  void CopyStringData(const std::vector<TLemmaForm>& forms);
  void SetTheHeaders(const std::vector<UString>& headers);
  void SortByColumn(int column, bool descending);
  // All the grid's text, tab-separated, one line per row.
  UString GridText() const;
  void CopyToClipboard() const;
  // The grid's text under the window's caption, on the printer or into a PDF file chosen through
  // the dialogs given (false when neither).
  bool PrintGridText();

  QTableWidget* Grid() const { return grid_; }
  const std::vector<TLemmaForm>& Forms() const { return forms_; }

 private:
  void Fill();
  QTableWidget* grid_ = nullptr;
  std::vector<TLemmaForm> forms_;
  std::vector<UString> headers_{u"form", u"freq."};
  TFileDialogs* file_dialogs_ = nullptr;
};
