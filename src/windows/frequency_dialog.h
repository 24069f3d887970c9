// The frequency of a search phrase in the reference corpus, which a word list of single words
// cannot give: the user types it once and the list of "phrase=frequency" lines keeps it.
// OK refuses an empty or non-numeric frequency with a message; the list is then unchanged.
#pragma once

#include "shell/qt/form_base.h"
#include "shell/settings/small_dialog_rules.h"

class QListWidget;
class QSpinBox;

class TFormFreqSpecify : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TFormFreqSpecify(QWidget* parent = nullptr);
  UString current_search_phrase;
  void ClearListbox();
  void SetLines(const std::vector<UString>& lines);
  const std::vector<UString>& Lines() const { return list_.lines; }
  // The phrase's known frequency (0 when unknown); its line is selected, added when missing.
  int32_t KnownFrequency();
  void OKClick();

  QSpinBox* Spin() const { return spin_; }
  QListWidget* ListBox() const { return box_; }

 private:
  void Show();
  TPhraseFrequencies list_;
  QSpinBox* spin_ = nullptr;
  QListWidget* box_ = nullptr;
};
