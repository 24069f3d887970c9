#include "shell/qt/word_cloud_settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "shell/qt/qt_application.h"
#include "shell/qt/settings_dialogs.h"
#include "shell/settings/colour_settings_rules.h"
#include "shell/viewers/word_cloud_layout.h"

namespace {

QDoubleSpinBox* Spacing(QWidget* parent, double value) {
  auto* s = new QDoubleSpinBox(parent);
  s->setRange(1.0, kMostCloudSpacing);
  s->setDecimals(2);
  s->setSingleStep(0.1);
  s->setValue(value);
  return s;
}

uint32_t ColourOf(const QLineEdit* edit) {
  uint32_t bgr = 0;
  return ColourOfText(FromQString(edit->text()), bgr) ? bgr : kNoColour;
}

}  // namespace

TWordCloudSettingsDialog::TWordCloudSettingsDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Word cloud and plot"));
  const TWordCloudSettingsChoice now = CurrentWordCloudSettings();
  auto* layout = new QVBoxLayout(this);

  auto* cloud = new QGroupBox(QStringLiteral("Word cloud"), this);
  auto* c = new QFormLayout(cloud);
  shape_ = new QComboBox(cloud);
  for (int i = 0; i < kCloudShapes; ++i) shape_->addItem(ToQString(CloudShapeCaption(i)));
  shape_->setCurrentIndex(now.shape);
  show_shapes_ = new QCheckBox(QStringLiteral("Draw a shape behind each word"), cloud);
  show_shapes_->setChecked(now.show_shapes);
  colour_by_size_ = new QCheckBox(QStringLiteral("Colour the words by their size"), cloud);
  colour_by_size_->setChecked(now.colour_by_size);
  horizontal_ = Spacing(cloud, now.horizontal_spacing);
  vertical_ = Spacing(cloud, now.vertical_spacing);
  min_font_ = SettingsSpin(cloud, kCloudMinFontLowest, kCloudMinFontHighest, now.min_font_size);
  c->addRow(QStringLiteral("Shape"), shape_);
  c->addRow(show_shapes_);
  c->addRow(colour_by_size_);
  c->addRow(QStringLiteral("Horizontal spacing"), horizontal_);
  c->addRow(QStringLiteral("Vertical spacing"), vertical_);
  c->addRow(QStringLiteral("Least font size"), min_font_);
  layout->addWidget(cloud);

  auto* plot = new QGroupBox(QStringLiteral("Plot and ruler"), this);
  auto* p = new QFormLayout(plot);
  divisions_ = SettingsSpin(plot, kLeastPlotDivisions, kMostPlotDivisions, now.plot_divisions);
  plot_colour_ = new QLineEdit(ToQString(ColourText(now.plot_line_colour)), plot);
  ruler_colour_ = new QLineEdit(ToQString(ColourText(now.ruler_colour)), plot);
  for (QLineEdit* e : {plot_colour_, ruler_colour_}) e->setPlaceholderText(QStringLiteral("#RRGGBB or a colour's name"));
  p->addRow(QStringLiteral("Plot sections"), divisions_);
  p->addRow(QStringLiteral("Plot mark colour"), plot_colour_);
  p->addRow(QStringLiteral("Ruler colour"), ruler_colour_);
  keep_contexts_ = new QCheckBox(QStringLiteral("Keep each hit's context (shown when pointing at a hit)"), plot);
  keep_contexts_->setChecked(now.keep_hit_contexts);
  // Wider than the rules allow: a value too big is named in the refusal, not clamped unseen.
  context_characters_ = SettingsSpin(plot, 0, 99999, now.hit_context_characters);
  context_lines_ = SettingsSpin(plot, 0, 999999999, now.hit_context_lines);
  for (QSpinBox* b : {context_characters_, context_lines_}) {
    b->setEnabled(now.keep_hit_contexts);
    connect(keep_contexts_, &QCheckBox::toggled, b, &QSpinBox::setEnabled);
  }
  p->addRow(keep_contexts_);
  p->addRow(QStringLiteral("Hit context characters"), context_characters_);
  p->addRow(QStringLiteral("Hit contexts for at most (lines)"), context_lines_);
  layout->addWidget(plot);

  AddOkCancel(this, layout);
}

TWordCloudSettingsChoice TWordCloudSettingsDialog::Choice() const {
  TWordCloudSettingsChoice c;
  c.shape = shape_->currentIndex();
  c.show_shapes = show_shapes_->isChecked();
  c.colour_by_size = colour_by_size_->isChecked();
  c.horizontal_spacing = horizontal_->value();
  c.vertical_spacing = vertical_->value();
  c.min_font_size = min_font_->value();
  c.plot_divisions = divisions_->value();
  c.plot_line_colour = ColourOf(plot_colour_);
  c.ruler_colour = ColourOf(ruler_colour_);
  c.keep_hit_contexts = keep_contexts_->isChecked();
  c.hit_context_characters = context_characters_->value();
  c.hit_context_lines = context_lines_->value();
  return c;
}

void TWordCloudSettingsDialog::accept() {
  if (Refused(u"Word cloud and plot", ApplyWordCloudSettings(Choice()))) return;
  QDialog::accept();
}
