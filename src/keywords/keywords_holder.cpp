#include "keywords/keywords_holder.h"

#include "keywords/keyness_computation.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "wordlist/word_list_document.h"

namespace {

int64_t RunningWordsOf(const T_WholeWordlistHolder& doc, bool recount) {
  // Recounted from the list's rows: words a stop list or an edit left out of the list are then
  // left out of the total too, so that the shares are of the words the list holds.
  if (recount && doc.Words().Count() > 0) {
    doc.Words().RecomputeTokens();
    return doc.Words().ComputedCurrentTokens();
  }
  const int32_t recorded = doc.Stats().Overall_stats.data.running_words;
  if (recorded > 0) return recorded;
  int64_t sum = 0;
  for (int i = 0; i < doc.Stats().Count(); ++i) sum += doc.Stats().Row(i)->fdata.data.running_words;
  if (sum > 0) return sum;
  for (int i = 0; i < doc.Words().Count(); ++i)
    if (doc.Words().Row(i)) sum += doc.Words().Row(i)->data.frequency;
  return sum;
}

int32_t TextsOf(const T_WholeWordlistHolder& doc) { return std::max(1, doc.Stats().Count()); }

int32_t Clamped(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, INT32_MAX)); }

// A word list read for the computation; nullptr with the message naming the file when it fails.
std::unique_ptr<T_WholeWordlistHolder> LoadedWordList(UStringView name, const T_WholeKeywordsHolder& kws,
                                                      TVXComputeResultRec& result) {
  auto doc = std::make_unique<T_WholeWordlistHolder>(kws.CentreOfMainForm(), nullptr, nullptr, kListWordList, false,
                                                     false, kws.TextTagHandler, kws.TagsToTranslate);
  if (!doc->ReadWholeFromFile(name, current_tool_var).first) {
    result.message = doc->LastFailure().empty() ? VXResFmt(TVXRes::VXProblemMakingX, {VXRes(TVXRes::VXKeywords), name})
                                                : doc->LastFailure();
    return nullptr;
  }
  return doc;
}

}  // namespace

T_WholeKeywordsHolder::T_WholeKeywordsHolder(TTessorineList list_type, TCentreOfMainFormFunc centre,
                                             TFailedReadEvent dud_file, TTextTagHandler* tag_handler,
                                             TTagsToTranslateList* tags_to_translate)
    : TTessorineholder(GetTextSettings(), centre, nullptr, std::move(dud_file), false, false, tag_handler,
                       tags_to_translate),
      KWSettings(GetKeywordsSettings()),
      fKeywordsList(std::make_unique<TKeyWordList>(this)) {
  ListKind = list_type;
  RegisterOwnedLists();
  Lists().Add(fKeywordsList.get(), CentreOfMainForm());
}

T_WholeKeywordsHolder::~T_WholeKeywordsHolder() = default;

std::unique_ptr<TKeyWordList> T_WholeKeywordsHolder::SetKWsToNil() {
  std::unique_ptr<TKeyWordList> list = std::move(fKeywordsList);
  fKeywordsList = std::make_unique<TKeyWordList>(this);
  RegisterOwnedLists();
  Lists().Add(fKeywordsList.get(), CentreOfMainForm());
  return list;
}

void T_WholeKeywordsHolder::GetRunningWordsIntoSettings(const std::vector<const T_WholeWordlistHolder*>& study,
                                                        const T_WholeWordlistHolder& reference,
                                                        TKeywordsSettingsRec32& settings, bool recount) {
  int64_t words = 0, texts = 0;
  for (const T_WholeWordlistHolder* doc : study) {
    if (!doc) continue;
    words += RunningWordsOf(*doc, recount);
    texts += TextsOf(*doc);
  }
  settings.SetRunningWords(0, Clamped(words));
  settings.SetTexts(0, Clamped(texts));
  settings.SetRunningWords(1, Clamped(RunningWordsOf(reference, recount)));
  settings.SetTexts(1, TextsOf(reference));
}

void T_WholeKeywordsHolder::AddTextSettingsNotes() {
  const TTextsett_rec32& t = TextSettings();
  AddNoteDetails({VXRes(TVXRes::VXLanguage) + u": " + t.LanguageName(),
                  u"tags: " + IntToUStr(t.TagTreatment())},
                 1);
}

bool T_WholeKeywordsHolder::ComputeKWs(const std::vector<UString>& study_files, UStringView reference_file,
                                       TVXComputeResultRec& result, int32_t, int32_t, TKWHandlingAmount, int32_t,
                                       int32_t) {
  result = TVXComputeResultRec{};
  if (study_files.empty()) {
    result.message = VXResFmt(TVXRes::VXProblemMakingX, {VXRes(TVXRes::VXKeywords), u""});
    AddToLogFile(u"ComputeKWs: " + result.message + u": no study word list");
    return false;
  }
  std::vector<std::unique_ptr<T_WholeWordlistHolder>> studies;
  for (const UString& name : study_files) {
    studies.push_back(LoadedWordList(name, *this, result));
    if (!studies.back()) {
      AddToLogFile(u"ComputeKWs: " + result.message);
      return false;
    }
  }
  std::unique_ptr<T_WholeWordlistHolder> reference = LoadedWordList(reference_file, *this, result);
  if (!reference) {
    AddToLogFile(u"ComputeKWs: " + result.message);
    return false;
  }
  std::vector<const T_WholeWordlistHolder*> study_docs;
  std::vector<TVXWordList*> study_lists;
  for (auto& d : studies) {
    study_docs.push_back(d.get());
    study_lists.push_back(&d->Words());
  }
  GetRunningWordsIntoSettings(study_docs, *reference, KWSettings, GetWordlistIndexSettings().RecountRunningWords());
  TKeynessCorpora corpora;
  corpora.study_running_words = KWSettings.RunningWords(0);
  corpora.reference_running_words = KWSettings.RunningWords(1);
  corpora.study_texts = KWSettings.Texts(0);
  corpora.reference_texts = KWSettings.Texts(1);
  auto list = std::make_unique<TKeyWordList>(this);
  const TKeynessOutcome outcome = ComputeKeywordList(study_lists, reference->Words(), KWSettings, corpora, *list);
  result.study_types = outcome.study_types;
  result.reference_types = outcome.reference_types;
  result.shared_types = outcome.shared_types;
  if (!outcome.success) {
    result.message = outcome.message;
    AddToLogFile(u"ComputeKWs: " + result.message);
    return false;
  }
  // The study's statistics go with the keyword list (several studies: their rows together).
  for (auto& d : studies) {
    for (int i = 0; i < d->Stats().Count(); ++i) {
      const TOne_text_stats_rec rec = d->Stats().Row(i)->fdata;
      TOne_text_stats_rec full = rec;
      full.name = d->Stats().GetEntryFullFilename(i);
      list->fKWStats->Add(new TStatsEntry(full, false, list->fKWStats.get()));
    }
  }
  list->fKWStats->Overall_stats = studies.front()->Stats().Overall_stats;
  list->fPercentFoundInReference =
      outcome.study_types > 0 ? 100.0 * outcome.shared_types / outcome.study_types : 0.0;
  list->fStudyName = study_files.front();
  list->fReferenceName = UString(reference_file);
  AddTextSettingsNotes();
  fKeywordsList = std::move(list);
  RegisterOwnedLists();
  Lists().Add(fKeywordsList.get(), CentreOfMainForm());
  result.success = true;
  return true;
}
