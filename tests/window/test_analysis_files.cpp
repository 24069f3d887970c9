// The word-list analyses' files as this program meets them: a detailed-consistency list and a
// relationships list, dropped on the window or named on the command line, are refused as the
// word lister's.
#include "window/main_road_support.h"
#include "wordlist/relationships_list.h"
#include "wordlist/word_list_document.h"

namespace {

class AnalysisFiles : public MainRoadTest {
 protected:
  UString Saved(TTessorineList kind, const char16_t* name) {
    auto doc = std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kind, false, false, nullptr, nullptr);
    TMutualInfoRec r{};
    r.joint = 3;
    if (kind == kListRelationships) doc->Relationships().AddRow(r, u"RIVER", u"BANK");
    const UString file = folder.Path() + name;
    EXPECT_TRUE(doc->SaveToFile(file, 0, 0, 0));
    return file;
  }
  TempFolder folder;
};

TEST_F(AnalysisFiles, AreRefusedAsAnotherToolsDroppedOrNamed) {
  const std::vector<UString> files{Saved(kListDetailedConsistency, u"dc.lst"), Saved(kListRelationships, u"pairs.lst")};
  TFormLinzora& w = Start();
  w.HandleDroppedFiles(files);
  EXPECT_EQ(Asked(), std::vector<TVXDialog>(2, TVXDialog::WrongToolForFile));
  EXPECT_EQ(w.Doc(), nullptr);
  for (const UString& f : files) {
    dialogs.Clear();
    TFormLinzora& named = Start({f});
    EXPECT_TRUE(WasAsked(TVXDialog::WrongToolForFile)) << Utf16ToUtf8(AllQuestionText());
    EXPECT_EQ(named.Doc(), nullptr);
  }
}

}  // namespace
