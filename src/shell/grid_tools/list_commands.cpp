#include "shell/grid_tools/list_commands.h"

#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "shell/grid_tools/grid_cells.h"
#include "shell/menus/menu_store.h"
#include "shell/services/suite_services.h"

namespace {
constexpr uint8_t kMatchListKind = 1;
constexpr int kReverseDeletionHelp = 5690;

TVXRes ActionText(int action) {
  switch (action) {
    case 1: return TVXRes::VXDeleteMatches;
    case 2: return TVXRes::VXDeleteNonMatches;
    case 3: return TVXRes::VXRemoveMatchMarking;
    default: return TVXRes::VXMatchAndMark;
  }
}
}  // namespace

bool MatchListUsable(uint8_t tool) {
  const TMatchListSettingsRec settings = GetMatchListSettings(tool);
  if (settings.Kind() == 1) return true;
  return settings.Kind() == 0 && Global_stopLemmaMatchLoaded[kMatchListKind] &&
         GetLemmaMatchStopWanted(tool, kMatchListKind);
}

bool AskMatchList(uint8_t tool) {
  if (MatchListUsable(tool)) return true;
  if (VXDialog(TVXDialog::NoMatchList) == mrYes) {
    SetMenuItemChecked(kTagMarkMatches, false);
    SetMenuItemChecked(kTagSetUpMatchMethod, false);
    PostToController(kCodeMatchListSetUp);
  }
  return false;
}

TMatchCommandOutcome MatchCommand(TVXBaseLemmaMatchCapableList& list, int tag, uint8_t tool) {
  TMatchCommandOutcome out;
  const int action = TagToMatchAction(tag);
  if (action < 0) return out;
  // Clearing the marks needs no match list.
  if (action != 3 && !AskMatchList(tool)) return out;
  out.found = list.CheckMatches(tag);
  out.ran = true;
  out.report = VXRes(ActionText(action)) + u": " +
               VXResFmt(TVXRes::VXFunctionNFound, {VXRes(TVXRes::VXMatchListItems), IntToUStr(out.found)});
  if ((action == 1 && VXDialog(TVXDialog::OKToZapNow) == mrYes) ||
      (action == 2 && VXDialog(TVXDialog::OKToZapRemainderNow) == mrYes))
    out.zapped = list.Zap(true);
  return out;
}

bool ReverseDeletion(TVXBaseDataClass& list, const std::function<void(int64_t, int64_t)>& progress) {
  if (VXDialog(TVXDialog::OKToDoX, {VXRes(TVXRes::VXReverseDeletion)}, kReverseDeletionHelp) != mrYes) return false;
  const int64_t total = list.Count();
  for (int i = 0; i < list.Count(); ++i) {
    list.SetDeleted(i, !list.GetDeleted(i));
    if (progress && (i & 0xFF) == 0xFF) progress(i + 1, total);
  }
  return true;
}

bool ComputeColumnTotalsIfWanted(TVXBaseDataClass& list, bool& totals_on) {
  if (!totals_on) {
    if (VXDialog(TVXDialog::ComputeColumnTotalsQ) != mrYes) return false;
    totals_on = true;
  }
  list.ComputeColumnTotals();
  return totals_on;
}

UString RowTextToSpeak(TVXBaseDataClass& list, int row, int kind_of_display) {
  UString out;
  if (row < 1 || row > list.TotalRowCount()) return out;
  const int columns = list.HeadingCount() > 0 ? list.HeadingCount() : list.MainWordColumn() + 1;
  for (int c = 1; c < columns; ++c) {
    TGrid_data_rec cell;
    list.DrawgridDataRec(c, row, cell, kind_of_display);
    const UString text = GridCellText(cell);
    if (text.empty()) continue;
    if (!out.empty()) out += u", ";
    out += text;
  }
  return out;
}
