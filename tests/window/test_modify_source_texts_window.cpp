// The modify-source-texts window: the two modification pages hand back a checked choice, and the
// Undo page lists the log's entries, ticks them by initials, and undoes the ticked ones.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>

#include "platform/rtl/datetime.h"
#include "shell/qt/qt_application.h"
#include "window/dialog_test_support.h"
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
  // An impossible stamp is shown as written and read as now.
  EXPECT_EQ(FromQString(dlg.StampLabel()->text()), u"202613011200");
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
  EXPECT_EQ(NthDelimitedField(FromQString(dlg.UndoList()->item(0)->text()), u',', 4), u"<ut_ab1/>");
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

}  // namespace
