// The notes of a document: the notes list and its stream, the lines the document writes, the
// timing note.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/runtime/vx_resources.h"
#include "test_tool_document_support.h"

namespace {

class DocumentNotes : public ToolDocumentTest {
 protected:
  void TearDown() override {
    for (double& t : Global_process_times) t = 0;
    ToolDocumentTest::TearDown();
  }
  static bool Has(const TTestDocument& doc, const UString& line) {
    const std::vector<UString> lines = doc.fNotes.Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
};

TEST_F(DocumentNotes, StreamRoundTripAndDamage) {
  TMyStreamableStringlist notes;
  notes.Add(u"Concordance");
  notes.Add(u"\tdétail ✓");
  notes.Add(u"");
  TMemoryStream s;
  ASSERT_TRUE(notes.SaveToStream(s));
  const std::vector<uint8_t> whole = s.Data();
  s.SetPosition(0);
  TMyStreamableStringlist back;
  ASSERT_TRUE(back.ReadFromStream(s));
  EXPECT_EQ(back.Lines(), notes.Lines());
  EXPECT_EQ(s.Position(), s.Size());

  for (size_t cut = 0; cut < whole.size(); ++cut) {
    TMyStreamableStringlist kept;
    kept.Add(u"old");
    TMemoryStream part(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(cut)));
    EXPECT_FALSE(kept.ReadFromStream(part)) << cut;
    EXPECT_EQ(kept.Lines(), std::vector<UString>{u"old"});
  }
}

TEST_F(DocumentNotes, TextSplitsAtEveryKindOfLineEnd) {
  TMyStreamableStringlist notes;
  notes.SetText(u"a\r\nb\nc\rd\r\n");
  EXPECT_EQ(notes.Lines(), (std::vector<UString>{u"a", u"b", u"c", u"d"}));
  EXPECT_EQ(notes.Text(), u"a\nb\nc\nd\n");
}

TEST_F(DocumentNotes, TimingNoteTexts) {
  const std::pair<double, UString> cases[] = {
      {0.15, u""}, {0.2, u""}, {-5, u""}, {0.25, VXResFmt(TVXRes::VXTookNMs, {u"250"})},
      {59, VXResFmt(TVXRes::VXTookNSeconds, {u"59"})}, {65, VXResFmt(TVXRes::VXTookX, {u"01:05"})},
      {3600 + 120 + 3, VXResFmt(TVXRes::VXTookX, {u"62:03"})}, {7200, VXResFmt(TVXRes::VXTookX, {u"120:00"})},
      // A step of a day and an hour: every hour counts, the day too.
      {25 * 3600.0, VXResFmt(TVXRes::VXTookX, {u"1500:00"})}};
  for (const auto& [seconds, text] : cases) EXPECT_EQ(TimingNoteText(seconds), text) << seconds;
}

TEST_F(DocumentNotes, TimingNoteLine) {
  TTestDocument doc;
  Global_process_times[kListCollocates] = 0.1;
  doc.AddATimingNote(kListCollocates);
  EXPECT_EQ(doc.fNotes.Count(), 0);
  Global_process_times[kListCollocates] = 59;
  doc.AddATimingNote(kListCollocates);
  doc.AddATimingNote(200);  // outside the table: nothing
  EXPECT_EQ(doc.fNotes.Lines(), std::vector<UString>{u"\t" + list_type_as_string(kListCollocates) + u" (" +
                                                     VXResFmt(TVXRes::VXTookNSeconds, {u"59"}) + u")"});
}

TEST_F(DocumentNotes, DetailsLaterNotesAndDuringNotes) {
  TTestDocument doc;
  auto lines = [&] {
    std::vector<UString> l = doc.fNotes.Lines();
    doc.fNotes.Clear();
    return l;
  };
  doc.AddNoteDetails({u"first", u"", u"second", u"third"}, 1);
  EXPECT_EQ(lines(), (std::vector<UString>{u"first", u"\tsecond", u"\tthird"}));
  doc.AddNoteDetails({u"a", u"b"}, 2);
  EXPECT_EQ(lines(), (std::vector<UString>{u"\ta", u"\t\tb"}));
  doc.AddNoteDetails({u"a"}, 0);
  EXPECT_EQ(lines(), (std::vector<UString>{u"a"}));

  doc.AddOneLaterNote(u"", u"heading");
  EXPECT_EQ(doc.fNotes.Count(), 0);
  doc.AddOneLaterNote(u"what", u"heading");
  ASSERT_EQ(doc.fNotes.Count(), 3);
  EXPECT_EQ(doc.fNotes[1], u"\theading");
  EXPECT_EQ(doc.fNotes[2], u"\twhat");
  doc.AddOneLaterNote(u"only", u"");
  ASSERT_EQ(doc.fNotes.Count(), 5);
  EXPECT_EQ(doc.fNotes[4], u"\tonly");

  doc.fNotes.Clear();
  doc.AddOneDuringMainComputationNote(u"");
  doc.AddOneDuringMainComputationNote(u"x");
  EXPECT_EQ(doc.fNotes.Lines(), (std::vector<UString>{u"\tx"}));
}

TEST_F(DocumentNotes, StandardNotesBeginWithTheListTypeAndInBatchTheTextNumber) {
  TTestDocument doc(kListConcordance);
  doc.fNotes.Add(u"stale");
  doc.StartStandardNotes(0, kListConcordance, u"a title that adds nothing", u"Concordance list");
  ASSERT_GE(doc.fNotes.Count(), 3);
  EXPECT_EQ(doc.fNotes[0], list_type_as_string(kListConcordance));
  EXPECT_EQ(doc.fNotes[1], u"Concordance list");
  for (const UString& line : doc.fNotes.Lines()) {
    EXPECT_NE(line, u"stale");
    EXPECT_EQ(line.find(u"a title"), UString::npos);
  }
  // The text-settings lines close the notes.
  EXPECT_TRUE(Has(doc, VXResFmt(TVXRes::VXCurrentXSettings, {VXRes(TVXRes::VXLanguage)})));

  Global_batch_mode = 1;
  doc.StartStandardNotes(7, kListConcordance, u"", u"");
  EXPECT_EQ(doc.fNotes[1], u"# 7");
}

TEST_F(DocumentNotes, StandardNotesReportHowTextsWereHandled) {
  TTestDocument doc;
  TAllFileHandledInfo info;
  info.Clear();
  info.bytes[8] = 1;   // HTML
  info.bytes[13] = 1;  // UTF-8
  doc.UpdateAllFileHandledInfo(info, true);
  info.bytes[9] = 1;
  doc.UpdateAllFileHandledInfo(info, false);
  doc.NumberOfTextsToProcess = 4;
  doc.StartStandardNotes(0, 0, u"", u"");
  EXPECT_TRUE(Has(doc, u"\t" + VXRes(TVXRes::VXMixedTextFormats)));
  EXPECT_TRUE(Has(doc, u"\t" + VXRes(TVXRes::VXHTML)));
  EXPECT_TRUE(Has(doc, u"\t" + VXRes(TVXRes::VXUTF8)));
  EXPECT_FALSE(Has(doc, u"\t" + VXRes(TVXRes::VXUnicode)));
  EXPECT_TRUE(Has(doc, u"\t" + VXResFmt(TVXRes::VXNTotalFilesToProcess, {u"4"})));

  // A tool that does not read texts reports none of it.
  current_tool_var = kToolKeyness;
  doc.StartStandardNotes(0, 0, u"", u"");
  EXPECT_FALSE(Has(doc, u"\t" + VXRes(TVXRes::VXHTML)));
}

TEST_F(DocumentNotes, MergingAppendsTheMergeLineAndTheOthersNotes) {
  TTestDocument doc, other;
  doc.fNotes.Add(u"mine");
  for (const char16_t* line : {u"1", u"\t2", u"3"}) other.fNotes.Add(line);
  EXPECT_TRUE(doc.MergeWith(other, u"other.cnc"));
  ASSERT_EQ(doc.fNotes.Count(), 5);
  EXPECT_TRUE(StartsWithU(doc.fNotes[1], VXResFmt(TVXRes::VXMergedWith, {u"other.cnc"}) + u" "));
  EXPECT_EQ(std::vector<UString>(doc.fNotes.Lines().begin() + 2, doc.fNotes.Lines().end()), other.fNotes.Lines());
  EXPECT_TRUE(doc.MergeWith(doc, u"self"));  // merging with itself copies its lines once
  EXPECT_EQ(doc.fNotes.Count(), 12);
}

TEST_F(DocumentNotes, SelectionDescription) {
  TTestDocument doc;
  SetTextSelectAtAll(false);
  SetTextSelectingWithin(false);
  EXPECT_EQ(doc.SelectingOrCuttingTextFiles(), u" ");
  SetTextSelectAtAll(true);
  TSelectTextFile_RecW slot;
  slot.Clear();
  slot.SetText(u"<poem>");
  SetTextSelectAtAllString(1, slot);
  const UString text = doc.SelectingOrCuttingTextFiles();
  EXPECT_TRUE(StartsWithU(text, u" " + VXRes(TVXRes::VXOnlyIf) + u": <poem>,"));
  EXPECT_EQ(text.back(), u' ');
  slot.SetText(u"");
  SetTextSelectAtAllString(1, slot);
  SetTextSelectAtAll(false);
}

}  // namespace
