// Windows > Tile Vertically (110) and Tile Horizontally (111): the tool posts the code to its
// controller, which arranges the program's open main windows, those of its other processes too
// (open_windows.h), over the screen's work area. Tiled vertically they stand side by side, each the
// full height; tiled horizontally one above the other, each the full width. The windows keep their
// order across the screen.
//
// The Windows menu lists the same windows, in the order they were opened, each under its caption;
// choosing one brings it to the front.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/settings/open_windows.h"
#include "shell/main_window/controller_messages.h"

inline constexpr uint16_t kCodeTileVertically = 110;
inline constexpr uint16_t kCodeTileHorizontally = 111;

enum class TTiling : uint8_t { SideBySide, OneAboveTheOther };
// The tiling a code asks for; nullopt for other codes.
std::optional<TTiling> TilingOfCode(uint16_t code);

// The places of n windows tiled over the area: the area's width (side by side) or height (one
// above the other) shared out whole pixels at a time, the first windows taking a pixel more when
// it does not divide evenly, so that together they cover the area exactly. None for n < 1.
std::vector<TWindowRect> TiledWindowRects(const TWindowRect& area, int n, TTiling tiling);

// The order in which windows standing at these places are tiled: left to right (side by side) or
// top to bottom, the other co-ordinate breaking ties, equal places in their given order.
std::vector<size_t> TilingOrder(const std::vector<TWindowRect>& places, TTiling tiling);

// One item of the Windows menu: "&1 caption" (a number for the first nine), the window whose menu
// it is (own_window, of this process) marked; a window without a caption shows its tool's name.
struct TOpenWindowItem {
  UString caption;
  bool own = false;
};
std::vector<TOpenWindowItem> OpenWindowItems(const std::vector<TOpenMainWindow>& windows, TWindowId own_window);
