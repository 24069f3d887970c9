// A request from another tool of the suite to make concordances: which words (one item each,
// with its context words and the places to jump to), optionally in which texts. The requesting
// tool writes it to a hand-over file; the concordancer reads it, builds its chosen texts from it
// and runs one concordance per item.
//
// Protocol of the receiver
//   1. ReadRequestFile(): the whole request or nothing (on failure the list is empty and
//      Failure() names the file and what was wrong);
//   2. CheckWhetherAllFilesExist(): -1 without a file list; else how many of its texts are on
//      disk, or 0 when the user is told none is, or chooses to cancel because some are missing;
//   3. OtherToolRequestFiles() or SubSetOfOtherToolRequestFiles(an item's jumps): the chosen
//      texts to run over.
//
// Hand-over file "<folder><requesting tool>_<receiving tool>.tell_linzora" (layout in
// docs/formats.md): the 40-byte preliminaries, the file list when include_stats is set, int32
// item count, the items. The folder belongs to this user alone (hand_over_folder.h); the file is
// read only when it is this user's plain file. A request holds at most what a choice of texts
// handed between tools holds (kMostChosenTexts items, as many context words, a file of at most
// kMostChosenTextsBytes): a larger one is refused with a message before it is read whole. Every
// count read is checked against the bytes left before anything is allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/reading/tag_lists.h"
#include "shell/services/hand_over_folder.h"
#include "platform/rtl/ustring.h"

class TLinzoraFilenamelist;
class TSourceFileProbe;
class TStream;
class TVXBaseHolder;
class TVXBaseLemmaMatchCapableList;
class TVXFileDetails;
class TVXStatsList;

#pragma pack(push, 1)
struct TLinzoraInclusionsRec {
  int32_t context_exact_gap;   // 0: non-zero, every item's context words need the exact gap
  int16_t context_hors[2];     // 4: left, right horizons
  uint8_t spares[16];          // 8
  int32_t version_numero;      // 24
  uint8_t called_by;           // 28: the tool the file list comes from (1: source texts)
  uint8_t pad29;               // 29
  char16_t drive_letter;       // 30
  uint8_t spareB[3];           // 32
  uint8_t free_stats;          // 35
  uint8_t include_context_words;  // 36
  uint8_t include_stats;       // 37: a file list follows
  uint8_t include_jumps;       // 38
  uint8_t pad39;               // 39
};

struct TLinzoraInfoRec {
  int32_t tag_number1Based;    // 0
  uint8_t spares[20];          // 4
  uint8_t spares_b[3];         // 24
  uint8_t case_sensitivity;    // 27
  int32_t instances_to_find;   // 28
  int32_t n_texts_to_get;      // 32
};

struct TLinzoraJumpTo {
  int32_t file_number;         // index in the request's file list
  uint32_t byte_position;      // kNoJumpPosition: none
};
#pragma pack(pop)
static_assert(sizeof(TLinzoraInclusionsRec) == 40, "the preliminaries are 40 bytes on disk");
static_assert(offsetof(TLinzoraInclusionsRec, version_numero) == 24, "version at 24");
static_assert(offsetof(TLinzoraInclusionsRec, called_by) == 28, "tool at 28");
static_assert(offsetof(TLinzoraInclusionsRec, drive_letter) == 30, "drive letter at 30");
static_assert(offsetof(TLinzoraInclusionsRec, free_stats) == 35, "flags from 35");
static_assert(sizeof(TLinzoraInfoRec) == 36, "an item's record is 36 bytes on disk");
static_assert(offsetof(TLinzoraInfoRec, case_sensitivity) == 27, "case at 27");
static_assert(sizeof(TLinzoraJumpTo) == 8, "a jump is 8 bytes on disk");

inline constexpr uint32_t kNoJumpPosition = 0xFFFFFFFFu;

// The places to jump to of one item.
class TLinzoraJumpToList {
 public:
  std::vector<TLinzoraJumpTo> holders;
  // The distinct file numbers, in order of first appearance.
  std::vector<int32_t> Filenumbers() const;
  // By byte position, compared unsigned (as the peers write them).
  void SortByPosition();
};

class TTellLinzoraList;

// One request item: a search word (with its two affixes), its context words and its jumps.
class TLinzoraInfoClass : public TInterToolListObj {
 public:
  explicit TLinzoraInfoClass(TBaseInterToolList* owner) : TInterToolListObj(owner) {}
  static std::unique_ptr<TInterToolListObj> CreateBlank(TBaseInterToolList* owner);
  void ClearLists();

  TLinzoraInfoRec rec{};
  UString word_details[3];  // the search word, then its two affixes
  std::vector<UString> context_words;
  TLinzoraJumpToList jumplist;
};

class TTellLinzoraList : public TBaseInterToolList {
 public:
  TTellLinzoraList(uint8_t requesting_tool, uint8_t receiving_tool);
  ~TTellLinzoraList() override;

  TLinzoraInfoClass* Item(int32_t i) const;
  TLinzoraInfoClass& AddItem(UStringView word);
  // Frees every item.
  void Clear() override;
  // Clear, no file list, the preliminaries zeroed and the horizons taken from the settings.
  void Reset();

  // The file list sent with the request (owned by the list); made empty of the kind named.
  TLinzoraFilenamelist& MakeSourceFileList();
  TVXStatsList& MakeStatsList();
  TVXBaseLemmaMatchCapableList* FileList() const { return fFileList.get(); }
  TLinzoraFilenamelist* SourceFileList() const;
  TVXStatsList* StatsList() const;

  // Empty when the hand-over folder cannot be trusted.
  UString TempFilename() const override;
  bool SaveRequestFile();
  bool ReadRequestFile();
  const UString& Failure() const { return fFailure; }

  int32_t CheckWhetherAllFilesExist(TSourceFileProbe* probe = nullptr);
  std::unique_ptr<TVXFileDetails> OtherToolRequestFiles() const;
  std::unique_ptr<TVXFileDetails> SubSetOfOtherToolRequestFiles(const TLinzoraJumpToList& jumps) const;

  TLinzoraInclusionsRec fPreliminaries{};

 protected:
  bool ReadPreliminaries(TStream& stream) override;
  bool ReadAnItem(TStream& stream, int32_t index) override;
  bool SavedPreliminaries(TStream& stream) override;
  bool SavedAnItem(TStream& stream, int32_t index) override;
  int64_t MinStoredItemBytes() const override;

 private:
  std::unique_ptr<TVXFileDetails> NewChosenTexts() const;
  void AddRequestText(TVXFileDetails& chosen, int32_t file_number, bool add_jump, uint32_t position) const;

  std::unique_ptr<TVXBaseHolder> fHolder;
  std::unique_ptr<TVXBaseLemmaMatchCapableList> fFileList;
  UString fFailure;
  int64_t fContextWordsRead = 0;  // by the read in progress
};

