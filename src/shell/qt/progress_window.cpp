#include "shell/qt/progress_window.h"

#include <QFormLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/settings/window_registry.h"
#include "shell/main_window/controller_messages.h"
#include "shell/qt/qt_application.h"

namespace {
constexpr int kCodeHide = 6107, kCodeClear = 6111, kCodeClearAndShow = 6112;
}

TProgressWindow::TProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  setWindowTitle(QStringLiteral("Progress"));
  auto* layout = new QVBoxLayout(this);
  short_ = new QLabel(this);
  QFont bold = short_->font();
  bold.setBold(true);
  short_->setFont(bold);
  long_ = new QLabel(this);
  long_->setWordWrap(true);
  this_bar_ = new QProgressBar(this);
  overall_bar_ = new QProgressBar(this);
  for (QProgressBar* b : {this_bar_, overall_bar_}) b->setRange(0, 100);
  auto* form = new QFormLayout;
  words_ = new QLabel(this);
  times_ = new QLabel(this);
  memory_ = new QLabel(this);
  form->addRow(QStringLiteral("This step"), this_bar_);
  form->addRow(QStringLiteral("Overall"), overall_bar_);
  form->addRow(QStringLiteral("Running words"), words_);
  form->addRow(QStringLiteral("Time"), times_);
  form->addRow(QStringLiteral("Memory"), memory_);
  stop_ = new QPushButton(QStringLiteral("Stop"), this);
  stop_->setFocusPolicy(Qt::NoFocus);
  connect(stop_, &QPushButton::clicked, this, [] { EscapePressed(); });
  layout->addWidget(short_);
  layout->addWidget(long_);
  layout->addLayout(form);
  layout->addWidget(stop_, 0, Qt::AlignRight);
  setMinimumWidth(420);
  clock_.start();
}

void TProgressWindow::Clear() {
  clock_.restart();
  TProgressRec empty{};
  view_ = MakeProgressView(empty, 0, ResidentMemoryBytes());
}

void TProgressWindow::HandleProgressCode(int code) {
  if (code == kCodeHide) {
    hide();
    return;
  }
  if (code == kCodeClear || code == kCodeClearAndShow) Clear();
  if (code == kCodeClearAndShow) {
    TProgressRec rec{};
    GetProgressParams(rec);
    adjustSize();
    if (rec.centre_x != 0 || rec.centre_y != 0) move(rec.centre_x - width() / 2, rec.centre_y - height() / 2);
    show();
  }
  Refresh();
}

void TProgressWindow::Refresh() {
  TProgressRec rec{};
  GetProgressParams(rec);
  view_ = MakeProgressView(rec, static_cast<double>(clock_.elapsed()) / 1000.0, ResidentMemoryBytes());
  short_->setText(ToQString(view_.short_message));
  long_->setText(ToQString(view_.long_message));
  this_bar_->setValue(view_.this_percent);
  overall_bar_->setValue(view_.overall_percent);
  words_->setText(ToQString(view_.running_words));
  QString times = QStringLiteral("%1 taken").arg(ToQString(view_.elapsed));
  if (!view_.remaining.empty()) times += QStringLiteral(", %1 to go").arg(ToQString(view_.remaining));
  times_->setText(times);
  memory_->setText(ToQString(view_.memory));
}
