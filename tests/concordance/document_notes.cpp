// The notes a concordance document writes and its per-text details file.
#include <gtest/gtest.h>

#include <algorithm>

#include "document_test_support.h"
#include "platform/rtl/files.h"
#include "platform/runtime/julian_periods.h"
#include "platform/runtime/vx_resources.h"

using namespace document_test;

namespace {

struct TCorpus : TTextFolder {
  TCorpus()
      : TTextFolder({{u"a.txt", "the old man and the sea. the dog ran. old times."},
                     {u"b.txt", "a dog and an old cat."},
                     {u"e.txt", "nothing here at all."}}) {}
};

// Index of the first note equal to tab + text at or after `from`; -1 when none.
int NoteAt(const T_WholeLinzoraHolder& doc, UStringView text, int from = 0) {
  const auto& lines = doc.fNotes.Lines();
  for (size_t i = static_cast<size_t>(from); i < lines.size(); ++i)
    if (lines[i] == UString(u"\t") + UString(text)) return static_cast<int>(i);
  return -1;
}

UString Found(TVXRes what, int n) { return VXResFmt(TVXRes::VXFunctionNFound, {VXRes(what), IntToUStr(n)}); }

UString PerWord(int hits, UStringView word, int percent) {
  return VXResFmt(TVXRes::VXNmanyXFoundForXPercent,
                  {IntToUStr(hits), VXRes(TVXRes::VXEntries), word, IntToUStr(percent)});
}

// A run over the corpus whose details file goes beside a saved document.
struct TRunScene {
  ScopedSettings settings;
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"old\ndog"});
  TRunScene() {
    if (run.doc) run.doc->SourceTextFilename = corpus.tmp.Write(u"run.cnc", "x");
  }
};

UString FileText(const UString& name) {
  auto f = TFileStream::Open(name, TFileMode::OpenRead);
  if (!f) return {};
  std::string bytes(static_cast<size_t>(f->Size()), '\0');
  f->ReadExact(bytes.data(), static_cast<int64_t>(bytes.size()));
  if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE') return u"(no byte-order mark)";
  UString text((bytes.size() - 2) / 2, u'\0');
  std::memcpy(text.data(), bytes.data() + 2, text.size() * 2);
  return text;
}

struct TEdited {
  static inline UString file, folder;
  static inline int calls = 0;
  static void Hook(const UString& f, const UString& d) {
    file = f;
    folder = d;
    ++calls;
  }
};

}  // namespace

TEST(ConcordanceNotes, SearchWordResultsInOrderAfterTheSettings) {
  ScopedSettings settings;
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"old\ndog", u"", u"", 2});
  ASSERT_TRUE(run.found);
  const T_WholeLinzoraHolder& doc = *run.doc;
  ASSERT_EQ(doc.fConcordanceList->Count(), 4);
  // Settings notes in their order.
  const int saved = NoteAt(doc, VXResFmt(TVXRes::VXNmanyCharactersSavedPerEntry, {IntToUStr(doc.fSettings.CharactersPerLine())}));
  const int clusters = NoteAt(doc, VXResFmt(TVXRes::VXXWordClusters, {IntToUStr(doc.fSettings.ClusterSizeMin()),
                                                                      IntToUStr(doc.fSettings.ClusterSizeMax())}));
  const int form = NoteAt(doc, VXRes(TVXRes::VXUnicode));
  const int collocates = NoteAt(doc, u"\t" + Found(TVXRes::VXCollocates, doc.fCollocateList->Count()), form);  // a sub-line
  const int timelines = NoteAt(doc, Found(TVXRes::VXTimelines, doc.fTimeLineList->Count()), form);
  // Then what the run found: the count, the limit met (2 wanted per word), each word in order.
  const int count = NoteAt(doc, Found(TVXRes::VXConcordance, 4), timelines);
  const int limit = NoteAt(doc, VXResFmt(TVXRes::VXXReachedYourPresetLimitsY, {VXRes(TVXRes::VXEntries), u"4"}), count);
  const int old_note = NoteAt(doc, PerWord(2, u"old", 50), limit);
  const int dog_note = NoteAt(doc, PerWord(2, u"dog", 50), old_note);
  const std::vector<int> order = {saved, clusters, form, collocates, timelines, count, limit, old_note, dog_note};
  for (size_t i = 0; i < order.size(); ++i) EXPECT_GE(order[i], 0) << i << "\n" << Utf16ToUtf8(doc.fNotes.Text());
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << doc.fNotes.Text().size();
}

// A view computed after the run: its "found" line takes the new count (the user's own lines stay)
// and, once the time-line has rows, one line says which date of each text its periods go by.
TEST(ConcordanceNotes, ViewCountsFollowTheListsAndTheTimelineNamesItsDates) {
  ScopedSettings settings;
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"old\ndog"});
  ASSERT_TRUE(run.found);
  T_WholeLinzoraHolder& doc = *run.doc;
  const UString dates = u"\tTime-line periods: year, by each text's date (the day its file was last changed)";
  auto count_of = [&](UStringView line) {
    return std::count(doc.fNotes.Lines().begin(), doc.fNotes.Lines().end(), UString(line));
  };
  doc.fNotes.Add(u"my own note: Time-lines: 7 found");
  SetTimeLinePlotBase(kTimeBaseUndefined);
  doc.UpdateViewNotes();
  EXPECT_EQ(count_of(dates), 0);
  EXPECT_EQ(count_of(u"\t" + Found(TVXRes::VXTimelines, 0)), 1);

  SetTimeLinePlotBase(kTimeBaseYear);
  ASSERT_TRUE(doc.fTimeLineList->Compute(false));
  ASSERT_EQ(doc.fTimeLineList->Count(), 2);
  doc.fClusterList->Clear();
  for (int pass = 0; pass < 2; ++pass) {  // a second update changes nothing
    doc.UpdateViewNotes();
    EXPECT_EQ(count_of(u"\t" + Found(TVXRes::VXTimelines, 2)), 1) << pass;
    EXPECT_EQ(count_of(u"\t" + Found(TVXRes::VXTimelines, 0)), 0) << pass;
    EXPECT_EQ(count_of(u"\t" + Found(TVXRes::VXClusters, 0)), 1) << pass;
    EXPECT_EQ(count_of(dates), 1) << pass;
    const int timelines = NoteAt(doc, Found(TVXRes::VXTimelines, 2));
    EXPECT_EQ(NoteAt(doc, dates.substr(1)), timelines + 1) << pass;
    EXPECT_EQ(count_of(u"my own note: Time-lines: 7 found"), 1) << pass;
  }
  // A time-line cleared again takes its dates line away.
  doc.fTimeLineList->Clear();
  doc.UpdateViewNotes();
  EXPECT_EQ(count_of(dates), 0);
}

// Text ends read as sentences: found automatically, marked by a marker, or not marked.
TEST(ConcordanceNotes, TextEndsReadAsSentences) {
  ScopedSettings settings;
  TTextsett_rec32 text = GetTextSettings();
  text.SetMarkerText(TTextsett_rec32::kFirstMarker + 2, u"<p>");
  SetTextSettings(text);
  auto doc = NewDocument();
  doc->AddTextSettingsNotes();
  const UString notes = doc->fNotes.Text();
  for (UStringView line : {u"\tParagraph start marked by <p>\n", u"\tParagraph end not marked\n",
                           u"\tSection start not marked\n"})
    EXPECT_NE(notes.find(line), UString::npos) << Utf16ToUtf8(line) << Utf16ToUtf8(notes);
  EXPECT_EQ(notes.find(u"marked by not marked"), UString::npos);
  EXPECT_EQ(notes.find(u"marked by auto"), UString::npos);
}

TEST(ConcordanceNotes, NoLinesGiveTheCountButNoLimitOrWordNotes) {
  ScopedSettings settings;
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"zebra"});
  auto& doc = *run.doc;
  ASSERT_EQ(doc.fConcordanceList->Count(), 0);
  doc.fNotes.Clear();
  doc.AddNotesOnSWResults();
  EXPECT_EQ(doc.fNotes.Lines(), (std::vector<UString>{u"\t" + Found(TVXRes::VXConcordance, 0)}));
}

TEST(ConcordanceNotes, MinimalProcessingEndsTheSettingsNotesAndNamesNoView) {
  ScopedSettings settings;
  SetFastMinimalProcessing(current_tool_var, true);
  auto doc = NewDocument();
  doc->AddTextSettingsNotes();
  const auto& lines = doc->fNotes.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), u"\t" + VXRes(TVXRes::VXMinimalProcessing));
  EXPECT_EQ(doc->fNotes.Text().find(VXRes(TVXRes::VXCollocates)), UString::npos);
  EXPECT_EQ(doc->fNotes.Text().find(VXRes(TVXRes::VXPatterns)), UString::npos);
  SetFastMinimalProcessing(current_tool_var, false);
}

TEST(ConcordanceNotes, DetailsFileIsTabbedUtf16AndGoesToTheEditor) {
  TRunScene scene;
  ASSERT_TRUE(scene.run.found);
  TCorpus& corpus = scene.corpus;
  T_WholeLinzoraHolder& doc = *scene.run.doc;
  TDocumentHooks hooks = DocumentHooks();
  const TDocumentHooks before = hooks;
  hooks.try_to_edit = &TEdited::Hook;
  SetDocumentHooks(hooks);
  TEdited::calls = 0;
  const bool ok = doc.CopyFilenameDetailsToNotepad(u"", false);
  SetDocumentHooks(before);
  ASSERT_TRUE(ok);
  ASSERT_EQ(TEdited::calls, 1);
  EXPECT_EQ(ExtractFilePath(TEdited::file), corpus.tmp.Path());
  EXPECT_EQ(TEdited::folder, GetDefaultFolder(current_tool_var));
  const UString expected = u"\"" + doc.fSearchWords.AllTypedSearchWordsAsOne() + u"\"\n" + corpus.names[0] +
                           u"\t3\t11\n" + corpus.names[1] + u"\t2\t6\n" + corpus.names[2] + u"\t0\t4\n";
  EXPECT_EQ(FileText(TEdited::file), expected);
  // A later note names the file.
  EXPECT_NE(doc.fNotes.Text().find(TEdited::file), UString::npos);
}

TEST(ConcordanceNotes, DetailsWithoutRebuildLeaveTheTextListsAlone) {
  TRunScene scene;
  ASSERT_TRUE(scene.run.found);
  T_WholeLinzoraHolder& doc = *scene.run.doc;
  // The lines of b.txt go; only a rebuild moves its row to the unused texts.
  for (int i = doc.fConcordanceList->Count() - 1; i >= 0; --i)
    if (UString(doc.fConcordanceList->Line(i)->Text()).find(u"cat") != UString::npos) doc.fConcordanceList->Remove(i);
  const int32_t unused = doc.fUnusedFiles.Count();
  ASSERT_TRUE(doc.CopyFilenameDetailsToNotepad(u"", false));
  EXPECT_EQ(doc.fUnusedFiles.Count(), unused);
  ASSERT_TRUE(doc.CopyFilenameDetailsToNotepad(u"", true));
  EXPECT_EQ(doc.fUnusedFiles.Count(), unused + 1);
}

TEST(ConcordanceNotes, HowTheTextsWereTakenComesFromTheRunAndMixedFormatsAreSaid) {
  const std::string utf8 = "\xEF\xBB\xBF" "an old caf\xC3\xA9.";
  struct TCase {
    std::string first, second;
    bool mixed, says_utf8;
  } cases[] = {
      {"the old man.", "an old dog.", false, false},
      {utf8, utf8, false, true},
      {"the old man.", utf8, true, false},  // the first text gives the kind, the second differs
      {utf8, "the old man.", true, true},
  };
  for (const TCase& c : cases) {
    ScopedSettings settings;
    TTextFolder corpus({{u"a.txt", c.first}, {u"b.txt", c.second}});
    TRunDone run = RunConcordance({corpus.names, u"old"});
    ASSERT_NE(run.doc, nullptr);
    ASSERT_EQ(run.doc->fConcordanceList->Count(), 2);
    SCOPED_TRACE(c.first + " / " + c.second);
    EXPECT_EQ(NoteAt(*run.doc, VXRes(TVXRes::VXMixedTextFormats)) >= 0, c.mixed);
    EXPECT_EQ(NoteAt(*run.doc, VXRes(TVXRes::VXUTF8)) >= 0, c.says_utf8);
  }
}
