// Clusters of a corpus index as word-list rows: each cluster the index reports becomes a row of
// the document's cluster word list (one list, or one per text when clusters are counted text by
// text), and the clusters that share all words but one become phrase-frame rows with their
// clusters joined under them (combinations.h).
//
// The index reports clusters one by one, base word after base word, on the calling thread; they
// are gathered first and turned into rows once all are in: the texts of the rows (and their
// dispersion) are made on every core, the rows added on the calling thread in the order the
// clusters came, so that one core and many make the same rows.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "platform/rtl/ustring.h"
#include "wordlist/combinations.h"

// A cluster as the index reports it.
struct TFoundCluster {
  int32_t tree = 0;  // the neighbour tree it came from (a text's, 0-based, when counted per text)
  TTypeRecArray types;
  int32_t frequency = 0;
  int32_t texts = 0;
  std::vector<std::pair<int32_t, int32_t>> positions;  // (text from 1, byte) when positions are kept
};

// How evenly a cluster spreads over `divisions` equal parts of the corpus's bytes (Juilland's D,
// docs/association_measures.md): each position's offset is the bytes of the texts before its
// text plus its byte. text_bytes[t - 1] is text t's size. 0 without positions; a position of no
// text of the index is left out.
float ClusterDispersion(std::span<const std::pair<int32_t, int32_t>> positions, std::span<const int64_t> text_bytes,
                        int32_t divisions);

// What a cluster row needs of the settings and the index.
struct TClusterRowContext {
  bool exclude_numbers = false;  // a cluster holding "#" is dropped
  bool dispersion = false;
  int32_t divisions = 8;
  std::vector<int64_t> text_bytes;  // by text number - 1
  // The words of a cluster's types joined by " " ("*" for the gap); false when a type is unknown.
  std::function<bool(const TTypeRecArray& types, UString& text)> render;
  // A cluster whose text this answers true for is dropped (a word in the stop list); none: kept.
  std::function<bool(const UString& text)> dropped;
};

// A cluster's row, or nothing when it is dropped (no text, numbers excluded, or `dropped`).
struct TClusterRowText {
  UString text;
  float dispersion = 0.0f;
};

// The rows' texts of all clusters, in their order, made on `threads` workers.
std::vector<std::optional<TClusterRowText>> MakeClusterRowTexts(const std::vector<TFoundCluster>& found,
                                                                const TClusterRowContext& context, int32_t threads);
