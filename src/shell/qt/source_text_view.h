// The source-text viewer: a read-only QTextEdit showing one source text with its search words
// highlighted (yellow, bold), moving from one highlight to the next or previous (Ctrl+N and
// Ctrl+P while the viewer has the focus; elsewhere those keys keep their menu meaning), greying
// the mark-up or hiding it, and giving its text as plain or rich text for copying, printing and
// saving.
//
// The highlights are extra selections over the document, so greying or printing never mixes them
// into the text; hiding the mark-up shows the text without its tags and finds the words again.
//
// A text of any size is shown read on demand (LoadedASourceText, source_text_pages.cpp): the
// view then holds a window of a few pages of the paged text (shell/files/paged_text.h) and its
// whole-text scroll bar (WholeTextBar, for the window that shows the view to place) spans the
// whole text; scrolling near the window's edge moves the window. The key words are highlighted
// in the window at once; HighlightKWs then scans every page for the counts, list and plot,
// yielding between pages, until done or Stop. A new scan or a new text ends a running one.
#pragma once

#include <QPointer>
#include <QScrollBar>
#include <QTextEdit>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/search/search_items.h"
#include "shell/files/key_word_scan.h"
#include "shell/files/paged_text.h"
#include "shell/files/paged_text_rtf.h"
#include "shell/files/source_text_marks.h"

class TSourceTextRichEdit : public QTextEdit {
  Q_OBJECT
 public:
  explicit TSourceTextRichEdit(QWidget* parent = nullptr);

  // Shows the text (with its mark-up) and keeps the words to highlight.
  void SetSourceText(UStringView text, std::vector<UString> search_words);
  // The text as shown (without the mark-up when it is hidden).
  const UString& ShownText() const { return shown_; }

  void HighlightKWs();
  // Moves to the next (or previous) highlight after (before) the cursor; false when none.
  bool GotoNextKW(bool forward);
  int HighlightCount() const { return model_ ? static_cast<int>(HighlightsFoundCount()) : static_cast<int>(highlights_.size()); }
  // The highlight last gone to, from 1; 0 before any.
  int CurrentHit() const { return (model_ ? current_hit_ : current_) + 1; }
  // What the status bar says about the last move.
  UString Message() const { return message_; }

  // Greys every mark-up tag; progress(done, total) every 256 tags.
  void GreyOutAnyMarkup(const std::function<void(int64_t, int64_t)>& progress = nullptr);
  bool MarkupGreyed() const { return greyed_; }
  // Shows the text with or without its mark-up; the highlights are found again.
  void SetWithOrWithoutMarkup(bool with);
  bool WithMarkup() const { return with_markup_; }
  // Draws the text again with the same words highlighted (and the mark-up greyed when it was).
  void Refresh();

  // Marks one stretch of the text (positions in the text as given, mark-up included) apart from
  // the highlights and scrolls to it; a negative start takes the mark away.
  void MarkHit(int64_t start, int64_t length);
  // The marked stretch in the text as shown (start -1 when none).
  TTextSpan ShownHit() const;

  void CopyAll();
  std::string RtfBytes() const;

  // --- a text read on demand ---
  // Opens the file into a fresh model; on success the view shows it from its start. A file that
  // cannot be opened (missing, unreadable, binary) answers false with the reason and leaves the
  // view as it was.
  bool LoadedASourceText(UStringView file_name, int code_page, bool flag, UString* error = nullptr);
  bool Paged() const { return model_ != nullptr; }
  TPagedText* Model() const { return model_.get(); }
  // Shows the stretch around the file byte: its line at the top, or in the middle.
  bool ShowByte(int64_t byte, bool centre = false, UString* error = nullptr);
  // Selects (and shows) units bytes from the file byte; false when the window does not hold it.
  bool SelectAtByte(int64_t byte, int64_t units);
  QScrollBar* WholeTextBar() const { return whole_bar_; }
  // The window shown: its text and each unit's file byte.
  const TShownText& Shown() const { return window_; }
  int64_t TopByte();
  // The words to highlight (as typed), and the current one (set from the key-word list).
  TSimpleSearchlist SearchList;
  int CurrentKW = -1;
  // Marks where a header ends ("</HEADER>"); kept for the caller.
  UString EndOfHeaderMarker;
  // The most characters read: the largest integer reads all, on demand.
  int64_t limit = 0x7FFFFFFF;
  // Mark-up is greyed at once when the text has fewer lines than this.
  int64_t GreyOutLimit = 20000;
  // Progress of long work (percent); answers whether to go on.
  std::function<bool(int percent)> LoadProgress;
  void SetColoursEtc(bool special, const QColor& text, const QColor& background, bool bold);
  void SetFont(UStringView name, int points, int pixels_per_inch);
  // Highlights every word of the list in the window, then scans the whole text (yielding);
  // answers the file byte of the first highlight, -1 when none (or stopped before one).
  int64_t HighlightKWs(const TSimpleSearchlist& list, const std::function<bool(int)>& progress);
  int64_t HighlightOneKW(UStringView word, const std::function<bool(int)>& progress);
  // Highlights the words in the pages shown only (no scan): what a jump shows at once.
  void ShowWordsInWindow(std::vector<UString> words);
  void Stop() { stop_ = true; }
  bool Scanning() const { return scanning_; }
  bool ScanComplete() const { return scan_done_; }
  int64_t HighlightsFoundCount() const;
  // (count, first file byte) of search item i; (0, -1) when none.
  std::pair<int64_t, int64_t> CountAndFirstPosOfKWPositions(int i) const;
  std::vector<int64_t> KeyWordPositionsAsArray() const;
  // Greys the mark-up of the pages shown (and of every window shown after).
  void GreyOutPages();
  // Shows the text without its mark-up and with runs of blank lines made one (or whole again).
  void TrimTheText(bool trimmed);
  bool Trimmed() const { return trimmed_; }
  // Saves the whole text, as shown, as rich text through the safe save.
  bool SaveAsRTF(UStringView file_name, UStringView title, UStringView comment, UString* error = nullptr);
  // The line (from 1) of a file byte, once the pages before it have been read; and the lines of
  // the whole text once every page has.
  std::optional<int64_t> LineOfByte(int64_t byte);
  std::optional<int64_t> LineCount() const;
  // Makes the scan's hit at the file byte the current one (the next move goes on from it); false
  // when no hit begins there.
  bool GoToHitAtByte(int64_t byte);
  // The hit gone to last (from 0), -1 before any.
  int CurrentHitIndex() const { return current_hit_; }

 signals:
  // After a move to a hit: item (from 0), items, line, lines (0 when not known yet).
  void LineShowMessage(int64_t item, int64_t items, int64_t line, int64_t lines);

  // Ctrl+N (true) or Ctrl+P (false) pressed in the viewer.
  void NextRequested(bool forward);

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  // A new width wraps every line anew: the line in the middle of the view (the hit the view was
  // opened on) stays in the middle.
  void resizeEvent(QResizeEvent* e) override;

 private:
  void ShowHighlights();
  bool ShowWindow(int first_page, int last_page, int64_t keep_byte, bool centre, UString* error);
  void ShowWindowMarks();
  void InnerScrolled();
  void WholeBarMoved(int value);
  bool GotoNextPagedKW(bool forward);
  // Makes hit `next` of the scan the current one: shown, selected and told.
  void GoToPagedHit(int next);
  int64_t UnitOfByte(int64_t byte) const;
  std::shared_ptr<TPagedText> model_;
  TShownText window_;
  int first_page_ = 0;
  int last_page_ = -1;
  QScrollBar* whole_bar_ = nullptr;
  int bar_shift_ = 0;
  bool rewindowing_ = false;
  std::vector<UString> kw_words_;
  TKeyWordScan scan_;
  bool scanning_ = false;
  bool scan_done_ = false;
  bool stop_ = false;
  uint64_t scan_generation_ = 0;
  bool trimmed_ = false;
  bool paged_greyed_ = false;
  int current_hit_ = -1;
  QColor kw_text_ = QColor(0x80, 0, 0);
  QColor kw_background_ = QColor(255, 240, 110);
  bool kw_bold_ = true;
  UString original_;
  UString shown_;
  std::vector<UString> words_;
  std::vector<TTextSpan> highlights_;
  std::vector<TTextSpan> markup_;
  int current_ = -1;
  UString message_;
  bool with_markup_ = true;
  bool greyed_ = false;
  bool highlighted_ = false;
  TTextSpan hit_{-1, 0};  // in the text as given
};
