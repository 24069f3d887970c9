// After a concordance with coloured tags is opened while a tag file is in use: the tag colour
// chooser shows the document's tags, the user is asked whether tags go before their words, the
// tool bar's tag buttons show, and the idle step names the tag file's entries.
#include <QToolButton>

#include "model/reading/tag_lists.h"
#include "platform/settings/settings_records.h"
#include "shell/qt/shell_menu_bar.h"
#include "shell/qt/vx_status_bar.h"
#include "window/main_road_support.h"
#include "window/window_test_support.h"

namespace {

class AfterRunTags : public MainRoadTest {
 protected:
  // A concordance of texts with <p> tags whose saved tags are coloured, opened from the command
  // line while a tag file keeps those tags; the tags-as-prefix question gets the answer given.
  void OpenTaggedConcordance(int answer_prefix_question) {
    const UString a = dir.Write(u"corpus/a.txt", "<p>The river runs by the mill.</p>\n<p>A river again.</p>\n");
    const UString b = dir.Write(u"corpus/b.txt", "<p>No water here but the river.</p>\n");
    const UString tag_file = dir.Write(u"tags.txt", "<p> /colour=\"red\"\n</p> /colour=\"red\"\n");
    TTagsToKeepList tags(0x0409, 1252);
    ASSERT_TRUE(tags.ReadFromUserSpecifiedFile(tag_file));
    ASSERT_TRUE(tags.SavedToTempfile());
    SetTagsWanted(tags.Count());
    SetTagModified(true);
    Start();
    start_line = Main().Status()->PanelText(10);
    HandOverTexts({a, b});
    RunFromWizard(u"river");
    ASSERT_NE(Main().Doc(), nullptr);
    std::vector<TVisibleTagRec>& saved = Main().Doc()->fArrayOfSavedTags;
    saved.resize(2);
    for (size_t i = 0; i < saved.size(); ++i) {
      saved[i].tag = i == 0 ? u"<p>" : u"</p>";
      saved[i].foreground_colour = 0x0000FF;
      saved[i].background_colour = DefaultTagBackgroundColour();
    }
    const UString name = dir.Path() + u"tagged.cnc";
    ASSERT_TRUE(Main().SaveDataToFile(Main().ConcordanceGrid(), name));
    dialogs.Clear();
    dialogs.Script({answer_prefix_question});
    Start({name});
    ASSERT_TRUE(WaitUntil([this] { return Main().HasData(); }));
    QTest::qWait(20);
  }
  QString start_line;  // the status line the start-up idle step left
};

TEST_F(AfterRunTags, ChooserPrefixQuestionTagButtonsAndTagFileLine) {
  OpenTaggedConcordance(mrYes);
  ASSERT_FALSE(Main().Doc()->fArrayOfSavedTags.empty());
  ASSERT_NE(Main().TagColourChooser(), nullptr);
  EXPECT_TRUE(Main().TagColourChooser()->isVisible());
  EXPECT_TRUE(WasAsked(TVXDialog::TreatTagsAsPrefixInQ));
  // Yes: tags before their words, in the document, the menu and the stored choice.
  EXPECT_EQ(Main().Doc()->TagDisplay, 1);
  EXPECT_EQ(GetTagPreferences().TagDisplay(), 1);
  EXPECT_TRUE(GetMenuItemChecked(220));
  EXPECT_FALSE(Main().findChild<QToolButton*>(QStringLiteral("AdvGlowButtonUndefinedTags"))->isHidden());
  EXPECT_FALSE(Main().findChild<QToolButton*>(QStringLiteral("AdvGlowButtonTagFileTags"))->isHidden());
  EXPECT_EQ(start_line, QStringLiteral("Tag file: 2 entries found"));
  // The tag button clicks its menu item: the caption turns to "Show".
  const QString before = Main().findChild<QToolButton*>(QStringLiteral("AdvGlowButtonUndefinedTags"))->text();
  Main().findChild<QToolButton*>(QStringLiteral("AdvGlowButtonUndefinedTags"))->click();
  EXPECT_NE(Main().findChild<QToolButton*>(QStringLiteral("AdvGlowButtonUndefinedTags"))->text(), before);
  // Tag List (colours) toggles the chooser: it shows, so the command hides it.
  Main().HandleMenuCommand(77, u"");
  QTest::qWait(10);
  EXPECT_FALSE(Main().TagColourChooser()->isVisible());
  // Closing the data hides the buttons.
  dialogs.Script({mrNo});
  Main().HandleMenuCommand(26, u"");
  EXPECT_TRUE(WaitUntil([this] { return !Main().HasData(); }, 3000));
  EXPECT_TRUE(Main().findChild<QToolButton*>(QStringLiteral("AdvGlowButtonUndefinedTags"))->isHidden());
}

TEST_F(AfterRunTags, NoKeepsTheTagDisplay) {
  OpenTaggedConcordance(mrNo);
  EXPECT_TRUE(WasAsked(TVXDialog::TreatTagsAsPrefixInQ));
  EXPECT_NE(GetTagPreferences().TagDisplay(), 1);
  EXPECT_FALSE(GetMenuItemChecked(220));
}

}  // namespace
