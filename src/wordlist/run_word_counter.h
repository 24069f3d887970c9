// The word counts of a whole run: the texts' counters merged in text order into parts of one
// table (a key's part is fixed by its hash), the parts merged side by side.
//
// Protocol
//   MergeText(text counter)  for each text, in text order, from one thread; returns once every
//                            part holds the text, so Types() is the run's count so far;
//   OrderedKeys()            at the end: every key once, ordered by word then tag.
// The number of parts is fixed, whatever the number of helpers: what the run counts and the
// order of its keys are the same with one thread as with many. With helpers, each part but the
// first is merged on a helper thread of its own while the calling thread merges the first.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "wordlist/word_counter.h"

class TRunWordCounter {
 public:
  static constexpr uint32_t kParts = 8;

  // helpers: whether the parts are merged on helper threads (else one after the other here).
  TRunWordCounter(int32_t divisions, bool helpers);
  ~TRunWordCounter();
  TRunWordCounter(const TRunWordCounter&) = delete;
  TRunWordCounter& operator=(const TRunWordCounter&) = delete;

  void MergeText(const TWordCounter& text);
  // Forgets every key (between the results of a batch).
  void Clear();
  int32_t Types() const;
  int32_t Divisions() const { return parts_[0].Divisions(); }
  std::vector<TWordCounter::TKeyView> OrderedKeys() const;

 private:
  void Helper(uint32_t part);

  std::vector<TWordCounter> parts_;
  std::vector<std::thread> helpers_;
  std::mutex m_;
  std::condition_variable start_, done_;
  const TWordCounter* text_ = nullptr;
  uint64_t generation_ = 0;
  uint32_t pending_ = 0;
  bool closing_ = false;
};
