// Building small texts with kinds (hidden mark-up, kept tags, text markers) and running the engine
// over them.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/search/search_chars.h"
#include "platform/text/text_services.h"
#include "platform/search/search_engine.h"
#include "platform/search/search_items.h"

struct TTestText {
  UString text;
  std::vector<uint16_t> kinds;
};

class TextBuilder {
 public:
  // Ordinary text, classified; allowed characters are applied over the whole text at Build.
  TextBuilder& Text(UStringView s) { return Add(s, 0xFFFF); }
  TextBuilder& Hidden(UStringView s) { return Add(s, kKindHidden); }
  TextBuilder& Tag(UStringView s, int index = 0) { return Add(s, static_cast<uint16_t>(0x0801 + index)); }
  // A text marker of kind k (15 sentence end, 17 paragraph end ...).
  TextBuilder& Marker(UStringView s, int k) {
    for (size_t i = 0; i < s.size(); ++i) {
      text_.push_back(s[i]);
      fixed_.push_back(static_cast<uint16_t>(i == 0 ? kKindMarkerBase + k : kKindMarkerBase));
    }
    return *this;
  }
  TTestText Build(const TSearchTextOptions& o = {}) const {
    TTestText t;
    t.text = text_;
    t.kinds.assign(text_.size() + 2, 0);
    ClassifyChars(text_.data(), text_.size(), t.kinds.data());
    for (size_t i = 0; i < text_.size(); ++i) {
      if (fixed_[i] != 0xFFFF) t.kinds[i] = fixed_[i];
    }
    HandleAllowables(t.text.data(), t.kinds.data(), t.text.size(), o.in_word_symbols, o.symbols_at_start,
                     o.symbols_at_end, o.hyphens_separate_words);
    return t;
  }

 private:
  TextBuilder& Add(UStringView s, uint16_t kind) {
    text_.append(s);
    fixed_.insert(fixed_.end(), s.size(), kind);
    return *this;
  }
  UString text_;
  std::vector<uint16_t> fixed_;
};

inline TTestText Plain(UStringView s, const TSearchTextOptions& o = {}) { return TextBuilder().Text(s).Build(o); }

struct TRunResult {
  std::vector<TSearchFound_Rec> hits;  // every item's hits, in the order delivered
  std::vector<TSearchStatsRec> ends;   // unit ends of the first item's pass
};

// One chunk (the whole text), every item searched in order as the text processor does (which
// gives the engine its items before the first chunk: items_first).
inline TRunResult RunItems(const TTestText& t, const std::vector<UString>& items, const TSearchTextOptions& o = {},
                           bool last_chunk = true, bool items_first = false) {
  TRunResult r;
  TSearchAndDoEngine engine(true, true, o);
  TSearchWordItems list(o);
  for (const UString& s : items) list.AddedSearchWords(s);
  if (items_first) engine.SetItems(list);
  TChunkPositions pos;
  pos.length = static_cast<int32_t>(t.text.size());
  pos.last_chunk = last_chunk;
  pos.file_size = 2 * static_cast<int64_t>(t.text.size());
  int pass = 0;
  engine.PrepareForConcordancing(
      u"t.txt", t.text.data(), t.kinds.data(), pos,
      [&](TSearchAndDoEngine&, TSearchFound_Rec& f) {
        r.hits.push_back(f);
        return true;
      },
      [&](TSearchAndDoEngine&, TSearchStatsRec& s) {
        if (pass == 0) r.ends.push_back(s);
      });
  for (int32_t i = 0; i < list.Count(); ++i) {
    engine.SetCurrentItem(i);
    engine.ClearChunkTextStats();
    engine.SearchAndDo(*list.GetPtr(i), i);
    ++pass;
  }
  return r;
}

// The matched texts of a run joined by "|".
inline std::string HitTexts(const TTestText& t, const TRunResult& r) {
  std::string out;
  for (const auto& f : r.hits) {
    if (!out.empty()) out += "|";
    out += Utf16ToUtf8(t.text.substr(static_cast<size_t>(f.hit_position), static_cast<size_t>(f.hit_length)));
  }
  return out;
}

inline std::string Matches(const TTestText& t, UStringView item, const TSearchTextOptions& o = {}) {
  return HitTexts(t, RunItems(t, {UString(item)}, o));
}

// A hit as the whole text sees it: "item@char+length w<word> s<sentence>.<position in it>".
struct TJoinRun {
  std::vector<std::string> hits;
  std::vector<std::string> ends;  // unit ends of the first item's passes: "w<word> s<sentence>"
  int32_t words = 0;
};

inline std::string HitKey(const TSearchFound_Rec& f, int32_t char_base, int32_t word_base) {
  return std::to_string(f.item_index) + "@" + std::to_string(char_base + f.hit_position) + "+" +
         std::to_string(f.hit_length) + " w" + std::to_string(word_base + f.stats.words_in_chunk) + " s" +
         std::to_string(f.stats.unit_number[kUnitSentence]) + "." +
         std::to_string(f.stats.unit_position[kUnitSentence]);
}

// The text read as chunks: cuts are where each later chunk's own text begins, overlap_from where
// its buffer begins (the previous chunk's tail); 0 cuts read it as one chunk.
inline TJoinRun RunInChunks(const TTestText& t, const std::vector<UString>& items, const std::vector<int32_t>& cuts,
                     const std::vector<int32_t>& overlap_from) {
  TJoinRun r;
  TSearchAndDoEngine engine(true, true, {});
  TSearchWordItems list;
  for (const UString& s : items) list.AddedSearchWords(s);
  TSearchStatsRec text_stats;
  std::vector<int32_t> starts{0};
  starts.insert(starts.end(), cuts.begin(), cuts.end());
  const int32_t n = static_cast<int32_t>(t.text.size());
  for (size_t c = 0; c < starts.size(); ++c) {
    const int32_t own = starts[c];
    const int32_t from = c == 0 ? 0 : overlap_from[c - 1];
    const int32_t to = c + 1 < starts.size() ? starts[c + 1] : n;
    UString buffer = t.text.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
    std::vector<uint16_t> kinds(t.kinds.begin() + from, t.kinds.begin() + to);
    kinds.resize(kinds.size() + 2, 0);
    TChunkPositions pos;
    pos.chunk_start = own - from;
    pos.length = to - from;
    pos.chunk_index = static_cast<int32_t>(c);
    pos.last_chunk = to == n;
    pos.chunk_file_offset = 2 * static_cast<int64_t>(own);
    pos.file_size = 2 * static_cast<int64_t>(n);
    const int32_t word_base = text_stats.words_in_chunk;
    int pass = 0;
    engine.PrepareForConcordancing(
        u"t", buffer.data(), kinds.data(), pos,
        [&](TSearchAndDoEngine&, TSearchFound_Rec& f) {
          r.hits.push_back(HitKey(f, from, word_base));
          return true;
        },
        [&](TSearchAndDoEngine&, TSearchStatsRec& s) {
          if (pass == 0) {
            r.ends.push_back("w" + std::to_string(word_base + s.words_in_chunk) + " s" +
                             std::to_string(s.unit_number[kUnitSentence]));
          }
        });
    for (int32_t i = 0; i < list.Count(); ++i) {
      engine.SearchAndDo(*list.GetPtr(i), i);
      ++pass;
    }
    engine.CopyAChunkTextStats(text_stats);
  }
  r.words = text_stats.words_in_chunk;
  // Hits in text order per item, as one chunk hands them out item by item.
  std::stable_sort(r.hits.begin(), r.hits.end(), [](const std::string& a, const std::string& b) {
    return std::stoi(a) < std::stoi(b);
  });
  return r;
}

inline TJoinRun OneChunk(const TTestText& t, const std::vector<UString>& items) {
  return RunInChunks(t, items, {}, {});
}
