// Helpers of the corpus-index tests: a word-list document set up as the tests' texts need, an
// index built from named texts, and the files' bytes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../model/chosen_texts_test_support.h"

#include "concordance/document/tell_list.h"
#include "model/chosen_texts.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "support/temp_folder.h"
#include "wordlist/word_list_document.h"
#include "wordlist/wordlist_indexer.h"

namespace index_test {

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
inline bool BuildIndex(T_WholeWordlistHolder& doc, const UString& name, const std::vector<UString>& texts,
                       int32_t threads = 1, int32_t mode = kIndexCreate, bool replacing = false) {
  if (!doc.StartAnIndexHandler(name, mode, replacing)) return false;
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  for (const UString& n : texts) chosen.ToolAddAFile(n);
  TMakeWordlistOptions o;
  o.threads = threads;
  int32_t converted = 0;
  if (!doc.MakeWordlist(chosen, 0, kListIndexWordlist, converted, o)) return false;
  return doc.SaveToFile(name, 0, 0, 0);
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
  size_t at = 61 + 8 * static_cast<size_t>(n);
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

}  // namespace index_test
