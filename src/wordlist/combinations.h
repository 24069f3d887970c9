// Phrase frames: clusters of three or more words that share all words but one position (the
// gap). Each cluster gives its gapped combinations (TGappedComb); clusters giving the same
// combination make a frame. A frame counts only when more than one cluster gives it, and each
// cluster gives each of its combinations once (a cluster with a repeated word, "a a a a", meets
// "a * a" several times but joins that frame once).
// A frame's frequency counts each of its occurrences once. Clusters nest ("a b c" is in every
// "a b c d"), so adding up every cluster that gives a frame would count an occurrence once for
// each cluster around it: the frequency is the sum of the clusters that begin with the frame and
// are of its length, or of the shortest cluster length counted (shortest_inserted) when the frame
// is shorter. Every cluster that gives it is still one of its entries.
//
// Finding the frames (TPhraseFramesList::PhraseFrames) spreads the combinations over the cores
// by their hash: each worker owns one share of the hashes and walks every cluster in list order,
// so a frame's clusters come in list order whatever the number of workers, and the frames are
// handed over in the order of their word-type sequences (a shorter sequence first, then element
// by element). One worker or many give the same frames.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "wordlist/index_clusters.h"
#include "wordlist/wordlist_indexer_streams.h"

// Word-type sequences of a corpus index (index_clusters.h); kFrameGap stands for the gap ("*").
using TTypeRecArrayArray = std::vector<TTypeRecArray>;
inline constexpr uint32_t kFrameGap = kGapMarker;

class TGappedComb {
 public:
  // The gapped combinations of a pattern of L types, each once: for each width w from L down to 3,
  // each gap offset g from 1 to w - 1, each start s from 0 to L - w, the types pattern[s .. s+w)
  // with element g the gap. Nothing for L < 3.
  void Generate(const TTypeRecArray& pattern);
  TTypeRecArrayArray combis;
};

// One frame: the clusters that give it (indices into the list's clusters), its frequency and its
// pattern.
struct TPhraseFrame_Rec {
  std::vector<int32_t> entries;
  int64_t frequency = 0;
  TTypeRecArray pattern;
};

class TPhraseFramesList {
 public:
  TPhraseFramesList() { Clear(); }
  void Clear();
  // A cluster (its row, of the caller's choosing, its frequency and its types); answers its index.
  int32_t AddANeighbourRec(void* row, int32_t frequency, const TTypeRecArray& types);
  int32_t Count() const { return static_cast<int32_t>(rows_.size()); }
  void* Row(int32_t i) const { return rows_[static_cast<size_t>(i)]; }
  int32_t Frequency(int32_t i) const { return freqs_[static_cast<size_t>(i)]; }

  // Hands every frame given by more than one cluster and at least min_freq frequent to add, in
  // sequence order, on the calling thread; threads: workers (1 or more). Stops (false) when
  // add answers false.
  bool PhraseFrames(const std::function<bool(const TPhraseFrame_Rec&)>& add, int32_t threads) const;

  int32_t min_freq = 1;
  int32_t longest_inserted = 0;
  int32_t shortest_inserted = 0x7FFFFFFF;
  uint32_t lowest_inserted = 0x7FFFFFFF;
  uint32_t highest_inserted = 0;

 private:
  std::vector<void*> rows_;
  std::vector<int32_t> freqs_;
  std::vector<uint32_t> types_;     // every cluster's types, one after another
  std::vector<uint32_t> types_at_;  // where each cluster's types begin (one more than clusters)
};
