#include "shell/qt/qt_application.h"

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

#include "platform/runtime/vx_runtime.h"
#include "shell/qt/vx_grid.h"

namespace {
int g_style_number = 0;
}  // namespace

bool StyleIsDark(int style_number) { return (style_number & 1) != 0; }
int CurrentStyleNumber() { return g_style_number; }

void ApplyStyleNumber(int style_number) {
  QPalette p = QApplication::style()->standardPalette();
  if (StyleIsDark(style_number)) {
    const QColor window(45, 45, 48), base(30, 30, 30), text(230, 230, 230);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Highlight, QColor(38, 79, 120));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
  }
  QApplication::setPalette(p);
  g_style_number = style_number;
  SetAllGridsToStyle(style_number);
}

void PumpQtEvents() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void SetUpQtApplication(int style_number) {
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QFont font(QStringLiteral("DejaVu Sans"), 9);
  font.setStyleHint(QFont::SansSerif);
  QApplication::setFont(font);
  ApplyStyleNumber(style_number);
  SetYieldHook(&PumpQtEvents);
}
