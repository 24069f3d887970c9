// The concordance grid's cells: every column with and without text-structure data, the line as
// shown (restored characters, cutting, padding, hidden and replaced tags, sentence-only and
// tags-only views, markers), its coloured pieces, and drawing that leaves cell and line alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <random>

#include "concordance/lines/concordance_list.h"
#include "concordance/document/source_files.h"
#include "platform/rtl/datetime.h"
#include "platform/settings/settings_access.h"

namespace {

class FakeDocument : public TConcordanceListDocument {
 public:
  int32_t shown = 0;
  bool padding = false;
  bool hide_tags = false;
  bool hide_file_tags = false, hide_undefined = false;
  bool suffixes = false;
  std::vector<std::pair<int32_t, UString>> visible_tags;
  int32_t tag_distance = 32000;
  bool markers = false;
  int view = kLineViewWhole;
  UString sentence_marker;
  bool hide_filenames = false;
  bool per_million = false;
  TLinzoraFilenamelist* files = nullptr;

  int ColumnKind(int column) const override { return (column >= 1 && column <= 3) || column == 13 ? column : 0; }
  bool UnitPercentPerMillion() const override { return per_million; }
  TLinzoraFilenamelist* SourceFiles() const override { return files; }
  int32_t ShownLineLength() const override { return shown; }
  bool SearchWordPadding() const override { return padding; }
  bool HideTags() const override { return hide_tags; }
  bool HideTagFileTags() const override { return hide_file_tags; }
  bool HideUndefinedTags() const override { return hide_undefined; }
  bool TagsAsSuffixes() const override { return suffixes; }
  bool VisibleTagDisplay(int32_t t, UString& display) const override {
    for (const auto& [n, s] : visible_tags)
      if (n == t) return display = s, true;
    return false;
  }
  int32_t TagColouringDistance() const override { return tag_distance; }
  bool TextMarkersOn() const override { return markers; }
  int LineView() const override { return view; }
  UString SentenceEndMarker() const override { return sentence_marker; }
  bool HideFilenames() const override { return hide_filenames; }
};

struct Word { int span; int32_t start, length; };  // span position (50 the search word), place in the text
struct Tag { int16_t position, length, number; uint16_t kind = 0; };

struct Fixture {
  TVXBaseHolder holder;
  FakeDocument doc;
  std::unique_ptr<TLinzoraFilenamelist> files;
  std::unique_ptr<TConcordanceList> list;

  Fixture() {
    files = std::make_unique<TLinzoraFilenamelist>(&holder);
    TLinzoraFilenameEntryRecPlus rec;
    rec.full_filename = u"/corpus/text0.txt";
    rec.other_data.zero_based_filename_num = 0;
    rec.other_data.TextualDateAndTime = 2450002.0;
    files->Add(new TLinzoraFilenameEntry(files.get(), rec));
    doc.files = files.get();
    list = std::make_unique<TConcordanceList>(&holder, &doc);
  }

  // A line whose search word starts at its midpoint; words at fixed span positions.
  TConcordanceEntry* Add(UStringView text, int32_t sw_start, int32_t hit, std::vector<Word> words = {},
                         std::vector<Tag> tags = {}) {
    auto line = list->NewLine();
    line->SetText(UString(text));
    auto& d = line->Data();
    d.midpoint = static_cast<int16_t>(sw_start);
    d.hit_characters = hit;
    d.filename_num_original = 1;
    line->SetFixedWord(5, {0, static_cast<int16_t>(hit), 0, 0});
    for (const Word& w : words)
      line->SetFixedWord(w.span - 45, {static_cast<int16_t>(w.start - sw_start), static_cast<int16_t>(w.length), 0, 0});
    for (const Tag& t : tags) {
      TTagPositionRec r{};
      r.used_length = t.length;
      r.tag_position = t.position;
      r.tagnumber_1Based = t.number;
      r.tag_kind = t.kind;
      line->TagPositions().Add(r);
    }
    TConcordanceEntry* raw = line.get();
    EXPECT_GE(list->Add(line.release()), 0);
    return raw;
  }

  TGrid_data_rec Cell(int col, int row = 1) {
    TGrid_data_rec cell;
    list->DrawgridDataRec(col, row, cell, 0);
    return cell;
  }
};

// "<w>the</w> <w>dog</w> ran": tags 1 (<w>) and 2 (</w>), words L1, the search word and R1.
TConcordanceEntry* AddTagged(Fixture& f) {
  return f.Add(u"<w>the</w> <w>dog</w> ran", 14, 3, {{49, 3, 3}, {51, 22, 3}},
               {{0, 3, 1}, {6, 4, 2}, {11, 3, 1}, {17, 4, 2}});
}

// Settings the tests change, put back whatever happens.
struct MarkerGuard {
  UString sw = GetConc_SW_TXT_Marker();
  UString context = GetConc_Context_W_TXT_Marker();
  bool colour = GetShouldColourPercentages();
  ~MarkerGuard() {
    SetConc_SW_TXT_Marker(sw);
    SetConc_Context_W_TXT_Marker(context);
    SetShouldColourPercentages(colour);
  }
};

// --- the line as shown ------------------------------------------------------------------------

TEST(ConcordanceDisplay, SubstituteCharactersShowAsSpaceAndAngleBrackets) {
  Fixture f;
  f.Add(u"a\x19" u"b\x18\x01" u"dog  ", 5, 3);
  const TGrid_data_rec cell = f.Cell(1);
  EXPECT_EQ(cell.text, u"a<b> dog ");
  EXPECT_EQ(cell.kind, kCellConcordanceLine);
  EXPECT_EQ(cell.sw_start, 6);
  EXPECT_EQ(cell.hit_width, 3);
}

TEST(ConcordanceDisplay, CutToTheShownLengthAroundTheMidpoint) {
  struct Case {
    int32_t shown;
    const char16_t* text;
    int32_t sw_start;
    const char16_t* expected;
    int32_t expected_sw_start;
  } cases[] = {
      {10, u"aaaa bbbb dog cccc dddd", 10, u"bbbb dog c ", 6},
      {10, u"dog cccc dddd eeee", 0, u"dog cccc d ", 1},        // at the start
      {10, u"aaaa bbbb cccc dog", 15, u"b cccc dog ", 8},        // at the end
      {0, u"aaaa bbbb dog cccc dddd", 10, u"aaaa bbbb dog cccc dddd ", 11},
      {50, u"aaaa dog", 5, u"aaaa dog ", 6},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.doc.shown = c.shown;
    f.Add(c.text, c.sw_start, 3);
    const TGrid_data_rec cell = f.Cell(1);
    EXPECT_EQ(cell.text, c.expected) << c.shown;
    EXPECT_EQ(cell.sw_start, c.expected_sw_start) << c.shown;
    EXPECT_EQ(cell.text.substr(static_cast<size_t>(cell.sw_start - 1), 3), u"dog");
  }
}

TEST(ConcordanceDisplay, PaddingLinesUpTheRightContexts) {
  Fixture f;
  f.doc.padding = true;
  f.Add(u"the cat sat", 4, 3, {{49, 0, 3}, {51, 8, 3}});
  f.Add(u"the antelope sat", 4, 8, {{49, 0, 3}, {51, 13, 3}});
  ASSERT_EQ(f.list->fFattest_hit, 8);
  const TGrid_data_rec a = f.Cell(1, 1);
  const TGrid_data_rec b = f.Cell(1, 2);
  EXPECT_EQ(a.text, u"the cat      sat ");
  EXPECT_EQ(b.text, u"the antelope sat ");
  EXPECT_EQ(a.text.find(u"sat"), 13u);
  EXPECT_EQ(b.text.find(u"sat"), 13u);
  // The raw text is kept without padding, and the hit keeps its own width.
  EXPECT_EQ(a.str_value, u"the cat sat");
  EXPECT_EQ(a.hit_width, 3);
  // R1's piece moved with its word.
  auto r1 = std::find_if(a.pieces.begin(), a.pieces.end(), [](const auto& p) { return p.span_pos == 51; });
  ASSERT_NE(r1, a.pieces.end());
  EXPECT_EQ(std::make_pair(r1->start, r1->length), std::make_pair(13, 3));
  // Without padding the right context follows the word.
  f.doc.padding = false;
  EXPECT_EQ(f.Cell(1, 1).text, u"the cat sat ");
}

TEST(ConcordanceDisplay, PiecesFollowHorizonsAndHighlights) {
  struct Case {
    int left, right;
    int highlighted;  // span position, 0 none
    std::vector<std::tuple<int32_t, int32_t, int, bool>> pieces;  // start, length, span, highlighted
  } cases[] = {
      {5, 5, 0, {{0, 3, 48, false}, {4, 3, 49, false}, {8, 3, 50, false}, {12, 3, 51, false}}},
      {1, 0, 0, {{4, 3, 49, false}, {8, 3, 50, false}}},
      {0, 0, 0, {{8, 3, 50, false}}},
      {0, 0, 51, {{8, 3, 50, false}, {12, 3, 51, true}}},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.list->colloc_horizons = CollocSpan(c.left, c.right);
    TConcordanceEntry* line = f.Add(u"the big dog ran", 8, 3, {{48, 0, 3}, {49, 4, 3}, {51, 12, 3}});
    if (c.highlighted) line->EditHighlight().Include(c.highlighted);
    const TGrid_data_rec cell = f.Cell(1);
    ASSERT_EQ(cell.pieces.size(), c.pieces.size()) << c.left << "/" << c.right;
    for (size_t i = 0; i < c.pieces.size(); ++i) {
      const auto& p = cell.pieces[i];
      EXPECT_EQ(std::make_tuple(p.start, p.length, int(p.span_pos), bool(p.highlighted)), c.pieces[i]);
      EXPECT_FALSE(p.is_tag);
    }
  }
}

TEST(ConcordanceDisplay, TagsShownHiddenOrReplaced) {
  struct Case {
    bool hide;
    std::vector<std::pair<int32_t, UString>> visible;
    const char16_t* expected;
    int32_t sw_start;
  } cases[] = {
      {false, {}, u"<w>the</w> <w>dog</w> ran ", 15},
      {true, {}, u"the dog ran ", 5},
      // A display string shorter than the tag: the rest of the tag goes.
      {false, {{1, u"["}}, u"[the</w> [dog</w> ran ", 11},
      {false, {{1, u"["}, {2, u"]"}}, u"[the] [dog] ran ", 8},
      // A longer one is shown whole.
      {false, {{2, u"/NNS/"}}, u"<w>the/NNS/ <w>dog/NNS/ ran ", 16},
      // Hiding wins over the table.
      {true, {{1, u"["}}, u"the dog ran ", 5},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.doc.hide_tags = c.hide;
    f.doc.visible_tags = c.visible;
    AddTagged(f);
    const TGrid_data_rec cell = f.Cell(1);
    EXPECT_EQ(cell.text, c.expected);
    EXPECT_EQ(cell.sw_start, c.sw_start) << UString(c.expected).size();
    EXPECT_EQ(cell.text.substr(static_cast<size_t>(cell.sw_start - 1), 3), u"dog");
    // Every piece covers what it should: words their words, tags "<", "[" or "/".
    for (const auto& p : cell.pieces) {
      ASSERT_LE(p.start + p.length, static_cast<int32_t>(cell.text.size()));
      const UString piece = cell.text.substr(static_cast<size_t>(p.start), static_cast<size_t>(p.length));
      if (!p.is_tag) { EXPECT_TRUE(piece == u"the" || piece == u"dog" || piece == u"ran") << UString(c.expected).size(); }
    }
  }
}

// "hide Tag file tags" takes out the tags of the tag file (numbered), "hide Undefined ones" the
// others; the search word stays where the cell says.
TEST(ConcordanceDisplay, TagFileTagsAndUndefinedTagsHiddenByKind) {
  struct Case {
    bool file_tags, undefined;
    const char16_t* expected;
    int32_t sw_start;
  } cases[] = {
      {false, false, u"<w>the</w> <x>dog</x> ran ", 15},
      {true, false, u"the</w> <x>dog</x> ran ", 12},
      {false, true, u"<w>the dog ran ", 8},
      {true, true, u"the dog ran ", 5},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.doc.hide_file_tags = c.file_tags;
    f.doc.hide_undefined = c.undefined;
    // <w> is tag 1 of the tag file; </w>, <x> and </x> are in no tag file.
    f.Add(u"<w>the</w> <x>dog</x> ran", 14, 3, {{49, 3, 3}, {51, 22, 3}},
          {{0, 3, 1}, {6, 4, 0}, {11, 3, 0}, {17, 4, 0}});
    const TGrid_data_rec cell = f.Cell(1);
    EXPECT_EQ(cell.text, c.expected);
    EXPECT_EQ(cell.sw_start, c.sw_start);
    EXPECT_EQ(cell.text.substr(static_cast<size_t>(cell.sw_start - 1), 3), u"dog");
  }
}

TEST(ConcordanceDisplay, HiddenTagsLeaveWordPiecesOnTheirWords) {
  Fixture f;
  f.doc.hide_tags = true;
  AddTagged(f);
  const TGrid_data_rec cell = f.Cell(1);
  ASSERT_EQ(cell.text, u"the dog ran ");
  ASSERT_EQ(cell.pieces.size(), 3u);
  // The tag a word belongs to is the nearest one before it.
  const int tag_numbers[] = {1, 1, 2};
  for (int i = 0; i < 3; ++i) {
    const auto& p = cell.pieces[size_t(i)];
    EXPECT_EQ((std::vector<int>{p.start, p.length, p.span_pos, p.tag_number_1based}),
              (std::vector<int>{4 * i, 3, 49 + i, tag_numbers[i]}));
  }
}

// A tag belongs to the word next to it in the text: when that word has no piece of its own (it
// lies outside the collocate horizons), the piece beyond it is not the tag's.
TEST(ConcordanceDisplay, ATagBelongsToTheNextWordOfTheTextNotTheNextPiece) {
  struct Case {
    const char16_t* text;
    bool suffixes;
    int32_t sw_start, by_start, tag_at;
    int16_t by_tag;  // the tag number the piece of "by" gets
  } cases[] = {
      {u"<v>runs by dog", false, 11, 8, 0, 0},  // "runs" is the tag's word
      {u"<v>  by dog", false, 8, 5, 0, 1},      // only blanks between: "by" is its word
      {u"dog by runs<v>", true, 0, 4, 11, 0},
      {u"dog by  <v>", true, 0, 4, 8, 1},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.doc.suffixes = c.suffixes;
    const int by_span = c.suffixes ? 51 : 49;
    f.Add(c.text, c.sw_start, 3, {{by_span, c.by_start, 2}}, {{static_cast<int16_t>(c.tag_at), 3, 1}});
    const TGrid_data_rec cell = f.Cell(1);
    auto by = std::find_if(cell.pieces.begin(), cell.pieces.end(), [&](const auto& p) { return p.span_pos == by_span; });
    ASSERT_NE(by, cell.pieces.end()) << Utf16ToUtf8(c.text);
    EXPECT_EQ(cell.text.substr(static_cast<size_t>(by->start), 2), u"by");
    EXPECT_EQ(by->tag_number_1based, c.by_tag) << Utf16ToUtf8(c.text);
  }
}

TEST(ConcordanceDisplay, TagPiecesAndTheWordsTheyBelongTo) {
  struct Case {
    bool suffixes;
    int32_t distance;
    int tag_pieces;
    int16_t sw_tag;  // the tag number the search word is coloured by
  } cases[] = {
      {false, 32000, 4, 1},  // "<w>" before dog
      {true, 32000, 4, 2},   // "</w>" after dog
      {false, 0, 2, 1},      // only the tags touching dog are coloured
      {true, 0, 2, 2},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.doc.suffixes = c.suffixes;
    f.doc.tag_distance = c.distance;
    AddTagged(f);
    const TGrid_data_rec cell = f.Cell(1);
    int tags = 0;
    for (const auto& p : cell.pieces) {
      if (p.is_tag) {
        ++tags;
        EXPECT_EQ(cell.text[static_cast<size_t>(p.start)], u'<');
        EXPECT_EQ(cell.text[static_cast<size_t>(p.start + p.length - 1)], u'>');
      }
      if (p.span_pos == kSpanCentre) { EXPECT_EQ(p.tag_number_1based, c.sw_tag) << c.suffixes << c.distance; }
    }
    EXPECT_EQ(tags, c.tag_pieces) << c.suffixes << c.distance;
  }
}

TEST(ConcordanceDisplay, TagPiecesCarryTheKindTheScanGaveThem) {
  struct Case {
    int16_t length, number;
    uint16_t stored, shown;
  } cases[] = {
      {3, 1, 0x0801, 0x0801},  // kept tag 1
      {3, 0, 0x0400, 0x0400},  // kept inside the window
      {0, 0, 0x0800, 0x0800},  // hidden mark-up
      // Documents that did not record the kind, or recorded no tag's kind there.
      {3, 2, 0, 0x0802},
      {3, 0, 0, 0x0400},
      {0, 0, 0, 0x0800},
      {3, 0, 0x8811, 0x0400},
      {0, 0, 0x0200, 0x0800},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.Add(u"<w>dog ran", 3, 3, {}, {{0, c.length, c.number, c.stored}});
    const TGrid_data_rec cell = f.Cell(1);
    const auto tag = std::find_if(cell.pieces.begin(), cell.pieces.end(), [](const auto& p) { return p.is_tag; });
    ASSERT_NE(tag, cell.pieces.end()) << c.stored;
    EXPECT_EQ(std::make_tuple(tag->start, tag->length, tag->tag_kind), std::make_tuple(0, 3, c.shown)) << c.stored;
  }
}

TEST(ConcordanceDisplay, MarkersGoBeforeTheSearchWordAndTheFirstContextWord) {
  MarkerGuard guard;
  SetConc_SW_TXT_Marker(u"*");
  SetConc_Context_W_TXT_Marker(u"##");
  struct Case {
    bool on;
    bool context;
    const char16_t* expected;
    int32_t sw_start;
  } cases[] = {
      {false, true, u"the big dog ran ", 9},
      {true, false, u"the big *dog ran ", 10},
      {true, true, u"the ##big *dog ran ", 12},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.doc.markers = c.on;
    TConcordanceEntry* line = f.Add(u"the big dog ran", 8, 3);
    if (c.context) line->OtherContextWords().Add({-4, 3, 0, 0});
    const TGrid_data_rec cell = f.Cell(1);
    EXPECT_EQ(cell.text, c.expected);
    EXPECT_EQ(cell.sw_start, c.sw_start);
    EXPECT_EQ(cell.text.substr(static_cast<size_t>(cell.sw_start - 1), 3), u"dog");
  }
}

// --- views ---------------------------------------------------------------------------------------

TEST(ConcordanceDisplay, SentenceOnlyView) {
  struct Case {
    const char16_t* text;
    int32_t midpoint;
    std::vector<int32_t> tag_chars;
    const char16_t* marker;
    const char16_t* expected;
    int32_t start;
    bool both;
  } cases[] = {
      // A decimal point is no boundary; a full stop before a capital is.
      {u"He paid 3.5 dollars. Then he left.", 12, {}, u"", u"He paid 3.5 dollars. ", -1, false},
      {u"it ran. The dog sat. Then", 12, {}, u"", u"        The dog sat. ", 8, true},
      // Neither boundary: the whole text, not both ends.
      {u"it ran. the dog", 12, {}, u"", u"it ran. the dog", -1, false},
      // Mark-up between the full stop and the capital is skipped.
      {u"ok. <s>The dog", 11, {4, 5, 6}, u"", u"    <s>The dog", 4, false},
      {u"ok. <s>The dog", 11, {}, u"", u"ok. <s>The dog", -1, false},
      {u"Stop! Who goes? Me", 10, {}, u"", u"      Who goes? ", 6, true},
      // A marker string decides instead of punctuation.
      {u"a b|| the dog|| more", 10, {}, u"||", u"   || the dog||", 6, true},
      {u"A. B dog. C", 5, {}, u"||", u"A. B dog. C", -1, false},
  };
  for (const Case& c : cases) {
    UString text = c.text;
    std::vector<bool> tags(text.size(), false);
    for (int32_t i : c.tag_chars) tags[static_cast<size_t>(i)] = true;
    bool both = !c.both;
    EXPECT_EQ(SentenceOnlyView(text, c.midpoint, tags, c.marker, both), c.start) << UString(c.text).size();
    EXPECT_EQ(text, c.expected);
    EXPECT_EQ(both, c.both);
  }
}

TEST(ConcordanceDisplay, SentenceOnlyLineInTheGrid) {
  Fixture f;
  f.doc.view = kLineViewSentence;
  TConcordanceEntry* a = f.Add(u"it ran. The dog sat. Then", 12, 3);
  TConcordanceEntry* b = f.Add(u"it ran and the dog sat", 15, 3);
  const TGrid_data_rec cell = f.Cell(1, 1);
  EXPECT_EQ(cell.text, u"        The dog sat. ");
  EXPECT_EQ(cell.start_position, 8);
  EXPECT_TRUE(a->FoundBothEndsOfSentence());
  const TConcLineCell export_cell{cell.text, cell.sw_start, cell.hit_width, cell.start_position};
  const TThreeSectionsOFConcLine parts = ConcLinein3Sections(export_cell, nullptr, 0);
  EXPECT_EQ(parts.left, u"The ");
  EXPECT_EQ(parts.centre, u"dog");
  EXPECT_EQ(parts.right, u" sat.");
  const TGrid_data_rec whole = f.Cell(1, 2);
  EXPECT_EQ(whole.text, u"it ran and the dog sat ");
  EXPECT_EQ(whole.start_position, 0);
  EXPECT_FALSE(b->FoundBothEndsOfSentence());
  // Asked directly, a line without both ends has the note taken back.
  UString text = u"no end here dog";
  EXPECT_EQ(f.list->SentenceOnly(*a, text, 12), -1);
  EXPECT_FALSE(a->FoundBothEndsOfSentence());
}

TEST(ConcordanceDisplay, TagsOnlyView) {
  const UString e(1, u'\u2026');
  struct Case {
    const char16_t* on;
    const char16_t* off;
    UString expected;
  } cases[] = {
      {u"<t>", u"</t>", e + e + u" " + e + e + u" <t>cc dog dd</t> " + e + e + u" " + e + e},
      {u"<t>", u"</x>", u"aa bb <t>cc dog dd</t> ee ff"},
      {u"<x>", u"</t>", u"aa bb <t>cc dog dd</t> ee ff"},
      {u"", u"</t>", u"aa bb <t>cc dog dd</t> ee ff"},
  };
  for (const Case& c : cases) {
    UString text = u"aa bb <t>cc dog dd</t> ee ff";
    TagsOnlyView(text, 12, 3, c.on, c.off);
    EXPECT_EQ(text, c.expected) << UString(c.on).size();
  }
  // Through the grid: the list's own strings.
  Fixture f;
  f.doc.view = kLineViewTags;
  f.list->tag_string_only_on = u"<t>";
  f.list->tag_string_only_off = u"</t>";
  f.Add(u"aa bb <t>cc dog dd</t> ee ff", 12, 3);
  EXPECT_EQ(f.Cell(1).text, cases[0].expected + u" ");
}

// --- the other columns ---------------------------------------------------------------------------

TEST(ConcordanceDisplay, EveryColumnWithAndWithoutStructureData) {
  MarkerGuard guard;
  SetShouldColourPercentages(false);
  struct Case {
    bool structure;
    const char16_t* texts[16];
  } cases[] = {
      {true,
       {u"1", u"", u"noun", u"NN", u"17", u"3", u"40.00", u"2", u"50.00", u"1", u"", u"1", u"48.75",
        u"text0.txt", u"", u"12.50"}},
      {false,
       {u"1", u"", u"noun", u"NN", u"17", u"", u"", u"", u"", u"", u"", u"", u"", u"text0.txt", u"", u"12.50"}},
  };
  for (const Case& c : cases) {
    Fixture f;
    TConcordanceEntry* line = f.Add(u"the dog", 4, 3);
    auto& d = line->Data();
    d.word_num = 17;
    d.percent_of_file = 12.5f;
    line->SetTagNumber1Based(4);
    line->SetTagContext(u"NN");
    line->SetAWordAsString(2, u"noun");
    if (c.structure) {
      // Sentence 3 at word 5 of 11: (5-1)/(11-1) = 40 %; paragraph (12-1)/(23-1) = 50 %; a heading
      // of no length has no percentage; section (40-1)/(81-1) = 48.75 %.
      const int32_t numbers[] = {3, 2, 1, 1}, positions[] = {5, 12, 1, 40}, lengths[] = {11, 23, 0, 81};
      TLineUnitStats units;
      for (int k = 0; k < 4; ++k) {
        units.unit_number[k] = numbers[k];
        units.unit_position[k] = positions[k];
        units.unit_length[k] = lengths[k];
      }
      line->SetUnitStats(units);
    }
    for (int col = 0; col < 16; ++col) {
      const TGrid_data_rec cell = f.Cell(col);
      if (col == 1 || col == 14) continue;
      EXPECT_EQ(cell.text, c.texts[col]) << "column " << col << " structure " << c.structure;
      EXPECT_EQ(cell.has_text, !cell.text.empty()) << col;
      if (col >= 4 && col != 13) { EXPECT_EQ(cell.has_number, !cell.text.empty()) << col; }
    }
    EXPECT_EQ(f.Cell(3).tag_number_1based, 4);
    EXPECT_FALSE(f.Cell(6).has_colour);
    // The date column shows the source file's date.
    const TGrid_data_rec date = f.Cell(14);
    EXPECT_EQ(date.date, 2450002.0);
    EXPECT_EQ(date.text, DateTimeToUStr(JulianToDateTimeRemovingConst(2450002.0)));
    EXPECT_FALSE(date.text.empty());
  }
}

TEST(ConcordanceDisplay, ColumnChoices) {
  MarkerGuard guard;
  Fixture f;
  TConcordanceEntry* line = f.Add(u"the dog", 4, 3);
  TLineUnitStats units;
  units.unit_number[0] = 1;
  units.unit_position[0] = 5;
  units.unit_length[0] = 11;
  line->SetUnitStats(units);
  // File names hidden; a line without tag context has no tag to colour by.
  f.doc.hide_filenames = true;
  EXPECT_EQ(f.Cell(13).text, u"");
  EXPECT_FALSE(f.Cell(13).has_text);
  EXPECT_EQ(f.Cell(3).tag_number_1based, 0);
  // Per million: 40 % is 400000.
  f.doc.per_million = true;
  EXPECT_EQ(f.Cell(6).text, u"400000.00");
  EXPECT_EQ(f.Cell(6).number.kind, 3);
  // Coloured percentages take the colour of their percentage.
  SetShouldColourPercentages(true);
  const TGrid_data_rec coloured = f.Cell(6);
  EXPECT_TRUE(coloured.has_colour);
  EXPECT_EQ(coloured.colour, GetAPercentageColour(40));
  EXPECT_FALSE(f.Cell(5).has_colour);  // a number is no percentage
  // Rows that do not exist give empty cells.
  EXPECT_FALSE(f.Cell(1, 2).has_text);
  EXPECT_TRUE(f.Cell(1, 2).pieces.empty());
}

TEST(ConcordanceDisplay, Headings) {
  Fixture f;
  for (int col = 0; col < 16; ++col) {
    TGrid_data_rec cell;
    f.list->DrawgridDataRec(col, 0, cell, 0);
    EXPECT_TRUE(cell.has_text) << col;
    EXPECT_EQ(cell.row, 0);
  }
  // Headings the list was given win.
  f.list->SetHeadings(std::vector<UString>(16, u"h"));
  TGrid_data_rec a;
  f.list->TopRowDataRec(1, a);
  EXPECT_EQ(a.text, u"h");
}

// --- drawing leaves cell and line alone -----------------------------------------------------------

void ExpectSameCell(const TGrid_data_rec& a, const TGrid_data_rec& b) {
  EXPECT_EQ(std::tie(a.text, a.str_value, a.sw_start, a.hit_width, a.start_position),
            std::tie(b.text, b.str_value, b.sw_start, b.hit_width, b.start_position));
  ASSERT_EQ(a.pieces.size(), b.pieces.size());
  for (size_t i = 0; i < a.pieces.size(); ++i)
    EXPECT_EQ(std::tie(a.pieces[i].start, a.pieces[i].length, a.pieces[i].tag_number_1based),
              std::tie(b.pieces[i].start, b.pieces[i].length, b.pieces[i].tag_number_1based));
}

TEST(ConcordanceDisplay, DrawingTwiceChangesNeitherCellNorLine) {
  MarkerGuard guard;
  SetConc_SW_TXT_Marker(u"*");
  SetConc_Context_W_TXT_Marker(u"#");
  struct Case {
    bool hide, padding, markers;
    int view;
    int32_t shown;
  } cases[] = {
      {false, false, false, kLineViewWhole, 0}, {true, true, true, kLineViewWhole, 0},
      {false, true, true, kLineViewSentence, 0}, {true, false, true, kLineViewTags, 12},
      {false, true, false, kLineViewWhole, 15},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.doc.hide_tags = c.hide;
    f.doc.padding = c.padding;
    f.doc.markers = c.markers;
    f.doc.view = c.view;
    f.doc.shown = c.shown;
    f.doc.visible_tags = {{2, u"/"}};
    f.list->tag_string_only_on = u"<w>";
    f.list->tag_string_only_off = u"</w>";
    TConcordanceEntry* line = AddTagged(f);
    line->OtherContextWords().Add({-11, 3, 0, 0});
    f.Add(u"an elephant", 3, 8);
    const UString text_before(line->Text());
    const TLinzoraEntryRecBase base_before = line->StreamBase();
    const TGrid_data_rec first = f.Cell(1);
    const TGrid_data_rec second = f.Cell(1);
    ExpectSameCell(first, second);
    EXPECT_EQ(line->Text(), text_before);
    const TLinzoraEntryRecBase base_after = line->StreamBase();
    EXPECT_EQ(std::memcmp(&base_before, &base_after, sizeof base_before), 0);
    ASSERT_EQ(line->TagPositions().Count(), 4);
    const int16_t positions[] = {0, 6, 11, 17};
    for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(line->TagPositions().Record(i).tag_position, positions[i]);
    EXPECT_EQ(first.text.substr(static_cast<size_t>(first.sw_start - 1), 3), u"dog");
  }
}

TEST(ConcordanceDisplay, PositionsOutsideTheLineAreClippedNotFollowed) {
  MarkerGuard guard;
  SetConc_SW_TXT_Marker(u"*");
  SetConc_Context_W_TXT_Marker(u"#");
  Fixture f;
  f.doc.padding = true;
  f.doc.markers = true;
  f.doc.hide_tags = true;
  f.doc.view = kLineViewSentence;
  // Midpoint beyond the text, words and tags before and after it, a hit far too wide.
  TConcordanceEntry* line = f.Add(u"a dog.", 4000, 1000000, {{45, -300, 20}, {49, 2, 500}, {55, 9000, 3}},
                                  {{-5, 3, 1}, {3, 30000, 2}, {200, 4, 1}});
  line->OtherContextWords().Add({-9000, 3, 0, 0});
  const TGrid_data_rec cell = f.Cell(1);
  EXPECT_LE(cell.text.size(), 8u + 32000u);
  for (const auto& p : cell.pieces) {
    EXPECT_GE(p.start, 0);
    EXPECT_LE(p.start + p.length, static_cast<int32_t>(cell.text.size()));
  }
  // The context word lies outside the line: no marker for it.
  EXPECT_EQ(cell.text.find(u'#'), UString::npos);
  // A word of the line cut away by the shown length gets no marker either.
  Fixture g;
  g.doc.markers = true;
  g.doc.shown = 8;
  TConcordanceEntry* cut = g.Add(u"big, big old dog ran", 13, 3);
  cut->OtherContextWords().Add({-13, 3, 0, 0});
  EXPECT_EQ(g.Cell(1).text, u"old *dog ");
}

// --- the Set column from the drawn cell -------------------------------------------------------------

TEST(ConcordanceDisplay, SearchWordHitsGoToTheSetColumnAsDrawn) {
  MarkerGuard guard;
  SetConc_SW_TXT_Marker(u"*");
  Fixture f;
  f.doc.hide_tags = true;
  f.doc.markers = true;
  AddTagged(f);
  f.Add(u"x \x19" u"b\x18 y", 2, 3);  // a search word of substitute characters
  f.list->CopySearchWordHitsToSetColumn();
  EXPECT_EQ(f.list->Line(0)->SetText(), u"dog");
  EXPECT_EQ(f.list->Line(1)->SetText(), u"<b>");
  EXPECT_EQ(f.Cell(2, 1).text, u"dog");
}

// A phrase read across a line end with indentation, CR LF, a tab or several blanks is longer in
// its text (hit_characters) than in its line, where the blanks were folded to one: the line shows
// and pads it as wide as it is in the line, and the Set column takes those characters alone.
TEST(ConcordanceDisplay, AHitShowsAsWideAsItIsInTheLine) {
  struct Case {
    const char* name;
    const char16_t* line;
    int32_t sw_start, in_text, in_line;
    const char16_t* hit;
  };
  const Case cases[] = {
      {"indented line end", u"Doch es ist ja nur", 5, 9, 6, u"es ist"},  // "es\n  ist"
      {"CR LF", u"the old man sat", 4, 8, 7, u"old man"},                 // "old\r\nman"
      {"no blanks folded", u"the old man sat", 4, 7, 7, u"old man"},
      {"a line of no word positions", u"the old man sat", 4, 7, 0, u"old man"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MarkerGuard guard;
    SetConc_SW_TXT_Marker(u"*");
    Fixture f;
    f.doc.markers = true;
    f.doc.padding = true;
    auto made = f.list->NewLine();
    made->SetText(UString(c.line));
    made->Data().midpoint = static_cast<int16_t>(c.sw_start);
    made->Data().hit_characters = c.in_text;
    made->Data().filename_num_original = 1;
    made->SetFixedWord(5, {0, static_cast<int16_t>(c.in_line), 0, 0});
    TConcordanceEntry* line = made.get();
    ASSERT_GE(f.list->Add(made.release()), 0);
    const int32_t width = static_cast<int32_t>(std::char_traits<char16_t>::length(c.hit));
    EXPECT_EQ(line->HitWidthInLine(), width);
    EXPECT_EQ(f.list->fFattest_hit, width);
    const TGrid_data_rec cell = f.Cell(1);
    EXPECT_EQ(cell.hit_width, width);
    EXPECT_EQ(cell.centre_length, width);
    EXPECT_EQ(cell.text.substr(static_cast<size_t>(cell.centre_start), static_cast<size_t>(width)), c.hit);
    f.list->CopySearchWordHitsToSetColumn();
    EXPECT_EQ(line->SetText(), c.hit);
  }
}

// The Set column takes a direct road for lines without mark-up; it must give what the drawn cell
// gives. Random lines: restored characters (0x01, 0x18, 0x19) and blanks at the ends, search words
// anywhere (also past the end and of no width), cut lengths, padding, tags on some lines, and
// each view and the markers.
TEST(ConcordanceDisplay, SearchWordInTheSetColumnIsTheDrawnOneForRandomLines) {
  MarkerGuard guard;
  SetConc_SW_TXT_Marker(u"*");
  std::mt19937 rng(11);
  const char16_t alphabet[] = {u'a', u'B', u' ', u' ', 0x01, 0x18, 0x19, u'.', u'<', u'>'};
  for (int round = 0; round < 300; ++round) {
    Fixture f;
    f.doc.shown = rng() % 3 == 0 ? 0 : 1 + static_cast<int32_t>(rng() % 30);
    f.doc.padding = rng() % 2;
    f.doc.hide_tags = rng() % 2;
    f.doc.markers = rng() % 10 == 0;
    f.doc.view = rng() % 10 == 0 ? static_cast<int>(1 + rng() % 2) : kLineViewWhole;
    f.list->tag_string_only_on = u"<";
    f.list->tag_string_only_off = u">";
    for (int i = 0; i < 12; ++i) {
      UString text;
      for (int k = static_cast<int>(rng() % 40); k > 0; --k) text.push_back(alphabet[rng() % std::size(alphabet)]);
      const int32_t size = static_cast<int32_t>(text.size());
      const int32_t sw = static_cast<int32_t>(rng() % static_cast<uint32_t>(size + 3));
      const int32_t hit = static_cast<int32_t>(rng() % 8);
      std::vector<Word> words;
      if (sw > 2) words.push_back({49, 0, std::min(sw, 2)});
      std::vector<Tag> tags;
      if (rng() % 5 == 0 && size > 2) tags.push_back({static_cast<int16_t>(rng() % size), 2, 1});
      TConcordanceEntry* line = f.Add(text, sw, hit, words, tags);
      // A search word that does not start at the midpoint.
      if (rng() % 3 == 0) line->Data().midpoint = static_cast<int16_t>(rng() % static_cast<uint32_t>(size + 1));
    }
    f.list->fFattest_hit = static_cast<int32_t>(rng() % 10);
    std::vector<UString> drawn;
    for (int i = 0; i < f.list->Count(); ++i) {
      const TGrid_data_rec cell = f.Cell(1, i + 1);
      TConcLineCell c;
      c.text = cell.text;
      c.sw_start_1based = cell.sw_start;
      c.hit_width = cell.hit_width;
      drawn.push_back(ConcLinein3Sections(c, &f.list->SortAndTagPosList, 0).centre);
    }
    f.list->last_LinzoraEntry = -1;
    f.list->CopySearchWordHitsToSetColumn();
    for (int i = 0; i < f.list->Count(); ++i)
      ASSERT_EQ(f.list->Line(i)->SetText(), drawn[static_cast<size_t>(i)])
          << "round " << round << " line " << i << " text \"" << Utf16ToUtf8(UString(f.list->Line(i)->Text())) << "\"";
    // The last line was drawn last, as a grid left after the copy expects.
    EXPECT_EQ(f.list->last_LinzoraEntry, f.list->Count() - 1);
  }
}

}  // namespace
