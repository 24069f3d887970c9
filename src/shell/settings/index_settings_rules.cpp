#include "shell/settings/index_settings_rules.h"

#include "platform/settings/settings_access.h"
#include "shell/settings/analysis_settings_rules.h"

namespace {

const char16_t* const kStopCaptions[kIndexClusterStops] = {u"none",      u"punctuation", u"sentence",
                                                           u"paragraph", u"heading",     u"section"};

void CheckAtLeast(std::vector<UString>& problems, UStringView field, int64_t value, int64_t lowest) {
  if (value < lowest) problems.push_back(UString(field) + u": " + IntToUStr(value) + u" is below " + IntToUStr(lowest));
}

std::vector<UString> Problems(const TIndexSettingsChoice& c) {
  std::vector<UString> p;
  CheckAtLeast(p, u"Least frequency of a type", c.min_type_frequency, 0);
  for (const auto& [field, size] : {std::pair<const char16_t*, int>{u"Smallest cluster", c.cluster_smallest},
                                   {u"Largest cluster", c.cluster_largest}})
    if (size < kClusterSizeLowest || size > kClusterSizeHighest)
      p.push_back(UString(field) + u": " + IntToUStr(size) + u" words is not from " + IntToUStr(kClusterSizeLowest) +
                  u" to " + IntToUStr(kClusterSizeHighest));
  if (c.cluster_largest < c.cluster_smallest)
    p.push_back(u"Largest cluster: " + IntToUStr(c.cluster_largest) + u" words is below the smallest, " +
                IntToUStr(c.cluster_smallest));
  CheckAtLeast(p, u"Least cluster frequency", c.cluster_min_frequency, 1);
  CheckAtLeast(p, u"Least number of texts", c.cluster_min_texts, 1);
  CheckAtLeast(p, u"Seconds a word may take", c.cluster_seconds_per_word, 0);
  if (c.cluster_stop_at < 0 || c.cluster_stop_at >= kIndexClusterStops)
    p.push_back(u"Clusters stop at: " + IntToUStr(c.cluster_stop_at) + u" is no marker");
  if (!c.phrase_frames_off) CheckAtLeast(p, u"Least phrase-frame frequency", c.phrase_frame_min_frequency, 1);
  return p;
}

}  // namespace

UString IndexClusterStopCaption(int stop) {
  return (stop >= 0 && stop < kIndexClusterStops) ? UString(kStopCaptions[stop]) : UString();
}

TIndexSettingsChoice CurrentIndexSettings() {
  const TWordlistIndexSettingsRec r = GetWordlistIndexSettings();
  TIndexSettingsChoice c;
  c.min_type_frequency = r.MinTypeFrequency();
  c.exclude_hash = r.ExcludeHashEntries();
  c.recount_running_words = r.RecountRunningWords();
  c.cluster_smallest = r.ClusterSizeMin();
  c.cluster_largest = r.ClusterSizeMax();
  c.cluster_min_frequency = r.ClusterMinFrequency();
  c.cluster_min_texts = r.ClusterMinTexts();
  c.cluster_seconds_per_word = r.ClusterSecondsPerWord();
  c.cluster_stop_at = r.ClusterStopAt();
  c.clusters_per_text = r.ClustersPerText();
  c.keep_positions = r.ClusterKeepPositions();
  c.dispersion = r.ClusterDispersion();
  c.apply_stop_list = r.ClusterApplyStopList();
  c.drop_plain = r.DropPlainClusters();
  c.drop_starred = r.DropStarredClusters();
  c.phrase_frames_off = r.PhraseFramesOff();
  c.phrase_frame_min_frequency = r.PhraseFrameMinFrequency();
  return c;
}

std::vector<UString> ApplyIndexSettings(const TIndexSettingsChoice& c) {
  std::vector<UString> problems = Problems(c);
  if (!problems.empty()) return problems;
  TWordlistIndexSettingsRec r = GetWordlistIndexSettings();
  r.SetMinTypeFrequency(c.min_type_frequency);
  r.SetExcludeHashEntries(c.exclude_hash);
  r.SetRecountRunningWords(c.recount_running_words);
  r.SetClusterSizeMin(static_cast<int16_t>(c.cluster_smallest));
  r.SetClusterSizeMax(static_cast<int16_t>(c.cluster_largest));
  r.SetClusterMinFrequency(c.cluster_min_frequency);
  r.SetClusterMinTexts(c.cluster_min_texts);
  r.SetClusterSecondsPerWord(c.cluster_seconds_per_word);
  r.SetClusterStopAt(static_cast<uint8_t>(c.cluster_stop_at));
  r.SetClustersPerText(c.clusters_per_text);
  r.SetClusterKeepPositions(c.keep_positions);
  r.SetClusterDispersion(c.dispersion);
  r.SetClusterApplyStopList(c.apply_stop_list);
  r.SetDropPlainClusters(c.drop_plain);
  r.SetDropStarredClusters(c.drop_starred);
  r.SetPhraseFramesOff(c.phrase_frames_off);
  r.SetPhraseFrameMinFrequency(c.phrase_frame_min_frequency);
  SetWordlistIndexSettings(r);
  return problems;
}
