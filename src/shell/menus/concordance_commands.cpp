#include "shell/menus/concordance_commands.h"

#include <algorithm>
#include <array>

#include "model/lists/result_list_base.h"

namespace {

using C = TConcCommand;
constexpr TConcCommandPlace W = TConcCommandPlace::kWindow;
constexpr TConcCommandPlace G = TConcCommandPlace::kGrid;

constexpr std::array kCommands = std::to_array<TConcCommandEntry>({
    {1, C::kSave, W, 0},
    {2, C::kSaveAs, G, 0},
    {3, C::kOpen, W, 0},
    {4, C::kPrint, W, 0},
    {5, C::kPrintPreview, W, 0},
    {6, C::kLaterWindow, G, 0},
    {7, C::kMatches, G, 0},
    {8, C::kNew, W, 0},
    {10, C::kResort, G, 0},
    {11, C::kZap, G, 0},
    {12, C::kDelete, G, 0},
    {13, C::kDeleteToEnd, G, 0},
    {14, C::kRestore, G, 0},
    {15, C::kRestoreToEnd, G, 0},
    {16, C::kListCommand, G, 0},
    {17, C::kLaterWindow, G, 0},
    {18, C::kMark, G, 0},
    {19, C::kJoin, G, 0},
    {20, C::kUnjoin, G, 0},
    {21, C::kReduceToN, G, 0},
    {22, C::kCopy, G, 0},
    {23, C::kListCommand, G, 0},
    {24, C::kSaveAs, G, 1},
    {25, C::kListCommand, G, 0},
    {28, C::kSaveAs, G, 2},
    {29, C::kLaterWindow, G, 0},
    {30, C::kGridView, G, 0},
    {31, C::kGridView, G, 0},
    {32, C::kGridView, G, 0},
    {33, C::kGridView, G, 0},
    {34, C::kCompute, G, kComputeCollocates},
    {37, C::kLaterWindow, G, 0},
    {38, C::kListCommand, G, 0},
    {39, C::kCompute, G, kComputePlot},
    {40, C::kShowSource, G, 0},
    {42, C::kCompute, G, kComputeClusters},
    {44, C::kCompute, G, kComputePatterns},
    {47, C::kUnjoinAll, G, 0},
    {48, C::kJoinClusters, G, 0},
    {52, C::kLaterWindow, G, 0},
    {53, C::kCompute, G, kComputeRelationships},
    {54, C::kListCommand, G, 0},
    {55, C::kPlotDisplay, G, 0},
    {58, C::kCompute, G, kComputeTimeline},
    {73, C::kInsertTags, W, 0},
    {75, C::kLaterWindow, G, 0},
    {77, C::kTagColours, W, 0},
    {78, C::kMerge, W, 0},
    {79, C::kSaveAs, G, 5},
    {82, C::kUndo, G, 0},
    {83, C::kRedo, G, 0},
    {85, C::kLaterWindow, G, 0},
    {86, C::kRemoveDuplicates, G, 0},
    {87, C::kPadding, W, 0},
    {91, C::kExit, W, 0},
    {95, C::kLaterWindow, G, 0},
    {96, C::kOtherSort, G, 0},
    {97, C::kOtherSort, G, 0},
    {98, C::kOtherSort, G, 0},
    {99, C::kOtherSort, G, 0},
    {100, C::kHideTagKind, W, 0},
    {101, C::kConcDisplay, W, 0},
    {103, C::kPageHelp, G, 0},
    {104, C::kAutoJoin, G, 0},
    {105, C::kAfterCommon, G, 0},
    {106, C::kAfterCommon, G, 0},
    {107, C::kAfterCommon, G, 0},
    {108, C::kAfterCommon, G, 0},
    {112, C::kConcDisplay, W, 0},
    {114, C::kColumnTotals, G, 0},
    {117, C::kHideTagKind, W, 0},
    {118, C::kHideTagKind, W, 0},
    {119, C::kHideTagKind, W, 0},
    {120, C::kHideTagKind, W, 0},
    {121, C::kHideTagKind, W, 0},
    {126, C::kOtherSort, G, 0},
    {127, C::kOtherSort, G, 0},
    {138, C::kColouring, W, 0},
    {141, C::kModify, G, 1},
    {142, C::kModify, G, 2},
    {143, C::kModify, G, 3},
    {150, C::kHighlightCollocate, G, 0},
    {154, C::kCopyToSetColumn, W, 0},
    {155, C::kFollowCollocate, G, 0},
    {156, C::kMatches, G, 0},
    {157, C::kMatches, G, 0},
    {158, C::kMatches, G, 0},
    {161, C::kRecentFile, W, 0},
    {163, C::kFileNameList, W, 0},
    {164, C::kListCommand, G, 0},
    {165, C::kColouring, W, 0},
    {166, C::kGridView, G, 0},
    {167, C::kUnmark, G, 0},
    {170, C::kLaterWindow, G, 0},
    {176, C::kTypingMode, W, 0},
    {177, C::kTypingMode, W, 1},
    {178, C::kTypingMode, W, 2},
    {179, C::kLaterWindow, G, 0},
    {180, C::kListCommand, G, 0},
    {181, C::kSearchWordHidden, W, 0},
    {182, C::kMoveLeft, W, 0},
    {183, C::kMoveRight, W, 0},
    {184, C::kSaveAs, G, 3},
    {186, C::kLaterWindow, G, 0},
    {193, C::kListCommand, G, 0},
    {194, C::kLaterWindow, G, 0},
    {195, C::kGridView, G, 0},
    {197, C::kToCentre, W, 0},
    {198, C::kReverseDelete, G, 0},
    {199, C::kGridView, G, 0},
    {200, C::kGridView, G, 0},
    {207, C::kLaterWindow, G, 0},
    {208, C::kAfterCommon, G, 0},
    {209, C::kMatches, G, 0},
    {210, C::kRelativeEntropy, G, 0},
});

constexpr bool SortedByTag() {
  for (size_t i = 1; i < kCommands.size(); ++i)
    if (kCommands[i - 1].tag >= kCommands[i].tag) return false;
  return true;
}
static_assert(SortedByTag(), "the command table is looked up by halving: one entry a tag, in tag order");

constexpr int kTagOpen = 3;
constexpr int kTagPrint = 4;
constexpr int kTagCopy = 22;
constexpr int kTagSourceText = 40;

}  // namespace

std::span<const TConcCommandEntry> ConcordanceCommands() { return kCommands; }

std::optional<TConcCommandEntry> ConcordanceCommandOfTag(int tag) {
  const auto* it = std::lower_bound(kCommands.begin(), kCommands.end(), tag,
                                    [](const TConcCommandEntry& e, int t) { return e.tag < t; });
  if (it == kCommands.end() || it->tag != tag) return std::nullopt;
  return *it;
}

TConcCommandRoute RouteConcordanceCommand(int tag, bool source_text_page, bool has_grid) {
  TConcCommandRoute r;
  if (source_text_page) {
    if (tag == kTagCopy) r.command = TConcCommand::kSourceTextCopy;
    if (tag == kTagSourceText) r.command = TConcCommand::kSourceTextShow;
    if (tag == kTagPrint) r.command = TConcCommand::kSourceTextPrint;
    if (r.command != TConcCommand::kNone) return r;
    // The page's own Open asks about a new instance first; every other shared command (settings,
    // plain text, choose texts, bars, help, about) does here what it does on the other pages.
    r.offer_general = tag > 0 && tag != kTagOpen;
  } else {
    if (tag < 0) return r;
    r.offer_general = true;
  }
  r.offer_common = tag > 0 && has_grid;
  if (const auto e = ConcordanceCommandOfTag(tag); e && e->place == TConcCommandPlace::kWindow) {
    r.command = e->command;
    r.detail = e->detail;
    return r;
  }
  // A page without a grid (source text, notes) has nobody to carry a list command out.
  r.post_to_grid = has_grid;
  if (has_grid) r.grid_wparam = static_cast<uint64_t>(static_cast<int64_t>(tag) + kConcGridCommandOffset);
  return r;
}

std::optional<TConcCommandEntry> GridCommandOfMessage(uint64_t wparam) {
  if (wparam < static_cast<uint64_t>(kConcGridCommandOffset) || wparam > static_cast<uint64_t>(kConcGridCommandOffset) + 0xFFFF)
    return std::nullopt;
  const auto e = ConcordanceCommandOfTag(static_cast<int>(wparam) - kConcGridCommandOffset);
  if (!e || e->place != TConcCommandPlace::kGrid) return std::nullopt;
  return e;
}

std::optional<TOtherSort> OtherSortOfTag(int tag) {
  switch (tag) {
    case 96: return TOtherSort{kSortAlphabetical, false};
    case 97: return TOtherSort{kSortReverseAlphabetical, false};
    case 98: return TOtherSort{kSortWordLength, false};
    case 99: return TOtherSort{kSortAlphabetical, true};
    case 126: return TOtherSort{kSortPrefix, false};
    case 127: return TOtherSort{kSortSuffix, false};
    default: return std::nullopt;
  }
}

bool SortOnWords(TVXBaseDataClass& list, int tag) {
  const std::optional<TOtherSort> sort = OtherSortOfTag(tag);
  if (!sort) return false;
  // The base's comparers: derived lists read the same numbers as their own columns.
  list.TVXBaseDataClass::Set1Sort(0, sort->key);
  list.SetSortCaseSensitive(0, sort->case_sensitive);
  list.SetSortAscending(0, true);
  return list.DoASort(1, 0, list.Count() - 1);
}

int PageHelpContext(int list_type) {
  switch (list_type) {
    case 27: return 6000;  // source text
    case 26: return 1120;  // notes
    case 10: return 6230;
    case 5: return 1980;
    case 12: return 2010;
    case 14: return 2130;
    case 13: return 2000;
    case 20: return 5560;
    case 17: return 1420;
    default: return 1000;
  }
}

int StatusPanelHelpContext(bool has_data, int list_type) { return PageHelpContext(has_data ? list_type : 0); }
