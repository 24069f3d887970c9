// After a run over tagged texts while a tag file is in use: the document keeps the tag file's
// tags (and a saved concordance keeps them), the tag colour chooser shows them, the user is asked
// whether tags go before their words, the tool bar's tag buttons show, the idle step names the
// tag file's entries, and collocate rows show the tag their word came under in its colour.
#include <QListWidget>
#include <QToolButton>

#include "concordance/views/collocates_list.h"
#include "model/reading/tag_lists.h"
#include "platform/settings/settings_records.h"
#include "shell/qt/shell_menu_bar.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/vx_status_bar.h"
#include "windows/tag_colour_chooser.h"
#include "window/main_road_support.h"
#include "window/window_test_support.h"

namespace {

constexpr int32_t kRed = 0x0000FF;   // as the store keeps it: 0x00BBGGRR
constexpr int32_t kBlue = 0xFF0000;

class AfterRunTags : public MainRoadTest {
 protected:
  // Texts with <p> tags concordanced from the wizard while a tag file keeps those tags in red.
  void RunOverTaggedTexts(int answer_prefix_question) {
    const UString a = dir.Write(u"corpus/a.txt", "<p>The river runs by the mill.</p>\n<p>A river again.</p>\n");
    const UString b = dir.Write(u"corpus/b.txt", "<p>No water here but the river.</p>\n");
    UseTagFile("<p> /colour=\"red\"\n</p> /colour=\"red\"\n");
    Start();
    start_line = Main().Status()->PanelText(10);
    HandOverTexts({a, b});
    dialogs.Clear();
    dialogs.Script({answer_prefix_question});
    RunFromWizard(u"river");
    ASSERT_NE(Main().Doc(), nullptr);
    DeliverPendingEvents();
  }
  static std::vector<std::pair<UString, int32_t>> TagsOf(const T_WholeLinzoraHolder& doc) {
    std::vector<std::pair<UString, int32_t>> tags;
    for (const TVisibleTagRec& t : doc.fArrayOfSavedTags) tags.emplace_back(t.tag, t.foreground_colour);
    return tags;
  }
  QToolButton* Button(const char* name) { return Main().findChild<QToolButton*>(QString::fromLatin1(name)); }
  QString start_line;  // the status line the start-up idle step left
};

const std::vector<std::pair<UString, int32_t>> kRedParagraphs = {{u"<p>", kRed}, {u"</p>", kRed}};

TEST_F(AfterRunTags, RunKeepsTheTagFileTagsAndTheChooserShowsThem) {
  RunOverTaggedTexts(mrYes);
  EXPECT_EQ(TagsOf(*Main().Doc()), kRedParagraphs);
  ASSERT_NE(Main().TagColourChooser(), nullptr);
  EXPECT_TRUE(Main().TagColourChooser()->isVisible());
  SaveScreenshot(*Main().TagColourChooser(), QStringLiteral("commands/tag_colour_chooser_after_run"));
  auto* chooser = qobject_cast<TFormTagColourChooser*>(Main().TagColourChooser());
  ASSERT_NE(chooser, nullptr);
  ASSERT_EQ(chooser->List()->count(), 2);
  EXPECT_EQ(chooser->List()->item(0)->text(), QStringLiteral("<p>"));
  EXPECT_EQ(chooser->List()->item(0)->foreground().color(), QColor(Qt::red));
  EXPECT_TRUE(WasAsked(TVXDialog::TreatTagsAsPrefixInQ));
  // Yes: tags before their words, in the document, the menu and the stored choice.
  EXPECT_EQ(Main().Doc()->TagDisplay, 1);
  EXPECT_EQ(GetTagPreferences().TagDisplay(), 1);
  EXPECT_TRUE(GetMenuItemChecked(220));
  EXPECT_FALSE(Button("AdvGlowButtonUndefinedTags")->isHidden());
  EXPECT_FALSE(Button("AdvGlowButtonTagFileTags")->isHidden());
  EXPECT_EQ(start_line, QStringLiteral("Tag file: 2 entries found"));
  // The tag button clicks its menu item: the caption turns to "Show".
  const QString before = Button("AdvGlowButtonUndefinedTags")->text();
  Button("AdvGlowButtonUndefinedTags")->click();
  EXPECT_NE(Button("AdvGlowButtonUndefinedTags")->text(), before);
  // Tag List (colours) toggles the chooser: it shows, so the command hides it.
  Main().HandleMenuCommand(77, u"");
  DeliverPendingEvents();
  EXPECT_FALSE(Main().TagColourChooser()->isVisible());
  // Closing the data hides the buttons.
  dialogs.Script({mrNo});
  Main().HandleMenuCommand(26, u"");
  EXPECT_TRUE(WaitUntil([this] { return !Main().HasData(); }));
  EXPECT_TRUE(Button("AdvGlowButtonUndefinedTags")->isHidden());
}

TEST_F(AfterRunTags, SavedConcordanceKeepsItsTagsWhenTheTagFileChanged) {
  RunOverTaggedTexts(mrNo);
  const UString name = dir.Path() + u"tagged.cnc";
  ASSERT_TRUE(Main().SaveDataToFile(Main().ConcordanceGrid(), name));
  // Another tag file meanwhile: the document opened keeps the tags it was made with.
  UseTagFile("<q> /colour=\"blue\"\n");
  dialogs.Clear();
  dialogs.Script({mrNo});
  Start({name});
  ASSERT_TRUE(WaitUntil([this] { return Main().HasData(); }));
  DeliverPendingEvents();
  EXPECT_EQ(TagsOf(*Main().Doc()), kRedParagraphs);
  ASSERT_NE(Main().TagColourChooser(), nullptr);
  EXPECT_TRUE(Main().TagColourChooser()->isVisible());
  EXPECT_TRUE(WasAsked(TVXDialog::TreatTagsAsPrefixInQ));
  // Insert Tags takes the colours the tag file now gives its tags (here: none of them).
  Main().HandleMenuCommand(73, u"");
  EXPECT_FALSE(WasAsked(TVXDialog::PleaseLoadTags));
  EXPECT_EQ(TagsOf(*Main().Doc()), kRedParagraphs);
  UseTagFile("<p> /colour=\"blue\"\n</p> /colour=\"blue\"\n");
  Main().HandleMenuCommand(73, u"");
  EXPECT_EQ(TagsOf(*Main().Doc()), (std::vector<std::pair<UString, int32_t>>{{u"<p>", kBlue}, {u"</p>", kBlue}}));
}

TEST_F(AfterRunTags, NoKeepsTheTagDisplay) {
  RunOverTaggedTexts(mrNo);
  EXPECT_TRUE(WasAsked(TVXDialog::TreatTagsAsPrefixInQ));
  EXPECT_NE(GetTagPreferences().TagDisplay(), 1);
  EXPECT_FALSE(GetMenuItemChecked(220));
}

TEST_F(AfterRunTags, WithoutATagFileNothingIsAskedOrShown) {
  const UString a = dir.Write(u"corpus/a.txt", "<p>The river runs by the mill.</p>\n");
  Start();
  HandOverTexts({a});
  dialogs.Clear();
  RunFromWizard(u"river");
  ASSERT_NE(Main().Doc(), nullptr);
  DeliverPendingEvents();
  EXPECT_TRUE(Main().Doc()->fArrayOfSavedTags.empty());
  EXPECT_FALSE(WasAsked(TVXDialog::TreatTagsAsPrefixInQ));
  EXPECT_TRUE(Main().TagColourChooser() == nullptr || !Main().TagColourChooser()->isVisible());
  EXPECT_TRUE(Button("AdvGlowButtonTagFileTags")->isHidden());
}

// The collocates page: each row's Set column shows the tag its word came under, in its colour.
TEST_F(AfterRunTags, CollocateRowsShowTheirWordsTagInTheSetColumn) {
  const UString a = dir.Write(u"corpus/a.txt", "The <V>old</V> <N>cat</N> sat.\n");
  const UString b = dir.Write(u"corpus/b.txt", "A <N>cat</N> sat.\n");
  UseTagFile("<N> /colour=\"red\"\n</N> /colour=\"red\"\n<V> /colour=\"blue\"\n</V> /colour=\"blue\"\n");
  // Every word near "sat" is a collocate, however seldom met.
  TConcSettingsRec32 rec = GetConcSaveRec();
  rec.SetMinCollocateFrequency(1);
  rec.SetMinCollocateTexts(1);
  SetConcSaveRec(rec);
  Start();
  HandOverTexts({a, b});
  dialogs.Clear();
  RunFromWizard(u"sat");
  ASSERT_NE(Main().Doc(), nullptr);
  ASSERT_EQ(Main().Doc()->fConcordanceList->Count(), 2);
  TVX_Grid* grid = TurnTo("Collocates");
  ASSERT_NE(grid, nullptr);
  auto* list = dynamic_cast<TCollocateList*>(Main().Doc()->fCollocateList.get());
  ASSERT_NE(list, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return list->Count() > 0 && grid->RowCount() == list->Count(); }));
  auto* model = dynamic_cast<TVXGridModel*>(grid->model());
  ASSERT_NE(model, nullptr);
  int set_section = -1;
  for (int s = 0; s < model->columnCount({}); ++s)
    if (grid->ListColumnOfSection(s) == list->PredefinedSetColumnNumber()) set_section = s;
  ASSERT_GE(set_section, 0);
  struct Shown {
    QString category;
    bool coloured;
    uint32_t colour;
    bool operator==(const Shown&) const = default;
  };
  std::map<UString, Shown> shown;
  for (int r = 0; r < list->Count(); ++r) {
    const QModelIndex cell = model->index(r, set_section);
    const TGrid_data_rec& rec = model->CellAt(cell);
    shown[list->Row(r)->rec.word.value_or(u"")] = {model->data(cell, Qt::DisplayRole).toString(), rec.has_text_colour, rec.text_colour};
  }
  EXPECT_EQ(shown.at(u"CAT"), (Shown{QStringLiteral("<N>"), true, static_cast<uint32_t>(kRed)}));
  EXPECT_EQ(shown.at(u"OLD"), (Shown{QStringLiteral("<V>"), true, static_cast<uint32_t>(kBlue)}));
  for (const char16_t* untagged : {u"THE", u"A", u"SAT"}) {
    EXPECT_EQ(shown.at(untagged).category, QString()) << Utf16ToUtf8(untagged);
    EXPECT_FALSE(shown.at(untagged).coloured) << Utf16ToUtf8(untagged);
  }
  grid->SelectCell(1, list->PredefinedSetColumnNumber());
  SaveScreenshot(Main(), QStringLiteral("commands/collocates_tag_categories"));
}

}  // namespace
