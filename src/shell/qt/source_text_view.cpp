#include "shell/qt/source_text_view.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "shell/qt/qt_application.h"

namespace {
bool IsMoveKey(const QKeyEvent* k) {
  return k->modifiers() == Qt::ControlModifier && (k->key() == Qt::Key_N || k->key() == Qt::Key_P);
}
}  // namespace

TSourceTextRichEdit::TSourceTextRichEdit(QWidget* parent) : QTextEdit(parent) {
  setReadOnly(true);
  setAcceptRichText(false);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void TSourceTextRichEdit::SetSourceText(UStringView text, std::vector<UString> search_words) {
  model_.reset();
  original_ = UString(text);
  hit_ = TTextSpan{-1, 0};
  words_ = std::move(search_words);
  with_markup_ = true;
  greyed_ = false;
  highlighted_ = false;
  Refresh();
}

void TSourceTextRichEdit::Refresh() {
  const auto tags = FindMarkupSpans(original_);
  shown_ = with_markup_ ? original_ : TextWithoutSpans(original_, tags);
  markup_ = with_markup_ ? tags : std::vector<TTextSpan>{};
  setPlainText(ToQString(shown_));
  current_ = -1;
  const bool grey = greyed_;
  greyed_ = false;
  if (grey && with_markup_) GreyOutAnyMarkup();
  if (highlighted_) HighlightKWs();
  else highlights_.clear();
  ShowHighlights();
}

TTextSpan TSourceTextRichEdit::ShownHit() const {
  if (hit_.start < 0 || hit_.End() > static_cast<int64_t>(original_.size())) return TTextSpan{-1, 0};
  if (with_markup_) return hit_;
  // Without its mark-up the text is shorter by every tag before the hit; a hit inside a tag is gone.
  int64_t before = 0;
  for (const TTextSpan& t : FindMarkupSpans(original_)) {
    if (t.End() <= hit_.start) before += t.length;
    else if (t.start < hit_.End()) return TTextSpan{-1, 0};
  }
  return TTextSpan{hit_.start - before, hit_.length};
}

void TSourceTextRichEdit::MarkHit(int64_t start, int64_t length) {
  hit_ = start < 0 ? TTextSpan{-1, 0} : TTextSpan{start, length};
  ShowHighlights();
  const TTextSpan shown = ShownHit();
  if (shown.start < 0) return;
  QTextCursor c(document());
  c.setPosition(static_cast<int>(shown.start));
  setTextCursor(c);
  // The hit stands in the middle of the view, with as much text above it as below (as near as the
  // text's start and end allow).
  ensureCursorVisible();
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->value() + cursorRect().center().y() - viewport()->height() / 2);
}

void TSourceTextRichEdit::HighlightKWs() {
  highlights_ = FindSearchWordSpans(shown_, words_);
  highlighted_ = true;
  current_ = -1;
  ShowHighlights();
}

void TSourceTextRichEdit::ShowHighlights() {
  QList<QTextEdit::ExtraSelection> selections;
  QTextCharFormat format;
  format.setBackground(QColor(255, 240, 110));
  format.setFontWeight(QFont::Bold);
  for (size_t k = 0; k < highlights_.size(); ++k) {
    QTextEdit::ExtraSelection sel;
    sel.cursor = QTextCursor(document());
    sel.cursor.setPosition(static_cast<int>(highlights_[k].start));
    sel.cursor.setPosition(static_cast<int>(highlights_[k].End()), QTextCursor::KeepAnchor);
    sel.format = format;
    if (static_cast<int>(k) == current_) sel.format.setBackground(QColor(255, 170, 40));
    selections.append(sel);
  }
  // The hit goes last, over the highlight of its own word.
  const TTextSpan hit = ShownHit();
  if (hit.start >= 0) {
    // The hit stands out from the other highlights: white on dark blue.
    QTextEdit::ExtraSelection sel;
    sel.cursor = QTextCursor(document());
    sel.cursor.setPosition(static_cast<int>(hit.start));
    sel.cursor.setPosition(static_cast<int>(hit.End()), QTextCursor::KeepAnchor);
    sel.format.setBackground(QColor(20, 60, 160));
    sel.format.setForeground(QColor(255, 255, 255));
    sel.format.setFontWeight(QFont::Bold);
    selections.append(sel);
  }
  setExtraSelections(selections);
}

bool TSourceTextRichEdit::GotoNextKW(bool forward) {
  if (model_) return GotoNextPagedKW(forward);
  if (!highlighted_) HighlightKWs();
  const QTextCursor cursor = textCursor();
  const int64_t from = current_ >= 0 ? highlights_[static_cast<size_t>(current_)].start
                                     : (forward ? cursor.selectionStart() - 1 : cursor.selectionEnd() + 1);
  const int next = NextSpanIndex(highlights_, from, forward);
  if (next < 0) {
    message_ = forward ? u"No further highlighted word." : u"No earlier highlighted word.";
    return false;
  }
  current_ = next;
  const TTextSpan& s = highlights_[static_cast<size_t>(next)];
  QTextCursor c(document());
  c.setPosition(static_cast<int>(s.start));
  c.setPosition(static_cast<int>(s.End()), QTextCursor::KeepAnchor);
  setTextCursor(c);
  ensureCursorVisible();
  ShowHighlights();
  message_ = shown_.substr(static_cast<size_t>(s.start), static_cast<size_t>(s.length));
  return true;
}

void TSourceTextRichEdit::GreyOutAnyMarkup(const std::function<void(int64_t, int64_t)>& progress) {
  if (!with_markup_) return;
  QTextCharFormat grey;
  grey.setForeground(QColor(0x90, 0x90, 0x90));
  QTextCursor c(document());
  c.beginEditBlock();
  const int64_t total = static_cast<int64_t>(markup_.size());
  for (int64_t k = 0; k < total; ++k) {
    const TTextSpan& s = markup_[static_cast<size_t>(k)];
    c.setPosition(static_cast<int>(s.start));
    c.setPosition(static_cast<int>(s.End()), QTextCursor::KeepAnchor);
    c.mergeCharFormat(grey);
    if (progress && (k & 0xFF) == 0xFF) progress(k + 1, total);
  }
  c.endEditBlock();
  greyed_ = true;
}

void TSourceTextRichEdit::SetWithOrWithoutMarkup(bool with) {
  with_markup_ = with;
  Refresh();
}

void TSourceTextRichEdit::CopyAll() { QApplication::clipboard()->setText(ToQString(shown_)); }

std::string TSourceTextRichEdit::RtfBytes() const {
  return SourceTextRtf(shown_, highlighted_ ? highlights_ : std::vector<TTextSpan>{},
                       greyed_ ? markup_ : std::vector<TTextSpan>{});
}

bool TSourceTextRichEdit::event(QEvent* e) {
  // Ctrl+N and Ctrl+P belong to the viewer while it has the focus, not to the menus.
  if (e->type() == QEvent::ShortcutOverride && IsMoveKey(static_cast<QKeyEvent*>(e))) {
    e->accept();
    return true;
  }
  return QTextEdit::event(e);
}

void TSourceTextRichEdit::keyPressEvent(QKeyEvent* e) {
  if (IsMoveKey(e)) {
    emit NextRequested(e->key() == Qt::Key_N);
    return;
  }
  QTextEdit::keyPressEvent(e);
}

void TSourceTextRichEdit::resizeEvent(QResizeEvent* e) {
  const bool rewrapped = e->oldSize().isValid() && e->size().width() != e->oldSize().width() && !document()->isEmpty();
  // Read while the lines still break at the old width.
  const int middle = rewrapped ? cursorForPosition(QPoint(0, e->oldSize().height() / 2)).position() : -1;
  QTextEdit::resizeEvent(e);
  if (middle < 0) return;
  QTextCursor c(document());
  c.setPosition(middle);
  rewindowing_ = true;
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->value() + cursorRect(c).center().y() - viewport()->height() / 2);
  rewindowing_ = false;
  InnerScrolled();
}
