#include "shell/main_window/window_tiling.h"

#include <algorithm>
#include <numeric>

#include "platform/runtime/vx_tools.h"

std::optional<TTiling> TilingOfCode(uint16_t code) {
  switch (code) {
    case kCodeTileVertically: return TTiling::SideBySide;
    case kCodeTileHorizontally: return TTiling::OneAboveTheOther;
    default: return std::nullopt;
  }
}

std::vector<TWindowRect> TiledWindowRects(const TWindowRect& area, int n, TTiling tiling) {
  std::vector<TWindowRect> out;
  if (n < 1) return out;
  const bool across = tiling == TTiling::SideBySide;
  const int length = across ? area.width : area.height;
  const int share = length / n, spare = length % n;
  int at = across ? area.left : area.top;
  for (int i = 0; i < n; ++i) {
    const int size = share + (i < spare ? 1 : 0);
    if (across) out.push_back({at, area.top, size, area.height});
    else out.push_back({area.left, at, area.width, size});
    at += size;
  }
  return out;
}

std::vector<size_t> TilingOrder(const std::vector<TWindowRect>& places, TTiling tiling) {
  std::vector<size_t> order(places.size());
  std::iota(order.begin(), order.end(), size_t{0});
  const bool across = tiling == TTiling::SideBySide;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const TWindowRect& p = places[a];
    const TWindowRect& q = places[b];
    return across ? std::pair(p.left, p.top) < std::pair(q.left, q.top) : std::pair(p.top, p.left) < std::pair(q.top, q.left);
  });
  return order;
}

std::vector<TOpenWindowItem> OpenWindowItems(const std::vector<TOpenMainWindow>& windows, TWindowId own_window) {
  std::vector<TOpenWindowItem> items;
  for (size_t i = 0; i < windows.size(); ++i) {
    const TOpenMainWindow& w = windows[i];
    UString caption = w.caption.empty() ? Tool_Name(w.tool) : w.caption;
    // A "&" of the caption is shown, not taken as the item's key.
    for (size_t at = caption.find(u'&'); at != UString::npos; at = caption.find(u'&', at + 2)) caption.insert(at, 1, u'&');
    const UString number = i < 9 ? u"&" + IntToUStr(static_cast<int64_t>(i + 1)) + u" " : UString();
    items.push_back({number + caption, w.OfThisProcess() && w.window == own_window});
  }
  return items;
}
