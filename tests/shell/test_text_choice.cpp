#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "model/chosen_texts_test_support.h"
#include "model/text_reader_test_support.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "shell/services/suite_services.h"
#include "shell/main_window/text_choice.h"
#include "support/temp_folder.h"

namespace {

using text_reader_test::ScopedSettings;

std::vector<UString> Names(TTextChoice& c) {
  std::vector<UString> out;
  for (int32_t i = 0; i < c.Count(); ++i) out.push_back(c.Texts().GetFullFileDetails(i).rec.filename);
  std::sort(out.begin(), out.end());
  return out;
}

// The hand-over files of one test alone (tests run side by side): TMPDIR points into a folder
// of its own while the test runs.
class ScopedTempDir {
 public:
  ScopedTempDir() {
    if (const char* old = std::getenv("TMPDIR")) had_ = true, old_ = old;
    setenv("TMPDIR", Utf16ToUtf8(dir_.Path()).c_str(), 1);
  }
  ~ScopedTempDir() {
    if (had_) setenv("TMPDIR", old_.c_str(), 1);
    else unsetenv("TMPDIR");
  }

 private:
  TempFolder dir_;
  bool had_ = false;
  std::string old_;
};

bool Mentions(const std::vector<UString>& problems, UStringView what) {
  for (const UString& p : problems)
    if (p.find(what) != UString::npos) return true;
  return false;
}

}  // namespace

TEST(TextChoice, FilesFoldersAndZipMembers) {
  TempFolder dir;
  const UString a = dir.Write(u"a.txt", "alpha");
  dir.Write(u"sub/b.txt", "beta");
  dir.Write(u"sub/c.dat", "not text");
  const UString zip = MakeZip(dir.Path() + u"texts.zip", {{u"one.txt", "1"}, {u"inner/two.txt", "22"}, {u"three.txt", "333"}});
  TTextChoice c(kToolConcordancer);
  EXPECT_TRUE(c.AddFiles({a}).empty());
  EXPECT_TRUE(c.AddFiles({a}).empty());  // in already: once
  int32_t added = 0;
  EXPECT_TRUE(c.AddFolder(dir.Path() + u"sub", u"*.txt", false, false, &added).empty());
  EXPECT_EQ(added, 1);
  std::vector<UString> problems;
  EXPECT_EQ(c.ZipMemberNames(zip, problems), (std::vector<UString>{u"one.txt", u"inner/two.txt", u"three.txt"}));
  EXPECT_TRUE(c.AddZipMembers(zip, {u"inner/two.txt", u"three.txt"}).empty());
  EXPECT_EQ(Names(c), (std::vector<UString>{u"a.txt", u"b.txt", u"three.txt", u"two.txt"}));
  // An archive added as a file stands for its texts (those chosen already are left out).
  EXPECT_TRUE(c.AddFiles({zip}).empty());
  EXPECT_EQ(c.RepeatsLeftOut(), 2);
  EXPECT_EQ(Names(c), (std::vector<UString>{u"a.txt", u"b.txt", u"one.txt", u"three.txt", u"two.txt"}));
  EXPECT_EQ(c.KindText(c.Count() - 1), u"plain text (8-bit), zip member");
}

TEST(TextChoice, BadInputIsReportedAndLosesNothing) {
  TempFolder dir;
  const UString a = dir.Write(u"a.txt", "alpha");
  const UString locked = dir.Write(u"locked.txt", "secret");
  const UString damaged = dir.Write(u"damaged.zip", "PK\x03\x04 this is no archive");
  const UString zip = MakeZip(dir.Path() + u"ok.zip", {{u"one.txt", "1"}});
  chmod(Utf16ToUtf8(locked).c_str(), 0);
  TTextChoice c(kToolConcordancer);
  c.AddFiles({a});
  struct Case { std::function<std::vector<UString>()> act; const char16_t* said; };
  const Case cases[] = {
      {[&] { return c.AddFolder(dir.Path() + u"gone", u"*", true, false); }, u"folder is not there"},
      {[&] { return c.AddFiles({dir.Path() + u"missing.txt"}); }, u"not found"},
      {[&] { return c.AddZipMembers(damaged, {u"x.txt"}); }, u"cannot be read"},
      {[&] { return c.AddZipMembers(zip, {u"../../etc/passwd", u"one.txt"}); }, u"leaves its folder"},
      {[&] { return c.Load(damaged); }, u"not a choice of texts"},
      {[&] { return c.AddFiles({damaged}); }, u"a zip archive that cannot be read"},
  };
  for (const Case& k : cases) EXPECT_TRUE(Mentions(k.act(), k.said)) << Utf16ToUtf8(k.said);
  // The archive that gives no text is kept, marked.
  EXPECT_EQ(Names(c), (std::vector<UString>{u"a.txt", u"damaged.zip", u"one.txt"}));
  EXPECT_EQ(c.Texts().GetFullFileDetails(c.Count() - 1).rec.wanted, kWantedNotFound);
  if (geteuid() != 0) {  // root reads every file
    EXPECT_TRUE(Mentions(c.AddFiles({locked}), u"cannot be read"));
    EXPECT_EQ(c.Texts().GetFullFileDetails(c.Count() - 1).rec.wanted, kWantedNotFound);
  }
  chmod(Utf16ToUtf8(locked).c_str(), 0644);
}

TEST(TextChoice, RemoveClearSaveAndLoad) {
  TempFolder dir;
  TTextChoice c(kToolConcordancer);
  for (const char16_t* n : {u"a.txt", u"b.txt", u"c.txt", u"d.txt"}) c.AddFiles({dir.Write(n, "x")});
  c.Remove({3, 1, 3, 99, -1});
  EXPECT_EQ(Names(c), (std::vector<UString>{u"a.txt", u"c.txt"}));
  const UString saved = dir.Path() + u"choice.chosen";
  ASSERT_TRUE(c.Save(saved));
  c.Clear();
  EXPECT_EQ(c.Count(), 0);
  EXPECT_TRUE(c.Load(saved).empty());
  EXPECT_EQ(Names(c), (std::vector<UString>{u"a.txt", u"c.txt"}));
}

// A saved choice whose texts were moved or deleted since: those are left out and each is named,
// in either form of the saved choice, a zip member whose archive went too; a job's stop state
// is left as it was.
TEST(TextChoice, LoadLeavesOutAndNamesTheTextsThatAreGone) {
  for (const char16_t* form : {u"choice.chosen", u"choice.txt"}) {
    TempFolder dir;
    TTextChoice c(kToolConcordancer);
    const UString b = dir.Write(u"b.txt", "x");
    const UString zip = MakeZip(dir.Path() + u"texts.zip", {{u"one.txt", "1"}});
    c.AddFiles({dir.Write(u"a.txt", "x"), b, dir.Write(u"c.txt", "x"), zip});
    ASSERT_EQ(c.Count(), 4);
    const UString saved = dir.Path() + form;
    ASSERT_TRUE(c.Save(saved));
    ASSERT_TRUE(DeleteFileU(b));
    ASSERT_TRUE(DeleteFileU(zip));
    const uint8_t job_state = global_panic_state;
    global_panic_state = kPanicEndOfText;
    TTextChoice again(kToolConcordancer);
    const std::vector<UString> problems = again.Load(saved);
    EXPECT_EQ(global_panic_state, kPanicEndOfText);
    global_panic_state = job_state;
    EXPECT_EQ(Names(again), (std::vector<UString>{u"a.txt", u"c.txt"})) << Utf16ToUtf8(form);
    if (UString(form) == u"choice.chosen") {  // a plain list is read without the names it finds gone
      EXPECT_EQ(problems.size(), 2u);
      EXPECT_TRUE(Mentions(problems, u"left out: " + b));
      EXPECT_TRUE(Mentions(problems, u"texts.zip"));
    }
  }
}

TEST(TextChoice, CommitHandsTheChoiceToTheTool) {
  ScopedSettings settings;
  TempFolder dir;
  TakeOwnWindowMessages();
  TTextChoice c(kToolConcordancer);
  c.AddFiles({dir.Write(u"a.txt", "x"), dir.Write(u"b.txt", "y")});
  ASSERT_TRUE(c.Commit());
  UString file;
  int32_t count = 0;
  ASSERT_TRUE(GetChosenTextFiles(file, count));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(file, c.Texts().TempFilename());
  EXPECT_TRUE(GetNewChoiceOfTextFiles(false));
  TVXFileDetails back(false, kToolConcordancer);
  EXPECT_NE(back.ReadChosenFromFile(file), tvl_failed);
  EXPECT_EQ(back.FileCount(), 2);
  const auto posted = TakeOwnWindowMessages();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(CodeOfWParam(posted[0].wparam), kCodeTextsChosen);
}

TEST(TextChoice, KindsAreLookedAtWhenAskedAndKept) {
  TempFolder dir;
  const std::string utf16le("\xFF\xFE" "c\0a\0f\0\xE9\0", 10);
  const std::string utf16be("\xFE\xFF" "\0c\0a\0f\0\xE9", 10);
  struct Case { const char16_t* name; std::string bytes; const char16_t* kind; };
  const Case cases[] = {
      {u"ansi.txt", "caf\xE9 au lait", u"plain text (8-bit)"},
      {u"ascii.txt", "plain words", u"plain text (8-bit)"},
      {u"utf8.txt", "caf\xC3\xA9", u"UTF-8"},
      {u"le.txt", utf16le, u"UTF-16"},
      {u"be.txt", utf16be, u"UTF-16 big-endian"},
      {u"paper.pdf", "%PDF-1.4\n", u"PDF document"},
  };
  TTextChoice c(kToolConcordancer);
  for (const Case& k : cases) c.AddFiles({dir.Write(k.name, k.bytes)});
  MakeZip(dir.Path() + u"z/texts.zip", {{u"in/m\u00e9.txt", "caf\xC3\xA9"}});
  c.AddFolder(dir.Path() + u"z", u"*.txt", false, true);
  ASSERT_EQ(c.Count(), 7);
  for (int32_t i = 0; i < c.Count(); ++i) {
    const TChosenFileDetailsFullRec d = c.Texts().GetFullFileDetails(i);
    EXPECT_EQ(d.rec.kind, 0) << "looked at before it was asked for";
    UString want = u"UTF-8, zip member";
    for (const Case& k : cases)
      if (d.rec.filename == k.name) want = k.kind;
    EXPECT_EQ(KindDescription(c.KindOf(i), d.rec.zip_member > 0), want) << Utf16ToUtf8(d.rec.filename);
    EXPECT_NE(c.Texts().GetFullFileDetails(i).rec.kind, 0);  // kept
  }
  EXPECT_EQ(KindDescription(0, false), u"not looked at");
  EXPECT_EQ(KindDescription(kContentsZip, false), u"zip archive");
  EXPECT_EQ(c.KindOf(c.Count()), 0);
}

TEST(TextChoice, ATextGoneBeforeItsKindIsAskedIsMarkedNotFound) {
  TempFolder dir;
  TTextChoice c(kToolConcordancer);
  const UString gone = dir.Write(u"gone.txt", "x");
  const UString zip = MakeZip(dir.Path() + u"t.zip", {{u"one.txt", "1"}});
  c.AddFiles({gone});
  c.AddZipMembers(zip, {u"one.txt"});
  DeleteFileU(gone);
  DeleteFileU(zip);
  for (int32_t i = 0; i < 2; ++i) {
    EXPECT_EQ(c.KindOf(i), 0);
    EXPECT_EQ(c.Texts().GetFullFileDetails(i).rec.wanted, kWantedNotFound);
  }
}

namespace {
TTextChoice* g_walk_to_stop = nullptr;
int g_pumps = 0;
void StopTheWalkAtTheThirdPump() {
  if (++g_pumps == 3 && g_walk_to_stop) g_walk_to_stop->StopCollecting();
}
}  // namespace

TEST(TextChoice, AStoppedWalkKeepsWhatItFoundAndGivesTheJobItsStopStateBack) {
  TempFolder dir;
  for (int i = 0; i < 20; ++i) dir.Write(u"t" + IntToUStr(100 + i) + u".txt", "x");
  TTextChoice c(kToolConcordancer);
  g_walk_to_stop = &c;
  g_pumps = 0;
  SetYieldHook(&StopTheWalkAtTheThirdPump);
  global_panic_state = kPanicEndOfText;  // a job was asked to stop after its text
  int32_t added = 0;
  EXPECT_TRUE(c.AddFolder(dir.Path(), u"*.txt", false, false, &added).empty());
  EXPECT_TRUE(c.LastWalkStopped());
  EXPECT_EQ(added, 2);  // the third pump came before the third text
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(global_panic_state, kPanicEndOfText);

  global_panic_state = kPanicNone;
  g_walk_to_stop = nullptr;
  c.Clear();
  EXPECT_TRUE(c.AddFolder(dir.Path(), u"*.txt", false, false, &added).empty());
  EXPECT_FALSE(c.LastWalkStopped());
  EXPECT_EQ(added, 20);
  EXPECT_EQ(global_panic_state, kPanicNone);
  SetYieldHook(nullptr);
}

// A folder that gives no texts is named at once, and so are the zip archives it holds while
// "inside zips" is off (a folder of zips gave "0 texts" and no hint).
TEST(TextChoice, AFolderWithoutTextsIsNamedAndSoAreItsZipArchives) {
  TempFolder dir;
  dir.Write(u"empty/notes.dat", "not a text by the mask");
  MakeZip(dir.Path() + u"zips/press.zip", {{u"jan.txt", "news"}});
  MakeZip(dir.Path() + u"deep/2001/press.zip", {{u"feb.txt", "more"}});
  struct Case {
    const char* name;
    const char16_t* folder;
    bool sub_folders, inside_zips;
    int32_t added;
    bool named, zips_said;
  } const cases[] = {
      {"nothing matches the mask", u"empty", true, false, 0, true, false},
      {"only a zip, zips off", u"zips", true, false, 0, true, true},
      {"a zip in a sub-folder, zips off", u"deep", true, false, 0, true, true},
      {"a zip in a sub-folder not walked", u"deep", false, false, 0, true, false},
      {"only a zip, zips on", u"zips", true, true, 1, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTextChoice choice(kToolConcordancer);
    int32_t added = -1;
    const UString folder = dir.Path() + c.folder;
    const std::vector<UString> said = choice.AddFolder(folder, u"*.txt", c.sub_folders, c.inside_zips, &added);
    EXPECT_EQ(added, c.added);
    EXPECT_EQ(Mentions(said, folder), c.named);
    EXPECT_EQ(Mentions(said, u"\"*.txt\""), c.named);
    EXPECT_EQ(Mentions(said, u"zip archives") && Mentions(said, u"\"inside zips\""), c.zips_said);
  }
}

// An empty choice is never handed over (a run then went on with the last choice, which the user
// had not seen): the refusal names the folders that gave nothing, and the store is left alone.
TEST(TextChoice, AnEmptyChoiceIsRefusedNamingTheFolders) {
  ScopedSettings settings;
  ScopedTempDir hand_over;
  TempFolder dir;
  TakeOwnWindowMessages();
  TTextChoice earlier(kToolConcordancer);
  earlier.AddFiles({dir.Write(u"old/a.txt", "x")});
  ASSERT_TRUE(earlier.Commit());
  TakeOwnWindowMessages();

  TTextChoice c(kToolConcordancer);
  EXPECT_FALSE(c.Refusal().empty());
  MakeZip(dir.Path() + u"zips/press.zip", {{u"jan.txt", "news"}});
  c.AddFolder(dir.Path() + u"zips", u"*.txt", true, false);
  const std::vector<UString> refusal = c.Refusal();
  EXPECT_TRUE(Mentions(refusal, u"No texts"));
  EXPECT_TRUE(Mentions(refusal, dir.Path() + u"zips"));
  EXPECT_TRUE(Mentions(refusal, u"\"inside zips\""));
  EXPECT_FALSE(c.Commit());
  EXPECT_TRUE(TakeOwnWindowMessages().empty());
  UString file;
  int32_t count = 0;
  ASSERT_TRUE(GetChosenTextFiles(file, count));
  EXPECT_EQ(count, 1);  // the earlier choice, untouched

  // Once a text is there the choice may go.
  c.AddFiles({dir.Write(u"b.txt", "y")});
  EXPECT_TRUE(c.Refusal().empty());
  EXPECT_TRUE(c.Commit());
}

// The chooser opens on the texts chosen now (it opened on none while the tool had ten).
TEST(TextChoice, TheCurrentChoiceIsLoaded) {
  ScopedSettings settings;
  ScopedTempDir hand_over;
  TempFolder dir;
  TTextChoice none(kToolConcordancer);
  EXPECT_FALSE(none.LoadCurrentChoice());
  EXPECT_EQ(none.Count(), 0);
  TVXFileDetails current(false, kToolConcordancer);
  for (const char16_t* n : {u"a.txt", u"b.txt", u"c.txt"}) current.ToolAddAFile(dir.Write(n, "x"));
  ASSERT_TRUE(current.SavedToTempFile());
  SetChosenTextFiles(true, current.TempFilename(), current.FileCount());
  TTextChoice c(kToolConcordancer);
  c.AddFiles({dir.Write(u"other.txt", "y")});
  ASSERT_TRUE(c.LoadCurrentChoice());
  EXPECT_EQ(Names(c), (std::vector<UString>{u"a.txt", u"b.txt", u"c.txt"}));
}

// Only the first 4 KiB decide, and a single zero byte among letters is enough (first, or as the
// last byte read); a head without one is no binary.
TEST(TextChoice, OneZeroByteInTheHeadMakesAFileBinary) {
  TempFolder dir;
  const std::string text(8000, 'a');
  struct Case {
    const char* name;
    std::string bytes;
    bool binary;
  } const cases[] = {
      {"empty", "", false},
      {"plain", text, false},
      {"a zero first", std::string(1, '\0') + text, true},
      {"a zero as the head's last byte", text.substr(0, 4095) + std::string(1, '\0') + text, true},
      {"a zero just past the head", text.substr(0, 4096) + std::string(1, '\0') + text, false},
      {"zeros on one side of every pair (UTF-16)", text_reader_test::Utf16Bytes(u"the river runs", true, false), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FileLooksBinary(dir.Write(Utf8ToUtf16(c.name) + u".txt", c.bytes)), c.binary);
  }
}

// The run's one-visit question about a chosen text answers what the two questions it replaces
// answer, for every kind of name a choice may hold by the time it runs.
TEST(TextChoice, OneVisitToATextAnswersAsFileExistsAndFileLooksBinary) {
  TempFolder dir;
  std::string elf("\x7F" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0", 20);
  elf += std::string(200, '\0');
  const UString program = dir.Write(u"program.txt", elf);
  const UString pipe = dir.Path() + u"pipe.txt";
  ASSERT_EQ(::mkfifo(Utf16ToUtf8(pipe).c_str(), 0600), 0);
  const UString link = dir.Path() + u"link.txt";
  ASSERT_EQ(::symlink(Utf16ToUtf8(program).c_str(), Utf16ToUtf8(link).c_str()), 0);
  const struct {
    const char* what;
    UString name;
    TTextOnDisk want;
  } cases[] = {
      {"a text", dir.Write(u"text.txt", "caf\xE9 by the river"), {true, false}},
      {"UTF-8 with its signature", dir.Write(u"signed.txt", "\xEF\xBB\xBF" "caf\xC3\xA9"), {true, false, true}},
      {"the signature cut short", dir.Write(u"short.txt", "\xEF\xBB"), {true, false, false}},
      {"a program", program, {true, true}},
      {"UTF-16 without a mark", dir.Write(u"u16.txt", text_reader_test::Utf16Bytes(u"the river", true, false)), {true, false}},
      {"empty", dir.Write(u"empty.txt", ""), {true, false}},
      {"a link to a program", link, {true, true}},
      {"missing", dir.Path() + u"missing.txt", {false, false}},
      {"a folder", dir.Path(), {false, false}},
      {"a pipe", pipe, {false, false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TTextOnDisk got = LookAtTextOnDisk(c.name);
    EXPECT_EQ(got, c.want);
    const bool present = FileExists(c.name);
    EXPECT_EQ(got.present, present);
    EXPECT_EQ(got.binary, present && FileLooksBinary(c.name));
  }
}

// A program among the texts is marked as the run finds it: the chooser used its own test and
// listed an ELF file as "plain text (8-bit)" while the run passed it over.
TEST(TextChoice, AFileThatIsNoTextIsMarkedAsTheRunFindsIt) {
  TempFolder dir;
  std::string elf("\x7F" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0", 20);
  elf += std::string(200, '\0') + "river";
  struct Case {
    const char* name;
    std::string bytes;
    bool binary;
    const char16_t* kind;
  } const cases[] = {
      {"a program", elf, true, u"not a text (binary)"},
      {"8-bit text", "caf\xE9 by the river", false, u"plain text (8-bit)"},
      {"UTF-16 without a mark", text_reader_test::Utf16Bytes(u"the river", true, false), false, u"UTF-16"},
      {"UTF-16 with a mark", text_reader_test::Utf16Bytes(u"the river", false, true), false, u"UTF-16 big-endian"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const UString file = dir.Write(Utf8ToUtf16(c.name) + u".txt", c.bytes);
    EXPECT_EQ(FileLooksBinary(file), c.binary);
    TTextChoice choice(kToolConcordancer);
    choice.AddFiles({file});
    EXPECT_EQ(choice.KindText(0), c.kind);
    EXPECT_EQ(choice.Texts().GetFullFileDetails(0).rec.wanted == kWantedNotFound, c.binary);
    EXPECT_EQ(choice.KindText(0), c.kind);  // looked at once, then kept
  }
}
