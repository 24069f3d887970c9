// The viewer windows driven directly: the media window (a fake player and the real one on a
// generated WAV with no sound output), the word cloud and its options, the one-text viewer over a
// 2 MB text, the details window and the extra text grid. Screenshots go to
// <screenshots>/viewers/.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPrinter>
#include <QTextCursor>
#include <QScrollBar>
#include <QTest>
#include <cmath>
#include <fstream>

#include "concordance/commands/cell_double_click.h"
#include "concordance/document/source_files.h"
#include "concordance/lines/line_records.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/settings/settings_access.h"
#include "shell/files/saved_texts.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/word_cloud_painter.h"
#include "support/temp_folder.h"
#include "support/wav_tone.h"
#include "window/main_road_support.h"
#include "window/window_test_support.h"
#include "windows/extra_details_window.h"
#include "windows/extra_text_grid_window.h"
#include "windows/media_player_window.h"
#include "windows/one_text_viewer.h"
#include "windows/word_cloud_window.h"

namespace {

QImage Shot(QWidget& w, const QString& name) { return SaveScreenshot(w, QStringLiteral("viewers/") + name); }

std::string FileBytes(const UString& name) {
  std::ifstream in(ToFsPath(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A player that plays nothing: it moves its clock by hand and says what it was asked.
class TFakePlayer : public TMediaPlayerBackend {
 public:
  bool loaded = true;
  UString version = u"3.0.21";
  bool video = false;
  int64_t length = 20000;
  int64_t time = -1;
  int rate = 100;
  TMediaState state = TMediaState::NothingSpecial;
  int64_t opened_at = -1;
  int64_t opened_stop = -1;
  int opens = 0;
  bool Loaded() const override { return loaded; }
  UString VersionText() const override { return version; }
  UString LastError() const override { return {}; }
  bool Open(UStringView, int64_t start_ms, int64_t stop_ms, uint64_t) override {
    ++opens;
    opened_at = start_ms;
    opened_stop = stop_ms;
    time = start_ms;
    state = TMediaState::Playing;
    return true;
  }
  void Pause() override { state = TMediaState::Paused; }
  void Resume() override { state = TMediaState::Playing; }
  void Stop() override {
    state = TMediaState::Stopped;
    time = -1;
  }
  TMediaState State() const override { return state; }
  int64_t LengthMs() const override { return length; }
  int64_t TimeMs() const override { return time; }
  void SetTimeMs(int64_t ms) override { time = ms; }
  double PositionPercent() const override { return time < 0 ? 0 : 100.0 * time / length; }
  void SetPositionPercent(double p) override { time = static_cast<int64_t>(p * length / 100); }
  int RatePercent() const override { return rate; }
  void SetRatePercent(int r) override { rate = r; }
  bool HasVideo() const override { return video; }
};

// English-like prose of about n bytes, UTF-8, lines of sentences, "river" and "bank" now and
// then, mark-up around paragraphs.
std::string Prose(size_t n) {
  static const char* words[] = {"the", "of", "and", "water", "stone", "river", "walked", "along", "the", "old",
                                "bank", "mill", "under", "bridge", "caf\xC3\xA9", "morning", "light", "fell"};
  std::string out;
  uint32_t seed = 7;
  while (out.size() < n) {
    out += "<p>";
    for (int s = 0; s < 4; ++s) {
      for (int w = 0; w < 12; ++w) {
        seed = seed * 1103515245 + 12345;
        out += words[(seed >> 16) % 18];
        out += w == 11 ? ". " : " ";
      }
    }
    out += "</p>\n";
  }
  return out;
}

class ViewerWindows : public MainRoadTest {
 protected:
  // The prose written as a text, and the viewer (1000 x 700, shown) opened on it at a "river" in
  // its last 50,000 bytes, finding the words; the hit's byte (npos when it did not open).
  size_t OpenAtLateHit(TFormOneTextFileShower& viewer, const std::string& prose, const std::vector<UString>& words) {
    const UString file = dir.Write(u"long_text.txt", prose);
    viewer.resize(1000, 700);
    viewer.show();
    const size_t at = prose.find("river", prose.size() - 50000);
    int64_t size = 0, ns = 0;
    if (at == std::string::npos || !TextFingerprintOf(file, size, ns) ||
        !viewer.OpenAtHit(file, size, ns, static_cast<int64_t>(at), u"river", words, nullptr))
      return std::string::npos;
    return at;
  }
};

// --- media ---------------------------------------------------------------------------------------

TEST_F(ViewerWindows, MediaWindowWithAFakePlayer) {
  auto fake_owned = std::make_unique<TFakePlayer>();
  TFakePlayer* fake = fake_owned.get();
  TFormVXPasLibVCL window(nullptr, std::move(fake_owned));
  const UString wav = dir.Write(u"talk.wav", "RIFF");
  // A sound: playing, the window stays hidden; the adjust value moves the start.
  window.AdjustEdit()->setValue(-2);
  TStringIntAndBoolean r = window.PlayASoundOrVideoFile(wav, 5000, 2000);
  EXPECT_TRUE(r.found);
  EXPECT_EQ(fake->opened_at, 3000);
  EXPECT_EQ(fake->opened_stop, 0);  // no stop time: the window pauses at the stretch's end
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.StretchEnd(), 7000);
  // Playing starts; the clock passes the end: paused there, and the user may play on.
  window.Timer1Timer();
  fake->time = 6000;
  window.Timer1Timer();
  EXPECT_EQ(fake->state, TMediaState::Playing);
  EXPECT_EQ(window.LabelTime()->text(), QStringLiteral("00:00:06\r(6 s)"));
  EXPECT_EQ(window.TrackBar()->value(), 30);
  fake->time = 7010;
  window.Timer1Timer();
  EXPECT_EQ(fake->state, TMediaState::Paused);
  EXPECT_TRUE(window.PausedAtEnd());
  window.ButtonPauseClick();
  EXPECT_EQ(fake->state, TMediaState::Playing);
  // Speed: Faster twice, Slower once; a back nudge never goes before 0.
  window.FasterButton()->click();
  window.FasterButton()->click();
  EXPECT_EQ(window.LabelSpeed()->text(), QStringLiteral("110%"));
  window.SlowerButton()->click();
  EXPECT_EQ(window.LabelSpeed()->text(), QStringLiteral("105%"));
  EXPECT_EQ(fake->rate, 105);
  fake->time = 1000;
  window.ButtonNudgeClick(false);
  EXPECT_EQ(fake->time, 0);
  // A new request replaces the old stretch; a video shows the window.
  fake->video = true;
  window.AdjustEdit()->setValue(0);
  r = window.PlayASoundOrVideoFile(wav, 1000, 1000);
  EXPECT_TRUE(r.found);
  EXPECT_EQ(fake->opens, 2);
  EXPECT_EQ(fake->rate, 105);  // the speed chosen stays
  EXPECT_TRUE(window.isVisible());
  Shot(window, QStringLiteral("media_window_video"));
  // Media that ends (or stops) before the stretch's end ends the watch; nothing waits for ever.
  window.Timer1Timer();
  EXPECT_TRUE(window.Watching());
  fake->state = TMediaState::Ended;
  window.Timer1Timer();
  EXPECT_FALSE(window.Watching());
  // A length not known: the stretch ends at start + duration.
  fake->length = 0;
  window.PlayASoundOrVideoFile(wav, 3000, 1500);
  EXPECT_EQ(window.StretchEnd(), 4500);
  window.close();
}

TEST_F(ViewerWindows, MediaWindowRefusesWhatItCannotPlay) {
  const UString wav = dir.Write(u"talk.wav", "RIFF");
  // An old library: the version dialog at creation, then every file refused with the state.
  auto old = std::make_unique<TFakePlayer>();
  old->version = u"1.1.0";
  TFakePlayer* fake = old.get();
  {
    TFormVXPasLibVCL window(nullptr, std::move(old));
    EXPECT_TRUE(WasAsked(TVXDialog::VideoLANPlayerVersionError));
    const TStringIntAndBoolean r = window.PlayASoundOrVideoFile(wav, 0, 1000);
    EXPECT_FALSE(r.found);
    EXPECT_TRUE(WasAsked(TVXDialog::CantPlayMedia));
    EXPECT_EQ(fake->opens, 0);
  }
  dialogs.Clear();
  TFormVXPasLibVCL window(nullptr, std::make_unique<TFakePlayer>());
  const TStringIntAndBoolean r = window.PlayASoundOrVideoFile(dir.Path() + u"missing.wav", 0, 1000);
  EXPECT_FALSE(r.found);
  EXPECT_EQ(Asked(), (std::vector<TVXDialog>{TVXDialog::FailedToFind}));
}

TEST_F(ViewerWindows, MediaWindowPlaysAStretchOfARealWav) {
#ifdef LINZORA_SANITIZED
  GTEST_SKIP() << "the media library's own threads are not instrumented";
#endif
  setenv("LINZORA_MEDIA_OUTPUT", "dummy", 1);
  const UString wav = dir.Write(u"tone.wav", WavTone(8));
  TFormVXPasLibVCL window;
  ASSERT_TRUE(window.OK_to_show_video);
  const TStringIntAndBoolean r = window.PlayASoundOrVideoFile(wav, 2000, 2000);
  ASSERT_TRUE(r.found) << Utf16ToUtf8(AllQuestionText());
  EXPECT_FALSE(window.isVisible());  // a sound
  QSet<QString> labels;
  int highest_track = 0;
  ASSERT_TRUE(WaitUntil([&] {
    if (!window.LabelTime()->text().isEmpty()) labels.insert(window.LabelTime()->text());
    highest_track = std::max(highest_track, window.TrackBar()->value());
    return window.PausedAtEnd();
  }));
  EXPECT_GE(labels.size(), 2);
  EXPECT_GE(highest_track, 25);
  EXPECT_GE(window.Player().TimeMs(), 3900);
  EXPECT_LE(window.Player().TimeMs(), 4600);
  // The media library pauses on its own thread: the state follows a moment after the request.
  EXPECT_TRUE(WaitUntil([&] { return window.Player().State() == TMediaState::Paused; }))
      << static_cast<int>(window.Player().State());
  window.FasterButton()->click();
  window.FasterButton()->click();
  EXPECT_EQ(window.LabelSpeed()->text(), QStringLiteral("110%"));
  window.SlowerButton()->click();
  EXPECT_EQ(window.LabelSpeed()->text(), QStringLiteral("105%"));
  window.resize(640, 360);
  Shot(window, QStringLiteral("media_window_sound"));
  window.close();
}

// --- the word cloud --------------------------------------------------------------------------------

TEST_F(ViewerWindows, WordCloudOfAWordList) {
  TFormWordCloud window;
  window.resize(1000, 800);
  auto words = std::make_unique<TMyCloudTXTList>();
  const char* list[] = {"government", "river", "bridge", "council", "people", "market", "harbour", "railway",
                        "church", "school", "minister", "parliament", "trade", "money", "report", "taxes",
                        "workers", "wages", "prices", "election", "judge", "court", "colonies", "farm"};
  int f = 400;
  for (const char* w : list) {
    words->Add(Utf8ToUtf16(w), f);
    f = f * 4 / 5 + 3;
  }
  window.SetTextList(std::move(words));
  window.LoadSettings(0, 0, 0, false, true);
  window.ComputeTheCloud(u"Word cloud of a list");
  ASSERT_GE(window.Cloud().Draws().size(), 20u);
  const QImage& picture = window.Picture();
  // The first ten boxes inside the picture, each holding the word colour's pixels.
  for (const TCloudWordDraw& d : window.Cloud().Draws()) {
    if (d.redraw || d.number > 10) continue;
    const QRect box(d.text_left, d.text_top, d.size.cx, d.size.cy);
    EXPECT_TRUE(picture.rect().contains(box)) << Utf16ToUtf8(d.text);
    EXPECT_GT(InkPixelsIn(picture, box), 20) << Utf16ToUtf8(d.text);
  }
  // Over a word: its details and its highlight; over free space: nothing.
  const TCloudWordDraw& first = window.Cloud().Draws().front();
  const int x = first.text_left + first.size.cx / 2, y = first.text_top + first.size.cy / 2;
  const QRgb before = window.Picture().pixel(first.rect.left + 1, first.rect.top + 1);
  EXPECT_EQ(window.MouseOverPicture(x, y), first.number);
  EXPECT_EQ(window.DetailLabel()->text(), QStringLiteral("government (400)"));
  EXPECT_NE(window.Picture().pixel(first.rect.left + 1, first.rect.top + 1), before);
  Shot(window, QStringLiteral("word_cloud_highlight"));
  EXPECT_EQ(window.MouseOverPicture(2, 2), 0);
  EXPECT_TRUE(window.DetailLabel()->text().isEmpty());
  EXPECT_EQ(window.Picture().pixel(first.rect.left + 1, first.rect.top + 1), before);
  Shot(window, QStringLiteral("word_cloud"));
  // Saved as PNG, printed to PDF.
  const UString png = dir.Path() + u"cloud.png";
  ASSERT_TRUE(window.SaveImage(png));
  QImage back;
  ASSERT_TRUE(back.load(ToQString(png)));
  EXPECT_EQ(back.size(), window.Picture().size());
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  const QString pdf = ToQString(dir.Path() + u"cloud.pdf");
  printer.setOutputFileName(pdf);
  ASSERT_TRUE(window.PrintOn(printer));
  EXPECT_EQ(PdfPageCount(pdf), 1);
  EXPECT_GT(QFileInfo(pdf).size(), 2000);
  // A save that cannot be written says so and leaves nothing.
  EXPECT_FALSE(window.SaveImage(dir.Path() + u"no/such/folder/cloud.png"));
  EXPECT_TRUE(WasAsked(TVXDialog::FailedToSave));
  // Spin edits before settings are loaded do nothing; after, the minimum size stays in 6..70.
  window.MinFontSpin()->setValue(80);
  EXPECT_EQ(window.MinFontSpin()->value(), 70);
  window.close();
}

TEST_F(ViewerWindows, WordCloudKeepsItsPictureForOneWordAndForgetsAClosedList) {
  TFormWordCloud window;
  auto words = std::make_unique<TMyCloudTXTList>();
  words->Add(u"alpha", 9);
  words->Add(u"beta", 3);
  window.SetTextList(std::move(words));
  window.LoadSettings(0, 0, 0, false, true);
  window.ComputeTheCloud(u"two words");
  const QImage two = window.Picture();
  auto one = std::make_unique<TMyCloudTXTList>();
  one->Add(u"lonely", 4);
  window.SetTextList(std::move(one));
  window.LoadSettings(0, 0, 0, false, true);
  window.ComputeTheCloud(u"one word");
  EXPECT_TRUE(WasAsked(TVXDialog::InformationMessage));
  EXPECT_TRUE(window.Picture() == two);
  // A text list refreshed later is redrawn from its own words, not an old list's.
  EXPECT_TRUE(window.txt_based);
  window.DropBaseList();
  window.Refresh();
  EXPECT_EQ(window.MouseOverPicture(2, 2), 0);
}

// --- the one-text viewer -------------------------------------------------------------------------

// The viewer opened at a hit keeps the hit in view while its width changes: as the window takes
// its size once shown, and as the user makes it narrower or wider (every line wraps anew).
TEST_F(ViewerWindows, OneTextViewerKeepsItsHitInViewAsItsWidthChanges) {
  TFormOneTextFileShower viewer;
  ASSERT_NE(OpenAtLateHit(viewer, Prose(2 << 20), {u"river"}), std::string::npos);
  const QTextCursor c = viewer.View()->textCursor();
  ASSERT_EQ(c.selectedText(), QStringLiteral("river"));
  for (const int width : {1000, 600, 1400}) {
    viewer.resize(width, 700);
    DeliverPendingEvents();
    const QRect hit = viewer.View()->cursorRect(c);
    EXPECT_TRUE(viewer.View()->viewport()->rect().contains(hit))
        << "width " << width << ": the hit at y " << hit.y() << ", the view " << viewer.View()->viewport()->height() << " high";
  }
}

TEST_F(ViewerWindows, OneTextViewerOnATwoMegabyteText) {
  const std::string prose = Prose(2 << 20);
  TFormOneTextFileShower viewer;
  const size_t at = OpenAtLateHit(viewer, prose, {u"river", u"bank", u"absent"});
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(viewer.windowTitle(), QStringLiteral("long_text.txt"));
  // The hit is selected and shown.
  const QTextCursor c = viewer.View()->textCursor();
  EXPECT_EQ(c.selectedText(), QStringLiteral("river"));
  EXPECT_EQ(viewer.View()->Shown().bytes[static_cast<size_t>(c.selectionStart())], static_cast<int64_t>(at));
  QApplication::processEvents();
  const QImage img = Shot(viewer, QStringLiteral("one_text_viewer_at_hit"));
  const QRect hit = viewer.View()->cursorRect(c);
  EXPECT_GT(ColoursIn(img, QRect(viewer.View()->mapTo(&viewer, hit.topLeft()), QSize(60, hit.height()))), 2);
  // The key words found, in frequency order; the one not found left out.
  const auto entries = viewer.KeyWordEntries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_GE(entries[0].second, entries[1].second);
  size_t rivers = 0;
  for (size_t p = prose.find("river"); p != std::string::npos; p = prose.find("river", p + 1)) ++rivers;
  for (const auto& [word, count] : entries)
    if (word == u"river") {
      EXPECT_EQ(count, static_cast<int32_t>(rivers));
    }
  EXPECT_TRUE(viewer.PlotBar()->isVisible());
  EXPECT_EQ(viewer.PlotBar()->PlotLines().size(), viewer.View()->KeyWordPositionsAsArray().size());
  // Info on scores.
  dialogs.Clear();
  viewer.InfoOnScores();
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_NE(dialogs.Asked()[0].text.find(u"river (" + IntToUStr(static_cast<int64_t>(rivers)) + u")"), UString::npos);
  EXPECT_NE(dialogs.Asked()[0].text.find(u"Total: "), UString::npos);
  // Saved as rich text and read back: the whole text, the key words bold in the highlight colour.
  viewer.confirm_RTF_save = false;
  struct TSaveAnswer : TFileDialogs {
    UString proposed, answer;
    bool ChooseFileToOpen(const TFileDialogRequest&, UString&) override { return false; }
    bool ChooseFileToSave(const TFileDialogRequest& r, UString& chosen) override {
      proposed = r.file_name;
      chosen = answer;
      return true;
    }
  } save_answer;
  save_answer.answer = dir.Path() + u"saved";
  viewer.SetFileDialogs([&save_answer] { return &save_answer; });
  ASSERT_TRUE(viewer.TryToSaveAsRTF());
  EXPECT_EQ(save_answer.proposed, u"long_text");
  const std::string rtf = FileBytes(dir.Path() + u"saved.rtf");
  EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
  EXPECT_EQ(rtf.back(), '}');
  EXPECT_NE(rtf.find("\\b \\cf1 river"), std::string::npos);
  EXPECT_GT(rtf.size(), prose.size());
  // The whole-text scroll bar spans the text; a jump to its middle shows the middle.
  QScrollBar* bar = viewer.View()->WholeTextBar();
  bar->setValue(bar->maximum() / 2);
  EXPECT_NEAR(static_cast<double>(viewer.View()->TopByte()), prose.size() / 2.0, 70000.0);
}

TEST_F(ViewerWindows, OneTextViewerRefusals) {
  const UString good = dir.Write(u"good.txt", Prose(3000));
  TFormOneTextFileShower viewer;
  TFileDetails3_string d;
  d.file_name = good;
  ASSERT_TRUE(viewer.OpenAndShowAText(d, 0x7FFFFFFF, nullptr));
  const UString shown = viewer.View()->Shown().text;
  // A missing or binary file: a message naming it, the window as it was.
  for (const UString& bad : {dir.Path() + u"missing.txt", dir.Write(u"prog.bin", std::string(500, '\0') + "ELF")}) {
    dialogs.Clear();
    d.file_name = bad;
    EXPECT_FALSE(viewer.OpenAndShowAText(d, 0x7FFFFFFF, nullptr));
    ASSERT_EQ(dialogs.Asked().size(), 1u);
    EXPECT_NE(dialogs.Asked()[0].text.find(ExtractFileName(bad)), UString::npos);
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("good.txt"));
    EXPECT_EQ(viewer.current_short_filename, u"good.txt");
    EXPECT_EQ(viewer.View()->Shown().text, shown);
  }
  // A text changed since the run: opened at its start, no hit shown, the status line says why.
  int64_t size = 0, ns = 0;
  ASSERT_TRUE(TextFingerprintOf(good, size, ns));
  ASSERT_TRUE(viewer.OpenAtHit(good, size + 1, ns, 40, u"river", {u"river"}, nullptr));
  EXPECT_TRUE(viewer.View()->textCursor().selectedText().isEmpty());
  EXPECT_NE(viewer.Status()->PanelText(TVXStatusBar::kPanels - 1).indexOf(QStringLiteral("has changed")), -1);
  // A failed save: FailedToSave, no offer to open, the old file as it was.
  dialogs.Clear();
  EXPECT_FALSE(viewer.AutoSaveAsRTF(dir.Path() + u"no/folder/x.rtf", u"", u""));
  EXPECT_EQ(Asked(), (std::vector<TVXDialog>{TVXDialog::FailedToSave}));
}

// --- details and the extra text grid --------------------------------------------------------------

TEST_F(ViewerWindows, DetailsListsTheTextsThatHoldTheWords) {
  const UString both = dir.Write(u"both.txt", "The river bank. By the river: a bank, a river:side.");
  const UString none = dir.Write(u"none.txt", "Nothing here at all.");
  TFormExtraDetails details;
  TSimpleSearchlist words;
  words.LoadFromAStringlist({u"river", u"bank"});
  // Without texts nothing is counted and the window is not shown.
  EXPECT_FALSE(details.ComputeWordFrequencies(&words, nullptr, nullptr));
  EXPECT_FALSE(details.isVisible());
  details.ListOfPotentialFilenames() = {both, none};
  details.AddHighlightWords(words, 10);
  EXPECT_FALSE(details.ComputeWordFrequencies(nullptr, nullptr, nullptr));
  ASSERT_TRUE(details.ComputeWordFrequencies(&words, nullptr, nullptr));
  EXPECT_TRUE(details.isVisible());
  ASSERT_EQ(details.List()->count(), 3);
  EXPECT_EQ(details.List()->item(0)->text(), ToQString(both));
  EXPECT_EQ(details.List()->item(1)->text(), QStringLiteral("  river: 3 found"));
  EXPECT_EQ(details.List()->item(2)->text(), QStringLiteral("  bank: 2 found"));
  details.resize(600, 300);
  Shot(details, QStringLiteral("details"));
  // A hit line opens its text with only its word.
  details.List()->setCurrentRow(2);
  details.OpenSelected();
  ASSERT_NE(details.Viewer(), nullptr);
  EXPECT_EQ(details.OpenFilename(), both);
  const auto entries = details.Viewer()->KeyWordEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].first, u"bank");
  EXPECT_EQ(entries[0].second, 2);
  Shot(*details.Viewer(), QStringLiteral("details_viewer_bank"));
  // A file line opens it with every word.
  details.List()->setCurrentRow(0);
  details.OpenSelected();
  EXPECT_EQ(details.Viewer()->KeyWordEntries().size(), 2u);
  // No text holding a word: said on the status bar.
  details.ListOfPotentialFilenames() = {none};
  EXPECT_TRUE(details.ComputeWordFrequencies(&words, nullptr, nullptr));
  EXPECT_EQ(details.List()->count(), 0);
  EXPECT_NE(details.Status()->PanelText(1).indexOf(QStringLiteral("No text holds")), -1);
  // Saved as UTF-16 with its mark.
  details.ListOfPotentialFilenames() = {both};
  details.ComputeWordFrequencies(&words, nullptr, nullptr);
  ASSERT_TRUE(details.SaveTheList(dir.Path() + u"list.txt"));
  EXPECT_EQ(FileBytes(dir.Path() + u"list.txt").substr(0, 2), std::string("\xFF\xFE"));
}

TEST_F(ViewerWindows, ExtraGridShowsEachLanguageInItsDirection) {
  struct TLauncher : TFileLauncher {
    std::vector<UString> edited;
    bool ShowFile(UStringView) override { return true; }
    bool EditFile(UStringView name) override {
      edited.emplace_back(name);
      return true;
    }
  } launcher;
  TFormTextStringGridExtra grid(nullptr, &launcher);
  TOtherFileDetailsList lines;
  lines.AddOne({ParallelTextLine(u"/s/film.en_srt", u"The river ran under the bridge."), u"/s/film.en_srt"});
  lines.AddOne({ParallelTextLine(u"/s/film.ar_srt", u"\u062C\u0631\u0649 \u0627\u0644\u0646\u0647\u0631 \u062A\u062D\u062A \u0627\u0644\u062C\u0633\u0631"),
                u"/s/film.ar_srt"});
  grid.ClearLines();
  grid.Addlines(lines, u"film");
  grid.resize(700, 160);
  grid.show();
  ASSERT_EQ(grid.Grid()->rowCount(), 2);
  EXPECT_FALSE(grid.Rows()[0].right_to_left);
  EXPECT_TRUE(grid.Rows()[1].right_to_left);
  EXPECT_EQ(grid.Rows()[1].code, u"ar");
  QApplication::processEvents();
  const QImage img = Shot(grid, QStringLiteral("extra_grid"));
  // The Arabic row is drawn from the right: its ink lies in the right half.
  const QRect row1 = grid.Grid()->visualRect(grid.Grid()->model()->index(1, 1));
  const QPoint origin = grid.Grid()->viewport()->mapTo(&grid, row1.topLeft());
  const int w = row1.width();
  EXPECT_GT(InkPixelsIn(img, QRect(origin.x() + w / 2, origin.y(), w / 2, row1.height())),
            InkPixelsIn(img, QRect(origin.x(), origin.y(), w / 4, row1.height())));
  grid.Grid()->setCurrentCell(1, 1);
  grid.GridDoubleClick();
  EXPECT_EQ(launcher.edited, (std::vector<UString>{u"/s/film.ar_srt"}));
}

}  // namespace

// A right-to-left row keeps its extension readable: ".AR_SRT" is isolated left to right before the
// tab, so the dot stays in front; a row without an extension is drawn as it is.
TEST(ExtraTextGridRows, TheExtensionOfARightToLeftRowStaysLeftToRight) {
  const QString row = QStringLiteral(".AR_SRT\t") + QString::fromUtf8("جرى النهر");
  const QString drawn = RightToLeftRowAsDrawn(row);
  EXPECT_EQ(drawn, QChar(0x2066) + QStringLiteral(".AR_SRT") + QChar(0x2069) + row.mid(7));
  EXPECT_EQ(RightToLeftRowAsDrawn(QString::fromUtf8("جرى النهر")), QString::fromUtf8("جرى النهر"));
  EXPECT_EQ(RightToLeftRowAsDrawn(QStringLiteral("\tonly text")), QStringLiteral("\tonly text"));
}
