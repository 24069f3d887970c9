#include "shell/qt/media_settings_dialog.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "shell/qt/qt_application.h"
#include "shell/qt/settings_dialogs.h"

namespace {

QLineEdit* Edit(QWidget* parent, const UString& text) { return new QLineEdit(ToQString(text), parent); }

}  // namespace

TMediaSettingsDialog::TMediaSettingsDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Media"));
  const TMediaSettingsChoice now = CurrentMediaSettings();
  auto* layout = new QVBoxLayout(this);

  auto* where = new QGroupBox(QStringLiteral("Where a line's media file is found"), this);
  auto* w = new QFormLayout(where);
  method_ = new QComboBox(where);
  for (int i = 0; i < kMediaMethods; ++i) method_->addItem(ToQString(MediaMethodCaption(i)));
  method_->setCurrentIndex(now.method);
  file_name_marker_ = Edit(where, now.file_name_marker);
  media_folder_ = Edit(where, now.media_folder);
  media_folder_->setPlaceholderText(QStringLiteral("the folder of names without one (optional)"));
  lookup_table_ = Edit(where, now.lookup_table);
  lookup_table_->setPlaceholderText(QStringLiteral("a text of lines: key=media file start duration"));
  w->addRow(QStringLiteral("Method"), method_);
  w->addRow(QStringLiteral("Start of file name marker"), file_name_marker_);
  w->addRow(QStringLiteral("Media folder"), media_folder_);
  w->addRow(QStringLiteral("Lookup table"), lookup_table_);
  layout->addWidget(where);

  auto* times = new QGroupBox(QStringLiteral("Times"), this);
  auto* t = new QFormLayout(times);
  start_marker_ = Edit(times, now.start_marker);
  duration_marker_ = Edit(times, now.duration_marker);
  duration_marker_->setToolTip(QStringLiteral("a marker, or a duration in milliseconds given as a number"));
  default_duration_ = SettingsSpin(times, 0, 24 * 60 * 60, now.default_duration_seconds);
  default_duration_->setSuffix(QStringLiteral(" s"));
  widening_ = new QDoubleSpinBox(times);
  widening_->setRange(0.0, 600.0);
  widening_->setDecimals(1);
  widening_->setSingleStep(0.5);
  widening_->setSuffix(QStringLiteral(" s"));
  widening_->setValue(now.widening_step_seconds);
  t->addRow(QStringLiteral("Start marker"), start_marker_);
  t->addRow(QStringLiteral("Duration marker"), duration_marker_);
  t->addRow(QStringLiteral("Default duration"), default_duration_);
  t->addRow(QStringLiteral("Widening step"), widening_);
  layout->addWidget(times);

  auto* kinds = new QGroupBox(QStringLiteral("Media extensions, in order of preference"), this);
  auto* k = new QHBoxLayout(kinds);
  for (size_t i = 0; i < extensions_.size(); ++i) {
    extensions_[i] = Edit(kinds, now.extensions[i]);
    extensions_[i]->setMaximumWidth(80);
    k->addWidget(extensions_[i]);
  }
  layout->addWidget(kinds);

  AddOkCancel(this, layout);
}

TMediaSettingsChoice TMediaSettingsDialog::Choice() const {
  TMediaSettingsChoice c;
  c.method = method_->currentIndex();
  c.file_name_marker = FromQString(file_name_marker_->text());
  c.media_folder = FromQString(media_folder_->text().trimmed());
  c.lookup_table = FromQString(lookup_table_->text().trimmed());
  c.start_marker = FromQString(start_marker_->text());
  c.duration_marker = FromQString(duration_marker_->text());
  c.default_duration_seconds = default_duration_->value();
  c.widening_step_seconds = widening_->value();
  for (size_t i = 0; i < extensions_.size(); ++i) c.extensions[i] = FromQString(extensions_[i]->text());
  return c;
}

void TMediaSettingsDialog::accept() {
  if (Refused(u"Media", ApplyMediaSettings(Choice()))) return;
  QDialog::accept();
}
