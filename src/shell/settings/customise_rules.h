// The Customise settings without a window: per command that may be customised (the menu's
// customisable items, captions without their hot-key marks) whether it is on the grids'
// right-click menu, and its shortcut as text ("Ctrl+Shift+F8", empty for none). The store keeps a
// flag per command for the right-click menu and a shortcut per command (menu_store.h); every
// main window takes them again when told that the settings changed.
//
// ApplyCustomisation checks everything first: at most ten commands on the right-click menu, each
// shortcut readable, and no shortcut newly given that another command has (counting the commands
// that are not customisable, whose shortcuts stay). One problem and nothing is written; each names its command.
//
// Beside them, how F1 and the Help commands reach help: this program's help, the help pages in
// the browser, or not at all (the store's help access mode, read at every request for help).
#pragma once

#include <vector>

#include "platform/rtl/ustring.h"

class TMenuModel;

inline constexpr int kMostRightClickItems = 10;

struct TCustomisedItem {
  int tag = 0;
  UString caption;
  bool right_click = false;
  UString shortcut;
  bool operator==(const TCustomisedItem&) const = default;
};

inline constexpr int kHelpAccessModes = 3;

// "this program's help", "the help pages in the browser", "nothing".
UString HelpAccessCaption(int mode);
int CurrentHelpAccess();
// Why the mode cannot be stored (empty when it can).
UString HelpAccessProblem(int mode);
void ApplyHelpAccess(int mode);

// The customisable commands of the menus (in the model's order) as stored now.
std::vector<TCustomisedItem> CurrentCustomisation(TMenuModel& menus);
// The problems, one line each naming its command; empty when everything was stored.
std::vector<UString> ApplyCustomisation(TMenuModel& menus, const std::vector<TCustomisedItem>& items);
