#include <gtest/gtest.h>

#include "support/scoped_locale.h"

#include <cstring>
#include <set>
#include <string>

#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"

TEST(RuntimeTools, SignaturesAndNames) {
  std::set<int32_t> seen;
  for (int t = 0; t < kToolTypeCount; ++t) {
    EXPECT_NE(CurrentSignature[t], 0);
    EXPECT_TRUE(seen.insert(CurrentSignature[t]).second) << "tool " << t;
    uint8_t back = 255;
    ASSERT_TRUE(ToolOfSignature(CurrentSignature[t], back));
    EXPECT_EQ(back, t);
  }
  uint8_t tool = 0;
  EXPECT_FALSE(ToolOfSignature(0, tool));
  EXPECT_EQ(ToolSignature(200), 0);
  EXPECT_EQ(Tool_Name(kToolConcordancer), u"Linzora");
  EXPECT_EQ(Tool_Name(kToolNone) + Tool_Name(99) + GetFullToolFilename(kToolNone), u"");
  // Programs and help live under the tool folder unless a help address is set.
  const UString old = GetToolFolder();
  SetToolFolder(u"/opt/tessorine");
  EXPECT_EQ(GetFullToolFilename(kToolConcordancer), u"/opt/tessorine/linzora");
  EXPECT_EQ(TessorineHelpURL(), u"file:///opt/tessorine/help/");
  SetTessorineHelpURL(u"https://help.example/");
  EXPECT_EQ(TessorineHelpURL(), u"https://help.example/");
  SetTessorineHelpURL(u"");
  SetToolFolder(old);
}

TEST(RuntimeTools, ListSignaturesRoundTripThroughTheHeaderField) {
  std::set<std::string> seen;
  for (int t = 0; t < kListTypeCount; ++t) {
    const std::string sig = list_signature32(static_cast<TTessorineList>(t));
    ASSERT_FALSE(sig.empty());
    ASSERT_LE(sig.size(), kListSignatureMax);
    EXPECT_TRUE(seen.insert(sig).second) << sig;
    EXPECT_FALSE(list_type_as_string(static_cast<TTessorineList>(t)).empty());
    // The header field as a save writes it: length byte, 40 characters, byte 40 the marker 9.
    uint8_t field[41] = {};
    field[0] = static_cast<uint8_t>(sig.size());
    std::memcpy(field + 1, sig.data(), sig.size());
    field[40] = 9;
    TTessorineList back = 255;
    ASSERT_TRUE(DiskFileType(field, back)) << sig;
    EXPECT_EQ(back, t);
  }
  TTessorineList type = 0;
  uint8_t unknown[41] = {5, 'H', 'E', 'L', 'L', 'O'}, too_long[41] = {41}, empty[41] = {};
  EXPECT_FALSE(DiskFileType(unknown, type) || DiskFileType(too_long, type) || DiskFileType(empty, type));
  EXPECT_FALSE(DiskFileType(nullptr, type));
  // A signature cut short by one character is not ours.
  const std::string conc = list_signature32(kListConcordance);
  EXPECT_FALSE(DiskFileTypeFromText(conc.substr(0, conc.size() - 1), type));
  EXPECT_EQ(list_signature32(kListTypeCount), "");
}

TEST(RuntimeTools, ExtensionsAndOwners) {
  EXPECT_EQ(DefaultExtFromListType(kListConcordance), u".cnc");
  EXPECT_EQ(DefaultExtFromListType(200), u".dat");
  EXPECT_EQ(DefaultExtFromToolType(kToolConcordancer), u".cnc");
  EXPECT_EQ(ToolOfListType(kListCollocates), kToolConcordancer);
  EXPECT_EQ(ToolOfListType(kListIndex), kToolWordLister);
  EXPECT_EQ(ToolOfListType(kListNone), kToolNone);
  TTessorineList type = 255;
  EXPECT_TRUE(ListTypeFromFileExt(u".CNC", type));
  EXPECT_EQ(type, kListConcordance);
  EXPECT_TRUE(ListTypeFromFileExt(u"lst", type));
  EXPECT_EQ(type, kListWordList);
  EXPECT_FALSE(ListTypeFromFileExt(u".dat", type) || ListTypeFromFileExt(u".xyz", type) ||
               ListTypeFromFileExt(u"", type));
}

TEST(RuntimeResources, EveryIdentifierHasTextAndName) {
  for (int i = 0; i < kVXResCount; ++i) {
    const auto id = static_cast<TVXRes>(i);
    EXPECT_FALSE(VXRes(id).empty()) << VXResName(id);
    const std::string name = VXResName(id);
    ASSERT_FALSE(name.empty());
    TVXRes back{};
    ASSERT_TRUE(FindVXRes(name, back)) << name;
    EXPECT_EQ(back, id);
    ASSERT_TRUE(FindVXRes("_" + name, back)) << name;
    EXPECT_EQ(back, id);
  }
  TVXRes id{};
  EXPECT_FALSE(FindVXRes("_VXNoSuchText", id));
  EXPECT_FALSE(FindVXRes("", id));
  EXPECT_EQ(VXRes(TVXRes::Count), u"");
}

TEST(RuntimeResources, FormattingFillsPlaceholdersInOrder) {
  EXPECT_EQ(VXResFmt(TVXRes::VXNmanyXFoundForXPercent, {u"4", u"entries", u"cat", u"50"}),
            u"4 entries found for cat (50%)");
  // Arguments are text, never formats.
  EXPECT_EQ(VXResFmt(TVXRes::VXLoadingX, {u"a%sb"}), u"Loading a%sb");
}

TEST(RuntimeResources, CountsAreGroupedAndACountOfOneTakesTheSingular) {
  ScopedLocale english("en_US.UTF-8");
  struct Case {
    UString fmt;
    std::vector<UString> args;
    UString want;
  } cases[] = {
      {u"%d words", {u"1800420"}, u"1,800,420 words"},
      {u"%d words", {u"1"}, u"1 word"},
      {u"%d words", {u"0"}, u"0 words"},
      {u"%d words in %s", {u"1", u"a.txt"}, u"1 word in a.txt"},
      {u"based on %d text files", {u"1"}, u"based on 1 text file"},
      {u"%d texts", {u"1"}, u"1 text"},
      {u"%d entries found", {u"1"}, u"1 entry found"},
      {u"Minimum length: %d letters", {u"1"}, u"Minimum length: 1 letter"},
      {u"%s: %d hits in %d words", {u"2020", u"1", u"1000"}, u"2020: 1 hit in 1,000 words"},
      {u"%d characters saved per entry", {u"1000"}, u"1,000 characters saved per entry"},
      // Only whole numbers in "%d" are counts: a %s keeps its digits, a decimal stays.
      {u"%s: %d found", {u"12345", u"12345"}, u"12345: 12,345 found"},
      {u"%d out of %d", {u"2.5", u"-1500"}, u"2.5 out of -1,500"},
      // A noun is only taken whole: "1 wordsmith" is no word to make singular.
      {u"%d wordsmiths", {u"1"}, u"1 wordsmiths"},
      {u"%d%%", {u"1"}, u"1%"},
  };
  for (const Case& c : cases) {
    const UString got = c.args.size() == 1   ? CountFormat(c.fmt, {c.args[0]})
                        : c.args.size() == 2 ? CountFormat(c.fmt, {c.args[0], c.args[1]})
                                             : CountFormat(c.fmt, {c.args[0], c.args[1], c.args[2]});
    EXPECT_EQ(got, c.want) << Utf16ToUtf8(c.fmt);
  }
  EXPECT_EQ(VXResFmt(TVXRes::VXNTotalFilesToProcess, {u"1"}), u"1 file to process in all");
  EXPECT_EQ(MakeQuestion(TVXDialog::DoYouWantToSave, {u"x.cnc"}).text, u"Save x.cnc before closing?");
}

TEST(RuntimeDialogs, ScriptedAnswersComeInOrderAndQuestionsAreRecorded) {
  THeadlessDialogService dialogs;
  SetDialogService(&dialogs);
  dialogs.Script({mrYes, mrNo});
  EXPECT_EQ(VXDialog(TVXDialog::OKToDoX, {u"Include it?"}, 1850), mrYes);
  EXPECT_EQ(VXDialog(TVXDialog::OKToOverwrite, {u"/tmp/a.cnc"}), mrNo);
  // Script used up: the safe defaults.
  EXPECT_EQ(VXDialog(TVXDialog::OKToOverwrite, {u"b"}), mrNo);
  EXPECT_EQ(VXDialog(TVXDialog::DoYouWantToSave, {u"b"}), mrCancel);
  EXPECT_EQ(VXMessageBox(u"Warning", u"Go on?", kBtnYesNo, TVXDialogKind::Warning), mrNo);

  const auto& asked = dialogs.Asked();
  ASSERT_EQ(asked.size(), 5u);
  EXPECT_EQ(asked[0].id, TVXDialog::OKToDoX);
  EXPECT_EQ(asked[0].help_context, 1850);
  EXPECT_EQ(asked[0].buttons, kBtnYesNo);
  EXPECT_EQ(asked[1].text, u"/tmp/a.cnc already exists. Overwrite it?");
  EXPECT_EQ(asked[4].caption, u"Warning");

  EXPECT_EQ(VXDialogCaptioned(TVXDialog::WarnAboutAndASKOK, u"Concordance", {u"Minimum texts: 3"}), mrOK);
  EXPECT_EQ(dialogs.Asked().back().caption, u"Concordance");
  SetDialogService(nullptr);
}

TEST(RuntimeDialogs, EveryDialogHasAWording) {
  for (int i = 0; i < kVXDialogCount; ++i) {
    const auto id = static_cast<TVXDialog>(i);
    const TVXQuestion q = MakeQuestion(id, {u"x", u"y", u"z", u"w"});
    EXPECT_NE(std::string(DialogName(id)), "") << i;
    EXPECT_FALSE(q.text.empty()) << DialogName(id);
    EXPECT_EQ(q.text.find(u"%s"), UString::npos) << DialogName(id);
    // The safe answer is one of the dialog's own buttons.
    const int a = q.default_answer;
    const uint8_t need = a == mrOK ? kBtnOK : a == mrCancel ? kBtnCancel : a == mrYes ? kBtnYes
                         : a == mrNo ? kBtnNo : a == mrYesToAll ? kBtnYesToAll : kBtnNoToAll;
    EXPECT_TRUE(q.buttons & need) << DialogName(id);
  }
  EXPECT_TRUE(IsYes(mrYes) && IsYes(mrYesToAll));
  EXPECT_FALSE(IsYes(mrNo) || IsYes(mrCancel));
}

TEST(RuntimeState, YieldRunsTheHookOnceAndNeverReenters) {
  static int calls = 0;
  static int nested = 0;
  calls = nested = 0;
  SetYieldHook([] {
    ++calls;
    MyYieldProcess();  // a report made while the pump runs returns at once
    if (InsideYield()) ++nested;
  });
  MyYieldProcess();
  EXPECT_EQ(calls + nested, 2);
  EXPECT_FALSE(InsideYield());
  SetYieldHook(nullptr);
  MyYieldProcess();
  EXPECT_EQ(calls, 1);
}

TEST(RuntimeState, StopStateAndHalt) {
  global_panic_state = kPanicEndOfText;
  EXPECT_TRUE(!StopRequested() && StopRequested(kPanicEndOfText));
  global_panic_state = kPanicStopAndQuit;
  EXPECT_TRUE(StopRequested());
  ClearStopStateForNewJob();
  EXPECT_EQ(global_panic_state, kPanicNone);

  static int halted = -1;
  SetHaltHook([](int code) {
    halted = code;
    throw 0;  // a test halt: leave through the exception
  });
  EXPECT_THROW(HaltProgram(4), int);
  EXPECT_EQ(halted, 4);
  SetHaltHook(nullptr);

  const int before = YikesCount();
  testing::internal::CaptureStderr();
  Yikes(u"sort kind 9");
  EXPECT_NE(testing::internal::GetCapturedStderr().find("sort kind 9"), std::string::npos);
  EXPECT_EQ(YikesCount(), before + 1);
}
