// The main window's runs read their texts on every core: one worker and all of them give the
// same document, over the bundled samples and over a generated folder of mixed texts.
#include <QDir>
#include <regex>
#include <sstream>
#include <thread>

#include "concordance/document/source_files.h"
#include "shell/grid_tools/grid_cells.h"
#include "shell/qt/page_list.h"
#include "shell/qt/vx_grid.h"
#include "model/text_reader_test_support.h"
#include "platform/rtl/streams.h"
#include "window/main_road_support.h"

namespace {

// What a document holds, as text: every line's stored record and text in list order, the texts
// with and without hits, the counts per search word, the derived lists' sizes and the notes.
std::string Described(T_WholeLinzoraHolder& doc) {
  std::string out;
  TConcordanceList& list = *doc.fConcordanceList;
  for (int i = 0; i < list.Count(); ++i) {
    TMemoryStream s;
    EXPECT_TRUE(list.Line(i)->SaveToStream(s));
    out += "line " + std::to_string(i) + ": " + std::to_string(s.Data().size()) + " bytes, " +
           std::to_string(std::hash<std::string>{}(std::string(s.Data().begin(), s.Data().end()))) + "\n";
  }
  for (int i = 0; i < doc.fTextFilesWithSearchWord->Count(); ++i) {
    const TLinzoraFilenameEntryRecPlus r = doc.fTextFilesWithSearchWord->GetEntryRecPlus(i, false);
    out += "text " + Utf16ToUtf8(doc.fTextFilesWithSearchWord->GetFullFilename(i, false)) + " hits " +
           std::to_string(r.other_data.hits_this_file) + " words " + std::to_string(r.head.words_in_source_file) + "\n";
  }
  for (int32_t i = 0; i < doc.fUnusedFiles.Count(); ++i)
    out += "unused " + Utf16ToUtf8(doc.fUnusedFiles.Record(i).filename) + " words " +
           std::to_string(doc.fUnusedFiles.Record(i).old.wordcount) + "\n";
  for (const int32_t n : doc.SWSFoundCounter()) out += "found " + std::to_string(n) + "\n";
  out += "collocates " + std::to_string(doc.fCollocateList->Count()) + ", clusters " +
         std::to_string(doc.fClusterList->Count()) + ", patterns " + std::to_string(doc.fPatternsList->Count()) +
         ", plot " + std::to_string(doc.fConcPlotList->Count()) + "\n";
  // What the derived lists save, byte for byte (a hash of each).
  for (TConcordanceDerivedList* derived :
       {doc.fCollocateList.get(), doc.fClusterList.get(), doc.fPatternsList.get(), doc.fConcPlotList.get()}) {
    TMemoryStream s;
    EXPECT_TRUE(derived->SaveToStream(s));
    out += "derived " + std::to_string(s.Data().size()) + " bytes, " +
           std::to_string(std::hash<std::string>{}(std::string(s.Data().begin(), s.Data().end()))) + "\n";
  }
  out += "running words " + std::to_string(doc.fSettings.RunningWords()) + "\n";
  // Lines stamped with the time of the run are left out.
  const std::regex stamped(R"((\d{4}-\d\d-\d\d \d\d:\d\d)|\(took )");
  for (const UString& note : doc.fNotes.Lines()) {
    const std::string line = Utf16ToUtf8(note);
    if (!std::regex_search(line, stamped)) out += line + "\n";
  }
  return out;
}

// Texts of every kind the reader meets: plain, UTF-16 with and without a mark, 8-bit, mark-up,
// empty, a byte-order mark alone, a binary, and one of several chunks.
std::vector<UString> WriteMixedTexts(TempFolder& folder, int count) {
  const std::string sentence = "The river ran by the old mill. Under the bridge the river was deep, and the mill-race loud. ";
  std::vector<UString> names;
  for (int i = 0; i < count; ++i) {
    std::string body;
    for (int k = 0; k < 3 + (i * 7) % 40; ++k) body += sentence.substr(static_cast<size_t>(k % 5));
    const UString name = u"text" + IntToUStr(1000 + i) + u".txt";
    std::string bytes;
    switch (i % 6) {
      case 0: bytes = text_reader_test::Utf16Bytes(Utf8ToUtf16(body), true, i % 12 == 0); break;
      case 1: bytes = "\xEF\xBB\xBF" + body + "caf\xC3\xA9 by the river."; break;
      case 2: bytes = body + "caf\xE9 by the river."; break;  // 8-bit
      case 3: bytes = "<html><body><p>" + body + "</p><p>the river &amp; the mill</p></body></html>"; break;
      case 4: bytes = "<s n=1>" + body + "</s>\n<head>River notes</head>\n" + body; break;
      default: bytes = body; break;
    }
    names.push_back(folder.Write(u"mixed/" + name, bytes));
  }
  names.push_back(folder.Write(u"mixed/empty.txt", ""));
  names.push_back(folder.Write(u"mixed/mark_only.txt", "\xFF\xFE"));
  names.push_back(folder.Write(u"mixed/program.txt", std::string("\x7F" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0", 16) + "river"));
  std::string long_text;
  while (long_text.size() < 5'000'000) long_text += sentence;
  names.push_back(folder.Write(u"mixed/long.txt", long_text));
  return names;
}

// The first line where two descriptions part ("" when they are equal): gtest's own diff of two
// long texts takes more memory than a test may.
std::string FirstDifference(const std::string& a, const std::string& b) {
  size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  if (at == a.size() && at == b.size()) return "";
  const size_t line = a.rfind('\n', at == 0 ? 0 : at - 1);
  const size_t from = line == std::string::npos ? 0 : line + 1;
  return "\n  " + a.substr(from, a.find('\n', at) - from) + "\n  " + b.substr(from, b.find('\n', at) - from);
}

}  // namespace

class MainRoadWorkers : public MainRoadTest {
 protected:
  void TearDown() override {
    unsetenv("LINZORA_THREADS");
    MainRoadTest::TearDown();
  }
  // The run's document described, with the workers it used, and then every page with a grid as
  // the user turns to it (its headings and first rows as text; the plot's rows with their hits).
  std::pair<std::string, int32_t> RunWith(const char* threads, UStringView word) {
    if (threads) setenv("LINZORA_THREADS", threads, 1);
    else unsetenv("LINZORA_THREADS");
    RunFromWizard(word);
    T_WholeLinzoraHolder* doc = Main().Doc();
    if (!doc) return {"no document", 0};
    std::string out = Described(*doc);
    QTabWidget* tabs = Main().Pages()->Tabs();
    for (int t = 0; t < tabs->count(); ++t) {
      tabs->setCurrentIndex(t);
      TVX_Grid* grid = Main().Pages()->GridOfTab(t);
      if (!grid) continue;
      std::vector<int> rows;
      for (int r = 1; r <= std::min(grid->RowCount(), 400); ++r) rows.push_back(r);
      out += "page " + Utf16ToUtf8(FromQString(tabs->tabText(t))) + "\n";
      out += Utf16ToUtf8(GridRowsAsText(grid->Model().Source(), rows, true));
      for (const int r : rows) {
        const TGrid_data_rec& cell = grid->Model().Source().Cell(r, 6);
        for (const TV2GeneralPlotDataRec& hit : cell.plot_hits.Plots())
          out += std::to_string(hit.position) + " " + Utf16ToUtf8(hit.context) + "\n";
      }
    }
    return {out, doc->RunWorkers()};
  }
};

TEST_F(MainRoadWorkers, OneWorkerAndEveryCoreGiveTheSameDocument) {
  TempFolder corpus;
  std::vector<UString> samples;
  for (const QString& f : QDir(QStringLiteral(LINZORA_SAMPLES_DIR)).entryList({QStringLiteral("*.txt")}, QDir::Files))
    samples.push_back(Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/" + FromQString(f));
  ASSERT_GE(samples.size(), 9u);
  const std::vector<UString> mixed = WriteMixedTexts(corpus, 180);
  const int32_t cores = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
  struct Case {
    const char* name;
    const std::vector<UString>& texts;
    int32_t binaries;  // passed over before the run
    const char16_t* words;
  } const cases[] = {{"samples", samples, 0, u"river"}, {"generated folder", mixed, 1, u"river/mill*"}};
  Start();
  for (const Case& c : cases) {
    HandOverTexts(c.texts);
    const auto [one, one_workers] = RunWith("1", c.words);
    const auto [all, all_workers] = RunWith(nullptr, c.words);
    EXPECT_EQ(one_workers, 1) << c.name;
    // Every core, unless there are fewer texts to read.
    EXPECT_EQ(all_workers, std::min<int32_t>(cores, static_cast<int32_t>(c.texts.size()) - c.binaries)) << c.name;
    EXPECT_GT(one.size(), 1000u) << c.name;
    EXPECT_EQ(FirstDifference(one, all), "") << c.name;
    // A second run in the process gives the same document (its lines' texts may be written over
    // pages an earlier list left).
    const auto [again, again_workers] = RunWith(nullptr, c.words);
    EXPECT_EQ(FirstDifference(all, again), "") << c.name;
    // The texts are looked at on the workers before the run: the binary among them is named.
    EXPECT_EQ(all.find("program.txt (not a text)") != std::string::npos, c.binaries > 0) << c.name;
    // The variable still sets the number.
    const auto [three, three_workers] = RunWith("3", c.words);
    EXPECT_EQ(three_workers, 3) << c.name;
    EXPECT_EQ(FirstDifference(one, three), "") << c.name;
  }
}

// Each text's first bytes are looked at once before the run, on the workers: binaries among many
// texts are passed over and named, and the texts with the UTF-8 signature are asked about, all in
// text order and alike on one worker and eight.
TEST_F(MainRoadWorkers, BinariesAndSignedTextsAreHandledInTextOrderOnAnyWorkers) {
  TempFolder corpus;
  std::vector<UString> names, binaries, signed_texts;
  for (int i = 0; i < 300; ++i) {
    const UString name = corpus.Path() + u"many/text" + IntToUStr(1000 + i) + u".txt";
    std::string bytes = "The river ran by mill " + std::to_string(i) + ".\n";
    if (i % 37 == 5) {
      bytes = std::string("\x7F" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0", 16) + bytes;
      binaries.push_back(name + u" (not a text)");
    } else if (i % 11 == 3) {
      bytes = "\xEF\xBB\xBF" + bytes;
      signed_texts.push_back(name);
    }
    EXPECT_EQ(corpus.Write(u"many/text" + IntToUStr(1000 + i) + u".txt", bytes), name);
    names.push_back(name);
  }
  ASSERT_GT(binaries.size(), 5u);
  ASSERT_GT(signed_texts.size(), 20u);
  Start();
  HandOverTexts(names);
  std::string first;
  for (const char* threads : {"1", "8"}) {
    SCOPED_TRACE(threads);
    SetTextConversionOptions(4 | 8);
    dialogs.Clear();
    for (size_t k = 0; k < signed_texts.size(); ++k) dialogs.Script({mrNo});
    const auto [described, workers] = RunWith(threads, u"river");
    std::vector<UString> asked;
    for (const TVXQuestion& q : dialogs.Asked())
      if (q.id == TVXDialog::OKtoSaveXInUnicode) asked.push_back(q.text);
    EXPECT_EQ(asked.size(), signed_texts.size());
    for (size_t k = 0; k < asked.size() && k < signed_texts.size(); ++k)
      EXPECT_NE(asked[k].find(signed_texts[k]), UString::npos) << k;
    // The notes name the binaries in text order.
    std::vector<UString> named;
    std::istringstream lines(described);
    for (std::string line; std::getline(lines, line);) {
      const size_t at = line.find(Utf16ToUtf8(corpus.Path()));
      if (at != std::string::npos && line.find("(not a text)") != std::string::npos)
        named.push_back(Utf8ToUtf16(line.substr(at)));
    }
    EXPECT_EQ(named, binaries);
    EXPECT_NE(described.find("line 0:"), std::string::npos);
    if (first.empty()) first = described;
    else EXPECT_EQ(FirstDifference(first, described), "");
  }
}
