// The concordance the many-texts benchmarks time: `word` over the texts chosen, made by the
// document's own engine on `threads` workers (0: the settings' choice), with no context,
// exclusion or tag words. The document copies what it keeps of the words, so nothing here needs
// to outlive the call.
#pragma once

#include <cstdint>

#include "concordance/document/concordance_document.h"
#include "model/reading/chosen_texts_handover.h"

inline bool MakeEngineConcordance(T_WholeLinzoraHolder& doc, TSharedChosenFilesClass& chosen, const UString& word,
                                  int32_t threads) {
  TSearchWordItems items(SearchTextOptionsFromTextSettings(doc.TextSettings()));
  items.AddedSearchWords(word);
  TContextWordItems context;
  TExclusionWordItems exclusion;
  TTagContextWordItems tags;
  int32_t converted = 0;
  TMakeConcordanceArgs args;
  args.chosen = &chosen;
  args.search_items = &items;
  args.context_items = &context;
  args.exclusion_items = &exclusion;
  args.tag_context_items = &tags;
  args.converted_count = &converted;
  args.threads = threads;
  return doc.MakeConcordance(args);
}
