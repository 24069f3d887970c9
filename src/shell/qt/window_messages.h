// Window messages of the suite as Qt events: every window has a TWindowId (a registry maps ids
// to widgets and back), and a message (msg, wParam, lParam) becomes a posted event of one
// registered type carrying the same numbers. Messages are always posted, never delivered at
// once, so they arrive in order once the event loop (or a job's yield) runs.
//
// InstallMessageBridge makes the tool's own-window queue of the suite services (PostToOwnWindow)
// deliver through this road: each queued message is posted to the window registered as the
// tool's own.
#pragma once

#include <QEvent>
#include <QObject>
#include <cstdint>
#include <functional>

#include "platform/runtime/vx_runtime.h"

inline constexpr uint32_t kMsgGridCommand = 0x1788;  // wParam = menu tag + 5000
// A dialog's Help button asks the main window for a help context (wParam).
inline constexpr uint32_t kMsgHelpButton = 0x490;

class TWindowMessageEvent : public QEvent {
 public:
  TWindowMessageEvent(uint32_t msg, uint64_t wparam, int64_t lparam)
      : QEvent(EventType()), msg(msg), wparam(wparam), lparam(lparam) {}
  static QEvent::Type EventType();
  uint32_t msg;
  uint64_t wparam;
  int64_t lparam;
};

// The id of a window, given at first request and forgotten when the object is destroyed; an
// object whose destruction has begun (its children or its QObject part being deleted) gets
// kNoWindow, and a new object at the address of a destroyed one gets an id of its own.
TWindowId WindowIdOf(QObject* window);
// nullptr for an unknown or destroyed window.
QObject* WindowOfId(TWindowId id);
// Posts the message; false when the window is unknown.
bool PostWindowMessage(TWindowId target, uint32_t msg, uint64_t wparam, int64_t lparam);
void PostWindowMessage(QObject* target, uint32_t msg, uint64_t wparam, int64_t lparam);
void InstallMessageBridge();

// Runs `work` on `target`'s thread once the event loop has painted what was waiting to be painted
// when it was posted: it is posted below the priority of paint requests, so that a page just
// built is seen before, say, files are written. Dropped when `target` is destroyed first.
void PostAfterPaint(QObject* target, std::function<void()> work);
