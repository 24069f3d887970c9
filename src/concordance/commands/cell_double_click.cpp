#include "concordance/commands/cell_double_click.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>

#include "platform/rtl/files.h"
#include "platform/runtime/parallel_for.h"
#include "platform/text/text_files.h"
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

std::vector<UString> TimelineDataLines(UStringView text) {
  std::vector<UString> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of(u"\t\r\n", start);
    if (end == UStringView::npos) end = text.size();
    if (end > start) out.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

std::vector<UString> PlotRowDetailsLines(UStringView name, int32_t words, int32_t hits, float dispersion,
                                         const std::vector<int32_t>& positions) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f", static_cast<double>(dispersion));
  std::vector<UString> out;
  out.push_back(UString(name) + u"\twords " + IntToUStr(words) + u"\thits " + IntToUStr(hits) + u"\tdispersion " +
                Utf8ToUtf16(buf));
  for (int32_t p : positions) {
    const double percent = words > 0 ? 100.0 * p / words : 0.0;
    std::snprintf(buf, sizeof buf, "%3.2f%%", percent);
    out.push_back(IntToUStr(p) + u"\t" + Utf8ToUtf16(buf));
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

std::vector<UString> SameNamedTexts(UStringView full_name) {
  std::vector<UString> out;
  if (!FileExists(full_name)) return out;
  out.emplace_back(full_name);
  const UString folder = ExtractFilePath(full_name);
  UString stem = ExtractFileName(full_name);
  if (const size_t dot = stem.rfind(u'.'); dot != UString::npos) stem.erase(dot);
  std::vector<UString> others;
  for (const UString& f : FindFiles(folder, stem + u".*")) {
    const UString name = ExtractFileName(f);
    if (name.size() != stem.size() + 7 || name.compare(0, stem.size(), stem) != 0) continue;
    const UString full = IncludeTrailingPathDelimiter(folder) + name;
    if (IsParallelTextName(name) && full != UString(full_name)) others.push_back(full);
  }
  std::sort(others.begin(), others.end());
  out.insert(out.end(), others.begin(), others.end());
  return out;
}

namespace {

// Calls take(name) for every parallel text in the folder. A name is looked at as text only where
// its last two bytes are "rt" in either case: only those letters are "RT" in capitals, and the
// folder's other files (all its texts) need no more.
template <typename F>
void ParallelTextsIn(const UString& folder, F&& take) {
  std::error_code ec;
  namespace fs = std::filesystem;
  for (fs::directory_iterator it(ToFsPath(folder), fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec)) {
    const std::string& path = it->path().native();
    const size_t n = path.size();
    if (n < 2 || (path[n - 2] | 0x20) != 'r' || (path[n - 1] | 0x20) != 't') continue;
    std::error_code ec2;
    if (!it->is_regular_file(ec2)) continue;
    UString own = FromFsPath(it->path().filename());
    if (IsParallelTextName(own)) take(std::move(own));
  }
}

}  // namespace

bool AnyTextHasSameNamedTexts(const std::vector<UString>& full_names, int32_t threads) {
  auto stem_of = [](UStringView name) {
    const size_t dot = name.rfind(u'.');
    return UString(dot == UStringView::npos ? name : name.substr(0, dot));
  };
  // Each folder is listed once; the folders, and then the texts (whether each is there), are
  // looked at on the workers: a run's thousands of texts take a while one look at a time.
  std::map<UString, size_t> folder_number;
  std::vector<UString> folders;
  std::vector<size_t> folder_of(full_names.size(), SIZE_MAX);
  for (size_t i = 0; i < full_names.size(); ++i) {
    UString folder = ExtractFilePath(full_names[i]);
    if (folder.empty()) continue;
    const auto [at, added] = folder_number.try_emplace(std::move(folder), folders.size());
    if (added) folders.push_back(at->first);
    folder_of[i] = at->second;
  }
  // Per folder, the names of its parallel texts by their stems.
  std::vector<std::multimap<UString, UString>> parallel(folders.size());
  ParallelFor(
      threads, folders.size(),
      [&](size_t from, size_t to) {
        for (size_t f = from; f < to; ++f)
          ParallelTextsIn(folders[f], [&](UString own) { parallel[f].emplace(stem_of(own), std::move(own)); });
      },
      1);
  std::atomic<bool> any{false};
  constexpr size_t kTextsPerPiece = 64;
  ParallelFor(
      threads, full_names.size(),
      [&](size_t from, size_t to) {
        for (size_t i = from; i < to && !any.load(std::memory_order_relaxed); ++i) {
          if (folder_of[i] == SIZE_MAX || !FileExists(full_names[i])) continue;
          const UString own = ExtractFileName(full_names[i]);
          const auto [first, last] = parallel[folder_of[i]].equal_range(stem_of(own));
          for (auto it = first; it != last; ++it)
            if (it->second != own) any.store(true, std::memory_order_relaxed);
        }
      },
      kTextsPerPiece);
  return any.load();
}

std::vector<std::pair<UString, UString>> SameNamedTextExcerpts(UStringView full_name, UStringView what) {
  constexpr int64_t kLargestText = int64_t{64} << 20;
  std::vector<std::pair<UString, UString>> out;
  for (const UString& file : SameNamedTexts(full_name)) {
    UString text;
    if (!ReadTextFile(file, text, kLargestText, 1252, true)) continue;
    if (const std::optional<UString> excerpt = ParallelTextExcerpt(text, what))
      out.emplace_back(file, ParallelTextLine(file, *excerpt));
  }
  return out;
}
