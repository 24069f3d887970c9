// Conditions on the columns of a result list: what the condition editor states, what the
// conditions window prepares and what the list tests row by row (CheckAllForCondition).
//
// A requirement names a data column, a seek kind (the table of docs/conditions.md) and the texts
// or numbers it uses; two requirements (main and additional) joined by a link make a search
// record. The editor builds requirements from the seek-kind table; the window prepares them once
// per search (PrepareRequirement: search-word flags, upper-casing, numbers); then the list tests
// every row it is asked for. A text test follows the search engine's word rules (wildcards, whole
// words); a number test compares the cell's value.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

class TVXBaseDataClass;

// Seek kinds (TSearchRequirementSeeks). 0: none chosen.
enum TSearchRequirementSeeks : uint8_t {
  kSeekNone = 0,
  kSeekEquals = 1,
  kSeekContains = 2,
  kSeekBeginsWith = 3,
  kSeekBetween = 4,
  kSeekGreater = 5,
  kSeekLess = 6,
  kSeekEndsWith = 7,
  kSeekNear = 8,          // X within N words of W
  kSeekNearLeft = 9,      // X within N words before W
  kSeekNearRight = 10,    // X within N words after W
  kSeekNotNear = 11,      // X without W within N words
  kSeekNotNearLeft = 12,  // X without W within N words before it
  kSeekNotNearRight = 13, // X without W within N words after it
  kSeekLongerThan = 14,   // more than X characters
  kSeekShorterThan = 15,  // fewer than X characters
  kSeekHoldsPart = 16,    // X anywhere, also inside a word
  kSeekEmpty = 17,
  kSeekNotEmpty = 18,
  kSeekDeleted = 19,
  kSeekMarked = 20,
  kSeekHasJoined = 21,
  kSeekJoinedElsewhere = 22,
  kSeekKindCount = 23
};

// Data types of a column.
enum : uint8_t { kDataText = 0, kDataNumber = 1 };

// Link types of the two requirements.
enum : uint8_t { kLinkAnd = 0, kLinkOr = 1, kLinkButNot = 2, kLinkAnd2 = 3 };

// Search-word flags (FlagsFromSW).
enum : uint8_t { kSWFlagLeadingWildcard = 1, kSWFlagTrailingWildcard = 2, kSWFlagCaseSensitive = 4 };

struct TSearchRequirement {
  int32_t data_column = -1;
  uint32_t colour = 0;          // 0x00BBGGRR, colour-category mode
  int32_t hit_row = -1;
  int32_t n_words = 5;
  UString text1, text2, second_word;
  uint8_t seek = kSeekNone;
  uint8_t flags[3] = {0, 0, 0};  // of text1, text2 and the second word
  bool opposite = false;
  uint8_t data_type = kDataText, data_type2 = kDataText;
  bool use_other_column = false;
  bool valid = false;
  int32_t other_column = -1;
  // The headings when the requirement was made: named when the column has gone since.
  UString column_name, other_column_name;
  // Made by PrepareRequirement.
  UString prepared1, prepared2, prepared_word;
  bool has_number1 = false, has_number2 = false;
  float number1 = 0, number2 = 0;
  int32_t hits = 0;
};

struct TDoubleSearchCategoryRec {
  TSearchRequirement req[2];
  UString text_version[2];
  uint8_t link = kLinkAnd;
};

// Which inputs a seek kind needs (the editor shows only these).
struct TSeekInputs {
  bool x = false;             // the first text
  bool y = false;             // the upper value of "between"
  bool other_column = false;  // may compare with another column instead of X
  bool second_word = false;   // the second word and the number of words
};
TSeekInputs InputsOfSeekKind(uint8_t seek);
// The table's caption of a seek kind for a column of that data type, with its placeholders
// ("!X", "!Y", "!W", "!C", "99999"); empty when the kind is not offered for that type.
UString ConditionDropdownOption(uint8_t seek, uint8_t data_type);
// The caption as the editor lists it: "!C" removed, "99999" the number of words, "!W", "!X", "!Y"
// made "W", "X", "Y", trimmed.
UString ConditionCaption(uint8_t seek, uint8_t data_type, int32_t n_words);
// The seek kinds offered for a data type, in order.
std::vector<uint8_t> SeekKindsOffered(uint8_t data_type);

// The requirement in words, for the condition line.
UString SearchRequirementToText(const TSearchRequirement& r);
// Same column, kind, texts, numbers, other column and negation.
bool IdenticalSearchRequirements(const TSearchRequirement& a, const TSearchRequirement& b);
// The condition line of a search record: "if X", "if X and Y", "if X or Y", "if X but not Y".
UString ConditionLine(const TDoubleSearchCategoryRec& rec, uint8_t current_order);

// Flags of a typed search text ("==word==" is case-sensitive; "*" at either end a wildcard) and
// the text without the case marks.
uint8_t FlagsFromSW(UStringView typed, UString& text);
// MakeSearchRecord's preparation of one requirement: flags, texts upper-cased unless
// case-sensitive, numbers read ("." or "," as the decimal point).
void PrepareRequirement(TSearchRequirement& r);

// Why the inputs the requirement's seek kind uses do not fit its column: a number column's X or Y
// that is no number, a length that is no whole number, an empty X, Y or W. The field is named as
// the editor labels it ("X", "Y", "W") with the column; empty when they fit.
UString RequirementInputProblem(const TSearchRequirement& r);

// Why a search cannot run on a list (a column gone since the requirement was made); empty when it
// can.
UString RequirementColumnProblem(const TVXBaseDataClass& list, const TSearchRequirement& r);

// The outcome of CheckAllForCondition.
struct TConditionOutcome {
  int32_t hits = 0;
  int32_t hit_row = -1;   // find next: the row found; otherwise the first hit
  std::vector<int32_t> rows;  // find all (170): every row found, in list order
  UString problem;        // a condition the list cannot test: nothing was done
};

// Wildcard match: "*" of the mask any run of characters, "?" any one; a "*" or "?" in the text is
// a character like any other.
bool WildcardMatch(UStringView text, UStringView mask);

// A quick look before the search engine: false only when the engine cannot find the item in the
// text, because the text is plain ASCII (letters, digits, blanks, common punctuation; no mark-up)
// and the item's longest stretch without wildcards, case ignored, is nowhere in it. Answers true
// whenever it cannot tell.
bool TextMayHoldItem(UStringView text, UStringView item);
