#include "shell/menus/menu_catalogue.h"

#include <array>
#include <string>

namespace {

constexpr int C = kShortcutCtrl, S = kShortcutShift, A = kShortcutAlt;
constexpr int F(int n) { return kKeyF1 + n - 1; }

// Two commands must never share a default shortcut: a key bound to two actions fires neither.
constexpr TMenuCatalogueEntry kMenu[] = {
    {kTopMenuTag, 0, u"&File", 0},
    {8, 1, u"New...", C + 'N'},
    {3, 1, u"Open...", C + 'O'},
    {146, 1, u"Open Moving Window", 0},
    {78, 1, u"Merge with ...", 0},
    {26, 1, u"Close", C + 'W'},
    {1, 1, u"Save", C + F(2)},
    {-79, 1, u"Save &As", 0},
    {2, 2, u"Plain Text", 0},
    {24, 2, u"XML Text", 0},
    {28, 2, u"Excel spreadsheet", 0},
    {184, 2, u"Rich Text (RTF)", 0},
    {79, 2, u"Save As...", 0},
    {113, 1, u"Export batch data", 0},
    {175, 1, u"Export data...", 0},
    {4, 1, u"&Print...", C + 'P'},
    {84, 1, u"Page Setup", 0},
    {5, 1, u"Print Preview", F(3)},
    {6, 1, u"Find Files...", 0},
    {89, 1, u"Compare 2 wordlists", 0},
    {90, 1, u"Compare with a .txt file...", 0},
    {95, 1, u"Play media file...", C + 'M'},
    {91, 1, u"Exit", A + 'X'},
    {-1, 1, u"Fast Exit", 0},
    {56, 1, u"Cause a Crash", 0},

    {kTopMenuTag, 0, u"&Edit", 0},
    {82, 1, u"&Undo", C + 'U'},
    {83, 1, u"&Redo", 0},
    {22, 1, u"Copy", C + 'C'},
    {-12, 1, u"Deleting", 0},
    {12, 2, u"Delete", 0},
    {13, 2, u"Delete to end", 0},
    {85, 2, u"Delete If ...", 0},
    {21, 2, u"Reduce to N ...", 0},
    {198, 2, u"Reverse-delete", 0},
    {14, 2, u"Restore deleted", 0},
    {15, 2, u"Restore to end", 0},
    {73, 1, u"Insert tags", 0},
    {-19, 1, u"Joining", 0},
    {19, 2, u"Join rows", F(4)},
    {104, 2, u"Auto-Join", 0},
    {20, 2, u"Unjoin", C + F(4)},
    {47, 2, u"Unjoin all", 0},
    {48, 2, u"Join Clusters", 0},
    {-18, 1, u"Marking", 0},
    {18, 2, u"Mark", A + F(5)},
    {167, 2, u"Unmark", A + S + F(5)},
    {208, 2, u"clear all marking", 0},
    {10, 1, u"Resort", F(6)},
    {-10, 1, u"Other sorts", 0},
    {96, 2, u"Alphabetical", 0},
    {99, 2, u"Case sensitive", 0},
    {126, 2, u"Prefix", 0},
    {127, 2, u"Suffix", 0},
    {97, 2, u"Reverse word", C + F(6)},
    {98, 2, u"Word length", C + S + F(6)},
    {202, 2, u"Check word list", 0},
    {11, 1, u"Zap", C + 'Z'},
    {23, 1, u"Edit data", 0},
    {-170, 1, u"Searching", 0},
    {170, 2, u"Find", C + 'F'},
    {16, 2, u"Search text", C + F(3)},
    {17, 2, u"Search + Replace", 0},
    {86, 1, u"Remove duplicates", 0},
    {164, 1, u"Change language", 0},

    {kTopMenuTag, 0, u"&View", 0},
    {38, 1, u"Filenames", 0},
    {40, 1, u"Source text", F(7)},
    {70, 1, u"Load Keywords", 0},
    {29, 1, u"Layout", C + 'L'},
    {-329, 1, u"Grow/Shrink entries", 0},
    {30, 2, u"Grow", F(8)},
    {31, 2, u"Shrink", C + F(8)},
    {199, 2, u"Grow current row", C + S + F(8)},
    {200, 2, u"Shrink current row", C + A + F(8)},
    {32, 2, u"Auto row height", 0},
    {195, 2, u"Freeze top rows...", 0},
    {33, 1, u"Refresh", F(5)},
    {-344, 1, u"Concordance view", 0},
    {112, 2, u"Tags only", 0},
    {101, 2, u"Sentence only", 0},
    {-64, 1, u"Tag display", 0},
    {219, 2, u"tags hidden", 0},
    {220, 2, u"tags as prefix", 0},
    {221, 2, u"tags as suffix", 0},
    {223, 2, u"words hidden", 0},
    {77, 1, u"Tag List (colours)", 0},
    {165, 1, u"words coloured", 0},
    {138, 1, u"tags coloured", 0},
    {100, 1, u"hide Tag file tags", 0},
    {117, 1, u"hide Undefined ones", 0},
    {118, 1, u"hide Sentence tag", 0},
    {119, 1, u"hide Paragraph tag", 0},
    {120, 1, u"hide Heading tag", 0},
    {121, 1, u"hide Section tag", 0},
    {-16, 1, u"Search-word", 0},
    {181, 2, u"Hidden", 0},
    {87, 2, u"Padding", 0},
    {182, 2, u"Move left", 0},
    {183, 2, u"Move right", 0},
    {197, 2, u"To centre", 0},
    {154, 1, u"Copy to Set column", 0},
    {150, 1, u"Highlight selected collocate", 0},
    {114, 1, u"Column Totals", 0},
    {166, 1, u"Default column widths", 0},
    {92, 1, u"Dice coefficients", 0},
    {-88, 1, u"Number display", 0},
    {108, 2, u"default", 0},
    {105, 2, u"percent", 0},
    {106, 2, u"per thousand", 0},
    {107, 2, u"per million", 0},
    {196, 1, u"Row percentages", 0},
    {75, 1, u"Show related txts", 0},
    {186, 1, u"Play", 0},
    {46, 1, u"Ruler", 0},
    {55, 1, u"Uniform plot", 0},
    {80, 1, u"Status bar", 0},
    {131, 1, u"Find Unusual Toolbar", 0},
    {81, 1, u"Main Toolbar", 0},

    {kTopMenuTag, 0, u"&Compute", 0},
    {50, 1, u"Concordance", 0},
    {49, 1, u"KeyWords", 0},
    {51, 1, u"WordList", 0},
    {52, 1, u"New column", 0},
    {130, 1, u"Align", 0},
    {-45, 1, u"Associates", 0},
    {43, 2, u"follow-up", 0},
    {45, 2, u"recompute", 0},
    {37, 1, u"Breakdown", 0},
    {42, 1, u"Clusters", 0},
    {194, 1, u"Colour categories...", 0},
    {160, 1, u"Kollaxas", 0},
    {93, 1, u"Dispersion", 0},
    {211, 1, u"KWDB text centrality", 0},
    {155, 1, u"Follow collocate", 0},
    {-25, 1, u"Lemmas", 0},
    {25, 2, u"Lemma matches", 0},
    {193, 2, u"Save lemma-file", 0},
    {201, 2, u"Check consistency", 0},
    {41, 1, u"Links", 0},
    {163, 1, u"List of file-names", 0},
    {-7, 1, u"Matches", 0},
    {158, 2, u"set up match method", 0},
    {7, 2, u"mark any matches", 0},
    {209, 2, u"clear all matches", 0},
    {156, 2, u"delete all matched", 0},
    {157, 2, u"delete all UNmatched", 0},
    {151, 1, u"Moving window", 0},
    {-38, 1, u"Modify Source Texts", 0},
    {141, 2, u"Set", 0},
    {142, 2, u"Search-phrase", 0},
    {143, 2, u"Undo modifications", 0},
    {53, 1, u"Relationships", 0},
    {210, 1, u"Relative entropy", 0},
    {44, 1, u"Patterns", 0},
    {39, 1, u"Plot", 0},
    {34, 1, u"Collocates", F(10)},
    {58, 1, u"Timeline", 0},
    {162, 1, u"Tokens", 0},
    {179, 1, u"Word Cloud", 0},

    {kTopMenuTag, 0, u"&Settings", 0},
    {69, 1, u"Choose texts", F(11)},
    {66, 1, u"Specific to this Tool", 0},
    {-177, 1, u"Set Column(s)", 0},
    {54, 2, u"clear", 0},
    {180, 2, u"edit", C + A + 'E'},
    {207, 2, u"active column", 0},
    {-1, 1, u"Selecting Rows", 0},
    {185, 2, u"Ctrl required", 0},
    {-218, 1, u"Typing Mode", 0},
    {176, 2, u"type-in", 0},
    {177, 2, u"set categories", 0},
    {178, 2, u"editing data", 0},
    {60, 1, u"Colours", 0},
    {61, 1, u"Font", 0},
    {72, 1, u"Index", 0},
    {62, 1, u"Language", 0},
    {63, 1, u"Folders", 0},
    {65, 1, u"Stop-, Lemma- && Matchlists", 0},
    {64, 1, u"Tags", 0},
    {71, 1, u"Customise", 0},
    {67, 1, u"General", 0},

    {kTopMenuTag, 0, u"&Windows", 0},
    {110, 1, u"Tile Vertically", 0},
    {111, 1, u"Tile Horizontally", 0},

    {kTopMenuTag, 0, u"&Help", 0},
    {144, 1, u"Tessorine Help", F(1)},
    {103, 1, u"Context Help", 0},
    {145, 1, u"About and Memory", F(9)},
};

const std::array<int32_t, kMenuTagCount>& DefaultShortcuts() {
  static const auto table = [] {
    std::array<int32_t, kMenuTagCount> t{};
    for (const auto& e : kMenu)
      if (e.tag >= 0 && e.tag < kMenuTagCount && e.shortcut != 0) t[e.tag] = e.shortcut;
    return t;
  }();
  return table;
}

struct TNamedKey {
  int key;
  const char16_t* name;
};
constexpr TNamedKey kNamedKeys[] = {
    {kKeyBack, u"BkSp"},   {kKeyTab, u"Tab"},     {kKeyReturn, u"Enter"}, {kKeyEscape, u"Esc"},
    {kKeySpace, u"Space"}, {kKeyPageUp, u"PgUp"}, {kKeyPageDown, u"PgDn"}, {kKeyEnd, u"End"},
    {kKeyHome, u"Home"},   {kKeyLeft, u"Left"},   {kKeyUp, u"Up"},        {kKeyRight, u"Right"},
    {kKeyDown, u"Down"},   {kKeyInsert, u"Ins"},  {kKeyDelete, u"Del"},
};

bool EqualsNoCase(UStringView a, UStringView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
    if (x != y) return false;
  }
  return true;
}

int KeyOfName(UStringView name) {
  if (name.size() == 1) {
    char16_t c = name[0];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    if ((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')) return c;
    return 0;
  }
  for (const auto& k : kNamedKeys)
    if (EqualsNoCase(name, k.name)) return k.key;
  if (name.size() >= 2 && (name[0] == u'F' || name[0] == u'f')) {
    int n = 0;
    for (size_t i = 1; i < name.size(); ++i) {
      if (name[i] < u'0' || name[i] > u'9') return 0;
      n = n * 10 + (name[i] - u'0');
      if (n > 24) return 0;
    }
    if (n >= 1) return kKeyF1 + n - 1;
  }
  return 0;
}

}  // namespace

std::span<const TMenuCatalogueEntry> MenuCatalogue() { return kMenu; }

int32_t DefaultMenuShortcut(int tag) {
  if (tag < 0 || tag >= kMenuTagCount) return 0;
  return DefaultShortcuts()[tag];
}

UString ShortCutToText(int32_t shortcut) {
  const int key = shortcut & kShortcutKeyMask;
  if (key == 0) return {};
  UString out;
  if (shortcut & kShortcutCtrl) out += u"Ctrl+";
  if (shortcut & kShortcutShift) out += u"Shift+";
  if (shortcut & kShortcutAlt) out += u"Alt+";
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) {
    out += static_cast<char16_t>(key);
    return out;
  }
  if (key >= kKeyF1 && key <= kKeyF24) {
    out += u'F';
    for (char c : std::to_string(key - kKeyF1 + 1)) out += static_cast<char16_t>(c);
    return out;
  }
  for (const auto& k : kNamedKeys)
    if (k.key == key) return out + k.name;
  return {};
}

int32_t TextToShortCut(UStringView text) {
  int32_t mods = 0;
  for (;;) {
    const size_t plus = text.find(u'+');
    // A lone "+" at the end is not a key this form can name.
    if (plus == UStringView::npos || plus + 1 == text.size()) break;
    const UStringView mod = text.substr(0, plus);
    if (EqualsNoCase(mod, u"Ctrl")) mods |= kShortcutCtrl;
    else if (EqualsNoCase(mod, u"Shift")) mods |= kShortcutShift;
    else if (EqualsNoCase(mod, u"Alt")) mods |= kShortcutAlt;
    else return 0;
    text.remove_prefix(plus + 1);
  }
  const int key = KeyOfName(text);
  return key == 0 ? 0 : mods | key;
}

UString StripHotkey(UStringView caption) {
  UString out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&') {
      if (i + 1 < caption.size() && caption[i + 1] == u'&') {
        out += u'&';
        ++i;
      }
      continue;
    }
    out += caption[i];
  }
  return out;
}
