// Re-linking a concordance's source texts from another saved concordance made with the same
// search (its texts moved, or its rows lost). Lines of the two documents are matched by their
// place in the text: equal word number, source-text number and byte position. Both sides are
// put in (byte position, word number, source-text number) order and walked once together, so the
// cost grows with the sum of the two line counts, not their product; of several equal lines in
// the other document the first in its (byte position, word number) order is the match.
//
// A file that cannot be read as a concordance changes nothing here and is reported. The
// placeholder row of a lost name goes only once no line points at it, and the damaged-numbers
// flag is cleared only once every line's number names a row.
#include <algorithm>
#include <tuple>

#include "concordance/document/concordance_document.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"

namespace {

constexpr char16_t kLostFilename[] = u"lost_filename.txt";

bool IsLostPlaceholder(const UString& full_name) {
  return AsciiLower(ExtractFileName(full_name)) == kLostFilename;
}

// One line's matching key and its index in its list.
struct TLineKey {
  int64_t byte_position;
  int32_t word_num;
  int32_t file_num;
  int32_t index;
  auto Tie() const { return std::tie(byte_position, word_num, file_num, index); }
  auto Match() const { return std::tie(byte_position, word_num, file_num); }
};

std::vector<TLineKey> SortedKeys(const TConcordanceList& list) {
  std::vector<TLineKey> keys;
  keys.reserve(static_cast<size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i)
    if (const TConcordanceEntry* line = list.Line(i)) {
      const TConcordanceLineData& d = line->Data();
      keys.push_back({d.byte_position, d.word_num, d.filename_num_original, i});
    }
  std::sort(keys.begin(), keys.end(), [](const TLineKey& a, const TLineKey& b) { return a.Tie() < b.Tie(); });
  return keys;
}

void SortByPlaceInText(TConcordanceList& list) {
  list.Set2Sorts(kConcSortBytePosition, kConcSortWordNumber);
  list.SetSortAscending(0, true);
  list.SetSortAscending(1, true);
  list.CompleteResort();
}

}  // namespace

bool T_WholeLinzoraHolder::RebuildSourceTextsFromSavedConcordance(UStringView file_name) {
  fRelinkFailure.clear();
  T_WholeLinzoraHolder other(kListConcordance, CentreOfMainForm(), nullptr, &TTessorineholder::DudTextFile,
                             StopListLoaded(), LemmaListLoaded(), TextTagHandler, TagsToTranslate);
  other.fSecondaryRead = true;
  other.SetUnicode(Unicode());
  const T2_BooleanRec read = other.ReadWholeFromFile(file_name, kToolConcordancer);
  if (!read.first) {
    fRelinkFailure = UString(file_name) + u": " +
                     (other.ReadFailure().empty() ? UString(u"not a readable concordance") : other.ReadFailure());
    AddToLogFile(u"re-linking source texts refused: " + fRelinkFailure);
    return false;
  }

  TLinzoraFilenamelist& files = *fTextFilesWithSearchWord;
  TLinzoraFilenamelist& their_files = *other.fTextFilesWithSearchWord;
  // Rows without their own numbers are found by position: give them numbers first, so that a row
  // added or taken away below moves no line onto another text.
  if (!files.HasOriginalNumbers())
    for (int r = 0; r < files.Count(); ++r) files.SetOriginalFilenumber(r);
  // A row added takes a number no row and no line uses yet.
  int32_t next_number = 0;
  for (int r = 0; r < files.Count(); ++r)
    next_number = std::max(next_number, files.GetEntryRecPlus(r, false).other_data.zero_based_filename_num + 1);
  for (int i = 0; i < fConcordanceList->Count(); ++i)
    if (const TConcordanceEntry* line = fConcordanceList->Line(i))
      next_number = std::max(next_number, line->Data().filename_num_original);

  SortByPlaceInText(*fConcordanceList);
  SortByPlaceInText(*other.fConcordanceList);
  const std::vector<TLineKey> mine = SortedKeys(*fConcordanceList);
  const std::vector<TLineKey> theirs = SortedKeys(*other.fConcordanceList);
  size_t j = 0;
  for (const TLineKey& a : mine) {
    MyYieldProcess();
    while (j < theirs.size() && theirs[j].Match() < a.Match()) ++j;
    if (j == theirs.size() || theirs[j].Match() != a.Match()) continue;
    // A number naming none of the other document's rows tells nothing about the text.
    const TLinzoraFilenameEntry* their_row =
        theirs[j].file_num < 1 ? nullptr : their_files.Row(theirs[j].file_num - 1, true);
    if (!their_row) continue;
    int32_t number = files.IndexOfAFilename(their_row->fdata.full_filename, true);
    if (number < 0) {
      TLinzoraFilenameEntryRecPlus copy = their_row->fdata;
      copy.other_data.zero_based_filename_num = next_number++;
      number = copy.other_data.zero_based_filename_num;
      files.Add(new TLinzoraFilenameEntry(&files, copy));
    }
    fConcordanceList->Line(a.index)->Data().filename_num_original = number + 1;
  }
  fConcordanceList->last_LinzoraEntry = -1;

  // The placeholder of a lost name goes once no line points at it.
  for (int r = files.Count() - 1; r >= 0; --r) {
    if (!IsLostPlaceholder(files.GetFullFilename(r, false))) continue;
    bool referred = false;
    for (int i = 0; i < fConcordanceList->Count() && !referred; ++i)
      if (const TConcordanceEntry* line = fConcordanceList->Line(i))
        referred = files.PositionOf(line->SourceTextIndex(), true) == r;
    if (!referred) files.Remove(r);
  }
  files.EnsureOrderTableAllocated();
  bool all_known = true;
  for (int i = 0; i < fConcordanceList->Count() && all_known; ++i)
    if (const TConcordanceEntry* line = fConcordanceList->Line(i))
      all_known = line->Data().filename_num_original >= 1 && files.Row(line->Data().filename_num_original - 1, true);
  if (all_known) fConcordanceList->Dud_CNC_Filenames_found = false;
  return true;
}
