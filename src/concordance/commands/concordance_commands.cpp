#include "concordance/commands/concordance_commands.h"

#include "model/reading/tag_lists.h"

#include <algorithm>

#include "concordance/document/concordance_document.h"
#include "concordance/document/source_files.h"
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

// --- after lines went or came back -------------------------------------------------------------

namespace {

// Lines not deleted per text, by the text's number in the run (from 0): what the views count.
std::vector<int32_t> LinesPerText(const T_WholeLinzoraHolder& doc) {
  std::vector<int32_t> lines;
  const TConcordanceList* list = doc.fConcordanceList.get();
  if (!list) return lines;
  for (int i = 0; i < list->Count(); ++i) {
    if (list->GetDeleted(i)) continue;
    const TConcordanceEntry* line = list->Line(i);
    const int32_t text = line ? line->SourceTextIndex() : -1;
    if (text < 0) continue;
    if (static_cast<size_t>(text) >= lines.size()) lines.resize(static_cast<size_t>(text) + 1, 0);
    ++lines[static_cast<size_t>(text)];
  }
  return lines;
}

}  // namespace

bool TextHitsMatchLines(const T_WholeLinzoraHolder& doc) {
  const TLinzoraFilenamelist* files = doc.fTextFilesWithSearchWord;
  if (!files || !doc.fConcordanceList) return true;
  const std::vector<int32_t> lines = LinesPerText(doc);
  for (int i = 0; i < files->Count(); ++i) {
    const TLinzoraFilenameEntryRecPlus r = files->GetEntryRecPlus(i, false);
    const int32_t n = r.other_data.zero_based_filename_num;
    const int32_t now = n >= 0 && static_cast<size_t>(n) < lines.size() ? lines[static_cast<size_t>(n)] : 0;
    if (std::max(r.other_data.hits_this_file, 0) != now) return false;
  }
  return true;
}

void RecountAfterLinesChanged(T_WholeLinzoraHolder& doc) {
  if (TLinzoraFilenamelist* files = doc.fTextFilesWithSearchWord) {
    const std::vector<int32_t> lines = LinesPerText(doc);
    for (int i = 0; i < files->Count(); ++i) {
      const int32_t n = files->GetEntryRecPlus(i, false).other_data.zero_based_filename_num;
      const int32_t now = n >= 0 && static_cast<size_t>(n) < lines.size() ? lines[static_cast<size_t>(n)] : 0;
      files->SetHits(i, false, now);
      files->SetStillInConcordance(i, false, now > 0);
    }
  }
  // Relationships (index 0) are not made from the lines.
  for (size_t k = 1; k < doc.fComputed.size(); ++k) doc.fComputed[k] = 0;
}
