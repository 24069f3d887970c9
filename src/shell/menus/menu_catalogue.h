// The shared main menu of every tool, as data: each item's tag, caption and default shortcut,
// in menu order, with its depth (0 a top menu, 1 an item of it, 2 an item of a sub-menu).
//
// Tags 0-231 name commands; every click reaches the main window's command handler with the
// tag. A negative tag heads a sub-menu and carries no command; -999 marks a top menu. Shortcuts
// are kept in the suite's integer form: the key code + 16384 for Ctrl, 8192 for Shift, 32768
// for Alt (key codes: 'A'-'Z' and '0'-'9' as their letters, F1-F24 112-135, the rest as the
// kKey* values below). Captions use "&" before the hot key and "&&" for an ampersand.
#pragma once

#include <cstdint>
#include <span>

#include "platform/rtl/ustring.h"

inline constexpr int kMenuTagCount = 232;  // tags 0..231
inline constexpr int kTopMenuTag = -999;
inline constexpr int kRecentFileTag = 161;
inline constexpr int kShortcutCtrl = 16384;
inline constexpr int kShortcutShift = 8192;
inline constexpr int kShortcutAlt = 32768;
inline constexpr int kShortcutKeyMask = 0xFF;
enum : int {
  kKeyBack = 8, kKeyTab = 9, kKeyReturn = 13, kKeyEscape = 27, kKeySpace = 32,
  kKeyPageUp = 33, kKeyPageDown = 34, kKeyEnd = 35, kKeyHome = 36,
  kKeyLeft = 37, kKeyUp = 38, kKeyRight = 39, kKeyDown = 40, kKeyInsert = 45, kKeyDelete = 46,
  kKeyF1 = 112, kKeyF24 = 135,
};

struct TMenuCatalogueEntry {
  int16_t tag;
  uint8_t depth;
  const char16_t* caption;
  int32_t shortcut;  // 0: none
};

// The whole menu, File to Help, in order.
std::span<const TMenuCatalogueEntry> MenuCatalogue();
// The default shortcut of a command tag (0 when it has none or the tag is outside 0..231).
int32_t DefaultMenuShortcut(int tag);

// "Ctrl+Shift+F8" and back; TextToShortCut answers 0 for text it cannot read.
UString ShortCutToText(int32_t shortcut);
int32_t TextToShortCut(UStringView text);
// The caption without hot-key markers ("&Print..." -> "Print...", "A && B" -> "A & B").
UString StripHotkey(UStringView caption);
