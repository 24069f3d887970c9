#include "shell/viewers/extra_details_counts.h"

#include "model/reading/chosen_texts.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_resources.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "shell/files/source_text_marks.h"
#include "wordlist/word_list_document.h"

namespace {

bool HasStar(UStringView w) { return !w.empty() && (w.front() == u'*' || w.back() == u'*'); }

// The counted words of the document's list, each with its frequency.
TWordFrequencies CountedWords(T_WholeWordlistHolder& doc) {
  TWordFrequencies out;
  TVXWordList& list = doc.Words();
  out.reserve(static_cast<size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i)
    if (const auto* row = list.Row(i)) out.emplace_back(row->data.word, list.CorrectFreq(i, false));
  return out;
}

}  // namespace

int64_t FrequencyOfSearchWord(const TWordFrequencies& counted, UStringView search_word) {
  const UString wanted = TrimU(search_word);
  if (wanted.empty()) return 0;
  int64_t total = 0;
  if (!HasStar(wanted)) {
    const UString folded = FoldCaseU(wanted);
    for (const auto& [word, freq] : counted)
      if (FoldCaseU(word) == folded) total += freq;
    return total;
  }
  // The viewer's rule: the word matches when the pattern takes it whole.
  const std::vector<UString> pattern{wanted};
  for (const auto& [word, freq] : counted) {
    const std::vector<TTextSpan> spans = FindSearchWordSpans(word, pattern);
    if (spans.size() == 1 && spans[0].start == 0 && spans[0].length == static_cast<int64_t>(word.size())) total += freq;
  }
  return total;
}

UString ExtraDetailsHitText(UStringView word, int64_t frequency) {
  return u"  " + VXResFmt(TVXRes::VXFunctionNFound, {word, IntToUStr(frequency)});
}

TExtraDetailsOutcome ComputeWordFrequencies(const std::vector<UString>& search_words,
                                            const std::vector<UString>& candidates, TJobToken& job,
                                            const std::function<void(int, int)>& progress) {
  TExtraDetailsOutcome out;
  if (search_words.empty() || candidates.empty()) return out;
  T_WholeWordlistHolder doc(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr, nullptr);
  doc.WordlistSettings = GetWordlistSettings();
  // Every word counts, however rare or long.
  doc.WordlistSettings.SetMinFrequency(1);
  doc.WordlistSettings.SetMinWordLength(1);
  doc.WordlistSettings.SetMaxWordLength(std::max<int>(doc.WordlistSettings.MaxWordLength(), 50));
  TMakeWordlistOptions options;
  options.threads = 1;
  const int n = static_cast<int>(candidates.size());
  for (int i = 0; i < n; ++i) {
    if (job.Poll() != TStopState::None) {
      out.stopped = true;
      break;
    }
    if (progress) progress(i, n);
    const UString& name = candidates[static_cast<size_t>(i)];
    if (!FileExists(name)) continue;
    TChosenFileDetailsFullRec text;
    text.folder = ExtractFilePath(name);
    text.rec.filename = ExtractFileName(name);
    text.rec.size = FileSizeU(name);
    if (!doc.MadeOneFileWordlist(text, options)) {
      out.failed.push_back(name);
      continue;
    }
    out.counted = true;
    const TWordFrequencies counted = CountedWords(doc);
    std::vector<TExtraDetailsLine> hits;
    for (const UString& w : search_words) {
      const int64_t f = FrequencyOfSearchWord(counted, w);
      if (f <= 0) continue;
      hits.push_back({TExtraDetailsLine::kHit, ExtraDetailsHitText(w, f), name, w, f});
    }
    if (hits.empty()) continue;
    out.lines.push_back({TExtraDetailsLine::kFile, name, name, UString(), 0});
    out.lines.insert(out.lines.end(), hits.begin(), hits.end());
  }
  return out;
}

int FileLineOfHit(const std::vector<TExtraDetailsLine>& lines, int hit_line) {
  if (hit_line < 0 || hit_line >= static_cast<int>(lines.size())) return -1;
  if (lines[static_cast<size_t>(hit_line)].kind != TExtraDetailsLine::kHit) return -1;
  for (int i = hit_line - 1; i >= 0; --i)
    if (lines[static_cast<size_t>(i)].kind == TExtraDetailsLine::kFile) return i;
  return -1;
}

std::vector<UString> FirstHighlightWords(const std::vector<UString>& words, int max_count) {
  std::vector<UString> out;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i > 0 && static_cast<int>(i) >= max_count) break;
    out.push_back(words[i]);
  }
  return out;
}
