// The Tags settings without a window: what the dialog shows when it opens, what it checks, and
// what it writes. Everything the text readers look at for mark-up lives in two places, and the
// dialog edits exactly those:
//   - the tag lists the tools hand to each other ("tags_to_keep.dat", "tags_to_exclude.dat",
//     "entity_tags.dat", written by the lists' own writers), with the store's count of each list
//     in use and its changed flag, so that a tool already running reloads it;
//   - the store's values: the markers ending a text's header, the eight text markers of the text
//     settings, the strings choosing texts, and the parts of texts read alone (the start of each
//     line cut, and up to 14 start/end pairs, each kept or cut), and how a word list counts a
//     word that follows a tag (the text settings' tag treatment).
// Lines of the three lists are written as in a tag file the user keeps: "<p> /description "..."",
// "<note>*</note>", "&amp; &". A tag's colours are set elsewhere and kept here when the same tag
// stays in the list.
//
// ApplyTagSettings checks every field first; one bad value and nothing is written, and each
// problem names its field. Otherwise the lists are saved, then the store's values.
#pragma once

#include <array>
#include <vector>

#include "platform/rtl/ustring.h"

inline constexpr int kTextMarkerKinds = 8;        // kinds 14 to 21 of the text settings
inline constexpr int kTextsWithSlots = 12;        // selection strings 1 to 12 choose texts
inline constexpr int kTextsWithoutSlots = 16;     // 13 to 28 leave texts out
inline constexpr int kPartPairs = 14;             // start/end pairs choosing parts of texts
inline constexpr int kCutLineStartUpToLetter = -1;
inline constexpr int kCutLineStartUpToTab = -2;

struct TTextPart {
  UString start;
  UString end;
  bool cut = false;  // the stretch is cut rather than kept
  bool operator==(const TTextPart&) const = default;
};

inline constexpr int kMarkupBracketPairs = 6;
inline constexpr int kTagTreatments = 4;  // words alone, with their tags, tags alone, tagged words only

struct TTagSettingsChoice {
  UString markup_brackets = u"<>";  // the pairs that open and close mark-up, blank between pairs
  int32_t longest_tag = 1000;       // the widest span in characters a tag may take
  std::vector<UString> keep;      // tags to keep, one line each
  std::vector<UString> exclude;   // spans to exclude, opening tag "*" closing tag
  std::vector<UString> entities;  // entity, blank, replacement
  UString end_of_header;          // markers separated by ";"
  std::array<UString, kTextMarkerKinds> markers;
  bool select_texts = false;
  std::vector<UString> texts_with;
  std::vector<UString> texts_without;
  bool parts_only = false;
  int cut_line_start = 0;  // characters, or kCutLineStartUpToLetter / kCutLineStartUpToTab
  std::vector<TTextPart> parts;
  int tag_treatment = 0;  // how word lists count tagged words, 0 to kTagTreatments - 1
  bool operator==(const TTagSettingsChoice&) const = default;
};

// "Sentence start", "Sentence end", ... for kinds 14 + i.
UString TextMarkerCaption(int i);

// The lines of a multi-line box (blank lines dropped, each trimmed); and back.
std::vector<UString> TrimmedLinesOf(UStringView text);
UString TextOfLines(const std::vector<UString>& lines);

// What is stored now (the lists read back from their files).
TTagSettingsChoice CurrentTagSettings();
// The problems, one line each naming its field; empty when everything was stored.
std::vector<UString> ApplyTagSettings(const TTagSettingsChoice& choice);
