// The text and list settings that runs read, set through the program's Settings menu: accents
// composed onto their letters (Font), how word lists count tagged words (Tags, read by the
// word-list tool), and the match list's typed words (Stop-, Lemma- && Matchlists, also opened by
// Compute > Matches > set up match method).
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>

#include "model/documents/work_base.h"
#include "shell/qt/settings_dialogs.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/tag_settings_dialog.h"
#include "window/settings_dialog_road.h"

namespace {

constexpr int kFontMenuItem = 61;
constexpr int kTagsMenuItem = 64;
constexpr int kListsMenuItem = 65;
constexpr int kSetUpMatchMethod = 158;
constexpr int kMarkAnyMatches = 7;

class TextAndListSettingsRoad : public SettingsDialogRoad {
 protected:
  void Trigger(int tag) {
    QAction* item = Main().Menus()->ActionOfTag(tag);
    ASSERT_NE(item, nullptr);
    item->trigger();
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }
  // The words of the grid's rows marked as matched.
  static std::vector<UString> MatchedWords(TVX_Grid& grid) {
    std::vector<UString> out;
    auto* list = static_cast<TVXBaseLemmaMatchCapableList*>(grid.List());
    for (int i = 0; i < list->Count(); ++i)
      if (list->GetMatched(i)) out.push_back(list->Get(i)->GetAWordAsString(1));
    return out;
  }
  // The word-list tool run as a user runs it over the folder: its summary line.
  std::string WordListSummary(const UString& folder) {
    QProcess tool;
    tool.start(QStringLiteral(LINZORA_WORDLIST_PROGRAM),
               {QStringLiteral("list"), ToQString(folder), QStringLiteral("-o"), ToQString(dir.Path() + u"words.lst")});
    EXPECT_TRUE(tool.waitForFinished(60000));
    return tool.readAllStandardOutput().toStdString();
  }
};

TEST_F(TextAndListSettingsRoad, ADecomposedAccentIsFoundByThePrecomposedWordOnlyWhenChosen) {
  Start();
  // "café" written as e followed by the combining acute accent.
  HandOverTexts({dir.Write(u"texts/menu.txt", "We met at the cafe\xCC\x81 by the bridge.\n")});
  EXPECT_EQ(LinesFor(u"caf\u00E9"), 0);
  ASSERT_EQ(ThroughTheMenu<TFontSettingsDialog>(kFontMenuItem,
                                                [](TFontSettingsDialog& d) {
                                                  EXPECT_FALSE(d.Precomposed()->isChecked());
                                                  d.Precomposed()->setChecked(true);
                                                  d.show();
                                                  SettingsShot(d, "font");
                                                  d.accept();
                                                }),
            int(QDialog::Accepted));
  EXPECT_TRUE(GetTextSettings().PrecomposedCharacters());
  EXPECT_EQ(LinesFor(u"caf\u00E9"), 1);
  // Cancel leaves the choice as it was.
  ThroughTheMenu<TFontSettingsDialog>(kFontMenuItem, [](TFontSettingsDialog& d) {
    EXPECT_TRUE(d.Precomposed()->isChecked());
    d.Precomposed()->setChecked(false);
    d.reject();
  });
  EXPECT_TRUE(GetTextSettings().PrecomposedCharacters());
}

TEST_F(TextAndListSettingsRoad, TheTagTreatmentChangesTheWordListTheWordListToolMakes) {
  Start();
  const UString texts = dir.Path() + u"tagged/";
  dir.Write(u"tagged/pos.txt", "<n>cat <v>runs <n>dog <v>runs <n>cat <v>sleeps\n");
  // The part-of-speech tags kept; words counted alone: cat, runs, dog, sleeps.
  ThroughTheMenu<TTagSettingsDialog>(kTagsMenuItem, [](TTagSettingsDialog& d) {
    d.KeepBox()->setPlainText(QStringLiteral("<n>\n<v>"));
    d.accept();
  });
  const std::string words = WordListSummary(texts);
  EXPECT_NE(words.find(": 4 words"), std::string::npos) << words;
  ASSERT_EQ(ThroughTheMenu<TTagSettingsDialog>(kTagsMenuItem,
                                               [](TTagSettingsDialog& d) {
                                                 EXPECT_EQ(d.TagTreatment()->currentIndex(), 0);
                                                 d.TagTreatment()->setCurrentIndex(2);
                                                 d.show();
                                                 SettingsShot(d, "tags_in_word_lists");
                                                 d.accept();
                                               }),
            int(QDialog::Accepted));
  EXPECT_EQ(GetTextSettings().TagTreatment(), 2);
  // Tags alone: <n>, <v>.
  const std::string tags = WordListSummary(texts);
  EXPECT_NE(tags.find(": 2 words"), std::string::npos) << tags;
  ThroughTheMenu<TTagSettingsDialog>(kTagsMenuItem, [](TTagSettingsDialog& d) {
    d.TagTreatment()->setCurrentIndex(0);
    d.reject();
  });
  EXPECT_EQ(GetTextSettings().TagTreatment(), 2);
}

TEST_F(TextAndListSettingsRoad, TypedMatchWordsMarkTheCollocatesTheyName) {
  Start();
  // Five times each, as a collocate needs by default.
  std::string text;
  for (int i = 0; i < 5; ++i) text += "The big cat ran home. The old dog ran off. ";
  HandOverTexts({dir.Write(u"texts/a.txt", text)});
  ASSERT_EQ(LinesFor(u"ran"), 10);
  TVX_Grid* collocates = TurnTo("Collocates");
  ASSERT_NE(collocates, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return collocates->List() && collocates->List()->Count() > 0; }));
  // Compute > Matches > set up match method opens the lists dialog.
  ASSERT_EQ(ThroughTheMenu<TListSettingsDialog>(kSetUpMatchMethod,
                                                [](TListSettingsDialog& d) {
                                                  d.MatchWordsFrom()->setCurrentIndex(1);
                                                  d.MatchTypedWords()->setText(QStringLiteral("dog, cat"));
                                                  d.show();
                                                  SettingsShot(d, "lists");
                                                  d.accept();
                                                }),
            int(QDialog::Accepted));
  const TMatchListSettingsRec stored = GetLemmaMatchStopSettings(kToolConcordancer, 1);
  EXPECT_EQ(stored.Kind(), 1);
  EXPECT_EQ(stored.TypedWords(), u"dog, cat");
  Trigger(kMarkAnyMatches);
  std::vector<UString> matched = MatchedWords(*collocates);
  std::sort(matched.begin(), matched.end());
  EXPECT_EQ(matched, (std::vector<UString>{u"CAT", u"DOG"}));
}

TEST_F(TextAndListSettingsRoad, TypedMatchWordsSwitchedOnEmptyAreRefused) {
  Start();
  const TListSettings before = CurrentListSettings(kToolConcordancer);
  ThroughTheMenu<TListSettingsDialog>(kListsMenuItem, [](TListSettingsDialog& d) {
    d.Switch(1)->setChecked(true);
    d.MatchWordsFrom()->setCurrentIndex(1);
    d.MatchTypedWords()->setText(QStringLiteral("  "));
    d.accept();  // refused: it stays open
    EXPECT_EQ(d.result(), int(QDialog::Rejected));
    d.reject();
  });
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_NE(dialogs.Asked()[0].text.find(u"Match list: switched on to use typed words, but none were typed"),
            UString::npos);
  const TListSettings after = CurrentListSettings(kToolConcordancer);
  for (size_t k = 0; k < after.size(); ++k) EXPECT_TRUE(after[k].SameBytes(before[k]));
}

}  // namespace
