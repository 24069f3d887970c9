// Playing a stretch of a sound or video file, as a media tag names it.
//
// Protocol: TimeStringToMilliseconds turns each time text of the tag into milliseconds; a
// TMediaPlayer plays one stretch at a time (PlayMediaSegment stops what was playing). The file
// is parsed first (time-out 5 s): it must have a duration above 0 and an audio or video track,
// since the playback library reports a missing or unreadable file as played to its end, not as
// an error. Playing has started when the library says so within 5 s.
//
// The range: from max(0, start) to end when end > 0, else start + length when length > 0,
// else the media's end; never past the media's length. A start at or past that length cannot
// be played.
//
// A missing file shows FailedToFind, anything else that cannot be played CantPlayMedia; both
// answer false. LINZORA_MEDIA_OUTPUT=dummy sends sound and picture nowhere (tests).
//
// The media window drives the player through TMediaPlayerBackend instead: Open starts a
// stretch without waiting (optionally without a stop time, so the window can pause at the end
// and the user play on), and the window's timer polls state and position; nothing of ours runs
// on the library's threads. Waits here (parsing, PlayMediaSegment's start) let the window's
// events run.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/rtl/ustring.h"

// [[h:]m:]s with "." or "," as the decimal mark of the seconds, letters and blanks dropped.
// Empty, unreadable or out of range: 0 and not ok.
int64_t TimeStringToMilliseconds(UStringView s, bool& ok);
// Only the characters a time in seconds is written with: 0-9, "." and ",".
UString KeepTimeCharacters(UStringView s);

// Whether a library version text ("3.0.21 Vetinari", "10.0") is at least the minimum ("2.0.4"):
// the dotted numbers are compared as numbers, a missing part counting 0. False for a text that
// does not begin with a number.
bool VersionAtLeast(UStringView version, UStringView minimum);

// The player's states, numbered as the playback library numbers them (7: error).
enum class TMediaState : int {
  NothingSpecial = 0,
  Opening = 1,
  Buffering = 2,
  Playing = 3,
  Paused = 4,
  Stopped = 5,
  Ended = 6,
  Error = 7,
};

// What the media window drives: one file at a time, opened at a start time and left to play;
// the window polls the state and position. A test hands the window a fake of its own.
class TMediaPlayerBackend {
 public:
  virtual ~TMediaPlayerBackend() = default;
  // The playback library is there and started.
  virtual bool Loaded() const = 0;
  // The library's version text ("" when unknown) and its last error ("" for none).
  virtual UString VersionText() const = 0;
  virtual UString LastError() const = 0;
  // Opens the file and asks for playing from start_ms; stop_ms > 0 has the library stop there,
  // 0 lets it play on (the caller pauses at the stretch's end). video_window: where a picture is
  // drawn (an X11 window id; 0 none; used only for a file with a picture). Does not wait for playing to begin. False, with LastError,
  // for a file that is no media (no sound or picture, no duration) or a start past its end.
  virtual bool Open(UStringView file_name, int64_t start_ms, int64_t stop_ms, uint64_t video_window) = 0;
  virtual void Pause() = 0;
  virtual void Resume() = 0;
  virtual void Stop() = 0;
  virtual TMediaState State() const = 0;
  bool IsPlay() const { return State() == TMediaState::Playing; }
  // Milliseconds; -1 when nothing is open.
  virtual int64_t LengthMs() const = 0;
  virtual int64_t TimeMs() const = 0;
  virtual void SetTimeMs(int64_t ms) = 0;
  virtual double PositionPercent() const = 0;
  virtual void SetPositionPercent(double percent) = 0;
  // 100 = normal speed.
  virtual int RatePercent() const = 0;
  virtual void SetRatePercent(int percent) = 0;
  // The open file has a picture (a video track).
  virtual bool HasVideo() const = 0;
};

class TMediaPlayer : public TMediaPlayerBackend {
 public:
  TMediaPlayer();
  ~TMediaPlayer() override;
  TMediaPlayer(const TMediaPlayer&) = delete;
  TMediaPlayer& operator=(const TMediaPlayer&) = delete;

  // display: the window to draw video in (an X11 window id; 0 none), used when the file has a
  // video track (show is kept for the callers of the tag's play command). Times in milliseconds. True when playing started (waited for,
  // yielding to the event loop).
  bool PlayMediaSegment(UStringView file_name, uint32_t display, int64_t start_ms, int64_t length_ms,
                        int64_t end_ms, bool show);
  // The library has played to the range's end (or stopped).
  bool Ended() const;
  bool IsPlaying() const { return IsPlay(); }
  bool CanShowVideo() const { return has_video_; }
  int64_t RangeStartMs() const { return range_start_; }
  int64_t RangeEndMs() const { return range_end_; }

  bool Loaded() const override;
  UString VersionText() const override;
  UString LastError() const override { return last_error_; }
  bool Open(UStringView file_name, int64_t start_ms, int64_t stop_ms, uint64_t video_window) override;
  void Pause() override;
  void Resume() override;
  void Stop() override;
  TMediaState State() const override;
  int64_t LengthMs() const override;
  int64_t TimeMs() const override;
  void SetTimeMs(int64_t ms) override;
  double PositionPercent() const override;
  void SetPositionPercent(double percent) override;
  int RatePercent() const override;
  void SetRatePercent(int percent) override;
  bool HasVideo() const override { return has_video_; }

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
  bool has_video_ = false;
  int64_t range_start_ = 0;
  int64_t range_end_ = 0;
  int64_t duration_ = -1;
  UString last_error_;
};
