#include "shell/qt/text_chooser.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QResizeEvent>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPrinter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "model/reading/chosen_texts_handover.h"
#include "platform/rtl/datetime.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "shell/files/file_dialogs.h"
#include "shell/qt/grid_printing.h"
#include "shell/qt/qt_application.h"

namespace {
const char* const kHeadings[] = {"Text", "Folder", "Size", "Date", "Kind"};
constexpr int kColumnName = 0, kColumnFolder = 1, kColumnSize = 2, kColumnDate = 3, kColumnKind = 4;
constexpr int kRowsShownWhileCollecting = 1000;
constexpr int kLeastNameWidth = 150;
// A saved choice: the headed form under any name, a plain list of names under ".txt".
constexpr char16_t kChoiceFilter[] = u"All files (*);;Plain lists of names (*.txt)";

// Draws a column's text cut where it matters least for that column.
class TElidingDelegate : public QStyledItemDelegate {
 public:
  TElidingDelegate(Qt::TextElideMode mode, QObject* parent) : QStyledItemDelegate(parent), mode_(mode) {}

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->textElideMode = mode_;
  }

 private:
  Qt::TextElideMode mode_;
};
}  // namespace

QVariant TChosenTextsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const TChosenFileDetailsFullRec d = choice_.Texts().GetFullFileDetails(index.row());
  if (role == Qt::TextAlignmentRole && index.column() == 2) return int(Qt::AlignRight | Qt::AlignVCenter);
  if (role == Qt::ForegroundRole && d.rec.wanted == kWantedNotFound) return QColor(170, 0, 0);
  if (role == Qt::ToolTipRole && (index.column() == kColumnName || index.column() == kColumnFolder))
    return ToQString(index.column() == kColumnName ? d.rec.filename : d.folder);
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case 0: return ToQString(d.rec.filename);
    case 1: return ToQString(d.folder);
    case 2: return ToQString(SizeAsString(d.rec.size));
    case 3: return ToQString(DateTimeToUStr(d.rec.date));
    case kColumnKind: return ToQString(choice_.KindText(index.row()));
    default: return {};
  }
}

QVariant TChosenTextsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= 5) return {};
  return QString::fromLatin1(kHeadings[section]);
}

TTextChooser::TTextChooser(uint8_t tool, QWidget* parent)
    : QDialog(parent), choice_(std::make_unique<TTextChoice>(tool)) {
  setWindowTitle(QStringLiteral("Choose texts"));
  resize(820, 460);
  auto* layout = new QVBoxLayout(this);

  auto* adding = new QHBoxLayout;
  auto* files = new QPushButton(QStringLiteral("Add files..."), this);
  auto* folder = new QPushButton(QStringLiteral("Add folder..."), this);
  auto* zip = new QPushButton(QStringLiteral("Zip members..."), this);
  mask_ = new QLineEdit(QStringLiteral("*.txt"), this);
  mask_->setMaximumWidth(90);
  sub_folders_ = new QCheckBox(QStringLiteral("sub-folders"), this);
  sub_folders_->setChecked(true);
  zips_ = new QCheckBox(QStringLiteral("inside zips"), this);
  for (QWidget* w : std::initializer_list<QWidget*>{files, folder, zip, new QLabel(QStringLiteral("Mask"), this), mask_,
                                                    sub_folders_, zips_})
    adding->addWidget(w);
  adding->addStretch();
  layout->addLayout(adding);

  model_ = new TChosenTextsModel(*choice_, this);
  grid_ = new QTableView(this);
  grid_->setModel(model_);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->verticalHeader()->setDefaultSectionSize(22);
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->setWordWrap(false);  // one line a row: a wrapped path would be cut after its first part
  grid_->setItemDelegateForColumn(kColumnName, new TElidingDelegate(Qt::ElideMiddle, grid_));
  grid_->setItemDelegateForColumn(kColumnFolder, new TElidingDelegate(Qt::ElideLeft, grid_));
  grid_->setColumnWidth(0, 150);
  grid_->setColumnWidth(1, 230);
  grid_->setColumnWidth(2, 60);
  grid_->setColumnWidth(3, 145);
  grid_->horizontalHeader()->setSectionsClickable(true);
  grid_->horizontalHeader()->setSortIndicatorShown(true);
  grid_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  connect(grid_->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, [this](int section, Qt::SortOrder order) {
    if (SortBy(section, order == Qt::AscendingOrder)) return;
    // No key: the heading shows no order.
    const QSignalBlocker block(grid_->horizontalHeader());
    grid_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  });
  layout->addWidget(grid_);

  auto* editing = new QHBoxLayout;
  auto* remove = new QPushButton(QStringLiteral("Remove"), this);
  auto* clear = new QPushButton(QStringLiteral("Clear"), this);
  auto* save = new QPushButton(QStringLiteral("Save..."), this);
  auto* load = new QPushButton(QStringLiteral("Load..."), this);
  auto* print = new QPushButton(QStringLiteral("Print..."), this);
  status_ = new QLabel(this);
  status_->setMinimumWidth(200);
  busy_ = new QProgressBar(this);
  busy_->setRange(0, 0);  // a walk does not know its end
  busy_->setMaximumWidth(120);
  busy_->hide();
  stop_ = new QPushButton(QStringLiteral("Stop"), this);
  stop_->setEnabled(false);
  for (QWidget* w : std::initializer_list<QWidget*>{remove, clear, save, load, print}) editing->addWidget(w);
  editing->addWidget(status_, 1);
  editing->addWidget(busy_);
  editing->addWidget(stop_);
  layout->addLayout(editing);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(buttons);
  idle_only_ = {files, folder, zip, mask_, sub_folders_, zips_, remove, clear, save, load, print, buttons};
  progress_timer_ = new QTimer(this);
  progress_timer_->setInterval(150);
  connect(progress_timer_, &QTimer::timeout, this, [this] { ShowProgress(); });

  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(files, &QPushButton::clicked, this, [this] {
    std::vector<UString> chosen;
    for (const QString& f : QFileDialog::getOpenFileNames(this, QStringLiteral("Add files"))) chosen.push_back(FromQString(f));
    AddFiles(chosen);
  });
  connect(folder, &QPushButton::clicked, this, [this] {
    const QString f = QFileDialog::getExistingDirectory(this, QStringLiteral("Add folder"));
    if (!f.isEmpty()) AddFolder(FromQString(f));
  });
  connect(zip, &QPushButton::clicked, this, [this] { PickZipMembers(); });
  connect(remove, &QPushButton::clicked, this, [this] { RemoveSelected(); });
  connect(clear, &QPushButton::clicked, this, [this] { ClearAll(); });
  connect(save, &QPushButton::clicked, this, [this] {
    UString f;
    if (ChooseChoiceFile(true, f)) SaveChoice(f);
  });
  connect(load, &QPushButton::clicked, this, [this] {
    UString f;
    if (ChooseChoiceFile(false, f)) LoadChoice(f);
  });
  connect(print, &QPushButton::clicked, this, [this] { PrintChoice(); });
  connect(stop_, &QPushButton::clicked, this, [this] { choice_->StopCollecting(); });
  choice_->Texts().fOnFolder = [this](const UString& f) { walking_in_ = f; };
  choice_->Texts().fOnFilesPercent = [this](int percent) { status_->setText(QStringLiteral("%1%").arg(percent)); };
  // The chooser opens on the texts chosen now, so that what OK hands over is what the user saw.
  choice_->LoadCurrentChoice();
  Changed();
}

bool TTextChooser::PrintChoice() {
  QPrinter printer(QPrinter::HighResolution);
  if (!StoredPrinterOrPdf(printer, file_dialogs_)) return false;
  printer.setDocName(windowTitle());
  const TVXFileDetails& texts = choice_->Texts();
  return PrintChosenTexts(texts.PrintTable(texts.fTool), printer, font()) > 0;
}

bool TTextChooser::ChooseChoiceFile(bool save, UString& chosen) {
  TFileDialogRequest r;
  r.filter = kChoiceFilter;
  if (file_dialogs_)
    return save ? file_dialogs_->ChooseFileToSave(r, chosen) : file_dialogs_->ChooseFileToOpen(r, chosen);
  const QString title = save ? QStringLiteral("Save the choice") : QStringLiteral("Load a choice");
  const QString f = save ? QFileDialog::getSaveFileName(this, title, {}, ToQString(r.filter))
                         : QFileDialog::getOpenFileName(this, title, {}, ToQString(r.filter));
  chosen = FromQString(f);
  return !f.isEmpty();
}

void TTextChooser::SetProgressInterval(int ms) { progress_timer_->setInterval(ms); }

bool TTextChooser::SortBy(int column, bool ascending) {
  TChosenFileSort_type key = chosen_nome_arquivo;
  switch (column) {
    case kColumnName: key = chosen_nome_arquivo; break;
    case kColumnSize: key = chosen_tamanho; break;
    case kColumnDate: key = chosen_data_textual; break;
    default: return false;
  }
  if (choice_->Collecting()) return false;
  TVXFileDetails& texts = choice_->Texts();
  texts.SetSortTo(key);
  texts.DoASort(ascending);
  grid_->clearSelection();
  Changed();
  return true;
}

void TTextChooser::FitNameColumn() {
  // Names whole where the window has room: the name column takes what its longest shown name
  // needs, up to half the grid, and the folder column what is left; only a name longer than that
  // is cut in its middle.
  const int most = std::max(kLeastNameWidth, grid_->viewport()->width() / 2);
  grid_->resizeColumnToContents(kColumnName);
  grid_->setColumnWidth(kColumnName, std::clamp(grid_->columnWidth(kColumnName), kLeastNameWidth, most));
}

void TTextChooser::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  FitNameColumn();
}

void TTextChooser::Changed() {
  model_->Changed();
  FitNameColumn();
  QString said = ToQString(VXResFmt(TVXRes::VXNmanyTexts, {IntToUStr(choice_->Count())}));
  if (const int32_t repeats = choice_->RepeatsLeftOut(); repeats > 0)
    said += QStringLiteral("; %1 chosen already, left out").arg(ToQString(IntToDecStr(repeats)));
  status_->setText(said);
}

void TTextChooser::ShowProgress() {
  const int n = choice_->Count();
  const QString found = QStringLiteral("%1 found so far, in ").arg(ToQString(IntToDecStr(n)));
  // The folder's last parts say where the walk is.
  const int room = status_->width() - status_->fontMetrics().horizontalAdvance(found) - 4;
  status_->setText(found + status_->fontMetrics().elidedText(ToQString(walking_in_), Qt::ElideLeft, std::max(room, 40)));
  model_->RowsAdded(kRowsShownWhileCollecting);
  emit Collecting(n);
}

void TTextChooser::SetCollecting(bool on) {
  for (QWidget* w : idle_only_) w->setEnabled(!on);
  stop_->setEnabled(on);
  busy_->setVisible(on);
  if (on) progress_timer_->start();
  else progress_timer_->stop();
}

void TTextChooser::reject() {
  if (choice_->Collecting()) {
    choice_->StopCollecting();
    return;
  }
  QDialog::reject();
}

void TTextChooser::Report(const std::vector<UString>& problems) {
  if (problems.empty()) return;
  UString text;
  for (const UString& p : problems) text += p + u"\n";
  VXMessageBox(u"Choose texts", text, kBtnOK, TVXDialogKind::Warning);
}

void TTextChooser::AddFiles(const std::vector<UString>& files) {
  const auto problems = choice_->AddFiles(files);
  Changed();
  Report(problems);
}

void TTextChooser::AddFolder(UStringView folder) {
  if (choice_->Collecting()) return;
  const int32_t before = choice_->Count();
  walking_in_ = UString(folder);
  SetCollecting(true);
  const auto problems = choice_->AddFolder(folder, FromQString(mask_->text()), sub_folders_->isChecked(), zips_->isChecked());
  SetCollecting(false);
  Changed();
  if (choice_->LastWalkStopped())
    status_->setText(QStringLiteral("stopped: %1 texts found, %2 texts in all")
                         .arg(ToQString(IntToDecStr(choice_->Count() - before)), ToQString(IntToDecStr(choice_->Count()))));
  Report(problems);
}

void TTextChooser::AddZipMembers(UStringView archive, const std::vector<UString>& names) {
  const auto problems = choice_->AddZipMembers(archive, names);
  Changed();
  Report(problems);
}

void TTextChooser::PickZipMembers() {
  const QString archive = QFileDialog::getOpenFileName(this, QStringLiteral("Zip archive"), {}, QStringLiteral("Zip archives (*.zip)"));
  if (archive.isEmpty()) return;
  std::vector<UString> problems;
  const auto names = choice_->ZipMemberNames(FromQString(archive), problems);
  if (!problems.empty()) {
    Report(problems);
    return;
  }
  QDialog pick(this);
  pick.setWindowTitle(QStringLiteral("Members of %1").arg(archive));
  auto* list = new QListWidget(&pick);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  for (const UString& n : names) list->addItem(ToQString(n));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &pick);
  auto* l = new QVBoxLayout(&pick);
  l->addWidget(list);
  l->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, &pick, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &pick, &QDialog::reject);
  if (pick.exec() != QDialog::Accepted) return;
  std::vector<UString> chosen;
  for (QListWidgetItem* i : list->selectedItems()) chosen.push_back(FromQString(i->text()));
  AddZipMembers(FromQString(archive), chosen);
}

void TTextChooser::RemoveSelected() {
  std::vector<int32_t> rows;
  for (const QModelIndex& i : grid_->selectionModel()->selectedRows()) rows.push_back(i.row());
  choice_->Remove(rows);
  Changed();
}

void TTextChooser::ClearAll() {
  choice_->Clear();
  Changed();
}

void TTextChooser::SaveChoice(UStringView file) {
  if (!choice_->Save(file)) Report({u"the choice could not be saved to " + UString(file)});
}

void TTextChooser::LoadChoice(UStringView file) {
  const auto problems = choice_->Load(file);
  Changed();
  Report(problems);
}

void TTextChooser::accept() {
  if (choice_->Collecting()) return;
  // An empty choice is not handed over: a run would otherwise go on with the last one.
  if (const std::vector<UString> refusal = choice_->Refusal(); !refusal.empty()) {
    Report(refusal);
    return;
  }
  if (!choice_->Commit()) {
    Report({u"the choice could not be handed to the tool (the temporary folder cannot be written)"});
    return;
  }
  QDialog::accept();
}
