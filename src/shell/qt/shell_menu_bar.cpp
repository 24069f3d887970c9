#include "shell/qt/shell_menu_bar.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "shell/qt/qt_application.h"

QKeySequence ShortcutToKeySequence(int32_t shortcut) {
  const int key = shortcut & kShortcutKeyMask;
  int qt_key = 0;
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) qt_key = key;
  else if (key >= kKeyF1 && key <= kKeyF24) qt_key = Qt::Key_F1 + (key - kKeyF1);
  else {
    switch (key) {
      case kKeyBack: qt_key = Qt::Key_Backspace; break;
      case kKeyTab: qt_key = Qt::Key_Tab; break;
      case kKeyReturn: qt_key = Qt::Key_Return; break;
      case kKeyEscape: qt_key = Qt::Key_Escape; break;
      case kKeySpace: qt_key = Qt::Key_Space; break;
      case kKeyPageUp: qt_key = Qt::Key_PageUp; break;
      case kKeyPageDown: qt_key = Qt::Key_PageDown; break;
      case kKeyEnd: qt_key = Qt::Key_End; break;
      case kKeyHome: qt_key = Qt::Key_Home; break;
      case kKeyLeft: qt_key = Qt::Key_Left; break;
      case kKeyUp: qt_key = Qt::Key_Up; break;
      case kKeyRight: qt_key = Qt::Key_Right; break;
      case kKeyDown: qt_key = Qt::Key_Down; break;
      case kKeyInsert: qt_key = Qt::Key_Insert; break;
      case kKeyDelete: qt_key = Qt::Key_Delete; break;
      default: return {};
    }
  }
  int mods = 0;
  if (shortcut & kShortcutCtrl) mods |= Qt::ControlModifier;
  if (shortcut & kShortcutShift) mods |= Qt::ShiftModifier;
  if (shortcut & kShortcutAlt) mods |= Qt::AltModifier;
  return QKeySequence(qt_key | mods);
}

TShellMenuBar::TShellMenuBar(TMenuModel& model, QMenuBar* bar) : QObject(bar), model_(model), bar_(bar) { Build(); }

void TShellMenuBar::Build() {
  bar_->clear();
  actions_.clear();
  std::function<void(QMenu*, TMenuNode*)> add = [&](QMenu* menu, TMenuNode* n) {
    if (!n->children.empty()) {
      QMenu* sub = menu ? menu->addMenu(ToQString(n->caption)) : bar_->addMenu(ToQString(n->caption));
      actions_.insert(n, sub->menuAction());
      if (!menu) connect(sub, &QMenu::aboutToShow, this, [this, sub, n] { emit TopMenuAboutToShow(sub, n); });
      for (TMenuNode* c : n->children) add(sub, c);
      return;
    }
    QAction* a = menu ? menu->addAction(ToQString(n->caption)) : bar_->addAction(ToQString(n->caption));
    actions_.insert(n, a);
    const int tag = n->tag;
    const QString data = ToQString(n->data);
    connect(a, &QAction::triggered, this, [this, tag, data] { emit CommandChosen(tag, data); });
  };
  for (TMenuNode* t : model_.TopMenus()) add(nullptr, t);
  Sync();
}

void TShellMenuBar::Sync() {
  // Items added or removed (recent files) since the actions were made: make them again.
  size_t nodes = 0;
  bool known = true;
  model_.Walk([&](TMenuNode& n) {
    ++nodes;
    known = known && actions_.contains(&n);
  });
  if (!known || nodes != static_cast<size_t>(actions_.size())) {
    Build();
    return;
  }
  model_.Walk([&](TMenuNode& n) {
    QAction* a = actions_.value(&n);
    a->setText(ToQString(n.caption));
    if (n.children.empty()) {
      a->setShortcut(ShortcutToKeySequence(n.shortcut));
      a->setCheckable(n.auto_check);
      a->setChecked(n.checked);
    }
    a->setEnabled(n.enabled);
    a->setVisible(n.visible);
    if (!n.hint.empty()) {
      a->setToolTip(ToQString(n.hint));
      a->setStatusTip(ToQString(n.hint));
    }
  });
}

void TShellMenuBar::ApplyFeatureSet(const TMenuFeatureSet& set) {
  model_.ApplyFeatureSet(set);
  Sync();
}

QAction* TShellMenuBar::ActionOfTag(int tag) {
  TMenuNode* n = model_.FindByTag(tag);
  return n ? actions_.value(n, nullptr) : nullptr;
}

QMenu* TShellMenuBar::TopMenu(int index) const {
  if (index < 0 || index >= static_cast<int>(model_.TopMenus().size())) return nullptr;
  QAction* a = actions_.value(model_.TopMenus()[static_cast<size_t>(index)]);
  return a ? a->menu() : nullptr;
}
