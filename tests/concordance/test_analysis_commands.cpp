// The result pages' deriving commands without a window: clusters recomputed with the dialog's
// choices (case flag included) or left as they were, the time-line's undefined basis, the
// relationships' messages, the modify window's count, the source text of a line, a line's media
// with the full-name setting restored, following a collocate.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "../model/work_test_list.h"
#include "concordance/commands/analysis_commands.h"
#include "concordance/document/source_files.h"
#include "concordance/views/clusters_list.h"
#include "concordance/views/collocates_list.h"
#include "controller_world.h"
#include "document_test_support.h"
#include "model/lists/column_formula.h"
#include "model/reading/chosen_texts_handover.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/settings/window_registry.h"
#include "shell/services/suite_services.h"

using namespace document_test;

namespace {

class ScopedDialogs {
 public:
  explicit ScopedDialogs(std::initializer_list<int> answers = {}) {
    service_.Script(answers);
    SetDialogService(&service_);
  }
  explicit ScopedDialogs(const std::vector<int>& answers) {
    for (int a : answers) service_.Script({a});
    SetDialogService(&service_);
  }
  ~ScopedDialogs() { SetDialogService(nullptr); }
  const std::vector<TVXQuestion>& Asked() const { return service_.Asked(); }
  bool WasAsked(TVXDialog id) const {
    for (const TVXQuestion& q : service_.Asked())
      if (q.id == id) return true;
    return false;
  }
  UString TextOf(TVXDialog id) const {
    for (const TVXQuestion& q : service_.Asked())
      if (q.id == id) return q.text;
    return UString();
  }

 private:
  THeadlessDialogService service_;
};

// The hand-over folder of the test's own; the controller reachable and its codes kept.
using ControllerWorld = TControllerWorld;

struct RiverConcordance {
  ScopedSettings settings;
  TTextFolder texts{{u"a.txt", "The River runs here. the river runs there. THE RIVER RUNS on."},
                    {u"b.txt", "by the river bank we sat by the river"}};
  TRunDone run;
  RiverConcordance() {
    TRunRequest r;
    r.texts = texts.names;
    r.search_words = u"river";
    run = RunConcordance(r);
  }
  T_WholeLinzoraHolder& Doc() { return *run.doc; }
  TConcordanceClusterList& Clusters() { return *dynamic_cast<TConcordanceClusterList*>(Doc().fClusterList.get()); }
  std::vector<std::pair<UString, int32_t>> ClusterRows() {
    std::vector<std::pair<UString, int32_t>> out;
    for (int i = 0; i < Clusters().Count(); ++i) out.emplace_back(Clusters().Row(i)->rec.line.value_or(UString()), Clusters().Row(i)->rec.frequency);
    return out;
  }
};

TConcSettingsRec32 ClusterChoices(const TConcSettingsRec32& from, int16_t smallest, int16_t largest, uint16_t min_freq,
                                  bool case_sensitive) {
  TConcSettingsRec32 c = from;
  c.SetClusterSizeMin(smallest);
  c.SetClusterSizeMax(largest);
  c.SetClusterMinFrequency(min_freq);
  c.SetClusterReachLeft(5);
  c.SetClusterReachRight(5);
  c.SetCollocatesCaseSensitive(case_sensitive);
  return c;
}

}  // namespace

// --- clusters --------------------------------------------------------------------------------------

TEST(AnalysisCommands, ClustersTakeTheDialogsCaseChoice) {
  RiverConcordance c;
  ASSERT_TRUE(c.run.found);
  struct Case {
    bool case_sensitive;
    std::vector<const char16_t*> present;
    std::vector<const char16_t*> absent;
  } const cases[] = {
      // Every case of "the river" counted together, in capitals.
      {false, {u"THE RIVER"}, {u"the river", u"The River"}},
      // The text's own cases kept apart.
      {true, {u"the river", u"The River", u"THE RIVER"}, {}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.case_sensitive);
    ScopedDialogs d;
    const int notes = c.Doc().fNotes.Count();
    ASSERT_TRUE(RecomputeClusters(c.Doc(), ClusterChoices(c.Doc().fSettings, 2, 2, 1, k.case_sensitive)));
    EXPECT_EQ(c.Doc().fSettings.CollocatesCaseSensitive(), k.case_sensitive);
    std::vector<UString> texts;
    for (const auto& row : c.ClusterRows()) texts.push_back(row.first);
    auto has = [&](const char16_t* t) { return std::find(texts.begin(), texts.end(), UString(t)) != texts.end(); };
    for (const char16_t* t : k.present) EXPECT_TRUE(has(t)) << Utf16ToUtf8(t);
    for (const char16_t* t : k.absent) EXPECT_FALSE(has(t)) << Utf16ToUtf8(t);
    EXPECT_GT(c.Doc().fNotes.Count(), notes);  // "Procedure = Clusters"
    EXPECT_NE(c.Doc().fNotes[c.Doc().fNotes.Count() - 1].find(u"Clusters"), UString::npos);
    EXPECT_TRUE(d.Asked().empty());
  }
}

TEST(AnalysisCommands, NoClustersOfTheSizesLeavesListAndSettingsAsTheyWere) {
  RiverConcordance c;
  ASSERT_TRUE(c.run.found);
  ASSERT_TRUE(RecomputeClusters(c.Doc(), ClusterChoices(c.Doc().fSettings, 2, 3, 1, false)));
  const auto rows = c.ClusterRows();
  ASSERT_FALSE(rows.empty());
  const TConcSettingsRec32 settings = c.Doc().fSettings;
  const int notes = c.Doc().fNotes.Count();
  ScopedDialogs d({mrOK});
  EXPECT_FALSE(RecomputeClusters(c.Doc(), ClusterChoices(settings, 7, 8, 40, false)));
  ASSERT_TRUE(d.WasAsked(TVXDialog::NoLinzoraClustersOfSize));
  // The sizes and the minimum frequency asked for are named.
  const UString said = d.TextOf(TVXDialog::NoLinzoraClustersOfSize);
  for (const char16_t* n : {u"7", u"8", u"40"}) EXPECT_NE(said.find(n), UString::npos) << Utf16ToUtf8(said);
  EXPECT_EQ(c.ClusterRows(), rows);
  EXPECT_EQ(std::memcmp(&settings, &c.Doc().fSettings, sizeof settings), 0);
  EXPECT_EQ(c.Doc().fNotes.Count(), notes);
}

// --- time-line -------------------------------------------------------------------------------------

// --- collocates ----------------------------------------------------------------------------------

// Compute > Collocates reads the stop list and the choice to leave its words out as they are
// now, whatever they were at the run; the computed columns are worked out over the new rows.
TEST(AnalysisCommands, RecomputedCollocatesFollowTheStopListAsItIsNow) {
  RiverConcordance c;
  ASSERT_TRUE(c.run.found);
  TempFolder tmp;
  const UString stop_file = tmp.Write(u"stop.txt", "the\nby\n");
  const bool was_loaded = Global_stopLemmaMatchLoaded[lmsStop];
  auto words = [&] {
    std::vector<UString> out;
    for (int i = 0; i < c.Doc().fCollocateList->Count(); ++i) out.push_back(c.Doc().fCollocateList->Get(i)->MainWordOnly());
    return out;
  };
  auto has = [&](const char16_t* w) {
    const std::vector<UString> all = words();
    return std::find(all.begin(), all.end(), UString(w)) != all.end();
  };
  ASSERT_TRUE(has(u"THE") && has(u"RUNS"));
  // Twice the total, added as a user adds it; the rows made anew must have it too.
  UString message;
  TCollocateList& list = *dynamic_cast<TCollocateList*>(c.Doc().fCollocateList.get());
  const int twice = AddFormulaColumn(list, u"COL(\"#16\") * 2", message);
  ASSERT_GE(twice, TVXBaseDataClass::kFirstAddedColumn) << Utf16ToUtf8(message);
  struct Case {
    const char* name;
    bool load, leave_out;
    bool stop_words_shown;
  };
  const Case cases[] = {
      {"stop list loaded since the run, its words left out", true, true, false},
      {"stop list loaded, counted then removed", true, false, false},
      {"stop list cleared again", false, true, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    if (k.load) {
      ASSERT_TRUE(LoadedOne(current_tool_var, lmsStop, stop_file));
    } else {
      ClearOne(current_tool_var, lmsStop);
    }
    Global_stopLemmaMatchLoaded[lmsStop] = k.load;
    TConcSettingsRec32 now = GetConcSaveRec();
    now.SetCollocateStopList(k.leave_out);
    SetConcSaveRec(now);
    ScopedDialogs d;
    ASSERT_TRUE(RecomputeCollocates(c.Doc(), GetConcSaveRecContextHorizons(), GetConcSaveRecCollocHorizons()));
    EXPECT_EQ(has(u"THE"), k.stop_words_shown);
    EXPECT_TRUE(has(u"RUNS"));
    EXPECT_EQ(c.Doc().fSettings.CollocateStopList(), k.leave_out);
    ASSERT_NE(list.AddedColumn(twice), nullptr);
    for (int i = 0; i < list.Count(); ++i)
      EXPECT_DOUBLE_EQ(list.AddedCellValue(twice, i), 2.0 * list.Row(i)->MainWordFrequency()) << i;
  }
  ClearOne(current_tool_var, lmsStop);
  Global_stopLemmaMatchLoaded[lmsStop] = was_loaded;
}

TEST(AnalysisCommands, AnUndefinedTimelineBasisComputesNothingAndAsksTheController) {
  RiverConcordance c;
  ASSERT_TRUE(c.run.found);
  ControllerWorld w;
  const int rows = c.Doc().fTimeLineList->Count();
  ScopedDialogs d({mrOK});
  EXPECT_EQ(RecomputeTimeline(c.Doc(), 0), TTimelineRecompute::kUndefinedBasis);
  EXPECT_TRUE(d.WasAsked(TVXDialog::UndefinedTimeLineBasis));
  EXPECT_EQ(w.Codes(), std::vector<int>{1245});
  EXPECT_EQ(c.Doc().fTimeLineList->Count(), rows);
}

// --- relationships -----------------------------------------------------------------------------------

TEST(AnalysisCommands, EveryRelationshipsOutcomeHasItsMessage) {
  TempFolder tmp;
  const UString written = tmp.Write(u"assoc.details.txt", std::string("x"));
  struct Case {
    const char* what;
    bool success;
    int32_t code;
    UString export_file;
    UString details;
    UString failure;
    TVXDialog said;
    const char16_t* naming;  // a text the message holds
  } const cases[] = {
      {"details written", true, 0, written, tmp.Path() + u"assoc", u"", TVXDialog::SavedOK, u"assoc.details.txt"},
      {"no details asked", true, 0, u"", u"", u"", TVXDialog::Count, u""},
      {"details not written", true, 0, u"", tmp.Path() + u"ro/assoc", u"", TVXDialog::FailedToSave, u"ro/assoc"},
      {"search word missing", false, 4700, u"", u"", u"", TVXDialog::FailedToFindX, u"earch word"},
      {"not a word list", false, 0, u"", u"", u"ref.lst: not a word list", TVXDialog::InformationMessage, u"ref.lst"},
      {"unreadable, no reason", false, 0, u"", u"", u"", TVXDialog::InformationMessage, u"ref.lst"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    TAssociationRequest request;
    request.reference_file = u"/words/ref.lst";
    request.details_file = k.details;
    TAssociationOutcome outcome;
    outcome.success = k.success;
    outcome.code = k.code;
    outcome.export_file = k.export_file;
    outcome.failure = k.failure;
    ScopedDialogs d({mrOK});
    EXPECT_EQ(ReportRelationships(request, outcome), k.success);
    if (k.said == TVXDialog::Count) {
      EXPECT_TRUE(d.Asked().empty());
      continue;
    }
    ASSERT_EQ(d.Asked().size(), 1u);
    EXPECT_EQ(d.Asked()[0].id, k.said);
    EXPECT_NE(d.Asked()[0].text.find(k.naming), UString::npos) << Utf16ToUtf8(d.Asked()[0].text);
  }
}

TEST(AnalysisCommands, AReferenceListThatIsNoWordListIsNamedAndChangesNothing) {
  RiverConcordance c;
  ASSERT_TRUE(c.run.found);
  auto* collocates = dynamic_cast<TCollocateList*>(c.Doc().fCollocateList.get());
  ASSERT_TRUE(collocates && collocates->Count() > 0);
  const auto headings = collocates->Headings();
  TempFolder tmp;
  struct Case {
    const char* what;
    UString file;
  } const cases[] = {
      {"a plain text", tmp.Write(u"words.lst", std::string("river 10\nbank 4\n"))},
      {"no file", tmp.Path() + u"absent.lst"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    TAssociationRequest request;
    request.reference_file = k.file;
    const TAssociationOutcome outcome = c.Doc().REComputeCollocateAssociation(request);
    EXPECT_FALSE(outcome.success);
    EXPECT_FALSE(outcome.failure.empty());
    ScopedDialogs d({mrOK});
    EXPECT_FALSE(ReportRelationships(request, outcome));
    ASSERT_EQ(d.Asked().size(), 1u);
    EXPECT_NE(d.Asked()[0].text.find(k.file), UString::npos);
    EXPECT_EQ(collocates->Headings(), headings);
    EXPECT_FALSE(collocates->fsettings.saved_relationships_computed);
  }
}

// --- modifying ---------------------------------------------------------------------------------------

TEST(AnalysisCommands, TheModificationCountToldIsNeverNegative) {
  TTestWordList list;  // a list that cannot modify texts answers -1
  struct Case {
    TModifySourceTexts how;
    int32_t undone;
    const char16_t* told;
  } const cases[] = {
      {TModifySourceTexts::mst_set, 0, u"0 "},
      {TModifySourceTexts::mst_search_word, 5, u"0 "},
      {TModifySourceTexts::mst_undo, 3, u"3 "},
      {TModifySourceTexts::mst_undo, -2, u"0 "},
      {TModifySourceTexts::mst_none, 7, u"0 "},
  };
  for (const Case& k : cases) {
    ScopedDialogs d({mrOK});
    const int32_t n = CarryOutModification(list, k.how, u"_", u"AB", true, k.undone);
    EXPECT_GE(n, 0);
    ASSERT_TRUE(d.WasAsked(TVXDialog::NModificationsMade));
    EXPECT_EQ(d.TextOf(TVXDialog::NModificationsMade).rfind(k.told, 0), 0u) << Utf16ToUtf8(d.TextOf(TVXDialog::NModificationsMade));
  }
}

// --- a line's source text ----------------------------------------------------------------------------

namespace {

class CountingProbe : public TSourceFileProbe {
 public:
  std::vector<UString> missing;
  int file_tests = 0;
  bool IsNetworkPath(UStringView) override { return false; }
  bool FolderExists(UStringView) override { return true; }
  bool FileExists(UStringView name) override {
    ++file_tests;
    return std::find(missing.begin(), missing.end(), name) == missing.end();
  }
};

}  // namespace

TEST(AnalysisCommands, ASourceTextIsNeededOnlyForAShortLineOfAnExistingText) {
  ScopedSettings settings;
  TTextFolder texts{{u"a.txt", "a river"}, {u"b.txt", "b river"}, {u"c.txt", "c river"}, {u"d.txt", "d river"},
                    {u"e.txt", "e river"}};
  TRunRequest r;
  r.texts = texts.names;
  r.search_words = u"river";
  TRunDone run = RunConcordance(r);
  ASSERT_TRUE(run.found);
  T_WholeLinzoraHolder& doc = *run.doc;
  TConcordanceList& lines = *doc.fConcordanceList;
  ASSERT_EQ(lines.Count(), 5);
  auto row_of = [&](const UString& name) {
    for (int i = 0; i < lines.Count(); ++i)
      if (lines.SourceFileName(lines.Line(i)->Data().filename_num_original) == name) return i + 1;
    return -1;
  };
  CountingProbe probe;
  UString name;
  {
    ScopedDialogs d;
    // Not the concordance, the heading row, a row beyond the lines: no file test, no warning.
    EXPECT_FALSE(SourceFileNeededAndAvailable(doc, 5, 1, name, &probe));
    EXPECT_FALSE(SourceFileNeededAndAvailable(doc, 10, 0, name, &probe));
    EXPECT_FALSE(SourceFileNeededAndAvailable(doc, 10, lines.Count() + 1, name, &probe));
    EXPECT_FALSE(SourceFileNeededAndAvailable(doc, 10, -3, name, &probe));
    EXPECT_EQ(probe.file_tests, 0);
    EXPECT_TRUE(d.Asked().empty());
  }
  // A stored line of 4,999 characters is re-read; one of 5,000 is not.
  const int row_a = row_of(texts.names[0]);
  lines.Line(row_a - 1)->Data().conc_line_chars = 4999;
  EXPECT_TRUE(SourceFileNeededAndAvailable(doc, 10, row_a, name, &probe));
  EXPECT_EQ(name, texts.names[0]);
  EXPECT_EQ(lines.last_filename_to_reread, texts.names[0]);
  lines.Line(row_a - 1)->Data().conc_line_chars = 5000;
  EXPECT_FALSE(SourceFileNeededAndAvailable(doc, 10, row_a, name, &probe));

  // Missing texts: each warned about once, at most three warnings for the list.
  probe.missing = {texts.names[1], texts.names[2], texts.names[3], texts.names[4]};
  ScopedDialogs d({mrOK, mrOK, mrOK, mrOK});
  for (int k = 1; k <= 4; ++k) EXPECT_FALSE(SourceFileNeededAndAvailable(doc, 10, row_of(texts.names[k]), name, &probe));
  int warnings = 0;
  for (const TVXQuestion& q : d.Asked()) warnings += q.id == TVXDialog::CantFindOneOfTheFiles ? 1 : 0;
  EXPECT_EQ(warnings, 3);
  EXPECT_EQ(doc.fMissingFiles.size(), 4u);
  // Asked again: known missing, no test of the disk and no warning.
  const int tests = probe.file_tests;
  const size_t asked = d.Asked().size();
  EXPECT_FALSE(SourceFileNeededAndAvailable(doc, 10, row_of(texts.names[1]), name, &probe));
  EXPECT_EQ(probe.file_tests, tests);
  EXPECT_EQ(d.Asked().size(), asked);
}

// --- media ---------------------------------------------------------------------------------------------

namespace {

// Answers the look-ups in turn (then "not found"), names a mark before the hit when asked, and
// records what it was asked with.
class FakeMedia : public TLineMedia {
 public:
  std::vector<TLineMediaLookup> answers;
  UString mark;
  bool play_ok = true;
  bool throw_in_lookup = false;
  std::vector<UString> texts_asked;
  UString file_cell_seen;
  int64_t byte_asked = -1;
  int widening_seen = 0;
  bool fetching_seen = false;
  UString played;
  const T_WholeLinzoraHolder* doc = nullptr;
  TLineMediaLookup FindMediaForConcordanceLine(UStringView text, UStringView file_cell, int widening) override {
    texts_asked.emplace_back(text);
    file_cell_seen = UString(file_cell);
    widening_seen = widening;
    fetching_seen = doc && doc->fSettings.FetchingLineTexts();
    if (throw_in_lookup) throw std::runtime_error("look-up failed");
    const size_t k = texts_asked.size() - 1;
    return k < answers.size() ? answers[k] : TLineMediaLookup{};
  }
  UString MediaMarkBeforeHit(UStringView, int64_t byte) override {
    byte_asked = byte;
    return mark;
  }
  bool PlayLinkedMedia(const UString& file) override {
    played = file;
    return play_ok;
  }
};

}  // namespace

TEST(AnalysisCommands, ALinesMediaIsLookedUpWithFullNamesAndTheSettingComesBack) {
  RiverConcordance c;
  ASSERT_TRUE(c.run.found);
  const TLineMediaLookup none{false, u"no mark here", 0};
  const TLineMediaLookup river{true, u"/m/river.mp3", 0};
  struct Case {
    const char* what;
    std::vector<TLineMediaLookup> answers;
    const char16_t* mark;
    bool play_ok;
    size_t lookups;  // the tag context, the line, the mark before the hit
    TVXDialog said;
    const char16_t* status;
  } const cases[] = {
      {"in the tag context", {river}, u"", true, 1, TVXDialog::Count, u""},
      {"not played", {river}, u"", false, 1, TVXDialog::Count, u"/m/river.mp3"},
      {"in the line", {none, river}, u"", true, 2, TVXDialog::Count, u""},
      {"before the hit", {none, none, river}, u"<media river.mp3>", true, 3, TVXDialog::Count, u""},
      {"no mark before the hit", {none, none}, u"", true, 2, TVXDialog::Count, u"no mark here"},
      {"no start of names", {{false, u"x", kMediaStartOfFilenameUndefined}}, u"<m>", true, 1,
       TVXDialog::MediaStartOfFilenameUndefined, u"x"},
      {"no table", {{false, u"", kMediaLookupTableNotFound}}, u"<m>", true, 1, TVXDialog::MediaLookupTableNotFound, u""},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    FakeMedia media;
    media.doc = &c.Doc();
    media.answers = k.answers;
    media.mark = k.mark;
    media.play_ok = k.play_ok;
    ScopedDialogs d({mrOK});
    const UString status = PlayMediaOfLine(c.Doc(), 1, 4, media);
    EXPECT_NE(status.find(k.status), UString::npos) << Utf16ToUtf8(status);
    if (k.status[0] == 0) {
      EXPECT_TRUE(status.empty() || k.answers[0].code != 0);
    }
    EXPECT_EQ(d.WasAsked(k.said), k.said != TVXDialog::Count);
    ASSERT_EQ(media.texts_asked.size(), k.lookups);
    if (k.lookups >= 2) {
      EXPECT_EQ(media.texts_asked[1], UString(c.Doc().fConcordanceList->Line(0)->Text()));
    }
    if (k.lookups >= 3) {
      EXPECT_EQ(media.texts_asked[2], k.mark);
      EXPECT_EQ(media.byte_asked, c.Doc().fConcordanceList->Line(0)->Data().byte_position);
    }
    EXPECT_EQ(media.played, k.answers[k.lookups - 1].found ? UString(u"/m/river.mp3") : UString());
    EXPECT_EQ(media.widening_seen, 4);
    EXPECT_TRUE(media.fetching_seen);
    EXPECT_TRUE(media.file_cell_seen == c.texts.names[0] || media.file_cell_seen == c.texts.names[1])
        << Utf16ToUtf8(media.file_cell_seen);
    EXPECT_FALSE(c.Doc().fSettings.FetchingLineTexts());
  }
  // A look-up that throws leaves the setting as it was before, on or off.
  for (bool before : {false, true}) {
    c.Doc().fSettings.SetFetchingLineTexts(before);
    FakeMedia media;
    media.throw_in_lookup = true;
    EXPECT_THROW(PlayMediaOfLine(c.Doc(), 1, 1, media), std::runtime_error);
    EXPECT_EQ(c.Doc().fSettings.FetchingLineTexts(), before);
  }
  c.Doc().fSettings.SetFetchingLineTexts(false);
  FakeMedia media;
  EXPECT_TRUE(PlayMediaOfLine(c.Doc(), 0, 1, media).empty());  // the heading row plays nothing
  EXPECT_TRUE(media.file_cell_seen.empty());
  // No current column widens by one step.
  PlayMediaOfLine(c.Doc(), 1, -1, media);
  EXPECT_EQ(media.widening_seen, 1);
}

// --- following a collocate ----------------------------------------------------------------------------

TEST(AnalysisCommands, FollowingACollocateHandsTheTextsAndWordsOver) {
  RiverConcordance c;
  ASSERT_TRUE(c.run.found);
  ControllerWorld w;
  TConcordanceDerivedList& collocates = *c.Doc().fCollocateList;
  ASSERT_GT(collocates.Count(), 0);
  TGrid_data_rec cell;
  collocates.DrawgridDataRec(1, 1, cell, collocates.GridKind());
  const UString collocate = UpperCaseU(cell.text);
  struct Case {
    const char* what;
    std::vector<int> answers;
    TFollowCollocate result;
    const char16_t* context;  // temporary string 2 afterwards
  } const cases[] = {
      {"refused", {mrNo}, TFollowCollocate::kRefused, u"unchanged"},
      {"no context word", {mrYes, mrNo}, TFollowCollocate::kPosted, u""},
      {"the search word in the context", {mrYes, mrYes}, TFollowCollocate::kPosted, u"RIVER"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    SetATempString(u"unchanged", 2);
    SetATempString(u"", 1);
    SetChosenTextFiles(false, u"", 0);
    w.link.Clear();
    TVXFileDetails chosen(false, kToolConcordancer);
    ScopedDialogs d(k.answers);
    EXPECT_EQ(FollowCollocate(c.Doc(), collocates, 0, chosen), k.result);
    EXPECT_EQ(GetATempString(2), UString(k.context));
    if (k.result != TFollowCollocate::kPosted) {
      EXPECT_TRUE(w.Codes().empty());
      continue;
    }
    EXPECT_EQ(w.Codes(), std::vector<int>{155});
    EXPECT_EQ(GetATempString(1), collocate);
    UString name;
    int32_t count = 0;
    ASSERT_TRUE(GetChosenTextFiles(name, count));
    EXPECT_EQ(count, 2);  // both texts still exist
    TVXFileDetails back(false, kToolConcordancer);
    ASSERT_TRUE(back.LoadedChosenFromTempFile());
    EXPECT_EQ(back.FileCount(), 2);
  }
}

TEST(AnalysisCommands, FollowingACollocateWithNoTextLeftPostsNothing) {
  RiverConcordance c;
  ASSERT_TRUE(c.run.found);
  ControllerWorld w;
  for (const UString& t : c.texts.names) std::remove(Utf16ToUtf8(t).c_str());
  SetChosenTextFiles(false, u"", 0);
  TVXFileDetails chosen(false, kToolConcordancer);
  ScopedDialogs d({mrYes, mrNo, mrOK});
  EXPECT_EQ(FollowCollocate(c.Doc(), *c.Doc().fCollocateList, 0, chosen), TFollowCollocate::kNoTexts);
  EXPECT_TRUE(d.WasAsked(TVXDialog::CancellingAsNoneOfTheSourceTextsFound));
  EXPECT_TRUE(w.Codes().empty());
  UString name;
  int32_t count = 0;
  EXPECT_FALSE(GetChosenTextFiles(name, count));
}

TEST(AnalysisCommands, JoinClustersAppliesToCollocatesClustersAndWordLists) {
  const std::pair<int, bool> types[] = {{5, true}, {13, true}, {0, true}, {6, true}, {9, true},
                                        {10, false}, {12, false}, {14, false}, {17, false}, {20, false}};
  for (const auto& [type, applies] : types) EXPECT_EQ(JoinClustersApplies(type), applies) << type;
  EXPECT_EQ(JoinClustersDone(1), u"Join Clusters: 1 entry joined under another.");
  EXPECT_EQ(JoinClustersDone(3), u"Join Clusters: 3 entries joined under others.");
}
