// The modify-source-texts window: the two modification pages hand back a checked choice (from the
// menu, changing the texts and showing what was changed and refused), and the Undo page lists
// the log's entries, ticks them by initials, and undoes the ticked ones.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>

#include <QPushButton>
#include <sys/stat.h>

#include "platform/rtl/datetime.h"
#include "platform/text/text_files.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/shell_menu_bar.h"
#include "window/dialog_test_support.h"
#include "window/main_road_support.h"
#include "window/modal_answers.h"
#include "windows/modify_source_texts_window.h"

namespace {

struct TLogScope {
  explicit TLogScope(const UString& name) { SetModificationLogFileName(name); }
  ~TLogScope() { SetModificationLogFileName(u""); }
};

std::string Utf16LE(UStringView text) {
  std::string out = "\xFF\xFE";
  for (char16_t c : text) out += static_cast<char>(c & 0xFF), out += static_cast<char>(c >> 8);
  return out;
}

TEST(ModifySourceTextsWindow, SearchPhrasePageRefusesAnEmptyReplacement) {
  TDialogTestScope scope;
  TFormModifySourceTexts dlg;
  dlg.SetModification_Wanted(TModifySourceTexts::mst_search_word);
  EXPECT_EQ(dlg.Pages()->currentIndex(), 1);
  const int result = WhileModal(
      [&] {
        dlg.SpaceEdit()->clear();
        dlg.SearchWordOKClick();
        EXPECT_TRUE(dlg.isVisible());
        SaveDialogScreenshot(dlg, QStringLiteral("modify_source_texts_search_phrase"));
        dlg.SpaceEdit()->setText(QStringLiteral("~"));
        dlg.SearchWordInitials()->setText(QStringLiteral("jq"));
        dlg.SearchWordOKClick();
      },
      [&] { return dlg.ShowModal(); });
  EXPECT_EQ(result, mrOK);
  EXPECT_EQ(scope.Messages().size(), 1u);
  EXPECT_EQ(dlg.Modification_Wanted(), TModifySourceTexts::mst_search_word);
  EXPECT_EQ(dlg.SpaceReplacement(), u"~");
  EXPECT_EQ(dlg.Initials(), u"jq");
}

TEST(ModifySourceTextsWindow, UndoPageListsTicksAndUndoes) {
  TDialogTestScope scope;
  TempFolder tmp;
  const UString text = tmp.Write(u"t.txt", "<ut_a/>one <ut_b/>two");
  const UString log = tmp.Path() + u"log.txt";
  TLogScope log_scope(log);
  const UString f = u"\t" + text + u"\t";
  tmp.Write(u"log.txt", Utf16LE(u"; kept\nab\t202601021304" + f + u"<ut_ab1/>\tSET\t0\t\t\t<ut_a/>\t\n" +
                                u"\t202613011200" + f + u"<ut_ab2/>\tSET\t11\t\t\t<ut_b/>\t\n"));
  TFormModifySourceTexts dlg;
  dlg.SetModification_Wanted(TModifySourceTexts::mst_undo);
  ASSERT_EQ(dlg.UndoList()->count(), 2);
  EXPECT_EQ(dlg.UndoList()->item(0)->checkState(), Qt::Checked);
  // An impossible stamp is shown as written, said to be no date, and read as now.
  EXPECT_EQ(FromQString(dlg.StampLabel()->text()), u"202613011200 (not a date)");
  EXPECT_LT(std::abs(dlg.AtMoment()->dateTime().secsTo(QDateTime::currentDateTime())), 120);
  dlg.UndoInitials()->clear();
  dlg.OnlyBy()->setChecked(true);
  EXPECT_EQ(dlg.UndoList()->item(0)->checkState(), Qt::Unchecked);
  EXPECT_EQ(dlg.UndoList()->item(1)->checkState(), Qt::Checked);
  SaveDialogScreenshot(dlg, QStringLiteral("modify_source_texts_undo"));
  dlg.UndoClick();
  EXPECT_EQ(dlg.Undone(), 1);
  EXPECT_TRUE(scope.Messages().empty());
  ASSERT_EQ(dlg.UndoList()->count(), 1);
  EXPECT_EQ(FromQString(dlg.UndoList()->item(0)->text()),
            u"2026-01-02 13:04   ab   Set value \u201C<ut_a/>\u201D inserted in t.txt at character 0");
  dlg.UndoClick();
  EXPECT_EQ(dlg.Undone(), 1);
  EXPECT_EQ(dlg.UndoList()->count(), 0);
  TModificationLog left;
  UString error;
  ASSERT_TRUE(ReadModificationLog(log, left, error));
  EXPECT_EQ(left.lines, (std::vector<UString>{u"; kept\n"}));
  UString now;
  ASSERT_TRUE(ReadModificationLog(text, left, error));
  EXPECT_EQ(left.lines, (std::vector<UString>{u"one two"}));
}

// Modify > Search-phrase from the menu of a real concordance: the window's OK changes the texts and
// the window then shows how many changes were made and which text was refused, and why; a phrase
// over a line end is changed with the others.
TEST_F(MainRoadTest, TheModifyWindowShowsWhatItChangedAndWhatItRefused) {
  Start();
  const std::string wrapped = "The river\nbank is green. The river bank is wet.";
  const UString a = dir.Write(u"texts/a.txt", wrapped);
  const UString b = dir.Write(u"texts/b.txt", "A river bank by the mill.");
  HandOverTexts({a, b});
  RunFromWizard(u"river bank");
  ASSERT_NE(Main().Doc(), nullptr);
  ASSERT_EQ(Main().Doc()->fConcordanceList->Count(), 3);
  ASSERT_EQ(chmod(Utf16ToUtf8(b).c_str(), 0444), 0);
  ASSERT_NE(TurnTo("Concordance"), nullptr);
  dialogs.Script({mrOK});  // "N modifications made"
  QString summary;
  QStringList rows;
  bool ok_after = true, report_there = false, acted = false;
  ActOnNextModal([&](QDialog& d) {
    acted = true;
    auto* ok = d.findChild<QPushButton*>(QStringLiteral("ElPopupButtonSW"));
    if (ok) ok->click();
    auto* label = d.findChild<QLabel*>(QStringLiteral("ElLabelReport"));
    auto* list = d.findChild<QListWidget*>(QStringLiteral("ElListBoxReport"));
    report_there = d.isVisible() && label && list && label->isVisible() && list->isVisible();
    if (label) summary = label->text();
    for (int i = 0; list && i < list->count(); ++i) rows << list->item(i)->text();
    ok_after = ok && ok->isEnabled();
    if (report_there) SaveDialogScreenshot(d, QStringLiteral("modify_source_texts_report"));
    if (d.isVisible()) d.reject();  // Close
  });
  QAction* modify = Main().Menus()->ActionOfTag(142);
  ASSERT_NE(modify, nullptr);
  modify->trigger();
  EXPECT_TRUE(WaitUntil([&] { return acted && !QApplication::activeModalWidget(); }, 10000));
  chmod(Utf16ToUtf8(b).c_str(), 0644);
  EXPECT_TRUE(report_there);
  EXPECT_EQ(summary, QStringLiteral("2 changes made. Not changed (1), and why:"));
  ASSERT_EQ(rows.size(), 1);
  EXPECT_TRUE(rows[0].startsWith(ToQString(b))) << rows[0].toStdString();
  EXPECT_TRUE(rows[0].endsWith(QStringLiteral("it is read-only"))) << rows[0].toStdString();
  EXPECT_FALSE(ok_after) << "one modification an opening";
  EXPECT_TRUE(WasAsked(TVXDialog::NModificationsMade));
  UString text;
  ASSERT_TRUE(ReadTextFile(a, text, 1 << 20));
  EXPECT_EQ(text.find(u"river\nbank"), UString::npos) << Utf16ToUtf8(text);
  EXPECT_NE(text.find(u"/>river_bank is green"), UString::npos) << Utf16ToUtf8(text);
  EXPECT_NE(text.find(u"/>river_bank is wet"), UString::npos) << Utf16ToUtf8(text);
  ASSERT_TRUE(ReadTextFile(b, text, 1 << 20));
  EXPECT_EQ(text, u"A river bank by the mill.");
}

// The Undo list reads as a list of changes: a real date and time, who, what, where.
TEST(ModifySourceTextsWindow, LogEntriesReadAsDatedChanges) {
  struct Case {
    const char* name;
    UString raw;
    UString row;
  } cases[] = {
      {"a Set value", u"jq\t202601021304\t/corpus/a.txt\t\tSET\t12\t\t\t<ut_x/>",
       u"2026-01-02 13:04   jq   Set value \u201C<ut_x/>\u201D inserted in a.txt at character 12"},
      {"a marked phrase", u"\t199912312359\t/corpus/b.txt\t<sw>\tSEARCHWORD\t7\tthe river",
       u"1999-12-31 23:59   -   \u201Cthe river\u201D marked with \u201C<sw>\u201D in b.txt at character 7"},
      {"a thirteenth month", u"jq\t202613011200\tc.txt\t\tSET\t0\t\t\tv",
       u"202613011200 (not a date)   jq   Set value \u201Cv\u201D inserted in c.txt at character 0"},
      {"the 30th of February", u"jq\t202602301200\tc.txt\t\tSET\t0",
       u"202602301200 (not a date)   jq   Set value \u201C\u201D inserted in c.txt at character 0"},
      {"no stamp", u"jq\t\tc.txt\t\tUNDO\t3", u"(no date)   jq   UNDO in c.txt at character 3"},
  };
  for (const Case& c : cases) {
    TModificationLogEntry e;
    e.raw = c.raw;
    EXPECT_EQ(UndoEntryRow(e), c.row) << c.name;
  }
  struct Stamp {
    UString stamp, shown;
  } stamps[] = {{u"202402291505", u"2024-02-29 15:05"}, {u"202302291505", u"202302291505 (not a date)"},
                {u"202401012460", u"202401012460 (not a date)"}, {u"2024010112", u"2024010112 (not a date)"},
                {u"2024o1011200", u"2024o1011200 (not a date)"}};
  for (const Stamp& s : stamps) EXPECT_EQ(StampShown(s.stamp), s.shown) << Utf16ToUtf8(s.stamp);
}

}  // namespace
