// Undoing modified source texts from the log: texts end byte-identical in their own encoding,
// the log keeps every line not undone, and only entries whose text was written count.
#include "concordance/modify/modify_undo.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <iterator>
#include <random>

#include "concordance/modify/modify_texts.h"
#include "../model/chosen_texts_test_support.h"
#include "document_test_support.h"
#include "platform/rtl/files.h"
#include "support/fault_rounds.h"

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
    ASSERT_NE(WholeFileBytes(name), Encoded(form, original));
    const std::vector<UString> lines = RawLines(log);
    ASSERT_EQ(lines.size(), 3u);
    const TUndoResult r = UndoModifications(log, EntryLines(log), 1252);
    EXPECT_EQ(r.undone, 2);
    EXPECT_TRUE(r.notes.empty()) << Utf16ToUtf8(r.notes.empty() ? UString() : r.notes[0]);
    EXPECT_EQ(WholeFileBytes(name), Encoded(form, original));
    EXPECT_EQ(WholeFileBytes(log), Utf16Bytes(u"; made by hand\n", true, true));
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
  EXPECT_EQ(WholeFileBytes(name), "<ut_a/>one <ut_b/>two three");
  EXPECT_EQ(RawLines(log).size(), 3u);
  EXPECT_EQ(EntryLines(log), (std::vector<int32_t>{0, 2}));
  // Two entries of one file: the later (further down) goes first, so the earlier offset still holds.
  EXPECT_EQ(UndoModifications(log, {0, 2}).undone, 2);
  EXPECT_EQ(WholeFileBytes(name), "one two three");
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
  EXPECT_EQ(WholeFileBytes(name), "a b, c end");
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
    EXPECT_EQ(WholeFileBytes(name), c.undone ? std::string("a old man end") : std::string(c.text)) << c.text;
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
  const std::string before = WholeFileBytes(log);
  TUndoResult r;
  {
    FileSizeLimit limit(2);
    r = UndoModifications(log, {0, 1});
  }
  EXPECT_EQ(r.undone, 0);
  EXPECT_EQ(r.notes.size(), 2u);
  EXPECT_EQ(WholeFileBytes(name), "<ut_a/>one");
  EXPECT_EQ(WholeFileBytes(log), before);
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

namespace {

// The full name with every link resolved, as the log records it.
UString Resolved(const UString& name) {
  char buffer[PATH_MAX];
  return ::realpath(Utf16ToUtf8(name).c_str(), buffer) ? Utf8ToUtf16(buffer) : UString();
}

// Set values at every hit of `word`, through the one-text road, logged.
int32_t SetAtEveryHit(const UString& name, UStringView word, UStringView value, const UString& log) {
  TRunDone run = RunConcordance({{name}, UString(word)});
  EXPECT_TRUE(run.found) << Utf16ToUtf8(word);
  TTextToModify text;
  text.full_name = name;
  for (int i = 0; i < run.doc->fConcordanceList->Count(); ++i) {
    const TConcordanceLineData& d = run.doc->fConcordanceList->Line(i)->Data();
    text.changes.push_back(TTextChange{i + 1, d.byte_position, d.hit_characters, UString(word), UString(value)});
  }
  const TLinzoraFilenameEntryAdditionalRec& row = run.doc->fTextFilesWithSearchWord->Row(0)->fdata.other_data;
  text.fingerprint_size = row.fingerprint_size;
  text.fingerprint_write_ns = row.fingerprint_write_ns;
  TModifyOptions o;
  o.mode = TModifySourceTexts::mst_set;
  o.initials = u"ab";
  o.log_file = log;
  o.stamp = u"202601021304";
  const TTextModifyResult r = ModifyOneText(text, o);
  EXPECT_TRUE(r.modified) << Utf16ToUtf8(r.refusal);
  int32_t changed = 0;
  for (const TChangeResult& c : r.changes) changed += c.changed ? 1 : 0;
  return changed;
}

int32_t JoinEveryPhrase(const UString& name, UStringView phrase, const UString& log) {
  TRunDone run = RunConcordance({{name}, UString(phrase)});
  EXPECT_TRUE(run.found) << Utf16ToUtf8(phrase);
  TModifyOptions o;
  o.mode = TModifySourceTexts::mst_search_word;
  o.initials = u"ab";
  o.log_file = log;
  o.stamp = u"202601021304";
  TModifyReport report;
  const int32_t n =
      ModifyConcordanceSourceTexts(*run.doc->fConcordanceList, *run.doc->fTextFilesWithSearchWord, o, report);
  EXPECT_TRUE(report.refusals.empty()) << Utf16ToUtf8(report.refusals.empty() ? UString() : report.refusals[0]);
  return n;
}

}  // namespace

// Each encoding the reader reads, in the reader's own way (a stray byte keeps a UTF-8 text UTF-8,
// UTF-16 is known without its mark): Set values and joined phrases are written and undone, and
// the text ends byte-identical.
TEST(ModifyUndo, EveryEncodingTheReaderReadsIsUndoneByteForByte) {
  const UString latin = u"caf\u00E9 dog x.\r\nthe old man, dog.\r\nold man\r\n";
  const UString cyrillic = u"\u0436\u0438\u0437\u043D\u044C dog x.\r\nthe old man, dog.\r\nold man\r\n";
  UString long_lead;
  for (int i = 0; i < 300; ++i) long_lead += u"caf\u00E9 ";
  const struct {
    const char* what;
    std::string bytes;
    uint16_t code_page;  // the text settings' code page (0: as they are)
  } cases[] = {
      {"UTF-8", Utf16ToUtf8(latin), 0},
      {"UTF-8 with its signature", "\xEF\xBB\xBF" + Utf16ToUtf8(latin), 0},
      // One byte that is no character before the hits: the reader keeps the text UTF-8 and
      // counts the byte as one character.
      {"UTF-8 with a stray byte", Utf16ToUtf8(long_lead) + "\x80 " + Utf16ToUtf8(latin), 0},
      {"UTF-16LE", Utf16Bytes(latin, true, true), 0},
      {"UTF-16BE", Utf16Bytes(latin, false, true), 0},
      {"UTF-16LE without its mark", Utf16Bytes(latin, true, false), 0},
      {"UTF-16BE without its mark", Utf16Bytes(latin, false, false), 0},
      {"code page 1252", Encoded(TForm::Cp1252, latin), 1252},
      {"code page 1251", EncodeCodePage(cyrillic, 1251), 1251},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScopedSettings settings;
    if (c.code_page != 0) {
      TTextsett_rec32 ts = GetTextSettings();
      Tfixed_lang_details32 language = ts.Language();
      language.SetWindowsCodePage(c.code_page);
      ts.SetLanguage(language);
      SetTextSettings(ts);
    }
    TempFolder tmp;
    const UString name = tmp.Write(u"t.txt", c.bytes);
    const UString log = tmp.Path() + u"log.txt";
    EXPECT_EQ(SetAtEveryHit(name, u"dog", u"noun", log), 2);
    EXPECT_EQ(JoinEveryPhrase(name, u"old man", log), 2);
    ASSERT_NE(WholeFileBytes(name), c.bytes);
    ASSERT_EQ(EntryLines(log).size(), 4u);
    const TUndoResult r = UndoModifications(log, EntryLines(log));
    EXPECT_EQ(r.undone, 4);
    for (const UString& note : r.notes) ADD_FAILURE() << Utf16ToUtf8(note);
    EXPECT_TRUE(WholeFileBytes(name) == c.bytes);
    EXPECT_TRUE(EntryLines(log).empty());
  }
}

// A text reached through a link: the log names the file that was changed, and the undo changes
// that file back while the link stays a link.
TEST(ModifyUndo, ATextReachedThroughALinkIsUndoneInTheFileItNames) {
  ScopedSettings settings;
  TempFolder tmp;
  const UString real = tmp.Write(u"real/t.txt", "an old man.");
  const UString link = tmp.Path() + u"link.txt";
  ASSERT_EQ(symlink(Utf16ToUtf8(real).c_str(), Utf16ToUtf8(link).c_str()), 0);
  const UString log = tmp.Path() + u"log.txt";
  EXPECT_EQ(JoinEveryPhrase(link, u"old man", log), 1);
  ASSERT_EQ(WholeFileBytes(real), "an <ut_ab1/>old_man.");
  TModificationLog read;
  UString error;
  ASSERT_TRUE(ReadModificationLog(log, read, error));
  ASSERT_EQ(read.entries.size(), 1u);
  EXPECT_EQ(read.entries[0].Field(3), Resolved(real));

  EXPECT_EQ(UndoModifications(log, EntryLines(log)).undone, 1);
  struct stat st {};
  ASSERT_EQ(lstat(Utf16ToUtf8(link).c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link is still a link";
  EXPECT_EQ(WholeFileBytes(real), "an old man.");
}

// A line is written pending (its closing tab is "?") before its text is replaced. When it is
// read again, a pending line whose change is in its text is kept (and marked done); one whose
// change is not there never reached the text and goes. Other lines stay as they are.
TEST(ModifyUndo, PendingLinesAreSettledByWhatTheirTextHolds) {
  enum TOutcome { Done, Dropped, Kept };
  const struct {
    const char* text;  // nullptr: the text is missing
    const char16_t* line;  // after "ab\t202601021304\t<name>\t"
    TOutcome outcome;
    const char* undone;  // the text once the line is undone (kept lines)
  } cases[] = {
      {"a <ut_N/>dog", u"<ut_ab1/>\tSET\t2\t\t\t<ut_N/>?", Done, "a dog"},
      {"a dog", u"<ut_ab1/>\tSET\t2\t\t\t<ut_N/>?", Dropped, nullptr},
      {"an <ut_ab1/>old_man.", u"<ut_ab1/>\tSEARCHWORD\t3\told man\told_man\t?", Done, "an old man."},
      {"an old man.", u"<ut_ab1/>\tSEARCHWORD\t3\told man\told_man\t?", Dropped, nullptr},
      // A text that cannot be read decides nothing: the line waits.
      {nullptr, u"<ut_ab1/>\tSET\t2\t\t\t<ut_N/>?", Kept, nullptr},
      // A line already done stays, whatever its text holds.
      {"a dog", u"<ut_ab1/>\tSET\t2\t\t\t<ut_N/>\t", Kept, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.line) + " in " + (c.text ? c.text : "(missing)"));
    ScopedSettings settings;
    TempFolder tmp;
    const UString name = c.text ? tmp.Write(u"t.txt", c.text) : tmp.Path() + u"t.txt";
    const UString line = u"ab\t202601021304\t" + name + u"\t" + c.line;
    const UString log = WriteLog(tmp, {u"; kept", line});
    TModificationLog read;
    UString error;
    ASSERT_TRUE(ReadModificationLog(log, read, error)) << Utf16ToUtf8(error);
    const std::vector<UString> lines = RawLines(log);
    switch (c.outcome) {
      case Done: {
        UString done = line;
        done.back() = u'\t';
        EXPECT_EQ(lines, (std::vector<UString>{u"; kept\n", done + u"\n"}));
        ASSERT_EQ(read.entries.size(), 1u);
        EXPECT_EQ(read.entries[0].raw, done);
        EXPECT_EQ(UndoModifications(log, EntryLines(log)).undone, 1);
        EXPECT_EQ(WholeFileBytes(name), c.undone);
        break;
      }
      case Dropped:
        EXPECT_EQ(lines, (std::vector<UString>{u"; kept\n"}));
        EXPECT_TRUE(read.entries.empty());
        EXPECT_EQ(WholeFileBytes(name), c.text);
        break;
      case Kept:
        EXPECT_EQ(lines, (std::vector<UString>{u"; kept\n", line + u"\n"}));
        EXPECT_EQ(read.entries.size(), 1u);
        break;
    }
  }
}

// An undo, like a modification, leaves a text the user made read-only as it is.
TEST(ModifyUndo, ATextMadeReadOnlyIsNotUndone) {
  TempFolder tmp;
  const UString name = tmp.Write(u"t.txt", "a <ut_N/>dog");
  const UString log = WriteLog(tmp, {u"x\t202601021304\t" + name + u"\t<ut_x1/>\tSET\t2\t\t\t<ut_N/>\t"});
  ASSERT_EQ(chmod(Utf16ToUtf8(name).c_str(), 0444), 0);
  const TUndoResult r = UndoModifications(log, {0});
  EXPECT_EQ(r.undone, 0);
  ASSERT_EQ(r.notes.size(), 1u);
  EXPECT_NE(r.notes[0].find(u"read-only"), UString::npos) << Utf16ToUtf8(r.notes[0]);
  EXPECT_EQ(WholeFileBytes(name), "a <ut_N/>dog");
  EXPECT_EQ(EntryLines(log).size(), 1u);
}

// Entries listed before someone else undid an earlier one: each is found again by its text, so
// the lines that moved up undo what they said, and one that is gone is noted, never replaced by
// another.
TEST(ModifyUndo, ListedEntriesAreFoundAgainAfterTheLogChanged) {
  TempFolder tmp;
  const UString first = tmp.Write(u"a.txt", "<ut_a/>one");
  const UString second = tmp.Write(u"b.txt", "<ut_b/>two <ut_c/>three");
  const UString log = WriteLog(tmp, {u"x\t202601021304\t" + first + u"\t<ut_x1/>\tSET\t0\t\t\t<ut_a/>\t",
                                     u"x\t202601021304\t" + second + u"\t<ut_x2/>\tSET\t0\t\t\t<ut_b/>\t",
                                     u"x\t202601021304\t" + second + u"\t<ut_x3/>\tSET\t11\t\t\t<ut_c/>\t"});
  TModificationLog listed;
  UString error;
  ASSERT_TRUE(ReadModificationLog(log, listed, error));
  ASSERT_EQ(listed.entries.size(), 3u);
  // Meanwhile another window undoes the first entry: the others move up a line.
  ASSERT_EQ(UndoModifications(log, {0}).undone, 1);
  ASSERT_EQ(WholeFileBytes(first), "one");
  // The first window undoes the third entry as it listed it: the third, not what is now line 3.
  TUndoResult r = UndoListedModifications(log, {listed.entries[2]});
  EXPECT_EQ(r.undone, 1);
  EXPECT_TRUE(r.notes.empty());
  EXPECT_EQ(WholeFileBytes(second), "<ut_b/>two three");
  // Then its first and second: the first is gone, the second is still there.
  r = UndoListedModifications(log, {listed.entries[0], listed.entries[1]});
  EXPECT_EQ(r.undone, 1);
  ASSERT_EQ(r.notes.size(), 1u);
  EXPECT_NE(r.notes[0].find(u"no longer in the log"), UString::npos);
  EXPECT_EQ(WholeFileBytes(second), "two three");
  EXPECT_TRUE(EntryLines(log).empty());
}

namespace {

// Damaged logs: entries that can be undone (each its own text, a Set mark at its start) among
// junk lines, stray bytes, lone CR or LF ends, marks in the middle and a torn last byte, in each
// way a log may be written. Whichever entries are undone, the log afterwards holds every other
// line, and so exactly as many lines fewer as entries were undone.
enum class TLogBytes { Utf16LE, Utf16BE, Utf8Signed, Utf8, Bytes };

std::string LogBytesOf(TLogBytes kind, UStringView text) {
  switch (kind) {
    case TLogBytes::Utf16LE: return Utf16Bytes(text, true, true);
    case TLogBytes::Utf16BE: return Utf16Bytes(text, false, true);
    case TLogBytes::Utf8Signed: return "\xEF\xBB\xBF" + Utf16ToUtf8(text);
    default: return Utf16ToUtf8(text);
  }
}

// Junk as the log's own bytes: in UTF-16 any code unit (lone surrogates, NUL, marks, line ends),
// otherwise any byte.
std::string Junk(TLogBytes kind, std::mt19937& rng) {
  static const char16_t kUnits[] = {u'\r', u'\n', u'\t', 0, 0xFEFF, 0xFFFE, 0xD800, 0xDC00, u'?', u';', u'x', 0x00E9};
  static const char kBytes[] = {'\r', '\n', '\t', 0, '\xFF', '\xFE', '\xEF', '\xBB', '\xBF', '\x80', '\xC3', '?', 'x'};
  std::string out;
  const size_t n = 1 + rng() % 6;
  for (size_t i = 0; i < n; ++i) {
    if (kind == TLogBytes::Utf16LE || kind == TLogBytes::Utf16BE) {
      const char16_t u = kUnits[rng() % std::size(kUnits)];
      out += Utf16Bytes(UString(1, u), kind == TLogBytes::Utf16LE, false);
    } else {
      out += kBytes[rng() % std::size(kBytes)];
    }
  }
  return out;
}

}  // namespace

// Damaged logs, each with one entry to undo between the bytes before and after it: the log
// afterwards reads as its other lines did.
TEST(ModifyUndo, ADamagedLogKeepsEveryLineItDidNotUndo) {
  const std::string be_note = "\xFE\xFF" + Utf16Bytes(u"; note ", false, false) + std::string("\xD8\x00", 2) + Utf16Bytes(u"\n", false, false);
  const struct {
    const char* what;
    bool big_endian;  // the entry in UTF-16BE, else UTF-8
    std::string before, after;
    std::vector<UString> left;  // the lines read afterwards, without their ends
  } cases[] = {
      {"a lone surrogate in UTF-16BE", true, be_note, "", {u"; note \xD800"}},
      {"a lone CR before the entry and a lone LF after it", false, "one\r", "\ntwo\n", {u"one", u"", u"two"}},
      {"a byte-order mark first once the entry goes", false, "", "\xFF\xFEx\ntwo\n", {u"\u00FF\u00FEx", u"two"}},
      {"a stray byte in the entry's line only", false, "caf\xC3\xA9\n\xE9", "", {u"caf\u00C3\u00A9"}},
      {"a code page log", false, "caf\xE9\n", "end", {u"caf\u00E9", u"end"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder tmp;
    const UString file = tmp.Write(u"t.txt", "<ut_a/>word");
    const UString entry = u"x\t202601021304\t" + file + u"\t<ut_x1/>\tSET\t0\t\t\t<ut_a/>\t\n";
    const UString log =
        tmp.Write(u"log.txt", c.before + (c.big_endian ? Utf16Bytes(entry, false, false) : Utf16ToUtf8(entry)) + c.after);
    TModificationLog before;
    UString error;
    ASSERT_TRUE(ReadModificationLog(log, before, error));
    ASSERT_EQ(before.entries.size(), 1u);
    const TUndoResult r = UndoModifications(log, {before.entries[0].line});
    ASSERT_EQ(r.undone, 1);
    EXPECT_EQ(WholeFileBytes(file), "word");
    std::vector<UString> left;
    for (UString l : RawLines(log)) {
      while (!l.empty() && (l.back() == u'\n' || l.back() == u'\r')) l.pop_back();
      left.push_back(l);
    }
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(RawLines(log).size(), before.lines.size() - 1);
  }
}

TEST(ModifyUndoFuzz, ADamagedLogLosesOnlyTheLinesUndone) {
  std::mt19937 rng(2147);
  const int rounds = FaultRounds(4) * 10;
  for (int round = 0; round < rounds; ++round) {
    TempFolder tmp;
    const TLogBytes kind = static_cast<TLogBytes>(rng() % 5);
    const bool sixteen = kind == TLogBytes::Utf16LE || kind == TLogBytes::Utf16BE;
    std::string bytes = LogBytesOf(kind, u"");
    const int entries = 2 + static_cast<int>(rng() % 6);
    for (int i = 0; i < entries; ++i) {
      if (rng() % 2) bytes += Junk(kind, rng);
      const UString file = tmp.Write(u"t" + IntToUStr(i) + u".txt", "<ut_a/>word");
      const char16_t* end = rng() % 3 == 0 ? u"\r" : rng() % 2 ? u"\r\n" : u"\n";
      bytes += LogBytesOf(kind == TLogBytes::Utf8Signed ? TLogBytes::Utf8 : kind,
                          u"x\t202601021304\t" + file + u"\t<ut_x1/>\tSET\t0\t\t\t<ut_a/>\t" + end)
                   .substr(kind == TLogBytes::Utf16LE || kind == TLogBytes::Utf16BE ? 2 : 0);
    }
    if (rng() % 2) bytes += Junk(kind, rng);
    if (sixteen && rng() % 3 == 0) bytes += 'z';  // a torn last unit
    const UString log = tmp.Write(u"log.txt", bytes);
    TModificationLog before;
    UString error;
    ASSERT_TRUE(ReadModificationLog(log, before, error));
    std::vector<int32_t> chosen;
    std::vector<bool> undone_line(before.lines.size(), false);
    for (const TModificationLogEntry& e : before.entries)
      if (e.Field(5) == u"SET" && rng() % 2) {
        chosen.push_back(e.line);
        undone_line[static_cast<size_t>(e.line)] = true;
      }
    const TUndoResult r = UndoModifications(log, chosen);
    ASSERT_EQ(r.undone, static_cast<int32_t>(chosen.size())) << (r.notes.empty() ? "" : Utf16ToUtf8(r.notes[0]));
    TModificationLog after;
    ASSERT_TRUE(ReadModificationLog(log, after, error));
    std::vector<UString> kept;
    for (size_t i = 0; i < before.lines.size(); ++i)
      if (!undone_line[i]) kept.push_back(before.lines[i]);
    ASSERT_EQ(after.lines.size(), kept.size()) << "round " << round << " kind " << int(kind);
    // Each kept line reads as it did; only a lone CR before a lone LF may have taken the LF.
    const auto text = [](UString l) {
      while (!l.empty() && (l.back() == u'\n' || l.back() == u'\r')) l.pop_back();
      return Utf16ToUtf8(l);
    };
    for (size_t i = 0; i < kept.size(); ++i)
      EXPECT_EQ(text(after.lines[i]), text(kept[i])) << "round " << round << " line " << i;
  }
}
