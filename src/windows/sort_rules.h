// What the concordance sort dialog decides, without a window: the names of the 31 sort keys, the
// keys, directions, case flags and level count its controls stand for, the check made on OK, and
// the sort plan the main window applies to the lines afterwards.
//
// The dialog works on copies: StoreSortChoices writes a copy of the document's settings and a
// copy of the sort record; only an accepted OK hands them back (CommitSortChoices), so Cancel,
// also after a refused OK, leaves the document naming the keys its lines are sorted by.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/settings/settings_records.h"

inline constexpr int kSortKeyNameCount = 31;
inline constexpr int kSortKeyContextWord = 11;
inline constexpr int kSortKeyReferenceFrequency = 27;
inline constexpr int kSortKeyHighlightedCollocate = 28;

// The key names in the concordance list's key order.
const std::array<const char16_t*, kSortKeyNameCount>& SortKeyNames();

// Direction flags of the three keys (1 ascending) and the tie-break levels in use (0, 1 or 2).
struct TConcSortRecord {
  std::array<uint8_t, 3> ascending{1, 1, 1};
  uint8_t level_count = 0;
};

// What the dialog's controls show.
struct TSortDialogState {
  std::array<int, 3> selected{0, 0, 13};  // list positions; -1 nothing selected
  std::array<int, 3> direction_tag{1, 1, 1};
  std::array<bool, 3> case_sensitive{true, true, true};
  bool tie1 = false;  // second key in use
  bool tie2 = false;  // third key in use
};

// Writes the keys, case flags, directions and level count of the state into the copies and
// answers the status line ("Sort. 1: ..., 2: ..., 3: ..."). A level is set only from keys chosen
// in this pass: level 2 needs level 1 set now, so old bytes never sort on keys not chosen.
UString StoreSortChoices(const TSortDialogState& state, TConcSettingsRec32& settings, TConcSortRecord& sort);

// The OK check on the stored copies: 0 accepted; else the key slot (1-based) that sorts on the
// context word although the settings hold none.
int ContextWordKeyRefused(const TConcSettingsRec32& settings, const TConcSortRecord& sort);
// A key slot within the level count chose the highlighted collocate.
bool HighlightedCollocateInSort(const TConcSettingsRec32& settings, const TConcSortRecord& sort);

// The keys the lines are sorted by, level by level: three keys with two levels, two with one;
// with none, 13 alone sorts by 13 then 18, any other key alone.
std::vector<int32_t> ResortKeys(const TConcSettingsRec32& settings, const TConcSortRecord& sort);
