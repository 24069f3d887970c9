// Help from windows: a help context per widget (F1 and Help buttons), found for the place under
// the mouse by walking the widget's parents.
#pragma once

class QWidget;

void SetHelpContext(QWidget* widget, int context);
int HelpContextOf(const QWidget* widget);  // 0 when none was set
// The context for F1: the given one when it is a page of its own, else the widget under the
// mouse and its parents.
int GetTheBestHelpContext(int context);
// F1 on the window opens the best context's page as the store's access mode says.
void InstallHelpKey(QWidget* window);
// A dialog's Help button: its owner window is asked for the context's page (message 0x490); a
// dialog without an owner opens the page itself.
void AskOwnerForHelp(QWidget* dialog, int context);
