#include "windows/word_cloud_options_dialog.h"

#include <QVBoxLayout>

#include "concordance/views/collocates_list.h"
#include "concordance/views/patterns_list.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "shell/qt/qt_application.h"
#include "windows/dialog_parts.h"

namespace {
constexpr int kHelpContext = 2940;
}  // namespace

TFormWordCloudOptions::TFormWordCloudOptions(QWidget* parent) : TVXDialogForm(parent) {
  setWindowTitle(QStringLiteral("Word Cloud Options"));
  auto* column = new QVBoxLayout(this);
  caption_ = new QLabel(this);
  caption_->setWordWrap(true);
  column->addWidget(caption_);
  listbox_ = new QListWidget(this);
  listbox_->setObjectName(QStringLiteral("StyledListbox1"));
  column->addWidget(listbox_, 1);
  const TDialogButtons buttons = AddDialogButtons(this, column, true, kHelpContext);
  buttons.ok->setObjectName(QStringLiteral("AdvGlowButtonOK"));
  connect(buttons.ok, &QPushButton::clicked, this, [this] {
    if (AcceptChoice()) SetModalResult(mrOK);
  });
  connect(buttons.cancel, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
  connect(listbox_, &QListWidget::itemDoubleClicked, this, [this] {
    if (AcceptChoice()) SetModalResult(mrOK);
  });
  resize(340, 420);
}

void TFormWordCloudOptions::SetList(TVXBaseDataClass* list, int list_type) {
  list_ = list;
  listtype_ = list_type;
  listbox_->clear();
  const bool words = dynamic_cast<TPatternsList*>(list) != nullptr;
  caption_->setText(ToQString(
      VXResFmt(TVXRes::VXChooseXColumnForData, {VXRes(words ? TVXRes::VXWord : TVXRes::VXNumber)})));
  if (!list) return;
  for (int col = 1; col < list->HeadingCount(); ++col) {
    TGrid_data_rec cell;
    list->DrawgridDataRec(col, 0, cell, 0);
    listbox_->addItem(ToQString(u"  " + cell.text));
  }
  if (listbox_->count() > 0) listbox_->setCurrentRow(0);
}

bool TFormWordCloudOptions::AcceptChoice() {
  const int row = listbox_->currentRow();
  if (!list_ || row < 0) return false;
  const UString item = TrimU(FromQString(listbox_->item(row)->text()));
  if (!IsYes(VXDialog(TVXDialog::ConfirmOK, {VXResFmt(TVXRes::VXDataFromColumnC, {item})}, kHelpContext))) return false;
  if (auto* collocates = dynamic_cast<TCollocateList*>(list_)) collocates->cloud_data_column = row + 1;
  else if (auto* patterns = dynamic_cast<TPatternsList*>(list_)) patterns->cloud_column = row + 1;
  return true;
}
