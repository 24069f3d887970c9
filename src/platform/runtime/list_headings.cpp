#include "platform/runtime/list_headings.h"

#include "platform/runtime/vx_maths.h"
#include "platform/runtime/vx_resources.h"

int StandardColumnCount(TTessorineList type) {
  switch (type) {
    case kListCollocates: return kCollocateStandardColumns;
    case kListPlot: return kPlotStandardColumns;
    case kListClusters: return kClusterStandardColumns;
    case kListPatterns: return kPatternStandardColumns;
    case kListTimeline: return kTimelineStandardColumns;
    default: return 0;
  }
}

UString CollocatePositionHeading(int p) {
  if (p == 50) return u"*";
  return p < 50 ? u"L" + IntToUStr(50 - p) : u"R" + IntToUStr(p - 50);
}

namespace {
// A heading begins with a capital, as every other heading of the grids does.
UString Capitalised(UString s) {
  if (!s.empty() && s[0] >= u'a' && s[0] <= u'z') s[0] = static_cast<char16_t>(s[0] - 32);
  return s;
}
}  // namespace

std::vector<UString> CopyOfBaseHeadings(TTessorineList type, uint8_t left_span, uint8_t right_span) {
  const UString n = VXRes(TVXRes::VXN);
  const UString words = Capitalised(VXRes(TVXRes::VXWords));
  switch (type) {
    case kListCollocates: {
      std::vector<UString> h = {n, Capitalised(VXRes(TVXRes::VXWord)), VXRes(TVXRes::VXSearchWord)};
      for (int i = 0; i < kRelationshipStatsCount; ++i) h.push_back(RelationshipAsString(i));
      h.insert(h.end(), {VXRes(TVXRes::VXSet), VXRes(TVXRes::VXTextFiles), VXRes(TVXRes::VXTotal), VXRes(TVXRes::VXLeft),
                         VXRes(TVXRes::VXRight)});
      for (int p = left_span; p <= right_span; ++p) h.push_back(CollocatePositionHeading(p));
      return h;
    }
    case kListPlot:
      return {n, VXRes(TVXRes::VXFilename), words, VXRes(TVXRes::VXHits), u"per 1,000", VXRes(TVXRes::VXDispersion),
              VXRes(TVXRes::VXPlots)};
    case kListClusters:
      return {n, VXRes(TVXRes::VXClusters), VXRes(TVXRes::VXFrequency), VXRes(TVXRes::VXSet),
              VXRes(TVXRes::VXClusterSize), u"Related"};
    case kListPatterns: {
      std::vector<UString> h = {n};
      for (int p = 45; p <= 55; ++p) h.push_back(CollocatePositionHeading(p));
      return h;
    }
    case kListTimeline:
      return {n, VXRes(TVXRes::VXSearchWord), words, VXRes(TVXRes::VXHits), u"per 1,000",
              VXRes(TVXRes::VXDispersion), VXRes(TVXRes::VXTimelines)};
    case kListSourceFiles:
      return {n, VXRes(TVXRes::VXFilename), VXRes(TVXRes::VXHits), u"%", words, VXRes(TVXRes::VXSize),
              VXRes(TVXRes::VXDate)};
    default:
      return {};
  }
}

void EnsureMIHeadingsIncludeAllStats(std::vector<UString>& headings) {
  const size_t need = kCollocateFirstStatColumn + kRelationshipStatsCount;
  if (headings.size() < need) headings.resize(need);
  for (int i = 0; i < kRelationshipStatsCount; ++i) headings[kCollocateFirstStatColumn + i] = RelationshipAsString(i);
}
