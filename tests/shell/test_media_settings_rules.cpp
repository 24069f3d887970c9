#include "shell/settings/media_settings_rules.h"

#include <gtest/gtest.h>

#include "model/text_reader_test_support.h"
#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"
#include "shell/media/media_markers.h"
#include "support/temp_folder.h"

namespace {

class MediaSettingsRulesTest : public testing::Test {
 protected:
  text_reader_test::ScopedSettings settings;
  TempFolder dir;
};

TMediaSettingsChoice Changed(const UString& folder) {
  TMediaSettingsChoice c = CurrentMediaSettings();
  c.method = 0;
  c.file_name_marker = u"[clip ";
  c.media_folder = folder;
  c.start_marker = u"AT=";
  c.duration_marker = u"FOR=";
  c.default_duration_seconds = 7;
  c.widening_step_seconds = 0.5;
  c.extensions = {u"ogg", u"", u"wav", u"", u"", u""};
  return c;
}

}  // namespace

TEST_F(MediaSettingsRulesTest, WhatIsAppliedIsWhatTheLineLookupReads) {
  const UString folder = dir.Path() + u"media";
  ASSERT_TRUE(ForceDirectories(folder));
  ASSERT_TRUE(ApplyMediaSettings(Changed(folder)).empty());
  TMediaSettingsChoice expected = Changed(folder);
  expected.media_folder = folder + u"/";  // names are joined to it
  EXPECT_EQ(CurrentMediaSettings(), expected);
  const TMediaMarkersRec r = GetMediaMarkers();
  EXPECT_EQ(r.Method(), 0);
  EXPECT_EQ(r.FileNameMarker(), u"[clip ");
  EXPECT_EQ(r.MediaFolder(), folder + u"/");
  EXPECT_EQ(r.DefaultDurationSeconds(), 7);
  EXPECT_FLOAT_EQ(r.WideningStepSeconds(), 0.5f);
  EXPECT_EQ(r.Extension(0), u"ogg");
  EXPECT_EQ(r.Extension(2), u"wav");
  // The lookup of a line with these settings: "x.ogg" named after the marker, 3.5 s in,
  // widened twice by 0.5 s on each side; the default duration as no FOR= mark is given.
  const TMediaLookup found = FindMediaOfLine(r, u"[clip x.ogg AT=3.5] the river", u"/t/a.txt", 2,
                                             DiskMediaFileTests());
  EXPECT_TRUE(found.result.found);
  EXPECT_EQ(found.media_file, u"x.ogg");
  EXPECT_EQ(found.start_ms, 3000);
  EXPECT_EQ(found.duration_ms, 8000);
}

TEST_F(MediaSettingsRulesTest, BadFieldsAreNamedAndNothingIsStored) {
  const TMediaMarkersRec before = GetMediaMarkers();
  const UString table = dir.Write(u"table.txt", "a=x.wav 1 2\n");
  struct Case {
    std::function<void(TMediaSettingsChoice&)> change;
    const char16_t* said;  // empty: accepted
  };
  const Case cases[] = {
      {[](TMediaSettingsChoice& c) { c.file_name_marker = u"  "; }, u"Start of file name marker: empty"},
      {[](TMediaSettingsChoice& c) { c.file_name_marker = UString(31, u'x'); },
       u"Start of file name marker: longer than 30 characters"},
      {[](TMediaSettingsChoice& c) { c.method = 1; c.file_name_marker.clear(); }, u""},
      {[](TMediaSettingsChoice& c) { c.method = 3; }, u"Method: 3 is no method"},
      {[](TMediaSettingsChoice& c) { c.method = 2; c.lookup_table.clear(); }, u"Lookup table: no file was given"},
      {[&](TMediaSettingsChoice& c) { c.method = 2; c.lookup_table = table; }, u""},
      {[](TMediaSettingsChoice& c) { c.media_folder = u"/no/such/folder"; },
       u"Media folder: \"/no/such/folder\" does not exist"},
      {[](TMediaSettingsChoice& c) { c.start_marker = UString(11, u's'); }, u"Start marker: longer than 10 characters"},
      {[](TMediaSettingsChoice& c) { c.default_duration_seconds = -1; },
       u"Default duration: -1 seconds is not from 0 to 86400"},
      {[](TMediaSettingsChoice& c) { c.widening_step_seconds = -0.5; }, u"Widening step: not from 0 to 600 seconds"},
      {[](TMediaSettingsChoice& c) { c.extensions[3] = u"m p3"; }, u"Media extension 4: \"m p3\" is not an extension"},
      {[](TMediaSettingsChoice& c) { c.extensions.fill(u" "); }, u"Media extensions: none was given"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SetMediaMarkers(before);
    TMediaSettingsChoice c = CurrentMediaSettings();
    cases[i].change(c);
    const std::vector<UString> problems = ApplyMediaSettings(c);
    if (UString(cases[i].said).empty()) {
      EXPECT_TRUE(problems.empty()) << "case " << i << ": " << (problems.empty() ? "" : Utf16ToUtf8(problems[0]));
      continue;
    }
    ASSERT_EQ(problems.size(), 1u) << "case " << i;
    EXPECT_EQ(problems[0].substr(0, UString(cases[i].said).size()), cases[i].said) << "case " << i;
    EXPECT_TRUE(GetMediaMarkers().SameBytes(before)) << "case " << i;
  }
}
