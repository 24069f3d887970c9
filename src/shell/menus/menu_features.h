// Which menu commands a page shows: the feature set of a list type, and the two tables of the
// runtime the menus consult (commands that carry a check mark, list types whose rows can be
// joined as lemmas).
//
// MenuFeaturesForListType starts from the commands every page offers (Base + Common), changes
// them by list type (some types borrow another type's set, computed with the same grid
// alternative), and finally adds the joining and marking commands for lemmatisable types or
// takes them away from the rest (types 21, 22 and 29 keep what they had).
#pragma once

#include <bitset>
#include <cstdint>
#include <initializer_list>

#include "shell/menus/menu_catalogue.h"

using TMenuFeatureSet = std::bitset<kMenuTagCount>;

// What the Common set depends on besides the list type.
struct TMenuFeatureContext {
  uint8_t tool = 1;          // the current tool type
  bool next_version = false;  // the runtime's next-version flag
  bool logging = false;
};
// The context of this process (current tool, logging).
TMenuFeatureContext CurrentMenuFeatureContext();

TMenuFeatureSet MenuFeaturesForListType(uint8_t list_type, uint8_t grid_alternative,
                                        const TMenuFeatureContext& context);
TMenuFeatureSet MenuFeaturesForListType(uint8_t list_type, uint8_t grid_alternative);

// The list type whose captions a page's menu takes.
uint8_t MenuListTypeGroup(uint8_t list_type);

// A set from tags and closed ranges: Tags({1, 4}, {{10, 15}}).
TMenuFeatureSet Tags(std::initializer_list<int> tags,
                     std::initializer_list<std::pair<int, int>> ranges = {});

bool IsCheckableMenuItem(int tag);    // tags outside 0..231 are not
bool IsLemmatisableListType(int list_type);  // types outside 0..47 are not
