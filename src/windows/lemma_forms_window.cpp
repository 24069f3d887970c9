#include "windows/lemma_forms_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QTableWidget>
#include <QTextDocument>
#include <QVBoxLayout>

#include "shell/qt/help_access.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/grid_printing.h"

TFormLemmaShower::TFormLemmaShower(QWidget* parent, TFileDialogs* dialogs)
    : TVXDialogForm(parent), file_dialogs_(dialogs) {
  setWindowTitle(QStringLiteral("Lemma forms"));
  SetHelpContext(this, 2790);
  auto* column = new QVBoxLayout(this);
  grid_ = new QTableWidget(this);
  grid_->setObjectName(QStringLiteral("VXSimpleVirtualGrid1"));
  grid_->verticalHeader()->hide();
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->horizontalHeader()->setSectionsClickable(true);
  grid_->setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* copy = new QAction(QStringLiteral("Copy"), grid_);
  connect(copy, &QAction::triggered, this, [this] { CopyToClipboard(); });
  grid_->addAction(copy);
  auto* print = new QAction(QStringLiteral("Print"), grid_);
  connect(print, &QAction::triggered, this, [this] { PrintGridText(); });
  grid_->addAction(print);
  connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) {
    const bool descending = grid_->horizontalHeader()->sortIndicatorSection() == c &&
                            grid_->horizontalHeader()->sortIndicatorOrder() == Qt::AscendingOrder;
    SortByColumn(c, descending);
  });
  column->addWidget(grid_);
  resize(320, 360);
}

void TFormLemmaShower::CopyStringData(const std::vector<TLemmaForm>& forms) {
  forms_ = forms;
  Fill();
}

void TFormLemmaShower::SetTheHeaders(const std::vector<UString>& headers) {
  headers_ = headers;
  Fill();
}

void TFormLemmaShower::SortByColumn(int column, bool descending) {
  SortLemmaForms(forms_, column, descending);
  grid_->horizontalHeader()->setSortIndicatorShown(true);
  grid_->horizontalHeader()->setSortIndicator(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
  Fill();
}

void TFormLemmaShower::Fill() {
  // One heading makes a list of lines (related clusters, a time-line row's data); else form and
  // frequency.
  const int columns = headers_.size() == 1 ? 1 : std::max<int>(2, static_cast<int>(headers_.size()));
  grid_->horizontalHeader()->setStretchLastSection(columns == 1);
  grid_->setColumnCount(columns);
  QStringList labels;
  for (const UString& h : headers_) labels << ToQString(h);
  grid_->setHorizontalHeaderLabels(labels);
  grid_->setRowCount(static_cast<int>(forms_.size()));
  for (int r = 0; r < static_cast<int>(forms_.size()); ++r)
    for (int c = 0; c < columns; ++c) {
      auto* item = new QTableWidgetItem(ToQString(LemmaFormCell(forms_, c, r + 1)));
      if (c != 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      grid_->setItem(r, c, item);
    }
}

UString TFormLemmaShower::GridText() const {
  UString out;
  for (const UString& h : headers_) out += h + u"\t";
  if (!out.empty()) out.back() = u'\n';
  for (int r = 1; r <= static_cast<int>(forms_.size()); ++r)
    out += LemmaFormCell(forms_, 0, r) + (headers_.size() == 1 ? UString() : u"\t" + LemmaFormCell(forms_, 1, r)) + u"\n";
  return out;
}

void TFormLemmaShower::CopyToClipboard() const { QApplication::clipboard()->setText(ToQString(GridText())); }

bool TFormLemmaShower::PrintGridText() {
  QTextDocument text;
  text.setPlainText(windowTitle() + QStringLiteral("\n\n") + ToQString(GridText()));
  return PrintTextDocument(text, windowTitle(), file_dialogs_);
}
