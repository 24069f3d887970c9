#include "platform/search/search_engine.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "platform/search/search_chars.h"
#include "platform/text/text_services.h"
#include "platform/search/search_items.h"
#include "platform/search/search_scan.h"

namespace {

struct THit {
  int32_t first_word;
  int32_t char_start;
  int32_t char_end;
  int32_t distance;  // windows only
};

// An item as the engine knows it, by item index.
struct TKnownItem {
  bool present = false;
  TCompiledItem compiled;
  int64_t gathered_for = -1;  // serial of the chunk whose hits are in `hits`
  std::vector<THit> hits;
};

struct TEntry {
  int32_t item;
  int32_t alt;
  int32_t slot;
};

struct TExactGroup {
  UString folded;
  uint32_t hash;
  std::vector<TEntry> entries;
};

struct TTrieNode {
  std::vector<std::pair<char16_t, int32_t>> kids;
  std::vector<TEntry> ends;
};

// The index of the items being gathered: exact words by hash, wildcard words by literal prefix
// or suffix in two tries, and the rest tried on every word.
struct TItemIndex {
  std::vector<TExactGroup> groups;
  struct TSlotRef {
    uint32_t hash;
    int32_t group;  // -1 empty
  };
  std::vector<TSlotRef> table;
  uint32_t mask = 0;
  std::vector<TTrieNode> prefix, suffix;
  std::vector<TEntry> general;

  void Clear() {
    groups.clear();
    table.clear();
    mask = 0;
    prefix.assign(1, TTrieNode{});
    suffix.assign(1, TTrieNode{});
    general.clear();
  }

  static uint32_t Mix(uint32_t h) {
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    return h;
  }

  void AddExact(const TSlot& s, const TEntry& e) {
    for (auto& g : groups) {
      if (g.hash == s.hash && g.folded == s.folded) {
        g.entries.push_back(e);
        return;
      }
    }
    groups.push_back(TExactGroup{s.folded, s.hash, {e}});
  }

  static void AddToTrie(std::vector<TTrieNode>& trie, const UString& key, bool reversed, const TEntry& e) {
    int32_t node = 0;
    for (size_t i = 0; i < key.size(); ++i) {
      char16_t c = reversed ? key[key.size() - 1 - i] : key[i];
      int32_t next = -1;
      for (auto& kid : trie[node].kids) {
        if (kid.first == c) next = kid.second;
      }
      if (next < 0) {
        next = static_cast<int32_t>(trie.size());
        trie[node].kids.emplace_back(c, next);
        trie.emplace_back();
      }
      node = next;
    }
    trie[node].ends.push_back(e);
  }

  void Add(const TSlot& s, const TEntry& e) {
    if (s.kind == TSlotKind::Exact) {
      AddExact(s, e);
    } else if (s.kind == TSlotKind::Wild && !s.prefix.empty()) {
      AddToTrie(prefix, s.prefix, false, e);
    } else if (s.kind == TSlotKind::Wild && !s.suffix.empty()) {
      AddToTrie(suffix, s.suffix, true, e);
    } else {
      general.push_back(e);
    }
  }

  void Finish() {
    uint32_t cap = 64;  // kept sparse: most words of a text find an empty slot at once
    while (cap < groups.size() * 16) cap <<= 1;
    table.assign(cap, TSlotRef{0, -1});
    mask = cap - 1;
    for (size_t g = 0; g < groups.size(); ++g) {
      uint32_t i = Mix(groups[g].hash) & mask;
      while (table[i].group >= 0) i = (i + 1) & mask;
      table[i] = TSlotRef{groups[g].hash, static_cast<int32_t>(g)};
    }
  }

  static int32_t Kid(const TTrieNode& n, char16_t c) {
    for (const auto& kid : n.kids) {
      if (kid.first == c) return kid.second;
    }
    return -1;
  }
};

constexpr int32_t kNoOverlap = -1;

// How many picked words ahead of the one checked are fetched.
constexpr size_t kPickAhead = 8;

inline void PrefetchRead(const void* p) { __builtin_prefetch(p, 0, 3); }

// An item's hits in text order, one per place: of hits that start together the longest is kept,
// and a hit lying wholly inside one kept before it goes (a shorter alternative inside a longer
// one's hit). With an overlap (chunk_start is where the chunk's own text begins), the hits lying
// wholly before chunk_start were reported with the previous chunk and go; so does a hit reaching
// into the chunk that holds one of them, so that no place is reported twice.
void FinishHits(std::vector<THit>& hits, int32_t chunk_start) {
  std::sort(hits.begin(), hits.end(), [](const THit& a, const THit& b) {
    if (a.char_start != b.char_start) return a.char_start < b.char_start;
    return a.char_end > b.char_end;
  });
  std::vector<THit> earlier;
  if (chunk_start != kNoOverlap) {
    int32_t end = -1;
    for (const THit& h : hits) {
      if (h.char_end > chunk_start || h.char_end <= end) continue;
      earlier.push_back(h);
      end = h.char_end;
    }
  }
  auto holds_earlier = [&](const THit& h) {
    for (const THit& e : earlier) {
      if (e.char_start >= h.char_start && e.char_end <= h.char_end) return true;
    }
    return false;
  };
  size_t out = 0;
  int32_t kept_end = -1;
  for (size_t i = 0; i < hits.size(); ++i) {
    const THit& h = hits[i];
    if (chunk_start != kNoOverlap && h.char_start < chunk_start) {
      if (h.char_end <= chunk_start || holds_earlier(h)) continue;
    }
    if (h.char_end <= kept_end) continue;
    kept_end = h.char_end;
    hits[out++] = h;
  }
  hits.resize(out);
}

}  // namespace

struct TSearchAndDoEngine::Impl {
  TSearchTextOptions options;
  const char16_t* fold = nullptr;
  bool unicode = true;
  int32_t tags_found[8] = {};

  // What is prepared: a chunk or a window.
  bool window_mode = false;
  const char16_t* text = nullptr;
  const uint16_t* kinds = nullptr;
  int32_t begin = 0;       // where the chunk's own text begins
  int32_t scan_from = 0;   // where its words are read from: begin, or the start of the overlap
  int32_t length = 0;
  // Words before this one come from the overlap: the end of the previous chunk, read again so
  // that a phrase may reach across the cut. Chunk word w is words[first_chunk_word + w].
  int32_t first_chunk_word = 0;
  TChunkPositions pos;
  TSearchFoundEvent found;
  TSearchStatsEvent stats;
  int64_t serial = 0;  // one per prepared chunk or window

  // Chunk: words, unit ends, the units at the chunk's start and end.
  std::vector<TScanWord> words;
  std::vector<TUnitEvent> events;
  TUnitState units_at_start, units;
  size_t events_reached = 0;  // unit ends already reported (each is reported once)
  uint32_t ends_wanted = ~0u;  // kinds whose ends go to the statistics call-back
  bool stats_copied = false;
  std::vector<TScanToken> tokens;
  int64_t tokens_for = -1;

  // Window.
  UString window_text;
  std::vector<uint16_t> window_kinds;
  int32_t sw_start = -1, sw_length = 0;
  int32_t left_horizon = -1, right_horizon = -1;
  int32_t exact_gap = 0;
  bool window_scanned = false;
  std::vector<int32_t> distance;  // per window word; 0 = the search word
  std::vector<THit> window_hits;

  std::vector<TKnownItem> known;
  TItemIndex index;

  bool found_enough = false;
  bool cancelled = false;
  bool jump_done = false;
  std::function<int64_t()> jump_source;
  int32_t current_item = 0;

  // Quick search.
  std::vector<uint16_t> quick_kinds;
  std::vector<TScanWord> quick_words;
  std::vector<TUnitEvent> quick_events;
  std::unordered_map<UString, TCompiledItem> quick_items;
  // The item asked last: a search of many short texts for one item asks for it again and again.
  UString last_quick_word;
  uint32_t last_quick_options = 0;
  const TCompiledItem* last_quick = nullptr;

  TScanView View() const {
    TScanView v;
    v.text = text;
    v.kinds = kinds;
    v.words = words.data();
    v.word_count = static_cast<int32_t>(words.size());
    v.fold = fold;
    return v;
  }

  static constexpr int32_t kMostItems = 1 << 22;

  TKnownItem& Known(const TSearch_word_format_rec& rec, int32_t idx) {
    if (static_cast<size_t>(idx) >= known.size()) known.resize(static_cast<size_t>(idx) + 1);
    TKnownItem& k = known[static_cast<size_t>(idx)];
    if (!k.present || k.compiled.source != rec.sw || k.compiled.source_options != rec.options) {
      CompileItem(rec.sw, rec.options, options, false, k.compiled);
      k.present = true;
      k.gathered_for = -1;
    }
    return k;
  }

  // The kinds of [from, to) are about to be read (a chunk whose kinds are written on demand).
  void KindsNeeded(int32_t from, int32_t to) const {
    if (!window_mode && pos.ensure_kinds) pos.ensure_kinds(from, to);
  }
  void TextNeeded(int32_t from, int32_t to) const {
    if (!window_mode && pos.ensure_text) pos.ensure_text(from, to);
  }

  void EnsureTokens() {
    if (tokens_for == serial) return;
    KindsNeeded(0, length);
    BuildTokens(View(), scan_from, length, tokens);
    tokens_for = serial;
  }

  // The chunk's words are scanned without hashes; the first search that needs them all hashes them.
  int64_t hashed_for = -1;  // serial of the chunk or window whose words carry their hashes
  void EnsureHashes() {
    EnsureWords();
    if (hashed_for == serial) return;
    HashScanWords(text, kinds, length, fold, words.data(), words.size());
    hashed_for = serial;
  }

  // A chunk scanned for a few whole words keeps only those that may be them (picks); a search
  // that needs every word has the chunk scanned again for them (its unit ends are known).
  bool words_kept = true;
  bool has_overlap = false;  // the chunk's buffer begins with the end of the previous chunk
  int32_t word_total = 0;    // the chunk's words, those of the overlap included
  void EnsureWords() {
    if (words_kept) return;
    KindsNeeded(0, length);
    words.clear();
    std::vector<TUnitEvent> again;
    TUnitState none;
    if (has_overlap) ScanChunk(text, kinds, 0, begin, fold, words, again, none, false, false);
    TUnitState from_start = units_at_start;
    const TScanGivenMasks given{pos.word_masks, pos.marker_masks, pos.marker_kind};
    ScanChunk(text, kinds, begin, length, fold, words, again, from_start, pos.last_chunk, false, nullptr, &given);
    MarkWordAfterCut();
    words_kept = true;
  }

  // A marker just before the cut parts the words across it.
  void MarkWordAfterCut() {
    const size_t fw = static_cast<size_t>(first_chunk_word);
    if (fw == 0 || fw >= words.size()) return;
    for (int32_t i = words[fw - 1].start + words[fw - 1].span; i < begin; ++i) {
      if (kinds[i] >= kKindMarkerFlag) {
        words[fw].flags |= kWordAfterMarker;
        break;
      }
    }
  }

  // The words of the known items' lengths, kept by the scan of a chunk when !words_kept.
  TWordPicks picks;

  // Sets picks.lengths for a scan when every known item is whole words without tags or
  // wildcards, of at most four lengths.
  bool PlanPicks() {
    int32_t found = 0;
    for (const TKnownItem& k : known) {
      if (!k.present) continue;
      for (const TAlternative& alt : k.compiled.alts) {
        if (alt.has_tag || alt.slots.size() != 1 || alt.slots[0].kind != TSlotKind::Exact) return false;
        const int32_t len = static_cast<int32_t>(alt.slots[0].folded.size());
        if (std::find(picks.lengths, picks.lengths + found, len) != picks.lengths + found) continue;
        if (found == 4) return false;
        picks.lengths[found++] = len;
      }
    }
    if (found == 0) return false;
    std::fill(picks.lengths + found, picks.lengths + 4, -1);
    // The first characters sought, folded as the words' hashes fold them, when there are at
    // most four.
    int32_t firsts = 0;
    picks.by_first = true;
    for (const TKnownItem& k : known) {
      if (!k.present) continue;
      for (const TAlternative& alt : k.compiled.alts) {
        const UString& raw = alt.slots[0].raw;
        if (raw.empty()) {
          picks.by_first = false;
          continue;
        }
        const char16_t first = fold[raw[0]];
        if (std::find(picks.firsts, picks.firsts + firsts, first) != picks.firsts + firsts) continue;
        if (firsts == 4) picks.by_first = false;
        else picks.firsts[firsts++] = first;
      }
    }
    std::fill(picks.firsts + firsts, picks.firsts + 4, picks.firsts[0]);
    for (char16_t c = 0; c < 128; ++c)
      picks.ascii_first[c] = std::find(picks.firsts, picks.firsts + 4, fold[c]) != picks.firsts + 4;
    return true;
  }

  bool PicksCover(const int32_t (&len)[4]) const {
    for (const int32_t l : len)
      if (std::find(picks.lengths, picks.lengths + 4, l) == picks.lengths + 4) return false;
    return true;
  }

  // Whether every alternative in the exact index is one word (no neighbour is looked at).
  bool OneWordEntriesOnly() const {
    for (const TExactGroup& g : index.groups) {
      for (const TEntry& e : g.entries) {
        if (known[static_cast<size_t>(e.item)].compiled.alts[static_cast<size_t>(e.alt)].slots.size() != 1) return false;
      }
    }
    return true;
  }

  void AddHit(int32_t item, int32_t first_word, int32_t char_start, int32_t char_end) {
    known[static_cast<size_t>(item)].hits.push_back(THit{first_word, char_start, char_end, 0});
  }

  // Word w as the entry's slot: the slot's own pattern, then the other words of its phrase.
  void TryEntry(const TEntry& e, int32_t w, const TScanView& v) {
    const TCompiledItem& ci = known[static_cast<size_t>(e.item)].compiled;
    const TAlternative& alt = ci.alts[static_cast<size_t>(e.alt)];
    if (!SlotMatchesWord(alt.slots[static_cast<size_t>(e.slot)], ci.case_sensitive, v, w)) return;
    int32_t first = w - e.slot;
    if (alt.slots.size() > 1 && !AlternativeMatchesAt(alt, ci.case_sensitive, v, first, e.slot)) return;
    int32_t last = first + static_cast<int32_t>(alt.slots.size()) - 1;
    AddHit(e.item, first, words[static_cast<size_t>(first)].start,
           words[static_cast<size_t>(last)].start + words[static_cast<size_t>(last)].span);
  }

  // Gathers, in one pass over the chunk's words, the hits of every known item not yet gathered.
  void Gather() {
    std::vector<int32_t> todo;
    for (size_t i = 0; i < known.size(); ++i) {
      if (known[i].present && known[i].gathered_for != serial) todo.push_back(static_cast<int32_t>(i));
    }
    if (todo.empty()) return;
    index.Clear();
    std::vector<TEntry> tag_alts;
    for (int32_t item : todo) {
      TKnownItem& k = known[static_cast<size_t>(item)];
      k.hits.clear();
      k.gathered_for = serial;
      for (size_t a = 0; a < k.compiled.alts.size(); ++a) {
        const TAlternative& alt = k.compiled.alts[a];
        TEntry e{item, static_cast<int32_t>(a), alt.anchor};
        if (alt.has_tag) {
          tag_alts.push_back(e);
        } else {
          index.Add(alt.slots[static_cast<size_t>(alt.anchor)], e);
        }
      }
    }
    index.Finish();
    TScanView v = View();
    const bool has_exact = !index.groups.empty();
    const bool has_prefix = !index.prefix[0].kids.empty() || !index.prefix[0].ends.empty();
    const bool has_suffix = !index.suffix[0].kids.empty() || !index.suffix[0].ends.empty();
    const uint8_t* cls = ScanClassTable();
    int32_t nw = static_cast<int32_t>(words.size());
    TScanWord* wp = words.data();
    const TItemIndex::TSlotRef* table = index.table.data();
    const uint32_t mask = index.mask;
    auto probe = [&](int32_t w) __attribute__((always_inline)) {
      const uint32_t hash = wp[w].hash;
      for (uint32_t i = TItemIndex::Mix(hash) & mask; table[i].group >= 0; i = (i + 1) & mask) {
        if (table[i].hash != hash) continue;
        for (const TEntry& e : index.groups[static_cast<size_t>(table[i].group)].entries) TryEntry(e, w, v);
      }
    };
    const int32_t overlap_end = first_chunk_word > 0 ? begin : kNoOverlap;
    const bool few_exact = has_exact && !has_prefix && !has_suffix && index.general.empty() && index.groups.size() <= 4;
    if (few_exact && tag_alts.empty() && hashed_for != serial && OneWordEntriesOnly()) {
      // A few single words, the chunk's words not hashed: only a word as long as one of them
      // (or one with characters that are not its letters) can be one, and only its hash is taken.
      uint32_t h[4];
      int32_t len[4];
      for (size_t g = 0; g < 4; ++g) {
        const TExactGroup& group = index.groups[std::min(g, index.groups.size() - 1)];
        h[g] = group.hash;
        len[g] = static_cast<int32_t>(group.folded.size());
      }
      auto look_at = [&](int32_t w) __attribute__((always_inline)) {
        const uint32_t x = ScanWordHash(text, kinds, length, fold, wp[w]);
        if ((x == h[0]) | (x == h[1]) | (x == h[2]) | (x == h[3])) {
          wp[w].hash = x;
          probe(w);
        }
      };
      if (!words_kept && PicksCover(len)) {
        // The scan kept the words of those lengths alone. Those among the chunk's plain ASCII
        // bytes are read there, their text and kinds left unmade.
        const uint8_t* bytes = pos.chunk_start == begin ? pos.plain_bytes : nullptr;  // character `begin`
        const size_t picked = picks.numbers.size();
        for (size_t p = 0; p < picked; ++p) {
          TScanWord& word = picks.picked_words[p];
          // A byte of 0x80 or above stands for a unit beyond ASCII, which only the text holds.
          const bool from_bytes = bytes != nullptr && word.start >= begin && (word.flags & kWordSkipsChars) == 0 &&
                                  std::all_of(bytes + (word.start - begin), bytes + (word.start - begin + word.span),
                                              [](uint8_t x) { return x < 0x80; });
          uint32_t x;
          if (from_bytes) {
            // Picked words lie far apart: the one a few ahead is asked for now.
            if (p + kPickAhead < picked && picks.picked_words[p + kPickAhead].start >= begin)
              PrefetchRead(bytes + (picks.picked_words[p + kPickAhead].start - begin));
            x = ScanWordHashOfBytes(bytes + (word.start - begin), word.span, length - word.start, fold);
          } else {
            TextNeeded(word.start, word.start + word.span);
            x = ScanWordHash(text, kinds, length, fold, word);
          }
          if (((x == h[0]) | (x == h[1]) | (x == h[2]) | (x == h[3])) == 0) continue;
          word.hash = x;
          if (!from_bytes) KindsNeeded(word.start, word.start + word.span);
          TScanView one = v;
          one.words = &word;
          one.word_count = 1;
          for (uint32_t i = TItemIndex::Mix(x) & mask; table[i].group >= 0; i = (i + 1) & mask) {
            if (table[i].hash != x) continue;
            for (const TEntry& e : index.groups[static_cast<size_t>(table[i].group)].entries) {
              const TCompiledItem& ci = known[static_cast<size_t>(e.item)].compiled;
              const TSlot& slot = ci.alts[static_cast<size_t>(e.alt)].slots[static_cast<size_t>(e.slot)];
              if (from_bytes ? ExactSlotMatchesBytes(slot, ci.case_sensitive, word, bytes + (word.start - begin), fold)
                             : SlotMatchesWord(slot, ci.case_sensitive, one, 0))
                AddHit(e.item, picks.numbers[p], word.start, word.start + word.span);
            }
          }
        }
      } else {
        EnsureWords();
        v = View();
        wp = words.data();
        for (int32_t w = 0; w < static_cast<int32_t>(words.size()); ++w) {
          const int32_t span = wp[w].span;
          if (((span == len[0]) | (span == len[1]) | (span == len[2]) | (span == len[3])) != 0 ||
              (wp[w].flags & kWordSkipsChars) != 0)
            look_at(w);
        }
      }
      for (int32_t item : todo) FinishHits(known[static_cast<size_t>(item)].hits, overlap_end);
      return;
    }
    EnsureHashes();
    nw = static_cast<int32_t>(words.size());
    wp = words.data();
    v = View();
    if (few_exact) {
      // A few exact words: each word's hash against theirs, the look-up only on a match.
      uint32_t h[4];
      for (size_t g = 0; g < 4; ++g) h[g] = index.groups[std::min(g, index.groups.size() - 1)].hash;
      for (int32_t w = 0; w < nw; ++w) {
        const uint32_t x = wp[w].hash;
        if ((x == h[0]) | (x == h[1]) | (x == h[2]) | (x == h[3])) probe(w);
      }
    } else if (has_exact && !has_prefix && !has_suffix && index.general.empty()) {
      for (int32_t w = 0; w < nw; ++w) probe(w);  // exact words only: one look-up a word
    } else {
      for (int32_t w = 0; w < nw; ++w) {
        const TScanWord& word = wp[w];
        if (has_exact) probe(w);
        if (has_prefix) {
          int32_t node = 0;
          for (int32_t c = 0; c < word.span && node >= 0; ++c) {
            if (cls[kinds[word.start + c]] == kScanTag || kinds[word.start + c] == kKindInvisibleInWord) continue;
            node = TItemIndex::Kid(index.prefix[static_cast<size_t>(node)], fold[text[word.start + c]]);
            if (node < 0) break;
            for (const TEntry& e : index.prefix[static_cast<size_t>(node)].ends) TryEntry(e, w, v);
          }
        }
        if (has_suffix) {
          int32_t node = 0;
          for (int32_t c = word.span - 1; c >= 0 && node >= 0; --c) {
            if (cls[kinds[word.start + c]] == kScanTag || kinds[word.start + c] == kKindInvisibleInWord) continue;
            node = TItemIndex::Kid(index.suffix[static_cast<size_t>(node)], fold[text[word.start + c]]);
            if (node < 0) break;
            for (const TEntry& e : index.suffix[static_cast<size_t>(node)].ends) TryEntry(e, w, v);
          }
        }
        for (const TEntry& e : index.general) TryEntry(e, w, v);
      }
    }
    if (!tag_alts.empty()) {
      EnsureTokens();
      for (const TEntry& e : tag_alts) {
        const TCompiledItem& ci = known[static_cast<size_t>(e.item)].compiled;
        const TAlternative& alt = ci.alts[static_cast<size_t>(e.alt)];
        int32_t last_start = static_cast<int32_t>(tokens.size()) - static_cast<int32_t>(alt.slots.size());
        for (int32_t t = 0; t <= last_start; ++t) {
          if (!AlternativeMatchesTokensAt(alt, ci.case_sensitive, v, tokens, t)) continue;
          const TScanToken& a = tokens[static_cast<size_t>(t)];
          const TScanToken& b = tokens[static_cast<size_t>(t) + alt.slots.size() - 1];
          AddHit(e.item, a.word, a.start, b.start + b.span);
        }
      }
    }
    for (int32_t item : todo) FinishHits(known[static_cast<size_t>(item)].hits, overlap_end);
  }

  // --- unit ends -----------------------------------------------------------------------------

  struct TRunningUnits {
    int32_t number[kUnitKinds];
    int32_t unit_start[kUnitKinds];  // chunk word where the open unit began (negative: earlier)
  };
  // The units just before unit end `at`, kept by a cursor that walks the chunk's unit ends
  // forward (and starts again from the chunk's start when asked for an earlier one): deliveries
  // and each item's hits ask in rising order, so a chunk's ends are walked about once a pass,
  // and a text with many short sentences keeps no table per end.
  struct TUnitCursor {
    size_t at = 0;
    TRunningUnits r{};
  };
  TUnitCursor delivery_cursor, hit_cursor;
  // For each kind: the first unit end at or after `from` that ends it is `end` (-1 none), and
  // so it is for every end from `from` up to it.
  struct TNextEnd {
    size_t from = SIZE_MAX;
    int32_t end = -1;
  };
  TNextEnd next_end[kUnitKinds];
  uint32_t kinds_ended = 0;  // bit k: some unit end of the chunk ends kind k

  void RestartCursor(TUnitCursor& c) const {
    c.at = 0;
    for (int k = 0; k < kUnitKinds; ++k) {
      c.r.number[k] = units_at_start.number[k];
      c.r.unit_start[k] = -units_at_start.open_words[k];
    }
  }

  void ResetUnitCursors() {
    RestartCursor(delivery_cursor);
    RestartCursor(hit_cursor);
    for (TNextEnd& n : next_end) n = TNextEnd{};
    // A kind that never ends in the chunk (paragraphs of a text without blank lines) would have
    // each pass walk every end looking for one.
    kinds_ended = 0;
    for (const TUnitEvent& e : events) kinds_ended |= e.ended_mask;
  }

  // `other`: a cursor that may stand nearer (each cursor takes the other's place when it is).
  const TRunningUnits& UnitsBefore(TUnitCursor& c, size_t i, const TUnitCursor& other) {
    if (other.at <= i && (c.at > i || c.at < other.at)) c = other;
    if (i < c.at) RestartCursor(c);
    for (; c.at < i; ++c.at) {
      const TUnitEvent& e = events[c.at];
      for (int k = 0; k < kUnitKinds; ++k) {
        if ((e.ended_mask & (1u << k)) == 0) continue;
        if (!e.text_end) c.r.number[k] = e.number[k] + 1;
        c.r.unit_start[k] = e.boundary;
      }
    }
    return c.r;
  }

  int32_t NextEndOf(int k, size_t ev) {
    if ((kinds_ended & (1u << k)) == 0) return -1;
    TNextEnd& n = next_end[k];
    if (n.from != SIZE_MAX && ev >= n.from && (n.end < 0 || ev <= static_cast<size_t>(n.end))) return n.end;
    size_t i = ev;
    while (i < events.size() && (events[i].ended_mask & (1u << k)) == 0) ++i;
    n.from = ev;
    n.end = i < events.size() ? static_cast<int32_t>(i) : -1;
    return n.end;
  }

  // Statistics of the word w; ev is the first unit end after it (boundary > w).
  void StatsAt(int32_t w, size_t ev, TSearchStatsRec& s) {
    const TRunningUnits& r = UnitsBefore(hit_cursor, ev, delivery_cursor);
    s = TSearchStatsRec{};
    s.words_in_chunk = w;
    for (int k = 0; k < kUnitKinds; ++k) {
      s.unit_number[k] = r.number[k];
      s.unit_position[k] = w - r.unit_start[k] + 1;
      int32_t end = NextEndOf(k, ev);
      if (end >= 0) s.unit_length[k] = events[static_cast<size_t>(end)].length[k];
    }
  }

  // Hands unit end i to the statistics call-back.
  void DeliverEvent(TSearchAndDoEngine& self, size_t i) {
    const TUnitEvent& e = events[i];
    const TRunningUnits& r = UnitsBefore(delivery_cursor, i, hit_cursor);
    TSearchStatsRec s;
    s.words_in_chunk = e.boundary;
    for (int k = 0; k < kUnitKinds; ++k) {
      if ((e.ended_mask & (1u << k)) != 0) {
        s.unit_number[k] = e.number[k];
        s.unit_position[k] = e.length[k];
        s.unit_length[k] = e.length[k];
      } else {
        s.unit_number[k] = r.number[k];
        s.unit_position[k] = e.boundary - r.unit_start[k];
      }
    }
    if (stats) stats(self, s);
  }

  static constexpr int32_t kAllEvents = INT32_MAX;
  // Unit ends not yet reported, up to and including boundary `upto` (a chunk word number). False
  // when the call-back ended the pass.
  bool DeliverEventsUpTo(TSearchAndDoEngine& self, int32_t upto) {
    while (events_reached < events.size() && events[events_reached].boundary <= upto) {
      const size_t i = events_reached++;
      if ((events[i].ended_mask & ends_wanted) == 0) continue;
      DeliverEvent(self, i);
      if (found_enough || cancelled) return false;
    }
    return true;
  }

  // --- windows -------------------------------------------------------------------------------

  void ScanWindow() {
    if (window_scanned) return;
    window_scanned = true;
    TUnitState none;
    words.clear();
    ScanChunk(text, kinds, 0, length, fold, words, events, none, false);
    hashed_for = serial;
    words_kept = true;
    word_total = static_cast<int32_t>(words.size());
    events.clear();
    int32_t nw = static_cast<int32_t>(words.size());
    distance.assign(static_cast<size_t>(nw), 0);
    if (sw_start < 0) return;
    int32_t sw_end = sw_start + std::max(sw_length, 1);
    int32_t first = -1, last = -1;
    for (int32_t w = 0; w < nw; ++w) {
      const TScanWord& word = words[static_cast<size_t>(w)];
      if (word.start < sw_end && word.start + word.span > sw_start) {
        if (first < 0) first = w;
        last = w;
      }
    }
    if (first < 0) {  // the search word lies in no word: the words around it are numbered from it
      first = nw;
      for (int32_t w = 0; w < nw; ++w) {
        if (words[static_cast<size_t>(w)].start >= sw_start) {
          first = w;
          break;
        }
      }
      last = first - 1;
    }
    for (int32_t w = 0; w < nw; ++w) {
      if (w < first) {
        distance[static_cast<size_t>(w)] = w - first;
      } else if (w > last) {
        distance[static_cast<size_t>(w)] = w - last;
      }
    }
  }

  bool WindowWordAllowed(int32_t d) const {
    if (sw_start < 0) return true;
    if (d == 0) return false;
    if (d < 0 && left_horizon >= 0 && -d > left_horizon) return false;
    if (d > 0 && right_horizon >= 0 && d > right_horizon) return false;
    return true;
  }

  // Hits of one item in the window whose words all lie on one side within the horizons.
  void WindowHits(const TCompiledItem& ci) {
    window_hits.clear();
    TScanView v = View();
    int32_t nw = static_cast<int32_t>(words.size());
    auto consider = [&](int32_t first_word, int32_t last_word, int32_t cs, int32_t ce) {
      int32_t d = 0;
      if (first_word <= last_word) {
        int32_t d1 = distance[static_cast<size_t>(first_word)];
        int32_t d2 = distance[static_cast<size_t>(last_word)];
        for (int32_t w = first_word; w <= last_word; ++w) {
          if (!WindowWordAllowed(distance[static_cast<size_t>(w)])) return;
        }
        if (sw_start >= 0 && (d1 < 0) != (d2 < 0)) return;
        d = d2 < 0 ? d2 : d1;  // the word nearest the search word
      } else if (sw_start >= 0) {
        return;  // only mark-up
      }
      if (exact_gap != 0 && (d == 0 || std::abs(d - exact_gap) > 1)) return;
      window_hits.push_back(THit{first_word, cs, ce, d});
    };
    for (const TAlternative& alt : ci.alts) {
      int32_t n = static_cast<int32_t>(alt.slots.size());
      if (alt.has_tag) {
        if (tokens_for != serial) {
          BuildTokens(v, 0, length, tokens);
          tokens_for = serial;
        }
        for (int32_t t = 0; t + n <= static_cast<int32_t>(tokens.size()); ++t) {
          if (!AlternativeMatchesTokensAt(alt, ci.case_sensitive, v, tokens, t)) continue;
          int32_t fw = -1, lw = -2;
          for (int32_t j = t; j < t + n; ++j) {
            if (tokens[static_cast<size_t>(j)].is_tag) continue;
            if (fw < 0) fw = tokens[static_cast<size_t>(j)].word;
            lw = tokens[static_cast<size_t>(j)].word;
          }
          const TScanToken& b = tokens[static_cast<size_t>(t + n - 1)];
          consider(fw < 0 ? tokens[static_cast<size_t>(t)].word : fw, lw, tokens[static_cast<size_t>(t)].start,
                   b.start + b.span);
        }
        continue;
      }
      for (int32_t first = 0; first + n <= nw; ++first) {
        if (!AlternativeMatchesAt(alt, ci.case_sensitive, v, first)) continue;
        const TScanWord& a = words[static_cast<size_t>(first)];
        const TScanWord& b = words[static_cast<size_t>(first + n - 1)];
        consider(first, first + n - 1, a.start, b.start + b.span);
      }
    }
    FinishHits(window_hits, kNoOverlap);
  }

  int64_t FileByteOf(int32_t char_index) const {
    if (pos.byte_map != nullptr) return pos.byte_map->FileByteOf(char_index);
    return pos.chunk_file_offset + 2 * static_cast<int64_t>(char_index - pos.chunk_start);
  }

  int64_t CharOfFileByte(int64_t byte) const {
    if (pos.byte_map != nullptr) return pos.byte_map->CharAtOrAfterByte(byte);
    int64_t rel = byte - pos.chunk_file_offset;
    return pos.chunk_start + (rel <= 0 ? 0 : (rel + 1) / 2);
  }
};

namespace {

// A thread's word list kept from one engine to the next: a worker makes an engine for each text,
// and a list grown afresh each time would be copied as it grows and its pages touched anew.
std::vector<TScanWord>& SpareWordList() {
  static thread_local std::vector<TScanWord> spare;
  return spare;
}

}  // namespace

TSearchAndDoEngine::TSearchAndDoEngine(bool unicode, bool, const TSearchTextOptions& options, const uint16_t*)
    : impl_(std::make_unique<Impl>()) {
  impl_->unicode = unicode;
  impl_->options = options;
  impl_->fold = FoldTableFor(options.lcid);
  impl_->words.swap(SpareWordList());
}

void TSearchAndDoEngine::FreeKeptWordList() { std::vector<TScanWord>().swap(SpareWordList()); }

TSearchAndDoEngine::~TSearchAndDoEngine() {
  std::vector<TScanWord>& spare = SpareWordList();
  if (impl_->words.capacity() > spare.capacity()) {
    impl_->words.clear();
    impl_->words.swap(spare);
  }
}

const TSearchTextOptions& TSearchAndDoEngine::TextOptions() const { return impl_->options; }

void TSearchAndDoEngine::SetTextOptions(const TSearchTextOptions& options) {
  impl_->options = options;
  impl_->fold = FoldTableFor(options.lcid);
  impl_->known.clear();
  impl_->quick_items.clear();
  impl_->last_quick = nullptr;
}

bool TSearchAndDoEngine::Unicode() const { return impl_->unicode; }
void TSearchAndDoEngine::UnicodeChangeTo(bool unicode) { impl_->unicode = unicode; }

void TSearchAndDoEngine::SetArrayOfTagsFound(const int32_t counts[8]) {
  for (int i = 0; i < 8; ++i) impl_->tags_found[i] = counts != nullptr ? counts[i] : 0;
}

const int32_t* TSearchAndDoEngine::ArrayOfTagsFound() const { return impl_->tags_found; }

void TSearchAndDoEngine::PrepareForConcordancing(UStringView, const char16_t* buffer, const uint16_t* kinds,
                                                 const TChunkPositions& positions, TSearchFoundEvent found,
                                                 TSearchStatsEvent stats) {
  Impl& m = *impl_;
  m.window_mode = false;
  m.text = buffer;
  m.kinds = kinds;
  m.pos = positions;
  m.length = (buffer != nullptr && kinds != nullptr) ? std::max(positions.length, 0) : 0;
  m.begin = std::clamp(positions.chunk_start, 0, m.length);
  m.found = std::move(found);
  m.stats = std::move(stats);
  ++m.serial;
  if (positions.chunk_index <= 0) {
    m.units = TUnitState{};
    m.jump_done = false;
  }
  m.units_at_start = m.units;
  m.words.clear();
  m.first_chunk_word = 0;
  m.scan_from = m.begin;
  TWordPicks* picks = nullptr;
  if (m.PlanPicks()) {
    picks = &m.picks;
    picks->next_number = 0;
    picks->numbers.clear();
    picks->picked_words.clear();
    picks->bytes = positions.plain_bytes;
    picks->bytes_from = m.begin;
  } else {
    // At most one word in two characters: the list never grows while it is filled.
    m.words.reserve(static_cast<size_t>(m.length / 2 + 2));
    m.KindsNeeded(0, m.length);  // every word is read
  }
  m.words_kept = picks == nullptr;
  m.has_overlap = positions.chunk_index > 0 && m.begin > 0;
  auto counted = [&] { return picks ? picks->next_number : static_cast<int32_t>(m.words.size()); };
  if (m.has_overlap) {
    TUnitState none;  // the overlap's units were counted with the previous chunk
    ScanChunk(m.text, m.kinds, 0, m.begin, m.fold, m.words, m.events, none, false, false, picks);
    m.first_chunk_word = counted();
    m.scan_from = 0;
  }
  const TScanGivenMasks given{positions.word_masks, positions.marker_masks, positions.marker_kind};
  ScanChunk(m.text, m.kinds, m.begin, m.length, m.fold, m.words, m.events, m.units, positions.last_chunk, false,
            picks, &given);
  m.word_total = counted();
  if (m.words_kept) m.MarkWordAfterCut();
  m.ResetUnitCursors();
  m.events_reached = 0;
  m.stats_copied = false;
  m.found_enough = false;
}

void TSearchAndDoEngine::PrepareFirst(UStringView text, int32_t search_word_start, int32_t search_word_length,
                                      TSearchFoundEvent found, TSearchStatsEvent stats, const uint16_t* kinds) {
  Impl& m = *impl_;
  m.window_mode = true;
  m.words_kept = true;
  m.window_text.assign(text.begin(), text.end());
  m.window_kinds.assign(text.size(), 0);
  if (kinds != nullptr) {
    std::copy(kinds, kinds + text.size(), m.window_kinds.begin());
  } else {
    ClassifyChars(m.window_text.data(), m.window_text.size(), m.window_kinds.data());
    HandleAllowables(m.options.in_word_symbols, m.options.symbols_at_start, m.options.symbols_at_end);
  }
  m.text = m.window_text.data();
  m.kinds = m.window_kinds.data();
  m.length = static_cast<int32_t>(m.window_text.size());
  m.begin = 0;
  m.scan_from = 0;
  m.first_chunk_word = 0;
  m.pos = TChunkPositions{};
  m.pos.length = m.length;
  m.sw_start = search_word_start;
  m.sw_length = search_word_length;
  m.found = std::move(found);
  m.stats = std::move(stats);
  m.window_scanned = false;
  m.found_enough = false;
  ++m.serial;
}

void TSearchAndDoEngine::HandleAllowables(UStringView in_word_symbols, bool at_start, bool at_end) {
  Impl& m = *impl_;
  if (!m.window_mode) return;
  ::HandleAllowables(m.window_text.data(), m.window_kinds.data(), m.window_text.size(), in_word_symbols, at_start,
                     at_end, m.options.hyphens_separate_words);
  m.window_scanned = false;
  ++m.serial;
}

void TSearchAndDoEngine::SetHorizons(int32_t left, int32_t right) {
  impl_->left_horizon = left;
  impl_->right_horizon = right;
}

void TSearchAndDoEngine::SetItems(const TBaseSearchItems& items) {
  for (int32_t i = 0; i < items.Count() && i < Impl::kMostItems; ++i) impl_->Known(*items.GetPtr(i), i);
}

void TSearchAndDoEngine::SetCurrentItem(int32_t index) { impl_->current_item = index; }
int32_t TSearchAndDoEngine::CurrentItem() const { return impl_->current_item; }

void TSearchAndDoEngine::ClearChunkTextStats() {}

int32_t TSearchAndDoEngine::SearchAndDo(TSearch_word_format_rec& item, int32_t item_index) {
  Impl& m = *impl_;
  m.found_enough = false;
  if (m.cancelled || item_index < 0 || item_index >= Impl::kMostItems) return 0;
  m.current_item = item_index;
  TKnownItem& known = m.Known(item, item_index);
  int32_t calls = 0;
  auto limit_reached = [&] { return item.instances_to_find > 0 && item.hits >= item.instances_to_find; };

  if (m.window_mode) {
    m.ScanWindow();
    m.WindowHits(known.compiled);
    for (const THit& h : m.window_hits) {
      if (limit_reached()) break;
      TSearchFound_Rec f;
      f.hit_position = f.char_index = h.char_start;
      f.hit_length = h.char_end - h.char_start;
      f.item_index = item_index;
      f.context_distance = h.distance;
      f.stats.words_in_chunk = h.first_word;
      ++calls;
      if (m.found && m.found(*this, f)) ++item.hits;
      if (m.found_enough || m.cancelled) break;
    }
    return calls;
  }

  if (known.gathered_for != m.serial) m.Gather();
  const std::vector<THit>& hits = m.known[static_cast<size_t>(item_index)].hits;
  size_t ev = 0;  // first unit end after the current hit
  for (size_t k = 0; k < hits.size(); ++k) {
    const THit& h = hits[k];
    if (m.pos.next_hit && k + 1 < hits.size()) m.pos.next_hit(hits[k + 1].char_start);
    // The chunk's word number: negative for a hit that begins in the overlap.
    const int32_t word = h.first_word - m.first_chunk_word;
    if (!m.DeliverEventsUpTo(*this, word)) return calls;
    if (m.jump_done || limit_reached()) break;
    bool jumping = false;
    if (m.jump_source) {
      int64_t jump = m.jump_source();
      if (jump > 0) {
        jumping = true;
        // 0 means no jump: a target of 1 stands for the text's first byte as well.
        const bool at_first_byte = jump == 1 && m.FileByteOf(h.char_start) == 0;
        if (h.char_start < m.CharOfFileByte(jump) && !at_first_byte) continue;
      }
    }
    ev = static_cast<size_t>(std::upper_bound(m.events.begin() + static_cast<std::ptrdiff_t>(ev), m.events.end(),
                                              word,
                                              [](int32_t w, const TUnitEvent& e) { return w < e.boundary; }) -
                             m.events.begin());
    TSearchFound_Rec f;
    f.text_start = m.pos.text_start;
    f.chunk_start = m.pos.chunk_start;
    f.hit_position = f.char_index = h.char_start;
    if (m.pos.file_size > 0) {
      f.percent = static_cast<float>(100.0 * static_cast<double>(m.FileByteOf(h.char_start)) /
                                     static_cast<double>(m.pos.file_size));
    }
    f.SetChunkFileOffset(m.pos.chunk_file_offset);
    f.hit_length = h.char_end - h.char_start;
    f.item_index = item_index;
    m.StatsAt(word, ev, f.stats);
    ++calls;
    if (m.found && m.found(*this, f)) ++item.hits;
    if (m.found_enough) {
      if (jumping) m.jump_done = true;
      return calls;
    }
    if (m.cancelled) return calls;
  }
  m.DeliverEventsUpTo(*this, Impl::kAllEvents);
  return calls;
}

void TSearchAndDoEngine::FoundEnough() { impl_->found_enough = true; }
bool TSearchAndDoEngine::FoundEnoughSet() const { return impl_->found_enough; }

void TSearchAndDoEngine::SetUnitEndsWanted(uint32_t kinds) { impl_->ends_wanted = kinds; }

void TSearchAndDoEngine::CopyAChunkTextStats(TSearchStatsRec& text_stats) {
  Impl& m = *impl_;
  if (m.window_mode || m.stats_copied) return;
  m.stats_copied = true;
  bool enough = m.found_enough;
  m.found_enough = false;
  m.DeliverEventsUpTo(*this, Impl::kAllEvents);
  m.found_enough = enough;
  text_stats.words_in_chunk += m.word_total - m.first_chunk_word;
  for (int k = 0; k < kUnitKinds; ++k) {
    text_stats.unit_number[k] = m.units.number[k];
    text_stats.unit_position[k] = m.units.open_words[k];
  }
}

int32_t TSearchAndDoEngine::WordsInChunk() const {
  if (impl_->window_mode) impl_->ScanWindow();
  return impl_->word_total - impl_->first_chunk_word;
}

bool TSearchAndDoEngine::QuickSearchFoundIgnoringTags(UStringView buffer, const TSearch_word_format_rec& item) {
  return QuickSearchFoundIgnoringTags(buffer, item.sw, item.options);
}

bool TSearchAndDoEngine::QuickSearchFoundIgnoringTags(UStringView buffer, UStringView item_word, uint32_t options) {
  Impl& m = *impl_;
  if (!m.last_quick || m.last_quick_options != options || UStringView(m.last_quick_word) != item_word) {
    UString key(item_word);
    key.push_back(u'\x01');
    key.push_back(static_cast<char16_t>(options & 0xFFFF));
    auto it = m.quick_items.find(key);
    if (it == m.quick_items.end()) {
      if (m.quick_items.size() >= 512) m.quick_items.clear();
      it = m.quick_items.emplace(key, TCompiledItem{}).first;
      CompileItem(item_word, options, m.options, true, it->second);
    }
    m.last_quick = &it->second;
    m.last_quick_word.assign(item_word);
    m.last_quick_options = options;
  }
  const TCompiledItem& ci = *m.last_quick;
  if (ci.alts.empty() || buffer.empty()) return false;
  size_t n = buffer.size();
  m.quick_kinds.resize(n);
  ClassifyChars(buffer.data(), n, m.quick_kinds.data());
  ::HandleAllowables(buffer.data(), m.quick_kinds.data(), n, m.options.in_word_symbols, m.options.symbols_at_start,
                     m.options.symbols_at_end, m.options.hyphens_separate_words);
  TUnitState none;
  m.quick_words.clear();
  ScanChunk(buffer.data(), m.quick_kinds.data(), 0, static_cast<int32_t>(n), m.fold, m.quick_words, m.quick_events,
            none, false);
  TScanView v;
  v.text = buffer.data();
  v.kinds = m.quick_kinds.data();
  v.words = m.quick_words.data();
  v.word_count = static_cast<int32_t>(m.quick_words.size());
  v.fold = m.fold;
  for (const TAlternative& alt : ci.alts) {
    for (int32_t first = 0; first + static_cast<int32_t>(alt.slots.size()) <= v.word_count; ++first) {
      if (AlternativeMatchesAt(alt, ci.case_sensitive, v, first)) return true;
    }
  }
  return false;
}

void TSearchAndDoEngine::SetJumpToSource(std::function<int64_t()> lowest_jump_to) {
  impl_->jump_source = std::move(lowest_jump_to);
}

void TSearchAndDoEngine::Cancel() { impl_->cancelled = true; }
void TSearchAndDoEngine::ClearCancel() { impl_->cancelled = false; }
bool TSearchAndDoEngine::Cancelled() const { return impl_->cancelled; }

void TSearchAndDoEngine::SetExactGap(int32_t value) { impl_->exact_gap = value; }
int32_t TSearchAndDoEngine::ExactGap() const { return impl_->exact_gap; }
