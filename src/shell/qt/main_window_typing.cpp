// The tool bar's typing box: typed text finds a row of the current grid (concordance/commands/
// typing_search.h); Enter hands the keys back to the grid.
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include "concordance/commands/typing_search.h"
#include "platform/settings/settings_access.h"
#include "shell/qt/main_window.h"
#include "shell/qt/page_list.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/vx_grid.h"

namespace {

constexpr int kTagMainToolbar = 81;
constexpr int kKeyEnter = 13;

// Enter in the box's editor goes to the window before the combo takes it.
class TTypingKeys : public QObject {
 public:
  TTypingKeys(TFormLinzora* window, QObject* parent) : QObject(parent), window_(window) {}
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(e)->key();
      if ((key == Qt::Key_Return || key == Qt::Key_Enter) && window_->EditTypingKeyDown(kKeyEnter)) return true;
    }
    return QObject::eventFilter(watched, e);
  }

 private:
  TFormLinzora* window_;
};

}  // namespace

void TFormLinzora::BuildTypingControls() {
  typing_box_ = new QComboBox(ToolbarPanel());
  typing_box_->setObjectName(QStringLiteral("ElComboBoxTyping"));
  typing_box_->setEditable(true);
  typing_box_->setInsertPolicy(QComboBox::NoInsert);
  typing_box_->setMinimumWidth(160);
  typing_box_->setToolTip(QStringLiteral("Type the start of a word to find its row"));
  case_box_ = new QCheckBox(QStringLiteral("case sensitive"), ToolbarPanel());
  case_box_->setObjectName(QStringLiteral("AdvOfficeCheckBoxCaseSensitiveSearch"));
  connect(typing_box_, &QComboBox::editTextChanged, this,
          [this](const QString& text) { EditTypingChange(FromQString(text)); });
  typing_box_->lineEdit()->installEventFilter(new TTypingKeys(this, typing_box_));
}

void TFormLinzora::EditTypingChange(const UString& text) {
  TVX_Grid* grid = CurrentGrid();
  if (!Doc() || text.empty() || !grid || !GridHasListData(grid)) return;
  TVXBaseDataClass* list = grid->List();
  const int row = std::max(0, EntryOfGridRow(grid, std::max(1, grid->CurrentRow())));
  const std::optional<int> found =
      TypedTextRow(TypingKindOfListType(grid->ListType()), list, case_box_ && case_box_->isChecked(), text, row);
  if (!found) return;
  GoToRow(grid, *found);
  // The grid's own rows may stand before the list's (an overall row): keep the found entry current.
  for (int r = 1; r <= grid->Model().rowCount(); ++r)
    if (EntryOfGridRow(grid, r) == *found) {
      grid->setCurrentIndex(grid->Model().index(r - 1, std::max(0, grid->currentIndex().column())));
      break;
    }
  ShowEntryCount(grid);
}

bool TFormLinzora::EditTypingKeyDown(int key) {
  if (key != kKeyEnter || !Doc() || !typing_box_ || typing_box_->currentText().isEmpty()) return false;
  // The tool bar on show is the box the user typed in.
  if (!ToolbarPanel()->isVisible()) return false;
  if (!GetMenuItemChecked(kTagMainToolbar)) ToolButtonCloseClick();
  TVX_Grid* grid = CurrentGrid();
  if (grid && grid->property("lz_focus_after_typing").toBool()) grid->setFocus();
  return true;
}
