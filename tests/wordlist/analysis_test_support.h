// Shared pieces of the analysis tests: a stream that takes only so many bytes, a word-list
// document made for a test, and running words built by hand.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"
#include "wordlist/word_list_document.h"

namespace analysistest {

// A memory stream that takes at most `limit` bytes: the write that crosses it is cut short.
class TCappedStream : public TMemoryStream {
 public:
  explicit TCappedStream(int64_t limit) : limit_(limit) {}
  int64_t Write(const void* buffer, int64_t count) override {
    const int64_t room = std::max<int64_t>(0, limit_ - Position());
    return TMemoryStream::Write(buffer, std::min(count, room));
  }

 private:
  int64_t limit_;
};

inline std::unique_ptr<T_WholeWordlistHolder> NewDoc(TTessorineList kind = kListWordList) {
  return std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kind, false, false, nullptr, nullptr);
}

// A running word's record as an index keeps it: type and marker, and its text.
struct TRec {
  uint32_t word_type_number;
  int32_t file_number;
};

// Running words from a text of words separated by blanks, types numbered as words first come;
// after a word, "." marks a sentence end (2), "," punctuation (1), "|" a paragraph end (4) and
// "/" the end of a text (8), which also starts the next text.
struct THandCorpus {
  std::vector<TRec> recs;
  std::vector<std::string> words;  // by type number
  explicit THandCorpus(const std::string& text) {
    int32_t file = 1;
    size_t i = 0;
    while (i < text.size()) {
      while (i < text.size() && text[i] == ' ') ++i;
      if (i >= text.size()) break;
      const char c = text[i];
      if (c == '.' || c == ',' || c == '|' || c == '/') {
        const uint32_t mark = c == '.' ? 2u : c == ',' ? 1u : c == '|' ? 4u : 8u;
        if (!recs.empty()) recs.back().word_type_number |= mark << 28;
        if (c == '/') ++file;
        ++i;
        continue;
      }
      size_t j = i;
      while (j < text.size() && text[j] != ' ' && text[j] != '.' && text[j] != ',' && text[j] != '|' && text[j] != '/')
        ++j;
      const std::string w = text.substr(i, j - i);
      uint32_t t = 0;
      while (t < words.size() && words[t] != w) ++t;
      if (t == words.size()) words.push_back(w);
      recs.push_back({t, file});
      i = j;
    }
  }
  uint32_t Type(const std::string& w) const {
    for (uint32_t t = 0; t < words.size(); ++t)
      if (words[t] == w) return t;
    return 0xFFFFFFFF;
  }
  std::vector<int32_t> Places(const std::string& w) const {
    std::vector<int32_t> p;
    for (size_t k = 0; k < recs.size(); ++k)
      if ((recs[k].word_type_number & 0x0FFFFFFF) == Type(w)) p.push_back(static_cast<int32_t>(k));
    return p;
  }
  int32_t Freq(const std::string& w) const { return static_cast<int32_t>(Places(w).size()); }
};

}  // namespace analysistest
