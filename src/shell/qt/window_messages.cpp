#include "shell/qt/window_messages.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>

#include "shell/services/suite_services.h"

namespace {

struct TRegistry {
  QHash<TWindowId, QPointer<QObject>> by_id;
  QHash<QObject*, TWindowId> by_object;
  TWindowId next = 0x1000;
};

TRegistry& Registry() {
  static TRegistry r;
  return r;
}

// Whether an object's destruction is so far on that its destroyed() signal is behind it: its
// children or its QObject part are being deleted. An id given then would outlive the object.
class TDestructionProbe : public QObject {
 public:
  static bool Dying(const QObject* o) {
    const QObjectData* d = (o->*(&TDestructionProbe::d_ptr)).data();
    return d->wasDeleted || d->isDeletingChildren;
  }
};

void DeliverOwnWindowQueue() {
  for (const TPostedMessage& m : TakeOwnWindowMessages()) {
    const TWindowId target = m.target != kNoWindow ? m.target : global_own_HWnd;
    PostWindowMessage(target, m.msg, m.wparam, m.lparam);
  }
}

// The work of PostAfterPaint, delivered to a helper owned by the target window.
class TAfterPaintEvent : public QEvent {
 public:
  explicit TAfterPaintEvent(std::function<void()> work) : QEvent(Type()), work(std::move(work)) {}
  static QEvent::Type Type() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  std::function<void()> work;
};

class TAfterPaintRunner : public QObject {
 public:
  using QObject::QObject;
  bool event(QEvent* e) override {
    if (e->type() != TAfterPaintEvent::Type()) return QObject::event(e);
    std::function<void()> work = std::move(static_cast<TAfterPaintEvent*>(e)->work);
    deleteLater();
    if (work) work();
    return true;
  }
};

}  // namespace

void PostAfterPaint(QObject* target, std::function<void()> work) {
  if (!target) return;
  // Paint requests are posted at low priority; this comes after them.
  QCoreApplication::postEvent(new TAfterPaintRunner(target), new TAfterPaintEvent(std::move(work)),
                              Qt::LowEventPriority - 1);
}

QEvent::Type TWindowMessageEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

TWindowId WindowIdOf(QObject* window) {
  if (!window) return kNoWindow;
  TRegistry& r = Registry();
  auto it = r.by_object.find(window);
  if (it != r.by_object.end()) {
    if (r.by_id.value(it.value()).data() == window) return it.value();
    // The object the id was given to has gone without the registry hearing of it (it was asked
    // about in its destroyed() signal): the object now at its address is another.
    r.by_id.remove(it.value());
    r.by_object.erase(it);
  }
  if (TDestructionProbe::Dying(window)) return kNoWindow;
  const TWindowId id = r.next++;
  r.by_id.insert(id, window);
  r.by_object.insert(window, id);
  QObject::connect(window, &QObject::destroyed, [id](QObject* gone) {
    Registry().by_id.remove(id);
    Registry().by_object.remove(gone);
  });
  return id;
}

QObject* WindowOfId(TWindowId id) {
  auto it = Registry().by_id.find(id);
  return it == Registry().by_id.end() ? nullptr : it.value().data();
}

bool PostWindowMessage(TWindowId target, uint32_t msg, uint64_t wparam, int64_t lparam) {
  QObject* w = WindowOfId(target);
  if (!w) return false;
  PostWindowMessage(w, msg, wparam, lparam);
  return true;
}

void PostWindowMessage(QObject* target, uint32_t msg, uint64_t wparam, int64_t lparam) {
  QCoreApplication::postEvent(target, new TWindowMessageEvent(msg, wparam, lparam));
}

void InstallMessageBridge() {
  SetOwnWindowPostHook(&DeliverOwnWindowQueue);
  DeliverOwnWindowQueue();
}
