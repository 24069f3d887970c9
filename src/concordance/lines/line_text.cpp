#include "concordance/lines/line_text.h"

#include <algorithm>

namespace {

constexpr uint32_t kLengthBits = 0x3FFFFFFF;
constexpr uint32_t kOneByteFlag = 0x40000000;
constexpr uint32_t kAsciiFlag = 0x80000000;

// The byte that stands for c beyond ASCII; 0 when no byte does.
uint8_t OneByteOf(char16_t c) {
  if (c >= 0xA0 && c <= 0xFF) return static_cast<uint8_t>(c);
  for (int b = 0; b < 32; ++b)
    if (kLineTextC1Slots[b] == c) return static_cast<uint8_t>(0x80 + b);
  return 0;
}

// Whether every unit is below 0x80: one pass the compiler makes wide.
bool AllAscii(const char16_t* p, size_t n) {
  char16_t any = 0;
  for (size_t i = 0; i < n; ++i) any |= p[i];
  return any < 0x80;
}

}  // namespace

// Texts are taken in runs of this many units: a run of ASCII alone (most of any Latin text) is
// judged and narrowed in a few vector steps; only the others are looked at unit by unit.
constexpr size_t kRun = 16;

TLineTextForm LineTextFormOf(UStringView text) {
  if (AllAscii(text.data(), text.size())) return TLineTextForm::kAscii;
  const char16_t* p = text.data();
  const size_t n = text.size();
  for (size_t at = 0; at < n; at += kRun) {
    const size_t len = std::min(kRun, n - at);
    if (AllAscii(p + at, len)) continue;
    for (size_t i = at; i < at + len; ++i)
      if (p[i] >= 0x80 && OneByteOf(p[i]) == 0) return TLineTextForm::kWide;
  }
  return TLineTextForm::kNarrow;
}

void TLineText::CopyTo(char16_t* out) const {
  if (form_ == TLineTextForm::kWide) {
    if (size_) std::memcpy(out, Units(), size_ * sizeof(char16_t));
    return;
  }
  const uint8_t* b = Bytes();
  if (form_ == TLineTextForm::kAscii) {
    for (size_t i = 0; i < size_; ++i) out[i] = b[i];
  } else {
    for (size_t i = 0; i < size_; ++i) out[i] = kLineTextWiden[b[i]];
  }
}

void TLineText::AssignTo(UString& out) const {
  out.resize(size_);
  CopyTo(out.data());
}

void TLineText::AppendTo(UString& out) const {
  const size_t at = out.size();
  out.resize(at + size_);
  CopyTo(out.data() + at);
}

bool TLineText::operator==(const TLineText& other) const {
  if (size_ != other.size_) return false;
  if (size_ == 0) return true;
  if (OneByte() && other.OneByte()) return std::memcmp(Bytes(), other.Bytes(), size_) == 0;
  if (!OneByte() && !other.OneByte()) return std::memcmp(Units(), other.Units(), size_ * sizeof(char16_t)) == 0;
  const TLineText& narrow = OneByte() ? *this : other;
  const TLineText& wide = OneByte() ? other : *this;
  for (size_t i = 0; i < size_; ++i)
    if (kLineTextWiden[narrow.Bytes()[i]] != wide.Units()[i]) return false;
  return true;
}

void FillLineTextBlock(char* block, UStringView text, TLineTextForm form) {
  const size_t n = text.size();
  uint32_t header = static_cast<uint32_t>(n) & kLengthBits;
  if (form != TLineTextForm::kWide) header |= kOneByteFlag;
  if (form == TLineTextForm::kAscii) header |= kAsciiFlag;
  std::memcpy(block, &header, sizeof header);
  char* at = block + sizeof header;
  if (form == TLineTextForm::kWide) {
    if (n) std::memcpy(at, text.data(), n * sizeof(char16_t));
    return;
  }
  auto* out = reinterpret_cast<uint8_t*>(at);
  const char16_t* p = text.data();
  if (form == TLineTextForm::kAscii) {
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(p[i]);
    return;
  }
  for (size_t from = 0; from < n; from += kRun) {
    const size_t len = std::min(kRun, n - from);
    if (AllAscii(p + from, len)) {
      for (size_t i = from; i < from + len; ++i) out[i] = static_cast<uint8_t>(p[i]);
    } else {
      for (size_t i = from; i < from + len; ++i) out[i] = p[i] < 0x80 ? static_cast<uint8_t>(p[i]) : OneByteOf(p[i]);
    }
  }
}

void FillLineTextBlock(char* block, TLineText text) {
  uint32_t header = static_cast<uint32_t>(text.size()) & kLengthBits;
  if (text.OneByte()) header |= kOneByteFlag;
  if (text.Form() == TLineTextForm::kAscii) header |= kAsciiFlag;
  std::memcpy(block, &header, sizeof header);
  if (!text.empty()) std::memcpy(block + sizeof header, text.Bytes(), text.StoredBytes() - sizeof header);
}

TLineText LineTextOfBlock(const char* block) {
  if (!block) return TLineText();
  uint32_t header = 0;
  std::memcpy(&header, block, sizeof header);
  const size_t n = header & kLengthBits;
  const char* at = block + sizeof header;
  if (!(header & kOneByteFlag)) return TLineText(UStringView(reinterpret_cast<const char16_t*>(at), n));
  return TLineText(reinterpret_cast<const uint8_t*>(at), n,
                   (header & kAsciiFlag) ? TLineTextForm::kAscii : TLineTextForm::kNarrow);
}
