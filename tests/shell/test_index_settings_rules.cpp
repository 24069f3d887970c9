#include "shell/settings/index_settings_rules.h"

#include <gtest/gtest.h>

#include "model/text_reader_test_support.h"
#include "platform/settings/settings_access.h"

namespace {

class IndexSettingsRulesTest : public testing::Test {
 protected:
  text_reader_test::ScopedSettings settings;
};

TIndexSettingsChoice Changed() {
  TIndexSettingsChoice c;
  c.min_type_frequency = 2;
  c.exclude_hash = true;
  c.recount_running_words = true;
  c.cluster_smallest = 2;
  c.cluster_largest = 4;
  c.cluster_min_frequency = 5;
  c.cluster_min_texts = 3;
  c.cluster_seconds_per_word = 7;
  c.cluster_stop_at = 3;
  c.clusters_per_text = true;
  c.keep_positions = true;
  c.dispersion = true;
  c.apply_stop_list = true;
  c.drop_plain = true;
  c.drop_starred = false;
  c.phrase_frames_off = false;
  c.phrase_frame_min_frequency = 9;
  c.relationship_span = 3;
  c.relationship_left_and_right = false;
  c.relationship_min_joint_frequency = 2;
  c.relationship_min_texts = 4;
  c.relationship_stop_list = 2;
  c.relationship_omit_same_word = true;
  c.relationship_both_ways = true;
  c.relationship_all_must_pass = true;
  return c;
}

}  // namespace

TEST_F(IndexSettingsRulesTest, TheDefaultsShowAsTheIndexReadsThem) {
  const TIndexSettingsChoice now = CurrentIndexSettings();
  EXPECT_EQ(now.cluster_smallest, 3);
  EXPECT_EQ(now.cluster_largest, 5);
  EXPECT_EQ(now.cluster_stop_at, 2);
  EXPECT_EQ(now.min_type_frequency, 1);
}

TEST_F(IndexSettingsRulesTest, WhatIsAppliedIsReadWhereTheIndexLooksAndTheRestStays) {
  const TWordlistIndexSettingsRec before = GetWordlistIndexSettings();
  ASSERT_TRUE(ApplyIndexSettings(Changed()).empty());
  EXPECT_EQ(CurrentIndexSettings(), Changed());
  const TWordlistIndexSettingsRec r = GetWordlistIndexSettings();
  EXPECT_EQ(r.MinTypeFrequency(), 2);
  EXPECT_EQ(r.ClusterSizeMin(), 2);
  EXPECT_EQ(r.ClusterSizeMax(), 4);
  EXPECT_EQ(r.ClusterStopAt(), 3);
  EXPECT_EQ(r.ClusterSecondsPerWord(), 7);
  EXPECT_TRUE(r.DropPlainClusters());
  EXPECT_FALSE(r.DropStarredClusters());
  EXPECT_EQ(r.PhraseFrameMinFrequency(), 9);
  // The relationships run reads its settings inside the block.
  const TRelationshipSettingsRec rel = RelationshipSettingsOf(r);
  EXPECT_EQ(rel.Span(), 3);
  EXPECT_FALSE(rel.LeftAndRight());
  EXPECT_EQ(rel.MinJointFrequency(), 2);
  EXPECT_EQ(rel.MinTexts(), 4);
  EXPECT_EQ(rel.StopListOption(), 2);
  EXPECT_TRUE(rel.OmitSameWord());
  EXPECT_TRUE(rel.BothWays());
  EXPECT_TRUE(rel.AllMustPass());
  // What the dialog does not show stays: the text settings block, the relationships' share of
  // the running words, their stop and thresholds, the first filter.
  const TRelationshipSettingsRec rel_before = RelationshipSettingsOf(before);
  EXPECT_EQ(r.TextSettings().LCID(), before.TextSettings().LCID());
  EXPECT_EQ(rel.MaxPercent(), rel_before.MaxPercent());
  EXPECT_EQ(rel.MinFrequencyWord2(), rel_before.MinFrequencyWord2());
  EXPECT_EQ(rel.StopAt(), rel_before.StopAt());
  for (int i = 0; i < TRelationshipSettingsRec::kStatistics; ++i) EXPECT_EQ(rel.Threshold(i), rel_before.Threshold(i));
  EXPECT_EQ(r.FirstFilterMaxPercent(), before.FirstFilterMaxPercent());
}

TEST_F(IndexSettingsRulesTest, BadValuesAreRefusedByFieldAndNothingIsWritten) {
  struct Case {
    void (*spoil)(TIndexSettingsChoice&);
    const char16_t* named;
  };
  const Case cases[] = {
      {[](TIndexSettingsChoice& c) { c.min_type_frequency = -1; }, u"Least frequency of a type: -1"},
      {[](TIndexSettingsChoice& c) { c.cluster_smallest = 1; }, u"Smallest cluster: 1 words"},
      {[](TIndexSettingsChoice& c) { c.cluster_largest = 9; }, u"Largest cluster: 9 words"},
      {[](TIndexSettingsChoice& c) { c.cluster_largest = 2; c.cluster_smallest = 3; }, u"Largest cluster: 2 words is below"},
      {[](TIndexSettingsChoice& c) { c.cluster_min_frequency = 0; }, u"Least cluster frequency"},
      {[](TIndexSettingsChoice& c) { c.cluster_min_texts = 0; }, u"Least number of texts"},
      {[](TIndexSettingsChoice& c) { c.cluster_seconds_per_word = -2; }, u"Seconds a word may take"},
      {[](TIndexSettingsChoice& c) { c.cluster_stop_at = 6; }, u"Clusters stop at"},
      {[](TIndexSettingsChoice& c) { c.phrase_frame_min_frequency = 0; }, u"Least phrase-frame frequency"},
      {[](TIndexSettingsChoice& c) { c.relationship_span = 0; }, u"Relationship span: 0 words is not from 1 to 25"},
      {[](TIndexSettingsChoice& c) { c.relationship_span = 26; }, u"Relationship span: 26 words"},
      {[](TIndexSettingsChoice& c) { c.relationship_min_joint_frequency = 0; }, u"Least joint frequency: 0 is below 1"},
      {[](TIndexSettingsChoice& c) { c.relationship_min_texts = -1; }, u"Least texts of a pair: -1 is below 1"},
      {[](TIndexSettingsChoice& c) { c.relationship_stop_list = 4; }, u"Stop list removes a pair: 4 is no choice"},
  };
  const TIndexSettingsChoice before = CurrentIndexSettings();
  for (const Case& k : cases) {
    TIndexSettingsChoice c = Changed();
    k.spoil(c);
    const std::vector<UString> problems = ApplyIndexSettings(c);
    ASSERT_EQ(problems.size(), 1u) << Utf16ToUtf8(k.named);
    EXPECT_EQ(problems[0].rfind(k.named, 0), 0u) << Utf16ToUtf8(problems[0]);
    EXPECT_EQ(CurrentIndexSettings(), before) << Utf16ToUtf8(k.named);
  }
  // Phrase frames switched off: their frequency is not checked.
  TIndexSettingsChoice off = Changed();
  off.phrase_frames_off = true;
  off.phrase_frame_min_frequency = 0;
  EXPECT_TRUE(ApplyIndexSettings(off).empty());
}
