// The word counts of a whole run: the texts' counters merged in text order into parts of one
// table (a key's part is fixed by its hash), the parts merged side by side.
//
// Protocol
//   MergeText(text counter)  for each text, in text order, from one thread; with helpers it hands
//                            the text over and returns (waiting only while many texts are still
//                            to merge), so the caller goes on while the parts take the text in;
//   Types(), OrderedKeys()   wait until every part holds every text handed over, then answer for
//                            the run so far (Types() after each text gives the count after it);
//   Clear()                  the same wait, then every key is forgotten.
// The number of parts is fixed, whatever the number of helpers: what the run counts and the
// order of its keys are the same with one thread as with many. Without helpers the parts take
// each text in one after the other, in MergeText.
// The first text of a run (or after Clear) is kept whole, as the only text's counts, until a
// second comes: a run of one text never splits its keys into parts.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "wordlist/word_counter.h"

class TRunWordCounter {
 public:
  static constexpr uint32_t kParts = 8;

  // helpers: whether each part takes the texts in on a helper thread of its own.
  TRunWordCounter(int32_t divisions, bool helpers);
  ~TRunWordCounter();
  TRunWordCounter(const TRunWordCounter&) = delete;
  TRunWordCounter& operator=(const TRunWordCounter&) = delete;

  void MergeText(TWordCounter text);
  void Clear();
  int32_t Types() const;
  int32_t Divisions() const { return divisions_; }
  std::vector<TWordCounter::TKeyView> OrderedKeys() const;
  // The counters that hold the run's keys once every text handed over is in: every key of the
  // run is in exactly one of them, in no particular order.
  std::vector<const TWordCounter*> Counters() const;

 private:
  void Helper(uint32_t part);
  // Hands a text to the parts.
  void MergeIntoParts(TWordCounter text);
  // Waits until every part holds every text handed over.
  void WaitForParts() const;

  int32_t divisions_;
  std::vector<TWordCounter> parts_;
  std::vector<std::thread> helpers_;
  mutable std::mutex m_;
  mutable std::condition_variable work_, merged_;
  // Texts handed over and not yet in every part; the first is text number `first_`.
  std::deque<std::shared_ptr<const TWordCounter>> queue_;
  int64_t first_ = 0;
  std::vector<int64_t> next_;  // per part: the number of the next text it takes in
  mutable int32_t unannounced_ = 0;  // texts handed over since the parts were last woken
  bool closing_ = false;
  std::unique_ptr<TWordCounter> only_;  // the run's only text so far, kept whole
  bool parts_used_ = false;             // a text was handed to the parts since the last Clear
};
