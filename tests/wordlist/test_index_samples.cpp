// The bundled samples indexed (encodings, a zip member): the index reopens, gives the river
// concordance's 91 places and hands them on whole as a word-list tool's request; its files are
// refused by the concordancer as another tool's. Lemma joins looked up in an index.
#include <set>

#include "../model/text_reader_test_support.h"
#include "model/reading/chosen_texts_handover.h"
#include "platform/runtime/vx_dialogs.h"
#include "shell/files/file_recognition.h"
#include "wordlist/index_test_support.h"

namespace {

using namespace index_test;
using text_reader_test::ScopedSettings;

const UString kSamples = Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/";

class IndexOfSamples : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
    setenv("TMPDIR", Utf16ToUtf8(handover.Path()).c_str(), 1);
    ASSERT_EQ(chosen.AddedFolderContents(kSamples, u"*.txt", false, true), 10);  // nine files, one member
    for (int32_t i = 0; i < chosen.FileCount(); ++i) texts.push_back(chosen.GetFullFileDetails(i));
    auto doc = PlainDoc();
    base = tmp.Path() + u"samples";
    ASSERT_TRUE(BuildIndexOf(*doc, base, chosen, 4)) << Utf16ToUtf8(doc->LastFailure());
  }
  void TearDown() override { unsetenv("TMPDIR"); }
  ScopedSettings settings;
  TempFolder tmp, handover;
  TSharedChosenFilesClass chosen{false, nullptr, 1};
  std::vector<TChosenFileDetailsFullRec> texts;
  UString base;
};

TEST_F(IndexOfSamples, ReopensWithTheRiverConcordancesPlacesAndHandsThemOnWhole) {
  auto reader = PlainDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(base + u".types").first) << Utf16ToUtf8(reader->LastFailure());
  EXPECT_TRUE(reader->LastFailure().empty()) << Utf16ToUtf8(reader->LastFailure());
  EXPECT_EQ(reader->ListKind, kListIndexWordlist);
  TIndexHandler& index = *reader->IndexHandler();
  const TPlaces places = Places(*index.AllContextsOf(u"river"));
  ASSERT_EQ(places.size(), 91u);
  EXPECT_EQ(places, ConcordancePlaces(texts, u"river"));

  TTellLinzoraList request(kToolWordLister, kToolConcordancer);
  WriteIndexRequest(index, reader->Stats(), u"river", request);
  ASSERT_TRUE(request.SaveRequestFile()) << Utf16ToUtf8(request.Failure());
  TTellLinzoraList back(kToolWordLister, kToolConcordancer);
  ASSERT_TRUE(back.ReadRequestFile()) << Utf16ToUtf8(back.Failure());
  ASSERT_EQ(back.Count(), 1);
  ASSERT_NE(back.StatsList(), nullptr);
  EXPECT_EQ(back.StatsList()->Count(), 10);
  EXPECT_EQ(back.Item(0)->jumplist.holders.size(), 91u);
  const auto request_texts = back.SubSetOfOtherToolRequestFiles(back.Item(0)->jumplist);
  ASSERT_EQ(request_texts->FileCount(), 10);
  size_t jumps = 0;
  int members = 0;
  for (int32_t i = 0; i < request_texts->FileCount(); ++i) {
    const TChosenFileDetailsFullRec d = request_texts->GetFullFileDetails(i);
    jumps += d.rec.jumps ? d.rec.jumps->size() : 0;
    members += d.rec.zip_member > 0;
  }
  EXPECT_EQ(jumps, 91u);
  EXPECT_EQ(members, 1);  // the zip member is read as that member
}

TEST_F(IndexOfSamples, ItsFilesAreAnotherToolsForTheConcordancer) {
  for (const char16_t* ext : {u".tokens", u".types", u".stats"}) {
    SCOPED_TRACE(Utf16ToUtf8(ext));
    HeadlessDialogs().Clear();
    TVXStored_File_rec rec{base + ext};
    EXPECT_FALSE(CheckFileForTool(rec, kToolConcordancer));
    ASSERT_EQ(HeadlessDialogs().Asked().size(), 1u);
    EXPECT_EQ(HeadlessDialogs().Asked()[0].id, TVXDialog::WrongToolForFile);
    EXPECT_NE(HeadlessDialogs().Asked()[0].text.find(u"Word Lister"), UString::npos);
    // The word lister takes them (as the index's list type, or its statistics).
    TVXStored_File_rec own{base + ext};
    EXPECT_TRUE(CheckFileForTool(own, kToolWordLister));
  }
}

TEST_F(IndexOfSamples, LemmaJoinsAreLookedUpAndCountedInTheIndex) {
  auto doc = PlainDoc();
  TVXWordList& words = doc->Words();
  words.AddRow({1, 5, 0.0f, u"RIVER", u"", u""});
  words.AddRow({1, 2, 0.0f, u"RIVERS", u"", u""});
  words.AddRow({1, 1, 0.0f, u"ZZZ", u"", u""});
  words.AddRow({1, 1, 0.0f, u"MILL", u"", u""});
  ASSERT_TRUE(words.Join(0, 1, false));
  ASSERT_TRUE(words.Join(0, 2, false));
  ASSERT_TRUE(doc->CheckLemmasForConsistency(base));
  // RIVER and RIVERS occur in these texts of the samples (ZZZ nowhere): the lemma's texts.
  std::set<int32_t> in_texts;
  for (const char16_t* w : {u"river", u"rivers"}) {
    const auto contexts = doc->IndexHandler()->ListOfAllContextsToAWord(w);
    for (const TTokenAndPlaceRec& c : contexts->items) in_texts.insert(c.data.file_number);
  }
  EXPECT_EQ(words.Row(0)->data.n_texts, static_cast<int32_t>(in_texts.size()));
  EXPECT_EQ(words.Row(3)->data.n_texts, 1);  // not a head: as it was
  EXPECT_EQ(words.StoredListInfo().info.has_dispersion_data, 0);
  EXPECT_FALSE(PlainDoc()->CopyLemmasToIndex());  // no index
  EXPECT_FALSE(PlainDoc()->CheckLemmasForConsistency(tmp.Path() + u"none"));
}

}  // namespace
