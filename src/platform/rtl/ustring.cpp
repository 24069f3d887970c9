#include "platform/rtl/ustring.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void AppendUtf16(UString& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

}  // namespace

std::string Utf16ToUtf8(UStringView s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // lone surrogate
    }
    AppendUtf8(out, c);
  }
  return out;
}

UString Utf8ToUtf16(std::string_view s) {
  UString out;
  out.reserve(s.size());
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    int len = 0;
    char32_t c = 0;
    char32_t min = 0;
    if ((b & 0xE0) == 0xC0) { len = 2; c = b & 0x1F; min = 0x80; }
    else if ((b & 0xF0) == 0xE0) { len = 3; c = b & 0x0F; min = 0x800; }
    else if ((b & 0xF8) == 0xF0) { len = 4; c = b & 0x07; min = 0x10000; }
    bool ok = len > 0 && i + len <= n;
    for (int k = 1; ok && k < len; ++k) {
      const unsigned char cb = static_cast<unsigned char>(s[i + k]);
      if ((cb & 0xC0) != 0x80) ok = false;
      else c = (c << 6) | (cb & 0x3F);
    }
    if (ok && (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) ok = false;
    if (!ok) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    AppendUtf16(out, c);
    i += len;
  }
  return out;
}

UString Latin1ToUtf16(std::string_view s) {
  UString out(s.size(), u'\0');
  for (size_t i = 0; i < s.size(); ++i) out[i] = static_cast<unsigned char>(s[i]);
  return out;
}

UString IntToUStr(int64_t n) { return Latin1ToUtf16(std::to_string(n)); }

void ResizeZeroFilled(UString& s, size_t n) {
  if (n <= s.size()) {
    s.resize(n);
    return;
  }
  static constexpr char16_t kZeros[8192] = {};
  // Room grows as the library's resize grows it: at least twice what was there.
  if (n > s.capacity()) s.reserve(std::max(n, 2 * s.capacity()));
  while (s.size() < n) s.append(kZeros, std::min(n - s.size(), std::size(kZeros)));
}

UString ThousandsSeparatorOf(std::string_view locale) {
  const std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
  const std::string_view region =
      locale.find('_') == std::string_view::npos ? std::string_view() : locale.substr(locale.find('_') + 1, 2);
  struct TRow {
    const char* language;
    const char16_t* separator;
  };
  // The separators of the common number formats of each language (its own region's).
  static constexpr TRow kRows[] = {
      {"de", u"."}, {"da", u"."}, {"es", u"."}, {"it", u"."}, {"nl", u"."}, {"pt", u"."}, {"id", u"."},
      {"tr", u"."}, {"el", u"."}, {"ro", u"."}, {"hr", u"."}, {"sl", u"."}, {"sr", u"."}, {"vi", u"."},
      {"fr", u"\u202F"}, {"ru", u"\u00A0"}, {"uk", u"\u00A0"}, {"pl", u"\u00A0"}, {"cs", u"\u00A0"},
      {"sk", u"\u00A0"}, {"sv", u"\u00A0"}, {"nb", u"\u00A0"}, {"no", u"\u00A0"}, {"fi", u"\u00A0"},
      {"hu", u"\u00A0"}, {"bg", u"\u00A0"}, {"et", u"\u00A0"}, {"lv", u"\u00A0"}, {"lt", u"\u00A0"},
  };
  // Swiss German and Italian write an apostrophe.
  if ((language == "de" || language == "it") && region == "CH") return u"\u2019";
  for (const TRow& r : kRows)
    if (language == r.language) return r.separator;
  return u",";
}

UString UserThousandsSeparator() {
  for (const char* name : {"LC_ALL", "LC_NUMERIC", "LANG"})
    if (const char* v = std::getenv(name); v && *v) return ThousandsSeparatorOf(v);
  return u",";
}

UString GroupedCount(int64_t n, UStringView separator) {
  const UString digits = IntToUStr(n);
  const size_t sign = !digits.empty() && digits[0] == u'-' ? 1 : 0;
  UString out = digits.substr(0, sign);
  const size_t len = digits.size() - sign;
  for (size_t i = 0; i < len; ++i) {
    if (i > 0 && (len - i) % 3 == 0) out += separator;
    out.push_back(digits[sign + i]);
  }
  return out;
}

UString GroupedCount(int64_t n) { return GroupedCount(n, UserThousandsSeparator()); }

UString UFormat(UStringView fmt, std::initializer_list<UStringView> args) {
  UString out;
  out.reserve(fmt.size() + 16);
  auto arg = args.begin();
  for (size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] == u'%' && i + 1 < fmt.size()) {
      const char16_t k = fmt[i + 1];
      if (k == u'%') {
        out.push_back(u'%');
        ++i;
        continue;
      }
      if ((k == u's' || k == u'd') && arg != args.end()) {
        out.append(*arg++);
        ++i;
        continue;
      }
    }
    out.push_back(fmt[i]);
  }
  return out;
}

UString AsciiLower(UStringView s) {
  UString out(s);
  for (auto& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return out;
}

UString AsciiUpper(UStringView s) {
  UString out(s);
  for (auto& c : out)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  return out;
}

UString TrimU(UStringView s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] <= u' ') ++b;
  while (e > b && s[e - 1] <= u' ') --e;
  return UString(s.substr(b, e - b));
}

bool StartsWithU(UStringView s, UStringView prefix) { return s.substr(0, prefix.size()) == prefix; }

bool EndsWithU(UStringView s, UStringView suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}
