// A concordance line from a text inside a zip archive: a double-click shows the member's text
// on the source-text page with its hit marked, read from a copy taken out of the archive; the
// copy goes when the data close.
#include <filesystem>

#include "model/chosen_texts_test_support.h"
#include "shell/qt/vx_grid.h"
#include "window/main_road_support.h"

namespace {

// What a run gave: its lines, running words and texts read (with lines or without).
struct TRunCounts {
  int lines = -1;
  int running_words = -1;
  int texts = -1;
  bool operator==(const TRunCounts&) const = default;
};
std::ostream& operator<<(std::ostream& o, const TRunCounts& c) {
  return o << c.lines << " lines, " << c.running_words << " running words, " << c.texts << " texts";
}

class ZipChosenWhole : public MainRoadTest {
 protected:
  TRunCounts Counts() {
    TRunCounts c;
    T_WholeLinzoraHolder* doc = Main().Doc();
    if (!doc) return c;
    c.lines = doc->fConcordanceList->Count();
    c.running_words = doc->fSettings.RunningWords();
    c.texts = doc->fTextFilesWithSearchWord->Count() + doc->fUnusedFiles.Count();
    return c;
  }
  // The texts as they are in the folder, and in a zip archive beside it.
  UString Corpus(const char16_t* name, const std::vector<std::pair<UString, std::string>>& texts,
                 std::vector<UString>& files) {
    for (const auto& [file, bytes] : texts) files.push_back(dir.Write(UString(name) + u"/" + file, bytes));
    return MakeZip(dir.Path() + name + u".zip", texts);
  }
};

}  // namespace

// A zip archive chosen as one text is read as the texts in it, handed over whole or added
// through the chooser's Add files: the run counts what the folder of those texts gives, on two
// short texts counted by hand and on two texts of real prose.
TEST_F(ZipChosenWhole, TheRunReadsTheTextsInIt) {
  Start();
  const std::string samples = LINZORA_SAMPLES_DIR;
  struct TCase {
    const char16_t* name;
    std::vector<std::pair<UString, std::string>> texts;
    const char16_t* search;
    TRunCounts by_hand;  // lines -1: not worked by hand
  };
  const std::vector<TCase> cases{
      {u"hand",
       {{u"a.txt", "The river runs past the mill.\n"}, {u"b.txt", "The old mill wheel stands still, still.\n"}},
       u"mill",
       {2, 13, 2}},
      {u"prose",
       {{u"river_spring.txt", ReadAll(Utf8ToUtf16(samples + "/river_spring.txt"))},
        {u"ferry_letters.txt", ReadAll(Utf8ToUtf16(samples + "/ferry_letters.txt"))}},
       u"river",
       {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.name));
    std::vector<UString> files;
    const UString zip = Corpus(c.name, c.texts, files);
    HandOverTexts(files);
    RunFromWizard(c.search);
    const TRunCounts folder = Counts();
    ASSERT_GT(folder.lines, 0);
    if (c.by_hand.lines >= 0) EXPECT_EQ(folder, c.by_hand);
    // Handed over whole (a saved or handed-over choice may name an archive).
    HandOverTexts({zip});
    RunFromWizard(c.search);
    EXPECT_EQ(Counts(), folder) << Utf16ToUtf8(AllQuestionText());
    // Added as a file in the chooser: its texts take its place in the list.
    HandOverTexts({files.front()});
    TTextChooser* chooser = OpenChooserFromWizard();
    ASSERT_NE(chooser, nullptr);
    chooser->Choice().Clear();
    chooser->AddFiles({zip});
    ASSERT_EQ(chooser->Choice().Count(), static_cast<int>(c.texts.size()));
    EXPECT_EQ(chooser->Choice().KindText(0).find(u"zip member") != UString::npos, true);
    chooser->accept();
    ASSERT_TRUE(WaitUntil([&] { return Main().ChosenTexts.FileCount() == static_cast<int>(c.texts.size()); }));
    RunFromWizard(c.search);
    EXPECT_EQ(Counts(), folder) << Utf16ToUtf8(AllQuestionText());
  }
}

// An archive that gives no text is passed over and named; the run reads the other texts.
TEST_F(ZipChosenWhole, AnArchiveThatGivesNoTextIsNamed) {
  Start();
  const UString good = dir.Write(u"c/a.txt", "The river runs past the mill.\n");
  const UString damaged = dir.Write(u"c/damaged.zip", "PK\x03\x04 not really");
  HandOverTexts({damaged});
  RunFromWizard(u"mill");
  EXPECT_EQ(Main().Doc(), nullptr);
  EXPECT_NE(AllQuestionText().find(damaged + u" (a zip archive that cannot be read"), UString::npos)
      << Utf16ToUtf8(AllQuestionText());
  dialogs.Clear();
  HandOverTexts({good, damaged});
  RunFromWizard(u"mill");
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_EQ(Counts(), (TRunCounts{1, 6, 1}));
  EXPECT_NE(AllQuestionText().find(damaged + u" (a zip archive that cannot be read"), UString::npos)
      << Utf16ToUtf8(AllQuestionText());
}

namespace {

TEST_F(MainRoadTest, ALineFromAZipMemberShowsItsTextOnTheSourcePage) {
  Start();
  const UString samples = Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/";
  ASSERT_EQ(ChooseTextsThroughWizard({}, {{samples + u"winter_walk.zip", u"winter_walk.txt"}}), 1);
  RunFromWizard(u"river");
  ASSERT_NE(Main().Doc(), nullptr);
  TVX_Grid* grid = TurnTo("Concordance");
  ASSERT_NE(grid, nullptr);
  // The line's cell double-clicked (the grid hands the double-click to the window).
  grid->SelectCell(1, 1);
  Main().DDblClickCell(grid, 1);
  ASSERT_TRUE(WaitUntil([this] { return Main().ShownSourceLine().valid; })) << Utf16ToUtf8(AllQuestionText());
  EXPECT_FALSE(WasAsked(TVXDialog::SourceTextFileNotFound));
  const UString shown = Main().SourceTextPage()->ShownText();
  EXPECT_NE(shown.find(u"Winter Walk to the Source"), UString::npos);
  EXPECT_GT(Main().SourceTextPage()->HighlightCount(), 0);
  const UString copy = Main().ReadableSourceText(Main().ShownSourceLine().full_name);
  EXPECT_NE(copy, Main().ShownSourceLine().full_name);
  EXPECT_TRUE(FileExists(copy));
  // Closing the data (from the lines' page) deletes the copy.
  TurnTo("Concordance");
  dialogs.Script({mrNo});
  Main().HandleMenuCommand(26, u"");
  ASSERT_TRUE(WaitUntil([this] { return !Main().HasData(); }));
  EXPECT_FALSE(FileExists(copy));
}

}  // namespace
