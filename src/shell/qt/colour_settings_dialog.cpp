#include "shell/qt/colour_settings_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "shell/qt/qt_application.h"
#include "shell/qt/settings_dialogs.h"

namespace {

// The colour a text names, or an invalid colour.
QColor NamedColour(const QString& text) {
  uint32_t bgr = 0;
  if (!ColourOfText(FromQString(text), bgr)) return {};
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF), static_cast<int>((bgr >> 16) & 0xFF));
}

QColor ReadableOn(const QColor& back) { return back.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black); }

void PaintEdit(QLineEdit* edit) {
  const QColor c = NamedColour(edit->text());
  edit->setStyleSheet(c.isValid() ? QStringLiteral("QLineEdit { background: %1; color: %2; }")
                                        .arg(c.name(), ReadableOn(c).name())
                                  : QString());
}

void PaintCell(QTableWidgetItem* item) {
  if (!item || item->column() == 0) return;
  const QColor c = NamedColour(item->text());
  item->setBackground(c.isValid() ? QBrush(c) : QBrush());
  item->setForeground(c.isValid() ? QBrush(ReadableOn(c)) : QBrush());
}

// A colour box with a button that fills it from the colour chooser.
QWidget* ColourRow(QLineEdit* edit, QWidget* parent) {
  auto* row = new QWidget(parent);
  auto* l = new QHBoxLayout(row);
  l->setContentsMargins(0, 0, 0, 0);
  auto* choose = new QPushButton(QStringLiteral("Choose..."), row);
  l->addWidget(edit, 1);
  l->addWidget(choose);
  QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] { PaintEdit(edit); });
  QObject::connect(choose, &QPushButton::clicked, row, [edit, row] {
    const QColor chosen = QColorDialog::getColor(NamedColour(edit->text()), row);
    if (chosen.isValid()) edit->setText(chosen.name().toUpper());
  });
  PaintEdit(edit);
  return row;
}

// A table whose rows name what they colour (column 0, not editable) and give a text colour and a
// background; a colour is chosen by a double-click, and every cell is painted in its colour.
QTableWidget* ColourTable(QWidget* parent, const QString& first, int rows) {
  auto* table = new QTableWidget(rows, 3, parent);
  table->setHorizontalHeaderLabels({first, QStringLiteral("Text colour"), QStringLiteral("Background")});
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  QObject::connect(table, &QTableWidget::itemChanged, table, [](QTableWidgetItem* item) { PaintCell(item); });
  QObject::connect(table, &QTableWidget::cellDoubleClicked, table, [table](int row, int column) {
    QTableWidgetItem* item = table->item(row, column);
    if (!item || column == 0) return;
    const QColor chosen = QColorDialog::getColor(NamedColour(item->text()), table);
    if (chosen.isValid()) item->setText(chosen.name().toUpper());
  });
  return table;
}

void FillRow(QTableWidget* table, int row, const QString& name, const QString& text, const QString& back) {
  auto* first = new QTableWidgetItem(name);
  first->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  table->setItem(row, 0, first);
  table->setItem(row, 1, new QTableWidgetItem(text));
  table->setItem(row, 2, new QTableWidgetItem(back));
}

}  // namespace

TColourSettingsDialog::TColourSettingsDialog(QWidget* parent) : QDialog(parent), style_(CurrentStyleNumber()) {
  setWindowTitle(QStringLiteral("Colours"));
  resize(620, 700);
  const TColourSettingsChoice now = CurrentColourSettings(style_);
  auto* layout = new QVBoxLayout(this);

  auto* percent = new QGroupBox(QStringLiteral("Percentages"), this);
  auto* p = new QFormLayout(percent);
  percentages_ = new QCheckBox(QStringLiteral("Colour cells showing a percentage"), percent);
  percentages_->setChecked(now.colour_percentages);
  at_zero_ = new QLineEdit(ToQString(now.at_zero), percent);
  at_hundred_ = new QLineEdit(ToQString(now.at_hundred), percent);
  p->addRow(percentages_);
  p->addRow(QStringLiteral("Colour of 0 %"), ColourRow(at_zero_, percent));
  p->addRow(QStringLiteral("Colour of 100 %"), ColourRow(at_hundred_, percent));
  layout->addWidget(percent);

  auto* tags = new QGroupBox(QStringLiteral("Tags to keep"), this);
  auto* t = new QVBoxLayout(tags);
  tags_ = new QTableWidget(static_cast<int>(now.tags.size()), 3, tags);
  tags_->setHorizontalHeaderLabels({QStringLiteral("Tag"), QStringLiteral("Text colour"), QStringLiteral("Background")});
  tags_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  for (int r = 0; r < tags_->rowCount(); ++r) {
    const TTagColourChoice& tag = now.tags[static_cast<size_t>(r)];
    auto* name = new QTableWidgetItem(ToQString(tag.tag));
    name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    tags_->setItem(r, 0, name);
    tags_->setItem(r, 1, new QTableWidgetItem(ToQString(tag.text_colour)));
    tags_->setItem(r, 2, new QTableWidgetItem(ToQString(tag.background)));
  }
  for (int r = 0; r < tags_->rowCount(); ++r)
    for (int col = 1; col <= 2; ++col) PaintCell(tags_->item(r, col));
  connect(tags_, &QTableWidget::itemChanged, this, [](QTableWidgetItem* item) { PaintCell(item); });
  connect(tags_, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
    QTableWidgetItem* item = tags_->item(row, column);
    if (!item || column == 0) return;
    const QColor chosen = QColorDialog::getColor(NamedColour(item->text()), this);
    if (chosen.isValid()) item->setText(chosen.name().toUpper());
  });
  t->addWidget(tags_);
  descriptions_ = new QCheckBox(QStringLiteral("The tag list names tags by their descriptions"), tags);
  descriptions_->setChecked(now.show_descriptions);
  t->addWidget(descriptions_);
  if (now.tags.empty()) t->addWidget(new QLabel(QStringLiteral("No tags to keep: they are chosen under Settings > Tags."), tags));
  else t->addWidget(new QLabel(QStringLiteral("Double-click a colour to choose it."), tags));
  layout->addWidget(tags, 1);

  auto* words = new QGroupBox(QStringLiteral("Words in concordance lines (this style)"), this);
  auto* w = new QVBoxLayout(words);
  words_ = ColourTable(words, QStringLiteral("Colours"), static_cast<int>(now.words.size()));
  for (int r = 0; r < words_->rowCount(); ++r) {
    const TWordColourChoice& one = now.words[static_cast<size_t>(r)];
    word_records_.push_back(one.record);
    FillRow(words_, r, ToQString(WordColourCaption(one.record)), ToQString(one.text_colour), ToQString(one.background));
    for (int col = 1; col <= 2; ++col) PaintCell(words_->item(r, col));
  }
  // Every row in sight, each caption on one line.
  words_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  words_->resizeRowsToContents();
  int height = words_->horizontalHeader()->sizeHint().height() + 2 * words_->frameWidth();
  for (int r = 0; r < words_->rowCount(); ++r) height += words_->rowHeight(r);
  words_->setMinimumHeight(height);
  w->addWidget(words_);
  w->addWidget(new QLabel(QStringLiteral("An empty background leaves the cell's own. Double-click a colour to choose it."), words));
  layout->addWidget(words, 1);

  AddOkCancel(this, layout);
}

TColourSettingsChoice TColourSettingsDialog::Choice() const {
  TColourSettingsChoice c;
  c.colour_percentages = percentages_->isChecked();
  c.at_zero = FromQString(at_zero_->text());
  c.at_hundred = FromQString(at_hundred_->text());
  c.show_descriptions = descriptions_->isChecked();
  for (int r = 0; r < tags_->rowCount(); ++r)
    c.tags.push_back({FromQString(tags_->item(r, 0)->text()), FromQString(tags_->item(r, 1)->text()),
                      FromQString(tags_->item(r, 2)->text())});
  c.style = style_;
  for (int r = 0; r < words_->rowCount(); ++r)
    c.words.push_back({word_records_[static_cast<size_t>(r)], FromQString(words_->item(r, 1)->text()),
                       FromQString(words_->item(r, 2)->text().trimmed())});
  return c;
}

void TColourSettingsDialog::accept() {
  if (Refused(u"Colours", ApplyColourSettings(Choice()))) return;
  QDialog::accept();
}
