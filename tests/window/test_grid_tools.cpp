// The grid tools on the pages of a real concordance: each window opened by its menu tag, driven
// through its controls, and the grid checked after; Cancel and close change nothing. Screenshots
// of every window go to <screenshots>/grid_tools/.
#include <QButtonGroup>
#include <QDir>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include "model/documents/batch_procedures.h"
#include "platform/runtime/vx_resources.h"
#include "platform/text/text_files.h"
#include "model/lists/column_formula.h"
#include "model/lists/grid_headings.h"
#include "shell/qt/page_list.h"
#include "support/log_capture.h"
#include "shell/qt/vx_status_bar.h"
#include "shell/qt/vx_grid.h"
#include "window/main_road_support.h"
#include "window/modal_answers.h"
#include "window/test_tool_window.h"
#include "window/window_test_support.h"
#include "windows/batch_setup.h"
#include "windows/conditions_window.h"
#include "windows/grid_columns_window.h"
#include "windows/grid_tool_windows.h"
#include "windows/search_replace_dialog.h"

namespace {

constexpr int kFileColumn = 13, kWordColumn = 4;

QImage Shot(QWidget& w, const char* name) {
  return SaveScreenshot(w, QStringLiteral("grid_tools/") + QString::fromLatin1(name));
}

class GridTools : public MainRoadTest {
 protected:
  void SetUp() override {
    MainRoadTest::SetUp();
    ShowSampleRiverLines();
    ASSERT_NE(Main().Doc(), nullptr);
    Main().resize(1200, 700);
    Main().Pages()->Tabs()->setCurrentIndex(0);
    Grid().setCurrentIndex(Grid().Model().index(0, 0));
  }
  TVX_Grid& Grid() { return *Main().ConcordanceGrid(); }
  TVXBaseDataClass& List() { return *Grid().List(); }
  void Fire(int tag) {
    Main().HandleMenuCommand(tag, u"");
    DeliverPendingEvents();
  }
  int ViewColumns() { return Grid().Model().columnCount(); }
  // A set column added through the column editor, its cells (by list row) given, the cursor on
  // its first row: its column number.
  int SetColumnHolding(std::initializer_list<std::pair<int, const char16_t*>> cells) {
    Fire(29);
    Columns().Pages()->setCurrentIndex(2);
    Columns().AddSetColumnButton()->click();
    const int set = List().ColumnSetnums().items.back();
    for (const auto& [row, text] : cells) List().SetAddedCellText(set, row, text);
    Grid().ListChanged();
    Grid().SelectCell(1, set);
    return set;
  }
  UString HeadingOfView(int v) { return FromQString(Grid().Model().headerData(v, Qt::Horizontal, Qt::DisplayRole).toString()); }
  TFormColumns& Columns() { return *qobject_cast<TFormColumns*>(Main().ColumnsForm()); }
  int HeadingIndex(int column) { return HeadingIndexOfColumn(List().grid_headings, column); }
  void SelectHeading(int column) {
    Columns().Headings()->clearSelection();
    Columns().Headings()->setCurrentRow(HeadingIndex(column));
  }
  int RowsOfFile(UStringView file) {
    int n = 0;
    for (int i = 0; i < List().Count(); ++i) {
      TGrid_data_rec cell;
      List().DrawgridDataRec(kFileColumn, i + 1, cell, 0);
      if (RelevantAffixesOfStringData(cell).find(file) != UString::npos) ++n;
    }
    return n;
  }
};

TEST_F(GridTools, LayoutHidesWidensAndMovesColumns) {
  const int shown = ViewColumns();
  const int file_view = Grid().Model().Source().ViewOfListColumn(kFileColumn);
  Fire(29);
  ASSERT_NE(Main().ColumnsForm(), nullptr);
  ASSERT_TRUE(Columns().isVisible());
  EXPECT_EQ(Columns().Pages()->currentIndex(), 0);
  // The layout takes the widths the grid gave its columns.
  EXPECT_EQ(List().HeadingSettings(1).width, Grid().columnWidth(0));
  Shot(Columns(), "column_editor_layout");
  // Hide the word-number column.
  SelectHeading(kWordColumn);
  Columns().Visibility()->button(1)->click();
  EXPECT_EQ(ViewColumns(), shown - 1);
  for (int v = 0; v < ViewColumns(); ++v) EXPECT_NE(Grid().ListColumnOfSection(v), kWordColumn);
  EXPECT_EQ(Utf16ToUtf8(FromQString(Columns().Headings()->item(HeadingIndex(kWordColumn))->text())).substr(0, 2), "( ");
  // Widen the file-name column to two inches.
  SelectHeading(kFileColumn);
  Columns().Width()->setValue(2.0);
  const int view = Grid().Model().Source().ViewOfListColumn(kFileColumn);
  EXPECT_NEAR(Grid().columnWidth(view), 2 * Grid().logicalDpiX(), 2);
  // Move it one place to the left.
  const int before = view;
  Columns().UpButton()->click();
  EXPECT_EQ(Grid().Model().Source().ViewOfListColumn(kFileColumn), before - 1);
  // A threshold above every sentence number leaves the column blank; bold and centred text.
  SelectHeading(5);
  Columns().Threshold()->setEditText(QStringLiteral("1000000"));
  EXPECT_TRUE(GridCellText(Grid().Model().Source().Cell(1, 5)).empty());
  SelectHeading(kFileColumn);
  Columns().TypefaceBox(0)->setChecked(true);
  Columns().AlignButton(kAlignCentre)->click();
  const TGrid_data_rec& file_cell = Grid().Model().Source().Cell(1, kFileColumn);
  EXPECT_EQ(file_cell.typeface, kTypefaceBold);
  EXPECT_EQ(file_cell.alignment, kAlignCentre);
  Shot(Main(), "grid_after_layout");
  // Restore brings the layout of the moment the editor opened.
  Columns().RestoreButton()->click();
  EXPECT_FALSE(GridCellText(Grid().Model().Source().Cell(1, 5)).empty());
  EXPECT_EQ(ViewColumns(), shown);
  EXPECT_EQ(Grid().Model().Source().ViewOfListColumn(kFileColumn), file_view);
}

TEST_F(GridTools, ComputedColumnFromTheCalculator) {
  const int shown = ViewColumns();
  Fire(52);
  TFormColumns& form = Columns();
  EXPECT_EQ(form.Pages()->currentIndex(), 1);
  Shot(form, "column_editor_calculator");
  // Tokens by double-click: square root, then the word-number column.
  form.InsertFunction(1);
  const int item = form.CalculatorColumns()->findItems(QStringLiteral("word"), Qt::MatchExactly).isEmpty()
                       ? -1 : form.CalculatorColumns()->row(form.CalculatorColumns()->findItems(QStringLiteral("word"), Qt::MatchExactly).front());
  ASSERT_GE(item, 0);
  form.InsertColumn(item);
  form.SetFormulaText(form.FormulaText() + u") * 2");
  EXPECT_EQ(Utf16ToUtf8(TrimU(form.FormulaText())), "SQRT(  COL(\"word\") ) * 2");
  form.ComputeOK()->click();
  ASSERT_EQ(ViewColumns(), shown + 1);
  // The column is added: the calculator closes, its formula kept.
  EXPECT_FALSE(form.isVisible());
  form.show();
  // The absolute-row token takes the column chosen and the row number.
  const UString typed = form.FormulaText();
  form.CalculatorColumns()->setCurrentRow(item);
  form.AbsoluteRow()->setValue(3);
  form.SetFormulaText(u"");
  form.InsertAbsoluteRow();
  EXPECT_EQ(Utf16ToUtf8(TrimU(form.FormulaText())), "ROW(\"word\";3)");
  form.SetFormulaText(typed);
  const int column = Grid().ListColumnOfSection(ViewColumns() - 1);
  ASSERT_TRUE(TVXBaseDataClass::IsAddedColumnNumber(column));
  // Its heading, the formula, is shown whole.
  const QString heading = Grid().Model().headerData(ViewColumns() - 1, Qt::Horizontal, Qt::DisplayRole).toString();
  EXPECT_TRUE(heading.contains(QStringLiteral("SQRT"))) << heading.toStdString();
  EXPECT_GE(Grid().columnWidth(ViewColumns() - 1), Grid().horizontalHeader()->fontMetrics().horizontalAdvance(heading));
  for (int row : {1, 2, List().Count()}) {
    TGrid_data_rec word;
    List().DrawgridDataRec(kWordColumn, row, word, 0);
    const TGrid_data_rec& cell = Grid().Model().Source().Cell(row, column);
    ASSERT_TRUE(cell.has_number);
    EXPECT_NEAR(cell.number.value, std::sqrt(word.number.value) * 2, 1e-3);
  }
  // Bad formulas: named, no column.
  struct TCase {
    const char16_t* formula;
    TVXDialog said;
  } cases[] = {{u"COL(\"Nothing\") + 1", TVXDialog::InformationMessage},
               {u"COL(\"word\") / 0", TVXDialog::InformationMessage},
               {u"(COL(\"word\") + 1", TVXDialog::UnMatchedBracketInX}};
  for (const TCase& c : cases) {
    dialogs.Clear();
    form.show();
    form.SetFormulaText(c.formula);
    form.ComputeOK()->click();
    EXPECT_TRUE(WasAsked(c.said)) << Utf16ToUtf8(c.formula);
    EXPECT_EQ(ViewColumns(), shown + 1);
  }
  EXPECT_TRUE(form.isVisible());  // unmatched brackets leave the editor open
  // Deleting the computed column drops its values.
  SelectHeading(column);
  dialogs.Script({mrYes});
  form.DeleteComputedClick();
  EXPECT_EQ(ViewColumns(), shown);
  EXPECT_EQ(List().AddedColumn(column), nullptr);
}

TEST_F(GridTools, SetColumnsAddDeleteAndTheActiveOne) {
  Fire(29);
  TFormColumns& form = Columns();
  form.Pages()->setCurrentIndex(2);
  Shot(form, "column_editor_set_column");
  const int shown = ViewColumns();
  form.AddSetColumnButton()->click();
  EXPECT_EQ(ViewColumns(), shown + 1);
  ASSERT_EQ(List().ColumnSetnums().items.size(), 2u);  // the lines' own Set column and the new one
  // The lines give display positions from 1: a moved column shows its new place.
  std::vector<UString> lines = TFormSetColActiveColChooser::AlternativeLines(List());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(Utf16ToUtf8(lines[0]), "2 (Set)");
  ExchangeTwoHeadings(List().grid_headings, HeadingIndex(2), HeadingIndex(1));
  lines = TFormSetColActiveColChooser::AlternativeLines(List());
  EXPECT_EQ(Utf16ToUtf8(lines[0]), "1 (Set)");
  EXPECT_EQ(Utf16ToUtf8(lines[1]), Utf16ToUtf8(IntToUStr(shown + 1) + u" (Set 2)"));
  ExchangeTwoHeadings(List().grid_headings, HeadingIndex(2), HeadingIndex(1));
  // Active set column: the second line chosen.
  AnswerNextModal(true, [](QDialog& d) {
    auto& chooser = static_cast<TFormSetColActiveColChooser&>(d);
    Shot(chooser, "active_set_column");
    chooser.Choices()->button(1)->click();
  });
  Fire(207);
  EXPECT_EQ(List().ColumnSetnums().current, 1);
  // Cancel leaves it.
  AnswerNextModal(false, [](QDialog& d) { static_cast<TFormSetColActiveColChooser&>(d).Choices()->button(0)->click(); });
  Fire(207);
  EXPECT_EQ(List().ColumnSetnums().current, 1);
  // Deleting without a choice among several is refused.
  Fire(29);
  Columns().Pages()->setCurrentIndex(2);
  Columns().AddSetColumnButton()->click();
  Fire(29);
  Columns().SetColumnsToDelete()->setCurrentRow(-1);
  dialogs.Clear();
  Columns().DeleteSetColumnClick();
  EXPECT_TRUE(WasAsked(TVXDialog::NoColumnSelected));
  EXPECT_EQ(ViewColumns(), shown + 2);
  Columns().SetColumnsToDelete()->setCurrentRow(0);
  dialogs.Script({mrYes});
  Columns().DeleteSetColumnClick();
  EXPECT_EQ(ViewColumns(), shown + 1);
}

TEST_F(GridTools, SavedLayoutIsTakenByTheNextGridAndAFailedSaveIsNamed) {
  Fire(29);
  SelectHeading(kWordColumn);
  Columns().Visibility()->button(1)->click();
  dialogs.Script({mrYes});
  Columns().SaveClick();
  EXPECT_TRUE(WasAsked(TVXDialog::SavedOK));
  const UString file = CustomisedHeadingsFileName(GetUserReadWriteFolder(), kListConcordance);
  EXPECT_TRUE(FileExists(file));
  // A new concordance's grid takes it.
  RunFromWizard(u"river");
  EXPECT_EQ(Grid().Model().Source().ViewOfListColumn(kWordColumn), -1);
  // Shown again in the editor (not saved): the user's default for the column is to show it.
  Fire(29);
  SelectHeading(kWordColumn);
  Columns().Visibility()->button(0)->click();
  Columns().hide();
  // A damaged file: the standard headings, and the log says why.
  ASSERT_TRUE(SaveTextFileUtf16(file, u"damaged"));
  RunFromWizard(u"river");
  EXPECT_GE(Grid().Model().Source().ViewOfListColumn(kWordColumn), 0);
  // A folder where the file should go: FailedToSave, the layout kept.
  DeleteFileU(file);
  QDir().mkpath(ToQString(file));
  Fire(29);
  dialogs.Clear();
  dialogs.Script({mrYes});
  Columns().SaveClick();
  EXPECT_TRUE(WasAsked(TVXDialog::FailedToSave));
}

// A damaged layout file whose computed column holds a formula nested hundreds of kilobytes deep:
// that column is dropped with a line in the log, the rest of the layout is taken.
TEST_F(GridTools, SavedLayoutDropsATooDeepFormulaAndKeepsTheRest) {
  TLogCapture log(dir.Path());
  EnsureGridHeadings(List());
  ASSERT_GE(HeadingIndex(kWordColumn), 0);
  TGrid_header_array heads = List().grid_headings;
  heads[static_cast<size_t>(HeadingIndex(kWordColumn))].visible = 0;
  TGrid_head32 computed;
  computed.added = 1;
  computed.numeric = 1;
  computed.column_number = TVXBaseDataClass::kFirstAddedColumn;
  computed.heading = u"2 * 3";
  heads.push_back(computed);
  computed.column_number = TVXBaseDataClass::kFirstAddedColumn + 1;
  computed.heading = UString(200000, u'(') + u"1" + UString(200000, u')');
  heads.push_back(computed);
  computed.column_number = TVXBaseDataClass::kFirstAddedColumn + 2;
  computed.heading = UString(kMaxFormulaDepth + 1, u'-') + u"1";
  heads.push_back(computed);
  const UString file = CustomisedHeadingsFileName(GetUserReadWriteFolder(), kListConcordance);
  ASSERT_TRUE(SaveHeadingsAsCustomised(file, kListConcordance, heads));
  RunFromWizard(u"river");
  EXPECT_EQ(Grid().Model().Source().ViewOfListColumn(kWordColumn), -1);
  ASSERT_EQ(List().AddedColumns().size(), 1u);
  EXPECT_EQ(Utf16ToUtf8(List().AddedColumns()[0].formula), "2 * 3");
  EXPECT_DOUBLE_EQ(List().AddedCellValue(List().AddedColumns()[0].column_number, 0), 6);
  EXPECT_EQ(log.LinesWith("too long"), 1);
  EXPECT_EQ(log.LinesWith("too deep"), 1);
}

TEST_F(GridTools, FindDeleteAndColourByConditions) {
  const UString file = u"river_spring.txt";
  const int expected = RowsOfFile(file);
  ASSERT_GT(expected, 0);
  ASSERT_LT(expected, List().Count());
  Fire(170);
  auto* form = qobject_cast<TFormTestWhether*>(Main().ConditionsForm());
  ASSERT_NE(form, nullptr);
  auto state = [file](QDialog& d) {
    auto& editor = static_cast<TFormSearchRequirements&>(d);
    editor.DataColumn()->setCurrentIndex(editor.DataColumn()->findData(kFileColumn));
    editor.Condition()->setCurrentIndex(editor.Condition()->findData(int(kSeekEndsWith)));
    editor.InputText()->setEditText(ToQString(file));
    Shot(editor, "condition_editor");
    editor.OKClick();
  };
  AnswerNextModal(true, state);
  form->EditRequirement(0);
  ASSERT_TRUE(form->Editor()->DoubleCategoryRec().req[0].valid);
  Shot(*form, "conditions_find");
  form->FindClick(false);
  EXPECT_EQ(FromQString(form->HitsLabel()->text()), VXResFmt(TVXRes::VXNHits, {IntToUStr(expected)}));
  // Find all marks its hits and shows the first.
  int marked = 0, first_hit = -1;
  for (int i = 0; i < List().Count(); ++i)
    if (List().GetMatched(i)) {
      ++marked;
      if (first_hit < 0) first_hit = i;
    }
  EXPECT_EQ(marked, expected);
  EXPECT_EQ(Grid().CurrentRow(), first_hit + 1);
  EXPECT_TRUE(Grid().Model().Source().Cell(first_hit + 1, 1).matched);
  List().UnmatchAll();
  form->FindClick(true);
  const int first = Grid().CurrentRow();
  EXPECT_GT(first, 0);
  form->FindClick(true);
  EXPECT_GT(Grid().CurrentRow(), first);
  // Cancel in the editor leaves the requirement as it was.
  AnswerNextModal(false, [](QDialog& d) {
    auto& editor = static_cast<TFormSearchRequirements&>(d);
    editor.Condition()->setCurrentIndex(0);
  });
  form->EditRequirement(0);
  EXPECT_EQ(form->Editor()->DoubleCategoryRec().req[0].seek, kSeekEndsWith);
  // Delete If says what its button does, asks first (No deletes nothing), then deletes those rows
  // (undoably).
  Fire(85);
  EXPECT_FALSE(form->FindButton()->isVisibleTo(form));
  EXPECT_EQ(form->FindAllButton()->text(), QStringLiteral("Delete all"));
  AnswerNextModal(true, state);
  form->EditRequirement(0);
  auto deleted = [this] {
    int n = 0;
    for (int i = 0; i < List().Count(); ++i) n += List().GetDeleted(i) ? 1 : 0;
    return n;
  };
  dialogs.Clear();
  dialogs.Script({mrNo});
  form->FindAllButton()->click();
  ASSERT_TRUE(WasAsked(TVXDialog::OKtoDelete));
  EXPECT_NE(dialogs.Asked().back().text.find(VXResFmt(TVXRes::VXNHits, {IntToUStr(expected)})), UString::npos);
  EXPECT_EQ(deleted(), 0);
  dialogs.Script({mrYes});
  form->FindAllButton()->click();
  EXPECT_EQ(deleted(), expected);
  // Colour categories.
  Fire(194);
  EXPECT_TRUE(form->Bottom()->isVisible());
  EXPECT_EQ(form->FindAllButton()->text(), QStringLiteral("Colour all"));
  AnswerNextModal(true, state);
  form->EditRequirement(0);
  form->AddClick();
  form->AddClick();  // the same line twice: one item
  EXPECT_EQ(form->Searches()->count(), 1);
  Shot(*form, "conditions_colours");
  form->FindClick(false);
  int coloured = 0;
  for (int i = 0; i < List().Count(); ++i) coloured += List().ColourCategoryOf(i) != kNoColourCategory ? 1 : 0;
  EXPECT_EQ(coloured, expected);
  form->SortClick();
  EXPECT_NE(List().ColourCategoryOf(0), kNoColourCategory);
  EXPECT_TRUE(Grid().Model().Source().Cell(1, 1).has_colour);
  dialogs.Script({mrYes});
  form->ClearColoursClick();
  EXPECT_EQ(List().ColourCategoryOf(0), kNoColourCategory);
  // Closing the data stops the window: its buttons do nothing.
  Main().CloseData(true);
  EXPECT_EQ(form->Grid(), nullptr);
  form->FindClick(false);
}

// A value the column's type cannot hold is refused in the editor, naming the field; the
// requirement stays as it was and nothing is searched.
TEST_F(GridTools, TheConditionEditorRefusesAValueThatDoesNotFitTheColumn) {
  Fire(170);
  auto* form = qobject_cast<TFormTestWhether*>(Main().ConditionsForm());
  ASSERT_NE(form, nullptr);
  int number_column = -1;
  for (const TGrid_head32& h : List().grid_headings)
    if (h.visible && h.numeric && h.column_number > 0 && number_column < 0) number_column = h.column_number;
  ASSERT_GT(number_column, 0);
  const struct {
    int column;
    uint8_t seek;
    const char *x, *y;
    const char16_t* named;  // in the message; nullptr: accepted
  } cases[] = {{number_column, kSeekBetween, "federal", "", u"X: 'federal' is not a number"},
               {number_column, kSeekBetween, "1", "", u"Y is empty"},
               {number_column, kSeekBetween, "1", "many", u"Y: 'many' is not a number"},
               {number_column, kSeekGreater, "2,5", "", nullptr},
               {kFileColumn, kSeekLongerThan, "long", "", u"X: 'long' is not a whole number"},
               {kFileColumn, kSeekEndsWith, "", "", u"X is empty"},
               {kFileColumn, kSeekEndsWith, "spring.txt", "", nullptr}};
  for (const auto& c : cases) {
    form->ClearTheDecks();
    dialogs.Clear();
    // Closed without OK when OK refused: the requirement is as it was.
    AnswerNextModal(false, [&](QDialog& d) {
      auto& editor = static_cast<TFormSearchRequirements&>(d);
      editor.DataColumn()->setCurrentIndex(editor.DataColumn()->findData(c.column));
      editor.Condition()->setCurrentIndex(editor.Condition()->findData(int(c.seek)));
      editor.InputText()->setEditText(QString::fromLatin1(c.x));
      editor.UpToValue()->setEditText(QString::fromLatin1(c.y));
      editor.OKClick();
    });
    form->EditRequirement(0);
    if (!c.named) {
      EXPECT_FALSE(WasAsked(TVXDialog::InformationMessage)) << c.x;
      EXPECT_TRUE(form->Editor()->DoubleCategoryRec().req[0].valid) << c.x;
      continue;
    }
    ASSERT_TRUE(WasAsked(TVXDialog::InformationMessage)) << c.x;
    EXPECT_NE(dialogs.Asked().back().text.find(c.named), UString::npos) << Utf16ToUtf8(dialogs.Asked().back().text);
    EXPECT_FALSE(form->Editor()->DoubleCategoryRec().req[0].valid) << c.x;
    EXPECT_FALSE(form->FindAllButton()->isEnabled()) << c.x;
  }
}

// Replacing in a column whose cells cannot change is refused before anything is searched,
// naming the column; the concordance's own Set column takes replacements.
TEST_F(GridTools, SearchAndReplaceSaysWhenTheColumnCannotChange) {
  Fire(17);
  auto* dlg = qobject_cast<TSearchReplaceDlg*>(Main().SearchReplaceForm());
  ASSERT_NE(dlg, nullptr);
  auto item_of = [&](int column) {
    for (int i = 0; i < dlg->Columns()->count(); ++i)
      if (dlg->Columns()->item(i)->data(Qt::UserRole).toInt() == column) return i;
    return -1;
  };
  const int word_item = item_of(kFileColumn);
  ASSERT_GE(word_item, 0);
  dlg->Columns()->setCurrentRow(word_item);
  dlg->SearchBox()->setEditText(QStringLiteral("river"));
  dlg->ReplaceBox()->setEditText(QStringLiteral("stream"));
  dialogs.Clear();
  dlg->OKClick();
  EXPECT_FALSE(dlg->Busy());
  ASSERT_TRUE(WasAsked(TVXDialog::InformationMessage));
  EXPECT_NE(dialogs.Asked().back().text.find(u"cannot be changed"), UString::npos);
  EXPECT_NE(dialogs.Asked().back().text.find(FromQString(dlg->Columns()->item(word_item)->text())), UString::npos);
  EXPECT_TRUE(dlg->Context()->toPlainText().isEmpty());
  // The Set column of the lines.
  const int set_column = List().PredefinedSetColumnNumber();
  List().Get(0)->SetAWordAsString(set_column, u"river bank");
  Grid().ListChanged();
  EnsureGridHeadings(List());
  for (TGrid_head32& h : List().grid_headings)
    if (h.column_number == set_column) h.visible = 1;
  Grid().ApplyHeadings();
  Fire(17);
  ASSERT_GE(item_of(set_column), 0);
  dlg->Columns()->setCurrentRow(item_of(set_column));
  dlg->SearchBox()->setEditText(QStringLiteral("bank"));
  dlg->ReplaceBox()->setEditText(QStringLiteral("side"));
  dlg->ConfirmEach()->setChecked(false);
  dialogs.Clear();
  dlg->OKClick();
  EXPECT_FALSE(WasAsked(TVXDialog::InformationMessage));
  EXPECT_EQ(Utf16ToUtf8(List().Get(0)->GetAWordAsString(set_column)), "river side");
}

// After a Zap the file-name counts and the views made from the lines count only the lines left.
TEST_F(GridTools, ZapRecountsTheTextsAndTheViewsMadeFromTheLines) {
  T_WholeLinzoraHolder& doc = *Main().Doc();
  auto plot_hits = [&] {
    int64_t n = 0;
    for (int i = 0; i < doc.fConcPlotList->Count(); ++i) n += doc.fConcPlotList->Get(i)->MainWordFrequency();
    return n;
  };
  auto file_hits = [&](UStringView name) {
    for (int i = 0; i < doc.fTextFilesWithSearchWord->Count(); ++i) {
      const TLinzoraFilenameEntryRecPlus r = doc.fTextFilesWithSearchWord->GetEntryRecPlus(i, false);
      if (EndsWithU(r.full_filename, name)) return r.other_data.hits_this_file;
    }
    return -1;
  };
  ASSERT_NE(TurnTo("Plot"), nullptr);
  DeliverPendingEvents();
  const int lines_before = List().Count();
  const int64_t plot_before = plot_hits();
  ASSERT_GT(plot_before, 0);
  const UString file = u"river_spring.txt";
  const int of_file = RowsOfFile(file);
  ASSERT_EQ(file_hits(file), of_file);
  std::vector<int32_t> rows;
  for (int i = 0; i < List().Count(); ++i) {
    TGrid_data_rec cell;
    List().DrawgridDataRec(kFileColumn, i + 1, cell, 0);
    if (RelevantAffixesOfStringData(cell).find(file) != UString::npos) rows.push_back(i);
  }
  rows.pop_back();  // one line of the text stays
  Main().Pages()->Tabs()->setCurrentIndex(0);
  List().DeleteARange(rows, true, true);
  dialogs.Script({mrYes});
  Fire(11);
  ASSERT_EQ(List().Count(), lines_before - static_cast<int>(rows.size()));
  EXPECT_EQ(file_hits(file), 1);
  ASSERT_NE(TurnTo("Plot"), nullptr);
  DeliverPendingEvents();
  EXPECT_EQ(plot_hits(), plot_before - static_cast<int64_t>(rows.size()));
  // Undo brings the lines back, still deleted, then takes the deletion off: the counts follow.
  for (const int lines_counted : {1, of_file}) {
    Main().Pages()->Tabs()->setCurrentIndex(0);
    Fire(82);
    EXPECT_EQ(List().Count(), lines_before);
    EXPECT_EQ(file_hits(file), lines_counted);
    ASSERT_NE(TurnTo("Plot"), nullptr);
    DeliverPendingEvents();
    EXPECT_EQ(plot_hits(), plot_before - (of_file - lines_counted));
  }
}

TEST_F(GridTools, SearchAndReplaceInASetColumn) {
  const int set = SetColumnHolding({{0, u"cat cat"}, {2, u"a cat"}});
  Fire(17);
  auto* dlg = qobject_cast<TSearchReplaceDlg*>(Main().SearchReplaceForm());
  ASSERT_NE(dlg, nullptr);
  ASSERT_TRUE(dlg->isVisible());
  EXPECT_EQ(dlg->Columns()->currentItem()->data(Qt::UserRole).toInt(), set);
  dlg->SearchBox()->setEditText(QStringLiteral("cat"));
  dlg->ReplaceBox()->setEditText(QStringLiteral("dog"));
  dlg->ConfirmEach()->setChecked(true);
  dlg->OKClick();
  ASSERT_TRUE(dlg->Busy());
  EXPECT_EQ(dlg->Context()->toPlainText(), QStringLiteral("Row 1: cat cat"));
  EXPECT_EQ(dlg->Preview()->text(), QStringLiteral("dog cat"));
  EXPECT_EQ(Main().Status()->PanelText(10), ToQString(VXResFmt(TVXRes::VXHitN, {u"1", u"1"})));
  Shot(*dlg, "search_replace");
  dlg->YesClick();
  dlg->YesAllClick();
  EXPECT_FALSE(dlg->Busy());
  EXPECT_EQ(Utf16ToUtf8(List().AddedCellText(set, 0)), "dog dog");
  EXPECT_EQ(Utf16ToUtf8(List().AddedCellText(set, 2)), "a dog");
  EXPECT_EQ(Utf16ToUtf8(GridCellText(Grid().Model().Source().Cell(1, set))), "dog dog");
  // Bad input: nothing searched, nothing changed.
  struct TCase {
    const char* typed;
    TVXDialog said;
  } cases[] = {{"", TVXDialog::PleaseMakeAChoiceForXAction}, {"dog/", TVXDialog::InformationMessage}};
  for (const TCase& c : cases) {
    Fire(17);
    dialogs.Clear();
    dlg->SearchBox()->setEditText(QString::fromLatin1(c.typed));
    dlg->ReplaceBox()->setEditText(QStringLiteral("x"));
    dlg->OKClick();
    EXPECT_TRUE(WasAsked(c.said)) << c.typed;
    EXPECT_EQ(Utf16ToUtf8(List().AddedCellText(set, 0)), "dog dog");
  }
  // Cancel at a hit replaces nothing.
  Fire(17);
  dlg->SearchBox()->setEditText(QStringLiteral("dog"));
  dlg->ReplaceBox()->setEditText(QStringLiteral("owl"));
  dlg->ConfirmEach()->setChecked(true);
  dlg->OKClick();
  dlg->CancelClick();
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(Utf16ToUtf8(List().AddedCellText(set, 0)), "dog dog");
}

// A search shows its words in the grid's column, and they stay after it; a search for another word
// first offers to clear them (No keeps both, Yes only the new), the same word again does not.
TEST_F(GridTools, SearchShowsItsWordsInTheGridAndOffersToClearThemForAnother) {
  const int set = SetColumnHolding({{0, u"a cat and a dog"}});
  using TSpans = std::vector<std::pair<int32_t, int32_t>>;
  auto spans = [&] {
    TSpans out;
    for (const auto& s : Grid().Model().Source().Cell(1, set).spans) out.emplace_back(s.start, s.length);
    return out;
  };
  const struct {
    const char* typed;
    int answer;  // to the offer to clear the last search's words; 0: not offered
    TSpans shown;
  } steps[] = {{"cat", 0, {{2, 3}}},
               {"dog", mrNo, {{2, 3}, {12, 3}}},
               {"a", mrYes, {{0, 1}, {10, 1}}},
               {"a", 0, {{0, 1}, {10, 1}}}};
  for (const auto& step : steps) {
    Fire(17);
    auto* dlg = qobject_cast<TSearchReplaceDlg*>(Main().SearchReplaceForm());
    ASSERT_NE(dlg, nullptr);
    dlg->SearchBox()->setEditText(QString::fromLatin1(step.typed));
    dlg->ReplaceBox()->setEditText(QStringLiteral("x"));
    dlg->ConfirmEach()->setChecked(true);
    dialogs.Clear();
    if (step.answer != 0) dialogs.Script({step.answer});
    dlg->OKClick();
    EXPECT_EQ(WasAsked(TVXDialog::ClearTheSearch), step.answer != 0) << step.typed;
    EXPECT_EQ(spans(), step.shown) << step.typed;
    if (std::string(step.typed) == "dog") Shot(Main(), "search_words_shown");
    dlg->CancelClick();
    EXPECT_EQ(spans(), step.shown) << step.typed;
  }
  EXPECT_EQ(Utf16ToUtf8(List().AddedCellText(set, 0)), "a cat and a dog");
}

TEST_F(GridTools, BreakdownCountsByFile) {
  Fire(37);
  auto* form = qobject_cast<TFormBreakdown*>(Main().BreakdownForm());
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->Searches()->toPlainText().trimmed(), QStringLiteral("river"));
  EXPECT_TRUE(form->BreakdownBox()->isChecked());
  EXPECT_EQ(form->BreakdownColumn()->currentData().toInt(), kFileColumn);
  form->SearchColumn()->setCurrentIndex(form->SearchColumn()->findData(1));
  form->StopClick();  // a stop before the count does not stop the next one
  form->CountClick();
  const QStringList lines = form->Results()->toPlainText().split(QLatin1Char('\n'));
  ASSERT_GE(lines.size(), 5);
  EXPECT_EQ(lines[0], QStringLiteral("river: ") + QString::number(List().Count()));
  EXPECT_EQ(lines[2], QStringLiteral("3 files"));
  EXPECT_TRUE(lines.contains(QStringLiteral("river_spring.txt: ") + QString::number(RowsOfFile(u"river_spring.txt"))));
  EXPECT_EQ(form->StopState(), 0);
  EXPECT_EQ(form->Progress()->value(), 100);  // done, not back at 0 %
  EXPECT_TRUE(form->SaveButton()->isEnabled());
  Shot(*form, "breakdown");
  // Saving where nothing can be written is named.
  dialogs.Clear();
  EXPECT_FALSE(form->SaveResults(dir.Path() + u"no/such/folder/results.txt"));
  EXPECT_TRUE(WasAsked(TVXDialog::FailedToSave));
  EXPECT_FALSE(form->LoadSearches(dir.Path() + u"missing.txt"));
  EXPECT_TRUE(WasAsked(TVXDialog::FailedToRead));
}

// The breakdown's Load and Save ask the file dialogs the user chose under Settings > General (the
// main window's, answered here), and its Help opens the concordancer's page of it.
TEST_F(GridTools, BreakdownLoadSaveAndHelpGoTheProgramsWay) {
  TAnsweredFileDialogs file_dialogs(Main());
  Fire(37);
  auto* form = qobject_cast<TFormBreakdown*>(Main().BreakdownForm());
  ASSERT_NE(form, nullptr);
  auto button = [form](const char* name) { return form->findChild<QPushButton*>(QString::fromLatin1(name)); };
  file_dialogs.answers = {dir.Write(u"searches.txt", std::string("river\nbank\n"))};
  button("ButtonLoad")->click();
  EXPECT_EQ(file_dialogs.requests, 1);
  EXPECT_EQ(form->Searches()->toPlainText().trimmed(), QStringLiteral("river\nbank"));
  form->CountClick();
  ASSERT_TRUE(form->SaveButton()->isEnabled());
  const UString results = dir.Path() + u"results.txt";
  file_dialogs.answers = {results};
  button("AdvGlowButtonSaveREsults")->click();
  EXPECT_EQ(file_dialogs.save_requests, 1);
  EXPECT_TRUE(FileExists(results));

  button("ButtonHelp")->click();
  EXPECT_TRUE(WaitUntil([this] { return Main().LastHelpContext() == 5470; }, 3000)) << Main().LastHelpContext();
}

class GridToolsBatch : public MainRoadTest {};

TEST_F(GridToolsBatch, BatchArchiveListedOpenedRefusedAndDamaged) {
  Start();
  TempFolder corpus;
  HandOverTexts({corpus.Write(u"a.txt", "the old man"), corpus.Write(u"c.txt", "an old dog, an old cat")});
  Wizard().SearchWordItems.Clear();
  Wizard().SearchWordItems.AddedSearchWords(u"old");
  TFormBatchProcessSetup& batch = Main().BatchWindow();
  const UString out = dir.Path() + u"zipped/";
  WhenShown(&batch, [&batch, out] {
    batch.FolderEdit()->setText(ToQString(out));
    batch.ZipCheck()->setChecked(true);
    batch.ButtonOKClick();
  });
  ASSERT_TRUE(Main().RunBatchConcordance(Main().ChosenTexts));
  std::vector<UString> zips = FindFiles(out, u"*.zip", true);
  if (zips.empty()) zips = FindFiles(dir.Path(), u"*.zip", true);
  ASSERT_FALSE(zips.empty());
  // No: no document.
  Main().NextFile.name = zips.front();
  dialogs.Script({mrNo});
  EXPECT_FALSE(Main().OpenAFile());
  EXPECT_EQ(Main().Doc(), nullptr);
  // Yes: the entries in archive order; a double-click opens one.
  Main().NextFile.name = zips.front();
  dialogs.Script({mrYes});
  Main().OpenAFile();
  auto* chooser = qobject_cast<TFormBatchChoose*>(Main().BatchChooser());
  ASSERT_NE(chooser, nullptr);
  EXPECT_TRUE(chooser->isVisible());
  ASSERT_EQ(chooser->Entries()->count(), 2);
  Shot(*chooser, "batch_chooser");
  ASSERT_TRUE(chooser->OpenEntry(1));
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_EQ(Main().Doc()->fConcordanceList->Count(), 2);  // c.txt: two lines
  // An entry of an archive gone since it was listed, and a damaged archive: named, nothing opened.
  Main().CloseData(true);
  DeleteFileU(zips.front());
  dialogs.Clear();
  EXPECT_FALSE(chooser->OpenEntry(0));
  EXPECT_NE(AllQuestionText().find(zips.front()), UString::npos);
  EXPECT_EQ(Main().Doc(), nullptr);
  const UString damaged = corpus.Write(u"damaged.zip", "PK\x03\x04 not really an archive");
  UString message;
  EXPECT_FALSE(chooser->ShowTheBatchFiles(damaged, message));
  EXPECT_NE(message.find(damaged), UString::npos);
}

}  // namespace

namespace {

// A text grid of two languages, as the search dialog sees it.
class TTextGridStandIn : public TSearchTarget {
 public:
  std::vector<std::vector<UString>> rows = {{u"the cat and the cat", u"le chat"}, {u"no hit", u"rien"}, {u"a cat", u"un chat"}};
  std::vector<int> shown_rows;
  bool IsTextGrid() const override { return true; }
  std::vector<std::pair<UString, int>> Choices() override { return {{u"English", 0}, {u"French", 1}}; }
  int CurrentChoice() override { return 0; }
  int Rows() override { return static_cast<int>(rows.size()); }
  bool CellText(int row, int choice, UString& text) override {
    text = rows[static_cast<size_t>(row)][static_cast<size_t>(choice)];
    return true;
  }
  bool Replace(int, int, const UString&) override { return false; }
  void ShowHit(int row, int, int) override { shown_rows.push_back(row); }
};

TEST_F(GridTools, SearchOnlyInATextGridStopsOncePerRowAndWraps) {
  TSearchReplaceDlg dlg(&Main());
  auto target = std::make_unique<TTextGridStandIn>();
  TTextGridStandIn* grid = target.get();
  dlg.Setup(false, std::move(target));
  dlg.show();
  EXPECT_EQ(dlg.Columns()->count(), 2);
  EXPECT_FALSE(dlg.Preview()->isVisible());
  dlg.SearchBox()->setEditText(QStringLiteral("cat"));
  dlg.OKClick();
  dlg.OKClick();  // only searching, OK moves on
  dlg.SkipClick();
  EXPECT_EQ(grid->shown_rows, (std::vector<int>{0, 2, 0}));
  dlg.CancelClick();
  EXPECT_FALSE(dlg.Busy());
  // The other language.
  dlg.show();
  dlg.Columns()->setCurrentRow(1);
  dlg.SearchBox()->setEditText(QStringLiteral("chat"));
  grid->shown_rows.clear();
  dlg.OKClick();
  EXPECT_EQ(grid->shown_rows, (std::vector<int>{0}));
  dlg.CancelClick();
}

TEST_F(GridTools, SavingSaysAddedValuesStayBehindAndTheConditionsFollowThePage) {
  Fire(29);
  Columns().Pages()->setCurrentIndex(2);
  Columns().AddSetColumnButton()->click();
  const int set = List().ColumnSetnums().items.back();
  List().SetAddedCellText(set, 0, u"noun");
  dialogs.Clear();
  dialogs.Script({mrCancel});
  bool saved = true;
  Main().SaveData(&Grid(), saved);
  EXPECT_FALSE(saved);
  EXPECT_TRUE(WasAsked(TVXDialog::WarnAboutAndASKOK));
  // The conditions window points at the grid of the page turned to.
  Fire(170);
  auto* form = qobject_cast<TFormTestWhether*>(Main().ConditionsForm());
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->Grid(), &Grid());
  for (int t = 1; t < Main().Pages()->Count(); ++t)
    if (TVX_Grid* g = Main().Pages()->GridOfTab(t)) {
      Main().Pages()->Tabs()->setCurrentIndex(t);
      DeliverPendingEvents();
      EXPECT_EQ(form->Grid(), g);
      break;
    }
}

}  // namespace
