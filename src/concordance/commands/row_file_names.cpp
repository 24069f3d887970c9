#include "concordance/commands/row_file_names.h"

#include <algorithm>
#include <unordered_set>

#include "concordance/commands/collocate_highlight.h"
#include "concordance/document/concordance_document.h"
#include "concordance/document/source_files.h"
#include "concordance/views/collocates_list.h"
#include "platform/rtl/files.h"
#include "platform/text/text_files.h"
#include "shell/services/hand_over_folder.h"

namespace {

// The collocate list's total column: its highlight is the collocate anywhere in the horizons.
constexpr int kCollocateTotalColumn = 16;

class TNameCollector {
 public:
  void Add(const UString& name) {
    if (!name.empty() && seen_.insert(name).second) names_.push_back(name);
  }
  std::vector<UString> Take() { return std::move(names_); }

 private:
  std::unordered_set<UString> seen_;
  std::vector<UString> names_;
};

UString TextOfLine(const TConcordanceList& lines, int index) {
  const TConcordanceEntry* line = lines.Line(index);
  return line ? lines.SourceFileName(line->Data().filename_num_original) : UString();
}

void CollocateTexts(TConcordanceList& lines, const TCollocateList& collocates, int row, TNameCollector& out) {
  const THighlightCell cell = HighlightOfCollocateCell(collocates, row, kCollocateTotalColumn);
  if (cell.kind != THighlightCellKind::kHighlight) return;
  // The lines' own highlight (one the user is shown) comes back as it was; its counts are
  // worked out again when next asked for.
  const TConcordanceHighlightRec kept = lines.HighlightRec;
  lines.HighlightRec = cell.rec;
  lines.HighlightRec.active = true;
  lines.ClearHighlightCollocFreqs();
  for (int i = 0; i < lines.Count(); ++i)
    if (TConcordanceEntry* line = lines.Line(i); line && lines.HighlightCount(*line) > 0) out.Add(TextOfLine(lines, i));
  lines.HighlightRec = kept;
  lines.ClearHighlightCollocFreqs();
}

}  // namespace

std::vector<UString> FileNamesOfRows(T_WholeLinzoraHolder& doc, TVXBaseDataClass& list, int index) {
  TNameCollector out;
  const int first = index < 0 ? 0 : index;
  const int last = index < 0 ? list.Count() - 1 : std::min(index, list.Count() - 1);
  if (doc.fConcordanceList && &list == doc.fConcordanceList.get()) {
    for (int i = first; i <= last; ++i) out.Add(TextOfLine(*doc.fConcordanceList, i));
  } else if (auto* texts = dynamic_cast<TLinzoraFilenamelist*>(&list)) {
    for (int i = first; i <= last; ++i) out.Add(texts->GetFullFilename(i, false));
  } else if (auto* collocates = dynamic_cast<TCollocateList*>(&list); collocates && doc.fConcordanceList) {
    for (int i = first; i <= last; ++i) CollocateTexts(*doc.fConcordanceList, *collocates, i, out);
  }
  return out.Take();
}

UString WriteFileNamesToTempFile(const std::vector<UString>& names, UString& why) {
  const UString folder = UserHandOverFolder(&why);
  if (folder.empty()) return UString();
  UString text;
  for (const UString& n : names) text += n + u"\r\n";
  // A new file each time: an earlier list may still be open in the viewer.
  UString name;
  for (int k = 1;; ++k) {
    name = folder + u"filenames_" + IntToUStr(k) + u".txt";
    if (!FileExists(name)) break;
  }
  if (!SaveTextFileUtf16(name, text)) {
    why = name;
    return UString();
  }
  return name;
}
