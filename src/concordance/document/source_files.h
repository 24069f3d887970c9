// The source files of a concordance: one row per text the concordance was made from, with the
// text's full file name, the hits found in it, the words it held, whether it still has lines in
// the concordance and whether it exists on disk.
//
// Numbers and positions
//   A row is made with the text's original file number (its number in the order of making, from
//   0); lines keep that number. Sorting moves rows, so every per-row call takes an index and a
//   flag: with the flag the index is an original file number, mapped to the row's position
//   through the order table (number -> position, rebuilt by every sort and after anything that
//   adds, removes or reorders rows). A number beyond the highest number in the table is taken as
//   a position itself (old documents whose rows carry no numbers). An index that names no row
//   gives an empty answer (empty name, zeroed record, status 0) and a set does nothing.
//
// Identity and order
//   On Linux a file is its exact name: IndexOfAFilename and duplicates compare names exactly.
//   Only sorting ignores case (locale collation of the full names, every level alike).
//
// Stream (the list): the result-list body with the list version raised to at least 22. A row:
//   8 bytes     TLinzoraFilenameRowHead (file status, 3 bytes 0, words)
//   string      the full file name (int32 count + UTF-16LE), the program folder as its token
//   112 bytes   TLinzoraFilenameEntryAdditionalRec
//   Older rows, by list version: below 11 the head and a short string (length byte + 8-bit
//   characters in the document's code page), nothing more; 11 the head and the string; from 12
//   all three. A damaged stream answers false with a log line and leaves the list as it was.
//   After a read the texts' existence is checked (network paths left unchecked).
//
// Files on Linux
//   A path is on the network when it starts with "//" or lies on an NFS, CIFS/SMB or similar
//   mount (/proc/self/mounts). Such files are looked at only when the caller asks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "model/reading/chosen_texts.h"
#include "model/documents/work_base.h"
#include "platform/rtl/ustring.h"

class TStream;

// --- runtime pieces: files and percentages ------------------------------------------------------

// Whether a text was found when last looked for.
using TVXFilestatus = uint8_t;
inline constexpr TVXFilestatus kFileNotChecked = 0;
inline constexpr TVXFilestatus kFilePresent = 1;
inline constexpr TVXFilestatus kFileMissing = 2;

// The mount points of network file systems in a mount table written as /proc/self/mounts is
// (device, mount point with octal escapes, type, ...). Malformed lines are passed over.
std::vector<UString> NetworkMountPointsFrom(std::string_view mounts_text);
// The same for this process, read afresh at most every few seconds.
std::vector<UString> NetworkMountPoints();
// True when path starts with "//" or lies on one of the mount points (the deepest mount
// containing the path decides, so a local mount inside a network one is local).
bool IsNetworkPathIn(UStringView path, const std::vector<UString>& network_mounts,
                     const std::vector<UString>& all_mounts);
bool IsNetworkPath(UStringView path);
// A folder that exists (the name may end in a delimiter; an empty name is the current folder).
bool DriveAndFolderExist(UStringView folder);
// Not checked for a network file when check_network is off; otherwise present or missing.
TVXFilestatus GetFileStatusOfAFile(UStringView full_name, bool check_network);
// A text's size and last-write time (ns since 1970) as the file system gives them now, symbolic
// links followed; false (both 0) when the file cannot be looked at.
bool TextFingerprintOf(UStringView full_name, int64_t& size, int64_t& write_ns);
// A chosen text's fingerprint for its row (taken false for a zip member, which has none).
TTextFingerprint FingerprintOfChosenText(const TChosenFileDetailsFullRec& details);
// part as a percentage of whole; the missing value when whole <= 0.
float IntegerAsPercent(int64_t part, int64_t whole);

// What an existence check asks of the file system; tests fake it.
class TSourceFileProbe {
 public:
  virtual ~TSourceFileProbe() = default;
  virtual bool IsNetworkPath(UStringView path) = 0;
  virtual bool FolderExists(UStringView folder) = 0;
  virtual bool FileExists(UStringView full_name) = 0;
};
// The real file system; one mount table for the probe's life.
std::unique_ptr<TSourceFileProbe> MakeFileSystemProbe();

// --- records ------------------------------------------------------------------------------------

#pragma pack(push, 1)
// The first 8 bytes of a row as stored.
struct TLinzoraFilenameRowHead {
  uint8_t filestatus;  // TVXFilestatus
  uint8_t pad[3];
  int32_t words_in_source_file;  // -1 when not counted
};

// The 112 bytes stored after the file name (offsets within this record; +16 in the whole row
// record, where bytes 12 to 15 are not used).
struct TLinzoraFilenameEntryAdditionalRec {
  int32_t version;              // 0: from the chosen-texts record
  uint8_t spare_IsUTF16;        // 4
  uint8_t StillInConcordance;   // 5
  uint8_t spare2;               // 6
  uint8_t spare3;               // 7
  uint8_t KindOfFile[8];        // 8: byte 0 the TFileContentsSet bits, the rest 0
  double TextualDateAndTime;    // 16: the text's date as a Julian day number
  int32_t hits_this_file;       // 24
  uint8_t pad28[4];             // 28
  int64_t file_size;            // 32
  int32_t zero_based_filename_num;  // 40: the original file number
  // 44: the text as it was read: its size and last-write time (ns since 1970), both 0 when
  // not known (older documents, texts in archives). A modification refuses a text that no
  // longer matches.
  int64_t fingerprint_size;     // 44
  int64_t fingerprint_write_ns; // 52
  uint8_t spare[52];            // 60..111
};
#pragma pack(pop)
static_assert(sizeof(TLinzoraFilenameRowHead) == 8, "a row's head is 8 bytes on disk");
static_assert(offsetof(TLinzoraFilenameRowHead, words_in_source_file) == 4, "words sit at offset 4");
static_assert(sizeof(TLinzoraFilenameEntryAdditionalRec) == 112, "a row's other data is 112 bytes on disk");
static_assert(offsetof(TLinzoraFilenameEntryAdditionalRec, StillInConcordance) == 5, "still-in flag at 5");
static_assert(offsetof(TLinzoraFilenameEntryAdditionalRec, KindOfFile) == 8, "kind of file at 8");
static_assert(offsetof(TLinzoraFilenameEntryAdditionalRec, TextualDateAndTime) == 16, "date at 16");
static_assert(offsetof(TLinzoraFilenameEntryAdditionalRec, hits_this_file) == 24, "hits at 24");
static_assert(offsetof(TLinzoraFilenameEntryAdditionalRec, file_size) == 32, "file size at 32");
static_assert(offsetof(TLinzoraFilenameEntryAdditionalRec, zero_based_filename_num) == 40, "number at 40");
static_assert(offsetof(TLinzoraFilenameEntryAdditionalRec, fingerprint_size) == 44, "fingerprint at 44");
static_assert(offsetof(TLinzoraFilenameEntryAdditionalRec, spare) == 60, "spare from 60");

// One row in memory.
struct TLinzoraFilenameEntryRecPlus {
  TLinzoraFilenameRowHead head{};
  UString full_filename;  // folder with a trailing delimiter, then the file name
  TLinzoraFilenameEntryAdditionalRec other_data{};
};

// Versions of the list stream.
inline constexpr int32_t kFilenameListVersion = 22;   // written
inline constexpr int32_t kFilenameRowUnicodeVersion = 11;  // from here names are UTF-16 strings
inline constexpr int32_t kFilenameRowOtherDataVersion = 12;  // from here the 112 bytes follow

inline constexpr grid_alternatives kGridSourceFiles = 9;
inline constexpr int32_t kSourceFilesListNumber = 17;

// Grid columns.
enum : int {
  kSourceColNumber = 0,
  kSourceColFile = 1,   // text: the full name; int_value: the file status
  kSourceColHits = 2,
  kSourceColHitsPercent = 3,  // the row's hits as a percentage of all hits
  kSourceColWords = 4,
  kSourceColSize = 5,
  kSourceColDate = 6,
  kSourceColumnCount = 7,
};

class TLinzoraFilenamelist;

class TLinzoraFilenameEntry : public TVXBaseListObject {
 public:
  // A blank row (for reading).
  explicit TLinzoraFilenameEntry(TVXBaseDataClass* list);
  // A row for a chosen text: folder + name, present, words not counted, the copied values, and
  // the text's fingerprint: the one taken when it was read, or else as it is on disk now (the row
  // is made once the text has been read).
  TLinzoraFilenameEntry(TVXBaseDataClass* list, int32_t original_number, const TChosenFileDetailsFullRec& details,
                        const TTextFingerprint& taken = {});
  // A copy of a whole record.
  TLinzoraFilenameEntry(TVXBaseDataClass* list, const TLinzoraFilenameEntryRecPlus& rec);

  TLinzoraFilenameEntryRecPlus fdata;

  void ZeroTheDataRec() override;
  bool IsDuplicateOf(const TVXBaseListObject& other) const override;
  UString MainWordOnly() const override { return fdata.full_filename; }
  UString GetAWordAsString(int column) const override;
  // The file-name column takes a corrected name (folder and file); an empty name is refused.
  void SetAWordAsString(int column, UStringView text) override;
  int32_t MainWordFrequency() const override { return fdata.other_data.hits_this_file; }
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;

  // The row as a chosen text: name, folder, date and size, found, an empty jump list.
  TChosenFileDetailsFullRec DataAsChosenFileRec() const;
};

class TLinzoraFilenamelist : public TVXBaseLemmaMatchCapableList {
 public:
  explicit TLinzoraFilenamelist(TVXBaseHolder* holder);
  ~TLinzoraFilenamelist() override;

  static TVXBaseListObject* MakeEntry(TVXBaseDataClass& list);

  // --- rows ---
  // The row at a position, or numbered number with the flag; nullptr when none.
  TLinzoraFilenameEntry* Row(int index, bool original_number = false) const;
  // The position of an index (see the contract); -1 when it names no row.
  int PositionOf(int index, bool original_number) const;
  UString GetFullFilename(int index, bool original_number) const;
  // The row's record; zeros (and an empty name) outside the list.
  TLinzoraFilenameEntryRecPlus GetEntryRecPlus(int index, bool original_number) const;
  int32_t GetAFileStatus(int index) const override;
  void SetAFileStatus(int index, int32_t status) override;
  TVXFilestatus GetFileStatus(int index, bool original_number) const;
  void SetFileStatus(int index, bool original_number, TVXFilestatus status);
  bool StillInConcordance(int index, bool original_number) const;
  void SetStillInConcordance(int index, bool original_number, bool value);
  void SetWords(int index, bool original_number, int32_t words);
  void SetHits(int index, bool original_number, int32_t hits);
  // The row at position i takes i as its original number.
  void SetOriginalFilenumber(int i);
  // The first row whose full name is exactly name (with the flag: its original number), or -1.
  int IndexOfAFilename(UStringView name, bool original_number) const;
  bool HasOriginalNumbers() const { return has_original_numbers_; }
  // 1 while an existence check runs, 2 once one found a text.
  uint8_t ExistenceCheckState() const { return check_state_; }
  // The hits of every row (negative ones as 0). Kept between calls, since each cell of the
  // percent column asks: worked out again after any change of the rows (EntriesGeneration) or of
  // a row's hits (SetHits, a row read in place; whoever writes a row's record itself calls
  // HitsChanged).
  int64_t TotalHits() const;
  void HitsChanged() { total_hits_known_ = false; }

  int Add(TVXBaseListObject* entry) override;
  void Remove(int index) override;
  bool MergeWith(TVXBaseLemmaMatchCapableList* other) override;

  // --- sorting ---
  bool DoASort(int levels, int first, int last) override;
  void EnsureOrderTableAllocated();
  // Every level and key compares full names, case ignored.
  void Set1Sort(int level, int32_t key) override;
  void SetSortSettingsToDefault(bool clearing) override;
  int32_t HeaderColumnToSortNeeded(int level, int column) override { return 1; }
  // The entry's full name becomes the text that Find_PosWord compares with.
  void SetBase(TVXBaseListObject& entry, int level) override;
  const UString& BaseString() const { return base_string_; }

  // --- grid ---
  int MainWordColumn() const override { return kSourceColFile; }
  // A text's name may be corrected in the grid (a text moved since the run).
  bool CanEdit(int column) const override { return column == kSourceColFile; }
  void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) override;
  void NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) override;

  // --- files ---
  // Looks every text up; answers how many exist. Network files get status 0 unless checked.
  int32_t FilesStillExisting(bool check_network, TSourceFileProbe* probe = nullptr);
  // With network files checked as the settings say.
  int32_t FilesStillExisting() override;
  // Replaces the first occurrence (case ignored) of find in each row's folder, or in its file
  // name, by replacement; answers the rows changed. An empty find changes nothing.
  int DoAFilenameSearchAndReplace(UStringView find, UStringView replacement, bool in_folder) override;

  // --- stream ---
  bool SaveToStream(TStream& s) override;
  bool ReadFromStream(TStream& s) override;
  // Set by a row read whose original number is above 0.
  void NoteOriginalNumber(int32_t number);

 private:
  void OrderTableChanged() { order_dirty_ = true; }
  void RebuildOrderTable() const;

  // (number, position) pairs sorted by number: a map without a slot per possible number, so a
  // garbled number cannot make it huge.
  mutable std::vector<std::pair<int32_t, int32_t>> order_table_;
  mutable bool order_dirty_ = true;
  bool has_original_numbers_ = false;
  uint8_t check_state_ = 0;
  mutable int64_t total_hits_ = 0;
  mutable uint64_t total_hits_generation_ = 0;
  mutable bool total_hits_known_ = false;
  UString base_string_;
};
