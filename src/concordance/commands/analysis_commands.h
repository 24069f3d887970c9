// The result pages' commands that derive something from the concordance, decided without a
// window: recomputing the clusters, collocates and time-line with their messages and notes,
// the collocate relationships' outcome, the modify window's result, the source text a line is
// re-read from, the media of a line, following a collocate into a new concordance and joining
// rows by the rule of clusters. Each asks its questions through the dialog service and answers
// what the window is to show; refreshing grids and pages is the window's.
#pragma once

#include <cstdint>
#include <optional>

#include "concordance/modify/modify_texts.h"
#include "concordance/views/reference_corpus.h"
#include "platform/rtl/ustring.h"
#include "platform/settings/settings_records.h"

class T_WholeLinzoraHolder;
class TVXBaseDataClass;
class TVXBaseLemmaMatchCapableList;
class TVXFileDetails;
class TSourceFileProbe;

// --- recomputing a derived list -------------------------------------------------------------------

// Clusters with the cluster choices of `choices` (sizes, reaches, minimum frequency and the
// collocates' case flag, as the cluster dialog left them in the store). A computation that finds
// no cluster of those sizes says NoLinzoraClustersOfSize (list, smallest, minimum frequency,
// largest) and leaves the clusters and the document's settings as they were; one that finds
// some adds the note "Procedure = Clusters". Answers whether clusters were computed.
bool RecomputeClusters(T_WholeLinzoraHolder& doc, const TConcSettingsRec32& choices);

// Collocates over the horizons the store holds, with the stop list as the tool has it loaded
// now and the store's choice whether collocates leave its words out; the computed columns the
// user added are worked out again over the new rows. The note "Procedure = Collocates" on
// success.
bool RecomputeCollocates(T_WholeLinzoraHolder& doc, Tdouble_smallint_type context_horizons,
                         Tdouble_smallint_type collocate_horizons);

enum class TTimelineRecompute : uint8_t {
  kComputed,        // rows made, "Procedure = Timelines" noted
  kNothing,         // computed, no row (no dated line)
  kUndefinedBasis,  // nothing computed; the user was told (UndefinedTimeLineBasis)
};
TTimelineRecompute RecomputeTimeline(T_WholeLinzoraHolder& doc, uint8_t basis);

// --- collocate relationships ----------------------------------------------------------------------

// The message the outcome of a relationships computation calls for, already shown: SavedOK for
// a details file written; FailedToFindX (search word, 4700) for a search word missing from the
// reference list; for any other failure a message naming the reference list (not a word list,
// not readable) or the details file not written. Answers whether the collocates got their values.
bool ReportRelationships(const TAssociationRequest& request, const TAssociationOutcome& outcome);

// --- modifying the source texts -------------------------------------------------------------------

// What the modify window returned, carried out: Set and Search-phrase change the texts through
// the list (joiner: the character that replaces blanks inside a phrase), Undo reports the count
// the window undid. NModificationsMade tells the count, never below 0. Answers the count told.
int32_t CarryOutModification(TVXBaseLemmaMatchCapableList& list, TModifySourceTexts how, UStringView joiner,
                             UStringView initials, bool dated, int32_t undone);

// --- a line's source text ------------------------------------------------------------------------

// Whether the concordance line of grid row `row` (from 1) is to be re-read from its source text,
// and that text's full name. Only for the concordance grid (list type 10) and a row that names a
// line; a text already known missing gives false without a look at the disk; a text found
// missing joins the missing texts and is warned about (CantFindOneOfTheFiles) at most three times
// per concordance list. True when the text exists and the line keeps fewer than 5,000
// characters.
bool SourceFileNeededAndAvailable(T_WholeLinzoraHolder& doc, int list_type, int row, UString& file_name,
                                  TSourceFileProbe* probe = nullptr);
// Rebuilds the line of grid row `row` (from 1) from its source text, wider by 2,000 characters.
bool RereadLineFromSource(T_WholeLinzoraHolder& doc, int row);

// Column 13 shows the texts' full names while this lives (the media look-up and the file of a
// double-click need them); the document's setting comes back however the scope is left.
class TFullFileNamesScope {
 public:
  explicit TFullFileNamesScope(T_WholeLinzoraHolder& doc);
  ~TFullFileNamesScope();
  TFullFileNamesScope(const TFullFileNamesScope&) = delete;
  TFullFileNamesScope& operator=(const TFullFileNamesScope&) = delete;

 private:
  T_WholeLinzoraHolder& doc_;
  bool before_;
};

// --- the media of a line --------------------------------------------------------------------------

inline constexpr int32_t kMediaStartOfFilenameUndefined = 0x1400;
inline constexpr int32_t kMediaLookupTableNotFound = 0x1402;

// A look-up's answer: found, the media file; not found, the look-up's message and its code (0 or
// one of the two above).
struct TLineMediaLookup {
  bool found = false;
  UString text;
  int32_t code = 0;
};
// The media settings' look-up and the player, as the window supplies them.
class TLineMedia {
 public:
  virtual ~TLineMedia() = default;
  // The media named in `text` (a line's tag context, the line itself, or a mark from its source
  // text) for the source text file_name, its stretch widened by `widening`; a file found keeps
  // its stretch for PlayLinkedMedia.
  virtual TLineMediaLookup FindMediaForConcordanceLine(UStringView text, UStringView file_name, int widening) = 0;
  // Where the marks are written in the texts and the lines hide their mark-up: the last mark in
  // file_name before its byte `byte`; empty when there is none or the marks are found otherwise.
  virtual UString MediaMarkBeforeHit(UStringView file_name, int64_t byte) = 0;
  // Plays the stretch of the file the last look-up found; false when it cannot be played.
  virtual bool PlayLinkedMedia(const UString& file) = 0;
};

// Plays the media of the concordance line of grid row `row` (from 1), looked up with the grid's
// current list column as the widening: first in the line's tag context (column 3), then in the
// line, then in the last mark before the hit in its text. Column 13 and the look-ups see the
// texts' full names (TFullFileNamesScope). Not found: 0x1400 says MediaStartOfFilenameUndefined,
// 0x1402 MediaLookupTableNotFound. Answers the text for the status line (empty when played).
UString PlayMediaOfLine(T_WholeLinzoraHolder& doc, int row, int column, TLineMedia& media);

// --- following a collocate ------------------------------------------------------------------------

enum class TFollowCollocate : uint8_t { kRefused, kNoTexts, kNotHandedOver, kPosted };
// From the collocate row (list index): asks whether to follow word 1 (the collocate) and whether
// to require word 2 (the search word) in the context (temporary string 2: the word or empty);
// takes the chosen texts, or the concordance's texts that still exist when none are chosen (or
// none of those chosen is still there) or the choice is new, into the hand-over file; then temporary string 1 := word 1 and code 155 to the
// controller. A refusal changes nothing but temporary string 2; no text left or a hand-over file
// not written is said and nothing is posted.
TFollowCollocate FollowCollocate(T_WholeLinzoraHolder& doc, TVXBaseDataClass& collocates, int index,
                                 TVXFileDetails& chosen);

// --- joining rows by the rule of clusters ---------------------------------------------------------

// Lists whose rows can be joined: the collocates, the clusters and the word lists.
bool JoinClustersApplies(int list_type);
// The two directions the user chooses between, in the order offered.
UString JoinClustersShorterUnderLonger();
UString JoinClustersLongerUnderShorter();
UString JoinClustersNotApplicable();
UString AutoJoinNotAvailable();
// The status line after a join: how many rows went under others.
UString JoinClustersDone(int32_t joins);
