// The word-list document's comparison of two word-list files into its keyword list. It lives with
// the keywords library because it drives the keywords document.
#include <cstdio>

#include "keywords/keywords_holder.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "wordlist/word_list_document.h"

namespace {

// The store's choice as it was before, put back however the computation ends.
class TFastMinimalForNow {
 public:
  explicit TFastMinimalForNow(uint8_t tool) : tool_(tool), before_(GetFastMinimalProcessing(tool)) {
    SetFastMinimalProcessing(tool_, true);
  }
  ~TFastMinimalForNow() { SetFastMinimalProcessing(tool_, before_); }
  TFastMinimalForNow(const TFastMinimalForNow&) = delete;
  TFastMinimalForNow& operator=(const TFastMinimalForNow&) = delete;

 private:
  uint8_t tool_;
  bool before_;
};

UString Figure(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4f", v);
  return Utf8ToUtf16(buf);
}

}  // namespace

TVXComputeResultRec T_WholeWordlistHolder::ComparedWordlists(UStringView study_file, UStringView reference_file,
                                                             TKWHandlingAmount amount) {
  TVXComputeResultRec result;
  {
    T_WholeKeywordsHolder kws(kListKeywords, CentreOfMainForm(), &TTessorineholder::DudTextFile, TextTagHandler,
                              TagsToTranslate);
    TFastMinimalForNow fast(current_tool_var);
    kws.ComputeKWs({UString(study_file)}, reference_file, result, 0, 1, amount, 0, 0);
    if (result.success) {
      std::unique_ptr<TKeyWordList> list = kws.SetKWsToNil();
      TKeyWordList& k = *list;
      fNotes.Add(DateTimeToUStr(Now()) + u"\t" +
                 VXResFmt(TVXRes::VXDiceCoefficientIs,
                          {IntToUStr(result.study_types), IntToUStr(result.reference_types),
                           IntToUStr(result.shared_types), Figure(k.DiceCoefficient)}));
      // The files compared go with the list: the reference in its settings, the study as the
      // document's parent file.
      k.KWSettings.SetReferenceCorpus(reference_file);
      k.SetSourceNames(study_file, reference_file);
      SaveAParentFilenameInExtraStuff(study_file);
      // The notes keep what the list was made from and with (the files, the procedure and the
      // thresholds): the settings the document carries may be changed, the notes are not.
      AddNoteDetails(k.DetailsOfCurrentSettings(), 1);
      TakeKeywordList(std::move(list));
    }
  }
  SetBusyDontShowData(false);
  return result;
}
