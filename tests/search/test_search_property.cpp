// The one-pass gathering of many items against a plain scan, item by item, word by word, with
// regular expressions for the wildcards: random texts (hidden mark-up, kept tags, sentence ends,
// numbers, hyphens, case) and random item sets.
#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "search/search_test_support.h"

namespace {

struct TNaiveWord {
  int32_t start = 0, end = 0;
  std::string raw, lower;
  bool after_marker = false;
  int32_t sentence = 1, sentence_pos = 1;
};

bool NaiveWordKind(uint16_t k) { return k < 0x0800 && (k == 0x0200 || (k & 0x0104) != 0); }
bool NaiveTagKind(uint16_t k) { return k > 0x0800 && k < 0x8000; }

std::vector<TNaiveWord> NaiveWords(const TTestText& t) {
  std::vector<TNaiveWord> words;
  const int32_t n = static_cast<int32_t>(t.text.size());
  int32_t i = 0, sentence = 1, in_sentence = 0;
  bool marker = false;
  while (i < n) {
    uint16_t k = t.kinds[static_cast<size_t>(i)];
    if (!NaiveWordKind(k)) {
      if (k >= 0x8000) marker = true;
      if (k == 0x880F && in_sentence > 0) {
        ++sentence;
        in_sentence = 0;
      }
      ++i;
      continue;
    }
    TNaiveWord w;
    w.start = i;
    bool crossed = false;
    for (;;) {
      while (i < n && NaiveWordKind(t.kinds[static_cast<size_t>(i)])) {
        char c = static_cast<char>(t.text[static_cast<size_t>(i)]);
        w.raw += c;
        w.lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        ++i;
      }
      if (i < n && !crossed && NaiveTagKind(t.kinds[static_cast<size_t>(i)])) {
        int32_t j = i;
        uint16_t v = t.kinds[static_cast<size_t>(i)];
        while (j < n && t.kinds[static_cast<size_t>(j)] == v) {
          char16_t c = t.text[static_cast<size_t>(j++)];
          if (c == u'>') break;
        }
        if (j < n && NaiveWordKind(t.kinds[static_cast<size_t>(j)])) {
          crossed = true;
          i = j;
          continue;
        }
      }
      break;
    }
    w.end = i;
    w.after_marker = marker;
    marker = false;
    w.sentence = sentence;
    w.sentence_pos = ++in_sentence;
    words.push_back(w);
  }
  return words;
}

std::regex TokenRegex(const std::string& token) {
  std::string re;
  for (char c : token) {
    if (c == '*') {
      re += ".*";
    } else if (c == '#') {
      re += "[0-9]+([.,][0-9]+)*";
    } else if (std::isalnum(static_cast<unsigned char>(c))) {
      re += c;
    } else {
      re += '\\';
      re += c;
    }
  }
  return std::regex(re);
}

struct TNaiveHit {
  int32_t start, length, word, sentence, sentence_pos;
  bool operator==(const TNaiveHit&) const = default;
};

std::vector<TNaiveHit> NaiveSearch(const std::vector<TNaiveWord>& words, const std::string& typed) {
  std::string t = typed;
  bool cs = t.size() > 4 && t.rfind("==", 0) == 0 && t.substr(t.size() - 2) == "==";
  if (cs) t = t.substr(2, t.size() - 4);
  std::vector<std::vector<std::pair<std::string, std::regex>>> alts;
  size_t a = 0;
  for (size_t i = 0; i <= t.size(); ++i) {
    if (i < t.size() && t[i] != '/') continue;
    std::vector<std::pair<std::string, std::regex>> tokens;
    std::string piece = t.substr(a, i - a), tok;
    for (size_t j = 0; j <= piece.size(); ++j) {
      if (j == piece.size() || piece[j] == ' ') {
        if (!tok.empty()) {
          std::string p = tok;
          if (!cs) {
            for (char& c : p) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
          }
          tokens.emplace_back(p, TokenRegex(p));
        }
        tok.clear();
      } else {
        tok += piece[j];
      }
    }
    if (!tokens.empty()) alts.push_back(std::move(tokens));
    a = i + 1;
  }
  std::vector<TNaiveHit> hits;
  int32_t kept_end = -1;  // one hit per place: none inside a hit kept before
  for (size_t s = 0; s < words.size(); ++s) {
    int32_t best_end = -1;
    for (const auto& alt : alts) {
      if (s + alt.size() > words.size()) continue;
      bool ok = true;
      for (size_t j = 0; ok && j < alt.size(); ++j) {
        const TNaiveWord& w = words[s + j];
        if (j > 0 && w.after_marker) ok = false;
        if (ok) ok = std::regex_match(cs ? w.raw : w.lower, alt[j].second);
      }
      if (ok) best_end = std::max(best_end, words[s + alt.size() - 1].end);
    }
    if (best_end > kept_end) {
      kept_end = best_end;
      const TNaiveWord& w = words[s];
      hits.push_back(TNaiveHit{w.start, best_end - w.start, static_cast<int32_t>(s), w.sentence, w.sentence_pos});
    }
  }
  return hits;
}

TTestText RandomText(std::mt19937& rng) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const char* letters = "abcAB";
  TextBuilder b;
  int tokens = 5 + pick(200);
  for (int i = 0; i < tokens; ++i) {
    int kind = pick(20);
    if (kind < 12) {
      std::u16string w;
      for (int k = 1 + pick(4); k > 0; --k) w.push_back(static_cast<char16_t>(letters[pick(5)]));
      if (pick(8) == 0) w += u"-" + std::u16string(1, static_cast<char16_t>(letters[pick(5)]));
      b.Text(w);
    } else if (kind == 13) {
      b.Hidden(u"zz");
    } else if (kind == 14) {
      b.Tag(u"<t>", pick(2));
    } else if (kind == 15) {
      b.Marker(u".", 15);
    } else {
      const char16_t* other[] = {pick(2) ? u"12" : u"3.4", u", ", u"\r\n", u"a1"};
      b.Text(other[kind == 12 ? 0 : kind == 16 ? 1 : kind == 17 ? 2 : 3]);
    }
    if (pick(3) != 0) b.Text(u" ");
  }
  return b.Build();
}

std::string RandomItem(std::mt19937& rng, const std::vector<TNaiveWord>& words) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto word = [&]() -> std::string {
    if (words.empty()) return "ab";
    const std::string w = words[static_cast<size_t>(pick(static_cast<int>(words.size())))].raw;
    const std::string first = w.substr(0, 1), last = w.substr(w.size() - 1);
    const std::string shapes[] = {first + "*", "*" + last, first + "*" + last, "#", "*#*", "*", w, w, w};
    return shapes[pick(9)];
  };
  auto phrase = [&]() {
    if (words.size() < 3 || pick(3) != 0) return word();
    size_t s = static_cast<size_t>(pick(static_cast<int>(words.size()) - 2));
    std::string p;
    for (size_t j = 0; j < 2 + static_cast<size_t>(pick(2)) && s + j < words.size(); ++j) {
      p += (j ? " " : "") + (pick(4) == 0 ? std::string("*") : words[s + j].raw);
    }
    return p;
  };
  std::string item = phrase();
  if (pick(4) == 0) item += "/" + phrase();
  if (pick(6) == 0) item = "==" + item + "==";
  return item;
}

TEST(SearchProperty, OnePassMatchesAPlainScanPerItem) {
  std::mt19937 rng(20240611);
  int compared = 0;
  for (int round = 0; round < 300; ++round) {
    TTestText t = RandomText(rng);
    std::vector<TNaiveWord> words = NaiveWords(t);
    std::vector<std::string> items;
    std::vector<UString> typed;
    for (int i = 0, n = 1 + static_cast<int>(rng() % 12); i < n; ++i) {
      std::string item = RandomItem(rng, words);
      if (std::find(items.begin(), items.end(), item) != items.end()) continue;
      items.push_back(item);
      typed.push_back(Utf8ToUtf16(item));
    }
    TRunResult r = RunItems(t, typed);
    for (size_t i = 0; i < items.size(); ++i) {
      std::vector<TNaiveHit> want = NaiveSearch(words, items[i]);
      std::vector<TNaiveHit> got;
      for (const auto& f : r.hits) {
        if (f.item_index != static_cast<int32_t>(i)) continue;
        got.push_back(TNaiveHit{f.hit_position, f.hit_length, f.stats.words_in_chunk, f.stats.unit_number[0],
                                f.stats.unit_position[0]});
      }
      EXPECT_EQ(got.size(), want.size()) << "item " << items[i] << " in " << Utf16ToUtf8(t.text);
      if (got != want) {
        ADD_FAILURE() << "item " << items[i] << " in \"" << Utf16ToUtf8(t.text) << "\"";
        break;
      }
      compared += static_cast<int>(want.size());
    }
    if (HasFailure()) break;
  }
  EXPECT_GT(compared, 1000);
}

}  // namespace

namespace {

// Random texts cut at a random word, the later chunk's buffer starting a few words before the
// cut: every hit, word number, sentence number and unit end as one chunk gives them.
TEST(SearchProperty, ChunkCutsChangeNoHit) {
  std::mt19937 rng(20261207);
  int compared = 0;
  for (int round = 0; round < 300; ++round) {
    TTestText t = RandomText(rng);
    std::vector<TNaiveWord> words = NaiveWords(t);
    if (words.size() < 8) continue;
    std::vector<UString> typed;
    for (int i = 0, n = 1 + static_cast<int>(rng() % 8); i < n; ++i) {
      std::string item = RandomItem(rng, words);
      if (item.find('/') != std::string::npos) continue;  // kept for the alternatives' own test
      typed.push_back(Utf8ToUtf16(item));
    }
    const size_t back = 3 + rng() % 3;  // the longest phrase has 3 words
    const size_t cut_word = back + rng() % (words.size() - back);
    const int32_t cut = words[cut_word].start, from = words[cut_word - back].start;
    TJoinRun whole = OneChunk(t, typed);
    TJoinRun split = RunInChunks(t, typed, {cut}, {from});
    EXPECT_EQ(split.hits, whole.hits) << "cut at " << cut << " from " << from << " in " << Utf16ToUtf8(t.text);
    EXPECT_EQ(split.ends, whole.ends);
    EXPECT_EQ(split.words, whole.words);
    if (HasFailure()) break;
    compared += static_cast<int>(whole.hits.size());
  }
  EXPECT_GT(compared, 1000);
}

}  // namespace

namespace {

// Up to four whole words: the engine then hashes only words of their lengths (or words with a tag
// or hidden text inside), which the scan notes when it knows the items first. Random texts of
// words of 1 to 14 letters, items taken from the text in another case: with a phrase beside them
// (every word hashed), without, and known before the scan, the plain scan's hits; cut into two
// chunks, the hits of one.
TEST(SearchProperty, FewWholeWordsMatchAPlainScan) {
  std::mt19937 rng(20261208);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  int compared = 0;
  for (int round = 0; round < 300; ++round) {
    const char* letters = "abcAB";
    TextBuilder b;
    for (int i = 0, tokens = 5 + pick(150); i < tokens; ++i) {
      std::u16string w;
      for (int k = 1 + pick(pick(3) == 0 ? 14 : 5); k > 0; --k) w.push_back(static_cast<char16_t>(letters[pick(5)]));
      const int kind = pick(12);
      if (kind == 0) {
        b.Text(w.substr(0, 1)).Hidden(u"zz").Text(w);  // hidden text inside a word
      } else if (kind == 1) {
        b.Text(w).Tag(u"<t>", pick(2)).Text(u"a");  // a kept tag inside a word
      } else if (kind == 2) {
        b.Text(w).Marker(u".", 15);
      } else {
        b.Text(w);
      }
      b.Text(pick(4) == 0 ? u", " : u" ");
    }
    const TTestText t = b.Build();
    const std::vector<TNaiveWord> words = NaiveWords(t);
    if (words.empty()) continue;
    std::vector<std::string> items;
    for (int i = 0, n = 1 + pick(4); i < n; ++i) {
      std::string w = words[static_cast<size_t>(pick(static_cast<int>(words.size())))].raw;
      for (char& c : w) c = pick(2) ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
      std::string lower = w;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      bool again = false;
      for (const std::string& it : items) {
        std::string l = it;
        for (char& c : l) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        again = again || l == lower;
      }
      if (!again) items.push_back(w);
    }
    std::vector<std::string> ends_of_way[3];
    for (int way = 0; way < 3; ++way) {
      const bool with_phrase = way == 1, items_first = way == 2;
      std::vector<UString> typed;
      for (const std::string& it : items) typed.push_back(Utf8ToUtf16(it));
      if (with_phrase) typed.push_back(u"zq qz");
      const TRunResult r = RunItems(t, typed, {}, true, items_first);
      for (const TSearchStatsRec& e : r.ends)
        ends_of_way[way].push_back(std::to_string(e.words_in_chunk) + " " + std::to_string(e.unit_number[0]) + " " +
                                   std::to_string(e.unit_length[0]));
      for (size_t i = 0; i < items.size(); ++i) {
        const std::vector<TNaiveHit> want = NaiveSearch(words, items[i]);
        std::vector<TNaiveHit> got;
        for (const auto& f : r.hits) {
          if (f.item_index != static_cast<int32_t>(i)) continue;
          got.push_back(TNaiveHit{f.hit_position, f.hit_length, f.stats.words_in_chunk, f.stats.unit_number[0],
                                  f.stats.unit_position[0]});
        }
        if (got != want) {
          ADD_FAILURE() << "item " << items[i] << (with_phrase ? " beside a phrase" : "")
                        << (items_first ? " known first" : "") << " in \"" << Utf16ToUtf8(t.text)
                        << "\": " << got.size() << " hits, want " << want.size();
          break;
        }
        compared += static_cast<int>(want.size());
      }
    }
    EXPECT_EQ(ends_of_way[2], ends_of_way[1]) << "unit ends, items known first, in " << Utf16ToUtf8(t.text);
    EXPECT_EQ(ends_of_way[0], ends_of_way[1]) << "unit ends in " << Utf16ToUtf8(t.text);
    {
      // Known first, then a phrase the engine did not know: the chunk is scanned again for it.
      std::vector<UString> typed;
      for (const std::string& it : items) typed.push_back(Utf8ToUtf16(it));
      TSearchWordItems known_first, all;
      for (const UString& it : typed) {
        known_first.AddedSearchWords(it);
        all.AddedSearchWords(it);
      }
      all.AddedSearchWords(u"ab c");
      TSearchAndDoEngine engine(true, true, {});
      engine.SetItems(known_first);
      TChunkPositions pos;
      pos.length = static_cast<int32_t>(t.text.size());
      pos.last_chunk = true;
      std::vector<std::string> got;
      int32_t ends = 0;
      engine.PrepareForConcordancing(
          u"t.txt", t.text.data(), t.kinds.data(), pos,
          [&](TSearchAndDoEngine&, TSearchFound_Rec& f) {
            got.push_back(std::to_string(f.item_index) + "@" + std::to_string(f.hit_position) + " w" +
                          std::to_string(f.stats.words_in_chunk) + " s" + std::to_string(f.stats.unit_number[0]));
            return true;
          },
          [&](TSearchAndDoEngine&, TSearchStatsRec&) { ++ends; });
      for (int32_t i = 0; i < all.Count(); ++i) engine.SearchAndDo(*all.GetPtr(i), i);
      TSearchStatsRec stats;
      engine.CopyAChunkTextStats(stats);
      EXPECT_EQ(stats.words_in_chunk, static_cast<int32_t>(words.size()));
      std::vector<std::string> want;
      typed.push_back(u"ab c");
      for (const auto& f : RunItems(t, typed).hits)
        want.push_back(std::to_string(f.item_index) + "@" + std::to_string(f.hit_position) + " w" +
                       std::to_string(f.stats.words_in_chunk) + " s" + std::to_string(f.stats.unit_number[0]));
      EXPECT_EQ(got, want) << Utf16ToUtf8(t.text);
    }
    if (words.size() >= 8) {
      std::vector<UString> typed;
      for (const std::string& it : items) typed.push_back(Utf8ToUtf16(it));
      const size_t cut_word = 4 + static_cast<size_t>(pick(static_cast<int>(words.size()) - 4));
      const int32_t cut = words[cut_word].start, from = words[cut_word - 3].start;
      EXPECT_EQ(RunInChunks(t, typed, {cut}, {from}).hits, OneChunk(t, typed).hits)
          << "cut at " << cut << " in " << Utf16ToUtf8(t.text);
    }
    if (HasFailure()) break;
  }
  EXPECT_GT(compared, 3000);
}

}  // namespace
