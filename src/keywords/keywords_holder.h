// The keywords document: computes the keyword list of one or more study word lists (".lst"
// files, added up word by word) against a reference word list, and hands the list over.
//
// ComputeKWs, in order:
//   1. each study file and the reference file is read into a word-list document of its own; a
//      file that cannot be read fails the computation, naming the file;
//   2. the running words and texts of the studies (added up) and of the reference go into the
//      keyword settings (GetRunningWordsIntoSettings): running words from a list's statistics,
//      or, when it has none, its rows' frequencies added up; with the index settings' "recount
//      running words" on, always its rows' frequencies added up (read as the computation starts);
//   3. the keyword list is computed (keyness_computation.h) with the document's keyword settings
//      (the store's when the document was made); its statistics are those of the study;
//   4. on success the notes get the text settings and the Dice line, and the document's keyword
//      list is replaced; on failure it stays as it was.
// SetKWsToNil hands the list to the caller: the document then holds an empty list.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "keywords/keyword_list.h"
#include "model/documents/work_derived.h"

class T_WholeWordlistHolder;

// What a computation answers.
struct TVXComputeResultRec {
  bool success = false;
  UString message;  // why it failed (names the file when a file was at fault)
  int32_t study_types = 0;
  int32_t reference_types = 0;
  int32_t shared_types = 0;
};

// How much of the keyword processing to do: kept for the callers, not used.
enum class TKWHandlingAmount : uint8_t { All = 0 };

class T_WholeKeywordsHolder : public TTessorineholder {
 public:
  T_WholeKeywordsHolder(TTessorineList list_type, TCentreOfMainFormFunc centre, TFailedReadEvent dud_file,
                        TTextTagHandler* tag_handler, TTagsToTranslateList* tags_to_translate);
  ~T_WholeKeywordsHolder() override;

  // The four whole numbers after the amount are kept for the callers' shape and not used.
  bool ComputeKWs(const std::vector<UString>& study_files, UStringView reference_file, TVXComputeResultRec& result,
                  int32_t a = 0, int32_t b = 1, TKWHandlingAmount amount = TKWHandlingAmount::All, int32_t c = 0,
                  int32_t d = 0);
  // Detaches the keyword list (with its statistics): the caller owns it from now on.
  std::unique_ptr<TKeyWordList> SetKWsToNil();
  TKeyWordList& Keywords() const { return *fKeywordsList; }

  // Running words and texts of the study documents (added up) and the reference document; with
  // `recount`, each list's running words are its rows' frequencies added up (and its statistics
  // keep that total).
  static void GetRunningWordsIntoSettings(const std::vector<const T_WholeWordlistHolder*>& study,
                                          const T_WholeWordlistHolder& reference, TKeywordsSettingsRec32& settings,
                                          bool recount);
  // A note of the text settings the lists were made with (language, tag treatment).
  void AddTextSettingsNotes();

  TKeywordsSettingsRec32 KWSettings{};

 private:
  std::unique_ptr<TKeyWordList> fKeywordsList;
};
