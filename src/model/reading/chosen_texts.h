// The chosen texts: the source texts a job works on, plain files in folders and members of zip
// archives, with what is known of each (size, date, encoding kind, words, whether it was found,
// the rows it gave, positions to jump to). TSharedChosenFilesClass holds them, fills them from
// files, folders and archives, checks them, sorts them and writes them behind the 57-byte file
// header.
//
// A member of a zip archive is kept with the archive's full name, a delimiter and the member's
// folders as its folder, and the member's own name as its name, so that folder + "/" + name is
// the archive's name followed by the member's stored name ("/corpus/a.zip/sub/t.txt").
// SplitZipMemberName takes such a name apart again.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

#include "model/documents/check_signature.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/ustring.h"
#include "platform/runtime/vx_longint_list.h"

class TStream;

// --- the kind of a text's contents (a set of bits) --------------------------------------------
using TFileContentsSet = uint8_t;
enum : uint8_t {
  kContents8Bit = 1,      // "A"
  kContentsUTF8 = 2,      // "8"
  kContentsUTF16 = 4,     // "U" (little-endian)
  kContentsDocument = 8,  // "D": a document format (PDF)
  kContentsDocument2 = 16,  // "D": a document format (compound office file)
  kContentsZip = 32,      // "Z": a zip archive, or a member of one
  kContentsUTF16BE = 64,  // "UB"
};

// Whether a text was found when last looked for.
using TFileWantedType = uint8_t;
enum : uint8_t { kWantedNotLooked = 0, kWantedFound = 1, kWantedNotFound = 2 };

// The kind of a file's contents: a byte-order mark, a zip or document signature, UTF-16 judged
// by the distribution of zero bytes, strict UTF-8 with at least one non-ASCII character, else
// 8-bit. Thorough looks at every byte, otherwise the first 64 KiB decide. 0 when the file cannot
// be read.
TFileContentsSet FileContentsType(UStringView filename, bool thorough);
// The same for a stream from its position (a zip member).
TFileContentsSet StreamContentsType(TStream& s, bool thorough);
// Whether a file is no text (a program, a picture): zero bytes among its first 4 KiB, unless a
// UTF-16 byte-order mark or zeros that fall almost all on one side of each pair show UTF-16. The
// chooser of texts marks such a file, and a run passes it over, by this one test.
bool FileLooksBinary(UStringView full_name);
// Whether a small file the user keeps for a list (a tag file) is no text: it looks binary as
// FileLooksBinary says, or its first 4 KiB hold a zero character after a UTF-16 mark, or control
// characters that text does not (other than TAB, LF, VT, FF, CR and Ctrl-Z), more than one in 64
// characters. Such a file read as text would give entries of junk: it is refused before a line
// is read.
bool ListFileLooksBinary(UStringView full_name);
// A chosen plain text as a run asks about it before reading, in one visit: whether a plain file is
// there (as FileExists says) and, when it is, whether it looks binary (as FileLooksBinary says) and
// whether it opens with the UTF-8 signature (EF BB BF), which a run may offer to convert.
struct TTextOnDisk {
  bool present = false;
  bool binary = false;
  bool utf8_signed = false;
  bool operator==(const TTextOnDisk&) const = default;
};
TTextOnDisk LookAtTextOnDisk(UStringView full_name);
// A text's size and last-write time as they were when it was read (taken false: not looked at),
// handed by the worker that read it to the row that records it.
struct TTextFingerprint {
  bool taken = false;
  int64_t size = 0;
  int64_t write_ns = 0;
  bool operator==(const TTextFingerprint&) const = default;
};
// Comparison of two kinds for sorting.
int FileContentsComparison(TFileContentsSet a, TFileContentsSet b);

// Splits "<archive>.zip/<member>" at the first component ending in ".zip" (any case) that is an
// existing file; false when there is none or the member part is empty.
bool SplitZipMemberName(UStringView joined, UString& archive, UString& member);


// --- one chosen text --------------------------------------------------------------------------
// In memory; its stream form is the 64-byte TChosenFileStreamRec below, then the name, then the
// jump list. The jump list is shared by copies of the record, owned by the holder in the list; a
// reader never changes it but keeps its own place in it (TChosenFileDetailsFullRec).
// File bytes to jump to in a text, ascending; 64-bit, as texts may pass 4 GiB.
using TJumpList = std::vector<int64_t>;

struct TChosenFile_BaseRec {
  int32_t folder_num = -1;   // index into the folders; -1 not yet known
  int32_t zip_member = 0;    // 0 a plain file; 1 or more the 1-based member of its archive
  TDateTime date = 0;        // last write
  int64_t size = 0;
  int32_t words = -1;        // -1 not counted
  TFileWantedType wanted = kWantedNotLooked;
  TFileContentsSet kind = 0;
  int32_t version = 2;
  double julian_date = 0;
  int32_t hits = 0;          // result rows of the last job
  std::shared_ptr<TJumpList> jumps;
  UString filename;          // without folder; a member's own name
};

// The record's 64 stream bytes. Offset 60 held the jump list's reference in memory and means
// nothing on disk (written 0).
#pragma pack(push, 1)
struct TChosenFileStreamRec {
  int32_t folder_num;  // written as -index - 1
  int32_t zip_member;
  double date;
  int64_t size;
  int32_t words;
  uint8_t reserved1[4];
  uint8_t wanted;
  uint8_t kind;
  uint8_t reserved2[2];
  int32_t version;
  double julian_date;
  int32_t hits;
  uint8_t reserved3[8];
  uint8_t jump_list_ref[4];
};
#pragma pack(pop)
static_assert(sizeof(TChosenFileStreamRec) == 64, "a chosen text's record is 64 bytes on disk");

// A chosen text with its folder, and the place in its jump list of the reader it was handed to
// (the positions before it are taken).
struct TChosenFileDetailsFullRec {
  TChosenFile_BaseRec rec;
  UString folder;
  size_t jumps_taken = 0;
};

// The position to jump to in a text (at least 1), the first one not taken; 0 when none is left.
int64_t FirstJumpPosition(const TChosenFileDetailsFullRec& details);

// Rewrites one plain text as UTF-16 little-endian with a byte-order mark: strict UTF-8 (with or
// without its signature) is decoded as UTF-8, anything else in code_page. The new text goes to a
// temporary sibling that replaces the file only when complete: on failure the file is untouched
// and error says why.
bool ConvertATextFileAnsiToUTF16(UStringView full_name, int code_page, UString* error = nullptr);

class TChosenFileHolder {
 public:
  explicit TChosenFileHolder(const TChosenFile_BaseRec& d);
  TChosenFile_BaseRec data;
};

// The texts in their order, with an index from a text's folder, size and name to its first
// position, so that adding many texts that must not be in already stays linear. Every change of
// the order goes through Add, Delete, Clear or Replace, which keep the index right; a change of a
// text's folder, size or name in place (Item's data is open) is followed by KeysChanged. The
// index is built at the first look-up (a list that is never asked, as a run's own, has none)
// and after any change but Add again at the next, so a run of deletions costs one build.
class TChosenFilesList {
 public:
  using TItems = std::vector<std::unique_ptr<TChosenFileHolder>>;

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  TChosenFileHolder* Item(int32_t i) const;  // nullptr outside the list
  void Add(std::unique_ptr<TChosenFileHolder> h);
  void Delete(int32_t i);
  void Clear();
  // Hands the texts out, leaving the list empty, and takes them back (in a new order, fewer, or
  // the texts read from a stream).
  TItems Take();
  void Replace(TItems items);
  void KeysChanged() { index_built_ = false; }
  // The first text with these folder, size and name; -1 when there is none.
  int32_t IndexOf(int32_t folder_num, int64_t size, UStringView name) const;
  // Every text's jump list in ascending order.
  void SortTheJumps();
  const TItems& Items() const { return items_; }

 private:
  struct TKey {
    int32_t folder_num;
    int64_t size;
    UString name;
    bool operator==(const TKey&) const = default;
  };
  struct TKeyHash {
    size_t operator()(const TKey& k) const;
  };
  void IndexAt(size_t i) const;
  TItems items_;
  // Built lazily: look-ups are made by the one thread that owns the list.
  mutable std::unordered_map<TKey, int32_t, TKeyHash> index_;
  mutable bool index_built_ = false;
};

// A list of lines with a case-sensitive index (folder names on Linux are case-sensitive).
class TChosenStringList {
 public:
  int32_t Count() const { return static_cast<int32_t>(lines_.size()); }
  const UString& operator[](int32_t i) const { return lines_[static_cast<size_t>(i)]; }
  int32_t IndexOf(UStringView s) const;  // -1 when absent
  int32_t Add(UStringView s);
  void Clear();
  // The lines joined with LF, and the reverse (CR LF, LF and CR all end a line).
  UString Text() const;
  void SetText(UStringView text);

 private:
  std::vector<UString> lines_;
  std::unordered_map<UString, int32_t> index_;  // first line of each text
};
class TChosenFoldersList : public TChosenStringList {};
class TChosenNotesList : public TChosenStringList {};

struct TFileInfoExtraStatsRec {
  int64_t total_bytes;
  int32_t count;
  int32_t version;
  uint8_t settings_part[24];  // the settings library's
};
static_assert(sizeof(TFileInfoExtraStatsRec) == 40, "the extra statistics are 40 bytes");

class TExtraStats {
 public:
  TExtraStats() { Clear(); }
  void Clear();
  TFileInfoExtraStatsRec data;
};

struct TChosenDirRec {
  bool brand_new = false;
  int32_t index = -1;
};

enum TChosenFileSort_type : uint8_t {
  chosen_caminho = 0,          // folder index
  chosen_nome_arquivo = 1,     // file name, not case-sensitive
  chosen_tamanho = 2,          // size
  chosen_palavras = 3,         // word count
  chosen_tipo_de_arquivo = 4,  // contents kind
  chosen_randomico = 5,        // random order
  chosen_data_textual = 6,     // date
  chosen_whether_unwanted = 7, // found state
};
using TChosenFileStage = TChosenFileSort_type[3];

class TSharedChosenFilesClass {
 public:
  using TErrorEvent = std::function<void()>;

  TSharedChosenFilesClass(bool ARestrictTo3LetterExtensions, TErrorEvent AOnError, uint8_t ATool);
  virtual ~TSharedChosenFilesClass();
  TSharedChosenFilesClass(const TSharedChosenFilesClass&) = delete;
  TSharedChosenFilesClass& operator=(const TSharedChosenFilesClass&) = delete;

  void ClearThem();

  // --- adding --------------------------------------------------------------------------------
  // Adds the text; its folder (aPath, without trailing delimiter) is looked up or appended when
  // D's folder index is below 0. Files ending in ".VXpreparsed", and ".html" ones when restricted
  // to short extensions, are refused.
  bool AddedAFile(const TChosenFile_BaseRec& D, UStringView aPath);
  // Adds the text unless one of the same folder, name and size is chosen already (then counted
  // in TakeRepeatsLeftOut).
  bool AddIfNotInAlready(const TChosenFile_BaseRec& D, UStringView aPath);
  // Adds an existing plain file by its full name (unless it is in already).
  bool ToolAddAFile(UStringView LongFilename);
  // Adds the files of a folder that match the mask, with every sub-folder when asked, and the
  // matching members of the ".zip" archives found there when WithinZips. Answers how many were
  // added. A text chosen already (the same folder, or a parent folder, walked again) is not added
  // again but counted in TakeRepeatsLeftOut; each is one hash look-up. Stops when StopCollecting
  // is called (from an event or the window's pump).
  int32_t AddedFolderContents(UStringView aPath, UStringView AMask, bool WithSubDirs,
                              bool WithinZips);
  void StopCollecting();
  // A chosen text named as a zip archive (".zip", any case) stands for its members: each is
  // replaced, where it stands, by the members that are texts (folder entries and names that
  // would leave their folder left out; members chosen already counted in TakeRepeatsLeftOut).
  // An archive that cannot be read, or holds no text, stays where it was, marked not found, and
  // is named in refused with the reason. Answers how many archives were replaced.
  struct TArchiveRefusal {
    UString archive;  // its full name
    UString why;
  };
  int32_t TakeArchivesAsMembers(std::vector<TArchiveRefusal>* refused = nullptr);
  // How many texts adding left out because they were chosen already, since the last call; the
  // count starts again at 0.
  int32_t TakeRepeatsLeftOut();
  // What the last folder walk left out because the names are not valid UTF-8 (they could not be
  // opened again by the name the program keeps): the count and the first folder holding one, as
  // one sentence, also logged once at the end of the walk. Empty when nothing was left out. The
  // temporary files of saves and modifications (temporary_names.h) are passed by without a word.
  const UString& LeftOutNamesNote() const { return left_out_note_; }

  // --- look-ups ------------------------------------------------------------------------------
  int32_t FileIndex(int64_t ASize, UStringView aPath, UStringView AShortname) const;
  int32_t FolderIndex(UStringView aPath) const;
  TChosenDirRec GetFolderInfo(UStringView aPath);
  UString FolderName(int32_t FileIndex) const;       // "" outside the list or the folders
  UString FullFilename(int32_t index) const;         // folder, delimiter, name
  // The text with its folder; beyond the end a zeroed answer and the error event. Sets
  // starting_a_folder and finishing_a_folder.
  TChosenFileDetailsFullRec GetFullFileDetails(int32_t index);
  // For a zip member: extracts it to a new, uniquely named file in the temporary folder and
  // answers that name (the caller deletes the file). "" for a plain file or on failure.
  UString TempFilewithZipOpened(int32_t index) const;
  UString SuggestedFilename() const;
  // The total of bytes cut into parts: entry k is where part k ends.
  std::vector<int64_t> ComputedByteDivisions(int32_t parts) const;

  int32_t FileCount() const { return fFiles.Count(); }
  int64_t TotalBytes() const { return fExtraStats.data.total_bytes; }
  TDateTime GetFileDate(int32_t index) const;
  void SetFileHits(int32_t index, int32_t hits);
  void SetFileKind(int32_t index, TFileContentsSet kind);
  void SetFileWanted(int32_t index, TFileWantedType wanted);
  void SetFileWords(int32_t index, int32_t words);

  // --- checking ------------------------------------------------------------------------------
  // Removes the texts that no longer exist (a member must be in its archive); the count left.
  int32_t CheckFilesExist();
  // Keeps the first of each set of texts equal in size, date, member, folder and name; the
  // order by the current sort keys is restored afterwards.
  void CheckDuplicates();
  // Keeps the first of each set equal in size, member, folder and name; leaves the list in
  // order of size.
  void RemoveDuplicates();
  void CheckForUnicode(bool thorough, bool& mixed_formats, bool& someUTF8);
  // Rewrites the plain texts whose kind is exactly 8-bit or exactly UTF-8 as UTF-16 (little-
  // endian, byte-order mark) through a temporary file renamed over the text, so that a failed
  // write leaves the text as it was; 8-bit text that is not valid UTF-8 is read in code_page.
  // Answers how many were converted.
  int32_t ConvertUTF8sToUnicode(int code_page = 1252);

  // --- order ---------------------------------------------------------------------------------
  void SetSortTo(TChosenFileSort_type Value);
  void DoASort(bool main_sort_ascending);
  void Delete(int32_t index);
  // Adds the other set's texts that are not chosen here already (those are counted in
  // TakeRepeatsLeftOut); folders are looked up again by path, jump lists are copied.
  void CopyFrom(const TSharedChosenFilesClass& Another);

  // --- streams -------------------------------------------------------------------------------
  bool SaveToStream(TStream& s);
  // Replaces the contents with the stream's; on failure the contents stay as they were.
  bool ReadFromStream(TStream& s);
  // The identification text of the header ("TESSORINE_CHOSEN_TEXTS_(<signature>)").
  static std::string ChosenTextsIdentification();
  // The signature that the stream's header carries (the controller's).
  static int32_t ChosenTextsSignature();

  // --- fields --------------------------------------------------------------------------------
  int32_t version = 1;
  TCheckSignature fCheck{};
  TChosenFilesList fFiles;
  TChosenNotesList fNotes;
  TChosenFoldersList fFolders;
  TExtraStats fExtraStats;

  TErrorEvent fErrorEvent;
  std::function<void(const UString& archive)> fOnZipRead;
  std::function<void(const UString& folder)> fOnFolder;
  std::function<void(int percent)> fOnFilesPercent;

  bool RestrictTo3LetterExtensions = false;
  bool fthorough_check = false;
  bool check_duplicates_needed = false;
  int32_t tempfolderPos = -1;
  uint8_t fTool = 0;

  bool SortsAscending[3] = {true, true, true};
  bool SortsWanted[3] = {true, true, false};
  TChosenFileStage CurrentSort = {chosen_caminho, chosen_nome_arquivo, chosen_tamanho};
  bool Has_Sorted = false;
  bool Sorting = false;

  bool starting_a_folder = false;
  bool finishing_a_folder = false;

 private:
  int CompareByKey(TChosenFileSort_type key, const TChosenFile_BaseRec& a,
                   const TChosenFile_BaseRec& b) const;
  void WalkFolder(const UString& folder, UStringView mask, bool with_subdirs, bool within_zips,
                  int depth);
  void AddZipMembers(const UString& archive, UStringView mask);
  // Removes the texts flagged in gone (same size as the list); keeps TotalBytes in step.
  void RemoveFlagged(const std::vector<bool>& gone);
  void ReportPercent(int32_t done, int32_t total, int& last);
  void NoteLeftOutName(const UString& folder);
  bool walking_ = false;
  int32_t repeats_left_out_ = 0;
  int32_t left_out_names_ = 0;
  std::set<UString> left_out_folders_;
  UString left_out_first_folder_, left_out_note_;
};
