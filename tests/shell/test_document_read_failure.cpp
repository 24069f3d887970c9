#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "concordance/document_test_support.h"
#include "model/documents/work_derived.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "shell/files/document_read_failure.h"
#include "support/temp_folder.h"

namespace {

constexpr int32_t kMagic = 0x4C5A3131;

// A document whose body is a check value and its notes: the value tells damaged data apart.
class TCheckedDocument : public TTessorineholder {
 public:
  TCheckedDocument() : TTessorineholder(GetTextSettings(), nullptr, nullptr, nullptr, false, false, nullptr, nullptr) {
    ListKind = kListConcordance;
  }
  bool SaveToStream(TStream& s) override {
    return TTessorineholder::SaveToStream(s) && WriteI32(s, kMagic) && fNotes.SaveToStream(s);
  }
  bool ReadWholeFromStream(TStream& s) override {
    int32_t magic = 0;
    return TTessorineholder::ReadWholeFromStream(s) && ReadI32(s, magic) && magic == kMagic &&
           fNotes.ReadFromStream(s);
  }
};

std::string Bytes(const UString& name) {
  std::ifstream in(ToFsPath(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(DocumentReadFailure, TellsCutShortFromDamaged) {
  current_tool_var = kToolConcordancer;
  TempFolder dir;
  const UString good = dir.Path() + u"good.cnc";
  {
    TCheckedDocument doc;
    doc.fNotes.Add(u"a note long enough to be cut in the middle");
    ASSERT_TRUE(doc.SaveToFile(good, 600, 800, 96));
  }
  const std::string whole = Bytes(good);
  // The check value sits just before the notes: find it to damage it.
  const std::string magic_bytes("\x31\x31\x5A\x4C", 4);
  const size_t at = whole.rfind(magic_bytes);
  ASSERT_NE(at, std::string::npos);
  std::string damaged = whole;
  damaged[at] = 'X';
  struct Case {
    const char* what;
    UString name;
    TReadFailure expected;
  } cases[] = {
      {"whole", good, TReadFailure::None},
      {"cut in the notes", dir.Write(u"cut.cnc", whole.substr(0, whole.size() - 7)), TReadFailure::CutShort},
      {"cut after the header", dir.Write(u"cut2.cnc", whole.substr(0, at)), TReadFailure::CutShort},
      {"check value damaged", dir.Write(u"damaged.cnc", damaged), TReadFailure::Damaged},
      {"missing", dir.Path() + u"gone.cnc", TReadFailure::Missing},
  };
  for (const Case& c : cases) {
    TCheckedDocument fresh;
    EXPECT_EQ(WhyDocumentDidNotRead(fresh, c.name, kToolConcordancer), c.expected) << c.what;
  }
}

TEST(DocumentReadFailure, MessageNamesTheFileAndTheReason) {
  const UString cut = ReadFailureMessageArgument(u"/data/run.cnc", TReadFailure::CutShort);
  EXPECT_EQ(cut.rfind(u"/data/run.cnc: ", 0), 0u);
  EXPECT_NE(cut.find(u"cut short"), UString::npos);
  EXPECT_NE(ReadFailureMessageArgument(u"/data/run.cnc", TReadFailure::Damaged).find(u"damaged"), UString::npos);
  EXPECT_EQ(ReadFailureMessageArgument(u"/data/run.cnc", TReadFailure::None), u"/data/run.cnc");
}

// The padded second look at a concordance cut near its end reads it whole; the settings in it
// must not become the user's, nor the file the last one opened.
TEST(DocumentReadFailure, TheDiagnosisOfACutConcordanceChangesNothing) {
  document_test::ScopedSettings settings;
  current_tool_var = kToolConcordancer;
  TempFolder dir;
  const UString text = dir.Write(u"a.txt", "the old man and the old sea. an old dog.");
  document_test::TRunDone run = document_test::RunConcordance({{text}, u"old"});
  ASSERT_TRUE(run.found);
  run.doc->fSettings.SetWantedPerSearchWord(77);
  const std::string whole = document_test::SavedBytes(*run.doc);
  TConcSettingsRec32 user = GetConcSaveRec();
  user.SetWantedPerSearchWord(4321);
  SetConcSaveRec(user);
  SetLastMainToolFileName(kToolConcordancer, dir.Path() + u"kept.cnc");
  int cut_short = 0;
  for (size_t back = 1; back <= 64; ++back) {
    const UString name = dir.Write(u"cut.cnc", whole.substr(0, whole.size() - back));
    auto fresh = document_test::NewDocument();
    const TReadFailure why = WhyDocumentDidNotRead(*fresh, name, kToolConcordancer);
    EXPECT_NE(why, TReadFailure::None) << back;
    if (why == TReadFailure::CutShort) ++cut_short;
    EXPECT_EQ(GetConcSaveRec().WantedPerSearchWord(), 4321) << back;
    EXPECT_EQ(std::memcmp(GetConcSaveRec().bytes, user.bytes, sizeof user.bytes), 0) << back;
    EXPECT_EQ(GetLastMainToolFileName(kToolConcordancer), dir.Path() + u"kept.cnc") << back;
  }
  EXPECT_EQ(cut_short, 64);
}
