// Safe saving: the file keeps its mode and owner, a link leads the save into the file it names,
// a write-protected file is refused, the temporary files carry one pattern, stale ones go, and
// long names can be saved. Kills during saves leave the old or the new bytes, never a mix.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/rtl/files.h"
#include "platform/rtl/safe_save.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/temporary_names.h"
#include "support/fault_rounds.h"
#include "support/temp_folder.h"

namespace {

std::string Path8(const UString& s) { return Utf16ToUtf8(s); }

std::string Contents(const UString& name) {
  std::ifstream in(Path8(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Put(const UString& name, const std::string& bytes, mode_t mode) {
  ::unlink(Path8(name).c_str());
  std::ofstream(Path8(name), std::ios::binary) << bytes;
  ASSERT_EQ(::chmod(Path8(name).c_str(), mode), 0);
}

mode_t ModeOf(const UString& name) {
  struct stat st {};
  return ::lstat(Path8(name).c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

bool IsLink(const UString& name) {
  struct stat st {};
  return ::lstat(Path8(name).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Every name in the folder (hidden ones too), sorted.
std::vector<std::string> Names(const UString& folder) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(ToFsPath(folder)))
    out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

int TemporariesIn(const UString& folder) {
  int n = 0;
  for (const std::string& name : Names(folder)) n += IsOurTemporaryName(std::string_view(name)) ? 1 : 0;
  return n;
}

// A process id that was in use a moment ago and is gone now.
long GonePid() {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return static_cast<long>(pid);
}

class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t m) : old_(::umask(m)) {}
  ~ScopedUmask() { ::umask(old_); }

 private:
  mode_t old_;
};

}  // namespace

TEST(SafeSave, KeepsTheModeOfTheFileItReplaces) {
  TempFolder dir;
  for (const mode_t mode : {0600, 0640, 0604, 0660, 0700, 0755, 0644, 01644}) {
    SCOPED_TRACE(mode);
    const UString name = dir.Path() + u"doc.cnc";
    Put(name, "old", mode);
    ASSERT_TRUE(SafeSaveBytes(name, "new bytes", 9));
    EXPECT_EQ(Contents(name), "new bytes");
    EXPECT_EQ(ModeOf(name), mode);
  }
  EXPECT_EQ(TemporariesIn(dir.Path()), 0);
}

TEST(SafeSave, NewFilesTakeTheModeEveryNewFileGets) {
  TempFolder dir;
  for (const auto& [mask, want] : {std::pair<mode_t, mode_t>{022, 0644}, {077, 0600}, {002, 0664}}) {
    ScopedUmask scoped(mask);
    const UString name = dir.Path() + u"new" + IntToUStr(mask) + u".txt";
    ASSERT_TRUE(SafeSaveBytes(name, "x", 1));
    EXPECT_EQ(ModeOf(name), want) << mask;
  }
}

// The link stays a link; the file it names gets the bytes and keeps its mode; no temporary file
// is left in either folder.
TEST(SafeSave, SavesThroughLinksIntoTheFileTheyName) {
  struct Case {
    const char* what;
    std::vector<std::pair<const char*, const char*>> links;  // name, what it points at
    const char16_t* saved_as;                                 // the name the save is given
    const char16_t* real;                                     // the file that must change
    bool real_exists;
  } cases[] = {
      {"absolute link", {{"doc.lst", "@real/doc.lst"}}, u"doc.lst", u"real/doc.lst", true},
      {"relative link", {{"doc.lst", "real/doc.lst"}}, u"doc.lst", u"real/doc.lst", true},
      {"link to a link", {{"a.lst", "b.lst"}, {"b.lst", "real/doc.lst"}}, u"a.lst", u"real/doc.lst", true},
      {"relative link in a folder", {{"real/up.lst", "../other/doc.lst"}}, u"real/up.lst", u"other/doc.lst", true},
      {"dangling link", {{"doc.lst", "real/yet.lst"}}, u"doc.lst", u"real/yet.lst", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder dir;
    ASSERT_TRUE(ForceDirectories(dir.Path() + u"real") && ForceDirectories(dir.Path() + u"other"));
    const UString real = dir.Path() + c.real;
    if (c.real_exists) Put(real, "old", 0600);
    for (const auto& [name, to] : c.links) {
      std::string target = to;
      if (target[0] == '@') target = Path8(dir.Path()) + target.substr(1);
      ASSERT_EQ(::symlink(target.c_str(), (Path8(dir.Path()) + name).c_str()), 0);
    }
    const UString saved_as = dir.Path() + c.saved_as;
    UString error;
    ASSERT_TRUE(SafeSaveBytes(saved_as, "new", 3, &error)) << Path8(error);
    EXPECT_TRUE(IsLink(saved_as));
    EXPECT_EQ(Contents(real), "new");
    EXPECT_EQ(Contents(saved_as), "new");
    EXPECT_EQ(ModeOf(real), c.real_exists ? 0600u : 0644u);
    for (const char16_t* folder : {u"", u"real", u"other"}) EXPECT_EQ(TemporariesIn(dir.Path() + folder), 0);
  }
}

TEST(SafeSave, RefusesWriteProtectedAndOddTargetsNamingThem) {
  struct Case {
    const char* what;
    mode_t mode;           // of the file, when there is one
    bool folder;           // a folder at the name
    bool fifo;             // a pipe at the name
    bool through_link;     // saved by a link that names the file
    const char16_t* said;  // in the message
  } cases[] = {
      {"read-only for all", 0444, false, false, false, u"write-protected"},
      {"read-only for the owner", 0400, false, false, false, u"write-protected"},
      {"read and run only", 0555, false, false, false, u"write-protected"},
      {"read-only behind a link", 0444, false, false, true, u"write-protected"},
      {"a folder", 0, true, false, false, u"not a plain file"},
      {"a pipe", 0, false, true, false, u"not a plain file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder dir;
    const UString real = dir.Path() + u"list.xml";
    if (c.folder) {
      ASSERT_TRUE(ForceDirectories(real));
    } else if (c.fifo) {
      ASSERT_EQ(::mkfifo(Path8(real).c_str(), 0644), 0);
    } else {
      Put(real, "kept", c.mode);
    }
    UString name = real;
    if (c.through_link) {
      name = dir.Path() + u"link.xml";
      ASSERT_EQ(::symlink(Path8(real).c_str(), Path8(name).c_str()), 0);
    }
    // Asked first, the same answer, and nothing made on the way.
    UString asked;
    EXPECT_FALSE(TSafeSave::MayReplace(name, &asked));
    EXPECT_EQ(TemporariesIn(dir.Path()), 0);
    UString error;
    EXPECT_FALSE(SafeSaveBytes(name, "replaced", 8, &error));
    EXPECT_EQ(asked, error);
    EXPECT_NE(error.find(c.said), UString::npos) << Path8(error);
    EXPECT_NE(error.find(real), UString::npos) << Path8(error);
    if (!c.folder && !c.fifo) {
      EXPECT_EQ(Contents(real), "kept");
      EXPECT_EQ(ModeOf(real), c.mode);
    }
    EXPECT_EQ(TemporariesIn(dir.Path()), 0);
  }
}

TEST(SafeSave, PrivateSavesAreTheUsersAloneAndReplaceALinkInsteadOfFollowingIt) {
  TempFolder dir;
  const UString name = dir.Path() + u"tool.chosen_texts";
  Put(name, "old", 0644);
  ASSERT_TRUE(SafeSaveBytes(name, "new", 3, nullptr, TSafeSaveOptions{true}));
  EXPECT_EQ(ModeOf(name), 0600u);
  // A link planted at the name: the file it names is not touched.
  const UString elsewhere = dir.Path() + u"elsewhere";
  Put(elsewhere, "theirs", 0666);
  ASSERT_EQ(::unlink(Path8(name).c_str()), 0);
  ASSERT_EQ(::symlink(Path8(elsewhere).c_str(), Path8(name).c_str()), 0);
  ASSERT_TRUE(SafeSaveBytes(name, "mine", 4, nullptr, TSafeSaveOptions{true}));
  EXPECT_FALSE(IsLink(name));
  EXPECT_EQ(Contents(name), "mine");
  EXPECT_EQ(ModeOf(name), 0600u);
  EXPECT_EQ(Contents(elsewhere), "theirs");
}

// A copy of another file (a backup) takes the permission bits it is given, whatever stood at the
// name: a wider old copy does not widen it, and a link at the name is replaced, not followed.
TEST(SafeSave, CopiesTakeTheModeGivenAndReplaceALinkAtTheName) {
  struct Case {
    const char* what;
    mode_t old_mode;  // of a plain file at the name; 0: none
    bool link;        // a link at the name instead
    int copy_mode;
  } cases[] = {
      {"a new copy, private", 0, false, 0600},  {"a new copy, shared", 0, false, 0644},
      {"over a wider copy", 0666, false, 0600}, {"over a narrower copy", 0600, false, 0640},
      {"over a link", 0, true, 0600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder dir;
    const UString name = dir.Path() + u"out.bak";
    const UString elsewhere = dir.Path() + u"elsewhere.txt";
    Put(elsewhere, "theirs", 0644);
    if (c.old_mode != 0) Put(name, "older", c.old_mode);
    if (c.link) {
      ASSERT_EQ(::symlink(Path8(elsewhere).c_str(), Path8(name).c_str()), 0);
    }
    TSafeSaveOptions copy;
    copy.copy_mode = c.copy_mode;
    EXPECT_TRUE(TSafeSave::MayReplace(name, nullptr, copy));
    ASSERT_TRUE(SafeSaveBytes(name, "copied", 6, nullptr, copy));
    EXPECT_FALSE(IsLink(name));
    EXPECT_EQ(Contents(name), "copied");
    EXPECT_EQ(ModeOf(name), static_cast<mode_t>(c.copy_mode));
    EXPECT_EQ(Contents(elsewhere), "theirs");
    EXPECT_EQ(TemporariesIn(dir.Path()), 0);
  }
}

TEST(SafeSave, KeepsTheOwnerWhereTheSystemAllows) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user; not run as root";
  TempFolder dir;
  ASSERT_EQ(::chmod(Path8(dir.Path()).c_str(), 0777), 0);
  // Root keeps someone else's file theirs.
  const UString theirs = dir.Path() + u"theirs.cnc";
  Put(theirs, "old", 0640);
  ASSERT_EQ(::chown(Path8(theirs).c_str(), kNobody, kNobody), 0);
  ASSERT_TRUE(SafeSaveBytes(theirs, "new", 3));
  struct stat st {};
  ASSERT_EQ(::stat(Path8(theirs).c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kNobody);
  EXPECT_EQ(st.st_gid, kNobody);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  // Another user who may write root's file saves it as their own: the mode stays, the set-id bits
  // (which would now name them) go.
  const UString shared = dir.Path() + u"shared.txt";
  Put(shared, "old", 06666);
  // A file they may not write is refused and stays as it was.
  const UString guarded = dir.Path() + u"guarded.txt";
  Put(guarded, "guarded", 0644);
  const int code = AsNobody([&] {
    const bool saved = SafeSaveBytes(shared, "by nobody", 9);
    UString error;
    const bool refused = !SafeSaveBytes(guarded, "x", 1, &error) && error.find(u"write-protected") != UString::npos;
    return (saved ? 0 : 1) | (refused ? 0 : 2);
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(::stat(Path8(shared).c_str(), &st), 0);
  EXPECT_EQ(Contents(shared), "by nobody");
  EXPECT_EQ(st.st_uid, kNobody);
  EXPECT_EQ(st.st_mode & 07777, 0666u);
  EXPECT_EQ(Contents(guarded), "guarded");
}

TEST(TemporaryNames, OnePatternRecognisedAndNothingElse) {
  const struct {
    const char16_t* name;
    bool ours;
  } cases[] = {
      {u".~doc.cnc.lz4242-0123abcd.tmp", true},
      {u"/corpus/folder/.~text.txt.lz1-ffffffff.tmp", true},
      {u".~a.lz7-00000000.tmp", true},
      {u".~name.with.lz9-dots.lz77-89abcdef.tmp", true},
      {u".~\u00e9t\u00e9.txt.lz12-0a0b0c0d.tmp", true},
      {u"doc.cnc", false},
      {u".~doc.cnc.4242_123456.tmp", false},          // the old form, without the mark
      {u"text.txt.Ab3xYz", false},                     // a mkstemp name
      {u".~doc.cnc.lz4242-0123ABCD.tmp", false},      // upper-case digits
      {u".~doc.cnc.lz4242-0123abc.tmp", false},       // seven digits
      {u".~doc.cnc.lz-0123abcd.tmp", false},          // no process
      {u".~doc.cnc.lz0-0123abcd.tmp", false},         // process 0
      {u".~doc.cnc.lz99999999999-0123abcd.tmp", false},  // no such process number
      {u".~.lz42-0123abcd.tmp", false},               // no name
      {u"~doc.cnc.lz42-0123abcd.tmp", false},          // not hidden
      {u".~doc.cnc.lz42-0123abcd.tmp.txt", false},
      {u".~doc.cnc.lz42-0123abcd.TMP", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsOurTemporaryName(UStringView(c.name)), c.ours) << Path8(c.name);
    EXPECT_EQ(IsOurTemporaryName(std::string_view(Path8(c.name))), c.ours) << Path8(c.name);
  }
  EXPECT_EQ(TemporarySiblingName("/x/doc.cnc", 4242, 0x0123abcd), "/x/.~doc.cnc.lz4242-0123abcd.tmp");
  EXPECT_EQ(TemporarySiblingName("doc.cnc", 7, 1), ".~doc.cnc.lz7-00000001.tmp");
}

// Names up to the 255 bytes a folder allows, in one-, two- and three-byte characters: the
// temporary name is cut to fit at a character boundary, the saved file keeps its whole name.
TEST(TemporaryNames, NamesOfUpTo255BytesCanBeSaved) {
  TempFolder dir;
  const struct {
    const char* what;
    std::string unit;
  } alphabets[] = {{"ASCII", "a"}, {"two-byte", "\xC3\xA9"}, {"three-byte", "\xE4\xB8\xAD"}};
  for (const auto& a : alphabets) {
    for (size_t bytes = 235; bytes <= 255; ++bytes) {
      std::string name;
      while (name.size() + a.unit.size() <= bytes - 4) name += a.unit;
      name += std::string(bytes - 4 - name.size(), 'x') + ".lst";
      ASSERT_EQ(name.size(), bytes);
      SCOPED_TRACE(std::string(a.what) + " " + std::to_string(bytes));
      const std::string temp = TemporarySiblingName(Path8(dir.Path()) + name, 2147483647, 0xffffffff);
      const std::string temp_name = temp.substr(temp.rfind('/') + 1);
      EXPECT_LE(temp_name.size(), 255u);
      EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(temp_name)), temp_name);  // still whole characters
      EXPECT_TRUE(IsOurTemporaryName(std::string_view(temp_name)));
      EXPECT_EQ(temp_name.compare(0, 3, ".~" + name.substr(0, 1)), 0);
      const UString full = dir.Path() + Utf8ToUtf16(name);
      UString error;
      ASSERT_TRUE(SafeSaveBytes(full, "saved", 5, &error)) << Path8(error);
      EXPECT_EQ(Contents(full), "saved");
      EXPECT_EQ(ModeOf(full), 0644u);
      ::unlink(Path8(full).c_str());
    }
  }
  EXPECT_EQ(TemporariesIn(dir.Path()), 0);
}

// The first save into a folder removes the temporaries that processes now gone left there: this
// user's plain files of the pattern only.
TEST(TemporaryNames, StaleOnesGoAtTheFirstSaveInTheFolder) {
  TempFolder dir;
  const std::string folder = Path8(dir.Path());
  const long gone = GonePid();
  const std::string stale = TemporarySiblingName(folder + "doc.cnc", gone, 1);
  const std::string stale_other = TemporarySiblingName(folder + "other.lst", gone, 2);
  const std::string live = TemporarySiblingName(folder + "doc.cnc", static_cast<long>(::getppid()), 3);
  const std::string link = TemporarySiblingName(folder + "link.cnc", gone, 4);
  const std::string not_ours = folder + ".~doc.cnc.12_34.tmp";
  for (const std::string& f : {stale, stale_other, live, not_ours}) std::ofstream(f) << "left";
  ASSERT_EQ(::symlink((folder + "doc.cnc").c_str(), link.c_str()), 0);
  std::string theirs;
  if (::geteuid() == 0) {
    theirs = TemporarySiblingName(folder + "theirs.cnc", gone, 5);
    std::ofstream(theirs) << "theirs";
    ASSERT_EQ(::chown(theirs.c_str(), kNobody, kNobody), 0);
  }
  ASSERT_TRUE(SafeSaveBytes(dir.Path() + u"doc.cnc", "saved", 5));
  EXPECT_FALSE(std::filesystem::exists(stale));
  EXPECT_FALSE(std::filesystem::exists(stale_other));
  EXPECT_TRUE(std::filesystem::exists(live));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_TRUE(std::filesystem::exists(not_ours));
  if (!theirs.empty()) {
    EXPECT_TRUE(std::filesystem::exists(theirs));
  }
}

// A process killed at any moment of a save loop: the file holds the old bytes or one whole save,
// keeps its mode, and the next save (in another process) removes the temporary file it left.
TEST(SafeSaveFaults, KilledSavesLeaveWholeFilesAndTheNextSaveClearsUp) {
  const int rounds = FaultRounds(6);
  std::mt19937 rng(20240521);
  const std::string a(300000, 'a'), b(300000, 'b');
  for (int round = 0; round < rounds; ++round) {
    SCOPED_TRACE(round);
    TempFolder dir;
    const UString name = dir.Path() + u"big.cnc";
    Put(name, "old", 0640);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(ready[0]);
      for (int i = 0;; ++i) {
        SafeSaveToFile(name, [&](TStream& s) {
          const std::string& bytes = i % 2 ? b : a;
          for (size_t at = 0; at < bytes.size(); at += 30000) {
            if (!s.WriteExact(bytes.data() + at, 30000)) return false;
            if (i == 0 && at == 0) (void)!::write(ready[1], "!", 1);
          }
          return true;
        });
      }
    }
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    ::usleep(std::uniform_int_distribution<useconds_t>(0, 20000)(rng));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const std::string now = Contents(name);
    EXPECT_TRUE(now == "old" || now == a || now == b) << now.size() << " bytes";
    EXPECT_EQ(ModeOf(name), 0640u);
    EXPECT_LE(TemporariesIn(dir.Path()), 1);
    ASSERT_TRUE(SafeSaveBytes(name, "after", 5));
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"big.cnc"});
    EXPECT_EQ(ModeOf(name), 0640u);
  }
}
