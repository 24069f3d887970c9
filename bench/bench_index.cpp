// The corpus index: building it from a folder of texts and looking words and phrases up in it,
// each step a program run of its own (bench/compare_index.sh times them against other programs).
// Usage: bench_index --make FOLDER [megabytes (300)] [texts (500)]
//            writes an English-like corpus (texts of about the same size) and stops
//        bench_index --build FOLDER INDEX [workers (every core)]
//            indexes the folder's texts (sorted by name) as INDEX (its four files)
//        bench_index --same INDEX_A INDEX_B
//            whether two indexes hold the same records, types and statistics (notes aside)
//        bench_index --pick INDEX
//            prints, a line each: the most frequent word, a word of rank about 1,000, the most
//            frequent two-word phrase and one met about 1,000 times (lower case, tab, frequency)
//        bench_index --word INDEX WORD | --phrase INDEX "W1 W2"
//            opens the index, lists every (text, byte) of the word or phrase, prints how many
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "concordance/document/tell_list.h"
#include "english_like_text.h"
#include "index_files_same.h"
#include "model/reading/chosen_texts.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/text/text_services.h"
#include "wordlist/word_list_document.h"
#include "wordlist/wordlist_indexer.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::unique_ptr<T_WholeWordlistHolder> NewDoc() {
  auto doc =
      std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr, nullptr);
  doc->WordlistSettings.SetMinFrequency(1);
  doc->WordlistSettings.SetMinWordLength(1);
  doc->WordlistSettings.SetNumbersIncluded(true);
  return doc;
}

int Make(const std::string& folder, double megabytes, int texts) {
  std::filesystem::create_directories(folder);
  TWordSource source(7);
  const size_t each = static_cast<size_t>(megabytes * 1e6 / std::max(1, texts));
  std::mt19937 rng(3);
  for (int t = 0; t < texts; ++t) {
    char name[32];
    std::snprintf(name, sizeof name, "/t%04d.txt", t);
    std::ofstream out(folder + name, std::ios::binary);
    out << source.Text(each / 2 + rng() % (each + 1));
    if (!out) return 1;
  }
  return 0;
}

int Build(const std::string& folder, const std::string& index, int32_t workers) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    if (e.is_regular_file()) names.push_back(e.path().string());
  std::sort(names.begin(), names.end());
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  for (const std::string& n : names) chosen.ToolAddAFile(Utf8ToUtf16(n));
  std::filesystem::create_directories(std::filesystem::path(index).parent_path());
  auto doc = NewDoc();
  const auto start = std::chrono::steady_clock::now();
  const UString name = Utf8ToUtf16(index);
  TMakeWordlistOptions o;
  o.threads = workers;
  int32_t converted = 0;
  if (!doc->StartAnIndexHandler(name, kIndexCreate, true) ||
      !doc->MakeWordlist(chosen, 0, kListIndexWordlist, converted, o) || !doc->SaveToFile(name, 0, 0, 0)) {
    std::fprintf(stderr, "not built: %s\n", Utf16ToUtf8(doc->LastFailure()).c_str());
    return 1;
  }
  const double s = Seconds(start);
  TIndexHandler& h = *doc->IndexHandler();
  std::printf("built %zu texts, %d running words, %d types with %d workers in %.3f s\n", names.size(),
              h.TotalTokensInIndex, h.TypeCount(), WordlistWorkerThreads(workers), s);
  return 0;
}

int Same(const std::string& a, const std::string& b) {
  const std::string differing = bench_index::DifferingIndexFiles(a, b);
  std::printf("%s%s\n", differing.empty() ? "identical" : "DIFFERENT:", differing.c_str());
  return differing.empty() ? 0 : 1;
}

std::unique_ptr<T_WholeWordlistHolder> Open(const std::string& index) {
  auto doc = NewDoc();
  if (!doc->StartAnIndexHandler(Utf8ToUtf16(index), kIndexReadOnly)) {
    std::fprintf(stderr, "not opened: %s\n", Utf16ToUtf8(doc->LastFailure()).c_str());
    return nullptr;
  }
  return doc;
}

std::string Lower(const UString& w) { return Utf16ToUtf8(LowerCaseU(w)); }

int Pick(const std::string& index) {
  auto doc = Open(index);
  if (!doc) return 1;
  TIndexHandler& h = *doc->IndexHandler();
  std::vector<int32_t> order(static_cast<size_t>(h.TypeCount()));
  for (int32_t i = 0; i < h.TypeCount(); ++i) order[static_cast<size_t>(i)] = i;
  // Words of letters only, so that every program takes them for one word.
  auto plain = [&](int32_t t) {
    for (char16_t c : h.WordFromWordType(t))
      if (c < u'A' || c > u'Z') return false;
    return true;
  };
  std::sort(order.begin(), order.end(),
            [&](int32_t a, int32_t b) { return h.PointerFromWordType(a)->freq > h.PointerFromWordType(b)->freq; });
  std::vector<int32_t> words;
  for (int32_t t : order)
    if (plain(t)) words.push_back(t);
  const int32_t top = words.front(), rank1000 = words[std::min<size_t>(999, words.size() - 1)];
  // Two-word phrases within a sentence, led by one of the 300 most frequent words.
  std::vector<bool> leading(static_cast<size_t>(h.TypeCount()), false);
  for (size_t i = 0; i < std::min<size_t>(300, words.size()); ++i) leading[static_cast<size_t>(words[i])] = true;
  std::unordered_map<uint64_t, int32_t> pairs;
  pairs.reserve(1 << 22);
  const TTokensFileRec* r = h.Tokens()->Records();
  for (int64_t i = 0; i + 1 < h.Tokens()->TokenEntries(); ++i) {
    const uint32_t a = TypeRecWithoutTextMarker(r[i].word_type_number);
    const uint32_t b = TypeRecWithoutTextMarker(r[i + 1].word_type_number);
    if (TextMarkerOf(r[i].word_type_number) != 0 || !leading[a] || !plain(static_cast<int32_t>(b))) continue;
    ++pairs[uint64_t{a} << 32 | b];
  }
  uint64_t best = 0, near = 0;
  int32_t best_n = 0, near_n = 0;
  for (const auto& [k, n] : pairs) {
    if (n > best_n) best = k, best_n = n;
    if (std::abs(n - 1000) < std::abs(near_n - 1000)) near = k, near_n = n;
  }
  auto word = [&](int32_t t) { return Lower(h.WordFromWordType(t)); };
  std::printf("%s\t%d\n%s\t%d\n%s %s\t%d\n%s %s\t%d\n", word(top).c_str(), h.PointerFromWordType(top)->freq,
              word(rank1000).c_str(), h.PointerFromWordType(rank1000)->freq, word(static_cast<int32_t>(best >> 32)).c_str(),
              word(static_cast<int32_t>(best & 0xFFFFFFFF)).c_str(), best_n, word(static_cast<int32_t>(near >> 32)).c_str(),
              word(static_cast<int32_t>(near & 0xFFFFFFFF)).c_str(), near_n);
  return 0;
}

int LookUp(const std::string& index, const std::string& typed, bool phrase) {
  const auto start = std::chrono::steady_clock::now();
  auto doc = Open(index);
  if (!doc) return 1;
  const double opened = Seconds(start);
  TIndexHandler& h = *doc->IndexHandler();
  std::vector<std::pair<int32_t, uint32_t>> places;
  if (phrase) {
    const auto jumps = h.AllContextsOf(Utf8ToUtf16(typed));
    for (const TLinzoraJumpTo& j : jumps->holders) places.emplace_back(j.file_number, j.byte_position);
  } else {
    const auto contexts = h.ListOfAllContextsToAWord(Utf8ToUtf16(typed));
    places.reserve(static_cast<size_t>(contexts->Count()));
    for (const TTokenAndPlaceRec& c : contexts->items)
      places.emplace_back(c.data.file_number - 1, static_cast<uint32_t>(c.data.file_byte_position));
  }
  std::printf("%zu\n", places.size());
  // With BENCH_INDEX_TIMES set: how long opening and looking up took.
  if (std::getenv("BENCH_INDEX_TIMES"))
    std::fprintf(stderr, "opened in %.2f ms, looked up in %.2f ms\n", 1e3 * opened, 1e3 * (Seconds(start) - opened));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  current_tool_var = kToolConcordancer;
  const std::string mode = argc >= 2 ? argv[1] : "";
  if (mode == "--make" && argc >= 3)
    return Make(argv[2], argc >= 4 ? std::atof(argv[3]) : 300, argc >= 5 ? std::atoi(argv[4]) : 500);
  if (mode == "--build" && argc >= 4) return Build(argv[2], argv[3], argc >= 5 ? std::atoi(argv[4]) : 0);
  if (mode == "--same" && argc >= 4) return Same(argv[2], argv[3]);
  if (mode == "--pick" && argc >= 3) return Pick(argv[2]);
  if ((mode == "--word" || mode == "--phrase") && argc >= 4) return LookUp(argv[2], argv[3], mode == "--phrase");
  std::fprintf(stderr, "usage: see the head of bench/bench_index.cpp\n");
  return 2;
}
