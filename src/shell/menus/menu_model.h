// The shared menu as a tree of items, with the operations every tool's menus need, kept free
// of any window: the window layer mirrors the tree into its menu bar and calls Sync after each
// operation.
//
// Walks visit each item once, however often it is reachable (an item may hang under two
// parents), and whatever its tag: several items share a tag (the recent files, the sub-menu
// heads marked -1), and tags index tag sets only within 0..231.
//
// Typical use: TMenuModel m; m.RedoMenuItemsCheckStates(); m.UpdateAllMenuShortCutsFromStore();
// m.ApplyFeatureSet(MenuFeaturesForListType(type, alternative)); a click answers the item's tag.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/ustring.h"
#include "shell/menus/menu_features.h"

struct TMenuNode {
  int tag = 0;
  UString caption;
  int32_t shortcut = 0;
  bool auto_check = false;
  bool checked = false;
  bool enabled = true;
  bool visible = true;
  UString data;  // a recent file's path
  UString hint;  // shown for the item (why a disabled item is disabled); empty: none
  TMenuNode* parent = nullptr;  // the first parent
  std::vector<TMenuNode*> children;
  bool IsCommand() const { return tag >= 0 && tag < kMenuTagCount; }
};

enum : int { kTypingTypeIn = 0, kTypingSetCategories = 1, kTypingEditingData = 2 };

class TMenuModel {
 public:
  // The whole catalogue, check states and shortcuts as the catalogue gives them.
  TMenuModel();
  TMenuModel(const TMenuModel&) = delete;
  TMenuModel& operator=(const TMenuModel&) = delete;

  const std::vector<TMenuNode*>& TopMenus() const { return top_; }
  // Adds an item under parent (nullptr: a new top menu); the model owns it.
  TMenuNode* AddItem(TMenuNode* parent, int tag, UStringView caption, int32_t shortcut = 0);
  // Hangs an existing item under a second parent as well.
  void AttachShared(TMenuNode* parent, TMenuNode* item);
  void RemoveItem(TMenuNode* item);

  // Depth first from the top menus; each item once, its sub-items after it.
  void Walk(const std::function<void(TMenuNode&)>& visit);
  // The first item with the tag, depth first; nullptr when none.
  TMenuNode* FindByTag(int tag);
  UString GetAMainMenuCaptionByTag(int tag);

  // Check marks: auto-check items take their state from the store.
  void SetAutoCheckItems();
  void RedoMenuItemsCheckStates();
  // Every command item takes the store's shortcut, unless an item met earlier in the walk
  // already has it (a key bound twice would fire neither); then the customisable lists.
  void UpdateAllMenuShortCutsFromStore();
  void FillCustomisableItems();
  const std::vector<TMenuNode*>& CustomisableItems() const { return customisable_; }
  const std::vector<TMenuNode*>& RightClickItems() const { return right_click_; }
  // At most the first ten lines, each "caption" or "caption: shortcut text".
  void SetRightClickMenuItems(const std::vector<UString>& lines);
  UString TagToCustomisableMenuCaption(int tag) const;
  // False (and the user told) when another command already has the shortcut.
  bool TryToSetAShortCut(int tag, UStringView caption, int32_t shortcut);
  bool TryToSetAShortCut(TMenuNode& item, int32_t shortcut);
  // A caption "proper: shortcut" is made to agree with the items of the main menu.
  UString CheckMenuCompatibility(UStringView caption);

  // Only the two match commands (7 and 158) can be hidden this way.
  void SetMenuItemVisible(int tag, bool visible);
  // Commands outside the set are hidden; a sub-menu shows while any of its items does.
  void ApplyFeatureSet(const TMenuFeatureSet& set);

  void SetTypeSetEditMenuItems(int mode);
  static int CurrentTypingMode();

  void HandleUnOrRedoAction(bool redo, UStringView caption, int count);
  void ResetUnOrRedoActions();

  // Recent files of the tool as items (tag 161) in the File menu, before Exit; paths kept as
  // data, shown with "&" doubled. Files that do not exist are left out.
  void SetRecentFileItems(uint8_t tool);
  void SetRecentFileItems(uint8_t tool, UStringView last_main_file, UStringView last_used_file);
  std::vector<TMenuNode*> RecentFileItems();

 private:
  std::deque<std::unique_ptr<TMenuNode>> nodes_;
  std::vector<TMenuNode*> top_;
  std::vector<TMenuNode*> customisable_;
  std::vector<TMenuNode*> right_click_;
};

// Whether a tag may appear on tool bars and on the right-click menu.
bool IsCustomisableMenuTag(int tag);
