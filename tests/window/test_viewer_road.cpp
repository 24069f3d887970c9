// The viewers reached from the main window, on a concordance the engine makes in a temporary
// folder: texts with media marks beside a generated WAV, a text with same-named subtitles in
// English and Arabic, a 2 MB text, and texts without hits. Each window by its menu tag or its
// double-click; screenshots in <screenshots>/viewers/.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cmath>

#include "model/reading/tag_lists.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/settings_defaults.h"
#include "shell/qt/shell_menu_bar.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/word_cloud_painter.h"
#include "support/wav_tone.h"
#include "window/main_road_support.h"
#include "window/modal_answers.h"
#include "window/test_tool_window.h"
#include "window/window_test_support.h"
#include "windows/extra_details_window.h"
#include "windows/extra_text_grid_window.h"
#include "windows/media_player_window.h"
#include "windows/one_text_viewer.h"
#include "windows/word_cloud_options_dialog.h"
#include "windows/word_cloud_window.h"

namespace {

class ViewerRoad : public MainRoadTest {
 protected:
  void SetUp() override {
    MainRoadTest::SetUp();
    setenv("LINZORA_MEDIA_OUTPUT", "dummy", 1);
    corpus = dir.Path() + u"corpus/";
    dir.Write(u"corpus/interview.txt",
              "<media interview.wav START=2.0 DUR=2.0> The river rose in the night and the bank gave way. "
              "By morning the river had reached the mill.\n");
    dir.Write(u"corpus/interview.wav", WavTone(8));
    dir.Write(u"corpus/film.txt", "scene12 The river runs under the old stone bridge.\n");
    dir.Write(u"corpus/film.en_srt", "1\n00:00:05 --> 00:00:09\nscene12 The river runs under the old bridge.\n");
    dir.Write(u"corpus/film.ar_srt",
              "1\n00:00:05 --> 00:00:09\nscene12 river \xD9\x8A\xD8\xAC\xD8\xB1\xD9\x8A \xD8\xA7\xD9\x84\xD9\x86\xD9\x87\xD8\xB1 "
              "\xD8\xAA\xD8\xAD\xD8\xAA \xD8\xA7\xD9\x84\xD8\xAC\xD8\xB3\xD8\xB1 \xD8\xA7\xD9\x84\xD9\x82\xD8\xAF\xD9\x8A\xD9\x85.\n");
    std::string long_text;
    for (int i = 0; long_text.size() < (2u << 20); ++i)
      long_text += "<p>The water fell from the stone steps of the mill" + std::string(i % 50 == 0 ? " by the river" : "") +
                   " and the morning light came slowly over the fields.</p>\n";
    dir.Write(u"corpus/long.txt", long_text);
    dir.Write(u"corpus/quiet.txt", "Nothing of the kind here at all.\n");
    // Media marks in the text: "<media " then the file's name; times after START= and DUR=.
    TMediaMarkersRec marks = DefaultMediaMarkers();
    marks.SetMethod(0);
    marks.SetFileNameMarker(u"<media ");
    marks.SetStartMarker(u"START=");
    marks.SetDurationMarker(u"DUR=");
    SetMediaMarkers(marks);
    // The tag file: media tags are kept, and a line's nearest one is its tag context.
    const UString tag_file = dir.Write(u"tags.txt", "<media *> /play media\n");
    TTagsToKeepList tags(0x0409, 1252);
    ASSERT_TRUE(tags.ReadFromUserSpecifiedFile(tag_file));
    ASSERT_EQ(tags.Count(), 1);
    ASSERT_TRUE(tags.SavedToTempfile());
    SetTagsWanted(tags.Count());
    SetTagModified(true);
    Start();
    HandOverTexts({corpus + u"interview.txt", corpus + u"film.txt", corpus + u"long.txt", corpus + u"quiet.txt"});
    RunFromWizard(u"river");
    ASSERT_NE(Main().Doc(), nullptr);
  }
  // The grid row (from 1) of the first line from the text.
  int RowOfText(const char16_t* name) {
    T_WholeLinzoraHolder* doc = Main().Doc();
    TVX_Grid* grid = Main().ConcordanceGrid();
    for (int r = 1; r <= grid->Model().rowCount(); ++r) {
      const TConcordanceEntry* line = doc->fConcordanceList->Line(Main().LineOfRow(grid, r));
      if (line && EndsWithU(doc->fTextFilesWithSearchWord->GetFullFilename(line->Data().filename_num_original - 1, true), name))
        return r;
    }
    return -1;
  }
  void SelectCell(int row, int column) {
    TVX_Grid* grid = Main().ConcordanceGrid();
    grid->setCurrentIndex(grid->Model().index(row - 1, column - 1));
  }
  QImage Shot(QWidget& w, const QString& name) { return SaveScreenshot(w, QStringLiteral("viewers/") + name); }
  UString corpus;
};

TEST_F(ViewerRoad, CtrlMPlaysTheStretchOfTheLinesRecording) {
#ifdef LINZORA_SANITIZED
  GTEST_SKIP() << "the media library's own threads are not instrumented";
#endif
  TurnTo("Concordance");
  const int row = RowOfText(u"interview.txt");
  ASSERT_GT(row, 0);
  SelectCell(row, 1);
  Main().HandleMenuCommand(95, u"");  // Play media file... (Ctrl+M)
  DeliverPendingEvents();
  TFormVXPasLibVCL* media = Main().MediaWindow();
  ASSERT_NE(media, nullptr) << Utf16ToUtf8(AllQuestionText()) << Main().Status()->PanelText(10).toStdString();
  EXPECT_EQ(media->VideoFile(), corpus + u"interview.wav");
  EXPECT_FALSE(media->isVisible());  // a sound
  QSet<QString> labels;
  int track = 0;
  ASSERT_TRUE(WaitUntil([&] {
    if (!media->LabelTime()->text().isEmpty()) labels.insert(media->LabelTime()->text());
    track = std::max(track, media->TrackBar()->value());
    return media->PausedAtEnd();
  }));
  EXPECT_GE(labels.size(), 2);
  EXPECT_GT(track, 20);
  EXPECT_NEAR(static_cast<double>(media->Player().TimeMs()), 4000.0, 600.0);
  media->FasterButton()->click();
  media->FasterButton()->click();
  EXPECT_EQ(media->LabelSpeed()->text(), QStringLiteral("110%"));
  media->SlowerButton()->click();
  EXPECT_EQ(media->LabelSpeed()->text(), QStringLiteral("105%"));
  media->resize(640, 360);
  Shot(*media, QStringLiteral("road_media_window"));
  // The tags-column double-click plays it too.
  media->close();
  TVX_Grid* grid = Main().ConcordanceGrid();
  emit grid->doubleClicked(grid->Model().index(row - 1, 2));
  DeliverPendingEvents();
  EXPECT_TRUE(media->Watching() || media->PausedAtEnd());
  media->close();
}

TEST_F(ViewerRoad, WordCloudOfTheCollocates) {
  TVX_Grid* grid = TurnTo("Collocates");
  ASSERT_NE(grid, nullptr);

  ActOnNextModal([&](QDialog& d) {
    auto& options = static_cast<TFormWordCloudOptions&>(d);
    ASSERT_GT(options.ListBox()->count(), 10);
    Shot(options, QStringLiteral("road_word_cloud_options"));
    dialogs.Script({mrYes});
    options.ListBox()->setCurrentRow(15);  // Total
    options.AcceptChoice();
    options.SetModalResult(mrOK);
  });
  Main().HandleMenuCommand(179, u"");
  DeliverPendingEvents();
  TFormWordCloud* cloud = Main().WordCloudWindow();
  ASSERT_NE(cloud, nullptr);
  EXPECT_GE(cloud->Cloud().Draws().size(), 5u);
  EXPECT_NE(cloud->windowTitle().indexOf(QStringLiteral("word cloud from")), -1);
  Shot(*cloud, QStringLiteral("road_word_cloud"));
  // A plain word list's cloud, then the list's again: Refresh redraws the list, not the words.
  auto words = std::make_unique<TMyCloudTXTList>();
  words->Add(u"zzzfirst", 50);
  words->Add(u"zzzsecond", 20);
  cloud->SetTextList(std::move(words));
  cloud->ComputeTheCloud(u"words");
  EXPECT_TRUE(cloud->txt_based);
  ActOnNextModal([&](QDialog& d) { static_cast<TVXDialogForm&>(d).SetModalResult(mrOK); });
  Main().HandleMenuCommand(179, u"");
  DeliverPendingEvents();
  EXPECT_FALSE(cloud->txt_based);
  cloud->Refresh();
  for (const TCloudWordDraw& d : cloud->Cloud().Draws()) EXPECT_EQ(d.text.find(u"zzz"), UString::npos);
  // Cancel in the options leaves the cloud undrawn.
  const size_t draws = cloud->Cloud().Draws().size();
  ActOnNextModal([](QDialog& d) { static_cast<TVXDialogForm&>(d).SetModalResult(mrCancel); });
  Main().HandleMenuCommand(179, u"");
  DeliverPendingEvents();
  EXPECT_EQ(cloud->Cloud().Draws().size(), draws);
  // The clusters need no options; closing the data leaves the window without its list.
  TVX_Grid* clusters = TurnTo("Clusters");
  ASSERT_NE(clusters, nullptr);
  Main().HandleMenuCommand(179, u"");
  DeliverPendingEvents();
  Main().CloseData(false);
  EXPECT_EQ(cloud->BaseList(), nullptr);
  cloud->Refresh();  // reads nothing freed
  EXPECT_EQ(cloud->MouseOverPicture(5, 5), 0);
}

// A damaged printer record (a page measure of 1e-6) and a stored minimum font size of INT32_MAX:
// the cloud opened from the clusters page takes a picture a page can hold and sizes a page can
// print. Every pixel a word paints lies in the box the layout kept for its text, so words keep
// their gap and none is cut by the picture's edge.
TEST_F(ViewerRoad, WordCloudFromDamagedSettingsKeepsItsWordsApartAndInside) {
  TPrinterRec printer = GetPrinterRec();
  printer.SetPageMeasure(1e-6);
  printer.SetPageWidth(794);
  printer.SetPageHeight(1123);
  SetPrinterRec(printer);
  TWordCloudSettingsRec settings = GetWordCloudSettings();
  settings.SetMinFontSize(INT32_MAX);
  SetWordCloudSettings(settings);
  ASSERT_NE(TurnTo("Clusters"), nullptr);
  Main().HandleMenuCommand(179, u"");
  DeliverPendingEvents();
  TFormWordCloud* cloud = Main().WordCloudWindow();
  ASSERT_NE(cloud, nullptr);
  const QImage& picture = cloud->Picture();
  EXPECT_LE(picture.width(), 50 * 600);
  EXPECT_LE(picture.height(), 50 * 600);
  ASSERT_GE(cloud->Cloud().Draws().size(), 2u);
  // Kept the other way round too: a minimum size in 6..70, its own text's box for every word.
  std::vector<QRect> boxes;
  for (const TCloudWordDraw& d : cloud->Cloud().Draws()) {
    EXPECT_GE(d.points, 6) << Utf16ToUtf8(d.text);
    EXPECT_LE(d.points, 120) << Utf16ToUtf8(d.text);
    boxes.emplace_back(d.text_left, d.text_top, d.size.cx, d.size.cy);
  }
  // Pixels not of the background: the frame (within 3 pixels of the edge) or inside a word's box
  // (a shape's outline may reach 1 pixel beyond it).
  const QRgb background = CloudColour(cloud->Cloud().scrollbox_background_colour).rgb() | 0xFF000000u;
  const int w = picture.width(), h = picture.height();
  std::vector<uint8_t> allowed(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  for (const QRect& b : boxes) {
    const QRect r = b.adjusted(-1, -1, 1, 1).intersected(QRect(0, 0, w, h));
    for (int y = r.top(); y <= r.bottom(); ++y)
      std::fill_n(allowed.begin() + static_cast<ptrdiff_t>(y) * w + r.left(), r.width(), uint8_t{1});
  }
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
  int stray = 0;
  for (int y = 3; y < h - 3; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 3; x < w - 3; ++x)
      if ((line[x] | 0xFF000000u) != background && !allowed[static_cast<size_t>(y) * w + x]) ++stray;
  }
  EXPECT_EQ(stray, 0);
  // Round the frame (drawn one pixel inside the picture) only the background.
  int edge = 0;
  for (int y = 0; y < h; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < w; ++x) {
      const bool band = x < 3 || y < 3 || x >= w - 3 || y >= h - 3;
      const bool frame = ((x == 1 || x == w - 2) && y >= 1 && y <= h - 2) || ((y == 1 || y == h - 2) && x >= 1 && x <= w - 2);
      if (band && !frame && (line[x] | 0xFF000000u) != background) ++edge;
    }
  }
  EXPECT_EQ(edge, 0);
  Shot(*cloud, QStringLiteral("road_word_cloud_damaged_settings"));
}

TEST_F(ViewerRoad, FileNameDoubleClickOpensTheTextAtTheHit) {
  TurnTo("Concordance");
  const int row = RowOfText(u"long.txt");
  ASSERT_GT(row, 0);
  TVX_Grid* grid = Main().ConcordanceGrid();
  emit grid->doubleClicked(grid->Model().index(row - 1, 12));  // column 13: the file
  DeliverPendingEvents();
  TFormOneTextFileShower& viewer = Main().TextViewer();
  ASSERT_TRUE(viewer.isVisible());
  EXPECT_EQ(viewer.windowTitle(), QStringLiteral("long.txt"));
  const QTextCursor c = viewer.View()->textCursor();
  EXPECT_EQ(c.selectedText().toLower(), QStringLiteral("river"));
  const TConcordanceEntry* line = Main().Doc()->fConcordanceList->Line(Main().LineOfRow(grid, row));
  EXPECT_EQ(viewer.View()->Shown().bytes[static_cast<size_t>(c.selectionStart())], line->Data().byte_position);
  ASSERT_EQ(viewer.KeyWordEntries().size(), 1u);
  EXPECT_EQ(viewer.KeyWordEntries()[0].first, u"river");
  viewer.resize(1000, 700);
  QApplication::processEvents();
  Shot(viewer, QStringLiteral("road_viewer_at_hit"));
  // The file-names page: tag 40 opens the text with the search words.
  TVX_Grid* files = TurnTo("Filenames");
  ASSERT_NE(files, nullptr);
  files->setCurrentIndex(files->Model().index(0, 0));
  Main().HandleMenuCommand(40, u"");
  DeliverPendingEvents();
  EXPECT_TRUE(viewer.isVisible());
}

TEST_F(ViewerRoad, FindFilesListsTheTextsWithTheirHits) {
  TurnTo("Concordance");
  Main().HandleMenuCommand(6, u"");  // Find Files...
  DeliverPendingEvents();
  TFormExtraDetails* details = Main().ExtraDetailsWindow();
  ASSERT_NE(details, nullptr);
  ASSERT_TRUE(details->isVisible());
  QStringList lines;
  for (int i = 0; i < details->List()->count(); ++i) lines << details->List()->item(i)->text();
  EXPECT_TRUE(lines.contains(ToQString(corpus + u"interview.txt")));
  EXPECT_TRUE(lines.contains(QStringLiteral("  river: 2 found")));
  EXPECT_FALSE(lines.contains(ToQString(corpus + u"quiet.txt")));  // looked in, nothing found
  details->resize(700, 300);
  Shot(*details, QStringLiteral("road_find_files"));
  // A hit line opens its text with only its word.
  const int hit = static_cast<int>(lines.indexOf(ToQString(corpus + u"interview.txt"))) + 1;
  details->List()->setCurrentRow(hit);
  details->OpenSelected();
  ASSERT_NE(details->Viewer(), nullptr);
  EXPECT_EQ(details->Viewer()->KeyWordEntries().size(), 1u);
}

// The viewers' saves ask the file dialogs the user chose under Settings > General, as the main
// window's own do (the main window's dialogs, answered here): the word cloud's Save and Print (into
// a PDF file, there being no printer), the text viewer's Save as RTF, and the list of the Find
// Files window.
TEST_F(ViewerRoad, SavesAskTheFileDialogsTheUserChose) {
  TAnsweredFileDialogs file_dialogs(Main());
  auto action_named = [](QMenu* menu, const char* name) -> QAction* {
    for (QAction* a : menu->actions())
      if (a->objectName() == QLatin1String(name)) return a;
    return nullptr;
  };

  TurnTo("Clusters");
  Main().HandleMenuCommand(179, u"");  // Word Cloud
  ASSERT_TRUE(WaitUntil([this] { return Main().WordCloudWindow() && Main().WordCloudWindow()->isVisible(); }));
  TFormWordCloud* cloud = Main().WordCloudWindow();
  ASSERT_NE(cloud, nullptr);
  const UString picture = dir.Path() + u"cloud.png";
  file_dialogs.answers = {picture};
  cloud->findChild<QPushButton*>(QStringLiteral("AdvGlowButtonSAve"))->click();
  EXPECT_TRUE(FileExists(picture));
  if (QPrinterInfo::availablePrinters().isEmpty()) {
    const UString pdf = dir.Path() + u"cloud.pdf";
    file_dialogs.answers = {pdf};
    cloud->findChild<QPushButton*>(QStringLiteral("AdvGlowButtonPrint"))->click();
    EXPECT_TRUE(FileExists(pdf));
  }
  cloud->hide();

  TurnTo("Concordance");
  Main().HandleMenuCommand(6, u"");  // Find Files...
  ASSERT_TRUE(WaitUntil([this] { return Main().ExtraDetailsWindow() && Main().ExtraDetailsWindow()->isVisible(); }));
  TFormExtraDetails* details = Main().ExtraDetailsWindow();
  ASSERT_NE(details, nullptr);
  const UString list = dir.Path() + u"files.txt";
  file_dialogs.answers = {list};
  ASSERT_NE(action_named(details->Menu(), "Savethelist1"), nullptr);
  action_named(details->Menu(), "Savethelist1")->trigger();
  EXPECT_TRUE(FileExists(list));
  // Its viewer saves the same way.
  details->List()->setCurrentRow(0);
  details->OpenSelected();
  ASSERT_NE(details->Viewer(), nullptr);
  details->Viewer()->confirm_RTF_save = false;
  const UString from_details = dir.Path() + u"from_details.rtf";
  file_dialogs.answers = {from_details};
  action_named(details->Viewer()->Menu(), "SaveasRTF1")->trigger();
  EXPECT_TRUE(FileExists(from_details));
  details->Viewer()->hide();
  details->hide();

  TFormOneTextFileShower& viewer = Main().TextViewer();
  viewer.confirm_RTF_save = false;
  const UString rtf = dir.Path() + u"text.rtf";
  file_dialogs.answers = {rtf};
  ASSERT_NE(action_named(viewer.Menu(), "SaveasRTF1"), nullptr);
  ASSERT_TRUE(Main().ShowFileInViewer(corpus + u"interview.txt"));
  action_named(viewer.Menu(), "SaveasRTF1")->trigger();
  EXPECT_TRUE(FileExists(rtf));
  viewer.hide();
  EXPECT_EQ(file_dialogs.save_requests, QPrinterInfo::availablePrinters().isEmpty() ? 5 : 4);
}

TEST_F(ViewerRoad, RelatedTextsShowEachLanguage) {
  Main().Doc()->fSameFilenameOption = 1;
  TurnTo("Concordance");
  const int row = RowOfText(u"film.txt");
  ASSERT_GT(row, 0);
  SelectCell(row, 1);
  Main().HandleMenuCommand(75, u"");  // Show related txts
  DeliverPendingEvents();
  TFormTextStringGridExtra* grid = Main().ExtraGridWindow();
  ASSERT_NE(grid, nullptr);
  // The text itself and its two subtitles; the Arabic row right to left.
  ASSERT_EQ(grid->Rows().size(), 3u);
  int arabic = -1;
  for (size_t i = 0; i < grid->Rows().size(); ++i)
    if (grid->Rows()[i].code == u"ar") arabic = static_cast<int>(i);
  ASSERT_GE(arabic, 0);
  EXPECT_TRUE(grid->Rows()[static_cast<size_t>(arabic)].right_to_left);
  grid->resize(800, 200);
  QApplication::processEvents();
  Shot(*grid, QStringLiteral("road_related_texts"));
  // Without the option the command opens nothing new.
  grid->close();
  Main().Doc()->fSameFilenameOption = 0;
  Main().HandleMenuCommand(75, u"");
  DeliverPendingEvents();
  EXPECT_FALSE(grid->isVisible());
}

TEST_F(ViewerRoad, RelatedTextsAreOfferedInTheMenuWhenTextsHaveThem) {
  // film.txt has subtitles beside it: the run leaves the document's option on, and the lines'
  // page offers the command in its menu.
  ASSERT_TRUE(Main().Doc()->fSameFilenameOption);
  TurnTo("Concordance");
  QAction* item = Main().Menus()->ActionOfTag(75);
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->isVisible());
  const int row = RowOfText(u"film.txt");
  ASSERT_GT(row, 0);
  SelectCell(row, 1);
  item->trigger();
  DeliverPendingEvents();
  TFormTextStringGridExtra* grid = Main().ExtraGridWindow();
  ASSERT_NE(grid, nullptr);
  EXPECT_TRUE(grid->isVisible());
  EXPECT_EQ(grid->Rows().size(), 3u);
  grid->close();
  // The collocates are words, not texts: no such command there.
  TurnTo("Collocates");
  EXPECT_FALSE(item->isVisible());
}

}  // namespace

namespace {

// One text whose search word comes as "river", "River", "river's", "RIVER'S" and "river’s" (a
// typographic apostrophe), beside words that only begin with it ("rivers", "riverside").
class ViewerHits : public MainRoadTest {
 protected:
  static constexpr int kHits = 45;
  void SetUp() override {
    MainRoadTest::SetUp();
    const char* const forms[] = {"river", "River", "river's", "RIVER'S", "river\xE2\x80\x99s"};
    std::string body;
    for (int i = 0; i < kHits; ++i)
      body += std::string("Line ") + std::to_string(i + 1) + " of the " + forms[i % 5] +
              " text, where rivers meet the riverside.\n";
    file = dir.Write(u"corpus/hits.txt", body);
    Start();
    HandOverTexts({file});
    RunFromWizard(u"river");
    ASSERT_NE(Main().Doc(), nullptr);
  }
  // The grid row (from 1) of the hit that comes n-th (from 1) in the text.
  int RowOfNthHit(int n) {
    TVX_Grid* grid = Main().ConcordanceGrid();
    std::vector<std::pair<int64_t, int>> by_byte;
    for (int r = 1; r <= grid->Model().rowCount(); ++r)
      if (const TConcordanceEntry* line = Main().Doc()->fConcordanceList->Line(Main().LineOfRow(grid, r)))
        by_byte.emplace_back(line->Data().byte_position, r);
    std::sort(by_byte.begin(), by_byte.end());
    return n >= 1 && n <= static_cast<int>(by_byte.size()) ? by_byte[static_cast<size_t>(n - 1)].second : -1;
  }
  UString file;
};

}  // namespace

// The viewer and the source-text page find the hits the run found (possessives too), and the
// viewer opened at the 31st hit stands on it: "Item 31 of 45", and ">" goes to the 32nd.
TEST_F(ViewerHits, ViewersCountTheRunsHitsAndStartAtTheHitOpened) {
  ASSERT_EQ(Main().Doc()->fConcordanceList->Count(), kHits);
  TurnTo("Concordance");
  TVX_Grid* grid = Main().ConcordanceGrid();
  const int row = RowOfNthHit(31);
  ASSERT_GT(row, 0);
  emit grid->doubleClicked(grid->Model().index(row - 1, 12));  // column 13: the file
  DeliverPendingEvents();
  TFormOneTextFileShower& viewer = Main().TextViewer();
  ASSERT_TRUE(viewer.isVisible());
  ASSERT_EQ(viewer.KeyWordEntries().size(), 1u);
  EXPECT_EQ(viewer.KeyWordEntries()[0].second, kHits);
  EXPECT_EQ(viewer.View()->HighlightsFoundCount(), kHits);
  const int last_panel = TVXStatusBar::kPanels - 1;
  EXPECT_TRUE(viewer.Status()->PanelText(last_panel).startsWith(QStringLiteral("Item 31 of 45,")))
      << viewer.Status()->PanelText(last_panel).toStdString();
  viewer.StatusPanelClick(7);  // ">"
  EXPECT_TRUE(viewer.Status()->PanelText(last_panel).startsWith(QStringLiteral("Item 32 of 45,")))
      << viewer.Status()->PanelText(last_panel).toStdString();
  const TConcordanceEntry* next = Main().Doc()->fConcordanceList->Line(Main().LineOfRow(grid, RowOfNthHit(32)));
  const QTextCursor c = viewer.View()->textCursor();
  EXPECT_EQ(viewer.View()->Shown().bytes[static_cast<size_t>(c.selectionStart())], next->Data().byte_position);
  viewer.hide();

  // The source-text page of a double-clicked line highlights the same hits.
  grid->setCurrentIndex(grid->Model().index(row - 1, 0));
  Main().DDblClickCell(grid, row);
  DeliverPendingEvents();
  ASSERT_NE(Main().SourceTextPage(), nullptr);
  EXPECT_EQ(Main().SourceTextPage()->HighlightCount(), kHits);
}

// A phrase over a line end: the viewer opened at its line stands on the phrase, line end and all,
// and counts it among the hits it highlights.
TEST_F(MainRoadTest, TheViewerSelectsAPhraseOverALineEnd) {
  const UString file = dir.Write(u"corpus/wrapped.txt", "The river\nbank is green. The river bank is wet.\n");
  Start();
  HandOverTexts({file});
  RunFromWizard(u"river bank");
  ASSERT_NE(Main().Doc(), nullptr);
  ASSERT_EQ(Main().Doc()->fConcordanceList->Count(), 2);
  TurnTo("Concordance");
  TVX_Grid* grid = Main().ConcordanceGrid();
  int row = -1;
  for (int r = 1; r <= grid->Model().rowCount(); ++r)
    if (const TConcordanceEntry* line = Main().Doc()->fConcordanceList->Line(Main().LineOfRow(grid, r)))
      if (line->Data().byte_position == 4) row = r;
  ASSERT_GT(row, 0);
  emit grid->doubleClicked(grid->Model().index(row - 1, 12));  // column 13: the file
  ASSERT_TRUE(WaitUntil([this] { return Main().TextViewer().isVisible(); }));
  TFormOneTextFileShower& viewer = Main().TextViewer();
  ASSERT_TRUE(viewer.isVisible());
  const QTextCursor c = viewer.View()->textCursor();
  EXPECT_EQ(c.selectedText(), QStringLiteral("river\u2029bank"));
  ASSERT_TRUE(c.hasSelection());
  EXPECT_EQ(viewer.View()->Shown().bytes[static_cast<size_t>(c.selectionStart())], 4);
  EXPECT_EQ(viewer.View()->HighlightsFoundCount(), 2);
  const int last_panel = TVXStatusBar::kPanels - 1;
  EXPECT_TRUE(viewer.Status()->PanelText(last_panel).startsWith(QStringLiteral("Item 1 of 2,")))
      << viewer.Status()->PanelText(last_panel).toStdString();
  viewer.hide();
}
