#include "concordance/commands/collocate_highlight.h"

#include <algorithm>
#include <cmath>

#include "concordance/views/collocates_list.h"
#include "concordance/views/patterns_list.h"
#include "concordance/document/source_files.h"
#include "concordance/document/tell_list.h"
#include "platform/runtime/list_headings.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "shell/services/suite_services.h"

namespace {

constexpr int kCollocateWordColumn = 1;
constexpr int kCollocateTotalColumn = 16;
constexpr int kCollocateRightColumn = 18;

}  // namespace

THighlightCell HighlightOfCollocateCell(const TCollocateList& list, int row, int column) {
  THighlightCell out;
  const TCollocateEntry* e = list.Row(row);
  if (!e) return out;
  const TCollocateEntryRec32& r = e->rec;
  out.rec.sw_number = r.head.sw_number;
  out.rec.span_pos = kHighlightEverySpan;
  out.rec.colloc_w = UpperCaseU(r.word.value_or(UString()));
  if (column == kCollocateWordColumn) {
    if (e->JoinedCount() == 0) return out;
    for (const TVXBaseListObject* joined : e->JoinedEntries())
      out.lemma_forms.push_back(joined->MainWordOnly() + u"\t" + IntToUStr(joined->MainWordFrequency()));
    out.kind = THighlightCellKind::kLemmaForms;
    return out;
  }
  if (column >= kCollocateTotalColumn && column <= kCollocateRightColumn) {
    // The count itself, not the share the grid shows beside it.
    const int k = column - kCollocateTotalColumn;
    out.rec.instances = k == 0 ? r.head.total : k == 1 ? r.head.total_left : r.head.total_right;
    out.rec.all = k == 0;
    out.rec.only_left = k == 1;
    out.rec.only_right = k == 2;
    out.label = VXRes(k == 0 ? TVXRes::VXTotal : k == 1 ? TVXRes::VXLeft : TVXRes::VXRight);
    out.kind = THighlightCellKind::kHighlight;
    return out;
  }
  // Only a position column names a place to count at: the row number and the Set column have
  // none, and a highlight there would count nothing.
  const int span = list.ColToSpan(column);
  if (column < kCollocateStandardColumns || span > kHighlightEverySpan) return out;
  const size_t k = static_cast<size_t>(column - kCollocateStandardColumns);
  out.rec.instances = k < r.freqs.size() ? r.freqs[k] : 0;
  out.rec.span_pos = static_cast<uint8_t>(span);
  out.kind = THighlightCellKind::kHighlight;
  return out;
}

THighlightCell HighlightOfPatternCell(const TPatternsList& list, int row, int column) {
  THighlightCell out;
  const TPatternEntry* e = list.Row(row);
  const int span = list.PatternColToSpan(column - 1);
  if (!e || span < kPatternFirstSpan || span >= kPatternFirstSpan + kPatternPositions) return out;
  const size_t k = static_cast<size_t>(span - kPatternFirstSpan);
  if (!e->rec.ws[k] || e->rec.ws[k]->empty()) return out;
  out.rec.sw_number = kPatternCollocateNumber;
  out.rec.span_pos = static_cast<uint8_t>(span);
  out.rec.colloc_w = UpperCaseU(*e->rec.ws[k]);
  out.kind = THighlightCellKind::kHighlight;
  return out;
}

std::optional<int> ShowHighlightInLines(TConcordanceList& list, const TConcordanceHighlightRec& rec) {
  list.HighlightRec = rec;
  list.HighlightRec.active = true;
  // Counts of an earlier highlight would be taken for this one's.
  list.ClearHighlightCollocFreqs();
  list.SetThreeSorts(kConcSortHighlight, kConcSortSearchWord, kConcSortSearchWord);
  list.SetSortAscending(0, false);
  const int lines = list.Count();
  if (lines <= 0) return std::nullopt;
  if (!list.CompleteResort()) return std::nullopt;
  const int32_t top = list.HighlightCollocFreqOfLine(0);
  int level = 0;
  while (level + 1 < lines && list.HighlightCollocFreqOfLine(level + 1) == top) ++level;
  return std::min(std::max(1, level + 1), lines);
}

// --- follow-up ----------------------------------------------------------------------------------

TFollowUpPosition FollowUpPositionOf(const TConcordanceHighlightRec& rec) {
  TFollowUpPosition p;
  p.span_pos = rec.span_pos == 0 ? kHighlightEverySpan : rec.span_pos;
  p.only_left = rec.only_left;
  p.only_right = rec.only_right;
  p.context_word = rec.colloc_w;
  return p;
}

std::pair<int16_t, int16_t> FollowUpHorizons(std::pair<int16_t, int16_t> hors, const TFollowUpPosition& position,
                                             int32_t& exact_gap) {
  exact_gap = 0;
  const int p = position.span_pos;
  if (p == kHighlightEverySpan) {
    if (position.only_left) hors.second = 0;
    if (position.only_right) hors.first = 0;
    return hors;
  }
  exact_gap = p - kSpanCentre;
  if (exact_gap == 0) return hors;
  if (exact_gap > 0) return {int16_t(0), static_cast<int16_t>(exact_gap)};
  return {static_cast<int16_t>(-exact_gap), int16_t(0)};
}

bool SendFollowUpRequest(T_WholeLinzoraHolder& doc, const TFollowUpPosition& position, UStringView word,
                         UString* failure, TSourceFileProbe* probe) {
  auto fail = [&](UString why) {
    if (failure) *failure = std::move(why);
    return false;
  };
  TTellLinzoraList request(kToolConcordancer, kToolConcordancer);
  request.Reset();
  TLinzoraFilenamelist& texts = request.MakeSourceFileList();
  if (const TLinzoraFilenamelist* own = doc.fTextFilesWithSearchWord)
    for (int i = 0; i < own->Count(); ++i)
      texts.Add(new TLinzoraFilenameEntry(&texts, own->GetEntryRecPlus(i, false)));
  if (texts.Count() == 0 || request.CheckWhetherAllFilesExist(probe) <= 0)
    return fail(u"no source text of the concordance is left to search");

  request.fPreliminaries.called_by = 1;
  request.fPreliminaries.include_stats = 1;
  TLinzoraInfoClass& item = request.AddItem(word);
  SetConcSaveRecSkipPunctuation(true);
  int32_t gap = 0;
  // The collocate was counted within the collocate horizons; the span the document's own run gave
  // its context word (an exact place, say) has nothing to do with it.
  const auto [left, right] =
      FollowUpHorizons({doc.fSettings.CollocHorizonLeft(), doc.fSettings.CollocHorizonRight()}, position, gap);
  request.fPreliminaries.context_exact_gap = gap;
  request.fPreliminaries.context_hors[0] = left;
  request.fPreliminaries.context_hors[1] = right;
  if (!position.context_word.empty()) {
    request.fPreliminaries.include_context_words = 1;
    item.context_words.push_back(position.context_word);
  }
  if (!request.SaveRequestFile()) {
    const UString name = request.TempFilename();
    VXDialog(TVXDialog::FailedToSave, {name.empty() ? UString(u"the hand-over folder") : name});
    return fail(request.Failure());
  }
  SetTextSettings(doc.TextSettings());
  PostToController(kCodeFollowUpRequest);
  if (failure) failure->clear();
  return true;
}
