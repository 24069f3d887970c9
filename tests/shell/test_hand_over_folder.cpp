// The folder the programs hand files over in, with the chosen texts and the tag lists as the files
// handed: checked before every read and write, private, never reached through a link, and replaced
// by a folder of the user's own when someone else's stands in its place.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "model/reading/chosen_texts_handover.h"
#include "model/reading/tag_lists.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_tools.h"
#include "shell/services/hand_over_folder.h"
#include "support/fault_rounds.h"
#include "support/log_capture.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace {

constexpr uint8_t kTool = 9;

std::string Path8(const UString& s) { return Utf16ToUtf8(s); }

struct TModeOwner {
  mode_t mode = 0;
  uid_t uid = 0;
  bool link = false;
};
TModeOwner Lstat(const UString& name) {
  struct stat st {};
  if (::lstat(Path8(ExcludeTrailingPathDelimiter(name)).c_str(), &st) != 0) return {};
  return {st.st_mode & 07777, st.st_uid, S_ISLNK(st.st_mode)};
}

// A temporary folder open to everyone as /tmp is, a runtime folder of the user's own, the log.
class HandOverFolder : public ::testing::Test {
 protected:
  HandOverFolder()
      : tmpdir_env_("TMPDIR", Path8(tmpdir.Path())),
        runtime_env_("XDG_RUNTIME_DIR", Path8(runtime.Path())),
        log(logs.Path()) {
    ::chmod(Path8(tmpdir.Path()).c_str(), 01777);
    ::chmod(Path8(runtime.Path()).c_str(), 0700);
    text = texts.Write(u"a.txt", "alpha beta");
  }
  UString Primary() const { return tmpdir.Path() + u"linzora-" + IntToUStr(static_cast<int64_t>(::getuid())) + u"/"; }
  UString Fallback() const { return runtime.Path() + u"linzora/"; }
  UString FileIn(const UString& folder) const { return folder + Tool_Name(kTool) + u".chosen_texts"; }
  std::string ChosenBytes(const UString& of_text) {
    TVXFileDetails set(false, kTool);
    set.ToolAddAFile(of_text);
    const UString name = logs.Path() + u"made.chosen";
    EXPECT_TRUE(set.SaveAllChosenToFile(name));
    std::ifstream in(Path8(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  TempFolder tmpdir, runtime, logs, texts;
  ScopedEnv tmpdir_env_, runtime_env_;
  TLogCapture log;
  UString text;
};

// Puts each thing a reader of a hand-over file must refuse at name (a link to planted, a pipe, a
// folder, planted given to another user where the test may, planted grown past what a hand-over
// may hold) and calls check after each.
void ForEachPlantedThing(const std::string& name, const std::string& planted, const std::function<void()>& check) {
  const struct {
    const char* what;
    std::function<void()> make;
    bool root_only;
  } cases[] = {
      {"a link", [&] { (void)!::symlink(planted.c_str(), name.c_str()); }, false},
      {"a pipe", [&] { ::mkfifo(name.c_str(), 0600); }, false},
      {"a folder", [&] { ::mkdir(name.c_str(), 0700); }, false},
      {"another user's file",
       [&] {
         std::filesystem::copy_file(planted, name);
         (void)!::chown(name.c_str(), kNobody, kNobody);
       },
       true},
      {"too large",
       [&] {
         std::filesystem::copy_file(planted, name);
         (void)!::truncate(name.c_str(), kMostChosenTextsBytes + 1);
       },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.root_only && ::geteuid() != 0) continue;  // only root can give a file away
    std::filesystem::remove_all(name);
    c.make();
    check();
  }
}

}  // namespace

// The temporary folder is used when it passes; otherwise the runtime one, with one log line for
// any number of saves and loads. Either way the folder is 0700 and the file 0600.
TEST_F(HandOverFolder, ChosenTextsGoToAFolderThatPassesItsCheck) {
  const std::string primary = Path8(ExcludeTrailingPathDelimiter(Primary()));
  const struct {
    const char* what;
    std::function<void()> make;
    bool primary_used;
    bool root_only;
  } cases[] = {
      {"none yet", [] {}, true, false},
      {"the user's own, open to all",
       [&] {
         ::mkdir(primary.c_str(), 0777);
         ::chmod(primary.c_str(), 0777);
       },
       true, false},
      {"a link to a folder of the user's",
       [&] {
         ::mkdir((Path8(logs.Path()) + "mine").c_str(), 0700);
         (void)!::symlink((Path8(logs.Path()) + "mine").c_str(), primary.c_str());
       },
       false, false},
      {"a plain file", [&] { std::ofstream(primary) << "x"; }, false, false},
      {"another user's",
       [&] {
         ::mkdir(primary.c_str(), 0777);
         (void)!::chown(primary.c_str(), kNobody, kNobody);
       },
       false, true},
      {"in a folder others may change", [&] { ::chmod(Path8(tmpdir.Path()).c_str(), 0777); }, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.root_only && ::geteuid() != 0) continue;  // only root can make a folder someone else's
    std::filesystem::remove_all(primary);
    std::filesystem::remove_all(Path8(Fallback()));
    ::chmod(Path8(tmpdir.Path()).c_str(), 01777);
    c.make();
    const int refusals_before = log.LinesWith("hand-over folder refused");
    const UString folder = c.primary_used ? Primary() : Fallback();
    for (int again = 0; again < 3; ++again) {
      TVXFileDetails set(false, kTool);
      set.ToolAddAFile(text);
      ASSERT_EQ(set.TempFilename(), FileIn(folder));
      ASSERT_TRUE(set.SavedToTempFile());
      TVXFileDetails other(false, kTool);
      ASSERT_TRUE(other.LoadedChosenFromTempFile());
      ASSERT_EQ(other.FileCount(), 1);
      EXPECT_EQ(other.FullFilename(0), text);
    }
    EXPECT_EQ(Lstat(folder).mode, 0700u);
    EXPECT_EQ(Lstat(folder).uid, ::geteuid());
    EXPECT_EQ(Lstat(FileIn(folder)).mode, 0600u);
    EXPECT_EQ(log.LinesWith("hand-over folder refused") - refusals_before, c.primary_used ? 0 : 1);
    if (!c.primary_used) {
      EXPECT_FALSE(std::filesystem::exists(Path8(FileIn(Primary()))));
      EXPECT_FALSE(std::filesystem::exists(Path8(logs.Path()) + "mine/" + Path8(Tool_Name(kTool)) + ".chosen_texts"));
    }
  }
}

// With neither folder to be trusted nothing is written, and the log says why once.
TEST_F(HandOverFolder, NothingIsHandedOverWhenNoFolderCanBeTrusted) {
  std::ofstream(Path8(ExcludeTrailingPathDelimiter(Primary()))) << "x";
  const std::string not_a_folder = Path8(logs.Path()) + "cache-file";
  std::ofstream(not_a_folder) << "x";
  ScopedEnv no_runtime("XDG_RUNTIME_DIR", std::nullopt);
  ScopedEnv cache("XDG_CACHE_HOME", not_a_folder);
  TVXFileDetails set(false, kTool);
  set.ToolAddAFile(text);
  EXPECT_EQ(set.TempFilename(), u"");
  EXPECT_FALSE(set.SavedToTempFile());
  EXPECT_FALSE(set.LoadedChosenFromTempFile());
  UString why;
  EXPECT_EQ(UserHandOverFolder(&why), u"");
  EXPECT_NE(why.find(Utf8ToUtf16(not_a_folder)), UString::npos) << Path8(why);
  EXPECT_EQ(log.LinesWith("hand-over folder refused"), 1);
}

// What stands at the file's name in the user's own folder is read only when it is the user's
// plain file, and small enough; nothing there makes a load hang. A save replaces a link.
TEST_F(HandOverFolder, OnlyTheUsersOwnPlainFileIsTakenOver) {
  TVXFileDetails set(false, kTool);
  set.ToolAddAFile(text);
  ASSERT_TRUE(set.SavedToTempFile());
  const std::string name = Path8(set.TempFilename());
  const UString planted_text = texts.Write(u"planted.txt", "planted");
  const std::string planted = Path8(logs.Path()) + "planted.chosen";
  std::ofstream(planted, std::ios::binary) << ChosenBytes(planted_text);
  ForEachPlantedThing(name, planted, [&] {
    TVXFileDetails other(false, kTool);
    EXPECT_FALSE(other.LoadedChosenFromTempFile());
    EXPECT_EQ(other.FileCount(), 0);
  });
  std::filesystem::remove_all(name);
  ASSERT_EQ(::symlink(planted.c_str(), name.c_str()), 0);
  const std::string planted_before = ChosenBytes(planted_text);
  ASSERT_TRUE(set.SavedToTempFile());
  EXPECT_FALSE(Lstat(Utf8ToUtf16(name)).link);
  std::ifstream in(planted, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), planted_before);
}

// Another user, in a process of their own, gets to the temporary folder first and plants a choice
// of texts there; the user's hand-over goes to the runtime folder and takes nothing of theirs.
// That user can then neither read the hand-over file nor put a file beside it.
TEST_F(HandOverFolder, AnotherUsersFolderNeitherFeedsNorReadsTheHandOver) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user; not run as root";
  const std::string primary = Path8(ExcludeTrailingPathDelimiter(Primary()));
  const std::string planted = ChosenBytes(texts.Write(u"theirs.txt", "theirs"));
  const std::string planted_name = primary + "/" + Path8(Tool_Name(kTool)) + ".chosen_texts";
  ASSERT_EQ(AsNobody([&] {
              if (::mkdir(primary.c_str(), 0777) != 0 || ::chmod(primary.c_str(), 0777) != 0) return 1;
              std::ofstream(planted_name, std::ios::binary) << planted;
              return ::chmod(planted_name.c_str(), 0666) == 0 ? 0 : 2;
            }),
            0);
  TVXFileDetails set(false, kTool);
  set.ToolAddAFile(text);
  ASSERT_TRUE(set.SavedToTempFile());
  const std::string mine = Path8(set.TempFilename());
  EXPECT_EQ(mine, Path8(FileIn(Fallback())));
  TVXFileDetails other(false, kTool);
  ASSERT_TRUE(other.LoadedChosenFromTempFile());
  ASSERT_EQ(other.FileCount(), 1);
  EXPECT_EQ(other.FullFilename(0), text);
  std::ifstream in(planted_name, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), planted);

  // The runtime folder itself is open to others here: the hand-over folder inside it is not.
  ::chmod(Path8(runtime.Path()).c_str(), 0755);
  const std::string beside = Path8(Fallback()) + "planted.chosen_texts";
  const int code = AsNobody([&] {
    int failed = 0;
    const int fd = ::open(mine.c_str(), O_RDONLY);
    if (fd >= 0 || errno != EACCES) failed |= 1;
    if (fd >= 0) ::close(fd);
    const int made = ::open(beside.c_str(), O_WRONLY | O_CREAT, 0666);
    if (made >= 0 || errno != EACCES) failed |= 2;
    if (made >= 0) ::close(made);
    return failed;
  });
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(std::filesystem::exists(beside));
}

// The tag lists go where the chosen texts go: into the checked folder, written 0600. What stands
// at a list's name is read only when it is the user's own plain file, small enough; a save puts a
// file of its own in place of a link rather than writing through it.
TEST_F(HandOverFolder, TagListsAreHandedOverInTheCheckedFolderOnly) {
  const struct {
    const char16_t* file;
    const char* user_line;  // the one entry the list is filled with
    std::function<std::unique_ptr<TBaseSwapList>()> make;
  } lists[] = {
      {u"tags_to_keep.dat", "<p>\n", [] { return std::make_unique<TTagsToKeepList>(0x0409, 1252); }},
      {u"tags_to_exclude.dat", "<del>*</del>\n", [] { return std::make_unique<TTagsToDeleteList>(0x0409, 1252); }},
      {u"entity_tags.dat", "&amp; &\n", [] { return std::make_unique<TTagsToTranslateList>(0x0409, 1252); }},
  };
  for (const auto& l : lists) {
    SCOPED_TRACE(Path8(l.file));
    const std::unique_ptr<TBaseSwapList> list = l.make();
    ASSERT_TRUE(list->ReadFromUserSpecifiedFile(texts.Write(u"user.txt", l.user_line)));
    ASSERT_EQ(list->Count(), 1);
    const UString name = Primary() + l.file;
    ASSERT_EQ(list->TempFilename(), name);
    ASSERT_TRUE(list->SavedToTempfile());
    EXPECT_EQ(Lstat(Primary()).mode, 0700u);
    EXPECT_EQ(Lstat(name).mode, 0600u);
    const std::unique_ptr<TBaseSwapList> back = l.make();
    ASSERT_TRUE(back->LoadFromTempFile());
    EXPECT_EQ(back->Count(), 1);

    // A planted list of the same kind, with two entries: never taken over.
    const std::string planted = Path8(logs.Path()) + "planted.dat";
    std::filesystem::copy_file(Path8(name), planted, std::filesystem::copy_options::overwrite_existing);
    const std::unique_ptr<TBaseSwapList> two = l.make();
    ASSERT_TRUE(two->ReadFromUserSpecifiedFile(texts.Write(u"user.txt", std::string(l.user_line) + l.user_line)));
    const std::string n8 = Path8(name);
    ForEachPlantedThing(n8, planted, [&] {
      const std::unique_ptr<TBaseSwapList> other = l.make();
      EXPECT_FALSE(other->LoadFromTempFile());
      EXPECT_EQ(other->Count(), 0);
    });
    std::filesystem::remove_all(n8);
    ASSERT_EQ(::symlink(planted.c_str(), n8.c_str()), 0);
    const std::uintmax_t planted_size = std::filesystem::file_size(planted);
    ASSERT_TRUE(two->SavedToTempfile());
    EXPECT_FALSE(Lstat(name).link);
    EXPECT_EQ(Lstat(name).mode, 0600u);
    EXPECT_EQ(std::filesystem::file_size(planted), planted_size);
    const std::unique_ptr<TBaseSwapList> again = l.make();
    ASSERT_TRUE(again->LoadFromTempFile());
    EXPECT_EQ(again->Count(), 2);
  }
}
