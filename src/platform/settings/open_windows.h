// The program's open main windows, shared by all of its processes through the settings store.
//
// Every second window of the program is a process of its own (File > New with results, a follow-up
// search, opening in a new instance), so what one process knows of its own windows says nothing of
// the others. Here each process adds its main window when it is shown, keeps its place and caption
// up to date, and takes it out when it is hidden or destroyed. A reader gets every window of every
// live process in the order they were opened: the entries of a process that has ended (killed, or
// crashed before it could take its windows out), and of one whose number now names another
// process, are dropped as they are met, so a stale entry never outlives the next read.
//
// A window of another process cannot be moved or raised from here. A process leaves a request for
// it instead (PostWindowRequest); the owning process looks for its requests a few times a second
// (TakeWindowRequests) and carries them out. Requests for a process that has ended are dropped.
//
// A window is named by its process (number and start time) and its id within that process.
// Plain C++: the window layer supplies places, captions and whether a window of its own is still
// there.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/runtime/vx_runtime.h"

struct TWindowPlace {
  int32_t left = 0, top = 0, width = 0, height = 0;  // the whole window, its frame included
  bool operator==(const TWindowPlace&) const = default;
};

struct TOpenMainWindow {
  int32_t pid = 0;
  uint64_t process_start = 0;  // the process's start time (clock ticks since boot; 0 unknown)
  TWindowId window = kNoWindow;
  uint8_t tool = 0;
  TWindowPlace place;
  uint64_t activated = 0;  // the window activated last has the highest number
  UString caption;
  bool OfThisProcess() const;
  bool SameWindow(const TOpenMainWindow& other) const {
    return pid == other.pid && process_start == other.process_start && window == other.window;
  }
};

// The entry of this process's window, with the process filled in.
TOpenMainWindow OwnMainWindow(TWindowId window, uint8_t tool, const TWindowPlace& place, UStringView caption);
// Adds the window (replacing an entry of the same window); it counts as activated last.
void AddOpenMainWindow(const TOpenMainWindow& window);
// Takes this process's window out (nothing when it is not there).
void RemoveOpenMainWindow(TWindowId window);
// Keeps this process's window's place and caption; nothing is written when they are unchanged or
// the window is not there.
void UpdateOpenMainWindow(TWindowId window, const TWindowPlace& place, UStringView caption);
// This process's window was activated: it becomes the one activated last (nothing is written when
// it is so already).
void NoteMainWindowActivated(TWindowId window);
// The windows of live processes, in the order they were opened. own_alive, when given, tells
// whether a window of this process still exists; the entries of those that do not are dropped too.
std::vector<TOpenMainWindow> OpenMainWindows(const std::function<bool(TWindowId)>& own_alive = nullptr);
// How many windows of the tool are open in all the program's processes (own_alive as above).
int GetToolsOpen(uint8_t tool, const std::function<bool(TWindowId)>& own_alive = nullptr);

enum class TWindowRequestKind : uint8_t { Activate = 1, Place = 2 };
struct TWindowRequest {
  TWindowId window = kNoWindow;
  TWindowRequestKind kind = TWindowRequestKind::Activate;
  TWindowPlace place;  // for Place
};
// Leaves the request for the window's process; false when the store could not take it.
bool PostWindowRequest(const TOpenMainWindow& to, TWindowRequestKind kind, const TWindowPlace& place = {});
// This process's requests, oldest first, taken out of the store (one read and nothing written when
// there are none).
std::vector<TWindowRequest> TakeWindowRequests();

// Whether the process runs, and is the one that started at that time (0: not checked).
bool ProcessIsAlive(int32_t pid, uint64_t process_start);
// The process's start time in clock ticks since boot; 0 when it cannot be read.
uint64_t ProcessStartTicks(int32_t pid);
