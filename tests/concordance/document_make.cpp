// Making a concordance document over real texts, as the main window starts a run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "document_test_support.h"
#include "model/documents/batch_procedures.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_resources.h"

using namespace document_test;

namespace {

// Texts in three encodings, an empty one first, one holding only a byte-order mark and one
// without any search word.
struct TCorpus {
  TempFolder tmp;
  std::vector<UString> names;
  TCorpus() {
    names.push_back(tmp.Write(u"0empty.txt", ""));
    names.push_back(tmp.Write(u"a.txt", "the old man and the sea. the dog ran."));
    names.push_back(tmp.Write(u"b.txt", Utf16Bytes(u"a dog and an old cat.", true, true)));
    names.push_back(tmp.Write(u"c.txt", "caf\xE9 old dog."));
    names.push_back(tmp.Write(u"d.txt", "\xEF\xBB\xBF"));
    names.push_back(tmp.Write(u"e.txt", "nothing here at all."));
  }
};

std::string FileBytes(const UString& name) {
  auto f = TFileStream::Open(name, TFileMode::OpenRead);
  if (!f) return {};
  std::string out(static_cast<size_t>(f->Size()), '\0');
  f->ReadExact(out.data(), static_cast<int64_t>(out.size()));
  return out;
}

bool HasNote(const T_WholeLinzoraHolder& doc, UStringView text) {
  for (const UString& line : doc.fNotes.Lines())
    if (line == UString(u"\t") + UString(text)) return true;
  return false;
}

}  // namespace

// The source-file list of a document keeps a heading per column (a grid draws as many columns as
// there are headings), and each cell of a row is under its heading.
TEST(ConcordanceDocument, SourceFilesHaveAHeadingPerColumn) {
  ScopedSettings settings;
  TTextFolder folder({{u"a.txt", "the old man"}, {u"b.txt", "an old dog and an old cat"}});
  TRunDone run = RunConcordance({folder.names, u"old"});
  ASSERT_TRUE(run.found);
  TLinzoraFilenamelist& files = *run.doc->fTextFilesWithSearchWord;
  const std::vector<UString> want = {u"N", u"File name", u"Hits", u"%", u"Words", u"Size", u"Date"};
  EXPECT_EQ(files.Headings(), want);
  ASSERT_EQ(files.Count(), 2);
  for (int row = 1; row <= 2; ++row) {
    TGrid_data_rec name, hits;
    files.DrawgridDataRec(1, row, name, 0);
    files.DrawgridDataRec(2, row, hits, 0);
    const bool b = EndsWithU(name.text, u"b.txt");
    EXPECT_TRUE(b || EndsWithU(name.text, u"a.txt")) << row;
    EXPECT_FLOAT_EQ(hits.number.value, b ? 2.0f : 1.0f) << row;
  }
}

TEST(ConcordanceDocument, MadeMidJobItLeavesTheUsersStopAlone) {
  ScopedSettings settings;
  global_panic_state = kPanicStopNow;
  auto doc = NewDocument();
  EXPECT_EQ(global_panic_state, kPanicStopNow);
  global_panic_state = kPanicNone;
}

TEST(ConcordanceDocument, RunOverMixedTextsGivesLinesRowsAndUnusedTexts) {
  ScopedSettings settings;
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"old\ndog"});
  ASSERT_TRUE(run.found) << Global_FailureMessage.size();
  T_WholeLinzoraHolder& doc = *run.doc;
  EXPECT_EQ(doc.fConcordanceList->Count(), 6);
  // The empty text before them did not end the run: every text with hits has its row.
  ASSERT_EQ(doc.fTextFilesWithSearchWord->Count(), 3);
  EXPECT_EQ(doc.fTextFilesWithSearchWord->GetFullFilename(0, false), corpus.names[1]);
  EXPECT_EQ(doc.fTextFilesWithSearchWord->GetEntryRecPlus(0, false).other_data.hits_this_file, 2);
  EXPECT_EQ(doc.fTextFilesWithSearchWord->GetEntryRecPlus(2, false).head.words_in_source_file, 3);
  ASSERT_EQ(doc.fUnusedFiles.Count(), 3);
  EXPECT_EQ(doc.fTextsWithoutHits, (std::vector<UString>{u"0empty.txt", u"d.txt", u"e.txt"}));
  // A text of a byte-order mark alone holds no words.
  for (int32_t i = 0; i < doc.fUnusedFiles.Count(); ++i)
    if (doc.fUnusedFiles.Record(i).filename == corpus.names[4]) {
      EXPECT_EQ(doc.fUnusedFiles.Record(i).old.wordcount, 0);
    }
  EXPECT_EQ(doc.SWSFoundCounter(), (std::vector<int32_t>{3, 3}));
  // Per-text records of the chosen texts.
  EXPECT_EQ(run.chosen->GetFullFileDetails(1).rec.hits, 2);
  EXPECT_EQ(run.chosen->GetFullFileDetails(2).rec.kind, 4);
  EXPECT_EQ(run.chosen->GetFullFileDetails(2).rec.hits, 2);
  // Every line names its own text.
  for (int i = 0; i < doc.fConcordanceList->Count(); ++i) {
    const TConcordanceEntry* line = doc.fConcordanceList->Line(i);
    const UString text(line->Text());
    const UString file = doc.fTextFilesWithSearchWord->GetFullFilename(line->Data().filename_num_original - 1, true);
    if (text.find(u"cat") != UString::npos) {
      EXPECT_EQ(file, corpus.names[2]);
    }
    if (text.find(u"caf") != UString::npos) {
      EXPECT_EQ(file, corpus.names[3]);
    }
    if (text.find(u"sea") != UString::npos) {
      EXPECT_EQ(file, corpus.names[1]);
    }
  }
  EXPECT_TRUE(HasNote(doc, VXResFmt(TVXRes::VXFunctionNFound, {VXRes(TVXRes::VXConcordance), u"6"})));
}

TEST(ConcordanceDocument, UnusedTextKeepsTheChosenTextsDate) {
  ScopedSettings settings;
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"old"});
  ASSERT_TRUE(run.found);
  const double julian = run.chosen->GetFullFileDetails(5).rec.julian_date;
  ASSERT_NE(julian, 0.0);
  bool seen = false;
  for (int32_t i = 0; i < run.doc->fUnusedFiles.Count(); ++i)
    if (run.doc->fUnusedFiles.Record(i).filename == corpus.names[5]) {
      EXPECT_EQ(run.doc->fUnusedFiles.Record(i).old.Juliandate, julian);
      seen = true;
    }
  EXPECT_TRUE(seen);
}

TEST(ConcordanceDocument, RunStartsItsCountsAtZeroWhateverTheStoreHeld) {
  ScopedSettings settings;
  TCorpus corpus;
  TConcSettingsRec32 rec = GetConcSaveRec();
  rec.SetRunningWords(5000);
  rec.SetMergedTotal(70);
  rec.SetMergedLineCount(90);
  SetConcSaveRec(rec);
  TRunDone run = RunConcordance({corpus.names, u"old"});
  ASSERT_TRUE(run.found);
  // 9 + 6 + 3 + 4 words in the texts read.
  EXPECT_EQ(run.doc->fSettings.RunningWords(), 22);
  EXPECT_EQ(run.doc->fSettings.MergedTotal(), 0);
  EXPECT_EQ(run.doc->fSettings.MergedLineCount(), 0);
}

TEST(ConcordanceDocument, LimitNoteOnlyWhenALimitWasMet) {
  struct Case {
    int32_t wanted;
    bool note;
  } cases[] = {{100, false}, {4, false}, {3, true}, {2, true}};  // 3 lines of each of two words
  for (const Case& c : cases) {
    ScopedSettings settings;
    TCorpus corpus;
    TRunDone run = RunConcordance({corpus.names, u"old\ndog", u"", u"", c.wanted});
    ASSERT_TRUE(run.found);
    const UString note = VXResFmt(TVXRes::VXXReachedYourPresetLimitsY,
                                  {VXRes(TVXRes::VXEntries), IntToUStr(run.doc->fConcordanceList->Count())});
    EXPECT_EQ(HasNote(*run.doc, note), c.note) << c.wanted;
  }
}

TEST(ConcordanceDocument, NoChosenTextsAnswersFalse) {
  ScopedSettings settings;
  TRunDone run = RunConcordance({{}, u"old"});
  EXPECT_FALSE(run.found);
  EXPECT_EQ(run.doc->fConcordanceList->Count(), 0);
  EXPECT_FALSE(Global_Busy_Dont_Show_Data);
}

TEST(ConcordanceDocument, SortDirectionsAreInvertedAfterTheRun) {
  ScopedSettings settings;
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"old\ndog"});
  ASSERT_TRUE(run.found);
  // The lines were sorted ascending on the first key; the next sort goes the other way.
  EXPECT_FALSE(run.doc->fConcordanceList->SortLevel(0).ascending);
}

TEST(ConcordanceDocument, BatchModeOneReportsEachTextsOwnHits) {
  ScopedSettings settings;
  TCorpus corpus;
  TempFolder out;
  ResetBatchRun();
  Global_BatchProcedures.BatchRootFolder = out.Path();
  TRunDone run = RunConcordance({corpus.names, u"old\ndog", u"", u"", 1000, 1});
  Global_batch_mode = 0;
  EXPECT_EQ(run.chosen->GetFullFileDetails(1).rec.hits, 2);
  EXPECT_EQ(run.chosen->GetFullFileDetails(2).rec.hits, 2);
  EXPECT_EQ(run.chosen->GetFullFileDetails(3).rec.hits, 2);
  EXPECT_EQ(run.doc->fConcordanceList->Count(), 0);
  EXPECT_EQ(Global_BatchProcedures.saved_files.size(), 3u);
  ResetBatchRun();
}

// The request run's road over some texts of the corpus, searching for "old" and "dog".
struct TTextByText {
  std::unique_ptr<TSharedChosenFilesClass> chosen;
  std::unique_ptr<T_WholeLinzoraHolder> doc;
  std::unique_ptr<TSearchWordItems> items;
  TMakeConcordanceArgs args;
  TTextByText(const TCorpus& corpus, std::initializer_list<int> texts)
      : chosen(std::make_unique<TSharedChosenFilesClass>(false, nullptr, kToolConcordancer)), doc(NewDocument()) {
    for (int k : texts) chosen->ToolAddAFile(corpus.names[static_cast<size_t>(k)]);
    items = std::make_unique<TSearchWordItems>(SearchTextOptionsFromTextSettings(doc->TextSettings()));
    items->AddedSearchWords(u"old\ndog");
    args.chosen = chosen.get();
    args.search_items = items.get();
  }
};

// The request run's road, text by text: in batch mode 1 each text's result is saved and cleared,
// and each answer still tells that text's own hits; a text without hits between two with hits
// leaves no row behind, and the next text's row and lines are its own. The run's own batch mode
// counts: one left behind by an earlier batch run does not make a request's texts a batch.
TEST(ConcordanceDocument, TextByTextEachTextKeepsItsOwnHitsAndRow) {
  for (const auto& [left_behind, batch_mode] : {std::pair{uint8_t{0}, uint8_t{0}}, std::pair{uint8_t{1}, uint8_t{1}},
                                                std::pair{uint8_t{1}, uint8_t{0}}}) {
    SCOPED_TRACE(int{left_behind} * 10 + int{batch_mode});
    ScopedSettings settings;
    TCorpus corpus;
    TempFolder out;
    ResetBatchRun();
    Global_BatchProcedures.BatchRootFolder = out.Path();
    Global_batch_mode = left_behind;
    TTextByText road(corpus, {1, 5, 2});  // a, e (no hits), b
    road.args.batch_mode = batch_mode;
    auto& [chosen, doc, items, args] = road;
    std::vector<int32_t> hits;
    for (int32_t i = 0; i < 3; ++i) {
      const TOneTextResult r = doc->MadeOneFileConcordance(i, 3, -1, chosen->GetFullFileDetails(i), args);
      EXPECT_TRUE(r.ok) << i;
      hits.push_back(r.hits);
    }
    Global_batch_mode = 0;
    EXPECT_EQ(hits, (std::vector<int32_t>{2, 0, 2}));
    ASSERT_EQ(doc->fTextFilesWithSearchWord->Count(), 2);
    EXPECT_EQ(doc->fTextFilesWithSearchWord->GetFullFilename(1, false), corpus.names[2]);
    EXPECT_EQ(doc->fTextFilesWithSearchWord->GetEntryRecPlus(1, false).other_data.hits_this_file, 2);
    ASSERT_EQ(doc->fUnusedFiles.Count(), 1);
    EXPECT_EQ(doc->fUnusedFiles.Record(0).filename, corpus.names[5]);
    if (batch_mode == 1) {
      EXPECT_EQ(doc->fConcordanceList->Count(), 0);
      EXPECT_EQ(Global_BatchProcedures.saved_files.size(), 2u);
    } else {
      ASSERT_EQ(doc->fConcordanceList->Count(), 4);
      for (int i = 0; i < 4; ++i) {
        const TConcordanceEntry* line = doc->fConcordanceList->Line(i);
        const UString file =
            doc->fTextFilesWithSearchWord->GetFullFilename(line->Data().filename_num_original - 1, true);
        EXPECT_EQ(file, UString(line->Text()).find(u"cat") != UString::npos ? corpus.names[2] : corpus.names[1]);
      }
    }
    ResetBatchRun();
  }
}

// A file read into a document that has run texts replaces its lines; the next text the request
// road runs goes into the lines read, not into the lines that went.
TEST(ConcordanceDocument, TextByTextAfterAReadAddsToTheLinesRead) {
  ScopedSettings settings;
  TCorpus corpus;
  TTextByText road(corpus, {1, 2});  // a, b
  auto& [chosen, doc, items, args] = road;
  ASSERT_TRUE(doc->MadeOneFileConcordance(0, 2, -1, chosen->GetFullFileDetails(0), args).ok);
  TRunDone other = RunConcordance({{corpus.names[3]}, u"old\ndog"});  // c.txt
  ASSERT_TRUE(other.found);
  ASSERT_TRUE(ReadBack(*doc, SavedBytes(*other.doc))) << doc->ReadFailure().size();
  const int read = doc->fConcordanceList->Count();
  const TOneTextResult b = doc->MadeOneFileConcordance(1, 2, -1, chosen->GetFullFileDetails(1), args);
  ASSERT_TRUE(b.ok);
  ASSERT_EQ(doc->fConcordanceList->Count(), read + b.hits);
  for (int i = 0; i < doc->fConcordanceList->Count(); ++i)
    EXPECT_EQ(doc->fConcordanceList->Line(i)->Owner(), doc->fConcordanceList.get()) << i;
  EXPECT_EQ(UString(doc->fConcordanceList->Line(read)->Text()).find(u"cat") != UString::npos, true);
}

TEST(ConcordanceDocument, ConvertingAUtf8TextDecodesItAsUtf8) {
  TempFolder tmp;
  const UString name = tmp.Write(u"u.txt", "\xEF\xBB\xBF" "caf\xC3\xA9");
  UString error;
  ASSERT_TRUE(ConvertATextFileAnsiToUTF16(name, 1252, &error)) << error.size();
  EXPECT_EQ(FileBytes(name), Utf16Bytes(u"caf\u00E9", true, true));
  // A missing text is reported and nothing is made.
  EXPECT_FALSE(ConvertATextFileAnsiToUTF16(tmp.Path() + u"gone.txt", 1252, &error));
  EXPECT_FALSE(FileExists(tmp.Path() + u"gone.txt"));
}

TEST(ConcordanceDocument, OptionTogglesFollowTheirMenuTags) {
  struct Case {
    int tag;
    uint8_t display, hide, colouring;
  } cases[] = {{100, 1, 0, 0}, {101, 8, 0, 0}, {112, 16, 0, 0}, {117, 0, 1, 0},
               {121, 0, 16, 0}, {138, 0, 0, 1}, {165, 0, 0, 2}, {99, 0, 0, 0}};
  for (const Case& c : cases) {
    ScopedSettings settings;
    auto doc = NewDocument();
    doc->fSettings.SetDisplayOptions(0);
    doc->fSettings.SetHideOptions(0);
    doc->fSettings.SetColouringOptions(0);
    if (c.tag == 138 || c.tag == 165) doc->ToggleConcColouringSetting(c.tag);
    else if (c.tag == 101 || c.tag == 112) doc->ToggleConcDisplay(c.tag);
    else doc->ToggleHidetags(c.tag);
    if (c.tag != 99 && c.tag != 138 && c.tag != 165 && c.tag >= 117) {
      EXPECT_TRUE(GetMenuItemChecked(c.tag));
    }
    EXPECT_EQ(doc->fSettings.DisplayOptions(), c.display) << c.tag;
    EXPECT_EQ(doc->fSettings.HideOptions(), c.hide) << c.tag;
    EXPECT_EQ(doc->fSettings.ColouringOptions(), c.colouring) << c.tag;
  }
}

// "Sentence only" wins over "Tags only"; the sentence-end marker is the text settings' own string,
// none when the reader is to find sentence ends itself.
TEST(ConcordanceDocument, DisplayOptionsChooseHowLinesAreCut) {
  ScopedSettings settings;
  auto doc = NewDocument();
  const std::pair<uint8_t, int> views[] = {{0, kLineViewWhole},      {1, kLineViewWhole},     {8, kLineViewSentence},
                                           {16, kLineViewTags},      {24, kLineViewSentence}, {0xF7, kLineViewTags},
                                           {0xE7, kLineViewWhole}};
  for (const auto& [options, view] : views) {
    doc->fSettings.SetDisplayOptions(options);
    EXPECT_EQ(doc->LineView(), view) << int(options);
  }
  struct Case { const char16_t* text; bool automatic; const char16_t* marker; };
  const Case markers[] = {{u"<s>", false, u"<s>"}, {u"<s>", true, u""}, {u"auto", false, u""}, {u"", false, u""}};
  for (const Case& c : markers) {
    TTextsett_rec32 text = doc->TextSettings();
    text.SetMarkerText(TTextsett_rec32::kSentenceEndMarker, c.text);
    text.SetMarkerAuto(TTextsett_rec32::kSentenceEndMarker, c.automatic);
    doc->SetTextSettings(text);
    EXPECT_EQ(doc->SentenceEndMarker(), c.marker) << Utf16ToUtf8(c.text) << " " << c.automatic;
  }
}

// A run over chosen texts whose UTF-8 questions are answered by `answer` and noted in `asked`.
struct TAskingRun {
  std::unique_ptr<TSharedChosenFilesClass> chosen =
      std::make_unique<TSharedChosenFilesClass>(false, nullptr, kToolConcordancer);
  std::unique_ptr<T_WholeLinzoraHolder> doc = NewDocument();
  TSearchWordItems items{SearchTextOptionsFromTextSettings(doc->TextSettings())};
  int32_t converted = 0;
  std::vector<UString> asked;
  TMakeConcordanceArgs args;
  TAskingRun(const std::vector<UString>& names, UStringView words, std::function<bool()> answer) {
    for (const UString& t : names) chosen->ToolAddAFile(t);
    items.AddedSearchWords(words);
    args.chosen = chosen.get();
    args.search_items = &items;
    args.converted_count = &converted;
    args.convert_utf8_text = [this, answer = std::move(answer)](UStringView name) {
      asked.emplace_back(name);
      return answer();
    };
  }
  TAskingRun(const TAskingRun&) = delete;
  TAskingRun& operator=(const TAskingRun&) = delete;
};

// A text the user chose to convert from UTF-8 is UTF-16 on disk after the run: its lines point at
// its bytes as they now are, and the run goes on with views and notes. A text the user kept is
// read as UTF-8 and left alone. Each text is asked about once; a run text by text (the request
// run's road) does the same.
TEST(ConcordanceDocument, ConvertedTextsLinesLieOnItsNewBytes) {
  struct Case {
    bool convert;
    bool one_by_one;
    int64_t dog_byte;  // "café old dog": 3 + 10 in UTF-8, 2 + 2 x 9 in UTF-16
  } cases[] = {{true, false, 20}, {false, false, 13}, {true, true, 20}, {false, true, 13}};
  const std::string utf8 = "\xEF\xBB\xBF" "caf\xC3\xA9 old dog.";
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.convert << c.one_by_one);
    ScopedSettings settings;
    SetTextConversionOptions(4 | 8);
    TTextFolder texts({{u"u.txt", utf8}, {u"v.txt", "an old hat."}});
    TAskingRun run(texts.names, u"dog\nold", [&] { return c.convert; });
    auto& [chosen, doc, items, converted, asked, args] = run;
    if (c.one_by_one) {
      for (int32_t i = 0; i < 2; ++i) {
        const TOneTextResult r = doc->MadeOneFileConcordance(i, 2, -1, chosen->GetFullFileDetails(i), args);
        EXPECT_TRUE(r.ok) << i;
        EXPECT_EQ(r.hits, i == 0 ? 2 : 1);
        EXPECT_EQ(r.converted, i == 0 && c.convert);
        if (r.converted) ++converted;
      }
    } else {
      ASSERT_TRUE(doc->MakeConcordance(args));
      EXPECT_TRUE(HasNote(*doc, VXResFmt(TVXRes::VXFunctionNFound, {VXRes(TVXRes::VXConcordance), u"3"})));
    }
    EXPECT_EQ(asked, (std::vector<UString>{texts.names[0]}));
    EXPECT_EQ(converted, c.convert ? 1 : 0);
    EXPECT_EQ(FileBytes(texts.names[0]), c.convert ? Utf16Bytes(u"caf\u00E9 old dog.", true, true) : utf8);
    ASSERT_EQ(doc->fConcordanceList->Count(), 3);
    int dogs = 0;
    for (int i = 0; i < 3; ++i) {
      const TConcordanceLineData& d = doc->fConcordanceList->Line(i)->Data();
      if (d.sw_number != 0) continue;
      EXPECT_EQ(d.byte_position, c.dog_byte);
      ++dogs;
    }
    EXPECT_EQ(dogs, 1);
    EXPECT_EQ(doc->fTextFilesWithSearchWord->Count(), 2);
    EXPECT_EQ(doc->SWSFoundCounter(), (std::vector<int32_t>{1, 2}));
  }
}

// Many texts, a few with the UTF-8 signature (one holding the signature alone), looked at on
// several workers: the user is asked about the signed ones alone, in text order, and the texts
// chosen for converting are UTF-16 afterwards, as on one worker. The lines are the same.
TEST(ConcordanceDocument, SignedTextsAreAskedAboutInTextOrderOnAnyWorkers) {
  const std::string sign = "\xEF\xBB\xBF";
  std::vector<std::string> lines_of[2];
  for (const int32_t threads : {1, 8}) {
    SCOPED_TRACE(threads);
    ScopedSettings settings;
    SetTextConversionOptions(4 | 8);
    TempFolder tmp;
    std::vector<UString> names, signed_names;
    for (int i = 0; i < 300; ++i) {
      const bool is_signed = i % 37 == 5 || i == 299;
      const std::string body = i == 299 ? "" : "text " + std::to_string(i) + " has a dog.";
      char name[32];
      std::snprintf(name, sizeof name, "t%03d.txt", i);
      names.push_back(tmp.Write(Utf8ToUtf16(name), (is_signed ? sign : "") + body));
      if (is_signed) signed_names.push_back(names.back());
    }
    // Every other signed text is converted.
    TAskingRun run(names, u"dog", [&] { return run.asked.size() % 2 == 1; });
    auto& [chosen, doc, items, converted, asked, args] = run;
    args.threads = threads;
    ASSERT_TRUE(doc->MakeConcordance(args));
    EXPECT_EQ(asked, signed_names);
    EXPECT_EQ(converted, static_cast<int32_t>((signed_names.size() + 1) / 2));
    for (size_t k = 0; k < signed_names.size(); ++k) {
      const std::string bytes = FileBytes(signed_names[k]);
      EXPECT_EQ(bytes.substr(0, 2) == "\xFF\xFE", k % 2 == 0) << k;
    }
    ASSERT_EQ(doc->fConcordanceList->Count(), 299);
    for (int i = 0; i < doc->fConcordanceList->Count(); ++i)
      lines_of[threads == 8].push_back(Utf16ToUtf8(UString(doc->fConcordanceList->Line(i)->Text())));
  }
  EXPECT_EQ(lines_of[0], lines_of[1]);
}

// The row of each text with lines keeps the text's size and write time as they were when it was
// read, on one worker and eight alike; a text without lines has no row. Heads the window looked
// at before the run are trusted (no text opened again to ask about), unless they are not one a
// text, when the run looks for itself.
TEST(ConcordanceDocument, RowsKeepTheirTextsFingerprintsAndHeadsSeenBeforeTheRunAreUsed) {
  const std::string sign = "\xEF\xBB\xBF";
  struct Case {
    const char* name;
    int32_t threads;
    bool heads;           // the heads handed over, one a text
    bool heads_too_few;   // heads of another length
  } const cases[] = {
      {"one worker", 1, false, false},
      {"eight workers", 8, false, false},
      {"eight workers, heads seen before", 8, true, false},
      {"one worker, heads of another length", 1, true, true},
  };
  std::string first;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedSettings settings;
    SetTextConversionOptions(4 | 8);
    TempFolder tmp;
    std::vector<UString> names, signed_names;
    std::vector<uint8_t> heads;
    for (int i = 0; i < 200; ++i) {
      const bool is_signed = i % 23 == 4;
      std::string body = i % 7 == 3 ? "no word here." : "text " + std::to_string(i) + " has a dog.";
      body += std::string(static_cast<size_t>(i * 13 % 101), ' ');
      char name[32];
      std::snprintf(name, sizeof name, "t%03d.txt", i);
      names.push_back(tmp.Write(Utf8ToUtf16(name), (is_signed ? sign : "") + body));
      // Write times a second apart, so that each row must have its own text's.
      const timespec times[2] = {{1700000000 + i, 1000 * i}, {1700000000 + i, 1000 * i}};
      ASSERT_EQ(::utimensat(AT_FDCWD, Utf16ToUtf8(names.back()).c_str(), times, 0), 0);
      if (is_signed) signed_names.push_back(names.back());
      // A signed text the window saw as unsigned is not asked about when the heads are used.
      heads.push_back(is_signed && i != 4 ? kTextHeadUtf8Signed : kTextHeadUnsigned);
    }
    TAskingRun run(names, u"dog", [] { return false; });
    auto& [chosen, doc, items, converted, asked, args] = run;
    args.threads = c.threads;
    if (c.heads) args.text_heads = heads;
    if (c.heads_too_few) args.text_heads.pop_back();
    ASSERT_TRUE(doc->MakeConcordance(args));
    std::vector<UString> want_asked = signed_names;
    if (c.heads && !c.heads_too_few) want_asked.erase(want_asked.begin());
    EXPECT_EQ(asked, want_asked);
    std::string rows;
    ASSERT_EQ(doc->fTextFilesWithSearchWord->Count(), 200 - 29);
    for (int i = 0; i < doc->fTextFilesWithSearchWord->Count(); ++i) {
      const UString full = doc->fTextFilesWithSearchWord->GetFullFilename(i, false);
      const TLinzoraFilenameEntryAdditionalRec o = doc->fTextFilesWithSearchWord->GetEntryRecPlus(i, false).other_data;
      struct stat st {};
      ASSERT_EQ(::stat(Utf16ToUtf8(full).c_str(), &st), 0);
      EXPECT_EQ(int64_t{o.fingerprint_size}, static_cast<int64_t>(st.st_size)) << i;
      EXPECT_EQ(int64_t{o.fingerprint_write_ns}, int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec) << i;
      rows += Utf16ToUtf8(full.substr(tmp.Path().size())) + " " + std::to_string(int64_t{o.fingerprint_size}) + " " +
              std::to_string(int64_t{o.fingerprint_write_ns}) + "\n";
    }
    if (first.empty()) first = rows;
    else EXPECT_EQ(rows, first);
  }
}

// A text holding only a signature (the UTF-8 one, or a UTF-16 byte-order mark either way round)
// is an empty text: no line for "*", an unused text of 0 words, as the UTF-8 signature alone
// always was. (A UTF-16 mark alone was read as an 8-bit text holding the word "ÿþ".)
TEST(ConcordanceDocument, ASignatureAloneIsAnEmptyText) {
  struct Case {
    const char* name;
    std::string bytes;
  } const cases[] = {
      {"UTF-8 signature", "\xEF\xBB\xBF"},
      {"UTF-16 little-endian mark", "\xFF\xFE"},
      {"UTF-16 big-endian mark", "\xFE\xFF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedSettings settings;
    TempFolder tmp;
    const UString words = tmp.Write(u"a.txt", "the dog ran");
    const UString mark = tmp.Write(u"mark.txt", c.bytes);
    TRunDone run = RunConcordance({{words, mark}, u"*"});
    ASSERT_TRUE(run.found);
    T_WholeLinzoraHolder& doc = *run.doc;
    EXPECT_EQ(doc.fConcordanceList->Count(), 3);
    ASSERT_EQ(doc.fTextFilesWithSearchWord->Count(), 1);
    ASSERT_EQ(doc.fUnusedFiles.Count(), 1);
    EXPECT_EQ(doc.fUnusedFiles.Record(0).filename, mark);
    EXPECT_EQ(doc.fUnusedFiles.Record(0).old.wordcount, 0);
    EXPECT_EQ(run.chosen->GetFullFileDetails(1).rec.words, 0);
  }
}

namespace {
std::atomic<bool> g_first_text_read{false};
// The user's stop arrives once the first text is read: at the next turn of the event loop, which
// may come while the next text is opened, before its first chunk.
void StopOnceTheFirstTextIsRead() {
  if (g_first_text_read) global_panic_state = kPanicStopNow;
}
}  // namespace

// A text stopped before its first chunk was not read: neither a text with lines nor an unused
// one, so "stopped after n of m texts" counts only the texts read. (It was listed as an unused
// text of 0 words.)
TEST(ConcordanceDocument, ATextStoppedBeforeItsFirstChunkIsNeitherUsedNorUnused) {
  ScopedSettings settings;
  TempFolder tmp;
  const std::vector<UString> texts = {tmp.Write(u"a.txt", "the dog ran"), tmp.Write(u"b.txt", "a dog sat"),
                                      tmp.Write(u"c.txt", "no such word")};
  g_first_text_read = false;
  SetYieldHook(&StopOnceTheFirstTextIsRead);
  TRunRequest request{texts, u"dog"};
  request.threads = 1;
  request.chunk_done = [](int32_t text, int64_t bytes_read, int64_t size, int32_t) {
    if (text == 0 && bytes_read >= size) g_first_text_read = true;
  };
  TRunDone run = RunConcordance(request);
  SetYieldHook(nullptr);
  global_panic_state = kPanicNone;
  ASSERT_NE(run.doc, nullptr);
  T_WholeLinzoraHolder& doc = *run.doc;
  EXPECT_EQ(doc.fConcordanceList->Count(), 1);
  EXPECT_EQ(doc.fTextFilesWithSearchWord->Count(), 1);
  EXPECT_EQ(doc.fUnusedFiles.Count(), 0);
  EXPECT_TRUE(doc.fTextsWithoutHits.empty());
  // The texts not read keep their "not looked at" state.
  EXPECT_EQ(run.chosen->GetFullFileDetails(1).rec.wanted, kWantedNotLooked);
  EXPECT_EQ(run.chosen->GetFullFileDetails(2).rec.wanted, kWantedNotLooked);
}

// A text changed while a run reads it (after its first chunk: shortened, rewritten in place to
// the same size, emptied and written again): the run names it as not read to its end, it gives
// no line, and the texts before it keep theirs, alike for one worker and four.
TEST(ConcordanceDocument, ATextChangedWhileItIsReadGivesNoLine) {
  enum class TChange { Shorten, RewriteInPlace, EmptyAndWriteAgain };
  std::string big;
  for (int line = 0; big.size() < 5000000; ++line)
    big += line % 100 == 0 ? "the river runs by the old mill and on to the sea\n" : "the water runs by the old mill and on to the sea\n";
  std::string other = big;
  for (size_t at = other.find("river"); at != std::string::npos; at = other.find("river", at)) other.replace(at, 5, "canal");
  for (TChange change : {TChange::Shorten, TChange::RewriteInPlace, TChange::EmptyAndWriteAgain}) {
    std::vector<std::vector<UString>> per_workers;
    for (int32_t threads : {1, 4}) {
      SCOPED_TRACE(testing::Message() << "change " << int(change) << ", " << threads << " workers");
      ScopedSettings settings;
      TempFolder tmp;
      const UString changed = tmp.Write(u"b.txt", big);
      // An old time of change, so that any write shows.
      const timespec old_times[2] = {{1000000000, 0}, {1000000000, 0}};
      ASSERT_EQ(utimensat(AT_FDCWD, Utf16ToUtf8(changed).c_str(), old_times, 0), 0);
      const std::vector<UString> texts = {tmp.Write(u"a.txt", "a river here.\nand a river there.\n"), changed,
                                          tmp.Write(u"c.txt", "one more river.\n")};
      std::atomic<bool> done{false};
      TRunRequest request{texts, u"river"};
      request.wanted = 100000;  // no limit comes first
      request.threads = threads;
      request.chunk_done = [&](int32_t text, int64_t bytes_read, int64_t size, int32_t) {
        if (text != 1 || bytes_read >= size || done.exchange(true)) return;
        const std::string name = Utf16ToUtf8(changed);
        switch (change) {
          case TChange::Shorten: ASSERT_EQ(truncate(name.c_str(), 3000000), 0); break;
          case TChange::RewriteInPlace:
          case TChange::EmptyAndWriteAgain: {
            const int fd = open(name.c_str(), O_WRONLY | (change == TChange::EmptyAndWriteAgain ? O_TRUNC : 0));
            ASSERT_GE(fd, 0);
            ASSERT_EQ(pwrite(fd, other.data(), other.size(), 0), static_cast<ssize_t>(other.size()));
            close(fd);
            break;
          }
        }
      };
      Global_FailureMessage.clear();
      TRunDone run = RunConcordance(request);
      ASSERT_TRUE(done);
      ASSERT_NE(run.doc, nullptr);
      EXPECT_FALSE(run.ok);
      const UString failure = Global_FailureMessage;
      EXPECT_NE(failure.find(changed), UString::npos) << Utf16ToUtf8(failure);
      EXPECT_NE(failure.find(u"to its end"), UString::npos) << Utf16ToUtf8(failure);
      // Only the first text's two lines: none of the changed text, none of the one after it.
      const std::vector<UString> lines = LineTexts(*run.doc);
      EXPECT_EQ(lines.size(), 2u);
      EXPECT_EQ(run.doc->fTextFilesWithSearchWord->Count(), 1);
      for (int i = 0; i < run.doc->fConcordanceList->Count(); ++i)
        EXPECT_EQ(run.doc->fConcordanceList->Line(i)->Data().filename_num_original, 1);
      per_workers.push_back(lines);
    }
    EXPECT_EQ(per_workers[0], per_workers[1]);
  }
}
