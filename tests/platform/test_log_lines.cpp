// Log lines: whatever a name holds, one call writes one line, and the line says what the name
// held.
#include <gtest/gtest.h>

#include "platform/runtime/vx_runtime.h"
#include "support/log_capture.h"
#include "support/temp_folder.h"

TEST(LogLines, ControlCharactersAreWrittenEscaped) {
  const struct {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"plain /corpus/a.txt", u"plain /corpus/a.txt"},
      {u"a\nb.txt", u"a\\nb.txt"},
      {u"a\r\nb", u"a\\r\\nb"},
      {u"field\tfield", u"field\tfield"},
      {u"bell\x07 nul\x01 esc\x1b del\x7f", u"bell\\x07 nul\\x01 esc\\x1B del\\x7F"},
      {u"c1 \u0085 \u009b", u"c1 \\x85 \\x9B"},
      {u"line\u2028sep\u2029para", u"line\\u2028sep\\u2029para"},
      {u"caf\u00e9 \u4e2d \U0001F600 back\\slash", u"caf\u00e9 \u4e2d \U0001F600 back\\slash"},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapedForLog(c.in), c.out) << Utf16ToUtf8(c.in);
}

TEST(LogLines, ANameWithLineBreaksStaysOnItsLine) {
  TempFolder tmp;
  TLogCapture log(tmp.Path());
  AddToLogFile(u"saved /corpus/evil\n12:00:00 forged line.txt");
  AddToLogFile(u"second\r\rline");
  const std::vector<std::string> lines = log.Text();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("saved /corpus/evil\\n12:00:00 forged line.txt"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("second\\r\\rline"), std::string::npos) << lines[1];
}
