// Undoing modified source texts from the log: texts end byte-identical in their own encoding,
// the log keeps every line not undone, and only entries whose text was written count.
#include "concordance/modify/modify_undo.h"

#include <gtest/gtest.h>

#include "concordance/modify/modify_texts.h"
#include "../model/chosen_texts_test_support.h"
#include "document_test_support.h"
#include "platform/rtl/files.h"

using namespace document_test;

namespace {

enum class TForm { Utf8, Utf16LE, Cp1252 };

std::string Encoded(TForm form, UStringView text) {
  switch (form) {
    case TForm::Utf8: return Utf16ToUtf8(text);
    case TForm::Utf16LE: return Utf16Bytes(text, true, true);
    case TForm::Cp1252: {
      std::string out;
      for (char16_t c : text) out += static_cast<char>(c == u'\u00E9' ? 0xE9 : c);
      return out;
    }
  }
  return {};
}

std::string Bytes(const UString& name) {
  auto f = TFileStream::Open(name, TFileMode::OpenRead);
  if (!f) return {};
  std::string out(static_cast<size_t>(f->Size()), '\0');
  f->ReadExact(out.data(), static_cast<int64_t>(out.size()));
  return out;
}

// A log as the modification step writes it: UTF-16LE after its mark, LF ends.
UString WriteLog(const TempFolder& tmp, const std::vector<UString>& lines) {
  UString text;
  for (const UString& l : lines) text += l + u"\n";
  return tmp.Write(u"log.txt", Utf16Bytes(text, true, true));
}

std::vector<UString> RawLines(const UString& log_name) {
  TModificationLog log;
  UString error;
  EXPECT_TRUE(ReadModificationLog(log_name, log, error)) << Utf16ToUtf8(error);
  return log.lines;
}

std::vector<int32_t> EntryLines(const UString& log_name) {
  TModificationLog log;
  UString error;
  EXPECT_TRUE(ReadModificationLog(log_name, log, error));
  std::vector<int32_t> out;
  for (const auto& e : log.entries) out.push_back(e.line);
  return out;
}

TEST(ModifyUndo, ModifyThenUndoLeavesEveryTextByteIdentical) {
  for (TForm form : {TForm::Utf8, TForm::Utf16LE, TForm::Cp1252}) {
    SCOPED_TRACE(static_cast<int>(form));
    ScopedSettings settings;
    TempFolder tmp;
    const UString original = u"caf\u00E9 dog x.\r\nthe old man, dog.\r\nold man\r\n";
    const UString name = tmp.Write(u"t.txt", Encoded(form, original));
    const UString log = tmp.Path() + u"log.txt";
    // A comment the undo must keep.
    tmp.Write(u"log.txt", Utf16Bytes(u"; made by hand\n", true, true));
    TModifyOptions o;
    o.initials = u"ab";
    o.log_file = log;
    o.stamp = u"202601021304";
    {
      TRunDone run = RunConcordance({{name}, u"old man"});
      ASSERT_TRUE(run.found);
      o.mode = TModifySourceTexts::mst_search_word;
      TModifyReport report;
      ASSERT_EQ(ModifyConcordanceSourceTexts(*run.doc->fConcordanceList, *run.doc->fTextFilesWithSearchWord, o, report),
                2)
          << Utf16ToUtf8(report.refusals.empty() ? UString() : report.refusals[0]) << run.doc->fConcordanceList->Count();
    }
    ASSERT_NE(Bytes(name), Encoded(form, original));
    const std::vector<UString> lines = RawLines(log);
    ASSERT_EQ(lines.size(), 3u);
    const TUndoResult r = UndoModifications(log, EntryLines(log), 1252);
    EXPECT_EQ(r.undone, 2);
    EXPECT_TRUE(r.notes.empty()) << Utf16ToUtf8(r.notes.empty() ? UString() : r.notes[0]);
    EXPECT_EQ(Bytes(name), Encoded(form, original));
    EXPECT_EQ(Bytes(log), Utf16Bytes(u"; made by hand\n", true, true));
  }
}

TEST(ModifyUndo, UndoingOneOfThreeKeepsTheOthersInTheLog) {
  TempFolder tmp;
  const UString name = tmp.Write(u"s.txt", "<ut_a/>one <ut_b/>two <ut_c/>three");
  const UString f = u"\t" + name + u"\t";
  const UString log = WriteLog(tmp, {u"x\t202601021304" + f + u"<ut_x1/>\tSET\t0\t\t\t<ut_a/>\t",
                                     u"no tab here",
                                     u"x\t202601021304" + f + u"<ut_x2/>\tSET\t11\t\t\t<ut_b/>\t",
                                     u"x\t202601021304" + f + u"<ut_x3/>\tSET\t22\t\t\t<ut_c/>\t"});
  const TUndoResult r = UndoModifications(log, {3});
  EXPECT_EQ(r.undone, 1);
  EXPECT_EQ(Bytes(name), "<ut_a/>one <ut_b/>two three");
  EXPECT_EQ(RawLines(log).size(), 3u);
  EXPECT_EQ(EntryLines(log), (std::vector<int32_t>{0, 2}));
  // Two entries of one file: the later (further down) goes first, so the earlier offset still holds.
  EXPECT_EQ(UndoModifications(log, {0, 2}).undone, 2);
  EXPECT_EQ(Bytes(name), "one two three");
  EXPECT_EQ(RawLines(log), (std::vector<UString>{u"no tab here\n"}));
}

TEST(ModifyUndo, FieldsAreSplitAtTabsSoACommaInThePhraseStaysPut) {
  TempFolder tmp;
  const UString name = tmp.Write(u"c,d.txt", "a <ut_x1/>b,_c end");
  const UString log =
      WriteLog(tmp, {u"x,y\t202601021304\t" + name + u"\t<ut_x1/>\tSEARCHWORD\t2\tb, c\tb,_c\t\t"});
  TModificationLog read;
  UString error;
  ASSERT_TRUE(ReadModificationLog(log, read, error));
  ASSERT_EQ(read.entries.size(), 1u);
  EXPECT_EQ(read.entries[0].Field(7), u"b, c");
  EXPECT_EQ(read.entries[0].Shown(), u"x,y,202601021304," + name + u",<ut_x1/>,SEARCHWORD,2,b, c,b,_c,,");
  EXPECT_EQ(UndoModifications(log, {0}).undone, 1);
  EXPECT_EQ(Bytes(name), "a b, c end");
}

TEST(ModifyUndo, ASearchWordIsUndoneOnlyWhenItsJoinedPhraseFollowsTheMarker) {
  const struct {
    const char* text;
    const char16_t* joined;  // field 8 (empty in older logs)
    bool undone;
  } cases[] = {
      {"a <ut_x1/>old_man end", u"old_man", true},
      {"a <ut_x1/>old_man end", u"", true},
      {"a <ut_x1/>zzzzzzz end", u"old_man", false},  // marker there, phrase gone
      {"a <ut_x1/>zzzzzzz end", u"", false},
      {"a <ut_x1/>old man end", u"", false},  // not joined
      {"a <ut_x2/>old_man end", u"old_man", false},
  };
  for (const auto& c : cases) {
    TempFolder tmp;
    const UString name = tmp.Write(u"t.txt", c.text);
    const UString log = WriteLog(
        tmp, {u"x\t202601021304\t" + name + u"\t<ut_x1/>\tSEARCHWORD\t2\told man\t" + UString(c.joined) + u"\t\t"});
    const TUndoResult r = UndoModifications(log, {0});
    EXPECT_EQ(r.undone, c.undone ? 1 : 0) << c.text << " " << Utf16ToUtf8(c.joined);
    EXPECT_EQ(Bytes(name), c.undone ? std::string("a old man end") : std::string(c.text)) << c.text;
    EXPECT_EQ(EntryLines(log).size(), c.undone ? 0u : 1u) << c.text;
    EXPECT_EQ(r.notes.size(), c.undone ? 0u : 1u) << c.text;
  }
}

TEST(ModifyUndo, AFailedWriteIsNotCountedAndStaysInTheLog) {
  TempFolder tmp;
  // Files may not grow beyond two bytes while the undo runs: the write-back fails.
  const UString name = tmp.Write(u"text.txt", "<ut_a/>one");
  const UString log = WriteLog(tmp, {u"x\t202601021304\t" + name + u"\t<ut_x1/>\tSET\t0\t\t\t<ut_a/>\t",
                                     u"x\t202601021304\t" + tmp.Path() + u"gone.txt\t<ut_x2/>\tSET\t0\t\t\t<ut_a/>\t"});
  const std::string before = Bytes(log);
  TUndoResult r;
  {
    FileSizeLimit limit(2);
    r = UndoModifications(log, {0, 1});
  }
  EXPECT_EQ(r.undone, 0);
  EXPECT_EQ(r.notes.size(), 2u);
  EXPECT_EQ(Bytes(name), "<ut_a/>one");
  EXPECT_EQ(Bytes(log), before);
}

TEST(ModifyUndo, TheListOffersEntriesAndTicksByInitialsOrStamp) {
  TempFolder tmp;
  const UString log = WriteLog(tmp, {u"; comment\tfield", u"", u"ab\t202601021304\tf\t\tSET\t0\t\t\tv\t",
                                     u"no tab", u"\t202601021305\tf\t\tSET\t0\t\t\tv\t",
                                     u"ab\t202602031200\tf\t\tSET\t0\t\t\tv\t"});
  TModificationLog read;
  UString error;
  ASSERT_TRUE(ReadModificationLog(log, read, error));
  ASSERT_EQ(read.entries.size(), 3u);
  EXPECT_EQ(read.latest_stamp, u"202602031200");
  EXPECT_EQ(EntriesByInitials(read.entries, u""), (std::vector<bool>{false, true, false}));
  EXPECT_EQ(EntriesByInitials(read.entries, u"ab"), (std::vector<bool>{true, false, true}));
  EXPECT_EQ(EntriesAtStamp(read.entries, u"202601021305"), (std::vector<bool>{false, true, false}));
  TModificationLog missing;
  EXPECT_TRUE(ReadModificationLog(tmp.Path() + u"none.txt", missing, error));
  EXPECT_FALSE(missing.exists);
  EXPECT_TRUE(missing.entries.empty());
}

}  // namespace
