#include <gtest/gtest.h>

#include <sys/stat.h>

#include "model/chosen_texts_test_support.h"
#include "model/text_reader_test_support.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "shell/services/suite_services.h"
#include "shell/text_choice.h"
#include "support/temp_folder.h"

namespace {

using text_reader_test::ScopedSettings;

std::vector<UString> Names(TTextChoice& c) {
  std::vector<UString> out;
  for (int32_t i = 0; i < c.Count(); ++i) out.push_back(c.Texts().GetFullFileDetails(i).rec.filename);
  std::sort(out.begin(), out.end());
  return out;
}

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
  };
  for (const Case& k : cases) EXPECT_TRUE(Mentions(k.act(), k.said)) << Utf16ToUtf8(k.said);
  EXPECT_EQ(Names(c), (std::vector<UString>{u"a.txt", u"one.txt"}));
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
