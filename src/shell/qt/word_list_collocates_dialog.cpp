#include "shell/qt/word_list_collocates_dialog.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/runtime/vx_maths.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/settings_dialogs.h"

namespace {

constexpr int kMostCount = 0x7FFFFFFF;

}  // namespace

TWordListCollocatesDialog::TWordListCollocatesDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Collocates of a word list"));
  const TWordListCollocatesChoice now = CurrentWordListCollocates();
  auto* layout = new QVBoxLayout(this);
  auto* columns = new QHBoxLayout;
  layout->addLayout(columns);

  auto* words = new QGroupBox(QStringLiteral("Words and rows kept"), this);
  auto* w = new QGridLayout(words);
  w->addWidget(new QLabel(QStringLiteral("least"), words), 0, 1);
  w->addWidget(new QLabel(QStringLiteral("most"), words), 0, 2);
  for (int i = 0; i < kWordListBounds; ++i) {
    const TWordListBound& b = now.bounds[static_cast<size_t>(i)];
    least_[static_cast<size_t>(i)] = SettingsSpin(words, -1, kMostCount, b.least);
    most_[static_cast<size_t>(i)] = SettingsSpin(words, -1, kMostCount, b.most);
    w->addWidget(new QLabel(ToQString(WordListBoundCaption(i)), words), i + 1, 0);
    w->addWidget(least_[static_cast<size_t>(i)], i + 1, 1);
    w->addWidget(most_[static_cast<size_t>(i)], i + 1, 2);
  }
  w->setRowStretch(kWordListBounds + 1, 1);
  columns->addWidget(words);

  auto* thresholds = new QGroupBox(QStringLiteral("Least association values (those ticked are tested)"), this);
  auto* t = new QGridLayout(thresholds);
  for (int k = 0; k < TKollaxaMutualChecks::kStatistics; ++k) {
    const auto i = static_cast<size_t>(k);
    tested_[i] = new QCheckBox(ToQString(RelationshipAsString(k)), thresholds);
    tested_[i]->setChecked(now.tested[i]);
    thresholds_[i] = new QDoubleSpinBox(thresholds);
    thresholds_[i]->setRange(-1e9, 1e9);
    thresholds_[i]->setDecimals(3);
    thresholds_[i]->setValue(now.thresholds[i]);
    t->addWidget(tested_[i], k, 0);
    t->addWidget(thresholds_[i], k, 1);
  }
  all_must_pass_ = new QCheckBox(QStringLiteral("A row passes every value tested (otherwise any one)"), thresholds);
  all_must_pass_->setChecked(now.all_must_pass);
  t->addWidget(all_must_pass_, TKollaxaMutualChecks::kStatistics, 0, 1, 2);
  columns->addWidget(thresholds);

  AddOkCancel(this, layout);
}

TWordListCollocatesChoice TWordListCollocatesDialog::Choice() const {
  TWordListCollocatesChoice c;
  for (size_t i = 0; i < least_.size(); ++i) c.bounds[i] = {least_[i]->value(), most_[i]->value()};
  for (size_t k = 0; k < tested_.size(); ++k) {
    c.tested[k] = tested_[k]->isChecked();
    c.thresholds[k] = thresholds_[k]->value();
  }
  c.all_must_pass = all_must_pass_->isChecked();
  return c;
}

void TWordListCollocatesDialog::accept() {
  if (Refused(u"Collocates of a word list", ApplyWordListCollocates(Choice()))) return;
  QDialog::accept();
}
