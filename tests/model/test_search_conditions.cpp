// Conditions on columns: the seek-kind table, the requirement text, identity, the preparation of
// a search record and the list's row test with its find, delete and colour actions.
#include <gtest/gtest.h>

#include <random>

#include "model/lists/grid_headings.h"
#include "model/lists/search_conditions.h"
#include "platform/search/search_engine.h"
#include "platform/search/search_items.h"
#include "support/fault_rounds.h"
#include "support/table_test_list.h"

namespace {

TSearchRequirement Req(int column, uint8_t seek, UStringView x, uint8_t type = kDataText) {
  TSearchRequirement r;
  r.data_column = column;
  r.seek = seek;
  r.text1 = UString(x);
  r.data_type = type;
  r.valid = seek != kSeekNone;
  PrepareRequirement(r);
  return r;
}

TDoubleSearchCategoryRec One(const TSearchRequirement& r) {
  TDoubleSearchCategoryRec rec;
  rec.req[0] = r;
  return rec;
}

// Only the mask's "*" and "?" are wild; in the text they are characters like any other.
TEST(SearchConditions, WildcardMatchTakesWildcardsFromTheMaskOnly) {
  struct TCase {
    const char16_t* text;
    const char16_t* mask;
    bool match;
  } cases[] = {
      {u"a*b", u"a*", true},   {u"a*b", u"a*b", true}, {u"a*", u"a*", true},   {u"a*b", u"a?b", true},
      {u"a?b", u"a*", true},   {u"a?", u"a?", true},   {u"a*", u"a", false},   {u"ab", u"a*b", true},
      {u"*", u"?", true},      {u"**", u"*", true},    {u"*a*", u"*a", false}, {u"x*y*z", u"*y*", true},
      {u"", u"*", true},       {u"", u"?", false},     {u"abc", u"a*c*", true}, {u"a*b", u"*b", true},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(WildcardMatch(c.text, c.mask), c.match) << Utf16ToUtf8(c.text) << " against " << Utf16ToUtf8(c.mask);
}

// The plain recursive reading of a mask, to check the matcher against.
bool SlowWildcardMatch(UStringView t, UStringView m) {
  if (m.empty()) return t.empty();
  if (m[0] == u'*') return SlowWildcardMatch(t, m.substr(1)) || (!t.empty() && SlowWildcardMatch(t.substr(1), m));
  return !t.empty() && (m[0] == u'?' || m[0] == t[0]) && SlowWildcardMatch(t.substr(1), m.substr(1));
}

// Texts and masks made of a few letters and both wildcards: the matcher agrees with the slow one.
TEST(SearchConditionsFuzz, WildcardMatchAgreesWithThePlainReading) {
  std::mt19937 rng(122);
  const char16_t letters[] = {u'a', u'b', u'*', u'?'};
  auto make = [&](size_t most) {
    UString s;
    for (size_t n = rng() % (most + 1); n > 0; --n) s += letters[rng() % 4];
    return s;
  };
  const int rounds = FaultRounds(4) * 2500;
  for (int i = 0; i < rounds; ++i) {
    const UString text = make(8), mask = make(6);
    ASSERT_EQ(WildcardMatch(text, mask), SlowWildcardMatch(text, mask))
        << Utf16ToUtf8(text) << " against " << Utf16ToUtf8(mask);
  }
}

TEST(SearchConditions, InputsShownBySeekKind) {
  struct TCase {
    uint8_t seek;
    bool x, y, other, word;
  } cases[] = {
      {0, false, false, false, false},  {1, true, false, true, false},  {2, true, false, false, false},
      {4, true, true, false, false},    {5, true, false, true, false},  {6, true, false, true, false},
      {7, true, false, false, false},   {8, true, false, false, true},  {13, true, false, false, true},
      {14, true, false, false, false},  {16, true, false, false, false}, {17, false, false, false, false},
      {22, false, false, false, false},
  };
  for (const TCase& c : cases) {
    const TSeekInputs in = InputsOfSeekKind(c.seek);
    EXPECT_EQ(in.x, c.x) << int(c.seek);
    EXPECT_EQ(in.y, c.y) << int(c.seek);
    EXPECT_EQ(in.other_column, c.other) << int(c.seek);
    EXPECT_EQ(in.second_word, c.word) << int(c.seek);
  }
}

TEST(SearchConditions, CaptionsPerDataTypeWithPlaceholdersReplaced) {
  struct TCase {
    uint8_t seek, type;
    int words;
    const char* want;
  } cases[] = {
      {1, kDataText, 5, "is exactly X"},
      {1, kDataNumber, 5, "= X"},
      {2, kDataNumber, 5, ""},
      {4, kDataNumber, 5, "lies between X and Y"},
      {8, kDataText, 7, "holds X within 7 words of W"},
      {13, kDataText, 3, "holds X without W within 3 words after it"},
      {17, kDataNumber, 5, "is empty"},
  };
  for (const TCase& c : cases) EXPECT_EQ(Utf16ToUtf8(ConditionCaption(c.seek, c.type, c.words)), c.want);
  EXPECT_EQ(SeekKindsOffered(kDataNumber).size(), 11u);  // 0, 1, 4, 5, 6, 17-22
  EXPECT_EQ(SeekKindsOffered(kDataText).size(), 23u);
}

TEST(SearchConditions, RequirementTextAndIdentity) {
  TSearchRequirement a = Req(1, kSeekBetween, u"b");
  a.text2 = u"d";
  a.column_name = u"Word";
  EXPECT_EQ(Utf16ToUtf8(SearchRequirementToText(a)), "'Word' lies alphabetically between 'b' and 'd'");
  a.opposite = true;
  EXPECT_EQ(Utf16ToUtf8(SearchRequirementToText(a)), "'Word' does not satisfy: lies alphabetically between 'b' and 'd'");
  TSearchRequirement b = a;
  EXPECT_TRUE(IdenticalSearchRequirements(a, b));
  b.text2 = u"e";
  EXPECT_FALSE(IdenticalSearchRequirements(a, b));
  // Texts a kind does not use make no difference.
  TSearchRequirement c = Req(3, kSeekEmpty, u"x"), d = Req(3, kSeekEmpty, u"y");
  EXPECT_TRUE(IdenticalSearchRequirements(c, d));
  d.data_column = 4;
  EXPECT_FALSE(IdenticalSearchRequirements(c, d));
}

TEST(SearchConditions, RecordPreparation) {
  struct TCase {
    const char16_t* typed;
    uint8_t seek;
    const char* prepared;
    uint8_t flags;
    bool number;
  } cases[] = {
      {u"cat", kSeekContains, "CAT", 0, false},
      {u"==Cat==", kSeekContains, "Cat", kSWFlagCaseSensitive, false},
      {u"walk*", kSeekEquals, "WALK*", kSWFlagTrailingWildcard, false},
      {u"*ing", kSeekEndsWith, "*ING", kSWFlagLeadingWildcard, false},
      {u"2,5", kSeekGreater, "2,5", 0, true},
  };
  for (const TCase& c : cases) {
    TSearchRequirement r = Req(1, c.seek, c.typed);
    EXPECT_EQ(Utf16ToUtf8(r.prepared1), c.prepared);
    EXPECT_EQ(r.flags[0], c.flags);
    EXPECT_EQ(r.has_number1, c.number);
  }
  // Every proximity kind prepares its second word (the negative ones too).
  for (uint8_t seek = kSeekNear; seek <= kSeekNotNearRight; ++seek) {
    TSearchRequirement r;
    r.seek = seek;
    r.text1 = u"x";
    r.second_word = u"walk";
    PrepareRequirement(r);
    EXPECT_EQ(Utf16ToUtf8(r.prepared_word), "WALK") << int(seek);
  }
}

class ConditionsOnList : public testing::Test {
 protected:
  void SetUp() override {
    list.AddRow(u"cat", u"the black cat sat on the mat", 4, 2, u"a.txt");
    list.AddRow(u"Cat", u"a cat and a dog", 9, 3, u"b.txt");
    list.AddRow(u"dog", u"the dog ran off", 16, 4, u"a.txt");
    list.AddRow(u"catalogue", u"cats in the catalogue", 25, 5, u"b.txt");
    EnsureGridHeadings(list);
  }
  TTableList list;
};

TEST_F(ConditionsOnList, RowTestByKind) {
  struct TCase {
    TSearchRequirement r;
    std::vector<bool> want;
  } cases[] = {
      {Req(1, kSeekEquals, u"cat"), {true, true, false, false}},
      {Req(1, kSeekEquals, u"==cat=="), {true, false, false, false}},
      {Req(1, kSeekEquals, u"cat*"), {true, true, false, true}},
      {Req(2, kSeekContains, u"cat"), {true, true, false, false}},
      {Req(2, kSeekContains, u"cat*"), {true, true, false, true}},
      {Req(1, kSeekBeginsWith, u"cata"), {false, false, false, true}},
      {Req(1, kSeekEndsWith, u"og"), {false, false, true, false}},
      {Req(3, kSeekGreater, u"8.5", kDataNumber), {false, true, true, true}},
      {Req(3, kSeekLess, u"9", kDataNumber), {true, false, false, false}},
      {Req(3, kSeekEquals, u"16", kDataNumber), {false, false, true, false}},
      {Req(1, kSeekLongerThan, u"3"), {false, false, false, true}},
      {Req(2, kSeekHoldsPart, u"ats"), {false, false, false, true}},
      {Req(1, kSeekEmpty, u""), {false, false, false, false}},
  };
  for (const TCase& c : cases)
    for (int i = 0; i < list.Count(); ++i)
      EXPECT_EQ(list.RowMeetsCondition(i, One(c.r)), c.want[static_cast<size_t>(i)])
          << "seek " << int(c.r.seek) << " " << Utf16ToUtf8(c.r.text1) << " row " << i;
  TSearchRequirement between = Req(3, kSeekBetween, u"9", kDataNumber);
  between.text2 = u"16";
  PrepareRequirement(between);
  EXPECT_TRUE(list.RowMeetsCondition(1, One(between)));
  EXPECT_TRUE(list.RowMeetsCondition(2, One(between)));
  EXPECT_FALSE(list.RowMeetsCondition(3, One(between)));
  // Another column instead of X: A greater than B in every row.
  TSearchRequirement other = Req(3, kSeekGreater, u"", kDataNumber);
  other.use_other_column = true;
  other.other_column = 4;
  EXPECT_TRUE(list.RowMeetsCondition(0, One(other)));
}

TEST_F(ConditionsOnList, ProximityInWords) {
  auto near = [&](uint8_t seek, const char16_t* x, const char16_t* w, int n) {
    TSearchRequirement r = Req(2, seek, x);
    r.second_word = w;
    r.n_words = n;
    PrepareRequirement(r);
    return r;
  };
  struct TCase {
    TSearchRequirement r;
    bool row0;  // "the black cat sat on the mat"
  } cases[] = {
      {near(kSeekNear, u"cat", u"mat", 4), true},
      {near(kSeekNear, u"cat", u"mat", 3), false},
      {near(kSeekNearLeft, u"black", u"cat", 1), true},   // black before cat
      {near(kSeekNearRight, u"black", u"cat", 1), false},
      {near(kSeekNearRight, u"sat", u"cat", 1), true},
      {near(kSeekNotNear, u"cat", u"mat", 3), true},
      {near(kSeekNotNear, u"cat", u"sat", 3), false},
      {near(kSeekNotNearLeft, u"cat", u"black", 2), false},  // black stands before cat
  };
  for (const TCase& c : cases) EXPECT_EQ(list.RowMeetsCondition(0, One(c.r)), c.row0) << int(c.r.seek);
}

TEST_F(ConditionsOnList, AndOrButNot) {
  const TSearchRequirement cat = Req(1, kSeekEquals, u"cat"), a_file = Req(5, kSeekEquals, u"a.txt");
  struct TCase {
    uint8_t link;
    std::vector<bool> want;
  } cases[] = {
      {kLinkAnd, {true, false, false, false}},
      {kLinkOr, {true, true, true, false}},
      {kLinkButNot, {false, true, false, false}},
      {kLinkAnd2, {true, false, false, false}},
  };
  for (const TCase& c : cases) {
    TDoubleSearchCategoryRec rec = One(cat);
    rec.req[1] = a_file;
    rec.link = c.link;
    for (int i = 0; i < list.Count(); ++i)
      EXPECT_EQ(list.RowMeetsCondition(i, rec), c.want[static_cast<size_t>(i)]) << int(c.link) << " row " << i;
  }
  // An additional requirement that is not valid is left out.
  TDoubleSearchCategoryRec rec = One(cat);
  rec.req[1] = a_file;
  rec.req[1].valid = false;
  rec.link = kLinkAnd;
  EXPECT_TRUE(list.RowMeetsCondition(1, rec));
  rec.text_version[0] = u"X";
  rec.text_version[1] = u"Y";
  EXPECT_EQ(Utf16ToUtf8(ConditionLine(rec, 1)), "if X");
  rec.req[1].valid = true;
  rec.link = kLinkButNot;
  EXPECT_EQ(Utf16ToUtf8(ConditionLine(rec, 1)), "if X but not Y");
}

TEST_F(ConditionsOnList, FindNextBothWaysVisitsTheRowNextToAHit) {
  // Rows: match, match, no, match.
  std::vector<TDoubleSearchCategoryRec> recs = {One(Req(2, kSeekContains, u"cat*"))};
  auto next = [&](int start, bool up) { return list.CheckAllForCondition(recs, start, 170, true, up).hit_row; };
  // Down: each search starts at the stored position (one past the last hit).
  EXPECT_EQ(next(0, false), 0);
  EXPECT_EQ(next(1, false), 1);
  EXPECT_EQ(next(2, false), 3);
  EXPECT_EQ(next(4, false), -1);
  // Up: from the last row, each search starts one before the last hit.
  EXPECT_EQ(next(3, true), 3);
  EXPECT_EQ(next(2, true), 1);
  EXPECT_EQ(next(0, true), 0);
  EXPECT_EQ(next(-1, true), -1);
  const TConditionOutcome all = list.CheckAllForCondition(recs, 0, 170, false, false);
  EXPECT_EQ(all.hits, 3);
  EXPECT_EQ(all.hit_row, 0);
  EXPECT_EQ(all.rows, (std::vector<int32_t>{0, 1, 3}));
}

// What a requirement's inputs must be for its column: the field is named, the column too.
TEST(SearchConditions, InputsThatDoNotFitTheColumnAreNamed) {
  struct TCase {
    uint8_t seek, type;
    const char16_t *x, *y, *w;
    bool other_column;
    const char16_t* said;  // part of the answer; nullptr: fits
  } cases[] = {
      {kSeekBetween, kDataNumber, u"federal", u"", u"", false, u"X: 'federal' is not a number, and the column 'paragraph %'"},
      {kSeekBetween, kDataNumber, u"1", u"", u"", false, u"Y is empty"},
      {kSeekBetween, kDataNumber, u"1", u"2.5", u"", false, nullptr},
      {kSeekBetween, kDataNumber, u"1", u"2,5", u"", false, nullptr},
      {kSeekGreater, kDataNumber, u"", u"", u"", true, nullptr},  // the other column's value instead
      {kSeekGreater, kDataNumber, u" 7 ", u"", u"", false, nullptr},
      {kSeekEquals, kDataNumber, u"1e999", u"", u"", false, u"is not a number"},
      {kSeekBetween, kDataText, u"a", u"", u"", false, u"Y is empty"},
      {kSeekBetween, kDataText, u"a", u"m", u"", false, nullptr},
      {kSeekLongerThan, kDataText, u"long", u"", u"", false, u"X: 'long' is not a whole number"},
      {kSeekShorterThan, kDataText, u"2.5", u"", u"", false, u"not a whole number"},
      {kSeekShorterThan, kDataText, u"-1", u"", u"", false, u"not a whole number"},
      {kSeekShorterThan, kDataText, u"12", u"", u"", false, nullptr},
      {kSeekContains, kDataText, u"  ", u"", u"", false, u"X is empty"},
      {kSeekNear, kDataText, u"river", u"", u"", false, u"W is empty"},
      {kSeekNear, kDataText, u"river", u"", u"bank", false, nullptr},
      {kSeekEmpty, kDataNumber, u"", u"", u"", false, nullptr},
      {kSeekMarked, kDataText, u"", u"", u"", false, nullptr},
  };
  for (const TCase& c : cases) {
    TSearchRequirement r;
    r.seek = c.seek;
    r.data_type = c.type;
    r.column_name = u"paragraph %";
    r.text1 = c.x;
    r.text2 = c.y;
    r.second_word = c.w;
    r.use_other_column = c.other_column;
    const UString why = RequirementInputProblem(r);
    if (!c.said) {
      EXPECT_TRUE(why.empty()) << int(c.seek) << " " << Utf16ToUtf8(why);
      continue;
    }
    EXPECT_NE(why.find(c.said), UString::npos) << int(c.seek) << " " << Utf16ToUtf8(why);
  }
}

TEST_F(ConditionsOnList, DeleteIfIsUndoableAndColoursSortAndClear) {
  std::vector<TDoubleSearchCategoryRec> del = {One(Req(1, kSeekEquals, u"cat"))};
  const TConditionOutcome out = list.CheckAllForCondition(del, 0, 85, false, false);
  EXPECT_EQ(out.hits, 2);
  EXPECT_TRUE(list.GetDeleted(0) && list.GetDeleted(1) && !list.GetDeleted(2));
  ASSERT_TRUE(list.Undo());
  EXPECT_FALSE(list.GetDeleted(0) || list.GetDeleted(1));

  TDoubleSearchCategoryRec red = One(Req(5, kSeekEquals, u"b.txt")), blue = One(Req(1, kSeekEquals, u"dog"));
  red.req[0].colour = 0x0000FF;
  blue.req[0].colour = 0xFF0000;
  std::vector<TDoubleSearchCategoryRec> colours = {red, blue};
  EXPECT_EQ(list.CheckAllForCondition(colours, 0, 194, false, false).hits, 3);
  EXPECT_EQ(colours[0].req[0].hits, 2);
  EXPECT_EQ(colours[1].req[0].hits, 1);
  EXPECT_EQ(list.ColourCategoryOf(0), kNoColourCategory);
  EXPECT_EQ(list.ColourCategoryOf(1), 0x0000FFu);
  EXPECT_EQ(list.ColourCategoryOf(2), 0xFF0000u);
  ASSERT_TRUE(list.SortOnColourCategory({0xFF0000, 0x0000FF}));
  EXPECT_EQ(Utf16ToUtf8(list.Row(0)->word), "dog");
  EXPECT_EQ(Utf16ToUtf8(list.Row(1)->word), "Cat");
  EXPECT_EQ(Utf16ToUtf8(list.Row(3)->word), "cat");
  EXPECT_EQ(list.ClearColourCategoryColours(), 3);
  EXPECT_EQ(list.ColourCategoryOf(0), kNoColourCategory);
}

TEST_F(ConditionsOnList, AColumnGoneSinceTheSearchWasMadeIsNamedAndNothingIsDone) {
  TSearchRequirement r = Req(1005, kSeekEquals, u"x");
  r.column_name = u"COL(\"A\") * 2";
  std::vector<TDoubleSearchCategoryRec> recs = {One(r)};
  const TConditionOutcome out = list.CheckAllForCondition(recs, 0, 85, false, false);
  EXPECT_EQ(out.hits, 0);
  EXPECT_NE(Utf16ToUtf8(out.problem).find("COL(\"A\") * 2"), std::string::npos);
  EXPECT_EQ(list.UndoDepth(), 0u);
  // The column is there but its heading is another one now.
  TSearchRequirement renamed = Req(1, kSeekEquals, u"cat");
  renamed.column_name = u"Lemma";
  std::vector<TDoubleSearchCategoryRec> recs2 = {One(renamed)};
  EXPECT_FALSE(list.CheckAllForCondition(recs2, 0, 170, false, false).problem.empty());
}

}  // namespace

namespace {

TEST(SearchConditions, QuickLookBeforeTheEngineNeverHidesAHit) {
  struct TCase {
    const char16_t* text;
    const char16_t* item;
    bool may;
  } cases[] = {
      {u"the cat sat", u"cat", true},     {u"the dog ran", u"cat", false},  {u"THE CAT", u"cat", true},
      {u"walking home", u"walk*", true},  {u"talking", u"*alk*", true},     {u"", u"cat", false},
      {u"x <b>c</b>at", u"cat", true},    {u"na\u00EFve cat", u"zebra", true}, {u"dog", u"cat/dog", true},
      {u"dog", u"==cat==", true},         {u"a-b c", u"ab", false},         {u"it's a cat's", u"cats", false},
  };
  for (const TCase& c : cases) EXPECT_EQ(TextMayHoldItem(c.text, c.item), c.may) << Utf16ToUtf8(c.text) << " / " << Utf16ToUtf8(c.item);
  // Against the engine itself: whatever it finds, the quick look lets through.
  const char16_t* texts[] = {u"the cat sat", u"Cats, cat's and CAT.", u"walk walked walking sidewalk", u"dog-cat (cat)",
                             u"a  b", u"12 cats", u"catalogue"};
  const char16_t* items[] = {u"cat", u"cat*", u"*cat", u"walk*", u"walking", u"cats", u"12", u"sidewalk", u"c?t"};
  TSearchAndDoEngine engine(true, true, TSearchTextOptions());
  for (const char16_t* t : texts)
    for (const char16_t* i : items) {
      UString buffer = t;
      buffer += u' ';
      if (engine.QuickSearchFoundIgnoringTags(buffer, TBaseSearchItems::MakeItem(i))) {
        EXPECT_TRUE(TextMayHoldItem(t, i)) << Utf16ToUtf8(t) << " / " << Utf16ToUtf8(i);
      }
    }
}

}  // namespace
