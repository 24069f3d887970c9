// The small dialogs' checks: typed numbers, the phrase frequency list, the relation column, the
// clipboard bytes, the language choice and the lemma-form grid.
#include <gtest/gtest.h>

#include <string>

#include "platform/rtl/files.h"
#include "shell/settings/small_dialog_rules.h"
#include "support/temp_folder.h"

namespace {

TEST(ValueAsInteger, WholeNumbersOnly) {
  const struct {
    const char16_t* text;
    int32_t value;
  } cases[] = {
      {u"12", 12},       {u"  7 ", 7},        {u"-3", -3},         {u"+4", 4},    {u"", -1},
      {u"abc", -1},      {u"1.5", -1},        {u"12a", -1},        {u"-", -1},    {u"2147483647", 2147483647},
      {u"2147483648", -1}, {u"99999999999999999999", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(ValueAsInteger(c.text), c.value) << Utf16ToUtf8(c.text);
}

TEST(CheckNumberInput, RefusesEmptyNonNumericAndOutOfRangeWithAMessage) {
  const struct {
    const char16_t* text;
    bool ok;
    const char16_t* message_part;
  } cases[] = {
      {u"", false, u"Please type a whole number from 1 to 10"},
      {u"   ", false, u"Please type"},
      {u"ten", false, u"\"ten\" is not a whole number"},
      {u"11", false, u"11 is out of range"},
      {u"0", false, u"0 is out of range"},
      {u"10", true, u""},
  };
  for (const auto& c : cases) {
    const TNumberInput r = CheckNumberInput(c.text, 1, 10);
    EXPECT_EQ(r.ok, c.ok) << Utf16ToUtf8(c.text);
    EXPECT_NE(r.message.find(c.message_part), UString::npos) << Utf16ToUtf8(r.message);
    if (c.ok) {
      EXPECT_TRUE(r.message.empty());
    }
  }
}

TEST(PhraseFrequencies, KnownUnknownAndNonNumericValues) {
  TPhraseFrequencies list{{u"in the=40", u"of the=abc", u"by the"}, -1};
  EXPECT_EQ(KnownFrequency(list, u"in the"), 40);
  EXPECT_EQ(list.selected, 0);
  EXPECT_EQ(KnownFrequency(list, u"of the"), 0);  // a value that is not a number counts as unknown
  EXPECT_EQ(list.selected, 1);
  EXPECT_EQ(KnownFrequency(list, u"by the"), 0);
  EXPECT_EQ(list.selected, 2);
  EXPECT_EQ(list.lines.size(), 3u);
  EXPECT_EQ(KnownFrequency(list, u"at the"), 0);  // new phrase: a line without a value
  EXPECT_EQ(list.lines.size(), 4u);
  EXPECT_EQ(list.lines[3], u"at the");
  EXPECT_EQ(list.selected, 3);
}

TEST(PhraseFrequencies, OkStoresTheValueAndBadValuesChangeNothing) {
  TPhraseFrequencies list{{u"in the=40"}, -1};
  KnownFrequency(list, u"in the");
  for (const char16_t* bad : {u"", u"forty", u"-1", u"1000001"}) {
    const TNumberInput r = StoreFrequency(list, u"in the", bad);
    EXPECT_FALSE(r.ok) << Utf16ToUtf8(bad);
    EXPECT_FALSE(r.message.empty());
    EXPECT_EQ(list.lines[0], u"in the=40");
  }
  EXPECT_TRUE(StoreFrequency(list, u"in the", u"55").ok);
  EXPECT_EQ(list.lines[0], u"in the=55");
  TPhraseFrequencies none{{u"x=1"}, -1};
  EXPECT_FALSE(StoreFrequency(none, u"x", u"2").ok);
  EXPECT_EQ(none.lines[0], u"x=1");
}

// The document keeps the relation column as a header index (16 by default); the list offers the
// headers from 15 on, so header 16 is the list's second entry.
TEST(RelationColumn, HeaderIndexBecomesListPositionWithinTheList) {
  const struct {
    int column, headers, index;
  } cases[] = {
      {16, 20, 1}, {15, 20, 0}, {19, 20, 4}, {31, 20, 4}, {3, 20, 0}, {-1, 20, 0}, {16, 15, -1}, {16, 10, -1}, {16, 16, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RelationColumnListIndex(c.column, c.headers), c.index) << c.column << " of " << c.headers;
  EXPECT_EQ(RelationHeaderOfListIndex(1), 16);
  EXPECT_EQ(RelationHeaderOfListIndex(-1), -1);
  // round trip: the default column comes back as it went
  EXPECT_EQ(RelationHeaderOfListIndex(RelationColumnListIndex(16, 30)), 16);
}

TEST(ClipboardChecks, ItemsMapToTheirBytesAndTheRestPassesThrough) {
  TClipboardSettingsRec rec{};
  for (int i = 0; i < 24; ++i) rec.bytes[i] = static_cast<uint8_t>(0xA0 + i);
  PutClipboardChecks(rec, {true, false, false, true});  // picture, heading row
  EXPECT_EQ(rec.bytes[0], 0);  // editable text
  EXPECT_EQ(rec.bytes[1], 1);  // picture
  EXPECT_EQ(rec.bytes[2], 1);  // heading row
  EXPECT_EQ(rec.bytes[3], 0);  // number column
  for (int i = 4; i < 24; ++i) EXPECT_EQ(rec.bytes[i], 0xA0 + i);
  const auto checks = ClipboardChecksOf(rec);
  EXPECT_EQ(checks, (std::array<bool, 4>{true, false, false, true}));
  EXPECT_FALSE(ClipboardCharactersEnabled(checks));
  EXPECT_TRUE(ClipboardCharactersEnabled({false, true, false, false}));
}

TEST(LanguageAlternatives, SplitAndSelect) {
  const auto alts = SplitAtTabs(u"English\tPortuguese\t\tGerman");
  ASSERT_EQ(alts.size(), 3u);
  EXPECT_EQ(alts[2], u"German");
  EXPECT_EQ(LanguageAlternativeIndex(alts, u"Portuguese"), 1);
  EXPECT_EQ(LanguageAlternativeIndex(alts, u"French"), -1);
  EXPECT_EQ(LanguageAlternativeIndex({}, u"English"), -1);
  EXPECT_TRUE(SplitAtTabs(u"").empty());
}

TEST(FilenameSearchLabel, FollowsTheChoice) {
  EXPECT_EQ(FilenameSearchLabel(true, 1), u"filename");
  EXPECT_EQ(FilenameSearchLabel(true, 0), u"path to the file");
  EXPECT_EQ(FilenameSearchLabel(false, 1), u"path and filename");
}

// The set-column editor's history: newest first, each value once, at most twenty, kept over a
// damaged file, and a file that cannot be written is left as it was.
TEST(SetValueHistory, NewestFirstOnceEachAndBounded) {
  TempFolder dir;
  const UString file = dir.Path() + u"set_history.txt";
  EXPECT_TRUE(ReadSetValueHistory(file).empty());  // none yet
  for (const char16_t* v : {u"noun", u"verb", u"noun", u"", u"two\nlines", u"adj"}) ASSERT_TRUE(KeepSetValueInHistory(file, v));
  EXPECT_EQ(ReadSetValueHistory(file), (std::vector<UString>{u"adj", u"noun", u"verb"}));
  for (int i = 0; i < 30; ++i) ASSERT_TRUE(KeepSetValueInHistory(file, u"v" + IntToUStr(i)));
  const std::vector<UString> kept = ReadSetValueHistory(file);
  ASSERT_EQ(kept.size(), kSetHistoryMost);
  EXPECT_EQ(kept.front(), u"v29");
  EXPECT_EQ(kept.back(), u"v10");

  // Binary bytes and a huge file give no history, and the next value starts a fresh one.
  const UString binary = dir.Write(u"binary.txt", std::string("\0\0\x01\x02\0", 5));
  EXPECT_TRUE(ReadSetValueHistory(binary).empty());
  ASSERT_TRUE(KeepSetValueInHistory(binary, u"noun"));
  EXPECT_EQ(ReadSetValueHistory(binary), std::vector<UString>{u"noun"});
  const UString huge = dir.Write(u"huge.txt", std::string(200 * 1024, 'x'));
  EXPECT_TRUE(ReadSetValueHistory(huge).empty());

  // A missing folder: nothing written, nothing made.
  const UString nowhere = dir.Path() + u"missing/set_history.txt";
  EXPECT_FALSE(KeepSetValueInHistory(nowhere, u"noun"));
  EXPECT_FALSE(FileExists(nowhere));
}

TEST(LemmaForms, CellsAndSorting) {
  std::vector<TLemmaForm> forms{{u"goes", 5}, {u"go", 12}, {u"went", 5}};
  EXPECT_EQ(LemmaFormCell(forms, 0, 0), u"");
  EXPECT_EQ(LemmaFormCell(forms, 0, 1), u"goes");
  EXPECT_EQ(LemmaFormCell(forms, 1, 2), u"12");
  EXPECT_EQ(LemmaFormCell(forms, 0, 4), u"");
  SortLemmaForms(forms, 1, true);
  EXPECT_EQ(forms[0].form, u"go");
  EXPECT_EQ(forms[1].form, u"went");  // ties by form, descending
  SortLemmaForms(forms, 0, false);
  EXPECT_EQ(forms[0].form, u"go");
  EXPECT_EQ(forms[2].form, u"went");
}

}  // namespace
