// The concordance list as the run's line sink: the committer hands it each line it accepts.
#pragma once

#include <memory>

#include "concordance/lines/concordance_list.h"
#include "concordance/run/concordance_run.h"

class TConcordanceListSink : public TConcordanceLineSink {
 public:
  explicit TConcordanceListSink(TConcordanceList& list) : list_(list) {}
  int64_t Count() const override { return list_.Count(); }
  void Expect(int64_t lines) override { list_.ReserveEntries(lines); }
  int64_t Add(std::unique_ptr<TConcordanceEntry> line) override {
    TConcordanceEntry* taken = line.release();
    taken->SetOwner(&list_);
    const int index = list_.Add(taken);
    if (index < 0) delete taken;  // refused (a busy list): the line stays ours to free
    return index;
  }

 private:
  TConcordanceList& list_;
};
