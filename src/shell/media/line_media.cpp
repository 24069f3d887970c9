#include "shell/media/line_media.h"

#include <algorithm>

#include "platform/settings/settings_access.h"
#include "shell/files/paged_text.h"
#include "shell/media/media_markers.h"

static_assert(kMediaCodeMarkerUndefined == kMediaStartOfFilenameUndefined);
static_assert(kMediaCodeLookupTableNotFound == kMediaLookupTableNotFound);

namespace {
constexpr int kEightBitCodePage = 1252;
}  // namespace

TLineMediaLookup TStoredLineMedia::FindMediaForConcordanceLine(UStringView text, UStringView file_name,
                                                               int widening) {
  const TStringIntAndBoolean found = ::FindMediaForConcordanceLine(text, file_name, widening);
  if (found.found) return TLineMediaLookup{true, GetTempURL(), 0};
  return TLineMediaLookup{false, found.message, found.code};
}

UString TStoredLineMedia::MediaMarkBeforeHit(UStringView file_name, int64_t byte) {
  const TMediaMarkersRec marks = GetMediaMarkers();
  if (marks.Method() != 0 || file_name.empty()) return UString();
  TPagedText source;
  UString why;
  if (!source.Open(file_name, kEightBitCodePage, why)) return UString();
  // The hit's page and the one before it: a line's mark is looked for no further back.
  const int k = source.PageOfByte(byte);
  UString before;
  for (int p = std::max(0, k - 1); p <= k; ++p)
    if (const auto page = source.Page(p)) before += p < k ? page->text : page->text.substr(0, page->UnitAtByte(byte));
  return LastMediaMarkBefore(before, marks.FileNameMarker());
}

bool TStoredLineMedia::PlayLinkedMedia(const UString& file) {
  int64_t start = 0, duration = 0;
  GetTemp2Int64(start, duration);
  return play_ && play_(file, start, duration);
}
