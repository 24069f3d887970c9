// The Tags settings through the program's own Settings menu: the controller stand-in's dialog
// shows what is stored, and what it stores changes the next concordance as the readers say.
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <algorithm>

#include "shell/qt/tag_settings_dialog.h"
#include "window/settings_dialog_road.h"

namespace {

constexpr int kTagsMenuItem = 64;

class TagSettingsRoad : public SettingsDialogRoad {
 protected:
  void SetUp() override {
    SettingsDialogRoad::SetUp();
    Start();
    news = dir.Write(u"corpus/news.txt",
                     "<genre=news> The river rose. <note>A river note.</note> <body>By the river a <w NN>cat sat."
                     "</body> After the river.\n");
    diary = dir.Write(u"corpus/diary.txt", "<genre=diary> My river walk.\n");
    HandOverTexts({news, diary});
  }
  int ThroughTheMenu(const std::function<void(TTagSettingsDialog&)>& fill) {
    return SettingsDialogRoad::ThroughTheMenu<TTagSettingsDialog>(kTagsMenuItem, fill);
  }
  // The section number of each line, in text order.
  std::vector<int> SectionsOfLines(UStringView words) {
    RunFromWizard(words);
    std::vector<std::pair<int64_t, int>> by_place;
    if (T_WholeLinzoraHolder* doc = Main().Doc())
      for (int i = 0; i < doc->fConcordanceList->Count(); ++i) {
        const TConcordanceEntry& entry = *doc->fConcordanceList->Line(i);
        const TConcordanceLineData& line = entry.Data();
        by_place.emplace_back(line.filename_num_original * (int64_t{1} << 40) + line.byte_position,
                              entry.UnitNumber(kUnitSection));
      }
    std::sort(by_place.begin(), by_place.end());
    std::vector<int> out;
    for (const auto& p : by_place) out.push_back(p.second);
    return out;
  }
  UString news, diary;
};

}  // namespace

TEST_F(TagSettingsRoad, EachGroupChangesTheNextConcordance) {
  ASSERT_EQ(LinesFor(u"river"), 5);
  ASSERT_EQ(LinesFor(u"<w NN>cat"), 0);

  // Mark-up: the note's span is gone, the word-class tag is kept and found with its word.
  ASSERT_EQ(ThroughTheMenu([](TTagSettingsDialog& d) {
              d.ExcludeBox()->setPlainText(QStringLiteral("<note>*</note>"));
              d.KeepBox()->setPlainText(QStringLiteral("<w *>"));
              d.show();
              SettingsShot(d, "tags_markup");
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_EQ(GetTagsExcludeWanted(), 1);
  EXPECT_EQ(LinesFor(u"river"), 4);
  EXPECT_EQ(LinesFor(u"<w NN>cat"), 1);

  // The dialog opens on what is stored.
  ThroughTheMenu([](TTagSettingsDialog& d) {
    EXPECT_EQ(d.ExcludeBox()->toPlainText(), QStringLiteral("<note>*</note>"));
    EXPECT_EQ(d.KeepBox()->toPlainText(), QStringLiteral("<w *>"));
    d.reject();
  });

  // Texts: only those holding the string are read.
  ThroughTheMenu([](TTagSettingsDialog& d) {
    d.Tabs()->setCurrentIndex(2);
    d.SelectTexts()->setChecked(true);
    d.TextsWithBox()->setPlainText(QStringLiteral("<genre=diary>"));
    d.show();
    SettingsShot(d, "tags_texts");
    d.accept();
  });
  EXPECT_EQ(LinesFor(u"river"), 1);

  // Parts of texts: only the body is read.
  ThroughTheMenu([](TTagSettingsDialog& d) {
    d.SelectTexts()->setChecked(false);
    d.TextsWithBox()->clear();
    d.Tabs()->setCurrentIndex(3);
    d.PartsOnly()->setChecked(true);
    d.PartsTable()->setItem(0, 0, new QTableWidgetItem(QStringLiteral("<body>")));
    d.PartsTable()->setItem(0, 1, new QTableWidgetItem(QStringLiteral("</body>")));
    d.show();
    SettingsShot(d, "tags_parts");
    d.accept();
  });
  // The news is read from <body> to </body> (1 of its 3 lines left); the diary has no body and
  // stays whole.
  EXPECT_EQ(LinesFor(u"river"), 2);
}

TEST_F(TagSettingsRoad, AMarkerIsFoundAndAHeaderIsCut) {
  const std::vector<int> sections_before = SectionsOfLines(u"river");
  ThroughTheMenu([](TTagSettingsDialog& d) {
    d.Tabs()->setCurrentIndex(1);
    d.MarkerBox(6)->setText(QStringLiteral("<body>"));
    d.show();
    SettingsShot(d, "tags_markers");
    d.accept();
  });
  EXPECT_EQ(GetTextSettings().MarkerText(20), u"<body>");
  // The marker starts a second section in the news: its two last lines (of four) lie in it.
  EXPECT_EQ(sections_before, (std::vector<int>{1, 1, 1, 1, 1}));
  EXPECT_EQ(SectionsOfLines(u"river"), (std::vector<int>{1, 1, 2, 2, 1}));

  ThroughTheMenu([](TTagSettingsDialog& d) {
    d.MarkerBox(6)->clear();
    d.HeaderBox()->setText(QStringLiteral("<body>"));
    d.accept();
  });
  EXPECT_EQ(GetEndOfTextHeader(), u"<body>");
  EXPECT_EQ(LinesFor(u"river"), 3);  // news after its body's start (2), the diary whole (1)
}

// Square brackets made mark-up hide what they hold, as angle brackets do.
TEST_F(TagSettingsRoad, NewMarkUpBracketsHideWhatTheyHold) {
  HandOverTexts({dir.Write(u"corpus/notes.txt", "The [river] flows by the river. [gloss: river bank]\n")});
  ASSERT_EQ(LinesFor(u"river"), 3);
  ThroughTheMenu([](TTagSettingsDialog& d) {
    EXPECT_EQ(d.MarkupBox()->text(), QStringLiteral("<>"));  // as stored
    d.MarkupBox()->setText(QStringLiteral("<> []"));
    d.accept();
  });
  EXPECT_EQ(LinesFor(u"river"), 1);
}

TEST_F(TagSettingsRoad, CancelAndRefusedValuesChangeNothing) {
  const TTextsett_rec32 before = GetTextSettings();
  ThroughTheMenu([](TTagSettingsDialog& d) {
    d.KeepBox()->setPlainText(QStringLiteral("<w *>"));
    d.HeaderBox()->setText(QStringLiteral("<body>"));
    d.reject();
  });
  EXPECT_EQ(GetTagsWanted(), 0);
  EXPECT_EQ(GetEndOfTextHeader(), u"");
  EXPECT_TRUE(GetTextSettings().SameBytes(before));

  dialogs.Clear();
  ThroughTheMenu([](TTagSettingsDialog& d) {
    d.KeepBox()->setPlainText(QStringLiteral("<w *>\nhead"));
    d.Tabs()->setCurrentIndex(3);
    d.CutLineStart()->setValue(-2);
    d.PartsTable()->setItem(1, 0, new QTableWidgetItem(QStringLiteral("<quote>")));
    d.accept();  // refused: it stays open with everything typed
    EXPECT_EQ(d.result(), int(QDialog::Rejected));
    EXPECT_EQ(d.KeepBox()->toPlainText(), QStringLiteral("<w *>\nhead"));
    d.reject();
  });
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  const UString said = dialogs.Asked()[0].text;
  EXPECT_NE(said.find(u"Tags to keep, line 2"), UString::npos) << Utf16ToUtf8(said);
  EXPECT_NE(said.find(u"Parts of texts, pair 1"), UString::npos) << Utf16ToUtf8(said);
  EXPECT_EQ(GetTagsWanted(), 0);
  EXPECT_EQ(GetCutStartOfTextLine(), 0);
  EXPECT_EQ(LinesFor(u"river"), 5);
}
