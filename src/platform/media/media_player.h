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
#pragma once

#include <cstdint>
#include <memory>

#include "platform/rtl/ustring.h"

// [[h:]m:]s with "." or "," as the decimal mark of the seconds, letters and blanks dropped.
// Empty, unreadable or out of range: 0 and not ok.
int64_t TimeStringToMilliseconds(UStringView s, bool& ok);

class TMediaPlayer {
 public:
  TMediaPlayer();
  ~TMediaPlayer();
  TMediaPlayer(const TMediaPlayer&) = delete;
  TMediaPlayer& operator=(const TMediaPlayer&) = delete;

  // display: the window to draw video in (an X11 window id; 0 none), used when show is set or
  // the file has a video track. Times in milliseconds. True when playing started.
  bool PlayMediaSegment(UStringView file_name, uint32_t display, int64_t start_ms, int64_t length_ms,
                        int64_t end_ms, bool show);
  void Stop();
  bool IsPlaying() const;
  // The library has played to the range's end (or stopped).
  bool Ended() const;
  // The position the library reports (-1 when nothing plays).
  int64_t TimeMs() const;
  bool CanShowVideo() const { return has_video_; }
  int64_t RangeStartMs() const { return range_start_; }
  int64_t RangeEndMs() const { return range_end_; }

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
  bool has_video_ = false;
  int64_t range_start_ = 0;
  int64_t range_end_ = 0;
};
