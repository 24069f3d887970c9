#include "windows/search_replace_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include "model/lists/grid_headings.h"
#include "model/lists/result_list_base.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "shell/grid_tools/grid_cells.h"
#include "shell/qt/help_access.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/qt_dialog_service.h"
#include "shell/qt/vx_grid.h"

bool autosearch_confirm = true;

// --- the list grid ---------------------------------------------------------------------------------

TListGridSearchTarget::TListGridSearchTarget(TVX_Grid* grid, TReplace replace, TShowHit show_hit,
                                             TShowFormat show_format)
    : grid_(grid), replace_(std::move(replace)), show_hit_(std::move(show_hit)), show_format_(std::move(show_format)) {}

std::vector<std::pair<UString, int>> TListGridSearchTarget::Choices() {
  std::vector<std::pair<UString, int>> out;
  TVXBaseDataClass* list = grid_ ? grid_->List() : nullptr;
  if (!list) return out;
  EnsureGridHeadings(*list);
  for (const TGrid_head32& h : list->grid_headings)
    if (h.visible && h.column_number != 0) out.emplace_back(h.heading, h.column_number);
  return out;
}

int TListGridSearchTarget::CurrentChoice() { return grid_ ? grid_->CurrentColumn() : -1; }

int TListGridSearchTarget::Rows() { return grid_ && grid_->List() ? grid_->List()->TotalRowCount() : 0; }

bool TListGridSearchTarget::CellText(int row, int choice, UString& text) {
  if (!grid_ || !grid_->List()) return false;
  // As the grid shows it (its decimals, its letter case).
  text = GridCellText(grid_->Model().Source().Cell(row + 1, choice));
  return true;
}

bool TListGridSearchTarget::Replace(int row, int choice, const UString& text) {
  if (!grid_ || !replace_) return false;
  const bool done = replace_(grid_, choice, row + 1, text);
  if (done) grid_->Model().Source().Invalidate();
  return done;
}

bool TListGridSearchTarget::CanReplace(int choice) {
  TVXBaseDataClass* list = grid_ ? grid_->List() : nullptr;
  if (!list || !replace_) return false;
  if (const auto* added = list->AddedColumn(choice)) return added->set_column;
  return list->CanEdit(choice);
}

void TListGridSearchTarget::ShowHit(int row, int choice, int hit_number) {
  if (!grid_) return;
  // A hit in the first rows leaves the top row where it is.
  if (row + 1 > 1) grid_->SetTopRow(row);
  grid_->SelectCell(row + 1, choice);
  if (show_hit_) show_hit_(grid_, choice, row + 1, hit_number);
}

void TListGridSearchTarget::Refresh() {
  if (grid_) grid_->ListChanged();
}

void TListGridSearchTarget::SearchStarted(int choice, const std::vector<UString>& items) {
  if (grid_ && show_format_) show_format_(grid_, choice, items);
}

void TListGridSearchTarget::ClearSearchDisplay() {
  if (!grid_) return;
  grid_->Model().Source().ClearSearchDisplay();
  grid_->ListChanged();
}

// --- the dialog ------------------------------------------------------------------------------------

TSearchReplaceDlg::TSearchReplaceDlg(QWidget* parent) : TVXStylableForm<QWidget>(parent, Qt::Tool) {
  setWindowTitle(QStringLiteral("Search & Replace"));
  SetKeepGeometry(false);
  SetHelpContext(this, 1440);
  auto* outer = new QVBoxLayout(this);
  auto* top = new QGridLayout;
  top->addWidget(new QLabel(QStringLiteral("Search for"), this), 0, 0);
  search_ = new QComboBox(this);
  search_->setObjectName(QStringLiteral("ElComboBoxSearch"));
  search_->setEditable(true);
  search_->setInsertPolicy(QComboBox::NoInsert);
  top->addWidget(search_, 0, 1);
  top->addWidget(new QLabel(QStringLiteral("Search column"), this), 1, 0);
  columns_ = new QListWidget(this);
  columns_->setObjectName(QStringLiteral("ElListBox1"));
  columns_->setMaximumHeight(90);
  top->addWidget(columns_, 1, 1);
  outer->addLayout(top);
  bottom_ = new QWidget(this);
  bottom_->setObjectName(QStringLiteral("PanelBottom"));
  auto* bl = new QVBoxLayout(bottom_);
  bl->setContentsMargins(0, 0, 0, 0);
  bl->addWidget(new QLabel(QStringLiteral("context"), bottom_));
  context_ = new QPlainTextEdit(bottom_);
  context_->setObjectName(QStringLiteral("ElEditContextWhereFound"));
  context_->setReadOnly(true);
  context_->setMaximumHeight(70);
  bl->addWidget(context_);
  replace_label_ = new QLabel(QStringLiteral("Replace with"), bottom_);
  replace_label_->setObjectName(QStringLiteral("ReplaceLabel"));
  bl->addWidget(replace_label_);
  replace_ = new QComboBox(bottom_);
  replace_->setObjectName(QStringLiteral("ElComboBoxReplace"));
  replace_->setEditable(true);
  replace_->setInsertPolicy(QComboBox::NoInsert);
  bl->addWidget(replace_);
  preview_ = new QLineEdit(bottom_);
  preview_->setObjectName(QStringLiteral("ElEditReplacement"));
  preview_->setReadOnly(true);
  bl->addWidget(preview_);
  auto* answers = new QHBoxLayout;
  yes_ = new QPushButton(QStringLiteral("Yes"), bottom_);
  yes_->setObjectName(QStringLiteral("ButtonYes"));
  skip_ = new QPushButton(QStringLiteral("Skip"), bottom_);
  skip_->setObjectName(QStringLiteral("ButtonSkip"));
  yes_all_ = new QPushButton(QStringLiteral("yes All"), bottom_);
  yes_all_->setObjectName(QStringLiteral("ButtonAll"));
  skip_all_ = new QPushButton(QStringLiteral("skip All"), bottom_);
  skip_all_->setObjectName(QStringLiteral("ButtonSkipAll"));
  confirm_ = new QCheckBox(QStringLiteral("Confirm each"), bottom_);
  confirm_->setObjectName(QStringLiteral("AdvOfficeCheckBoxConfirm"));
  for (QWidget* w : std::initializer_list<QWidget*>{yes_, skip_, yes_all_, skip_all_, confirm_}) answers->addWidget(w);
  bl->addLayout(answers);
  outer->addWidget(bottom_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setObjectName(QStringLiteral("ButtonOK"));
  ok_->setDefault(true);
  auto* help = new QPushButton(QStringLiteral("Help"), this);
  help->setObjectName(QStringLiteral("ButtonHelp"));
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("ButtonCancel"));
  buttons->addWidget(ok_);
  buttons->addWidget(help);
  buttons->addWidget(cancel_);
  outer->addLayout(buttons);
  connect(ok_, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(yes_, &QPushButton::clicked, this, [this] { YesClick(); });
  connect(skip_, &QPushButton::clicked, this, [this] { SkipClick(); });
  connect(yes_all_, &QPushButton::clicked, this, [this] { YesAllClick(); });
  connect(skip_all_, &QPushButton::clicked, this, [this] { SkipAllClick(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { CancelClick(); });
  connect(help, &QPushButton::clicked, this, [this] { OpenHelpPage(replace_too_ ? 1420 : 1440); });
  connect(search_->lineEdit(), &QLineEdit::returnPressed, this, [this] { OKClick(); });
  resize(460, 360);
}

TSearchReplaceDlg::~TSearchReplaceDlg() = default;

void TSearchReplaceDlg::Setup(bool replace_too, std::unique_ptr<TSearchTarget> target) {
  busy_ = false;
  run_.Cancel();
  context_->clear();
  preview_->clear();
  target_ = std::move(target);
  replace_too_ = replace_too;
  // The bottom right of the screen's room; where the window system places windows itself this
  // is a wish only.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect room = screen->availableGeometry();
    move(room.right() - width() - 10, room.bottom() - height() - 40);
  }
}

void TSearchReplaceDlg::FormShow() {
  ok_->setVisible(true);
  replace_label_->setVisible(replace_too_);
  replace_->setVisible(replace_too_);
  preview_->setVisible(replace_too_);
  yes_all_->setVisible(replace_too_);
  skip_all_->setVisible(replace_too_);
  yes_->setText(replace_too_ ? QStringLiteral("Yes") : QStringLiteral("Next"));
  columns_->clear();
  if (target_) {
    const int current = target_->CurrentChoice();
    for (const auto& [caption, choice] : target_->Choices()) {
      auto* item = new QListWidgetItem(ToQString(caption.substr(0, target_->IsTextGrid() ? 50 : caption.size())), columns_);
      item->setData(Qt::UserRole, choice);
      if (choice == current) columns_->setCurrentItem(item);
    }
    if (!columns_->currentItem() && columns_->count() > 0) columns_->setCurrentRow(0);
  }
  confirm_->setChecked(autosearch_confirm);
  setWindowTitle(ToQString(VXRes(replace_too_ ? TVXRes::VXSearchAndReplace : TVXRes::VXSearch)));
  search_->setFocus();
}

void TSearchReplaceDlg::hideEvent(QHideEvent* e) {
  if (!e->spontaneous()) {
    run_.Cancel();
    busy_ = false;
  }
  TVXStylableForm<QWidget>::hideEvent(e);
}

int TSearchReplaceDlg::Choice() const { return columns_->currentItem() ? columns_->currentItem()->data(Qt::UserRole).toInt() : -1; }

void TSearchReplaceDlg::OKClick() {
  // Only searching, OK during a search moves on to the next hit.
  if (busy_ && !replace_too_) {
    SkipClick();
    return;
  }
  const UString typed = TrimU(FromQString(search_->currentText()));
  if (typed.empty()) {
    hide();
    VXDialog(TVXDialog::PleaseMakeAChoiceForXAction, {VXRes(TVXRes::VXSearch)});
    return;
  }
  const UString bad = TSearchReplaceRun::BadSearchItem(typed);
  if (!bad.empty()) {
    VXDialog(TVXDialog::InformationMessage, {bad + u" could match nothing at all: nothing was searched."});
    return;
  }
  if (search_->findText(ToQString(typed)) < 0) search_->insertItem(0, ToQString(typed));
  const QString replacement = replace_->currentText();
  if (replace_too_ && replace_->findText(replacement) < 0) replace_->insertItem(0, replacement);
  autosearch_confirm = confirm_->isChecked();
  if (!target_) return;
  const int choice = Choice();
  // A replacement the column would not take is said before anything is searched.
  if (replace_too_ && !target_->CanReplace(choice)) {
    const UString column = columns_->currentItem() ? FromQString(columns_->currentItem()->text()) : UString();
    VXDialog(TVXDialog::InformationMessage,
             {u"The cells of the column \"" + column + u"\" cannot be changed: nothing was searched. Choose a column "
              u"whose cells you may set (a Set column) or search without replacing."});
    return;
  }
  TSearchTarget* target = target_.get();
  TSearchReplaceOwner owner{[target] { return target->Rows(); },
                            [target, choice](int row, UString& text) { return target->CellText(row, choice, text); },
                            [target, choice](int row, const UString& text) { return target->Replace(row, choice, text); }};
  const std::vector<UString> items{typed};
  // The grid still shows the last search's hits: when this search is another, the user may have
  // them cleared first.
  if (SearchDiffersFromLast(last_sw_, items)) {
    target->Refresh();
    if (IsYes(VXDialog(TVXDialog::ClearTheSearch))) target->ClearSearchDisplay();
  }
  last_sw_ = typed;
  target->SearchStarted(choice, items);
  hits_shown_ = 0;
  if (!run_.Start(items, replace_too_, FromQString(replacement), autosearch_confirm, owner)) return;
  busy_ = true;
  Step();
}

void TSearchReplaceDlg::Step() {
  for (;;) {
    const TSearchState state = run_.Advance();
    if (state == TSearchState::kWaiting) {
      ShowCurrentHit();
      return;
    }
    if (state == TSearchState::kPassEnded) {
      const UString quoted = u"\"" + TrimU(FromQString(search_->currentText())) + u"\"";
      run_.ContinueAfterPass(VXDialog(TVXDialog::SearchFailedToFindAnyMoreX, {quoted}) != mrCancel);
      continue;
    }
    break;
  }
  busy_ = false;
  if (run_.FoundNothing())
    VXDialog(TVXDialog::SearchFailedToFindTryAsterisk, {u"\"" + TrimU(FromQString(search_->currentText())) + u"\""});
  autosearch_confirm = run_.ConfirmEach() && confirm_->isChecked();
  confirm_->setChecked(autosearch_confirm);
  if (target_) target_->Refresh();
}

void TSearchReplaceDlg::ShowCurrentHit() {
  const TSearchHit& hit = run_.Current();
  if (target_) target_->ShowHit(hit.row, Choice(), ++hits_shown_);
  const QString context = ToQString(run_.ContextText());
  context_->setPlainText(context);
  QTextCursor c = context_->textCursor();
  c.setPosition(run_.ContextOffset());
  c.setPosition(run_.ContextOffset() + hit.length, QTextCursor::KeepAnchor);
  context_->setTextCursor(c);
  if (replace_too_) {
    preview_->setText(ToQString(run_.PreviewText()));
    const int replaced_length = static_cast<int>(FromQString(replace_->currentText()).size());
    preview_->setSelection(hit.offset, replaced_length);
  }
}

void TSearchReplaceDlg::YesClick() {
  run_.Yes();
  Step();
}
void TSearchReplaceDlg::SkipClick() {
  run_.Skip();
  Step();
}
void TSearchReplaceDlg::YesAllClick() {
  autosearch_confirm = false;
  confirm_->setChecked(false);
  run_.YesAll();
  Step();
}
void TSearchReplaceDlg::SkipAllClick() {
  run_.SkipAll();
  CancelClick();
}
void TSearchReplaceDlg::CancelClick() {
  busy_ = false;
  run_.Cancel();
  hide();
}
void TSearchReplaceDlg::Stop() { CancelClick(); }
