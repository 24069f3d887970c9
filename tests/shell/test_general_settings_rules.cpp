#include "shell/settings/general_settings_rules.h"

#include <gtest/gtest.h>

#include "model/text_reader_test_support.h"
#include "shell/main_window/main_window_rules.h"

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
