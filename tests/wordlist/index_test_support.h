// Helpers of the corpus-index tests: a word-list document set up as the tests' texts need, an
// index built from named texts, and the files' bytes.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "concordance/document/tell_list.h"
#include "model/chosen_texts.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "support/temp_folder.h"
#include "wordlist/word_list_document.h"
#include "wordlist/wordlist_indexer.h"

namespace index_test {

inline std::unique_ptr<T_WholeWordlistHolder> NewDoc() {
  auto doc =
      std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr, nullptr);
  doc->WordlistSettings.SetMinFrequency(1);
  doc->WordlistSettings.SetMinWordLength(1);
  doc->WordlistSettings.SetMaxWordLength(50);
  doc->WordlistSettings.SetNumbersIncluded(true);
  doc->WordlistSettings.SetRatioBasis(1000);
  // English: the apostrophe inside words, sentence ends found in the text.
  TTextsett_rec32 t = doc->TextSettings();
  Tfixed_lang_details32 l = t.Language();
  l.SetExtraSymbols(u"'");
  t.SetLanguage(l);
  t.SetMarkerAuto(TTextsett_rec32::kSentenceEndMarker, true);
  doc->SetTextSettings(t);
  return doc;
}

inline std::vector<uint8_t> FileBytes(const UString& name) {
  std::ifstream f(ToFsPath(name), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
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

// The files of an index but the notes and headings at the end of ".types".
struct TIndexBytes {
  std::vector<uint8_t> tokens, types_records, stats, markup;
  bool operator==(const TIndexBytes&) const = default;
};

}  // namespace index_test
