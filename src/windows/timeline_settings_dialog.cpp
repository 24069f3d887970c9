#include "windows/timeline_settings_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "platform/settings/settings_access.h"
#include "shell/settings/analysis_settings_rules.h"
#include "shell/qt/qt_application.h"
#include "windows/dialog_parts.h"

TFormTimelineSettings::TFormTimelineSettings(QWidget* parent) : TVXDialogForm(parent) {
  setWindowTitle(QStringLiteral("Timeline Settings"));
  auto* column = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  basis_ = new QComboBox(this);
  basis_->setObjectName(QStringLiteral("AdvComboBoxBasis"));
  for (TTimeLinePlotbase b : OfferedTimelineBases()) basis_->addItem(ToQString(TimeLinePlotbaseStr(b)));
  basis_->setCurrentIndex(TimelineItemOfBasis(GetTimeLinePlotBase()));
  form->addRow(QStringLiteral("basis"), basis_);
  column->addLayout(form);
  const TDialogButtons b = AddDialogButtons(this, column, true, 0);
  connect(b.ok, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(b.cancel, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
}

void TFormTimelineSettings::OKClick() {
  SetTimeLinePlotBase(TimelineBasisOfItem(basis_->currentIndex()));
  SetModalResult(mrOK);
}
