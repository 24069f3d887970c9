#include "platform/search/search_chars.h"

#include <vector>

#include "platform/text/text_services.h"

namespace {

std::vector<uint8_t> BuildScanClasses() {
  std::vector<uint8_t> t(65536, kScanSeparator);
  for (uint32_t k = 0; k < 65536; ++k) {
    if (k >= kKindMarkerFlag) {
      t[k] = kScanMarker;
    } else if (k == kKindHidden) {
      t[k] = kScanHidden;
    } else if (k > kKindHidden) {
      t[k] = kScanTag;
    } else if (IsWordKind(static_cast<uint16_t>(k))) {
      t[k] = kScanWord;
    }
  }
  return t;
}

// Each unit's simple case fold through the text services: the full fold when it is one unit,
// else the lower case (so "\u00DF", whose full fold is "ss", stays itself). Turkish and Azeri take
// their own lower case of the two capital i's.
std::vector<char16_t> BuildFoldTable(TLCID turkic_lcid) {
  std::vector<char16_t> t(65536);
  for (uint32_t c = 0; c < 65536; ++c) {
    const char16_t u = static_cast<char16_t>(c);
    t[c] = u;
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    UString f = FoldCaseU(UStringView(&u, 1));
    if (f.size() != 1) f = LowerCaseU(UStringView(&u, 1), kLCID_EnglishUS);
    if (f.size() == 1 && !(f[0] >= 0xD800 && f[0] <= 0xDFFF)) t[c] = f[0];
  }
  if (turkic_lcid != 0) {
    for (char16_t u : {u'I', char16_t(0x0130)}) {
      UString f = LowerCaseU(UStringView(&u, 1), turkic_lcid);
      if (f.size() == 1) t[u] = f[0];
    }
  }
  return t;
}

bool IsSymbol(char16_t c, UStringView symbols) {
  for (char16_t s : symbols) {
    if (s == c) return true;
  }
  return false;
}

bool IsDigitKind(uint16_t k) { return k < kKindHidden && (k & kKindDigit) != 0; }

}  // namespace

const uint8_t* ScanClassTable() {
  static const std::vector<uint8_t> table = BuildScanClasses();
  return table.data();
}

const char16_t* FoldTableFor(uint32_t lcid) {
  uint32_t primary = lcid & 0x3FF;
  if (primary == 0x1F || primary == 0x2C) {
    static const std::vector<char16_t> turkic = BuildFoldTable(0x041F);
    return turkic.data();
  }
  static const std::vector<char16_t> plain = BuildFoldTable(0);
  return plain.data();
}

void HandleAllowables(const char16_t* text, uint16_t* kinds, size_t n, UStringView in_word_symbols,
                      bool symbols_at_start, bool symbols_at_end, bool hyphens_separate_words) {
  if (text == nullptr || kinds == nullptr) return;
  auto word_at = [&](size_t j) { return IsWordKind(kinds[j]); };
  size_t i = 0;
  while (i < n) {
    uint16_t k = kinds[i];
    if (k >= kKindHidden || (k & 0x0400) != 0 || IsWordKind(k)) {  // 0x0400: a protected tag character
      ++i;
      continue;
    }
    char16_t c = text[i];
    if ((c == u'.' || c == u',') && i > 0 && i + 1 < n && IsDigitKind(kinds[i - 1]) && IsDigitKind(kinds[i + 1])) {
      kinds[i] = kKindDefined;
      ++i;
      continue;
    }
    if (!hyphens_separate_words && IsHyphenChar(c) && i > 0 && i + 1 < n && word_at(i - 1) && word_at(i + 1)) {
      kinds[i] = kKindDefined;
      ++i;
      continue;
    }
    if (!in_word_symbols.empty() && IsSymbol(c, in_word_symbols)) {
      size_t j = i;
      while (j < n && kinds[j] < kKindHidden && !IsWordKind(kinds[j]) && IsSymbol(text[j], in_word_symbols)) ++j;
      bool before = i > 0 && word_at(i - 1);
      bool after = j < n && word_at(j);
      if ((before && after) || (after && symbols_at_start) || (before && symbols_at_end)) {
        for (size_t m = i; m < j; ++m) kinds[m] = kKindDefined;
      }
      i = j;
      continue;
    }
    ++i;
  }
}
