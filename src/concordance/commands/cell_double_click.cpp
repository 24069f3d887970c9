#include "concordance/commands/cell_double_click.h"

#include <algorithm>

#include "platform/text/text_services.h"

namespace {

UString ReplacedAll(UString text, UStringView from, UStringView to) {
  size_t at = 0;
  while ((at = text.find(from, at)) != UString::npos) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

UString ExtensionOf(UStringView file_name) {
  const size_t slash = file_name.find_last_of(u"/\\");
  const size_t dot = file_name.rfind(u'.');
  if (dot == UStringView::npos || (slash != UStringView::npos && dot < slash)) return UString();
  return UString(file_name.substr(dot));
}

}  // namespace

TDoubleClickAction DoubleClickActionOf(int list_type, int row, int column, bool set_column,
                                       bool collocate_set_shown) {
  using A = TDoubleClickAction;
  if (row <= 0) return A::kNothing;
  switch (list_type) {
    case 5:
      return column == 14 && collocate_set_shown ? A::kEditSetValue : A::kHighlightCollocate;
    case 10:
      switch (column) {
        case 1: return A::kShowSource;
        case 2: return A::kEditSetRecord;
        case 3: return A::kPlayMedia;
        case 13: return A::kOpenCellFile;
        default: return set_column ? A::kEditSetValue : A::kShowSource;
      }
    case 12:
      return column == 1 ? A::kOpenPlotFile : column == 6 ? A::kPlotDetails : A::kNothing;
    case 13:
      if (column == 3) return A::kEditSetValue;
      if (column == 5) return A::kRelatedClusters;
      return set_column ? A::kEditSetValue : A::kNothing;
    case 14: return A::kHighlightCollocate;
    case 17: return A::kOpenCellFile;
    case 20: return column == 6 ? A::kTimelineData : A::kNothing;
    default: return A::kNothing;
  }
}

std::vector<UString> RelatedClustersOfCell(UStringView text) {
  const UString upper = UpperCaseU(text) + u",";
  std::vector<UString> out;
  size_t start = 0;
  for (size_t comma; (comma = upper.find(u',', start)) != UString::npos; start = comma + 1)
    if (comma > start) out.emplace_back(upper.substr(start, comma - start));
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<UString> LinesOfText(UStringView text) {
  std::vector<UString> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of(u"\r\n", start);
    if (end == UStringView::npos) end = text.size();
    if (end > start) out.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

bool IsParallelTextName(UStringView file_name) {
  const UString ext = UpperCaseU(ExtensionOf(file_name));
  return ext.size() == 7 && ext.substr(3) == u"_SRT";
}

std::optional<UString> ParallelTextExcerpt(UStringView text, UStringView what) {
  if (what.empty()) return std::nullopt;
  const size_t found = text.find(what);
  if (found == UStringView::npos) return std::nullopt;
  int64_t start = static_cast<int64_t>(found) + 1;  // 1-based, as the positions are told
  for (int step = 0; step < 10 && start > 21; ++step) start -= 20;
  UString piece(text.substr(static_cast<size_t>(start - 1), 400));
  piece = ReplacedAll(std::move(piece), u"<***><start=", u"<");
  return ReplacedAll(std::move(piece), u"<start=", u">");
}

UString ParallelTextLine(UStringView file_name, UStringView excerpt) {
  return UpperCaseU(ExtensionOf(file_name)) + u"\t" + UString(excerpt);
}
