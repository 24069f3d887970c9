// The text reader's calls into the tag handler and the tool document, in one place.
// Stand-ins until the tag handler and the tool document are in: they do nothing, except that the
// text settings come from the settings store and a cut range is blanked and hidden here.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/streams.h"
#include "platform/search/chunk_byte_map.h"
#include "platform/settings/settings_records.h"
#include "platform/settings/vxbuf.h"
#include "platform/text/text_services.h"

class TTextTagHandler;
class TTessorineholder;

class TSectionStartsList {
 public:
  int32_t Count() const { return 0; }
  bool SaveToStream(TStream& s) const { return WriteI32(s, 0); }
  bool ReadFromStream(TStream& s) {
    int32_t n = 0;
    return ReadI32(s, n) && n == 0;
  }
};

namespace seam {

inline void TagGiveSectionStarts(TTextTagHandler*, TSectionStartsList*) {}
inline bool TagHandlingOnlyParts(TTextTagHandler*) { return false; }
inline void TagClearArrayOfTagsPresent(TTextTagHandler*) {}
inline void TagSetFileBytePos(TTextTagHandler*, int64_t) {}
inline void TagSetUnicode(TTextTagHandler*, bool) {}
inline void TagHandleOnlyPartsOfText(TTextTagHandler*, char16_t*, uint16_t*, int32_t) {}
inline void TagTextMarkers(TTextTagHandler*, char16_t*, uint16_t*, int32_t, int32_t) {}
inline void TagFileMarkup(TTextTagHandler*, bool, bool, char16_t*, uint16_t*, int32_t, int32_t, const TChunkByteMap*) {}
inline void TagTranslations(TTextTagHandler*, char16_t*, uint16_t*, int32_t) {}
inline void TagIgnoreTags(TTextTagHandler*, bool, char16_t, char16_t, char16_t*, uint16_t*, int32_t, int32_t) {}
inline void TagMidWordPunctuation(TTextTagHandler*, char16_t*, uint16_t*, uint16_t, uint16_t, int32_t) {}
inline void TagBlankKinds(TTextTagHandler*, char16_t*, uint16_t*, uint16_t, int32_t) {}
inline void TagState(TTextTagHandler*, bool& media, bool& sections) { media = sections = false; }
inline void BlankAndHide(char16_t* text, uint16_t* kinds, int32_t from, int32_t count) {
  for (int32_t i = from; i < from + count; ++i) {
    text[i] = u' ';
    kinds[i] = KIND_HIDDEN;
  }
}
inline bool SaveSectionStarts(const TSectionStartsList& l, TStream& s) { return l.SaveToStream(s); }
inline bool ReadSectionStarts(TSectionStartsList& l, TStream& s) { return l.ReadFromStream(s); }

inline TTextsett_rec32 DocTextSettings(TTessorineholder*) { return GetTextSettings(); }
inline int DocCodePage(TTessorineholder*, const TTextsett_rec32& ts) { return ts.WindowsCodePage(); }
inline TLCID DocLCID(TTessorineholder*) { return static_cast<TLCID>(GetTextSettings().LCID()); }
inline void DocSetUnicodeContent(TTessorineholder*, bool) {}

}  // namespace seam
