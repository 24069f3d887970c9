// The run's question whether a UTF-8 text is saved as Unicode: one question a text until an
// answer for all, which also stops later runs from asking.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/runtime/vx_dialogs.h"
#include "platform/settings/settings_access.h"
#include "shell/main_window/main_window_rules.h"
#include "support/temp_folder.h"

namespace {

class Utf8Question : public testing::Test {
 protected:
  void SetUp() override {
    setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(dir.Path() + u"config").c_str(), 1);
    ResetSettingsStoreForTests();
    SetDialogService(&dialogs);
    SetTextConversionOptions(4 | 8 | 1);
  }
  void TearDown() override {
    SetDialogService(nullptr);
    unsetenv("LINZORA_CONFIG_DIR");
    ResetSettingsStoreForTests();
  }
  TempFolder dir;
  THeadlessDialogService dialogs;
};

}  // namespace

TEST_F(Utf8Question, AnswersForOneTextOrForTheRestOfTheRun) {
  struct Case {
    const char* name;
    std::vector<int> answers;         // given to the questions, in order
    std::vector<bool> converted;      // per text of a run of three
    int asked;
    uint32_t options_after;
  } cases[] = {
      {"one by one", {mrYes, mrNo, mrYes}, {true, false, true}, 3, 4 | 8 | 1},
      {"yes to all at the second", {mrNo, mrYesToAll}, {false, true, true}, 2, 8 | 1},
      {"no to all at once", {mrNoToAll}, {false, false, false}, 1, 8 | 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetTextConversionOptions(4 | 8 | 1);
    dialogs.Clear();
    for (int a : c.answers) dialogs.Script({a});
    const auto ask = Utf8ConversionQuestion();
    std::vector<bool> converted;
    for (const char16_t* text : {u"/t/a.txt", u"/t/b.txt", u"/t/c.txt"}) converted.push_back(ask(text));
    EXPECT_EQ(converted, c.converted);
    ASSERT_EQ(static_cast<int>(dialogs.Asked().size()), c.asked);
    for (const TVXQuestion& q : dialogs.Asked()) EXPECT_EQ(q.id, TVXDialog::OKtoSaveXInUnicode);
    EXPECT_NE(dialogs.Asked()[0].text.find(u"/t/a.txt"), UString::npos);
    EXPECT_EQ(GetTextConversionOptions(), c.options_after);
  }
  // A new run's question starts afresh.
  dialogs.Clear();
  dialogs.Script({mrYes});
  EXPECT_TRUE(Utf8ConversionQuestion()(u"/t/d.txt"));
  EXPECT_EQ(dialogs.Asked().size(), 1u);
}
