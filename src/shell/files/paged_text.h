// A text read on demand, a page at a time, for the one-text viewer: a text of any size opens at
// once, shows any stretch, and holds only a few pages in memory.
//
// Protocol:
//   1. Open reads the text's first piece (2 MiB) and decides its encoding by the chunked reader's
//      rules (model/text_reader.h, step 1): a byte-order mark or the UTF-8 signature (skipped),
//      a UTF-16 look, else 8-bit. Whether 8-bit text is UTF-8 or the code page is decided, as the
//      reader decides it, on the first piece that holds a byte of 0x80 or above, when a page
//      first needs it (plain ASCII reads the same either way). A text that is not UTF-16 and has
//      a NUL byte in its first piece is no text: Open refuses it. The file's size and time are
//      kept: a page read after the file changed is refused ("changed since it was opened").
//   2. The text is cut into pages of kPageBytes bytes, each start moved forward to a character's
//      first byte (so a page decodes alone exactly as the whole text decodes at that place; UTF-8
//      and code page 65001 alike). Bounds are found only once the encoding that cuts them is
//      known: a page holding bytes of 0x80 or above decides the 8-bit encoding first. In a
//      double-byte code page a character's start can only be found from the text's start, so
//      pages there are found one after another.
//   3. Page(k) decodes page k (every character with its file byte) and keeps it; at most
//      kPagesKept pages are kept, the least recently used going first.
//   4. Each decoded page adds to the index its characters and line breaks; once the pages
//      before k are indexed, the characters and lines before page k are known, so a byte can be
//      told as a character and line number.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <vector>

#include "model/reading/text_reader.h"
#include "platform/rtl/ustring.h"

struct TTextPage {
  int index = 0;
  int64_t first_byte = 0;
  int64_t end_byte = 0;
  UString text;
  // Byte of each UTF-16 unit from first_byte, and one for the end; empty when every unit takes
  // width bytes.
  std::vector<uint32_t> offsets;
  int width = 1;
  int64_t FileByteOf(size_t unit) const {
    return first_byte + (offsets.empty() ? static_cast<int64_t>(unit) * width : offsets[unit]);
  }
  // The first unit whose byte is at or after the file byte (text.size() past the page).
  size_t UnitAtByte(int64_t byte) const;
};

class TPagedText {
 public:
  static constexpr int64_t kPageBytes = 64 * 1024;
  static constexpr size_t kPagesKept = 16;

  TPagedText() = default;
  ~TPagedText();
  TPagedText(const TPagedText&) = delete;
  TPagedText& operator=(const TPagedText&) = delete;

  // code_page: for 8-bit text that is not UTF-8. False, with a message naming the file, for a
  // missing, unreadable, empty-of-text or binary file.
  bool Open(UStringView file_name, int code_page, UString& error);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  const UString& FileName() const { return file_name_; }
  TTextEncoding Encoding() const { return encoding_; }
  int CodePage() const { return code_page_; }
  int64_t FileSize() const { return size_; }
  int64_t TextStart() const { return text_start_; }
  // The fingerprint taken when the text was opened.
  int64_t OpenedSize() const { return size_; }
  int64_t OpenedWriteNs() const { return write_ns_; }
  // The file's size or time is no longer what it was when opened.
  bool Changed() const;

  int PageCount() const { return page_count_; }
  // The page holding the file byte (the last page for a byte past the end).
  int PageOfByte(int64_t byte);
  // The decoded page, or nullptr with the reason.
  std::shared_ptr<const TTextPage> Page(int k, UString* error = nullptr);
  // The text of the pages that hold bytes [from, to), whole pages, with its first page.
  bool TextAround(int64_t from, int64_t to, UString& text, int& first_page, UString* error = nullptr);

  // What the index knows of the pages before page k: their characters and line breaks.
  std::optional<int64_t> CharsBefore(int k) const;
  std::optional<int64_t> LinesBefore(int k) const;
  // Every page has been decoded once.
  bool FullyIndexed() const;
  // The pages decoded and kept now, and the bytes they hold (for the memory figures).
  size_t PagesHeld() const { return kept_.size(); }
  size_t BytesHeld() const;

 private:
  struct TPageIndex {
    bool known = false;
    int64_t chars = 0;
    int64_t breaks = 0;  // LF, or CR not followed by LF
    bool ends_with_cr = false;
    bool starts_with_lf = false;
  };
  bool ReadBytes(int64_t from, int64_t n, std::vector<uint8_t>& out);
  bool PageBounds(int k, int64_t& from, int64_t& to, UString* error);
  int64_t AlignedStart(int64_t raw);
  bool DecideEightBit(UString* error);
  bool Decode(int k, int64_t from, int64_t to, TTextPage& page, UString* error);
  // Double-byte text: the page gives the next page's start when that is the next to find.
  void NoteNextStart(const TTextPage& page);
  bool SingleByteSync() const;
  bool Utf8Bytes() const;
  // Decides the 8-bit encoding when the raw page [raw_from, raw_to) or its edge holds a byte of
  // 0x80 or above, so that a page's bounds never change once found.
  bool DecideBeforeBounds(int64_t raw_from, int64_t raw_to, UString* error);

  int fd_ = -1;
  UString file_name_;
  int64_t size_ = 0;
  int64_t write_ns_ = 0;
  int64_t text_start_ = 0;
  TTextEncoding encoding_ = TTextEncoding::Utf8;
  bool eight_bit_decided_ = false;
  int code_page_ = 1252;
  int page_count_ = 0;
  // Page starts found so far (all of them for self-synchronising encodings).
  std::vector<int64_t> starts_;
  std::vector<TPageIndex> index_;
  std::list<std::shared_ptr<const TTextPage>> kept_;  // most recent first
};

// Whether a concordance line's hit is still where the line says: the text's size and time are
// those the run saw (size above 0: a fingerprint was kept), and the characters at the hit's byte
// read as the line shows the hit (case ignored; a run of blanks, a line end among them, is one
// blank). The message names the file and what differs; *units, when given, receives the units
// the hit takes in the text when it is there.
enum class THitCheck : uint8_t { Same, Changed, Moved };
THitCheck CheckHitInText(TPagedText& text, int64_t size, int64_t write_ns, int64_t byte, UStringView hit,
                         UString& message, int32_t* units = nullptr);
