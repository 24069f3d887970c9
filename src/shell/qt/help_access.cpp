#include "shell/qt/help_access.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
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

namespace {

// Takes F1 for the window from the application's events: the key's shortcut-override asks first,
// so a menu item bound to F1 never sees it while the window has the keyboard.
class THelpKeyFilter : public QObject {
 public:
  THelpKeyFilter(QWidget* window, std::function<void(int)> show_help)
      : QObject(window), window_(window), show_help_(std::move(show_help)) {
    QApplication::instance()->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() != QEvent::ShortcutOverride && e->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(e);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
    const QWidget* target = qobject_cast<QWidget*>(watched);
    if (!target || target->window() != window_) return false;
    if (e->type() == QEvent::ShortcutOverride) {
      e->accept();
      return true;
    }
    if (key->isAutoRepeat()) return true;
    const int context = GetTheBestHelpContext(0);
    if (show_help_) show_help_(context);
    else HandleAHelpFileChoice(context, &OpenHelpPage);
    return true;
  }

 private:
  QWidget* window_;
  std::function<void(int)> show_help_;
};

}  // namespace

void InstallHelpKey(QWidget* window, std::function<void(int context)> show_help) {
  new THelpKeyFilter(window, std::move(show_help));
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
