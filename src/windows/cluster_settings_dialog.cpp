#include "windows/cluster_settings_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/settings/settings_access.h"
#include "shell/qt/qt_application.h"
#include "shell/settings/small_dialog_rules.h"
#include "windows/dialog_parts.h"

TClusterDlg::TClusterDlg(QWidget* parent) : TVXDialogForm(parent) {
  setWindowTitle(QStringLiteral("Cluster Settings"));
  auto* column = new QVBoxLayout(this);
  auto* sizes = new QHBoxLayout;
  smallest_ = new QSpinBox(this);
  smallest_->setObjectName(QStringLiteral("ElSpinEditNInCluster1"));
  largest_ = new QSpinBox(this);
  largest_->setObjectName(QStringLiteral("ElSpinEditNInCluster2"));
  for (QSpinBox* s : {smallest_, largest_}) {
    s->setRange(kClusterSizeLowest, kClusterSizeHighest);
    s->setValue(3);
  }
  // The reach reads as a range: the largest size never shows below the smallest (OK would store
  // the smallest for it anyway).
  connect(smallest_, &QSpinBox::valueChanged, this, [this](int smallest) { largest_->setMinimum(smallest); });
  sizes->addWidget(new QLabel(QStringLiteral("Words in Cluster"), this));
  sizes->addWidget(smallest_);
  sizes->addWidget(new QLabel(QStringLiteral("to"), this));
  sizes->addWidget(largest_);
  sizes->addStretch();
  column->addLayout(sizes);
  auto* freq = new QFormLayout;
  min_freq_ = new QSpinBox(this);
  min_freq_->setObjectName(QStringLiteral("ElSpinEditMinFreq"));
  min_freq_->setRange(1, kClusterMinFreqHighest);
  freq->addRow(QStringLiteral("Minimum Frequency"), min_freq_);
  column->addLayout(freq);
  auto* horizons = new QGroupBox(QStringLiteral("Horizons"), this);
  auto* h = new QHBoxLayout(horizons);
  left_ = new QListWidget(horizons);
  left_->setObjectName(QStringLiteral("ClustSpanLLB"));
  left_->setToolTip(QStringLiteral("max. 25 to left of search word"));
  right_ = new QListWidget(horizons);
  right_->setObjectName(QStringLiteral("ClustSpanRLB"));
  right_->setToolTip(QStringLiteral("max. 25 to right of search word"));
  for (int i = 0; i < kClusterHorizonItems; ++i) {
    left_->addItem(QString::number(i) + QStringLiteral("L"));
    right_->addItem(QString::number(i) + QStringLiteral("R"));
  }
  left_->setMaximumHeight(110);
  right_->setMaximumHeight(110);
  h->addWidget(left_);
  h->addWidget(right_);
  column->addWidget(horizons);
  case_ = new QCheckBox(QStringLiteral("case sensitive"), this);
  case_->setObjectName(QStringLiteral("AdvOfficeCheckBoxCaseSensitive"));
  column->addWidget(case_);
  const TDialogButtons b = AddDialogButtons(this, column, true, 2000);
  connect(b.ok, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(b.cancel, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
}

void TClusterDlg::FormShow() {
  const TClusterChoices c = ClusterChoicesOf(GetConcSaveRec());
  left_->setCurrentRow(c.left);
  right_->setCurrentRow(c.right);
  case_->setChecked(c.case_sensitive);
  min_freq_->setValue(c.min_frequency);
  smallest_->setValue(c.smallest);
  largest_->setValue(c.largest);
}

TClusterChoices TClusterDlg::Choices() const {
  TClusterChoices c;
  c.smallest = smallest_->value();
  c.largest = largest_->value();
  c.min_frequency = min_freq_->value();
  c.left = left_->currentRow();
  c.right = right_->currentRow();
  c.case_sensitive = case_->isChecked();
  return c;
}

void TClusterDlg::OKClick() {
  // A spin emptied by the user still shows its last value: the typed text is what counts.
  for (QSpinBox* s : {smallest_, largest_, min_freq_}) {
    // A largest size below the smallest is no error: OK takes the smallest for it.
    const int lowest = s == largest_ ? kClusterSizeLowest : s->minimum();
    const TNumberInput n = CheckNumberInput(FromQString(s->cleanText()), lowest, s->maximum());
    if (!n.ok) {
      ShowRefusal(n.message);
      return;
    }
  }
  TConcSettingsRec32 rec = GetConcSaveRec();
  PutClusterChoices(Choices(), rec);
  const TClusterChoices c = Choices();
  if (c.left >= 0) SetConcSaveRecClusterSettingsToLeft(rec.ClusterReachLeft());
  if (c.right >= 0) SetConcSaveRecClusterSettingsToRight(rec.ClusterReachRight());
  SetConcSaveRecCollocatesCaseSensitive(rec.CollocatesCaseSensitive());
  SetConcSaveRecClusterSettingsMinFreq(rec.ClusterMinFrequency());
  SetConcSaveRecClusterNMIn(rec.ClusterSizeMin());
  SetConcSaveRecClusterNMax(rec.ClusterSizeMax());
  SetModalResult(mrOK);
}
