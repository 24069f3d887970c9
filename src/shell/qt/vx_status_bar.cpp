#include "shell/qt/vx_status_bar.h"

#include <QLabel>
#include <QMouseEvent>

#include "shell/qt/qt_application.h"

namespace {
const char* const kTypingCaptions[] = {"type-in", "set categories", "editing data"};
// Panels that stay narrow (counts and percentages); the long message takes what is left.
constexpr int kNarrowPanel = 70;
}  // namespace

TVXStatusBar::TVXStatusBar(QWidget* parent) : QStatusBar(parent) {
  setSizeGripEnabled(false);
  typing_ = new QToolButton(this);
  typing_->setAutoRaise(true);
  typing_->setText(QString::fromLatin1(kTypingCaptions[0]));
  connect(typing_, &QToolButton::clicked, this, [this] {
    SetTypingMode((typing_mode_ + 1) % 3);
    emit TypingModeChosen(typing_mode_);
  });
  addWidget(typing_);
  for (int i = 0; i < kPanels; ++i) {
    labels_[i] = new QLabel(this);
    labels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    labels_[i]->installEventFilter(this);
    bars_[i] = new QProgressBar(this);
    bars_[i]->setRange(0, 100);
    bars_[i]->setTextVisible(true);
    bars_[i]->setMaximumHeight(16);
    bars_[i]->hide();
    bars_[i]->installEventFilter(this);
    const bool wide = i == kPanelLongMessage;
    if (!wide) {
      labels_[i]->setMinimumWidth(kNarrowPanel);
      bars_[i]->setFixedWidth(kNarrowPanel * 3 / 2);
    }
    addWidget(labels_[i], wide ? 1 : 0);
    addWidget(bars_[i], wide ? 1 : 0);
  }
}

TVXStatusBar::~TVXStatusBar() {
  if (attached_ && GlobalProgress() && GlobalProgress()->StatusBar() == this) GlobalProgress()->SetProgressStatusBar(nullptr);
}

void TVXStatusBar::SetPanelText(int panel, UStringView text) {
  if (panel < 0 || panel >= kPanels) return;
  const QString shown = text.empty() ? captions_[panel] : ToQString(text);
  // The same text again changes nothing; measuring it is most of what setting it costs.
  if (labels_[panel]->text() == shown) return;
  labels_[panel]->setText(shown);
  // A narrow panel widens at once for a longer text (a count gaining a digit), never cut short.
  if (panel != kPanelLongMessage) {
    const int needed = labels_[panel]->fontMetrics().horizontalAdvance(shown) + 12;
    if (needed > labels_[panel]->minimumWidth()) labels_[panel]->setMinimumWidth(needed);
  }
}

void TVXStatusBar::SetPanelBarValue(int panel, int percent) {
  if (panel < 0 || panel >= kPanels) return;
  bars_[panel]->setValue(std::clamp(percent, 0, 100));
}

void TVXStatusBar::SetPanelBarStyle(int panel, bool bar) {
  if (panel < 0 || panel >= kPanels) return;
  labels_[panel]->setVisible(!bar);
  bars_[panel]->setVisible(bar);
}

void TVXStatusBar::BringApplicationToFront() {
  if (QWidget* w = window()) {
    w->raise();
    w->activateWindow();
  }
}

void TVXStatusBar::SetPanelCaption(int panel, UStringView caption, UStringView tip) {
  if (panel < 0 || panel >= kPanels) return;
  const bool resting = labels_[panel]->text() == captions_[panel];
  captions_[panel] = ToQString(caption);
  labels_[panel]->setToolTip(ToQString(tip));
  labels_[panel]->setCursor(Qt::PointingHandCursor);
  if (resting) SetPanelText(panel, u"");
}

QString TVXStatusBar::PanelText(int panel) const {
  return panel >= 0 && panel < kPanels ? labels_[panel]->text() : QString();
}
int TVXStatusBar::PanelBarValue(int panel) const {
  return PanelIsBar(panel) ? bars_[panel]->value() : -1;
}
bool TVXStatusBar::PanelIsBar(int panel) const {
  return panel >= 0 && panel < kPanels && !bars_[panel]->isHidden();
}

void TVXStatusBar::SetTypingMode(int mode) {
  typing_mode_ = std::clamp(mode, 0, 2);
  typing_->setText(QString::fromLatin1(kTypingCaptions[typing_mode_]));
}

void TVXStatusBar::AttachToProgress() {
  if (!GlobalProgress()) CreateGlobalProgress();
  GlobalProgress()->SetProgressStatusBar(this);
  attached_ = true;
}

bool TVXStatusBar::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::MouseButtonRelease) {
    for (int i = 0; i < kPanels; ++i)
      if (watched == labels_[i] || watched == bars_[i]) {
        emit PanelClicked(i);
        break;
      }
  }
  return QStatusBar::eventFilter(watched, e);
}
