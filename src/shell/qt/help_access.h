// Help from windows: a help context per widget (F1 and Help buttons), found for the place under
// the mouse by walking the widget's parents.
#pragma once

#include <functional>

class QWidget;

void SetHelpContext(QWidget* widget, int context);
int HelpContextOf(const QWidget* widget);  // 0 when none was set
// The context for F1: the given one when it is a page of its own, else the widget under the
// mouse and its parents.
int GetTheBestHelpContext(int context);
// F1 anywhere in the window opens the help of the control under the mouse (the best context from
// it, with none given), through show_help (by default as the store's access mode says). The key
// goes to this before any menu item that has it as its shortcut.
void InstallHelpKey(QWidget* window, std::function<void(int context)> show_help = nullptr);
// A dialog's Help button: its owner window is asked for the context's page (message 0x490); a
// dialog without an owner opens the page itself.
void AskOwnerForHelp(QWidget* dialog, int context);
