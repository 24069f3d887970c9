#include "shell/settings/index_settings_rules.h"

#include "platform/settings/settings_access.h"
#include "shell/settings/analysis_settings_rules.h"

namespace {

const char16_t* const kStopCaptions[kIndexClusterStops] = {u"none",      u"punctuation", u"sentence",
                                                           u"paragraph", u"heading",     u"section"};

const char16_t* const kStopListCaptions[kRelationshipStopListOptions] = {
    u"none", u"when word 1 is in it", u"when word 2 is in it", u"when either is in it"};

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
  if (c.relationship_span < 1 || c.relationship_span > kMostRelationshipSpan)
    p.push_back(u"Relationship span: " + IntToUStr(c.relationship_span) + u" words is not from 1 to " +
                IntToUStr(kMostRelationshipSpan));
  CheckAtLeast(p, u"Least joint frequency", c.relationship_min_joint_frequency, 1);
  CheckAtLeast(p, u"Least texts of a pair", c.relationship_min_texts, 1);
  if (c.relationship_stop_list < 0 || c.relationship_stop_list >= kRelationshipStopListOptions)
    p.push_back(u"Stop list removes a pair: " + IntToUStr(c.relationship_stop_list) + u" is no choice");
  return p;
}

}  // namespace

UString IndexClusterStopCaption(int stop) {
  return (stop >= 0 && stop < kIndexClusterStops) ? UString(kStopCaptions[stop]) : UString();
}

UString RelationshipStopListCaption(int option) {
  return (option >= 0 && option < kRelationshipStopListOptions) ? UString(kStopListCaptions[option]) : UString();
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
  const TRelationshipSettingsRec rel = RelationshipSettingsOf(r);
  c.relationship_span = rel.Span();
  c.relationship_left_and_right = rel.LeftAndRight();
  c.relationship_min_joint_frequency = rel.MinJointFrequency();
  c.relationship_min_texts = rel.MinTexts();
  c.relationship_stop_list = rel.StopListOption();
  c.relationship_omit_same_word = rel.OmitSameWord();
  c.relationship_both_ways = rel.BothWays();
  c.relationship_all_must_pass = rel.AllMustPass();
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
  TRelationshipSettingsRec rel = RelationshipSettingsOf(r);
  rel.SetSpan(static_cast<int16_t>(c.relationship_span));
  rel.SetLeftAndRight(c.relationship_left_and_right);
  rel.SetMinJointFrequency(c.relationship_min_joint_frequency);
  rel.SetMinTexts(c.relationship_min_texts);
  rel.SetStopListOption(static_cast<uint8_t>(c.relationship_stop_list));
  rel.SetOmitSameWord(c.relationship_omit_same_word);
  rel.SetBothWays(c.relationship_both_ways);
  rel.SetAllMustPass(c.relationship_all_must_pass);
  SetRelationshipSettingsOf(r, rel);
  SetWordlistIndexSettings(r);
  return problems;
}
