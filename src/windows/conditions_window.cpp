#include "windows/conditions_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "model/lists/grid_headings.h"
#include "model/lists/result_list_base.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "shell/grid_tools/condition_window_rules.h"
#include "shell/qt/help_access.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/qt_dialog_service.h"
#include "shell/qt/vx_grid.h"
#include "windows/dialog_parts.h"

namespace {

constexpr int kColumnRole = Qt::UserRole, kTypeRole = Qt::UserRole + 1, kRecordRole = Qt::UserRole + 2;

QComboBox* EditableCombo(QWidget* parent, const char* name) {
  auto* c = new QComboBox(parent);
  c->setObjectName(QString::fromLatin1(name));
  c->setEditable(true);
  c->setInsertPolicy(QComboBox::NoInsert);
  return c;
}

QColor FromBGR(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// A condition line over as many lines as its text needs beside the check box.
class TConditionItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QFontMetrics fm(option.font);
    const int text = fm.horizontalAdvance(index.data().toString());
    const int room = option.rect.width() - 24;
    return QSize(option.rect.width(), fm.height() * ConditionItemLines(text, room) / 2 + 6);
  }
};

}  // namespace

// --- the editor ------------------------------------------------------------------------------------

TFormSearchRequirements::TFormSearchRequirements(QWidget* parent) : TVXDialogForm(parent) {
  setWindowTitle(QStringLiteral("Search Requirements"));
  auto* outer = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  label_column_ = new QLabel(this);
  column_ = new QComboBox(this);
  column_->setObjectName(QStringLiteral("AdvComboBoxDataColumn"));
  label_condition_ = new QLabel(this);
  condition_ = new QComboBox(this);
  condition_->setObjectName(QStringLiteral("AdvComboBoxCondition"));
  label_x_ = new QLabel(QStringLiteral("X:"), this);
  input_ = EditableCombo(this, "ElComboInputText");
  label_and_ = new QLabel(QStringLiteral("and Y:"), this);
  up_to_ = EditableCombo(this, "ElComboText1UpToValue2");
  use_other_ = new QCheckBox(QStringLiteral("data from other column"), this);
  use_other_->setObjectName(QStringLiteral("AdvOfficeCheckBoxUseOtherDataColumn"));
  column2_ = new QComboBox(this);
  column2_->setObjectName(QStringLiteral("AdvComboBoxDataColumn2"));
  n_words_ = new QSpinBox(this);
  n_words_->setObjectName(QStringLiteral("AdvSpinEditNWords"));
  n_words_->setRange(1, 99);
  n_words_->setValue(5);
  n_words_->setPrefix(QStringLiteral("within "));
  label_words_ = new QLabel(QStringLiteral("words of W:"), this);
  second_word_ = EditableCombo(this, "ElCombo2ndWord");
  opposite_ = new QCheckBox(QStringLiteral("negative"), this);
  opposite_->setObjectName(QStringLiteral("AdvOfficeCheckBoxOpposite"));
  int r = 0;
  grid->addWidget(label_column_, r, 0);
  grid->addWidget(column_, r++, 1, 1, 2);
  grid->addWidget(label_condition_, r, 0);
  grid->addWidget(condition_, r++, 1, 1, 2);
  grid->addWidget(label_x_, r, 0);
  grid->addWidget(input_, r++, 1, 1, 2);
  grid->addWidget(label_and_, r, 0);
  grid->addWidget(up_to_, r++, 1, 1, 2);
  grid->addWidget(use_other_, r, 1);
  grid->addWidget(column2_, r++, 2);
  grid->addWidget(n_words_, r, 0);
  grid->addWidget(label_words_, r, 1);
  grid->addWidget(second_word_, r++, 2);
  grid->addWidget(opposite_, r++, 1);
  outer->addLayout(grid);
  goal_ = new QLabel(this);
  goal_->setObjectName(QStringLiteral("LabelGoal"));
  goal_->setWordWrap(true);
  goal_->setMinimumHeight(40);
  outer->addWidget(goal_);
  const TDialogButtons b = AddDialogButtons(this, outer, true, 5320);
  connect(b.ok, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(b.cancel, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
  auto recompute = [this] { RecomputeTheSettings(); };
  connect(column_, &QComboBox::currentIndexChanged, this, [this] { FillConditions(); });
  connect(n_words_, &QSpinBox::valueChanged, this, [this] { FillConditions(); });
  connect(condition_, &QComboBox::currentIndexChanged, this, recompute);
  connect(input_, &QComboBox::currentTextChanged, this, recompute);
  connect(up_to_, &QComboBox::currentTextChanged, this, recompute);
  connect(second_word_, &QComboBox::currentTextChanged, this, recompute);
  connect(column2_, &QComboBox::currentIndexChanged, this, recompute);
  connect(opposite_, &QCheckBox::toggled, this, recompute);
  connect(use_other_, &QCheckBox::toggled, this, [this](bool on) {
    input_->setEnabled(!on);
    RecomputeTheSettings();
  });
  SetRequirementNumber(0);
  resize(520, 320);
}

uint8_t TFormSearchRequirements::ColumnType(const QComboBox* combo) const {
  return static_cast<uint8_t>(combo->currentIndex() >= 0 ? combo->currentData(kTypeRole).toInt() : kDataText);
}

uint8_t TFormSearchRequirements::ChosenSeek() const {
  return static_cast<uint8_t>(condition_->currentIndex() >= 0 ? condition_->currentData().toInt() : 0);
}

void TFormSearchRequirements::SetTheHeaders(TVXBaseDataClass* list, int column) {
  filling_ = true;
  column_->clear();
  column2_->clear();
  if (list) {
    EnsureGridHeadings(*list);
    for (const TGrid_head32& h : list->grid_headings) {
      if (!h.visible || h.column_number == 0) continue;
      for (QComboBox* c : {column_, column2_}) {
        c->addItem(ToQString(h.heading));
        c->setItemData(c->count() - 1, h.column_number, kColumnRole);
        c->setItemData(c->count() - 1, h.numeric ? kDataNumber : kDataText, kTypeRole);
      }
    }
  }
  const int at = column_->findData(column, kColumnRole);
  column_->setCurrentIndex(at);
  column2_->setCurrentIndex(at);
  filling_ = false;
  FillConditions();
}

void TFormSearchRequirements::SetRequirementNumber(int n) {
  current_order_ = n == 1 ? 1 : 0;
  editing_ = rec_.req[current_order_];
  label_column_->setText(ToQString(VXResFmt(TVXRes::VXDataColumnNum, {IntToUStr(current_order_ + 1)})));
  label_condition_->setText(ToQString(VXResFmt(TVXRes::VXConditionNum, {IntToUStr(current_order_ + 1)})));
  // The controls show the copy being edited.
  filling_ = true;
  if (editing_.data_column >= 0) {
    const int at = column_->findData(editing_.data_column, kColumnRole);
    if (at >= 0) column_->setCurrentIndex(at);
  }
  input_->setEditText(ToQString(editing_.text1));
  up_to_->setEditText(ToQString(editing_.text2));
  second_word_->setEditText(ToQString(editing_.second_word));
  n_words_->setValue(std::max(1, editing_.n_words));
  opposite_->setChecked(editing_.opposite);
  use_other_->setChecked(editing_.use_other_column);
  filling_ = false;
  FillConditions();
  if (editing_.seek != kSeekNone) {
    const int at = condition_->findData(editing_.seek);
    if (at >= 0) condition_->setCurrentIndex(at);
  }
}

void TFormSearchRequirements::FillConditions() {
  if (filling_) return;
  filling_ = true;
  const uint8_t before = ChosenSeek();
  const uint8_t type = ColumnType(column_);
  condition_->clear();
  const std::vector<uint8_t> offered = SeekKindsOffered(type);
  for (uint8_t s : offered) condition_->addItem(ToQString(ConditionCaption(s, type, n_words_->value())), s);
  condition_->setCurrentIndex(ReselectSeekKind(offered, before));
  filling_ = false;
  RecomputeTheSettings();
}

void TFormSearchRequirements::RecomputeTheSettings() {
  if (filling_ || column_->count() == 0 || column_->currentIndex() < 0) return;
  TSearchRequirement& r = editing_;
  const uint8_t s = ChosenSeek();
  r.seek = s;
  r.data_column = column_->currentData(kColumnRole).toInt();
  r.data_type = ColumnType(column_);
  r.column_name = FromQString(column_->currentText());
  const TSeekInputs in = InputsOfSeekKind(s);
  input_->setVisible(in.x);
  label_x_->setVisible(in.x);
  use_other_->setVisible(in.other_column);
  column2_->setVisible(in.other_column && use_other_->isChecked());
  up_to_->setVisible(in.y);
  label_and_->setVisible(in.y);
  second_word_->setVisible(in.second_word);
  n_words_->setVisible(in.second_word);
  label_words_->setVisible(in.second_word);
  r.valid = s != kSeekNone;
  if (!r.valid) {
    goal_->clear();
    return;
  }
  if (in.second_word) {
    r.n_words = n_words_->value();
    r.second_word = FromQString(second_word_->currentText());
  }
  r.text1 = FromQString(input_->currentText());
  r.text2 = FromQString(up_to_->currentText());
  r.use_other_column = use_other_->isChecked();
  if (r.use_other_column) {
    if (column2_->currentIndex() < 0) return;
    r.other_column = column2_->currentData(kColumnRole).toInt();
    r.data_type2 = ColumnType(column2_);
    r.other_column_name = FromQString(column2_->currentText());
  }
  r.opposite = opposite_->isChecked();
  goal_->setText(ToQString(SearchRequirementToText(r)));
}

void TFormSearchRequirements::OKClick() {
  RecomputeTheSettings();
  TSearchRequirement r = editing_;
  // A value the column cannot hold would find nothing, silently: the editor stays open.
  if (const UString why = r.valid ? RequirementInputProblem(r) : UString(); !why.empty()) {
    VXDialog(TVXDialog::InformationMessage, {why});
    return;
  }
  r.valid = r.valid && r.seek != kSeekNone && !(current_order_ == 1 && IdenticalSearchRequirements(r, rec_.req[0]));
  rec_.req[current_order_] = r;
  if (fOnReportRequirement) fOnReportRequirement(this, FromQString(goal_->text()));
  SetModalResult(mrOK);
}

void TFormSearchRequirements::ClearTheDecks() {
  goal_->clear();
  rec_ = TDoubleSearchCategoryRec();
  editing_ = TSearchRequirement();
}

// --- the window ------------------------------------------------------------------------------------

TFormTestWhether::TFormTestWhether(QWidget* parent) : TVXStylableForm<QWidget>(parent, Qt::Window) {
  setWindowTitle(ToQString(VXRes(TVXRes::VXFind)));
  editor_ = new TFormSearchRequirements(this);
  editor_->fOnReportRequirement = [this](TFormSearchRequirements* s, const UString& t) { ReportRequirement(s, t); };
  auto* outer = new QVBoxLayout(this);
  goal_overall_ = new QLabel(ToQString(VXRes(TVXRes::VXSearchTip)), this);
  goal_overall_->setObjectName(QStringLiteral("LabelGoalOverall"));
  goal_overall_->setWordWrap(true);
  goal_overall_->setMinimumHeight(44);
  outer->addWidget(goal_overall_);
  auto* reqs = new QHBoxLayout;
  main_ = new QPushButton(QStringLiteral("Main Requirement"), this);
  main_->setObjectName(QStringLiteral("AdvGlowButtonMainRequirement"));
  additional_ = new QPushButton(ToQString(VXRes(TVXRes::VXAdditionalRequirement)), this);
  additional_->setObjectName(QStringLiteral("AdvGlowButtonAdditionalRequirement"));
  reqs->addWidget(main_);
  reqs->addWidget(additional_);
  outer->addLayout(reqs);
  auto* link_box = new QGroupBox(QStringLiteral("Additional requirement"), this);
  link_box->setObjectName(QStringLiteral("AdvOfficeRadioGroupLinkage"));
  auto* ll = new QHBoxLayout(link_box);
  linkage_ = new QButtonGroup(this);
  int id = 0;
  for (const char* t : {"and", "or", "but not"}) {
    auto* b = new QRadioButton(QString::fromLatin1(t), link_box);
    linkage_->addButton(b, id++);
    ll->addWidget(b);
  }
  linkage_->button(0)->setChecked(true);
  outer->addWidget(link_box);
  auto* finds = new QHBoxLayout;
  find_ = new QPushButton(QStringLiteral("Find"), this);
  find_->setObjectName(QStringLiteral("AdvGlowButtonFindNext"));
  find_all_ = new QPushButton(QStringLiteral("Find all"), this);
  find_all_->setObjectName(QStringLiteral("ButtonFindAll"));
  up_ = new QCheckBox(QStringLiteral("search up"), this);
  up_->setObjectName(QStringLiteral("AdvOfficeCheckBoxSearchUp"));
  hits_ = new QLabel(this);
  hits_->setObjectName(QStringLiteral("LabelHits"));
  auto* help = new QPushButton(QStringLiteral("Help"), this);
  help->setObjectName(QStringLiteral("ButtonHelp"));
  finds->addWidget(find_);
  finds->addWidget(find_all_);
  finds->addWidget(up_);
  finds->addWidget(hits_, 1);
  finds->addWidget(help);
  outer->addLayout(finds);
  bottom_ = new QWidget(this);
  bottom_->setObjectName(QStringLiteral("ContainBoxBottom"));
  auto* bl = new QHBoxLayout(bottom_);
  searches_ = new QListWidget(bottom_);
  searches_->setObjectName(QStringLiteral("CheckListBoxTop"));
  searches_->setWordWrap(true);
  searches_->setItemDelegate(new TConditionItemDelegate(searches_));
  colours_ = new QListWidget(bottom_);
  colours_->setObjectName(QStringLiteral("ColourSharingListbox1"));
  colours_->setMaximumWidth(140);
  const std::pair<const char*, uint32_t> colours[] = {{"yellow", 0x00FFFF}, {"pale green", 0xC0F0C0},
                                                      {"pale blue", 0xFFE0C0}, {"pink", 0xD0C0FF},
                                                      {"orange", 0x40B0FF}, {"grey", 0xD0D0D0}};
  for (const auto& [name, bgr] : colours) {
    auto* item = new QListWidgetItem(QString::fromLatin1(name), colours_);
    item->setData(Qt::DecorationRole, FromBGR(bgr));
    item->setData(Qt::UserRole, bgr);
  }
  colours_->sortItems();
  colours_->setCurrentRow(0);
  auto* bb = new QVBoxLayout;
  add_ = new QPushButton(QStringLiteral("Add a search"), bottom_);
  add_->setObjectName(QStringLiteral("AdvGlowButtonAdd"));
  delete_ = new QPushButton(QStringLiteral("Delete"), bottom_);
  delete_->setObjectName(QStringLiteral("AdvGlowButtonDelete"));
  sort_ = new QPushButton(QStringLiteral("Show sorted"), bottom_);
  sort_->setObjectName(QStringLiteral("AdvGlowButtonSortTheList"));
  clear_ = new QPushButton(QStringLiteral("Clear colours"), bottom_);
  clear_->setObjectName(QStringLiteral("AdvGlowButtonClearColours"));
  for (QPushButton* b : {add_, delete_, sort_, clear_}) bb->addWidget(b);
  bb->addStretch();
  bl->addWidget(searches_, 1);
  bl->addWidget(colours_);
  bl->addLayout(bb);
  outer->addWidget(bottom_, 1);
  connect(main_, &QPushButton::clicked, this, [this] { EditRequirement(0); });
  connect(additional_, &QPushButton::clicked, this, [this] { EditRequirement(1); });
  connect(find_, &QPushButton::clicked, this, [this] { FindClick(true); });
  connect(find_all_, &QPushButton::clicked, this, [this] { FindClick(false); });
  connect(add_, &QPushButton::clicked, this, [this] { AddClick(); });
  connect(delete_, &QPushButton::clicked, this, [this] { DeleteClick(); });
  connect(sort_, &QPushButton::clicked, this, [this] { SortClick(); });
  connect(clear_, &QPushButton::clicked, this, [this] { ClearColoursClick(); });
  connect(help, &QPushButton::clicked, this, [this] { OpenHelpPage(HelpContextOf(this)); });
  connect(linkage_, &QButtonGroup::idClicked, this, [this](int link) {
    editor_->SetLinkType(static_cast<uint8_t>(link));
    goal_overall_->setText(ToQString(LineNow()));
  });
  resize(560, 420);
}

TVXBaseDataClass* TFormTestWhether::List() const { return grid_ ? list_ : nullptr; }

void TFormTestWhether::SetTheHeaders(TVX_Grid* grid, int action_tag, int help_context) {
  SetHelpContext(this, help_context);
  action_tag_ = action_tag;
  grid_ = grid;
  list_ = grid ? grid->List() : nullptr;
  if (list_) list_->search_position = 0;
  editor_->SetTheHeaders(list_, grid ? grid->CurrentColumn() : -1);
  goal_overall_->setText(ToQString(VXRes(TVXRes::VXSearchTip)));
  switch (action_tag) {
    case 85:
      SetHelpContext(this, 5320);
      bottom_->hide();
      setWindowTitle(ToQString(VXRes(TVXRes::VXDeleteIf)));
      break;
    case 194:
      SetHelpContext(this, 5610);
      bottom_->show();
      setWindowTitle(ToQString(VXRes(TVXRes::VXColourCategories)));
      break;
    default:
      SetHelpContext(this, 6170);
      bottom_->hide();
      setWindowTitle(ToQString(VXRes(TVXRes::VXFind)));
      break;
  }
  // Only Find goes from hit to hit; the other two act on every row that meets the condition.
  find_->setVisible(action_tag == 170);
  up_->setVisible(action_tag == 170);
  find_all_->setText(action_tag == 85    ? QStringLiteral("Delete all")
                     : action_tag == 194 ? QStringLiteral("Colour all")
                                         : QStringLiteral("Find all"));
  const bool valid = editor_->DoubleCategoryRec().req[0].valid;
  EnableSearchButtons(valid);
  if (valid) goal_overall_->setText(ToQString(LineNow()));
}

void TFormTestWhether::Stop() {
  grid_ = nullptr;
  list_ = nullptr;
}

void TFormTestWhether::ClearTheDecks() {
  editor_->ClearTheDecks();
  hits_->clear();
  goal_overall_->clear();
  current_order_ = 0;
  EnableSearchButtons(false);
  main_->setText(QStringLiteral("Main Requirement"));
  additional_->setText(ToQString(VXRes(TVXRes::VXAdditionalRequirement)));
}

void TFormTestWhether::EditRequirement(int order) {
  current_order_ = order;
  editor_->SetLinkType(static_cast<uint8_t>(std::max(0, linkage_->checkedId())));
  editor_->SetRequirementNumber(order);
  if (editor_->ShowModal() == mrOK) EnableSearchButtons(true);
}

UString TFormTestWhether::LineNow() const { return ConditionLine(editor_->DoubleCategoryRec(), static_cast<uint8_t>(current_order_ == 0 && !editor_->DoubleCategoryRec().req[1].valid ? 0 : 1)); }

void TFormTestWhether::ReportRequirement(TFormSearchRequirements* sender, const UString& text) {
  if (sender != editor_) return;
  editor_->SetTextVersion(text);
  editor_->SetLinkType(static_cast<uint8_t>(std::max(0, linkage_->checkedId())));
  goal_overall_->setText(ToQString(LineNow()));
  const bool valid = editor_->DoubleCategoryRec().req[current_order_].valid;
  UString caption = VXRes(current_order_ == 0 ? TVXRes::VXMainRequirement : TVXRes::VXAdditionalRequirement);
  if (valid) caption += u" \u2713";
  (current_order_ == 0 ? main_ : additional_)->setText(ToQString(caption));
}

void TFormTestWhether::EnableSearchButtons(bool enabled) {
  if (bottom_->isVisibleTo(this)) delete_->setEnabled(enabled);
  const bool colours = action_tag_ == 194;
  sort_->setVisible(colours);
  clear_->setVisible(colours);
  sort_->setEnabled(enabled);
  clear_->setEnabled(enabled);
  add_->setEnabled(enabled);
  delete_->setEnabled(enabled);
  find_->setEnabled(enabled);
  find_all_->setEnabled(enabled);
}

TDoubleSearchCategoryRec TFormTestWhether::MakeSearchRecord() {
  TDoubleSearchCategoryRec rec;
  const TDoubleSearchCategoryRec& edited = editor_->DoubleCategoryRec();
  const int link = linkage_->checkedId();
  rec.link = static_cast<uint8_t>(link >= 0 && link <= 2 ? link : 3);
  for (int k = 0; k < 2; ++k) {
    if (k == 1 && !edited.req[1].valid) break;
    rec.req[k] = edited.req[k];
    rec.text_version[k] = edited.text_version[k];
    rec.req[k].hit_row = -1;
    if (action_tag_ == 194 && colours_->currentItem()) rec.req[k].colour = colours_->currentItem()->data(Qt::UserRole).toUInt();
    PrepareRequirement(rec.req[k]);
  }
  return rec;
}

void TFormTestWhether::AddClick() {
  TDoubleSearchCategoryRec rec = MakeSearchRecord();
  if (!rec.req[0].valid) return;
  delete_->setEnabled(true);
  const QString line = ToQString(ConditionLine(rec, rec.req[1].valid ? 1 : 0));
  for (int i = 0; i < searches_->count(); ++i)
    if (searches_->item(i)->text() == line) {
      searches_->item(i)->setCheckState(Qt::Checked);
      return;
    }
  auto* item = new QListWidgetItem(line, searches_);
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  item->setCheckState(Qt::Checked);
  item->setData(Qt::DecorationRole, FromBGR(rec.req[0].colour));
  item->setData(kRecordRole, static_cast<int>(records_.size()));
  records_.push_back(rec);
}

void TFormTestWhether::DeleteClick() {
  QListWidgetItem* item = searches_->currentItem();
  if (!item) return;
  if (!IsYes(VXDialog(TVXDialog::OKtoDelete, {VXResFmt(TVXRes::VXTestN, {IntToUStr(searches_->row(item) + 1)})}))) return;
  delete item;
  if (grid_) grid_->viewport()->update();
}

void TFormTestWhether::SortClick() {
  TVXBaseDataClass* list = List();
  if (!list) return;
  std::vector<uint32_t> order;
  for (int i = 0; i < searches_->count(); ++i) {
    const int r = searches_->item(i)->data(kRecordRole).toInt();
    if (r >= 0 && r < static_cast<int>(records_.size())) order.push_back(records_[static_cast<size_t>(r)].req[0].colour);
  }
  list->SortOnColourCategory(order);
  grid_->ListChanged();
}

void TFormTestWhether::ClearColoursClick() {
  TVXBaseDataClass* list = List();
  if (!list || !IsYes(VXDialog(TVXDialog::OKToDoX, {VXRes(TVXRes::VXClearColours)}))) return;
  list->ClearColourCategoryColours();
  grid_->ListChanged();
}

void TFormTestWhether::FindClick(bool find_next) {
  if (action_tag_ == 194 && searches_->count() == 0) AddClick();
  ProcessTheConditions(find_next);
}

void TFormTestWhether::ProcessTheConditions(bool find_next) {
  hits_->clear();
  TVXBaseDataClass* list = List();
  if (!list) return;
  const bool up = up_->isChecked();
  const int rows = list->Count();
  int start = 0;
  if (!find_next || action_tag_ != 170) list->search_position = 0;
  else start = FindNextStart(list->search_position, up, rows);
  std::vector<TDoubleSearchCategoryRec> records;
  std::vector<int> items;
  if (action_tag_ == 194) {
    for (int i = 0; i < searches_->count(); ++i) {
      QListWidgetItem* item = searches_->item(i);
      const int r = item->data(kRecordRole).toInt();
      if (item->checkState() != Qt::Checked || r < 0 || r >= static_cast<int>(records_.size())) continue;
      records.push_back(records_[static_cast<size_t>(r)]);
      records.back().req[0].hits = 0;
      items.push_back(r);
    }
  } else {
    records.push_back(MakeSearchRecord());
  }
  if (records.empty() || !records.front().req[0].valid) return;
  global_panic_state = kPanicNone;
  const bool next = find_next && action_tag_ == 170;
  // Delete If finds the rows first and deletes them only when the user agrees.
  const int pass = action_tag_ == 85 ? 170 : action_tag_;
  TConditionOutcome out = list->CheckAllForCondition(records, start, pass, next, up,
                                                     [] { return global_panic_state != kPanicNone; });
  if (!out.problem.empty()) {
    VXDialog(TVXDialog::InformationMessage, {out.problem});
    hits_->setText(ToQString(VXResFmt(TVXRes::VXNHits, {u"0"})));
    return;
  }
  if (out.hits == 0) {
    hits_->setText(ToQString(VXResFmt(TVXRes::VXNHits, {u"0"})));
    if (next) list->search_position = PositionAfterMiss(up, rows);
    return;
  }
  for (size_t k = 0; k < items.size(); ++k) records_[static_cast<size_t>(items[k])].req[0].hits = records[k].req[0].hits;
  const UString n_hits = VXResFmt(TVXRes::VXNHits, {IntToUStr(out.hits)});
  if (action_tag_ == 85) {
    if (!IsYes(VXDialog(TVXDialog::OKtoDelete, {n_hits + u" (" + ConditionLine(records.front(), records.front().req[1].valid ? 1 : 0) + u")"}))) {
      hits_->setText(ToQString(n_hits + u": none deleted"));
      return;
    }
    list->DeleteARange(out.rows, true, true);
  } else if (action_tag_ == 170 && !next) {
    // The hits are marked (Undo or "clear all marking" takes the marks off again).
    list->MatchARange(out.rows, true, true);
  }
  if (!grid_) return;
  const int column = grid_->CurrentColumn() > 0 ? grid_->CurrentColumn() : 1;
  grid_->ListChanged();
  if (next) {
    hits_->setText(ToQString(VXRes(TVXRes::VXRowNumber) + u" " + IntToUStr(out.hit_row + 1)));
    grid_->SelectCell(out.hit_row + 1, column);
    list->search_position = PositionAfterHit(out.hit_row, up);
  } else {
    hits_->setText(ToQString(action_tag_ == 85 ? n_hits + u" deleted" : n_hits));
    // The first of them is shown.
    if (out.hit_row >= 0) grid_->SelectCell(out.hit_row + 1, column);
  }
}
