// The list tools reached as a user reaches them: the command fired through the menu handler on
// the page a user would be on, its dialog answered, and the list, the file or the message
// checked afterwards.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "concordance/document/source_files.h"
#include "model/lists/grid_headings.h"
#include "platform/text/text_files.h"
#include "shell/files/file_recognition.h"
#include "shell/grid_tools/set_categories.h"
#include "shell/qt/help_access.h"
#include "shell/qt/settings_dialogs.h"
#include "shell/qt/shell_menu_bar.h"
#include "shell/settings/language_choice.h"
#include "window/result_pages_support.h"
#include "windows/filename_replace_dialog.h"
#include "windows/language_change_dialog.h"
#include "windows/save_as_dialog.h"
#include "windows/search_replace_dialog.h"
#include "windows/set_column_edit_dialog.h"
#include "windows/sort_dialog.h"
#include "windows/start_wizard.h"

using namespace result_pages;

namespace {

constexpr int kConcordanceSetColumn = 2;

// The dialog as the user sees it, into the screenshots' commands folder.
void CommandShot(QWidget& w, const QString& name) {
  SaveScreenshot(w, QStringLiteral("commands/") + name);
}

QPushButton* ButtonNamed(QWidget& w, const QString& text) {
  for (QPushButton* b : w.findChildren<QPushButton*>())
    if (b->text() == text || b->objectName() == text) return b;
  return nullptr;
}

std::vector<UString> FileLines(const UString& name) {
  UString text;
  EXPECT_TRUE(ReadTextFile(name, text, 1 << 20));
  std::vector<UString> out;
  for (UStringView line : SplitLinesU(text)) out.emplace_back(line);
  return out;
}

class CommandsListsTest : public ResultPagesTest {
 protected:
  QAction* Action(int tag) { return Main().Menus()->ActionOfTag(tag); }
};

}  // namespace

TEST_F(CommandsListsTest, ChangeLanguageGivesTheListTheChosenLanguageAndNotesIt) {
  ASSERT_NE(TurnToType(kListConcordance), nullptr);
  UString chosen;
  ActOnNextModal([&](QDialog& d) {
    auto* dialog = qobject_cast<TFormLangChange*>(&d);
    ASSERT_NE(dialog, nullptr);
    ASSERT_GT(dialog->Alternatives()->count(), 0);
    dialog->Alternatives()->setCurrentIndex(dialog->Alternatives()->count() - 1);
    chosen = FromQString(dialog->Alternatives()->currentText());
    CommandShot(d, QStringLiteral("change_language"));
    dialog->ChangeButton()->click();
  });
  Fire(164);
  ASSERT_FALSE(chosen.empty());
  EXPECT_NE(StatusMessage(), QStringLiteral("Not available in this window."));
  EXPECT_EQ(static_cast<int32_t>(Doc().LCID()), LanguageValueOfName(chosen));
  bool noted = false;
  for (int i = 0; i < Doc().fNotes.Count(); ++i)
    noted = noted || Doc().fNotes[i].find(u"Language changed to " + chosen) != UString::npos;
  EXPECT_TRUE(noted);
  // The controller is told the language itself, not its place in this user's list.
  EXPECT_TRUE(WaitUntil([this] { return CodeSent(kCodeLanguageChoice); }));
}

TEST_F(CommandsListsTest, SetColumnEditTakesTheValueAndDraggedColourThenClearEmptiesIt) {
  TVX_Grid& grid = Grid();
  // The run may have put a category in a line already; an edit of other rows leaves it alone.
  const UString third_before = CategoryOf(Lines(), Main().LineOfRow(&grid, 3), kConcordanceSetColumn);
  SelectRow(grid, 2, kConcordanceSetColumn);
  grid.selectionModel()->select(grid.model()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  ActOnNextModal([&](QDialog& d) {
    auto* editor = qobject_cast<TFormSetColumnEdit*>(&d);
    ASSERT_NE(editor, nullptr);
    editor->SetValue(u"noun");
    EXPECT_TRUE(editor->DropColour(editor->ColourList(), QColor(0x20, 0x40, 0xC0)));
    CommandShot(d, QStringLiteral("set_column_edit"));
    ButtonNamed(d, QStringLiteral("ButtonOK"))->click();
  });
  Fire(180);
  const int first = Main().LineOfRow(&grid, 1), second = Main().LineOfRow(&grid, 2);
  EXPECT_EQ(CategoryOf(Lines(), first, kConcordanceSetColumn), u"noun");
  EXPECT_EQ(CategoryOf(Lines(), second, kConcordanceSetColumn), u"noun");
  EXPECT_EQ(Lines().ColourCategoryOf(second), 0xC04020u);
  EXPECT_EQ(CategoryOf(Lines(), Main().LineOfRow(&grid, 3), kConcordanceSetColumn), third_before);

  // Clear asks first: No keeps the categories, Yes empties them.
  dialogs.Script({mrNo});
  Fire(54);
  EXPECT_TRUE(WasAsked(TVXDialog::OKToDoX));
  EXPECT_EQ(CategoryOf(Lines(), second, kConcordanceSetColumn), u"noun");
  dialogs.Script({mrYes});
  Fire(54);
  EXPECT_EQ(CategoryOf(Lines(), first, kConcordanceSetColumn), u"");
  EXPECT_EQ(CategoryOf(Lines(), second, kConcordanceSetColumn), u"");
  for (int i = 0; i < Lines().Count(); ++i) EXPECT_EQ(CategoryOf(Lines(), i, kConcordanceSetColumn), u"") << i;
}

TEST_F(CommandsListsTest, FilenamesWritesTheRowsTextsOrEveryRowsIntoAShownFile) {
  TVX_Grid& grid = Grid();
  SelectRow(grid, 3);
  dialogs.Script({mrYes});
  Fire(38);
  ASSERT_EQ(launcher.shown.size(), 1u);
  const TConcordanceEntry* line = Lines().Line(Main().LineOfRow(&grid, 3));
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(FileLines(launcher.shown[0]),
            std::vector<UString>{Lines().SourceFileName(line->Data().filename_num_original)});
  // No: every row's text, each once.
  dialogs.Script({mrNo});
  Fire(38);
  ASSERT_EQ(launcher.shown.size(), 2u);
  std::vector<UString> all;
  for (int i = 0; i < Lines().Count(); ++i) {
    const UString name = Lines().SourceFileName(Lines().Line(i)->Data().filename_num_original);
    if (std::find(all.begin(), all.end(), name) == all.end()) all.push_back(name);
  }
  EXPECT_EQ(FileLines(launcher.shown[1]), all);
  EXPECT_NE(launcher.shown[0], launcher.shown[1]);
}

TEST_F(CommandsListsTest, FilenamesOfACollocateNamesTheTextsOfTheLinesHoldingIt) {
  TVX_Grid* grid = TurnToType(kListCollocates);
  ASSERT_NE(grid, nullptr);
  auto* collocates = dynamic_cast<TCollocateList*>(grid->List());
  ASSERT_NE(collocates, nullptr);
  int row = -1;
  for (int i = 0; i < collocates->Count(); ++i)
    if (UpperCaseU(collocates->Get(i)->MainWordOnly()) == u"MILL") row = i;
  ASSERT_GE(row, 0);
  SelectRow(*grid, row + 1);
  dialogs.Script({mrYes});
  Fire(38);
  ASSERT_EQ(launcher.shown.size(), 1u);
  const std::vector<UString> names = FileLines(launcher.shown[0]);
  ASSERT_FALSE(names.empty());
  // A plain scan: each text named has a line that shows the word.
  for (const UString& name : names) {
    bool seen = false;
    for (int i = 0; i < Lines().Count(); ++i) {
      const TConcordanceEntry* l = Lines().Line(i);
      if (Lines().SourceFileName(l->Data().filename_num_original) != name) continue;
      const TLineTextWide text(l->Text());
      seen = seen || UpperCaseU(UStringView(text)).find(u"MILL") != UString::npos;
    }
    EXPECT_TRUE(seen) << Utf16ToUtf8(name);
  }
  EXPECT_NE(std::find(names.begin(), names.end(), corpus->folder + u"chronicle_1950.txt"), names.end());
}

TEST_F(CommandsListsTest, FilenamesOfAClusterNamesTheTextsOfTheLinesHoldingItsWords) {
  TVX_Grid* grid = TurnToType(kListClusters);
  ASSERT_NE(grid, nullptr);
  TVXBaseDataClass& clusters = *grid->List();
  int row = -1;
  for (int i = 0; i < clusters.Count(); ++i)
    if (UpperCaseU(clusters.Get(i)->MainWordOnly()) == u"RIVER BANK") row = i;
  ASSERT_GE(row, 0);
  SelectRow(*grid, row + 1);
  dialogs.Script({mrYes});
  Fire(38);
  ASSERT_EQ(launcher.shown.size(), 1u);
  // A plain scan: the texts of the lines whose text holds "river bank", in line order.
  std::vector<UString> expected;
  for (int i = 0; i < Lines().Count(); ++i) {
    const TConcordanceEntry* l = Lines().Line(i);
    const TLineTextWide text(l->Text());
    const UString name = Lines().SourceFileName(l->Data().filename_num_original);
    if (UpperCaseU(UStringView(text)).find(u"RIVER BANK") != UString::npos &&
        std::find(expected.begin(), expected.end(), name) == expected.end())
      expected.push_back(name);
  }
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(FileLines(launcher.shown[0]), expected);
}

TEST_F(CommandsListsTest, LemmaMatchesWithoutALemmaListOffersToSetOneUp) {
  ASSERT_NE(TurnToType(kListCollocates), nullptr);
  AnswerNextModal(false);  // the lists dialog the Yes opens
  dialogs.Script({mrYes});
  Fire(25);
  EXPECT_TRUE(WasAsked(TVXDialog::NoLemmaList));
  EXPECT_TRUE(WaitUntil([this] { return CodeSent(2795); }));
  EXPECT_NE(StatusMessage(), QStringLiteral("Not available in this window."));
}

TEST_F(CommandsListsTest, YesToSettingUpALemmaListOpensTheListsDialog) {
  ASSERT_NE(TurnToType(kListCollocates), nullptr);
  const UString lemmas = dir.Write(u"lemmas.txt", "river -> rivers\n");
  bool met = false;
  ActOnNextModal([&](QDialog& d) {
    auto* lists = qobject_cast<TListSettingsDialog*>(&d);
    ASSERT_NE(lists, nullptr) << d.metaObject()->className();
    met = true;
    lists->Switch(0)->setChecked(true);
    lists->File(0)->setText(ToQString(lemmas));
    lists->accept();
  });
  dialogs.Script({mrYes});
  Fire(25);
  EXPECT_TRUE(WasAsked(TVXDialog::NoLemmaList));
  EXPECT_TRUE(WaitUntil([&] { return met; }));
  // The lemma list chosen there is the tool's from now on.
  EXPECT_EQ(GetLemmaMatchStopFilename(current_tool_var, 0), lemmas);
}

TEST_F(CommandsListsTest, SaveLemmaFileWritesTheCollocatesJoins) {
  TVX_Grid* grid = TurnToType(kListCollocates);
  ASSERT_NE(grid, nullptr);
  TVXBaseDataClass& list = *grid->List();
  ASSERT_GE(list.Count(), 3);
  ASSERT_TRUE(list.Join(0, 1, false) && list.Join(0, 2, false));
  const UString head = list.Get(0)->MainWordOnly();
  const UString forms = list.Get(1)->MainWordOnly() + u"," + list.Get(2)->MainWordOnly();
  const UString name = dir.Path() + u"lemmas.txt";
  // An older lemma file of that name is replaced whole.
  dir.Write(u"lemmas.txt", std::string("old line\n"));
  file_dialogs.answers.push_back(name);
  Fire(193);
  EXPECT_TRUE(WasAsked(TVXDialog::SavedOK));
  EXPECT_EQ(FileLines(name), std::vector<UString>{head + u" -> " + forms});
}

TEST_F(CommandsListsTest, TypingModesLetTheGridEditOnlyTheCellsTheyAllow) {
  TVX_Grid* grid = TurnToType(kListSourceFiles);
  ASSERT_NE(grid, nullptr);
  auto& texts = *static_cast<TLinzoraFilenamelist*>(grid->List());
  const UString before = texts.GetFullFilename(0, false);
  auto type_into_cell = [&](int row, int column, const QString& text, Qt::Key end) {
    grid->setFocus();
    SelectRow(*grid, row, column);
    QTest::keyClick(grid, Qt::Key_F2);
    QWidget* editor = QApplication::focusWidget();
    if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
      edit->selectAll();
      QTest::keyClicks(edit, text);
      QTest::keyClick(edit, end);
    }
    DeliverPendingEvents();
  };
  // Type-in: no cell changes.
  Fire(176);
  type_into_cell(1, kSourceColFile, QStringLiteral("/elsewhere/a.txt"), Qt::Key_Return);
  EXPECT_EQ(texts.GetFullFilename(0, false), before);
  // Editing data: the text's name takes what is typed; Escape leaves it as it was.
  Fire(178);
  type_into_cell(1, kSourceColFile, QStringLiteral("/elsewhere/b.txt"), Qt::Key_Escape);
  EXPECT_EQ(texts.GetFullFilename(0, false), before);
  type_into_cell(1, kSourceColFile, QStringLiteral("/elsewhere/c.txt"), Qt::Key_Return);
  EXPECT_EQ(texts.GetFullFilename(0, false), u"/elsewhere/c.txt");
  // Set categories on the lines: the Set column takes the typed category, the line column none.
  TurnToType(kListConcordance);
  grid = &Grid();
  Fire(177);
  const TConcordanceEntry* first = Lines().Line(Main().LineOfRow(grid, 1));
  const UString line_text(UStringView(TLineTextWide(first->Text())));
  type_into_cell(1, kConcordanceSetColumn, QStringLiteral("verb"), Qt::Key_Return);
  EXPECT_EQ(CategoryOf(Lines(), Main().LineOfRow(grid, 1), kConcordanceSetColumn), u"verb");
  // The only Set column: the cursor has gone one row down for the next category.
  EXPECT_TRUE(WaitUntil([grid] { return grid->CurrentRow() == 2; })) << grid->CurrentRow();
  EXPECT_EQ(grid->CurrentColumn(), kConcordanceSetColumn);
  type_into_cell(1, 1, QStringLiteral("x"), Qt::Key_Return);
  EXPECT_EQ(UString(UStringView(TLineTextWide(Lines().Line(Main().LineOfRow(grid, 1))->Text()))), line_text);
}

// The Typing Mode items show the tool's own mode from the start (type-in in a fresh store).
TEST_F(CommandsListsTest, TypingModeItemsShowTheToolsModeFromTheStart) {
  EXPECT_EQ(GetKeyPressMode(Main().Tool()), kTypingModeTypeIn);
  for (const auto& [tag, checked] : {std::pair{176, true}, std::pair{177, false}, std::pair{178, false}}) {
    SCOPED_TRACE(tag);
    EXPECT_EQ(GetMenuItemChecked(tag), checked);
    ASSERT_NE(Action(tag), nullptr);
    EXPECT_EQ(Action(tag)->isChecked(), checked);
  }
}

TEST_F(CommandsListsTest, EditDataTurnsToEditingDataAndOpensTheCurrentCell) {
  TVX_Grid* grid = TurnToType(kListSourceFiles);
  ASSERT_NE(grid, nullptr);
  Fire(176);
  SelectRow(*grid, 1, kSourceColFile);
  Fire(23);
  EXPECT_EQ(GetKeyPressMode(Main().Tool()), kTypingModeEditingData);
  EXPECT_TRUE(GetMenuItemChecked(178));
  EXPECT_NE(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr);
}

TEST_F(CommandsListsTest, ActiveColumnAppearsWithTwoSetColumnsAndChoosesOne) {
  TVX_Grid& grid = Grid();
  // One Set column of the lines' own: nothing to choose between yet.
  Main().PageChanged(Main().Pages()->Tabs()->currentIndex());
  ASSERT_NE(Action(207), nullptr);
  EXPECT_FALSE(Action(207)->isVisible());
  // A set column added in the column editor, as its button does.
  Fire(29);
  ASSERT_NE(Main().ColumnsForm(), nullptr);
  Main().ColumnOperation(&grid, true, true, 0);
  Main().ColumnsForm()->hide();
  Main().PageChanged(Main().Pages()->Tabs()->currentIndex());
  EXPECT_TRUE(Action(207)->isVisible());
  // The active one, by the place the grid shows it and its heading.
  const int shown_at = CurrentColumnNumber(Lines().grid_headings, kConcordanceSetColumn);
  EXPECT_EQ(Action(207)->text(), QStringLiteral("active column %1 (Set)").arg(shown_at));
  ActOnNextModal([](QDialog& d) {
    // The list's own Set column and the one added: the added one is chosen.
    const auto choices = d.findChildren<QRadioButton*>();
    ASSERT_EQ(choices.size(), 2);
    choices.back()->setChecked(true);
    CommandShot(d, QStringLiteral("active_column"));
    d.accept();
  });
  Fire(207);
  EXPECT_EQ(Lines().ColumnSetnums().current, 1);
}

TEST_F(CommandsListsTest, SearchTextOpensTheSearchOnlyDialog) {
  Fire(16);
  auto* dialog = qobject_cast<TSearchReplaceDlg*>(Main().SearchReplaceForm());
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(dialog->ReplaceBox()->isVisible());
  CommandShot(*dialog, QStringLiteral("search_text"));
}

TEST_F(CommandsListsTest, SearchAndReplaceOnTheTextsPageRenamesTheTexts) {
  TVX_Grid* grid = TurnToType(kListSourceFiles);
  ASSERT_NE(grid, nullptr);
  ActOnNextModal([](QDialog& d) {
    auto* dialog = qobject_cast<TFormSearchAndReplaceFilename*>(&d);
    ASSERT_NE(dialog, nullptr);
    dialog->SearchEdit()->setText(QStringLiteral("CORPUS"));
    dialog->ReplacementEdit()->setText(QStringLiteral("moved"));
    dialog->SetWithin(0);
    CommandShot(d, QStringLiteral("filename_search_replace"));
    dialog->OKClick();
  });
  Fire(17);
  auto& texts = *static_cast<TLinzoraFilenamelist*>(grid->List());
  ASSERT_GT(texts.Count(), 0);
  for (int i = 0; i < texts.Count(); ++i) {
    const UString name = texts.GetFullFilename(i, false);
    EXPECT_NE(name.find(u"/moved/"), UString::npos) << Utf16ToUtf8(name);
  }
  EXPECT_TRUE(Doc().DataChanged());
}

TEST_F(CommandsListsTest, RedoMakesTheUndoneDeletionAgainAndIsOffOtherwise) {
  TVX_Grid& grid = Grid();
  const int a = Main().LineOfRow(&grid, 1), b = Main().LineOfRow(&grid, 2);
  SelectRow(grid, 1);
  Fire(12);
  SelectRow(grid, 2);
  Fire(12);
  ASSERT_TRUE(Lines().GetDeleted(a) && Lines().GetDeleted(b));
  EXPECT_FALSE(Action(83)->isEnabled());
  Fire(82);
  EXPECT_TRUE(Lines().GetDeleted(a));
  EXPECT_FALSE(Lines().GetDeleted(b));
  EXPECT_TRUE(Action(83)->isEnabled());
  Fire(83);
  EXPECT_TRUE(Lines().GetDeleted(a));
  EXPECT_TRUE(Lines().GetDeleted(b));
  EXPECT_FALSE(Action(83)->isEnabled());
}

TEST_F(CommandsListsTest, SaveAsDocumentAndAnyFileSaveWhatTheyName) {
  struct Case {
    int format;
    const char16_t* file;
  };
  for (const Case& c : {Case{kSaveAsListOwnType, u"copy.cnc"}, Case{kSaveAsAny, u"lines.out"}}) {
    SCOPED_TRACE(c.format);
    dialogs.Clear();
    const UString name = dir.Path() + c.file;
    ActOnNextModal([&](QDialog& d) {
      auto* dialog = qobject_cast<TSaveAsTxtDlgFeb2012*>(&d);
      ASSERT_NE(dialog, nullptr);
      dialog->Format()->setCurrentIndex(c.format);
      dialog->FileEdit()->setText(ToQString(name));
      dialog->OKClick();
    });
    Fire(2);
    EXPECT_FALSE(WasAsked(TVXDialog::FailedToSave));
    ASSERT_TRUE(FileExists(name));
    UString text;
    ASSERT_TRUE(ReadTextFile(name, text, 64 << 20, 1252, true));
    if (c.format == kSaveAsAny) {
      // Plain text: the lines' own words are there.
      EXPECT_NE(UpperCaseU(text).find(u"RIVER"), UString::npos);
    }
  }
  // The document saved as ".cnc" opens as one.
  EXPECT_TRUE(IsAFileForThisTool(dir.Path() + u"copy.cnc", Main().Tool()));
}

TEST_F(CommandsListsTest, HelpButtonsOfTheWizardAndSortDialogOpenTheirContexts) {
  Main().ShowStartDialog();
  ASSERT_TRUE(WaitUntil([this] { return Wizard().isVisible(); }));
  QPushButton* help = ButtonNamed(Wizard(), QStringLiteral("Help"));
  ASSERT_NE(help, nullptr);
  help->click();
  ASSERT_TRUE(WaitUntil([this] { return Main().LastHelpContext() == 2070; }));
  EXPECT_FALSE(WasAsked(TVXDialog::NotImplemented));
  // Each page its own context.
  auto* pager = Wizard().findChild<QTabWidget*>();
  ASSERT_NE(pager, nullptr);
  const int expected[] = {1240, 2070, 2070, 2730};
  ASSERT_EQ(pager->count(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(HelpContextOf(pager->widget(i)), expected[i]) << i;
  Wizard().hide();
  TConcSortForm* sort = windows->sort;
  ASSERT_NE(sort, nullptr);
  QPushButton* sort_help = ButtonNamed(*sort, QStringLiteral("Help"));
  ASSERT_NE(sort_help, nullptr);
  sort_help->click();
  ASSERT_TRUE(WaitUntil([this] { return Main().LastHelpContext() == 2140; }));
}
