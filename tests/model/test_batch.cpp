// Batch runs: archive and subfolder naming, saving results into (numbered) folders, and zipping
// them with backups of older archives.
#include <gtest/gtest.h>

#include <algorithm>

#include "model/documents/batch_procedures.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/zip/zip_forge.h"
#include "support/temp_folder.h"
#include "test_tool_document_support.h"

namespace {

TEST(BatchNaming, ArchiveSubfolderAndNewFileNames) {
  TBatchProceduresRec rec;
  EXPECT_EQ(SetBatchZipName(u"", u".cnc", rec), u"batch_cnc.zip");
  EXPECT_EQ(rec.zip_name, u"batch_cnc.zip");
  EXPECT_EQ(rec.base_zip_name, u"batch_cnc.zip");
  // The user's name is a name, not a format.
  const std::pair<const char16_t*, const char16_t*> names[] = {
      {u"100%", u"100%.zip"},     {u"a%d%s%%", u"a%dcnc%%.zip"}, {u"mine", u"mine.zip"},
      {u"Mine.ZIP", u"Mine.ZIP"}, {u"../../elsewhere.zip", u"elsewhere.zip"}};
  for (const auto& [given, made] : names) EXPECT_EQ(SetBatchZipName(given, u".cnc", rec), made);
  EXPECT_EQ(SetBatchZipName(u"r_%s_%s", u"v.1.2", rec), u"r_v12_v12.zip");

  EXPECT_EQ(EnsureFileHasExtension(u"a.b", u".zip"), u"a.b.zip");
  EXPECT_EQ(BatchZipBackupName(u"/f/a.zip"), u"/f/a.bak");
  EXPECT_EQ(BatchZipBackupName(u"/f/a.zip12"), u"/f/a.bak12");
  EXPECT_EQ(BatchZipBackupName(u"/f/a.zipx"), u"/f/a.zipx.bak");

  // Subfolders are marked on both sides, so that "1" is not found inside "11".
  EXPECT_EQ(BatchSubfolderName(1), u"/1gFg7guj/");
  EXPECT_EQ(BatchSubfolderPath(u"/b/", 11), u"/b/11gFg7guj/");
  EXPECT_EQ(BatchSubfolderPath(u"/b", 0), u"/b/0gFg7guj/");
  EXPECT_EQ(UString(u"/b/11gFg7guj/x.cnc").find(BatchSubfolderName(1)), UString::npos);

  TempFolder tmp;
  EXPECT_EQ(ForcedToBeNewFile(tmp.Path() + u"a.cnc"), tmp.Path() + u"a.cnc");
  tmp.Write(u"a.cnc", "x");
  EXPECT_EQ(ForcedToBeNewFile(tmp.Path() + u"a.cnc"), tmp.Path() + u"a_2.cnc");
  tmp.Write(u"a_2.cnc", "x");
  EXPECT_EQ(ForcedToBeNewFile(tmp.Path() + u"a.cnc"), tmp.Path() + u"a_3.cnc");
}

std::vector<UString> Members(const UString& zip_name) {
  TZipForge zip;
  zip.SetFileName(zip_name);
  std::vector<UString> names;
  if (!zip.OpenArchive(TZipOpenMode::Read)) return names;
  for (const TZipMemberInfo& m : zip.Members()) names.push_back(m.name);
  std::sort(names.begin(), names.end());
  return names;
}

using Names = std::vector<UString>;

class BatchRun : public ToolDocumentTest {
 protected:
  void SetUp() override {
    ToolDocumentTest::SetUp();
    Global_BatchProcedures = TBatchProceduresRec();
    SetDefaultBatchHandlers(Global_BatchProcedures);
    Global_BatchProcedures.BatchRootFolder = tmp.Path() + u"batch";
    HeadlessDialogs().Clear();
    SetDialogService(nullptr);
  }
  void TearDown() override {
    Global_BatchProcedures = TBatchProceduresRec();
    HeadlessDialogs().Clear();
    ToolDocumentTest::TearDown();
  }
  UString Batch(UStringView name = u"") const { return tmp.Path() + u"batch/" + UString(name); }
  bool Save(int32_t index, int32_t total, UStringView source = u"") {
    const UString src = source.empty() ? u"/corpus/text" + IntToUStr(index) + u".txt" : UString(source);
    return doc.BatchSaveToTempDir(src, index, 0, total);
  }
  bool Zip(int32_t total, UStringView name = u"") { return doc.BatchZipFromTempDir(u".cnc", name, total); }
  // A file in the batch folder before the run.
  UString Before(UStringView name, std::string_view bytes) {
    ForceDirectories(Batch());
    return tmp.Write(u"batch/" + UString(name), bytes);
  }

  TempFolder tmp;
  TTestDocument doc;
};

TEST_F(BatchRun, SmallRunsSaveIntoTheBatchFolderItself) {
  std::vector<int32_t> progressed;
  Global_BatchProcedures.OnProgressing = [&](int32_t i) { progressed.push_back(i); };
  ASSERT_TRUE(Save(0, 511));
  ASSERT_TRUE(Save(510, 511));
  EXPECT_TRUE(FileExists(Batch(u"text0.cnc")));
  EXPECT_EQ(doc.OneBatchFname, Batch(u"text510.cnc"));
  EXPECT_TRUE(FileExists(doc.OneBatchFname));
  EXPECT_FALSE(Global_BatchProcedures.split_into_subfolders);
  EXPECT_EQ(progressed, (std::vector<int32_t>{0, 510}));
  // A second text of the same name does not overwrite the first.
  ASSERT_TRUE(Save(3, 511, u"/other/text0.txt"));
  EXPECT_TRUE(FileExists(Batch(u"text0_2.cnc")));
  EXPECT_EQ(Global_BatchProcedures.saved_files.size(), 3u);
}

TEST_F(BatchRun, LargeRunsSaveIntoNumberedSubfolders) {
  for (int32_t i : {0, 511, 512, 999}) ASSERT_TRUE(Save(i, 1000));
  for (const char16_t* f : {u"0gFg7guj/text0.cnc", u"0gFg7guj/text511.cnc", u"1gFg7guj/text512.cnc",
                            u"1gFg7guj/text999.cnc"})
    EXPECT_TRUE(FileExists(Batch(f))) << Utf16ToUtf8(f);
  EXPECT_TRUE(Global_BatchProcedures.split_into_subfolders);
  EXPECT_EQ(Global_BatchProcedures.subfolder_count, 2);
  for (const UString& f : Global_BatchProcedures.saved_files) EXPECT_EQ(f.find(u"//"), UString::npos) << Utf16ToUtf8(f);

  // Batch mode 2 uses no subfolders whatever the number of texts.
  ResetBatchRun();
  Global_BatchProcedures.mode = 2;
  ASSERT_TRUE(Save(700, 1000));
  EXPECT_TRUE(FileExists(Batch(u"text700.cnc")));
  EXPECT_FALSE(Global_BatchProcedures.split_into_subfolders);
}

TEST_F(BatchRun, SavingKeepsTheTextsDateWhenAskedAndAFolderThatCannotBeMadeFails) {
  Global_BatchProcedures.keep_file_dates = true;
  const TDateTime date = UnixToDateTime(1000000000);  // 2001
  ASSERT_TRUE(doc.BatchSaveToTempDir(u"/c/dated.txt", 0, date, 1));
  EXPECT_NEAR(FileDateTime(Batch(u"dated.cnc")), date, 1.0 / 86400);

  ResetBatchRun();
  TTestDocument other;
  tmp.Write(u"blocker", "a file where the batch folder should be");
  Global_BatchProcedures.BatchRootFolder = tmp.Path() + u"blocker/inner";
  EXPECT_FALSE(other.BatchSaveToTempDir(u"/c/text.txt", 0, 0, 1));
  EXPECT_TRUE(Global_BatchProcedures.saved_files.empty());
  EXPECT_EQ(other.OneBatchFname, u"");
}

TEST_F(BatchRun, ZippingInOneGoTakesOnlyThisRunsResults) {
  Before(u"older.cnc", "the user's own file");
  ASSERT_TRUE(Save(0, 2));
  ASSERT_TRUE(Save(1, 2));
  ASSERT_TRUE(Zip(2, u"run_%s"));
  const UString zip = Batch(u"run_cnc.zip");
  EXPECT_EQ(Members(zip), (Names{u"text0.cnc", u"text1.cnc"}));
  TZipForge z;
  z.SetFileName(zip);
  ASSERT_TRUE(z.OpenArchive(TZipOpenMode::Read));
  EXPECT_EQ(z.GetFileComment(), "Tessor Batch file .cnc");
  EXPECT_EQ(doc.FilesZipped, 2);
  EXPECT_EQ(doc.last_batch_zip_Fullname, zip);
  EXPECT_TRUE(FileExists(Batch(u"older.cnc")));
  // "Delete saved files" is off: the results stay.
  EXPECT_TRUE(FileExists(Batch(u"text0.cnc")));
}

TEST_F(BatchRun, ZippedResultsAreDeletedOnlyWhenAskedAndNothingZippedIsAFailure) {
  EXPECT_FALSE(Zip(0));
  EXPECT_EQ(doc.FilesZipped, 0);
  EXPECT_FALSE(FileExists(Batch(u"batch_cnc.zip")));

  Global_BatchProcedures.delete_saved_files = true;
  ASSERT_TRUE(Save(0, 1));
  ASSERT_TRUE(Zip(1));
  EXPECT_EQ(Members(Batch(u"batch_cnc.zip")), Names{u"text0.cnc"});
  EXPECT_FALSE(FileExists(Batch(u"text0.cnc")));
}

TEST_F(BatchRun, AnExistingArchiveIsBackedUpWhenTheUserAgrees) {
  ASSERT_TRUE(Save(0, 1));
  ASSERT_TRUE(Zip(1));
  const UString zip = Batch(u"batch_cnc.zip");
  const int64_t first_size = FileSizeU(zip);

  ResetBatchRun();
  ASSERT_TRUE(Save(0, 2, u"/c/second.txt"));
  ASSERT_TRUE(Save(1, 2, u"/c/third.txt"));
  HeadlessDialogs().Script({mrYes});
  ASSERT_TRUE(Zip(2));
  ASSERT_EQ(HeadlessDialogs().Asked().size(), 1u);
  EXPECT_EQ(HeadlessDialogs().Asked()[0].id, TVXDialog::OKtoReplaceWithNewVersion);
  EXPECT_EQ(FileSizeU(Batch(u"batch_cnc.bak")), first_size);
  EXPECT_EQ(Members(Batch(u"batch_cnc.bak")), Names{u"text0.cnc"});
  EXPECT_EQ(Members(zip), (Names{u"second.cnc", u"third.cnc"}));
}

TEST_F(BatchRun, AnExistingArchiveTheUserKeepsStopsTheZipping) {
  const UString zip = Before(u"batch_cnc.zip", "not to be touched");
  ASSERT_TRUE(Save(0, 1));
  HeadlessDialogs().Script({mrNo});
  EXPECT_FALSE(Zip(1));
  EXPECT_EQ(FileSizeU(zip), 17);
  EXPECT_FALSE(FileExists(Batch(u"batch_cnc.bak")));
  EXPECT_TRUE(FileExists(Batch(u"text0.cnc")));
}

TEST_F(BatchRun, UnattendedRunsBackUpAndReplaceWithoutAsking) {
  Before(u"batch_cnc.zip", "old");
  Global_run_without_error_messages = true;
  ASSERT_TRUE(Save(0, 1));
  ASSERT_TRUE(Zip(1));
  EXPECT_TRUE(HeadlessDialogs().Asked().empty());
  EXPECT_EQ(FileSizeU(Batch(u"batch_cnc.bak")), 3);
  EXPECT_EQ(Members(Batch(u"batch_cnc.zip")), Names{u"text0.cnc"});
}

TEST_F(BatchRun, AnArchiveWhoseBackupFailsIsKeptAndTheFailureReported) {
  ForceDirectories(Batch(u"batch_cnc.bak/inside"));  // a folder where the backup would go
  Before(u"batch_cnc.zip", "old");
  Global_run_without_error_messages = true;
  ASSERT_TRUE(Save(0, 1));
  EXPECT_FALSE(Zip(1));
  EXPECT_EQ(FileSizeU(Batch(u"batch_cnc.zip")), 3);
  EXPECT_TRUE(FileExists(Batch(u"text0.cnc")));
}

TEST_F(BatchRun, SubfoldersGoIntoOneArchive) {
  Global_BatchProcedures.delete_saved_files = true;
  for (int32_t i : {0, 1, 600}) ASSERT_TRUE(Save(i, 1000));
  std::vector<std::pair<int32_t, bool>> sections;
  Global_BatchProcedures.OnZipSection = [&](int32_t pos, int32_t, bool, bool last) { sections.emplace_back(pos, last); };
  ASSERT_TRUE(Zip(1000));
  EXPECT_EQ(Members(Batch(u"batch_cnc.zip")), (Names{u"text0.cnc", u"text1.cnc", u"text600.cnc"}));
  EXPECT_EQ(doc.FilesZipped, 3);
  EXPECT_EQ(sections, (std::vector<std::pair<int32_t, bool>>{{1, false}, {2, true}}));
  // Emptied subfolders are removed.
  EXPECT_FALSE(DirectoryExists(Batch(u"0gFg7guj")));
  EXPECT_FALSE(DirectoryExists(Batch(u"1gFg7guj")));
  EXPECT_TRUE(Global_BatchProcedures.saved_files.empty());
}

TEST_F(BatchRun, HugeRunsGetANumberedArchivePerSubfolderAndEachNameIsChecked) {
  for (int32_t i : {0, 512}) ASSERT_TRUE(Save(i, 70000));
  Before(u"batch_cnc.zip1", "an archive of an earlier run");
  // First the warning that the batch is zipped in sections, then the question about the old zip.
  HeadlessDialogs().Script({mrOK, mrYes});
  ASSERT_TRUE(Zip(70000));
  ASSERT_EQ(HeadlessDialogs().Asked().size(), 2u);
  EXPECT_EQ(HeadlessDialogs().Asked()[0].text, u"70,000 files to process in all: the zip file will be made in sections");
  EXPECT_EQ(HeadlessDialogs().Asked()[0].id, TVXDialog::WarnAboutAndASKOK);
  EXPECT_NE(HeadlessDialogs().Asked()[1].text.find(u"batch_cnc.zip1"), UString::npos);
  EXPECT_EQ(Members(Batch(u"batch_cnc.zip0")), Names{u"text0.cnc"});
  EXPECT_EQ(Members(Batch(u"batch_cnc.zip1")), Names{u"text512.cnc"});
  EXPECT_EQ(FileSizeU(Batch(u"batch_cnc.bak1")), 28);
  EXPECT_FALSE(FileExists(Batch(u"batch_cnc.zip")));
  // The results stay (not to be deleted), so their subfolders stay too.
  EXPECT_TRUE(FileExists(Batch(u"1gFg7guj/text512.cnc")));
}

TEST_F(BatchRun, ANumberedArchiveTheUserKeepsIsReportedAsAFailure) {
  for (int32_t i : {0, 512}) ASSERT_TRUE(Save(i, 70000));
  Before(u"batch_cnc.zip1", "keep me");
  HeadlessDialogs().Script({mrOK, mrNo});
  EXPECT_FALSE(Zip(70000));
  EXPECT_EQ(FileSizeU(Batch(u"batch_cnc.zip1")), 7);  // not appended to
  EXPECT_EQ(Members(Batch(u"batch_cnc.zip0")), Names{u"text0.cnc"});
}

}  // namespace
