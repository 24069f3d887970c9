// Grid commands of the concordancer without a window: duplicates, the Set column, hidden tag
// kinds, row height, the collocate highlight and its sort, the follow-up request read back, and
// what a double-click opens.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "concordance/commands/cell_double_click.h"
#include "concordance/commands/collocate_highlight.h"
#include "concordance/views/collocates_list.h"
#include "concordance/commands/concordance_commands.h"
#include "concordance/views/patterns_list.h"
#include "concordance/document/source_files.h"
#include "concordance/document/tell_list.h"
#include "controller_world.h"
#include "list_line_support.h"
#include "document_test_support.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/window_registry.h"
#include "shell/services/suite_services.h"

namespace {

using document_test::RunConcordance;
using document_test::ScopedSettings;
using document_test::TTextFolder;

class ScopedDialogs {
 public:
  explicit ScopedDialogs(std::initializer_list<int> answers) {
    for (int a : answers) dialogs_.Script({a});
    SetDialogService(&dialogs_);
  }
  ~ScopedDialogs() { SetDialogService(nullptr); }
  const THeadlessDialogService& Service() const { return dialogs_; }

 private:
  THeadlessDialogService dialogs_;
};

// Lines "left sw right" in a list of their own, with the words at L1, the search word and R1.
struct Lines {
  TVXBaseHolder holder;
  TConcordanceListDocument doc;
  TConcordanceList list{&holder, &doc};

  TConcordanceEntry* Add(UStringView left, UStringView sw, UStringView right) {
    return AddWordsLine(list, left, sw, right);
  }
  std::vector<UString> Texts() const {
    std::vector<UString> out;
    for (int i = 0; i < list.Count(); ++i) out.emplace_back(list.Line(i)->Text());
    return out;
  }
};

// --- duplicates -----------------------------------------------------------------------------------

TEST(ConcordanceCommands, DuplicatesGiveTheTopRowFiveAboveTheFirst) {
  struct Case {
    int copied;  // which line (in sorted order, from 0) is repeated; -1 none
    int found, first_row, top_row;
  };
  const Case cases[] = {{-1, 0, 0, 0}, {2, 1, 3, 1}, {9, 1, 10, 5}, {0, 1, 1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.copied);
    Lines l;
    for (char16_t k = u'a'; k < u'a' + 12; ++k) l.Add(u"x", UString(1, k) + u"w", u"y");
    if (c.copied >= 0) l.Add(u"x", UString(1, char16_t(u'a' + c.copied)) + u"w", u"y");
    ScopedDialogs d({mrOK, mrOK});
    const TDuplicatesOutcome out = RemoveDuplicateLines(l.list);
    EXPECT_EQ(out.found, c.found);
    EXPECT_EQ(out.first_row.value_or(0), c.first_row);
    EXPECT_EQ(out.top_row.value_or(0), c.top_row);
    // The count is told even when nothing was found.
    ASSERT_GE(d.Service().Asked().size(), 1u);
    EXPECT_EQ(d.Service().Asked()[0].id, TVXDialog::N_DuplicatesFound);
    EXPECT_NE(d.Service().Asked()[0].text.find(IntToUStr(c.found)), UString::npos);
  }
}

TEST(ConcordanceCommands, LinesPerRowStayBetweenTwoAndTen) {
  const struct { int start; bool grow; int after; } cases[] = {
      {2, true, 4}, {8, true, 10}, {10, true, 10}, {9, true, 11}, {10, false, 8}, {2, false, 2}, {3, false, 1}};
  for (const auto& c : cases) EXPECT_EQ(GrownOrShrunkLinesPerRow(c.start, c.grow), c.after) << c.start;
}

// --- commands on a document -------------------------------------------------------------------------

struct SmallConcordance {
  ScopedSettings settings;
  TTextFolder texts{{u"a.txt", "the cat sat on the mat"}, {u"b.txt", "one dog and the dog"}};
  document_test::TRunDone run;
  SmallConcordance() {
    document_test::TRunRequest r;
    r.texts = texts.names;
    r.search_words = u"the";
    run = RunConcordance(r);
  }
  T_WholeLinzoraHolder& Doc() { return *run.doc; }
  std::vector<UString> SetTexts() {
    std::vector<UString> out;
    for (int i = 0; i < Doc().fConcordanceList->Count(); ++i)
      out.emplace_back(Doc().fConcordanceList->Line(i)->SetText());
    return out;
  }
};

TEST(ConcordanceCommands, CopyToSetColumnOnlyWhenTheUserAgrees) {
  SmallConcordance c;
  ASSERT_TRUE(c.run.found);
  const size_t n = static_cast<size_t>(c.Doc().fConcordanceList->Count());
  {
    ScopedDialogs d({mrCancel});
    EXPECT_FALSE(CopySearchWordsToSetColumn(c.Doc()));
    EXPECT_EQ(c.SetTexts(), std::vector<UString>(n));
    ASSERT_EQ(d.Service().Asked().size(), 1u);
    EXPECT_EQ(d.Service().Asked()[0].text.find(u"Copy Search word to Set column now?") != UString::npos, true);
  }
  ScopedDialogs d({mrOK});
  EXPECT_TRUE(CopySearchWordsToSetColumn(c.Doc()));
  EXPECT_EQ(c.SetTexts(), std::vector<UString>(n, u"the"));
}

TEST(ConcordanceCommands, HidingATagKindTurnsItsOptionAndCaptionOver) {
  ScopedSettings settings;
  auto doc = document_test::NewDocument();
  const struct { int tag; const char16_t* tag_file; const char16_t* undefined; uint8_t display, hide; } steps[] = {
      {117, u"Hide tag-file tags", u"Show undefined tags", 0, 1},
      {118, u"Hide tag-file tags", u"Show undefined tags", 0, 3},
      {100, u"Show tag-file tags", u"Show undefined tags", 1, 3},
      {117, u"Show tag-file tags", u"Hide undefined tags", 1, 2},
      {99, u"Show tag-file tags", u"Hide undefined tags", 1, 2},  // no tag kind: nothing changes
      {122, u"Show tag-file tags", u"Hide undefined tags", 1, 2},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.tag);
    const TTagButtonCaptions c = HideTagKind(*doc, s.tag);
    EXPECT_EQ(c.tag_file_tags, s.tag_file);
    EXPECT_EQ(c.undefined_tags, s.undefined);
    EXPECT_EQ(doc->fSettings.DisplayOptions() & 1, s.display);
    EXPECT_EQ(doc->fSettings.HideOptions(), s.hide);
  }
}

// --- highlight record of a cell -----------------------------------------------------------------------

struct Collocates {
  TVXBaseHolder holder;
  TCollocateList list{&holder};
  Collocates() {
    list.ComputeLeftAndRightSpan(5, 5);
    auto* e = static_cast<TCollocateEntry*>(list.NewEntry());
    e->rec.word = u"cat";
    e->rec.head = {0, 4, 9, 3, 6, 2, 7};
    e->rec.freqs = {0, 0, 0, 1, 2, 0, 4, 1, 1, 0, 0};
    list.Add(e);
  }
};

TEST(CollocateHighlight, CellsOfTheCollocateGrid) {
  Collocates c;
  struct Case {
    int column;
    THighlightCellKind kind;
    bool all, left, right;
    int32_t instances;
    uint8_t span;
  };
  using K = THighlightCellKind;
  const Case cases[] = {
      {16, K::kHighlight, true, false, false, 9, kHighlightEverySpan},
      {17, K::kHighlight, false, true, false, 3, kHighlightEverySpan},
      {18, K::kHighlight, false, false, true, 6, kHighlightEverySpan},
      {19, K::kHighlight, false, false, false, 0, 45},
      {25, K::kHighlight, false, false, false, 4, 51},
      {29, K::kHighlight, false, false, false, 0, 55},
      {30, K::kNothing},  // beyond the right horizon
      {0, K::kNothing}, {1, K::kNothing}, {2, K::kNothing}, {13, K::kNothing}, {14, K::kNothing},
      {15, K::kNothing},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.column);
    const THighlightCell cell = HighlightOfCollocateCell(c.list, 0, k.column);
    EXPECT_EQ(cell.kind, k.kind);
    if (k.kind != K::kHighlight) continue;
    EXPECT_EQ(cell.rec.all, k.all);
    EXPECT_EQ(cell.rec.only_left, k.left);
    EXPECT_EQ(cell.rec.only_right, k.right);
    EXPECT_EQ(cell.rec.instances, k.instances);
    EXPECT_EQ(cell.rec.span_pos, k.span);
    EXPECT_EQ(cell.rec.sw_number, 7);
    EXPECT_EQ(cell.rec.colloc_w, u"CAT");
    EXPECT_FALSE(cell.rec.active);
  }
  EXPECT_EQ(HighlightOfCollocateCell(c.list, 0, 16).label, u"Total");
  EXPECT_EQ(HighlightOfCollocateCell(c.list, 1, 16).kind, K::kNothing);  // no such row
}

TEST(CollocateHighlight, WordCellListsTheJoinedForms) {
  Collocates c;
  auto* form = static_cast<TCollocateEntry*>(c.list.NewEntry());
  form->rec.word = u"cats";
  form->rec.head.total = 3;
  c.list.Add(form);
  ASSERT_TRUE(c.list.Join(0, 1, false));
  const THighlightCell cell = HighlightOfCollocateCell(c.list, 0, 1);
  EXPECT_EQ(cell.kind, THighlightCellKind::kLemmaForms);
  EXPECT_EQ(cell.lemma_forms, std::vector<UString>{u"cats\t3"});
}

TEST(CollocateHighlight, PatternCellsNameTheirPosition) {
  TVXBaseHolder holder;
  TPatternsList list(&holder);
  auto* e = static_cast<TPatternEntry*>(list.NewEntry());
  e->rec.ws[0] = u"the";
  e->rec.ws[6] = u"sat";
  list.Add(e);
  THighlightCell cell = HighlightOfPatternCell(list, 0, 7);
  EXPECT_EQ(cell.kind, THighlightCellKind::kHighlight);
  EXPECT_EQ(cell.rec.span_pos, 51);
  EXPECT_EQ(cell.rec.colloc_w, u"SAT");
  EXPECT_EQ(cell.rec.sw_number, kPatternCollocateNumber);
  list.right_to_left = true;
  EXPECT_EQ(HighlightOfPatternCell(list, 0, 11).rec.span_pos, 45);
  list.right_to_left = false;
  EXPECT_EQ(HighlightOfPatternCell(list, 0, 2).kind, THighlightCellKind::kNothing);  // no word there
  EXPECT_EQ(HighlightOfPatternCell(list, 0, 0).kind, THighlightCellKind::kNothing);
  EXPECT_EQ(HighlightOfPatternCell(list, 0, 12).kind, THighlightCellKind::kNothing);
}

// --- the highlight sort -----------------------------------------------------------------------------

TEST(CollocateHighlight, ShowingSortsHighlightedLinesFirst) {
  Lines l;
  l.Add(u"a", u"dog", u"barks");
  l.Add(u"the", u"dog", u"sat");
  l.Add(u"b", u"cat", u"runs");
  l.Add(u"my", u"cat", u"SAT");
  TConcordanceHighlightRec rec;
  rec.colloc_w = u"SAT";
  rec.span_pos = 51;
  const std::optional<int> row = ShowHighlightInLines(l.list, rec);
  EXPECT_TRUE(l.list.HighlightRec.active);
  EXPECT_EQ(l.list.SortLevel(0).key, kConcSortHighlight);
  EXPECT_FALSE(l.list.SortLevel(0).ascending);
  EXPECT_EQ(l.list.SortLevel(1).key, kConcSortSearchWord);
  EXPECT_EQ(l.list.SortLevel(2).key, kConcSortSearchWord);
  // Case is ignored by default: both "sat" lines come first, then by search word.
  EXPECT_EQ(l.Texts(), (std::vector<UString>{u"my cat SAT", u"the dog sat", u"b cat runs", u"a dog barks"}));
  EXPECT_EQ(row, 2);
  // A highlight nobody has: every line is level with the top one, the row is the last line.
  rec.colloc_w = u"NONE";
  EXPECT_EQ(ShowHighlightInLines(l.list, rec), 4);
  // Only the left total: a word right of the search word is not counted.
  rec = TConcordanceHighlightRec();
  rec.colloc_w = u"SAT";
  rec.span_pos = kHighlightEverySpan;
  rec.only_left = true;
  EXPECT_EQ(ShowHighlightInLines(l.list, rec), 4);
  rec.only_left = false;
  rec.all = true;
  EXPECT_EQ(ShowHighlightInLines(l.list, rec), 2);
}

TEST(CollocateHighlight, NoLinesLeftGivesNoRow) {
  Lines l;
  TConcordanceHighlightRec rec;
  rec.colloc_w = u"SAT";
  rec.span_pos = 51;
  EXPECT_EQ(ShowHighlightInLines(l.list, rec), std::nullopt);
  l.Add(u"a", u"dog", u"sat");
  EXPECT_EQ(ShowHighlightInLines(l.list, rec), 1);
}

// --- follow-up request ----------------------------------------------------------------------------------

TEST(FollowUp, HorizonsFromThePosition) {
  const struct {
    uint8_t span;
    bool left, right;
    int16_t l, r;
    int32_t gap;
  } cases[] = {
      {101, false, false, 4, 6, 0}, {101, true, false, 4, 0, 0}, {101, false, true, 0, 6, 0},
      {50, false, false, 4, 6, 0},  {53, false, false, 0, 3, 3}, {47, false, false, 3, 0, -3},
      {45, false, false, 5, 0, -5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.span));
    TFollowUpPosition p;
    p.span_pos = c.span;
    p.only_left = c.left;
    p.only_right = c.right;
    int32_t gap = 99;
    const auto h = FollowUpHorizons({4, 6}, p, gap);
    EXPECT_EQ(h.first, c.l);
    EXPECT_EQ(h.second, c.r);
    EXPECT_EQ(gap, c.gap);
  }
  TConcordanceHighlightRec rec;
  rec.span_pos = kHighlightEverySpan;
  rec.all = true;
  rec.colloc_w = u"SAT";
  const TFollowUpPosition p = FollowUpPositionOf(rec);
  EXPECT_EQ(p.span_pos, kHighlightEverySpan);
  EXPECT_FALSE(p.only_left || p.only_right);
  EXPECT_EQ(p.context_word, u"SAT");
}

// The hand-over folder in a folder of the test's own, the controller reachable.
using FollowUpWorld = TControllerWorld;

TEST(FollowUp, RequestIsWrittenAndReadBack) {
  SmallConcordance c;
  ASSERT_TRUE(c.run.found);
  FollowUpWorld w;
  c.Doc().fSettings.SetContextHorizonLeft(4);
  c.Doc().fSettings.SetContextHorizonRight(6);
  TFollowUpPosition p;
  p.span_pos = 52;
  p.context_word = u"SAT";
  UString why;
  ASSERT_TRUE(SendFollowUpRequest(c.Doc(), p, u"THE", &why)) << Utf16ToUtf8(why);
  EXPECT_EQ(w.Codes(), std::vector<int>{kCodeFollowUpRequest});

  TTellLinzoraList back(kToolConcordancer, kToolConcordancer);
  ASSERT_TRUE(back.ReadRequestFile()) << Utf16ToUtf8(back.Failure());
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(back.Item(0)->word_details[0], u"THE");
  EXPECT_EQ(back.Item(0)->context_words, std::vector<UString>{u"SAT"});
  EXPECT_EQ(back.fPreliminaries.called_by, 1);
  EXPECT_EQ(back.fPreliminaries.include_stats, 1);
  EXPECT_EQ(back.fPreliminaries.include_context_words, 1);
  EXPECT_EQ(back.fPreliminaries.context_exact_gap, 2);
  EXPECT_EQ(back.fPreliminaries.context_hors[0], 0);
  EXPECT_EQ(back.fPreliminaries.context_hors[1], 2);
  ASSERT_NE(back.SourceFileList(), nullptr);
  EXPECT_EQ(back.SourceFileList()->Count(), c.Doc().fTextFilesWithSearchWord->Count());
  EXPECT_TRUE(GetConcSaveRec().SkipPunctuation());
}

TEST(FollowUp, NoContextWordSendsNone) {
  SmallConcordance c;
  ASSERT_TRUE(c.run.found);
  FollowUpWorld w;
  ASSERT_TRUE(SendFollowUpRequest(c.Doc(), TFollowUpPosition(), u"THE"));
  TTellLinzoraList back(kToolConcordancer, kToolConcordancer);
  ASSERT_TRUE(back.ReadRequestFile());
  EXPECT_EQ(back.fPreliminaries.include_context_words, 0);
  EXPECT_TRUE(back.Item(0)->context_words.empty());
}

TEST(FollowUp, UnwrittenRequestAnswersFalseAndPostsNothing) {
  SmallConcordance c;
  ASSERT_TRUE(c.run.found);
  FollowUpWorld w;
  // A folder where the request file should go: the file cannot be written.
  const UString name = TTellLinzoraList(kToolConcordancer, kToolConcordancer).TempFilename();
  ASSERT_FALSE(name.empty());
  ASSERT_EQ(::mkdir(Utf16ToUtf8(name).c_str(), 0700), 0);
  ScopedDialogs d({mrOK});
  UString why;
  EXPECT_FALSE(SendFollowUpRequest(c.Doc(), TFollowUpPosition(), u"THE", &why));
  EXPECT_TRUE(w.Codes().empty());
  EXPECT_NE(why.find(name), UString::npos);
  ASSERT_EQ(d.Service().Asked().size(), 1u);
  EXPECT_EQ(d.Service().Asked()[0].id, TVXDialog::FailedToSave);
  EXPECT_NE(d.Service().Asked()[0].text.find(name), UString::npos);
}

TEST(FollowUp, TextsGoneSendsNothing) {
  SmallConcordance c;
  ASSERT_TRUE(c.run.found);
  FollowUpWorld w;
  for (const UString& t : c.texts.names) std::remove(Utf16ToUtf8(t).c_str());
  ScopedDialogs d({mrOK, mrOK});
  EXPECT_FALSE(SendFollowUpRequest(c.Doc(), TFollowUpPosition(), u"THE"));
  EXPECT_TRUE(w.Codes().empty());
  EXPECT_FALSE(FileExists(TTellLinzoraList(kToolConcordancer, kToolConcordancer).TempFilename()));
}

// --- double-click -------------------------------------------------------------------------------------

TEST(CellDoubleClick, ActionByListTypeAndColumn) {
  using A = TDoubleClickAction;
  const struct { int type, row, column; bool set, colloc_set; A action; } cases[] = {
      {10, 0, 1, false, false, A::kNothing},         {10, 1, 1, false, false, A::kShowSource},
      {10, 1, 2, true, false, A::kEditSetRecord},    {10, 1, 3, false, false, A::kPlayMedia},
      {10, 1, 13, false, false, A::kOpenCellFile},   {10, 1, 16, true, false, A::kEditSetValue},
      {10, 1, 7, false, false, A::kShowSource},      {5, 1, 14, false, true, A::kEditSetValue},
      {5, 1, 14, false, false, A::kHighlightCollocate}, {5, 1, 20, false, true, A::kHighlightCollocate},
      {12, 1, 1, false, false, A::kOpenPlotFile},    {12, 1, 6, false, false, A::kPlotDetails},
      {12, 1, 3, false, false, A::kNothing},         {13, 1, 3, false, false, A::kEditSetValue},
      {13, 1, 5, false, false, A::kRelatedClusters}, {13, 1, 4, false, false, A::kNothing},
      {13, 1, 7, true, false, A::kEditSetValue},     {14, 1, 4, false, false, A::kHighlightCollocate},
      {17, 2, 1, false, false, A::kOpenCellFile},    {20, 1, 6, false, false, A::kTimelineData},
      {20, 1, 2, false, false, A::kNothing},         {99, 1, 1, false, false, A::kNothing},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DoubleClickActionOf(c.type, c.row, c.column, c.set, c.colloc_set), c.action)
        << c.type << " " << c.column;
}

TEST(CellDoubleClick, RelatedClustersAreUpperCasedAndSorted) {
  EXPECT_EQ(RelatedClustersOfCell(u"the cat,a dog"), (std::vector<UString>{u"A DOG", u"THE CAT"}));
  EXPECT_EQ(RelatedClustersOfCell(u"one"), std::vector<UString>{u"ONE"});
  EXPECT_TRUE(RelatedClustersOfCell(u"").empty());
  EXPECT_EQ(RelatedClustersOfCell(u",b,,a,"), (std::vector<UString>{u"A", u"B"}));
}

TEST(CellDoubleClick, ParallelTextExcerptsStartUpToTwoHundredBefore) {
  auto at = [](size_t position_1based) {
    UString text(600, u'.');
    text.replace(position_1based - 1, 4, u"WORD");
    return text;
  };
  const struct { size_t found; size_t start; } cases[] = {{15, 15}, {250, 50}, {21, 21}, {22, 2}, {41, 21}, {400, 200}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.found);
    const std::optional<UString> e = ParallelTextExcerpt(at(c.found), u"WORD");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->size(), std::min<size_t>(400, 600 - (c.start - 1)));
    EXPECT_EQ(e->find(u"WORD"), c.found - c.start);
  }
  EXPECT_FALSE(ParallelTextExcerpt(u"nothing here", u"WORD"));
  EXPECT_FALSE(ParallelTextExcerpt(u"nothing here", u""));
  EXPECT_EQ(*ParallelTextExcerpt(u"a <***><start=12>b <start=3>c", u"a"), u"a <12>b >3>c");
  EXPECT_EQ(ParallelTextLine(u"/t/film.en_srt", u"hello"), u".EN_SRT\thello");
  const struct { const char16_t* name; bool parallel; } names[] = {
      {u"film.en_srt", true}, {u"/x/film.FR_SRT", true}, {u"film.srt", false}, {u"film.eng_srt", false},
      {u"film.en_srt.txt", false}, {u"dir.en_srt/film", false}};
  for (const auto& n : names) EXPECT_EQ(IsParallelTextName(n.name), n.parallel) << Utf16ToUtf8(n.name);
}

}  // namespace

namespace {

TEST(CellDoubleClick, TimelineDataAndPlotDetailsAsViewerLines) {
  EXPECT_EQ(TimelineDataLines(u"river\t2001: 3 hits\t2002: 1 hits\t\t"),
            (std::vector<UString>{u"river", u"2001: 3 hits", u"2002: 1 hits"}));
  EXPECT_TRUE(TimelineDataLines(u"").empty());
  // 3 of 400 words is 0.75%; 400 of 400, 100%.
  EXPECT_EQ(PlotRowDetailsLines(u"a.txt", 400, 2, 0.5f, {3, 400}),
            (std::vector<UString>{u"a.txt\twords 400\thits 2\tdispersion 0.500", u"3\t0.75%", u"400\t100.00%"}));
  // A row without words cannot say where its hits lie.
  EXPECT_EQ(PlotRowDetailsLines(u"g", 0, 1, 0.0f, {7})[1], u"7\t0.00%");
}

TEST(CellDoubleClick, SameNamedTextsAndTheirExcerpts) {
  TempFolder tmp;
  const UString text = tmp.Write(u"film.txt", std::string("<start=00:01>the river rises"));
  tmp.Write(u"film.fr_srt", std::string("<***><start=00:01>la rivi\xC3\xA8re monte, the river"));
  tmp.Write(u"film.DE_SRT", std::string("der Fluss steigt"));
  tmp.Write(u"film.en_txt", std::string("the river"));   // not a parallel text
  tmp.Write(u"filmx.es_srt", std::string("the river"));  // another name
  // UTF-16 without its mark, as subtitle tools may write it.
  std::string italian;
  for (char c : std::string("il fiume, the river")) italian += {c, '\0'};
  tmp.Write(u"film.it_srt", italian);
  const std::vector<UString> named = SameNamedTexts(text);
  EXPECT_EQ(named, (std::vector<UString>{text, tmp.Path() + u"film.DE_SRT", tmp.Path() + u"film.fr_srt",
                                         tmp.Path() + u"film.it_srt"}));
  const auto excerpts = SameNamedTextExcerpts(text, u"the river");
  ASSERT_EQ(excerpts.size(), 3u);  // the German text does not hold the words
  EXPECT_EQ(excerpts[0].first, text);
  // Found at character 14 of the text: the excerpt starts there; at character 36 of the French,
  // 20 characters earlier. The extension keeps its dot: the language is read from ".FR".
  EXPECT_EQ(excerpts[0].second, u".TXT\tthe river rises");
  EXPECT_EQ(excerpts[1].second, u".FR_SRT\t1>la rivi\u00E8re monte, the river");
  EXPECT_EQ(excerpts[2].second, u".IT_SRT\tthe river");
  EXPECT_TRUE(SameNamedTexts(tmp.Path() + u"gone.txt").empty());
}

TEST(CellDoubleClick, TextsWithSameNamedTextsBesideThem) {
  TempFolder tmp;
  const UString film = tmp.Write(u"a/film.txt", std::string("x"));
  tmp.Write(u"a/film.en_srt", std::string("x"));
  const UString talk = tmp.Write(u"a/talk.txt", std::string("x"));
  tmp.Write(u"a/talkx.en_srt", std::string("x"));  // another name
  tmp.Write(u"a/talk.en_txt", std::string("x"));   // not a parallel text
  const UString subtitle = tmp.Write(u"b/song.fr_srt", std::string("x"));
  const UString song = tmp.Write(u"b/song.txt", std::string("x"));
  const UString alone = tmp.Write(u"c/alone.en_srt", std::string("x"));
  const UString elsewhere = tmp.Write(u"d/film.txt", std::string("x"));  // its partner is in a/
  const UString upper = tmp.Write(u"e/news.txt", std::string("x"));
  tmp.Write(u"e/news.DE_SRT", std::string("x"));
  const UString other_case = tmp.Write(u"f/Report.txt", std::string("x"));
  tmp.Write(u"f/report.en_srt", std::string("x"));  // names differ in case: not the same name
  struct Case {
    std::vector<UString> texts;
    bool partnered;
  } cases[] = {
      {{}, false},
      {{film}, true},
      {{talk}, false},
      {{talk, film}, true},
      {{song}, true},
      {{subtitle}, false},  // only itself under that name
      {{subtitle, song}, true},
      {{alone}, false},
      {{elsewhere}, false},
      {{upper}, true},
      {{other_case}, false},
      {{tmp.Path() + u"a/gone.txt"}, false},
      {{u"film.txt"}, false},  // no folder
      {{}, false},             // (the many texts below)
      {{}, true},
  };
  // A folder of many texts, names ending as a parallel text's almost do, and one text with a
  // partner among them, last: the texts are shared among the workers in pieces.
  std::vector<UString> many;
  for (int i = 0; i < 300; ++i) many.push_back(tmp.Write(u"g/t" + IntToUStr(i) + u".txt", std::string("x")));
  for (const char16_t* odd : {u"g/t1.en_art", u"g/t2.srt", u"g/t3.en_sr", u"g/t4.txt_srt", u"g/t5.en_srtx"})
    tmp.Write(odd, std::string("x"));
  ForceDirectories(tmp.Path() + u"g/t6.en_srt");  // a folder, not a text
  cases[13].texts = many;
  tmp.Write(u"h/t299.En_sRt", std::string("x"));
  cases[14].texts = many;
  for (int i = 0; i < 300; ++i) cases[14].texts.push_back(tmp.Path() + u"h/t" + IntToUStr(i) + u".txt");
  for (int i = 0; i < 300; ++i) tmp.Write(u"h/t" + IntToUStr(i) + u".txt", std::string("x"));
  for (const Case& c : cases) {
    std::string names;
    for (const UString& t : c.texts) names += Utf16ToUtf8(t) + " ";
    for (const int32_t threads : {1, 3, 8})
      EXPECT_EQ(AnyTextHasSameNamedTexts(c.texts, threads), c.partnered) << threads << " workers: " << names.substr(0, 300);
  }
}

}  // namespace
