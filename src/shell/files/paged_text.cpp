#include "shell/files/paged_text.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "concordance/document/source_files.h"
#include "concordance/lines/character_scans.h"
#include "platform/rtl/files.h"
#include "platform/text/text_services.h"

namespace {

constexpr int kUtf8CodePage = 65001;
// How many more units than the line shows a hit may take in its text (runs of blanks).
constexpr size_t kHitBlankRoom = 256;

bool IsMultiByteCodePage(int cp) {
  switch (cp) {
    case 932: case 936: case 949: case 950: case 1361:
    case 20932: case 51932: case 51949: case 54936: case 50220:
      return true;
    default:
      return false;
  }
}

bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool IsUtf16(TTextEncoding e) { return e == TTextEncoding::Utf16LE || e == TTextEncoding::Utf16BE; }

char16_t Unit16(const uint8_t* b, bool big_endian) {
  return big_endian ? char16_t(b[0] << 8 | b[1]) : char16_t(b[0] | b[1] << 8);
}

}  // namespace

size_t TTextPage::UnitAtByte(int64_t byte) const {
  if (byte <= first_byte) return 0;
  if (offsets.empty()) {
    const int64_t u = (byte - first_byte + width - 1) / width;
    return static_cast<size_t>(std::min<int64_t>(u, static_cast<int64_t>(text.size())));
  }
  const uint32_t rel = static_cast<uint32_t>(std::min<int64_t>(byte - first_byte, UINT32_MAX));
  const auto it = std::lower_bound(offsets.begin(), offsets.end() - 1, rel);
  return static_cast<size_t>(it - offsets.begin());
}

TPagedText::~TPagedText() { Close(); }

void TPagedText::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  kept_.clear();
  starts_.clear();
  index_.clear();
  page_count_ = 0;
}

bool TPagedText::ReadBytes(int64_t from, int64_t n, std::vector<uint8_t>& out) {
  out.resize(static_cast<size_t>(std::max<int64_t>(n, 0)));
  int64_t got = 0;
  while (got < n) {
    const ssize_t r = ::pread(fd_, out.data() + got, static_cast<size_t>(n - got), from + got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    got += r;
  }
  return true;
}

bool TPagedText::Changed() const {
  int64_t size = 0, write_ns = 0;
  return !TextFingerprintOf(file_name_, size, write_ns) || size != size_ || write_ns != write_ns_;
}

bool TPagedText::Open(UStringView file_name, int code_page, UString& error) {
  Close();
  file_name_ = UString(file_name);
  code_page_ = code_page > 0 ? code_page : 1252;
  if (!TextFingerprintOf(file_name, size_, write_ns_)) {
    error = u"The text " + file_name_ + u" is not there (or is no file).";
    return false;
  }
  fd_ = ::open(Utf16ToUtf8(file_name).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    error = u"The text " + file_name_ + u" cannot be read: " + LastSystemErrorText();
    return false;
  }
  std::vector<uint8_t> first;
  if (!ReadBytes(0, std::min<int64_t>(size_, kTextChunkBytes), first)) {
    error = u"The text " + file_name_ + u" cannot be read at byte 0.";
    Close();
    return false;
  }
  const TTextStartRec start = TextStartOf(first.data(), std::min<int64_t>(4, size_), size_, first.data(), first.size());
  encoding_ = start.encoding;
  eight_bit_decided_ = start.eight_bit_decided;
  text_start_ = start.signature_bytes;
  if (!IsUtf16(encoding_) && !first.empty() && std::memchr(first.data(), 0, first.size()) != nullptr) {
    error = u"The file " + file_name_ + u" holds binary data (a NUL byte at byte " +
            IntToUStr(static_cast<const uint8_t*>(std::memchr(first.data(), 0, first.size())) - first.data()) +
            u"), not text.";
    Close();
    return false;
  }
  if (!eight_bit_decided_ && EightBitEncodingOf(first.data(), first.size(), encoding_)) eight_bit_decided_ = true;
  const int64_t body = std::max<int64_t>(size_ - text_start_, 0);
  page_count_ = static_cast<int>(std::max<int64_t>(1, (body + kPageBytes - 1) / kPageBytes));
  index_.assign(static_cast<size_t>(page_count_), TPageIndex());
  starts_.assign(1, text_start_);
  return true;
}

bool TPagedText::SingleByteSync() const {
  return IsUtf16(encoding_) || encoding_ == TTextEncoding::Utf8 || !IsMultiByteCodePage(code_page_);
}

bool TPagedText::Utf8Bytes() const {
  // Code page 65001 is UTF-8 by another name: its characters take one to four bytes too.
  return encoding_ == TTextEncoding::Utf8 || (encoding_ == TTextEncoding::CodePage && code_page_ == kUtf8CodePage);
}

bool TPagedText::DecideBeforeBounds(int64_t raw_from, int64_t raw_to, UString* error) {
  if (eight_bit_decided_ || IsUtf16(encoding_)) return true;
  // Where a page and its edges are plain ASCII, every 8-bit reading cuts it alike; elsewhere the
  // encoding must be known first, or a page cut before the decision would not meet the next.
  std::vector<uint8_t> b;
  const int64_t from = std::clamp<int64_t>(raw_from, text_start_, size_);
  const int64_t to = std::min<int64_t>(std::max(raw_to, from) + 4, size_);
  if (!ReadBytes(from, to - from, b)) {
    if (error) *error = u"The text " + file_name_ + u" cannot be read at byte " + IntToUStr(from) + u".";
    return false;
  }
  if (std::all_of(b.begin(), b.end(), [](uint8_t c) { return c < 0x80; })) return true;
  return DecideEightBit(error);
}

int64_t TPagedText::AlignedStart(int64_t raw) {
  if (raw <= text_start_) return text_start_;
  if (raw >= size_) return size_;
  std::vector<uint8_t> b;
  if (IsUtf16(encoding_)) {
    int64_t at = text_start_ + (raw - text_start_) / 2 * 2;
    // A pair of surrogates stays on one page.
    if (at + 2 <= size_ && ReadBytes(at, 2, b) && IsLowSurrogate(Unit16(b.data(), encoding_ == TTextEncoding::Utf16BE)))
      at += 2;
    return std::min(at, size_);
  }
  if (Utf8Bytes() || !eight_bit_decided_) {
    // A sequence's continuation bytes go with its first byte (at most three of them).
    const int64_t n = std::min<int64_t>(3, size_ - raw);
    if (!ReadBytes(raw, n, b)) return raw;
    int64_t k = 0;
    while (k < n && (b[static_cast<size_t>(k)] & 0xC0) == 0x80) ++k;
    return raw + k;
  }
  return raw;
}

bool TPagedText::DecideEightBit(UString* error) {
  if (eight_bit_decided_) return true;
  // The first piece with a byte of 0x80 or above decides, as it does for the reader.
  std::vector<uint8_t> b;
  for (int64_t at = text_start_; at < size_; at += kTextChunkBytes) {
    if (!ReadBytes(at, std::min<int64_t>(kTextChunkBytes, size_ - at), b)) {
      if (error) *error = u"The text " + file_name_ + u" cannot be read at byte " + IntToUStr(at) + u".";
      return false;
    }
    if (EightBitEncodingOf(b.data(), b.size(), encoding_)) break;
  }
  eight_bit_decided_ = true;
  return true;
}

bool TPagedText::PageBounds(int k, int64_t& from, int64_t& to, UString* error) {
  if (k < 0 || k >= page_count_) return false;
  if (!DecideBeforeBounds(text_start_ + int64_t{k} * kPageBytes, text_start_ + int64_t{k + 1} * kPageBytes, error))
    return false;
  if (SingleByteSync()) {
    from = AlignedStart(text_start_ + int64_t{k} * kPageBytes);
    to = k + 1 >= page_count_ ? size_ : AlignedStart(text_start_ + int64_t{k + 1} * kPageBytes);
    return true;
  }
  // Double-byte text: each page starts where the one before ended.
  for (int j = static_cast<int>(starts_.size()) - 1; j < k; ++j)
    if (!Page(j, error)) return false;
  if (static_cast<size_t>(k) >= starts_.size()) {
    if (error) *error = u"The text " + file_name_ + u": page " + IntToUStr(k + 1) + u" cannot be found.";
    return false;
  }
  from = starts_[static_cast<size_t>(k)];
  to = size_;
  return true;
}

bool TPagedText::Decode(int k, int64_t from, int64_t to, TTextPage& page, UString* error) {
  page.index = k;
  page.first_byte = from;
  page.end_byte = to;
  std::vector<uint8_t> b;
  // Double-byte text reads a little further to finish its last character.
  const bool dbcs = !SingleByteSync();
  const bool last = k + 1 >= page_count_;
  const int64_t want = dbcs && !last ? std::min<int64_t>(kPageBytes + 8, size_ - from) : to - from;
  if (!ReadBytes(from, want, b)) {
    if (error) *error = u"The text " + file_name_ + u" cannot be read at byte " + IntToUStr(from) + u".";
    return false;
  }
  const size_t n = b.size();
  if (IsUtf16(encoding_)) {
    const bool be = encoding_ == TTextEncoding::Utf16BE;
    page.text.resize(n / 2);
    for (size_t i = 0; i < n / 2; ++i) page.text[i] = Unit16(b.data() + 2 * i, be);
    page.width = 2;
    return true;
  }
  const bool ascii = std::all_of(b.begin(), b.end(), [](uint8_t c) { return c < 0x80; });
  if (ascii && !dbcs) {
    page.text.assign(b.begin(), b.end());
    page.width = 1;
    return true;
  }
  if (!DecideEightBit(error)) return false;
  if (encoding_ == TTextEncoding::Utf8) {
    DecodeUtf8Lenient(b.data(), n, 0, false, page.text, page.offsets);
  } else {
    const bool more = dbcs && !last && from + static_cast<int64_t>(n) < size_;
    page.text = DecodeCodePageWithOffsets(b.data(), n, code_page_, page.offsets, more);
    if (dbcs && !last) {
      // The page ends at the first character boundary at or after kPageBytes.
      size_t units = 0;
      while (units < page.text.size() && page.offsets[units] < kPageBytes) ++units;
      page.text.resize(units);
      const uint32_t end = units < page.offsets.size() ? page.offsets[units] : static_cast<uint32_t>(n);
      page.offsets.resize(units + 1);
      page.offsets[units] = end;
      page.end_byte = from + end;
    }
  }
  // Fixed width after all (every byte its own character): no offsets to keep.
  bool identity = page.offsets.size() == page.text.size() + 1;
  for (size_t i = 0; identity && i < page.offsets.size(); ++i) identity = page.offsets[i] == i;
  if (identity) page.offsets.clear();
  return true;
}

std::shared_ptr<const TTextPage> TPagedText::Page(int k, UString* error) {
  if (fd_ < 0 || k < 0 || k >= page_count_) return nullptr;
  for (auto it = kept_.begin(); it != kept_.end(); ++it)
    if ((*it)->index == k) {
      kept_.splice(kept_.begin(), kept_, it);
      // A plain-ASCII page kept from before the text turned out double-byte still gives the
      // next page's start.
      NoteNextStart(*kept_.front());
      return kept_.front();
    }
  if (Changed()) {
    if (error) *error = u"The text " + file_name_ + u" has changed since it was opened; open it again.";
    return nullptr;
  }
  int64_t from = 0, to = 0;
  if (!PageBounds(k, from, to, error)) return nullptr;
  auto page = std::make_shared<TTextPage>();
  if (!Decode(k, from, to, *page, error)) return nullptr;
  NoteNextStart(*page);
  TPageIndex& ix = index_[static_cast<size_t>(k)];
  if (!ix.known) {
    ix.known = true;
    ix.chars = static_cast<int64_t>(page->text.size());
    const UString& t = page->text;
    for (size_t i = 0; i < t.size(); ++i) {
      if (t[i] == u'\n') ++ix.breaks;
      else if (t[i] == u'\r' && (i + 1 >= t.size() || t[i + 1] != u'\n')) ++ix.breaks;
    }
    ix.ends_with_cr = !t.empty() && t.back() == u'\r';
    ix.starts_with_lf = !t.empty() && t.front() == u'\n';
  }
  kept_.push_front(page);
  while (kept_.size() > kPagesKept) kept_.pop_back();
  return page;
}

void TPagedText::NoteNextStart(const TTextPage& page) {
  if (!SingleByteSync() && static_cast<int>(starts_.size()) == page.index + 1 && page.index + 1 < page_count_)
    starts_.push_back(std::min(page.end_byte, size_));
}

int TPagedText::PageOfByte(int64_t byte) {
  if (page_count_ <= 1 || byte <= text_start_) return 0;
  if (!SingleByteSync()) {
    // Pages are found from the start: walk while the page ends at or before the byte.
    int k = 0;
    while (k + 1 < page_count_) {
      const auto page = Page(k, nullptr);
      if (!page || page->end_byte > byte) break;
      ++k;
    }
    return k;
  }
  int k = static_cast<int>(std::min<int64_t>((byte - text_start_) / kPageBytes, page_count_ - 1));
  // The decision may turn the text into double-byte text, whose pages are found from the start.
  if (!DecideBeforeBounds(text_start_ + int64_t{k} * kPageBytes, text_start_ + int64_t{k + 1} * kPageBytes, nullptr))
    return k;
  if (!SingleByteSync()) return PageOfByte(byte);
  // Alignment may move a page's start a few bytes on.
  int64_t from = 0, to = 0;
  if (PageBounds(k, from, to, nullptr) && byte < from && k > 0) --k;
  return k;
}

bool TPagedText::TextAround(int64_t from, int64_t to, UString& text, int& first_page, UString* error) {
  text.clear();
  first_page = PageOfByte(from);
  const int last = PageOfByte(std::max(from, to - 1));
  for (int k = first_page; k <= last; ++k) {
    const auto page = Page(k, error);
    if (!page) return false;
    text += page->text;
  }
  return true;
}

std::optional<int64_t> TPagedText::CharsBefore(int k) const {
  int64_t n = 0;
  for (int j = 0; j < k && j < page_count_; ++j) {
    if (!index_[static_cast<size_t>(j)].known) return std::nullopt;
    n += index_[static_cast<size_t>(j)].chars;
  }
  return n;
}

std::optional<int64_t> TPagedText::LinesBefore(int k) const {
  int64_t n = 0;
  for (int j = 0; j < k && j < page_count_; ++j) {
    const TPageIndex& ix = index_[static_cast<size_t>(j)];
    if (!ix.known) return std::nullopt;
    n += ix.breaks;
    // A CR that ended the page before and the LF that begins this one are one break.
    if (j > 0 && ix.starts_with_lf && index_[static_cast<size_t>(j - 1)].ends_with_cr) --n;
  }
  return n;
}

bool TPagedText::FullyIndexed() const {
  return std::all_of(index_.begin(), index_.end(), [](const TPageIndex& ix) { return ix.known; });
}

size_t TPagedText::BytesHeld() const {
  size_t n = 0;
  for (const auto& p : kept_) n += p->text.capacity() * sizeof(char16_t) + p->offsets.capacity() * sizeof(uint32_t);
  return n;
}

THitCheck CheckHitInText(TPagedText& text, int64_t size, int64_t write_ns, int64_t byte, UStringView hit,
                         UString& message, int32_t* units) {
  if (size > 0 && (size != text.OpenedSize() || write_ns != text.OpenedWriteNs())) {
    message = u"The text " + text.FileName() + u" has changed since the concordance was made: the hit is not shown.";
    return THitCheck::Changed;
  }
  const auto page = text.Page(text.PageOfByte(byte), &message);
  bool same = page && byte >= page->first_byte && byte < page->end_byte;
  if (same) {
    const size_t unit = page->UnitAtByte(byte);
    same = page->FileByteOf(unit) == byte;
    // The hit as its line shows it: a phrase over a line end (with indentation, or CR LF) takes
    // more units in its text, and may run on into the next page.
    const size_t want = hit.size() + kHitBlankRoom;
    UString found = page->text.substr(unit, want);
    if (same && found.size() < want)
      if (const auto next = text.Page(page->index + 1, nullptr)) found += next->text.substr(0, want - found.size());
    const int32_t n = same ? TextUnitsShownAs(found, hit, SameUnitFolded) : -1;
    same = n > 0;
    if (same && units) *units = n;
  }
  if (!same) {
    message = u"The text " + text.FileName() + u" does not hold \"" + UString(hit) + u"\" at byte " + IntToUStr(byte) +
              u" any more: the hit is not shown.";
    return THitCheck::Moved;
  }
  return THitCheck::Same;
}
