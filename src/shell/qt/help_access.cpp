#include "shell/qt/help_access.h"

#include <QApplication>
#include <QCursor>
#include <QShortcut>
#include <QWidget>

#include "shell/menus/help_context.h"
#include "shell/qt/qt_dialog_service.h"
#include "shell/qt/window_messages.h"

namespace {
constexpr const char* kHelpProperty = "linzoraHelpContext";
}

void SetHelpContext(QWidget* widget, int context) { widget->setProperty(kHelpProperty, context); }

int HelpContextOf(const QWidget* widget) { return widget ? widget->property(kHelpProperty).toInt() : 0; }

int GetTheBestHelpContext(int context) {
  std::vector<int> chain;
  for (const QWidget* w = QApplication::widgetAt(QCursor::pos()); w; w = w->parentWidget())
    chain.push_back(HelpContextOf(w));
  return BestHelpContext(context, chain);
}

void InstallHelpKey(QWidget* window) {
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), window);
  QObject::connect(f1, &QShortcut::activated, window,
                   [window] { HandleAHelpFileChoice(GetTheBestHelpContext(HelpContextOf(window)), &OpenHelpPage); });
}

void AskOwnerForHelp(QWidget* dialog, int context) {
  // The owner (the program's main window) opens help the way its menu does and knows what was
  // asked; a window of its own opens the page itself.
  if (QWidget* owner = dialog ? dialog->parentWidget() : nullptr) {
    PostWindowMessage(owner->window(), kMsgHelpButton, static_cast<uint64_t>(context), 0);
    return;
  }
  HandleAHelpFileChoice(context, &OpenHelpPage);
}
