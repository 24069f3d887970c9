#include "platform/media/media_player.h"

#include <vlc/vlc.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"

namespace {

constexpr int kParseTimeoutMs = 5000;
constexpr int kStartTimeoutMs = 5000;
// Beyond this many milliseconds (about 292 million years) a time is no time.
constexpr double kMaxMs = 9.0e15;

// One field of a time text: digits and decimal marks kept, "," read as ".". False when it holds
// no digit or more than one decimal mark.
bool ReadSeconds(UStringView field, bool allow_fraction, double& out) {
  std::string kept;
  int marks = 0;
  for (char16_t c : field) {
    if (c >= u'0' && c <= u'9') {
      kept += static_cast<char>(c);
    } else if (c == u'.' || c == u',') {
      kept += '.';
      ++marks;
    }
  }
  if (kept.empty() || kept == "." || marks > (allow_fraction ? 1 : 0)) return false;
  if (kept.size() > 30) return false;
  out = std::strtod(kept.c_str(), nullptr);
  return std::isfinite(out);
}

template <typename Pred>
bool WaitFor(int timeout_ms, Pred done) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace

int64_t TimeStringToMilliseconds(UStringView s, bool& ok) {
  ok = false;
  const UString text = TrimU(s);
  if (text.empty()) return 0;
  std::vector<UString> fields(1);
  for (char16_t c : text) {
    if (c == u':')
      fields.emplace_back();
    else
      fields.back() += c;
  }
  if (fields.size() > 3) return 0;
  double seconds = 0;
  for (size_t i = 0; i < fields.size(); ++i) {
    const bool last = i + 1 == fields.size();
    double v = 0;
    if (!ReadSeconds(fields[i], last, v)) return 0;
    seconds = seconds * 60.0 + v;
  }
  const double ms = std::round(seconds * 1000.0);
  if (!(ms <= kMaxMs)) return 0;
  ok = true;
  return static_cast<int64_t>(ms);
}

struct TMediaPlayer::Impl {
  libvlc_instance_t* vlc = nullptr;
  libvlc_media_player_t* player = nullptr;

  ~Impl() {
    StopPlayer();
    if (vlc) libvlc_release(vlc);
  }
  void StopPlayer() {
    if (!player) return;
    libvlc_media_player_stop(player);
    libvlc_media_player_release(player);
    player = nullptr;
  }
  bool EnsureInstance() {
    if (vlc) return true;
    std::vector<const char*> args = {"--quiet", "--no-video-title-show"};
    const char* output = std::getenv("LINZORA_MEDIA_OUTPUT");
    if (output && std::string(output) == "dummy") {
      args.push_back("--aout=adummy");
      args.push_back("--vout=vdummy");
      args.push_back("--intf=dummy");
    }
    vlc = libvlc_new(static_cast<int>(args.size()), args.data());
    return vlc != nullptr;
  }
};

TMediaPlayer::TMediaPlayer() : d_(std::make_unique<Impl>()) {}
TMediaPlayer::~TMediaPlayer() = default;

void TMediaPlayer::Stop() { d_->StopPlayer(); }

bool TMediaPlayer::IsPlaying() const {
  return d_->player && libvlc_media_player_get_state(d_->player) == libvlc_Playing;
}

bool TMediaPlayer::Ended() const {
  if (!d_->player) return true;
  const libvlc_state_t s = libvlc_media_player_get_state(d_->player);
  return s == libvlc_Ended || s == libvlc_Stopped || s == libvlc_Error;
}

int64_t TMediaPlayer::TimeMs() const { return d_->player ? libvlc_media_player_get_time(d_->player) : -1; }

bool TMediaPlayer::PlayMediaSegment(UStringView file_name, uint32_t display, int64_t start_ms, int64_t length_ms,
                                    int64_t end_ms, bool show) {
  if (!FileExists(file_name)) {
    VXDialog(TVXDialog::FailedToFind, {file_name});
    return false;
  }
  Stop();
  auto cannot = [&](const char* why) {
    AddToLogFile(u"media: " + UString(file_name) + u": " + Utf8ToUtf16(why));
    VXDialog(TVXDialog::CantPlayMedia, {file_name});
    return false;
  };
  if (!d_->EnsureInstance()) return cannot("the playback library did not start");
  libvlc_media_t* media = libvlc_media_new_path(d_->vlc, Utf16ToUtf8(file_name).c_str());
  if (!media) return cannot("not a media file");
  struct MediaRelease {
    libvlc_media_t* m;
    ~MediaRelease() { libvlc_media_release(m); }
  } release{media};
  if (libvlc_media_parse_with_options(media, libvlc_media_parse_local, kParseTimeoutMs) != 0)
    return cannot("could not be parsed");
  WaitFor(kParseTimeoutMs + 500, [&] { return libvlc_media_get_parsed_status(media) != 0; });
  if (libvlc_media_get_parsed_status(media) != libvlc_media_parsed_status_done) return cannot("could not be parsed");
  const int64_t duration = libvlc_media_get_duration(media);
  libvlc_media_track_t** tracks = nullptr;
  const unsigned n = libvlc_media_tracks_get(media, &tracks);
  bool audio = false;
  has_video_ = false;
  for (unsigned i = 0; i < n; ++i) {
    audio = audio || tracks[i]->i_type == libvlc_track_audio;
    has_video_ = has_video_ || tracks[i]->i_type == libvlc_track_video;
  }
  if (tracks) libvlc_media_tracks_release(tracks, n);
  if (duration <= 0 || (!audio && !has_video_)) return cannot("no sound or picture in it");
  range_start_ = std::max<int64_t>(start_ms, 0);
  range_end_ = end_ms > 0 ? end_ms : (length_ms > 0 ? range_start_ + length_ms : duration);
  range_end_ = std::min(range_end_, duration);
  if (range_start_ >= duration || range_end_ <= range_start_) return cannot("the stretch lies outside the media");
  char option[64];
  std::snprintf(option, sizeof option, ":start-time=%.3f", static_cast<double>(range_start_) / 1000.0);
  libvlc_media_add_option(media, option);
  std::snprintf(option, sizeof option, ":stop-time=%.3f", static_cast<double>(range_end_) / 1000.0);
  libvlc_media_add_option(media, option);
  d_->player = libvlc_media_player_new_from_media(media);
  if (!d_->player) return cannot("no player");
  if (display != 0 && (show || has_video_)) libvlc_media_player_set_xwindow(d_->player, display);
  if (libvlc_media_player_play(d_->player) != 0) return cannot("playing did not start");
  const bool started = WaitFor(kStartTimeoutMs, [&] {
    const libvlc_state_t s = libvlc_media_player_get_state(d_->player);
    return s == libvlc_Playing || s == libvlc_Error || s == libvlc_Ended;
  });
  if (!started || libvlc_media_player_get_state(d_->player) == libvlc_Error) {
    Stop();
    return cannot("playing did not start");
  }
  AddToLogFile(u"playing (time: start=" + IntToUStr(range_start_) + u" end=" + IntToUStr(range_end_) + u")");
  return true;
}
