#include "shell/media/media_markers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/media/media_player.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_files.h"
#include "platform/text/text_services.h"

namespace {

// Table files are small; a larger file is no look-up table.
constexpr int64_t kMostTableBytes = 64 << 20;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool IsTimeChar(char16_t c) { return (c >= u'0' && c <= u'9') || c == u'.' || c == u',' || c == u':'; }

void Note(UStringView text) {
  if (global_keeping_log) AddToLogFile(text);
}

// Where (in the upper-cased rest) the mark's time begins and how long its run of time characters
// is: blanks after the marker are skipped, the run stops at the first other character.
struct TMarkRun {
  size_t marker_at = UString::npos;
  size_t end = 0;  // just after the time's run
  UString time;
};

TMarkRun FindMark(UStringView upper_rest, UStringView marker) {
  TMarkRun r;
  if (marker.empty()) return r;
  const UString m = UpperCaseU(marker);
  r.marker_at = upper_rest.find(m);
  if (r.marker_at == UStringView::npos) return r;
  size_t i = r.marker_at + m.size();
  while (i < upper_rest.size() && IsBlank(upper_rest[i])) ++i;
  const size_t from = i;
  while (i < upper_rest.size() && IsTimeChar(upper_rest[i])) ++i;
  r.time = UString(upper_rest.substr(from, i - from));
  r.end = i;
  return r;
}

// A whole number written alone (the duration marker may be one).
bool ReadsAsWholeNumber(UStringView s, int64_t& out) {
  const UString t = TrimU(s);
  if (t.empty() || t.size() > 18) return false;
  int64_t v = 0;
  for (char16_t c : t) {
    if (c < u'0' || c > u'9') return false;
    v = v * 10 + (c - u'0');
  }
  out = v;
  return true;
}

// The words of s (split at blanks) that lie outside the stretches taken by marks.
std::vector<UString> WordsOutside(UStringView s, const std::vector<std::pair<size_t, size_t>>& taken) {
  std::vector<UString> words;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    const size_t from = i;
    while (i < s.size() && !IsBlank(s[i])) ++i;
    if (i == from) break;
    bool inside = false;
    for (const auto& [a, b] : taken) inside = inside || (from < b && i > a);
    if (!inside) words.emplace_back(s.substr(from, i - from));
  }
  return words;
}

// A positional field: its time characters in seconds; nullopt when none read.
bool PositionalMs(UStringView word, int64_t& ms) {
  bool ok = false;
  const int64_t v = TimeStringToMilliseconds(KeepTimeCharacters(word), ok);
  if (ok) ms = v;
  return ok;
}

UString DotExtension(UStringView ext) { return u"." + UString(ext); }

// The media extensions of the settings, in order, empty ones left out.
std::vector<UString> MediaExtensions(const TMediaMarkersRec& s) {
  std::vector<UString> out;
  for (int i = 0; i < TMediaMarkersRec::kExtensions; ++i) {
    UString e = TrimU(s.Extension(i));
    while (!e.empty() && e.front() == u'.') e.erase(0, 1);  // a dot typed in is not doubled
    if (!e.empty()) out.push_back(std::move(e));
  }
  return out;
}

bool IsAbsoluteName(UStringView name) { return !name.empty() && name.front() == u'/'; }

bool TimesFrom(const TMediaMarkersRec& s, UStringView rest, int widening, TMediaLookup& out) {
  TMediaStretch stretch;
  if (!ParseMediaTimeMarks(s, rest, widening, stretch)) {
    out.result.found = false;
    out.result.message = stretch.message;
    return false;
  }
  out.start_ms = stretch.start_ms;
  out.duration_ms = stretch.duration_ms;
  return true;
}

void MediaFromMarkerInText(const TMediaMarkersRec& s, UStringView text, UStringView file_name, int widening,
                           const TMediaFileTests& files, TMediaLookup& out) {
  const UString m = s.FileNameMarker();
  if (m.empty()) {
    out.result.message = VXRes(TVXRes::VXMediaStartOfFilenameUndefined);
    out.result.code = kMediaCodeMarkerUndefined;
    Note(out.result.message);
    return;
  }
  const UString U = UpperCaseU(text);
  const UString M = UpperCaseU(m);
  const size_t p = U.find(M);
  if (p == UString::npos) {
    out.result.message = VXResFmt(TVXRes::VXMarkerNotFoundInMarkup, {M, U});
    Note(out.result.message);
    return;
  }
  const std::vector<UString> exts = MediaExtensions(s);
  const size_t after_marker = p + M.size();
  if (const size_t q = U.find(kSameFileConst, p); q != UString::npos) {
    for (const UString& ext : exts) {
      const UString name = ChangeFileExt(file_name, DotExtension(ext));
      if (files.exists(name)) {
        out.media_file = name;
        out.result.found = true;
        TimesFrom(s, UStringView(U).substr(q + std::char_traits<char16_t>::length(kSameFileConst)), widening, out);
        return;
      }
      out.result.message = VXResFmt(TVXRes::VXCouldnTFindFileS, {name});
    }
  }
  // The first extension (in order of preference) written after the marker ends the name.
  for (const UString& ext : exts) {
    const UString dotted = UpperCaseU(DotExtension(ext));
    const size_t q = U.find(dotted, after_marker);
    if (q == UString::npos) continue;
    const size_t name_end = q + dotted.size();
    UString name = TrimU(UStringView(text).substr(after_marker, name_end - after_marker));
    if (!IsAbsoluteName(name) && !s.MediaFolder().empty()) {
      const UString in_folder = IncludeTrailingPathDelimiter(s.MediaFolder()) +
                                ChangeFileExt(ExtractFileName(file_name), DotExtension(ext));
      if (files.exists(in_folder)) name = in_folder;
    }
    // A name without a folder is looked for beside the text it was written in.
    if (!IsAbsoluteName(name) && !files.exists(name) && files.exists(ExtractFilePath(file_name) + name))
      name = ExtractFilePath(file_name) + name;
    out.media_file = name;
    out.result.found = true;
    // The marks follow the extension as written, whatever name the file was given.
    TimesFrom(s, UStringView(U).substr(name_end), widening, out);
    return;
  }
  out.result.message = VXRes(TVXRes::VXNoMediaFilenameExtensionFound) + u" " + UString(text);
}

void MediaFromSameNamedFile(const TMediaMarkersRec& s, UStringView text, UStringView file_name, int widening,
                            const TMediaFileTests& files, TMediaLookup& out) {
  out.result.message = VXRes(TVXRes::VXNoMediaFilenameExtensionFound);
  for (const UString& ext : MediaExtensions(s)) {
    const UString name = ChangeFileExt(file_name, DotExtension(ext));
    if (!files.exists(name)) continue;
    out.result.found = true;
    out.result.message = name;
    out.media_file = name;
    const UString U = UpperCaseU(text);
    const UString own = UpperCaseU(ExtractFileName(name));
    UStringView rest = U;
    if (const size_t at = U.find(own); at != UString::npos) {
      rest = UStringView(U).substr(at + own.size());
    } else if (const size_t q = U.find(kSameFileConst); q != UString::npos) {
      rest = UStringView(U).substr(q + std::char_traits<char16_t>::length(kSameFileConst));
    }
    TimesFrom(s, rest, widening, out);
    return;
  }
}

void MediaFromLookupTable(TMediaMarkersRec s, UStringView text, int widening, const TMediaFileTests& files,
                          TMediaLookup& out) {
  const UString table = s.LookupTable();
  std::vector<UString> lines;
  if (table.empty() || !files.exists(table) || !files.read_lines(table, lines)) {
    out.result.message = VXRes(TVXRes::VXLookupTableNotFound);
    out.result.code = kMediaCodeLookupTableNotFound;
    return;
  }
  UString value;
  for (const UString& line : lines) {
    const size_t eq = line.find(u'=');
    if (eq != UString::npos && UStringView(line).substr(0, eq) == text) {
      value = TrimU(UStringView(line).substr(eq + 1));
      break;
    }
  }
  if (value.empty()) return;
  UString name = FirstWordOf(value);
  if (name.empty()) return;
  if (ExtractFilePath(name).empty()) name = ExtractFilePath(table) + name;
  if (!files.exists(name)) {
    out.result.message = VXRes(TVXRes::VXLookupTableNotFound);
    out.result.code = kMediaCodeLookupTableNotFound;
    return;
  }
  out.result.found = true;
  out.media_file = name;
  // The value holds the times by position.
  s.SetStartMarker(u"");
  TimesFrom(s, UpperCaseU(AfterFirstWordOf(value)), widening, out);
}

}  // namespace

UString LastMediaMarkBefore(UStringView text_before_hit, UStringView marker) {
  if (marker.empty()) return UString();
  const UString upper = UpperCaseU(text_before_hit);
  const size_t at = upper.rfind(UpperCaseU(marker));
  if (at == UString::npos) return UString();
  size_t end = at;
  while (end < text_before_hit.size() && text_before_hit[end] != u'>' && text_before_hit[end] != u'\n' &&
         text_before_hit[end] != u'\r')
    ++end;
  if (end < text_before_hit.size() && text_before_hit[end] == u'>') ++end;
  return UString(text_before_hit.substr(at, end - at));
}

UString FirstWordOf(UStringView s) {
  const UString t = TrimU(s);
  const size_t b = t.find(u' ');
  return b == UString::npos ? t : TrimU(UStringView(t).substr(0, b));
}

UString AfterFirstWordOf(UStringView s) {
  const UString t = TrimU(s);
  const size_t b = t.find(u' ');
  return b == UString::npos ? UString() : TrimU(UStringView(t).substr(b + 1));
}

bool ParseMediaTimeMarks(const TMediaMarkersRec& settings, UStringView rest, int widening, TMediaStretch& out) {
  out = TMediaStretch();
  out.duration_ms = int64_t{std::max(0, settings.DefaultDurationSeconds())} * 1000;
  const UString S = TrimU(rest);
  bool start_found = false, duration_found = false;
  std::vector<std::pair<size_t, size_t>> taken;
  auto read_mark = [&](UStringView marker, int64_t& value, bool& found) {
    const TMarkRun run = FindMark(S, marker);
    if (run.marker_at == UString::npos) return true;
    bool ok = false;
    const int64_t ms = TimeStringToMilliseconds(run.time, ok);
    if (!ok) {
      const size_t word_end = std::min(S.find(u' ', run.marker_at), S.size());
      out.message = u"The time after " + UpperCaseU(marker) + u" does not read as seconds: " +
                    S.substr(run.marker_at, word_end - run.marker_at);
      return false;
    }
    value = ms;
    found = true;
    taken.emplace_back(run.marker_at, run.end);
    return true;
  };
  if (!read_mark(settings.StartMarker(), out.start_ms, start_found)) return false;
  const UString dm = settings.DurationMarker();
  int64_t given = 0;
  if (ReadsAsWholeNumber(dm, given)) {
    out.duration_ms = given;
    duration_found = true;
  } else if (!read_mark(dm, out.duration_ms, duration_found)) {
    return false;
  }
  // What the marks did not take is read by position: the start, then the duration. A field that
  // holds no time leaves its value as it was.
  const std::vector<UString> words = WordsOutside(S, taken);
  size_t next = 0;
  if (!start_found && next < words.size()) PositionalMs(words[next++], out.start_ms);
  if (!duration_found && next < words.size()) PositionalMs(words[next], out.duration_ms);
  if (widening > 1) {
    const int64_t w = std::llround(static_cast<double>(settings.WideningStepSeconds()) * 1000.0);
    for (int k = 1; k < widening; ++k) {
      out.start_ms = std::max<int64_t>(out.start_ms - w, 0);
      out.duration_ms += 2 * w;
    }
  }
  if (global_keeping_log) Note(u"time: start=" + IntToUStr(out.start_ms) + u" duration=" + IntToUStr(out.duration_ms));
  return true;
}

TMediaFileTests DiskMediaFileTests() {
  TMediaFileTests t;
  t.exists = [](UStringView name) { return FileExists(name); };
  t.read_lines = [](UStringView name, std::vector<UString>& lines) {
    UString text;
    if (!ReadTextFile(name, text, kMostTableBytes, 1252, true)) return false;
    lines.clear();
    for (UStringView l : SplitLinesU(text)) lines.emplace_back(l);
    return true;
  };
  return t;
}

TMediaLookup FindMediaOfLine(const TMediaMarkersRec& settings, UStringView text, UStringView file_name,
                             int widening, const TMediaFileTests& files) {
  TMediaLookup out;
  if (global_keeping_log) Note(u"prompt: " + UString(text) + u" file=" + UString(file_name));
  switch (settings.Method()) {
    case 0: MediaFromMarkerInText(settings, text, file_name, widening, files, out); break;
    case 1: MediaFromSameNamedFile(settings, text, file_name, widening, files, out); break;
    case 2: MediaFromLookupTable(settings, text, widening, files, out); break;
    default:
      out.result.message = u"The media-marker method " + IntToUStr(settings.Method()) +
                           u" is not one of 0 (marker in the text), 1 (same-named file) and 2 (look-up table).";
      break;
  }
  if (!out.result.found) out.media_file.clear();
  else out.result.message = out.media_file;
  return out;
}

TStringIntAndBoolean FindMediaForConcordanceLine(UStringView text, UStringView file_name, int widening) {
  const TMediaLookup found = FindMediaOfLine(GetMediaMarkers(), text, file_name, widening, DiskMediaFileTests());
  if (!found.result.found) return found.result;
  SetTempURL(found.media_file);
  SetMyTempFilename(file_name);
  SetTemp2Int64(found.start_ms, found.duration_ms);
  return found.result;
}
