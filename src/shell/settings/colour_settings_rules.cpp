#include "shell/settings/colour_settings_rules.h"

#include "model/reading/tag_lists.h"
#include "platform/settings/settings_access.h"

namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

void Check(std::vector<UString>& problems, const UString& field, const UString& text, uint32_t& bgr) {
  if (!ColourOfText(text, bgr)) problems.push_back(field + u": \"" + text + u"\" is not a colour (#RRGGBB or a colour's name)");
}

TTagsToKeepList KeepList() {
  return TTagsToKeepList(static_cast<uint32_t>(GetTextSettings().LCID()), GetTextSettings().WindowsCodePage());
}

struct TWordColourRow {
  int32_t record;
  const char16_t* caption;
};
// Record 1 colours nothing in the lines, and record 4 a middle word that is not the search word,
// which a line never has.
constexpr TWordColourRow kWordColourRows[] = {
    {3, u"Search word; a word after its tag"},
    {5, u"Words left of the search word"},
    {6, u"Words right of the search word"},
    {7, u"Highlighted collocates"},
    {2, u"Tags without a colour of their own"},
    {0, u"Other marks"},
};

}  // namespace

const std::vector<int32_t>& ShownWordColourRecords() {
  static const std::vector<int32_t> records = [] {
    std::vector<int32_t> r;
    for (const TWordColourRow& row : kWordColourRows) r.push_back(row.record);
    return r;
  }();
  return records;
}

UString WordColourCaption(int32_t record) {
  for (const TWordColourRow& row : kWordColourRows)
    if (row.record == record) return row.caption;
  return {};
}

UString ColourText(uint32_t bgr) {
  static const char16_t* const kHex = u"0123456789ABCDEF";
  const uint32_t rgb = ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
  UString s = u"#";
  for (int shift = 20; shift >= 0; shift -= 4) s += kHex[(rgb >> shift) & 0xF];
  return s;
}

bool ColourOfText(UStringView text, uint32_t& bgr) {
  const UString t = TrimU(text);
  if (t.size() == 7 && t[0] == u'#') {
    uint32_t rgb = 0;
    for (size_t i = 1; i < 7; ++i) {
      const int d = HexDigit(t[i]);
      if (d < 0) return false;
      rgb = (rgb << 4) | static_cast<uint32_t>(d);
    }
    bgr = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    return true;
  }
  int32_t named = 0;
  if (t.empty() || t[0] == u'#' || !TagColourFromName(t, named)) return false;
  bgr = static_cast<uint32_t>(named) & 0xFFFFFF;
  return true;
}

TColourSettingsChoice CurrentColourSettings(int32_t style) {
  TColourSettingsChoice c;
  c.style = style;
  for (const int32_t record : ShownWordColourRecords()) {
    const TWordHandlingColourRec r = GetWordHandling4ColourRecAndTypeface(style, record);
    c.words.push_back({record, ColourText(static_cast<uint32_t>(r.Foreground()) & 0xFFFFFF),
                       IsOKColour(r.Background()) ? ColourText(static_cast<uint32_t>(r.Background())) : UString()});
  }
  c.colour_percentages = GetShouldColourPercentages();
  c.at_zero = ColourText(GetAPercentageColour(0));
  c.at_hundred = ColourText(GetAPercentageColour(100));
  c.show_descriptions = GetTagPreferences().ShowDescriptions();
  if (GetTagsWanted() > 0) {
    TTagsToKeepList keep = KeepList();
    keep.LoadFromTempFile();
    for (int32_t i = 0; i < keep.Count(); ++i) {
      const TStoredTagRec r = keep.GetTagRec(i);
      c.tags.push_back({r.tag, ColourText(static_cast<uint32_t>(r.foreground_colour)),
                        ColourText(static_cast<uint32_t>(r.background_colour))});
    }
  }
  return c;
}

std::vector<UString> ApplyColourSettings(const TColourSettingsChoice& c) {
  std::vector<UString> problems;
  uint32_t at_zero = 0, at_hundred = 0;
  Check(problems, u"Colour of 0 %", c.at_zero, at_zero);
  Check(problems, u"Colour of 100 %", c.at_hundred, at_hundred);
  std::vector<std::pair<uint32_t, uint32_t>> tag_colours(c.tags.size());
  for (size_t i = 0; i < c.tags.size(); ++i) {
    Check(problems, u"Tag " + c.tags[i].tag + u", text colour", c.tags[i].text_colour, tag_colours[i].first);
    Check(problems, u"Tag " + c.tags[i].tag + u", background", c.tags[i].background, tag_colours[i].second);
  }
  std::vector<std::pair<uint32_t, int32_t>> word_colours(c.words.size());  // text, background (-1 none)
  for (size_t i = 0; i < c.words.size(); ++i) {
    const TWordColourChoice& w = c.words[i];
    const UString field = WordColourCaption(w.record);
    if (field.empty()) {
      problems.push_back(u"Word colours: " + IntToUStr(w.record) + u" is no colour of the lines");
      continue;
    }
    Check(problems, field + u", text colour", w.text_colour, word_colours[i].first);
    word_colours[i].second = -1;
    uint32_t back = 0;
    if (!TrimU(w.background).empty()) {
      Check(problems, field + u", background", w.background, back);
      word_colours[i].second = static_cast<int32_t>(back);
    }
  }
  if (!problems.empty()) return problems;
  if (!c.tags.empty()) {
    TTagsToKeepList keep = KeepList();
    keep.LoadFromTempFile();
    for (int32_t i = 0; i < keep.Count() && static_cast<size_t>(i) < c.tags.size(); ++i) {
      TStoredTagRec r = keep.GetTagRec(i);
      if (r.tag != c.tags[static_cast<size_t>(i)].tag) continue;
      r.foreground_colour = static_cast<int32_t>(tag_colours[static_cast<size_t>(i)].first);
      r.background_colour = static_cast<int32_t>(tag_colours[static_cast<size_t>(i)].second);
      keep.PutTagRec(i, r);
    }
    if (!keep.SavedToTempfile()) return {u"Tag colours: the list of tags to keep cannot be saved in the hand-over folder"};
    SetTagModified(true);
  }
  for (size_t i = 0; i < c.words.size(); ++i) {
    // The typeface stays as the style has it.
    TWordHandlingColourRec r = GetWordHandling4ColourRecAndTypeface(c.style, c.words[i].record);
    r.SetForeground(static_cast<int32_t>(word_colours[i].first));
    r.SetBackground(word_colours[i].second);
    SetWordHandling4ColourRecAndTypeface(c.style, c.words[i].record, r);
  }
  SetShouldColourPercentages(c.colour_percentages);
  SetPercentageColours(at_zero, at_hundred);
  TTagPreferencesRec preferences = GetTagPreferences();
  preferences.SetShowDescriptions(c.show_descriptions);
  SetTagPreferences(preferences);
  return problems;
}
