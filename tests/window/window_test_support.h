// Helpers of the window tests: saving a screenshot and checking that it shows something.
#pragma once

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRect>
#include <QRegularExpression>
#include <QSet>
#include <QFileInfo>
#include <QString>
#include <QWidget>

// Grabs the widget into <build>/screenshots/<name>.png; the image (also when saving fails).
inline QImage SaveScreenshot(QWidget& w, const QString& name) {
  const QString file = QStringLiteral(LINZORA_SCREENSHOT_DIR "/") + name + QStringLiteral(".png");
  // A name may hold a folder of its own (commands/...).
  QDir().mkpath(QFileInfo(file).absolutePath());
  QImage img = w.grab().toImage();
  img.save(file);
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
