#include "shell/qt/tag_settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "shell/files/file_dialogs.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/settings_dialogs.h"
#include "wordlist/word_list_document.h"

namespace {

QPlainTextEdit* LinesBox(QWidget* parent, const QString& hint) {
  auto* box = new QPlainTextEdit(parent);
  box->setPlaceholderText(hint);
  box->setLineWrapMode(QPlainTextEdit::NoWrap);
  return box;
}

std::vector<UString> LinesOf(const QPlainTextEdit* box) { return TrimmedLinesOf(FromQString(box->toPlainText())); }

QString Cell(const QTableWidget* t, int row, int column) {
  const QTableWidgetItem* item = t->item(row, column);
  return item ? item->text().trimmed() : QString();
}

}  // namespace

TTagSettingsDialog::TTagSettingsDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Tags"));
  resize(640, 520);
  auto* layout = new QVBoxLayout(this);
  tabs_ = new QTabWidget(this);
  layout->addWidget(tabs_);

  auto* markup = new QWidget(tabs_);
  auto* m = new QFormLayout(markup);
  markup_ = new QLineEdit(markup);
  markup_->setPlaceholderText(QStringLiteral("pairs of characters around mark-up: <> []"));
  longest_tag_ = SettingsSpin(markup, 1, 1000000, 1000);
  longest_tag_->setSuffix(QStringLiteral(" characters"));
  longest_tag_->setMaximumWidth(160);
  m->addRow(QStringLiteral("Mark-up between"), markup_);
  m->addRow(QStringLiteral("Longest tag"), longest_tag_);
  tag_treatment_ = new QComboBox(markup);
  for (int k = 0; k < kTagTreatments; ++k)
    tag_treatment_->addItem(ToQString(WordListTagTreatmentToString(static_cast<uint8_t>(k))));
  m->addRow(QStringLiteral("Tags in word lists"), tag_treatment_);
  keep_ = LinesBox(markup, QStringLiteral("one tag a line: <head> /description \"heading\""));
  exclude_ = LinesBox(markup, QStringLiteral("one span a line: <note>*</note>"));
  entities_ = LinesBox(markup, QStringLiteral("one entity a line: &amp; &"));
  m->addRow(QStringLiteral("Tags to keep"), keep_);
  m->addRow(QStringLiteral("Tags to exclude"), exclude_);
  m->addRow(QStringLiteral("Entities"), entities_);
  auto* loads = new QHBoxLayout;
  const std::array<QString, 3> load_captions{QStringLiteral("Load tags to keep..."),
                                             QStringLiteral("Load tags to exclude..."),
                                             QStringLiteral("Load entities...")};
  for (size_t i = 0; i < load_.size(); ++i) {
    load_[i] = new QPushButton(load_captions[i], markup);
    load_[i]->setToolTip(QStringLiteral("fill the list from a tag file: one entry a line, ; starts a comment"));
    const auto list = static_cast<TTagFileList>(i);
    connect(load_[i], &QPushButton::clicked, this, [this, list] {
      TFileDialogRequest r;
      r.filter = u"Text files (*.txt);;All files (*)";
      UString name;
      if (file_dialogs_) {
        if (!file_dialogs_->ChooseFileToOpen(r, name)) return;
      } else {
        name = FromQString(QFileDialog::getOpenFileName(this, QStringLiteral("Tag file"), {}, ToQString(r.filter)));
        if (name.empty()) return;
      }
      LoadTagFile(list, name);
    });
    loads->addWidget(load_[i]);
  }
  loads->addStretch();
  m->addRow(QString(), loads);
  tabs_->addTab(markup, QStringLiteral("Mark-up"));

  auto* structure = new QWidget(tabs_);
  auto* s = new QFormLayout(structure);
  header_ = new QLineEdit(structure);
  header_->setPlaceholderText(QStringLiteral("markers separated by ;"));
  s->addRow(QStringLiteral("End of header"), header_);
  for (int i = 0; i < kTextMarkerKinds; ++i) {
    markers_[static_cast<size_t>(i)] = new QLineEdit(structure);
    s->addRow(ToQString(TextMarkerCaption(i)), markers_[static_cast<size_t>(i)]);
  }
  tabs_->addTab(structure, QStringLiteral("Header and markers"));

  auto* texts = new QWidget(tabs_);
  auto* t = new QFormLayout(texts);
  select_texts_ = new QCheckBox(QStringLiteral("Choose texts by what they contain"), texts);
  texts_with_ = LinesBox(texts, QStringLiteral("up to 12 strings, one a line"));
  texts_without_ = LinesBox(texts, QStringLiteral("up to 16 strings, one a line"));
  t->addRow(select_texts_);
  t->addRow(QStringLiteral("Texts containing"), texts_with_);
  t->addRow(QStringLiteral("Texts not containing"), texts_without_);
  tabs_->addTab(texts, QStringLiteral("Texts"));

  auto* parts = new QWidget(tabs_);
  auto* p = new QVBoxLayout(parts);
  parts_only_ = new QCheckBox(QStringLiteral("Read only parts of texts"), parts);
  auto* cut_row = new QFormLayout;
  cut_line_start_ = new QSpinBox(parts);
  cut_line_start_->setRange(kCutLineStartUpToTab, 100);
  cut_line_start_->setMaximumWidth(120);
  cut_line_start_->setToolTip(QStringLiteral("characters; 0 none, -1 up to the first letter, -2 up to the first tab"));
  cut_row->addRow(QStringLiteral("Cut the start of each line"), cut_line_start_);
  parts_ = new QTableWidget(kPartPairs, 3, parts);
  parts_->setHorizontalHeaderLabels({QStringLiteral("Start"), QStringLiteral("End"), QStringLiteral("Cut")});
  parts_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  parts_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  for (int r = 0; r < kPartPairs; ++r) {
    auto* cut = new QTableWidgetItem;
    cut->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    cut->setCheckState(Qt::Unchecked);
    parts_->setItem(r, 2, cut);
  }
  p->addWidget(parts_only_);
  p->addLayout(cut_row);
  p->addWidget(new QLabel(QStringLiteral("Each pair keeps (or, ticked, cuts) what lies from its start to its end."), parts));
  p->addWidget(parts_);
  tabs_->addTab(parts, QStringLiteral("Parts of texts"));

  AddOkCancel(this, layout);
  Show(CurrentTagSettings());
}

void TTagSettingsDialog::LoadTagFile(TTagFileList list, const UString& filename) {
  const TTagFileRead read = ReadUserTagFile(list, filename);
  if (Refused(u"Tags", read.problem.empty() ? std::vector<UString>{} : std::vector<UString>{read.problem})) return;
  const QString text = ToQString(TextOfLines(read.lines));
  switch (list) {
    case TTagFileList::Keep:
      keep_->setPlainText(text);
      keep_colours_ = read.colours;
      keep_anyway_ = read.keep_anyway;
      break;
    case TTagFileList::Exclude: exclude_->setPlainText(text); break;
    case TTagFileList::Entities: entities_->setPlainText(text); break;
  }
}

void TTagSettingsDialog::Show(const TTagSettingsChoice& c) {
  keep_colours_ = c.keep_colours;
  keep_anyway_ = c.keep_anyway;
  markup_->setText(ToQString(c.markup_brackets));
  longest_tag_->setValue(c.longest_tag);
  tag_treatment_->setCurrentIndex(c.tag_treatment);
  keep_->setPlainText(ToQString(TextOfLines(c.keep)));
  exclude_->setPlainText(ToQString(TextOfLines(c.exclude)));
  entities_->setPlainText(ToQString(TextOfLines(c.entities)));
  header_->setText(ToQString(c.end_of_header));
  for (int i = 0; i < kTextMarkerKinds; ++i) markers_[static_cast<size_t>(i)]->setText(ToQString(c.markers[static_cast<size_t>(i)]));
  select_texts_->setChecked(c.select_texts);
  texts_with_->setPlainText(ToQString(TextOfLines(c.texts_with)));
  texts_without_->setPlainText(ToQString(TextOfLines(c.texts_without)));
  parts_only_->setChecked(c.parts_only);
  cut_line_start_->setValue(c.cut_line_start);
  for (int r = 0; r < kPartPairs && static_cast<size_t>(r) < c.parts.size(); ++r) {
    const TTextPart& part = c.parts[static_cast<size_t>(r)];
    parts_->setItem(r, 0, new QTableWidgetItem(ToQString(part.start)));
    parts_->setItem(r, 1, new QTableWidgetItem(ToQString(part.end)));
    parts_->item(r, 2)->setCheckState(part.cut ? Qt::Checked : Qt::Unchecked);
  }
}

TTagSettingsChoice TTagSettingsDialog::Choice() const {
  TTagSettingsChoice c;
  c.markup_brackets = FromQString(markup_->text().trimmed());
  c.longest_tag = longest_tag_->value();
  c.tag_treatment = tag_treatment_->currentIndex();
  c.keep = LinesOf(keep_);
  c.keep_colours = keep_colours_;
  c.keep_anyway = keep_anyway_;
  c.exclude = LinesOf(exclude_);
  c.entities = LinesOf(entities_);
  c.end_of_header = FromQString(header_->text().trimmed());
  for (int i = 0; i < kTextMarkerKinds; ++i) c.markers[static_cast<size_t>(i)] = FromQString(markers_[static_cast<size_t>(i)]->text());
  c.select_texts = select_texts_->isChecked();
  c.texts_with = LinesOf(texts_with_);
  c.texts_without = LinesOf(texts_without_);
  c.parts_only = parts_only_->isChecked();
  c.cut_line_start = cut_line_start_->value();
  for (int r = 0; r < kPartPairs; ++r) {
    TTextPart part{FromQString(Cell(parts_, r, 0)), FromQString(Cell(parts_, r, 1)),
                   parts_->item(r, 2) && parts_->item(r, 2)->checkState() == Qt::Checked};
    if (!part.start.empty() || !part.end.empty()) c.parts.push_back(part);
  }
  return c;
}

void TTagSettingsDialog::accept() {
  if (Refused(u"Tags", ApplyTagSettings(Choice()))) return;
  QDialog::accept();
}
