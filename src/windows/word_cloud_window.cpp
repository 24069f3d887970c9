#include "windows/word_cloud_window.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include "model/lists/result_list_base.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "shell/qt/help_access.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/word_cloud_painter.h"

namespace {

constexpr int kHelpContext = 2940;
// The cloud's own colours (0x00BBGGRR): a white page, grey frames, dark blue words and a pale
// yellow behind a highlighted word.
constexpr uint32_t kCloudBackground = 0xFFFFFF;
constexpr uint32_t kCloudPen = 0x909090;
constexpr uint32_t kCloudWord = 0x602010;
constexpr uint32_t kCloudWordBackground = 0xB0F0FF;

QRgb Rgb(uint32_t bgr) { return CloudColour(bgr).rgb(); }

}  // namespace

TFormWordCloud::TFormWordCloud(QWidget* parent) : TVXStylableForm<QWidget>(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("Word Cloud"));
  SetHelpContext(this, kHelpContext);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    dpi_x_ = screen->logicalDotsPerInchX();
    dpi_y_ = screen->logicalDotsPerInchY();
  }
  const TCloudArea area = CloudAreaFor(GetPrinterRec(), dpi_x_, dpi_y_);
  cloud_ = std::make_unique<TWordCloud>(area.width, area.height);
  cloud_->pencolour = kCloudPen;
  cloud_->scrollbox_background_colour = kCloudBackground;
  cloud_->wordcolour = kCloudWord;
  cloud_->shapefillcolour = kCloudWordBackground;
  ReLoadSettingsFromTextBuf();
  picture_ = QImage(area.width, area.height, QImage::Format_RGB32);
  picture_.setDotsPerMeterX(static_cast<int>(std::lround(dpi_x_ / 0.0254)));
  picture_.setDotsPerMeterY(static_cast<int>(std::lround(dpi_y_ / 0.0254)));
  picture_.fill(CloudColour(kCloudBackground));

  auto* column = new QVBoxLayout(this);
  scroll_ = new QScrollArea(this);
  scroll_->setObjectName(QStringLiteral("AdvScrollBox1"));
  image1_ = new QLabel;
  image1_->setObjectName(QStringLiteral("Image1"));
  image1_->setMouseTracking(true);
  image1_->installEventFilter(this);
  scroll_->setWidget(image1_);
  column->addWidget(scroll_, 1);

  auto* panel = new QHBoxLayout;
  label1_ = new QLabel(this);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setMinimumWidth(220);
  label1_->setTextFormat(Qt::PlainText);
  panel->addWidget(label1_, 1);
  auto button = [&](const char* name, const QString& text, auto slot) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::fromLatin1(name));
    connect(b, &QPushButton::clicked, this, slot);
    panel->addWidget(b);
    return b;
  };
  button("AdvGlowButtonCopy", QStringLiteral("Copy"), [this] { CopyToClipboard(); });
  button("AdvGlowButtonSAve", QStringLiteral("Save"), [this] {
    TFileDialogRequest r;
    r.filter = u"PNG pictures (*.png)";
    r.default_ext = u".png";
    UString name;
    if (!file_dialogs_().ChooseFileToSave(r, name)) return;
    // The picture is PNG whatever the name chosen says.
    if (LowerCaseU(ExtractFileExt(name)) != u".png") name += u".png";
    SaveImage(name);
  });
  button("AdvGlowButtonPrint", QStringLiteral("Print"), [this] {
    QPrinter printer;
    if (QPrinterInfo::availablePrinters().isEmpty()) {
      // No printer: the page goes to a PDF file.
      TFileDialogRequest r;
      r.filter = u"PDF files (*.pdf)";
      r.default_ext = u".pdf";
      UString pdf;
      if (!file_dialogs_().ChooseFileToSave(r, pdf)) return;
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(ToQString(pdf));
    }
    PrintOn(printer);
  });
  button("AdvGlowButtonRefresh", QStringLiteral("Refresh"), [this] { Refresh(); });
  auto spin_label = [&](const QString& text) { panel->addWidget(new QLabel(text, this)); };
  horz_ = new QDoubleSpinBox(this);
  horz_->setObjectName(QStringLiteral("AdvSpinEditHorz"));
  vert_ = new QDoubleSpinBox(this);
  vert_->setObjectName(QStringLiteral("AdvSpinEditVert"));
  for (QDoubleSpinBox* s : {horz_, vert_}) {
    s->setRange(1.0, 3.0);
    s->setSingleStep(0.1);
    s->setDecimals(1);
  }
  spin_label(QStringLiteral("horizontal spacing"));
  panel->addWidget(horz_);
  spin_label(QStringLiteral("vertical"));
  panel->addWidget(vert_);
  spin_label(QStringLiteral("min. font size"));
  min_font_ = new QSpinBox(this);
  min_font_->setObjectName(QStringLiteral("AdvSpinEditMinFontSize"));
  min_font_->setRange(kCloudMinFontLowest, kCloudMinFontHighest);
  panel->addWidget(min_font_);
  column->addLayout(panel);
  connect(horz_, &QDoubleSpinBox::valueChanged, this, [this] { SpinChanged(); });
  connect(vert_, &QDoubleSpinBox::valueChanged, this, [this] { SpinChanged(); });
  connect(min_font_, &QSpinBox::valueChanged, this, [this] { SpinChanged(); });
  ShowPicture();
  resize(900, 700);
}

TFormWordCloud::~TFormWordCloud() { cloud_->Cancel(); }

void TFormWordCloud::ReLoadSettingsFromTextBuf() {
  if (!cloud_) return;
  cloud_->CloudSettings = GetWordCloudSettings();
}

void TFormWordCloud::LoadSettings(int32_t min_freq, int32_t max_freq, uint8_t output_case, bool use_case, bool reset) {
  SettingsLoaded = false;
  ReLoadSettingsFromTextBuf();
  TWordCloudSettingsRec& s = cloud_->CloudSettings;
  s.SetUseCase(use_case);
  if (use_case) s.SetOutputCase(output_case);
  cloud_->min_freq = reset ? 0 : min_freq;
  cloud_->max_freq = reset ? 0 : max_freq;
  ShowSpinValues();
  SettingsLoaded = true;
}

void TFormWordCloud::ShowSpinValues() {
  const TWordCloudSettingsRec& s = cloud_->CloudSettings;
  min_font_->setValue(std::clamp<int>(s.MinFontSize() > 0 ? s.MinFontSize() : 9, kCloudMinFontLowest, kCloudMinFontHighest));
  horz_->setValue(s.HorizontalSpacing() >= 1.0f ? s.HorizontalSpacing() : 1.0);
  vert_->setValue(s.VerticalSpacing() >= 1.0f ? s.VerticalSpacing() : 1.0);
}

void TFormWordCloud::SettingsChanged() {
  // The stored settings replace the window's own; the spin edits show them without each
  // drawing the cloud once more.
  const bool loaded = SettingsLoaded;
  SettingsLoaded = false;
  ReLoadSettingsFromTextBuf();
  ShowSpinValues();
  SettingsLoaded = loaded;
  if (isVisible()) Refresh();
}

void TFormWordCloud::SpinChanged() {
  if (!SettingsLoaded) return;
  TWordCloudSettingsRec& s = cloud_->CloudSettings;
  s.SetHorizontalSpacing(static_cast<float>(horz_->value()));
  s.SetVerticalSpacing(static_cast<float>(vert_->value()));
  s.SetMinFontSize(std::clamp(min_font_->value(), kCloudMinFontLowest, kCloudMinFontHighest));
  Refresh();
}

void TFormWordCloud::ComputeTheCloud(TVXBaseDataClass* list, UStringView caption) {
  if (cloud_->Busy()) return;
  base_list_ = list;
  txt_based = false;
  if (!list) return;
  list->ResetCloudCursor();
  cloud_->fListItemsCount = list->Count();
  cloud_->fOnWordCloudWordGetNext = [this](TWordFreqAndSourceNum& rec) {
    rec = TWordFreqAndSourceNum();
    // The document may have closed while the layout yielded.
    if (!base_list_) return;
    TCloudDatum d;
    base_list_->GetNextCloudDatum(d);
    rec.word = d.word;
    rec.freq = d.value;
    rec.number = d.index;
  };
  Draw(caption);
}

void TFormWordCloud::ComputeTheCloud(UStringView caption) {
  if (cloud_->Busy() || !text_list_) return;
  text_list_->cursor = 0;
  txt_based = true;
  Draw(caption);
}

void TFormWordCloud::SetTextList(std::unique_ptr<TMyCloudTXTList> list) {
  if (cloud_->Busy()) return;
  text_list_ = std::move(list);
  TMyCloudTXTList* words = text_list_.get();
  cloud_->fOnWordCloudWordGetNext = [words](TWordFreqAndSourceNum& rec) { words->GetNextCloudDatum(rec); };
  cloud_->fListItemsCount = words ? words->Count() : 0;
}

void TFormWordCloud::Refresh() {
  const UString caption = FromQString(windowTitle());
  if (!txt_based) ComputeTheCloud(base_list_, caption);
  else ComputeTheCloud(caption);
}

void TFormWordCloud::DropBaseList() {
  base_list_ = nullptr;
  cloud_->Cancel();
}

void TFormWordCloud::Draw(UStringView caption) {
  label1_->clear();
  setWindowTitle(ToQString(caption));
  const QString family = ToQString(GetTextSettings().FontName());
  show();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // Drawn on a fresh picture: the shown one stays until the new one is whole.
  QImage fresh(picture_.size(), QImage::Format_RGB32);
  fresh.setDotsPerMeterX(picture_.dotsPerMeterX());
  fresh.setDotsPerMeterY(picture_.dotsPerMeterY());
  DisplayFramingRect(*cloud_, fresh);
  const bool laid = DisplayTheWords(*cloud_, fresh, family, [] { MyYieldProcess(); });
  QApplication::restoreOverrideCursor();
  if (!laid) return;
  int64_t placed = 0;
  for (const TCloudWordDraw& d : cloud_->Draws()) placed += d.redraw ? 0 : 1;
  if (placed < 2) {
    VXDialog(TVXDialog::InformationMessage,
             {u"A word cloud needs at least two words with a frequency above 0; this list has " + IntToUStr(placed) + u"."});
    return;
  }
  highlighted_ = QRect();
  picture_ = fresh;
  ShowPicture();
  // The middle of the picture in view.
  for (QScrollBar* bar : {scroll_->horizontalScrollBar(), scroll_->verticalScrollBar()})
    bar->setValue((bar->maximum() + bar->minimum()) / 2);
}

void TFormWordCloud::ShowPicture() {
  image1_->setPixmap(QPixmap::fromImage(picture_));
  image1_->resize(picture_.size());
}

void TFormWordCloud::ClearHighlight() {
  if (highlighted_.isNull()) return;
  QPainter p(&picture_);
  p.drawImage(highlighted_.topLeft(), saved_region_);
  highlighted_ = QRect();
}

int TFormWordCloud::MouseOverPicture(int x, int y) {
  TCloudRect box;
  const int m = cloud_->ItemAt(x, y, &box);
  if (m < 1) {
    label1_->clear();
    if (!highlighted_.isNull()) {
      ClearHighlight();
      ShowPicture();
    }
    return 0;
  }
  QStringList lines;
  if (txt_based && text_list_) {
    if (m <= text_list_->Count())
      lines << ToQString(text_list_->Strings(m - 1) + u" (" + IntToUStr(text_list_->Longint(m - 1)) + u")");
  } else if (base_list_ && m <= base_list_->Count()) {
    lines = ToQString(base_list_->EntryDetailsAsString(m - 1)).split(QLatin1Char('\n'));
    if (lines.join(QString()).trimmed().isEmpty()) {
      TCloudDatum d;
      base_list_->GetOneCloudDatum(m - 1, d);
      lines = {ToQString(d.word), QString::number(m)};
    }
  }
  label1_->setText(lines.join(QLatin1Char('\n')));
  const QRect rect = ToQRect(box).intersected(picture_.rect());
  if (rect != highlighted_) {
    ClearHighlight();
    saved_region_ = picture_.copy(rect);
    QPainter p(&picture_);
    p.drawImage(rect.topLeft(), HighlightedRegion(picture_, rect, Rgb(cloud_->scrollbox_background_colour),
                                                  Rgb(cloud_->shapefillcolour)));
    p.end();
    highlighted_ = rect;
    ShowPicture();
  }
  return m;
}

bool TFormWordCloud::eventFilter(QObject* watched, QEvent* e) {
  if (watched == image1_ && e->type() == QEvent::MouseMove) {
    const QPoint at = static_cast<QMouseEvent*>(e)->position().toPoint();
    MouseOverPicture(at.x(), at.y());
  }
  return TVXStylableForm<QWidget>::eventFilter(watched, e);
}

void TFormWordCloud::CopyToClipboard() {
  ClearHighlight();
  ShowPicture();
  QApplication::clipboard()->setImage(picture_);
}

bool TFormWordCloud::SaveImage(UStringView file_name) {
  ClearHighlight();
  ShowPicture();
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  UString error;
  if (!picture_.save(&buffer, "PNG") || !SafeSaveBytes(file_name, png.constData(), png.size(), &error)) {
    if (!error.empty()) AddToLogFile(error);
    VXDialog(TVXDialog::FailedToSave, {file_name});
    return false;
  }
  return true;
}

bool TFormWordCloud::PrintOn(QPrinter& printer) {
  ClearHighlight();
  ShowPicture();
  QPainter p;
  if (!p.begin(&printer)) {
    VXDialog(TVXDialog::FailedToSave, {FromQString(printer.outputFileName())});
    return false;
  }
  const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
  const QSize fitted = picture_.size().scaled(page.size(), Qt::KeepAspectRatio);
  p.drawImage(QRect(QPoint(0, 0), fitted), picture_);
  return p.end();
}
