// Which help page a place in a window opens. A context of 1001 or more is a page of its own;
// below that, the control under the mouse is asked, then its parents, up to the first that has
// a page of its own (or the top-most, whose context is taken as it is); with no control under
// the mouse the general page, 1000.
#pragma once

#include <vector>

inline constexpr int kGeneralHelpContext = 1000;

// contexts: the control under the mouse first, then each parent up to the top-most; empty
// when no control is under the mouse.
int BestHelpContext(int context, const std::vector<int>& contexts);

// Opens help for a context as the store's help access mode says: true only when the
// application's own help took it (mode 0); mode 1 opens the help page through open_page and
// answers false; other modes do nothing.
bool HandleAHelpFileChoice(int context, void (*open_page)(int context));
