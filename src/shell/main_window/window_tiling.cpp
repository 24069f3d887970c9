#include "shell/main_window/window_tiling.h"

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
