// The concordancer's menu commands as a table: which command a menu tag names and where it is
// carried out. Every menu item, pop-up item and tool button reaches the main window's one handler
// with its tag; RouteConcordanceCommand says, for the page on show, what the handler does:
//
//   1. on the source-text page: Copy (22) copies the text's selection and Source text (40) shows
//      the text of the hit on display; Open (3) skips the shared handler (the window's own Open,
//      step 4, asks about a new instance first); any other tag above 0 is offered to the shared
//      handler as on the other pages (2); a tag below 1 goes on at 3;
//   2. on every other page: a negative tag (a menu head) does nothing; otherwise the shared
//      handler (general_menu_commands.h) is asked first and, when it takes the tag, that is all;
//   3. with a current grid and a tag above 0, the common handler (number display, clear marking)
//      acts, without ending the handling;
//   4. a window command of the table is carried out by the window and ends the handling;
//   5. any other tag is posted to the current grid as message 0x1788 with wParam tag + 5000;
//      without a grid (source text, notes) nothing is posted.
//
// When the grid's message arrives, GridCommandOfTag names the list command to carry out on that
// grid; a tag the table does not know is logged there and ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

class TVXBaseDataClass;

enum class TConcCommand : uint8_t {
  kNone,
  // --- window commands (step 4) ---
  kSourceTextCopy,    // 22 on the source-text page
  kSourceTextShow,    // 40 on the source-text page
  kSourceTextPrint,   // 4 on the source-text page: the text on show
  kSave,              // 1
  kOpen,              // 3
  kPrint,             // 4
  kPrintPreview,      // 5
  kNew,               // 8
  kInsertTags,        // 73
  kTagColours,        // 77
  kMerge,             // 78
  kPadding,           // 87
  kExit,              // 91
  kHideTagKind,       // 100, 117-121
  kConcDisplay,       // 101, 112
  kColouring,         // 138, 165
  kCopyToSetColumn,   // 154
  kRecentFile,        // 161
  kFileNameList,      // 163
  kTypingMode,        // 176-178 (detail: the mode)
  kSearchWordHidden,  // 181
  kMoveLeft,          // 182
  kMoveRight,         // 183
  kToCentre,          // 197
  // --- grid commands (carried out when the grid's 0x1788 arrives) ---
  kSaveAs,            // 2, 24, 28, 184, 79 (detail: the export format)
  kCopy,              // 22
  kShowSource,        // 40: the source text of the current line
  kDelete,            // 12
  kDeleteToEnd,       // 13
  kRestore,           // 14
  kRestoreToEnd,      // 15
  kReduceToN,         // 21
  kReverseDelete,     // 198
  kMark,              // 18
  kUnmark,            // 167
  kJoin,              // 19
  kUnjoin,            // 20: the selected rows
  kUnjoinAll,         // 47
  kJoinClusters,      // 48: rows joined under the rows whose words hold theirs
  kAutoJoin,          // 104: no rule is given for it; it says so and changes nothing
  kZap,               // 11
  kUndo,              // 82
  kRedo,              // 83
  kResort,            // 10
  kOtherSort,         // 96-99, 126, 127
  kRemoveDuplicates,  // 86
  kHighlightCollocate,  // 150: the collocate or pattern cell shown in the lines or followed up
  kColumnTotals,      // 114
  kMatches,           // 7, 156, 157, 158, 209
  kGridView,          // 30-33, 166, 195, 199, 200: the grid's own display commands
  kAfterCommon,       // 105-108, 208: already done by the common handler; the grid repaints
  kCompute,           // 34, 39, 42, 44, 53, 58 (detail: the view)
  kModify,            // 141-143 (detail: 1 set, 2 search phrase, 3 undo)
  kPlotDisplay,       // 55: the plot's display option
  kFollowCollocate,   // 155: a new concordance of the collocate, in a second instance
  kPageHelp,          // 103: the help page of the page on show
  kRelativeEntropy,   // 210
  kListCommand,       // 16, 23, 25, 38, 54, 164, 180, 193: the list tools (main_window_list_tools.cpp)
  kLaterWindow,       // 6, 17, 29, 37, 52, 75, 85, 95, 170, 179, 186, 194, 207: the grid tools and viewers
};

enum class TConcCommandPlace : uint8_t { kWindow, kGrid };

// The derived views a compute command recomputes (detail of kCompute).
enum TConcComputeView : int {
  kComputeCollocates = 34,
  kComputePlot = 39,
  kComputeClusters = 42,
  kComputePatterns = 44,
  kComputeRelationships = 53,
  kComputeTimeline = 58,
};

struct TConcCommandEntry {
  int tag;
  TConcCommand command;
  TConcCommandPlace place;
  int detail;  // the export format, typing mode, view or modification; 0 otherwise
};

// The whole table, in tag order (one entry a tag).
std::span<const TConcCommandEntry> ConcordanceCommands();
std::optional<TConcCommandEntry> ConcordanceCommandOfTag(int tag);

struct TConcCommandRoute {
  bool offer_general = false;               // ask the shared handler first
  bool offer_common = false;                // then the common handler (does not end the handling)
  TConcCommand command = TConcCommand::kNone;  // a window command: carried out, then done
  int detail = 0;
  bool post_to_grid = false;                // else: post 0x1788 to the current grid
  uint64_t grid_wparam = 0;
};

inline constexpr uint32_t kConcGridCommandMessage = 0x1788;
inline constexpr int kConcGridCommandOffset = 5000;

// The word sorts of the Other sorts menu (96-99, 126, 127): the base key level 0 takes and whether
// case counts; nullopt for any other tag.
struct TOtherSort {
  int32_t key = 0;
  bool case_sensitive = false;
};
std::optional<TOtherSort> OtherSortOfTag(int tag);
// Sorts the whole list on its words as the tag says, in one level, ascending, through the base's
// own word comparers (a list's own meaning of the same key numbers is passed by). False for a
// tag that is no word sort or a sort the list refused (busy); the order is then unchanged.
bool SortOnWords(TVXBaseDataClass& list, int tag);

// The help page of a result page by the list type it shows (27 the source text, 26 the notes);
// the general page for any other.
int PageHelpContext(int list_type);
// The help the status bar's help panel (9) opens: the page on show's, or the window's own
// (the general page) while the window holds no data.
int StatusPanelHelpContext(bool has_data, int list_type);
inline constexpr int kStatusPanelHelp = 9;

// What the handler does with a tag on the page on show.
TConcCommandRoute RouteConcordanceCommand(int tag, bool source_text_page, bool has_grid);

// The list command a grid's 0x1788 names (wParam tag + 5000); nullopt for an unknown tag or a
// wParam outside the tags.
std::optional<TConcCommandEntry> GridCommandOfMessage(uint64_t wparam);
