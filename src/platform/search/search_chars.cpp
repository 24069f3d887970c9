#include "platform/search/search_chars.h"

#include <unicode/uchar.h>

#include <vector>

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

// The character-type bits of one code point.
uint16_t KindOfCodePoint(UChar32 c) {
  uint16_t hex = ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) ? 0x0080 : 0;
  switch (u_charType(c)) {
    case U_UPPERCASE_LETTER:
    case U_TITLECASE_LETTER:
      return 0x0301 | hex;
    case U_LOWERCASE_LETTER:
      return 0x0302 | hex;
    case U_MODIFIER_LETTER:
    case U_OTHER_LETTER:
    case U_LETTER_NUMBER:
      return 0x0300;
    case U_NON_SPACING_MARK:
    case U_ENCLOSING_MARK:
    case U_COMBINING_SPACING_MARK:
      return 0x0200;  // defined only: part of the word it sits on
    case U_DECIMAL_DIGIT_NUMBER:
      return 0x0204 | hex;
    case U_SPACE_SEPARATOR:
      return 0x0248;
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
      return 0x0208;
    case U_CONTROL_CHAR:
      if (c == '\t') return 0x0268;
      if (c >= 0x0A && c <= 0x0D) return 0x0228;
      if (c == 0x85) return 0x0228;
      return 0x0220;
    case U_UNASSIGNED:
      return 0;
    default:  // punctuation, symbols, other numbers, format and private-use characters
      return 0x0210;
  }
}

std::vector<char16_t> BuildFoldTable(bool turkic) {
  std::vector<char16_t> t(65536);
  for (uint32_t c = 0; c < 65536; ++c) {
    t[c] = static_cast<char16_t>(c);
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    UChar32 f = u_foldCase(static_cast<UChar32>(c), turkic ? U_FOLD_CASE_EXCLUDE_SPECIAL_I : U_FOLD_CASE_DEFAULT);
    if (f >= 0 && f < 0x10000 && !(f >= 0xD800 && f <= 0xDFFF)) t[c] = static_cast<char16_t>(f);
  }
  if (turkic) {
    t[u'I'] = 0x0131;
    t[0x0130] = u'i';
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

void SearchClassifyChars(const char16_t* text, size_t n, uint16_t* kinds) {
  static const std::vector<uint16_t> latin = [] {
    std::vector<uint16_t> t(256);
    for (UChar32 c = 0; c < 256; ++c) t[static_cast<size_t>(c)] = KindOfCodePoint(c);
    return t;
  }();
  size_t i = 0;
  while (i < n) {
    char16_t c = text[i];
    if (c < 0x100) {
      kinds[i] = latin[c];
      ++i;
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      UChar32 cp = 0x10000 + ((static_cast<UChar32>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      uint16_t k = KindOfCodePoint(cp);
      kinds[i] = k;
      kinds[i + 1] = k;
      i += 2;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      kinds[i] = 0x0210;  // a lone surrogate
      ++i;
    } else {
      kinds[i] = KindOfCodePoint(c);
      ++i;
    }
  }
}

const char16_t* FoldTableFor(uint32_t lcid) {
  uint32_t primary = lcid & 0x3FF;
  if (primary == 0x1F || primary == 0x2C) {
    static const std::vector<char16_t> turkic = BuildFoldTable(true);
    return turkic.data();
  }
  static const std::vector<char16_t> plain = BuildFoldTable(false);
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
