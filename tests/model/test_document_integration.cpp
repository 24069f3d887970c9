// A tool document with its lists, notes, settings and chosen texts, used as the tools use it:
// saved and read back whole, in UTF-16 and in 8-bit form, cut short and garbled, saved over an
// older file, merged with another, saved in batches and read back out of the batch archive, and
// its chosen texts handed from one tool to another.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <tuple>

#include "chosen_texts_test_support.h"
#include "document_integration_support.h"
#include "model/documents/batch_procedures.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/settings/settings_defaults.h"
#include "platform/zip/zip_forge.h"
#include "support/temp_folder.h"
#include "test_tool_document_support.h"

namespace {

// The document as a save writes it, without a file.
std::vector<uint8_t> SavedBytes(TIntegrationDocument& doc) {
  TMemoryStream s;
  EXPECT_TRUE(doc.StartSaveToFile(s, u"", 0, 0, 0));
  EXPECT_TRUE(doc.SaveToStream(s));
  return s.Data();
}

bool ReadBytes(TIntegrationDocument& doc, const std::vector<uint8_t>& bytes, size_t count) {
  TMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count)));
  return doc.StartReadFromStream(s) && doc.ReadWholeFromStream(s);
}
bool ReadBytes(TIntegrationDocument& doc, const std::vector<uint8_t>& bytes) {
  return ReadBytes(doc, bytes, bytes.size());
}
bool ReadFrom(TIntegrationDocument& doc, TStream& s) { return doc.StartReadFromStream(s) && doc.ReadWholeFromStream(s); }

// --- what a document holds, in comparable form ------------------------------------------------

// The word list as its grid shows it: every entry that is not joined under another, with its
// marks and the entries joined under it.
std::vector<std::string> WordRows(const TDocWordList& list) {
  std::vector<std::string> rows;
  for (int i = 0; i < list.Count(); ++i) {
    const TDocWordEntry* e = list.At(i);
    if (!e || e->JoinedTo()) continue;
    std::string row = Utf16ToUtf8(e->eight_bit ? Latin1ToUtf16(e->ansi) : e->word) + (e->eight_bit ? "[8]" : "") +
                      "=" + std::to_string(e->freq) + "/" + std::to_string(e->Marks());
    for (TVXBaseListObject* j : e->JoinedEntries()) {
      const auto* je = static_cast<const TDocWordEntry*>(j);
      row += " <" + Utf16ToUtf8(je->word) + "=" + std::to_string(je->freq) + ">";
    }
    rows.push_back(row);
  }
  return rows;
}

UString JoinedWord(const TDocWordList& list, int head) {
  return static_cast<const TDocWordEntry*>(list.At(head)->JoinedEntries()[0])->word;
}

// Saved and read back, the words are the same.
void ExpectWordsSurviveASave(TIntegrationDocument& doc) {
  TIntegrationDocument back;
  ASSERT_TRUE(ReadBytes(back, SavedBytes(doc)));
  EXPECT_EQ(WordRows(back.words), WordRows(doc.words));
}

void ExpectSameStats(const TVXStatsList& a, const TVXStatsList& b) {
  ASSERT_EQ(a.Count(), b.Count());
  EXPECT_EQ(a.folderlist, b.folderlist);
  for (int i = 0; i < a.Count(); ++i) {
    EXPECT_EQ(a.GetEntryFullFilename(i), b.GetEntryFullFilename(i)) << i;
    EXPECT_EQ(std::memcmp(&a.Row(i)->fdata.data, &b.Row(i)->fdata.data, sizeof(TOne_text_stats_data)), 0) << i;
  }
  EXPECT_EQ(a.Overall_stats.name, b.Overall_stats.name);
  EXPECT_EQ(std::memcmp(&a.Overall_stats.data, &b.Overall_stats.data, sizeof(TOne_text_stats_data)), 0);
}

void ExpectSameChosen(const TSharedChosenFilesClass& a, const TSharedChosenFilesClass& b) {
  ASSERT_EQ(a.FileCount(), b.FileCount());
  EXPECT_EQ(a.TotalBytes(), b.TotalBytes());
  EXPECT_EQ(a.fNotes.Text(), b.fNotes.Text());
  auto fields = [](const TSharedChosenFilesClass& s, int32_t i) {
    const TChosenFile_BaseRec& x = s.fFiles.Item(i)->data;
    return std::make_tuple(s.FullFilename(i), x.zip_member, x.size, x.date, x.words, x.wanted, x.kind, x.hits,
                           x.julian_date, x.jumps ? *x.jumps : TJumpList{});
  };
  for (int32_t i = 0; i < a.FileCount(); ++i) EXPECT_EQ(fields(a, i), fields(b, i)) << i;
}

void ExpectSameDocument(TIntegrationDocument& a, TIntegrationDocument& b) {
  EXPECT_EQ(a.ListKind, b.ListKind);
  EXPECT_EQ(a.Unicode(), b.Unicode());
  EXPECT_EQ(a.fNotes.Lines(), b.fNotes.Lines());
  EXPECT_EQ(std::memcmp(a.ftextsettings.bytes, b.ftextsettings.bytes, TTextsett_rec32::kSize), 0);
  EXPECT_EQ(a.ExtraStuffParentFilename(), b.ExtraStuffParentFilename());
  EXPECT_EQ(a.RelativeEntropyBasis(), b.RelativeEntropyBasis());
  EXPECT_EQ(a.TessorineHolderMainListCount(), b.TessorineHolderMainListCount());
  EXPECT_EQ(WordRows(a.words), WordRows(b.words));
  ExpectSameStats(a.stats, b.stats);
  ExpectSameChosen(a.chosen, b.chosen);
}

// Every entry of the document's lists (joined ones too) belongs to that list and that document.
void ExpectEntriesBelongTo(TIntegrationDocument& doc) {
  for (int i = 0; i < doc.words.Count(); ++i) {
    TVXBaseListObject* e = doc.words.Get(i);
    ASSERT_NE(e, nullptr);
    std::vector<TVXBaseListObject*> all = e->JoinedEntries();
    all.push_back(e);
    for (TVXBaseListObject* j : all) {
      EXPECT_EQ(j->List(), &doc.words) << i;
      EXPECT_EQ(j->Holder(), &doc) << i;
    }
  }
  for (int i = 0; i < doc.stats.Count(); ++i) {
    EXPECT_EQ(doc.stats.Get(i)->List(), &doc.stats) << i;
    EXPECT_EQ(doc.stats.Get(i)->Holder(), &doc) << i;
  }
  EXPECT_EQ(doc.Lists().Count(), 2);
  EXPECT_EQ(doc.Lists().SafeItem(0), &doc.words);
  EXPECT_EQ(doc.Lists().SafeItem(1), &doc.stats);
}

// --- making documents ----------------------------------------------------------------------------

TOne_text_stats_rec StatsRecord(UStringView full_name, int32_t words, uint32_t seed) {
  std::mt19937 rng(seed);
  TOne_text_stats_rec r;
  r.name = UString(full_name);
  TOne_text_stats_data& d = r.data;
  for (int g = 0; g < 5; ++g) {
    d.groups[g].count = g == 0 ? words : static_cast<int32_t>(rng() % 500);
    d.groups[g].mean = static_cast<float>(rng() % 1000) / 7.0f;
    d.groups[g].sd = static_cast<float>(rng() % 1000) / 11.0f;
  }
  d.running_words = words + 3;
  d.types = words / 2 + 1;
  d.ratio_basis = 1000;
  d.value84 = static_cast<int32_t>(rng() % 100);
  d.julian_date = 2459000.25 + seed;
  d.size_count = words * 6;
  d.ratio = {words / 1000 + 1, 44.5f, 3.25f};
  for (int n = 1; n <= 50; ++n) d.word_lengths[n] = static_cast<int32_t>(rng() % 40);
  d.text_number = static_cast<int32_t>(seed);
  d.centrality[0] = 0.5f;
  d.centrality[1] = 0.25f;
  d.spare340[3] = 0x5A;
  return r;
}

void AddStatsRow(TIntegrationDocument& doc, UStringView name, int32_t words, uint32_t seed) {
  doc.stats.Add(new TStatsEntry(StatsRecord(name, words, seed), false, &doc.stats));
}

const char16_t* const kWords[] = {u"the",        u"caf\u00E9",         u"\u0436\u0438\u0437\u043D\u044C",
                                  u"\u4E2D\u6587", u"\U0001F600smile", u"na\u00EFve",
                                  u"\u05E9\u05DC\u05D5\u05DD", u"word",  u"\u00DFtra\u00DFe",
                                  u"x",          u"",                  u"a\u0301"};

// A result as a run of the tool leaves it: notes, words (one joined under another, one deleted,
// one matched), statistics of texts in two folders, the chosen texts, the document's identity.
void FillDocument(TIntegrationDocument& doc, const TempFolder& tmp, const UString& tag, int n_words = 12) {
  doc.StartStandardNotes(1, 0, u"", u"made for " + tag);
  doc.AddNoteDetails({u"first detail", u"second d\u00E9tail", u"", u"\tthird"}, 1);
  doc.AddOneLaterNote(u"looked at again", u"\u4E2D\u6587 heading");
  doc.AddOneDuringMainComputationNote(u"during " + tag);

  for (int i = 0; i < n_words; ++i)
    doc.words.AddWord(UString(kWords[i % 12]) + (i >= 12 ? IntToUStr(i) : UString()) + tag, 1000 - i);
  if (n_words >= 4) {
    EXPECT_TRUE(doc.words.Join(0, 1, false));
    doc.words.SetDeleted(2, true);
    doc.words.SetMatched(3, true);
  }

  const UString texts = tmp.Path() + u"texts_" + tag + u"/";
  const UString a = tmp.Write(u"texts_" + tag + u"/news/a.txt", "alpha beta");
  const UString b = tmp.Write(u"texts_" + tag + u"/news/b.txt", "gamma");
  const UString c = tmp.Write(u"texts_" + tag + u"/fiction/c\u00E9.txt", "delta epsilon zeta");
  uint32_t seed = 1;
  for (const UString& name : {a, b, c}) {
    AddStatsRow(doc, name, 100 * static_cast<int32_t>(seed), seed);
    EXPECT_TRUE(doc.chosen.ToolAddAFile(name));
    ++seed;
  }
  doc.stats.Overall_stats.data.ratio_basis = 1000;
  doc.stats.Overall_stats.data.julian_date = 2459100.5;
  doc.stats.ComputeTotalWordStats();
  doc.stats.SetOverallEntries(doc.words.Count());

  doc.chosen.SetFileHits(0, 4);
  doc.chosen.SetFileWords(1, 1);
  doc.chosen.fFiles.Item(2)->data.jumps->assign({7, 30, 2});
  doc.chosen.fNotes.Add(u"chosen for " + tag);

  doc.SaveAParentFilenameInExtraStuff(texts + u"parent.cnc");
  doc.SetRelativeEntropyBasis(17);
}

// A language record of an 8-bit Cyrillic document.
Tfixed_lang_details32 CyrillicLanguage() {
  Tfixed_lang_details32 l = DefaultLanguage();
  l.SetLCID(0x0419);
  l.SetWindowsCodePage(1251);
  l.SetLanguageName(u"Russian");
  return l;
}

// An 8-bit document in code page 1251 with the words given as bytes.
void MakeCyrillic(TIntegrationDocument& doc, std::initializer_list<std::pair<const char*, int32_t>> words) {
  doc.SetTextSettings_Language(CyrillicLanguage());
  doc.SetUnicode(false);
  for (const auto& [bytes, freq] : words) doc.words.AddBytes(bytes, freq);
}

class DocumentIntegration : public ToolDocumentTest {
 protected:
  void SetUp() override {
    ToolDocumentTest::SetUp();
    words_alive_ = TDocWordEntry::live;
    rows_alive_ = TStatsEntry::live_count;
    Global_BatchProcedures = TBatchProceduresRec();
    SetDefaultBatchHandlers(Global_BatchProcedures);
    HeadlessDialogs().Clear();
  }
  void TearDown() override {
    // Every document of a test is gone by now: so must its entries be.
    EXPECT_EQ(TDocWordEntry::live, words_alive_);
    EXPECT_EQ(TStatsEntry::live_count, rows_alive_);
    Global_BatchProcedures = TBatchProceduresRec();
    HeadlessDialogs().Clear();
    current_tool_var = kToolConcordancer;
    ToolDocumentTest::TearDown();
  }
  // A filled document as a save writes it.
  std::vector<uint8_t> FilledBytes(const UString& tag, int n_words) {
    TIntegrationDocument doc;
    FillDocument(doc, tmp, tag, n_words);
    return SavedBytes(doc);
  }
  // Saved to a file of this name in the test's folder, and read back into back.
  UString SaveAndRead(TIntegrationDocument& doc, UStringView name, TIntegrationDocument& back) {
    const UString file = tmp.Path() + UString(name);
    EXPECT_TRUE(doc.SaveToFile(file, 0, 0, 0));
    EXPECT_TRUE(back.ReadWholeFromFile(file, kToolConcordancer).first);
    return file;
  }

  TempFolder tmp;

 private:
  int words_alive_ = 0;
  int rows_alive_ = 0;
};

// --- a whole file ----------------------------------------------------------------------------------

TEST_F(DocumentIntegration, AFileReadsBackIntoAFreshDocumentWithEveryListAndNote) {
  TIntegrationDocument doc;
  FillDocument(doc, tmp, u"A");
  const UString name = tmp.Path() + u"result";
  ASSERT_TRUE(doc.SaveToFile(name, 700, 900, 120));
  const UString file = name + u".cnc";  // the list type's extension was added

  TIntegrationDocument back;
  const T2_BooleanRec r = back.ReadWholeFromFile(file, kToolConcordancer);
  EXPECT_TRUE(r.first);
  EXPECT_TRUE(r.second);
  ExpectSameDocument(doc, back);
  ExpectEntriesBelongTo(back);
  EXPECT_EQ(back.SourceTextFilename, file);
  EXPECT_EQ(GetLastMainToolFileName(kToolConcordancer), file);
  EXPECT_EQ(back.announced, std::vector<int32_t>{doc.words.Count()});
  EXPECT_GE(back.TessorineHolderVersionNumber(), 19);
  int32_t height = 0;
  EXPECT_TRUE(back.TryToGetClientHeightOrWidth(4000, true, height));
  EXPECT_EQ(height, DimensionScaledForDPI(700, 120, ScreenPixelsPerInch()));

  // The joined form travels under its head; its marks and the others' stay.
  ASSERT_EQ(back.words.At(0)->JoinedCount(), 1);
  EXPECT_TRUE(back.words.GetDeleted(1));
  EXPECT_TRUE(back.words.GetMatched(2));
  EXPECT_EQ(back.words.At(0)->JoinedEntries()[0]->JoinedTo(), back.words.At(0));

  // Saved again with the same window, the read document gives the file's bytes, but for the
  // counts of the word list: the joined form no longer stands in the list on its own, so the
  // main list count is one lower and no entry was left out of the list's entries.
  TMemoryStream again;
  ASSERT_TRUE(back.StartSaveToFile(again, u"", 700, 900, 120));
  ASSERT_TRUE(back.SaveToStream(again));
  std::vector<uint8_t> expected = FileBytes(file);
  PutI32(expected, 57 + 56, back.words.Count());
  const auto list_at = std::search(expected.begin(), expected.end(), std::begin("VXBL"), std::end("VXBL") - 1);
  ASSERT_NE(list_at, expected.end());
  PutI32(expected, static_cast<size_t>(list_at - expected.begin()) + 8 + 4, 0);
  EXPECT_EQ(again.Data(), expected);
}

TEST_F(DocumentIntegration, AnEmptyDocumentAndOneWithMissingFields) {
  const UString file = tmp.Path() + u"empty.cnc";
  {
    TIntegrationDocument empty;
    ASSERT_TRUE(empty.SaveToFile(file, 0, 0, 0));
  }
  TIntegrationDocument back;
  const T2_BooleanRec r = back.ReadWholeFromFile(file, kToolConcordancer);
  EXPECT_TRUE(r.first && r.second);
  EXPECT_TRUE(back.announced.empty());  // no entries to announce
  EXPECT_EQ(back.words.Count() + back.stats.Count() + back.chosen.FileCount() + back.fNotes.Count(), 0);

  // A main list that lacks some data fields reads, and says the read was not complete.
  back.words.AddWord(u"partial", 1);
  back.words.StoredListInfo().info.some_data_fields_missing = 1;
  ASSERT_TRUE(back.SaveToFile(file, 0, 0, 0));
  TIntegrationDocument partial;
  const T2_BooleanRec p = partial.ReadWholeFromFile(file, kToolConcordancer);
  EXPECT_TRUE(p.first);
  EXPECT_FALSE(p.second);
  EXPECT_EQ(partial.announced, std::vector<int32_t>{1});
}

TEST_F(DocumentIntegration, EachSaveWritesItsHeaderWhereTheDocumentBeginsInItsStream) {
  TIntegrationDocument doc;
  FillDocument(doc, tmp, u"S", 5);
  // Results written one after another into streams of their own, each after a caption of its
  // own length, only the first as a file is: the streams come and go at the same place in memory.
  std::optional<TMemoryStream> s;
  const size_t captions[] = {10, 100, 300, 20};
  for (size_t round = 0; round < std::size(captions); ++round) {
    SCOPED_TRACE(round);
    s.emplace();
    const std::vector<uint8_t> caption(captions[round], static_cast<uint8_t>(0xC0 + round));
    ASSERT_TRUE(s->WriteExact(caption.data(), static_cast<int64_t>(caption.size())));
    if (round == 0) {
      ASSERT_TRUE(doc.StartSaveToFile(*s, u"", 0, 0, 0));
    }
    ASSERT_TRUE(doc.SaveToStream(*s));
    ASSERT_TRUE(std::equal(caption.begin(), caption.end(), s->Data().begin()));
    ASSERT_TRUE(s->SetPosition(static_cast<int64_t>(caption.size())));
    TIntegrationDocument back;
    ASSERT_TRUE(ReadFrom(back, *s));
    ExpectSameDocument(doc, back);
  }
}

// --- UTF-16 and 8-bit ------------------------------------------------------------------------------

TEST_F(DocumentIntegration, EightBitDocumentsKeepTheirBytesAndGoOverToUnicodeJoinedFormsAndUndoToo) {
  TIntegrationDocument doc;
  // "идти" the head, "шел" joined under it, "дом" deleted, "мир", in code page 1251.
  MakeCyrillic(doc, {{"\xE8\xE4\xF2\xE8", 9}, {"\xF8\xE5\xEB", 4}, {"\xE4\xEE\xEC", 3}, {"\xEC\xE8\xF0", 2}, {"plain", 1}});
  EXPECT_EQ(doc.CodePage(), 1251);
  ASSERT_TRUE(doc.words.Join(0, 1, false));
  ASSERT_TRUE(doc.words.DeleteOne(2, true));
  AddStatsRow(doc, tmp.Path() + u"\u0442\u0435\u043A\u0441\u0442.txt", 9, 4);
  doc.stats.Overall_stats.data.ratio_basis = 1000;

  // Read where the current settings name another language and code page; the form travels
  // under its head, and goes over with it, in the document's code page.
  ASSERT_NE(GetTextSettings().WindowsCodePage(), 1251);
  TIntegrationDocument back;
  SaveAndRead(doc, u"eight.cnc", back);
  EXPECT_FALSE(back.Unicode());
  EXPECT_EQ(back.CodePage(), 1251);
  EXPECT_EQ(back.LCID(), 0x0419u);
  ExpectSameDocument(doc, back);
  EXPECT_EQ(back.words.At(0)->ansi, "\xE8\xE4\xF2\xE8");
  back.SetUnicode(true);
  back.SetUnicode(true);
  EXPECT_EQ(back.words.At(0)->word, u"\u0438\u0434\u0442\u0438");
  EXPECT_EQ(JoinedWord(back.words, 0), u"\u0448\u0435\u043B");
  EXPECT_EQ(back.words.At(1)->word, u"\u0434\u043E\u043C");
  EXPECT_EQ(back.words.At(3)->word, u"plain");

  TIntegrationDocument wide_back;
  const UString wide = SaveAndRead(back, u"wide.cnc", wide_back);
  EXPECT_TRUE(wide_back.Unicode());
  ExpectSameDocument(back, wide_back);
  // A UTF-16 document read into one that was 8-bit before comes back as UTF-16.
  TIntegrationDocument reused;
  reused.SetUnicode(false);
  ASSERT_TRUE(reused.ReadWholeFromFile(wide, kToolConcordancer).first);
  EXPECT_TRUE(reused.Unicode());
  ExpectSameDocument(back, reused);

  // Purged for good: the form now belongs to its head, the deleted entry to the undo list, and
  // both go over with the document.
  ASSERT_EQ(doc.words.Zap(true), 2);
  doc.SetUnicode(true);
  ASSERT_EQ(doc.words.At(0)->JoinedCount(), 1);
  EXPECT_FALSE(static_cast<const TDocWordEntry*>(doc.words.At(0)->JoinedEntries()[0])->eight_bit);
  EXPECT_EQ(JoinedWord(doc.words, 0), u"\u0448\u0435\u043B");
  ASSERT_TRUE(doc.words.Undo());
  ASSERT_EQ(doc.words.Count(), 5);
  for (int i = 0; i < doc.words.Count(); ++i) EXPECT_FALSE(doc.words.At(i)->eight_bit) << i;
  ExpectWordsSurviveASave(doc);
}

// --- damage ----------------------------------------------------------------------------------------

TEST_F(DocumentIntegration, EveryCutOfADocumentAnswersFalseAndLeaksNothing) {
  const std::vector<uint8_t> bytes = FilledBytes(u"C", 6);
  for (size_t cut = 0; cut <= bytes.size(); ++cut) {
    TIntegrationDocument doc;
    ASSERT_EQ(ReadBytes(doc, bytes, cut), cut == bytes.size()) << "cut at " << cut << " of " << bytes.size();
  }
  // Through the file reader too: false, and the document names no file.
  for (size_t cut = 0; cut < bytes.size(); cut += 61) {
    const UString file = tmp.Write(u"cut.cnc", std::string(bytes.begin(), bytes.begin() + static_cast<long>(cut)));
    TIntegrationDocument doc;
    const T2_BooleanRec r = doc.ReadWholeFromFile(file, kToolConcordancer);
    ASSERT_FALSE(r.first || r.second) << cut;
    EXPECT_TRUE(doc.SourceTextFilename.empty());
  }
}

TEST_F(DocumentIntegration, ABigDocumentCutAtADenseSampleOfPlaces) {
  std::vector<uint8_t> bytes;
  {
    TIntegrationDocument doc;
    FillDocument(doc, tmp, u"B", 3000);
    for (int i = 0; i < 400; ++i) {
      const UString folder = u"/corpus/part" + IntToUStr(i % 7);
      AddStatsRow(doc, folder + u"/text" + IntToUStr(i) + u".txt", i + 1, static_cast<uint32_t>(i + 10));
      TChosenFile_BaseRec d;
      d.filename = u"text" + IntToUStr(i) + u".txt";
      d.size = i + 1;
      d.jumps = std::make_shared<TJumpList>(TJumpList(static_cast<size_t>(i % 5), i));
      doc.chosen.AddedAFile(d, folder);
    }
    bytes = SavedBytes(doc);
  }
  ASSERT_GT(bytes.size(), 200000u);
  std::mt19937 rng(77);
  std::set<size_t> cuts;
  for (size_t i = 0; i < 300; ++i) cuts.insert(rng() % bytes.size());
  for (size_t i = 0; i < 700; ++i) cuts.insert(i);                             // header, block and notes
  for (size_t i = bytes.size() - 1500; i < bytes.size(); ++i) cuts.insert(i);  // the chosen texts
  for (size_t cut : cuts) {
    TIntegrationDocument doc;
    ASSERT_FALSE(ReadBytes(doc, bytes, cut)) << "cut at " << cut << " of " << bytes.size();
  }
}

TEST_F(DocumentIntegration, GarbledDocumentsAnswerWithoutHarmAndWhatIsReadSavesAgain) {
  const std::vector<uint8_t> bytes = FilledBytes(u"G", 8);
  const int32_t interesting[] = {-1, 0, 1, 2, 255, 0x7FFFFFFF, INT32_MIN, 0x40000000, 1 << 20};
  // Most of the garbling goes to the lists and the chosen texts, after the raw settings block.
  const size_t lists_at = static_cast<size_t>(
      std::search(bytes.begin(), bytes.end(), std::begin("VXBL"), std::end("VXBL") - 1) - bytes.begin());
  ASSERT_LT(lists_at, bytes.size());
  std::mt19937 rng(2024);
  int accepted = 0, resaved = 0;
  for (int trial = 0; trial < 800; ++trial) {
    std::vector<uint8_t> b = bytes;
    const int changes = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < changes; ++k) {
      const size_t from = (rng() % 3 == 0) ? 0 : lists_at;
      const size_t at = from + rng() % (b.size() - from - 4);
      switch (rng() % 3) {
        case 0: b[at] ^= static_cast<uint8_t>(1 + rng() % 255); break;
        case 1: PutI32(b, at, interesting[rng() % std::size(interesting)]); break;
        default:
          for (size_t i = 0, n = std::min<size_t>(1 + rng() % 64, b.size() - at); i < n; ++i)
            b[at + i] = static_cast<uint8_t>(rng());
      }
    }
    TIntegrationDocument doc;
    if (!ReadBytes(doc, b)) continue;
    ++accepted;
    // What the reader took in, the writer can give out again, and that reads back the same.
    TMemoryStream again;
    if (!doc.StartSaveToFile(again, u"", 0, 0, 0) || !doc.SaveToStream(again)) continue;
    ++resaved;
    TIntegrationDocument back;
    ASSERT_TRUE(ReadBytes(back, again.Data())) << "trial " << trial;
    EXPECT_EQ(WordRows(doc.words), WordRows(back.words)) << "trial " << trial;
    EXPECT_EQ(doc.fNotes.Lines(), back.fNotes.Lines()) << "trial " << trial;
  }
  EXPECT_GT(accepted, 0);
  EXPECT_GT(resaved, 0);
}

// The statistics list said which width the document's text is in before the rest of it was
// read: a damaged one turned a UTF-16 document 8-bit (its next save failed) or converted an 8-bit
// one for good. Now a list's width counts only once the list was read whole, and lists of one
// document that disagree make its read fail.
TEST_F(DocumentIntegration, ADamagedStatisticsListNeverChangesTheWidthOfTheDocumentsText) {
  for (const bool unicode : {true, false}) {
    SCOPED_TRACE(unicode ? "UTF-16" : "8-bit");
    std::vector<uint8_t> bytes;
    {
      TIntegrationDocument doc;
      if (unicode) FillDocument(doc, tmp, u"W", 6);
      else MakeCyrillic(doc, {{"\xE8\xE4\xF2\xE8", 9}, {"\xE4\xEE\xEC", 3}});
      AddStatsRow(doc, tmp.Path() + u"text.txt", 9, 4);
      bytes = SavedBytes(doc);
    }
    // The statistics list is the second list; its width byte follows the parent's part (40
    // bytes) and the settings (104).
    const auto words_at = std::search(bytes.begin(), bytes.end(), std::begin("VXBL"), std::end("VXBL") - 1);
    const auto stats_at = std::search(words_at + 1, bytes.end(), std::begin("VXBL"), std::end("VXBL") - 1);
    ASSERT_NE(stats_at, bytes.end());
    const size_t width_at = static_cast<size_t>(stats_at - bytes.begin()) + 40 + 104;
    ASSERT_EQ(bytes[width_at], unicode ? 1 : 0);

    int reads = 0, flips = 0, unsavable = 0, accepted = 0;
    auto read = [&](const std::vector<uint8_t>& b, size_t count) {
      TIntegrationDocument doc;
      const bool ok = ReadBytes(doc, b, count);
      ++reads;
      if (doc.Unicode() != unicode) ++flips;
      if (!ok) return;
      ++accepted;
      TMemoryStream again;
      if (!doc.StartSaveToFile(again, u"", 0, 0, 0) || !doc.SaveToStream(again)) ++unsavable;
    };
    // The width byte says the other width, or something else, and the list is whole or cut
    // short anywhere after it.
    for (const uint8_t said : {uint8_t(0), uint8_t(1), uint8_t(2), uint8_t(0xFF)}) {
      std::vector<uint8_t> b = bytes;
      b[width_at] = said;
      const bool other_width = (said != 0) != unicode;
      for (size_t cut = width_at + 1; cut <= b.size(); cut += (cut < width_at + 400 ? 1 : 97)) {
        TIntegrationDocument doc;
        const bool ok = ReadBytes(doc, b, cut);
        if (other_width) {
          EXPECT_FALSE(ok) << "cut " << cut;
          if (cut == b.size()) {
            EXPECT_NE(doc.ListReadMessage().find(list_type_as_string(doc.stats.ListType())), UString::npos);
          }
        }
        read(b, cut);
      }
    }
    // Garbled anywhere in the statistics list.
    std::mt19937 rng(16);
    const size_t from = static_cast<size_t>(stats_at - bytes.begin());
    for (int trial = 0; trial < 1500; ++trial) {
      std::vector<uint8_t> b = bytes;
      for (int k = 1 + static_cast<int>(rng() % 3); k > 0; --k) b[from + rng() % (b.size() - from)] = static_cast<uint8_t>(rng());
      read(b, b.size());
    }
    EXPECT_GT(reads, 2000);
    EXPECT_GT(accepted, 0);
    EXPECT_EQ(flips, 0);
    EXPECT_EQ(unsavable, 0);
  }
}

// --- saving over an older file -------------------------------------------------------------------------

TEST_F(DocumentIntegration, AFailedSaveLeavesTheOlderFileAsItWas) {
  const UString file = tmp.Path() + u"kept.cnc";
  TIntegrationDocument doc;
  FillDocument(doc, tmp, u"F");
  ASSERT_TRUE(doc.SaveToFile(file, 0, 0, 0));
  const std::vector<uint8_t> before = FileBytes(file);
  TListKindSet kinds;
  doc.ListKindsWithData(kinds);
  EXPECT_TRUE(kinds.none());  // all of it is in the file

  // A list busy with a job refuses to be written: the save fails and the file stays. The word
  // list was written into the discarded copy; it still holds what no file holds.
  doc.words.AddWord(u"added later", 3);
  doc.stats.SetListBusy(kBusySorting);
  EXPECT_FALSE(doc.SaveToFile(file, 0, 0, 0));
  doc.stats.SetListBusy(kBusyNone);
  EXPECT_EQ(FileBytes(file), before);
  doc.ListKindsWithData(kinds);
  EXPECT_TRUE(kinds.test(kListWordList));
  EXPECT_FALSE(kinds.test(kListStatistics));

  // A disk that fills up half-way through.
  {
    FileSizeLimit limit(before.size() / 2);
    EXPECT_FALSE(doc.SaveToFile(file, 0, 0, 0));
  }
  EXPECT_EQ(FileBytes(file), before);
  EXPECT_EQ(FindFiles(tmp.Path(), u"*.tmp").size(), 0u);
  doc.ListKindsWithData(kinds);
  EXPECT_TRUE(kinds.test(kListWordList));

  TIntegrationDocument older;
  ASSERT_TRUE(older.ReadWholeFromFile(file, kToolConcordancer).first);
  std::vector<std::string> rows = WordRows(older.words);
  rows.push_back("added later=3/0");
  EXPECT_EQ(rows, WordRows(doc.words));

  // The failures left nothing behind in the document: the next save is whole.
  TIntegrationDocument newer;
  SaveAndRead(doc, u"kept.cnc", newer);
  doc.ListKindsWithData(kinds);
  EXPECT_TRUE(kinds.none());
  ExpectSameDocument(doc, newer);
  newer.ListKindsWithData(kinds);
  EXPECT_TRUE(kinds.none());  // a document just read holds nothing unsaved
}

// --- merging ---------------------------------------------------------------------------------------

TEST_F(DocumentIntegration, MergingAddsTheOthersRowsAndNotesAndKeepsItsEntriesSound) {
  TIntegrationDocument a;
  FillDocument(a, tmp, u"M", 6);
  // The other document is read from its file, as the merge command does; one text of it is a
  // text of a too.
  auto b = std::make_unique<TIntegrationDocument>();
  {
    TIntegrationDocument made;
    FillDocument(made, tmp, u"N", 5);
    AddStatsRow(made, a.stats.GetEntryFullFilename(0), 100, 1);
    made.stats.ComputeTotalWordStats();
    SaveAndRead(made, u"other.cnc", *b);
  }
  ASSERT_EQ(b->words.At(0)->JoinedCount(), 1);  // its joined form belongs to its head

  const int words_a = a.words.Count(), words_b = b->words.Count();
  const std::vector<UString> notes_a = a.fNotes.Lines(), notes_b = b->fNotes.Lines();
  const int32_t running_a = a.stats.Overall_stats.data.running_words;
  int32_t running_new = 0;
  for (int i = 0; i < 3; ++i) running_new += b->stats.Row(i)->fdata.data.running_words;

  TListKindSet kinds;
  a.SetLastMainToolFile(false);
  ASSERT_TRUE(a.MergeWith(*b, u"other.cnc"));
  a.ListKindsWithData(kinds);
  EXPECT_TRUE(kinds.test(kListWordList));
  EXPECT_TRUE(kinds.test(kListStatistics));
  EXPECT_EQ(a.words.Count(), words_a + words_b);
  EXPECT_EQ(b->words.Count(), 0);
  EXPECT_EQ(a.stats.Count(), 6);  // the shared text once
  EXPECT_EQ(a.stats.Overall_stats.data.running_words, running_a + running_new);
  EXPECT_EQ(a.stats.Overall_stats.data.types, a.words.Count());
  EXPECT_EQ(a.chosen.FileCount(), 6);
  ASSERT_EQ(a.fNotes.Count(), static_cast<int>(notes_a.size() + 1 + notes_b.size()));
  std::vector<UString> notes = notes_a;
  notes.push_back(a.fNotes[static_cast<int>(notes_a.size())]);
  notes.insert(notes.end(), notes_b.begin(), notes_b.end());
  EXPECT_EQ(a.fNotes.Lines(), notes);
  EXPECT_NE(notes[notes_a.size()].find(u"other.cnc"), UString::npos);
  ExpectEntriesBelongTo(a);

  // The other document is gone; what came from it is this one's now.
  const std::vector<std::string> rows = WordRows(a.words);
  b.reset();
  TIntegrationDocument back;
  SaveAndRead(a, u"merged.cnc", back);
  EXPECT_EQ(WordRows(back.words), rows);
  ExpectSameDocument(a, back);
}

TEST_F(DocumentIntegration, MergingAnEightBitDocumentConvertsItInItsOwnCodePage) {
  TIntegrationDocument a;
  a.words.AddWord(u"\u00E9t\u00E9", 2);
  // The other document is read from its file, with a form joined under its head.
  std::vector<uint8_t> other_bytes;
  {
    TIntegrationDocument made;
    MakeCyrillic(made, {{"\xEC\xE8\xF0", 5}, {"\xEC\xE8\xF0\xE0", 1}});
    ASSERT_TRUE(made.words.Join(0, 1, false));
    other_bytes = SavedBytes(made);
  }
  TIntegrationDocument b;
  ASSERT_TRUE(ReadBytes(b, other_bytes));
  ASSERT_FALSE(b.Unicode());
  ASSERT_TRUE(a.MergeWith(b, u"cyrillic.cnc"));
  ASSERT_EQ(a.words.Count(), 2);
  EXPECT_TRUE(a.Unicode());
  EXPECT_FALSE(a.words.At(1)->eight_bit);
  EXPECT_EQ(a.words.At(1)->word, u"\u043C\u0438\u0440");
  ASSERT_EQ(a.words.At(1)->JoinedCount(), 1);
  EXPECT_EQ(JoinedWord(a.words, 1), u"\u043C\u0438\u0440\u0430");
  ExpectEntriesBelongTo(a);
  ExpectWordsSurviveASave(a);

  // Documents refuse to merge with themselves and with other kinds of document.
  EXPECT_FALSE(a.MergeWith(a, u"self"));
  TTestDocument other_kind;
  EXPECT_FALSE(a.MergeWith(other_kind, u"other kind"));
}

// --- batches -------------------------------------------------------------------------------------------

// The results of a batch run: one document per text, each made from that text alone.
class BatchDocuments : public DocumentIntegration {
 protected:
  void SetUp() override {
    DocumentIntegration::SetUp();
    Global_batch_mode = 1;
    Global_BatchProcedures.BatchRootFolder = tmp.Path() + u"batch";
    Global_BatchProcedures.keep_file_dates = true;
  }

  // Saves the result of text index of a run of total texts.
  void SaveResult(int32_t index, int32_t total, int32_t words = 0) {
    TIntegrationDocument doc;
    const UString text = tmp.Write(u"corpus/text" + IntToUStr(index) + u".txt", "words of text");
    doc.StartStandardNotes(index + 1, 0, u"", u"");
    if (words == 0) words = index % 5 + 1;
    for (int i = 0; i < words; ++i) doc.words.AddWord(u"w" + IntToUStr(index) + u"_" + IntToUStr(i), i + 1);
    AddStatsRow(doc, text, index + 1, static_cast<uint32_t>(index));
    doc.chosen.ToolAddAFile(text);
    TDateTime date = 0;
    EXPECT_TRUE(TryEncodeDateTime(2020, 1, 1 + index % 28, 12, 0, 0, date));
    EXPECT_TRUE(doc.BatchSaveToTempDir(text, index, date, total));
    saved_[u"text" + IntToUStr(index) + u".cnc"] = WordRows(doc.words);
  }

  // Reads every member of the archive as a document straight from the archive.
  void ExpectArchiveHoldsTheResults(const UString& zip_name, size_t expected_members) {
    TZipForge zip;
    zip.SetFileName(zip_name);
    ASSERT_TRUE(zip.OpenArchive(TZipOpenMode::Read)) << Utf16ToUtf8(zip.LastError());
    EXPECT_EQ(zip.GetFileComment(), "Tessor Batch file .cnc");
    ASSERT_EQ(zip.Members().size(), expected_members);
    for (const TZipMemberInfo& m : zip.Members()) {
      SCOPED_TRACE(Utf16ToUtf8(m.name));
      auto it = saved_.find(m.name);
      ASSERT_NE(it, saved_.end());
      std::unique_ptr<TZipMemberStream> in = zip.OpenMemberStream(m.index);
      ASSERT_TRUE(in);
      TIntegrationDocument doc;
      ASSERT_TRUE(ReadFrom(doc, *in));
      EXPECT_EQ(in->Position(), in->Size());
      EXPECT_EQ(WordRows(doc.words), it->second);
      ASSERT_EQ(doc.stats.Count(), 1);
      EXPECT_EQ(ExtractFileName(doc.stats.GetEntryFullFilename(0)), ChangeFileExt(m.name, u".txt"));
      ASSERT_GE(doc.fNotes.Count(), 2);
      EXPECT_EQ(doc.fNotes[1].substr(0, 2), u"# ");
      ++read_;
    }
  }
  UString Batch(UStringView name) const { return tmp.Path() + u"batch/" + UString(name); }

  std::map<UString, std::vector<std::string>> saved_;
  size_t read_ = 0;
};

TEST_F(BatchDocuments, ASmallRunIsZippedInOneGoAndEveryResultReadsBackFromTheArchive) {
  // The last result is large: the archive's member stream reads it through its window.
  for (int32_t i = 0; i < 3; ++i) SaveResult(i, 3, i == 2 ? 30000 : 0);
  EXPECT_GT(FileSizeU(Batch(u"text2.cnc")), 512 * 1024);
  TDateTime date = 0;
  ASSERT_TRUE(TryEncodeDateTime(2020, 1, 2, 12, 0, 0, date));
  EXPECT_NEAR(FileDateTime(Batch(u"text1.cnc")), date, 1.0 / 86400 * 2);
  const std::vector<uint8_t> saved_bytes = FileBytes(Batch(u"text2.cnc"));

  ASSERT_TRUE(TIntegrationDocument().BatchZipFromTempDir(u".cnc", u"run_%s", 3));
  ExpectArchiveHoldsTheResults(Batch(u"run_cnc.zip"), 3);
  EXPECT_EQ(read_, 3u);

  // The member is the file as saved, byte for byte.
  TZipForge zip;
  zip.SetFileName(Batch(u"run_cnc.zip"));
  ASSERT_TRUE(zip.OpenArchive(TZipOpenMode::Read));
  TMemoryStream member;
  ASSERT_TRUE(zip.ExtractToStream(zip.FindMember(u"text2.cnc"), member));
  EXPECT_EQ(member.Data(), saved_bytes);
}

TEST_F(BatchDocuments, TextsOfTheSameNameInDifferentFoldersKeepTheirOwnResultsInTheArchive) {
  // A corpus of years, each with its own "01.txt": two of them land in different subfolders.
  for (int32_t index : {5, 700}) {
    const UString text = tmp.Write(u"corpus/" + IntToUStr(2000 + index) + u"/01.txt", "words");
    TIntegrationDocument doc;
    doc.words.AddWord(u"from " + IntToUStr(index), index);
    ASSERT_TRUE(doc.BatchSaveToTempDir(text, index, 0, 1000));
  }
  ASSERT_TRUE(TIntegrationDocument().BatchZipFromTempDir(u".cnc", u"years", 1000));

  TZipForge zip;
  zip.SetFileName(Batch(u"years.zip"));
  ASSERT_TRUE(zip.OpenArchive(TZipOpenMode::Read));
  std::set<UString> names;
  std::set<int32_t> found;
  for (const TZipMemberInfo& m : zip.Members()) {
    names.insert(m.name);
    std::unique_ptr<TZipMemberStream> in = zip.OpenMemberStream(m.index);
    ASSERT_TRUE(in);
    TIntegrationDocument doc;
    ASSERT_TRUE(ReadFrom(doc, *in));
    ASSERT_EQ(doc.words.Count(), 1);
    found.insert(doc.words.At(0)->freq);
  }
  // Each result can be taken out of the archive on its own.
  EXPECT_EQ(names, (std::set<UString>{u"01.cnc", u"01_2.cnc"}));
  EXPECT_EQ(found, (std::set<int32_t>{5, 700}));
}

TEST_F(BatchDocuments, AHugeRunGetsOneArchivePerFolderAndEachReadsBack) {
  for (int32_t i : {3, 600, 1100}) SaveResult(i, 70000);
  ASSERT_TRUE(TIntegrationDocument().BatchZipFromTempDir(u".cnc", u"huge", 70000));
  for (int n = 0; n < 3; ++n) ExpectArchiveHoldsTheResults(Batch(u"huge.zip" + IntToUStr(n)), 1);
  EXPECT_EQ(read_, 3u);
}

// --- chosen texts between tools --------------------------------------------------------------------------

// The suite's temporary folder of one test, so that no other test's hand-over meets this one.
class ScopedTempDir {
 public:
  explicit ScopedTempDir(const UString& folder) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    setenv("TMPDIR", Utf16ToUtf8(folder).c_str(), 1);
  }
  ~ScopedTempDir() {
    if (old_) setenv("TMPDIR", old_->c_str(), 1);
    else unsetenv("TMPDIR");
  }

 private:
  std::optional<std::string> old_;
};

TEST_F(DocumentIntegration, ChosenTextsGoFromOneToolToAnotherThroughTheTemporaryFile) {
  TempFolder suite_temp;
  ScopedTempDir temp_dir(suite_temp.Path());
  ASSERT_EQ(GetTempFolder().substr(0, suite_temp.Path().size()), suite_temp.Path());

  // The concordancer's result, with texts in folders and in a zip archive.
  current_tool_var = kToolConcordancer;
  TIntegrationDocument conc(kToolConcordancer);
  FillDocument(conc, tmp, u"H");
  const UString archive =
      MakeZip(tmp.Path() + u"texts_H/packed.zip", {{u"in/one.txt", "text"}, {u"in/two.txt", "text"}, {u"three.txt", "text"}});
  ASSERT_TRUE(conc.chosen.ToolAddAFile(archive));
  // The folder's three texts are chosen already: only the archive's three members come in.
  ASSERT_EQ(conc.chosen.AddedFolderContents(tmp.Path() + u"texts_H/", u"*.txt", true, true), 3);
  ASSERT_TRUE(conc.chosen.SavedToTempFile());
  EXPECT_EQ(conc.chosen.TempFilename(), GetTempFolder() + Tool_Name(kToolConcordancer) + u".chosen_texts");

  // The word lister picks them up from the file named after the concordancer, counts the
  // archive's members as texts, and opens a text inside the archive as any other.
  current_tool_var = kToolWordLister;
  TVXFileDetails received(false, kToolConcordancer);
  ASSERT_TRUE(received.LoadedChosenFromTempFile());
  ExpectSameChosen(conc.chosen, received);
  TIntegrationDocument list(kToolWordLister);
  list.CheckAllFnamesForZippedEntries(received);
  EXPECT_EQ(list.NumberOfTextsToProcess, 2);  // three members where one archive was counted
  int32_t member = 0;
  while (member < received.FileCount() && received.fFiles.Item(member)->data.zip_member == 0) ++member;
  const UString opened = received.TempFilewithZipOpened(member);
  EXPECT_EQ(ReadAll(opened), "text");
  DeleteFileU(opened);

  // Its own document keeps them; the concordancer cannot open it, the word lister can.
  list.chosen.CopyFrom(received);
  list.chosen.fNotes.SetText(received.fNotes.Text());
  const UString list_file = tmp.Path() + u"list.cnc";
  ASSERT_TRUE(list.SaveToFile(list_file, 0, 0, 0));
  TIntegrationDocument list_back(kToolWordLister), wrong_tool;
  ASSERT_TRUE(list_back.ReadWholeFromFile(list_file, kToolWordLister).first);
  ExpectSameChosen(conc.chosen, list_back.chosen);
  EXPECT_FALSE(wrong_tool.ReadWholeFromFile(list_file, kToolConcordancer).first);
}

}  // namespace
