// How a concordance line finds its recording, without a window: the media-marker record the
// line's media lookup reads (shell/media/media_markers.h) each time a line is played.
//   - the method: a marker in the text before the media file's name, a media file named as the
//     text, or a lookup table of keys and media files;
//   - the marker method's start-of-file-name marker and the folder its bare names come from;
//   - the lookup table's file;
//   - the time marks: the start marker, the duration marker (or a duration in milliseconds given
//     as a number), the default duration in seconds, and the step each widening adds on each side;
//   - the media extensions, in order of preference (an empty one is skipped).
// ApplyMediaSettings checks every field first; one bad value and nothing is written, and each
// problem names its field.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/settings/settings_records.h"

inline constexpr int kMediaMethods = 3;  // marker in the text, same-named file, lookup table

struct TMediaSettingsChoice {
  int method = 0;
  UString file_name_marker;
  UString media_folder;
  UString lookup_table;
  UString start_marker;
  UString duration_marker;
  int32_t default_duration_seconds = 10;
  double widening_step_seconds = 1.0;
  std::array<UString, TMediaMarkersRec::kExtensions> extensions;
  bool operator==(const TMediaSettingsChoice&) const = default;
};

// "a marker in the text", "a media file named as the text", "a lookup table".
UString MediaMethodCaption(int method);

TMediaSettingsChoice CurrentMediaSettings();
// The problems, one line each naming its field; empty when everything was stored.
std::vector<UString> ApplyMediaSettings(const TMediaSettingsChoice& choice);
