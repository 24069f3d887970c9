#include <gtest/gtest.h>

#include <fstream>

#include "model/work_derived.h"
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
