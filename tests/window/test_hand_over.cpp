#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/settings_defaults.h"
#include "platform/settings/window_registry.h"
#include "shell/services/hand_over_folder.h"
#include "shell/services/progress.h"
#include "shell/main_window/controller_messages.h"
#include "shell/files/file_recognition.h"
#include "shell/services/suite_services.h"
#include "window/test_tool_window.h"

namespace {

std::string Bytes(const UString& name) {
  std::ifstream in(ToFsPath(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The test tool with the controller played by a queue in this process, and the temporary folder
// (the hand-over folder's parent) inside the test's own folder.
class HandOverTest : public ToolWindowTest {
 protected:
  void SetUp() override {
    ToolWindowTest::SetUp();
    setenv("TMPDIR", Utf16ToUtf8(dir.Path()).c_str(), 1);
    // Where hand-overs go when the temporary folder cannot be trusted: inside the test's folder.
    ASSERT_TRUE(ForceDirectories(RuntimeFolder()));
    setenv("XDG_RUNTIME_DIR", Utf16ToUtf8(RuntimeFolder()).c_str(), 1);
    ResetWindowRegister();
    SetControllerLink(&link);
    RegisterToolWindow(100);
    SetNewWnd(kToolController, 200);
    doc = dir.Path() + u"corpus.cnc";
    ASSERT_TRUE(WriteTestDocument(doc, 3, u"three texts"));
  }
  void TearDown() override {
    windows.clear();
    SetControllerLink(nullptr);
    ResetWindowRegister();
    unsetenv("TMPDIR");
    unsetenv("XDG_RUNTIME_DIR");
    ToolWindowTest::TearDown();
  }
  TTestToolForm& Window(const UString& command_line_document = u"") {
    windows.push_back(std::make_unique<TTestToolForm>());
    TTestToolForm& w = *windows.back();
    if (!command_line_document.empty()) w.SetCommandLine({command_line_document});
    w.show();
    w.WaitForStartup();
    link.Clear();
    dialogs.Clear();
    return w;
  }
  // Codes posted to the controller, without the document-shown notices (4600, 4601).
  std::vector<int> Posted() const {
    std::vector<int> codes;
    for (const auto& m : link.Posted())
      if (m.msg == kMsgToolCode && CodeOfWParam(m.wparam) != 4600 && CodeOfWParam(m.wparam) != 4601)
        codes.push_back(CodeOfWParam(m.wparam));
    return codes;
  }
  std::vector<TVXDialog> Asked() const {
    std::vector<TVXDialog> ids;
    for (const TVXQuestion& q : dialogs.Asked()) ids.push_back(q.id);
    return ids;
  }
  UString RuntimeFolder() const { return dir.Path() + u"runtime"; }
  // The test's own settings folder keeps its hand-overs apart, in its "temp" folder.
  UString HandOverFolder() const { return dir.Path() + u"config/temp/"; }

  TQueuedControllerLink link;
  UString doc;
  std::vector<std::unique_ptr<TTestToolForm>> windows;
};

}  // namespace

TEST_F(HandOverTest, HandOverFileIsTheToolsOwnInThePrivateFolder) {
  const UString name = ToolHandOverFilename(kTestTool);
  EXPECT_EQ(name, HandOverFolder() + Tool_Name(kTestTool) + u"_handover" + DefaultExtFromToolType(kTestTool));
  // Written by the tool, the file is recognised as the tool's own.
  ASSERT_TRUE(WriteTestDocument(name, 1));
  EXPECT_TRUE(IsAFileForThisTool(name, kTestTool));
  const auto perms = std::filesystem::status(ToFsPath(HandOverFolder())).permissions();
  EXPECT_EQ(perms & std::filesystem::perms::all, std::filesystem::perms::owner_all);
}

// Saved for the other program and read back in another window: the same texts and notes. Each
// time the controller hides its progress window first and hears 615 last, and the store names the
// file; the giver's document keeps its own file, the taker's counts as never saved.
TEST_F(HandOverTest, SavedThenReadBackGivesTheSameDocument) {
  TTestToolForm& giver = Window(doc);
  ASSERT_NE(giver.Document(), nullptr);
  const std::string original = Bytes(doc);
  ASSERT_TRUE(giver.SaveForHandOver());
  const UString name = ToolHandOverFilename(kTestTool);
  EXPECT_TRUE(FileExists(name));
  EXPECT_EQ(GetMyTempFilename(), name);
  EXPECT_EQ(GetLastMainToolFileName(kTestTool), name);
  EXPECT_EQ(Asked(), std::vector<TVXDialog>{TVXDialog::SavedOK});
  EXPECT_EQ(Posted(), (std::vector<int>{kProgCodeHide, 615}));
  // The copy is not the user's save: the document keeps its own file, which stays as it was.
  EXPECT_EQ(giver.Document()->SourceTextFilename, doc);
  EXPECT_FALSE(giver.HasUnsavedData());
  EXPECT_EQ(Bytes(doc), original);

  TTestToolForm& taker = Window();
  ASSERT_TRUE(taker.ReadFromHandOver());
  ASSERT_NE(taker.Document(), nullptr);
  ASSERT_EQ(taker.Document()->stats->Count(), 3);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(taker.Document()->stats->GetEntryFullFilename(i), giver.Document()->stats->GetEntryFullFilename(i)) << i;
  ASSERT_GE(taker.Document()->fNotes.Count(), 1);
  EXPECT_EQ(taker.Document()->fNotes[taker.Document()->fNotes.Count() - 1], u"three texts");
  EXPECT_EQ(Asked(), std::vector<TVXDialog>{TVXDialog::ReportedAFact});
  EXPECT_NE(dialogs.Asked()[0].text.find(u"3 entries"), UString::npos) << Utf16ToUtf8(dialogs.Asked()[0].text);
  EXPECT_EQ(Posted(), (std::vector<int>{kProgCodeHide, 615}));
  EXPECT_EQ(GetMyTempFilename(), name);
  EXPECT_EQ(GetLastMainToolFileName(kTestTool), name);
  // Its Save asks for a name rather than writing into the hand-over folder.
  EXPECT_TRUE(taker.HasUnsavedData());
  EXPECT_TRUE(taker.windowTitle().contains(ToQString(VXRes(TVXRes::VXUnsaved))));
  const int asked_before = taker.dialogs.save_requests;
  bool saved = true;
  taker.SaveData(nullptr, saved);  // the scripted dialog cancels
  EXPECT_FALSE(saved);
  EXPECT_EQ(taker.dialogs.save_requests, asked_before + 1);
}

// A save that fails says so, leaves the store naming what it named and posts no 615: a hand-over
// folder that is not this user's plain folder, or a document that cannot be written.
TEST_F(HandOverTest, FailedSaveChangesNothingInTheStore) {
  struct Case {
    const char* what;
    bool folder_is_a_file;
    bool document_fails;
  } cases[] = {{"folder is a file", true, false}, {"document fails to write", false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::error_code ec;
    std::filesystem::remove_all(ToFsPath(HandOverFolder()), ec);
    if (c.folder_is_a_file) {
      // Both the temporary folder and the one that stands in for it.
      ASSERT_TRUE(ForceDirectories(ExtractFilePath(ExcludeTrailingPathDelimiter(HandOverFolder()))));
      std::ofstream(ToFsPath(ExcludeTrailingPathDelimiter(HandOverFolder()))) << "not a folder";
      std::ofstream(ToFsPath(RuntimeFolder() + u"/linzora")) << "not a folder";
    }
    SetMyTempFilename(u"/earlier/hand-over.cnc");
    SetLastMainToolFileName(kTestTool, doc);
    TTestToolForm& w = Window(doc);
    ASSERT_NE(w.Document(), nullptr);
    w.Document()->fail_save = c.document_fails;
    EXPECT_FALSE(w.SaveForHandOver());
    EXPECT_EQ(Asked(), std::vector<TVXDialog>{TVXDialog::FailedToSave});
    EXPECT_EQ(Posted(), std::vector<int>{kProgCodeHide});
    EXPECT_EQ(GetMyTempFilename(), u"/earlier/hand-over.cnc");
    EXPECT_EQ(GetLastMainToolFileName(kTestTool), doc);
    std::filesystem::remove_all(ToFsPath(ExcludeTrailingPathDelimiter(HandOverFolder())), ec);
    std::filesystem::remove_all(ToFsPath(RuntimeFolder() + u"/linzora"), ec);
  }
}

// Reading back: a store naming nothing or a missing file says FailedToRead; a garbled file and
// another tool's document each give their own message; the window keeps its document; no 615.
TEST_F(HandOverTest, FailedReadKeepsTheShownDocument) {
  const UString garbled = dir.Write(u"garbled.cnc", std::string(600, '\x5a'));
  const UString other_tool = dir.Path() + u"other.lst";
  ASSERT_TRUE(WriteTestDocument(other_tool, 2, u"word list", kToolWordLister, kListWordList));
  struct Case {
    UString stored;
    TVXDialog said;
  } cases[] = {{u"", TVXDialog::FailedToRead},
               {dir.Path() + u"gone.cnc", TVXDialog::FailedToRead},
               {garbled, TVXDialog::IsntTessorFile},
               {other_tool, TVXDialog::WrongToolForFile}};
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.stored));
    TTestToolForm& w = Window(doc);
    ASSERT_NE(w.Document(), nullptr);
    const QString caption = w.windowTitle();
    SetMyTempFilename(c.stored);
    EXPECT_FALSE(w.ReadFromHandOver());
    EXPECT_EQ(Asked(), std::vector<TVXDialog>{c.said});
    EXPECT_EQ(Posted(), std::vector<int>{kProgCodeHide});
    ASSERT_NE(w.Document(), nullptr);
    EXPECT_EQ(w.Document()->SourceTextFilename, doc);
    EXPECT_EQ(w.Document()->stats->Count(), 3);
    EXPECT_EQ(w.windowTitle(), caption);
    EXPECT_EQ(GetLastMainToolFileName(kTestTool), doc);
  }
}

// Unsaved results shown and the question cancelled: the window keeps them; no message of failure.
TEST_F(HandOverTest, CancelledSaveQuestionKeepsTheShownResults) {
  TTestToolForm& giver = Window(doc);
  ASSERT_TRUE(giver.SaveForHandOver());
  TTestToolForm& w = Window(doc);
  w.MarkDataChanged();
  dialogs.Script({mrCancel});
  EXPECT_FALSE(w.ReadFromHandOver());
  EXPECT_EQ(Asked(), std::vector<TVXDialog>{TVXDialog::DoYouWantToSave});
  EXPECT_EQ(Posted(), std::vector<int>{kProgCodeHide});
  EXPECT_EQ(w.Document()->SourceTextFilename, doc);
}

// While a job runs neither hand-over starts.
TEST_F(HandOverTest, RefusedDuringAJob) {
  TTestToolForm& w = Window(doc);
  SetMyTempFilename(doc);
  TJobScope job;
  EXPECT_FALSE(w.SaveForHandOver());
  EXPECT_FALSE(w.ReadFromHandOver());
  EXPECT_TRUE(Asked().empty());
  EXPECT_TRUE(Posted().empty());
}

// The store's name is opened once with the hand-over checks and read through that opening: a
// link at the name (even to a good document of the tool) or a folder there is refused with
// FailedToRead naming the file and why; the window keeps its document and the link's target is
// not taken in.
TEST_F(HandOverTest, OnlyTheUsersOwnPlainFileIsReadBack) {
  const UString good = dir.Path() + u"good.cnc";
  ASSERT_TRUE(WriteTestDocument(good, 1, u"one text"));
  const UString link_name = dir.Path() + u"link.cnc";
  ASSERT_EQ(::symlink(Utf16ToUtf8(good).c_str(), Utf16ToUtf8(link_name).c_str()), 0);
  const UString folder = dir.Path() + u"folder.cnc";
  ASSERT_TRUE(ForceDirectories(folder));
  struct Case {
    UString stored;
    const char16_t* said;
  } cases[] = {{link_name, u"is a link"}, {folder, u"not a plain file"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.stored));
    TTestToolForm& w = Window(doc);
    ASSERT_NE(w.Document(), nullptr);
    SetMyTempFilename(c.stored);
    EXPECT_FALSE(w.ReadFromHandOver());
    ASSERT_EQ(Asked(), std::vector<TVXDialog>{TVXDialog::FailedToRead});
    const UString text = dialogs.Asked()[0].text;
    EXPECT_NE(text.find(c.stored), UString::npos) << Utf16ToUtf8(text);
    EXPECT_NE(text.find(c.said), UString::npos) << Utf16ToUtf8(text);
    EXPECT_EQ(Posted(), std::vector<int>{kProgCodeHide});
    ASSERT_NE(w.Document(), nullptr);
    EXPECT_EQ(w.Document()->SourceTextFilename, doc);
    EXPECT_EQ(w.Document()->stats->Count(), 3);
  }
  // The same document as a plain file of the user's is read.
  SetMyTempFilename(good);
  TTestToolForm& w = Window(doc);
  ASSERT_TRUE(w.ReadFromHandOver());
  ASSERT_NE(w.Document(), nullptr);
  EXPECT_EQ(w.Document()->stats->Count(), 1);
}
