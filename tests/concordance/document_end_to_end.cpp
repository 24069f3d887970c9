// A concordance made headless from start to end, as the main window makes one: a small corpus in
// every encoding the reader knows, a zip member, and mark-up read through the user's tag lists;
// the lines, lists, records and notes it gives; then saved and opened, merged with another run,
// and re-linked to its texts once they have moved; and the files a batch run leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "../model/read_and_search_support.h"
#include "document_test_support.h"
#include "model/documents/batch_procedures.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_resources.h"

using namespace document_test;
using read_and_search::FileBytesAt;
using read_and_search::UseTagsToExclude;
using read_and_search::UseTagsToKeep;
using text_reader_test::MakeZip;

namespace {

// The zip member's bytes (a zip member is read from its archive, not from disk).
const std::string kMember = "In the zip a black dog ran.";

// Context word "black" within two words either side, exclusion word "cat":
//   a8.txt    UTF-8, "café" two bytes for its "é": old (passes), old (black six words off),
//             dog (passes);
//   b16.txt   UTF-16 with its mark: dog (passes), old (black beside it, but "cat" too);
//   c1252.txt 8-bit, "é" one byte: old (passes), dog (no black near);
//   d.zip     m.txt: dog (passes);
//   e.html    "<b>" kept, "<note>...</note>" excluded with what it holds, other tags hidden: old
//             (passes), the dog inside the note is no word of the text;
//   f.txt     no search word; g.txt empty.
struct TMixedCorpus {
  TempFolder tmp;
  UString folder = tmp.Path() + u"corpus";
  TMixedCorpus() {
    Write(u"a8.txt",
          "The black old caf\xC3\xA9 opened. An old man walked far away from anything black. A black dog sat.");
    Write(u"b16.txt", Utf16Bytes(u"Her black dog barked. A black old cat slept.", true, true));
    Write(u"c1252.txt", "Un black old caf\xE9 noir. The dog was alone.");
    EXPECT_TRUE(MakeZip(folder + u"/d.zip", {{u"m.txt", kMember}}));
    Write(u"e.html", "<html><p>A <b>black</b> old <note>black dog</note> house.</p></html>");
    Write(u"f.txt", "Nothing to see here.");
    Write(u"g.txt", "");
  }
  void Write(UStringView name, const std::string& bytes) const { tmp.Write(u"corpus/" + UString(name), bytes); }
};

// The user's tag lists: "<b>" kept, note spans excluded; and the window's tag handler.
struct TTagScene {
  TTagScene() {
    UseTagsToKeep({u"<b>"});
    UseTagsToExclude({u"<note>*</note>"});
  }
  TTextTagHandler handler{static_cast<uint32_t>(GetTextSettings().LCID()), GetTextSettings().WindowsCodePage()};
};

TRunRequest MixedRequest(const UString& folder, TTextTagHandler* tags) {
  TRunRequest r;
  r.folder = folder;
  r.search_words = u"old\ndog";
  r.context_words = u"black";
  r.exclusion_words = u"cat";
  r.context_left = 2;
  r.context_right = 2;
  r.tags = tags;
  return r;
}

UString LineFile(const T_WholeLinzoraHolder& doc, int i) {
  return doc.fTextFilesWithSearchWord->GetFullFilename(doc.fConcordanceList->Line(i)->Data().filename_num_original - 1,
                                                       true);
}

// What a line says, for comparing lines of two documents and for reading a failure.
std::string Described(const T_WholeLinzoraHolder& doc, int i) {
  const TConcordanceEntry* line = doc.fConcordanceList->Line(i);
  const TConcordanceLineData& d = line->Data();
  return Utf16ToUtf8(LineFile(doc, i)) + " byte " + std::to_string(d.byte_position) + " word " +
         std::to_string(d.word_num) + " item " + std::to_string(d.sw_number) + " hit " +
         std::to_string(d.midpoint) + "+" + std::to_string(d.hit_characters) + " percent " +
         std::to_string(d.percent_of_file) + " sentence " + std::to_string(line->UnitNumber(0)) + " [" +
         Utf16ToUtf8(line->Text().ToUString()) + "]";
}

std::vector<std::string> AllLines(const T_WholeLinzoraHolder& doc) {
  std::vector<std::string> out;
  for (int i = 0; i < doc.fConcordanceList->Count(); ++i) out.push_back(Described(doc, i));
  return out;
}

// The hit's bytes as its text holds them at the line's byte position: read from disk for a
// plain text, from the member's known bytes for the zip member.
std::string HitBytesInText(const T_WholeLinzoraHolder& doc, int i, size_t length) {
  const UString file = LineFile(doc, i);
  const int64_t at = doc.fConcordanceList->Line(i)->Data().byte_position;
  if (ExtractFileName(file) == u"m.txt") return at < 0 ? std::string() : kMember.substr(static_cast<size_t>(at), length);
  return FileBytesAt(file, at, static_cast<int64_t>(length));
}

bool IsUtf16Text(const UString& file) { return ExtractFileName(file) == u"b16.txt"; }

int NoteAt(const T_WholeLinzoraHolder& doc, const UString& text, int from = 0) {
  const auto& lines = doc.fNotes.Lines();
  for (size_t i = static_cast<size_t>(std::max(from, 0)); i < lines.size(); ++i)
    if (lines[i] == text) return static_cast<int>(i);
  return -1;
}

// One line expected: its text, item, word number and byte position.
struct TWantLine {
  const char16_t* file;
  int32_t item;
  int32_t word_num;
  int64_t byte_position;
};

}  // namespace

TEST(ConcordanceEndToEnd, MixedCorpusGivesItsLinesListsRecordsAndNotes) {
  ScopedSettings settings;
  TMixedCorpus corpus;
  TTagScene tags;
  TRunDone run = RunConcordance(MixedRequest(corpus.folder, &tags.handler));
  ASSERT_TRUE(run.found) << Utf16ToUtf8(Global_FailureMessage);
  const T_WholeLinzoraHolder& doc = *run.doc;

  // Sorted on the search word ("black dog" before "black old"), then the word to its right
  // ("barked", "ran", "sat"; "café", "café", "house"), then on the text, that key descending
  // (c1252 before a8).
  const TWantLine want[] = {{u"b16.txt", 1, 3, 2 + 2 * 10}, {u"m.txt", 1, 6, 19},  {u"a8.txt", 1, 17, 84},
                            {u"c1252.txt", 0, 3, 9},        {u"a8.txt", 0, 3, 10}, {u"e.html", 0, 3, 24}};
  ASSERT_EQ(doc.fConcordanceList->Count(), 6) << testing::PrintToString(AllLines(doc));
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(Described(doc, i));
    const TConcordanceLineData& d = doc.fConcordanceList->Line(i)->Data();
    EXPECT_EQ(ExtractFileName(LineFile(doc, i)), want[i].file);
    EXPECT_EQ(d.sw_number, want[i].item);
    EXPECT_EQ(d.word_num, want[i].word_num);
    EXPECT_EQ(d.byte_position, want[i].byte_position);
    const UString word = want[i].item == 0 ? u"old" : u"dog";
    EXPECT_EQ(UString(doc.fConcordanceList->Line(i)->Text().substr(static_cast<size_t>(d.midpoint), 3)), word);
    EXPECT_EQ(HitBytesInText(doc, i, IsUtf16Text(LineFile(doc, i)) ? 6 : 3),
              IsUtf16Text(LineFile(doc, i)) ? Utf16Bytes(word, true, false) : Utf16ToUtf8(word));
  }
  // The note's hidden dog left no trace in the mark-up's line; the kept tag stays in it.
  EXPECT_EQ(UString(doc.fConcordanceList->Line(5)->Text()).find(u"dog"), UString::npos);
  EXPECT_NE(UString(doc.fConcordanceList->Line(5)->Text()).find(u"<b>black"), UString::npos);

  // Source rows in the order the texts were read, with their hits and words.
  struct Row {
    const char16_t* name;
    int32_t hits, words;
  } rows[] = {{u"a8.txt", 2, 18}, {u"b16.txt", 1, 9}, {u"c1252.txt", 1, 9}, {u"m.txt", 1, 7}, {u"e.html", 1, 4}};
  ASSERT_EQ(doc.fTextFilesWithSearchWord->Count(), 5);
  for (int r = 0; r < 5; ++r) {
    const TLinzoraFilenameEntryRecPlus rec = doc.fTextFilesWithSearchWord->GetEntryRecPlus(r, false);
    EXPECT_EQ(ExtractFileName(rec.full_filename), rows[r].name) << r;
    EXPECT_EQ(rec.other_data.hits_this_file, rows[r].hits) << r;
    EXPECT_EQ(rec.head.words_in_source_file, rows[r].words) << r;
  }
  EXPECT_EQ(doc.fTextFilesWithSearchWord->GetFullFilename(3, false), corpus.folder + u"/d.zip/m.txt");
  // The texts without lines, the empty one among them.
  ASSERT_EQ(doc.fUnusedFiles.Count(), 2);
  EXPECT_EQ(doc.fUnusedFiles.Record(0).filename, corpus.folder + u"/f.txt");
  EXPECT_EQ(doc.fUnusedFiles.Record(0).old.wordcount, 4);
  EXPECT_EQ(doc.fUnusedFiles.Record(1).filename, corpus.folder + u"/g.txt");
  EXPECT_EQ(doc.fUnusedFiles.Record(1).old.wordcount, 0);
  EXPECT_EQ(doc.fTextsWithoutHits, (std::vector<UString>{u"f.txt", u"g.txt"}));
  EXPECT_EQ(doc.SWSFoundCounter(), (std::vector<int32_t>{3, 3}));

  // Per-text records of the chosen texts: hits, words and kind, in the order chosen.
  struct Chosen {
    const char16_t* name;
    int32_t hits, words;
    uint8_t kind;
  } chosen[] = {{u"a8.txt", 2, 18, 1}, {u"b16.txt", 1, 9, 4}, {u"c1252.txt", 1, 9, 1}, {u"m.txt", 1, 7, 32},
                {u"e.html", 1, 4, 1},  {u"f.txt", 0, 4, 1},  {u"g.txt", 0, 0, 1}};
  ASSERT_EQ(run.chosen->FileCount(), 7);
  for (int i = 0; i < 7; ++i) {
    const TChosenFileDetailsFullRec d = run.chosen->GetFullFileDetails(i);
    EXPECT_EQ(d.rec.filename, chosen[i].name) << i;
    EXPECT_EQ(d.rec.hits, chosen[i].hits) << i;
    EXPECT_EQ(d.rec.words, chosen[i].words) << i;
    EXPECT_EQ(d.rec.kind, chosen[i].kind) << i;
  }

  // Notes in their order: texts without hits, the settings used, the tags, then what was found.
  const UString tab = u"\t", tab2 = u"\t\t";
  const std::vector<int> order = {
      NoteAt(doc, tab + VXResFmt(TVXRes::VXTotalXEquals,
                                 {VXResFmt(TVXRes::VXXNotFound, {VXRes(TVXRes::VXSearchWord)}), u"2"})),
      NoteAt(doc, tab2 + VXResFmt(TVXRes::VXNotFoundIn, {u"f.txt"})),
      NoteAt(doc, tab2 + VXResFmt(TVXRes::VXNotFoundIn, {u"g.txt"})),
      NoteAt(doc, tab + VXRes(TVXRes::VXContextPlain) + u":black"),
      NoteAt(doc, tab + VXRes(TVXRes::VXExcluding) + u":cat"),
      NoteAt(doc, tab + VXResFmt(TVXRes::VXContextWordHorizonsXToY,
                                 {VXRes(TVXRes::VXL) + u"2", VXRes(TVXRes::VXR) + u"2"})),
      NoteAt(doc, tab + VXResFmt(TVXRes::VXDTagsHandled, {u"1"})),
      NoteAt(doc, tab + VXResFmt(TVXRes::VXFunctionNFound, {VXRes(TVXRes::VXConcordance), u"6"})),
      NoteAt(doc, tab + VXResFmt(TVXRes::VXNmanyXFoundForXPercent, {u"3", VXRes(TVXRes::VXEntries), u"old", u"50"})),
      NoteAt(doc, tab + VXResFmt(TVXRes::VXNmanyXFoundForXPercent, {u"3", VXRes(TVXRes::VXEntries), u"dog", u"50"}))};
  for (size_t k = 0; k < order.size(); ++k) EXPECT_GE(order[k], 0) << k << "\n" << Utf16ToUtf8(doc.fNotes.Text());
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << Utf16ToUtf8(doc.fNotes.Text());
  // Six lines of 2 x 1000 wanted: no limit was met.
  EXPECT_EQ(NoteAt(doc, tab + VXResFmt(TVXRes::VXXReachedYourPresetLimitsY, {VXRes(TVXRes::VXEntries), u"6"})), -1);

  // The next click on each heading sorts the other way: the two word keys were ascending, the
  // text key descending.
  EXPECT_FALSE(doc.fConcordanceList->SortLevel(0).ascending);
  EXPECT_FALSE(doc.fConcordanceList->SortLevel(1).ascending);
  EXPECT_TRUE(doc.fConcordanceList->SortLevel(2).ascending);
}

TEST(ConcordanceEndToEnd, SavedOpenedMergedAndRelinkedToMovedTexts) {
  ScopedSettings settings;
  TMixedCorpus corpus;
  TTagScene tags;
  TRunDone run = RunConcordance(MixedRequest(corpus.folder, &tags.handler));
  ASSERT_TRUE(run.found);
  const std::vector<std::string> lines = AllLines(*run.doc);
  const int32_t words = run.doc->fSettings.RunningWords();
  EXPECT_EQ(words, 18 + 9 + 9 + 7 + 4 + 4 + 0);

  // Saved and opened again: every line as it was.
  const UString saved = corpus.tmp.Path() + u"first.cnc";
  ASSERT_TRUE(run.doc->SaveToFile(saved, 0, 0, 96));
  auto opened = NewDocument();
  ASSERT_TRUE(opened->ReadWholeFromFile(saved, kToolConcordancer).first) << Utf16ToUtf8(opened->ReadFailure());
  EXPECT_EQ(AllLines(*opened), lines);
  EXPECT_EQ(opened->TypedSearchWords(), (std::vector<UString>{u"old", u"dog"}));
  EXPECT_EQ(opened->fUnusedFiles.Count(), 2);
  EXPECT_EQ(opened->fSettings.RunningWords(), words);

  // Merged with a run over other texts, one search word new and one shared.
  TTextFolder other({{u"x.txt", "A dog and a hen."}, {u"y.txt", "The hen ran."}, {u"z.txt", "Nothing."}});
  TRunDone more = RunConcordance({other.names, u"hen\ndog"});
  ASSERT_TRUE(more.found);
  ASSERT_EQ(more.doc->fConcordanceList->Count(), 3);
  const int32_t more_words = more.doc->fSettings.RunningWords();
  EXPECT_EQ(more_words, 5 + 3 + 1);
  more.doc->fSettings.SetMergedTotal(7);  // as a document merged before holds it
  opened->fSettings.SetMergedTotal(5);
  ASSERT_TRUE(opened->MergeWith(*more.doc, u"more.cnc"));
  T_WholeLinzoraHolder& merged = *opened;
  EXPECT_EQ(merged.TypedSearchWords(), (std::vector<UString>{u"old", u"dog", u"hen"}));
  ASSERT_EQ(merged.fConcordanceList->Count(), 9);
  EXPECT_EQ(merged.fSettings.RunningWords(), words + more_words);  // 660
  EXPECT_EQ(merged.fSettings.MergedTotal(), 12);                    // 656
  EXPECT_EQ(merged.fSettings.MergedLineCount(), 9);                 // 652
  EXPECT_EQ(merged.fTextFilesWithSearchWord->Count(), 7);
  std::map<UString, int> per_text;
  for (int i = 0; i < merged.fConcordanceList->Count(); ++i) {
    SCOPED_TRACE(Described(merged, i));
    const UString file = LineFile(merged, i);
    const TConcordanceLineData& d = merged.fConcordanceList->Line(i)->Data();
    ++per_text[ExtractFileName(file)];
    const UString word = merged.TypedSearchWords()[static_cast<size_t>(d.sw_number)];
    EXPECT_EQ(UString(merged.fConcordanceList->Line(i)->Text().substr(static_cast<size_t>(d.midpoint), 3)), word);
    if (ExtractFileName(file) == u"x.txt" || ExtractFileName(file) == u"y.txt") {
      // The other run's lines name its texts, by the rows that follow this document's five.
      EXPECT_GE(d.filename_num_original, 6);
      EXPECT_EQ(file.substr(0, other.tmp.Path().size()), other.tmp.Path());
      EXPECT_EQ(FileBytesAt(file, d.byte_position, 3), Utf16ToUtf8(word));
    } else {
      EXPECT_LE(d.filename_num_original, 5);
      EXPECT_EQ(file.substr(0, corpus.folder.size()), corpus.folder);
    }
  }
  EXPECT_EQ(per_text, (std::map<UString, int>{{u"a8.txt", 2}, {u"b16.txt", 1}, {u"c1252.txt", 1}, {u"m.txt", 1},
                                               {u"e.html", 1}, {u"x.txt", 2}, {u"y.txt", 1}}));
  bool merge_note = false;
  for (const UString& note : merged.fNotes.Lines())
    if (note.rfind(VXResFmt(TVXRes::VXMergedWith, {u"more.cnc"}), 0) == 0) merge_note = true;
  EXPECT_TRUE(merge_note);

  // The texts move; the same search is made there and saved; the first document, opened from
  // its file, takes its texts' new places from that file.
  const UString moved = corpus.tmp.Path() + u"moved";
  ASSERT_TRUE(RenameFileU(corpus.folder, moved));
  TRunDone there = RunConcordance(MixedRequest(moved, &tags.handler));
  ASSERT_TRUE(there.found);
  const UString other_file = corpus.tmp.Path() + u"there.cnc";
  ASSERT_TRUE(there.doc->SaveToFile(other_file, 0, 0, 96));
  auto first = NewDocument();
  ASSERT_TRUE(first->ReadWholeFromFile(saved, kToolConcordancer).first);
  ASSERT_TRUE(first->RebuildSourceTextsFromSavedConcordance(other_file)) << Utf16ToUtf8(first->RelinkFailure());
  ASSERT_EQ(first->fConcordanceList->Count(), 6);
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(Described(*first, i));
    const UString file = LineFile(*first, i);
    EXPECT_EQ(file.substr(0, moved.size() + 1), moved + u"/");
    const UString word = first->fConcordanceList->Line(i)->Data().sw_number == 0 ? u"old" : u"dog";
    EXPECT_EQ(HitBytesInText(*first, i, IsUtf16Text(file) ? 6 : 3),
              IsUtf16Text(file) ? Utf16Bytes(word, true, false) : Utf16ToUtf8(word));
  }
}

TEST(ConcordanceEndToEnd, BatchRunsLeaveTheirSavedFiles) {
  ScopedSettings settings;
  TMixedCorpus corpus;
  TTagScene tags;
  TempFolder out;
  // Batch mode 1: one saved result per text with lines, each holding that text's lines only.
  ResetBatchRun();
  Global_BatchProcedures.BatchRootFolder = out.Path() + u"each";
  TRunRequest each = MixedRequest(corpus.folder, &tags.handler);
  each.batch_mode = 1;
  TRunDone a = RunConcordance(each);
  Global_batch_mode = 0;
  EXPECT_TRUE(a.ok);
  EXPECT_FALSE(a.found);  // the lines went with each text's saved file
  const std::vector<UString> files = Global_BatchProcedures.saved_files;
  struct Saved {
    const char16_t* name;
    int lines;
  } want[] = {{u"a8.cnc", 2}, {u"b16.cnc", 1}, {u"c1252.cnc", 1}, {u"m.cnc", 1}, {u"e.cnc", 1}};
  ASSERT_EQ(files.size(), 5u);
  for (size_t k = 0; k < files.size(); ++k) {
    EXPECT_EQ(ExtractFileName(files[k]), want[k].name);
    auto back = NewDocument();
    ASSERT_TRUE(back->ReadWholeFromFile(files[k], kToolConcordancer).first) << Utf16ToUtf8(files[k]);
    EXPECT_EQ(back->fConcordanceList->Count(), want[k].lines) << k;
    for (int i = 0; i < back->fConcordanceList->Count(); ++i)
      EXPECT_EQ(ChangeFileExt(ExtractFileName(LineFile(*back, i)), u".cnc"), want[k].name) << k;
  }
  EXPECT_EQ(a.chosen->GetFullFileDetails(0).rec.hits, 2);

  // A batch number above 0 (one step of a search-word batch): the whole result saved once.
  ResetBatchRun();
  Global_BatchProcedures.BatchRootFolder = out.Path() + u"step";
  TRunRequest step = MixedRequest(corpus.folder, &tags.handler);
  step.batch_number = 2;
  TRunDone b = RunConcordance(step);
  ASSERT_TRUE(b.found);
  ASSERT_EQ(Global_BatchProcedures.saved_files.size(), 1u);
  auto back = NewDocument();
  ASSERT_TRUE(back->ReadWholeFromFile(Global_BatchProcedures.saved_files[0], kToolConcordancer).first);
  EXPECT_EQ(AllLines(*back), AllLines(*b.doc));
  ResetBatchRun();
}
