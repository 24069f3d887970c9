#include "shell/qt/shared_windows.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QWidget>

#include "shell/menus/menu_model.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/window_messages.h"

namespace {
// Often enough that a window of another process answers a menu choice at once, seldom enough to
// cost nothing: a look is one check of the store's file.
constexpr int kRequestLookMs = 200;
// A window that moves writes its place once it has stood still this long.
constexpr int kPlaceWriteMs = 150;
constexpr int kTagTileVertically = 110;
const char* const kOpenWindowItem = "OpenWindowItem";
}  // namespace

TSharedMainWindows& TSharedMainWindows::Instance() {
  static QPointer<TSharedMainWindows> instance;
  if (!instance) instance = new TSharedMainWindows();
  return *instance;
}

TSharedMainWindows::TSharedMainWindows() : QObject(QCoreApplication::instance()) {
  poll_.setInterval(kRequestLookMs);
  connect(&poll_, &QTimer::timeout, this, &TSharedMainWindows::TakeRequests);
  place_writer_.setSingleShot(true);
  place_writer_.setInterval(kPlaceWriteMs);
  connect(&place_writer_, &QTimer::timeout, this, &TSharedMainWindows::WritePlaces);
}

void TSharedMainWindows::Watch(QWidget* window, uint8_t tool) {
  const TWindowId id = WindowIdOf(window);
  watched_[id] = TWatched{window, tool, false};
  ids_[window] = id;
  window->installEventFilter(this);
  connect(window, &QObject::destroyed, this, [this, id, window] {
    ids_.erase(window);
    const auto it = watched_.find(id);
    if (it == watched_.end()) return;
    if (it->second.added) RemoveOpenMainWindow(id);
    watched_.erase(it);
    moved_.erase(id);
  });
  if (window->isVisible()) Add(window);
  if (!poll_.isActive()) poll_.start();
}

QWidget* TSharedMainWindows::OwnWindow(TWindowId id) const {
  const auto it = watched_.find(id);
  return it != watched_.end() && it->second.added ? it->second.window.data() : nullptr;
}

TWindowPlace TSharedMainWindows::PlaceOf(const QWidget* window) {
  const QRect r = window->frameGeometry();
  return {r.left(), r.top(), r.width(), r.height()};
}

void TSharedMainWindows::Add(QWidget* window) {
  const auto known = ids_.find(window);
  if (known == ids_.end()) return;
  const TWindowId id = known->second;
  TWatched& w = watched_[id];
  AddOpenMainWindow(OwnMainWindow(id, w.tool, PlaceOf(window), FromQString(window->windowTitle())));
  w.added = true;
  moved_.erase(id);
}

bool TSharedMainWindows::eventFilter(QObject* watched, QEvent* e) {
  // By the pointer kept when watching began: an id is never asked for here, as an event may come
  // while the window is being destroyed, when asking would give it a new one.
  const auto known = ids_.find(watched);
  const auto it = known != ids_.end() ? watched_.find(known->second) : watched_.end();
  if (it == watched_.end()) return QObject::eventFilter(watched, e);
  auto* window = it->second.window.data();
  if (!window) return QObject::eventFilter(watched, e);
  const TWindowId id = it->first;
  switch (e->type()) {
    case QEvent::Show:
      if (!it->second.added) Add(window);
      break;
    case QEvent::Hide:
      // A window minimised by the desktop stays open; one hidden (closed) is gone from the list.
      if (!e->spontaneous() && it->second.added) {
        RemoveOpenMainWindow(id);
        it->second.added = false;
        moved_.erase(id);
      }
      break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowTitleChange:
      if (it->second.added) {
        moved_.insert(id);
        place_writer_.start();
      }
      break;
    case QEvent::WindowActivate:
      if (it->second.added) NoteMainWindowActivated(id);
      break;
    default: break;
  }
  return QObject::eventFilter(watched, e);
}

void TSharedMainWindows::WritePlaces() {
  for (TWindowId id : moved_)
    if (QWidget* w = OwnWindow(id)) UpdateOpenMainWindow(id, PlaceOf(w), FromQString(w->windowTitle()));
  moved_.clear();
}

std::vector<TOpenMainWindow> TSharedMainWindows::Windows() {
  std::vector<TOpenMainWindow> windows = OpenMainWindows([this](TWindowId id) { return OwnWindow(id) != nullptr; });
  // This process's windows as they stand now, whatever was last written.
  for (TOpenMainWindow& w : windows)
    if (w.OfThisProcess())
      if (const QWidget* own = OwnWindow(w.window)) {
        w.place = PlaceOf(own);
        w.caption = FromQString(own->windowTitle());
      }
  return windows;
}

int TSharedMainWindows::ToolsOpen(uint8_t tool) {
  return GetToolsOpen(tool, [this](TWindowId id) { return OwnWindow(id) != nullptr; });
}

void TSharedMainWindows::BringToFront(QWidget* window, TWindowId id) {
  if (!window) return;
  if (window->isMinimized()) window->showNormal();
  window->raise();
  window->activateWindow();
  // The window active in its own process already gets no activation from the desktop, yet it is
  // the one the user turned to last.
  NoteMainWindowActivated(id);
}

void TSharedMainWindows::PlaceWindow(QWidget* window, const TWindowPlace& place) {
  if (!window) return;
  if (window->isMaximized() || window->isFullScreen() || window->isMinimized()) window->showNormal();
  // The place is the whole window's, its frame included.
  const QRect frame = window->frameGeometry(), inside = window->geometry();
  const QMargins margins(inside.left() - frame.left(), inside.top() - frame.top(), frame.right() - inside.right(),
                         frame.bottom() - inside.bottom());
  window->setGeometry(QRect(place.left, place.top, place.width, place.height).marginsRemoved(margins));
}

void TSharedMainWindows::Activate(const TOpenMainWindow& window) {
  if (window.OfThisProcess()) BringToFront(OwnWindow(window.window), window.window);
  else PostWindowRequest(window, TWindowRequestKind::Activate);
}

void TSharedMainWindows::Tile(TTiling tiling, const QScreen* screen) {
  if (!screen) screen = QGuiApplication::primaryScreen();
  const std::vector<TOpenMainWindow> windows = Windows();
  if (windows.empty() || !screen) return;
  std::vector<TWindowRect> places;
  for (const TOpenMainWindow& w : windows) places.push_back({w.place.left, w.place.top, w.place.width, w.place.height});
  const QRect work = screen->availableGeometry();
  const std::vector<TWindowRect> tiles =
      TiledWindowRects({work.left(), work.top(), work.width(), work.height()}, static_cast<int>(windows.size()), tiling);
  const std::vector<size_t> order = TilingOrder(places, tiling);
  for (size_t k = 0; k < order.size(); ++k) {
    const TOpenMainWindow& w = windows[order[k]];
    const TWindowPlace tile{tiles[k].left, tiles[k].top, tiles[k].width, tiles[k].height};
    if (w.OfThisProcess()) PlaceWindow(OwnWindow(w.window), tile);
    else PostWindowRequest(w, TWindowRequestKind::Place, tile);
  }
}

void TSharedMainWindows::TakeRequests() {
  for (const TWindowRequest& r : TakeWindowRequests()) {
    QWidget* window = OwnWindow(r.window);
    if (!window) continue;
    if (r.kind == TWindowRequestKind::Activate) BringToFront(window, r.window);
    else PlaceWindow(window, r.place);
  }
}

bool IsWindowsMenu(const TMenuNode& top) {
  for (const TMenuNode* n : top.children)
    if (n->tag == kTagTileVertically) return true;
  return false;
}

void FillWindowsMenu(QMenu& menu, TWindowId own_window) {
  for (QAction* a : menu.actions())
    if (a->objectName() == QLatin1String(kOpenWindowItem)) {
      menu.removeAction(a);
      a->deleteLater();
    }
  const std::vector<TOpenMainWindow> windows = TSharedMainWindows::Instance().Windows();
  const std::vector<TOpenWindowItem> items = OpenWindowItems(windows, own_window);
  if (items.empty()) return;
  menu.addSeparator()->setObjectName(QLatin1String(kOpenWindowItem));
  for (size_t i = 0; i < items.size(); ++i) {
    QAction* a = menu.addAction(ToQString(items[i].caption));
    a->setObjectName(QLatin1String(kOpenWindowItem));
    a->setCheckable(true);
    a->setChecked(items[i].own);
    const TOpenMainWindow window = windows[i];
    QObject::connect(a, &QAction::triggered, &menu, [window] { TSharedMainWindows::Instance().Activate(window); });
  }
}
