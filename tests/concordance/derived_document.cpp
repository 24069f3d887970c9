// The derived views as the concordance document computes, saves and reopens them.
#include <gtest/gtest.h>

#include "concordance/views/clusters_list.h"
#include "concordance/views/collocates_list.h"
#include "concordance/views/patterns_list.h"
#include "concordance/views/plot_list.h"
#include "concordance/views/timeline_list.h"
#include "document_test_support.h"

using namespace document_test;

namespace {

struct TCorpus {
  TempFolder tmp;
  std::vector<UString> names;
  TCorpus() {
    names.push_back(tmp.Write(u"a.txt", "the old man and the sea. the old dog ran. an old dog sat."));
    names.push_back(tmp.Write(u"b.txt", "a dog and an old cat. the old man."));
    names.push_back(tmp.Write(u"e.txt", "nothing here at all."));
  }
};

void TimelineOn() {
  SetCarryoutProcedureTagBoolean(58, true);
  SetTimeLinePlotBase(kTimeBaseYear);
  TConcSettingsRec32 rec = GetConcSaveRec();
  rec.SetClusterSizeMin(2);
  rec.SetClusterSizeMax(3);
  rec.SetClusterMinFrequency(1);
  SetConcSaveRec(rec);
}

template <class L>
L& View(const std::unique_ptr<TConcordanceDerivedList>& l) {
  auto* v = dynamic_cast<L*>(l.get());
  EXPECT_NE(v, nullptr);
  return *v;
}

}  // namespace

TEST(DerivedViewsInDocument, ARunComputesAllFiveAndTheFileKeepsThem) {
  ScopedSettings settings;
  TimelineOn();
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"old\ndog"});
  ASSERT_TRUE(run.found);
  T_WholeLinzoraHolder& doc = *run.doc;
  const TConcordanceWorkDoneRec w = doc.WorkDone();
  EXPECT_TRUE(w.collocates && w.clusters && w.patterns && w.plot && w.timeline);
  auto& coll = View<TCollocateList>(doc.fCollocateList);
  auto& plot = View<TConcPlotList>(doc.fConcPlotList);
  auto& clusters = View<TConcordanceClusterList>(doc.fClusterList);
  auto& patterns = View<TPatternsList>(doc.fPatternsList);
  auto& timeline = View<TTimelineList>(doc.fTimeLineList);
  EXPECT_GT(coll.Count(), 0);
  EXPECT_GT(patterns.Count(), 0);
  EXPECT_GT(clusters.Count(), 0);
  EXPECT_EQ(plot.Count(), 4);  // two texts x two search words, every pair with hits
  EXPECT_EQ(timeline.Count(), 2);
  EXPECT_EQ(int32_t{timeline.overall.rec.head.hits}, doc.fConcordanceList->Count());
  EXPECT_GT(doc.fHighestClusterFrequency, 0);

  const std::string first = SavedBytes(doc);
  auto back = NewDocument();
  ASSERT_TRUE(ReadBack(*back, first)) << Utf16ToUtf8(back->ReadFailure());
  const TConcordanceWorkDoneRec wb = back->WorkDone();
  EXPECT_TRUE(wb.collocates && wb.clusters && wb.patterns && wb.plot && wb.timeline);
  auto& coll2 = View<TCollocateList>(back->fCollocateList);
  ASSERT_EQ(coll2.Count(), coll.Count());
  for (int i = 0; i < coll.Count(); ++i) {
    EXPECT_EQ(coll2.Row(i)->rec.word, coll.Row(i)->rec.word);
    EXPECT_EQ(coll2.Row(i)->rec.freqs, coll.Row(i)->rec.freqs);
  }
  auto& clusters2 = View<TConcordanceClusterList>(back->fClusterList);
  ASSERT_EQ(clusters2.Count(), clusters.Count());
  for (int i = 0; i < clusters.Count(); ++i)
    EXPECT_EQ(clusters2.Row(i)->rec.related_line, clusters.Row(i)->rec.related_line);
  auto& patterns2 = View<TPatternsList>(back->fPatternsList);
  ASSERT_EQ(patterns2.Count(), patterns.Count());
  EXPECT_EQ(patterns2.Row(0)->GetAWordAsString(5), patterns.Row(0)->GetAWordAsString(5));
  auto& plot2 = View<TConcPlotList>(back->fConcPlotList);
  ASSERT_EQ(plot2.Count(), plot.Count());
  EXPECT_EQ(plot2.overall.plots.Count(), plot.overall.plots.Count());
  auto& timeline2 = View<TTimelineList>(back->fTimeLineList);
  ASSERT_EQ(timeline2.Count(), 2);
  EXPECT_EQ(int32_t{timeline2.overall.rec.head.words}, int32_t{timeline.overall.rec.head.words});
  EXPECT_EQ(SavedBytes(*back), first);
}

TEST(DerivedViewsInDocument, NoSearchItemLeavesThePlotAndComputesTheRest) {
  ScopedSettings settings;
  TimelineOn();
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"old"});
  ASSERT_TRUE(run.found);
  T_WholeLinzoraHolder& doc = *run.doc;
  // A damaged document: lines but no search items.
  doc.fSearchWords.Clear();
  doc.fComputed = {};
  doc.ComputeAfterConcordance(false);
  const TConcordanceWorkDoneRec w = doc.WorkDone();
  EXPECT_FALSE(w.plot);
  EXPECT_EQ(doc.fConcPlotList->Count(), 0);
  EXPECT_TRUE(w.collocates);
  EXPECT_TRUE(w.clusters);
  EXPECT_TRUE(w.timeline);
}

TEST(DerivedViewsInDocument, TimelineOffOrUndefinedBasisComputesNothing) {
  ScopedSettings settings;
  TimelineOn();
  SetTimeLinePlotBase(kTimeBaseUndefined);
  TCorpus corpus;
  TRunDone run = RunConcordance({corpus.names, u"old"});
  ASSERT_TRUE(run.found);
  EXPECT_FALSE(run.doc->WorkDone().timeline);
  EXPECT_EQ(run.doc->fTimeLineList->Count(), 0);
  SetTimeLinePlotBase(kTimeBaseYear);
  SetCarryoutProcedureTagBoolean(58, false);
  EXPECT_FALSE(run.doc->fTimeLineList->Compute(false));
  SetCarryoutProcedureTagBoolean(58, true);
  EXPECT_TRUE(run.doc->fTimeLineList->Compute(false));
}

// The patterns' first position column is position 55 when the concordance's language is written
// right to left, in the run's document and in the one read back from its file.
TEST(DerivedViewsInDocument, PatternsFollowTheDocumentsWritingDirection) {
  for (const auto& [lcid, first_span] : {std::pair{0x0409, 45}, std::pair{0x0401, 55}, std::pair{0x040D, 55}}) {
    SCOPED_TRACE(lcid);
    ScopedSettings settings;
    TTextsett_rec32 text = GetTextSettings();
    text.SetLCID(lcid);
    SetTextSettings(text);
    TCorpus corpus;
    TRunDone run = RunConcordance({corpus.names, u"old\ndog"});
    ASSERT_TRUE(run.found);
    auto& patterns = View<TPatternsList>(run.doc->fPatternsList);
    EXPECT_EQ(patterns.PatternColToSpan(0), first_span);
    EXPECT_EQ(patterns.PatternColToSpan(10), 100 - first_span);
    auto back = NewDocument();
    ASSERT_TRUE(ReadBack(*back, SavedBytes(*run.doc)));
    EXPECT_EQ(View<TPatternsList>(back->fPatternsList).PatternColToSpan(0), first_span);
  }
}
