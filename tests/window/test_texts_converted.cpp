// A UTF-8 text the user lets the run convert to UTF-16: the run asks, converts it, and the idle
// step after the run says how many texts were converted.
#include <fstream>

#include "platform/rtl/files.h"
#include "window/main_road_support.h"

namespace {

std::string FirstBytes(const UString& name) {
  std::ifstream in(Utf16ToUtf8(name), std::ios::binary);
  std::string two(2, '\0');
  in.read(two.data(), 2);
  return in ? two : std::string();
}

TEST_F(MainRoadTest, ConvertedTextsAreCountedAfterTheRun) {
  SetTextConversionOptions(4 | 8);  // the user may be asked, and is
  const UString utf8 = dir.Write(u"corpus/u.txt", "\xEF\xBB\xBF" "The caf\xC3\xA9 by the river.\n");
  const UString plain = dir.Write(u"corpus/p.txt", "Another river here.\n");
  Start();
  HandOverTexts({utf8, plain});
  dialogs.Script({mrYes});
  RunFromWizard(u"river");
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_TRUE(WasAsked(TVXDialog::OKtoSaveXInUnicode));
  EXPECT_TRUE(WaitUntil([this] { return WasAsked(TVXDialog::NTextFilesConverted); }, 3000))
      << Utf16ToUtf8(AllQuestionText());
  EXPECT_NE(AllQuestionText().find(u"1 text files were converted"), UString::npos) << Utf16ToUtf8(AllQuestionText());
  // The text is UTF-16 now, with its byte-order mark.
  const std::string bytes = FirstBytes(utf8);
  ASSERT_EQ(bytes.size(), 2u);
  EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 0xFF);
  EXPECT_EQ(static_cast<uint8_t>(bytes[1]), 0xFE);
}

}  // namespace
