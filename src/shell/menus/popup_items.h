// Which commands a result grid's right-click menu and the main window's tool bar carry. Both
// are made from the customisable items (menu_model.h): the right-click menu from those the
// user chose for it (or, before any choice, DefaultRightClickTags), the tool bar from those
// that have a picture. A page then offers only what its own menu offers (the feature set of its
// list type), so an item of the right-click menu or a button always has its menu twin on the
// page and does what the twin does.
#pragma once

#include <cstdint>
#include <vector>

inline constexpr int kTagJoinClusters = 48;
inline constexpr int kTagJoinRowsButton = 19;

// The right-click menu before the user has chosen its items.
const std::vector<int>& DefaultRightClickTags();
// The chosen tags (in the order given) that the page of list type and grid alternative offers;
// the collocates and clusters pages carry Join Clusters as well, at the end.
std::vector<int> RightClickTagsForPage(const std::vector<int>& chosen, uint8_t list_type, uint8_t alternative);

// Whether some page of the concordancer's window (its lines, collocates, plot, patterns,
// clusters, time-line and texts, in any grid alternative) can put the command on its right-click
// menu: a command of another tool's lists (Align) never shows there.
bool OfferedOnSomePagesRightClickMenu(int tag);
// Commands with a picture, and so a tool bar button.
bool HasToolbarImage(int tag);
// Whether the button of tag shows on a page of the list type: the page's menu offers the
// command, and Join rows shows only where rows can be joined as lemmas.
bool ToolbarButtonShown(int tag, uint8_t list_type, uint8_t alternative);
bool ShowLemmatisableButton(int tag, uint8_t list_type);
