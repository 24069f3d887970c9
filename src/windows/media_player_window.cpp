#include "windows/media_player_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <cmath>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "shell/media/media_stretch.h"
#include "shell/qt/help_access.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/qt_dialog_service.h"

namespace {

constexpr int kPollMs = 40;
constexpr auto kStartWait = std::chrono::seconds(10);
constexpr int kHelpContextWindow = 2000;
constexpr int kHelpContextButton = 6310;
constexpr int kProblemHelpContext = 5040;

const char16_t* StateName(TMediaState s) {
  switch (s) {
    case TMediaState::NothingSpecial: return u"idle";
    case TMediaState::Opening: return u"opening";
    case TMediaState::Buffering: return u"buffering";
    case TMediaState::Playing: return u"playing";
    case TMediaState::Paused: return u"paused";
    case TMediaState::Stopped: return u"stopped";
    case TMediaState::Ended: return u"ended";
    case TMediaState::Error: return u"error";
  }
  return u"unknown";
}

QPushButton* Button(const char* name, const QString& text, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

}  // namespace

TFormVXPasLibVCL::TFormVXPasLibVCL(QWidget* parent, std::unique_ptr<TMediaPlayerBackend> player)
    : TVXStylableForm<QWidget>(parent, Qt::Window), player_(player ? std::move(player) : std::make_unique<TMediaPlayer>()) {
  setWindowTitle(QStringLiteral("Sound and Video"));
  SetHelpContext(this, kHelpContextWindow);
  auto* row = new QHBoxLayout(this);

  auto* side = new QVBoxLayout;
  label_time_ = new QLabel(this);
  label_time_->setObjectName(QStringLiteral("LabelTime"));
  label_time_->setMinimumWidth(90);
  label_speed_ = new QLabel(this);
  label_speed_->setObjectName(QStringLiteral("LabelSpeed"));
  auto* adjust_row = new QHBoxLayout;
  adjust_row->addWidget(new QLabel(QStringLiteral("\u00B1"), this));
  adjust_ = new QSpinBox(this);
  adjust_->setObjectName(QStringLiteral("AdvSpinEditAdjust"));
  adjust_->setRange(-3600, 3600);
  adjust_->setSuffix(QStringLiteral(" s"));
  adjust_->setToolTip(QStringLiteral("Seconds added to the start of each stretch"));
  adjust_row->addWidget(adjust_);
  auto* help = Button("ButtonHelp", QStringLiteral("Help"), this);
  SetHelpContext(help, kHelpContextButton);
  connect(help, &QPushButton::clicked, this, [] { OpenHelpPage(kHelpContextButton); });
  side->addWidget(label_time_);
  side->addWidget(label_speed_);
  side->addLayout(adjust_row);
  side->addStretch();
  side->addWidget(help);
  row->addLayout(side);

  video_group_ = new QGroupBox(QStringLiteral("Video"), this);
  auto* main = new QVBoxLayout(video_group_);
  video_ = new QWidget(video_group_);
  video_->setObjectName(QStringLiteral("PasLibVlcPlayer1"));
  video_->setMinimumSize(320, 180);
  video_->setAutoFillBackground(true);
  QPalette dark = video_->palette();
  dark.setColor(QPalette::Window, Qt::black);
  video_->setPalette(dark);
  main->addWidget(video_, 1);
  auto* buttons = new QHBoxLayout;
  pause_ = Button("ButtonPause", ToQString(VXRes(TVXRes::VXResume)), video_group_);
  back_ = Button("ButtonBack1Sec", QStringLiteral("< 1sec"), video_group_);
  forward_ = Button("ButtonForward1Sec", QStringLiteral("> 1sec"), video_group_);
  slower_ = Button("AdvGlowButtonSlower", QStringLiteral("Slower"), video_group_);
  faster_ = Button("AdvGlowButtonFaster", QStringLiteral("Faster"), video_group_);
  for (QPushButton* b : {pause_, back_, forward_, slower_, faster_}) buttons->addWidget(b);
  main->addLayout(buttons);
  auto* track_row = new QHBoxLayout;
  track_ = new QSlider(Qt::Horizontal, video_group_);
  track_->setObjectName(QStringLiteral("AdvTrackBarVideo"));
  track_->setRange(0, 100);
  track_label_ = new QLabel(QStringLiteral("Pos: 0"), video_group_);
  track_row->addWidget(track_, 1);
  track_row->addWidget(track_label_);
  main->addLayout(track_row);
  row->addWidget(video_group_, 1);

  connect(pause_, &QPushButton::clicked, this, [this] { ButtonPauseClick(); });
  connect(back_, &QPushButton::clicked, this, [this] { ButtonNudgeClick(false); });
  connect(forward_, &QPushButton::clicked, this, [this] { ButtonNudgeClick(true); });
  connect(slower_, &QPushButton::clicked, this, [this] { AdvGlowButtonSpeedClick(false); });
  connect(faster_, &QPushButton::clicked, this, [this] { AdvGlowButtonSpeedClick(true); });
  connect(track_, &QSlider::sliderPressed, this, [this] { Trackbar_clicking = true; });
  connect(track_, &QSlider::sliderReleased, this, [this] {
    AdvTrackBarVideoClick();
    Trackbar_clicking = false;
  });
  connect(track_, &QSlider::valueChanged, this, [this](int v) { track_label_->setText(QStringLiteral("Pos: %1").arg(v)); });

  back_->setEnabled(false);
  forward_->setEnabled(false);
  timer_ = new QTimer(this);
  timer_->setInterval(kPollMs);
  connect(timer_, &QTimer::timeout, this, [this] { Timer1Timer(); });
  OK_to_show_video = CheckVlcVersion(*player_, true);
  resize(640, 360);
}

TFormVXPasLibVCL::~TFormVXPasLibVCL() {
  timer_->stop();
  player_->Stop();
}

bool TFormVXPasLibVCL::CheckVlcVersion(const TMediaPlayerBackend& player, bool tell) {
  const bool ok = player.Loaded() && VersionAtLeast(player.VersionText(), kMinimumPlayerVersion);
  if (ok || !tell) return ok;
  if (!player.VersionText().empty()) VXDialog(TVXDialog::VideoLANPlayerVersionError, {kMinimumPlayerVersion});
  if (!player.LastError().empty()) VXDialog(TVXDialog::ProblemReport, {player.LastError()}, kProblemHelpContext);
  return false;
}

bool TFormVXPasLibVCL::VlcUnusable() const { return !OK_to_show_video || player_->State() == TMediaState::Error; }

bool TFormVXPasLibVCL::NotPlaying() const { return VlcUnusable() || !player_->IsPlay(); }

uint64_t TFormVXPasLibVCL::VideoWindowId() {
  // Only a window of the X server can take the library's picture.
  if (QGuiApplication::platformName() != QStringLiteral("xcb")) return 0;
  video_->setAttribute(Qt::WA_NativeWindow);
  return static_cast<uint64_t>(video_->winId());
}

TStringIntAndBoolean TFormVXPasLibVCL::PlayASoundOrVideoFile(UStringView file_name, int64_t start_ms,
                                                            int64_t duration_ms) {
  video_escaping = false;
  TStringIntAndBoolean result;
  result.message = UString(file_name);
  // A new request replaces the stretch that plays.
  EndWatch();
  player_->Stop();
  paused_at_end_ = false;
  if (!OK_to_show_video) {
    if (!player_->LastError().empty()) VXDialog(TVXDialog::ProblemReport, {player_->LastError()}, kProblemHelpContext);
    VXDialog(TVXDialog::CantPlayMedia, {VXResFmt(TVXRes::VXVideoLanPlayerState, {StateName(player_->State())})});
    result.message = VXResFmt(TVXRes::VXVideoLanPlayerNeeded, {ExtractFileExt(file_name)});
    return result;
  }
  if (!FileExists(file_name)) {
    VXDialog(TVXDialog::FailedToFind, {file_name});
    return result;
  }
  const int64_t from = AdjustedStartMs(start_ms, adjust_->value());
  if (!player_->Open(file_name, from, 0, VideoWindowId())) {
    VXDialog(TVXDialog::CantPlayMedia, {player_->LastError().empty() ? UString(file_name) : player_->LastError()});
    return result;
  }
  result.found = true;
  video_file_ = UString(file_name);
  // The speed chosen stays for the next stretch.
  if (rate_ != 100) player_->SetRatePercent(rate_);
  end_ms_ = StretchEndMs(start_ms, duration_ms, player_->LengthMs());
  if (player_->HasVideo()) {
    show();
    raise();
  }
  stage_ = TStage::Starting;
  start_asked_ = std::chrono::steady_clock::now();
  timer_->start();
  return result;
}

void TFormVXPasLibVCL::EndWatch() {
  stage_ = TStage::Idle;
  back_->setEnabled(player_->IsPlay() || player_->State() == TMediaState::Paused);
  forward_->setEnabled(back_->isEnabled());
}

void TFormVXPasLibVCL::ShowPauseCaption() {
  pause_->setText(ToQString(VXRes(player_->IsPlay() ? TVXRes::VXPause : TVXRes::VXResume)));
}

void TFormVXPasLibVCL::Timer1Timer() {
  const TMediaState state = player_->State();
  switch (stage_) {
    case TStage::Idle: break;
    case TStage::Starting:
      if (state == TMediaState::Playing) {
        stage_ = TStage::Watching;
        back_->setEnabled(true);
        forward_->setEnabled(true);
      } else if (state == TMediaState::Error || state == TMediaState::Ended || state == TMediaState::Stopped ||
                 std::chrono::steady_clock::now() - start_asked_ > kStartWait) {
        EndWatch();
        const UString why = player_->LastError().empty() ? UString(StateName(state)) : player_->LastError();
        player_->Stop();
        VXDialog(TVXDialog::CantPlayMedia, {video_file_ + u": " + why});
      }
      break;
    case TStage::Watching:
      if (state == TMediaState::Error) {
        EndWatch();
        VXDialog(TVXDialog::ProblemReport, {player_->LastError().empty() ? video_file_ : player_->LastError()},
                 kProblemHelpContext);
      } else if (state == TMediaState::Ended || state == TMediaState::Stopped) {
        EndWatch();
      } else if (player_->TimeMs() >= end_ms_) {
        player_->Pause();
        paused_at_end_ = true;
        EndWatch();
        back_->setEnabled(true);
        forward_->setEnabled(true);
      }
      break;
  }
  ShowPauseCaption();
  if (Trackbar_clicking) return;
  if (VlcUnusable() || player_->TimeMs() < 0) {
    track_->setValue(0);
    label_time_->clear();
  } else {
    label_time_->setText(ToQString(MediaTimeLabel(player_->TimeMs())));
    track_->setValue(static_cast<int>(std::lround(player_->PositionPercent())));
  }
  if (stage_ == TStage::Idle && !player_->IsPlay() && state != TMediaState::Paused) timer_->stop();
}

void TFormVXPasLibVCL::ButtonNudgeClick(bool forward) {
  if (VlcUnusable()) return;
  Trackbar_clicking = true;
  if (!player_->IsPlay()) player_->Resume();
  player_->SetTimeMs(NudgedPositionMs(player_->TimeMs(), forward ? kNudgeStepMs : -kNudgeStepMs));
  Trackbar_clicking = false;
  timer_->start();
}

void TFormVXPasLibVCL::AdvGlowButtonSpeedClick(bool faster) {
  if (VlcUnusable()) return;
  Trackbar_clicking = true;
  if (!player_->IsPlay()) player_->Resume();
  rate_ = SteppedRate(rate_, faster ? kRateStep : -kRateStep);
  player_->SetRatePercent(rate_);
  label_speed_->setText(ToQString(RateLabel(rate_)));
  Trackbar_clicking = false;
  timer_->start();
}

void TFormVXPasLibVCL::ButtonPauseClick() {
  if (VlcUnusable()) return;
  if (player_->IsPlay()) {
    player_->Pause();
  } else {
    player_->Resume();
    timer_->start();
  }
  ShowPauseCaption();
}

void TFormVXPasLibVCL::AdvTrackBarVideoClick() {
  if (NotPlaying()) return;
  const bool was = Trackbar_clicking;
  Trackbar_clicking = true;
  player_->SetPositionPercent(track_->value());
  Trackbar_clicking = was;
}

void TFormVXPasLibVCL::closeEvent(QCloseEvent* e) {
  video_escaping = true;
  EndWatch();
  if (!VlcUnusable() && player_->IsPlay()) player_->Stop();
  timer_->stop();
  TVXStylableForm<QWidget>::closeEvent(e);
}
