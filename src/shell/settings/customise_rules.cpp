#include "shell/settings/customise_rules.h"

#include <algorithm>
#include <map>
#include <set>

#include "shell/menus/menu_catalogue.h"
#include "shell/menus/menu_model.h"
#include "shell/menus/menu_store.h"

std::vector<TCustomisedItem> CurrentCustomisation(TMenuModel& menus) {
  menus.UpdateAllMenuShortCutsFromStore();
  std::vector<TCustomisedItem> items;
  for (const TMenuNode* n : menus.CustomisableItems()) {
    const int32_t shortcut = GetMenuShortcut(n->tag);
    items.push_back({n->tag, StripHotkey(n->caption), GetPopupMenuTagInUse(n->tag),
                     shortcut ? ShortCutToText(shortcut) : UString()});
  }
  return items;
}

UString HelpAccessCaption(int mode) {
  static const char16_t* const kCaptions[kHelpAccessModes] = {u"this program's help", u"the help pages in the browser",
                                                              u"nothing"};
  return (mode >= 0 && mode < kHelpAccessModes) ? UString(kCaptions[mode]) : UString();
}

int CurrentHelpAccess() {
  const int mode = GetVXHelpAccessMode();
  return mode < kHelpAccessModes ? mode : kHelpAccessModes - 1;  // any other mode shows nothing
}

UString HelpAccessProblem(int mode) {
  if (mode >= 0 && mode < kHelpAccessModes) return {};
  return u"Help opens: " + IntToUStr(mode) + u" is no choice";
}

void ApplyHelpAccess(int mode) {
  if (HelpAccessProblem(mode).empty()) SetVXHelpAccessMode(static_cast<uint8_t>(mode));
}

std::vector<UString> ApplyCustomisation(TMenuModel& menus, const std::vector<TCustomisedItem>& items) {
  std::vector<UString> problems;
  int on_right_click = 0;
  for (const TCustomisedItem& i : items) on_right_click += i.right_click ? 1 : 0;
  if (on_right_click > kMostRightClickItems)
    problems.push_back(u"Right-click menu: " + IntToUStr(on_right_click) + u" commands chosen, at most " +
                       IntToUStr(kMostRightClickItems) + u" fit");

  // Who holds each shortcut afterwards: the commands of the list as given, the others as stored.
  std::map<int, UString> caption_of;
  std::map<int, int32_t> shortcut_of;
  for (int tag = 0; tag < kMenuTagCount; ++tag) {
    shortcut_of[tag] = GetMenuShortcut(tag);
    caption_of[tag] = StripHotkey(menus.GetAMainMenuCaptionByTag(tag));
  }
  for (const TCustomisedItem& i : items) {
    const UString text = TrimU(i.shortcut);
    const int32_t shortcut = text.empty() ? 0 : TextToShortCut(text);
    if (!text.empty() && shortcut == 0) problems.push_back(i.caption + u", shortcut: \"" + text + u"\" is not a key");
    shortcut_of[i.tag] = shortcut;
  }
  // Each clash a change makes, once, named by the first changed command of the list that has it
  // (the menus may hold a clash of their own from before, which stays as it was).
  std::set<std::pair<int, int>> told;
  for (const TCustomisedItem& i : items) {
    const int32_t shortcut = shortcut_of[i.tag];
    if (shortcut == 0 || shortcut == GetMenuShortcut(i.tag)) continue;
    for (int tag = 0; tag < kMenuTagCount; ++tag) {
      if (tag == i.tag || shortcut_of[tag] != shortcut || caption_of[tag].empty()) continue;
      if (!told.insert({std::min(tag, i.tag), std::max(tag, i.tag)}).second) continue;
      problems.push_back(i.caption + u", shortcut: " + ShortCutToText(shortcut) + u" is also the shortcut of " +
                         caption_of[tag]);
    }
  }
  if (!problems.empty()) return problems;

  for (const TCustomisedItem& i : items)
    if (GetMenuShortcut(i.tag) != shortcut_of[i.tag]) SetMenuShortcut(i.tag, shortcut_of[i.tag]);
  // By tag, not by caption: two commands may share a caption ("clear").
  ClearPopupMenuTagsInUse();
  for (const TCustomisedItem& i : items)
    if (i.right_click) SetPopupMenuTagInUse(i.tag, true);
  menus.UpdateAllMenuShortCutsFromStore();
  SetMenuAltered();
  return problems;
}
