#include "concordance/commands/concordance_commands.h"

#include "model/reading/tag_lists.h"

#include <algorithm>

#include "concordance/document/concordance_document.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"

namespace {

constexpr int kHelpNearDuplicates = 6020;
constexpr int kHelpCopyToSetColumn = 6330;
constexpr int kFewestLinesPerRow = 2;
constexpr int kMostLinesPerRow = 10;

// The runtime's "verb object to target" phrase.
UString VerbObjectTarget(UStringView verb, UStringView object, UStringView target) {
  return UFormat(u"%s %s to %s", {verb, object, target});
}

}  // namespace

TDuplicatesOutcome RemoveDuplicateLines(TVXBaseLemmaMatchCapableList& list, const TDuplicatesProgress& progress) {
  TDuplicatesOutcome out;
  TDuplicatesResult result;
  list.RemoveDuplicates(result, progress);
  out.found = result.deleted;
  if (result.first_index >= 0) {
    out.first_row = result.first_index + 1;
    out.top_row = std::max(1, *out.first_row - 5);
  }
  VXDialog(TVXDialog::N_DuplicatesFound, {IntToUStr(out.found)});
  VXDialog(TVXDialog::ReportedAFact, {VXResFmt(TVXRes::VXClickHelpOnX, {VXRes(TVXRes::VXNearDuplicates)})},
           kHelpNearDuplicates);
  return out;
}

UString CopyToSetColumnQuestion() {
  const UString target = VXResFmt(TVXRes::VXXColumn, {VXRes(TVXRes::VXSet)});
  return VXResFmt(TVXRes::VXXNow, {VerbObjectTarget(VXRes(TVXRes::VXCopy), VXRes(TVXRes::VXSearchWord), target)});
}

bool CopySearchWordsToSetColumn(T_WholeLinzoraHolder& doc) {
  if (!IsYes(VXDialog(TVXDialog::OKToDoX, {CopyToSetColumnQuestion()}, kHelpCopyToSetColumn))) return false;
  doc.CopySearchWordHitsToSetColumn();
  return true;
}

TTagButtonCaptions TagButtonCaptions(const T_WholeLinzoraHolder& doc) {
  auto caption = [](bool hidden, TVXRes kind) {
    return VXResFmt(hidden ? TVXRes::VXShowX : TVXRes::VXHideX, {VXRes(kind)});
  };
  TTagButtonCaptions out;
  out.tag_file_tags = caption(OptionSet(doc.fSettings.DisplayOptions(), 0), TVXRes::VXTagfileTags);
  out.undefined_tags = caption(OptionSet(doc.fSettings.HideOptions(), kTagHideUndefined - 117), TVXRes::VXUndefinedTags);
  return out;
}

bool DataHasColourTags(const T_WholeLinzoraHolder& doc) {
  for (const TVisibleTagRec& t : doc.fArrayOfSavedTags)
    if (t.foreground_colour != DefaultTagTextColour() || t.background_colour != DefaultTagBackgroundColour()) return true;
  return false;
}

TTagButtonCaptions HideTagKind(T_WholeLinzoraHolder& doc, int tag) {
  if (IsHideTagKindTag(tag)) doc.ToggleHidetags(tag);
  return TagButtonCaptions(doc);
}

int GrownOrShrunkLinesPerRow(int lines_per_row, bool grow) {
  if (grow) return lines_per_row < kMostLinesPerRow ? lines_per_row + 2 : lines_per_row;
  return lines_per_row > kFewestLinesPerRow ? lines_per_row - 2 : lines_per_row;
}
