// The one-text viewer: one source text, of any size, in a read-only view read on demand, its key
// words highlighted, counted in a list on the left (in frequency order) and plotted on a bar,
// mark-up greyed, and the highlighted text saved as rich text.
//
// What is read when: OpenAndShowAText opens the text (its first piece) into a fresh view model
// and shows its first page; a text that does not open leaves the window as it was and names the
// file. HighlightAnyKWS highlights the words in the pages shown at once, then scans every page,
// yielding between pages (status panel 3 shows the progress, panel 8 stops it); the list and the
// plot are filled when the scan ends. OpenAtHit opens a text at a concordance line's hit, after
// checking that the text is the one the concordance was made from (ConcordanceHitStillThere).
#pragma once

#include <QListWidget>
#include <QMenu>
#include <QSplitter>
#include <QWidget>
#include <functional>
#include <vector>

#include "shell/qt/form_base.h"
#include "shell/qt/qt_file_dialogs.h"
#include "shell/qt/source_text_view.h"
#include "shell/qt/vx_status_bar.h"

// The file and the texts of the two count panels (either may be empty).
struct TFileDetails3_string {
  UString file_name;
  UString word_count;
  UString hit_type_count;
};

// A key-word list entry's numbers: the key word's index in the search list and its count.
struct TNumberAndTotalHolder {
  int32_t number = 0;
  int32_t total = 0;
};

// The vertical bar that marks where the hits lie in the whole text.
class TPCPLotBar : public QWidget {
  Q_OBJECT
 public:
  explicit TPCPLotBar(QWidget* parent = nullptr);
  void SetRange(int64_t first, int64_t last);
  void SetPlotLines(std::vector<int64_t> positions);
  void SetColours(const QColor& lines, const QColor& ruler);
  void SetRuler(bool on);
  const std::vector<int64_t>& PlotLines() const { return lines_; }
  QSize sizeHint() const override { return QSize(22, 200); }

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  int64_t first_ = 1;
  int64_t last_ = 1;
  std::vector<int64_t> lines_;
  QColor line_colour_ = QColor(0, 0, 128);
  QColor ruler_colour_ = QColor(0, 0, 128);
  bool ruler_ = false;
};

class TFormOneTextFileShower : public TVXStylableForm<QWidget> {
  Q_OBJECT
 public:
  explicit TFormOneTextFileShower(QWidget* parent = nullptr);

  bool OpenAndShowAText(const TFileDetails3_string& details, int64_t limit, TVXStatusBar* parent_bar);
  // Opens the text at a concordance line's hit (its file byte and characters) with the words
  // highlighted. The text must be the one the run read (size and time as kept, when kept: size
  // above 0) and hold the hit's characters at its byte, as the line shows them (a phrase over a
  // line end is selected whole); otherwise it opens at its start,
  // nothing is highlighted as the hit, and the status line says why. False when it did not open.
  bool OpenAtHit(UStringView file_name, int64_t size, int64_t write_ns, int64_t byte, UStringView hit,
                 const std::vector<UString>& words, TVXStatusBar* parent_bar);
  void AddStringsASKWsAndSeek(const std::vector<UString>& words);
  void AddStringsToLeftListbox(UStringView text);
  int HighlightAnyKWS();
  void HighlightOneKW(UStringView word);
  void HighlightSimilarities();
  bool HighlightAndSaveToRTF(UStringView folder, UStringView title = {});
  void InfoOnCurrentText(UString& text);
  void GreyOutAnyMarkup();
  void TrimTheText(bool trimmed);
  bool TryToSaveAsRTF();
  // Saves through the safe save; a failed save says FailedToSave and offers nothing.
  bool AutoSaveAsRTF(UStringView file_name, UStringView title, UStringView comment);
  void CopySelectionToClipboard();
  void SetLoadProgress(std::function<bool(int)> progress) { LoadProgress = std::move(progress); }

  // Menu commands by their captions' order: Highlight all, Highlight selected, Save as RTF, Trim
  // the text, Grey out <*>, Info on scores, Show ruler.
  void HighlightAll();
  void HighlightSelected();
  void InfoOnScores();
  void ShowRuler(bool on);
  // Status-bar panels: 6 previous, 7 next, 8 stop.
  void StatusPanelClick(int panel);

  TSourceTextRichEdit* View() const { return view_; }
  QListWidget* KeyWordList() const { return kws_; }
  TPCPLotBar* PlotBar() const { return plot_; }
  TVXStatusBar* Status() const { return status_; }
  QMenu* Menu() const { return menu_; }
  // The key-word list's entries: the word and its count (-999999 for an entry without numbers).
  std::vector<std::pair<UString, int32_t>> KeyWordEntries() const;
  std::vector<TNumberAndTotalHolder> KeyWordHolders() const;

  UString current_short_filename;
  TVXStatusBar* PaiStatusBar = nullptr;
  std::function<bool(int)> LoadProgress;
  bool confirm_RTF_save = true;
  const std::vector<UString>* ComparisonWholeLines = nullptr;
  // Save as RTF asks these dialogs (the main window's), else the program's own.
  void SetFileDialogs(std::function<TFileDialogs*()> dialogs) { file_dialogs_.Set(std::move(dialogs)); }

 private:
  bool HighlightingProgress(int percent);
  void ShowStop(bool shown);
  void RefillKeyWordList();
  void ShowLineMessage(int64_t item, int64_t items, int64_t line, int64_t lines);

  TSourceTextRichEdit* view_ = nullptr;
  QListWidget* kws_ = nullptr;
  QSplitter* splitter_ = nullptr;
  class QHBoxLayout* text_row_ = nullptr;
  TPCPLotBar* plot_ = nullptr;
  TVXStatusBar* status_ = nullptr;
  QMenu* menu_ = nullptr;
  QAction* ruler_action_ = nullptr;
  bool list_enabled_ = true;
  TWindowFileDialogs file_dialogs_{this};
};
