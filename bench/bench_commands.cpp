// Grid commands of the concordancer on a big concordance: removing duplicate lines (and, apart,
// the alphabetical sort that pass begins with), sorting on a highlighted collocate (keys 28, 5,
// 5), copying each line's search word to the Set column, hiding a kind of tag (the toggle and a
// screenful of lines drawn again), the typing search (no match; a match near the end) and Join
// Clusters on the lines' clusters of 2 to 5 words. Then, on a concordance a run makes of 500
// texts: the list of file names, the follow-up request, and the recomputing commands (clusters,
// collocates, time-line, relationships, plot, patterns) through their commands beside the bare
// computations.
//
//   bench_commands [--lines N] [--seed S] [--texts N] [--cluster-lines N]
//
// Lines are made up: eleven words from a vocabulary with Zipf frequencies around one of a few
// search words, one line in twenty a copy of an earlier one. The settings store and the texts are
// in folders of the bench's own, so the user's settings are never touched. One core throughout.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include <sys/time.h>

#include <fstream>

#include "concordance/commands/analysis_commands.h"
#include "concordance/commands/collocate_highlight.h"
#include "concordance/commands/concordance_commands.h"
#include "concordance/commands/typing_search.h"
#include "concordance/document/concordance_document.h"
#include "concordance/views/clusters_list.h"
#include "concordance/views/compute_clusters.h"
#include "model/reading/chosen_texts.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"
#include "wordlist/word_list_document.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

TPoint Centre() { return TPoint{0, 0}; }

constexpr char16_t kNearTheEnd[] = u"zyxwvutsr";

std::vector<UString> Vocabulary(std::mt19937_64& rng, int n) {
  std::uniform_int_distribution<int> len(2, 9), letter(0, 25);
  std::vector<UString> words;
  for (int i = 0; i < n; ++i) {
    UString w;
    for (int k = len(rng); k > 0; --k) w.push_back(static_cast<char16_t>(u'a' + letter(rng)));
    words.push_back(std::move(w));
  }
  return words;
}

// Zipf draws: word k with weight 1 / (k + 1).
class Zipf {
 public:
  explicit Zipf(int n) {
    double sum = 0;
    for (int k = 0; k < n; ++k) cumulative_.push_back(sum += 1.0 / (k + 1));
  }
  int Draw(std::mt19937_64& rng) const {
    const double x = std::uniform_real_distribution<double>(0, cumulative_.back())(rng);
    return static_cast<int>(std::lower_bound(cumulative_.begin(), cumulative_.end(), x) - cumulative_.begin());
  }

 private:
  std::vector<double> cumulative_;
};

void AddLine(TConcordanceList& list, const std::vector<UString>& words, int32_t file, int32_t word_num) {
  auto line = list.NewLine();
  UString text;
  std::vector<std::pair<int32_t, int32_t>> at;
  for (const UString& w : words) {
    if (!text.empty()) text.push_back(u' ');
    at.emplace_back(static_cast<int32_t>(text.size()), static_cast<int32_t>(w.size()));
    text += w;
  }
  const int32_t mid = at[5].first;
  line->SetText(text);
  auto& d = line->Data();
  d.midpoint = static_cast<int16_t>(mid);
  d.hit_characters = at[5].second;
  d.filename_num_original = file;
  d.word_num = word_num;
  for (int k = 0; k < 11; ++k)
    line->SetFixedWord(k, {static_cast<int16_t>(at[k].first - mid), static_cast<int16_t>(at[k].second), 0, 0});
  list.Add(line.release());
}

}  // namespace

int main(int argc, char** argv) {
  int lines = 1000000;
  int texts = 500;
  int cluster_lines = 100000;
  uint64_t seed = 42;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : "0"; };
    if (a == "--lines") lines = std::stoi(next());
    else if (a == "--seed") seed = std::stoull(next());
    else if (a == "--texts") texts = std::stoi(next());
    else if (a == "--cluster-lines") cluster_lines = std::stoi(next());
    else {
      std::cerr << "unknown argument " << a << "\n";
      return 2;
    }
  }
  const UString config = IncludeTrailingPathDelimiter(SystemTempFolder()) + u"bench_commands_settings";
  ForceDirectories(config);
  setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(config).c_str(), 1);
  THeadlessDialogService dialogs;
  SetDialogService(&dialogs);

  std::mt19937_64 rng(seed);
  const std::vector<UString> vocabulary = Vocabulary(rng, 20000);
  const Zipf zipf(static_cast<int>(vocabulary.size()));
  const std::vector<UString> search_words = {u"the", u"of", u"house", u"ran"};

  auto fill = [&](T_WholeLinzoraHolder& doc, int lines) {
    TConcordanceList& list = *doc.fConcordanceList;
    std::vector<std::vector<UString>> made;
    made.reserve(static_cast<size_t>(lines));
    std::uniform_int_distribution<int> pick_sw(0, 3), earlier(0, 1 << 30);
    for (int i = 0; i < lines; ++i) {
      std::vector<UString> words;
      if (i > 0 && i % 20 == 0) {
        words = made[static_cast<size_t>(earlier(rng) % i)];
      } else {
        for (int k = 0; k < 11; ++k)
          words.push_back(k == 5 ? search_words[static_cast<size_t>(pick_sw(rng))]
                                 : vocabulary[static_cast<size_t>(zipf.Draw(rng))]);
      }
      // One word left of the search word that only a line near the end has: the typing search's
      // match.
      if (i == lines - 5) words[4] = kNearTheEnd;
      AddLine(list, words, 1 + i % 50, i);
      made.push_back(std::move(words));
    }
  };

  auto new_doc = [] {
    return std::make_unique<T_WholeLinzoraHolder>(kListConcordance, &Centre, nullptr, nullptr, false, false, nullptr,
                                                  nullptr);
  };

  {
    // What the duplicate pass must do first, alone: the alphabetical sort.
    auto doc = new_doc();
    fill(*doc, lines);
    const auto t0 = Clock::now();
    doc->fConcordanceList->SortAlphabeticallyAscending();
    const auto t1 = Clock::now();
    std::printf("alphabetical sort      %d lines  %.3f s\n", lines, Seconds(t0, t1));
  }
  {
    auto doc = new_doc();
    fill(*doc, lines);
    const auto t0 = Clock::now();
    const TDuplicatesOutcome d = RemoveDuplicateLines(*doc->fConcordanceList);
    const auto t1 = Clock::now();
    std::printf("remove duplicates      %d lines  %.3f s  (%d found)\n", lines, Seconds(t0, t1), d.found);
  }
  {
    auto doc = new_doc();
    fill(*doc, lines);
    TConcordanceHighlightRec rec;
    rec.colloc_w = UpperCaseU(vocabulary[0]);
    rec.span_pos = kHighlightEverySpan;
    rec.all = true;
    const auto t0 = Clock::now();
    const std::optional<int> row = ShowHighlightInLines(*doc->fConcordanceList, rec);
    const auto t1 = Clock::now();
    std::printf("highlight sort 28,5,5  %d lines  %.3f s  (row %d)\n", lines, Seconds(t0, t1), row.value_or(-1));

    dialogs.Script({mrOK});
    const auto t2 = Clock::now();
    CopySearchWordsToSetColumn(*doc);
    const auto t3 = Clock::now();
    std::printf("copy to Set column     %d lines  %.3f s\n", lines, Seconds(t2, t3));

    const auto t4 = Clock::now();
    HideTagKind(*doc, 117);
    // A refresh draws the visible rows only.
    TGrid_data_rec cell;
    for (int r = 1; r <= 40 && r <= lines; ++r) doc->fConcordanceList->DrawgridDataRec(1, r, cell, 0);
    const auto t5 = Clock::now();
    std::printf("hide a tag kind        %d lines  %.3f s\n", lines, Seconds(t4, t5));
  }
  {
    // Typing in the box: the lines stand in the order of the word before the search word.
    auto doc = new_doc();
    fill(*doc, lines);
    TConcordanceList& list = *doc->fConcordanceList;
    list.Set1Sort(0, kConcSortL1);
    const auto t0 = Clock::now();
    const int none = FindTypedTextFromRow(&list, false, u"qqqq", 0);
    const auto t1 = Clock::now();
    const int near_end = FindTypedTextFromRow(&list, false, u"zyxwv", 0);
    const auto t2 = Clock::now();
    std::printf("typing, no match       %d lines  %.3f s  (row %d)\n", lines, Seconds(t0, t1), none);
    std::printf("typing, match near end %d lines  %.3f s  (row %d)\n", lines, Seconds(t1, t2), near_end);

  }
  {
    // Join Clusters on the clusters of 2 to 5 words of the first lines (the generated lines have
    // about 23 distinct clusters each, so a million lines give some 20 million rows and more
    // memory than a shared machine has): minimum frequency 1, and 2 over twice the lines.
    for (const auto& [n, least] : {std::pair{cluster_lines, 1}, std::pair{2 * cluster_lines, 2}}) {
      auto doc = new_doc();
      fill(*doc, n);
      TConcordanceClusterList clusters(doc.get(), doc.get());
      TClusterRunSettings k;
      k.smallest = 2;
      k.largest = 5;
      k.count.min_frequency = least;
      k.reach_left = 5;
      k.reach_right = 5;
      int32_t highest = 0;
      const auto t3 = Clock::now();
      ComputeClusters(*doc->fConcordanceList, k, clusters, highest);
      const auto t4 = Clock::now();
      const int32_t joins = clusters.JoinClusters(true);
      const auto t5 = Clock::now();
      std::printf("clusters 2-5, min %d   %d lines  %.3f s  (%d clusters)\n", least, n, Seconds(t3, t4), clusters.Count());
      std::printf("Join Clusters          %d rows   %.3f s  (%d joins)\n", clusters.Count(), Seconds(t4, t5), joins);
    }
  }

  // --- a concordance of texts: the file names, the follow-up, the recomputing commands ---------
  const UString folder = IncludeTrailingPathDelimiter(SystemTempFolder()) + u"bench_commands_texts/";
  ForceDirectories(folder);
  TSharedChosenFilesClass chosen(false, nullptr, kToolConcordancer);
  std::uniform_int_distribution<int> year(1950, 2020);
  for (int t = 0; t < texts; ++t) {
    std::string body;
    for (int w = 0; w < 4000; ++w) {
      body += w % 10 == 5 ? "river" : Utf16ToUtf8(vocabulary[static_cast<size_t>(zipf.Draw(rng))]);
      body += w % 17 == 16 ? ".\n" : " ";
    }
    const UString name = folder + u"text" + IntToUStr(t) + u".txt";
    std::ofstream(Utf16ToUtf8(name), std::ios::binary) << body;
    std::tm when{};
    when.tm_year = year(rng) - 1900;
    when.tm_mon = 5;
    when.tm_mday = 1;
    const time_t at = timegm(&when);
    const timeval times[2] = {{at, 0}, {at, 0}};
    ::utimes(Utf16ToUtf8(name).c_str(), times);
    chosen.ToolAddAFile(name);
  }
  auto doc = new_doc();
  TSearchWordItems items(SearchTextOptionsFromTextSettings(doc->TextSettings()));
  items.AddedSearchWords(u"river");
  TMakeConcordanceArgs args;
  args.chosen = &chosen;
  args.search_items = &items;
  args.threads = 1;
  const auto r0 = Clock::now();
  doc->MakeConcordance(args);
  const auto r1 = Clock::now();
  std::printf("run                    %d texts  %.3f s  (%d lines)\n", texts, Seconds(r0, r1),
              doc->fConcordanceList->Count());
  {
    const auto t0 = Clock::now();
    doc->CopyFilenameDetailsToNotepad(u"", true);
    const auto t1 = Clock::now();
    std::printf("list of file names     %d texts  %.3f s\n", texts, Seconds(t0, t1));
    const auto t2 = Clock::now();
    SendFollowUpRequest(*doc, TFollowUpPosition(), u"RIVER");
    const auto t3 = Clock::now();
    std::printf("follow-up request      %d texts  %.3f s\n", texts, Seconds(t2, t3));
  }
  // Each recomputing command beside its bare computation, the best of three of each.
  auto best = [](const std::function<void()>& f) {
    double b = 1e30;
    for (int run = 0; run < 3; ++run) {
      const auto t0 = Clock::now();
      f();
      b = std::min(b, Seconds(t0, Clock::now()));
    }
    return b;
  };
  TConcSettingsRec32 choices = doc->fSettings;
  choices.SetClusterSizeMin(2);
  choices.SetClusterSizeMax(4);
  choices.SetClusterMinFrequency(2);
  doc->fSettings = choices;
  const double clusters_bare = best([&] { doc->fClusterList->Compute(true); });
  const double clusters_road = best([&] { RecomputeClusters(*doc, choices); });
  std::printf("clusters (42)          bare %.3f s  command %.3f s\n", clusters_bare, clusters_road);
  const Tdouble_smallint_type hors = doc->fSettings.CollocHorizons();
  const double coll_bare = best([&] { doc->fCollocateList->Compute(false); });
  const double coll_road = best([&] { RecomputeCollocates(*doc, doc->fSettings.ContextHorizons(), hors); });
  std::printf("collocates (34)        bare %.3f s  command %.3f s\n", coll_bare, coll_road);
  SetTimeLinePlotBase(5);
  const double tl_bare = best([&] { doc->fTimeLineList->Compute(false); });
  const double tl_road = best([&] { RecomputeTimeline(*doc, 5); });
  std::printf("time-line (58)         bare %.3f s  command %.3f s\n", tl_bare, tl_road);
  const double plot_bare = best([&] { doc->fConcPlotList->Compute(false); });
  std::printf("plot (39)              bare %.3f s  command %.3f s\n", plot_bare,
              best([&] { doc->fComputed[4] = doc->fConcPlotList->Compute(false) ? 1 : 0; }));
  const double pat_bare = best([&] { doc->fPatternsList->Compute(false); });
  std::printf("patterns (44)          bare %.3f s  command %.3f s\n", pat_bare,
              best([&] { doc->fComputed[3] = doc->fPatternsList->Compute(false) ? 1 : 0; }));
  {
    auto words = std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kListWordList, false, false,
                                                         nullptr, nullptr);
    for (size_t v = 0; v < 5000 && v < vocabulary.size(); ++v)
      words->Words().AddRow({1, static_cast<int32_t>(100000 / (v + 1)) + 1, 0.0f, UpperCaseU(vocabulary[v]), u"", u""});
    words->Words().AddRow({1, 5000, 0.0f, u"RIVER", u"", u""});
    const UString reference = folder + u"reference.lst";
    words->SaveToFile(reference, 0, 0, 0);
    TAssociationRequest request;
    request.reference_file = reference;
    const double rel_bare = best([&] { doc->REComputeCollocateAssociation(request); });
    const double rel_road =
        best([&] { ReportRelationships(request, doc->REComputeCollocateAssociation(request)); });
    std::printf("relationships (53)     bare %.3f s  command %.3f s\n", rel_bare, rel_road);
  }
  SetDialogService(nullptr);
  return 0;
}
