// The source-text viewer: a read-only QTextEdit showing one source text with its search words
// highlighted (yellow, bold), moving from one highlight to the next or previous (Ctrl+N and
// Ctrl+P while the viewer has the focus; elsewhere those keys keep their menu meaning), greying
// the mark-up or hiding it, and giving its text as plain or rich text for copying, printing and
// saving.
//
// The highlights are extra selections over the document, so greying or printing never mixes them
// into the text; hiding the mark-up shows the text without its tags and finds the words again.
#pragma once

#include <QTextEdit>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/ustring.h"
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
  int HighlightCount() const { return static_cast<int>(highlights_.size()); }
  // The highlight last gone to, from 1; 0 before any.
  int CurrentHit() const { return current_ + 1; }
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

 signals:
  // Ctrl+N (true) or Ctrl+P (false) pressed in the viewer.
  void NextRequested(bool forward);

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void ShowHighlights();
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
