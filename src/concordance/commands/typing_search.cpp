#include "concordance/commands/typing_search.h"

#include <algorithm>

#include "concordance/lines/concordance_list.h"
#include "concordance/lines/line_records.h"
#include "model/lists/result_list_base.h"
#include "platform/rtl/files.h"
#include "platform/text/text_services.h"

namespace {

constexpr int kSpanOfFirstWordKey = kSpanFixedFirst;  // key 0 (L5) is span 45, key 10 (R5) span 55

// The piece of a line's text the first sort key reads (start, length).
std::pair<int32_t, int32_t> SortWordOfLine(const TConcordanceList& lines, const TConcordanceEntry& line) {
  const int32_t key = lines.SortLevel(0).key;
  const int span = key >= kConcSortFirstWord && key <= kConcSortLastWord ? kSpanOfFirstWordKey + key : kSpanCentre;
  return SpanWordExtent(line, span);
}

UStringView Piece(UStringView text, std::pair<int32_t, int32_t> extent) {
  const auto [start, length] = extent;
  if (start < 0 || length <= 0 || static_cast<size_t>(start) >= text.size()) return {};
  return text.substr(static_cast<size_t>(start), static_cast<size_t>(length));
}

// A file name, plot or time-line label may carry its folder: the name is what the user types.
UStringView WithoutFolder(UStringView word) {
  const size_t slash = word.find_last_of(u"/\\");
  return slash == UStringView::npos ? word : word.substr(slash + 1);
}

char16_t AsciiLowerUnit(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// Whether word begins with typed; folded is typed case-folded (used when case does not count).
// ASCII heads are compared in place; only others are folded, so most rows cost no allocation.
bool BeginsWith(UStringView word, UStringView typed, const UString& folded, bool case_sensitive) {
  if (word.size() < typed.size()) return false;
  const UStringView head = word.substr(0, typed.size());
  if (head == typed) return true;
  if (case_sensitive) return false;
  bool ascii = true;
  for (size_t k = 0; k < head.size() && ascii; ++k) {
    if (head[k] >= 0x80 || typed[k] >= 0x80) ascii = false;
    else if (AsciiLowerUnit(head[k]) != AsciiLowerUnit(typed[k])) return false;
  }
  if (ascii) return true;
  return FoldCaseU(head) == folded;
}

// The first index from `from` on, then from 0 up to `from`, whose word begins with typed.
int WalkFrom(TVXBaseDataClass& list, UStringView typed, bool case_sensitive, int from) {
  const int n = list.Count();
  if (n == 0) return -1;
  from = std::clamp(from, 0, n - 1);
  auto* lines = dynamic_cast<TConcordanceList*>(&list);
  const UString folded = case_sensitive ? UString() : FoldCaseU(typed);
  for (int step = 0; step < n; ++step) {
    const int i = (from + step) % n;
    bool hit = false;
    if (lines) {
      const TConcordanceEntry* line = lines->Line(i);
      if (line) {
        const TLineTextWide text(line->Text());
        hit = BeginsWith(Piece(text, SortWordOfLine(*lines, *line)), typed, folded, case_sensitive);
      }
    } else {
      hit = BeginsWith(TypedSearchWordOfRow(list, i), typed, folded, case_sensitive);
    }
    if (hit) return i;
  }
  return -1;
}

}  // namespace

int TypingKindOfListType(int list_type) {
  switch (list_type) {
    case 10: return kTypingConcordance;
    case 13: return kTypingClusters;
    case 12: return kTypingPlot;
    case 14: return kTypingPatterns;
    case 5: return kTypingCollocates;
    case 17: return kTypingFilenames;
    case 20: return kTypingTimeline;
    default: return -1;
  }
}

UString TypedSearchWordOfRow(TVXBaseDataClass& list, int index) {
  if (index < 0 || index >= list.Count()) return UString();
  if (auto* lines = dynamic_cast<TConcordanceList*>(&list)) {
    const TConcordanceEntry* line = lines->Line(index);
    if (!line) return UString();
    const TLineTextWide text(line->Text());
    return UString(Piece(text, SortWordOfLine(*lines, *line)));
  }
  const TVXBaseListObject* e = list.Get(index);
  if (!e) return UString();
  UString word = e->MainWordOnly();
  if (word.empty()) word = e->GetAWordAsString(list.MainWordColumn());
  return UString(WithoutFolder(word));
}

int FindTypedTextFromRow(TVXBaseDataClass* list, bool case_sensitive, UStringView typed, int row) {
  if (!list || typed.empty()) return -1;
  const int found = WalkFrom(*list, typed, case_sensitive, row);
  return found >= 0 ? found : row;
}

int FindTypedTextInList(TVXBaseDataClass* list, bool case_sensitive, UStringView typed, int current_row) {
  return FindTypedTextFromRow(list, case_sensitive, typed, current_row);
}

int FindTypedCluster(TVXBaseDataClass& clusters, bool case_sensitive, UStringView typed) {
  UStringView word = typed;
  uint32_t flags = kPosTrailingWildcard;
  if (!word.empty() && word.front() == u'*') {
    flags |= kPosLeadingWildcard;
    word.remove_prefix(1);
  }
  while (!word.empty() && word.back() == u'*') word.remove_suffix(1);
  if (word.empty()) return -1;
  return clusters.Find_PosWordStr(word, case_sensitive, 0, flags);
}

std::optional<int> TypedTextRow(int kind, TVXBaseDataClass* list, bool case_sensitive, UStringView typed,
                                int current_row) {
  if (!list || typed.empty()) return std::nullopt;
  int row = -1;
  switch (kind) {
    case kTypingConcordance:
    case kTypingFilenames: row = FindTypedTextFromRow(list, case_sensitive, typed, current_row); break;
    case kTypingClusters: row = FindTypedCluster(*list, case_sensitive, typed); break;
    case kTypingPlot:
    case kTypingPatterns:
    case kTypingCollocates: row = FindTypedTextInList(list, case_sensitive, typed, current_row); break;
    default: return std::nullopt;
  }
  if (row < 0) return std::nullopt;
  return row;
}
