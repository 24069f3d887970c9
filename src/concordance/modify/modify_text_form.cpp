#include "concordance/modify/modify_text_form.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "model/reading/chosen_texts.h"
#include "platform/rtl/files.h"
#include "platform/text/text_files.h"
#include "platform/text/text_services.h"

namespace {

constexpr TTessorineList kConcordanceListKind = 10;

// The chunked reader over one text, for its decision on the encoding alone: it reads on only
// while 8-bit text is undecided (the decision falls on the first piece with a byte of 0x80 or
// above; a byte-order mark or signature decides on the first piece).
class TEncodingProbe : public TBufferProcessor {
 public:
  TEncodingProbe(TTextReadRun& run, const TChosenFileDetailsFullRec& chosen)
      : TBufferProcessor(
            nullptr, [](const TFileHandledRec&, bool) {}, [](bool) {}, nullptr, chosen, kConcordanceListKind, false,
            false, true, &run) {}
  bool ProcessAChunkOfFile(int32_t) override { return !fEightBitDecided; }
};

// Well-formed UTF-8 from byte `from` on, decoded into out; answers where the first byte that is
// no UTF-8 lies (n when there is none).
size_t WellFormedRun(const uint8_t* b, size_t from, size_t n, UString& out) {
  size_t used = 0;
  if (DecodeUtf8Strict(b + from, n - from, out, false, &used)) return n;
  return from + used;
}

// The UTF-8 bytes of the first `units` UTF-16 units of text; -1 when they end inside a pair.
int64_t Utf8BytesOfUnits(UStringView text, int64_t units) {
  int64_t bytes = 0, u = 0;
  while (u < units) {
    const char16_t c = text[static_cast<size_t>(u)];
    if (c < 0x80) bytes += 1;
    else if (c < 0x800) bytes += 2;
    else if (c >= 0xD800 && c <= 0xDBFF) bytes += 4, ++u;
    else bytes += 3;
    ++u;
  }
  return u == units ? bytes : -1;
}

}  // namespace

bool ReadersTextForm(UStringView full_name, const TTextReadSnapshot& snapshot, TTextForm& form) {
  form = TTextForm();
  TTextReadSnapshot settings = snapshot;
  // Nothing may end the reading before the encoding is decided.
  settings.selecting_texts = false;
  TTextReadRun run(std::move(settings));
  TChosenFileDetailsFullRec chosen;
  chosen.rec.filename = ExtractFileName(full_name);
  chosen.folder = ExcludeTrailingPathDelimiter(ExtractFilePath(full_name));
  chosen.rec.wanted = kWantedFound;
  chosen.rec.jumps = std::make_shared<TJumpList>();
  TEncodingProbe probe(run, chosen);
  if (!probe.SetupTheBuffer()) return probe.FileSize() == 0 && FileExists(full_name);  // empty: any form
  probe.ReadAndProcess();
  form.encoding = probe.Encoding();
  form.code_page = probe.CodePage();
  form.signature_bytes = probe.FileSignatureBytes;
  return true;
}

bool EncodeIn(const TTextForm& form, UStringView text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
    if (low || (high && (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF))) return false;
    if (high) ++i;
  }
  switch (form.encoding) {
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE:
      for (char16_t c : text) {
        const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
        if (form.encoding == TTextEncoding::Utf16LE) out += lo, out += hi;
        else out += hi, out += lo;
      }
      return true;
    case TTextEncoding::Utf8:
      out = Utf16ToUtf8(text);
      return true;
    case TTextEncoding::CodePage:
      out = EncodeCodePage(text, form.code_page);
      return DecodeCodePage(reinterpret_cast<const uint8_t*>(out.data()), out.size(), form.code_page) == text;
  }
  return false;
}

UString DecodeIn(const TTextForm& form, const char* data, size_t n) {
  const auto* b = reinterpret_cast<const uint8_t*>(data);
  switch (form.encoding) {
    case TTextEncoding::Utf16LE: return DecodeUtf16Bytes(b, n, false);
    case TTextEncoding::Utf16BE: return DecodeUtf16Bytes(b, n, true);
    case TTextEncoding::Utf8: {
      // As the reader reads a stray byte: one replacement character for it.
      UString out, piece;
      for (size_t i = 0; i < n;) {
        const size_t bad = WellFormedRun(b, i, n, piece);
        out += piece;
        if (bad >= n) break;
        out += u'\uFFFD';
        i = bad + 1;
      }
      return out;
    }
    case TTextEncoding::CodePage: return DecodeCodePage(b, n, form.code_page);
  }
  return UString();
}

int64_t ByteOfCharacter(const TTextForm& form, const std::string& bytes, int64_t index) {
  const int64_t n = static_cast<int64_t>(bytes.size());
  const int64_t start = std::min(form.signature_bytes, n);
  if (index < 0) return -1;
  const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
  switch (form.encoding) {
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE:
      return index <= (n - start) / 2 ? start + 2 * index : -1;
    case TTextEncoding::Utf8: {
      size_t i = static_cast<size_t>(start);
      int64_t left = index;
      UString piece;
      while (left > 0) {
        if (i >= bytes.size()) return -1;
        const size_t bad = WellFormedRun(b, i, bytes.size(), piece);
        if (static_cast<int64_t>(piece.size()) >= left) {
          const int64_t within = Utf8BytesOfUnits(piece, left);
          return within < 0 ? -1 : static_cast<int64_t>(i) + within;
        }
        left -= static_cast<int64_t>(piece.size());
        if (bad >= bytes.size()) return -1;
        --left;  // the stray byte: one character
        i = bad + 1;
      }
      return static_cast<int64_t>(i);
    }
    case TTextEncoding::CodePage: {
      // No code page takes more than four bytes for a character.
      const int64_t rest = n - start;
      const int64_t take = index >= rest / 4 ? rest : 4 * (index + 1);
      std::vector<uint32_t> offsets;
      const UString text = DecodeCodePageWithOffsets(b + start, static_cast<size_t>(take), form.code_page, offsets,
                                                     take < rest);
      if (index >= static_cast<int64_t>(offsets.size())) return -1;
      return start + offsets[static_cast<size_t>(index)];
    }
  }
  return -1;
}
