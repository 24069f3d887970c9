#include "shell/menus/menu_model.h"

#include <algorithm>
#include <unordered_set>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "shell/files/file_recognition.h"
#include "shell/menus/menu_store.h"

namespace {

constexpr int kTagUndo = 82, kTagRedo = 83, kTagExit = 91;
constexpr int kTypingTags[3] = {176, 177, 178};
constexpr int kLastUsedFileKind = 23;

const TMenuFeatureSet kCustomisable =
    Tags({69, 70, 72, 126, 127, 130, 131, 150, 164, 166, 167, 170, 186, 194},
         {{0, 8},     {10, 15},   {17, 26},   {28, 55},   {59, 66},   {77, 87},   {89, 91},
          {95, 101},  {103, 108}, {110, 112}, {114, 121}, {141, 145}, {175, 184}, {196, 201}});

char16_t FoldCase(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

int CompareText(UStringView a, UStringView b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const char16_t x = FoldCase(a[i]), y = FoldCase(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

UString SortKey(const TMenuNode& n) { return n.parent ? n.parent->caption + n.caption : n.caption; }

UStringView Trim(UStringView s) {
  while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == u' ' || s.back() == u'\t' || s.back() == u'\r')) s.remove_suffix(1);
  return s;
}

}  // namespace

bool IsCustomisableMenuTag(int tag) { return tag >= 0 && tag < kMenuTagCount && kCustomisable.test(tag); }

TMenuModel::TMenuModel() {
  TMenuNode* at_depth[3] = {nullptr, nullptr, nullptr};
  for (const auto& e : MenuCatalogue()) {
    TMenuNode* parent = e.depth == 0 ? nullptr : at_depth[e.depth - 1];
    at_depth[e.depth] = AddItem(parent, e.tag, e.caption, e.shortcut);
  }
  SetAutoCheckItems();
  FillCustomisableItems();
}

TMenuNode* TMenuModel::AddItem(TMenuNode* parent, int tag, UStringView caption, int32_t shortcut) {
  nodes_.push_back(std::make_unique<TMenuNode>());
  TMenuNode* n = nodes_.back().get();
  n->tag = tag;
  n->caption = UString(caption);
  n->shortcut = shortcut;
  n->parent = parent;
  (parent ? parent->children : top_).push_back(n);
  return n;
}

void TMenuModel::AttachShared(TMenuNode* parent, TMenuNode* item) { parent->children.push_back(item); }

void TMenuModel::RemoveItem(TMenuNode* item) {
  auto drop = [item](std::vector<TMenuNode*>& v) { v.erase(std::remove(v.begin(), v.end(), item), v.end()); };
  drop(top_);
  drop(customisable_);
  drop(right_click_);
  for (auto& n : nodes_) drop(n->children);
  for (auto it = nodes_.begin(); it != nodes_.end(); ++it)
    if (it->get() == item) {
      nodes_.erase(it);
      break;
    }
}

void TMenuModel::Walk(const std::function<void(TMenuNode&)>& visit) {
  std::unordered_set<const TMenuNode*> visited;
  std::function<void(TMenuNode*)> go = [&](TMenuNode* n) {
    if (!visited.insert(n).second) return;
    visit(*n);
    for (TMenuNode* c : n->children) go(c);
  };
  for (TMenuNode* t : top_) go(t);
}

TMenuNode* TMenuModel::FindByTag(int tag) {
  TMenuNode* found = nullptr;
  Walk([&](TMenuNode& n) {
    if (!found && n.tag == tag) found = &n;
  });
  return found;
}

UString TMenuModel::GetAMainMenuCaptionByTag(int tag) {
  TMenuNode* n = FindByTag(tag);
  return n ? n->caption : UString();
}

namespace {

// Every stored check state at once: one read of the store for a whole menu.
std::function<bool(int)> StoredCheckStates() {
  return [states = GetAllMenuCheckStates()](int tag) {
    return tag >= 0 && tag < kMenuTags ? states[static_cast<size_t>(tag)] : GetMenuItemChecked(tag);
  };
}

}  // namespace

void TMenuModel::SetAutoCheckItems() {
  const auto checked = StoredCheckStates();
  Walk([&](TMenuNode& n) {
    n.auto_check = n.IsCommand() && IsCheckableMenuItem(n.tag);
    if (n.auto_check) n.checked = checked(n.tag);
  });
}

void TMenuModel::RedoMenuItemsCheckStates() {
  const auto checked = StoredCheckStates();
  bool altered = false;
  Walk([&](TMenuNode& n) {
    if (!n.auto_check || !n.IsCommand()) return;
    const bool now = checked(n.tag);
    altered = altered || n.checked != now;
    n.checked = now;
  });
  // The store (a file made durable on disk) is told only of a change: every page shown asks
  // for the check marks again, and most of the time none moved.
  if (altered) SetMenuAltered();
}

void TMenuModel::UpdateAllMenuShortCutsFromStore() {
  const auto stored = GetMenuCurrentShortcuts();
  std::unordered_set<int32_t> taken;
  Walk([&](TMenuNode& n) {
    if (n.tag <= 0 || !n.IsCommand()) return;
    int32_t s = stored[n.tag];
    if (s != 0 && !taken.insert(s).second) {
      if (global_keeping_log)
        AddToLogFile(u"shortcut " + ShortCutToText(s) + u" of \"" + n.caption + u"\" is in use: left off");
      s = 0;
    }
    n.shortcut = s;
  });
  FillCustomisableItems();
}

void TMenuModel::FillCustomisableItems() {
  right_click_.clear();
  customisable_.clear();
  Walk([&](TMenuNode& n) {
    if (!n.children.empty() || !n.IsCommand() || !IsCustomisableMenuTag(n.tag) || n.caption == u"o") return;
    if (n.tag == kRecentFileTag) return;
    // Only toggles carry a check mark; a command on a tool bar is not one.
    if (n.auto_check) n.checked = GetMenuItemChecked(n.tag);
    if (GetPopupMenuTagInUse(n.tag)) right_click_.push_back(&n);
    customisable_.push_back(&n);
  });
  if (customisable_.size() > 1)
    std::stable_sort(customisable_.begin(), customisable_.end(), [](const TMenuNode* a, const TMenuNode* b) {
      return CompareText(SortKey(*a), SortKey(*b)) < 0;
    });
}

void TMenuModel::SetRightClickMenuItems(const std::vector<UString>& lines) {
  ClearPopupMenuTagsInUse();
  const size_t n = std::min<size_t>(lines.size(), 10);
  for (size_t i = 0; i < n; ++i) {
    UStringView line = lines[i];
    const size_t colon = line.find(u':');
    if (colon != UStringView::npos) line = line.substr(0, colon);
    line = Trim(line);
    for (const TMenuNode* c : customisable_)
      if (StripHotkey(c->caption) == line) {
        SetPopupMenuTagInUse(c->tag, true);
        break;
      }
  }
  FillCustomisableItems();
}

UString TMenuModel::TagToCustomisableMenuCaption(int tag) const {
  for (const TMenuNode* c : customisable_)
    if (c->tag == tag) return c->caption;
  return {};
}

bool TMenuModel::TryToSetAShortCut(int tag, UStringView caption, int32_t shortcut) {
  if (tag < 0 || tag >= kMenuTagCount) return false;
  const auto current = GetMenuCurrentShortcuts();
  if (!caption.empty() && shortcut != 0) {
    for (int other = 0; other <= 224; ++other) {
      if (other == tag || current[other] != shortcut) continue;
      const UString other_caption = GetAMainMenuCaptionByTag(other);
      if (!other_caption.empty())
        VXDialog(TVXDialog::MenuShortcutAlreadyInUse, {ShortCutToText(shortcut) + u" (" + StripHotkey(other_caption) + u")"});
      return false;
    }
  }
  SetMenuShortcut(tag, shortcut);
  return true;
}

bool TMenuModel::TryToSetAShortCut(TMenuNode& item, int32_t shortcut) {
  if (!TryToSetAShortCut(item.tag, item.caption, shortcut)) return false;
  item.shortcut = shortcut;
  return true;
}

UString TMenuModel::CheckMenuCompatibility(UStringView caption) {
  const size_t sep = caption.find(u':');
  if (sep == UStringView::npos || sep + 1 >= caption.size()) return UString(caption);
  const UString proper(Trim(caption.substr(0, sep)));
  const int32_t shortcut = TextToShortCut(Trim(caption.substr(sep + 1)));
  UString result(caption);
  Walk([&](TMenuNode& n) {
    const UString plain = StripHotkey(n.caption);
    if (shortcut != 0 && n.shortcut == shortcut && plain != proper) result = proper;
    if (plain == proper && n.shortcut != shortcut)
      result = n.shortcut ? proper + u":" + ShortCutToText(n.shortcut) : proper;
  });
  return result;
}

void TMenuModel::SetMenuItemVisible(int tag, bool visible) {
  if (tag != 7 && tag != 158) return;
  Walk([&](TMenuNode& n) {
    if (n.tag == tag) n.visible = visible;
  });
}

void TMenuModel::ApplyFeatureSet(const TMenuFeatureSet& set) {
  std::function<bool(TMenuNode*)> fit = [&](TMenuNode* n) {
    if (!n->children.empty()) {
      bool any = false;
      for (TMenuNode* c : n->children) any = fit(c) || any;
      n->visible = any || n->tag == kTopMenuTag;
      return n->visible;
    }
    if (n->IsCommand()) n->visible = set.test(n->tag);
    return n->visible;
  };
  for (TMenuNode* t : top_) fit(t);
}

void TMenuModel::SetTypeSetEditMenuItems(int mode) {
  for (int i = 0; i < 3; ++i) {
    SetMenuItemChecked(kTypingTags[i], i == mode);
    Walk([&](TMenuNode& n) {
      if (n.tag == kTypingTags[i]) n.checked = (i == mode);
    });
  }
}

int TMenuModel::CurrentTypingMode() {
  if (GetMenuItemChecked(kTypingTags[0])) return kTypingTypeIn;
  if (GetMenuItemChecked(kTypingTags[1])) return kTypingSetCategories;
  return kTypingEditingData;
}

void TMenuModel::HandleUnOrRedoAction(bool redo, UStringView caption, int count) {
  TMenuNode* n = FindByTag(redo ? kTagRedo : kTagUndo);
  if (!n) return;
  if (!caption.empty()) n->caption = UString(caption);
  n->enabled = count >= 1;
}

void TMenuModel::ResetUnOrRedoActions() {
  for (int tag : {kTagUndo, kTagRedo})
    if (TMenuNode* n = FindByTag(tag)) n->enabled = false;
}

std::vector<TMenuNode*> TMenuModel::RecentFileItems() {
  std::vector<TMenuNode*> out;
  Walk([&](TMenuNode& n) {
    if (n.tag == kRecentFileTag) out.push_back(&n);
  });
  return out;
}

void TMenuModel::SetRecentFileItems(uint8_t tool) {
  SetRecentFileItems(tool, GetLastMainToolFileName(tool),
                     tool <= 1 ? GetLastUsedFile(kLastUsedFileKind) : UString());
}

void TMenuModel::SetRecentFileItems(uint8_t tool, UStringView last_main_file, UStringView last_used_file) {
  for (TMenuNode* n : RecentFileItems()) RemoveItem(n);
  if (top_.empty()) return;
  TMenuNode* file_menu = top_.front();
  std::vector<UString> paths;
  if (!last_main_file.empty() && FileExists(last_main_file)) paths.emplace_back(last_main_file);
  if (tool <= 1 && !last_used_file.empty() && FileExists(last_used_file) && last_used_file != last_main_file)
    paths.emplace_back(last_used_file);
  auto exit_at = std::find_if(file_menu->children.begin(), file_menu->children.end(),
                              [](const TMenuNode* n) { return n->tag == kTagExit; });
  size_t at = static_cast<size_t>(exit_at - file_menu->children.begin());
  for (const UString& p : paths) {
    TMenuNode* n = AddItem(file_menu, kRecentFileTag, RecentFileMenuText(p));
    n->data = p;
    file_menu->children.pop_back();
    file_menu->children.insert(file_menu->children.begin() + static_cast<std::ptrdiff_t>(at++), n);
  }
}
