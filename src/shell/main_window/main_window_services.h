// What a tool's main window sets up when it is made, and how it meets the controller.
//
// SetUpMainWindowServices runs once, at creation, in this order: exception reports go to the
// user's read-write folder; logging follows the store; the window becomes the tool's registered
// main window (so the controller and the tool's own codes reach it); the runtime's read-write
// folder follows the store; the menus take the shortcuts the store keeps.
//
// WaitForControllerWindow pumps the loop until the store names a main window for the controller
// (at once with the in-process stand-in, which registers itself), or the limit passes.
#pragma once

#include "platform/settings/window_registry.h"

class TMenuModel;

void SetUpMainWindowServices(TWindowId own_window, TMenuModel& menus);
// Hides the progress display first; true when the controller's window is known in time.
bool WaitForControllerWindow(double limit_seconds = 15.0);
// The controller's window to the front (nothing without one).
void BringControllerToFront();
