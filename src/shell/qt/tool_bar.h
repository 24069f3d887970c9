// The main window's tool bar: a panel of buttons made from menu items (each button runs its
// item's command), laid out with the other controls of the panel by ArrangeToolbarControls
// (main_window_rules.h gives the geometry).
#pragma once

#include <QWidget>
#include <utility>
#include <vector>

class QToolButton;
class TShellMenuBar;

// One button per tag whose item exists (an existing button of that tag is reused); buttons come
// after the panel's other controls. Answers (tag, button) pairs in the order of tags.
std::vector<std::pair<int, QToolButton*>> BuildToolbarFromItems(TShellMenuBar& menus, const std::vector<int>& tags,
                                                                 QWidget& panel);
// Places the panel's direct child widgets from left to right; answers the right edge.
int ArrangeToolbarControls(QWidget& panel);
