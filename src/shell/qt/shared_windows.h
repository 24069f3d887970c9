// This process's part in the program's register of open main windows (open_windows.h).
//
// A main window watched here is added to the register when it is shown and taken out when it is
// hidden or destroyed; its place and caption follow it (written a moment after it stops moving,
// so that a drag writes once), and its activation is noted. A few times a second the process
// takes the requests other processes left for its windows and carries them out: bring a window
// to the front, or give it a place (Tile).
//
// Windows > Tile and the Windows menu act on every window of the register: this process's own
// directly, another process's through a request to it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <map>
#include <set>
#include <vector>

#include "platform/settings/open_windows.h"
#include "shell/main_window/window_tiling.h"

class QMenu;
class QScreen;
class QWidget;
struct TMenuNode;

class TSharedMainWindows : public QObject {
  Q_OBJECT
 public:
  static TSharedMainWindows& Instance();

  // The window takes part from now until it is destroyed.
  void Watch(QWidget* window, uint8_t tool);
  // Every open main window of the program (this process's that are gone left out).
  std::vector<TOpenMainWindow> Windows();
  // How many windows of the tool are open in all the program's processes.
  int ToolsOpen(uint8_t tool);
  // Brings the window to the front, here or through its process.
  void Activate(const TOpenMainWindow& window);
  // Arranges every open main window over the work area of the screen (the primary one when none).
  void Tile(TTiling tiling, const QScreen* screen);
  // The watched window of this process with the id; nullptr when there is none.
  QWidget* OwnWindow(TWindowId id) const;
  // Carries out the requests left for this process's windows (the timer calls it).
  void TakeRequests();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  TSharedMainWindows();
  void Add(QWidget* window);
  void WritePlaces();
  static TWindowPlace PlaceOf(const QWidget* window);
  static void PlaceWindow(QWidget* window, const TWindowPlace& place);
  static void BringToFront(QWidget* window, TWindowId id);

  struct TWatched {
    QPointer<QWidget> window;
    uint8_t tool = 0;
    bool added = false;
  };
  std::map<TWindowId, TWatched> watched_;
  std::map<const QObject*, TWindowId> ids_;
  std::set<TWindowId> moved_;
  QTimer poll_;
  QTimer place_writer_;
};

// The Windows menu (the top menu holding Tile Vertically).
bool IsWindowsMenu(const TMenuNode& top);
// The open windows as items of the Windows menu, after its own items, made afresh each time it
// opens (windows of other processes come and go); choosing one brings it to the front. Each item
// is named "OpenWindowItem"; own_window's is ticked.
void FillWindowsMenu(QMenu& menu, TWindowId own_window);
