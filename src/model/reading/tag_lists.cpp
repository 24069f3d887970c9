#include "model/reading/tag_lists.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

#include "model/reading/chosen_texts_handover.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/text/text_files.h"
#include "platform/text/text_services.h"
#include "shell/services/hand_over_folder.h"

namespace {

// A user tag file is a small hand-written list; anything larger is not one.
constexpr int kDefaultCodePage = 1252;
constexpr int kMaxWrongFormatWarnings = 5;
constexpr int kIncludeAnywayHelpContext = 1850;

constexpr char16_t kLF = 10, kVT = 11, kFF = 12, kCR = 13;
constexpr char16_t kLineSeparator = 0x2028, kParagraphSeparator = 0x2029;

// --- numbers of entity lines ---------------------------------------------------------------------

bool IsHashOrBrace(char16_t c) { return c == u'#' || c == u'{'; }

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The number written after "#" or "{": decimal, or hexadecimal after "x", "X", "$" or "0x"; a
// closing "}" or ";" may follow. -1 when the text is not such a number; values above the code
// range come back as 0x110000 however long the digit run.
int64_t MyFormatValidNumberStr(UStringView s) {
  while (!s.empty() && (s.back() == u'}' || s.back() == u';')) s.remove_suffix(1);
  int base = 10;
  if (!s.empty() && (s[0] == u'x' || s[0] == u'X' || s[0] == u'$')) {
    base = 16;
    s.remove_prefix(1);
  } else if (s.size() > 2 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return -1;
  int64_t v = 0;
  for (char16_t c : s) {
    const int d = HexValue(c);
    if (d < 0 || d >= base) return -1;
    v = std::min<int64_t>(v * base + d, 0x110000);
  }
  return v;
}

bool IsSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// --- colours -----------------------------------------------------------------------------------

constexpr int32_t RGBToColour(uint32_t rgb) {
  return static_cast<int32_t>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

struct TNamedColour {
  const char* name;  // upper case, no blanks
  uint32_t rgb;
};

// The web colour names.
constexpr TNamedColour kWebColours[] = {
    {"ALICEBLUE", 0xF0F8FF}, {"ANTIQUEWHITE", 0xFAEBD7}, {"AQUA", 0x00FFFF}, {"AQUAMARINE", 0x7FFFD4},
    {"AZURE", 0xF0FFFF}, {"BEIGE", 0xF5F5DC}, {"BISQUE", 0xFFE4C4}, {"BLACK", 0x000000},
    {"BLANCHEDALMOND", 0xFFEBCD}, {"BLUE", 0x0000FF}, {"BLUEVIOLET", 0x8A2BE2}, {"BROWN", 0xA52A2A},
    {"BURLYWOOD", 0xDEB887}, {"CADETBLUE", 0x5F9EA0}, {"CHARTREUSE", 0x7FFF00}, {"CHOCOLATE", 0xD2691E},
    {"CORAL", 0xFF7F50}, {"CORNFLOWERBLUE", 0x6495ED}, {"CORNSILK", 0xFFF8DC}, {"CRIMSON", 0xDC143C},
    {"CYAN", 0x00FFFF}, {"DARKBLUE", 0x00008B}, {"DARKCYAN", 0x008B8B}, {"DARKGOLDENROD", 0xB8860B},
    {"DARKGRAY", 0xA9A9A9}, {"DARKGREEN", 0x006400}, {"DARKGREY", 0xA9A9A9}, {"DARKKHAKI", 0xBDB76B},
    {"DARKMAGENTA", 0x8B008B}, {"DARKOLIVEGREEN", 0x556B2F}, {"DARKORANGE", 0xFF8C00},
    {"DARKORCHID", 0x9932CC}, {"DARKRED", 0x8B0000}, {"DARKSALMON", 0xE9967A}, {"DARKSEAGREEN", 0x8FBC8F},
    {"DARKSLATEBLUE", 0x483D8B}, {"DARKSLATEGRAY", 0x2F4F4F}, {"DARKSLATEGREY", 0x2F4F4F},
    {"DARKTURQUOISE", 0x00CED1}, {"DARKVIOLET", 0x9400D3}, {"DEEPPINK", 0xFF1493}, {"DEEPSKYBLUE", 0x00BFFF},
    {"DIMGRAY", 0x696969}, {"DIMGREY", 0x696969}, {"DODGERBLUE", 0x1E90FF}, {"FIREBRICK", 0xB22222},
    {"FLORALWHITE", 0xFFFAF0}, {"FORESTGREEN", 0x228B22}, {"FUCHSIA", 0xFF00FF}, {"GAINSBORO", 0xDCDCDC},
    {"GHOSTWHITE", 0xF8F8FF}, {"GOLD", 0xFFD700}, {"GOLDENROD", 0xDAA520}, {"GRAY", 0x808080},
    {"GREY", 0x808080}, {"GREEN", 0x008000}, {"GREENYELLOW", 0xADFF2F}, {"HONEYDEW", 0xF0FFF0},
    {"HOTPINK", 0xFF69B4}, {"INDIANRED", 0xCD5C5C}, {"INDIGO", 0x4B0082}, {"IVORY", 0xFFFFF0},
    {"KHAKI", 0xF0E68C}, {"LAVENDER", 0xE6E6FA}, {"LAVENDERBLUSH", 0xFFF0F5}, {"LAWNGREEN", 0x7CFC00},
    {"LEMONCHIFFON", 0xFFFACD}, {"LIGHTBLUE", 0xADD8E6}, {"LIGHTCORAL", 0xF08080}, {"LIGHTCYAN", 0xE0FFFF},
    {"LIGHTGOLDENRODYELLOW", 0xFAFAD2}, {"LIGHTGRAY", 0xD3D3D3}, {"LIGHTGREEN", 0x90EE90},
    {"LIGHTGREY", 0xD3D3D3}, {"LIGHTPINK", 0xFFB6C1}, {"LIGHTSALMON", 0xFFA07A}, {"LIGHTSEAGREEN", 0x20B2AA},
    {"LIGHTSKYBLUE", 0x87CEFA}, {"LIGHTSLATEGRAY", 0x778899}, {"LIGHTSLATEGREY", 0x778899},
    {"LIGHTSTEELBLUE", 0xB0C4DE}, {"LIGHTYELLOW", 0xFFFFE0}, {"LIME", 0x00FF00}, {"LIMEGREEN", 0x32CD32},
    {"LINEN", 0xFAF0E6}, {"MAGENTA", 0xFF00FF}, {"MAROON", 0x800000}, {"MEDIUMAQUAMARINE", 0x66CDAA},
    {"MEDIUMBLUE", 0x0000CD}, {"MEDIUMGRAY", 0xA0A0A4}, {"MEDIUMORCHID", 0xBA55D3},
    {"MEDIUMPURPLE", 0x9370DB}, {"MEDIUMSEAGREEN", 0x3CB371}, {"MEDIUMSLATEBLUE", 0x7B68EE},
    {"MEDIUMSPRINGGREEN", 0x00FA9A}, {"MEDIUMTURQUOISE", 0x48D1CC}, {"MEDIUMVIOLETRED", 0xC71585},
    {"MIDNIGHTBLUE", 0x191970}, {"MINTCREAM", 0xF5FFFA}, {"MISTYROSE", 0xFFE4E1}, {"MOCCASIN", 0xFFE4B5},
    {"NAVAJOWHITE", 0xFFDEAD}, {"NAVY", 0x000080}, {"OLDLACE", 0xFDF5E6}, {"OLIVE", 0x808000},
    {"OLIVEDRAB", 0x6B8E23}, {"ORANGE", 0xFFA500}, {"ORANGERED", 0xFF4500}, {"ORCHID", 0xDA70D6},
    {"PALEGOLDENROD", 0xEEE8AA}, {"PALEGREEN", 0x98FB98}, {"PALETURQUOISE", 0xAFEEEE},
    {"PALEVIOLETRED", 0xDB7093}, {"PAPAYAWHIP", 0xFFEFD5}, {"PEACHPUFF", 0xFFDAB9}, {"PERU", 0xCD853F},
    {"PINK", 0xFFC0CB}, {"PLUM", 0xDDA0DD}, {"POWDERBLUE", 0xB0E0E6}, {"PURPLE", 0x800080},
    {"REBECCAPURPLE", 0x663399}, {"RED", 0xFF0000}, {"ROSYBROWN", 0xBC8F8F}, {"ROYALBLUE", 0x4169E1},
    {"SADDLEBROWN", 0x8B4513}, {"SALMON", 0xFA8072}, {"SANDYBROWN", 0xF4A460}, {"SEAGREEN", 0x2E8B57},
    {"SEASHELL", 0xFFF5EE}, {"SIENNA", 0xA0522D}, {"SILVER", 0xC0C0C0}, {"SKYBLUE", 0x87CEEB},
    {"SLATEBLUE", 0x6A5ACD}, {"SLATEGRAY", 0x708090}, {"SLATEGREY", 0x708090}, {"SNOW", 0xFFFAFA},
    {"SPRINGGREEN", 0x00FF7F}, {"STEELBLUE", 0x4682B4}, {"TAN", 0xD2B48C}, {"TEAL", 0x008080},
    {"THISTLE", 0xD8BFD8}, {"TOMATO", 0xFF6347}, {"TURQUOISE", 0x40E0D0}, {"VIOLET", 0xEE82EE},
    {"WHEAT", 0xF5DEB3}, {"WHITE", 0xFFFFFF}, {"WHITESMOKE", 0xF5F5F5}, {"YELLOW", 0xFFFF00},
    {"YELLOWGREEN", 0x9ACD32},
};

UString WithoutBlanks(UStringView s) {
  UString out;
  out.reserve(s.size());
  for (char16_t c : s)
    if (c != u' ') out += c;
  return out;
}

bool NameToWebColour(UStringView name, int32_t& colour) {
  const std::string key = Utf16ToUtf8(AsciiUpper(name));
  for (const auto& c : kWebColours)
    if (key == c.name) {
      colour = RGBToColour(c.rgb);
      return true;
    }
  return false;
}

// --- user text entries -------------------------------------------------------------------------

// Deletes the first occurrence of keyword from line; its position, or npos.
size_t CutKeyword(UString& line, UStringView keyword) {
  const size_t p = line.find(keyword);
  if (p != UString::npos) line.erase(p, keyword.size());
  return p;
}

// Takes the text from p up to the next double quote out of line (with the quote). False when no
// quote follows.
bool CutQuotedValue(UString& line, size_t p, UString& value) {
  const size_t q = line.find(u'"', p);
  if (q == UString::npos) return false;
  value = line.substr(p, q - p);
  line.erase(p, q - p + 1);
  return true;
}

UString TagPairKey(UStringView tag) {
  UString key;
  key.reserve(tag.size());
  for (char16_t c : tag)
    if (c != u' ' && c != u'*' && c != u'/') key += c;
  return key;
}

struct UStringHash {
  size_t operator()(const UString& s) const noexcept { return std::hash<std::u16string>()(s); }
};

}  // namespace

// --- colours -------------------------------------------------------------------------------------

int32_t DefaultTagTextColour() { return RGBToColour(0x000080); }        // navy
int32_t DefaultTagBackgroundColour() { return RGBToColour(0xF0F0F0); }  // light grey
int32_t DefaultBackgroundColour() { return RGBToColour(0xFFFFFF); }     // white

bool TagColourFromName(UStringView name, int32_t& colour) {
  const UString upper = AsciiUpper(TrimU(name));
  if (upper == u"CREAM") return NameToWebColour(u"IVORY", colour);
  if (upper == u"DOLLAR GREEN") {
    colour = 0xC0DCC0;
    return true;
  }
  if (upper == u"GREY-GREEN") return NameToWebColour(u"DARKSEAGREEN", colour);
  if (upper == u"LIGHT PURPLE") return NameToWebColour(u"ORCHID", colour);
  if (upper == u"GREY" || upper == u"DARK GREY" || upper == u"MEDIUM GREY") {
    UString n = WithoutBlanks(upper);
    n.replace(n.size() - 2, 1, u"A");  // GREY -> GRAY
    return NameToWebColour(n, colour);
  }
  // "Light Blue", "Sky Blue" and every other name: without its blanks.
  return NameToWebColour(WithoutBlanks(upper), colour);
}

// --- items ---------------------------------------------------------------------------------------

std::unique_ptr<TTagListObj> TTagStringItem::CreateBlank(TBaseSwapList* Aparent) {
  return std::make_unique<TTagStringItem>(TStoredTagRec(), Aparent);
}

bool TTagStringItem::ReadFromStream(TStream& Stream) {
  data = TStoredTagRec();
  const int64_t fixed = (papai && papai->fVersion > 0) ? int64_t(sizeof(TStoredTagFixed)) : kShortStoredTagBytes;
  TStoredTagFixed& head = data;
  if (!Stream.ReadExact(&head, fixed)) return false;
  return ReadAString(Stream, data.tag) && ReadAString(Stream, data.description);
}

bool TTagStringItem::SaveToStream(TStream& Stream) const {
  const TStoredTagFixed& head = data;
  return Stream.WriteExact(&head, sizeof(TStoredTagFixed)) && WriteAString(Stream, data.tag) &&
         WriteAString(Stream, data.description);
}

void TTagStringItem::SetBase(int32_t, TBaseSwapList* Aparent, int32_t) const {
  if (!Aparent) return;
  if (auto* holder = dynamic_cast<TTagStringItem*>(Aparent->Holder())) holder->data = data;
}

int32_t TTagStringItem::CompareWithBase(int32_t, TBaseSwapList* Aparent, int32_t) const {
  if (!Aparent) return 0;
  auto* holder = dynamic_cast<TTagStringItem*>(Aparent->Holder());
  if (!holder) return 0;
  return CompareStringsLocale(Aparent->fLCID, false, data.tag, holder->data.tag);
}

std::unique_ptr<TTagListObj> TTranslateTagStringItem::CreateBlank(TBaseSwapList* Aparent) {
  return std::make_unique<TTranslateTagStringItem>(TTranslateTagRec(), Aparent);
}

bool TTranslateTagStringItem::ReadFromStream(TStream& Stream) {
  data = TTranslateTagRec();
  TTranslateTagFixed& head = data;
  return Stream.ReadExact(&head, sizeof(TTranslateTagFixed)) && ReadAString(Stream, data.long_form);
}

bool TTranslateTagStringItem::SaveToStream(TStream& Stream) const {
  const TTranslateTagFixed& head = data;
  return Stream.WriteExact(&head, sizeof(TTranslateTagFixed)) && WriteAString(Stream, data.long_form);
}

void TTranslateTagStringItem::SetBase(int32_t, TBaseSwapList* Aparent, int32_t) const {
  if (auto* list = dynamic_cast<TTagsToTranslateList*>(Aparent)) list->fbasedata = data;
}

int32_t TTranslateTagStringItem::CompareWithBase(int32_t, TBaseSwapList* Aparent, int32_t) const {
  auto* list = dynamic_cast<TTagsToTranslateList*>(Aparent);
  if (!list) return 0;
  return CompareStringsLocale(list->fLCID, false, data.long_form, list->fbasedata.long_form);
}

// --- TBaseSwapList -------------------------------------------------------------------------------

TBaseSwapList::TBaseSwapList(uint32_t anLCID, uint16_t aCodepage) : fLCID(anLCID), fCodepage(aCodepage) {}

TBaseSwapList::~TBaseSwapList() = default;

TTagListObj* TBaseSwapList::Items(int32_t i) const {
  return (i >= 0 && i < Count()) ? items_[static_cast<size_t>(i)].get() : nullptr;
}

void TBaseSwapList::Add(std::unique_ptr<TTagListObj> item) {
  if (item) items_.push_back(std::move(item));
}

void TBaseSwapList::Clear() { items_.clear(); }

UString TBaseSwapList::SwapFileName(UStringView name) {
  const UString folder = UserHandOverFolder();
  return folder.empty() ? UString() : folder + UString(name);
}

bool TBaseSwapList::LoadFromTempFile() {
  UString why;
  auto f = OpenHandOverFile(TempFilename(), kMostChosenTextsBytes, &why);
  if (!f) {
    if (global_keeping_log) AddToLogFile(u"tag list not read: " + why);
    return false;
  }
  Clear();
  struct TAfterRead {
    TBaseSwapList* list;
    ~TAfterRead() { list->AfterTempFileRead(); }
  } after_read{this};
  try {
    int32_t first = 0;
    if (!ReadI32(*f, first)) return false;
    int64_t count = first;
    if (first < 0) {
      int32_t version = 0;
      if (!ReadI32(*f, version) || version < 0) return false;
      fVersion = version;
      count = -static_cast<int64_t>(first);
    } else {
      fVersion = 0;  // a file from before versions were kept: items in the short form
    }
    if (count > f->BytesLeft() / std::max<int64_t>(1, MinStoredItemBytes())) return false;
    items_.reserve(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
      if (!fEntriesClass) return false;
      items_.push_back(fEntriesClass(this));
      if (!ReadAnItem(*f, static_cast<int32_t>(i))) {
        items_.pop_back();  // a half-read item is not kept
        return false;
      }
    }
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool TBaseSwapList::SavedToTempfile() {
  const UString name = TempFilename();
  fVersion = std::max<int32_t>(1, fVersion);
  UString error = u"no hand-over folder of this user's can be trusted";
  const bool ok = !name.empty() && SafeSaveToFile(
      name,
      [this](TStream& s) {
        if (!WriteI32(s, -Count()) || !WriteI32(s, fVersion)) return false;
        for (int32_t i = 0; i < Count(); ++i)
          if (!SavedAnItem(s, i)) return false;
        return true;
      },
      &error, kHandOverSave);
  if (!ok && global_keeping_log) AddToLogFile(u"tag list not saved: " + error);
  return ok;
}

bool TBaseSwapList::ReadFromUserSpecifiedFile(const UString& filename) {
  bad_lines = 0;
  quotes = 0;
  fWrong_Format_strs = 0;
  if (!FileExists(filename)) return false;
  const int64_t size = FileSizeU(filename);
  if (size < 2) return size >= 0;
  if (size > kMostUserTagFileBytes) {
    if (global_keeping_log) AddToLogFile(u"tag file too large: " + filename);
    return false;
  }
  std::vector<uint8_t> bytes;
  {
    auto f = TFileStream::Open(filename, TFileMode::OpenRead);
    if (!f) return false;
    try {
      bytes.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
      return false;
    }
    if (!f->ReadExact(bytes.data(), size)) return false;
  }

  if ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF)) {
    ParseUserText(DecodeUtf16Bytes(bytes.data() + 2, bytes.size() - 2, bytes[0] == 0xFE), true);
    return true;
  }

  size_t n = bytes.size();
  if (const void* z = std::memchr(bytes.data(), 0, n)) {
    const size_t hole = static_cast<size_t>(static_cast<const uint8_t*>(z) - bytes.data());
    const UString text = filename + VXResFmt(TVXRes::VXHasaHoleAtBytes, {IntToUStr(int64_t(hole))}) + u": " +
                         VXRes(TVXRes::VXContinue);
    if (VXMessageBox(VXRes(TVXRes::VXWarning), text, kBtnYesNo, TVXDialogKind::Warning) != mrYes) return true;
    n = hole;
  }
  UString text;
  DecodeTextBytes(bytes.data(), n, text, fCodepage > 0 ? fCodepage : kDefaultCodePage);
  ParseUserText(text, false);
  return true;
}

void TBaseSwapList::ParseUserText(const UString& text, bool wide) {
  auto ends_line = [wide](char16_t c) {
    return c == 0 || c == kLF || c == kFF || c == kCR ||
           (wide && (c == kVT || c == kLineSeparator || c == kParagraphSeparator));
  };
  auto ends_entry = [wide](char16_t c) {
    return c == 0 || c == kLF || c == kFF || c == kCR || (wide && (c == kVT || c == kParagraphSeparator));
  };

  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    size_t k = i;
    while (k < n && text[k] <= u' ' && !ends_entry(text[k])) ++k;
    size_t j = i;
    if (k < n && text[k] == u';') {
      j = k;
      while (j < n && !ends_line(text[j])) ++j;  // a comment runs to the end of its line
    } else {
      while (j < n) {
        const char16_t c = text[j];
        if (c == u'"') ++quotes;
        else if (ends_entry(c) || (c == u',' && (quotes & 1) == 0)) break;
        ++j;
      }
      const UString entry = TrimU(UStringView(text).substr(i, j - i));
      if (!entry.empty()) AddFromALine(entry);
    }
    if (j < n) j += (text[j] == kCR && j + 1 < n && text[j + 1] == kLF) ? 2 : 1;
    i = j;
  }
}

void TBaseSwapList::TryToFuss(const UString& s) {
  ++bad_lines;
  if (fWrong_Format_strs < kMaxWrongFormatWarnings)
    VXMessageBox(VXRes(TVXRes::VXWarning), VXResFmt(TVXRes::VXTagFormatWrong, {s, CurrentTagType}), kBtnOK,
                 TVXDialogKind::Warning);
  ++fWrong_Format_strs;
}

// --- tag-string lists ------------------------------------------------------------------------------

TBaseTagStringList::TBaseTagStringList(uint32_t anLCID, uint16_t aCodepage) : TBaseSwapList(anLCID, aCodepage) {
  CurrentTagType = VXRes(TVXRes::VXTags);
  fEntriesClass = &TTagStringItem::CreateBlank;
  fTagHolder = std::make_unique<TTagStringItem>(TStoredTagRec(), this);
}

TBaseTagStringList::~TBaseTagStringList() = default;

TTagStringItem* TBaseTagStringList::TagItem(int32_t i) const { return static_cast<TTagStringItem*>(Items(i)); }

TStoredTagRec TBaseTagStringList::GetTagRec(int32_t i) const {
  const TTagStringItem* item = TagItem(i);
  return item ? item->data : TStoredTagRec();
}

void TBaseTagStringList::PutTagRec(int32_t i, const TStoredTagRec& rec) {
  if (TTagStringItem* item = TagItem(i)) item->data = rec;
}

int32_t TBaseTagStringList::Partner(int32_t i) const {
  const TTagStringItem* item = TagItem(i);
  return item ? item->data.partner : -1;
}

bool TBaseTagStringList::ReadAnItem(TStream& stream, int32_t index) {
  TTagStringItem* item = TagItem(index);
  return item && item->ReadFromStream(stream);
}

void TBaseTagStringList::AfterTempFileRead() {
  // A partner is an index into this list; one that cannot be (a damaged file) means none.
  for (auto& item : items_) {
    TStoredTagRec& r = static_cast<TTagStringItem*>(item.get())->data;
    if (r.partner < -1 || r.partner >= Count()) r.partner = -1;
  }
}

bool TBaseTagStringList::SavedAnItem(TStream& stream, int32_t index) {
  const TTagStringItem* item = TagItem(index);
  return item && item->SaveToStream(stream);
}

int64_t TBaseTagStringList::MinStoredItemBytes() const {
  return (fVersion > 0 ? int64_t(sizeof(TStoredTagFixed)) : kShortStoredTagBytes) + 8;  // + two string counts
}

void TBaseTagStringList::AddHolderCopy() { Add(std::make_unique<TTagStringItem>(fTagHolder->data, this)); }

// --- tags to keep ----------------------------------------------------------------------------------

TTagsToKeepList::TTagsToKeepList(uint32_t anLCID, uint16_t aCodepage) : TBaseTagStringList(anLCID, aCodepage) {}

UString TTagsToKeepList::TempFilename() const { return SwapFileName(u"tags_to_keep.dat"); }

void TTagsToKeepList::AddFromALine(const UString& s) { AddTagLine(s, true); }

void TTagsToKeepList::AddFromALineWithoutAsking(const UString& s) { AddTagLine(s, false); }

void TTagsToKeepList::AddTagLine(const UString& s, bool ask) {
  TStoredTagRec& h = fTagHolder->data;
  h = TStoredTagRec();
  h.tag_type = unique_tag;
  h.partner = -1;
  h.isMediaTag = 0;
  h.foreground_colour = DefaultTagTextColour();
  h.background_colour = DefaultTagBackgroundColour();

  UString line = s;
  for (UStringView keyword : {UStringView(u" /colour=\""), UStringView(u" /color=\"")}) {
    const size_t p = CutKeyword(line, keyword);
    if (p == UString::npos) continue;
    UString value;
    if (!CutQuotedValue(line, p, value)) {
      ++bad_lines;
      return;
    }
    value = AsciiUpper(value);
    int32_t fore = DefaultTagTextColour();
    int32_t back = DefaultBackgroundColour();
    const size_t on = value.find(u" ON ");
    if (on != UString::npos) {
      back = DefaultTagBackgroundColour();
      TagColourFromName(TrimU(UStringView(value).substr(0, on)), fore);
      TagColourFromName(TrimU(UStringView(value).substr(on + 4)), back);
    } else {
      TagColourFromName(TrimU(value), fore);
    }
    if (fore == back) {
      fore = 0;
      back = 0xFFFFFF;
    }
    h.foreground_colour = fore;
    h.background_colour = back;
  }
  if (const size_t p = CutKeyword(line, u" /description \""); p != UString::npos) {
    if (!CutQuotedValue(line, p, h.description)) {
      ++bad_lines;
      return;
    }
  }
  if (CutKeyword(line, u" /play media") != UString::npos) h.isMediaTag = 1;
  if (CutKeyword(line, u" /tagstring_only") != UString::npos) h.added.isTagForTagStringOnlyDisplay = 1;

  const UString rest = TrimU(line);
  if (rest.size() < 3) return;
  h.tag = rest;
  if (rest.front() == u'<' && rest.back() == u'>') {
    AddHolderCopy();
    return;
  }
  ++bad_lines;
  if (!ask) {
    AddHolderCopy();
    return;
  }
  if (Global_run_without_error_messages) return;
  // Asked like the warnings of a wrong line, at most five times a file: a file that is no tag
  // file at all does not ask of every line.
  if (fWrong_Format_strs >= kMaxWrongFormatWarnings) return;
  ++fWrong_Format_strs;
  if (VXDialog(TVXDialog::OKToDoX, {VXResFmt(TVXRes::VXIncludeXQ, {rest})}, kIncludeAnywayHelpContext) == mrYes)
    AddHolderCopy();
}

bool TTagsToKeepList::ReadFromUserSpecifiedFile(const UString& filename) {
  const bool ok = TBaseSwapList::ReadFromUserSpecifiedFile(filename);
  if (ok) CheckTagPartners();
  return ok;
}

int32_t TTagsToKeepList::IndexOf(const TStoredTagRec& ATag) const {
  for (int32_t i = 0; i < Count(); ++i) {
    const TStoredTagRec& r = TagItem(i)->data;
    if (r.tag_type == ATag.tag_type && r.partner == ATag.partner && r.isMediaTag == ATag.isMediaTag &&
        r.tag == ATag.tag && r.description == ATag.description &&
        r.background_colour == ATag.background_colour && r.foreground_colour == ATag.foreground_colour)
      return i;
  }
  return -1;
}

void TTagsToKeepList::CheckTagPartners() {
  // Tags whose keys agree form a group; within a group a tag with "/" is a closing tag and one
  // without an opening tag, and each tag takes as partner the first tag of the other kind (in
  // list order), keeping a partner it has already.
  std::unordered_map<UString, std::vector<int32_t>, UStringHash> groups;
  for (int32_t i = 0; i < Count(); ++i) groups[TagPairKey(TagItem(i)->data.tag)].push_back(i);
  for (auto& [key, members] : groups) {
    if (members.size() < 2) continue;
    int32_t first_on = -1, first_off = -1;
    for (int32_t i : members) {
      TStoredTagRec& r = TagItem(i)->data;
      r.tag_type = r.tag.find(u'/') != UString::npos ? off_tag : on_tag;
      if (r.tag_type == on_tag && first_on < 0) first_on = i;
      if (r.tag_type == off_tag && first_off < 0) first_off = i;
    }
    if (first_on < 0 || first_off < 0) continue;
    for (int32_t i : members) {
      TStoredTagRec& r = TagItem(i)->data;
      const int32_t j = r.tag_type == on_tag ? first_off : first_on;
      if (r.partner == -1) r.partner = static_cast<int16_t>(j);
      TStoredTagRec& other = TagItem(j)->data;
      if (other.partner == -1) other.partner = static_cast<int16_t>(i);
    }
  }
}

// --- tags to exclude -------------------------------------------------------------------------------

TTagsToDeleteList::TTagsToDeleteList(uint32_t anLCID, uint16_t aCodepage) : TBaseTagStringList(anLCID, aCodepage) {}

UString TTagsToDeleteList::TempFilename() const { return SwapFileName(u"tags_to_exclude.dat"); }

void TTagsToDeleteList::AddFromALine(const UString& s) {
  TStoredTagRec& h = fTagHolder->data;
  h = TStoredTagRec();
  h.tag_type = on_middle_and_off_again_tag;
  h.partner = -1;
  h.isMediaTag = 0;
  if (s.find(u'/') == UString::npos) {
    ++bad_lines;
    return;
  }
  UString line = s;
  if (const size_t p = CutKeyword(line, u" /description \""); p != UString::npos) {
    if (!CutQuotedValue(line, p, h.description)) {
      ++bad_lines;
      return;
    }
  }
  h.tag = TrimU(line);
  if (h.tag.empty()) {
    ++bad_lines;
    return;
  }
  AddHolderCopy();
}

// --- entities --------------------------------------------------------------------------------------

TTagsToTranslateList::TTagsToTranslateList(uint32_t anLCID, uint16_t aCodepage) : TBaseSwapList(anLCID, aCodepage) {
  CurrentTagType = VXRes(TVXRes::VXCharacterEntities);
  fEntriesClass = &TTranslateTagStringItem::CreateBlank;
  fTagHolder = std::make_unique<TTranslateTagStringItem>(TTranslateTagRec(), this);
}

TTagsToTranslateList::~TTagsToTranslateList() = default;

UString TTagsToTranslateList::TempFilename() const { return SwapFileName(u"entity_tags.dat"); }

TTranslateTagStringItem* TTagsToTranslateList::TranslateItem(int32_t i) const {
  return static_cast<TTranslateTagStringItem*>(Items(i));
}

TTranslateTagRec TTagsToTranslateList::GetTranslateRec(int32_t i) const {
  const TTranslateTagStringItem* item = TranslateItem(i);
  return item ? item->data : TTranslateTagRec();
}

int32_t TTagsToTranslateList::IndexOf(const TTranslateTagRec& ATag) const {
  for (int32_t i = 0; i < Count(); ++i) {
    const TTranslateTagRec& r = TranslateItem(i)->data;
    if (r.short_form == ATag.short_form && r.short_C1 == ATag.short_C1 && r.long_form == ATag.long_form) return i;
  }
  return -1;
}

void TTagsToTranslateList::AddFromALine(const UString& s) {
  // The entity runs up to the first blank; the replacement follows it.
  const size_t blank = s.find(u' ');
  if (blank == UString::npos || blank == 0 || blank + 1 >= s.size()) {
    TryToFuss(s);  // no entity, or no replacement
    return;
  }
  const char16_t c = s[blank + 1];
  char16_t short_form = c;
  if (IsHashOrBrace(c) && blank + 2 < s.size()) {
    const int64_t number = MyFormatValidNumberStr(UStringView(s).substr(blank + 2));
    if (number < 1 || number > 0xFFFF || IsSurrogate(static_cast<char16_t>(number))) {
      TryToFuss(s);  // not a number, or not one character of the buffer
      return;
    }
    short_form = static_cast<char16_t>(number);
  } else if (IsSurrogate(c)) {
    TryToFuss(s);
    return;
  }
  TTranslateTagRec& h = fTagHolder->data;
  h = TTranslateTagRec();
  h.short_form = short_form;
  h.short_C1 = CharKindOf(short_form);
  h.long_form = s.substr(0, blank);
  Add(std::make_unique<TTranslateTagStringItem>(h, this));
}

bool TTagsToTranslateList::ReadAnItem(TStream& stream, int32_t index) {
  TTranslateTagStringItem* item = TranslateItem(index);
  return item && item->ReadFromStream(stream);
}

bool TTagsToTranslateList::SavedAnItem(TStream& stream, int32_t index) {
  const TTranslateTagStringItem* item = TranslateItem(index);
  return item && item->SaveToStream(stream);
}

int64_t TTagsToTranslateList::MinStoredItemBytes() const { return int64_t(sizeof(TTranslateTagFixed)) + 4; }

// --- inter-tool lists ------------------------------------------------------------------------------

TBaseInterToolList::TBaseInterToolList(uint8_t AcreateTool, uint8_t AuseTool)
    : fCreateTool(AcreateTool), fUseTool(AuseTool) {}

TBaseInterToolList::~TBaseInterToolList() = default;

TInterToolListObj* TBaseInterToolList::Items(int32_t i) const {
  return (i >= 0 && i < Count()) ? items_[static_cast<size_t>(i)].get() : nullptr;
}

void TBaseInterToolList::Add(std::unique_ptr<TInterToolListObj> item) {
  if (item) items_.push_back(std::move(item));
}

void TBaseInterToolList::Clear() { items_.clear(); }

bool TBaseInterToolList::ReadFromTempfile() {
  fReadProblem.clear();
  const UString name = TempFilename();
  auto f = OpenHandOverFile(name, kMostChosenTextsBytes, &fReadProblem);
  if (!f) return false;
  try {
    if (!ReadPreliminaries(*f)) return false;
    int32_t count = 0;
    if (!ReadI32(*f, count) || count < 0) return false;
    if (count > kMostChosenTexts) {
      fReadProblem = name + u": " + IntToUStr(count) + u" items, more than the " + IntToUStr(kMostChosenTexts) +
                     u" a hand-over may hold";
      return false;
    }
    if (count > f->BytesLeft() / std::max<int64_t>(1, MinStoredItemBytes())) return false;
    for (int32_t i = 0; i < count; ++i) {
      if (!fEntriesClass) return false;
      items_.push_back(fEntriesClass(this));
      if (!ReadAnItem(*f, Count() - 1)) {
        items_.pop_back();  // a half-read item is not kept
        return false;
      }
    }
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool TBaseInterToolList::SavedToTempfile() {
  const UString name = TempFilename();
  ForceDirectories(ExtractFilePath(name));
  return SafeSaveToFile(
      name,
      [this](TStream& s) {
        if (!SavedPreliminaries(s) || !WriteI32(s, Count())) return false;
        for (int32_t i = 0; i < Count(); ++i)
          if (!SavedAnItem(s, i)) return false;
        return true;
      },
      nullptr, kHandOverSave);
}
