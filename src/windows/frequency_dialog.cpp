#include "windows/frequency_dialog.h"

#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QVBoxLayout>

#include "shell/qt/qt_application.h"
#include "windows/dialog_parts.h"

TFormFreqSpecify::TFormFreqSpecify(QWidget* parent) : TVXDialogForm(parent) {
  setWindowTitle(QStringLiteral("Specify frequency"));
  auto* column = new QVBoxLayout(this);
  // The phrases (the current one selected) stand above the words that point up to them.
  box_ = new QListWidget(this);
  box_->setObjectName(QStringLiteral("ElListBox1"));
  column->addWidget(box_);
  auto* label = new QLabel(QStringLiteral("Please specify the frequency of the search-phrase above in the corpus"), this);
  label->setObjectName(QStringLiteral("LabelAsk"));
  label->setWordWrap(true);
  column->addWidget(label);
  auto* why = new QLabel(QStringLiteral("(a word list holds single words, so it cannot give the frequency of a phrase)"), this);
  why->setWordWrap(true);
  column->addWidget(why);
  spin_ = new QSpinBox(this);
  spin_->setObjectName(QStringLiteral("ElSpinEdit1"));
  spin_->setRange(0, 1000000);
  spin_->setSingleStep(10);
  column->addWidget(spin_);
  connect(box_, &QListWidget::currentRowChanged, this, [this](int r) { list_.selected = r; });
  const TDialogButtons b = AddDialogButtons(this, column, true, 4700);
  connect(b.ok, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(b.cancel, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
}

void TFormFreqSpecify::ClearListbox() {
  list_ = {};
  Show();
}

void TFormFreqSpecify::SetLines(const std::vector<UString>& lines) {
  list_.lines = lines;
  list_.selected = -1;
  Show();
}

void TFormFreqSpecify::Show() {
  const int selected = list_.selected;
  box_->clear();
  for (const UString& l : list_.lines) box_->addItem(ToQString(l));
  box_->setCurrentRow(selected);
  list_.selected = selected;
}

int32_t TFormFreqSpecify::KnownFrequency() {
  const int32_t v = ::KnownFrequency(list_, current_search_phrase);
  Show();
  spin_->setValue(v);
  return v;
}

void TFormFreqSpecify::OKClick() {
  const TNumberInput r = StoreFrequency(list_, current_search_phrase, FromQString(spin_->cleanText()));
  if (!r.ok) {
    ShowRefusal(r.message);
    return;
  }
  Show();
  SetModalResult(mrOK);
}
