#include "windows/batch_setup.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/documents/batch_procedures.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "shell/qt/qt_application.h"

TFormBatchProcessSetup::TFormBatchProcessSetup(QWidget* parent) : TVXDialogForm(parent) {
  setWindowTitle(QStringLiteral("Batch Processing"));
  setObjectName(QStringLiteral("FormBatchProcessSetup"));
  auto* column = new QVBoxLayout(this);
  message_ = new QLabel(this);
  bar_ = new QProgressBar(this);
  zip_ = new QCheckBox(QStringLiteral("zip them"), this);
  faster_ = new QCheckBox(QStringLiteral("faster (minimal) processing"), this);
  keep_ = new QCheckBox(QStringLiteral("keep .zip && results"), this);
  dates_ = new QCheckBox(QStringLiteral("keep dates"), this);
  folder_ = new QLineEdit(this);
  auto* buttons = new QHBoxLayout;
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  stop_ = new QPushButton(QStringLiteral("Stop"), this);
  buttons->addStretch();
  buttons->addWidget(stop_);
  buttons->addWidget(ok_);
  for (QWidget* w : {static_cast<QWidget*>(message_), static_cast<QWidget*>(bar_), static_cast<QWidget*>(zip_),
                     static_cast<QWidget*>(faster_), static_cast<QWidget*>(keep_), static_cast<QWidget*>(dates_),
                     static_cast<QWidget*>(folder_)})
    column->addWidget(w);
  column->addLayout(buttons);
  connect(ok_, &QPushButton::clicked, this, [this] { ButtonOKClick(); });
  connect(stop_, &QPushButton::clicked, this, [] { global_panic_state = kPanicStopNow; });
  SetDefaultBatchHandlers(Global_BatchProcedures);
}

TFormBatchProcessSetup::~TFormBatchProcessSetup() { SetDefaultBatchHandlers(Global_BatchProcedures); }

void TFormBatchProcessSetup::FormShow() {
  ok_pressed = false;
  bar_->setValue(0);
  if (folder_->text().isEmpty()) folder_->setText(ToQString(GetDefaultFolder(kToolConcordancer) + u"batch"));
  message_->setText(QStringLiteral("%1 bytes of texts").arg(total_bytes));
}

void TFormBatchProcessSetup::ButtonOKClick() {
  const UString folder = IncludeTrailingPathDelimiter(FromQString(folder_->text().trimmed()));
  if (folder_->text().trimmed().isEmpty() || !ForceDirectories(folder)) {
    VXDialog(TVXDialog::CannotWriteToXFolder, {folder});
    return;
  }
  TBatchProceduresRec& b = Global_BatchProcedures;
  SetDefaultBatchHandlers(b);
  b.BatchRootFolder = folder;
  b.Zip_Too = zip_->isChecked();
  b.delete_saved_files = b.Zip_Too && !keep_->isChecked();
  b.keep_file_dates = dates_->isChecked();
  b.OnBatchFileNameAndMaxN = [this](const UString& name, const UString& text, int32_t) {
    message_->setText(ToQString(text + u" " + name));
  };
  b.OnProgressing = [this](int32_t i) { bar_->setValue(std::min(bar_->maximum(), i + 1)); };
  ok_pressed = true;
  SetModalResult(mrOK);
}
