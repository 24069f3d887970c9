// The result grids' right-click menu, the tool bar's buttons and the window fitted to a
// document: the parts of the tool window made from the shared menu's customisable items.
#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QToolButton>

#include "shell/menus/popup_items.h"
#include "shell/qt/main_tools_form.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/shell_menu_bar.h"
#include "shell/qt/tool_bar.h"
#include "shell/qt/vx_grid.h"

namespace {
constexpr char kReadAloudCaption[] = "Read row aloud";
}  // namespace

void TMainToolsForm::AttachRightClickMenu(TVX_Grid* grid) {
  grid->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(grid, &QWidget::customContextMenuRequested, this, [this, grid](const QPoint& at) {
    QMenu* menu = RightClickMenuFor(grid);
    // A scroll area reports the place in its viewport.
    menu->popup(grid->viewport()->mapToGlobal(at));
  });
}

QMenu* TMainToolsForm::RightClickMenuFor(TVX_Grid* grid) {
  if (!grid_popup_) {
    grid_popup_ = new QMenu(this);
    grid_popup_->setObjectName(QStringLiteral("PopupMenuForGrids"));
  }
  grid_popup_->clear();
  std::vector<int> chosen;
  for (const TMenuNode* n : menu_model_.RightClickItems()) chosen.push_back(n->tag);
  for (int tag : RightClickTagsForPage(chosen, grid->ListType(), static_cast<uint8_t>(grid->Alternative()))) {
    QAction* twin = menus_->ActionOfTag(tag);
    const TMenuNode* node = menu_model_.FindByTag(tag);
    QAction* item = grid_popup_->addAction(twin ? twin->text() : ToQString(node ? node->caption : UString()));
    item->setData(tag);
    // A twin the page's menu shows lends its state (checked, or disabled with its reason); one
    // it hides (Join Clusters) is carried out all the same.
    if (twin && twin->isVisible()) {
      item->setCheckable(twin->isCheckable());
      item->setChecked(twin->isChecked());
      item->setEnabled(twin->isEnabled());
      item->setToolTip(twin->toolTip());
    }
    connect(item, &QAction::triggered, this, [this, tag] { FireRightClickCommand(tag); });
  }
  grid_popup_->addSeparator();
  QAction* speak = grid_popup_->addAction(QString::fromLatin1(kReadAloudCaption));
  QPointer<TVX_Grid> target = grid;
  connect(speak, &QAction::triggered, this, [this, target] {
    if (target) SpeakCurrentLine(target);
  });
  return grid_popup_;
}

void TMainToolsForm::FireRightClickCommand(int tag) {
  QAction* twin = menus_->ActionOfTag(tag);
  // The twin's own trigger keeps its check mark and the store in step, as a click on it would.
  if (twin && twin->isVisible()) {
    twin->trigger();
    return;
  }
  HandleMenuCommand(tag, u"");
}

void TMainToolsForm::BuildToolbar() {
  std::vector<int> tags;
  for (const TMenuNode* n : menu_model_.CustomisableItems())
    if (HasToolbarImage(n->tag)) tags.push_back(n->tag);
  toolbar_buttons_ = BuildToolbarFromItems(*menus_, tags, *toolbar_panel_);
  FitToolbarToPage(toolbar_list_type_, toolbar_alternative_);
}

void TMainToolsForm::FitToolbarToPage(uint8_t list_type, uint8_t alternative) {
  toolbar_list_type_ = list_type;
  toolbar_alternative_ = alternative;
  for (const auto& [tag, button] : toolbar_buttons_) button->setVisible(ToolbarButtonShown(tag, list_type, alternative));
  ArrangeToolbarControls(*toolbar_panel_);
}

void TMainToolsForm::FitWindowToDocument() {
  if (!fData) return;
  SetPageAppropriateCaption();
  QWidget* client = centralWidget();
  const QScreen* s = screen();
  const QRect available = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
  QSize wanted = client->size();
  int32_t value = 0;
  bool kept = false;
  if (fData->TryToGetClientHeightOrWidth(available.height(), true, value)) {
    wanted.setHeight(value);
    kept = true;
  }
  if (fData->TryToGetClientHeightOrWidth(available.width(), false, value)) {
    wanted.setWidth(value);
    kept = true;
  }
  if (!kept) return;
  // The menu and status bars around the client keep their own size.
  resize(size() - client->size() + wanted);
}
