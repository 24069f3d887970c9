// A concordance run over the chosen texts: text workers on N threads, one committer on the
// calling thread, the same road for one core (N = 1: the worker is called inline).
//
// Per run
//   - RunConcordance takes the run's settings, a worker (text index -> TTextOutcome, safe to call
//     from several threads at once), the sink that receives accepted lines (the concordance list),
//     the job token and the user's filter (may be nullptr or inactive).
//   - Nothing is read when the list already holds enough lines (count >= items x lines wanted).
//   - Workers take texts in order and run ahead of the committer within a window bounded by
//     memory: a worker starts text k only while k lies fewer than texts_ahead texts past the
//     oldest uncommitted one and the lines of texts read but not yet committed take fewer than
//     pending_bytes_budget bytes (each line counted as its text as kept, plus the entry).
//     The oldest uncommitted text is always either being read or done, so the run never waits on
//     itself; a worker descheduled on a busy machine holds the others back only once the window
//     is full. Before a worker starts text k it looks at the token: a stop ends the run before k
//     (k is not read).
//   - The run ends after the text that reached the list's limit, after a text that failed (when
//     failures end the run), or at the first text whose worker saw a stop; a text whose worker
//     saw it before the text's first chunk was not read, and the run ends before that text. Outcomes of texts past
//     the end are dropped: their lines never reach the sink, their logs are not written.
//   - Workers never touch progress, the log, the sink or the filter; the committer alone does, so
//     what these see is the same whatever N is.
//
// Per text (in text order, on the calling thread)
//   - The worker's log lines are written in order, then its candidates are judged (below). A
//     text that failed (it could not be read to its end, or changed while it was read) has its
//     candidates dropped unjudged: it gives no line, whatever N is.
//   - A worker that saw a stop after chunk c keeps the lines of chunks 0..c (what one core had
//     made when it stopped there); the run ends after the text. A stop of state 1 (finish the
//     text) lets the worker read to the end, so all its lines are judged.
//   - Afterwards: the text's outcome (lines made, words, kind and wanted bytes, file number,
//     failure) is kept, progress moves on (done = texts committed, total = texts chosen), and the
//     token is polled.
//   - The text's lines get the number its source-file entry has: first_file_number plus the
//     number of earlier texts of the run that gave lines (a text without lines leaves no entry).
//
// Per chunk, per item, per line (candidates arrive in one-core order: chunk, item, hit)
//   - An item whose instances_to_find (> 0) accepted lines this text were made is not offered
//     further hits in the text.
//   - An item whose line count had reached the lines wanted when its pass over the chunk began is
//     skipped for the chunk.
//   - A hit is ignored while the list holds enough lines.
//   - Word gap (gap >= 0): the last line's word number is forgotten at the start of each item's
//     pass over a chunk; a hit within the gap after the item's last line of the pass is dropped.
//   - The user's filter decides (an exception counts as a refusal).
//   - A hit that would take its item beyond the lines wanted is refused and marks
//     sw_limit_reached; otherwise the line is made: it counts for its item (counters count lines
//     made, nothing else), takes the file number, and the Set column gets the item's word when
//     the run has more than one item or does the items one at a time.
//   - After the pass of item i > 0 over a chunk (gap on), its lines within the gap after a line of
//     an earlier item of the same chunk are removed, and the counts they added are taken back.
//   - A chunk's lines reach the sink together when the chunk is judged (the list's count as the
//     limit sees it includes them before that).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "concordance/lines/candidate_lines.h"
#include "concordance/lines/concordance_line.h"
#include "model/documents/work_derived.h"
#include "platform/rtl/ustring.h"
#include "platform/runtime/job_token.h"

class TUserLineFilter;

// What the run hands its accepted lines to (the concordance list; tests fake it).
class TConcordanceLineSink {
 public:
  virtual ~TConcordanceLineSink() = default;
  // Lines the list holds (those of earlier runs included): the limit is judged on it.
  virtual int64_t Count() const = 0;
  // Takes the line and answers its index in the list.
  virtual int64_t Add(std::unique_ptr<TConcordanceEntry> line) = 0;
  // At most this many lines come next (a text's candidates): room for them may be made at once.
  virtual void Expect(int64_t lines) {}
};

struct TTextRunOutcome;

// The default window per worker. Small texts take a fraction of a millisecond each: with a few
// texts a worker, a committer held off its core for one time slice on a busy machine left every
// worker waiting, and so did a worker held off in the middle of the oldest text (eight workers
// read 512 mail-sized texts in under 3 ms, a slice on a busy machine is longer: they waited a
// third of their time). 256 a worker cover some 10 ms; the byte budget still bounds the lines
// held, and a slot takes about 200 bytes.
inline constexpr int32_t kTextsAheadPerWorker = 256;

struct TConcordanceRunSettings {
  int32_t text_count = 0;              // texts chosen; worker indexes run 0 .. text_count - 1
  int32_t lines_wanted_per_item = 0;   // lines wanted per search word
  int32_t item_count = 0;              // the searches planned (the limit is item_count x wanted)
  std::vector<int32_t> instances_to_find;  // per item; <= 0 or absent: no limit
  std::vector<UString> item_words;     // per item: the word the Set column shows
  int32_t allowed_word_gap = -1;       // in words; the gap rule is on when >= 0
  bool one_item_at_a_time = false;     // the items are run one at a time (the Set column is filled)
  bool failure_ends_run = true;        // a text that cannot be read ends the run
  int32_t threads = 1;                 // 1: the worker runs inline on the calling thread
  // How far workers may read ahead of the committer (threads > 1 only): at most texts_ahead texts
  // (<= 0: kTextsAheadPerWorker per thread) while the uncommitted lines take fewer than
  // pending_bytes_budget bytes.
  int32_t texts_ahead = 0;
  int64_t pending_bytes_budget = int64_t{256} << 20;
  int32_t first_file_number = 1;       // the source-file number the run's first text with lines gets
  uint32_t lcid = 0x0409;              // handed to the user's filter
  // The text's full name, for the user's filter; may be empty.
  std::function<UString(int32_t text_index)> text_name;
  // Where the workers' log lines go; empty: the program's log.
  std::function<void(UStringView line)> log;
  // Told of each text as soon as it is judged, on the calling thread and in text order (the
  // outcomes the result lists at the end), so that the caller records it while the workers read
  // on; may be empty.
  std::function<void(const TTextRunOutcome& text)> text_judged;
};

// How one text went, as the document stores it.
struct TTextRunOutcome {
  int32_t text_index = 0;
  bool read_ok = false;
  UString failure;
  int32_t lines = 0;        // lines of the text in the list at the end of the run
  int32_t words = 0;
  int32_t chunks = 0;
  int32_t file_number = 0;  // its source-file number; 0 when it gave no lines
  uint8_t kind = 1;         // 1 plain 8-bit text, 4 UTF-16, 32 taken from a zip
  uint8_t wanted = 1;       // 1 read, 2 the reader found it unusable (excluded)
  TAllFileHandledInfo handled{};  // how the reader took the text (mark-up, zip, UTF-16, UTF-8 ...)
  TTextFingerprint fingerprint{};  // as the worker found it after reading the text
  bool operator==(const TTextRunOutcome&) const = default;
};

enum class TRunEnd : uint8_t { AllTexts, Limit, Failure, Stop };

struct TConcordanceRunResult {
  std::vector<TTextRunOutcome> texts;  // texts processed, in order
  std::vector<int32_t> sws_found_counter;  // per item: lines made in the run
  bool sw_limit_reached = false;       // some item was refused a line for having enough
  bool all_read = true;                // no text failed
  TRunEnd end = TRunEnd::AllTexts;
  // A stop: its state, the last text read and committed (-1: none) and the chunk after which its
  // lines end (-1: the whole text). Texts after it were not read.
  TStopState stop_state = TStopState::None;
  int32_t stop_text = -1;
  int32_t stop_chunk = -1;
  int64_t running_words = 0;
  int32_t filter_refusals = 0;
  int32_t lines_removed_by_gap = 0;
  int32_t workers = 1;  // the threads that read the texts (1: inline on the calling thread)
  // Times an idle worker was woken while the run went on: at most one for each text committed.
  int64_t worker_wakeups = 0;
  // Where a threaded run's time went beside reading (for benchmarks and profiles): seconds the
  // workers waited for a text they could start (summed over workers), seconds the committer
  // waited for the next text, and seconds from the last text handed to a worker to the end of
  // the run (its tail). All 0 on one worker.
  double worker_wait_seconds = 0;
  double committer_wait_seconds = 0;
  double tail_seconds = 0;
};

using TTextWorker = std::function<TTextOutcome(int32_t text_index)>;

// What a text's candidate lines hold while they wait for the committer: their texts as kept
// (a byte or two a character) and their entries.
int64_t PendingLineBytes(const TTextOutcome& text);

// The limit test: enough lines once count >= items x wanted (64-bit, exact).
bool ConcordanceLimitReached(int64_t count, int32_t item_count, int32_t lines_wanted_per_item);

TConcordanceRunResult RunConcordance(const TConcordanceRunSettings& settings, const TTextWorker& worker,
                                     TConcordanceLineSink& sink, TJobToken& token,
                                     const TUserLineFilter* filter = nullptr);
