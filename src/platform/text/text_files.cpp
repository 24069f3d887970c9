#include "platform/text/text_files.h"

#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/text/text_services.h"

UString DecodeUtf16Bytes(const uint8_t* data, size_t n, bool big_endian) {
  UString out(n / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i) {
    const uint8_t a = data[2 * i], b = data[2 * i + 1];
    out[i] = big_endian ? char16_t((a << 8) | b) : char16_t((b << 8) | a);
  }
  return out;
}

TTextBytesKind DecodeTextBytes(const uint8_t* data, size_t n, UString& out, int code_page, bool guess_utf16) {
  if (n >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    out = DecodeUtf16Bytes(data + 2, n - 2, false);
    return TTextBytesKind::Utf16LE;
  }
  if (n >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
    out = DecodeUtf16Bytes(data + 2, n - 2, true);
    return TTextBytesKind::Utf16BE;
  }
  if (n >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
    if (!DecodeUtf8Strict(data + 3, n - 3, out))
      out = Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data) + 3, n - 3));
    return TTextBytesKind::Utf8;
  }
  if (guess_utf16) {
    switch (GuessUtf16(data, n)) {
      case TUtf16Guess::LittleEndian: out = DecodeUtf16Bytes(data, n, false); return TTextBytesKind::Utf16LE;
      case TUtf16Guess::BigEndian: out = DecodeUtf16Bytes(data, n, true); return TTextBytesKind::Utf16BE;
      case TUtf16Guess::NotUtf16: break;
    }
  }
  if (DecodeUtf8Strict(data, n, out)) return TTextBytesKind::Utf8;
  out = DecodeCodePage(data, n, code_page > 0 ? code_page : 1252);
  return TTextBytesKind::CodePage;
}

bool ReadTextFile(UStringView name, UString& out, int64_t max_bytes, int code_page, bool guess_utf16,
                  TTextBytesKind* kind) {
  const int64_t size = FileSizeU(name);
  if (size < 0 || size > max_bytes) return false;
  auto f = TFileStream::Open(UString(name), TFileMode::OpenRead);
  if (!f) return false;
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (size > 0 && !f->ReadExact(bytes.data(), size)) return false;
  const TTextBytesKind k = DecodeTextBytes(bytes.data(), bytes.size(), out, code_page, guess_utf16);
  if (kind) *kind = k;
  return true;
}

bool SaveTextFileUtf16(UStringView name, UStringView text) {
  return SafeSaveToFile(name, [&](TStream& s) {
    const uint8_t bom[2] = {0xFF, 0xFE};
    return s.WriteExact(bom, 2) && s.WriteExact(text.data(), static_cast<int64_t>(text.size()) * 2);
  });
}

std::vector<UStringView> SplitLinesU(UStringView text) {
  std::vector<UStringView> lines;
  size_t begin = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\n' && text[i] != u'\r') continue;
    lines.push_back(text.substr(begin, i - begin));
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    begin = i + 1;
  }
  if (begin < text.size()) lines.push_back(text.substr(begin));
  return lines;
}
