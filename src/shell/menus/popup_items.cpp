#include "shell/menus/popup_items.h"

#include <algorithm>

#include "platform/runtime/vx_tools.h"
#include "shell/menus/menu_features.h"

namespace {

constexpr uint8_t kListCollocatesPage = 5;
constexpr uint8_t kListClustersPage = 13;

// New, Open, Save, Print, Close, Copy, Find, Resort, Choose texts, Join rows.
const TMenuFeatureSet kWithImage = Tags({8, 3, 1, 4, 26, 22, 170, 10, 69, kTagJoinRowsButton});

}  // namespace

const std::vector<int>& DefaultRightClickTags() {
  // Copy, Find, Resort, Delete, Restore deleted, Join rows, Unjoin, Source text, Layout.
  static const std::vector<int> tags = {22, 170, 10, 12, 14, 19, 20, 40, 29};
  return tags;
}

std::vector<int> RightClickTagsForPage(const std::vector<int>& chosen, uint8_t list_type, uint8_t alternative) {
  const TMenuFeatureSet offered = MenuFeaturesForListType(list_type, alternative);
  std::vector<int> out;
  for (int tag : chosen)
    if (tag >= 0 && tag < kMenuTagCount && offered.test(static_cast<size_t>(tag)) &&
        std::find(out.begin(), out.end(), tag) == out.end())
      out.push_back(tag);
  if ((list_type == kListCollocatesPage || list_type == kListClustersPage) &&
      std::find(out.begin(), out.end(), kTagJoinClusters) == out.end())
    out.push_back(kTagJoinClusters);
  return out;
}

bool OfferedOnSomePagesRightClickMenu(int tag) {
  // The list types of the window's grid pages.
  static constexpr uint8_t kPageListTypes[] = {kListConcordance, kListCollocates, kListPlot,      kListPatterns,
                                               kListClusters,    kListTimeline,   kListSourceFiles};
  static constexpr uint8_t kGridAlternatives = 32;
  if (tag < 0 || tag >= kMenuTagCount) return false;
  for (uint8_t type : kPageListTypes)
    for (uint8_t alternative = 0; alternative < kGridAlternatives; ++alternative) {
      const std::vector<int> shown = RightClickTagsForPage({tag}, type, alternative);
      if (std::find(shown.begin(), shown.end(), tag) != shown.end()) return true;
    }
  return false;
}

bool HasToolbarImage(int tag) { return tag >= 0 && tag < kMenuTagCount && kWithImage.test(static_cast<size_t>(tag)); }

bool ShowLemmatisableButton(int tag, uint8_t list_type) {
  return tag != kTagJoinRowsButton || IsLemmatisableListType(list_type);
}

bool ToolbarButtonShown(int tag, uint8_t list_type, uint8_t alternative) {
  if (tag < 0 || tag >= kMenuTagCount) return false;
  return MenuFeaturesForListType(list_type, alternative).test(static_cast<size_t>(tag)) &&
         ShowLemmatisableButton(tag, list_type);
}
