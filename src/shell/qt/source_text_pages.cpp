// The source-text view over a text read on demand: the window of pages shown, the whole-text
// scroll bar, the key-word scan and the rich-text save (see source_text_view.h).
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/source_text_view.h"

namespace {

// Pages each side of the one asked for.
constexpr int kWindowPagesEachSide = 1;

// The window's text as the document takes it, unit for unit: a CR before an LF becomes a blank,
// a lone CR a line break.
QString DocumentText(const UString& text) {
  QString q = ToQString(text);
  for (qsizetype i = 0; i < q.size(); ++i)
    if (q[i] == QLatin1Char('\r')) q[i] = (i + 1 < q.size() && q[i + 1] == QLatin1Char('\n')) ? QLatin1Char(' ') : QLatin1Char('\n');
  return q;
}

}  // namespace

bool TSourceTextRichEdit::LoadedASourceText(UStringView file_name, int code_page, bool flag, UString* error) {
  auto fresh = std::make_shared<TPagedText>();
  UString why;
  if (!fresh->Open(file_name, code_page, why)) {
    if (error) *error = why;
    return false;
  }
  // A scan of the old text ends; the new text replaces it only now that it opened.
  ++scan_generation_;
  stop_ = true;
  model_ = std::move(fresh);
  window_ = TShownText();
  kw_words_.clear();
  scan_ = TKeyWordScan();
  scan_done_ = false;
  highlighted_ = false;
  trimmed_ = false;
  paged_greyed_ = false;
  current_hit_ = -1;
  original_.clear();
  shown_.clear();
  highlights_.clear();
  setExtraSelections({});
  if (!whole_bar_) {
    whole_bar_ = new QScrollBar(Qt::Vertical, this);
    whole_bar_->setObjectName(QStringLiteral("WholeTextBar"));
    whole_bar_->hide();
    connect(whole_bar_, &QScrollBar::valueChanged, this, [this](int v) { WholeBarMoved(v); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { InnerScrolled(); });
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  }
  const int64_t span = std::max<int64_t>(model_->FileSize() - model_->TextStart(), 1);
  bar_shift_ = 0;
  while ((span >> bar_shift_) > (int64_t{1} << 30)) ++bar_shift_;
  {
    const QSignalBlocker block(whole_bar_);
    whole_bar_->setRange(0, static_cast<int>(span >> bar_shift_));
    whole_bar_->setPageStep(static_cast<int>(std::max<int64_t>(1, (span >> bar_shift_) / 50)));
    whole_bar_->setValue(0);
  }
  return ShowByte(model_->TextStart(), false, error);
}

int64_t TSourceTextRichEdit::UnitOfByte(int64_t byte) const {
  const auto& b = window_.bytes;
  if (b.empty()) return -1;
  const auto it = std::lower_bound(b.begin(), b.end(), byte);
  return static_cast<int64_t>(it - b.begin());
}

bool TSourceTextRichEdit::ShowByte(int64_t byte, bool centre, UString* error) {
  if (!model_) return false;
  const int k = model_->PageOfByte(byte);
  return ShowWindow(std::max(0, k - kWindowPagesEachSide), std::min(model_->PageCount() - 1, k + kWindowPagesEachSide),
                    byte, centre, error);
}

bool TSourceTextRichEdit::ShowWindow(int first_page, int last_page, int64_t keep_byte, bool centre, UString* error) {
  TShownText fresh;
  bool blank_before = false;
  int64_t end_byte = model_->FileSize();
  for (int k = first_page; k <= last_page; ++k) {
    const auto page = model_->Page(k, error);
    if (!page) return false;
    AppendShownPage(*page, trimmed_, fresh, blank_before);
    end_byte = page->end_byte;
  }
  fresh.bytes.push_back(end_byte);
  rewindowing_ = true;
  window_ = std::move(fresh);
  first_page_ = first_page;
  last_page_ = last_page;
  setPlainText(DocumentText(window_.text));
  ShowWindowMarks();
  const int64_t unit = std::clamp<int64_t>(UnitOfByte(keep_byte), 0, static_cast<int64_t>(window_.text.size()));
  QTextCursor c(document());
  c.setPosition(static_cast<int>(unit));
  const QRect r = cursorRect(c);
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->value() + r.top() - (centre ? viewport()->height() / 2 : 0));
  rewindowing_ = false;
  InnerScrolled();
  return true;
}

void TSourceTextRichEdit::ShowWindowMarks() {
  QList<QTextEdit::ExtraSelection> selections;
  if (paged_greyed_ && !trimmed_) {
    QTextCharFormat grey;
    grey.setForeground(QColor(0x90, 0x90, 0x90));
    for (const TTextSpan& s : FindMarkupSpans(window_.text)) {
      QTextEdit::ExtraSelection sel;
      sel.cursor = QTextCursor(document());
      sel.cursor.setPosition(static_cast<int>(s.start));
      sel.cursor.setPosition(static_cast<int>(s.End()), QTextCursor::KeepAnchor);
      sel.format = grey;
      selections.append(sel);
    }
  }
  if (highlighted_ && !kw_words_.empty()) {
    QTextCharFormat mark;
    mark.setBackground(kw_background_);
    mark.setForeground(kw_text_);
    if (kw_bold_) mark.setFontWeight(QFont::Bold);
    const int64_t current_byte =
        current_hit_ >= 0 && static_cast<size_t>(current_hit_) < scan_.Hits().size() ? scan_.Hits()[static_cast<size_t>(current_hit_)].byte : -1;
    for (const TWordSpan& s : KeyWordSpansIn(window_.text, kw_words_)) {
      QTextEdit::ExtraSelection sel;
      sel.cursor = QTextCursor(document());
      sel.cursor.setPosition(static_cast<int>(s.start));
      sel.cursor.setPosition(static_cast<int>(s.start + s.length), QTextCursor::KeepAnchor);
      sel.format = mark;
      if (window_.bytes[static_cast<size_t>(s.start)] == current_byte) sel.format.setBackground(QColor(255, 170, 40));
      selections.append(sel);
    }
  }
  setExtraSelections(selections);
}

int64_t TSourceTextRichEdit::TopByte() {
  if (window_.bytes.empty()) return model_ ? model_->TextStart() : 0;
  const int unit = cursorForPosition(QPoint(0, 0)).position();
  return window_.bytes[static_cast<size_t>(std::clamp<int>(unit, 0, static_cast<int>(window_.bytes.size()) - 1))];
}

void TSourceTextRichEdit::InnerScrolled() {
  if (!model_ || rewindowing_ || window_.bytes.empty()) return;
  const int64_t top = TopByte();
  {
    const QSignalBlocker block(whole_bar_);
    whole_bar_->setValue(static_cast<int>((top - model_->TextStart()) >> bar_shift_));
  }
  // Near the window's edge the window moves on, keeping the top line where it is.
  const int top_unit = cursorForPosition(QPoint(0, 0)).position();
  const int bottom_unit = cursorForPosition(QPoint(0, viewport()->height() - 1)).position();
  const int64_t n = static_cast<int64_t>(window_.text.size());
  const int64_t edge = std::max<int64_t>(n / 8, 1);
  if (first_page_ > 0 && top_unit < edge) ShowByte(top);
  else if (last_page_ + 1 < model_->PageCount() && bottom_unit > n - edge) ShowByte(top);
}

void TSourceTextRichEdit::WholeBarMoved(int value) {
  if (!model_) return;
  ShowByte(model_->TextStart() + (static_cast<int64_t>(value) << bar_shift_));
}

bool TSourceTextRichEdit::SelectAtByte(int64_t byte, int64_t units) {
  if (!model_) return false;
  if (window_.bytes.empty() || byte < window_.bytes.front() || byte >= window_.bytes.back())
    if (!ShowByte(byte, true)) return false;
  const int64_t unit = UnitOfByte(byte);
  if (unit < 0 || unit >= static_cast<int64_t>(window_.text.size()) || window_.bytes[static_cast<size_t>(unit)] != byte)
    return false;
  QTextCursor c(document());
  c.setPosition(static_cast<int>(unit));
  c.setPosition(static_cast<int>(std::min<int64_t>(unit + units, static_cast<int64_t>(window_.text.size()))), QTextCursor::KeepAnchor);
  rewindowing_ = true;
  setTextCursor(c);
  ensureCursorVisible();
  rewindowing_ = false;
  InnerScrolled();
  return true;
}

void TSourceTextRichEdit::SetColoursEtc(bool special, const QColor& text, const QColor& background, bool bold) {
  if (special) {
    kw_text_ = text;
    kw_background_ = background;
    kw_bold_ = bold;
    return;
  }
  QPalette p = palette();
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Base, background);
  setPalette(p);
}

void TSourceTextRichEdit::SetFont(UStringView name, int points, int pixels_per_inch) {
  QFont f = font();
  if (!name.empty()) f.setFamily(ToQString(name));
  if (points > 0) f.setPointSize(points);
  setFont(f);
  document()->setDefaultFont(f);
}

int64_t TSourceTextRichEdit::HighlightKWs(const TSimpleSearchlist& list, const std::function<bool(int)>& progress) {
  if (!model_) return -1;
  kw_words_ = list.TypedInWordsAsStringlist();
  highlighted_ = true;
  current_hit_ = -1;
  scan_done_ = false;
  ShowWindowMarks();
  const std::shared_ptr<TPagedText> text = model_;  // kept while the loop yields
  const uint64_t generation = ++scan_generation_;
  stop_ = false;
  scanning_ = true;
  scan_.Start(*text, kw_words_);
  while (scan_.Step(nullptr)) {
    if (progress && !progress(static_cast<int>(int64_t{scan_.PagesDone()} * 100 / std::max(1, scan_.PagesTotal())))) stop_ = true;
    MyYieldProcess();
    if (generation != scan_generation_) return -1;  // another scan or text took over
    if (stop_) break;
  }
  scanning_ = false;
  scan_done_ = scan_.Done() && !scan_.Failed();
  if (progress) progress(0);
  ShowWindowMarks();
  int64_t first = -1;
  for (const TKeyWordHit& h : scan_.Hits()) {
    first = h.byte;
    break;
  }
  return first;
}

void TSourceTextRichEdit::ShowWordsInWindow(std::vector<UString> words) {
  kw_words_ = std::move(words);
  highlighted_ = true;
  ShowWindowMarks();
}

int64_t TSourceTextRichEdit::HighlightOneKW(UStringView word, const std::function<bool(int)>& progress) {
  TSimpleSearchlist one;
  one.LoadFromAStringlist({UString(word)});
  return HighlightKWs(one, progress);
}

int64_t TSourceTextRichEdit::HighlightsFoundCount() const { return static_cast<int64_t>(scan_.Hits().size()); }

std::pair<int64_t, int64_t> TSourceTextRichEdit::CountAndFirstPosOfKWPositions(int i) const {
  return {scan_.CountOf(i), scan_.FirstByteOf(i)};
}

std::vector<int64_t> TSourceTextRichEdit::KeyWordPositionsAsArray() const {
  std::vector<int64_t> out;
  out.reserve(scan_.Hits().size());
  for (const TKeyWordHit& h : scan_.Hits()) out.push_back(h.byte);
  return out;
}

bool TSourceTextRichEdit::GotoNextPagedKW(bool forward) {
  const std::vector<TKeyWordHit>& hits = scan_.Hits();
  if (hits.empty()) {
    message_ = u"No highlighted word.";
    return false;
  }
  int next = current_hit_;
  if (next < 0) {
    // From the top of the view.
    const int64_t top = TopByte();
    const auto it = std::lower_bound(hits.begin(), hits.end(), top,
                                     [](const TKeyWordHit& h, int64_t b) { return h.byte < b; });
    next = static_cast<int>(it - hits.begin()) - (forward ? 0 : 1);
  } else {
    next += forward ? 1 : -1;
  }
  // Only the hits of the current key word, when one is chosen.
  while (next >= 0 && next < static_cast<int>(hits.size()) && CurrentKW >= 0 && hits[static_cast<size_t>(next)].word != CurrentKW)
    next += forward ? 1 : -1;
  if (next < 0 || next >= static_cast<int>(hits.size())) {
    message_ = forward ? u"No further highlighted word." : u"No earlier highlighted word.";
    return false;
  }
  GoToPagedHit(next);
  return true;
}

bool TSourceTextRichEdit::GoToHitAtByte(int64_t byte) {
  const std::vector<TKeyWordHit>& hits = scan_.Hits();
  const auto it = std::lower_bound(hits.begin(), hits.end(), byte,
                                   [](const TKeyWordHit& h, int64_t b) { return h.byte < b; });
  if (!model_ || it == hits.end() || it->byte != byte) return false;
  GoToPagedHit(static_cast<int>(it - hits.begin()));
  return true;
}

void TSourceTextRichEdit::GoToPagedHit(int next) {
  const std::vector<TKeyWordHit>& hits = scan_.Hits();
  current_hit_ = next;
  const TKeyWordHit& h = hits[static_cast<size_t>(next)];
  ShowByte(h.byte, true);
  SelectAtByte(h.byte, h.units);
  ShowWindowMarks();
  const int64_t unit = UnitOfByte(h.byte);
  message_ = unit >= 0 ? window_.text.substr(static_cast<size_t>(unit), static_cast<size_t>(h.units)) : UString();
  const std::optional<int64_t> line = LineOfByte(h.byte);
  const std::optional<int64_t> lines = LineCount();
  emit LineShowMessage(next, static_cast<int64_t>(hits.size()), line.value_or(0), lines.value_or(0));
}

std::optional<int64_t> TSourceTextRichEdit::LineOfByte(int64_t byte) {
  if (!model_) return std::nullopt;
  const int k = model_->PageOfByte(byte);
  const std::optional<int64_t> before = model_->LinesBefore(k);
  const auto page = model_->Page(k, nullptr);
  if (!before || !page) return std::nullopt;
  const size_t unit = page->UnitAtByte(byte);
  int64_t line = *before + 1;
  for (size_t i = 0; i < unit && i < page->text.size(); ++i) {
    const char16_t c = page->text[i];
    if (c == u'\n' || (c == u'\r' && (i + 1 >= page->text.size() || page->text[i + 1] != u'\n'))) ++line;
  }
  // A CR LF cut by the page's start was counted by the page before.
  if (k > 0 && !page->text.empty() && page->text[0] == u'\n' && unit > 0) {
    const auto before_page = model_->Page(k - 1, nullptr);
    if (before_page && !before_page->text.empty() && before_page->text.back() == u'\r') --line;
  }
  return line;
}

std::optional<int64_t> TSourceTextRichEdit::LineCount() const {
  if (!model_ || !model_->FullyIndexed()) return std::nullopt;
  const auto lines = model_->LinesBefore(model_->PageCount());
  return lines ? std::optional<int64_t>(*lines + 1) : std::nullopt;
}

void TSourceTextRichEdit::GreyOutPages() {
  if (!model_) return;
  paged_greyed_ = true;
  ShowWindowMarks();
}

void TSourceTextRichEdit::TrimTheText(bool trimmed) {
  if (!model_ || trimmed == trimmed_) return;
  const int64_t top = TopByte();
  trimmed_ = trimmed;
  ShowByte(top);
}

bool TSourceTextRichEdit::SaveAsRTF(UStringView file_name, UStringView title, UStringView comment, UString* error) {
  if (!model_) return false;
  TPagedRtfOptions options;
  options.trimmed = trimmed_;
  options.greyed = paged_greyed_;
  if (highlighted_) options.words = kw_words_;
  options.title = UString(title);
  options.comment = UString(comment);
  options.font_points = std::max(6, font().pointSize());
  UString why;
  UString save_error;
  const std::shared_ptr<TPagedText> text = model_;
  const bool ok = SafeSaveToFile(file_name, [&](TStream& s) { return WritePagedTextRtf(*text, options, s, why); }, &save_error);
  if (!ok && error) *error = !why.empty() ? why : save_error;
  return ok;
}
