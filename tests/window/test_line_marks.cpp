// The coloured marks of a concordance line: the pieces a shown line carries become marks, the
// marks spans in the tag colours and the style's word-handling colours, and on the main window
// "tags coloured" and "words coloured" put them into the line cells; printed lines go without
// them when Page Setup asks for plain lines.
#include <QCheckBox>
#include <QHeaderView>
#include <QPainter>
#include <QPrinter>

#include "platform/settings/settings_store.h"
#include "shell/qt/grid_printing.h"
#include "shell/qt/main_window_grid_tweaks.h"
#include "shell/qt/page_setup_dialog.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/window_messages.h"
#include "window/settings_dialog_road.h"

namespace {

TGridColouredPiece Tag(int32_t start, int32_t length, int16_t number) {
  TGridColouredPiece p;
  p.start = start;
  p.length = length;
  p.is_tag = true;
  p.tag_number_1based = number;
  return p;
}

TGridColouredPiece Word(int32_t start, int32_t length, uint8_t span_pos, bool highlighted = false, int16_t tag = 0) {
  TGridColouredPiece p;
  p.start = start;
  p.length = length;
  p.span_pos = span_pos;
  p.highlighted = highlighted;
  p.tag_number_1based = tag;
  return p;
}

TLineMark Mark(uint8_t kind, int32_t position, int32_t tag_length, int32_t word_length, int32_t tag_number,
               char16_t first = 0, bool hidden = false, bool force = false) {
  return TLineMark{kind, position, tag_length, word_length, tag_number, hidden, force, first};
}

// "<N>river runs <V>by <X>": the search word after its tag, a word to its right, a tagged word
// and an undefined tag on its own.
TGrid_data_rec TaggedLine() {
  TGrid_data_rec cell;
  cell.has_text = true;
  cell.text = u"<N>river runs <V>by <X> ";
  cell.centre_start = 3;
  cell.centre_length = 5;
  cell.pieces = {Tag(0, 3, 1), Word(3, 5, 50), Word(9, 4, 51), Tag(14, 3, 2), Word(17, 2, 52), Tag(20, 3, 0)};
  return cell;
}

}  // namespace

TEST(LineMarks, SideOfTheSearchWordGivesTheKind) {
  const std::pair<uint8_t, uint8_t> cases[] = {{0, 4}, {1, 5}, {2, 6}, {3, 4}, {255, 4}};
  for (const auto& [side, kind] : cases) EXPECT_EQ(MarkKindOfSide(side), kind) << int(side);
}

TEST(LineMarks, PiecesOfAShownLineBecomeMarks) {
  struct Case {
    const char* name;
    std::vector<TGridColouredPiece> pieces;
    bool suffixes, hidden;
    std::vector<TLineMark> marks;
  } cases[] = {
      {"a line without pieces has no marks", {}, false, false, {}},
      {"a tag before its word is one mark with both lengths",
       {Tag(0, 3, 1), Word(3, 5, 50)},
       false,
       false,
       {Mark(3, 1, 3, 5, 1, u'2')}},
      {"left and right words by their side; the search word carries '2'",
       {Word(0, 3, 49), Word(4, 5, 50), Word(10, 4, 51)},
       false,
       false,
       {Mark(5, 1, 0, 3, 0, char16_t(49)), Mark(4, 5, 0, 5, 0, u'2'), Mark(6, 11, 0, 4, 0, char16_t(51))}},
      {"a blank between tag and word keeps them apart",
       {Tag(0, 3, 1), Word(4, 5, 51)},
       false,
       false,
       {Mark(0, 1, 3, 0, 1), Mark(6, 5, 0, 5, 0, char16_t(51))}},
      {"tags after their words stand alone; the word keeps its tag's number",
       {Word(0, 5, 49, false, 2), Tag(5, 4, 2)},
       true,
       false,
       {Mark(2, 1, 0, 5, 2, char16_t(49)), Mark(0, 6, 4, 0, 2)}},
      {"hidden tags leave their words marked hidden",
       {Word(0, 5, 52, false, 3)},
       false,
       true,
       {Mark(2, 1, 0, 5, 3, char16_t(52), true)}},
      {"a highlighted collocate is kind 1 and its tag stays apart",
       {Tag(0, 3, 1), Word(3, 4, 53, true)},
       false,
       false,
       {Mark(0, 1, 3, 0, 1), Mark(1, 4, 0, 4, 0, char16_t(53))}},
      {"pieces of no length are passed over", {Word(2, 0, 51), Tag(5, 0, 1)}, false, false, {}},
  };
  for (const Case& c : cases) {
    TGrid_data_rec cell;
    cell.pieces = c.pieces;
    EXPECT_EQ(LineMarksOfCell(cell, c.suffixes, c.hidden), c.marks) << c.name;
  }
  // A tag inside the hit (a search word holding mark-up) is coloured as a tag whatever is chosen.
  TGrid_data_rec hit;
  hit.centre_start = 0;
  hit.centre_length = 12;
  hit.pieces = {Word(0, 4, 50), Tag(4, 4, 1), Word(9, 3, 51)};
  const std::vector<TLineMark> marks = LineMarksOfCell(hit, false, false);
  ASSERT_EQ(marks.size(), 3u);
  EXPECT_EQ(marks[1], Mark(0, 5, 4, 0, 1, 0, false, true));
  EXPECT_EQ(ColouredMarkSpans(marks, false, false, {{0x0000FF, 0xFFFFFF, false}}),
            (std::vector<TMarkSpan>{{4, 8, -1, 1}}));
}

// The tagged line with both options on, worked by hand: the <N> tag (known colour) is a span of
// its own, the words after their tags take record 3, "runs" right of the search word record 6,
// the <V> tag (no colour of its own) record 3 with its word, the undefined tag record 2.
TEST(LineMarks, SpansTakeTagAndWordHandlingColours) {
  const std::vector<TTagColour> tags{{0xFFFFFF, 0x0000FF, false}, {0x00FF00, 0x000000, true}};
  std::vector<int32_t> asked;
  auto record = [&asked](int32_t i) {
    asked.push_back(i);
    TWordHandlingColourRec r{};
    r.SetForeground(0x010101 * (i + 1));
    r.SetBackground(i == 6 ? 0x00FFFF : -1);
    r.SetTypeface(i == 3 ? 1 : 0);
    return r;
  };
  TGrid_data_rec cell = TaggedLine();
  cell.spans.push_back({0, 1, 0x123456, 0xFFFFFFFF, false});  // a search display's span stays first
  const std::vector<TMarkSpan> spans = ColouredMarkSpans(LineMarksOfCell(cell, false, false), true, true, tags);
  EXPECT_EQ(spans, (std::vector<TMarkSpan>{{0, 3, -1, 1}, {3, 8, 3, 0}, {9, 13, 6, 0}, {14, 19, 3, 0}, {20, 23, 2, 0}}));
  PutMarkSpansInCell(cell, spans, tags, record);
  using S = TGrid_data_rec::TColouredSpan;
  const std::vector<std::tuple<int32_t, int32_t, uint32_t, uint32_t, bool>> want = {
      {0, 1, 0x123456, 0xFFFFFFFF, false}, {0, 3, 0xFFFFFF, 0x0000FF, false}, {3, 5, 0x040404, 0xFFFFFFFF, true},
      {9, 4, 0x070707, 0x00FFFF, false},   {14, 5, 0x040404, 0xFFFFFFFF, true}, {20, 3, 0x030303, 0xFFFFFFFF, false}};
  std::vector<std::tuple<int32_t, int32_t, uint32_t, uint32_t, bool>> got;
  for (const S& s : cell.spans) got.emplace_back(s.start, s.length, s.fore, s.back, s.bold);
  EXPECT_EQ(got, want);
  EXPECT_EQ(cell.mark_spans, 5);
  EXPECT_EQ(cell.tag_mark_spans, 1);
  // Each record is read once for the cell.
  EXPECT_EQ(asked, (std::vector<int32_t>{3, 6, 2}));

  // Only the words: the tags go plain; nothing chosen, nothing coloured.
  EXPECT_EQ(ColouredMarkSpans(LineMarksOfCell(TaggedLine(), false, false), false, true, tags),
            (std::vector<TMarkSpan>{{3, 8, 3, 0}, {9, 13, 6, 0}, {17, 19, 3, 0}}));
  EXPECT_EQ(ColouredMarkSpans(LineMarksOfCell(TaggedLine(), false, false), true, false, tags),
            (std::vector<TMarkSpan>{{0, 3, -1, 1}, {14, 17, 3, 0}, {20, 23, 2, 0}}));
  EXPECT_TRUE(ColouredMarkSpans(LineMarksOfCell(TaggedLine(), false, false), false, false, tags).empty());
}

// Centring cuts the line and moves the spans with the cut, so each still covers its characters.
TEST(LineMarks, SpansMoveWithTheCentredCut) {
  TGrid_data_rec cell = TaggedLine();
  const std::vector<TTagColour> tags{{0xFFFFFF, 0x0000FF, false}};
  PutMarkSpansInCell(cell, ColouredMarkSpans(LineMarksOfCell(cell, false, false), true, true, tags), tags,
                     [](int32_t) { return TWordHandlingColourRec{}; });
  std::vector<UString> covered;
  for (const auto& s : cell.spans) covered.push_back(cell.text.substr(static_cast<size_t>(s.start), static_cast<size_t>(s.length)));
  CentreConcordanceCell(cell, 20, 0);
  for (size_t i = 0; i < cell.spans.size(); ++i) {
    const auto& s = cell.spans[i];
    ASSERT_GE(s.start, 0);
    EXPECT_EQ(cell.text.substr(static_cast<size_t>(s.start), static_cast<size_t>(s.length)), covered[i]) << i;
  }
  EXPECT_EQ(covered, (std::vector<UString>{u"<N>", u"river", u"runs", u"<V>by", u"<X>"}));
}

// The cell painted black on white into a row 400 pixels wide, in the default font.
QImage PaintedCell(const TGrid_data_rec& cell) {
  QImage image(400, 24, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  QPalette palette;
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  TVXGridCellHandler::PaintCell(&painter, image.rect(), cell, false, palette, QFont());
  painter.end();
  return image;
}

// A span over the search word is drawn in its colours on its background, the word staying bold;
// the part of a span past the text is left out.
TEST(LineMarks, ASpanOverTheCentreIsDrawnOnItsBackground) {
  TGrid_data_rec cell;
  cell.has_text = true;
  cell.text = u"wide river floods";
  cell.centre_start = 5;
  cell.centre_length = 5;
  cell.spans = {{0, 4, 0x000000, 0xFFFFFFFF, false}, {5, 5, 0xFFFFFF, 0x00FF00, true}, {16, 9, 0, 0xFF0000, false}};
  const QImage image = PaintedCell(cell);
  int green = 0, blue = 0, right_of_green = -1;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == 0xFF00FF00) {
        ++green;
        right_of_green = std::max(right_of_green, x);
      }
      blue += image.pixel(x, y) == 0xFF0000FF;
    }
  EXPECT_GT(green, 100);
  // The blue background of the last span ends with the text: one character's width at most.
  EXPECT_LT(blue, 24 * QFontMetrics(QFont()).maxWidth());
  EXPECT_GT(blue, 0);
  EXPECT_LT(right_of_green, QFontMetrics(QFont()).horizontalAdvance(QStringLiteral("wide river floods")) + 8);
}

// The hits of lines cut to the same number of characters before them stand in one column,
// however wide the letters before them are: the hit starts at its character count in the font's
// average width.
TEST(LineMarks, HitsOfLinesWithNarrowAndWideLettersStandInOneColumn) {
  auto green_from = [](const UString& text) {
    TGrid_data_rec cell;
    cell.has_text = true;
    cell.text = text;
    cell.centre_start = 8;
    cell.centre_length = 5;
    cell.spans = {{8, 5, 0xFFFFFF, 0x00FF00, true}};
    const QImage image = PaintedCell(cell);
    int left = image.width();
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) == 0xFF00FF00) left = std::min(left, x);
    return left;
  };
  const int narrow = green_from(u"  ill it river runs"), wide = green_from(u"MWMWMWM river runs"),
            blank = green_from(u"        river runs");
  const int expected = 4 + QFontMetrics(QFont()).averageCharWidth() * 8;
  EXPECT_EQ(narrow, expected);
  EXPECT_EQ(wide, expected);
  EXPECT_EQ(blank, expected);
}

namespace {

constexpr int kTagsColoured = 138;
constexpr int kWordsColoured = 165;
constexpr int kPageSetupMenuItem = 84;
constexpr QRgb kRed = 0xFFFF0000;

class LineMarksRoad : public SettingsDialogRoad {
 protected:
  // Part-of-speech tags before their words; <N> white on red, <V> blue, the others undefined.
  void RunOverTaggedText() {
    UseTagFile("<N> /colour=\"white ON red\"\n<V> /colour=\"blue\"\n");
    const UString text = dir.Write(u"corpus/tagged.txt",
                                   "<D>The <N>river <V>runs <P>by <D>the <N>mill.\n"
                                   "<D>A <J>wide <N>river <V>floods <D>the <N>fields.\n");
    Start();
    HandOverTexts({text});
    dialogs.Clear();
    dialogs.Script({mrYes});  // tags go before their words
    RunFromWizard(u"river");
    ASSERT_NE(Main().Doc(), nullptr);
    ASSERT_EQ(Main().Doc()->fConcordanceList->Count(), 2);
    TurnTo("Concordance");
  }
  void Toggle(int tag) {
    QAction* item = Main().Menus()->ActionOfTag(tag);
    ASSERT_NE(item, nullptr);
    item->trigger();
    DeliverPendingEvents();
  }
  const TGrid_data_rec& LineCell(int row) { return Main().ConcordanceGrid()->Model().Source().Cell(row, 1); }
  // The characters of the line cell's spans, with their colours.
  std::vector<std::pair<UString, uint32_t>> SpanTexts(int row) {
    const TGrid_data_rec& cell = LineCell(row);
    std::vector<std::pair<UString, uint32_t>> out;
    for (const auto& s : cell.spans)
      if (s.start >= 0 && s.start + s.length <= static_cast<int32_t>(cell.text.size()))
        out.emplace_back(cell.text.substr(static_cast<size_t>(s.start), static_cast<size_t>(s.length)), s.fore);
    return out;
  }
  // Red pixels in the lines of the first printed sheet of the concordance, drawn as printing
  // draws it.
  int RedPixelsOnPaper() {
    TVX_Grid& grid = *Main().ConcordanceGrid();
    // The line column narrow enough for the first sheet.
    grid.setColumnWidth(grid.Model().Source().ViewOfListColumn(1), 400);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(ToQString(dir.Path() + u"sheet.pdf"));
    const TGridPrintOptions options;
    const TGridPagePlan plan = PlanGridForPrinter(grid, printer, options);
    QImage sheet(1000, 1200, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    PaintGridPage(grid, painter, printer, plan, 0, options);
    painter.end();
    // Only the line column: the tag column next to it is red for tags of its own.
    const int line_column_end = std::max(grid.verticalHeader()->width(), 40) + 400;
    int red = 0;
    for (int y = 0; y < sheet.height(); ++y)
      for (int x = 0; x < line_column_end; ++x) red += sheet.pixel(x, y) == kRed;
    return red;
  }
};

}  // namespace

TEST_F(LineMarksRoad, TagsAndWordsColouredThroughTheMenu) {
  RunOverTaggedText();
  EXPECT_EQ(LineCell(1).mark_spans, 0);  // nothing chosen yet
  EXPECT_FALSE(LineCell(1).pieces.empty());

  Toggle(kTagsColoured);
  EXPECT_TRUE(OptionSet(Main().Doc()->fSettings.ColouringOptions(), 0));
  EXPECT_TRUE(GetMenuItemChecked(kTagsColoured));
  const std::vector<std::pair<UString, uint32_t>> tags_only = SpanTexts(1);
  // The <N> before the search word in its own colours (white on red), counted as a tag span.
  EXPECT_NE(std::find(tags_only.begin(), tags_only.end(), std::pair<UString, uint32_t>{u"<N>", 0xFFFFFFu}),
            tags_only.end());
  EXPECT_GE(LineCell(1).tag_mark_spans, 1);
  for (const auto& [text, colour] : tags_only) EXPECT_EQ(text.find(u"river"), UString::npos) << Utf16ToUtf8(text);

  Toggle(kWordsColoured);
  EXPECT_TRUE(OptionSet(Main().Doc()->fSettings.ColouringOptions(), 1));
  const std::vector<std::pair<UString, uint32_t>> both = SpanTexts(1);
  // The search word after its tag takes the style's colour of tagged words.
  const uint32_t tagged_word = static_cast<uint32_t>(GetWordHandling4ColourRecAndTypeface(CurrentStyleNumber(), 3).Foreground());
  EXPECT_NE(std::find(both.begin(), both.end(), std::pair<UString, uint32_t>{u"river", tagged_word}), both.end());
  EXPECT_GT(both.size(), tags_only.size());
  EXPECT_GE(LineCell(1).mark_spans, static_cast<int32_t>(both.size()));
  // Sorted on their starts.
  const auto& spans = LineCell(1).spans;
  EXPECT_TRUE(std::is_sorted(spans.begin(), spans.end(), [](const auto& a, const auto& b) { return a.start < b.start; }));
  Main().resize(1200, 500);
  DeliverPendingEvents();
  const QImage shot = SaveScreenshot(Main(), QStringLiteral("commands/concordance_line_marks_coloured"));
  EXPECT_GT(ColoursIn(shot), 4);

  // Both off again: no spans.
  Toggle(kTagsColoured);
  Toggle(kWordsColoured);
  EXPECT_EQ(Main().Doc()->fSettings.ColouringOptions() & 3, 0);
  EXPECT_EQ(LineCell(1).mark_spans, 0);
}

TEST_F(LineMarksRoad, PlainLinesChosenInPageSetupPrintWithoutSpans) {
  RunOverTaggedText();
  Toggle(kTagsColoured);
  ASSERT_GT(LineCell(1).tag_mark_spans, 0);
  // The <N> tags' red backgrounds are on paper as on screen.
  EXPECT_GT(RedPixelsOnPaper(), 0);
  EXPECT_EQ(ThroughTheMenu<TPageSetupDialog>(kPageSetupMenuItem,
                                             [](TPageSetupDialog& d) {
                                               EXPECT_FALSE(d.PlainLines()->isChecked());
                                               d.PlainLines()->setChecked(true);
                                               d.accept();
                                             }),
            int(QDialog::Accepted));
  EXPECT_TRUE(GetPrinterPrefs().PlainLines());
  EXPECT_EQ(RedPixelsOnPaper(), 0);
  // The screen keeps its colours, and the dialog shows the choice when it opens again.
  EXPECT_GT(LineCell(1).tag_mark_spans, 0);
  ThroughTheMenu<TPageSetupDialog>(kPageSetupMenuItem, [](TPageSetupDialog& d) {
    EXPECT_TRUE(d.PlainLines()->isChecked());
    d.reject();
  });
}

// The View menu's tag display reaches the lines: hidden tags leave the line cell, and a tag shown
// after its word belongs to the word before it.
TEST_F(LineMarksRoad, TagDisplayChosenInTheMenuChangesTheShownLines) {
  constexpr int kTagsHidden = 219, kTagsAsPrefix = 220, kTagsAsSuffix = 221;
  RunOverTaggedText();
  // The tag the search word "river" belongs to.
  auto tag_of_river = [&] {
    for (const TGridColouredPiece& p : LineCell(1).pieces)
      if (!p.is_tag && p.span_pos == 50) return int(p.tag_number_1based);
    return -1;
  };
  ASSERT_NE(LineCell(1).text.find(u"<N>river"), UString::npos) << Utf16ToUtf8(LineCell(1).text);
  const int before = tag_of_river();
  EXPECT_GT(before, 0);

  Toggle(kTagsHidden);
  EXPECT_TRUE(Main().Doc()->HideTags());
  EXPECT_TRUE(GetMenuItemChecked(kTagsHidden));
  EXPECT_EQ(LineCell(1).text.find(u'<'), UString::npos) << Utf16ToUtf8(LineCell(1).text);
  EXPECT_NE(LineCell(1).text.find(u"river"), UString::npos);

  Toggle(kTagsAsSuffix);
  EXPECT_TRUE(Main().Doc()->TagsAsSuffixes());
  EXPECT_NE(LineCell(1).text.find(u"<N>river <V>"), UString::npos) << Utf16ToUtf8(LineCell(1).text);
  const int after = tag_of_river();
  EXPECT_GT(after, 0);
  EXPECT_NE(after, before);  // the <V> after it, not the <N> before it

  Toggle(kTagsAsPrefix);
  EXPECT_FALSE(Main().Doc()->HideTags());
  EXPECT_EQ(tag_of_river(), before);
}

// The line cells keep their colours between cells, yet each change reaches the next paint: a new
// style, a word-handling colour another program of the suite stored (the settings-changed message
// follows it), and plain lines chosen for paper while the screen keeps its colours.
TEST_F(LineMarksRoad, ColourChangesReachTheNextPaint) {
  RunOverTaggedText();
  Toggle(kWordsColoured);
  auto river_colour = [&] {
    QApplication::processEvents();
    for (const auto& [text, colour] : SpanTexts(1))
      if (text == u"river") return colour;
    return 0xFFFFFFFFu;
  };
  const uint32_t light = static_cast<uint32_t>(GetWordHandling4ColourRecAndTypeface(0, 3).Foreground());
  const uint32_t dark = static_cast<uint32_t>(GetWordHandling4ColourRecAndTypeface(1, 3).Foreground());
  ASSERT_NE(light, dark);
  ApplyStyleNumber(0);
  EXPECT_EQ(river_colour(), light);
  ApplyStyleNumber(1);
  EXPECT_EQ(river_colour(), dark);
  ApplyStyleNumber(0);
  EXPECT_EQ(river_colour(), light);

  TWordHandlingColourRec mine = GetWordHandling4ColourRecAndTypeface(0, 3);
  mine.SetForeground(0x123456);
  ASSERT_TRUE(SharedSettingsStore().Write("word_handling_colour.0.3", mine.bytes, TWordHandlingColourRec::kSize));
  PostWindowMessage(&Main(), 0x401, 233, 0);
  DeliverPendingEvents();
  EXPECT_EQ(river_colour(), 0x123456u);

  TPrinterPrefsRec prefs = GetPrinterPrefs();
  prefs.SetPlainLines(true);
  SetPrinterPrefs(prefs);
  PostWindowMessage(&Main(), 0x401, 233, 0);
  DeliverPendingEvents();
  TVX_Grid& grid = *Main().ConcordanceGrid();
  grid.SetPrintKind(kGridPreviewing);
  EXPECT_EQ(grid.Model().Source().FreshCell(1, 1).mark_spans, 0);
  grid.SetPrintKind(kGridOnScreen);
  EXPECT_EQ(river_colour(), 0x123456u);
}

// A sheet drawn for paper makes its own cells: the cells the screen keeps stay, in their colours.
TEST_F(LineMarksRoad, PaperSheetsLeaveTheScreensCellsKept) {
  RunOverTaggedText();
  Toggle(kTagsColoured);
  TPrinterPrefsRec prefs = GetPrinterPrefs();
  prefs.SetPlainLines(true);
  SetPrinterPrefs(prefs);
  PostWindowMessage(&Main(), 0x401, 233, 0);
  DeliverPendingEvents();
  ASSERT_GT(LineCell(1).tag_mark_spans, 0);
  const TGrid_data_rec* kept = &LineCell(1);
  const size_t rows = Main().ConcordanceGrid()->Model().Source().CachedRowCount();
  EXPECT_EQ(RedPixelsOnPaper(), 0);
  // None of the kept rows was dropped (a paint of the screen meanwhile may keep more).
  EXPECT_GE(Main().ConcordanceGrid()->Model().Source().CachedRowCount(), rows);
  EXPECT_EQ(&LineCell(1), kept);
  EXPECT_GT(LineCell(1).tag_mark_spans, 0);
  EXPECT_EQ(Main().ConcordanceGrid()->PrintKind(), kGridOnScreen);
}

// Tags inserted again from another page, with colours changed since the run, reach the lines'
// next paint: the line cells' kept colours are dropped whatever page was current.
TEST_F(LineMarksRoad, TagsInsertedFromAnotherPageRecolourTheLines) {
  RunOverTaggedText();
  Toggle(kTagsColoured);
  auto tag_colour = [&] {
    QApplication::processEvents();
    for (const auto& [text, colour] : SpanTexts(1))
      if (text == u"<N>") return colour;
    return 0xFFFFFFFFu;
  };
  const uint32_t before = tag_colour();
  ASSERT_NE(before, 0xFFFFFFFFu);
  ASSERT_NE(TurnTo("Collocates"), nullptr);
  UseTagFile("<N> /colour=\"blue\"\n<V> /colour=\"white ON red\"\n");
  Main().HandleMenuCommand(73, u"");
  DeliverPendingEvents();
  TurnTo("Concordance");
  const uint32_t after = tag_colour();
  EXPECT_NE(after, 0xFFFFFFFFu);
  EXPECT_NE(after, before);
}
