// Helpers of the corpus-index tests: a word-list document set up as the tests' texts need, an
// index built from named texts, and the files' bytes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "../model/chosen_texts_test_support.h"

#include "concordance/document/tell_list.h"
#include "concordance/lines/concordance_list.h"
#include "concordance/run/texts_into_list.h"
#include "model/reading/chosen_texts.h"
#include "model/reading/text_statistics.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "support/temp_folder.h"
#include "tools/wordlist_commands.h"
#include "wordlist/word_list_document.h"
#include "wordlist/wordlist_indexer.h"

namespace index_test {

// The store's cluster settings for hand-counted cases: clusters of min_size..max_size words, every
// word a base word, a cluster counted from one occurrence in one text, stopping at sentence ends,
// one list for all texts.
inline TWordlistIndexSettingsRec HandCountedClusterSettings(int16_t min_size, int16_t max_size) {
  TWordlistIndexSettingsRec s = GetWordlistIndexSettings();
  s.SetClusterSizeMin(min_size);
  s.SetClusterSizeMax(max_size);
  s.SetClusterMinFrequency(1);
  s.SetClusterMinTexts(1);
  s.SetFirstFilterMinFrequency(1);
  s.SetFirstFilterMaxPercent(100.0f);
  s.SetClusterStopAt(2);
  s.SetClustersPerText(false);
  return s;
}

// A word-list document with the store's text settings made English (the apostrophe inside
// words, sentence ends found in the text), so that a concordance run reads texts as it does.
inline std::unique_ptr<T_WholeWordlistHolder> NewDoc() {
  TTextsett_rec32 t = GetTextSettings();
  Tfixed_lang_details32 l = t.Language();
  l.SetExtraSymbols(u"'");
  t.SetLanguage(l);
  t.SetMarkerAuto(TTextsett_rec32::kSentenceEndMarker, true);
  SetTextSettings(t);
  auto doc =
      std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr, nullptr);
  doc->WordlistSettings.SetMinFrequency(1);
  doc->WordlistSettings.SetMinWordLength(1);
  doc->WordlistSettings.SetMaxWordLength(50);
  doc->WordlistSettings.SetNumbersIncluded(true);
  doc->WordlistSettings.SetRatioBasis(1000);
  return doc;
}

// Builds (mode create or add) and saves the index `name` from the texts; true when all went.
inline bool BuildIndexOf(T_WholeWordlistHolder& doc, const UString& name, TSharedChosenFilesClass& chosen,
                         int32_t threads = 1, int32_t mode = kIndexCreate, bool replacing = false) {
  if (!doc.StartAnIndexHandler(name, mode, replacing)) return false;
  TMakeWordlistOptions o;
  o.threads = threads;
  int32_t converted = 0;
  if (!doc.MakeWordlist(chosen, 0, kListIndexWordlist, converted, o)) return false;
  return doc.SaveToFile(name, 0, 0, 0);
}
inline bool BuildIndex(T_WholeWordlistHolder& doc, const UString& name, const std::vector<UString>& texts,
                       int32_t threads = 1, int32_t mode = kIndexCreate, bool replacing = false) {
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  for (const UString& n : texts) chosen.ToolAddAFile(n);
  return BuildIndexOf(doc, name, chosen, threads, mode, replacing);
}

// The files of an index but the headings and notes at the end of ".types".
struct TIndexBytes {
  std::vector<uint8_t> tokens, types_records, stats, markup;
  bool operator==(const TIndexBytes&) const = default;
};

// Where the headings begin in ".types" bytes (after the last record).
inline size_t TypesTailStart(const std::vector<uint8_t>& b) {
  if (b.size() < 61) return b.size();
  const int32_t n = I32At(b, 57);
  // Entry 0 points just past the table: 4-byte entries, or 8-byte ones in a file too big for them.
  const size_t width = n > 0 && b.size() >= 65 && I32At(b, 61) == 61 + 4 * n ? 4 : (n > 0 ? 8 : 4);
  size_t at = 61 + width * static_cast<size_t>(n);
  for (int32_t i = 0; i < n && at + 40 <= b.size(); ++i) at += 40 + 2 * static_cast<size_t>(I32At(b, at + 36));
  return at;
}

inline TIndexBytes ReadIndexBytes(const UString& base) {
  TIndexBytes x;
  x.tokens = FileBytes(base + u".tokens");
  const std::vector<uint8_t> types = FileBytes(base + u".types");
  x.types_records.assign(types.begin(), types.begin() + static_cast<std::ptrdiff_t>(TypesTailStart(types)));
  x.stats = FileBytes(base + u".stats");
  x.markup = FileBytes(base + u".markup");
  return x;
}

// The files in a folder (temporary ones too), sorted.
inline std::vector<UString> FilesIn(const UString& folder) {
  std::vector<UString> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(ToFsPath(folder), ec))
    names.push_back(FromFsPath(e.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

// "WORD/frequency/texts" of each row of a list, in list order.
inline std::string RowsOf(TVXWordList& words) {
  std::string out;
  for (int i = 0; i < words.Count(); ++i) {
    const TWordlistData& d = words.Row(i)->data;
    out += (i ? " " : "") + Utf16ToUtf8(d.prefix + d.word) + "/" + std::to_string(d.frequency) + "/" +
           std::to_string(d.n_texts);
  }
  return out;
}

// (text index, byte) pairs of jumps.
inline std::vector<std::pair<int32_t, int64_t>> Places(const TLinzoraJumpToList& jumps) {
  std::vector<std::pair<int32_t, int64_t>> out;
  for (const TLinzoraJumpTo& j : jumps.holders) out.emplace_back(j.file_number, j.byte_position);
  return out;
}

using TPlaces = std::vector<std::pair<int32_t, int64_t>>;

// A word-list document with the store's settings as they are.
inline std::unique_ptr<T_WholeWordlistHolder> PlainDoc() {
  return std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr,
                                                 nullptr);
}

// A word-list tool's request for the contexts of `word` in an opened index: the index's texts as
// the file list, the word's places as the item's jumps.
inline void WriteIndexRequest(TIndexHandler& index, const TVXStatsList& stats, UStringView word,
                              TTellLinzoraList& request) {
  AddIndexContextsRequest(index, stats, word, request);
}

class TPlainDocument : public TConcordanceListDocument {};

// Where a concordance of `typed` has its hits: (text index, byte), in text order.
inline TPlaces ConcordancePlaces(const std::vector<TChosenFileDetailsFullRec>& texts, UStringView typed) {
  TPlainDocument doc;
  TConcordanceList list(nullptr, &doc);
  const TConcordanceRunResult result = RunTextsIntoList(texts, typed, list);
  // A line carries its source-file number (texts with lines only, from 1): back to the text.
  std::map<int32_t, int32_t> text_of;
  for (const TTextRunOutcome& t : result.texts) text_of[t.file_number] = t.text_index;
  TPlaces out;
  for (int i = 0; i < list.Count(); ++i)
    out.emplace_back(text_of[list.Line(i)->Data().filename_num_original], list.Line(i)->Data().byte_position);
  std::sort(out.begin(), out.end());
  return out;
}
inline TPlaces ConcordancePlaces(const std::vector<UString>& names, UStringView typed) {
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  for (const UString& n : names) chosen.ToolAddAFile(n);
  std::vector<TChosenFileDetailsFullRec> texts;
  for (int32_t i = 0; i < chosen.FileCount(); ++i) texts.push_back(chosen.GetFullFileDetails(i));
  return ConcordancePlaces(texts, typed);
}

}  // namespace index_test
