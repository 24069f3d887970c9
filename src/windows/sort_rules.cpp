#include "windows/sort_rules.h"

namespace {

const std::array<const char16_t*, kSortKeyNameCount> kNames = {
    u"5th word left",        u"4th word left",        u"3rd word left",       u"2nd word left",
    u"first word left",      u"search word",          u"first word right",    u"2nd word right",
    u"3rd word right",       u"4th word right",       u"5th word right",      u"context word",
    u"set",                  u"file",                 u"date",                u"tag context",
    u"tag distance",         u"% of file",            u"word number",         u"sentence",
    u"% of sentence",        u"paragraph",            u"% of paragraph",      u"heading",
    u"% of heading",         u"section",              u"% of section",        u"reference corpus frequency",
    u"highlighted collocate", u"whole line",          u"byte position"};

UString NameOf(int key) { return (key >= 0 && key < kSortKeyNameCount) ? UString(kNames[key]) : UString(u"-"); }

}  // namespace

const std::array<const char16_t*, kSortKeyNameCount>& SortKeyNames() { return kNames; }

UString StoreSortChoices(const TSortDialogState& state, TConcSettingsRec32& settings, TConcSortRecord& sort) {
  std::array<UString, 3> names{u"-", u"-", u"-"};
  for (int i = 0; i < 9; ++i) settings.bytes[1748 + i] = 0;
  bool level0_set = false;
  bool second_set = false;
  bool third_set = false;
  auto take = [&](int slot) {
    const int key = state.selected[slot];
    settings.SetSortKey(slot, static_cast<uint8_t>(key));
    sort.ascending[slot] = static_cast<uint8_t>(state.direction_tag[slot] & 1);
    settings.SetSortCaseSensitive(slot, state.case_sensitive[slot]);
  };
  for (int i = 0; i < kSortKeyNameCount; ++i) {
    if (state.selected[0] == i) {
      take(0);
      names[0] = NameOf(i);
      sort.level_count = 0;
      level0_set = true;
    }
    if (state.tie1) {
      if (state.selected[1] == i) {
        take(1);
        second_set = true;
      }
      if (state.tie2 && state.selected[2] == i) {
        take(2);
        third_set = true;
      }
    }
  }
  if (!level0_set) sort.level_count = 0;
  bool level1 = false;
  if (state.tie1 && second_set && settings.SortKey(0) != settings.SortKey(1)) {
    sort.level_count = 1;
    names[1] = NameOf(settings.SortKey(1));
    level1 = true;
  }
  if (level1 && state.tie2 && third_set && settings.SortKey(1) != settings.SortKey(2)) {
    sort.level_count = 2;
    names[2] = NameOf(settings.SortKey(2));
  }
  return u"Sort. 1: " + names[0] + u", 2: " + names[1] + u", 3: " + names[2];
}

int ContextWordKeyRefused(const TConcSettingsRec32& settings, const TConcSortRecord& sort) {
  if (!settings.ContextWord().empty()) return 0;
  for (int k = 0; k < 3; ++k)
    if (settings.SortKey(k) == kSortKeyContextWord && k <= sort.level_count) return k + 1;
  return 0;
}

bool HighlightedCollocateInSort(const TConcSettingsRec32& settings, const TConcSortRecord& sort) {
  for (int k = 0; k < 3; ++k)
    if (settings.SortKey(k) == kSortKeyHighlightedCollocate && k <= sort.level_count) return true;
  return false;
}

std::vector<int32_t> ResortKeys(const TConcSettingsRec32& settings, const TConcSortRecord& sort) {
  const int32_t k0 = settings.SortKey(0), k1 = settings.SortKey(1), k2 = settings.SortKey(2);
  if (sort.level_count >= 2) return {k0, k1, k2};
  if (sort.level_count == 1) return {k0, k1};
  if (k0 == 13) return {13, 18};
  return {k0};
}
