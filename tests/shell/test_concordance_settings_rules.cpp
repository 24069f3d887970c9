#include "shell/settings/concordance_settings_rules.h"

#include <gtest/gtest.h>

#include "model/text_reader_test_support.h"
#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/settings_store.h"

namespace {

constexpr uint8_t kTool = 1;

class ConcordanceSettingsRulesTest : public testing::Test {
 protected:
  text_reader_test::ScopedSettings settings;
};

TConcordanceSettingsChoice Changed() {
  TConcordanceSettingsChoice c;
  c.colloc_left = 3;
  c.colloc_right = 0;
  c.min_collocate_frequency = 2;
  c.min_collocate_length = 4;
  c.collocates_case_sensitive = true;
  c.collocate_stop_list = true;
  c.characters_per_line = 120;
  c.context_stop = 2;
  c.lines_per_search_word = 50;
  c.skip_punctuation = true;
  c.remove_duplicates = true;
  c.sampling = true;
  c.sampling_range = 10;
  c.text_output_characters = 80;
  c.search_word_marker = u"#";
  c.context_word_marker = u"@";
  c.save_text_file_details = true;
  c.collocate_zero_positions = true;
  c.plot_rows_by_text = true;
  c.min_collocate_texts = 2;
  c.search_words_together = true;
  c.keep_numbers = true;
  c.close_hits_gap = 3;
  c.multi_word_tag = u"<mwu>";
  return c;
}

}  // namespace

TEST_F(ConcordanceSettingsRulesTest, TheDefaultsShowAsTheRunReadsThem) {
  const TConcordanceSettingsChoice now = CurrentConcordanceSettings(kTool);
  EXPECT_EQ(now.colloc_left, 5);
  EXPECT_EQ(now.colloc_right, 5);
  EXPECT_EQ(now.min_collocate_frequency, 5);
  EXPECT_EQ(now.characters_per_line, 1000);
  EXPECT_EQ(now.lines_per_search_word, 0);  // the stored "no limit"
  EXPECT_FALSE(now.sampling);
  EXPECT_EQ(now.min_collocate_texts, 1);
  EXPECT_EQ(now.close_hits_gap, -1);  // the rule off
  EXPECT_FALSE(now.search_words_together);
  EXPECT_FALSE(now.keep_numbers);
  EXPECT_TRUE(now.multi_word_tag.empty());
}

TEST_F(ConcordanceSettingsRulesTest, WhatIsAppliedIsReadWhereTheRunLooks) {
  const TConcordanceSettingsChoice c = Changed();
  ASSERT_TRUE(ApplyConcordanceSettings(kTool, c).empty());
  EXPECT_EQ(CurrentConcordanceSettings(kTool), c);
  const TConcSettingsRec32 r = GetConcSaveRec();
  EXPECT_EQ(r.CollocHorizonLeft(), 3);
  EXPECT_EQ(r.CollocHorizonRight(), 0);
  EXPECT_EQ(GetConcSaveRecCollocHorizons().left, 3);
  EXPECT_EQ(r.MinCollocateFrequency(), 2);
  EXPECT_EQ(r.MinWordLength(), 4);
  EXPECT_TRUE(r.CollocatesCaseSensitive());
  EXPECT_TRUE(r.CollocateStopList());
  EXPECT_EQ(r.CharactersPerLine(), 120);
  EXPECT_EQ(r.ContextStop(), 2);
  EXPECT_EQ(r.WantedPerSearchWord(), 50);
  EXPECT_TRUE(r.SkipPunctuation());
  EXPECT_TRUE(GetRemoveDuplicatesAutomatically(kTool));
  EXPECT_FALSE(GetRemoveDuplicatesAutomatically(2));  // another tool's own switch
  EXPECT_TRUE(GetRandomising());
  EXPECT_EQ(GetRandomRange(), 10);
  EXPECT_EQ(GetConcCharactersForTextOnly(), 80);
  EXPECT_EQ(GetConc_SW_TXT_Marker(), u"#");
  EXPECT_EQ(GetConc_Context_W_TXT_Marker(), u"@");
  EXPECT_TRUE(GetPostProcessSaveFilenames());
  EXPECT_TRUE(r.CollocateExtraColumnsComputed());
  EXPECT_EQ(r.PlotRowOrder(), 1);
  EXPECT_EQ(r.MinCollocateTexts(), 2);
  EXPECT_TRUE(r.CollocateSearchWordsTogether());
  EXPECT_EQ(r.AllowedLastWordGap(), 3);
  EXPECT_TRUE(GetTextSettings().NumbersIncluded());
  EXPECT_EQ(GetWordlistClusterTag(), u"<mwu>");

  // No limit again is stored as the run's own "no limit", and sampling off keeps its range.
  TConcordanceSettingsChoice again = c;
  again.lines_per_search_word = 0;
  again.sampling = false;
  ASSERT_TRUE(ApplyConcordanceSettings(kTool, again).empty());
  EXPECT_EQ(GetConcSaveRec().WantedPerSearchWord(), 0x7FFFFFFF);
  EXPECT_FALSE(GetRandomising());
  EXPECT_EQ(GetRandomRange(), 10);

  // The close-hits rule off again, and no multi-word unit tag.
  again.close_hits_gap = -1;
  again.multi_word_tag.clear();
  ASSERT_TRUE(ApplyConcordanceSettings(kTool, again).empty());
  EXPECT_EQ(GetConcSaveRec().AllowedLastWordGap(), -1);
  EXPECT_EQ(GetWordlistClusterTag(), u"");
}

// A filter library named bare is looked for in the settings' folder, as the run looks for it.
TEST_F(ConcordanceSettingsRulesTest, AFilterLibraryIsFoundWhereTheRunLooks) {
  const UString library = SharedSettingsStore().Folder() + u"my_filter.so";
  const std::string bytes = "not really a library";
  ASSERT_TRUE(SafeSaveBytes(library, bytes.data(), static_cast<int64_t>(bytes.size())));
  TConcordanceSettingsChoice c = Changed();
  c.user_filter = true;
  c.user_filter_library = u"my_filter.so";
  ASSERT_TRUE(ApplyConcordanceSettings(kTool, c).empty());
  EXPECT_TRUE(GetUseUserFilter());
  EXPECT_EQ(GetUserDLLFullName(), library);
}

// Fields the dialog does not show stay as they were (the search word, the context horizons).
TEST_F(ConcordanceSettingsRulesTest, OtherFieldsOfTheRecordStay) {
  TConcSettingsRec32 r = GetConcSaveRec();
  r.SetSearchWord(u"river");
  r.SetContextHorizons({2, 7});
  SetConcSaveRec(r);
  ASSERT_TRUE(ApplyConcordanceSettings(kTool, Changed()).empty());
  EXPECT_EQ(GetConcSaveRec().SearchWord(), u"river");
  EXPECT_EQ(GetConcSaveRec().ContextHorizonRight(), 7);
}

TEST_F(ConcordanceSettingsRulesTest, BadValuesAreRefusedByFieldAndNothingIsWritten) {
  struct Case {
    void (*spoil)(TConcordanceSettingsChoice&);
    const char16_t* named;
  };
  const Case cases[] = {
      {[](TConcordanceSettingsChoice& c) { c.colloc_left = -1; }, u"Collocate horizon, left: -1"},
      {[](TConcordanceSettingsChoice& c) { c.colloc_right = 26; }, u"Collocate horizon, right: 26"},
      {[](TConcordanceSettingsChoice& c) { c.min_collocate_frequency = 0; }, u"Least collocate frequency"},
      {[](TConcordanceSettingsChoice& c) { c.min_collocate_frequency = 65536; }, u"Least collocate frequency"},
      {[](TConcordanceSettingsChoice& c) { c.min_collocate_length = 0; }, u"Least collocate length"},
      {[](TConcordanceSettingsChoice& c) { c.characters_per_line = 19; }, u"Characters per line"},
      {[](TConcordanceSettingsChoice& c) { c.characters_per_line = 32001; }, u"Characters per line"},
      {[](TConcordanceSettingsChoice& c) { c.context_stop = 7; }, u"Context word search stops"},
      {[](TConcordanceSettingsChoice& c) { c.lines_per_search_word = -5; }, u"Lines per search word"},
      {[](TConcordanceSettingsChoice& c) { c.sampling_range = 1; }, u"Sampling"},
      {[](TConcordanceSettingsChoice& c) { c.text_output_characters = -1; }, u"Characters of a line in text output"},
      {[](TConcordanceSettingsChoice& c) { c.search_word_marker = UString(21, u'#'); }, u"Search word marker"},
      {[](TConcordanceSettingsChoice& c) { c.min_collocate_texts = 0; }, u"Least collocate texts: 0"},
      {[](TConcordanceSettingsChoice& c) { c.min_collocate_texts = 256; }, u"Least collocate texts: 256"},
      {[](TConcordanceSettingsChoice& c) { c.close_hits_gap = -2; }, u"Close hits within (words): -2"},
      {[](TConcordanceSettingsChoice& c) { c.close_hits_gap = 1001; }, u"Close hits within (words): 1001"},
      {[](TConcordanceSettingsChoice& c) { c.multi_word_tag = u"mwu"; }, u"Multi-word unit tag: \"mwu\""},
      {[](TConcordanceSettingsChoice& c) { c.multi_word_tag = u"</mwu>"; }, u"Multi-word unit tag: \"</mwu>\""},
      {[](TConcordanceSettingsChoice& c) { c.multi_word_tag = u"<m w>"; }, u"Multi-word unit tag: \"<m w>\""},
      {[](TConcordanceSettingsChoice& c) { c.multi_word_tag = u"<>"; }, u"Multi-word unit tag: \"<>\""},
      {[](TConcordanceSettingsChoice& c) { c.multi_word_tag = u"<" + UString(40, u'm') + u">"; },
       u"Multi-word unit tag: longer than 40"},
      {[](TConcordanceSettingsChoice& c) { c.user_filter = true; }, u"User filter: switched on, but no library"},
      {[](TConcordanceSettingsChoice& c) {
         c.user_filter = true;
         c.user_filter_library = u"no_such_filter.so";
       },
       u"User filter: the library \"no_such_filter.so\" does not exist"},
  };
  const TConcordanceSettingsChoice before = CurrentConcordanceSettings(kTool);
  for (const Case& k : cases) {
    TConcordanceSettingsChoice c = Changed();
    k.spoil(c);
    const std::vector<UString> problems = ApplyConcordanceSettings(kTool, c);
    ASSERT_EQ(problems.size(), 1u) << Utf16ToUtf8(k.named);
    EXPECT_EQ(problems[0].rfind(k.named, 0), 0u) << Utf16ToUtf8(problems[0]);
    EXPECT_EQ(CurrentConcordanceSettings(kTool), before) << Utf16ToUtf8(k.named);
  }
  // A range is not checked while sampling is off.
  TConcordanceSettingsChoice off = Changed();
  off.sampling = false;
  off.sampling_range = 0;
  EXPECT_TRUE(ApplyConcordanceSettings(kTool, off).empty());
}
