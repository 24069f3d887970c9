#include "windows/tag_colour_chooser.h"

#include <QHBoxLayout>
#include <QHideEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/runtime/vx_dialogs.h"
#include "platform/settings/settings_access.h"
#include "shell/qt/help_access.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/window_messages.h"

namespace {
constexpr int kImageHeight = 16;
constexpr int kTagListMenuItem = 77;
// Colours come as the store and the documents keep them: 0x00BBGGRR.
QColor ColourOf(uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }
}  // namespace

TFormTagColourChooser::TFormTagColourChooser(QWidget* parent) : TVXStylableForm<QWidget>(parent) {
  setWindowTitle(QStringLiteral("Tag Colour Chooser"));
  setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
  SetHelpContext(this, 1850);
  auto* column = new QVBoxLayout(this);
  auto* bar = new QHBoxLayout;
  all_ = new QPushButton(QStringLiteral("all"), this);
  all_->setObjectName(QStringLiteral("AdvGlowButtonSelectAll"));
  none_ = new QPushButton(QStringLiteral("none"), this);
  none_->setObjectName(QStringLiteral("AdvGlowButtonSelectNone"));
  describe_ = new QPushButton(QStringLiteral("descriptions"), this);
  describe_->setObjectName(QStringLiteral("AdvGlowButtonDescriptions"));
  bar->addWidget(all_);
  bar->addWidget(none_);
  bar->addWidget(describe_);
  bar->addStretch();
  column->addLayout(bar);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("CheckListBox1"));
  column->addWidget(list_);
  connect(all_, &QPushButton::clicked, this, [this] { SelectAll(true); });
  connect(none_, &QPushButton::clicked, this, [this] { SelectAll(false); });
  connect(describe_, &QPushButton::clicked, this, [this] { ToggleDescriptions(); });
  connect(list_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) { BoxChanged(item); });
}

void TFormTagColourChooser::Post(const TTagChooserMessage& m) {
  if (owner_) PostWindowMessage(owner_.data(), m.msg, m.wparam, m.lparam);
}

void TFormTagColourChooser::CopyTagsFrom(QObject* owner, const std::vector<TTagColourEntry>& tags, int font_size) {
  owner_ = owner;
  tags_ = tags;
  descriptions_ = GetTagPreferences().ShowDescriptions();
  filling_ = true;
  list_->clear();
  for (const TTagColourEntry& t : tags_) {
    bool bad = false;
    const TDrawColours d = TagDrawColours(t, bad);
    auto* item = new QListWidgetItem(list_);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(t.hidden ? Qt::Unchecked : Qt::Checked);
    item->setForeground(ColourOf(d.text));
    item->setBackground(ColourOf(d.background));
  }
  ShowTexts();
  filling_ = false;
  SetCheckListboxHeight(font_size);
  const UString bad = BadTagColoursMessage(tags_);
  if (!bad.empty()) VXDialog(TVXDialog::InformationMessage, {bad});
}

void TFormTagColourChooser::ShowTexts() {
  const bool was = filling_;
  filling_ = true;
  for (int i = 0; i < list_->count() && i < static_cast<int>(tags_.size()); ++i) {
    const TTagColourEntry& t = tags_[static_cast<size_t>(i)];
    list_->item(i)->setText(ToQString(descriptions_ ? t.description : t.label));
  }
  filling_ = was;
}

void TFormTagColourChooser::SetCheckListboxHeight(int font_size) {
  const double ppi = screen() ? screen()->logicalDotsPerInch() : 96.0;
  item_height_ = TagListItemHeight(kImageHeight, ppi, font_size);
  QFont f = list_->font();
  f.setPointSize(TagListFontSize(font_size));
  list_->setFont(f);
  for (int i = 0; i < list_->count(); ++i) list_->item(i)->setSizeHint(QSize(0, item_height_));
  list_->setFixedHeight(TagListHeight(list_->count(), item_height_, kImageHeight));
  adjustSize();
}

void TFormTagColourChooser::BoxChanged(QListWidgetItem* item) {
  if (filling_) return;
  const int index = list_->row(item);
  if (index < 0) return;
  const bool ticked = item->checkState() == Qt::Checked;
  if (index < static_cast<int>(tags_.size())) tags_[static_cast<size_t>(index)].hidden = !ticked;
  Post(TagTickMessage(index, ticked));
}

void TFormTagColourChooser::SelectAll(bool ticked) {
  Post(AllTagsMessage(ticked));
  filling_ = true;
  for (int i = 0; i < list_->count(); ++i) list_->item(i)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
  for (TTagColourEntry& t : tags_) t.hidden = !ticked;
  filling_ = false;
}

void TFormTagColourChooser::ToggleDescriptions() {
  descriptions_ = !descriptions_;
  ShowTexts();
}

void TFormTagColourChooser::FormShow() { SetMenuItemChecked(kTagListMenuItem, true); }

void TFormTagColourChooser::hideEvent(QHideEvent* e) {
  if (!e->spontaneous()) {
    SetMenuItemChecked(kTagListMenuItem, false);
    Post(ChooserHiddenMessage());
  }
  TVXStylableForm<QWidget>::hideEvent(e);
}
