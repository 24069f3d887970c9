// The notes a concordance document adds, the per-text details file, and the merge of two
// concordance documents.
#include <algorithm>
#include <unordered_map>

#include "concordance/document/concordance_document.h"
#include "concordance/views/timeline_list.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"

namespace {
const UString kTab1 = u"\t";
const UString kTab2 = u"\t\t";
const UString kTimelineDatesHead = u"Time-line periods:";

// The time-line's periods and the date they go by; empty while it has no rows.
UString TimelineDatesNote(const TConcordanceDerivedList* list) {
  const auto* timeline = dynamic_cast<const TTimelineList*>(list);
  if (!timeline || timeline->Count() == 0) return UString();
  const TTimeLinePlotbase basis = timeline->TimeLineData(0).head.basis;
  return kTab1 + kTimelineDatesHead + u" " + TimeLinePlotbaseStr(basis) +
         u", by each text's date (the day its file was last changed)";
}
}  // namespace

void T_WholeLinzoraHolder::AddTextSettingsNotes() {
  TTessorineholder::AddTextSettingsNotes();
  AddNoteDetails(fConcordanceList->DetailsOfCurrentSettings(), 1);
  if (fUnusedFiles.Count() > 0) {
    fNotes.Add(kTab1 + VXResFmt(TVXRes::VXTotalXEquals, {VXResFmt(TVXRes::VXXNotFound, {VXRes(TVXRes::VXSearchWord)}),
                                                         IntToUStr(fUnusedFiles.Count())}));
    for (const UString& name : fTextsWithoutHits) fNotes.Add(kTab2 + VXResFmt(TVXRes::VXNotFoundIn, {name}));
    fNotes.Add(kTab2 + VXRes(TVXRes::VXSaveTextFileDataCanList));
  }
  fNotes.Add(kTab1 + VXResFmt(TVXRes::VXNmanyCharactersSavedPerEntry, {IntToUStr(fSettings.CharactersPerLine())}));
  fNotes.Add(kTab1 + VXRes(TVXRes::VXContextPlain) + u":" + fSettings.ContextWord());
  fNotes.Add(kTab1 + VXRes(TVXRes::VXExcluding) + u":" + fSettings.ExclusionWord());
  fNotes.Add(kTab1 + VXResFmt(TVXRes::VXCollocateHorizonsXToY,
                              {VXRes(TVXRes::VXL) + IntToUStr(fSettings.CollocHorizonLeft()),
                               VXRes(TVXRes::VXR) + IntToUStr(fSettings.CollocHorizonRight())}));
  fNotes.Add(kTab1 + VXResFmt(TVXRes::VXContextWordHorizonsXToY,
                              {VXRes(TVXRes::VXL) + IntToUStr(fSettings.ContextHorizonLeft()),
                               VXRes(TVXRes::VXR) + IntToUStr(fSettings.ContextHorizonRight())}));
  // The cluster sizes, not their reach: that is what the user set.
  fNotes.Add(kTab1 + VXResFmt(TVXRes::VXXWordClusters,
                              {IntToUStr(fSettings.ClusterSizeMin()), IntToUStr(fSettings.ClusterSizeMax())}));
  fNotes.Add(kTab1 + VXRes(Unicode() ? TVXRes::VXUnicode : TVXRes::VXSingleByteFormat));
  if (GetFastMinimalProcessing(current_tool_var)) {
    fNotes.Add(kTab1 + VXRes(TVXRes::VXMinimalProcessing));
    return;
  }
  fNotes.Add(kTab1 + VXResFmt(TVXRes::VXCurrentXSettings, {VXRes(TVXRes::VXCollocate)}));
  fNotes.Add(kTab2 + VXRes(fSettings.StopAtLevel() == 0 ? TVXRes::VXStopAtEndOfText : TVXRes::VXStopAtXBreak));
  fNotes.Add(kTab2 + VXResFmt(TVXRes::VXMinimumLengthLetters, {IntToUStr(fSettings.MinWordLength())}));
  fNotes.Add(kTab2 + VXResFmt(TVXRes::VXMinimumXIs,
                              {VXRes(TVXRes::VXFrequency), IntToUStr(fSettings.MinCollocateFrequency())}));
  fNotes.Add(kTab2 + VXResFmt(TVXRes::VXMinimumXIs, {VXRes(TVXRes::VXTexts), IntToUStr(fSettings.MinCollocateTexts())}));
  fNotes.Add(kTab2 + VXResFmt(TVXRes::VXFunctionNFound, {VXRes(TVXRes::VXCollocates), IntToUStr(fCollocateList->Count())}));
  if (StopListLoaded())
    fNotes.Add(kTab1 + VXResFmt(TVXRes::VXFunctionNFound,
                                {VXRes(TVXRes::VXStopListItems), IntToUStr(fCollocateList->stoplist_types)}));
  const std::pair<TVXRes, TConcordanceDerivedList*> views[] = {{TVXRes::VXPatterns, fPatternsList.get()},
                                                               {TVXRes::VXClusters, fClusterList.get()},
                                                               {TVXRes::VXPlots, fConcPlotList.get()},
                                                               {TVXRes::VXTimelines, fTimeLineList.get()}};
  for (const auto& [name, list] : views)
    fNotes.Add(kTab1 + VXResFmt(TVXRes::VXFunctionNFound, {VXRes(name), IntToUStr(list->Count())}));
  if (const UString dates = TimelineDatesNote(fTimeLineList.get()); !dates.empty()) fNotes.Add(dates);
}

void T_WholeLinzoraHolder::UpdateViewNotes() {
  const std::pair<TVXRes, TConcordanceDerivedList*> views[] = {{TVXRes::VXCollocates, fCollocateList.get()},
                                                               {TVXRes::VXPatterns, fPatternsList.get()},
                                                               {TVXRes::VXClusters, fClusterList.get()},
                                                               {TVXRes::VXPlots, fConcPlotList.get()},
                                                               {TVXRes::VXTimelines, fTimeLineList.get()}};
  std::vector<UString> lines = fNotes.Lines();
  int timeline_line = -1, dates_line = -1;
  for (size_t i = 0; i < lines.size(); ++i) {
    UString& line = lines[i];
    const size_t indent = line.find_first_not_of(u'\t');
    if (indent == UString::npos) continue;
    const UStringView rest = UStringView(line).substr(indent);
    if (StartsWithU(rest, kTimelineDatesHead)) dates_line = static_cast<int>(i);
    if (!EndsWithU(rest, u" found")) continue;
    for (const auto& [name, list] : views) {
      if (!list || !StartsWithU(rest, VXRes(name) + u": ")) continue;
      line = line.substr(0, indent) + VXResFmt(TVXRes::VXFunctionNFound, {VXRes(name), IntToUStr(list->Count())});
      if (name == TVXRes::VXTimelines) timeline_line = static_cast<int>(i);
      break;  // `rest` looked into the line just replaced
    }
  }
  const UString dates = TimelineDatesNote(fTimeLineList.get());
  if (dates_line >= 0) {
    if (dates.empty()) lines.erase(lines.begin() + dates_line);
    else lines[static_cast<size_t>(dates_line)] = dates;
  } else if (!dates.empty()) {
    lines.insert(timeline_line >= 0 ? lines.begin() + timeline_line + 1 : lines.end(), dates);
  }
  fNotes.Clear();
  for (const UString& line : lines) fNotes.Add(line);
}

// Brings the hits of every source text up to date from the lines; a source text with no line
// left goes to the unused texts once (a second call adds no second row).
void T_WholeLinzoraHolder::CheckBothTextFileListsUptoDate() {
  const bool fetching = fSettings.FetchingLineTexts();
  fSettings.SetFetchingLineTexts(true);
  TLinzoraFilenamelist& files = *fTextFilesWithSearchWord;
  std::vector<int32_t> hits(static_cast<size_t>(files.Count()), 0);
  for (int i = 0; i < files.Count(); ++i) {
    files.SetHits(i, false, 0);
    files.SetStillInConcordance(i, false, false);
  }
  for (int i = 0; i < fConcordanceList->Count(); ++i) {
    const TConcordanceEntry* line = fConcordanceList->Line(i);
    if (!line) continue;
    const int row = files.PositionOf(line->SourceTextIndex(), true);
    if (row < 0) continue;
    files.SetStillInConcordance(row, false, true);
    ++hits[static_cast<size_t>(row)];
  }
  for (int i = files.Count() - 1; i >= 0; --i) {
    if (files.StillInConcordance(i, false)) {
      files.SetHits(i, false, hits[static_cast<size_t>(i)]);
      continue;
    }
    const UString name = files.GetFullFilename(i, false);
    if (fUnusedFiles.IndexOfAFilename(name) >= 0) continue;
    TUnusedFileRec rec;
    rec.filename = name;
    fUnusedFiles.Add(rec);
  }
  files.Set1Sort(0, 0);
  files.SetSortAscending(0, true);
  files.DoASort(1, 0, files.Count() - 1);
  fSettings.SetFetchingLineTexts(fetching);
}

bool T_WholeLinzoraHolder::CopyFilenameDetailsToNotepad(UStringView file_name, bool rebuild) {
  if (rebuild) {
    // A file that cannot be read leaves the lists as they were: the user is told, nothing is hidden.
    if (!file_name.empty() && FileExists(UString(file_name)) && !RebuildSourceTextsFromSavedConcordance(file_name))
      return false;
    CheckBothTextFileListsUptoDate();
  }
  std::vector<UString> lines;
  lines.push_back(u"\"" + fSearchWords.AllTypedSearchWordsAsOne() + u"\"");
  for (int i = 0; i < fTextFilesWithSearchWord->Count(); ++i) {
    const TLinzoraFilenameEntryRecPlus r = fTextFilesWithSearchWord->GetEntryRecPlus(i, false);
    lines.push_back(r.full_filename + u"\t" + IntToUStr(r.other_data.hits_this_file) + u"\t" +
                    IntToUStr(r.head.words_in_source_file));
  }
  for (int32_t i = 0; i < fUnusedFiles.Count(); ++i) {
    const TUnusedFileRec r = fUnusedFiles.Record(i);
    lines.push_back(r.filename + u"\t0\t" + IntToUStr(r.old.wordcount));
  }
  const UString target = FileInfoFilename();
  const bool ok = SafeSaveToFile(target, [&](TStream& s) {
    const uint8_t bom[2] = {0xFF, 0xFE};
    if (!s.WriteExact(bom, 2)) return false;
    for (const UString& line : lines) {
      const UString l = line + u"\n";
      if (!s.WriteExact(l.data(), static_cast<int64_t>(l.size() * sizeof(char16_t)))) return false;
    }
    return true;
  });
  if (!ok) return false;
  if (DocumentHooks().try_to_edit) DocumentHooks().try_to_edit(target, GetDefaultFolder(current_tool_var));
  AddOneLaterNote(VXRes(TVXRes::VXFilenames) + u": " + target, u"");
  return true;
}

// --- merging -------------------------------------------------------------------------------------------

bool T_WholeLinzoraHolder::MergeWith(TTessorineholder& other_base, UStringView caption) {
  auto* other = dynamic_cast<T_WholeLinzoraHolder*>(&other_base);
  if (!other || other == this) return false;
  // Both lists are checked before anything moves: a refusal leaves the document as it was.
  if (!fConcordanceList->DonePreMergeChecks(*other->fConcordanceList) ||
      !fTextFilesWithSearchWord->DonePreMergeChecks(*other->fTextFilesWithSearchWord))
    return false;
  PrepareForMergeWith(*other);
  const int n0 = fConcordanceList->Count();
  TConcEntryMergeRecList merge;
  for (int j = 0; j < other->fConcordanceList->Count(); ++j) {
    TConcordanceEntry* line = other->fConcordanceList->Line(j);
    if (!line) continue;
    // The number travels with the line, so its record is found again wherever the line lands.
    line->SetMergeNum(j + 1);
    TConcEntryMergeRec rec;
    rec.merge_num = j + 1;
    rec.full_filename = other->fTextFilesWithSearchWord->GetFullFilename(line->SourceTextIndex(), true);
    const TSearch_word_format_rec* item = other->fSearchWords.GetPtr(line->Data().sw_number);
    rec.search_word = item ? item->sw : UString();
    merge.Add(rec);
  }
  if (!fConcordanceList->MergeWith(other->fConcordanceList.get())) return false;
  fTextFilesWithSearchWord->MergeWith(other->fTextFilesWithSearchWord);
  for (const UString& typed : other->fSearchWords.TypedInWordsAsStringlist())
    if (fSearchWords.TypeInIndexOf(typed) < 0) fSearchWords.AddedSearchWords(typed);
  // Each merged line's text is looked up by its name: the rows' first places by name, made once
  // (a look-up through the rows for each line would take lines times texts).
  std::unordered_map<UString, int> row_of_name;
  for (int i = fTextFilesWithSearchWord->Count() - 1; i >= 0; --i)
    if (const TLinzoraFilenameEntry* e = fTextFilesWithSearchWord->Row(i)) row_of_name[e->fdata.full_filename] = i;
  for (int p = n0; p < fConcordanceList->Count(); ++p) {
    TConcordanceEntry* line = fConcordanceList->Line(p);
    const int32_t k = line && line->MergeNum() > 0 ? merge.IndexOfN(line->MergeNum()) : -1;
    if (k < 0) continue;
    if (const auto row = row_of_name.find(merge[k].full_filename); row != row_of_name.end())
      line->Data().filename_num_original = row->second + 1;
    line->Data().sw_number = std::max(0, fSearchWords.TypeInIndexOf(merge[k].search_word));
  }
  fSettings.SetRunningWords(fSettings.RunningWords() + other->fSettings.RunningWords());
  fSettings.SetMergedTotal(fSettings.MergedTotal() + other->fSettings.MergedTotal());
  fSettings.SetMergedLineCount(fConcordanceList->Count());
  for (int i = 0; i < fTextFilesWithSearchWord->Count(); ++i) fTextFilesWithSearchWord->SetOriginalFilenumber(i);
  fTextFilesWithSearchWord->EnsureOrderTableAllocated();
  CheckBothTextFileListsUptoDate();
  return TTessorineholder::MergeWith(*other, caption);
}
