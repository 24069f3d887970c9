// The save-as dialog for lists: the fields follow the boxes, a refused OK keeps the dialog open
// with the kept settings unchanged, Cancel changes nothing, and an accepted OK exports exactly the
// rows and columns typed.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

#include "model/export_test_support.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_tools.h"
#include "platform/text/text_files.h"
#include "shell/qt/qt_application.h"
#include "window/dialog_test_support.h"
#include "windows/save_as_dialog.h"

namespace {

TSaveAsSetup ConcordanceGrid(const UString& file) {
  TSaveAsSetup s;
  s.file_name = file;
  s.columns = 3;
  s.rows = 5;
  s.selection = {1, 2, 1, 2};
  s.list_type = kListConcordance;
  s.characters = 40;
  return s;
}

TEST(SaveAsDialog, BoxesRecomputeTheTextsAndFormatChangesTheExtension) {
  TDialogTestScope scope;
  KeptExportSettings() = TExportSettings();
  TSaveAsTxtDlgFeb2012 dlg;
  dlg.SetupSaveAs(ConcordanceGrid(scope.Folder() + u"list.txt"));
  EXPECT_EQ(FromQString(dlg.RowsEdit()->text()), u"0,1-4");
  EXPECT_EQ(FromQString(dlg.ColumnsEdit()->text()), u"1,2-3");
  EXPECT_FALSE(dlg.Characters()->isHidden());
  EXPECT_EQ(dlg.Characters()->value(), 40);
  dlg.RowsSelectionOnly()->setChecked(true);
  EXPECT_EQ(FromQString(dlg.RowsEdit()->text()), u"0,2");
  dlg.WithHeadings()->setChecked(false);
  EXPECT_EQ(FromQString(dlg.RowsEdit()->text()), u"2");
  dlg.WithNumbers()->setChecked(false);
  EXPECT_EQ(FromQString(dlg.ColumnsEdit()->text()), u"2-3");
  dlg.Format()->setCurrentIndex(kSaveAsXML);
  EXPECT_EQ(FromQString(dlg.FileEdit()->text()), scope.Folder() + u"list.xml");
  EXPECT_EQ(FromQString(dlg.windowTitle()), u"Save as XML");
  dlg.Format()->setCurrentIndex(kSaveAsListOwnType);
  EXPECT_EQ(FromQString(dlg.FileEdit()->text()), scope.Folder() + u"list.cnc");
  SaveDialogScreenshot(dlg, QStringLiteral("save_as"));
  const int result = WhileModal([&] { dlg.SetModalResult(mrCancel); }, [&] { return dlg.ShowModal(); });
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(KeptExportSettings().file_name, u"");
  EXPECT_TRUE(scope.Messages().empty());
}

TEST(SaveAsDialog, RefusedOkStaysOpenThenTheTypedRowsAndColumnsAreExported) {
  TDialogTestScope scope;
  KeptExportSettings() = TExportSettings();
  TVXBaseHolder holder;
  TGivenRowsList list(&holder);
  list.rows = {{TextCell(u"N"), TextCell(u"Word"), TextCell(u"Freq")},
               {TextCell(u"1"), TextCell(u"the"), TextCell(u"90")},
               {TextCell(u"2"), TextCell(u"of"), TextCell(u"50")},
               {TextCell(u"3"), TextCell(u"and"), TextCell(u"40")},
               {TextCell(u"4"), TextCell(u"to"), TextCell(u"30")}};
  list.UseRow0AsHeadings();
  TSaveAsSetup setup = ConcordanceGrid(scope.Folder() + u"out.txt");
  setup.list_type = kListWordList;
  TSaveAsTxtDlgFeb2012 dlg;
  dlg.SetupSaveAs(setup);
  EXPECT_TRUE(dlg.Characters()->isHidden());
  int tries = 0;
  const int result = WhileModal(
      [&] {
        dlg.RowsEdit()->setText(QStringLiteral("0,50-100"));
        dlg.OKClick();
        tries = scope.Messages().size() == 1 && dlg.isVisible() ? 1 : 0;
        dlg.RowsEdit()->setText(QStringLiteral("0,2-3"));
        dlg.ColumnsEdit()->setText(QStringLiteral("3,2"));
        dlg.OKClick();
      },
      [&] { return dlg.ShowModal(); });
  EXPECT_EQ(tries, 1) << "the refused OK closed the dialog or said nothing";
  ASSERT_EQ(result, mrOK);
  const TExportSettings& s = dlg.Settings();
  EXPECT_EQ(s.rows, (std::vector<int32_t>{0, 2, 3}));
  EXPECT_EQ(s.columns, (std::vector<int32_t>{1, 2}));
  ASSERT_TRUE(ExportListWithSettings(list, holder, s, u""));
  UString text;
  ASSERT_TRUE(ReadTextFile(s.file_name, text, 1 << 20));
  EXPECT_EQ(Utf16ToUtf8(text), "Word\tFreq\nof\t50\nand\t40\n");
}

}  // namespace
