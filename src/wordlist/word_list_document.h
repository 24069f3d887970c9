// The word-list document: the main word list, the per-text statistics and the keyword list, the
// word-list settings they were made with, and the ".lst" file.
//
// File layout (after the document header and the extra-stuff block of every tool document):
//   24 bytes   the word-list settings
//   notes      the notes string list
//   3028 bytes the text settings
//   by the document's list kind:
//     0  the word list (version at least 11), the statistics list, the keyword list, the keyword
//        settings block, the 192 colour bytes; a word list of version 0 is followed by nothing
//     1  the keyword list, its statistics list inside it, the keyword settings block, the colours
// Other kinds (detailed consistency, corpus indexes) are not kept by this document: saving or
// reading them answers false and says why in the log.
//
// A read that fails leaves the document as it was: the lists are read into new lists that
// replace the document's only when every block was read. The busy mark that keeps windows from
// drawing the lists is set while a read or save runs and cleared on every path.
#pragma once

#include <memory>

#include "keywords/keyword_list.h"
#include "model/text_statistics.h"
#include "model/work_derived.h"
#include "wordlist/word_list.h"

class T_WholeWordlistHolder : public TTessorineholder {
 public:
  T_WholeWordlistHolder(TCentreOfMainFormFunc centre, TEntriesReadEvent entries_read, TFailedReadEvent dud_file,
                        TTessorineList list_type, bool using_stoplist, bool using_lemma_list,
                        TTextTagHandler* tag_handler, TTagsToTranslateList* tags_to_translate);
  ~T_WholeWordlistHolder() override;

  TVXWordList* GetWordlistByListType(TTessorineList list_type) const;
  TVXWordList& Words() const { return *fWLWords; }
  TVXStatsList& Stats() const { return *fStats; }
  TKeyWordList& Keywords() const { return *fKeywordsList; }
  // Takes a keyword list made elsewhere (the old one is freed); its rows and statistics now
  // belong to this document.
  void TakeKeywordList(std::unique_ptr<TKeyWordList> list);

  void RegisterOwnedLists() override;
  void ListKindsWithData(TListKindSet& kinds) override;
  bool ReadWholeFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
  T2_BooleanRec ReadWholeFromFile(UStringView file_name, uint8_t tool_type) override;
  // Merges another word-list document: every check is made before anything changes, so that a
  // refused merge changes neither document.
  bool MergeWith(TTessorineholder& other, UStringView caption) override;
  void WriteSettingsToLog(bool success, UStringView caption) override;
  void UpdateSettingsFromTextbuf(int code, TDocumentList* list, int flag) override;
  using TTessorineholder::UpdateSettingsFromTextbuf;

  // Why the last read or save failed (names the file when there was one).
  const UString& LastFailure() const { return fLastFailure; }

  TWordlist_settings_rec WordlistSettings{};
  struct TWordlistCounts {
    int32_t a = 0, b = 0, rows = 0;
  } WordlistCounts;

 private:
  void LinkLists();
  bool ReadBody(TStream& s, TVXWordList& words, TVXStatsList& stats, TKeyWordList& kws,
                TWordlist_settings_rec& settings, TMyStreamableStringlist& notes);

  std::unique_ptr<TVXStatsList> fStats;
  std::unique_ptr<TKeyWordList> fKeywordsList;
  std::unique_ptr<TVXWordList> fIndexWords;
  std::unique_ptr<TVXWordList> fWLWords;
  bool fOneTextStudy = false;
  UString fLastFailure;
};
