// What the shared settings store keeps for the menus and the window shell, besides the check
// states (settings_access.h): a shortcut per command tag, the commands chosen for the
// right-click menu, a change counter that tells other windows to re-read the menus and the help
// access mode (the style number is the settings' own, settings_access.h).
//
// Each value is one block of the store (layouts in docs/formats.md); a missing or damaged block
// reads as the defaults (the catalogue's shortcuts, DefaultRightClickTags on the right-click menu, mode 1).
#pragma once

#include <array>
#include <cstdint>

#include "platform/settings/settings_access.h"
#include "shell/menus/menu_catalogue.h"

int32_t GetMenuShortcut(int tag);  // 0 outside 0..231
void SetMenuShortcut(int tag, int32_t shortcut);
std::array<int32_t, kMenuTagCount> GetMenuCurrentShortcuts();
void ResetMenuShortcutsToDefaults();

bool GetPopupMenuTagInUse(int tag);
void SetPopupMenuTagInUse(int tag, bool in_use);
void ClearPopupMenuTagsInUse();

// Raised by every change of the menus' state; windows compare it with the value they last saw.
void SetMenuAltered();
uint32_t GetMenuAlteredCount();

// 0 the application's own help, 1 the help web page in the browser, other values none.
uint8_t GetVXHelpAccessMode();
void SetVXHelpAccessMode(uint8_t mode);
