#include "shell/menus/menu_store.h"

#include "platform/settings/settings_access.h"
#include "platform/settings/settings_store.h"
#include "shell/menus/popup_items.h"

namespace {

constexpr const char* kShortcutsBlock = "menu.shortcuts";
constexpr const char* kPopupBlock = "menu.popup_tags";
constexpr const char* kAlteredBlock = "menu.altered";
constexpr const char* kHelpModeBlock = "shell.help_mode";

bool ValidTag(int tag) { return tag >= 0 && tag < kMenuTagCount; }

std::array<int32_t, kMenuTagCount> DefaultShortcutTable() {
  std::array<int32_t, kMenuTagCount> t{};
  for (int tag = 0; tag < kMenuTagCount; ++tag) t[tag] = DefaultMenuShortcut(tag);
  return t;
}

std::array<uint8_t, kMenuTagCount> PopupTable() {
  std::array<uint8_t, kMenuTagCount> t{};
  if (SharedSettingsStore().ReadFixed(kPopupBlock, t.data(), sizeof t)) return t;
  // Before the user has chosen, the right-click menu carries the usual list commands.
  t.fill(0);
  for (int tag : DefaultRightClickTags()) t[static_cast<size_t>(tag)] = 1;
  return t;
}

template <typename T>
T ReadValue(const char* block, T fallback) {
  T v{};
  return SharedSettingsStore().ReadFixed(block, &v, sizeof v) ? v : fallback;
}

}  // namespace

std::array<int32_t, kMenuTagCount> GetMenuCurrentShortcuts() {
  std::array<int32_t, kMenuTagCount> t{};
  if (!SharedSettingsStore().ReadFixed(kShortcutsBlock, t.data(), sizeof t)) return DefaultShortcutTable();
  return t;
}

int32_t GetMenuShortcut(int tag) { return ValidTag(tag) ? GetMenuCurrentShortcuts()[tag] : 0; }

void SetMenuShortcut(int tag, int32_t shortcut) {
  if (!ValidTag(tag)) return;
  auto t = GetMenuCurrentShortcuts();
  t[tag] = shortcut;
  SharedSettingsStore().Write(kShortcutsBlock, t.data(), sizeof t);
}

void ResetMenuShortcutsToDefaults() {
  const auto t = DefaultShortcutTable();
  SharedSettingsStore().Write(kShortcutsBlock, t.data(), sizeof t);
}

bool GetPopupMenuTagInUse(int tag) { return ValidTag(tag) && PopupTable()[tag] != 0; }

void SetPopupMenuTagInUse(int tag, bool in_use) {
  if (!ValidTag(tag)) return;
  auto t = PopupTable();
  t[tag] = in_use ? 1 : 0;
  SharedSettingsStore().Write(kPopupBlock, t.data(), sizeof t);
}

void ClearPopupMenuTagsInUse() {
  std::array<uint8_t, kMenuTagCount> t{};
  SharedSettingsStore().Write(kPopupBlock, t.data(), sizeof t);
}

void SetMenuAltered() {
  const uint32_t n = GetMenuAlteredCount() + 1;
  SharedSettingsStore().Write(kAlteredBlock, &n, sizeof n);
}
uint32_t GetMenuAlteredCount() { return ReadValue<uint32_t>(kAlteredBlock, 0); }

uint8_t GetVXHelpAccessMode() { return ReadValue<uint8_t>(kHelpModeBlock, 1); }
void SetVXHelpAccessMode(uint8_t mode) { SharedSettingsStore().Write(kHelpModeBlock, &mode, sizeof mode); }
