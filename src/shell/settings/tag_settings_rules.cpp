#include "shell/settings/tag_settings_rules.h"

#include <algorithm>
#include <type_traits>

#include "model/reading/chosen_texts.h"
#include "model/reading/tag_lists.h"
#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"

namespace {

constexpr size_t kSelectionUnits = 80;  // a selection string or context keeps 80 characters

const char16_t* const kMarkerCaptions[kTextMarkerKinds] = {u"Sentence start", u"Sentence end",  u"Paragraph start",
                                                           u"Paragraph end",  u"Heading start", u"Heading end",
                                                           u"Section start",  u"Section end"};

uint32_t ListLcid() { return static_cast<uint32_t>(GetTextSettings().LCID()); }
uint16_t ListCodePage() { return GetTextSettings().WindowsCodePage(); }

// The tag of a tag-file line: what stands before its first option.
UString TagPartOf(const UString& line) {
  const size_t option = line.find(u" /");
  return TrimU(option == UString::npos ? UStringView(line) : UStringView(line).substr(0, option));
}

bool Bracketed(const UString& tag) { return tag.size() >= 3 && tag.front() == u'<' && tag.back() == u'>'; }

UString Numbered(UStringView field, size_t i) { return UString(field) + u", line " + IntToUStr(static_cast<int64_t>(i + 1)); }

UString KeepLineOf(const TStoredTagRec& r) {
  UString line = r.tag;
  if (!r.description.empty()) line += u" /description \"" + r.description + u"\"";
  if (r.isMediaTag) line += u" /play media";
  if (r.added.isTagForTagStringOnlyDisplay) line += u" /tagstring_only";
  return line;
}

UString ExcludeLineOf(const TStoredTagRec& r) {
  return r.description.empty() ? r.tag : r.tag + u" /description \"" + r.description + u"\"";
}

// A blank or control character as its number, which a trimmed line keeps.
UString EntityLineOf(const TTranslateTagRec& r) {
  if (r.short_form <= u' ') return r.long_form + u" #" + IntToUStr(static_cast<int64_t>(r.short_form));
  return r.long_form + u" " + UString(1, r.short_form);
}

bool HasColourOption(const UString& line) {
  return line.find(u" /colour=\"") != UString::npos || line.find(u" /color=\"") != UString::npos;
}

void CheckLength(std::vector<UString>& problems, UStringView field, const UString& text) {
  if (text.size() > kSelectionUnits)
    problems.push_back(UString(field) + u": \"" + text + u"\" is longer than " +
                       IntToUStr(static_cast<int64_t>(kSelectionUnits)) + u" characters");
}

// The pairs of a brackets text ("<> []"); false when a word is no pair of two different characters
// or there are more than six.
bool BracketPairsOf(const UString& text, std::vector<std::pair<char16_t, char16_t>>& pairs) {
  pairs.clear();
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == u' ') {
      ++i;
      continue;
    }
    const size_t end = std::min(text.find(u' ', i), text.size());
    if (end - i != 2 || text[i] == text[i + 1]) return false;
    pairs.emplace_back(text[i], text[i + 1]);
    i = end;
  }
  return pairs.size() <= static_cast<size_t>(kMarkupBracketPairs);
}

std::vector<UString> Problems(const TTagSettingsChoice& c) {
  std::vector<UString> problems;
  std::vector<std::pair<char16_t, char16_t>> pairs;
  if (!BracketPairsOf(c.markup_brackets, pairs))
    problems.push_back(u"Mark-up between: \"" + c.markup_brackets +
                       u"\" is not up to six pairs of an opening and a closing character, as <> []");
  if (c.tag_treatment < 0 || c.tag_treatment >= kTagTreatments)
    problems.push_back(u"Tags in word lists: " + IntToUStr(c.tag_treatment) + u" is no choice");
  if (c.longest_tag < 1 || c.longest_tag > 1000000)
    problems.push_back(u"Longest tag: " + IntToUStr(c.longest_tag) + u" is not from 1 to 1000000 characters");
  for (size_t i = 0; i < c.keep.size(); ++i)
    if (!Bracketed(TagPartOf(c.keep[i])) &&
        std::find(c.keep_anyway.begin(), c.keep_anyway.end(), c.keep[i]) == c.keep_anyway.end())
      problems.push_back(Numbered(u"Tags to keep", i) + u": \"" + c.keep[i] + u"\" is not a tag between < and >");
  for (size_t i = 0; i < c.exclude.size(); ++i) {
    const UString tag = TagPartOf(c.exclude[i]);
    if (!Bracketed(tag) || tag.find(u'/') == UString::npos)
      problems.push_back(Numbered(u"Tags to exclude", i) + u": \"" + c.exclude[i] +
                         u"\" is not an opening tag, \"*\" and a closing tag, as <note>*</note>");
  }
  TTagsToTranslateList entities(ListLcid(), ListCodePage());
  entities.fWrong_Format_strs = UINT16_MAX;  // the dialog says what is wrong, not the list
  for (size_t i = 0; i < c.entities.size(); ++i) {
    const int32_t before = entities.Count();
    entities.AddFromALine(c.entities[i]);
    if (entities.Count() == before)
      problems.push_back(Numbered(u"Entities", i) + u": \"" + c.entities[i] +
                         u"\" is not an entity, a blank and its character (or #number)");
  }
  if (!c.end_of_header.empty()) {
    size_t n = 0, from = 0;
    for (;;) {
      const size_t semi = c.end_of_header.find(u';', from);
      const UString one = TrimU(UStringView(c.end_of_header).substr(from, semi == UString::npos ? UString::npos : semi - from));
      ++n;
      if (one.empty()) problems.push_back(u"End of header: marker " + IntToUStr(static_cast<int64_t>(n)) + u" is empty");
      if (semi == UString::npos) break;
      from = semi + 1;
    }
  }
  for (int i = 0; i < kTextMarkerKinds; ++i) {
    const UString& m = c.markers[static_cast<size_t>(i)];
    if (!m.empty() && TrimU(m).empty()) problems.push_back(TextMarkerCaption(i) + u": the marker is only blanks");
    if (m.size() > 99)
      problems.push_back(TextMarkerCaption(i) + u": the marker is longer than 99 characters");
  }
  if (c.texts_with.size() > kTextsWithSlots)
    problems.push_back(u"Texts containing: at most " + IntToUStr(kTextsWithSlots) + u" strings");
  if (c.texts_without.size() > kTextsWithoutSlots)
    problems.push_back(u"Texts not containing: at most " + IntToUStr(kTextsWithoutSlots) + u" strings");
  for (const UString& s : c.texts_with) CheckLength(problems, u"Texts containing", s);
  for (const UString& s : c.texts_without) CheckLength(problems, u"Texts not containing", s);
  if (c.select_texts && c.texts_with.empty() && c.texts_without.empty())
    problems.push_back(u"Choose texts: switched on, but no string was given");
  if (c.cut_line_start < kCutLineStartUpToTab || c.cut_line_start > 100)
    problems.push_back(u"Cut the start of each line: " + IntToUStr(c.cut_line_start) +
                       u" is neither 1 to 100 characters, 0 (none), -1 (up to the first letter) nor -2 (up to the first tab)");
  if (c.parts.size() > kPartPairs) problems.push_back(u"Parts of texts: at most " + IntToUStr(kPartPairs) + u" pairs");
  bool any_part = false;
  for (size_t i = 0; i < c.parts.size(); ++i) {
    const TTextPart& p = c.parts[i];
    const UString field = u"Parts of texts, pair " + IntToUStr(static_cast<int64_t>(i + 1));
    if (p.start.empty() != p.end.empty()) problems.push_back(field + u": a start needs an end, and an end a start");
    CheckLength(problems, field, p.start);
    CheckLength(problems, field, p.end);
    any_part = any_part || !p.start.empty();
  }
  if (c.parts_only && !any_part && c.cut_line_start == 0)
    problems.push_back(u"Parts of texts: switched on, but no start and end and no cut was given");
  return problems;
}

// Saves a tag list made from lines; keep lists take the colours of the same tag in the old list
// and pair their opening and closing tags.
template <typename TList>
bool SavedList(const std::vector<UString>& lines, void (*wanted)(int32_t), void (*modified)(bool),
               const TTagSettingsChoice& c) {
  TList old_list(ListLcid(), ListCodePage());
  old_list.LoadFromTempFile();
  TList list(ListLcid(), ListCodePage());
  for (const UString& line : lines) {
    if constexpr (std::is_same_v<TList, TTagsToKeepList>) {
      if (std::find(c.keep_anyway.begin(), c.keep_anyway.end(), line) != c.keep_anyway.end())
        list.AddFromALineWithoutAsking(line);
      else
        list.AddFromALine(line);
    } else {
      list.AddFromALine(line);
    }
    if constexpr (std::is_same_v<TList, TTagsToKeepList>) {
      if (HasColourOption(line) || list.Count() == 0) continue;
      TStoredTagRec& added = list.TagItem(list.Count() - 1)->data;
      const auto from_file = std::find_if(c.keep_colours.begin(), c.keep_colours.end(),
                                          [&](const TTagColours& k) { return k.tag == added.tag; });
      if (from_file != c.keep_colours.end()) {
        added.foreground_colour = from_file->foreground;
        added.background_colour = from_file->background;
        continue;
      }
      for (int32_t i = 0; i < old_list.Count(); ++i)
        if (old_list.GetTagRec(i).tag == added.tag) {
          added.foreground_colour = old_list.GetTagRec(i).foreground_colour;
          added.background_colour = old_list.GetTagRec(i).background_colour;
          break;
        }
    }
  }
  if constexpr (std::is_same_v<TList, TTagsToKeepList>) list.CheckTagPartners();
  if (!list.SavedToTempfile()) return false;
  wanted(list.Count());
  modified(true);
  return true;
}

}  // namespace

UString TextMarkerCaption(int i) { return (i >= 0 && i < kTextMarkerKinds) ? UString(kMarkerCaptions[i]) : UString(); }

std::vector<UString> TrimmedLinesOf(UStringView text) {
  std::vector<UString> lines;
  size_t from = 0;
  while (from <= text.size()) {
    const size_t nl = text.find(u'\n', from);
    const UString line = TrimU(text.substr(from, nl == UStringView::npos ? UStringView::npos : nl - from));
    if (!line.empty()) lines.push_back(line);
    if (nl == UStringView::npos) break;
    from = nl + 1;
  }
  return lines;
}

UString TextOfLines(const std::vector<UString>& lines) {
  UString text;
  for (const UString& l : lines) text += (text.empty() ? u"" : u"\n") + l;
  return text;
}

TTagFileRead ReadUserTagFile(TTagFileList which, const UString& filename) {
  TTagFileRead r;
  if (!FileExists(filename)) {
    r.problem = u"The tag file is not there: " + filename;
    return r;
  }
  if (FileSizeU(filename) > kMostUserTagFileBytes) {
    r.problem = u"The tag file is larger than " + IntToUStr(kMostUserTagFileBytes >> 20) +
                u" MB, too large for a list of tags: " + filename;
    return r;
  }
  // A program or a picture is refused before a line of it is read: the lists' rules would take
  // some of its junk as entries (an entity line is any two words).
  if (ListFileLooksBinary(filename)) {
    r.problem = u"The tag file is binary, not text: " + filename;
    return r;
  }
  auto take = [&](TBaseSwapList& list, auto line_of) {
    if (!list.ReadFromUserSpecifiedFile(filename)) {
      r.problem = u"The tag file cannot be read: " + filename;
      return;
    }
    for (int32_t i = 0; i < list.Count(); ++i) r.lines.push_back(line_of(i));
    r.rejected = list.bad_lines;
    if (r.lines.empty()) r.problem = u"No entry was taken from the tag file " + filename + u"; the list stays as it was";
  };
  switch (which) {
    case TTagFileList::Keep: {
      TTagsToKeepList keep(ListLcid(), ListCodePage());
      take(keep, [&](int32_t i) {
        const TStoredTagRec rec = keep.GetTagRec(i);
        const UString line = KeepLineOf(rec);
        r.colours.push_back({rec.tag, rec.foreground_colour, rec.background_colour});
        if (!Bracketed(TagPartOf(line))) r.keep_anyway.push_back(line);
        return line;
      });
      r.rejected -= static_cast<int32_t>(r.keep_anyway.size());  // counted, though taken
      break;
    }
    case TTagFileList::Exclude: {
      TTagsToDeleteList exclude(ListLcid(), ListCodePage());
      take(exclude, [&](int32_t i) { return ExcludeLineOf(exclude.GetTagRec(i)); });
      break;
    }
    case TTagFileList::Entities: {
      TTagsToTranslateList entities(ListLcid(), ListCodePage());
      take(entities, [&](int32_t i) { return EntityLineOf(entities.GetTranslateRec(i)); });
      break;
    }
  }
  if (!r.problem.empty()) {
    r.lines.clear();
    r.colours.clear();
    r.keep_anyway.clear();
  }
  return r;
}

TTagSettingsChoice CurrentTagSettings() {
  TTagSettingsChoice c;
  if (GetTagsWanted() > 0) {
    TTagsToKeepList keep(ListLcid(), ListCodePage());
    keep.LoadFromTempFile();
    for (int32_t i = 0; i < keep.Count(); ++i) {
      c.keep.push_back(KeepLineOf(keep.GetTagRec(i)));
      if (!Bracketed(TagPartOf(c.keep.back()))) c.keep_anyway.push_back(c.keep.back());  // taken on the user's word
    }
  }
  if (GetTagsExcludeWanted() > 0) {
    TTagsToDeleteList exclude(ListLcid(), ListCodePage());
    exclude.LoadFromTempFile();
    for (int32_t i = 0; i < exclude.Count(); ++i) c.exclude.push_back(ExcludeLineOf(exclude.GetTagRec(i)));
  }
  if (GetTagsTranslateWanted() > 0) {
    TTagsToTranslateList entities(ListLcid(), ListCodePage());
    entities.LoadFromTempFile();
    for (int32_t i = 0; i < entities.Count(); ++i) c.entities.push_back(EntityLineOf(entities.GetTranslateRec(i)));
  }
  c.end_of_header = GetEndOfTextHeader();
  const TTextsett_rec32 ts = GetTextSettings();
  c.markup_brackets.clear();
  const TIgnore_tag_type brackets = ts.UnwantedTags();
  for (int i = 0; i < kMarkupBracketPairs && brackets.openers[i] != 0 && brackets.closers[i] != 0; ++i)
    c.markup_brackets += (c.markup_brackets.empty() ? u"" : u" ") + UString{brackets.openers[i], brackets.closers[i]};
  c.longest_tag = GetIgnoreTagsSpan();
  c.tag_treatment = std::min<int>(ts.TagTreatment(), kTagTreatments - 1);
  for (int i = 0; i < kTextMarkerKinds; ++i) c.markers[static_cast<size_t>(i)] = ts.MarkerText(TTextsett_rec32::kFirstMarker + i);
  c.select_texts = GetTextSelectAtAll();
  for (int slot = 1; slot <= kTextSelectSlots; ++slot) {
    const UString s = GetTextSelectAtAllString(slot).Text();
    if (!s.empty()) (slot <= kTextsWithSlots ? c.texts_with : c.texts_without).push_back(s);
  }
  c.parts_only = GetTextSelectingWithin();
  c.cut_line_start = GetCutStartOfTextLine();
  for (int j = 0; j < kPartPairs; ++j) {
    const TSelectWithinContextW start = GetTextSelectWithinContext(2 * j + 1);
    const UString end = GetTextSelectWithinContext(2 * j + 2).Text();
    if (!start.Text().empty() || !end.empty()) c.parts.push_back({start.Text(), end, start.WithinType() == 2});
  }
  return c;
}

std::vector<UString> ApplyTagSettings(const TTagSettingsChoice& c) {
  std::vector<UString> problems = Problems(c);
  if (!problems.empty()) return problems;
  const UString unsaved = u": the list cannot be saved in the hand-over folder";
  if (!SavedList<TTagsToKeepList>(c.keep, SetTagsWanted, SetTagModified, c))
    problems.push_back(u"Tags to keep" + unsaved);
  if (!SavedList<TTagsToDeleteList>(c.exclude, SetTagsExcludeWanted, SetTagsExcludeModified, c))
    problems.push_back(u"Tags to exclude" + unsaved);
  if (!SavedList<TTagsToTranslateList>(c.entities, SetTagsTranslateWanted, SetTagTranslateModified, c))
    problems.push_back(u"Entities" + unsaved);
  if (!problems.empty()) return problems;
  SetEndOfTextHeader(c.end_of_header);
  TTextsett_rec32 ts = GetTextSettings();
  std::vector<std::pair<char16_t, char16_t>> pairs;
  BracketPairsOf(c.markup_brackets, pairs);
  TIgnore_tag_type brackets{};
  for (size_t i = 0; i < pairs.size(); ++i) {
    brackets.openers[i] = pairs[i].first;
    brackets.closers[i] = pairs[i].second;
  }
  ts.SetUnwantedTags(brackets);
  SetIgnoreTagsSpan(c.longest_tag);
  ts.SetTagTreatment(static_cast<uint8_t>(c.tag_treatment));
  for (int i = 0; i < kTextMarkerKinds; ++i) ts.SetMarkerText(TTextsett_rec32::kFirstMarker + i, c.markers[static_cast<size_t>(i)]);
  SetTextSettings(ts);
  SetTextSelectAtAll(c.select_texts);
  for (int slot = 1; slot <= kTextSelectSlots; ++slot) {
    const bool with = slot <= kTextsWithSlots;
    const auto& strings = with ? c.texts_with : c.texts_without;
    const size_t i = static_cast<size_t>(with ? slot - 1 : slot - 1 - kTextsWithSlots);
    TSelectTextFile_RecW r;
    r.SetText(i < strings.size() ? strings[i] : UString());
    SetTextSelectAtAllString(slot, r);
  }
  SetTextSelectingWithin(c.parts_only);
  SetCutStartOfTextLine(c.cut_line_start);
  for (int j = 0; j < kPartPairs; ++j) {
    const TTextPart p = static_cast<size_t>(j) < c.parts.size() ? c.parts[static_cast<size_t>(j)] : TTextPart();
    TSelectWithinContextW start, end;
    start.SetText(p.start);
    end.SetText(p.end);
    const uint8_t type = p.start.empty() ? 0 : (p.cut ? 2 : 1);
    start.SetWithinType(type);
    end.SetWithinType(type);
    SetTextSelectWithinContext(2 * j + 1, start);
    SetTextSelectWithinContext(2 * j + 2, end);
  }
  return problems;
}
