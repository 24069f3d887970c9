#include "shell/qt/word_cloud_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <map>

#include "shell/qt/qt_application.h"

namespace {

// Fonts and their metrics by size, made once a layout.
class TCloudFonts {
 public:
  TCloudFonts(const QString& family, QPaintDevice* device) : family_(family), device_(device) {}
  const QFont& Font(int points) { return Entry(points).font; }
  const QFontMetrics& Metrics(int points) { return Entry(points).metrics; }

 private:
  struct TEntry {
    QFont font;
    QFontMetrics metrics;
  };
  TEntry& Entry(int points) {
    auto it = fonts_.find(points);
    if (it == fonts_.end()) {
      QFont f(family_);
      f.setPointSize(std::max(points, 1));
      it = fonts_.emplace(points, TEntry{f, QFontMetrics(f, device_)}).first;
    }
    return it->second;
  }
  QString family_;
  QPaintDevice* device_;
  std::map<int, TEntry> fonts_;
};

// The box a text's pixels take, from its pen position on the baseline: its advance and line
// height, widened by any ink beyond them (an italic's overhang, a letter's side bearing), so that
// the box the layout keeps free holds every pixel drawn.
QRect TextBox(const QFontMetrics& m, const QString& text) {
  const QRect line(0, -m.ascent(), m.horizontalAdvance(text), m.ascent() + m.descent());
  return line.united(m.boundingRect(text));
}

void PaintShape(QPainter& p, const TWordCloud& cloud, const TCloudWordDraw& d) {
  // The text's own box, centred on the text.
  QRect r(d.text_left, d.text_top, d.size.cx, d.size.cy);
  const int radius = d.size.cy / 3;
  p.setBrush(CloudColour(cloud.shapefillcolour));
  switch (cloud.CloudSettings.Shape()) {
    case 0:
      p.setPen(CloudColour(cloud.shapefillcolour));
      p.drawRoundedRect(r.adjusted(2, 2, -2, -2), radius, radius);
      break;
    case 1:
      p.setPen(CloudColour(cloud.pencolour));
      p.drawRect(r);
      break;
    case 2:
      p.setPen(CloudColour(cloud.pencolour));
      p.drawRoundedRect(r, radius, radius);
      break;
    default: {
      const int side = std::min(r.width(), r.height());
      QRect square(0, 0, side, side);
      square.moveCenter(r.center());
      p.setPen(CloudColour(cloud.pencolour));
      p.drawEllipse(square);
      break;
    }
  }
}

}  // namespace

QColor CloudColour(uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

void DisplayFramingRect(TWordCloud& cloud, QImage& image) {
  // The whole picture first: the frame leaves a pixel outside it on every side.
  image.fill(CloudColour(cloud.scrollbox_background_colour));
  QPainter p(&image);
  p.setBrush(CloudColour(cloud.scrollbox_background_colour));
  p.setPen(CloudColour(cloud.pencolour));
  cloud.printer_rect = {1, 1, cloud.horiz_pixels - 1, cloud.vert_pixels - 1};
  p.drawRect(QRect(1, 1, cloud.horiz_pixels - 3, cloud.vert_pixels - 3));
}

bool DisplayTheWords(TWordCloud& cloud, QImage& image, const QString& family, const std::function<void()>& yield) {
  TCloudFonts fonts(family, &image);
  const bool laid = cloud.LayOut(
      [&](UStringView text, int points) {
        const QRect box = TextBox(fonts.Metrics(points), ToQString(text));
        return TCloudTextSize{box.width(), box.height()};
      },
      image.logicalDpiY(), yield);
  if (!laid) return false;
  QPainter p(&image);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setRenderHint(QPainter::Antialiasing);
  for (const TCloudWordDraw& d : cloud.Draws()) {
    if (d.shape) PaintShape(p, cloud, d);
    p.setBrush(Qt::NoBrush);
    p.setFont(fonts.Font(d.points));
    p.setPen(CloudColour(d.colour));
    const QString text = ToQString(d.text);
    const QRect box = TextBox(fonts.Metrics(d.points), text);
    p.drawText(d.text_left - box.left(), d.text_top - box.top(), text);
  }
  return true;
}

QImage HighlightedRegion(const QImage& image, const QRect& rect, QRgb background, QRgb fill) {
  QImage region = image.copy(rect).convertToFormat(QImage::Format_RGB32);
  const QRgb bg = background | 0xFF000000u;
  const QRgb to = fill | 0xFF000000u;
  for (int y = 0; y < region.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(region.scanLine(y));
    for (int x = 0; x < region.width(); ++x)
      if ((line[x] | 0xFF000000u) == bg) line[x] = to;
  }
  return region;
}
