#include "shell/qt/page_setup_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPrinterInfo>
#include <QVBoxLayout>

#include "shell/qt/qt_application.h"
#include "shell/qt/settings_dialogs.h"

namespace {

QDoubleSpinBox* Length(QWidget* parent) {
  auto* s = new QDoubleSpinBox(parent);
  s->setRange(0.0, 10000.0);
  s->setDecimals(2);
  return s;
}

}  // namespace

TPageSetupDialog::TPageSetupDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Page Setup"));
  const TPageSetupChoice now = CurrentPageSetup();
  auto* layout = new QVBoxLayout(this);

  auto* where = new QGroupBox(QStringLiteral("Printer"), this);
  auto* w = new QFormLayout(where);
  printer_ = new QComboBox(where);
  printer_->addItem(QStringLiteral("PDF file"), QString());
  for (const QString& name : QPrinterInfo::availablePrinterNames()) printer_->addItem(name, name);
  if (!now.printer_name.empty() && printer_->findData(ToQString(now.printer_name)) < 0)
    printer_->addItem(ToQString(now.printer_name) + QStringLiteral(" (not installed: a PDF file)"), ToQString(now.printer_name));
  printer_->setCurrentIndex(std::max(0, printer_->findData(ToQString(now.printer_name))));
  grey_ = new QCheckBox(QStringLiteral("Print in grey"), where);
  grey_->setChecked(now.grey);
  plain_lines_ = new QCheckBox(QStringLiteral("Print concordance lines without coloured marks"), where);
  plain_lines_->setChecked(now.plain_lines);
  w->addRow(QStringLiteral("Printer"), printer_);
  w->addRow(grey_);
  w->addRow(plain_lines_);
  layout->addWidget(where);

  auto* paper = new QGroupBox(QStringLiteral("Paper"), this);
  auto* p = new QFormLayout(paper);
  unit_ = new QComboBox(paper);
  unit_->addItem(QStringLiteral("millimetres"));
  unit_->addItem(QStringLiteral("inches"));
  width_ = Length(paper);
  height_ = Length(paper);
  orientation_ = new QComboBox(paper);
  orientation_->addItem(QStringLiteral("Portrait"));
  orientation_->addItem(QStringLiteral("Landscape"));
  p->addRow(QStringLiteral("Unit"), unit_);
  p->addRow(QStringLiteral("Paper width"), width_);
  p->addRow(QStringLiteral("Paper height"), height_);
  p->addRow(QStringLiteral("Orientation"), orientation_);
  layout->addWidget(paper);

  auto* margins = new QGroupBox(QStringLiteral("Margins"), this);
  auto* m = new QFormLayout(margins);
  const char* captions[4] = {"Left", "Top", "Right", "Bottom"};
  for (size_t i = 0; i < margins_.size(); ++i) {
    margins_[i] = Length(margins);
    m->addRow(QString::fromLatin1(captions[i]), margins_[i]);
  }
  layout->addWidget(margins);

  Show(now);
  connect(unit_, &QComboBox::currentIndexChanged, this, [this](int unit) {
    Show(InUnit(Choice(), static_cast<TPageUnit>(unit)));
  });
  AddOkCancel(this, layout);
}

void TPageSetupDialog::Show(const TPageSetupChoice& c) {
  shown_unit_ = c.unit;
  const QSignalBlocker quiet(unit_);
  unit_->setCurrentIndex(static_cast<int>(c.unit));
  const QString suffix = c.unit == TPageUnit::Inches ? QStringLiteral(" in") : QStringLiteral(" mm");
  width_->setValue(c.paper_width);
  height_->setValue(c.paper_height);
  for (size_t i = 0; i < margins_.size(); ++i) margins_[i]->setValue(c.margins[i]);
  for (QDoubleSpinBox* s : {width_, height_, margins_[0], margins_[1], margins_[2], margins_[3]}) s->setSuffix(suffix);
  orientation_->setCurrentIndex(c.landscape ? 1 : 0);
}

TPageSetupChoice TPageSetupDialog::Choice() const {
  TPageSetupChoice c;
  c.printer_name = FromQString(printer_->currentData().toString());
  c.unit = shown_unit_;
  c.paper_width = width_->value();
  c.paper_height = height_->value();
  for (size_t i = 0; i < margins_.size(); ++i) c.margins[i] = margins_[i]->value();
  c.landscape = orientation_->currentIndex() == 1;
  c.grey = grey_->isChecked();
  c.plain_lines = plain_lines_->isChecked();
  return c;
}

void TPageSetupDialog::accept() {
  if (Refused(u"Page Setup", ApplyPageSetup(Choice()))) return;
  QDialog::accept();
}
