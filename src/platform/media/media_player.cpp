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

// Waits for the library, letting the window's events run meanwhile (a short pause between
// looks keeps the wait from spinning).
template <typename Pred>
bool WaitFor(int timeout_ms, Pred done) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    MyYieldProcess();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// The leading number of a version part ("21 Vetinari" gives 21); -1 when it has none.
int64_t LeadingNumber(UStringView s, size_t& i) {
  if (i >= s.size() || s[i] < u'0' || s[i] > u'9') return -1;
  int64_t v = 0;
  while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
    v = std::min<int64_t>(v * 10 + (s[i] - u'0'), 1'000'000'000);
    ++i;
  }
  return v;
}

std::vector<int64_t> VersionNumbers(UStringView s) {
  std::vector<int64_t> parts;
  size_t i = 0;
  while (i < s.size() && s[i] == u' ') ++i;
  for (;;) {
    const int64_t v = LeadingNumber(s, i);
    if (v < 0) break;
    parts.push_back(v);
    if (i >= s.size() || s[i] != u'.') break;
    ++i;
  }
  return parts;
}

}  // namespace

UString KeepTimeCharacters(UStringView s) {
  UString kept;
  for (char16_t c : s)
    if ((c >= u'0' && c <= u'9') || c == u'.' || c == u',') kept += c;
  return kept;
}

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

bool VersionAtLeast(UStringView version, UStringView minimum) {
  const std::vector<int64_t> have = VersionNumbers(version);
  const std::vector<int64_t> need = VersionNumbers(minimum);
  if (have.empty()) return false;
  for (size_t k = 0; k < std::max(have.size(), need.size()); ++k) {
    const int64_t a = k < have.size() ? have[k] : 0;
    const int64_t b = k < need.size() ? need[k] : 0;
    if (a != b) return a > b;
  }
  return true;
}

struct TMediaPlayer::Impl {
  libvlc_instance_t* vlc = nullptr;
  libvlc_media_player_t* player = nullptr;
  bool tried = false;

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
    if (vlc || tried) return vlc != nullptr;
    tried = true;
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

bool TMediaPlayer::Loaded() const { return d_->EnsureInstance(); }

UString TMediaPlayer::VersionText() const {
  const char* v = libvlc_get_version();
  return v ? Utf8ToUtf16(v) : UString();
}

void TMediaPlayer::Stop() { d_->StopPlayer(); }

void TMediaPlayer::Pause() {
  if (d_->player) libvlc_media_player_set_pause(d_->player, 1);
}

void TMediaPlayer::Resume() {
  if (!d_->player) return;
  const libvlc_state_t s = libvlc_media_player_get_state(d_->player);
  // A player that has ended or stopped starts again from the file's start: the caller seeks.
  if (s == libvlc_Paused) libvlc_media_player_set_pause(d_->player, 0);
  else if (s != libvlc_Playing) libvlc_media_player_play(d_->player);
}

TMediaState TMediaPlayer::State() const {
  if (!d_->player) return TMediaState::NothingSpecial;
  return static_cast<TMediaState>(libvlc_media_player_get_state(d_->player));
}

bool TMediaPlayer::Ended() const {
  const TMediaState s = State();
  return !d_->player || s == TMediaState::Ended || s == TMediaState::Stopped || s == TMediaState::Error;
}

int64_t TMediaPlayer::LengthMs() const {
  if (!d_->player) return -1;
  const int64_t n = libvlc_media_player_get_length(d_->player);
  return n > 0 ? n : duration_;
}

int64_t TMediaPlayer::TimeMs() const { return d_->player ? libvlc_media_player_get_time(d_->player) : -1; }

void TMediaPlayer::SetTimeMs(int64_t ms) {
  if (d_->player) libvlc_media_player_set_time(d_->player, std::max<int64_t>(ms, 0));
}

double TMediaPlayer::PositionPercent() const {
  if (!d_->player) return 0;
  const float p = libvlc_media_player_get_position(d_->player);
  return p < 0 ? 0 : 100.0 * p;
}

void TMediaPlayer::SetPositionPercent(double percent) {
  if (d_->player) libvlc_media_player_set_position(d_->player, static_cast<float>(std::clamp(percent, 0.0, 100.0) / 100.0));
}

int TMediaPlayer::RatePercent() const {
  if (!d_->player) return 100;
  return static_cast<int>(std::lround(libvlc_media_player_get_rate(d_->player) * 100.0f));
}

void TMediaPlayer::SetRatePercent(int percent) {
  if (d_->player) libvlc_media_player_set_rate(d_->player, static_cast<float>(percent) / 100.0f);
}

bool TMediaPlayer::Open(UStringView file_name, int64_t start_ms, int64_t stop_ms, uint64_t video_window) {
  Stop();
  last_error_.clear();
  duration_ = -1;
  auto cannot = [&](const char* why) {
    last_error_ = UString(file_name) + u": " + Utf8ToUtf16(why);
    AddToLogFile(u"media: " + last_error_);
    return false;
  };
  if (!FileExists(file_name)) return cannot("no such file");
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
  duration_ = duration;
  range_start_ = std::max<int64_t>(start_ms, 0);
  range_end_ = stop_ms > 0 ? std::min(stop_ms, duration) : duration;
  if (range_start_ >= duration) return cannot("the stretch starts after the media's end");
  if (range_end_ <= range_start_) return cannot("the stretch lies outside the media");
  char option[64];
  std::snprintf(option, sizeof option, ":start-time=%.3f", static_cast<double>(range_start_) / 1000.0);
  libvlc_media_add_option(media, option);
  if (stop_ms > 0) {
    std::snprintf(option, sizeof option, ":stop-time=%.3f", static_cast<double>(range_end_) / 1000.0);
    libvlc_media_add_option(media, option);
  }
  d_->player = libvlc_media_player_new_from_media(media);
  if (!d_->player) return cannot("no player");
  // Only a picture needs the window; a sound leaves it alone.
  if (video_window != 0 && has_video_) libvlc_media_player_set_xwindow(d_->player, static_cast<uint32_t>(video_window));
  if (libvlc_media_player_play(d_->player) != 0) {
    Stop();
    return cannot("playing did not start");
  }
  AddToLogFile(u"playing (time: start=" + IntToUStr(range_start_) + u" end=" + IntToUStr(range_end_) + u")");
  return true;
}

bool TMediaPlayer::PlayMediaSegment(UStringView file_name, uint32_t display, int64_t start_ms, int64_t length_ms,
                                    int64_t end_ms, bool show) {
  if (!FileExists(file_name)) {
    VXDialog(TVXDialog::FailedToFind, {file_name});
    return false;
  }
  const int64_t from = std::max<int64_t>(start_ms, 0);
  const int64_t stop = end_ms > 0 ? end_ms : (length_ms > 0 ? from + length_ms : 0);
  if (!Open(file_name, start_ms, stop, display)) {
    VXDialog(TVXDialog::CantPlayMedia, {file_name});
    return false;
  }
  const bool started = WaitFor(kStartTimeoutMs, [&] {
    const TMediaState s = State();
    return s == TMediaState::Playing || s == TMediaState::Error || s == TMediaState::Ended;
  });
  if (!started || State() == TMediaState::Error) {
    Stop();
    last_error_ = UString(file_name) + u": playing did not start";
    VXDialog(TVXDialog::CantPlayMedia, {file_name});
    return false;
  }
  return true;
}
