// What every window of the tool stands on: the Qt application's style, palette and font, the
// yield hook that lets long jobs pump the event loop, and conversion between the libraries'
// UTF-16 strings and QString.
//
// Call SetUpQtApplication once, after the QApplication exists and before any window is made.
// The stored style number picks a light (even) or dark (odd) palette on the Fusion style;
// ApplyStyleNumber re-applies it when the style changes (message 703 or activation).
#pragma once

#include <QApplication>

#include <QString>

#include "platform/rtl/ustring.h"

// The hourglass for as long as the scope lives.
class THourglass {
 public:
  THourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~THourglass() { QApplication::restoreOverrideCursor(); }
  THourglass(const THourglass&) = delete;
  THourglass& operator=(const THourglass&) = delete;
};

inline QString ToQString(UStringView s) {
  return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}
inline UString FromQString(const QString& s) {
  return UString(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size()));
}

// Fusion style, the application font (a sans face at 9 points, which has glyphs without a
// display), the style's palette and the yield hook.
void SetUpQtApplication(int style_number = 0);
// Also brings every grid to the style (SetAllGridsToStyle).
void ApplyStyleNumber(int style_number);
// The style last applied (0 before any).
int CurrentStyleNumber();
bool StyleIsDark(int style_number);
// The yield hook: runs pending events once (also posted events), never waiting for more.
void PumpQtEvents();
