// Writing Set values and joined phrases back into the source texts of a real concordance.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <sstream>

#include "concordance/modify/modify_texts.h"
#include "concordance/modify/modify_undo.h"
#include "document_test_support.h"
#include "platform/rtl/files.h"
#include "platform/rtl/temporary_names.h"

using namespace document_test;

namespace {

enum class TForm { Utf8, Utf16LE, Utf16BE, Cp1252, Utf16LENoMark };

// The text in a form, with the mark the form's files begin with.
std::string Encoded(TForm form, UStringView text, bool with_mark = true) {
  switch (form) {
    case TForm::Utf8: return Utf16ToUtf8(text);
    case TForm::Utf16LE: return Utf16Bytes(text, true, with_mark);
    case TForm::Utf16BE: return Utf16Bytes(text, false, with_mark);
    case TForm::Utf16LENoMark: return Utf16Bytes(text, true, false);
    case TForm::Cp1252: {
      std::string out;
      for (char16_t c : text) out += static_cast<char>(c == u'\u00E9' ? 0xE9 : c);
      return out;
    }
  }
  return {};
}
int64_t MarkBytes(TForm form) { return form == TForm::Utf16LE || form == TForm::Utf16BE ? 2 : 0; }
// The file byte at which character `index` of text begins.
int64_t ByteOf(TForm form, UStringView text, size_t index) {
  return MarkBytes(form) + static_cast<int64_t>(Encoded(form, text.substr(0, index), false).size());
}

std::string FileBytes(const UString& name) {
  auto f = TFileStream::Open(name, TFileMode::OpenRead);
  if (!f) return {};
  std::string out(static_cast<size_t>(f->Size()), '\0');
  f->ReadExact(out.data(), static_cast<int64_t>(out.size()));
  return out;
}

// Log lines as written: UTF-16LE after the mark, LF ends.
std::vector<UString> LogLines(const UString& name) {
  const std::string bytes = FileBytes(name);
  EXPECT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  UString text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2)
    text += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
  std::vector<UString> out;
  size_t from = 0;
  for (size_t at; (at = text.find(u'\n', from)) != UString::npos; from = at + 1) out.push_back(text.substr(from, at - from));
  EXPECT_EQ(from, text.size()) << "the log ends with a line end";
  return out;
}

struct TModifyFixture {
  ScopedSettings settings;
  TempFolder tmp;
  UString log;
  TRunDone run;
  TModifyFixture() : log(tmp.Path() + u"log/modified.txt") {}

  void Make(const std::vector<UString>& texts, UStringView words) {
    run = RunConcordance({texts, UString(words)});
    ASSERT_TRUE(run.found);
  }
  TConcordanceList& List() { return *run.doc->fConcordanceList; }
  // Line indices in the order of their bytes (file, then position).
  std::vector<int> ByBytes() {
    std::vector<int> order(static_cast<size_t>(List().Count()));
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      const auto &x = List().Line(a)->Data(), &y = List().Line(b)->Data();
      return std::pair(x.filename_num_original, x.byte_position) < std::pair(y.filename_num_original, y.byte_position);
    });
    return order;
  }
  TModifyOptions Options(TModifySourceTexts mode) const {
    TModifyOptions o;
    o.mode = mode;
    o.initials = u"ab";
    o.log_file = log;
    o.stamp = u"202601021304";
    return o;
  }
  int32_t Modify(const TModifyOptions& o, TModifyReport& report) {
    return ModifyConcordanceSourceTexts(List(), *run.doc->fTextFilesWithSearchWord, o, report);
  }
  TLinzoraFilenameEntry& Row(int i) { return *run.doc->fTextFilesWithSearchWord->Row(i); }
};

// The product's grid gives the Set column; here a stand-in owner does, for a moment.
struct TSetColumnOwner : TConcordanceLineOwner {
  int32_t StreamVersion() const override { return 25; }
  int ColumnKind(int column) const override { return column == 2 ? 2 : 0; }
};
void SetSetText(TConcordanceEntry* line, UStringView text) {
  static TSetColumnOwner stand_in;
  TConcordanceLineOwner* owner = line->Owner();
  line->SetOwner(&stand_in);
  line->SetAWordAsString(2, text);
  line->SetOwner(owner);
}

UString Joined(const std::vector<UString>& v) {
  UString out;
  for (const UString& s : v) out += s + u" | ";
  return out;
}

}  // namespace

TEST(ModifyPieces, KeywordsStampsFieldsAndMarkers) {
  EXPECT_EQ(StringToModifySourceTexts(u"SEARCHWORD"), TModifySourceTexts::mst_search_word);
  EXPECT_EQ(StringToModifySourceTexts(u"set"), TModifySourceTexts::mst_none);
  EXPECT_EQ(ModifySourceTextsKeyword(TModifySourceTexts::mst_undo), u"UNDO");

  struct {
    UStringView text;
    int n;
    UStringView field;
  } fields[] = {{u"a\tb\tc", 1, u"a"}, {u"a\tb\tc", 3, u"c"}, {u"a\tb\tc", 4, u""},
                {u"a\t\tc", 2, u""},   {u"a\tb\t", 3, u""},  {u"abc", 0, u""}};
  for (const auto& c : fields) EXPECT_EQ(NthDelimitedField(c.text, u'\t', c.n), c.field) << c.n;

  struct {
    UStringView in, out;
  } markers[] = {{u"noun", u"<ut_noun/>"}, {u"<x/>", u"<x/>"}, {u"<x", u"<x/>"}, {u"x>", u"<ut_x>"}, {u"", u"<ut_/>"}};
  for (const auto& c : markers) EXPECT_EQ(WrappedAsMarker(c.in), c.out) << Utf16ToUtf8(c.in);

  TDateTime made = 0;
  ASSERT_TRUE(TryEncodeDateTime(2026, 1, 2, 13, 4, 0, made));
  EXPECT_EQ(DateTimeAsTimeStamp(made), u"202601021304");
  EXPECT_DOUBLE_EQ(TimeStampToDateTime(u"202601021304"), made);
  TDateTime letters = 0;
  ASSERT_TRUE(TryEncodeDateTime(2026, 1, 2, 13, 4, 0, letters));
  EXPECT_DOUBLE_EQ(TimeStampToDateTime(u"2026xx021304"), letters);  // month not a number: 1
  // Impossible but numeric fields, a short stamp and a blank give now.
  for (UStringView stamp : {u"202613021304", u"202601321304", u"20260102130", u"2026 1021304"}) {
    const TDateTime t = TimeStampToDateTime(stamp);
    EXPECT_LT(SecondsBetween(t, Now()), 5.0) << Utf16ToUtf8(stamp);
  }
}

TEST(ModifyPieces, MovedPositionsFollowInsertionsAndReplacements) {
  const std::vector<TByteEdit> edits = {{10, 0, 7}, {20, 1, 2}, {30, 0, 3}};
  struct {
    int64_t in, out;
  } cases[] = {{9, 9}, {10, 17}, {19, 26}, {20, 27}, {21, 29}, {30, 41}, {31, 42}};
  for (const auto& c : cases) EXPECT_EQ(MovedBytePosition(edits, c.in), c.out) << c.in;
}

// Set values in four encodings: exact bytes, lines moved by the bytes inserted, the log.
TEST(ModifySourceTexts, SetValuesInEachEncoding) {
  for (TForm form : {TForm::Utf8, TForm::Utf16LE, TForm::Utf16BE, TForm::Cp1252, TForm::Utf16LENoMark}) {
    SCOPED_TRACE(static_cast<int>(form));
    TModifyFixture f;
    const UString before = u"caf\u00E9 dog x. the dog.";
    const UString name = f.tmp.Write(u"t.txt", Encoded(form, before));
    f.Make({name}, u"dog");
    ASSERT_EQ(f.List().Count(), 2);
    // The row took the text's fingerprint when it was read.
    EXPECT_EQ(int64_t{f.Row(0).fdata.other_data.fingerprint_size}, static_cast<int64_t>(Encoded(form, before).size()));
    EXPECT_GT(int64_t{f.Row(0).fdata.other_data.fingerprint_write_ns}, 0);
    const std::vector<int> order = f.ByBytes();
    EXPECT_EQ(f.List().Line(order[0])->Data().byte_position, ByteOf(form, before, 5));
    SetSetText(f.List().Line(order[0]), u"noun");
    SetSetText(f.List().Line(order[1]), u"v\u00E9rb");
    ASSERT_EQ(f.List().Line(order[1])->SetText(), u"v\u00E9rb");

    TModifyReport report;
    EXPECT_EQ(f.Modify(f.Options(TModifySourceTexts::mst_set), report), 2) << Utf16ToUtf8(Joined(report.refusals));
    const UString after = u"caf\u00E9 <ut_noun/>dog x. the <ut_v\u00E9rb/>dog.";
    EXPECT_EQ(FileBytes(name), Encoded(form, after));
    EXPECT_EQ(FileBytes(name + u".original"), Encoded(form, before));
    // Each line names its hit in the new text.
    EXPECT_EQ(f.List().Line(order[0])->Data().byte_position, ByteOf(form, after, after.find(u"dog")));
    EXPECT_EQ(f.List().Line(order[1])->Data().byte_position, ByteOf(form, after, after.rfind(u"dog")));
    EXPECT_EQ(int64_t{f.Row(0).fdata.other_data.file_size}, static_cast<int64_t>(Encoded(form, after).size()));
    EXPECT_TRUE(f.run.doc->DataChanged());
    const UString second_offset = IntToUStr(static_cast<int64_t>(after.find(u"<ut_v")));
    EXPECT_EQ(LogLines(f.log),
              (std::vector<UString>{u"ab\t202601021304\t" + name + u"\t<ut_ab1/>\tSET\t5\t\t\t<ut_noun/>\t",
                                    u"ab\t202601021304\t" + name + u"\t<ut_ab2/>\tSET\t" + second_offset +
                                        u"\t\t\t<ut_v\u00E9rb/>\t"}));

    // A second run over the moved lines finds its hits again; the first backup stays.
    TModifyReport again;
    EXPECT_EQ(f.Modify(f.Options(TModifySourceTexts::mst_set), again), 2) << Utf16ToUtf8(Joined(again.refusals));
    EXPECT_EQ(FileBytes(name + u".original"), Encoded(form, before));
    EXPECT_EQ(FileBytes(name),
              Encoded(form, u"caf\u00E9 <ut_noun/><ut_noun/>dog x. the <ut_v\u00E9rb/><ut_v\u00E9rb/>dog."));
    EXPECT_EQ(LogLines(f.log).size(), 4u);
    EXPECT_EQ(NthDelimitedField(LogLines(f.log)[3], u'\t', 4), u"<ut_ab4/>");
  }
}

// A phrase joined in its own encoding: the joiner may take more bytes than the blank.
TEST(ModifySourceTexts, SearchPhrasesJoinedInTheirOwnEncoding) {
  for (TForm form : {TForm::Utf8, TForm::Utf16LE, TForm::Utf16BE, TForm::Cp1252}) {
    SCOPED_TRACE(static_cast<int>(form));
    TModifyFixture f;
    const UString before = u"\u00E9 old man; an old man. dog";
    const UString name = f.tmp.Write(u"p.txt", Encoded(form, before));
    f.Make({name}, u"old man\ndog");
    ASSERT_EQ(f.List().Count(), 3);
    TModifyOptions o = f.Options(TModifySourceTexts::mst_search_word);
    o.joiner = u"\u00E9";
    TModifyReport report;
    EXPECT_EQ(f.Modify(o, report), 2) << Utf16ToUtf8(Joined(report.refusals));
    const UString after = u"\u00E9 <ut_ab1/>old\u00E9man; an <ut_ab2/>old\u00E9man. dog";
    EXPECT_EQ(FileBytes(name), Encoded(form, after));
    const std::vector<int> order = f.ByBytes();
    EXPECT_EQ(f.List().Line(order[2])->Data().byte_position, ByteOf(form, after, after.find(u"dog")));
    EXPECT_EQ(f.List().Line(order[1])->Data().byte_position, ByteOf(form, after, after.rfind(u"old")));
    EXPECT_EQ(LogLines(f.log),
              (std::vector<UString>{
                  u"ab\t202601021304\t" + name + u"\t<ut_ab1/>\tSEARCHWORD\t2\told man\told\u00E9man\t\t",
                  u"ab\t202601021304\t" + name + u"\t<ut_ab2/>\tSEARCHWORD\t" +
                      IntToUStr(static_cast<int64_t>(after.find(u"<ut_ab2"))) + u"\told man\told\u00E9man\t\t"}));
  }
}

TEST(ModifySourceTexts, WithoutLoggingAPhraseIsOnlyJoined) {
  TModifyFixture f;
  const UString name = f.tmp.Write(u"p.txt", "an old man.");
  f.Make({name}, u"old man");
  TModifyOptions o = f.Options(TModifySourceTexts::mst_search_word);
  o.logging = false;
  TModifyReport report;
  EXPECT_EQ(f.Modify(o, report), 1);
  EXPECT_EQ(FileBytes(name), "an old_man.");
  EXPECT_FALSE(FileExists(f.log));
}

// Two items with one hit: both lines still name the hit, whatever was inserted before it.
TEST(ModifySourceTexts, LinesAtTheSameByteAllMove) {
  TModifyFixture f;
  const UString name = f.tmp.Write(u"t.txt", "a dog ran.");
  f.Make({name}, u"dog\ndo*");
  ASSERT_EQ(f.List().Count(), 2);
  SetSetText(f.List().Line(0), u"A");
  SetSetText(f.List().Line(1), u"B");
  TModifyReport report;
  EXPECT_EQ(f.Modify(f.Options(TModifySourceTexts::mst_set), report), 2);
  const std::string bytes = FileBytes(name);
  EXPECT_TRUE(bytes == "a <ut_A/><ut_B/>dog ran." || bytes == "a <ut_B/><ut_A/>dog ran.") << bytes;
  for (int i = 0; i < 2; ++i) EXPECT_EQ(f.List().Line(i)->Data().byte_position, 16);
}

// A text changed since the concordance was made is refused and left as it is.
TEST(ModifySourceTexts, TextsChangedSinceAreRefusedUntouched) {
  enum class TEdit { SameSizeElsewhere, Longer, Touched, OldDocumentShifted };
  for (TEdit edit : {TEdit::SameSizeElsewhere, TEdit::Longer, TEdit::Touched, TEdit::OldDocumentShifted}) {
    SCOPED_TRACE(static_cast<int>(edit));
    TModifyFixture f;
    const UString name = f.tmp.Write(u"t.txt", "a dog ran far.");
    f.Make({name}, u"dog");
    SetSetText(f.List().Line(0), u"N");
    std::string now = "a dog ran far.";
    switch (edit) {
      case TEdit::SameSizeElsewhere: now = "a dog ran fur."; break;
      case TEdit::Longer: now = "a dog ran far away."; break;
      case TEdit::Touched: break;
      case TEdit::OldDocumentShifted:
        // An older document took no fingerprint: the hit is checked where the line says.
        f.Row(0).fdata.other_data.fingerprint_size = 0;
        f.Row(0).fdata.other_data.fingerprint_write_ns = 0;
        f.Row(0).fdata.other_data.file_size = 0;
        now = "so a dog ran.";
        break;
    }
    f.tmp.Write(u"t.txt", now);
    struct timespec times[2] = {{0, UTIME_OMIT}, {1700000000, 5}};
    ASSERT_EQ(utimensat(AT_FDCWD, Utf16ToUtf8(name).c_str(), times, 0), 0);
    TModifyReport report;
    EXPECT_EQ(f.Modify(f.Options(TModifySourceTexts::mst_set), report), 0);
    ASSERT_EQ(report.refusals.size(), 1u);
    EXPECT_EQ(report.refusals[0].rfind(name, 0), 0u) << "the refusal names the text";
    EXPECT_EQ(FileBytes(name), now);
    EXPECT_FALSE(FileExists(name + u".original"));
    EXPECT_EQ(f.List().Line(0)->Data().byte_position, 2);
    EXPECT_FALSE(f.run.doc->DataChanged());
  }
}

// A hit whose byte is inside a character, or whose text differs, is passed over and named with
// what the text reads there; the text's other hits are changed.
TEST(ModifySourceTexts, AHitNotAtItsPositionIsNamedAndTheOthersChanged) {
  for (int64_t shift : {int64_t{-1}, int64_t{2}}) {
    SCOPED_TRACE(shift);
    TModifyFixture f;
    const UString name = f.tmp.Write(u"t.txt", "caf\xC3\xA9 dog. a dog.");
    f.Make({name}, u"dog");
    const std::vector<int> order = f.ByBytes();
    ASSERT_EQ(order.size(), 2u);
    SetSetText(f.List().Line(order[0]), u"N");
    SetSetText(f.List().Line(order[1]), u"M");
    f.List().Line(order[0])->Data().byte_position = 6 + shift;
    TModifyReport report;
    EXPECT_EQ(f.Modify(f.Options(TModifySourceTexts::mst_set), report), 1);
    ASSERT_EQ(report.refusals.size(), 1u);
    const UString& said = report.refusals[0];
    EXPECT_EQ(said.rfind(name + u", line " + IntToUStr(order[0] + 1) + u": its hit is not in the text", 0), 0u)
        << Utf16ToUtf8(said);
    EXPECT_EQ(FileBytes(name), "caf\xC3\xA9 dog. a <ut_M/>dog.");
  }
}

// A phrase over a line end is found as its line shows it, whatever the blanks between its words,
// and joined (each blank one joiner); the log keeps the phrase on its line, and an undo gives the
// text back byte for byte.
TEST(ModifySourceTexts, APhraseOverALineEndIsJoined) {
  struct Case {
    const char* name;
    std::string gap;
    UString logged;  // the phrase as the log holds it
  } const cases[] = {
      {"LF", "\n", u"river\u240Abank"},
      {"CR LF", "\r\n", u"river\u240D\u240Abank"},
      {"indented", "\n  ", u"river\u240A  bank"},
      {"tab", "\t", u"river\u2409bank"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TModifyFixture f;
    const std::string before = "The river" + c.gap + "bank is green. The river bank is wet.";
    const UString name = f.tmp.Write(u"t.txt", before);
    f.Make({name}, u"river bank");
    ASSERT_EQ(f.List().Count(), 2);
    TModifyReport report;
    EXPECT_EQ(f.Modify(f.Options(TModifySourceTexts::mst_search_word), report), 2) << Utf16ToUtf8(Joined(report.refusals));
    EXPECT_TRUE(report.refusals.empty());
    EXPECT_EQ(FileBytes(name), "The <ut_ab1/>river" + std::string(c.gap.size(), '_') +
                                   "bank is green. The <ut_ab2/>river_bank is wet.");
    const std::vector<UString> lines = LogLines(f.log);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(NthDelimitedField(lines[0], u'\t', 7), c.logged);
    EXPECT_EQ(NthDelimitedField(lines[0], u'\t', 8), u"river" + UString(c.gap.size(), u'_') + u"bank");
    const TUndoResult undo = UndoModifications(f.log, {0, 1});
    EXPECT_EQ(undo.undone, 2) << Utf16ToUtf8(Joined(undo.notes));
    EXPECT_EQ(FileBytes(name), before);
  }
}

// Real prose hard-wrapped with CR LF: a phrase whose two words lie on two lines is joined where it
// stands, as is every other hit of it, and no other byte of the text changes.
TEST(ModifySourceTexts, APhraseOverCrLfInRealProseIsJoined) {
  TModifyFixture f;
  const std::string prose = FileBytes(Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/river_spring.txt");  // ASCII
  ASSERT_FALSE(prose.empty());
  // Wrapped at 60 columns, paragraph by paragraph.
  std::string wrapped;
  std::vector<std::pair<std::string, std::string>> line_ends;  // the words either side of a wrap
  std::istringstream paragraphs(prose);
  for (std::string paragraph; std::getline(paragraphs, paragraph);) {
    std::string line;
    std::istringstream words(paragraph);
    for (std::string w; words >> w;) {
      if (!line.empty() && line.size() + 1 + w.size() > 60) {
        line_ends.emplace_back(line.substr(line.rfind(' ') + 1), w);
        wrapped += line + "\r\n";
        line.clear();
      }
      line += (line.empty() ? "" : " ") + w;
    }
    wrapped += line + "\r\n";
  }
  auto letters = [](const std::string& w) {
    return !w.empty() && std::all_of(w.begin(), w.end(), [](char ch) { return std::isalpha(static_cast<unsigned char>(ch)); });
  };
  const auto wrap = std::find_if(line_ends.begin(), line_ends.end(),
                                 [&](const auto& e) { return letters(e.first) && letters(e.second); });
  ASSERT_NE(wrap, line_ends.end());
  const std::string phrase = wrap->first + " " + wrap->second;
  const UString name = f.tmp.Write(u"river_spring.txt", wrapped);
  f.Make({name}, Utf8ToUtf16(phrase));
  // What joining must give: every hit's blanks, the line end's two among them, one joiner each.
  std::string expected = wrapped;
  int over_line_ends = 0;
  for (int i = 0; i < f.List().Count(); ++i) {
    const TConcordanceLineData& d = f.List().Line(i)->Data();
    for (int64_t b = d.byte_position; b < d.byte_position + d.hit_characters; ++b) {
      char& ch = expected[static_cast<size_t>(b)];
      over_line_ends += ch == '\r' ? 1 : 0;
      if (ch == ' ' || ch == '\r' || ch == '\n') ch = '_';
    }
  }
  EXPECT_GE(over_line_ends, 1);
  TModifyOptions o = f.Options(TModifySourceTexts::mst_search_word);
  o.logging = false;
  TModifyReport report;
  EXPECT_EQ(f.Modify(o, report), f.List().Count()) << phrase << ": " << Utf16ToUtf8(Joined(report.refusals));
  EXPECT_EQ(FileBytes(name), expected);
  EXPECT_EQ(FileBytes(name + u".original"), wrapped);
}

TEST(ModifySourceTexts, AFailureBeforeTheRenameLeavesTextAndBackup) {
  TModifyFixture f;
  const UString name = f.tmp.Write(u"t.txt", "a dog ran.");
  f.Make({name}, u"dog");
  SetSetText(f.List().Line(0), u"N");
  TModifyOptions o = f.Options(TModifySourceTexts::mst_set);
  o.before_replacing = [](UStringView) { return false; };
  TModifyReport report;
  EXPECT_EQ(f.Modify(o, report), 0);
  EXPECT_EQ(FileBytes(name), "a dog ran.");
  EXPECT_EQ(FileBytes(name + u".original"), "a dog ran.");
  EXPECT_EQ(FindFiles(f.tmp.Path(), u"*").size(), 2u) << "no temporary file is left";
  EXPECT_EQ(f.List().Line(0)->Data().byte_position, 2);
  EXPECT_EQ(FileBytes(f.log), "") << "nothing logged for a change not made";
}

// The changed copy is written beside the text under the one temporary pattern, so that a copy left
// by a killed modification is never chosen as a text and goes with the next save in the folder.
TEST(ModifySourceTexts, TheCopyBeingWrittenCarriesTheTemporaryPattern) {
  TModifyFixture f;
  const UString name = f.tmp.Write(u"t.txt", "a dog ran.");
  f.Make({name}, u"dog");
  SetSetText(f.List().Line(0), u"N");
  TModifyOptions o = f.Options(TModifySourceTexts::mst_set);
  std::vector<UString> temporaries, others;
  o.before_replacing = [&](UStringView) {
    for (const UString& file : FindFiles(f.tmp.Path(), u"*"))
      (IsOurTemporaryName(file) ? temporaries : others).push_back(ExtractFileName(file));
    return true;
  };
  TModifyReport report;
  EXPECT_EQ(f.Modify(o, report), 1);
  ASSERT_EQ(temporaries.size(), 1u);
  EXPECT_TRUE(StartsWithU(temporaries[0], u".~t.txt.lz")) << Utf16ToUtf8(temporaries[0]);
  EXPECT_EQ(std::count(others.begin(), others.end(), u"t.txt"), 1);
  for (const UString& file : FindFiles(f.tmp.Path(), u"*")) EXPECT_FALSE(IsOurTemporaryName(file));
}

TEST(ModifySourceTexts, NoChangeWithoutABackup) {
  TModifyFixture f;
  const UString name = f.tmp.Write(u"t.txt", "a dog ran.");
  f.Make({name}, u"dog");
  SetSetText(f.List().Line(0), u"N");
  ASSERT_TRUE(ForceDirectories(name + u".original"));
  TModifyReport report;
  EXPECT_EQ(f.Modify(f.Options(TModifySourceTexts::mst_set), report), 0);
  ASSERT_EQ(report.refusals.size(), 1u);
  EXPECT_NE(report.refusals[0].find(u"backup"), UString::npos);
  EXPECT_EQ(FileBytes(name), "a dog ran.");
}

TEST(ModifySourceTexts, AnOlderBackupIsKept) {
  TModifyFixture f;
  const UString name = f.tmp.Write(u"t.txt", "a dog ran.");
  f.tmp.Write(u"t.txt.original", "older");
  f.Make({name}, u"dog");
  SetSetText(f.List().Line(0), u"N");
  TModifyReport report;
  EXPECT_EQ(f.Modify(f.Options(TModifySourceTexts::mst_set), report), 1);
  EXPECT_EQ(FileBytes(name + u".original"), "older");
  EXPECT_EQ(FileBytes(name), "a <ut_N/>dog ran.");
}

TEST(ModifySourceTexts, ReadOnlyAndArchiveMembersAreRefused) {
  for (int which = 0; which < 2; ++which) {
    TModifyFixture f;
    const UString name = f.tmp.Write(u"t.txt", "a dog ran.");
    f.Make({name}, u"dog");
    SetSetText(f.List().Line(0), u"N");
    if (which == 0) {
      ASSERT_EQ(chmod(Utf16ToUtf8(name).c_str(), 0444), 0);
    } else {
      f.Row(0).fdata.other_data.KindOfFile[0] |= kContentsZip;
    }
    TModifyReport report;
    EXPECT_EQ(f.Modify(f.Options(TModifySourceTexts::mst_set), report), 0);
    ASSERT_EQ(report.refusals.size(), 1u);
    EXPECT_NE(report.refusals[0].find(which == 0 ? u"read-only" : u"archive"), UString::npos);
    EXPECT_EQ(FileBytes(name), "a dog ran.");
  }
}

// A link stays a link; the text it names is changed, with its mode, and backed up beside it.
TEST(ModifySourceTexts, SymbolicLinksAreFollowed) {
  TModifyFixture f;
  const UString real = f.tmp.Write(u"real/t.txt", "a dog ran.");
  ASSERT_EQ(chmod(Utf16ToUtf8(real).c_str(), 0640), 0);
  const UString link = f.tmp.Path() + u"link.txt";
  ASSERT_EQ(symlink(Utf16ToUtf8(real).c_str(), Utf16ToUtf8(link).c_str()), 0);
  f.Make({link}, u"dog");
  SetSetText(f.List().Line(0), u"N");
  TModifyReport report;
  EXPECT_EQ(f.Modify(f.Options(TModifySourceTexts::mst_set), report), 1) << Utf16ToUtf8(Joined(report.refusals));
  struct stat st {};
  ASSERT_EQ(lstat(Utf16ToUtf8(link).c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(FileBytes(real), "a <ut_N/>dog ran.");
  ASSERT_EQ(stat(Utf16ToUtf8(real).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(FileBytes(real + u".original"), "a dog ran.");
}

// Values that would break the mark-up or the log are refused before anything is touched.
TEST(ModifySourceTexts, BadValuesAreRefused) {
  struct {
    TModifySourceTexts mode;
    UStringView joiner, initials, attribute;
  } cases[] = {
      {TModifySourceTexts::mst_search_word, u"", u"ab", u""},
      {TModifySourceTexts::mst_search_word, u"__", u"ab", u""},
      {TModifySourceTexts::mst_search_word, u" ", u"ab", u""},
      {TModifySourceTexts::mst_search_word, u"<", u"ab", u""},
      {TModifySourceTexts::mst_set, u"_", u"a\tb", u""},
      {TModifySourceTexts::mst_set, u"_", u"a b", u""},
      {TModifySourceTexts::mst_set, u"_", u"ab", u"x\"y"},
      {TModifySourceTexts::mst_none, u"_", u"ab", u""},
  };
  for (const auto& c : cases) {
    TModifyFixture f;
    const UString name = f.tmp.Write(u"t.txt", "an old man.");
    f.Make({name}, u"old man");
    SetSetText(f.List().Line(0), u"N");
    TModifyOptions o = f.Options(c.mode);
    o.joiner = UString(c.joiner);
    o.initials = UString(c.initials);
    o.attribute = UString(c.attribute);
    TModifyReport report;
    EXPECT_EQ(f.Modify(o, report), -1) << Utf16ToUtf8(c.joiner) << Utf16ToUtf8(c.initials);
    EXPECT_EQ(report.refusals.size(), 1u);
    EXPECT_EQ(FileBytes(name), "an old man.");
  }
}

// A Set value that would break the mark-up passes its line over; the others are written, with
// the attribute when one is given.
TEST(ModifySourceTexts, BadSetValuesPassTheirLineOver) {
  TModifyFixture f;
  const UString name = f.tmp.Write(u"t.txt", "a dog. a dog.");
  f.Make({name}, u"dog");
  const std::vector<int> order = f.ByBytes();
  SetSetText(f.List().Line(order[0]), u"a<b");
  SetSetText(f.List().Line(order[1]), u"N");
  TModifyOptions o = f.Options(TModifySourceTexts::mst_set);
  o.attribute = u"k1";
  TModifyReport report;
  EXPECT_EQ(f.Modify(o, report), 1);
  EXPECT_EQ(report.refusals.size(), 1u);
  EXPECT_EQ(FileBytes(name), "a dog. a <ut_N tid=\"k1\"/>dog.");
}

TEST(ModifySourceTexts, TheLogNumbersOnAfterItsLines) {
  TModifyFixture f;
  const UString name = f.tmp.Write(u"t.txt", "a dog ran.");
  f.tmp.Write(u"log/modified.txt", Utf16Bytes(u"; a comment\nx\ty\n", true, true));
  f.Make({name}, u"dog");
  SetSetText(f.List().Line(0), u"N");
  TModifyOptions o = f.Options(TModifySourceTexts::mst_set);
  o.initials.clear();
  TModifyReport report;
  EXPECT_EQ(f.Modify(o, report), 1);
  const std::vector<UString> lines = LogLines(f.log);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(NthDelimitedField(lines[2], u'\t', 4), u"<ut__3/>");
  EXPECT_FALSE(NthDelimitedField(lines[2], u'\t', 1).empty()) << "the system's user name";
}

TEST(ModifySourceTexts, ALogThatCannotBeWrittenRefusesTheText) {
  TModifyFixture f;
  const UString name = f.tmp.Write(u"t.txt", "a dog ran.");
  f.tmp.Write(u"log/modified.txt", "not UTF-16\n");
  f.Make({name}, u"dog");
  SetSetText(f.List().Line(0), u"N");
  TModifyReport report;
  EXPECT_EQ(f.Modify(f.Options(TModifySourceTexts::mst_set), report), 0);
  EXPECT_EQ(report.refusals.size(), 1u);
  EXPECT_EQ(FileBytes(name), "a dog ran.");
}

TEST(ModifySourceTexts, TheListCallTakesTheWindowsArguments) {
  TModifyFixture f;
  const UString name = f.tmp.Write(u"t.txt", "an old man.");
  f.Make({name}, u"old man");
  SetModificationLogFileName(f.log);
  EXPECT_EQ(f.List().ModifySourceTexts(2, u"+", u"cd", true), 1) << Utf16ToUtf8(Joined(f.List().last_modify_report));
  SetModificationLogFileName(u"");
  EXPECT_EQ(FileBytes(name), "an <ut_cd1/>old+man.");
  EXPECT_EQ(f.List().ModifySourceTexts(2, u"", u"cd", true), -1);
  EXPECT_EQ(f.List().last_modify_report.size(), 1u);
}

// Blanks inside a tag stay; those between words, also after the tag's ">", are joined.
TEST(ModifySourceTexts, BlanksInsideTagsStay) {
  ScopedSettings settings;
  TempFolder tmp;
  const UString name = tmp.Write(u"t.txt", "an old <i a=b>big man.");
  TTextToModify text;
  text.full_name = name;
  // The reader shows the tag as blanks, as the line does.
  text.changes.push_back(TTextChange{7, 3, 18, u"old        big man", u""});
  TModifyOptions o;
  o.mode = TModifySourceTexts::mst_search_word;
  o.logging = false;
  const TTextModifyResult r = ModifyOneText(text, o);
  ASSERT_TRUE(r.modified) << Utf16ToUtf8(r.refusal);
  EXPECT_EQ(FileBytes(name), "an old_<i a=b>big_man.");
  EXPECT_EQ(r.edits.size(), 2u);
  EXPECT_EQ(r.new_size, 22);
}

// Hits in later chunks of a long text are found where their lines say.
TEST(ModifySourceTexts, HitsBeyondTheFirstChunk) {
  TModifyFixture f;
  std::string text;
  while (text.size() < 5'000'000) text += "caf\xC3\xA9 and tea, ";
  const size_t first = text.size();
  text += "dog. ";
  while (text.size() < 9'000'000) text += "caf\xC3\xA9 and tea, ";
  const size_t second = text.size();
  text += "dog.";
  const UString name = f.tmp.Write(u"long.txt", text);
  f.Make({name}, u"dog");
  ASSERT_EQ(f.List().Count(), 2);
  for (int i = 0; i < 2; ++i) SetSetText(f.List().Line(i), u"N");
  TModifyReport report;
  EXPECT_EQ(f.Modify(f.Options(TModifySourceTexts::mst_set), report), 2) << Utf16ToUtf8(Joined(report.refusals));
  std::string expected = text;
  expected.insert(second, "<ut_N/>");
  expected.insert(first, "<ut_N/>");
  EXPECT_TRUE(FileBytes(name) == expected);
  const std::vector<int> order = f.ByBytes();
  EXPECT_EQ(f.List().Line(order[0])->Data().byte_position, static_cast<int64_t>(first + 7));
  EXPECT_EQ(f.List().Line(order[1])->Data().byte_position, static_cast<int64_t>(second + 14));
}

// The log line reaches the disk before the text is replaced, pending (its closing tab a "?"), and
// is marked done once the text is in place: a modification stopped in between leaves a line
// that says what happened.
TEST(ModifySourceTexts, TheLogLineIsOnDiskBeforeTheTextIsReplaced) {
  TModifyFixture f;
  const UString name = f.tmp.Write(u"t.txt", "a dog ran.");
  f.Make({name}, u"dog");
  SetSetText(f.List().Line(0), u"N");
  TModifyOptions o = f.Options(TModifySourceTexts::mst_set);
  std::vector<UString> while_replacing;
  std::string text_then;
  o.before_replacing = [&](UStringView) {
    while_replacing = LogLines(f.log);
    text_then = FileBytes(name);
    return true;
  };
  TModifyReport report;
  EXPECT_EQ(f.Modify(o, report), 1) << Utf16ToUtf8(Joined(report.refusals));
  const UString done = u"ab\t202601021304\t" + name + u"\t<ut_ab1/>\tSET\t2\t\t\t<ut_N/>\t";
  UString pending = done;
  pending.back() = u'?';
  EXPECT_EQ(text_then, "a dog ran.");
  EXPECT_EQ(while_replacing, (std::vector<UString>{pending}));
  EXPECT_EQ(LogLines(f.log), (std::vector<UString>{done}));
  EXPECT_EQ(FileBytes(name), "a <ut_N/>dog ran.");
}

// A log that cannot take the line (the disk is full) refuses the text before it is changed.
TEST(ModifySourceTexts, ALogThatCannotGrowLeavesTheTextAsItWas) {
  TModifyFixture f;
  const UString name = f.tmp.Write(u"t.txt", "a dog ran.");
  UString filler;
  for (int i = 0; i < 2000; ++i) filler += u"; an older comment line\n";
  f.tmp.Write(u"log/modified.txt", Utf16Bytes(filler, true, true));
  const std::string log_before = FileBytes(f.log);
  f.Make({name}, u"dog");
  SetSetText(f.List().Line(0), u"N");
  // No file of this process may grow beyond the log's size now: the log cannot take a line,
  // while the text's few bytes still can be written.
  const auto old_signal = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit old_limit {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  struct rlimit limit = old_limit;
  limit.rlim_cur = static_cast<rlim_t>(log_before.size());
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  TModifyReport report;
  const int32_t changed = f.Modify(f.Options(TModifySourceTexts::mst_set), report);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_signal);
  EXPECT_EQ(changed, 0);
  ASSERT_EQ(report.refusals.size(), 1u);
  EXPECT_NE(report.refusals[0].find(u"log"), UString::npos) << Utf16ToUtf8(report.refusals[0]);
  EXPECT_EQ(FileBytes(name), "a dog ran.");
  EXPECT_TRUE(FileBytes(f.log) == log_before);
  EXPECT_EQ(f.List().Line(0)->Data().byte_position, 2);
}

// A modification killed between writing its log line and replacing the text: the text and its
// backup are the original, and the next read of the log drops the line whose change never came.
TEST(ModifySourceTexts, AModificationKilledBeforeTheRenameLeavesNoEntry) {
  testing::FLAGS_gtest_death_test_style = "fast";
  TModifyFixture f;
  const UString name = f.tmp.Write(u"t.txt", "a dog ran.");
  f.Make({name}, u"dog");
  SetSetText(f.List().Line(0), u"N");
  TModifyOptions o = f.Options(TModifySourceTexts::mst_set);
  o.before_replacing = [](UStringView) {
    raise(SIGKILL);
    return true;
  };
  EXPECT_EXIT(
      {
        TModifyReport report;
        f.Modify(o, report);
        std::exit(0);
      },
      testing::KilledBySignal(SIGKILL), "");
  EXPECT_EQ(FileBytes(name), "a dog ran.");
  EXPECT_EQ(FileBytes(name + u".original"), "a dog ran.");
  ASSERT_EQ(LogLines(f.log).size(), 1u) << "the killed modification's line is on disk, pending";
  TModificationLog log;
  UString error;
  ASSERT_TRUE(ReadModificationLog(f.log, log, error));
  EXPECT_TRUE(log.entries.empty());
  EXPECT_TRUE(LogLines(f.log).empty());
  // The next modification numbers its marker after the log as it now is.
  TModifyReport report;
  EXPECT_EQ(f.Modify(f.Options(TModifySourceTexts::mst_set), report), 1) << Utf16ToUtf8(Joined(report.refusals));
  EXPECT_EQ(FileBytes(name), "a <ut_N/>dog ran.");
  EXPECT_EQ(NthDelimitedField(LogLines(f.log).at(0), u'\t', 4), u"<ut_ab1/>");
}
