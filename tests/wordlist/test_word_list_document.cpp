#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <random>

#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"
#include "support/temp_folder.h"
#include "wordlist/detailed_consist.h"
#include "wordlist/relationships_list.h"
#include "wordlist/word_list_document.h"

namespace {

class WordListDocument : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
  }
  static std::unique_ptr<T_WholeWordlistHolder> NewDoc(TTessorineList kind = kListWordList) {
    return std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kind, false, false, nullptr, nullptr);
  }
  static void Fill(T_WholeWordlistHolder& doc) {
    doc.Words().AddRow({2, 10, 0.5f, u"CAT", u"", u""});
    doc.Words().AddRow({1, 3, 0.0f, u"DOG", u"", u""});
    TOne_text_stats_rec rec;
    rec.name = u"/texts/a.txt";
    doc.Stats().Add(new TStatsEntry(rec, false, &doc.Stats()));
    TKeywordRecord k{};
    k.frequency = 10;
    k.keyness = 6.9f;
    doc.Keywords().AddRow(k, u"CAT");
    doc.Keywords().KWSettings.SetMaxKeywordsWanted(500);
    doc.fColours[5] = 0x42;
    doc.fNotes.Add(u"made by hand");
  }
  // The first `size` bytes into a file of the test's folder, written over what it held and cut
  // there. A damaged copy needs none of a save's care: a safe save's sync for each of hundreds
  // of copies, or a new file for each (the file system then hunts for an inode not freed a
  // moment ago), would make up nearly all of the test's time. Not cut to nothing first: a file
  // emptied and written again is flushed to the disk when it is closed.
  UString WritePlainly(UStringView name, const std::vector<uint8_t>& bytes, size_t size) const {
    const UString path = tmp.Path() + UString(name);
    const int fd = ::open(Utf16ToUtf8(path).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::pwrite(fd, bytes.data(), size, 0), static_cast<ssize_t>(size));
    EXPECT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
    ::close(fd);
    return path;
  }
  static std::string Words(T_WholeWordlistHolder& doc) {
    std::string out;
    for (int i = 0; i < doc.Words().Count(); ++i)
      out += (i ? " " : "") + Utf16ToUtf8(doc.Words().Row(i)->data.word) + "/" +
             std::to_string(doc.Words().Row(i)->data.frequency);
    return out;
  }
  TempFolder tmp;
};

TEST_F(WordListDocument, SavedAndReadBack) {
  for (TTessorineList kind : {kListWordList, kListKeywords}) {
    auto doc = NewDoc(kind);
    Fill(*doc);
    const UString file = tmp.Path() + u"list" + IntToUStr(kind) + u".lst";
    ASSERT_TRUE(doc->SaveToFile(file, 0, 0, 0)) << kind;
    auto back = NewDoc();
    ASSERT_TRUE(back->ReadWholeFromFile(file, kToolConcordancer).first) << kind;
    EXPECT_EQ(back->ListKind, kind);
    if (kind == kListWordList) {
      EXPECT_EQ(Words(*back), "CAT/10 DOG/3");
      EXPECT_EQ(back->Stats().Count(), 1);
      EXPECT_EQ(back->Words().CellText(0, kWLColWord, kDisplayByFrequency), u"CAT");
    }
    ASSERT_EQ(back->Keywords().Count(), 1);
    EXPECT_EQ(back->Keywords().Row(0)->word, u"CAT");
    EXPECT_EQ(back->Keywords().KWSettings.MaxKeywordsWanted(), 500);
    EXPECT_EQ(back->fColours[5], 0x42);
    EXPECT_EQ(back->fNotes.Count(), 1);
    EXPECT_FALSE(back->BusyDontShowData());
    // Saved again, the file is the same.
    const UString again = tmp.Path() + u"again" + IntToUStr(kind) + u".lst";
    ASSERT_TRUE(back->SaveToFile(again, 0, 0, 0));
    TMemoryStream a, b;
    ASSERT_TRUE(a.LoadFromFile(file));
    ASSERT_TRUE(b.LoadFromFile(again));
    EXPECT_EQ(a.Size(), b.Size());
  }
}

TEST_F(WordListDocument, DamagedFilesAreRefusedAndTheDocumentKept) {
  auto doc = NewDoc();
  Fill(*doc);
  const UString file = tmp.Path() + u"good.lst";
  ASSERT_TRUE(doc->SaveToFile(file, 0, 0, 0));
  TMemoryStream good;
  ASSERT_TRUE(good.LoadFromFile(file));
  const std::vector<uint8_t> bytes = good.Data();

  auto target = NewDoc();
  target->Words().AddRow({1, 7, 0.0f, u"KEEP", u"", u""});
  auto check_kept = [&](const char* what, size_t at) {
    EXPECT_EQ(Words(*target), "KEEP/7") << what << " " << at;
    EXPECT_EQ(target->ListKind, kListWordList);
    EXPECT_FALSE(target->BusyDontShowData());
  };
  // Every cut.
  for (size_t cut = 0; cut < bytes.size(); cut += (cut < 700 ? 1 : 7)) {
    const UString bad = WritePlainly(u"bad.lst", bytes, cut);
    EXPECT_FALSE(target->ReadWholeFromFile(bad, kToolConcordancer).first) << cut;
    check_kept("cut", cut);
  }
  EXPECT_NE(target->LastFailure().find(u"bad.lst"), UString::npos);
  // Garbled bytes: never a crash; a read that succeeds is a whole document.
  std::mt19937 rng(7);
  for (int round = 0; round < 2000; ++round) {
    std::vector<uint8_t> g = bytes;
    const int changes = 1 + static_cast<int>(rng() % 8);
    for (int k = 0; k < changes; ++k) g[57 + rng() % (g.size() - 57)] = static_cast<uint8_t>(rng());
    TMemoryStream s(g);
    auto fresh = NewDoc();
    (void)fresh->ReadWholeFromStream(s);
    EXPECT_FALSE(fresh->BusyDontShowData());
  }
}

// A Russian list of 8-bit text (code page 1251), cut anywhere after its header, read into an
// English document of UTF-16 text: the document keeps its language, code page and text width,
// so that its Russian words still save whole.
TEST_F(WordListDocument, AFailedReadLeavesLanguageCodePageAndTextWidthAsTheyWere) {
  auto set_language = [](T_WholeWordlistHolder& doc, int32_t lcid, uint16_t code_page, const char16_t* name) {
    Tfixed_lang_details32 l = doc.TextSettings().Language();
    l.SetLCID(lcid);
    l.SetWindowsCodePage(code_page);
    l.SetLanguageName(name);
    doc.SetTextSettings_Language(l);
  };
  auto russian = NewDoc();
  Fill(*russian);
  set_language(*russian, 0x0419, 1251, u"Russian");
  russian->SetUnicode(false);
  russian->Words().AddRow({1, 4, 0.0f, u"\u0416\u0418\u0417\u041D\u042C", u"", u""});
  TMemoryStream file;
  ASSERT_TRUE(russian->StartSaveToFile(file, u"ru.lst", 0, 0, 96) && russian->SaveToStream(file));
  const std::vector<uint8_t> bytes = file.Data();

  auto target = NewDoc();
  set_language(*target, 0x0409, 1252, u"English");
  target->Words().AddRow({1, 7, 0.0f, u"\u0416\u0418\u0417\u041D\u042C", u"", u""});
  target->SourceTextFilename = tmp.Path() + u"held.lst";
  auto saved = [](T_WholeWordlistHolder& doc) {
    TMemoryStream m;
    EXPECT_TRUE(doc.StartSaveToFile(m, u"x.lst", 0, 0, 96) && doc.SaveToStream(m));
    return m.Data();
  };
  (void)saved(*target);  // the first save raises the versions it writes (and marks the settings saved)
  const std::vector<uint8_t> before = saved(*target);
  const TTextsett_rec32 en = target->TextSettings();
  auto check_kept = [&](size_t cut) {
    EXPECT_EQ(target->LCID(), 0x0409) << cut;
    EXPECT_EQ(target->CodePage(), 1252) << cut;
    EXPECT_TRUE(target->Unicode()) << cut;
    EXPECT_EQ(std::memcmp(target->TextSettings().bytes, en.bytes, sizeof en.bytes), 0) << cut;
    EXPECT_EQ(target->ListKind, kListWordList) << cut;
    EXPECT_EQ(target->SourceTextFilename, tmp.Path() + u"held.lst") << cut;
    EXPECT_EQ(saved(*target), before) << cut;
  };
  // Every list is the word lister's file, whichever tool reads it.
  auto read_stream = [&](TStream& s) {
    return ReadAndCheckSignature(s, target->fCheck, kToolWordLister) && target->ReadWholeFromStream(s);
  };
  for (size_t cut = 57; cut < bytes.size(); ++cut) {
    TMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(cut)));
    ASSERT_FALSE(read_stream(s)) << cut;
    check_kept(cut);
  }
  // By file too, cut after the text settings and after the words.
  for (const size_t cut : {bytes.size() / 2, bytes.size() - 1}) {
    const UString bad = WritePlainly(u"cut.lst", bytes, cut);
    EXPECT_FALSE(target->ReadWholeFromFile(bad, kToolConcordancer).first) << cut;
    check_kept(cut);
  }
  // The whole list is taken over, language, code page and width with it.
  TMemoryStream whole(bytes);
  ASSERT_TRUE(read_stream(whole));
  EXPECT_EQ(target->LCID(), 0x0419);
  EXPECT_EQ(target->CodePage(), 1251);
  EXPECT_FALSE(target->Unicode());
  EXPECT_EQ(Words(*target), "CAT/10 DOG/3 \xD0\x96\xD0\x98\xD0\x97\xD0\x9D\xD0\xAC/4");
}

TEST_F(WordListDocument, MergingAddsUpEqualWords) {
  auto a = NewDoc();
  auto b = NewDoc();
  a->Words().AddRow({1, 5, 0.0f, u"CAT", u"", u""});
  a->Words().AddRow({1, 2, 0.0f, u"ZEBRA", u"", u""});
  b->Words().AddRow({2, 3, 0.0f, u"CAT", u"", u""});
  b->Words().AddRow({1, 1, 0.0f, u"ANT", u"", u""});
  ASSERT_TRUE(a->MergeWith(*b, u"b.lst"));
  EXPECT_EQ(Words(*a), "ANT/1 CAT/8 ZEBRA/2");
  EXPECT_EQ(a->Words().Row(1)->data.n_texts, 3);
  EXPECT_EQ(a->Words().CellText(0, kWLColWord, kDisplayByFrequency), u"CAT");
  // A refused merge changes neither.
  auto c = NewDoc(kListKeywords);
  c->Words().AddRow({1, 1, 0.0f, u"OWL", u"", u""});
  EXPECT_FALSE(a->MergeWith(*c, u"c.lst"));
  EXPECT_EQ(Words(*a), "ANT/1 CAT/8 ZEBRA/2");
  EXPECT_EQ(Words(*c), "OWL/1");
  a->Words().SetListBusy(kBusySorting);
  auto d = NewDoc();
  d->Words().AddRow({1, 1, 0.0f, u"EEL", u"", u""});
  EXPECT_FALSE(a->MergeWith(*d, u"d.lst"));
  a->Words().SetListBusy(kBusyNone);
  EXPECT_EQ(Words(*d), "EEL/1");
}

TEST_F(WordListDocument, MakingADocumentLeavesTheStopStateAlone) {
  global_panic_state = kPanicEndOfText;
  auto doc = NewDoc();
  EXPECT_EQ(global_panic_state, kPanicEndOfText);
  global_panic_state = kPanicNone;
}

}  // namespace

namespace {

// A list's rows as "word=category" in list order; word(i) gives the word of row i.
template <typename F>
std::string CategoryRows(TVXBaseDataClass& list, int column, F word) {
  std::string out;
  for (int i = 0; i < list.Count(); ++i)
    out += (i ? " " : "") + Utf16ToUtf8(word(i)) + "=" + Utf16ToUtf8(list.Get(i)->GetAWordAsString(column));
  return out;
}

}  // namespace

TEST_F(WordListDocument, CategoriesAreSetSavedReadBackAndSortedOn) {
  // Each list of a word-list document, its set column and its "set" sort kind.
  auto words_doc = NewDoc();
  Fill(*words_doc);
  words_doc->Words().AddRow({1, 1, 0.0f, u"EMU", u"", u""});
  TKeywordRecord k{};
  words_doc->Keywords().AddRow(k, u"ANT");
  words_doc->Keywords().AddRow(k, u"BEE");
  auto dc_doc = NewDoc(kListDetailedConsistency);
  TDetailedConsistencyList& dc = dc_doc->DetailedConsistency();
  dc.SetNLists(1);
  for (const char16_t* w : {u"CAT", u"DOG", u"EMU"}) dc.AddRow({0, 0, 1, 1, {1}, w});
  auto rel_doc = NewDoc(kListRelationships);
  rel_doc->Relationships().SetSourceIndexFilename(u"/corpus/big");
  for (const char16_t* w : {u"CAT", u"DOG", u"EMU"}) rel_doc->Relationships().AddRow(TMutualInfoRec{}, w, u"X");

  struct Case {
    const char* what;
    T_WholeWordlistHolder* doc;
    std::function<TVXBaseDataClass&(T_WholeWordlistHolder&)> list;
    int column;
    int32_t set_kind;
  };
  const Case cases[] = {
      {"word list", words_doc.get(), [](T_WholeWordlistHolder& d) -> TVXBaseDataClass& { return d.Words(); },
       kWLColCategory, kWLSortSet},
      {"keyword list", words_doc.get(), [](T_WholeWordlistHolder& d) -> TVXBaseDataClass& { return d.Keywords(); },
       kKWColCategory, kKWSortSet},
      {"detailed consistency", dc_doc.get(),
       [](T_WholeWordlistHolder& d) -> TVXBaseDataClass& { return d.DetailedConsistency(); }, kDCColCategory,
       kDCSortSet},
      {"relationships", rel_doc.get(),
       [](T_WholeWordlistHolder& d) -> TVXBaseDataClass& { return d.Relationships(); }, kRelColCategory,
       RelatSort_by_category},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TVXBaseDataClass& list = c.list(*c.doc);
    ASSERT_EQ(list.PredefinedSetColumnNumber(), c.column);
    // The last row's category first in the order, the first row's last; the middle row's none.
    const int n = list.Count();
    list.Get(0)->SetAWordAsString(c.column, u"verb");
    list.Get(n - 1)->SetAWordAsString(c.column, u"Adjective");
    EXPECT_EQ(list.Get(0)->GetAWordAsString(c.column), u"verb");
    TGrid_data_rec cell;
    list.DrawgridDataRec(c.column, n, cell, 0);
    EXPECT_EQ(cell.text, u"Adjective");

    const UString file = tmp.Path() + Utf8ToUtf16(c.what) + u".lst";
    ASSERT_TRUE(c.doc->SaveToFile(file, 0, 0, 0));
    auto back = NewDoc();
    ASSERT_TRUE(back->ReadWholeFromFile(file, kToolConcordancer).first) << Utf16ToUtf8(back->LastFailure());
    TVXBaseDataClass& read = c.list(*back);
    ASSERT_EQ(read.Count(), n);
    auto word = [&](int i) { return read.Get(i)->MainWordOnly(); };
    const std::string stored = CategoryRows(read, c.column, word);
    EXPECT_NE(stored.find("=verb"), std::string::npos) << stored;
    EXPECT_NE(stored.find("=Adjective"), std::string::npos) << stored;

    // Sorted on the categories, in the language's order (case aside); no category first.
    read.Set1Sort(0, c.set_kind);
    read.SetSortAscending(0, true);
    ASSERT_TRUE(read.DoASort(1, 0, n - 1));
    const std::string sorted = CategoryRows(read, c.column, word);
    std::vector<UString> cats;
    for (int i = 0; i < n; ++i) cats.push_back(read.Get(i)->GetAWordAsString(c.column));
    EXPECT_EQ(cats.front(), u"") << sorted;
    EXPECT_EQ(cats[static_cast<size_t>(n - 2)], u"Adjective") << sorted;
    EXPECT_EQ(cats.back(), u"verb") << sorted;
    read.SetSortAscending(0, false);
    ASSERT_TRUE(read.DoASort(1, 0, n - 1));
    EXPECT_EQ(read.Get(0)->GetAWordAsString(c.column), u"verb");
  }
}
