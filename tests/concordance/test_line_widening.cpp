// Widening a line: the line re-read from its text around its hit at a wider width equals the line
// a run at that width makes for the same hit, in every encoding, at the text's edges and through
// the concordance list; a text gone or changed, and a busy list, leave the line as it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "../model/read_and_search_support.h"
#include "concordance/lines/concordance_list.h"
#include "concordance/document/source_files.h"
#include "concordance/run/text_processor.h"
#include "worker_test_support.h"
#include "platform/runtime/vx_runtime.h"

using namespace text_reader_test;

namespace {

// Everything a line holds that widening may change or must keep.
auto LineKey(const TConcordanceEntry& line) {
  const TConcordanceLineData& d = line.Data();
  std::string fixed;
  for (int k = 0; k < kSpanFixedCount; ++k) {
    const TSortInfoRec r = line.FixedWord(k);
    fixed.append(reinterpret_cast<const char*>(&r), sizeof r);
  }
  const TLineUnitStats units = line.UnitStats();
  const std::string extras(reinterpret_cast<const char*>(&units), sizeof units);
  std::vector<int32_t> tags;
  for (int32_t i = 0; i < line.TagPositions().Count(); ++i) {
    const TTagPositionRec r = line.TagPositions().Record(i);
    tags.insert(tags.end(), {r.tag_position, r.used_length, r.tagnumber_1Based});
  }
  return std::make_tuple(UString(line.Text()), d.midpoint, d.hit_characters, d.sw_number, d.conc_line_chars, fixed,
                         line.OtherLeftCollocs().Count(), line.OtherRightCollocs().Count(), d.byte_position,
                         d.word_num, extras, UString(line.TagContext()), line.TagNumber1Based(), tags);
}

class LineWidening : public TWorkerTest {};

// Non-ASCII before every hit: a window placed by bytes minus characters would miss the line's start.
const UString kStory = u"\u00DCber \u00E7a \u043A\u043E\u0444\u0435 the caf\u00E9 was shut. \u00C7a caf\u00E9!\n";

}  // namespace

TEST_F(LineWidening, AWidenedLineEqualsTheLineOfTheSameHitMadeAtTheWiderWidth) {
  const UString whole = Times16(kStory, 160);  // about 7,000 characters: hits at both edges and between
  const UString latin = Times16(u"\u00DCber \u00E7a the caf\u00E9 was shut. \u00C7a caf\u00E9!\n", 200);
  // Mark-up with entities of eight bytes a character: a window of four bytes a character is
  // too narrow and is read again wider; a window from the middle must still replace entities.
  const std::string entities = Times("&#x00E9;", 100);
  const std::string html =
      "<html>\n" + Times("&#220;ber &#231;a " + entities + " the caf&#233; was shut. &#199;a caf&#233;!\n", 40);
  const UString html_chars =
      u"<html>\n" +
      Times16(u"\u00DCber \u00E7a " + Times16(u"\u00E9", 100) + u" the caf\u00E9 was shut. \u00C7a caf\u00E9!\n", 40);
  struct Case {
    const char* name;
    std::string bytes;
    UString chars;  // what the reader decodes
  } const cases[] = {
      {"utf8.txt", ToUtf8(whole), whole},
      {"utf16le.txt", Utf16Bytes(whole, true, true), whole},
      {"utf16be.txt", Utf16Bytes(whole, false, true), whole},
      {"cp1252.txt", Times("\xDC" "ber \xE7" "a the caf\xE9 was shut. \xC7" "a caf\xE9!\n", 200), latin},
      {"marked-up.html", html, html_chars},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const UString file = tmp_.Write(Utf8ToUtf16(c.name), c.bytes);
    TWorkerRun run(u"caf\u00E9");
    const TTextOutcome narrow = run.ReadAtWidth(file, 1000);
    const TTextOutcome wide = run.ReadAtWidth(file, 3000);
    ASSERT_TRUE(narrow.read_ok && wide.read_ok);
    ASSERT_EQ(narrow.lines.size(), wide.lines.size());
    ASSERT_GE(narrow.lines.size(), 80u);
    std::array<bool, 2> edges{};
    const TLineWindowReader widen =
        MakeLineWindowReader(run.setup, [&](int32_t) { return ChosenFile(file); });
    int at_start = 0, at_end = 0;
    size_t hit_at = 0;  // the hit's character in the text
    for (size_t i = 0; i < narrow.lines.size(); ++i, ++hit_at) {
      hit_at = c.chars.find(u"caf\u00E9", hit_at);
      ASSERT_NE(hit_at, UString::npos);
      TConcordanceEntry& line = *narrow.lines[i].line;
      ASSERT_NE(LineKey(line), LineKey(*wide.lines[i].line)) << "line " << i;  // the widths differ
      ASSERT_TRUE(widen(line, 3000, edges)) << "line " << i;
      ASSERT_EQ(LineKey(line), LineKey(*wide.lines[i].line)) << "line " << i;
      // The text's edges: within half the new width of its start or its end.
      EXPECT_EQ(edges[0], hit_at < 1500) << "line " << i;
      EXPECT_EQ(edges[1], c.chars.size() - hit_at < 1500) << "line " << i;
      at_start += edges[0];
      at_end += edges[1];
    }
    EXPECT_TRUE(edges[1]);  // the last line
    EXPECT_GT(at_start, 0);
    EXPECT_GT(at_end, 0);
    EXPECT_LT(at_start + at_end, static_cast<int>(narrow.lines.size()));
  }
}

TEST_F(LineWidening, TagsAndHeadingAreRemadeAsAtTheWiderWidth) {
  // Hidden mark-up round every word, so that the window holds far more bytes than the line
  // shows; a kept heading stands about 1,000 characters before "dog": outside the narrow line,
  // inside the wide one.
  read_and_search::UseTagsToKeep({u"<h>"});
  const std::string word = "<w pos=\"NN\">ox</w> ";  // 19 characters, 3 shown
  const std::string text =
      Times(word, 200) + "<h>Dogs</h> " + Times(word, 50) + "<w pos=\"NN\">dog</w> " + Times(word, 200);
  const UString file = tmp_.Write(u"tagged.txt", text);
  TWorkerRun run(u"dog");
  const TTextOutcome narrow = run.ReadAtWidth(file, 1000);
  const TTextOutcome wide = run.ReadAtWidth(file, 3000);
  ASSERT_TRUE(narrow.read_ok && wide.read_ok);
  ASSERT_EQ(narrow.lines.size(), 1u);
  ASSERT_EQ(wide.lines.size(), 1u);
  TConcordanceEntry& line = *narrow.lines[0].line;
  ASSERT_EQ(line.TagNumber1Based(), 0);
  ASSERT_EQ(wide.lines[0].line->TagNumber1Based(), 1);
  ASSERT_EQ(UString(wide.lines[0].line->TagContext()), u"<h>");
  ASSERT_GT(wide.lines[0].line->TagPositions().Count(), 0);
  std::array<bool, 2> edges{true, true};
  const TLineWindowReader widen = MakeLineWindowReader(run.setup, [&](int32_t) { return ChosenFile(file); });
  ASSERT_TRUE(widen(line, 3000, edges));
  EXPECT_EQ(LineKey(line), LineKey(*wide.lines[0].line));
  EXPECT_FALSE(edges[0]);
  EXPECT_FALSE(edges[1]);
}

// The text with a two-byte character over the byte before `at` and `at` itself.
std::string InsideACharacter(std::string bytes, int64_t at) {
  bytes[static_cast<size_t>(at - 1)] = '\xC3';
  bytes[static_cast<size_t>(at)] = '\xA9';
  return bytes;
}

TEST_F(LineWidening, ATextGoneOrChangedLeavesTheLineAsItWas) {
  const UString file = tmp_.Write(u"gone.txt", ToUtf8(Times16(kStory, 100)));
  TWorkerRun run(u"caf\u00E9");
  const TTextOutcome narrow = run.ReadAtWidth(file, 1000);
  ASSERT_GT(narrow.lines.size(), 10u);
  TConcordanceEntry& line = *narrow.lines.back().line;
  const auto before = LineKey(line);
  struct Case {
    const char* name;
    std::string bytes;  // the text's bytes now; empty: no text
  } const cases[] = {
      {"no text", ""},
      {"shorter", ToUtf8(Times16(kStory, 10))},
      {"the byte now inside a character", InsideACharacter(ToUtf8(Times16(kStory, 100)), line.Data().byte_position)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(Utf16ToUtf8(file).c_str());
    if (!c.bytes.empty()) tmp_.Write(u"gone.txt", c.bytes);
    const TLineWindowReader widen = MakeLineWindowReader(run.setup, [&](int32_t) { return ChosenFile(file); });
    std::array<bool, 2> edges{};
    EXPECT_FALSE(widen(line, 3000, edges));
    EXPECT_EQ(LineKey(line), before);
  }
  // No text for the file number at all.
  const TLineWindowReader none = MakeLineWindowReader(run.setup, [](int32_t) { return TChosenFileDetailsFullRec{}; });
  std::array<bool, 2> edges{};
  EXPECT_FALSE(none(line, 3000, edges));
  EXPECT_EQ(LineKey(line), before);
}

namespace {

class TListDocument : public TConcordanceListDocument {
 public:
  TLinzoraFilenamelist* files = nullptr;
  TLinzoraFilenamelist* SourceFiles() const override { return files; }
};

}  // namespace

TEST_F(LineWidening, TheListWidensThroughTheReaderAndRefusesWhileBusy) {
  const std::string bytes = Times("the ox ran and the dog sat down. ", 300);  // 9,900 bytes, one a character
  const UString file = tmp_.Write(u"list.txt", bytes);
  TWorkerRun run(u"dog");
  const TTextOutcome narrow = run.ReadAtWidth(file, 1000);
  const TTextOutcome wide = run.ReadAtWidth(file, 3000);
  ASSERT_EQ(narrow.lines.size(), 300u);

  TVXBaseHolder holder;
  TListDocument doc;
  auto files = std::make_unique<TLinzoraFilenamelist>(&holder);
  TLinzoraFilenameEntryRecPlus rec;
  rec.full_filename = file;
  rec.other_data.file_size = static_cast<int64_t>(bytes.size());
  files->Add(new TLinzoraFilenameEntry(files.get(), rec));
  doc.files = files.get();
  TConcordanceList list(&holder, &doc);
  for (const TCandidateLine& c : narrow.lines) {
    auto line = list.NewLine();
    line->Data() = c.line->Data();
    line->SetUnitStats(c.line->UnitStats());
    for (int k = 0; k < kSpanFixedCount; ++k) line->SetFixedWord(k, c.line->FixedWord(k));
    line->Data().filename_num_original = 1;
    line->SetText(UString(c.line->Text()));
    ASSERT_GE(list.Add(line.release()), 0);
  }
  int calls = 0;
  const TLineWindowReader reader = MakeLineWindowReader(run.setup, [&](int32_t num) {
    return num == 1 ? ChosenFile(file) : TChosenFileDetailsFullRec{};
  });
  list.window_reader = [&](TConcordanceEntry& line, int32_t width, std::array<bool, 2>& at_edge) {
    ++calls;
    return reader(line, width, at_edge);
  };

  // A line near the text's end holds fewer characters, so it is widened to fewer than 3,000.
  struct Case {
    int index;
    bool at_start, at_end;
  } const cases[] = {{0, true, false}, {150, false, false}, {299, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    const int32_t width = list.Line(c.index)->Data().conc_line_chars + 2000;
    const TTextOutcome same = run.ReadAtWidth(file, width);
    ASSERT_EQ(same.lines.size(), 300u);
    const TConcordanceEntry& want = *same.lines[static_cast<size_t>(c.index)].line;
    TLinzoraEntryRecBase out{};
    ASSERT_TRUE(list.LinzoraData(c.index, true, out));
    const TConcordanceEntry& line = *list.Line(c.index);
    EXPECT_EQ(UString(line.Text()), UString(want.Text()));
    EXPECT_EQ(line.Data().midpoint, want.Data().midpoint);
    EXPECT_EQ(out.conc_line_chars, want.Data().conc_line_chars);
    EXPECT_EQ(list.fAtFileEdge[0], c.at_start);
    EXPECT_EQ(list.fAtFileEdge[1], c.at_end);
  }
  EXPECT_EQ(calls, 3);

  // While the list is busy nothing is read and the line stays.
  const UString kept(list.Line(10)->Text());
  list.SetListBusy(kBusySorting);
  TLinzoraEntryRecBase out{};
  EXPECT_FALSE(list.LinzoraData(10, true, out));
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(UString(list.Line(10)->Text()), kept);
  EXPECT_EQ(list.Line(10)->Data().conc_line_chars, 1000);
  list.SetListBusy(kBusyNone);
  EXPECT_TRUE(list.LinzoraData(10, true, out));
  EXPECT_EQ(calls, 4);
  EXPECT_EQ(UString(list.Line(10)->Text()), UString(wide.lines[10].line->Text()));
}
