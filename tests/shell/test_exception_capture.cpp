#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "exception_report/capture/exception_capture.h"
#include "platform/rtl/files.h"
#include "support/temp_folder.h"

namespace {

std::string ReadAll(UStringView name) {
  std::ifstream in(ToFsPath(name), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

// The folder's name must reach the file system whole, not squeezed into 8-bit characters.
TEST(ExceptionCapture, ReportGoesIntoAFolderWithANonAsciiName) {
  TempFolder dir;
  const UString folder = dir.Path() + u"R\u00e9sum\u00e9 \u62a5\u544a";
  CurrentExcTrapOptions().SetOutputPath(folder);
  EXPECT_EQ(CurrentExcTrapOptions().OutputPath(), folder + u"/");
  UString report;
  try {
    CauseACrash();
  } catch (...) {
    report = WriteExceptionReport(CurrentExceptionText(), u"menu command 56");
  }
  ASSERT_FALSE(report.empty());
  EXPECT_TRUE(StartsWithU(report, folder + u"/exception_"));
  EXPECT_TRUE(FileExists(report));
  const std::string text = ReadAll(report);
  EXPECT_NE(text.find("exception: a crash caused on request"), std::string::npos);
  EXPECT_NE(text.find("where: menu command 56"), std::string::npos);
  EXPECT_NE(text.find("tool: "), std::string::npos);
  CurrentExcTrapOptions().SetOutputPath(u"");
}

TEST(ExceptionCapture, ExceptionTexts) {
  struct Case { std::function<void()> thrower; UString text; };
  const Case cases[] = {
      {[] { throw std::runtime_error("disk full"); }, u"disk full"},
      {[] { throw 42; }, u"unknown exception"},
      {[] { CauseACrash(); }, u"a crash caused on request (menu \"Cause a Crash\")"},
  };
  for (const auto& c : cases) {
    try {
      c.thrower();
    } catch (...) {
      EXPECT_EQ(CurrentExceptionText(), c.text);
    }
  }
}

TEST(ExceptionCapture, UnwritableFolderAnswersEmpty) {
  TempFolder dir;
  const UString file = dir.Write(u"plain", "x");
  CurrentExcTrapOptions().SetOutputPath(file + u"/below");  // a folder under a file cannot be made
  EXPECT_EQ(WriteExceptionReport(u"x", u"test"), u"");
  CurrentExcTrapOptions().SetOutputPath(u"");
}
