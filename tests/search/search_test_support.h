// Building small texts with kinds (hidden mark-up, kept tags, text markers) and running the engine
// over them.
#pragma once

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

// One chunk (the whole text), every item searched in order as the text processor does.
inline TRunResult RunItems(const TTestText& t, const std::vector<UString>& items, const TSearchTextOptions& o = {},
                           bool last_chunk = true) {
  TRunResult r;
  TSearchAndDoEngine engine(true, true, o);
  TSearchWordItems list(o);
  for (const UString& s : items) list.AddedSearchWords(s);
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
