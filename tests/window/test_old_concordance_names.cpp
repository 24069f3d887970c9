// An old concordance whose lines number a text beyond its list of texts (the list kept a text under
// the number it had before rows were taken out of it), opened with File > Open: the user is asked
// whether to correct the file names; Yes opens the list of file names, which points the lines at
// their texts again from a concordance of the same search and writes the texts' details to a file
// the notes name; No leaves the lines as they were read.
#include <set>

#include "concordance/document/concordance_document.h"
#include "concordance/document/source_files.h"
#include "concordance/lines/concordance_line.h"
#include "window/main_road_support.h"
#include "window/test_tool_window.h"

namespace {

constexpr int kOpenMenuItem = 3;

class OldConcordanceNames : public MainRoadTest {
 protected:
  // good.cnc as the run made it, old.cnc with its first text kept under the number 41 of a list of
  // three: its lines name a text the list does not count up to.
  void SaveGoodAndOld() {
    Start();
    Main().SetFileDialogs(&files);
    // The hits at a place of their own in each text: lines are matched between concordances by it.
    HandOverTexts({dir.Write(u"texts/text0.txt", "The river."), dir.Write(u"texts/text1.txt", "A long way to the river."),
                   dir.Write(u"texts/text2.txt", "Far away from here is the river bank.")});
    RunFromWizard(u"river");
    ASSERT_NE(Main().Doc(), nullptr);
    T_WholeLinzoraHolder& doc = *Main().Doc();
    ASSERT_EQ(doc.fConcordanceList->Count(), 3);
    ASSERT_TRUE(Main().SaveDataToFile(Main().ConcordanceGrid(), dir.Path() + u"good.cnc"));
    TLinzoraFilenameEntry* first = doc.fTextFilesWithSearchWord->Row(0);
    ASSERT_NE(first, nullptr);
    const int32_t was = first->fdata.other_data.zero_based_filename_num + 1;
    first->fdata.other_data.zero_based_filename_num = 40;
    for (int i = 0; i < 3; ++i)
      if (doc.fConcordanceList->Line(i)->Data().filename_num_original == was)
        doc.fConcordanceList->Line(i)->Data().filename_num_original = 41;
    ASSERT_TRUE(Main().SaveDataToFile(Main().ConcordanceGrid(), dir.Path() + u"old.cnc"));
  }
  void OpenThroughTheMenu(const UString& file) {
    files.answers.push_front(file);  // chosen first, before any file asked for later
    QAction* item = Main().Menus()->ActionOfTag(kOpenMenuItem);
    ASSERT_NE(item, nullptr);
    item->trigger();
    ASSERT_TRUE(WaitUntil([&] { return Main().Doc() && Main().Doc()->SourceTextFilename == file && !Main().RunActive(); }));
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }
  // The text a line names by its number ("" when the number names no row).
  UString TextOf(int line) {
    T_WholeLinzoraHolder& doc = *Main().Doc();
    const TLinzoraFilenameEntry* row =
        doc.fTextFilesWithSearchWord->Row(doc.fConcordanceList->Line(line)->Data().filename_num_original - 1, true);
    return row ? ExtractFileName(row->fdata.full_filename) : UString();
  }
  TScriptedFileDialogs files;
};

TEST_F(OldConcordanceNames, OpeningAsksAndYesCorrectsFromTheSameSearch) {
  struct Case {
    const char* what;
    int answer;
  } cases[] = {{"Yes", mrYes}, {"No", mrNo}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SaveGoodAndOld();
    if (HasFatalFailure()) return;
    dialogs.Clear();
    // Then, on Yes, yes to choosing a concordance of the same search, and good.cnc chosen.
    dialogs.Script({c.answer, mrYes});
    if (c.answer == mrYes) files.answers.push_back(dir.Path() + u"good.cnc");
    OpenThroughTheMenu(dir.Path() + u"old.cnc");

    ASSERT_FALSE(dialogs.Asked().empty());
    EXPECT_EQ(dialogs.Asked()[0].id, TVXDialog::FileNamesMismatchCorrectQ) << Utf16ToUtf8(AllQuestionText());
    EXPECT_NE(dialogs.Asked()[0].text.find(u"old.cnc"), UString::npos) << Utf16ToUtf8(dialogs.Asked()[0].text);
    EXPECT_EQ(Main().filenames_need_fixing, c.answer == mrYes);
    EXPECT_EQ(WasAsked(TVXDialog::DoYouWantToDoX), c.answer == mrYes);
    EXPECT_TRUE(files.answers.empty()) << "the concordance of the same search was not asked for";
    T_WholeLinzoraHolder& doc = *Main().Doc();
    ASSERT_EQ(doc.fConcordanceList->Count(), 3);
    EXPECT_EQ(doc.fConcordanceList->Dud_CNC_Filenames_found, c.answer != mrYes);
    // Every line still names its own text.
    std::set<UString> texts;
    for (int i = 0; i < 3; ++i) texts.insert(TextOf(i));
    EXPECT_EQ(texts, (std::set<UString>{u"text0.txt", u"text1.txt", u"text2.txt"}));
    // Yes wrote the texts' details, compared with good.cnc, to a file the notes name.
    const QString notes = Main().GetToolSpecificControl()->toPlainText();
    EXPECT_EQ(notes.contains(QStringLiteral("_FileInfo.txt")), c.answer == mrYes) << notes.toStdString();
  }
}

// A concordance whose lines all name listed texts opens without the question.
TEST_F(OldConcordanceNames, MatchingNamesAskNothing) {
  SaveGoodAndOld();
  if (HasFatalFailure()) return;
  dialogs.Clear();
  OpenThroughTheMenu(dir.Path() + u"good.cnc");
  EXPECT_FALSE(WasAsked(TVXDialog::FileNamesMismatchCorrectQ)) << Utf16ToUtf8(AllQuestionText());
  EXPECT_FALSE(Main().filenames_need_fixing);
  EXPECT_FALSE(Main().Doc()->fConcordanceList->Dud_CNC_Filenames_found);
}

}  // namespace
