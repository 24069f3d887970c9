// Analyses over a corpus index, each a program run of its own (bench/compare_analyses.sh times
// them, on one core and on many, and compares the counts with NLTK's).
// Usage: bench_index_analyses --clusters INDEX [workers (every core)] [ROWS_OUT]
//            clusters of 3-5 words of every word, at least 5 times, with phrase frames; ROWS_OUT
//            gets the rows (and each frame's clusters) to compare runs
//        bench_index_analyses --ngrams INDEX OUT [workers]
//            clusters of 2-3 words at least 5 times, not stopped by sentences (as NLTK counts
//            n-grams); OUT gets the 3-word ones, lower case, "w1 w2 w3<TAB>count", sorted
//        bench_index_analyses --relationships INDEX [workers] [PAIRS_OUT] [--right]
//            pairs of the 10,000 most frequent words within 5 words each side (--right: to the
//            right only), met at least 10 times, no threshold; PAIRS_OUT gets "w1 w2<TAB>joint"
//            and PAIRS_OUT.words the words chosen
//        bench_index_analyses --window INDEX OUT_BASE
//            the moving window of 1,000 words in 3 runs, both files written beside OUT_BASE
//        bench_index_analyses --words INDEX OUT
//            the running words, lower case, one a line, an empty line after each text
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "wordlist/relationships_list.h"
#include "wordlist/word_list_document.h"
#include "wordlist/wordlist_indexer.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::unique_ptr<T_WholeWordlistHolder> Open(const std::string& index, int32_t workers) {
  auto doc =
      std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr, nullptr);
  if (!doc->OpenAnIndexAndLoadWords(Utf8ToUtf16(index)).first) {
    std::fprintf(stderr, "not opened: %s\n", Utf16ToUtf8(doc->LastFailure()).c_str());
    return nullptr;
  }
  doc->IndexHandler()->fThreads = workers;
  return doc;
}

std::string Lower(const UString& w) { return Utf16ToUtf8(LowerCaseU(w)); }

void SetClusters(int16_t smallest, int16_t largest, uint8_t stop_at, bool frames) {
  TWordlistIndexSettingsRec s = GetWordlistIndexSettings();
  s.SetClusterSizeMin(smallest);
  s.SetClusterSizeMax(largest);
  s.SetClusterMinFrequency(5);
  s.SetClusterMinTexts(1);
  s.SetFirstFilterMinFrequency(1);
  s.SetFirstFilterMaxPercent(100.0f);
  s.SetClusterStopAt(stop_at);
  s.SetClustersPerText(false);
  s.SetPhraseFramesOff(!frames);
  s.SetPhraseFrameMinFrequency(5);
  SetWordlistIndexSettings(s);
}

int Clusters(const std::string& index, int32_t workers, const char* rows_out) {
  auto doc = Open(index, workers);
  if (!doc) return 1;
  SetClusters(3, 5, 2, true);
  const auto start = std::chrono::steady_clock::now();
  if (!doc->ComputeClusters()) {
    std::fprintf(stderr, "no clusters: %s\n", Utf16ToUtf8(doc->LastFailure()).c_str());
    return 1;
  }
  const double s = Seconds(start);
  TVXWordList& words = doc->Words();
  int64_t frames = 0;
  for (int i = 0; i < words.Count(); ++i)
    if (words.Row(i)->data.word.find(u'*') != UString::npos) ++frames;
  std::printf("clusters: %d rows (%lld phrase frames) of %d running words with %d workers in %.3f s\n", words.Count(),
              static_cast<long long>(frames), doc->IndexHandler()->TotalTokensInIndex, WordlistWorkerThreads(workers), s);
  if (rows_out) {
    std::ofstream out(rows_out, std::ios::binary);
    for (int i = 0; i < words.Count(); ++i) {
      const TWordlistEntry* e = words.Row(i);
      out << Utf16ToUtf8(e->data.word) << '\t' << e->data.frequency << '\t' << e->data.n_texts;
      for (const TVXBaseListObject* f : e->JoinedEntries()) out << '\t' << Utf16ToUtf8(f->MainWordOnly());
      out << '\n';
    }
  }
  return 0;
}

int NGrams(const std::string& index, const std::string& out_name, int32_t workers) {
  auto doc = Open(index, workers);
  if (!doc) return 1;
  SetClusters(2, 3, 0, false);
  const auto start = std::chrono::steady_clock::now();
  if (!doc->ComputeClusters()) {
    std::fprintf(stderr, "no clusters: %s\n", Utf16ToUtf8(doc->LastFailure()).c_str());
    return 1;
  }
  const double s = Seconds(start);
  std::vector<std::string> lines;
  TVXWordList& words = doc->Words();
  for (int i = 0; i < words.Count(); ++i) {
    const TWordlistEntry* e = words.Row(i);
    if (std::count(e->data.word.begin(), e->data.word.end(), u' ') == 2)
      lines.push_back(Lower(e->data.word) + "\t" + std::to_string(e->data.frequency));
  }
  std::sort(lines.begin(), lines.end());
  std::ofstream out(out_name, std::ios::binary);
  for (const std::string& l : lines) out << l << '\n';
  std::printf("n-grams: %d rows of 2-3 words, %zu of 3, in %.3f s\n", words.Count(), lines.size(), s);
  return 0;
}

int Relationships(const std::string& index, int32_t workers, const char* pairs_out, bool right_only) {
  auto doc = Open(index, workers);
  if (!doc) return 1;
  TIndexHandler& h = *doc->IndexHandler();
  TWordlistIndexSettingsRec s = GetWordlistIndexSettings();
  s.SetFirstFilterMinFrequency(1);
  s.SetFirstFilterMaxPercent(100.0f);
  TRelationshipSettingsRec r = RelationshipSettingsOf(s);
  r.SetMinJointFrequency(10);
  r.SetMaxPercent(100.0f);
  r.SetMinTexts(1);
  r.SetMinFrequencyWord2(1);
  r.SetSpan(5);
  r.SetLeftAndRight(!right_only);
  r.SetStopAt(0);
  r.SetAllMustPass(false);
  for (int i = 0; i < TRelationshipSettingsRec::kStatistics; ++i) r.SetThreshold(i, -1e30f);
  SetRelationshipSettingsOf(s, r);
  SetWordlistIndexSettings(s);
  // The 10,000 most frequent words of the index word list, as the selection.
  std::vector<int32_t> order;
  for (int32_t t = 0; t < h.TypeCount(); ++t)
    if (h.TypeLoaded(t)) order.push_back(t);
  std::stable_sort(order.begin(), order.end(),
                   [&](int32_t a, int32_t b) { return h.PointerFromWordType(a)->freq > h.PointerFromWordType(b)->freq; });
  order.resize(std::min<size_t>(order.size(), 10000));
  int64_t covered = 0;
  for (int32_t t : order) {
    h.AddToItemsToProcess(h.WordFromWordType(t));
    covered += h.PointerFromWordType(t)->freq;
  }
  const auto start = std::chrono::steady_clock::now();
  if (!doc->ComputeMIAssociation()) {
    std::fprintf(stderr, "no relationships: %s\n", Utf16ToUtf8(doc->LastFailure()).c_str());
    return 1;
  }
  const double secs = Seconds(start);
  const TRelationshipsList& list = doc->Relationships();
  std::printf("relationships: %d pairs of %zu base words (%.1f %% of %d running words), span 5 %s, with %d workers in "
              "%.3f s\n",
              list.Count(), order.size(), 100.0 * covered / std::max(1, h.TotalTokensInIndex), h.TotalTokensInIndex,
              right_only ? "to the right" : "each side", WordlistWorkerThreads(workers), secs);
  if (pairs_out) {
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i)
      lines.push_back(Lower(list.Row(i)->word1) + " " + Lower(list.Row(i)->word2) + "\t" +
                      std::to_string(list.Row(i)->data.joint));
    std::sort(lines.begin(), lines.end());
    std::ofstream out(pairs_out, std::ios::binary);
    for (const std::string& l : lines) out << l << '\n';
    std::ofstream selected(std::string(pairs_out) + ".words", std::ios::binary);
    for (int32_t t : order) selected << Lower(h.WordFromWordType(t)) << '\n';
  }
  return 0;
}

int Window(const std::string& index, const std::string& out_base) {
  auto doc = Open(index, 1);
  if (!doc) return 1;
  doc->SourceTextFilename = Utf8ToUtf16(out_base);
  const auto start = std::chrono::steady_clock::now();
  const auto names = doc->MakeAndSaveMovingWindow(1000, 3);
  const double s = Seconds(start);
  if (names.text_file.empty()) {
    std::fprintf(stderr, "no moving window: %s\n", Utf16ToUtf8(doc->LastFailure()).c_str());
    return 1;
  }
  std::printf("moving window: 1,000 words, 3 runs over %d running words, both files written in %.3f s\n",
              doc->IndexHandler()->TotalTokensInIndex, s);
  return 0;
}

int Words(const std::string& index, const std::string& out_name) {
  auto doc = Open(index, 1);
  if (!doc) return 1;
  TIndexHandler& h = *doc->IndexHandler();
  std::vector<std::string> lower(static_cast<size_t>(h.TypeCount()));
  for (int32_t t = 0; t < h.TypeCount(); ++t) lower[static_cast<size_t>(t)] = Lower(h.WordFromWordType(t));
  std::ofstream out(out_name, std::ios::binary);
  const TTokensFileRec* r = h.Tokens()->Records();
  for (int64_t i = 0; i < h.Tokens()->TokenEntries(); ++i) {
    out << lower[TypeRecWithoutTextMarker(r[i].word_type_number)] << '\n';
    if (TextMarkerOf(r[i].word_type_number) & kMarkTextEnd) out << '\n';
  }
  return out ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  current_tool_var = kToolConcordancer;
  const std::string mode = argc >= 2 ? argv[1] : "";
  auto workers = [&](int at) { return argc > at ? std::atoi(argv[at]) : 0; };
  if (mode == "--clusters" && argc >= 3) return Clusters(argv[2], workers(3), argc >= 5 ? argv[4] : nullptr);
  if (mode == "--ngrams" && argc >= 4) return NGrams(argv[2], argv[3], workers(4));
  if (mode == "--relationships" && argc >= 3) {
    const bool right = argc >= 6 && std::strcmp(argv[5], "--right") == 0;
    const char* out = argc >= 5 && std::strcmp(argv[4], "-") != 0 ? argv[4] : nullptr;
    return Relationships(argv[2], workers(3), out, right);
  }
  if (mode == "--window" && argc >= 4) return Window(argv[2], argv[3]);
  if (mode == "--words" && argc >= 4) return Words(argv[2], argv[3]);
  std::fprintf(stderr, "usage: see the head of bench/bench_index_analyses.cpp\n");
  return 2;
}
