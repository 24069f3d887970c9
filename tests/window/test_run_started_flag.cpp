// A concordance run raises the shared run-started flag as it starts: from the wizard, and from
// another tool's request; starting the program raises nothing.
#include "concordance/document/source_files.h"
#include "concordance/document/tell_list.h"
#include "shell/main_window/main_window_rules.h"
#include "window/main_road_support.h"

namespace {

class RunStartedFlagRoad : public MainRoadTest {
 protected:
  void SetUp() override {
    MainRoadTest::SetUp();
    SetRunStartedFlag(true);  // lowered
  }
  void TearDown() override {
    SetRunStartedFlag(true);
    MainRoadTest::TearDown();
  }
};

TEST_F(RunStartedFlagRoad, AWizardRunRaisesIt) {
  Start();
  EXPECT_FALSE(RunStartedFlag());
  HandOverTexts(WriteRiverTexts(dir, 1, 3));
  RunFromWizard(u"river");
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_TRUE(RunStartedFlag());
}

TEST_F(RunStartedFlagRoad, ARequestRunRaisesIt) {
  const std::vector<UString> texts = WriteRiverTexts(dir, 1, 3);
  TTellLinzoraList request(kToolWordLister, kToolConcordancer);
  request.fPreliminaries.include_stats = 1;
  TLinzoraFilenamelist& files = request.MakeSourceFileList();
  TLinzoraFilenameEntryRecPlus rec;
  rec.full_filename = texts[0];
  rec.head.filestatus = kFilePresent;
  rec.other_data.file_size = FileSizeU(texts[0]);
  files.Add(new TLinzoraFilenameEntry(&files, rec));
  request.AddItem(u"mill");
  ASSERT_TRUE(request.SaveRequestFile());
  Start({u"wordlister"});
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_TRUE(RunStartedFlag());
}

}  // namespace
