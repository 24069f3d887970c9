// Which recording belongs to a concordance line, and which stretch of it to play.
//
// The media-marker settings (TMediaMarkersRec) choose one of three methods:
//   0  a marker in the line's text: the text after the start-of-file-name marker up to the first
//      media extension is the file's name ("<media talk.wav START=2 DUR=3>"), a name without a
//      folder found beside the text; "SAMEFILE" in its place stands for the text's own name with
//      a media extension;
//   1  the same-named file: the source text's name with each media extension in turn;
//   2  a look-up table: lines "key=value" whose key is the line's text and whose value is a file
//      name followed by the time marks.
// Extensions are kept without their dot ("wav") and matched as "." + extension, case ignored; an
// empty extension is never tried.
//
// Time marks follow the file's name: the start marker and the duration marker, each followed by
// a time in seconds ("START=1.5 DUR=2"; blanks after the marker are skipped, and only the run of
// time characters right after it counts). A duration marker that is itself a number is the
// duration in milliseconds. Without marks the words are read by position: the start, then the
// duration; without a duration the default duration holds. A mark whose time does not read is
// refused with a message. Widening n (n > 1) moves the start n - 1 steps earlier (never below 0)
// and lengthens the stretch by two steps each.
//
// FindMediaOfLine decides without touching the store or the disk (the caller hands it the file
// tests); FindMediaForConcordanceLine reads the settings, decides, and only when a file was found
// writes the file, the text and the stretch to the store for the player window to take.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/settings/settings_records.h"

// The answer of a look-up: a message (or the media file's name), a code and whether a file was
// found.
struct TStringIntAndBoolean {
  UString message;
  int32_t code = 0;
  bool found = false;
};

// Stands for "the text's own name" in a media marker.
inline constexpr char16_t kSameFileConst[] = u"SAMEFILE";
inline constexpr int32_t kMediaCodeMarkerUndefined = 0x1400;
inline constexpr int32_t kMediaCodeLookupTableNotFound = 0x1402;

// What a look-up needs of the disk.
struct TMediaFileTests {
  std::function<bool(UStringView name)> exists;
  // The lines of a text file; false when it cannot be read.
  std::function<bool(UStringView name, std::vector<UString>& lines)> read_lines;
};
// The real disk.
TMediaFileTests DiskMediaFileTests();

struct TMediaLookup {
  TStringIntAndBoolean result;
  UString media_file;
  int64_t start_ms = 0;
  int64_t duration_ms = 0;
};

TMediaLookup FindMediaOfLine(const TMediaMarkersRec& settings, UStringView text, UStringView file_name,
                             int widening, const TMediaFileTests& files);

// The store-backed look-up: on success SetTempURL(media file), SetMyTempFilename(file_name) and
// SetTemp2Int64(start, duration); on failure the store is left as it was.
TStringIntAndBoolean FindMediaForConcordanceLine(UStringView text, UStringView file_name, int widening);

// The stretch read from the text after a media file's name. False (with the message) when a
// mark's time does not read.
struct TMediaStretch {
  int64_t start_ms = 0;
  int64_t duration_ms = 0;
  UString message;
};
bool ParseMediaTimeMarks(const TMediaMarkersRec& settings, UStringView rest, int widening, TMediaStretch& out);

// Where a line's own texts hold no media mark (the mark-up is hidden from lines), its source text
// does: the last mark before the hit, from the start-of-file-name marker to the end of its tag
// (">") or line; empty when the text before the hit holds none.
UString LastMediaMarkBefore(UStringView text_before_hit, UStringView marker);

// The text before the first blank, trimmed (all of s, trimmed, without a blank); the text after
// it, trimmed (empty without a blank).
UString FirstWordOf(UStringView s);
UString AfterFirstWordOf(UStringView s);
