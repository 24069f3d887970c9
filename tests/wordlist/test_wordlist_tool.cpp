// linzora_wordlist run as a process on the samples, as a user runs it: its word list is one the
// concordancer takes as reference corpus and counts what a concordance finds; its index, made in
// one go or added to, hands on the places a concordance has; the analyses write their files; and
// each bad input is named with its exit code, nothing written.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "../model/text_reader_test_support.h"
#include "concordance/document/concordance_document.h"
#include "concordance/views/reference_corpus.h"
#include "shell/files/file_recognition.h"
#include "tools/wordlist_commands.h"
#include "wordlist/detailed_consist.h"
#include "wordlist/index_test_support.h"
#include "wordlist/wordlist_tool_runner.h"
#include "wordlist/relationships_list.h"
#include "platform/rtl/streams.h"
#include "platform/zip/zip_forge.h"

extern char** environ;

namespace {

using namespace index_test;
using text_reader_test::ScopedSettings;

const std::string kSamplesDir = LINZORA_SAMPLES_DIR;

using wordlist_tool_test::ReadAll;
using wordlist_tool_test::TToolRun;

class WordlistTool : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    global_panic_state = kPanicNone;
    setenv("TMPDIR", Utf16ToUtf8(handover.Path()).c_str(), 1);
  }
  void TearDown() override { unsetenv("TMPDIR"); }

  // The program with these arguments, in this process's environment (its settings folder and
  // hand-over folder are the test's own); its standard output and error caught in files.
  TToolRun Run(const std::vector<std::string>& args) {
    return wordlist_tool_test::RunWordlistProgram(args, Utf16ToUtf8(dir.Path()));
  }
  std::string Path(const std::string& name) const { return Utf16ToUtf8(dir.Path()) + name; }
  // The samples split over two folders: the first five texts, then the rest (the zip too).
  void SplitSamples() {
    int i = 0;
    for (const auto& e : std::filesystem::directory_iterator(kSamplesDir)) {
      const std::string name = e.path().filename().string();
      if (name == "README.md") continue;
      names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      const std::string to = Path(i++ < 5 ? "a/" : "b/");
      std::filesystem::create_directories(to);
      std::filesystem::copy_file(kSamplesDir + "/" + name, to + name);
    }
  }
  // Texts chosen as the program chooses them: every ".txt" of each folder, in order.
  std::vector<TChosenFileDetailsFullRec> Chosen(const std::vector<std::string>& folders) {
    TSharedChosenFilesClass chosen(false, nullptr, kToolWordLister);
    for (const std::string& f : folders) chosen.AddedFolderContents(Utf8ToUtf16(f), u"*.txt", true, true);
    std::vector<TChosenFileDetailsFullRec> texts;
    for (int32_t i = 0; i < chosen.FileCount(); ++i) texts.push_back(chosen.GetFullFileDetails(i));
    return texts;
  }
  static std::unique_ptr<T_WholeWordlistHolder> Read(const std::string& file) {
    auto doc = PlainDoc();
    EXPECT_TRUE(doc->ReadWholeFromFile(Utf8ToUtf16(file), kToolWordLister).first) << file;
    return doc;
  }
  static int32_t FrequencyOf(TVXWordList& words, UStringView word) {
    for (int i = 0; i < words.Count(); ++i)
      if (words.Row(i)->data.word == word) return words.Row(i)->data.frequency;
    return -1;
  }

  ScopedSettings settings;
  TempFolder dir, handover;
  std::vector<std::string> names;
};

TEST_F(WordlistTool, ListIsTheSameOnEveryCoreCountsWhatAConcordanceFindsAndServesAsReferenceCorpus) {
  const TToolRun many = Run({"list", kSamplesDir, "-o", Path("corpus.lst"), "--threads", "4"});
  ASSERT_EQ(many.code, 0) << many.err;
  EXPECT_NE(many.out.find("corpus.lst: "), std::string::npos) << many.out;
  EXPECT_NE(many.err.find("list 100%"), std::string::npos) << many.err;
  const TToolRun one = Run({"list", kSamplesDir, "-o", Path("one.lst"), "--threads", "1"});
  ASSERT_EQ(one.code, 0) << one.err;
  auto corpus = Read(Path("corpus.lst"));
  EXPECT_EQ(RowsOf(corpus->Words()), RowsOf(Read(Path("one.lst"))->Words()));
  EXPECT_EQ(corpus->Stats().Count(), 10);
  // A word's frequency is the number of its concordance lines.
  EXPECT_EQ(FrequencyOf(corpus->Words(), u"RIVER"),
            static_cast<int32_t>(ConcordancePlaces(Chosen({kSamplesDir}), u"river").size()));

  // The stored word-list settings count: words found fewer than three times are left out.
  ASSERT_EQ(Run({"settings", "min-frequency=3"}).code, 0);
  ASSERT_EQ(Run({"list", kSamplesDir, "-o", Path("frequent.lst")}).code, 0);
  auto frequent = Read(Path("frequent.lst"));
  int32_t kept = 0;
  for (int i = 0; i < corpus->Words().Count(); ++i) kept += corpus->Words().Row(i)->data.frequency >= 3 ? 1 : 0;
  EXPECT_EQ(frequent->Words().Count(), kept);
  EXPECT_EQ(FrequencyOf(frequent->Words(), u"RIVER"), FrequencyOf(corpus->Words(), u"RIVER"));

  // The concordancer's check of a reference corpus, then its relationships against it.
  const TFileExamination file = ExamineFile(Utf8ToUtf16(Path("corpus.lst")), kToolWordLister);
  EXPECT_EQ(file.verdict, TFileVerdict::ForThisTool);
  EXPECT_EQ(file.list_type, kListWordList);
  T_WholeLinzoraHolder conc(kListConcordance, nullptr, nullptr, nullptr, true, true, nullptr, nullptr);
  ASSERT_TRUE(conc.LoadedAReferenceCorpusWordlist(Utf8ToUtf16(Path("corpus.lst"))));
  EXPECT_EQ(conc.ReferenceCorpusWordlistFilename, Utf8ToUtf16(Path("corpus.lst")));
}

TEST_F(WordlistTool, IndexMadeOrAddedToHandsOnTheConcordancesPlaces) {
  SplitSamples();
  const std::string index = Path("idx/samples");
  std::filesystem::create_directories(Path("idx"));
  const TToolRun first = Run({"index", Path("a"), "-o", index});
  ASSERT_EQ(first.code, 0) << first.err;
  EXPECT_NE(first.out.find("made, 5 texts"), std::string::npos) << first.out;
  const TToolRun second = Run({"index", Path("b"), "-o", index, "--threads", "3"});
  ASSERT_EQ(second.code, 0) << second.err;
  EXPECT_NE(second.out.find("added to, 10 texts"), std::string::npos) << second.out;
  for (const char* ext : {".tokens", ".types", ".markup", ".stats"})
    EXPECT_TRUE(FileExists(Utf8ToUtf16(index + ext))) << ext;

  const std::vector<TChosenFileDetailsFullRec> texts = Chosen({Path("a"), Path("b")});
  for (const char* word : {"river", "the mill"}) {
    const TToolRun contexts = Run({"contexts", index, word});
    ASSERT_EQ(contexts.code, 0) << contexts.err;
    TTellLinzoraList request(kToolWordLister, kToolConcordancer);
    ASSERT_TRUE(request.ReadRequestFile()) << Utf16ToUtf8(request.Failure());
    ASSERT_EQ(request.Count(), 1);
    ASSERT_NE(request.StatsList(), nullptr);
    ASSERT_EQ(request.StatsList()->Count(), 10);
    for (int i = 0; i < 10; ++i)
      EXPECT_EQ(request.StatsList()->GetEntryFullFilename(i),
                IncludeTrailingPathDelimiter(texts[static_cast<size_t>(i)].folder) + texts[static_cast<size_t>(i)].rec.filename);
    const TPlaces hits = ConcordancePlaces(texts, Utf8ToUtf16(word));
    ASSERT_FALSE(hits.empty()) << word;
    TPlaces handed = Places(request.Item(0)->jumplist);
    std::sort(handed.begin(), handed.end());
    EXPECT_EQ(handed, hits) << word;
    EXPECT_NE(contexts.out.find(std::to_string(hits.size()) + " contexts"), std::string::npos) << contexts.out;
    EXPECT_NE(contexts.out.find("linzora wordlister"), std::string::npos);
  }
}

TEST_F(WordlistTool, AnalysesWriteTheirFiles) {
  SplitSamples();
  const std::string index = Path("samples");
  ASSERT_EQ(Run({"index", kSamplesDir, "-o", index, "--threads", "3"}).code, 0);
  ASSERT_EQ(Run({"index", kSamplesDir, "-o", Path("one_core"), "--threads", "1"}).code, 0);
  EXPECT_TRUE(ReadIndexBytes(Utf8ToUtf16(index)) == ReadIndexBytes(Utf8ToUtf16(Path("one_core"))));
  ASSERT_EQ(Run({"list", kSamplesDir, "-o", Path("all.lst")}).code, 0);
  auto all = Read(Path("all.lst"));

  // Clusters: "the river" as often as the index places the phrase.
  SetWordlistIndexSettings(HandCountedClusterSettings(2, 3));
  const TToolRun clusters = Run({"clusters", index});
  ASSERT_EQ(clusters.code, 0) << clusters.err;
  auto cl = Read(Path("samples_clusters.lst"));
  ASSERT_GT(cl->Words().Count(), 0);
  auto reader = PlainDoc();
  ASSERT_TRUE(reader->OpenAnIndexAndLoadWords(Utf8ToUtf16(index)).first);
  EXPECT_EQ(FrequencyOf(cl->Words(), u"THE RIVER"),
            static_cast<int32_t>(reader->IndexHandler()->AllContextsOf(u"the river")->holders.size()));

  // Clusters counted text by text: a list per text, which together count what the one list does.
  TWordlistIndexSettingsRec per_text = HandCountedClusterSettings(2, 3);
  per_text.SetClustersPerText(true);
  SetWordlistIndexSettings(per_text);
  std::filesystem::create_directories(Path("per_text"));
  const TToolRun by_text = Run({"clusters", index, "-o", Path("per_text/c.lst")});
  ASSERT_EQ(by_text.code, 0) << by_text.err;
  std::istringstream saved(by_text.out);
  std::string line;
  std::getline(saved, line);
  EXPECT_EQ(line, "10 cluster lists, one per text:");
  int32_t lists = 0, the_river = 0;
  while (std::getline(saved, line)) {
    ++lists;
    EXPECT_NE(line.find("per_text/"), std::string::npos) << line;
    EXPECT_NE(line.find("_clusters.lst"), std::string::npos) << line;
    the_river += std::max(0, FrequencyOf(Read(line)->Words(), u"THE RIVER"));
  }
  EXPECT_EQ(lists, 10);
  EXPECT_EQ(the_river, FrequencyOf(cl->Words(), u"THE RIVER"));
  SetWordlistIndexSettings(HandCountedClusterSettings(2, 3));

  // The tool's own settings: two-word clusters only, as its settings command stores them.
  const TToolRun set = Run({"settings", "cluster-min-size=2", "cluster-max-size=2", "clusters-per-text=no",
                            "phrase-frames-off=yes"});
  ASSERT_EQ(set.code, 0) << set.err;
  EXPECT_NE(set.out.find("cluster-max-size = 2\n"), std::string::npos) << set.out;
  EXPECT_NE(set.out.find("phrase-frames-off = yes\n"), std::string::npos) << set.out;
  ASSERT_EQ(Run({"clusters", index, "-o", Path("pairs_of_words.lst")}).code, 0);
  auto two = Read(Path("pairs_of_words.lst"));
  ASSERT_GT(two->Words().Count(), 0);
  for (int i = 0; i < two->Words().Count(); ++i) {
    const UString& w = two->Words().Row(i)->data.word;
    EXPECT_EQ(std::count(w.begin(), w.end(), u' '), 1) << Utf16ToUtf8(w);
  }
  EXPECT_EQ(FrequencyOf(two->Words(), u"THE RIVER"), FrequencyOf(cl->Words(), u"THE RIVER"));
  SetWordlistIndexSettings(HandCountedClusterSettings(2, 3));

  // Clusters of one word: each row holds it, or a gap where it stood.
  ASSERT_EQ(Run({"clusters", index, "river", "-o", Path("river_clusters.lst")}).code, 0);
  auto river_cl = Read(Path("river_clusters.lst"));
  ASSERT_GT(river_cl->Words().Count(), 0);
  EXPECT_LT(river_cl->Words().Count(), cl->Words().Count());
  for (int i = 0; i < river_cl->Words().Count(); ++i) {
    const UString& w = river_cl->Words().Row(i)->data.word;
    EXPECT_TRUE(w.find(u"RIVER") != UString::npos || w.find(u'*') != UString::npos) << Utf16ToUtf8(w);
  }

  // Relationships: each pair's frequencies are the words' frequencies in the word list.
  const TToolRun pairs = Run({"relationships", index, "-o", Path("pairs.lst")});
  ASSERT_EQ(pairs.code, 0) << pairs.err;
  auto rel = Read(Path("pairs.lst"));
  EXPECT_EQ(rel->ListKind, kListRelationships);
  ASSERT_GT(rel->Relationships().Count(), 0);
  for (int i = 0; i < std::min(rel->Relationships().Count(), 20); ++i) {
    const TMutualInfoRec r = rel->Relationships().MIData(i);
    const TRelationshipEntry* e = rel->Relationships().Row(i);
    EXPECT_EQ(r.freq1, FrequencyOf(all->Words(), e->GetAWordAsString(1))) << i;
    EXPECT_EQ(r.freq2, FrequencyOf(all->Words(), e->GetAWordAsString(3))) << i;
  }

  // Pairs of one word only: each row holds it, and the rows are those of the whole run that do.
  ASSERT_EQ(Run({"relationships", index, "river", "-o", Path("river_pairs.lst")}).code, 0);
  auto river_rel = Read(Path("river_pairs.lst"));
  ASSERT_GT(river_rel->Relationships().Count(), 0);
  for (int i = 0; i < river_rel->Relationships().Count(); ++i) {
    const TRelationshipEntry* e = river_rel->Relationships().Row(i);
    EXPECT_TRUE(e->GetAWordAsString(1) == u"RIVER" || e->GetAWordAsString(3) == u"RIVER") << i;
  }
  int holding_river = 0;
  for (int i = 0; i < rel->Relationships().Count(); ++i)
    holding_river += rel->Relationships().Row(i)->GetAWordAsString(1) == u"RIVER" ? 1 : 0;
  EXPECT_EQ(river_rel->Relationships().Count(), holding_river);

  // The export: the texts' lengths add up to the running words; the word's places are counted.
  const TToolRun exported = Run({"export", index, "river", "-o", Path("export.txt")});
  ASSERT_EQ(exported.code, 0) << exported.err;
  const std::string bytes = ReadAll(Path("export.txt"));
  ASSERT_GE(bytes.size(), 2u);
  const UString text16(reinterpret_cast<const char16_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
  const std::string lines = Utf16ToUtf8(text16);
  const size_t lengths_at = lines.find("Word lengths:");
  ASSERT_NE(lengths_at, std::string::npos) << lines;
  std::istringstream lengths(lines.substr(lengths_at + 13, lines.find("RIVER:") - lengths_at - 13));
  int64_t words = 0;
  for (std::string n; std::getline(lengths, n, ',');) words += std::stoll(n);
  EXPECT_EQ(words, all->Stats().Overall_stats.data.running_words);
  EXPECT_NE(lines.find("RIVER: " + std::to_string(FrequencyOf(all->Words(), u"RIVER")) + " entries found"),
            std::string::npos)
      << lines;

  // A word below the minimum frequency the index loads its types with is exported all the same.
  std::string rare;
  for (int i = 0; i < all->Words().Count() && rare.empty(); ++i) {
    const TWordlistEntry* e = all->Words().Row(i);
    const std::string w = Utf16ToUtf8(e->data.word);
    if (e->data.frequency == 1 && !w.empty() &&
        std::all_of(w.begin(), w.end(), [](char c) { return c >= 'A' && c <= 'Z'; }))
      rare = w;
  }
  ASSERT_FALSE(rare.empty());
  ASSERT_EQ(Run({"settings", "min-type-frequency=2"}).code, 0);
  const TToolRun rare_export = Run({"export", index, rare, "-o", Path("rare.txt")});
  ASSERT_EQ(rare_export.code, 0) << rare_export.err;
  const std::string rare_bytes = ReadAll(Path("rare.txt"));
  ASSERT_GE(rare_bytes.size(), 2u);
  EXPECT_NE(Utf16ToUtf8(UString(reinterpret_cast<const char16_t*>(rare_bytes.data() + 2), (rare_bytes.size() - 2) / 2))
                .find(rare + ": 1 entry found"),
            std::string::npos);
  ASSERT_EQ(Run({"settings", "min-type-frequency=0"}).code, 0);

  // The moving window: its two files, the plot data headed by runs, size and running words.
  const TToolRun window = Run({"moving-window", index, "--size", "200", "--runs", "2"});
  ASSERT_EQ(window.code, 0) << window.err;
  const std::vector<uint8_t> plot = FileBytes(Utf8ToUtf16(Path("samples_moving_window.plotdata")));
  ASSERT_GE(plot.size(), 12u);
  EXPECT_EQ(I32At(plot, 0), 2);
  EXPECT_EQ(I32At(plot, 4), 200);
  EXPECT_EQ(I32At(plot, 8), all->Stats().Overall_stats.data.running_words);
  const std::string text = ReadAll(Path("samples_moving_window.txt"));
  const std::string for_excel("F\0O\0R\0 \0E\0X\0C\0E\0L\0", 18);
  EXPECT_NE(text.find(for_excel), std::string::npos);

  // Consistency of two halves: a word's frequencies in the halves add up to the whole's.
  ASSERT_EQ(Run({"list", Path("a"), "-o", Path("a.lst")}).code, 0);
  ASSERT_EQ(Run({"list", Path("b"), "-o", Path("b.lst")}).code, 0);
  const TToolRun dc = Run({"consistency", Path("a.lst"), Path("b.lst"), "-o", Path("dc.lst")});
  ASSERT_EQ(dc.code, 0) << dc.err;
  auto consistency = Read(Path("dc.lst"));
  EXPECT_EQ(consistency->ListKind, kListDetailedConsistency);
  TDetailedConsistencyList& list = consistency->DetailedConsistency();
  bool river = false;
  for (int i = 0; i < list.Count(); ++i) {
    const TDetailedConsistency_rec& r = list.Row(i)->data;
    if (list.Row(i)->MainWordOnly() != u"RIVER") continue;
    river = true;
    EXPECT_EQ(r.total, FrequencyOf(all->Words(), u"RIVER"));
  }
  EXPECT_TRUE(river);
}

// The stop list the settings name leaves the list; its words leave the statistics (types, tokens,
// word lengths) only when the settings say so. Text: 8 tokens, 6 types; "the" 3 times, "a" once.
TEST_F(WordlistTool, TheStopListLeavesTheStatisticsOnlyWhenAsked) {
  std::filesystem::create_directories(Path("texts"));
  std::ofstream(Path("texts/t.txt")) << "the cat saw the dog and the a\n";
  std::ofstream(Path("stops.txt")) << "the\na\n";
  const TToolRun plain = Run({"list", Path("texts"), "-o", Path("plain.lst")});
  ASSERT_EQ(plain.code, 0) << plain.err;
  EXPECT_EQ(plain.out.find("stop list"), std::string::npos);

  ASSERT_EQ(Run({"settings", "stop-list=" + Path("stops.txt")}).code, 0);
  const TToolRun kept = Run({"list", Path("texts"), "-o", Path("kept.lst")});
  ASSERT_EQ(kept.code, 0) << kept.err;
  EXPECT_NE(kept.out.find("stop list: 2 types, 4 tokens left out of the list\n"), std::string::npos) << kept.out;
  ASSERT_EQ(Run({"settings", "stop-list-statistics=yes"}).code, 0);
  const TToolRun both = Run({"list", Path("texts"), "-o", Path("both.lst")});
  ASSERT_EQ(both.code, 0) << both.err;
  EXPECT_NE(both.out.find("left out of the list and of the statistics"), std::string::npos) << both.out;

  struct TSeen {
    int32_t rows;
    int64_t tokens, types, three_letter_words;
  };
  auto seen = [](const std::string& file) {
    auto doc = Read(file);
    const TOne_text_stats_data& o = doc->Stats().Overall_stats.data;
    return TSeen{doc->Words().Count(), o.groups[0].count, o.types, o.word_lengths[3]};
  };
  const TSeen p = seen(Path("plain.lst")), k = seen(Path("kept.lst")), b = seen(Path("both.lst"));
  EXPECT_EQ(p.rows, 6);
  EXPECT_EQ(k.rows, 4);
  EXPECT_EQ(b.rows, 4);
  EXPECT_EQ(k.tokens, p.tokens);
  EXPECT_EQ(k.types, p.types);
  EXPECT_EQ(b.tokens, p.tokens - 4);
  EXPECT_EQ(b.types, p.types - 2);
  EXPECT_EQ(b.three_letter_words, p.three_letter_words - 3);  // "the" three times

  // Over an index, clusters holding a stop word are left out when the settings say so.
  std::ofstream(Path("texts/u.txt")) << "the cat saw the dog and the cat saw the dog\n";
  ASSERT_EQ(Run({"settings", "cluster-min-size=2", "cluster-max-size=2", "cluster-min-frequency=2"}).code, 0);
  ASSERT_EQ(Run({"index", Path("texts"), "-o", Path("idx")}).code, 0);
  auto clusters_with_the = [this](const std::string& file) {
    EXPECT_EQ(Run({"clusters", Path("idx"), "-o", Path(file)}).code, 0);
    auto doc = Read(Path(file));
    int with = 0;
    for (int i = 0; i < doc->Words().Count(); ++i)
      with += doc->Words().Row(i)->data.word.find(u"THE") != UString::npos ? 1 : 0;
    return std::pair{doc->Words().Count(), with};
  };
  const auto all = clusters_with_the("all.lst");
  EXPECT_GT(all.second, 0);
  ASSERT_EQ(Run({"settings", "cluster-stop-list=yes"}).code, 0);
  const auto without = clusters_with_the("kept_clusters.lst");
  EXPECT_EQ(without.second, 0);
  EXPECT_EQ(without.first, all.first - all.second);

  // A stop list that is gone is named, and nothing is written.
  std::filesystem::remove(Path("stops.txt"));
  const TToolRun gone = Run({"list", Path("texts"), "-o", Path("gone.lst")});
  EXPECT_EQ(gone.code, kWordlistToolFailed);
  EXPECT_NE(gone.err.find("could not read the stop list"), std::string::npos) << gone.err;
  EXPECT_FALSE(std::filesystem::exists(Path("gone.lst")));
  ASSERT_EQ(Run({"settings", "stop-list=none"}).code, 0);
  EXPECT_EQ(Run({"list", Path("texts"), "-o", Path("gone.lst")}).code, 0);
  EXPECT_NE(Run({"settings", "stop-list=" + Path("nowhere.txt")}).err.find("stop-list needs a file that exists"),
            std::string::npos);
}

// A zip archive named as a text stands for the texts in it: its list is the list of the folder
// the texts came from, on two short texts counted by hand and on two texts of real prose; an
// archive that gives no text is refused by name and nothing is written.
TEST_F(WordlistTool, AZipArchiveNamedStandsForItsTexts) {
  struct TCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> texts;  // name, bytes
    std::string counts;  // "W words, R running words, T texts", when worked by hand
  };
  const std::vector<TCase> cases{
      {"hand", {{"a.txt", "The river runs past the mill.\n"}, {"b.txt", "The old mill wheel stands still, still.\n"}},
       "9 words, 13 running words, 2 texts"},
      {"prose", {{"river_spring.txt", ReadAll(kSamplesDir + "/river_spring.txt")},
                 {"ferry_letters.txt", ReadAll(kSamplesDir + "/ferry_letters.txt")}}, ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = Path(std::string(c.name) + "/");
    std::filesystem::create_directories(folder);
    TZipForge zip;
    zip.SetFileName(Utf8ToUtf16(Path(std::string(c.name) + ".zip")));
    ASSERT_TRUE(zip.OpenArchive(TZipOpenMode::ReadWrite));
    for (const auto& [name, bytes] : c.texts) {
      std::ofstream(folder + name, std::ios::binary) << bytes;
      TMemoryStream m(std::vector<uint8_t>(bytes.begin(), bytes.end()));
      ASSERT_TRUE(zip.AddFromStream(Utf8ToUtf16(name), m, 45000.0));
    }
    ASSERT_TRUE(zip.CloseArchive());
    const TToolRun from_folder = Run({"list", folder, "-o", Path(std::string(c.name) + "_folder.lst")});
    const TToolRun from_zip = Run({"list", Path(std::string(c.name) + ".zip"), "-o", Path(std::string(c.name) + "_zip.lst")});
    ASSERT_EQ(from_folder.code, 0) << from_folder.err;
    ASSERT_EQ(from_zip.code, 0) << from_zip.err;
    const std::string counts = from_folder.out.substr(from_folder.out.find(": ") + 2);
    EXPECT_EQ(from_zip.out.substr(from_zip.out.find(": ") + 2), counts);
    if (!c.counts.empty()) EXPECT_EQ(counts.substr(0, counts.find('\n')), c.counts);
    EXPECT_EQ(RowsOf(Read(Path(std::string(c.name) + "_zip.lst"))->Words()),
              RowsOf(Read(Path(std::string(c.name) + "_folder.lst"))->Words()));
  }
  std::ofstream(Path("damaged.zip")) << "PK\x03\x04 not really";
  const TToolRun damaged = Run({"list", Path("damaged.zip"), "-o", Path("damaged.lst")});
  EXPECT_EQ(damaged.code, 1);
  EXPECT_NE(damaged.err.find(Path("damaged.zip") + " is a zip archive that cannot be read"), std::string::npos)
      << damaged.err;
  EXPECT_FALSE(std::filesystem::exists(Path("damaged.lst")));
}

TEST_F(WordlistTool, BadInputIsNamedWithItsExitCodeAndNothingWritten) {
  const std::string index = Path("samples");
  ASSERT_EQ(Run({"index", kSamplesDir, "-o", index}).code, 0);
  std::filesystem::create_directories(Path("empty"));
  std::filesystem::create_directories(Path("damaged"));
  for (const char* ext : {".tokens", ".types", ".markup", ".stats"})
    std::filesystem::copy_file(index + ext, Path("damaged/samples") + ext);
  std::filesystem::resize_file(Path("damaged/samples.types"), 70);
  std::ofstream(Path("not_a_list.lst")) << "plain text, no word list";
  ASSERT_EQ(Run({"list", kSamplesDir, "-o", Path("good.lst")}).code, 0);
  std::filesystem::copy_file(Path("good.lst"), Path("cut.lst"));
  std::filesystem::resize_file(Path("cut.lst"), std::filesystem::file_size(Path("good.lst")) / 2);

  struct TCase {
    std::vector<std::string> args;
    int code;
    std::string says;
    std::string not_written;
  };
  const std::vector<TCase> cases{
      {{"list", "/no/such/corpus", "-o", Path("x.lst")}, 1, "no such folder or file: /no/such/corpus", "x.lst"},
      {{"list", Path("empty"), "-o", Path("x.lst")}, 1, "no texts to read", "x.lst"},
      {{"index", "/no/such/corpus", "-o", Path("new")}, 1, "no such folder or file", "new.tokens"},
      {{"index", kSamplesDir, "-o", Path("nowhere/new")}, 1, "no such folder for " + Path("nowhere/new"), "nowhere"},
      {{"contexts", Path("damaged/samples"), "river"}, 1, "damaged/samples", ""},
      {{"clusters", Path("damaged/samples")}, 1, "damaged/samples", "damaged/samples_clusters.lst"},
      {{"contexts", Path("nothing"), "river"}, 1, "nothing: not an index", ""},
      {{"contexts", index, "zqxjv"}, 1, "\"zqxjv\" is not in the index", ""},
      {{"export", index, "zqxjv", "-o", Path("e.txt")}, 1, "\"zqxjv\" is not in the index", "e.txt"},
      {{"consistency", Path("not_a_list.lst"), "/no/such.lst", "-o", Path("dc.lst")}, 1, "no such word list: /no/such.lst",
       "dc.lst"},
      {{"index", kSamplesDir, "-o", Path("damaged/samples")}, 1, "damaged/samples", ""},
      // A list that cannot be compared stops the comparison: a result without it would be wrong.
      {{"consistency", Path("good.lst"), Path("cut.lst"), "-o", Path("dc.lst")}, 1, "cut.lst", "dc.lst"},
      {{"consistency", Path("good.lst"), Path("not_a_list.lst"), "-o", Path("dc.lst")}, 1, "not_a_list.lst", "dc.lst"},
      {{"consistency", Path("good.lst"), Path("good.lst"), "-o", Path("empty")}, 1, "empty is a folder", "empty.lst"},
      {{"list", kSamplesDir, "-o", Path("empty/")}, 1, "is a folder", "empty.lst"},
      {{"settings", "cluster-min-size=2", "cluster-max-size=200"}, 1, "cluster-max-size needs a whole number from 1 to 102",
       ""},
      {{"settings", "cluster-min-size=4", "cluster-max-size=3"}, 1, "cluster-min-size is above cluster-max-size", ""},
      {{"settings", "numbers=maybe"}, 1, "numbers needs yes or no", ""},
      {{"settings", "base-word-max-percent=0"}, 1, "base-word-max-percent needs a percentage above 0", ""},
      {{"settings", "min-frequency"}, 1, "min-frequency needs a value (NAME=VALUE)", ""},
      {{"settings", "colour=red"}, 1, "unknown setting \"colour\"", ""},
      {{"frobnicate"}, 2, "unknown command frobnicate", ""},
      {{}, 2, "no command given", ""},
      {{"list", kSamplesDir}, 2, "list needs -o", ""},
      {{"contexts", index}, 2, "contexts needs INDEX WORD...", ""},
      {{"moving-window", index, "--size"}, 2, "--size needs a value", ""},
      {{"moving-window", index, "--runs", "0"}, 2, "--runs needs a whole number above 0", ""},
      {{"list", kSamplesDir, "-o", Path("x.lst"), "--fast"}, 2, "unknown option --fast", "x.lst"},
  };
  const std::string settings_before = Run({"settings"}).out;
  for (const TCase& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    const TToolRun run = Run(c.args);
    EXPECT_EQ(run.code, c.code) << line << "\n" << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << line << "\n" << run.err;
    if (c.code == 2) {
      EXPECT_NE(run.err.find("usage: linzora_wordlist"), std::string::npos) << line;
    }
    if (!c.not_written.empty()) {
      EXPECT_FALSE(std::filesystem::exists(Path(c.not_written))) << line;
    }
  }
  // A refused change changes no setting; the damaged index was left as it was.
  EXPECT_EQ(Run({"settings"}).out, settings_before);
  EXPECT_EQ(std::filesystem::file_size(Path("damaged/samples.types")), 70u);
  const TToolRun help = Run({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_EQ(help.out, WordlistToolUsage());
  // A name without an extension is written with the list's own, and the summary names that file.
  const TToolRun plain = Run({"consistency", Path("good.lst"), Path("good.lst"), "-o", Path("both")});
  EXPECT_EQ(plain.code, 0) << plain.err;
  EXPECT_TRUE(std::filesystem::exists(Path("both.lst")));
  EXPECT_EQ(plain.out.rfind(Path("both.lst") + ": ", 0), 0u) << plain.out;
}

}  // namespace
