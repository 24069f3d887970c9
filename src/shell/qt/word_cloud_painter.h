// Drawing a word cloud on a picture: the layout (shell/word_cloud_layout.h) measured with the
// picture's own font metrics, then every word painted in drawing order (shape first, then its
// text), and the highlight of the word under the mouse.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <functional>

#include "shell/viewers/word_cloud_layout.h"

// 0x00BBGGRR as a colour.
QColor CloudColour(uint32_t bgr);

// The background over the whole picture and a frame one pixel inside it; sets the cloud's
// printer_rect.
void DisplayFramingRect(TWordCloud& cloud, QImage& image);
// Lays the words out and paints them in the font family at the picture's resolution. False when
// a layout was already running (nothing is painted).
bool DisplayTheWords(TWordCloud& cloud, QImage& image, const QString& family,
                     const std::function<void()>& yield = nullptr);

// The region of the picture with every pixel of the background colour replaced by the fill
// colour: the highlight of a word.
QImage HighlightedRegion(const QImage& image, const QRect& rect, QRgb background, QRgb fill);

inline QRect ToQRect(const TCloudRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }
