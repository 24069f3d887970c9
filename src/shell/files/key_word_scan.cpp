#include "shell/files/key_word_scan.h"

#include <algorithm>

#include "shell/files/source_text_marks.h"

std::vector<TWordSpan> KeyWordSpansIn(UStringView text, const std::vector<UString>& words) {
  std::vector<int> which;
  const std::vector<TTextSpan> spans = FindSearchWordSpans(text, words, &which);
  std::vector<TWordSpan> out;
  out.reserve(spans.size());
  for (size_t k = 0; k < spans.size(); ++k) out.push_back({spans[k].start, spans[k].length, which[k]});
  return out;
}

void TKeyWordScan::Start(TPagedText& text, std::vector<UString> words) {
  text_ = &text;
  words_ = std::move(words);
  hits_.clear();
  counts_.assign(words_.size(), 0);
  first_.assign(words_.size(), -1);
  next_page_ = 0;
  pages_ = text.PageCount();
  failed_ = false;
}

bool TKeyWordScan::Step(UString* error) {
  if (!text_ || Done()) return false;
  const int k = next_page_;
  const auto page = text_->Page(k, error);
  if (!page) {
    failed_ = true;
    return false;
  }
  UString piece;
  size_t lead = 0;
  if (k > 0) {
    if (const auto before = text_->Page(k - 1, nullptr)) {
      lead = std::min(kEdgeUnits, before->text.size());
      piece.append(before->text, before->text.size() - lead, lead);
    }
  }
  piece += page->text;
  if (k + 1 < pages_)
    if (const auto after = text_->Page(k + 1, nullptr)) piece.append(after->text, 0, std::min(kEdgeUnits, after->text.size()));
  for (const TWordSpan& s : KeyWordSpansIn(piece, words_)) {
    // Only the words that begin on this page are its own.
    if (s.start < static_cast<int64_t>(lead) || s.start >= static_cast<int64_t>(lead + page->text.size())) continue;
    const int64_t byte = page->FileByteOf(static_cast<size_t>(s.start) - lead);
    hits_.push_back({byte, static_cast<int32_t>(s.length), s.word});
    const size_t w = static_cast<size_t>(s.word);
    ++counts_[w];
    if (first_[w] < 0) first_[w] = byte;
  }
  ++next_page_;
  return !Done();
}

int64_t TKeyWordScan::CountOf(int word) const {
  return word >= 0 && static_cast<size_t>(word) < counts_.size() ? counts_[static_cast<size_t>(word)] : 0;
}

int64_t TKeyWordScan::FirstByteOf(int word) const {
  return word >= 0 && static_cast<size_t>(word) < first_.size() ? first_[static_cast<size_t>(word)] : -1;
}
