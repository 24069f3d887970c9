#include "shell/menus/menu_features.h"

#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"

namespace {

// Toggles: display choices and modes whose state the store keeps.
const TMenuFeatureSet kCheckable = Tags({32, 46, 55, 75, 80, 81, 87, 92, 100, 101, 104, 112, 114,
                                         131, 138, 150, 165, 181, 185, 196, 219, 220, 221, 223},
                                        {{105, 108}, {117, 121}, {176, 178}});
// Lists of words whose forms can be joined under a head word: word lists and their
// alternative views, keywords, collocates and clusters.
const TMenuFeatureSet kLemmatisable = Tags({0, 1, 3, 5, 6, 7, 8, 9, 13});

const TMenuFeatureSet kBase =
    Tags({8, 17, 21, 22, 24, 26, 28, 29, 33, 37, 54, 85, 91, 103, 110, 111, 164, 166, 170, 180,
          184, 186, 194, 198},
         {{0, 6}, {10, 15}, {60, 65}, {69, 69}, {71, 71}, {78, 83}, {176, 178}});

TMenuFeatureSet Common(const TMenuFeatureContext& c) {
  TMenuFeatureSet s = Tags({3, 8, 66, 67, 69, 71, 80, 91, 144, 145, 161, 207}, {{60, 66}});
  // The word-list tool's index settings; the concordancer offers them too, since the word-list
  // tool here is a command with no windows, and the concordancer reads the index's contexts.
  if (c.tool == kToolWordLister || c.tool == kToolConcordancer) s.set(72);
  if (c.tool == 0 && c.next_version) s.set(146);
  if (c.logging) s.set(56);
  return s;
}

TMenuFeatureSet ByListType(uint8_t t, uint8_t alt, const TMenuFeatureContext& c) {
  TMenuFeatureSet r = kBase | Common(c);
  switch (t) {
    case 0: case 6: case 7: case 8: case 9:
      r |= Tags({7, 23, 25, 40, 42, 53, 72, 90, 93, 114, 162, 175, 179, 193, 201, 209, 210, 219,
                 220, 221, 223},
                {{48, 50}, {52, 52}, {104, 108}, {156, 158}});
      r.reset(194);
      if (alt == 7) r |= Tags({89, 194});
      if (alt == 6) r |= Tags({89, 112, 126, 127, 194, 202}, {{96, 99}});
      break;
    case 1: case 11: case 16: case 18: case 24:
      r |= Tags({7, 23, 25, 50, 52, 72, 90, 114, 126, 127, 179, 193, 209, 219, 220, 221, 223},
                {{38, 42}, {96, 99}, {105, 108}, {156, 158}});
      if (t == 11) r |= Tags({46, 195});
      if (t == 1) r.set(194);
      break;
    case 2:
      r = Tags({45, 175, 211}, {{105, 108}}) | ByListType(1, alt, c);
      r.reset(164);
      break;
    case 3: r = ByListType(0, alt, c); break;
    case 4:
      r = Tags({196}, {{105, 108}}) | ByListType(0, alt, c);
      r.reset(104);
      r |= Tags({53, 194, 195});
      break;
    case 5:
      r |= Tags({7, 25, 34, 38, 44, 52, 53, 105, 108, 114, 126, 127, 150, 179, 193, 209, 210, 219,
                 220, 221, 223},
                {{96, 99}, {155, 158}});
      r.reset(194);
      break;
    case 10:
      r |= Tags({30, 31, 34, 39, 40, 42, 44, 58, 73, 75, 77, 86, 87, 95, 100, 101, 105, 108, 112,
                 114, 138, 154, 163, 165, 197, 199, 200, 219, 220, 221, 223},
                {{117, 121}, {141, 143}, {181, 183}});
      break;
    case 12: r |= Tags({39, 46, 55, 58, 114, 195}, {{105, 108}}); r.reset(194); break;
    case 13: r |= Tags({42, 58, 179}); break;
    case 14: r |= Tags({44, 58, 150, 179}); r.reset(194); break;
    case 15: r = Tags({43}) | ByListType(1, alt, c); break;
    case 17:
      r &= ~Tags({194}, {{10, 15}});
      r |= Tags({17, 23, 40, 58});
      break;
    case 19: r |= Tags({162, 195}, {{105, 108}}); r.reset(194); break;
    case 20: r.set(58); r.reset(194); break;
    case 21: case 22: case 29:
      r &= ~Tags({8, 24, 28, 37, 54, 66, 69, 81, 180, 194}, {{4, 6}, {10, 15}});
      r |= Tags({17, 20, 23, 32, 70, 73});
      if (t == 22) r.reset(2);
      if (t == 21) r.set(130);
      break;
    case 23:
      r = Tags({38, 42, 50, 53, 151, 175, 194}) | ByListType(0, alt, c);
      r &= ~Tags({164, 201});
      break;
    case 25:
      r = Common(c) & ~Tags({24, 28, 164});
      if (c.tool == 5) r &= ~Tags({2, 6, 8, 37, 54, 66, 69, 81, 180}, {{10, 15}});
      break;
    case 26: r = (Tags({26}) | Common(c)) & ~Tags({24, 28, 164}); break;
    case 27: r = (Tags({2, 4, 22, 26, 40, 57}) | Common(c)) & ~Tags({24, 28, 164}); break;
    case 28: r = ByListType(23, alt, c); break;
    case 30:
      r = Tags({0, 2, 3, 22, 24, 26, 28, 38, 51, 71, 80, 81, 91, 103, 160}, {{60, 65}}) |
          (Common(c) & ~Tags({164}));
      break;
    case 31: case 32: case 41: r.reset(); break;
    case 33: r |= Tags({44, 50, 96, 98, 99, 126, 127, 179}); break;
    case 34: r |= Tags({44, 50, 179}); break;
    default: break;
  }
  return r;
}

}  // namespace

TMenuFeatureSet Tags(std::initializer_list<int> tags, std::initializer_list<std::pair<int, int>> ranges) {
  TMenuFeatureSet s;
  for (int t : tags)
    if (t >= 0 && t < kMenuTagCount) s.set(t);
  for (auto [from, to] : ranges)
    for (int t = from; t <= to; ++t)
      if (t >= 0 && t < kMenuTagCount) s.set(t);
  return s;
}

bool IsCheckableMenuItem(int tag) { return tag >= 0 && tag < kMenuTagCount && kCheckable.test(tag); }
bool IsLemmatisableListType(int list_type) {
  return list_type >= 0 && list_type < kListTypeCount && kLemmatisable.test(list_type);
}

TMenuFeatureContext CurrentMenuFeatureContext() {
  TMenuFeatureContext c;
  c.tool = current_tool_var;
  c.logging = global_keeping_log;
  return c;
}

TMenuFeatureSet MenuFeaturesForListType(uint8_t list_type, uint8_t grid_alternative,
                                        const TMenuFeatureContext& context) {
  TMenuFeatureSet r = ByListType(list_type, grid_alternative, context);
  const TMenuFeatureSet joining = Tags({18, 19, 20, 47, 167, 208});
  if (IsLemmatisableListType(list_type)) {
    r |= joining;
  } else if (list_type != 21 && list_type != 22 && list_type != 29) {
    r &= ~(joining | Tags({48}));
  }
  // Page Setup stands wherever a page can be printed or previewed.
  if (r.test(4) || r.test(5)) r.set(84);
  return r;
}

TMenuFeatureSet MenuFeaturesForListType(uint8_t list_type, uint8_t grid_alternative) {
  return MenuFeaturesForListType(list_type, grid_alternative, CurrentMenuFeatureContext());
}

uint8_t MenuListTypeGroup(uint8_t t) {
  switch (t) {
    case 0: case 6: case 7: case 8: case 9: case 19: return 0;
    case 1: case 11: case 18: case 24: return 1;
    case 5: case 10: case 12: case 13: case 14: return 10;
    default: return t;
  }
}
