#include "wordlist/index_building.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace {

// Batches waiting for the calling thread: per text, and for the texts read ahead together.
constexpr size_t kTextBatchBytes = size_t{24} << 20;
constexpr size_t kAheadBatchBytes = size_t{96} << 20;

}  // namespace

void TTokenBatch::TakeFrom(TTextWordCounts& text, bool all_tokens) {
  first_key = text.keys_handed_over;
  const int32_t types = text.counter.Types();
  for (int32_t k = text.keys_handed_over; k < types; ++k) {
    const TWordCounter::TKeyView v = text.counter.Key(k);
    key_units.insert(key_units.end(), v.tag.begin(), v.tag.end());
    key_units.insert(key_units.end(), v.word.begin(), v.word.end());
    keys.emplace_back(static_cast<uint32_t>(v.tag.size()), static_cast<uint32_t>(v.word.size()));
    hashes.push_back(text.counter.HashOfKey(k));
  }
  text.keys_handed_over = types;
  // The text's tokens change hands whole; the last one held back goes back alone.
  tokens.swap(text.tokens);
  text.tokens.clear();
  if (!all_tokens && !tokens.empty()) {
    text.tokens.push_back(tokens.back());
    tokens.pop_back();
  }
}

// --- the committer's side ------------------------------------------------------------------------

TIndexBuild::TIndexBuild() = default;
TIndexBuild::~TIndexBuild() = default;

bool TIndexBuild::Fail(const UString& why) {
  if (error_.empty()) error_ = why;
  return false;
}

bool TIndexBuild::Begin(const UString& tokens_name, TIndexFile* old_tokens, int32_t old_entries) {
  UString why;
  auto file = TIndexFile::CreateTemp(tokens_name, &why);
  if (!file) return Fail(why);
  // The head is written when the file is complete; until then the count says nothing is there.
  if (old_tokens && old_entries > 0 &&
      !file->CopyFrom(*old_tokens, kIndexDataStart, kIndexDataStart, 16 * int64_t{old_entries}))
    return Fail(file->Error());
  tokens_ = std::make_unique<TTokenFileStream>(nullptr, std::move(file));
  tokens_->StartAppending(old_tokens ? old_entries : 0);
  return true;
}

void TIndexBuild::TakeOldTypes(TIndexTypeTable&& table, std::vector<TIndexTypeFileRec>&& recs, int32_t texts) {
  types_ = std::move(table);
  hot_.clear();
  hot_.reserve(recs.size());
  // A text added later is new to every type of the old ones.
  for (const TIndexTypeFileRec& r : recs) hot_.push_back(THot{r.first_token_place, r.last_token_place, r.freq, r.n_texts, texts});
  texts_ = texts;
}

void TIndexBuild::StartText() {
  local_.clear();
  undo_.clear();
  text_first_token_ = Tokens();
  types_at_text_start_ = types_.Count();
}

bool TIndexBuild::AddBatch(const TTokenBatch& batch) {
  if (!tokens_ || !error_.empty()) return false;
  if (batch.first_key != static_cast<int32_t>(local_.size())) return Fail(u"index: words of a text out of order");
  const char16_t* at = batch.key_units.data();
  for (size_t k = 0; k < batch.keys.size(); ++k) {
    const auto [tag_units, word_units] = batch.keys[k];
    const UStringView tag(at, tag_units), word(at + tag_units, word_units);
    at += tag_units + word_units;
    const int32_t t = k < batch.hashes.size() ? types_.FindOrAdd(tag, word, batch.hashes[k]) : types_.FindOrAdd(tag, word);
    if (t == static_cast<int32_t>(hot_.size())) {
      if (static_cast<uint32_t>(t) > kMaxTypeNumber) return Fail(u"more word types than an index takes (268,435,454)");
      hot_.push_back(THot{-1, -1, 0, 0, -1});
    } else if (t < types_at_text_start_) {
      undo_.push_back(TUndo{t, hot_[static_cast<size_t>(t)]});
    }
    local_.push_back(t);
  }
  const int64_t first = Tokens();
  if (first + static_cast<int64_t>(batch.tokens.size()) > INT32_MAX)
    return Fail(u"more than 2,147,483,647 running words: too many for one index");
  const int32_t text = texts_ + 1;
  int64_t place = first;
  for (const TCountedToken& tok : batch.tokens) {
    const uint32_t key = tok.key_and_marks & kTokenTypeMask;
    if (key >= local_.size()) return Fail(u"index: a word of a text without its key");
    const int32_t t = local_[key];
    THot& h = hot_[static_cast<size_t>(t)];
    if (h.freq == 0) h.first = static_cast<int32_t>(place);
    if (h.last_text != text) {
      ++h.n_texts;
      h.last_text = text;
    }
    ++h.freq;
    h.last = static_cast<int32_t>(place);
    const TTokensFileRec rec{WithTextMarker(static_cast<uint32_t>(t), tok.key_and_marks >> 28), -1, text,
                             static_cast<int32_t>(tok.byte)};
    if (!tokens_->WriteAtEnd(rec)) return Fail(tokens_->File().Error());
    ++place;
  }
  return true;
}

bool TIndexBuild::EndText() {
  if (!tokens_ || !error_.empty()) return false;
  if (!tokens_->MakeLastEntryEOT(text_first_token_)) return Fail(tokens_->File().Error());
  ++texts_;
  undo_.clear();
  local_.clear();
  return true;
}

void TIndexBuild::DropText() {
  for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) hot_[static_cast<size_t>(it->type)] = it->hot;
  undo_.clear();
  hot_.resize(static_cast<size_t>(types_at_text_start_));
  types_.Truncate(types_at_text_start_);
  local_.clear();
  if (tokens_ && !tokens_->TruncateTo(text_first_token_)) Fail(tokens_->File().Error());
}

bool TIndexBuild::FinishTokens(const TIndexSettingsBlock& block) {
  if (!tokens_ || !error_.empty()) return false;
  if (!tokens_->LinkChains(static_cast<uint32_t>(types_.Count())) || !tokens_->Saved(block))
    return Fail(tokens_->File().Error());
  return true;
}

std::unique_ptr<TIndexFile> TIndexBuild::WriteTypes(const UString& types_name, const TTypeFileTail& tail) {
  UString why;
  auto file = TIndexFile::CreateTemp(types_name, &why);
  if (!file) {
    Fail(why);
    return nullptr;
  }
  TTypeFileStream types(nullptr, std::move(file));
  TIndexTypeFileRec r{};
  const bool ok = types.WriteAllData(
      types_.Count(),
      [&](int32_t i) -> const TIndexTypeFileRec& {
        const THot& h = hot_[static_cast<size_t>(i)];
        r = TIndexTypeFileRec{};
        r.first_token_place = h.first;
        r.last_token_place = h.last;
        r.word_type_num = static_cast<uint32_t>(i);
        r.last_running_word_count = h.last + 1;
        r.n_texts = h.n_texts;
        r.freq = h.freq;
        r.tag_units = types_.TagUnits(i);
        return r;
      },
      [this](int32_t i) { return types_.Text(i); }, tail);
  if (!ok) {
    Fail(types.File().Error().empty() ? u"could not write " + types_name : types.File().Error());
    return nullptr;
  }
  return types.ReleaseFile();
}

std::unique_ptr<TIndexFile> TIndexBuild::ReleaseTokens() {
  if (!tokens_) return nullptr;
  std::unique_ptr<TIndexFile> f = tokens_->ReleaseFile();
  tokens_.reset();
  return f;
}

// --- the run -----------------------------------------------------------------------------------

void RunTextsIntoIndexInOrder(int32_t count, int32_t threads, TWordCountSetup& setup,
                              const std::function<TTextWordCounts(int32_t)>& read,
                              const std::function<bool(int32_t, TTokenBatch&)>& batch,
                              const std::function<bool(int32_t, TTextWordCounts&)>& end) {
  const std::thread::id committer = std::this_thread::get_id();
  // A batch handed over on the calling thread (one worker, or a text read again) goes straight in.
  auto hand_over_here = [&](TTextWordCounts& text) {
    TTokenBatch b;
    b.TakeFrom(text, false);
    return batch(text.text_index, b);
  };
  if (threads <= 1 || count <= 1) {
    setup.hand_over_tokens = hand_over_here;
    for (int32_t k = 0; k < count; ++k) {
      TTextWordCounts r = read(k);
      if (!end(k, r)) break;
    }
    setup.hand_over_tokens = nullptr;
    return;
  }
  struct TSlot {
    std::deque<TTokenBatch> batches;
    std::optional<TTextWordCounts> answer;
    size_t bytes = 0;
  };
  std::vector<TSlot> slots(static_cast<size_t>(count));
  std::mutex m;
  std::condition_variable workers_wait, committer_waits;
  int32_t next = 0, current = 0;
  size_t ahead_bytes = 0;
  bool stop = false;
  const int32_t ahead = 2 * threads;
  setup.hand_over_tokens = [&](TTextWordCounts& text) {
    if (std::this_thread::get_id() == committer) return hand_over_here(text);
    TTokenBatch b;
    b.TakeFrom(text, false);
    const size_t bytes = b.Bytes();
    const int32_t k = text.text_index;
    std::unique_lock<std::mutex> lock(m);
    TSlot& slot = slots[static_cast<size_t>(k)];
    // The text being committed waits only for its own batches to go; a text ahead also while the
    // texts ahead hold many.
    workers_wait.wait(lock, [&] {
      return stop || (slot.bytes < kTextBatchBytes && (k == current || ahead_bytes < kAheadBatchBytes));
    });
    if (stop) return false;
    slot.bytes += bytes;
    ahead_bytes += bytes;
    slot.batches.push_back(std::move(b));
    const bool wanted = k == current;
    lock.unlock();
    if (wanted) committer_waits.notify_one();
    return true;
  };
  auto worker = [&] {
    while (true) {
      int32_t k;
      {
        std::unique_lock<std::mutex> lock(m);
        workers_wait.wait(lock, [&] { return stop || next >= count || next < current + ahead; });
        if (stop || next >= count) return;
        k = next++;
      }
      TTextWordCounts r = read(k);
      bool wanted;
      {
        std::lock_guard<std::mutex> lock(m);
        slots[static_cast<size_t>(k)].answer = std::move(r);
        wanted = k == current;
      }
      if (wanted) committer_waits.notify_one();
    }
  };
  std::vector<std::thread> pool;
  const int32_t n = std::min(threads, count);
  for (int32_t t = 0; t < n; ++t) pool.emplace_back(worker);
  for (int32_t k = 0; k < count && !stop; ++k) {
    {
      std::lock_guard<std::mutex> lock(m);
      current = k;
    }
    workers_wait.notify_all();
    TSlot& slot = slots[static_cast<size_t>(k)];
    while (true) {
      std::unique_lock<std::mutex> lock(m);
      committer_waits.wait(lock, [&] { return !slot.batches.empty() || slot.answer.has_value(); });
      if (!slot.batches.empty()) {
        TTokenBatch b = std::move(slot.batches.front());
        slot.batches.pop_front();
        slot.bytes -= b.Bytes();
        ahead_bytes -= b.Bytes();
        lock.unlock();
        workers_wait.notify_all();
        if (!batch(k, b)) {
          std::lock_guard<std::mutex> stopping(m);
          stop = true;
          break;
        }
        continue;
      }
      TTextWordCounts r = std::move(*slot.answer);
      slot.answer.reset();
      lock.unlock();
      if (!end(k, r)) {
        std::lock_guard<std::mutex> stopping(m);
        stop = true;
      }
      break;
    }
  }
  {
    std::lock_guard<std::mutex> lock(m);
    stop = true;
  }
  workers_wait.notify_all();
  for (std::thread& t : pool) t.join();
  setup.hand_over_tokens = nullptr;
}
