#include "windows/grid_columns_window.h"

#include <QButtonGroup>
#include <QKeyEvent>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "model/lists/column_formula.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "platform/rtl/files.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/qt_dialog_service.h"
#include "windows/dialog_parts.h"

namespace {

struct TNamedColour {
  const char* name;
  int32_t bgr;
};
constexpr TNamedColour kColours[] = {
    {"white", 0xFFFFFF},      {"cream", 0xE0F8FF},     {"pale yellow", 0xC0FFFF}, {"pale green", 0xD0F0D0},
    {"pale blue", 0xFFE8D0},  {"pale pink", 0xE0D8FF}, {"light grey", 0xE0E0E0}, {"yellow", 0x00FFFF},
    {"orange", 0x00A5FF},     {"aqua", 0xFFFF00},
};

QColor FromBGR(int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

constexpr int kHelpLayout = 1320, kHelpCompute = 1270;

}  // namespace

TFormColumns::TFormColumns(QWidget* parent) : TVXDialogForm(parent) {
  setWindowTitle(QStringLiteral("Columns: Layout & Format"));
  setModal(false);
  ppi_ = logicalDpiX() > 0 ? logicalDpiX() : 96;
  auto* outer = new QVBoxLayout(this);
  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("PageControl1"));
  outer->addWidget(pages_);

  // --- layout page ---
  auto* layout_page = new QWidget;
  layout_page->setObjectName(QStringLiteral("TabSheetLayout"));
  auto* lrow = new QHBoxLayout(layout_page);
  auto* left = new QVBoxLayout;
  headings_ = new QListWidget(layout_page);
  headings_->setObjectName(QStringLiteral("ListBoxHeadings"));
  headings_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  headings_->setToolTip(QStringLiteral("double-click to edit the headings"));
  headings_->setMinimumWidth(200);
  left->addWidget(headings_);
  auto* moves = new QHBoxLayout;
  up_ = new QPushButton(QStringLiteral("move up"), layout_page);
  up_->setObjectName(QStringLiteral("UpDown1Up"));
  down_ = new QPushButton(QStringLiteral("move down"), layout_page);
  down_->setObjectName(QStringLiteral("UpDown1Down"));
  moves->addWidget(up_);
  moves->addWidget(down_);
  left->addLayout(moves);
  auto* computed = new QHBoxLayout;
  edit_computed_ = new QPushButton(QStringLiteral("re-edit"), layout_page);
  edit_computed_->setObjectName(QStringLiteral("SpeedButtonEditComputed"));
  edit_computed_->setToolTip(QStringLiteral("re-edit computed column"));
  delete_computed_ = new QPushButton(QStringLiteral("delete"), layout_page);
  delete_computed_->setObjectName(QStringLiteral("SpeedButtonDeleteComputed"));
  delete_computed_->setToolTip(QStringLiteral("delete computed column"));
  computed->addWidget(edit_computed_);
  computed->addWidget(delete_computed_);
  left->addLayout(computed);
  lrow->addLayout(left, 2);

  auto* right = new QVBoxLayout;
  align_bar_ = new QWidget(layout_page);
  align_bar_->setObjectName(QStringLiteral("ToolBarAlignment"));
  auto* abar = new QHBoxLayout(align_bar_);
  abar->setContentsMargins(0, 0, 0, 0);
  const char* align_names[4] = {"Centre", "Left", "Right", "Decimal"};
  const char* align_objects[4] = {"ToolButtonJustCentre", "ToolButtonJustLeft", "ToolButtonJustRight", "ToolButtonJustDecimal"};
  auto* align_group = new QButtonGroup(this);
  for (int a : {1, 0, 2, 3}) {
    align_[a] = new QToolButton(align_bar_);
    align_[a]->setText(QString::fromLatin1(align_names[a]));
    align_[a]->setObjectName(QString::fromLatin1(align_objects[a]));
    align_[a]->setCheckable(true);
    align_group->addButton(align_[a], a);
    abar->addWidget(align_[a]);
    connect(align_[a], &QToolButton::clicked, this, [this, a] { Edited(model_.SetAlignment(static_cast<uint8_t>(a))); });
  }
  right->addWidget(align_bar_);
  typeface_box_ = new QGroupBox(QStringLiteral("Typeface"), layout_page);
  typeface_box_->setObjectName(QStringLiteral("TypefaceGroupBox"));
  auto* tf = new QHBoxLayout(typeface_box_);
  const char* tf_names[4] = {"Bold", "Italics", "Underlined", "Strikeout"};
  const char* tf_objects[4] = {"BoldCheckBox", "ItalicsCheckBox", "UnderlineCheckBox", "CheckBoxStrikeout"};
  for (int b = 0; b < 4; ++b) {
    typeface_[b] = new QCheckBox(QString::fromLatin1(tf_names[b]), typeface_box_);
    typeface_[b]->setObjectName(QString::fromLatin1(tf_objects[b]));
    tf->addWidget(typeface_[b]);
    connect(typeface_[b], &QCheckBox::toggled, this, [this, b](bool on) {
      if (!adjusting_) Edited(model_.SetTypeface(static_cast<uint8_t>(1u << b), on));
    });
  }
  right->addWidget(typeface_box_);

  auto* width_box = new QGroupBox(QStringLiteral("Screen Width"), layout_page);
  auto* wrow = new QHBoxLayout(width_box);
  width_ = new QDoubleSpinBox(width_box);
  width_->setObjectName(QStringLiteral("ElFloatSpinEditWidth"));
  width_->setRange(0, 100);
  width_->setDecimals(2);
  width_->setSingleStep(0.1);
  inches_ = new QRadioButton(QStringLiteral("inches"), width_box);
  inches_->setObjectName(QStringLiteral("RadioButtonInches"));
  centimetres_ = new QRadioButton(QStringLiteral("centimetres"), width_box);
  centimetres_->setObjectName(QStringLiteral("RadioButtonCentimetres"));
  wrow->addWidget(width_);
  wrow->addWidget(inches_);
  wrow->addWidget(centimetres_);
  right->addWidget(width_box);
  connect(width_, &QDoubleSpinBox::valueChanged, this, [this](double v) {
    if (!adjusting_) Edited(model_.SetWidthShown(v));
  });
  auto units = [this](uint8_t u) {
    if (adjusting_ || model_.Units() == u) return;
    model_.SetUnits(u);
    AdjustControls();
  };
  connect(inches_, &QRadioButton::toggled, this, [units](bool on) { if (on) units(0); });
  connect(centimetres_, &QRadioButton::toggled, this, [units](bool on) { if (on) units(1); });

  decimals_group_ = new QGroupBox(QStringLiteral("Decimals"), layout_page);
  decimals_group_->setObjectName(QStringLiteral("GroupBoxDecimals"));
  auto* drow = new QHBoxLayout(decimals_group_);
  decimals_ = new QSpinBox(decimals_group_);
  decimals_->setObjectName(QStringLiteral("ElSpinEditDecimals"));
  decimals_->setRange(0, kMaxColumnDecimals);
  decimals_->setToolTip(QStringLiteral("e.g 2 = 0.01, 3=0.001"));
  drow->addWidget(decimals_);
  drow->addWidget(new QLabel(QStringLiteral("places"), decimals_group_));
  drow->addWidget(new QLabel(ToQString(VXRes(TVXRes::VXOnlyIf)), decimals_group_));
  threshold_ = new QComboBox(decimals_group_);
  threshold_->setObjectName(QStringLiteral("ElComboBoxOnlyIf"));
  threshold_->setEditable(true);
  threshold_->setToolTip(QStringLiteral("threshold for visibility"));
  const QString sep = QLocale().decimalPoint();
  for (const UString& item : TColumnEditorModel::ThresholdItems(sep.isEmpty() ? u'.' : sep.at(0).unicode()))
    threshold_->addItem(ToQString(item));
  drow->addWidget(threshold_);
  right->addWidget(decimals_group_);
  connect(decimals_, &QSpinBox::valueChanged, this, [this](int v) {
    if (!adjusting_) Edited(model_.SetDecimals(v));
  });
  connect(threshold_, &QComboBox::currentTextChanged, this, [this](const QString& t) {
    if (!adjusting_) Edited(model_.SetThresholdText(FromQString(t)));
  });

  auto* colour_box = new QGroupBox(QStringLiteral("Background Colours"), layout_page);
  colour_box->setObjectName(QStringLiteral("GroupBoxColours"));
  auto* crow = new QVBoxLayout(colour_box);
  colours_ = new QListWidget(colour_box);
  colours_->setObjectName(QStringLiteral("ColourSharingListboxBackground"));
  colours_->setMaximumHeight(90);
  for (const TNamedColour& c : kColours) {
    auto* item = new QListWidgetItem(QString::fromLatin1(c.name), colours_);
    item->setData(Qt::DecorationRole, FromBGR(c.bgr));
    item->setData(Qt::UserRole, c.bgr);
  }
  colours_->sortItems();
  crow->addWidget(colours_);
  right->addWidget(colour_box);
  connect(colours_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    Edited(model_.SetColour(item->data(Qt::UserRole).toInt(), style_background_));
  });

  auto* radios = new QHBoxLayout;
  case_box_ = new QGroupBox(QStringLiteral("Case"), layout_page);
  case_box_->setObjectName(QStringLiteral("RadioGroupCase"));
  auto* cl = new QHBoxLayout(case_box_);
  letter_case_ = new QButtonGroup(this);
  const char* cases[4] = {"UPPER", "Title", "lower", "source"};
  for (int i = 0; i < 4; ++i) {
    auto* b = new QRadioButton(QString::fromLatin1(cases[i]), case_box_);
    letter_case_->addButton(b, i);
    cl->addWidget(b);
  }
  connect(letter_case_, &QButtonGroup::idClicked, this, [this](int id) { Edited(model_.SetLetterCase(static_cast<uint8_t>(id))); });
  visibility_box_ = new QGroupBox(QStringLiteral("Visibility"), layout_page);
  visibility_box_->setObjectName(QStringLiteral("RadioGroupVisibility"));
  auto* vl = new QHBoxLayout(visibility_box_);
  visibility_ = new QButtonGroup(this);
  auto* shown = new QRadioButton(QStringLiteral("Show"), visibility_box_);
  auto* hidden = new QRadioButton(QStringLiteral("Hide"), visibility_box_);
  visibility_->addButton(shown, 0);
  visibility_->addButton(hidden, 1);
  vl->addWidget(shown);
  vl->addWidget(hidden);
  connect(visibility_, &QButtonGroup::idClicked, this, [this](int id) { Edited(model_.SetVisible(id != 1)); });
  radios->addWidget(case_box_);
  radios->addWidget(visibility_box_);
  right->addLayout(radios);
  lrow->addLayout(right, 3);
  pages_->addTab(layout_page, QStringLiteral("Layout"));

  // --- calculator page ---
  auto* compute_page = new QWidget;
  compute_page->setObjectName(QStringLiteral("TabSheetCompute"));
  auto* ccol = new QVBoxLayout(compute_page);
  formula_ = new QComboBox(compute_page);
  formula_->setObjectName(QStringLiteral("ElComboBoxCalculator"));
  formula_->setEditable(true);
  formula_->setInsertPolicy(QComboBox::NoInsert);
  ccol->addWidget(formula_);
  auto* lists = new QHBoxLayout;
  auto* std_box = new QGroupBox(QStringLiteral("Standard"), compute_page);
  auto* sl = new QVBoxLayout(std_box);
  functions_ = new QListWidget(std_box);
  functions_->setObjectName(QStringLiteral("ListBoxStandardFunctions"));
  for (const char* f : {"cumulative", "square root", "exponential", "sine", "cosine", "squared"})
    functions_->addItem(QString::fromLatin1(f));
  sl->addWidget(functions_);
  lists->addWidget(std_box);
  auto* data_box = new QGroupBox(QStringLiteral("Your data"), compute_page);
  auto* dl = new QVBoxLayout(data_box);
  dl->addWidget(new QLabel(QStringLiteral("Column"), data_box));
  calc_columns_ = new QListWidget(data_box);
  calc_columns_->setObjectName(QStringLiteral("ListBoxCalculatorHeadings"));
  dl->addWidget(calc_columns_);
  cumulative_ = new QCheckBox(QStringLiteral("cumulative"), data_box);
  cumulative_->setObjectName(QStringLiteral("CheckBoxCumulative"));
  dl->addWidget(cumulative_);
  auto* row_line = new QHBoxLayout;
  auto* relative = new QRadioButton(QStringLiteral("Relative"), data_box);
  relative->setObjectName(QStringLiteral("RadioRelative"));
  relative->setChecked(true);
  auto* absolute = new QRadioButton(QStringLiteral("Absolute"), data_box);
  absolute->setObjectName(QStringLiteral("RadioAbsoute"));
  absolute_row_ = new QSpinBox(data_box);
  absolute_row_->setObjectName(QStringLiteral("ElSpinEditAbsoluteRow"));
  absolute_row_->setRange(1, 100000000);
  // A double-click on the row number inserts the absolute-row token.
  if (QLineEdit* edit = absolute_row_->findChild<QLineEdit*>()) edit->installEventFilter(this);
  headings_->installEventFilter(this);
  row_line->addWidget(relative);
  row_line->addWidget(absolute);
  row_line->addWidget(absolute_row_);
  dl->addLayout(row_line);
  lists->addWidget(data_box);
  auto* pad = new QWidget(compute_page);
  pad->setObjectName(QStringLiteral("Panel1"));
  auto* grid = new QGridLayout(pad);
  const char* keys[] = {"7", "8", "9", "/", "4", "5", "6", "*", "1", "2", "3", "-", "0", ".", "(", "+", ")"};
  int k = 0;
  for (const char* key : keys) {
    auto* b = new QToolButton(pad);
    b->setText(QString::fromLatin1(key));
    b->setMinimumWidth(32);
    grid->addWidget(b, k / 4, k % 4);
    ++k;
    connect(b, &QToolButton::clicked, this, [this, b] {
      UString text = FormulaText();
      QLineEdit* edit = formula_->lineEdit();
      const int from = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
      const int length = edit->hasSelectedText() ? static_cast<int>(edit->selectedText().size()) : 0;
      text.replace(static_cast<size_t>(std::min<int>(from, static_cast<int>(text.size()))),
                   static_cast<size_t>(length), FromQString(b->text()));
      SetFormulaText(text);
      edit->setCursorPosition(from + 1);
    });
  }
  lists->addWidget(pad);
  ccol->addLayout(lists);
  auto* cbuttons = new QHBoxLayout;
  cbuttons->addStretch();
  compute_ok_ = new QPushButton(QStringLiteral("OK"), compute_page);
  compute_ok_->setObjectName(QStringLiteral("ButtonComputeOK"));
  auto* compute_help = new QPushButton(QStringLiteral("&Help"), compute_page);
  compute_help->setObjectName(QStringLiteral("ButtonHelpCompute"));
  cbuttons->addWidget(compute_ok_);
  cbuttons->addWidget(compute_help);
  ccol->addLayout(cbuttons);
  pages_->addTab(compute_page, QStringLiteral("Add computed data"));
  connect(functions_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* i) { InsertFunction(functions_->row(i)); });
  connect(calc_columns_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* i) { InsertColumn(calc_columns_->row(i)); });
  connect(compute_ok_, &QPushButton::clicked, this, [this] { ComputeOKClick(); });
  connect(compute_help, &QPushButton::clicked, this, [] { OpenHelpPage(kHelpCompute); });

  // --- set-column page ---
  set_page_ = new QWidget;
  set_page_->setObjectName(QStringLiteral("AdvOfficePageAddSetColumn"));
  auto* scol = new QVBoxLayout(set_page_);
  add_set_ = new QPushButton(QStringLiteral("Add a set column"), set_page_);
  add_set_->setObjectName(QStringLiteral("AdvGlowButtonAddSetCol"));
  delete_set_ = new QPushButton(QStringLiteral("Delete"), set_page_);
  delete_set_->setObjectName(QStringLiteral("AdvGlowButtonDeleteSetCol"));
  set_to_delete_ = new QListWidget(set_page_);
  set_to_delete_->setObjectName(QStringLiteral("ListBoxColsToDelete"));
  scol->addWidget(add_set_);
  scol->addWidget(set_to_delete_);
  scol->addWidget(delete_set_);
  pages_->addTab(set_page_, QStringLiteral("Extra Set column"));
  connect(add_set_, &QPushButton::clicked, this, [this] {
    SetModalResult(mrOK);
    if (column_handler_) column_handler_(owner_, true, true, -1);
    hide();
  });
  connect(delete_set_, &QPushButton::clicked, this, [this] { DeleteSetColumnClick(); });
  connect(set_to_delete_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    delete_set_->setText(ToQString(VXResFmt(TVXRes::VXDeleteXQ, {FromQString(item->text())})));
  });

  // --- bottom buttons ---
  auto* bottom = new QHBoxLayout;
  save_ = new QPushButton(QStringLiteral("Save"), this);
  save_->setObjectName(QStringLiteral("ButtonSave"));
  restore_ = new QPushButton(QStringLiteral("Restore"), this);
  restore_->setObjectName(QStringLiteral("ButtonRestorePrevious"));
  bottom->addWidget(save_);
  bottom->addWidget(restore_);
  outer->addLayout(bottom);
  const TDialogButtons b = AddDialogButtons(this, outer, false, kHelpLayout);
  connect(b.ok, &QPushButton::clicked, this, [this] {
    SetModalResult(mrOK);
    hide();
  });
  connect(save_, &QPushButton::clicked, this, [this] { SaveClick(); });
  connect(restore_, &QPushButton::clicked, this, [this] { RestoreClick(); });
  connect(up_, &QPushButton::clicked, this, [this] {
    if (model_.Move(-1)) {
      FillLists();
      Edited(true);
    }
  });
  connect(down_, &QPushButton::clicked, this, [this] {
    if (model_.Move(1)) {
      FillLists();
      Edited(true);
    }
  });
  connect(headings_, &QListWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });
  connect(headings_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    const int i = headings_->row(item);
    bool ok = false;
    const QString text = QInputDialog::getText(this, QStringLiteral("Heading"), QStringLiteral("Heading"),
                                               QLineEdit::Normal, ToQString(model_.Working()->at(static_cast<size_t>(i)).heading), &ok);
    if (ok && model_.RenameHeading(i, FromQString(text))) {
      FillLists();
      Edited(true);
    }
  });
  connect(edit_computed_, &QPushButton::clicked, this, [this] {
    if (model_.ItemIndex() < 0) return;
    SetFormulaText(model_.Working()->at(static_cast<size_t>(model_.ItemIndex())).heading);
    pages_->setCurrentIndex(1);
  });
  connect(delete_computed_, &QPushButton::clicked, this, [this] { DeleteComputedClick(); });
  resize(760, 520);
}

QToolButton* TFormColumns::AlignButton(int alignment) const { return alignment >= 0 && alignment < 4 ? align_[alignment] : nullptr; }
QCheckBox* TFormColumns::TypefaceBox(int bit_index) const { return bit_index >= 0 && bit_index < 4 ? typeface_[bit_index] : nullptr; }

void TFormColumns::AssignDetails(QObject* owner, TGrid_header_array* headings, bool set_column_page,
                                 TTessorineList list_type, uint8_t units, TColumnHandler column_handler,
                                 TSaveHandler save_handler, TChangedHandler changed_handler, int current_heading) {
  owner_ = owner;
  list_type_ = list_type;
  column_handler_ = std::move(column_handler);
  save_handler_ = std::move(save_handler);
  changed_handler_ = std::move(changed_handler);
  model_.AssignDetails(headings, units, ppi_);
  adjusting_ = true;
  pages_->setTabVisible(2, set_column_page);
  (units == 0 ? inches_ : centimetres_)->setChecked(true);
  adjusting_ = false;
  FillLists();
  if (current_heading >= 0 && current_heading < headings_->count()) {
    headings_->setCurrentRow(current_heading);
    SelectionChanged();
  }
}

void TFormColumns::CheckAddDeleteSetColDisplay() {
  set_to_delete_->clear();
  for (const auto& [index, heading] : model_.SetColumnsToDelete()) {
    auto* item = new QListWidgetItem(ToQString(heading), set_to_delete_);
    item->setData(Qt::UserRole, index);
  }
  const bool any = set_to_delete_->count() > 0;
  delete_set_->setEnabled(any);
  set_to_delete_->setVisible(any);
  if (!any) delete_set_->setText(ToQString(VXRes(TVXRes::VXDelete)));
}

UString TFormColumns::FormulaText() const { return FromQString(formula_->currentText()); }
void TFormColumns::SetFormulaText(UStringView text) { formula_->setEditText(ToQString(text)); }

bool TFormColumns::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick && watched == absolute_row_->findChild<QLineEdit*>()) {
    InsertAbsoluteRow();
    return true;
  }
  // Insert shows the heading with the focus, Delete hides it.
  if (event->type() == QEvent::KeyPress && watched == headings_) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Insert || key == Qt::Key_Delete) {
      Edited(model_.SetVisibleAt(model_.ItemIndex(), key == Qt::Key_Insert));
      return true;
    }
  }
  return TVXDialogForm::eventFilter(watched, event);
}

void TFormColumns::FormShow() {
  // Near the main window's top right, on the same screen.
  if (QWidget* p = parentWidget()) {
    const QRect r = p->frameGeometry();
    move(std::max(r.left(), r.right() - width() - 40), r.top() + 60);
  }
  FillLists();
  AdjustControls();
  // The colour list starts on the style's background.
  for (int i = 0; i < colours_->count(); ++i)
    if (colours_->item(i)->data(Qt::UserRole).toInt() == style_background_) {
      colours_->setCurrentRow(i);
      break;
    }
}

void TFormColumns::FillLists() {
  if (refreshing_) return;
  refreshing_ = true;
  const std::vector<int> selected = model_.Selected();
  const int item = model_.ItemIndex();
  headings_->clear();
  for (const UString& h : model_.HeadingItems()) headings_->addItem(ToQString(h));
  for (int i : selected)
    if (QListWidgetItem* it = headings_->item(i)) it->setSelected(true);
  if (item >= 0 && item < headings_->count()) headings_->setCurrentRow(item, QItemSelectionModel::NoUpdate);
  calc_columns_->clear();
  for (const auto& [text, column] : model_.CalculatorItems()) {
    auto* it = new QListWidgetItem(ToQString(text), calc_columns_);
    it->setData(Qt::UserRole, column);
  }
  refreshing_ = false;
}

void TFormColumns::SelectionChanged() {
  if (refreshing_) return;
  std::vector<int> selected;
  for (QListWidgetItem* it : headings_->selectedItems()) selected.push_back(headings_->row(it));
  model_.Select(selected, headings_->currentRow());
  AdjustControls();
}

void TFormColumns::AdjustControls() {
  adjusting_ = true;
  const TColumnEditorControls c = model_.Controls();
  width_->setEnabled(true);
  typeface_box_->setEnabled(c.alignment_enabled);
  align_bar_->setEnabled(c.alignment_enabled);
  visibility_box_->setEnabled(c.have_current);
  up_->setEnabled(c.move_enabled);
  down_->setEnabled(c.have_current && model_.Selected().size() == 1 &&
                    model_.ItemIndex() + 1 < static_cast<int>(model_.Working()->size()));
  case_box_->setEnabled(c.case_enabled);
  if (QAbstractButton* b = letter_case_->button(c.letter_case)) b->setChecked(true);
  if (QAbstractButton* b = visibility_->button(c.visible ? 0 : 1)) b->setChecked(true);
  edit_computed_->setVisible(c.computed_buttons);
  delete_computed_->setVisible(c.computed_buttons);
  width_->setDecimals(model_.Units() == 0 ? 2 : 1);
  width_->setValue(c.width_shown);
  decimals_group_->setEnabled(c.numeric);
  align_[kAlignDecimal]->setEnabled(c.numeric);
  decimals_->setValue(c.numeric ? c.decimals : 0);
  threshold_->setEditText(ToQString(c.threshold_text));
  for (int b = 0; b < 4; ++b) typeface_[b]->setChecked((c.typeface & (1u << b)) != 0);
  for (int a = 0; a < 4; ++a)
    align_[a]->setChecked(c.have_current && (c.alignment == a || (a == kAlignLeft && c.alignment == kAlignLeft2)));
  adjusting_ = false;
}

void TFormColumns::Edited(bool changed) {
  if (!changed || adjusting_) return;
  FillLists();
  // An edit that brings the layout back to what it was is still news to the grid.
  if (changed_handler_ && model_.Working()) changed_handler_(owner_, *model_.Working());
  AdjustControls();
}

void TFormColumns::InsertToken(UStringView token) {
  if (token.empty()) return;
  UString text = FormulaText();
  QLineEdit* edit = formula_->lineEdit();
  const int from = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
  const int length = edit->hasSelectedText() ? static_cast<int>(edit->selectedText().size()) : 0;
  const int caret = InsertTokenAt(text, from, length, token);
  SetFormulaText(text);
  edit->setCursorPosition(caret);
}

void TFormColumns::InsertFunction(int index) {
  if (index < 0 || index >= functions_->count()) return;
  InsertToken(FunctionToken(index));
}

void TFormColumns::InsertColumn(int item) {
  if (item < 0 || item >= calc_columns_->count()) return;
  InsertToken(ColumnToken(FromQString(calc_columns_->item(item)->text()), cumulative_->isChecked()));
}

void TFormColumns::InsertAbsoluteRow() {
  QListWidgetItem* item = calc_columns_->currentItem();
  if (!item) return;
  InsertToken(AbsoluteRowToken(FromQString(item->text()), absolute_row_->value()));
}

void TFormColumns::ComputeOKClick() {
  UString formula = FormulaText();
  if (FormulaBracketBalance(formula) != 0) {
    // The editor stays open with the formula as typed.
    VXDialog(TVXDialog::UnMatchedBracketInX, {formula});
    return;
  }
  UString bracketed = formula;
  if (InsertPrecedenceBrackets(bracketed) && IsYes(VXDialog(TVXDialog::InsertBrackets, {bracketed}))) SetFormulaText(bracketed);
  if (formula_->findText(formula_->currentText()) < 0) formula_->insertItem(0, formula_->currentText());
  SetModalResult(mrOK);
  if (column_handler_) column_handler_(owner_, false, true, -1);
  FillLists();
  // The column is added: the editor closes, the formula kept in its box for the next time.
  hide();
}

void TFormColumns::DeleteSetColumnClick() {
  QListWidgetItem* item = set_to_delete_->count() == 1 ? set_to_delete_->item(0) : set_to_delete_->currentItem();
  if (!item) {
    VXDialog(TVXDialog::NoColumnSelected);
    return;
  }
  const int index = item->data(Qt::UserRole).toInt();
  if (!model_.Working() || index < 0 || index >= static_cast<int>(model_.Working()->size())) return;
  const TGrid_head32 h = model_.Working()->at(static_cast<size_t>(index));
  if (!IsYes(VXDialog(TVXDialog::OKtoDelete, {h.heading}))) return;
  SetModalResult(mrOK);
  if (column_handler_) column_handler_(owner_, true, false, h.column_number);
  hide();
}

void TFormColumns::DeleteComputedClick() {
  const int i = model_.ItemIndex();
  if (i < 0 || !model_.Working()) return;
  const UString heading = model_.Working()->at(static_cast<size_t>(i)).heading;
  if (!IsYes(VXDialog(TVXDialog::DoYouWantToDoX, {VXResFmt(TVXRes::VXDeleteS, {heading})}))) return;
  UString formula;
  if (!model_.DeleteComputed(i, formula)) return;
  if (formula_->findText(ToQString(formula)) < 0) formula_->addItem(ToQString(formula));
  SetFormulaText(formula);
  FillLists();
  if (changed_handler_) changed_handler_(owner_, *model_.Working());
  AdjustControls();
}

void TFormColumns::SaveClick() {
  if (!save_handler_) return;
  const UString name = list_type_as_string(list_type_);
  if (!IsYes(VXDialog(TVXDialog::AreYouSureYouWantTo, {VXResFmt(TVXRes::VXSaveTheseSettings, {name})}, kHelpLayout))) return;
  save_handler_(owner_);
}

void TFormColumns::RestoreClick() {
  // The saved default goes only when the user agrees; the layout of the moment the editor opened
  // comes back in any case.
  const UString saved = CustomisedHeadingsFileName(GetUserReadWriteFolder(), list_type_);
  if (FileExists(saved) && IsYes(VXDialog(TVXDialog::OKtoDelete, {saved}))) DeleteFileU(saved);
  model_.Restore();
  for (QCheckBox* b : typeface_) {
    const bool was = adjusting_;
    adjusting_ = true;
    b->setChecked(false);
    adjusting_ = was;
  }
  FillLists();
  if (changed_handler_ && model_.Working()) changed_handler_(owner_, *model_.Working());
  AdjustControls();
}
