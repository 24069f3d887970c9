#include "concordance/commands/row_file_names.h"

#include <algorithm>
#include <unordered_set>

#include "concordance/commands/collocate_highlight.h"
#include "concordance/document/concordance_document.h"
#include "concordance/document/source_files.h"
#include "concordance/views/clusters_list.h"
#include "concordance/views/collocates_list.h"
#include "platform/rtl/files.h"
#include "platform/text/text_files.h"
#include "platform/text/text_services.h"
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

// The words of a text, upper-cased: runs of letters and digits (an apostrophe inside a word
// belongs to it).
std::vector<UString> UpperWords(UStringView text, TLCID lcid) {
  const UString upper = UpperCaseU(text, lcid);
  std::vector<UString> words;
  UString word;
  for (size_t i = 0; i < upper.size(); ++i) {
    const char16_t c = upper[i];
    const bool in_word = (CharKindOf(c) & (C1_ALPHA | C1_DIGIT)) != 0 || (c == u'\'' && !word.empty());
    if (in_word) {
      word += c;
    } else if (!word.empty()) {
      words.push_back(std::move(word));
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

void ClusterTexts(TConcordanceList& lines, const TVXBaseListObject& row, TLCID lcid, TNameCollector& out) {
  const std::vector<UString> cluster = UpperWords(row.MainWordOnly(), lcid);
  if (cluster.empty()) return;
  for (int i = 0; i < lines.Count(); ++i) {
    const TConcordanceEntry* line = lines.Line(i);
    if (!line) continue;
    const TLineTextWide text(line->Text());
    const std::vector<UString> words = UpperWords(text, lcid);
    if (std::search(words.begin(), words.end(), cluster.begin(), cluster.end()) != words.end()) out.Add(TextOfLine(lines, i));
  }
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
  } else if (dynamic_cast<TConcordanceClusterList*>(&list) && doc.fConcordanceList) {
    for (int i = first; i <= last; ++i)
      if (const TVXBaseListObject* row = list.Get(i)) ClusterTexts(*doc.fConcordanceList, *row, doc.LCID(), out);
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
