#include "windows/filename_replace_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "shell/qt/qt_application.h"
#include "shell/settings/small_dialog_rules.h"
#include "windows/dialog_parts.h"

TFormSearchAndReplaceFilename::TFormSearchAndReplaceFilename(QWidget* parent) : TVXDialogForm(parent) {
  setWindowTitle(QStringLiteral("Search and Replace -- filenames"));
  auto* column = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  search_label_ = new QLabel(QStringLiteral("path"), this);
  search_label_->setObjectName(QStringLiteral("ElLabel1"));
  search_ = new QLineEdit(this);
  search_->setObjectName(QStringLiteral("ElEditSearch"));
  search_->setMinimumWidth(280);
  replacement_ = new QLineEdit(this);
  replacement_->setObjectName(QStringLiteral("ElEditReplacement"));
  grid->addWidget(search_label_, 0, 0);
  grid->addWidget(search_, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("replacement"), this), 1, 0);
  grid->addWidget(replacement_, 1, 1);
  column->addLayout(grid);
  group_ = new QGroupBox(QStringLiteral("replacement within"), this);
  group_->setObjectName(QStringLiteral("ElRadioGroup1"));
  auto* g = new QVBoxLayout(group_);
  within_ = new QButtonGroup(this);
  auto* path = new QRadioButton(QStringLiteral("the path only"), group_);
  auto* name = new QRadioButton(QStringLiteral("the filename only"), group_);
  within_->addButton(path, 0);
  within_->addButton(name, 1);
  g->addWidget(path);
  g->addWidget(name);
  path->setChecked(true);
  column->addWidget(group_);
  connect(within_, &QButtonGroup::idClicked, this, [this](int) { FollowChoice(); });
  const TDialogButtons b = AddDialogButtons(this, column, true, 1420);
  connect(b.ok, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(b.cancel, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
}

UString TFormSearchAndReplaceFilename::SearchText() const { return FromQString(search_->text()); }
UString TFormSearchAndReplaceFilename::Replacement() const { return FromQString(replacement_->text()); }
int TFormSearchAndReplaceFilename::Within() const { return within_->checkedId(); }

void TFormSearchAndReplaceFilename::SetWithin(int item) {
  if (auto* b = within_->button(item)) b->setChecked(true);
  FollowChoice();
}

void TFormSearchAndReplaceFilename::SetChoiceEnabled(bool enabled) {
  group_->setEnabled(enabled);
  FollowChoice();
}

void TFormSearchAndReplaceFilename::FollowChoice() {
  search_label_->setText(ToQString(FilenameSearchLabel(group_->isEnabled(), Within())));
}

void TFormSearchAndReplaceFilename::FormShow() {
  FollowChoice();
  search_->setFocus();
}

void TFormSearchAndReplaceFilename::OKClick() {
  if (search_->text().isEmpty()) {
    ShowRefusal(u"Please type what to search for in the file names.");
    return;
  }
  SetModalResult(mrOK);
}
