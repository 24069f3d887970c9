// The records of the shared settings store, byte for byte as the suite's tools exchange them and
// as saved documents carry them.
//
// Every record is a packed block of little-endian bytes. Its fields are reached through accessors
// at fixed byte positions; bytes without an accessor belong to other tools of the suite and pass
// through unchanged. Text fields are zero-terminated UTF-16 arrays of a fixed number of code units.
// The defaults a new user starts with are in settings_defaults.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "platform/rtl/ustring.h"

// Text of a fixed UTF-16 field of `units` code units: up to the first zero unit, or the whole
// field when it holds none. The field need not be aligned.
UString ReadFixedChars(const uint8_t* field, size_t units);
// Writes text into the field, cut to units - 1 code units (to `units` when `terminated` is false,
// for fields that are full without a terminator), and zeros the rest of the field.
void WriteFixedChars(uint8_t* field, size_t units, UStringView text, bool terminated = true);

// A record of N bytes with typed access at byte offsets. Offsets given as template arguments are
// checked against the size when compiled; run-time offsets outside the record read as zero and
// write nothing.
template <size_t N>
struct TByteRecord {
  static constexpr size_t kSize = N;
  uint8_t bytes[N];
  bool operator==(const TByteRecord&) const = default;

  template <typename T, size_t Off>
  T Get() const {
    static_assert(std::is_trivially_copyable_v<T> && Off + sizeof(T) <= N);
    T v;
    std::memcpy(&v, bytes + Off, sizeof(T));
    return v;
  }
  template <typename T, size_t Off>
  void Put(T v) {
    static_assert(std::is_trivially_copyable_v<T> && Off + sizeof(T) <= N);
    std::memcpy(bytes + Off, &v, sizeof(T));
  }
  template <size_t Off>
  bool Flag() const { return Get<uint8_t, Off>() != 0; }
  template <size_t Off>
  void PutFlag(bool v) { Put<uint8_t, Off>(v ? 1 : 0); }
  template <size_t Off, size_t Units>
  UString Chars() const {
    static_assert(Off + 2 * Units <= N);
    return ReadFixedChars(bytes + Off, Units);
  }
  template <size_t Off, size_t Units>
  void PutChars(UStringView s, bool terminated = true) {
    static_assert(Off + 2 * Units <= N);
    WriteFixedChars(bytes + Off, Units, s, terminated);
  }

  template <typename T>
  T GetAt(size_t off) const {
    T v{};
    if (off <= N && sizeof(T) <= N - off) std::memcpy(&v, bytes + off, sizeof(T));
    return v;
  }
  template <typename T>
  void PutAt(size_t off, T v) {
    if (off <= N && sizeof(T) <= N - off) std::memcpy(bytes + off, &v, sizeof(T));
  }
  UString CharsAt(size_t off, size_t units) const {
    return (off <= N && 2 * units <= N - off) ? ReadFixedChars(bytes + off, units) : UString();
  }
  void PutCharsAt(size_t off, size_t units, UStringView s) {
    if (off <= N && 2 * units <= N - off) WriteFixedChars(bytes + off, units, s);
  }

  void Clear() { std::memset(bytes, 0, N); }
  bool SameBytes(const TByteRecord& o) const { return std::memcmp(bytes, o.bytes, N) == 0; }
};

// A colour as the suite stores it (0x00BBGGRR) that names a plain colour rather than "none",
// "default" or a colour of the system.
inline bool IsOKColour(int32_t colour) { return colour >= 0 && colour <= 0xFFFFFF; }

#define LZ_CHECK_RECORD(T, n)                                                              \
  static_assert(sizeof(T) == (n), #T " must keep its stored size");                        \
  static_assert(std::is_trivially_copyable_v<T> && std::is_standard_layout_v<T>, #T " must be plain bytes")

#pragma pack(push, 1)

// Two 16-bit horizons, left then right, as the store hands them over in one 32-bit value.
struct Tdouble_smallint_type {
  int16_t left;
  int16_t right;
};
LZ_CHECK_RECORD(Tdouble_smallint_type, 4);

// The characters that open and close mark-up to be ignored, up to six pairs (a zero ends a row
// early); the same two rows are the "special characters" that typed search words are checked for.
struct TIgnore_tag_type {
  char16_t openers[6];
  char16_t closers[6];
};
LZ_CHECK_RECORD(TIgnore_tag_type, 24);

#pragma pack(pop)

// --- concordance settings --------------------------------------------------------------------

// The concordance settings: words to seek, horizons, limits, cluster, sort and display choices and
// the flags of the views computed with them. A concordance document saves a copy whole.
struct TConcSettingsRec32 : TByteRecord<2580> {
  static constexpr size_t kWordUnits = 81;  // each word field: 80 characters and a terminator

  UString SearchWord() const { return Chars<0, kWordUnits>(); }  // search word(s) as typed
  void SetSearchWord(UStringView s) { PutChars<0, kWordUnits>(s); }
  UString ExclusionWord() const { return Chars<162, kWordUnits>(); }  // exclusion word(s)
  void SetExclusionWord(UStringView s) { PutChars<162, kWordUnits>(s); }
  UString ContextWord() const { return Chars<486, kWordUnits>(); }  // context word(s)
  void SetContextWord(UStringView s) { PutChars<486, kWordUnits>(s); }

  int32_t WantedPerSearchWord() const { return Get<int32_t, 648>(); }  // lines wanted per search word
  void SetWantedPerSearchWord(int32_t v) { Put<int32_t, 648>(v); }
  int32_t MergedLineCount() const { return Get<int32_t, 652>(); }  // line count after a merge
  void SetMergedLineCount(int32_t v) { Put<int32_t, 652>(v); }
  int32_t MergedTotal() const { return Get<int32_t, 656>(); }  // total added up when merging
  void SetMergedTotal(int32_t v) { Put<int32_t, 656>(v); }
  int32_t RunningWords() const { return Get<int32_t, 660>(); }  // words read so far in a run
  void SetRunningWords(int32_t v) { Put<int32_t, 660>(v); }
  // Exact position of the context word: negative that many words to the left, positive to the
  // right, 0 anywhere within the horizons.
  int32_t ExactContextPosition() const { return Get<int32_t, 668>(); }
  void SetExactContextPosition(int32_t v) { Put<int32_t, 668>(v); }
  // Word gap of the close-hits rule: a hit this many words or fewer after the previous line of
  // another search word is dropped; below 0 the rule is off.
  int32_t AllowedLastWordGap() const { return Get<int32_t, 672>(); }
  void SetAllowedLastWordGap(int32_t v) { Put<int32_t, 672>(v); }

  int16_t CollocHorizonLeft() const { return Get<int16_t, 1704>(); }  // collocate horizon, words left
  void SetCollocHorizonLeft(int16_t v) { Put<int16_t, 1704>(v); }
  int16_t CollocHorizonRight() const { return Get<int16_t, 1706>(); }  // collocate horizon, right
  void SetCollocHorizonRight(int16_t v) { Put<int16_t, 1706>(v); }
  Tdouble_smallint_type CollocHorizons() const { return Get<Tdouble_smallint_type, 1704>(); }
  void SetCollocHorizons(Tdouble_smallint_type v) { Put<Tdouble_smallint_type, 1704>(v); }
  int16_t ContextHorizonLeft() const { return Get<int16_t, 1708>(); }  // context-word horizon, left
  void SetContextHorizonLeft(int16_t v) { Put<int16_t, 1708>(v); }
  int16_t ContextHorizonRight() const { return Get<int16_t, 1710>(); }  // context-word horizon, right
  void SetContextHorizonRight(int16_t v) { Put<int16_t, 1710>(v); }
  Tdouble_smallint_type ContextHorizons() const { return Get<Tdouble_smallint_type, 1708>(); }
  void SetContextHorizons(Tdouble_smallint_type v) { Put<Tdouble_smallint_type, 1708>(v); }

  // The cluster block: ten bytes from here travel together between documents and the store.
  static constexpr size_t kClusterBlockAt = 1712;
  static constexpr size_t kClusterBlockSize = 10;
  int16_t ClusterReachLeft() const { return Get<int16_t, 1714>(); }  // words a cluster may reach left
  void SetClusterReachLeft(int16_t v) { Put<int16_t, 1714>(v); }
  int16_t ClusterReachRight() const { return Get<int16_t, 1716>(); }  // words it may reach right
  void SetClusterReachRight(int16_t v) { Put<int16_t, 1716>(v); }
  uint16_t ClusterMinFrequency() const { return Get<uint16_t, 1718>(); }  // least cluster frequency
  void SetClusterMinFrequency(uint16_t v) { Put<uint16_t, 1718>(v); }

  // Which derived views the saved concordance holds.
  bool PlotComputed() const { return Flag<1723>(); }
  void SetPlotComputed(bool v) { PutFlag<1723>(v); }
  bool ClustersComputed() const { return Flag<1724>(); }
  void SetClustersComputed(bool v) { PutFlag<1724>(v); }
  bool PatternsComputed() const { return Flag<1725>(); }
  void SetPatternsComputed(bool v) { PutFlag<1725>(v); }
  bool CollocatesComputed() const { return Flag<1726>(); }
  void SetCollocatesComputed(bool v) { PutFlag<1726>(v); }
  bool RelationshipsComputed() const { return Flag<1729>(); }  // association statistics recomputed
  void SetRelationshipsComputed(bool v) { PutFlag<1729>(v); }

  bool SearchWordHidden() const { return Flag<1733>(); }  // the search word is hidden in the lines
  void SetSearchWordHidden(bool v) { PutFlag<1733>(v); }
  bool ExclusionWordsWanted() const { return Flag<1735>(); }
  void SetExclusionWordsWanted(bool v) { PutFlag<1735>(v); }
  bool ContextWordsWanted() const { return Flag<1736>(); }
  void SetContextWordsWanted(bool v) { PutFlag<1736>(v); }
  uint8_t StopAtLevel() const { return Get<uint8_t, 1737>(); }  // boundary level that ends clusters
  void SetStopAtLevel(uint8_t v) { Put<uint8_t, 1737>(v); }
  uint8_t MinWordLength() const { return Get<uint8_t, 1738>(); }  // least collocate length in letters
  void SetMinWordLength(uint8_t v) { Put<uint8_t, 1738>(v); }
  bool SearchWordPadded() const { return Flag<1739>(); }  // blanks around the search word in lines
  void SetSearchWordPadded(bool v) { PutFlag<1739>(v); }
  uint16_t CharactersPerLine() const { return Get<uint16_t, 1740>(); }  // characters saved per line
  void SetCharactersPerLine(uint16_t v) { Put<uint16_t, 1740>(v); }
  uint16_t MinCollocateFrequency() const { return Get<uint16_t, 1742>(); }
  void SetMinCollocateFrequency(uint16_t v) { Put<uint16_t, 1742>(v); }
  uint8_t DisplayOptions() const { return Get<uint8_t, 1744>(); }  // set of five display options
  void SetDisplayOptions(uint8_t v) { Put<uint8_t, 1744>(v); }
  static constexpr uint8_t kDisplaySentenceOnly = 8;  // option 3: lines cut to their sentence

  // The three sort keys (index 0 main, 1 and 2 tie-breaks) and whether each compares case.
  uint8_t SortKey(int i) const { return (i >= 0 && i < 3) ? bytes[1745 + i] : 0; }
  void SetSortKey(int i, uint8_t v) { if (i >= 0 && i < 3) bytes[1745 + i] = v; }
  bool SortCaseSensitive(int i) const { return i >= 0 && i < 3 && bytes[1748 + i] != 0; }
  void SetSortCaseSensitive(int i, bool v) { if (i >= 0 && i < 3) bytes[1748 + i] = v ? 1 : 0; }

  uint8_t ContextStop() const { return Get<uint8_t, 1757>(); }  // where a context search stops, 0..6
  void SetContextStop(uint8_t v) { Put<uint8_t, 1757>(v); }
  int16_t ClusterSizeMin() const { return Get<int16_t, 1758>(); }  // fewest words in a cluster
  void SetClusterSizeMin(int16_t v) { Put<int16_t, 1758>(v); }
  int16_t ClusterSizeMax() const { return Get<int16_t, 1760>(); }  // most words in a cluster
  void SetClusterSizeMax(int16_t v) { Put<int16_t, 1760>(v); }
  uint8_t RecordLevel() const { return Get<uint8_t, 1763>(); }  // layout level: 0 old, 3 current
  void SetRecordLevel(uint8_t v) { Put<uint8_t, 1763>(v); }
  uint8_t MinCollocateTexts() const { return Get<uint8_t, 1765>(); }  // texts a collocate must be in
  void SetMinCollocateTexts(uint8_t v) { Put<uint8_t, 1765>(v); }
  uint8_t HideOptions() const { return Get<uint8_t, 1766>(); }  // set of five tag-hiding options
  void SetHideOptions(uint8_t v) { Put<uint8_t, 1766>(v); }
  bool FetchingLineTexts() const { return Flag<1768>(); }  // on while the texts of lines are fetched
  void SetFetchingLineTexts(bool v) { PutFlag<1768>(v); }
  // A setting that a document stored without it takes from the current settings.
  int32_t InheritedSetting() const { return Get<int32_t, 1772>(); }
  void SetInheritedSetting(int32_t v) { Put<int32_t, 1772>(v); }
  bool LemmaListSearch() const { return Flag<1776>(); }  // search words are expanded by the lemma list
  void SetLemmaListSearch(bool v) { PutFlag<1776>(v); }
  bool CollocatesCaseSensitive() const { return Flag<1778>(); }  // collocates keep letter case
  void SetCollocatesCaseSensitive(bool v) { PutFlag<1778>(v); }
  bool TimelineComputed() const { return Flag<1779>(); }
  void SetTimelineComputed(bool v) { PutFlag<1779>(v); }
  // Collocate columns beyond the standard ones hold computed values; when off they show as not
  // applicable while empty.
  bool CollocateExtraColumnsComputed() const { return Flag<1780>(); }
  void SetCollocateExtraColumnsComputed(bool v) { PutFlag<1780>(v); }
  uint8_t PlotRowOrder() const { return Get<uint8_t, 1782>(); }  // order of the plot's rows
  void SetPlotRowOrder(uint8_t v) { Put<uint8_t, 1782>(v); }
  bool LinesCarryPairedTagFlag() const { return Flag<1783>(); }  // each line stores its paired-tag flag
  void SetLinesCarryPairedTagFlag(bool v) { PutFlag<1783>(v); }
  uint8_t ColouringOptions() const { return Get<uint8_t, 1792>(); }  // set of three colouring options
  void SetColouringOptions(uint8_t v) { Put<uint8_t, 1792>(v); }
  bool SkipPunctuation() const { return Flag<1794>(); }  // punctuation between words is passed over
  void SetSkipPunctuation(bool v) { PutFlag<1794>(v); }
  bool CollocateStopList() const { return Flag<1795>(); }  // collocates leave out stop-list words
  void SetCollocateStopList(bool v) { PutFlag<1795>(v); }
  // The collocate display keeps to the horizons instead of the widest span.
  bool RestrictedCollocateHorizons() const { return Flag<1796>(); }
  void SetRestrictedCollocateHorizons(bool v) { PutFlag<1796>(v); }
  // Collocates are counted for all search words together: one row a word, whichever search word
  // it stood near.
  bool CollocateSearchWordsTogether() const { return Flag<1797>(); }
  void SetCollocateSearchWordsTogether(bool v) { PutFlag<1797>(v); }
};
LZ_CHECK_RECORD(TConcSettingsRec32, 2580);

// --- text settings ---------------------------------------------------------------------------

// One language as the suite knows it: how its words are recognised, sorted and shown.
struct Tfixed_lang_details32 : TByteRecord<1040> {
  bool SymbolsAtWordEnd() const { return Flag<0>(); }  // extra symbols may end a word
  void SetSymbolsAtWordEnd(bool v) { PutFlag<0>(v); }
  bool SymbolsAtWordStart() const { return Flag<1>(); }  // extra symbols may start a word
  void SetSymbolsAtWordStart(bool v) { PutFlag<1>(v); }
  bool Saved() const { return Flag<2>(); }  // set whenever a document saves the record
  void SetSaved(bool v) { PutFlag<2>(v); }
  // 0 not installed, 1 available, 2 alternative, 3 main language.
  uint8_t Preference() const { return Get<uint8_t, 3>(); }
  void SetPreference(uint8_t v) { Put<uint8_t, 3>(v); }
  int32_t LCID() const { return Get<int32_t, 4>(); }  // locale identifier, used for sorting
  void SetLCID(int32_t v) { Put<int32_t, 4>(v); }
  bool HyphenBreaksWord() const { return Flag<45>(); }  // a hyphen separates words
  void SetHyphenBreaksWord(bool v) { PutFlag<45>(v); }
  uint16_t WindowsCodePage() const { return Get<uint16_t, 46>(); }  // 8-bit code page of its texts
  void SetWindowsCodePage(uint16_t v) { Put<uint16_t, 46>(v); }
  uint16_t DosCodePage() const { return Get<uint16_t, 48>(); }  // older 8-bit code page
  void SetDosCodePage(uint16_t v) { Put<uint16_t, 48>(v); }
  // Up to ten symbols that count as letters inside words (the field is full without a terminator).
  UString ExtraSymbols() const { return Chars<50, 10>(); }
  void SetExtraSymbols(UStringView s) { PutChars<50, 10>(s, false); }

  static constexpr size_t kFontAt = 330;    // the display font record
  static constexpr size_t kFontSize = 204;  // character set, size, name of 100 characters
  uint8_t FontCharset() const { return Get<uint8_t, 330>(); }
  void SetFontCharset(uint8_t v) { Put<uint8_t, 330>(v); }
  uint8_t FontSize() const { return Get<uint8_t, 331>(); }  // in points
  void SetFontSize(uint8_t v) { Put<uint8_t, 331>(v); }
  UString FontName() const { return Chars<332, 101>(); }
  void SetFontName(UStringView s) { PutChars<332, 101>(s); }

  UString LanguageName() const { return Chars<936, 51>(); }  // at most 50 characters
  void SetLanguageName(UStringView s) { PutChars<936, 51>(s); }
};
LZ_CHECK_RECORD(Tfixed_lang_details32, 1040);

// The text settings: the language of the texts, then how words, mark-up and text structure are
// treated. Tools read it whole when a job starts; documents save a copy.
struct TTextsett_rec32 : TByteRecord<3028> {
  static constexpr size_t kLanguageSize = 1040;  // the language block at the start
  Tfixed_lang_details32 Language() const {
    Tfixed_lang_details32 l;
    std::memcpy(l.bytes, bytes, kLanguageSize);
    return l;
  }
  void SetLanguage(const Tfixed_lang_details32& l) { std::memcpy(bytes, l.bytes, kLanguageSize); }
  // The fields of the language block that tools read most.
  int32_t LCID() const { return Get<int32_t, 4>(); }
  void SetLCID(int32_t v) { Put<int32_t, 4>(v); }
  bool Saved() const { return Flag<2>(); }
  void SetSaved(bool v) { PutFlag<2>(v); }
  uint16_t WindowsCodePage() const { return Get<uint16_t, 46>(); }
  UString LanguageName() const { return Chars<936, 51>(); }
  UString FontName() const { return Chars<332, 101>(); }
  uint8_t FontSize() const { return Get<uint8_t, 331>(); }
  // Takes the display font of other (for documents that keep the user's current font).
  void CopyDisplayFontFrom(const TTextsett_rec32& other) {
    std::memcpy(bytes + Tfixed_lang_details32::kFontAt, other.bytes + Tfixed_lang_details32::kFontAt,
                Tfixed_lang_details32::kFontSize);
  }

  // How tags show in word lists: 0..3.
  uint8_t TagTreatment() const { return Get<uint8_t, 1040>(); }
  void SetTagTreatment(uint8_t v) { Put<uint8_t, 1040>(v); }
  // Texts are folded to precomposed characters before they are read.
  bool PrecomposedCharacters() const { return Flag<1041>(); }
  void SetPrecomposedCharacters(bool v) { PutFlag<1041>(v); }
  // 8-bit texts are converted to UTF-16 even when nothing else asks for it.
  bool ConvertAllTextsToUnicode() const { return Flag<1042>(); }
  void SetConvertAllTextsToUnicode(bool v) { PutFlag<1042>(v); }
  bool NumbersIncluded() const { return Flag<1047>(); }  // words holding digits count as words
  void SetNumbersIncluded(bool v) { PutFlag<1047>(v); }

  // Mark-up to ignore: the two rows of opening and closing characters.
  TIgnore_tag_type UnwantedTags() const { return Get<TIgnore_tag_type, 1048>(); }
  void SetUnwantedTags(const TIgnore_tag_type& v) { Put<TIgnore_tag_type, 1048>(v); }
  // Row 0 the openers, row 1 the closers, i from 0 to 5; 0 when unset.
  char16_t SpecialCharacter(int row, int i) const {
    return (row >= 0 && row < 2 && i >= 0 && i < 6) ? GetAt<char16_t>(1048 + 12 * row + 2 * i) : 0;
  }
  void SetSpecialCharacter(int row, int i, char16_t c) {
    if (row >= 0 && row < 2 && i >= 0 && i < 6) PutAt<char16_t>(1048 + 12 * row + 2 * i, c);
  }

  // Text structure markers, kinds 14 to 21: sentence start, sentence end, paragraph start,
  // paragraph end, heading start, heading end, section start, section end.
  static constexpr int kFirstMarker = 14;
  static constexpr int kLastMarker = 21;
  static constexpr int kSentenceEndMarker = 15;
  static constexpr size_t kMarkerUnits = 100;
  // The marker is found automatically rather than by its text.
  bool MarkerAuto(int kind) const { return ValidMarker(kind) && bytes[1072 + kind - kFirstMarker] != 0; }
  void SetMarkerAuto(int kind, bool v) {
    if (ValidMarker(kind)) bytes[1072 + kind - kFirstMarker] = v ? 1 : 0;
  }
  UString MarkerText(int kind) const {
    return ValidMarker(kind) ? CharsAt(1080 + 200 * (kind - kFirstMarker), kMarkerUnits) : UString();
  }
  void SetMarkerText(int kind, UStringView s) {
    if (ValidMarker(kind)) PutCharsAt(1080 + 200 * (kind - kFirstMarker), kMarkerUnits, s);
  }

  // An upper limit kept above 0: 0 or less in a record handed to a document means none
  // (0x7FFFFFFF).
  int32_t ProcessingLimit() const { return Get<int32_t, 2704>(); }
  void SetProcessingLimit(int32_t v) { Put<int32_t, 2704>(v); }
  uint8_t TagDisplay() const { return Get<uint8_t, 2708>(); }  // how tags show in lines; 1 as prefix
  void SetTagDisplay(uint8_t v) { Put<uint8_t, 2708>(v); }

 private:
  static bool ValidMarker(int kind) { return kind >= kFirstMarker && kind <= kLastMarker; }
};
LZ_CHECK_RECORD(TTextsett_rec32, 3028);

// --- word lists, index, keywords --------------------------------------------------------------

// The word-list settings: limits on the words a word list keeps.
struct TWordlist_settings_rec : TByteRecord<24> {
  uint16_t RatioBasis() const { return Get<uint16_t, 0>(); }  // words per standardised-ratio block
  void SetRatioBasis(uint16_t v) { Put<uint16_t, 0>(v); }
  uint8_t MinFrequency() const { return Get<uint8_t, 2>(); }
  void SetMinFrequency(uint8_t v) { Put<uint8_t, 2>(v); }
  uint8_t MinWordLength() const { return Get<uint8_t, 3>(); }
  void SetMinWordLength(uint8_t v) { Put<uint8_t, 3>(v); }
  int32_t MaxFrequency() const { return Get<int32_t, 4>(); }
  void SetMaxFrequency(int32_t v) { Put<int32_t, 4>(v); }
  uint16_t MinTexts() const { return Get<uint16_t, 8>(); }  // texts a word must be found in
  void SetMinTexts(uint16_t v) { Put<uint16_t, 8>(v); }
  uint8_t MaxWordLength() const { return Get<uint8_t, 10>(); }
  void SetMaxWordLength(uint8_t v) { Put<uint8_t, 10>(v); }
  bool NumbersIncluded() const { return Flag<11>(); }
  void SetNumbersIncluded(bool v) { PutFlag<11>(v); }
  int32_t MaxTexts() const { return Get<int32_t, 12>(); }
  void SetMaxTexts(int32_t v) { Put<int32_t, 12>(v); }
  bool CaseSensitive() const { return Flag<20>(); }  // 0: words are counted in capitals
  void SetCaseSensitive(bool v) { PutFlag<20>(v); }
};
LZ_CHECK_RECORD(TWordlist_settings_rec, 24);

// The corpus-index settings; an index saves the block after its tokens with its text settings
// (docs/formats.md gives it byte by byte). Every field has bytes of its own.
struct TWordlistIndexSettingsRec : TByteRecord<3352> {
  // Negative in a saved index: -(running words + 1), which marks the current layout.
  int32_t LayoutMarker() const { return Get<int32_t, 0>(); }
  void SetLayoutMarker(int32_t v) { Put<int32_t, 0>(v); }
  static constexpr size_t kTextSettingsAt = 4;  // the text settings of the indexed texts
  TTextsett_rec32 TextSettings() const {
    TTextsett_rec32 t;
    std::memcpy(t.bytes, bytes + kTextSettingsAt, TTextsett_rec32::kSize);
    return t;
  }
  void SetTextSettings(const TTextsett_rec32& t) {
    std::memcpy(bytes + kTextSettingsAt, t.bytes, TTextsett_rec32::kSize);
  }
  // Running words are recounted from the word list rather than taken from the statistics.
  bool RecountRunningWords() const { return Flag<3037>(); }
  void SetRecountRunningWords(bool v) { PutFlag<3037>(v); }
  // The relationship settings of 180 bytes (span, frequencies, thresholds), kept as they are.
  static constexpr size_t kRelationshipsAt = 3040;
  static constexpr size_t kRelationshipsSize = 180;
  // Types less frequent than this are not loaded when an index is opened (0 or 1: every type).
  int32_t MinTypeFrequency() const { return Get<int32_t, 3220>(); }
  void SetMinTypeFrequency(int32_t v) { Put<int32_t, 3220>(v); }
  // Token records that are no running words; the running words are the records less these.
  int32_t RecordsNotRunningWords() const { return Get<int32_t, 3240>(); }
  void SetRecordsNotRunningWords(int32_t v) { Put<int32_t, 3240>(v); }
  // The cluster block of 40 bytes.
  static constexpr size_t kClusterBlockAt = 3244;
  static constexpr size_t kClusterBlockSize = 40;
  int16_t ClusterSizeMin() const { return Get<int16_t, 3244>(); }
  void SetClusterSizeMin(int16_t v) { Put<int16_t, 3244>(v); }
  int16_t ClusterSizeMax() const { return Get<int16_t, 3246>(); }
  void SetClusterSizeMax(int16_t v) { Put<int16_t, 3246>(v); }
  int32_t ClusterMinTexts() const { return Get<int32_t, 3248>(); }
  void SetClusterMinTexts(int32_t v) { Put<int32_t, 3248>(v); }
  int32_t ClusterMinFrequency() const { return Get<int32_t, 3252>(); }
  void SetClusterMinFrequency(int32_t v) { Put<int32_t, 3252>(v); }
  int32_t ClusterSecondsPerWord() const { return Get<int32_t, 3256>(); }  // 0: no limit
  void SetClusterSecondsPerWord(int32_t v) { Put<int32_t, 3256>(v); }
  // The first filter: base words at least this frequent and at most this share of the tokens.
  int32_t FirstFilterMinFrequency() const { return Get<int32_t, 3260>(); }
  void SetFirstFilterMinFrequency(int32_t v) { Put<int32_t, 3260>(v); }
  float FirstFilterMaxPercent() const { return Get<float, 3264>(); }
  void SetFirstFilterMaxPercent(float v) { Put<float, 3264>(v); }
  // Which text markers end a cluster: 0 none, 1 punctuation and up, 2 sentences and up, 3-5
  // paragraphs, headings and sections; the end of a text always does.
  uint8_t ClusterStopAt() const { return Get<uint8_t, 3268>(); }
  void SetClusterStopAt(uint8_t v) { Put<uint8_t, 3268>(v); }
  bool ClustersPerText() const { return Flag<3269>(); }  // one neighbour tree per text
  void SetClustersPerText(bool v) { PutFlag<3269>(v); }
  bool DropPlainClusters() const { return Flag<3270>(); }  // clusters without "*" are not saved
  void SetDropPlainClusters(bool v) { PutFlag<3270>(v); }
  bool DropStarredClusters() const { return Flag<3271>(); }  // clusters with "*" are not saved
  void SetDropStarredClusters(bool v) { PutFlag<3271>(v); }
  bool ClusterKeepPositions() const { return Flag<3272>(); }
  void SetClusterKeepPositions(bool v) { PutFlag<3272>(v); }
  bool ClusterApplyStopList() const { return Flag<3273>(); }
  void SetClusterApplyStopList(bool v) { PutFlag<3273>(v); }
  bool ExcludeHashEntries() const { return Flag<3274>(); }  // words and clusters with "#" left out
  void SetExcludeHashEntries(bool v) { PutFlag<3274>(v); }
  bool ClusterDispersion() const { return Flag<3275>(); }
  void SetClusterDispersion(bool v) { PutFlag<3275>(v); }
  bool PhraseFramesOff() const { return Flag<3276>(); }
  void SetPhraseFramesOff(bool v) { PutFlag<3276>(v); }
  int32_t PhraseFrameMinFrequency() const { return Get<int32_t, 3280>(); }
  void SetPhraseFrameMinFrequency(int32_t v) { Put<int32_t, 3280>(v); }
  bool Unicode() const { return Flag<3286>(); }  // the index holds UTF-16 words
  void SetUnicode(bool v) { PutFlag<3286>(v); }
  int32_t IndexVersion() const { return Get<int32_t, 3288>(); }  // at least 1 once saved
  void SetIndexVersion(int32_t v) { Put<int32_t, 3288>(v); }
  // The index's running words when it was saved: the count texts added later go on from.
  int32_t IndexRunningWords() const { return Get<int32_t, 3296>(); }
  void SetIndexRunningWords(int32_t v) { Put<int32_t, 3296>(v); }
  // The word-list settings (24 bytes) the words were counted with.
  static constexpr size_t kWordlistSettingsAt = 3300;
  // Words longer than the longest length were kept whole (not cut and marked with "+").
  bool ExactWordLength() const { return Flag<3324>(); }
  void SetExactWordLength(bool v) { PutFlag<3324>(v); }
};
LZ_CHECK_RECORD(TWordlistIndexSettingsRec, 3352);

// The keywords settings; keyword lists save a copy whole.
struct TKeywordsSettingsRec32 : TByteRecord<2664> {
  bool Saved() const { return Flag<2>(); }  // set when a document saves the record
  void SetSaved(bool v) { PutFlag<2>(v); }
  static constexpr size_t kFontAt = 330;  // display font record, as in the text settings
  // A value kept positive in memory and stored negative in documents, which marks the layout.
  int32_t LayoutMarkedValue() const { return Get<int32_t, 1048>(); }
  void SetLayoutMarkedValue(int32_t v) { Put<int32_t, 1048>(v); }
  UString ReferenceCorpus() const { return Chars<1060, 261>(); }  // reference word list file
  void SetReferenceCorpus(UStringView s) { PutChars<1060, 261>(s); }
  int32_t LayoutVersion() const { return Get<int32_t, 1592>(); }  // at least 7 once saved
  void SetLayoutVersion(int32_t v) { Put<int32_t, 1592>(v); }
  int32_t MaxKeywordsWanted() const { return Get<int32_t, 1596>(); }
  void SetMaxKeywordsWanted(int32_t v) { Put<int32_t, 1596>(v); }
  // Index 0 the study list, 1 the reference list.
  int32_t RunningWords(int i) const { return (i == 0 || i == 1) ? GetAt<int32_t>(1600 + 4 * i) : 0; }
  void SetRunningWords(int i, int32_t v) { if (i == 0 || i == 1) PutAt<int32_t>(1600 + 4 * i, v); }
  int32_t Texts(int i) const { return (i == 0 || i == 1) ? GetAt<int32_t>(1608 + 4 * i) : 0; }
  void SetTexts(int i, int32_t v) { if (i == 0 || i == 1) PutAt<int32_t>(1608 + 4 * i, v); }
  bool SharesOverTexts() const { return Flag<1616>(); }  // shares are of texts, not of tokens
  void SetSharesOverTexts(bool v) { PutFlag<1616>(v); }
  // Keyness: 0 log-likelihood, 1 chi-square.
  uint8_t KeynessProcedure() const { return Get<uint8_t, 1617>(); }
  void SetKeynessProcedure(uint8_t v) { Put<uint8_t, 1617>(v); }
  bool IncludeNegativeKeywords() const { return Flag<1618>(); }
  void SetIncludeNegativeKeywords(bool v) { PutFlag<1618>(v); }
  int32_t KeywordMinFrequency() const { return Get<int32_t, 1620>(); }
  void SetKeywordMinFrequency(int32_t v) { Put<int32_t, 1620>(v); }
  int32_t KeywordMinTexts() const { return Get<int32_t, 1624>(); }
  void SetKeywordMinTexts(int32_t v) { Put<int32_t, 1624>(v); }
  double KeywordMaxP() const { return Get<double, 1628>(); }  // 0: no limit
  void SetKeywordMaxP(double v) { Put<double, 1628>(v); }
};
LZ_CHECK_RECORD(TKeywordsSettingsRec32, 2664);

// --- display and hand-over records ------------------------------------------------------------

// The plot settings; plot lists keep a copy.
struct TPlotSettingsRec : TByteRecord<60> {
  // The plot-information buttons are shown, and a plot keeps each hit's context for them.
  bool ShowPlotInfo() const { return Flag<1>(); }
  void SetShowPlotInfo(bool v) { PutFlag<1>(v); }
  uint8_t PlotDisplay() const { return Get<uint8_t, 2>(); }  // the plot grid's display option
  void SetPlotDisplay(uint8_t v) { Put<uint8_t, 2>(v); }
  // Characters of a hit's context kept around its middle.
  int32_t HitContextCharacters() const { return Get<int32_t, 12>(); }
  void SetHitContextCharacters(int32_t v) { Put<int32_t, 12>(v); }
  // Contexts are kept only for a concordance of no more lines than this.
  int32_t HitContextMostLines() const { return Get<int32_t, 16>(); }
  void SetHitContextMostLines(int32_t v) { Put<int32_t, 16>(v); }
};
LZ_CHECK_RECORD(TPlotSettingsRec, 60);

// What a copy of grid rows to the clipboard includes.
struct TClipboardSettingsRec : TByteRecord<24> {
  bool EditableText() const { return Flag<0>(); }
  void SetEditableText(bool v) { PutFlag<0>(v); }
  bool Picture() const { return Flag<1>(); }  // a picture of the selected area
  void SetPicture(bool v) { PutFlag<1>(v); }
  bool HeadingRow() const { return Flag<2>(); }
  void SetHeadingRow(bool v) { PutFlag<2>(v); }
  bool NumberColumn() const { return Flag<3>(); }
  void SetNumberColumn(bool v) { PutFlag<3>(v); }
};
LZ_CHECK_RECORD(TClipboardSettingsRec, 24);

// How the media file and time window of a concordance line are found.
struct TMediaMarkersRec : TByteRecord<1316> {
  // 0 a marker in the text, 1 a media file named as the text, 2 a lookup table.
  uint8_t Method() const { return Get<uint8_t, 0>(); }
  void SetMethod(uint8_t v) { Put<uint8_t, 0>(v); }
  UString LookupTable() const { return Chars<2, 261>(); }
  void SetLookupTable(UStringView s) { PutChars<2, 261>(s); }
  UString MediaFolder() const { return Chars<524, 261>(); }
  void SetMediaFolder(UStringView s) { PutChars<524, 261>(s); }
  UString FileNameMarker() const { return Chars<1046, 31>(); }  // text before a media file name
  void SetFileNameMarker(UStringView s) { PutChars<1046, 31>(s); }
  int32_t DefaultDurationSeconds() const { return Get<int32_t, 1108>(); }
  void SetDefaultDurationSeconds(int32_t v) { Put<int32_t, 1108>(v); }
  // The duration marker, or a duration in milliseconds given as a number.
  UString DurationMarker() const { return Chars<1112, 11>(); }
  void SetDurationMarker(UStringView s) { PutChars<1112, 11>(s); }
  UString StartMarker() const { return Chars<1134, 11>(); }
  void SetStartMarker(UStringView s) { PutChars<1134, 11>(s); }
  static constexpr int kExtensions = 6;  // media extensions in order of preference
  UString Extension(int i) const { return (i >= 0 && i < kExtensions) ? CharsAt(1156 + 22 * i, 11) : UString(); }
  void SetExtension(int i, UStringView s) { if (i >= 0 && i < kExtensions) PutCharsAt(1156 + 22 * i, 11, s); }
  float WideningStepSeconds() const { return Get<float, 1288>(); }
  void SetWideningStepSeconds(float v) { Put<float, 1288>(v); }
};
LZ_CHECK_RECORD(TMediaMarkersRec, 1316);

// The word-cloud settings: fifteen 32-bit words.
struct TWordCloudSettingsRec : TByteRecord<60> {
  uint8_t Shape() const { return Get<uint8_t, 0>(); }  // 0..3
  void SetShape(uint8_t v) { Put<uint8_t, 0>(v); }
  bool ColourBySize() const { return Flag<3>(); }
  void SetColourBySize(bool v) { PutFlag<3>(v); }
  bool ShowShapes() const { return Flag<4>(); }
  void SetShowShapes(bool v) { PutFlag<4>(v); }
  bool UseCase() const { return Flag<5>(); }  // the output case below is applied
  void SetUseCase(bool v) { PutFlag<5>(v); }
  float HorizontalSpacing() const { return Get<float, 8>(); }
  void SetHorizontalSpacing(float v) { Put<float, 8>(v); }
  float VerticalSpacing() const { return Get<float, 12>(); }
  void SetVerticalSpacing(float v) { Put<float, 12>(v); }
  uint8_t OutputCase() const { return Get<uint8_t, 16>(); }
  void SetOutputCase(uint8_t v) { Put<uint8_t, 16>(v); }
  int32_t MinFontSize() const { return Get<int32_t, 20>(); }
  void SetMinFontSize(int32_t v) { Put<int32_t, 20>(v); }
};
LZ_CHECK_RECORD(TWordCloudSettingsRec, 60);

// Ruler, plot and word-cloud features shared by the grids and plots.
struct TRulerPlotWordCloudFeaturesRec : TByteRecord<48> {
  uint32_t PlotLineColour() const { return Get<uint32_t, 0>(); }  // 0x00BBGGRR
  void SetPlotLineColour(uint32_t v) { Put<uint32_t, 0>(v); }
  uint32_t RulerColour() const { return Get<uint32_t, 4>(); }
  void SetRulerColour(uint32_t v) { Put<uint32_t, 4>(v); }
  int32_t PlotDivisions() const { return Get<int32_t, 40>(); }  // dispersion sections of a plot
  void SetPlotDivisions(int32_t v) { Put<int32_t, 40>(v); }
};
LZ_CHECK_RECORD(TRulerPlotWordCloudFeaturesRec, 48);

// Tag display preferences.
struct TTagPreferencesRec : TByteRecord<16> {
  uint8_t TagDisplay() const { return Get<uint8_t, 0>(); }
  void SetTagDisplay(uint8_t v) { Put<uint8_t, 0>(v); }
  bool ShowDescriptions() const { return Flag<1>(); }  // tags show their descriptions
  void SetShowDescriptions(bool v) { PutFlag<1>(v); }
};
LZ_CHECK_RECORD(TTagPreferencesRec, 16);

// Word filter of a whole-word-list collocate run: 21 int32 fields, of which the first ten are
// inclusive bounds.
struct TCollocateScriptSettingsRec : TByteRecord<84> {
  enum : int {
    kMaxWordLength, kMinWordLength, kMaxTexts, kMinTexts, kMaxFrequency, kMinFrequency,
    kMaxCollocateTotal, kMinCollocateTotal, kMaxCollocates, kMinCollocates
  };
  int32_t Field(int i) const { return (i >= 0 && i < 21) ? GetAt<int32_t>(4 * i) : 0; }
  void SetField(int i, int32_t v) { if (i >= 0 && i < 21) PutAt<int32_t>(4 * i, v); }
};
LZ_CHECK_RECORD(TCollocateScriptSettingsRec, 84);

// Association thresholds: a least value per statistic (eleven), whether each is tested, and
// whether a pair must pass all tested ones or any one.
struct TKollaxaMutualChecks : TByteRecord<64> {
  static constexpr int kStatistics = 11;
  float Threshold(int i) const { return (i >= 0 && i < kStatistics) ? GetAt<float>(4 * i) : 0.0f; }
  void SetThreshold(int i, float v) { if (i >= 0 && i < kStatistics) PutAt<float>(4 * i, v); }
  bool Tested(int i) const { return i >= 0 && i < kStatistics && bytes[44 + i] != 0; }
  void SetTested(int i, bool v) { if (i >= 0 && i < kStatistics) bytes[44 + i] = v ? 1 : 0; }
  bool AllMustPass() const { return Flag<55>(); }
  void SetAllMustPass(bool v) { PutFlag<55>(v); }
};
LZ_CHECK_RECORD(TKollaxaMutualChecks, 64);

// The relationship settings of a corpus index (word pairs within a span; 180 bytes, kept inside
// the index settings block and copied into a relationships list).
struct TRelationshipSettingsRec : TByteRecord<180> {
  static constexpr int kStatistics = 11;
  int32_t MinJointFrequency() const { return Get<int32_t, 0>(); }  // pairs met at least this often
  void SetMinJointFrequency(int32_t v) { Put<int32_t, 0>(v); }
  // Base words above this share of the running words (percent) are not paired.
  float MaxPercent() const { return Get<float, 4>(); }
  void SetMaxPercent(float v) { Put<float, 4>(v); }
  int32_t MinTexts() const { return Get<int32_t, 8>(); }  // texts a pair must be found in
  void SetMinTexts(int32_t v) { Put<int32_t, 8>(v); }
  int32_t MinFrequencyWord2() const { return Get<int32_t, 12>(); }
  void SetMinFrequencyWord2(int32_t v) { Put<int32_t, 12>(v); }
  int16_t Span() const { return Get<int16_t, 16>(); }  // positions on each side counted
  void SetSpan(int16_t v) { Put<int16_t, 16>(v); }
  // Pairs left out by the stop list: 0 none, 1 word 1 in it, 2 word 2 in it, 3 either.
  uint8_t StopListOption() const { return Get<uint8_t, 18>(); }
  void SetStopListOption(uint8_t v) { Put<uint8_t, 18>(v); }
  bool LeftAndRight() const { return Flag<19>(); }  // otherwise only to the right
  void SetLeftAndRight(bool v) { PutFlag<19>(v); }
  bool OmitSameWord() const { return Flag<20>(); }  // a word paired with itself is left out
  void SetOmitSameWord(bool v) { PutFlag<20>(v); }
  bool ExcludeHash() const { return Flag<21>(); }  // the "#" entry (numbers) is never word 2
  void SetExcludeHash(bool v) { PutFlag<21>(v); }
  // Which text markers end a span: 0 the end of a text only, 1 punctuation and up, 2 sentences
  // and up, 3-5 paragraphs, headings and sections.
  uint8_t StopAt() const { return Get<uint8_t, 22>(); }
  void SetStopAt(uint8_t v) { Put<uint8_t, 22>(v); }
  bool BothWays() const { return Flag<23>(); }  // each pair listed as (1, 2) and (2, 1)
  void SetBothWays(bool v) { PutFlag<23>(v); }
  bool AllMustPass() const { return Flag<24>(); }  // every threshold, otherwise any one
  void SetAllMustPass(bool v) { PutFlag<24>(v); }
  // The least value of each statistic (in the stored order of the eleven measures).
  float Threshold(int i) const { return (i >= 0 && i < kStatistics) ? GetAt<float>(28 + 4 * static_cast<size_t>(i)) : 0.0f; }
  void SetThreshold(int i, float v) {
    if (i >= 0 && i < kStatistics) PutAt<float>(28 + 4 * static_cast<size_t>(i), v);
  }
};
LZ_CHECK_RECORD(TRelationshipSettingsRec, 180);

// The relationship settings kept inside the index settings.
inline TRelationshipSettingsRec RelationshipSettingsOf(const TWordlistIndexSettingsRec& index) {
  TRelationshipSettingsRec r;
  std::memcpy(r.bytes, index.bytes + TWordlistIndexSettingsRec::kRelationshipsAt, TRelationshipSettingsRec::kSize);
  return r;
}
inline void SetRelationshipSettingsOf(TWordlistIndexSettingsRec& index, const TRelationshipSettingsRec& r) {
  std::memcpy(index.bytes + TWordlistIndexSettingsRec::kRelationshipsAt, r.bytes, TRelationshipSettingsRec::kSize);
}

// Moving-window settings of the word-list tool.
struct TMovingWindowSettingsRec : TByteRecord<32> {
  int32_t MinFrequency() const { return Get<int32_t, 0>(); }
  void SetMinFrequency(int32_t v) { Put<int32_t, 0>(v); }
  int32_t WordCount() const { return Get<int32_t, 4>(); }  // words to follow
  void SetWordCount(int32_t v) { Put<int32_t, 4>(v); }
};
LZ_CHECK_RECORD(TMovingWindowSettingsRec, 32);

// Detailed-consistency settings of the word-list tool.
struct TDetailedConsistencySettingsRec : TByteRecord<32> {
  int32_t MinTexts() const { return Get<int32_t, 0>(); }  // lists a word must be in to show
  void SetMinTexts(int32_t v) { Put<int32_t, 0>(v); }
  int32_t MinTotalFrequency() const { return Get<int32_t, 4>(); }  // its frequency over all lists
  void SetMinTotalFrequency(int32_t v) { Put<int32_t, 4>(v); }
};
LZ_CHECK_RECORD(TDetailedConsistencySettingsRec, 32);

// The chosen printer and its page.
struct TPrinterRec : TByteRecord<256> {
  UString PrinterName() const { return Chars<0, 80>(); }
  void SetPrinterName(UStringView s) { PutChars<0, 80>(s); }
  double PageMeasure() const { return Get<double, 160>(); }  // above 0 once a printer is known
  void SetPageMeasure(double v) { Put<double, 160>(v); }
  int32_t PageWidth() const { return Get<int32_t, 168>(); }  // in printer dots
  void SetPageWidth(int32_t v) { Put<int32_t, 168>(v); }
  int32_t PageHeight() const { return Get<int32_t, 172>(); }
  void SetPageHeight(int32_t v) { Put<int32_t, 172>(v); }
};
LZ_CHECK_RECORD(TPrinterRec, 256);

// Printing preferences.
struct TPrinterPrefsRec : TByteRecord<32> {
  uint8_t MeasurementUnit() const { return Get<uint8_t, 0>(); }  // 0 millimetres, 1 inches
  void SetMeasurementUnit(uint8_t v) { Put<uint8_t, 0>(v); }
  bool PlainLines() const { return Flag<1>(); }  // concordance lines print without coloured spans
  void SetPlainLines(bool v) { PutFlag<1>(v); }
};
LZ_CHECK_RECORD(TPrinterPrefsRec, 32);

// One word-handling colour of a visual style: how a kind of word or mark in a concordance line is
// drawn. Colours 0x00BBGGRR; a background outside 0..0xFFFFFF leaves the cell's own.
struct TWordHandlingColourRec : TByteRecord<12> {
  int32_t Foreground() const { return Get<int32_t, 0>(); }
  void SetForeground(int32_t v) { Put<int32_t, 0>(v); }
  int32_t Background() const { return Get<int32_t, 4>(); }
  void SetBackground(int32_t v) { Put<int32_t, 4>(v); }
  uint8_t Typeface() const { return Get<uint8_t, 8>(); }  // bit 0 bold, 1 italics, 2 underlined
  void SetTypeface(uint8_t v) { Put<uint8_t, 8>(v); }
};
LZ_CHECK_RECORD(TWordHandlingColourRec, 12);

// --- lemma, match and stop lists ----------------------------------------------------------------

// One of the lemma, match and stop lists of a tool: whether it is on, how it acts, and where its
// words come from.
struct TLemmaMatchStopSettingsRec : TByteRecord<628> {
  bool Activated() const { return Flag<0>(); }
  void SetActivated(bool v) { PutFlag<0>(v); }
  // Match list: the action of a run (0 mark, 1 delete, 2 keep only, 3 clear marks).
  // Stop list: the list is applied while words are counted.
  uint8_t Action() const { return Get<uint8_t, 1>(); }
  void SetAction(uint8_t v) { Put<uint8_t, 1>(v); }
  // Stop list: removed words also leave the statistics (word lengths, types, tokens).
  bool AppliesToStatistics() const { return Flag<2>(); }
  void SetAppliesToStatistics(bool v) { PutFlag<2>(v); }
  // 0 a list file loaded by the lemmatiser, 1 the words typed below.
  uint8_t Kind() const { return Get<uint8_t, 3>(); }
  void SetKind(uint8_t v) { Put<uint8_t, 3>(v); }
  UString TypedWords() const { return Chars<4, 51>(); }  // at most 50 characters
  void SetTypedWords(UStringView s) { PutChars<4, 51>(s); }
  UString FileName() const { return Chars<106, 261>(); }
  void SetFileName(UStringView s) { PutChars<106, 261>(s); }
};
LZ_CHECK_RECORD(TLemmaMatchStopSettingsRec, 628);
using TLemmaListSettingsRec = TLemmaMatchStopSettingsRec;
using TMatchListSettingsRec = TLemmaMatchStopSettingsRec;
using TStopListSettingsRec = TLemmaMatchStopSettingsRec;
// A tool keeps four such lists, by kind: 0 lemma list, 1 match list, 2 stop list, 3 a fourth of
// the same shape.
inline constexpr uint8_t kLemmaMatchStopKinds = 4;

// --- text selection -------------------------------------------------------------------------

// One of the 28 strings that choose texts: 1 to 12 include (four groups of three), 13 to 28 exclude.
struct TSelectTextFile_RecW : TByteRecord<162> {
  UString Text() const { return Chars<0, 81>(); }
  void SetText(UStringView s) { PutChars<0, 81>(s); }
};
LZ_CHECK_RECORD(TSelectTextFile_RecW, 162);
inline UString TSelectTextFile_RecWToString(const TSelectTextFile_RecW& r) { return r.Text(); }

// One of the 28 contexts that select parts of texts: odd numbers hold a start text, the next even
// number its end text; the type says whether the stretch is kept (1) or cut (2).
struct TSelectWithinContextW : TByteRecord<164> {
  UString Text() const { return Chars<0, 81>(); }
  void SetText(UStringView s) { PutChars<0, 81>(s); }
  uint8_t WithinType() const { return Get<uint8_t, 162>(); }
  void SetWithinType(uint8_t v) { Put<uint8_t, 162>(v); }
};
LZ_CHECK_RECORD(TSelectWithinContextW, 164);
inline UString TSelectWithinContextWToString(const TSelectWithinContextW& r) { return r.Text(); }

#undef LZ_CHECK_RECORD
