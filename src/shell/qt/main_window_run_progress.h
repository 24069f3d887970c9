// What the status bar shows while a concordance is being made: the text being read, how far into
// it and into the whole run the reading is, and the running words so far.
//
// Contract
//   - Start(n) opens a run of n texts; every figure is 0 until something is reported.
//   - ChunkDone is called by whichever thread reads a text, after each of its chunks, with the
//     text's bytes read so far, its size and its words so far. Each text is read by one thread at
//     a time; the figures are stored atomically, so the window's thread may read them at any time.
//   - TextsDone(done) is called on the window's thread as texts are committed (done of n).
//   - Figures(): the text being read is the furthest one a chunk was reported of, or the first
//     one not committed when that is further (commits are reported late, chunks at once); when
//     all are committed, the last. This-text percent = its bytes read x 100 / its size (0 for an
//     empty text or one not yet reported; 100 once all are committed); overall percent = (its
//     index x 100 + this-text percent) / n; running words = the sum of every text's latest word
//     count.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

struct TRunProgressFigures {
  int32_t text = 0;  // 0-based index of the text being read
  int32_t texts = 0;
  int32_t this_percent = 0;
  int32_t overall_percent = 0;
  int64_t running_words = 0;
  bool operator==(const TRunProgressFigures&) const = default;
};

// When a turn of the event loop during a run refreshes the status bar's run panels: relaying out
// and repainting them costs more than the turn itself, so they are refreshed at most every
// kRefreshMs, except that every turn refreshes them until the first running words have been shown
// (the first figures come at once).
class TStatusRefreshPacer {
 public:
  static constexpr int64_t kRefreshMs = 100;
  void Start() {
    last_ms_ = -1;
    words_shown_ = false;
  }
  bool Due(int64_t now_ms) const { return last_ms_ < 0 || !words_shown_ || now_ms - last_ms_ >= kRefreshMs; }
  void Shown(int64_t now_ms, bool with_words) {
    last_ms_ = now_ms;
    words_shown_ = words_shown_ || with_words;
  }

 private:
  int64_t last_ms_ = -1;
  bool words_shown_ = false;
};

class TRunProgressTally {
 public:
  void Start(int32_t texts);
  void ChunkDone(int32_t text, int64_t bytes_read, int64_t size, int32_t words);
  void TextsDone(int64_t done);
  TRunProgressFigures Figures() const;

 private:
  struct TText {
    std::atomic<int64_t> bytes{0};
    std::atomic<int64_t> size{0};
    std::atomic<int32_t> words{0};
  };
  int32_t texts_ = 0;
  std::unique_ptr<TText[]> per_text_;
  std::atomic<int64_t> done_{0};
  std::atomic<int32_t> furthest_{-1};  // the furthest text a chunk was reported of
  std::atomic<int64_t> words_{0};
};
