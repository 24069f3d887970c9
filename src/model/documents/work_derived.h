// The tool document: the whole result of one run of a tool (its result lists, the text settings
// the texts were read with, the plot settings, the notes, the batch bookkeeping) and its file.
//
// File layout (little-endian):
//   0     57 bytes  header: tool signature, negated pixels per inch, client height, client
//                   width, list signature (length byte + 40 characters); byte 56 = 9 once the
//                   document is completely saved, and only then does the extra-stuff block follow
//   57   464 bytes  extra-stuff record: version (int32 at 0, at least 19 when written), main
//                   list count (int32 at 56), relative-entropy basis (int32 at 60), the rest
//                   reserved and kept as read
//   521  string     parent file name (runtime string framing); files of versions below 18 hold
//                   20 bytes here instead, which are skipped
//   ...             the body written by the tool's own document (for the concordancer: ".cnc")
//
// Readers answer false on any damage and never throw; a failed save leaves the file on disk as
// it was (the document is written to a temporary sibling that replaces the file only when
// complete).
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "model/documents/check_signature.h"
#include "model/documents/document_notes.h"
#include "model/lists/result_list_base.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/ustring.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_records.h"
#include "shell/services/progress.h"

// The tag display of a document's lines (the View menu's "Tag display").
inline constexpr uint8_t kTagDisplayHidden = 0;
inline constexpr uint8_t kTagDisplayPrefix = 1;
inline constexpr uint8_t kTagDisplaySuffix = 2;
inline constexpr uint8_t kTagDisplayWordsHidden = 3;

class TStream;
class TVXBaseLemmaMatchCapableList;
class TTextTagHandler;
struct TTagReadSettings;
class TTagsToTranslateList;
class TSharedChosenFilesClass;
struct TChosenFileDetailsFullRec;

using TDocumentList = TVXBaseLemmaMatchCapableList;

using TCentreOfMainFormFunc = TPoint (*)();
using TEntriesReadEvent = std::function<void(int32_t count)>;
using TFailedReadEvent = std::function<void(const TChosenFileDetailsFullRec& details)>;
using TProgressShowEvent = std::function<void(int32_t percent)>;
// A set of list types (below 48).
using TListKindSet = std::bitset<kListTypeCount>;

// Two answers of a file read: whether it was read, and whether it held every data field.
struct T2_BooleanRec {
  bool first = false;
  bool second = false;
};

// The name of the file a document stands for, as the open and save commands pass it around.
struct TVXStored_File_rec {
  UString name;
  int32_t files = 0;
  TTessorineList list_type = 0;
};

// The 56-byte record of how the texts of a run were handled (the first text's, compared with
// every later one's).
struct TAllFileHandledInfo : TByteRecord<56> {
  bool Html() const { return Flag<8>(); }
  bool Zipped() const { return Flag<9>(); }
  bool Unicode() const { return Flag<10>(); }
  bool ConvertedToUnicode() const { return Flag<12>(); }
  bool Utf8() const { return Flag<13>(); }
};

// What other layers do for the document where it reaches windows, grids and menus. Each hook
// may be left empty; the document then skips that step.
struct TDocumentHooks {
  // The grid layer: the base headings of a list's type (output case and first-column width
  // applied), and the user's default column visibility for a list whose widths are not yet set.
  void (*set_base_headings)(TDocumentList& list) = nullptr;
  void (*apply_default_column_visibility)(TDocumentList& list) = nullptr;
  // Menus: the menu tag of a tag-treatment choice (0..3; negative for none) and the shared
  // menus' redoing of their check marks.
  int (*tag_treatment_menu_tag)(int treatment) = nullptr;
  void (*redo_menu_check_states)() = nullptr;
  // The system's editor for a text file written for the user, starting in a folder.
  void (*try_to_edit)(const UString& file_name, const UString& folder) = nullptr;
};
void SetDocumentHooks(const TDocumentHooks& hooks);
const TDocumentHooks& DocumentHooks();

// Gives the columns of a list's headings the user's default visibility for the list type
// (settings store): columns 2 to min(20, heading count - 1), and only while the headings' widths
// are not yet set; columns 0 and 1 always show. The grid layer calls it with its headings.
void ApplyDefaultColumnVisibility(TTessorineList list_type, int heading_count, bool widths_set,
                                  const std::function<void(int column, bool visible)>& set_visible);

// --- the extra-stuff block -------------------------------------------------------------------

class TTessorineHolderExtraStuffHolder {
 public:
  static constexpr int64_t kRecordSize = 464;
  static constexpr int64_t kOldTailSize = 20;          // versions below 18
  static constexpr int32_t kParentNameVersion = 18;    // from here a parent name follows
  static constexpr size_t kMaxParentNameUnits = 32767;

  TTessorineHolderExtraStuffHolder() { record.Clear(); }
  virtual ~TTessorineHolderExtraStuffHolder() = default;

  // Reads the record and what follows it; false for a short or damaged block (the holder then
  // keeps what it held before).
  virtual bool ReadFromStream(TStream& s);
  // Writes the record and the parent name; true only when every byte was written.
  virtual bool SaveToStream(TStream& s) const;

  int32_t Version() const { return record.Get<int32_t, 0>(); }
  void SetVersion(int32_t v) { record.Put<int32_t, 0>(v); }
  int32_t MainListCount() const { return record.Get<int32_t, 56>(); }
  void SetMainListCount(int32_t v) { record.Put<int32_t, 56>(v); }
  int32_t RelativeEntropyBasis() const { return record.Get<int32_t, 60>(); }
  void SetRelativeEntropyBasis(int32_t v) { record.Put<int32_t, 60>(v); }

  // The main grid's column widths as the user left them, kept in the record's reserved bytes
  // from offset 64: a mark, the count, then one 16-bit width (pixels, at least 1) per column.
  // Readers that do not know them skip them with the rest of the record; a record without the
  // mark (older files) has no layout, and gives an empty list.
  static constexpr int kLayoutOffset = 64;
  static constexpr int32_t kLayoutMark = 0x4C57434C;  // "LCWL"
  static constexpr int kMaxLayoutColumns = (400 - 8) / 2;
  std::vector<int16_t> GridColumnWidths() const;
  // Too many columns, or a width outside 1..32767, keeps no layout (the bytes are cleared).
  void SetGridColumnWidths(const std::vector<int32_t>& widths);

  TByteRecord<464> record;
  UString parent_filename;
  int32_t unsaved_word = 0;
};

// --- the lists a document owns -----------------------------------------------------------------

// References to the result lists of a document, in the order the document registers them; the
// document frees its lists itself.
class TVXBaseListList {
 public:
  // Gives the list the main window's centre and appends it; answers its index.
  int Add(TDocumentList* list, TCentreOfMainFormFunc centre);
  TDocumentList* SafeItem(int index) const;
  int Count() const { return static_cast<int>(items_.size()); }
  void Clear() { items_.clear(); }

 private:
  std::vector<TDocumentList*> items_;
};

// --- the tool document -------------------------------------------------------------------------

class TTessorineholder : public TVXBaseHolder {
 public:
  static constexpr int32_t kMinHolderVersion = 19;

  TTessorineholder(const TTextsett_rec32& text_settings, TCentreOfMainFormFunc centre,
                   TEntriesReadEvent entries_read, TFailedReadEvent failed_read, bool stop_list_loaded,
                   bool lemma_list_loaded, TTextTagHandler* tag_handler, TTagsToTranslateList* tags_to_translate);
  ~TTessorineholder() override;
  TTessorineholder(const TTessorineholder&) = delete;
  TTessorineholder& operator=(const TTessorineholder&) = delete;

  // --- virtual operations, in their order ---
  virtual int32_t GetRelativeEntropyBasis() const;
  void SetUnicode(bool value) override;
  virtual void AddTextSettingsNotes();
  virtual void PrepareForMergeWith(TTessorineholder& other) {}
  virtual void ListKindsWithData(TListKindSet& kinds) { kinds.reset(); }
  virtual void SetLastMainToolFile(bool register_file);
  virtual void SetAllGridHeadings();
  virtual void RegisterOwnedLists() { fLists.Clear(); }
  virtual void CheckMenuItemsAfterLoadFromFile();
  virtual void ChangeAllToUnicode() {}
  // List exports (plain text, XML, rich text, spreadsheet): see model/list_export.h and the Save
  // As rules' ExportListWithSettings; a workbook is started, written and saved whole by its export.
  virtual bool MergeWith(TTessorineholder& other, UStringView caption);
  virtual bool ReadWholeFromStream(TStream& s);
  virtual bool SaveToStream(TStream& s);
  // Reads a whole document from a file already open at its start (file_name is the name the
  // document takes as its own): the header checked for the tool, then the body. A failed read
  // leaves the document's name, header and read state as they were.
  virtual T2_BooleanRec ReadWholeFromOpenFile(TStream& file, UStringView file_name, uint8_t tool_type);
  // The same, the file opened by its name (through its links); one that cannot be opened is refused.
  T2_BooleanRec ReadWholeFromFile(UStringView file_name, uint8_t tool_type);
  virtual bool SaveToFile(UStringView file_name, int32_t client_height, int32_t client_width, int32_t saved_dpi);
  virtual bool AddToZipFile() { return false; }
  virtual void UpdateSearchReplaceFilenames() {}
  virtual void UpdateSettingsFromTextbuf(int code);
  virtual void UpdateSettingsFromTextbuf(int code, TDocumentList* list, int flag);
  virtual void WriteSettingsToLog(bool success, UStringView caption) {}

  // --- settings ---
  // Copies the record; a processing limit (int32 at 2704) of 0 or less becomes 0x7FFFFFFF.
  void SetTextSettings(const TTextsett_rec32& rec);
  const TTextsett_rec32& TextSettings() const { return ftextsettings; }
  // Takes a language record into the start of the text settings and the locale from it.
  void SetTextSettings_Language(const Tfixed_lang_details32& rec);
  void SetVXBaseListsLCIDToTextSettingsLCID();
  // Capitalises text in place under the text settings' locale; answers its length.
  int32_t Capitalised(UString& text) const;
  static bool ToolParsesSourceText();
  // Sets a menu command's check mark in the settings store; tags outside 0..224 are ignored.
  static void TryToSetAMenuItemChecked(int tag, bool checked);
  // The tag handler forgets what it found in earlier texts before a run over many texts.
  void StartProcessUsingTextTagHandler();
  // Takes the log and tag-display settings, then has the tag handler reload its text markers
  // and whichever tag lists the settings store says changed.
  void ReCheckTags();
  // The same from a run's snapshot of the tag settings: the store is not read.
  void ReCheckTags(const TTagReadSettings& settings);

  // --- texts ---
  // Adds (entries - 1) to the texts to process for every name that is a zip archive; an empty
  // archive adds nothing.
  void CheckAllFnamesForZippedEntries(const std::vector<UString>& names);
  void CheckAllFnamesForZippedEntries(const TSharedChosenFilesClass& chosen);
  // The warning before a batch too big for one zip is zipped in sections, one zip a subfolder
  // (BatchZipFromTempDir); n is the number of texts of the run.
  static void WarnTooManyFilesInZipfile(int32_t n);
  // The failed-to-read message for a text: its folder, a delimiter and its name.
  static void DudTextFile(const TChosenFileDetailsFullRec& details);
  void UpdateAllFileHandledInfo(const TAllFileHandledInfo& rec, bool first);
  // A cell of the file grid of a per-text statistics list: a text's full name, its value for
  // the column and whether the file is there; the heading row and the row-number column as the
  // list gives them. An empty cell while a job changes the lists or for another kind of list.
  void AStatsFilenameDataRec(TDocumentList* list, int column, TGrid_data_rec& cell, int row) const;
  // The name of the file-information text: the document's file (or suggested) name with
  // "(hhnn)_FileInfo.txt" in place of its extension.
  UString FileInfoFilename() const;
  // Writes the found and the missing names of a list of source files (each with whether it was
  // found) to the file-information text (UTF-16 with a byte-order mark, lines ended by LF) and
  // opens it in the editor; answers whether the file was written.
  bool CopyFilenamesInfoToNotepad(const std::vector<std::pair<UString, bool>>& names) const;
  static void UpdateVXShell();
  static void HandleScriptProgress(int32_t a, int32_t b);

  // --- file header and blocks ---
  bool StartSaveToFile(TStream& s, UStringView file_name, int32_t client_height, int32_t client_width,
                       int32_t saved_dpi);
  bool StartReadFromStream(TStream& s);
  bool SavedTextSettings(TStream& s);
  bool ReadTextSettings(TStream& s);
  bool SavedColours(TStream& s) const;
  bool ReadColours(TStream& s);
  // Writes a copy of the record with its layout fields made as stored files have them; the
  // caller's record is left as it is.
  bool KWSettingsSaved(TStream& s, const TKeywordsSettingsRec32& rec) const;
  // Reads a keywords-settings block of the document's version into rec; rec is left as it was
  // when the block cannot be read.
  bool KWSettingsRead(TStream& s, TKeywordsSettingsRec32& rec) const;
  // The window size stored in the header, scaled to the current screen and kept within three
  // quarters of what is available; false when the header holds no size.
  bool TryToGetClientHeightOrWidth(int32_t available, bool want_height, int32_t& result) const;
  void SaveAParentFilenameInExtraStuff(UStringView name) { fExtraStuff.parent_filename = UString(name); }
  const UString& ExtraStuffParentFilename() const { return fExtraStuff.parent_filename; }

  // --- notes ---
  void StartStandardNotes(int32_t n, uint8_t flag, UStringView title, UStringView extra);
  void AddATimingNote(TTessorineList list_kind);
  void AddOneDuringMainComputationNote(UStringView text);
  void AddOneLaterNote(UStringView a, UStringView b);
  // Appends the non-empty lines, the first after indent - 1 tabs, the others after indent tabs.
  void AddNoteDetails(std::vector<UString> lines, int indent);
  UString SelectingOrCuttingTextFiles() const;

  // --- batch ---
  bool BatchSaveToTempDir(UStringView source_name, int32_t file_index, TDateTime file_date, int32_t total_files);
  // True only when every archive was written and at least one result went into one.
  bool BatchZipFromTempDir(UStringView extension, UStringView zip_name, int32_t total_files);

  // --- properties ---
  bool AtLeastOneTextFileInPlace() const { return fAtLeastOneTextFileInPlace; }
  void SetAtLeastOneTextFileInPlace(bool v) { fAtLeastOneTextFileInPlace = v; }
  int32_t TessorineHolderVersionNumber() const { return fExtraStuff.Version(); }
  int32_t TessorineHolderMainListCount() const { return fExtraStuff.MainListCount(); }
  void SetTessorineHolderMainListCount(int32_t n) { fExtraStuff.SetMainListCount(n); }
  int32_t RelativeEntropyBasis() const { return GetRelativeEntropyBasis(); }
  void SetRelativeEntropyBasis(int32_t v) { fExtraStuff.SetRelativeEntropyBasis(v); }
  // The document owns the list of source files it is given.
  void SetVXBaseFilenames(std::unique_ptr<TDocumentList> list);
  TDocumentList* VXBaseFilenames() const { return fVXBaseFilenames.get(); }
  TTessorineHolderExtraStuffHolder& ExtraStuff() { return fExtraStuff; }
  const TTessorineHolderExtraStuffHolder& ExtraStuff() const { return fExtraStuff; }
  TVXBaseListList& Lists() { return fLists; }
  // While set, windows draw nothing from this document's lists (a job is changing them).
  bool BusyDontShowData() const { return fBusyDontShowData; }
  void SetBusyDontShowData(bool v) { fBusyDontShowData = v; }
  TCentreOfMainFormFunc CentreOfMainForm() const { return fCentreOfMainForm; }
  bool StopListLoaded() const { return fStopListLoaded; }
  // A recompute takes the stop list as the tool has it now (loaded or cleared since).
  void SetStopListLoaded(bool loaded) { fStopListLoaded = loaded; }
  bool LemmaListLoaded() const { return fLemmaListLoaded; }

  // --- fields ---
  TCheckSignature fCheck{};
  uint8_t fColours[192]{};
  TAllFileHandledInfo AllFileHandledInfo{};
  int32_t FilesZipped = 0;
  int32_t NumberOfTextsToProcess = 0;
  TTextsett_rec32 ftextsettings{};
  TMyStreamableStringlist fNotes;
  TEntriesReadEvent OnMainEntriesKnown;
  TFailedReadEvent OnDudFile;
  TTagsToTranslateList* TagsToTranslate = nullptr;
  TProgressShowEvent OnProgressShow;
  UString SourceTextFilename;  // the file the document was read from or saved to
  UString SuggestedFilename;
  TPlotSettingsRec plot_settings{};
  TTextTagHandler* TextTagHandler = nullptr;
  std::vector<UString> fSecondStrings;  // cleared at the start of every read
  std::vector<UString> fThirdStrings;   // the tool documents' own use
  uint8_t TagDisplay = 0;  // kTagDisplayHidden ... (the View menu's tag display)
  bool ReadComplete = true;  // a tool document's reader clears it when fields were missing
  // Set on a document read in the middle of a job or only to diagnose a file: its read changes
  // nothing outside the document (the user's settings, the last-file record).
  bool fSecondaryRead = false;
  UString OneBatchFname;     // the last file saved by BatchSaveToTempDir
  TVXStored_File_rec MainFile;
  TTessorineList ListKind = 0;
  UString NoValueCaption;
  UString last_batch_zip_Fullname;
  bool FilesHandledDifferently = false;
  uint8_t fFlagByte = 0;

 protected:
  // Takes what a read of the tool document's part sets from another document of the same tool:
  // header, extra-stuff block, text settings, colours, notes, list kind, completeness, file name
  // and text form (width, locale, code page). A tool document reads into a fresh document that
  // starts from its own state and takes the state back only once the whole read succeeded, so a
  // failed read leaves it as it was.
  void CopyReadStateFrom(const TTessorineholder& other);
  // True (logged, the list's refusal) when a job works on one of the document's lists: a read
  // would take them from under it.
  bool RefusedReadWhileBusy();
  // Exchanges the lists two documents own through this base (the source files) and the lists of
  // lists; each document then points its lists at itself.
  void SwapOwnedLists(TTessorineholder& other);
  // Fills the header as a save writes it and marks the settings as saved.
  void FillHeader(int32_t client_height, int32_t client_width, int32_t saved_dpi);
  // Where the header of the save in progress begins in its stream (-1: none yet).
  int64_t fHeaderPosition = -1;
  const TStream* fHeaderStream = nullptr;

 private:
  bool fAtLeastOneTextFileInPlace = false;
  std::unique_ptr<TDocumentList> fVXBaseFilenames;
  TTessorineHolderExtraStuffHolder fExtraStuff;
  TVXBaseListList fLists;
  TCentreOfMainFormFunc fCentreOfMainForm = nullptr;
  bool fStopListLoaded = false;
  bool fLemmaListLoaded = false;
  bool fBusyDontShowData = false;
};

// --- routines of the unit ------------------------------------------------------------------------

// The text being processed and its number, kept for diagnostics.
void NoteCurrentFileAndCount(int32_t count, UStringView name);
UString NotedCurrentFile();
int32_t NotedCurrentCount();
// The unit's shut-down: forgets the noted text and writes the unit's quit line to the log.
void FinaliseWorkDerived();

// Turns the sums of squared deviations of a 364-byte statistics record into standard
// deviations: value := sqrt(value / (count - 1)) for the triples at 12, 24, 36, 48 and 104 when
// the count is above 1 (a negative sum from rounding gives 0), else 0.
void FinaliseStandardDeviations(uint8_t* record364);

// A size taken at one screen resolution, at another (rounded to the nearest pixel).
int32_t DimensionScaledForDPI(int32_t value, int32_t from_dpi, int32_t to_dpi);
// The screen's pixels per inch, as the window layer sets it (96 until it does).
int32_t ScreenPixelsPerInch();
void SetScreenPixelsPerInch(int32_t dpi);
