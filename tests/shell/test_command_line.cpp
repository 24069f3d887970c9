#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "shell/services/command_line.h"

namespace {

struct ParseCase {
  std::vector<UString> params;
  uint16_t flags;
  uint8_t tool;
  UString formatted;
};

class CommandLine : public ::testing::Test {
 protected:
  void TearDown() override {
    global_keeping_log = false;
    SetLogFilename(u"");
    SetLogging(false);
    SetTheLogFilename(u"");
  }
};

}  // namespace

TEST_F(CommandLine, SwitchesToolsAndFilesTable) {
  const ParseCase cases[] = {
      {{}, 0, 17, u""},
      {{u"", u"a.cnc", u""}, 0, 17, u"a.cnc"},
      {{u"-C"}, kParmSwitchC, 17, u""},
      {{u"/c"}, 0, 17, u""},  // switch letters are upper case only
      {{u"\\K", u"-W", u"/I", u"-G"}, kParmSwitchK | kParmSwitchW | kParmSwitchI | kParmSwitchG, 17, u""},
      {{u"-Y", u"-F"}, kParmSwitchFOrY, 17, u""},
      {{u"-F", u"-Y"}, kParmSwitchFOrY | kParmSwitchY, 17, u""},
      {{u"-D", u"-Z", u"-x"}, 0, 17, u""},  // not switch letters: ignored, not files
      {{u"//", u"\\\\"}, 0, 17, u"// \\\\"},  // two slashes or backslashes are not switches
      {{u"/ab"}, 0, 17, u"/ab"},              // three characters: a file
      {{u"linzora", u"my", u"file.cnc"}, kParmToolNamed, 1, u"linzora my file.cnc"},
      {{u"KEYNESS"}, kParmToolNamed, 2, u"KEYNESS"},
      {{u"keyness", u"wordlister"}, kParmToolNamed, 2, u"keyness wordlister"},  // the first tool named
  };
  for (const ParseCase& c : cases) {
    TVXParamsFound found;
    found.parms_found = 0xFFFF;  // parsing starts from zero
    ParseCommandLine(c.params, found);
    const std::string where = c.params.empty() ? "(none)" : Utf16ToUtf8(c.params[0]);
    EXPECT_EQ(found.parms_found, c.flags) << where;
    EXPECT_EQ(found.tool_wanted, c.tool) << where;
    EXPECT_EQ(found.formatted_params, c.formatted) << where;
  }
}

TEST_F(CommandLine, LogTakesItsNameOrTheTemporaryFolder) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "lz_cmdline_log";
  std::filesystem::create_directories(dir);
  const UString named = Utf8ToUtf16((dir / "run.log").string());

  TVXParamsFound found;
  ParseCommandLine({u"/log", named, u"doc.cnc"}, found);
  EXPECT_EQ(found.parms_found, kParmLog);
  EXPECT_EQ(found.logfilename, named);
  EXPECT_EQ(found.formatted_params, u"doc.cnc");  // the log name is not a file to open
  EXPECT_TRUE(global_keeping_log.load());
  // Kept, so that reading the settings again does not end the log.
  EXPECT_TRUE(GetLogging());
  EXPECT_EQ(GetTheLogFilename(), named);

  ParseCommandLine({u"doc.cnc", u"/log"}, found);
  EXPECT_EQ(found.logfilename, SystemTempFolder() + kDefaultLogName);
  EXPECT_EQ(GetTheLogFilename(), SystemTempFolder() + kDefaultLogName);
  EXPECT_EQ(found.formatted_params, u"doc.cnc");
  std::filesystem::remove_all(dir);
}

TEST_F(CommandLine, DocumentIsTheJoinedNameOrTheFirstExistingOne) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "lz_cmdline_doc";
  std::filesystem::create_directories(dir);
  const std::string spaced = (dir / "my file.cnc").string();
  const std::string plain = (dir / "plain.cnc").string();
  std::ofstream(spaced) << "x";
  std::ofstream(plain) << "x";

  // A path split by the shell at its blank is joined again.
  const std::vector<UString> split = {Utf8ToUtf16((dir / "my").string()), u"file.cnc"};
  TVXParamsFound found;
  ParseCommandLine(split, found);
  EXPECT_EQ(DocumentNamedOnCommandLine(split, found), Utf8ToUtf16(spaced));

  // Otherwise the first parameter that names a file; switches and the log name are passed over.
  const std::vector<UString> mixed = {u"-C", u"/nonexistent/linzora", Utf8ToUtf16(plain), Utf8ToUtf16(spaced)};
  ParseCommandLine(mixed, found);
  EXPECT_EQ(DocumentNamedOnCommandLine(mixed, found), Utf8ToUtf16(plain));

  const std::vector<UString> none = {u"/nonexistent/linzora", u"/nonexistent/x.cnc"};
  ParseCommandLine(none, found);
  EXPECT_EQ(DocumentNamedOnCommandLine(none, found), u"");
  std::filesystem::remove_all(dir);
}
