// The mark-up tag handler: what a chunk of text goes through before its words are counted or
// searched.
//
// It knows the user's mark-up settings (tags to hide, tags to keep and show, tagged spans to
// exclude with everything between their opening and closing tag, character entities to replace,
// text markers such as sentence ends, and which parts of texts alone are read) and works in place
// on one chunk of text, 8-bit or UTF-16, together with its array of character flags: one 16-bit
// word per character, which the chunk reader fills with the character-kind bits (C1_* of the
// text services, 0x0001 to 0x0200) and which the word-recognition code reads afterwards.
//
// The handler's marks in the flags. A flag word of 0x0800 or more is a mark and never carries
// kind bits, so a reader tests for a mark (IsMarkFlag) before it tests any kind bit:
//   0x0400 (bit)    set with the kind bits of a bracket that was written as an entity ("&lt;"):
//                   it is text, and never opens or closes a tag
//   0x0800          the character is not text proper (hidden mark-up, an excluded span, the
//                   tail of a replaced entity, a cut header or a cut part of a text)
//   0x0801 + i      the character lies in kept tag i (index in the keep table, below 0x77FF)
//   0x8800 + k      the first character of a text marker of kind k (14 to 21)
//   0x8800          each further character of that marker
//   0x880F          a sentence end found automatically (kind 15)
//   0               a character of no kind (an unassigned code point, a lone surrogate), and
//                   the two words after the filled part of the buffer; walks are bounded by
//                   their character count, not by a 0
// Text codes the handler writes: 25 over a hidden tag's opening character and 24 over its
// closing character when tags are marked rather than blanked.
//
// Every buffer operation is one pass over the text and its flags and allocates nothing per
// character or per tag; many tags are looked for at once through the table of their first
// characters. Positions and counts are in characters; n_characters bounds every walk.
//
// A buffer may end with characters read ahead of its cut (ReadAheadFrom on): they are handled
// like the rest, so that a walk near the cut sees what follows it, but no tag, section, marker or
// sentence end in them is counted or stored, and what carries into the next buffer of the text
// (an excluded span or a part of the text still open) is taken at the cut. The next buffer reads
// those characters again as its own.
//
// The handler takes what it needs from the settings store once, when it is set up
// (TTagReadSettings), and pumps no events: a reader may run one handler per thread and polls
// for a stop between its chunks. It changes text characters only where it hides or replaces
// mark-up; punctuation it treats as a blank keeps its character and changes its kind.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/reading/tag_lists.h"
#include "platform/search/chunk_byte_map.h"
#include "platform/settings/settings_records.h"

class TStream;

// --- flags ---------------------------------------------------------------------------------------

inline constexpr uint16_t kFlagLiteral = 0x0400;
inline constexpr uint16_t kFlagHidden = 0x0800;
inline constexpr uint16_t kFlagFirstKeptTag = 0x0801;
inline constexpr uint16_t kFlagMarker = 0x8800;
inline constexpr uint16_t kFlagSentenceEndAuto = 0x880F;
// Kept tags beyond this many are not prepared, so that 0x0801 + i stays below the markers.
inline constexpr int32_t kMaxKeptTags = 0x77FF;
inline constexpr char16_t kTagOnCode = 25;   // over an opening "<" of a marked tag
inline constexpr char16_t kTagOffCode = 24;  // over a closing ">"

inline bool IsMarkFlag(uint16_t f) { return f >= kFlagHidden; }
inline bool IsLiteralFlag(uint16_t f) { return f < kFlagHidden && (f & kFlagLiteral) != 0; }
inline bool IsKeptTagFlag(uint16_t f) { return f > kFlagHidden && f < kFlagMarker; }
inline bool IsMarkerFlag(uint16_t f) { return f >= kFlagMarker; }
// The character-kind bits of a flag word; none for a mark.
inline uint16_t KindBits(uint16_t f) { return f < kFlagHidden ? f : 0; }

// The user's wildcard characters as the tag and context searches know them: "#" (27, a run of
// digits), "?" (28, any one character), "*" (29, any one character; at the end of a tag before
// its closing character, any run up to it), "^" (30, one character; a letter where parts of
// texts are chosen).
inline constexpr char16_t kWildDigits = 27, kWildAnyChar = 28, kWildAnyRun = 29, kWildLetter = 30;
UString TagWildcardConverted(UStringView s);

// The full stops, question marks and exclamation marks (of every script, the ellipsis U+2026
// included) that may end a sentence.
bool IsSentencePunctuation(uint32_t c);
// What the sentence-end walk takes c for: 1 a full stop (the ellipsis among them), 2 a question
// mark, 3 an exclamation mark, 0 none of these.
int SentenceMarkKind(uint32_t c);

// Blanks count characters of a chunk from `from` and flags them 0x0800 (not text proper), so
// that no word is made of them whatever their kind was. Used for a cut header and cut parts.
void BlankOutAndHide(void* text, bool wide, uint16_t* flags, int32_t from, int32_t count);

// --- section starts ------------------------------------------------------------------------------

struct TSectionTagRec {
  int64_t byte_position = 0;  // where the section tag starts in its file
  int32_t first_word = 0;     // the number of its first word, when known
  UString name;               // the tag's text
};

// The section starts of mark-up found in a text. Stream form: int32 count, then per section the
// int64 byte position, the int32 first word and the name (WriteAString).
class TSectionStartsList {
 public:
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  const TSectionTagRec& Get(int32_t i) const { return items_[static_cast<size_t>(i)]; }
  void Add(int64_t byte_position, UStringView name, int32_t first_word = 0);
  void SetFirstWord(int32_t i, int32_t first_word);
  void Clear() { items_.clear(); }
  // Orders the sections by byte position (sections at one position keep their order).
  void SortSectionTags();
  // The section's name and first word; false outside the list.
  bool GetASection(int32_t i, UString& name, int32_t& first_word) const;

  bool SaveToStream(TStream& s) const;
  bool ReadFromStream(TStream& s);  // replaces the list; keeps the sections read whole on failure
  bool SaveToFile(const UString& name) const;
  bool ReadFromFile(const UString& name);

 private:
  std::vector<TSectionTagRec> items_;
};

// --- the handler's records -----------------------------------------------------------------------

enum TTagHandleOperation : uint8_t { ttho_keep = 0, ttho_exclude = 1 };

struct TPartsOfTextFileCountsRec {
  int32_t keep_count = 0;
  int32_t cut_count = 0;
};

// A tag prepared for searching.
struct TextTagRec {
  TStoredTagRec FromSwapFile;
  std::string compare_stringA;  // 8-bit forms, in the handler's code page
  UString copy_of_tag;          // the tag with its wildcards converted
  UString compare_stringW;      // what is searched for: the tag up to its first wildcard
  std::string compare_string_restA;
  UString compare_string_restW;  // the closing tag of an excluded pair
  bool delete_all_middle = false;
  UString wildcard_widestring_section;  // from the first wildcard on (its last character left out)
  std::string wildcard_sectionA;
  char16_t switch_off_wchar = 0;  // the tag's last character
  int32_t tag_comparison_length = 0;
  bool has_tag_wildcards = false;
  bool is_section_tag = false;
  bool searchable = false;  // has a pattern to search for (empty ones never take part)
};

// One text-marker kind.
struct TextMarkerTagrec {
  UString tag;            // wildcards converted
  UString tag_wildcards;  // from the first to the last wildcard
  UString tag_end;        // after the last wildcard
  std::string tagA, tag_wildcardsA, tag_endA;
  int32_t tag_wildcard_pos = 0;  // 1-based position of the first wildcard, 0 for none
  int32_t tag_comparison_length = 0;
  bool auto_process = false;
};

// What a kept tag shows as: colours and its text (pointing into the handler, valid until the
// next call or reload).
struct TPointerAnd3Integersrec {
  int32_t foreground_colour = 0;
  int32_t background_colour = 0;
  const void* text = nullptr;  // UTF-16 units, or 8-bit characters in 8-bit mode
  int32_t length = 0;
};

// Stretches [first, end) of a chunk, in characters.
using TCharacterSpans = std::vector<std::pair<int32_t, int32_t>>;

using TTagsFoundArray = std::array<int32_t, 8>;  // one counter per marker kind 14 to 21

// Called for each kept tag found; answers the tag length to use (below 1: the tag is not treated).
using TOnTagFoundHandler = std::function<int32_t(uint16_t* wchars, void* start, int32_t where,
                                                 int32_t length_of_tag, bool using_unicode, const TextTagRec& tag)>;

inline constexpr int kSelectWithinContexts = 28;

// Everything the handler takes from the settings store, read once when a run is set up: while
// chunks are handled the handler reads nothing but its own copy, so that handlers on several
// threads never touch the store.
struct TTagReadSettings {
  TIgnore_tag_type unwanted_tags{};            // the brackets of tags to hide
  std::array<UString, 8> marker_texts;         // text markers of kinds 14 to 21
  std::array<bool, 8> marker_auto{};          // the marker is found automatically
  bool select_within = false;                  // only parts of texts are read
  int32_t cut_start_of_line = 0;               // with select_within: how line starts are cut
  std::array<TSelectWithinContextW, kSelectWithinContexts> select_within_contexts{};  // pairs: start, end
  int32_t tags_wanted = 0, tags_exclude_wanted = 0, tags_translate_wanted = 0;  // below 1: list not used
  bool tags_modified = false, tags_exclude_modified = false, tags_translate_modified = false;
  UString log_filename;
  bool keeping_log = false;  // a log was asked for and its file is there
};
TTagReadSettings TagReadSettingsFromStore();

// --- the handler ---------------------------------------------------------------------------------

class TTextTagHandler : public TTagsToKeepList {
 public:
  // The first form takes its brackets from the settings store; the second touches no store.
  TTextTagHandler(uint32_t anLCID, uint16_t aCodepage);
  TTextTagHandler(uint32_t anLCID, uint16_t aCodepage, const TTagReadSettings& settings);
  ~TTextTagHandler() override;

  void Clear() override;  // the tags to keep and their table

  // --- loading
  bool LoadFromSwapFile();                // "tags_to_keep.dat" into the keep table
  bool LoadExcludeTagListFromSwapFile();  // "tags_to_exclude.dat" into the exclude table
  // "entity_tags.dat" into AList, then AList's entities into the handler's table.
  bool LoadTranslationTagsFromSwapFile(TTagsToTranslateList& AList);
  // Takes the entities of a list already read (as the loader above does after reading).
  void SetTranslationTags(const TTagsToTranslateList& AList);
  void ClearExcludeTags();
  void ClearTranslationTags();
  // Text markers, hidden-tag brackets, the part-selection contexts and the log flag: from the
  // settings given, or from the store (read once, here).
  void UseReadSettings(const TTagReadSettings& settings);
  void LoadCurrentTextMarkers();

  // --- per buffer (text, flags, count in characters)
  // Each entity found becomes its character; the rest of it is blanked and hidden, and when
  // tails is given, each such stretch [first, end) is appended to it (in text order), so that
  // a reader can drop them and keep the entity's word whole.
  int32_t CheckBufferForTranslationTags(void* fStartOfText, uint16_t* p, int32_t n_characters,
                                        TCharacterSpans* tails = nullptr);
  // One of the characters that open or close mark-up ("<", ">" and the hidden-tag brackets).
  bool IsTagBracket(char16_t c) const;
  void MarkUnwantedTags(char16_t switch_on, char16_t switch_off, void* fStartOfText, uint16_t* p,
                        int32_t n_characters, bool in_Unicode, int32_t aTag_clearingLimit);
  void BlankUnwantedTags(char16_t switch_on, char16_t switch_off, void* fStartOfText, uint16_t* p,
                         int32_t n_characters, bool in_Unicode, int32_t aTag_clearingLimit);
  // Keeps (flags 0x0801 + i) or excludes (blanks, 0x0800) the tag-file tags from
  // first_valid_character on. Section and media tags found while storing section positions go
  // to BufsSectionStarts with their file byte position: from byte_map when given, else
  // FileBytePos + the character index (twice it in UTF-16).
  int32_t CheckBufferForTagFileMarkup(TTagHandleOperation operation, bool Storing_Section_Positions,
                                      void* fStartOfText, uint16_t* wchars, int32_t aTag_clearingLimit,
                                      int32_t first_valid_character, int32_t n_characters,
                                      const TChunkByteMap* byte_map = nullptr);
  // Markers and sentence ends from first_valid_character on; the characters before it are
  // context only (a full stop after "D" carried over from the last buffer is judged with it).
  void CheckBufferForTextMarkerTags(void* fStartOfText, uint16_t* p, int32_t n_characters,
                                    int32_t tag_clearing_max, int32_t first_valid_character = 0);
  int32_t AutoMarkSentenceEnds(void* fStartOfText, uint16_t* p, int32_t n_characters, int32_t tag_clearing_max,
                               bool in_Unicode, int32_t first_valid_character = 0);
  // Blanks and hides what lies outside the parts of texts to read (and inside the parts to cut).
  // A pair opened and not closed in one buffer stays open into the next buffer of the text, so
  // a text is selected alike however it is cut into buffers; a buffer at byte 0 of its file
  // (FileBytePos) starts a text, with no pair open.
  bool HandleOnlyPartsOfText(void* fStartOfText, uint16_t* wchars, int32_t n_characters);
  int32_t RemoveNumbers(uint16_t* p, int32_t n_characters);
  // A character of kind `unwanted` between two of kind `surrounded` becomes a blank for the word
  // scanner: its kind is a blank's, its character stays, so that lines cut from the buffer
  // quote the text as it is.
  void BlankOutMidWordPunctuation(void* fStartOfText, uint16_t* p, uint16_t unwanted, uint16_t surrounded,
                                  int32_t n_characters, bool in_Unicode);
  void BlankOutUnwantedsTest(void* fStartOfText, uint16_t* p, uint16_t unwanted, int32_t n_characters,
                             bool in_Unicode);
  void BlankOutUnwanteds(int32_t hit_place, void* fStartOfText, uint16_t* p, char16_t unwanted,
                         char16_t replacement, int32_t hit_characters, int32_t n_characters, bool in_Unicode);
  int32_t ShrinkOutUnwanteds(void* fStartOfText, uint16_t* p, char16_t unwanted, int32_t n_characters,
                             bool in_Unicode);

  // --- bookkeeping
  void ClearArrayOfTagsPresent();
  void ClearBeforeMulti_fileProcessing();
  void ClearTextSelectingWithin();
  // The counters of markers found go to the caller's array (nullptr: the handler's own).
  void SetArrayOfTagsFound(TTagsFoundArray* found);
  const TTagsFoundArray& TagsFound() const { return *ArrayOfTextMarkersFoundPtr; }
  // Section starts go to the caller's list (nullptr: the handler's own).
  void SetSectionStartsList(TSectionStartsList* list);

  // --- display
  TPointerAnd3Integersrec TagToDisplay(int32_t array_number_0Based, bool replace_tag_with_Description);
  std::vector<TStoredTagRec> TagfileTagsAsStoredArray() const;
  // The span as text: 24 becomes ">", 25 "<", other codes below 32 are dropped.
  UString Above32PointerToWide(const void* p, int32_t length) const;

  // --- state
  TPartsOfTextFileCountsRec fparts_of_text_counts;
  TOnTagFoundHandler fTagFoundHandler;
  TIgnore_tag_type fUnwantedTags{};
  bool fUse_Unicode = false;
  std::array<TSelectWithinContextW, kSelectWithinContexts> ftext_select_within_contextsW{};
  std::array<std::string, kSelectWithinContexts> ftext_select_within_contextsA;
  std::unique_ptr<TTagsToDeleteList> FExcludeTagList;
  std::array<UString, 2> ftag_ender_chars, ftag_starter_chars;  // by TTagHandleOperation
  std::array<std::vector<int32_t>, 2> FirstArrayOfTags;        // indices of searchable tags
  TSectionStartsList* BufsSectionStarts;
  int64_t FileBytePos = 0;  // byte position of the current buffer in its file
  // In the characters handed to the next pass: where those read ahead of the cut begin (beyond
  // n_characters: none). The reader sets it before each pass.
  int32_t ReadAheadFrom = INT32_MAX;
  // An excluded span was open at the last buffer's cut: the next buffer's exclusion pass must
  // run, tag or no tag.
  bool ExcludedSpanOpen() const { return fOpenExcludeTag >= 0; }
  bool HandlingOnlyPartsOfText = false;
  bool fKeepingLog = false;  // from the read settings: log what is found
  bool HasMediaTags = false;
  bool HasSectionTags = false;
  std::vector<TextTagRec> ArrayOfTagFileExcludeTags;
  std::array<TextMarkerTagrec, 8> ArrayOfTextMarkers;  // kinds 14 to 21
  std::vector<TTranslateTagRec> ArrayOfTranslationTagfileTags;
  std::vector<TextTagRec> ArrayOfTagfileTags;
  TTagsFoundArray* ArrayOfTextMarkersFoundPtr;

 protected:
  // Prepares the tags of a list into a table for one operation.
  void PrepareTags(TTagHandleOperation op, const TBaseTagStringList& list, std::vector<TextTagRec>& table);
  void PrepareOneTag(TTagHandleOperation op, const TStoredTagRec& r, int32_t i, TextTagRec& t);
  // Rebuilds the search tables of the keep or exclude tags, or of the entities.
  void BuildTagIndex(TTagHandleOperation op);
  void BuildEntityIndex();

  // Hides every tag opened by switch_on and closed by switch_off; with mark, the brackets become
  // the tag codes, else the whole tag is blanked.
  static void HideUnwantedTags(char16_t switch_on, char16_t switch_off, void* fStartOfText, uint16_t* p,
                               int32_t n_characters, bool in_Unicode, int32_t aTag_clearingLimit, bool mark);

  struct TSearchTables;
  std::unique_ptr<TSearchTables> fTables;
  // Parts of texts, carried from one buffer of a text to the next: which pairs are open, and
  // whether a part to keep has been met in the text.
  std::array<bool, kSelectWithinContexts / 2> fPartOpen{};
  bool fKeptPartSeen = false;
  // The exclude tag whose span was open at the last buffer's cut (-1: none), carried like the
  // parts of texts: its characters are hidden up to its closing tag in the next buffer.
  int32_t fOpenExcludeTag = -1;
  TTagsFoundArray fOwnTagsFound{};
  TSectionStartsList fOwnSectionStarts;
  std::u16string fDisplayTextW;
  std::string fDisplayTextA;
};

// The concordancer's handler: its kept tags are also found where hidden mark-up has been marked
// (brackets replaced by 25 and 24).
class TLinzoraTextTagHandler : public TTextTagHandler {
 public:
  using TTextTagHandler::TTextTagHandler;
  void ConvertToTag_on_in_sw_symbols();
};

// Reloads the tables whose lists changed (keep, exclude, entities) and takes the log flag; run
// before a job and when settings change. The first form reads the store once and also opens the
// program's log as the settings say.
void RefreshTagHandlerFromSettings(TTextTagHandler& handler, TTagsToTranslateList& translate_list);
void RefreshTagHandlerFromSettings(TTextTagHandler& handler, TTagsToTranslateList& translate_list,
                                   const TTagReadSettings& settings);
