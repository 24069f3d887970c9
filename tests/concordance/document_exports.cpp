// The pages of a real concordance saved as text: every field as the page's grid shows it, the
// heading row and the data rows with the same fields, and numbers worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>

#include "concordance/views/clusters_list.h"
#include "concordance/views/collocates_list.h"
#include "concordance/views/plot_list.h"
#include "document_test_support.h"
#include "model/export_test_support.h"
#include "model/export/list_export.h"
#include "platform/runtime/vx_resources.h"
#include "shell/grid_tools/grid_cells.h"

using namespace document_test;

namespace {

// a.txt: "old" at words 2, 17 and 31 of 33; b.txt: at word 6 of 8. The hits stand far enough
// apart for no two of them to share a cluster.
TTextFolder SpacedCorpus() {
  return TTextFolder({{u"a.txt",
                       "the old man came here one two three four five six seven eight nine ten the old dog "
                       "barked eleven twelve thirteen fourteen fifteen sixteen seventeen eighteen nineteen "
                       "twenty an old dog sat"},
                      {u"b.txt", "one two three four the old man went"}});
}

// Hits close together, so that every page has rows.
TTextFolder DenseCorpus() {
  return TTextFolder({{u"a.txt", "the old man and the sea. the old dog ran. an old dog sat."},
                      {u"b.txt", "a dog and an old cat. the old man."}});
}

// "old" in the corpus, with clusters of two words up to the given size.
TRunDone RunOld(const TTextFolder& corpus, int32_t largest_cluster) {
  TConcSettingsRec32 rec = GetConcSaveRec();
  rec.SetClusterSizeMin(2);
  rec.SetClusterSizeMax(largest_cluster);
  rec.SetClusterMinFrequency(1);
  SetConcSaveRec(rec);
  return RunConcordance({corpus.names, u"old"});
}

using TFields = std::vector<UString>;

std::vector<TFields> ExportedText(TConcordanceDerivedList& list, TVXBaseHolder& holder, const UString& name) {
  if (!ExportListAsTXT(list, holder, name)) return {};
  return TextExportFields(name);
}

size_t ColumnOf(const TFields& headings, UStringView heading) {
  return static_cast<size_t>(std::find(headings.begin(), headings.end(), UString(heading)) - headings.begin());
}

}  // namespace

// Each derived page as text: the heading row and every data row have as many fields as the page
// has shown columns, and each field is what the page's grid shows in that cell (a plot's drawn
// column gives its hit positions).
TEST(DocumentExports, EveryPageWritesItsCellsAsTheGridShowsThem) {
  ScopedSettings settings;
  const TTextFolder corpus = DenseCorpus();
  TRunDone run = RunOld(corpus, 3);
  ASSERT_TRUE(run.found);
  T_WholeLinzoraHolder& doc = *run.doc;
  struct Page {
    const char* name;
    TConcordanceDerivedList* list;
  } pages[] = {{"collocates", doc.fCollocateList.get()},
               {"clusters", doc.fClusterList.get()},
               {"plot", doc.fConcPlotList.get()},
               {"patterns", doc.fPatternsList.get()}};
  for (const Page& page : pages) {
    ASSERT_NE(page.list, nullptr) << page.name;
    ASSERT_GT(page.list->TotalRowCount(), 0) << page.name;
    const std::vector<TFields> rows =
        ExportedText(*page.list, doc, corpus.tmp.Path() + UString(page.name, page.name + strlen(page.name)) + u".txt");
    ASSERT_EQ(static_cast<int>(rows.size()), page.list->TotalRowCount() + 1) << page.name;
    const std::vector<int> columns = ExportedColumns(*page.list, doc);
    for (size_t r = 0; r < rows.size(); ++r) {
      ASSERT_EQ(rows[r].size(), columns.size()) << page.name << " row " << r;
      for (size_t k = 0; k < columns.size(); ++k) {
        TGrid_data_rec cell;
        page.list->DrawgridDataRec(columns[k], static_cast<int>(r), cell, 0);
        const UString shown = !cell.visible ? UString()
                              : cell.export_kind == kExportKindPlotPositions ? PlotPositionsText(cell)
                                                                              : GridCellText(cell);
        EXPECT_EQ(Utf16ToUtf8(rows[r][k]), Utf16ToUtf8(shown)) << page.name << " row " << r << " column " << columns[k];
      }
    }
  }
}

// What the pages hold, counted by hand: hits and their positions per text on the plot, and the
// frequencies of clusters.
TEST(DocumentExports, PlotAndClustersHoldTheNumbersCountedByHand) {
  ScopedSettings settings;
  // Positions alone: the plot keeps no hit contexts, which would follow each position.
  TPlotSettingsRec no_contexts = GetPlotSettings();
  no_contexts.SetShowPlotInfo(false);
  SetPlotSettings(no_contexts);
  const TTextFolder corpus = SpacedCorpus();
  TRunDone run = RunOld(corpus, 2);
  ASSERT_TRUE(run.found);
  T_WholeLinzoraHolder& doc = *run.doc;

  const std::vector<TFields> plot = ExportedText(*doc.fConcPlotList, doc, corpus.tmp.Path() + u"plot.txt");
  ASSERT_GE(plot.size(), 3u);
  const size_t file = ColumnOf(plot[0], VXRes(TVXRes::VXFilename));
  const size_t hits = ColumnOf(plot[0], VXRes(TVXRes::VXHits));
  const size_t plots = ColumnOf(plot[0], VXRes(TVXRes::VXPlots));
  ASSERT_LT(hits, plot[0].size());
  ASSERT_LT(file, plot[0].size());
  ASSERT_LT(plots, plot[0].size());
  // The rows name the text (its name without extension) and the search word.
  std::map<char16_t, std::pair<std::string, std::string>> by_text;  // hits, positions
  for (size_t r = 1; r < plot.size(); ++r)
    if (!plot[r][file].empty()) by_text[plot[r][file][0]] = {Utf16ToUtf8(plot[r][hits]), Utf16ToUtf8(plot[r][plots])};
  EXPECT_EQ(by_text[u'a'], (std::pair<std::string, std::string>{"3", "2; 17; 31"}));
  EXPECT_EQ(by_text[u'b'], (std::pair<std::string, std::string>{"1", "6"}));

  // Two-word clusters: "the old" 3 times, "old man" and "old dog" twice, "an old" once.
  const std::vector<TFields> clusters = ExportedText(*doc.fClusterList, doc, corpus.tmp.Path() + u"clusters.txt");
  ASSERT_GE(clusters.size(), 2u);
  const size_t freq = ColumnOf(clusters[0], VXRes(TVXRes::VXFrequency));
  ASSERT_LT(freq, clusters[0].size());
  std::map<std::string, std::string> frequency;
  for (size_t r = 1; r < clusters.size(); ++r) {
    std::string words = Utf16ToUtf8(clusters[r][1]);
    std::transform(words.begin(), words.end(), words.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
    frequency[words] = Utf16ToUtf8(clusters[r][freq]);
  }
  const std::map<std::string, std::string> counted = {{"the old", "3"}, {"old man", "2"}, {"old dog", "2"}, {"an old", "1"}};
  for (const auto& [words, n] : counted) EXPECT_EQ(frequency[words], n) << words;
}

// The concordance as XML: each element is named from its column's heading (the list makes its
// captions itself and keeps no heading texts), not "_" and a number.
TEST(DocumentExports, ConcordanceXmlElementsAreNamedFromTheHeadings) {
  ScopedSettings settings;
  const TTextFolder corpus = DenseCorpus();
  TRunDone run = RunOld(corpus, 2);
  ASSERT_TRUE(run.found);
  T_WholeLinzoraHolder& doc = *run.doc;
  TConcordanceList& lines = *doc.fConcordanceList;
  // As the window's page gives it: sixteen columns whose captions the list makes.
  lines.SetHeadings(std::vector<UString>(16));
  const UString name = corpus.tmp.Path() + u"lines.xml";
  ASSERT_TRUE(ExportListAsXML(lines, doc, name));
  std::string xml;
  {
    std::ifstream in(Utf16ToUtf8(name), std::ios::binary);
    xml.assign(std::istreambuf_iterator<char>(in), {});
  }
  const std::vector<int> columns = ExportedColumns(lines, doc);
  ASSERT_GT(columns.size(), 5u);
  int named = 0;
  for (size_t k = 0; k < columns.size(); ++k) {
    TGrid_data_rec heading;
    lines.DrawgridDataRec(columns[k], 0, heading, 0);
    const UString caption = GridCellText(heading);
    if (caption.empty()) continue;
    ++named;
    const std::string element = "<" + Utf16ToUtf8(XMLElementName(caption, static_cast<int32_t>(k))) + ">";
    EXPECT_NE(xml.find(element), std::string::npos) << element;
  }
  EXPECT_GT(named, 5);
  for (int k = 1; k <= 15; ++k) EXPECT_EQ(xml.find("<_" + std::to_string(k) + ">"), std::string::npos) << k;
  EXPECT_EQ(xml.find("<_>"), std::string::npos);
}
