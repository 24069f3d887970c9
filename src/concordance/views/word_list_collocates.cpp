#include "concordance/views/word_list_collocates.h"

#include <cmath>
#include <set>

#include "concordance/views/collocate_association.h"
#include "concordance/views/collocates_list.h"
#include "concordance/document/concordance_document.h"
#include "concordance/views/reference_corpus.h"
#include "model/reading/chosen_texts.h"
#include "model/export/export_cells.h"
#include "model/reading/text_statistics.h"
#include "model/reading/tag_handler.h"
#include "platform/rtl/files.h"
#include "platform/runtime/list_headings.h"
#include "platform/runtime/vx_maths.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/search/search_items.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "wordlist/word_list.h"

bool WordPassesScriptLimits(const TCollocateScriptSettingsRec& limits, UStringView word, int32_t frequency,
                            int32_t texts) {
  if (global_panic_state != kPanicNone) return false;
  using R = TCollocateScriptSettingsRec;
  auto within = [&](int64_t v, int min_field, int max_field) {
    return v >= limits.Field(min_field) && v <= limits.Field(max_field);
  };
  return within(static_cast<int64_t>(word.size()), R::kMinWordLength, R::kMaxWordLength) &&
         within(texts, R::kMinTexts, R::kMaxTexts) && within(frequency, R::kMinFrequency, R::kMaxFrequency);
}

UString RelationshipRequirements(const TKollaxaMutualChecks& checks) {
  UString text;
  for (int k = 0; k < TKollaxaMutualChecks::kStatistics; ++k) {
    if (!checks.Tested(k)) continue;
    AddToListWithSeparatorIfNeeded(text, UpperCaseU(RelationshipAsString(k)) + u" >= " +
                                             FormattedWithDecimals(checks.Threshold(k), 3),
                                   checks.AllMustPass() ? u" and " : u" or ");
  }
  return text;
}

bool PassesRelationshipThresholdTests(const TKollaxaMutualChecks& checks, const float (&values)[11]) {
  bool any_tested = false, any_passed = false, all_passed = true;
  for (int k = 0; k < TKollaxaMutualChecks::kStatistics; ++k) {
    if (!checks.Tested(k)) continue;
    any_tested = true;
    const bool passed = values[k] >= checks.Threshold(k);  // false for NaN
    any_passed = any_passed || passed;
    all_passed = all_passed && passed;
  }
  if (!any_tested) return true;
  return checks.AllMustPass() ? all_passed : any_passed;
}

UString AcceptableFilename(UStringView word) {
  UString name(word);
  for (char16_t& c : name)
    if (c < 0x20 || c == 0x7F || UStringView(u"/\\:*?\"<>|").find(c) != UStringView::npos) c = u'_';
  if (name.empty() || name == u"." || name == u"..") name = u"_" + name;
  return name;
}

namespace {

// A cell as the file shows it: a share of a count shows the count, a position without the
// collocate 0, other numbers with three decimals when real; an empty field for anything else,
// so that the fields stay under their headings.
UString CellForFile(const TGrid_data_rec& cell) {
  if (cell.has_text) return RelevantAffixesOfStringData(cell);
  if (cell.number.value == -999998.0f) return u"0";
  if (!cell.has_number || !std::isfinite(cell.number.value)) return UString();
  if (cell.number.kind == 2) return IntToUStr(static_cast<int64_t>(cell.number.part));
  if (!cell.number.is_real) return IntToUStr(std::llround(cell.number.value));
  return FormattedWithDecimals(cell.number.value, 3);
}

void AddWithTab(UString& line, UStringView value, bool first) {
  if (!first) line += u'\t';
  line += value;
}

// The lines of one word's file: title, requirements, headings, passing collocates.
std::vector<UString> WordFileLines(TCollocateList& list, UStringView word, const UString& requirements,
                                   const TCollocateScriptSettingsRec& limits, const TKollaxaMutualChecks& checks) {
  std::vector<UString> lines;
  lines.push_back(VXResFmt(TVXRes::VXCollocatesOfX, {word}));
  if (!requirements.empty()) lines.push_back(VXResFmt(TVXRes::VXRequirementsEqX, {requirements}));
  const int columns = list.HeadingCount();
  for (int r = 0; r <= list.Count(); ++r) {
    if (r > 0) {
      const TCollocateEntry* e = list.Row(r - 1);
      if (!e || !list.fsettings.saved_relationships_computed) continue;
      if (CompareStringsLocale(list.SortLCID(), false, e->MainWordOnly(), word) == 0) continue;
      if (e->rec.head.total > limits.Field(TCollocateScriptSettingsRec::kMaxCollocateTotal) ||
          e->rec.head.total < limits.Field(TCollocateScriptSettingsRec::kMinCollocateTotal))
        continue;
      float values[11];
      for (int k = 0; k < 11; ++k) values[k] = e->rec.Statistic(k);
      if (!PassesRelationshipThresholdTests(checks, values)) continue;
    }
    UString line;
    bool first = true;
    for (int c = 1; c < columns; ++c) {
      if (c == 2) continue;
      TGrid_data_rec cell;
      list.DrawgridDataRec(c, r, cell, 0);
      AddWithTab(line, r == 0 ? cell.text : CellForFile(cell), first);
      first = false;
    }
    for (int k = 0; k < kRelationshipStatsCount; ++k) {
      AddWithTab(line, r == 0 ? RelationshipAsString(k) : FormattedWithDecimals(list.Row(r - 1)->rec.Statistic(k), 3),
                 first);
      first = false;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

// While it lives, a text written for the user is not opened in an editor: the runs of a whole
// word list show nothing.
class TNoEditorWhileRunning {
 public:
  TNoEditorWhileRunning() : saved_(DocumentHooks()) {
    TDocumentHooks quiet = saved_;
    quiet.try_to_edit = nullptr;
    SetDocumentHooks(quiet);
  }
  ~TNoEditorWhileRunning() { SetDocumentHooks(saved_); }
  TNoEditorWhileRunning(const TNoEditorWhileRunning&) = delete;
  TNoEditorWhileRunning& operator=(const TNoEditorWhileRunning&) = delete;

 private:
  TDocumentHooks saved_;
};

bool SaveUtf16Lines(UStringView file, const std::vector<UString>& lines) {
  std::vector<uint8_t> bytes = {0xFF, 0xFE};
  for (const UString& l : lines)
    for (char16_t c : l + u"\n") {
      bytes.push_back(static_cast<uint8_t>(c & 0xFF));
      bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
  return SafeSaveBytes(file, bytes.data(), static_cast<int64_t>(bytes.size()));
}

}  // namespace

int32_t T_WholeLinzoraHolder::ComputeAndSaveCollocatesForWholeWordList(UStringView output_folder, TVXWordList& words,
                                                                       TVXStatsList& stats, bool script_running) {
  if (output_folder.empty() || !ForceDirectories(output_folder)) return 0;
  const UString folder = IncludeTrailingPathDelimiter(output_folder);
  if (TextTagHandler && TagsToTranslate) RefreshTagHandlerFromSettings(*TextTagHandler, *TagsToTranslate);
  const TCollocateScriptSettingsRec limits = GetCollocateScriptSettings();
  const TKollaxaMutualChecks checks = GetKollaxaMutualChecks();
  const UString requirements = RelationshipRequirements(checks);
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  if (!stats.BuildVXFileDetails(&chosen) || chosen.FileCount() == 0) return 0;
  TContextWordItems context;
  TExclusionWordItems exclusion;
  TTagContextWordItems tag_context;
  const TConcSettingsRec32 current = GetConcSaveRec();
  // The list is the reference too: sorted once here, so that the walk below sees one order.
  TWordListReference reference(words, true, &stats);
  const TNoEditorWhileRunning quiet;

  std::set<UString> names_used;  // case-folded
  int32_t written = 0;
  const int n = words.Count();
  for (int i = 0; i < n; ++i) {
    MyYieldProcess();
    TWordlistData d;
    if (!words.WordlistData(false, i, d)) continue;
    const UString word = d.word;
    if (!WordPassesScriptLimits(limits, word, d.frequency, d.n_texts)) continue;
    if (script_running) HandleScriptProgress(i, n);

    T_WholeLinzoraHolder doc(kListConcordance, nullptr, nullptr, nullptr, Global_stopLemmaMatchLoaded[2],
                             Global_stopLemmaMatchLoaded[0], TextTagHandler, TagsToTranslate);
    doc.SetUnicode(Unicode());
    TSearchWordItems items(SearchTextOptionsFromTextSettings(doc.TextSettings()));
    items.AddedSearchWords(word);
    int32_t converted = 0;
    TMakeConcordanceArgs args;
    args.chosen = &chosen;
    args.search_items = &items;
    args.context_items = &context;
    args.exclusion_items = &exclusion;
    args.tag_context_items = &tag_context;
    args.converted_count = &converted;
    args.list_kind = kListConcordance;
    if (!doc.MakeConcordance(args)) continue;
    auto* list = dynamic_cast<TCollocateList*>(doc.fCollocateList.get());
    if (!list) continue;
    const int32_t count = list->Count();
    if (count > limits.Field(TCollocateScriptSettingsRec::kMaxCollocates) ||
        count < limits.Field(TCollocateScriptSettingsRec::kMinCollocates))
      continue;
    TAssociationArgs association;
    association.left_words = current.CollocHorizonLeft();
    association.right_words = current.CollocHorizonRight();
    if (!ComputeAssociationReport(reference, *list, association).success) continue;
    list->Set1Sort(0, kCollocateFirstStatColumn + 4);  // log-likelihood
    list->Set1Sort(1, 0);
    list->SetSortAscending(0, false);
    list->SetSortAscending(1, true);
    if (count > 1) list->DoASort(2, 0, count - 1);

    const std::vector<UString> lines = WordFileLines(*list, word, requirements, limits, checks);
    if (lines.size() <= 2) continue;
    UString name = AcceptableFilename(word);
    for (int k = 2; !names_used.insert(FoldCaseU(name)).second; ++k)
      name = AcceptableFilename(word) + u" (" + IntToUStr(k) + u")";
    const UString file = folder + name + u".txt";
    if (!SaveUtf16Lines(file, lines)) {
      AddToLogFile(u"collocates of a word list: could not write " + file);
      continue;
    }
    ++written;
    if (OnProgressShow) OnProgressShow(static_cast<int32_t>(int64_t{i + 1} * 100 / n));
    AddToLogFile(VXResFmt(TVXRes::VXXSavedOK, {word}).substr(0, 100));
  }
  return written;
}
