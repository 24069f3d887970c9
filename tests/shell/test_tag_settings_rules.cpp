#include "shell/settings/tag_settings_rules.h"

#include <gtest/gtest.h>

#include "model/reading/tag_lists.h"
#include "model/text_reader_test_support.h"
#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace {

class TagSettingsRulesTest : public testing::Test {
 protected:
  text_reader_test::ScopedSettings settings;
  TempFolder dir;
  ScopedHandOverFolder hand_over{dir.Path()};
};

TTagSettingsChoice Full() {
  TTagSettingsChoice c;
  c.markup_brackets = u"<> []";
  c.longest_tag = 500;
  c.keep = {u"<head> /description \"heading\"", u"<s*>", u"</s>", u"<media *> /play media"};
  c.exclude = {u"<note>*</note>"};
  c.entities = {u"&amp; &", u"&eacute; #233"};
  c.end_of_header = u"</teiHeader>;<body>";
  c.markers[1] = u"<s/>";
  c.markers[6] = u"<div*>";
  c.select_texts = true;
  c.texts_with = {u"<genre=news>"};
  c.texts_without = {u"<draft>", u"<private>"};
  c.parts_only = true;
  c.cut_line_start = kCutLineStartUpToTab;
  c.parts = {{u"<body>", u"</body>", false}, {u"<quote>", u"</quote>", true}};
  c.tag_treatment = 3;
  return c;
}

}  // namespace

TEST_F(TagSettingsRulesTest, WhatIsAppliedIsWhatTheDialogShowsAgain) {
  const TTagSettingsChoice c = Full();
  ASSERT_TRUE(ApplyTagSettings(c).empty());
  TTagSettingsChoice back = CurrentTagSettings();
  back.entities = c.entities;  // entities come back as their character (checked below)
  EXPECT_EQ(back, c);
  EXPECT_EQ(CurrentTagSettings().entities, (std::vector<UString>{u"&amp; &", u"&eacute; \u00e9"}));
}

// The stores the text readers look at: the list files with their counts and changed flags, the
// text settings' markers and the numbered selection slots.
TEST_F(TagSettingsRulesTest, TheReadersFindEveryFieldWhereTheyLook) {
  ASSERT_TRUE(ApplyTagSettings(Full()).empty());
  EXPECT_EQ(GetTagsWanted(), 4);
  EXPECT_EQ(GetTagsExcludeWanted(), 1);
  EXPECT_EQ(GetTagsTranslateWanted(), 2);
  EXPECT_TRUE(GetTagModified() && GetTagsExcludeModified() && GetTagTranslateModified());
  EXPECT_EQ(GetTextSettings().TagTreatment(), 3);  // where the word-list counter looks
  const uint32_t lcid = static_cast<uint32_t>(GetTextSettings().LCID());
  TTagsToKeepList keep(lcid, GetTextSettings().WindowsCodePage());
  ASSERT_TRUE(keep.LoadFromTempFile());
  ASSERT_EQ(keep.Count(), 4);
  EXPECT_TRUE(EndsWithU(keep.TempFilename(), u"tags_to_keep.dat"));
  EXPECT_EQ(keep.GetTagRec(0).description, u"heading");
  EXPECT_EQ(keep.GetTagRec(3).isMediaTag, 1);
  // "<s*>" and "</s>" pair up.
  EXPECT_EQ(keep.Partner(1), 2);
  EXPECT_EQ(keep.Partner(2), 1);
  TTagsToDeleteList exclude(lcid, GetTextSettings().WindowsCodePage());
  ASSERT_TRUE(exclude.LoadFromTempFile());
  EXPECT_EQ(exclude.GetTagRec(0).tag, u"<note>*</note>");
  TTagsToTranslateList entities(lcid, GetTextSettings().WindowsCodePage());
  ASSERT_TRUE(entities.LoadFromTempFile());
  EXPECT_EQ(entities.GetTranslateRec(1).short_form, u'\u00e9');

  const TIgnore_tag_type brackets = GetTextSettings().UnwantedTags();
  EXPECT_EQ(UString(brackets.openers, 3), (UString{u'<', u'[', 0}));
  EXPECT_EQ(UString(brackets.closers, 3), (UString{u'>', u']', 0}));
  EXPECT_EQ(GetIgnoreTagsSpan(), 500);
  EXPECT_EQ(GetEndOfTextHeader(), u"</teiHeader>;<body>");
  EXPECT_EQ(GetTextSettings().MarkerText(15), u"<s/>");
  EXPECT_EQ(GetTextSettings().MarkerText(20), u"<div*>");
  EXPECT_EQ(GetTextSettings().MarkerText(14), u"");
  EXPECT_TRUE(GetTextSelectAtAll());
  EXPECT_EQ(GetTextSelectAtAllString(1).Text(), u"<genre=news>");
  EXPECT_EQ(GetTextSelectAtAllString(2).Text(), u"");
  EXPECT_EQ(GetTextSelectAtAllString(13).Text(), u"<draft>");
  EXPECT_EQ(GetTextSelectAtAllString(14).Text(), u"<private>");
  EXPECT_TRUE(GetTextSelectingWithin());
  EXPECT_EQ(GetCutStartOfTextLine(), -2);
  EXPECT_EQ(GetTextSelectWithinContext(1).Text(), u"<body>");
  EXPECT_EQ(GetTextSelectWithinContext(2).Text(), u"</body>");
  EXPECT_EQ(SelectWithinTypeFromNumber(1), 1);
  EXPECT_EQ(GetTextSelectWithinContext(3).Text(), u"<quote>");
  EXPECT_EQ(SelectWithinTypeFromNumber(3), 2);
  EXPECT_EQ(GetTextSelectWithinContext(5).Text(), u"");
}

// Emptied lists are wanted no more (the readers then clear what they hold), and pairs given
// before and left out now are cleared from their slots.
TEST_F(TagSettingsRulesTest, EmptiedFieldsClearWhatWasStored) {
  ASSERT_TRUE(ApplyTagSettings(Full()).empty());
  SetTagModified(false);
  ASSERT_TRUE(ApplyTagSettings(TTagSettingsChoice()).empty());
  EXPECT_EQ(GetTagsWanted(), 0);
  EXPECT_EQ(GetTagsExcludeWanted(), 0);
  EXPECT_EQ(GetTagsTranslateWanted(), 0);
  EXPECT_TRUE(GetTagModified());
  EXPECT_EQ(GetTextSelectAtAllString(13).Text(), u"");
  EXPECT_EQ(GetTextSelectWithinContext(3).Text(), u"");
  EXPECT_EQ(GetTextSettings().MarkerText(15), u"");
  EXPECT_EQ(CurrentTagSettings(), TTagSettingsChoice());
}

// A colour given elsewhere stays with its tag while the tag stays in the list.
TEST_F(TagSettingsRulesTest, ATagKeepsItsColours) {
  ASSERT_TRUE(ApplyTagSettings(Full()).empty());
  const uint32_t lcid = static_cast<uint32_t>(GetTextSettings().LCID());
  {
    TTagsToKeepList keep(lcid, GetTextSettings().WindowsCodePage());
    ASSERT_TRUE(keep.LoadFromTempFile());
    TStoredTagRec r = keep.GetTagRec(0);
    r.foreground_colour = 0x0000FF;
    keep.PutTagRec(0, r);
    ASSERT_TRUE(keep.SavedToTempfile());
  }
  TTagSettingsChoice c = Full();
  c.keep.push_back(u"<p>");
  ASSERT_TRUE(ApplyTagSettings(c).empty());
  TTagsToKeepList keep(lcid, GetTextSettings().WindowsCodePage());
  ASSERT_TRUE(keep.LoadFromTempFile());
  ASSERT_EQ(keep.Count(), 5);
  EXPECT_EQ(keep.GetTagRec(0).foreground_colour, 0x0000FF);
  EXPECT_EQ(keep.GetTagRec(4).tag, u"<p>");
}

// Each bad value is refused with its field named, and nothing at all is written.
TEST_F(TagSettingsRulesTest, BadValuesAreRefusedByFieldAndNothingIsWritten) {
  struct Case {
    const char* what;
    void (*spoil)(TTagSettingsChoice&);
    const char16_t* named;
  };
  const Case cases[] = {
      {"bracket without its pair", [](TTagSettingsChoice& c) { c.markup_brackets = u"<> ["; }, u"Mark-up between"},
      {"bracket closing itself", [](TTagSettingsChoice& c) { c.markup_brackets = u"||"; }, u"Mark-up between"},
      {"seven pairs", [](TTagSettingsChoice& c) { c.markup_brackets = u"<> [] {} () ab cd ef"; }, u"Mark-up between"},
      {"no tag fits", [](TTagSettingsChoice& c) { c.longest_tag = 0; }, u"Longest tag: 0"},
      {"no such tag treatment", [](TTagSettingsChoice& c) { c.tag_treatment = 4; }, u"Tags in word lists: 4 is no choice"},
      {"negative tag treatment", [](TTagSettingsChoice& c) { c.tag_treatment = -1; }, u"Tags in word lists: -1"},
      {"tag without brackets", [](TTagSettingsChoice& c) { c.keep.push_back(u"head"); }, u"Tags to keep, line 5"},
      {"half a tag", [](TTagSettingsChoice& c) { c.keep[0] = u"<head /description \"x\""; }, u"Tags to keep, line 1"},
      {"span without its end", [](TTagSettingsChoice& c) { c.exclude = {u"<note>"}; }, u"Tags to exclude, line 1"},
      {"entity without replacement", [](TTagSettingsChoice& c) { c.entities.push_back(u"&nbsp;"); }, u"Entities, line 3"},
      {"entity number too big", [](TTagSettingsChoice& c) { c.entities[1] = u"&x; #70000"; }, u"Entities, line 2"},
      {"empty header marker", [](TTagSettingsChoice& c) { c.end_of_header = u"</teiHeader>;;<body>"; }, u"End of header: marker 2 is empty"},
      {"blank marker", [](TTagSettingsChoice& c) { c.markers[2] = u"  "; }, u"Paragraph start"},
      {"negative cut", [](TTagSettingsChoice& c) { c.cut_line_start = -3; }, u"Cut the start of each line"},
      {"cut too long", [](TTagSettingsChoice& c) { c.cut_line_start = 101; }, u"Cut the start of each line"},
      {"start without end", [](TTagSettingsChoice& c) { c.parts[1].end.clear(); }, u"Parts of texts, pair 2"},
      {"too many strings", [](TTagSettingsChoice& c) { c.texts_with.assign(13, u"x"); }, u"Texts containing"},
      {"string too long", [](TTagSettingsChoice& c) { c.texts_without[0] = UString(81, u'x'); }, u"Texts not containing"},
      {"choice with no string", [](TTagSettingsChoice& c) { c.texts_with.clear(); c.texts_without.clear(); }, u"Choose texts"},
  };
  for (const Case& k : cases) {
    TTagSettingsChoice c = Full();
    k.spoil(c);
    const std::vector<UString> problems = ApplyTagSettings(c);
    ASSERT_EQ(problems.size(), 1u) << k.what;
    EXPECT_NE(problems[0].find(k.named), UString::npos) << k.what << ": " << Utf16ToUtf8(problems[0]);
    EXPECT_EQ(CurrentTagSettings(), TTagSettingsChoice()) << k.what;
    EXPECT_EQ(GetTagsWanted(), 0) << k.what;
    EXPECT_FALSE(FileExists(TTagsToKeepList(0x0409, 1252).TempFilename())) << k.what;
  }
}

TEST(TagSettingsLines, BoxTextSplitsIntoTrimmedLines) {
  EXPECT_EQ(TrimmedLinesOf(u"  <p>\r\n\n<s> \n"), (std::vector<UString>{u"<p>", u"<s>"}));
  EXPECT_EQ(TrimmedLinesOf(u""), std::vector<UString>{});
  EXPECT_EQ(TextOfLines({u"<p>", u"<s>"}), u"<p>\n<s>");
  EXPECT_EQ(TrimmedLinesOf(TextOfLines({u"a", u"b c"})), (std::vector<UString>{u"a", u"b c"}));
}
