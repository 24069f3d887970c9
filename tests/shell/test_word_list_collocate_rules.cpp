#include "shell/settings/word_list_collocate_rules.h"

#include <gtest/gtest.h>

#include <cmath>

#include "concordance/views/word_list_collocates.h"
#include "model/text_reader_test_support.h"
#include "platform/settings/settings_access.h"

namespace {

class WordListCollocateRulesTest : public testing::Test {
 protected:
  text_reader_test::ScopedSettings settings;
};

using R = TCollocateScriptSettingsRec;

}  // namespace

TEST_F(WordListCollocateRulesTest, WhatIsAppliedIsWhatTheWholeListRunReads) {
  TWordListCollocatesChoice c = CurrentWordListCollocates();
  EXPECT_EQ(c.bounds[0], (TWordListBound{1, 1000}));  // word length as stored
  c.bounds[0] = {3, 8};
  c.bounds[1] = {2, 9};
  c.bounds[2] = {4, 400};
  c.bounds[3] = {5, 500};
  c.bounds[4] = {6, 60};
  c.tested[1] = true;  // MI
  c.thresholds[1] = 3.0;
  c.tested[5] = true;  // T score
  c.thresholds[5] = 2.0;
  c.all_must_pass = true;
  ASSERT_TRUE(ApplyWordListCollocates(c).empty());
  EXPECT_EQ(CurrentWordListCollocates(), c);
  const TCollocateScriptSettingsRec limits = GetCollocateScriptSettings();
  const std::pair<int, int32_t> fields[] = {{R::kMinWordLength, 3},     {R::kMaxWordLength, 8},  {R::kMinTexts, 2},
                                            {R::kMaxTexts, 9},          {R::kMinFrequency, 4},   {R::kMaxFrequency, 400},
                                            {R::kMinCollocateTotal, 5}, {R::kMaxCollocateTotal, 500},
                                            {R::kMinCollocates, 6},     {R::kMaxCollocates, 60}};
  for (const auto& [field, value] : fields) EXPECT_EQ(limits.Field(field), value) << field;
  // The run's own readers: the word filter and the requirements line of each file.
  EXPECT_TRUE(WordPassesScriptLimits(limits, u"river", 4, 2));
  EXPECT_FALSE(WordPassesScriptLimits(limits, u"at", 4, 2));
  EXPECT_FALSE(WordPassesScriptLimits(limits, u"river", 401, 2));
  const TKollaxaMutualChecks checks = GetKollaxaMutualChecks();
  EXPECT_EQ(RelationshipRequirements(checks), u"MI >= 3.000 and T SCORE >= 2.000");
  float values[11] = {};
  values[1] = 3.5f;
  values[5] = 1.0f;
  EXPECT_FALSE(PassesRelationshipThresholdTests(checks, values));
  c.all_must_pass = false;
  ASSERT_TRUE(ApplyWordListCollocates(c).empty());
  EXPECT_TRUE(PassesRelationshipThresholdTests(GetKollaxaMutualChecks(), values));
}

TEST_F(WordListCollocateRulesTest, BadFieldsAreNamedAndNothingIsStored) {
  const TCollocateScriptSettingsRec limits = GetCollocateScriptSettings();
  const TKollaxaMutualChecks checks = GetKollaxaMutualChecks();
  const std::pair<std::function<void(TWordListCollocatesChoice&)>, const char16_t*> cases[] = {
      {[](TWordListCollocatesChoice& c) { c.bounds[0] = {-1, 5}; }, u"Word length: the least, -1, is below 0"},
      {[](TWordListCollocatesChoice& c) { c.bounds[2] = {10, 9}; }, u"Frequency: the most, 9, is below the least, 10"},
      {[](TWordListCollocatesChoice& c) { c.bounds[4] = {3, 2}; }, u"Collocates: the most, 2, is below the least, 3"},
      {[](TWordListCollocatesChoice& c) { c.thresholds[1] = std::nan(""); }, u"Least MI: not a number"},
  };
  for (const auto& [change, said] : cases) {
    TWordListCollocatesChoice c = CurrentWordListCollocates();
    change(c);
    const std::vector<UString> problems = ApplyWordListCollocates(c);
    ASSERT_EQ(problems.size(), 1u) << Utf16ToUtf8(said);
    EXPECT_EQ(problems[0], said);
  }
  EXPECT_TRUE(GetCollocateScriptSettings().SameBytes(limits));
  EXPECT_TRUE(GetKollaxaMutualChecks().SameBytes(checks));
}
