// A concordance line's text as memory keeps it: one byte a character where the whole line allows
// it, else UTF-16 units.
//
// A list holds millions of lines of about a thousand characters, nearly all of them in the
// Latin alphabets of Western Europe: a byte a character halves what the list costs. The one-byte
// form is Latin-1 with the C1 control slots (0x80-0x9F) standing for the 27 characters code page
// 1252 puts there (curly quotes, dashes, the ellipsis, the euro sign, œ, š ...), so that a line
// of printed English keeps the short form (the five slots 1252 leaves empty stand for their own
// C1 controls). A line holding any other character, or one of the 27 C1 controls displaced,
// keeps its UTF-16 units. The form follows from the text alone: two equal texts are kept
// alike, and every reader sees the same characters whichever form holds them.
//
// A stored text is one block: a 4-byte header (the length in characters and the form), then
// the bytes or the units. A line may instead view characters kept elsewhere (the stretch of a
// text that overlapping lines share, see line_text_arena.h). TLineText is a view
// of a block, of such bytes, or of UTF-16 units kept elsewhere; readers
// that need UTF-16 take a TLineTextWide (a view where the text is UTF-16 already, a copy made
// once where it is not).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/rtl/ustring.h"

enum class TLineTextForm : uint8_t {
  kAscii,   // one byte a character, every one below 0x80
  kNarrow,  // one byte a character (see above)
  kWide,    // UTF-16 units
};

// Bytes 0x80-0x9F of the one-byte form; a slot code page 1252 leaves empty keeps its control.
inline constexpr char16_t kLineTextC1Slots[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The character each byte of the one-byte form stands for.
struct TLineTextWidenTable {
  char16_t units[256];
  constexpr TLineTextWidenTable() : units() {
    for (int b = 0; b < 256; ++b) units[b] = static_cast<char16_t>(b);
    for (int b = 0; b < 32; ++b) units[0x80 + b] = kLineTextC1Slots[b];
  }
  char16_t operator[](uint8_t b) const { return units[b]; }
};
inline constexpr TLineTextWidenTable kLineTextWiden;

// The form text can be kept in.
TLineTextForm LineTextFormOf(UStringView text);

class TLineText {
 public:
  static constexpr size_t npos = static_cast<size_t>(-1);

  TLineText() = default;
  // A view of UTF-16 units kept elsewhere.
  explicit TLineText(UStringView wide) : data_(wide.data()), size_(wide.size()), form_(TLineTextForm::kWide) {}
  // A view of characters kept elsewhere in the given form (kWide: n UTF-16 units at `bytes`,
  // which lie on a whole unit).
  TLineText(const uint8_t* bytes, size_t n, TLineTextForm form) : data_(bytes), size_(n), form_(form) {}

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  TLineTextForm Form() const { return form_; }
  bool OneByte() const { return form_ != TLineTextForm::kWide; }
  // The bytes (one-byte forms) or the units (wide form).
  const uint8_t* Bytes() const { return static_cast<const uint8_t*>(data_); }
  const char16_t* Units() const { return static_cast<const char16_t*>(data_); }
  // What a stored copy of this text takes, its 4-byte header included (an empty text is kept
  // as no block at all).
  size_t StoredBytes() const { return size_ == 0 ? 0 : 4 + size_ * (OneByte() ? 1 : 2); }

  char16_t operator[](size_t i) const { return OneByte() ? kLineTextWiden[Bytes()[i]] : Units()[i]; }
  // As std::basic_string_view::substr, but pos past the end gives an empty text.
  TLineText substr(size_t pos, size_t n = npos) const {
    if (pos >= size_) return TLineText(static_cast<const uint8_t*>(nullptr), 0, form_);
    const size_t len = n < size_ - pos ? n : size_ - pos;
    TLineText t = *this;
    t.data_ = OneByte() ? static_cast<const void*>(Bytes() + pos) : static_cast<const void*>(Units() + pos);
    t.size_ = len;
    return t;
  }

  // The UTF-16 units into out (replacing what it held), or appended to it.
  void AssignTo(UString& out) const;
  void AppendTo(UString& out) const;
  // out must hold size() units.
  void CopyTo(char16_t* out) const;
  UString ToUString() const {
    UString s;
    AssignTo(s);
    return s;
  }
  explicit operator UString() const { return ToUString(); }
  // The same characters, whatever form each side is in.
  bool operator==(const TLineText& other) const;
  bool operator==(UStringView other) const { return *this == TLineText(other); }

 private:
  const void* data_ = nullptr;
  size_t size_ = 0;
  TLineTextForm form_ = TLineTextForm::kAscii;
};

// A line's text (or a piece of it) as UTF-16: the text's own units where it is wide, a copy made
// here where it is not. Keep it while the view is in use; it cannot be copied.
class TLineTextWide {
 public:
  TLineTextWide() = default;
  explicit TLineTextWide(TLineText text) { Assign(text); }
  TLineTextWide(const TLineTextWide&) = delete;
  TLineTextWide& operator=(const TLineTextWide&) = delete;
  // Takes another text, reusing the copy's room.
  UStringView Assign(TLineText text) {
    if (text.OneByte()) {
      text.AssignTo(copy_);
      view_ = copy_;
    } else {
      view_ = UStringView(text.Units(), text.size());
    }
    return view_;
  }
  UStringView View() const { return view_; }
  operator UStringView() const { return view_; }  // NOLINT: stands in for the view

 private:
  UStringView view_;
  UString copy_;
};

// --- stored blocks -------------------------------------------------------------------------------

// Bytes of the block that keeps n characters in the form (4-byte aligned).
inline size_t LineTextBlockBytes(TLineTextForm form, size_t n) {
  return (4 + n * (form == TLineTextForm::kWide ? 2 : 1) + 3) & ~size_t{3};
}
// Writes text into block in the form (LineTextFormOf(text) or kWide).
void FillLineTextBlock(char* block, UStringView text, TLineTextForm form);
// Writes text into block in the shortest form it allows, judging and narrowing in one pass, and
// answers the form; block must have room for the wide form (LineTextBlockBytes(kWide, n)).
TLineTextForm FillLineTextBlockShortest(char* block, UStringView text);
// n units narrowed into out, a byte each as the one-byte form keeps them ('?' for a unit it has
// no byte for), and where they need more than ASCII: the last unit with no byte and the last at
// or above 0x80 (-1 where there is none). A line made a piece at a time is judged so piece by
// piece: its form is kWide when a piece's last unit with no byte lies in it, else kNarrow when
// a last unit at or above 0x80 does, else kAscii. The bytes of the units before the last unit
// with no byte may be left unwritten: every line holding one of them holds that unit too, and
// is kept wide.
struct TNarrowedUnits {
  int64_t last_wide = -1;
  int64_t last_high = -1;
};
TNarrowedUnits NarrowLineUnits(const char16_t* units, size_t n, uint8_t* out);
// Writes a copy of text into block (LineTextBlockBytes(text.Form(), text.size()) bytes).
void FillLineTextBlock(char* block, TLineText text);
// The header a block's bytes or units follow.
inline constexpr size_t kLineTextHeaderBytes = 4;
// Writes only the header of text's block: its bytes or units are in the block already.
void WriteLineTextHeader(char* block, TLineText text);
// The text a block holds; an empty text for nullptr.
TLineText LineTextOfBlock(const char* block);
