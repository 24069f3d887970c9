// The two batch runs: one result per search word or per text into the batch folder, and a report
// that counts only the files written and says where they are.
#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

#include "model/documents/batch_procedures.h"
#include "windows/batch_rules.h"
#include "windows/batch_setup.h"
#include "window/main_road_support.h"

namespace {

TEST(BatchRules, FileNamesAndReports) {
  EXPECT_EQ(CleanedUpFilename(u"old man"), u"old_man");
  EXPECT_EQ(CleanedUpFilename(u"a/b*c?"), u"a_b_c_");
  EXPECT_EQ(CleanedUpFilename(u""), u"search_word");
  TBatchOutcome o;
  o.saved = 2;
  o.steps = 3;
  o.steps_done = 3;
  o.folder = u"/out/";
  EXPECT_EQ(BatchReport(o), u"2 results saved in /out/. 1 found nothing to save.");
  o.stopped_at = u"dog";
  o.steps_done = 2;
  EXPECT_NE(BatchReport(o).find(u"stopped at \"dog\" (step 2 of 3)"), UString::npos);
}

class MainRoadBatches : public MainRoadTest {
 protected:
  // Presses OK in the batch window once it shows, with the folder given.
  void AnswerBatchWindow(const UString& folder, bool zip = false) {
    TFormBatchProcessSetup& batch = Main().BatchWindow();
    WhenShown(&batch, [&batch, folder, zip] {
      batch.FolderEdit()->setText(ToQString(folder));
      batch.ZipCheck()->setChecked(zip);
      batch.ButtonOKClick();
    });
  }
  TempFolder corpus;
};

TEST_F(MainRoadBatches, SearchWordBatchCountsOnlyFilesWritten) {
  Start();
  const UString a = corpus.Write(u"a.txt", "the old man and the old dog by the sea");
  HandOverTexts({a});
  const UString out = dir.Path() + u"batch/";
  Wizard().SearchWordItems.Clear();
  Wizard().SearchWordItems.AddedSearchWords(u"old\nzyzzyva\nsea");
  Wizard().SWBatch = true;
  AnswerBatchWindow(out);
  EXPECT_TRUE(Main().RunSearchWordBatchConcordance(Main().ChosenTexts));
  EXPECT_EQ(Main().Doc(), nullptr);
  EXPECT_EQ(Global_BatchProcedures.saved_files.size(), 2u);
  for (const UString& f : Global_BatchProcedures.saved_files) EXPECT_TRUE(FileExists(f)) << Utf16ToUtf8(f);
  EXPECT_NE(AllQuestionText().find(u"2 results saved in " + out), UString::npos) << Utf16ToUtf8(AllQuestionText());
  EXPECT_NE(AllQuestionText().find(u"1 found nothing"), UString::npos);
}

TEST_F(MainRoadBatches, TextBatchSavesOneResultPerTextWithHits) {
  Start();
  const UString a = corpus.Write(u"a.txt", "the old man");
  const UString b = corpus.Write(u"b.txt", "nothing here");
  const UString c = corpus.Write(u"c.txt", "an old dog, an old cat");
  HandOverTexts({a, b, c});
  const UString out = dir.Path() + u"texts/";
  Wizard().SearchWordItems.Clear();
  Wizard().SearchWordItems.AddedSearchWords(u"old");
  AnswerBatchWindow(out);
  EXPECT_TRUE(Main().RunBatchConcordance(Main().ChosenTexts));
  EXPECT_EQ(Main().Doc(), nullptr);
  EXPECT_EQ(Global_BatchProcedures.saved_files.size(), 2u);
  EXPECT_NE(AllQuestionText().find(u"2 results saved in " + out), UString::npos) << Utf16ToUtf8(AllQuestionText());
}

TEST_F(MainRoadBatches, ClosingTheBatchWindowRunsNothing) {
  Start();
  HandOverTexts({corpus.Write(u"a.txt", "the old man")});
  Wizard().SearchWordItems.Clear();
  Wizard().SearchWordItems.AddedSearchWords(u"old");
  TFormBatchProcessSetup& batch = Main().BatchWindow();
  WhenShown(&batch, [&batch] { batch.SetModalResult(mrCancel); });
  EXPECT_FALSE(Main().RunBatchConcordance(Main().ChosenTexts));
  EXPECT_TRUE(dialogs.Asked().empty());
}

}  // namespace
