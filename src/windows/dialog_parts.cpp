#include "windows/dialog_parts.h"

#include "platform/runtime/vx_dialogs.h"
#include "shell/qt/help_access.h"
#include "shell/qt/qt_dialog_service.h"

TDialogButtons AddDialogButtons(QWidget* dialog, QBoxLayout* layout, bool with_cancel, int help_context,
                                const QString& ok_text) {
  TDialogButtons b;
  auto* row = new QHBoxLayout;
  row->addStretch();
  b.ok = new QPushButton(ok_text, dialog);
  b.ok->setObjectName(QStringLiteral("ButtonOK"));
  b.ok->setDefault(true);
  row->addWidget(b.ok);
  if (with_cancel) {
    b.cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    b.cancel->setObjectName(QStringLiteral("ButtonCancel"));
    row->addWidget(b.cancel);
  }
  b.help = new QPushButton(QStringLiteral("Help"), dialog);
  b.help->setObjectName(QStringLiteral("ButtonHelp"));
  row->addWidget(b.help);
  SetHelpContext(dialog, help_context);
  QObject::connect(b.help, &QPushButton::clicked, dialog, [dialog] { OpenHelpPage(HelpContextOf(dialog)); });
  layout->addLayout(row);
  return b;
}

void ShowRefusal(UStringView message) { VXDialog(TVXDialog::InformationMessage, {message}); }
