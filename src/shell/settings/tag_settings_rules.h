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
// A list can also be filled from a tag file the user keeps (ReadUserTagFile): the file is read
// by the list's own rules, with their warnings and questions on the way, and its entries replace
// the list's lines; the colours a keep file gives its tags ride along with the choice.
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

// The colours a tag file gave one tag to keep.
struct TTagColours {
  UString tag;
  int32_t foreground = 0;
  int32_t background = 0;
  bool operator==(const TTagColours&) const = default;
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
  // From a tag file: the colours of its tags to keep (a line with its own colour option wins),
  // and the keep lines that are no tag between < and > but were taken on the user's word.
  std::vector<TTagColours> keep_colours;
  std::vector<UString> keep_anyway;
  bool operator==(const TTagSettingsChoice&) const = default;
};

// "Sentence start", "Sentence end", ... for kinds 14 + i.
UString TextMarkerCaption(int i);

// The lines of a multi-line box (blank lines dropped, each trimmed); and back.
std::vector<UString> TrimmedLinesOf(UStringView text);
UString TextOfLines(const std::vector<UString>& lines);

enum class TTagFileList { Keep, Exclude, Entities };

// A user's tag file as one list of the dialog takes it.
struct TTagFileRead {
  std::vector<UString> lines;         // the entries taken, as the list's box shows them
  std::vector<TTagColours> colours;   // keep: every tag's colours
  std::vector<UString> keep_anyway;   // keep: lines taken though no tag between < and >
  int32_t rejected = 0;               // entries the list did not take
  UString problem;                    // why nothing was taken, naming the file; empty when read
};
// Reads the file by the list's rules (one entry a line or between commas outside double quotes,
// ";" a comment; UTF-16 with its mark, UTF-8 or the text settings' code page). A missing file, one
// larger than kMostUserTagFileBytes, a binary one (ListFileLooksBinary, judged before a line is
// read), one that cannot be read, or one that gives no entry (a file with a zero byte whose
// warning was answered No) is a problem and gives no lines.
TTagFileRead ReadUserTagFile(TTagFileList list, const UString& filename);

// What is stored now (the lists read back from their files).
TTagSettingsChoice CurrentTagSettings();
// The problems, one line each naming its field; empty when everything was stored.
std::vector<UString> ApplyTagSettings(const TTagSettingsChoice& choice);
