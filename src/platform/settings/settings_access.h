// The shared settings store of the suite: Get and Set functions per record and per value.
//
// Every tool reads its settings here when a window is shown or a job starts and writes them back
// when the user confirms. Records are copied whole by value. Values are kept in one file per user
// (see settings_store.h) in the folder named by the environment variable LINZORA_CONFIG_DIR, else
// $XDG_CONFIG_HOME/linzora, else ~/.config/linzora; every Set is written through at once, and every
// Get sees what another process of the suite wrote before it. Nothing here fails loudly: a value
// the store does not hold (or holds damaged) reads as its default (settings_defaults.h), and a
// write that fails is logged and kept in this process.
//
// Tools are numbered by tool type (the concordancer 1, the controller 16); per-tool values accept
// 0 to 31, other numbers read defaults and write nothing. The window registry and the progress
// record of the store are in window_registry.h.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/settings/settings_records.h"

class TSettingsStore;

// --- the store itself -------------------------------------------------------------------------

// Opens the shared store of this process (making its folder); false when the folder cannot be
// made, in which case the store still answers with defaults.
bool SetupVXbufSharing();
// Starts a new session of the suite: clears the hand-over values of the last one (temporary
// strings, names and numbers, change flags, the new-choice flags, header-cut count). The user's
// settings stay.
void SetAllDefaults();
// The folder of the store of this process (with a trailing delimiter) as the environment gives it.
UString SettingsFolderFromEnvironment();
TSettingsStore& SharedSettingsStore();
// Makes the store of this process now. A run calls it before its workers start, so that no
// worker is the one to make it (making it on first use is safe too, under a lock, but then the
// first Get of a run pays for reading the file).
void EnsureSettingsStoreReady();
// Drops the store of this process; the next call opens it again from the environment. Never
// while workers run.
void ResetSettingsStoreForTests();
// While one lives, Gets on its thread take the store as this process last loaded it, without
// looking whether another process replaced the file since: a job that reads a setting for every
// cell it makes reads the settings as they stood when it began, and pays no look at the file per
// cell. Sets, and Gets on other threads, are as ever. Holds nest.
class TSettingsReadHold {
 public:
  TSettingsReadHold();
  ~TSettingsReadHold();
  TSettingsReadHold(const TSettingsReadHold&) = delete;
  TSettingsReadHold& operator=(const TSettingsReadHold&) = delete;
};

// --- whole records ----------------------------------------------------------------------------

TConcSettingsRec32 GetConcSaveRec();
void SetConcSaveRec(const TConcSettingsRec32& rec);
TTextsett_rec32 GetTextSettings();
void SetTextSettings(const TTextsett_rec32& rec);
TWordlist_settings_rec GetWordlistSettings();
void SetWordlistSettings(const TWordlist_settings_rec& rec);
TWordlistIndexSettingsRec GetWordlistIndexSettings();
void SetWordlistIndexSettings(const TWordlistIndexSettingsRec& rec);
TKeywordsSettingsRec32 GetKeywordsSettings();
void SetKeywordsSettings(const TKeywordsSettingsRec32& rec);
UString GetKeywordsSettingsReferenceCorpus();
void SetKeywordsSettingsReferenceCorpus(UStringView file_name);
TPlotSettingsRec GetPlotSettings();
void SetPlotSettings(const TPlotSettingsRec& rec);
TClipboardSettingsRec GetClipboardSettings();
void SetClipboardSettings(const TClipboardSettingsRec& rec);
TMediaMarkersRec GetMediaMarkers();
void SetMediaMarkers(const TMediaMarkersRec& rec);
TWordCloudSettingsRec GetWordCloudSettings();
void SetWordCloudSettings(const TWordCloudSettingsRec& rec);
TRulerPlotWordCloudFeaturesRec GetRulerPlotWordCloudFeatures();
void SetRulerPlotWordCloudFeatures(const TRulerPlotWordCloudFeaturesRec& rec);
TTagPreferencesRec GetTagPreferences();
void SetTagPreferences(const TTagPreferencesRec& rec);
TCollocateScriptSettingsRec GetCollocateScriptSettings();
void SetCollocateScriptSettings(const TCollocateScriptSettingsRec& rec);
TKollaxaMutualChecks GetKollaxaMutualChecks();
void SetKollaxaMutualChecks(const TKollaxaMutualChecks& rec);
TMovingWindowSettingsRec GetMovingWindowSettings();
void SetMovingWindowSettings(const TMovingWindowSettingsRec& rec);
TDetailedConsistencySettingsRec GetDetailedConsistencySettings();
void SetDetailedConsistencySettings(const TDetailedConsistencySettingsRec& rec);
TPrinterRec GetPrinterRec();
void SetPrinterRec(const TPrinterRec& rec);
TPrinterPrefsRec GetPrinterPrefs();
void SetPrinterPrefs(const TPrinterPrefsRec& rec);
// The visual style the windows show (0 until one is chosen; odd numbers are dark): the style
// whose word-handling colours the lines and their exports take.
int32_t GetGlobalStyleNumber();
void SetGlobalStyleNumber(int32_t style);
// Word-handling colour `index` (0..11) of visual style `style` with its typeface; what the store
// does not hold reads as DefaultWordHandlingColour.
TWordHandlingColourRec GetWordHandling4ColourRecAndTypeface(int32_t style, int32_t index);
void SetWordHandling4ColourRecAndTypeface(int32_t style, int32_t index, const TWordHandlingColourRec& rec);

// --- single fields of the concordance settings, each stored at once -------------------------------

void SetConcSaveRecSearchword(UStringView text);
void SetConcSaveRecContextword(UStringView text);
void SetConcSaveRecExclusionword(UStringView text);
void SetConcSaveRecContextStopAt(uint8_t stop);
void SetConcSaveRecDisplayOptions(uint8_t options);
void SetConcSaveRecHideOptions(uint8_t options);
void SetConcSaveRecColouringOptions(uint8_t options);
void SetConcSaveRecClusterSettingsToLeft(int16_t reach);
void SetConcSaveRecClusterSettingsToRight(int16_t reach);
void SetConcSaveRecClusterSettingsMinFreq(int32_t frequency);  // kept within 0..65535
void SetConcSaveRecClusterNMIn(int16_t words);
void SetConcSaveRecClusterNMax(int16_t words);
void SetConcSaveRecCollocatesCaseSensitive(bool on);
void SetConcSaveRecSWPadded(bool on);
void SetConcSaveRecSkipPunctuation(bool on);
void SetConcSaveRecWithContext(bool on);
Tdouble_smallint_type GetConcSaveRecContextHorizons();
Tdouble_smallint_type GetConcSaveRecCollocHorizons();
// The file the start wizard last loaded search words from.
UString GetConcordanceSWFilename();
void SetConcordanceSWFilename(UStringView file_name);
// Whether closing the results of a run made for another tool asks about saving them (default on).
// The initials written with each modification of a source text; empty until first given.
UString GetModifyInitials();
void SetModifyInitials(UStringView initials);

bool GetAskWhetherToSaveRunConcData();
void SetAskWhetherToSaveRunConcData(bool ask);
// The user keeps a list of dead keys ("customised deadkeys.dat" in the user's folder).
bool GetDeadKeyListCustomised();
void SetDeadKeyListCustomised(bool on);
// The keyboard layout the user chose for the word boxes (0 none).
uint32_t GetKeyboardChoice();
void SetKeyboardChoice(uint32_t layout);

// --- lemma, match and stop lists (kind 0 lemma, 1 match, 2 stop, 3 fourth) ----------------------

TLemmaMatchStopSettingsRec GetLemmaMatchStopSettings(uint8_t tool, uint8_t kind);
void SetLemmaMatchStopSettings(uint8_t tool, uint8_t kind, const TLemmaMatchStopSettingsRec& rec);
TLemmaListSettingsRec GetLemmaListSettings(uint8_t tool);
TMatchListSettingsRec GetMatchListSettings(uint8_t tool);
TStopListSettingsRec GetStopListSettings(uint8_t tool);
UString GetLemmaMatchStopFilename(uint8_t tool, uint8_t kind);
bool GetLemmaMatchStopWanted(uint8_t tool, uint8_t kind);  // the list is switched on

// --- folders and files ---------------------------------------------------------------------------

// The user's own folder for history, logs and lists (with a trailing delimiter; made when asked
// for); by default the store's folder.
UString GetUserReadWriteFolder();
void SetUserReadWriteFolder(UStringView folder);
// Where results of a kind (a tool type) are saved by default; the home folder at first.
UString GetDefaultFolder(uint8_t kind);
void SetDefaultFolder(uint8_t kind, UStringView folder);
UString GetLastOpenedFolder(uint8_t tool);
void SetLastOpenedFolder(uint8_t tool, UStringView folder);
// The suite's temporary folder and the zip component's work folder inside it (with trailing
// delimiters; both made when asked for).
UString GetTempFolder();
UString GetTempZipFolder();
UString GetLastMainToolFileName(uint8_t tool);
void SetLastMainToolFileName(uint8_t tool, UStringView file_name);
UString GetLastUsedFile(uint8_t kind);
void SetLastUsedFile(uint8_t kind, UStringView file_name);
bool GetUseUserFilter();
void SetUseUserFilter(bool on);
UString GetUserDLLFileName();
// The filter library as a full name: a relative name is taken from the settings' folder; empty
// when none is named.
UString GetUserDLLFullName();
void SetUserDLLFileName(UStringView file_name);
bool GetLogging();
void SetLogging(bool on);
UString GetTheLogFilename();
void SetTheLogFilename(UStringView file_name);
UString GetVersionInfo();

// --- menus and display ---------------------------------------------------------------------------

inline constexpr int kMenuTags = 232;  // menu items carry tags 0 to 231
bool GetMenuItemChecked(int tag);
void SetMenuItemChecked(int tag, bool checked);
std::array<bool, kMenuTags> GetAllMenuCheckStates();
// How numbers show: 0 as they are, then per cent, per thousand, per million.
uint8_t GetDisplayWordsPerMillion();
void SetDisplayWordsPerMillion(uint8_t mode);
bool GetShouldColourPercentages();
void SetShouldColourPercentages(bool on);
// The colour (0x00BBGGRR) of a cell showing a percentage: from the colour of 0 % to that of 100 %
// in proportion, percentages outside 0..100 taking the nearer end.
uint32_t GetAPercentageColour(int32_t percent);
void SetPercentageColours(uint32_t at_zero, uint32_t at_hundred);
// Whether each of columns 0..31 of a list type shows when its headings are first set, in one read
// of the store.
inline constexpr int kDefaultVisibilityColumns = 32;
std::array<bool, kDefaultVisibilityColumns> GetAllDefaultColumnVisible(uint8_t list_type);
// Sets the default of each (column, visible) given, in one write of the store.
void SetDefaultColumnsVisible(uint8_t list_type, const std::vector<std::pair<int, bool>>& columns);
uint8_t GetTimeLinePlotBase();  // 0 undefined
void SetTimeLinePlotBase(uint8_t base);
uint8_t GetTimeLinePlotBaseRounding();
void SetTimeLinePlotBaseRounding(uint8_t rounding);
// Characters of a concordance line in text output (0: whole lines).
int32_t GetConcCharactersForTextOnly();
void SetConcCharactersForTextOnly(int32_t characters);
UString GetConc_SW_TXT_Marker();  // put before the search word in text output
void SetConc_SW_TXT_Marker(UStringView marker);
UString GetConc_Context_W_TXT_Marker();  // put before the first context word
void SetConc_Context_W_TXT_Marker(UStringView marker);

// --- processing choices -------------------------------------------------------------------------

// Word lists: words beginning with a small letter are left out; words longer than the maximum
// stay whole (rather than cut with "+"); sections a text is divided into for dispersion (1..100,
// default 8); lemma rows show the head word's own frequency only; the head word is left out of
// its lemma's forms.
bool GetCutLowCase();
void SetCutLowCase(bool on);
bool GetExactWordLength();
void SetExactWordLength(bool on);
int32_t GetWordListDispersionDivisions();
void SetWordListDispersionDivisions(int32_t n);
bool GetLemmaHeadWordFreqOnly();
void SetLemmaHeadWordFreqOnly(bool on);
bool GetLemmaOmitHeadWordInWordlist();
void SetLemmaOmitHeadWordInWordlist(bool on);
bool GetFastMinimalProcessing(uint8_t tool);  // derived views are not computed after a run
void SetFastMinimalProcessing(uint8_t tool, bool on);
bool GetRemoveDuplicatesAutomatically(uint8_t tool);
void SetRemoveDuplicatesAutomatically(uint8_t tool, bool on);
bool GetPostProcessSaveFilenames();  // text-file details go to a text file after a run
void SetPostProcessSaveFilenames(bool on);
bool GetRandomising();  // hits are sampled
void SetRandomising(bool on);
uint16_t GetRandomRange();  // one hit in this many is kept
void SetRandomRange(uint16_t range);
// Whether a text processor may keep a copy of the prepared text: only the first text of a run
// (first_text non-zero), and only when the user asked for copies.
bool GetMaySaveVXBufferFile(uint8_t first_text);
void SetMaySaveVXBufferFile(bool on);
bool GetCarryoutProcedureTagBoolean(int tag);  // whether an optional step (by menu tag) runs
void SetCarryoutProcedureTagBoolean(int tag, bool on);
bool GetRestrictTo3LetterExtensions();
void SetRestrictTo3LetterExtensions(bool on);
bool GetUNCNetworkFilesChecking();  // files on network shares are checked for existence
void SetUNCNetworkFilesChecking(bool on);
// Conversion of UTF-8 texts: bit 4 the user may be asked, bit 8 the question is asked.
uint32_t GetTextConversionOptions();
void SetTextConversionOptions(uint32_t options);

// --- mark-up and text selection -------------------------------------------------------------------

int32_t GetIgnoreTagsSpan();  // the widest span in characters that tag handling looks across
void SetIgnoreTagsSpan(int32_t characters);
int32_t GetTagsWanted();  // tags to keep in use (count; below 1 none)
void SetTagsWanted(int32_t count);
int32_t GetTagsExcludeWanted();
void SetTagsExcludeWanted(int32_t count);
int32_t GetTagsTranslateWanted();
void SetTagsTranslateWanted(int32_t count);
bool GetTagModified();  // the tags to keep changed since the tools loaded them
void SetTagModified(bool changed);
bool GetTagsExcludeModified();
void SetTagsExcludeModified(bool changed);
bool GetTagTranslateModified();
void SetTagTranslateModified(bool changed);
// Markers, separated by ";", one of which ends the header of a text.
UString GetEndOfTextHeader();
void SetEndOfTextHeader(UStringView markers);
int32_t GetTimesEndOfTextHeaderCut();  // texts whose header was cut in this run
void SetTimesEndOfTextHeaderCut(int32_t count);
void AddOneToTimesEndOfTextHeaderCut();
// Adds a run's count at its end (one write for the run).
void AddToTimesEndOfTextHeaderCut(int32_t count);
UString GetWordlistClusterTag();  // the tag that joins a multi-word unit; empty for none
void SetWordlistClusterTag(UStringView tag);
// Line starts cut when only parts of texts are read: N characters, -1 up to the first letter,
// -2 up to the first tab, 0 none.
int32_t GetCutStartOfTextLine();
void SetCutStartOfTextLine(int32_t how);
bool GetTextSelectAtAll();  // texts are chosen by the 28 selection strings
void SetTextSelectAtAll(bool on);
inline constexpr int kTextSelectSlots = 28;  // numbered 1 to 28
TSelectTextFile_RecW GetTextSelectAtAllString(int slot);
void SetTextSelectAtAllString(int slot, const TSelectTextFile_RecW& rec);
bool GetTextSelectingWithin();  // only parts of texts are read
void SetTextSelectingWithin(bool on);
TSelectWithinContextW GetTextSelectWithinContext(int slot);
void SetTextSelectWithinContext(int slot, const TSelectWithinContextW& rec);
// Whether the stretch that context `slot` starts is kept (1) or cut (2); 0 when unset.
uint8_t SelectWithinTypeFromNumber(int slot);

// --- hand-over between windows and programs ------------------------------------------------------

// Numbered strings 0..15 (1 a search word, 2 a context word).
UString GetATempString(int n);
void SetATempString(UStringView text, int n);
UString GetTempURL();  // a media file to play
void SetTempURL(UStringView url);
UString GetMyTempFilename();
void SetMyTempFilename(UStringView file_name);
void GetTemp2Int64(int64_t& first, int64_t& second);  // start and duration in milliseconds
void SetTemp2Int64(int64_t first, int64_t second);
void GetTemp2Longint(int32_t& first, int32_t& second);
void SetTemp2Longint(int32_t first, int32_t second);
uint32_t GetTempOne32char();  // a character code left by the character chooser; 0 none
void SetTempOne32char(uint32_t code);
// The chosen texts handed over in a file: whether a choice is there, its file and text count.
void SetChosenTextFiles(bool available, UStringView file_name, int32_t count);
bool GetChosenTextFiles(UString& file_name, int32_t& count);
// A new choice of texts was made: for every tool, or for the current tool only. Reading with
// reset clears the current tool's flag.
void SetNewChoiceOfTextFiles(bool is_new, bool for_every_tool);
bool GetNewChoiceOfTextFiles(bool reset);
void SetSettingsAlteredByTool(uint8_t tool, bool altered);
bool GetSettingsAlteredByTool(uint8_t tool);
