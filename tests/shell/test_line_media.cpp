// A concordance line's media over the store and the disk: the look-up's answer in the commands'
// terms, the mark before a hit read from its text, and the kept stretch handed to the player.
#include <gtest/gtest.h>

#include "platform/settings/settings_access.h"
#include "platform/settings/settings_defaults.h"
#include "platform/text/text_services.h"
#include "shell/media/line_media.h"
#include "support/temp_folder.h"

namespace {

TMediaMarkersRec Marks(uint8_t method, const char16_t* file_marker = u"<media ") {
  TMediaMarkersRec s = DefaultMediaMarkers();
  s.SetMethod(method);
  s.SetFileNameMarker(file_marker);
  s.SetStartMarker(u"START=");
  s.SetDurationMarker(u"DUR=");
  return s;
}

struct TPlayed {
  UString file;
  int64_t start = -1, duration = -1;
  bool answer = true;
};

TStoredLineMedia MediaPlayingInto(TPlayed& played) {
  return TStoredLineMedia([&played](const UString& file, int64_t start, int64_t duration) {
    played = {file, start, duration, played.answer};
    return played.answer;
  });
}

}  // namespace

TEST(StoredLineMedia, ALookUpKeepsTheStretchThePlayerIsGiven) {
  TempFolder tmp;
  const UString text = tmp.Write(u"talk.txt", "hello");
  const UString wav = tmp.Write(u"talk.wav", "RIFF");
  SetMediaMarkers(Marks(0));
  TPlayed played;
  TStoredLineMedia media = MediaPlayingInto(played);
  const TLineMediaLookup found = media.FindMediaForConcordanceLine(u"<media talk.wav START=2 DUR=3>", text, 1);
  ASSERT_TRUE(found.found);
  EXPECT_EQ(found.text, wav);
  EXPECT_EQ(found.code, 0);
  EXPECT_TRUE(media.PlayLinkedMedia(found.text));
  EXPECT_EQ(played.file, wav);
  EXPECT_EQ(played.start, 2000);
  EXPECT_EQ(played.duration, 3000);
  // A player that cannot play says so; without a player nothing plays.
  played.answer = false;
  EXPECT_FALSE(media.PlayLinkedMedia(found.text));
  EXPECT_FALSE(TStoredLineMedia(nullptr).PlayLinkedMedia(found.text));
  // The settings' refusals keep their codes and messages.
  SetMediaMarkers(Marks(0, u""));
  const TLineMediaLookup no_marker = media.FindMediaForConcordanceLine(u"<media talk.wav>", text, 1);
  EXPECT_FALSE(no_marker.found);
  EXPECT_EQ(no_marker.code, kMediaStartOfFilenameUndefined);
  EXPECT_FALSE(no_marker.text.empty());
  TMediaMarkersRec table = Marks(2);
  table.SetLookupTable(tmp.Path() + u"missing.txt");
  SetMediaMarkers(table);
  EXPECT_EQ(media.FindMediaForConcordanceLine(u"talk", text, 1).code, kMediaLookupTableNotFound);
}

TEST(StoredLineMedia, TheMarkBeforeAHitIsReadFromItsText) {
  TempFolder tmp;
  const std::string mark = "<media talk.wav START=2 DUR=3>";
  const std::string near = std::string(70 * 1024, 'x');   // the hit on the mark's next page
  const std::string far = std::string(140 * 1024, 'y');   // two pages and more away
  struct Case {
    const char* what;
    std::string text;
    uint8_t method;
    const char16_t* want;
  } const cases[] = {
      {"in the same line", "words " + mark + " then the river", 0, u"<media talk.wav START=2 DUR=3>"},
      {"the later of two", "<media a.wav START=1> one " + mark + " two river", 0, u"<media talk.wav START=2 DUR=3>"},
      {"on the page before", mark + near + " river", 0, u"<media talk.wav START=2 DUR=3>"},
      {"further back", mark + far + " river", 0, u""},
      {"none", "no mark, only the river", 0, u""},
      {"marks found by file name", mark + " river", 1, u""},
  };
  TStoredLineMedia media(nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetMediaMarkers(Marks(c.method));
    const UString name = tmp.Write(u"t.txt", c.text);
    EXPECT_EQ(media.MediaMarkBeforeHit(name, static_cast<int64_t>(c.text.rfind("river"))), c.want);
  }
  SetMediaMarkers(Marks(0));
  EXPECT_EQ(media.MediaMarkBeforeHit(tmp.Path() + u"gone.txt", 10), u"");
  EXPECT_EQ(media.MediaMarkBeforeHit(u"", 10), u"");
}
