// List-editing commands of a main window that need no window: the match commands, reversing the
// deletion marks and the column totals. Each works on the current page's list, asks its questions
// through the dialog service and leaves refreshing the grid to the caller.
//
// Match commands (menu tags 7 mark, 156 delete matched, 157 delete unmatched, 209 clear marks):
// they run only when a match list is usable; otherwise the user is offered to set one up (Yes
// asks the controller, code 1330). Deleting matches or non-matches then offers to zap the deleted
// entries (undoably).
#pragma once

#include <cstdint>
#include <functional>

#include "model/documents/work_base.h"
#include "platform/rtl/ustring.h"

inline constexpr int kTagSetUpMatchMethod = 158;
inline constexpr uint16_t kCodeMatchListSetUp = 1330;

// True when the tool's match-list settings name typed words (kind 1), or a list file (kind 0)
// that is switched on and loaded.
bool MatchListUsable(uint8_t tool);

// When no match list is usable: NoMatchList; Yes unchecks menu items 7 and 158 in the store and
// asks the controller to set one up. True when a usable list is there.
bool AskMatchList(uint8_t tool);

struct TMatchCommandOutcome {
  bool ran = false;      // the list was changed or its marks cleared
  int32_t found = 0;     // entries the match list met
  int32_t zapped = 0;    // deleted entries purged afterwards
  UString report;        // "<action>: <count text>" for the status bar
};
// The match command of a menu tag on the list; nothing runs for another tag or without a usable
// match list.
TMatchCommandOutcome MatchCommand(TVXBaseLemmaMatchCapableList& list, int tag, uint8_t tool);

// After the user agrees (OKToDoX, help context 5690), every entry's deleted mark is turned over;
// progress(done, total) every 256 entries. True when it ran.
bool ReverseDeletion(TVXBaseDataClass& list, const std::function<void(int64_t, int64_t)>& progress = nullptr);

// Column totals: asked (ComputeColumnTotalsQ) only while totals_on is false; Yes computes them and
// sets totals_on, No clears it. Answers totals_on.
bool ComputeColumnTotalsIfWanted(TVXBaseDataClass& list, bool& totals_on);

// --- reading a row aloud ---------------------------------------------------------------------------

// Reads texts aloud. The window's own speaks through the desktop's speech engine; without one
// HasEngine is false and the window says so instead of speaking.
class TSpeechService {
 public:
  virtual ~TSpeechService() = default;
  virtual bool HasEngine() const { return true; }
  virtual bool Speak(UStringView text) = 0;
};

// What reading grid row row (from 1) aloud says: its cells after the row number as the grid
// writes them, the empty ones left out, joined by ", "; empty for a row the list does not have.
UString RowTextToSpeak(TVXBaseDataClass& list, int row, int kind_of_display);
