// Pieces the small dialogs share: the bottom row of buttons (OK, Cancel, Help, each named so
// tests find it) and the message a refused OK shows (through the suite's dialog service, so the
// dialog stays open and nothing changes).
#pragma once

#include <QBoxLayout>
#include <QPushButton>
#include <QString>

#include "platform/rtl/ustring.h"
#include "platform/runtime/vx_dialogs.h"

class QWidget;

struct TDialogButtons {
  QPushButton* ok = nullptr;
  QPushButton* cancel = nullptr;
  QPushButton* help = nullptr;
};

// Adds a row of the buttons asked for to the layout; Help opens the help page of the context.
TDialogButtons AddDialogButtons(QWidget* dialog, QBoxLayout* layout, bool with_cancel, int help_context,
                                const QString& ok_text = QStringLiteral("OK"));
// Shows why an entry was refused.
void ShowRefusal(UStringView message);
