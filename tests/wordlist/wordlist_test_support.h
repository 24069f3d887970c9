// Small builders for the word-list tests: byte strings written by hand and lists filled from
// (word, frequency) pairs.
#pragma once

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "model/lists/result_list_base.h"
#include "platform/rtl/streams.h"
#include "wordlist/word_list.h"

namespace wltest {

class Bytes {
 public:
  Bytes& i32(int32_t v) { return raw(&v, 4); }
  Bytes& f32(float v) { return raw(&v, 4); }
  Bytes& u8(uint8_t v) { return raw(&v, 1); }
  // A UTF-16 string as the runtime frames it.
  Bytes& wstr(std::u16string_view s) {
    i32(static_cast<int32_t>(s.size()));
    return raw(s.data(), s.size() * 2);
  }
  // An 8-bit string (code page 1252 for the characters used here).
  Bytes& astr(std::string_view s) {
    i32(static_cast<int32_t>(s.size()));
    return raw(s.data(), s.size());
  }
  Bytes& raw(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    data.insert(data.end(), b, b + n);
    return *this;
  }
  std::vector<uint8_t> data;
};

inline std::vector<uint8_t> Written(TVXBaseListObject& e) {
  TMemoryStream s;
  EXPECT_TRUE(e.SaveToStream(s));
  return s.Data();
}

inline void Fill(TVXWordList& list, std::initializer_list<std::pair<const char16_t*, int>> rows) {
  for (const auto& [w, f] : rows) {
    TWordlistData d;
    d.word = w;
    d.frequency = f;
    d.n_texts = 1;
    list.AddRow(d);
  }
}

inline std::string Words(TVXWordList& list) {
  std::string out;
  for (int i = 0; i < list.Count(); ++i)
    out += (i ? " " : "") + (list.Row(i) ? Utf16ToUtf8(list.Row(i)->data.word) : std::string("<nil>"));
  return out;
}

// The words in frequency order.
inline std::string ByFrequency(TVXWordList& list) {
  std::string out;
  for (int k = 0; k < list.Count(); ++k)
    out += (k ? " " : "") + Utf16ToUtf8(list.CellText(k, kWLColWord, kDisplayByFrequency));
  return out;
}

// A row's own "frequency/texts" and each form joined under it with its own, the forms in
// alphabetical order (texts left out where they are 0, as an import's are); "" for no such row.
inline std::string LemmaOf(TVXWordList& list, std::u16string_view word) {
  for (int i = 0; i < list.Count(); ++i) {
    const TWordlistEntry* e = list.Row(i);
    if (!e || e->data.word != word) continue;
    auto counts = [](const TVXBaseListObject& x) {
      return std::to_string(x.MainWordFrequency()) + (x.MainNTexts() > 0 ? "/" + std::to_string(x.MainNTexts()) : "");
    };
    std::vector<std::string> forms;
    for (const TVXBaseListObject* f : e->JoinedEntries()) forms.push_back(Utf16ToUtf8(f->MainWordOnly()) + " " + counts(*f));
    std::sort(forms.begin(), forms.end());
    std::string s = counts(*e);
    for (const std::string& f : forms) s += " " + f;
    return s;
  }
  return "";
}

}  // namespace wltest
