// The batch record is global and outlives any window: the handlers a batch window's OK puts in
// it must go when the window goes, or the next run (another window's) calls into a freed one.
#include <QLineEdit>
#include <QProgressBar>

#include "model/documents/batch_procedures.h"
#include "support/temp_folder.h"
#include "windows/batch_setup.h"
#include "window/main_road_support.h"

namespace {

TEST_F(MainRoadTest, BatchWindowHandlersGoWithTheWindow) {
  Start();
  auto* batch = new TFormBatchProcessSetup(&Main());
  batch->FolderEdit()->setText(ToQString(dir.Path() + u"batch"));
  batch->ButtonOKClick();
  ASSERT_TRUE(batch->ok_pressed);
  Global_BatchProcedures.OnProgressing(0);
  EXPECT_EQ(batch->Progress()->value(), 1);
  delete batch;
  // What the record calls now is harmless.
  Global_BatchProcedures.OnProgressing(3);
  Global_BatchProcedures.OnBatchFileNameAndMaxN(u"folder", u"concordancing", 2);
}

}  // namespace
