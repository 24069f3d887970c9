// The main window's rules without a window: what the command line starts, the coloured spans of
// a line's marks, the result pages' cell rules.
#include <gtest/gtest.h>

#include "shell/qt/main_window_grid_tweaks.h"
#include "shell/qt/main_window_startup.h"
#include "support/temp_folder.h"

namespace {

TEST(StartupParameters, Matrix) {
  TempFolder dir;
  const UString cnc = dir.Write(u"saved.cnc", "x");
  struct Case {
    const char* name;
    std::vector<UString> params;
    TStartupAction action;
  } cases[] = {
      {"none", {}, {TStartupActionKind::kNothing, false, 17}},
      {"a saved concordance", {cnc}, {TStartupActionKind::kOpenDocument, false, 17}},
      {"an unknown name", {u"/no/such/file.cnc"}, {TStartupActionKind::kUnknownName, false, 17}},
      {"-F", {u"-F"}, {TStartupActionKind::kFollowUp, false, 17}},
      {"-Y", {u"-Y"}, {TStartupActionKind::kFollowUp, true, 17}},
      {"a tool with -F", {u"wordlister", u"-F"}, {TStartupActionKind::kToolRequest, false, 0}},
      {"//F is no switch", {u"//F"}, {TStartupActionKind::kUnknownName, false, 17}},
      {"a file and -F", {cnc, u"-F"}, {TStartupActionKind::kOpenDocument, false, 17}},
  };
  for (const Case& c : cases) {
    TVXParamsFound parms;
    ParseCommandLine(c.params, parms);
    const UString named = DocumentNamedOnCommandLine(c.params, parms);
    const TStartupAction a = DecideStartupAction(parms, !c.params.empty(), !named.empty());
    EXPECT_EQ(a.kind, c.action.kind) << c.name;
    EXPECT_EQ(a.with_context, c.action.with_context) << c.name;
    EXPECT_EQ(a.tool, c.action.tool) << c.name;
  }
  // No parameter: the last file used, named by the start-up options, is opened when it exists.
  TVXParamsFound none;
  ParseCommandLine({}, none);
  EXPECT_EQ(DecideStartupAction(none, false, true).kind, TStartupActionKind::kOpenDocument);
  EXPECT_EQ(DecideStartupAction(none, false, false).kind, TStartupActionKind::kNothing);
}

TEST(LineSpans, TagsAndWordsByColouringOptions) {
  const std::vector<TTagColour> colours{{0x0000FF, 0x00FF00, false}, {0, 0, true}};
  struct Case {
    const char* name;
    std::vector<TLineMark> marks;
    bool tags, words;
    std::vector<TMarkSpan> spans;
  } cases[] = {
      {"no marks, no spans", {}, true, true, {}},
      {"tag coloured from its table entry", {{0, 5, 3, 4, 1}}, true, false, {{4, 7, -1, 1}}},
      {"tag without colour takes record 2", {{0, 5, 3, 4, 2}}, true, false, {{4, 7, 2, 0}}},
      {"word coloured after its tag", {{1, 5, 3, 4, 0}}, false, true, {{7, 11, 7, 0}}},
      {"tag and word together", {{2, 5, 3, 4, 0}}, true, true, {{4, 11, 3, 0}}},
      {"nothing coloured", {{1, 5, 3, 4, 0}}, false, false, {}},
      {"kind 4 with '2' counts as 3", {{4, 1, 0, 2, 0, false, false, u'2'}}, false, true, {{0, 2, 3, 0}}},
      // Each kind-3 tag gets its span, the first as well as the last, and one at the line's start.
      {"every pending tag span kept",
       {{3, 1, 2, 3, 1}, {3, 10, 2, 3, 1}},
       true,
       true,
       {{0, 2, -1, 1}, {2, 5, 3, 0}, {9, 11, -1, 1}, {11, 14, 3, 0}}},
      // Words alone coloured: a kind-3 mark's tag stays as plain as a tag on its own.
      {"kind 3 tag left alone while only words are coloured",
       {{3, 1, 2, 3, 1}, {0, 7, 2, 0, 1}},
       false,
       true,
       {{2, 5, 3, 0}}},
      {"nothing coloured leaves a kind 3 tag plain", {{3, 1, 2, 3, 1}}, false, false, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ColouredMarkSpans(c.marks, c.tags, c.words, colours), c.spans) << c.name;
  EXPECT_TRUE(ColouredMarkSpans({{1, 5, 3, 4, 0}}, true, true, colours, true).empty());
}

TEST(CellRules, TagColourIndexWithinTableOnly) {
  const std::vector<TTagColour> colours{{1, 0xABCDEF, false}};
  for (int index : {0, 2, -1}) {
    TGrid_data_rec cell;
    cell.tag_number_1based = index;
    TweakConcordanceTagCell(cell, colours, false, 0, 0);
    EXPECT_FALSE(cell.has_text_colour) << index;
  }
  TGrid_data_rec cell;
  cell.tag_number_1based = 1;
  TweakConcordanceTagCell(cell, colours, false, 0, 0);
  // The text takes the tag's second colour; the cell keeps its background.
  EXPECT_TRUE(cell.has_text_colour);
  EXPECT_EQ(cell.text_colour, 0xABCDEFu);
  EXPECT_FALSE(cell.has_colour);
  TGrid_data_rec out;
  TweakConcordanceTagCell(out, colours, true, 28, 4);
  EXPECT_EQ(out.text, u"4");
}

TEST(CellRules, UncomputedCollocateCellsAreNotApplicable) {
  for (int column : {2, 3, 13, 14}) {
    TGrid_data_rec cell;
    cell.has_number = true;
    cell.number.value = 0.0f;
    TweakCollocateCell(cell, column, false, false);
    EXPECT_EQ(cell.has_number, column < 3 || column > 13) << column;
  }
  TGrid_data_rec shown;
  shown.has_number = true;
  shown.number.value = 0.0f;
  TweakCollocateCell(shown, 5, true, false);
  EXPECT_TRUE(shown.has_number);
  EXPECT_TRUE(FileNameDisplayFlag(0));
  EXPECT_FALSE(FileNameDisplayFlag(1));
}

TEST(CellRules, SentenceOnlyMarksALineWhoseSentenceRunsPastItsEdge) {
  struct Case { uint8_t options; bool both_ends, marked; };
  const Case cases[] = {
      {0x08, false, true},  {0x08, true, false}, {0x00, false, false},
      {0x10, false, false}, {0x19, false, true}, {0xF7, false, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SentenceIncomplete(c.options, c.both_ends), c.marked) << int(c.options) << " " << c.both_ends;
}

TEST(CellRules, LoadedPercentOfAnEmptyTextIsZero) {
  EXPECT_EQ(LoadedPercent(0, 0), 0);
  EXPECT_EQ(LoadedPercent(50, 200), 25);
  EXPECT_EQ(LoadedPercent(300, 200), 100);
}

}  // namespace
