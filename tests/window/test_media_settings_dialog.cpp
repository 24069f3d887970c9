// The media settings through the program's road: Settings > Specific to this Tool, its Media
// button, the dialog; then Ctrl+M on a concordance line finds the recording the way the stored
// settings say. Cancel and refused values leave the store as it was.
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>

#include "platform/settings/settings_access.h"
#include "shell/qt/media_settings_dialog.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/vx_status_bar.h"
#include "support/wav_tone.h"
#include "window/further_settings_road.h"

namespace {

constexpr int kPlayMediaMenuItem = 95;
constexpr int kMessagePanel = 10;

class MediaSettingsRoad : public FurtherSettingsRoad {
 protected:
  void SetUp() override {
    FurtherSettingsRoad::SetUp();
    setenv("LINZORA_MEDIA_OUTPUT", "dummy", 1);
    dir.Write(u"corpus/interview.wav", WavTone(8));
    text = dir.Write(u"corpus/interview.txt", "{{clip interview.wav START=2}} The river rose in the night.\n");
    Start();
    HandOverTexts({text});
  }
  int ThroughTheMenu(const std::function<void(TMediaSettingsDialog&)>& fill) {
    return Through<TMediaSettingsDialog>([](TConcordanceSettingsDialog& d) { return d.MediaButton(); }, fill);
  }
  // Ctrl+M on the first line: the media file the store then names ("" when none was found, the
  // status bar saying why), with the stretch's start and duration in milliseconds.
  UString PlayFirstLine(int64_t& start, int64_t& duration) {
    SetTempURL(u"");
    SetTemp2Int64(-1, -1);
    Main().Status()->SetPanelText(kMessagePanel, u"");
    TVX_Grid* grid = TurnTo("Concordance");
    grid->setCurrentIndex(grid->Model().index(0, 0));
    Main().HandleMenuCommand(kPlayMediaMenuItem, u"");
    WaitUntil([&] { return !GetTempURL().empty() || !Main().Status()->PanelText(kMessagePanel).isEmpty(); });
    GetTemp2Int64(start, duration);
    return GetTempURL();
  }
  UString text;
};

}  // namespace

TEST_F(MediaSettingsRoad, TheMarkerChosenFindsTheLinesRecording) {
#ifdef LINZORA_SANITIZED
  GTEST_SKIP() << "the media library's own threads are not instrumented";
#endif
  ASSERT_EQ(LinesFor(u"river"), 1);
  int64_t start = 0, duration = 0;
  EXPECT_EQ(PlayFirstLine(start, duration), u"");
  EXPECT_EQ(Main().Status()->PanelText(kMessagePanel).left(24), QStringLiteral("The marker MEDIA= was no"));
  ASSERT_EQ(ThroughTheMenu([](TMediaSettingsDialog& d) {
              EXPECT_EQ(d.FileNameMarker()->text(), QStringLiteral("MEDIA="));  // as stored
              EXPECT_EQ(d.Extension(1)->text(), QStringLiteral("wav"));
              d.FileNameMarker()->setText(QStringLiteral("{{clip "));
              d.DefaultDuration()->setValue(4);
              d.show();
              SettingsShot(d, "media");
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_EQ(PlayFirstLine(start, duration), dir.Path() + u"corpus/interview.wav");
  EXPECT_EQ(start, 2000);
  EXPECT_EQ(duration, 4000);  // no duration mark: the default duration
  // Shown again as stored.
  ThroughTheMenu([](TMediaSettingsDialog& d) {
    EXPECT_EQ(d.FileNameMarker()->text(), QStringLiteral("{{clip "));
    EXPECT_EQ(d.DefaultDuration()->value(), 4);
    d.reject();
  });
}

TEST_F(MediaSettingsRoad, CancelAndRefusedValuesChangeNothing) {
  const TMediaMarkersRec before = GetMediaMarkers();
  ThroughTheMenu([](TMediaSettingsDialog& d) {
    d.FileNameMarker()->setText(QStringLiteral("{{clip "));
    d.reject();
  });
  struct Case {
    const char* what;
    std::function<void(TMediaSettingsDialog&)> change;
    const char16_t* said;
  };
  const Case cases[] = {
      {"empty marker", [](TMediaSettingsDialog& d) { d.FileNameMarker()->setText(QString()); },
       u"Start of file name marker: empty"},
      {"missing table",
       [](TMediaSettingsDialog& d) {
         d.Method()->setCurrentIndex(2);
         d.LookupTable()->setText(QStringLiteral("/no/such/table.txt"));
       },
       u"Lookup table: the file \"/no/such/table.txt\" does not exist"},
      {"dotted extension", [](TMediaSettingsDialog& d) { d.Extension(0)->setText(QStringLiteral(".mp3")); },
       u"Media extension 1: \".mp3\" is not an extension"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectRefused<TMediaSettingsDialog>([this](const auto& fill) { return ThroughTheMenu(fill); }, c.change, c.said);
  }
  EXPECT_TRUE(GetMediaMarkers().SameBytes(before));
}
