#include "concordance/run/concordance_run.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "concordance/run/user_filter.h"
#include "platform/search/search_engine.h"
#include "platform/runtime/vx_runtime.h"

bool ConcordanceLimitReached(int64_t count, int32_t item_count, int32_t lines_wanted_per_item) {
  const int64_t wanted = static_cast<int64_t>(std::max(item_count, 0)) * std::max(lines_wanted_per_item, 0);
  return count >= wanted;
}

int64_t PendingLineBytes(const TTextOutcome& text) {
  int64_t bytes = 0;
  for (const TCandidateLine& c : text.lines)
    bytes += static_cast<int64_t>(sizeof(TCandidateLine)) +
             (c.line ? static_cast<int64_t>(sizeof(TConcordanceEntry)) + static_cast<int64_t>(c.line->Text().StoredBytes())
                     : 0);
  return bytes;
}

namespace {

// Applies, text by text in order, everything that depends on the run rather than on one text.
class TRunCommitter {
 public:
  TRunCommitter(const TConcordanceRunSettings& settings, TConcordanceLineSink& sink, TJobToken& token,
                const TUserLineFilter* filter)
      : settings_(settings), sink_(sink), token_(token), filter_(filter && filter->Active() ? filter : nullptr) {
    result_.sws_found_counter.assign(static_cast<size_t>(std::max(settings.item_count, 0)), 0);
    result_.texts.reserve(static_cast<size_t>(std::max(settings.text_count, 0)));
    token_.SetTotal(settings.text_count);
  }

  bool LimitReached() const {
    return ConcordanceLimitReached(sink_.Count() + static_cast<int64_t>(pending_.size()), settings_.item_count,
                                   settings_.lines_wanted_per_item);
  }

  // Judges one text; false when the run ends with it.
  bool Commit(TTextOutcome&& text);

  // The run ended before text_index was read, on a stop seen before it started.
  void StoppedBefore(int32_t text_index, TStopState state) {
    result_.end = TRunEnd::Stop;
    result_.stop_state = state;
    result_.stop_text = text_index - 1;
    result_.stop_chunk = -1;
  }
  void SetEnd(TRunEnd end) { result_.end = end; }
  void SetWorkers(int32_t workers) { result_.workers = workers; }
  void SetWorkerWakeups(int64_t n) { result_.worker_wakeups = n; }
  void SetWaits(double workers, double committer, double tail) {
    result_.worker_wait_seconds = workers;
    result_.committer_wait_seconds = committer;
    result_.tail_seconds = tail;
  }
  TConcordanceRunResult Take() {
    token_.Flush();
    return std::move(result_);
  }

 private:
  struct TPending {
    std::unique_ptr<TConcordanceEntry> line;
    int32_t item;
    int32_t word_num;
  };

  void Log(UStringView line) const {
    if (settings_.log)
      settings_.log(line);
    else
      AddToLogFile(line);
  }
  int32_t InstancesWanted(int32_t item) const {
    return static_cast<size_t>(item) < settings_.instances_to_find.size() ? settings_.instances_to_find[item] : 0;
  }
  void EndItemPass();
  void FlushChunk();

  const TConcordanceRunSettings& settings_;
  TConcordanceLineSink& sink_;
  TJobToken& token_;
  const TUserLineFilter* filter_;
  TConcordanceRunResult result_;
  int32_t texts_with_lines_ = 0;
  int32_t texts_committed_ = 0;

  // The text being judged.
  std::vector<TPending> pending_;  // the current chunk's lines, in list order
  std::vector<int32_t> text_lines_per_item_;
  int32_t text_lines_ = 0;
  int32_t pass_item_ = -1;       // item of the current pass, -1 before the first
  size_t pass_first_ = 0;        // the pass's first line in pending_
  int32_t last_hit_word_num_ = -1000;
  bool pass_skipped_ = false;
};

bool TRunCommitter::Commit(TTextOutcome&& text) {
  // A text stopped before its first chunk was not read: the run ends before it, as when the stop
  // came before its worker began.
  if (text.not_read) {
    StoppedBefore(text.text_index, static_cast<TStopState>(std::clamp<uint8_t>(text.stop_state, 1, 2)));
    return false;
  }
  for (const UString& line : text.log_lines) Log(line);
  // A text that could not be read to its end as it was when its reading began keeps no line:
  // its lines may hold bytes that are no longer, or never were, the text's.
  if (!text.read_ok) text.lines.clear();
  {
    // The list need make room for no more than the run may still take.
    const int64_t room = static_cast<int64_t>(std::max(settings_.item_count, 0)) *
                             std::max(settings_.lines_wanted_per_item, 0) - sink_.Count();
    sink_.Expect(std::min(static_cast<int64_t>(text.lines.size()), room));
  }

  const int32_t item_count = static_cast<int32_t>(result_.sws_found_counter.size());
  const int32_t file_number = settings_.first_file_number + texts_with_lines_;
  const int32_t wanted = settings_.lines_wanted_per_item;
  const bool gap_on = settings_.allowed_word_gap >= 0;
  const bool set_column = settings_.item_count > 1 || settings_.one_item_at_a_time;
  // A worker that stopped after chunk c read nothing beyond it; lines said to lie beyond it
  // would not exist on one core.
  const int32_t last_chunk_kept =
      text.stop_state != 0 && text.stopped_after_chunk >= 0 ? text.stopped_after_chunk : INT32_MAX;
  UString file_name;
  if (filter_ && settings_.text_name) file_name = settings_.text_name(text.text_index);

  text_lines_per_item_.assign(static_cast<size_t>(item_count), 0);
  text_lines_ = 0;
  pending_.clear();
  pass_item_ = -1;
  int32_t chunk = INT32_MIN;
  // The lines were made a whole text ago and have left the cache: each is asked for a few
  // candidates before it is judged (its numbers, its owner and the list's fields of it).
  constexpr size_t kAhead = 8;
  const size_t candidates = text.lines.size();
  for (TCandidateLine& candidate : text.lines) {
    if (const size_t ahead = static_cast<size_t>(&candidate - text.lines.data()) + kAhead; ahead < candidates) {
      if (const char* at = reinterpret_cast<const char*>(text.lines[ahead].line.get()))
        for (size_t b = 0; b < sizeof(TConcordanceEntry) + 63; b += 64)
          __builtin_prefetch(at + std::min(b, sizeof(TConcordanceEntry) - 1), 1, 3);
    }
    if (!candidate.line || candidate.item < 0 || candidate.item >= item_count) {
      Yikes(u"concordance run: a candidate line without a line or with an unknown item");
      continue;
    }
    if (candidate.chunk > last_chunk_kept) break;
    // Units that ended only in chunks the stopped run never read stay open, as on one core.
    if (last_chunk_kept != INT32_MAX) {
      TLineUnitStats units = candidate.line->UnitStats();
      bool reopened = false;
      for (int k = 0; k < kUnitKinds; ++k) {
        if (candidate.unit_closed_in_chunk[k] <= last_chunk_kept) continue;
        units.unit_length[k] = 0;
        reopened = true;
      }
      if (reopened) candidate.line->SetUnitStats(units);
    }
    if (candidate.chunk != chunk) {
      EndItemPass();
      FlushChunk();
      chunk = candidate.chunk;
    }
    const int32_t item = candidate.item;
    if (item != pass_item_) {
      EndItemPass();
      pass_item_ = item;
      pass_first_ = pending_.size();
      last_hit_word_num_ = -1000;
      pass_skipped_ = result_.sws_found_counter[item] >= wanted;
    }
    // The engine offers no further hits of an item that has its instances in this text.
    const int32_t instances = InstancesWanted(item);
    if (instances > 0 && text_lines_per_item_[item] >= instances) continue;
    if (pass_skipped_) continue;
    if (LimitReached()) continue;
    TConcordanceEntry& line = *candidate.line;
    const int32_t word_num = line.Data().word_num;
    // A line of a jump position has no word number (0): no gap to keep from it.
    if (gap_on && word_num > 0 && last_hit_word_num_ > 0 &&
        static_cast<int64_t>(word_num) - last_hit_word_num_ <= settings_.allowed_word_gap)
      continue;
    if (filter_ && !filter_->Keep(TLineTextWide(line.Text()), line.Data().midpoint, line.Data().hit_characters,
                                  line.Data().byte_position, settings_.lcid, file_name)) {
      ++result_.filter_refusals;
      continue;
    }
    if (result_.sws_found_counter[item] >= wanted) {
      result_.sw_limit_reached = true;
      continue;
    }
    last_hit_word_num_ = word_num;
    ++result_.sws_found_counter[item];
    ++text_lines_per_item_[item];
    line.Data().sw_number = item;
    line.Data().filename_num_original = file_number;
    if (set_column && static_cast<size_t>(item) < settings_.item_words.size())
      line.SetAWordAsString(2, settings_.item_words[item]);
    pending_.push_back({std::move(candidate.line), item, word_num});
  }
  EndItemPass();
  FlushChunk();
  text.lines.clear();

  TTextRunOutcome outcome;
  outcome.text_index = text.text_index;
  outcome.read_ok = text.read_ok;
  outcome.failure = std::move(text.failure);
  outcome.lines = text_lines_;
  outcome.words = text.words;
  outcome.chunks = text.chunks;
  outcome.file_number = text_lines_ > 0 ? file_number : 0;
  outcome.kind = text.handled.is_zipped ? 32 : text.handled.is_unicode ? 4 : 1;
  outcome.wanted = text.handled.excluded ? 2 : 1;
  CopyFileHandledInfo(text.handled, outcome.handled);
  outcome.fingerprint = text.fingerprint;
  if (text_lines_ > 0) ++texts_with_lines_;
  if (text.read_ok) result_.running_words += text.words;
  result_.texts.push_back(std::move(outcome));
  if (settings_.text_judged) settings_.text_judged(result_.texts.back());

  token_.SetDone(++texts_committed_);
  token_.Poll();

  if (text.stop_state != 0) {
    result_.end = TRunEnd::Stop;
    result_.stop_state = static_cast<TStopState>(std::min<uint8_t>(text.stop_state, 2));
    result_.stop_text = text.text_index;
    result_.stop_chunk = last_chunk_kept == INT32_MAX ? -1 : last_chunk_kept;
    if (!text.read_ok) result_.all_read = false;
    return false;
  }
  if (!text.read_ok) {
    result_.all_read = false;
    if (settings_.failure_ends_run) {
      result_.end = TRunEnd::Failure;
      return false;
    }
  }
  return true;
}

// Lines of a later item within the gap after a line of an earlier item of the same chunk go.
void TRunCommitter::EndItemPass() {
  if (pass_item_ <= 0 || settings_.allowed_word_gap < 0 || pass_first_ == 0) return;
  const int64_t gap = settings_.allowed_word_gap;
  size_t kept = pass_first_;
  for (size_t n = pass_first_; n < pending_.size(); ++n) {
    bool close = false;
    for (size_t e = 0; e < pass_first_ && !close && pending_[n].word_num > 0; ++e) {
      if (pending_[e].word_num <= 0) continue;
      const int64_t d = static_cast<int64_t>(pending_[n].word_num) - pending_[e].word_num;
      close = d >= 0 && d <= gap;
    }
    if (close) {
      --result_.sws_found_counter[pending_[n].item];
      --text_lines_per_item_[pending_[n].item];
      ++result_.lines_removed_by_gap;
    } else {
      if (kept != n) pending_[kept] = std::move(pending_[n]);
      ++kept;
    }
  }
  pending_.resize(kept);
  pass_item_ = -1;
}

void TRunCommitter::FlushChunk() {
  for (TPending& p : pending_) sink_.Add(std::move(p.line));
  text_lines_ += static_cast<int32_t>(pending_.size());
  pending_.clear();
  pass_item_ = -1;
}

TTextOutcome CallWorker(const TTextWorker& worker, int32_t text_index) {
  TTextOutcome outcome;
  try {
    outcome = worker(text_index);
  } catch (const std::exception& e) {
    outcome = TTextOutcome{};
    outcome.failure = u"text " + Utf8ToUtf16(std::to_string(text_index)) + u": " + Utf8ToUtf16(e.what());
  } catch (...) {
    outcome = TTextOutcome{};
    outcome.failure = u"text " + Utf8ToUtf16(std::to_string(text_index)) + u": unknown failure";
  }
  outcome.text_index = text_index;
  return outcome;
}

void RunInline(const TConcordanceRunSettings& settings, const TTextWorker& worker, TRunCommitter& committer,
               TJobToken& token) {
  // The lines are made on this thread, as on a worker's: their slots are taken a batch at a time.
  const TConcordanceEntry::TSlotsOfThisThread slots;
  for (int32_t k = 0; k < settings.text_count; ++k) {
    if (committer.LimitReached()) return committer.SetEnd(TRunEnd::Limit);
    const TStopState stop = token.Stop();
    if (stop != TStopState::None) return committer.StoppedBefore(k, stop);
    if (!committer.Commit(CallWorker(worker, k))) return;
  }
}

// Workers fill a ring of texts_ahead slots, within the byte budget; the committer empties it in
// text order.
class TWorkerPool {
 public:
  TWorkerPool(const TConcordanceRunSettings& settings, const TTextWorker& worker, TJobToken& token, int32_t threads)
      : settings_(settings),
        worker_(worker),
        token_(token),
        window_(settings.texts_ahead > 0 ? settings.texts_ahead : kTextsAheadPerWorker * threads),
        budget_(settings.pending_bytes_budget),
        slots_(static_cast<size_t>(window_)),
        threads_count_(threads) {
    for (int32_t i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
  }
  ~TWorkerPool() { Finish(); }

  struct TSlot {
    bool ready = false;
    bool not_started = false;  // a stop was seen before the text began
    TStopState stop = TStopState::None;
    int64_t bytes = 0;         // its lines' share of the budget
    TTextOutcome outcome;
  };

  // Waits for text k (polling the token meanwhile, which keeps the windows alive) and frees its
  // slot for a text further on. Idle workers are woken for the texts that may now start (a worker
  // that finishes its text meanwhile may take one first; one woken for nothing waits again), but
  // not for every slot freed: while many texts are started ahead of this one, they are woken
  // once a quarter of the window may start, so that a committer slower than the workers does not
  // pay a wake for every small text. Once few texts are started ahead, or when the lines waiting
  // hold the workers back, each freed slot wakes one.
  TSlot Take(int32_t k) {
    std::unique_lock lock(mutex_);
    TSlot& slot = slots_[static_cast<size_t>(k % window_)];
    const TClock::time_point wait_from = slot.ready ? TClock::time_point{} : TClock::now();
    while (!slot.ready) {
      waiting_for_ = k;
      if (!ready_cv_.wait_for(lock, std::chrono::milliseconds(TJobToken::kProgressIntervalMs),
                              [&] { return slot.ready; })) {
        lock.unlock();
        token_.Poll();
        lock.lock();
      }
    }
    waiting_for_ = -1;
    if (wait_from != TClock::time_point{}) committer_wait_ += TClock::now() - wait_from;
    TSlot taken = std::move(slot);
    slot = TSlot{};
    next_to_commit_ = k + 1;
    pending_bytes_ -= taken.bytes;
    const int32_t startable = idle_ > 0 && !Exhausted() ? Startable() : 0;
    // Held back by the budget (where how many may start is not known) or running low: one.
    const bool one_at_a_time = next_text_ - next_to_commit_ <= threads_count_ || pending_bytes_ >= budget_ / 2;
    int32_t wake = 0;
    if (startable > 0 && one_at_a_time) wake = 1;
    else if (startable >= std::max(1, window_ / 4)) wake = std::min(startable, idle_);
    const bool all = wake > 1 && wake == idle_;
    lock.unlock();
    if (all) work_cv_.notify_all();
    else
      for (int32_t w = 0; w < wake; ++w) work_cv_.notify_one();
    return taken;
  }

  // Ends the workers (the texts they read are dropped) and answers how often one of them was
  // woken while the run went on.
  int64_t Finish() {
    {
      std::lock_guard lock(mutex_);
      finished_ = true;
    }
    work_cv_.notify_all();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
    if (last_handed_out_ != TClock::time_point{}) tail_ = TClock::now() - last_handed_out_;
    return wakeups_;
  }

  double WorkerWaitSeconds() const { return Seconds(worker_wait_); }
  double CommitterWaitSeconds() const { return Seconds(committer_wait_); }
  double TailSeconds() const { return Seconds(tail_); }

 private:
  void Work() {
    const TConcordanceEntry::TSlotsOfThisThread slots;
    for (;;) {
      int32_t k;
      {
        std::unique_lock lock(mutex_);
        while (!(finished_ || Exhausted() || Startable() > 0)) {
          ++idle_;
          const TClock::time_point from = TClock::now();
          work_cv_.wait(lock);
          worker_wait_ += TClock::now() - from;
          --idle_;
          if (!finished_) ++wakeups_;
        }
        if (finished_ || Exhausted()) return;
        k = next_text_++;
        if (Exhausted()) last_handed_out_ = TClock::now();
      }
      TSlot slot;
      const TStopState stop = token_.Stop();
      if (stop != TStopState::None) {
        slot.not_started = true;
        slot.stop = stop;
      } else {
        slot.outcome = CallWorker(worker_, k);
        slot.bytes = PendingLineBytes(slot.outcome);
      }
      slot.ready = true;
      bool wanted = false;
      {
        std::lock_guard lock(mutex_);
        if (slot.not_started) stop_before_ = std::min(stop_before_, k);
        if (!finished_) {
          pending_bytes_ += slot.bytes;
          slots_[static_cast<size_t>(k % window_)] = std::move(slot);
        }
        wanted = waiting_for_ == k;
      }
      // The committer waits for one text at a time; it looks again each interval anyway.
      if (wanted) ready_cv_.notify_one();
    }
  }
  // Texts that may start now: as many as the window has room for while the lines waiting stay
  // under the budget, and always the oldest uncommitted one. Every text below next_text_ is
  // committed, being read or done, so with nothing pending the oldest one can always start and
  // the run never waits on itself.
  int32_t Startable() const {
    if (pending_bytes_ < budget_) return std::max(0, next_to_commit_ + window_ - next_text_);
    return next_text_ == next_to_commit_ ? 1 : 0;
  }
  bool Exhausted() const { return next_text_ >= settings_.text_count || next_text_ >= stop_before_; }

  using TClock = std::chrono::steady_clock;
  static double Seconds(TClock::duration d) { return std::chrono::duration<double>(d).count(); }

  const TConcordanceRunSettings& settings_;
  const TTextWorker& worker_;
  TJobToken& token_;
  const int32_t window_;
  const int64_t budget_;
  std::mutex mutex_;
  std::condition_variable work_cv_;
  std::condition_variable ready_cv_;
  std::vector<TSlot> slots_;
  std::vector<std::thread> threads_;
  const int32_t threads_count_;
  int32_t next_text_ = 0;
  int32_t next_to_commit_ = 0;
  int64_t pending_bytes_ = 0;  // lines of texts done and not yet taken
  int32_t stop_before_ = INT32_MAX;
  int32_t idle_ = 0;          // workers waiting for a text they may start
  int32_t waiting_for_ = -1;  // the text the committer waits for
  int64_t wakeups_ = 0;
  TClock::duration worker_wait_{};     // summed over workers
  TClock::duration committer_wait_{};  // touched by the committer alone
  TClock::duration tail_{};
  TClock::time_point last_handed_out_{};
  bool finished_ = false;
};

void RunThreaded(const TConcordanceRunSettings& settings, const TTextWorker& worker, TRunCommitter& committer,
                 TJobToken& token, int32_t threads) {
  TWorkerPool pool(settings, worker, token, threads);
  for (int32_t k = 0; k < settings.text_count; ++k) {
    if (committer.LimitReached()) {
      committer.SetEnd(TRunEnd::Limit);
      break;
    }
    TWorkerPool::TSlot slot = pool.Take(k);
    if (slot.not_started) {
      committer.StoppedBefore(k, slot.stop);
      break;
    }
    if (!committer.Commit(std::move(slot.outcome))) break;
  }
  committer.SetWorkerWakeups(pool.Finish());
  committer.SetWaits(pool.WorkerWaitSeconds(), pool.CommitterWaitSeconds(), pool.TailSeconds());
}

}  // namespace

TConcordanceRunResult RunConcordance(const TConcordanceRunSettings& settings, const TTextWorker& worker,
                                     TConcordanceLineSink& sink, TJobToken& token, const TUserLineFilter* filter) {
  TRunCommitter committer(settings, sink, token, filter);
  // The first figure is shown before any text, whichever road follows.
  token.Poll();
  const int32_t threads = std::min(std::max(settings.threads, 1), std::max(settings.text_count, 1));
  committer.SetWorkers(threads);
  if (committer.LimitReached()) {
    committer.SetEnd(TRunEnd::Limit);
  } else if (threads == 1) {
    RunInline(settings, worker, committer, token);
    // The texts' engines kept their word list for the next text on this thread; the run is over.
    TSearchAndDoEngine::FreeKeptWordList();
  } else {
    RunThreaded(settings, worker, committer, token, threads);
  }
  return committer.Take();
}
