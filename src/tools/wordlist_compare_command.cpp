// "compare": a study word list against a reference word list into a keyword-list document.
#include <filesystem>

#include "keywords/keywords_holder.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_tools.h"
#include "tools/wordlist_commands.h"
#include "tools/wordlist_view_commands.h"
#include "wordlist/word_list_document.h"

namespace {

int Refused(std::ostream& err, const std::string& what) {
  err << "linzora_wordlist: " << what << "\n";
  return kWordlistToolFailed;
}

// Both inputs must be word lists: a keyword or consistency list read as a study would compare
// no words at all.
bool IsWordListFile(const std::string& file, std::ostream& err, int& code) {
  std::string why;
  std::unique_ptr<T_WholeWordlistHolder> doc = ReadSavedList(file, why);
  if (!doc) {
    code = Refused(err, why);
    return false;
  }
  if (doc->ListKind != kListWordList) {
    code = Refused(err, file + " is a " + ListKindName(doc->ListKind) + ", not a word list");
    return false;
  }
  return true;
}

}  // namespace

int CompareWordlistsCommand(const TWordlistToolArgs& args, std::ostream& out, std::ostream& err) {
  const std::string& study = args.operands[0];
  const std::string& reference = args.operands[1];
  int code = kWordlistToolDone;
  if (!IsWordListFile(study, err, code) || !IsWordListFile(reference, err, code)) return code;
  T_WholeWordlistHolder doc(nullptr, nullptr, nullptr, kListKeywords, false, false, nullptr, nullptr);
  err << "linzora_wordlist: comparing " << study << " with " << reference << "\n";
  const TVXComputeResultRec result =
      doc.ComparedWordlists(Utf8ToUtf16(study), Utf8ToUtf16(reference), TKWHandlingAmount::All);
  if (!result.success) return Refused(err, "no keyword list made: " + Utf16ToUtf8(result.message));
  const UString file = Utf8ToUtf16(args.output);
  if (!doc.SaveToFile(file, 0, 0, 0))
    return Refused(err, "could not write " + args.output +
                            (doc.LastFailure().empty() ? std::string() : ": " + Utf16ToUtf8(doc.LastFailure())));
  TKeyWordList& k = doc.Keywords();
  int negative = 0;
  for (int i = 0; i < k.Count(); ++i) {
    TNumberDisplayAndSinglesRec keyness;
    bool below = false;
    k.NumericalDataAndNegative(kKWColKeyness, i, keyness, below);
    negative += below ? 1 : 0;
  }
  out << wordlist_tool::WrittenFile(args.output, doc.ListKind) << ": " << k.Count() << " keywords (" << negative
      << " negative) of " << study << " against "
      << reference << ", " << k.KWSettings.RunningWords(0) << " and " << k.KWSettings.RunningWords(1)
      << " running words, " << result.shared_types << " of " << result.study_types << " study words in the reference\n";
  std::string words;
  for (const UString& w : k.AllWordsAsStringList()) words += (words.empty() ? "" : " ") + Utf16ToUtf8(w);
  out << "keywords: " << words << "\n";
  TKeywordRecord first{};
  if (k.KeywordData(0, first))
    out << "first: " << Utf16ToUtf8(k.WordTextOfRow(0)) << ", " << first.frequency << " in the study, "
        << first.rc_frequency << " in the reference\n";
  return kWordlistToolDone;
}
