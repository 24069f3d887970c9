#include "shell/qt/tool_bar.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QScreen>
#include <QToolButton>

#include "shell/main_window/main_window_rules.h"
#include "shell/qt/shell_menu_bar.h"

namespace {
constexpr int kImageHeight = 16;
constexpr char kTagProperty[] = "lz_tag";

int PixelsPerInch(const QWidget& w) {
  const QScreen* s = w.screen();
  return s ? static_cast<int>(s->logicalDotsPerInch()) : 96;
}
}  // namespace

std::vector<std::pair<int, QToolButton*>> BuildToolbarFromItems(TShellMenuBar& menus, const std::vector<int>& tags,
                                                                 QWidget& panel) {
  std::vector<std::pair<int, QToolButton*>> out;
  const int width = PixelsPerInch(panel) * 3 / 4;
  for (int tag : tags) {
    QAction* action = menus.ActionOfTag(tag);
    if (!action) continue;
    QToolButton* button = nullptr;
    for (QToolButton* b : panel.findChildren<QToolButton*>(Qt::FindDirectChildrenOnly))
      if (b->property(kTagProperty).toInt() == tag) button = b;
    if (!button) {
      button = new QToolButton(&panel);
      button->setProperty(kTagProperty, tag);
      button->setDefaultAction(action);
      button->setToolButtonStyle(Qt::ToolButtonTextOnly);
      button->setAutoRaise(true);
      button->setFixedWidth(std::max(width, button->sizeHint().width()));
    } else if (button->defaultAction() != action) {
      // The menus were made again (recent files came or went): the button follows the new item,
      // or it would keep the state the old one had when it went.
      for (QAction* old : button->actions()) button->removeAction(old);
      button->setDefaultAction(action);
    }
    button->show();
    out.emplace_back(tag, button);
  }
  return out;
}

int ArrangeToolbarControls(QWidget& panel) {
  std::vector<QWidget*> widgets;
  std::vector<TToolbarControl> controls;
  for (QWidget* w : panel.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide)) continue;
    TToolbarControl c;
    c.width = w->width() > 0 && w->testAttribute(Qt::WA_Resized) ? w->width() : w->sizeHint().width();
    if (qobject_cast<QToolButton*>(w)) {
      c.kind = TToolbarControl::Button;
      c.width = std::max(c.width, w->minimumWidth());
    } else if (qobject_cast<QComboBox*>(w) || qobject_cast<QCheckBox*>(w)) {
      c.kind = TToolbarControl::KeepsHeight;
      c.height = w->sizeHint().height();
    } else {
      c.kind = TToolbarControl::Other;
    }
    widgets.push_back(w);
    controls.push_back(c);
  }
  int height = 0, right = 0;
  const auto placed = ArrangeToolbarControls(controls, kImageHeight, PixelsPerInch(panel), height, right);
  panel.setFixedHeight(height);
  for (size_t i = 0; i < widgets.size(); ++i)
    widgets[i]->setGeometry(placed[i].left, placed[i].top, placed[i].width, placed[i].height);
  return right;
}
