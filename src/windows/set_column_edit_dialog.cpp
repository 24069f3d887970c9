#include "windows/set_column_edit_dialog.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QVBoxLayout>

#include "platform/settings/settings_access.h"
#include "shell/qt/qt_application.h"
#include "shell/settings/small_dialog_rules.h"
#include "windows/dialog_parts.h"

namespace {

struct TNamedColour {
  const char* name;
  QRgb rgb;
};
constexpr TNamedColour kColours[] = {
    {"red", 0xFF0000},    {"green", 0x008000},  {"blue", 0x0000FF},   {"yellow", 0xFFFF00},
    {"orange", 0xFFA500}, {"purple", 0x800080}, {"grey", 0x808080},   {"aqua", 0x00FFFF},
};

}  // namespace

TFormSetColumnEdit::TFormSetColumnEdit(QWidget* parent) : TVXDialogForm(parent) {
  setWindowTitle(QStringLiteral("Enter set data"));
  auto* column = new QVBoxLayout(this);
  value_ = new QComboBox(this);
  value_->setObjectName(QStringLiteral("ElComboBox1"));
  value_->setEditable(true);
  value_->setInsertPolicy(QComboBox::NoInsert);
  value_->setMinimumWidth(240);
  value_->lineEdit()->setAcceptDrops(true);
  value_->lineEdit()->installEventFilter(this);
  column->addWidget(value_);
  colours_ = new QListWidget(this);
  colours_->setObjectName(QStringLiteral("ColourSharingListbox1"));
  colours_->setDragEnabled(true);
  for (const TNamedColour& c : kColours) {
    auto* item = new QListWidgetItem(QString::fromLatin1(c.name), colours_);
    item->setData(Qt::DecorationRole, QColor(c.rgb));
    item->setData(Qt::UserRole, QColor(c.rgb));
  }
  colours_->setMaximumHeight(140);
  for (const UString& v : ReadSetValueHistory(TheIniName())) value_->addItem(ToQString(v));
  value_->setEditText(QString());
  column->addWidget(colours_);
  const TDialogButtons b = AddDialogButtons(this, column, true, 1950);
  connect(b.ok, &QPushButton::clicked, this, [this] { Accept(); });
  connect(b.cancel, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
  ClearColourChanged();
}

UString TFormSetColumnEdit::TheIniName() {
  UString folder = GetUserReadWriteFolder();
  if (!folder.empty() && folder.back() != u'/') folder += u'/';
  return folder + u"set_history.txt";
}

void TFormSetColumnEdit::Accept() {
  // A history that cannot be written only costs the next offer.
  KeepSetValueInHistory(TheIniName(), Value());
  SetModalResult(mrOK);
}

UString TFormSetColumnEdit::Value() const { return FromQString(value_->currentText()); }
void TFormSetColumnEdit::SetValue(UStringView s) { value_->setEditText(ToQString(s)); }

void TFormSetColumnEdit::ClearColourChanged() {
  ColourChanged = false;
  box_colour_ = palette().color(QPalette::Base);
  PaintBox();
}

void TFormSetColumnEdit::PaintBox() {
  QPalette p = value_->lineEdit()->palette();
  p.setColor(QPalette::Base, box_colour_);
  value_->lineEdit()->setPalette(p);
}

bool TFormSetColumnEdit::DropColour(const QObject* source, const QColor& colour) {
  if (source != colours_ || !colour.isValid()) {
    ShowRefusal(u"Only a colour from the colour list can be dropped here.");
    return false;
  }
  box_colour_ = colour;
  ColourChanged = true;
  PaintBox();
  return true;
}

bool TFormSetColumnEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched != value_->lineEdit()) return TVXDialogForm::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
      static_cast<QDropEvent*>(event)->acceptProposedAction();
      return true;
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      QColor colour;
      if (drop->source() == colours_ && colours_->currentItem())
        colour = colours_->currentItem()->data(Qt::UserRole).value<QColor>();
      DropColour(drop->source(), colour);
      drop->acceptProposedAction();
      return true;
    }
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Execute) {
        Accept();
        return true;
      }
      break;
    }
    default:
      break;
  }
  return TVXDialogForm::eventFilter(watched, event);
}
