// What reading one text gives a concordance run, between the text's worker and the run's
// committer.
//
// A worker reads one text with its own reader, tag handler, engines and item copies, and makes
// the lines its hits could become, in the order one core makes them (chunk, then item, then hit),
// settling everything that depends on the text alone: the line's text, positions, tags, section,
// unit numbers and lengths, the context and exclusion verdicts and the sampling draw (hits that
// fail those never become candidates). It never touches the document, asks no question and
// writes nothing shared.
//
// The committer, on the run's own thread, takes the texts' outcomes in text order and applies
// what depends on the run as one core would: the list's limits, the lines wanted per search word,
// instances_to_find, the word gap (last_hit_word_num and the removal of close lines of later
// items), the user's filter, file numbers, the Set column, counters, progress and the log lines
// each worker buffered. One core is the same code with the worker run inline.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "concordance/lines/concordance_line.h"
#include "model/reading/text_reader.h"
#include "platform/rtl/ustring.h"

// One line a hit could become.
struct TCandidateLine {
  std::unique_ptr<TConcordanceEntry> line;  // Data().sw_number is the item, word_num the hit's word
  int32_t chunk = 0;                         // chunk index within the text
  int32_t item = 0;                          // search item
  int32_t hit = 0;                           // the hit's number in its item's pass over the chunk
  // Per unit kind (sentence, paragraph, heading, section): the chunk whose reading ended the
  // line's unit and set its length in a later chunk than the line's own; -1 otherwise. A run
  // stopped before that chunk never saw the end, so the committer takes the length back out.
  int32_t unit_closed_in_chunk[kUnitKinds] = {-1, -1, -1, -1};
};

// How one text went.
struct TTextOutcome {
  int32_t text_index = 0;   // the text's place in the run's chosen texts
  bool read_ok = false;     // false: the text could not be read (the run goes on or ends as set)
  UString failure;          // why, naming the text and where
  int32_t words = 0;        // words counted in the text
  int32_t chunks = 0;       // chunks read
  // The stop state the worker saw and the chunk after which it stopped reading (-1: read whole).
  uint8_t stop_state = 0;
  int32_t stopped_after_chunk = -1;
  // A stop came before the text's first chunk was searched: the text was not read at all (it is
  // neither a text with lines nor one without, and its run ends before it).
  bool not_read = false;
  TFileHandledRec handled{};          // what the reader found (encoding, size, selection)
  TTextFingerprint fingerprint{};     // of a text with lines, taken after its reading
  std::vector<TCandidateLine> lines;  // in one-core order
  std::vector<UString> log_lines;     // the worker's log lines, written by the committer in order
};
