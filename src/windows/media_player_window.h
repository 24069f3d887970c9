// The media window ("Sound and Video"): plays the stretch of a recording that belongs to a
// concordance line, with pause, two-second nudges, speed, an adjust value for the start and a
// position bar.
//
// A play request, in order:
//   1. what is playing stops (a new request replaces the old stretch);
//   2. without a usable playback library the request is refused with the player's state
//      (CantPlayMedia), whatever the file;
//   3. the file opens at the stretch's start moved by the adjust value; a missing file gives
//      FailedToFind, anything that cannot be played CantPlayMedia (the window stays as it was);
//   4. a file with a picture shows the window; a sound plays with the window hidden;
//   5. the window's timer (nothing else) then watches: until playing begins (at most 10 s), then
//      until the position reaches the stretch's end, where the player pauses. The user may play
//      on past it. An end, stop or error of the media ends the watch.
// The timer also moves the time label and the position bar; it is the only place that reads the
// player, so nothing of ours runs on the playback library's threads and no loop runs nested.
#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <memory>

#include "platform/media/media_player.h"
#include "shell/media/media_markers.h"
#include "shell/qt/form_base.h"

inline constexpr char16_t kMinimumPlayerVersion[] = u"2.0.4";

class TFormVXPasLibVCL : public TVXStylableForm<QWidget> {
  Q_OBJECT
 public:
  // player: the playback to drive (the library's when none is given).
  explicit TFormVXPasLibVCL(QWidget* parent = nullptr, std::unique_ptr<TMediaPlayerBackend> player = nullptr);
  ~TFormVXPasLibVCL() override;

  // Plays start_ms .. start_ms + duration_ms of the file; found = the file is playing (or about to).
  TStringIntAndBoolean PlayASoundOrVideoFile(UStringView file_name, int64_t start_ms, int64_t duration_ms);

  // The library is loaded and new enough.
  static bool CheckVlcVersion(const TMediaPlayerBackend& player, bool tell);
  bool VlcUnusable() const;
  bool NotPlaying() const;

  void ButtonPauseClick();
  void ButtonNudgeClick(bool forward);
  void AdvGlowButtonSpeedClick(bool faster);
  void AdvTrackBarVideoClick();
  void Timer1Timer();

  // What a test reads.
  TMediaPlayerBackend& Player() const { return *player_; }
  QLabel* LabelTime() const { return label_time_; }
  QLabel* LabelSpeed() const { return label_speed_; }
  QSlider* TrackBar() const { return track_; }
  QPushButton* PauseButton() const { return pause_; }
  QPushButton* BackButton() const { return back_; }
  QPushButton* ForwardButton() const { return forward_; }
  QPushButton* SlowerButton() const { return slower_; }
  QPushButton* FasterButton() const { return faster_; }
  QSpinBox* AdjustEdit() const { return adjust_; }
  QTimer* Timer() const { return timer_; }
  QWidget* VideoPanel() const { return video_; }
  // Waiting for playing to begin, or watching for the stretch's end.
  bool Watching() const { return stage_ != TStage::Idle; }
  int64_t StretchEnd() const { return end_ms_; }
  bool PausedAtEnd() const { return paused_at_end_; }
  const UString& VideoFile() const { return video_file_; }

  bool Trackbar_clicking = false;
  bool video_escaping = false;
  bool OK_to_show_video = false;

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  enum class TStage { Idle, Starting, Watching };
  void ShowPauseCaption();
  void EndWatch();
  uint64_t VideoWindowId();

  std::unique_ptr<TMediaPlayerBackend> player_;
  UString video_file_;
  TStage stage_ = TStage::Idle;
  std::chrono::steady_clock::time_point start_asked_;
  int64_t end_ms_ = 0;
  int rate_ = 100;
  bool paused_at_end_ = false;
  QLabel* label_time_ = nullptr;
  QLabel* label_speed_ = nullptr;
  QSpinBox* adjust_ = nullptr;
  QGroupBox* video_group_ = nullptr;
  QPushButton* pause_ = nullptr;
  QPushButton* back_ = nullptr;
  QPushButton* forward_ = nullptr;
  QPushButton* slower_ = nullptr;
  QPushButton* faster_ = nullptr;
  QSlider* track_ = nullptr;
  QLabel* track_label_ = nullptr;
  QWidget* video_ = nullptr;
  QTimer* timer_ = nullptr;
};
