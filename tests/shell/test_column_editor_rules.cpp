// The column editor's model: edits over a selection, the controls it enables, moves, restore and
// the layout's mapping of display columns to list columns.
#include <gtest/gtest.h>

#include "platform/rtl/streams.h"
#include "shell/grid_tools/column_editor_rules.h"
#include "support/table_test_list.h"

namespace {

class ColumnEditor : public testing::Test {
 public:
  void SetUp() override {
    list.AddRow(u"cat", u"the cat", 4.25, 2);
    EnsureGridHeadings(list);
    list.grid_headings[2].visible = false;  // Text hidden
    for (TGrid_head32& h : list.grid_headings) h.width = 96;
    model.AssignDetails(&list.grid_headings, 0, 96);
  }
  TGrid_head32& H(int i) { return list.grid_headings[static_cast<size_t>(i)]; }
  TTableList list;
  TColumnEditorModel model;
};

TEST_F(ColumnEditor, LayoutMadeFromTheList) {
  ASSERT_EQ(list.grid_headings.size(), 6u);
  EXPECT_EQ(Utf16ToUtf8(H(1).heading), "Word");
  EXPECT_FALSE(H(1).numeric);
  EXPECT_TRUE(H(1).case_allowed);
  EXPECT_TRUE(H(3).numeric);
  EXPECT_EQ(H(3).decimals, 2);  // a real number
  EXPECT_EQ(H(4).decimals, 0);
  EXPECT_EQ(H(3).alignment, kAlignRight);
}

TEST_F(ColumnEditor, EachEditOnASelectionHoldingAHiddenColumn) {
  struct TCase {
    const char* what;
    std::function<bool()> edit;
    std::function<bool(ColumnEditor&)> check;
  } cases[] = {
      {"alignment", [&] { return model.SetAlignment(kAlignCentre); },
       [](ColumnEditor& t) { return t.H(1).alignment == kAlignCentre && t.H(2).alignment == kAlignCentre; }},
      {"typeface", [&] { return model.SetTypeface(kTypefaceItalic, true); },
       [](ColumnEditor& t) { return t.H(1).typeface == kTypefaceItalic && t.H(2).typeface == kTypefaceItalic; }},
      {"width: a hidden column keeps its own", [&] { return model.SetWidthShown(2.0); },
       [](ColumnEditor& t) { return t.H(1).width == 192 && t.H(2).width == 96 && t.H(3).width == 192; }},
      {"decimals", [&] { return model.SetDecimals(3); },
       [](ColumnEditor& t) { return t.H(1).decimals == 3 && t.H(3).decimals == 3; }},
      {"threshold", [&] { return model.SetThresholdText(u"0,5"); },
       [](ColumnEditor& t) { return t.H(3).threshold == 0.5f && t.H(2).threshold == 0.5f; }},
      {"a threshold that is no number changes nothing", [&] { return model.SetThresholdText(u"abc"); },
       [](ColumnEditor& t) { return t.H(3).threshold == kMissingValue; }},
      {"letter case only where allowed", [&] { return model.SetLetterCase(kCaseUpper); },
       [](ColumnEditor& t) { return t.H(1).letter_case == kCaseUpper && t.H(3).letter_case == kCaseSource; }},
      {"visibility", [&] { return model.SetVisible(true); },
       [](ColumnEditor& t) { return t.H(2).visible && t.H(3).visible; }},
      {"colour: only visible columns, own when not the style's", [&] { return model.SetColour(0x00FF00, 0xFFFFFF); },
       [](ColumnEditor& t) { return t.H(1).own_colour == 1 && t.H(1).background == 0x00FF00 && t.H(2).own_colour == 0; }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    model.Restore();
    model.Select({1, 2, 3}, 1);
    const bool changed = c.edit();
    EXPECT_TRUE(c.check(*this));
    EXPECT_EQ(changed, model.Changed());
  }
}

TEST_F(ColumnEditor, AlignmentFourDisablesTheGroupsAndKeepsTheRecord) {
  H(4).alignment = kAlignFixed;
  model.AssignDetails(&list.grid_headings, 0, 96);
  model.Select({4}, 4);
  EXPECT_FALSE(model.Controls().alignment_enabled);
  EXPECT_FALSE(model.SetAlignment(kAlignLeft));
  EXPECT_EQ(H(4).alignment, kAlignFixed);
  model.Select({3}, 3);
  EXPECT_TRUE(model.Controls().alignment_enabled);
  EXPECT_TRUE(model.Controls().numeric);
  EXPECT_EQ(Utf16ToUtf8(model.Controls().threshold_text), "-1e+06");
}

TEST_F(ColumnEditor, MovesAreRefusedAtTheEnds) {
  const int last = static_cast<int>(list.grid_headings.size()) - 1;
  struct TCase {
    int index, step;
    bool moves;
  } cases[] = {{0, -1, false}, {last, 1, false}, {1, -1, true}, {last - 1, 1, true}};
  for (const TCase& c : cases) {
    model.Restore();
    model.Select({c.index}, c.index);
    const int column = H(c.index).column_number;
    EXPECT_EQ(model.Move(c.step), c.moves) << c.index << " " << c.step;
    if (c.moves) {
      EXPECT_EQ(H(c.index + c.step).column_number, column);
      EXPECT_EQ(model.ItemIndex(), c.index + c.step);
    }
  }
  model.Restore();
  model.Select({1, 2}, 1);
  EXPECT_FALSE(model.Move(1));  // only one heading moves at a time
  EXPECT_FALSE(model.Controls().move_enabled);
}

TEST_F(ColumnEditor, RestoreBringsBackTheLayoutOfTheMomentTheEditorOpened) {
  const TGrid_header_array before = list.grid_headings;
  model.Select({1}, 1);
  model.Move(1);
  model.RenameHeading(3, u"Lemma");
  model.SetVisibleAt(4, false);
  EXPECT_TRUE(model.Changed());
  EXPECT_EQ(H(3).heading_edited, 1);
  model.Restore();
  EXPECT_FALSE(model.Changed());
  EXPECT_TRUE(list.grid_headings == before);
}

TEST_F(ColumnEditor, ItemsThresholdsAndWidthUnits) {
  EXPECT_EQ(Utf16ToUtf8(model.HeadingItems()[2]), "( Text )");
  const std::vector<UString> items = TColumnEditorModel::ThresholdItems(u',');
  ASSERT_EQ(items.size(), 15u);
  EXPECT_EQ(Utf16ToUtf8(items.front()), "-999999,0");
  EXPECT_EQ(Utf16ToUtf8(items[2]), "0,1");
  EXPECT_EQ(Utf16ToUtf8(items.back()), "0,0000000000001");  // twelve zeros before the 1
  model.Select({1}, 1);
  EXPECT_DOUBLE_EQ(model.Controls().width_shown, 1.0);
  model.SetUnits(1);
  EXPECT_DOUBLE_EQ(model.Controls().width_shown, 2.5);  // 2.54 shown with one decimal
  model.SetWidthShown(5.08);
  EXPECT_EQ(H(1).width, 192);
  const auto calc = model.CalculatorItems();
  ASSERT_EQ(calc.size(), 2u);
  EXPECT_EQ(Utf16ToUtf8(calc[0].first), "A");
}

TEST_F(ColumnEditor, DisplayColumnsFollowTheLayout) {
  // Shown: Word, A, B, File (Text hidden); then Word moved after A.
  struct TCase {
    int display, list_column;
  } before[] = {{0, 0}, {1, 1}, {2, 3}, {3, 4}, {4, 5}, {5, -1}};
  for (const TCase& c : before) EXPECT_EQ(Original_Column(list.grid_headings, c.display), c.list_column);
  ExchangeTwoHeadings(list.grid_headings, 1, 3);
  EXPECT_EQ(Original_Column(list.grid_headings, 1), 3);
  EXPECT_EQ(Original_Column(list.grid_headings, 2), 1);
  EXPECT_EQ(CurrentColumnNumber(list.grid_headings, 1), 2);
  EXPECT_EQ(CurrentColumnNumber(list.grid_headings, 2), -1);
  EXPECT_EQ(VisibleListColumns(list.grid_headings), (std::vector<int>{3, 1, 4, 5}));
}

TEST_F(ColumnEditor, CellsShownAsTheirHeadingsSay) {
  TGrid_head32 number;
  number.numeric = true;
  number.threshold = 5;
  number.decimals = 1;
  TGrid_data_rec cell;
  cell.row = 1;
  cell.has_number = true;
  cell.number.value = 4.5f;
  ApplyHeadingToCell(number, cell);
  EXPECT_FALSE(cell.has_number);  // below the threshold: blank
  cell.has_number = true;
  cell.number.value = 7;
  ApplyHeadingToCell(number, cell);
  EXPECT_TRUE(cell.has_number);
  EXPECT_EQ(cell.decimals, 1);
  struct TCase {
    uint8_t letter_case;
    const char* want;
  } cases[] = {{kCaseUpper, "THE OLD MILL"}, {kCaseTitle, "The Old Mill"}, {kCaseLower, "the old mill"},
               {kCaseSource, "the OLD mill"}};
  for (const TCase& c : cases) EXPECT_EQ(Utf16ToUtf8(ApplyLetterCase(u"the OLD mill", c.letter_case)), c.want);
}

TEST_F(ColumnEditor, CustomisedLayoutRoundTripAndDamagedFiles) {
  ExchangeTwoHeadings(list.grid_headings, 1, 3);
  H(3).letter_case = kCaseUpper;
  TMemoryStream s;
  ASSERT_TRUE(SaveHeadingsToStream(s, 5, list.grid_headings));
  TGrid_header_array back;
  UString message;
  s.SetPosition(0);
  ASSERT_TRUE(ReadHeadingsFromStream(s, 5, back, message));
  EXPECT_TRUE(back == list.grid_headings);
  // A fresh list of the same kind takes the saved order and settings.
  TTableList fresh;
  fresh.AddRow(u"x", u"y", 1, 2);
  TGrid_header_array added;
  MergeCustomisedHeadings(fresh, back, added);
  EXPECT_EQ(Original_Column(fresh.grid_headings, 1), 3);
  EXPECT_FALSE(fresh.grid_headings[2].visible);
  struct TDamage {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> spoil;
  } damages[] = {
      {"signature", [](std::vector<uint8_t>& d) { d[0] ^= 0xFF; }},
      {"list type", [](std::vector<uint8_t>& d) { d[8] = 13; }},
      {"count", [](std::vector<uint8_t>& d) { d[9] = 0xFF; d[10] = 0xFF; }},
      {"cut short", [](std::vector<uint8_t>& d) { d.resize(d.size() - 5); }},
      {"alignment out of range", [](std::vector<uint8_t>& d) { d[13 + 20] = 9; }},
  };
  for (const TDamage& dmg : damages) {
    SCOPED_TRACE(dmg.what);
    std::vector<uint8_t> bytes = s.Data();
    dmg.spoil(bytes);
    TMemoryStream m(bytes);
    TGrid_header_array kept = {TGrid_head32()};
    UString why;
    EXPECT_FALSE(ReadHeadingsFromStream(m, 5, kept, why));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(kept.size(), 1u);
  }
}

}  // namespace
