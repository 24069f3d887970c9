#include "shell/settings/general_settings_rules.h"

#include <gtest/gtest.h>

#include "model/text_reader_test_support.h"
#include "platform/settings/settings_access.h"
#include "platform/rtl/files.h"
#include "shell/main_window/main_window_rules.h"
#include "support/temp_folder.h"

namespace {

class GeneralSettingsRulesTest : public testing::Test {
 protected:
  text_reader_test::ScopedSettings settings;
};

}  // namespace

TEST_F(GeneralSettingsRulesTest, ChoicesRoundTripAndOtherStartUpBitsStay) {
  SetStartupOptions(1);  // a bit this dialog does not show
  const TGeneralSettingsChoice chosen{false, kMostAutoSaveMinutes, true, int(TFileDialogKind::Desktop)};
  EXPECT_TRUE(ApplyGeneralSettings(chosen).empty());
  EXPECT_EQ(CurrentGeneralSettings(), chosen);
  EXPECT_FALSE(GetAskWhetherToSaveModifiedData());
  EXPECT_EQ(GetAutoSaveMinutes(), kMostAutoSaveMinutes);
  EXPECT_EQ(GetStartupOptions(), 1 | kStartupReopensLastFile);
  EXPECT_EQ(GetOpenAndSaveDialogOption(), 1);

  EXPECT_TRUE(ApplyGeneralSettings({true, 0, false, 0}).empty());
  EXPECT_EQ(GetStartupOptions(), 1);
  EXPECT_TRUE(GetAskWhetherToSaveModifiedData());
}

TEST_F(GeneralSettingsRulesTest, BadValuesAreNamedAndNothingIsStored) {
  struct Case {
    TGeneralSettingsChoice choice;
    const char16_t* field;
  };
  const Case cases[] = {
      {{false, -1, true, 0}, u"Auto-save every: -1 minutes is not from 0 to 1440"},
      {{false, kMostAutoSaveMinutes + 1, true, 0}, u"Auto-save every: 1441 minutes"},
      {{false, 5, true, 2}, u"Open and save dialogs: 2 is no choice"},
      {{false, 5, true, -1}, u"Open and save dialogs: -1 is no choice"},
  };
  const TGeneralSettingsChoice before = CurrentGeneralSettings();
  for (const Case& c : cases) {
    const std::vector<UString> problems = ApplyGeneralSettings(c.choice);
    ASSERT_EQ(problems.size(), 1u) << Utf16ToUtf8(c.field);
    EXPECT_NE(problems[0].find(c.field), UString::npos) << Utf16ToUtf8(problems[0]);
    EXPECT_EQ(CurrentGeneralSettings(), before);
  }
}

// The texts' switches are stored where the file checks, the hand-over of texts and the run's
// UTF-8 question read them; asking again after "No to all" or "Yes to all" sets both bits the
// question needs, and the conversion bits this dialog does not show stay.
TEST_F(GeneralSettingsRulesTest, TextSwitchesReachWhatTheRunReads) {
  struct Case {
    uint32_t stored;    // the conversion options before
    bool shown;         // the question as the dialog shows it
    bool ask;           // as chosen
    uint32_t after;
  };
  const Case cases[] = {
      {4 | 8, true, true, 4 | 8},             // the defaults
      {8, false, true, 4 | 8},                // silenced by a "to all" answer, asked again
      {8 | 1, false, true, 4 | 8 | 1},        // another bit stays
      {4 | 8 | 2, true, false, 8 | 2},        // switched off as "No to all" leaves it
      {4, false, true, 4 | 8},                // may ask but was not to: asks
      {0, false, false, 0},
  };
  for (const Case& k : cases) {
    SetTextConversionOptions(k.stored);
    TGeneralSettingsChoice c = CurrentGeneralSettings();
    EXPECT_EQ(c.ask_about_utf8, k.shown) << k.stored;
    c.ask_about_utf8 = k.ask;
    ASSERT_TRUE(ApplyGeneralSettings(c).empty());
    EXPECT_EQ(GetTextConversionOptions(), k.after) << k.stored;
  }
  TGeneralSettingsChoice c = CurrentGeneralSettings();
  EXPECT_FALSE(c.check_network_texts);
  EXPECT_FALSE(c.three_letter_extensions_only);
  c.check_network_texts = true;
  c.three_letter_extensions_only = true;
  ASSERT_TRUE(ApplyGeneralSettings(c).empty());
  EXPECT_TRUE(GetUNCNetworkFilesChecking());
  EXPECT_TRUE(GetRestrictTo3LetterExtensions());
  EXPECT_EQ(CurrentGeneralSettings(), c);
}

// The log, the save question of a run made for another tool and the dead keys are stored as
// chosen; a log without a file, or into a folder, is refused naming the field, storing nothing.
TEST_F(GeneralSettingsRulesTest, LogRunQuestionAndDeadKeysAreStoredOrRefused) {
  TempFolder dir;
  TGeneralSettingsChoice c = CurrentGeneralSettings();
  EXPECT_FALSE(c.logging);
  EXPECT_TRUE(c.ask_to_save_run);
  EXPECT_FALSE(c.dead_keys);
  c.logging = true;
  c.log_file = u"  " + dir.Path() + u"new folder/run.log ";  // blanks around are not part of the name
  c.ask_to_save_run = false;
  c.dead_keys = true;
  ASSERT_TRUE(ApplyGeneralSettings(c).empty());
  EXPECT_TRUE(GetLogging());
  EXPECT_EQ(GetTheLogFilename(), dir.Path() + u"new folder/run.log");
  EXPECT_TRUE(FileExists(dir.Path() + u"new folder/run.log"));  // made, as keeping the log makes it
  EXPECT_FALSE(GetAskWhetherToSaveRunConcData());
  EXPECT_TRUE(GetDeadKeyListCustomised());
  const TGeneralSettingsChoice stored = CurrentGeneralSettings();
  EXPECT_EQ(stored.log_file, dir.Path() + u"new folder/run.log");

  struct Case {
    UString file;
    const char16_t* said;
  } cases[] = {{u"", u"Log file: name the file"}, {u"   ", u"Log file: name the file"}, {dir.Path(), u"cannot be written"}};
  for (const Case& k : cases) {
    TGeneralSettingsChoice bad = stored;
    bad.log_file = k.file;
    bad.dead_keys = false;
    const std::vector<UString> problems = ApplyGeneralSettings(bad);
    ASSERT_EQ(problems.size(), 1u) << Utf16ToUtf8(k.file);
    EXPECT_NE(problems[0].find(k.said), UString::npos) << Utf16ToUtf8(problems[0]);
    EXPECT_EQ(CurrentGeneralSettings(), stored);
  }
  // Switched off, the file may be left unnamed.
  TGeneralSettingsChoice off = stored;
  off.logging = false;
  off.log_file.clear();
  EXPECT_TRUE(ApplyGeneralSettings(off).empty());
  EXPECT_FALSE(GetLogging());
}
