// Helpers of the window tests: waiting for the loop, saving a screenshot and checking that it
// shows something.
//
// Waiting: a test waits for a condition, never for a time, so that it passes on a loaded machine.
// WaitUntil runs the loop until what the test needs holds (its bound only ends a hung test);
// DeliverPendingEvents hands out what is already waiting in the loop (posted messages, layouts,
// zero-time timers, paints and the work posted after them) until nothing more comes; PastPause
// lets a program's own timer of a given length come due, for a test that checks what happens,
// or does not, once it has; WhenShown acts on a modal window once its loop runs. Screenshots go to ScreenshotDir() and are grabbed after the loop has
// delivered what the widget was waiting for.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QRect>
#include <QRegularExpression>
#include <QSet>
#include <QFileInfo>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

// Runs the loop until done() holds; false when it still does not after `ms`.
inline bool WaitUntil(const std::function<bool()>& done, int ms = 60000) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QTest::qWait(5);
  }
  return true;
}

// Delivers the events waiting in the loop, round after round, until a round delivers none (or a
// timer that fires every turn of the loop keeps it busy for 100 rounds).
inline void DeliverPendingEvents() {
  class TCounter : public QObject {
   public:
    bool eventFilter(QObject*, QEvent*) override {
      ++seen;
      return false;
    }
    int seen = 0;
  } counter;
  QCoreApplication::instance()->installEventFilter(&counter);
  for (int round = 0; round < 100; ++round) {
    counter.seen = 0;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (counter.seen == 0) break;
  }
  QCoreApplication::instance()->removeEventFilter(&counter);
}

// Runs the loop until a timer of `ms` started now has come due and fired (a loaded machine only
// makes the wait longer), then delivers what it left.
inline void PastPause(int ms) {
  QElapsedTimer t;
  t.start();
  // Timers under two seconds are precise; a little over is still allowed for.
  while (t.elapsed() <= ms + ms / 20 + 1) QTest::qWait(5);
  DeliverPendingEvents();
}

// Runs act once `w` shows (a modal window's own loop is running by then): a timer owned by the
// window looks every few milliseconds.
inline void WhenShown(QWidget* w, std::function<void()> act) {
  auto* timer = new QTimer(w);
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, w, act = std::move(act)] {
    if (!w->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act();
  });
  timer->start();
}

// Where this run's screenshots go: the folder LINZORA_SCREENSHOT_DIR names when the run was given
// one, else the build folder's screenshots/ (made when first asked for).
inline QString ScreenshotDir() {
  static const QString dir = [] {
    const QString given = qEnvironmentVariable("LINZORA_SCREENSHOT_DIR");
    const QString d = QDir(given.isEmpty() ? QStringLiteral(LINZORA_BUILD_SCREENSHOT_DIR) : given).absolutePath();
    QDir().mkpath(d);
    return d;
  }();
  return dir;
}

// The full name of a file in the screenshots' folder; a name may hold folders of its own
// (commands/...), which are made.
inline QString ScreenshotFile(const QString& name) {
  const QString file = ScreenshotDir() + QStringLiteral("/") + name;
  QDir().mkpath(QFileInfo(file).absolutePath());
  return file;
}

// Grabs the widget, once the loop has delivered what it was waiting for (a layout, a paint),
// into <screenshots>/<name>.png; the image (also when saving fails).
inline QImage SaveScreenshot(QWidget& w, const QString& name) {
  DeliverPendingEvents();
  QImage img = w.grab().toImage();
  img.save(ScreenshotFile(name + QStringLiteral(".png")));
  return img;
}

// Pages of a PDF file: its page objects (not the page tree); -1 when it cannot be read.
inline int PdfPageCount(const QString& name) {
  QFile f(name);
  if (!f.open(QIODevice::ReadOnly)) return -1;
  return static_cast<int>(
      QString::fromLatin1(f.readAll()).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

// Distinct colours in a region (sampled every other pixel); a blank region has one.
inline int ColoursIn(const QImage& img, QRect r = {}) {
  if (r.isNull()) r = img.rect();
  r = r.intersected(img.rect());
  QSet<QRgb> seen;
  for (int y = r.top(); y <= r.bottom(); y += 2)
    for (int x = r.left(); x <= r.right(); x += 2) seen.insert(img.pixel(x, y));
  return static_cast<int>(seen.size());
}

// Pixels in a region that differ clearly from the region's most common colour (text strokes).
inline int InkPixelsIn(const QImage& img, QRect r) {
  r = r.intersected(img.rect());
  QHash<QRgb, int> counts;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) ++counts[img.pixel(x, y)];
  QRgb bg = 0;
  int best = -1;
  for (auto it = counts.begin(); it != counts.end(); ++it)
    if (it.value() > best) { best = it.value(); bg = it.key(); }
  int ink = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      QRgb p = img.pixel(x, y);
      if (std::abs(qGray(p) - qGray(bg)) > 60) ++ink;
    }
  return ink;
}
