// Hand-built concordance lines for the tests of the derived views: a line is given as its words
// left of the search word, the search word and the words right of it; "word|n" puts a boundary
// of level n after the word.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "concordance/views/collocates_list.h"
#include "concordance/lines/concordance_list.h"
#include "concordance/lines/concordance_line.h"

namespace derived_test {

struct Lines {
  explicit Lines(bool unicode = true) { holder.SetUnicode(unicode); }
  TVXBaseHolder holder;
  TConcordanceListDocument doc;
  TConcordanceList list{&holder, &doc};

  using Words = std::vector<const char16_t*>;
  TConcordanceEntry* Add(std::initializer_list<const char16_t*> left, const char16_t* sw,
                         std::initializer_list<const char16_t*> right, int32_t file = 1, int32_t sw_number = 0,
                         int32_t word_num = 0) {
    return AddWords(Words(left), sw, Words(right), file, sw_number, word_num);
  }
  TConcordanceEntry* AddWords(const Words& left, const char16_t* sw, const Words& right, int32_t file = 1,
                              int32_t sw_number = 0, int32_t word_num = 0) {
    struct W {
      UString text;
      uint8_t barrier = 0;
    };
    auto parse = [](const char16_t* s) {
      W w;
      UString t(s);
      const size_t bar = t.find(u'|');
      if (bar != UString::npos) {
        w.barrier = static_cast<uint8_t>(t[bar + 1] - u'0');
        t.resize(bar);
      }
      w.text = t;
      return w;
    };
    std::vector<W> l, r;
    for (const char16_t* s : left) l.push_back(parse(s));
    for (const char16_t* s : right) r.push_back(parse(s));
    const W centre = parse(sw);
    UString text;
    std::vector<int32_t> starts_left;
    for (const W& w : l) {
      starts_left.push_back(static_cast<int32_t>(text.size()));
      text += w.text + u" ";
    }
    const int32_t mid = static_cast<int32_t>(text.size());
    text += centre.text;
    std::vector<int32_t> starts_right;
    for (const W& w : r) {
      text += u" ";
      starts_right.push_back(static_cast<int32_t>(text.size()));
      text += w.text;
    }
    auto line = list.NewLine();
    line->SetText(text);
    auto& d = line->Data();
    d.midpoint = static_cast<int16_t>(mid);
    d.hit_characters = static_cast<int32_t>(centre.text.size());
    d.filename_num_original = file;
    d.sw_number = sw_number;
    d.word_num = word_num;
    auto put = [&](int position, int32_t start, const W& w) {
      const TSortInfoRec rec{static_cast<int16_t>(start - mid), static_cast<int16_t>(w.text.size()), w.barrier, 0};
      if (position >= kSpanFixedFirst && position <= kSpanFixedLast) line->SetFixedWord(position - kSpanFixedFirst, rec);
      else if (position < kSpanFixedFirst) line->OtherLeftCollocs().Add(rec);
      else line->OtherRightCollocs().Add(rec);
    };
    put(50, mid, centre);
    // Left words are given from the farthest; positions count outwards from the search word.
    for (size_t k = 0; k < l.size(); ++k) {
      const size_t i = l.size() - 1 - k;
      put(49 - static_cast<int>(k), starts_left[i], l[i]);
    }
    for (size_t k = 0; k < r.size(); ++k) put(51 + static_cast<int>(k), starts_right[k], r[k]);
    TConcordanceEntry* raw = line.get();
    EXPECT_GE(list.Add(line.release()), 0);
    return raw;
  }
};

// Collocate rows made by hand: (word, search-word number), each with a total of 2.
inline void AddCollocateRows(TCollocateList& list, std::initializer_list<std::pair<const char16_t*, int32_t>> rows) {
  for (auto [w, sw] : rows) {
    auto* e = static_cast<TCollocateEntry*>(TCollocateList::MakeEntry(list));
    e->rec.word = UString(w);
    e->rec.head.sw_number = sw;
    e->rec.head.total = 2;
    list.Add(e);
  }
}

}  // namespace derived_test
