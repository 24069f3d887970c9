#include "shell/settings/language_fonts.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "model/reading/text_languages.h"
#include "platform/text/text_services.h"

namespace {

constexpr int32_t kPrimaryMask = 0x3FF;

// ISO 639 code -> primary language, one entry per primary language (the first locale that has it).
const std::map<UString, uint16_t>& IsoCodes() {
  static const std::map<UString, uint16_t> codes = [] {
    std::map<UString, uint16_t> out;
    std::vector<uint16_t> seen;
    for (const TLanguageIdInfo& info : KnownLanguageIds()) {
      const uint16_t p = static_cast<uint16_t>(info.lcid & kPrimaryMask);
      if (std::find(seen.begin(), seen.end(), p) != seen.end()) continue;
      seen.push_back(p);
      std::string name(info.locale_name);
      name = name.substr(0, name.find('_'));
      if (!name.empty()) out.emplace(Latin1ToUtf16(name), p);
    }
    return out;
  }();
  return codes;
}

bool IsLineBreakOrBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

}  // namespace

TCharsetLCIDAndFontname TMyFontInfoList::GetFontRecord(int i) const {
  return i >= 0 && i < Count() ? items_[static_cast<size_t>(i)] : TCharsetLCIDAndFontname();
}

int TMyFontInfoList::IndexOfLCID(int32_t lcid) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[static_cast<size_t>(i)].TheLCID == lcid) return i;
  return -1;
}

int32_t CharsetFromLanguageID(int32_t language_id) {
  if (language_id == 3098) return 204;
  switch (language_id & 0x1FF) {
    case 1: case 41: return 178;
    case 2: case 25: case 34: case 35: return 204;
    case 4: return 136;
    case 5: case 14: case 21: case 24: case 26: case 27: case 36: return 238;
    case 8: return 161;
    case 13: return 177;
    case 17: return 128;
    case 18: return 130;
    case 30: return 222;
    case 31: return 162;
    case 37: case 38: case 39: return 186;
    case 42: return 163;
    case 511: return 254;
    default: return 0;
  }
}

uint16_t LanguageIDFromISOName(UStringView code) {
  const auto& codes = IsoCodes();
  const auto it = codes.find(UString(code));
  return it == codes.end() ? 0 : it->second;
}

int BiDiModeFromLCID(int32_t lcid) { return IsRightToLeftLCID(static_cast<TLCID>(lcid)) ? 1 : 0; }

void FillFavouriteFonts(const TLinguaTessor& languages, UStringView default_font, TMyFontInfoList& fonts) {
  for (int32_t i = 0; i < languages.Count(); ++i) {
    const Tfixed_lang_details32 l = languages.GetALanguage(i);
    TCharsetLCIDAndFontname r;
    r.charset = l.FontCharset();
    r.TheLCID = l.LCID() & kPrimaryMask;
    r.fontname = l.FontName().empty() ? UString(default_font) : l.FontName();
    fonts.Add(std::move(r));
  }
}

TLanguageRow LanguageRowOf(UStringView line, UStringView source_file, const TMyFontInfoList& favourites,
                           UStringView default_font) {
  TLanguageRow row;
  UString text;
  text.reserve(line.size());
  // One row, one line: every line end (CR LF, LF or CR) a blank.
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == u'\r' && i + 1 < line.size() && line[i + 1] == u'\n') {
      text += u' ';
      ++i;
    } else {
      text += (line[i] == u'\n' || line[i] == u'\r') ? u' ' : line[i];
    }
  }
  size_t b = 0, e = text.size();
  while (b < e && IsLineBreakOrBlank(text[b])) ++b;
  while (e > b && IsLineBreakOrBlank(text[e - 1])) --e;
  text = text.substr(b, e - b);
  row.code = text.size() >= 3 ? AsciiLower(text.substr(1, 2)) : UString();
  // The blanks part the extension from the excerpt: at character 8, or at the extension's end
  // when it is shorter (".TXT"), so no word of the excerpt is cut.
  text.insert(std::min<size_t>({7, text.size(), text.find(u'\t')}), u"     ");
  row.text = std::move(text);
  row.lcid = LanguageIDFromISOName(row.code);
  const int fav = row.lcid != 0 ? favourites.IndexOfLCID(row.lcid) : -1;
  if (fav >= 0) {
    const TCharsetLCIDAndFontname r = favourites.GetFontRecord(fav);
    row.charset = r.charset;
    row.font_name = r.fontname.substr(0, 100);
  } else {
    row.charset = CharsetFromLanguageID(row.lcid);
    row.font_name = UString(default_font).substr(0, 100);
  }
  row.right_to_left = BiDiModeFromLCID(row.lcid) == 1;
  row.source_file = UString(source_file);
  return row;
}
