#include "model/reading/text_languages.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_resources.h"
#include "platform/text/text_files.h"
#include "platform/text/text_services.h"

namespace {

// A language file is a few kilobytes; anything much larger is not one.
constexpr int64_t kMaxLanguageFileBytes = 16 * 1024 * 1024;

constexpr size_t kNameMax = 50;
constexpr size_t kFontNameMax = 100;
constexpr size_t kExtraSymbolsMax = 10;

// The keys in the order they are written and matched.
enum TLangKey : int {
  kKeyName,
  kKeySortAs,
  kKeyPreference,
  kKeyHyphen,
  kKeyWinCodePage,
  kKeyDosCodePage,
  kKeyFontName,
  kKeyFontCharset,
  kKeyFontSize,
  kKeyExtraSymbols,
  kKeySymbolsAtStart,
  kKeySymbolsAtEnd,
  kKeyCount
};

constexpr const char16_t* kKeys[kKeyCount] = {
    u"language name",
    u"sort as in",
    u"preference",
    u"hyphen breaks word",
    u"Windows codepage",
    u"Dos codepage",
    u"font name",
    u"font character set",
    u"font size",
    u"extra ANSI symbols within a word",
    u"allow extra symbols at start of word",
    u"allow extra symbols at end of word",
};

UString YesWord() { return UpperCaseU(VXRes(TVXRes::VXYes)); }
UString NoWord() { return UpperCaseU(VXRes(TVXRes::VXNo)); }
UString YesNo(bool v) { return v ? YesWord() : NoWord(); }

// A decimal integer (optional sign, blanks around it allowed) within [lo, hi].
bool ParseInt(UStringView s, int64_t lo, int64_t hi, int64_t& out) {
  const UString t = TrimU(s);
  if (t.empty() || t.size() > 20) return false;
  std::string a;
  for (char16_t c : t) {
    if (c > 0x7F) return false;
    a.push_back(static_cast<char>(c));
  }
  const char* b = a.data();
  const char* e = a.data() + a.size();
  if (*b == '+') ++b;
  int64_t v = 0;
  auto [p, ec] = std::from_chars(b, e, v);
  if (ec != std::errc() || p != e || v < lo || v > hi) return false;
  out = v;
  return true;
}

// Stores one key's value in the record.
void StoreValue(Tfixed_lang_details32& d, int key, UStringView value) {
  int64_t v = 0;
  switch (key) {
    case kKeyName:
      d.SetLanguageName(value.substr(0, kNameMax));
      break;
    case kKeySortAs:
      if (ParseInt(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), v)) {
        d.SetLCID(static_cast<int32_t>(v));
        // The platform's name wins over a name of the user's; an identifier the platform does
        // not know keeps the name the file gave.
        const UString platform_name = LanguageNameOfLCID(static_cast<int32_t>(v));
        if (!platform_name.empty() && platform_name != d.LanguageName() && platform_name.size() <= kNameMax)
          d.SetLanguageName(platform_name);
      }
      break;
    case kKeyPreference: {
      const UString t = TrimU(value);
      if (t == LangPreferenceAsString(kLangMain)) d.SetPreference(kLangMain);
      else if (t == LangPreferenceAsString(kLangAlternative)) d.SetPreference(kLangAlternative);
      else if (t == LangPreferenceAsString(kLangAvailable)) d.SetPreference(kLangAvailable);
      break;
    }
    case kKeyHyphen:
      d.SetHyphenBreaksWord(FoldCaseU(TrimU(value)) == FoldCaseU(YesWord()));
      break;
    case kKeyWinCodePage:
      if (ParseInt(value, 0, 0xFFFF, v)) d.SetWindowsCodePage(static_cast<uint16_t>(v));
      break;
    case kKeyDosCodePage:
      if (ParseInt(value, 0, 0xFFFF, v)) d.SetDosCodePage(static_cast<uint16_t>(v));
      break;
    case kKeyFontName:
      d.SetFontName(value.substr(0, kFontNameMax));
      break;
    case kKeyFontCharset:
      if (ParseInt(value, 0, 0xFF, v)) d.SetFontCharset(static_cast<uint8_t>(v));
      break;
    case kKeyFontSize:
      if (ParseInt(value, 0, 0xFF, v)) d.SetFontSize(static_cast<uint8_t>(v));
      break;
    case kKeyExtraSymbols:
      d.SetExtraSymbols(value.substr(0, kExtraSymbolsMax));
      break;
    case kKeySymbolsAtStart:
      d.SetSymbolsAtWordStart(FoldCaseU(TrimU(value)) == FoldCaseU(YesWord()));
      break;
    case kKeySymbolsAtEnd:
      d.SetSymbolsAtWordEnd(FoldCaseU(TrimU(value)) == FoldCaseU(YesWord()));
      break;
    default:
      break;
  }
}

// The key a line gives a value for: the first key the line begins with (exact case) that is
// followed, after blanks, by "=". value is everything after the "=".
int MatchKey(UStringView line, UStringView& value) {
  for (int k = 0; k < kKeyCount; ++k) {
    const UStringView key(kKeys[k]);
    if (!StartsWithU(line, key)) continue;
    size_t p = key.size();
    while (p < line.size() && line[p] <= u' ') ++p;
    if (p < line.size() && line[p] == u'=') {
      value = line.substr(p + 1);
      return k;
    }
  }
  return -1;
}

void AppendLine(UString& out, UStringView a, UStringView b = {}, UStringView c = {}) {
  out.append(a);
  out.append(b);
  out.append(c);
  out.push_back(u'\n');
}

}  // namespace

// --- names ------------------------------------------------------------------------------------

UString LanguageNameOfLCID(int32_t lcid) {
  if (lcid <= 0) return UString();
  return Utf8ToUtf16(EnglishNameOfLCID(static_cast<TLCID>(lcid)));
}

UString LangPreferenceAsString(Tlang_preference p) {
  switch (p) {
    case kLangMain: return u"main language";
    case kLangAlternative: return u"alternative language";
    case kLangAvailable: return u"available language";
    default: return u"language not installed in system";
  }
}

// --- the list ---------------------------------------------------------------------------------

int32_t TLinguaTessor::AddALanguage(const Tfixed_lang_details32& alang) {
  items_.push_back(std::make_unique<TLinguaTessorHolder>(alang));
  return Count() - 1;
}

void TLinguaTessor::Clear() {
  items_.clear();
  CurrentLangNum = -1;
}

int32_t TLinguaTessor::IndexOfLanguageName(UStringView aname) const {
  const UString wanted = FoldCaseU(aname);
  for (size_t i = 0; i < items_.size(); ++i)
    if (FoldCaseU(items_[i]->data.LanguageName()) == wanted) return static_cast<int32_t>(i);
  return -1;
}

bool TLinguaTessor::RemoveALanguage(UStringView aname) {
  const int32_t i = IndexOfLanguageName(aname);
  if (i < 0) return false;
  items_.erase(items_.begin() + i);
  SetCurrentNumToPreferred();
  if (CurrentLangNum < 0 && !items_.empty()) {
    items_[0]->data.SetPreference(kLangMain);
    CurrentLangNum = 0;
  }
  return true;
}

void TLinguaTessor::SetLangPreference(UStringView aname, Tlang_preference apreference) {
  const int32_t i = IndexOfLanguageName(aname);
  if (i < 0) return;
  if (apreference == kLangMain) {
    for (auto& h : items_)
      if (h->data.Preference() == kLangMain) h->data.SetPreference(kLangAlternative);
  }
  items_[static_cast<size_t>(i)]->data.SetPreference(apreference);
}

void TLinguaTessor::SetCurrentNumToPreferred() {
  CurrentLangNum = -1;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->data.Preference() == kLangMain) {
      CurrentLangNum = static_cast<int32_t>(i);
      return;
    }
  }
}

Tfixed_lang_details32 TLinguaTessor::GetALanguage(int32_t index) const {
  if (index >= 0 && index < Count()) return items_[static_cast<size_t>(index)]->data;
  Tfixed_lang_details32 blank;
  blank.Clear();
  return blank;
}

UString TLinguaTessor::AllNamesTabbed() const {
  UString s;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (i > 0) s.push_back(u'\t');
    s += items_[i]->data.LanguageName();
  }
  return s;
}

// --- the file ---------------------------------------------------------------------------------

bool TLinguaTessor::LoadedFromFile(UStringView filename) {
  if (filename.empty() || !FileExists(filename)) return false;
  auto f = TFileStream::Open(UString(filename), TFileMode::OpenRead);
  if (!f) return false;
  return LoadedFromStream(*f);
}

bool TLinguaTessor::LoadedFromStream(TStream& stream) {
  const int64_t left = stream.BytesLeft();
  if (left < 0 || left > kMaxLanguageFileBytes) return false;
  std::vector<uint8_t> bytes(static_cast<size_t>(left));
  if (left > 0 && !stream.ReadExact(bytes.data(), left)) return false;

  UString text;
  DecodeTextBytes(bytes.data(), bytes.size(), text, 1252, true);
  // A NUL inside means a binary file, not a list of languages.
  if (text.find(u'\0') != UString::npos) return false;

  std::vector<std::unique_ptr<TLinguaTessorHolder>> read;
  for (UStringView raw : SplitLinesU(text)) {
    const UString line = TrimU(raw);
    if (line.empty()) continue;
    if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
      read.push_back(std::make_unique<TLinguaTessorHolder>());
      continue;
    }
    if (read.empty()) continue;  // key lines before the first section
    UStringView value;
    const int key = MatchKey(line, value);
    if (key >= 0) StoreValue(read.back()->data, key, value);
  }

  // Main language first, then alternative, available, not installed; by name within each.
  std::stable_sort(read.begin(), read.end(), [](const auto& a, const auto& b) {
    const uint8_t pa = a->data.Preference(), pb = b->data.Preference();
    if (pa != pb) return pa > pb;
    const UString na = a->data.LanguageName(), nb = b->data.LanguageName();
    const int c = CompareStringsLocale(kLCID_EnglishUS, false, na, nb);
    if (c != 0) return c < 0;
    return FoldCaseU(na) < FoldCaseU(nb);
  });

  items_ = std::move(read);
  SetCurrentNumToPreferred();
  return true;
}

bool TLinguaTessor::SavedToStream(TStream& stream) const {
  UString text;
  text.push_back(u'\uFEFF');
  for (const auto& h : items_) {
    const Tfixed_lang_details32& d = h->data;
    AppendLine(text, u"[", d.LanguageName(), u"]");
    auto key = [&](int k, UStringView v) { AppendLine(text, kKeys[k], u"=", v); };
    key(kKeyName, d.LanguageName());
    key(kKeySortAs, IntToUStr(d.LCID()));
    key(kKeyPreference, LangPreferenceAsString(d.Preference()));
    key(kKeyHyphen, YesNo(d.HyphenBreaksWord()));
    key(kKeyWinCodePage, IntToUStr(d.WindowsCodePage()));
    key(kKeyDosCodePage, IntToUStr(d.DosCodePage()));
    key(kKeyFontName, d.FontName());
    key(kKeyFontCharset, IntToUStr(d.FontCharset()));
    key(kKeyFontSize, IntToUStr(d.FontSize()));
    key(kKeyExtraSymbols, d.ExtraSymbols());
    key(kKeySymbolsAtStart, YesNo(d.SymbolsAtWordStart()));
    key(kKeySymbolsAtEnd, YesNo(d.SymbolsAtWordEnd()));
    text.push_back(u'\n');
  }
  std::vector<uint8_t> bytes(text.size() * 2);
  for (size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = static_cast<uint8_t>(text[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
  }
  return stream.WriteExact(bytes.data(), static_cast<int64_t>(bytes.size()));
}

bool TLinguaTessor::SavedToFile(UStringView filename) const {
  if (filename.empty()) return false;
  return SafeSaveToFile(filename, [this](TStream& s) { return SavedToStream(s); });
}

// --- process-wide state -----------------------------------------------------------------------

TLinguaTessor& GlobalLinguaTessor() {
  static TLinguaTessor languages;
  return languages;
}

std::span<const int32_t> KnownLocaleIdentifiers() {
  static const std::vector<int32_t> ids = [] {
    std::vector<int32_t> v;
    for (const TLanguageIdInfo& info : KnownLanguageIds()) v.push_back(static_cast<int32_t>(info.lcid));
    return v;
  }();
  return ids;
}
