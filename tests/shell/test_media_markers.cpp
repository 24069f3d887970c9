// Which recording a concordance line points to and which stretch of it: the three methods, the
// time marks, widening, bad marks and settings, and the store written only on success.
#include <gtest/gtest.h>

#include <set>

#include "platform/settings/settings_access.h"
#include "platform/settings/settings_defaults.h"
#include "platform/text/text_services.h"
#include "shell/media/media_markers.h"
#include "shell/media/media_stretch.h"
#include "support/temp_folder.h"

namespace {

// A disk of the names given; look-up tables by name.
struct TFakeDisk {
  std::set<UString> files;
  std::vector<std::pair<UString, std::vector<UString>>> tables;
  TMediaFileTests Tests() const {
    TMediaFileTests t;
    t.exists = [this](UStringView n) { return files.count(UString(n)) > 0; };
    t.read_lines = [this](UStringView n, std::vector<UString>& lines) {
      for (const auto& [name, l] : tables)
        if (name == n) {
          lines = l;
          return true;
        }
      return false;
    };
    return t;
  }
};

TMediaMarkersRec Settings(uint8_t method) {
  TMediaMarkersRec s = DefaultMediaMarkers();
  s.SetMethod(method);
  s.SetFileNameMarker(u"<media ");
  s.SetStartMarker(u"START=");
  s.SetDurationMarker(u"DUR=");
  s.SetDefaultDurationSeconds(5);
  s.SetWideningStepSeconds(1.0f);
  const char16_t* ext[] = {u"mp3", u"wav", u"", u"mp4", u"", u""};
  for (int i = 0; i < TMediaMarkersRec::kExtensions; ++i) s.SetExtension(i, ext[i]);
  s.SetMediaFolder(u"");
  return s;
}

}  // namespace

TEST(MediaTimeMarks, ReadByMarkOrByPosition) {
  const struct {
    const char16_t* rest;
    const char16_t* duration_marker;
    int widening;
    int64_t start, duration;
  } cases[] = {
      {u"START=12.5", u"4000", 1, 12500, 4000},       // a number as the duration marker: milliseconds
      {u"START=12.5", u"4000", 3, 10500, 8000},       // widened twice by a second
      {u"START=0.5", u"4000", 3, 0, 8000},            // never before the start
      {u"START=1.5 DUR=2", u"DUR=", 1, 1500, 2000},   // each mark takes only its own run
      {u"DUR=2 START=1.5", u"DUR=", 1, 1500, 2000},   // in any order
      {u"START= 3,25 DUR= 1", u"DUR=", 1, 3250, 1000},  // blanks after a marker, a decimal comma
      {u"START=1:30", u"DUR=", 1, 90000, 5000},       // minutes; the default duration
      {u"START=1.5 3", u"DUR=", 1, 1500, 3000},       // start marked, the duration by position
      {u"START=1.5", u"DUR=", 1, 1500, 5000},         // no duration anywhere: the default
      {u"DUR=4 7", u"DUR=", 1, 7000, 4000},           // duration marked, the start by position
      {u"2.5 4", u"DUR=", 1, 2500, 4000},             // no marks: start and duration by position
      {u"2.5s 4 seconds", u"DUR=", 1, 2500, 4000},    // words around the numbers dropped
      {u"", u"DUR=", 1, 0, 5000},                     // nothing: from the start, the default
      {u"words only", u"DUR=", 1, 0, 5000},           // no number: the defaults stay
      {u"start=2 dur=1", u"dur=", 1, 2000, 1000},     // marks in any case
  };
  for (const auto& c : cases) {
    TMediaMarkersRec s = Settings(0);
    s.SetDurationMarker(c.duration_marker);
    TMediaStretch out;
    ASSERT_TRUE(ParseMediaTimeMarks(s, UpperCaseU(c.rest), c.widening, out)) << Utf16ToUtf8(c.rest);
    EXPECT_EQ(out.start_ms, c.start) << Utf16ToUtf8(c.rest);
    EXPECT_EQ(out.duration_ms, c.duration) << Utf16ToUtf8(c.rest);
  }
}

TEST(MediaTimeMarks, AMarkWhoseTimeDoesNotReadIsRefused) {
  for (const char16_t* rest : {u"START=abc", u"START=", u"START=1.2.3 DUR=2", u"START=1 DUR=x"}) {
    TMediaStretch out;
    EXPECT_FALSE(ParseMediaTimeMarks(Settings(0), rest, 1, out)) << Utf16ToUtf8(rest);
    EXPECT_NE(out.message.find(u"does not read as seconds"), UString::npos) << Utf16ToUtf8(out.message);
  }
}

TEST(MediaLookup, MarkerInTheText) {
  TFakeDisk disk;
  disk.files = {u"/c/talk.txt", u"/c/talk.wav", u"/media/talk.mp3"};
  const struct {
    const char16_t* text;
    const char16_t* folder;
    bool found;
    const char16_t* file;
    int64_t start, duration;
  } cases[] = {
      // The name as written, found whether or not it exists; the marks after its extension.
      {u"<media clip.wav START=2 DUR=3>", u"", true, u"clip.wav", 2000, 3000},
      {u"<MEDIA /c/talk.wav START=2>", u"", true, u"/c/talk.wav", 2000, 5000},
      // A name without a folder: beside the text when it is there.
      {u"<media talk.wav START=2>", u"", true, u"/c/talk.wav", 2000, 5000},
      // mp3 is preferred to wav: the first extension in order that the text holds ends the name.
      {u"<media a.wav b.mp3 START=1>", u"", true, u"a.wav b.mp3", 1000, 5000},
      // The media folder holds the text's own name with that extension: it wins.
      {u"<media x.mp3 START=4>", u"/media", true, u"/media/talk.mp3", 4000, 5000},
      // The marks are read after the extension, however the name was changed.
      {u"<media    very long name.mp3 START=6>", u"/media", true, u"/media/talk.mp3", 6000, 5000},
      // The text's own name with a media extension.
      {u"<media SAMEFILE START=1 DUR=1>", u"", true, u"/c/talk.wav", 1000, 1000},
      {u"no marker here", u"", false, u"", 0, 0},
      {u"<media no extension START=2>", u"", false, u"", 0, 0},
      {u"<media clip.wav START=abc>", u"", false, u"", 0, 0},
  };
  for (const auto& c : cases) {
    TMediaMarkersRec s = Settings(0);
    s.SetMediaFolder(c.folder);
    const TMediaLookup r = FindMediaOfLine(s, c.text, u"/c/talk.txt", 1, disk.Tests());
    EXPECT_EQ(r.result.found, c.found) << Utf16ToUtf8(c.text) << " " << Utf16ToUtf8(r.result.message);
    EXPECT_EQ(r.media_file, c.file) << Utf16ToUtf8(c.text);
    if (c.found) {
      EXPECT_EQ(r.start_ms, c.start) << Utf16ToUtf8(c.text);
      EXPECT_EQ(r.duration_ms, c.duration) << Utf16ToUtf8(c.text);
    } else {
      EXPECT_FALSE(r.result.message.empty()) << Utf16ToUtf8(c.text);
    }
  }
}

TEST(MediaLookup, EmptyStartMarkerAndLookupTableCodes) {
  TFakeDisk disk;
  TMediaMarkersRec s = Settings(0);
  s.SetFileNameMarker(u"");
  TMediaLookup r = FindMediaOfLine(s, u"<media a.wav>", u"/c/t.txt", 1, disk.Tests());
  EXPECT_FALSE(r.result.found);
  EXPECT_EQ(r.result.code, kMediaCodeMarkerUndefined);
  s = Settings(2);
  s.SetLookupTable(u"/c/table.txt");
  r = FindMediaOfLine(s, u"key", u"/c/t.txt", 1, disk.Tests());
  EXPECT_EQ(r.result.code, kMediaCodeLookupTableNotFound);
  s.SetLookupTable(u"");
  r = FindMediaOfLine(s, u"key", u"/c/t.txt", 1, disk.Tests());
  EXPECT_EQ(r.result.code, kMediaCodeLookupTableNotFound);
}

TEST(MediaLookup, SameNamedFileSkipsEmptyExtensions) {
  TFakeDisk disk;
  // The text itself and an extension-less twin are never taken for its media.
  disk.files = {u"/c/talk.txt", u"/c/talk", u"/c/talk."};
  TMediaLookup r = FindMediaOfLine(Settings(1), u"", u"/c/talk.txt", 1, disk.Tests());
  EXPECT_FALSE(r.result.found);
  disk.files.insert(u"/c/talk.mp4");
  r = FindMediaOfLine(Settings(1), u"<x TALK.MP4 START=3>", u"/c/talk.txt", 1, disk.Tests());
  ASSERT_TRUE(r.result.found);
  EXPECT_EQ(r.media_file, u"/c/talk.mp4");
  EXPECT_EQ(r.start_ms, 3000);
  r = FindMediaOfLine(Settings(1), u"SAMEFILE START=4", u"/c/talk.txt", 1, disk.Tests());
  EXPECT_EQ(r.start_ms, 4000);
}

TEST(MediaLookup, LookupTable) {
  TFakeDisk disk;
  disk.files = {u"/c/table.txt", u"/c/rec one.wav", u"/c/clip.wav", u"/abs/x.wav"};
  disk.tables = {{u"/c/table.txt", {u"line 1=clip.wav 2 3", u"line 2=/abs/x.wav 1.5", u"line 3=", u"line 4=gone.wav 1"}}};
  TMediaMarkersRec s = Settings(2);
  s.SetLookupTable(u"/c/table.txt");
  const struct {
    const char16_t* key;
    bool found;
    int32_t code;
    const char16_t* file;
    int64_t start, duration;
  } cases[] = {
      {u"line 1", true, 0, u"/c/clip.wav", 2000, 3000},  // a name without folder: the table's folder
      {u"line 2", true, 0, u"/abs/x.wav", 1500, 5000},
      {u"line 3", false, 0, u"", 0, 0},                  // an empty value finds nothing
      {u"line 4", false, kMediaCodeLookupTableNotFound, u"", 0, 0},
      {u"line 9", false, 0, u"", 0, 0},
  };
  for (const auto& c : cases) {
    const TMediaLookup r = FindMediaOfLine(s, c.key, u"/c/t.txt", 1, disk.Tests());
    EXPECT_EQ(r.result.found, c.found) << Utf16ToUtf8(c.key);
    EXPECT_EQ(r.result.code, c.code) << Utf16ToUtf8(c.key);
    EXPECT_EQ(r.media_file, c.file) << Utf16ToUtf8(c.key);
    EXPECT_EQ(r.start_ms, c.start) << Utf16ToUtf8(c.key);
    if (c.found) {
      EXPECT_EQ(r.duration_ms, c.duration) << Utf16ToUtf8(c.key);
    }
  }
}

TEST(MediaLookup, AMethodOutsideTheThreeIsSaid) {
  TFakeDisk disk;
  const TMediaLookup r = FindMediaOfLine(Settings(3), u"<media a.wav>", u"/c/t.txt", 1, disk.Tests());
  EXPECT_FALSE(r.result.found);
  EXPECT_NE(r.result.message.find(u"method 3"), UString::npos);
}

TEST(MediaLookup, TheStoreIsWrittenOnSuccessOnly) {
  TempFolder tmp;
  const UString text = tmp.Write(u"talk.txt", "hello");
  const UString wav = tmp.Write(u"talk.wav", "RIFF");
  TMediaMarkersRec s = Settings(1);
  SetMediaMarkers(s);
  SetTempURL(u"/before.wav");
  SetMyTempFilename(u"/before.txt");
  SetTemp2Int64(11, 22);
  // A bad mark: nothing changes.
  TStringIntAndBoolean r = FindMediaForConcordanceLine(u"SAMEFILE START=abc", text, 1);
  EXPECT_FALSE(r.found);
  int64_t a = 0, b = 0;
  GetTemp2Int64(a, b);
  EXPECT_EQ(GetTempURL(), u"/before.wav");
  EXPECT_EQ(GetMyTempFilename(), u"/before.txt");
  EXPECT_EQ(a, 11);
  EXPECT_EQ(b, 22);
  r = FindMediaForConcordanceLine(u"SAMEFILE START=2 DUR=2", text, 1);
  ASSERT_TRUE(r.found);
  GetTemp2Int64(a, b);
  EXPECT_EQ(GetTempURL(), wav);
  EXPECT_EQ(GetMyTempFilename(), text);
  EXPECT_EQ(a, 2000);
  EXPECT_EQ(b, 2000);
}

TEST(MediaLookup, FirstWordAndAfterIt) {
  EXPECT_EQ(FirstWordOf(u"  clip.wav 2 3 "), u"clip.wav");
  EXPECT_EQ(AfterFirstWordOf(u"  clip.wav 2 3 "), u"2 3");
  EXPECT_EQ(FirstWordOf(u" one "), u"one");
  EXPECT_EQ(AfterFirstWordOf(u" one "), u"");
}

TEST(MediaStretch, EndsNudgesAndSpeeds) {
  // The stretch ends 10 ms before a shorter media's end; without a length at start + duration.
  EXPECT_EQ(StretchEndMs(2000, 2000, 10000), 4000);
  EXPECT_EQ(StretchEndMs(8000, 5000, 10000), 9990);
  EXPECT_EQ(StretchEndMs(2000, 2000, 0), 4000);
  EXPECT_EQ(StretchEndMs(2000, 2000, -1), 4000);
  // The adjust value moves the start by whole seconds, never before 0.
  EXPECT_EQ(AdjustedStartMs(5000, -2), 3000);
  EXPECT_EQ(AdjustedStartMs(1000, -2), 0);
  EXPECT_EQ(AdjustedStartMs(1000, 3), 4000);
  // Nudges never go before the start.
  EXPECT_EQ(NudgedPositionMs(5000, -kNudgeStepMs), 3000);
  EXPECT_EQ(NudgedPositionMs(1000, -kNudgeStepMs), 0);
  EXPECT_EQ(NudgedPositionMs(-1, kNudgeStepMs), 2000);
  // Speed: Faster twice 110, Slower once 105; twenty Slower clicks stop at 5 %, Faster at 400 %.
  int rate = 100;
  rate = SteppedRate(rate, kRateStep);
  rate = SteppedRate(rate, kRateStep);
  EXPECT_EQ(RateLabel(rate), u"110%");
  rate = SteppedRate(rate, -kRateStep);
  EXPECT_EQ(RateLabel(rate), u"105%");
  rate = SteppedRate(rate, -kRateStep);
  EXPECT_EQ(RateLabel(rate), u"");
  for (int i = 0; i < 20; ++i) rate = SteppedRate(rate, -kRateStep);
  EXPECT_EQ(rate, kSlowestRate);
  for (int i = 0; i < 100; ++i) rate = SteppedRate(rate, kRateStep);
  EXPECT_EQ(rate, kFastestRate);
  EXPECT_EQ(MediaTimeLabel(3723500), u"01:02:03\r(3723 s)");
  EXPECT_EQ(MediaTimeLabel(-5), u"00:00:00\r(0 s)");
}

TEST(MediaLookup, TheLastMarkBeforeAHit) {
  const struct {
    const char16_t* before;
    const char16_t* mark;
  } cases[] = {
      {u"<media a.wav START=1> words <media b.wav START=9> and the ", u"<media b.wav START=9>"},
      {u"<MEDIA c.mp3 START=2\nmore text ", u"<MEDIA c.mp3 START=2"},
      {u"no mark at all ", u""},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(LastMediaMarkBefore(c.before, u"<media "), c.mark) << Utf16ToUtf8(c.before);
  EXPECT_EQ(LastMediaMarkBefore(u"<media a.wav>", u""), u"");
}
