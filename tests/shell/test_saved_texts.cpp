#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/settings/settings_access.h"
#include "shell/files/saved_texts.h"
#include "shell/recording_launcher.h"
#include "support/temp_folder.h"

namespace {

std::string Bytes(const UString& name) {
  std::ifstream in(ToFsPath(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Names chosen as a user would; an empty answer (or none left) cancels.
class TScriptedDialogs : public TFileDialogs {
 public:
  bool ChooseFileToOpen(const TFileDialogRequest&, UString&) override { return false; }
  bool ChooseFileToSave(const TFileDialogRequest& r, UString& chosen) override {
    ++asked;
    last = r;
    if (answers.empty()) return false;
    chosen = answers.front();
    answers.pop_front();
    return !chosen.empty();
  }
  std::deque<UString> answers;
  int asked = 0;
  TFileDialogRequest last;
};

class SavedTextsTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(dir.Path() + u"config").c_str(), 1);
    ResetSettingsStoreForTests();
    HeadlessDialogs().Clear();
  }
  void TearDown() override {
    HeadlessDialogs().Clear();
    unsetenv("LINZORA_CONFIG_DIR");
    ResetSettingsStoreForTests();
  }
  std::vector<TVXDialog> Asked() {
    std::vector<TVXDialog> ids;
    for (const TVXQuestion& q : HeadlessDialogs().Asked()) ids.push_back(q.id);
    return ids;
  }
  TempFolder dir;
  TScriptedDialogs dialogs;
  TRecordingLauncher launcher;
};

}  // namespace

TEST(SavedTexts, Utf16BytesStartWithTheMarkAndAreLittleEndian) {
  EXPECT_EQ(Utf16FileBytes(u"a\u00e9\u20ac"), std::string("\xFF\xFE" "a\0\xE9\0\xAC\x20", 8));
  EXPECT_EQ(Utf16FileBytes(u""), std::string("\xFF\xFE"));
}

TEST_F(SavedTextsTest, LinesGoToAnExistingFileWithoutADialog) {
  const UString name = dir.Write(u"memo.txt", "old");
  UString target = name;
  ASSERT_TRUE(SaveLinesToFile(target, {u"one", u"two"}, dialogs));
  EXPECT_EQ(dialogs.asked, 0);
  EXPECT_EQ(target, name);
  EXPECT_EQ(Bytes(name), Utf16FileBytes(u"one\r\ntwo\r\n"));
}

TEST_F(SavedTextsTest, LinesForANewNameAskWhereAndCancelWritesNothing) {
  UString target = dir.Path() + u"new.txt";
  EXPECT_FALSE(SaveLinesToFile(target, {u"x"}, dialogs));  // cancelled
  EXPECT_FALSE(FileExists(dir.Path() + u"new.txt"));
  EXPECT_TRUE(Asked().empty());
  dialogs.answers = {dir.Path() + u"chosen.txt"};
  ASSERT_TRUE(SaveLinesToFile(target, {u"x"}, dialogs));
  EXPECT_EQ(target, dir.Path() + u"chosen.txt");
  EXPECT_EQ(Bytes(target), Utf16FileBytes(u"x\r\n"));
}

// A write that cannot reach the file says so, answers false and leaves an older file alone.
TEST_F(SavedTextsTest, AFailedWriteSaysFailedToSave) {
  UString target;
  dialogs.answers = {dir.Path() + u"no such folder/lines.txt"};
  EXPECT_FALSE(SaveLinesToFile(target, {u"x"}, dialogs));
  EXPECT_EQ(Asked(), std::vector<TVXDialog>{TVXDialog::FailedToSave});
  EXPECT_NE(HeadlessDialogs().Asked()[0].text.find(u"lines.txt"), UString::npos);

  HeadlessDialogs().Clear();
  const UString taken = dir.Path() + u"taken.txt";
  std::filesystem::create_directory(ToFsPath(taken));
  dialogs.answers = {taken};
  HeadlessDialogs().Script({mrYes});  // overwrite
  EXPECT_FALSE(SaveTextWithDialog(u"text", dialogs, &launcher));
  EXPECT_EQ(Asked(), (std::vector<TVXDialog>{TVXDialog::FailedToSave}));
  EXPECT_TRUE(launcher.shown.empty());
}

TEST_F(SavedTextsTest, AnExistingFileIsOverwrittenOnlyAfterYes) {
  const UString name = dir.Write(u"report.txt", "keep me");
  struct Case {
    int answer;
    bool saved;
  } cases[] = {{mrNo, false}, {mrYes, true}};
  for (const Case& c : cases) {
    HeadlessDialogs().Clear();
    HeadlessDialogs().Script({c.answer});
    dialogs.answers = {name};
    UString saved_as;
    EXPECT_EQ(SaveTextWithDialog(u"report", dialogs, &launcher, &saved_as), c.saved);
    EXPECT_EQ(Asked(), std::vector<TVXDialog>{TVXDialog::OKToOverwrite});
    EXPECT_EQ(Bytes(name), c.saved ? Utf16FileBytes(u"report") : std::string("keep me"));
  }
  EXPECT_EQ(launcher.shown, std::vector<UString>{name});
}

TEST_F(SavedTextsTest, RichOrPlainFollowsTheExtension) {
  const std::string rtf = "{\\rtf1 x}";
  struct Case {
    const char16_t* file;
    bool rich;
  } cases[] = {{u"a.rtf", true}, {u"b.RTF", true}, {u"c.txt", false}, {u"d.rtf.txt", false}};
  for (const Case& c : cases) {
    dialogs.answers = {dir.Path() + c.file};
    ASSERT_TRUE(SaveRichOrPlainText(u"x", rtf, dialogs, nullptr));
    EXPECT_EQ(Bytes(dir.Path() + c.file), c.rich ? rtf : Utf16FileBytes(u"x")) << Utf16ToUtf8(c.file);
  }
}

// Only .html, .htm and .xml (any case) are offered to the browser; ".h" and ".x" are no web pages.
TEST_F(SavedTextsTest, WebPagesAskBrowserOrEditorOthersAreEdited) {
  struct Case {
    const char16_t* file;
    int answer;  // mrNone: no question expected
    bool shown;
  } cases[] = {
      {u"/d/a.html", mrYes, true}, {u"/d/a.HTM", mrYes, true},  {u"/d/a.xml", mrNo, false},
      {u"/d/a.h", mrNone, false},  {u"/d/a.x", mrNone, false},  {u"/d/a.htmlx", mrNone, false},
      {u"/d/a.txt", mrNone, false},
  };
  for (const Case& c : cases) {
    HeadlessDialogs().Clear();
    if (c.answer != mrNone) HeadlessDialogs().Script({c.answer});
    TRecordingLauncher l;
    OpenOrEditFile(c.file, l);
    EXPECT_EQ(Asked().size(), c.answer == mrNone ? 0u : 1u) << Utf16ToUtf8(c.file);
    EXPECT_EQ(l.shown.size(), c.shown ? 1u : 0u) << Utf16ToUtf8(c.file);
    EXPECT_EQ(l.edited.size(), c.shown ? 0u : 1u) << Utf16ToUtf8(c.file);
  }
}

TEST(SavedTexts, EditorFromEnvironmentPrefersVisual) {
  const char* had_visual = std::getenv("VISUAL");
  const char* had_editor = std::getenv("EDITOR");
  const std::string keep_visual = had_visual ? had_visual : "", keep_editor = had_editor ? had_editor : "";
  unsetenv("VISUAL");
  unsetenv("EDITOR");
  EXPECT_EQ(EditorFromEnvironment(), u"");
  setenv("EDITOR", "nano", 1);
  EXPECT_EQ(EditorFromEnvironment(), u"nano");
  setenv("VISUAL", "gedit -s", 1);
  EXPECT_EQ(EditorFromEnvironment(), u"gedit -s");
  if (had_visual) setenv("VISUAL", keep_visual.c_str(), 1); else unsetenv("VISUAL");
  if (had_editor) setenv("EDITOR", keep_editor.c_str(), 1); else unsetenv("EDITOR");
}
