#include "keywords/keyness_computation.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "platform/runtime/vx_maths.h"
#include "platform/runtime/vx_resources.h"
#include "wordlist/word_list.h"

namespace {

struct StudyWord {
  UString word, prefix, suffix;
  int64_t frequency = 0;
  int64_t texts = 0;
};

struct KeptRow {
  TKeywordRecord rec;
  const StudyWord* w;
};

bool StrongerKeyness(const KeptRow& a, const KeptRow& b) { return std::fabs(a.rec.keyness) > std::fabs(b.rec.keyness); }

}  // namespace

TKeynessOutcome ComputeKeywordList(const std::vector<TVXWordList*>& study, TVXWordList& reference,
                                   const TKeywordsSettingsRec32& settings, const TKeynessCorpora& corpora,
                                   TKeyWordList& out) {
  TKeynessOutcome outcome;
  if (study.empty() || corpora.study_running_words <= 0 || corpora.reference_running_words <= 0) {
    outcome.message = VXResFmt(TVXRes::VXProblemMakingX, {VXRes(TVXRes::VXKeywords)});
    return outcome;
  }
  // Several study lists count as one: words are added up in first-seen order. A lemma counts as
  // the reference side counts it, with its forms; a form joined under its head comes with it.
  std::map<std::tuple<UString, UString, UString>, size_t> where;
  std::vector<StudyWord> words;
  for (TVXWordList* list : study) {
    if (!list) continue;
    for (int i = 0; i < list->Count(); ++i) {
      const TWordlistEntry* e = list->Row(i);
      if (!e || e->JoinedTo()) continue;
      const auto key = std::make_tuple(e->data.word, e->data.prefix, e->data.suffix);
      auto [it, added] = where.emplace(key, words.size());
      if (added) words.push_back({e->data.word, e->data.prefix, e->data.suffix});
      words[it->second].frequency += list->CorrectFreq(i, true);
      words[it->second].texts += e->data.n_texts;
    }
  }
  // Reference look-ups are by word, whatever the case; its forms too come with their heads.
  std::map<UString, int> ref_rows;
  const TLCID lcid = reference.SortLCID();
  for (int i = 0; i < reference.Count(); ++i)
    if (reference.Row(i) && !reference.Row(i)->JoinedTo())
      ref_rows.emplace(UpperCaseU(reference.Row(i)->data.word, lcid), i);

  const uint8_t procedure = settings.KeynessProcedure();
  const int64_t n1 = corpora.study_running_words, n2 = corpora.reference_running_words;
  const double max_p = settings.KeywordMaxP();
  std::vector<KeptRow> kept;
  for (const StudyWord& w : words) {
    int64_t rc_freq = 0, rc_texts = 0;
    const auto found = ref_rows.find(UpperCaseU(w.word, lcid));
    if (found != ref_rows.end()) {
      ++outcome.shared_types;
      rc_freq = reference.CorrectFreq(found->second, true);
      rc_texts = reference.Row(found->second)->data.n_texts;
    }
    if (w.frequency < settings.KeywordMinFrequency() || w.texts < settings.KeywordMinTexts()) continue;
    const double keyness = KeynessOf(w.frequency, n1, rc_freq, n2, procedure);
    const double p = KeynessProbability(keyness);
    if (max_p > 0 && p > max_p) continue;
    const bool negative = keyness < 0;
    if (negative && !settings.IncludeNegativeKeywords()) continue;
    TKeywordRecord rec{};
    rec.frequency = static_cast<int32_t>(std::min<int64_t>(w.frequency, INT32_MAX));
    rec.rc_frequency = static_cast<int32_t>(std::min<int64_t>(rc_freq, INT32_MAX));
    rec.keyness = static_cast<float>(keyness);
    rec.n_texts = static_cast<int32_t>(std::min<int64_t>(w.texts, INT32_MAX));
    rec.rc_n_texts = static_cast<int32_t>(std::min<int64_t>(rc_texts, INT32_MAX));
    const double g2 = procedure == kKeynessLogLikelihood ? std::fabs(keyness)
                                                         : std::fabs(KeynessOf(w.frequency, n1, rc_freq, n2, 0));
    rec.bic_score = static_cast<float>(BICOfKeyness(g2, n1, n2));
    rec.log_ratio = static_cast<float>(LogRatioOf(w.frequency, n1, rc_freq, n2));
    rec.negative = negative ? 1 : 0;
    kept.push_back({rec, &w});
  }
  outcome.study_types = static_cast<int32_t>(words.size());
  outcome.reference_types = reference.Count();
  outcome.obtained = static_cast<int32_t>(kept.size());
  // The strongest first (stable, so equal keyness keeps the study order).
  std::stable_sort(kept.begin(), kept.end(), StrongerKeyness);
  const int32_t wanted = settings.MaxKeywordsWanted();
  if (wanted > 0 && int64_t(kept.size()) > wanted) kept.resize(static_cast<size_t>(wanted));

  if (!out.Clear()) {
    outcome.message = VXResFmt(TVXRes::VXProblemMakingX, {VXRes(TVXRes::VXKeywords)});
    return outcome;
  }
  for (const KeptRow& r : kept)
    out.Add(new TKeyWordEntry(&out, r.rec, r.w->word, r.w->prefix, r.w->suffix));
  out.KWSettings = settings;
  out.KWSettings.SetRunningWords(0, static_cast<int32_t>(std::min<int64_t>(n1, INT32_MAX)));
  out.KWSettings.SetRunningWords(1, static_cast<int32_t>(std::min<int64_t>(n2, INT32_MAX)));
  out.KWSettings.SetTexts(0, corpora.study_texts);
  out.KWSettings.SetTexts(1, corpora.reference_texts);
  out.n_actually_obtained = outcome.obtained;
  out.DiceCoefficient =
      static_cast<float>(Dice_Coefficient(outcome.shared_types, outcome.study_types, outcome.reference_types));
  out.has_BIC_Scores = out.has_LOGR_scores = true;
  out.SetSortSettingsToDefault(true);
  out.DoASort(1, 0, out.Count() - 1);
  outcome.success = true;
  return outcome;
}
