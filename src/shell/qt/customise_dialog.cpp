#include "shell/qt/customise_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "shell/menus/menu_model.h"
#include "shell/menus/popup_items.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/settings_dialogs.h"

TCustomiseDialog::TCustomiseDialog(QWidget* parent) : QDialog(parent), menus_(std::make_unique<TMenuModel>()) {
  setWindowTitle(QStringLiteral("Customise"));
  resize(520, 600);
  shown_ = CurrentCustomisation(*menus_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Tick up to %1 commands for the right-click menu of the lists; type a "
                                              "shortcut as Ctrl+Shift+F8.")
                                   .arg(kMostRightClickItems),
                               this));
  table_ = new QTableWidget(static_cast<int>(shown_.size()), 2, this);
  table_->setHorizontalHeaderLabels({QStringLiteral("Command (on the right-click menu)"), QStringLiteral("Shortcut")});
  table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  table_->verticalHeader()->hide();
  for (int r = 0; r < table_->rowCount(); ++r) {
    const TCustomisedItem& item = shown_[static_cast<size_t>(r)];
    auto* command = new QTableWidgetItem(ToQString(item.caption));
    command->setCheckState(item.right_click ? Qt::Checked : Qt::Unchecked);
    // A command no list of this program offers would never show on its right-click menu.
    if (OfferedOnSomePagesRightClickMenu(item.tag)) {
      command->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    } else {
      command->setFlags(Qt::NoItemFlags);
      command->setToolTip(QStringLiteral("No list of this program offers it on its right-click menu"));
    }
    table_->setItem(r, 0, command);
    table_->setItem(r, 1, new QTableWidgetItem(ToQString(item.shortcut)));
  }
  layout->addWidget(table_, 1);
  auto* help = new QFormLayout;
  help_ = new QComboBox(this);
  for (int m = 0; m < kHelpAccessModes; ++m) help_->addItem(ToQString(HelpAccessCaption(m)));
  help_->setCurrentIndex(CurrentHelpAccess());
  help->addRow(QStringLiteral("F1 and Help open"), help_);
  layout->addLayout(help);
  AddOkCancel(this, layout);
}

TCustomiseDialog::~TCustomiseDialog() = default;

int TCustomiseDialog::RowOfTag(int tag) const {
  for (size_t r = 0; r < shown_.size(); ++r)
    if (shown_[r].tag == tag) return static_cast<int>(r);
  return -1;
}

std::vector<TCustomisedItem> TCustomiseDialog::Choice() const {
  std::vector<TCustomisedItem> items = shown_;
  for (int r = 0; r < table_->rowCount(); ++r) {
    TCustomisedItem& item = items[static_cast<size_t>(r)];
    item.right_click = table_->item(r, 0)->checkState() == Qt::Checked;
    item.shortcut = FromQString(table_->item(r, 1)->text().trimmed());
  }
  return items;
}

void TCustomiseDialog::accept() {
  const UString help = HelpAccessProblem(help_->currentIndex());
  if (Refused(u"Customise", help.empty() ? ApplyCustomisation(*menus_, Choice()) : std::vector<UString>{help})) return;
  ApplyHelpAccess(help_->currentIndex());
  QDialog::accept();
}
