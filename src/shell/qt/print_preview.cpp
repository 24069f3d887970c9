#include "shell/qt/print_preview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "shell/qt/grid_printing.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/qt_dialog_service.h"
#include "shell/qt/vx_grid.h"

namespace {
constexpr int kPreviewHelpContext = 1343;
constexpr double kScreenDpi = 96.0;

QToolButton* Button(QWidget* parent, QLayout* layout, const QString& text) {
  auto* b = new QToolButton(parent);
  b->setText(text);
  b->setAutoRaise(true);
  layout->addWidget(b);
  return b;
}
}  // namespace

// --- the handler ------------------------------------------------------------------------------------

void TPrintPreviewHandler::PrintThePages(int command) {
  if (!previewgrid || PrintPreviewBusy || !preview_ || preview_->PreviewedGrid() != previewgrid) return;
  int32_t page = preview_->CurrentPage();
  switch (command) {
    case kPreviewNextPage:
      if (page < preview_->PageCount() - 1) ++page;
      break;
    case kPreviewPreviousPage:
      if (page > 0) --page;
      break;
    case kPreviewActivated:
      preview_->LoadStoredSettings();
      preview_->Redraw();
      return;
    case kPreviewPrint:
      preview_->PrintPages();
      return;
    case kPreviewSettingsChanged: preview_->StoreSettings(); break;
    default: break;
  }
  // The grid's data may have shrunk since the page was chosen.
  preview_->Replan();
  page = ClampPage(page, preview_->PageCount());
  preview_->SetCurrentPage(page);
  const TGridPagePlan& plan = preview_->Plan();
  previewgrid->SetTopRow(static_cast<int>(std::max<int64_t>(1, plan.FirstRowOf(plan.PageOfSheet(page)) + 1)));
  preview_->Redraw();
}

// --- the window -------------------------------------------------------------------------------------

TVXFormPrintPreview::TVXFormPrintPreview(QWidget* parent)
    : TVXStylableForm<QWidget>(parent, Qt::Window), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  setWindowTitle(ToQString(VXRes(TVXRes::VXPrintPreview)));
  resize(760, 820);
  LoadStoredSettings();

  auto* column = new QVBoxLayout(this);
  auto* top = new QWidget(this);
  auto* bar = new QHBoxLayout(top);
  bar->setContentsMargins(4, 2, 4, 2);
  QToolButton* hundred = Button(top, bar, QStringLiteral("100%"));
  QToolButton* fit = Button(top, bar, ToQString(VXRes(TVXRes::VXFitToPage)));
  QToolButton* back = Button(top, bar, QStringLiteral("<"));
  QToolButton* forward = Button(top, bar, QStringLiteral(">"));
  zoom_ = new QComboBox(top);
  zoom_->setEditable(true);
  zoom_->setInsertPolicy(QComboBox::NoInsert);
  zoom_->setMinimumWidth(110);
  bar->addWidget(zoom_);
  QToolButton* print = Button(top, bar, QStringLiteral("Print"));
  QToolButton* portrait = Button(top, bar, ToQString(VXRes(TVXRes::VXPortrait)));
  QToolButton* landscape = Button(top, bar, ToQString(VXRes(TVXRes::VXLandscape)));
  colour_button_ = Button(top, bar, QStringLiteral("Colour"));
  QToolButton* help = Button(top, bar, QStringLiteral("Help"));
  bar->addStretch();
  close_button_ = Button(top, bar, QStringLiteral("Close"));
  close_button_->setObjectName(QStringLiteral("ButtonClose"));
  column->addWidget(top);

  tabs_ = new QTabWidget(this);
  preview_ = new QPrintPreviewWidget(printer_.get(), tabs_);
  tabs_->addTab(preview_, ToQString(VXRes(TVXRes::VXPrintPreview)));
  auto* settings = new QWidget(tabs_);
  auto* form = new QVBoxLayout(settings);
  auto* header_box = new QGroupBox(QStringLiteral("Header"), settings);
  auto* header_row = new QHBoxLayout(header_box);
  edit_header_ = new QLineEdit(header_box);
  edit_header_->setMaxLength(80);
  header_visible_ = new QCheckBox(QStringLiteral("visible"), header_box);
  header_row->addWidget(edit_header_, 1);
  header_row->addWidget(header_visible_);
  auto* footer_box = new QGroupBox(QStringLiteral("Footer"), settings);
  auto* footer_row = new QHBoxLayout(footer_box);
  edit_footer_ = new QLineEdit(footer_box);
  edit_footer_->setMaxLength(80);
  footer_visible_ = new QCheckBox(QStringLiteral("visible"), footer_box);
  footer_row->addWidget(edit_footer_, 1);
  footer_row->addWidget(footer_visible_);
  form->addWidget(header_box);
  form->addWidget(footer_box);
  form->addStretch();
  tabs_->addTab(settings, QStringLiteral("Settings"));
  column->addWidget(tabs_, 1);

  zoom_entries_ = DefaultZoomEntries();
  FillZoomList();
  connect(preview_, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* p) { PaintRequested(p); });
  connect(zoom_, &QComboBox::textActivated, this, [this](const QString& t) { ComboBoxZoomChange(t); });
  connect(hundred, &QToolButton::clicked, this, [this] { Toggle100(); });
  connect(fit, &QToolButton::clicked, this, [this] { FitToPageClick(); });
  connect(back, &QToolButton::clicked, this, [this] { SendCommand(kPreviewPreviousPage); });
  connect(forward, &QToolButton::clicked, this, [this] { SendCommand(kPreviewNextPage); });
  connect(print, &QToolButton::clicked, this, [this] { SendCommand(kPreviewPrint); });
  connect(portrait, &QToolButton::clicked, this, [this] { SetLandscape(false); });
  connect(landscape, &QToolButton::clicked, this, [this] { SetLandscape(true); });
  connect(colour_button_, &QToolButton::clicked, this, [this] { ToggleColour(); });
  connect(help, &QToolButton::clicked, this, [] { OpenHelpPage(kPreviewHelpContext); });
  connect(close_button_, &QToolButton::clicked, this, [this] { close(); });
  connect(edit_header_, &QLineEdit::editingFinished, this, [this] { EditHeaderChanged(); });
  connect(edit_footer_, &QLineEdit::editingFinished, this, [this] { EditFooterChanged(); });
  connect(header_visible_, &QCheckBox::clicked, this, [this] { CheckBoxHeaderVisibleClick(); });
  connect(footer_visible_, &QCheckBox::clicked, this, [this] { CheckBoxFooterVisibleClick(); });
  ShowSettingsInControls();
  ApplyZoom();
}

TVXFormPrintPreview::~TVXFormPrintPreview() = default;

void TVXFormPrintPreview::AssignStuff(QWidget* owner, TBasePrintHandler* handler, TFileDialogs* dialogs) {
  owner_ = owner;
  handler_ = handler;
  dialogs_ = dialogs;
}

void TVXFormPrintPreview::PreviewGrid(TVX_Grid* grid) {
  if (grid != grid_) {
    current_page_ = 0;
    QObject::disconnect(grid_changed_);
    if (grid)
      grid_changed_ = connect(&grid->Model(), &QAbstractItemModel::modelReset, this, [this] { GridListChanged(); });
  }
  grid_ = grid;
  setWindowTitle(ToQString(Caption()));
  if (!grid_) {
    plan_ = TGridPagePlan();
    return;
  }
  Redraw();
}

void TVXFormPrintPreview::Replan() {
  if (!grid_) {
    plan_ = TGridPagePlan();
    return;
  }
  ApplyPrintPageRec(*printer_, printer_name_, settings_);
  plan_ = PlanGridForPrinter(*grid_, *printer_, PrintOptionsFromRec(settings_));
  // A column wider than the page is narrowed on the grid too, once, and the caption says so.
  if (plan_.narrowed_column > 0) {
    grid_->setColumnWidth(plan_.narrowed_column - 1, plan_.narrowed_width);
    plan_ = PlanGridForPrinter(*grid_, *printer_, PrintOptionsFromRec(settings_));
    setWindowTitle(ToQString(VXResFmt(TVXRes::VXXColumnTooWide, {Caption()})));
  }
}

void TVXFormPrintPreview::Redraw() {
  if (!grid_ || (handler_ && handler_->PrintPreviewBusy)) return;
  Replan();
  current_page_ = ClampPage(current_page_, plan_.SheetCount());
  preview_->updatePreview();
}

void TVXFormPrintPreview::GridListChanged() {
  if (!isVisible() || redraw_pending_) return;
  redraw_pending_ = true;
  QTimer::singleShot(0, this, [this] {
    redraw_pending_ = false;
    if (isVisible()) Redraw();
  });
}

void TVXFormPrintPreview::PaintRequested(QPrinter* printer) {
  if (!grid_ || plan_.SheetCount() == 0) return;
  if (handler_) handler_->PrintPreviewBusy = true;
  QPainter painter(printer);
  const double scale = printer->resolution() / kScreenDpi;
  painter.scale(scale, scale);
  PaintGridPage(*grid_, painter, *printer, plan_, current_page_, PrintOptionsFromRec(settings_));
  painter.end();
  if (handler_) handler_->PrintPreviewBusy = false;
}

int32_t TVXFormPrintPreview::PrintPages() {
  if (!grid_) return 0;
  QPrinter printer(QPrinter::HighResolution);
  TGridPrintOptions options = PrintOptionsFromRec(settings_);
  if (ApplyPrintPageRec(printer, printer_name_, settings_)) {
    const TGridPagePlan plan = PlanGridForPrinter(*grid_, printer, options);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(ToQString(PrintDialogTitle(plan.SheetCount())));
    dialog.setMinMax(1, std::max(1, plan.SheetCount()));
    if (dialog.exec() != QDialog::Accepted) return 0;
    if (dialog.printRange() == QAbstractPrintDialog::PageRange) {
      options.first_page = dialog.fromPage() - 1;
      options.last_page = dialog.toPage() - 1;
    }
  } else {
    // No printer: the pages go into a PDF file the user names.
    if (!dialogs_ || !ChoosePdfFileForPrinter(printer, *dialogs_)) return 0;
  }
  const int32_t printed = PrintGrid(*grid_, printer, options);
  grid_->viewport()->update();
  return printed;
}

void TVXFormPrintPreview::StoreSettings() {
  SetPrintPageRec(settings_);
  TPrinterRec rec = GetPrinterRec();
  rec.SetPrinterName(printer_name_);
  SetPrinterRec(rec);
  if (settings_changed_) settings_changed_();
}

void TVXFormPrintPreview::LoadStoredSettings() {
  settings_ = GetPrintPageRec();
  printer_name_ = GetPrinterRec().PrinterName();
  ApplyPrintPageRec(*printer_, printer_name_, settings_);
  if (edit_header_) ShowSettingsInControls();  // not while the window is being built
}

void TVXFormPrintPreview::SendCommand(int command) {
  if (handler_) handler_->PrintThePages(command);
}

// --- zoom -------------------------------------------------------------------------------------------

void TVXFormPrintPreview::FillZoomList() {
  filling_ = true;
  zoom_->clear();
  zoom_->addItem(ToQString(VXRes(TVXRes::VXFitToPage)));
  for (int32_t n : zoom_entries_) zoom_->addItem(QString::number(n) + QLatin1Char('%'));
  filling_ = false;
}

void TVXFormPrintPreview::SelectZoomEntry(int32_t zoom) {
  int32_t index = ZoomEntryFor(zoom_entries_, zoom);
  if (index < 0) index = static_cast<int32_t>(InsertZoomEntry(zoom_entries_, 100));
  filling_ = true;
  zoom_->setCurrentIndex(index + 1);
  filling_ = false;
}

void TVXFormPrintPreview::ComboBoxZoomChange(const QString& text) {
  if (filling_ || (handler_ && handler_->PrintPreviewBusy)) return;
  const auto zoom = ZoomFromText(FromQString(text));
  if (!zoom) {
    fit_ = true;
    filling_ = true;
    zoom_->setCurrentIndex(0);
    filling_ = false;
  } else {
    fit_ = false;
    const size_t before = zoom_entries_.size();
    InsertZoomEntry(zoom_entries_, *zoom);
    if (zoom_entries_.size() != before) FillZoomList();
    zoom_percent_ = *zoom;
    SelectZoomEntry(zoom_percent_);
  }
  ApplyZoom();
}

void TVXFormPrintPreview::ApplyZoom() {
  if (fit_) {
    preview_->setZoomMode(QPrintPreviewWidget::FitInView);
  } else {
    preview_->setZoomMode(QPrintPreviewWidget::CustomZoom);
    preview_->setZoomFactor(zoom_percent_ / 100.0);
  }
}

void TVXFormPrintPreview::Toggle100() {
  last_zoom100_ = !last_zoom100_;
  if (last_zoom100_) {
    last_zoom_ = zoom_percent_;
    ComboBoxZoomChange(QStringLiteral("100%"));
  } else {
    ComboBoxZoomChange(QString::number(last_zoom_) + QLatin1Char('%'));
  }
}

void TVXFormPrintPreview::FitToPageClick() { ComboBoxZoomChange(ToQString(VXRes(TVXRes::VXFitToPage))); }

// --- settings ---------------------------------------------------------------------------------------

void TVXFormPrintPreview::ShowSettingsInControls() {
  const QSignalBlocker a(edit_header_), b(edit_footer_), c(header_visible_), d(footer_visible_);
  edit_header_->setText(ToQString(settings_.Header()));
  edit_footer_->setText(ToQString(settings_.Footer()));
  header_visible_->setChecked(settings_.HeaderWanted());
  footer_visible_->setChecked(settings_.FooterWanted());
  colour_button_->setText(settings_.Monochrome() ? QStringLiteral("Mono") : QStringLiteral("Colour"));
  setWindowTitle(ToQString(Caption()));
}

void TVXFormPrintPreview::ApplySettings() {
  ShowSettingsInControls();
  if (handler_ && grid_) SendCommand(kPreviewSettingsChanged);
  else StoreSettings();
}

void TVXFormPrintPreview::EditHeaderChanged() {
  settings_.SetHeader(FromQString(edit_header_->text()));
  settings_.SetHeaderWanted(!edit_header_->text().isEmpty());
  ApplySettings();
}

void TVXFormPrintPreview::EditFooterChanged() {
  settings_.SetFooter(FromQString(edit_footer_->text()));
  settings_.SetFooterWanted(!edit_footer_->text().isEmpty());
  ApplySettings();
}

void TVXFormPrintPreview::CheckBoxHeaderVisibleClick() {
  settings_.SetHeader(FromQString(edit_header_->text()));
  settings_.SetHeaderWanted(header_visible_->isChecked());
  ApplySettings();
}

void TVXFormPrintPreview::CheckBoxFooterVisibleClick() {
  settings_.SetFooter(FromQString(edit_footer_->text()));
  settings_.SetFooterWanted(footer_visible_->isChecked());
  ApplySettings();
}

void TVXFormPrintPreview::SetLandscape(bool landscape) {
  settings_.SetLandscape(landscape);
  ApplySettings();
}

void TVXFormPrintPreview::ToggleColour() {
  settings_.SetMonochrome(!settings_.Monochrome());
  ApplySettings();
}

UString TVXFormPrintPreview::PrinterAndOrientation() const {
  const UString printer = PrinterInstalled(printer_name_) ? printer_name_ : UString(u"PDF");
  return VXResFmt(TVXRes::VXPrinternameAndPortraitOrLandScape,
                  {printer, VXRes(settings_.Landscape() ? TVXRes::VXLandscape : TVXRes::VXPortrait)});
}

UString TVXFormPrintPreview::Caption() const {
  const UString list = grid_ ? list_type_as_string(grid_->ListType()) : UString();
  const UString title = list.empty() ? VXRes(TVXRes::VXPrintPreview) : VXRes(TVXRes::VXPrintPreview) + u": " + list;
  return title + u" \u2014 " + PrinterAndOrientation();
}

void TVXFormPrintPreview::keyPressEvent(QKeyEvent* event) {
  // Escape reaches the window from any of its controls that leaves it alone.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  TVXStylableForm<QWidget>::keyPressEvent(event);
}

void TVXFormPrintPreview::FormShow() {
  ShowSettingsInControls();
  tabs_->setCurrentIndex(0);
}

void TVXFormPrintPreview::FormActivate() { SendCommand(kPreviewActivated); }
