// The reference corpus of a concordance: the main word list of a word-list document read from a
// ".lst" file, answering what the collocate association asks of it.
//
// Contract
//   The word list is sorted alphabetically ascending (case ignored) when wrapped, so that look-ups
//   are binary searches. A word's frequency is its row's, plus the rows joined under it when full
//   lemma processing is asked for; -1 when the list lacks the word. The total is the running
//   words of the list's statistics; a list without statistics (or with a total of 0) takes the
//   sum of its rows' own frequencies, which is the same count of tokens.
//
// The document's association step (T_WholeLinzoraHolder::REComputeCollocateAssociation, in
// reference_corpus.cpp) reads the reference file into a word-list document of its own for each
// call; a file that is no word list leaves the collocates as they were, is logged, and gives
// the zero result.
#pragma once

#include <cstdint>
#include <functional>

#include "concordance/views/collocate_association.h"

class TVXWordList;
class TVXStatsList;

// What the document's association step is asked to do.
struct TAssociationRequest {
  UString reference_file;  // the ".lst" read as the reference corpus
  UString details_file;    // the report goes beside it as ".details.txt"; empty: no report
  bool case_sensitive = false;  // honoured only when the collocates keep case
  bool full_lemma_processing = false;
  int32_t parameter = -1;  // the column chosen for the joint count; kept by the document
  std::function<bool(UStringView file_name)> ok_to_overwrite;
  std::function<int64_t(UStringView search_word)> user_frequency;
};

// The code of an association that handled no row because a search word is not in the list.
inline constexpr int32_t kAssociationSearchWordMissing = 4700;

struct TAssociationOutcome {
  int32_t code = 0;
  bool success = false;
  UString export_file;  // the report written; empty when none was
  UString failure;      // why nothing was computed, when the reason is not the code's
};

class TWordListReference : public TReferenceWordList {
 public:
  // stats: the statistics the list was made with; nullptr: the list's own.
  TWordListReference(TVXWordList& words, bool full_lemma_processing, const TVXStatsList* stats = nullptr);
  int64_t Frequency(UStringView word, bool case_sensitive) const override;
  int64_t Total() const override { return total_; }
  int32_t Count() const override;

 private:
  TVXWordList* words_;
  bool full_lemma_processing_;
  int64_t total_ = 0;
};
