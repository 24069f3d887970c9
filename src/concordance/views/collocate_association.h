// The association of every collocate with its search word against a reference word list, and
// the report of the figures behind each value (".details.txt").
//
// Per collocate row: joint = the row's total within the horizons; f1 = the search word's
// frequency in the reference list, f2 = the collocate's, N = the list's total; the eleven
// measures (RelationshipComputation, span = left + right horizon) go into the row. A search word
// the list lacks: "/" alternatives add their frequencies, a phrase takes its rarest word's, else
// the caller's own frequency is asked for (once per search word, when it can give one), else
// the row is skipped; a collocate the list lacks is skipped too. A skipped row gets no line and
// its eleven values are cleared, so that a recomputation against another list leaves none of
// the last list's values behind. Look-ups are case-sensitive only when the caller asks for it.
//
// The report (UTF-16 LE with a byte-order mark, LF line ends, "." decimals whatever the
// locale): a heading line of five empty opening columns and the eleven measure names in upper
// case (0 to 10), then per row handled "%s & %s:\t%d\t%d\t%d\t%d" (collocate, search word,
// joint, f1, f2, N) and "\t%.4f" per measure. Written through a temporary sibling only when the
// report's folder exists and the overwrite question (when given) allows it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/rtl/ustring.h"

class TCollocateList;

// What the association asks of a reference word list.
class TReferenceWordList {
 public:
  virtual ~TReferenceWordList() = default;
  // The word's frequency (lemma forms joined to it added); -1 when the list lacks it.
  virtual int64_t Frequency(UStringView word, bool case_sensitive) const = 0;
  virtual int64_t Total() const = 0;
  virtual int32_t Count() const = 0;
};

struct TAssociationArgs {
  int32_t left_words = 5;
  int32_t right_words = 5;
  bool case_sensitive = false;
  int32_t column = 16;  // the column chosen for the joint count (logged)
  UString report_file;  // the word list's name; empty: no report
  std::function<bool(UStringView file_name)> ok_to_overwrite;  // empty: overwrite
  // Asked for a search word the list lacks (after alternatives and phrases): its frequency, or
  // a negative number when the user gives none. Empty: never asked.
  std::function<int64_t(UStringView search_word)> user_frequency;
};

struct TAssociationResult {
  bool success = false;
  int32_t rows_handled = 0;
  int32_t search_word_missing = 0;  // rows skipped because their search word was not found
  bool report_written = false;
  std::vector<UString> report;  // the report's lines
};

TAssociationResult ComputeAssociationReport(const TReferenceWordList& reference, TCollocateList& list,
                                            const TAssociationArgs& args);
// The report's name: the extension of file_name replaced by ".details.txt"; a name whose stem
// already ends in "details" ("reldetails", "name_details", "details") only gets ".txt", so that
// "reldetails.txt" is written as typed.
UString AssociationReportName(UStringView file_name);
