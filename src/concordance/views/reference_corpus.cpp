#include "concordance/views/reference_corpus.h"

#include <algorithm>

#include "concordance/views/collocates_list.h"
#include "concordance/document/concordance_document.h"
#include "model/documents/check_signature.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/list_headings.h"
#include "platform/runtime/text_helpers.h"
#include "platform/runtime/vx_resources.h"
#include "platform/text/text_services.h"
#include "platform/runtime/vx_runtime.h"
#include "wordlist/word_list_document.h"

TWordListReference::TWordListReference(TVXWordList& words, bool full_lemma_processing, const TVXStatsList* stats)
    : words_(&words), full_lemma_processing_(full_lemma_processing) {
  // Binary searches need the case-blind alphabetical order (the rows of one word in any case
  // side by side).
  words.Set1Sort(0, kWLSortWords);
  words.SetSortAscending(0, true);
  words.SetSortCaseSensitive(0, false);
  words.DoASort(1, 0, words.Count() - 1);
  if (!stats) stats = words.fStatsList;
  total_ = stats ? stats->Overall_stats.data.running_words : 0;
  if (total_ <= 0) {
    total_ = 0;
    for (int i = 0; i < words.Count(); ++i)
      if (const TWordlistEntry* e = words.Row(i)) total_ += std::max(0, e->data.frequency);
  }
}

int64_t TWordListReference::Frequency(UStringView word, bool case_sensitive) const {
  const int row = words_->Find_WordStr(word, case_sensitive);
  return row < 0 ? -1 : words_->CorrectFreq(row, full_lemma_processing_);
}

int32_t TWordListReference::Count() const { return words_->Count(); }

// --- the document's reference corpus ------------------------------------------------------------

namespace {

std::unique_ptr<T_WholeWordlistHolder> ReadWordListDocument(T_WholeLinzoraHolder& doc, UStringView file_name,
                                                            bool stop_list, bool lemma_list, UString& why) {
  // A file of the suite whose header names another list kind (a corpus index's files among
  // them) holds no word list, whatever else it holds: it is not read.
  if (auto f = TFileStream::Open(UString(file_name), TFileMode::OpenRead)) {
    TCheckSignature h{};
    uint8_t tool = kToolNone;
    TTessorineList kind = kListNone;
    if (ReadCheckSignature(*f, h) && ToolOfSignature(h.signature, tool) && CheckSignatureListType(h, kind) &&
        kind != kListWordList) {
      why = UString(file_name) + u": holds no word list";
      return nullptr;
    }
  }
  auto words = std::make_unique<T_WholeWordlistHolder>(doc.CentreOfMainForm(), nullptr, &TTessorineholder::DudTextFile,
                                                       kListWordList, stop_list, lemma_list, doc.TextTagHandler,
                                                       doc.TagsToTranslate);
  if (!words->ReadWholeFromFile(file_name, current_tool_var).first) {
    why = words->LastFailure().empty() ? UString(file_name) + u": not a word list" : words->LastFailure();
    return nullptr;
  }
  if (words->ListKind != kListWordList || words->Words().Count() == 0) {
    why = UString(file_name) + u": holds no word list";
    return nullptr;
  }
  return words;
}

}  // namespace

bool T_WholeLinzoraHolder::LoadedAReferenceCorpusWordlist(UStringView file_name) {
  fReferenceCorpus.reset();
  fReferenceRanks.clear();
  UString why;
  std::unique_ptr<T_WholeWordlistHolder> words = ReadWordListDocument(*this, file_name, false, false, why);
  if (!words) {
    AddToLogFile(u"reference corpus not loaded: " + why);
    return false;
  }
  ReferenceCorpusWordlistFilename = UString(file_name);
  words->Words().DoAlphabeticalAscendingSort();
  TVXWordList& list = words->Words();
  list.fRankOrders = list.ComputedRankOrdersOfWords();
  for (int i = 0; i < list.Count() && i < static_cast<int>(list.fRankOrders.size()); ++i)
    if (const TVXBaseListObject* e = list.Get(i); e && !e->JoinedTo())
      fReferenceRanks.emplace(UpperCaseU(e->MainWordOnly(), LCID()), list.fRankOrders[static_cast<size_t>(i)]);
  fReferenceCorpus = std::move(words);
  return true;
}

int32_t T_WholeLinzoraHolder::ReferenceRank(UStringView word) const {
  const auto it = fReferenceRanks.find(UpperCaseU(word, LCID()));
  return it == fReferenceRanks.end() ? 0 : it->second;
}

TAssociationOutcome T_WholeLinzoraHolder::REComputeCollocateAssociation(const TAssociationRequest& request) {
  TAssociationOutcome out;
  fAssociationParameter = request.parameter;
  auto* list = dynamic_cast<TCollocateList*>(fCollocateList.get());
  if (!list || list->Count() == 0) {
    out.failure = u"there are no collocates";
    return out;
  }
  if (!FileExists(request.reference_file)) {
    out.failure = u"the file was not found";
    return out;
  }
  if (list->HeadingCount() < kCollocateStandardColumns)
    list->SetHeadings(CopyOfBaseHeadings(kListCollocates, list->fsettings.setting_of_spans.left,
                                         list->fsettings.setting_of_spans.right));
  AddToLogFile(u"using " + request.reference_file + u" to compute relationships");
  list->DoProgressMessage(VXRes(TVXRes::VXCollocateRelationship));

  UString why;
  std::unique_ptr<T_WholeWordlistHolder> words =
      ReadWordListDocument(*this, request.reference_file, StopListLoaded(), LemmaListLoaded(), why);
  if (words) {
    TWordListReference reference(words->Words(), request.full_lemma_processing);
    TAssociationArgs args;
    args.left_words = fSettings.CollocHorizonLeft();
    args.right_words = fSettings.CollocHorizonRight();
    // Collocates counted in capitals cannot be told apart by case.
    args.case_sensitive = request.case_sensitive && fSettings.CollocatesCaseSensitive();
    args.column = request.parameter;
    args.report_file = request.details_file;
    args.ok_to_overwrite = request.ok_to_overwrite;
    args.user_frequency = request.user_frequency;
    const TAssociationResult r = ComputeAssociationReport(reference, *list, args);
    out.success = r.success;
    if (!r.success && r.search_word_missing > 0) out.code = kAssociationSearchWordMissing;
    if (r.report_written) out.export_file = AssociationReportName(request.details_file);
    words->WriteSettingsToLog(r.success, u"ComputeVXsCollocateAssociation");
    if (r.success) {
      std::vector<UString> headings = list->Headings();
      EnsureMIHeadingsIncludeAllStats(headings);
      list->SetHeadings(std::move(headings));
    }
    if (!r.success && out.code == 0) out.failure = u"no collocate could be compared with the list";
  } else {
    AddToLogFile(u"relationships not computed: " + why);
    out.failure = why.empty() ? UString(u"it is not a word list") : why;
  }
  // A file that is no word list leaves the collocates (and their flag) as they were.
  if (words) list->fsettings.saved_relationships_computed = out.success;
  AddToLogFile(UString(u"result: ") + (out.success ? u"True" : u"False"));
  if (out.success) list->NoteChange();
  // Set also for a file that would not read: it gates nothing, and the view was asked for.
  fComputed[0] = 1;
  list->DoProgressMessage(u"");
  Global_Busy_Dont_Show_Data = false;
  return out;
}
