// The small dialogs as a user meets them: bad numbers refused with a message and nothing
// changed, the clipboard choices reaching the store only on OK, the language change enabled only
// with a language chosen, and the relation column round-tripping.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

#include "shell/qt/qt_application.h"
#include "window/dialog_test_support.h"
#include "windows/clipboard_format_dialog.h"
#include "windows/filename_replace_dialog.h"
#include "windows/frequency_dialog.h"
#include "windows/general_input_dialog.h"
#include "windows/language_change_dialog.h"
#include "windows/lemma_forms_window.h"
#include "windows/set_column_edit_dialog.h"
#include "windows/word_list_check_dialog.h"

namespace {

TEST(GeneralInputDialog, NumberInputRefusesBadTextAndKeepsTheValue) {
  TDialogTestScope scope;
  TGeneralInputDlg dlg;
  int32_t value = 7;
  int attempts = 0;
  const bool ok = WhileModal(
      [&] {
        for (const char* bad : {"", "abc", "0"}) {
          dlg.ValueBox()->setEditText(QString::fromLatin1(bad));
          dlg.OKClick();
          ++attempts;
        }
        EXPECT_TRUE(dlg.isVisible());
        SaveDialogScreenshot(dlg, QStringLiteral("general_input"));
        dlg.ValueBox()->setEditText(QStringLiteral("25"));
        dlg.OKClick();
      },
      [&] { return dlg.ExecuteNumber(u"Reduce to how many lines?", value, 1, 100, 0); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(value, 25);
  const auto messages = scope.Messages();
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_NE(messages[0].find(u"Please type a whole number from 1 to 100"), UString::npos);
  EXPECT_NE(messages[1].find(u"\"abc\" is not a whole number"), UString::npos);
  EXPECT_NE(messages[2].find(u"out of range"), UString::npos);
}

TEST(GeneralInputDialog, CancelLeavesTheNumberAndAlternativesReportTheButton) {
  TDialogTestScope scope;
  TGeneralInputDlg dlg;
  int32_t value = 7;
  EXPECT_FALSE(WhileModal([&] { dlg.SetModalResult(mrCancel); },
                          [&] { return dlg.ExecuteNumber(u"How many?", value, 1, 100, 0); }));
  EXPECT_EQ(value, 7);
  dlg.offering_alternatives = true;
  EXPECT_FALSE(WhileModal([&] { dlg.close(); }, [&] { return dlg.GetAlternative(u"Which?", 0); }));
  EXPECT_EQ(dlg.BotaoPressed, 0);
  EXPECT_TRUE(WhileModal(
      [&] {
        EXPECT_FALSE(dlg.ValueBox()->isVisible());
        EXPECT_TRUE(dlg.OptionButton(2)->isVisible());
        dlg.OptionButton(2)->click();
      },
      [&] { return dlg.GetAlternative(u"Which?", 0); }));
  EXPECT_EQ(dlg.BotaoPressed, 2);
  EXPECT_EQ(dlg.ValueAsInteger(), 7);  // the value box kept "7"; a text would give -1
  dlg.SetValue(u"x7");
  EXPECT_EQ(dlg.ValueAsInteger(), -1);
}

// The question speaks of "the search-phrase above": the list of phrases stands above it.
TEST(FrequencyDialog, ThePhrasesStandAboveTheQuestion) {
  TDialogTestScope scope;
  TFormFreqSpecify dlg;
  dlg.SetLines({u"in the=40", u"of the"});
  dlg.show();
  QApplication::processEvents();
  auto* ask = dlg.findChild<QLabel*>(QStringLiteral("LabelAsk"));
  ASSERT_NE(ask, nullptr);
  EXPECT_TRUE(ask->text().contains(QStringLiteral("search-phrase above")));
  EXPECT_LE(dlg.ListBox()->geometry().bottom(), ask->geometry().top());
  EXPECT_LE(ask->geometry().bottom(), dlg.Spin()->geometry().top());
  dlg.hide();
}

TEST(FrequencyDialog, EmptyFrequencyIsRefusedAndTheListKept) {
  TDialogTestScope scope;
  TFormFreqSpecify dlg;
  dlg.SetLines({u"in the=40", u"of the"});
  dlg.current_search_phrase = u"of the";
  EXPECT_EQ(dlg.KnownFrequency(), 0);
  EXPECT_EQ(dlg.ListBox()->currentRow(), 1);
  const int result = WhileModal(
      [&] {
        dlg.Spin()->findChild<QLineEdit*>()->clear();
        dlg.OKClick();
        EXPECT_EQ(dlg.Lines()[1], u"of the");
        SaveDialogScreenshot(dlg, QStringLiteral("frequency"));
        dlg.Spin()->setValue(120);
        dlg.OKClick();
      },
      [&] { return dlg.ShowModal(); });
  EXPECT_EQ(result, mrOK);
  ASSERT_EQ(scope.Messages().size(), 1u);
  EXPECT_EQ(dlg.Lines()[1], u"of the=120");
  EXPECT_EQ(dlg.Lines()[0], u"in the=40");
}

TEST(ClipboardFormatDialog, ChoicesReachTheStoreOnlyOnOk) {
  TDialogTestScope scope;
  TClipboardSettingsRec start{};
  start.SetEditableText(true);
  start.bytes[10] = 42;
  SetClipboardSettings(start);
  SetConcCharactersForTextOnly(80);
  TFormChooseClipboardFormat dlg;
  EXPECT_TRUE(dlg.Include(kClipEditableText)->isChecked());
  EXPECT_TRUE(dlg.Characters()->isEnabled());
  dlg.Include(kClipEditableText)->setChecked(false);
  EXPECT_FALSE(dlg.Characters()->isEnabled());  // at once
  dlg.Include(kClipEditableText)->setChecked(true);
  dlg.Include(kClipHeadingRow)->setChecked(true);
  dlg.Characters()->setValue(120);
  WhileModal([&] { dlg.SetModalResult(mrCancel); }, [&] { return dlg.ShowModal(); });
  EXPECT_TRUE(GetClipboardSettings().SameBytes(start));
  EXPECT_EQ(GetConcCharactersForTextOnly(), 80);
  WhileModal(
      [&] {
        SaveDialogScreenshot(dlg, QStringLiteral("clipboard_format"));
        dlg.OKClick();
      },
      [&] { return dlg.ShowModal(); });
  const TClipboardSettingsRec now = GetClipboardSettings();
  EXPECT_TRUE(now.HeadingRow());
  EXPECT_TRUE(now.EditableText());
  EXPECT_EQ(now.bytes[10], 42);
  EXPECT_EQ(GetConcCharactersForTextOnly(), 120);
}

TEST(LanguageChangeDialog, ChangeNeedsAChosenLanguage) {
  TDialogTestScope scope;
  TFormLangChange dlg;
  dlg.SetCurrentLangTo(u"English");
  dlg.SetAlternatives(u"Portuguese\tGerman", u"English");
  EXPECT_EQ(dlg.Alternatives()->currentIndex(), -1);
  EXPECT_FALSE(dlg.ChangeButton()->isEnabled());
  dlg.Alternatives()->setCurrentIndex(1);
  EXPECT_TRUE(dlg.ChangeButton()->isEnabled());
  dlg.SetAlternatives(u"Portuguese\tEnglish", u"English");
  EXPECT_EQ(dlg.Alternatives()->currentIndex(), 1);
  dlg.show();
  SaveDialogScreenshot(dlg, QStringLiteral("language_change"));
  dlg.hide();
}

TEST(WordListCheckDialog, TheDocumentsColumnRoundTripsAndAMissingListIsRefused) {
  TDialogTestScope scope;
  TFormCollRelationsWLCheckFilename dlg;
  std::vector<UString> headers;
  for (int i = 0; i < 20; ++i) headers.push_back(u"col " + IntToUStr(i));
  dlg.CopyHeadings(headers, 16);
  EXPECT_EQ(dlg.ColumnList()->count(), 5);
  EXPECT_EQ(dlg.ColumnList()->currentText(), QStringLiteral("col 16"));
  EXPECT_EQ(dlg.SelectedHeaderColumn(), 16);
  dlg.CopyHeadings(std::vector<UString>(headers.begin(), headers.begin() + 15), 16);
  EXPECT_EQ(dlg.ColumnList()->currentIndex(), -1);
  EXPECT_EQ(dlg.SelectedHeaderColumn(), -1);
  const int result = WhileModal(
      [&] {
        dlg.OKClick();
        dlg.SetWordListFile(scope.Folder() + u"missing.lzw");
        dlg.OKClick();
        EXPECT_TRUE(dlg.isVisible());
        SaveDialogScreenshot(dlg, QStringLiteral("word_list_check"));
        dlg.SetModalResult(mrCancel);
      },
      [&] { return dlg.ShowModal(); });
  EXPECT_EQ(result, mrCancel);
  const auto messages = scope.Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_NE(messages[1].find(u"missing.lzw"), UString::npos);
}

TEST(SetColumnEditDialog, OnlyAColourFromTheListColoursTheBox) {
  TDialogTestScope scope;
  TFormSetColumnEdit dlg;
  dlg.show();
  const QColor before = dlg.BoxColour();
  EXPECT_FALSE(dlg.DropColour(&dlg, Qt::red));
  EXPECT_FALSE(dlg.DropColour(dlg.ColourList(), QColor()));
  EXPECT_EQ(dlg.BoxColour(), before);
  EXPECT_FALSE(dlg.ColourChanged);
  EXPECT_EQ(scope.Messages().size(), 2u);
  EXPECT_TRUE(dlg.DropColour(dlg.ColourList(), QColor(0x008000)));
  EXPECT_TRUE(dlg.ColourChanged);
  EXPECT_EQ(dlg.BoxColour(), QColor(0x008000));
  dlg.ClearColourChanged();
  EXPECT_FALSE(dlg.ColourChanged);
  dlg.hide();
  // "+" is typed; Enter closes with OK.
  const int result = WhileModal(
      [&] {
        QTest::keyClicks(dlg.ValueBox()->lineEdit(), QStringLiteral("a+b"));
        SaveDialogScreenshot(dlg, QStringLiteral("set_column_edit"));
        QTest::keyClick(dlg.ValueBox()->lineEdit(), Qt::Key_Return);
      },
      [&] { return dlg.ShowModal(); });
  EXPECT_EQ(result, mrOK);
  EXPECT_EQ(dlg.Value(), u"a+b");
  EXPECT_TRUE(EndsWithU(TFormSetColumnEdit::TheIniName(), u"/set_history.txt"));
  // The value given is offered first next time, in an empty box.
  TFormSetColumnEdit again;
  ASSERT_GE(again.ValueBox()->count(), 1);
  EXPECT_EQ(again.ValueBox()->itemText(0), QStringLiteral("a+b"));
  EXPECT_EQ(again.Value(), u"");
}

TEST(FilenameReplaceDialog, LabelFollowsTheChoiceAndEmptySearchIsRefused) {
  TDialogTestScope scope;
  TFormSearchAndReplaceFilename dlg;
  const int result = WhileModal(
      [&] {
        EXPECT_EQ(dlg.SearchLabel()->text(), QStringLiteral("path to the file"));
        dlg.SetWithin(1);
        EXPECT_EQ(dlg.SearchLabel()->text(), QStringLiteral("filename"));
        dlg.OKClick();
        EXPECT_TRUE(dlg.isVisible());
        dlg.SearchEdit()->setText(QStringLiteral(".txt"));
        dlg.ReplacementEdit()->setText(QStringLiteral(".text"));
        SaveDialogScreenshot(dlg, QStringLiteral("filename_replace"));
        dlg.OKClick();
      },
      [&] { return dlg.ShowModal(); });
  EXPECT_EQ(result, mrOK);
  EXPECT_EQ(scope.Messages().size(), 1u);
  EXPECT_EQ(dlg.Within(), 1);
  dlg.SetChoiceEnabled(false);
  EXPECT_EQ(dlg.SearchLabel()->text(), QStringLiteral("path and filename"));
}

TEST(LemmaFormsWindow, GridSortsByFrequencyAndCopiesItsText) {
  TDialogTestScope scope;
  TFormLemmaShower w;
  w.CopyStringData({{u"goes", 5}, {u"go", 12}, {u"went", 7}});
  w.SortByColumn(1, true);
  EXPECT_EQ(w.Grid()->item(0, 0)->text(), QStringLiteral("go"));
  EXPECT_EQ(w.Grid()->item(2, 1)->text(), QStringLiteral("5"));
  EXPECT_EQ(w.GridText(), u"form\tfreq.\ngo\t12\nwent\t7\ngoes\t5\n");
  w.show();
  SaveDialogScreenshot(w, QStringLiteral("lemma_forms"));
}

}  // namespace
