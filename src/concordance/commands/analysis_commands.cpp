#include "concordance/commands/analysis_commands.h"

#include <algorithm>
#include <array>

#include "concordance/document/concordance_document.h"
#include "concordance/document/source_files.h"
#include "concordance/views/clusters_list.h"
#include "concordance/views/timeline_list.h"
#include "model/lists/column_formula.h"
#include "model/reading/chosen_texts_handover.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "shell/services/suite_services.h"

namespace {

constexpr int kConcordanceListType = 10;
constexpr int kCollocateListType = 5;
constexpr int kClusterListType = 13;
constexpr int32_t kStoredCharactersReread = 5000;
constexpr int32_t kMostMissingTextWarnings = 3;
constexpr uint16_t kCodeTimelineSettingsWanted = 1245;
constexpr uint16_t kCodeFollowCollocate = 155;
constexpr int kHelpFollowCollocate = 5730;
constexpr int kHelpSearchWordMissing = 4700;
constexpr int kFileNameColumn = 13;

void NoteProcedure(T_WholeLinzoraHolder& doc, TVXRes what) {
  doc.AddOneLaterNote(VXResFmt(TVXRes::VXProcedureEquals, {VXRes(what)}), u"");
}

bool ContainsName(const std::vector<UString>& names, UStringView name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

UString CellText(TVXBaseDataClass& list, int column, int index) {
  TGrid_data_rec cell;
  list.DrawgridDataRec(column, index + 1, cell, list.GridKind());
  return cell.has_text ? cell.text : UString();
}

}  // namespace

// --- recomputing ------------------------------------------------------------------------------

bool RecomputeClusters(T_WholeLinzoraHolder& doc, const TConcSettingsRec32& choices) {
  auto* clusters = dynamic_cast<TConcordanceClusterList*>(doc.fClusterList.get());
  if (!clusters || !doc.fConcordanceList) return false;
  // The clusters and the settings they were made with come back whole when none are found: the
  // rows are taken out of the list (not copied) while the new ones are counted.
  std::vector<TVXBaseListObject*> kept;
  kept.reserve(static_cast<size_t>(clusters->Count()));
  for (int i = 0; i < clusters->Count(); ++i) {
    kept.push_back(clusters->Get(i));
    clusters->Put(i, nullptr);
  }
  std::array<TSortLevel, 3> sorts{clusters->SortLevel(0), clusters->SortLevel(1), clusters->SortLevel(2)};
  const TConcSettingsRec32 settings_before = doc.fSettings;
  const int32_t highest_before = doc.fHighestClusterFrequency;
  const uint8_t computed_before = doc.fComputed[1];
  doc.fSettings = choices;
  if (clusters->Compute(true)) {
    for (TVXBaseListObject* e : kept) delete e;
    NoteProcedure(doc, TVXRes::VXClusters);
    return true;
  }
  const TConcSettingsRec32 asked = doc.fSettings;
  doc.fSettings = settings_before;
  doc.fHighestClusterFrequency = highest_before;
  doc.fComputed[1] = computed_before;
  clusters->Clear();
  for (TVXBaseListObject* e : kept)
    if (e && clusters->Add(e) < 0) delete e;
  for (int l = 0; l < 3; ++l) {
    clusters->Set1Sort(l, sorts[static_cast<size_t>(l)].key);
    clusters->SetSortAscending(l, sorts[static_cast<size_t>(l)].ascending);
    clusters->SetSortCaseSensitive(l, sorts[static_cast<size_t>(l)].case_sensitive);
  }
  VXDialog(TVXDialog::NoLinzoraClustersOfSize,
           {VXRes(TVXRes::VXClusters), IntToUStr(asked.ClusterSizeMin()), IntToUStr(asked.ClusterMinFrequency()),
            IntToUStr(asked.ClusterSizeMax())});
  return false;
}

bool RecomputeCollocates(T_WholeLinzoraHolder& doc, Tdouble_smallint_type context_horizons,
                         Tdouble_smallint_type collocate_horizons) {
  if (!doc.fCollocateList || !doc.fConcordanceList) return false;
  doc.fSettings.SetContextHorizons(context_horizons);
  doc.fSettings.SetCollocHorizons(collocate_horizons);
  // The stop list and whether collocates leave its words out, as they are now.
  doc.fSettings.SetCollocateStopList(GetConcSaveRec().CollocateStopList());
  doc.SetStopListLoaded(Global_stopLemmaMatchLoaded[lmsStop]);
  if (!doc.fCollocateList->Compute(false)) return false;
  // The rows are new: the columns the user computed are worked out over them again.
  RecomputeComputedColumns(*doc.fCollocateList);
  NoteProcedure(doc, TVXRes::VXCollocates);
  return true;
}

TTimelineRecompute RecomputeTimeline(T_WholeLinzoraHolder& doc, uint8_t basis) {
  if (basis == 0) {
    VXDialog(TVXDialog::UndefinedTimeLineBasis);
    PostToController(kCodeTimelineSettingsWanted);
    return TTimelineRecompute::kUndefinedBasis;
  }
  if (!doc.fTimeLineList || !doc.fTimeLineList->Compute(false) || doc.fTimeLineList->Count() == 0)
    return TTimelineRecompute::kNothing;
  NoteProcedure(doc, TVXRes::VXTimelines);
  return TTimelineRecompute::kComputed;
}

// --- relationships ----------------------------------------------------------------------------

bool ReportRelationships(const TAssociationRequest& request, const TAssociationOutcome& outcome) {
  if (outcome.success) {
    if (!outcome.export_file.empty() && FileExists(outcome.export_file)) {
      VXDialog(TVXDialog::SavedOK, {outcome.export_file});
    } else if (!request.details_file.empty()) {
      VXDialog(TVXDialog::FailedToSave, {request.details_file});
    }
    return true;
  }
  if (outcome.code == kAssociationSearchWordMissing) {
    VXDialog(TVXDialog::FailedToFindX, {VXRes(TVXRes::VXSearchWord)}, kHelpSearchWordMissing);
    return false;
  }
  const UString why = outcome.failure.empty() ? UString(u"it could not be read as a word list") : outcome.failure;
  VXDialog(TVXDialog::InformationMessage,
           {u"The relationships were not computed with " + request.reference_file + u": " + why + u"."});
  return false;
}

// --- modifying --------------------------------------------------------------------------------

int32_t CarryOutModification(TVXBaseLemmaMatchCapableList& list, TModifySourceTexts how, UStringView joiner,
                             UStringView initials, bool dated, int32_t undone) {
  int32_t n = 0;
  switch (how) {
    case TModifySourceTexts::mst_set:
    case TModifySourceTexts::mst_search_word:
      n = list.ModifySourceTexts(static_cast<int>(how), joiner, initials, dated);
      break;
    case TModifySourceTexts::mst_undo: n = undone; break;
    default: n = 0; break;
  }
  n = std::max(n, 0);
  VXDialog(TVXDialog::NModificationsMade, {IntToUStr(n)});
  return n;
}

// --- a line's source text -------------------------------------------------------------------------

bool SourceFileNeededAndAvailable(T_WholeLinzoraHolder& doc, int list_type, int row, UString& file_name,
                                  TSourceFileProbe* probe) {
  if (list_type != kConcordanceListType || !doc.fConcordanceList) return false;
  TConcordanceList& lines = *doc.fConcordanceList;
  // Row 0 is the heading row; a row beyond the lines names no text.
  const TConcordanceEntry* line = row >= 1 ? lines.Line(row - 1) : nullptr;
  if (!line) return false;
  const UString name = lines.SourceFileName(line->Data().filename_num_original);
  if (name.empty() || ContainsName(doc.fMissingFiles, name)) return false;
  std::unique_ptr<TSourceFileProbe> own;
  if (!probe) {
    own = MakeFileSystemProbe();
    probe = own.get();
  }
  const bool exists = probe->FolderExists(ExtractFilePath(name)) && probe->FileExists(name);
  if (!exists) {
    doc.fMissingFiles.push_back(name);
    if (lines.attempts_to_reread_source_file < kMostMissingTextWarnings &&
        IsYes(VXDialog(TVXDialog::CantFindOneOfTheFiles,
                       {name, IntToUStr(lines.attempts_to_reread_source_file + 1), IntToUStr(kMostMissingTextWarnings)})))
      ++lines.attempts_to_reread_source_file;
  }
  lines.last_filename_to_reread = name;
  file_name = name;
  return exists && line->Data().conc_line_chars < kStoredCharactersReread;
}

bool RereadLineFromSource(T_WholeLinzoraHolder& doc, int row) {
  if (!doc.fConcordanceList || row < 1) return false;
  TConcordanceList& lines = *doc.fConcordanceList;
  lines.releia_arquivo = true;
  TLinzoraEntryRecBase rec{};
  const bool ok = lines.LinzoraData(row - 1, true, rec);
  lines.releia_arquivo = false;
  return ok;
}

TFullFileNamesScope::TFullFileNamesScope(T_WholeLinzoraHolder& doc)
    : doc_(doc), before_(doc.fSettings.FetchingLineTexts()) {
  doc_.fSettings.SetFetchingLineTexts(true);
}

TFullFileNamesScope::~TFullFileNamesScope() { doc_.fSettings.SetFetchingLineTexts(before_); }

// --- media ------------------------------------------------------------------------------------------

UString PlayMediaOfLine(T_WholeLinzoraHolder& doc, int row, int column, TLineMedia& media) {
  if (!doc.fConcordanceList || row < 1 || row > doc.fConcordanceList->Count()) return UString();
  TConcordanceList& lines = *doc.fConcordanceList;
  const TConcordanceEntry* line = lines.Line(row - 1);
  if (!line) return UString();
  const int widening = std::max(1, column);
  TLineMediaLookup found;
  UString file;
  {
    TFullFileNamesScope full_names(doc);
    file = CellText(lines, kFileNameColumn, row - 1);
    found = media.FindMediaForConcordanceLine(CellText(lines, 3, row - 1), file, widening);
    // A look-up that failed for want of settings says so at once; otherwise the line itself,
    // then its text, may hold the mark.
    if (!found.found && found.code == 0) {
      const TLineTextWide text(line->Text());
      TLineMediaLookup next = media.FindMediaForConcordanceLine(text, file, widening);
      if (!next.found) {
        const UString mark = media.MediaMarkBeforeHit(file, line->Data().byte_position);
        if (!mark.empty()) next = media.FindMediaForConcordanceLine(mark, file, widening);
      }
      if (next.found) found = next;
    }
  }
  if (found.found) {
    if (media.PlayLinkedMedia(found.text)) return UString();
    return VXRes(TVXRes::VXFailedToPlay) + u": " + found.text;
  }
  if (found.code == kMediaStartOfFilenameUndefined) VXDialog(TVXDialog::MediaStartOfFilenameUndefined);
  else if (found.code == kMediaLookupTableNotFound) VXDialog(TVXDialog::MediaLookupTableNotFound);
  return found.text;
}

// --- following a collocate ---------------------------------------------------------------------------

TFollowCollocate FollowCollocate(T_WholeLinzoraHolder& doc, TVXBaseDataClass& collocates, int index,
                                 TVXFileDetails& chosen) {
  if (index < 0 || index >= collocates.Count()) return TFollowCollocate::kRefused;
  const UString word_1 = UpperCaseU(CellText(collocates, 1, index));
  const UString word_2 = UpperCaseU(CellText(collocates, 2, index));
  if (!IsYes(VXDialog(TVXDialog::OKToDoX, {VXResFmt(TVXRes::VXFollowConcordancefromCollocate, {word_1})},
                      kHelpFollowCollocate)))
    return TFollowCollocate::kRefused;
  const bool with_context = IsYes(VXDialog(TVXDialog::DoYouWantToDoX,
                                           {VXResFmt(TVXRes::VXRequireXinContext, {word_2})}, kHelpFollowCollocate));
  SetATempString(with_context ? word_2 : UString(), 2);

  UString stored_name;
  int32_t stored_count = 0;
  if (GetChosenTextFiles(stored_name, stored_count)) chosen.LoadedChosenFromTempFile();
  // Chosen texts that are all gone are no texts to search.
  bool any_chosen = false;
  for (int i = 0; i < chosen.FileCount() && !any_chosen; ++i) {
    const TChosenFileDetailsFullRec d = chosen.GetFullFileDetails(i);
    any_chosen = FileExists(IncludeTrailingPathDelimiter(d.folder) + d.rec.filename) || FileExists(d.folder);
  }
  if (!any_chosen || GetNewChoiceOfTextFiles(true)) {
    doc.CopyFilenamesToChosenTexts(chosen);
    if (chosen.FileCount() == 0) {
      VXDialog(TVXDialog::CancellingAsNoneOfTheSourceTextsFound,
               {IntToUStr(doc.fTextFilesWithSearchWord ? doc.fTextFilesWithSearchWord->Count() : 0)});
      return TFollowCollocate::kNoTexts;
    }
  }
  if (!chosen.SavedToTempFile()) {
    VXDialog(TVXDialog::FailedToSave, {chosen.TempFilename()});
    return TFollowCollocate::kNotHandedOver;
  }
  SetNewChoiceOfTextFiles(true, false);
  SetChosenTextFiles(true, chosen.TempFilename(), chosen.FileCount());
  SetATempString(word_1, 1);
  // The follow-up seeks the node anywhere within the horizons the collocate was counted in (seen
  // from the collocate the two sides swap), whatever span or exact place another run left.
  TConcSettingsRec32 rec = GetConcSaveRec();
  rec.SetExactContextPosition(0);
  rec.SetContextHorizonLeft(doc.fSettings.CollocHorizonRight());
  rec.SetContextHorizonRight(doc.fSettings.CollocHorizonLeft());
  SetConcSaveRec(rec);
  PostToController(kCodeFollowCollocate);
  return TFollowCollocate::kPosted;
}

// --- joining by the rule of clusters ------------------------------------------------------------------

bool JoinClustersApplies(int list_type) {
  if (list_type == kCollocateListType || list_type == kClusterListType) return true;
  // Word lists and their other views.
  return list_type == 0 || list_type == 3 || (list_type >= 6 && list_type <= 9);
}

UString JoinClustersShorterUnderLonger() { return u"each shorter entry under the longer entries that hold it"; }
UString JoinClustersLongerUnderShorter() { return u"each longer entry under the shorter entry it holds"; }
UString JoinClustersNotApplicable() { return u"Join Clusters does not apply to this list."; }
UString AutoJoinNotAvailable() { return u"Auto-Join is not available: no rule for it is specified"; }
UString JoinClustersDone(int32_t joins) {
  return joins == 1 ? UString(u"Join Clusters: 1 entry joined under another.")
                    : u"Join Clusters: " + IntToUStr(joins) + u" entries joined under others.";
}
