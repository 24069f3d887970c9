#include "shell/qt/text_chooser.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <set>

#include "model/chosen_texts_handover.h"
#include "platform/rtl/datetime.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "shell/qt/qt_application.h"

namespace {
const char* const kHeadings[] = {"Text", "Folder", "Size", "Date", "Kind"};
}

QVariant TChosenTextsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const TChosenFileDetailsFullRec d = choice_.Texts().GetFullFileDetails(index.row());
  if (role == Qt::TextAlignmentRole && index.column() == 2) return int(Qt::AlignRight | Qt::AlignVCenter);
  if (role == Qt::ForegroundRole && d.rec.wanted == kWantedNotFound) return QColor(170, 0, 0);
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case 0: return ToQString(d.rec.filename);
    case 1: return ToQString(d.folder);
    case 2: return ToQString(SizeAsString(d.rec.size));
    case 3: return ToQString(DateTimeToUStr(d.rec.date));
    case 4:
      return d.rec.wanted == kWantedNotFound ? QStringLiteral("unreadable")
                                             : ToQString(KindAsString(d.rec.kind)) +
                                                   (d.rec.zip_member > 0 ? QStringLiteral(" (zip)") : QString());
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
  grid_->setTextElideMode(Qt::ElideLeft);  // a long folder keeps its last parts in view
  grid_->setColumnWidth(0, 160);
  grid_->setColumnWidth(1, 280);
  grid_->setColumnWidth(2, 80);
  grid_->setColumnWidth(3, 150);
  layout->addWidget(grid_);

  auto* editing = new QHBoxLayout;
  auto* remove = new QPushButton(QStringLiteral("Remove"), this);
  auto* clear = new QPushButton(QStringLiteral("Clear"), this);
  auto* save = new QPushButton(QStringLiteral("Save..."), this);
  auto* load = new QPushButton(QStringLiteral("Load..."), this);
  status_ = new QLabel(this);
  stop_ = new QPushButton(QStringLiteral("Stop"), this);
  stop_->setEnabled(false);
  for (QWidget* w : std::initializer_list<QWidget*>{remove, clear, save, load, status_}) editing->addWidget(w);
  editing->addStretch();
  editing->addWidget(stop_);
  layout->addLayout(editing);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(buttons);

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
    const QString f = QFileDialog::getSaveFileName(this, QStringLiteral("Save the choice"));
    if (!f.isEmpty()) SaveChoice(FromQString(f));
  });
  connect(load, &QPushButton::clicked, this, [this] {
    const QString f = QFileDialog::getOpenFileName(this, QStringLiteral("Load a choice"));
    if (!f.isEmpty()) LoadChoice(FromQString(f));
  });
  connect(stop_, &QPushButton::clicked, this, [this] { choice_->StopCollecting(); });
  choice_->Texts().fOnFolder = [this](const UString& f) {
    status_->setText(QStringLiteral("reading %1").arg(ToQString(f)));
  };
  choice_->Texts().fOnFilesPercent = [this](int percent) { status_->setText(QStringLiteral("%1%").arg(percent)); };
  Changed();
}

void TTextChooser::Changed() {
  model_->Changed();
  status_->setText(QStringLiteral("%1 texts").arg(choice_->Count()));
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
  stop_->setEnabled(true);
  const auto problems = choice_->AddFolder(folder, FromQString(mask_->text()), sub_folders_->isChecked(), zips_->isChecked());
  stop_->setEnabled(false);
  Changed();
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
  if (!choice_->Commit()) {
    Report({u"the choice could not be handed to the tool (the temporary folder cannot be written)"});
    return;
  }
  QDialog::accept();
}
