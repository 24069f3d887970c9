#include "shell/settings/media_settings_rules.h"

#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"

namespace {

// Room in the record's text fields, each less its terminator.
constexpr size_t kPathUnits = 260;
constexpr size_t kFileNameMarkerUnits = 30;
constexpr size_t kTimeMarkerUnits = 10;
constexpr size_t kExtensionUnits = 10;
constexpr int32_t kMostDurationSeconds = 24 * 60 * 60;
constexpr double kMostWideningSeconds = 600.0;

const char16_t* const kMethodCaptions[kMediaMethods] = {u"a marker in the text", u"a media file named as the text",
                                                        u"a lookup table"};

void CheckLength(std::vector<UString>& p, UStringView field, const UString& s, size_t most) {
  if (s.size() > most)
    p.push_back(UString(field) + u": longer than " + IntToUStr(static_cast<int64_t>(most)) + u" characters");
}

bool HasBlank(const UString& s) { return s.find(u' ') != UString::npos || s.find(u'\t') != UString::npos; }

std::vector<UString> Problems(const TMediaSettingsChoice& c) {
  std::vector<UString> p;
  if (c.method < 0 || c.method >= kMediaMethods) p.push_back(u"Method: " + IntToUStr(c.method) + u" is no method");
  CheckLength(p, u"Start of file name marker", c.file_name_marker, kFileNameMarkerUnits);
  CheckLength(p, u"Media folder", c.media_folder, kPathUnits);
  CheckLength(p, u"Lookup table", c.lookup_table, kPathUnits);
  CheckLength(p, u"Start marker", c.start_marker, kTimeMarkerUnits);
  CheckLength(p, u"Duration marker", c.duration_marker, kTimeMarkerUnits);
  if (c.method == 0 && TrimU(c.file_name_marker).empty())
    p.push_back(u"Start of file name marker: empty, so no media file name can be found in a line");
  if (c.method == 0 && !c.media_folder.empty() && !DirectoryExists(c.media_folder))
    p.push_back(u"Media folder: \"" + c.media_folder + u"\" does not exist");
  if (c.method == 2) {
    if (c.lookup_table.empty()) p.push_back(u"Lookup table: no file was given");
    else if (!FileExists(c.lookup_table)) p.push_back(u"Lookup table: the file \"" + c.lookup_table + u"\" does not exist");
  }
  if (c.default_duration_seconds < 0 || c.default_duration_seconds > kMostDurationSeconds)
    p.push_back(u"Default duration: " + IntToUStr(c.default_duration_seconds) + u" seconds is not from 0 to " +
                IntToUStr(kMostDurationSeconds));
  if (!(c.widening_step_seconds >= 0.0 && c.widening_step_seconds <= kMostWideningSeconds))
    p.push_back(u"Widening step: not from 0 to " + IntToUStr(static_cast<int64_t>(kMostWideningSeconds)) + u" seconds");
  bool any_extension = false;
  for (size_t i = 0; i < c.extensions.size(); ++i) {
    const UString field = u"Media extension " + IntToUStr(static_cast<int64_t>(i + 1));
    const UString e = TrimU(c.extensions[i]);
    any_extension = any_extension || !e.empty();
    CheckLength(p, field, e, kExtensionUnits);
    if (!e.empty() && (e[0] == u'.' || HasBlank(e) || e.find(u'/') != UString::npos))
      p.push_back(field + u": \"" + e + u"\" is not an extension (give it without its dot, as \"wav\")");
  }
  if (!any_extension) p.push_back(u"Media extensions: none was given");
  return p;
}

}  // namespace

UString MediaMethodCaption(int method) {
  return (method >= 0 && method < kMediaMethods) ? UString(kMethodCaptions[method]) : UString();
}

TMediaSettingsChoice CurrentMediaSettings() {
  const TMediaMarkersRec r = GetMediaMarkers();
  TMediaSettingsChoice c;
  c.method = r.Method() < kMediaMethods ? r.Method() : 0;
  c.file_name_marker = r.FileNameMarker();
  c.media_folder = r.MediaFolder();
  c.lookup_table = r.LookupTable();
  c.start_marker = r.StartMarker();
  c.duration_marker = r.DurationMarker();
  c.default_duration_seconds = r.DefaultDurationSeconds();
  c.widening_step_seconds = r.WideningStepSeconds();
  for (int i = 0; i < TMediaMarkersRec::kExtensions; ++i) c.extensions[static_cast<size_t>(i)] = r.Extension(i);
  return c;
}

std::vector<UString> ApplyMediaSettings(const TMediaSettingsChoice& c) {
  std::vector<UString> problems = Problems(c);
  if (!problems.empty()) return problems;
  TMediaMarkersRec r = GetMediaMarkers();
  r.SetMethod(static_cast<uint8_t>(c.method));
  r.SetFileNameMarker(c.file_name_marker);
  r.SetMediaFolder(c.media_folder.empty() ? c.media_folder : IncludeTrailingPathDelimiter(c.media_folder));
  r.SetLookupTable(c.lookup_table);
  r.SetStartMarker(c.start_marker);
  r.SetDurationMarker(c.duration_marker);
  r.SetDefaultDurationSeconds(c.default_duration_seconds);
  r.SetWideningStepSeconds(static_cast<float>(c.widening_step_seconds));
  for (int i = 0; i < TMediaMarkersRec::kExtensions; ++i) r.SetExtension(i, TrimU(c.extensions[static_cast<size_t>(i)]));
  SetMediaMarkers(r);
  return problems;
}
