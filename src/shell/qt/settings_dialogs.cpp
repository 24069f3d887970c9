#include "shell/qt/settings_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/lemmatiser/lemmatiser.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/settings/settings_access.h"
#include "shell/qt/qt_application.h"

QDialogButtonBox* AddOkCancel(QDialog* d, QBoxLayout* layout) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
  layout->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, d, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, d, &QDialog::reject);
  return buttons;
}

QSpinBox* SettingsSpin(QWidget* parent, int lowest, int highest, int value) {
  auto* s = new QSpinBox(parent);
  s->setRange(lowest, highest);
  s->setValue(value);
  return s;
}

bool Refused(UStringView caption, const std::vector<UString>& problems) {
  if (problems.empty()) return false;
  UString text;
  for (const UString& p : problems) text += p + u"\n";
  VXMessageBox(caption, text, kBtnOK, TVXDialogKind::Warning);
  return true;
}

namespace {

// A path reads from its start: a path set while the user is not typing in it shows its first
// characters (the top folders), the whole path stands in its hint, and the box asks for room
// for the whole path (up to kWidestPathBox pixels).
constexpr int kWidestPathBox = 900;
void ShowPathFromItsStart(QLineEdit* edit) {
  auto fit = [edit] {
    if (!edit->hasFocus()) edit->setCursorPosition(0);
    edit->setToolTip(edit->text());
    const int wanted = edit->fontMetrics().horizontalAdvance(edit->text()) + 24;
    edit->setMinimumWidth(std::min(kWidestPathBox, std::max(200, wanted)));
  };
  QObject::connect(edit, &QLineEdit::textChanged, edit, fit);
  QObject::connect(edit, &QLineEdit::editingFinished, edit, [edit] { edit->setCursorPosition(0); });
  fit();
}

// A line edit with a button that fills it from a chooser.
QWidget* WithBrowse(QLineEdit* edit, bool folder, QWidget* parent) {
  ShowPathFromItsStart(edit);
  auto* row = new QWidget(parent);
  auto* l = new QHBoxLayout(row);
  l->setContentsMargins(0, 0, 0, 0);
  auto* browse = new QPushButton(QStringLiteral("Browse..."), row);
  l->addWidget(edit, 1);
  l->addWidget(browse);
  QObject::connect(browse, &QPushButton::clicked, row, [edit, folder, row] {
    const QString chosen = folder ? QFileDialog::getExistingDirectory(row, QString(), edit->text())
                                  : QFileDialog::getOpenFileName(row, QString(), edit->text());
    if (!chosen.isEmpty()) edit->setText(chosen);
  });
  return row;
}

}  // namespace

// --- font ----------------------------------------------------------------------------------------

TFontSettingsDialog::TFontSettingsDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Font"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  font_ = new QFontComboBox(this);
  size_ = new QSpinBox(this);
  size_->setRange(kMinFontPoints, kMaxFontPoints);
  size_->setSuffix(QStringLiteral(" pt"));
  form->addRow(QStringLiteral("Font of texts and lists"), font_);
  form->addRow(QStringLiteral("Size"), size_);
  // Texts whose accents follow their letters as separate characters then match words typed
  // with the accented letter, and show as one character.
  precomposed_ = new QCheckBox(QStringLiteral("Read accents as part of their letters (precomposed characters)"), this);
  form->addRow(precomposed_);
  layout->addLayout(form);
  AddOkCancel(this, layout);
  const TDisplayFont now = DisplayFontOf(GetTextSettings());
  if (!now.name.empty()) font_->setCurrentFont(QFont(ToQString(now.name)));
  size_->setValue(now.points >= kMinFontPoints ? now.points : 10);
  precomposed_->setChecked(GetTextSettings().PrecomposedCharacters());
}

void TFontSettingsDialog::accept() {
  TTextsett_rec32 settings = GetTextSettings();
  UString problem;
  if (!ApplyDisplayFont(settings, {FromQString(font_->currentFont().family()), size_->value()}, problem)) {
    Refused(u"Font", {problem});
    return;
  }
  settings.SetPrecomposedCharacters(precomposed_->isChecked());
  SetTextSettings(settings);
  QDialog::accept();
}

// --- folders -------------------------------------------------------------------------------------

TFolderSettingsDialog::TFolderSettingsDialog(uint8_t tool, QWidget* parent) : QDialog(parent), tool_(tool) {
  setWindowTitle(QStringLiteral("Folders"));
  resize(560, 0);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  const TFolderChoice now = CurrentFolders(tool);
  user_ = new QLineEdit(ToQString(now.user_folder), this);
  results_ = new QLineEdit(ToQString(now.results_folder), this);
  form->addRow(QStringLiteral("Your own folder (lists, logs, history)"), WithBrowse(user_, true, this));
  form->addRow(QStringLiteral("Results are saved in"), WithBrowse(results_, true, this));
  layout->addLayout(form);
  AddOkCancel(this, layout);
}

void TFolderSettingsDialog::accept() {
  if (Refused(u"Folders", ApplyFolders(tool_, {FromQString(user_->text().trimmed()), FromQString(results_->text().trimmed())})))
    return;
  QDialog::accept();
}

// --- lemma, match and stop lists -----------------------------------------------------------------

TListSettingsDialog::TListSettingsDialog(uint8_t tool, QWidget* parent) : QDialog(parent), tool_(tool) {
  setWindowTitle(QStringLiteral("Lemma, match and stop lists"));
  resize(620, 0);
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  const TListSettings now = CurrentListSettings(tool);
  for (int k = 0; k < kListsOffered; ++k) {
    const auto i = static_cast<size_t>(k);
    switches_[i] = new QCheckBox(ToQString(ListKindCaption(k)), this);
    switches_[i]->setChecked(now[i].Activated());
    files_[i] = new QLineEdit(ToQString(now[i].FileName()), this);
    files_[i]->setPlaceholderText(QStringLiteral("a plain-text file, one item a line"));
    grid->addWidget(WithBrowse(files_[i], false, this), 2 * k, 1);
    grid->addWidget(switches_[i], 2 * k, 0);
  }
  const TLemmaMatchStopSettingsRec& match = now[lmsMatch];
  auto* match_row = new QHBoxLayout;
  match_from_ = new QComboBox(this);
  match_from_->addItems({QStringLiteral("the file above"), QStringLiteral("the words typed here")});
  match_from_->setCurrentIndex(match.Kind() == kWordsTyped ? 1 : 0);
  match_typed_ = new QLineEdit(ToQString(match.TypedWords()), this);
  match_typed_->setMaxLength(kMostTypedMatchCharacters);
  match_typed_->setPlaceholderText(QStringLiteral("words separated by commas"));
  match_typed_->setEnabled(match_from_->currentIndex() == 1);
  connect(match_from_, &QComboBox::currentIndexChanged, match_typed_, [this](int i) { match_typed_->setEnabled(i == 1); });
  match_row->addWidget(new QLabel(QStringLiteral("Match words from"), this));
  match_row->addWidget(match_from_);
  match_row->addWidget(match_typed_, 1);
  grid->addLayout(match_row, 2 * lmsMatch + 1, 1);
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid);
  AddOkCancel(this, layout);
}

void TListSettingsDialog::accept() {
  TListSettings after = CurrentListSettings(tool_);
  for (int k = 0; k < kListsOffered; ++k) {
    const auto i = static_cast<size_t>(k);
    after[i].SetActivated(switches_[i]->isChecked());
    after[i].SetFileName(FromQString(files_[i]->text().trimmed()));
  }
  after[lmsMatch].SetKind(match_from_->currentIndex() == 1 ? kWordsTyped : kWordsFromFile);
  after[lmsMatch].SetTypedWords(FromQString(match_typed_->text().trimmed()));

  if (Refused(u"Lemma, match and stop lists", ApplyListSettings(tool_, after, codes_))) return;
  QDialog::accept();
}
