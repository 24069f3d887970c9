#include "shell/settings/settings_commands.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>


#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/settings_defaults.h"
#include "model/text_reader_test_support.h"
#include "support/temp_folder.h"

namespace {

constexpr uint8_t kTool = 1;

class SettingsCommandsTest : public testing::Test {
 protected:
  text_reader_test::ScopedSettings settings;
  TempFolder dir;
};

TLemmaMatchStopSettingsRec List(bool on, UStringView file) {
  TLemmaMatchStopSettingsRec r;
  r.Clear();
  r.SetActivated(on);
  r.SetFileName(file);
  return r;
}

}  // namespace

TEST(SettingsCommands, EachCodeHasItsAnswer) {
  struct Case { uint16_t code; TSettingsCommand command; };
  const Case cases[] = {
      {1130, TSettingsCommand::Font},      {1600, TSettingsCommand::Folders},
      {1460, TSettingsCommand::Lists},     {1230, TSettingsCommand::Language},
      {1260, TSettingsCommand::Colours},   {1790, TSettingsCommand::Tags},
      {4440, TSettingsCommand::Customise}, {72, TSettingsCommand::Index},
      {66, TSettingsCommand::Concordance}, {1240, TSettingsCommand::None},
      {67, TSettingsCommand::General},     {1330, TSettingsCommand::Lists},
      {951, TSettingsCommand::None},       {0, TSettingsCommand::None},
      {2795, TSettingsCommand::Lists},     {110, TSettingsCommand::None},
  };
  for (const Case& c : cases) EXPECT_EQ(SettingsCommandOfCode(c.code), c.command) << c.code;
}

TEST(SettingsCommands, FontGoesIntoTheLanguageBlockOnly) {
  TTextsett_rec32 settings = DefaultTextSettings();
  settings.SetLCID(0x0407);
  const TTextsett_rec32 before = settings;
  UString problem;
  ASSERT_TRUE(ApplyDisplayFont(settings, {u"DejaVu Serif \u00c9", 14}, problem)) << Utf16ToUtf8(problem);
  EXPECT_EQ(DisplayFontOf(settings), (TDisplayFont{u"DejaVu Serif \u00c9", 14}));
  // Only the font's bytes (330 character set, 331 size, 332.. name) may differ.
  for (size_t i = 0; i < TTextsett_rec32::kSize; ++i) {
    const bool font_byte = i > Tfixed_lang_details32::kFontAt &&
                           i < Tfixed_lang_details32::kFontAt + Tfixed_lang_details32::kFontSize;
    if (!font_byte) {
      ASSERT_EQ(settings.bytes[i], before.bytes[i]) << "byte " << i;
    }
  }
  EXPECT_EQ(settings.LCID(), 0x0407);
}

TEST(SettingsCommands, BadFontsAreRefusedAndLeaveTheRecord) {
  struct Case { TDisplayFont font; bool ok; };
  const Case cases[] = {
      {{u"", 10}, false},
      {{u"Sans", kMinFontPoints - 1}, false},
      {{u"Sans", kMaxFontPoints + 1}, false},
      {{u"Sans", 300}, false},  // would wrap round in the record's byte
      {{UString(101, u'x'), 10}, false},
      {{UString(100, u'x'), 10}, true},
      {{u"Sans", kMinFontPoints}, true},
      {{u"Sans", kMaxFontPoints}, true},
  };
  for (const Case& c : cases) {
    TTextsett_rec32 settings = DefaultTextSettings();
    const TTextsett_rec32 before = settings;
    UString problem;
    EXPECT_EQ(ApplyDisplayFont(settings, c.font, problem), c.ok) << c.font.points << " " << c.font.name.size();
    if (c.ok) {
      EXPECT_EQ(DisplayFontOf(settings), c.font);
    } else {
      EXPECT_FALSE(problem.empty());
      EXPECT_TRUE(settings.SameBytes(before));
    }
  }
}

TEST_F(SettingsCommandsTest, FoldersAreMadeAndStoredWhole) {
  const UString user = dir.Path() + u"b\u00fccher/user";
  const UString results = dir.Path() + u"\u7d50\u679c";
  EXPECT_TRUE(ApplyFolders(kTool, {user, results}).empty());
  EXPECT_TRUE(DirectoryExists(user));
  EXPECT_EQ(CurrentFolders(kTool), (TFolderChoice{user + u"/", results + u"/"}));
}

TEST_F(SettingsCommandsTest, OneBadFolderStoresNone) {
  const TFolderChoice before = CurrentFolders(kTool);
  const UString file = dir.Write(u"plain.txt", "x");
  const UString fine = dir.Path() + u"fine";
  struct Case { TFolderChoice choice; const char16_t* says; };
  const Case cases[] = {
      {{fine, file}, u"not a folder"},
      {{u"", fine}, u"no folder"},
      {{file + u"/below", fine}, u"cannot be made"},
  };
  for (const Case& c : cases) {
    const auto problems = ApplyFolders(kTool, c.choice);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find(c.says), UString::npos) << Utf16ToUtf8(problems[0]);
    EXPECT_EQ(CurrentFolders(kTool), before);
  }
}

TEST_F(SettingsCommandsTest, AFolderThatCannotBeWrittenIsRefused) {
  if (geteuid() == 0) GTEST_SKIP() << "the super-user writes everywhere";
  const UString locked = dir.Path() + u"locked";
  ASSERT_TRUE(ForceDirectories(locked));
  chmod(Utf16ToUtf8(locked).c_str(), 0500);
  const auto problems = ApplyFolders(kTool, {dir.Path(), locked});
  chmod(Utf16ToUtf8(locked).c_str(), 0700);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find(u"cannot be written"), UString::npos);
}

TEST(SettingsCommands, ListCodesSayWhatToLoadAndClear) {
  const auto off = List(false, u"");
  const auto on_a = List(true, u"/l/a.txt");
  const auto on_b = List(true, u"/l/b.txt");
  const auto on_none = List(true, u"");
  const auto off_a = List(false, u"/l/a.txt");
  struct Case { TListSettings before, after; std::vector<uint16_t> codes; };
  const Case cases[] = {
      {{off, off, off, off}, {off, off, off, off}, {}},
      {{off, off, off, off}, {on_a, off, off, off}, {234}},
      {{on_a, off, off, off}, {on_a, off, off, off}, {234}},  // read afresh: the file may have changed
      {{on_a, on_a, on_a, off}, {off_a, on_b, off, off}, {235, 236, 239}},
      {{off, off, off, on_a}, {off, off, off, off}, {241}},
      {{on_a, off, off, off}, {on_none, off, off, off}, {235}},  // nothing left to load
      {{off_a, off, off, off}, {off, off, on_b, on_a}, {238, 240}},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(ListCodesForChange(cases[i].before, cases[i].after), cases[i].codes) << "case " << i;
}

TEST_F(SettingsCommandsTest, ListsWithMissingFilesAreRefusedAndNothingIsStored) {
  const UString lemmas = dir.Write(u"lemmas.txt", "go -> went, gone\n");
  TListSettings after = CurrentListSettings(kTool);
  after[0] = List(true, lemmas);
  after[2] = List(true, dir.Path() + u"missing.txt");
  std::vector<uint16_t> codes{1};
  auto problems = ApplyListSettings(kTool, after, codes);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find(u"Stop list"), UString::npos);
  EXPECT_TRUE(codes.empty());
  EXPECT_FALSE(GetLemmaMatchStopWanted(kTool, 0));

  after[2] = List(false, dir.Path() + u"missing.txt");
  problems = ApplyListSettings(kTool, after, codes);
  EXPECT_TRUE(problems.empty());
  EXPECT_EQ(codes, (std::vector<uint16_t>{234}));
  EXPECT_TRUE(GetLemmaMatchStopWanted(kTool, 0));
  EXPECT_EQ(GetLemmaMatchStopFilename(kTool, 0), lemmas);
  EXPECT_EQ(GetLemmaMatchStopFilename(kTool, 2), dir.Path() + u"missing.txt");
}

// A match list of typed words needs no file, but needs words; nothing is loaded for it.
TEST_F(SettingsCommandsTest, TypedMatchWordsStandInsteadOfAFile) {
  TListSettings after = CurrentListSettings(kTool);
  after[1] = List(true, u"");
  after[1].SetKind(kWordsTyped);
  after[1].SetTypedWords(u"  ");
  std::vector<uint16_t> codes;
  auto problems = ApplyListSettings(kTool, after, codes);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0], u"Match list: switched on to use typed words, but none were typed");
  EXPECT_FALSE(GetLemmaMatchStopWanted(kTool, 1));

  after[1].SetTypedWords(u"dog, cat*");
  problems = ApplyListSettings(kTool, after, codes);
  EXPECT_TRUE(problems.empty());
  EXPECT_TRUE(codes.empty());
  const TLemmaMatchStopSettingsRec stored = GetLemmaMatchStopSettings(kTool, 1);
  EXPECT_TRUE(stored.Activated());
  EXPECT_EQ(stored.Kind(), kWordsTyped);
  EXPECT_EQ(stored.TypedWords(), u"dog, cat*");

  // Back to a file: the file must exist again.
  after[1].SetKind(kWordsFromFile);
  problems = ApplyListSettings(kTool, after, codes);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find(u"Match list: switched on, but no file was given"), UString::npos);
}
