// The settings store's register of the suite's windows, and the progress record it keeps for the
// controller's progress window.
//
// Kept in this process: each tool's registered main window, its active main and child windows,
// the controller's window and progress window, and whether the controller has finished starting.
// The controller's window is the one registered for tool type 16.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/runtime/vx_runtime.h"

// The progress record: what the progress window shows. Stored whole (little-endian).
// Every field lies at its natural alignment, so the record needs no packing (and may be read in
// place wherever it is kept).
struct TProgressRec {
  int32_t reserved0;        // 0
  int32_t this_percent;     // the current step's percentage
  int32_t overall_percent;  // the whole job's percentage
  int32_t centre_x;         // centre of the tool's main form, screen pixels
  int32_t centre_y;
  int32_t reserved1;        // 0
  uint32_t running_words;
  char16_t short_message[201];  // zero-terminated, at most 200 units
  char16_t long_message[201];   // also the text of errors and fatal errors
};
static_assert(sizeof(TProgressRec) == 832, "progress record is stored whole for the controller");
static_assert(offsetof(TProgressRec, running_words) == 24 && offsetof(TProgressRec, short_message) == 28 &&
                  offsetof(TProgressRec, long_message) == 430,
              "progress record layout");

// The controller's main window (kNoWindow when it is not running).
TWindowId GetShellWnd();
// Registers (or, with kNoWindow, forgets) a tool's main window. Registering tool 16 registers
// the controller.
void SetNewWnd(uint8_t tool, TWindowId window);
// Forgets the tool's window, and its active windows, when they are this window.
void UnSetWnd(uint8_t tool, TWindowId window);
TWindowId GetToolWnd(uint8_t tool);
// The tool's active main and child windows (kNoWindow unregisters).
void SetActiveMainToolWindow(uint8_t tool, TWindowId window);
void SetActiveChildToolWindow(uint8_t tool, TWindowId window);
TWindowId GetActiveMainToolWindow(uint8_t tool);
TWindowId GetActiveChildToolWindow(uint8_t tool);

// Set by the controller once it is ready to take messages.
bool GetVXShellInitialised();
void SetVXShellInitialised(bool initialised);

// The controller's progress window.
TWindowId GetProgressWnd();
void SetProgressWnd(TWindowId window);

// The progress record, copied whole.
void SetProgressParams(const TProgressRec& rec);
void GetProgressParams(TProgressRec& rec);
// How often SetProgressParams has stored a record (the controller redraws from the last one).
uint64_t ProgressParamsStores();

// Forgets every window and the stored record (start-up state).
void ResetWindowRegister();
