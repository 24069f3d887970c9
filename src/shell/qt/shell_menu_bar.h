// The shared menu in a window's menu bar: one action per item of a TMenuModel, kept in step
// with the model by Sync (captions, shortcuts, check marks, enabled and visible states). A click
// emits CommandChosen with the item's tag (and a recent file's path); a top menu about to open
// emits TopMenuAboutToShow, so that the window can add items the model does not hold.
#pragma once

#include <QHash>
#include <QKeySequence>
#include <QObject>

#include "shell/menus/menu_model.h"

class QAction;
class QMenu;
class QMenuBar;

// The suite's integer shortcut as a key sequence (empty for 0 or a key it cannot name).
QKeySequence ShortcutToKeySequence(int32_t shortcut);

class TShellMenuBar : public QObject {
  Q_OBJECT
 public:
  TShellMenuBar(TMenuModel& model, QMenuBar* bar);
  // Re-reads every item of the model (items added or removed since are made or dropped).
  void Sync();
  void ApplyFeatureSet(const TMenuFeatureSet& set);
  QAction* ActionOf(const TMenuNode* node) const { return actions_.value(node, nullptr); }
  QAction* ActionOfTag(int tag);
  QMenu* TopMenu(int index) const;

 signals:
  void CommandChosen(int tag, const QString& data);
  void TopMenuAboutToShow(QMenu* menu, const TMenuNode* top);

 private:
  void Build();
  TMenuModel& model_;
  QMenuBar* bar_;
  QHash<const TMenuNode*, QAction*> actions_;
};
