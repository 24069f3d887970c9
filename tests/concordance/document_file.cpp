// The concordance document in its file: byte layout, round trips, damaged and cut files, failing
// streams; and merging two documents.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>

#include "document_test_support.h"
#include "model/export/list_export.h"

using namespace document_test;

namespace {

// Header (57) + extra-stuff record (464) + an empty parent name (its count).
constexpr size_t kRecordAt = 57 + 464 + 4;

struct TCorpus {
  TempFolder tmp;
  std::vector<UString> names;
  explicit TCorpus(const char* prefix = "") {
    const std::string p(prefix);
    names.push_back(tmp.Write(Utf8ToUtf16(p + "a.txt"), "the old man and the sea. the dog ran."));
    names.push_back(tmp.Write(Utf8ToUtf16(p + "b.txt"), Utf16Bytes(u"a dog and an old cat \u05D0.", true, true)));
    names.push_back(tmp.Write(Utf8ToUtf16(p + "e.txt"), "nothing here at all."));
  }
};

// Writes until `limit` bytes are in, then refuses everything.
class TShortStream : public TMemoryStream {
 public:
  explicit TShortStream(int64_t limit) : limit_(limit) {}
  int64_t Write(const void* buffer, int64_t count) override {
    const int64_t room = std::max<int64_t>(0, limit_ - Position());
    return TMemoryStream::Write(buffer, std::min(count, room));
  }

 private:
  int64_t limit_;
};

// Refuses the one write that would put in the byte at `at` (it writes nothing of it) and takes
// every write after it, so that a write whose answer is not looked at goes unnoticed.
class TOneRefusedWriteStream : public TMemoryStream {
 public:
  explicit TOneRefusedWriteStream(int64_t at) : at_(at) {}
  int64_t Write(const void* buffer, int64_t count) override {
    if (!refused_ && Position() + count > at_) {
      refused_ = true;
      return 0;
    }
    return TMemoryStream::Write(buffer, count);
  }

 private:
  int64_t at_;
  bool refused_ = false;
};

}  // namespace

TEST(ConcordanceFile, RecordSitsAfterTheBlockWithLevelFlagsAndComputedViews) {
  ScopedSettings settings;
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"old\ndog"});
  ASSERT_TRUE(run.found);
  TConcordanceWorkDoneRec w;
  w.relationships = true;
  run.doc->SetWorkDone(w);
  run.doc->fSettings.SetRecordLevel(0);
  run.doc->fSettings.SetLinesCarryPairedTagFlag(false);
  const std::string bytes = SavedBytes(*run.doc);
  ASSERT_GT(bytes.size(), kRecordAt + 2580);
  const auto at = [&](size_t offset) { return static_cast<uint8_t>(bytes[kRecordAt + offset]); };
  EXPECT_EQ(at(1763), 3);
  EXPECT_EQ(at(1783), 1);
  const struct {
    size_t offset;
    uint8_t value;
  } flags[] = {{1729, 1}, {1724, 0}, {1726, 0}, {1725, 0}, {1723, 0}, {1779, 0}};
  for (const auto& f : flags) EXPECT_EQ(at(f.offset), f.value) << f.offset;
  EXPECT_EQ(std::string(bytes.data() + kRecordAt + 648, 4), std::string("\xE8\x03\0\0", 4));  // 1000 wanted
  // With no view computed the unused texts end the file.
  auto back = NewDocument();
  TMemoryStream m;
  m.WriteExact(bytes.data(), static_cast<int64_t>(bytes.size()));
  m.SetPosition(0);
  ASSERT_TRUE(back->StartReadFromStream(m) && back->ReadWholeFromStream(m)) << back->ReadFailure().size();
  EXPECT_EQ(m.Position(), m.Size());
}

TEST(ConcordanceFile, SaveOpenSaveGivesTheSameBytes) {
  ScopedSettings settings;
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"old\ndog", u"man\ncat", u"sea"});
  ASSERT_TRUE(run.found);
  TVisibleTagRec tag;
  tag.tag = u"<p>";
  tag.description = u"paragraph";
  tag.foreground_colour = 0x112233;
  tag.background_colour = 0x445566;
  run.doc->fArrayOfSavedTags.push_back(tag);
  const std::string first = SavedBytes(*run.doc);
  auto back = NewDocument();
  ASSERT_TRUE(ReadBack(*back, first)) << back->ReadFailure().size();
  EXPECT_EQ(LineTexts(*back), LineTexts(*run.doc));
  EXPECT_EQ(back->fUnusedFiles.Count(), run.doc->fUnusedFiles.Count());
  ASSERT_EQ(back->fArrayOfSavedTags.size(), 1u);
  EXPECT_EQ(back->fArrayOfSavedTags[0].description, u"paragraph");
  EXPECT_TRUE(back->fStoredTagColoursDiffer);
  EXPECT_EQ(SavedBytes(*back), first);
}

TEST(ConcordanceFile, EveryCutIsRefusedWithWhereAndLeavesTheSettingsAlone) {
  ScopedSettings settings;
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"old\ndog"});
  ASSERT_TRUE(run.found);
  const std::string bytes = SavedBytes(*run.doc);
  TConcSettingsRec32 user = GetConcSaveRec();
  user.SetWantedPerSearchWord(4321);
  SetConcSaveRec(user);
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    auto doc = NewDocument();
    ASSERT_FALSE(ReadBack(*doc, bytes.substr(0, cut))) << cut;
  }
  auto doc = NewDocument();
  EXPECT_FALSE(ReadBack(*doc, bytes.substr(0, kRecordAt + 2600)));
  EXPECT_NE(doc->ReadFailure().find(u"at byte"), UString::npos);
  EXPECT_EQ(GetConcSaveRec().WantedPerSearchWord(), 4321);
}

TEST(ConcordanceFile, FlippedBytesNeverCrash) {
  ScopedSettings settings;
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"old\ndog"});
  ASSERT_TRUE(run.found);
  const std::string bytes = SavedBytes(*run.doc);
  std::mt19937 rng(11);
  int good = 0;
  for (int i = 0; i < 3000; ++i) {
    std::string damaged = bytes;
    const size_t at = kRecordAt + rng() % (bytes.size() - kRecordAt);
    damaged[at] = static_cast<char>(damaged[at] ^ (1 + rng() % 255));
    auto doc = NewDocument();
    if (ReadBack(*doc, damaged)) ++good;
    else EXPECT_FALSE(doc->ReadFailure().empty());
  }
  EXPECT_LT(good, 3000);
}

// Files damaged in several places at once (bytes changed, taken out or put in, counts and sizes
// set to the extremes), with every page computed: a file refused says why; a file that reads is
// one a user can go on with: every cell of every page is shown, and it saves again.
TEST(ConcordanceFile, DamagedFilesThatReadShowEveryCellAndSaveAgain) {
  ScopedSettings settings;
  TConcSettingsRec32 rec = GetConcSaveRec();
  rec.SetClusterSizeMin(2);
  rec.SetClusterSizeMax(3);
  rec.SetClusterMinFrequency(1);
  SetConcSaveRec(rec);
  TTextFolder corpus({{u"a.txt", "the old man and the sea. the old dog ran. an old dog sat.\n\nOld men, old dogs."},
                      {u"b.txt", "a dog and an old cat. the old man. <p>old</p> old old"}});
  TRunDone run = RunConcordance({corpus.names, u"old\ndog"});
  ASSERT_TRUE(run.found);
  ASSERT_GT(run.doc->fCollocateList->TotalRowCount(), 0);
  ASSERT_GT(run.doc->fClusterList->TotalRowCount(), 0);
  const std::string bytes = SavedBytes(*run.doc);
  auto show_every_cell = [](TVXBaseLemmaMatchCapableList& list) {
    for (int r = 0; r <= std::min(list.TotalRowCount(), 100); ++r)
      for (int c = 0; c < 40; ++c) {
        TGrid_data_rec cell;
        list.DrawgridDataRec(c, r, cell, 0);
      }
  };
  std::mt19937 rng(23);
  int read = 0;
  for (int round = 0; round < 1500; ++round) {
    std::string damaged = bytes;
    for (int edit = 1 + static_cast<int>(rng() % 6); edit > 0 && damaged.size() > kRecordAt + 16; --edit) {
      const size_t at = kRecordAt + rng() % (damaged.size() - kRecordAt);
      const uint32_t how = rng() % 5;
      if (how == 0) {
        damaged[at] = static_cast<char>(damaged[at] ^ (1 + rng() % 255));
      } else if (how == 1) {
        damaged[at] = static_cast<char>(rng() % 2 ? 0xFF : 0);
      } else if (how == 2) {
        const int32_t extremes[] = {0, -1, 1, INT32_MAX, INT32_MIN, 65536, 1000000, -1000000};
        const int32_t v = extremes[rng() % std::size(extremes)];
        std::memcpy(damaged.data() + std::min(at, damaged.size() - 4), &v, 4);
      } else if (how == 3) {
        damaged.erase(at, 1 + rng() % 8);
      } else {
        // One draw after the other: draws among a call's arguments come in the compiler's order.
        const size_t length = 1 + rng() % 8;
        damaged.insert(at, std::string(length, static_cast<char>(rng())));
      }
    }
    auto doc = NewDocument();
    if (!ReadBack(*doc, damaged)) {
      EXPECT_FALSE(doc->ReadFailure().empty()) << round;
      continue;
    }
    ++read;
    show_every_cell(*doc->fConcordanceList);
    for (TConcordanceDerivedList* list : {doc->fCollocateList.get(), doc->fClusterList.get(), doc->fConcPlotList.get(),
                                          doc->fPatternsList.get(), doc->fTimeLineList.get()})
      if (list != nullptr) show_every_cell(*list);
    TMemoryStream again;
    EXPECT_TRUE(doc->StartSaveToFile(again, u"x.cnc", 0, 0, 96) && doc->SaveToStream(again)) << round;
  }
  // Some damage lies in text the file cannot check (a line's words): those files read.
  EXPECT_GT(read, 0);
  EXPECT_LT(read, 1500);
}

TEST(ConcordanceFile, ALineNamingNoSourceTextRefusesTheFile) {
  ScopedSettings settings;
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"old\ndog"});
  ASSERT_TRUE(run.found);
  const int32_t texts = run.doc->fTextFilesWithSearchWord->Count();
  ASSERT_GE(texts, 2);
  TConcSettingsRec32 user = GetConcSaveRec();
  user.SetWantedPerSearchWord(4321);
  SetConcSaveRec(user);
  // Refusals first: a file that reads becomes the user's settings.
  const struct {
    int32_t number;
    bool read;
  } cases[] = {{INT32_MIN, false}, {-1, false}, {0, false}, {texts + 1, false}, {INT32_MAX, false},
               {texts, true},      {1, true}};
  TConcordanceLineData& line = run.doc->fConcordanceList->Line(0)->Data();
  const int32_t own = line.filename_num_original;
  for (const auto& c : cases) {
    line.filename_num_original = c.number;
    const std::string bytes = SavedBytes(*run.doc);
    auto back = NewDocument();
    EXPECT_EQ(ReadBack(*back, bytes), c.read) << c.number;
    if (c.read) continue;
    EXPECT_EQ(back->ReadFailure().rfind(u"concordance lines at byte ", 0), 0u) << c.number;
    EXPECT_EQ(back->fConcordanceList->Count(), 0) << c.number;
    EXPECT_EQ(GetConcSaveRec().WantedPerSearchWord(), 4321) << c.number;
  }
  line.filename_num_original = own;
}

// Rows that carry their own numbers (a re-link numbers a text it adds after every number in use)
// are named by those numbers, beyond the count of rows too.
TEST(ConcordanceFile, ALineNamingARowByItsOwnNumberReads) {
  ScopedSettings settings;
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"old"});
  ASSERT_TRUE(run.found);
  TLinzoraFilenameEntryRecPlus rec = run.doc->fTextFilesWithSearchWord->GetEntryRecPlus(0, false);
  rec.full_filename = corpus.tmp.Path() + u"moved.txt";
  rec.other_data.zero_based_filename_num = 40;
  run.doc->fTextFilesWithSearchWord->Add(new TLinzoraFilenameEntry(run.doc->fTextFilesWithSearchWord, rec));
  run.doc->fConcordanceList->Line(0)->Data().filename_num_original = 41;
  auto back = NewDocument();
  ASSERT_TRUE(ReadBack(*back, SavedBytes(*run.doc))) << back->ReadFailure().size();
  const int32_t number = back->fConcordanceList->Line(0)->Data().filename_num_original;
  EXPECT_EQ(number, 41);
  EXPECT_EQ(back->fTextFilesWithSearchWord->GetFullFilename(number - 1, true), rec.full_filename);
}

// A document holding a concordance reads another file: every refusal, wherever the file is cut
// or damaged, leaves it as it was, byte for byte as saved, with its width, language and name.
TEST(ConcordanceFile, ARefusedReadLeavesTheHeldConcordanceAsItWas) {
  ScopedSettings settings;
  TCorpus one("x");
  TCorpus two("y");
  TRunDone held = RunConcordance({one.names, u"old"});
  TRunDone other = RunConcordance({two.names, u"dog\nold\ncat"});
  ASSERT_TRUE(held.found && other.found);
  T_WholeLinzoraHolder& doc = *held.doc;
  doc.SourceTextFilename = one.tmp.Path() + u"held.cnc";
  (void)SavedBytes(doc);  // the first save raises the versions it writes
  const std::string before = SavedBytes(doc);
  const std::vector<UString> lines = LineTexts(doc);
  const bool unicode = doc.Unicode();
  const TLCID lcid = doc.LCID();
  const int code_page = doc.CodePage();
  const std::string bytes = SavedBytes(*other.doc);
  auto kept = [&](const std::string& what) {
    EXPECT_EQ(LineTexts(doc), lines) << what;
    EXPECT_EQ(SavedBytes(doc), before) << what;
    EXPECT_EQ(doc.Unicode(), unicode) << what;
    EXPECT_EQ(doc.LCID(), lcid) << what;
    EXPECT_EQ(doc.CodePage(), code_page) << what;
    EXPECT_EQ(doc.SourceTextFilename, one.tmp.Path() + u"held.cnc") << what;
    EXPECT_TRUE(doc.ReadFailure().empty() || doc.ReadFailure().find(u" at byte ") != UString::npos) << what;
  };
  // Cuts through every block (a few hundred places), by stream and by file.
  const size_t step = std::max<size_t>(1, bytes.size() / 300);
  for (size_t cut = kRecordAt; cut < bytes.size(); cut += step) {
    ASSERT_FALSE(ReadBack(doc, bytes.substr(0, cut))) << cut;
    kept("cut at " + std::to_string(cut));
  }
  const UString file = two.tmp.Path() + u"cut.cnc";
  for (const size_t cut : {bytes.size() / 2, bytes.size() - 1}) {
    std::string part = bytes.substr(0, cut);
    TMemoryStream m;
    m.WriteExact(part.data(), static_cast<int64_t>(part.size()));
    ASSERT_TRUE(m.SaveToFile(file));
    EXPECT_FALSE(doc.ReadWholeFromFile(file, kToolConcordancer).first) << cut;
    kept("file cut at " + std::to_string(cut));
  }
  // A line naming no text (flipped bytes: tests/shell/test_damaged_documents.cpp).
  other.doc->fConcordanceList->Line(1)->Data().filename_num_original = INT32_MIN;
  EXPECT_FALSE(ReadBack(doc, SavedBytes(*other.doc)));
  kept("a line naming no text");
  // A whole file is taken over.
  other.doc->fConcordanceList->Line(1)->Data().filename_num_original = 1;
  ASSERT_TRUE(ReadBack(doc, SavedBytes(*other.doc))) << doc.ReadFailure().size();
  EXPECT_EQ(LineTexts(doc), LineTexts(*other.doc));
  EXPECT_EQ(SavedBytes(doc), SavedBytes(*other.doc));
}

TEST(ConcordanceFile, AStreamFailingAtAnyByteMakesTheSaveFalse) {
  ScopedSettings settings;
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"old"});
  ASSERT_TRUE(run.found);
  run.doc->fArrayOfSavedTags.push_back(TVisibleTagRec{});
  run.doc->fArrayOfSavedTags.back().tag = u"<s>";
  const int64_t size = static_cast<int64_t>(SavedBytes(*run.doc).size());
  for (int64_t limit = 0; limit < size; ++limit) {
    TShortStream s(limit);
    EXPECT_FALSE(run.doc->StartSaveToFile(s, u"x.cnc", 0, 0, 96) && run.doc->SaveToStream(s)) << limit;
    // Every write is looked at: one refused write alone fails the save, wherever it falls.
    TOneRefusedWriteStream one(limit);
    EXPECT_FALSE(run.doc->StartSaveToFile(one, u"x.cnc", 0, 0, 96) && run.doc->SaveToStream(one)) << limit;
  }
}

TEST(ConcordanceFile, ViewTypeOtherThanConcordanceIsRefused) {
  ScopedSettings settings;
  auto doc = std::make_unique<T_WholeLinzoraHolder>(kListCollocates, &Centre, nullptr, nullptr, false, false, nullptr,
                                                    nullptr);
  const std::string bytes = SavedBytes(*doc);
  auto back = NewDocument();
  EXPECT_FALSE(ReadBack(*back, bytes));
}

// --- merging ----------------------------------------------------------------------------------------

TEST(ConcordanceMerge, LinesPointAtTheirTextsAndItemsAndSumsAddUp) {
  ScopedSettings settings;
  TCorpus one("x");
  TCorpus two("y");
  TRunDone a = RunConcordance({one.names, u"old"});
  TRunDone b = RunConcordance({two.names, u"dog\nold"});
  ASSERT_TRUE(a.found && b.found);
  const int32_t words_a = a.doc->fSettings.RunningWords();
  const int32_t words_b = b.doc->fSettings.RunningWords();
  const int n0 = a.doc->fConcordanceList->Count();
  ASSERT_TRUE(a.doc->MergeWith(*b.doc, u"other"));
  T_WholeLinzoraHolder& doc = *a.doc;
  EXPECT_EQ(doc.fConcordanceList->Count(), 6);
  EXPECT_EQ(doc.TypedSearchWords(), (std::vector<UString>{u"old", u"dog"}));
  EXPECT_EQ(doc.fSettings.RunningWords(), words_a + words_b);
  EXPECT_EQ(doc.fSettings.MergedLineCount(), 6);
  for (int i = 0; i < doc.fConcordanceList->Count(); ++i) {
    const TConcordanceEntry* line = doc.fConcordanceList->Line(i);
    const UString file = doc.fTextFilesWithSearchWord->GetFullFilename(line->Data().filename_num_original - 1, true);
    const UString text(line->Text());
    ASSERT_FALSE(file.empty()) << i;
    // The merged lines name the other document's texts, the first ones their own.
    const UString& folder = i < n0 ? one.tmp.Path() : two.tmp.Path();
    EXPECT_EQ(file.substr(0, folder.size()), folder) << i;
    const UString word = doc.TypedSearchWords()[static_cast<size_t>(line->Data().sw_number)];
    EXPECT_NE(text.find(word), UString::npos) << i;
  }
  EXPECT_NE(doc.fNotes.Text().find(u"other"), UString::npos);
}

// Each line brought in carries its place in the document it came from; a second merge numbers
// the lines afresh, and every line still names its own text and search word.
TEST(ConcordanceMerge, MergedLinesCarryTheirNumberInTheOtherDocument) {
  ScopedSettings settings;
  TCorpus one("x");
  TCorpus two("y");
  TCorpus three("z");
  TRunDone a = RunConcordance({one.names, u"old"});
  TRunDone b = RunConcordance({two.names, u"dog"});
  TRunDone c = RunConcordance({three.names, u"old"});
  ASSERT_TRUE(a.found && b.found && c.found);
  const int n_a = a.doc->fConcordanceList->Count();
  const int n_b = b.doc->fConcordanceList->Count();
  const int n_c = c.doc->fConcordanceList->Count();
  ASSERT_TRUE(a.doc->MergeWith(*b.doc, u"b"));
  for (int i = 0; i < n_a + n_b; ++i)
    EXPECT_EQ(a.doc->fConcordanceList->Line(i)->MergeNum(), i < n_a ? 0 : i - n_a + 1) << i;
  ASSERT_TRUE(c.doc->MergeWith(*a.doc, u"a"));
  T_WholeLinzoraHolder& doc = *c.doc;
  ASSERT_EQ(doc.fConcordanceList->Count(), n_c + n_a + n_b);
  for (int i = 0; i < doc.fConcordanceList->Count(); ++i) {
    const TConcordanceEntry* line = doc.fConcordanceList->Line(i);
    EXPECT_EQ(line->MergeNum(), i < n_c ? 0 : i - n_c + 1) << i;
    const UString file = doc.fTextFilesWithSearchWord->GetFullFilename(line->Data().filename_num_original - 1, true);
    const UString& folder = i < n_c ? three.tmp.Path() : i < n_c + n_a ? one.tmp.Path() : two.tmp.Path();
    EXPECT_EQ(file.substr(0, folder.size()), folder) << i;
    const UString word = doc.TypedSearchWords()[static_cast<size_t>(line->Data().sw_number)];
    EXPECT_EQ(word, i >= n_c + n_a ? u"dog" : u"old") << i;
  }
}

TEST(ConcordanceMerge, RefusedMergeLeavesBothAsTheyWere) {
  ScopedSettings settings;
  TCorpus one("x");
  TCorpus two("y");
  TRunDone a = RunConcordance({one.names, u"old"});
  TRunDone b = RunConcordance({two.names, u"dog"});
  ASSERT_TRUE(a.found && b.found);
  b.doc->fTextFilesWithSearchWord->SetListBusy(1);
  const int lines_a = a.doc->fConcordanceList->Count(), lines_b = b.doc->fConcordanceList->Count();
  const int rows_a = a.doc->fTextFilesWithSearchWord->Count();
  const size_t notes_a = a.doc->fNotes.Lines().size();
  EXPECT_FALSE(a.doc->MergeWith(*b.doc, u"other"));
  b.doc->fTextFilesWithSearchWord->SetListBusy(0);
  EXPECT_EQ(b.doc->fConcordanceList->Count(), lines_b);
  EXPECT_EQ(a.doc->fConcordanceList->Count(), lines_a);
  EXPECT_EQ(a.doc->fTextFilesWithSearchWord->Count(), rows_a);
  EXPECT_EQ(a.doc->fNotes.Lines().size(), notes_a);
}

TEST(ConcordanceMerge, UnicodeWinsOverEightBit) {
  ScopedSettings settings;
  TCorpus two("y");
  TRunDone a = RunConcordance({two.names, u"dog"});
  ASSERT_TRUE(a.found && a.doc->Unicode());
  auto b = NewDocument();
  b->SetUnicode(false);
  ASSERT_TRUE(a.doc->MergeWith(*b, u"other"));
  EXPECT_TRUE(a.doc->Unicode());
}

TEST(ConcordanceMerge, TextListCheckAddsAnUnusedTextOnce) {
  ScopedSettings settings;
  TCorpus one("x");
  TRunDone a = RunConcordance({one.names, u"old\ndog"});
  ASSERT_TRUE(a.found);
  const int32_t unused = a.doc->fUnusedFiles.Count();
  // The lines of the UTF-16 text go: its row no longer has lines.
  for (int i = a.doc->fConcordanceList->Count() - 1; i >= 0; --i)
    if (UString(a.doc->fConcordanceList->Line(i)->Text()).find(u"cat") != UString::npos) a.doc->fConcordanceList->Remove(i);
  a.doc->CheckBothTextFileListsUptoDate();
  a.doc->CheckBothTextFileListsUptoDate();
  EXPECT_EQ(a.doc->fUnusedFiles.Count(), unused + 1);
}

// --- lines that share their texts ---------------------------------------------------------------

namespace {

// Prose where "the" is about one word in ten, so that its lines overlap; blanks in runs and line
// ends, which a line drops or makes one blank; accented letters (a byte a character) and, with
// cyrillic, letters that keep a line two bytes a character.
UString FrequentWordText(std::mt19937& rng, size_t chars, bool cyrillic) {
  static const char16_t* kWords[] = {u"old", u"man", u"and", u"sea", u"a", u"dog", u"ran", u"caf\u00E9",
                                     u"\u201Csaid\u201D", u"\u0436\u0443\u043A"};
  static const char16_t* kGaps[] = {u" ", u" ", u" ", u"  ", u"\n", u"\r\n\r\n", u"\t", u". "};
  UString s;
  while (s.size() < chars) {
    s += rng() % 10 == 0 ? u"the" : kWords[rng() % (cyrillic ? 10 : 9)];
    s += kGaps[rng() % std::size(kGaps)];
  }
  return s;
}

// The document saved, its concordance exported as text, and its lines' texts.
struct TDocumentSeen {
  std::string saved, exported;
  std::vector<UString> texts;
  bool operator==(const TDocumentSeen&) const = default;
};
TDocumentSeen Seen(T_WholeLinzoraHolder& doc, const UString& export_name) {
  TDocumentSeen seen{SavedBytes(doc), "", LineTexts(doc)};
  EXPECT_TRUE(ExportListAsTXT(*doc.fConcordanceList, doc, export_name));
  seen.exported = WholeFileBytes(export_name);
  return seen;
}

}  // namespace

// A run's lines share their texts with their neighbours; the same run whose lines each get a copy
// of their own (as an edit gives) must save, export and go through deleting, zapping, undoing,
// sorting and merging alike, byte for byte; the saved file read back saves the same bytes again.
TEST(ConcordanceFile, LinesSharingTheirTextsSaveAndChangeAsLinesWithTextsOfTheirOwn) {
  ScopedSettings settings;
  std::mt19937 rng(4141);
  TTextFolder corpus({{u"a.txt", Utf16ToUtf8(FrequentWordText(rng, 60000, false))},
                      {u"b.txt", Utf16Bytes(FrequentWordText(rng, 30000, true), true, true)},
                      {u"c.txt", Utf16ToUtf8(FrequentWordText(rng, 400, false))}});
  TTextFolder other({{u"d.txt", Utf16ToUtf8(FrequentWordText(rng, 20000, false))}});
  TRunDone shared = RunConcordance({corpus.names, u"the", u"", u"", 100000});
  TRunDone own = RunConcordance({corpus.names, u"the", u"", u"", 100000});
  ASSERT_TRUE(shared.found && own.found);
  ASSERT_GT(shared.doc->fConcordanceList->Count(), 1500);
  TConcordanceList& a = *shared.doc->fConcordanceList;
  TConcordanceList& b = *own.doc->fConcordanceList;
  for (int i = 0; i < b.Count(); ++i) b.Line(i)->SetText(UString(b.Line(i)->Text()));
  const UString name_a = corpus.tmp.Path() + u"a.exp", name_b = corpus.tmp.Path() + u"b.exp";
  auto same = [&](const char* step) {
    SCOPED_TRACE(step);
    // The notes say when each run and merge was made: the two documents' may fall in different
    // seconds.
    own.doc->fNotes = shared.doc->fNotes;
    const TDocumentSeen seen = Seen(*shared.doc, name_a);
    EXPECT_GT(seen.texts.size(), 100u);
    EXPECT_TRUE(seen == Seen(*own.doc, name_b));
  };
  same("as made");
  // The run's lines in text order lie over each other's bytes.
  int overlapping = 0;
  for (int i = 0; i + 1 < a.Count(); ++i) {
    const TLineText x = a.Line(i)->Text(), y = a.Line(i + 1)->Text();
    overlapping += x.OneByte() && y.OneByte() && y.Bytes() > x.Bytes() && y.Bytes() < x.Bytes() + x.size();
  }
  EXPECT_GT(overlapping, a.Count() / 2);
  std::vector<int32_t> doomed;
  for (int32_t i = 0; i < a.Count(); i += 3) doomed.push_back(i);
  for (TConcordanceList* list : {&a, &b}) list->DeleteARange(doomed, true, true);
  same("deleted");
  for (TConcordanceList* list : {&a, &b}) list->Zap(true);
  same("zapped");
  for (TConcordanceList* list : {&a, &b}) list->Undo();
  same("undone");
  for (TConcordanceList* list : {&a, &b}) {
    for (int l = 0; l < 3; ++l) list->SetSortAscending(l, l != 1);
    ASSERT_TRUE(list->CompleteResort());
  }
  same("sorted");
  // Lines merged in from another document keep their texts once that document is gone.
  for (TRunDone* run : {&shared, &own}) {
    TRunDone more = RunConcordance({other.names, u"the"});
    ASSERT_TRUE(more.found);
    ASSERT_TRUE(run->doc->MergeWith(*more.doc, u"other"));
  }
  same("merged");
  const std::string saved = SavedBytes(*shared.doc);
  auto back = NewDocument();
  ASSERT_TRUE(ReadBack(*back, saved));
  EXPECT_EQ(LineTexts(*back), LineTexts(*shared.doc));
  EXPECT_TRUE(SavedBytes(*back) == saved);
}
