// The concordance text worker: reads one text and turns each of its hits into a candidate line.
//
// ReadTextForConcordance reads one chosen text with a reader of its own (TLinzoraBufferProcessor),
// its own tag handler, search engine, context-word check and copies of the run's items, and
// answers a TTextOutcome (concordance/candidate_lines.h). Nothing it writes is shared, so any
// number of texts may be read at once on as many threads; the setup is only read.
//
// Per chunk the whole buffer (carried characters, new characters, look-ahead) goes to the engine;
// then each search item in turn is searched, in item order, and every hit, in text order:
//   1. sampling: the hit's draw, keyed by (seed, text, chunk, item, hit number in the item's pass
//      over the chunk), must be 0 (a range of 0 or 1 keeps every hit);
//   2. the line is cut around the hit from the characters the reader gives: the previous chunk's
//      tail (kept by the worker where the reader's carried characters are too few), the chunk and
//      its look-ahead, so a line near a cut equals the line of the same hit away from one;
//   3. byte_position is the hit's first byte in the file (the chunk's byte map, 64-bit),
//      hit_characters the hit's characters, word_num its word in the text (from 1), the
//      statistics block its unit numbers, positions and the lengths known so far;
//   4. word positions, tags and the section or heading the hit lies in; the context and
//      exclusion words (a hit failing them is no candidate), context words counting only on
//      the search word's side of the boundaries the context stop names;
//   5. the line's text goes into the owner's arena: a line whose characters allow a byte each
//      keeps its bytes in the stretch this text's lines share, following on from the line before
//      where their windows overlap (a frequent word's lines would each copy the same characters
//      again); any other line keeps its UTF-16 units so in a stretch of its own kind. The cut
//      itself takes what the windows share from the line before (see TLineCutter::MarkInNextCut).
// Where a unit (sentence, paragraph, heading, section) ends, every open candidate of that unit,
// whatever its item, gets the unit's length. Limits, lines wanted per word, instances_to_find,
// the word gap, the user's filter, file numbers and the Set column are left to the committer.
//
// Jump mode: a text whose chosen record carries jump positions (a request of another tool) gets
// one line per position, the first hit reaching it, with word_num and the statistics block zeroed;
// chunks that end before the lowest position are not searched, and once the last position has its
// line the text gives no more.
//
// Stops: a stop state of 2 or more ends the item loop and the reading; state 1 lets the text
// finish. The outcome says which state was seen and after which chunk reading stopped.
// Log lines go into the outcome, never straight to the log.
//
// Widening a line (MakeLineWindowReader): the same reader reads one window of the line's text
// around its hit instead of the whole text, and remakes the line there for a new width. The
// window is placed by the chunk's byte map: the hit is the character whose file byte is the
// line's byte_position, so the line's left context starts width/2 characters before it whatever
// the bytes per character. The hit, its word number, item and unit data stay; the text,
// midpoint, word positions, tags and section are made again as a run at that width makes them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "concordance/lines/candidate_lines.h"
#include "concordance/lines/concordance_list.h"
#include "concordance/lines/character_scans.h"
#include "concordance/run/context_words.h"
#include "concordance/run/plain_windows.h"
#include "concordance/lines/line_sections.h"
#include "concordance/run/sampling.h"
#include "model/reading/chosen_texts.h"
#include "model/reading/tag_handler.h"
#include "model/reading/text_reader.h"
#include "model/reading/worker_tag_handler.h"  // the tag handler each worker reads with
#include "platform/search/search_engine.h"
#include "platform/search/search_items.h"

// What every worker of a run reads and none writes.
struct TTextWorkerSetup {
  // The run's reading (snapshot, job token, question call-back). Required.
  TTextReadRun* run = nullptr;
  const TSearchWordItems* search_items = nullptr;        // required
  const TContextWordItems* context_items = nullptr;      // nullptr or empty: none
  const TExclusionWordItems* exclusion_items = nullptr;  // nullptr or empty: none
  TSearchTextOptions text_options;
  // Horizons in words to the left and right of the search word.
  int32_t context_left = 5, context_right = 5;  // context and exclusion words
  int32_t colloc_left = 5, colloc_right = 5;    // word positions a line keeps
  int32_t line_width = 1000;                    // characters a line keeps
  // The context-word blocker (TContextWordCheck::SetContextStop): 0 none.
  uint8_t context_stop = 0;
  // The only search item looked for (a request's item in its own texts); negative: every item.
  int32_t only_item = -1;
  uint64_t sampling_seed = 0;
  uint32_t sampling_range = 0;  // 0 or 1: every hit
  // Each worker makes its own tag handler: with this when given, else from the run's snapshot
  // (the user's tag lists, read from where the run left them).
  std::function<std::unique_ptr<TTextTagHandler>()> make_tag_handler;
  // What the lines report to; their texts go straight into its arena when it has one.
  TConcordanceLineOwner* line_owner = nullptr;
  bool keeping_log = false;                     // buffer log lines in the outcome
  // Told after each chunk of a text: the text's index, its bytes read so far, its size and its
  // running words so far. Called on whichever thread reads the text, so it may only store numbers.
  std::function<void(int32_t text_index, int64_t bytes_read, int64_t size, int32_t words)> chunk_done;
};

// The reader of one text for a concordance run.
class TLinzoraBufferProcessor : public TBufferProcessor {
 public:
  TLinzoraBufferProcessor(const TTextWorkerSetup& setup, TTextTagHandler* tags, const TChosenFileDetailsFullRec& chosen,
                          int32_t text_index, TTextOutcome& outcome);
  ~TLinzoraBufferProcessor() override;

  bool SetupTheBuffer() override;
  // Notes that the chunk is prepared (the last step of its pre-processing).
  bool OKToProcess() override;
  bool ProcessAChunkOfFile(int32_t chunk_index) override;
  void HandleTextStatsAtEndOfBuffer(int32_t buffer_number, int32_t buffer_count) override;

  // The engine's call-backs.
  bool DoSearchFound(TSearchAndDoEngine& sender, TSearchFound_Rec& found);
  void DoWordCount(TSearchAndDoEngine& sender, TSearchStatsRec& stats);

  int32_t WordsOfText() const { return text_stats_.words_in_chunk; }
  // The stop state seen at the latest chunk (0 none, 1 finish the text, 2 stop now).
  uint8_t StopStateSeen() const { return stop_seen_; }
  // The stop state now (the run's job token, else the program's).
  uint8_t StopStateNow() const { return StopState(); }
  int32_t LastChunkSearched() const { return last_chunk_; }

  // --- widening one line: set before reading; the window is then the text's only chunk.
  enum class TGrowResult : uint8_t { NotRead, Made, HitNotFound, WindowTooNarrow };
  // The line whose window is re-read; its hit lies at its byte_position.
  void SetLineToGrow(TConcordanceEntry* line) { grow_line_ = line; }
  TGrowResult GrowResult() const { return grow_result_; }
  // Whether the remade line's window runs over the text's start, and over its end.
  std::array<bool, 2> GrowEdges() const { return grow_edges_; }

 private:
  // The grow request's chunk: find the hit by its byte and remake the line around it.
  bool GrowTheLine();
  // The chunk as a line cut reads it where the fast first pass judged it (its bytes and masks),
  // asking for nothing.
  TChunkView PlainChunkView() const;
  // The window of the line around the hit at `position` in a chunk the fast pass judged (half a
  // width before it), and whether it is plain: no hidden tag, nothing beyond ASCII.
  struct TLineWindow {
    int32_t at = -1;  // the hit's position
    int32_t from = 0, to = 0;
    bool plain = false;
  };
  // The last window worked out (the next hit's is asked for before its line is made), dropped
  // with each chunk.
  TLineWindow LineWindowAt(int32_t position);
  TLineWindow last_window_;
  TPlainWindows plain_windows_;  // forgotten with each chunk, as last_window_
  // Sets the view's plain range to that of a plain window (the whole chunk where all of it is
  // plain ASCII), its bytes (where given) from the range's first character.
  void SetPlainRange(TChunkView& view, const TLineWindow& window) const;
  // Text, midpoint, word positions, tags and section of `line` from the cutter's current cut.
  void FillLineFromCut(TConcordanceEntry& line, const TSearch_word_format_rec* item);
  // Stores the cut's text as a new line's, in the owner's arena.
  void KeepNewLineText(TConcordanceEntry& line);
  // For each kind of unit that ended (stats.unit_length above 0): every open candidate of the
  // unit of that number gets its length, and is then closed for that kind.
  void TextUnitsEnded(const TSearchStatsRec& stats);
  // Makes room in the outcome for the lines the rest of the text will likely give, at the rate
  // of the bytes read so far.
  void ReserveForTheRestOfTheText(int64_t bytes_read, int64_t size);
  // Notes the units of the line just made (its statistics s) whose ends are still to come.
  void NoteOpenUnits(int32_t line_index, const TLineUnitStats& s);
  // Jump mode: the line just made reached the lowest jump position; the next one above
  // `reached` becomes the lowest, and with none left the text gives no more hits.
  void MoveToNextJumpPosition(int64_t reached);
  // Tells the engine which kinds of unit end some candidate waits on.
  void TellUnitEndsWanted();
  // The section or heading a hit lies in: its text, distance and tag number (0 none).
  int32_t FindSectionHeading(TConcordanceEntry& line, int64_t byte_position);
  void AddTagPositions(TConcordanceEntry& line);
  void KeepTailForNextLine();
  void LogLine(UString text);

  const TTextWorkerSetup& setup_;
  TTextOutcome& outcome_;
  int32_t text_index_;
  TSearchWordItems items_;
  TSearchAndDoEngine engine_;
  std::unique_ptr<TContextWordCheck> context_;
  TLineCutter cutter_;
  std::vector<TLineTagPlace> line_tags_;
  TLineSpanPair span_;
  TSearchStatsRec text_stats_{};
  int32_t words_before_chunk_ = 0;
  int32_t chunk_ = 0;
  int32_t item_ = 0;
  int32_t hit_in_pass_ = 0;
  uint8_t stop_seen_ = 0;
  int32_t last_chunk_ = -1;
  bool prepared_ = false;  // the current chunk's pre-processing is done
  bool known_tag_met_ = false;
  // Candidates whose unit of each kind has not ended yet (indexes into outcome_.lines; a text
  // with no unit ends holds every line here until its end, so an index is all that is kept).
  std::vector<int32_t> open_[kUnitKinds];
  // The previous chunk's last characters (up to a line's width), with their kinds.
  UString tail_text_;
  std::vector<uint16_t> tail_kinds_;
  UString before_text_;
  std::vector<uint16_t> before_kinds_;
  TLineWordPosition positions_[kSpanPositions];
  uint8_t barriers_[kSpanPositions] = {};  // the context stop's view of positions_
  bool section_found_ = false;  // the latest FindSectionHeading met a section or heading
  TConcordanceEntry* grow_line_ = nullptr;
  TGrowResult grow_result_ = TGrowResult::NotRead;
  std::array<bool, 2> grow_edges_{};
  // Where the new lines' texts are written: stretches of the owner's arena, when it has one.
  std::optional<TLineTextArena::TLease> lease_;
  // The bytes that lines of a byte a character share (in the same arena), and where the last
  // line kept there or among the UTF-16 units was cut: its chunk, item pass and window end (-1:
  // none yet).
  std::optional<TSharedLineBytes> shared_;
  std::optional<TSharedLineBytes> shared_wide_;  // the same for lines kept in UTF-16 units
  int32_t shared_chunk_ = -1;
  int32_t shared_item_ = -1;
  int32_t shared_window_end_ = -1;
  bool shared_last_wide_ = false;  // the last line was kept among the UTF-16 units
};

// Reads one text of a run (text_index: its place among the run's chosen texts) into its
// candidate lines. Never throws: a failure is told in the outcome. With a source, the text's
// bytes are read from it (the text as read once before) instead of from the chosen file.
TTextOutcome ReadTextForConcordance(const TTextWorkerSetup& setup, const TChosenFileDetailsFullRec& chosen,
                                    int32_t text_index, TStream* source = nullptr);

// The concordance list's window reader (its widening hook): re-reads the line's text, found
// through text_of_file (the chosen text of a 1-based source-file number), around the line's hit
// and remakes the line at the width asked, the window placed by the byte map. The setup is copied; what its pointers name (the run, the
// items) must outlive the reader. False, the line unchanged, when the text cannot be opened or
// no longer holds a character at the line's byte; at_edge gets whether the remade line reaches
// the text's start and its end.
TLineWindowReader MakeLineWindowReader(const TTextWorkerSetup& setup,
                                       std::function<TChosenFileDetailsFullRec(int32_t file_num)> text_of_file);
