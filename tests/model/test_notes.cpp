// The notes of a document: the notes list and its stream, the lines the document writes, the
// timing note.
#include <gtest/gtest.h>

#include "platform/runtime/vx_resources.h"
#include "test_tool_document_support.h"

namespace {

class DocumentNotes : public ToolDocumentTest {
 protected:
  void TearDown() override {
    for (double& t : Global_process_times) t = 0;
    ToolDocumentTest::TearDown();
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
    ASSERT_EQ(kept.Count(), 1);
    EXPECT_EQ(kept[0], u"old");
  }
}

TEST_F(DocumentNotes, TextSplitsAtEveryKindOfLineEnd) {
  TMyStreamableStringlist notes;
  notes.SetText(u"a\r\nb\nc\rd\r\n");
  EXPECT_EQ(notes.Lines(), (std::vector<UString>{u"a", u"b", u"c", u"d"}));
  EXPECT_EQ(notes.Text(), u"a\nb\nc\nd\n");
}

TEST_F(DocumentNotes, TimingNoteTexts) {
  EXPECT_EQ(TimingNoteText(0.15), u"");
  EXPECT_EQ(TimingNoteText(0.2), u"");
  EXPECT_EQ(TimingNoteText(0.25), VXResFmt(TVXRes::VXTookNMs, {u"250"}));
  EXPECT_EQ(TimingNoteText(59), VXResFmt(TVXRes::VXTookNSeconds, {u"59"}));
  EXPECT_EQ(TimingNoteText(3600 + 120 + 3), VXResFmt(TVXRes::VXTookX, {u"62:03"}));
  EXPECT_EQ(TimingNoteText(7200), VXResFmt(TVXRes::VXTookX, {u"120:00"}));
  EXPECT_EQ(TimingNoteText(65), VXResFmt(TVXRes::VXTookX, {u"01:05"}));
  // A step of a day and an hour: every hour counts, the day too.
  EXPECT_EQ(TimingNoteText(25 * 3600.0), VXResFmt(TVXRes::VXTookX, {u"1500:00"}));
  EXPECT_EQ(TimingNoteText(-5), u"");
}

TEST_F(DocumentNotes, TimingNoteLine) {
  TTestDocument doc;
  Global_process_times[kListCollocates] = 0.1;
  doc.AddATimingNote(kListCollocates);
  EXPECT_EQ(doc.fNotes.Count(), 0);
  Global_process_times[kListCollocates] = 59;
  doc.AddATimingNote(kListCollocates);
  ASSERT_EQ(doc.fNotes.Count(), 1);
  EXPECT_EQ(doc.fNotes[0], u"\t" + list_type_as_string(kListCollocates) + u" (" +
                               VXResFmt(TVXRes::VXTookNSeconds, {u"59"}) + u")");
  doc.AddATimingNote(200);  // outside the table: nothing
  EXPECT_EQ(doc.fNotes.Count(), 1);
}

TEST_F(DocumentNotes, DetailsLaterNotesAndDuringNotes) {
  TTestDocument doc;
  doc.AddNoteDetails({u"first", u"", u"second", u"third"}, 1);
  EXPECT_EQ(doc.fNotes.Lines(), (std::vector<UString>{u"first", u"\tsecond", u"\tthird"}));
  doc.fNotes.Clear();
  doc.AddNoteDetails({u"a", u"b"}, 2);
  EXPECT_EQ(doc.fNotes.Lines(), (std::vector<UString>{u"\ta", u"\t\tb"}));
  doc.fNotes.Clear();
  doc.AddNoteDetails({u"a"}, 0);
  EXPECT_EQ(doc.fNotes.Lines(), (std::vector<UString>{u"a"}));

  doc.fNotes.Clear();
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
  bool has_settings = false;
  for (const UString& line : doc.fNotes.Lines())
    if (line == VXResFmt(TVXRes::VXCurrentXSettings, {VXRes(TVXRes::VXLanguage)})) has_settings = true;
  EXPECT_TRUE(has_settings);

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
  TAllFileHandledInfo other = info;
  other.bytes[9] = 1;
  doc.UpdateAllFileHandledInfo(other, false);
  doc.NumberOfTextsToProcess = 4;
  doc.StartStandardNotes(0, 0, u"", u"");
  auto has = [&](const UString& line) {
    for (const UString& l : doc.fNotes.Lines())
      if (l == line) return true;
    return false;
  };
  EXPECT_TRUE(has(u"\t" + VXRes(TVXRes::VXMixedTextFormats)));
  EXPECT_TRUE(has(u"\t" + VXRes(TVXRes::VXHTML)));
  EXPECT_TRUE(has(u"\t" + VXRes(TVXRes::VXUTF8)));
  EXPECT_FALSE(has(u"\t" + VXRes(TVXRes::VXUnicode)));
  EXPECT_TRUE(has(u"\t" + VXResFmt(TVXRes::VXNTotalFilesToProcess, {u"4"})));

  // A tool that does not read texts reports none of it.
  current_tool_var = kToolKeyness;
  doc.StartStandardNotes(0, 0, u"", u"");
  EXPECT_FALSE(has(u"\t" + VXRes(TVXRes::VXHTML)));
}

TEST_F(DocumentNotes, MergingAppendsTheMergeLineAndTheOthersNotes) {
  TTestDocument doc, other;
  doc.fNotes.Add(u"mine");
  other.fNotes.Add(u"1");
  other.fNotes.Add(u"\t2");
  other.fNotes.Add(u"3");
  EXPECT_TRUE(doc.MergeWith(other, u"other.cnc"));
  ASSERT_EQ(doc.fNotes.Count(), 5);
  EXPECT_TRUE(StartsWithU(doc.fNotes[1], VXResFmt(TVXRes::VXMergedWith, {u"other.cnc"}) + u" "));
  EXPECT_EQ(doc.fNotes[2], u"1");
  EXPECT_EQ(doc.fNotes[3], u"\t2");
  EXPECT_EQ(doc.fNotes[4], u"3");
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
