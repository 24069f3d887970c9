// Plot sets: the concordance's files and search words grouped into sets before the plot is drawn;
// each plot row is one set of files crossed with one set of search words.
//
// The caller fills the two available lists (names in item order), shows the dialog and reads
// PlotOptions(): 0-based item numbers per set. The first showing puts every item in a set of its
// own; later showings rebuild the stored sets. OK with no set of files or of search words is
// refused with a message.
#pragma once

#include <vector>

#include "shell/settings/analysis_settings_rules.h"
#include "shell/qt/form_base.h"

class QCheckBox;
class QListWidget;

struct TPlotOptions {
  std::vector<std::vector<int32_t>> file_sets;
  std::vector<std::vector<int32_t>> word_sets;
  bool files_first = false;
};

class TConcPlottingDlg : public TVXDialogForm {
  Q_OBJECT
 public:
  explicit TConcPlottingDlg(QWidget* parent = nullptr);
  void SetAvailable(const std::vector<UString>& files, const std::vector<UString>& search_words);
  // kind 0 files, 1 search words.
  void AddSelectionAsSet(int kind);
  void AllIntoOneSet(int kind);
  void IntoSeparateSets(int kind);
  void ClearSets(int kind);
  void OKClick();
  const TPlotOptions& PlotOptions() const { return options_; }
  // The order shown next (the stored default, copied into the document with the settings).
  void SetFilesFirst(bool files_first) { options_.files_first = files_first; }
  bool options_selected = false;

  QListWidget* Available(int kind) const { return kind == 0 ? files_ : words_; }
  QListWidget* Sets(int kind) const { return kind == 0 ? file_sets_ : word_sets_; }

 protected:
  void FormShow() override;

 private:
  void AddSet(int kind, const std::vector<int32_t>& numbers);
  void MarkUsed(QListWidget* list, int number);
  std::vector<UString> SetTexts(int kind) const;
  QListWidget* files_ = nullptr;
  QListWidget* words_ = nullptr;
  QListWidget* file_sets_ = nullptr;
  QListWidget* word_sets_ = nullptr;
  QCheckBox* files_first_ = nullptr;
  TPlotOptions options_;
};
