// "Details": which of a set of texts hold the search words and how often, one file line per text
// with hits and a hit line per word under it; a line opens its text in the one-text viewer (a
// file line with every search word highlighted, a hit line with only its word), and the list can
// be saved as a text file.
//
// The window is filled by ComputeWordFrequencies over the candidate texts and the highlight
// words a caller gives; each count has its own stop (status panel 8 or Stop), which ends that
// count only. Without search words or texts nothing is counted and the window is not shown; a
// count that finds no text holding a word says so on the status bar.
#pragma once

#include <QListWidget>
#include <QMenu>
#include <functional>
#include <memory>
#include <vector>

#include "platform/runtime/job_token.h"
#include "platform/search/search_items.h"
#include "shell/viewers/extra_details_counts.h"
#include "shell/qt/form_base.h"
#include "shell/qt/qt_file_dialogs.h"
#include "shell/qt/vx_status_bar.h"

class TFormOneTextFileShower;
class TTextTagHandler;
class TTagsToTranslateList;

class TFormExtraDetails : public TVXStylableForm<QWidget> {
  Q_OBJECT
 public:
  explicit TFormExtraDetails(QWidget* parent = nullptr);
  ~TFormExtraDetails() override;

  void ClearForNewSearch(bool with_popup, bool clear_lists);
  void AddHighlightWords(const TBaseSearchItems& list, int max_count);
  void AddHighlightWords(const std::vector<UString>& words, int max_count);
  void SetTagHandlerAndTagTranslate(TTextTagHandler* handler, TTagsToTranslateList* translate);
  // The candidate texts (full names).
  std::vector<UString>& ListOfPotentialFilenames() { return candidates_; }
  const TSimpleSearchlist& HighLightWords() const { return highlight_words_; }

  // Counts the candidates; true when at least one text was counted.
  bool ComputeWordFrequencies(const TBaseSearchItems* search, TTextTagHandler* handler,
                              TTagsToTranslateList* translate);
  bool AddHighlightKWSToOneTextFileShower();
  // Opens the selected line's text (double-click, "Open selected file").
  void OpenSelected();
  void Frequencies();
  bool SaveTheList(UStringView file_name);
  void Stop();

  QListWidget* List() const { return list_; }
  TVXStatusBar* Status() const { return status_; }
  QMenu* Menu() const { return menu_; }
  const std::vector<TExtraDetailsLine>& Lines() const { return lines_; }
  TFormOneTextFileShower* Viewer() const { return viewer_; }
  const UString& OpenFilename() const { return open_filename_; }
  // "Save list of files" and the viewer's Save as RTF ask these dialogs (the main window's), else
  // the program's own.
  void SetFileDialogs(std::function<TFileDialogs*()> dialogs);
  bool EDBusy = false;

 private:
  bool OpenFileInViewer(UStringView file_name);
  void HighlightWordOfLine(int row);
  void SetProgress(int percent);

  QListWidget* list_ = nullptr;
  TVXStatusBar* status_ = nullptr;
  QMenu* menu_ = nullptr;
  std::vector<UString> candidates_;
  TSimpleSearchlist highlight_words_;
  std::vector<TExtraDetailsLine> lines_;
  TTextTagHandler* tag_handler_ = nullptr;
  TTagsToTranslateList* tags_to_translate_ = nullptr;
  TJobToken* job_ = nullptr;
  UString open_filename_;
  TFormOneTextFileShower* viewer_ = nullptr;
  std::function<TFileDialogs*()> given_dialogs_;
  TWindowFileDialogs file_dialogs_{this};
};
